// The options page as the host drives it (widget, apply, finish) over the
// plug-in's shared model document, and the road from a printer error in
// the class list to the wizard open on the faulty field.

#include "common/testenvironment.h"
#include "wizardsupport.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "configuration/pythonerror.h"
#include "editor/configurationlist.h"
#include "editor/generalaccessor.h"
#include "editor/korvandebuggeroptions.h"
#include "editor/tipbutton.h"
#include "plugin/korvandebuggerplugin.h"

#include <coreplugin/icore.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <dialogs/dialogs.h>
#include <utils/savedaction.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLayout>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace KorvanDebugger;
using namespace KorvanDebugger::Configuration;
using KorvanDebugger::Internal::KorvanDebuggerOptions;
using KorvanDebugger::Internal::KorvanDebuggerPlugin;
using Wizard = ConfigurationWizard;
using WizardSupport::tipText;
using WizardSupport::wizardOf;

namespace {

QJsonObject fieldEntry(const QString &name)
{
    return QJsonObject{{Key::type, "Standard"},
                       {Key::displayedName, name},
                       {Key::accessor,
                        QJsonObject{{Key::accessor, QJsonObject{{Key::Field, QString(QLatin1Char('.') + name)}}}}}};
}

QJsonObject cls(const QString &group, const QString &type, const QJsonArray &fields = {})
{
    QJsonObject entry{{Key::group, group}, {Key::className, QJsonObject{{Key::TemplateType, type}}},
                      {Key::feature, "Class"}};
    if (!fields.isEmpty())
        entry.insert(Key::fields, fields);
    return entry;
}

QJsonObject readDocumentFile()
{
    QFile file(configurationFilePath(Key::prettyPrintersDocument));
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject{{QStringLiteral("unreadable"), file.fileName()}};
    return QJsonDocument::fromJson(file.readAll()).object();
}

int storedDebugSetting()
{
    return Core::ICore::settings()->value(Key::debugEnabledSetting, -1).toInt();
}

QCheckBox *debugBox(QWidget *page)
{
    return page->findChild<QCheckBox *>();
}

PythonError errorAt(const QString &path)
{
    PythonError error;
    error.api = path.split(QLatin1Char('.'));
    error.errorDesc = QStringLiteral("'Pair' has no member named 'nosuch'");
    error.flags = PythonError::FlagApi | PythonError::FlagErrorDesc;
    return error;
}

// The regenerations of the printers: each one rewrites the start-up commands.
Utils::SavedAction *startupCommands()
{
    return Debugger::Internal::action(Debugger::Internal::GdbStartupCommands);
}

} // namespace

class tst_OptionsPage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<KorvanDebuggerPlugin> m_plugin;

    KorvanDebuggerOptions *page() const { return m_plugin->optionsPage(); }
    QJsonObject &document() const { return *KorvanDebuggerPlugin::getConfiguration(); }
    QStringList listedClasses() const
    {
        QStringList names;
        for (const QJsonValue &entry : page()->classList()->model()->entries())
            names << entry.toObject().value(Key::className).toObject().value(Key::TemplateType).toString();
        return names;
    }

private slots:
    void debugModeIsOffBeforeAnyPage()
    {
        QVERIFY(!KorvanDebuggerOptions::debugModeEnabled());
    }

    void init()
    {
        m_env.reset(new TestEnvironment);
        Core::ICore::settings()->remove(Key::debugEnabledSetting);
        QJsonObject stored{{Key::classes, QJsonArray{cls("G", "A"), cls("G", "B"), cls("H", "C")}},
                           {QStringLiteral("configVersion"), 1},
                           {QStringLiteral("comment"), QStringLiteral("kept by hand")}};
        QVERIFY(saveConfigurationFile(stored, Key::prettyPrintersDocument));
        m_plugin.reset(new KorvanDebuggerPlugin);
        QString error;
        QVERIFY(m_plugin->initialize({}, &error));
        m_plugin->extensionsInitialized();
        QVERIFY(page());
        QCOMPARE(document().value(QStringLiteral("comment")).toString(), QStringLiteral("kept by hand"));
    }

    void cleanup()
    {
        if (page())
            page()->finish();
        m_plugin.reset();
        m_env.reset();
        // Let the deferred regenerations of a gone plug-in object drop.
        QCoreApplication::processEvents();
    }

    void identity()
    {
        QCOMPARE(page()->id().name(), QByteArray("ZZ.Korvan.Debugger.Classes"));
        QCOMPARE(page()->displayName(), QStringLiteral("Korvan Plugin"));
        QCOMPARE(page()->category().name(), QByteArray("O.Debugger"));
        QCOMPARE(page()->displayCategory(), QStringLiteral("Debugger"));
        QCOMPARE(page()->categoryIcon(), QStringLiteral(":/debugger/images/category_debug.png"));
        // Nothing is built before the host asks for the widget.
        QVERIFY(!page()->classList());
        QVERIFY(!KorvanDebugger::Internal::optionsPageOpen);
    }

    void widgetLayoutAndReuse()
    {
        QWidget *widget = page()->widget();
        QVERIFY(widget);
        QVERIFY(KorvanDebugger::Internal::optionsPageOpen);
        ClassList *list = page()->classList();
        QVERIFY(list);
        QCOMPARE(widget->layout()->itemAt(0)->widget(), static_cast<QWidget *>(list));
        QCOMPARE(widget->layout()->itemAt(1)->widget(), static_cast<QWidget *>(debugBox(widget)));
        QCOMPARE(debugBox(widget)->text(), QStringLiteral("Enable Pretty Printers debug mode"));
        QVERIFY(debugBox(widget)->toolTip().startsWith(
            QLatin1String("The debug mode enable instrumentation of the pretty printers for debugging.\nIt helps")));
        QVERIFY(debugBox(widget)->toolTip().endsWith(QLatin1String("improper memory\ninitialization.")));
        QVERIFY(list->findChild<QTreeView *>()); // built with its buttons
        QCOMPARE(listedClasses(), (QStringList{"A", "B", "C"}));

        // An unapplied edit stays while the page is open: a second call
        // neither rebuilds nor reloads.
        list->model()->setCurrentRow(list->classModel()->findEntry("G", "B"));
        list->model()->removeAction();
        QCOMPARE(page()->widget(), widget);
        QCOMPARE(page()->classList(), list);
        QCOMPARE(listedClasses(), (QStringList{"A", "C"}));

        // Closed without applying, then opened again: the edit is gone.
        QPointer<QWidget> guard(widget);
        page()->finish();
        QVERIFY(!guard);
        QVERIFY(!page()->classList());
        QVERIFY(page()->widget());
        QCOMPARE(listedClasses(), (QStringList{"A", "B", "C"}));
        QCOMPARE(document().value(Key::classes).toArray().size(), 3);
    }

    void applyWritesDocumentFileAndSettingsOnce()
    {
        QWidget *widget = page()->widget();
        ClassList *list = page()->classList();
        const QJsonObject *shared = KorvanDebuggerPlugin::getConfiguration().data();
        list->model()->setCurrentRow(list->classModel()->findEntry("H", "C"));
        list->model()->removeAction();
        debugBox(widget)->setCheckState(Qt::Checked);

        QSignalSpy regenerated(startupCommands(), &Utils::SavedAction::valueChanged);
        page()->apply();
        QVERIFY(!KorvanDebugger::Internal::optionsPageOpen);
        const QJsonObject expected{{Key::classes, QJsonArray{cls("G", "A"), cls("G", "B")}}};
        // The object the plug-in holds, not a new one; other keys are gone.
        QCOMPARE(KorvanDebuggerPlugin::getConfiguration().data(), shared);
        QCOMPARE(document(), expected);
        QCOMPARE(readDocumentFile(), expected);
        QCOMPARE(storedDebugSetting(), int(Qt::Checked));
        QVERIFY(KorvanDebuggerOptions::debugModeEnabled());
        // One regeneration, after the current call has returned.
        QCOMPARE(regenerated.count(), 0);
        QTRY_COMPARE(regenerated.count(), 1);
        QTest::qWait(20);
        QCOMPARE(regenerated.count(), 1);
        QVERIFY(startupCommands()->value().toString().contains(QLatin1String("#PRIVATESTART")));
    }

    void applyingAnEmptyListSavesAnEmptyObject()
    {
        page()->widget();
        ClassList *list = page()->classList();
        while (!list->model()->entries().isEmpty()) {
            list->model()->setCurrentRow(0);
            list->model()->removeAction();
        }
        page()->apply();
        QCOMPARE(document(), QJsonObject());
        QCOMPARE(readDocumentFile(), QJsonObject());
    }

    void applyWithoutWidgetDoesNothing()
    {
        const QJsonObject before = document();
        QSignalSpy regenerated(startupCommands(), &Utils::SavedAction::valueChanged);
        page()->apply();
        QTest::qWait(20);
        QCOMPARE(document(), before);
        QCOMPARE(regenerated.count(), 0);
        QCOMPARE(storedDebugSetting(), -1);
    }

    void aFailedSaveIsToldAndThePrintersStillFollow()
    {
        // The document's file cannot be written: a folder stands in its place.
        const QString path = configurationFilePath(Key::prettyPrintersDocument);
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path));
        page()->widget();
        ClassList *list = page()->classList();
        list->model()->setCurrentRow(0);
        list->model()->removeAction();

        Host::ScriptedDialogs dialogs;
        QSignalSpy regenerated(startupCommands(), &Utils::SavedAction::valueChanged);
        page()->apply();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().icon, QMessageBox::Critical);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Korvan Configuration write."));
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(document().value(Key::classes).toArray().size(), 2);
        QTRY_COMPARE(regenerated.count(), 1);
    }

    void debugModeStates_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("shown");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("no key") << QVariant() << int(Qt::Unchecked) << false;
        QTest::newRow("unchecked") << QVariant(0) << int(Qt::Unchecked) << false;
        QTest::newRow("partially checked") << QVariant(1) << int(Qt::PartiallyChecked) << false;
        QTest::newRow("checked") << QVariant(2) << int(Qt::Checked) << true;
    }

    void debugModeStates()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, shown);
        QFETCH(bool, enabled);
        if (stored.isValid())
            Core::ICore::settings()->setValue(Key::debugEnabledSetting, stored);
        else
            Core::ICore::settings()->remove(Key::debugEnabledSetting);
        KorvanDebuggerOptions options(QSharedPointer<QJsonObject>::create());
        QCOMPARE(KorvanDebuggerOptions::debugModeEnabled(), enabled);
        QWidget *widget = options.widget();
        QCOMPARE(int(debugBox(widget)->checkState()), shown);

        // Only apply changes the state in use.
        debugBox(widget)->setCheckState(enabled ? Qt::Unchecked : Qt::Checked);
        QCOMPARE(KorvanDebuggerOptions::debugModeEnabled(), enabled);
        options.apply();
        QCOMPARE(KorvanDebuggerOptions::debugModeEnabled(), !enabled);
        QCOMPARE(storedDebugSetting(), enabled ? int(Qt::Unchecked) : int(Qt::Checked));
        options.finish();
    }

    void theBoxShowsTheSettingsEachTimeItIsBuilt()
    {
        QWidget *widget = page()->widget();
        QCOMPARE(debugBox(widget)->checkState(), Qt::Unchecked);
        page()->finish();
        Core::ICore::settings()->setValue(Key::debugEnabledSetting, int(Qt::PartiallyChecked));
        QCOMPARE(debugBox(page()->widget())->checkState(), Qt::PartiallyChecked);
        // Read at construction and apply only.
        QVERIFY(!KorvanDebuggerOptions::debugModeEnabled());
    }

    // ---- Errors of the printers, located in the class list.

    void errorsTheListDoesNotTake()
    {
        page()->widget();
        ClassList *list = page()->classList();
        list->model()->setCurrentRow(0);
        QVERIFY(!list->setError(errorAt("custom.G.A.fields.x")));
        QVERIFY(!list->setError(errorAt("classes")));
        // "G.AA" would stand where "B" stands: that neighbour is no match.
        QVERIFY(!list->setError(errorAt("classes.G.AA.fields.x")));
        QVERIFY(!list->setError(errorAt("classes.H.A.fields.x"))); // another group
        QVERIFY(!list->setError(errorAt("classes.G.a.fields.x"))); // names are exact
        QVERIFY(!list->setError(errorAt("classes.Z.Z")));           // past every class
        QVERIFY(!list->errorPending());
        QCOMPARE(list->currentRow(), 0);
        Host::ScriptedDialogs dialogs;
        QTest::qWait(10);
        QVERIFY(dialogs.dialogs.isEmpty());
    }

    void anErrorOpensItsClassAndField()
    {
        QJsonObject broken = fieldEntry("second");
        broken.insert(Key::accessor, QJsonObject{{Key::accessor, QJsonObject{{Key::Field, ".nosuch"}}}});
        QJsonArray fields{fieldEntry("first"), broken};
        QJsonObject stored{{Key::classes, QJsonArray{cls("G", "A"), cls("Std (Common)", "std::pair", fields),
                                                     cls("Z", "Last")}}};
        document() = stored;
        QWidget *widget = page()->widget();
        ClassList *list = page()->classList();
        auto *view = list->findChild<QTreeView *>();
        list->model()->setCurrentRow(0);
        const int row = list->classModel()->findEntry("Std (Common)", "std::pair");

        Host::ScriptedDialogs dialogs;
        bool classWizardChecked = false;
        bool fieldWizardChecked = false;
        const QString path = QStringLiteral("classes.Std (Common).std::pair.fields.second.accessor.accessor");
        // The class wizard walks to its "fields" row, whose list selects the
        // field and opens the field wizard on it first.
        dialogs.dialogScripts << [&](QDialog *dialog) {
            Wizard *wizard = wizardOf(dialog);
            auto *fieldList = wizard->findChild<FieldList *>();
            QVERIFY(fieldList);
            QVERIFY(fieldList->isVisible());
            QTRY_VERIFY(fieldWizardChecked);
            // The field wizard ran first; the class now holds the mended field.
            QJsonObject mended = stored.value(Key::classes).toArray().at(1).toObject();
            mended.insert(Key::fields, QJsonArray{fieldEntry("first"), fieldEntry("second")});
            QCOMPARE(wizard->value().toObject(), mended);
            classWizardChecked = true;
            wizard->finishButton()->click();
        };
        dialogs.dialogScripts << [&](QDialog *dialog) {
            Wizard *wizard = wizardOf(dialog);
            QCOMPARE(wizard->value().toObject(), broken);
            // Opened from the class wizard's field list, on the named field.
            Wizard *classWizard = nullptr;
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (widget != dialog && widget->isVisible() && qobject_cast<Wizard *>(widget))
                    classWizard = static_cast<Wizard *>(widget);
            QVERIFY(classWizard);
            QCOMPARE(classWizard->operatingMode(), int(Wizard::ClassDefinition));
            QCOMPARE(classWizard->fieldList()->currentRow(), 1);
            auto accessor = static_cast<GeneralAccessor *>(wizard->row(9, Key::accessor))->accessorRow();
            TipButton *tip = accessor->tipButton();
            QVERIFY(tip->menu());
            QVERIFY(tip->isVisible());
            QVERIFY2(tipText(tip).contains(QLatin1String("has no member named")), qPrintable(tipText(tip)));
            // No other row of the wizard claims the error.
            auto name = wizard->accessorRow(9, Key::displayedName);
            QVERIFY(!name->tipButton()->menu());
            fieldWizardChecked = true;
            // The user mends the field.
            WizardSupport::type(accessor, QStringLiteral(".second"));
            wizard->finishButton()->click();
        };

        // Through the plug-in's signal, as the printers report it.
        emit m_plugin->configError(errorAt(path));
        QVERIFY(list->errorPending());
        QCOMPARE(list->currentRow(), row);
        QVERIFY(view->isExpanded(list->classModel()->entryIndex(row).parent()));
        QVERIFY(dialogs.dialogs.isEmpty()); // not while the signal runs
        // A second report while the first is handled is not taken.
        QVERIFY(!list->setError(errorAt(path)));

        QTRY_VERIFY(!list->errorPending());
        QCOMPARE(dialogs.dialogs.size(), 2);
        QVERIFY(classWizardChecked);
        QVERIFY(fieldWizardChecked);
        // The mended field is in the list; the page is open, so its apply
        // saves it, not the edit.
        const QJsonObject edited = list->model()->entryAt(list->classModel()->findEntry("Std (Common)", "std::pair"));
        QCOMPARE(edited.value(Key::fields).toArray().at(1).toObject().value(Key::accessor),
                 fieldEntry("second").value(Key::accessor));
        QCOMPARE(document(), stored);
        QVERIFY(!QJsonDocument(readDocumentFile()).toJson().contains("std::pair"));
        Q_UNUSED(widget)
    }

    void anErrorEditAfterApplySavesTheList()
    {
        page()->widget();
        ClassList *list = page()->classList();
        page()->apply(); // the page stays shown, with nothing unapplied
        QVERIFY(!KorvanDebugger::Internal::optionsPageOpen);

        Host::ScriptedDialogs dialogs;
        dialogs.dialogScripts << [](QDialog *dialog) {
            Wizard *wizard = wizardOf(dialog);
            WizardSupport::type(wizard->accessorRow(14, Key::className), QStringLiteral("Renamed"));
            wizard->finishButton()->click();
        };
        QVERIFY(list->setError(errorAt("classes.H.C.header")));
        QTRY_VERIFY(!list->errorPending());
        QCOMPARE(dialogs.dialogs.size(), 1);
        const QJsonArray expected{cls("G", "A"), cls("G", "B"), cls("H", "Renamed")};
        QCOMPARE(document().value(Key::classes).toArray(), expected);
        QCOMPARE(readDocumentFile().value(Key::classes).toArray(), expected);

        // Cancelled: nothing changes, and the list takes errors again.
        dialogs.dialogScripts << [](QDialog *dialog) { wizardOf(dialog)->cancelButton()->click(); };
        QVERIFY(list->setError(errorAt("classes.G.A")));
        QTRY_VERIFY(!list->errorPending());
        QCOMPARE(document().value(Key::classes).toArray(), expected);
    }

    void theFieldListLocatesByDisplayedName()
    {
        Host::ScriptedDialogs dialogs;
        FieldList list(Key::fields);
        list.addButtons();
        list.setValue(QJsonObject{{Key::fields, QJsonArray{fieldEntry("only")}}}, true);
        PythonError error = errorAt("missing.accessor");
        QVERIFY(!list.showError(&error));
        QVERIFY(dialogs.dialogs.isEmpty());
        QVERIFY(!list.showError(nullptr));
        // A single field answers to "<Default>" whatever its name.
        error = errorAt("<Default>.accessor.accessor");
        dialogs.dialogScripts << [](QDialog *dialog) {
            auto accessor = static_cast<GeneralAccessor *>(wizardOf(dialog)->row(9, Key::accessor))->accessorRow();
            QVERIFY(accessor->tipButton()->menu());
        };
        QVERIFY(list.showError(&error));
        QCOMPARE(dialogs.dialogs.size(), 1);
        QCOMPARE(list.currentRow(), 0);
        QCOMPARE(list.model()->entryAt(0), fieldEntry("only")); // closed: unchanged
    }
};

QTEST_MAIN(tst_OptionsPage)
#include "tst_optionspage.moc"
