#include "gates.h"

#include "gate.h"
#include "graphengine/logging.h"
#include "module.h"

#include <QCoreApplication>

namespace GraphEngine {

Gates::Gates(Module *owner, bool ownsElements)
    : SemiIndex<Name, Gate>(owner)
    , ownsElements(ownsElements ? 1 : 0)
{
}

Gates::~Gates()
{
    Gates::clear();
}

void Gates::clear()
{
    if (!ownsElements)
        return;
    // Each gate is taken out before it goes, so the walk never meets it again
    // whatever its module does on unregistration.
    while (!isEmpty())
        delete takeFirst();
}

void Gates::purge()
{
    if (!ownsElements)
        return;
    // Deleting a gate deletes no other gate, so one walk finds them all.
    for (Gate *gate : elements()) {
        if (gate && !gate->isModulePort()) {
            take(gate->name, gate);
            delete gate;
        }
    }
}

void Gates::initAllPorts(bool packBuses)
{
    for (Gate *gate : elements()) {
        if (gate)
            gate->initPorts(packBuses);
    }
}

void Gates::removeFromModule()
{
    // Deleting a pass-through joins two nets and deletes one of them; it
    // deletes no other gate. The keyed gates are walked from a copy (a
    // pass-through can stand there under a name of its own); the list, where
    // the pass-throughs stand, is walked in place, one step ahead of the
    // gate being deleted: a large layout lists a million of them.
    const auto remove = [this](Gate *gate) {
        if (!gate)
            return;
        gate->resetLayoutState();
        if (gate->kind != COLPASSTHROUGH)
            return;
        if (gate->module == module) {
            gate->detachFromModule();
        } else {
            logCritical(QCoreApplication::translate("GraphEngine::Gates",
                                                    "Inconsistancy detected on gate registration"));
        }
        take(gate->name, gate);
        delete gate;
    };
    for (Gate *gate : map.values())
        remove(gate);
    for (auto it = list().cbegin(); it != list().cend();)
        remove(*it++);
}

Gate *Gates::findClusterWithSubGate(const Name &name) const
{
    for (Gate *gate : elements()) {
        if (gate && gate->isCluster() && gate->subGateIndexOf(name) != -1)
            return gate;
    }
    return nullptr;
}

} // namespace GraphEngine
