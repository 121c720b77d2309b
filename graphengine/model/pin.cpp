#include "pin.h"

#include "edge.h"
#include "gate.h"
#include "gateport.h"
#include "labelcache.h"

#include "graphengine/globals.h"

#include <QGuiApplication>
#include <QLineF>
#include <QMutexLocker>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QRadialGradient>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionGraphicsItem>
#include <QTextOption>

namespace GraphEngine {

namespace {

// The figure in design units, shared by every pin and built on first paint.
struct PinShapes
{
    QPainterPath needlePath;
    QPainterPath bodyPath;
    QPainterPath capPath;
    QRadialGradient needleGradient;
    QRadialGradient bodyGradient;
    QRadialGradient capGradient;
};

PinShapes &shapes()
{
    static PinShapes shared;
    return shared;
}

PinImageTable &sharedImages()
{
    static PinImageTable table;
    return table;
}

QRadialGradient pinGradient(const QPointF &focal, const QColor &inner, const QColor &outer)
{
    QRadialGradient gradient(QPointF(0.37109, 0.35547), 1.0, focal);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0.0, inner);
    gradient.setColorAt(1.0, outer);
    return gradient;
}

void buildShapes(PinShapes &s)
{
    s.needlePath.moveTo(71, 125);
    s.needlePath.cubicTo(71, 155, 74, 155, 75, 225);
    s.needlePath.lineTo(79, 235);
    s.needlePath.lineTo(79, 123);
    s.needlePath.closeSubpath();

    s.bodyPath.moveTo(33, 108);
    s.bodyPath.lineTo(42, 35);
    s.bodyPath.lineTo(72, 35);
    s.bodyPath.lineTo(80, 108);
    s.bodyPath.cubicTo(72, 138, 34, 130, 33, 108);
    s.bodyPath.closeSubpath();

    s.capPath.moveTo(72, 26);
    s.capPath.lineTo(72, 36);
    s.capPath.cubicTo(71, 46, 46, 59, 36, 56);
    s.capPath.cubicTo(26, 59, 1, 46, 0, 36);
    s.capPath.lineTo(0, 26);
    s.capPath.closeSubpath();

    const QColor dark(10, 10, 10, 255);
    s.bodyGradient = pinGradient(QPointF(0.78125, 0.73438), Qt::black, dark);
    s.capGradient = pinGradient(QPointF(0.48438, 0.92578), Qt::black, dark);
    s.needleGradient = pinGradient(QPointF(0.78125, 0.73438), QColor(255, 0, 0, 255), QColor(150, 150, 150, 255));
}

bool isSelected(const QStyleOptionGraphicsItem *option)
{
    return option && (option->state & QStyle::State_Selected);
}

QPen outlinePen(double width)
{
    return QPen(QBrush(Qt::black, Qt::SolidPattern), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

} // namespace

Pin::Pin(const Gate *gate)
{
    headLeft = 0;
    if (!gate)
        return;
    const QRectF body = gate->bodyRect();
    placeAt(QPointF(gate->x, gate->y) + body.center());
    color = gate->fill.color();
}

Pin::Pin(const Edge *net, const GatePort *port)
{
    headLeft = !port || port->attributes.sortGroup() != 0 ? 1 : 0;
    if (!net)
        return;
    const QLineF segment = port ? net->anchorNearPort(port) : net->middlePoint();
    if (segment.isNull())
        return;
    placeAt(segment.pointAt(port ? 0.9 : 0.5));
    color = net->pen.color();
}

Pin::Pin(const GatePort *port)
{
    headLeft = port && port->attributes.sortGroup() == 0 ? 1 : 0;
    if (!port)
        return;
    placeAt(port->scenePos());
    if (port->owner)
        color = port->owner->fill.color();
}

Pin::~Pin() = default;

void Pin::placeAt(const QPointF &anchor)
{
    const QPointF hot = hotSpot();
    x = anchor.x() - hot.x();
    y = anchor.y() - hot.y();
}

QPointF Pin::hotSpot() const
{
    return QPointF(size * 119 / 10.0, size * 226 / 10.0);
}

QTransform Pin::mirror(double axisTimesTwo) const
{
    return QTransform(-1, 0, 0, 0, 1, 0, axisTimesTwo, 0, 1);
}

QRectF Pin::boundingRect() const
{
    const QRectF figure(0, 0, size * 136 / 10.0, size * 228 / 10.0);
    return headLeft ? figure : mirror(2 * hotSpot().x()).mapRect(figure);
}

QRectF Pin::textRect() const
{
    if (text.text().isEmpty())
        return QRectF(0, 0, 0, 0);
    const QRectF r = boundingRect();
    const QSizeF textSize = text.size();
    return QRectF(r.x() + (labelInside ? 0 : r.width()) + 10, 0, textSize.width() + 4, textSize.height() + 4);
}

QRectF Pin::fullRect() const
{
    const QRectF figure = boundingRect();
    return text.text().isEmpty() ? figure : (figure | textRect());
}

QTransform Pin::rotateAround(double angle, double cx, double cy)
{
    QTransform t;
    t.translate(cx, cy);
    t.rotate(angle, Qt::ZAxis);
    t.translate(-cx, -cy);
    return t;
}

void Pin::setText(const QString &newText)
{
    // Shown as typed: no markup, and the comment's own line breaks kept
    // (a static text lays out a plain line feed as nothing).
    text.setTextFormat(Qt::PlainText);
    text.setText(QString(newText).replace(QLatin1Char('\n'), QChar::LineSeparator));
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    text.setTextOption(option);
    text.setTextWidth(-1);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double limit = screen ? screen->size().width() / 4.0 : 200.0;
    QFont font = labelFont().font;
    text.prepare(QTransform(), font);
    if (text.size().width() > limit) {
        text.setTextWidth(limit);
        text.prepare(QTransform(), font);
    }
}

void Pin::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    const QTransform savedTransform = painter->transform();
    const QPainter::RenderHints savedHints = painter->renderHints();
    painter->beginNativePainting();
    painter->endNativePainting();

    painter->scale(size / 10.0, size / 10.0);
    painter->setRenderHint(QPainter::Antialiasing, true);
    const bool selected = isSelected(option);
    painter->setPen(outlinePen(selected ? 10 : 1));

    // The shapes, and the gradients whose colour changes on every paint, are
    // shared: one painter at a time.
    QMutexLocker locker(&globalLock());
    PinShapes &s = shapes();
    if (s.needlePath.isEmpty())
        buildShapes(s);
    s.bodyGradient.setColorAt(0.0, color);
    s.capGradient.setColorAt(0.0, color);

    if (!headLeft)
        painter->setTransform(mirror(20 * hotSpot().x() / size), true);

    painter->setTransform(rotateAround(-21, 75, 123), true);
    painter->setBrush(s.needleGradient);
    painter->drawPath(s.needlePath);
    painter->setTransform(rotateAround(21, 75, 123), true);

    painter->setTransform(rotateAround(-10, 75, 123), true);
    painter->setBrush(s.bodyGradient);
    painter->drawEllipse(QRectF(16, 76, 118, 94));
    painter->setTransform(rotateAround(10, 75, 123), true);

    painter->setTransform(rotateAround(-21, 57, 78), true);
    painter->drawPath(s.bodyPath);
    painter->setTransform(rotateAround(21, 57, 78), true);

    painter->setTransform(rotateAround(-21, 36, 26), true);
    painter->setBrush(s.capGradient);
    painter->drawPath(s.capPath);
    painter->setBrush(s.bodyGradient);
    painter->drawEllipse(QRectF(0, 5, 72, 42));
    painter->setTransform(rotateAround(21, 36, 26), true);

    painter->setTransform(savedTransform);
    painter->setRenderHints(~savedHints, false);
    painter->setRenderHints(savedHints, true);
    painter->beginNativePainting();
    painter->endNativePainting();

    if (text.text().isEmpty())
        return;
    painter->setBrush(QGuiApplication::palette().brush(QPalette::ToolTipBase));
    // The text was measured at the screen's resolution; another device (an
    // SVG file's 72 dpi) needs the font of the same pixel size.
    painter->setFont(LabelCache::instance().fontFor(painter->device()));
    const QRectF t = textRect();
    painter->setPen(outlinePen(selected ? 2 : 1));
    painter->drawRect(t);
    painter->setPen(outlinePen(1));
    painter->drawStaticText(int(t.x() + 2), int(t.y() + 2), text);
}

QPixmap Pin::renderPixmap() const
{
    const QRectF r = fullRect();
    QPixmap pixmap(int(r.x() + r.width()), int(r.y() + r.height()));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const_cast<Pin *>(this)->paint(&painter, nullptr, nullptr);
    painter.end();
    return pixmap;
}

PinImageTable &Pin::imageCache() const
{
    return sharedImages();
}

QImage &Pin::cachedImage() const
{
    QMutexLocker locker(&globalLock());
    const bool shared = size >= 0 && size < 5;
    QImage &image = shared ? imageCache()[size][headLeft ? 1 : 0] : m_ownImage;
    if (image.isNull()) {
        // Only the figure is the same for every pin of a size and
        // orientation; each pin's text box is tested on its own.
        Pin figure(*this);
        figure.text = QStaticText();
        image = figure.renderPixmap().toImage();
    }
    return image;
}

} // namespace GraphEngine
