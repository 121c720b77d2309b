// Step "Add Fake Input": every undriven net gets a generated driver, so
// that every net starts somewhere.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"

namespace GraphEngine {

void Module::addFakeInputs(bool preferOpenInput)
{
    for (Edge *net : edges->elements()) {
        if (net)
            net->createFakeInput(!preferOpenInput);
    }
}

} // namespace GraphEngine
