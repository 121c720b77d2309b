#include "dumpertestsupport.h"

#include "common/gdblimits.h"
#include "common/scriptgeneration.h"
#include "common/testenvironment.h"
#include "plugin/instrumentation.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace DumperTest {

QString sourceRoot()
{
    return QStringLiteral(KORVAN_SOURCE_ROOT);
}

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

QString fetchCommand(const QStringList &expressions, bool expandAll, const QStringList &expanded)
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

const QStringList &allVariables()
{
    static const QStringList variables = {
        "point", "alias", "outer", "deep", "array", "emptyArray", "bag", "dict", "twinDict", "list", "cyclic", "greeting", "empty", "utf8",
        "latin", "bits", "oneBit", "handle", "fixed", "style", "noStyle", "overflow", "invalid", "negative",
        "pairMap", "pv", "tarray", "tints", "counter", "tree", "holder", "broken"};
    return variables;
}

const QVector<ShownValue> &shownValues()
{
    static const QVector<ShownValue> rows = {
        // class: standard, boolean and enum fields
        {"class", "point", "", "{...}", "Point", 4, false},
        {"class standard", "point", "x", "3", "int", 0, false},
        {"class boolean true", "point", "visible", "Yes", "bool", 0, false},
        {"class enum", "point", "color", "::Green", "Color", 0, false},
        {"class through typedef", "alias", "y", "6", "int", 0, false},
        {"class boolean false", "alias", "visible", "No", "bool", -1, false},
        {"class behind a header", "outer", "", "{...}", "Outer", 1, false},
        {"field read from the header", "outer", "x", "11", "int", 0, false},
        {"base class field", "deep", "base/x", "7", "int", 0, false},
        {"base class enum zero", "deep", "base/color", "::Red", "Color", -1, false},
        {"derived field", "deep", "z", "9", "int", 0, false},
        // containers
        {"array", "array", "", "<3 items>", "IntArray", 3, false},
        {"array cell", "array", "[2]", "30", "int", 0, false},
        {"container field of a class", "bag", "items", "<3 items>", "", 3, false},
        {"container field cell", "bag", "items/[0]", "10", "int", 0, false},
        {"field after the container", "bag", "label", "5", "int", 0, false},
        {"empty array", "emptyArray", "", "<0 items>", "IntArray", 0, false},
        {"2-D array skips invalid cells", "dict", "", "<2 entries>", "Dict", 2, false},
        {"2-D array key and value", "dict", "5", "\"five\"", "", 0, false},
        {"2-D array first key", "dict", "1", "\"one\"", "", 0, false},
        {"array sized by template argument, filtered", "fixed", "", "<3 items>", "FixedBuf<4>", 3, false},
        {"filter keeps values above 1", "fixed", "[0]", "2", "int", 0, false},
        {"filtered array last", "fixed", "[2]", "4", "int", 0, false},
        {"cells typed by a template argument", "tarray", "[1]", "1.5", "double", 0, false},
        {"other instantiation, same printer", "tints", "[2]", "9", "int", 0, false},
        {"tree walked in order, filtered by key", "tree", "", "<4 items>", "Tree", 4, false},
        {"tree key and value", "tree", "4", "40", "", 0, false},
        {"linked list", "list", "", "<3 nodes>", "List", 3, false},
        {"linked list last", "list", "[2]", "300", "int", 0, false},
        {"cyclic list stops", "cyclic", "", "<1 node>", "List", 1, false},
        {"customized container", "pairMap", "", "<2 items>", "PairMap", 2, false},
        {"customized container key", "pairMap", "2", "2.5", "double", 0, false},
        {"custom dumper of a path", "pv", "[1]", "2.5", "double", 0, true},
        // accessors that call the program or read at an offset
        {"inferior method", "counter", "twice", "12", "int", 0, false, true},
        {"inferior function", "counter", "square", "36", "int", 0, false, true},
        {"offset, cast and post-process", "counter", "extra", "77", "int", 0, false},
        // strings, bits, wrapper
        {"string", "greeting", "", "\"hello world\"", "KString", 0, false},
        {"empty string", "empty", "", "\"\"", "KString", 0, false},
        {"utf-8 string", "utf8", "", "\"caf\xc3\xa9\"", "KString", 0, false},
        {"latin1 encoding", "latin", "", "\"caf\xc3\x83\xc2\xa9\"", "Latin1String", 0, false},
        {"bit array", "bits", "", "<9 bits>", "BitSet", 9, false},
        {"bit set", "bits", "bit #8", "true", "bool", 0, false},
        {"bit clear", "bits", "bit #1", "false", "bool", 0, false},
        {"one bit", "oneBit", "", "<1 bit>", "BitSet", 1, false},
        {"wrapper shows the target", "handle", "", "{...}", "Handle<Point>", 4, false},
        {"wrapper target field", "handle", "y", "4", "int", 0, false},
        // enumerations with masks
        {"flags and group", "style", "", "::Bold | ::AlignCenter", "Style", 0, false},
        {"zero value", "noStyle", "", "::StyleNone", "Style", 0, false},
        {"overflow bits", "overflow", "", "::Italic | <Overflow Bits> = 256", "Style", 0, false},
        {"invalid group value", "invalid", "", "<Invalid> = 48 | <Overflow Bits> = 64", "Style", 0, false},
        {"negative value, one row", "negative", "", "::Neg", "Signed", 0, false},
        // the other printers work beside a broken one
        {"beside a broken printer", "holder", "point/x", "1", "int", 0, false},
    };
    return rows;
}

bool Fixture::findTools(QString *error)
{
    m_gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
    m_python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (m_gdb.isEmpty() || m_python.isEmpty()) {
        *error = QStringLiteral("gdb and python3 are needed");
        return false;
    }
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }

    const QString source = sourceRoot() + "/tests/fixtures/" + m_baseName + ".cpp";
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = source + QStringLiteral(" cannot be read");
        return false;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size() && !m_breakLine; ++i) {
        if (lines.at(i).contains(QLatin1String("// break here")))
            m_breakLine = i + 1;
    }
    if (m_breakLine == 0) {
        *error = QStringLiteral("no breakpoint line in the fixture");
        return false;
    }
    return true;
}

bool Fixture::usePrebuilt(const QString &program, QString *error)
{
    if (!findTools(error))
        return false;
    m_program = program;
    return true;
}

bool Fixture::prepare(QString *error, const QStringList &compileFlags)
{
    const QString gxx = QStandardPaths::findExecutable(QStringLiteral("g++"));
    if (gxx.isEmpty()) {
        *error = QStringLiteral("g++ is needed");
        return false;
    }
    if (!findTools(error))
        return false;
    const QString source = sourceRoot() + "/tests/fixtures/" + m_baseName + ".cpp";
    m_program = m_dir.filePath(m_baseName);
    QProcess compiler;
    compiler.setProcessChannelMode(QProcess::MergedChannels);
    compiler.start(gxx, QStringList{"-g", "-O0", source, "-o", m_program} + compileFlags);
    if (!compiler.waitForFinished(300000) || compiler.exitCode() != 0) {
        *error = QString::fromLocal8Bit(compiler.readAll());
        return false;
    }
    return true;
}

GdbRun Fixture::run(const QStringList &printerScripts, const QStringList &commands) const
{
    const QString root = sourceRoot();
    QStringList args{"-batch", "-nx"};
    const QStringList scripts = QStringList{root + "/host/dumper/dumper.py", root + "/resources/KorvanDumper.py",
                                            root + "/resources/DynamicPrettyPrinters.py"}
                                + printerScripts;
    for (const QString &script : scripts)
        args << "-x" << script;
    args << "-ex" << QStringLiteral("break %1.cpp:%2").arg(m_baseName).arg(m_breakLine) << "-ex" << "run";
    for (const QString &command : GdbLimits::limitCommands() + commands)
        args << "-ex" << command;
    args << m_program;

    GdbRun run;
    QProcess gdb;
    gdb.setProcessChannelMode(QProcess::MergedChannels);
    gdb.start(m_gdb, args);
    if (!gdb.waitForFinished(300000)) {
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

GdbRun Fixture::runInstrumented(const QString &printerScript, bool debugMode, const QStringList &commands) const
{
    const QList<QPair<QString, QString>> parts = {
        {"dynamicPrettyPrintersCode", sourceRoot() + "/resources/DynamicPrettyPrinters.py"},
        {"userCode.getOutput(true)", printerScript}};
    const QString prefix = debugMode ? QStringLiteral("debug_") : QStringLiteral("normal_");
    QStringList rewritten;
    TestEnvironment env;
    TestEnvironment::setDebugMode(debugMode);
    for (const auto &part : parts) {
        const QString target = m_dir.filePath(prefix + QFileInfo(part.second).fileName());
        QFile source(part.second);
        QFile rewrite(target);
        if (!source.open(QIODevice::ReadOnly) || !rewrite.open(QIODevice::WriteOnly)) {
            GdbRun failed;
            failed.output = QStringLiteral("cannot rewrite %1").arg(part.second);
            return failed;
        }
        rewrite.write(KorvanDebugger::Internal::instrumentPython(QString::fromUtf8(source.readAll()),
                                                                 part.first.toLatin1().constData(), false)
                          .toUtf8());
        rewritten << target;
    }
    // The rewritten DynamicPrettyPrinters.py replaces the plain one, loaded first.
    return run(rewritten, commands);
}

void verifyShownValue(const QJsonArray &items, const ShownValue &row)
{
    const QJsonObject node = childByPath(items, QString::fromUtf8(row.expression), QString::fromUtf8(row.path));
    QVERIFY2(!node.isEmpty(), "no such item");
    const GdbLimits::Ability &calls = GdbLimits::functionCalls();
    if (row.callsTheProgram && !calls.able) {
        QVERIFY2(calls.probed, qPrintable(calls.reason));
        QVERIFY(node.value("error").toBool());
        QCOMPARE(node.value("value").toString(), QStringLiteral("<error: %1>").arg(calls.message));
        return;
    }
    QCOMPARE(node.value("value").toString(), QString::fromUtf8(row.value));
    QVERIFY(!node.value("error").toBool());
    if (*row.type)
        QCOMPARE(node.value("type").toString(), QString::fromUtf8(row.type));
    if (row.numchild >= 0) {
        QCOMPARE(node.value("numchild").toInt(), row.numchild);
        QCOMPARE(node.value("children").toArray().size(), row.numchild);
    }
}

QJsonObject fixtureDocument()
{
    return readJsonFile(sourceRoot() + QStringLiteral("/tests/fixtures/dumpertypes.conf"));
}

QString Fixture::writeGeneratedScript(const QJsonObject &document, const QString &mode, const QString &name) const
{
    TestEnvironment env;
    TestEnvironment::setDebugMode(mode == QLatin1String("debug"));
    const QString script = generateScript(document);
    return script.isEmpty() ? QString() : writeScript(name + QLatin1Char('_') + mode + QStringLiteral(".py"), script);
}

QString Fixture::writeScript(const QString &fileName, const QString &script) const
{
    const QString path = filePath(fileName);
    QFile file(path);
    const QByteArray bytes = script.toUtf8();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

} // namespace DumperTest
