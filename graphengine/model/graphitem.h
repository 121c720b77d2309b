#pragma once

#include "portset.h"

#include <QExplicitlySharedDataPointer>
#include <QList>
#include <QMetaType>
#include <QSharedData>
#include <QString>
#include <QVariant>

namespace GraphEngine {

class Edge;
class Gate;
class GatePort;
class Module;
class Name;

// A shared handle naming one element of a drawn netlist: a gate, a net, the
// end of a net at a port, a port, or a run of ports of one gate. It does not
// own the element and must not outlive it. The kinds are single bits, so a
// set of kinds is one mask.
class GraphItem
{
public:
    // The kinds; the viewer's tools register their actions per kind and
    // accept a set of kinds as one mask.
    enum ActionableItem { Empty = 0, GateItem = 1, NetItem = 2, NetEndItem = 4, PortItem = 8, PortRangeItem = 16 };
    using PortIterator = GatePort *const *;

    GraphItem();
    // The same empty item; the argument is not used.
    explicit GraphItem(int unused);
    explicit GraphItem(Gate *gate);
    // A net end when a port is given, else the net.
    explicit GraphItem(Edge *net, GatePort *port = nullptr);
    explicit GraphItem(GatePort *port);
    // A non-empty run [begin, end) of one gate's port list. The run is kept
    // as the gate and index bounds, so a list that grows or is sorted later
    // never leaves the item pointing into freed storage. A run that is empty
    // or not in its first port's gate is reported and gives an empty item.
    // (PortSet::const_iterator is a PortIterator.)
    GraphItem(PortIterator begin, PortIterator end);

    int kind() const { return d->kind; }
    Gate *gate() const { return d->gate; }
    Edge *net() const { return d->net; }
    GatePort *port() const { return d->port; }
    // Index bounds [first, end) of a run in its gate's port list; -1 else.
    int rangeFirst() const { return d->rangeFirst; }
    int rangeEnd() const { return d->rangeEnd; }
    // The ports of a run as the gate's list holds them now; bounds beyond
    // the list's current end are cut off.
    QList<GatePort *> rangePorts() const;
    // The module holding the element; null for an empty item.
    Module *owner() const;

    // Kind first, then the addresses: stable while the elements live.
    bool operator<(const GraphItem &other) const;
    bool operator==(const GraphItem &other) const;
    bool operator!=(const GraphItem &other) const { return !(*this == other); }
    // Equal, or a port (or net end) that stands in the other's run. Not
    // symmetric.
    bool matches(const GraphItem &other) const;
    // Sets mark bit n (0-7) of a gate or net; true when it was set already.
    // An empty item counts as marked; other kinds are never marked.
    bool testAndSetMark(int n) const;
    // A property of a gate, net or port; invalid for other kinds.
    QVariant property(const QString &name) const;
    // HTML description; subName picks a member of a cluster gate.
    QString describe(const Name &subName) const;
    // "G:", "E:", "P:" or "B:" and the element's name; null when empty.
    QString label() const;
    // The name searches go by: a gate's or net's own, "<gate>.<port>" parsed
    // afresh for a port; null for the other kinds.
    Name name() const;

private:
    struct Record : QSharedData
    {
        int kind = Empty;
        Gate *gate = nullptr;
        Edge *net = nullptr;
        GatePort *port = nullptr;
        int rangeFirst = -1;
        int rangeEnd = -1;
    };
    void setRange(GatePort *first, int count);

    // Records never change after construction, so copies share them.
    QExplicitlySharedDataPointer<Record> d;
};

} // namespace GraphEngine

Q_DECLARE_METATYPE(GraphEngine::GraphItem)
