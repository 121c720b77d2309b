#pragma once

// The one place where the configuration side asks the plug-in for class
// definitions: the stored "Debugger/PrettyPrinters" document, or the list
// being edited on the options page. Without a plug-in object there are none.

#include <QJsonObject>
#include <QString>

namespace KorvanDebugger {
namespace Configuration {

QJsonObject storedClassDefinition(const QString &typeName);
bool storedClassIsContainer(const QString &typeName);
bool editedClassIsContainer(const QString &typeName);

} // namespace Configuration
} // namespace KorvanDebugger
