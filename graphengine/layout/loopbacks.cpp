// Step "Remove Loopback": a depth-first walk along the signal flow finds
// every feedback loop and cuts it at one net, so that the ordering sees an
// acyclic netlist.
#include "layoutsupport.h"
#include "marktable.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/marks.h"

#include <QMap>

#include <algorithm>
#include <vector>

namespace GraphEngine {

using namespace LayoutSupport;

namespace {

// The walk's result "a loop came back to its head uncut": an address that
// is no gate.
char headUncutTag;

} // namespace

Gate *Module::loopHeadUncut()
{
    return reinterpret_cast<Gate *>(&headUncutTag);
}

void Module::removeLoopbacks()
{
    if (!gates) {
        traceEnabled = false;
        return;
    }
    const int first = allocateColor();
    const int second = allocateColor();
    if (first < 0 || second < 0) {
        releaseColor(first);
        releaseColor(second);
        traceEnabled = false;
        return;
    }
    // Both bits cleared in one walk over the index.
    const int both = (1 << first) | (1 << second);
    gates->forEachElement([both](Gate *gate) {
        if (gate)
            gate->marks &= ~both;
    });
    RemovalWatch watch(this);
    for (Gate *gate : gates->elements()) {
        if (!gate || watch.removed(gate))
            continue;
        trace([&] { return tr("start Navigating Loopback from %1").arg(nameOf(gate)); });
        if (processLoopback(gate, first, false)) {
            trace([&] { return tr("Complex loop back case: can't trivially find cut point: %1").arg(nameOf(gate)); });
            processLoopback(gate, second, true);
        }
    }
    releaseColor(first);
    releaseColor(second);
    traceEnabled = false;
}

namespace {

// One gate of the walk's path, with the place the walk has reached in it.
struct LoopFrame
{
    Gate *gate = nullptr;
    bool force = false;
    PortCopy<4> outputs;
    int output = -1;
    // The loads of the current output's net, taken when the output is
    // reached: a cut further down moves loads of other nets only.
    PortCopy<8> loads;
    int load = 0;
    GatePort *current = nullptr;
    // The child walk in flight is the forced walk of a loop head.
    bool forcedChild = false;
    // Cut points: per output (its place in outputs), its loads that close a
    // loop. Cut in port order: an order by address would make the layout
    // differ from run to run.
    QMap<int, QList<GatePort *>> cuts;
};

} // namespace

Gate *Module::processLoopback(Gate *start, int colour, bool force)
{
    if (colour < 0 || colour > 7)
        return nullptr;
    RemovalWatch watch(this);
    const int bit = 1 << colour;
    std::vector<LoopFrame> stack;

    // Enters the gate: the result of a gate that is not walked (null: done,
    // else the gate itself as a loop head), or a new frame (*pushed).
    auto enter = [&](Gate *gate, bool forced, bool *pushed) -> Gate * {
        *pushed = false;
        if (!gate || watch.removed(gate) || (gate->marks & bit))
            return nullptr;
        trace([&] { return tr("Navigating: %1").arg(nameOf(gate)); });
        if (markTable->isMarked(gate, markValue)) {
            trace([] { return tr(" =>Loopback"); });
            return gate;
        }
        markTable->mark(gate, markValue);
        LoopFrame frame;
        frame.gate = gate;
        frame.force = forced;
        copyOutputPorts(gate, frame.outputs);
        stack.push_back(std::move(frame));
        *pushed = true;
        return nullptr;
    };

    // Cuts the recorded loops of the frame's gate and leaves it.
    auto finish = [&](LoopFrame &frame) {
        for (auto it = frame.cuts.cbegin(); it != frame.cuts.cend(); ++it) {
            GatePort *port = frame.outputs.at(it.key());
            QList<GatePort *> loads;
            for (GatePort *load : it.value()) {
                // Most recently recorded first; only loads still on the net.
                if (load->net && load->net == port->net && !loads.contains(load))
                    loads.prepend(load);
            }
            if (loads.isEmpty())
                continue;
            trace([&] { return tr("==== StartLoopback processing %1").arg(port->fullName()); });
            auto *pass = new Gate(loads);
            GatePort *passOutput = pass->constPortAt(0, 0);
            if (passOutput && passOutput->net && !passOutput->isConnected()) {
                auto *open = new Gate(LOOPBACKOPENOUTPUT, QStringLiteral("F") + pass->name.text(),
                                      QBrush(Qt::darkCyan, Qt::SolidPattern));
                passOutput->net->connectPort(open->portAt(2, 0), false);
                registerGeneratedGate(open);
            }
            trace([&] { return tr("Create Loopback Gate: %1").arg(nameOf(pass)); });
            trace([&] { return tr("==== End Loopback processing %1").arg(port->fullName()); });
        }
        if (!watch.removed(frame.gate)) {
            markTable->unmark(frame.gate, markValue);
            frame.gate->marks |= bit;
        }
    };

    bool pushed = false;
    Gate *result = enter(start, force, &pushed);
    if (!pushed)
        return result;

    // The result of the frame just left, handed to the frame below it.
    bool delivering = false;
    while (!stack.empty()) {
        LoopFrame &frame = stack.back();
        if (delivering) {
            delivering = false;
            Gate *r = result;
            if (frame.forcedChild) {
                frame.forcedChild = false;
                if (r)
                    logCritical(tr("Programming error. Loop back not correctly processed!"));
            } else if (r == loopHeadUncut()) {
                // The load's gate heads a loop it could not cut: walk it again
                // with force, which cuts at its output.
                frame.forcedChild = true;
                result = enter(frame.current->owner, true, &pushed);
                delivering = !pushed;
                continue;
            } else if (r) {
                Edge *net = frame.outputs.at(frame.output)->net;
                const bool single = net && net->loads.size() == 1;
                if (!frame.force && single && frame.gate->kind != FLOP) {
                    // Cut further up the path: leave without finishing.
                    markTable->unmark(frame.gate, markValue);
                    result = r == frame.gate ? loopHeadUncut() : r;
                    stack.pop_back();
                    delivering = true;
                    continue;
                }
                frame.cuts[frame.output].append(frame.current);
            }
        }
        // The next load of this output, or the first of the next output.
        if (frame.output < 0 || frame.load >= frame.loads.size()) {
            ++frame.output;
            while (frame.output < frame.outputs.size() && !frame.outputs.at(frame.output)->net)
                ++frame.output;
            if (frame.output >= frame.outputs.size()) {
                finish(frame);
                stack.pop_back();
                result = nullptr;
                delivering = true;
                continue;
            }
            copyPorts(frame.outputs.at(frame.output)->net->loads.list(), frame.loads);
            frame.load = 0;
            continue;
        }
        GatePort *load = frame.loads.at(frame.load++);
        if (!load)
            continue;
        frame.current = load;
        result = enter(load->owner, false, &pushed);
        delivering = !pushed;
    }
    return result;
}

} // namespace GraphEngine
