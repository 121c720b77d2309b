// Step "Solve InOut": every gate settles the working direction of its
// bidirectional ports, along the signal flow, until no new key appears.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/marks.h"

#include <vector>

namespace GraphEngine {

using namespace LayoutSupport;

void Module::solveInOut(bool packBuses)
{
    const int colour = allocateColor();
    if (colour < 0) {
        // The walk stops on cycles by the mark bit: without one it must not
        // run (allocateColor has said why).
        traceEnabled = false;
        return;
    }
    RemovalWatch watch(this);
    int knownKeys = inOutKeys.size();
    for (;;) {
        gates->setColorMark(colour, false);
        const QList<Gate *> starts = portGates->elements() + gates->elements();
        for (Gate *gate : starts) {
            if (gate && !watch.removed(gate))
                markInOutRecursive(gate, colour, packBuses);
        }
        if (inOutKeys.size() == knownKeys)
            break;
        knownKeys = inOutKeys.size();
    }
    releaseColor(colour);
    traceEnabled = false;
}

void Module::markInOutRecursive(Gate *start, int colour, bool packBuses)
{
    traceEnabled = false;
    if (colour < 0 || colour > 7)
        return;
    RemovalWatch watch(this);
    // Depth first in port and load order, with an explicit stack: a chain of
    // many gates must not exhaust the call stack. The loads of all open
    // frames share one vector, each frame its own stretch at the end.
    struct Frame
    {
        size_t begin = 0;
        size_t next = 0;
    };
    std::vector<Frame> stack;
    std::vector<Gate *> pending;
    auto enter = [&](Gate *gate) {
        if (!gate || watch.removed(gate) || (gate->marks & (1 << colour)))
            return;
        gate->marks |= 1 << colour;
        gate->initPorts(packBuses);
        const size_t begin = pending.size();
        forEachOutputPort(gate, [&pending](GatePort *output) {
            if (!output->net)
                return;
            for (GatePort *load : output->net->loads.list()) {
                if (load && load->owner)
                    pending.push_back(load->owner);
            }
        });
        stack.push_back({begin, begin});
    };
    enter(start);
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next >= pending.size()) {
            pending.resize(top.begin);
            stack.pop_back();
            continue;
        }
        Gate *next = pending[top.next++];
        enter(next);
    }
}

} // namespace GraphEngine
