#include "highlightedpath.h"

namespace GraphEngine {

HightLighedPath::~HightLighedPath() = default;

QRectF HightLighedPath::boundingRect() const
{
    return points.boundingRect().adjusted(-3.0, -3.0, 3.0, 3.0);
}

} // namespace GraphEngine
