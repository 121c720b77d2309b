#pragma once

// The rewrite every piece of Python goes through before it is sent to GDB:
// in debug mode a statement marked "# DEBUG api,variable[,message]" is
// wrapped so that its failure is reported through WARN lines (which the log
// filter turns into an error report); outside debug mode a line marked
// "# NODEBUG" becomes "if True:". In debug mode a trace call is then put
// before every statement, so that the log shows which line of which part
// ran last; outside it the trace would cost a log line per executed
// statement, and there is none.

#include <QString>

namespace KorvanDebugger {
namespace Internal {

// partName names the part in the trace lines ("commonCode", ...); with
// logFirstPass the text after the annotation pass goes to the warning log.
QString instrumentPython(QString code, const char *partName, bool logFirstPass);

} // namespace Internal
} // namespace KorvanDebugger
