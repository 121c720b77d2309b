#include "gates.h"

#include "gate.h"

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

} // namespace GraphEngine
