#include "labelcache.h"

#include "bussequence.h"
#include "graphengine/globals.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTransform>

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
    double sum = 0.0;
    double tallest = 0.0;
    for (int c = 32; c < 256; ++c) {
        QStaticText &glyph = m_glyphs[c];
        glyph.setText(QString(QChar(c)));
        glyph.prepare(QTransform(), font);
        m_sizes[c] = glyph.size();
        tallest = qMax(tallest, m_sizes[c].height());
        sum += m_sizes[c].width();
    }
    m_charWidth = sum / 224.0;
    m_lineHeight = tallest;
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

void LabelCache::drawText(QPainter *painter, const QPointF &topLeft, const QString &text)
{
    painter->save();
    prepare();
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
        painter->drawStaticText(QPointF(x, y), m_glyphs[i]);
        x += m_sizes[i].width();
        h = qMax(h, m_sizes[i].height());
    }
    painter->restore();
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
    out += QString::number(n);
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
