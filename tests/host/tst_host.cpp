#include "common/testenvironment.h"

#include <coreplugin/icore.h>
#include "common/unexpecteddialogs.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/progressmanager/progressmanager.h>
#include <debugger/debuggerconstants.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>
#include <protocol/debuggercommand.h>
#include <protocol/gdbmi.h>

#include <QAction>
#include <QJsonArray>
#include <QJsonObject>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QToolButton>

#include <QSignalSpy>
#include <QtTest>

class TestHost : public QObject
{
    Q_OBJECT

private slots:
    void unscriptedDialogsFailTheTest()
    {
        // Every test starts with the presenter that fails on any box.
        QVERIFY(dynamic_cast<UnexpectedDialogs *>(Host::dialogPresenter()));
        {
            Host::ScriptedDialogs scripted;
            QCOMPARE(Host::dialogPresenter(), &scripted);
        }
        QVERIFY(dynamic_cast<UnexpectedDialogs *>(Host::dialogPresenter()));
    }

    void scriptedDialogsRecordAndAnswer()
    {
        Host::DialogPresenter *original = Host::dialogPresenter();
        {
            Host::ScriptedDialogs outer;
            {
                Host::ScriptedDialogs inner;
                QCOMPARE(Host::dialogPresenter(), &inner);
                inner.buttonAnswers << QMessageBox::No;
                inner.fileAnswers << QStringLiteral("/tmp/a.conf");
                QCOMPARE(Host::question(nullptr, "T", "Sure?"), QMessageBox::No);
                // Unscripted: the default button, else Ok, else the lowest button.
                QCOMPARE(Host::question(nullptr, "T", "Again?", QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
                         QMessageBox::No);
                QCOMPARE(Host::critical(nullptr, "C", "bad"), QMessageBox::Ok);
                QCOMPARE(Host::warning(nullptr, "W", "hm", QMessageBox::Save | QMessageBox::Cancel),
                         QMessageBox::Save);
                QCOMPARE(Host::getOpenFileName(nullptr, "Open", "/dir", "Conf (*.conf)"), QStringLiteral("/tmp/a.conf"));
                QCOMPARE(Host::getSaveFileName(nullptr, "Save"), QString()); // as if cancelled

                QCOMPARE(inner.messages.size(), 4);
                QCOMPARE(inner.messages.at(2).icon, QMessageBox::Critical);
                QCOMPARE(inner.messages.at(2).title, QStringLiteral("C"));
                QCOMPARE(inner.messages.at(2).text, QStringLiteral("bad"));
                QCOMPARE(inner.fileRequests.size(), 2);
                QCOMPARE(inner.fileRequests.at(0).kind, Host::FileDialogKind::Open);
                QCOMPARE(inner.fileRequests.at(0).filter, QStringLiteral("Conf (*.conf)"));
                QCOMPARE(inner.fileRequests.at(1).kind, Host::FileDialogKind::Save);
                QVERIFY(outer.messages.isEmpty());
            }
            QCOMPARE(Host::dialogPresenter(), &outer);
        }
        QCOMPARE(Host::dialogPresenter(), original);
    }

    void settingsLiveWhereTheTestSaysAndPersist()
    {
        TestEnvironment env;
        QVERIFY(Core::ICore::settingsFile().startsWith(env.path()));
        Core::ICore::settings()->setValue(QStringLiteral("Group/Key"), 42);
        QSignalSpy saved(Core::ICore::instance(), &Core::ICore::saveSettingsRequested);
        Core::ICore::saveSettings();
        QCOMPARE(saved.count(), 1);
        QSettings reread(Core::ICore::settingsFile(), QSettings::IniFormat);
        QCOMPARE(reread.value(QStringLiteral("Group/Key")).toInt(), 42);

        QSignalSpy requested(Core::ICore::instance(), &Core::ICore::optionsDialogRequested);
        QVERIFY(Core::ICore::showOptionsDialog("ZZ.Page"));
        QCOMPARE(requested.count(), 1);
        QCOMPARE(Core::ICore::lastOptionsPageRequested(), QByteArray("ZZ.Page"));
    }

    void progressTasksShowInTheStatusBarWidgetUntilTheyEnd()
    {
        QWidget *view = Core::ProgressManager::statusBarWidget();
        QCOMPARE(Core::ProgressManager::statusBarWidget(), view);
        QFutureInterface<void> work;
        work.setProgressRange(0, 10);
        QSignalSpy started(Core::ProgressManager::instance(), &Core::ProgressManager::taskStarted);
        QPointer<Core::FutureProgress> task =
            Core::ProgressManager::addTask(work.future(), QStringLiteral("Working"), "Test.Task");
        QCOMPARE(started.count(), 1);
        QCOMPARE(task->parentWidget(), view);
        QCOMPARE(task->title(), QStringLiteral("Working"));
        QCOMPARE(task->maximum(), 10);
        QVERIFY(Core::ProgressManager::tasks().contains(task));
        work.reportStarted();
        work.setProgressValue(4);
        QTRY_COMPARE(task->value(), 4);
        // The user's cancel button: the future is cancelled and told.
        QSignalSpy canceled(task.data(), &Core::FutureProgress::canceled);
        task->findChild<QToolButton *>()->click();
        QCOMPARE(canceled.count(), 1);
        QVERIFY(work.future().isCanceled());
        QSignalSpy allFinished(Core::ProgressManager::instance(), &Core::ProgressManager::allTasksFinished);
        work.reportFinished();
        QTRY_VERIFY(!task);
        QCOMPARE(allFinished.count(), 1);
        QVERIFY(Core::ProgressManager::tasks().isEmpty());

        // A task that ends reaches its maximum; one kept on finish stays
        // until the user closes it.
        QFutureInterface<void> kept;
        kept.setProgressRange(0, 3);
        kept.reportStarted();
        QPointer<Core::FutureProgress> keptTask = Core::ProgressManager::addTask(
            kept.future(), QStringLiteral("Kept"), "Test.Task", Core::ProgressManager::KeepOnFinish);
        QCOMPARE(keptTask->keepOnFinish(), Core::FutureProgress::KeepOnFinishTillUserInteraction);
        kept.reportFinished();
        QTRY_VERIFY(keptTask->isFinished());
        QCOMPARE(keptTask->value(), 3);
        QVERIFY(!keptTask->isCanceled());
        QTest::qWait(700);
        QVERIFY(keptTask);
        keptTask->cancel();
        QTRY_VERIFY(!keptTask);
    }

    void watchedExpressionsAreNamedUpdatedAndRemovedByIName()
    {
        using namespace Debugger::Internal;
        WatchHandler handler;
        QSignalSpy changed(&handler, &WatchHandler::watchersChanged);
        handler.watchExpression(QStringLiteral("(Gate *) 0x1234"), QStringLiteral("and1"));
        handler.watchExpression(QString());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(handler.watchedExpressions(), QStringList{QStringLiteral("(Gate *) 0x1234")});
        DebuggerCommand command("fetchVariable");
        handler.appendWatchersAndTooltipRequests(&command);
        const QJsonObject watcher = command.args.toObject().value("watchers").toArray().first().toObject();
        QCOMPARE(watcher.value("iname").toString(), QStringLiteral("watch.0"));
        QCOMPARE(QByteArray::fromHex(watcher.value("exp").toString().toLatin1()), QByteArray("(Gate *) 0x1234"));

        // The dumper's answer: the item shows under the given name.
        GdbMi answer;
        answer.fromStringMultiple("data=[{iname=\"watch.0\",name=\"(Gate *) 0x1234\",exp=\"(Gate *) 0x1234\","
                                  "value=\"and1\",type=\"Gate *\",numchild=\"1\",children=[{iname=\"watch.0.x\","
                                  "name=\"x\",value=\"1\",type=\"int\",numchild=\"0\"}]},"
                                  "{iname=\"inspect.3\",name=\"e\",exp=\"e\",value=\"2\",type=\"int\",numchild=\"0\"}]");
        handler.insertItems(answer["data"], false);
        WatchModel *model = handler.model();
        const QModelIndex watched = model->indexForIName(QStringLiteral("watch.0"));
        QVERIFY(watched.isValid());
        QCOMPARE(watched.data().toString(), QStringLiteral("and1"));
        QCOMPARE(watched.data(LocalsRawExpressionRole).toString(), QStringLiteral("(Gate *) 0x1234"));
        QCOMPARE(model->indexForIName(QStringLiteral("watch.0.x")).data().toString(), QStringLiteral("x"));

        // Removal by internal name: an inspected item, then a watched one.
        handler.removeItemByIName(QStringLiteral("inspect.3"));
        QVERIFY(!model->indexForIName(QStringLiteral("inspect.3")).isValid());
        QCOMPARE(changed.count(), 1);
        handler.removeItemByIName(QStringLiteral("watch.0"));
        QVERIFY(!model->indexForIName(QStringLiteral("watch.0")).isValid());
        QVERIFY(handler.watchedExpressions().isEmpty());
        QCOMPARE(changed.count(), 2);
        // Roots and unknown names stay as they are.
        handler.removeItemByIName(QStringLiteral("watch"));
        handler.removeItemByIName(QStringLiteral("local.nothing"));
        QCOMPARE(model->rowCount(), 3);
    }

    void anOpeningAsksOnceUntilItsUpdateComes()
    {
        using namespace Debugger::Internal;
        WatchHandler handler;
        WatchModel *model = handler.model();
        GdbMi answer;
        answer.fromStringMultiple("data=[{iname=\"local.list\",name=\"list\",value=\"<2 items>\",type=\"L\","
                                  "numchild=\"2\"},{iname=\"local.map\",name=\"map\",value=\"<1 items>\","
                                  "type=\"M\",numchild=\"1\"}]");
        handler.insertItems(answer["data"], true);
        const QModelIndex list = model->indexForIName(QStringLiteral("local.list"));
        const QModelIndex map = model->indexForIName(QStringLiteral("local.map"));
        QVERIFY(model->canFetchMore(list) && model->canFetchMore(map));
        QSignalSpy fetches(model, &WatchModel::fetchRequested);
        // The view asks again and again while the children are on their way.
        model->fetchMore(list);
        model->fetchMore(list);
        model->fetchMore(map);
        model->fetchMore(list);
        QCOMPARE(fetches.count(), 2);
        QCOMPARE(fetches.at(0).first().toString(), QStringLiteral("local.list"));
        QCOMPARE(fetches.at(1).first().toString(), QStringLiteral("local.map"));
        QVERIFY(handler.expandedINames().contains(QStringLiteral("local.list")));
        // The update came without them: a new opening asks again.
        handler.notifyUpdateFinished();
        model->fetchMore(list);
        QCOMPARE(fetches.count(), 3);
        // So does one after the session ended.
        handler.cleanup();
        handler.insertItems(answer["data"], true);
        model->fetchMore(model->indexForIName(QStringLiteral("local.list")));
        QCOMPARE(fetches.count(), 4);
    }

    void unregisteredCommandsLeaveTheirMenus()
    {
        QMenu menu;
        Core::ActionContainer *container = Core::ActionManager::createMenu("Test.Menu", &menu);
        QAction *separator = container->addSeparator(Core::Id());
        QVERIFY(separator && separator->isSeparator());
        QAction action(QStringLiteral("Entry"), nullptr);
        const Core::Id id = Core::Id::fromSetting(QStringLiteral("Test.Entry.top"));
        QCOMPARE(id, Core::Id("Test.Entry.top"));
        Core::Command *command = Core::ActionManager::registerAction(&action, id, Core::Context(Core::Id("Ctx")));
        QVERIFY(command);
        container->addAction(command, "QtCreator.Group.Default.Three");
        QCOMPARE(menu.actions().last(), &action);
        // Another action under the same id is no way to remove it.
        QAction other;
        Core::ActionManager::unregisterAction(&other, id);
        QVERIFY(menu.actions().contains(&action));
        Core::ActionManager::unregisterAction(&action, id);
        QVERIFY(!menu.actions().contains(&action));
        QVERIFY(!Core::ActionManager::command(id));
        Core::ActionManager::reset();
    }

    void sessionEndStatesKeepTheirNumbers()
    {
        using namespace Debugger::Internal;
        // Plug-ins compare these numbers: the program's shutdown, then GDB's.
        const int states[] = {InferiorExitOk, InferiorShutdownRequested, InferiorShutdownFailed, InferiorShutdownOk,
                              EngineShutdownRequested, EngineShutdownFailed, EngineShutdownOk, DebuggerFinished};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(states[i], 16 + i);
        QCOMPARE(QByteArray(stateName(EngineShutdownFailed)), QByteArray("EngineShutdownFailed"));
        QCOMPARE(QByteArray(stateName(DebuggerFinished)), QByteArray("DebuggerFinished"));
        QCOMPARE(QByteArray(stateName(24)), QByteArray("UnknownState"));
    }
};

QTEST_MAIN(TestHost)
#include "tst_host.moc"
