#include "pathsearch.h"

#include "edge.h"
#include "gate.h"
#include "gateport.h"
#include "highlightedpath.h"
#include "marks.h"
#include "module.h"
#include "name.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace GraphEngine {

namespace {

// A port's place in a cluster gate's bus: the index its name carries, -1
// when it carries none or more than one.
int busIndexOf(const GatePort *port)
{
    const Name name(port->name, false);
    return (name.flags() & Name::OneIndex) ? name.index(0) : -1;
}

// The ports one gate, net or output run offers to leave by, tried in order.
struct Branch
{
    QList<GatePort *> candidates;
    int next = 0;
    int busIndex = -1;
    // The candidate being followed; it joins the route when the walk from it
    // reaches the target.
    GatePort *taken = nullptr;
};

enum class Step { Found, DeadEnd, Branches };

// Follows item for as long as it leads on without a choice (a port to its
// net or gate, an input run to its gate), until it matches the target, meets
// a marked or missing element, or offers ports to leave by (in *branch).
Step enter(GraphItem item, const GraphItem &target, int bit, int busIndex, Branch *branch)
{
    for (;;) {
        if (item.matches(target))
            return Step::Found;
        if (item.testAndSetMark(bit))
            return Step::DeadEnd;
        switch (item.kind()) {
        case GraphItem::GateItem: {
            const Gate *gate = item.gate();
            if (!gate)
                return Step::DeadEnd;
            // The outputs are the set's last group.
            const PortRange all = gate->ports.list();
            const int first = int(gate->ports.constBegin(0) - all.constBegin());
            *branch = Branch{all, first, busIndex, nullptr};
            return Step::Branches;
        }
        case GraphItem::NetItem:
            if (!item.net())
                return Step::DeadEnd;
            *branch = Branch{item.net()->loads.list(), 0, busIndex, nullptr};
            return Step::Branches;
        case GraphItem::NetEndItem:
        case GraphItem::PortItem: {
            GatePort *port = item.port();
            if (!port)
                return Step::DeadEnd;
            if (port->attributes.sortGroup() == 0) {
                // An output without a net leads nowhere.
                if (!port->net)
                    return Step::DeadEnd;
                item = GraphItem(port->net);
                busIndex = -1;
                continue;
            }
            Gate *gate = port->owner;
            if (!gate)
                return Step::DeadEnd;
            busIndex = gate->isCluster() ? busIndexOf(port) : -1;
            item = GraphItem(gate);
            continue;
        }
        case GraphItem::PortRangeItem: {
            const QList<GatePort *> run = item.rangePorts();
            if (run.isEmpty() || !run.first())
                return Step::DeadEnd;
            if (run.first()->attributes.sortGroup() == 0) {
                *branch = Branch{run, 0, busIndex, nullptr};
                return Step::Branches;
            }
            item = GraphItem(item.gate());
            busIndex = -1;
            continue;
        }
        default:
            return Step::DeadEnd;
        }
    }
}

// The next port of the branch to follow, skipping missing ones and, inside
// a cluster, the other members' ports; null when none is left.
GatePort *nextCandidate(Branch &branch)
{
    while (branch.next < branch.candidates.size()) {
        GatePort *port = branch.candidates.at(branch.next++);
        if (!port)
            continue;
        if (branch.busIndex != -1) {
            const int index = busIndexOf(port);
            if (index != -1 && index != branch.busIndex)
                continue;
        }
        return port;
    }
    return nullptr;
}

bool samePoint(const QPointF &a, const QPointF &b)
{
    return std::abs(a.x() - b.x()) <= 1e-12 && std::abs(a.y() - b.y()) <= 1e-12;
}

bool isSidePort(const GatePort *port)
{
    const int group = port->attributes.sortGroup();
    return group == 1 || group == 3;
}

void reverse(QPolygonF &points)
{
    std::reverse(points.begin(), points.end());
}

} // namespace

bool findPath(const GraphItem &from, const GraphItem &to, QList<GatePort *> &ports)
{
    ports.clear();
    Module *module = from.owner();
    if (!module || to.owner() != module)
        return false;
    // Without a bit of its own the walk could not tell where it has been.
    const int bit = allocateColor();
    if (bit < 0)
        return false;
    module->setFlagOnAll(bit, false);
    bool found = prependPort(ports, from, tracePath(from, to, ports, bit, -1));
    if (!found) {
        // The signal may flow the other way: search from the target back.
        module->setFlagOnAll(bit, false);
        found = prependPort(ports, to, tracePath(to, from, ports, bit, -1));
        std::reverse(ports.begin(), ports.end());
    }
    releaseColor(bit);
    return found && !ports.isEmpty();
}

bool tracePath(const GraphItem &current, const GraphItem &target, QList<GatePort *> &ports, int bit,
               int busIndex)
{
    if (bit < 0 || bit > 7)
        return false;
    // Depth-first with a stack of its own: a route may run through every gate
    // of a large netlist. The innermost branch is last.
    std::vector<Branch> open;
    Branch branch;
    Step step = enter(current, target, bit, busIndex, &branch);
    for (;;) {
        if (step == Step::Found) {
            prependPort(ports, target, true);
            for (auto it = open.crbegin(); it != open.crend(); ++it)
                prependPort(ports, GraphItem(it->taken), true);
            return true;
        }
        if (step == Step::Branches)
            open.push_back(std::move(branch));
        GatePort *candidate = nullptr;
        while (!open.empty() && !(candidate = nextCandidate(open.back())))
            open.pop_back();
        if (!candidate)
            return false;
        open.back().taken = candidate;
        step = enter(GraphItem(candidate), target, bit, -1, &branch);
    }
}

bool prependPort(QList<GatePort *> &ports, const GraphItem &item, bool found)
{
    if (!found)
        return false;
    const bool hasPort = item.kind() == GraphItem::NetEndItem || item.kind() == GraphItem::PortItem;
    GatePort *port = hasPort ? item.port() : nullptr;
    if (port && (ports.isEmpty() || ports.first() != port))
        ports.prepend(port);
    return found;
}

QPolygonF portsToPolyline(const QList<GatePort *> &ports)
{
    QPolygonF result;
    for (int i = 1; i < ports.size(); ++i) {
        const GatePort *a = ports.at(i - 1);
        const GatePort *b = ports.at(i);
        if (!a || !b)
            continue;
        if (a->net && a->net == b->net) {
            QPolygonF piece(a->net->pathBetween(a, b));
            if (result.isEmpty()) {
                result = piece;
                continue;
            }
            if (piece.isEmpty())
                continue;
            if (!samePoint(result.last(), piece.first()))
                reverse(piece);
            // A piece that meets the points so far at neither end is left
            // out: joining it would draw a line the net does not have.
            if (samePoint(result.last(), piece.first())) {
                result.removeLast();
                result += piece;
            }
            continue;
        }
        // Across a gate, from the port the route enters by to the one it
        // leaves by.
        const QPointF pa = a->scenePos();
        const QPointF pb = b->scenePos();
        if (!result.isEmpty()) {
            if (!samePoint(result.last(), pa))
                reverse(result);
            result.removeLast();
        }
        if (isSidePort(a)) {
            result << pa << QPointF(pa.x(), pb.y()) << pb;
        } else if (isSidePort(b)) {
            result << pa << QPointF(pb.x(), pa.y()) << pb;
        } else {
            const double xm = (pa.x() + pb.x()) * 0.5;
            result << pa << QPointF(xm, pa.y()) << QPointF(xm, pb.y()) << pb;
        }
    }
    return result;
}

void appendPolyline(HightLighedPath &path, const QPolygonF &piece)
{
    if (!path.points.isEmpty() && !piece.isEmpty() && !samePoint(path.points.last(), piece.first()))
        reverse(path.points);
    path.points += piece;
}

void extendPath(HightLighedPath &path, const QList<GatePort *> &ports)
{
    appendPolyline(path, portsToPolyline(ports));
}

} // namespace GraphEngine
