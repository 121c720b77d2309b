#pragma once

// The expand tool of graphs built from values of the debugged program. Each
// net to grow becomes one debugger expression; the answers are searched for
// the lists of what the net connects to ("Nb " rows), whatever is missing
// of them is fetched in further rounds, and once everything is there the
// instance of each terminal and each module port on the net join the graph
// state, committed as one undoable step.

#include "netlist/graphrecords.h"
#include "views/inspector.h"

#include "graphengine/viewer/tools/toolexpandbase.h"

#include <coreplugin/progressmanager/progressmanager.h>

#include <QFutureInterface>
#include <QModelIndex>
#include <QPointer>

namespace KorvanDebugger {
namespace Internal {

class KorvanDebuggerGraphExpand : public GraphEngine::ToolExpandBase
{
    Q_OBJECT

public:
    explicit KorvanDebuggerGraphExpand(GraphEngine::GraphViewer *viewer);
    ~KorvanDebuggerGraphExpand() override;

    bool fetchElements(const QList<GraphEngine::Edge *> &edges, UndoFramework::GraphUndoState &state) override;
    bool fetchElement(GraphEngine::BaseObject *element, UndoFramework::GraphUndoState &state) override;
    // Starts a cycle for one expression ("(type) 0xaddress"). True: nothing
    // was queued and the caller commits state itself. False: the cycle
    // commits its grown copy of state when the answers are in.
    bool requestEdgeInfo(const QString &expression, UndoFramework::GraphUndoState &state);

    // "(Object Type) Reference" of an element built from a debugger value.
    static QString expressionOf(const GraphEngine::BaseObject *element);

    Inspector &inspector() { return m_inspector; }
    const UndoFramework::GraphUndoState &keptState() const { return m_state; }
    // The future behind the progress bar while one is shown; null otherwise.
    QFutureInterface<void> *progressFuture() const { return m_progress; }
    Core::FutureProgress *progressTask() const { return m_progressTask; }

public slots:
    // One round of the cycle: asks for what is still missing, or builds the
    // records once nothing is.
    void retrieveEdgeInfo();
    void processEdgeInfo();
    void showProgressBar();
    void updateProgressBar();
    void closeProgressBar();

private:
    // The end of starting a cycle: with something queued, sends it and
    // keeps a copy of state. True when there is nothing to wait for.
    bool startCycle(bool queued, UndoFramework::GraphUndoState &state);
    // Sends what the inspector holds; false when nothing went out, so no
    // answer will come.
    bool sendRequests();

    Inspector m_inspector;
    UndoFramework::GraphUndoState m_state;
    QFutureInterface<void> *m_progress = nullptr;
    QPointer<Core::FutureProgress> m_progressTask;
};

} // namespace Internal
} // namespace KorvanDebugger
