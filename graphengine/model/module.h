#pragma once

#include "baseenum.h"
#include "bussequence.h"
#include "graphitem.h"
#include "portattributes.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QMap>
#include <QObject>
#include <QPoint>
#include <QRecursiveMutex>
#include <QSet>
#include <QString>
#include <QVector>

#include <limits>

namespace GraphEngine {

struct ClusterSweep;
class Edge;
class Edges;
class Gate;
class GatePort;
class Gates;
class MarkTable;
class Module;

// Modules by name; the map owns its modules (deleteModules).
using ModuleMap = QMap<QString, Module *>;

// One netlist module: it owns its gate index (every gate, port gates
// included), its net index, the index of its module-port gates (which refers
// to gates the gate index owns), its marker table and the state the layout
// fills. Modules are made by and owned by a ModuleMap registry.
class Module : public QObject, public BaseEnum
{
    Q_OBJECT

public:
    ~Module() override;

    // The module of that name in the registry, made when absent; null for an
    // empty name. *created (optional) tells whether it was made.
    static Module *findOrCreateModule(ModuleMap &registry, const QString &name, bool *created);

    // Enters a named gate into the gate index; false when it belongs to
    // another module or (reported with reportClash) another gate holds its
    // name, in which case the gate is left without a module.
    bool registerInstance(Gate *gate, bool reportClash);
    // Registers a gate the layout generates; a name already held gets a
    // marked copy. The gate is deleted (false) when that fails too.
    bool registerGeneratedGate(Gate *gate);
    // Takes a gate of this module out of every index.
    void unregisterGate(Gate *gate);
    // Enters a net under its name; a name already held puts it in the list
    // (false).
    bool registerEdge(Edge *net);
    void unregisterEdge(Edge *net);
    // The module port of that name, made when absent; the result is the net
    // named netName on its port (null without a net name).
    Edge *findOrCreatePortGate(const QString &portName, const QString &netName,
                               PortAttributes attributes, bool reportClash);
    // One port gate for each port of an instance of this module, unless the
    // module has port gates already.
    void createPortGates(Gate *instance);

    // The module as Verilog text, preceded by the modules its instances
    // name (made in the registry when absent), each written once, by name.
    QString writeVerilog();

    // Deletes every net, then every gate.
    void forEachIndex();
    // Deletes the gates that are not module ports, then the nets without
    // ports.
    void purge();
    int gateCount() const;
    // The netlist gates the module stands for (a cluster gate counts its
    // members, module ports count 0).
    int countGatesWithProperty() const;
    void removeGateProperty(const QString &key);

    // The net named like the port; these look up and never make a net.
    GatePort *firstDriverOfNet(const GatePort *port) const;
    PortRange loadsOfNet(const GatePort *port) const;

    // Layout (graphengine/layout/, one source file per step) -------------
    // Lays the module out: every step of the pipeline in order under the
    // module's mutex, each reported with its time and renderingProgressing.
    // A layout that cannot finish (its net crossings would take more memory
    // than can be given to it, or an allocation failed) stops with the
    // pass-through gates it made removed and says why in layoutError().
    void computeLayout(double spacing, bool packBuses, bool preferOpenInput);
    // Empty when the last layout finished; else the message it stopped with.
    const QString &layoutError() const { return m_layoutError; }
    // The memory the crossings of a layout may take: the bytes given here
    // (for tests and benchmarks; 0 gives the machine's figure back), else
    // half of the physical memory; never more than the process's
    // address-space limit leaves. Process-wide.
    static void setLayoutMemoryLimit(qint64 bytes);
    static qint64 layoutMemoryAvailable();
    // What one crossing (a pass-through gate, its two ports and a net
    // piece, and what the steps after the ordering keep for them) costs.
    static qint64 crossingCost();
    // Reports "<module>: <step>" with the time since the last report (only
    // restarting the clock with restartOnly) and emits renderingProgressing.
    void reportStep(const QString &step, bool restartOnly);
    // True when no two gates of an inner column overlap; colour -1 checks
    // every gate, another value only the gates with that mark bit.
    bool checkCollisions(int colour);
    // Last step: pass-through gates go, listed nets without ports too.
    void simplifyGraph();
    void setFlagOnAll(int colour, bool value);

    void resetLayout();
    void solveInOut(bool packBuses);
    void markInOutRecursive(Gate *gate, int colour, bool packBuses);
    void addFakeInputs(bool preferOpenInput);

    void removeLoopbacks();
    // Null when every loop through the gate is cut, loopHeadUncut() when a
    // loop came back to this gate without a place to cut, else the loop
    // head at which the cut is still to be made further up the path.
    Gate *processLoopback(Gate *gate, int colour, bool force);
    static Gate *loopHeadUncut();

    // Without splitNets no pass-through gate is made: the gates take the
    // same columns, the nets stay whole (all that the clustering needs).
    void orderTopologically(bool splitNets = true);
    int computeForcedPosition(Gate *gate, int forcedDepth, bool forceMode);
    void setGatePosition(Gate *gate, int depth);
    // The last act of "Order Topologically": the module inputs among the
    // gates go to the deepest column, beyond their loads.
    void placeModuleInputs(const QList<Gate *> &candidates);
    int reserveColumnRow(Gate *gate, int depth);

    // Makes a pass-through gate in every column of the span; counts them in
    // crossingCount, and with the nets whole or the crossings refused
    // (crossingLimit reached) only counts them.
    void splitEdge(Edge *net, int fromDepth, int toDepth);
    // While the nets are whole: the number of the piece of the net that a
    // split would give the port; numberPieces numbers that piece and those
    // up to the driver as Edge::setNetNumber numbers the pieces of a split
    // net, so that folding gives the same groups either way.
    int pieceNumber(const GatePort *port);
    void numberPieces(const GatePort *port, int number);
    // The column under which the port's piece stands in pieceNumbers.
    int pieceColumn(const GatePort *port);
    void createColumns();
    // Logs every connection whose load is not step columns after its driver.
    void checkColumnStructure(int step);

    // One pass folding groups of like gates of a column into an instance of
    // a generated sub-module; true when a gate was folded.
    bool clusterRepeatingPatterns(bool enabled);
    // Passes of clusterRepeatingPatterns until one folds nothing: the same
    // folds, the passes after the first looking only at the columns where
    // a fold may have made new groups. True when a gate was folded.
    bool clusterAllRepeatingPatterns();
    // One pass; with a sweep, only over the columns it flags, which it
    // clears and sets again where a later pass must look.
    bool sweepRepeatingPatterns(ClusterSweep *sweep);
    // The program-wide sub-module that copies instances of the pattern
    // stand for, made when absent; null for an empty name.
    static Module *createClusterModule(const Gate *pattern, int copies);

    // The order of the gates of every column (orderedColumns, rows).
    void orderColumns();
    // Appends the gate to its column's ordered list and follows its
    // pass-through drivers that carry mark a, clearing marks a and b.
    void collectPassThroughChain(Gate *gate, int markA, int markB);

    // Per-column port-Y lists: the sorted absolute Ys of the ports of the
    // gates placed in a column so far.
    void registerPortYs(Gate *gate, bool outputs);
    void registerAllPortYs(Gate *gate);
    void registerAllPortYsGuarded(Gate *gate);
    void unregisterPortYs(Gate *gate, bool outputs);
    void unregisterAllPortYs(Gate *gate);
    // Moves y down until the port stands more than the spacing away from
    // every entry of ys; true when y changed.
    static bool keepPortClear(double &y, const GatePort *port, const QVector<double> &ys, double spacing);
    // The downward shift that keeps the gate's first ports clear of the
    // registered ports of the neighbouring columns.
    double portClearance(Gate *gate, double y, double spacing);
    // Moves the gate down by delta and its aligned loads with it; false when
    // the move was refused.
    bool repositionColumn(Gate *origin, Gate *gate, double delta, bool stopAtBottom, int positionedMark,
                          QSet<Gate *> &visited, int spacing);

    // The Y of every gate, column by column from the outputs back.
    void computeGateYPositionFromHierarchy(double spacing, bool packBuses, bool correction);
    void positionGateRecursive(GatePort *port, GatePort *fromPort, bool setLink, int positionedMark,
                               int exploredMark, double spacing, bool packBuses, bool singlePath);
    bool alignToPositionedLoads(Gate *gate, double &y, int positionedMark);
    bool placeFromDrivers(Gate *gate, double &y, int mark, bool onlyPositionedBelow);
    // The output ports level with their drivers, output buses at pitch 2.
    void computeOutputPortY(double spacing);
    // Closes every empty band taller than the spacing; true when two gates
    // of an inner column overlap.
    bool shrinkVerticalSpace(int spacing);
    // One label width for all module ports of a side.
    void alignInputOutputPorts();

    // Routing: nets filed under the gap right of their driving column, the
    // gaps packed into trunk slots, column X and the nets' lines.
    void computeEdgeBoundaries();
    void computeEdgeVerticalSegments(double pitch, double clearance);
    void computeXCoordinates();
    // Merges same-named pass-throughs of a column, then builds every net's
    // lines from columnRight.
    void drawEdges();

    // The marker: the table and the mark value of the current walk.
    MarkTable *markTable = nullptr;
    int markValue = 1;
    // Guards the indices and a whole layout run.
    QRecursiveMutex mutex;
    Gates *gates = nullptr;
    Edges *edges = nullptr;
    Gates *portGates = nullptr;
    QString name;
    QString secondName;
    // The kind of this module's instance gates when not 0.
    int instanceKind = 0;

    // Layout state, per column 0..lastColumn.
    int widestColumnFill = 0;
    int lastColumn = 0;
    QList<int> columnFills;
    QList<QList<Edge *>> columnEdges;
    QList<QList<Gate *>> columnGates;
    double rowHeight = 0.0;
    QVector<double> columnWidths;
    QVector<double> edgeColumnWidth;
    QVector<double> columnRight;
    QVector<double> columnBottomY;
    QVector<Gate *> columnBottomGate;
    QVector<QVector<double>> columnInputYs;
    QVector<QVector<double>> columnOutputYs;
    QVector<QList<Gate *>> orderedColumns;
    BusSequence columnOneBus{true};
    BusSequence lastColumnBus{true};
    QSet<QString> inOutKeys;
    int nextNetNumber = 1;
    // Set by an ordering that left the nets whole, until the next reset.
    bool netsWhole = false;
    // The crossings the last ordering made or, with the nets whole, would
    // have made; the most a layout run may make; set once the ordering met
    // that limit (it then makes no more).
    qint64 crossingCount = 0;
    qint64 crossingLimit = std::numeric_limits<qint64>::max();
    bool crossingsRefused = false;
    // While the nets are whole: per net, the pieces (by the column of their
    // loads) that the clustering gave a number, with the number; per net,
    // the column of its farthest load, once asked for.
    QHash<const Edge *, QVector<QPair<int, int>>> pieceNumbers;
    QHash<const Edge *, int> wholeNetSpans;
    int secondNumber = 0;
    quint8 renderingReported = 0;
    // Not owned: the registry that holds the module.
    ModuleMap *registry = nullptr;
    // While set, every gate that leaves the module is added to it, so that a
    // walk over a snapshot of gates never visits one deleted on the way
    // (a generated driver that gives way to a real one).
    QSet<const Gate *> *removedGates = nullptr;

signals:
    void showContextMenu(GraphEngine::GraphItem graphItem, QPoint position);
    void clicked(GraphEngine::GraphItem graphItem);
    void doubleClicked(GraphEngine::GraphItem graphItem);
    void hoverEnterEvent(GraphEngine::GraphItem graphItem);
    void hoverLeaveEvent();
    // A receiver may rewrite tip.
    void updateToolTip(GraphEngine::GraphItem graphItem, QString &tip);
    void keyPressed(GraphEngine::GraphItem graphItem, Qt::Key key, Qt::KeyboardModifiers modifier);
    void renderingProgressing();

private:
    Module(const QString &name, ModuleMap *registry);
    // The steps of computeLayout; false when they stopped for the crossings.
    // *currentStep names the step running (untranslated).
    bool runLayoutSteps(double spacing, bool packBuses, bool preferOpenInput, const char **currentStep);
    // Ends a run that cannot finish: the reason kept and logged, what the
    // run made released.
    void abandonLayout(const QString &reason);

    QString m_layoutError;
};

// Orders for sorting gate lists: by Y, by row. A null gate is a
// programming error: reported, and the result is true.
bool gateYLessThan(Gate *const &a, Gate *const &b);
bool gateRowLessThan(const Gate *a, const Gate *b);

// Deletes every module of the map and leaves it empty.
void deleteModules(ModuleMap &registry);
// deleteModules, then deletes the map itself (made with new).
void freeModuleMap(ModuleMap *registry);

// The program-wide registry for gates whose module has no registry of its
// own. Callers hold moduleRegistryMutex() around each use.
QRecursiveMutex &moduleRegistryMutex();
ModuleMap &moduleRegistry();
// Deletes every module of the program-wide registry (also done at exit).
void releaseModuleRegistry();

} // namespace GraphEngine
