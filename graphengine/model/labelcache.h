#pragma once

#include <QSizeF>
#include <QStaticText>
#include <QString>

#include <array>

class QPainter;
class QPointF;
class QStringRef;

namespace GraphEngine {

class BusSequence;

// Glyphs of the label font for the codes 32-255, prepared once per process so
// that labels are measured by adding cached sizes instead of asking the font
// engine. Codes 0-31 and code units of 256 or more have no glyph and count
// -1 in width; a line feed ends a line.
class LabelCache
{
public:
    static LabelCache &instance();

    // Fills the cache from the label font; does nothing once prepared.
    void prepare();
    bool isPrepared() const { return m_lineHeight != 0.0; }

    QSizeF textSize(const QString &text);
    double textWidth(const QString &text) { return textSize(text).width(); }
    double textHeight(const QString &text) { return textSize(text).height(); }
    double lineHeight();
    // Average glyph width over the codes 32-255.
    double charWidth();
    void drawText(QPainter *painter, const QPointF &topLeft, const QString &text);

private:
    LabelCache();
    int entry(QChar c) const { return c.unicode() < 256 ? c.unicode() : 0; }

    std::array<QStaticText, 256> m_glyphs;
    std::array<QSizeF, 256> m_sizes;
    double m_lineHeight = 0.0;
    double m_charWidth = 0.0;
};

// Appends text to out with separator inserted after each comma that stands
// at or after minChars characters into the remaining piece.
void wrapAtCommas(QString &out, const QStringRef &text, int minChars, QChar separator);
// Breaks the text after commas so that a tooltip line fits three quarters of
// the primary screen; unchanged without a screen or font metrics.
QString wrapToScreen(const QString &text);

void appendNumber(int n, QString &out);
QString numberToString(int n);
// "a[0:2]": the text of a bus run ending at its newest name.
QString formatRange(const BusSequence &run);

} // namespace GraphEngine
