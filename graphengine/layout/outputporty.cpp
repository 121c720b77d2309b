// Step "Compute Y-Coordinate for output ports": the module's outputs level
// with the pins that drive them, the members of an output bus at a pitch of
// 2, and unrelated outputs kept apart.
#include "layoutsupport.h"

#include <algorithm>

namespace GraphEngine {

using namespace LayoutSupport;

namespace {

constexpr double BusPitch = 2.0;

// The gate an output was placed from: the pointer part of a tagged link.
Gate *sourceOf(const Gate *gate)
{
    if (!(gate->link & 1))
        return nullptr;
    return reinterpret_cast<Gate *>(gate->link & ~quintptr(1));
}

} // namespace

void Module::computeOutputPortY(double spacing)
{
    const int n = std::max(0, lastColumn);
    orderedColumns = QVector<QList<Gate *>>(n + 1);
    if (columnGates.size() <= n) {
        traceEnabled = false;
        return;
    }

    const QList<Gate *> outputs = columnGates.at(n);
    for (Gate *g : outputs) {
        if (!g)
            continue;
        double y = 0.0;
        placeFromDrivers(g, y, 0, false);
        if (!(y > 0.001))
            trace([] { return tr("zero"); });
        trace([&] {
            return tr("%2: Correct Output Port Y-Coordinate In case of Multi-driver: %1").arg(number(y), nameOf(g));
        });
        g->y = y;
    }
    QList<Gate *> &column = columnGates[n];
    column.removeAll(nullptr);
    std::stable_sort(column.begin(), column.end(), gateYLessThan);

    trace([] { return tr("Full re-computation Algorithem"); });
    computeGateYPositionFromHierarchy(spacing, true, false);
    // That was the last placement that reads the port-Y lists; their room
    // (a place for every port of every column) goes before the steps that
    // take the layout's most memory.
    columnInputYs = QVector<QVector<double>>();
    columnOutputYs = QVector<QVector<double>>();

    // The shift carries on while the source or the bus run stays the same,
    // so a group of outputs hanging off one driver moves down as a whole.
    double previous = -1e300;
    double shift = 0.0;
    Gate *previousSource = nullptr;
    bool hasPreviousSource = false;
    int counter = 0;
    for (Gate *g : qAsConst(column)) {
        g->row = ++counter;
        Gate *source = sourceOf(g);
        trace([&] {
            return source ? tr("Position %1 based on %2").arg(nameOf(g), nameOf(source))
                          : tr("Position %1 based on passThrough col").arg(nameOf(g));
        });
        const double y = g->y;
        const double need = std::max(g->rect.height() + 1.0 + 1.0, spacing);
        const double gap = y - previous;
        const bool sameSource = hasPreviousSource && source == previousSource;
        double newY = y;
        bool corrected = false;
        if (lastColumnBus.appendGatePort(g)) {
            if (y == previous - shift + BusPitch) {
                // Already at the pitch once shifted.
            } else if (sameSource) {
                newY = previous + BusPitch;
                corrected = true;
                trace([&] { return tr("Correct Y to enforce bus-layout: %1").arg(number(newY)); });
            } else {
                lastColumnBus.flush(true);
                lastColumnBus.appendGatePort(g);
                if (y > previous)
                    shift = 0.0;
                else if (need > gap)
                    shift = need - gap;
                previousSource = source;
                hasPreviousSource = true;
            }
        } else if (sameSource || y == previous + BusPitch) {
            if (need > gap)
                shift = need - gap;
        } else {
            shift = need > gap ? need - gap : 0.0;
            previousSource = source;
            hasPreviousSource = true;
        }
        g->y = corrected ? newY : y + shift;
        previous = g->y;
    }
    traceEnabled = false;
}

} // namespace GraphEngine
