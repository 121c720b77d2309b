#include "guipinelement.h"

#include "graphengine/model/gate.h"
#include "graphengine/model/pin.h"
#include "graphengine/scene/guielementtype.h"

#include <QGraphicsSceneContextMenuEvent>
#include <QPainterPath>

namespace GraphEngine {

namespace {

bool drawnAt(const QImage &image, double x, double y)
{
    const int ix = int(x);
    const int iy = int(y);
    return ix >= 0 && iy >= 0 && ix < image.width() && iy < image.height() && image.pixel(ix, iy) != 0;
}

} // namespace

GuiPinElement::GuiPinElement(const QString &text, Gate *gate)
{
    init(text, new Pin(gate));
}

GuiPinElement::GuiPinElement(const QString &text, Edge *net, GatePort *port)
{
    init(text, new Pin(net, port));
}

GuiPinElement::GuiPinElement(const QString &text, GatePort *port)
{
    init(text, new Pin(port));
}

GuiPinElement::GuiPinElement(const QString &text, Pin *pin)
{
    init(text, pin);
}

GuiPinElement::~GuiPinElement()
{
    delete pin;
}

void GuiPinElement::init(const QString &text, Pin *newPin)
{
    pin = newPin;
    pin->setText(text);
    setPos(pin->x, pin->y);
    setZValue(10);
    setFlags(QGraphicsItem::ItemIsSelectable | QGraphicsItem::ItemIsFocusable);
    setAcceptHoverEvents(true);
}

void GuiPinElement::setText(const QString &text)
{
    if (!pin)
        return;
    prepareGeometryChange();
    pin->setText(text);
}

QRectF GuiPinElement::boundingRect() const
{
    return pin ? pin->fullRect() : QRectF();
}

void GuiPinElement::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    if (pin)
        pin->paint(painter, option, widget);
}

bool GuiPinElement::collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode) const
{
    if (!pin)
        return false;
    const QRectF r = Gate::probeArea(boundingRect());
    const QRectF p = Gate::probeArea(path.controlPointRect());
    if (!r.intersects(p))
        return false;
    const QImage &image = pin->cachedImage();
    if (drawnAt(image, p.x(), p.y()) || drawnAt(image, p.x() + p.width(), p.y())
        || drawnAt(image, p.x(), p.y() + p.height()) || drawnAt(image, p.x() + p.width(), p.y() + p.height()))
        return true;
    const QRectF t = pin->textRect();
    if (t.width() == 0.0 && t.height() == 0.0)
        return false;
    return t.intersects(p);
}

int GuiPinElement::type() const
{
    return GuiCommentPinItem;
}

QGraphicsUndoItem *GuiPinElement::clone() const
{
    if (!pin)
        return nullptr;
    return new GuiPinElement(pin->plainText(), new Pin(*pin));
}

void GuiPinElement::hoverEnterEvent(QGraphicsSceneHoverEvent *)
{
}

void GuiPinElement::hoverLeaveEvent(QGraphicsSceneHoverEvent *)
{
}

void GuiPinElement::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    if (!offersDelete) {
        event->ignore();
        return;
    }
    QGraphicsUndoItem::contextMenuEvent(event);
}

} // namespace GraphEngine
