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
    // Sorted on copies of what the loop reads: it then visits no gate in
    // the scattered order of the Ys but to give it its new Y.
    std::vector<GatePlace> all = gatePlaces(*gates);
    std::stable_sort(all.begin(), all.end());

    const int n = std::max(0, lastColumn);
    QVector<double> columnBottoms(n + 1, -1e300);
    double removed = 0.0;
    double lowestBottom = 0.0;
    bool collision = false;
    for (const GatePlace &entry : all) {
        Gate *g = entry.gate;
        double top = entry.y - removed;
        if (top - lowestBottom > spacing) {
            removed += top - lowestBottom - spacing;
            top = entry.y - removed;
        }
        g->y = top;
        const double bottom = top + std::max(1.0, entry.height + 1.0 + 1.0);
        lowestBottom = std::max(lowestBottom, bottom);
        const int c = entry.column;
        if (c >= 2 && c < n && !entry.passThrough) {
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
