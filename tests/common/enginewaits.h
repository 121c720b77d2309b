#pragma once

// Waits of the tests that drive the host's GDB engine. Each one is bounded,
// so that a GDB that never answers fails its test instead of hanging it.

#include "protocol/debuggerresponse.h"

#include <QByteArray>

#include <functional>
#include <optional>

namespace Debugger {
namespace Internal {
class DebuggerEngine;
class GdbEngine;
}
} // namespace Debugger

// Runs the trigger and waits for the stop it causes, locals included; false
// when the engine is not stopped with them by then.
bool waitForEngineStop(Debugger::Internal::DebuggerEngine *engine, const std::function<void()> &trigger,
                       int timeoutMs = 60000);

// Sends one GDB/MI command through the engine and waits for its response;
// none when it did not come in time.
std::optional<Debugger::Internal::DebuggerResponse> engineResponse(Debugger::Internal::DebuggerEngine *engine,
                                                                   const QByteArray &command,
                                                                   int timeoutMs = 30000);

// Sends the signal (SIGSTOP, SIGKILL, ...) to the GDB process the engine
// started, once /proc confirms it is a child of this test process, so that
// no other test's GDB is ever touched. False when it is not, or the signal
// could not be sent.
bool signalEngineGdb(Debugger::Internal::GdbEngine *engine, int signal);
