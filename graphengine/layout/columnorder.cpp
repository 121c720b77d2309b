// Step "Order Column": the top-to-bottom order of the gates in every column.
// The last column follows the gates that drive it; every other column, from
// right to left, puts each gate at the mean height of the pins it feeds in
// the column to its right (a barycentre order), so that lines cross little.
#include "layoutsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"

#include <QHash>
#include <QPair>
#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

namespace GraphEngine {

using namespace LayoutSupport;

namespace {

// Last-column gates without a driver go after every driven one.
constexpr int NoDriver = 1000000;

// The height the gate's outputs aim at. Constants go to the edge their
// value belongs to: VCC above everything it feeds, GND below.
bool barycentre(Gate *gate, int column, double rowHeight, double *key)
{
    double sum = 0.0;
    int count = 0;
    for (auto it = gate->ports.constBegin(0), end = gate->ports.constEnd(0); it != end; ++it) {
        const GatePort *output = *it;
        if (!output)
            continue;
        trace([&] { return tr(" Port %1").arg(output->name); });
        // An output's linked ports are its net's loads: read in place, as a
        // copy of the list would take and drop a reference (two locked
        // operations, which stall the walk) on every pass-through gate.
        QList<GatePort *> linked;
        const QList<GatePort *> *loads = &linked;
        if (output->attributes.direction() == BaseEnum::Output) {
            if (output->net)
                loads = &output->net->loads.list();
        } else {
            linked = output->linkedPorts();
        }
        for (const GatePort *load : *loads) {
            if (!load)
                continue;
            double height = 0.0;
            if (const Gate *owner = load->owner) {
                height = load->tip.y() + (owner->row - 1) * rowHeight;
                trace([&] {
                    return tr(" Gate:%1(%6) , Port:%2, (%3-1)*%4 + %5")
                        .arg(nameOf(owner), load->name, QString::number(owner->row), number(rowHeight),
                             number(load->tip.y()), QString::number(owner->column));
                });
            }
            if (gate->kind == BaseEnum::GND)
                sum = std::max(sum, height);
            else if (gate->kind == BaseEnum::VCC)
                sum = std::min(sum, height);
            else {
                sum += height;
                ++count;
            }
        }
    }
    // Column 1 gates that feed nothing keep their place (appended later).
    if (count == 0 && column == 1)
        return false;
    if (gate->kind == BaseEnum::VCC || gate->kind == BaseEnum::GND) {
        *key = sum;
        return true;
    }
    *key = sum / (count ? count : 1) - (gate->kind == BaseEnum::COLPASSTHROUGH ? 0.5 : 0.0);
    return true;
}

// The gates of a column are taken in batches of this many: what barycentre()
// reads of them is read for the whole batch first, one level at a time.
constexpr int Batch = 16;

// Reads, level by level, the chain barycentre() follows from each gate to
// the first load of its first output: gate, port, net, load port, load gate.
// The reads of one level are independent of each other, so the processor
// waits for the batch's scattered cache misses together instead of one
// after the other; barycentre() then finds its data in the cache.
void readAhead(Gate *const *gates, int count)
{
    const void *level[Batch];
    for (int i = 0; i < count; ++i) {
        const Gate *gate = gates[i];
        const GatePort *output = nullptr;
        // Only a sorted set with a current group table knows where the
        // outputs begin; others are left to barycentre().
        if (gate && gate->ports.groupStart[3] == 0 && gate->ports.groupStart[0] >= 0) {
            const QList<GatePort *> &ports = gate->ports.list();
            if (gate->ports.groupStart[0] < ports.size())
                output = ports.at(gate->ports.groupStart[0]);
        }
        level[i] = output;
    }
    for (int i = 0; i < count; ++i) {
        const GatePort *output = static_cast<const GatePort *>(level[i]);
        if (output)
            __builtin_prefetch(&output->attributes);
        level[i] = output ? output->net : nullptr;
    }
    for (int i = 0; i < count; ++i) {
        const Edge *net = static_cast<const Edge *>(level[i]);
        level[i] = net ? net->loads.first() : nullptr;
    }
    for (int i = 0; i < count; ++i) {
        const GatePort *load = static_cast<const GatePort *>(level[i]);
        if (load)
            __builtin_prefetch(&load->tip);
        level[i] = load ? load->owner : nullptr;
    }
    for (int i = 0; i < count; ++i) {
        if (const Gate *owner = static_cast<const Gate *>(level[i]))
            __builtin_prefetch(&owner->row);
    }
}

// Sorts (key, gate) entries made in column order by key; of equal keys the
// entry made last comes first. One sort of a flat array: a tree of nodes
// per column is walked from node to scattered node on every insertion.
template<typename Key>
void sortLatestFirst(std::vector<std::pair<Key, Gate *>> &entries)
{
    std::reverse(entries.begin(), entries.end());
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::pair<Key, Gate *> &a, const std::pair<Key, Gate *> &b) { return a.first < b.first; });
}

} // namespace

void Module::orderColumns()
{
    const int last = lastColumn;
    orderedColumns = QVector<QList<Gate *>>(std::max(0, last) + 1);
    if (last < 1 || columnGates.size() <= last) {
        traceEnabled = false;
        return;
    }

    // The outputs follow their drivers: the driver met first comes first,
    // and the outputs of one driver follow its port order.
    QList<Gate *> &outputs = columnGates[last];
    std::stable_sort(outputs.begin(), outputs.end(), gateRowLessThan);
    QHash<const Gate *, int> driverNumbers;
    std::vector<std::pair<QPair<int, int>, Gate *>> lastOrder;
    lastOrder.reserve(size_t(outputs.size()));
    for (Gate *gate : qAsConst(outputs)) {
        if (!gate)
            continue;
        trace([&] { return tr("%1").arg(gate->row); });
        QPair<int, int> key(NoDriver, 0);
        if (const GatePort *driver = gate->firstDriverGate()) {
            const Gate *owner = driver->owner;
            auto number = driverNumbers.constFind(owner);
            if (number == driverNumbers.constEnd())
                number = driverNumbers.insert(owner, driverNumbers.size() + 1);
            key = qMakePair(*number, int(driver->attributes.position16()));
        }
        lastOrder.emplace_back(key, gate);
    }
    sortLatestFirst(lastOrder);
    for (const auto &entry : lastOrder)
        orderedColumns[last].append(entry.second);

    // The rows used for column c are the ones just given to column c + 1.
    for (int c = last - 1; c >= 1; --c) {
        std::vector<std::pair<double, Gate *>> order;
        const QList<Gate *> &column = qAsConst(columnGates[c]);
        order.reserve(size_t(column.size()));
        for (int i = 0; i < column.size(); ++i) {
            if (i % Batch == 0)
                readAhead(&column.at(i), std::min(Batch, column.size() - i));
            Gate *gate = column.at(i);
            if (!gate)
                continue;
            trace([&] { return tr("compute for %1").arg(nameOf(gate)); });
            double key = 0.0;
            if (!barycentre(gate, c, rowHeight, &key))
                continue;
            order.emplace_back(key, gate);
            trace([&] { return tr("Adding %1:%2").arg(number(key), nameOf(gate)); });
        }
        sortLatestFirst(order);
        int row = 1;
        for (const auto &entry : order) {
            Gate *gate = entry.second;
            gate->row = row++;
            trace([&] {
                return tr("=>%1(%2): %3,%4")
                    .arg(nameOf(gate), QString::number(gate->column), number(entry.first), QString::number(gate->row));
            });
            orderedColumns[c].append(gate);
        }
        trace([] { return QString(); });
    }

    // Column 1 gates that feed nothing follow the ranked ones, last first.
    const QList<Gate *> &first = columnGates.at(1);
    QSet<const Gate *> ranked(orderedColumns[1].cbegin(), orderedColumns[1].cend());
    for (auto it = first.crbegin(); it != first.crend(); ++it) {
        if (*it && !ranked.contains(*it)) {
            ranked.insert(*it);
            orderedColumns[1].append(*it);
        }
    }
    traceEnabled = false;
}

void Module::collectPassThroughChain(Gate *gate, int markA, int markB)
{
    if (!gate)
        return;
    const int bits = (1 << markA) | (1 << markB);
    // Depth first in port and driver order, on a stack of its own: a chain
    // may cross a hundred thousand columns.
    struct Frame
    {
        PortSet::const_iterator input;
        PortSet::const_iterator end;
        int driver;
    };
    std::vector<Frame> stack;
    auto enter = [&](Gate *g) {
        g->marks &= ~bits;
        if (g->column >= 0 && g->column < orderedColumns.size())
            orderedColumns[g->column].append(g);
        g->ports.ensureSorted(false);
        stack.push_back({g->ports.constBegin(3), g->ports.constBegin(0), 0});
    };
    enter(gate);
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (frame.input == frame.end) {
            stack.pop_back();
            continue;
        }
        const GatePort *input = *frame.input;
        if (!input || !input->net || frame.driver >= input->net->drivers.size()) {
            ++frame.input;
            frame.driver = 0;
            continue;
        }
        GatePort *driver = input->net->drivers.at(frame.driver++);
        Gate *owner = driver ? driver->owner : nullptr;
        if (!owner)
            continue;
        if (owner->kind == COLPASSTHROUGH && (owner->marks & (1 << markA))) {
            // A pass-through whose net fans out belongs to several
            // chains: it is left to be placed on its own.
            const GatePort *feed = owner->constPortAt(2, 0);
            if (feed && feed->net && feed->net->loads.size() > 1)
                continue;
            enter(owner);
        } else {
            owner->marks &= ~bits;
        }
    }
}

} // namespace GraphEngine
