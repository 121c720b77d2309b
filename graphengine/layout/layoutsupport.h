#pragma once

// Helpers shared by the layout steps; not part of the model's interface.

#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/module.h"

#include <QList>
#include <QSet>
#include <QVarLengthArray>

#include <cmath>
#include <limits>

namespace GraphEngine {
namespace LayoutSupport {

// Trace lines are built only while the trace switch is on: the walks of a
// large netlist would otherwise spend their time formatting names.
template<typename MakeText>
inline void trace(MakeText makeText)
{
    if (traceEnabled)
        logWarning(makeText());
}

inline QString tr(const char *text)
{
    return Module::tr(text);
}

inline QString nameOf(const Gate *gate)
{
    return gate ? gate->name.toString(false) : QString();
}

// Gives back the room the column lists grew beyond their entries: they
// hold every gate or net piece of a large layout until the next run, and a
// list grown by appending keeps up to as much room again.
template<typename T>
void fitColumnLists(QList<QList<T *>> &columns)
{
    for (QList<T *> &column : columns) {
        QList<T *> fitted;
        fitted.reserve(column.size());
        for (T *element : qAsConst(column))
            fitted.append(element);
        column.swap(fitted);
    }
}

// Doubles in trace texts: general format, 6 significant digits.
inline QString number(double value)
{
    return QString::number(value, 'g', 6);
}

// A gate with a copy of its Y, ordered as gateYLessThan orders gates: a
// sort of these compares the same numbers as a sort of the gates (so it
// gives the same order) without reading the gates scattered in memory.
struct GateByY
{
    double y;
    Gate *gate;
    bool operator<(const GateByY &other) const { return y < other.y; }
};

// Asks for what the sweeps down the placement read of a gate (its marks,
// rectangle, Y and column), ahead of the turn it has in the scattered order
// of the Ys.
inline void prefetchPlacement(const Gate *gate)
{
    __builtin_prefetch(&gate->marks);
    __builtin_prefetch(&gate->rect);
    __builtin_prefetch(&gate->column);
}

inline bool isPassThrough(const Gate *gate)
{
    return gate && gate->kind == BaseEnum::COLPASSTHROUGH;
}

// The room a placed gate takes in its column: its rectangle and one unit
// above and below; nothing for no gate.
inline double extentOf(const Gate *gate)
{
    return gate ? gate->rect.height() + 2.0 : 0.0;
}

// The Y placement's link, followed only while it is a plain gate pointer
// (bit 0 tags the drivers the output ports were placed from).
inline Gate *followedLink(const Gate *gate)
{
    return (gate->link & 1) ? nullptr : reinterpret_cast<Gate *>(gate->link);
}

// Grows a move down from y, by the least amounts a double can grow, until
// it reaches target: y + (target - y) can round to just above target, which
// leaves a gate moved to touch the one above a last bit inside it.
inline void extendToReach(double y, double &move, double target)
{
    while (y + move < target)
        move = std::nextafter(move, std::numeric_limits<double>::infinity());
}

// Makes the gate the bottom gate of its column at its Y, unless the gate
// there now reaches lower: a pass-through moved down next to a tall gate
// must not let the next gate be placed over that gate's lower part.
inline void settleColumnBottom(Module *m, int column, Gate *gate)
{
    Gate *bottom = m->columnBottomGate.at(column);
    if (bottom && bottom != gate && m->columnBottomY.at(column) + extentOf(bottom) > gate->y + extentOf(gate))
        return;
    m->columnBottomY[column] = gate->y;
    m->columnBottomGate[column] = gate;
}

// Mark bit 0-7 of a traversal; a failed allocation (-1) marks nothing.
inline bool hasMark(const Gate *gate, int bit)
{
    return bit >= 0 && bit <= 7 && (gate->marks & (1 << bit));
}

inline void setMark(Gate *gate, int bit)
{
    if (bit >= 0 && bit <= 7)
        gate->marks |= 1 << bit;
}

// The output ports of the gate: sort group 0 to the end of its port set.
// Calls f on every output port of the gate, in the order of outputPorts(),
// without building a list: the sweeps visit every gate of the netlist.
template<typename F>
void forEachOutputPort(Gate *gate, F f)
{
    gate->ports.ensureSorted(false);
    for (auto it = gate->ports.begin(0), end = gate->ports.end(0); it != end; ++it) {
        if (*it)
            f(*it);
    }
}

// A walk's own copy of a gate's output ports or of a net's loads, kept in
// the walk's frame: most gates have an output or two and most nets a few
// loads, which then take no allocation.
template<int Room>
using PortCopy = QVarLengthArray<GatePort *, Room>;

template<int Room>
void copyOutputPorts(Gate *gate, PortCopy<Room> &outputs)
{
    outputs.clear();
    forEachOutputPort(gate, [&outputs](GatePort *output) { outputs.append(output); });
}

template<int Room>
void copyPorts(const PortRange &ports, PortCopy<Room> &copy)
{
    copy.clear();
    copy.append(ports.begin(), ports.size());
}

inline QList<GatePort *> outputPorts(Gate *gate)
{
    gate->ports.ensureSorted(false);
    QList<GatePort *> outputs;
    for (auto it = gate->ports.begin(0), end = gate->ports.end(0); it != end; ++it) {
        if (*it)
            outputs.append(*it);
    }
    return outputs;
}

// Keeps track of the gates that leave the module while a walk works on a
// snapshot of gates; nested watches share the outermost set.
class RemovalWatch
{
public:
    explicit RemovalWatch(Module *module)
        : m_module(module)
        , m_previous(module->removedGates)
    {
        if (!m_previous)
            m_module->removedGates = &m_removed;
    }
    ~RemovalWatch()
    {
        m_module->removedGates = m_previous;
    }
    RemovalWatch(const RemovalWatch &) = delete;
    RemovalWatch &operator=(const RemovalWatch &) = delete;

    bool removed(const Gate *gate) const
    {
        return m_module->removedGates && m_module->removedGates->contains(gate);
    }

private:
    Module *m_module;
    QSet<const Gate *> *m_previous;
    QSet<const Gate *> m_removed;
};

} // namespace LayoutSupport
} // namespace GraphEngine
