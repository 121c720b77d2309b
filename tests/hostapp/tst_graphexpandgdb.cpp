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

    // Double-clicks the net in the view (with the modifiers held): on its
    // drawing, or on a gate port on it when it has no lines of its own. Waits
    // for the end of the expansion it starts; false when none started.
    bool doubleClickNet(const QString &name, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Edge *edge = net(name);
        if (!edge)
            return false;
        viewer()->zoomTo(1.0);
        QPointF target = edge->middlePoint().center();
        if (edge->middlePoint().isNull()) {
            GraphEngine::GatePort *port = edge->drivers.isEmpty() ? edge->loads.first() : edge->drivers.first();
            if (!port)
                return false;
            target = port->scenePos();
        }
        GraphEngine::GraphView *view = viewer()->view();
        view->centerOn(target);
        const QPoint at = view->mapFromScene(target);
        QSignalSpy started(m_tool.data(), &ToolExpandBase::startExpand);
        QSignalSpy completed(m_tool.data(), &ToolExpandBase::completeExpand);
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, modifiers, at);
        if (started.isEmpty()) {
            QGraphicsItem *hit = view->itemAt(at);
            qWarning("no expansion: %s at %g,%g, item type %d, active %d", qPrintable(name), target.x(), target.y(),
                     hit ? hit->type() : -1, viewer()->getActiveTool() == m_tool);
            return false;
        }
        return !completed.isEmpty() || completed.wait(120000);
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
        QVERIFY(doubleClickNet(QStringLiteral("n_and")));
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
        QVERIFY(!doubleClickNet(QStringLiteral("n_and")));
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
        QVERIFY(doubleClickNet(QStringLiteral("n_and")));
        QCOMPARE(names(ViewerFixture::storedState(*viewer()).instances), (QStringList{"and1", "nor1", "or1"}));
        QCOMPARE(ViewerFixture::graphUpdateCount(stack), 1);

        // A net on a module port: the port joins, the instance on it is
        // there already.
        QVERIFY(doubleClickNet(QStringLiteral("d[0]")));
        QCOMPARE(names(ViewerFixture::storedState(*viewer()).ports), QStringList{"d[0]"});
        QCOMPARE(names(ViewerFixture::storedState(*viewer()).instances), (QStringList{"and1", "nor1", "or1"}));
        QCOMPARE(ViewerFixture::graphUpdateCount(stack), 2);
        QVERIFY(viewer()->search(GraphEngine::GuiInputPortGateItem, Name(QStringLiteral("d[0]"))));
    }

    void aNetWithManyLoadsArrivesWhole()
    {
        // The fan-out net of the fixture: one driver, 24 inverters, of which
        // the first is drawn.
        QVERIFY(openWindow({"fanoutDriver", "(Verific::Instance *)fanoutNetlist->_instances._items[1]"},
                           QStringLiteral("fanout")));
        QVERIFY(doubleClickNet(QStringLiteral("fan")));
        const QStringList grown = names(ViewerFixture::storedState(*viewer()).instances);
        QCOMPARE(grown.size(), 25);
        QVERIFY(grown.contains(QStringLiteral("fan_inv0")) && grown.contains(QStringLiteral("fan_inv23")));
        QCOMPARE(ViewerFixture::graphUpdateCount(viewer()->undoStack()), 1);
        QCOMPARE(viewer()->module()->gates->count(), 25);
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
        QVERIFY(!doubleClickNet(QStringLiteral("n_and")));
        QCOMPARE(viewer()->undoStack()->count(), before);
    }
};

QTEST_MAIN(TestGraphExpandGdb)
#include "tst_graphexpandgdb.moc"
