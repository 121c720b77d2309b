// Step "Compute X-coordinate": each gate column starts after the previous
// column and the gap its trunks need; every gate takes its column's X.
#include "layoutsupport.h"

#include "graphengine/model/gates.h"

namespace GraphEngine {

void Module::computeXCoordinates()
{
    const int n = std::max(lastColumn, 0);
    QVector<double> columnX(n + 1, 0.0);
    columnRight = QVector<double>(n + 1, columnWidths.value(0));
    for (int c = 1; c <= n; ++c) {
        columnX[c] = columnRight.at(c - 1) + edgeColumnWidth.value(c - 1);
        columnRight[c] = columnX.at(c) + columnWidths.value(c);
    }
    // In the order of elements().
    gates->forEachElementCopied([&](Gate *gate) {
        if (!gate)
            return;
        gate->checkConfiguration();
        if (gate->column < 0 || gate->column > n) {
            logCritical(tr("Gate %1 lies outside the columns (%2)").arg(LayoutSupport::nameOf(gate)).arg(gate->column));
            return;
        }
        gate->x = columnX.at(gate->column);
    });
    // The last step that walks every gate: the copy's room goes back before
    // the nets are drawn.
    gates->dropListCopy();
}

} // namespace GraphEngine
