#include "thinlines.h"

#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace GraphEngine {

namespace {

// Device coordinates far outside any device, where the line's pixels are
// cut anyway, are brought in so that their fixed-point values fit an int.
constexpr double Far = 1 << 20;

int toFixed(double v)
{
    // 26.6 fixed point, truncated, as the engine's thin-line stroker takes
    // its end points.
    return int(std::clamp(v, -Far, Far) * 64);
}

void fillRuns(QPainter *painter, const QColor &fill, const QRect *runs, int count)
{
    painter->setPen(Qt::NoPen);
    painter->setBrush(fill);
    painter->drawRects(runs, count);
}

// The colour whose fill leaves every pixel as a line of pen at scale does
// (a thin line is blended at a coverage that its width sets), or an
// invalid colour when no fill does on this format.
QColor findFillColour(const QPen &pen, double scale, QImage::Format format)
{
    auto line = [&](QImage &image) {
        QPainter painter(&image);
        painter.setTransform(QTransform(scale, 0, 0, scale, 0, 0));
        painter.setPen(pen);
        painter.drawLine(QPointF(0.5 / scale, 0.5 / scale), QPointF(3.5 / scale, 0.5 / scale));
    };
    QImage probe(4, 1, QImage::Format_ARGB32_Premultiplied);
    probe.fill(Qt::transparent);
    line(probe);
    const QRgb premultiplied = reinterpret_cast<const QRgb *>(probe.constScanLine(0))[1];
    const int alpha = qAlpha(premultiplied);
    QColor fill = Qt::transparent;
    if (alpha > 0) {
        auto channel = [alpha](int c) { return quint16(std::min(65535L, std::lround(c * 65535.0 / alpha))); };
        fill = QColor::fromRgba64(channel(qRed(premultiplied)), channel(qGreen(premultiplied)),
                                  channel(qBlue(premultiplied)), quint16(alpha * 257));
    }
    // Both blend the same colour over what lies beneath; check it on
    // grounds of every kind the format holds.
    QVector<QRgb> grounds = {0xff808080u, 0xffffffffu, 0xff000000u, 0xff3c8d1eu};
    if (format == QImage::Format_ARGB32_Premultiplied)
        grounds << 0x00000000u << 0x80402010u << 0x20202020u;
    for (const QRgb ground : grounds) {
        QImage drawn(4, 1, format);
        drawn.fill(ground);
        QImage filled = drawn;
        line(drawn);
        {
            QPainter painter(&filled);
            const QRect run(0, 0, 4, 1);
            fillRuns(&painter, fill, &run, 1);
        }
        if (drawn != filled)
            return QColor();
    }
    return fill;
}

struct FillKey
{
    QRgb colour;
    double width;
    double scale;
    int format;
    bool operator==(const FillKey &o) const
    {
        return colour == o.colour && width == o.width && scale == o.scale && format == o.format;
    }
};

uint qHash(const FillKey &key, uint seed = 0)
{
    return ::qHash(key.colour, seed) ^ ::qHash(key.width, seed) ^ ::qHash(key.scale, seed) ^ uint(key.format);
}

QColor fillColour(const QPen &pen, double scale, QImage::Format format)
{
    // One per pen colour at the current zoom: nets take their pens from a
    // palette of a few hundred.
    static QHash<FillKey, QColor> known;
    const FillKey key{pen.color().rgba(), pen.widthF(), scale, int(format)};
    const auto found = known.constFind(key);
    if (found != known.constEnd())
        return found.value();
    if (known.size() > 4096)
        known.clear();
    const QColor fill = findFillColour(pen, scale, format);
    known.insert(key, fill);
    return fill;
}

bool &enabled()
{
    static bool on = true;
    return on;
}

} // namespace

void ThinLineBatch::setEnabled(bool on)
{
    enabled() = on;
}

ThinLineBatch::ThinLineBatch(QPainter *painter)
    : m_painter(painter)
{
    if (!enabled())
        return;
    const QPaintEngine *engine = painter->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice()
        || engine->paintDevice()->devType() != QInternal::Image)
        return;
    const QImage::Format format = static_cast<const QImage *>(engine->paintDevice())->format();
    if (format != QImage::Format_ARGB32_Premultiplied && format != QImage::Format_RGB32)
        return;
    if (painter->renderHints() & (QPainter::Antialiasing | QPainter::Qt4CompatiblePainting))
        return;
    if (painter->opacity() != 1.0 || painter->compositionMode() != QPainter::CompositionMode_SourceOver)
        return;
    // A clip blends the engine's thin lines a shade apart from a fill.
    if (painter->hasClipping())
        return;
    const QPen pen = painter->pen();
    if (pen.style() != Qt::SolidLine || pen.capStyle() != Qt::SquareCap || pen.isCosmetic()
        || pen.brush().style() != Qt::SolidPattern || pen.color().alpha() != 255)
        return;
    m_device = painter->deviceTransform();
    const double scale = m_device.m11();
    if (m_device.type() != QTransform::TxScale || m_device.m22() != scale || !(scale > 0.0))
        return;
    // Wider lines are stroked as outlines, not blended pixel by pixel.
    if (!(pen.widthF() > 0.0) || !(pen.widthF() * scale < 0.99))
        return;
    // The runs are filled without the world transform: what remains must
    // only move by whole pixels.
    const QTransform world = painter->worldTransform();
    painter->setWorldTransform(QTransform());
    const QTransform rest = painter->deviceTransform();
    painter->setWorldTransform(world);
    if (rest.type() > QTransform::TxTranslate || rest.dx() != std::round(rest.dx())
        || rest.dy() != std::round(rest.dy()))
        return;
    m_origin = QPoint(int(rest.dx()), int(rest.dy()));
    m_fill = fillColour(pen, scale, format);
    m_active = m_fill.isValid();
}

ThinLineBatch::~ThinLineBatch()
{
    flush();
}

void ThinLineBatch::drawLine(const QPointF &p1, const QPointF &p2)
{
    if (!m_active) {
        m_painter->drawLine(p1, p2);
        return;
    }
    const QPointF a = m_device.map(p1);
    const QPointF b = m_device.map(p2);
    int x1 = toFixed(a.x());
    int y1 = toFixed(a.y());
    int x2 = toFixed(b.x());
    int y2 = toFixed(b.y());
    const bool vertical = x1 == x2;
    // A point, or a slanted line: the engine's own rules.
    if (p1 == p2 || (!vertical && y1 != y2)) {
        flush();
        m_painter->drawLine(p1, p2);
        return;
    }
    if (y1 == y2 && x1 == x2)
        return;
    // Along its length the square caps reach half a pixel past each end,
    // and a pixel is drawn where its centre lies in between; across it, the
    // line fills the pixel its position falls in.
    auto span = [](int from, int to, int *first, int *end) {
        if (from > to)
            std::swap(from, to);
        *first = (from - 32 + 32) >> 6;
        *end = (to + 32 + 32) >> 6;
    };
    int first = 0;
    int end = 0;
    QRect run;
    if (vertical) {
        span(y1, y2, &first, &end);
        run = QRect(x1 >> 6, first, 1, end - first);
    } else {
        span(x1, x2, &first, &end);
        run = QRect(first, y1 >> 6, end - first, 1);
    }
    if (end > first)
        m_runs.append(run.translated(-m_origin));
}

void ThinLineBatch::flush()
{
    if (m_runs.isEmpty())
        return;
    const QPen pen = m_painter->pen();
    const QBrush brush = m_painter->brush();
    const QTransform world = m_painter->worldTransform();
    m_painter->setWorldTransform(QTransform());
    fillRuns(m_painter, m_fill, m_runs.constData(), m_runs.size());
    m_painter->setWorldTransform(world);
    m_painter->setBrush(brush);
    m_painter->setPen(pen);
    m_runs.clear();
}

} // namespace GraphEngine
