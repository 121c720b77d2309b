#pragma once

#include "gatedefinition.h"

#include <QMap>
#include <QString>
#include <QStringList>

QT_BEGIN_NAMESPACE
class QModelIndex;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Internal {

// The type-to-role registry: which types of the debugged program are netlist
// instances, instance terminals, nets, modules and module ports, the net type
// that belongs to an instance, port or terminal type, and how primitive gate
// types map onto gates. Process-wide, filled at start-up by
// registerBuiltinNetlistTypes and read afterwards; GUI thread only.

// Role lists, each type in three forms: T, "T *" and "T &".
const QStringList &instanceTypes();
const QStringList &instanceTerminalTypes();
const QStringList &netTypes();
const QStringList &moduleTypes();
const QStringList &modulePortTypes();
// Type name without blanks (T, "T*", "T&") -> net pointer type ("N *").
const QMap<QString, QString> &associatedNetTypes();
// Cell name as the debugged program reports it -> its gate definition.
const QMap<QString, GateDefinition> &gateMapping();

// Role tests. A leading "const " and a trailing " const" are ignored;
// nothing else is normalised ("Net *" and "Net*" differ).
bool isInstanceType(QString typeName);
bool isInstanceTerminalType(QString typeName);
bool isNetType(QString typeName);
bool isModuleType(QString typeName);
bool isModulePortType(QString typeName);
bool isNetlistType(QString typeName);

// Whether the row of a watch-model value (name, value, type columns) holds an
// object whose type is in the role list; counters ("Nb ...") and numbers are
// never objects.
bool isIndexOfRole(const QModelIndex &index, const QStringList &roleTypes);

// The net pointer type recorded for the type (blanks ignored), or empty.
QString associatedNetType(QString typeName);

// Null when the key has no definition. Valid until the registry changes.
const GateDefinition *findGateDefinition(const QString &key);

void clearNetlistTypes();
// The two INI files in the user scope: application + "/NetlistElementDefinition"
// (roles and net types) and application + "/UserGateMapping" (gate rows).
void loadNetlistTypes(const QString &organization, const QString &application);
void saveNetlistTypes(const QString &organization, const QString &application);

// Loads the user's settings, adds the built-in Verific and GraphEngine
// vocabulary on top and saves both files ("Korvan", "Debugger"). Does nothing
// once the registry holds instance types.
void registerBuiltinNetlistTypes();

} // namespace Internal
} // namespace KorvanDebugger
