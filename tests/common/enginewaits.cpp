#include "enginewaits.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggerengine.h>
#include <protocol/debuggercommand.h>

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Debugger::Internal;

bool waitForEngineStop(DebuggerEngine *engine, const std::function<void()> &trigger, int timeoutMs)
{
    QSignalSpy frames(engine, &DebuggerEngine::stackFrameCompleted);
    trigger();
    const auto stopped = [&] { return !frames.isEmpty() && engine->state() == InferiorStopOk; };
    return QTest::qWaitFor(stopped, timeoutMs);
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
