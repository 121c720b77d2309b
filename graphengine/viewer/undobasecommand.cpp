#include "undobasecommand.h"

#include "graphviewer.h"

#include "graphengine/logging.h"

#include <QCoreApplication>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsView>
#include <QMenu>

namespace GraphEngine {

namespace {
const QString graphStateKey = QStringLiteral("GraphViewer::GraphState");
} // namespace

// Undoable item --------------------------------------------------------------

QGraphicsUndoItem::QGraphicsUndoItem(QGraphicsItem *parent)
    : QGraphicsItem(parent)
{
}

int QGraphicsUndoItem::type() const
{
    return GuiUndoableItem;
}

void QGraphicsUndoItem::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    event->accept();
    QMenu menu;
    QAction *deleteAction
        = menu.addAction(QCoreApplication::translate("GraphEngine::QGraphicsUndoItem", "Delete"));
    if (menu.exec(event->screenPos()) != deleteAction)
        return;
    QGraphicsScene *itemScene = scene();
    if (!itemScene || itemScene->views().isEmpty())
        return;
    // The command takes the item out of the scene and never deletes it, so
    // this handler may go on running.
    if (auto *viewer = qobject_cast<GraphViewer *>(itemScene->views().constFirst()->parentWidget()))
        viewer->pushCommand(new UndoBaseCommand(UndoBaseCommand::Delete, this));
}

// Owned item -----------------------------------------------------------------

OwnedItem::OwnedItem(QGraphicsItem *item, bool owned)
    : item(item)
    , owned(owned)
{
}

OwnedItem::~OwnedItem()
{
    reset(nullptr, true);
}

bool OwnedItem::deletable() const
{
    return item && owned && !item->scene();
}

void OwnedItem::reset(QGraphicsItem *newItem, bool newOwned)
{
    if (deletable() && item != newItem)
        delete item;
    item = newItem;
    owned = newOwned;
}

void OwnedItem::takeFrom(OwnedItem &other)
{
    reset(other.item, other.owned);
    other.item = nullptr;
    other.owned = false;
}

// Command --------------------------------------------------------------------

UndoBaseCommand::UndoBaseCommand(int type, QGraphicsItem *item1, QGraphicsItem *item2)
    : QObject(nullptr)
    , QUndoCommand(nullptr)
    , type(type)
{
    switch (type) {
    case Update:
        if (!item1)
            logCritical(QStringLiteral("Invalid API call. item1 shall not be null"));
        if (!item2)
            logCritical(QStringLiteral("Invalid API call. item2 shall not be null"));
        oldItem.reset(item1, false);
        newItem.reset(item2, true);
        break;
    case Create:
    case Delete:
        if (!item1)
            logCritical(QStringLiteral("Invalid API call. item1 shall not be null"));
        if (item2)
            logCritical(QStringLiteral("Invalid API call. item2 Must be null"));
        // A deleted item belongs to the command that created it.
        created.reset(item1, type == Create);
        break;
    default:
        break;
    }
}

UndoBaseCommand::~UndoBaseCommand() = default;

void UndoBaseCommand::setViewer(GraphViewer *newViewer)
{
    viewer = newViewer;
    undoTool = viewer ? viewer->getActiveTool() : nullptr;
}

void UndoBaseCommand::recordState()
{
    if (!viewer)
        return;
    const QMap<QString, QVariant> &state = viewer->stateMap();
    if (type == ActivateTool) {
        before = state;
        return;
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        QVariant value = state.value(it.key());
        if (value.userType() == QMetaType::QVariant)
            value = value.value<QVariant>();
        before.insert(it.key(), value);
    }
}

QString UndoBaseCommand::typeName(int type)
{
    switch (type) {
    case ActivateTool:
        return QCoreApplication::translate("QObject", "Activate Tool");
    case DeactivateTool:
        return QCoreApplication::translate("QObject", "Deactivate Tool");
    case Create:
        return QCoreApplication::translate("QObject", "Create");
    case Update:
        return QCoreApplication::translate("QObject", "Update");
    case Delete:
        return QCoreApplication::translate("QObject", "Delete");
    case GraphUpdate:
        return QCoreApplication::translate("QObject", "Graph Update Cmd");
    default:
        return QString();
    }
}

QString UndoBaseCommand::typeName() const
{
    return typeName(type);
}

bool UndoBaseCommand::changesGraph() const
{
    return after.contains(graphStateKey);
}

bool UndoBaseCommand::redoAhead()
{
    redo();
    m_redoneAhead = !isObsolete();
    return m_redoneAhead;
}

void UndoBaseCommand::restoreBefore()
{
    QMap<QString, QVariant> &state = viewer->stateMap();
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        state.remove(it.key());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        state.insert(it.key(), it.value());
}

void UndoBaseCommand::redo()
{
    if (!viewer)
        return;
    if (m_redoneAhead) {
        m_redoneAhead = false;
        return;
    }
    QMap<QString, QVariant> &state = viewer->stateMap();
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        state.insert(it.key(), it.value());
    if (type != ActivateTool) {
        // Rebuilding the graph replaces every scene item; only a new graph
        // state is worth that (and an item's own "Delete" must not see its
        // scene emptied under it).
        if (changesGraph() && !viewer->loadModule()) {
            // Nothing of this step happened: the viewer shows the graph it
            // showed before, and the stack drops the step (obsolete).
            restoreBefore();
            viewer->loadModule();
            setObsolete(true);
            return;
        }
        switch (type) {
        case Update:
            removeFromScene(oldItem);
            addToScene(newItem);
            break;
        case Delete:
            removeFromScene(created);
            break;
        case Create:
            addToScene(created);
            break;
        default:
            break;
        }
    }
    viewer->activateTool(redoTool);
}

void UndoBaseCommand::undo()
{
    if (!viewer)
        return;
    // The tool goes back first, through the viewer, so that the cursor
    // follows it: once the state below names it, the viewer would take it
    // for the active one already and leave the newer tool's cursor.
    viewer->activateTool(undoTool);
    restoreBefore();
    // A graph below that cannot be built any more leaves the viewer empty,
    // with its error told; redo brings this step's graph back.
    if (changesGraph())
        viewer->loadModule();
    switch (type) {
    case Update:
        removeFromScene(newItem);
        addToScene(oldItem);
        break;
    case Delete:
        addToScene(created);
        break;
    case Create:
        removeFromScene(created);
        break;
    default:
        break;
    }
}

int UndoBaseCommand::id() const
{
    return commandId;
}

bool UndoBaseCommand::mergeWith(const QUndoCommand *other)
{
    if (!other || other->id() != id())
        return false;
    auto *newer = dynamic_cast<UndoBaseCommand *>(const_cast<QUndoCommand *>(other));
    if (!newer || newer->isObsolete())
        return false;

    if (type == ActivateTool) {
        if (newer->type == ActivateTool) {
            redoTool = newer->redoTool;
            return true;
        }
        if (newer->type == DeactivateTool) {
            type = DeactivateTool;
            return true;
        }
        // The activation and the change it led to become one step, which
        // undoes to the state before the activation.
        type = newer->type;
        setText(newer->text());
        created.takeFrom(newer->created);
        oldItem.takeFrom(newer->oldItem);
        newItem.takeFrom(newer->newItem);
        redoTool = newer->redoTool;
        after = newer->after;
        if (viewer) {
            const QMap<QString, QVariant> snapshot = before;
            before.clear();
            for (auto it = after.cbegin(); it != after.cend(); ++it)
                before.insert(it.key(), snapshot.value(it.key()));
        }
        return true;
    }
    if (type == DeactivateTool || newer->type != DeactivateTool)
        return false;
    redoTool = newer->redoTool;
    return true;
}

void UndoBaseCommand::addToScene(OwnedItem &owned)
{
    QGraphicsItem *item = owned.item;
    if (!viewer || !item)
        return;
    GraphScene *scene = viewer->scene();
    if (item->scene() != scene)
        scene->addItem(item);
    auto *undoItem = dynamic_cast<QGraphicsUndoItem *>(item);
    if (!undoItem || undoItem->graphItem.kind() == GraphItem::Empty)
        return;
    SceneItemRegistry &registry = viewer->sceneItemRegistry();
    if (!registry.contains(undoItem->graphItem, item))
        registry.insert(undoItem->graphItem, item);
}

void UndoBaseCommand::removeFromScene(OwnedItem &owned)
{
    QGraphicsItem *item = owned.item;
    if (!viewer || !item)
        return;
    if (QGraphicsScene *scene = item->scene())
        scene->removeItem(item);
    SceneItemRegistry &registry = viewer->sceneItemRegistry();
    for (auto it = registry.begin(); it != registry.end(); ++it) {
        if (it.value() == item) {
            registry.erase(it);
            break;
        }
    }
}

} // namespace GraphEngine
