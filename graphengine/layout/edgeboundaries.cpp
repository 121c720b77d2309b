// Step "Compute Edge boundary": every net's port ranges, and the net filed
// under the gap right of the column that drives it.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"

namespace GraphEngine {

void Module::computeEdgeBoundaries()
{
    columnEdges.clear();
    for (int c = 0; c <= lastColumn; ++c)
        columnEdges.append(QList<Edge *>());
    // In the order of elements() (the order the nets are filed in), without
    // a copy of the index: the walk of its list brings each net piece, which
    // lies beside its node, along.
    edges->forEachElement([](Edge *net) {
        if (net)
            net->computeBoundary();
    });
    LayoutSupport::fitColumnLists(columnEdges);
}

} // namespace GraphEngine
