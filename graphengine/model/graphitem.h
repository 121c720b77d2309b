#pragma once

#include <QExplicitlySharedDataPointer>
#include <QMetaType>
#include <QSharedData>

namespace GraphEngine {

class Edge;
class Gate;
class GatePort;
class Module;

// A shared handle naming one element of a drawn netlist: a gate, a net, the
// end of a net at a port, a port, or a run of ports of one gate. It does not
// own the element and must not outlive it. The kinds are single bits, so a
// set of kinds is one mask.
class GraphItem
{
public:
    enum Kind { Empty = 0, GateItem = 1, NetItem = 2, NetEndItem = 4, PortItem = 8, PortRangeItem = 16 };
    using PortIterator = GatePort *const *;

    GraphItem();
    explicit GraphItem(Gate *gate);
    // A net end when a port is given, else the net.
    explicit GraphItem(Edge *net, GatePort *port = nullptr);
    explicit GraphItem(GatePort *port);
    // A non-empty run [begin, end) of one gate's port list.
    GraphItem(PortIterator begin, PortIterator end);

    int kind() const { return d->kind; }
    Gate *gate() const { return d->gate; }
    Edge *net() const { return d->net; }
    GatePort *port() const { return d->port; }
    PortIterator rangeBegin() const { return d->rangeBegin; }
    PortIterator rangeEnd() const { return d->rangeEnd; }
    // The module holding the element; null for an empty item.
    Module *owner() const;

    // Kind first, then the addresses: stable while the elements live.
    bool operator<(const GraphItem &other) const;
    bool operator==(const GraphItem &other) const;
    bool operator!=(const GraphItem &other) const { return !(*this == other); }

private:
    struct Record : QSharedData
    {
        int kind = Empty;
        Gate *gate = nullptr;
        Edge *net = nullptr;
        GatePort *port = nullptr;
        PortIterator rangeBegin = nullptr;
        PortIterator rangeEnd = nullptr;
    };
    // Records never change after construction, so copies share them.
    QExplicitlySharedDataPointer<Record> d;
};

} // namespace GraphEngine

Q_DECLARE_METATYPE(GraphEngine::GraphItem)
