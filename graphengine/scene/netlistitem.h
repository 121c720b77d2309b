#pragma once

#include "graphengine/model/graphitem.h"

#include <QGraphicsItem>

namespace GraphEngine {

// Base of the scene items that show a netlist element (a gate, a net): each
// names its element as a GraphItem, the handle its module's signals carry.
class NetlistItem : public QGraphicsItem
{
public:
    using QGraphicsItem::QGraphicsItem;

    virtual GraphItem graphItem() const = 0;
};

} // namespace GraphEngine
