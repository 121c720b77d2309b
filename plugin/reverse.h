#pragma once

#include <QByteArray>
#include <QString>

namespace KorvanDebugger {
namespace Internal {

// The four reverse moves of the debugger tool bar.
enum class ReverseMove { Continue, StepOver, StepIn, StepOut };

// The GDB command of a reverse move; the steps go by instruction while the
// host's instruction-wise stepping is on.
const char *reverseCommand(ReverseMove move, bool byInstruction);

// Reverse execution needs UndoDB's GDB: a debugger path ending in "undodb-gdb".
bool isUndoDbPath(const QString &debuggerPath);

// The path that tells which debugger runs: "QTC_DEBUGGER_PATH" (its bytes
// decoded up to the first zero byte) when set, else the engine's debugger.
QString debuggerPathForDetection(const QByteArray &environmentValue, const QString &engineDebuggerPath);

// Looks at the environment anew on every call.
bool debuggerIsUndoDb(const QString &engineDebuggerPath);

} // namespace Internal
} // namespace KorvanDebugger
