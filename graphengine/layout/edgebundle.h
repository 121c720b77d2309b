#pragma once

// The trunk packing of one gap between gate columns: runs of nets taken in
// Y order (bundles) and the parallel tracks (slots) they are packed into.

#include "graphengine/model/bussequence.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

#include <set>
#include <utility>
#include <vector>

namespace GraphEngine {

class Edge;

// Consecutive nets of one sorted position vector that belong together: the
// members of one bus run or of one net number.
struct EdgeBundle
{
    // 0: several drivers whose range overlaps the loads', 2: more than three
    // loads or no driver, 1: the rest. Slot groups lie left to right 0, 1, 2.
    int group = 1;
    double driverMin = 1e300;
    double driverMax = -1e300;
    double loadMin = 1e300;
    double loadMax = -1e300;
    // One net may stand here twice.
    QList<Edge *> edges;

    void addEdge(Edge *net);
    bool isEmpty() const { return edges.isEmpty(); }
    // Every load below every driver.
    bool isDownward() const { return loadMin > driverMin && loadMax > driverMax; }
    bool isUpward() const { return loadMin < driverMin && loadMax < driverMax; }
};

// (absolute Y of a port, its net), sorted by Y.
using PortPosition = QPair<double, Edge *>;
using PortPositions = QVector<PortPosition>;

// The next bundle from the cursor on; nets carrying the mark bit are passed
// over. The cursor is left on the first entry of the next bundle.
EdgeBundle collectBundle(PortPositions::const_iterator &cursor, PortPositions::const_iterator end, int markBit);

// The lowest free Y of a run of slots under two kinds of change: one slot
// set, and every slot of a range raised to at least a value. Both, and
// finding the first or last slot free above a Y, take logarithmic time, so
// that a gap with thousands of slots is not scanned for every bundle.
class SlotHeights
{
public:
    int size() const { return m_size; }
    void append(double y);
    double at(int slot) const;
    void set(int slot, double y);
    // Every slot of [first, last) to at least y.
    void raise(int first, int last, double y);
    // The highest or else the lowest slot whose Y is below y; -1 when none is.
    int findBelow(double y, bool highest) const;

private:
    void apply(int node, double y);
    void push(int node);
    void grow();

    int m_size = 0;
    int m_capacity = 0;
    // Per tree node: the lowest Y below it, raises at it and below counted.
    std::vector<double> m_lowest;
    // Per inner node: the raise its children have still to take.
    std::vector<double> m_raise;
};

// The slots of one slot group of one gap.
class SlotGroup
{
public:
    SlotGroup();

    // The slot the bundle goes into (shared with the bus run it continues,
    // a free one, or a new one); position is its first place in the slot.
    int allocateSlot(const EdgeBundle &bundle, int &position, double clearance);
    int count() const { return fill.size(); }
    // Occupied down to this Y; -1e300: never used.
    double lastY(int slot) const;

    std::vector<BusSequence> sequence;
    QVector<int> fill;
    QVector<int> width;
    // Which slots carry which bus base text.
    std::set<std::pair<QString, int>> busSlots;

private:
    void appendSlot(int taken);
    // The first slot in the order of the search that is free above y0.
    int freeSlot(double y0, bool downward) const;
    void raise(int first, int last, double y, bool keepUnused);
    void setLastY(int slot, double y);

    // The prepared slots' Ys, or every slot's once the tree is given up.
    QVector<double> m_plain;
    // The Ys of the slots after the prepared ones.
    SlotHeights m_heights;
    // A Y the tree cannot order (not a number, or the unused mark itself)
    // turns the group to plain scans.
    bool m_linear = false;
};

} // namespace GraphEngine
