#include "gdbengine.h"

#include "debuggercore.h"
#include "stackhandler.h"
#include "watchhandler.h"

#include <protocol/gdbmi.h>
#include <utils/savedaction.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>
#include <cstring>

static void initHostDumperResource()
{
    Q_INIT_RESOURCE(hostdumper);
}

namespace Debugger {
namespace Internal {

namespace {
// MI text of a console command: its C-escaped text in quotes.
QByteArray consoleCommand(const QByteArray &text)
{
    return "-interpreter-exec console \"" + escapeCString(text) + '"';
}

DebuggerCommand makeCommand(const QByteArray &function, int flags)
{
    DebuggerCommand command(function);
    command.flags = flags;
    return command;
}

ResultClass resultClassOf(const QByteArray &name)
{
    if (name == "done")
        return ResultDone;
    if (name == "running")
        return ResultRunning;
    if (name == "connected")
        return ResultConnected;
    if (name == "error")
        return ResultError;
    if (name == "exit")
        return ResultExit;
    return ResultUnknown;
}
} // namespace

GdbEngine::GdbEngine(const DebuggerRunParameters &parameters, QObject *parent)
    : DebuggerEngine(parameters, parent)
{
    m_gdb.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&m_gdb, &QProcess::readyReadStandardOutput, this, &GdbEngine::readGdbOutput);
    connect(&m_gdb, &QProcess::readyReadStandardError, this, [this] {
        const QString text = QString::fromLocal8Bit(m_gdb.readAllStandardError());
        emit logMessage(text.trimmed());
    });
    connect(&m_gdb, &QProcess::errorOccurred, this, &GdbEngine::handleProcessError);
    connect(&m_gdb, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, [this] {
        m_pending.clear();
        if (m_shuttingDown)
            return; // shutdown() takes it from here
        if (state() < InferiorShutdownRequested) {
            // A crash leaves the signal where an exit leaves its code.
            if (m_gdb.exitStatus() == QProcess::CrashExit)
                fail(tr("GDB ended unexpectedly (signal %1, %2).")
                         .arg(m_gdb.exitCode())
                         .arg(QString::fromLocal8Bit(strsignal(m_gdb.exitCode()))));
            else
                fail(tr("GDB ended unexpectedly (exit code %1).").arg(m_gdb.exitCode()));
            setState(EngineShutdownFailed);
        }
        setState(DebuggerFinished);
    });
    connect(watchHandler()->model(), &WatchModel::fetchRequested, this, [this] {
        if (state() == InferiorStopOk)
            reloadLocals();
    });
    connect(watchHandler()->model(), &WatchModel::valueEditRequested, this,
            [this](const QString &, const QString &expression, const QString &value) {
                assignValueInDebugger(expression, value);
            });
    connect(watchHandler(), &WatchHandler::watchersChanged, this, [this] {
        if (state() == InferiorStopOk)
            reloadLocals();
    });
}

GdbEngine::~GdbEngine()
{
    shutdown(2000);
}

void GdbEngine::fail(const QString &message)
{
    if (m_failed)
        return;
    m_failed = true;
    emit logMessage(message);
    emit failed(message);
}

void GdbEngine::handleProcessError(QProcess::ProcessError error)
{
    if (error == QProcess::FailedToStart) {
        setState(EngineSetupFailed);
        fail(tr("GDB could not be started (\"%1\"): %2").arg(runParameters().debuggerCommand, m_gdb.errorString()));
        setState(DebuggerFinished);
    }
}

QString GdbEngine::programProblem(const QString &program)
{
    if (program.isEmpty())
        return tr("No program was given: the program name is empty.");
    const QFileInfo info(program);
    if (!info.exists())
        return tr("The program \"%1\" does not exist.").arg(program);
    if (info.isDir())
        return tr("The program \"%1\" is a folder, not a program.").arg(program);
    // GDB would start it through the shell, which ends with code 126: say why.
    if (!info.isExecutable())
        return tr("The program \"%1\" cannot be run: permission denied (it is not executable).").arg(program);
    return QString();
}

void GdbEngine::start()
{
    // A new session: what the log told of the previous one no longer holds.
    emit logMessage(QStringLiteral("&Starting debugger \"GdbEngine\" for %1").arg(runParameters().executable));
    setCurrentEngine(this);
    setState(EngineSetupRequested);
    if (!m_scriptDir.isValid()) {
        fail(tr("No temporary folder for the debugger scripts: %1").arg(m_scriptDir.errorString()));
        setState(EngineSetupFailed);
        return;
    }
    // The host's dumper goes first: the plug-in's start-up block extends it.
    static const bool resourceReady = (initHostDumperResource(), true);
    Q_UNUSED(resourceReady)
    const QString dumperPath = m_scriptDir.filePath(QStringLiteral("dumper.py"));
    {
        QFile source(QStringLiteral(":/korvanhost/dumper.py"));
        QFile target(dumperPath);
        if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)
            || target.write(source.readAll()) < 0) {
            fail(tr("The debugger's dumper could not be written to %1.").arg(dumperPath));
            setState(EngineSetupFailed);
            return;
        }
    }
    const QString program = runParameters().executable;
    const QString problem = programProblem(program);
    if (!problem.isEmpty()) {
        fail(problem);
        setState(EngineSetupFailed);
        return;
    }

    if (!runParameters().workingDirectory.isEmpty())
        m_gdb.setWorkingDirectory(runParameters().workingDirectory);
    m_gdb.start(runParameters().debuggerCommand, {QStringLiteral("--interpreter=mi2"), QStringLiteral("-nx"),
                                                 QStringLiteral("-q")});
    if (!m_gdb.waitForStarted(30000))
        return; // handleProcessError reported it
    m_gdbPid = m_gdb.processId();

    for (const char *setting : {"-gdb-set mi-async on", "-gdb-set pagination off", "-gdb-set confirm off",
                                "-gdb-set width 0", "-gdb-set height 0", "-gdb-set print static-members off"})
        runCommand(DebuggerCommand(setting));

    DebuggerCommand loadDumper("source " + dumperPath.toLocal8Bit());
    loadDumper.callback = [this](const DebuggerResponse &response) {
        if (response.resultClass == ResultError)
            fail(tr("The debugger's dumper could not be loaded into GDB (Python 3 is needed): %1")
                     .arg(QString::fromUtf8(response.data["msg"].data())));
    };
    runCommand(loadDumper);

    // What every GDB session runs first: the IDE's start-up commands, where
    // the plug-in keeps its printers.
    const QString startup = action(GdbStartupCommands)->value().toString();
    if (!startup.trimmed().isEmpty()) {
        DebuggerCommand commands(startup.toLocal8Bit());
        commands.callback = [this](const DebuggerResponse &response) {
            if (response.resultClass == ResultError)
                emit logMessage(tr("The GDB start-up commands failed: %1")
                                    .arg(QString::fromUtf8(response.data["msg"].data())));
        };
        runCommand(commands);
    }
    DebuggerCommand dumpers = makeCommand("loadDumpers", PythonCommand | Discardable);
    dumpers.callback = [this](const DebuggerResponse &response) { handleLoadDumpers(response); };
    runCommand(dumpers);

    DebuggerCommand file("-file-exec-and-symbols \"" + escapeCString(program.toLocal8Bit()) + '"');
    file.callback = [this, program](const DebuggerResponse &response) {
        if (response.resultClass == ResultError) {
            setState(EngineSetupFailed);
            fail(tr("The program \"%1\" could not be loaded: %2")
                     .arg(program, QString::fromUtf8(response.data["msg"].data())));
            // Not from inside the answer's handling: GDB is still talking.
            QTimer::singleShot(0, this, [this] { shutdown(); });
        } else {
            setState(EngineSetupOk);
            runProgram();
        }
    };
    runCommand(file);
}

void GdbEngine::runProgram()
{
    const QString program = runParameters().executable;
    if (!runParameters().arguments.isEmpty()) {
        QByteArray arguments;
        for (const QString &argument : runParameters().arguments) {
            // GDB hands the arguments to a shell: quote each one.
            QByteArray quoted = argument.toLocal8Bit();
            quoted.replace('\'', "'\\''");
            arguments += " '" + quoted + '\'';
        }
        runCommand(DebuggerCommand("-exec-arguments" + arguments));
    }
    // The program stops at the first given breakpoint it reaches, else at main.
    QStringList locations = runParameters().breakpoints;
    if (locations.isEmpty())
        locations << QStringLiteral("main");
    for (const QString &location : locations) {
        // Not pending: a location GDB cannot find in the program is a
        // mistake to report now, not a stop that silently never comes.
        DebuggerCommand breakpoint("-break-insert \"" + escapeCString(location.toLocal8Bit()) + '"');
        breakpoint.callback = [this, location](const DebuggerResponse &response) {
            if (response.resultClass != ResultError)
                return;
            const QString reason = QString::fromUtf8(response.data["msg"].data());
            const QString text = tr("No breakpoint at %1: %2").arg(location, reason);
            emit logMessage(text);
            showStatusMessage(text);
            emit breakpointFailed(location, reason);
        };
        runCommand(breakpoint);
    }
    DebuggerCommand run = makeCommand("-exec-run", RunRequest);
    run.callback = [this, program](const DebuggerResponse &response) {
        if (m_failed)
            return;
        if (response.resultClass == ResultRunning) {
            setState(InferiorRunOk);
        } else {
            setState(InferiorRunFailed);
            fail(tr("The program \"%1\" could not be started: %2")
                     .arg(program, QString::fromUtf8(response.data["msg"].data())));
            // Not from inside the answer's handling: GDB is still talking.
            QTimer::singleShot(0, this, [this] { shutdown(); });
        }
    };
    setState(InferiorRunRequested);
    runCommand(run);
}


void GdbEngine::shutdown(int timeoutMs)
{
    if (m_gdb.state() == QProcess::NotRunning) {
        if (state() != DebuggerNotReady && state() != EngineSetupFailed)
            setState(DebuggerFinished);
        return;
    }
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    // GDB's exit takes the program it started down with it: the program's
    // shutdown is reported first, then GDB's.
    const bool inferiorLive = state() >= InferiorRunRequested && state() < InferiorExitOk;
    if (inferiorLive)
        setState(InferiorShutdownRequested);
    // With mi-async GDB takes the exit while the program runs.
    m_gdb.write("-gdb-exit\n");
    const bool exited = m_gdb.waitForFinished(timeoutMs);
    if (!exited) {
        m_gdb.kill();
        m_gdb.waitForFinished(timeoutMs);
    }
    m_pending.clear();
    if (inferiorLive)
        setState(InferiorShutdownOk);
    setState(EngineShutdownRequested);
    setState(exited ? EngineShutdownOk : EngineShutdownFailed);
    setState(DebuggerFinished);
}

QByteArray GdbEngine::commandText(const DebuggerCommand &command)
{
    if (command.flags & PythonCommand) {
        // Hex keeps any text of the arguments out of the Python syntax.
        return consoleCommand("python theDumper." + command.function + "(json.loads(bytes.fromhex('"
                              + command.argsToPython().toHex() + "').decode('utf8')))");
    }
    if (command.function.startsWith('-'))
        return command.function;
    if (command.function.contains('\n')) {
        // Several lines run as one script. GDB reads a command script one
        // character at a time, so the Python of each "python" ... "end"
        // block goes to a file of its own, which GDB's Python reads whole.
        const int number = ++m_scriptCount;
        QByteArray commands;
        int blocks = 0;
        const QList<QByteArray> lines = command.function.split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            if (lines.at(i).trimmed() != "python") {
                commands += lines.at(i) + '\n';
                continue;
            }
            int end = i + 1;
            while (end < lines.size() && lines.at(end).trimmed() != "end")
                ++end;
            if (end == lines.size()) { // not closed: GDB says so
                commands += lines.mid(i).join('\n') + '\n';
                break;
            }
            const QString pythonPath = m_scriptDir.filePath(QStringLiteral("commands%1_%2.py").arg(number).arg(++blocks));
            QFile python(pythonPath);
            if (!python.open(QIODevice::WriteOnly) || python.write(lines.mid(i + 1, end - i - 1).join('\n') + '\n') < 0)
                return QByteArray();
            commands += "source " + pythonPath.toLocal8Bit() + '\n';
            i = end;
        }
        const QString path = m_scriptDir.filePath(QStringLiteral("commands%1.gdb").arg(number));
        QFile script(path);
        if (!script.open(QIODevice::WriteOnly) || script.write(commands) < 0)
            return QByteArray();
        return consoleCommand("source " + path.toLocal8Bit());
    }
    return consoleCommand(command.function);
}

void GdbEngine::runCommand(const DebuggerCommand &command)
{
    if (m_gdb.state() != QProcess::Running) {
        emit logMessage(tr("Not sent, GDB is not running: %1").arg(QString::fromLocal8Bit(command.function)));
        return;
    }
    if ((command.flags & NeedsStop) && state() != InferiorStopOk) {
        emit logMessage(tr("Not sent, the program is not stopped: %1").arg(QString::fromLocal8Bit(command.function)));
        return;
    }
    const QByteArray text = commandText(command);
    if (text.isEmpty()) {
        emit logMessage(tr("Not sent, the command script could not be written: %1")
                            .arg(QString::fromLocal8Bit(command.function)));
        return;
    }
    const int token = ++m_token;
    m_pending.insert(token, command);
    const QByteArray line = QByteArray::number(token) + text + '\n';
    emit logMessage(QLatin1Char('>') + QString::fromLocal8Bit(line.trimmed()));
    m_gdb.write(line);
}

void GdbEngine::readGdbOutput()
{
    // A record of a large value arrives in many pieces: only the new piece
    // is searched for the end of a line, not the whole line again.
    const int searched = m_buffer.size();
    m_buffer += m_gdb.readAllStandardOutput();
    int last = m_buffer.size() - 1;
    while (last >= searched && m_buffer.at(last) != '\n')
        --last;
    if (last < searched)
        return;
    // Taken out before any is handled: a handler may read GDB's output again.
    const QByteArray complete = m_buffer.left(last);
    m_buffer.remove(0, last + 1);
    for (QByteArray line : complete.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            handleLine(line);
    }
}

void GdbEngine::handleLine(const QByteArray &line)
{
    if (line == "(gdb) " || line == "(gdb)")
        return;
    // The log shows what GDB sent ("<"), and the text of its console and
    // log streams decoded, one line each after the stream's character.
    emit logMessage(QLatin1Char('<') + QString::fromUtf8(line));
    int pos = 0;
    while (pos < line.size() && line.at(pos) >= '0' && line.at(pos) <= '9')
        ++pos;
    const int token = pos > 0 ? line.left(pos).toInt() : -1;
    if (pos >= line.size())
        return;
    const char kind = line.at(pos);
    const QByteArray rest = line.mid(pos + 1);
    switch (kind) {
    case '~':
    case '&':
    case '@': {
        const char *from = rest.constData();
        const QByteArray text = GdbMi::parseCString(from, rest.constData() + rest.size());
        if (kind != '@') {
            QList<QByteArray> lines = text.split('\n');
            if (text.endsWith('\n'))
                lines.removeLast();
            for (const QByteArray &decoded : qAsConst(lines))
                emit logMessage(QLatin1Char(kind) + QString::fromUtf8(decoded));
        }
        if (kind == '~') {
            m_consoleOutput += text;
        } else if (kind == '&') {
            m_logOutput += text;
            if (text.startsWith("Process record"))
                m_recorderRefusals << QString::fromUtf8(text).trimmed();
        }
        break;
    }
    case '^':
        handleResultRecord(token, rest);
        break;
    case '*':
    case '=':
        handleAsyncRecord(line.mid(pos));
        break;
    default:
        break;
    }
}

void GdbEngine::handleResultRecord(int token, const QByteArray &rest)
{
    DebuggerResponse response;
    response.token = token;
    const int comma = rest.indexOf(',');
    response.resultClass = resultClassOf(comma < 0 ? rest : rest.left(comma));
    if (comma >= 0)
        response.data.fromStringMultiple(rest.mid(comma + 1));
    response.data.m_name = "data";
    response.consoleStreamOutput = m_consoleOutput;
    response.logStreamOutput = m_logOutput;
    m_consoleOutput.clear();
    m_logOutput.clear();

    DebuggerCommand command = m_pending.take(token);
    if (token > 0 && token == m_runToken && !command.callback && response.resultClass == ResultError)
        command = m_runCommand; // refused after all: its caller takes the program back
    if ((command.flags & RunRequest) && response.resultClass == ResultRunning) {
        m_runToken = token;
        m_runCommand = command;
    } else if (token == m_runToken) {
        m_runToken = 0;
        m_runCommand = DebuggerCommand();
    }
    if (token <= m_tokenBarrier)
        return;
    if (response.resultClass == ResultError && !command.callback)
        emit logMessage(tr("GDB reported an error for \"%1\": %2")
                            .arg(QString::fromLocal8Bit(command.function), QString::fromUtf8(response.data["msg"].data())));
    if (command.callback)
        command.callback(response);
}

void GdbEngine::handleAsyncRecord(const QByteArray &line)
{
    const int comma = line.indexOf(',');
    const QByteArray name = line.mid(1, (comma < 0 ? line.size() : comma) - 1);
    GdbMi data;
    if (comma >= 0)
        data.fromStringMultiple(line.mid(comma + 1));
    if (line.startsWith('=')) {
        if (name == "thread-group-started")
            m_inferiorPid = data["pid"].data().toLongLong();
        return;
    }
    if (name == "running") {
        if (state() != InferiorRunOk && state() < InferiorExitOk)
            setState(InferiorRunOk);
    } else if (name == "stopped") {
        handleStopped(data);
    }
}

void GdbEngine::handleStopped(const GdbMi &data)
{
    const QByteArray reason = data["reason"].data();
    m_stopSignal.clear();
    if (reason == "signal-received" || reason == "exited-signalled") {
        m_stopSignal = QString::fromUtf8(data["signal-name"].data());
        const QString meaning = QString::fromUtf8(data["signal-meaning"].data());
        if (!meaning.isEmpty())
            m_stopSignal += QStringLiteral(", ") + meaning;
    }
    if (reason.startsWith("exited")) {
        m_inferiorExitCode = reason == "exited-normally" ? 0 : data["exit-code"].data().toInt(nullptr, 8);
        if (reason == "exited-signalled")
            m_inferiorExitCode = 128;
        m_inferiorPid = 0;
        m_recorderRefusals.clear();
        setState(InferiorExitOk);
        stackHandler()->removeAll();
        watchHandler()->removeChildren(QStringLiteral("local"));
        watchHandler()->removeChildren(QStringLiteral("inspect"));
        if (reason == "exited-signalled")
            showStatusMessage(tr("The program was ended by the signal %1.")
                                  .arg(QString::fromUtf8(data["signal-name"].data())));
        else
            showStatusMessage(tr("The program exited with code %1.").arg(m_inferiorExitCode));
        emit inferiorExited(m_inferiorExitCode);
        return;
    }
    setState(InferiorStopOk);
    const GdbMi &frame = data["frame"];
    const QString where = tr("Stopped at %1 (%2:%3)")
                              .arg(QString::fromUtf8(frame["func"].data()), QString::fromUtf8(frame["file"].data()),
                                   QString::fromUtf8(frame["line"].data()));
    if (m_recorderRefusals.isEmpty())
        showStatusMessage(where, 5000);
    else // stays until the next message: the user has to know why it stopped here
        showStatusMessage(m_recorderRefusals.join(QLatin1Char(' ')) + QLatin1Char(' ') + where);
    m_recorderRefusals.clear();
    reloadStack();
    reloadLocals();
}

QStringList GdbEngine::pendingCommands() const
{
    QList<int> tokens = m_pending.keys();
    std::sort(tokens.begin(), tokens.end());
    QStringList commands;
    for (int token : qAsConst(tokens)) {
        // A script shows as its first line.
        const QByteArray function = m_pending.value(token).function.trimmed();
        const int end = function.indexOf('\n');
        commands << QString::fromLocal8Bit(end < 0 ? function : function.left(end) + " ...");
    }
    return commands;
}

void GdbEngine::reloadStack()
{
    DebuggerCommand frames = makeCommand("-stack-list-frames", NeedsStop);
    frames.callback = [this](const DebuggerResponse &response) {
        if (response.resultClass == ResultDone)
            stackHandler()->setFramesFromMi(response.data["stack"]);
    };
    runCommand(frames);
}

void GdbEngine::activateFrame(int row)
{
    if (state() != InferiorStopOk || row < 0 || row >= stackHandler()->stackSize())
        return;
    DebuggerCommand select = makeCommand("-stack-select-frame " + QByteArray::number(row), NeedsStop);
    select.callback = [this, row](const DebuggerResponse &response) {
        if (response.resultClass != ResultDone)
            return;
        stackHandler()->setCurrentIndex(row);
        reloadLocals();
    };
    runCommand(select);
}

void GdbEngine::reloadLocals()
{
    DebuggerCommand variables = makeCommand("-stack-list-variables --no-values", NeedsStop);
    variables.callback = [this](const DebuggerResponse &response) {
        QJsonArray watchers;
        QStringList seen;
        for (const GdbMi &variable : response.data["variables"]) {
            const QString name = QString::fromUtf8(variable["name"].data());
            if (name.isEmpty() || seen.contains(name))
                continue; // an inner variable hides an outer one of its name
            seen.append(name);
            watchers.append(QJsonObject{{QStringLiteral("iname"), QString(QStringLiteral("local.") + name)},
                                        {QStringLiteral("expression"), name}});
        }
        // The user's watched expressions ("watch.N") come with every update.
        DebuggerCommand fetch = makeCommand("fetchVariable", PythonCommand | InUpdateLocals | Discardable);
        watchHandler()->appendWatchersAndTooltipRequests(&fetch);
        for (const QJsonValue &watcher : fetch.args.toObject().value(QLatin1String("watchers")).toArray())
            watchers.append(watcher);
        fetch.arg("watchers", QJsonValue(watchers));
        QJsonArray expanded;
        for (const QString &iname : watchHandler()->expandedINames())
            expanded.append(iname);
        fetch.arg("expanded", QJsonValue(expanded));
        fetch.arg("expandall", runParameters().expandAllLocals);
        fetch.arg("maxdepth", runParameters().maxDepth);
        fetch.arg("stringcutoff", action(MaximalStringLength)->value().toInt());
        fetch.arg("displaystringlimit", action(DisplayStringLimit)->value().toInt());
        // A file per fetch: the answer of one may be read after the next ran.
        fetch.arg("resultfile", m_scriptDir.filePath(QStringLiteral("locals%1.mi").arg(++m_scriptCount)));
        fetch.callback = [this](const DebuggerResponse &answer) {
            watchHandler()->removeChildren(QStringLiteral("local"));
            handleFetchVariables(answer);
        };
        runCommand(fetch);
    };
    runCommand(variables);
}

void GdbEngine::assignValueInDebugger(const QString &expression, const QString &value)
{
    if (expression.isEmpty()) {
        showStatusMessage(tr("This value has no expression of its own and cannot be changed here."));
        return;
    }
    if (state() != InferiorStopOk) {
        showStatusMessage(tr("The value of %1 can be changed only while the program is stopped.").arg(expression));
        return;
    }
    if (value.trimmed().isEmpty())
        return; // an emptied cell is no value
    // Several lines would run as a script of GDB commands.
    const QString assignment = expression + value;
    if (assignment.contains(QLatin1Char('\n')) || assignment.contains(QLatin1Char('\r'))) {
        showStatusMessage(tr("The value of %1 could not be changed: a value is one line.").arg(expression));
        return;
    }
    DebuggerCommand assign = makeCommand("set variable (" + expression.toUtf8() + ")=" + value.toUtf8(), NeedsStop);
    assign.callback = [this, expression](const DebuggerResponse &response) {
        if (response.resultClass != ResultDone) {
            showStatusMessage(tr("The value of %1 could not be changed: %2")
                                  .arg(expression, QString::fromUtf8(response.data["msg"].data())));
            return;
        }
        reloadLocals();
    };
    runCommand(assign);
}

void GdbEngine::handleFetchVariables(const DebuggerResponse &response)
{
    if (response.resultClass == ResultDone) {
        QByteArray output = response.consoleStreamOutput;
        const int named = output.lastIndexOf("data-file=");
        if (named >= 0) {
            // A large answer comes as a file: see "resultfile" in the dumper.
            GdbMi path;
            path.fromStringMultiple(output.mid(named, output.indexOf('\n', named) - named));
            QFile data(QString::fromUtf8(path["data-file"].data()));
            output = data.open(QIODevice::ReadOnly) ? data.readAll() : QByteArray();
            data.close();
            data.remove();
        }
        const int start = output.lastIndexOf("data=");
        if (start >= 0) {
            int end = output.indexOf('\n', start);
            if (end < 0)
                end = output.size();
            GdbMi all;
            all.fromStringMultiple(output.mid(start, end - start));
            watchHandler()->insertItems(all["data"], false);
        }
    } else {
        emit logMessage(tr("The variables could not be fetched: %1").arg(QString::fromUtf8(response.data["msg"].data())));
    }
    watchHandler()->notifyUpdateFinished();
    emit stackFrameCompleted();
}

void GdbEngine::handleLoadDumpers(const DebuggerResponse &response)
{
    const QByteArray output = response.consoleStreamOutput;
    const int start = output.lastIndexOf("dumpers=");
    if (response.resultClass != ResultDone || start < 0)
        return;
    int end = output.indexOf('\n', start);
    if (end < 0)
        end = output.size();
    GdbMi all;
    all.fromStringMultiple(output.mid(start, end - start));
    watchHandler()->addDumpers(all["dumpers"]);
}

void GdbEngine::setTokenBarrier()
{
    m_tokenBarrier = m_token;
}

void GdbEngine::resetLocation()
{
    stackHandler()->removeAll();
}

void GdbEngine::notifyInferiorRunRequested()
{
    // A session whose GDB has ended does not run again.
    if (m_gdb.state() != QProcess::Running)
        return;
    setState(InferiorRunRequested);
}

void GdbEngine::handleExecuteContinue(const DebuggerResponse &response)
{
    if (response.resultClass == ResultRunning) {
        setState(InferiorRunOk);
    } else {
        setState(InferiorRunFailed);
        QStringList reasons = m_recorderRefusals;
        m_recorderRefusals.clear();
        const QString reason = QString::fromUtf8(response.data["msg"].data());
        if (!reasons.contains(reason))
            reasons << reason;
        const QString text = tr("The program could not be continued: %1").arg(reasons.join(QLatin1Char(' ')));
        emit logMessage(text);
        showStatusMessage(text);
        // Still stopped where it was: show that place again, from the top frame.
        setState(InferiorStopOk);
        runCommand(DebuggerCommand("-stack-select-frame 0"));
        reloadStack();
        reloadLocals();
    }
}

void GdbEngine::handleExecuteJumpToLine(const DebuggerResponse &response)
{
    // A jump ends in a stop that *stopped reports; only failures matter here.
    handleExecuteContinue(response);
}

namespace {
void runControl(GdbEngine *engine, const QByteArray &command)
{
    if (engine->state() != InferiorStopOk)
        return;
    engine->resetLocation();
    // What the Inspector fetched belongs to the stop that ends here.
    engine->watchHandler()->removeChildren(QStringLiteral("inspect"));
    engine->notifyInferiorRunRequested();
    DebuggerCommand run = makeCommand(command, RunRequest);
    run.callback = [engine](const DebuggerResponse &response) { engine->handleExecuteContinue(response); };
    engine->runCommand(run);
}
} // namespace

void GdbEngine::continueInferior()
{
    runControl(this, "-exec-continue");
}

void GdbEngine::executeNext()
{
    runControl(this, operatesByInstruction() ? "-exec-next-instruction" : "-exec-next");
}

void GdbEngine::executeStep()
{
    runControl(this, operatesByInstruction() ? "-exec-step-instruction" : "-exec-step");
}

void GdbEngine::executeStepOut()
{
    runControl(this, "-exec-finish");
}

void GdbEngine::interruptInferior()
{
    if (state() != InferiorRunOk)
        return;
    setState(InferiorStopRequested);
    runCommand(DebuggerCommand("-exec-interrupt"));
}

} // namespace Internal
} // namespace Debugger
