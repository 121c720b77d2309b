// The host's GDB engine against real GDB on tests/fixtures/hostprogram.cpp:
// start, breakpoints, stepping, interrupt, frames, locals through the
// host's dumper, commands with callbacks, and a shutdown that leaves no
// process behind.

#include "hostfixture.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/icore.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/stackhandler.h>
#include <debugger/watchhandler.h>
#include <protocol/gdbmi.h>
#include <utils/savedaction.h>
#include <hostwindow.h>
#include <watchtree.h>

#include <QIdentityProxyModel>
#include <QTreeView>

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

using namespace Debugger::Internal;

class TestGdbEngine : public QObject
{
    Q_OBJECT

private:
    HostFixture m_fixture;

    DebuggerRunParameters parameters(const QStringList &breakpoints = {}, const QStringList &arguments = {}) const
    {
        DebuggerRunParameters p;
        p.executable = m_fixture.program();
        p.breakpoints = breakpoints;
        p.arguments = arguments;
        return p;
    }
    static QString value(GdbEngine &engine, const QString &iname)
    {
        const QModelIndex index = engine.watchModel()->indexForIName(iname);
        return index.sibling(index.row(), 1).data().toString();
    }
    static bool waitForState(GdbEngine &engine, int state, int timeout = 60000)
    {
        return QTest::qWaitFor([&] { return engine.state() == state; }, timeout);
    }
    static bool waitForLocals(GdbEngine &engine)
    {
        QSignalSpy completed(&engine, &DebuggerEngine::stackFrameCompleted);
        return completed.count() > 0 || completed.wait(60000);
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_fixture.prepare(&error), qPrintable(error));
        // The settings written here stay this process's own: the user's are
        // not touched, and the twin of this test may run meanwhile.
        const QString userConfig = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QVERIFY2(!Core::ICore::settingsFile().startsWith(userConfig + QLatin1Char('/')),
                 qPrintable(Core::ICore::settingsFile()));
        action(GdbStartupCommands)->setValue(QString(), false);
    }

    void startsStopsAtMainAndShowsLocalsAndFrames()
    {
        GdbEngine engine(parameters());
        QSignalSpy states(&engine, &DebuggerEngine::stateChanged);
        QSignalSpy completed(&engine, &DebuggerEngine::stackFrameCompleted);
        QSignalSpy failures(&engine, &DebuggerEngine::failed);
        engine.start();
        QCOMPARE(currentEngine(), &engine);
        QVERIFY(completed.wait(60000));
        QVERIFY2(failures.isEmpty(), failures.isEmpty() ? "" : qPrintable(failures.first().first().toString()));
        QCOMPARE(engine.state(), int(InferiorStopOk));
        // The run: set up, run requested, running, stopped, in that order.
        QList<int> seen;
        for (const QList<QVariant> &s : qAsConst(states))
            seen << s.first().toInt();
        QCOMPARE(seen, (QList<int>{EngineSetupRequested, EngineSetupOk, InferiorRunRequested, InferiorRunOk,
                                   InferiorStopOk}));

        QCOMPARE(engine.stackHandler()->stackSize(), 1);
        QCOMPARE(engine.stackHandler()->currentFrame().function, QStringLiteral("main"));
        QVERIFY(engine.stackHandler()->currentFrame().usable);
        QCOMPARE(engine.stackHandler()->model()->columnCount(), 5);
        // Locals come from the dumper: names, types, the watch roles.
        const QModelIndex counter = engine.watchModel()->indexForIName(QStringLiteral("local.counter"));
        QVERIFY(counter.isValid());
        QCOMPARE(counter.data().toString(), QStringLiteral("counter"));
        QCOMPARE(counter.data(LocalsExpressionRole).toString(), QStringLiteral("counter"));
        QCOMPARE(counter.sibling(counter.row(), 2).data().toString(), QStringLiteral("int"));
        QVERIFY(engine.watchModel()->indexForIName(QStringLiteral("local.word")).isValid());

        const qint64 gdbPid = engine.gdbProcessId();
        const qint64 inferiorPid = engine.inferiorProcessId();
        QVERIFY(processExists(gdbPid));
        QVERIFY(processExists(inferiorPid));
        engine.shutdown();
        QCOMPARE(engine.state(), int(DebuggerFinished));
        QVERIFY(!processExists(gdbPid));
        QTRY_VERIFY_WITH_TIMEOUT(!processExists(inferiorPid), 10000);
    }

    void stepsIntoAndOverAndRunsToTheEnd()
    {
        const int callLine = HostFixture::lineOf(QStringLiteral("call twice"));
        QVERIFY(callLine > 0);
        GdbEngine engine(parameters({QStringLiteral("hostprogram.cpp:%1").arg(callLine)}));
        engine.start();
        QVERIFY(waitForLocals(engine));
        QCOMPARE(engine.stackHandler()->currentFrame().line, callLine);
        QCOMPARE(value(engine, QStringLiteral("local.counter")), QStringLiteral("41"));

        QSignalSpy completed(&engine, &DebuggerEngine::stackFrameCompleted);
        engine.executeStep();
        QVERIFY(completed.wait(60000));
        QVERIFY(engine.stackHandler()->currentFrame().function.startsWith(QLatin1String("twice")));
        QCOMPARE(engine.stackHandler()->stackSize(), 2);
        QCOMPARE(value(engine, QStringLiteral("local.value")), QStringLiteral("41"));

        // Frame 1 is main again, with its own locals.
        completed.clear();
        engine.activateFrame(1);
        QVERIFY(completed.wait(60000));
        QCOMPARE(engine.stackHandler()->currentIndex(), 1);
        QVERIFY(engine.watchModel()->indexForIName(QStringLiteral("local.numbers")).isValid());

        // Stepping out of main makes no sense: GDB refuses, the program
        // stays stopped, shown from its top frame again.
        completed.clear();
        engine.executeStepOut();
        QVERIFY(completed.wait(60000));
        QCOMPARE(engine.state(), int(InferiorStopOk));
        QCOMPARE(engine.stackHandler()->stackSize(), 2);
        QCOMPARE(engine.stackHandler()->currentIndex(), 0);
        QVERIFY(engine.watchModel()->indexForIName(QStringLiteral("local.result")).isValid());
        completed.clear();
        engine.executeStepOut();
        QVERIFY(completed.wait(60000));
        QCOMPARE(engine.stackHandler()->currentFrame().function, QStringLiteral("main"));
        completed.clear();
        engine.executeNext();
        QVERIFY(completed.wait(60000));
        // The rest of the call's line ran: the result is stored.
        QCOMPARE(engine.stackHandler()->currentFrame().line, HostFixture::lineOf(QStringLiteral("after twice")));
        QCOMPARE(value(engine, QStringLiteral("local.counter")), QStringLiteral("82"));

        QSignalSpy exited(&engine, &GdbEngine::inferiorExited);
        engine.continueInferior();
        QVERIFY(exited.wait(60000));
        QCOMPARE(exited.first().first().toInt(), 3);
        QCOMPARE(engine.state(), int(InferiorExitOk));
        QCOMPARE(engine.stackHandler()->stackSize(), 0);
    }

    void interruptStopsARunningProgram()
    {
        const int endLine = HostFixture::lineOf(QStringLiteral("after twice"));
        GdbEngine engine(parameters({QStringLiteral("hostprogram.cpp:%1").arg(endLine)}, {QStringLiteral("wait")}));
        engine.start();
        QVERIFY(waitForLocals(engine));
        engine.continueInferior();
        QVERIFY(waitForState(engine, InferiorRunOk));
        QTest::qWait(300);
        QSignalSpy completed(&engine, &DebuggerEngine::stackFrameCompleted);
        engine.interruptInferior();
        QCOMPARE(engine.state(), int(InferiorStopRequested));
        QVERIFY(completed.wait(60000));
        QCOMPARE(engine.state(), int(InferiorStopOk));
        const qint64 inferiorPid = engine.inferiorProcessId();
        engine.shutdown();
        QTRY_VERIFY_WITH_TIMEOUT(!processExists(inferiorPid), 10000);
    }

    void commandsCarryTheirCallbacksAndPythonArguments()
    {
        GdbEngine engine(parameters());
        engine.start();
        QVERIFY(waitForLocals(engine));

        // An MI command: the answer arrives parsed.
        DebuggerResponse answer;
        int calls = 0;
        DebuggerCommand evaluate("-data-evaluate-expression 6*7");
        evaluate.callback = [&](const DebuggerResponse &r) { answer = r; ++calls; };
        engine.runCommand(evaluate);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 30000);
        QCOMPARE(answer.resultClass, ResultDone);
        QCOMPARE(answer.data["value"].data(), QByteArray("42"));

        // Console input, several lines at once, and errors as error answers.
        DebuggerCommand console("python print('first')\npython print('second')");
        console.callback = [&](const DebuggerResponse &r) { answer = r; ++calls; };
        engine.runCommand(console);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 2, 30000);
        QCOMPARE(answer.resultClass, ResultDone);
        QCOMPARE(answer.consoleStreamOutput, QByteArray("first\nsecond\n"));
        // Python blocks among other commands run in their order, their
        // lines as written.
        DebuggerCommand mixed("python\nx = 'a \"q\" \\\\'\nend\nset $korvan_between = 2\n  python\n"
                              "print(x, int(gdb.parse_and_eval('$korvan_between')))\n  end");
        mixed.callback = [&](const DebuggerResponse &r) { answer = r; ++calls; };
        engine.runCommand(mixed);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 3, 30000);
        QCOMPARE(answer.resultClass, ResultDone);
        QCOMPARE(answer.consoleStreamOutput, QByteArray("a \"q\" \\ 2\n"));
        // One line of console input goes as it is, quotes and backslashes too.
        DebuggerCommand quoted("python print(\"say \\\"hi\\\" \\\\ end\")");
        quoted.callback = [&](const DebuggerResponse &r) { answer = r; ++calls; };
        engine.runCommand(quoted);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 4, 30000);
        QCOMPARE(answer.consoleStreamOutput, QByteArray("say \"hi\" \\ end\n"));
        DebuggerCommand broken("-no-such-command");
        broken.callback = [&](const DebuggerResponse &r) { answer = r; ++calls; };
        engine.runCommand(broken);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 5, 30000);
        QCOMPARE(answer.resultClass, ResultError);

        // The variable fetch of the dumper: the "inspect." items join the
        // watch model and stackFrameCompleted() follows. Quotes and
        // backslashes in the arguments reach Python intact.
        DebuggerCommand fetch("fetchVariable");
        fetch.flags = PythonCommand | InUpdateLocals;
        fetch.arg("watchers", QJsonValue(QJsonArray{
                                  QJsonObject{{"iname", "inspect.1"}, {"expression", "counter + 1"}},
                                  QJsonObject{{"iname", "inspect.2"}, {"exp", QString::fromLatin1(QByteArray("&counter").toHex())}},
                                  QJsonObject{{"iname", "inspect.3"}, {"expression", "\"a\\\"b\""}}}));
        fetch.arg("expanded", QJsonValue(QJsonArray{"inspect.2"}));
        fetch.callback = [&](const DebuggerResponse &r) { engine.handleFetchVariables(r); };
        QSignalSpy completed(&engine, &DebuggerEngine::stackFrameCompleted);
        QSignalSpy finished(engine.watchModel(), &WatchModel::updateFinished);
        engine.runCommand(fetch);
        QVERIFY(completed.wait(30000));
        QCOMPARE(finished.count(), 1);
        const QModelIndex one = engine.watchModel()->indexForIName(QStringLiteral("inspect.1"));
        QVERIFY(one.isValid());
        QCOMPARE(one.data(LocalsExpressionRole).toString(), QStringLiteral("counter + 1"));
        QCOMPARE(value(engine, QStringLiteral("inspect.3")), QStringLiteral("\"a\\\"b\""));
        const QModelIndex word = engine.watchModel()->indexForIName(QStringLiteral("inspect.2"));
        QVERIFY(word.isValid());
        QVERIFY(engine.watchModel()->rowCount(word) > 0); // expanded: children came along
        // Locals are untouched by an inspector fetch.
        QVERIFY(engine.watchModel()->indexForIName(QStringLiteral("local.counter")).isValid());

        // Answers to commands sent before the barrier are dropped.
        DebuggerCommand late("-data-evaluate-expression 1");
        late.callback = [&](const DebuggerResponse &) { ++calls; };
        engine.runCommand(late);
        engine.setTokenBarrier();
        DebuggerCommand after("-data-evaluate-expression 2");
        after.callback = [&](const DebuggerResponse &) { calls += 10; };
        engine.runCommand(after);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 15, 30000);
        engine.shutdown();
    }

    void startupCommandsRunInEveryNewGdb()
    {
        action(GdbStartupCommands)->setValue(QStringLiteral("set $korvan_marker = 1234\npython\nimport gdb\ngdb.set_convenience_variable('korvan_py', 5)\nend\n"), false);
        GdbEngine engine(parameters());
        engine.start();
        QVERIFY(waitForLocals(engine));
        action(GdbStartupCommands)->setValue(QString(), false);
        DebuggerResponse answer;
        DebuggerCommand evaluate("-data-evaluate-expression $korvan_marker+$korvan_py");
        evaluate.callback = [&](const DebuggerResponse &r) { answer = r; };
        engine.runCommand(evaluate);
        QTRY_COMPARE_WITH_TIMEOUT(answer.data["value"].data(), QByteArray("1239"), 30000);
        engine.shutdown();
    }

    void failuresAreReportedNotHung()
    {
        {
            DebuggerRunParameters p = parameters();
            p.executable = m_fixture.dir() + QStringLiteral("/missing");
            GdbEngine engine(p);
            QSignalSpy failures(&engine, &DebuggerEngine::failed);
            engine.start();
            QCOMPARE(failures.count(), 1);
            QVERIFY(failures.first().first().toString().contains(QLatin1String("does not exist")));
            QCOMPARE(engine.state(), int(EngineSetupFailed));
        }
        {
            // Without its x bit: said as such, not left to the shell's exit code 126.
            const QString copy = m_fixture.dir() + QStringLiteral("/no-x-bit");
            QVERIFY(QFile::copy(m_fixture.program(), copy) || QFile::exists(copy));
            QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner));
            DebuggerRunParameters p = parameters();
            p.executable = copy;
            GdbEngine engine(p);
            QSignalSpy failures(&engine, &DebuggerEngine::failed);
            engine.start();
            QCOMPARE(failures.count(), 1);
            QVERIFY2(failures.first().first().toString().contains(QLatin1String("permission denied")),
                     qPrintable(failures.first().first().toString()));
            QCOMPARE(engine.state(), int(EngineSetupFailed));
        }
        {
            DebuggerRunParameters p = parameters();
            p.debuggerCommand = m_fixture.dir() + QStringLiteral("/no-gdb-here");
            GdbEngine engine(p);
            QSignalSpy failures(&engine, &DebuggerEngine::failed);
            engine.start();
            QTRY_COMPARE_WITH_TIMEOUT(failures.count(), 1, 30000);
            QVERIFY(failures.first().first().toString().contains(QLatin1String("GDB could not be started")));
        }
        {
            // A file that may run but is no program: GDB refuses to load it.
            const QString textFile = m_fixture.dir() + QStringLiteral("/not-a-program");
            QVERIFY(QFile::copy(HostFixture::source(), textFile) || QFile::exists(textFile));
            QVERIFY(QFile::setPermissions(textFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            DebuggerRunParameters p = parameters();
            p.executable = textFile;
            GdbEngine engine(p);
            QSignalSpy failures(&engine, &DebuggerEngine::failed);
            engine.start();
            QVERIFY(failures.wait(60000));
            QVERIFY2(failures.first().first().toString().contains(QLatin1String("could not be")),
                     qPrintable(failures.first().first().toString()));
            QTRY_COMPARE_WITH_TIMEOUT(engine.state(), int(DebuggerFinished), 30000);
            QVERIFY(!processExists(engine.gdbProcessId()));
        }
    }

    void theHostWindowKeepsAProxyInFrontOfTheSessionsModel()
    {
        Host::HostWindow window;
        // A plug-in's proxy in front of the watch view's model.
        auto proxy = new QIdentityProxyModel(&window);
        proxy->setSourceModel(window.watchView()->model());
        window.watchView()->setModel(proxy);
        GdbEngine *engine = window.startDebugging(parameters());
        QSignalSpy completed(engine, &DebuggerEngine::stackFrameCompleted);
        QVERIFY(completed.wait(60000));
        QCOMPARE(window.watchView()->model(), proxy);
        QCOMPARE(proxy->sourceModel(), engine->watchModel());
        QCOMPARE(window.stackView()->model(), engine->stackHandler()->model());
        // The tree as the view shows it: one line per item, children indented.
        const QStringList lines = Host::watchTreeText(proxy, QStringLiteral("local")).split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("argc = 1  [int]")));
        // (Stopped before its initialisation: the vector's text is whatever GDB's printer makes of it.)
        QVERIFY(std::any_of(lines.cbegin(), lines.cend(), [](const QString &line) {
            return line.startsWith(QLatin1String("numbers = "))
                   && line.endsWith(QLatin1String("  [std::vector<int, std::allocator<int> >]"));
        }));
        QVERIFY(Host::watchTreeText(proxy, QStringLiteral("nothing")).isEmpty());
        // The host's Continue runs the program to its end.
        QAction *continueAction = Core::ActionManager::command("Debugger.Continue")->action();
        QVERIFY(continueAction->isEnabled());
        QSignalSpy exited(engine, &GdbEngine::inferiorExited);
        continueAction->trigger();
        QVERIFY(exited.wait(60000));
        QVERIFY(!continueAction->isEnabled());
        const qint64 gdbPid = engine->gdbProcessId();
        window.shutdown();
        QVERIFY(!processExists(gdbPid));
    }

    void watchHandlerPlacesItemsByIName()
    {
        WatchHandler handler;
        GdbMi items;
        items.fromString("[{iname=\"local.a\",name=\"a\",value=\"1\",type=\"int\",numchild=\"0\"},"
                         "{iname=\"local.s\",name=\"s\",value=\"{...}\",type=\"S\",numchild=\"2\",children=["
                         "{iname=\"local.s.x\",name=\"x\",value=\"2\",type=\"int\",numchild=\"0\"}]},"
                         "{iname=\"inspect.1\",name=\"e\",exp=\"a+1\",value=\"2\",type=\"int\",numchild=\"0\"},"
                         "{iname=\"local.s.y\",name=\"y\",value=\"3\",type=\"int\",numchild=\"0\"},"
                         "{iname=\"nowhere.1\",name=\"n\",value=\"0\"}]");
        handler.insertItems(items, false);
        WatchModel *model = handler.model();
        // A value with a zero byte (a byte array's) is shown whole.
        GdbMi bytes;
        bytes.fromString("[{iname=\"local.b\",name=\"b\",value=\"\\\"by\\000te\\\"\",type=\"QByteArray\",numchild=\"0\"}]");
        handler.insertItems(bytes, false);
        const QModelIndex b = model->indexForIName("local.b");
        QCOMPARE(b.sibling(b.row(), 1).data().toString(), QString::fromUtf8("\"by\0te\"", 7));
        model->removeRow(b.row(), b.parent());
        QCOMPARE(model->rowCount(model->indexForIName("local")), 2);
        const QModelIndex s = model->indexForIName("local.s");
        QCOMPARE(model->rowCount(s), 2); // "y" went below "s", after "x"
        QCOMPARE(model->indexForIName("local.s.y").parent(), s);
        QCOMPARE(model->indexForIName("inspect.1").data(LocalsExpressionRole).toString(), QStringLiteral("a+1"));
        QVERIFY(!model->indexForIName("nowhere.1").isValid());

        // An item that comes again replaces the old one; resetting empties Locals.
        GdbMi again;
        again.fromString("[{iname=\"local.a\",name=\"a\",value=\"7\",type=\"int\",numchild=\"0\"}]");
        handler.insertItems(again, false);
        QCOMPARE(model->rowCount(model->indexForIName("local")), 2);
        QCOMPARE(model->indexForIName("local.a").sibling(model->indexForIName("local.a").row(), 1).data().toString(),
                 QStringLiteral("7"));
        handler.insertItems(again, true);
        QCOMPARE(model->rowCount(model->indexForIName("local")), 1);
        QVERIFY(model->indexForIName("inspect.1").isValid());
    }
};

QTEST_MAIN(TestGdbEngine)
#include "tst_gdbengine.moc"
