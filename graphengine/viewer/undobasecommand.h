#pragma once

#include "graphengine/model/graphitem.h"

#include <QGraphicsItem>
#include <QMap>
#include <QObject>
#include <QString>
#include <QUndoCommand>
#include <QVariant>

namespace GraphEngine {

class GraphViewer;
class ToolBase;

// A scene item that enters and leaves the viewer's scene through undo
// commands (a comment pin, a highlighted path). Its menu offers "Delete".
class QGraphicsUndoItem : public QGraphicsItem
{
public:
    explicit QGraphicsUndoItem(QGraphicsItem *parent = nullptr);

    int type() const override;
    // A new item equal to this one, in no scene, owned by the caller.
    virtual QGraphicsUndoItem *clone() const = 0;

    // The element the item belongs to; empty when none.
    GraphItem graphItem;

protected:
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;
};

// An item a command holds, and whether the command may delete it. It is
// deleted with the pair (or on replacement) only while it is in no scene.
class OwnedItem
{
public:
    OwnedItem() = default;
    OwnedItem(QGraphicsItem *item, bool owned);
    ~OwnedItem();
    OwnedItem(const OwnedItem &) = delete;
    OwnedItem &operator=(const OwnedItem &) = delete;

    bool deletable() const;
    // Holds the new item, deleting the previous one when deletable.
    void reset(QGraphicsItem *newItem = nullptr, bool newOwned = true);
    // Takes the other's item and flag; the other is left {null, not owned}.
    void takeFrom(OwnedItem &other);

    QGraphicsItem *item = nullptr;
    bool owned = true;
};

// One undoable change of a viewer: state-map entries to set (after) and to
// restore (before), the tools to activate on redo and undo, and for item
// commands the undoable item that enters or leaves the scene. Consecutive
// commands merge, so activating a tool and applying it is one step.
class UndoBaseCommand : public QObject, public QUndoCommand
{
    Q_OBJECT

public:
    enum CommandType { ActivateTool = 0, DeactivateTool = 1, Create = 2, Update = 3, Delete = 4, GraphUpdate = 5 };
    static constexpr int commandId = 144727;

    // "Update" takes the item and its replacement, "Create" and "Delete"
    // the item; other types take none. Misuse is logged.
    explicit UndoBaseCommand(int type, QGraphicsItem *item1 = nullptr, QGraphicsItem *item2 = nullptr);
    ~UndoBaseCommand() override;

    // Also takes the viewer's active tool as the tool to restore on undo.
    void setViewer(GraphViewer *viewer);
    // Fills before from the viewer's state map: all of it for "Activate
    // Tool", else the current values of the keys of after.
    void recordState();
    QString typeName() const;
    static QString typeName(int type);
    // Applying this command's entries replaces the graph state, so the
    // module has to be built again.
    bool changesGraph() const;
    // Runs redo() now and lets the next call (the stack's, on push) pass:
    // a step whose graph cannot be built must be known before it is
    // pushed. False when it failed; the viewer is then back where it was.
    bool redoAhead();

    void redo() override;
    void undo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

    GraphViewer *viewer = nullptr;
    int type;
    OwnedItem created;
    OwnedItem oldItem;
    OwnedItem newItem;
    QMap<QString, QVariant> before;
    QMap<QString, QVariant> after;
    ToolBase *undoTool = nullptr;
    ToolBase *redoTool = nullptr;

protected:
    void addToScene(OwnedItem &owned);
    void removeFromScene(OwnedItem &owned);

private:
    // The viewer's state map as it was before this command.
    void restoreBefore();

    bool m_redoneAhead = false;
};

} // namespace GraphEngine
