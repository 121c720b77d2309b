#pragma once

#include "graphengine/viewer/toolbase.h"

namespace GraphEngine {

class UndoBaseCommand;

// "Add Comment": pins a free comment on a gate, a net, a net end or a port.
// A click on an element without a pin asks for a new comment; on an element
// with one, for its new text, an empty or cancelled answer deleting it. Every
// change is one undoable command.
class ToolAddCommentPin : public ToolBase
{
    Q_OBJECT

public:
    // The parent is the viewer.
    explicit ToolAddCommentPin(QWidget *parent);

    // A pin, its hot spot on its needle tip.
    QCursor cursor() const override;
    int itemType() const override;
    QGraphicsItem *createItem(const GraphItem &item) override;
    QGraphicsItem *editItem(QGraphicsItem *copy, bool disable, GraphItem &value) override;
    void apply(ActionTriggeredBy how, const GraphItem &item) override;

    // The command a click on the element makes, with its text ("%1 pin for
    // %2"); null without a parent viewer. Owned by the caller.
    UndoBaseCommand *pinCommand(const GraphItem &item);

    // Asks for a comment, starting from text; true, with text replaced, only
    // for an accepted non-empty answer.
    static bool askComment(QString &text);
};

} // namespace GraphEngine
