#pragma once

#include <QMap>
#include <QString>

namespace KorvanDebugger {
namespace Internal {

// How one primitive gate type of the debugged program is drawn: the gate kind
// of the netlist model, the flip-flop pin roles, and for each port of the
// inspected instance the name of the matching port of the graph gate.
// Built once from a kind and a port-mapping text such as "A:a0,B:a1,Out:o"
// (internal name, colon, instance port name) and only read afterwards.
class GateDefinition
{
public:
    GateDefinition(int kind, const QString &mapping);

    int internalType = 0;
    QString portMapping;
    int portRoles = 0;
    // Instance port name -> internal port name.
    QMap<QString, QString> portNameMap;
};

} // namespace Internal
} // namespace KorvanDebugger
