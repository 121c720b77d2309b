// The plug-in library in the stand-in host, loaded the way the host loads
// it (QPluginLoader from the build's plug-in folder): its metadata, the
// three start-up calls with the delayed start-up steps A to H, and shutdown.

#include "common/unexpecteddialogs.h"
#include "hostfixture.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/icore.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <extensionsystem/iplugin.h>
#include <hostwindow.h>
#include <pluginmanager.h>
#include <utils/savedaction.h>

#include <QBoxLayout>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QPluginLoader>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QToolButton>
#include <QHeaderView>
#include <QTreeView>
#include <QtTest>

namespace {
QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString pluginFile = QStringLiteral(KORVAN_PLUGIN_DIR "/libKorvanDebugger.so");

QStringList startupLines;
QtMessageHandler previousHandler = nullptr;
void captureStartup(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (qstrcmp(context.category, "korvan.plugin.startup") == 0)
        startupLines << text;
    else if (previousHandler)
        previousHandler(type, context, text);
}
} // namespace

class TestHostPlugin : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.filePath("config"));
        Core::ICore::setSettingsFile(m_config.filePath("host.ini"));
        QLoggingCategory::setFilterRules(QStringLiteral("korvan.plugin.startup.debug=true"));
        previousHandler = qInstallMessageHandler(captureStartup);
    }

    void metadataNamesThePluginAndItsDependencies()
    {
        QPluginLoader loader(pluginFile);
        const QJsonObject metaData = loader.metaData();
        QCOMPARE(metaData.value("IID").toString(), QStringLiteral("org.qt-project.Qt.QtCreatorPlugin"));
        QCOMPARE(metaData.value("className").toString(), QStringLiteral("KorvanDebuggerPlugin"));
        const QJsonObject data = metaData.value("MetaData").toObject();
        QCOMPARE(data.value("Name").toString(), QStringLiteral("KorvanDebugger"));
        QCOMPARE(data.value("Version").toString(), QStringLiteral("2.0.1"));
        QCOMPARE(data.value("CompatVersion").toString(), QStringLiteral("2.0.1"));
        QCOMPARE(data.value("Dependencies").toArray(),
                 (QJsonArray{QJsonObject{{"Name", "Debugger"}, {"Version", "3.6.1"}},
                             QJsonObject{{"Name", "PythonEditor"}, {"Version", "3.6.1"}}}));
        QVERIFY2(loader.load(), qPrintable(loader.errorString()));
        // The entry returns one object for as long as it lives.
        QObject *first = loader.instance();
        QVERIFY(qobject_cast<ExtensionSystem::IPlugin *>(first));
        QCOMPARE(QPluginLoader(pluginFile).instance(), first);
        QCOMPARE(first->metaObject()->className(), "KorvanDebugger::Internal::KorvanDebuggerPlugin");
        delete first;
        // After the object is gone the entry makes a new one.
        QObject *second = loader.instance();
        QVERIFY(qobject_cast<ExtensionSystem::IPlugin *>(second));
        delete second;
    }

    void startupGraftsThePluginOntoTheDebuggerWindow()
    {
        Host::HostWindow window;
        QTreeView *secondStack = new QTreeView(window.debuggerWindow());
        QStandardItemModel fiveColumns(0, 5);
        secondStack->setModel(&fiveColumns);
        // Before any session the host's stack view already has its five columns.
        QCOMPARE(window.stackView()->header()->count(), 5);

        QToolButton *reverseButton = nullptr;
        QToolButton *byInstructionButton = nullptr;
        for (QToolButton *button : window.debuggerWindow()->findChildren<QToolButton *>()) {
            if (button->defaultAction() == commandAction("Debugger.ReverseDirection"))
                reverseButton = button;
            if (button->defaultAction() == commandAction("Debugger.OperateByInstruction"))
                byInstructionButton = button;
        }
        QVERIFY(reverseButton && byInstructionButton);
        QPointer<QAction> hostReverse = commandAction("Debugger.ReverseDirection");
        auto layout = qobject_cast<QBoxLayout *>(byInstructionButton->parentWidget()->layout());
        const int i = layout->indexOf(byInstructionButton);

        startupLines.clear();
        window.loadPlugins(KORVAN_PLUGIN_DIR);
        QVERIFY2(window.pluginManager()->errors().isEmpty(), qPrintable(window.pluginManager()->errors().join('\n')));
        QCOMPARE(window.pluginManager()->plugins().size(), 1);
        QCOMPARE(window.pluginManager()->plugins().first().name, QStringLiteral("KorvanDebugger"));
        // extensionsInitialized handed the options page over.
        const QList<QObject *> objects = window.pluginManager()->allObjects();
        QCOMPARE(objects.size(), 1);
        QVERIFY(objects.first()->inherits("Core::IOptionsPage"));

        Core::ICore *core = Core::ICore::instance();
        window.delayedInitialize();

        // The steps ran in their order.
        QStringList steps;
        for (const QString &line : qAsConst(startupLines))
            steps << line.left(1);
        QCOMPARE(steps, (QStringList{"A", "B", "C", "D", "E", "F", "G", "H"}));
        QCOMPARE(startupLines.at(0), QStringLiteral("A: debugger window found"));
        QCOMPARE(startupLines.at(1), QStringLiteral("B: 1 watch view(s)"));
        QCOMPARE(startupLines.at(2), QStringLiteral("C: 2 stack view(s)"));
        QCOMPARE(startupLines.at(3), QStringLiteral("D: 1 debugger log editor(s)"));
        // Continue, Stop, Interrupt, StepLine, StepOut, NextLine, Reset; the
        // host's reverse direction is gone by then.
        QCOMPARE(startupLines.at(6), QStringLiteral("G: 7 run-control command(s) connected"));

        // B, C: the plug-in's delegates, the last 5-section view's kept.
        QCOMPARE(window.watchView()->itemDelegate()->metaObject()->className(),
                 "KorvanDebugger::Internal::KorvanDebuggerWatchDelegate");
        QCOMPARE(window.stackView()->itemDelegate()->metaObject()->className(),
                 "KorvanDebugger::Internal::KorvanDebuggerStackDelegate");
        QCOMPARE(secondStack->itemDelegate()->metaObject()->className(),
                 "KorvanDebugger::Internal::KorvanDebuggerStackDelegate");

        // E: the host's reverse button and action are hidden, not deleted,
        // and the id is free.
        QVERIFY(hostReverse);
        QVERIFY(!hostReverse->isVisible());
        QVERIFY(reverseButton->isHidden());
        QVERIFY(!Core::ActionManager::command("Debugger.ReverseDirection"));

        // F: the controls beside the operate-by-instruction button.
        const QStringList ids{"Korvan.Debugger.ReverseContinue", "Korvan.Debugger.ReverseStepOver",
                              "Korvan.Debugger.ReverseStepIn", "Korvan.Debugger.ReverseStepOut"};
        QVERIFY(qobject_cast<QFrame *>(layout->itemAt(i + 1)->widget()));
        for (int n = 0; n < ids.size(); ++n) {
            Core::Command *command = Core::ActionManager::command(ids.at(n).toLatin1().constData());
            QVERIFY2(command, qPrintable(ids.at(n)));
            QCOMPARE(command->context().id().name(), QByteArray("Gdb Debugger"));
            QVERIFY(!command->action()->isEnabled());
            QCOMPARE(command->hasAttribute(Core::Command::CA_UpdateText), n > 0);
            auto button = qobject_cast<QToolButton *>(layout->itemAt(i + 2 + n)->widget());
            QVERIFY(button);
            QCOMPARE(button->defaultAction(), command->action());
        }
        QCOMPARE(Core::ActionManager::command("Korvan.Debugger.ReverseContinue")->defaultKeySequence(),
                 QKeySequence(QStringLiteral("Alt+F5")));
        QCOMPARE(Core::ActionManager::command("Korvan.Debugger.ReverseStepOut")->defaultKeySequence(),
                 QKeySequence(QStringLiteral("Alt+Shift+F11")));
        QVERIFY(qobject_cast<QLabel *>(layout->itemAt(i + 7)->widget()));
        auto combo = qobject_cast<QComboBox *>(layout->itemAt(i + 8)->widget());
        QVERIFY(combo && combo->isEditable());
        QCOMPARE(combo->itemText(0), QStringLiteral("Record Mode"));
        QCOMPARE(combo->insertPolicy(), QComboBox::InsertAtTop);
        QAction *analysis = commandAction("Korvan.Debugger.AnalyzeStack");
        QAction *detail = commandAction("Korvan.Debugger.StackDetail");
        QVERIFY(analysis && detail);
        QCOMPARE(qobject_cast<QToolButton *>(layout->itemAt(i + 10)->widget())->defaultAction(), analysis);
        QCOMPARE(qobject_cast<QToolButton *>(layout->itemAt(i + 11)->widget())->defaultAction(), detail);
        QVERIFY(!analysis->isEnabled());
        QVERIFY(detail->isCheckable() && detail->isChecked() && detail->isEnabled());
        QCOMPARE(layout->indexOf(byInstructionButton), i);

        // The Debug menu: the reverse actions and two separators in front
        // of operate-by-instruction, the stack actions at the end.
        QMenu *menu = Core::ActionManager::actionContainer("ProjectExplorer.Menu.Debug")->menu();
        const QList<QAction *> entries = menu->actions();
        const int at = entries.indexOf(commandAction("Debugger.OperateByInstruction"));
        QVERIFY(at >= 6);
        for (int n = 0; n < 4; ++n)
            QCOMPARE(entries.at(at - 6 + n), commandAction(ids.at(n).toLatin1().constData()));
        QVERIFY(entries.at(at - 2)->isSeparator() && entries.at(at - 1)->isSeparator());
        QCOMPARE(entries.at(entries.size() - 2), analysis);
        QCOMPARE(entries.last(), detail);

        // G: a run-control command resets the graph data (the stack
        // analysis waits for new frames); others do not.
        analysis->setEnabled(true);
        commandAction("Debugger.OperateByInstruction")->trigger();
        QVERIFY(analysis->isEnabled());
        commandAction("Debugger.Continue")->trigger();
        QVERIFY(!analysis->isEnabled());

        // H: the options dialog takes the private block out of the start-up
        // commands; what the user wrote stays.
        Utils::SavedAction *startup = Debugger::Internal::action(Debugger::Internal::GdbStartupCommands);
        const QString userCommands = QStringLiteral("set print pretty on");
        startup->setValue(QString(userCommands + QStringLiteral("\npython\n#PRIVATESTART\nprint(1)\n#PRIVATEEND\nend\n")));
        emit core->optionsDialogRequested();
        QCOMPARE(startup->value().toString(), userCommands);

        // Shutdown: the block is out again and the settings are saved.
        startup->setValue(QString(userCommands + QStringLiteral("\npython\n#PRIVATESTART\nprint(2)\n#PRIVATEEND\nend\n")));
        QSignalSpy saved(core, &Core::ICore::saveSettingsRequested);
        window.shutdown();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(startup->value().toString(), userCommands);
        QVERIFY(window.pluginManager()->plugins().isEmpty());
        // The host's own controls survive the plug-in.
        QVERIFY(hostReverse);
        secondStack->setModel(nullptr);
    }

    void aToolBarWithoutOperateByInstructionGetsNoControls()
    {
        Host::HostWindow window;
        // A host whose tool bar lacks the button (and whose Debug menu has no entry).
        for (QToolButton *button : window.debuggerWindow()->findChildren<QToolButton *>())
            if (button->defaultAction() == commandAction("Debugger.OperateByInstruction"))
                delete button;
        startupLines.clear();
        window.loadPlugins(KORVAN_PLUGIN_DIR);
        window.delayedInitialize();
        QVERIFY(!Core::ActionManager::command("Korvan.Debugger.ReverseContinue"));
        QVERIFY(!Core::ActionManager::command("Korvan.Debugger.AnalyzeStack"));
        QVERIFY(window.debuggerWindow()->findChildren<QComboBox *>().isEmpty());
        // Delegates and run-control connections are still made.
        QCOMPARE(window.stackView()->itemDelegate()->metaObject()->className(),
                 "KorvanDebugger::Internal::KorvanDebuggerStackDelegate");
        QVERIFY(startupLines.contains(QStringLiteral("G: 7 run-control command(s) connected")));
        QVERIFY(!startupLines.join('|').contains(QLatin1String("F:")));
        window.shutdown();
    }

    void withoutDebuggerWindowOnlyTheSettingsSignalsAreTied()
    {
        Host::HostWindow window;
        Debugger::Internal::setMainWindow(nullptr);
        startupLines.clear();
        window.loadPlugins(KORVAN_PLUGIN_DIR);
        window.delayedInitialize();
        QCOMPARE(startupLines, (QStringList{"A: debugger window missing", "H: settings signals connected"}));
        QCOMPARE(window.watchView()->itemDelegate()->metaObject()->className(), "QStyledItemDelegate");
        QVERIFY(Core::ActionManager::command("Debugger.ReverseDirection"));
        window.shutdown();
    }

    // What the host writes at exit: the start-up commands without the
    // plug-in's printers (it takes them out at shutdown), nothing saved for
    // the settings dialog's entry, and a stray entry of that kind from an
    // earlier version gone without taking the other settings with it.
    void theSavedStartupCommandsAreTheUsersOwn()
    {
        const QString file = m_config.filePath(QStringLiteral("exit.ini"));
        Core::ICore::setSettingsFile(file);
        const QString user = QStringLiteral("set print pretty on");
        {
            QSettings *settings = Core::ICore::settings();
            settings->setValue(QStringLiteral("DebugMode"), QVariant());
            settings->setValue(QStringLiteral("DebugMode/GdbStartupCommands"), user);
            settings->setValue(QStringLiteral("DebugMode/MaximalStringLength"), 2000);
            settings->setValue(QStringLiteral("DebugMode/KeptForALaterVersion"), QStringLiteral("kept"));
            settings->sync();
            QVERIFY(fileText(file).contains("DebugMode=@Invalid()"));
        }
        Utils::SavedAction *startup = Debugger::Internal::action(Debugger::Internal::GdbStartupCommands);
        {
            Host::HostWindow window;
            QCOMPARE(startup->value().toString(), user);
            window.loadPlugins(KORVAN_PLUGIN_DIR);
            window.delayedInitialize();
            // While the host runs, the setting holds the printers.
            QTRY_VERIFY(startup->value().toString().startsWith(user + QLatin1String("\npython\n#PRIVATESTART\n")));
            window.shutdown();
        }
        const QByteArray text = fileText(file);
        QVERIFY2(!text.contains("@Invalid"), text.constData());
        QVERIFY2(!text.contains("PRIVATE"), text.constData());
        QSettings saved(file, QSettings::IniFormat);
        QVERIFY(!saved.contains(QStringLiteral("DebugMode")));
        QCOMPARE(saved.value(QStringLiteral("DebugMode/GdbStartupCommands")).toString(), user);
        QCOMPARE(saved.value(QStringLiteral("DebugMode/MaximalStringLength")).toInt(), 2000);
        QCOMPARE(saved.value(QStringLiteral("DebugMode/KeptForALaterVersion")).toString(), QStringLiteral("kept"));
        QVERIFY(saved.contains(QStringLiteral("DebugMode/UseDebuggingHelper")));
        Debugger::Internal::action(Debugger::Internal::MaximalStringLength)->setValue(10000, false);
        startup->setValue(QString(), false);
        Core::ICore::setSettingsFile(m_config.filePath("host.ini"));
    }

    void aPluginWithUnmetDependenciesIsLeftOut()
    {
        Host::PluginManager manager;
        manager.loadPlugins(m_config.filePath("no-such-folder"));
        QCOMPARE(manager.errors().size(), 1);
        QVERIFY(manager.errors().first().contains(QLatin1String("does not exist")));
        QVERIFY(manager.plugins().isEmpty());
    }

    void cleanupTestCase()
    {
        qInstallMessageHandler(previousHandler);
        Core::ICore::setSettingsFile(QString());
    }
};

QTEST_MAIN(TestHostPlugin)
#include "tst_hostplugin.moc"
