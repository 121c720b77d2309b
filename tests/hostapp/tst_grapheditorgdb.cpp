// Graph windows on real GDB through the stand-in IDE: the plug-in's printers
// in GDB, tests/fixtures/netlistdesign.cpp stopped with its design in
// memory, and a graph window opened on each kind of netlist value of the
// watch view. Each walks to the design's top module (fetching what the
// watch view left collapsed) and builds the program's ports, gates and nets.

#include "common/testenvironment.h"
#include "common/viewclicks.h"
#include "hostwindow.h"
#include "netlistsession.h"
#include "netlist/windows/graphitemactions.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "plugin/korvandebuggerplugin.h"
#include "views/inspector.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/globals.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "graphengine/scene/guielementtype.h"
#include "graphengine/viewer/graphviewer.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/editormanager.h>
#include <coreplugin/idocument.h>
#include <coreplugin/ieditor.h>
#include <coreplugin/progressmanager/progressmanager.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>
#include <utils/savedaction.h>

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace KorvanDebugger::Internal;
using Debugger::Internal::GdbEngine;
using Debugger::Internal::LocalsINameRole;
using GraphEngine::Name;
using UndoFramework::GraphDataBase;

namespace {

QString sourceRoot()
{
    return NetlistSession::sourceRoot();
}

int lineOf(const QString &file, const QString &text)
{
    return NetlistSession::lineOf(file, text);
}

QString hdlFile()
{
    return NetlistSession::hdlFile();
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList gateNames(const GraphEngine::Gates *gates)
{
    QStringList names;
    for (const GraphEngine::Gate *gate : gates->elements())
        names << gate->name.text();
    return sorted(names);
}

// The design of netlistdesign.cpp's top netlist, as its source builds it.
const QStringList topPorts = {"clk", "rst", "d[0]", "d[1]", "d[2]", "d[3]", "sel", "q", "y", "io"};
const QStringList topInstances = {"and1", "nand1", "or1", "nor1", "xor1", "xnor1", "inv1", "buf1", "mux1",
                                  "tri1", "ff1", "ff2", "one", "zero", "unknown", "float", "ha1", "ha2"};

} // namespace

class TestGraphEditorGdb : public QObject
{
    Q_OBJECT

private:
    NetlistSession m_session;

    GdbEngine *engine() const { return m_session.engine(); }
    QTreeView *watchView() const { return m_session.watchView(); }
    QModelIndex local(const QString &name) const { return m_session.local(name); }

    // Opens a window on the local and waits for its graph.
    QPointer<KorvanDebuggerGraphEditor> openOn(int kind, const QModelIndex &index)
    {
        QPointer<KorvanDebuggerGraphEditor> editor = new KorvanDebuggerGraphEditor(watchView(), kind, index);
        // The callers check that the graph came.
        (void)QTest::qWaitFor([&] { return !editor || editor->module(); }, 60000);
        return editor;
    }

    void checkTopModule(KorvanDebuggerGraphEditor *editor)
    {
        QVERIFY(editor && editor->module());
        GraphEngine::Module *module = editor->module();
        QCOMPARE(module->name, QStringLiteral("top"));
        QCOMPARE(gateNames(module->portGates), sorted(topPorts));
        QCOMPARE(gateNames(module->gates), sorted(topPorts + topInstances));
        QVERIFY(module->edges->find(Name(QStringLiteral("n_mux"))));
        QVERIFY(module->edges->find(Name(QStringLiteral("q_int"))));
        // The task went to its end; the window is shown with its entry.
        QVERIFY(editor->progress().isFinished() && !editor->progress().isCanceled());
        QCOMPARE(editor->progress().progressValue(), editor->progress().progressMaximum());
        QVERIFY(editor->isVisible());
        QVERIFY(Core::ActionManager::command("Korvan.Debugger.Module.top"));
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_session.start(&error), qPrintable(error));
        // The watch view shows the design collapsed.
        QCOMPARE(engine()->watchModel()->rowCount(local(QStringLiteral("top"))), 0);
    }

    void cleanup()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void cleanupTestCase()
    {
        m_session.shutdown();
    }

    void eachKindOfValueOpensTheTopModule_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("local");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("module") << 3 << "top" << 0 << "";
        QTest::newRow("instance") << 0 << "gate" << int(GraphEngine::GuiGateItem) << "and1";
        QTest::newRow("terminal") << 1 << "terminal" << int(GraphEngine::GuiGateItem) << "ha2";
        QTest::newRow("net") << 2 << "net" << int(GraphEngine::GuiNetItem) << "n_mux";
        QTest::newRow("module port") << 4 << "port" << int(GraphEngine::GuiInputPortGateItem) << "clk";
    }

    void eachKindOfValueOpensTheTopModule()
    {
        QFETCH(int, kind);
        QFETCH(QString, local);
        QFETCH(int, type);
        QFETCH(QString, name);
        // As after a run-control command: nothing built yet.
        GraphDataBase::clearAllDB();
        Host::ScriptedDialogs dialogs;
        const QModelIndex value = this->local(local);
        QVERIFY(value.isValid());
        QElapsedTimer timer;
        timer.start();
        QPointer<KorvanDebuggerGraphEditor> editor = openOn(kind, value.sibling(value.row(), 1));
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
        checkTopModule(editor);
        qInfo("%s: drawn in %lld ms", qPrintable(local), timer.elapsed());
        if (type) {
            QCOMPARE(editor->startElement().type, type);
            QCOMPARE(editor->startElement().name.toString(), name);
        }
        if (kind == 1)
            QCOMPARE(editor->startElement().net.toString(), QStringLiteral("n_ha1s"));
        // The rows expanded for the walk are collapsed in the watch view.
        QVERIFY(!watchView()->isExpanded(this->local(local)));
        delete editor;
        QVERIFY(!Core::ActionManager::command("Korvan.Debugger.Module.top"));
    }

    void editingTheValueCellOpensTheWindowWithItsItemActions()
    {
        GraphDataBase::clearAllDB();
        Host::ScriptedDialogs dialogs;
        // The user edits the value of "top" in the watch view.
        const QModelIndex top = local(QStringLiteral("top"));
        QVERIFY(!watchView()->itemDelegate()->createEditor(watchView()->viewport(), QStyleOptionViewItem(),
                                                            top.sibling(top.row(), 1)));
        QPointer<KorvanDebuggerGraphEditor> editor;
        QTRY_VERIFY_WITH_TIMEOUT((editor = watchView()->findChild<KorvanDebuggerGraphEditor *>()) && editor->module(),
                                 60000);
        checkTopModule(editor);
        GraphEngine::GraphViewer *viewer = editor->viewer();
        QVERIFY(viewer && viewer->module() == editor->module());
        QCOMPARE(editor->windowTitle(), QStringLiteral("Module: top"));
        using GraphEngine::GraphItem;
        const QList<GraphEngine::GraphItemAction *> gateActions = viewer->registeredActions(GraphItem::GateItem);
        const QList<GraphEngine::GraphItemAction *> netActions = viewer->registeredActions(GraphItem::NetItem);
        QCOMPARE(gateActions.size(), 3);
        QCOMPARE(netActions.size(), 3);
        auto watchGate = qobject_cast<GraphItemWatcher *>(gateActions.at(0));
        auto openDefinition = qobject_cast<GraphItemOpenDefinition *>(gateActions.at(1));
        auto openSource = qobject_cast<GraphItemOpenSource *>(gateActions.at(2));
        QVERIFY(watchGate && openDefinition && openSource);
        QCOMPARE(netActions.at(1), gateActions.at(1));
        QCOMPARE(netActions.at(2), gateActions.at(2));

        GraphEngine::Module *module = editor->module();
        const GraphItem and1(module->gates->map.value(Name(QStringLiteral("and1"))));
        const GraphItem ha1(module->gates->map.value(Name(QStringLiteral("ha1"))));
        const GraphItem one(module->gates->map.value(Name(QStringLiteral("one"))));
        // Constants stand for no object; only sub-module instances have a definition.
        QVERIFY(!watchGate->prepareFor(one));
        QVERIFY(!openDefinition->prepareFor(and1));

        // Watch: the object's expression joins the watch view and shows the gate.
        QVERIFY(watchGate->prepareFor(and1));
        QCOMPARE(watchGate->text(), QStringLiteral("Watch Gate: and1"));
        QSignalSpy filled(engine(), &Debugger::Internal::DebuggerEngine::stackFrameCompleted);
        watchGate->trigger();
        const QStringList watched = engine()->watchHandler()->watchedExpressions();
        QCOMPARE(watched.size(), 1);
        QVERIFY2(watched.first().startsWith(QLatin1String("(Verific::Instance *) 0x")), qPrintable(watched.first()));
        QVERIFY(filled.wait(60000));
        const QModelIndex item = engine()->watchModel()->indexForIName(QStringLiteral("watch.0"));
        QVERIFY(item.isValid());
        QCOMPARE(item.data().toString(), QStringLiteral("and1"));
        const QString shown = item.sibling(item.row(), 1).data().toString();
        QVERIFY2(shown.startsWith(QStringLiteral("and1\u200A(")), qPrintable(shown));

        // Open Source: the HDL file at the instance's line, once per use.
        QVERIFY(openSource->prepareFor(and1));
        QCOMPARE(openSource->text(), QStringLiteral("Open Source: and1"));
        openSource->trigger();
        QVERIFY(openSource->isFetchPending());
        openSource->trigger(); // a second click before the answer asks nothing more
        const auto currentFile = [] {
            Core::IEditor *current = Core::EditorManager::currentEditor();
            return current ? QFileInfo(current->document()->filePath()).fileName() : QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(currentFile(), QStringLiteral("netlistdesign.v"), 60000);
        Core::IEditor *hdl = Core::EditorManager::currentEditor();
        QCOMPARE(hdl->currentLine(), lineOf(hdlFile(), QStringLiteral(" and1(")));
        QVERIFY(openSource->prepareFor(ha1));
        openSource->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(hdl->currentLine(), lineOf(hdlFile(), QStringLiteral(" ha1(")), 60000);
        // However often it was used, the answer leads to one opening.
        QVERIFY(QObject::disconnect(&openSource->inspector(), &Inspector::dataReceived, openSource,
                                    &GraphItemOpenSource::performAction));
        QVERIFY(!QObject::disconnect(&openSource->inspector(), &Inspector::dataReceived, openSource,
                                     &GraphItemOpenSource::performAction));
        // An instance the HDL does not declare: the user is told.
        const GraphItem mux1(module->gates->map.value(Name(QStringLiteral("mux1"))));
        QVERIFY(openSource->prepareFor(mux1));
        openSource->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.messages.size(), 1, 60000);
        QCOMPARE(dialogs.messages.first().text, QStringLiteral("Source Information not available."));

        // Open Definition: a new window on the instance's module.
        QVERIFY(openDefinition->prepareFor(ha1));
        QCOMPARE(openDefinition->text(), QStringLiteral("Open Definition: ha1"));
        openDefinition->trigger();
        KorvanDebuggerGraphEditor *definition = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((definition = Core::ActionManager::command("Korvan.Debugger.Module.half_adder")
                                      ? qobject_cast<KorvanDebuggerGraphEditor *>(
                                          Core::ActionManager::command("Korvan.Debugger.Module.half_adder")
                                              ->action()->parent())
                                      : nullptr),
                                 60000);
        QCOMPARE(definition->module()->name, QStringLiteral("half_adder"));
        QCOMPARE(definition->view(), watchView());
        QCOMPARE(dialogs.messages.size(), 1);
        engine()->watchHandler()->removeItemByIName(QStringLiteral("watch.0"));
        delete definition;
        // Closing the dialog ends the window and its menu entry.
        editor->reject();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!editor);
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 0);
    }

    void anInstanceDefinitionOpensItsModuleAndLeavesTheWatchView()
    {
        GraphDataBase::clearAllDB();
        Host::ScriptedDialogs dialogs;
        // What Open Definition does: the instance fetched under an
        // "inspect." name, then a window of kind 5 on it.
        Inspector inspector;
        QVERIFY(inspector.addWatch("terminal->_inst"));
        QSignalSpy received(&inspector, &Inspector::dataReceived);
        inspector.flushRequests();
        QVERIFY(received.wait(60000));
        const QModelIndex instance = inspector.valueOf("terminal->_inst");
        QVERIFY(instance.isValid());
        const QString iname = instance.data(LocalsINameRole).toString();
        QVERIFY(iname.startsWith(QLatin1String("inspect.")));
        QPointer<KorvanDebuggerGraphEditor> editor = openOn(5, instance);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
        QVERIFY(editor && editor->module());
        QCOMPARE(editor->module()->name, QStringLiteral("half_adder"));
        QCOMPARE(gateNames(editor->module()->portGates), sorted({"a", "b", "s", "c"}));
        QCOMPARE(gateNames(editor->module()->gates), sorted({"a", "b", "s", "c", "sum", "carry"}));
        QVERIFY(Core::ActionManager::command("Korvan.Debugger.Module.half_adder"));
        // The fetched instance leaves the watch view again.
        QVERIFY(!engine()->watchModel()->indexForIName(iname).isValid());
        delete editor;
    }

    void aSecondWindowUsesTheDataBaseAndARunControlCommandEmptiesIt()
    {
        GraphDataBase::clearAllDB();
        QPointer<KorvanDebuggerGraphEditor> first = openOn(3, local(QStringLiteral("top")));
        checkTopModule(first);
        // Already built: shown at once, without a fetch.
        QPointer<KorvanDebuggerGraphEditor> second =
            new KorvanDebuggerGraphEditor(watchView(), 3, local(QStringLiteral("top")));
        QCOMPARE(second->module(), first->module());
        QVERIFY(!second->isFetching());
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 2);

        // A run-control command of the host empties the data base (the
        // plug-in listens to them); a window opened afterwards fetches and
        // builds a module of its own, while the open ones keep theirs.
        QSignalSpy filled(engine(), &Debugger::Internal::DebuggerEngine::stackFrameCompleted);
        QAction *next = Core::ActionManager::command("Debugger.NextLine")->action();
        QVERIFY(next->isEnabled());
        next->trigger();
        QCOMPARE(GraphDataBase::current().entryCount(), 0);
        QVERIFY(filled.wait(60000));
        QCOMPARE(engine()->state(), int(Debugger::Internal::InferiorStopOk));
        QPointer<KorvanDebuggerGraphEditor> third =
            new KorvanDebuggerGraphEditor(watchView(), 3, local(QStringLiteral("top")));
        QVERIFY(third->isFetching() || third->module() != first->module());
        QTRY_VERIFY_WITH_TIMEOUT(third->module(), 60000);
        QVERIFY(third->module() != first->module());
        checkTopModule(third);
        QCOMPARE(first->module()->name, QStringLiteral("top"));

        // The session ends: every open window goes with one box each; they
        // were drawn, so no drawing was cancelled.
        Host::ScriptedDialogs dialogs;
        engine()->shutdown();
        QCOMPARE(dialogs.messages.size(), 3);
        for (const Host::MessageRequest &message : qAsConst(dialogs.messages))
            QCOMPARE(message.text, QStringLiteral("Debug Process Terminated. Graph is closed"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first && !second && !third);
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 0);
        QVERIFY(!Core::ActionManager::command("Korvan.Debugger.MenuSeparator"));
    }

    void theDemoSchematicOpensFromTheWatchView()
    {
        // What the README's first command debugs: the demo, stopped where
        // korvan-host stops it, in the shown window. The user double-clicks
        // (or presses F2 on) the value of a netlist item in the watch view.
        const QString demoSource = sourceRoot() + QStringLiteral("/host/app/demo/demo.cpp");
        Debugger::Internal::DebuggerRunParameters run;
        run.executable = QStringLiteral(KORVAN_DEMO_PROGRAM);
        run.breakpoints << QStringLiteral("demo.cpp:%1").arg(lineOf(demoSource, QStringLiteral("// korvan-host stops here")));
        m_session.window()->startDebugging(run);
        QSignalSpy filled(engine(), &Debugger::Internal::DebuggerEngine::stackFrameCompleted);
        QVERIFY(filled.wait(120000));
        m_session.window()->resize(1400, 900);
        m_session.window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_session.window()));
        QTreeView *view = watchView();
        const auto valueCell = [view](const QModelIndex &name) { return name.sibling(name.row(), 1); };
        const auto doubleClick = [view](const QModelIndex &cell) { QVERIFY(doubleClickCell(view, cell)); };
        const auto pressF2 = [view](const QModelIndex &cell) {
            view->setFocus();
            view->setCurrentIndex(cell);
            QTest::keyClick(view, Qt::Key_F2);
        };
        const auto drawnWindow = [view]() -> QPointer<KorvanDebuggerGraphEditor> {
            QPointer<KorvanDebuggerGraphEditor> editor;
            (void)QTest::qWaitFor([&] { return (editor = view->findChild<KorvanDebuggerGraphEditor *>()) && editor->module(); },
                                  60000);
            return editor;
        };
        const QStringList counterGates =
            sorted({"clk", "rst", "en", "q0", "q1", "carry", "xor0", "and0", "xor1", "and1", "ff0", "ff1"});
        Host::ScriptedDialogs dialogs;

        // A double click on the value of `schematic`: the counter, laid out.
        const QModelIndex schematic = local(QStringLiteral("schematic"));
        QVERIFY(schematic.isValid());
        doubleClick(valueCell(schematic));
        QPointer<KorvanDebuggerGraphEditor> editor = drawnWindow();
        QVERIFY(editor);
        GraphEngine::Module *module = editor->module();
        QCOMPARE(module->name, QStringLiteral("demo_counter"));
        QCOMPARE(editor->windowTitle(), QStringLiteral("Module: demo_counter"));
        QCOMPARE(gateNames(module->portGates), sorted({"clk", "rst", "en", "q0", "q1", "carry"}));
        QCOMPARE(gateNames(module->gates), counterGates);
        QVERIFY(editor->isVisible() && editor->viewer());
        // Laid out: every gate has a place of its own on the scene.
        QSet<QPair<qreal, qreal>> places;
        for (const QGraphicsItem *item : editor->viewer()->scene()->items())
            if (item->type() == GraphEngine::GuiGateItem)
                places.insert(qMakePair(item->scenePos().x(), item->scenePos().y()));
        QCOMPARE(places.size(), 6);
        editor->resize(1100, 700);
        editor->viewer()->zoomTo(1.0);
        QTest::qWait(50);
        const QString shots = qEnvironmentVariable("KORVAN_SHOTS_DIR", QDir::currentPath());
        QDir().mkpath(shots);
        QVERIFY(editor->grab().save(QDir(shots).filePath(QStringLiteral("demo_schematic.png"))));
        qInfo("screenshot: %s", qPrintable(QDir(shots).filePath(QStringLiteral("demo_schematic.png"))));
        delete editor;

        // F2 on the same cell.
        pressF2(valueCell(local(QStringLiteral("schematic"))));
        editor = drawnWindow();
        QVERIFY(editor);
        QCOMPARE(gateNames(editor->module()->gates), counterGates);
        delete editor;

        // F2 on the value of `carryGate`: its module, the gate selected.
        pressF2(valueCell(local(QStringLiteral("carryGate"))));
        editor = drawnWindow();
        QVERIFY(editor);
        QCOMPARE(editor->module()->name, QStringLiteral("demo_counter"));
        QCOMPARE(editor->startElement().name.toString(), QStringLiteral("and1"));
        QCOMPARE(editor->viewer()->scene()->selectedItems().size(), 1);
        delete editor;

        // A double click on a port under "Nb Ports" of `schematic`, opened
        // as the user opens them (each level fetched when first opened).
        QAbstractItemModel *model = view->model();
        const auto portsRow = [&]() -> QModelIndex {
            const QModelIndex item = local(QStringLiteral("schematic"));
            for (int row = 0; row < model->rowCount(item); ++row)
                if (model->index(row, 0, item).data().toString() == QLatin1String("Nb Ports"))
                    return model->index(row, 0, item);
            return QModelIndex();
        };
        view->expand(local(QStringLiteral("schematic")));
        QTRY_VERIFY_WITH_TIMEOUT(portsRow().isValid(), 30000);
        view->expand(portsRow());
        QTRY_VERIFY_WITH_TIMEOUT(model->rowCount(portsRow()) > 0, 30000);
        // Every answer in (the windows' own fetches renew the locals too),
        // and the view has opened again what the user opened.
        QTRY_VERIFY_WITH_TIMEOUT(engine()->pendingCommands().isEmpty(), 30000);
        QTest::qWait(50);
        QVERIFY(view->isExpanded(portsRow()));
        const QModelIndex port = model->index(0, 1, portsRow());
        QVERIFY(port.isValid());
        doubleClick(port);
        editor = drawnWindow();
        QVERIFY(editor);
        QCOMPARE(editor->module()->name, QStringLiteral("demo_counter"));
        QVERIFY(editor->startElement().type == GraphEngine::GuiInputPortGateItem
                || editor->startElement().type == GraphEngine::GuiOutputPortGateItem);
        QVERIFY(QStringList({"clk", "rst", "en", "q0", "q1", "carry"}).contains(editor->startElement().name.toString()));
        QCOMPARE(editor->viewer()->scene()->selectedItems().size(), 1);
        delete editor;
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
        engine()->shutdown();
    }
};

QTEST_MAIN(TestGraphEditorGdb)
#include "tst_grapheditorgdb.moc"
