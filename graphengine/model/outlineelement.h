#pragma once

#include <QPainterPath>

namespace GraphEngine {

// A gate body: a plain integer rectangle, or, when y holds PathMarker, the
// kind's outline path drawn at the offset (width, height) = (dx, dy).
struct OutlineElement
{
    static constexpr int PathMarker = -99999;

    int x = 0;
    int y = PathMarker;
    int width = 0;
    int height = 0;
    QPainterPath path;

    bool isPath() const { return y == PathMarker; }
};

} // namespace GraphEngine
