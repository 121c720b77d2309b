// Step "Draw Edges": pass-through gates that the net splitting left twice
// in one column are merged (user net names kept), then every net builds its
// lines.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"

#include <QHash>
#include <QSet>

#include <algorithm>

#include <cmath>
#include <limits>

namespace GraphEngine {

namespace {

using LayoutSupport::nameOf;
using LayoutSupport::tr;
using LayoutSupport::trace;

bool isUserName(const Name &name)
{
    return !(name.flags() & Name::Marked);
}

Edge *inputNet(Gate *gate)
{
    const GatePort *port = gate->portAt(2, 0);
    return port ? port->net : nullptr;
}

Edge *outputNet(Gate *gate)
{
    const GatePort *port = gate->portAt(0, 0);
    return port ? port->net : nullptr;
}

double driverMiddle(const Edge *net)
{
    return net ? net->driverTop + net->driverBottom : 0.0;
}

// The nets the merges deleted, by the column list they leave. The lists
// are filtered once when the merges are done: taking each net out at once
// would walk its column's list for every merge. Merges make no nets, so no
// new net can take the address of a deleted one before that.
using DroppedNets = QHash<int, QSet<const Edge *>>;

// A net the merge emptied would stay in the index: the next layout would
// route it, or give it a generated driver. It goes now.
void deleteIfEmpty(Module *module, Edge *net, const Edge *kept, DroppedNets &dropped)
{
    if (!net || net == kept || !net->drivers.isEmpty() || !net->loads.isEmpty())
        return;
    if (net->column >= 0 && net->column < module->columnEdges.size())
        dropped[net->column].insert(net);
    delete net;
}

void removeDroppedNets(Module *module, const DroppedNets &dropped)
{
    for (auto it = dropped.cbegin(); it != dropped.cend(); ++it) {
        QList<Edge *> &list = module->columnEdges[it.key()];
        const QSet<const Edge *> &gone = it.value();
        list.erase(std::remove_if(list.begin(), list.end(), [&gone](const Edge *net) { return gone.contains(net); }),
                   list.end());
    }
}

// Merges gate g into the pass-through k that holds its name so far; returns
// the survivor.
Gate *mergePassThroughs(Module *module, Gate *g, Gate *k, DroppedNets &droppedNets)
{
    trace([&] { return tr("Duplicate Drawing Fake Gate Detected: Drop it: %1,%2").arg(nameOf(g), nameOf(k)); });
    Edge *gOut = outputNet(g);
    Edge *gIn = inputNet(g);
    Edge *kOut = outputNet(k);
    Edge *kIn = inputNet(k);

    Name preserved;
    if (gOut && isUserName(gOut->name)) {
        preserved = gOut->name;
        gOut->setName(Name::detachedCopy(gOut->name));
        trace([] { return tr(" - 1st gate leads to user name. Enforce preservation"); });
    } else if (kOut && isUserName(kOut->name)) {
        preserved = kOut->name;
        kOut->setName(Name::detachedCopy(kOut->name));
        trace([] { return tr(" - 2nd gate leads to user name. Enforce preservation"); });
    }

    const double mid = (driverMiddle(gIn) + driverMiddle(kIn)) * 0.25;
    const bool keepG = std::abs(g->y - mid) <= std::abs(k->y - mid);
    Gate *kept = keepG ? g : k;
    Gate *dropped = keepG ? k : g;
    trace([&] { return tr(" - %1 is Dropped").arg(nameOf(dropped)); });

    Edge *keptOut = outputNet(kept);
    Edge *keptIn = inputNet(kept);
    Edge *droppedOut = outputNet(dropped);
    Edge *droppedIn = inputNet(dropped);
    if (droppedOut && keptOut && droppedOut != keptOut)
        droppedOut->moveAllPortsTo(keptOut);
    if (droppedIn && keptIn && droppedIn != keptIn)
        droppedIn->moveAllPortsTo(keptIn);
    dropped->disconnectAll();
    deleteIfEmpty(module, droppedOut, keptOut, droppedNets);
    deleteIfEmpty(module, droppedIn, keptIn, droppedNets);

    if (keptOut && !preserved.isNull() && preserved.flags() != 0)
        keptOut->setName(preserved);
    // Both nets are filed already; only their ranges changed.
    if (keptOut)
        keptOut->computeBoundary(false);
    if (keptIn)
        keptIn->computeBoundary(false);
    return kept;
}

} // namespace

void Module::drawEdges()
{
    DroppedNets droppedNets;
    for (int c = 2; lastColumn > 2 && c < lastColumn && c < columnGates.size(); ++c) {
        QHash<QString, Gate *> seen;
        seen.reserve(columnGates.at(c).size());
        // The merges disconnect gates, never delete them: the list stays valid.
        for (Gate *g : qAsConst(columnGates[c])) {
            if (!g || g->kind != BaseEnum::COLPASSTHROUGH)
                continue;
            const QString key = g->name.text();
            const auto found = seen.find(key);
            if (found == seen.end()) {
                seen.insert(key, g);
                continue;
            }
            found.value() = mergePassThroughs(this, g, found.value(), droppedNets);
        }
        for (Gate *k : qAsConst(seen)) {
            Edge *in = inputNet(k);
            Edge *out = outputNet(k);
            if (in && out && isUserName(in->name) && !isUserName(out->name)) {
                const Name userName = in->name;
                in->setName(Name::detachedCopy(in->name));
                out->setName(userName);
            }
        }
    }

    removeDroppedNets(this, droppedNets);
    traceEnabled = false;
    // Column by column, so that the piece feeding a piece through a
    // pass-through (always in an earlier column) is built first and its
    // records are shared, not walked again for every piece after it.
    // Bucketed by column, index order kept within a column: a comparison
    // sort would read two scattered nets for every comparison. The index is
    // walked in place, not copied.
    int lowest = std::numeric_limits<int>::max();
    int highest = std::numeric_limits<int>::min();
    edges->forEachElement([&](const Edge *net) {
        if (!net || net->column == -1)
            return;
        lowest = std::min(lowest, net->column);
        highest = std::max(highest, net->column);
    });
    QVector<int> starts(highest >= lowest ? highest - lowest + 2 : 1, 0);
    edges->forEachElement([&](const Edge *net) {
        if (net && net->column != -1)
            ++starts[net->column - lowest + 1];
    });
    for (int i = 1; i < starts.size(); ++i)
        starts[i] += starts[i - 1];
    QVector<Edge *> order(starts.last());
    edges->forEachElement([&](Edge *net) {
        if (net && net->column != -1)
            order[starts[net->column - lowest]++] = net;
    });
    LineBuildPass pass;
    pass.built.reserve(order.size());
    for (Edge *net : qAsConst(order))
        net->buildLines(columnRight, pass);
    // The order's room goes to the walk of the bounds.
    order = QVector<Edge *>();
    pass.computeBounds();
}

} // namespace GraphEngine
