#include "debuggerengine.h"

#include "debuggercore.h"
#include "stackhandler.h"
#include "watchhandler.h"

namespace Debugger {
namespace Internal {

const char *stateName(int state)
{
    static const char *const names[] = {
        "DebuggerNotReady", "EngineSetupRequested", "EngineSetupFailed", "EngineSetupOk",
        "InferiorSetupRequested", "InferiorSetupFailed", "InferiorSetupOk", "EngineRunRequested",
        "EngineRunFailed", "InferiorUnrunnable", "InferiorRunRequested", "InferiorRunOk",
        "InferiorRunFailed", "InferiorStopRequested", "InferiorStopOk", "InferiorStopFailed",
        "InferiorExitOk", "InferiorShutdownRequested", "InferiorShutdownFailed", "InferiorShutdownOk",
        "EngineShutdownRequested", "EngineShutdownFailed", "EngineShutdownOk", "DebuggerFinished"};
    return state >= 0 && state <= DebuggerFinished ? names[state] : "UnknownState";
}

DebuggerEngine::DebuggerEngine(const DebuggerRunParameters &parameters, QObject *parent)
    : QObject(parent)
    , m_parameters(parameters)
    , m_watchHandler(new WatchHandler(this))
    , m_stackHandler(new StackHandler(this))
{
}

DebuggerEngine::~DebuggerEngine()
{
    if (currentEngine() == this)
        setCurrentEngine(nullptr);
}

WatchModel *DebuggerEngine::watchModel() const
{
    return m_watchHandler->model();
}

void DebuggerEngine::showStatusMessage(const QString &text, int timeout)
{
    emit statusMessage(text, timeout);
}

void DebuggerEngine::setState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit logMessage(QStringLiteral("State changed to %1 (%2)").arg(QLatin1String(stateName(state))).arg(state));
    if (state == DebuggerFinished) {
        // As the IDE does when its debugger ends, however it ended: no
        // value or frame is shown as if the program were still there.
        m_stackHandler->removeAll();
        m_watchHandler->cleanup();
    }
    emit stateChanged(state);
}

} // namespace Internal
} // namespace Debugger
