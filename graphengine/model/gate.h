#pragma once

#include "baseobject.h"
#include "name.h"
#include "outlineelement.h"
#include "portattributes.h"
#include "portset.h"

#include <QBrush>
#include <QRectF>
#include <QString>

namespace GraphEngine {

class GatePort;
class Module;

// One node of a netlist module: a logic gate, flip-flop, constant driver,
// module port, sub-module instance, or a gate the layout inserts. The gate
// owns its ports; its module owns the gate (through its gate index).
class Gate : public BaseObject
{
public:
    bool isCluster() const { return kind & ClusterFlag; }
    int baseKind() const { return kind & ~int(ClusterFlag); }

    // The first port of the sort group at the position (signed 16 bits).
    GatePort *portAt(int sortGroup, int position);
    // The first port driving one of the input-side ports, seen through
    // column pass-through gates.
    GatePort *firstDriverGate();

    // A kind (2..25), with ClusterFlag on a gate standing for folded copies.
    int kind = NoKind;
    // Meaningful on module-port gates: instances copy them onto their ports.
    PortAttributes portAttributes;
    // The cell or module the gate stands for.
    QString typeName;
    Name name;
    PortSet ports;
    QRectF rect;
    // Not owned; null until the module registers the gate.
    Module *module = nullptr;
    // Y placement link: a gate pointer, a gate pointer tagged with bit 0, or
    // the bare tag 1. Pointer-sized.
    quintptr link = 0;
    double x = 0.0;
    double y = 0.0;
    QBrush fill;
    OutlineElement outline;
    // 0 makes the gate rebuild outline, rectangle and port positions before
    // its next paint or measure.
    quint8 shapeBuilt = 0;
    int column = 0;
    // Place in the order of its column.
    int row = 0;
    int holdCount = 0;
};

} // namespace GraphEngine
