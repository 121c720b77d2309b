// korvan-host's window as a person debugs in it, with the plug-in loaded:
// the source at the current line, watch items opened by mouse and keyboard
// and kept open across steps, status texts for the program's exit and for
// refused commands, stepping by instruction, the reverse front end on the
// demo, and a debugger log that takes large output.

#include "common/enginewaits.h"
#include "common/gdblimits.h"
#include "common/viewclicks.h"
#include "hostfixture.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/editormanager.h>
#include <coreplugin/icore.h>
#include <coreplugin/idocument.h>
#include <coreplugin/ieditor.h>
#include <debugger/gdbengine.h>
#include <debugger/stackhandler.h>
#include <debugger/watchhandler.h>
#include <protocol/gdbmi.h>
#include <texteditor/textmark.h>
#include <texteditor/texteditor.h>
#include <hostlog.h>
#include <hostwindow.h>
#include <pluginmanager.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace Debugger::Internal;

class TestHostWindow : public QObject
{
    Q_OBJECT

    HostFixture m_fixture;
    QTemporaryDir m_config;
    std::unique_ptr<Host::HostWindow> m_window;
    QPointer<GdbEngine> m_engine;
    QStringList m_sent;

    void openWindow()
    {
        closeWindow();
        m_window.reset(new Host::HostWindow);
        m_window->loadPlugins(KORVAN_PLUGIN_DIR);
        QVERIFY2(m_window->pluginManager()->errors().isEmpty(),
                 qPrintable(m_window->pluginManager()->errors().join('\n')));
        m_window->delayedInitialize();
        m_window->show();
        QTest::qWait(50); // the plug-ins' reactions to the start-up settings save
    }

    void closeWindow()
    {
        if (m_window)
            m_window->shutdown();
        m_window.reset();
        QCoreApplication::processEvents();
    }

    void startSession(const QString &program, const QStringList &breakpoints, const QString &gdb = QStringLiteral("gdb"))
    {
        DebuggerRunParameters parameters;
        parameters.debuggerCommand = gdb;
        parameters.executable = program;
        parameters.breakpoints = breakpoints;
        m_sent.clear();
        m_engine = m_window->startDebugging(parameters);
        QVERIFY(m_engine);
        connect(m_engine.data(), &DebuggerEngine::logMessage, this, [this](const QString &line) {
            if (line.startsWith(QLatin1Char('>')))
                m_sent << line.mid(1);
        });
        QSignalSpy frames(m_engine.data(), &DebuggerEngine::stackFrameCompleted);
        QVERIFY(frames.wait(60000));
        QCOMPARE(m_engine->state(), int(InferiorStopOk));
    }

    // Runs the trigger and waits for the stop it causes, locals included.
    bool waitForStop(const std::function<void()> &trigger)
    {
        const bool stopped = waitForEngineStop(m_engine.data(), trigger);
        QTest::qWait(20); // the window's own reactions to the update
        return stopped && m_engine->state() == InferiorStopOk;
    }

    GdbMi answer(const QByteArray &command)
    {
        const std::optional<DebuggerResponse> response = engineResponse(m_engine.data(), command);
        return response ? response->data : GdbMi();
    }

    // The file and line the editor area shows, and where the location mark stands.
    struct Shown
    {
        QString file;
        int cursorLine = 0;
        int markLine = 0;
    };
    Shown shown() const
    {
        Shown s;
        Core::IEditor *editor = Core::EditorManager::currentEditor();
        if (editor && m_window->editorArea()->currentWidget() == editor->widget()) {
            s.file = editor->document()->filePath();
            s.cursorLine = editor->currentLine();
        }
        if (TextEditor::TextMark *mark = m_window->locationMark()) {
            // Shown in the open document, not only made.
            auto document = qobject_cast<TextEditor::TextDocument *>(editor ? editor->document() : nullptr);
            if (document && document->marks().contains(mark) && mark->fileName() == s.file)
                s.markLine = mark->lineNumber();
        }
        return s;
    }

    QModelIndex watchIndex(const QString &iname) const
    {
        QAbstractItemModel *model = m_window->watchView()->model();
        const QModelIndexList hits =
            model->match(model->index(0, 0), LocalsINameRole, iname, 1, Qt::MatchExactly | Qt::MatchRecursive);
        return hits.isEmpty() ? QModelIndex() : hits.first();
    }

    // Keeps the view's grab when KORVAN_SCREENSHOT_DIR names a folder.
    void keepScreenshot(const QString &name)
    {
        const QString folder = qEnvironmentVariable("KORVAN_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            QVERIFY(m_window->grab().save(folder + QLatin1Char('/') + name));
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_fixture.prepare(&error), qPrintable(error));
        QVERIFY(m_config.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.filePath(QStringLiteral("config")));
        Core::ICore::setSettingsFile(m_config.filePath(QStringLiteral("host.ini")));
        qunsetenv("QTC_DEBUGGER_PATH");
    }

    void theSourceFollowsTheCurrentLine()
    {
        openWindow();
        const int call = HostFixture::lineOf(QStringLiteral("call twice"));
        startSession(m_fixture.program(), {QStringLiteral("hostprogram.cpp:%1").arg(call)});
        QTRY_COMPARE(shown().markLine, call);
        QCOMPARE(shown().file, HostFixture::source());
        QCOMPARE(shown().cursorLine, call);
        // One row of tool buttons above the views.
        auto toolBar = m_window->debuggerWindow()->findChild<QWidget *>(QStringLiteral("DebuggerToolBar"));
        QVERIFY(toolBar);
        const int buttonHeight = toolBar->findChild<QToolButton *>()->sizeHint().height();
        QVERIFY2(toolBar->height() <= 2 * buttonHeight, qPrintable(QString::number(toolBar->height())));
        QVERIFY(m_window->editorArea()->height() > m_window->height() / 3);

        const int inside = HostFixture::lineOf(QStringLiteral("inside twice"));
        QVERIFY(waitForStop([] { commandAction("Debugger.StepLine")->trigger(); }));
        QCOMPARE(shown().markLine, inside);
        QCOMPARE(shown().cursorLine, inside);
        QVERIFY(waitForStop([] { commandAction("Debugger.StepOut")->trigger(); }));
        QCOMPARE(m_engine->stackHandler()->currentFrame().function, QStringLiteral("main"));
        QCOMPARE(shown().markLine, m_engine->stackHandler()->currentFrame().line);
        const int after = HostFixture::lineOf(QStringLiteral("after twice"));
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        QCOMPARE(shown().markLine, after);
        QCOMPARE(shown().cursorLine, after);
        // Another frame of the stack shows its own line.
        QVERIFY(waitForStop([] { commandAction("Debugger.StepLine")->trigger(); }));
        const int frames = m_engine->stackHandler()->stackSize();
        QVERIFY(frames > 1);
        m_engine->activateFrame(frames - 1);
        QTRY_COMPARE(shown().markLine, after);
        QCOMPARE(m_engine->stackHandler()->currentFrame().function, QStringLiteral("main"));
    }

    void watchItemsOpenByClickAndKeyAndStayOpenAcrossSteps()
    {
        openWindow();
        startSession(m_fixture.program(), {QStringLiteral("hostprogram.cpp:%1").arg(HostFixture::lineOf(QStringLiteral("call twice")))});
        QTreeView *view = m_window->watchView();
        QAbstractItemModel *model = view->model();
        QModelIndex numbers = watchIndex(QStringLiteral("local.numbers"));
        // (A string has no children: GDB shows std::string as its text.)
        QModelIndex argv = watchIndex(QStringLiteral("local.argv"));
        QVERIFY(numbers.isValid() && argv.isValid());
        // Expandable before anything is fetched.
        QCOMPARE(model->rowCount(numbers), 0);
        QVERIFY(model->hasChildren(numbers));
        QVERIFY(model->hasChildren(argv));
        QVERIFY(!model->hasChildren(watchIndex(QStringLiteral("local.counter"))));

        // A click on the arrow.
        view->scrollTo(numbers);
        const QRect rect = view->visualRect(numbers);
        const QPoint arrow(rect.left() - view->indentation() / 2, rect.center().y());
        // An update already on its way when the item opened may come
        // first, without its children: the one asked for follows.
        const auto openWithChildren = [&](const char *iname) {
            const QModelIndex index = watchIndex(QLatin1String(iname));
            return index.isValid() && view->isExpanded(index) && model->rowCount(index) > 0;
        };
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, arrow);
        QTRY_VERIFY_WITH_TIMEOUT(openWithChildren("local.numbers"), 30000);

        // The Right key on the current item.
        argv = watchIndex(QStringLiteral("local.argv"));
        view->setFocus();
        view->setCurrentIndex(argv);
        QTest::keyClick(view, Qt::Key_Right);
        QTRY_VERIFY_WITH_TIMEOUT(openWithChildren("local.argv"), 30000);
        QVERIFY(view->isExpanded(watchIndex(QStringLiteral("local.numbers"))));

        // A step fetches everything anew; what was open is open again.
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        for (const char *iname : {"local.numbers", "local.argv"}) {
            const QModelIndex index = watchIndex(QLatin1String(iname));
            QVERIFY2(index.isValid() && view->isExpanded(index), iname);
            QVERIFY(model->rowCount(index) > 0);
        }
        // What the user closes stays closed.
        view->collapse(watchIndex(QStringLiteral("local.argv")));
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        QVERIFY(!view->isExpanded(watchIndex(QStringLiteral("local.argv"))));
        QVERIFY(view->isExpanded(watchIndex(QStringLiteral("local.numbers"))));
    }

    void onlyTheValueCellIsEditedAndTheProgramGetsTheValue()
    {
        openWindow();
        startSession(m_fixture.program(), {QStringLiteral("hostprogram.cpp:%1").arg(HostFixture::lineOf(QStringLiteral("call twice")))});
        QTRY_VERIFY_WITH_TIMEOUT(m_engine->pendingCommands().isEmpty(), 30000);
        QTreeView *view = m_window->watchView();
        const auto openEditor = [view]() -> QLineEdit * {
            for (QLineEdit *editor : view->viewport()->findChildren<QLineEdit *>())
                if (editor->isVisible())
                    return editor;
            return nullptr;
        };
        const auto doubleClick = [view](const QModelIndex &index) { QVERIFY(doubleClickCell(view, index)); };
        const auto valueOf = [this](const QString &iname) {
            const QModelIndex name = watchIndex(iname);
            return name.sibling(name.row(), 1);
        };
        // The name and the type stay as they are; so do the top rows.
        view->setFocus();
        for (int column : {0, 2}) {
            const QModelIndex counter = watchIndex(QStringLiteral("local.counter"));
            view->setCurrentIndex(counter.sibling(counter.row(), column));
            QTest::keyClick(view, Qt::Key_F2);
            QVERIFY2(!openEditor(), qPrintable(QString::number(column)));
        }
        doubleClick(watchIndex(QStringLiteral("local")).sibling(watchIndex(QStringLiteral("local")).row(), 1));
        QVERIFY(!openEditor());

        // A double click on the value: its text to edit; Return assigns it.
        doubleClick(valueOf(QStringLiteral("local.counter")));
        QLineEdit *editor = openEditor();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("41"));
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("50"));
        QTest::keyClick(editor, Qt::Key_Return);
        // (An update of the start may still come first.)
        QTRY_COMPARE_WITH_TIMEOUT(valueOf(QStringLiteral("local.counter")).data().toString(), QStringLiteral("50"),
                                  30000);
        QCOMPARE(answer("-data-evaluate-expression counter")["value"].data(), QByteArray("50"));
        // Once, though the editor's Return passes two filters of the delegate.
        QCOMPARE(m_sent.filter(QStringLiteral("-interpreter-exec console \"set variable (counter)=50\"")).size(), 1);

        // F2 works as well; what GDB refuses is told, and the value stays.
        view->setCurrentIndex(valueOf(QStringLiteral("local.counter")));
        QTest::keyClick(view, Qt::Key_F2);
        editor = openEditor();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("50 +"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(m_window->statusBar()->currentMessage().startsWith(
            QLatin1String("The value of counter could not be changed: ")));
        QCOMPARE(answer("-data-evaluate-expression counter")["value"].data(), QByteArray("50"));
        QCOMPARE(valueOf(QStringLiteral("local.counter")).data().toString(), QStringLiteral("50"));

        // An item a printer made has no expression to assign to.
        view->expand(watchIndex(QStringLiteral("local.numbers")));
        QTRY_VERIFY_WITH_TIMEOUT(valueOf(QStringLiteral("local.numbers.0")).isValid(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(m_engine->pendingCommands().isEmpty(), 30000);
        const QModelIndex element = valueOf(QStringLiteral("local.numbers.0"));
        const QString elementText = element.data().toString();
        doubleClick(element);
        editor = openEditor();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("9"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_window->statusBar()->currentMessage(),
                     QStringLiteral("This value has no expression of its own and cannot be changed here."));
        QCOMPARE(valueOf(QStringLiteral("local.numbers.0")).data().toString(), elementText);

        // The program goes on with what the user gave it.
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        QCOMPARE(valueOf(QStringLiteral("local.counter")).data().toString(), QStringLiteral("100"));
    }

    void exitAndRefusedCommandsShowInTheStatusBar()
    {
        openWindow();
        startSession(m_fixture.program(), {});
        QStatusBar *status = m_window->statusBar();
        // GDB refuses to finish main: the window is stopped again, not "running".
        QVERIFY(waitForStop([] { commandAction("Debugger.StepOut")->trigger(); }));
        QCOMPARE(status->currentMessage(),
                 QStringLiteral("The program could not be continued: \"finish\" not meaningful in the outermost frame."));
        QVERIFY(commandAction("Debugger.Continue")->isEnabled());
        QVERIFY(commandAction("Debugger.NextLine")->isEnabled());
        QVERIFY(!commandAction("Debugger.Interrupt")->isEnabled());
        QTRY_VERIFY(m_window->locationMark());

        QSignalSpy exited(m_engine.data(), &GdbEngine::inferiorExited);
        commandAction("Debugger.Continue")->trigger();
        QVERIFY(exited.wait(60000));
        QCOMPARE(status->currentMessage(), QStringLiteral("The program exited with code 3."));
        // Nothing of the last stop is left to mislead.
        QCOMPARE(m_window->watchView()->model()->rowCount(watchIndex(QStringLiteral("local"))), 0);
        QVERIFY(!m_window->locationMark());
        QVERIFY(!commandAction("Debugger.NextLine")->isEnabled());
    }

    void instructionModeStepsOneInstruction()
    {
        openWindow();
        const int call = HostFixture::lineOf(QStringLiteral("call twice"));
        startSession(m_fixture.program(), {QStringLiteral("hostprogram.cpp:%1").arg(call)});
        commandAction("Debugger.OperateByInstruction")->setChecked(true);
        for (const char *id : {"Debugger.NextLine", "Debugger.StepLine"}) {
            const quint64 pc = m_engine->stackHandler()->currentFrame().address;
            const GdbMi code = answer("-data-disassemble -s " + QByteArray::number(pc) + " -e "
                                      + QByteArray::number(pc + 32) + " -- 0");
            const GdbMi &instructions = code["asm_insns"];
            QVERIFY(instructions.childCount() >= 2);
            QCOMPARE(instructions.childAt(0)["address"].toAddress(), pc);
            const quint64 next = instructions.childAt(1)["address"].toAddress();
            QVERIFY(waitForStop([id] { commandAction(id)->trigger(); }));
            QCOMPARE(m_engine->stackHandler()->currentFrame().address, next);
            QCOMPARE(m_engine->stackHandler()->currentFrame().line, call); // still in the same line
        }
        QCOMPARE(m_sent.filter(QStringLiteral("-exec-next-instruction")).size(), 1);
        QCOMPARE(m_sent.filter(QStringLiteral("-exec-step-instruction")).size(), 1);
        // Lines again once unchecked.
        commandAction("Debugger.OperateByInstruction")->setChecked(false);
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        QCOMPARE(m_engine->stackHandler()->currentFrame().line, HostFixture::lineOf(QStringLiteral("after twice")));
        commandAction("Debugger.OperateByInstruction")->setChecked(false);
    }

    void theReverseFrontEndFollowsTheDemo()
    {
        const QString demoSource = QStringLiteral(KORVAN_SOURCE_ROOT "/host/app/demo/demo.cpp");
        const int printfLine = HostFixture::lineOf(demoSource, QStringLiteral("korvan-host stops here"));
        qputenv("QTC_DEBUGGER_PATH", UNDODB_GDB);
        openWindow();
        qunsetenv("QTC_DEBUGGER_PATH");
        startSession(QStringLiteral(KORVAN_DEMO_PROGRAM), {QStringLiteral("demo.cpp:%1").arg(printfLine)},
                     QStringLiteral(UNDODB_GDB));
        QAction *reverseStepOver = commandAction("Korvan.Debugger.ReverseStepOver");
        QVERIFY(reverseStepOver);
        const auto line = [this] { return m_engine->stackHandler()->currentFrame().line; };

        // Over printf and its vector-free string functions, back, and over again.
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        QCOMPARE(line(), printfLine + 1);
        QVERIFY2(!m_window->statusBar()->currentMessage().contains(QLatin1String("Process record")),
                 qPrintable(m_window->statusBar()->currentMessage()));
        // The C library's tunables reach the program, not GDB.
        const auto environment = [](qint64 pid) {
            QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
            return file.open(QIODevice::ReadOnly) ? file.readAll().split('\0') : QList<QByteArray>();
        };
        const QByteArray own = qgetenv("GLIBC_TUNABLES");
        const QByteArray tunables = "GLIBC_TUNABLES=" + own + (own.isEmpty() ? "" : ":")
                                    + "glibc.cpu.hwcaps=-AVX,-AVX2,-AVX512F,-AVX512VL,-AVX512BW,-AVX_Fast_Unaligned_Load";
        QVERIFY(environment(m_engine->inferiorProcessId()).contains(tunables));
        const QList<QByteArray> gdb = environment(m_engine->gdbProcessId());
        QVERIFY(!gdb.isEmpty());
        QVERIFY(!gdb.contains(tunables));

        // Back over printf: GDB restores the vector registers it used.
        const GdbLimits::Ability &writes = GdbLimits::registerWrites();
        if (!writes.able)
            closeWindow();
        KORVAN_REQUIRE_GDB_ABILITY(writes);
        QVERIFY(waitForStop([reverseStepOver] { reverseStepOver->trigger(); }));
        QCOMPARE(line(), printfLine);
        QTRY_COMPARE(shown().markLine, printfLine);
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        QCOMPARE(line(), printfLine + 1);
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        QCOMPARE(line(), printfLine + 2);
        QVERIFY(commandAction("Debugger.Continue")->isEnabled());
        QVERIFY(reverseStepOver->isEnabled());
        closeWindow();
    }

    void theRecorderFollowsTheCLibrarysCopies()
    {
        // Values the C library copies with memcpy. Where the processor
        // prefers unaligned AVX loads, the library takes its AVX copy, which
        // GDB's recorder refuses, whatever the AVX features are set to.
        const QString demoSource = QStringLiteral(KORVAN_SOURCE_ROOT "/host/app/demo/demo.cpp");
        const int copyLine = HostFixture::lineOf(demoSource, QStringLiteral("the C library copies these"));
        QVERIFY(copyLine > 0);
        qputenv("QTC_DEBUGGER_PATH", UNDODB_GDB);
        openWindow();
        qunsetenv("QTC_DEBUGGER_PATH");
        startSession(QStringLiteral(KORVAN_DEMO_PROGRAM), {QStringLiteral("demo.cpp:%1").arg(copyLine)},
                     QStringLiteral(UNDODB_GDB));
        const auto line = [this] { return m_engine->stackHandler()->currentFrame().line; };
        // (The line's clean-up code, at the end of main, comes in between.)
        for (int step = 0; step < 3 && line() != copyLine + 1; ++step) {
            QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
            QVERIFY2(!m_window->statusBar()->currentMessage().contains(QLatin1String("Process record")),
                     qPrintable(m_window->statusBar()->currentMessage()));
        }
        QCOMPARE(line(), copyLine + 1);

        // And back over it, which writes the vector registers the copy used.
        const GdbLimits::Ability &writes = GdbLimits::registerWrites();
        if (!writes.able)
            closeWindow();
        KORVAN_REQUIRE_GDB_ABILITY(writes);
        for (int step = 0; step < 3 && line() != copyLine; ++step)
            QVERIFY(waitForStop([] { commandAction("Korvan.Debugger.ReverseStepOver")->trigger(); }));
        QCOMPARE(line(), copyLine);
        QTRY_COMPARE(shown().markLine, copyLine);
        closeWindow();
    }

    void aRefusalOfTheRecorderLeavesTheProgramStopped()
    {
        __builtin_cpu_init();
        if (!__builtin_cpu_supports("avx"))
            QSKIP("the fixture's AVX instruction needs a processor that has it");
        const QString source = QStringLiteral(KORVAN_SOURCE_ROOT "/tests/fixtures/recorderrefusal.cpp");
        const QString program = m_fixture.dir() + QStringLiteral("/recorderrefusal");
        QProcess compiler;
        compiler.start(QStringLiteral("g++"), {QStringLiteral("-g"), QStringLiteral("-O0"), source,
                                               QStringLiteral("-o"), program});
        QVERIFY(compiler.waitForFinished(120000) && compiler.exitCode() == 0);
        const int before = HostFixture::lineOf(source, QStringLiteral("before the vector instruction"));
        const int vector = HostFixture::lineOf(source, QStringLiteral("the vector instruction"));
        qputenv("QTC_DEBUGGER_PATH", UNDODB_GDB);
        openWindow();
        qunsetenv("QTC_DEBUGGER_PATH");
        startSession(program, {QStringLiteral("recorderrefusal.cpp:%1").arg(before)}, QStringLiteral(UNDODB_GDB));
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        QCOMPARE(m_engine->stackHandler()->currentFrame().line, vector);

        // Refused after GDB said "running": stopped where it was, and why.
        const QString refusal = QStringLiteral("The program could not be continued: Process record does not support "
                                               "instruction 0xc5 at address 0x");
        for (const char *id : {"Debugger.NextLine", "Debugger.Continue"}) {
            QVERIFY(waitForStop([id] { commandAction(id)->trigger(); }));
            QVERIFY2(m_window->statusBar()->currentMessage().startsWith(refusal),
                     qPrintable(m_window->statusBar()->currentMessage()));
            QVERIFY(m_window->statusBar()->currentMessage().endsWith(
                QLatin1String(". Process record: failed to record execution log.")));
            QCOMPARE(m_engine->stackHandler()->currentFrame().line, vector);
            QTRY_COMPARE(shown().markLine, vector);
            QVERIFY(commandAction("Debugger.Continue")->isEnabled());
            QVERIFY(!commandAction("Debugger.Interrupt")->isEnabled());
        }
        // Backwards still works.
        QVERIFY(waitForStop([] { commandAction("Korvan.Debugger.ReverseStepOver")->trigger(); }));
        QCOMPARE(m_engine->stackHandler()->currentFrame().line, before);
        closeWindow();
    }

    void theDemoWithItsPrinters()
    {
        // A user of the demo: the built-in models, the source, an open
        // container in the watch view and the log.
        const QString document =
            QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvan"),
                      QStringLiteral("Debugger/PrettyPrinters"))
                .fileName();
        QVERIFY(QDir().mkpath(QFileInfo(document).absolutePath()));
        QFile::remove(document);
        QVERIFY(QFile::copy(QStringLiteral(KORVAN_SOURCE_ROOT "/resources/PrettyPrinters.conf"), document));
        openWindow();
        const QString demoSource = QStringLiteral(KORVAN_SOURCE_ROOT "/host/app/demo/demo.cpp");
        const int printfLine = HostFixture::lineOf(demoSource, QStringLiteral("korvan-host stops here"));
        startSession(QStringLiteral(KORVAN_DEMO_PROGRAM), {QStringLiteral("demo.cpp:%1").arg(printfLine)});
        QTRY_COMPARE(shown().markLine, printfLine);
        QTreeView *view = m_window->watchView();
        const QModelIndex colours = watchIndex(QStringLiteral("local.colours"));
        QVERIFY(colours.isValid());
        QCOMPARE(colours.sibling(colours.row(), 1).data().toString(), QStringLiteral("<3 items>"));
        view->expand(colours);
        QTRY_VERIFY_WITH_TIMEOUT(watchIndex(QStringLiteral("local.colours.0")).isValid()
                                     && view->isExpanded(watchIndex(QStringLiteral("local.colours"))),
                                 30000);
        const QModelIndex first = watchIndex(QStringLiteral("local.colours.0"));
        QCOMPARE(first.sibling(first.row(), 1).data().toString(), QStringLiteral("\"red\""));
        m_window->resize(1400, 900);
        QTest::qWait(50);
        QVERIFY(!m_window->log()->toPlainText().isEmpty());
        keepScreenshot(QStringLiteral("demo-stopped.png"));
        QVERIFY(waitForStop([] { commandAction("Debugger.NextLine")->trigger(); }));
        QVERIFY(view->isExpanded(watchIndex(QStringLiteral("local.colours"))));
        keepScreenshot(QStringLiteral("demo-after-step.png"));
        closeWindow();
        QFile::remove(document);
    }

    void itemsOpenedInQuickSuccessionEachGetTheirChildrenFromFewFetches()
    {
        // A user opening item after item without waiting for the values:
        // each opening asks once, an answer that crosses a later opening
        // asks no more, and every opened item ends with its children.
        openWindow();
        const QString demoSource = QStringLiteral(KORVAN_SOURCE_ROOT "/host/app/demo/demo.cpp");
        const int printfLine = HostFixture::lineOf(demoSource, QStringLiteral("korvan-host stops here"));
        startSession(QStringLiteral(KORVAN_DEMO_PROGRAM), {QStringLiteral("demo.cpp:%1").arg(printfLine)});
        QTreeView *view = m_window->watchView();
        QAbstractItemModel *model = view->model();
        const QModelIndex locals = watchIndex(QStringLiteral("local"));
        QVERIFY(locals.isValid());
        QStringList opened;
        for (int row = 0; row < model->rowCount(locals); ++row) {
            const QModelIndex item = model->index(row, 0, locals);
            if (model->hasChildren(item) && model->rowCount(item) == 0)
                opened << item.data(LocalsINameRole).toString();
        }
        QVERIFY2(opened.size() >= 6, qPrintable(opened.join(QLatin1Char(' '))));
        m_sent.clear();
        QStringList asked;
        connect(m_engine->watchHandler()->model(), &WatchModel::fetchRequested, this,
                [&asked](const QString &iname) { asked << iname; });
        for (const QString &iname : qAsConst(opened)) {
            view->expand(watchIndex(iname));
            QTest::qWait(5); // a click's worth: the answers cross the openings
        }
        // Settled: nothing sent for a while.
        const auto fetches = [this] {
            return int(std::count_if(m_sent.cbegin(), m_sent.cend(), [](const QString &line) {
                return line.contains(QLatin1String("-stack-list-variables"));
            }));
        };
        QElapsedTimer waited;
        waited.start();
        int quietSince = 0;
        int lastCount = -1;
        while (waited.elapsed() < 60000) {
            QTest::qWait(100);
            if (m_sent.size() != lastCount) {
                lastCount = m_sent.size();
                quietSince = int(waited.elapsed());
            } else if (waited.elapsed() - quietSince > 3000) {
                break;
            }
        }
        QVERIFY2(waited.elapsed() < 60000, qPrintable(QStringLiteral("still fetching after a minute: %1 fetches")
                                                          .arg(fetches())));
        QVERIFY2(fetches() <= opened.size(), qPrintable(QStringLiteral("%1 fetches for %2 openings, asked for: %3")
                                                            .arg(fetches())
                                                            .arg(opened.size())
                                                            .arg(asked.join(QLatin1Char(' ')))));
        for (const QString &iname : qAsConst(opened)) {
            const QModelIndex item = watchIndex(iname);
            QVERIFY2(item.isValid() && view->isExpanded(item), qPrintable(iname));
            QVERIFY2(model->rowCount(item) > 0, qPrintable(iname + QStringLiteral(" has no children")));
        }
        closeWindow();
    }

    void theLogTakesLargeOutputInOneAppendPerTurn()
    {
        QPlainTextEdit view;
        Host::HostLog log(&view, 1000);
        QSignalSpy changes(&view, &QPlainTextEdit::textChanged);
        for (int i = 0; i < 50000; ++i)
            log.append(QStringLiteral("line %1").arg(i));
        QCOMPARE(changes.count(), 0); // nothing done per line
        QCoreApplication::processEvents();
        QCOMPARE(changes.count(), 1);
        QCOMPARE(view.blockCount(), 1000);
        QCOMPARE(view.document()->lastBlock().text(), QStringLiteral("line 49999"));
        QCOMPARE(view.document()->firstBlock().text(), QStringLiteral("line 49000"));
        // Later turns add to what is there, still bounded.
        log.append(QStringLiteral("one\ntwo"));
        log.flush();
        const int afterFlush = changes.count();
        QVERIFY(afterFlush > 1);
        QCOMPARE(view.blockCount(), 1000);
        QCOMPARE(view.document()->lastBlock().text(), QStringLiteral("two"));
        QCOMPARE(view.document()->lastBlock().previous().text(), QStringLiteral("one"));
        QCoreApplication::processEvents();
        QCOMPARE(changes.count(), afterFlush); // the flush took what was queued
    }

    void cleanupTestCase()
    {
        closeWindow();
        Core::ICore::setSettingsFile(QString());
    }
};

QTEST_MAIN(TestHostWindow)
#include "tst_hostwindow.moc"
