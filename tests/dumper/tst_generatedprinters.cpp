// The generators and the dumper side together: the type models of
// tests/fixtures/dumpertypes.conf go through the plug-in's generation (normal
// and debug mode), and the script it makes runs in real GDB beside the
// stand-in dumper, KorvanDumper.py and DynamicPrettyPrinters.py on the
// fixture program. The printers must show the values of the shared table.

#include "dumpertestsupport.h"

#include "common/gdblimits.h"
#include "common/pythonrunner.h"
#include "common/scriptgeneration.h"
#include "common/testenvironment.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "plugin/customregistrations.h"
#include "plugin/instrumentation.h"
#include "plugin/korvandebuggerplugin.h"
#include "plugin/logfilter.h"

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QtTest>

using namespace DumperTest;
using namespace KorvanDebugger::Configuration;

namespace {

const QStringList modes = {QStringLiteral("normal"), QStringLiteral("debug")};

// The document with one more class model.
QJsonObject withClass(QJsonObject document, const QJsonObject &definition)
{
    QJsonArray classes = document.value(Key::classes).toArray();
    classes.append(definition);
    document.insert(Key::classes, classes);
    return document;
}

// A class model whose own Python (a lambda the user wrote) fails as soon as
// the printer is defined, not when it runs.
QJsonObject failingAtLoad(const QString &typeName)
{
    return QJsonObject{
        {Key::className, QJsonObject{{Key::TemplateType, typeName}}},
        {Key::group, QStringLiteral("Test")},
        {Key::feature, QStringLiteral("Class")},
        {Key::fields,
         QJsonArray{QJsonObject{
             {Key::type, QStringLiteral("Standard")},
             {Key::displayedName, QStringLiteral("x")},
             {Key::accessor,
              QJsonObject{{Key::accessor,
                           QJsonObject{{Key::LambdaExpression, QStringLiteral("value)(undefinedAtLoad")}}}}}}}}};
}

// A customization of one watched value of type PairVec: each pair shows
// the member valueField.
QJsonObject customEntry(const QString &api, const QString &path, const QString &valueField)
{
    return QJsonObject{
        {Key::className, QJsonObject{{Key::className, QStringLiteral("PairVec")}, {Key::path, path}, {Key::api, api}}},
        {Key::fields, QJsonArray{QJsonObject{
                          {Key::customization, QStringLiteral("Value")},
                          {Key::valueCustom, QJsonObject{{Key::accessor, QJsonObject{{Key::Field, valueField}}}}}}}}};
}

// Every row of the shared table (those of the custom registration only
// when withCustom) against one fetch.
void verifyEveryRow(const QJsonArray &items, bool withCustom)
{
    for (const ShownValue &row : DumperTest::shownValues()) {
        if (withCustom || !row.needsCustomRegistration)
            verifyShownValue(items, row);
        if (QTest::currentTestFailed()) {
            qWarning("row: %s", row.tag);
            return;
        }
    }
}

} // namespace

class TestGeneratedPrinters : public QObject
{
    Q_OBJECT

private:
    Fixture m_fixture;
    QMap<QString, QString> m_scripts; // mode -> script text
    QMap<QString, GdbRun> m_runs;     // mode -> fetch of every variable

private slots:
    void initTestCase();
    void scriptsCompile_data();
    void scriptsCompile();
    void shownValues_data();
    void shownValues();
    void itemsInOrderWithTheirOwnINames();
    void typedefIsReportedOnce();
    void onlyTheBrokenModelIsReported();
    void modelFailingAtLoadLeavesTheOthers_data();
    void modelFailingAtLoadLeavesTheOthers();
    void secondGenerationReplacesTheFirst();
    void instrumentedScriptsBehaveTheSame_data();
    void instrumentedScriptsBehaveTheSame();
    void customRegistrationOfOneValue_data();
    void customRegistrationOfOneValue();
    void failingCustomPrinterNamesItsEntry();

private:
    // The class models of the fixture and the printers of the given custom
    // document, generated together as the plug-in sends them.
    QString scriptWithCustoms(const QJsonObject &customDocument, bool debugMode);
};

void TestGeneratedPrinters::initTestCase()
{
    QString error;
    QVERIFY2(m_fixture.prepare(&error), qPrintable(error));
    const QJsonObject document = fixtureDocument();
    QVERIFY(!document.value(Key::classes).toArray().isEmpty());

    const QString fetchAll = fetchCommand(allVariables(), true);
    for (const QString &mode : modes) {
        const QString path = m_fixture.writeGeneratedScript(document, mode, QStringLiteral("generated"));
        QVERIFY(!path.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_scripts.insert(mode, QString::fromUtf8(file.readAll()));
        const GdbRun run = m_fixture.run({path}, {fetchAll});
        QVERIFY2(run.exitCode == 0 && run.fetches.size() == 1, qPrintable(run.output));
        QCOMPARE(run.fetches.first().size(), allVariables().size());
        m_runs.insert(mode, run);
    }
}

void TestGeneratedPrinters::scriptsCompile_data()
{
    QTest::addColumn<QString>("mode");
    for (const QString &mode : modes)
        QTest::newRow(qPrintable(mode)) << mode;
}

void TestGeneratedPrinters::scriptsCompile()
{
    QFETCH(QString, mode);
    const PythonRun run = runPython(compileScript(m_scripts.value(mode)));
    QVERIFY2(run.output.trimmed() == QLatin1String("compiled"), qPrintable(run.output));
    // Every class model that is enabled has its dumper; the disabled one none.
    QVERIFY(m_scripts.value(mode).contains(QLatin1String("def qdump__PairMap(")));
    QVERIFY(!m_scripts.value(mode).contains(QLatin1String("Unused")));
}

void TestGeneratedPrinters::shownValues_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("row");
    const QVector<ShownValue> &rows = DumperTest::shownValues();
    for (const QString &mode : modes) {
        for (int i = 0; i < rows.size(); ++i) {
            // Registrations for one path come from the custom document, not
            // from the class models.
            if (!rows.at(i).needsCustomRegistration)
                QTest::newRow(qPrintable(mode + ": " + rows.at(i).tag)) << mode << i;
        }
    }
}

void TestGeneratedPrinters::shownValues()
{
    QFETCH(QString, mode);
    QFETCH(int, row);
    if (DumperTest::shownValues().at(row).callsTheProgram)
        KORVAN_REQUIRE_GDB_ABILITY(GdbLimits::functionCalls());
    verifyShownValue(m_runs.value(mode).fetches.value(0), DumperTest::shownValues().at(row));
}

void TestGeneratedPrinters::itemsInOrderWithTheirOwnINames()
{
    for (const GdbRun &run : qAsConst(m_runs)) {
        const QJsonArray items = run.fetches.value(0);
        QStringList keys;
        for (const QJsonValue &child : childByPath(items, "tree", QString()).value("children").toArray())
            keys << child.toObject().value("name").toString();
        QCOMPARE(keys, (QStringList{"1", "2", "4", "5"})); // key 3 is filtered out

        // The field type without helper ("Combined") is left out.
        QStringList bagFields;
        for (const QJsonValue &child : childByPath(items, "bag", QString()).value("children").toArray())
            bagFields << child.toObject().value("name").toString();
        QCOMPARE(bagFields, (QStringList{"items", "label"}));

        const QJsonArray twins = childByPath(items, "twinDict", QString()).value("children").toArray();
        QCOMPARE(twins.size(), 2);
        QCOMPARE(twins.at(1).toObject().value("value").toString(), QStringLiteral("\"second\""));
        QVERIFY(twins.at(0).toObject().value("iname") != twins.at(1).toObject().value("iname"));
    }
}

void TestGeneratedPrinters::typedefIsReportedOnce()
{
    for (const GdbRun &run : qAsConst(m_runs))
        QCOMPARE(run.reportLines.filter(QRegularExpression("^KORVANTYPEDEF;")), QStringList{"KORVANTYPEDEF;Point2D;Point;"});
}

void TestGeneratedPrinters::onlyTheBrokenModelIsReported()
{
    // Every printer is defined: no failure at load in either mode.
    QVERIFY(m_runs.value("normal").reportLines.filter(QRegularExpression("^KORVANDEBUG|^Korvan: ")).isEmpty());

    // Where GDB cannot call the program's functions, the two accessors that
    // do are reported too, with GDB's refusal; nothing else is.
    const QString brokenApi = QStringLiteral("classes.Test.Broken.fields.value.accessor.accessor");
    QList<Report> reports;
    QList<Report> refusedCalls;
    for (const Report &report : reportsOf(m_runs.value("debug").reportLines))
        (report.value("API") == brokenApi ? reports : refusedCalls).append(report);
    const GdbLimits::Ability &calls = GdbLimits::functionCalls();
    QVERIFY2(calls.probed, qPrintable(calls.reason));
    QStringList refusedApis;
    for (const Report &report : refusedCalls) {
        refusedApis << report.value("API");
        QCOMPARE(report.value("ERRORTYPE"), QStringLiteral("<class 'gdb.error'>"));
        QVERIFY2(report.value("ERRORDESC").contains(calls.message), qPrintable(report.value("ERRORDESC")));
    }
    const QStringList callingApis{QStringLiteral("classes.Test.Counter.fields.twice.accessor.accessor"),
                                  QStringLiteral("classes.Test.Counter.fields.square.accessor.accessor")};
    QCOMPARE(refusedApis, calls.able ? QStringList() : callingApis);

    QCOMPARE(reports.size(), 2); // holder.broken and broken
    for (const Report &report : reports) {
        QCOMPARE(report.value("API"), QStringLiteral("classes.Test.Broken.fields.value.accessor.accessor"));
        QCOMPARE(report.value("VARTYPE"), QStringLiteral("Broken"));
        QCOMPARE(report.value("ERRORTYPE"), QStringLiteral("<class 'gdb.error'>"));
        QVERIFY(report.value("ERRORDESC").contains("nosuch"));
    }
    QCOMPARE(reports.at(0).value("VAR"), QStringLiteral("{value = 42}"));
    QCOMPARE(reports.at(1).value("VAR"), QStringLiteral("{value = 13}"));

    for (const GdbRun &run : qAsConst(m_runs)) {
        const QJsonObject failed = childByPath(run.fetches.value(0), "broken", "value");
        QVERIFY(failed.value("error").toBool());
        QVERIFY(failed.value("value").toString().startsWith("<error: "));
    }
}

void TestGeneratedPrinters::modelFailingAtLoadLeavesTheOthers_data()
{
    scriptsCompile_data();
}

void TestGeneratedPrinters::modelFailingAtLoadLeavesTheOthers()
{
    QFETCH(QString, mode);
    // The failing model comes first in the document, before Point; Broken
    // stands for the models defined after it.
    QJsonObject document = fixtureDocument();
    QJsonArray classes = document.value(Key::classes).toArray();
    classes.prepend(failingAtLoad(QStringLiteral("Holder")));
    document.insert(Key::classes, classes);
    const QString path = m_fixture.writeGeneratedScript(withClass(document, failingAtLoad(QStringLiteral("Pair"))), mode,
                                     QStringLiteral("failing"));
    QVERIFY(!path.isEmpty());

    const GdbRun run = m_fixture.run({path}, {fetchCommand({"point", "holder", "pairMap", "tree"}, true)});
    QVERIFY2(run.exitCode == 0 && run.fetches.size() == 1, qPrintable(run.output));
    const QJsonArray items = run.fetches.first();
    QCOMPARE(childByPath(items, "point", "color").value("value").toString(), QStringLiteral("::Green"));
    QCOMPARE(childByPath(items, "pairMap", "2").value("value").toString(), QStringLiteral("2.5"));
    QCOMPARE(childByPath(items, "tree", "4").value("value").toString(), QStringLiteral("40"));
    // Holder has no printer: GDB's own members.
    QCOMPARE(childByPath(items, "holder", "point/visible").value("value").toString(), QStringLiteral("No"));

    // Each failure is reported under its class: report lines in debug mode,
    // a plain line otherwise.
    if (mode == QLatin1String("debug")) {
        QList<Report> reports = reportsOf(run.reportLines);
        QCOMPARE(reports.size(), 3); // and holder.broken, when it is shown
        QCOMPARE(reports.takeLast().value("API"), QStringLiteral("classes.Test.Broken.fields.value.accessor.accessor"));
        QCOMPARE(reports.at(0).value("API"), QStringLiteral("classes.Test.Holder"));
        QCOMPARE(reports.at(1).value("API"), QStringLiteral("classes.Test.Pair"));
        for (const Report &report : qAsConst(reports)) {
            QCOMPARE(report.value("ERRORTYPE"), QStringLiteral("<class 'NameError'>"));
            QCOMPARE(report.value("ERRORDESC"), QStringLiteral("name 'undefinedAtLoad' is not defined"));
        }
    } else {
        QCOMPARE(run.reportLines.filter(QRegularExpression("^Korvan: ")),
                 (QStringList{"Korvan: the printer of classes.Test.Holder is not defined: NameError: name "
                              "'undefinedAtLoad' is not defined",
                              "Korvan: the printer of classes.Test.Pair is not defined: NameError: name "
                              "'undefinedAtLoad' is not defined"}));
    }
}

void TestGeneratedPrinters::secondGenerationReplacesTheFirst()
{
    // The plug-in sends each new script to the running GDB: the second one
    // deletes the names of the first and defines its own.
    TestEnvironment env;
    TestEnvironment::setDebugMode(true);
    QJsonObject document = fixtureDocument();
    const QString first = generateScript(document);
    const QString second = generateScript(withClass(document, failingAtLoad(QStringLiteral("Holder"))));
    QVERIFY(second.startsWith(QLatin1String("try: #--\n  del ")));
    const QStringList paths{m_fixture.writeScript(QStringLiteral("generation1.py"), first),
                            m_fixture.writeScript(QStringLiteral("generation2.py"), second)};
    QVERIFY(!paths.contains(QString()));
    const GdbRun run = m_fixture.run(paths, {fetchCommand(allVariables(), true)});
    QVERIFY2(run.exitCode == 0 && run.fetches.size() == 1, qPrintable(run.output));
    verifyEveryRow(run.fetches.first(), false);
}

void TestGeneratedPrinters::instrumentedScriptsBehaveTheSame_data()
{
    scriptsCompile_data();
}

void TestGeneratedPrinters::instrumentedScriptsBehaveTheSame()
{
    // The plug-in rewrites the script before sending it; the class guards
    // must survive that rewrite.
    QFETCH(QString, mode);
    const QString path = m_fixture.filePath(QStringLiteral("generated_") + mode + QStringLiteral(".py"));
    const GdbRun run = m_fixture.runInstrumented(path, mode == QLatin1String("debug"), {fetchCommand(allVariables(), true)});
    QVERIFY2(run.exitCode == 0 && run.fetches.size() == 1, qPrintable(run.output));
    QCOMPARE(run.fetches.first(), m_runs.value(mode).fetches.first());
    // The statement trace runs in debug mode only: outside it, a large
    // container would write a line per executed statement.
    QCOMPARE(run.reportLines.filter(QRegularExpression("^userCode.getOutput\\(true\\): +\\d+ ")).isEmpty(),
             mode != QLatin1String("debug"));
    QCOMPARE(reportsOf(run.reportLines), reportsOf(m_runs.value(mode).reportLines));
}

QString TestGeneratedPrinters::scriptWithCustoms(const QJsonObject &customDocument, bool debugMode)
{
    using namespace KorvanDebugger::Internal;
    TestEnvironment env;
    TestEnvironment::setDebugMode(debugMode);
    if (!saveConfigurationFile(fixtureDocument(), Key::prettyPrintersDocument))
        return QString();
    KorvanDebuggerPlugin plugin;
    PythonCode code = plugin.generateAllClassModels();
    code.merge(generateCustomCode(customDocument,
                                  [&plugin](const QString &type) { return plugin.findStoredClassDefinition(type); }));
    return instrumentPython(code.unregisterCustomsCode(true), "userCode.getOutput(true)", false);
}

void TestGeneratedPrinters::customRegistrationOfOneValue_data()
{
    scriptsCompile_data();
}

void TestGeneratedPrinters::customRegistrationOfOneValue()
{
    QFETCH(QString, mode);
    // Paths and apis that no value has, with texts that must stay inside
    // their literals, and an entry whose class has no model.
    QJsonObject custom{{customKey("pv", "PairVec"), customEntry(QString(), "pv", ".second")},
                       {customApiKey("f\"),", "pv\\\"#", "PairVec"), customEntry("f\"),", "pv\\\"#", ".second")},
                       {customKey("m_data.x", "PairVec"), customEntry(QString(), "m_data.x", ".first")}};
    QJsonObject unknown = customEntry(QString(), "pv", ".second");
    unknown.insert(Key::className, QJsonObject{{Key::className, "NoModel"}, {Key::path, "other\""}, {Key::api, ""}});
    custom.insert(customKey("other\"", "NoModel"), unknown);
    const QString script = scriptWithCustoms(custom, mode == QLatin1String("debug"));
    QVERIFY(script.contains(QLatin1String("theDumper.unregisterCustom(\"\",\"other\\\"\")")));
    const QString path = m_fixture.writeScript(QStringLiteral("custom_") + mode + QStringLiteral(".py"), script);
    QVERIFY(!path.isEmpty());

    const GdbRun run = m_fixture.run({path}, {fetchCommand(allVariables(), true)});
    QVERIFY2(run.exitCode == 0 && run.fetches.size() == 1, qPrintable(run.output));
    QVERIFY2(!run.output.contains(QLatin1String("Traceback")), qPrintable(run.output));
    QCOMPARE(reportsOf(run.reportLines), reportsOf(m_runs.value(mode).reportLines)); // the broken model only
    // The registered value shows its own way; every other value as before.
    verifyEveryRow(run.fetches.first(), true);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(childByPath(run.fetches.first(), "pv", "[0]").value("value").toString(), QStringLiteral("1.5"));
    QCOMPARE(childByPath(m_runs.value(mode).fetches.first(), "pv", "[0]").value("value").toString(), QStringLiteral("{...}"));
}

void TestGeneratedPrinters::failingCustomPrinterNamesItsEntry()
{
    using namespace KorvanDebugger::Internal;
    // Registered for this function, so it wins over the one for every function.
    const QJsonObject custom{{customKey("pv", "PairVec"), customEntry(QString(), "pv", ".second")},
                             {customApiKey("main", "pv", "PairVec"), customEntry("main", "pv", ".noSuchMember")}};
    const QString path = m_fixture.writeScript(QStringLiteral("custom_failing.py"), scriptWithCustoms(custom, true));
    QVERIFY(!path.isEmpty());
    const GdbRun run = m_fixture.run({path}, {fetchCommand({"pv"}, true)});
    QVERIFY2(run.fetches.size() == 1, qPrintable(run.output));
    const QList<Report> reports = reportsOf(run.reportLines);
    QVERIFY2(!reports.isEmpty(), qPrintable(run.reportLines.join('\n')));

    // What the log filter makes of the report leads back to the entry.
    PythonError error;
    for (auto it = reports.first().constBegin(); it != reports.first().constEnd(); ++it)
        error.parseLine(it.key() + QLatin1Char(':') + it.value());
    QVERIFY2(error.isCustomApi(), qPrintable(error.api.join('.')));
    CustomErrorTarget target;
    QVERIFY(takeCustomErrorTarget(error, &target));
    QCOMPARE(target.api, QStringLiteral("main"));
    QCOMPARE(target.path, QStringLiteral("pv"));
    QCOMPARE(target.className, QStringLiteral("PairVec"));
    QCOMPARE(findCustomDefinition(custom, target.api, target.path, target.className),
             custom.value(QStringLiteral("main;pv;PairVec")).toObject());
}

QTEST_MAIN(TestGeneratedPrinters)
#include "tst_generatedprinters.moc"
