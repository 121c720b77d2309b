// GDB ending in the middle of a session, as when it crashes or is killed:
// the stand-in IDE with the plug-in on tests/fixtures/netlistdesign.cpp,
// stopped with its design in memory, and the GDB it started killed while
// the plug-in still waits for answers. Nothing of the ended session stays
// on screen as if the program were alive, the status bar says what
// happened, and nothing in the plug-in waits for an answer that cannot come.

#include "common/enginewaits.h"
#include "hostwindow.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "netlistsession.h"
#include "plugin/korvandebuggerplugin.h"
#include "views/inspector.h"
#include "views/korvandebuggerstackdelegate.h"
#include "views/korvanstackproxymodel.h"
#include "watchtree.h"

#include <coreplugin/actionmanager.h>
#include <debugger/debuggerconstants.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>

#include <QAction>
#include <QPointer>
#include <QStatusBar>
#include <QTreeView>
#include <QtTest>

#include <csignal>

using namespace Debugger::Internal;
using KorvanDebugger::Internal::Inspector;
using KorvanDebugger::Internal::KorvanDebuggerGraphEditor;

namespace {

QAction *commandAction(const char *id)
{
    Core::Command *command = Core::ActionManager::command(id);
    return command ? command->action() : nullptr;
}

// The rows under each top-level item of the watch view (Locals, Inspector,
// Expressions).
QList<int> sectionRows(const QAbstractItemModel *model)
{
    QList<int> rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows << model->rowCount(model->index(row, 0));
    return rows;
}

} // namespace

class TestGdbDeath : public QObject
{
    Q_OBJECT

private:
    NetlistSession m_session;

    GdbEngine *engine() const { return m_session.engine(); }
    QString status() const { return m_session.window()->statusBar()->currentMessage(); }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_session.start(&error), qPrintable(error));
        // The window as the user sees it: the stack view, painted, holds
        // the plug-in's proxy.
        m_session.window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_session.window()));
        QTRY_VERIFY(m_session.plugin()->stackDelegate() && m_session.plugin()->stackDelegate()->proxy());
    }

    void aKilledGdbLeavesNothingShownAsLive()
    {
        Host::ScriptedDialogs dialogs;
        QTreeView *watch = m_session.watchView();
        QTreeView *stack = m_session.window()->stackView();
        // The session as the user sees it: values, frames, the arguments'
        // values in the plug-in's stack view, and the stack analysis on.
        QVERIFY(Host::watchTreeText(watch->model(), QStringLiteral("local")).contains(QLatin1String("top = ")));
        QVERIFY(stack->model()->rowCount() > 0);
        QAction *analysis = commandAction("Korvan.Debugger.AnalyzeStack");
        QVERIFY(analysis);
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isEnabled(), 30000);
        KorvanDebugger::Internal::KorvanStackProxyModel *proxy = m_session.plugin()->stackDelegate()->proxy();
        QVERIFY(!proxy->inames().isEmpty());

        // The GDB this session started stops reading: what is asked from
        // now on stays unanswered.
        QVERIFY(signalEngineGdb(engine(), SIGSTOP));
        Inspector inspector;
        QSignalSpy received(&inspector, &Inspector::dataReceived);
        QSignalSpy abandoned(&inspector, &Inspector::fetchAbandoned);
        QVERIFY(inspector.addWatch("net->_name"));
        inspector.flushRequests();
        QVERIFY(inspector.isPending());
        // A graph window waits for the children of a value the view left
        // collapsed.
        QVERIFY(engine()->watchModel()->rowCount(m_session.local(QStringLiteral("top"))) == 0);
        QPointer<KorvanDebuggerGraphEditor> editor =
            new KorvanDebuggerGraphEditor(watch, 3, m_session.local(QStringLiteral("top")));
        QVERIFY(editor->isFetching());

        QVERIFY(signalEngineGdb(engine(), SIGKILL));
        QTRY_COMPARE_WITH_TIMEOUT(engine()->state(), int(DebuggerFinished), 30000);

        // The status bar says what happened.
        QVERIFY2(status().startsWith(QLatin1String("GDB ended unexpectedly (signal 9")), qPrintable(status()));
        // No value, no frame, no argument value of the ended session.
        QCOMPARE(sectionRows(watch->model()), QList<int>({0, 0, 0}));
        QCOMPARE(Host::watchTreeText(watch->model(), QStringLiteral("local")), QString());
        QCOMPARE(stack->model()->rowCount(), 0);
        QVERIFY(proxy->inames().isEmpty());
        QVERIFY(proxy->prettyValues().isEmpty());
        QVERIFY(!proxy->isAnalysing());
        QVERIFY(!analysis->isEnabled());
        for (const char *id : {"Debugger.Continue", "Debugger.NextLine", "Debugger.StepLine", "Debugger.StepOut",
                               "Debugger.Interrupt", "Debugger.Stop"})
            QVERIFY2(!commandAction(id)->isEnabled(), id);

        // Nothing waits: the Inspector knows no answer will come...
        QCOMPARE(abandoned.count(), 1);
        QVERIFY(!inspector.isPending());
        QVERIFY(inspector.requests().isEmpty());
        // ...the graph window told the user and closed...
        QVERIFY(!dialogs.messages.isEmpty());
        QVERIFY2(dialogs.messages.first().text.startsWith(QLatin1String("Debug Process Terminated.")),
                 qPrintable(dialogs.messages.first().text));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!editor);
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 0);
        // ...and a fetch asked now is not sent to the ended session.
        Inspector late;
        late.addWatch("top");
        late.flushRequests();
        QVERIFY(!late.isPending());
        QTest::qWait(100);
        QCOMPARE(received.count(), 0);
        // The ended session is not made to look running again.
        engine()->notifyInferiorRunRequested();
        QCOMPARE(engine()->state(), int(DebuggerFinished));
        // Nothing said afterwards hides what happened.
        QVERIFY2(status().startsWith(QLatin1String("GDB ended unexpectedly")), qPrintable(status()));
        QCOMPARE(engine()->state(), int(DebuggerFinished));
    }

    // The plug-in's stack view lets go of the host's stack while it fetches
    // its arguments' values: GDB dying then must not leave it waiting, nor
    // its values shown.
    void theStackViewsValueFetchEndsWithGdb()
    {
        QString error;
        QVERIFY2(m_session.restart(&error), qPrintable(error));
        KorvanDebugger::Internal::KorvanStackProxyModel *proxy = m_session.plugin()->stackDelegate()->proxy();
        QAction *detail = commandAction("Korvan.Debugger.StackDetail");
        QAction *analysis = commandAction("Korvan.Debugger.AnalyzeStack");
        QTRY_VERIFY_WITH_TIMEOUT(analysis->isEnabled() && !proxy->inames().isEmpty(), 30000);

        // GDB is stopped the moment the values are asked for, before it
        // reads the request (the log shows a command before it is sent).
        bool frozen = false;
        const QMetaObject::Connection hook =
            connect(engine(), &DebuggerEngine::logMessage, this, [this, proxy, &frozen](const QString &line) {
                if (!frozen && line.startsWith(QLatin1Char('>')) && line.contains(QLatin1String("fetchVariable"))
                    && proxy->inspector().isPending())
                    frozen = signalEngineGdb(engine(), SIGSTOP);
            });
        // The detail switched off and on again: the frames are queried anew.
        detail->trigger();
        detail->trigger();
        QVERIFY(detail->isChecked());
        m_session.window()->stackView()->viewport()->update();
        QTRY_VERIFY_WITH_TIMEOUT(frozen, 30000);
        disconnect(hook);
        QVERIFY(proxy->inspector().isPending());
        // The frames' arguments of this session are in.
        QVERIFY(!KorvanDebugger::Internal::FramesDB::instance().isEmpty());

        QVERIFY(signalEngineGdb(engine(), SIGKILL));
        QTRY_COMPARE_WITH_TIMEOUT(engine()->state(), int(DebuggerFinished), 30000);
        QVERIFY(!proxy->inspector().isPending());
        QVERIFY(proxy->inames().isEmpty());
        QVERIFY(proxy->prettyValues().isEmpty());
        QCOMPARE(proxy->rowCount(), 0);
        QVERIFY(!analysis->isEnabled());
        // No argument of the ended program waits to be shown under the
        // frames of the next session.
        QVERIFY(KorvanDebugger::Internal::FramesDB::instance().isEmpty());
    }

    void aNewSessionShowsItsOwnValues()
    {
        // The views are the next session's again.
        QString error;
        QVERIFY2(m_session.restart(&error), qPrintable(error));
        QVERIFY(Host::watchTreeText(m_session.watchView()->model(), QStringLiteral("local"))
                    .contains(QLatin1String("top = ")));
        QVERIFY(m_session.window()->stackView()->model()->rowCount() > 0);
        Inspector inspector;
        QSignalSpy received(&inspector, &Inspector::dataReceived);
        inspector.addWatch("net->_name");
        inspector.flushRequests();
        QVERIFY(received.wait(60000));
        QVERIFY(inspector.valueOf("net->_name").isValid());
    }

    void cleanupTestCase()
    {
        m_session.shutdown();
    }
};

QTEST_MAIN(TestGdbDeath)
#include "tst_gdbdeath.moc"
