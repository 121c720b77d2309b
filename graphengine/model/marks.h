#pragma once

namespace GraphEngine {

// Graph walks borrow one of eight mark bits of the calling thread, so that
// nested or consecutive walks do not disturb each other. Returns 0-7, or -1
// (after a critical message) when all eight are taken.
int allocateColor();
// Gives the bit back; numbers outside 0-7 change nothing.
void releaseColor(int color);

} // namespace GraphEngine
