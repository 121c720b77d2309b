#pragma once

#include "baseobject.h"
#include "name.h"
#include "outlineelement.h"
#include "portattributes.h"
#include "portset.h"

#include <QBrush>
#include <QRectF>
#include <QString>
#include <QVariantList>

namespace GraphEngine {

class GatePort;
class Module;

// One node of a netlist module: a logic gate, flip-flop, constant driver,
// module port, sub-module instance, or a gate the layout inserts. The gate
// owns its ports; its module owns the gate (through its gate index).
class Gate : public BaseObject
{
public:
    Gate() = default;
    // A gate of one of the kinds 15..25 with its default ports, named by the
    // text (a bare trailing number is not an index). Unregistered.
    Gate(int kind, const QString &name, const QBrush &fill);
    // A module-port gate: the direction of the attributes gives INPUTPORT,
    // OUTPUTPORT or INOUTPORT; its one port carries the name's text.
    Gate(PortAttributes attributes, const Name &name, const QBrush &fill);
    // Disconnects the ports (a pass-through between two nets joins them
    // again), leaves the module and deletes the ports.
    ~Gate() override;

    bool isCluster() const { return kind & ClusterFlag; }
    int baseKind() const { return kind & ~int(ClusterFlag); }
    bool isModulePort() const { return kind == INPUTPORT || kind == OUTPUTPORT || kind == INOUTPORT; }

    // Gives the gate its name, moving its entry in the module's gate index;
    // a name another gate holds is refused with a message.
    void nameInstance(const Name &newName);

    // The first port of the sort group at the position (signed 16 bits).
    GatePort *portAt(int sortGroup, int position);
    GatePort *constPortAt(int sortGroup, int position) const;
    int portCount(int sortGroup) const;
    GatePort *findPortByName(const QString &text) const;
    // The ports whose base name is the text, each once, unsorted.
    PortSet portsNamed(const QString &text) const;
    // The first port driving one of the input-side ports, seen through
    // column pass-through gates.
    GatePort *firstDriverGate();
    void disconnectAll();
    // Reports an inconsistent pass-through or an unregistered gate; changes
    // nothing.
    void checkConfiguration() const;
    // The constant the gate stands for or passes on (19..22), or 0.
    int constantKind() const;

    // The "=NativeName" entries of a cluster gate.
    QVariantList nativeNames() const;
    int nativeNameCount() const { return nativeNames().size(); }
    // Entry i as a Name; the gate's own Name when i is out of range.
    Name nativeName(int i) const;

    // A kind (2..25), with ClusterFlag on a gate standing for folded copies.
    int kind = NoKind;
    // Meaningful on module-port gates: instances copy them onto their ports.
    PortAttributes portAttributes = PortAttributes::make(NoDirection, 4, 0, 0, false, 0);
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

private:
    // The ports of kinds 15..25; the type name becomes the kind's keyword.
    void initDefaultPorts(int kind, const QString &portName);
    void addPort(const QString &portName, int direction, int sortGroup, int roleBit, double x,
                 double y);
};

} // namespace GraphEngine
