#include "reverse.h"

namespace KorvanDebugger {
namespace Internal {

const char *reverseCommand(ReverseMove move, bool byInstruction)
{
    switch (move) {
    case ReverseMove::Continue:
        return "reverse-continue";
    case ReverseMove::StepOver:
        return byInstruction ? "reverse-nexti" : "reverse-next";
    case ReverseMove::StepIn:
        return byInstruction ? "reverse-stepi" : "reverse-step";
    case ReverseMove::StepOut:
        break;
    }
    return "reverse-finish";
}

bool isUndoDbPath(const QString &debuggerPath)
{
    return debuggerPath.endsWith(QLatin1String("undodb-gdb"), Qt::CaseSensitive);
}

QString debuggerPathForDetection(const QByteArray &environmentValue, const QString &engineDebuggerPath)
{
    const QString path = QString::fromLocal8Bit(environmentValue.constData());
    return path.isEmpty() ? engineDebuggerPath : path;
}

bool debuggerIsUndoDb(const QString &engineDebuggerPath)
{
    return isUndoDbPath(debuggerPathForDetection(qgetenv("QTC_DEBUGGER_PATH"), engineDebuggerPath));
}

} // namespace Internal
} // namespace KorvanDebugger
