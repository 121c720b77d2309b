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
    // they read no gate. The entries stay small: the check after the last
    // step runs where the layout takes the most memory.
    QVector<LayoutSupport::GateByY> all;
    all.reserve(gates->count());
    const auto add = [&all](Gate *gate) {
        if (gate)
            all.append({gate->y, gate});
    };
    // The index's list is read from its array copy while the steps keep
    // one, else in place (a copy just for this walk would take room).
    if (gates->hasListCopy())
        gates->forEachElementCopied(add);
    else
        gates->forEachElement(add);
    std::sort(all.begin(), all.end());
    QVector<double> bottom(std::max(0, lastColumn + 1), -1e300);
    // The gates are read in the scattered order of their Ys: each is asked
    // for ahead of its turn, so that the misses overlap.
    constexpr int ahead = 16;
    for (int i = 0; i < all.size(); ++i) {
        if (i + ahead < all.size())
            LayoutSupport::prefetchPlacement(all.at(i + ahead).gate);
        const Gate *gate = all.at(i).gate;
        if (colour != -1 && !(gate->marks & (1 << colour)))
            continue;
        const int c = gate->column;
        if (c < 2 || c >= lastColumn)
            continue;
        if (bottom[c] > gate->y) {
            logCritical(tr("Colision detected %1: %2").arg(c).arg(gate->name.toString(false)));
            return false;
        }
        bottom[c] = gate->y + extentOf(gate);
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
