#pragma once

#include "baseobject.h"
#include "portattributes.h"
#include "spanarena.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace GraphEngine {

class Edge;
class Gate;

// One pin of a gate. The gate owns its ports (through its PortSet); nets only
// refer to them. The net pointer is written only by the net's connection
// operations.
class GatePort : public BaseObject
{
public:
    // Room from the span arena: the layout makes these by the million along
    // long nets (see SpanArena).
    static void *operator new(std::size_t size) { return SpanArena::allocate(size); }
    static void operator delete(void *object) noexcept { SpanArena::release(object); }

    GatePort(Gate *owner, const QString &name, PortAttributes attributes, double x, double y);
    ~GatePort() override;

    QString propertyTableAll() const override;
    QString toolTip() const override;

    // Connection queries, by the declared direction.
    bool isConnected() const;
    // Forward: the loads of an output's net, the other loads of an inout's,
    // the outputs of an input's gate.
    QList<GatePort *> linkedPorts() const;
    // Backward: the driver of an input's net, the inputs of an output's gate.
    QList<GatePort *> upstreamPorts() const;
    GatePort *firstDriver() const;
    GatePort *driverOwnedBy(const Gate *gate) const;
    GatePort *loadOwnedBy(const Gate *gate) const;
    int minLoadGateOrder() const;
    // The constant (VCC 19, GND 20, X 21, Z 22) that reaches the port, or 0.
    int constantKind() const;
    void disconnect();

    // Replaces the name; the label size is measured again.
    void setName(const QString &name);
    // The text shown instead of the name; a null text shows the name, an
    // empty one nothing. The owner rebuilds its shape before the next paint.
    void setLabel(const QString &label);
    void setAttributes(int direction, int sortGroup, int position, int marker, bool control,
                       int roleBit);

    // "<gate>.<port>"
    QString fullName() const;
    QString typedName() const;
    // fullName, or for a port of a cluster gate the member's name and the
    // port's base name.
    QString displayName() const;
    // The name without its index: "q[7]" gives "q".
    QString baseName() const;
    // The shown text: the label when set, else the name.
    QString shownText() const { return label.isNull() ? name : label; }

    // Geometry; every setter makes the owner rebuild its shape.
    void moveBy(double dx, double dy);
    void setAnchor(const QPointF &point);
    void moveAnchorBy(const QPointF &delta);
    void setTipOffset(const QPointF &delta);
    QPointF scenePos() const;
    // The size of the shown text in the label font, measured on each call
    // (from cached glyph sizes): a layout makes millions of ports whose
    // labels nobody measures, and a kept size would cost each of them room.
    QSizeF labelSize() const;
    QPointF labelPos() const;
    QPainterPath glyphPath() const;
    void paint(QPainter *painter, double levelOfDetail);

    // The port's place in its net's lists when the layout run began
    // (Edges::recordPortOrder). First, in the padding behind the base's
    // marks: the layout makes two ports for every column a net crosses.
    int netOrder = 0;
    QString name;
    QString label;
    PortAttributes attributes;
    // Foot of the pin on the gate outline and its outer end, where nets
    // attach; both in gate coordinates.
    QPointF anchor;
    QPointF tip;
    Edge *net = nullptr;
    Gate *owner = nullptr;

private:
    void shapeChanged();
};

// Equal in direction, sort group, glyph, position, name and geometry.
bool operator==(const GatePort &a, const GatePort &b);
inline bool operator!=(const GatePort &a, const GatePort &b) { return !(a == b); }
uint qHash(const GatePort &port, uint seed = 0);

} // namespace GraphEngine
