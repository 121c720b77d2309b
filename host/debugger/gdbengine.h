#pragma once

// The engine that drives a real "gdb --interpreter=mi": commands carry
// tokens and callbacks, answers are parsed into GdbMi trees, and the host's
// dumper (host/dumper/dumper.py) runs inside that GDB to fill the watch
// model.

#include "debuggerengine.h"

#include <protocol/debuggercommand.h>
#include <protocol/debuggerresponse.h>

#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

namespace Debugger {
namespace Internal {

class GdbEngine : public DebuggerEngine
{
    Q_OBJECT
public:
    explicit GdbEngine(const DebuggerRunParameters &parameters, QObject *parent = nullptr);
    ~GdbEngine() override;

    // Starts GDB, loads the dumper and the start-up commands, loads the
    // program and runs it to its first breakpoint (at least "main").
    // Failures come as failed().
    void start();
    // Why the program cannot be debugged (no name, missing, a folder, not
    // executable for this user), or an empty text when it can be.
    static QString programProblem(const QString &program);
    // Ends GDB (and with it the program); waits for it at most timeoutMs
    // before killing it. Safe to call in any state.
    void shutdown(int timeoutMs = 5000);

    void runCommand(const DebuggerCommand &command) override;
    void activateFrame(int row) override;

    void continueInferior();
    void interruptInferior();
    void executeNext();
    void executeStep();
    void executeStepOut();

    // Answers to commands sent before the barrier are dropped.
    void setTokenBarrier();
    // The two steps before a run command of the plug-in: forget the stack
    // and mark the run as requested.
    void resetLocation();
    void notifyInferiorRunRequested();

    void reloadLocals();
    // "set variable (expression)=value" in GDB, then the locals anew; a
    // refusal is told in the status bar.
    void assignValueInDebugger(const QString &expression, const QString &value);
    void reloadStack();

    void handleExecuteContinue(const DebuggerResponse &response);
    void handleExecuteJumpToLine(const DebuggerResponse &response);
    void handleFetchVariables(const DebuggerResponse &response);
    void handleLoadDumpers(const DebuggerResponse &response);

    // The GDB convenience variable that holds a function's return value.
    QByteArray resultVariableName() const { return QByteArrayLiteral("$__korvan_return"); }

    qint64 gdbProcessId() const { return m_gdbPid; }
    qint64 inferiorProcessId() const { return m_inferiorPid; }
    int exitCode() const { return m_inferiorExitCode; }
    // The signal of the last stop or end of the program, as "SIGSEGV,
    // Segmentation fault"; empty when it stopped or ended otherwise.
    QString stopSignal() const { return m_stopSignal; }
    // The commands sent to GDB that it has not answered yet, oldest first.
    QStringList pendingCommands() const;

signals:
    // The program has ended (normally or by a signal) with this code.
    void inferiorExited(int exitCode);
    // GDB refused a breakpoint of the run parameters, for this reason.
    void breakpointFailed(const QString &location, const QString &reason);

private:
    // Arguments, breakpoints and the run, once GDB has loaded the program.
    void runProgram();
    void handleProcessError(QProcess::ProcessError error);
    void readGdbOutput();
    void handleLine(const QByteArray &line);
    void handleResultRecord(int token, const QByteArray &rest);
    void handleAsyncRecord(const QByteArray &line);
    void handleStopped(const GdbMi &data);
    void fail(const QString &message);
    QByteArray commandText(const DebuggerCommand &command);

    QProcess m_gdb;
    QTemporaryDir m_scriptDir;
    QByteArray m_buffer;
    int m_token = 0;
    int m_tokenBarrier = 0;
    int m_scriptCount = 0;
    QHash<int, DebuggerCommand> m_pending;
    // The run command that GDB answered "running": GDB may still refuse it
    // with a second answer of the same token (its recorder does).
    int m_runToken = 0;
    DebuggerCommand m_runCommand;
    // What GDB's recorder said it could not follow, shown with the next stop.
    QStringList m_recorderRefusals;
    QByteArray m_consoleOutput;
    QByteArray m_logOutput;
    qint64 m_gdbPid = 0;
    qint64 m_inferiorPid = 0;
    int m_inferiorExitCode = -1;
    QString m_stopSignal;
    bool m_failed = false;
    bool m_shuttingDown = false;
};

} // namespace Internal
} // namespace Debugger
