#pragma once

#include <QRawFont>
#include <QSizeF>
#include <QString>

#include <array>

class QFont;
class QPaintDevice;
class QPainter;
class QPointF;
class QStringRef;

namespace GraphEngine {

class BusSequence;

// Glyphs of the label font for the codes 32-255, prepared once per process so
// that labels are measured by adding cached sizes instead of asking the font
// engine, and drawn as one run of cached glyphs instead of being shaped again.
// Codes 0-31 and code units of 256 or more have no glyph and count -1 in
// width; a line feed ends a line.
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
    // Draws the text in the label font as QPainter::drawText would, whatever
    // font the painter holds; the painter's state is left as it was.
    void drawText(QPainter *painter, const QPointF &topLeft, const QString &text);
    // The label font as a painter on device must hold it for its text to
    // come out at the measured sizes: the label font itself, or on a device
    // of another resolution (an SVG file's 72 dpi, a printer) the font of
    // the same pixel size there.
    QFont fontFor(const QPaintDevice *device);

private:
    LabelCache();
    int entry(QChar c) const { return c.unicode() < 256 ? c.unicode() : 0; }
    bool drawsGlyphRuns(const QPainter *painter, const QString &text) const;
    void drawLines(QPainter *painter, const QPointF &topLeft, const QString &text);

    // The label font at the resolution it is measured in; drawing from its
    // glyph indexes keeps no per-painter state (a QStaticText takes on the
    // font of each painter it is drawn with, an SVG's 72 dpi one included,
    // and keeps that layout for the screen afterwards).
    QRawFont m_rawFont;
    // Glyph index per code; 0 where the label font lacks the glyph.
    std::array<quint32, 256> m_glyphIndexes{};
    std::array<QSizeF, 256> m_sizes;
    double m_ascent = 0.0;
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
