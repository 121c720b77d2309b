#include "graphitem.h"

#include "bussequence.h"
#include "edge.h"
#include "gate.h"
#include "gateport.h"
#include "graphengine/logging.h"
#include "name.h"

#include <tuple>

namespace GraphEngine {

namespace {
const int graphItemTypeId = qRegisterMetaType<GraphItem>("GraphEngine::GraphItem");

bool testAndSetBit(int &marks, int n)
{
    const int bit = 1 << n;
    if (marks & bit)
        return true;
    marks |= bit;
    return false;
}
} // namespace

GraphItem::GraphItem()
    : d(new Record)
{
}

GraphItem::GraphItem(int)
    : GraphItem()
{
}

GraphItem::GraphItem(Gate *gate)
    : GraphItem()
{
    d->kind = GateItem;
    d->gate = gate;
}

GraphItem::GraphItem(Edge *net, GatePort *port)
    : GraphItem()
{
    d->kind = port ? NetEndItem : NetItem;
    d->net = net;
    d->port = port;
}

GraphItem::GraphItem(GatePort *port)
    : GraphItem()
{
    d->kind = PortItem;
    d->port = port;
}

GraphItem::GraphItem(PortIterator begin, PortIterator end)
    : GraphItem()
{
    setRange(begin && begin < end ? *begin : nullptr, int(end - begin));
}

void GraphItem::setRange(GatePort *first, int count)
{
    Gate *gate = first ? first->owner : nullptr;
    const int index = gate ? gate->ports.list().indexOf(first) : -1;
    if (count <= 0 || index < 0 || index + count > gate->ports.size()) {
        logCritical(QStringLiteral("SOFT ASSERT: a port range must be a non-empty run of one gate's ports"));
        return;
    }
    d->kind = PortRangeItem;
    d->gate = gate;
    d->rangeFirst = index;
    d->rangeEnd = index + count;
}

QList<GatePort *> GraphItem::rangePorts() const
{
    if (d->kind != PortRangeItem || !d->gate)
        return QList<GatePort *>();
    const PortRange all = d->gate->ports.list();
    const int end = qMin(d->rangeEnd, all.size());
    return d->rangeFirst < end ? PortRange(all.begin() + d->rangeFirst, all.begin() + end).toList()
                               : QList<GatePort *>();
}

Module *GraphItem::owner() const
{
    switch (d->kind) {
    case GateItem:
    case PortRangeItem:
        return d->gate ? d->gate->module : nullptr;
    case NetItem:
    case NetEndItem:
        return d->net ? d->net->module : nullptr;
    case PortItem:
        return d->port && d->port->owner ? d->port->owner->module : nullptr;
    default:
        return nullptr;
    }
}

bool GraphItem::operator<(const GraphItem &other) const
{
    const Record &a = *d;
    const Record &b = *other.d;
    if (a.kind != b.kind)
        return a.kind < b.kind;
    // Addresses compared as unsigned numbers; then the bounds of a run.
    auto key = [](const Record &r) {
        const bool range = r.kind == PortRangeItem;
        return std::make_tuple(reinterpret_cast<quintptr>(r.gate), reinterpret_cast<quintptr>(r.net),
                               reinterpret_cast<quintptr>(r.port), range ? r.rangeFirst : -1,
                               range ? r.rangeEnd : -1);
    };
    return key(a) < key(b);
}

bool GraphItem::operator==(const GraphItem &other) const
{
    const Record &a = *d;
    const Record &b = *other.d;
    return a.kind == b.kind && a.gate == b.gate && a.net == b.net && a.port == b.port
        && (a.kind != PortRangeItem || (a.rangeFirst == b.rangeFirst && a.rangeEnd == b.rangeEnd));
}

bool GraphItem::matches(const GraphItem &other) const
{
    if (*this == other)
        return true;
    if ((d->kind != NetEndItem && d->kind != PortItem) || other.kind() != PortRangeItem || !d->port)
        return false;
    return other.rangePorts().contains(d->port);
}

bool GraphItem::testAndSetMark(int n) const
{
    if (d->kind == Empty)
        return true;
    if (n < 0 || n > 7) {
        logCritical(QStringLiteral("SOFT ASSERT: mark bit %1 is not one of 0-7").arg(n));
        return false;
    }
    switch (d->kind) {
    case GateItem:
        return d->gate && testAndSetBit(d->gate->marks, n);
    case NetItem:
        return d->net && testAndSetBit(d->net->marks, n);
    default:
        return false;
    }
}

QVariant GraphItem::property(const QString &name) const
{
    const BaseObject *object = nullptr;
    switch (d->kind) {
    case GateItem:
        object = d->gate;
        break;
    case NetItem:
        object = d->net;
        break;
    case PortItem:
        object = d->port;
        break;
    default:
        break;
    }
    return object ? object->properties.value(name) : QVariant();
}

QString GraphItem::describe(const Name &subName) const
{
    switch (d->kind) {
    case GateItem:
        if (!d->gate)
            return QString();
        if (d->gate->isCluster())
            return d->gate->propertyTable(d->gate->portIndexOf(QVariant::fromValue(subName)));
        return d->gate->propertyTableAll();
    case NetItem:
        return d->net ? d->net->propertyTableAll() : QString();
    case NetEndItem:
    case PortItem:
        return d->port ? d->port->propertyTableAll() : QString();
    case PortRangeItem: {
        if (!d->gate)
            return QString();
        const PortSet::const_iterator begin = d->gate->ports.list().constBegin();
        const int end = qMin(d->rangeEnd, d->gate->ports.size());
        if (d->rangeFirst >= end)
            return QString();
        return d->gate->portsDescription(begin + d->rangeFirst, begin + end, -1);
    }
    default:
        return QString();
    }
}

QString GraphItem::label() const
{
    switch (d->kind) {
    case GateItem:
        return d->gate ? QStringLiteral("G:%1").arg(d->gate->name.toString(false)) : QString();
    case NetItem:
        return d->net ? QStringLiteral("E:%1").arg(d->net->name.toString(false)) : QString();
    case NetEndItem:
    case PortItem:
        return d->port ? QStringLiteral("P:%1").arg(d->port->fullName()) : QString();
    case PortRangeItem: {
        NameList names;
        for (const GatePort *port : rangePorts()) {
            if (port)
                names.append(Name(port->name));
        }
        return QStringLiteral("B:%1").arg(names.toString());
    }
    default:
        return QString();
    }
}

Name GraphItem::name() const
{
    switch (d->kind) {
    case GateItem:
        return d->gate ? d->gate->name : Name();
    case NetItem:
        return d->net ? d->net->name : Name();
    case PortItem:
        return d->port ? Name(d->port->fullName()) : Name();
    default:
        return Name();
    }
}

} // namespace GraphEngine
