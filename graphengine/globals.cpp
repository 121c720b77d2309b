#include "globals.h"

#include <QMutexLocker>

namespace GraphEngine {

bool verboseTrace = false;
int penCycleIndex = 0;

QRecursiveMutex &globalLock()
{
    static QRecursiveMutex lock;
    return lock;
}

QMutex &sharedListLock()
{
    static QMutex lock;
    return lock;
}

void FontHolder::set(const QString &familyName, double pointSize)
{
    family = familyName;
    font.setFamily(familyName);
    font.setPointSizeF(pointSize);
}

FontHolder &labelFont()
{
    static FontHolder holder = [] {
        FontHolder h;
        h.set(QStringLiteral("Monospace"), 14.0);
        return h;
    }();
    return holder;
}

void resetPenCycle()
{
    QMutexLocker locker(&globalLock());
    penCycleIndex = 0;
}

} // namespace GraphEngine
