#include "marks.h"

#include "graphengine/logging.h"

#include <QtGlobal>

namespace GraphEngine {

namespace {
// Each thread owns its bits, so taking and giving back needs no lock.
thread_local quint8 takenColors = 0;
} // namespace

int allocateColor()
{
    for (int bit = 0; bit < 8; ++bit) {
        if (!(takenColors & (1u << bit))) {
            takenColors = quint8(takenColors | (1u << bit));
            return bit;
        }
    }
    logCritical(QStringLiteral("Can't allocate enough color to application"));
    return -1;
}

void releaseColor(int color)
{
    if (color < 0 || color > 7)
        return;
    takenColors = quint8(takenColors & ~(1u << color));
}

quint8 takenColorBits()
{
    return takenColors;
}

void restoreColorBits(quint8 bits)
{
    takenColors = bits;
}

} // namespace GraphEngine
