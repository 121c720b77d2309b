#include "common/fileaccess.h"
#include "common/testenvironment.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "editor/configurationlist.h"
#include "editor/configurationlistmodel.h"
#include "plugin/korvandebuggerplugin.h"

#include <dialogs/dialogs.h>

#include <QDialogButtonBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include <optional>

using namespace KorvanDebugger::Configuration;

namespace {

const QString loaderTitle = QStringLiteral("Korvan Configuration loader.");
const QString writeTitle = QStringLiteral("Korvan Configuration write.");
const QString filter = QStringLiteral("Korvan Config File(*.conf)");

QJsonObject cls(const QString &group, const QString &type, bool enable = true, const QString &note = QString())
{
    QJsonObject entry{{Key::group, group}, {Key::className, QJsonObject{{Key::TemplateType, type}}},
                      {Key::enable, enable}};
    if (!note.isEmpty())
        entry.insert(QStringLiteral("note"), note);
    return entry;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonObject readJson(const QString &path)
{
    return QJsonDocument::fromJson(readAll(path)).object();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void writeClasses(const QString &path, const QJsonArray &classes)
{
    writeFile(path, QJsonDocument(QJsonObject{{Key::classes, classes}}).toJson());
}

// "Group/Type" or "Group/Type-" (disabled) for each class, in model order.
QStringList summary(const QJsonArray &classes)
{
    QStringList out;
    for (const QJsonValue &value : classes) {
        const QJsonObject entry = value.toObject();
        out << entry.value(Key::group).toString() + QLatin1Char('/')
                   + entry.value(Key::className).toObject().value(Key::TemplateType).toString()
                   + (entry.value(Key::enable).toBool(true) ? QString() : QStringLiteral("-"));
    }
    return out;
}

QAbstractButton *findButton(QDialog *dialog, const QString &text)
{
    for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// A dialog script that presses the button with the given text.
std::function<void(QDialog *)> press(const QString &text)
{
    return [text](QDialog *dialog) {
        QAbstractButton *b = findButton(dialog, text);
        QVERIFY2(b, qPrintable(QStringLiteral("no button \"%1\"").arg(text)));
        b->click();
    };
}

// A selection-dialog script: unchecks the named classes in the tree as a user
// would, then presses the button.
std::function<void(QDialog *)> uncheckAndPress(const QStringList &types, const QString &text)
{
    return [types, text](QDialog *dialog) {
        auto *tree = dialog->findChild<QTreeView *>();
        QVERIFY(tree);
        QAbstractItemModel *model = tree->model();
        for (const QString &type : types) {
            const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole, type, 1,
                                                       Qt::MatchExactly | Qt::MatchRecursive);
            QVERIFY2(found.size() == 1, qPrintable(type));
            QVERIFY(model->setData(found.first(), Qt::Unchecked, Qt::CheckStateRole));
        }
        press(text)(dialog);
    };
}

// "text|role|tool tip" per button of a message box or a button box, in the
// order they were added (the boxes' own lists go by role).
QStringList dialogButtons(QDialog *dialog)
{
    QStringList out;
    auto *message = qobject_cast<QMessageBox *>(dialog);
    auto *buttonBox = dialog->findChild<QDialogButtonBox *>();
    for (QAbstractButton *b : dialog->findChildren<QPushButton *>()) {
        const int role = message ? int(message->buttonRole(b)) : int(buttonBox->buttonRole(b));
        out << QStringLiteral("%1|%2|%3").arg(b->text()).arg(role).arg(b->toolTip());
    }
    return out;
}

} // namespace

class TestImportExport : public QObject
{
    Q_OBJECT

private:
    // Runs an import from a file, answering the question, the file dialog
    // and the selection dialog.
    static void importFile(ClassModel &model, Host::ScriptedDialogs &dialogs, const QString &path,
                           std::function<void(QDialog *)> selection)
    {
        dialogs.dialogScripts << press(QStringLiteral("From File")) << selection;
        dialogs.fileAnswers << path;
        model.importAction();
    }

    static void exportFile(ClassModel &model, Host::ScriptedDialogs &dialogs, const QString &choice,
                           const QString &path)
    {
        dialogs.dialogScripts << press(choice);
        dialogs.fileAnswers << path;
        model.exportAction();
    }

private slots:
    void questionBoxes()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        ClassModel model;
        model.setEntries(QJsonArray{cls("G", "A")});
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        QStringList seen;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        auto inspectAndPress = [&](const QString &answer) {
            return [&, answer](QDialog *dialog) {
                auto *box = qobject_cast<QMessageBox *>(dialog);
                QVERIFY(box);
                QVERIFY(!box->parentWidget());
                title = box->windowTitle();
                text = box->text();
                icon = box->icon();
                seen = dialogButtons(dialog);
                press(answer)(dialog);
            };
        };

        dialogs.dialogScripts << inspectAndPress(QStringLiteral("Cancel"));
        model.importAction();
        QCOMPARE(title, QStringLiteral("Import options"));
        QCOMPARE(text, QStringLiteral("Please select the source of the Pretty Printers."));
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(seen, QStringList({"Built-in|3|Import models from Korvan debugger built-in configuration.",
                                    "From File|3|Import models from a configuration file that was previously "
                                    "exported by Korvan debugger.",
                                    "Cancel|1|Cancel the import operation."}));

        dialogs.dialogScripts << inspectAndPress(QStringLiteral("Cancel"));
        model.exportAction();
        QCOMPARE(title, QStringLiteral("Export options"));
        QCOMPARE(text, QStringLiteral("Please select the exported model:"));
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(seen, QStringList({"All|3|Export all models regardless of the enable status.",
                                    "Enabled|3|Export only the models that are currently enabled",
                                    "Cancel|1|Cancel the export operation."}));

        // Cancel, or a box closed without a button, asks nothing further.
        model.importAction();
        model.exportAction();
        QCOMPARE(dialogs.dialogs, QStringList({"QMessageBox", "QMessageBox", "QMessageBox", "QMessageBox"}));
        QVERIFY(dialogs.fileRequests.isEmpty());
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(resets.count(), 0);
        QCOMPARE(summary(model.entries()), QStringList{"G/A"});

        // A cancelled file dialog stops as well.
        dialogs.dialogScripts << press(QStringLiteral("From File"));
        model.importAction();
        dialogs.dialogScripts << press(QStringLiteral("All"));
        model.exportAction();
        QCOMPARE(dialogs.fileRequests.size(), 2);
        for (const Host::FileRequest &request : dialogs.fileRequests) {
            QCOMPARE(request.caption, QStringLiteral("Select configuration file"));
            QCOMPARE(request.filter, filter);
            QVERIFY(request.directory.isEmpty());
        }
        QCOMPARE(dialogs.fileRequests[0].kind, Host::FileDialogKind::Open);
        QCOMPARE(dialogs.fileRequests[1].kind, Host::FileDialogKind::Save);
        QCOMPARE(dialogs.dialogs.size(), 6);
        QCOMPARE(resets.count(), 0);
        QVERIFY(QDir(env.path()).entryList(QStringList{"*.conf"}).isEmpty());
    }

    void exportSuffix_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("written");
        QTest::newRow("no suffix") << "models" << "models.conf";
        QTest::newRow("upper-case suffix") << "models.CONF" << "models.CONF.conf";
        QTest::newRow("suffix present") << "models.conf" << "models.conf";
        QTest::newRow("other suffix") << "models.json" << "models.json.conf";
    }
    void exportSuffix()
    {
        QFETCH(QString, answer);
        QFETCH(QString, written);
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        ClassModel model;
        model.setEntries(QJsonArray{cls("G", "A")});
        exportFile(model, dialogs, QStringLiteral("All"), env.filePath(answer));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(QDir(env.path()).entryList(QStringList{"models*"}, QDir::Files), QStringList{written});
        QCOMPARE(summary(readJson(env.filePath(written)).value(Key::classes).toArray()), QStringList{"G/A"});
    }

    void exportAllOrEnabled()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        ClassModel model;
        model.setEntries(QJsonArray{cls("H", "B", false), cls("G", "A"), cls("G", "C", false),
                                    QJsonObject{{Key::group, "G"}, {Key::className, QJsonObject{{Key::TemplateType, "D"}}}}});

        exportFile(model, dialogs, QStringLiteral("All"), env.filePath("all.conf"));
        const QByteArray allBytes = readAll(env.filePath("all.conf"));
        // An indented document holding nothing but the classes, in model order.
        QVERIFY(allBytes.contains("\n    \"classes\""));
        const QJsonObject all = QJsonDocument::fromJson(allBytes).object();
        QCOMPARE(all.keys(), QStringList{Key::classes});
        QCOMPARE(all.value(Key::classes).toArray(), model.entries());

        // "enable" absent counts as enabled.
        exportFile(model, dialogs, QStringLiteral("Enabled"), env.filePath("enabled.conf"));
        QCOMPARE(summary(readJson(env.filePath("enabled.conf")).value(Key::classes).toArray()),
                 QStringList({"G/A", "G/D"}));

        ClassModel none;
        none.setEntries(QJsonArray{cls("G", "A", false)});
        exportFile(none, dialogs, QStringLiteral("Enabled"), env.filePath("none.conf"));
        QCOMPARE(readJson(env.filePath("none.conf")), QJsonObject({{Key::classes, QJsonArray()}}));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void roundTripThroughFile()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        ClassModel source;
        source.setEntries(QJsonArray{cls("Qt (Common)", "QList"), cls("boost (1_60)", "vector", false, "kept"),
                                     cls(QString(), "Plain"), cls("Qt (Common)", "qmap")});
        exportFile(source, dialogs, QStringLiteral("All"), env.filePath("roundtrip"));

        ClassModel target;
        target.setEntries(QJsonArray{cls("Other", "Z")});
        QSignalSpy resets(&target, &QAbstractItemModel::modelReset);
        int shown = -1;
        importFile(target, dialogs, env.filePath("roundtrip.conf"), [&](QDialog *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Select model to import:"));
            QVERIFY(!dialog->parentWidget());
            auto *tree = dialog->findChild<QTreeView *>();
            QVERIFY(tree);
            shown = qobject_cast<ClassModel *>(tree->model())->entries().size();
            press(QStringLiteral("Import All"))(dialog);
        });
        QCOMPARE(shown, 4);
        QCOMPARE(resets.count(), 1);
        QVERIFY(dialogs.messages.isEmpty());
        QJsonArray expected = source.entries();
        expected.append(cls("Other", "Z"));
        ClassModel sorted;
        sorted.setEntries(expected);
        QCOMPARE(target.entries(), sorted.entries());
        // The group index is rebuilt: the tree shows the imported groups.
        QCOMPARE(target.rowCount(), 4);
    }

    void selectionDialog()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        writeClasses(env.filePath("in.conf"), QJsonArray{cls("G", "A"), cls("G", "B"), cls("H", "C")});
        ClassModel target;
        QStringList buttons;
        int expanded = -1;
        importFile(target, dialogs, env.filePath("in.conf"), [&](QDialog *dialog) {
            auto *box = dialog->findChild<QDialogButtonBox *>();
            QVERIFY(box);
            QCOMPARE(box->orientation(), Qt::Horizontal);
            buttons = dialogButtons(dialog);
            auto *tree = dialog->findChild<QTreeView *>();
            expanded = 0;
            for (int row = 0; row < tree->model()->rowCount(); ++row)
                expanded += tree->isExpanded(tree->model()->index(row, 0));
            QCOMPARE(tree->model()->rowCount(), 2);
            QCOMPARE(tree->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
            press(QStringLiteral("Cancel"))(dialog);
        });
        QCOMPARE(buttons, QStringList({"Import All|3|Import all models. The enabled status is as per the actual "
                                       "selection.",
                                       "Import Selected|3|Import only the selected models.",
                                       "Cancel|1|Cancel the import operation."}));
        QCOMPARE(expanded, 0);
        QVERIFY(target.entries().isEmpty());
    }

    void importAllKeepsUncheckedDisabled()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        writeClasses(env.filePath("in.conf"), QJsonArray{cls("G", "A"), cls("G", "B"), cls("H", "C")});
        ClassModel target;
        importFile(target, dialogs, env.filePath("in.conf"),
                   uncheckAndPress({"B", "C"}, QStringLiteral("Import All")));
        QCOMPARE(summary(target.entries()), QStringList({"G/A", "G/B-", "H/C-"}));
    }

    void importSelectedTakesOnlyChecked()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        writeClasses(env.filePath("in.conf"),
                     QJsonArray{cls("G", "A"), cls("G", "B"), cls("H", "C"), cls("H", "D", false)});
        ClassModel target;
        target.setEntries(QJsonArray{cls("K", "E")});
        importFile(target, dialogs, env.filePath("in.conf"),
                   uncheckAndPress({"B"}, QStringLiteral("Import Selected")));
        QCOMPARE(summary(target.entries()), QStringList({"G/A", "H/C", "K/E"}));

        // Every class unchecked: the model is reset, nothing comes in.
        QSignalSpy resetting(&target, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy resets(&target, &QAbstractItemModel::modelReset);
        importFile(target, dialogs, env.filePath("in.conf"),
                   uncheckAndPress({"A", "B", "C"}, QStringLiteral("Import Selected")));
        QCOMPARE(summary(target.entries()), QStringList({"G/A", "H/C", "K/E"}));
        QCOMPARE(resetting.count(), 1);
        QCOMPARE(resets.count(), 1);
    }

    void importReplacesSameClassInSameGroup()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        // "<Default>" written out names the default group too.
        writeClasses(env.filePath("in.conf"),
                     QJsonArray{cls("G", "A", true, "new"), cls("<Default>", "P", false, "new default")});
        ClassModel target;
        target.setEntries(QJsonArray{cls("G", "A", true, "old"), cls("G", "B"), cls(QString(), "P", true, "old")});
        QSignalSpy duplicates(&target, &ClassModel::duplicateEntry);
        QSignalSpy disabled(&target, &ClassModel::disableEntry);
        importFile(target, dialogs, env.filePath("in.conf"), press(QStringLiteral("Import All")));
        QCOMPARE(summary(target.entries()), QStringList({"<Default>/P-", "G/A", "G/B"}));
        QCOMPARE(target.entryAt(0).value("note").toString(), QStringLiteral("new default"));
        QCOMPARE(target.entryAt(1).value("note").toString(), QStringLiteral("new"));
        QCOMPARE(duplicates.count(), 0);
        QCOMPARE(disabled.count(), 0);
    }

    void importDisablesSameNameInOtherGroup()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        writeClasses(env.filePath("in.conf"), QJsonArray{cls("G", "A", true, "imported")});
        ClassModel target;
        target.setEntries(QJsonArray{cls("H", "A", true, "first"), cls("K", "A", false, "second"), cls("H", "B")});
        QSignalSpy disabled(&target, &ClassModel::disableEntry);
        QSignalSpy resets(&target, &QAbstractItemModel::modelReset);
        importFile(target, dialogs, env.filePath("in.conf"), press(QStringLiteral("Import All")));
        QCOMPARE(summary(target.entries()), QStringList({"G/A", "H/A-", "H/B", "K/A-"}));
        QCOMPARE(disabled.count(), 1);
        const QJsonObject other = disabled.first().first().value<QJsonObject>();
        QCOMPARE(other.value("note").toString(), QStringLiteral("first"));
        QCOMPARE(other.value(Key::enable), QJsonValue(false));
        QCOMPARE(resets.count(), 1);

        // A disabled import leaves the enabled class alone.
        writeClasses(env.filePath("off.conf"), QJsonArray{cls("L", "B", false)});
        importFile(target, dialogs, env.filePath("off.conf"), press(QStringLiteral("Import All")));
        QCOMPARE(summary(target.entries()), QStringList({"G/A", "H/A-", "H/B", "K/A-", "L/B-"}));
        QCOMPARE(disabled.count(), 1);
    }

    void fileWithoutClasses()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        writeFile(env.filePath("empty.conf"), R"({"configVersion": 1, "other": [1, 2]})");
        ClassModel target;
        target.setEntries(QJsonArray{cls("G", "A"), cls("H", "B", false)});
        const QJsonArray before = target.entries();
        QSignalSpy resets(&target, &QAbstractItemModel::modelReset);
        bool pickerShown = false;
        importFile(target, dialogs, env.filePath("empty.conf"), [&](QDialog *) { pickerShown = true; });
        // Nothing to pick: the user is told which file holds no classes, and
        // no empty picker is shown.
        QVERIFY(!pickerShown);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages.first().text.contains(QDir::toNativeSeparators(env.filePath("empty.conf"))),
                 qPrintable(dialogs.messages.first().text));
        QVERIFY(dialogs.messages.first().text.contains(QStringLiteral("\"classes\"")));
        dialogs.messages.clear();
        dialogs.dialogScripts.clear();
        QCOMPARE(target.entries(), before);
        QCOMPARE(target.rowCount(), 2);
        QCOMPARE(resets.count(), 0);

        // Entries that are no objects are no classes.
        writeFile(env.filePath("mixed.conf"),
                  R"({"classes": [1, "text", null, [], {"group": "K", "className": {"TemplateType": "C"}}]})");
        importFile(target, dialogs, env.filePath("mixed.conf"), press(QStringLiteral("Import All")));
        QCOMPARE(summary(target.entries()), QStringList({"G/A", "H/B-", "K/C"}));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void refusedDocuments_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // %1: the file
        const QByteArray broken = "{\"classes\": [\n  {\"group\": \"G\", ";
        QJsonParseError error;
        QJsonDocument::fromJson(broken, &error);
        // The parser's reason, the file, and the place in it.
        QTest::newRow("invalid JSON") << broken
                                      << QStringLiteral("Korvan configuration read error: %1 (%2, line 2, column 18)")
                                             .arg(error.errorString(), QStringLiteral("%1"));
        QTest::newRow("newer version")
            << QByteArray(R"({"configVersion": 2, "classes": [{"group": "G", "className": {"TemplateType": "A"}}]})")
            << QStringLiteral("Korvan configuration read error: Invalid File format (version)");
    }
    void refusedDocuments()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        writeFile(env.filePath("bad.conf"), bytes);
        ClassModel target;
        target.setEntries(QJsonArray{cls("H", "B")});
        QSignalSpy resets(&target, &QAbstractItemModel::modelReset);
        dialogs.dialogScripts << press(QStringLiteral("From File")) << press(QStringLiteral("Import All"));
        dialogs.fileAnswers << env.filePath("bad.conf");
        target.importAction();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().icon, QMessageBox::Critical);
        QCOMPARE(dialogs.messages.first().title, loaderTitle);
        QCOMPARE(dialogs.messages.first().text,
                 message.contains(QStringLiteral("%1")) ? message.arg(QDir::toNativeSeparators(env.filePath("bad.conf")))
                                                        : message);
        // No selection dialog, no change.
        QCOMPARE(dialogs.dialogs, QStringList{"QMessageBox"});
        QCOMPARE(summary(target.entries()), QStringList{"H/B"});
        QCOMPARE(resets.count(), 0);
        QCOMPARE(readAll(env.filePath("bad.conf")), bytes);
    }

    void unreadableFileIsTold()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        ClassModel target;
        target.setEntries(QJsonArray{cls("H", "B")});
        importFile(target, dialogs, env.filePath("missing.conf"), press(QStringLiteral("Import All")));
        // The file and the system's reason; nothing else happens.
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().text,
                 QStringLiteral("Korvan configuration read error: Can't open %1: No such file or directory")
                     .arg(QDir::toNativeSeparators(env.filePath("missing.conf"))));
        QCOMPARE(dialogs.dialogs, QStringList{"QMessageBox"});
        QCOMPARE(summary(target.entries()), QStringList{"H/B"});
    }

    void builtInSet()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        QJsonObject resource;
        QVERIFY(parseConfiguration(resource, KorvanDebugger::Internal::KorvanDebuggerPlugin::getResourceCode(
                                                 ":PrettyPrinters.conf")));
        const QJsonArray builtIn = resource.value(Key::classes).toArray();
        QVERIFY(builtIn.size() > 100);
        ClassModel expected;
        expected.setEntries(builtIn);

        ClassModel target;
        dialogs.dialogScripts << press(QStringLiteral("Built-in")) << press(QStringLiteral("Import All"));
        target.importAction();
        QVERIFY(dialogs.fileRequests.isEmpty());
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(target.entries(), expected.entries());
        // The set's disabled alternatives stay disabled.
        QVERIFY(summary(target.entries()).contains(QStringLiteral("Std (4_7)/std::list-")));

        // Selected: only what the set enables, over an edited copy of one.
        QJsonObject mine = expected.entryAt(expected.findEntry("Qt (Common)", "QList"));
        QVERIFY(mine.value(Key::enable).toBool(true));
        mine.insert(Key::enable, false);
        mine.insert("note", "mine");
        ClassModel selected;
        selected.setEntries(QJsonArray{mine});
        dialogs.dialogScripts << press(QStringLiteral("Built-in")) << press(QStringLiteral("Import Selected"));
        selected.importAction();
        int enabledInSet = 0;
        for (const QJsonValue &value : expected.entries())
            enabledInSet += value.toObject().value(Key::enable).toBool(true);
        QCOMPARE(selected.entries().size(), enabledInSet);
        QVERIFY(!selected.entryAt(selected.findEntry("Qt (Common)", "QList")).contains("note"));
    }

    void failedExportKeepsTheOldFile()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        const QString folder = env.filePath("exports");
        QVERIFY(QDir().mkpath(folder));
        const QString path = QDir(folder).filePath("models.conf");
        writeFile(path, "{\"classes\": [\"the user's old export\"]}");
        ClassModel model;
        model.setEntries(QJsonArray{cls("G", "A")});
        {
            FileModesEnforced enforced;
            ReadOnlyFolder readOnly(folder);
            if (!readOnly.isEnforced())
                QSKIP("this process can write into read-only folders");
            exportFile(model, dialogs, QStringLiteral("All"), path);
        }
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().icon, QMessageBox::Critical);
        QCOMPARE(dialogs.messages.first().title, writeTitle);
        QCOMPARE(dialogs.messages.first().text,
                 QStringLiteral("Korvan configuration save error: Can't open document %1: Permission denied")
                     .arg(QDir::toNativeSeparators(path)));
        QCOMPARE(readAll(path), QByteArray("{\"classes\": [\"the user's old export\"]}"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"models.conf"});
    }

    void classListButtonsReachTheModel()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        ClassList list;
        list.addButtons();
        list.setValue(QJsonObject{{Key::classes, QJsonArray{cls("G", "A")}}}, true);
        QPushButton *importButton = nullptr;
        QPushButton *exportButton = nullptr;
        for (QPushButton *b : list.findChildren<QPushButton *>()) {
            if (b->text() == QLatin1String("&Import"))
                importButton = b;
            if (b->text() == QLatin1String("&Export"))
                exportButton = b;
        }
        QVERIFY(importButton && exportButton);
        QVERIFY(importButton->isEnabled());
        QVERIFY(exportButton->isEnabled());

        dialogs.dialogScripts << press(QStringLiteral("All"));
        dialogs.fileAnswers << env.filePath("fromlist");
        exportButton->click();
        QCOMPARE(summary(readJson(env.filePath("fromlist.conf")).value(Key::classes).toArray()), QStringList{"G/A"});

        writeClasses(env.filePath("in.conf"), QJsonArray{cls("H", "B")});
        dialogs.dialogScripts << press(QStringLiteral("From File")) << press(QStringLiteral("Import All"));
        dialogs.fileAnswers << env.filePath("in.conf");
        QSignalSpy changed(&list, &ConfigurationListBase::changed);
        importButton->click();
        QCOMPARE(summary(list.value().toArray()), QStringList({"G/A", "H/B"}));
        QVERIFY(changed.count() >= 1);
    }
};

QTEST_MAIN(TestImportExport)
#include "tst_importexport.moc"
