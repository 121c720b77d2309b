#pragma once

#include <QList>
#include <QtGlobal>

namespace GraphEngine {

class Gate;
class GatePort;

// An ordered list of ports that knows where each sort group begins: the
// ports of a gate (which owns them through its set) and the driver and load
// lists of a net (which only refer to them and are never sorted).
class PortSet
{
public:
    using iterator = QList<GatePort *>::iterator;
    using const_iterator = QList<GatePort *>::const_iterator;
    // The range argument that covers every sort group.
    static constexpr int AllGroups = 4;

    int size() const { return ports.size(); }
    bool isEmpty() const { return ports.isEmpty(); }
    bool contains(const GatePort *port) const { return ports.contains(const_cast<GatePort *>(port)); }
    GatePort *first() const { return ports.isEmpty() ? nullptr : ports.first(); }
    GatePort *at(int i) const { return ports.at(i); }

    // Appends the port (a null port is ignored); unless force is set a port
    // already in the set is not added again.
    void add(GatePort *port, bool force = false);
    void append(GatePort *port);
    void prepend(GatePort *port);
    // Removes every occurrence; the order flag is left as it is.
    int removeAll(GatePort *port);

    // Group 3 (top) first, then 2 (left), 1 (bottom), 0 (outputs); within a
    // group by position (signed 16 bits).
    static bool lessThan(const GatePort *a, const GatePort *b);
    // Sorts the set when it is not sorted, or always with force, and
    // recomputes the group table.
    void ensureSorted(bool force);
    void order(bool force) { ensureSorted(force); }
    // Recomputes groupStart from the sorted list.
    void sort();

    // The ports of one sort group (0-3) or of the whole set (4). Reading by
    // group needs a sorted set: an unsorted one is reported and yields its
    // whole list in its current order.
    iterator begin(int sortGroup);
    iterator end(int sortGroup);
    const_iterator constBegin(int sortGroup) const;
    const_iterator constEnd(int sortGroup) const;

    // newPort takes oldPort's place when oldPort is listed and newPort is not.
    bool replace(GatePort *oldPort, GatePort *newPort);
    GatePort *findByGate(const Gate *gate) const;
    // Smallest column of the ports' owner gates; -1 for an empty set.
    int lowestGateColumn() const;
    // Deletes every port (for the gate's own set only).
    void deleteAll();

    QList<GatePort *> ports;
    // Set after ordering; cleared by every insertion and replacement.
    bool sorted = false;
    // groupStart[g]: index of the first port whose sort group is g or lower;
    // -1 in entry 3 marks the table stale.
    int groupStart[4] = {-1, -1, -1, -1};

private:
    // Index range [first, last) of a group, after the checks of the accessors.
    void range(int sortGroup, int *first, int *last) const;
};

} // namespace GraphEngine
