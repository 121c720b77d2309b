#pragma once

// Small netlists built by hand for the tests of nets, ports and modules, and
// the connection invariants every operation must keep.

#include "common/testenvironment.h"
#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"

#include <QSet>

#include <algorithm>
#include <QStringList>

namespace NetlistFixture {

using namespace GraphEngine;

inline GatePort *addPort(Gate *gate, const QString &name, int direction, int sortGroup, int position,
                         bool control = false)
{
    auto *port = new GatePort(gate, name, PortAttributes::make(direction, sortGroup, position, 0, control, 0),
                              0, 0);
    gate->ports.add(port);
    return port;
}

// A gate of the kind with inputs on the left and outputs on the right,
// registered in the module when one is given.
inline Gate *makeGate(Module *module, const QString &name, const QStringList &inputs,
                      const QStringList &outputs, int kind = BaseEnum::AND)
{
    auto *gate = new Gate;
    gate->kind = kind;
    gate->name = Name(name);
    for (int i = 0; i < inputs.size(); ++i)
        addPort(gate, inputs.at(i), BaseEnum::Input, 2, i);
    for (int i = 0; i < outputs.size(); ++i)
        addPort(gate, outputs.at(i), BaseEnum::Output, 0, i);
    gate->ports.ensureSorted(false);
    if (module)
        module->registerInstance(gate, true);
    return gate;
}

// The critical messages of the capture, without the quotes logCritical adds.
inline QStringList criticals(const LogCapture &log)
{
    QStringList out;
    for (QString text : log.texts(QtCriticalMsg))
        out << text.mid(1, text.size() - 2);
    return out;
}

// "gate.port" for each port of the set, in order.
inline QStringList owners(const PortList &set)
{
    QStringList out;
    for (const GatePort *p : set.list())
        out << p->fullName();
    return out;
}

inline Edge *net(Module *module, const QString &name)
{
    return module->edges->findOrCreate(Name(name));
}

// Empty when the netlist is consistent, else the first broken rule: every
// listed port points back to its net and stands there once, in the list its
// direction selects; every connected port of a gate is listed by the net it
// names, and that net is in the module's index.
inline QString brokenInvariant(const Module *module)
{
    const QList<Edge *> nets = module->edges->elements();
    const QSet<Edge *> indexed(nets.cbegin(), nets.cend());
    for (const Edge *e : nets) {
        if (e->module != module)
            return QStringLiteral("net %1 of another module").arg(e->name.text());
        QSet<const GatePort *> seen;
        for (const PortList *list : {&e->drivers, &e->loads}) {
            for (const GatePort *p : list->list()) {
                if (!p)
                    return QStringLiteral("null entry on %1").arg(e->name.text());
                if (p->net != e)
                    return QStringLiteral("%1 listed by %2 points elsewhere").arg(p->fullName(), e->name.text());
                if (seen.contains(p))
                    return QStringLiteral("%1 listed twice by %2").arg(p->fullName(), e->name.text());
                seen.insert(p);
                // An inout port settled as an output drives its net.
                const bool drives = p->attributes.direction() == BaseEnum::Output
                    || p->attributes.portDirection() == BaseEnum::Output;
                if (drives != (list == &e->drivers))
                    return QStringLiteral("%1 in the wrong list of %2").arg(p->fullName(), e->name.text());
            }
        }
    }
    for (const Gate *g : module->gates->elements()) {
        if (g->module != module)
            return QStringLiteral("gate %1 does not name its module").arg(g->name.text());
        if (!g->ports.isSorted() || !std::is_sorted(g->ports.list().cbegin(), g->ports.list().cend(), PortSet::lessThan))
            return QStringLiteral("ports of %1 out of group order").arg(g->name.text());
        for (const GatePort *p : g->ports.list()) {
            if (p->owner != g)
                return QStringLiteral("port %1 of another gate").arg(p->name);
            if (!p->net)
                continue;
            if (!indexed.contains(p->net))
                return QStringLiteral("%1 on a net outside the index").arg(p->fullName());
            if (!p->net->drivers.contains(p) && !p->net->loads.contains(p))
                return QStringLiteral("%1 not listed by its net").arg(p->fullName());
        }
    }
    return QString();
}

} // namespace NetlistFixture
