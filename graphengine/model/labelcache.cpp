#include "labelcache.h"

#include "bussequence.h"
#include "graphengine/globals.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <QVarLengthArray>

namespace GraphEngine {

LabelCache::LabelCache()
{
    m_sizes.fill(QSizeF(-1.0, -1.0));
}

LabelCache &LabelCache::instance()
{
    static LabelCache cache;
    return cache;
}

void LabelCache::prepare()
{
    if (m_lineHeight != 0.0)
        return;
    const QFont font = labelFont().font;
    // Advances, not ink: a glyph whose ink reaches past its advance (A, K,
    // W, Y, _) must not push the next one further than the text layout does.
    const QFontMetricsF metrics(font);
    m_rawFont = QRawFont::fromFont(font);
    m_ascent = m_rawFont.ascent();
    double sum = 0.0;
    for (int c = 32; c < 256; ++c) {
        const QString text(1, QChar(c));
        m_sizes[c] = QSizeF(metrics.horizontalAdvance(text), metrics.height());
        const QVector<quint32> indexes = m_rawFont.glyphIndexesForString(text);
        // Zero-width characters (the soft hyphen) are the text layout's to
        // draw or hide.
        m_glyphIndexes[c] = indexes.size() == 1 && m_sizes[c].width() > 0.0 ? indexes.at(0) : 0;
        sum += m_sizes[c].width();
    }
    m_charWidth = sum / 224.0;
    m_lineHeight = metrics.height();
}

QSizeF LabelCache::textSize(const QString &text)
{
    prepare();
    double widest = 0.0;
    double total = 0.0;
    double w = 0.0;
    double h = 0.0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            total += h;
            widest = qMax(widest, w);
            w = h = 0.0;
            continue;
        }
        const QSizeF &size = m_sizes[entry(c)];
        w += size.width();
        h = qMax(h, size.height());
    }
    total += h;
    widest = qMax(widest, w);
    return QSizeF(widest, total);
}

double LabelCache::lineHeight()
{
    prepare();
    return m_lineHeight;
}

double LabelCache::charWidth()
{
    prepare();
    return m_charWidth;
}

bool LabelCache::drawsGlyphRuns(const QPainter *painter, const QString &text) const
{
    // Other engines (SVG, PDF, printers) keep the text as text, in the font
    // they resolve for their own resolution.
    const QPaintEngine *engine = painter->paintEngine();
    if (!engine || (engine->type() != QPaintEngine::Raster && engine->type() != QPaintEngine::OpenGL2))
        return false;
    // A glyph the label font lacks comes from a fallback font, which only
    // the text layout knows.
    for (const QChar c : text) {
        const int i = entry(c);
        if (i >= 32 && m_glyphIndexes[i] == 0)
            return false;
    }
    return true;
}

QFont LabelCache::fontFor(const QPaintDevice *device)
{
    prepare();
    QFont font = labelFont().font;
    // The point size turns into pixels at the device's resolution; the
    // layout measured the labels at the screen's.
    if (device && device->logicalDpiY() > 0 && QFontMetricsF(font, const_cast<QPaintDevice *>(device)).height() != m_lineHeight)
        font.setPointSizeF(m_rawFont.pixelSize() * 72.0 / device->logicalDpiY());
    return font;
}

void LabelCache::drawLines(QPainter *painter, const QPointF &topLeft, const QString &text)
{
    painter->save();
    painter->setFont(fontFor(painter->device()));
    double y = topLeft.y();
    for (const QStringRef &line : text.splitRef(QLatin1Char('\n'))) {
        const QString shown = line.toString();
        painter->drawText(QRectF(topLeft.x(), y, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, shown);
        y += textSize(shown).height();
    }
    painter->restore();
}

void LabelCache::drawText(QPainter *painter, const QPointF &topLeft, const QString &text)
{
    prepare();
    if (!drawsGlyphRuns(painter, text)) {
        drawLines(painter, topLeft, text);
        return;
    }
    // One run for all lines: the positions place each glyph.
    QVarLengthArray<quint32, 64> glyphs;
    QVarLengthArray<QPointF, 64> positions;
    double x = topLeft.x();
    double y = topLeft.y();
    double h = 0.0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            x = topLeft.x();
            y += h;
            h = 0.0;
            continue;
        }
        const int i = entry(c);
        if (i >= 32) {
            glyphs.append(m_glyphIndexes[i]);
            positions.append(QPointF(x, y + m_ascent));
        }
        x += m_sizes[i].width();
        h = qMax(h, m_sizes[i].height());
    }
    if (glyphs.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setRawData(glyphs.constData(), positions.constData(), glyphs.size());
    painter->drawGlyphRun(QPointF(), run);
}

void wrapAtCommas(QString &out, const QStringRef &text, int minChars, QChar separator)
{
    // A negative start would search from the end.
    minChars = qMax(0, minChars);
    QStringRef rest = text;
    while (rest.size() > minChars) {
        const int comma = rest.indexOf(QLatin1Char(','), minChars);
        if (comma < 0)
            break;
        out += rest.left(comma + 1);
        out += separator;
        rest = rest.mid(comma + 1);
    }
    out += rest;
}

QString wrapToScreen(const QString &text)
{
    // qGuiApp is a plain cast: under a QCoreApplication it names no object.
    const QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        ? QGuiApplication::primaryScreen()
        : nullptr;
    if (!screen)
        return text;
    const double charWidth = LabelCache::instance().charWidth();
    if (!(charWidth > 0.0))
        return text;
    const int minChars = int(0.75 * screen->size().width() / charWidth);
    QString out;
    out.reserve(text.size() + 8);
    wrapAtCommas(out, QStringRef(&text), minChars, QLatin1Char(' '));
    return out;
}

void appendNumber(int n, QString &out)
{
    // As QString::number(n), without a string of its own: the clustering
    // writes several numbers into every signature of every gate.
    char digits[12];
    char *const end = digits + sizeof digits;
    char *first = end;
    unsigned int rest = n < 0 ? 0u - unsigned(n) : unsigned(n);
    do {
        *--first = char('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (n < 0)
        *--first = '-';
    out.append(QLatin1String(first, int(end - first)));
}

QString numberToString(int n)
{
    return QString::number(n);
}

QString formatRange(const BusSequence &run)
{
    return run.runText(0);
}

} // namespace GraphEngine
