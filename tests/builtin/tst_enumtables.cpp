// korvan_enumtables' computation: the enumerators read from preprocessed
// headers, the helper program text, and the stored tables of the built-in set
// against what the Qt headers of this machine give.

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
    void enumeratorsOfBody_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("plain") << " A, B = 2, C " << QStringList{"A", "B", "C"};
        QTest::newRow("trailing comma") << "A = 1,\n B = 2,\n" << QStringList{"A", "B"};
        QTest::newRow("commas inside initialisers")
            << "A = qMax(1, 2), B = std::integral_constant<int, 3>::value, C" << QStringList{"A", "B", "C"};
        QTest::newRow("attributes") << "A [[deprecated(\"no, never\")]] = 1, B __attribute__((deprecated(\"x, y\"))) = 2"
                                    << QStringList{"A", "B"};
        QTest::newRow("empty") << "  " << QStringList();
    }
    void enumeratorsOfBody()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, names);
        QCOMPARE(EnumProgram::enumeratorsOfBody(body), names);
    }

    void enumBodyIsTakenFromItsScope()
    {
        const QString text = QStringLiteral(
            "class Other { enum Mode { Wrong }; };\n"
            "namespace N { class __attribute__((visibility(\"default\"))) C : public B {\n"
            "  enum class Mode : int { X = 1, Y = (1 | 2) };\n"
            "}; }\n");
        bool scoped = false;
        QCOMPARE(EnumProgram::findEnumBody(text, "N::C", "Mode", &scoped).simplified(),
                 QStringLiteral("X = 1, Y = (1 | 2)"));
        QVERIFY(scoped);
        QCOMPARE(EnumProgram::findEnumBody(text, "Other", "Mode", &scoped).trimmed(), QStringLiteral("Wrong"));
        QVERIFY(!scoped);
        // A forward declaration is no scope; a missing enum gives nothing.
        QVERIFY(EnumProgram::findEnumBody("class C; enum Mode { A };", "C", "Mode", &scoped).isEmpty());
        QVERIFY(EnumProgram::findEnumBody(text, "N::C", "Kind", &scoped).isEmpty());
    }

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
        EnumProgram program(EnumProgram::qtIncludeOptions());
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

        EnumProgram program(EnumProgram::qtIncludeOptions());
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
