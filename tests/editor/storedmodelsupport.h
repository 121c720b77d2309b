#pragma once

// Shared by the tests that edit the whole built-in model set through the
// options page: opening list entries, what Finish must wait for, batch
// compilation of generated Python, and how a definition reads back.

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

namespace StoredModelSupport {

constexpr int FieldPage = 9, ClassPage = 14;

inline QJsonObject builtInDocument()
{
    QJsonObject root;
    if (!parseConfiguration(root, KorvanDebuggerPlugin::getResourceCode(":PrettyPrinters.conf")))
        qFatal("the built-in model set does not parse");
    return root;
}

inline QString nameOf(const QJsonObject &definition)
{
    const QJsonValue name = definition.value(Key::className);
    return name.isObject() ? name.toObject().value(Key::TemplateType).toString()
                           : definition.value(Key::displayedName).toString();
}

inline QString compact(const QJsonValue &value)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
}

// Where two definitions differ, down through their fields.
inline QString difference(const QJsonObject &actual, const QJsonObject &expected, const QString &path = QString())
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
inline bool editEntry(ConfigurationListBase *list, int row, Host::ScriptedDialogs &dialogs,
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
inline QStringList blankMandatoryEntries(MyWizardPage *page)
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
inline QStringList blankMandatoryEntries(Wizard *wizard)
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
inline QString refusal(Wizard *wizard)
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
inline QStringList notCompiling(const QList<QPair<QString, QString>> &sources)
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
inline bool waitForTable(Wizard *wizard, const QJsonObject &definition)
{
    const QJsonObject enumeration = definition.value(Key::enumeration).toObject();
    if (enumeration.isEmpty() || enumeration.contains(Key::enums))
        return true;
    EnumInput *input = wizard->enumerationRow(ClassPage)->input();
    return QTest::qWaitFor([input] { return input->model()->rowCount() > 0; }, 60000);
}

// The definition as the wizard saves it with no edit: as loaded, with the
// values computed for an enumeration stored without them.
inline QJsonObject savedForm(QJsonObject definition, const QJsonObject &saved)
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

} // namespace StoredModelSupport

// The plug-in with the built-in set as the user's models and its options
// page open, as the user edits them.
class BuiltInOptionsPage
{
public:
    bool open()
    {
        m_env.reset(new TestEnvironment);
        m_builtIn = StoredModelSupport::builtInDocument();
        if (!saveConfigurationFile(m_builtIn, Key::prettyPrintersDocument))
            return false;
        m_plugin.reset(new KorvanDebuggerPlugin);
        QString error;
        if (!m_plugin->initialize({}, &error))
            return false;
        m_plugin->extensionsInitialized();
        QWidget *page = m_plugin->optionsPage()->widget();
        page->resize(900, 700);
        page->show();
        return classList() != nullptr;
    }
    void close()
    {
        if (m_plugin && m_plugin->optionsPage())
            m_plugin->optionsPage()->finish();
        m_plugin.reset();
        m_env.reset();
        QCoreApplication::processEvents();
    }
    ClassList *classList() const { return m_plugin->optionsPage()->classList(); }
    KorvanDebuggerPlugin *plugin() const { return m_plugin.get(); }
    const QJsonObject &builtIn() const { return m_builtIn; }
    int rowOfClass(const QJsonObject &definition) const
    {
        return classList()->classModel()->findEntry(definition.value(Key::group).toString(),
                                                    StoredModelSupport::nameOf(definition));
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<KorvanDebuggerPlugin> m_plugin;
    QJsonObject m_builtIn;
};
