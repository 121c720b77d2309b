#pragma once

#include "baseobject.h"
#include "name.h"
#include "outlineelement.h"
#include "portattributes.h"
#include "portset.h"
#include "semiindex.h"
#include "spanarena.h"

#include <QBrush>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariantList>

class QPainter;
class QStyleOptionGraphicsItem;

namespace GraphEngine {

class Edge;
class GatePort;
class Module;

// One node of a netlist module: a logic gate, flip-flop, constant driver,
// module port, sub-module instance, or a gate the layout inserts. The gate
// owns its ports; its module owns the gate (through its gate index).
class Gate : public BaseObject
{
public:
    // Room from the span arena: the layout makes these by the million along
    // long nets (see SpanArena).
    static void *operator new(std::size_t size) { return SpanArena::allocate(size); }
    static void operator delete(void *object) noexcept { SpanArena::release(object); }

    Gate() = default;
    // A flip-flop (FLOP) with one pin per role flag; the type name is "FF"
    // followed by the pins' keywords.
    Gate(int roleFlags, const QBrush &fill);
    // A logic gate of the kind with lettered inputs and "Out". Not named.
    Gate(int kind, int inputCount, const QBrush &fill);
    // A GENERIC gate with ports from comma-separated name lists ("a[3:0]"
    // makes four ports). Not named.
    Gate(const QString &inputs, const QString &outputs, const QString &inouts, const QBrush &fill);
    // An instance of the definition module, registered in parent under the
    // name and connected to existing nets by the list ".port(net),...".
    Gate(const Name &name, Module *definition, Module *parent, const QString &netNames);
    // A gate of one of the kinds 15..25 with its default ports, named by the
    // text (a bare trailing number is not an index). Unregistered.
    Gate(int kind, const QString &name, const QBrush &fill);
    // A module-port gate: the direction of the attributes gives INPUTPORT,
    // OUTPUTPORT or INOUTPORT; its one port carries the name's text.
    Gate(PortAttributes attributes, const Name &name, const QBrush &fill);
    // A column pass-through that splits the net at the column: a new piece
    // of the net takes its far drivers and loads and feeds the gate, which
    // drives the net.
    Gate(int column, Edge *net);
    // A column pass-through that carries a cut loop: the listed loads move
    // to a new net with a generated driver; the gate drives their old net.
    explicit Gate(const QList<GatePort *> &loads);
    // Disconnects the ports (a pass-through between two nets joins them
    // again), leaves the module and deletes the ports.
    ~Gate() override;

    Gate(const Gate &) = delete;
    Gate &operator=(const Gate &) = delete;

    // The gate's description for one cluster member (-1: all members).
    QString propertyTable(int member) const override;
    QString propertyTableAll() const override;
    QString toolTip() const override;

    bool isCluster() const { return kind & ClusterFlag; }
    int baseKind() const { return kind & ~int(ClusterFlag); }
    bool isModulePort() const { return kind == INPUTPORT || kind == OUTPUTPORT || kind == INOUTPORT; }
    // A driver the layout generated for an undriven net; it gives way to
    // the first real driver.
    bool isGeneratedOpenInput() const
    {
        return kind == OPENINPUT || kind == LOOPBACKOPENINPUT || kind == (OPENINPUT | ClusterFlag);
    }

    // Gives the gate its name, moving its entry in the module's gate index;
    // a name another gate holds is refused with a message.
    void nameInstance(const Name &newName);

    // Port lookup ----------------------------------------------------------
    // The first port of the sort group at the position (signed 16 bits).
    GatePort *portAt(int sortGroup, int position);
    GatePort *constPortAt(int sortGroup, int position) const;
    int portCount(int sortGroup) const;
    GatePort *findPortByName(const QString &text) const;
    // The ports whose base name is the text, each once, unsorted.
    PortSet portsNamed(const QString &text) const;
    // The first port of this gate whose net is driven by a port of other;
    // returns that driver and (optionally) this gate's port.
    GatePort *findLinkTo(const Gate *other, GatePort **ownPort = nullptr) const;
    // The port's place in its bus run (0 for the run's first port); -1 when
    // the port is not the gate's.
    int runIndexOf(const GatePort *port) const;
    // ".a(n1),.b(),.y(n2)": every port in set order with its net's name.
    QString portConnectionList() const;

    // Connectivity ---------------------------------------------------------
    bool hasFanout() const;
    bool hasDrivenInput() const;
    // The first port driving one of the input-side ports, seen through
    // column pass-through gates.
    GatePort *firstDriverGate();
    // The smallest column order of the gates the outputs feed; -1 for none.
    int firstLoadOrder() const;
    // Two pass-throughs on pieces of one net (same bus base or same number).
    bool samePassThroughNet(const Gate *other) const;
    // The constant the gate stands for or passes on (19..22), or 0.
    int constantKind() const;
    static bool lessByName(const Gate *a, const Gate *b);

    // Connects the named port to the module's net of that name. Without
    // force a port already on a net stays there; with force it moves.
    bool connectGate(const QString &portName, const QString &netName, bool force);
    // The same for every ".port(net)" item of a comma-separated list.
    bool connectGate(const QString &connections, bool force);
    void disconnectAll();

    // Checks and layout state ----------------------------------------------
    // Reports an inconsistent pass-through or an unregistered gate; changes
    // nothing.
    void checkConfiguration() const;
    // Back to the state before a layout run: layout fields cleared, working
    // directions reset, shape rebuilt.
    void resetLayoutState();
    void detachFromModule();
    // The module the type name names, found or made in the registry of the
    // gate's module (or the program-wide one), with port gates for the
    // gate's ports when it is new.
    Module *createSubModule();

    // Port set-up by kind --------------------------------------------------
    // Re-lays the ports of a GENERIC or cluster gate, settles its in-out
    // inputs and (with packBuses) draws unconnected bus bits close together.
    void initPorts(bool packBuses);

    // Shape ----------------------------------------------------------------
    // Places every port that has no pin yet centred on the sides of a box.
    void placePortsOnBox(int width, int height, int topCount, int bottomCount, int rightCount,
                         int leftCount);
    // Pins, label and bounding rectangle; input labels get room for
    // inputLabelExtent. Does nothing on a built shape unless it is positive.
    void buildShape(double inputLabelExtent);
    // Drops the unconnected pins of a flip-flop, closes up the others along
    // their sides and places them on a box sized anew.
    void buildFlopShape();
    void moveContents(double dx, double dy);
    static QPointF pinVector(int sortGroup, double length);
    static QPointF labelOffset(int sortGroup, double width, double height);
    bool renamePort(const QString &oldName, const QString &newName);
    // Port i takes item i of the list; nothing happens when the counts
    // differ.
    void renamePorts(const QString &names);
    // "old:new,..." pairs.
    void renamePortsByPairs(const QString &pairs);
    bool showsLabel() const;
    void paintLabel(QPainter *painter) const;
    // The body's rectangle in gate coordinates.
    QRectF bodyRect() const;

    // Drawing and hit tests (the gate's scene item calls these) -----------
    // The body, the ports and (above 0.2 level of detail) the label, with
    // pens that keep their width on screen as the view zooms out.
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option);
    // Every port in set order; with member n (not -1), not the ports of
    // other members.
    void paintPorts(QPainter *painter, double levelOfDetail, int member);
    // A probe's rectangle with zero sizes counted as one unit, so points
    // and lines can still meet.
    static QRectF probeArea(QRectF rect);
    // What a probe (gate coordinates) lies on among the pins: 0 nothing,
    // 1 the gate (an area probe), 2 the port returned in *port (a point
    // probe).
    int hitPort(const QRectF &probe, GatePort **port) const;
    // The bus run [*begin, *end) of the first side whose pins lie within 10
    // units of the probe and which holds a pin near it; false for none.
    bool hitPortRun(const QRectF &probe, PortSet::const_iterator *begin,
                    PortSet::const_iterator *end) const;

    // Texts ----------------------------------------------------------------
    // HTML list of the ports of a range with their nets; member selects one
    // member of a cluster gate (-1: all).
    QString portsDescription(PortSet::const_iterator begin, PortSet::const_iterator end,
                             int member) const;
    // The input-side (groups 3..1) or output ports described; empty for a
    // module-port gate. Plain turns the HTML into one line of text.
    QString portsPlainText(bool inputs, bool plain, int member) const;
    // The key by which the clustering finds like gates; empty when the gate
    // is no candidate. *busOut tells a two-index bus without net numbers.
    QString portSignature(int indexSlot, bool *busOut) const;
    // Folds this gate into the cluster gate as member: its ports' nets move
    // to the cluster's ports and its properties join the cluster's lists.
    void clusterSignature(Gate *cluster, int member, int firstNetNumber);

    // Verilog --------------------------------------------------------------
    // The gate's statements, each ending in a line feed: an assignment for a
    // constant, a primitive for a logic gate, an instance otherwise; one per
    // member of a cluster gate. Empty for port and layout gates.
    QString writeVerilog() const;
    // The ports of one sort group by position; a later port with the same
    // position replaces an earlier one.
    QMap<int, GatePort *> portsByPosition(int sortGroup) const;
    // The ports of the sort group (4: all) that belong to member bit (-1:
    // every port), numbered 0, 1, ... in port order.
    QMap<int, GatePort *> portsOfBit(int sortGroup, int bit) const;
    // The named connections of the instance statement of member bit.
    QString connectionList(int bit) const;

    // Cluster members ------------------------------------------------------
    // The "=NativeName" entries of a cluster gate.
    QVariantList nativeNames() const;
    int nativeNameCount() const { return nativeNames().size(); }
    // Entry i as a Name; the gate's own Name when i is out of range.
    Name nativeName(int i) const;
    // The member whose name has the text of name; -1 for none or a gate that
    // is not a cluster.
    int subGateIndexOf(const Name &name) const;
    int portIndexOf(const QVariant &name) const;
    Name selectedSubGateName() const;
    QString subGateToolTip(int member) const;
    // Selects a member of this cluster gate for the current selection stamp
    // (see selectionCounter()); -1 leaves the selection as it is.
    void setSubGateSelection(int stamp, int member);
    int setSubGateSelection(int stamp, const Name &name);
    bool isSubGateSelected() const;
    // The selected member while isSubGateSelected(), else -1.
    int selectedSubGate() const;

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
    // Its place in the gate index's list, when listed there.
    IndexSlot<Gate> indexSlot;
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
    // initDefaultPorts for COLPASSTHROUGH on a new gate.
    void initPassThroughPorts();
    void initLogicPorts(int kind, int inputCount);
    void initMuxPorts(int kind, int inputCount);
    void initFlopPorts(int roleFlags);
    // Ports from a comma-separated list appended to target.
    void addPortsFromList(QList<GatePort *> &target, int &counter, int direction, const QString &names);
    GatePort *addPort(const QString &portName, int direction, int sortGroup, int roleBit, double x,
                      double y, int position = 0, int marker = 0, bool control = false);
    // Replaces the body by the outline, reporting a body that is a box.
    void setOutline(const QPainterPath &path);
    void setBox(int width, int height);
    // The box of a gate whose ports stand at the positions they carry.
    void placeOnBoxByPositions(int width, int height);
    // Settles the in-out inputs; true when the pass has to run again.
    bool settleInOutPorts();
    void layOutBoxSides(bool packBuses);
    void splitNet(int column, Edge *net, const QList<GatePort *> *loads);
    // What the destructor does: a pass-through joins the pieces of its net
    // again; the gate leaves its nets and indexes, its ports go.
    void release();
    void reportUnbuiltShape() const;
    // A gate going away holds no selection.
    void forgetSubGateSelection() const;
    QString toolTipRow(const QString &label, const Name &value) const;
    QString plainToolTip() const;
};

// Constant drivers, as the netlist builder makes them.
class Vcc : public Gate
{
public:
    Vcc(const QString &name, const QBrush &fill);
    ~Vcc() override;
};

class Gnd : public Gate
{
public:
    Gnd(const QString &name, const QBrush &fill);
    ~Gnd() override;
};

class X : public Gate
{
public:
    X(const QString &name, const QBrush &fill);
    ~X() override;
};

class Z : public Gate
{
public:
    Z(const QString &name, const QBrush &fill);
    ~Z() override;
};

// The program-wide selection counter: the scene raises it on every fresh
// (not Control-extended) selection; a sub-gate selection is current while
// its stamp equals it.
int selectionCounter();
void increaseSelectionCounter();

} // namespace GraphEngine
