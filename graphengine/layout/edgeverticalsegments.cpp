// Step "Compute Edge Vertical segments": in each gap between gate columns
// the nets' trunks are packed into parallel slots, the members of a bus side
// by side in one slot, and the gap gets the width its slots need.
#include "edgebundle.h"
#include "layoutsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/marks.h"

#include <QHash>

#include <algorithm>

namespace GraphEngine {

namespace {

using LayoutSupport::tr;
using LayoutSupport::trace;

constexpr double unused = -1e300;
constexpr int preparedSlots = 16;

bool hasMark(const Edge *net, int bit)
{
    return net->marks & (1 << bit);
}

// What names the bundle's bus: the net's own indexed or numbered name, else
// the name of the port that drives it (through a pass-through, the port
// driving that).
Name busNameOf(Edge *net)
{
    if (net->name.hasIndex() || net->netNumber != 0)
        return net->name;
    GatePort *port = net->drivers.isEmpty() ? nullptr : net->drivers.list().first();
    if (!port)
        return Name();
    if (!port->name.isEmpty())
        return Name(port->name);
    if (port->owner && port->owner->kind == BaseEnum::COLPASSTHROUGH) {
        if (GatePort *driver = port->owner->firstDriverGate()) {
            if (!driver->name.isEmpty())
                return Name(driver->name);
        }
    }
    return Name();
}

struct SlotAssignment
{
    int group;
    int slot;
    int position;
};

} // namespace

void EdgeBundle::addEdge(Edge *net)
{
    driverMin = std::min({driverMin, net->driverTop, net->driverBottom});
    driverMax = std::max({driverMax, net->driverTop, net->driverBottom});
    loadMin = std::min({loadMin, net->loadTop, net->loadBottom});
    loadMax = std::max({loadMax, net->loadTop, net->loadBottom});
    edges.append(net);
    if (group != 1)
        return;
    if (net->loads.size() > 3 || net->drivers.isEmpty()) {
        group = 2;
    } else if (net->drivers.size() > 1) {
        const double dLow = std::min(net->driverTop, net->driverBottom);
        const double dHigh = std::max(net->driverTop, net->driverBottom);
        const double lLow = std::min(net->loadTop, net->loadBottom);
        const double lHigh = std::max(net->loadTop, net->loadBottom);
        const bool disjoint = dHigh < lLow || lHigh < dLow;
        if (net->loads.isEmpty() || !disjoint)
            group = 0;
    }
}

EdgeBundle collectBundle(PortPositions::const_iterator &cursor, PortPositions::const_iterator end, int markBit)
{
    EdgeBundle bundle;
    BusSequence run;
    while (cursor != end && hasMark(cursor->second, markBit))
        ++cursor;
    if (cursor == end)
        return bundle;
    Edge *first = cursor->second;
    bundle.addEdge(first);
    run.appendNet(first);
    const int busNumber = first->netNumber != 0 ? first->netNumber : -1;
    for (++cursor; cursor != end; ++cursor) {
        Edge *net = cursor->second;
        if (hasMark(net, markBit))
            continue;
        const bool continues = run.appendNet(net);
        if (!continues && net->netNumber != busNumber)
            break;
        bundle.addEdge(net);
    }
    return bundle;
}

SlotGroup::SlotGroup()
{
    for (int s = 0; s < preparedSlots; ++s)
        appendSlot(0);
}

void SlotGroup::appendSlot(int taken)
{
    lastY.append(unused);
    sequence.emplace_back();
    fill.append(taken);
    width.append(taken);
}

int SlotGroup::allocateSlot(const EdgeBundle &bundle, int &position, double clearance)
{
    position = 0;
    const int size = bundle.edges.size();
    const bool downward = !(bundle.loadMin <= bundle.driverMin) && !(bundle.loadMax <= bundle.driverMax);
    double y0 = bundle.driverMin;
    if (bundle.loadMin <= bundle.driverMin)
        y0 = bundle.loadMin - clearance;
    else if (bundle.loadMax <= bundle.driverMax)
        y0 = bundle.driverMin - clearance;

    Edge *first = bundle.edges.first();
    const Name busName = busNameOf(first);
    // The name that would continue a slot's run: the bus name in the slots
    // that carry its base, else what the slot's run takes from the net.
    // A name without an index continues no run, so most bundles try no slot.
    Name probe;
    if (busName.isNull()) {
        if (first->name.hasIndex() || first->netNumber != 0)
            probe = first->name;
        else if (const GatePort *port = BusSequence::namingPort(first))
            probe = Name(port->name);
    } else {
        probe = busName;
    }
    const bool mayContinue = !probe.isNull() && !(probe.flags() & Name::NoIndex);
    QSet<int> noted;
    if (mayContinue && !busName.isNull()) {
        const QString base = busName.baseText();
        for (auto it = busSlots.lower_bound({base, -1}); it != busSlots.end() && it->first == base; ++it)
            noted.insert(it->second);
    }

    int taken = -1;
    bool shared = false;
    QString sharedBase;
    auto tryTake = [&](int s) {
        int slot = 0;
        const bool continues = mayContinue && (busName.isNull() || noted.contains(s))
                               && sequence[size_t(s)].continuation(probe, &slot) != 0;
        if (continues) {
            sharedBase = sequence[size_t(s)].last.baseText();
            position = fill[s];
            fill[s] += size;
            width[s] = std::max(width[s], fill[s]);
            shared = true;
        } else if (lastY[s] < y0) {
            fill[s] = size;
            width[s] = std::max(width[s], size);
        } else {
            return false;
        }
        taken = s;
        return true;
    };
    if (downward) {
        for (int s = count() - 1; s >= 0 && !tryTake(s); --s) {
        }
    } else {
        for (int s = preparedSlots; s < count() && !tryTake(s); ++s) {
        }
    }
    if (taken < 0) {
        taken = count();
        appendSlot(size);
    }

    if (size >= 2) {
        for (int s = 0; s < taken; ++s) {
            if (lastY[s] != unused)
                lastY[s] = std::max(lastY[s], bundle.driverMax);
        }
        for (int s = taken + 1; s < count(); ++s)
            lastY[s] = std::max(lastY[s], bundle.loadMax);
    }
    lastY[taken] = std::max(bundle.driverMax, bundle.loadMax);

    if (shared && !sharedBase.isEmpty())
        busSlots.insert({sharedBase, taken});
    BusSequence &own = sequence[size_t(taken)];
    own.appendNet(bundle.edges.last());
    busSlots.insert({own.last.isNull() ? QString() : own.last.baseText(), taken});
    return taken;
}

void Module::computeEdgeVerticalSegments(double pitch, double clearance)
{
    edgeColumnWidth = QVector<double>(lastColumn + 1, pitch);
    const int markBit = allocateColor();
    if (markBit < 0) {
        // Without a mark bit no net can be told packed: every trunk stays at
        // the left side of its gap, and the gaps keep their least width.
        for (Edge *net : edges->elements()) {
            if (net)
                net->trackOffset = 0.0;
        }
        traceEnabled = false;
        return;
    }
    edges->setColorMark(markBit, false);

    PortPositions driverYs;
    PortPositions loadYs;
    driverYs.reserve(5456);
    loadYs.reserve(5456);
    for (int c = lastColumn - 1; c >= 0 && c < columnEdges.size(); --c) {
        trace([&] { return tr(" Processing Edge column %1").arg(c); });
        driverYs.clear();
        loadYs.clear();
        for (Edge *net : qAsConst(columnEdges[c])) {
            const double lo = std::min(net->loadTop, net->driverTop);
            const double hi = std::max(net->loadBottom, net->driverBottom);
            if (lo == hi && net->drivers.size() == 1) {
                net->trackOffset = 0.0;
                continue;
            }
            for (const GatePort *port : net->drivers.list()) {
                if (port)
                    driverYs.append({port->owner ? port->owner->y + port->tip.y() : 0.0, net});
            }
            for (const GatePort *port : net->loads.list()) {
                if (port)
                    loadYs.append({port->owner ? port->owner->y + port->tip.y() : 0.0, net});
            }
        }
        const auto byY = [](const PortPosition &a, const PortPosition &b) { return a.first < b.first; };
        std::stable_sort(driverYs.begin(), driverYs.end(), byY);
        std::stable_sort(loadYs.begin(), loadYs.end(), byY);

        PortPositions::const_iterator driverCursor = driverYs.cbegin();
        PortPositions::const_iterator loadCursor = loadYs.cbegin();
        EdgeBundle fromDrivers = collectBundle(driverCursor, driverYs.cend(), markBit);
        EdgeBundle fromLoads = collectBundle(loadCursor, loadYs.cend(), markBit);
        SlotGroup groups[3];
        QHash<Edge *, SlotAssignment> assigned;

        while (!fromDrivers.isEmpty() || !fromLoads.isEmpty()) {
            bool takeDrivers;
            if (fromLoads.isEmpty()) {
                takeDrivers = true;
            } else if (fromDrivers.isEmpty()) {
                takeDrivers = false;
            } else if (fromDrivers.isDownward() && fromLoads.isDownward()) {
                takeDrivers = fromDrivers.driverMin <= fromLoads.driverMin;
            } else if (fromDrivers.isUpward() && fromLoads.isUpward()) {
                takeDrivers = fromDrivers.loadMax <= fromLoads.loadMax;
            } else {
                takeDrivers = std::min(fromDrivers.driverMin, fromDrivers.loadMin)
                              < std::min(fromLoads.driverMin, fromLoads.loadMin);
            }
            const EdgeBundle &bundle = takeDrivers ? fromDrivers : fromLoads;
            const bool downward = bundle.isDownward();
            int position = 0;
            int slot = -1;
            for (Edge *net : bundle.edges) {
                if (!hasMark(net, markBit)) {
                    net->marks |= 1 << markBit;
                    if (slot < 0) {
                        slot = groups[bundle.group].allocateSlot(bundle, position, clearance);
                        if (downward)
                            position += bundle.edges.size() - 1;
                    }
                    assigned.insert(net, SlotAssignment{bundle.group, slot, position});
                    trace([&] {
                        return tr("Edge: %1 (P=%2 S=%3 B=%4")
                            .arg(net->name.toString(false))
                            .arg(bundle.group)
                            .arg(slot)
                            .arg(position);
                    });
                }
                position += downward ? -1 : 1;
            }
            if (takeDrivers)
                fromDrivers = collectBundle(driverCursor, driverYs.cend(), markBit);
            else
                fromLoads = collectBundle(loadCursor, loadYs.cend(), markBit);
        }

        QVector<double> slotX[3];
        double x = pitch;
        for (int g = 0; g < 3; ++g) {
            slotX[g] = QVector<double>(groups[g].count(), 0.0);
            for (int s = 0; s < groups[g].count(); ++s) {
                if (groups[g].lastY[s] == unused)
                    continue;
                slotX[g][s] = x;
                x += pitch;
                if (groups[g].width[s] != 0)
                    x += 10.0;
            }
        }
        edgeColumnWidth[c] = x;

        for (Edge *net : qAsConst(columnEdges[c])) {
            const auto found = assigned.constFind(net);
            if (found == assigned.constEnd())
                continue;
            const SlotAssignment &a = found.value();
            const int n = groups[a.group].width[a.slot] + 1;
            const int t = int(a.position * 100.0 / n);
            net->trackOffset = slotX[a.group][a.slot] + t / 10;
            trace([&] { return tr("Edge %1 offset is %2").arg(net->name.toString(false)).arg(net->trackOffset); });
        }
    }
    edges->setColorMark(markBit, false);
    releaseColor(markBit);
    traceEnabled = false;
}

} // namespace GraphEngine
