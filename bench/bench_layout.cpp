// The layout steps and building and painting the scene items on
// generated netlists of
// 1,000, 10,000 and 100,000 gates: logic gates, flip-flops on one clock net,
// feedback through the flip-flops and fan-out. The netlists are
// NetlistGenerator's pipelined shape (tests/graphengine/netlistgenerator.h):
// 32 levels of logic with register banks at levels 8, 16 and 24, so that
// the design grows wide, not deep, with its size. Prints the time of every step
// (the clustering with its passes and folded gates), a whole second run of
// the driver, the peak memory of the process, and a digest of the columns
// that came out (compare it across changes that must not change the layout).
// Each size runs in a process of its own, so the peaks do not mix.
// Run by hand:
//   build/bench/bench_layout            (all three sizes)
//   build/bench/bench_layout <gates>    (one size)
//   build/bench/bench_layout clock <n>  (a clock net of n loads emptied one by one)
#include "graphengine/globals.h"
#include "graphengine/layout/marktable.h"
#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "graphengine/scene/guiedgeelement.h"
#include "graphengine/scene/guigateelement.h"
#include "netlistgenerator.h"

#include <QBrush>
#include <QElapsedTimer>
#include <QFile>
#include <QApplication>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTextStream>

#include <cmath>

using namespace GraphEngine;

namespace {

// A digest of the front's result: every gate's name, kind, column and row
// and every net's name, column and connection counts, in index order. Equal
// digests mean the same columns came out.
quint64 layoutDigest(Module *module)
{
    quint64 digest = 1469598103934665603ull;
    auto mix = [&digest](quint64 value) {
        digest ^= value;
        digest *= 1099511628211ull;
    };
    for (const Gate *gate : module->gates->elements()) {
        mix(qHash(gate->name.toString(false)));
        mix(quint64(gate->kind));
        mix(quint64(quint32(gate->column)));
        mix(quint64(quint32(gate->row)));
    }
    for (const Edge *net : module->edges->elements()) {
        mix(qHash(net->name.toString(false)));
        mix(quint64(quint32(net->column)));
        mix(quint64(net->drivers.size()) << 32 | quint64(net->loads.size()));
        const GatePort *driver = net->drivers.first();
        mix(driver && driver->owner ? qHash(driver->owner->name.toString(false)) : 0);
    }
    return digest;
}

// A clock net of `count` flip-flops; then every load leaves it, one by one,
// first from the front of the list, then (built again) from the back.
int runClock(int count)
{
    QTextStream out(stdout);
    for (bool fromFront : {true, false}) {
        ModuleMap modules;
        Module *module = Module::findOrCreateModule(modules, QStringLiteral("clock"), nullptr);
        Edge *clock = module->edges->findOrCreate(Name(QStringLiteral("clk")));
        QVector<GatePort *> loads;
        loads.reserve(count);
        for (int i = 0; i < count; ++i) {
            auto *flop = new Gate(BaseEnum::D | BaseEnum::CLK | BaseEnum::Q, QBrush());
            flop->nameInstance(Name(QStringLiteral("ff%1").arg(i)));
            module->registerInstance(flop, true);
            GatePort *pin = flop->findPortByName(QStringLiteral("CLK"));
            clock->connectPort(pin);
            loads.append(pin);
        }
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i)
            loads.at(fromFront ? i : count - 1 - i)->disconnect();
        const qint64 ns = timer.nsecsElapsed();
        out << QStringLiteral("clock net of %1 loads, disconnected from the %2: %3 ms (%4 ns per load), %5 left\n")
                   .arg(count)
                   .arg(fromFront ? QStringLiteral("front") : QStringLiteral("back"))
                   .arg(ns / 1e6, 0, 'f', 2)
                   .arg(double(ns) / count, 0, 'f', 0)
                   .arg(clock->loads.size());
        deleteModules(modules);
    }
    return 0;
}

qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

int runOne(int count)
{
    QTextStream out(stdout);
    ModuleMap modules;
    Module *module = Module::findOrCreateModule(modules, QStringLiteral("top"), nullptr);
    QElapsedTimer timer;
    timer.start();
    NetlistGenerator::Shape shape;
    shape.gates = count;
    NetlistGenerator::generate(module, shape, 20261206u);
    const qint64 build = timer.restart();
    const int gatesBuilt = module->gates->count();
    const int netsBuilt = module->edges->count();
    const int netlistGatesBuilt = module->countGatesWithProperty();

    int clusterPasses = 0;
    bool collided = false;
    QGraphicsScene scene;
    struct Step
    {
        const char *name;
        std::function<void()> run;
    };
    const Step steps[] = {
        {"Reset", [&] { module->resetLayout(); }},
        {"Solve InOut", [&] { module->solveInOut(true); }},
        {"Add Fake Input", [&] { module->addFakeInputs(false); }},
        {"Remove Loopback", [&] { module->removeLoopbacks(); }},
        {"Order Topologically", [&] { module->orderTopologically(); }},
        {"Create Column", [&] { module->createColumns(); }},
        {"Search Repeating Patterns",
         [&] {
             while (module->clusterRepeatingPatterns(true))
                 ++clusterPasses;
         }},
        {"Order Column", [&] { module->orderColumns(); }},
        {"Compute Y-Coordinate", [&] { module->computeGateYPositionFromHierarchy(10.0, true, false); }},
        {"Compute Y-Coordinate for output ports", [&] { module->computeOutputPortY(10.0); }},
        {"Shrink Vertical Space", [&] { collided = module->shrinkVerticalSpace(10); }},
        {"Input/Output ports Alignemnt", [&] { module->alignInputOutputPorts(); }},
        {"Compute Edge boundary", [&] { module->computeEdgeBoundaries(); }},
        {"Compute Edge Vertical segments", [&] { module->computeEdgeVerticalSegments(10.0, 10.0); }},
        {"Compute X-coordinate", [&] { module->computeXCoordinates(); }},
        {"Draw Edges", [&] { module->drawEdges(); }},
        // What the viewer does next: one scene item per gate and per net,
        // then one paint of the whole scene.
        {"Build scene items",
         [&] {
             for (Gate *gate : module->gates->elements())
                 scene.addItem(new GuiGateElement(gate));
             for (Edge *net : module->edges->elements())
                 scene.addItem(new GuiEdgeElement(net));
         }},
        {"Paint scene",
         [&] {
             QImage image(1024, 1024, QImage::Format_ARGB32_Premultiplied);
             QPainter painter(&image);
             renderScene(&scene, &painter, QRectF(image.rect()), scene.itemsBoundingRect());
         }},
    };
    out << "gates " << gatesBuilt << ", nets " << netsBuilt << ", built in " << build << " ms\n";
    module->markValue = 0;
    module->markTable->startRun();
    qint64 front = 0;
    for (const Step &step : steps) {
        timer.restart();
        step.run();
        const qint64 ns = timer.nsecsElapsed();
        front += ns;
        out << QStringLiteral("  %1 %2 ms\n").arg(QLatin1String(step.name), -38).arg(ns / 1e6, 9, 'f', 2);
    }
    int clusters = 0;
    int folded = 0;
    for (const Gate *gate : module->gates->elements()) {
        if (gate && gate->isCluster()) {
            ++clusters;
            folded += gate->nativeNameCount();
        }
    }
    out << "  layout digest " << QString::number(layoutDigest(module), 16) << "\n";
    out << QStringLiteral("  %1 %2 ms (%3 columns, %4 gates now, %5 cluster instances of %6 gates, %7 folding passes)\n")
               .arg(QStringLiteral("total"), -26)
               .arg(front / 1e6, 9, 'f', 2)
               .arg(module->lastColumn)
               .arg(module->gates->count())
               .arg(clusters)
               .arg(folded)
               .arg(clusterPasses);
    // The placement's result: every Y a number, the height it spans.
    int unplaced = 0;
    double bottom = 0.0;
    for (const Gate *gate : module->gates->elements()) {
        if (!gate)
            continue;
        if (!std::isfinite(gate->y))
            ++unplaced;
        else
            bottom = std::max(bottom, gate->y + gate->rect.height());
    }
    out << QStringLiteral("  %1 %2 gates without a finite Y, height %3%4\n")
               .arg(QStringLiteral("placement"), -26)
               .arg(unplaced)
               .arg(bottom, 0, 'f', 1)
               .arg(collided ? QStringLiteral(", collisions reported") : QString());
    // The items refer to the run's pass-through gates, which Simplify
    // Graph deletes.
    scene.clear();
    timer.restart();
    module->simplifyGraph();
    out << QStringLiteral("  %1 %2 ms\n").arg(QStringLiteral("Simplify Graph"), -26).arg(timer.nsecsElapsed() / 1e6, 9, 'f', 2);
    // The clustering's instances stay, the run's own gates go: the netlist
    // gates that the module stands for (a cluster counts its members) and
    // its nets are what they were.
    const int netlistGates = module->countGatesWithProperty();
    const int netsLaidOut = module->edges->count();
    out << QStringLiteral("  %1 %2 gates (%3 netlist gates, %5 before), %4 nets\n")
               .arg(QStringLiteral("after the run"), -26)
               .arg(module->gates->count())
               .arg(netlistGates)
               .arg(netsLaidOut)
               .arg(netlistGatesBuilt);
    // A whole run of the driver on the module laid out once already.
    timer.restart();
    module->computeLayout(10.0, true, false);
    out << QStringLiteral("  %1 %2 ms\n").arg(QStringLiteral("computeLayout (again)"), -26).arg(timer.nsecsElapsed() / 1e6, 9, 'f', 2);
    // The run's own gates and net pieces are gone again.
    const bool intact = module->countGatesWithProperty() == netlistGates && module->edges->count() == netsLaidOut;
    if (!intact)
        out << "  the netlist did not come back as it was: " << module->gates->count() << " gates, "
            << module->edges->count() << " nets\n";
    timer.restart();
    deleteModules(modules);
    out << QStringLiteral("  %1 %2 ms\n").arg(QStringLiteral("teardown"), -26).arg(timer.nsecsElapsed() / 1e6, 9, 'f', 2);
    out << "  peak memory " << peakKiB() / 1024 << " MiB\n";
    return intact ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "clock") == 0)
        return runClock(QString::fromLocal8Bit(argv[2]).toInt());
    if (argc > 1)
        return runOne(QString::fromLocal8Bit(argv[1]).toInt());
    int failures = 0;
    const QList<QStringList> runs = {{"1000"}, {"10000"}, {"100000"}, {"clock", "10000"}, {"clock", "100000"}};
    for (const QStringList &arguments : runs) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(QCoreApplication::applicationFilePath(), arguments);
        one.waitForFinished(-1);
        failures += one.exitStatus() != QProcess::NormalExit || one.exitCode() != 0;
    }
    return failures ? 1 : 0;
}
