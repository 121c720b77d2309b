// A layout that cannot finish: nets whose crossings would take more memory
// than the layout may have are refused before they are made, and an
// allocation that fails half-way through a step ends the run the same way.
// Either way the run says why, leaves the netlist as it was, and the module,
// the graph viewer and the process stay usable.

#include "layoutinvariants.h"
#include "netlistgenerator.h"
#include "viewerfixture.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/marks.h"
#include "graphengine/model/spanarena.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

using namespace ViewerFixture;

namespace {

// Allocations on the test's thread until one fails (-1: none), and those
// made so far: counted by the malloc below, which every allocation of the
// layout reaches (operator new, Qt's containers, the span blocks).
thread_local long allocationsBeforeFailure = -1;
thread_local long allocationsMade = 0;

} // namespace

#ifndef __SANITIZE_ADDRESS__
extern "C" void *__libc_malloc(std::size_t size);

// Replaces the C library's malloc for the whole process; the memory is
// still the C library's, so its free, realloc and the rest go with it.
extern "C" void *malloc(std::size_t size)
{
    ++allocationsMade;
    if (allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0)
        return nullptr;
    return __libc_malloc(size);
}
#endif

namespace {

// The steps as the driver reports them, in order.
const char *const layoutSteps[] = {"Reset",
                                   "Solve InOut",
                                   "Add Fake Input",
                                   "Remove Loopback",
                                   "Order Topologically",
                                   "Create Column",
                                   "Search Repeating Patterns",
                                   "Order Column",
                                   "Compute Y-Coordinate",
                                   "Compute Y-Coordinate for output ports",
                                   "Shrink Vertical Space",
                                   "Input/Output ports Alignemnt",
                                   "Compute Edge boundary",
                                   "Compute Edge Vertical segments",
                                   "Compute X-coordinate",
                                   "Draw Edges",
                                   "Simplify Graph"};

int passThroughs(const Module *module)
{
    int count = 0;
    for (const Gate *gate : module->gates->elements()) {
        if (gate && gate->kind == BaseEnum::COLPASSTHROUGH)
            ++count;
    }
    return count;
}

// A graph state: input a through a chain of `length` buffers to y, and a
// through one buffer to z. Net a runs from the first column to the column
// next to the outputs: it crosses about `length` columns.
UndoFramework::GraphUndoState crossingState(int length)
{
    UndoFramework::GraphUndoState s(UndoFramework::GraphDataBase(), Q_UINT64_C(0x7f0000002000));
    s.moduleName = QStringLiteral("wide");
    s.ports << portRecord(QStringLiteral("a"), 0) << portRecord(QStringLiteral("y"), 1)
            << portRecord(QStringLiteral("z"), 1);
    QString from = QStringLiteral("a");
    for (int i = 0; i < length; ++i) {
        const QString to = i + 1 == length ? QStringLiteral("y") : QStringLiteral("n%1").arg(i);
        s.instances << instanceRecord(QStringLiteral("c%1").arg(i), BaseEnum::BUFFER,
                                      {terminalRecord(QStringLiteral("i"), 0, from, QStringLiteral("A")),
                                       terminalRecord(QStringLiteral("o"), 1, to, QStringLiteral("Out"))});
        from = to;
    }
    s.instances << instanceRecord(QStringLiteral("tap"), BaseEnum::BUFFER,
                                  {terminalRecord(QStringLiteral("i"), 0, QStringLiteral("a"), QStringLiteral("A")),
                                   terminalRecord(QStringLiteral("o"), 1, QStringLiteral("z"), QStringLiteral("Out"))});
    return s;
}

} // namespace

class TestLayoutLimits : public LayoutTestCase
{
    Q_OBJECT

private:
    // The deep family's netlist (nets across many columns) in the module.
    void generateDeep(Module *module, int gates = 300) const
    {
        NetlistGenerator::generate(module, NetlistGenerator::deepShape(gates), 7);
    }

private slots:
    void cleanup()
    {
        Module::setLayoutMemoryLimit(0);
        allocationsBeforeFailure = -1;
        LayoutTestCase::cleanup();
        releaseModuleRegistry();
    }

    void crossingsBeyondTheLimitAreRefused();
    void refusedModuleLaysOutOnceTheLimitAllows();
    void machineFigureStaysWithinTheAddressSpaceLimit();
    void viewerShowsTheRefusalAndStaysUsable();
    void failedAllocationEndsTheRunWithAMessage_data();
    void failedAllocationEndsTheRunWithAMessage();
};

void TestLayoutLimits::crossingsBeyondTheLimitAreRefused()
{
    generateDeep(m);
    const QStringList connections = LayoutInvariants::connectivity(m);
    const int gates = m->gateCount();
    const int nets = m->edges->count();

    // What a layout with room enough makes, on a copy.
    ModuleMap others;
    Module *copy = Module::findOrCreateModule(others, QStringLiteral("top"), nullptr);
    generateDeep(copy);
    copy->computeLayout(10.0, true, true);
    QVERIFY(copy->layoutError().isEmpty());
    const qint64 made = copy->crossingCount;
    QVERIFY2(made > 100, qPrintable(QString::number(made)));
    deleteModules(others);

    // No room: the estimate the refusal names. With the clustering, an
    // ordering of whole nets counts them before the one that makes them;
    // without it, the ordering that makes them counts on once it stops.
    const QRegularExpression refusal(QStringLiteral(
        "^Module top is too large to lay out: its (\\d+) gates and (\\d+) nets would make (\\d+) net crossings, "
        "about (\\d+) MB, and (\\d+) MB can be given to the layout\\.$"));
    // The log quotes the text.
    const QRegularExpression logged(QStringLiteral("too large to lay out"));
    Module::setLayoutMemoryLimit(1);
    QTest::ignoreMessage(QtCriticalMsg, logged);
    m->computeLayout(10.0, true, true);
    QRegularExpressionMatch match = refusal.match(m->layoutError());
    QVERIFY2(match.hasMatch(), qPrintable(m->layoutError()));
    QCOMPARE(match.captured(1).toInt(), gates);
    QCOMPARE(match.captured(2).toInt(), nets);
    const qint64 estimate = match.captured(3).toLongLong();
    QVERIFY2(estimate >= made, qPrintable(QStringLiteral("%1 estimated, %2 made").arg(estimate).arg(made)));
    QCOMPARE(match.captured(4).toLongLong(), (estimate * Module::crossingCost() + (1 << 20) - 1) >> 20);
    QCOMPARE(match.captured(5).toLongLong(), qint64(1));
    // Nothing the run made is left; the netlist is as it was given.
    QCOMPARE(passThroughs(m), 0);
    QCOMPARE(LayoutInvariants::connectivity(m), connections);
    QCOMPARE(NetlistFixture::brokenInvariant(m), QString());
    QVERIFY(!m->gates->layoutDone);
    QCOMPARE(takenColorBits(), quint8(0));
    // The limit holds for the run only: the steps called one by one split
    // every net.
    QCOMPARE(m->crossingLimit, std::numeric_limits<qint64>::max());

    // One crossing short of what the layout needs: the estimate, or what
    // it makes when the ordering that makes them is the first.
    const bool counted = !QCoreApplication::arguments().contains(QStringLiteral("-nocluster"));
    const qint64 needed = counted ? estimate : made;
    Module::setLayoutMemoryLimit(needed * Module::crossingCost() - 1);
    QTest::ignoreMessage(QtCriticalMsg, logged);
    m->computeLayout(10.0, true, true);
    match = refusal.match(m->layoutError());
    QVERIFY2(match.hasMatch(), qPrintable(m->layoutError()));
    if (counted)
        QCOMPARE(match.captured(3).toLongLong(), estimate);
    else
        QVERIFY(match.captured(3).toLongLong() >= made);
    QCOMPARE(passThroughs(m), 0);
    QCOMPARE(LayoutInvariants::connectivity(m), connections);

    // Room enough: laid out.
    Module::setLayoutMemoryLimit(needed * Module::crossingCost());
    m->computeLayout(10.0, true, true);
    QCOMPARE(m->layoutError(), QString());
    QCOMPARE(m->crossingCount, made);
    QCOMPARE(LayoutInvariants::brokenLayout(m, connections), QString());
}

void TestLayoutLimits::refusedModuleLaysOutOnceTheLimitAllows()
{
    // The picture of a module whose first run was refused is the picture
    // of one never refused.
    ModuleMap others;
    Module *reference = Module::findOrCreateModule(others, QStringLiteral("top"), nullptr);
    generateDeep(reference, 500);
    reference->computeLayout(10.0, true, false);
    QVERIFY(reference->layoutError().isEmpty());
    const QStringList picture = LayoutInvariants::geometry(reference);
    deleteModules(others);

    generateDeep(m, 500);
    Module::setLayoutMemoryLimit(1);
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("too large to lay out")));
    m->computeLayout(10.0, true, false);
    QVERIFY(!m->layoutError().isEmpty());
    Module::setLayoutMemoryLimit(0);
    m->computeLayout(10.0, true, false);
    QCOMPARE(m->layoutError(), QString());
    QCOMPARE(LayoutInvariants::geometry(m), picture);
}

void TestLayoutLimits::machineFigureStaysWithinTheAddressSpaceLimit()
{
    const qint64 machine = Module::layoutMemoryAvailable();
    QVERIFY(machine > 0);
    // A figure given for tests replaces the machine's.
    Module::setLayoutMemoryLimit(12345);
    QCOMPARE(Module::layoutMemoryAvailable(), qint64(12345));
    Module::setLayoutMemoryLimit(0);
    QCOMPARE(Module::layoutMemoryAvailable(), machine);
    QVERIFY(Module::crossingCost() > qint64(sizeof(Gate)));

    // Under an address-space limit, never more than the limit leaves
    // beyond what the process has mapped already: in a child, so that the
    // limit does not stay on the test. The limit is set above what is
    // mapped (a sanitizer maps terabytes for itself before main).
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        long long pages = 0;
        FILE *statm = std::fopen("/proc/self/statm", "r");
        if (!statm || std::fscanf(statm, "%lld", &pages) != 1)
            _exit(3);
        std::fclose(statm);
        const rlim_t room = 8ull << 30;
        const rlim_t mapped = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE));
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < mapped + room)
            _exit(0); // a hard limit this low leaves nothing to show
        limit.rlim_cur = mapped + room;
        if (setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(2);
        Module::setLayoutMemoryLimit(qint64(1) << 50);
        const qint64 given = Module::layoutMemoryAvailable();
        _exit(given > 0 && given <= qint64(room) ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TestLayoutLimits::viewerShowsTheRefusalAndStaysUsable()
{
    const UndoFramework::GraphUndoState state = crossingState(60);
    Module::setLayoutMemoryLimit(20 * Module::crossingCost());
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("too large to lay out")));
    GraphViewer viewer(state, nullptr);
    QVERIFY(!viewer.module());
    QCOMPARE(viewer.scene()->items().size(), 0);
    const QString shown = viewer.selectionLabel()->text();
    QVERIFY2(shown.startsWith(QStringLiteral("Module wide is too large to lay out: its 61 gates and 62 nets")),
             qPrintable(shown));
    QVERIFY(viewer.selectionLabel()->width() >= viewer.selectionLabel()->fontMetrics().horizontalAdvance(shown));

    // Loading again reports through the signal as well.
    QSignalSpy errors(&viewer, &GraphViewer::renderingError);
    QSignalSpy designChanged(&viewer, &GraphViewer::designChanged);
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("too large to lay out")));
    viewer.loadModule();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), shown);
    QCOMPARE(designChanged.count(), 0);

    // With room enough the same viewer lays the module out and shows it.
    Module::setLayoutMemoryLimit(0);
    viewer.loadModule();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(designChanged.count(), 1);
    QVERIFY(viewer.module());
    QCOMPARE(viewer.module()->layoutError(), QString());
    QCOMPARE(netlistItems(viewer, GuiGateItem).size(), 61);
    viewer.zoomIn();
    QVERIFY(viewer.search(GuiGateItem, Name(QStringLiteral("tap"))));
}

void TestLayoutLimits::failedAllocationEndsTheRunWithAMessage_data()
{
    QTest::addColumn<int>("report");
    // The failure comes that far into the step's allocations, in percent.
    QTest::addColumn<int>("percent");
    // The driver reports once before "Reset" and after each step: a step
    // runs after as many reports as its place in the pipeline.
    // Without the clustering its step is left out, report and all.
    const bool clustering = !QCoreApplication::arguments().contains(QStringLiteral("-nocluster"));
    int report = 0;
    for (const char *step : layoutSteps) {
        if (!clustering && QLatin1String(step) == QLatin1String("Search Repeating Patterns"))
            continue;
        ++report;
        for (int percent : {2, 15, 30, 45, 60, 75, 90, 99})
            QTest::addRow("%s, %d%%", step, percent) << report << percent;
    }
}

void TestLayoutLimits::failedAllocationEndsTheRunWithAMessage()
{
#ifdef __SANITIZE_ADDRESS__
    QSKIP("AddressSanitizer keeps malloc to itself");
#endif
    QFETCH(int, report);
    QFETCH(int, percent);

    // The picture, and how many allocations each step makes on a module
    // like the one under test (laid out second: the first layout of the
    // process allocates more, for what it keeps).
    ModuleMap others;
    QStringList picture;
    QVector<long> perReport;
    for (const QString &name : {QStringLiteral("first"), QStringLiteral("second")}) {
        Module *reference = Module::findOrCreateModule(others, name, nullptr);
        generateDeep(reference);
        perReport.clear();
        long before = allocationsMade;
        connect(reference, &Module::renderingProgressing, reference, [&] {
            perReport.append(allocationsMade - before);
            before = allocationsMade;
        });
        reference->computeLayout(10.0, true, true);
        perReport.append(allocationsMade - before);
        picture = LayoutInvariants::geometry(reference);
    }
    deleteModules(others);
    QVERIFY(report < perReport.size());
    const long inStep = perReport.at(report);

    generateDeep(m);
    const QStringList connections = LayoutInvariants::connectivity(m);
    const int gates = m->gateCount();
    const int nets = m->edges->count();
    int reported = 0;
    connect(m, &Module::renderingProgressing, m, [&] {
        if (++reported == report)
            allocationsBeforeFailure = inStep * percent / 100;
    });
    // Some allocations fail quietly (the C library's time zone, a span
    // block, which then gives way to the heap): the run goes on then.
    m->computeLayout(10.0, true, true);
    allocationsBeforeFailure = -1;
    disconnect(m, &Module::renderingProgressing, m, nullptr);
    if (m->layoutError().isEmpty()) {
        QCOMPARE(LayoutInvariants::brokenLayout(m, connections), QString());
        QCOMPARE(LayoutInvariants::geometry(m), picture);
        return;
    }
    // The step armed, or the next one when this module's step made fewer
    // allocations; the collision check after a step's report counts as
    // the step's.
    QVERIFY(reported == report || reported == report + 1);
    QStringList reportedSteps;
    for (const char *step : layoutSteps)
        reportedSteps << QString::fromLatin1(step);
    if (QCoreApplication::arguments().contains(QStringLiteral("-nocluster")))
        reportedSteps.removeOne(QStringLiteral("Search Repeating Patterns"));
    QStringList named{reportedSteps.at(reported - 1)};
    if (reported >= 2)
        named << reportedSteps.at(reported - 2);
    const QString prefix = QStringLiteral("Module top could not be laid out: memory ran out in step \"");
    const QString suffix = QStringLiteral("\" (%1 gates, %2 nets).").arg(gates).arg(nets);
    const QString error = m->layoutError();
    QVERIFY2(error.startsWith(prefix) && error.endsWith(suffix)
                 && named.contains(error.mid(prefix.size(), error.size() - prefix.size() - suffix.size())),
             qPrintable(error));
    QCOMPARE(passThroughs(m), 0);
    // Nothing of the crossings is left behind, half made or whole.
    QCOMPARE(SpanArena::liveBlocks(), 0);
    QCOMPARE(takenColorBits(), quint8(0));
    QCOMPARE(LayoutInvariants::connectivity(m), connections);
    QCOMPARE(NetlistFixture::brokenInvariant(m), QString());

    // The module lays out as if nothing had happened.
    m->computeLayout(10.0, true, true);
    QCOMPARE(m->layoutError(), QString());
    QCOMPARE(LayoutInvariants::brokenLayout(m, connections), QString());
    QCOMPARE(LayoutInvariants::geometry(m), picture);
}

int main(int argc, char **argv)
{
    return execWithExtraArgument<QApplication, TestLayoutLimits>(argc, argv);
}

#include "tst_layoutlimits.moc"
