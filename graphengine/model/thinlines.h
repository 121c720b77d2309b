#pragma once

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QTransform>
#include <QVarLengthArray>

class QPainter;

namespace GraphEngine {

// Draws the axis-parallel lines of one pen as the raster engine draws lines
// thinner than a pixel, pixel for pixel, but as filled runs: the engine
// blends such a line one pixel at a time, which at a zoomed-out view of a
// large module (hundreds of thousands of lines, a trunk hundreds of pixels
// long) costs more than the rest of the paint.
//
// It takes over only where its pixels are known to be the engine's: a raster
// device of 32-bit pixels, no clip, no antialiasing, full opacity, source-over, a
// solid opaque pen with square caps thinner than a pixel, a transform that
// only scales evenly and moves, and a fill colour checked to blend as the
// line's does. Anywhere else, and for a line that is not axis-parallel or
// has no length, it draws through the painter.
//
// The lines are held until flush() (or the destructor): call flush() before
// drawing anything else with the painter, so that every pixel sees its
// paint in the order given. The painter's pen, brush and transform are left
// as they were.
class ThinLineBatch
{
public:
    explicit ThinLineBatch(QPainter *painter);
    ~ThinLineBatch();
    ThinLineBatch(const ThinLineBatch &) = delete;
    ThinLineBatch &operator=(const ThinLineBatch &) = delete;

    bool isActive() const { return m_active; }
    // Off, no batch takes over: the painter draws every line (to compare
    // the two).
    static void setEnabled(bool on);
    void drawLine(const QPointF &p1, const QPointF &p2);
    void flush();

private:
    QPainter *m_painter;
    bool m_active = false;
    // Logical to device pixels, as the engine maps.
    QTransform m_device;
    // Where a device pixel lies for the painter without its world transform.
    QPoint m_origin;
    QColor m_fill;
    QVarLengthArray<QRect, 64> m_runs;
};

} // namespace GraphEngine
