#pragma once

#include "gdbmi.h"

#include <QByteArray>

namespace Debugger {
namespace Internal {

// Fixed to int: a class read from a peer may be any number, and every one
// that is not listed is unknown.
enum ResultClass : int {
    ResultUnknown,
    ResultDone,
    ResultRunning,
    ResultConnected,
    ResultError,
    ResultExit
};

// GDB's answer to one command, as the host hands it to the command's
// callback. Member order follows the host's record.
class DebuggerResponse
{
public:
    int token = -1;
    ResultClass resultClass = ResultUnknown;
    GdbMi data;
    QByteArray logStreamOutput;
    QByteArray consoleStreamOutput;

    // The response as a GDB/MI result record, for logs.
    QByteArray toString() const;
    // Takes any number, so a class read from a peer needs no range check.
    static QByteArray stringFromResultClass(int resultClass);
};

} // namespace Internal
} // namespace Debugger
