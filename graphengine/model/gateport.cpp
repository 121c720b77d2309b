#include "gateport.h"

#include "edge.h"
#include "gate.h"
#include "graphengine/globals.h"
#include "labelcache.h"
#include "name.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QPainter>
#include <QTransform>

#include <array>
#include <cmath>

namespace GraphEngine {

namespace {

// Rotation of a pin's glyph by the side of the gate it stands on.
const int sideAngle[4] = {0, 90, 180, 270};

QPainterPath buildGlyph(int sortGroup, int glyph)
{
    QPainterPath path;
    if (glyph == 1 || glyph == 3)
        path.addEllipse(QRectF(0, -5, 11, 11));
    if (glyph == 3)
        path.moveTo(0, 0);
    if (glyph == 2 || glyph == 3) {
        path.lineTo(0, -10);
        path.lineTo(-14, 0);
        path.lineTo(0, 10);
    }
    path.closeSubpath();
    return QTransform().rotate(sideAngle[sortGroup]).map(path);
}

// The ports of one sort group of the gate at positions 0, 1, 2, ... up to the
// first missing position (the first port of a position only), in one walk
// of the sorted group: a wide cluster instance is not searched per position.
template<typename Visit>
void forEachInPositionOrder(Gate *gate, int sortGroup, Visit visit)
{
    int expected = 0;
    for (auto it = gate->ports.begin(sortGroup), end = gate->ports.end(sortGroup); it != end; ++it) {
        const int position = (*it)->attributes.position16();
        if (position < expected)
            continue;
        if (position != expected)
            return;
        ++expected;
        visit(*it);
    }
}

} // namespace

GatePort::GatePort(Gate *owner, const QString &name, PortAttributes attributes, double x, double y)
    : name(name)
    , attributes(attributes)
    , anchor(x, y)
    , tip(x, y)
    , owner(owner)
{
}

GatePort::~GatePort() = default;

void GatePort::shapeChanged()
{
    if (owner)
        owner->shapeBuilt = 0;
}

QString GatePort::propertyTableAll() const
{
    return toolTip() + BaseObject::propertyTable(-1);
}

QString GatePort::toolTip() const
{
    QMutexLocker locker(&globalLock());
    static const QString notConnected =
        QCoreApplication::translate("GraphEngine::GatePort", "<i>Not connected</i>");
    const bool aggregated = owner && owner->isCluster();
    QString html = QLatin1String("<b><div style='white-space:pre'>")
        + directionSymbol(attributes.portDirection()) + QLatin1Char(' ')
        + (aggregated ? displayName() : name).toHtmlEscaped() + QLatin1String(":</div></b>");
    if (net)
        html += net->displayName(true).toString(false).toHtmlEscaped();
    else
        html += notConnected;
    return html;
}

bool GatePort::isConnected() const
{
    if (!net)
        return false;
    switch (attributes.direction()) {
    case BaseEnum::Output:
        return !net->loads.isEmpty();
    case BaseEnum::Input:
        return !net->drivers.isEmpty() || net->loads.size() >= 2;
    case BaseEnum::InOut:
        return net->drivers.size() + net->loads.size() >= 2;
    default:
        return false;
    }
}

QList<GatePort *> GatePort::linkedPorts() const
{
    QList<GatePort *> result;
    switch (attributes.direction()) {
    case BaseEnum::Output:
        if (net)
            result = net->loads.list();
        break;
    case BaseEnum::InOut:
        if (net) {
            result = net->loads.list();
            result.removeAll(const_cast<GatePort *>(this));
        }
        break;
    case BaseEnum::Input:
        if (owner) {
            forEachInPositionOrder(owner, 0, [&result](GatePort *port) {
                if (port->attributes.direction() != BaseEnum::Input)
                    result.append(port);
            });
        }
        break;
    default:
        break;
    }
    return result;
}

QList<GatePort *> GatePort::upstreamPorts() const
{
    QList<GatePort *> result;
    const int direction = attributes.direction();
    if (direction == BaseEnum::Input || direction == BaseEnum::InOut) {
        if (GatePort *driver = firstDriver())
            result.append(driver);
    }
    if ((direction == BaseEnum::Output || direction == BaseEnum::InOut) && owner) {
        for (int group : {3, 2, 1}) {
            forEachInPositionOrder(owner, group, [&result](GatePort *port) {
                if (port->attributes.direction() != BaseEnum::Output)
                    result.append(port);
            });
        }
    }
    return result;
}

GatePort *GatePort::firstDriver() const
{
    if (!net)
        return nullptr;
    GatePort *driver = net->drivers.first();
    return driver == this ? nullptr : driver;
}

GatePort *GatePort::driverOwnedBy(const Gate *gate) const
{
    return net ? net->drivers.findByGate(gate) : nullptr;
}

GatePort *GatePort::loadOwnedBy(const Gate *gate) const
{
    const int direction = attributes.direction();
    if (!net || (direction != BaseEnum::Output && direction != BaseEnum::InOut))
        return nullptr;
    return net->loads.findByGate(gate);
}

int GatePort::minLoadGateOrder() const
{
    const int direction = attributes.direction();
    if (!net || (direction != BaseEnum::Output && direction != BaseEnum::InOut))
        return -1;
    int lowest = -1;
    for (const GatePort *load : net->loads.list()) {
        if (load && load->owner && (lowest < 0 || load->owner->row < lowest))
            lowest = load->owner->row;
    }
    return lowest;
}

int GatePort::constantKind() const
{
    if (attributes.portDirection() == BaseEnum::Input && net)
        return net->constantKind();
    return owner ? owner->constantKind() : 0;
}

void GatePort::disconnect()
{
    if (net)
        net->disconnectPort(this);
}

void GatePort::setName(const QString &text)
{
    name = text;
}

void GatePort::setLabel(const QString &text)
{
    label = text;
    shapeChanged();
}

void GatePort::setAttributes(int direction, int sortGroup, int position, int marker, bool control,
                             int roleBit)
{
    attributes.set(direction, sortGroup, position, marker, control, roleBit);
}

QString GatePort::fullName() const
{
    return (owner ? owner->name.toString(false) : QString()) + QLatin1Char('.') + name;
}

QString GatePort::typedName() const
{
    return (owner ? owner->typeName : QString()) + QLatin1Char('.') + name;
}

QString GatePort::displayName() const
{
    if (!owner || !owner->isCluster())
        return fullName();
    const Name parsed(name);
    if (parsed.indexCount() != 1)
        return fullName();
    return owner->nativeName(parsed.index(0)).toString(false) + QLatin1Char('.')
        + parsed.baseText();
}

QString GatePort::baseName() const
{
    const Name parsed(name);
    return parsed.hasIndex() ? parsed.baseText() : name;
}

void GatePort::moveBy(double dx, double dy)
{
    anchor += QPointF(dx, dy);
    tip += QPointF(dx, dy);
    shapeChanged();
}

void GatePort::setAnchor(const QPointF &point)
{
    anchor = point;
    shapeChanged();
}

void GatePort::moveAnchorBy(const QPointF &delta)
{
    anchor += delta;
    shapeChanged();
}

void GatePort::setTipOffset(const QPointF &delta)
{
    tip = anchor + delta;
    shapeChanged();
}

QPointF GatePort::scenePos() const
{
    return owner ? QPointF(owner->x, owner->y) + tip : QPointF();
}

QSizeF GatePort::labelSize() const
{
    return LabelCache::instance().textSize(shownText());
}

QPointF GatePort::labelPos() const
{
    const QSizeF size = labelSize();
    const double w = size.width();
    const double h = size.height();
    switch (attributes.sortGroup()) {
    case 0:
        return QPointF(anchor.x() + 10, anchor.y() - h - 1);
    case 1:
        return QPointF(anchor.x() + 10, anchor.y() + 1);
    case 2:
        return QPointF(anchor.x() - w - 10, anchor.y() - h - 1);
    case 3:
        return QPointF(anchor.x() + 10, anchor.y() - h - 1);
    default:
        return anchor;
    }
}

QPainterPath GatePort::glyphPath() const
{
    const int group = attributes.sortGroup();
    const int glyph = attributes.marker();
    // Sides beyond 3 and glyphs beyond 3 have no drawing.
    if (glyph == 0 || glyph > 3 || group > 3)
        return QPainterPath();
    QMutexLocker locker(&globalLock());
    static std::array<QPainterPath, 16> paths;
    QPainterPath &path = paths[size_t(group + 4 * glyph)];
    if (path.isEmpty())
        path = buildGlyph(group, glyph);
    return path;
}

void GatePort::paint(QPainter *painter, double levelOfDetail)
{
    if (levelOfDetail < 0.05)
        return;
    painter->drawLine(anchor, tip);
    if (levelOfDetail >= 0.1) {
        const QPainterPath glyph = glyphPath();
        if (!glyph.isEmpty()) {
            const QTransform shift = QTransform::fromTranslate(std::trunc(anchor.x()),
                                                               std::trunc(anchor.y()));
            painter->setWorldTransform(shift, true);
            painter->drawPath(glyph);
            painter->setWorldTransform(shift.inverted(), true);
        }
    }
    if (levelOfDetail > 0.2) {
        LabelCache::instance().drawText(painter, labelPos(), shownText());
    }
}

bool operator==(const GatePort &a, const GatePort &b)
{
    // Direction (bits 0-1), sort group (4-6) and glyph (8-11).
    const quint32 mask = 0x3 | 0x70 | 0xF00;
    auto near = [](double x, double y) { return std::abs(x - y) <= 1e-12; };
    return (a.attributes.word & mask) == (b.attributes.word & mask)
        && a.attributes.position == b.attributes.position && a.name == b.name
        && near(a.anchor.x(), b.anchor.x()) && near(a.anchor.y(), b.anchor.y())
        && near(a.tip.x(), b.tip.x()) && near(a.tip.y(), b.tip.y());
}

uint qHash(const GatePort &port, uint seed)
{
    const double sum = double(qHash(port.shownText(), seed)) + 41 * port.anchor.x()
        + 211 * port.anchor.y() + 683 * port.tip.x() + 1213 * port.tip.y()
        + 1031 * port.attributes.sortGroup() + 59879 * port.attributes.marker();
    return uint(qint64(sum));
}

} // namespace GraphEngine
