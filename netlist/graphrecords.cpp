#include "graphrecords.h"

namespace UndoFramework {

bool operator==(const Port &a, const Port &b)
{
    return a.name == b.name && a.connection == b.connection && a.direction == b.direction
            && a.properties == b.properties;
}

bool operator==(const InstanceTerminal &a, const InstanceTerminal &b)
{
    return a.portName == b.portName && a.pinName == b.pinName && a.direction == b.direction
            && a.netName == b.netName && a.properties == b.properties && a.netProperties == b.netProperties;
}

bool operator==(const Instance &a, const Instance &b)
{
    return a.name == b.name && a.definition == b.definition && a.gateKind == b.gateKind
            && a.roleFlags == b.roleFlags && a.properties == b.properties && a.terminals == b.terminals;
}

GraphUndoState::GraphUndoState() = default;

GraphUndoState::GraphUndoState(const GraphDataBase &dataBase, quint64 key)
    : graphDataBase(dataBase)
    , myDBKey(key)
{
}

int registerGraphUndoStateType()
{
    return qRegisterMetaType<GraphUndoState>("UndoFramework::GraphUndoState");
}

} // namespace UndoFramework
