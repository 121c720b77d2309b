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
    // Labels are measured glyph by glyph from the advances of single
    // characters and drawn as runs of those glyphs; a text layout that
    // shaped them (an "ff" ligature, kerning) would draw them otherwise
    // wherever it draws them itself (SVG, glyphs of a fallback font).
    // Any letter spacing makes the layout leave ligatures out; 100 per cent
    // is the spacing of the font itself.
    font.setKerning(false);
    font.setLetterSpacing(QFont::PercentageSpacing, 100);
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
