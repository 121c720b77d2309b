// Step "Draw Edges": pass-through gates that the net splitting left twice
// in one column are merged (user net names kept), then every net builds its
// lines.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

#include <cmath>
#include <limits>

namespace GraphEngine {

namespace {

using LayoutSupport::nameOf;
using LayoutSupport::tr;
using LayoutSupport::trace;

bool isUserName(const Name &name)
{
    return !(name.flags() & Name::Marked);
}

Edge *inputNet(Gate *gate)
{
    const GatePort *port = gate->portAt(2, 0);
    return port ? port->net : nullptr;
}

Edge *outputNet(Gate *gate)
{
    const GatePort *port = gate->portAt(0, 0);
    return port ? port->net : nullptr;
}

double driverMiddle(const Edge *net)
{
    return net ? net->driverTop + net->driverBottom : 0.0;
}

// The nets the merges deleted, by the column list they leave. The lists
// are filtered once when the merges are done: taking each net out at once
// would walk its column's list for every merge. Merges make no nets, so no
// new net can take the address of a deleted one before that.
using DroppedNets = QHash<int, QSet<const Edge *>>;

// A net the merge emptied would stay in the index: the next layout would
// route it, or give it a generated driver. It goes now.
void deleteIfEmpty(Module *module, Edge *net, const Edge *kept, DroppedNets &dropped)
{
    if (!net || net == kept || !net->drivers.isEmpty() || !net->loads.isEmpty())
        return;
    if (net->column >= 0 && net->column < module->columnEdges.size())
        dropped[net->column].insert(net);
    delete net;
}

void removeDroppedNets(Module *module, const DroppedNets &dropped)
{
    for (auto it = dropped.cbegin(); it != dropped.cend(); ++it) {
        QList<Edge *> &list = module->columnEdges[it.key()];
        const QSet<const Edge *> &gone = it.value();
        list.erase(std::remove_if(list.begin(), list.end(), [&gone](const Edge *net) { return gone.contains(net); }),
                   list.end());
    }
}

// Merges gate g into the pass-through k that holds its name so far; returns
// the survivor.
Gate *mergePassThroughs(Module *module, Gate *g, Gate *k, DroppedNets &droppedNets)
{
    trace([&] { return tr("Duplicate Drawing Fake Gate Detected: Drop it: %1,%2").arg(nameOf(g), nameOf(k)); });
    Edge *gOut = outputNet(g);
    Edge *gIn = inputNet(g);
    Edge *kOut = outputNet(k);
    Edge *kIn = inputNet(k);

    Name preserved;
    if (gOut && isUserName(gOut->name)) {
        preserved = gOut->name;
        gOut->setName(Name::detachedCopy(gOut->name));
        trace([] { return tr(" - 1st gate leads to user name. Enforce preservation"); });
    } else if (kOut && isUserName(kOut->name)) {
        preserved = kOut->name;
        kOut->setName(Name::detachedCopy(kOut->name));
        trace([] { return tr(" - 2nd gate leads to user name. Enforce preservation"); });
    }

    const double mid = (driverMiddle(gIn) + driverMiddle(kIn)) * 0.25;
    const bool keepG = std::abs(g->y - mid) <= std::abs(k->y - mid);
    Gate *kept = keepG ? g : k;
    Gate *dropped = keepG ? k : g;
    trace([&] { return tr(" - %1 is Dropped").arg(nameOf(dropped)); });

    Edge *keptOut = outputNet(kept);
    Edge *keptIn = inputNet(kept);
    Edge *droppedOut = outputNet(dropped);
    Edge *droppedIn = inputNet(dropped);
    if (droppedOut && keptOut && droppedOut != keptOut)
        droppedOut->moveAllPortsTo(keptOut);
    if (droppedIn && keptIn && droppedIn != keptIn)
        droppedIn->moveAllPortsTo(keptIn);
    dropped->disconnectAll();
    deleteIfEmpty(module, droppedOut, keptOut, droppedNets);
    deleteIfEmpty(module, droppedIn, keptIn, droppedNets);

    if (keptOut && !preserved.isNull() && preserved.flags() != 0)
        keptOut->setName(preserved);
    // Both nets are filed already; only their ranges changed.
    if (keptOut)
        keptOut->computeBoundary(false);
    if (keptIn)
        keptIn->computeBoundary(false);
    return kept;
}

// The check of a pass-through reads its gate, the gate's port list, the
// ports and their nets, all scattered: while one gate is looked at, those
// of the gates a few places on are asked for, one level each.
void prefetchGate(const Gate *gate)
{
    __builtin_prefetch(&gate->kind);
    __builtin_prefetch(&gate->name);
    __builtin_prefetch(&gate->ports);
}

void prefetchPortList(const Gate *gate)
{
    if (gate->kind != BaseEnum::COLPASSTHROUGH)
        return;
    // A QList is the pointer to its block: the block is asked for, not
    // read.
    const QList<GatePort *> &list = gate->ports.list();
    __builtin_prefetch(*reinterpret_cast<void *const *>(&list));
}

void prefetchPorts(const Gate *gate)
{
    if (gate->kind != BaseEnum::COLPASSTHROUGH)
        return;
    for (const GatePort *port : gate->ports.list()) {
        __builtin_prefetch(&port->attributes);
        __builtin_prefetch(&port->net);
    }
}

void prefetchNets(const Gate *gate)
{
    if (gate->kind != BaseEnum::COLPASSTHROUGH)
        return;
    for (const GatePort *port : gate->ports.list()) {
        if (port->net)
            __builtin_prefetch(&port->net->name);
    }
}

void prefetchAhead(const QList<Gate *> &gates, int i)
{
    const int n = gates.size();
    if (i + 12 < n && gates.at(i + 12))
        prefetchGate(gates.at(i + 12));
    if (i + 8 < n && gates.at(i + 8))
        prefetchPortList(gates.at(i + 8));
    if (i + 4 < n && gates.at(i + 4))
        prefetchPorts(gates.at(i + 4));
    if (i + 2 < n && gates.at(i + 2))
        prefetchNets(gates.at(i + 2));
}

// The pass-throughs of one column by name (gates without a name share the
// empty one), in the order the names first came, each with the gate the
// merges left of it. Names are hashed once, when made: a column of
// thousands of crossings costs no string hashing and no allocation.
class ColumnNames
{
public:
    struct Slot
    {
        // The gate that brought the name; it stays in the list.
        const Gate *first;
        Gate *survivor;
        uint hash;
    };

    // Empty, with room for a column of that many gates.
    void start(int gates)
    {
        int capacity = 16;
        while (capacity < 2 * gates)
            capacity *= 2;
        m_table.assign(capacity, -1);
        m_slots.clear();
    }

    // The survivor of the gate's name so far; with isNew set, the gate
    // itself, which brings the name.
    Gate *&survivorOf(Gate *gate, bool *isNew)
    {
        const uint hash = hashOf(gate);
        const int mask = int(m_table.size()) - 1;
        for (int at = int(hash) & mask;; at = (at + 1) & mask) {
            int &entry = m_table[at];
            *isNew = entry < 0;
            if (*isNew) {
                entry = int(m_slots.size());
                m_slots.push_back({gate, gate, hash});
                return m_slots.back().survivor;
            }
            Slot &slot = m_slots[entry];
            if (slot.hash == hash && sameText(slot.first, gate))
                return slot.survivor;
        }
    }

    const std::vector<Slot> &entries() const { return m_slots; }

    static const QString &textOf(const Gate *gate)
    {
        static const QString none;
        const NameRecord *record = gate->name.record();
        return record ? record->text : none;
    }

private:
    // A name's hash is that of its text; a name made without one gets it here.
    static uint hashOf(const Gate *gate)
    {
        const NameRecord *record = gate->name.record();
        return record && record->hash ? record->hash : qHash(textOf(gate), 0);
    }
    static bool sameText(const Gate *a, const Gate *b)
    {
        return a->name.record() == b->name.record() || textOf(a) == textOf(b);
    }

    std::vector<int> m_table;
    std::vector<Slot> m_slots;
};

bool takesUserName(Gate *passThrough)
{
    Edge *in = inputNet(passThrough);
    Edge *out = outputNet(passThrough);
    return in && out && isUserName(in->name) && !isUserName(out->name);
}

// A user name that stops at a pass-through goes on to the piece it drives.
// The pass-throughs are taken in the order of a hash of their names, which
// gives the serial numbers of the copies made: that order is kept. Only a
// column where a name moves pays for the hash.
void swapUserNames(const ColumnNames &names, int columnSize)
{
    QHash<QString, Gate *> seen;
    seen.reserve(columnSize);
    for (const ColumnNames::Slot &slot : names.entries())
        seen.insert(ColumnNames::textOf(slot.first), slot.survivor);
    for (Gate *k : qAsConst(seen)) {
        if (!takesUserName(k))
            continue;
        Edge *in = inputNet(k);
        Edge *out = outputNet(k);
        const Name userName = in->name;
        in->setName(Name::detachedCopy(in->name));
        out->setName(userName);
    }
}

} // namespace

void Module::drawEdges()
{
    DroppedNets droppedNets;
    ColumnNames names;
    for (int c = 2; lastColumn > 2 && c < lastColumn && c < columnGates.size(); ++c) {
        // The merges disconnect gates, never delete them: the list stays valid.
        const QList<Gate *> &gates = columnGates.at(c);
        const int n = gates.size();
        names.start(n);
        bool merged = false;
        bool namesMove = false;
        for (int i = 0; i < n; ++i) {
            prefetchAhead(gates, i);
            Gate *g = gates.at(i);
            if (!g || g->kind != BaseEnum::COLPASSTHROUGH)
                continue;
            bool isNew = false;
            Gate *&survivor = names.survivorOf(g, &isNew);
            if (!isNew) {
                survivor = mergePassThroughs(this, g, survivor, droppedNets);
                merged = true;
            } else if (!namesMove && !merged) {
                // Until a merge, every gate here survives as it is now.
                namesMove = takesUserName(g);
            }
        }
        if (merged) {
            const std::vector<ColumnNames::Slot> &entries = names.entries();
            namesMove = std::any_of(entries.cbegin(), entries.cend(),
                                    [](const ColumnNames::Slot &slot) { return takesUserName(slot.survivor); });
        }
        // No name moves unless one moves first.
        if (namesMove)
            swapUserNames(names, n);
    }

    removeDroppedNets(this, droppedNets);
    traceEnabled = false;
    Edge::buildLines(*edges, columnRight);
}

} // namespace GraphEngine
