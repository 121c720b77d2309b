#pragma once

#include <QHash>
#include <QList>
#include <QtGlobal>

#include <initializer_list>
#include <memory>

namespace GraphEngine {

class Gate;
class GatePort;

// What a large port list keeps beside it (see PortList).
struct PortIndex
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

// The ports of a PortList, in place. Up to two ports (every pass-through
// gate and most net pieces of a split net) stand inside the object itself,
// so that such a list costs no allocation; a longer list takes one block,
// with room at both ends (a pass-through driver goes first) and the list's
// PortIndex, if it has one. 24 bytes.
class PortArray
{
public:
    PortArray() noexcept { m_inline[0] = m_inline[1] = nullptr; }
    PortArray(const PortArray &other);
    PortArray(PortArray &&other) noexcept;
    PortArray &operator=(const PortArray &other);
    PortArray &operator=(PortArray &&other) noexcept;
    ~PortArray() { release(); }

    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    GatePort **data() { return m_onHeap ? items(m_heap) + m_heap->begin : m_inline; }
    GatePort *const *data() const { return m_onHeap ? items(m_heap) + m_heap->begin : m_inline; }
    GatePort *const &at(int i) const { return data()[i]; }
    GatePort *&operator[](int i) { return data()[i]; }

    void append(GatePort *port);
    void prepend(GatePort *port);
    // Room for n ports in all, at the back.
    void reserve(int n);
    // Removes every entry equal to port (null: the holes), keeping the
    // order of the rest; returns how many went.
    int removeAll(const GatePort *port);
    int indexOf(const GatePort *port) const;
    // Empties the list, its index and its block.
    void clear() { release(); }
    // A block that no longer needs to be one (two ports or fewer, no index)
    // is given back: the ports move into the object.
    void squeeze();

    // The index of a large list; null for none. Setting one on a list
    // without block gives it a block.
    PortIndex *index() const { return m_onHeap ? m_heap->index : nullptr; }
    void setIndex(PortIndex *index);

    static constexpr int InlineRoom = 2;

private:
    struct Heap
    {
        int capacity;
        int begin;
        PortIndex *index;
    };
    static GatePort **items(Heap *heap) { return reinterpret_cast<GatePort **>(heap + 1); }
    // Moves the ports into a new block of that capacity, front room first.
    void regrow(int capacity, int frontRoom);
    void release() noexcept;
    // Takes the other's ports (this one is empty); the other is left empty.
    void takeOver(PortArray &other) noexcept;

    union {
        GatePort *m_inline[InlineRoom];
        Heap *m_heap;
    };
    int m_size = 0;
    bool m_onHeap = false;
};

// The ports of a list in order, as its list() shows them: a view that stays
// valid until the list changes. Converts to a QList for code that keeps a
// copy.
class PortRange
{
public:
    using value_type = GatePort *;
    using const_iterator = GatePort *const *;
    using iterator = const_iterator;

    PortRange(const_iterator begin, const_iterator end)
        : m_begin(begin)
        , m_end(end)
    {
    }

    const_iterator begin() const { return m_begin; }
    const_iterator end() const { return m_end; }
    const_iterator cbegin() const { return m_begin; }
    const_iterator cend() const { return m_end; }
    const_iterator constBegin() const { return m_begin; }
    const_iterator constEnd() const { return m_end; }
    int size() const { return int(m_end - m_begin); }
    int count() const { return size(); }
    bool isEmpty() const { return m_begin == m_end; }
    bool empty() const { return isEmpty(); }
    GatePort *const &at(int i) const { return m_begin[i]; }
    GatePort *const &operator[](int i) const { return m_begin[i]; }
    GatePort *const &first() const { return *m_begin; }
    GatePort *const &last() const { return *(m_end - 1); }
    int indexOf(const GatePort *port) const;
    bool contains(const GatePort *port) const { return indexOf(port) >= 0; }
    QList<GatePort *> toList() const;
    operator QList<GatePort *>() const { return toList(); }

private:
    const_iterator m_begin;
    const_iterator m_end;
};

// Equal ports in equal order.
bool operator==(const PortRange &a, const PortRange &b);
bool operator==(const PortRange &a, const QList<GatePort *> &b);
inline bool operator==(const QList<GatePort *> &a, const PortRange &b) { return b == a; }
inline bool operator!=(const PortRange &a, const PortRange &b) { return !(a == b); }
inline bool operator!=(const PortRange &a, const QList<GatePort *> &b) { return !(a == b); }
inline bool operator!=(const QList<GatePort *> &a, const PortRange &b) { return !(b == a); }

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
    using iterator = GatePort **;
    using const_iterator = GatePort *const *;
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
    // it needs a copy (toList()), as with any Qt container.
    PortRange list() const;
    // Calls f on each port in list order, stepping over the holes without
    // closing them: a walk that only reads the ports of a large list that
    // loses entries between walks (a clock net while its loads fold) would
    // otherwise rebuild the list's index every time.
    template<typename F>
    void forEachPort(F f) const
    {
        GatePort *const *port = m_ports.data();
        for (GatePort *const *end = port + m_ports.size(); port != end; ++port) {
            if (*port)
                f(*port);
        }
    }

    // Appends the port (a null port is ignored); unless force is set a port
    // already in the list is not added again.
    void add(GatePort *port, bool force = false);
    // Null ports are ignored.
    void append(GatePort *port);
    void prepend(GatePort *port);
    // As append for each port in turn, with room made once for all of them.
    void appendAll(const QList<GatePort *> &ports);
    // The same for the ports of another list, which is left empty; an
    // empty list takes them without a copy.
    void appendAll(PortList &&ports);
    // Removes every occurrence; the order flag is left as it is.
    int removeAll(GatePort *port);
    // Empties the list and returns its ports in list order.
    QList<GatePort *> takeAll();
    // Replaces the whole list (null entries are dropped).
    void assign(const QList<GatePort *> &ports);
    void reserve(int n) { m_ports.reserve(n); }
    // Empties the list (takeAll without the copy).
    void clear() { m_ports.clear(); }

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
    PortIndex *positionIndex() const { return m_ports.index(); }
    int holes() const { return m_ports.index() ? m_ports.index()->holes : 0; }

    // Mutable: readers close the holes that removals leave. Only large
    // lists have an index (and only they get holes): the small lists of
    // every gate and net piece stay small.
    mutable PortArray m_ports;
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
    using PortList::forEachPort;
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
    // The set becomes the ports, given in the order a sort gives them; the
    // group table is set as that sort sets it, without sorting.
    void assignSorted(std::initializer_list<GatePort *> ports);
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
