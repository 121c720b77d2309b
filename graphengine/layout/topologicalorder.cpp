// Step "Order Topologically": every gate gets its depth, counted from the
// module's outputs, and a row in its column; nets that span several depths
// are split on the way.
#include "layoutsupport.h"
#include "marktable.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"

#include <QMap>
#include <QMultiMap>
#include <QPair>
#include <QVector>

#include <algorithm>
#include <vector>

namespace GraphEngine {

using namespace LayoutSupport;

namespace {

bool isInputPortGate(const Gate *gate)
{
    return gate->kind == BaseEnum::INPUTPORT || gate->kind == BaseEnum::INOUTPORT;
}

// One gate of the walk's path with the state of its scan.
struct DepthFrame
{
    Gate *gate = nullptr;
    int forcedDepth = 0;
    bool forceMode = false;
    int cur = 0;
    PortCopy<4> outputs;
    int output = -1;
    PortCopy<8> loads;
    int load = 0;
    int nearest = -1;
    int scan = 0;
    bool multiDriven = false;
    int minDead = 0;
    int maxLoad = -1;
    // Per net, the smallest positive depth among its loads, in the order the
    // outputs are scanned: an order by address would make the pass-through
    // gates, their rows and so the whole layout differ from run to run.
    QVarLengthArray<QPair<Edge *, int>, 2> plan;
    // The child call in flight is the gate's own force-mode walk.
    bool inForceMode = false;
    // This frame is such a walk.
    bool forceWalk = false;
};

} // namespace

void Module::orderTopologically(bool splitNets)
{
    netsWhole = !splitNets;
    crossingCount = 0;
    crossingsRefused = false;
    pieceNumbers.clear();
    wholeNetSpans.clear();
    lastColumn = 0;
    widestColumnFill = 0;
    columnFills.clear();
    // Equal keys: the start point inserted last comes first.
    QMultiMap<int, Gate *> starts;
    for (Gate *gate : gates->elements()) {
        if (!gate)
            continue;
        trace([&] { return tr("\n\n\nStart Computing Order from %1").arg(nameOf(gate)); });
        int d = computeForcedPosition(gate, -1, false);
        if (d < 0 || isInputPortGate(gate)) {
            starts.insert(d, gate);
            d = 1 - d;
        }
        lastColumn = std::max(lastColumn, d);
    }
    trace([&] { return tr("\n-- Pass 2: %1 columns\n").arg(lastColumn); });
    for (auto it = starts.cbegin(); it != starts.cend(); ++it) {
        Gate *gate = it.value();
        if (!gate || isInputPortGate(gate) || gate->column != 0)
            continue;
        trace([&] { return tr("\n\n\nStart Computing Order from %1").arg(nameOf(gate)); });
        const int r = computeForcedPosition(gate, std::max(1 - it.key(), lastColumn), false);
        lastColumn = std::max(lastColumn, r);
    }
    ++lastColumn;
    trace([&] { return tr("\n-- Pass 3: %1 columns\n").arg(lastColumn); });
    for (auto it = starts.cbegin(); it != starts.cend(); ++it) {
        Gate *gate = it.value();
        if (!gate || gate->column > 0)
            continue;
        const int depth = isInputPortGate(gate) ? lastColumn : std::max(2 - gate->column, lastColumn - 1);
        trace([&] { return tr("\n\n\nStart Computing Order from %1: force at Depth %2").arg(nameOf(gate)).arg(depth); });
        computeForcedPosition(gate, depth, true);
        // A module input that went through force mode took no depth on the
        // way: it stands with the other inputs, in the first column.
        if (isInputPortGate(gate) && gate->column <= 0)
            setGatePosition(gate, lastColumn);
    }
    placeModuleInputs(starts.values());
    traceEnabled = false;
}

void Module::placeModuleInputs(const QList<Gate *> &candidates)
{
    // A later start of pass 3 can raise the highest column index after an
    // input took its depth, and an input forced in pass 3 can end level with
    // a load that its walk pushed deeper: every module input goes to the
    // deepest column, one beyond its deepest load, its nets split down to
    // their nearest loads as the walk splits them.
    QList<Gate *> inputs;
    for (Gate *gate : candidates) {
        if (!gate || !isInputPortGate(gate) || inputs.contains(gate))
            continue;
        inputs.append(gate);
        for (GatePort *output : outputPorts(gate)) {
            if (!output->net)
                continue;
            for (const GatePort *load : output->net->loads.list()) {
                if (load && load->owner)
                    lastColumn = std::max(lastColumn, load->owner->column + 1);
            }
        }
    }
    for (Gate *gate : qAsConst(inputs)) {
        if (gate->column == lastColumn)
            continue;
        setGatePosition(gate, lastColumn);
        for (GatePort *output : outputPorts(gate)) {
            if (!output->net)
                continue;
            int nearest = -1;
            for (const GatePort *load : output->net->loads.list()) {
                const int depth = load && load->owner ? load->owner->column : 0;
                if (depth > 0)
                    nearest = nearest == -1 ? depth : std::min(nearest, depth);
            }
            if (nearest != -1)
                splitEdge(output->net, nearest + 1, lastColumn - 1);
        }
    }
}

int Module::computeForcedPosition(Gate *start, int forcedDepth, bool forceMode)
{
    std::vector<DepthFrame> stack;
    int result = 0;

    // Enters the gate: true with a new frame, false with *value the result.
    auto enter = [&](Gate *gate, int depth, bool force, int *value) -> bool {
        if (!gate) {
            trace([] { return tr("Dead point: Null gate. Return -1"); });
            *value = -1;
            return false;
        }
        trace([&] { return tr("Navigating: %1").arg(nameOf(gate)); });
        const int cur = gate->column;
        if (cur != 0) {
            if (depth <= 0 || cur > 0) {
                trace([&] { return tr("already positionned =>%1").arg(cur); });
                *value = cur;
                return false;
            }
            trace([] { return tr("Already know that there is no output, but in force mode"); });
        }
        if (markTable->isMarked(gate, markValue)) {
            trace([] { return tr(" => Invalid Loopback: Should already be dropped"); });
            *value = 0;
            return false;
        }
        markTable->mark(gate, markValue);
        DepthFrame frame;
        frame.gate = gate;
        frame.forcedDepth = depth;
        frame.forceMode = force;
        frame.cur = cur;
        copyOutputPorts(gate, frame.outputs);
        stack.push_back(std::move(frame));
        return true;
    };

    // Ends the scan of the current output: its nearest load depth joins the plan.
    auto closeOutput = [&](DepthFrame &frame) {
        if (frame.output < 0 || frame.nearest == -1)
            return;
        Edge *net = frame.outputs.at(frame.output)->net;
        auto planned = std::find_if(frame.plan.begin(), frame.plan.end(),
                                    [net](const QPair<Edge *, int> &entry) { return entry.first == net; });
        if (planned == frame.plan.end())
            frame.plan.append({net, frame.nearest});
        else
            planned->second = frame.nearest;
        trace([&] {
            return tr("Plan Splitting gate output %1: edge %2.split atart at %3")
                .arg(nameOf(frame.gate), net->name.toString(false))
                .arg(frame.nearest);
        });
    };

    // Decides the depth once the last scan is done. True when the gate's
    // force-mode walk was started (a frame may have been pushed, *pushed).
    auto decide = [&](DepthFrame &frame, int *value, bool *pushed) -> bool {
        Gate *gate = frame.gate;
        auto position = [&](int depth, bool positioned) {
            if (positioned)
                setGatePosition(gate, depth);
            trace([&] { return tr("Set col Value %2=>%1").arg(depth).arg(nameOf(gate)); });
            for (const QPair<Edge *, int> &entry : qAsConst(frame.plan)) {
                if (entry.second != depth)
                    splitEdge(entry.first, entry.second + 1, frame.maxLoad);
            }
            *value = depth;
        };
        bool force = false;
        if (frame.maxLoad == -1) {
            if (gate->kind == OUTPUTPORT) {
                if (frame.minDead == 0)
                    position(1, true);
                else
                    force = true;
            } else if (frame.forcedDepth > 0) {
                setGatePosition(gate, frame.forcedDepth);
                trace([&] { return tr("No output: Use forced value =>%1").arg(frame.forcedDepth); });
                *value = frame.forcedDepth;
            } else {
                gate->column = frame.minDead - 1;
                trace([&] { return tr("No output: Position Gate %1 : X=%2").arg(nameOf(gate)).arg(gate->column); });
                *value = frame.minDead - 1;
            }
        } else if (frame.minDead < 0) {
            force = true;
        } else if (isInputPortGate(gate) && frame.forceMode) {
            frame.maxLoad = frame.forcedDepth - 1;
            position(frame.forcedDepth, true);
        } else {
            position(frame.maxLoad + 1, !isInputPortGate(gate));
        }
        if (force && frame.forceWalk) {
            // The force-mode walk of this gate found dead loads again: the
            // same walk would follow for ever (a dead gate whose branches
            // differ in length). It keeps the depth it was given.
            frame.maxLoad = std::max(frame.forcedDepth, frame.maxLoad + 1) - 1;
            position(frame.maxLoad + 1, true);
            return false;
        }
        if (!force)
            return false;
        // Every gate now on the path counts as off it, so the walk may pull
        // the dead branches behind this gate just below its depth.
        ++markValue;
        const int depth = std::max(1 - frame.minDead, frame.maxLoad) + 1;
        trace([&] { return tr("{  Go in force mode: maxUnconnectedRet = %1 (max = %2)").arg(frame.minDead).arg(depth); });
        frame.inForceMode = true;
        *pushed = enter(gate, depth, false, value);
        if (*pushed)
            stack.back().forceWalk = true;
        return true;
    };

    if (!enter(start, forcedDepth, forceMode, &result))
        return result;

    bool delivering = false;
    while (!stack.empty()) {
        DepthFrame &frame = stack.back();
        if (delivering) {
            delivering = false;
            if (frame.inForceMode) {
                --markValue;
                trace([&] { return tr("}  Force Mode result =>%1").arg(result); });
                markTable->unmark(frame.gate, markValue);
                stack.pop_back();
                delivering = true;
                continue;
            }
            if (result > 0) {
                frame.maxLoad = std::max(frame.maxLoad, result);
                frame.nearest = frame.nearest == -1 ? result : std::min(frame.nearest, result);
            } else {
                frame.minDead = std::min(frame.minDead, result);
            }
        }
        if (frame.output < 0 || frame.load >= frame.loads.size()) {
            closeOutput(frame);
            ++frame.output;
            while (frame.output < frame.outputs.size() && !frame.outputs.at(frame.output)->net)
                ++frame.output;
            if (frame.output < frame.outputs.size()) {
                Edge *net = frame.outputs.at(frame.output)->net;
                if (net->drivers.size() >= 2)
                    frame.multiDriven = true;
                copyPorts(net->loads.list(), frame.loads);
                frame.load = 0;
                frame.nearest = -1;
                continue;
            }
            if (frame.multiDriven && frame.scan == 0) {
                // A net with several drivers: the first scan may have moved
                // depths under the other drivers, so look once more.
                frame.scan = 1;
                frame.output = -1;
                frame.plan.clear();
                frame.minDead = 0;
                frame.maxLoad = -1;
                frame.loads.clear();
                frame.load = 0;
                continue;
            }
            bool pushed = false;
            if (decide(frame, &result, &pushed)) {
                if (!pushed)
                    delivering = true; // the force-mode walk answered at once
                continue;
            }
            markTable->unmark(frame.gate, markValue);
            stack.pop_back();
            delivering = true;
            continue;
        }
        GatePort *load = frame.loads.at(frame.load++);
        if (!load || !load->owner)
            continue;
        Gate *h = load->owner;
        int target = frame.forcedDepth - 1;
        if (h->column != 0 && frame.cur != 0) {
            target = frame.cur + frame.forcedDepth - h->column;
            trace([&] { return tr("change force position from %1 to %2").arg(frame.forcedDepth).arg(target); });
        }
        bool pushed = enter(h, target, false, &result);
        delivering = !pushed;
    }
    return result;
}

void Module::setGatePosition(Gate *gate, int depth)
{
    if (!gate)
        return;
    gate->column = depth;
    lastColumn = std::max(lastColumn, depth);
    gate->row = reserveColumnRow(gate, depth);
    trace([&] { return tr("%1: X=%2, Y=%3").arg(nameOf(gate)).arg(depth).arg(gate->row); });
}

int Module::reserveColumnRow(Gate *gate, int depth)
{
    if (!gate || depth < 0)
        return 0;
    while (columnFills.size() <= depth)
        columnFills.append(0);
    columnFills[depth] += std::max(1, gate->portCount(2));
    widestColumnFill = std::max(widestColumnFill, columnFills.at(depth));
    return columnFills.at(depth);
}

} // namespace GraphEngine
