#pragma once

// The one place where the configuration side asks the plug-in for class
// definitions: the stored "Debugger/PrettyPrinters" document, or the list
// being edited on the options page. Without a plug-in object there are none.

#include <QJsonObject>
#include <QSharedPointer>
#include <QString>

namespace KorvanDebugger {
namespace Configuration {

// The stored "Debugger/PrettyPrinters" document; null without a plug-in.
QSharedPointer<QJsonObject> storedDocument();
QJsonObject storedClassDefinition(const QString &typeName);
bool storedClassIsContainer(const QString &typeName);
// The class definition of that name in the list being edited, or empty.
QJsonObject editedClassDefinition(const QString &typeName);
bool editedClassIsContainer(const QString &typeName);

} // namespace Configuration
} // namespace KorvanDebugger
