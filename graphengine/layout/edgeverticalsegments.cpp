// Step "Compute Edge Vertical segments": in each gap between gate columns
// the nets' trunks are packed into parallel slots, the members of a bus side
// by side in one slot, and the gap gets the width its slots need.
#include "edgebundle.h"
#include "layoutsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/marks.h"

#include <functional>

#include <QVarLengthArray>

#include <algorithm>
#include <limits>

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

void SlotHeights::grow()
{
    std::vector<double> values(static_cast<size_t>(m_size));
    for (int i = 0; i < m_size; ++i)
        values[size_t(i)] = at(i);
    m_capacity = std::max(64, 2 * m_capacity);
    m_lowest.assign(size_t(2 * m_capacity), std::numeric_limits<double>::infinity());
    m_raise.assign(size_t(m_capacity), -std::numeric_limits<double>::infinity());
    for (int i = 0; i < m_size; ++i)
        m_lowest[size_t(m_capacity + i)] = values[size_t(i)];
    for (int node = m_capacity - 1; node >= 1; --node)
        m_lowest[size_t(node)] = std::min(m_lowest[size_t(2 * node)], m_lowest[size_t(2 * node + 1)]);
}

void SlotHeights::append(double y)
{
    if (m_size == m_capacity)
        grow();
    ++m_size;
    set(m_size - 1, y);
}

double SlotHeights::at(int slot) const
{
    const int leaf = m_capacity + slot;
    double y = m_lowest[size_t(leaf)];
    for (int node = leaf >> 1; node >= 1; node >>= 1)
        y = std::max(y, m_raise[size_t(node)]);
    return y;
}

void SlotHeights::apply(int node, double y)
{
    m_lowest[size_t(node)] = std::max(m_lowest[size_t(node)], y);
    if (node < m_capacity)
        m_raise[size_t(node)] = std::max(m_raise[size_t(node)], y);
}

void SlotHeights::push(int node)
{
    const double y = m_raise[size_t(node)];
    if (y == -std::numeric_limits<double>::infinity())
        return;
    apply(2 * node, y);
    apply(2 * node + 1, y);
    m_raise[size_t(node)] = -std::numeric_limits<double>::infinity();
}

void SlotHeights::set(int slot, double y)
{
    const int leaf = m_capacity + slot;
    int height = 0;
    while ((m_capacity >> height) > 1)
        ++height;
    for (int h = height; h > 0; --h)
        push(leaf >> h);
    m_lowest[size_t(leaf)] = y;
    for (int node = leaf >> 1; node >= 1; node >>= 1)
        m_lowest[size_t(node)] = std::min(m_lowest[size_t(2 * node)], m_lowest[size_t(2 * node + 1)]);
}

void SlotHeights::raise(int first, int last, double y)
{
    if (first >= last)
        return;
    // Top-down over the nodes [from, to) of each level; the partly covered
    // ones take their pending raise down first and their minimum back up.
    struct Range
    {
        int node, from, to;
    };
    // At most two nodes per level are partly covered, or waiting.
    Range stack[128];
    int depth = 0;
    stack[depth++] = {1, 0, m_capacity};
    int partial[128];
    int partials = 0;
    while (depth > 0) {
        const Range r = stack[--depth];
        if (r.to <= first || last <= r.from)
            continue;
        if (first <= r.from && r.to <= last) {
            apply(r.node, y);
            continue;
        }
        push(r.node);
        partial[partials++] = r.node;
        const int middle = (r.from + r.to) / 2;
        stack[depth++] = {2 * r.node, r.from, middle};
        stack[depth++] = {2 * r.node + 1, middle, r.to};
    }
    // Children come after their parents: update from the deepest node up.
    while (partials > 0) {
        const int node = partial[--partials];
        m_lowest[size_t(node)] = std::min(m_lowest[size_t(2 * node)], m_lowest[size_t(2 * node + 1)]);
    }
}

int SlotHeights::findBelow(double y, bool highest) const
{
    if (m_size == 0 || !(m_lowest[1] < y))
        return -1;
    // Down the side searched first whenever a slot there is below y.
    int node = 1;
    double raised = -std::numeric_limits<double>::infinity();
    while (node < m_capacity) {
        raised = std::max(raised, m_raise[size_t(node)]);
        const int first = highest ? 2 * node + 1 : 2 * node;
        node = std::max(m_lowest[size_t(first)], raised) < y ? first : (first ^ 1);
    }
    return node - m_capacity;
}

SlotGroup::SlotGroup()
{
    for (int s = 0; s < preparedSlots; ++s)
        appendSlot(0);
}

void SlotGroup::appendSlot(int taken)
{
    if (m_linear || count() < preparedSlots)
        m_plain.append(unused);
    else
        m_heights.append(unused);
    sequence.emplace_back();
    fill.append(taken);
    width.append(taken);
}

double SlotGroup::lastY(int slot) const
{
    return m_linear || slot < preparedSlots ? m_plain.at(slot) : m_heights.at(slot - preparedSlots);
}

void SlotGroup::setLastY(int slot, double y)
{
    if (!m_linear && !(y > unused)) {
        // Such a Y would count as a never used slot: the tree cannot tell.
        for (int s = preparedSlots; s < count(); ++s)
            m_plain.append(m_heights.at(s - preparedSlots));
        m_heights = SlotHeights();
        m_linear = true;
    }
    if (m_linear || slot < preparedSlots)
        m_plain[slot] = y;
    else
        m_heights.set(slot - preparedSlots, y);
}

void SlotGroup::raise(int first, int last, double y, bool keepUnused)
{
    const int plainEnd = m_linear ? last : std::min(last, preparedSlots);
    for (int s = first; s < plainEnd; ++s) {
        if (!keepUnused || m_plain.at(s) != unused)
            m_plain[s] = std::max(m_plain.at(s), y);
    }
    // The tree's slots were all used: their Y is above the unused mark.
    if (!m_linear)
        m_heights.raise(std::max(first, preparedSlots) - preparedSlots, last - preparedSlots, y);
}

int SlotGroup::freeSlot(double y0, bool downward) const
{
    if (downward) {
        if (!m_linear) {
            const int s = m_heights.findBelow(y0, true);
            if (s >= 0)
                return s + preparedSlots;
        }
        for (int s = m_plain.size() - 1; s >= 0; --s) {
            if (m_plain.at(s) < y0)
                return s;
        }
        return -1;
    }
    if (!m_linear) {
        const int s = m_heights.findBelow(y0, false);
        return s >= 0 ? s + preparedSlots : -1;
    }
    for (int s = preparedSlots; s < count(); ++s) {
        if (m_plain.at(s) < y0)
            return s;
    }
    return -1;
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

    // Slots are tried from the top down (downward bundles) or from the
    // first unprepared slot up; the first that continues the probe's run or
    // is free above y0 takes the bundle. A slot can continue a run only
    // with the run's base as its last one, which busSlots lists.
    const int free = freeSlot(y0, downward);
    int continued = -1;
    if (mayContinue) {
        const QString base = probe.baseText();
        QVarLengthArray<int, 16> candidates;
        for (auto it = busSlots.lower_bound({base, -1}); it != busSlots.end() && it->first == base; ++it) {
            const int s = it->second;
            if (downward ? (free < 0 || s >= free) : (s >= preparedSlots && (free < 0 || s <= free)))
                candidates.append(s);
        }
        for (int i = 0; i < candidates.size() && continued < 0; ++i) {
            const int s = candidates.at(downward ? candidates.size() - 1 - i : i);
            int slot = 0;
            if (sequence[size_t(s)].continuation(probe, &slot) != 0)
                continued = s;
        }
    }

    int taken = -1;
    bool shared = false;
    QString sharedBase;
    if (continued >= 0) {
        taken = continued;
        sharedBase = sequence[size_t(taken)].last.baseText();
        position = fill[taken];
        fill[taken] += size;
        width[taken] = std::max(width[taken], fill[taken]);
        shared = true;
    } else if (free >= 0) {
        taken = free;
        fill[taken] = size;
        width[taken] = std::max(width[taken], size);
    } else {
        taken = count();
        appendSlot(size);
    }

    if (size >= 2) {
        raise(0, taken, bundle.driverMax, true);
        raise(taken + 1, count(), bundle.loadMax, false);
    }
    setLastY(taken, std::max(bundle.driverMax, bundle.loadMax));

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
    PortPositions driverYs;
    PortPositions loadYs;
    driverYs.reserve(5456);
    loadYs.reserve(5456);
    for (int c = lastColumn - 1; c >= 0 && c < columnEdges.size(); --c) {
        trace([&] { return tr(" Processing Edge column %1").arg(c); });
        driverYs.clear();
        loadYs.clear();
        const QList<Edge *> &column = qAsConst(columnEdges[c]);
        for (Edge *net : column) {
            // The mark tells the column's nets already packed. Only these
            // nets are asked for it, so it is cleared on them as they are
            // read (a walk over every net of the module would follow its
            // million scattered list nodes), and again when the column ends.
            net->marks &= ~(1 << markBit);
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
        // Sorted by net once the column is packed, and searched: a hash
        // would take a node per net.
        std::vector<std::pair<Edge *, SlotAssignment>> assigned;

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
                    assigned.push_back({net, SlotAssignment{bundle.group, slot, position}});
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
                if (groups[g].lastY(s) == unused)
                    continue;
                slotX[g][s] = x;
                x += pitch;
                if (groups[g].width[s] != 0)
                    x += 10.0;
            }
        }
        edgeColumnWidth[c] = x;

        // A net is marked as it is assigned, so each stands here once.
        for (const auto &entry : assigned)
            entry.first->marks &= ~(1 << markBit);
        const auto byNet = [](const std::pair<Edge *, SlotAssignment> &a, const std::pair<Edge *, SlotAssignment> &b) {
            return std::less<Edge *>()(a.first, b.first);
        };
        std::sort(assigned.begin(), assigned.end(), byNet);
        for (Edge *net : column) {
            const auto found = std::lower_bound(assigned.cbegin(), assigned.cend(),
                                                std::pair<Edge *, SlotAssignment>{net, {}}, byNet);
            if (found == assigned.cend() || found->first != net)
                continue;
            const SlotAssignment &a = found->second;
            const int n = groups[a.group].width[a.slot] + 1;
            const int t = int(a.position * 100.0 / n);
            net->trackOffset = slotX[a.group][a.slot] + t / 10;
            trace([&] { return tr("Edge %1 offset is %2").arg(net->name.toString(false)).arg(net->trackOffset); });
        }
    }
    releaseColor(markBit);
    traceEnabled = false;
}

} // namespace GraphEngine
