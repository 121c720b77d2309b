// Builds a large netlist module the way the graph editor's builder does,
// splits every net at a pass-through gate and joins it again the way a
// layout run does, and tears the module down. Run by hand:
//   build/bench/bench_netlist [gates]
#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QTextStream>

using namespace GraphEngine;

namespace {

// A two-input gate registered in the module.
Gate *makeGate(Module *module, int i)
{
    auto *gate = new Gate;
    gate->kind = BaseEnum::AND;
    gate->name = Name(QStringLiteral("u%1").arg(i));
    for (int k = 0; k < 2; ++k)
        gate->ports.add(new GatePort(gate, QStringLiteral("A%1").arg(k),
                                     PortAttributes::make(0, 2, k, 0, false, 1), 0, 0));
    gate->ports.add(new GatePort(gate, QStringLiteral("Y"), PortAttributes::make(1, 0, 0, 0, false, 12), 0, 0));
    gate->ports.ensureSorted(false);
    gate->column = i % 50;
    module->registerInstance(gate, true);
    return gate;
}

// Splits the net at the column as a layout run does: a new piece of the same
// name takes the drivers and far loads and feeds a pass-through gate, which
// drives the old net.
Gate *splitAt(Module *module, Edge *net, int column)
{
    auto *pass = new Gate(BaseEnum::COLPASSTHROUGH, net->name.text(), QBrush());
    pass->column = column;
    module->registerInstance(pass, true);
    Edge *piece = module->edges->findOrCreate(net->name, true);
    net->transferInputs(column, piece);
    net->transferOutputs(column, piece);
    net->connectPort(pass->portAt(0, 0));
    piece->connectPort(pass->portAt(2, 0));
    return pass;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTextStream out(stdout);
    QElapsedTimer timer;
    ModuleMap modules;
    Module *module = Module::findOrCreateModule(modules, QStringLiteral("top"), nullptr);

    timer.start();
    QVector<Gate *> gates;
    gates.reserve(count);
    for (int i = 0; i < count; ++i)
        gates.append(makeGate(module, i));
    const qint64 makeGates = timer.restart();

    // Net i is driven by gate i and feeds gates i+1 and i+7: a chain with
    // long jumps, as a synthesised design has.
    QVector<Edge *> nets;
    nets.reserve(count);
    for (int i = 0; i < count; ++i) {
        Edge *net = module->edges->findOrCreate(Name(QStringLiteral("n%1").arg(i)));
        net->connectPort(gates[i]->portAt(0, 0));
        if (i + 1 < count)
            net->connectPort(gates[i + 1]->portAt(2, 0));
        if (i + 7 < count)
            net->connectPort(gates[i + 7]->portAt(2, 1));
        nets.append(net);
    }
    for (int i = 0; i < 1000; ++i)
        module->findOrCreatePortGate(QStringLiteral("p%1").arg(i), QStringLiteral("n%1").arg(i),
                                     PortAttributes::make(0, 2, i, 0, false, 1), true);
    const qint64 connect = timer.restart();

    // Split each net between its near and far loads.
    QVector<Gate *> passes;
    passes.reserve(count);
    for (Edge *net : qAsConst(nets))
        passes.append(splitAt(module, net, 25));
    const qint64 split = timer.restart();
    for (Gate *pass : qAsConst(passes))
        delete pass;
    const qint64 join = timer.restart();
    const int netCount = module->edges->count();

    // One clock net feeding half as many sinks, split and joined the same way.
    Edge *clock = module->edges->findOrCreate(Name(QStringLiteral("clk")));
    clock->connectPort(makeGate(module, count)->portAt(0, 0));
    for (int i = 0; i < count / 2; ++i) {
        auto *sink = new Gate;
        sink->kind = BaseEnum::FLOP;
        sink->name = Name(QStringLiteral("ff%1").arg(i));
        sink->ports.add(new GatePort(sink, QStringLiteral("CLK"), PortAttributes::make(0, 2, 0, 2, true, 11), 0, 0));
        sink->ports.ensureSorted(false);
        sink->column = i % 50;
        module->registerInstance(sink, true);
        clock->connectPort(sink->portAt(2, 0));
    }
    delete splitAt(module, clock, 25);
    const qint64 clockRoundTrip = timer.restart();
    const int clockLoads = clock->loads.size();

    deleteModules(modules);
    const qint64 teardown = timer.elapsed();

    out << "gates " << count << ", nets after the round trip " << netCount << "\n"
        << "make and register gates: " << makeGates << " ms\n"
        << "make nets, connect, 1000 port gates: " << connect << " ms\n"
        << "split every net at a pass-through: " << split << " ms\n"
        << "join them again (delete pass-throughs): " << join << " ms\n"
        << "clock net of " << clockLoads << " loads: connect, split, join: " << clockRoundTrip << " ms\n"
        << "module teardown: " << teardown << " ms\n";
    return netCount == count && clockLoads == count / 2 ? 0 : 1;
}
