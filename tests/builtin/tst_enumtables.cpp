// korvan_enumtables' computation: definitions that give no table, and the
// stored tables of the built-in set against what the Qt headers of this
// machine give.

#include "configuration/document.h"
#include "configuration/keys.h"
#include "enumtables/enumprogram.h"
#include "plugin/korvandebuggerplugin.h"

#include <QJsonArray>
#include <QtTest>

using namespace KorvanDebugger;
using Tools::EnumProgram;

class TestEnumTables : public QObject
{
    Q_OBJECT

private slots:
    void definitionsThatGiveNoTable_data()
    {
        QTest::addColumn<QString>("definition");
        QTest::newRow("no declaration") << "#include <Qt>";
        QTest::newRow("no such enumeration") << "#include <Qt>\nQt::NoSuchFlag f;";
        QTest::newRow("header that does not compile") << "#include <no_such_header.h>\nQt::AlignmentFlag f;";
    }
    void definitionsThatGiveNoTable()
    {
        QFETCH(QString, definition);
        EnumProgram program;
        const Tools::EnumTable table = program.compute(QJsonObject{{Configuration::Key::definition, definition}});
        QVERIFY(!table.error.isEmpty());
        QVERIFY(table.enums.isEmpty());
    }

    void storedTablesAreWhatTheHeadersGive_data()
    {
        QTest::addColumn<QString>("className");
        QTest::newRow("flag groups") << "Qt::AlignmentFlag";
        QTest::newRow("flags type") << "QFlags<QIODevice::OpenModeFlag>";
        QTest::newRow("negative value") << "QDir::Filter";
        QTest::newRow("large enumeration") << "QEvent::Type";
        QTest::newRow("older form") << "Qt::UIEffect";
    }
    void storedTablesAreWhatTheHeadersGive()
    {
        QFETCH(QString, className);
        QJsonObject document;
        QVERIFY(Configuration::parseConfiguration(
            document, Internal::KorvanDebuggerPlugin::getResourceCode(":PrettyPrinters.conf")));
        QJsonObject enumeration;
        for (const QJsonValue &entry : document.value(Configuration::Key::classes).toArray()) {
            const QJsonObject definition = entry.toObject();
            if (definition.value(Configuration::Key::className).toObject().value(Configuration::Key::TemplateType)
                == className)
                enumeration = definition.value(Configuration::Key::enumeration).toObject();
        }
        QVERIFY(!enumeration.isEmpty());

        EnumProgram program;
        const Tools::EnumTable table = program.compute(enumeration);
        QVERIFY2(table.error.isEmpty(), qPrintable(table.error));
        if (enumeration.contains(Configuration::Key::compiledValue)) {
            QCOMPARE(QJsonArray::fromStringList(table.outputLines), enumeration.value(Configuration::Key::compiledValue).toArray());
            return;
        }
        QVERIFY(table.enums.size() > 0);
        QCOMPARE(QJsonArray::fromStringList(table.enums), enumeration.value(Configuration::Key::enums).toArray());
        QCOMPARE(QJsonArray::fromStringList(table.masks), enumeration.value(Configuration::Key::masks).toArray());
    }
};

QTEST_MAIN(TestEnumTables)
#include "tst_enumtables.moc"
