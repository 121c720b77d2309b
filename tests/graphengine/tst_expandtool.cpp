// The debugger-free half of the expand tool, with a subclass whose fetches
// the tests answer by hand.

#include "viewerfixture.h"

#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/viewer/tools/toolexpandbase.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ViewerFixture;

namespace {

class ScriptedExpand : public ToolExpandBase
{
    Q_OBJECT

public:
    using ToolExpandBase::ToolExpandBase;

    bool fetchElement(BaseObject *, UndoFramework::GraphUndoState &state) override
    {
        kept = state;
        return nothingToFetch;
    }
    bool fetchElements(const QList<Edge *> &nets, UndoFramework::GraphUndoState &state) override
    {
        fetched.append(QStringList());
        for (Edge *e : nets)
            fetched.last().append(e->name.toString());
        kept = state;
        return nothingToFetch;
    }
    // The data of the running program arrives: the expansion grows by one
    // instance on the given net.
    void answerWithInstance(const QString &name)
    {
        kept.instances << instanceRecord(name, BaseEnum::BUFFER,
                                         {terminalRecord(QStringLiteral("i"), 0, QStringLiteral("a"),
                                                         QStringLiteral("A")),
                                          terminalRecord(QStringLiteral("o"), 1, name + QStringLiteral("_y"),
                                                         QStringLiteral("Out"))});
        kept.changed = true;
        commitExpansion(kept);
    }

    bool nothingToFetch = false;
    UndoFramework::GraphUndoState kept;
    QList<QStringList> fetched;
};

Edge *netOf(const GraphViewer &viewer, const QString &name)
{
    return viewer.module()->edges->find(Name(name));
}


} // namespace

class TestExpandTool : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        viewer = new GraphViewer(smallState(), nullptr);
        tool = new ScriptedExpand(viewer);
        viewer->addTool(tool);
    }
    void cleanup()
    {
        delete viewer;
        viewer = nullptr;
    }

    void presentation()
    {
        QCOMPARE(tool->text(), QStringLiteral("Expand Viewed graph"));
        QCOMPARE(tool->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
        QVERIFY(tool->matchesShortcut(Qt::Key_E, Qt::ControlModifier));
        QCOMPARE(tool->acceptedKinds, 14);
        QCOMPARE(tool->itemType(), 0x10001);
        QCOMPARE(tool->cursorMode, 1);
        QVERIFY(!tool->icon().isNull());
        auto *button = qobject_cast<QToolButton *>(tool->toolWidget);
        QVERIFY(button);
        QVERIFY(button->isCheckable());
        QCOMPARE(button->defaultAction(), tool);
        QVERIFY(tool->acceptsViewer(true));
        QVERIFY(!tool->acceptsViewer(false));

        // A viewer of a laid-out module (no graph state) refuses the tool.
        // The module goes after its viewer, whatever the verdict.
        struct OwnedModules
        {
            ModuleMap registry;
            ~OwnedModules() { deleteModules(registry); }
        } owned;
        GraphViewer plain(smallModule(owned.registry), nullptr);
        QPointer<ScriptedExpand> refused = new ScriptedExpand(&plain);
        plain.addTool(refused);
        QVERIFY(refused.isNull());
    }

    void expansionIsOneUndoableStep()
    {
        QSignalSpy started(tool, &ToolExpandBase::startExpand);
        QSignalSpy completed(tool, &ToolExpandBase::completeExpand);
        QUndoStack *stack = viewer->undoStack();
        const int before = stack->count();

        tool->apply(ToolBase::Clicked, GraphItem(netOf(*viewer, QStringLiteral("a"))));
        QCOMPARE(started.count(), 0);
        QVERIFY(tool->fetched.isEmpty());

        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("a"))));
        QCOMPARE(started.count(), 1);
        QCOMPARE(completed.count(), 0);
        QVERIFY(!tool->isReady());
        QCOMPARE(tool->fetched, QList<QStringList>{{QStringLiteral("a")}});
        QCOMPARE(tool->kept.focusType, GuiNetItem);
        QCOMPARE(tool->kept.focusName.toString(), QStringLiteral("a"));
        QVERIFY(tool->kept.selectedEdgeName.isNull());
        QCOMPARE(stack->count(), before);

        // While waiting, another double click is ignored.
        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("y"))));
        QCOMPARE(started.count(), 1);
        QCOMPARE(tool->fetched.size(), 1);

        tool->answerWithInstance(QStringLiteral("buf"));
        QVERIFY(tool->isReady());
        QCOMPARE(completed.count(), 1);
        QCOMPARE(stack->count(), before + 1);
        QCOMPARE(graphUpdateCount(stack), 1);
        QCOMPARE(viewer->stateMap().value(QStringLiteral("ToolExpandBase.Edge.a")), QVariant(true));
        QVERIFY(!viewer->stateMap().contains(QStringLiteral("ToolExpandBase.Edge.y")));
        UndoFramework::GraphUndoState grown = storedState(*viewer);
        QCOMPARE(grown.instances.size(), 2);
        QVERIFY(!grown.changed);
        QVERIFY(viewer->search(GuiGateItem, Name(QStringLiteral("buf"))));
        QCOMPARE(viewer->getActiveTool(), tool);

        // The net is expanded: a second double click pushes nothing.
        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("a"))));
        QCOMPARE(started.count(), 1);
        QCOMPARE(tool->fetched.size(), 1);
        QVERIFY(tool->isReady());
        QCOMPARE(stack->count(), before + 1);

        // Undo takes the record and the mark away: the net can grow again.
        stack->undo();
        QCOMPARE(storedState(*viewer).instances.size(), 1);
        QVERIFY(!viewer->stateMap().value(QStringLiteral("ToolExpandBase.Edge.a")).isValid());
        QVERIFY(!viewer->search(GuiGateItem, Name(QStringLiteral("buf"))));
        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("a"))));
        QCOMPARE(started.count(), 2);
        QCOMPARE(tool->fetched.size(), 2);
        tool->answerWithInstance(QStringLiteral("buf"));
        QCOMPARE(viewer->stateMap().value(QStringLiteral("ToolExpandBase.Edge.a")), QVariant(true));
        QCOMPARE(storedState(*viewer).instances.size(), 2);
    }

    void gatePortLeadsToItsNet()
    {
        Gate *inv = gateNamed(viewer->module(), QStringLiteral("inv"));
        QVERIFY(inv);
        GatePort *in = nullptr;
        GatePort *out = nullptr;
        for (GatePort *port : inv->ports.list()) {
            if (!port)
                continue;
            if (port->net && port->net->name.toString() == QStringLiteral("a"))
                in = port;
            else if (port->net && port->net->name.toString() == QStringLiteral("y"))
                out = port;
        }
        QVERIFY(in && out);
        tool->apply(ToolBase::DoubleClicked, GraphItem(out));
        QCOMPARE(tool->fetched, QList<QStringList>{{QStringLiteral("y")}});
        tool->answerWithInstance(QStringLiteral("buf"));
        QVERIFY(viewer->stateMap().value(ToolExpandBase::edgeKey(netOf(*viewer, QStringLiteral("y")))).toBool());

        // A net end names its net.
        Edge *a = netOf(*viewer, QStringLiteral("a"));
        inv = gateNamed(viewer->module(), QStringLiteral("inv"));
        in = nullptr;
        for (GatePort *port : inv->ports.list()) {
            if (!port)
                continue;
            if (port->net == a)
                in = port;
        }
        QVERIFY(in);
        tool->apply(ToolBase::DoubleClicked, GraphItem(a, in));
        QCOMPARE(tool->fetched.size(), 2);
        QCOMPARE(tool->fetched.last(), QStringList{QStringLiteral("a")});
        tool->commitExpansion(tool->kept);

        // A port on no net leads nowhere.
        GatePort *loose = nullptr;
        for (GatePort *port : inv->ports.list()) {
            if (!port)
                continue;
            if (!port->net)
                loose = port;
        }
        if (loose) {
            tool->apply(ToolBase::DoubleClicked, GraphItem(loose));
            QCOMPARE(tool->fetched.size(), 2);
        }
    }

    void nothingToFetchEndsAtOnce()
    {
        tool->nothingToFetch = true;
        QSignalSpy started(tool, &ToolExpandBase::startExpand);
        QSignalSpy completed(tool, &ToolExpandBase::completeExpand);
        const int before = viewer->undoStack()->count();
        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("a"))));
        QCOMPARE(started.count(), 1);
        QCOMPARE(completed.count(), 1);
        QVERIFY(tool->isReady());
        // Nothing was added: no step, no mark, the net may be tried again.
        QCOMPARE(viewer->undoStack()->count(), before);
        QVERIFY(!viewer->stateMap().contains(QStringLiteral("ToolExpandBase.Edge.a")));
        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("a"))));
        QCOMPARE(started.count(), 2);
    }

    void cycleWithNothingNewStillEnds()
    {
        // The fetch waits; the data that arrives adds nothing. The commit of
        // the unchanged state returns the tool to ready without a step.
        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("a"))));
        QVERIFY(!tool->isReady());
        const int before = viewer->undoStack()->count();
        tool->commitExpansion(tool->kept);
        QVERIFY(tool->isReady());
        QCOMPARE(viewer->undoStack()->count(), before);
        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("y"))));
        QCOMPARE(tool->fetched.size(), 2);
    }

    void commitAfterRebuildUsesTheNamesOfTheLastExpansion()
    {
        // An expansion started elsewhere commits after the graph was rebuilt
        // (the nets of the last apply are gone from memory by then).
        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("y"))));
        tool->answerWithInstance(QStringLiteral("b1"));
        UndoFramework::GraphUndoState state = storedState(*viewer);
        state.ports << portRecord(QStringLiteral("extra"), 0);
        state.changed = true;
        tool->commitExpansion(state);
        QCOMPARE(graphUpdateCount(viewer->undoStack()), 2);
        QVERIFY(viewer->stateMap().value(QStringLiteral("ToolExpandBase.Edge.y")).toBool());
        QCOMPARE(storedState(*viewer).ports.size(), 3);
    }

    void wrongGraphStateIsReplacedByADefaultRecord()
    {
        tool->apply(ToolBase::DoubleClicked, GraphItem(netOf(*viewer, QStringLiteral("a"))));
        QCOMPARE(tool->kept.instances.size(), 1);
        tool->commitExpansion(tool->kept);
        // The state's data base holds the module on screen: keep it alive.
        const UndoFramework::GraphUndoState shown = storedState(*viewer);
        Edge *a = netOf(*viewer, QStringLiteral("a"));
        viewer->stateMap().insert(QStringLiteral("GraphViewer::GraphState"), QStringLiteral("not a state"));
        tool->apply(ToolBase::DoubleClicked, GraphItem(a));
        QVERIFY(tool->kept.instances.isEmpty());
        QVERIFY(tool->kept.moduleName.isEmpty());
    }

    void outdatedDisablesForGood()
    {
        viewer->userActivateTool(tool);
        QCOMPARE(viewer->getActiveTool(), tool);
        emit viewer->outdated();
        QVERIFY(!tool->isEnabled());
        QCOMPARE(viewer->getActiveTool(), nullptr);
    }

    void shiftTakesTheConnectedPieces()
    {
        GraphViewer &chain = *viewer;
        ScriptedExpand *expand = tool;
        chain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chain));
        QWindow *window = chain.windowHandle();
        // Two pieces the layout counts as one net: they share a net number.
        Edge *a = netOf(chain, QStringLiteral("a"));
        Edge *y = netOf(chain, QStringLiteral("y"));
        QVERIFY(a && y);
        a->netNumber = 4242;
        y->netNumber = 4242;
        QStringList connected;
        for (Edge *e : a->collectConnected(*chain.module()->edges))
            connected.append(e->name.toString());
        QVERIFY2(connected.size() > 1, qPrintable(connected.join(QLatin1Char(' '))));

        // Shift and Ctrl together: the clicked piece alone.
        QTest::keyPress(window, Qt::Key_Shift, Qt::ShiftModifier | Qt::ControlModifier);
        if (QGuiApplication::keyboardModifiers() != (Qt::ShiftModifier | Qt::ControlModifier))
            QSKIP("the platform does not report held modifiers");
        expand->apply(ToolBase::DoubleClicked, GraphItem(a));
        QTest::keyRelease(window, Qt::Key_Shift, Qt::NoModifier);
        QCOMPARE(expand->fetched.value(0), QStringList{QStringLiteral("a")});
        expand->commitExpansion(expand->kept);

        QTest::keyPress(window, Qt::Key_Shift, Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::keyboardModifiers(), Qt::ShiftModifier);
        expand->apply(ToolBase::DoubleClicked, GraphItem(a));
        QTest::keyRelease(window, Qt::Key_Shift, Qt::NoModifier);
        QStringList got = expand->fetched.value(1);
        got.sort();
        connected.sort();
        QCOMPARE(got, connected);

        // Every piece is marked, so clicking any of them again does nothing.
        expand->answerWithInstance(QStringLiteral("extra"));
        for (const QString &piece : qAsConst(connected))
            QVERIFY2(chain.stateMap().value(QStringLiteral("ToolExpandBase.Edge.") + piece).toBool(),
                     qPrintable(piece));
    }

private:
    GraphViewer *viewer = nullptr;
    ScriptedExpand *tool = nullptr;
};

QTEST_MAIN(TestExpandTool)
#include "tst_expandtool.moc"
