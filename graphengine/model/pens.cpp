#include "pens.h"

#include "graphengine/globals.h"
#include "outlineelement.h"

#include <QHash>
#include <QMutexLocker>
#include <QPainter>

namespace GraphEngine {

namespace {
constexpr int paletteSize = 215;
} // namespace

const QVector<QPen> &penPalette()
{
    static const QVector<QPen> palette = [] {
        QVector<QPen> pens;
        pens.reserve(paletteSize);
        for (int i = 0; i < paletteSize; ++i)
            pens.append(QPen(QBrush(QColor(51 * (i % 6), 51 * (i / 36), 51 * ((i / 6) % 6))), 1.0));
        return pens;
    }();
    return palette;
}

const QVector<int> &penVisitingOrder()
{
    static const QVector<int> order = {
        95,  26,  139, 175, 119, 21,  106, 197, 43,  62,  52,  101, 163, 129, 78,
        89,  49,  136, 9,   148, 120, 61,  138, 200, 122, 180, 107, 41,  102, 14,
        39,  6,   42,  177, 170, 104, 32,  150, 53,  91,  75,  36,  213, 204, 144,
        18,  147, 209, 167, 17,  40,  166, 88,  173, 130, 47,  72,  195, 3,   116,
        199, 56,  188, 110, 169, 112, 140, 60,  4,   12,  114, 214, 118, 131, 103,
        161, 84,  181, 77,  186, 10,  193, 160, 86,  81,  16,  93,  212, 13,  179,
        25,  133, 87,  94,  141, 128, 115, 190, 137, 134, 145, 44,  208, 96,  203,
        55,  66,  65,  20,  68,  2,   74,  132, 90,  0,   80,  71,  142, 113, 58,
        37,  22,  198, 97,  15,  85,  64,  154, 1,   24,  50,  31,  45,  73,  92,
        210, 184, 19,  168, 98,  126, 57,  156, 48,  121, 183, 187, 11,  109, 172,
        192, 174, 158, 206, 125, 38,  83,  207, 30,  99,  67,  155, 117, 7,   194,
        69,  111, 23,  34,  189, 176, 123, 105, 196, 182, 51,  5,   76,  8,   35,
        159, 151, 28,  201, 178, 162, 135, 143, 29,  165, 108, 157, 46,  27,  100,
        33,  191, 124, 54,  202, 153, 127, 149, 59,  63,  185, 171, 152, 164, 146,
        70,  205, 79,  211, 82};
    return order;
}

const QPen &nextPen()
{
    QMutexLocker locker(&globalLock());
    const QVector<QPen> &palette = penPalette();
    const QVector<int> &order = penVisitingOrder();
    // Bounded: a full turn of the cycle meets 125 readable pens.
    if (penCycleIndex < 0 || penCycleIndex >= paletteSize)
        penCycleIndex = 0;
    for (int tries = 0; tries < paletteSize; ++tries) {
        penCycleIndex = (penCycleIndex + 1) % paletteSize;
        const QPen &pen = palette.at(order.at(penCycleIndex));
        if (pen.color().black() >= 50)
            return pen;
    }
    return palette.first();
}

const QPen &penForName(const QString &name)
{
    QMutexLocker locker(&globalLock());
    static QHash<QString, const QPen *> pens;
    const QPen *&pen = pens[name];
    if (!pen)
        pen = &nextPen();
    return *pen;
}

void paintGateShape(const OutlineElement &shape, QPainter *painter)
{
    if (shape.isPath()) {
        painter->translate(shape.width, shape.height);
        painter->drawPath(shape.path);
        painter->translate(-shape.width, -shape.height);
    } else {
        painter->drawRect(QRect(shape.x, shape.y, shape.width, shape.height));
    }
}

} // namespace GraphEngine
