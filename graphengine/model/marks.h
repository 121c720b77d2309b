#pragma once

#include <QtGlobal>

namespace GraphEngine {

// Graph walks borrow one of eight mark bits of the calling thread, so that
// nested or consecutive walks do not disturb each other. Returns 0-7, or -1
// (after a critical message) when all eight are taken.
int allocateColor();
// Gives the bit back; numbers outside 0-7 change nothing.
void releaseColor(int color);
// The bits the thread holds now, and giving back every bit taken since:
// a walk cut short (an allocation that failed) never reaches its
// releaseColor, and the thread would run short of bits for good.
quint8 takenColorBits();
void restoreColorBits(quint8 bits);

} // namespace GraphEngine
