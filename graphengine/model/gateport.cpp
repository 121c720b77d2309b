#include "gateport.h"

#include "gate.h"

namespace GraphEngine {

GatePort::GatePort(Gate *owner, const QString &name, PortAttributes attributes, double x, double y)
    : name(name)
    , nameHash(qHash(name, 0))
    , attributes(attributes)
    , anchor(x, y)
    , tip(x, y)
    , owner(owner)
{
}

void GatePort::setName(const QString &text)
{
    name = text;
    nameHash = qHash(text, 0);
    labelWidth = labelHeight = -1.0;
}

void GatePort::setLabel(const QString &text)
{
    label = text;
    labelWidth = labelHeight = -1.0;
    if (owner)
        owner->shapeBuilt = 0;
}

void GatePort::setAttributes(int direction, int sortGroup, int position, int marker, bool control,
                             int roleBit)
{
    attributes.set(direction, sortGroup, position, marker, control, roleBit);
}

} // namespace GraphEngine
