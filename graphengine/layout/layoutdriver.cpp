// The layout driver: it sequences the steps, each in a source file of its
// own, and reports every finished step. The driver holds no step logic.
#include "layoutsupport.h"
#include "marktable.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"

#include "graphengine/model/marks.h"

#include <QCoreApplication>
#include <QMutexLocker>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

namespace GraphEngine {

namespace {

struct LayoutArguments
{
    double spacing = 0.0;
    bool packBuses = false;
    bool preferOpenInput = false;
    // Cleared while the steps before the clustering only need the columns.
    bool splitNets = true;
};

struct LayoutStep
{
    // Translatable in the context "QObject".
    const char *name;
    // Null for a step whose code is not in the pipeline yet: it is reported
    // in its place, so that progress counts and step times stay comparable.
    void (*run)(Module &, const LayoutArguments &);
    // Left out, report included, when the application runs with -nocluster.
    bool clustering = false;
    // The placement is checked for overlapping gates after the step.
    bool checkCollisions = false;
};

const LayoutStep layoutSteps[] = {
    {QT_TRANSLATE_NOOP("QObject", "Reset"), [](Module &m, const LayoutArguments &) { m.resetLayout(); }},
    {QT_TRANSLATE_NOOP("QObject", "Solve InOut"),
     [](Module &m, const LayoutArguments &a) { m.solveInOut(a.packBuses); }},
    {QT_TRANSLATE_NOOP("QObject", "Add Fake Input"),
     [](Module &m, const LayoutArguments &a) { m.addFakeInputs(a.preferOpenInput); }},
    {QT_TRANSLATE_NOOP("QObject", "Remove Loopback"),
     [](Module &m, const LayoutArguments &) { m.removeLoopbacks(); }},
    {QT_TRANSLATE_NOOP("QObject", "Order Topologically"),
     [](Module &m, const LayoutArguments &a) { m.orderTopologically(a.splitNets); }},
    {QT_TRANSLATE_NOOP("QObject", "Create Column"), [](Module &m, const LayoutArguments &) { m.createColumns(); }},
    // Folding numbers the nets of the copies, which lets the groups of the
    // columns before form on the next pass. Run by foldRepeatingPatterns.
    {QT_TRANSLATE_NOOP("QObject", "Search Repeating Patterns"),
     [](Module &m, const LayoutArguments &) {
         m.clusterAllRepeatingPatterns();
     },
     true},
    {QT_TRANSLATE_NOOP("QObject", "Order Column"), [](Module &m, const LayoutArguments &) { m.orderColumns(); }},
    {QT_TRANSLATE_NOOP("QObject", "Compute Y-Coordinate"),
     [](Module &m, const LayoutArguments &a) { m.computeGateYPositionFromHierarchy(a.spacing, a.packBuses, false); }},
    // The placement as the Y steps leave it, before the shrinking moves it:
    // checked here, and again with the pass-throughs after Draw Edges. After
    // Simplify Graph every column is 0 again and a check could not fail.
    {QT_TRANSLATE_NOOP("QObject", "Compute Y-Coordinate for output ports"),
     [](Module &m, const LayoutArguments &a) { m.computeOutputPortY(a.spacing); }, false, true},
    {QT_TRANSLATE_NOOP("QObject", "Shrink Vertical Space"),
     [](Module &m, const LayoutArguments &a) { m.shrinkVerticalSpace(int(a.spacing)); }},
    {QT_TRANSLATE_NOOP("QObject", "Input/Output ports Alignemnt"), [](Module &m, const LayoutArguments &) { m.alignInputOutputPorts(); }},
    {QT_TRANSLATE_NOOP("QObject", "Compute Edge boundary"),
     [](Module &m, const LayoutArguments &) { m.computeEdgeBoundaries(); }},
    {QT_TRANSLATE_NOOP("QObject", "Compute Edge Vertical segments"),
     [](Module &m, const LayoutArguments &a) { m.computeEdgeVerticalSegments(a.spacing, a.spacing); }},
    {QT_TRANSLATE_NOOP("QObject", "Compute X-coordinate"),
     [](Module &m, const LayoutArguments &) { m.computeXCoordinates(); }},
    {QT_TRANSLATE_NOOP("QObject", "Draw Edges"), [](Module &m, const LayoutArguments &) { m.drawEdges(); }},
};

const char *const simplifyStep = QT_TRANSLATE_NOOP("QObject", "Simplify Graph");

double clampedSpacing(double spacing)
{
    // NaN fails the first test as well.
    if (!(spacing > 0.0))
        return 0.0;
    return std::min(spacing, 36.0);
}

// Folds like gates until a layout of the folded netlist folds nothing more.
// Folding replaces gates by cluster instances, so the steps before it laid
// out another netlist than the one the run leaves: they run again on the
// folded netlist, as the next run will, before the clustering looks again.
// Those runs only need the columns, so they leave the nets whole: no
// pass-through gates are made just to be deleted by the next run. Once they
// fold nothing, one run splits the nets, as the steps after the clustering
// need them; when that one folds something too, the passes go on. The run
// thus ends as a second run starts and ends: whole nets folding nothing,
// then split nets folding nothing.
// False when a run that splits the nets would make more crossings than the
// layout may: the run of whole nets before it counted them, on the same
// netlist, so such a run is not even started.
bool foldRepeatingPatterns(Module &module, LayoutArguments &arguments, const LayoutStep *front,
                           const LayoutStep *clustering)
{
    for (;;) {
        const int before = module.gates->count();
        clustering->run(module, arguments);
        const bool folded = module.gates->count() != before;
        if (!folded && arguments.splitNets)
            return true;
        module.simplifyGraph();
        arguments.splitNets = !folded;
        if (arguments.splitNets && module.crossingCount > module.crossingLimit)
            return false;
        for (const LayoutStep *step = front; step != clustering; ++step)
            step->run(module, arguments);
        if (module.crossingsRefused)
            return false;
    }
}

bool clusteringDisabled()
{
    return QCoreApplication::arguments().contains(QStringLiteral("-nocluster"));
}

qint64 injectedMemoryLimit = 0;

// What the process's address-space limit leaves, or -1 without a limit.
qint64 addressSpaceLeft()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return -1;
    qint64 used = 0;
    // The first figure of statm: the pages the process has mapped.
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        long long pages = 0;
        if (std::fscanf(statm, "%lld", &pages) == 1)
            used = pages * sysconf(_SC_PAGESIZE);
        std::fclose(statm);
    }
    return std::max<qint64>(0, qint64(limit.rlim_cur) - used);
}

qint64 megabytes(qint64 bytes)
{
    return (bytes + (1 << 20) - 1) >> 20;
}

} // namespace

void Module::setLayoutMemoryLimit(qint64 bytes)
{
    injectedMemoryLimit = std::max<qint64>(0, bytes);
}

qint64 Module::layoutMemoryAvailable()
{
    qint64 available = injectedMemoryLimit;
    if (available == 0) {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        available = pages > 0 && pageSize > 0 ? qint64(pages) * pageSize / 2 : std::numeric_limits<qint64>::max();
    }
    const qint64 left = addressSpaceLeft();
    return left >= 0 ? std::min(available, left) : available;
}

void Module::computeLayout(double spacing, bool packBuses, bool preferOpenInput)
{
    QMutexLocker locker(&mutex);
    // Steps switch the trace off as they finish; the caller's setting is
    // back when the run ends.
    const bool tracing = traceEnabled;
    // A message names the design as it was given.
    const int designGates = gateCount();
    const int designNets = edges->count();
    const quint8 colours = takenColorBits();
    const char *step = layoutSteps[0].name;
    m_layoutError.clear();
    crossingCount = 0;
    crossingsRefused = false;
    const qint64 available = layoutMemoryAvailable();
    crossingLimit = available / crossingCost();
    try {
        if (!runLayoutSteps(spacing, packBuses, preferOpenInput, &step)) {
            abandonLayout(tr("Module %1 is too large to lay out: its %2 gates and %3 nets would make %4 net "
                             "crossings, about %5 MB, and %6 MB can be given to the layout.")
                              .arg(name)
                              .arg(designGates)
                              .arg(designNets)
                              .arg(crossingCount)
                              .arg(megabytes(crossingCount * crossingCost()))
                              .arg(megabytes(available)));
        }
    } catch (const std::bad_alloc &) {
        // The walks cut short never gave their mark bits back.
        restoreColorBits(colours);
        abandonLayout(tr("Module %1 could not be laid out: memory ran out in step \"%2\" (%3 gates, %4 nets).")
                          .arg(name, QCoreApplication::translate("QObject", step))
                          .arg(designGates)
                          .arg(designNets));
    }
    crossingLimit = std::numeric_limits<qint64>::max();
    traceEnabled = tracing;
}

bool Module::runLayoutSteps(double spacing, bool packBuses, bool preferOpenInput, const char **currentStep)
{
    markValue = 0;
    markTable->count = 0;
    const bool withoutClustering = clusteringDisabled();
    LayoutArguments arguments{clampedSpacing(spacing), packBuses, preferOpenInput, withoutClustering};
    markTable->startRun();
    edges->layoutDone = 0;
    gates->layoutDone = 0;
    reportStep(QString(), true);

    for (const LayoutStep &step : layoutSteps) {
        if (step.clustering && withoutClustering)
            continue;
        *currentStep = step.name;
        if (step.clustering) {
            if (!foldRepeatingPatterns(*this, arguments, layoutSteps, &step))
                return false;
        } else if (step.run) {
            step.run(*this, arguments);
        }
        // Without the clustering, the only ordering splits the nets.
        if (crossingsRefused)
            return false;
        reportStep(QCoreApplication::translate("QObject", step.name), false);
        if (step.checkCollisions)
            checkCollisions(-1);
    }

    *currentStep = simplifyStep;
    checkCollisions(-1);
    traceEnabled = false;
    simplifyGraph();
    traceEnabled = false;
    reportStep(QCoreApplication::translate("QObject", simplifyStep), false);

    edges->layoutDone = 1;
    gates->layoutDone = 1;
    return true;
}

void Module::abandonLayout(const QString &reason)
{
    m_layoutError = reason;
    logCritical(reason);
    traceEnabled = false;
    edges->layoutDone = 0;
    gates->layoutDone = 0;
    // The crossings made go, and with them the net pieces; the column lists
    // would point at them.
    try {
        simplifyGraph();
    } catch (const std::bad_alloc &) {
        // Still short: the pass-throughs go with the next layout's reset or
        // with the module.
    }
    columnGates.clear();
    orderedColumns.clear();
    columnEdges.clear();
    columnFills.clear();
    pieceNumbers.clear();
    wholeNetSpans.clear();
}

void Module::reportStep(const QString &step, bool restartOnly)
{
    measureTime(tr("%1: %2").arg(name, step), restartOnly);
    emit renderingProgressing();
}

void Module::simplifyGraph()
{
    gates->removeFromModule();
    edges->dropListedNets();
    edges->restorePortOrder();
}

void Module::setFlagOnAll(int colour, bool value)
{
    gates->setColorMark(colour, value);
    edges->setColorMark(colour, value);
}

} // namespace GraphEngine
