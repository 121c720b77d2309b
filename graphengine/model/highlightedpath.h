#pragma once

#include "baseobject.h"
#include "graphitem.h"

#include <QColor>
#include <QPolygonF>
#include <QRectF>

namespace GraphEngine {

// A signal path the user colours through the netlist: the polyline drawn so
// far and the element where it currently ends, from which the next click
// extends it. Its property map stays empty.
class HightLighedPath : public BaseObject
{
public:
    HightLighedPath() = default;
    HightLighedPath(const HightLighedPath &other) = default;
    HightLighedPath &operator=(const HightLighedPath &other) = default;
    ~HightLighedPath() override;

    // The points' bounds grown by 3 on every side: room for the thick pen.
    virtual QRectF boundingRect() const;

    // Scene coordinates, from the path's first element to its current end.
    QPolygonF points;
    QColor color;
    // The element of the first click, later the last gate port reached.
    GraphItem end;
};

} // namespace GraphEngine
