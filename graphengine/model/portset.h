#pragma once

#include <QHash>
#include <QList>
#include <QtGlobal>

#include <memory>

namespace GraphEngine {

class Gate;
class GatePort;

// An ordered list of ports: the driver and load lists of a net (which only
// refer to them and are never sorted), and the base of a gate's PortSet.
//
// A large list (a clock net's loads) keeps a hash from port to list position
// beside the list, so that membership, removal and replacement take constant
// time: a removed entry leaves a hole that the next reader of the whole list
// closes (in one pass, paid for by that reader's own walk). A list never
// holds a null port.
class PortList
{
public:
    using iterator = QList<GatePort *>::iterator;
    using const_iterator = QList<GatePort *>::const_iterator;
    // Lists from this size on keep their position hash.
    static constexpr int IndexedSize = 32;

    PortList() = default;
    PortList(const PortList &other);
    PortList(PortList &&other) noexcept = default;
    PortList &operator=(const PortList &other);
    PortList &operator=(PortList &&other) noexcept = default;
    ~PortList();

    int size() const { return m_ports.size() - holes(); }
    bool isEmpty() const { return size() == 0; }
    bool contains(const GatePort *port) const;
    // The first port in list order; null for an empty list.
    GatePort *first() const;
    GatePort *at(int i) const { return list().at(i); }
    // The ports in list order, without holes. Changing the list while walking
    // the returned list needs a copy, as with any Qt container.
    const QList<GatePort *> &list() const;

    // Appends the port (a null port is ignored); unless force is set a port
    // already in the list is not added again.
    void add(GatePort *port, bool force = false);
    // Null ports are ignored.
    void append(GatePort *port);
    void prepend(GatePort *port);
    // As append for each port in turn, with room made once for all of them.
    void appendAll(const QList<GatePort *> &ports);
    // Removes every occurrence; the order flag is left as it is.
    int removeAll(GatePort *port);
    // Empties the list and returns its ports in list order.
    QList<GatePort *> takeAll();
    // Replaces the whole list (null entries are dropped).
    void assign(const QList<GatePort *> &ports);
    void reserve(int n) { m_ports.reserve(n); }

    // newPort takes oldPort's place when oldPort is listed and newPort is not.
    bool replace(GatePort *oldPort, GatePort *newPort);
    GatePort *findByGate(const Gate *gate) const;
    // Smallest column of the ports' owner gates; -1 for an empty list.
    int lowestGateColumn() const;

protected:
    // Closes the holes and renumbers the hash.
    void compact() const;
    void rebuildIndex() const;
    int indexOf(const GatePort *port) const;
    void clearIndex() const;
    int holes() const { return m_index ? m_index->holes : 0; }

    // What a large list keeps beside it. Only large lists have one (and only
    // they get holes): the small lists of every gate and net piece stay
    // small.
    struct Index
    {
        // Port -> its first position plus shift.
        QHash<const GatePort *, int> position;
        int shift = 0;
        int holes = 0;
        // Entries listed more than once (forced additions); removal then scans.
        int duplicates = 0;
        // No port stands before this position.
        int head = 0;
    };

    // Mutable: readers close the holes that removals leave.
    mutable QList<GatePort *> m_ports;
    // Kept from IndexedSize ports on; null for a small list.
    mutable std::unique_ptr<Index> m_index;
};

// The ports of a gate, which owns them: a PortList that knows where each
// sort group begins once it is ordered. Nets keep plain PortLists, without
// the order state and the group table, since they are never ordered; a set
// is no PortList to the outside, so that no change to it can bypass its
// order state.
class PortSet : private PortList
{
public:
    using PortList::const_iterator;
    using PortList::iterator;
    using PortList::IndexedSize;
    // The range argument that covers every sort group.
    static constexpr int AllGroups = 4;

    using PortList::at;
    using PortList::contains;
    using PortList::findByGate;
    using PortList::first;
    using PortList::isEmpty;
    using PortList::list;
    using PortList::lowestGateColumn;
    using PortList::reserve;
    using PortList::size;
    // As PortList's; the set stays in order, and its group table is
    // recomputed on the next read by group.
    int removeAll(GatePort *port);
    // As PortList's, each marking the set unsorted when it changes it.
    void add(GatePort *port, bool force = false);
    void append(GatePort *port);
    void prepend(GatePort *port);
    QList<GatePort *> takeAll();
    // The set is unsorted.
    void assign(const QList<GatePort *> &ports);
    bool replace(GatePort *oldPort, GatePort *newPort);
    // Deletes every port.
    void deleteAll();
    // The set as a list, for what reads nets' and gates' ports alike.
    const PortList &asList() const { return *this; }

    // Group 3 (top) first, then 2 (left), 1 (bottom), 0 (outputs); within a
    // group by position (signed 16 bits).
    static bool lessThan(const GatePort *a, const GatePort *b);
    // Set by ordering; cleared by every insertion and replacement.
    bool isSorted() const { return groupStart[3] != Unsorted; }
    void markUnsorted() { groupStart[3] = Unsorted; }
    // Sorts the set when it is not sorted, or always with force, and
    // recomputes the group table.
    void ensureSorted(bool force);
    void order(bool force) { ensureSorted(force); }
    // Recomputes groupStart from the sorted list (an unsorted set stays
    // unsorted).
    void sort();

    // The ports of one sort group (0-3) or of the whole set (4). Reading by
    // group needs a sorted set: an unsorted one is reported and yields its
    // whole list in its current order.
    iterator begin(int sortGroup);
    iterator end(int sortGroup);
    const_iterator constBegin(int sortGroup) const;
    const_iterator constEnd(int sortGroup) const;

    // groupStart[g]: index of the first port whose sort group is g or lower.
    // Entry 3 (always 0 then) also holds the state: -1 marks the table
    // stale, Unsorted the set unsorted (a flag of its own would make every
    // gate a block larger).
    static constexpr int Unsorted = -2;
    int groupStart[4] = {-1, -1, -1, Unsorted};

private:
    // Index range [first, last) of a group, after the checks of the accessors.
    void range(int sortGroup, int *first, int *last) const;
};

} // namespace GraphEngine
