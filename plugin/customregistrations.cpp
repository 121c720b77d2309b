#include "customregistrations.h"

#include "configuration/configurationwizardgenerator.h"
#include "configuration/document.h"
#include "configuration/jsonhelpers.h"
#include "configuration/keys.h"
#include "configuration/normalisation.h"

#include <QJsonArray>

namespace KorvanDebugger {
namespace Internal {

using namespace Configuration;

PythonCode generateCustomCode(const QJsonObject &customDocument, const ClassDefinitionLookup &findStoredClassDefinition)
{
    static ConfigurationWizardGenerator classGenerator(Key::tmp, ConfigurationWizardGenerator::ClassDefinition);
    DebugContextScope context(QStringLiteral("classes"));

    PythonCode result;
    for (auto it = customDocument.constBegin(); it != customDocument.constEnd(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const QJsonObject cn = entry.value(Key::className).toObject();
        const QString api = cn.value(Key::api).toString();
        const QString path = cn.value(Key::path).toString();
        const QString className = cn.value(Key::className).toString();
        QJsonObject stored = findStoredClassDefinition(className);
        if (stored.isEmpty()) {
            appendCodeLine(result.expression, QStringLiteral("theDumper.unregisterCustom(%1,%2)")
                                                  .arg(pythonStringLiteral(api), pythonStringLiteral(path)));
            continue;
        }
        const QString apiName = customApiName(api, path, className);
        const QJsonObject field
            = fieldListOfClass(entry.value(Key::fields).toArray().at(0).toObject(), stored, apiName);
        jsonArraySetAt(stored, Key::fields, 0, field);
        // Named after a fresh name, so that it never replaces the printer of
        // the class itself.
        QJsonObject storedName = stored.value(Key::className).toObject();
        storedName.insert(Key::TemplateType, uniqueHelperId());
        stored.insert(Key::className, storedName);
        classGenerator.setValue(stored, false);
        const PythonCode code = classGenerator.generate();
        result.merge(code);
        appendCodeLine(result.expression, QStringLiteral("theDumper.registerCustom(%1,%2,%3)")
                                              .arg(pythonStringLiteral(api), pythonStringLiteral(path), code.dumperName));
    }
    return result;
}

QJsonObject findCustomDefinition(const QJsonObject &customDocument, const QString &api, const QString &path,
                                 const QString &className)
{
    auto it = customDocument.constFind(customApiKey(api, path, className));
    if (it == customDocument.constEnd())
        it = customDocument.constFind(customKey(path, className));
    return it == customDocument.constEnd() ? QJsonObject() : it.value().toObject();
}

bool removeCustomDefinition(QJsonObject &customDocument, const QString &api, const QString &path,
                            const QString &className)
{
    QString removedApi;
    bool removed = false;
    const QString fullKey = customApiKey(api, path, className);
    if (customDocument.contains(fullKey)) {
        customDocument.remove(fullKey);
        removedApi = api;
        removed = true;
    } else {
        const QString shortKey = customKey(path, className);
        if (customDocument.contains(shortKey)) {
            customDocument.remove(shortKey);
            removed = true;
        }
    }
    bool saved = true;
    if (removed)
        saved = saveConfigurationFile(customDocument, Key::customPrettyPrintersDocument);
    registerCustomDumper(removedApi, path);
    return saved;
}

} // namespace Internal
} // namespace KorvanDebugger
