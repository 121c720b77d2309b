#include "enginewaits.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggerengine.h>
#include <debugger/gdbengine.h>
#include <protocol/debuggercommand.h>

#include <QCoreApplication>
#include <QFile>
#include <QObject>
#include <QTest>

#include <memory>

#include <signal.h>
#include <sys/types.h>

using namespace Debugger::Internal;

bool waitForEngineStop(DebuggerEngine *engine, const std::function<void()> &trigger, int timeoutMs)
{
    // The locals of the stop before may still come in, before the trigger
    // or after it while the program runs again: only locals completed at a
    // stop, with no run since, end the wait. Otherwise it ends at the next
    // stop's first record, before that stop's frames and locals are in.
    bool completed = false;
    QObject watcher;
    QObject::connect(engine, &DebuggerEngine::stackFrameCompleted, &watcher, [&] {
        if (engine->state() == InferiorStopOk)
            completed = true;
    });
    QObject::connect(engine, &DebuggerEngine::stateChanged, &watcher, [&](int state) {
        if (state != InferiorStopOk)
            completed = false;
    });
    trigger();
    return QTest::qWaitFor([&] { return completed && engine->state() == InferiorStopOk; }, timeoutMs);
}

std::optional<DebuggerResponse> engineResponse(DebuggerEngine *engine, const QByteArray &command, int timeoutMs)
{
    // Shared with the callback: a response that comes after the wait gave up
    // must not write into a finished frame.
    auto response = std::make_shared<std::optional<DebuggerResponse>>();
    DebuggerCommand mi(command);
    mi.callback = [response](const DebuggerResponse &answer) { *response = answer; };
    engine->runCommand(mi);
    if (!QTest::qWaitFor([response] { return response->has_value(); }, timeoutMs))
        return std::nullopt;
    return *response;
}

namespace {
// The parent of a process, read from /proc; 0 when it cannot be read.
qint64 parentOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // "pid (command) state ppid ...": the command may hold blanks and parentheses.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}
} // namespace

bool signalEngineGdb(GdbEngine *engine, int signal)
{
    const qint64 gdb = engine ? engine->gdbProcessId() : 0;
    if (gdb <= 0 || parentOf(gdb) != QCoreApplication::applicationPid())
        return false;
    return ::kill(pid_t(gdb), signal) == 0;
}
