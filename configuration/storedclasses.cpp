#include "storedclasses.h"

#include "plugin/korvandebuggerplugin.h"

namespace KorvanDebugger {
namespace Configuration {

using KorvanDebugger::Internal::KorvanDebuggerPlugin;

QSharedPointer<QJsonObject> storedDocument()
{
    return KorvanDebuggerPlugin::getConfiguration();
}

QJsonObject storedClassDefinition(const QString &typeName)
{
    KorvanDebuggerPlugin *plugin = KorvanDebuggerPlugin::instance();
    return plugin ? plugin->findStoredClassDefinition(typeName) : QJsonObject();
}

bool storedClassIsContainer(const QString &typeName)
{
    return KorvanDebuggerPlugin::checkStoredClassDefinition(typeName);
}

QJsonObject editedClassDefinition(const QString &typeName)
{
    KorvanDebuggerPlugin *plugin = KorvanDebuggerPlugin::instance();
    return plugin ? plugin->findEditedClassDefinition(typeName) : QJsonObject();
}

bool editedClassIsContainer(const QString &typeName)
{
    return KorvanDebuggerPlugin::checkEditedClassDefinition(typeName);
}

} // namespace Configuration
} // namespace KorvanDebugger
