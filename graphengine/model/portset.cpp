#include "portset.h"

#include "gate.h"
#include "gateport.h"
#include "graphengine/logging.h"

#include <algorithm>

namespace GraphEngine {

namespace {

// Group 3 is drawn first (top), group 0 (outputs) last. Values above 3 do not
// occur on ports; they sort behind the outputs.
int groupRank(int group)
{
    return group <= 3 ? 3 - group : 4;
}

} // namespace

PortList::PortList(const PortList &other)
    : m_ports(other.m_ports)
    , m_index(other.m_index ? new Index(*other.m_index) : nullptr)
{
}

PortList &PortList::operator=(const PortList &other)
{
    if (this != &other) {
        m_ports = other.m_ports;
        m_index.reset(other.m_index ? new Index(*other.m_index) : nullptr);
    }
    return *this;
}

PortList::~PortList() = default;

bool PortList::contains(const GatePort *port) const
{
    if (m_index)
        return m_index->position.contains(port);
    return m_ports.contains(const_cast<GatePort *>(port));
}

GatePort *PortList::first() const
{
    // Holes before the first port are skipped once; later calls start behind them.
    const int n = m_ports.size();
    if (!m_index)
        return n > 0 ? m_ports.at(0) : nullptr;
    int &head = m_index->head;
    while (head < n && !m_ports.at(head))
        ++head;
    return head < n ? m_ports.at(head) : nullptr;
}

const QList<GatePort *> &PortList::list() const
{
    compact();
    return m_ports;
}

int PortList::indexOf(const GatePort *port) const
{
    if (!m_index)
        return m_ports.indexOf(const_cast<GatePort *>(port));
    const auto it = m_index->position.constFind(port);
    return it == m_index->position.constEnd() ? -1 : it.value() + m_index->shift;
}

void PortList::rebuildIndex() const
{
    // Holes and head stay: a set is compacted before its index is rebuilt.
    if (!m_index)
        m_index.reset(new Index);
    QHash<const GatePort *, int> &position = m_index->position;
    position.clear();
    position.reserve(m_ports.size());
    m_index->shift = 0;
    m_index->duplicates = 0;
    for (int i = 0; i < m_ports.size(); ++i) {
        const GatePort *port = m_ports.at(i);
        if (!port)
            continue;
        // The first position counts: replace and removal work on it.
        if (position.contains(port))
            ++m_index->duplicates;
        else
            position.insert(port, i);
    }
}

void PortList::clearIndex() const
{
    m_index.reset();
}

void PortList::compact() const
{
    if (holes() == 0)
        return;
    m_ports.removeAll(nullptr);
    m_index->holes = 0;
    m_index->head = 0;
    if (m_ports.size() >= IndexedSize / 2)
        rebuildIndex();
    else
        clearIndex();
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
    if (m_index) {
        const auto it = m_index->position.find(port);
        if (it == m_index->position.end())
            m_index->position.insert(port, m_ports.size() - 1 - m_index->shift);
        else
            ++m_index->duplicates;
    } else if (m_ports.size() >= IndexedSize) {
        rebuildIndex();
    }
}

void PortList::appendAll(const QList<GatePort *> &ports)
{
    // An empty list takes the block as it is (a split net's new piece
    // takes its far loads so): shared, not copied.
    if (m_ports.isEmpty() && !m_index) {
        m_ports = ports;
        m_ports.removeAll(nullptr);
        if (m_ports.size() >= IndexedSize)
            rebuildIndex();
        return;
    }
    // Joining net pieces appends whole lists. Room is made at once only for
    // a block larger than the list, so that growth stays geometric.
    if (ports.size() > m_ports.size()) {
        m_ports.reserve(m_ports.size() + ports.size());
        if (m_index)
            m_index->position.reserve(m_index->position.size() + ports.size());
    }
    for (GatePort *port : ports)
        append(port);
}

void PortList::prepend(GatePort *port)
{
    if (!port)
        return;
    if (!m_index) {
        m_ports.prepend(port);
        if (m_ports.size() >= IndexedSize)
            rebuildIndex();
        return;
    }
    first(); // moves the head behind the leading holes
    Index &index = *m_index;
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
    if (!m_index)
        return m_ports.removeAll(port);
    if (m_index->duplicates > 0) {
        compact();
        const int removed = m_ports.removeAll(port);
        if (m_index)
            rebuildIndex();
        return removed;
    }
    Index &index = *m_index;
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
    compact();
    QList<GatePort *> taken;
    taken.swap(m_ports);
    clearIndex();
    return taken;
}

void PortList::assign(const QList<GatePort *> &ports)
{
    m_ports = ports;
    m_ports.removeAll(nullptr);
    // The index goes or is rebuilt below, holes and head with it.
    clearIndex();
    if (m_ports.size() >= IndexedSize)
        rebuildIndex();
    else
        clearIndex();
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
    std::sort(m_ports.begin(), m_ports.end(), lessThan);
    if (m_index)
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
    return m_ports.begin() + first;
}

PortSet::iterator PortSet::end(int sortGroup)
{
    int first, last;
    range(sortGroup, &first, &last);
    return m_ports.begin() + last;
}

PortSet::const_iterator PortSet::constBegin(int sortGroup) const
{
    int first, last;
    range(sortGroup, &first, &last);
    return m_ports.constBegin() + first;
}

PortSet::const_iterator PortSet::constEnd(int sortGroup) const
{
    int first, last;
    range(sortGroup, &first, &last);
    return m_ports.constBegin() + last;
}

bool PortList::replace(GatePort *oldPort, GatePort *newPort)
{
    if (!newPort)
        return false;
    const int i = indexOf(oldPort);
    if (i < 0 || contains(newPort))
        return false;
    m_ports[i] = newPort;
    if (m_index) {
        if (m_index->duplicates > 0) {
            // oldPort may stand again further on: its first place moves there.
            compact();
            rebuildIndex();
        } else {
            m_index->position.remove(oldPort);
            m_index->position.insert(newPort, i - m_index->shift);
        }
    }
    return true;
}

GatePort *PortList::findByGate(const Gate *gate) const
{
    for (GatePort *port : qAsConst(m_ports)) {
        if (port && port->owner == gate)
            return port;
    }
    return nullptr;
}

int PortList::lowestGateColumn() const
{
    bool found = false;
    int lowest = -1;
    for (const GatePort *port : qAsConst(m_ports)) {
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

void PortSet::deleteAll()
{
    qDeleteAll(takeAll());
}

} // namespace GraphEngine
