// The layout steps and building and painting the scene items on
// generated netlists of
// 1,000, 10,000 and 100,000 gates: logic gates, flip-flops on one clock net,
// feedback through the flip-flops and fan-out. The netlists are
// NetlistGenerator's pipelined shape (tests/graphengine/netlistgenerator.h):
// 32 levels of logic with register banks at levels 8, 16 and 24, so that
// the design grows wide, not deep, with its size. With "deep" before the
// other arguments, the deep family instead: random logic on a level per ten
// gates whose inputs come from anywhere earlier, so that nets run across
// many columns (all sizes: 1,000, 2,000, 5,000, 10,000 and 20,000 gates).
// With "unoptimised" first, random logic as synthesis without optimisation
// leaves it: a level per three gates, each a column of its own, inputs from
// any earlier level and from constants, outputs reading any level (all
// sizes: 2,000, 5,000, 10,000 and 20,000 gates). Prints the time of every step
// (the clustering with its passes and folded gates), a whole second run of
// the driver, the peak memory of the process, and a digest of the columns
// that came out (compare it across changes that must not change the layout).
// Each size runs in a process of its own, so the peaks do not mix.
// Run by hand:
//   build/bench/bench_layout            (all three sizes)
//   build/bench/bench_layout <gates>    (one size)
//   build/bench/bench_layout driver <gates>  (what the viewer pays, in a process
//                                             of its own: the whole driver once, the
//                                             scene items, time and memory per step,
//                                             the scene emptied)
//   build/bench/bench_layout once <gates>  (one size, the first run only: its
//                                           steps, digests and peak memory)
//   build/bench/bench_layout clock <n>  (a clock net of n loads emptied one by one)
//   build/bench/bench_layout verilog <gates> <file>  (the netlist as Verilog, for bench/peers.sh)
//   build/bench/bench_layout deep ...   (any of the above on the deep family)
//   build/bench/bench_layout unoptimised ...  (any of the above on the unoptimised family)
//   build/bench/bench_layout chain <columns>  (the driver on a chain of buffers with
//                                             one net across all of them: Draw Edges
//                                             and every walk along it stay linear)
#include "graphengine/globals.h"
#include "graphengine/layout/marktable.h"
#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "graphengine/scene/clearscene.h"
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
#include <cstring>

using namespace GraphEngine;

namespace {

// Set by a leading "deep" or "unoptimised" argument: that family instead of
// the pipelined one.
enum class Family { Pipelined, Deep, Unoptimised };
Family family = Family::Pipelined;

NetlistGenerator::Shape benchShape(int count)
{
    if (family == Family::Deep)
        return NetlistGenerator::deepShape(count);
    if (family == Family::Unoptimised)
        return NetlistGenerator::unoptimisedShape(count);
    NetlistGenerator::Shape shape;
    shape.gates = count;
    return shape;
}

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

// A digest of the drawing: every gate's X and Y, every net's trunk offset,
// bounds and line records (exact bits), the gaps' widths and the columns'
// right sides, in index order. Equal digests mean the same picture.
quint64 drawingDigest(Module *module)
{
    quint64 digest = 1469598103934665603ull;
    auto mix = [&digest](quint64 value) {
        digest ^= value;
        digest *= 1099511628211ull;
    };
    auto mixDouble = [&mix](double value) {
        quint64 bits = 0;
        memcpy(&bits, &value, sizeof bits);
        mix(bits);
    };
    for (const Gate *gate : module->gates->elements()) {
        mixDouble(gate->x);
        mixDouble(gate->y);
    }
    for (const Edge *net : module->edges->elements()) {
        mixDouble(net->trackOffset);
        mixDouble(net->bounds.x());
        mixDouble(net->bounds.y());
        mixDouble(net->bounds.width());
        mixDouble(net->bounds.height());
        mix(quint64(net->branchLines.size()) << 32 | quint64(net->trunkSegments.size()));
        for (const BranchLine &line : net->branchLines) {
            mixDouble(line.x);
            mixDouble(line.xMin);
            mixDouble(line.xMax);
            for (const QPointF &branch : line.branches) {
                mixDouble(branch.x());
                mixDouble(branch.y());
            }
        }
        for (const TrunkSegment &trunk : net->trunkSegments) {
            mixDouble(trunk.x);
            mixDouble(trunk.top);
            mixDouble(trunk.bottom);
            for (double junction : trunk.junctions)
                mixDouble(junction);
        }
    }
    for (double width : module->edgeColumnWidth)
        mixDouble(width);
    for (double right : module->columnRight)
        mixDouble(right);
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

// A field of /proc/self/status in KiB ("VmHWM:" the peak, "VmRSS:" now);
// -1 where there is no such file.
qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

qint64 peakKiB()
{
    return statusKiB("VmHWM:");
}

void fillScene(QGraphicsScene *scene, Module *module)
{
    for (Gate *gate : module->gates->elements())
        scene->addItem(new GuiGateElement(gate));
    for (Edge *net : module->edges->elements())
        scene->addItem(new GuiEdgeElement(net));
}

void paintScene(QGraphicsScene *scene)
{
    QImage image(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    renderScene(scene, &painter, QRectF(image.rect()), scene->itemsBoundingRect());
}

void printDriverRun(QTextStream &out, const QString &label, qint64 layoutNs, qint64 itemsNs)
{
    out << QStringLiteral("  %1 %2 ms, scene items %3 ms, together %4 ms\n")
               .arg(label, -26)
               .arg(layoutNs / 1e6, 9, 'f', 2)
               .arg(itemsNs / 1e6, 0, 'f', 2)
               .arg((layoutNs + itemsNs) / 1e6, 0, 'f', 2);
}

int runOne(int count, bool firstRunOnly)
{
    QTextStream out(stdout);
    ModuleMap modules;
    Module *module = Module::findOrCreateModule(modules, QStringLiteral("top"), nullptr);
    QElapsedTimer timer;
    timer.start();
    const NetlistGenerator::Shape shape = benchShape(count);
    NetlistGenerator::generate(module, shape, 20261206u);
    const qint64 build = timer.restart();
    const int gatesBuilt = module->gates->count();
    const int netsBuilt = module->edges->count();
    const int netlistGatesBuilt = module->countGatesWithProperty();

    int clusterPasses = 0;
    bool collided = false;
    QString layoutDigestText;
    QString drawingDigestText;
    int clusters = 0;
    int folded = 0;
    int unplaced = 0;
    double bottom = 0.0;
    int gatesDuringRun = 0;
    QGraphicsScene scene;
    struct Step
    {
        const char *name;
        std::function<void()> run;
        // Counted in the layout's time (the driver's steps).
        bool layout = true;
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
        // The driver checks the placement after the Y steps and again
        // before Simplify Graph.
        {"Check collisions", [&] { module->checkCollisions(-1); }},
        {"Shrink Vertical Space", [&] { collided = module->shrinkVerticalSpace(10); }},
        {"Input/Output ports Alignemnt", [&] { module->alignInputOutputPorts(); }},
        {"Compute Edge boundary", [&] { module->computeEdgeBoundaries(); }},
        {"Compute Edge Vertical segments", [&] { module->computeEdgeVerticalSegments(10.0, 10.0); }},
        {"Compute X-coordinate", [&] { module->computeXCoordinates(); }},
        {"Draw Edges", [&] { module->drawEdges(); }},
        // The run's result with its pass-through gates and net pieces, which
        // Simplify Graph removes: not timed.
        {nullptr,
         [&] {
             layoutDigestText = QString::number(layoutDigest(module), 16);
             drawingDigestText = QString::number(drawingDigest(module), 16);
             gatesDuringRun = module->gates->count();
             for (const Gate *gate : module->gates->elements()) {
                 if (!gate)
                     continue;
                 if (gate->isCluster()) {
                     ++clusters;
                     folded += gate->nativeNameCount();
                 }
                 // The placement's result: every Y a number, the height it spans.
                 if (!std::isfinite(gate->y))
                     ++unplaced;
                 else
                     bottom = std::max(bottom, gate->y + gate->rect.height());
             }
         }},
        {"Check collisions", [&] { module->checkCollisions(-1); }},
        {"Simplify Graph", [&] { module->simplifyGraph(); }},
        // What the viewer does with the laid-out module: one scene item per
        // gate and per net, then one paint of the whole scene.
        {"Build scene items", [&] { fillScene(&scene, module); }, false},
        {"Paint scene", [&] { paintScene(&scene); }, false},
    };
    out << "gates " << gatesBuilt << ", nets " << netsBuilt << ", built in " << build << " ms\n";
    module->markValue = 0;
    module->markTable->startRun();
    qint64 layoutNs = 0;
    qint64 sceneNs = 0;
    for (const Step &step : steps) {
        timer.restart();
        step.run();
        const qint64 ns = timer.nsecsElapsed();
        if (!step.name)
            continue;
        if (step.layout)
            layoutNs += ns;
        else if (sceneNs == 0)
            sceneNs = ns;
        out << QStringLiteral("  %1 %2 ms %3 MiB now, %4 MiB peak, %5 gates, %6 nets\n")
                   .arg(QLatin1String(step.name), -38)
                   .arg(ns / 1e6, 9, 'f', 2)
                   .arg(statusKiB("VmRSS:") / 1024, 5)
                   .arg(peakKiB() / 1024, 5)
                   .arg(module->gates->count(), 7)
                   .arg(module->edges->count(), 7);
        out.flush();
    }
    out << "  layout digest " << layoutDigestText << "\n";
    out << "  drawing digest " << drawingDigestText << "\n";
    out << QStringLiteral("  %1 %2 ms (%3 columns, %4 gates during the run, %5 cluster instances of %6 gates, %7 folding passes)\n")
               .arg(QStringLiteral("layout"), -26)
               .arg(layoutNs / 1e6, 9, 'f', 2)
               .arg(module->lastColumn)
               .arg(gatesDuringRun)
               .arg(clusters)
               .arg(folded)
               .arg(clusterPasses);
    out << QStringLiteral("  %1 %2 ms\n").arg(QStringLiteral("layout and scene items"), -26).arg((layoutNs + sceneNs) / 1e6, 9, 'f', 2);
    out << QStringLiteral("  %1 %2 gates without a finite Y, height %3%4\n")
               .arg(QStringLiteral("placement"), -26)
               .arg(unplaced)
               .arg(bottom, 0, 'f', 1)
               .arg(collided ? QStringLiteral(", collisions reported") : QString());
    // The next run changes the nets the items show.
    clearScene(&scene);
    if (firstRunOnly) {
        out << "  peak memory " << peakKiB() / 1024 << " MiB\n";
        deleteModules(modules);
        return 0;
    }
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
    // A whole run of the driver on the module laid out once already, and
    // the viewer's scene items for it.
    // The driver reports each step done: its time and the memory then.
    QStringList againSteps;
    QElapsedTimer stepTimer;
    stepTimer.start();
    const QMetaObject::Connection progress = QObject::connect(module, &Module::renderingProgressing, [&] {
        againSteps << QStringLiteral("%1 ms %2 MiB").arg(stepTimer.restart()).arg(statusKiB("VmRSS:") / 1024);
    });
    timer.restart();
    module->computeLayout(10.0, true, false);
    const qint64 againNs = timer.nsecsElapsed();
    QObject::disconnect(progress);
    timer.restart();
    fillScene(&scene, module);
    const qint64 itemsAgainNs = timer.nsecsElapsed();
    clearScene(&scene);
    printDriverRun(out, QStringLiteral("computeLayout (again)"), againNs, itemsAgainNs);
    // The first report starts the clock.
    out << "    steps: " << againSteps.mid(1).join(QStringLiteral(", ")) << "\n";
    // The run's own gates and net pieces are gone again.
    const bool intact = module->countGatesWithProperty() == netlistGates && module->edges->count() == netsLaidOut;
    if (!intact)
        out << "  the netlist did not come back as it was: " << module->gates->count() << " gates, "
            << module->edges->count() << " nets\n";
    timer.restart();
    deleteModules(modules);
    out << QStringLiteral("  %1 %2 ms\n").arg(QStringLiteral("teardown"), -26).arg(timer.nsecsElapsed() / 1e6, 9, 'f', 2);
    // What the viewer pays for a netlist it has never laid out: the whole
    // driver, its folding passes included, and the scene items.
    {
        ModuleMap freshModules;
        Module *fresh = Module::findOrCreateModule(freshModules, QStringLiteral("top"), nullptr);
        NetlistGenerator::generate(fresh, shape, 20261206u);
        timer.restart();
        fresh->computeLayout(10.0, true, false);
        const qint64 freshNs = timer.nsecsElapsed();
        timer.restart();
        fillScene(&scene, fresh);
        const qint64 freshItemsNs = timer.nsecsElapsed();
        clearScene(&scene);
        printDriverRun(out, QStringLiteral("computeLayout (fresh)"), freshNs, freshItemsNs);
        deleteModules(freshModules);
    }
    out << "  peak memory " << peakKiB() / 1024 << " MiB\n";
    return intact ? 0 : 1;
}

// The whole driver once on a netlist never laid out, in a process that did
// nothing before: the time and memory a viewer pays for a new netlist. The
// driver reports each step as it finishes; the folding step's figure holds
// its passes and the re-runs of the steps before it.
int runDriver(const std::function<void(Module *)> &build)
{
    QTextStream out(stdout);
    ModuleMap modules;
    Module *module = Module::findOrCreateModule(modules, QStringLiteral("top"), nullptr);
    build(module);
    out << "gates " << module->gates->count() << ", nets " << module->edges->count() << ", "
        << peakKiB() / 1024 << " MiB peak before the layout\n";
    // The driver's reports in order; the first only starts its clock.
    const QStringList names = {QString(), "Reset", "Solve InOut", "Add Fake Input", "Remove Loopback",
                               "Order Topologically", "Create Column", "Search Repeating Patterns", "Order Column",
                               "Compute Y-Coordinate", "Compute Y-Coordinate for output ports",
                               "Shrink Vertical Space", "Input/Output ports Alignemnt", "Compute Edge boundary",
                               "Compute Edge Vertical segments", "Compute X-coordinate", "Draw Edges",
                               "Simplify Graph"};
    int reports = 0;
    QElapsedTimer stepTimer;
    int mostGates = 0;
    const QMetaObject::Connection progress = QObject::connect(module, &Module::renderingProgressing, [&] {
        mostGates = std::max(mostGates, module->gates->count());
        const qint64 ms = stepTimer.restart();
        if (reports++ == 0)
            return;
        out << QStringLiteral("  %1 %2 ms %3 MiB now, %4 MiB peak, %5 gates\n")
                   .arg(names.value(reports - 1), -38)
                   .arg(ms, 6)
                   .arg(statusKiB("VmRSS:") / 1024, 5)
                   .arg(peakKiB() / 1024, 5)
                   .arg(module->gates->count(), 7);
        out.flush();
    });
    QElapsedTimer timer;
    timer.start();
    stepTimer.start();
    module->computeLayout(10.0, true, false);
    const qint64 layoutNs = timer.nsecsElapsed();
    QObject::disconnect(progress);
    QGraphicsScene scene;
    timer.restart();
    fillScene(&scene, module);
    const qint64 itemsNs = timer.nsecsElapsed();
    out << "  layout digest " << QString::number(layoutDigest(module), 16) << "\n";
    out << "  drawing digest " << QString::number(drawingDigest(module), 16) << "\n";
    printDriverRun(out, QStringLiteral("computeLayout (driver)"), layoutNs, itemsNs);
    out << QStringLiteral("  %1 %2 (most gates during the run %3)\n")
               .arg(QStringLiteral("columns"), -26)
               .arg(module->lastColumn)
               .arg(mostGates);
    out << "  peak memory " << peakKiB() / 1024 << " MiB\n";
    timer.restart();
    clearScene(&scene);
    out << QStringLiteral("  %1 %2 ms\n").arg(QStringLiteral("scene items removed"), -26).arg(timer.nsecsElapsed() / 1e6, 9, 'f', 2);
    deleteModules(modules);
    return 0;
}

} // namespace

// The generated netlist of `count` gates as Verilog, for the peers.
int writeNetlist(int count, const QString &path)
{
    ModuleMap modules;
    Module *module = Module::findOrCreateModule(modules, QStringLiteral("top"), nullptr);
    const NetlistGenerator::Shape shape = benchShape(count);
    NetlistGenerator::generate(module, shape, 20261206u);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QTextStream(stderr) << "cannot write " << path << ": " << file.errorString() << "\n";
        return 1;
    }
    const QString verilog = module->writeVerilog();
    const QByteArray text = verilog.toUtf8();
    const bool written = file.write(text) == text.size() && file.flush();
    deleteModules(modules);
    if (!written) {
        QTextStream(stderr) << "cannot write " << path << ": " << file.errorString() << "\n";
        return 1;
    }
    return 0;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString familyName = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (familyName == QLatin1String("deep") || familyName == QLatin1String("unoptimised")) {
        family = familyName == QLatin1String("deep") ? Family::Deep : Family::Unoptimised;
        --argc;
        ++argv;
    }
    if (argc > 3 && qstrcmp(argv[1], "verilog") == 0)
        return writeNetlist(QString::fromLocal8Bit(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]));
    if (argc > 2 && qstrcmp(argv[1], "driver") == 0) {
        const int count = QString::fromLocal8Bit(argv[2]).toInt();
        return runDriver([count](Module *module) { NetlistGenerator::generate(module, benchShape(count), 20261206u); });
    }
    if (argc > 2 && qstrcmp(argv[1], "chain") == 0) {
        const int length = QString::fromLocal8Bit(argv[2]).toInt();
        return runDriver([length](Module *module) { NetlistGenerator::chain(module, length); });
    }
    if (argc > 2 && qstrcmp(argv[1], "clock") == 0)
        return runClock(QString::fromLocal8Bit(argv[2]).toInt());
    if (argc > 2 && qstrcmp(argv[1], "once") == 0)
        return runOne(QString::fromLocal8Bit(argv[2]).toInt(), true);
    if (argc > 1)
        return runOne(QString::fromLocal8Bit(argv[1]).toInt(), false);
    int failures = 0;
    QList<QStringList> runs;
    if (family == Family::Pipelined) {
        runs = {{"1000"}, {"10000"}, {"100000"}, {"clock", "10000"}, {"clock", "100000"}};
    } else {
        const QList<int> sizes = family == Family::Deep ? QList<int>{1000, 2000, 5000, 10000, 20000}
                                                        : QList<int>{2000, 5000, 10000, 20000};
        for (int size : sizes)
            runs.append({familyName, QString::number(size)});
    }
    for (const QStringList &arguments : runs) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(QCoreApplication::applicationFilePath(), arguments);
        one.waitForFinished(-1);
        failures += one.exitStatus() != QProcess::NormalExit || one.exitCode() != 0;
    }
    return failures ? 1 : 0;
}
