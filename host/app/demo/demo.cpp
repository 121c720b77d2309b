// The program korvan-host debugs when it is given none: a few values of the
// types the built-in printers know (Qt, the standard library, Boost), and a
// small netlist built on the project's own graph engine, a two-bit counter
// with enable and reset. Editing the value of `schematic` (or of one of its
// ports, gates or nets) in the watch view draws it.

#include "graphengine/model/gate.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "netlist/graphrecords.h"

#include <QGuiApplication>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <boost/optional.hpp>
#include <boost/shared_ptr.hpp>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

template <typename T>
static void use(const T &) {}

namespace {

using namespace UndoFramework;

const int input = 0;
const int output = 1;

InstanceTerminal pin(const char *port, int direction, const char *net)
{
    InstanceTerminal terminal;
    terminal.portName = terminal.pinName = QString::fromLatin1(port);
    terminal.direction = direction;
    terminal.netName = QString::fromLatin1(net);
    return terminal;
}

Instance cell(const char *name, int kind, const QList<InstanceTerminal> &terminals, int roles = 0)
{
    Instance instance;
    instance.name = QString::fromLatin1(name);
    instance.gateKind = kind;
    instance.roleFlags = roles;
    instance.terminals = terminals;
    return instance;
}

Port port(const char *name, int direction, const char *net = "")
{
    Port p;
    p.name = QString::fromLatin1(name);
    p.direction = direction;
    p.connection = QString::fromLatin1(net);
    return p;
}

// q advances by one on each clock while en is set; carry marks the wrap.
GraphEngine::Module *buildCounter()
{
    using GraphEngine::BaseEnum;
    GraphUndoState counter(GraphDataBase::current(), 0x1);
    counter.moduleName = QStringLiteral("demo_counter");
    counter.ports << port("clk", input) << port("rst", input) << port("en", input) << port("q0", output, "q0_r")
                  << port("q1", output, "q1_r") << port("carry", output);
    const int flopRoles = 2 | 128 | 2048 | 4096; // D, CLR, CLK, Q
    counter.instances
        << cell("xor0", BaseEnum::XOR, {pin("A", input, "q0_r"), pin("B", input, "en"), pin("Out", output, "d0")})
        << cell("and0", BaseEnum::AND, {pin("A", input, "q0_r"), pin("B", input, "en"), pin("Out", output, "t1")})
        << cell("xor1", BaseEnum::XOR, {pin("A", input, "q1_r"), pin("B", input, "t1"), pin("Out", output, "d1")})
        << cell("and1", BaseEnum::AND, {pin("A", input, "q1_r"), pin("B", input, "t1"), pin("Out", output, "carry")})
        << cell("ff0", BaseEnum::FLOP,
                {pin("D", input, "d0"), pin("CLK", input, "clk"), pin("CLR", input, "rst"), pin("Q", output, "q0_r")},
                flopRoles)
        << cell("ff1", BaseEnum::FLOP,
                {pin("D", input, "d1"), pin("CLK", input, "clk"), pin("CLR", input, "rst"), pin("Q", output, "q1_r")},
                flopRoles);
    QString error;
    GraphEngine::Module *module = counter.buildModule(error);
    if (!module)
        std::fprintf(stderr, "demo: the counter netlist could not be built: %s\n", qPrintable(error));
    return module;
}

} // namespace

int main(int argc, char *argv[])
{
    // The gates measure their labels; nothing is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString greeting = QStringLiteral("Hello, Korvan");
    QStringList colours{QStringLiteral("red"), QStringLiteral("green"), QStringLiteral("blue")};
    QList<int> primes{2, 3, 5, 7};
    QMap<int, QString> numbers{{1, QStringLiteral("one")}, {2, QStringLiteral("two")}};
    std::string name = "demo";
    std::vector<double> samples{0.5, 1.5, 2.5}; // the C library copies these
    std::map<std::string, int> ages{{"ada", 36}, {"alan", 41}};
    boost::optional<int> answer = 42;
    boost::shared_ptr<int> shared(new int(7));
    GraphEngine::Module *schematic = buildCounter();
    GraphEngine::Gate *carryGate = schematic ? schematic->gates->map.value(GraphEngine::Name(QStringLiteral("and1")))
                                             : nullptr;

    std::printf("ready\n"); // korvan-host stops here
    use(greeting); use(colours); use(primes); use(numbers); use(name); use(samples); use(ages);
    use(answer); use(shared); use(schematic); use(carryGate);
    return schematic ? 0 : 1;
}
