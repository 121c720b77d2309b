#pragma once

#include "baseobject.h"
#include "name.h"
#include "portset.h"

#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QVector>

namespace GraphEngine {

class Module;

// Horizontal lines from one net piece's trunk to its ports.
struct BranchLine
{
    double xMin = -1.0;
    double xMax = -2.0;
    double x = -1.0;
    // One point per port: (scene y, scene x).
    QVector<QPointF> branches;
    bool sorted = false;
};

// One vertical trunk of a net piece with the tops of its junction squares.
struct TrunkSegment
{
    double x = -1.0;
    double top = -1.0;
    double bottom = -2.0;
    QVector<double> junctions;
    bool sorted = false;
};

// One net of a module. Its lists refer to ports owned by gates: output ports
// drive it, every other connected port is a load.
class Edge : public BaseObject
{
public:
    PortSet drivers;
    PortSet loads;
    Name name;
    // Not owned; the net is reached through the module's net index.
    Module *module = nullptr;
    double loadTop = 0.0;
    double loadBottom = 0.0;
    double driverTop = 0.0;
    double driverBottom = 0.0;
    // Routing column of the trunk; -1: no trunk.
    int column = 0;
    QPen pen;
    // Shared by the nets of one bus or cluster port row; 0: none.
    int netNumber = 0;
    double trackOffset = 0.0;
    QVector<BranchLine> branchLines;
    QVector<TrunkSegment> trunkSegments;
    QRectF bounds;
};

} // namespace GraphEngine
