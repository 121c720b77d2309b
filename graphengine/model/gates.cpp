#include "gates.h"

#include "edge.h"
#include "gate.h"
#include "gateport.h"
#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "module.h"

#include <QCoreApplication>

#include <vector>

namespace GraphEngine {

namespace {

// A pass-through's input (group 2) and output (group 0), each the first of
// its place, found by a plain walk: the set need not be sorted.
struct PassThroughPorts
{
    explicit PassThroughPorts(const Gate *gate)
    {
        for (GatePort *port : gate->ports.list()) {
            if (port->attributes.position16() != 0)
                continue;
            const int group = port->attributes.sortGroup();
            if (group == 2 && !input)
                input = port;
            else if (group == 0 && !output)
                output = port;
        }
    }
    GatePort *input = nullptr;
    GatePort *output = nullptr;
};

} // namespace

// Deleting a pass-through joins its input piece into the net its output
// drives (see ~Gate): the piece's loads are appended to the net's loads, its
// drivers to the net's drivers, and the piece goes. A split net's
// pass-throughs stand in the list one after the other, from the net itself
// towards its driver, so that each joins the next piece into the same net.
// Deleted one by one, every piece's ports go through the net's lists (and
// their hash, on a large list) on their own. A run instead collects the
// ports of the pieces it joins, in the order those deletions would append
// them, leaving out the pass-through ports they would take out again, and
// hands the lists to the net once. What the run does not take (a
// pass-through on the wrong module, a piece whose ports point elsewhere, a
// trace to write) goes through the destructor as ever, after the run has
// handed its lists over.
class Gates::PieceJoin
{
public:
    explicit PieceJoin(Gates &index)
        : m_index(index)
    {
    }
    ~PieceJoin() { finish(); }

    // Deletes the listed gate, joining its pieces, when the run can take
    // it: the gate that continues the run, or one that starts a new one.
    // next is the gate after it in the list (or null). False: the gate is
    // left as it is, and the run so far has been handed over.
    bool join(Gate *gate, Gate *next);
    // Hands the collected lists to the net the run joins into.
    void finish();

private:
    // The piece's ports all point to it, so that they all move as they
    // stand (the loads with their gates); the input is among its loads.
    static bool movesWhole(const Edge *piece, const GatePort *input);
    // next's output drives the piece, and its input another net: deleting
    // it will join that net into target as well.
    GatePort *continuingOutput(const Gate *next, const Edge *piece) const;

    Gates &m_index;
    // The net the run joins into; null: no run.
    Edge *m_target = nullptr;
    // The pass-through that continues the run, and where its output stands
    // in the collected drivers.
    const Gate *m_next = nullptr;
    std::size_t m_nextOutputAt = 0;
    std::vector<GatePort *> m_loads;
    std::vector<GatePort *> m_drivers;
};

bool Gates::PieceJoin::movesWhole(const Edge *piece, const GatePort *input)
{
    bool inputSeen = false;
    for (const GatePort *port : piece->loads.list()) {
        if (port->net != piece || !port->owner)
            return false;
        inputSeen = inputSeen || port == input;
    }
    for (const GatePort *port : piece->drivers.list()) {
        if (port->net != piece)
            return false;
    }
    return inputSeen;
}

GatePort *Gates::PieceJoin::continuingOutput(const Gate *next, const Edge *piece) const
{
    if (!next || next->kind != COLPASSTHROUGH || next->module != m_index.module)
        return nullptr;
    const PassThroughPorts ports(next);
    if (!ports.input || !ports.output || ports.output->net != piece || !ports.input->net
        || ports.input->net == piece || ports.input->net == m_target)
        return nullptr;
    ports.input->net->branchLines.prefetch();
    ports.input->net->trunkSegments.prefetch();
    return ports.output;
}

bool Gates::PieceJoin::join(Gate *gate, Gate *next)
{
    const bool continues = gate && gate == m_next;
    if (!continues)
        finish();
    m_next = nullptr;
    const PassThroughPorts ports(gate);
    GatePort *input = ports.input;
    GatePort *output = ports.output;
    Edge *piece = input ? input->net : nullptr;
    Edge *target = output ? output->net : nullptr;
    // A trace names every port as it moves: the destructor writes it.
    if (gate->kind != COLPASSTHROUGH || gate->module != m_index.module || verboseTrace || !piece || !target
        || piece == target || !movesWhole(piece, input)) {
        finish();
        return false;
    }
    // Its output stands among the drivers collected, where the deletion
    // before put it; this deletion takes it out again. It points to the net
    // until the checks are done.
    if (continues)
        m_drivers.erase(m_drivers.begin() + std::ptrdiff_t(m_nextOutputAt));
    m_target = target;

    // As the deletion would go: the gate's own check as its layout state
    // is reset, then that of every load's gate as the load moves.
    gate->checkConfiguration();
    gate->detachFromModule();
    m_index.take(gate->name, gate);
    for (GatePort *port : piece->loads.list()) {
        port->owner->checkConfiguration();
        port->net = target;
        if (port != input)
            m_loads.push_back(port);
    }
    input->net = nullptr;
    if (continues)
        output->net = nullptr;
    else
        target->disconnectPort(output);
    const GatePort *nextOutput = continuingOutput(next, piece);
    for (GatePort *port : piece->drivers.list()) {
        port->net = target;
        if (port == nextOutput) {
            m_next = next;
            m_nextOutputAt = m_drivers.size();
        }
        m_drivers.push_back(port);
    }
    target->setPropertyThunk(piece);
    target->driverTop = piece->driverTop;
    target->driverBottom = piece->driverBottom;
    target->loadTop = std::min(target->loadTop, piece->loadTop);
    target->loadBottom = std::max(target->loadBottom, piece->loadBottom);
    piece->loads.clear();
    piece->drivers.clear();
    delete piece;
    delete gate;
    if (!m_next)
        finish();
    return true;
}

void Gates::PieceJoin::finish()
{
    if (!m_target)
        return;
    // Room is made at once only for a block larger than the list, as
    // PortList::appendAll does, so that a net joined run by run still grows
    // geometrically.
    const auto handOver = [](std::vector<GatePort *> &ports, PortList &list) {
        const int size = list.size();
        if (int(ports.size()) > size)
            list.reserve(size + int(ports.size()));
        for (GatePort *port : ports)
            list.append(port);
        ports.clear();
    };
    handOver(m_loads, m_target->loads);
    handOver(m_drivers, m_target->drivers);
    m_target = nullptr;
    m_next = nullptr;
}

Gates::Gates(Module *owner, bool ownsElements)
    : SemiIndex<Name, Gate>(owner)
    , ownsElements(ownsElements ? 1 : 0)
{
}

Gates::~Gates()
{
    Gates::clear();
}

void Gates::clear()
{
    if (!ownsElements)
        return;
    // Each gate is taken out before it goes, so the walk never meets it again
    // whatever its module does on unregistration.
    while (!isEmpty())
        delete takeFirst();
}

void Gates::purge()
{
    if (!ownsElements)
        return;
    // Deleting a gate deletes no other gate, so one walk finds them all.
    for (Gate *gate : elements()) {
        if (gate && !gate->isModulePort()) {
            take(gate->name, gate);
            delete gate;
        }
    }
}

void Gates::initAllPorts(bool packBuses)
{
    for (Gate *gate : elements()) {
        if (gate)
            gate->initPorts(packBuses);
    }
}

void Gates::removeFromModule()
{
    // Deleting a pass-through joins two nets and deletes one of them; it
    // deletes no other gate. The keyed gates are walked from the map's array
    // copy (a pass-through can stand there under a name of its own), which
    // stays as it is when one goes, and is made at most once per change of
    // the map; the list, where the pass-throughs stand, is walked in
    // place, one step ahead of the gate being deleted: a large layout lists a
    // million of them, which go in runs along their nets.
    const auto remove = [this](Gate *gate) {
        if (!gate)
            return;
        gate->resetLayoutState();
        if (gate->kind != COLPASSTHROUGH)
            return;
        if (gate->module == module) {
            gate->detachFromModule();
        } else {
            logCritical(QCoreApplication::translate("GraphEngine::Gates",
                                                    "Inconsistancy detected on gate registration"));
        }
        take(gate->name, gate);
        delete gate;
    };
    const QVector<Gate *> keyed = map.valuesCopy();
    for (Gate *gate : keyed)
        remove(gate);
    PieceJoin run(*this);
    for (auto it = list().cbegin(); it != list().cend();) {
        Gate *gate = *it++;
        Gate *next = it != list().cend() ? *it : nullptr;
        if (!gate || !run.join(gate, next))
            remove(gate);
    }
}

Gate *Gates::findClusterWithSubGate(const Name &name) const
{
    for (Gate *gate : elements()) {
        if (gate && gate->isCluster() && gate->subGateIndexOf(name) != -1)
            return gate;
    }
    return nullptr;
}

} // namespace GraphEngine
