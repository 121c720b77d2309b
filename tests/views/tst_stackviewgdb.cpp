// The stack view end to end: the plug-in in the stand-in IDE with real GDB
// on a program that passes its netlist (gates, pins, nets of the graph
// engine) and plain values down a call chain. Every frame gets its argument
// rows with the printers' values; the argument menu watches a value and
// asks for its source; stepping, continuing and running again with frames
// expanded keep the rows right (and, under valgrind, the reads valid).

#include "common/testenvironment.h"
#include "hostapp/hostfixture.h"
#include "hostwindow.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gates.h"
#include "graphengine/scene/netlistitem.h"
#include "graphengine/viewer/graphviewer.h"
#include "netlist/netlisttypes.h"
#include "netlist/windows/korvandebuggergraphexpand.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "plugin/korvandebuggerplugin.h"
#include "views/korvandebuggerstackdelegate.h"
#include "views/korvanstackproxymodel.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/icore.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/stackhandler.h>
#include <debugger/stacktreeview.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>
#include <utils/savedaction.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QScopeGuard>
#include <QSplitter>
#include <QStatusBar>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

using namespace KorvanDebugger::Internal;
using namespace Debugger::Internal;
using GraphEngine::Name;

namespace {
const QChar mark(0x200A);
const QChar item(0x2009);

int fixtureLine(const QString &text)
{
    return HostFixture::lineOf(QStringLiteral(KORVAN_SOURCE_ROOT "/tests/fixtures/enginedesign.cpp"), text);
}

// A pin of mux1 as the engine's printer writes it.
QString pinText(const QString &pin, const QString &net)
{
    return QChar(0x21E5) + QStringLiteral("mux1") + mark + QLatin1Char('.') + pin + mark + QLatin1Char('(') + net
        + QLatin1Char(')');
}

} // namespace

class TestStackViewGdb : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Host::HostWindow> m_window;
    std::unique_ptr<KorvanDebuggerPlugin> m_plugin;

    GdbEngine *engine() const { return m_window->engine(); }
    KorvanDebuggerStackDelegate *delegate() const { return m_plugin->stackDelegate(); }
    KorvanStackProxyModel *proxy() const { return delegate() ? delegate()->proxy() : nullptr; }
    StackTreeView *view() const { return static_cast<StackTreeView *>(m_window->stackView()); }
    QString log() const { return m_window->log()->toPlainText(); }

    // The stack view's rows once every frame has its arguments and the
    // Inspector's values are in.
    bool waitForArguments()
    {
        const auto done = [this] {
            if (!proxy() || view()->model() != proxy() || engine()->state() != InferiorStopOk)
                return false;
            const FramesDB &table = FramesDB::instance();
            if (table.size() < engine()->stackHandler()->stackSize())
                return false;
            for (const StackFrameInfo &frame : table)
                if (frame.arguments.isEmpty() || frame.arguments.first()->name == QLatin1String("<loading>"))
                    return false;
            // Every netlist argument's dumper value is in, not only some.
            for (const StackFrameInfo &frame : table)
                for (const StackArgument *argument : frame.arguments)
                    if (isNetlistType(argument->type) && argument->value.startsWith(QLatin1String("0x"))
                        && !proxy()->prettyValues().contains(argumentExpression(*argument).toLocal8Bit()))
                        return false;
            return !proxy()->prettyValues().isEmpty();
        };
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 60000)
            QTest::qWait(20);
        QTest::qWait(50);
        if (!done()) {
            qWarning().noquote() << "arguments not in:" << view()->contentsText() << "\nframes" << FramesDB::instance().size()
                                 << "pretty" << (proxy() ? proxy()->prettyValues().size() : -1) << "\n"
                                 << log().right(4000);
        }
        return done();
    }

    // Runs a host command and waits for the next stop with its arguments.
    bool runAndWait(const char *id)
    {
        QSignalSpy stopped(engine(), &DebuggerEngine::stackFrameCompleted);
        QAction *action = commandAction(id);
        if (!action || !action->isEnabled())
            return false;
        action->trigger();
        if (!stopped.wait(60000))
            return false;
        return waitForArguments();
    }

    // Restarts the program; true once its first stop shows its arguments.
    bool runAndWaitForNewSession()
    {
        QSignalSpy created(m_window.get(), &Host::HostWindow::sessionCreated);
        QAction *reset = commandAction("Debugger.Reset");
        if (!reset)
            return false;
        reset->trigger();
        if (created.count() != 1)
            return false;
        QSignalSpy stopped(engine(), &DebuggerEngine::stackFrameCompleted);
        return stopped.wait(60000) && waitForArguments();
    }

    // The netlist fixture, compiled once.
    QTemporaryDir m_netlistBuild;
    QString netlistProgram()
    {
        const QString program = m_netlistBuild.filePath(QStringLiteral("netlistdesign"));
        if (QFile::exists(program))
            return program;
        QProcess compiler;
        compiler.setProcessChannelMode(QProcess::MergedChannels);
        compiler.start(QStringLiteral("g++"), {QStringLiteral("-g"), QStringLiteral("-O0"), netlistSource(),
                                               QStringLiteral("-o"), program});
        if (!compiler.waitForFinished(120000) || compiler.exitCode() != 0) {
            qWarning("%s", compiler.readAll().constData());
            return QString();
        }
        return program;
    }
    static QString netlistSource() { return QStringLiteral(KORVAN_SOURCE_ROOT "/tests/fixtures/netlistdesign.cpp"); }

    // A new session of the window on the netlist fixture, stopped at the
    // comment's line; true once the stop shows its arguments.
    bool debugNetlist(const QStringList &arguments, const QString &stopComment)
    {
        DebuggerRunParameters run;
        run.executable = netlistProgram();
        if (run.executable.isEmpty())
            return false;
        run.arguments = arguments;
        run.breakpoints << QStringLiteral("netlistdesign.cpp:%1").arg(HostFixture::lineOf(netlistSource(), stopComment));
        m_window->startDebugging(run);
        QSignalSpy stopped(engine(), &DebuggerEngine::stackFrameCompleted);
        return stopped.wait(120000) && waitForArguments();
    }

    QModelIndex frameIndex(int level) const { return proxy()->index(level, 0); }
    // "View in Graph Viewer" on the argument; the window it opens, once it
    // shows its module (null after a minute without one).
    QPointer<KorvanDebuggerGraphEditor> viewInGraphViewer(const QModelIndex &argument)
    {
        QMenu menu;
        if (!delegate()->fillArgumentMenu(&menu, argument) || menu.actions().size() < 2
            || !menu.actions().at(1)->text().startsWith(QLatin1String("View in Graph Viewer: ")))
            return nullptr;
        menu.actions().at(1)->trigger();
        QPointer<KorvanDebuggerGraphEditor> editor;
        QElapsedTimer waited;
        waited.start();
        while ((!editor || !editor->module()) && waited.elapsed() < 60000) {
            QTest::qWait(20);
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto window = qobject_cast<KorvanDebuggerGraphEditor *>(widget))
                    editor = window;
        }
        return editor;
    }

    static QString shotsFolder()
    {
        const QString folder = qEnvironmentVariable("KORVAN_SHOTS_DIR", QDir::tempPath());
        QDir().mkpath(folder);
        return folder;
    }

    // The window with the stack view filling it, its first frames expanded,
    // saved as name + "-window.png" and the view alone as name + ".png".
    bool grabStackView(int expandedFrames, const QString &name)
    {
        for (int level = 0; level < expandedFrames; ++level)
            view()->expand(frameIndex(level));
        // The stack view takes the width of its splitter.
        if (auto splitter = qobject_cast<QSplitter *>(view()->parentWidget()))
            splitter->setSizes({0, 1400, 0});
        // And the debugger window the height of the main window.
        if (auto central = qobject_cast<QSplitter *>(m_window->debuggerWindow()->parentWidget()))
            central->setSizes({0, 900});
        view()->resizeColumnToContents(1);
        QTest::qWait(100);
        const QString folder = shotsFolder();
        return m_window->grab().save(folder + QLatin1Char('/') + name + QStringLiteral("-window.png"))
            && view()->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    // The watch of the expression in the watch model, or an invalid index.
    QModelIndex watchedItem(const QString &expression) const
    {
        QAbstractItemModel *model = engine()->watchModel();
        const QModelIndexList hits = model->match(model->index(0, 0), LocalsExpressionRole, expression, -1,
                                                  Qt::MatchExactly | Qt::MatchRecursive);
        for (const QModelIndex &hit : hits)
            if (hit.data(LocalsINameRole).toString().startsWith(QLatin1String("watch.")))
                return hit;
        return QModelIndex();
    }

    static UndoFramework::StackPathEntry stackPathEntryOf(const UndoFramework::GraphUndoState &state,
                                                          const QString &element)
    {
        for (const UndoFramework::StackPathEntry &entry : state.stackPath)
            if (entry.elementName.toString() == element)
                return entry;
        return UndoFramework::StackPathEntry();
    }
    QString argumentRow(int level, int row) const
    {
        return proxy()->index(row, 1, frameIndex(level)).data().toString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(KORVAN_ENGINE_DESIGN), KORVAN_ENGINE_DESIGN);
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("gdb")).isEmpty());
        qRegisterMetaType<GdbEngine *>();
        m_env.reset(new TestEnvironment);
        m_window.reset(new Host::HostWindow);
        m_plugin.reset(new KorvanDebuggerPlugin);
        QString error;
        QVERIFY(m_plugin->initialize({}, &error));
        m_plugin->extensionsInitialized();
        QVERIFY(!m_plugin->delayedInitialize());
        m_window->delayedInitialize();
        QTRY_VERIFY(Debugger::Internal::action(GdbStartupCommands)->value().toString().contains("#PRIVATESTART"));
        QVERIFY(delegate());
        m_window->resize(1400, 900);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

        DebuggerRunParameters run;
        run.executable = QStringLiteral(KORVAN_ENGINE_DESIGN);
        run.arguments << QStringLiteral("walk");
        const int line = fixtureLine(QStringLiteral("stack leaf"));
        QVERIFY(line > 0);
        run.breakpoints << QStringLiteral("enginedesign.cpp:%1").arg(line);
        m_window->startDebugging(run);
        QSignalSpy stopped(engine(), &DebuggerEngine::stackFrameCompleted);
        QVERIFY2(stopped.wait(120000), qPrintable(log()));
        QVERIFY2(waitForArguments(), qPrintable(log()));
    }

    void everyFrameShowsItsArgumentsWithThePrintersValues()
    {
        QVERIFY2(log().contains(QLatin1String("-stack-list-arguments  --simple-values 0 4")), qPrintable(log()));
        QCOMPARE(proxy()->rowCount(), 5);
        // The innermost frame: netlist objects by pointer, a reference to an
        // int, a string and a structure.
        const QString leaf = frameIndex(0).sibling(0, 1).data().toString();
        QVERIFY2(leaf.startsWith(QString("stackLeaf") + mark + "(" + item + "net" + mark + "(0x"), qPrintable(leaf));
        QVERIFY2(leaf.endsWith(QString(",") + item + "probe)"), qPrintable(leaf));
        QCOMPARE(proxy()->rowCount(frameIndex(0)), 6);
        QCOMPARE(argumentRow(0, 0), QStringLiteral("GraphEngine::Edge *: net = n2"));
        QCOMPARE(argumentRow(0, 1), QString("GraphEngine::GatePort *: pin = ") + pinText("D0", "n2"));
        QVERIFY2(argumentRow(0, 3).startsWith(QLatin1String("int &: visits = 0x")), qPrintable(argumentRow(0, 3)));
        QVERIFY2(argumentRow(0, 4).startsWith(QLatin1String("const char *: label = 0x")), qPrintable(argumentRow(0, 4)));
        QVERIFY(argumentRow(0, 4).endsWith(QLatin1String(" \"pin\"")));
        QCOMPARE(argumentRow(0, 5), QStringLiteral("Probe: probe = <Not accessible>"));
        // The caller frames: the gate with its pins (hidden addresses kept
        // for the graph side), the module, plain numbers.
        const QString gate = argumentRow(1, 0);
        QVERIFY2(gate.startsWith(QString("GraphEngine::Gate *: gate = mux1")), qPrintable(gate));
        QVERIFY(gate.contains(QChar(0x21E5) + QStringLiteral("D0") + QChar(0x226A) + QStringLiteral("0x")));
        QCOMPARE(argumentRow(2, 0), QStringLiteral("GraphEngine::Module *: module = \"engine_top\""));
        QCOMPARE(argumentRow(2, 2), QStringLiteral("int: depth = 2"));
        QCOMPARE(argumentRow(4, 0), QStringLiteral("int: argc = 2"));
        // The graph icon on netlist arguments only.
        QCOMPARE(proxy()->index(0, 0, frameIndex(2)).data(Qt::DecorationRole).type(), QVariant::Pixmap);
        QVERIFY(!proxy()->index(2, 0, frameIndex(2)).data(Qt::DecorationRole).isValid());
        QCOMPARE(delegate()->currentFrameText(), QStringLiteral("stackLeaf"));
        QCOMPARE(m_plugin->currentFrameText(), QStringLiteral("stackLeaf"));
    }

    void viewInGraphViewerOnAnEngineGate()
    {
        // The gate's module, laid out: its flop has neither of the pins
        // "PRE" and "CLR" that its kind offers, which the drawing drops.
        Host::ScriptedDialogs dialogs;
        const QPointer<KorvanDebuggerGraphEditor> editor = viewInGraphViewer(proxy()->index(0, 1, frameIndex(1)));
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
        QVERIFY(editor && editor->module());
        GraphEngine::Module *module = editor->module();
        QCOMPARE(module->name, QStringLiteral("engine_top"));
        QCOMPARE(editor->startElement().name.toString(), QStringLiteral("mux1"));
        GraphEngine::Gate *flop = module->gates->map.value(GraphEngine::Name(QStringLiteral("ff1")));
        QVERIFY(flop);
        QStringList pins;
        for (const GraphEngine::GatePort *pin : flop->ports.list())
            pins << pin->name;
        pins.sort();
        QCOMPARE(pins, (QStringList{"CLK", "D", "Q"}));
        QVERIFY(delegate()->pendingExpression().isNull());
        delete editor;
    }

    void theArgumentMenuWatchesAndAsksForTheSource()
    {
        const QModelIndex pin = proxy()->index(1, 1, frameIndex(0));
        const QString expression = argumentExpression(*KorvanStackProxyModel::argumentOf(pin));
        QVERIFY(expression.startsWith(QLatin1String("(GraphEngine::GatePort *)0x")));
        QMenu menu;
        QVERIFY(delegate()->fillArgumentMenu(&menu, pin));
        QStringList texts;
        for (QAction *action : menu.actions())
            texts << action->text();
        const QString label = pinText("D0", "n2");
        QCOMPARE(texts.mid(0, 3),
                 (QStringList{"Watch Value: " + label, "View in Graph Viewer: " + label, "Open Source: " + label}));
        QVERIFY(texts.contains(Debugger::Internal::action(SettingsDialog)->text()));

        // Watch Value: an ordinary watch of the host.
        menu.actions().at(0)->trigger();
        DebuggerCommand fetch("fetchVariable");
        engine()->watchHandler()->appendWatchersAndTooltipRequests(&fetch);
        const QByteArray watchers = QJsonDocument(fetch.args.toObject()).toJson();
        QVERIFY2(watchers.contains(expression.toUtf8().toHex()), watchers.constData());

        // Open Source: posted to the Inspector, then answered; the engine's
        // objects have no HDL source, which the user is told.
        Host::ScriptedDialogs dialogs;
        dialogs.buttonAnswers << QMessageBox::Ok;
        menu.actions().at(2)->trigger();
        QCOMPARE(delegate()->pendingExpression(), expression);
        QVERIFY(delegate()->requestPosted());
        // While it waits, the menu offers no second request.
        QMenu waiting;
        delegate()->fillArgumentMenu(&waiting, pin);
        QVERIFY(waiting.actions().at(1)->isSeparator());
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.messages.size(), 1, 60000);
        QCOMPARE(dialogs.messages.first().text, QStringLiteral("Source Information not available."));
        QVERIFY(delegate()->pendingExpression().isNull());
        QVERIFY(!delegate()->requestPosted());
        QTest::qWait(200);
        QCOMPARE(dialogs.messages.size(), 1);
    }

    void anArgumentGdbCannotEvaluateIsDroppedAndTheMenuComesBack()
    {
        // What a stale row would hold: a value that names nothing.
        const QModelIndex pin = proxy()->index(1, 1, frameIndex(0));
        auto argument = const_cast<StackArgument *>(KorvanStackProxyModel::argumentOf(pin));
        const QString value = argument->value;
        argument->value = QStringLiteral("no_such_symbol_here");
        auto restore = qScopeGuard([&] { argument->value = value; });
        QMenu menu;
        QVERIFY(delegate()->fillArgumentMenu(&menu, pin));
        QCOMPARE(menu.actions().at(2)->text().left(12), QStringLiteral("Open Source:"));
        Host::ScriptedDialogs dialogs;
        menu.actions().at(2)->trigger();
        QVERIFY(delegate()->requestPosted());
        QTRY_VERIFY_WITH_TIMEOUT(!delegate()->requestPosted(), 60000);
        QVERIFY(delegate()->pendingExpression().isNull());
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY2(m_window->statusBar()->currentMessage().contains(QLatin1String("no_such_symbol_here")),
                 qPrintable(m_window->statusBar()->currentMessage()));
        QMenu again;
        delegate()->fillArgumentMenu(&again, pin);
        QCOMPARE(again.actions().at(2)->text().left(12), QStringLiteral("Open Source:"));
    }

    void activatingAnArgumentRowKeepsTheFrame()
    {
        view()->expand(frameIndex(1));
        emit view()->activated(proxy()->index(0, 1, frameIndex(1)));
        QTest::qWait(300);
        QCOMPARE(engine()->stackHandler()->currentIndex(), 0);
        QSignalSpy locals(engine(), &DebuggerEngine::stackFrameCompleted);
        emit view()->activated(frameIndex(1));
        QVERIFY(locals.wait(60000));
        QCOMPARE(engine()->stackHandler()->currentIndex(), 1);
        QCOMPARE(delegate()->currentFrameText(), QStringLiteral("stackPin"));
        view()->collapse(frameIndex(1));
    }

    void steppingContinuingAndRunningAgainKeepTheRows()
    {
        view()->expand(frameIndex(0));
        view()->expand(frameIndex(2));
        // Step over in the leaf: the same frames, still expanded. The
        // innermost one is opened (and drawn) while its arguments load too.
        bool openedWhileLoading = false;
        const QMetaObject::Connection opener = connect(proxy(), &QAbstractItemModel::modelReset, this, [&] {
            QTimer::singleShot(0, this, [&] {
                if (!proxy() || proxy()->rowCount() == 0 || openedWhileLoading)
                    return;
                view()->expand(frameIndex(0));
                view()->viewport()->repaint();
                openedWhileLoading = argumentRow(0, 0).startsWith(QLatin1String(": <loading>"));
            });
        });
        QVERIFY2(runAndWait("Debugger.NextLine"), qPrintable(log().right(3000)));
        disconnect(opener);
        QVERIFY(openedWhileLoading);
        QVERIFY(view()->isExpanded(frameIndex(2)));
        QCOMPARE(argumentRow(0, 0), QStringLiteral("GraphEngine::Edge *: net = n2"));

        // Continue to the next pin: the leaf is another call (collapsed), the
        // gate's frame is the same one (still expanded).
        QVERIFY2(runAndWait("Debugger.Continue"), qPrintable(log().right(3000)));
        QCOMPARE(argumentRow(0, 1), QString("GraphEngine::GatePort *: pin = ") + pinText("D1", "n_one"));
        QVERIFY(!view()->isExpanded(frameIndex(0)));
        QVERIFY(view()->isExpanded(frameIndex(2)));

        // Stack detail off and on again.
        QAction *detail = commandAction("Korvan.Debugger.StackDetail");
        QVERIFY(detail);
        detail->trigger();
        QCOMPARE(proxy()->rowCount(frameIndex(0)), 0);
        QCOMPARE(frameIndex(0).sibling(0, 1).data().toString(), QStringLiteral("stackLeaf"));
        detail->trigger();
        QVERIFY(waitForArguments());
        QCOMPARE(proxy()->rowCount(frameIndex(0)), 6);

        // A new run: a new session's model under the same proxy.
        KorvanStackProxyModel *before = proxy();
        view()->expand(frameIndex(0));
        QVERIFY(runAndWaitForNewSession());
        QCOMPARE(proxy(), before);
        QCOMPARE(argumentRow(0, 1), QString("GraphEngine::GatePort *: pin = ") + pinText("D0", "n2"));
        QCOMPARE(proxy()->rowCount(frameIndex(3)), 2);
    }

    void screenshotOfTheStackView()
    {
        QVERIFY(grabStackView(3, QStringLiteral("stackview")));
    }
    void viewInGraphViewerOpensTheArgumentsGraph()
    {
        // A program on the Verific netlist types, in a new session of the
        // same window, stopped in the function that gets the design.
        QVERIFY(debugNetlist({}, QStringLiteral("break here")));
        QCOMPARE(frameIndex(0).sibling(0, 1).data().toString().section(mark, 0, 0), QStringLiteral("(anonymous namespace)::designReady"));

        QVERIFY2(argumentRow(0, 1).startsWith(QLatin1String("Verific::Instance *: gate = ")), qPrintable(argumentRow(0, 1)));
        Host::ScriptedDialogs dialogs;
        const int before = KorvanDebuggerGraphEditor::openWindowCount();
        const QPointer<KorvanDebuggerGraphEditor> editor = viewInGraphViewer(proxy()->index(1, 1, frameIndex(0)));
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
        QVERIFY(editor && editor->module());
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), before + 1);
        QCOMPARE(editor->module()->name, QStringLiteral("top"));
        QVERIFY(delegate()->pendingExpression().isNull());
        editor->close();
    }

    void theStackPathDrawsTheNetlistObjectsPassedDownTheWalk()
    {
        // A netlist tool deep in its work: frames 0 to 4 hand objects of
        // "top" down, frame 2 holds none, frame 5 works in "half_adder".
        QVERIFY(debugNetlist({QStringLiteral("walk")}, QStringLiteral("path leaf")));
        QCOMPARE(proxy()->rowCount(), 7);
        QCOMPARE(frameIndex(0).sibling(0, 1).data().toString().section(mark, 0, 0),
                 QStringLiteral("(anonymous namespace)::pathLeaf"));
        QCOMPARE(argumentRow(0, 0), QStringLiteral("Verific::Net *: net = n_mux"));
        QCOMPARE(argumentRow(0, 1), QString("Verific::PortRef *: terminal = ") + QChar(0x21E5) + "ff1" + mark + ".d" + mark
                                        + "(n_mux)");
        QCOMPARE(argumentRow(0, 2), QStringLiteral("int: depth = 3"));
        QCOMPARE(argumentRow(2, 0), QStringLiteral("int: step = 2"));
        QVERIFY2(argumentRow(3, 0).startsWith(QString("Verific::Instance *: gate = mux1") + mark + "("),
                 qPrintable(argumentRow(3, 0)));
        QCOMPARE(argumentRow(3, 1), QString("Verific::Port *: port = ") + QChar(0x21E5) + "sel");
        QCOMPARE(argumentRow(4, 1), QString("Verific::Port *: port = ") + QChar(0x21A6) + "q" + mark + "(q_int)");
        QVERIFY2(argumentRow(5, 0).startsWith(QString("Verific::Instance *: inner = sum") + mark), qPrintable(argumentRow(5, 0)));

        // The menu of a netlist argument, and of a plain one.
        QMenu menu;
        QVERIFY(delegate()->fillArgumentMenu(&menu, proxy()->index(1, 1, frameIndex(0))));
        const QString label = QChar(0x21E5) + QStringLiteral("ff1") + mark + ".d" + mark + "(n_mux)";
        QCOMPARE(menu.actions().at(0)->text(), "Watch Value: " + label);
        QCOMPARE(menu.actions().at(1)->text(), "View in Graph Viewer: " + label);
        QCOMPARE(menu.actions().at(2)->text(), "Open Source: " + label);
        QMenu plain;
        QVERIFY(delegate()->fillArgumentMenu(&plain, proxy()->index(2, 1, frameIndex(0))));
        QCOMPARE(plain.actions().at(0)->text(), QStringLiteral("Watch Value: 3"));
        QVERIFY(plain.actions().at(1)->isSeparator());

        // The analysis: the terminal's instance is fetched first, then the
        // graph of the range (frames 0 to 4) is shown in one window.
        QAction *analysis = commandAction("Korvan.Debugger.AnalyzeStack");
        QVERIFY(analysis && analysis->isEnabled());
        Host::ScriptedDialogs dialogs;
        analysis->trigger();
        QVERIFY(!analysis->isEnabled());
        QVERIFY(proxy()->isAnalysing());
        QVERIFY(!KorvanStackProxyModel::stackWidget());
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isEnabled(), 60000);
        QPointer<KorvanDebuggerGraphEditor> window = KorvanStackProxyModel::stackWidget();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Stack Path"));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(m_window->statusBar()->currentMessage(),
                 QStringLiteral("Stack Path: 3 instances and 2 ports from the arguments of frames 0 to 4."));
        const UndoFramework::GraphUndoState &state = window->graphState();
        QStringList instances;
        for (const UndoFramework::Instance &instance : state.instances)
            instances << instance.name;
        QCOMPARE(instances, (QStringList{"tri1", "mux1", "ff1"}));
        QStringList ports;
        for (const UndoFramework::Port &port : state.ports)
            ports << port.name;
        QCOMPARE(ports, (QStringList{"sel", "q"}));
        GraphEngine::Module *module = window->viewer()->module();
        QVERIFY(module);
        QCOMPARE(module->name, QStringLiteral("Stack Path"));
        for (const char *gate : {"tri1", "mux1", "ff1"})
            QVERIFY2(module->gates->map.contains(Name(QLatin1String(gate))), gate);
        QVERIFY(!module->gates->map.contains(Name(QStringLiteral("sum"))));
        // Where the objects were seen: mux1 in frames 1 and 3.
        const UndoFramework::StackPathEntry mux = stackPathEntryOf(state, QStringLiteral("mux1"));
        QCOMPARE(mux.valueTexts, (QStringList{QString("1:") + QChar(0xA0) + "gate", QString("3:") + QChar(0xA0) + "gate"}));
        // The net and the terminal of frames 0 and 1, mux1, sel, q, tri1:
        // each a "From Stack" property and a pin with its frame levels.
        QCOMPARE(state.stackPath.size(), 6);
        QCOMPARE(module->gates->map.value(Name(QStringLiteral("mux1")))->properties.value(QStringLiteral("From Stack")),
                 QVariant(mux.valueTexts));
        int pins = 0;
        for (QGraphicsItem *item : window->viewer()->scene()->items())
            pins += item->type() == GraphEngine::GuiCommentPinItem;
        QCOMPARE(pins, 6);

        window->resize(1100, 700);
        QTest::qWait(200);
        QVERIFY(window->grab().save(shotsFolder() + QStringLiteral("/stackpath-analysis.png")));

        // Again: the same window, one expand tool.
        analysis->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isEnabled(), 60000);
        QCOMPARE(KorvanStackProxyModel::stackWidget(), window.data());
        QCOMPARE(window->findChildren<KorvanDebuggerGraphExpand *>().size(), 1);
    }

    void aWatchItemJoinsTheOpenStackPath()
    {
        QPointer<KorvanDebuggerGraphEditor> window = KorvanStackProxyModel::stackWidget();
        QVERIFY(window);
        GraphEngine::GraphViewer *viewer = window->viewer();
        viewer->activateTool(KorvanStackProxyModel::stackExpandTool());
        QVERIFY(KorvanStackProxyModel::isStackExpandToolActive());

        // A terminal of xor1 off the path, watched by the user and edited.
        QSignalSpy filled(engine(), &DebuggerEngine::stackFrameCompleted);
        engine()->watchHandler()->watchExpression(QStringLiteral("walk.extra"));
        QVERIFY(filled.wait(60000));
        QModelIndex watched;
        QTRY_VERIFY_WITH_TIMEOUT((watched = watchedItem(QStringLiteral("walk.extra"))).isValid(), 60000);
        QAbstractItemDelegate *watchDelegate = m_window->watchView()->itemDelegate();
        QVERIFY(!watchDelegate->createEditor(m_window->watchView()->viewport(), QStyleOptionViewItem(),
                                             watched.sibling(watched.row(), 1)));
        const auto graphState = [viewer] {
            return viewer->stateMap().value(QStringLiteral("GraphViewer::GraphState")).value<UndoFramework::GraphUndoState>();
        };
        const auto added = [viewer] {
            return viewer->module() && viewer->module()->gates->map.contains(Name(QStringLiteral("xor1")));
        };
        QTRY_VERIFY2_WITH_TIMEOUT(added(), qPrintable(log().right(6000) + m_window->statusBar()->currentMessage()), 60000);
        QCOMPARE(graphState().focusName.toString(), QStringLiteral("xor1"));
        QCOMPARE(graphState().selectedEdgeName.toString(), QStringLiteral("n_or"));
        // On screen: xor1 selected and centred, its net n_or selected too.
        QVERIFY(viewer->search(GraphEngine::GuiGateItem, Name(QStringLiteral("xor1")))->isSelected());
        QVERIFY(viewer->search(GraphEngine::GuiNetItem, Name(QStringLiteral("n_or")))->isSelected());
        // The net that xor1's other input is on: the expand tool grows the
        // graph by what the net connects, and the net becomes the focus.
        engine()->watchHandler()->watchExpression(QStringLiteral("walk.extraNet"));
        QModelIndex net;
        QTRY_VERIFY_WITH_TIMEOUT((net = watchedItem(QStringLiteral("walk.extraNet"))).isValid(), 60000);
        QVERIFY(!watchDelegate->createEditor(m_window->watchView()->viewport(), QStyleOptionViewItem(),
                                             net.sibling(net.row(), 1)));
        QTRY_VERIFY_WITH_TIMEOUT(viewer->module() && viewer->module()->gates->map.contains(Name(QStringLiteral("nor1"))),
                                 60000);
        QCOMPARE(graphState().focusType, GraphEngine::GuiNetItem);
        QCOMPARE(graphState().focusName.toString(), QStringLiteral("n_nor"));
        QVERIFY(graphState().selectedEdgeName.toString().isEmpty());
        // xor1, added before, is still there.
        QVERIFY(viewer->module()->gates->map.contains(Name(QStringLiteral("xor1"))));
        QCOMPARE(KorvanStackProxyModel::stackWidget(), window.data());
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 1);

        window->resize(1100, 700);
        QTest::qWait(200);
        QVERIFY(window->grab().save(shotsFolder() + QStringLiteral("/stackpath.png")));
        QVERIFY(grabStackView(5, QStringLiteral("stackview-walk")));
    }

    void anArgumentGdbCannotEvaluateIsLeftOutOfTheStackPath()
    {
        // What a stale row would hold: tri1's value names nothing.
        auto argument = const_cast<StackArgument *>(KorvanStackProxyModel::argumentOf(proxy()->index(2, 1, frameIndex(4))));
        QVERIFY(argument && argument->name == QLatin1String("gate"));
        const QString value = argument->value;
        argument->value = QStringLiteral("no_such_symbol_here");
        auto restore = qScopeGuard([&] { argument->value = value; });
        QAction *analysis = commandAction("Korvan.Debugger.AnalyzeStack");
        QVERIFY(analysis->isEnabled());
        analysis->trigger();
        QVERIFY(proxy()->isAnalysing());
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isEnabled(), 60000);
        QVERIFY(!proxy()->isAnalysing());
        QStringList instances;
        for (const UndoFramework::Instance &instance : KorvanStackProxyModel::stackWidget()->graphState().instances)
            instances << instance.name;
        QCOMPARE(instances, (QStringList{"mux1", "ff1"}));
        QCOMPARE(m_window->statusBar()->currentMessage(),
                 QStringLiteral("Stack Path: 2 instances and 2 ports from the arguments of frames 0 to 4. "
                                "The debugger brought nothing for gate (4); left out."));
        // Run again with the value restored: tri1 is back.
        argument->value = value;
        analysis->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isEnabled(), 60000);
        QCOMPARE(KorvanStackProxyModel::stackWidget()->graphState().instances.size(), 3);
    }

    void aStepMarksTheStackPathOutdatedAndTheAnalysisFollowsTheNewStop()
    {
        QPointer<KorvanDebuggerGraphEditor> window = KorvanStackProxyModel::stackWidget();
        QVERIFY(window);
        QSignalSpy outdated(window->viewer(), &GraphEngine::GraphViewer::outdated);
        for (int level = 0; level < 5; ++level)
            view()->expand(frameIndex(level));
        QAction *analysis = commandAction("Korvan.Debugger.AnalyzeStack");
        QVERIFY2(runAndWait("Debugger.NextLine"), qPrintable(log().right(3000)));
        QCOMPARE(outdated.count(), 1);
        QVERIFY(window->viewer()->outdatedFlag());
        QVERIFY(analysis->isEnabled());

        // The analysis waits for the terminal's instance, and the program
        // moves on before the answer is used: the frames it looked at are
        // gone, and the graph on screen stays as it was.
        analysis->trigger();
        QVERIFY(proxy()->isAnalysing());
        QSignalSpy stopped(engine(), &DebuggerEngine::stackFrameCompleted);
        commandAction("Debugger.NextLine")->trigger();
        QVERIFY(!proxy()->isAnalysing());
        QVERIFY(!analysis->isEnabled());
        QVERIFY(stopped.wait(60000));
        QVERIFY(waitForArguments());
        QTest::qWait(200);
        QCOMPARE(KorvanStackProxyModel::stackWidget(), window.data());
        QCOMPARE(window->graphState().instances.size(), 3);
        QVERIFY(window->viewer()->outdatedFlag());

        // Out of the two innermost frames: the path of the new stop.
        QCOMPARE(frameIndex(0).sibling(0, 1).data().toString().section(mark, 0, 0),
                 QStringLiteral("(anonymous namespace)::pathCount"));
        analysis->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isEnabled(), 60000);
        QCOMPARE(KorvanStackProxyModel::stackWidget(), window.data());
        QStringList instances;
        for (const UndoFramework::Instance &instance : window->graphState().instances)
            instances << instance.name;
        QCOMPARE(instances, (QStringList{"tri1", "mux1"}));
        QVERIFY(!window->viewer()->outdatedFlag());

        // A step while the values of a stop are on their way: their late
        // answer enables no analysis of frames that are gone.
        bool enabledWithoutValues = false;
        const auto valuesKnown = [this] {
            const FramesDB &table = FramesDB::instance();
            for (const StackFrameInfo &frame : table)
                if (frame.arguments.isEmpty() || frame.arguments.first()->name == QLatin1String("<loading>"))
                    return false;
            return !table.isEmpty() && !proxy()->prettyValues().isEmpty();
        };
        const QMetaObject::Connection watcher = connect(analysis, &QAction::changed, this, [&] {
            if (analysis->isEnabled() && !valuesKnown())
                enabledWithoutValues = true;
        });
        bool stepped = false;
        const QMetaObject::Connection stepper = connect(proxy(), &QAbstractItemModel::modelReset, this, [&] {
            // Once the arguments are in and their values asked for: step.
            QTimer::singleShot(0, this, [&] {
                if (stepped || FramesDB::instance().isEmpty() || !proxy()->prettyValues().isEmpty()
                    || !proxy()->inspector().isPending() || engine()->state() != InferiorStopOk)
                    return;
                stepped = true;
                commandAction("Debugger.NextLine")->trigger();
            });
        });
        commandAction("Debugger.NextLine")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(stepped, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(engine()->state() == InferiorStopOk && valuesKnown(), 60000);
        QVERIFY(waitForArguments());
        disconnect(stepper);
        disconnect(watcher);
        QVERIFY(!enabledWithoutValues);
        QVERIFY(analysis->isEnabled());
    }

    void theDemoStackPathSaysWhatItsFramesHold()
    {
        // The demo korvan-host debugs by default, stopped inside the engine
        // while it builds its counter: a gate just made, and its module.
        // Each session's end may be told to the open graph windows; no graph
        // may fail.
        Host::ScriptedDialogs dialogs;
        const auto noGraphFailed = [&dialogs] {
            for (const Host::MessageRequest &message : qAsConst(dialogs.messages))
                if (!message.text.startsWith(QLatin1String("Debug Process Terminated")))
                    return false;
            return true;
        };
        DebuggerRunParameters run;
        run.executable = QStringLiteral(KORVAN_DEMO_PROGRAM);
        QFile builder(QStringLiteral(KORVAN_SOURCE_ROOT "/netlist/modulebuilder.cpp"));
        QVERIFY(builder.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(builder.readAll()).split(QLatin1Char('\n'));
        int line = 0;
        while (line < lines.size() && !lines.at(line).contains(QLatin1String("if (module->registerInstance(gate, false))")))
            ++line;
        QVERIFY(line < lines.size());
        ++line;
        run.breakpoints << QStringLiteral("modulebuilder.cpp:%1").arg(line);
        m_window->startDebugging(run);
        QSignalSpy stopped(engine(), &DebuggerEngine::stackFrameCompleted);
        QVERIFY(stopped.wait(120000));
        QVERIFY(waitForArguments());
        QVERIFY2(frameIndex(0).sibling(0, 1).data().toString().contains(QLatin1String("registerOrReplaceInstance")),
                 qPrintable(frameIndex(0).sibling(0, 1).data().toString()));
        // The optimised engine's frames may list entry values too.
        QStringList rows;
        for (int row = 0; row < proxy()->rowCount(frameIndex(0)); ++row)
            rows << argumentRow(0, row);
        QVERIFY2(!rows.filter(QRegularExpression(QStringLiteral("^GraphEngine::Gate \\*: gate = xor0"))).isEmpty(),
                 qPrintable(rows.join(QLatin1Char('\n'))));

        QAction *analysis = commandAction("Korvan.Debugger.AnalyzeStack");
        QVERIFY(analysis && analysis->isEnabled());
        analysis->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isEnabled(), 60000);
        QPointer<KorvanDebuggerGraphEditor> window = KorvanStackProxyModel::stackWidget();
        QVERIFY(window && window->isVisible());
        QVERIFY2(noGraphFailed(), qPrintable(dialogs.messages.value(dialogs.messages.size() - 1).text));
        // The gate is drawn as the instance it is, by its definition.
        QStringList instances;
        for (const UndoFramework::Instance &instance : window->graphState().instances)
            instances << instance.name;
        QCOMPARE(instances, QStringList{QStringLiteral("xor0")});
        GraphEngine::Module *module = window->viewer()->module();
        QVERIFY(module);
        GraphEngine::Gate *gate = module->gates->map.value(Name(QStringLiteral("xor0")));
        QVERIFY(gate);
        QCOMPARE(gate->kind, int(GraphEngine::BaseEnum::XOR));
        const int frames = proxy()->rowCount();
        QCOMPARE(m_window->statusBar()->currentMessage(),
                 QStringLiteral("Stack Path: 1 instance and 0 ports from the arguments of frames 0 to %1.")
                     .arg(frames - 1));

        // Where korvan-host stops the demo: main's frame holds no netlist
        // object; the window goes on, empty, and the status bar says why.
        DebuggerRunParameters again;
        again.executable = run.executable;
        again.breakpoints << QStringLiteral("demo.cpp:%1").arg(HostFixture::lineOf(
            QStringLiteral(KORVAN_SOURCE_ROOT "/host/app/demo/demo.cpp"), QStringLiteral("korvan-host stops here")));
        m_window->startDebugging(again);
        QSignalSpy stoppedAgain(engine(), &DebuggerEngine::stackFrameCompleted);
        QVERIFY(stoppedAgain.wait(120000));
        QVERIFY(waitForArguments());
        QCOMPARE(proxy()->rowCount(), 1);
        QVERIFY(analysis->isEnabled());
        analysis->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isEnabled(), 60000);
        QCOMPARE(m_window->statusBar()->currentMessage(),
                 QStringLiteral("Stack Path: no netlist objects in the arguments of frame 0."));
        window = KorvanStackProxyModel::stackWidget();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->graphState().instances.isEmpty() && window->graphState().ports.isEmpty());
        QVERIFY2(noGraphFailed(), qPrintable(dialogs.messages.value(dialogs.messages.size() - 1).text));
    }
};

QTEST_MAIN(TestStackViewGdb)
#include "tst_stackviewgdb.moc"
