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

bool PortSet::contains(const GatePort *port) const
{
    if (m_indexed)
        return m_position.contains(port);
    return m_ports.contains(const_cast<GatePort *>(port));
}

GatePort *PortSet::first() const
{
    // Holes before the first port are skipped once; later calls start behind them.
    const int n = m_ports.size();
    while (m_head < n && !m_ports.at(m_head))
        ++m_head;
    return m_head < n ? m_ports.at(m_head) : nullptr;
}

const QList<GatePort *> &PortSet::list() const
{
    compact();
    return m_ports;
}

int PortSet::indexOf(const GatePort *port) const
{
    if (!m_indexed)
        return m_ports.indexOf(const_cast<GatePort *>(port));
    const auto it = m_position.constFind(port);
    return it == m_position.constEnd() ? -1 : it.value() + m_shift;
}

void PortSet::rebuildIndex() const
{
    m_position.clear();
    m_position.reserve(m_ports.size());
    m_shift = 0;
    m_duplicates = 0;
    for (int i = 0; i < m_ports.size(); ++i) {
        const GatePort *port = m_ports.at(i);
        if (!port)
            continue;
        // The first position counts: replace and removal work on it.
        if (m_position.contains(port))
            ++m_duplicates;
        else
            m_position.insert(port, i);
    }
    m_indexed = true;
}

void PortSet::clearIndex() const
{
    m_position.clear();
    m_shift = 0;
    m_duplicates = 0;
    m_indexed = false;
}

void PortSet::compact() const
{
    if (m_holes == 0)
        return;
    m_ports.removeAll(nullptr);
    m_holes = 0;
    m_head = 0;
    if (m_ports.size() >= IndexedSize / 2)
        rebuildIndex();
    else
        clearIndex();
}

void PortSet::add(GatePort *port, bool force)
{
    if (!port || (!force && contains(port)))
        return;
    append(port);
}

void PortSet::append(GatePort *port)
{
    if (!port)
        return;
    m_ports.append(port);
    sorted = false;
    if (m_indexed) {
        const auto it = m_position.find(port);
        if (it == m_position.end())
            m_position.insert(port, m_ports.size() - 1 - m_shift);
        else
            ++m_duplicates;
    } else if (m_ports.size() >= IndexedSize) {
        rebuildIndex();
    }
}

void PortSet::prepend(GatePort *port)
{
    if (!port)
        return;
    sorted = false;
    if (!m_indexed) {
        m_ports.prepend(port);
        if (m_ports.size() >= IndexedSize)
            rebuildIndex();
        return;
    }
    first(); // moves m_head behind the leading holes
    int position;
    if (m_head > 0) {
        // The hole just before the first port takes it: nothing moves.
        position = --m_head;
        m_ports[position] = port;
        --m_holes;
    } else {
        m_ports.prepend(port);
        ++m_shift;
        position = 0;
    }
    if (m_position.contains(port))
        ++m_duplicates;
    m_position.insert(port, position - m_shift);
}

int PortSet::removeAll(GatePort *port)
{
    if (!port)
        return 0;
    if (!m_indexed)
        return m_ports.removeAll(port);
    if (m_duplicates > 0) {
        compact();
        const int removed = m_ports.removeAll(port);
        if (m_indexed)
            rebuildIndex();
        return removed;
    }
    const auto it = m_position.find(port);
    if (it == m_position.end())
        return 0;
    m_ports[it.value() + m_shift] = nullptr;
    m_position.erase(it);
    ++m_holes;
    // Holes never outnumber the ports for long: closing them is paid for by
    // the removals that made them.
    if (m_holes >= IndexedSize && 2 * m_holes > m_ports.size())
        compact();
    return 1;
}

QList<GatePort *> PortSet::takeAll()
{
    compact();
    QList<GatePort *> taken;
    taken.swap(m_ports);
    clearIndex();
    m_head = 0;
    sorted = false;
    return taken;
}

void PortSet::assign(const QList<GatePort *> &ports)
{
    m_ports = ports;
    m_ports.removeAll(nullptr);
    m_holes = 0;
    m_head = 0;
    sorted = false;
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
    if (sorted && !force)
        return;
    compact();
    std::sort(m_ports.begin(), m_ports.end(), lessThan);
    if (m_indexed)
        rebuildIndex();
    sorted = true;
    std::fill(std::begin(groupStart), std::end(groupStart), -1);
    sort();
}

void PortSet::sort()
{
    compact();
    std::fill(std::begin(groupStart), std::end(groupStart), 0);
    const int n = m_ports.size();
    int i = 0;
    for (int g = 2; g >= 0; --g) {
        while (i < n && m_ports.at(i)->attributes.sortGroup() > g)
            ++i;
        groupStart[g] = i;
    }
}

void PortSet::range(int sortGroup, int *first, int *last) const
{
    compact();
    const int n = m_ports.size();
    if (!sorted) {
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

bool PortSet::replace(GatePort *oldPort, GatePort *newPort)
{
    if (!newPort)
        return false;
    const int i = indexOf(oldPort);
    if (i < 0 || contains(newPort))
        return false;
    m_ports[i] = newPort;
    sorted = false;
    if (m_indexed) {
        if (m_duplicates > 0) {
            // oldPort may stand again further on: its first place moves there.
            compact();
            rebuildIndex();
        } else {
            m_position.remove(oldPort);
            m_position.insert(newPort, i - m_shift);
        }
    }
    return true;
}

GatePort *PortSet::findByGate(const Gate *gate) const
{
    for (GatePort *port : qAsConst(m_ports)) {
        if (port && port->owner == gate)
            return port;
    }
    return nullptr;
}

int PortSet::lowestGateColumn() const
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

void PortSet::deleteAll()
{
    qDeleteAll(takeAll());
}

} // namespace GraphEngine
