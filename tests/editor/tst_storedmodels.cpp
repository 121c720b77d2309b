// The whole built-in model set edited as a user edits it: every class and
// every field opened from the lists on the options page, switched through
// every class mode, field kind and accessor kind with the keyboard, finished
// only when it can be, saved, and read back.

#include "common/pythonrunner.h"
#include "common/testenvironment.h"
#include "userdriving.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "editor/configurationlist.h"
#include "editor/enumfield.h"
#include "editor/enuminput.h"
#include "editor/exclusivechoice.h"
#include "editor/generalaccessor.h"
#include "editor/korvandebuggeroptions.h"
#include "editor/optionseditors.h"
#include "plugin/korvandebuggerplugin.h"

#include <coreplugin/icore.h>
#include <dialogs/dialogs.h>
#include <projectexplorer/kit.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

using namespace KorvanDebugger;
using namespace KorvanDebugger::Configuration;
using namespace UserDriving;
using KorvanDebugger::Internal::KorvanDebuggerPlugin;
using Wizard = ConfigurationWizard;

namespace {

constexpr int FieldPage = 9, ClassPage = 14;

QJsonObject builtInDocument()
{
    QJsonObject root;
    if (!parseConfiguration(root, KorvanDebuggerPlugin::getResourceCode(":PrettyPrinters.conf")))
        qFatal("the built-in model set does not parse");
    return root;
}

QString nameOf(const QJsonObject &definition)
{
    const QJsonValue name = definition.value(Key::className);
    return name.isObject() ? name.toObject().value(Key::TemplateType).toString()
                           : definition.value(Key::displayedName).toString();
}

QString compact(const QJsonValue &value)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
}

// Where two definitions differ, down through their fields.
QString difference(const QJsonObject &actual, const QJsonObject &expected, const QString &path = QString())
{
    QStringList keys = actual.keys() + expected.keys();
    keys.removeDuplicates();
    QString result;
    for (const QString &key : qAsConst(keys)) {
        const QJsonValue a = actual.value(key);
        const QJsonValue e = expected.value(key);
        if (a == e)
            continue;
        if (a.isArray() && e.isArray() && a.toArray().size() == e.toArray().size()) {
            for (int i = 0; i < a.toArray().size(); ++i)
                result += difference(a.toArray().at(i).toObject(), e.toArray().at(i).toObject(),
                                     path + key + QStringLiteral("[%1].").arg(i));
            continue;
        }
        if (a.isObject() && e.isObject()) {
            result += difference(a.toObject(), e.toObject(), path + key + QLatin1Char('.'));
            continue;
        }
        result += path + key + QStringLiteral(": ") + compact(a).left(300) + QStringLiteral(" / ") + compact(e).left(300)
                  + QLatin1Char('\n');
    }
    return result;
}

Wizard *openWizard()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto wizard = qobject_cast<Wizard *>(widget))
            if (wizard->isVisible())
                return wizard;
    }
    return nullptr;
}

// Opens the entry of a list with its Edit button; the script drives the
// wizard that opens. False when no wizard ran.
bool editEntry(ConfigurationListBase *list, int row, Host::ScriptedDialogs &dialogs,
               const std::function<void(Wizard *)> &script)
{
    auto view = list->findChild<QTreeView *>();
    QModelIndex index = view->model()->index(row, 0);
    if (auto classModel = qobject_cast<ClassModel *>(list->model()))
        index = classModel->entryIndex(row);
    view->setCurrentIndex(index);
    const int before = dialogs.dialogs.size();
    bool ran = false;
    dialogs.dialogScripts.prepend([&](QDialog *dialog) {
        ran = true;
        script(qobject_cast<Wizard *>(dialog));
    });
    click(buttonOf(list, QStringLiteral("&Edit")));
    return ran && dialogs.dialogs.size() > before;
}

// What the user must give before Finish: every shown entry that offers no
// "None", is no optional text, group or kind, and is no optional header.
QStringList blankMandatoryEntries(MyWizardPage *page)
{
    QStringList blank;
    for (AccessorInput *input : page->findChildren<AccessorInput *>()) {
        if (!input->isVisibleTo(page) || !input->isBlank())
            continue;
        const quint64 mask = input->optionMask();
        if (mask & kindWord(AccessorKind::KindNone))
            continue;
        const auto option = AccessorKind(input->currentOption());
        if (option == AccessorKind::Text || option == AccessorKind::GroupName || highHalf(option) != 0)
            continue;
        if (input->isBlankAllowed())
            continue;
        auto general = qobject_cast<GeneralAccessor *>(input->parentWidget());
        if (general && general->isOptional())
            continue;
        blank << input->key();
    }
    for (EnumInput *enumeration : page->findChildren<EnumInput *>()) {
        if (enumeration->isVisibleTo(page) && enumeration->model()->rowCount() == 0)
            blank << QStringLiteral("enumeration");
    }
    return blank;
}

// Over the pages of the path walked so far.
QStringList blankMandatoryEntries(Wizard *wizard)
{
    QList<MyWizardPage *> pages{wizard->page(wizard->currentPageId())};
    for (int id : wizard->history()) {
        if (id != 0)
            pages << wizard->page(id);
    }
    QStringList blank;
    for (MyWizardPage *page : pages)
        blank += blankMandatoryEntries(page);
    return blank;
}

// The rows of the page shown that refuse their entry, with their reasons.
QString refusal(Wizard *wizard)
{
    QStringList rows;
    if (MyWizardPage *page = wizard->page(wizard->currentPageId())) {
        for (BaseInput *row : page->rows()) {
            if (!row->isValid()) {
                QString reason;
                if (auto field = dynamic_cast<FieldInputBase *>(row))
                    reason = field->baseInput()->errorMessage();
                if (auto choice = dynamic_cast<ExclusiveChoice *>(row))
                    reason = QStringLiteral("choice %1 of %2").arg(choice->currentId()).arg(choice->choiceNames().size());
                rows << row->key() + QStringLiteral(" (") + reason.left(200) + QLatin1Char(')');
            }
        }
    }
    return QStringLiteral(" on page %1: ").arg(wizard->currentPageId()) + rows.join(QStringLiteral(", "));
}

// Compiles many generated sources in one interpreter run; the names of
// those that do not compile.
QStringList notCompiling(const QList<QPair<QString, QString>> &sources)
{
    QString script = QStringLiteral("import warnings\nwarnings.simplefilter('ignore')\nfailed = []\n");
    for (const auto &source : sources) {
        script += QStringLiteral("try:\n    compile(%1, '<gen>', 'exec')\nexcept SyntaxError as e:\n"
                                 "    failed.append(%2 + ': ' + str(e))\n")
                      .arg(pythonStringLiteral(source.second), pythonStringLiteral(source.first));
    }
    script += QStringLiteral("print('\\n'.join(failed))\nprint('checked')\n");
    const PythonRun run = runPython(script);
    if (!run.started || !run.output.contains(QStringLiteral("checked")))
        return {QStringLiteral("python3 did not run: ") + run.output};
    return run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter(QRegularExpression(QStringLiteral(": ")));
}

// A stored enumeration without its value table (the older form) is
// computed once loaded: the wizard refuses it until the values are there.
bool waitForTable(Wizard *wizard, const QJsonObject &definition)
{
    const QJsonObject enumeration = definition.value(Key::enumeration).toObject();
    if (enumeration.isEmpty() || enumeration.contains(Key::enums))
        return true;
    EnumInput *input = wizard->enumerationRow(ClassPage)->input();
    return QTest::qWaitFor([input] { return input->model()->rowCount() > 0; }, 60000);
}

// The definition as the wizard saves it with no edit: as loaded, with the
// values computed for an enumeration stored without them.
QJsonObject savedForm(QJsonObject definition, const QJsonObject &saved)
{
    QJsonObject enumeration = definition.value(Key::enumeration).toObject();
    if (enumeration.isEmpty() || enumeration.contains(Key::enums))
        return definition;
    const QJsonObject computed = saved.value(Key::enumeration).toObject();
    enumeration.insert(Key::masks, computed.value(Key::masks));
    enumeration.insert(Key::enums, computed.value(Key::enums));
    definition.insert(Key::enumeration, enumeration);
    return definition;
}

} // namespace

class tst_StoredModels : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<KorvanDebuggerPlugin> m_plugin;
    QJsonObject m_builtIn;

    ClassList *classList() const { return m_plugin->optionsPage()->classList(); }
    int rowOfClass(const QJsonObject &definition) const
    {
        return classList()->classModel()->findEntry(definition.value(Key::group).toString(), nameOf(definition));
    }

private slots:
    void initTestCase() { ProjectExplorer::KitManager::restoreKits(); }
    void init();
    void cleanup();
    void builtInSetRoundTripIsByteIdentical();
    void everyClassMode();
    void everyFieldKindAndAccessorKind();
};

void tst_StoredModels::init()
{
    m_env.reset(new TestEnvironment);
    m_builtIn = builtInDocument();
    QVERIFY(saveConfigurationFile(m_builtIn, Key::prettyPrintersDocument));
    m_plugin.reset(new KorvanDebuggerPlugin);
    QString error;
    QVERIFY(m_plugin->initialize({}, &error));
    m_plugin->extensionsInitialized();
    QWidget *page = m_plugin->optionsPage()->widget();
    page->resize(900, 700);
    page->show();
    QVERIFY(classList());
}

void tst_StoredModels::cleanup()
{
    if (m_plugin && m_plugin->optionsPage())
        m_plugin->optionsPage()->finish();
    m_plugin.reset();
    m_env.reset();
    QCoreApplication::processEvents();
}

// Every class and every field of the built-in set goes through its wizard
// and Finish with no edit; the saved document is the built-in one, byte for
// byte, with the keys no row shows ("tip") and the stored "enable" flags.
void tst_StoredModels::builtInSetRoundTripIsByteIdentical()
{
    Host::ScriptedDialogs dialogs;
    // The list keeps its classes sorted: the document it saves unedited is
    // the reference, and holds every built-in class as it came.
    m_plugin->optionsPage()->apply();
    QFile reference(configurationFilePath(Key::prettyPrintersDocument));
    QVERIFY(reference.open(QIODevice::ReadOnly));
    const QByteArray referenceBytes = reference.readAll();
    reference.close();
    const QJsonArray classes = QJsonDocument::fromJson(referenceBytes).object().value(Key::classes).toArray();
    const QJsonArray original = m_builtIn.value(Key::classes).toArray();
    QCOMPARE(classes.size(), original.size());
    for (const QJsonValue &entry : original)
        QVERIFY2(classes.contains(entry), qPrintable(nameOf(entry.toObject())));
    QStringList refused;
    int fieldsEdited = 0;
    for (const QJsonValue &entry : classes) {
        const QJsonObject definition = entry.toObject();
        const int row = rowOfClass(definition);
        QVERIFY2(row >= 0, qPrintable(nameOf(definition)));
        const bool ran = editEntry(classList(), row, dialogs, [&](Wizard *wizard) {
            QVERIFY(settle(wizard));
            QVERIFY2(waitForTable(wizard, definition), qPrintable(nameOf(definition)));
            FieldList *fields = wizard->fieldList();
            for (int f = 0; fields->isVisible() && f < fields->model()->entries().size(); ++f) {
                const QString fieldName = nameOf(fields->model()->entryAt(f));
                editEntry(fields, f, dialogs, [&](Wizard *fieldWizard) {
                    if (!walkToFinish(fieldWizard)) {
                        refused << nameOf(definition) + QStringLiteral(" / ") + fieldName + refusal(fieldWizard);
                        return;
                    }
                    ++fieldsEdited;
                    click(fieldWizard->finishButton());
                });
            }
            QVERIFY(settle(wizard));
            if (!wizard->finishButton()->isVisible() || !wizard->finishButton()->isEnabled()) {
                refused << nameOf(definition) + refusal(wizard);
                return;
            }
            click(wizard->finishButton());
        });
        QVERIFY2(ran, qPrintable(nameOf(definition)));
    }
    QVERIFY2(refused.isEmpty(), qPrintable(refused.join(QLatin1Char('\n'))));
    // The fields of the modes that show a field list (a wrapper's fields are
    // carried with its class).
    int listedFields = 0;
    for (const QJsonValue &entry : classes) {
        const QString feature = entry.toObject().value(Key::feature).toString();
        if (feature == QLatin1String("Class") || feature == QLatin1String("Container")
            || feature == QLatin1String("String"))
            listedFields += entry.toObject().value(Key::fields).toArray().size();
    }
    QCOMPARE(fieldsEdited, listedFields);
    QVERIFY(listedFields > 75);

    m_plugin->optionsPage()->apply();
    QFile saved(configurationFilePath(Key::prettyPrintersDocument));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    const QJsonArray after = QJsonDocument::fromJson(bytes).object().value(Key::classes).toArray();
    QCOMPARE(after.size(), classes.size());
    // Only the values computed for an enumeration stored without them are new.
    QJsonArray expectedClasses;
    int computed = 0;
    for (int i = 0; i < classes.size(); ++i) {
        const QJsonObject expectedClass = savedForm(classes.at(i).toObject(), after.at(i).toObject());
        if (expectedClass != classes.at(i).toObject()) {
            ++computed;
            QVERIFY(!expectedClass.value(Key::enumeration).toObject().value(Key::enums).toArray().isEmpty());
        }
        expectedClasses.append(expectedClass);
    }
    QVERIFY(computed <= 1);
    QJsonObject expectedDocument = QJsonDocument::fromJson(referenceBytes).object();
    expectedDocument.insert(Key::classes, expectedClasses);
    if (computed == 0)
        QCOMPARE(QJsonDocument(expectedDocument).toJson(QJsonDocument::Indented), referenceBytes);
    const QByteArray expected = QJsonDocument(expectedDocument).toJson(QJsonDocument::Indented);
    if (bytes != expected) {
        for (int i = 0; i < after.size(); ++i)
            QVERIFY2(after.at(i) == expectedClasses.at(i),
                     qPrintable(nameOf(after.at(i).toObject()) + "\n"
                                + difference(after.at(i).toObject(), expectedClasses.at(i).toObject())));
    }
    QCOMPARE(bytes.size(), expected.size());
    QVERIFY(bytes == expected);
    QCOMPARE(bytes.count("\"tip\""), 27);
}

// Each class is switched through every class mode with the keyboard. Finish
// is offered only when every entry the mode needs has a value and the
// generated Python compiles; a mode whose own object the class lacks is
// refused. Back on its own mode, the class finishes as it was, and reads
// back alike.
void tst_StoredModels::everyClassMode()
{
    Host::ScriptedDialogs dialogs;
    const QStringList modes{"Class Mode", "Container Mode", "String Mode", "Bit Stream Mode", "Wrapper Mode",
                            "Enum Mode"};
    const QMap<QString, QString> ownObject{{"String Mode", Key::string},
                                           {"Bit Stream Mode", Key::bitArray},
                                           {"Enum Mode", Key::enumeration}};
    QList<QPair<QString, QString>> sources;
    QStringList failures;
    for (const QJsonValue &entry : m_builtIn.value(Key::classes).toArray()) {
        const QJsonObject definition = entry.toObject();
        const QString name = nameOf(definition);
        const int row = rowOfClass(definition);
        QString loadedMode;
        const bool ran = editEntry(classList(), row, dialogs, [&](Wizard *wizard) {
            QVERIFY2(waitForTable(wizard, definition), qPrintable(name));
            AccessorField *feature = wizard->accessorRow(ClassPage, Key::feature);
            loadedMode = feature->input()->optionCombo()->currentText();
            for (const QString &mode : modes) {
                QVERIFY(pickOption(feature, mode));
                QVERIFY(settle(wizard));
                const bool enabled = wizard->finishButton()->isEnabled();
                const QStringList blank = blankMandatoryEntries(wizard);
                const QString where = name + QStringLiteral(" in ") + mode;
                if (enabled && !blank.isEmpty())
                    failures << where + QStringLiteral(": Finish with no value for ") + blank.join(QLatin1Char(','));
                if (mode == loadedMode && !enabled)
                    failures << where + QStringLiteral(": its own mode is refused") + refusal(wizard);
                if (ownObject.contains(mode) && !definition.contains(ownObject.value(mode)) && enabled)
                    failures << where + QStringLiteral(": Finish without \"") + ownObject.value(mode) + "\"";
                if (mode == QLatin1String("Container Mode") && !definition.contains(Key::fields) && enabled)
                    failures << where + QStringLiteral(": a container without fields");
                if (enabled)
                    sources.append({where, wizard->generate().definitions + wizard->generate().expression});
            }
            QVERIFY(pickOption(feature, loadedMode));
            QVERIFY(settle(wizard));
            QVERIFY2(wizard->finishButton()->isEnabled(), qPrintable(name));
            click(wizard->finishButton());
        });
        QVERIFY2(ran, qPrintable(name));
        // Read back: the saved class is the loaded one, and opens alike.
        const int saved = rowOfClass(definition);
        const QJsonObject savedClass = classList()->model()->entryAt(saved);
        QCOMPARE(savedClass, savedForm(definition, savedClass));
        editEntry(classList(), saved, dialogs, [&](Wizard *wizard) {
            QCOMPARE(wizard->value().toObject(), savedClass);
            QCOMPARE(wizard->accessorRow(ClassPage, Key::feature)->input()->optionCombo()->currentText(), loadedMode);
            click(wizard->cancelButton());
        });
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    QVERIFY(sources.size() > 157);
    const QStringList broken = notCompiling(sources);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
}

// Each field is switched through every field kind and every accessor kind
// with the keyboard; a kind whose entries the field lacks is refused until
// they are typed; whatever Finish accepts compiles. One edit is finished,
// and the field opens again as it was saved.
void tst_StoredModels::everyFieldKindAndAccessorKind()
{
    Host::ScriptedDialogs dialogs;
    const QStringList kinds{"Basic Field", "Boolean",          "Enumeration",
                            "Array",       "Linked Containers", "Fields From Model",
                            "Customized Container Field"};
    // A valid entry for each accessor kind, as a user would type it.
    const QMap<QString, QString> typed{{"Field", ".x"},
                                       {"Lambda", "value"},
                                       {"Python Call", "return value"},
                                       {"Inferior Call: Method", "size"},
                                       {"Inferior Call: Function", "length"}};
    QList<QPair<QString, QString>> sources;
    QStringList failures;
    int fieldsSeen = 0;
    for (const QJsonValue &entry : m_builtIn.value(Key::classes).toArray()) {
        const QJsonObject definition = entry.toObject();
        const QJsonArray fields = definition.value(Key::fields).toArray();
        if (fields.isEmpty())
            continue;
        FieldList list(Key::fields);
        list.addButtons();
        list.setValue(definition, true);
        list.resize(600, 300);
        list.show();
        for (int f = 0; f < fields.size(); ++f) {
            const QJsonObject field = fields.at(f).toObject();
            const QString name = nameOf(definition) + QStringLiteral(" / ") + nameOf(field);
            ++fieldsSeen;
            const bool ran = editEntry(&list, f, dialogs, [&](Wizard *wizard) {
                AccessorField *type = wizard->accessorRow(FieldPage, Key::type);
                const QString loadedKind = type->input()->optionCombo()->currentText();
                if (!walkToFinish(wizard))
                    failures << name + QStringLiteral(": the loaded field is refused") + refusal(wizard);
                walkBackToStart(wizard);
                for (const QString &kind : kinds) {
                    QVERIFY(pickOption(type, kind));
                    const bool finished = walkToFinish(wizard);
                    const QStringList blank = blankMandatoryEntries(wizard);
                    const QString where = name + QStringLiteral(" as ") + kind;
                    if (finished && !blank.isEmpty())
                        failures << where + QStringLiteral(": Finish with no value for ") + blank.join(QLatin1Char(','));
                    if (kind == QLatin1String("Array") && !field.contains(Key::arrayBase) && finished)
                        failures << where + QStringLiteral(": Finish with no array base");
                    if (kind == QLatin1String("Linked Containers") && !field.contains(Key::linkedBase) && finished)
                        failures << where + QStringLiteral(": Finish with no first cell");
                    if (finished)
                        sources.append({where, wizard->generate().definitions});
                    walkBackToStart(wizard);
                }
                QVERIFY(pickOption(type, loadedKind));

                // The accessor's kinds: a fresh entry is refused until typed.
                auto accessor = static_cast<GeneralAccessor *>(wizard->row(FieldPage, Key::accessor));
                AccessorField *access = accessor->accessorRow();
                QComboBox *menu = access->input()->optionCombo();
                for (int i = 0; i < menu->count(); ++i) {
                    const QString option = menu->itemText(i);
                    // Picking the entry shown changes nothing: the user
                    // switches away and back to start it afresh.
                    if (menu->currentText() == option)
                        QVERIFY(pickOption(access, menu->itemText(i == 0 ? 1 : 0)));
                    QVERIFY(pickOption(access, option));
                    QVERIFY(settle(wizard));
                    const QString where = name + QStringLiteral(" accessor ") + option;
                    if (typed.contains(option)) {
                        if (walkToFinish(wizard))
                            failures << where + QStringLiteral(": Finish with an empty entry");
                        walkBackToStart(wizard);
                        if (option == QLatin1String("Python Call"))
                            QVERIFY(typePythonBody(access->input(), typed.value(option)));
                        else
                            typeInto(access, typed.value(option));
                    }
                    if (walkToFinish(wizard))
                        sources.append({where, wizard->generate().definitions});
                    else if (typed.contains(option) || option == QLatin1String("Offset"))
                        failures << where + QStringLiteral(": refused with a valid entry");
                    walkBackToStart(wizard);
                }
                // A Lambda with a syntax error is refused, then mended.
                QVERIFY(pickOption(access, QStringLiteral("Lambda")));
                typeInto(access, QStringLiteral("value +"));
                if (walkToFinish(wizard))
                    failures << name + QStringLiteral(": Finish with a Lambda that does not compile");
                walkBackToStart(wizard);
                typeInto(access, QStringLiteral("value"));
                if (!walkToFinish(wizard))
                    failures << name + QStringLiteral(": the mended Lambda is refused");
                else
                    click(wizard->finishButton());
            });
            QVERIFY2(ran, qPrintable(name));
            // Saved with the edit, and everything else as loaded.
            QJsonObject expected = field;
            QJsonObject access = expected.value(Key::accessor).toObject();
            access.insert(Key::accessor, QJsonObject{{Key::LambdaExpression, "value"}});
            expected.insert(Key::accessor, access);
            const QJsonObject saved = list.model()->entryAt(f);
            if (saved != expected) {
                failures << name + QStringLiteral(": saved otherwise: ") + difference(saved, expected);
                continue;
            }
            editEntry(&list, f, dialogs, [&](Wizard *wizard) {
                QCOMPARE(wizard->value().toObject(), saved);
                AccessorField *access = static_cast<GeneralAccessor *>(wizard->row(FieldPage, Key::accessor))->accessorRow();
                QCOMPARE(access->input()->optionCombo()->currentText(), QStringLiteral("Lambda"));
                QCOMPARE(access->input()->textEdit()->text(), QStringLiteral("value"));
                click(wizard->cancelButton());
            });
        }
    }
    QCOMPARE(fieldsSeen, 83);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    const QStringList broken = notCompiling(sources);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_StoredModels)
#include "tst_storedmodels.moc"
