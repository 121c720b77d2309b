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

// The slots of one slot group of one gap.
class SlotGroup
{
public:
    SlotGroup();

    // The slot the bundle goes into (shared with the bus run it continues,
    // a free one, or a new one); position is its first place in the slot.
    int allocateSlot(const EdgeBundle &bundle, int &position, double clearance);
    int count() const { return lastY.size(); }

    // Occupied down to this Y; -1e300: never used.
    QVector<double> lastY;
    std::vector<BusSequence> sequence;
    QVector<int> fill;
    QVector<int> width;
    // Which slots carry which bus base text.
    std::set<std::pair<QString, int>> busSlots;

private:
    void appendSlot(int taken);
};

} // namespace GraphEngine
