#pragma once

#include "graphengine/viewer/toolbase.h"

#include <QList>

namespace UndoFramework {
class GraphUndoState;
}

namespace GraphEngine {

class BaseObject;
class Edge;

// The half of the expand tool that knows nothing of the debugger: it picks
// the nets to grow, leaves out those grown already, has a subclass fetch what
// they connect to, and records the grown graph state as one undoable step.
class ToolExpandBase : public ToolBase
{
    Q_OBJECT

public:
    explicit ToolExpandBase(GraphViewer *viewer);

    int itemType() const override;
    // A double click on a net, a net end or a connected gate port starts an
    // expansion of that net (with Shift alone, of all its laid-out pieces).
    void apply(ActionTriggeredBy how, const GraphItem &item) override;
    // Only graphs built from a graph state can be grown.
    bool acceptsViewer(bool hasGraphState) const override;

    // Start fetching what the element (or the nets) connect to. True: there
    // is nothing to wait for and the caller commits state at once. False:
    // the subclass took a copy of state and commits its grown copy itself.
    virtual bool fetchElement(BaseObject *element, UndoFramework::GraphUndoState &state) = 0;
    virtual bool fetchElements(const QList<Edge *> &edges, UndoFramework::GraphUndoState &state) = 0;

    // Ends an expansion: when the state gained records, one "Graph Update
    // Cmd" stores it and marks the nets of the last expansion as expanded.
    void commitExpansion(UndoFramework::GraphUndoState &state);

    bool isReady() const { return ready; }
    const QList<Edge *> &expandedEdges() const { return edges; }
    // The state-map key that marks a net as expanded.
    static QString edgeKey(const Edge *edge);

signals:
    void startExpand();
    void fetchNewData();
    void completeExpand();

protected:
    QList<Edge *> edges;
    bool ready = true;

private:
    // The state-map keys of edges, taken when they were chosen: a commit can
    // come after the graph (and with it every net) was built anew.
    QStringList edgeKeys;

    GraphViewer *viewer() const;
    void disableForGood();
};

} // namespace GraphEngine
