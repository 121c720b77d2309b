// A viewer whose graph is rebuilt from a graph state, when the state cannot
// be built: a new step (addElement, the expand tool) is not pushed and the
// graph shown before comes back; a redo that fails drops its step; an undo
// that fails leaves an empty viewer. In every case the search tool (the one
// tool of such a viewer that keeps scene items) lists only live items, and
// the graph window tells the user.
// Also run under valgrind: the search tool's list is opened and painted
// after each failure.

#include "viewerfixture.h"

#include "common/testenvironment.h"
#include "graphengine/viewer/tools/toolexpandbase.h"
#include "graphengine/viewer/tools/toolsearch.h"
#include "netlist/windows/korvandebuggergrapheditor.h"

#include <dialogs/dialogs.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace ViewerFixture;

namespace {

const QString graphStateKey = QStringLiteral("GraphViewer::GraphState");

// An inverter whose pin the gate does not have: the builder stops at it.
UndoFramework::Instance brokenInstance()
{
    return instanceRecord(QStringLiteral("bad"), BaseEnum::INVERTER,
                          {terminalRecord(QStringLiteral("i"), 0, QStringLiteral("a"), QStringLiteral("nope"))});
}

// An expansion whose answer brings the broken inverter.
class BrokenExpand : public ToolExpandBase
{
public:
    using ToolExpandBase::ToolExpandBase;
    bool fetchElement(BaseObject *, UndoFramework::GraphUndoState &) override { return true; }
    bool fetchElements(const QList<Edge *> &, UndoFramework::GraphUndoState &state) override
    {
        state.instances << brokenInstance();
        state.changed = true;
        return true;
    }
};

// The graph state of one side of a step (its before or after map) gets the
// broken inverter.
void breakGraphState(QMap<QString, QVariant> &side)
{
    UndoFramework::GraphUndoState broken = side.value(graphStateKey).value<UndoFramework::GraphUndoState>();
    broken.instances << brokenInstance();
    side.insert(graphStateKey, QVariant::fromValue(broken));
}

UndoBaseCommand *stepOf(QUndoStack *stack, int index)
{
    return dynamic_cast<UndoBaseCommand *>(const_cast<QUndoCommand *>(stack->command(index)));
}

template<typename Tool>
Tool *toolOf(const GraphViewer &viewer)
{
    for (ToolBase *tool : viewer.tools()) {
        if (auto *found = qobject_cast<Tool *>(tool))
            return found;
    }
    return nullptr;
}

QStringList gateNames(const GraphViewer &viewer)
{
    QStringList names;
    if (!viewer.module())
        return names;
    for (Gate *gate : viewer.module()->gates->elements())
        names << gate->name.text();
    names.sort();
    return names;
}

} // namespace

class TestFailedRebuild : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;

    // Every entry of the search tool's list is an item of the scene (the
    // pointers are compared, never followed); then the list is opened and
    // painted, which reads each entry's item.
    static void checkSearchIndex(GraphViewer &viewer, int expectedEntries)
    {
        ToolSearch *search = toolOf<ToolSearch>(viewer);
        QVERIFY(search);
        auto *index = qobject_cast<ViewerSearchIndex *>(search->combo()->model());
        QVERIFY(index);
        const QList<QGraphicsItem *> items = viewer.scene()->items();
        for (const ViewerSearchIndex::Entry &entry : index->entries())
            QVERIFY2(items.contains(entry.item), qPrintable(entry.name.toString()));
        QCOMPARE(index->entries().size(), expectedEntries);
        search->combo()->showPopup();
        search->combo()->view()->grab();
        search->combo()->hidePopup();
        QVERIFY(!search->combo()->grab().isNull());
    }

    // The laid-out graph items of the scene: gates, port gates and nets.
    static int netlistItemCount(const GraphViewer &viewer)
    {
        return netlistItems(viewer, GuiGateItem).size() + netlistItems(viewer, GuiNetItem).size()
            + netlistItems(viewer, GuiInputPortGateItem).size() + netlistItems(viewer, GuiOutputPortGateItem).size();
    }

private slots:
    void initTestCase()
    {
        m_env.reset(new TestEnvironment);
    }

    void cleanup()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        UndoFramework::GraphDataBase::clearAllDB();
    }

    void aStepWhoseGraphCannotBeBuiltIsNotPushed()
    {
        GraphViewer viewer(smallState(), nullptr);
        viewer.resize(800, 500);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QUndoStack *stack = viewer.undoStack();

        // A step done and undone: its redo must survive the failure.
        viewer.addElement(portRecord(QStringLiteral("c"), 0));
        QCOMPARE(graphUpdateCount(stack), 1);
        stack->undo();
        const int items = netlistItemCount(viewer);
        checkSearchIndex(viewer, 5);
        const int count = stack->count();
        const int index = stack->index();
        const UndoFramework::GraphUndoState shown = storedState(viewer);

        QSignalSpy errors(&viewer, &GraphViewer::renderingError);
        QSignalSpy designChanged(&viewer, &GraphViewer::designChanged);
        viewer.addElement(brokenInstance());
        QCOMPARE(errors.count(), 1);
        QVERIFY2(errors.first().first().toString().contains(QStringLiteral("nope")),
                 qPrintable(errors.first().first().toString()));
        // Nothing claims the change: same steps, same index, redo intact.
        QCOMPARE(stack->count(), count);
        QCOMPARE(stack->index(), index);
        QVERIFY(stack->canRedo());
        QCOMPARE(recordNames(storedState(viewer).instances), recordNames(shown.instances));
        QCOMPARE(recordNames(storedState(viewer).ports), recordNames(shown.ports));
        // The graph shown before is back, built again.
        QCOMPARE(designChanged.count(), 1);
        QCOMPARE(gateNames(viewer), (QStringList{"a", "inv", "y"}));
        QCOMPARE(netlistItemCount(viewer), items);
        QVERIFY(viewer.renderingErrorText().isEmpty());
        // The search tool lists the items of the graph built again.
        checkSearchIndex(viewer, 5);

        // The redo kept is still good.
        stack->redo();
        QCOMPARE(recordNames(storedState(viewer).ports), (QStringList{"a", "y", "c"}));
        QCOMPARE(gateNames(viewer), (QStringList{"a", "c", "inv", "y"}));
        checkSearchIndex(viewer, 7);
    }

    void anExpansionWhoseGraphCannotBeBuiltLeavesTheNetToExpandAgain()
    {
        GraphViewer viewer(smallState(), nullptr);
        auto *tool = new BrokenExpand(&viewer);
        viewer.addTool(tool);
        Edge *net = viewer.module()->edges->find(Name(QStringLiteral("a")));
        QVERIFY(net);
        // The graph is built again: the net does not outlive the failure.
        const QString netKey = ToolExpandBase::edgeKey(net);
        QSignalSpy errors(&viewer, &GraphViewer::renderingError);
        QSignalSpy completed(tool, &ToolExpandBase::completeExpand);
        tool->apply(ToolBase::DoubleClicked, GraphItem(net));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(completed.count(), 1);
        QVERIFY(tool->isReady());
        QCOMPARE(viewer.undoStack()->count(), 0);
        // Not marked as expanded, and the tool keeps no net of the graph
        // built before.
        QVERIFY(!viewer.stateMap().value(netKey).isValid());
        QVERIFY(tool->expandedEdges().isEmpty());
        QCOMPARE(gateNames(viewer), (QStringList{"a", "inv", "y"}));
        checkSearchIndex(viewer, 5);
    }

    void aRedoWhoseGraphCannotBeBuiltDropsItsStep()
    {
        GraphViewer viewer(smallState(), nullptr);
        viewer.addElement(portRecord(QStringLiteral("c"), 0));
        viewer.addElement(portRecord(QStringLiteral("d"), 0));
        QUndoStack *stack = viewer.undoStack();
        QCOMPARE(stack->count(), 2);
        stack->undo();
        QCOMPARE(gateNames(viewer), (QStringList{"a", "c", "inv", "y"}));
        // The step above now describes a graph that cannot be built.
        UndoBaseCommand *command = stepOf(stack, 1);
        QVERIFY(command);
        breakGraphState(command->after);

        QSignalSpy errors(&viewer, &GraphViewer::renderingError);
        stack->redo();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(stack->count(), 1);
        QCOMPARE(stack->index(), 1);
        QCOMPARE(recordNames(storedState(viewer).ports), (QStringList{"a", "y", "c"}));
        QCOMPARE(gateNames(viewer), (QStringList{"a", "c", "inv", "y"}));
        checkSearchIndex(viewer, 7);
    }

    void anUndoWhoseGraphCannotBeBuiltLeavesAnEmptyViewer()
    {
        GraphViewer viewer(smallState(), nullptr);
        viewer.addElement(portRecord(QStringLiteral("c"), 0));
        QUndoStack *stack = viewer.undoStack();
        UndoBaseCommand *command = stepOf(stack, 0);
        QVERIFY(command);
        breakGraphState(command->before);

        QSignalSpy errors(&viewer, &GraphViewer::renderingError);
        stack->undo();
        QCOMPARE(errors.count(), 1);
        QVERIFY(!viewer.module());
        QCOMPARE(viewer.scene()->items().size(), 0);
        QVERIFY(viewer.renderingErrorText().contains(QStringLiteral("nope")));
        checkSearchIndex(viewer, 0);
        // The step stays: its redo brings its graph back.
        QCOMPARE(stack->count(), 1);
        stack->redo();
        QCOMPARE(gateNames(viewer), (QStringList{"a", "c", "inv", "y"}));
        QVERIFY(viewer.renderingErrorText().isEmpty());
        checkSearchIndex(viewer, 7);
    }

    void theGraphWindowTellsTheUserAndStaysOpen()
    {
        Host::ScriptedDialogs dialogs;
        QPointer<KorvanDebugger::Internal::KorvanDebuggerGraphEditor> window
            = new KorvanDebugger::Internal::KorvanDebuggerGraphEditor(QStringLiteral("Stack Path"));
        window->setGraph(smallState(), QStringLiteral("Stack Path"));
        window->showGraph();
        QVERIFY(dialogs.messages.isEmpty());
        GraphViewer *viewer = window->viewer();
        viewer->addElement(brokenInstance());
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Korvan Debugger"));
        QVERIFY2(dialogs.messages.first().text.contains(QStringLiteral("'bad'")), qPrintable(dialogs.messages.first().text));
        QCOMPARE(viewer->undoStack()->count(), 0);
        QCOMPARE(window->viewer(), viewer);
        QVERIFY(!window->isCancelled());
        QVERIFY(viewer->module());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window);

        // A graph that fails from the start: the empty window says why.
        UndoFramework::GraphUndoState unnamed = smallState();
        unnamed.moduleName.clear();
        window->setGraph(unnamed, QStringLiteral("Stack Path"));
        window->showGraph();
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(dialogs.messages.last().text, QStringLiteral("Can't build a graph without a module name."));
        QVERIFY(!window->viewer()->module());
        delete window.data();
    }
};

QTEST_MAIN(TestFailedRebuild)
#include "tst_failedrebuild.moc"
