#pragma once

#include "baseobject.h"
#include "branchpoints.h"
#include "linerecords.h"
#include "name.h"
#include "portset.h"
#include "semiindex.h"
#include "spanarena.h"

#include <QLineF>
#include <QList>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QVarLengthArray>
#include <QVector>

#include <vector>

class QPainter;
class QPainterPath;
class QStyleOptionGraphicsItem;

namespace GraphEngine {

class Edge;
class Edges;
class Gate;
class GatePort;
class Module;

// Horizontal lines from one net piece's trunk to its ports.
struct BranchLine
{
    double xMin = -1.0;
    double xMax = -2.0;
    double x = -1.0;
    // One point per port: (scene y, scene x), in branchLess order once
    // built. 64 bytes: with its link, a record takes 80.
    BranchPoints branches;
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

// The trunk record of a flat piece: the placeholder its build leaves, sorted
// and without junctions. Most pieces of a split net are flat, so their
// chains hold these records without blocks of their own.
template <>
struct LineRecordFiller<TrunkSegment>
{
    static bool matches(const TrunkSegment &trunk)
    {
        return trunk.x == -1.0 && trunk.top == -1.0 && trunk.bottom == -2.0 && trunk.junctions.isEmpty()
               && trunk.sorted;
    }
    static const TrunkSegment &filler()
    {
        static const TrunkSegment trunk = [] {
            TrunkSegment placeholder;
            placeholder.sorted = true;
            return placeholder;
        }();
        return trunk;
    }
};

// The records of one net's build under construction, the extents of its
// pieces (in the order of the walk) and the walk's own stack. A pass over
// many nets keeps one for all of them, so that a piece's build allocates
// nothing but the records it keeps.
struct LineBuild
{
    struct Piece
    {
        Edge *net;
        int index;
        int depth;
    };
    QVector<BranchLine> lines;
    QVector<TrunkSegment> trunks;
    QVarLengthArray<QRectF, 1> extents;
    bool cut = false;
    std::vector<Piece> pending;
    std::vector<Piece> fed;

    // Empty, with records placeholders; the room stays.
    void start(int records);
};

// One net of a module. Its lists refer to ports owned by gates: output ports
// drive it, every other connected port is a load. A connected port stands
// exactly once in exactly one list of the net its pointer names. The lists
// keep connection order (a pass-through driver first) and are never sorted.
class Edge : public BaseObject
{
public:
    // Room from the span arena: the layout makes these by the million along
    // long nets (see SpanArena).
    static void *operator new(std::size_t size) { return SpanArena::allocate(size); }
    static void operator delete(void *object) noexcept { SpanArena::release(object); }

    // Made by the module's net index (Edges::findOrCreate).
    Edge(const Name &name, Module *module);
    // Leaves its ports unconnected and its module's index.
    ~Edge() override;

    QString propertyTableAll() const override;
    QString toolTip() const override;
    // The tooltip at one end of the net (port may be null).
    virtual QString toolTipAt(const GatePort *port) const;
    virtual QRectF boundingRect() const;

    // Connects by the port's declared direction: outputs drive, the rest load.
    void connectPort(GatePort *port, bool force = false);
    // A generated open-input driver gives way to the first real driver.
    void addDriver(GatePort *port, bool force = false);
    void addLoad(GatePort *port, bool force = false);
    // Reports (and changes nothing) when the port is in neither list.
    void disconnectPort(GatePort *port);
    // Moves this net's connection from oldPort to the unconnected newPort.
    bool replacePort(GatePort *oldPort, GatePort *newPort);
    // Move the drivers (beyond the column, or in columns up to 0) or the
    // loads (from the column on) to target; column -1 moves all of them.
    void transferInputs(int column, Edge *target);
    void transferOutputs(int column, Edge *target);
    // Takes over every driver of other.
    void absorbDrivers(Edge *other);
    // Reconnects each port of the list here.
    void adoptPorts(const PortList &ports);
    // Moves every port of this net's driver or load list to target.
    void movePortsTo(PortList &list, Edge *target);
    void moveAllPortsTo(Edge *target);
    // Gives an undriven net with loads a generated driver gate; null when
    // driven or without loads.
    Gate *createFakeInput(bool loopback);
    // Renames the net and re-keys it in its module.
    void setName(const Name &newName);
    // Numbers this net and, backwards through pass-through gates, the nets
    // feeding it.
    void setNetNumber(int number);
    void resetLayout();
    // The nets that belong with this one: the nets of the index that share
    // its net number (in index order, this one among them), then the nets of
    // every bit of its ports' buses. Each net once; never null.
    QList<Edge *> collectConnected(const Edges &index) const;

    // The constant of the single driver, or 0.
    int constantKind() const;
    // The name, or with showConstants "0", "1", "X" or "Z" for a net driven
    // by a single constant.
    const Name &displayName(bool showConstants) const;
    QString baseName() const;
    int fanOut() const;
    QString connectionSummary() const;

    // Geometry of the laid-out net (edge_lines.cpp). The port ranges and
    // the routing column; files the net in its module's columnEdges unless
    // fileInColumn is false (a net filed once stays filed once).
    void computeBoundary(bool fileInColumn = true);
    // Branch lines and trunks of this piece and of the pieces feeding it
    // through pass-through gates, and its bounds; gapX holds the x of each
    // edge column.
    void buildLines(const QVector<double> &gapX);
    // The lines and bounds of every net of the index that has a trunk
    // column (the layout's drawing step). A piece whose feeding piece is
    // built takes that piece's records over instead of walking the chain
    // again: each chain is built from its first piece down, while what the
    // pieces share is still at hand.
    static void buildLines(const Edges &index, const QVector<double> &gapX);
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option) const;
    // A hit on a branch near its end also names the port there.
    bool collidesWithPath(const QPainterPath &path, GatePort **port) const;
    GatePort *portAtPoint(const QPointF &point) const;
    static QLineF branchLineTo(const BranchLine &record, const QPointF &point);
    static QLineF sharedLine(const BranchLine &a, const BranchLine &b);
    QLineF middlePoint() const;
    QLineF anchorNearPort(const GatePort *port) const;
    // From portA to portB along the net; empty when no path is found.
    QVector<QPointF> pathBetween(const GatePort *portA, const GatePort *portB) const;

    // Shared by the nets of one bus or cluster port row; 0: none. First, in
    // the padding behind the base's marks: a net piece of every split net
    // then fits a smaller allocation.
    int netNumber = 0;
    PortList drivers;
    PortList loads;
    Name name;
    // Not owned; the net is reached through the module's net index.
    Module *module = nullptr;
    double loadTop = 0.0;
    double loadBottom = 0.0;
    double driverTop = 0.0;
    double driverBottom = 0.0;
    // Routing column of the trunk; -1: no trunk.
    int column = 0;
    // This net's place in the last pass of buildLines over an index
    // (checked against the pass before use).
    int lineBuildEntry = -1;
    QPen pen;
    double trackOffset = 0.0;
    LineRecords<BranchLine> branchLines;
    LineRecords<TrunkSegment> trunkSegments;
    QRectF bounds;
    // Its place in the net index's list, when listed there.
    IndexSlot<Edge> indexSlot;

private:
    // Points the port here; a port still on another net leaves it first.
    void attach(GatePort *port);
    // Takes every entry of the port out of both lists, without a message.
    bool detach(GatePort *port);
    void transfer(PortList &list, int column, Edge *target, bool moveDrivers);
    // This piece's records in build: its own, then those of feeding
    // (shared, not copied) or, without feeding, those of the walk of the
    // chain feeding it.
    void buildRecords(const QVector<double> &gapX, LineBuild &build, const Edge *feeding);
    // Adds this piece to record index of build, then (with chain) the pieces
    // feeding it to the records after it.
    void buildLineTree(const QVector<double> &gapX, LineBuild &build, int index, int depth, bool chain);
    // One piece's records of the walk; false when it is cut or outside the
    // columns (the walk does not go on through it).
    bool buildPiece(const QVector<double> &gapX, LineBuild &build, int index, int depth);
    // The one piece feeding this one through a pass-through, when it lies
    // in an earlier column and this one within the columns; else null.
    const Edge *feedingPiece(const QVector<double> &gapX) const;
};

// Trunks drawn in the current render pass, by clipped extent, with the pen
// they were drawn with: a trunk several nets share is drawn once per pass.
// Every render (view paint, image or SVG export) starts a new pass; the
// cache also starts afresh when a different painter or device paints.
void beginRenderPass();
int trunkPenCacheSize();

// The net index of a module. It owns its nets.
class Edges : public SemiIndex<Name, Edge>
{
public:
    explicit Edges(Module *owner);
    ~Edges() override;

    // The net of that name, made when absent (or always, with forceNew).
    // Null for a null or empty name.
    Edge *findOrCreate(const Name &name, bool forceNew = false);
    // The net under that name, without making one.
    Edge *find(const Name &name) const;
    // Deletes every net.
    void clear() override;
    // Deletes every net without drivers and loads.
    void purge();
    void resetLayout();
    // Empties the list of further entries as far as that is safe: listed
    // nets without ports are deleted, live ones stay listed.
    void dropListedNets();
    // The layout's splits and joins move ports between nets and back, which
    // reorders the driver and load lists that every layout walk follows.
    // recordPortOrder notes each port's place when a run begins;
    // restorePortOrder puts every list back in that order when it ends, so
    // that the next run starts from the netlist this one started from.
    void recordPortOrder();
    void restorePortOrder();
    // Lists the net (under a name another net holds, or a marked one).
    void listNet(Edge *net);
    // Takes the net out of the index. When it held its name in the map, the
    // net listed last under the same name (displaced by a forced new one, or
    // registered while the name was held) takes the entry over.
    void unlist(const Edge *net);
    // The nets of the index that carry this number (not 0), in index order.
    QList<Edge *> numbered(int number) const;
    // Numbers changed: the next numbered() looks again.
    void numbersChanged() { m_numbered.clear(); m_numberedBuilt = false; }

private:
    // Nets by number, made by one walk of the index at the first question
    // after a change (a layout run numbers its nets, then the viewer asks
    // per net); dropped when a net comes, goes or is renumbered through
    // setNetNumber, and by the layout reset.
    mutable QHash<int, QList<Edge *>> m_numbered;
    mutable bool m_numberedBuilt = false;
    // The listed nets that wait for their (unmarked) name.
    QMultiMap<Name, Edge *> m_waiting;
};

} // namespace GraphEngine
