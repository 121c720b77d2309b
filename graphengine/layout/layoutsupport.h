#pragma once

// Helpers shared by the layout steps; not part of the model's interface.

#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/module.h"

#include <QList>
#include <QSet>

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

// The output ports of the gate: sort group 0 to the end of its port set.
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
