#pragma once

#include "baseobject.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QStaticText>
#include <QTransform>

QT_BEGIN_NAMESPACE
class QPainter;
class QStyleOptionGraphicsItem;
class QWidget;
QT_END_NAMESPACE

namespace GraphEngine {

class Edge;
class Gate;
class GatePort;

// The program-wide hit images of pin figures: one per size (0 to 4) and
// orientation (headLeft).
using PinImageTable = QImage[5][2];

// A free comment pinned to one element of a drawn netlist: a push pin whose
// needle tip touches the element, and the comment in a framed box beside it.
// Coordinates are the pin's own: origin at the top-left of the figure, one
// unit per scene unit. Its property map stays empty.
class Pin : public BaseObject
{
public:
    // On the centre of the gate's body; head to the right.
    explicit Pin(const Gate *gate);
    // On the middle of the net's middle segment (port null), or at 90 % of
    // the stub from the trunk to the port. A net without such a segment
    // leaves the pin at (-1, -1) with an invalid colour.
    Pin(const Edge *net, const GatePort *port);
    // On the port; head to the left on an output port.
    explicit Pin(const GatePort *port);
    Pin(const Pin &other) = default;
    Pin &operator=(const Pin &other) = default;
    ~Pin() override;

    // The figure, then the text box.
    virtual void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget);
    // The figure alone.
    virtual QRectF boundingRect() const;
    // The figure and the text box.
    virtual QRectF fullRect() const;
    // The needle tip.
    virtual QPointF hotSpot() const;
    virtual PinImageTable &imageCache() const;

    // Word-wrapped to a quarter of the primary screen's width (200 without
    // a screen) and prepared with the label font; plainText gives it back.
    void setText(const QString &text);
    QString plainText() const { return QString(text.text()).replace(QChar::LineSeparator, QLatin1Char('\n')); }
    // The box of the text: right of the figure, or over it when labelInside;
    // empty without text.
    QRectF textRect() const;
    // The pin drawn from the pin's origin, text box included.
    QPixmap renderPixmap() const;
    // The figure of every pin of this size and orientation, without any
    // text box: what the hit test reads. Shared, built on first use.
    QImage &cachedImage() const;

    static QTransform rotateAround(double angle, double cx, double cy);

    double x = -1.0;
    double y = -1.0;
    QColor color;
    // The figure is drawn at size / 10 of its design coordinates.
    int size = 2;
    bool labelInside = false;
    // 1: head up and left of the needle; 0: mirrored about the needle tip.
    int headLeft = 1;
    QStaticText text;

private:
    // Places the hot spot on the anchor.
    void placeAt(const QPointF &anchor);
    QTransform mirror(double axisTimesTwo) const;

    // Sizes without a row in the shared table keep their own image.
    mutable QImage m_ownImage;
};

} // namespace GraphEngine
