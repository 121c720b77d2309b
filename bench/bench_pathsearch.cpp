// The path search of the highlight tool on large netlists: NetlistGenerator's
// pipelined netlist of 100,000 gates (tests/graphengine/netlistgenerator.h),
// between its first module input and the first module output its signals
// reach, both ways (the way against the signal first
// searches forwards in vain, then backwards), and between two module inputs,
// where no route exists and both searches walk everything they reach; then a chain of 100,000 buffers end to end,
// where the route is 200,000 ports deep. With "layout" the generated netlist
// is also laid out and the route's points along the drawn nets are timed.
// Each figure is the median of five runs.
// Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_pathsearch [gates] [layout]
#include "graphengine/globals.h"
#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/marks.h"
#include "graphengine/model/module.h"
#include "graphengine/model/marks.h"
#include "graphengine/model/pathsearch.h"
#include "netlistgenerator.h"

#include <QApplication>
#include <QBrush>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cstring>

using namespace GraphEngine;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

Gate *portGate(const Module *module, const QString &name)
{
    for (Gate *gate : module->portGates->elements()) {
        if (gate && gate->name.text() == name)
            return gate;
    }
    return nullptr;
}

// Times findPath from one element to the other; prints the median of five
// runs and what the route was.
QList<GatePort *> timeSearch(const QString &what, const GraphItem &from, const GraphItem &to)
{
    QList<GatePort *> ports;
    QVector<double> ms;
    bool found = false;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        found = findPath(from, to, ports);
        ms << timer.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    out() << what << ": " << QString::number(ms.at(2), 'f', 2) << " ms, "
          << (found ? QStringLiteral("route of %1 ports").arg(ports.size()) : QStringLiteral("no route"))
          << Qt::endl;
    return ports;
}

// The far end of the pair: the first module output (in index order) that
// the signals of start reach, as one walk from start marks them.
Gate *reachedOutput(Module *module, Gate *start)
{
    const int bit = allocateColor();
    if (bit < 0)
        return nullptr;
    module->setFlagOnAll(bit, false);
    QList<GatePort *> ports;
    // Towards an element of no module: the walk visits all it reaches.
    tracePath(GraphItem(start), GraphItem(), ports, bit, -1);
    Gate *reached = nullptr;
    for (Gate *gate : module->portGates->elements()) {
        if (gate && gate->kind == BaseEnum::OUTPUTPORT && (gate->marks & (1 << bit))) {
            reached = gate;
            break;
        }
    }
    releaseColor(bit);
    return reached;
}

bool generated(int gates, bool layout)
{
    ModuleMap modules;
    Module *module = Module::findOrCreateModule(modules, QStringLiteral("top"), nullptr);
    NetlistGenerator::Shape shape;
    shape.gates = gates;
    NetlistGenerator::generate(module, shape, 1);
    Gate *in = portGate(module, QStringLiteral("in0"));
    Gate *in1 = portGate(module, QStringLiteral("in1"));
    Gate *last = reachedOutput(module, in);
    if (!in || !in1 || !last) {
        out() << "the generated netlist has no module output that in0 reaches" << Qt::endl;
        deleteModules(modules);
        return false;
    }
    out() << "generated netlist: " << module->gates->elements().size() << " gates, " << module->edges->elements().size() << " nets"
          << Qt::endl;
    const QString far = last->name.text();
    timeSearch(QStringLiteral("  in0 to %1").arg(far), GraphItem(in), GraphItem(last));
    timeSearch(QStringLiteral("  %1 to in0").arg(far), GraphItem(last), GraphItem(in));
    QVector<double> clearing;
    for (int run = 0; run < 5; ++run) {
        const int bit = allocateColor();
        QElapsedTimer timer;
        timer.start();
        module->setFlagOnAll(bit, false);
        clearing << timer.nsecsElapsed() / 1e6;
        releaseColor(bit);
    }
    std::sort(clearing.begin(), clearing.end());
    out() << "  of which clearing the mark on every gate and net: " << QString::number(clearing.at(2), 'f', 2)
          << " ms per search direction" << Qt::endl;
    timeSearch(QStringLiteral("  in0 to in1 (no route)"), GraphItem(in), GraphItem(in1));
    if (!layout) {
        deleteModules(modules);
        return true;
    }
    const bool trace = traceEnabled;
    QElapsedTimer timer;
    timer.start();
    module->computeLayout(10.0, true, false);
    traceEnabled = trace;
    out() << "laid out in " << timer.elapsed() << " ms" << Qt::endl;
    const QList<GatePort *> route =
        timeSearch(QStringLiteral("  laid out: in0 to %1").arg(far), GraphItem(in), GraphItem(last));
    QVector<double> ms;
    int points = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        points = portsToPolyline(route).size();
        ms << t.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    out() << "  its points along the nets: " << QString::number(ms.at(2), 'f', 2) << " ms, " << points
          << " points" << Qt::endl;
    deleteModules(modules);
    return true;
}

void chain(int gates)
{
    ModuleMap modules;
    Module *module = Module::findOrCreateModule(modules, QStringLiteral("chain"), nullptr);
    const QBrush fill(Qt::white);
    Gate *first = nullptr;
    Gate *last = nullptr;
    for (int i = 0; i < gates; ++i) {
        auto *gate = new Gate(BaseEnum::BUFFER, 1, fill);
        gate->name = Name(QStringLiteral("g%1").arg(i));
        module->registerInstance(gate, true);
        GatePort *input = nullptr;
        GatePort *output = nullptr;
        for (GatePort *port : gate->ports.list())
            (port->attributes.sortGroup() == 0 ? output : input) = port;
        if (last)
            module->edges->findOrCreate(Name(QStringLiteral("n%1").arg(i - 1)))->connectPort(input);
        if (i + 1 < gates)
            module->edges->findOrCreate(Name(QStringLiteral("n%1").arg(i)))->connectPort(output);
        first = first ? first : gate;
        last = gate;
    }
    out() << "chain of " << gates << " buffers" << Qt::endl;
    timeSearch(QStringLiteral("  first to last"), GraphItem(first), GraphItem(last));
    timeSearch(QStringLiteral("  last to first"), GraphItem(last), GraphItem(first));
    deleteModules(modules);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int gates = 100000;
    bool layout = false;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "layout") == 0)
            layout = true;
        else
            gates = QString::fromLocal8Bit(argv[i]).toInt();
    }
    if (gates < 2) {
        out() << "usage: bench_pathsearch [gates >= 2] [layout]" << Qt::endl;
        return 1;
    }
    const bool ok = generated(gates, layout);
    chain(gates);
    return ok ? 0 : 1;
}
