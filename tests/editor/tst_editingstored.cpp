// Editing what is stored: absent entries that can be filled, keys no row
// shows, group names that differ in letter case only, the optional header
// of an enumeration class, an enumeration that stops compiling, Python
// entries that cannot be checked, the error row of a string class, and the
// messages of import and export. Screenshots of two of these states are
// written for review.

#include "common/testenvironment.h"
#include "userdriving.h"
#include "wizardsupport.h"

#include "configuration/document.h"
#include "configuration/jsonhelpers.h"
#include "configuration/keys.h"
#include "configuration/pythonerror.h"
#include "editor/configurationlist.h"
#include "editor/enumextractor.h"
#include "editor/enumfield.h"
#include "editor/enuminput.h"
#include "editor/generalaccessor.h"
#include "editor/korvandebuggeroptions.h"
#include "editor/optionseditors.h"
#include "editor/savedcombobox.h"
#include "editor/tipbutton.h"
#include "plugin/korvandebuggerplugin.h"

#include <coreplugin/ieditor.h>
#include <dialogs/dialogs.h>
#include <projectexplorer/kit.h>
#include <texteditor/textdocument.h>
#include <texteditor/texteditor.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QWidgetAction>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

using namespace KorvanDebugger;
using namespace KorvanDebugger::Configuration;
using namespace UserDriving;
using KorvanDebugger::Internal::KorvanDebuggerPlugin;
using Wizard = ConfigurationWizard;
using WizardSupport::tipText;

namespace {

constexpr int FieldPage = 9, ArrayPage = 3, ClassPage = 14;

QJsonObject cls(const QString &group, const QString &type, const QString &feature = QStringLiteral("Class"))
{
    return QJsonObject{{Key::group, group}, {Key::className, QJsonObject{{Key::TemplateType, type}}},
                       {Key::feature, feature}};
}

QJsonObject basicField(const QString &name)
{
    return QJsonObject{{Key::type, "Standard"},
                       {Key::displayedName, name},
                       {Key::accessor, QJsonObject{{Key::accessor, QJsonObject{{Key::Field, QString(QLatin1Char('.') + name)}}}}}};
}

QString screenshotFolder()
{
    const QString folder = QStringLiteral("/work/wt/shots/i34");
    QDir().mkpath(folder);
    return folder;
}

void saveShot(QWidget *widget, const QString &name)
{
    widget->resize(820, 640);
    QTest::qWait(50);
    const QString path = QDir(screenshotFolder()).filePath(name);
    QVERIFY(widget->grab().save(path, "PNG"));
    QVERIFY(QFileInfo(path).size() > 1000);
}

// Puts PATH at a folder of its own while it lives.
class SearchPath
{
public:
    SearchPath() : m_saved(qgetenv("PATH")) { qputenv("PATH", m_dir.path().toLocal8Bit()); }
    ~SearchPath() { qputenv("PATH", m_saved); }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved;
};

TextEditor::TextEditorWidget *definitionEditor(EnumInput *input)
{
    return input->definitionEditor()->editorWidget();
}

void typeDefinition(EnumInput *input, const QString &text)
{
    QWidget *editor = definitionEditor(input);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, text);
}

QString tableText(EnumInput *input)
{
    return input->value().toObject().value(Key::enums).toVariant().toStringList().join(' ');
}

} // namespace

class tst_EditingStored : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<KorvanDebuggerPlugin> m_plugin;

    ClassList *openPage(const QJsonArray &classes)
    {
        QJsonObject stored{{Key::classes, classes}};
        if (!saveConfigurationFile(stored, Key::prettyPrintersDocument))
            return nullptr;
        m_plugin.reset(new KorvanDebuggerPlugin);
        QString error;
        if (!m_plugin->initialize({}, &error))
            return nullptr;
        m_plugin->extensionsInitialized();
        QWidget *page = m_plugin->optionsPage()->widget();
        page->resize(900, 600);
        page->show();
        return m_plugin->optionsPage()->classList();
    }

    bool editClass(ClassList *list, const QString &group, const QString &type, Host::ScriptedDialogs &dialogs,
                   const std::function<void(Wizard *)> &script)
    {
        const int row = list->classModel()->findEntry(group, type);
        if (row < 0)
            return false;
        list->findChild<QTreeView *>()->setCurrentIndex(list->classModel()->entryIndex(row));
        bool ran = false;
        dialogs.dialogScripts.prepend([&](QDialog *dialog) {
            ran = true;
            script(qobject_cast<Wizard *>(dialog));
        });
        click(buttonOf(list, QStringLiteral("&Edit")));
        return ran;
    }

private slots:
    void initTestCase() { ProjectExplorer::KitManager::restoreKits(); }
    void init() { m_env.reset(new TestEnvironment); }
    void cleanup()
    {
        if (m_plugin && m_plugin->optionsPage())
            m_plugin->optionsPage()->finish();
        m_plugin.reset();
        m_env.reset();
        QCoreApplication::processEvents();
    }

    // An absent entry shows the menu's current entry with its editor; where
    // the menu offers "None", it is "None". Untouched, it reads back as
    // absent; a typed value is read.
    void absentEntriesCanBeFilled()
    {
        // The page owns the rows' widgets, as an editor's page does.
        QWidget page;
        AccessorField mandatory(0x2370, QStringLiteral("Base"), Key::arrayBase, &page);
        page.show();
        mandatory.setValue(QJsonObject(), true);
        AccessorInput *input = mandatory.input();
        QCOMPARE(input->optionCombo()->currentText(), QStringLiteral("Field"));
        QCOMPARE(input->currentOption(), qint64(kindWord(AccessorKind::Field)));
        QVERIFY(input->textEdit()->isVisible());
        QVERIFY(!mandatory.isValid());
        QCOMPARE(input->value(), QJsonValue());
        typeInto(&mandatory, QStringLiteral(".d"));
        QVERIFY(mandatory.isValid());
        QCOMPARE(input->value().toObject(), (QJsonObject{{Key::Field, ".d"}}));
        // Emptied again: nothing is read, and the row needs a value again.
        typeInto(&mandatory, QString());
        QVERIFY(!mandatory.isValid());

        AccessorField optional(0x2371, QStringLiteral("Right"), Key::right, &page);
        optional.setValue(QJsonObject{{Key::right, QJsonObject{{Key::Field, ".r"}}}}, true);
        optional.setValue(QJsonObject(), true);
        QCOMPARE(optional.input()->optionCombo()->currentText(), QStringLiteral("None"));
        QVERIFY(optional.isValid());
        QCOMPARE(optional.value(), QJsonValue());

        // A row whose editor is not the entry shown: picking the entry again
        // switches to it.
        StringOptions string;
        string.show();
        AccessorField *base = string.rows().at(0);
        QCOMPARE(base->input()->currentOption(), qint64(0x80));
        QCOMPARE(base->input()->optionCombo()->currentText(), QStringLiteral("Field"));
        base->input()->optionCombo()->activated(0);
        QCOMPARE(base->input()->currentOption(), qint64(kindWord(AccessorKind::Field)));
        QVERIFY(base->input()->textEdit()->isVisible());

        // The default group of a class shows its group box.
        Wizard wizard(Key::tmp, Wizard::ClassDefinition, nullptr);
        wizard.setValue(QJsonObject{{Key::tmp, QJsonObject{{Key::className, QJsonObject{{Key::TemplateType, "A"}}}}}},
                        true);
        AccessorInput *group = wizard.accessorRow(ClassPage, Key::group)->input();
        QCOMPARE(group->currentOption(), qint64(kindWord(AccessorKind::GroupName)));
        QVERIFY(!group->groupCombo()->isHidden());
        QVERIFY(!wizard.value().toObject().contains(Key::group));
    }

    // Keys that no row shows travel through an edit; the rows' own keys are
    // written by the rows only.
    void unknownKeysTravel()
    {
        Host::ScriptedDialogs dialogs;
        QJsonObject field = basicField("size");
        field.insert(QStringLiteral("tip"), QStringLiteral("the number of items"));
        QJsonObject access = field.value(Key::accessor).toObject();
        access.insert(QStringLiteral("note"), 3);
        field.insert(Key::accessor, access);
        FieldList list(Key::fields);
        list.addButtons();
        list.setValue(QJsonObject{{Key::fields, QJsonArray{field}}}, true);
        list.show();
        list.findChild<QTreeView *>()->setCurrentIndex(list.model()->index(0, 0));
        dialogs.dialogScripts << [](QDialog *dialog) {
            Wizard *wizard = qobject_cast<Wizard *>(dialog);
            typeInto(wizard->accessorRow(FieldPage, Key::displayedName), QStringLiteral("count"));
            QVERIFY(walkToFinish(wizard));
            click(wizard->finishButton());
        };
        click(buttonOf(&list, QStringLiteral("&Edit")));
        QJsonObject expected = field;
        expected.insert(Key::displayedName, QStringLiteral("count"));
        QCOMPARE(list.model()->entryAt(0), expected);

        // A kind change drops what belongs to the old kind only.
        Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
        QJsonObject array = field;
        array.insert(Key::type, QStringLiteral("Array"));
        array.insert(Key::arrayBase, QJsonObject{{Key::Field, ".d"}});
        array.insert(Key::arraySize, QJsonObject{{Key::Field, ".n"}});
        wizard.setValue(QJsonObject{{Key::tmp, array}}, true);
        wizard.show();
        QVERIFY(pickOption(wizard.accessorRow(FieldPage, Key::type), QStringLiteral("Basic Field")));
        QCOMPARE(wizard.value().toObject(), field);
    }

    // A loaded field switched to Array has the array rows to fill, refused
    // until they are filled; its picture is kept for review.
    void loadedFieldSwitchedToArray()
    {
        Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
        wizard.setValue(QJsonObject{{Key::tmp, basicField("items")}}, true);
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard));
        QVERIFY(pickOption(wizard.accessorRow(FieldPage, Key::type), QStringLiteral("Array")));
        QVERIFY(wizard.nextButton()->isEnabled());
        click(wizard.nextButton());
        QCOMPARE(wizard.currentPageId(), ArrayPage);
        for (const QString &key : {Key::arrayBase, Key::arraySize}) {
            AccessorField *row = wizard.accessorRow(ArrayPage, key);
            QCOMPARE(row->input()->optionCombo()->currentText(), QStringLiteral("Field"));
            QVERIFY2(row->input()->textEdit()->isVisible(), qPrintable(key));
            QVERIFY(row->statusLabel()->text().contains(QStringLiteral("&#10008;")));
        }
        QVERIFY(!wizard.nextButton()->isEnabled());
        saveShot(&wizard, QStringLiteral("loaded-field-switched-to-array.png"));

        typeInto(wizard.accessorRow(ArrayPage, Key::arrayBase), QStringLiteral(".d"));
        QVERIFY(!wizard.nextButton()->isEnabled());
        typeInto(wizard.accessorRow(ArrayPage, Key::arraySize), QStringLiteral(".n"));
        QVERIFY(wizard.nextButton()->isEnabled());
        // The value of each item is needed too.
        for (int page : {10, 11, 13}) {
            click(wizard.nextButton());
            QCOMPARE(wizard.currentPageId(), page);
        }
        QVERIFY(!wizard.finishButton()->isEnabled());
        auto value = static_cast<GeneralAccessor *>(wizard.row(13, Key::value));
        typeInto(value->accessorRow(), QStringLiteral("."));
        QVERIFY(wizard.finishButton()->isEnabled());
        const QJsonObject saved = wizard.value().toObject();
        QCOMPARE(saved.value(Key::arrayBase).toObject(), (QJsonObject{{Key::Field, ".d"}}));
        QVERIFY(saved.contains(Key::value));
        // The item names the printers default to are shown, not written.
        QCOMPARE(wizard.accessorRow(11, Key::itemName)->input()->textEdit()->text(), QStringLiteral("item"));
        QVERIFY(!saved.contains(Key::itemName) && !saved.contains(Key::itemsName));
    }

    // A class switched to String or Bit Stream mode needs its own object.
    void convertedClassNeedsItsObject()
    {
        Wizard wizard(Key::tmp, Wizard::ClassDefinition, nullptr);
        QJsonObject loaded = cls("G", "Text", "Wrapper");
        loaded.insert(Key::header, QJsonObject{{Key::accessor, QJsonObject{{Key::Field, ".d"}}}});
        wizard.setValue(QJsonObject{{Key::tmp, loaded}}, true);
        wizard.show();
        QVERIFY(settle(&wizard));
        QVERIFY(wizard.finishButton()->isEnabled());
        AccessorField *feature = wizard.accessorRow(ClassPage, Key::feature);
        for (const QString &mode : {QStringLiteral("String Mode"), QStringLiteral("Bit Stream Mode")}) {
            QVERIFY(pickOption(feature, mode));
            QVERIFY(settle(&wizard));
            QVERIFY2(!wizard.finishButton()->isEnabled(), qPrintable(mode));
        }
        auto bits = static_cast<BitArrayOptions *>(wizard.row(ClassPage, Key::bitArray));
        typeInto(bits->rows().at(0), QStringLiteral(".d"));
        typeInto(bits->rows().at(1), QStringLiteral(".size"));
        QVERIFY(wizard.finishButton()->isEnabled());
        QCOMPARE(wizard.value().toObject().value(Key::bitArray).toObject(),
                 (QJsonObject{{Key::base, QJsonObject{{Key::Field, ".d"}}}, {Key::length, QJsonObject{{Key::Field, ".size"}}}}));
        QVERIFY(!wizard.value().toObject().contains(Key::header));
    }

    // Groups that differ in letter case only are two groups, and every
    // class stays listed, found and removable.
    void caseOnlyGroupNames()
    {
        ClassList list;
        list.addButtons();
        list.setValue(QJsonObject{{Key::classes, QJsonArray{cls("Qt", "A"), cls("qt", "B"), cls("Qt", "C"),
                                                             cls("boost", "D"), cls("QT", "E")}}},
                      true);
        ClassModel &model = *list.classModel();
        QCOMPARE(model.rowCount(QModelIndex()), 4);
        int listed = 0;
        QStringList names;
        for (int g = 0; g < model.rowCount(QModelIndex()); ++g) {
            const QModelIndex group = model.index(g, 0, QModelIndex());
            for (int c = 0; c < model.rowCount(group); ++c) {
                const QModelIndex index = model.index(c, 0, group);
                const QJsonObject entry = model.entryAt(model.entryRow(index));
                names << group.data().toString() + "/" + entry.value(Key::className).toObject().value(Key::TemplateType).toString();
                ++listed;
            }
        }
        QCOMPARE(listed, 5);
        names.sort();
        QCOMPARE(names, (QStringList{"QT/E", "Qt/A", "Qt/C", "boost/D", "qt/B"}));
        for (const auto &probe : {qMakePair(QStringLiteral("Qt"), QStringLiteral("A")), qMakePair(QStringLiteral("qt"), QStringLiteral("B")),
                                  qMakePair(QStringLiteral("Qt"), QStringLiteral("C")), qMakePair(QStringLiteral("QT"), QStringLiteral("E"))}) {
            const int row = model.findEntry(probe.first, probe.second);
            QVERIFY2(row >= 0, qPrintable(probe.first + "/" + probe.second));
            QCOMPARE(model.entryIndex(row).parent().data().toString(), probe.first);
        }
        // The same name in a group told apart by case only is no duplicate.
        model.beginResetModel();
        QVERIFY(model.insertEntry(0, cls("qt", "A")) >= 0);
        QCOMPARE(model.insertEntry(0, cls("qt", "A")), -1);
        model.entriesChanged();
        model.endResetModel();
        model.setCurrentRow(model.findEntry("qt", "B"));
        QCOMPARE(model.currentRow(), model.findEntry("qt", "B"));
        model.removeAction();
        QCOMPARE(model.findEntry("qt", "B"), -1);
        QVERIFY(model.findEntry("Qt", "A") >= 0);
    }

    // An enumeration class may go without a header; one typed must compile.
    void enumModeHeaderIsOptional()
    {
        Host::ScriptedDialogs dialogs;
        ClassList *list = openPage(QJsonArray{cls("G", "Other")});
        QVERIFY(list);
        bool checked = false;
        dialogs.dialogScripts << [&](QDialog *dialog) {
            Wizard *wizard = qobject_cast<Wizard *>(dialog);
            typeInto(wizard->accessorRow(ClassPage, Key::className), QStringLiteral("Color"));
            QVERIFY(pickOption(wizard->accessorRow(ClassPage, Key::feature), QStringLiteral("Enum Mode")));
            auto header = static_cast<GeneralAccessor *>(wizard->row(ClassPage, Key::header));
            QVERIFY(header->isVisible());
            EnumInput *enumeration = wizard->enumerationRow(ClassPage)->input();
            typeDefinition(enumeration, QStringLiteral("enum Color { Red, Green };"));
            QVERIFY(QTest::qWaitFor([&] { return enumeration->model()->rowCount() > 0; }, 60000));
            QVERIFY(settle(wizard));
            QVERIFY(wizard->finishButton()->isEnabled());
            QVERIFY(header->accessorRow()->statusLabel()->text().isEmpty());
            // A header that does not compile is refused; emptied, it is not.
            QVERIFY(pickOption(header->accessorRow(), QStringLiteral("Lambda")));
            typeInto(header->accessorRow(), QStringLiteral("int(value"));
            QVERIFY(settle(wizard));
            QVERIFY(!wizard->finishButton()->isEnabled());
            typeInto(header->accessorRow(), QString());
            QVERIFY(settle(wizard));
            QVERIFY(wizard->finishButton()->isEnabled());
            // In Class mode the same empty header is required.
            QVERIFY(pickOption(wizard->accessorRow(ClassPage, Key::feature), QStringLiteral("Class Mode")));
            QVERIFY(settle(wizard));
            QVERIFY(!wizard->finishButton()->isEnabled());
            QVERIFY(pickOption(wizard->accessorRow(ClassPage, Key::feature), QStringLiteral("Enum Mode")));
            QVERIFY(settle(wizard));
            checked = true;
            click(wizard->finishButton());
        };
        click(buttonOf(list, QStringLiteral("&Add")));
        QVERIFY(checked);
        const QJsonObject added = list->model()->entryAt(list->classModel()->findEntry(QString(), "Color"));
        QCOMPARE(added.value(Key::feature).toString(), QStringLiteral("Enumeration"));
        QVERIFY(!added.contains(Key::header));
        QVERIFY(added.value(Key::enumeration).toObject().value(Key::enums).toArray().size() > 0);
    }

    // An enumeration whose definition stops compiling shows no values and
    // blocks Finish until it compiles again; Cancel keeps the stored table.
    void enumerationStopsCompiling()
    {
        Host::ScriptedDialogs dialogs;
        QJsonObject colour = cls("G", "Color", "Enumeration");
        colour.insert(Key::enumeration, QJsonObject{{Key::prerequisite, ""},
                                                    {Key::definition, "enum Color { Red, Green };"},
                                                    {Key::masks, QJsonArray{"0x0", "0x0"}},
                                                    {Key::enums, QJsonArray{"{ 0x0;::Red }", "{ 0x1;::Green }"}}});
        ClassList *list = openPage(QJsonArray{colour});
        QVERIFY(list);
        const QJsonObject stored = list->model()->entryAt(0);
        QVERIFY(editClass(list, "G", "Color", dialogs, [&](Wizard *wizard) {
            EnumInput *enumeration = wizard->enumerationRow(ClassPage)->input();
            QVERIFY(enumeration->model()->rowCount() > 0);
            typeDefinition(enumeration, QStringLiteral("enum Color { Red, Green = Missing };"));
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return enumeration->model()->rowCount() == 0
                           && enumeration->tabToolTip(EnumInput::ParsedDefinitionTab).contains(QStringLiteral("Missing"));
                },
                60000));
            QVERIFY(!wizard->finishButton()->isEnabled());
            QVERIFY(enumeration->tabToolTip(EnumInput::ParsedDefinitionTab).contains(QStringLiteral("Missing")));
            QVERIFY(!enumeration->isValid());
            QVERIFY(enumeration->errorMessage().contains(QStringLiteral("Missing")));
            typeDefinition(enumeration, QStringLiteral("enum Color { Red, Green, Blue };"));
            QVERIFY(QTest::qWaitFor([&] { return tableText(enumeration).contains(QStringLiteral("Blue")); }, 60000));
            QVERIFY(wizard->finishButton()->isEnabled());
            click(wizard->cancelButton());
        }));
        QCOMPARE(list->model()->entryAt(0), stored);

        // A message about the generated lines names the helper program, not
        // the user's last line.
        QVERIFY(editClass(list, "G", "Color", dialogs, [&](Wizard *wizard) {
            EnumInput *enumeration = wizard->enumerationRow(ClassPage)->input();
            typeDefinition(enumeration, QStringLiteral("#define Name \"text\""));
            QVERIFY(QTest::qWaitFor([&] { return !enumeration->errorMessage().isEmpty() && !enumeration->isValid()
                                                 && enumeration->errorMessage().contains(QStringLiteral("generated")); },
                                    60000));
            QVERIFY(definitionEditor(enumeration)->extraSelections(TextEditor::TextEditorWidget::CodeWarningsSelection).isEmpty());
            click(wizard->cancelButton());
        }));
    }

    void generatedLinesAreNotTheUsers()
    {
        bool failed = false;
        const QString source = QStringLiteral("/tmp/KorvanSymbol_x.cpp");
        const QList<CompilerMessage> messages = EnumExtractor::compilerMessages(
            source,
            {source + ":2:5: error: 'x' was not declared in this scope",
             source + ":3:1: error: expected ';' before '}' token",
             source + ":4:3: error: invalid static_cast from type 'const char [5]'"},
            1, &failed, 2);
        QVERIFY(failed);
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages.at(0).editor, CompilerMessage::Definition);
        QCOMPARE(messages.at(0).line, 1);
        // The definition's last line is still the user's.
        QCOMPARE(messages.at(1).editor, CompilerMessage::Definition);
        QCOMPARE(messages.at(1).line, 2);
        QCOMPARE(messages.at(2).editor, CompilerMessage::Generated);
        QCOMPARE(messages.at(2).line, 4);
    }

    // Without python3 a stored Python entry is shown as not checked, with
    // the reason, and Finish stays open.
    void noPythonInterpreter()
    {
        SearchPath path;
        QJsonObject field = basicField("size");
        field.insert(Key::accessor, QJsonObject{{Key::accessor, QJsonObject{{Key::LambdaExpression, "len(value)"}}}});
        Wizard wizard(Key::tmp, Wizard::FieldDefinition, nullptr);
        wizard.setValue(QJsonObject{{Key::tmp, field}}, true);
        wizard.show();
        QVERIFY(settle(&wizard));
        AccessorField *access = static_cast<GeneralAccessor *>(wizard.row(FieldPage, Key::accessor))->accessorRow();
        QVERIFY(access->isValid());
        QVERIFY(access->input()->checkNotice().contains(QStringLiteral("not checked")));
        QVERIFY(access->input()->checkNotice().contains(QStringLiteral("python3 not found")));
        QCOMPARE(access->statusLabel()->toolTip(), access->input()->checkNotice());
        QVERIFY(!access->statusLabel()->text().isEmpty());
        QVERIFY(access->input()->textEdit()->toolTip().contains(QStringLiteral("not checked")));
        QVERIFY(wizard.finishButton()->isEnabled());
        // A syntax the translator judges itself is still judged.
        QVERIFY(pickOption(access, QStringLiteral("Field")));
        typeInto(access, QStringLiteral(".a +"));
        QVERIFY(!wizard.finishButton()->isEnabled());
        QVERIFY(access->input()->checkNotice().isEmpty());
    }

    // A printer error in a string class's Length leads to its row, which
    // shows GDB's message; its picture is kept for review.
    void stringModeErrorRow()
    {
        Host::ScriptedDialogs dialogs;
        QJsonObject text = cls("G", "Text", "String");
        text.insert(Key::string, QJsonObject{{Key::base, QJsonObject{{Key::Field, ".d"}}},
                                             {Key::length, QJsonObject{{Key::Field, ".nosuch"}}},
                                             {Key::format, QJsonObject{{Key::ParamType, "char"}}},
                                             {Key::encoding, ""}});
        ClassList *list = openPage(QJsonArray{text});
        QVERIFY(list);
        // The generated printer names the row in its report path.
        ConfigurationWizardGenerator generator(Key::tmp, ConfigurationWizardGenerator::ClassDefinition);
        generator.setValue(text, false);
        QVERIFY(generator.generate().definitions.contains(QStringLiteral("# DEBUG string.length,value")));

        bool shown = false;
        dialogs.dialogScripts << [&](QDialog *dialog) {
            Wizard *wizard = qobject_cast<Wizard *>(dialog);
            auto string = static_cast<StringOptions *>(wizard->row(ClassPage, Key::string));
            AccessorField *length = string->rows().at(1);
            QTRY_VERIFY(length->tipButton()->menu());
            QVERIFY(length->tipButton()->isVisible());
            QVERIFY2(tipText(length->tipButton()).contains(QStringLiteral("There is no member named nosuch.")),
                     qPrintable(tipText(length->tipButton())));
            QVERIFY(!string->rows().at(0)->tipButton()->menu());
            // The picture shows the row with the table its button drops down.
            wizard->resize(820, 640);
            QTest::qWait(50);
            QPixmap shot = wizard->grab();
            auto action = qobject_cast<QWidgetAction *>(length->tipButton()->menu()->actions().value(0));
            QVERIFY(action && action->defaultWidget());
            QWidget *table = action->defaultWidget();
            table->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            table->setFixedSize(780, 140);
            const QPoint below = length->tipButton()->mapTo(wizard, QPoint(0, length->tipButton()->height()));
            QPainter painter(&shot);
            painter.drawPixmap(below, table->grab());
            painter.setPen(Qt::darkGray);
            painter.drawRect(QRect(below, table->size()).adjusted(0, 0, -1, -1));
            painter.end();
            const QString path = QDir(screenshotFolder()).filePath(QStringLiteral("string-mode-error-row.png"));
            QVERIFY(shot.save(path, "PNG"));
            shown = true;
            click(wizard->cancelButton());
        };
        PythonError error;
        error.api = QStringLiteral("classes.G.Text.string.length").split('.');
        error.errorDesc = QStringLiteral("There is no member named nosuch.");
        error.flags = PythonError::FlagApi | PythonError::FlagErrorDesc;
        QVERIFY(list->setError(error));
        QTRY_VERIFY(!list->errorPending());
        QVERIFY(shown);
    }

    // Import and export failures name the file and the place or the reason.
    void importExportMessages()
    {
        Host::ScriptedDialogs dialogs;
        ClassList *list = openPage(QJsonArray{cls("G", "A")});
        QVERIFY(list);
        QTemporaryDir dir;
        const QString malformed = dir.filePath("broken.conf");
        QFile file(malformed);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\n  \"classes\": [\n    { \"className\": tru }\n  ]\n}\n");
        file.close();
        dialogs.dialogScripts << [](QDialog *dialog) {
            auto box = qobject_cast<QMessageBox *>(dialog);
            QVERIFY(box);
            click(buttonOf(box, QStringLiteral("From File")));
        };
        dialogs.fileAnswers << malformed;
        click(buttonOf(list, QStringLiteral("&Import")));
        QCOMPARE(dialogs.messages.size(), 1);
        const QString message = dialogs.messages.last().text;
        QVERIFY2(message.contains(QDir::toNativeSeparators(malformed)), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("line 3, column")), qPrintable(message));

        // An object without class models: told, and no empty picker.
        const QString empty = dir.filePath("empty.conf");
        QFile emptyFile(empty);
        QVERIFY(emptyFile.open(QIODevice::WriteOnly));
        emptyFile.write("{\"configVersion\": 1}");
        emptyFile.close();
        dialogs.dialogScripts << [](QDialog *dialog) {
            click(buttonOf(qobject_cast<QMessageBox *>(dialog), QStringLiteral("From File")));
        };
        dialogs.fileAnswers << empty;
        const int before = dialogs.dialogs.size();
        click(buttonOf(list, QStringLiteral("&Import")));
        QCOMPARE(dialogs.dialogs.size(), before + 1); // the source question only
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY2(dialogs.messages.last().text.contains(QDir::toNativeSeparators(empty)),
                 qPrintable(dialogs.messages.last().text));
        QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("\"classes\"")));

        // Export where nothing can be written: the path and the reason.
        const QString unwritable = dir.filePath("missing/folder/out.conf");
        dialogs.dialogScripts << [](QDialog *dialog) {
            click(buttonOf(qobject_cast<QMessageBox *>(dialog), QStringLiteral("All")));
        };
        dialogs.fileAnswers << unwritable;
        click(buttonOf(list, QStringLiteral("&Export")));
        QCOMPARE(dialogs.messages.size(), 3);
        const QString exportMessage = dialogs.messages.last().text;
        QVERIFY2(exportMessage.contains(QDir::toNativeSeparators(unwritable)), qPrintable(exportMessage));
        QVERIFY2(exportMessage.contains(QStringLiteral("No such file or directory")), qPrintable(exportMessage));
    }
};

QTEST_MAIN(tst_EditingStored)
#include "tst_editingstored.moc"
