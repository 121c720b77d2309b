// The dumper side in real GDB: the stand-in dumper, KorvanDumper.py and
// DynamicPrettyPrinters.py with the printers generated from
// tests/fixtures/dumpertypes.conf, a hand-written custom dumper of one path
// and printers broken on purpose, on the fixture program
// tests/fixtures/dumpertypes.cpp. What the printers show is checked by
// tst_generatedprinters; here: the dumper's own behaviour (expansion, custom
// dumpers, cut-off, dumper list, failures, helper functions).

#include "dumpertestsupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

using DumperTest::childByPath;
using DumperTest::fetchCommand;
using DumperTest::GdbRun;
using DumperTest::Report;
using DumperTest::reportsOf;

const QString sourceRoot = DumperTest::sourceRoot();

// Python expressions evaluated in GDB with the scripts loaded (no program
// needed), and the repr() of their results.
struct PythonCheck { const char *tag, *expression, *expected; };
const PythonCheck pythonChecks[] = {
    {"mangled template", "mangleTypeName('std::map<int, char*>')", "'std__map_a_int_c_char_z_'"},
    {"mangled pointer", "mangleTypeName('QList<QString> *')", "'QList_a_QString_z_'"},
    {"mangled cast and character", "mangleTypeName(\"Odd<(int)-1, 'q'>\")", "'Odd_a__x28_int_x29__x2d_1_c__x27_q_x27__z_'"},
    {"template base", "templateBaseName('QList<int>')", "'QList'"},
    {"template arguments", "_templateArgumentTexts('Foo<Bar<int, 2>, 3>')", "['Bar<int, 2>', '3']"},
    {"numeric argument text", "numericTemplateArgument(gdb.lookup_type('int'), 0)", "raised error"},
    {"enum zero mask zero", "GenericEnumHelper(enums=({0x0:'::Z'}), masks=(0x0)).decode(0)", "'::Z'"},
    {"enum zero row", "GenericEnumHelper(enums=({0x1:'::A',0x2:'::B'},{0x0:'::Z'}), masks=(0x3,0x3)).decode(0)",
     "'::Z'"},
    {"enum group value", "GenericEnumHelper(enums=({0x1:'::A',0x2:'::B'},{0x0:'::Z'}), masks=(0x3,0x3)).decode(2)",
     "'::B'"},
    {"enum invalid", "GenericEnumHelper(enums=({0x1:'::A',0x2:'::B'},{0x0:'::Z'}), masks=(0x3,0x3)).decode(3)",
     "'<Invalid> = 3'"},
    {"enum negative pattern", "GenericEnumHelper(enums=({-1:'::Neg',0:'::Zero'}), masks=(-1)).decode(-1)", "'::Neg'"},
    {"enum 64-bit mask", "GenericEnumHelper(enums=({-2:'::M'}), masks=(0xffffffffffffffff)).decode(0xfffffffffffffffe)",
     "'::M'"},
    {"enum row breaking the format", "GenericEnumHelper(enums=({'a':'x'},{1:'::A'}), masks=(1,1)).decode(1)", "'::A'"},
    {"enum without rows", "GenericEnumHelper(enums=(), masks=()).rows", "[]"},
    {"enum defaults", "GenericEnumHelper().decode(5)", "''"},
    {"accessor with a shown name", "GenericAccessor(displayedName='x', accessor=1).displayedName", "'x'"},
    {"helpers without accessor take one", "(CombinedGenericAccessor(accessor=1).accessor, GenericFilter(displayedName='f').displayedName)",
     "(1, 'f')"},
    {"enum extra keywords", "GenericEnumHelper(directionField=1, debugContext='a.b').debugContext", "'a.b'"},
    {"text decoded again", "DecodedText(b'caf\\xc3\\xa9', 'utf8').decode('latin1')", "'caf\u00c3\u00a9'"},
    {"undecodable bytes", "str(DecodedText(b'caf\\xe9', 'utf8'))", "'caf\u00e9'"},
    {"two-byte characters", "decodeCharacterType(gdb.lookup_type('short'))[1](b'a\\x00b\\x00')", "'ab'"},
    {"eight-byte characters", "decodeCharacterType(gdb.lookup_type('long'))", "raised error"},
    {"arity one", "apiArity(lambda value: value)", "1"},
    {"arity of an accessor object", "apiArity(GenericAccessor())", "1"},
    {"arity with defaults and keywords", "(apiArity(lambda v, c=1: v), apiArity(lambda d, v, *, k: v), apiArity(lambda *a: 0))",
     "(1, 2, 0)"},
    {"arity of a bound method", "apiArity(GenericAccessor().__call__)", "1"},
    {"arity of a built-in", "apiArity(len)", "1"},
    {"one arity per new lambda, no cache entry", "[apiArity(lambda value: value) for _ in range(3)] + [len(_korvanArity) < 50]",
     "[1, 1, 1, True]"},
    {"type lookup cached", "gdb.lookup_type('int') is gdb.lookup_type('int')", "True"},
    {"type lookup of an unknown name", "gdb.lookup_type('NoSuchTypeAtAll')", "raised error"},
    {"types forgotten when object files change", "(_korvanForgetTypes(), len(_korvanTypes))[1]", "0"},
    {"quoted text", "quotedText('say \"hi\"\\n')", "'\"say \\\\\"hi\\\\\"\\\\n\"'"},
    {"quoted backslash and zero byte", "quotedText('C:\\\\d\\x00e\\te')", "'\"C:\\\\\\\\d\\\\0e\\\\te\"'"},
    {"quoted control and non-ASCII", "quotedText('\\x01\\x7f\\u00e9\\u21e5')", "'\"\\\\x01\\\\x7f\u00e9\u21e5\"'"},
    {"quoted empty", "quotedText('')", "'\"\"'"},
    {"arity with dumper", "BaseHelper().callAPI(lambda d, value: d is theDumper, 0)", "True"},
    {"arity with container", "BaseHelper().callAPI(lambda d, value, container: container, 0, 'c')", "'c'"},
    {"combined steps", "CombinedGenericAccessor(args=[lambda v: v + 1, lambda v: v * 2])(3)", "8"},
    {"filter on value", "GenericFilter(value=lambda v: v > 2).accept(None, 1)", "False"},
    {"filter on key and value", "GenericFilter(keyValue=lambda d, k, v: k == v).accept(4, 4)", "True"},
    {"unknown type", "theDumper.lookupType('NoSuchType')", "None"},
    {"pointer type", "str(theDumper.lookupType('const char **'))", "'char **'"},
    {"printer name of pointers to const",
     "theDumper.dumperTypeName(gdb.lookup_type('int').const().volatile().pointer().const().pointer().const())",
     "'int * *'"},
    {"sizes", "(theDumper.ptrSize(), theDumper.intSize())", "(8, 4)"},
    {"register unknown function", "theDumper.registerCustom('', 'x', 'qdump__Nothing')", "False"},
    {"unregister unknown path", "theDumper.unregisterCustom('', 'nothing')", "False"},
};

} // namespace

class TestDumper : public QObject
{
    Q_OBJECT

private:
    GdbRun runGdb(const QStringList &printerScripts, const QStringList &commands) const
    {
        return m_fixture.run(printerScripts, commands);
    }
    void runPythonChecks();

    DumperTest::Fixture m_fixture;
    QMap<QString, QStringList> m_printers; // "normal", "debug" -> generated printers and the custom dumper
    GdbRun m_helperRun;            // pythonHelpers and warnLines, without a program

private slots:
    void initTestCase();
    void resourceScriptsCompile_data();
    void resourceScriptsCompile();
    void brokenPrintersLeaveTheOthersWorking();
    void childrenOnlyWhenExpanded();
    void customDumperOfOnePath();
    void pointersTakeTheirTargetsPrinter();
    void stringCutOffElides();
    void stringModelEscapesItsText();
    void loadDumpersAndHostFetch();
    void gdbPrintersShowTypesWithoutModels();
    void pythonHelpers_data();
    void pythonHelpers();
    void warnLines();
};

void TestDumper::initTestCase()
{
    QString error;
    QVERIFY2(m_fixture.prepare(&error), qPrintable(error));

    const QJsonObject document = DumperTest::fixtureDocument();
    for (const QString &mode : {QStringLiteral("normal"), QStringLiteral("debug")}) {
        const QString generated = m_fixture.writeGeneratedScript(document, mode, QStringLiteral("printers"));
        QVERIFY(!generated.isEmpty());
        m_printers.insert(mode, {generated, sourceRoot + "/tests/dumper/printers_custom.py"});
    }
    runPythonChecks();
}

void TestDumper::resourceScriptsCompile_data()
{
    QTest::addColumn<QString>("script");
    QStringList scripts;
    for (const char *folder : {"/resources", "/host/dumper", "/tests/dumper"}) {
        const QDir dir(sourceRoot + QLatin1String(folder));
        for (const QString &name : dir.entryList({"*.py"}, QDir::Files))
            scripts << dir.filePath(name);
    }
    QVERIFY(scripts.size() >= 5);
    for (const QString &script : scripts)
        QTest::newRow(qPrintable(QFileInfo(script).fileName())) << script;
}

void TestDumper::resourceScriptsCompile()
{
    QFETCH(QString, script);
    QProcess python;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PYTHONPYCACHEPREFIX"), m_fixture.filePath(QStringLiteral("pycache")));
    python.setProcessEnvironment(environment);
    python.setProcessChannelMode(QProcess::MergedChannels);
    python.start(m_fixture.python(), {"-m", "py_compile", script});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAll().constData());
}

void TestDumper::brokenPrintersLeaveTheOthersWorking()
{
    const GdbRun run = runGdb(m_printers.value("debug") + QStringList{sourceRoot + "/tests/dumper/printers_broken.py"},
                              {fetchCommand({"list", "dict", "greeting", "bits", "point", "array"}, true)});
    QVERIFY2(run.exitCode == 0 && run.fetches.size() == 1, qPrintable(run.output));
    const QJsonArray items = run.fetches.first();

    for (const char *broken : {"list", "dict", "greeting", "bits"}) {
        const QJsonObject node = childByPath(items, broken, QString());
        QVERIFY2(node.value("error").toBool(), broken);
        QVERIFY(!node.contains("children"));
    }
    QVERIFY(childByPath(items, "bits", QString()).value("value").toString().contains("_Id_undefined"));
    QCOMPARE(childByPath(items, "point", "color").value("value").toString(), QStringLiteral("::Green"));
    QCOMPARE(childByPath(items, "array", "[1]").value("value").toString(), QStringLiteral("20"));

    const QList<Report> reports = reportsOf(run.reportLines);
    QCOMPARE(reports.size(), 3); // the undefined helper name is no model error: it is not reported
    QCOMPARE(reports.at(0).value("LINE"), QStringLiteral("2"));
    QCOMPARE(reports.at(0).value("API"), QStringLiteral("classes.Test.List.fields.#.nbElement"));
    QCOMPARE(reports.at(0).value("VARTYPE"), QStringLiteral("List"));
    QCOMPARE(reports.at(0).value("ERRORDESC"), QStringLiteral("Division by zero"));
    QCOMPARE(reports.at(1).value("API"), QStringLiteral("classes.Test.Dict.fields.#.arrayBase"));
    QCOMPARE(reports.at(1).value("ERRORTYPE"), QStringLiteral("<class 'NameError'>"));
    QCOMPARE(reports.at(2).value("API"), QStringLiteral("classes.Test.KString.string"));
    QCOMPARE(reports.at(2).value("ERRORDESC"),
             QStringLiteral("Invalid Character format. Character size must be 1, 2 or 4 bytes."));
    for (const Report &report : reports)
        QCOMPARE(report.size(), report.contains("LINE") ? 7 : 6);
}

void TestDumper::childrenOnlyWhenExpanded()
{
    const GdbRun run = runGdb(m_printers.value("normal"),
                              {fetchCommand({"holder", "list", "bits"}, false, {"inspect.1", "inspect.1.point"})});
    QVERIFY2(run.fetches.size() == 1, qPrintable(run.output));
    const QJsonArray items = run.fetches.first();
    QCOMPARE(childByPath(items, "holder", QString()).value("children").toArray().size(), 2);
    const QJsonObject broken = childByPath(items, "holder", "broken");
    QCOMPARE(broken.value("numchild").toInt(), 1);
    QVERIFY(!broken.contains("children"));
    QCOMPARE(childByPath(items, "holder", "point/visible").value("value").toString(), QStringLiteral("No"));
    QCOMPARE(childByPath(items, "holder", "point").value("iname").toString(), QStringLiteral("inspect.1.point"));
    for (const char *collapsed : {"list", "bits"}) {
        const QJsonObject node = childByPath(items, collapsed, QString());
        QVERIFY(node.value("numchild").toInt() > 0);
        QVERIFY(!node.contains("children"));
    }
    QCOMPARE(childByPath(items, "list", QString()).value("value").toString(), QStringLiteral("<3 nodes>"));
}

void TestDumper::customDumperOfOnePath()
{
    const QString fetchPv = fetchCommand({"pv"}, true);
    const GdbRun run = runGdb(m_printers.value("normal"),
                              {fetchPv,
                               "python theDumper.unregisterCustom(\"\",\"pv\")", fetchPv,
                               "python theDumper.registerCustom(\"otherFunction\",\"pv\",qdump__CustomPv)", fetchPv,
                               "python theDumper.registerCustom(\"main\",\"pv\",\"qdump__CustomPv\")", fetchPv,
                               "python theDumper.registerCustom(\"\",\"array.1\",qdump__Signed)",
                               fetchCommand({"array"}, true)});
    QVERIFY2(run.fetches.size() == 5, qPrintable(run.output));
    // a sub-item's path is the expression followed by its iname components
    QCOMPARE(childByPath(run.fetches.at(4), "array", "[1]").value("value").toString(), QStringLiteral("<Invalid> = 20"));
    QCOMPARE(childByPath(run.fetches.at(4), "array", "[0]").value("value").toString(), QStringLiteral("10"));
    // registered for every function, dropped, registered for another function, for this one
    const QStringList expected = {"1.5", "{...}", "{...}", "1.5"};
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(childByPath(run.fetches.at(i), "pv", "[0]").value("value").toString(), expected.at(i));
    QCOMPARE(childByPath(run.fetches.at(1), "pv", "[0]/first").value("value").toString(), QStringLiteral("1"));
}

void TestDumper::pointersTakeTheirTargetsPrinter()
{
    // Whatever qualifies the pointer or what it points to, and whether it
    // names the class by a typedef at any level, the object is shown by its
    // class's printer; a reference too.
    const QStringList pointers = {"(Point *)&point", "(const Point *)&point", "(const Point * const)&point",
                                  "(volatile const Point *)&point", "(const Point2D *)&point",
                                  "(Point2D * const)&point", "(const Point2D * const *)&handle.ptr",
                                  "(const Point2D &)point"};
    const GdbRun run = runGdb(m_printers.value("normal"), {fetchCommand(pointers, true)});
    QVERIFY2(run.exitCode == 0 && run.fetches.size() == 1, qPrintable(run.output));
    for (const QString &pointer : pointers) {
        QCOMPARE(childByPath(run.fetches.first(), pointer, "color").value("value").toString(), QStringLiteral("::Green"));
        QCOMPARE(childByPath(run.fetches.first(), pointer, "visible").value("value").toString(), QStringLiteral("Yes"));
    }
}

void TestDumper::gdbPrintersShowTypesWithoutModels()
{
    // No model covers these types, but GDB has printers for them: their
    // texts, a map's entries named by their keys, a string's text alone.
    const GdbRun run = runGdb({sourceRoot + "/tests/dumper/printers_gdbstyle.py"},
                              {fetchCommand({"point", "pairs", "pv", "outer", "counter"}, true),
                               fetchCommand({"point"}, false)});
    QVERIFY2(run.exitCode == 0 && run.fetches.size() == 2, qPrintable(run.output));
    const QJsonArray items = run.fetches.first();
    QCOMPARE(childByPath(items, "point", QString()).value("value").toString(), QStringLiteral("pairs of 3"));
    QCOMPARE(childByPath(items, "point", QString()).value("numchild").toInt(), 2);
    QCOMPARE(childByPath(items, "point", "[1]").value("value").toString(), QStringLiteral("one"));
    QCOMPARE(childByPath(items, "point", "[4]").value("value").toString(), QStringLiteral("3"));
    QCOMPARE(childByPath(items, "pairs", "[1]").value("value").toString(), QStringLiteral("\"first is 2\""));
    QCOMPARE(childByPath(items, "pairs", "[1]").value("numchild").toInt(), 0);
    // A type without any printer: its members.
    QCOMPARE(childByPath(items, "pv", "size").value("value").toString(), QStringLiteral("2"));
    // Children without a text, or with a None text: "{...}", as for a
    // structure, and the children below it.
    QCOMPARE(childByPath(items, "outer", QString()).value("value").toString(), QStringLiteral("{...}"));
    QCOMPARE(childByPath(items, "outer", QString()).value("numchild").toInt(), 2);
    QCOMPARE(childByPath(items, "outer", "tag").value("value").toString(), QStringLiteral("99"));
    QCOMPARE(childByPath(items, "outer", "inner x").value("value").toString(), QStringLiteral("11"));
    QCOMPARE(childByPath(items, "counter", QString()).value("value").toString(), QStringLiteral("{...}"));
    QCOMPARE(childByPath(items, "counter", "base").value("value").toString(), QStringLiteral("6"));
    // Not expanded: children announced, not walked.
    const QJsonObject closed = childByPath(run.fetches.at(1), "point", QString());
    QCOMPARE(closed.value("numchild").toInt(), 1);
    QVERIFY(!closed.contains("children"));
}

void TestDumper::stringCutOffElides()
{
    const GdbRun run = runGdb(m_printers.value("normal"),
                              {"korvan-fetch-json {\"watchers\":[{\"expression\":\"greeting\"},"
                               "{\"expression\":\"empty\"}],\"stringcutoff\":\"5\"}"});
    QVERIFY2(run.fetches.size() == 1, qPrintable(run.output));
    QCOMPARE(childByPath(run.fetches.first(), "greeting", QString()).value("value").toString(),
             QStringLiteral("\"hello...\""));
    QCOMPARE(childByPath(run.fetches.first(), "empty", QString()).value("value").toString(), QStringLiteral("\"\""));
}

void TestDumper::stringModelEscapesItsText()
{
    // The string model's value is built quoted: the quotes, the line break
    // and the backslash inside are escaped there, whoever shows it.
    const GdbRun run = runGdb(m_printers.value("normal"), {fetchCommand({"quoted"}, true)});
    QVERIFY2(run.fetches.size() == 1, qPrintable(run.output));
    QCOMPARE(childByPath(run.fetches.first(), "quoted", QString()).value("value").toString(),
             QStringLiteral("\"say \\\"hi\\\"\\nbye\\\\\""));
}

void TestDumper::loadDumpersAndHostFetch()
{
    const GdbRun run = runGdb(m_printers.value("normal"),
                              {"korvan-load-dumpers",
                               "python theDumper.fetchVariable({\"watchers\":[{\"iname\":\"inspect.1\",\"exp\":\"706f696e74\"}]})"});
    QString dumpers;
    QString data;
    for (const QString &line : run.output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("dumpers=[")))
            dumpers = line;
        else if (line.startsWith(QLatin1String("data=[")))
            data = line;
    }
    QVERIFY2(!dumpers.isEmpty(), qPrintable(run.output));
    for (const char *type : {"Point", "IntArray", "Style", "Handle", "FixedBuf", "CustomPv"})
        QVERIFY2(dumpers.contains(QStringLiteral("{type=\"%1\",formats=\"0\"}").arg(type)), type);
    QVERIFY(dumpers.contains(QLatin1String("],python=\"")));
    // Every item carries its object's address (for the Inspector's address labels).
    const QRegularExpression expected(QStringLiteral(
        "^data=\\[\\{iname=\"inspect\\.1\",name=\"point\",value=\"\\{\\.\\.\\.\\}\",type=\"Point\","
        "numchild=\"4\",exp=\"point\",address=\"0x[0-9a-f]+\"\\}\\]$"));
    QVERIFY2(expected.match(data).hasMatch(), qPrintable(data));
}

void TestDumper::runPythonChecks()
{
    QString script = QStringLiteral("def korvanCheck(index, check):\n"
                                    "    try:\n"
                                    "        result = repr(check())\n"
                                    "    except Exception as inst:\n"
                                    "        result = 'raised ' + type(inst).__name__\n"
                                    "    gdb.write('CHECK %d %s\\n' % (index, result))\n");
    for (int i = 0; i < int(sizeof(pythonChecks) / sizeof(pythonChecks[0])); ++i)
        script += QStringLiteral("korvanCheck(%1, lambda: %2)\n").arg(i).arg(QLatin1String(pythonChecks[i].expression));
    // WARN and the report lines, for warnLines
    script += QStringLiteral("WARN('x\\u0100y')\n"
                             "try:\n"
                             "    raise gdb.error('boom')\n"
                             "except Exception as inst:\n"
                             "    reportFailure('', 'silent', 1, inst)\n"
                             "    reportFailure('ctx', 'first', 1, inst)\n"
                             "    reportFailure('ctx', 'second', 1, inst)\n");
    const QString file = m_fixture.writeScript(QStringLiteral("checks.py"), script);
    QVERIFY(!file.isEmpty());

    QStringList args{"-batch", "-nx", "-ex", "set confirm off"};
    for (const QString &part : {QStringLiteral("/host/dumper/dumper.py"), QStringLiteral("/resources/KorvanDumper.py"),
                                QStringLiteral("/resources/DynamicPrettyPrinters.py")})
        args << "-x" << sourceRoot + part;
    args << "-x" << file << m_fixture.program(); // the program's symbols give the basic types; it is not run
    QProcess gdb;
    gdb.setProcessChannelMode(QProcess::MergedChannels);
    gdb.start(m_fixture.gdb(), args);
    QVERIFY(gdb.waitForFinished(120000));
    m_helperRun.output = QString::fromUtf8(gdb.readAll());
    m_helperRun.exitCode = gdb.exitCode();
    for (const QString &line : m_helperRun.output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("XXX: ")))
            m_helperRun.reportLines << line.mid(5);
    }
}

void TestDumper::pythonHelpers_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(sizeof(pythonChecks) / sizeof(pythonChecks[0])); ++i)
        QTest::newRow(pythonChecks[i].tag) << i;
}

void TestDumper::pythonHelpers()
{
    QFETCH(int, index);
    const QString prefix = QStringLiteral("CHECK %1 ").arg(index);
    QString result = QStringLiteral("<no result>");
    for (const QString &line : m_helperRun.output.split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix))
            result = line.mid(prefix.size());
    }
    QCOMPARE(result, QString::fromUtf8(pythonChecks[index].expected));
}

void TestDumper::warnLines()
{
    QVERIFY2(m_helperRun.exitCode == 0, qPrintable(m_helperRun.output));
    // Characters outside Latin-1 are dropped; an exception is reported once,
    // and not at all without a debug context.
    QCOMPARE(m_helperRun.reportLines,
             (QStringList{"xy", "KORVANDEBUGAPI:ctx.first", "KORVANDEBUGVAR:1", "KORVANDEBUGVARTYPE:<class 'int'>",
                          "KORVANDEBUGVAR*:", "KORVANDEBUGERRORTYPE:<class 'gdb.error'>", "KORVANDEBUGERRORDESC:boom"}));
}

QTEST_MAIN(TestDumper)
#include "tst_dumper.moc"
