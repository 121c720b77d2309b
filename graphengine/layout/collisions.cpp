// The check of a finished placement: no two gates of an inner column
// overlap, and each column's recorded bottom matches its bottom gate.
#include "layoutsupport.h"

#include "graphengine/model/gates.h"

#include <algorithm>
#include <cmath>

namespace GraphEngine {

namespace {

double extentOf(const Gate *gate)
{
    return std::max(1.0, gate->rect.height() + 2.0);
}

} // namespace

bool Module::checkCollisions(int colour)
{
    // Sorted by Y as gateYLessThan orders them, on copies of the Ys: the
    // comparisons (and so the order, equal Ys included) are the same, and
    // the sweep reads no gate.
    std::vector<LayoutSupport::GatePlace> all = LayoutSupport::gatePlaces(*gates);
    std::sort(all.begin(), all.end());
    QVector<double> bottom(std::max(0, lastColumn + 1), -1e300);
    for (const LayoutSupport::GatePlace &entry : all) {
        if (colour != -1 && !(entry.marks & (1 << colour)))
            continue;
        const int c = entry.column;
        if (c < 2 || c >= lastColumn)
            continue;
        if (bottom[c] > entry.y) {
            logCritical(tr("Colision detected %1: %2").arg(c).arg(entry.gate->name.toString(false)));
            return false;
        }
        bottom[c] = entry.y + std::max(1.0, entry.height + 2.0);
    }
    if (lastColumn < 3)
        return true;
    for (int c = 2; c < lastColumn; ++c) {
        const Gate *last = c < columnBottomGate.size() ? columnBottomGate.at(c) : nullptr;
        if (!last)
            continue;
        // The recorded bottom of a column without its entry counts as unknown.
        const double recorded = c < columnBottomY.size() ? columnBottomY.at(c) : std::nan("");
        if (!(recorded == last->y) || !(recorded + extentOf(last) == bottom[c]))
            return false;
    }
    return true;
}

} // namespace GraphEngine
