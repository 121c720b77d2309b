// The options page in the stand-in IDE's options dialog, and the road of a
// printer error end to end: real GDB runs a built-in model that a broken
// copy replaces, the plug-in hears of the error, the options dialog opens
// on the page, the class list selects the model and the wizards walk to the
// faulty row, which shows GDB's message.

#include "common/misession.h"
#include "common/scriptgeneration.h"
#include "common/testenvironment.h"
#include "configuration/document.h"
#include "configuration/keys.h"
#include "editor/configurationlist.h"
#include "editor/wizardsupport.h"
#include "editor/korvandebuggeroptions.h"
#include "editor/tipbutton.h"
#include "plugin/korvandebuggerplugin.h"
#include "plugin/privateblock.h"
#include "pluginsession.h"

#include <coreplugin/icore.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <dialogs/dialogs.h>
#include <utils/savedaction.h>

#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeView>
#include <QWidgetAction>
#include <QtTest>

#include <memory>

using namespace KorvanDebugger;
using namespace KorvanDebugger::Configuration;
using Debugger::Internal::GdbEngine;
using KorvanDebugger::Internal::KorvanDebuggerOptions;
using KorvanDebugger::Internal::KorvanDebuggerPlugin;

namespace {

constexpr int ArrayPage = 3;
const char pageId[] = "ZZ.Korvan.Debugger.Classes";

QString sourceRoot()
{
    return PluginSession::sourceRoot();
}

QString templateType(const QJsonObject &definition)
{
    return definition.value(Key::className).toObject().value(Key::TemplateType).toString();
}

// The built-in set with its std::vector model replaced by the broken copy
// of the fixture.
QJsonObject builtInSetWithBrokenVector(QJsonObject *broken)
{
    QJsonObject set = readJsonFile(sourceRoot() + QStringLiteral("/resources/PrettyPrinters.conf"));
    *broken = readJsonFile(sourceRoot() + QStringLiteral("/tests/fixtures/brokenvector.conf"))
                  .value(Key::classes)
                  .toArray()
                  .first()
                  .toObject();
    QJsonArray classes = set.value(Key::classes).toArray();
    int replaced = 0;
    for (int i = 0; i < classes.size(); ++i) {
        const QJsonObject definition = classes.at(i).toObject();
        if (templateType(definition) == templateType(*broken)
            && definition.value(Key::group) == broken->value(Key::group)) {
            classes[i] = *broken;
            ++replaced;
        }
    }
    set.insert(Key::classes, classes);
    return replaced == 1 ? set : QJsonObject();
}

QPushButton *dialogButton(QDialog *dialog, QDialogButtonBox::StandardButton which)
{
    auto box = dialog->findChild<QDialogButtonBox *>();
    return box ? box->button(which) : nullptr;
}

// What the plug-in logs about model errors it does not hand over again.
QStringList repeatedErrors;
QtMessageHandler previousHandler = nullptr;

void recordRepeatedErrors(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qstrcmp(context.category, "korvan.plugin.errors") == 0)
        repeatedErrors << message;
    previousHandler(type, context, message);
}

} // namespace

class TestErrorRoad : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PluginSession> m_session;
    QJsonObject m_broken;
    QMap<QByteArray, int> m_markers;

    KorvanDebuggerOptions *page() const { return m_session->plugin()->optionsPage(); }
    QJsonObject &document() const { return *KorvanDebuggerPlugin::getConfiguration(); }
    QString locals() const { return m_session->locals(); }
    static QString startupCommands() { return PluginSession::startupCommands(); }
    bool isEnabled(const QString &group, const QString &type) const
    {
        for (const QJsonValue &entry : document().value(Key::classes).toArray()) {
            const QJsonObject definition = entry.toObject();
            if (definition.value(Key::group).toString() == group && templateType(definition) == type)
                return definition.value(Key::enable).toBool(true);
        }
        return false;
    }
    // Unchecks a class in the open page's list, as the user does.
    bool uncheck(const QString &group, const QString &type) const
    {
        ClassList *list = page()->classList();
        if (!list)
            return false;
        const int row = list->classModel()->findEntry(group, type);
        return row != -1
               && list->model()->setData(list->model()->entryIndex(row), Qt::Unchecked, Qt::CheckStateRole);
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<PythonError>();
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("gdb")).isEmpty(), "gdb is needed");
        m_session.reset(new PluginSession);
        QVERIFY2(buildFixture(sourceRoot() + QStringLiteral("/tests/fixtures/errorroad.cpp"),
                              m_session->buildPath(QStringLiteral("errorroad")), &m_markers),
                 "the fixture does not build");

        // The user's models: the built-in set, its std::vector model
        // replaced by a broken copy. Debug mode makes the printers report.
        TestEnvironment::setDebugMode(true);
        const QJsonObject models = builtInSetWithBrokenVector(&m_broken);
        QVERIFY(!models.isEmpty());
        QVERIFY(saveConfigurationFile(models, Key::prettyPrintersDocument));

        // The host's own options dialog stays in place.
        QString error;
        QVERIFY2(m_session->startHost(&error), qPrintable(error));
    }

    void theOptionsDialogAppliesLikeTheIde()
    {
        Host::ScriptedDialogs dialogs;
        const QString group = QStringLiteral("boost (1_60)");
        QVERIFY(isEnabled(group, "boost::rational") && isEnabled(group, "boost::optional"));

        // Cancel: the page's widget is built and finished, nothing applied.
        QPointer<QWidget> shown;
        dialogs.dialogScripts << [&](QDialog *dialog) {
            auto tabs = dialog->findChild<QTabWidget *>();
            QVERIFY(tabs);
            shown = tabs->currentWidget();
            QCOMPARE(shown.data(), page()->widget());
            QCOMPARE(tabs->tabText(tabs->currentIndex()), QStringLiteral("Korvan Plugin"));
            QVERIFY(uncheck(group, "boost::rational"));
            dialogButton(dialog, QDialogButtonBox::Cancel)->click();
        };
        QVERIFY(!Core::ICore::showOptionsDialog(pageId));
        QCOMPARE(dialogs.dialogs, QStringList{"QDialog"});
        QVERIFY(!shown);
        QVERIFY(!page()->classList());
        QVERIFY(isEnabled(group, "boost::rational"));

        // Apply takes effect at once; a later Cancel does not undo it, and
        // drops only what came after.
        dialogs.dialogScripts << [&](QDialog *dialog) {
            QVERIFY(uncheck(group, "boost::rational"));
            dialogButton(dialog, QDialogButtonBox::Apply)->click();
            QVERIFY(!isEnabled(group, "boost::rational"));
            QVERIFY(dialog->isVisible());
            QVERIFY(uncheck(group, "boost::optional"));
            dialogButton(dialog, QDialogButtonBox::Cancel)->click();
        };
        QVERIFY(!Core::ICore::showOptionsDialog(pageId));
        QVERIFY(!isEnabled(group, "boost::rational"));
        QVERIFY(isEnabled(group, "boost::optional"));

        // OK applies, then closes the page.
        dialogs.dialogScripts << [&](QDialog *dialog) {
            QVERIFY(uncheck(group, "boost::optional"));
            dialogButton(dialog, QDialogButtonBox::Ok)->click();
        };
        QVERIFY(Core::ICore::showOptionsDialog(pageId));
        QVERIFY(!isEnabled(group, "boost::optional"));
        QVERIFY(!page()->classList());
        const QJsonObject saved = readJsonFile(configurationFilePath(Key::prettyPrintersDocument));
        QCOMPARE(saved, document());

        // A second request while the dialog is open only turns to the page.
        dialogs.dialogScripts << [&](QDialog *dialog) {
            QVERIFY(!Core::ICore::showOptionsDialog(pageId));
            QVERIFY(dialog->isVisible());
            dialogButton(dialog, QDialogButtonBox::Cancel)->click();
        };
        QVERIFY(!Core::ICore::showOptionsDialog(pageId));
        QCOMPARE(dialogs.dialogs.size(), 4);
        QVERIFY(dialogs.messages.isEmpty());
        // The host saved its settings on closing: the printers are stored
        // again for the next session.
        QTRY_VERIFY(startupCommands().contains(QLatin1String("#PRIVATESTART")));
    }

    void aPrinterErrorLeadsToTheFaultyRow()
    {
        Host::ScriptedDialogs dialogs;
        bool optionsChecked = false, classChecked = false, fieldChecked = false;
        bool firstClassClosed = false, firstFieldClosed = false;
        QString tip;
        const QString mendedSize = QStringLiteral("._M_impl._M_finish - ._M_impl._M_start");
        QLoggingCategory::setFilterRules(QStringLiteral("korvan.plugin.errors.info=true"));
        previousHandler = qInstallMessageHandler(recordRepeatedErrors);

        // 0. The first time the user closes everything without mending the
        //    model. Closing the options dialog regenerates the printers and
        //    GDB reports the same error again: it must not bring the dialog
        //    back while the models are the same.
        bool optionsCancelled = false;
        dialogs.dialogScripts << [&](QDialog *dialog) {
            QTRY_VERIFY_WITH_TIMEOUT(firstClassClosed, 30000);
            dialogButton(dialog, QDialogButtonBox::Cancel)->click();
            optionsCancelled = true;
        };
        dialogs.dialogScripts << [&](QDialog *dialog) {
            QCOMPARE(WizardSupport::wizardOf(dialog)->operatingMode(), int(ConfigurationWizard::ClassDefinition));
            QTRY_VERIFY_WITH_TIMEOUT(firstFieldClosed, 30000);
            firstClassClosed = true;
            dialog->reject();
        };
        dialogs.dialogScripts << [&](QDialog *dialog) {
            QCOMPARE(WizardSupport::wizardOf(dialog)->operatingMode(), int(ConfigurationWizard::FieldDefinition));
            firstFieldClosed = true;
            dialog->reject();
        };

        // 1. The options dialog opens on the page, whose class list has
        //    selected and expanded the broken model and edits it. Once the
        //    user has mended it, OK applies.
        dialogs.dialogScripts << [&](QDialog *dialog) {
            ClassList *list = page()->classList();
            QVERIFY(list);
            QCOMPARE(dialog->findChild<QTabWidget *>()->currentWidget(), page()->widget());
            QTRY_VERIFY_WITH_TIMEOUT(fieldChecked && classChecked, 30000);
            QTRY_VERIFY(!list->errorPending());
            optionsChecked = true;
            dialogButton(dialog, QDialogButtonBox::Ok)->click();
        };
        // 2. The class wizard on that model; its field list opened the field
        //    first.
        dialogs.dialogScripts << [&](QDialog *dialog) {
            ConfigurationWizard *wizard = WizardSupport::wizardOf(dialog);
            QCOMPARE(wizard->operatingMode(), int(ConfigurationWizard::ClassDefinition));
            ClassList *list = page()->classList();
            QVERIFY(list->errorPending());
            const int row = list->classModel()->findEntry(QStringLiteral("Std (Common)"), QStringLiteral("std::vector"));
            QCOMPARE(list->currentRow(), row);
            QVERIFY(list->findChild<QTreeView *>()->isExpanded(list->model()->entryIndex(row).parent()));
            QCOMPARE(templateType(wizard->value().toObject()), QStringLiteral("std::vector"));
            QTRY_VERIFY_WITH_TIMEOUT(fieldChecked, 30000);
            const QJsonObject field = wizard->value().toObject().value(Key::fields).toArray().first().toObject();
            QCOMPARE(field.value(Key::arraySize).toObject().value(Key::Field).toString(), mendedSize);
            classChecked = true;
            wizard->finishButton()->click();
        };
        // 3. The field wizard, walked to the array page, where the size row
        //    shows GDB's message in its tip. The user mends the row.
        dialogs.dialogScripts << [&](QDialog *dialog) {
            ConfigurationWizard *wizard = WizardSupport::wizardOf(dialog);
            QCOMPARE(wizard->operatingMode(), int(ConfigurationWizard::FieldDefinition));
            ConfigurationWizard *classWizard = nullptr;
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (widget != dialog && widget->isVisible() && qobject_cast<ConfigurationWizard *>(widget))
                    classWizard = static_cast<ConfigurationWizard *>(widget);
            QVERIFY(classWizard);
            QCOMPARE(classWizard->fieldList()->currentRow(), 0);
            QCOMPARE(wizard->currentPageId(), ArrayPage);
            // Walked on from the start page, as Next would.
            QCOMPARE(wizard->history().value(wizard->history().size() - 1), int(ConfigurationWizard::FieldDefinition));
            AccessorField *size = wizard->accessorRow(ArrayPage, Key::arraySize);
            QVERIFY(size);
            QVERIFY(size->tipButton()->menu());
            QVERIFY(size->tipButton()->isVisible());
            tip = WizardSupport::tipText(size->tipButton());
            for (const QString &key : {Key::arrayBase, Key::cellDefinition, Key::invalidCondition})
                QVERIFY2(!wizard->accessorRow(ArrayPage, key)->tipButton()->menu(), qPrintable(key));
            fieldChecked = true;
            size->input()->textEdit()->setText(mendedSize);
            QVERIFY(wizard->finishButton()->isEnabled());
            wizard->finishButton()->click();
        };

        const int line = m_markers.value("the test stops here");
        QVERIFY(line > 0);
        QString error;
        QVERIFY2(m_session->startDebugging(m_session->buildPath(QStringLiteral("errorroad")),
                                           QStringLiteral("errorroad.cpp:%1").arg(line), &error),
                 qPrintable(error));
        GdbEngine *engine = m_session->engine();

        // The test's ends of waiting, not the product's.
        // The regeneration on closing sends nothing (the models are the
        // same); the next fetch with them, as after a step, reports the
        // same error again.
        bool refetched = false;
        const bool repeated = QTest::qWaitFor([&] {
            if (optionsCancelled && !refetched && engine->state() == Debugger::Internal::InferiorStopOk) {
                refetched = true;
                engine->reloadLocals();
            }
            return !repeatedErrors.isEmpty();
        }, 120000);
        QVERIFY2(repeated, qPrintable(locals()));
        QVERIFY2(repeatedErrors.first().contains(QLatin1String("classes.Std (Common).std::vector.fields")),
                 qPrintable(repeatedErrors.first()));
        QCOMPARE(dialogs.dialogs.size(), 3);
        QVERIFY(document().value(Key::classes).toArray().contains(m_broken));

        // Once the models change, the same error is handed over again.
        QJsonArray classes = document().value(Key::classes).toArray();
        for (int i = 0; i < classes.size(); ++i) {
            QJsonObject definition = classes.at(i).toObject();
            if (templateType(definition) == QLatin1String("boost::rational")) {
                definition.insert(Key::enable, !definition.value(Key::enable).toBool(true));
                classes[i] = definition;
            }
        }
        document().insert(Key::classes, classes);
        m_session->plugin()->parametersChanged();

        const bool reached = QTest::qWaitFor([&] { return optionsChecked; }, 120000);
        qInstallMessageHandler(previousHandler);
        QVERIFY2(reached, qPrintable(locals()));
        QCOMPARE(dialogs.dialogs.mid(3),
                 (QStringList{"QDialog", "KorvanDebugger::Configuration::ConfigurationWizard",
                              "KorvanDebugger::Configuration::ConfigurationWizard"}));
        QVERIFY2(tip.contains(QLatin1String("There is no member named _M_nosuch")), qPrintable(tip));
        QVERIFY2(tip.contains(QLatin1String("Error Description")), qPrintable(tip));
        QVERIFY(dialogs.messages.isEmpty());

        // Applied: the mended model is stored, and the running GDB shows the
        // vector through it without further reports.
        QVERIFY(!QJsonDocument(document()).toJson().contains("_M_nosuch"));
        QVERIFY(!QJsonDocument(readJsonFile(configurationFilePath(Key::prettyPrintersDocument))).toJson().contains("_M_nosuch"));
        QTRY_VERIFY_WITH_TIMEOUT(locals().contains(QLatin1String("  [2] = 3  [int]")), 60000);
        QTest::qWait(500);
        QCOMPARE(dialogs.dialogs.size(), 6);
    }

    // However the user closes the options page that a printer error opened
    // (Cancel, OK, the window's close button), GDB's start-up commands hold
    // the printers again, once, after the user's own commands. The error
    // is the broken model's: GDB calls nothing in the program for it.
    void theStoredPrintersSurviveTheErrorsPage_data()
    {
        QTest::addColumn<int>("closing");
        QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel);
        QTest::newRow("OK") << int(QDialogButtonBox::Ok);
        QTest::newRow("window closed") << int(QDialogButtonBox::NoButton);
    }

    void theStoredPrintersSurviveTheErrorsPage()
    {
        QFETCH(int, closing);
        GdbEngine *engine = m_session->engine();
        QVERIFY(engine);
        QTRY_COMPARE_WITH_TIMEOUT(engine->state(), int(Debugger::Internal::InferiorStopOk), 30000);
        Utils::SavedAction *startup = Debugger::Internal::action(Debugger::Internal::GdbStartupCommands);
        // A command of the user's own in front of the stored block.
        const QString own = QStringLiteral("set print elements 200");
        const QString user = own + KorvanDebugger::Internal::removePrivateBlock(startupCommands());
        startup->setValue(QString(own + startupCommands()));
        QCOMPARE(startupCommands().count(QLatin1String("#PRIVATESTART")), 1);

        Host::ScriptedDialogs dialogs;
        int blocksWhileOpen = -1;
        bool closed = false;
        dialogs.dialogScripts << [&](QDialog *dialog) {
            blocksWhileOpen = startupCommands().count(QLatin1String("#PRIVATESTART"));
            // The class list walks to the model (its wizard, unscripted, is
            // closed at once) before the user closes the page.
            QTRY_VERIFY_WITH_TIMEOUT(dialogs.dialogs.size() > 1, 30000);
            if (closing == QDialogButtonBox::NoButton)
                dialog->close();
            else
                dialogButton(dialog, QDialogButtonBox::StandardButton(closing))->click();
            closed = true;
        };
        // The broken model once more, in models that differ from every
        // earlier round: its error is handed over again.
        QJsonArray classes = document().value(Key::classes).toArray();
        for (int i = 0; i < classes.size(); ++i) {
            QJsonObject definition = classes.at(i).toObject();
            if (templateType(definition) == templateType(m_broken)
                && definition.value(Key::group) == m_broken.value(Key::group))
                classes[i] = m_broken;
            if (templateType(definition) == QLatin1String("boost::optional")) {
                definition.insert(Key::enable, !definition.value(Key::enable).toBool(true));
                classes[i] = definition;
            }
        }
        document().insert(Key::classes, classes);
        m_session->plugin()->parametersChanged();

        QVERIFY2(QTest::qWaitFor([&] { return closed; }, 120000), qPrintable(locals()));
        QCOMPARE(dialogs.dialogs.first(), QStringLiteral("QDialog"));
        QCOMPARE(blocksWhileOpen, 0);
        QTRY_COMPARE(startupCommands().count(QLatin1String("#PRIVATESTART")), 1);
        QTRY_COMPARE(startupCommands().count(QLatin1String("#PRIVATEEND")), 1);
        QVERIFY(startupCommands().startsWith(user + KorvanDebugger::Internal::privateBlockStart));
        QCOMPARE(KorvanDebugger::Internal::removePrivateBlock(startupCommands()), user);
        // The page is gone, and a later report of the same error does not
        // bring it back.
        QVERIFY(!page()->classList());
        QTest::qWait(200);
        QCOMPARE(dialogs.dialogs.first(), QStringLiteral("QDialog"));
        QCOMPARE(dialogs.dialogs.count(QStringLiteral("QDialog")), 1);
    }

    void cleanupTestCase()
    {
        // Further reports of the same error meet a closed dialog.
        Host::ScriptedDialogs dialogs;
        m_session.reset();
    }
};

QTEST_MAIN(TestErrorRoad)
#include "tst_errorroad.moc"
