// Builds a module of gates of every common kind the way the netlist builder
// does (constructors with ports and outlines, naming, registration,
// connection by name), writes it as Verilog, splits every net at a pass-through, removes the
// pass-throughs again and tears the module down. Run by hand:
//   build/bench/bench_gates [gates]
#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextStream>

using namespace GraphEngine;

namespace {

// Every fourth gate a flip-flop, the others logic gates of changing kinds.
Gate *makeGate(int i)
{
    if (i % 4 == 3)
        return new Gate(BaseEnum::D | BaseEnum::CLK | BaseEnum::Q, QBrush());
    static const int kinds[] = {BaseEnum::AND, BaseEnum::NOR, BaseEnum::XOR};
    return new Gate(kinds[i % 3], 2, QBrush());
}

QString connections(const Gate *gate, int i, int count)
{
    const int a = i > 0 ? i - 1 : count - 1;
    const int b = i > 6 ? i - 7 : count - 1;
    if (gate->kind == BaseEnum::FLOP)
        return QStringLiteral(".D(n%1),.CLK(clk),.Q(n%2)").arg(a).arg(i);
    return QStringLiteral(".A(n%1),.B(n%2),.Out(n%3)").arg(a).arg(b).arg(i);
}

} // namespace

int main(int argc, char **argv)
{
    // Gates measure their labels in the label font.
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    QTextStream out(stdout);
    QElapsedTimer timer;
    ModuleMap modules;
    Module *module = Module::findOrCreateModule(modules, QStringLiteral("top"), nullptr);

    timer.start();
    for (int i = 0; i < count; ++i)
        module->edges->findOrCreate(Name(QStringLiteral("n%1").arg(i)));
    module->edges->findOrCreate(Name(QStringLiteral("clk")));
    const qint64 makeNets = timer.restart();

    QVector<Gate *> gates;
    gates.reserve(count);
    for (int i = 0; i < count; ++i) {
        Gate *gate = makeGate(i);
        gate->nameInstance(Name(QStringLiteral("u%1").arg(i)));
        module->registerInstance(gate, true);
        gates.append(gate);
    }
    const qint64 makeGates = timer.restart();

    int failed = 0;
    for (int i = 0; i < count; ++i)
        failed += gates[i]->connectGate(connections(gates[i], i, count), false) ? 0 : 1;
    const qint64 connect = timer.restart();

    const int verilogSize = module->writeVerilog().size();
    const qint64 verilog = timer.restart();

    // Depths as the layout's ordering gives them: the driver deeper than its
    // loads, so that every split moves the driver to the new piece.
    for (int i = 0; i < count; ++i)
        gates[i]->column = count - i + 2;
    int splits = 0;
    for (Edge *net : module->edges->elements()) {
        const GatePort *driver = net->drivers.first();
        if (driver && net->loads.size() > 0 && driver->owner->column > 2) {
            new Gate(1, net);
            ++splits;
        }
    }
    const qint64 split = timer.restart();
    module->gates->removeFromModule();
    const qint64 removed = timer.restart();

    const int gateCount = module->gates->count();
    const int netCount = module->edges->count();
    deleteModules(modules);
    const qint64 teardown = timer.restart();

    out << "gates: " << count << ", nets: " << netCount << ", connection failures: " << failed << "\n"
        << "  make nets:          " << makeNets << " ms\n"
        << "  build gates:        " << makeGates << " ms (ports, outlines, shapes, names, registration)\n"
        << "  connect by name:    " << connect << " ms\n"
        << "  write Verilog:      " << verilog << " ms (" << verilogSize << " characters, with its sub-module)\n"
        << "  split " << splits << " nets:     " << split << " ms\n"
        << "  remove pass-throughs: " << removed << " ms\n"
        << "  teardown:           " << teardown << " ms\n";
    // The netlist must come back as built: every gate, one net per name.
    const bool intact = failed == 0 && gateCount == count && netCount == count + 1;
    if (!intact)
        out << "netlist changed: " << gateCount << " gates, " << netCount << " nets\n";
    return intact ? 0 : 1;
}
