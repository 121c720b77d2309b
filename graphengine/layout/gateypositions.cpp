// Step "Compute Y-Coordinate": every gate gets its Y. The columns are taken
// from the outputs back to the inputs; a gate reached from a load is placed
// level with that load's input pin (a straight wire), or below its column's
// lowest gate when that place is taken, with the chain it is aligned to
// moved down along with it.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/marks.h"

#include <QVarLengthArray>

#include <cmath>
#include <vector>

namespace GraphEngine {

using namespace LayoutSupport;

namespace {

constexpr double NothingPlaced = -1e300;

quintptr tagged(const Gate *gate)
{
    return reinterpret_cast<quintptr>(gate) | 1;
}

// |a - b| * 10^12 <= min(|a|, |b|)
bool relativelyEqual(double a, double b)
{
    return std::abs(a - b) * 1e12 <= std::min(std::abs(a), std::abs(b));
}

// The input-side ports a placement follows; most gates (every pass-through)
// have a few, which need no allocation of their own.
using SelectedPorts = QVarLengthArray<GatePort *, 4>;

// One placement in progress: the gate of a port, reached from a load's
// input port or as a root, and the state of its driver exploration.
struct Placement
{
    Placement() = default;
    Placement(GatePort *port, GatePort *fromPort, bool setLink, bool singlePath)
        : port(port)
        , fromPort(fromPort)
        , setLink(setLink)
        , singlePath(singlePath)
    {
    }

    GatePort *port = nullptr;
    GatePort *fromPort = nullptr;
    bool setLink = false;
    bool singlePath = false;
    Gate *gate = nullptr;
    enum Phase { Place, BeginPass, Walk } phase = Place;
    int pass = 1;
    SelectedPorts selected;
    int portIndex = 0;
    int driverIndex = 0;
    bool first = false;
    bool metMultiDriver = false;
};

// The input-side ports whose nets are followed to their drivers on this
// pass: a net once it has been visited more often than half its loads, a
// bus run by the sums over the run.
SelectedPorts selectPorts(Gate *gate)
{
    SelectedPorts selected;
    SelectedPorts run;
    int sumLoads = 0;
    int sumVisits = 0;
    BusSequence sequence;
    auto closeRun = [&] {
        if (sumLoads / 2 < sumVisits)
            selected.append(run.constData(), run.size());
        run.clear();
        sumLoads = 0;
        sumVisits = 0;
    };
    gate->ports.ensureSorted(false);
    const bool lone = gate->ports.constBegin(0) - gate->ports.constBegin(3) == 1;
    for (auto it = gate->ports.constBegin(3), end = gate->ports.constBegin(0); it != end; ++it) {
        GatePort *p = *it;
        if (!p || !p->net)
            continue;
        Edge *net = p->net;
        int loads = net->loads.size();
        if (loads == 2) {
            const GatePort *a = net->loads.at(0);
            const GatePort *b = net->loads.at(1);
            if (a && b && a->owner && !isPassThrough(a->owner) && isPassThrough(b->owner))
                loads = 1;
        }
        net->loadTop += 1.0;
        const int visits = int(net->loadTop);
        // A lone port is a run of its own (a pass-through's input): its
        // name need not be read.
        if (!lone && !sequence.append(Name(p->name)))
            closeRun();
        sumLoads += loads;
        sumVisits += visits;
        if (!run.contains(p))
            run.append(p);
    }
    closeRun();
    return selected;
}

} // namespace

void Module::computeGateYPositionFromHierarchy(double spacing, bool packBuses, bool correction)
{
    Q_UNUSED(correction)
    trace([] { return tr(" START Gate Y-positionning : %1").arg(tr(" Initial positionning")); });
    const int positioned = allocateColor();
    const int explored = allocateColor();
    // Both bits go in one walk: the index lists every pass-through, and
    // each walk of it follows a million scattered nodes.
    const int clearedBits = (positioned >= 0 && positioned <= 7 ? 1 << positioned : 0)
                            | (explored >= 0 && explored <= 7 ? 1 << explored : 0);
    if (clearedBits) {
        gates->forEachElementCopied([clearedBits](Gate *gate) {
            if (gate)
                gate->marks &= ~clearedBits;
        });
    }

    const int n = std::max(0, lastColumn);
    columnBottomY = QVector<double>(n + 1, NothingPlaced);
    columnBottomGate = QVector<Gate *>(n + 1, nullptr);
    columnInputYs = QVector<QVector<double>>(n + 1);
    columnOutputYs = QVector<QVector<double>>(n + 1);
    // Room for two ports a gate (every pass-through has two), up to 8188
    // entries: a long chain has as many columns as gates, and a fixed
    // reserve per column would not fit. Counted without reading the gates,
    // which lie scattered; a column of larger gates grows its lists.
    for (int c = 0; c < n && c < columnGates.size(); ++c) {
        const int ports = int(std::min<qint64>(8188, 2 * qint64(columnGates.at(c).size())));
        columnInputYs[c].reserve(ports);
        columnOutputYs[c].reserve(ports);
    }

    const bool marksHeld = positioned >= 0 && explored >= 0;
    if (columnGates.size() > n) {
        for (Gate *g : qAsConst(columnGates[n])) {
            const GatePort *driver = g ? g->firstDriverGate() : nullptr;
            Gate *owner = driver ? driver->owner : nullptr;
            if (owner && (owner->baseKind() == BUFFER || owner->baseKind() == INVERTER))
                ++owner->holdCount;
        }
    }

    for (int c = std::min(n, orderedColumns.size() - 1); c >= 1; --c) {
        const QList<Gate *> column = orderedColumns.at(c);
        for (Gate *g : column) {
            if (!g || hasMark(g, explored))
                continue;
            if (!marksHeld) {
                // Without the two marks the walk could not end: the gates
                // are stacked in their column order instead.
                const double bottom = columnBottomY.at(c);
                g->y = columnBottomGate.at(c) ? bottom + extentOf(columnBottomGate.at(c)) + spacing : 0.0;
                columnBottomY[c] = g->y;
                columnBottomGate[c] = g;
                continue;
            }
            if (c == n) {
                const GatePort *driver = g->firstDriverGate();
                if (driver && driver->owner)
                    --driver->owner->holdCount;
            } else {
                g->holdCount = 0;
            }
            trace([] { return tr("================ Module::computeGateYPositionFromHierarchy ================ "); });
            trace([&] { return tr("Start at: %1").arg(nameOf(g)); });
            g->ports.ensureSorted(false);
            if (!g->ports.isEmpty()) {
                positionGateRecursive(g->ports.first(), nullptr, true, positioned, explored, spacing, packBuses,
                                      false);
                continue;
            }
            // A gate without ports: under the lowest gate, or at the top of
            // an empty column.
            Gate *bottomGate = columnBottomGate.at(c);
            trace([&] { return tr("--Previous max  %1 = %2").arg(c).arg(number(columnBottomY.at(c))); });
            g->y = bottomGate ? columnBottomY.at(c) + extentOf(bottomGate) + spacing : 0.0;
            columnBottomY[c] = g->y;
            columnBottomGate[c] = g;
            setMark(g, positioned);
            setMark(g, explored);
        }
    }

    releaseColor(explored);
    releaseColor(positioned);
    traceEnabled = false;
}

void Module::positionGateRecursive(GatePort *port, GatePort *fromPort, bool setLink, int positionedMark,
                                   int exploredMark, double spacing, bool packBuses, bool singlePath)
{
    // Signal chains can be as long as the netlist: the placements in
    // progress are kept on a stack of their own, in the order the nested
    // calls would take them.
    std::vector<Placement> stack;
    stack.emplace_back(port, fromPort, setLink, singlePath);

    // Step 8: the gate has its Y; its drivers wait while it is held.
    auto settle = [&](Gate *g) -> bool {
        trace([&] { return tr("Set Positionned: %1").arg(nameOf(g)); });
        setMark(g, positionedMark);
        if (g->holdCount > 0) {
            trace([&] { return tr("stop recursion at %1 due to %2").arg(nameOf(g)).arg(g->holdCount); });
            return false;
        }
        return true;
    };

    // Steps 1 to 8 for the top placement; false when the gate's drivers are
    // not to be explored.
    auto place = [&](Placement &p) -> bool {
        Gate *g = p.port ? p.port->owner : nullptr;
        p.gate = g;
        if (!g)
            return false;
        if (!isPassThrough(g))
            p.singlePath = false;
        if (hasMark(g, positionedMark)) {
            if (g->holdCount > 0) {
                trace([&] { return tr("stop recursion at %1 due to %2").arg(nameOf(g)).arg(g->holdCount); });
                return false;
            }
            return true;
        }
        trace([&] { return tr("Process Current Gate: %1").arg(nameOf(g)); });
        g->link = 0;
        const int c = g->column;
        if (c < 0 || c >= columnBottomY.size())
            return false;
        Gate *from = p.fromPort ? p.fromPort->owner : nullptr;
        const double bottom = columnBottomY.at(c);
        Gate *bottomGate = columnBottomGate.at(c);
        // Nothing placed in the column yet: it starts at 0 and nothing in
        // it can overlap.
        const bool emptyColumn = !bottomGate && bottom == NothingPlaced;
        double extent = extentOf(bottomGate);
        double gap = (c >= 2 && c < lastColumn) ? spacing : 0.0;
        if (from && from->kind == OUTPUTPORT && isPassThrough(g) && isPassThrough(bottomGate))
            gap = from->rect.height() + 1.0;
        const bool busMode = c == lastColumn || (packBuses && g->samePassThroughNet(bottomGate));
        if (busMode) {
            gap = 1.0;
            extent = 1.0;
        }
        const double minY = emptyColumn ? 0.0 : (busMode ? bottom + 2.0 : bottom + extent + gap);
        const double tip = p.port->tip.y();

        double y = 0.0;
        if (p.fromPort) {
            y = (from ? from->y + p.fromPort->tip.y() : 0.0) - tip;
            if (p.setLink && from)
                g->link = reinterpret_cast<quintptr>(from);
        } else if (c < lastColumn) {
            y = minY;
            if (!alignToPositionedLoads(g, y, positionedMark) && !busMode && g->hasFanout())
                y += portClearance(g, y, spacing);
        } else {
            lastColumnBus.appendGatePort(g);
            y = 0.0;
            columnBottomY[c] = 0.0;
            placeFromDrivers(g, y, positionedMark, true);
            if (packBuses && !relativelyEqual(y, minY)) {
                lastColumnBus.flush(true);
                lastColumnBus.appendGatePort(g);
            }
            g->y = y;
            g->row = -1;
            trace([&] { return tr("Align %1 : %2 (in space = %3)").arg(nameOf(g), number(y)).arg(1); });
            return settle(g);
        }

        g->y = y;
        g->row = -1;
        trace([&] { return tr("Align %1 : %2 (in space = %3)").arg(nameOf(g), number(y)).arg(0); });
        double overlap = emptyColumn ? 0.0 : minY - y;
        // Where no gap is kept under the bottom gate (a packed bus bit),
        // minY is where that gate ends.
        if (overlap > 0 && minY == bottom + extentOf(bottomGate))
            extendToReach(y, overlap, minY);
        bool registered = false;
        if (packBuses && c == 1 && columnOneBus.appendGatePort(g) && bottomGate) {
            // The next member of an input bus sits right under the previous.
            const GatePort *output = g->portAt(0, 0);
            g->y = output && output->isConnected() ? bottom + 2.0 : y - extent - gap + 2.0;
        } else if (overlap > 0) {
            // The chain the gate is aligned to, from the gate on.
            bool reachesOutput = false;
            for (Gate *u = g; u && !reachesOutput; u = followedLink(u))
                reachesOutput = u->kind == OUTPUTPORT;
            const bool stopAtBottom = overlap > 100.0 * spacing && !reachesOutput;
            if (gap == 1.0) {
                trace([] { return tr(" Maintening Bus Structure: Move by 2"); });
            } else {
                Gate *lastTested = nullptr;
                for (Gate *u = g; u; u = followedLink(u)) {
                    const int cu = u->column;
                    if (cu < 0 || cu >= columnBottomY.size())
                        break;
                    if (stopAtBottom && u->y == columnBottomY.at(cu))
                        break;
                    Gate *uBottom = columnBottomGate.at(cu);
                    if (uBottom != u) {
                        const double need = columnBottomY.at(cu) + extentOf(uBottom)
                            + ((cu >= 2 && cu < lastColumn) ? spacing : 0.0) - (u->y + overlap);
                        if (need > 0) {
                            trace([&] {
                                return tr("Expand Offset by %1. Overlap detected for %2").arg(number(need), nameOf(u));
                            });
                            overlap += need;
                        }
                    }
                    lastTested = u;
                }
                if (lastTested) {
                    const double d = portClearance(lastTested, lastTested->y + overlap, spacing);
                    if (d > 0) {
                        overlap += d;
                        trace([&] {
                            return tr("Expand Offset by %1. Outputs ports are too close to following input one.")
                                .arg(number(d));
                        });
                    }
                }
            }
            trace([&] { return tr("Move Down by %1").arg(number(overlap)); });
            QSet<Gate *> visited;
            const double aligned = g->y;
            repositionColumn(g, g, overlap, stopAtBottom, positionedMark, visited, int(spacing));
            registered = g->y != aligned;
            // A refused move would leave the gate on top of the column's
            // lowest gate: it goes under it instead, unaligned.
            if (!registered)
                g->y = minY;
        }
        if (!registered) {
            if (c < lastColumn)
                registerAllPortYs(g);
            settleColumnBottom(this, c, g);
            trace([&] { return tr("-Previous max  %1 = %2").arg(c).arg(number(columnBottomY.at(c))); });
        }
        return settle(g);
    };

    while (!stack.empty()) {
        Placement &p = stack.back();
        if (p.phase == Placement::Place) {
            if (!place(p) || hasMark(p.gate, exploredMark)) {
                stack.pop_back();
                continue;
            }
            setMark(p.gate, exploredMark);
            p.phase = Placement::BeginPass;
        }
        if (p.phase == Placement::BeginPass) {
            p.selected = selectPorts(p.gate);
            p.portIndex = 0;
            p.driverIndex = 0;
            p.first = p.setLink;
            p.metMultiDriver = false;
            p.phase = Placement::Walk;
        }

        // Walk the selected ports until a driver is to be placed (pushed,
        // and this walk resumes after it) or the pass ends.
        Placement child;
        bool descend = false;
        bool passEnded = false;
        bool explorationEnded = false;
        while (!descend && !passEnded) {
            if (p.portIndex >= p.selected.size()) {
                passEnded = true;
                break;
            }
            GatePort *input = p.selected.at(p.portIndex);
            Edge *net = input->net;
            if (!net) {
                ++p.portIndex;
                continue;
            }
            if (p.driverIndex == 0) {
                const int k = net->drivers.size();
                if (k >= 2) {
                    p.metMultiDriver = true;
                } else if (k == 1 && p.metMultiDriver) {
                    passEnded = true;
                    break;
                }
            }
            const int i = p.driverIndex;
            if (i >= net->drivers.size() || (p.pass == 1 && i >= 1)) {
                ++p.portIndex;
                p.driverIndex = 0;
                continue;
            }
            ++p.driverIndex;
            if (p.pass == 1 && p.singlePath) {
                // Only the first driver of the first port is followed.
                explorationEnded = true;
            }
            GatePort *driver = net->drivers.at(i);
            Gate *dg = driver ? driver->owner : nullptr;
            bool nextPort = false;
            if (dg) {
                if (p.pass == 2 && dg->holdCount > 0) {
                    nextPort = true;
                } else if (i == 1 && dg->baseKind() == FLOP) {
                    nextPort = true;
                } else if (!hasMark(dg, exploredMark)) {
                    child = Placement(driver, input, p.first, p.pass == 1);
                    p.first = false;
                    descend = true;
                }
            }
            if (nextPort) {
                ++p.portIndex;
                p.driverIndex = 0;
            }
            if (explorationEnded && !descend)
                break;
        }

        if (explorationEnded) {
            // The placement of the child (if any) still runs, then nothing
            // more of this gate.
            stack.pop_back();
            if (descend)
                stack.push_back(child);
            continue;
        }
        if (descend) {
            stack.push_back(child);
            continue;
        }
        if (passEnded) {
            if (p.pass == 1 && p.metMultiDriver) {
                p.pass = 2;
                p.phase = Placement::BeginPass;
            } else {
                stack.pop_back();
            }
        }
    }
}

bool Module::alignToPositionedLoads(Gate *gate, double &y, int positionedMark)
{
    bool anyLoads = false;
    gate->ports.ensureSorted(false);
    for (auto it = gate->ports.constBegin(0), end = gate->ports.constEnd(0); it != end; ++it) {
        const GatePort *p = *it;
        if (!p || !p->net || p->net->loads.isEmpty())
            continue;
        anyLoads = true;
        bool found = false;
        double best = 0.0;
        for (const GatePort *lp : p->net->loads.list()) {
            const Gate *lg = lp ? lp->owner : nullptr;
            if (!lg || !hasMark(lg, positionedMark))
                continue;
            const double candidate = lg->y + lp->tip.y() - p->tip.y();
            if (candidate > y && (!found || candidate < best)) {
                best = candidate;
                found = true;
            }
        }
        if (found) {
            y = best;
            return true;
        }
    }
    if (y == NothingPlaced && !anyLoads)
        y = 0.0;
    return false;
}

// Through the pass-throughs of a chain on a stack of its own (a chain may
// cross a hundred thousand columns): a frame per gate on the walk, each
// taking the first input-side port whose drivers give a place.
bool Module::placeFromDrivers(Gate *gate, double &y, int mark, bool onlyPositionedBelow)
{
    struct Frame
    {
        Gate *gate;
        PortSet::const_iterator port;
        PortSet::const_iterator end;
        int driver;
        bool found;
        double best;
    };
    // Every gate of the walk is placed against the Y the walk started from.
    const double from = y;
    std::vector<Frame> stack;
    auto enter = [&stack](Gate *g) {
        g->ports.ensureSorted(false);
        stack.push_back({g, g->ports.constBegin(3), g->ports.constBegin(0), 0, false, 0.0});
    };
    auto take = [](Frame &frame, double candidate) {
        if (!frame.found || candidate < frame.best)
            frame.best = candidate;
        frame.found = true;
    };
    enter(gate);
    // What the frame just left gave its caller.
    bool returned = false;
    bool returnedFound = false;
    double returnedBest = 0.0;
    for (;;) {
        Frame &frame = stack.back();
        if (returned) {
            returned = false;
            const GatePort *p = *frame.port;
            const Gate *dg = p->net->drivers.at(frame.driver - 1)->owner;
            if (returnedFound)
                take(frame, returnedBest - p->tip.y());
            frame.gate->link = (dg->link & 1) ? dg->link : quintptr(1);
            continue;
        }
        bool done = frame.port == frame.end;
        const GatePort *p = done ? nullptr : *frame.port;
        if (!done && (!p || !p->net || frame.driver >= p->net->drivers.size())) {
            if (frame.found) {
                done = true;
            } else {
                ++frame.port;
                frame.driver = 0;
                continue;
            }
        }
        if (done) {
            returnedFound = frame.found;
            returnedBest = frame.best;
            stack.pop_back();
            if (stack.empty()) {
                if (returnedFound)
                    y = returnedBest;
                return returnedFound;
            }
            returned = true;
            continue;
        }
        const GatePort *dp = p->net->drivers.at(frame.driver++);
        Gate *dg = dp ? dp->owner : nullptr;
        if (!dg)
            continue;
        bool passThroughCase = false;
        if (onlyPositionedBelow) {
            if (hasMark(dg, mark)) {
                const double candidate = dg->y + dp->tip.y() - p->tip.y();
                if (candidate > from) {
                    take(frame, candidate);
                    frame.gate->link = tagged(dg);
                }
            } else {
                passThroughCase = true;
            }
        } else {
            const GatePort *feed = isPassThrough(dg) ? dg->constPortAt(2, 0) : nullptr;
            if (!isPassThrough(dg) || (feed && feed->net && feed->net->loads.size() >= 2)) {
                take(frame, dg->y + dp->tip.y() - p->tip.y());
                frame.gate->link = tagged(dg);
            } else {
                passThroughCase = true;
            }
        }
        if (!passThroughCase)
            continue;
        frame.gate->link = tagged(dg);
        if (isPassThrough(dg)) {
            // The frame reference dies with the push; the caller resumes
            // from its driver index.
            enter(dg);
            continue;
        }
        frame.gate->link = (dg->link & 1) ? dg->link : quintptr(1);
    }
}

} // namespace GraphEngine
