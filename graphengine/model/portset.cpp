#include "portset.h"

#include "gate.h"
#include "gateport.h"
#include "graphengine/logging.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace GraphEngine {

namespace {

// Group 3 is drawn first (top), group 0 (outputs) last. Values above 3 do not
// occur on ports; they sort behind the outputs.
int groupRank(int group)
{
    return group <= 3 ? 3 - group : 4;
}

} // namespace

PortArray::PortArray(const PortArray &other)
    : PortArray()
{
    *this = other;
}

PortArray::PortArray(PortArray &&other) noexcept
    : PortArray()
{
    takeOver(other);
}

PortArray &PortArray::operator=(const PortArray &other)
{
    if (this == &other)
        return *this;
    release();
    if (other.m_size > InlineRoom)
        regrow(other.m_size, 0);
    std::copy(other.data(), other.data() + other.m_size, data());
    m_size = other.m_size;
    if (other.index())
        setIndex(new PortIndex(*other.index()));
    return *this;
}

PortArray &PortArray::operator=(PortArray &&other) noexcept
{
    if (this != &other) {
        release();
        takeOver(other);
    }
    return *this;
}

void PortArray::takeOver(PortArray &other) noexcept
{
    m_size = other.m_size;
    m_onHeap = other.m_onHeap;
    if (m_onHeap)
        m_heap = other.m_heap;
    else
        std::copy(other.m_inline, other.m_inline + InlineRoom, m_inline);
    other.m_onHeap = false;
    other.m_size = 0;
}

void PortArray::release() noexcept
{
    if (m_onHeap) {
        delete m_heap->index;
        std::free(m_heap);
        m_onHeap = false;
    }
    m_size = 0;
    m_inline[0] = m_inline[1] = nullptr;
}

void PortArray::regrow(int capacity, int frontRoom)
{
    auto *heap = static_cast<Heap *>(std::malloc(sizeof(Heap) + std::size_t(capacity) * sizeof(GatePort *)));
    if (!heap)
        throw std::bad_alloc();
    heap->capacity = capacity;
    heap->begin = frontRoom;
    heap->index = index();
    std::copy(data(), data() + m_size, items(heap) + frontRoom);
    if (m_onHeap)
        std::free(m_heap);
    m_heap = heap;
    m_onHeap = true;
}

void PortArray::append(GatePort *port)
{
    if (!m_onHeap && m_size < InlineRoom) {
        m_inline[m_size++] = port;
        return;
    }
    if (!m_onHeap || m_heap->begin + m_size == m_heap->capacity) {
        // Doubling keeps appends amortised constant; front room left by
        // prepends is kept.
        const int front = m_onHeap ? std::min(m_heap->begin, m_size) : 0;
        regrow(front + std::max(4, 2 * m_size), front);
    }
    items(m_heap)[m_heap->begin + m_size++] = port;
}

void PortArray::prepend(GatePort *port)
{
    if (!m_onHeap && m_size < InlineRoom) {
        m_inline[1] = m_inline[0];
        m_inline[0] = port;
        ++m_size;
        return;
    }
    if (!m_onHeap || m_heap->begin == 0) {
        // Room at the front as large as the list, so that prepends are
        // amortised constant too.
        const int back = m_onHeap ? m_heap->capacity - m_size : 0;
        const int front = std::max(2, m_size);
        regrow(front + m_size + back, front);
    }
    --m_heap->begin;
    items(m_heap)[m_heap->begin] = port;
    ++m_size;
}

void PortArray::reserve(int n)
{
    if (n <= InlineRoom && !m_onHeap)
        return;
    const int front = m_onHeap ? m_heap->begin : 0;
    const int capacity = m_onHeap ? m_heap->capacity : InlineRoom;
    if (front + n > capacity)
        regrow(front + n, front);
}

int PortArray::removeAll(const GatePort *port)
{
    GatePort **first = data();
    GatePort **last = first + m_size;
    GatePort **kept = std::remove(first, last, port);
    const int removed = int(last - kept);
    m_size -= removed;
    return removed;
}

int PortArray::indexOf(const GatePort *port) const
{
    GatePort *const *first = data();
    GatePort *const *last = first + m_size;
    GatePort *const *found = std::find(first, last, port);
    return found == last ? -1 : int(found - first);
}

void PortArray::squeeze()
{
    if (!m_onHeap || m_size > InlineRoom || m_heap->index)
        return;
    Heap *heap = m_heap;
    GatePort *const *ports = items(heap) + heap->begin;
    m_inline[0] = m_size > 0 ? ports[0] : nullptr;
    m_inline[1] = m_size > 1 ? ports[1] : nullptr;
    m_onHeap = false;
    std::free(heap);
}

void PortArray::setIndex(PortIndex *index)
{
    if (!m_onHeap) {
        if (!index)
            return;
        regrow(std::max(4, m_size), 0);
    }
    if (m_heap->index != index)
        delete m_heap->index;
    m_heap->index = index;
}

int PortRange::indexOf(const GatePort *port) const
{
    const const_iterator found = std::find(m_begin, m_end, port);
    return found == m_end ? -1 : int(found - m_begin);
}

QList<GatePort *> PortRange::toList() const
{
    QList<GatePort *> list;
    list.reserve(size());
    for (GatePort *port : *this)
        list.append(port);
    return list;
}

bool operator==(const PortRange &a, const PortRange &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

bool operator==(const PortRange &a, const QList<GatePort *> &b)
{
    return std::equal(a.begin(), a.end(), b.cbegin(), b.cend());
}

PortList::PortList(const PortList &other) = default;

PortList &PortList::operator=(const PortList &other) = default;

PortList::~PortList() = default;

bool PortList::contains(const GatePort *port) const
{
    if (const PortIndex *index = positionIndex())
        return index->position.contains(port);
    return m_ports.indexOf(port) >= 0;
}

GatePort *PortList::first() const
{
    // Holes before the first port are skipped once; later calls start behind them.
    const int n = m_ports.size();
    PortIndex *index = positionIndex();
    if (!index)
        return n > 0 ? m_ports.at(0) : nullptr;
    int &head = index->head;
    while (head < n && !m_ports.at(head))
        ++head;
    return head < n ? m_ports.at(head) : nullptr;
}

PortRange PortList::list() const
{
    compact();
    return PortRange(m_ports.data(), m_ports.data() + m_ports.size());
}

int PortList::indexOf(const GatePort *port) const
{
    const PortIndex *index = positionIndex();
    if (!index)
        return m_ports.indexOf(port);
    const auto it = index->position.constFind(port);
    return it == index->position.constEnd() ? -1 : it.value() + index->shift;
}

void PortList::rebuildIndex() const
{
    // Holes and head stay: a set is compacted before its index is rebuilt.
    if (!positionIndex())
        m_ports.setIndex(new PortIndex);
    PortIndex &index = *positionIndex();
    QHash<const GatePort *, int> &position = index.position;
    position.clear();
    position.reserve(m_ports.size());
    index.shift = 0;
    index.duplicates = 0;
    for (int i = 0; i < m_ports.size(); ++i) {
        const GatePort *port = m_ports.at(i);
        if (!port)
            continue;
        // The first position counts: replace and removal work on it.
        if (position.contains(port))
            ++index.duplicates;
        else
            position.insert(port, i);
    }
}

void PortList::clearIndex() const
{
    m_ports.setIndex(nullptr);
}

void PortList::compact() const
{
    if (holes() == 0)
        return;
    m_ports.removeAll(nullptr);
    PortIndex *index = positionIndex();
    index->holes = 0;
    index->head = 0;
    if (m_ports.size() >= IndexedSize / 2) {
        rebuildIndex();
    } else {
        clearIndex();
        m_ports.squeeze();
    }
}

void PortList::add(GatePort *port, bool force)
{
    if (!port || (!force && contains(port)))
        return;
    append(port);
}

void PortList::append(GatePort *port)
{
    if (!port)
        return;
    m_ports.append(port);
    if (PortIndex *index = positionIndex()) {
        const auto it = index->position.find(port);
        if (it == index->position.end())
            index->position.insert(port, m_ports.size() - 1 - index->shift);
        else
            ++index->duplicates;
    } else if (m_ports.size() >= IndexedSize) {
        rebuildIndex();
    }
}

void PortList::appendAll(const QList<GatePort *> &ports)
{
    // Joining net pieces appends whole lists. Room is made at once only for
    // a block larger than the list, so that growth stays geometric.
    if (ports.size() > m_ports.size()) {
        m_ports.reserve(m_ports.size() + ports.size());
        if (PortIndex *index = positionIndex())
            index->position.reserve(index->position.size() + ports.size());
    }
    for (GatePort *port : ports)
        append(port);
}

void PortList::appendAll(PortList &&ports)
{
    if (&ports == this)
        return appendAll(ports.takeAll());
    ports.compact();
    // An empty list takes the other's ports as they are (a split net's new
    // piece takes its far loads so): moved, not copied.
    if (m_ports.isEmpty()) {
        m_ports = std::move(ports.m_ports);
        return;
    }
    if (ports.m_ports.size() > m_ports.size()) {
        m_ports.reserve(m_ports.size() + ports.m_ports.size());
        if (PortIndex *index = positionIndex())
            index->position.reserve(index->position.size() + ports.m_ports.size());
    }
    for (int i = 0; i < ports.m_ports.size(); ++i)
        append(ports.m_ports.at(i));
    ports.m_ports.clear();
}

void PortList::prepend(GatePort *port)
{
    if (!port)
        return;
    PortIndex *indexPointer = positionIndex();
    if (!indexPointer) {
        m_ports.prepend(port);
        if (m_ports.size() >= IndexedSize)
            rebuildIndex();
        return;
    }
    first(); // moves the head behind the leading holes
    PortIndex &index = *indexPointer;
    int position;
    if (index.head > 0) {
        // The hole just before the first port takes it: nothing moves.
        position = --index.head;
        m_ports[position] = port;
        --index.holes;
    } else {
        m_ports.prepend(port);
        ++index.shift;
        position = 0;
    }
    if (index.position.contains(port))
        ++index.duplicates;
    index.position.insert(port, position - index.shift);
}

int PortList::removeAll(GatePort *port)
{
    if (!port)
        return 0;
    PortIndex *indexPointer = positionIndex();
    if (!indexPointer)
        return m_ports.removeAll(port);
    if (indexPointer->duplicates > 0) {
        compact();
        const int removed = m_ports.removeAll(port);
        if (positionIndex())
            rebuildIndex();
        return removed;
    }
    PortIndex &index = *indexPointer;
    const auto it = index.position.find(port);
    if (it == index.position.end())
        return 0;
    m_ports[it.value() + index.shift] = nullptr;
    index.position.erase(it);
    ++index.holes;
    // Holes never outnumber the ports for long: closing them is paid for by
    // the removals that made them.
    if (index.holes >= IndexedSize && 2 * index.holes > m_ports.size())
        compact();
    return 1;
}

QList<GatePort *> PortList::takeAll()
{
    const QList<GatePort *> taken = list().toList();
    m_ports.clear();
    return taken;
}

void PortList::assign(const QList<GatePort *> &ports)
{
    // Built aside: an allocation that fails leaves the list as it was. The
    // index goes or is rebuilt below, holes and head with it.
    PortArray fresh;
    fresh.reserve(ports.size());
    for (GatePort *port : ports) {
        if (port)
            fresh.append(port);
    }
    fresh.squeeze();
    m_ports = std::move(fresh);
    if (m_ports.size() >= IndexedSize)
        rebuildIndex();
}

bool PortSet::lessThan(const GatePort *a, const GatePort *b)
{
    const int ra = groupRank(a->attributes.sortGroup());
    const int rb = groupRank(b->attributes.sortGroup());
    if (ra != rb)
        return ra < rb;
    return a->attributes.position16() < b->attributes.position16();
}

void PortSet::ensureSorted(bool force)
{
    if (isSorted() && !force)
        return;
    compact();
    std::sort(m_ports.data(), m_ports.data() + m_ports.size(), lessThan);
    if (positionIndex())
        rebuildIndex();
    std::fill(std::begin(groupStart), std::end(groupStart), -1);
    sort();
}

void PortSet::sort()
{
    const bool wasSorted = isSorted();
    compact();
    std::fill(std::begin(groupStart), std::end(groupStart), 0);
    const int n = m_ports.size();
    int i = 0;
    for (int g = 2; g >= 0; --g) {
        while (i < n && m_ports.at(i)->attributes.sortGroup() > g)
            ++i;
        groupStart[g] = i;
    }
    if (!wasSorted)
        markUnsorted();
}

void PortSet::range(int sortGroup, int *first, int *last) const
{
    compact();
    const int n = m_ports.size();
    if (!isSorted()) {
        logCritical(QStringLiteral(
            "Programatic Error. Try to access PortSet by position on an unsorted Set; Invalid!"));
        *first = 0;
        *last = n;
        return;
    }
    if (groupStart[3] < 0)
        const_cast<PortSet *>(this)->sort();
    if (sortGroup < 0 || sortGroup > AllGroups) {
        *first = *last = n;
        return;
    }
    *first = sortGroup == AllGroups ? 0 : groupStart[sortGroup];
    *last = (sortGroup == 0 || sortGroup == AllGroups) ? n : groupStart[sortGroup - 1];
}

PortSet::iterator PortSet::begin(int sortGroup)
{
    int first, last;
    range(sortGroup, &first, &last);
    return m_ports.data() + first;
}

PortSet::iterator PortSet::end(int sortGroup)
{
    int first, last;
    range(sortGroup, &first, &last);
    return m_ports.data() + last;
}

PortSet::const_iterator PortSet::constBegin(int sortGroup) const
{
    int first, last;
    range(sortGroup, &first, &last);
    return m_ports.data() + first;
}

PortSet::const_iterator PortSet::constEnd(int sortGroup) const
{
    int first, last;
    range(sortGroup, &first, &last);
    return m_ports.data() + last;
}

bool PortList::replace(GatePort *oldPort, GatePort *newPort)
{
    if (!newPort)
        return false;
    const int i = indexOf(oldPort);
    if (i < 0 || contains(newPort))
        return false;
    m_ports[i] = newPort;
    if (PortIndex *index = positionIndex()) {
        if (index->duplicates > 0) {
            // oldPort may stand again further on: its first place moves there.
            compact();
            rebuildIndex();
        } else {
            index->position.remove(oldPort);
            index->position.insert(newPort, i - index->shift);
        }
    }
    return true;
}

GatePort *PortList::findByGate(const Gate *gate) const
{
    for (GatePort *const *it = m_ports.data(), *const *end = it + m_ports.size(); it != end; ++it) {
        GatePort *port = *it;
        if (port && port->owner == gate)
            return port;
    }
    return nullptr;
}

int PortList::lowestGateColumn() const
{
    bool found = false;
    int lowest = -1;
    for (GatePort *const *it = m_ports.data(), *const *end = it + m_ports.size(); it != end; ++it) {
        const GatePort *port = *it;
        if (!port || !port->owner)
            continue;
        if (!found || port->owner->column < lowest)
            lowest = port->owner->column;
        found = true;
    }
    return lowest;
}


void PortSet::add(GatePort *port, bool force)
{
    const int before = size();
    PortList::add(port, force);
    if (size() != before)
        markUnsorted();
}

int PortSet::removeAll(GatePort *port)
{
    const int removed = PortList::removeAll(port);
    // The group table still counts the removed port: a walk of a group by
    // it would run past the end of the list.
    if (removed > 0 && isSorted())
        groupStart[3] = -1;
    return removed;
}

void PortSet::append(GatePort *port)
{
    if (port)
        markUnsorted();
    PortList::append(port);
}

void PortSet::prepend(GatePort *port)
{
    if (port)
        markUnsorted();
    PortList::prepend(port);
}

QList<GatePort *> PortSet::takeAll()
{
    markUnsorted();
    return PortList::takeAll();
}

void PortSet::assign(const QList<GatePort *> &ports)
{
    markUnsorted();
    PortList::assign(ports);
}

bool PortSet::replace(GatePort *oldPort, GatePort *newPort)
{
    if (!PortList::replace(oldPort, newPort))
        return false;
    markUnsorted();
    return true;
}

void PortSet::assignSorted(std::initializer_list<GatePort *> ports)
{
    m_ports.clear();
    for (GatePort *port : ports)
        m_ports.append(port);
    Q_ASSERT(std::is_sorted(m_ports.data(), m_ports.data() + m_ports.size(), lessThan));
    // Sorted, its table stale: sort() fills the table and keeps it sorted.
    groupStart[3] = -1;
    sort();
}

void PortSet::deleteAll()
{
    markUnsorted();
    // The ports go with the set already empty, as takeAll leaves it.
    PortArray taken = std::move(m_ports);
    for (int i = 0; i < taken.size(); ++i)
        delete taken.at(i);
}

} // namespace GraphEngine
