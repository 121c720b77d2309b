#pragma once

#include <QGraphicsItem>

namespace GraphEngine {

// The item type codes of the graph scene (QGraphicsItem::type()), also used
// to say which kind of element a search, a focus or a stack-path entry means.
// "Any" codes match several item kinds and are never an item's own type.
enum GuiElementType : int {
    GuiNoSceneItem = QGraphicsItem::UserType + 1,
    GuiGateItem = QGraphicsItem::UserType + 2,
    GuiGatePortItem = QGraphicsItem::UserType + 3,
    GuiNetItem = QGraphicsItem::UserType + 4,
    GuiInputPortGateItem = QGraphicsItem::UserType + 5,
    GuiOutputPortGateItem = QGraphicsItem::UserType + 6,
    GuiAnyItem = QGraphicsItem::UserType + 7,
    GuiAnyPortGateItem = QGraphicsItem::UserType + 8,
    GuiUndoableItem = QGraphicsItem::UserType + 9,
    GuiCommentPinItem = QGraphicsItem::UserType + 10,
    GuiHighlightedPathItem = QGraphicsItem::UserType + 11
};

} // namespace GraphEngine
