#pragma once

#include "baseobject.h"
#include "portattributes.h"

#include <QPointF>
#include <QString>

namespace GraphEngine {

class Edge;
class Gate;

// One pin of a gate. The gate owns its ports (through its PortSet); nets only
// refer to them.
class GatePort : public BaseObject
{
public:
    GatePort(Gate *owner, const QString &name, PortAttributes attributes, double x, double y);

    // Replaces the name and its hash; the label size is measured again.
    void setName(const QString &name);
    // The text shown instead of the name; a null text shows the name, an
    // empty one nothing. The owner rebuilds its shape before the next paint.
    void setLabel(const QString &label);
    void setAttributes(int direction, int sortGroup, int position, int marker, bool control,
                       int roleBit);

    QString name;
    uint nameHash = 0;
    QString label;
    // Size of the shown text in the label font; -1 until measured.
    double labelWidth = -1.0;
    double labelHeight = -1.0;
    PortAttributes attributes;
    // Foot of the pin on the gate outline and its outer end, where nets
    // attach; both in gate coordinates.
    QPointF anchor;
    QPointF tip;
    Edge *net = nullptr;
    Gate *owner = nullptr;
};

} // namespace GraphEngine
