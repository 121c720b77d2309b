// Step "Create Column" and the net splitting of the ordering: depths turn
// into columns counted from the left, and every net spans one column gap.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"

#include <algorithm>

namespace GraphEngine {

using namespace LayoutSupport;

namespace {

constexpr double InitialColumnSize = 10.0;
constexpr double GateMargin = 1.0;

} // namespace

void Module::splitEdge(Edge *net, int fromDepth, int toDepth)
{
    if (!net)
        return;
    trace([&] { return tr("split Edge %1: %2,%3").arg(net->name.toString(false)).arg(fromDepth).arg(toDepth); });
    Edge *current = net;
    for (int depth = fromDepth; depth <= toDepth && current; ++depth) {
        auto *pass = new Gate(depth, current);
        pass->row = reserveColumnRow(pass, depth);
        const GatePort *input = pass->constPortAt(2, 0);
        current = input ? input->net : nullptr;
    }
}

void Module::createColumns()
{
    rowHeight = InitialColumnSize;
    columnWidths = QVector<double>(lastColumn + 1, InitialColumnSize);
    columnGates.clear();
    while (columnGates.size() < lastColumn + 1)
        columnGates.append(QList<Gate *>());

    QList<Gate *> loopbackGates;
    for (Gate *gate : gates->elements()) {
        if (!gate)
            continue;
        if (gate->kind == LOOPBACKOPENINPUT || gate->kind == LOOPBACKOPENOUTPUT) {
            loopbackGates.append(gate);
            continue;
        }
        // Depth D stands in column lastColumn + 1 - D: the inputs, deepest,
        // in column 1. A depth the ordering left outside 1..lastColumn (a
        // gate it never reached) lands in the nearest column there is.
        const int depth = std::clamp(gate->column, 1, std::max(1, lastColumn));
        const int column = std::max(1, lastColumn) - depth + 1;
        gate->column = column;
        trace([&] { return tr("Re-Order=>%1 at %2").arg(nameOf(gate)).arg(column); });
        if (column >= columnGates.size()) {
            // Only with lastColumn 0: a module that had nothing to order.
            while (columnGates.size() <= column)
                columnGates.append(QList<Gate *>());
            columnWidths.resize(column + 1);
            columnWidths[column] = InitialColumnSize;
        }
        columnGates[column].append(gate);
        const QRectF body = gate->bodyRect();
        // The pins and their labels reach past the body: the column holds
        // the whole drawing, as for cluster instances and module ports, so
        // that no output pin ends in the gap where the trunks run.
        const double width = std::max(body.width(), gate->rect.width());
        columnWidths[column] = std::max(columnWidths.at(column), width + GateMargin + GateMargin);
        rowHeight = std::max(rowHeight, body.height() + GateMargin + GateMargin);
    }
    qDeleteAll(loopbackGates);
}

void Module::checkColumnStructure(int step)
{
    traceEnabled = true;
    for (Gate *gate : gates->elements()) {
        if (!gate)
            continue;
        for (GatePort *output : outputPorts(gate)) {
            Edge *net = output->net;
            if (!net)
                continue;
            for (const GatePort *load : qAsConst(net->loads.list())) {
                const Gate *h = load ? load->owner : nullptr;
                if (!h || gate->column <= 0 || h->column <= 0 || h->column == gate->column + step)
                    continue;
                logCritical(tr("Invalid gate column structure detected. Not sequential: %1(%2) -> %5 -> %3(%4)")
                                .arg(nameOf(gate))
                                .arg(gate->column)
                                .arg(nameOf(h))
                                .arg(h->column)
                                .arg(net->name.toString(false)));
            }
        }
    }
    traceEnabled = false;
}

} // namespace GraphEngine
