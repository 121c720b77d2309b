#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace GraphEngine {

// The program-wide diagnostics sinks. Both always return; callers go on.
// logWarning writes the text unchanged; logCritical writes it quoted and
// escaped, as QDebug does for strings.
void logWarning(const QString &text);
void logCritical(const QString &text);

// Whether the user asked for the trace lines of the graph side: the logging
// category "korvan.trace" at debug level, off unless the logging rules turn
// it on (QT_LOGGING_RULES="korvan.trace.debug=true"). What switches the
// trace on for the user (a graph window being set up) asks this first.
bool traceRequested();

// Per-thread stopwatch. Reports "<label>: Time measure is <s> s" through
// logWarning when more than a second passed since the thread's previous
// call, then restarts the stopwatch. With reset set, it only restarts.
void measureTime(const QString &label, bool reset = false);

namespace Internal {
// Lets tests drive the stopwatch with a clock of their own; an empty function
// restores the system clock.
void setClockForTesting(std::function<QDateTime()> clock);
}

} // namespace GraphEngine
