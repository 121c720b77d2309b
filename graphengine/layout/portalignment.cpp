// Step "Input/Output ports Alignemnt": all module ports of one side get the
// label width of the widest, so that their bodies line up.
#include "layoutsupport.h"

#include "graphengine/model/gates.h"

namespace GraphEngine {

void Module::alignInputOutputPorts()
{
    for (Gate *g : portGates->elements()) {
        if (!g)
            continue;
        const bool outputSide = g->column == lastColumn;
        g->buildShape(outputSide ? lastColumnBus.maxLabelWidth : columnOneBus.maxLabelWidth);
        if (g->column >= 0 && g->column < columnWidths.size())
            columnWidths[g->column] = std::max(columnWidths.at(g->column), g->rect.width() + 1.0 + 1.0);
    }
}

} // namespace GraphEngine
