// The dumper side in real GDB: the stand-in dumper, KorvanDumper.py,
// DynamicPrettyPrinters.py and the printers of tests/dumper (as the
// generators emit them, normal and debug mode) run on the fixture program
// tests/fixtures/dumpertypes.cpp; the fetched value trees are checked.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString sourceRoot = QStringLiteral(KORVAN_SOURCE_ROOT);

struct GdbRun
{
    int exitCode = -1;
    QString output;
    QList<QJsonArray> fetches;       // one per korvan-fetch-json command
    QStringList reportLines;         // "XXX: " lines, marker removed
};

using Report = QMap<QString, QString>; // key ("API", "VAR", ...) -> value

// The KORVANDEBUG lines grouped into reports: a report starts at "LINE" or
// at an "API" line that follows a complete one.
QList<Report> reportsOf(const QStringList &lines)
{
    QList<Report> reports;
    bool open = false;
    for (const QString &line : lines) {
        if (!line.startsWith(QLatin1String("KORVANDEBUG")))
            continue;
        const QString entry = line.mid(11);
        const int colon = entry.indexOf(QLatin1Char(':'));
        const QString key = entry.left(colon);
        if (!open || key == QLatin1String("LINE") || (key == QLatin1String("API") && reports.last().contains(key)))
            reports.append(Report());
        open = key != QLatin1String("ERRORDESC");
        reports.last().insert(key, entry.mid(colon + 1));
    }
    return reports;
}

QJsonObject childByPath(const QJsonArray &items, const QString &expression, const QString &path)
{
    QJsonObject node;
    for (const QJsonValue &item : items) {
        if (item.toObject().value(QLatin1String("name")).toString() == expression)
            node = item.toObject();
    }
    if (path.isEmpty())
        return node;
    for (const QString &name : path.split(QLatin1Char('/'))) {
        const QJsonArray children = node.value(QLatin1String("children")).toArray();
        node = QJsonObject();
        for (const QJsonValue &child : children) {
            if (child.toObject().value(QLatin1String("name")).toString() == name)
                node = child.toObject();
        }
    }
    return node;
}

QString fetchCommand(const QStringList &expressions, bool expandAll, const QStringList &expanded = {})
{
    QJsonArray watchers;
    int number = 0;
    for (const QString &expression : expressions) {
        watchers.append(QJsonObject{{"iname", QStringLiteral("inspect.%1").arg(++number)},
                                    {"exp", QString::fromLatin1(expression.toUtf8().toHex())}});
    }
    const QJsonObject args{{"watchers", watchers}, {"expandall", expandAll},
                           {"expanded", QJsonArray::fromStringList(expanded)}};
    return QStringLiteral("korvan-fetch-json ") + QString::fromUtf8(QJsonDocument(args).toJson(QJsonDocument::Compact));
}

const QStringList allVariables = {
    "point", "alias", "outer", "deep", "array", "emptyArray", "bag", "dict", "twinDict", "list", "cyclic", "greeting", "empty", "utf8",
    "latin", "bits", "oneBit", "handle", "fixed", "style", "noStyle", "overflow", "invalid", "negative",
    "pairMap", "pv", "tarray", "tints", "counter", "tree", "holder", "broken"};

} // namespace

namespace {

// Python expressions evaluated in GDB with the scripts loaded (no program
// needed), and the repr() of their results.
struct PythonCheck { const char *tag, *expression, *expected; };
const PythonCheck pythonChecks[] = {
    {"mangled template", "mangleTypeName('std::map<int, char*>')", "'std__map_a_int_c_char_z_'"},
    {"mangled pointer", "mangleTypeName('QList<QString> *')", "'QList_a_QString_z_'"},
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
    {"enum extra keywords", "GenericEnumHelper(directionField=1, debugContext='a.b').debugContext", "'a.b'"},
    {"text decoded again", "DecodedText(b'caf\\xc3\\xa9', 'utf8').decode('latin1')", "'caf\u00c3\u00a9'"},
    {"undecodable bytes", "str(DecodedText(b'caf\\xe9', 'utf8'))", "'caf\u00e9'"},
    {"two-byte characters", "decodeCharacterType(gdb.lookup_type('short'))[1](b'a\\x00b\\x00')", "'ab'"},
    {"eight-byte characters", "decodeCharacterType(gdb.lookup_type('long'))", "raised error"},
    {"arity one", "apiArity(lambda value: value)", "1"},
    {"arity of an accessor object", "apiArity(GenericAccessor())", "1"},
    {"arity with dumper", "BaseHelper().callAPI(lambda d, value: d is theDumper, 0)", "True"},
    {"arity with container", "BaseHelper().callAPI(lambda d, value, container: container, 0, 'c')", "'c'"},
    {"combined steps", "CombinedGenericAccessor(args=[lambda v: v + 1, lambda v: v * 2])(3)", "8"},
    {"filter on value", "GenericFilter(value=lambda v: v > 2).accept(None, 1)", "False"},
    {"filter on key and value", "GenericFilter(keyValue=lambda d, k, v: k == v).accept(4, 4)", "True"},
    {"unknown type", "theDumper.lookupType('NoSuchType')", "None"},
    {"pointer type", "str(theDumper.lookupType('const char **'))", "'char **'"},
    {"sizes", "(theDumper.ptrSize(), theDumper.intSize())", "(8, 4)"},
    {"register unknown function", "theDumper.registerCustom('', 'x', 'qdump__Nothing')", "False"},
    {"unregister unknown path", "theDumper.unregisterCustom('', 'nothing')", "False"},
};

} // namespace

class TestDumper : public QObject
{
    Q_OBJECT

private:
    GdbRun runGdb(const QStringList &printerScripts, const QStringList &commands) const;
    void runPythonChecks();

    QTemporaryDir m_dir;
    QString m_gdb;
    QString m_python;
    QString m_program;
    int m_breakLine = 0;
    QMap<QString, GdbRun> m_modes; // "normal", "debug"
    GdbRun m_helperRun;            // pythonHelpers and warnLines, without a program

private slots:
    void initTestCase();
    void resourceScriptsCompile_data();
    void resourceScriptsCompile();
    void shownValues_data();
    void shownValues();
    void treeItemsInOrder();
    void equalKeysKeepTheirOwnINames();
    void typedefIsReportedOnce();
    void debugModeReportsTheBrokenPrinter();
    void brokenPrintersLeaveTheOthersWorking();
    void childrenOnlyWhenExpanded();
    void customDumperOfOnePath();
    void stringCutOffElides();
    void loadDumpersAndHostFetch();
    void pythonHelpers_data();
    void pythonHelpers();
    void warnLines();
    void instrumentedScriptsBehaveTheSame_data();
    void instrumentedScriptsBehaveTheSame();
};

GdbRun TestDumper::runGdb(const QStringList &printerScripts, const QStringList &commands) const
{
    QStringList args{"-batch", "-nx"};
    const QStringList scripts = QStringList{sourceRoot + "/host/dumper/dumper.py",
                                            sourceRoot + "/resources/KorvanDumper.py",
                                            sourceRoot + "/resources/DynamicPrettyPrinters.py"}
                                + printerScripts;
    for (const QString &script : scripts)
        args << "-x" << script;
    args << "-ex" << QStringLiteral("break dumpertypes.cpp:%1").arg(m_breakLine) << "-ex" << "run";
    for (const QString &command : commands)
        args << "-ex" << command;
    args << m_program;

    GdbRun run;
    QProcess gdb;
    gdb.setProcessChannelMode(QProcess::MergedChannels);
    gdb.start(m_gdb, args);
    if (!gdb.waitForFinished(120000)) {
        gdb.kill();
        gdb.waitForFinished();
        run.output = QStringLiteral("gdb did not finish");
        return run;
    }
    run.exitCode = gdb.exitCode();
    run.output = QString::fromUtf8(gdb.readAll());
    for (const QString &line : run.output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("KORVANFETCH:")))
            run.fetches.append(QJsonDocument::fromJson(line.mid(12).toUtf8()).array());
        else if (line.startsWith(QLatin1String("XXX: ")))
            run.reportLines.append(line.mid(5));
    }
    return run;
}

void TestDumper::initTestCase()
{
    m_gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
    m_python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    const QString gxx = QStandardPaths::findExecutable(QStringLiteral("g++"));
    QVERIFY2(!m_gdb.isEmpty() && !gxx.isEmpty() && !m_python.isEmpty(), "gdb, g++ and python3 are needed");
    QVERIFY(m_dir.isValid());

    const QString source = sourceRoot + "/tests/fixtures/dumpertypes.cpp";
    QFile file(source);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size() && !m_breakLine; ++i) {
        if (lines.at(i).contains(QLatin1String("// break here")))
            m_breakLine = i + 1;
    }
    QVERIFY(m_breakLine > 0);

    m_program = m_dir.filePath(QStringLiteral("dumpertypes"));
    QProcess compiler;
    compiler.setProcessChannelMode(QProcess::MergedChannels);
    compiler.start(gxx, {"-g", "-O0", source, "-o", m_program});
    QVERIFY(compiler.waitForFinished(120000));
    QVERIFY2(compiler.exitCode() == 0, compiler.readAll().constData());

    const QString fetchAll = fetchCommand(allVariables, true);
    for (const QString &mode : {QStringLiteral("normal"), QStringLiteral("debug")}) {
        const GdbRun run = runGdb({sourceRoot + "/tests/dumper/printers_" + mode + ".py"}, {fetchAll});
        QVERIFY2(run.exitCode == 0 && run.fetches.size() == 1, qPrintable(run.output));
        QCOMPARE(run.fetches.first().size(), allVariables.size());
        m_modes.insert(mode, run);
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
    QVERIFY(scripts.size() >= 6);
    for (const QString &script : scripts)
        QTest::newRow(qPrintable(QFileInfo(script).fileName())) << script;
}

void TestDumper::resourceScriptsCompile()
{
    QFETCH(QString, script);
    QProcess python;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PYTHONPYCACHEPREFIX"), m_dir.filePath(QStringLiteral("pycache")));
    python.setProcessEnvironment(environment);
    python.setProcessChannelMode(QProcess::MergedChannels);
    python.start(m_python, {"-m", "py_compile", script});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAll().constData());
}

void TestDumper::shownValues_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("numchild");

    struct Row { const char *tag, *expression, *path, *value, *type; int numchild; };
    const Row rows[] = {
        // class: standard, boolean and enum fields
        {"class", "point", "", "{...}", "Point", 4},
        {"class standard", "point", "x", "3", "int", 0},
        {"class boolean true", "point", "visible", "Yes", "bool", 0},
        {"class enum", "point", "color", "::Green", "Color", 0},
        {"class through typedef", "alias", "y", "6", "int", 0},
        {"class boolean false", "alias", "visible", "No", "bool", -1},
        {"class behind a header", "outer", "", "{...}", "Outer", 1},
        {"field read from the header", "outer", "x", "11", "int", 0},
        {"base class field", "deep", "base/x", "7", "int", 0},
        {"base class enum zero", "deep", "base/color", "::Red", "Color", -1},
        {"derived field", "deep", "z", "9", "int", 0},
        // containers
        {"array", "array", "", "<3 items>", "IntArray", 3},
        {"array cell", "array", "[2]", "30", "int", 0},
        {"container field of a class", "bag", "items", "<3 items>", "", 3},
        {"container field cell", "bag", "items/[0]", "10", "int", 0},
        {"field after the container", "bag", "label", "5", "int", 0},
        {"empty array", "emptyArray", "", "<0 items>", "IntArray", 0},
        {"2-D array skips invalid cells", "dict", "", "<2 entries>", "Dict", 2},
        {"2-D array key and value", "dict", "5", "\"five\"", "", 0},
        {"2-D array first key", "dict", "1", "\"one\"", "", 0},
        {"array sized by template argument, filtered", "fixed", "", "<3 items>", "FixedBuf<4>", 3},
        {"filter keeps values above 1", "fixed", "[0]", "2", "int", 0},
        {"filtered array last", "fixed", "[2]", "4", "int", 0},
        {"cells typed by a template argument", "tarray", "[1]", "1.5", "double", 0},
        {"other instantiation, same printer", "tints", "[2]", "9", "int", 0},
        {"tree walked in order, filtered by key", "tree", "", "<4 items>", "Tree", 4},
        {"tree key and value", "tree", "4", "40", "", 0},
        {"linked list", "list", "", "<3 nodes>", "List", 3},
        {"linked list last", "list", "[2]", "300", "int", 0},
        {"cyclic list stops", "cyclic", "", "<1 node>", "List", 1},
        {"customized container", "pairMap", "", "<2 items>", "PairMap", 2},
        {"customized container key", "pairMap", "2", "2.5", "double", 0},
        {"custom dumper of a path", "pv", "[1]", "2.5", "double", 0},
        // accessors that call the program or read at an offset
        {"inferior method", "counter", "twice", "12", "int", 0},
        {"inferior function", "counter", "square", "36", "int", 0},
        {"offset, cast and post-process", "counter", "extra", "77", "int", 0},
        // strings, bits, wrapper
        {"string", "greeting", "", "\"hello world\"", "KString", 0},
        {"empty string", "empty", "", "\"\"", "KString", 0},
        {"utf-8 string", "utf8", "", "\"caf\xc3\xa9\"", "KString", 0},
        {"latin1 encoding", "latin", "", "\"caf\xc3\x83\xc2\xa9\"", "Latin1String", 0},
        {"bit array", "bits", "", "<9 bits>", "BitSet", 9},
        {"bit set", "bits", "bit #8", "true", "bool", 0},
        {"bit clear", "bits", "bit #1", "false", "bool", 0},
        {"one bit", "oneBit", "", "<1 bit>", "BitSet", 1},
        {"wrapper shows the target", "handle", "", "{...}", "Handle<Point>", 4},
        {"wrapper target field", "handle", "y", "4", "int", 0},
        // enumerations with masks
        {"flags and group", "style", "", "::Bold | ::AlignCenter", "Style", 0},
        {"zero value", "noStyle", "", "::StyleNone", "Style", 0},
        {"overflow bits", "overflow", "", "::Italic | <Overflow Bits> = 256", "Style", 0},
        {"invalid group value", "invalid", "", "<Invalid> = 48 | <Overflow Bits> = 64", "Style", 0},
        {"negative value, one row", "negative", "", "::Neg", "Signed", 0},
        // the other printers work beside a broken one
        {"beside a broken printer", "holder", "point/x", "1", "int", 0},
    };
    for (const QString &mode : {QStringLiteral("normal"), QStringLiteral("debug")}) {
        for (const Row &row : rows) {
            QTest::newRow(qPrintable(mode + ": " + row.tag))
                << mode << row.expression << row.path << QString::fromUtf8(row.value) << row.type << row.numchild;
        }
    }
}

void TestDumper::shownValues()
{
    QFETCH(QString, mode);
    QFETCH(QString, expression);
    QFETCH(QString, path);
    QFETCH(QString, value);
    QFETCH(QString, type);
    QFETCH(int, numchild);
    const QJsonObject node = childByPath(m_modes.value(mode).fetches.value(0), expression, path);
    QVERIFY2(!node.isEmpty(), "no such item");
    QCOMPARE(node.value("value").toString(), value);
    QVERIFY(!node.value("error").toBool());
    if (!type.isEmpty())
        QCOMPARE(node.value("type").toString(), type);
    if (numchild >= 0) {
        QCOMPARE(node.value("numchild").toInt(), numchild);
        QCOMPARE(node.value("children").toArray().size(), numchild);
    }
}

void TestDumper::treeItemsInOrder()
{
    for (const GdbRun &run : m_modes) {
        QStringList keys;
        for (const QJsonValue &child : childByPath(run.fetches.value(0), "tree", QString()).value("children").toArray())
            keys << child.toObject().value("name").toString();
        QCOMPARE(keys, (QStringList{"1", "2", "4", "5"})); // key 3 is filtered out
    }
}

void TestDumper::equalKeysKeepTheirOwnINames()
{
    const QJsonArray children = childByPath(m_modes.value("normal").fetches.value(0), "twinDict", QString())
                                    .value("children").toArray();
    QCOMPARE(children.size(), 2);
    QCOMPARE(children.at(0).toObject().value("name").toString(), QStringLiteral("7"));
    QCOMPARE(children.at(1).toObject().value("name").toString(), QStringLiteral("7"));
    QCOMPARE(children.at(1).toObject().value("value").toString(), QStringLiteral("\"second\""));
    QVERIFY(children.at(0).toObject().value("iname") != children.at(1).toObject().value("iname"));
}

void TestDumper::typedefIsReportedOnce()
{
    for (const GdbRun &run : m_modes) {
        const QStringList typedefs = run.reportLines.filter(QRegularExpression("^KORVANTYPEDEF;"));
        // alias is fetched, and its fields dumped, through the typedef: one report.
        QCOMPARE(typedefs, QStringList{"KORVANTYPEDEF;Point2D;Point;"});
    }
}

void TestDumper::debugModeReportsTheBrokenPrinter()
{
    QVERIFY(m_modes.value("normal").reportLines.filter(QRegularExpression("^KORVANDEBUG")).isEmpty());

    const QList<Report> reports = reportsOf(m_modes.value("debug").reportLines);
    QCOMPARE(reports.size(), 2); // holder.broken and broken: one report each, not one per helper level
    for (const Report &report : reports) {
        QCOMPARE(report.keys(), (QStringList{"API", "ERRORDESC", "ERRORTYPE", "VAR", "VAR*", "VARTYPE"}));
        QCOMPARE(report.value("API"), QStringLiteral("classes.Test.Broken.fields.value.accessor.accessor"));
        QCOMPARE(report.value("VARTYPE"), QStringLiteral("Broken"));
        QCOMPARE(report.value("VAR*"), QString());
        QCOMPARE(report.value("ERRORTYPE"), QStringLiteral("<class 'gdb.error'>"));
        QVERIFY(report.value("ERRORDESC").contains("nosuch"));
    }
    QCOMPARE(reports.at(0).value("VAR"), QStringLiteral("{value = 42}"));
    QCOMPARE(reports.at(1).value("VAR"), QStringLiteral("{value = 13}"));

    for (const QString &mode : {QStringLiteral("normal"), QStringLiteral("debug")}) {
        const QJsonArray items = m_modes.value(mode).fetches.value(0);
        const QJsonObject failed = childByPath(items, "broken", "value");
        QVERIFY(failed.value("error").toBool());
        QVERIFY(failed.value("value").toString().startsWith("<error: "));
        QCOMPARE(childByPath(items, "holder", "broken").value("value").toString(), QStringLiteral("{...}"));
    }
}

void TestDumper::brokenPrintersLeaveTheOthersWorking()
{
    const GdbRun run = runGdb({sourceRoot + "/tests/dumper/printers_debug.py", sourceRoot + "/tests/dumper/printers_broken.py"},
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
    const GdbRun run = runGdb({sourceRoot + "/tests/dumper/printers_normal.py"},
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
    const GdbRun run = runGdb({sourceRoot + "/tests/dumper/printers_normal.py"},
                              {fetchPv,
                               "python theDumper.unregisterCustom(\"\",\"pv\")", fetchPv,
                               "python theDumper.registerCustom(\"otherFunction\",\"pv\",qdump___Id_17)", fetchPv,
                               "python theDumper.registerCustom(\"main\",\"pv\",\"qdump___Id_17\")", fetchPv,
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

void TestDumper::stringCutOffElides()
{
    const GdbRun run = runGdb({sourceRoot + "/tests/dumper/printers_normal.py"},
                              {"korvan-fetch-json {\"watchers\":[{\"expression\":\"greeting\"},"
                               "{\"expression\":\"empty\"}],\"stringcutoff\":\"5\"}"});
    QVERIFY2(run.fetches.size() == 1, qPrintable(run.output));
    QCOMPARE(childByPath(run.fetches.first(), "greeting", QString()).value("value").toString(),
             QStringLiteral("\"hello...\""));
    QCOMPARE(childByPath(run.fetches.first(), "empty", QString()).value("value").toString(), QStringLiteral("\"\""));
}

void TestDumper::loadDumpersAndHostFetch()
{
    const GdbRun run = runGdb({sourceRoot + "/tests/dumper/printers_normal.py"},
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
    for (const char *type : {"Point", "IntArray", "Style", "Handle", "FixedBuf", "_Id_17"})
        QVERIFY2(dumpers.contains(QStringLiteral("{type=\"%1\",formats=\"0\"}").arg(type)), type);
    QVERIFY(dumpers.contains(QLatin1String("],python=\"")));
    QCOMPARE(data, QStringLiteral("data=[{iname=\"inspect.1\",name=\"point\",value=\"{...}\",type=\"Point\","
                                  "numchild=\"4\",exp=\"point\"}]"));
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
    const QString file = m_dir.filePath(QStringLiteral("checks.py"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(script.toUtf8());
    out.close();

    QStringList args{"-batch", "-nx", "-ex", "set confirm off"};
    for (const QString &part : {QStringLiteral("/host/dumper/dumper.py"), QStringLiteral("/resources/KorvanDumper.py"),
                                QStringLiteral("/resources/DynamicPrettyPrinters.py")})
        args << "-x" << sourceRoot + part;
    args << "-x" << file << m_program; // the program's symbols give the basic types; it is not run
    QProcess gdb;
    gdb.setProcessChannelMode(QProcess::MergedChannels);
    gdb.start(m_gdb, args);
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

void TestDumper::instrumentedScriptsBehaveTheSame_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("normal") << QStringLiteral("normal");
    QTest::newRow("debug") << QStringLiteral("debug");
}

void TestDumper::instrumentedScriptsBehaveTheSame()
{
    // The plug-in rewrites DynamicPrettyPrinters.py and the generated code
    // before sending them (debug wrappers, trace calls); the rewritten
    // scripts must show the same trees and report the same failures.
    QFETCH(QString, mode);
    const bool debug = mode == QLatin1String("debug");
    const QList<QPair<QString, QString>> parts = {
        {"dynamicPrettyPrintersCode", sourceRoot + "/resources/DynamicPrettyPrinters.py"},
        {"userCode.getOutput(true)", sourceRoot + "/tests/dumper/printers_" + mode + ".py"}};
    QStringList rewritten;
    for (const auto &part : parts) {
        const QString target = m_dir.filePath(mode + "_" + QFileInfo(part.second).fileName());
        QProcess python;
        python.setProcessChannelMode(QProcess::MergedChannels);
        python.start(m_python, {sourceRoot + "/tests/dumper/instrument.py", part.first, debug ? "1" : "0",
                                part.second, target});
        QVERIFY(python.waitForFinished(60000));
        QVERIFY2(python.exitCode() == 0, python.readAll().constData());
        rewritten << target;
    }
    // The rewritten DynamicPrettyPrinters.py replaces the plain one, loaded first.
    const GdbRun run = runGdb(rewritten, {fetchCommand(allVariables, true)});
    QVERIFY2(run.exitCode == 0 && run.fetches.size() == 1, qPrintable(run.output));
    QCOMPARE(run.fetches.first(), m_modes.value(mode).fetches.first());
    QVERIFY(!run.reportLines.filter(QRegularExpression("^dynamicPrettyPrintersCode: +\\d+ ")).isEmpty());
    QVERIFY(!run.reportLines.filter(QRegularExpression("^userCode.getOutput\\(true\\): +\\d+ ")).isEmpty());
    const QList<Report> reports = reportsOf(run.reportLines);
    QCOMPARE(reports, reportsOf(m_modes.value(mode).reportLines));
}

QTEST_GUILESS_MAIN(TestDumper)
#include "tst_dumper.moc"
