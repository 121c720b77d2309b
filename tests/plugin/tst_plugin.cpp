#include "common/testenvironment.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "netlist/netlisttypes.h"
#include "plugin/korvandebuggerplugin.h"

#include <coreplugin/editormanager.h>
#include <coreplugin/idocument.h>
#include <coreplugin/ieditor.h>
#include <coreplugin/icore.h>
#include <dialogs/dialogs.h>
#include <texteditor/textmark.h>

#include <QEventLoop>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTimer>

#include <QFile>
#include <QJsonArray>
#include <QResource>
#include <QtTest>

using namespace KorvanDebugger;
using KorvanDebugger::Internal::KorvanDebuggerPlugin;

class TestPlugin : public QObject
{
    Q_OBJECT

private slots:
    void resourcesAreReadUncompressed()
    {
        Q_INIT_RESOURCE(testdata);
        QFile source(QStringLiteral(KORVAN_TEST_DATA "/script.py"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray expected = source.readAll();

        QCOMPARE(QResource(QStringLiteral(":Compressed.py")).compressionAlgorithm(), QResource::ZlibCompression);
        QCOMPARE(KorvanDebuggerPlugin::getResourceCode(":Compressed.py"), expected);
        QCOMPARE(KorvanDebuggerPlugin::getResourceCodeAsQstring(":Compressed.py"), QString::fromLatin1(expected));

        QCOMPARE(QResource(QStringLiteral(":Plain.bin")).compressionAlgorithm(), QResource::NoCompression);
        QCOMPARE(KorvanDebuggerPlugin::getResourceCode(":Plain.bin"), QByteArray("caf\xe9\0after zero", 15));
        // Text stops at the first zero byte and is Latin-1.
        QCOMPARE(KorvanDebuggerPlugin::getResourceCodeAsQstring(":Plain.bin"), QString::fromUtf8("caf\xc3\xa9"));

        QVERIFY(KorvanDebuggerPlugin::getResourceCode(":NoSuchResource.py").isEmpty());
        QVERIFY(KorvanDebuggerPlugin::getResourceCodeAsQstring(":NoSuchResource.py").isEmpty());
    }

    void loadsBothDocumentsAtConstruction()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        QVERIFY(KorvanDebuggerPlugin::getConfiguration().isNull());

        const QJsonObject models{{Configuration::Key::classes,
                                  QJsonArray{QJsonObject{{Configuration::Key::group, QStringLiteral("g")}}}}};
        QVERIFY(Configuration::saveConfigurationFile(models, Configuration::Key::prettyPrintersDocument));
        QFile broken(Configuration::configurationFilePath(Configuration::Key::customPrettyPrintersDocument));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("{ not json");
        broken.close();

        {
            KorvanDebuggerPlugin plugin;
            QCOMPARE(KorvanDebuggerPlugin::instance(), &plugin);
            QCOMPARE(*KorvanDebuggerPlugin::getConfiguration(), models);
            // The unreadable document is reported and left empty in memory.
            QVERIFY(plugin.customConfiguration()->isEmpty());
            QCOMPARE(dialogs.messages.size(), 1);
            QVERIFY(dialogs.messages.first().text.startsWith(QStringLiteral("Korvan configuration read error: ")));
            QVERIFY(plugin.initialize({}, nullptr));
            // Start-up fills the netlist type registry and writes its files.
            QVERIFY(Internal::isInstanceType(QStringLiteral("Verific::Instance *")));
            QVERIFY(QFile::exists(env.filePath(QStringLiteral("config/Korvan/Debugger/UserGateMapping.ini"))));
            QCOMPARE(plugin.aboutToShutdown(), ExtensionSystem::IPlugin::SynchronousShutdown);
        }
        QVERIFY(KorvanDebuggerPlugin::instance() == nullptr);
        QVERIFY(KorvanDebuggerPlugin::getConfiguration().isNull());
    }

    void autoReleasedObjectsAreDeletedWithThePlugin()
    {
        TestEnvironment env;
        QPointer<QObject> page = new QObject;
        {
            KorvanDebuggerPlugin plugin;
            plugin.addAutoReleasedObject(page);
            QCOMPARE(plugin.autoReleasedObjects().size(), 1);
        }
        QVERIFY(page.isNull());
    }

    void aSecondPluginObjectIsRefusedNotFatal()
    {
        TestEnvironment env;
        KorvanDebuggerPlugin first;
        QStringList critical;
        {
            LogCapture log;
            KorvanDebuggerPlugin second;
            critical = log.texts(QtCriticalMsg);
            QVERIFY(second.isRefused());
            QCOMPARE(KorvanDebuggerPlugin::instance(), &first);
            QString error;
            QVERIFY(!second.initialize({}, &error));
            QCOMPARE(error, QStringLiteral("Korvan Debugger is already loaded; a second plug-in object was refused."));
            QVERIFY(!second.delayedInitialize());
            QCOMPARE(second.aboutToShutdown(), ExtensionSystem::IPlugin::SynchronousShutdown);
        }
        QCOMPARE(critical.size(), 1);
        QVERIFY(critical.first().contains(QLatin1String("second plug-in object was refused")));
        // The refused object's end leaves the live one in place.
        QCOMPARE(KorvanDebuggerPlugin::instance(), &first);
        QVERIFY(!first.isRefused());
    }

    void initializeRegistersSixEventTypes()
    {
        TestEnvironment env;
        KorvanDebuggerPlugin plugin;
        QVERIFY(plugin.initialize({}, nullptr));
        const QList<int> types{KorvanDebuggerPlugin::instanceEventType, KorvanDebuggerPlugin::instanceTerminalEventType,
                               KorvanDebuggerPlugin::netEventType, KorvanDebuggerPlugin::moduleEventType,
                               KorvanDebuggerPlugin::modulePortEventType,
                               KorvanDebuggerPlugin::instanceDefinitionEventType};
        for (int i = 0; i < types.size(); ++i) {
            QVERIFY(types.at(i) >= QEvent::User && types.at(i) <= QEvent::MaxUser);
            QCOMPARE(types.lastIndexOf(types.at(i)), i);
        }
        // Without a stack delegate there is no current frame.
        QCOMPARE(plugin.currentFrameText(), QString());
        // Without the debugger window only the settings signals are tied.
        QVERIFY(!plugin.delayedInitialize());
    }

    void hdlSourcesOpenAtTheirLineWithOneMark()
    {
        TestEnvironment env;
        Host::ScriptedDialogs dialogs;
        const auto write = [&](const QString &name) {
            QFile file(env.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write("line 1\nline 2\nline 3\nline 4\nline 5\n");
            return file.fileName();
        };
        const QString sv = write(QStringLiteral("top.sv"));
        const QString v = write(QStringLiteral("cell.v"));
        const QString cpp = write(QStringLiteral("main.cpp"));
        const QString upper = write(QStringLiteral("upper.V"));

        QStandardItemModel model(0, 3);
        const auto addRow = [&](QStandardItem *parent, const QString &name, const QString &value) {
            QList<QStandardItem *> row{new QStandardItem(name), new QStandardItem(value), new QStandardItem()};
            parent->appendRow(row);
            return row.first();
        };
        QStandardItem *root = model.invisibleRootItem();
        const QModelIndex svRow = addRow(root, "gate", sv + ":3")->index();
        const QModelIndex vRow = addRow(root, "net", v + ":5")->index();
        const QModelIndex cppRow = addRow(root, "c", cpp + ":2")->index();
        const QModelIndex upperRow = addRow(root, "u", upper + ":2")->index();
        const QModelIndex noColon = addRow(root, "n", "just text")->index();
        const QModelIndex badLine = addRow(root, "b", sv + ":x")->index();
        const QModelIndex missing = addRow(root, "m", env.filePath("gone.sv") + ":1")->index();
        QStandardItem *holder = addRow(root, "instance", "{...}");
        addRow(holder, "Source", v + ":2");

        KorvanDebuggerPlugin plugin;
        QString file;
        int line = 0;
        QVERIFY(KorvanDebuggerPlugin::sourceLocation(svRow, file, line));
        QCOMPARE(file, sv);
        QCOMPARE(line, 3);
        // A drive letter's colon is part of the file name.
        const QModelIndex windows = addRow(root, "w", "C:\\x.v:12")->index();
        QVERIFY(!KorvanDebuggerPlugin::sourceLocation(windows, file, line)); // no such file here
        QCOMPARE(file, QStringLiteral("C:\\x.v"));
        QCOMPARE(line, 12);

        // The value column's location opens at its line, with the mark.
        QVERIFY(KorvanDebuggerPlugin::openSource(svRow, false));
        Core::IEditor *editor = Core::EditorManager::currentEditor();
        QVERIFY(editor);
        QCOMPARE(editor->document()->filePath(), sv);
        QCOMPARE(editor->currentLine(), 3);
        QCOMPARE(editor->document()->property("OpenedByDebugger").toBool(), true);
        QCOMPARE(TextEditor::TextMark::marksOf(sv).size(), 1);
        TextEditor::TextMark *mark = plugin.sourceMark();
        QCOMPARE(mark->lineNumber(), 3);
        QCOMPARE(mark->priority(), 2);
        QCOMPARE(mark->category().name(), QByteArray("Bookmarks.TextMarkCategory"));
        QVERIFY(!mark->icon().isNull());

        // Another location moves the one mark; the name column works too.
        QVERIFY(KorvanDebuggerPlugin::openSource(vRow.sibling(vRow.row(), 0), false));
        QCOMPARE(TextEditor::TextMark::liveMarkCount(), 1);
        QVERIFY(TextEditor::TextMark::marksOf(sv).isEmpty());
        QCOMPARE(plugin.sourceMark()->lineNumber(), 5);

        // An editor that was already open is not marked as opened by us.
        Core::EditorManager::instance()->currentEditor()->document()->setProperty("OpenedByDebugger", QVariant());
        QVERIFY(KorvanDebuggerPlugin::openSource(vRow, false));
        QVERIFY(!Core::EditorManager::currentEditor()->document()->property("OpenedByDebugger").isValid());

        // Not HDL, no location, no file: nothing opens; a box only on request.
        for (const QModelIndex &index : {cppRow, upperRow, noColon, badLine, missing})
            QVERIFY(!KorvanDebuggerPlugin::openSource(index, false));
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(!KorvanDebuggerPlugin::openSource(cppRow, true));
        QVERIFY(!KorvanDebuggerPlugin::openSource(QModelIndex(), true));
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Graph Drawing Engine Message"));
        QCOMPARE(dialogs.messages.first().text, QStringLiteral("Source Information not available."));
        QCOMPARE(dialogs.messages.first().icon, QMessageBox::Information);
        QCOMPARE(Core::EditorManager::openedEditors().size(), 2);

        // A row without a location opens its "Source" child's.
        QVERIFY(KorvanDebuggerPlugin::openSource(holder->index(), false));
        QCOMPARE(plugin.sourceMark()->lineNumber(), 2);
        QCOMPARE(Core::EditorManager::currentEditor()->currentLine(), 2);
        // The same from the row's value column.
        Core::EditorManager::currentEditor()->gotoLine(1);
        QVERIFY(KorvanDebuggerPlugin::openSource(holder->index().sibling(holder->row(), 1), false));
        QCOMPARE(Core::EditorManager::currentEditor()->currentLine(), 2);

        Core::EditorManager::closeAllEditors();
    }

    void theMarkGoesWithThePlugin()
    {
        TestEnvironment env;
        QFile file(env.filePath(QStringLiteral("a.vhd")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("entity a is end;\n");
        file.close();
        QStandardItemModel model(1, 2);
        model.setItem(0, 1, new QStandardItem(file.fileName() + ":1"));
        {
            KorvanDebuggerPlugin plugin;
            QVERIFY(KorvanDebuggerPlugin::openSource(model.index(0, 1), false));
            QCOMPARE(TextEditor::TextMark::liveMarkCount(), 1);
        }
        QCOMPARE(TextEditor::TextMark::liveMarkCount(), 0);
        // Without a plug-in object the file still opens, unmarked.
        QVERIFY(KorvanDebuggerPlugin::openSource(model.index(0, 1), false));
        QCOMPARE(TextEditor::TextMark::liveMarkCount(), 0);
        Core::EditorManager::closeAllEditors();
    }

    void aPrinterErrorReachesTheOpenOptionsPage()
    {
        TestEnvironment env;
        KorvanDebuggerPlugin plugin;
        Configuration::PythonError error;
        error.var = QStringLiteral("list");
        error.errorDesc = QStringLiteral("bad index");
        QByteArray openedPage;
        QStringList receivedWhileOpen;
        QObject::connect(&plugin, &KorvanDebuggerPlugin::configError, &plugin,
                         [&](const Configuration::PythonError &e) { receivedWhileOpen << e.var + "/" + e.errorDesc; });
        // The host's dialog runs its own event loop until it closes.
        Core::ICore::setOptionsDialogHandler([&](const QByteArray &page, QWidget *) {
            openedPage = page;
            QEventLoop loop;
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec();
            return true;
        });
        plugin.scheduleConfigurationError(error);
        QVERIFY(openedPage.isEmpty()); // nothing happens before the event loop runs
        QTRY_COMPARE(openedPage, QByteArray("ZZ.Korvan.Debugger.Classes"));
        QCOMPARE(receivedWhileOpen, QStringList{"list/bad index"});
        Core::ICore::setOptionsDialogHandler({});
    }

    void messageBoxesDoNotBlock()
    {
        TestEnvironment env;
        QMainWindow window;
        Core::ICore::setMainWindow(&window);
        QPointer<QMessageBox> box = KorvanDebuggerPlugin::showMessageBox(
            QMessageBox::Warning, QStringLiteral("Bookmarks"), QStringLiteral("No such bookmark"),
            QMessageBox::Ok | QMessageBox::Cancel);
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->parentWidget(), &window);
        QCOMPARE(box->text(), QStringLiteral("No such bookmark"));
        QCOMPARE(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box->textInteractionFlags(), Qt::TextSelectableByMouse);
        box->close();
        QTRY_VERIFY(box.isNull());
        Core::ICore::setMainWindow(nullptr);
    }
};

QTEST_MAIN(TestPlugin)
#include "tst_plugin.moc"
