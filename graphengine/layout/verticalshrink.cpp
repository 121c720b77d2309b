// Step "Shrink Vertical Space": every empty horizontal band taller than the
// spacing closes to the spacing, and gates that overlap in an inner column
// are reported.
#include "layoutsupport.h"

#include "graphengine/model/gates.h"

#include <algorithm>

namespace GraphEngine {

using namespace LayoutSupport;

bool Module::shrinkVerticalSpace(int spacing)
{
    // Stable, so that a second run over the same Ys gives the same result.
    // Sorted on copies of the Ys, which the loop then changes.
    QVector<GateByY> all;
    all.reserve(gates->count());
    gates->forEachElementCopied([&all](Gate *gate) {
        if (gate)
            all.append({gate->y, gate});
    });
    std::stable_sort(all.begin(), all.end());

    const int n = std::max(0, lastColumn);
    QVector<double> columnBottoms(n + 1, -1e300);
    double removed = 0.0;
    double lowestBottom = 0.0;
    bool collision = false;
    // The gates are read in the scattered order of their Ys: each is asked
    // for ahead of its turn, so that the misses overlap.
    constexpr int ahead = 16;
    for (int i = 0; i < all.size(); ++i) {
        if (i + ahead < all.size())
            prefetchPlacement(all.at(i + ahead).gate);
        const GateByY &entry = all.at(i);
        Gate *g = entry.gate;
        double top = g->y - removed;
        if (top - lowestBottom > spacing) {
            removed += top - lowestBottom - spacing;
            top = g->y - removed;
        }
        g->y = top;
        const double bottom = top + std::max(1.0, g->rect.height() + 1.0 + 1.0);
        lowestBottom = std::max(lowestBottom, bottom);
        const int c = g->column;
        if (c >= 2 && c < n && g->kind != COLPASSTHROUGH) {
            if (columnBottoms.at(c) > top) {
                logWarning(tr("Colision detected %1").arg(nameOf(g)));
                collision = true;
            }
            columnBottoms[c] = bottom;
        }
    }
    return collision;
}

} // namespace GraphEngine
