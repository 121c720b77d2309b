#pragma once

// The IDE debugger's engine interface: state, run parameters, the watch and
// stack handlers, and the command operation through which everything is
// sent to the debugger.

#include "debuggerconstants.h"

#include <QObject>
#include <QStringList>

namespace Debugger {
namespace Internal {

class DebuggerCommand;
class StackHandler;
class WatchHandler;
class WatchModel;

struct DebuggerRunParameters
{
    QString debuggerCommand = QStringLiteral("gdb"); // path of the GDB to run
    QString executable;
    QStringList arguments;
    QStringList breakpoints;   // GDB locations; none: "main"
    QString workingDirectory;
    bool expandAllLocals = false; // every local fetched with all children
    int maxDepth = 4;          // levels of children when expanding all
};

class DebuggerEngine : public QObject
{
    Q_OBJECT
public:
    explicit DebuggerEngine(const DebuggerRunParameters &parameters, QObject *parent = nullptr);
    ~DebuggerEngine() override;

    int state() const { return m_state; }
    const DebuggerRunParameters &runParameters() const { return m_parameters; }
    void showStatusMessage(const QString &text, int timeout = -1);
    bool isNativeMixedActive() const { return false; }

    // Stepping moves by one machine instruction instead of one line.
    bool operatesByInstruction() const { return m_operatesByInstruction; }
    void setOperatesByInstruction(bool on) { m_operatesByInstruction = on; }

    WatchHandler *watchHandler() const { return m_watchHandler; }
    StackHandler *stackHandler() const { return m_stackHandler; }
    WatchModel *watchModel() const;

    // Makes a frame (a row of the stack model) the current one and fetches
    // its locals.
    virtual void activateFrame(int row) = 0;
    // Sends one command; its callback is called once with the answer.
    virtual void runCommand(const DebuggerCommand &command) = 0;

signals:
    void stateChanged(int state);
    void stackFrameCompleted();
    void statusMessage(const QString &text, int timeout);
    // A line of the conversation with the debugger, for the debugger log.
    void logMessage(const QString &text);
    // The session could not start or broke down; the text says why.
    void failed(const QString &message);

protected:
    void setState(int state);

private:
    DebuggerRunParameters m_parameters;
    int m_state = DebuggerNotReady;
    bool m_operatesByInstruction = false;
    WatchHandler *m_watchHandler;
    StackHandler *m_stackHandler;
};

} // namespace Internal
} // namespace Debugger
