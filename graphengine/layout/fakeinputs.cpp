// Step "Add Fake Input": every undriven net gets a generated driver, so
// that every net starts somewhere.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"

namespace GraphEngine {

void Module::addFakeInputs(bool preferOpenInput)
{
    // The generated drivers join the gates, not the nets: the net index
    // is walked in place.
    edges->forEachElement([preferOpenInput](Edge *net) {
        if (net)
            net->createFakeInput(!preferOpenInput);
    });
}

} // namespace GraphEngine
