#include "scriptgeneration.h"

#include "configuration/document.h"
#include "configuration/keys.h"
#include "plugin/korvandebuggerplugin.h"

#include <QFile>
#include <QJsonDocument>

QString generateScript(const QJsonObject &document)
{
    using namespace KorvanDebugger;
    if (!Configuration::saveConfigurationFile(document, Configuration::Key::prettyPrintersDocument))
        return QString();
    Internal::KorvanDebuggerPlugin plugin;
    return plugin.generateAllClassModels().unregisterCustomsCode(true);
}

QJsonObject readJsonFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}
