// The expand tool on real GDB: tests/fixtures/netlistdesign.cpp stopped
// with its design in memory, a graph window whose graph state is read from
// a few of the program's instance values, and nets of it double-clicked.
// Each expansion fetches the net's terminals, their instances and the
// module ports on it over several rounds and adds them as one undoable step.

#include "netlistsession.h"

#include "graphengine/viewerfixture.h"

#include "hostwindow.h"
#include "netlist/windows/korvandebuggergraphexpand.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "views/inspector.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "graphengine/model/portset.h"
#include "graphengine/scene/guielementtype.h"
#include "graphengine/scene/netlistitem.h"
#include "graphengine/viewer/graphviewer.h"
#include "graphengine/viewer/undobasecommand.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/progressmanager/progressmanager.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>

#include <QPointer>
#include <QSignalSpy>
#include <QUndoStack>
#include <QtTest>

using namespace KorvanDebugger::Internal;
using GraphEngine::Edge;
using GraphEngine::GraphViewer;
using GraphEngine::Name;
using GraphEngine::ToolExpandBase;

namespace {

// The sorted names of records.
template<typename Record>
QStringList names(const QList<Record> &records)
{
    QStringList result = ViewerFixture::recordNames(records);
    result.sort();
    return result;
}

QString edgeKey(const QString &net)
{
    return QStringLiteral("ToolExpandBase.Edge.") + net;
}

} // namespace

class TestGraphExpandGdb : public QObject
{
    Q_OBJECT

private:
    NetlistSession m_session;
    QPointer<KorvanDebuggerGraphEditor> m_editor;
    QPointer<KorvanDebuggerGraphExpand> m_tool;

    GraphViewer *viewer() const { return m_editor ? m_editor->viewer() : nullptr; }
    Edge *net(const QString &name) const { return viewer()->module()->edges->find(Name(name)); }

    // A graph window of a netlist holding the instances of the expressions,
    // with the expand tool active, as the stack analysis makes
    // its "Stack Path" window.
    bool openWindow(const QList<QByteArray> &instances, const QString &moduleName = QStringLiteral("top"))
    {
        UndoFramework::GraphUndoState state;
        if (!m_session.graphState(moduleName, instances, state))
            return false;
        m_editor = new KorvanDebuggerGraphEditor(QStringLiteral("Expand"));
        m_editor->setGraph(state, QStringLiteral("Expand: %n"));
        m_tool = new KorvanDebuggerGraphExpand(viewer());
        viewer()->addTool(m_tool);
        m_editor->showGraph();
        m_editor->resize(1200, 800);
        // The user switches the tool on with its button.
        QTest::mouseClick(m_tool->toolWidget, Qt::LeftButton);
        return viewer()->module() && viewer()->getActiveTool() == m_tool;
    }

    // A point of the view where the net's own item (or that of one of the
    // others given, drawn over it as one bus) is the topmost one: the middle
    // of its drawing or the stub at one of its ports.
    bool pointOnNet(Edge *edge, QPoint *at, const QStringList &others)
    {
        GraphEngine::GraphView *view = viewer()->view();
        // What the last step left queued (centring on its focus) first.
        QTest::qWait(50);
        viewer()->zoomTo(1.0);
        QList<QPointF> candidates{edge->middlePoint().center()};
        for (const GraphEngine::PortList *ports : {&edge->drivers, &edge->loads}) {
            for (GraphEngine::GatePort *port : ports->list()) {
                if (port)
                    candidates << edge->anchorNearPort(port).center();
            }
        }
        for (const QPointF &candidate : qAsConst(candidates)) {
            view->centerOn(candidate);
            *at = view->mapFromScene(candidate);
            QGraphicsItem *top = view->itemAt(*at);
            if (!top || top->type() != GraphEngine::GuiNetItem)
                continue;
            const Edge *hit = static_cast<GraphEngine::NetlistItem *>(top)->graphItem().net();
            if (hit == edge || (hit && others.contains(hit->name.toString())))
                return true;
        }
        return false;
    }

    enum Outcome { Missed, Ignored, Expanded, Unfinished };

    // Double-clicks the net in the view (with the modifiers held) and waits
    // for the end of the expansion it starts.
    Outcome doubleClickNet(const QString &name, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                           const QStringList &others = {})
    {
        Edge *edge = net(name);
        QPoint at;
        if (!edge || !pointOnNet(edge, &at, others))
            return Missed;
        QSignalSpy clicked(viewer()->module(), &GraphEngine::Module::doubleClicked);
        QSignalSpy started(m_tool.data(), &ToolExpandBase::startExpand);
        QSignalSpy completed(m_tool.data(), &ToolExpandBase::completeExpand);
        QTest::mouseMove(viewer()->view()->viewport(), at);
        QTest::mouseDClick(viewer()->view()->viewport(), Qt::LeftButton, modifiers, at);
        if (clicked.isEmpty())
            return Missed;
        if (started.isEmpty())
            return Ignored;
        return !completed.isEmpty() || completed.wait(120000) ? Expanded : Unfinished;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_session.start(&error), qPrintable(error));
    }

    void cleanup()
    {
        delete m_editor;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        UndoFramework::GraphDataBase::clearAllDB();
    }

    void cleanupTestCase()
    {
        m_session.shutdown();
    }

    void aNetGrowsByItsDriverAndLoadsAsOneUndoableStep()
    {
        // or1 reads n_and, which and1 drives and nor1 reads too.
        QVERIFY(openWindow({"(Verific::Instance *)top->_instances._items[2]"}));
        QCOMPARE(names(ViewerFixture::storedState(*viewer()).instances), QStringList{"or1"});
        QSignalSpy rounds(m_tool.data(), &ToolExpandBase::fetchNewData);
        QUndoStack *stack = viewer()->undoStack();
        QCOMPARE(doubleClickNet(QStringLiteral("n_and")), Expanded);
        // The net; its terminal and port lists; the terminals; their instances.
        QCOMPARE(rounds.count(), 4);
        QVERIFY(m_tool->isReady());
        QVERIFY(!m_tool->progressFuture());
        QCOMPARE(ViewerFixture::graphUpdateCount(stack), 1);
        UndoFramework::GraphUndoState grown = ViewerFixture::storedState(*viewer());
        QCOMPARE(names(grown.instances), (QStringList{"and1", "nor1", "or1"}));
        QVERIFY(viewer()->stateMap().value(edgeKey(QStringLiteral("n_and"))).toBool());
        QVERIFY(viewer()->search(GraphEngine::GuiGateItem, Name(QStringLiteral("and1"))));
        QVERIFY(viewer()->search(GraphEngine::GuiGateItem, Name(QStringLiteral("nor1"))));
        // The driver's record names the program's object by its whole address.
        const quint64 and1 = m_session.local(QStringLiteral("gate")).data(Debugger::Internal::LocalsAddressRole).toULongLong();
        QVERIFY(and1 > Q_UINT64_C(0xffffffff));
        for (const UndoFramework::Instance &instance : grown.instances) {
            if (instance.name == QLatin1String("and1"))
                QCOMPARE(instance.properties.value(QStringLiteral("Reference")).toString(),
                         QStringLiteral("0x%1").arg(and1, 0, 16));
        }

        // Expanded already: a second double click asks nothing and pushes nothing.
        const int index = stack->index();
        QCOMPARE(doubleClickNet(QStringLiteral("n_and")), Ignored);
        QCOMPARE(stack->index(), index);
        QCOMPARE(ViewerFixture::graphUpdateCount(stack), 1);

        // Undo takes the records and the mark away; the net grows again.
        stack->undo();
        QCOMPARE(names(ViewerFixture::storedState(*viewer()).instances), QStringList{"or1"});
        QVERIFY(!viewer()->stateMap().value(edgeKey(QStringLiteral("n_and"))).isValid());
        QVERIFY(!viewer()->search(GraphEngine::GuiGateItem, Name(QStringLiteral("and1"))));
        // The undone step was the tool's activation too: the user switches it on again.
        QVERIFY(viewer()->getActiveTool() != m_tool);
        QTest::mouseClick(m_tool->toolWidget, Qt::LeftButton);
        QCOMPARE(doubleClickNet(QStringLiteral("n_and")), Expanded);
        QCOMPARE(names(ViewerFixture::storedState(*viewer()).instances), (QStringList{"and1", "nor1", "or1"}));
        QCOMPARE(ViewerFixture::graphUpdateCount(stack), 1);

        // A net on a module port: the port joins, the instance on it is
        // there already.
        QCOMPARE(doubleClickNet(QStringLiteral("d[0]")), Expanded);
        QCOMPARE(names(ViewerFixture::storedState(*viewer()).ports), QStringList{"d[0]"});
        QCOMPARE(names(ViewerFixture::storedState(*viewer()).instances), (QStringList{"and1", "nor1", "or1"}));
        QCOMPARE(ViewerFixture::graphUpdateCount(stack), 2);
        QVERIFY(viewer()->search(GraphEngine::GuiInputPortGateItem, Name(QStringLiteral("d[0]"))));
    }

    void aNetsExpressionNamesTheProgramsObjectByItsWholeAddress()
    {
        // mux1 drives n_mux, the fixture's local "net".
        QVERIFY(openWindow({"(Verific::Instance *)top->_instances._items[8]"}));
        const quint64 address =
            m_session.local(QStringLiteral("net")).data(Debugger::Internal::LocalsAddressRole).toULongLong();
        QVERIFY(address > Q_UINT64_C(0xffffffff));
        const QString expression = KorvanDebuggerGraphExpand::expressionOf(net(QStringLiteral("n_mux")));
        QVERIFY2(expression.startsWith(QLatin1String("(Verific::Net")), qPrintable(expression));
        QVERIFY2(expression.endsWith(QStringLiteral(") 0x%1").arg(address, 0, 16)), qPrintable(expression));
        // GDB reads the net back from it.
        Inspector inspector;
        inspector.addWatch(expression.toLocal8Bit());
        QSignalSpy received(&inspector, &Inspector::dataReceived);
        inspector.flushRequests();
        QVERIFY(received.wait(60000));
        const QModelIndex value = inspector.valueOf(expression.toLocal8Bit());
        QCOMPARE(value.sibling(value.row(), 1).data().toString(), QStringLiteral("n_mux"));
    }

    void aNetWithManyLoadsArrivesWhole()
    {
        // The fan-out net of the fixture: one driver, 24 inverters, of which
        // the first is drawn.
        QVERIFY(openWindow({"fanoutDriver", "(Verific::Instance *)fanoutNetlist->_instances._items[1]"},
                           QStringLiteral("fanout")));
        QCOMPARE(doubleClickNet(QStringLiteral("fan")), Expanded);
        const QStringList grown = names(ViewerFixture::storedState(*viewer()).instances);
        QCOMPARE(grown.size(), 25);
        QVERIFY(grown.contains(QStringLiteral("fan_inv0")) && grown.contains(QStringLiteral("fan_inv23")));
        QCOMPARE(ViewerFixture::graphUpdateCount(viewer()->undoStack()), 1);
        QCOMPARE(viewer()->module()->gates->count(), 25);
        viewer()->zoomTo(0.5);
        const QString shots = qEnvironmentVariable("KORVAN_SHOTS_DIR", QDir::tempPath());
        QDir().mkpath(shots);
        const QString shot = QDir(shots).filePath(QStringLiteral("expand_fanout.png"));
        QVERIFY(m_editor->grab().save(shot));
        qInfo("screenshot: %s", qPrintable(shot));
    }

    void shiftExpandsTheConnectedPiecesTogether()
    {
        // fan_inv0 drives bit 0 of fan_sink's bus port; bits 1 to 3 come
        // from inverters not drawn yet.
        QVERIFY(openWindow({"(Verific::Instance *)fanoutNetlist->_instances._items[1]", "fanoutSink"},
                           QStringLiteral("fanout")));
        const QStringList bus = {"fan_out0", "fan_out1", "fan_out2", "fan_out3"};
        QStringList connected;
        for (Edge *piece : net(QStringLiteral("fan_out0"))->collectConnected(*viewer()->module()->edges))
            connected << piece->name.toString();
        connected.sort();
        QCOMPARE(connected, bus);
        QCOMPARE(doubleClickNet(QStringLiteral("fan_out0"), Qt::ShiftModifier), Expanded);
        // The four nets were fetched in one cycle and marked in one step.
        QCOMPARE(names(ViewerFixture::storedState(*viewer()).instances),
                 (QStringList{"fan_inv0", "fan_inv1", "fan_inv2", "fan_inv3", "fan_sink"}));
        QCOMPARE(ViewerFixture::graphUpdateCount(viewer()->undoStack()), 1);
        for (const QString &piece : bus)
            QVERIFY2(viewer()->stateMap().value(edgeKey(piece)).toBool(), qPrintable(piece));
        // Drawn as one bus now: whichever of them is hit, all are expanded.
        QCOMPARE(doubleClickNet(QStringLiteral("fan_out0"), Qt::ShiftModifier, bus), Ignored);
        QCOMPARE(doubleClickNet(QStringLiteral("fan_out0"), Qt::NoModifier, bus), Ignored);
    }

    void afterTheProgramMovesOnTheToolIsDisabled()
    {
        QVERIFY(openWindow({"gate"}));
        QVERIFY(m_tool->isEnabled());
        // A step of the program: the values the graph was read from are
        // stale, and the stack view says so to the graph's viewer.
        QSignalSpy filled(m_session.engine(), &Debugger::Internal::DebuggerEngine::stackFrameCompleted);
        Core::ActionManager::command("Debugger.NextLine")->action()->trigger();
        QVERIFY(filled.wait(60000));
        emit viewer()->outdated();
        QVERIFY(!m_tool->isEnabled());
        QVERIFY(viewer()->getActiveTool() != m_tool);
        const int before = viewer()->undoStack()->count();
        QCOMPARE(doubleClickNet(QStringLiteral("n_and")), Ignored);
        // Its button does not switch it on again.
        QTest::mouseClick(m_tool->toolWidget, Qt::LeftButton);
        QVERIFY(viewer()->getActiveTool() != m_tool);
        QCOMPARE(doubleClickNet(QStringLiteral("n_and")), Ignored);
        QCOMPARE(viewer()->undoStack()->count(), before);
    }
};

QTEST_MAIN(TestGraphExpandGdb)
#include "tst_graphexpandgdb.moc"
