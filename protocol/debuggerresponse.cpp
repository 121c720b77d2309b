#include "debuggerresponse.h"

namespace Debugger {
namespace Internal {

QByteArray DebuggerResponse::stringFromResultClass(int resultClass)
{
    switch (resultClass) {
    case ResultDone: return "done";
    case ResultRunning: return "running";
    case ResultConnected: return "connected";
    case ResultError: return "error";
    case ResultExit: return "exit";
    default: return "unknown";
    }
}

QByteArray DebuggerResponse::toString() const
{
    QByteArray result;
    if (token != -1)
        result = QByteArray::number(token);
    result += '^' + stringFromResultClass(resultClass);
    if (data.isValid())
        result += ',' + data.toString();
    result += '\n';
    return result;
}

} // namespace Internal
} // namespace Debugger
