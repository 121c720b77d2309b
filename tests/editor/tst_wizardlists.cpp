// The list actions that open the model wizard, driven through the host's
// scripted dialogs as a user would drive them.

#include "common/testenvironment.h"
#include "wizardsupport.h"

#include "configuration/keys.h"
#include "configuration/pythonerror.h"
#include "editor/configurationlist.h"
#include "editor/generalaccessor.h"
#include "editor/tipbutton.h"
#include "host/dialogs/dialogs.h"

#include <QJsonArray>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

using namespace KorvanDebugger::Configuration;
using namespace WizardSupport;
using Wizard = ConfigurationWizard;

namespace {

constexpr int FieldPage = 9, ClassPage = 14;

QJsonObject fieldEntry(const QString &name)
{
    return QJsonObject{{Key::type, "Standard"}, {Key::displayedName, name},
                       {Key::accessor, QJsonObject{{Key::accessor, QJsonObject{{Key::Field, QString(QLatin1Char('.') + name)}}}}}};
}

QJsonObject cls(const QString &group, const QString &type)
{
    return QJsonObject{{Key::group, group}, {Key::className, QJsonObject{{Key::TemplateType, type}}},
                       {Key::feature, "Class"}};
}

QStringList names(const ConfigurationListBase &list)
{
    QStringList result;
    for (const QJsonValue &entry : list.model()->entries()) {
        const QJsonObject object = entry.toObject();
        result << (object.contains(Key::displayedName)
                       ? object.value(Key::displayedName).toString()
                       : object.value(Key::className).toObject().value(Key::TemplateType).toString());
    }
    return result;
}

QPushButton *button(QWidget &list, const QString &text)
{
    for (QPushButton *b : list.findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    qFatal("no button %s", qPrintable(text));
    return nullptr;
}

// A new field named name: the displayed name and its accessor, then Finish.
std::function<void(QDialog *)> finishField(const QString &name)
{
    return [name](QDialog *dialog) {
        Wizard *wizard = wizardOf(dialog);
        type(field(*wizard, FieldPage, Key::displayedName), name);
        auto accessor = static_cast<GeneralAccessor *>(wizard->row(FieldPage, Key::accessor))->accessorRow();
        choose(accessor, AccessorKind::Field);
        type(accessor, QLatin1Char('.') + name);
        QVERIFY(wizard->finishButton()->isEnabled());
        wizard->finishButton()->click();
    };
}

std::function<void(QDialog *)> finishClass(const QString &group, const QString &name)
{
    return [group, name](QDialog *dialog) {
        Wizard *wizard = wizardOf(dialog);
        AccessorField *groupRow = field(*wizard, ClassPage, Key::group);
        groupRow->setValue(QJsonObject{{Key::group, group}}, true);
        type(field(*wizard, ClassPage, Key::className), name);
        auto header = static_cast<GeneralAccessor *>(wizard->row(ClassPage, Key::header))->accessorRow();
        type(header, QStringLiteral(".name"));
        QVERIFY(wizard->finishButton()->isEnabled());
        wizard->finishButton()->click();
    };
}

const std::function<void(QDialog *)> cancel = [](QDialog *dialog) { wizardOf(dialog)->cancelButton()->click(); };

enum class Ending { Finish, Cancel, Close };

// Renames the class in the wizard, then ends it the given way.
std::function<void(QDialog *)> renameClass(const QString &name, Ending ending)
{
    return [name, ending](QDialog *dialog) {
        Wizard *wizard = wizardOf(dialog);
        type(field(*wizard, ClassPage, Key::className), name);
        if (ending == Ending::Finish)
            wizard->finishButton()->click();
        else if (ending == Ending::Cancel)
            wizard->cancelButton()->click();
        else
            wizard->close();
    };
}

} // namespace

class tst_WizardLists : public QObject
{
    Q_OBJECT

private slots:
    void fieldAdd();
    void fieldEditCloneRemove();
    void cancelChangesNothing();
    void classClash();
    void classEditClash();
    void editShowsError();
    void goneWizardDropsError();

private:
    TestEnvironment m_environment;
};

void tst_WizardLists::fieldAdd()
{
    Host::ScriptedDialogs dialogs;
    FieldList list(Key::fields);
    list.addButtons();
    list.setValue(QJsonObject{{Key::fields, QJsonArray{fieldEntry("a"), fieldEntry("b")}}}, true);

    // No selection: appended.
    dialogs.dialogScripts << finishField("c");
    button(list, "&Add")->click();
    QCOMPARE(dialogs.dialogs, QStringList{"KorvanDebugger::Configuration::ConfigurationWizard"});
    QCOMPARE(names(list), (QStringList{"a", "b", "c"}));
    QCOMPARE(list.currentRow(), 2);
    const QJsonObject added = list.model()->entryAt(2);
    QCOMPARE(added.value(Key::accessor), fieldEntry("c").value(Key::accessor));
    QCOMPARE(added.value(Key::type).toString(), QStringLiteral("Standard"));

    // With the second selected: inserted before it.
    list.model()->setCurrentRow(1);
    dialogs.dialogScripts << finishField("x");
    button(list, "&Add")->click();
    QCOMPARE(names(list), (QStringList{"a", "x", "b", "c"}));
    QCOMPARE(list.currentRow(), 1);
}

void tst_WizardLists::fieldEditCloneRemove()
{
    Host::ScriptedDialogs dialogs;
    FieldList list(Key::fields);
    list.addButtons();
    list.setValue(QJsonObject{{Key::fields, QJsonArray{fieldEntry("a"), fieldEntry("b")}}}, true);
    list.model()->setCurrentRow(1);

    // Edit opens on the entry, as loaded.
    dialogs.dialogScripts << [](QDialog *dialog) {
        Wizard *wizard = wizardOf(dialog);
        QCOMPARE(wizard->value().toObject(), fieldEntry("b"));
        QCOMPARE(wizard->currentPageId(), FieldPage);
        type(field(*wizard, FieldPage, Key::displayedName), QStringLiteral("renamed"));
        wizard->finishButton()->click();
    };
    button(list, "&Edit")->click();
    QCOMPARE(names(list), (QStringList{"a", "renamed"}));
    QCOMPARE(list.currentRow(), 1);

    // Clone (a field list has no button for it): a copy before the current.
    dialogs.dialogScripts << [](QDialog *dialog) { wizardOf(dialog)->finishButton()->click(); };
    list.model()->cloneAction(Wizard::FieldDefinition);
    QCOMPARE(names(list), (QStringList{"a", "renamed", "renamed"}));

    button(list, "&Remove")->click();
    QCOMPARE(names(list), (QStringList{"a", "renamed"}));
    QCOMPARE(dialogs.dialogs.size(), 2);
    QVERIFY(dialogs.messages.isEmpty());
}

void tst_WizardLists::cancelChangesNothing()
{
    Host::ScriptedDialogs dialogs;
    ClassList list;
    list.addButtons();
    list.setValue(QJsonObject{{Key::classes, QJsonArray{cls("G", "A"), cls("G", "B")}}}, true);
    list.model()->setCurrentRow(1);
    const QJsonArray before = list.model()->entries();

    dialogs.dialogScripts << renameClass(QStringLiteral("C"), Ending::Cancel);
    button(list, "&Add")->click();
    dialogs.dialogScripts << renameClass(QStringLiteral("C"), Ending::Cancel);
    button(list, "&Edit")->click();
    // Closing the window without a button is a cancel too.
    dialogs.dialogScripts << renameClass(QStringLiteral("C"), Ending::Close);
    button(list, "&Clone")->click();
    // A wizard nobody drives is closed.
    button(list, "&Edit")->click();

    QCOMPARE(dialogs.dialogs.size(), 4);
    QCOMPARE(list.model()->entries(), before);
    QCOMPARE(list.currentRow(), 1);
    QVERIFY(dialogs.messages.isEmpty());
}

void tst_WizardLists::classClash()
{
    Host::ScriptedDialogs dialogs;
    ClassList list;
    list.addButtons();
    list.setValue(QJsonObject{{Key::classes, QJsonArray{cls("G", "A"), cls("G", "B")}}}, true);
    list.model()->setCurrentRow(0);
    const QJsonArray before = list.model()->entries();

    dialogs.dialogScripts << finishClass("G", "B");
    button(list, "&Add")->click();
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().icon, QMessageBox::Warning);
    QCOMPARE(dialogs.messages.first().title, QStringLiteral("Class Configuration Setup"));
    QCOMPARE(dialogs.messages.first().text, QStringLiteral("The class name you have entered is conflicting with an "
                                                           "existingclass name. The entry is discarded."));
    QCOMPARE(list.model()->entries(), before);
    QCOMPARE(list.currentRow(), 0);

    // The same name in another group is another class; it goes to its sorted place.
    dialogs.dialogScripts << finishClass("H", "B");
    button(list, "&Add")->click();
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(names(list), (QStringList{"A", "B", "B"}));
    QCOMPARE(list.model()->entryAt(list.currentRow()).value(Key::group).toString(), QStringLiteral("H"));

    // A clone left unchanged clashes with its original.
    list.model()->setCurrentRow(0);
    dialogs.dialogScripts << [](QDialog *dialog) { wizardOf(dialog)->finishButton()->click(); };
    button(list, "&Clone")->click();
    QCOMPARE(dialogs.messages.size(), 2);
    QCOMPARE(names(list), (QStringList{"A", "B", "B"}));
    QCOMPARE(list.currentRow(), 0);
}

void tst_WizardLists::classEditClash()
{
    Host::ScriptedDialogs dialogs;
    ClassList list;
    list.addButtons();
    list.setValue(QJsonObject{{Key::classes, QJsonArray{cls("G", "A"), cls("G", "B")}}}, true);
    list.model()->setCurrentRow(1);
    const QJsonArray before = list.model()->entries();
    dialogs.dialogScripts << renameClass(QStringLiteral("A"), Ending::Finish);
    button(list, "&Edit")->click();
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(list.model()->entries(), before);
    QCOMPARE(list.currentRow(), 1);

    // A rename without clash moves the class to its sorted place.
    list.model()->setCurrentRow(0);
    dialogs.dialogScripts << renameClass(QStringLiteral("C"), Ending::Finish);
    button(list, "&Edit")->click();
    QCOMPARE(names(list), (QStringList{"B", "C"}));
    QCOMPARE(list.currentRow(), 1);
}

void tst_WizardLists::editShowsError()
{
    Host::ScriptedDialogs dialogs;
    FieldList list(Key::fields);
    list.addButtons();
    list.setValue(QJsonObject{{Key::fields, QJsonArray{fieldEntry("a")}}}, true);
    list.model()->setCurrentRow(0);
    PythonError error;
    error.api = QStringList{Key::accessor, Key::accessor};
    bool shown = false;
    dialogs.dialogScripts << [&shown](QDialog *dialog) {
        auto accessor = static_cast<GeneralAccessor *>(wizardOf(dialog)->row(FieldPage, Key::accessor));
        shown = accessor->accessorRow()->tipButton()->menu() != nullptr;
        cancel(dialog);
    };
    list.model()->editAction(Wizard::FieldDefinition, &error);
    QVERIFY(shown);
    QCOMPARE(names(list), QStringList{"a"});
}

void tst_WizardLists::goneWizardDropsError()
{
    Host::ScriptedDialogs dialogs;
    FieldList list(Key::fields);
    list.addButtons();
    list.setValue(QJsonObject{{Key::fields, QJsonArray{fieldEntry("a")}}}, true);
    list.model()->setCurrentRow(0);
    PythonError error;
    error.api = QStringList{Key::accessor};
    // No script: the wizard closes before its event loop would run; the
    // queued display must not reach it afterwards.
    list.model()->editAction(Wizard::FieldDefinition, &error);
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.dialogs.size(), 1);
    QCOMPARE(error.api, QStringList{Key::accessor}); // the caller's error is its own
}

QTEST_MAIN(tst_WizardLists)
#include "tst_wizardlists.moc"
