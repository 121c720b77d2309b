#pragma once

// Write access to the registry's storage for the built-in table.

#include "netlisttypes.h"

namespace KorvanDebugger {
namespace Internal {

enum class NetlistRole { Instance, InstanceTerminal, Net, Module, ModulePort };

// Appends T, "T *" and "T &" to the role's list.
void addNetlistType(NetlistRole role, const QString &typeName);
// Sets the entries T, "T*" and "T&" (blanks removed) to netType + " *".
void setAssociatedNetType(const QString &typeName, const QString &netType);
void setGateDefinition(const QString &key, const GateDefinition &definition);

} // namespace Internal
} // namespace KorvanDebugger
