// The per-column port-Y lists of the Y placement, the clearance of a gate's
// first ports from the neighbouring columns, and the move of a gate together
// with the chain of loads it is aligned to.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace GraphEngine {

using namespace LayoutSupport;

namespace {

// The input side is sort groups 3, 2 and 1, which come before the outputs.
template<typename Visit>
void forEachPort(Gate *gate, bool outputs, Visit visit)
{
    gate->ports.ensureSorted(false);
    auto it = outputs ? gate->ports.constBegin(0) : gate->ports.constBegin(3);
    const auto end = outputs ? gate->ports.constEnd(0) : gate->ports.constBegin(0);
    for (; it != end; ++it) {
        if (*it)
            visit(*it);
    }
}

QVector<double> *portYList(Module *m, Gate *gate, bool outputs)
{
    QVector<QVector<double>> &lists = outputs ? m->columnOutputYs : m->columnInputYs;
    if (gate->column < 0 || gate->column >= lists.size())
        return nullptr;
    return &lists[gate->column];
}

} // namespace

void Module::registerPortYs(Gate *gate, bool outputs)
{
    if (!gate)
        return;
    QVector<double> *ys = portYList(this, gate, outputs);
    if (!ys)
        return;
    if (isPassThrough(gate)) {
        const auto at = std::lower_bound(ys->begin(), ys->end(), gate->y);
        if (at == ys->end() || *at != gate->y)
            ys->insert(at, gate->y);
        return;
    }
    const int blockStart = ys->size();
    forEachPort(gate, outputs, [&](const GatePort *port) { ys->append(gate->y + port->tip.y()); });
    const auto block = ys->begin() + blockStart;
    std::sort(block, ys->end());
    // A gate registered above gates already in the list (after a move) must
    // not break the order the readers search by.
    if (blockStart > 0 && block != ys->end() && *block < *(block - 1))
        std::inplace_merge(ys->begin(), block, ys->end());
}

void Module::registerAllPortYs(Gate *gate)
{
    registerPortYs(gate, true);
    registerPortYs(gate, false);
}

void Module::registerAllPortYsGuarded(Gate *gate)
{
    if (!gate || gate->column == lastColumn)
        return;
    registerAllPortYs(gate);
}

void Module::unregisterPortYs(Gate *gate, bool outputs)
{
    if (!gate || gate->column == lastColumn)
        return;
    QVector<double> *ys = portYList(this, gate, outputs);
    if (!ys)
        return;
    // The gate's own values go, whatever gates were registered after it.
    auto removeValue = [ys](double value) {
        const auto at = std::lower_bound(ys->begin(), ys->end(), value);
        if (at != ys->end() && *at == value)
            ys->erase(at);
    };
    if (isPassThrough(gate)) {
        removeValue(gate->y);
        return;
    }
    forEachPort(gate, outputs, [&](const GatePort *port) { removeValue(gate->y + port->tip.y()); });
}

void Module::unregisterAllPortYs(Gate *gate)
{
    unregisterPortYs(gate, true);
    unregisterPortYs(gate, false);
}

bool Module::keepPortClear(double &y, const GatePort *port, const QVector<double> &ys, double spacing)
{
    if (!port)
        return false;
    static const QVector<double> origin{0.0};
    const QVector<double> &entries = ys.isEmpty() ? origin : ys;
    const double tip = port->tip.y();
    bool moved = false;
    for (;;) {
        const double p = y + tip;
        const auto above = std::upper_bound(entries.cbegin(), entries.cend(), p);
        if (above != entries.cbegin() && p - *(above - 1) < spacing) {
            y += spacing - (p - *(above - 1)) + 0.001;
        } else if (above != entries.cend() && *above - p < spacing) {
            y += (*above - p) + spacing + 0.001;
        } else {
            break;
        }
        moved = true;
    }
    return moved;
}

double Module::portClearance(Gate *gate, double y, double spacing)
{
    const int c = gate ? gate->column : lastColumn;
    if (c == lastColumn || c < 0 || c + 1 >= columnInputYs.size() || c >= columnOutputYs.size())
        return 0.0;
    GatePort *output = gate->portAt(0, 0);
    GatePort *input = nullptr;
    if (c > 0) {
        for (int group = 3; group >= 1 && !input; --group)
            input = gate->portAt(group, 0);
    }
    double shifted = y;
    for (;;) {
        const bool movedOutput = keepPortClear(shifted, output, columnInputYs.at(c + 1), spacing);
        if (c == 0) {
            if (!movedOutput)
                break;
            continue;
        }
        const bool movedInput = keepPortClear(shifted, input, columnOutputYs.at(c - 1), spacing);
        if (!movedOutput && !movedInput)
            break;
    }
    return shifted - y;
}

bool Module::repositionColumn(Gate *origin, Gate *gate, double delta, bool stopAtBottom, int positionedMark,
                              QSet<Gate *> &visited, int spacing)
{
    // The move runs along signal chains that can be as long as the netlist:
    // a stack of pending (gate, delta) keeps the depth-first order of the
    // loads without using the call stack.
    std::vector<std::pair<Gate *, double>> pending{{gate, delta}};
    std::vector<std::pair<Gate *, double>> loads;
    while (!pending.empty()) {
        Gate *g = pending.back().first;
        double moveBy = pending.back().second;
        pending.pop_back();
        if (!g || visited.contains(g))
            continue;
        visited.insert(g);
        const int c = g->column;
        if (c < 0 || c >= columnBottomY.size())
            continue;
        const double bottom = columnBottomY.at(c);
        Gate *bottomGate = columnBottomGate.at(c);
        const double y = g->y;
        // A gate moved lands below its column's bottom gate, the spacing
        // apart in an inner column. A pass-through may stand closer, but
        // not inside that gate: the chain of a packed bus comes here
        // without its overlap grown for the columns it crosses.
        const bool passThrough = isPassThrough(g);
        if (bottomGate != g && (!passThrough || g != origin)) {
            const double gap = (!passThrough && c >= 2 && c < lastColumn) ? spacing : 0;
            const double clear = bottom + extentOf(bottomGate) + gap;
            const double need = clear - (y + moveBy);
            if (need > 0) {
                trace([&] { return tr("Expand Offset by %1. Overlap detected for %2").arg(number(need), nameOf(g)); });
                moveBy += need;
                // A pass-through keeps no gap: it ends right under the gate.
                if (gap == 0)
                    extendToReach(y, moveBy, clear);
            }
        }
        trace([&] {
            return tr("column (%3): Previous Max: %1 Current Gate: %2").arg(number(bottom), number(y)).arg(c);
        });
        if (stopAtBottom && y == bottom)
            return false;
        const double newY = y + moveBy;
        if (newY < bottom) {
            trace([] { return tr("Invalid computation: Max coordinate get wrong!. Abort repositioning"); });
            return false;
        }
        if (g == origin) {
            g->y = newY;
            if (c < lastColumn)
                registerAllPortYs(g);
        } else if (c == lastColumn) {
            g->y = newY;
        } else {
            unregisterPortYs(g, true);
            unregisterPortYs(g, false);
            g->y = newY;
            registerAllPortYs(g);
        }
        trace([&] { return tr("Move Down %1,%2 : %3").arg(c).arg(nameOf(g), number(newY)); });
        settleColumnBottom(this, c, g);
        trace([&] { return tr("Move Previous max  %1 = %2").arg(c).arg(number(columnBottomY.at(c))); });

        Gate *link = followedLink(g);
        if (!link)
            continue;
        loads.clear();
        forEachPort(g, true, [&](const GatePort *port) {
            if (!port->net)
                return;
            for (const GatePort *load : port->net->loads.list()) {
                Gate *lg = load ? load->owner : nullptr;
                if (lg && lg == link && hasMark(lg, positionedMark) && lg->column > c)
                    loads.emplace_back(lg, moveBy);
            }
        });
        pending.insert(pending.end(), loads.rbegin(), loads.rend());
    }
    return true;
}

} // namespace GraphEngine
