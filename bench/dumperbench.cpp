// Dumper benchmark: fetch time of large values in GDB through the generated
// printers (normal and debug mode) against GDB's plain values. Run by hand:
//   build/bench/dumperbench
// Needs gdb and g++ on the search path.

#include "configuration/document.h"
#include "configuration/keys.h"
#include "editor/korvandebuggeroptions.h"
#include "plugin/korvandebuggerplugin.h"

#include <coreplugin/icore.h>

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QSettings>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

const QString sourceRoot = QStringLiteral(KORVAN_SOURCE_ROOT);

// Timed inside GDB, so that GDB's start and the program's run do not count.
const char benchScript[] =
    "import time\n"
    "def korvanBench(expression, depth, repeat):\n"
    "    args = {'watchers': [{'expression': expression}], 'expandall': True, 'maxdepth': depth}\n"
    "    start = time.perf_counter()\n"
    "    for _ in range(repeat):\n"
    "        items = theDumper.fetchItems(args)\n"
    "    elapsed = (time.perf_counter() - start) / repeat * 1000.0\n"
    "    gdb.write('BENCH %-28s %6d children %9.1f ms\\n' % (expression, items[0].numchild, elapsed))\n"
    "for expression, depth in (('array', 1), ('list', 1), ('dict', 1), ('*numbers._M_impl._M_start@10000', 1),\n"
    "                          ('*plain@1000', 2)):\n"
    "    korvanBench(expression, depth, 3)\n";

int lineOf(const QString &file, const QString &marker)
{
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly))
        return 0;
    const QStringList lines = QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).contains(marker))
            return i + 1;
    }
    return 0;
}

// The printers the plug-in generates of the fixture's type models, written
// to a file; empty when the models cannot be read.
QString generatedPrinters(const QTemporaryDir &dir, bool debugMode)
{
    using namespace KorvanDebugger;
    QFile models(sourceRoot + QStringLiteral("/tests/fixtures/dumpertypes.conf"));
    QJsonObject document;
    if (!models.open(QIODevice::ReadOnly) || !Configuration::readConfiguration(document, models))
        return QString();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath(QStringLiteral("config")));
    Core::ICore::setSettingsFile(dir.filePath(QStringLiteral("host.ini")));
    Core::ICore::settings()->setValue(Configuration::Key::debugEnabledSetting,
                                      debugMode ? int(Qt::Checked) : int(Qt::Unchecked));
    Internal::KorvanDebuggerOptions page{QSharedPointer<QJsonObject>::create()};
    if (!Configuration::saveConfigurationFile(document, Configuration::Key::prettyPrintersDocument))
        return QString();
    Internal::KorvanDebuggerPlugin plugin;
    const QString script = plugin.generateAllClassModels().unregisterCustomsCode(true);
    const QString path = dir.filePath(debugMode ? QStringLiteral("debug.py") : QStringLiteral("normal.py"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(script.toUtf8()) < 0)
        return QString();
    return path;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
    const QString gxx = QStandardPaths::findExecutable(QStringLiteral("g++"));
    QTemporaryDir dir;
    if (gdb.isEmpty() || gxx.isEmpty() || !dir.isValid()) {
        out << "dumperbench: gdb and g++ are needed\n";
        return 1;
    }
    const QString source = sourceRoot + QStringLiteral("/tests/fixtures/dumperbench.cpp");
    const QString program = dir.filePath(QStringLiteral("dumperbench"));
    if (QProcess::execute(gxx, {"-g", "-O0", source, "-o", program}) != 0) {
        out << "dumperbench: the fixture does not compile\n";
        return 1;
    }
    const QString script = dir.filePath(QStringLiteral("bench.py"));
    QFile scriptFile(script);
    if (!scriptFile.open(QIODevice::WriteOnly) || scriptFile.write(benchScript) < 0) {
        out << "dumperbench: cannot write " << script << "\n";
        return 1;
    }
    scriptFile.close();
    const int breakLine = lineOf(source, QStringLiteral("// break here"));

    int status = 0;
    for (const QString &mode : {QStringLiteral("normal"), QStringLiteral("debug")}) {
        const QString printers = generatedPrinters(dir, mode == QLatin1String("debug"));
        if (printers.isEmpty()) {
            out << "dumperbench: the fixture's type models cannot be generated\n";
            return 1;
        }
        QStringList args{"-batch", "-nx"};
        const QStringList scripts{sourceRoot + "/host/dumper/dumper.py", sourceRoot + "/resources/KorvanDumper.py",
                                  sourceRoot + "/resources/DynamicPrettyPrinters.py", printers};
        for (const QString &file : scripts)
            args << "-x" << file;
        args << "-ex" << QStringLiteral("break dumperbench.cpp:%1").arg(breakLine) << "-ex" << "run" << "-x" << script
             << program;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(gdb, args);
        if (!process.waitForFinished(600000)) {
            out << "dumperbench: gdb did not finish\n";
            return 1;
        }
        out << "printers: " << mode << "\n";
        int lines = 0;
        for (const QString &line : QString::fromUtf8(process.readAll()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("BENCH "))) {
                out << "  " << line.mid(6) << "\n";
                ++lines;
            }
        }
        if (lines == 0)
            status = 1;
    }
    return status;
}
