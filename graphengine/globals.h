#pragma once

#include <QFont>
#include <QMutex>
#include <QRecursiveMutex>
#include <QString>

namespace GraphEngine {

// Guards the program-wide netlist stores (stopwatches, name base texts, mark
// bits, role texts, pen cycle). Recursive, so a holder may call another
// function that takes it again.
QRecursiveMutex &globalLock();

// Guards the shared free list of mark-table nodes and the module code's
// shared lists; not recursive, taken innermost and only around list updates.
QMutex &sharedListLock();

// Optional trace messages of the netlist and generator code are written only
// while this is set. Off at start.
extern bool verboseTrace;
// The same switch under the name the layout steps use for their trace lines.
inline bool &traceEnabled = verboseTrace;

struct FontHolder
{
    QString family;
    QFont font;
    void set(const QString &familyName, double pointSize);
};

// The font graph texts are measured and drawn with ("Monospace", 14 pt),
// without ligatures or kerning whatever the family.
FontHolder &labelFont();

// Position in the pen visiting order; the pen source advances it before use.
extern int penCycleIndex;
void resetPenCycle();

} // namespace GraphEngine
