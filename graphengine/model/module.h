#pragma once

#include "baseenum.h"
#include "bussequence.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QRecursiveMutex>
#include <QSet>
#include <QString>
#include <QVector>

namespace GraphEngine {

class Edge;
class Edges;
class Gate;
class Gates;
class MarkTable;
class Module;

using ModuleMap = QMap<QString, Module *>;

// One netlist module: it owns its gate index (every gate, port gates
// included), its net index, the index of its module-port gates (which refers
// to gates the gate index owns), its marker table and the state the layout
// fills. Modules are made by and owned by a ModuleMap registry.
class Module : public QObject, public BaseEnum
{
public:
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
};

} // namespace GraphEngine
