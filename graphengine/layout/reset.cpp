// Step "Reset": a module laid out before starts the run afresh.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"

namespace GraphEngine {

void Module::resetLayout()
{
    // Gates back to their pre-layout state; pass-throughs of an earlier run
    // go, which joins the nets they split.
    gates->removeFromModule();
    edges->resetLayout();
    // Listed nets left over (pieces of split nets) go unless still connected.
    edges->dropListedNets();
    edges->recordPortOrder();

    columnFills.clear();
    columnEdges.clear();
    columnGates.clear();
    lastColumn = 0;
    widestColumnFill = 0;
    rowHeight = 0.0;
    columnWidths.clear();
    edgeColumnWidth.clear();
    orderedColumns.clear();

    columnOneBus = BusSequence(true);
    lastColumnBus = BusSequence(true);

    inOutKeys.clear();
    nextNetNumber = 1;
    netsWhole = false;
    pieceNumbers.clear();
    wholeNetSpans.clear();
    secondNumber = 0;
    renderingReported = 0;
}

} // namespace GraphEngine
