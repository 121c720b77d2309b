#pragma once

// What the GDB tests of the printers share: the fixture program
// (tests/fixtures/dumpertypes.cpp, compiled once per test), a GDB run with
// the dumper-side scripts and a set of printer scripts, the fetched value
// trees and report lines, and the table of values every printer set must
// show for the fixture's variables.

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

namespace DumperTest {

QString sourceRoot();

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
QList<Report> reportsOf(const QStringList &lines);

// The item of a fetch named expression, or one of its children by a path
// of child names separated by "/"; empty when there is none.
QJsonObject childByPath(const QJsonArray &items, const QString &expression, const QString &path);

QString fetchCommand(const QStringList &expressions, bool expandAll, const QStringList &expanded = {});

// Every variable of the fixture that the value table names.
const QStringList &allVariables();

struct ShownValue
{
    const char *tag, *expression, *path, *value, *type;
    int numchild;                // -1: not checked
    bool needsCustomRegistration; // shown only with the custom dumper of one path
    bool callsTheProgram = false; // needs GDB to call a function of the program
};
const QVector<ShownValue> &shownValues();

// The type models of the fixture's types (tests/fixtures/dumpertypes.conf).
QJsonObject fixtureDocument();

// The compiled fixture program and the GDB that runs it: by default
// tests/fixtures/dumpertypes.cpp, else the fixture of that base name.
class Fixture
{
public:
    explicit Fixture(const QString &baseName = QStringLiteral("dumpertypes"))
        : m_baseName(baseName)
    {
    }

    // Compiles the program (g++ -g -O0 and the given flags); false with the
    // reason when a tool is missing or the compilation fails.
    bool prepare(QString *error, const QStringList &compileFlags = {});
    // The same for a program that the build made of the fixture source.
    bool usePrebuilt(const QString &program, QString *error);

    // gdb -batch with the stand-in dumper, KorvanDumper.py,
    // DynamicPrettyPrinters.py and the given scripts, stopped at the
    // fixture's breakpoint, then the limit commands of a check run (see
    // common/gdblimits.h) and the given commands.
    GdbRun run(const QStringList &printerScripts, const QStringList &commands) const;

    // The same run after the plug-in's rewrite (debug wrappers, trace calls)
    // of DynamicPrettyPrinters.py and of the printer script; an empty run
    // with the reason in its output when the rewrite fails.
    GdbRun runInstrumented(const QString &printerScript, bool debugMode, const QStringList &commands) const;

    QString gdb() const { return m_gdb; }
    QString python() const { return m_python; }
    QString program() const { return m_program; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // The script the plug-in generates of a document in one mode ("normal"
    // or "debug"), written to a file named after name and mode; empty when
    // nothing could be generated or written.
    QString writeGeneratedScript(const QJsonObject &document, const QString &mode, const QString &name) const;
    // A script written to the temporary folder; empty when it cannot be.
    QString writeScript(const QString &fileName, const QString &script) const;

private:
    // The tools, the temporary folder and the "// break here" line.
    bool findTools(QString *error);

    QString m_baseName;
    QTemporaryDir m_dir;
    QString m_gdb;
    QString m_python;
    QString m_program;
    int m_breakLine = 0;
};

// Checks one item of a fetch against its row (Qt Test failures; the caller
// returns when QTest::currentTestFailed()). Where GDB cannot call the
// program's functions on this machine, a row that needs a call must show
// GDB's refusal as the item's error instead.
void verifyShownValue(const QJsonArray &items, const ShownValue &row);

} // namespace DumperTest
