#pragma once

#include "baseenum.h"
#include "bussequence.h"
#include "graphitem.h"
#include "portattributes.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPoint>
#include <QRecursiveMutex>
#include <QSet>
#include <QString>
#include <QVector>

namespace GraphEngine {

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
    const QList<GatePort *> &loadsOfNet(const GatePort *port) const;

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
    int secondNumber = 0;
    quint8 renderingReported = 0;
    // Not owned: the registry that holds the module.
    ModuleMap *registry = nullptr;

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
};

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
