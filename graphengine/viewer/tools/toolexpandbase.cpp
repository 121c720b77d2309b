#include "graphengine/viewer/tools/toolexpandbase.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/module.h"
#include "graphengine/scene/guielementtype.h"
#include "graphengine/viewer/graphviewer.h"
#include "graphengine/viewer/undobasecommand.h"
#include "netlist/graphrecords.h"

#include <QGuiApplication>
#include <QSet>

namespace GraphEngine {

namespace {
const QString graphStateKey = QStringLiteral("GraphViewer::GraphState");
}

ToolExpandBase::ToolExpandBase(GraphViewer *viewer)
    : ToolBase(viewer)
{
    cursorMode = 1;
    acceptedKinds = GraphItem::NetItem | GraphItem::NetEndItem | GraphItem::PortItem;
    createToolButton(viewer);
    setIcon(QIcon(QPixmap(QStringLiteral(":expand.png"))));
    setText(tr("Expand Viewed graph"));
    setShortcut(QKeySequence(tr("Ctrl+E")));
    setToolTip(tr("Inspect underlying graph and retrieve more element to expand the represented graph area."));
    makeButtonCheckable();
    if (viewer)
        connect(viewer, &GraphViewer::outdated, this, &ToolExpandBase::disableForGood);
}

int ToolExpandBase::itemType() const
{
    return QGraphicsItem::UserType + 1;
}

bool ToolExpandBase::acceptsViewer(bool hasGraphState) const
{
    return hasGraphState;
}

QString ToolExpandBase::edgeKey(const Edge *edge)
{
    return QStringLiteral("ToolExpandBase.Edge.%1").arg(edge->name.toString());
}

GraphViewer *ToolExpandBase::viewer() const
{
    return qobject_cast<GraphViewer *>(parent());
}

void ToolExpandBase::disableForGood()
{
    // Values read from a program that has moved on cannot be grown.
    setEnabled(false);
    if (GraphViewer *v = viewer())
        v->deactivateTool(this);
}

void ToolExpandBase::apply(ActionTriggeredBy how, const GraphItem &item)
{
    if (how != DoubleClicked)
        return;
    Edge *net = nullptr;
    if ((item.kind() == GraphItem::NetItem || item.kind() == GraphItem::NetEndItem) && item.net())
        net = item.net();
    else if ((item.kind() == GraphItem::NetEndItem || item.kind() == GraphItem::PortItem) && item.port())
        net = item.port()->net;
    if (!net || !ready)
        return;
    GraphViewer *v = viewer();
    if (!v)
        return;

    QList<Edge *> candidates;
    if (QGuiApplication::keyboardModifiers() == Qt::ShiftModifier && net->module && net->module->edges)
        candidates = net->collectConnected(*net->module->edges);
    else
        candidates.append(net);
    edges.clear();
    edgeKeys.clear();
    QSet<Edge *> seen;
    for (Edge *candidate : qAsConst(candidates)) {
        if (seen.contains(candidate) || v->stateMap().value(edgeKey(candidate)).isValid())
            continue;
        seen.insert(candidate);
        edges.append(candidate);
        edgeKeys.append(edgeKey(candidate));
    }
    if (edges.isEmpty())
        return;
    ready = false;

    const int stateType = UndoFramework::registerGraphUndoStateType();
    const QVariant stored = v->stateMap().value(graphStateKey);
    UndoFramework::GraphUndoState state = stored.userType() == stateType
                                              ? stored.value<UndoFramework::GraphUndoState>()
                                              : UndoFramework::GraphUndoState();
    state.focusType = GuiNetItem;
    state.focusName = net->name;
    state.selectedEdgeName = Name();
    emit startExpand();
    if (fetchElements(edges, state))
        commitExpansion(state);
}

void ToolExpandBase::commitExpansion(UndoFramework::GraphUndoState &state)
{
    ready = true;
    // The stored state keeps a data base of its own, so the rebuilt graph
    // reuses no module another holder built.
    state.graphDataBase = UndoFramework::GraphDataBase();
    const bool changed = state.changed;
    state.changed = false;
    GraphViewer *v = viewer();
    if (changed && v) {
        auto *command = new UndoBaseCommand(UndoBaseCommand::GraphUpdate);
        command->after.insert(graphStateKey, QVariant::fromValue(state));
        for (const QString &key : qAsConst(edgeKeys))
            command->after.insert(key, QVariant(true));
        command->redoTool = this;
        v->pushCommand(command);
    }
    // The nets belong to the graph the expansion started from, which the
    // push has replaced.
    edges.clear();
    emit completeExpand();
}

} // namespace GraphEngine
