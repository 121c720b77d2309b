// The viewer's side of the tool and undo frameworks: the active tool, item
// events routed to it, tool-bar buttons, pushed commands, and the elements
// the debugger adds to a graph state.

#include "graphviewer.h"

#include "undobasecommand.h"

#include "netlist/graphrecords.h"

#include <QHBoxLayout>
#include <QUndoStack>

namespace GraphEngine {

namespace {

const QString activatedToolKey = QStringLiteral("GraphViewer::activatedTool");
const QString graphStateKey = QStringLiteral("GraphViewer::GraphState");

int toolPointerType()
{
    static const int id = qRegisterMetaType<ToolBase *>("GraphEngine::ToolBase*");
    return id;
}

} // namespace

ToolBase *GraphViewer::getActiveTool() const
{
    toolPointerType();
    return qobject_cast<ToolBase *>(m_state.value(activatedToolKey).value<ToolBase *>());
}

void GraphViewer::activateTool(ToolBase *wantedTool)
{
    if (!wantedTool || !wantedTool->isEnabled()) {
        deactivateTool(nullptr);
        return;
    }
    ToolBase *active = getActiveTool();
    if (wantedTool == active)
        return;
    if (active)
        unsetCursor();
    toolPointerType();
    m_state.insert(activatedToolKey, QVariant::fromValue(wantedTool));
    if (wantedTool->cursorMode != 0)
        setCursor(wantedTool->cursor());
}

void GraphViewer::deactivateTool(ToolBase *wantedTool)
{
    ToolBase *active = getActiveTool();
    if (!active || (wantedTool && wantedTool != active))
        return;
    unsetCursor();
    toolPointerType();
    m_state.insert(activatedToolKey, QVariant::fromValue<ToolBase *>(nullptr));
}

void GraphViewer::userActivateTool(ToolBase *wantedTool)
{
    if (!wantedTool)
        return;
    if (wantedTool == getActiveTool()) {
        deactivateTool(nullptr);
        return;
    }
    auto *command = new UndoBaseCommand(UndoBaseCommand::ActivateTool);
    command->redoTool = wantedTool;
    command->setText(tr("Enable Tool '%1'").arg(wantedTool->text()));
    pushCommand(command);
}

bool GraphViewer::triggerTool(ToolBase::ActionTriggeredBy eventType, GraphItem graphItem)
{
    ToolBase *tool = getActiveTool();
    if (!tool)
        return false;
    // Every bit of the kind must be accepted; kind 0 only by an empty mask.
    const int kind = graphItem.kind();
    const bool accepted = kind == 0 ? tool->acceptedKinds == 0 : (tool->acceptedKinds & kind) == kind;
    if (!accepted)
        return false;
    if (tool->cursorMode == 2)
        unsetCursor();
    tool->apply(eventType, graphItem);
    return true;
}

void GraphViewer::clicked(GraphItem graphItem)
{
    triggerTool(ToolBase::Clicked, graphItem);
}

void GraphViewer::doubleClicked(GraphItem graphItem)
{
    triggerTool(ToolBase::DoubleClicked, graphItem);
}

void GraphViewer::keyPressed(GraphItem graphItem, Qt::Key key, Qt::KeyboardModifiers modifier)
{
    const QSet<ToolBase *> tools = m_tools;
    for (ToolBase *tool : tools) {
        if (!tool->matchesShortcut(key, modifier))
            continue;
        activateTool(tool);
        triggerTool(ToolBase::Clicked, graphItem);
    }
}

void GraphViewer::addTool(ToolBase *tool)
{
    if (!tool)
        return;
    const bool hasGraphState = m_state.contains(graphStateKey);
    if (!tool->acceptsViewer(hasGraphState)) {
        delete tool;
        return;
    }
    if (tool->toolWidget)
        m_toolBar->insertWidget(m_toolBar->count() - 2 - m_searchToolAdded, tool->toolWidget);
    if (tool->inherits("GraphEngine::ToolSearch"))
        m_searchToolAdded = 1;
    m_tools.insert(tool);
    // A tool deleted by its owner must not stay in the set the key presses
    // walk.
    connect(tool, &QObject::destroyed, this, [this, tool] { m_tools.remove(tool); });
}

void GraphViewer::pushCommand(UndoBaseCommand *command)
{
    if (!command)
        return;
    command->setViewer(this);
    command->recordState();
    // A graph that cannot be built makes no step: the stack, its redo
    // steps included, stays as it was.
    if (command->changesGraph() && !command->redoAhead()) {
        delete command;
        return;
    }
    m_undoStack->push(command);

    const int index = m_undoStack->index();
    auto *below = dynamic_cast<const UndoBaseCommand *>(m_undoStack->command(index - 1));
    if (!below || below->type != UndoBaseCommand::DeactivateTool)
        return;
    if (index == 1) {
        m_undoStack->clear();
        return;
    }
    // A step that only switched a tool off is not worth keeping as one.
    m_undoStack->undo();
    m_undoStack->push(new UndoBaseCommand(UndoBaseCommand::DeactivateTool));
}

void GraphViewer::pushGraphState(UndoFramework::GraphUndoState &state)
{
    // The rebuilt graph must reuse no module built before: the stored
    // state keeps its own data base.
    state.graphDataBase = UndoFramework::GraphDataBase();
    if (!state.changed)
        return;
    state.changed = false;
    auto *command = new UndoBaseCommand(UndoBaseCommand::GraphUpdate);
    command->after.insert(graphStateKey, QVariant::fromValue(state));
    command->redoTool = getActiveTool();
    pushCommand(command);
}

bool GraphViewer::storedGraphState(UndoFramework::GraphUndoState &state) const
{
    const int stateType = UndoFramework::registerGraphUndoStateType();
    const auto entry = m_state.constFind(graphStateKey);
    if (entry == m_state.constEnd())
        return false;
    state = entry->userType() == stateType ? entry->value<UndoFramework::GraphUndoState>()
                                           : UndoFramework::GraphUndoState();
    return true;
}

namespace {

// Appends a record whose name the list does not hold yet; true when added.
template<typename Record>
bool appendNew(QList<Record> &list, const Record &record)
{
    for (const Record &known : qAsConst(list)) {
        if (known.name == record.name)
            return false;
    }
    list.append(record);
    return true;
}

} // namespace

void GraphViewer::addElement(UndoFramework::Port port, Name edgeName)
{
    UndoFramework::GraphUndoState state;
    if (!storedGraphState(state))
        return;
    state.focusName = Name(port.name);
    state.focusType = GuiAnyPortGateItem;
    state.selectedEdgeName = edgeName;
    if (port.direction != 3 && appendNew(state.ports, port))
        state.changed = true;
    pushGraphState(state);
}

void GraphViewer::addElement(UndoFramework::Instance instance, Name edgeName)
{
    UndoFramework::GraphUndoState state;
    if (!storedGraphState(state))
        return;
    state.focusName = Name(instance.name);
    state.focusType = GuiGateItem;
    state.selectedEdgeName = edgeName;
    if (instance.gateKind != 0 && appendNew(state.instances, instance))
        state.changed = true;
    pushGraphState(state);
}

} // namespace GraphEngine
