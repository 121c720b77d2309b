// korvan-host: the stand-in IDE. Loads the plug-ins of the build's plug-in
// folder and debugs a program with GDB, stopped at main (or at the first
// breakpoint given); without a program it debugs the demo program built
// beside it. With --batch it runs without a window, prints the locals as
// the watch view shows them, and exits.

#include "hostlog.h"
#include "hostwindow.h"
#include "pluginmanager.h"
#include "watchtree.h"

#include <debugger/gdbengine.h>
#include <projectexplorer/kit.h>
#include <dialogs/dialogs.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>

#include <memory>

#include <cstdio>

using namespace Debugger::Internal;

namespace {

const char usage[] =
    "Usage: korvan-host [options] [program [arguments...]]\n"
    "Debugs the program with GDB, stopped at main; without a program, the demo.\n"
    "  --batch             no window: print the locals at the first stop and exit\n"
    "  --break LOCATION    also stop at LOCATION (a GDB location); may repeat\n"
    "  --gdb PATH          the GDB to run (default: $QTC_DEBUGGER_PATH, else gdb);\n"
    "                      a path ending in undodb-gdb debugs in reverse too\n"
    "  --plugin-path DIR   the folder of the plug-in libraries\n"
    "  --depth N           levels of children printed in batch mode (default 4)\n"
    "  --verbose           diagnostics on the terminal too, not only in the log\n"
    "  --help              this text\n"
    "Diagnostics go to the debugger log and to korvan-host.log in the user's\n"
    "cache folder (~/.cache/korvan-host/ unless XDG_CACHE_HOME says otherwise).\n";

void printError(const QString &text)
{
    const QString line = QStringLiteral("korvan-host: ") + text;
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    Host::writeDiagnosticsFile(line);
}

// Without a window nobody can answer a box: its text goes to the error
// output and it takes its default answer.
class BatchDialogs : public Host::ScriptedDialogs
{
public:
    QMessageBox::StandardButton message(QWidget *parent, const Host::MessageRequest &request) override
    {
        printError(QStringLiteral("%1: %2").arg(request.title, request.text));
        return ScriptedDialogs::message(parent, request);
    }
};

struct Options
{
    bool batch = false;
    bool verbose = false;
    DebuggerRunParameters run;
    // An empty name on the command line is a mistake, not the demo.
    bool programGiven = false;
    QString pluginPath;
};

// False with the reason when the command line is not understood.
bool parseOptions(const QStringList &arguments, Options *options, QString *error)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!argument.startsWith(QLatin1String("--"))) {
            options->programGiven = true;
            options->run.executable = argument.isEmpty() ? QString() : QFileInfo(argument).absoluteFilePath();
            options->run.arguments = arguments.mid(i + 1);
            break;
        }
        const auto value = [&](QString *target) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(argument);
                return false;
            }
            *target = arguments.at(++i);
            return true;
        };
        QString text;
        if (argument == QLatin1String("--batch")) {
            options->batch = true;
        } else if (argument == QLatin1String("--verbose")) {
            options->verbose = true;
        } else if (argument == QLatin1String("--break")) {
            if (!value(&text))
                return false;
            options->run.breakpoints << text;
        } else if (argument == QLatin1String("--gdb")) {
            if (!value(&options->run.debuggerCommand))
                return false;
        } else if (argument == QLatin1String("--plugin-path")) {
            if (!value(&options->pluginPath))
                return false;
        } else if (argument == QLatin1String("--depth")) {
            bool ok = false;
            if (!value(&text) || (options->run.maxDepth = text.toInt(&ok), !ok) || options->run.maxDepth < 1) {
                if (error->isEmpty())
                    *error = QStringLiteral("--depth needs a positive number, not \"%1\"").arg(text);
                return false;
            }
        } else if (argument == QLatin1String("--help")) {
            *error = QString();
            return false;
        } else {
            *error = QStringLiteral("unknown option %1").arg(argument);
            return false;
        }
    }
    return true;
}

// What the batch guard says when it ends a run: whether the program had
// stopped, and which commands GDB was still working on.
QString batchGuardMessage(int limitSeconds, qint64 stoppedAtMs, const QStringList &pending)
{
    QString text = stoppedAtMs < 0
                       ? QStringLiteral("the program did not stop within %1 seconds").arg(limitSeconds)
                       : QStringLiteral("the program stopped after %1 s, but its locals were not shown within %2 seconds")
                             .arg(QString::number(stoppedAtMs / 1000.0, 'f', 1))
                             .arg(limitSeconds);
    if (!pending.isEmpty())
        text += QStringLiteral("; GDB was still running: %1").arg(pending.join(QStringLiteral("; ")));
    return text;
}

} // namespace

// Longer than the plug-ins' deferred reactions to the settings save.
const int settledDelayMs = 20;

int main(int argc, char *argv[])
{
    // Nothing waits for ever in batch mode; KORVAN_BATCH_GUARD_SECONDS
    // shortens the wait (for tests of the guard itself).
    const int guardSeconds = qEnvironmentVariableIntValue("KORVAN_BATCH_GUARD_SECONDS");
    const int batchGuardMs = (guardSeconds > 0 ? guardSeconds : 300) * 1000;
    // The command line is read before Qt looks for a display: the usage
    // text and option errors need none.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    Options options;
    // The IDE's own way of naming the debugger to run; --gdb wins.
    const QString environmentDebugger = qEnvironmentVariable("QTC_DEBUGGER_PATH");
    if (!environmentDebugger.isEmpty())
        options.run.debuggerCommand = environmentDebugger;
    QString error;
    if (!parseOptions(arguments, &options, &error)) {
        if (!error.isEmpty())
            printError(error);
        std::fputs(usage, error.isEmpty() ? stdout : stderr);
        return error.isEmpty() ? 0 : 2;
    }
    // Told before any window opens, in both modes.
    if (options.programGiven) {
        const QString problem = GdbEngine::programProblem(options.run.executable);
        if (!problem.isEmpty()) {
            printError(problem);
            return 1;
        }
    }
    if (options.batch && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!options.batch && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        printError(QStringLiteral("no display to show the window on (DISPLAY is not set); "
                                  "use --batch, or QT_QPA_PLATFORM=offscreen"));
        return 1;
    }

    QCoreApplication::setApplicationName(QStringLiteral("korvan-host"));
    const QString logFile = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                            + QStringLiteral("/korvan-host/korvan-host.log");
    if (!Host::installDiagnostics(logFile, options.verbose, &error))
        printError(error);
    QApplication app(argc, argv);

    const QString binDir = QCoreApplication::applicationDirPath();
    if (options.pluginPath.isEmpty())
        options.pluginPath = QDir(binDir).absoluteFilePath(QStringLiteral(KORVAN_PLUGIN_RELATIVE_PATH));
    if (!options.programGiven) {
        options.run.executable = QDir(binDir).absoluteFilePath(QStringLiteral(KORVAN_DEMO_PROGRAM));
        options.run.breakpoints.prepend(QStringLiteral(KORVAN_DEMO_BREAK));
    }
    options.run.expandAllLocals = options.batch;

    std::unique_ptr<BatchDialogs> batchDialogs;
    if (options.batch)
        batchDialogs.reset(new BatchDialogs);

    // The desktop kit with this machine's Qt, as the IDE sets it up before
    // its plug-ins start (the enumeration editor reads its header folders).
    ProjectExplorer::KitManager::restoreKits();
    Host::HostWindow window;
    window.loadPlugins(options.pluginPath);
    for (const QString &pluginError : window.pluginManager()->errors())
        printError(pluginError);
    if (!options.batch)
        window.show();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &Host::HostWindow::shutdown);
    // The IDE ends with its main window: the plug-ins' own windows do not
    // keep it running.
    QObject::connect(&window, &Host::HostWindow::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    int exitCode = 0;
    const auto finish = [&](int code) {
        exitCode = code;
        window.shutdown();
        QCoreApplication::exit(code);
    };
    // What the batch guard reports: how far the session got.
    QElapsedTimer sinceStart;
    sinceStart.start();
    qint64 stoppedAtMs = -1;
    QPointer<GdbEngine> batchEngine;
    if (options.batch) {
        QObject::connect(&window, &Host::HostWindow::sessionCreated, &window, [&](GdbEngine *engine) {
            batchEngine = engine;
            QObject::connect(engine, &DebuggerEngine::stateChanged, &window, [&](int state) {
                if (state == InferiorStopOk && stoppedAtMs < 0)
                    stoppedAtMs = sinceStart.elapsed();
            });
            QObject::connect(engine, &DebuggerEngine::failed, &window, [&](const QString &text) {
                printError(text);
                finish(1);
            });
            QObject::connect(engine, &GdbEngine::breakpointFailed, &window,
                             [&](const QString &location, const QString &reason) {
                                 printError(QStringLiteral("no breakpoint at %1: %2").arg(location, reason));
                                 finish(1);
                             });
            QObject::connect(engine, &GdbEngine::inferiorExited, &window, [&, engine](int code) {
                if (!engine->stopSignal().isEmpty())
                    printError(QStringLiteral("the program was ended by signal %1 before it stopped")
                                   .arg(engine->stopSignal()));
                else
                    printError(QStringLiteral("the program exited (code %1) before it stopped").arg(code));
                finish(1);
            });
            QObject::connect(engine, &DebuggerEngine::stackFrameCompleted, &window, [&, engine] {
                const QString tree = Host::watchTreeText(window.watchView(), QStringLiteral("local"));
                const QByteArray text = tree.toLocal8Bit();
                std::fwrite(text.constData(), 1, size_t(text.size()), stdout); // zero bytes too
                std::fflush(stdout);
                // A crash is a stop too, but not the one asked for: the
                // locals where it happened are shown, and the run failed.
                if (!engine->stopSignal().isEmpty()) {
                    printError(QStringLiteral("the program received signal %1 before it stopped at %2")
                                   .arg(engine->stopSignal(),
                                        options.run.breakpoints.isEmpty() ? QStringLiteral("main")
                                                                          : options.run.breakpoints.join(QStringLiteral(", "))));
                    finish(1);
                    return;
                }
                finish(0);
            });
        });
    }
    QTimer::singleShot(0, &window, [&] {
        window.delayedInitialize();
        // What the settings save of the start-up triggers in the plug-ins
        // runs on short timers started before this one: the session starts
        // with the settings they store.
        QTimer::singleShot(settledDelayMs, &window, [&] { window.startDebugging(options.run); });
    });
    if (options.batch) {
        // A GDB that never stops the program, or never answers, ends here.
        QTimer::singleShot(batchGuardMs, &window, [&] {
            printError(batchGuardMessage(batchGuardMs / 1000, stoppedAtMs,
                                         batchEngine ? batchEngine->pendingCommands() : QStringList()));
            finish(1);
        });
    }
    const int code = app.exec();
    window.shutdown();
    return exitCode ? exitCode : code;
}
