// Reverse execution and bookmarks through the host: korvan-host's window
// with the plug-in loaded, its engine running the reverse-debugging front
// end (undodb-gdb) on tests/fixtures/reverse.cpp. The places the reverse
// actions reach are compared with plain GDB's own reverse execution; the
// bookmark box is driven with the keyboard as a user drives it.

#include "common/enginewaits.h"
#include "common/misession.h"
#include "hostfixture.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/icore.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/stackhandler.h>
#include <debugger/watchhandler.h>
#include <extensionsystem/iplugin.h>
#include <hostwindow.h>
#include <pluginmanager.h>
#include <watchtree.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace Debugger::Internal;

namespace {
const char *const reverseIds[] = {"Korvan.Debugger.ReverseContinue", "Korvan.Debugger.ReverseStepOver",
                                  "Korvan.Debugger.ReverseStepIn", "Korvan.Debugger.ReverseStepOut"};
const char *const mirroredIds[] = {"Debugger.Continue", "Debugger.NextLine", "Debugger.StepLine",
                                   "Debugger.StepOut"};

// Where the program stands: function, line, and the values that tell two
// moments of square() apart.
struct Moment
{
    QByteArray func;
    int line = 0;
    QByteArray counter;
    QStringList locals;
    bool operator==(const Moment &other) const
    {
        return func == other.func && line == other.line && counter == other.counter && locals == other.locals;
    }
};

char *toString(const Moment &m)
{
    return QTest::toString(QStringLiteral("%1:%2 counter=%3 [%4]")
                               .arg(QString::fromUtf8(m.func))
                               .arg(m.line)
                               .arg(QString::fromUtf8(m.counter), m.locals.join(QLatin1Char(' '))));
}
} // namespace

class TestReverse : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_dir;
    QString m_program;
    QMap<QByteArray, int> m_lines; // "// marker" comment -> line
    std::unique_ptr<Host::HostWindow> m_window;
    QPointer<GdbEngine> m_engine;
    QStringList m_log;

    QString programSource() const { return QStringLiteral(KORVAN_SOURCE_ROOT "/tests/fixtures/reverse.cpp"); }
    QByteArray breakAtReturn() const { return "reverse.cpp:" + QByteArray::number(m_lines["square return"]); }

    void openWindow()
    {
        closeWindow(); // the one a failed test left
        qunsetenv("QTC_DEBUGGER_PATH");
        m_window.reset(new Host::HostWindow);
        m_window->loadPlugins(KORVAN_PLUGIN_DIR);
        QVERIFY2(m_window->pluginManager()->errors().isEmpty(),
                 qPrintable(m_window->pluginManager()->errors().join('\n')));
        m_window->delayedInitialize();
        QVERIFY(commandAction(reverseIds[0]));
    }

    void closeWindow()
    {
        if (m_window)
            m_window->shutdown();
        m_window.reset();
        QCoreApplication::processEvents();
    }

    // A session on the fixture with the given GDB, stopped at main.
    void startSession(const QString &gdb)
    {
        DebuggerRunParameters parameters;
        parameters.debuggerCommand = gdb;
        parameters.executable = m_program;
        parameters.breakpoints = QStringList{QStringLiteral("main"), QString::fromUtf8(breakAtReturn())};
        m_log.clear();
        connect(m_window.get(), &Host::HostWindow::sessionCreated, this, [this](GdbEngine *engine) {
            // The log marks what was sent with ">" and what came back with "<".
            connect(engine, &DebuggerEngine::logMessage, this, [this](const QString &line) {
                m_log << (line.startsWith(QLatin1Char('>')) || line.startsWith(QLatin1Char('<')) ? line.mid(1) : line);
            });
        });
        m_engine = m_window->startDebugging(parameters);
        disconnect(m_window.get(), &Host::HostWindow::sessionCreated, this, nullptr);
        QVERIFY(m_engine);
        QSignalSpy frames(m_engine.data(), &DebuggerEngine::stackFrameCompleted);
        QVERIFY(frames.wait(60000));
        QCOMPARE(m_engine->state(), int(InferiorStopOk));
        QCOMPARE(m_engine->stackHandler()->currentFrame().line, m_lines["main start"]);
    }

    // Runs the trigger and waits for the stop it causes, locals included.
    bool waitForStop(const std::function<void()> &trigger) { return waitForEngineStop(m_engine.data(), trigger); }

    QByteArray evaluate(const QByteArray &expression)
    {
        const std::optional<DebuggerResponse> response =
            engineResponse(m_engine.data(), "-data-evaluate-expression " + expression);
        if (!response)
            return "<no answer>";
        return response->resultClass == ResultDone ? response->data["value"].data() : QByteArray("<error>");
    }

    Moment hostMoment()
    {
        Moment m;
        const StackFrame frame = m_engine->stackHandler()->currentFrame();
        m.func = frame.function.toUtf8();
        m.line = frame.line;
        m.counter = evaluate("counter");
        for (const char *name : {"value", "result"}) {
            const QModelIndex index = m_engine->watchModel()->indexForIName(QStringLiteral("local.") + name);
            if (index.isValid())
                m.locals << QString::fromLatin1(name) + QLatin1Char('=') + index.sibling(index.row(), 1).data().toString();
        }
        return m;
    }

    // How often a console command went to GDB, as the debugger log shows it.
    int sent(const QString &command) const
    {
        const QRegularExpression line(QStringLiteral("^\\d+-interpreter-exec console \"%1\"$")
                                          .arg(QRegularExpression::escape(command)));
        int count = 0;
        for (const QString &entry : m_log)
            count += line.match(entry).hasMatch() ? 1 : 0;
        return count;
    }

    // The answer GDB gave to the last sending of a console command.
    QString answerTo(const QString &command)
    {
        QString token;
        for (const QString &entry : m_log) {
            if (entry.endsWith(QStringLiteral("-interpreter-exec console \"%1\"").arg(command)))
                token = entry.left(entry.indexOf(QLatin1Char('-')));
        }
        if (token.isEmpty())
            return QStringLiteral("<not sent>");
        QString answer;
        const bool answered = QTest::qWaitFor([&] {
            for (const QString &entry : m_log) {
                if (entry.startsWith(token + QLatin1Char('^'))) {
                    answer = entry.mid(token.size());
                    return true;
                }
            }
            return false;
        }, 30000);
        return answered ? answer : QStringLiteral("<no answer>");
    }

    QComboBox *bookmarkBox() const
    {
        const QList<QComboBox *> boxes = m_window->debuggerWindow()->findChildren<QComboBox *>();
        return boxes.size() == 1 ? boxes.first() : nullptr;
    }

    QLabel *bookmarkLabel() const
    {
        QComboBox *box = bookmarkBox();
        auto layout = box ? box->parentWidget()->layout() : nullptr;
        const int at = layout ? layout->indexOf(box) : -1;
        return at > 0 ? qobject_cast<QLabel *>(layout->itemAt(at - 1)->widget()) : nullptr;
    }

    QStringList entries() const
    {
        QStringList list;
        for (int i = 0; i < bookmarkBox()->count(); ++i)
            list << bookmarkBox()->itemText(i);
        return list;
    }

    // Types into the box and presses return, then lets the event loop turn.
    void type(const QString &text)
    {
        QLineEdit *edit = bookmarkBox()->lineEdit();
        edit->selectAll();
        edit->del();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    // Chooses an entry from the box's list as a user does.
    void choose(const QString &text)
    {
        QComboBox *box = bookmarkBox();
        const int row = box->findText(text);
        QVERIFY2(row >= 0, qPrintable(text));
        box->showPopup();
        box->view()->setCurrentIndex(box->model()->index(row, 0));
        QTest::keyClick(box->view(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    QList<bool> reverseEnabled() const
    {
        QList<bool> enabled;
        for (const char *id : reverseIds)
            enabled << commandAction(id)->isEnabled();
        enabled << bookmarkBox()->isEnabled() << bookmarkLabel()->isEnabled();
        return enabled;
    }

    static QMessageBox *shownMessageBox()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto box = qobject_cast<QMessageBox *>(widget))
                if (box->isVisible())
                    return box;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        const QString gxx = QStandardPaths::findExecutable(QStringLiteral("g++"));
        if (QStandardPaths::findExecutable(QStringLiteral("gdb")).isEmpty() || gxx.isEmpty())
            QSKIP("gdb and g++ are needed");
        QVERIFY(m_config.isValid() && m_dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.filePath("config"));
        Core::ICore::setSettingsFile(m_config.filePath("host.ini"));
        qunsetenv("QTC_DEBUGGER_PATH");
        m_program = m_dir.filePath(QStringLiteral("reverse"));
        QVERIFY2(buildFixture(programSource(), m_program, &m_lines), qPrintable(programSource()));
        QCOMPARE(m_lines.size(), 5);
    }

    // Without any session the box still takes entries and keeps them in
    // their order; nothing is sent anywhere and nothing breaks.
    void withoutSessionTheBoxSortsAndNothingIsSent()
    {
        openWindow();
        qputenv("QTC_DEBUGGER_PATH", "/opt/undodb/bin/undodb-gdb");
        for (const char *id : mirroredIds)
            commandAction(id)->setEnabled(true);
        QCOMPARE(reverseEnabled(), QList<bool>({true, true, true, true, true, true}));
        for (const char *id : reverseIds)
            commandAction(id)->trigger(); // no engine: silently nothing
        for (const char *entry : {"zeta", "alpha", "5ns", "1s", "-2ms", "+1ns"})
            type(QString::fromLatin1(entry));
        QCOMPARE(entries(), QStringList({"-2ms", "+1ns", "5ns", "1s", "alpha", "zeta", "Record Mode"}));
        // A second typing of a known entry adds nothing.
        type(QStringLiteral("alpha"));
        type(QStringLiteral("-2ms"));
        QCOMPARE(entries().size(), 7);
        // 1000ns and 1ms are the same position: side by side.
        type(QStringLiteral("1000ns"));
        type(QStringLiteral("1ms"));
        const QStringList sorted = entries();
        QCOMPARE(sorted.mid(0, 3), QStringList({"-2ms", "+1ns", "5ns"}));
        QCOMPARE(QSet<QString>({sorted.at(3), sorted.at(4)}), QSet<QString>({"1000ns", "1ms"}));
        QCOMPARE(sorted.mid(5), QStringList({"1s", "alpha", "zeta", "Record Mode"}));
        // Entries no time or name pattern takes are not taken on return.
        for (const char *entry : {"1us", "12x", "+", "1 s"})
            type(QString::fromLatin1(entry));
        QCOMPARE(entries().size(), 9);
        QVERIFY(!shownMessageBox());
        qunsetenv("QTC_DEBUGGER_PATH");
        closeWindow();
    }

    // With plain GDB the reverse controls stay off, also when the program is
    // stopped; QTC_DEBUGGER_PATH naming the front end turns them on, and a
    // bookmark that the debugger cannot create is reported.
    void plainGdbKeepsTheControlsOff()
    {
        openWindow();
        startSession(QStandardPaths::findExecutable(QStringLiteral("gdb")));
        QVERIFY(commandAction("Debugger.Continue")->isEnabled());
        QCOMPARE(reverseEnabled(), QList<bool>({false, false, false, false, false, false}));

        // Read anew on each change of a mirrored action.
        qputenv("QTC_DEBUGGER_PATH", "/opt/undodb/bin/undodb-gdb");
        commandAction("Debugger.StepOut")->setEnabled(false);
        QCOMPARE(reverseEnabled(), QList<bool>({true, true, true, false, true, true}));
        commandAction("Debugger.NextLine")->setEnabled(false);
        QCOMPARE(reverseEnabled(), QList<bool>({true, false, true, false, false, false}));
        commandAction("Debugger.NextLine")->setEnabled(true);
        commandAction("Debugger.StepOut")->setEnabled(true);
        QCOMPARE(reverseEnabled(), QList<bool>({true, true, true, true, true, true}));
        qputenv("QTC_DEBUGGER_PATH", "/opt/undodb/bin/undodb-gdb.sh");
        commandAction("Debugger.StepLine")->setEnabled(false);
        commandAction("Debugger.StepLine")->setEnabled(true);
        QCOMPARE(reverseEnabled(), QList<bool>({false, false, false, false, false, false}));

        // Plain GDB knows no bookmarks: the failure is shown, the entry stays.
        qputenv("QTC_DEBUGGER_PATH", "/opt/undodb/bin/undodb-gdb");
        commandAction("Debugger.StepLine")->setEnabled(false);
        commandAction("Debugger.StepLine")->setEnabled(true);
        type(QStringLiteral("start"));
        QVERIFY(answerTo(QStringLiteral("undodb-set-bookmark start")).startsWith(QLatin1String("^error")));
        QTRY_VERIFY(shownMessageBox());
        QMessageBox *box = shownMessageBox();
        QCOMPARE(box->windowTitle(), QStringLiteral("Bookmark Creation Error"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QVERIFY2(box->text().startsWith(QLatin1String("Cannot create Bookmark:\nUndefined command: \"undodb-set-bookmark\"")),
                 qPrintable(box->text()));
        box->close();
        QCOMPARE(entries(), QStringList({"start", "Record Mode"}));
        // The failed creation did not start a run: the program is still stopped here.
        QCOMPARE(m_engine->state(), int(InferiorStopOk));
        QCOMPARE(sent(QStringLiteral("undodb-goto-bookmark start")), 0);
        qunsetenv("QTC_DEBUGGER_PATH");
        closeWindow();
    }

    // Under the front end the reverse actions land where GDB's own reverse
    // execution lands, by line and by instruction.
    void reverseActionsMatchGdb()
    {
        // Plain GDB recording by hand: the places to expect.
        MiSession plain;
        QVERIFY(plain.start(QStandardPaths::findExecutable(QStringLiteral("gdb")),
                            {QStringLiteral("-nx"), QStringLiteral("-q"), QStringLiteral("--interpreter=mi"), m_program}));
        plain.respond("-break-insert main");
        plain.run("-exec-run", true);
        QCOMPARE(plain.respond("record full").resultClass, ResultDone);
        plain.respond("-break-insert " + breakAtReturn());
        plain.run("-exec-continue", true);
        plain.run("-exec-continue", true);
        const QList<QPair<QByteArray, bool>> moves{{"reverse-next", false},   {"reverse-step", false},
                                                   {"reverse-finish", false}, {"reverse-continue", false},
                                                   {"reverse-stepi", true},   {"reverse-nexti", true}};
        QList<Moment> expected;
        for (const auto &move : moves) {
            const GdbMi stop = MiSession::stopRecord(plain.run(move.first, true));
            Moment m;
            m.func = stop["frame"]["func"].data();
            m.line = stop["frame"]["line"].data().toInt();
            m.counter = plain.respond("-data-evaluate-expression counter").data["value"].data();
            const GdbMi variables = plain.respond("-stack-list-variables --all-values").data["variables"];
            for (const char *name : {"value", "result"}) {
                for (const GdbMi &variable : variables)
                    if (variable["name"].data() == name)
                        m.locals << QString::fromLatin1(name) + QLatin1Char('=')
                                        + QString::fromUtf8(variable["value"].data());
            }
            expected << m;
        }
        // The expected places are the ones this program must give.
        QCOMPARE(expected.at(0).line, m_lines["square count"]);
        QCOMPARE(expected.at(1).line, m_lines["square body"]);
        QCOMPARE(expected.at(2).func, QByteArray("accumulate"));
        QCOMPARE(expected.at(3).line, m_lines["square return"]);

        openWindow();
        startSession(QStringLiteral(UNDODB_GDB));
        QCOMPARE(reverseEnabled(), QList<bool>({true, true, true, true, true, true}));
        for (int n = 0; n < 2; ++n)
            QVERIFY(waitForStop([] { commandAction("Debugger.Continue")->trigger(); }));
        QCOMPARE(m_engine->stackHandler()->currentFrame().line, m_lines["square return"]);

        const QMap<QByteArray, const char *> actionOf{
            {"reverse-next", reverseIds[1]},   {"reverse-nexti", reverseIds[1]}, {"reverse-step", reverseIds[2]},
            {"reverse-stepi", reverseIds[2]},  {"reverse-finish", reverseIds[3]},
            {"reverse-continue", reverseIds[0]}};
        QAction *byInstruction = commandAction("Debugger.OperateByInstruction");
        QList<Moment> seen;
        for (const auto &move : moves) {
            byInstruction->setChecked(move.second);
            QVERIFY(waitForStop([&] {
                commandAction(actionOf.value(move.first))->trigger();
                // Running: the reverse controls are off until the stop.
                QCOMPARE(reverseEnabled(), QList<bool>({false, false, false, false, false, false}));
                QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Running requested..."));
            }));
            QCOMPARE(sent(QString::fromLatin1(move.first)), 1);
            seen << hostMoment();
        }
        byInstruction->setChecked(false);
        QCOMPARE(seen, expected);
        QCOMPARE(reverseEnabled(), QList<bool>({true, true, true, true, true, true}));
    }

    // A bookmark set, left and gone to brings back the line and the locals;
    // times and record mode move in the recording; each return sends once.
    void bookmarksReturnToTheSameMoment()
    {
        QVERIFY(m_engine);
        // Somewhere inside square(1), in the recording.
        QVERIFY(waitForStop([] { commandAction(reverseIds[2])->trigger(); }));
        const Moment marked = hostMoment();
        QCOMPARE(marked.func, QByteArray("square"));
        QVERIFY(marked.locals.contains(QStringLiteral("value=1")));

        type(QStringLiteral("mark"));
        QVERIFY(answerTo(QStringLiteral("undodb-set-bookmark mark")).startsWith(QLatin1String("^done")));
        QCOMPARE(sent(QStringLiteral("undodb-set-bookmark mark")), 1);
        QCOMPARE(sent(QStringLiteral("undodb-goto-bookmark mark")), 0); // not gone to right away
        QCOMPARE(m_engine->state(), int(InferiorStopOk));
        QCOMPARE(bookmarkBox()->currentText(), QStringLiteral("mark"));

        // Away: forward to square(1)'s return, then square(2)'s.
        QVERIFY(waitForStop([] { commandAction("Debugger.Continue")->trigger(); }));
        QCOMPARE(hostMoment().locals.first(), QStringLiteral("value=1"));
        QVERIFY(waitForStop([] { commandAction("Debugger.Continue")->trigger(); }));
        const Moment away = hostMoment();
        QCOMPARE(away.line, m_lines["square return"]);
        QCOMPARE(away.locals.first(), QStringLiteral("value=2"));
        QVERIFY(!(away == marked));

        // Chosen from the list: back to the same line and values.
        QVERIFY(waitForStop([this] { choose(QStringLiteral("mark")); }));
        QCOMPARE(sent(QStringLiteral("undodb-goto-bookmark mark")), 1);
        QCOMPARE(hostMoment(), marked);

        // Typed again: known, so it goes there (once) and sets nothing.
        QVERIFY(waitForStop([] { commandAction("Debugger.Continue")->trigger(); }));
        QVERIFY(waitForStop([this] { type(QStringLiteral("mark")); }));
        QCOMPARE(sent(QStringLiteral("undodb-goto-bookmark mark")), 2);
        QCOMPARE(sent(QStringLiteral("undodb-set-bookmark mark")), 1);
        QCOMPARE(hostMoment(), marked);
        QCOMPARE(entries(), QStringList({"mark", "Record Mode"}));

        // Times: the scaled count, one command per return.
        QVERIFY(waitForStop([this] { type(QStringLiteral("-3ps")); }));
        QCOMPARE(sent(QStringLiteral("undodb-goto-n -3")), 1);
        QVERIFY(waitForStop([this] { type(QStringLiteral("+3ps")); }));
        QCOMPARE(sent(QStringLiteral("undodb-goto-n +3")), 1);
        QCOMPARE(hostMoment(), marked); // three instructions back and forth
        QVERIFY(waitForStop([this] { type(QStringLiteral("7ps")); }));
        QCOMPARE(sent(QStringLiteral("undodb-goto-n 7")), 1);
        // Seven instructions after main's breakpoint: no square() has run yet.
        const QString early = m_engine->stackHandler()->currentFrame().function;
        QCOMPARE(evaluate("counter"), QByteArray("0"));
        QCOMPARE(entries(), QStringList({"-3ps", "+3ps", "7ps", "mark", "Record Mode"}));
        QCOMPARE(bookmarkBox()->currentText(), QStringLiteral("7ps"));

        // A time outside the recording: refused, the program stays stopped where it was.
        QVERIFY(waitForStop([this] { type(QStringLiteral("9s")); }));
        QVERIFY(answerTo(QStringLiteral("undodb-goto-n 9000000000")).contains(QLatin1String("outside the recording")));
        // Said where the user looks, not only in the log.
        const QString status = m_window->statusBar()->currentMessage();
        QVERIFY2(status.startsWith(QLatin1String("The program could not be continued: "))
                     && status.contains(QLatin1String("9000000000 is outside the recording")),
                 qPrintable(status));
        QCOMPARE(m_engine->stackHandler()->currentFrame().function, early);
        QCOMPARE(evaluate("counter"), QByteArray("0"));

        // Record mode: the live end, square(2)'s return.
        QVERIFY(waitForStop([this] { choose(QStringLiteral("Record Mode")); }));
        QCOMPARE(sent(QStringLiteral("undodb-goto-record-mode")), 1);
        QCOMPARE(m_engine->stackHandler()->currentFrame().line, m_lines["square return"]);
        QCOMPARE(evaluate("value"), QByteArray("2"));
        QVERIFY(!shownMessageBox());
        closeWindow();
    }

    // Going to a bookmark, then a reverse step that GDB does not survive
    // (it is killed while the step is under way): the session ends
    // cleanly, no view shows its last values as live, and neither the
    // reverse controls nor a reverse request bring it back to "running".
    void aReverseStepThatGdbDoesNotSurviveEndsCleanly()
    {
        openWindow();
        startSession(QStringLiteral(UNDODB_GDB));
        QVERIFY(waitForStop([] { commandAction("Debugger.Continue")->trigger(); }));
        type(QStringLiteral("mark"));
        QVERIFY(answerTo(QStringLiteral("undodb-set-bookmark mark")).startsWith(QLatin1String("^done")));
        QVERIFY(waitForStop([] { commandAction("Debugger.Continue")->trigger(); }));
        QVERIFY(waitForStop([this] { choose(QStringLiteral("mark")); }));
        QCOMPARE(hostMoment().locals.value(0), QStringLiteral("value=1"));
        QVERIFY(!Host::watchTreeText(m_window->watchView()->model(), QStringLiteral("local")).isEmpty());

        // The GDB of this session, and only that one, stops answering and dies
        // with the reverse step under way.
        QVERIFY(signalEngineGdb(m_engine.data(), SIGSTOP));
        commandAction(reverseIds[1])->trigger();
        QCOMPARE(m_engine->state(), int(InferiorRunRequested));
        QVERIFY(signalEngineGdb(m_engine.data(), SIGKILL));
        QTRY_COMPARE_WITH_TIMEOUT(m_engine->state(), int(DebuggerFinished), 30000);

        const QString ended = m_window->statusBar()->currentMessage();
        QVERIFY2(ended.startsWith(QLatin1String("GDB ended unexpectedly (signal 9")), qPrintable(ended));
        QCOMPARE(Host::watchTreeText(m_window->watchView()->model(), QStringLiteral("local")), QString());
        QCOMPARE(m_window->stackView()->model()->rowCount(), 0);
        QCOMPARE(reverseEnabled(), QList<bool>({false, false, false, false, false, false}));
        for (const char *id : mirroredIds)
            QVERIFY2(!commandAction(id)->isEnabled(), id);

        // Asked for all the same (as a late click would): nothing runs.
        QObject *plugin = m_window->pluginManager()->plugins().value(0).plugin;
        QVERIFY(plugin);
        for (const char *slot : {"handleReverseStepOver", "handleReverseContinue"})
            QVERIFY(QMetaObject::invokeMethod(plugin, slot));
        QVERIFY(QMetaObject::invokeMethod(plugin, "handleBookmark", Q_ARG(QString, QStringLiteral("mark"))));
        QCoreApplication::processEvents();
        QCOMPARE(m_engine->state(), int(DebuggerFinished));
        QCOMPARE(m_window->statusBar()->currentMessage(), ended);
        QCOMPARE(reverseEnabled(), QList<bool>({false, false, false, false, false, false}));
        QVERIFY(!shownMessageBox());
        closeWindow();
    }

    void cleanupTestCase() { closeWindow(); }
};

QTEST_MAIN(TestReverse)
#include "tst_reverse.moc"
