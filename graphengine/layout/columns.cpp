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
// What the steps after the ordering add for a crossing (its place in the
// column lists, its port Ys, the net piece's lines): the driver's peak on
// nets across many columns comes to about 940 bytes a crossing in all.
constexpr qint64 CrossingFollowUpCost = 224;

// Every column of a span gets a gate with two ports and a piece of the net:
// one block holds them all.
std::size_t crossingRoom()
{
    return SpanArena::roomFor(sizeof(Gate)) + 2 * SpanArena::roomFor(sizeof(GatePort))
        + SpanArena::roomFor(sizeof(Edge));
}

} // namespace

qint64 Module::crossingCost()
{
    return qint64(crossingRoom()) + CrossingFollowUpCost;
}

void Module::splitEdge(Edge *net, int fromDepth, int toDepth)
{
    if (!net)
        return;
    const qint64 columns = toDepth >= fromDepth ? qint64(toDepth) - fromDepth + 1 : 0;
    // Counted before anything is made: an ordering of whole nets learns what
    // the split one will make, and the split one stops making crossings
    // where they would not fit (a layout run then ends, see computeLayout).
    crossingCount += columns;
    if (netsWhole || crossingsRefused)
        return;
    if (crossingCount > crossingLimit) {
        crossingsRefused = true;
        return;
    }
    trace([&] { return tr("split Edge %1: %2,%3").arg(net->name.toString(false)).arg(fromDepth).arg(toDepth); });
    const SpanArena::Scope span(std::size_t(columns) * crossingRoom());
    Edge *current = net;
    for (int depth = fromDepth; depth <= toDepth && current; ++depth) {
        auto *pass = new Gate(depth, current);
        pass->row = reserveColumnRow(pass, depth);
        const GatePort *input = pass->constPortAt(2, 0);
        current = input ? input->net : nullptr;
    }
}

int Module::pieceColumn(const GatePort *port)
{
    // The pieces of a split net carry the loads of one column each, from
    // the column after the driver's to that of the farthest load; a driver's
    // piece is the first. A net without a driver is never split: its one
    // piece stands under column 0.
    const Edge *net = port->net;
    const GatePort *driver = net->drivers.first();
    if (!driver || !driver->owner)
        return 0;
    const int first = driver->owner->column + 1;
    auto last = wholeNetSpans.find(net);
    if (last == wholeNetSpans.end()) {
        int farthest = first;
        for (const GatePort *load : net->loads.list()) {
            if (load->owner)
                farthest = std::max(farthest, load->owner->column);
        }
        last = wholeNetSpans.insert(net, farthest);
    }
    const int column = port->owner->column + (port->attributes.direction() == BaseEnum::Output ? 1 : 0);
    return std::clamp(column, first, *last);
}

int Module::pieceNumber(const GatePort *port)
{
    const Edge *net = port->net;
    if (!net || !port->owner)
        return 0;
    // Most nets were never numbered by the clustering: one lookup.
    const auto pieces = pieceNumbers.constFind(net);
    if (pieces == pieceNumbers.cend())
        return net->netNumber;
    const int column = pieceColumn(port);
    for (const QPair<int, int> &piece : *pieces) {
        if (piece.first == column)
            return piece.second;
    }
    // Each piece starts with the number the net had when it was split.
    return net->netNumber;
}

void Module::numberPieces(const GatePort *port, int number)
{
    if (number == 0 || !port->net || !port->owner)
        return;
    const Edge *net = port->net;
    int column = pieceColumn(port);
    // Towards the driver until a piece has a number, through the
    // pass-throughs that the nets have while whole (those of loopbacks).
    for (;;) {
        // A numbered net gave its number to every piece.
        if ((net->name.flags() & Name::TwoIndices) || net->netNumber != 0)
            return;
        const GatePort *driver = net->drivers.first();
        const Gate *source = driver ? driver->owner : nullptr;
        // The first piece (under column 0 for a net in one piece).
        const int first = column == 0 || !source ? column : source->column + 1;
        QVector<QPair<int, int>> &pieces = pieceNumbers[net];
        for (;; --column) {
            const bool numbered = std::any_of(pieces.cbegin(), pieces.cend(),
                                              [column](const QPair<int, int> &piece) { return piece.first == column; });
            if (numbered)
                return;
            pieces.append({column, number});
            if (column <= first)
                break;
        }
        if (!source || source->kind != COLPASSTHROUGH)
            return;
        const GatePort *input = source->constPortAt(2, 0);
        if (!input || !input->net)
            return;
        net = input->net;
        column = pieceColumn(input);
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
    // Nothing joins or leaves the index in the walk: it goes in place.
    gates->forEachElement([&](Gate *gate) {
        if (!gate)
            return;
        if (gate->kind == LOOPBACKOPENINPUT || gate->kind == LOOPBACKOPENOUTPUT) {
            loopbackGates.append(gate);
            return;
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
    });
    qDeleteAll(loopbackGates);
    fitColumnLists(columnGates);
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
            for (const GatePort *load : net->loads.list()) {
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
