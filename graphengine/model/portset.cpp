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

void PortSet::add(GatePort *port, bool force)
{
    if (!port || (!force && ports.contains(port)))
        return;
    append(port);
}

void PortSet::append(GatePort *port)
{
    ports.append(port);
    sorted = false;
}

void PortSet::prepend(GatePort *port)
{
    ports.prepend(port);
    sorted = false;
}

int PortSet::removeAll(GatePort *port)
{
    return ports.removeAll(port);
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
    std::sort(ports.begin(), ports.end(), lessThan);
    sorted = true;
    std::fill(std::begin(groupStart), std::end(groupStart), -1);
    sort();
}

void PortSet::sort()
{
    std::fill(std::begin(groupStart), std::end(groupStart), 0);
    const int n = ports.size();
    int i = 0;
    for (int g = 2; g >= 0; --g) {
        while (i < n && ports.at(i)->attributes.sortGroup() > g)
            ++i;
        groupStart[g] = i;
    }
}

void PortSet::range(int sortGroup, int *first, int *last) const
{
    const int n = ports.size();
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
    return ports.begin() + first;
}

PortSet::iterator PortSet::end(int sortGroup)
{
    int first, last;
    range(sortGroup, &first, &last);
    return ports.begin() + last;
}

PortSet::const_iterator PortSet::constBegin(int sortGroup) const
{
    int first, last;
    range(sortGroup, &first, &last);
    return ports.constBegin() + first;
}

PortSet::const_iterator PortSet::constEnd(int sortGroup) const
{
    int first, last;
    range(sortGroup, &first, &last);
    return ports.constBegin() + last;
}

bool PortSet::replace(GatePort *oldPort, GatePort *newPort)
{
    const int i = ports.indexOf(oldPort);
    if (i < 0 || ports.contains(newPort))
        return false;
    ports[i] = newPort;
    sorted = false;
    return true;
}

GatePort *PortSet::findByGate(const Gate *gate) const
{
    for (GatePort *port : ports) {
        if (port && port->owner == gate)
            return port;
    }
    return nullptr;
}

int PortSet::lowestGateColumn() const
{
    bool found = false;
    int lowest = -1;
    for (const GatePort *port : ports) {
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
    const QList<GatePort *> owned = ports;
    ports.clear();
    sorted = false;
    qDeleteAll(owned);
}

} // namespace GraphEngine
