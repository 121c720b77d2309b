#pragma once

#include "graphdatabase.h"

#include "graphengine/model/bussequence.h"
#include "graphengine/model/name.h"
#include "graphengine/scene/guielementtype.h"

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

QT_BEGIN_NAMESPACE
class QModelIndex;
class QRegularExpression;
class QStringRef;
QT_END_NAMESPACE

namespace GraphEngine {
class Gate;
class GraphViewer;
class Module;
} // namespace GraphEngine

// The definition of a netlist graph opened from the debugger: plain values
// that copy cheaply, so an undo command saves and restores a whole graph as
// one state. No record owns a scene item or a netlist object.
namespace UndoFramework {

using PropertyMap = QMap<QString, QVariant>;

// One port of the module, read from an inspected port value.
struct Port
{
    Port() = default;
    // Reads the value text (column 1, edit role) of the row: direction mark,
    // name, and with a differently named net, hair space and "(net)".
    // Nothing read leaves direction 3.
    Port(const QModelIndex &value, const QString &typeName, quint64 address);

    QString name;
    // The net outside the port; empty means a net named like the port.
    QString connection;
    // 0 input, 1 output, 2 inout; 3 marks a value that was no port.
    int direction = 3;
    PropertyMap properties;
};

// One formal port of a cell instance and the net on it.
struct InstanceTerminal
{
    QString portName;
    // The port of the drawn gate: the gate mapping's name, else portName.
    QString pinName;
    int direction = 0;
    // Empty when nothing is connected.
    QString netName;
    PropertyMap properties;
    PropertyMap netProperties;
};

// One cell instance of the module.
struct Instance
{
    Instance() = default;
    // Reads an instance text: name, hair space, "(", parameters separated by
    // "," and a thin space, ")". Nothing read leaves gate kind 0.
    Instance(const QString &definitionName, const QString &valueText, const QString &typeName,
             quint64 address);

    QString name;
    // The cell: the gate-mapping key and the name of a generic instance's
    // definition module.
    QString definition;
    // 12 (GENERIC) without a gate mapping; 0 marks a value that was no
    // instance.
    int gateKind = 0;
    int roleFlags = 0;
    PropertyMap properties;
    QList<InstanceTerminal> terminals;
};

// An annotation the stack analysis attaches to one element of the graph.
struct StackPathEntry
{
    GraphEngine::GuiElementType elementType = GraphEngine::GuiNoSceneItem;
    // For a gate port, the gate's name.
    GraphEngine::Name elementName;
    QString portName;
    // One name per sighting on the stack; its compact text labels the pin.
    GraphEngine::NameList values;
    // One text per sighting: the element's "From Stack" property.
    QStringList valueTexts;
};

bool operator==(const Port &a, const Port &b);
bool operator==(const InstanceTerminal &a, const InstanceTerminal &b);
bool operator==(const Instance &a, const Instance &b);
inline bool operator!=(const Port &a, const Port &b) { return !(a == b); }
inline bool operator!=(const InstanceTerminal &a, const InstanceTerminal &b) { return !(a == b); }
inline bool operator!=(const Instance &a, const Instance &b) { return !(a == b); }

// The graph definition. The viewer keeps it in its state map under
// "GraphViewer::GraphState" and rebuilds the graph from it on every load,
// undo and redo.
class GraphUndoState
{
public:
    // Its own new data base, no key.
    GraphUndoState();
    // Shares the given data base; the key is the inspected object's address.
    GraphUndoState(const GraphDataBase &dataBase, quint64 key);

    QString moduleName;
    QList<Instance> instances;
    QList<Port> ports;
    QMap<QString, StackPathEntry> stackPath;
    GraphDataBase graphDataBase;
    quint64 myDBKey = 0;
    // Set by writers of moduleName, instances or ports; cleared when the
    // change becomes an undo command.
    bool changed = false;
    GraphEngine::GuiElementType focusType = GraphEngine::GuiAnyItem;
    GraphEngine::Name focusName;
    GraphEngine::Name selectedEdgeName;

    // The module of the state in the data base entry of myDBKey, emptied
    // and built again from the records; null with errorText on failure.
    GraphEngine::Module *buildModule(QString &errorText);
    // The module of moduleName, with its port gates when new or rebuilt.
    GraphEngine::Module *findOrCreateModule(bool rebuild);
    // The module of the instance's definition; null without one.
    GraphEngine::Module *findOrCreateDefinitionModule(const Instance &instance, bool refreshPorts);
    void prepareDefinitionModules();

    // On the viewer's freshly filled module and scene: each stack-path entry
    // becomes a "From Stack" property of its element and, when it has
    // values, a comment pin over the graph. Entries only look elements up;
    // one whose element is missing is skipped.
    void buildStackPath(GraphEngine::GraphViewer *viewer) const;
    // Fits the scene rectangle to the items, then selects the focus element
    // (and the selected net) and centres the view on it.
    void applyToViewer(GraphEngine::GraphViewer *viewer) const;

private:
    void buildConstantDriver(GraphEngine::Module *module, const Instance &instance);
    GraphEngine::Gate *createGate(GraphEngine::Module *module, const Instance &instance);
};

// Registers the gate, destroying a different gate that holds its name. On
// failure the gate itself is destroyed and false returned.
bool registerOrReplaceInstance(GraphEngine::Module *module, GraphEngine::Gate *gate);

// Matches one hidden pointer (U+226A text U+226B) and captures its text.
const QRegularExpression &hiddenPointerPattern();

// Splits "[mark]instance<hair>.port<hair>(net)" into its parts. A leading
// direction mark is dropped from text itself. Missing parts come back empty.
void splitTerminalText(QStringRef &text, QStringRef &instance, QStringRef &port, QStringRef &net);

// Registers the meta-type under "UndoFramework::GraphUndoState"; call it
// before putting a state into a QVariant or taking one out. Returns its id.
int registerGraphUndoStateType();

} // namespace UndoFramework

Q_DECLARE_METATYPE(UndoFramework::GraphUndoState)
