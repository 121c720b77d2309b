#include "graphitem.h"

#include "edge.h"
#include "gate.h"
#include "gateport.h"

#include <tuple>

namespace GraphEngine {

namespace {
const int graphItemTypeId = qRegisterMetaType<GraphItem>("GraphEngine::GraphItem");
}

GraphItem::GraphItem()
    : d(new Record)
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
    d->kind = PortRangeItem;
    d->gate = begin != end && *begin ? (*begin)->owner : nullptr;
    d->rangeBegin = begin;
    d->rangeEnd = end;
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
    // Addresses compared as unsigned numbers.
    auto key = [](const Record &r) {
        const bool range = r.kind == PortRangeItem;
        return std::make_tuple(reinterpret_cast<quintptr>(r.gate), reinterpret_cast<quintptr>(r.net),
                               reinterpret_cast<quintptr>(r.port),
                               reinterpret_cast<quintptr>(range ? r.rangeBegin : nullptr),
                               reinterpret_cast<quintptr>(range ? r.rangeEnd : nullptr));
    };
    return key(a) < key(b);
}

bool GraphItem::operator==(const GraphItem &other) const
{
    const Record &a = *d;
    const Record &b = *other.d;
    return a.kind == b.kind && a.gate == b.gate && a.net == b.net && a.port == b.port
        && (a.kind != PortRangeItem || (a.rangeBegin == b.rangeBegin && a.rangeEnd == b.rangeEnd));
}

} // namespace GraphEngine
