#pragma once

#include <QtGlobal>

namespace Debugger {
namespace Internal {

// Writes one "SOFT ASSERT: ..." line to the debug channel; the caller goes on.
void writeAssertLocation(const char *what);

} // namespace Internal
} // namespace Debugger

// A precondition that must not stop the program: when it fails, the location
// is reported and `action` runs (typically a return), never an abort.
#define KORVAN_SOFT_ASSERT_STRING(cond) \
    ::Debugger::Internal::writeAssertLocation( \
        "\"" cond "\" in file " __FILE__ ", line " QT_STRINGIFY(__LINE__))

#define KORVAN_SOFT_ASSERT(cond, action) \
    if (Q_LIKELY(cond)) { \
    } else { \
        KORVAN_SOFT_ASSERT_STRING(#cond); \
        action; \
    } \
    do { \
    } while (false)
