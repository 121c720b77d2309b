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
    // deletes no gate, so the walk's copy stays valid.
    for (Gate *gate : elements()) {
        if (!gate)
            continue;
        gate->resetLayoutState();
        if (gate->kind != COLPASSTHROUGH)
            continue;
        if (gate->module == module) {
            gate->detachFromModule();
        } else {
            logCritical(QCoreApplication::translate("GraphEngine::Gates",
                                                    "Inconsistancy detected on gate registration"));
        }
        take(gate->name, gate);
        delete gate;
    }
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
