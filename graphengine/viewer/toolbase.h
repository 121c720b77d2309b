#pragma once

#include "graphengine/model/graphitem.h"

#include <QCursor>
#include <QMultiMap>
#include <QWidgetAction>

QT_BEGIN_NAMESPACE
class QGraphicsItem;
QT_END_NAMESPACE

namespace GraphEngine {

class GraphViewer;
class UndoBaseCommand;

// The undoable scene items of a viewer, keyed by the element they belong to.
using SceneItemRegistry = QMultiMap<GraphItem, QGraphicsItem *>;

// Base of every interactive viewer tool: an action the viewer shows as a
// tool-bar widget, activates by click or shortcut, and calls when the user
// clicks an element while the tool is active. Whether a tool is active is
// the viewer's undoable state, not the tool's.
class ToolBase : public QWidgetAction
{
    Q_OBJECT

public:
    enum ActionTriggeredBy { Clicked = 0, DoubleClicked = 1, ContextMenuRequested = 2 };

    // The parent is the viewer that hosts the tool.
    explicit ToolBase(QObject *parent);
    // Deletes the drop-down menu, then the tool-bar widget.
    ~ToolBase() override;

    // The key with its modifiers is the action's shortcut.
    virtual bool matchesShortcut(Qt::Key key, Qt::KeyboardModifiers modifiers) const;
    // Shown by the viewer while the tool is active (cursor modes 1 and 2):
    // the action's icon with a small arrow at the top-left corner.
    virtual QCursor cursor() const;
    // QGraphicsItem::type() of the undoable items this tool makes.
    virtual int itemType() const = 0;
    // A new undoable item for an element that carries none of this tool's
    // items yet; null when there is nothing to make.
    virtual QGraphicsItem *createItem(const GraphItem &item);
    // Edits a copy of the tool's item on an element in place and may change
    // the element it is to belong to; null means the item is to go.
    virtual QGraphicsItem *editItem(QGraphicsItem *copy, bool disable, GraphItem &value);
    // What the tool does with an element the user clicked.
    virtual void apply(ActionTriggeredBy how, const GraphItem &item);
    // Whether the viewer shows the tool; by default only for viewers of a
    // laid-out module (no graph state).
    virtual bool acceptsViewer(bool hasGraphState) const;

    // The tool is the active tool of its parent viewer.
    bool isActive() const;
    // Gives the tool a drop-down that shows the widget; a widget with a
    // finished(int) signal closes it.
    void setPopupWidget(QWidget *widget);
    // The undo command that applying the tool to the element makes: an
    // "Update" or "Delete" of the tool's item already on it, else a "Create",
    // else a "Deactivate Tool". Owned by the caller until pushed.
    UndoBaseCommand *makeItemCommand(const SceneItemRegistry &registry, const GraphItem &item, bool disable,
                                     GraphItem &value);
    // A tool button that shows the action, as the tool-bar widget.
    void createToolButton(QWidget *parent);
    // The tool button copies the action's checkable flag on every change of
    // the action: called after the last change, this makes it checkable again.
    void makeButtonCheckable();

    // The widget the viewer puts into its tool bar; owned.
    QWidget *toolWidget = nullptr;
    // 0: the viewer's cursor is left alone; 1: the tool's cursor while
    // active; 2: as 1, and back to the default once applied.
    int cursorMode = 1;
    // The GraphItem kinds the tool may be applied to, as a mask.
    int acceptedKinds = 0;

public slots:
    // Activation by the user: the first viewer up the parent chain gets it.
    void handleShortcut();

private:
    GraphViewer *parentViewer() const;
};

} // namespace GraphEngine

Q_DECLARE_METATYPE(GraphEngine::ToolBase *)
