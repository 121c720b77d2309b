#include "common/testenvironment.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "netlist/netlisttypes.h"
#include "plugin/korvandebuggerplugin.h"

#include <dialogs/dialogs.h>

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
};

QTEST_MAIN(TestPlugin)
#include "tst_plugin.moc"
