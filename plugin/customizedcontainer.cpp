// The customized-container entry of the watch view's value-format menu and
// the wizard run behind it.

#include "korvandebuggerplugin.h"

#include "containercustomizationwizard.h"
#include "customregistrations.h"

#include "configuration/configurationwizardgenerator.h"
#include "configuration/document.h"
#include "configuration/jsonhelpers.h"
#include "configuration/keys.h"
#include "configuration/pythoncode.h"

#include <coreplugin/icore.h>
#include <dialogs/dialogs.h>

#include <QJsonArray>
#include <QMenu>

namespace KorvanDebugger {
namespace Internal {

using namespace Configuration;

namespace {
// The printers still change for this session; the user learns that the
// change will not survive it.
void reportCustomizationNotSaved()
{
    Host::warning(Core::ICore::mainWindow(), KorvanDebuggerPlugin::tr("Korvan: Customized container"),
                  KorvanDebuggerPlugin::tr("The customized containers could not be saved to %1.")
                      .arg(configurationFilePath(Key::customPrettyPrintersDocument)));
}
} // namespace

void KorvanDebuggerPlugin::addCustomizedContainerAction(QMenu *menu, const QString &typeName, const QString &path)
{
    const QJsonObject definition = findStoredClassDefinition(typeName);
    if (definition.isEmpty())
        return;
    ConfigurationWizardGenerator generator(Key::tmp, ConfigurationWizardGenerator::ClassDefinition);
    generator.setValue(definition, false);
    if (!generator.isContainer(false))
        return;
    auto action = new QAction(tr("Korvan: Customized container"), menu);
    QAction *first = menu->actions().value(0);
    QAction *separator = menu->insertSeparator(first);
    menu->insertAction(separator, action);
    connect(action, &QAction::triggered, this, [this, path, typeName, definition] {
        const QString api = currentFrameText();
        const QJsonObject stored = findCustomDefinition(api, path, typeName);
        const bool isNew = stored.isEmpty();
        editCustomizedContainer(isNew ? definition : stored, api, path, typeName, isNew, nullptr);
    });
}

void KorvanDebuggerPlugin::editCustomizedContainer(QJsonObject definition, const QString &api, const QString &path,
                                                   const QString &typeName, bool isNew, PythonError *error)
{
    ConfigurationWizardGenerator generator(Key::tmp, ConfigurationWizardGenerator::ClassDefinition);
    generator.setValue(definition, false);
    ContainerCustomizationRequest request;
    request.field = generator.fieldAt(0);
    request.operatingMode = generator.containerDimension() == 1 ? ConfigurationWizardGenerator::Container1DField
                                                                : ConfigurationWizardGenerator::Container2DField;
    request.api = api;
    request.showDelete = !isNew;
    request.error = error;
    const ContainerCustomizationResult result = runContainerCustomizationWizard(request);

    QJsonObject &document = *m_customPrettyPrinters;
    if (result.choice == ContainerCustomizationResult::Finished) {
        const QString scope = result.field.value(Key::scope).toString();
        QJsonObject className{{Key::path, path}, {Key::scope, scope}, {Key::className, typeName}};
        QString key;
        if (scope == QLatin1String("Local")) {
            key = customApiKey(api, path, typeName);
            className.insert(Key::api, api);
        } else {
            key = customKey(path, typeName);
        }
        jsonInsert(definition, Key::fields, QJsonArray{result.field});
        jsonInsert(definition, Key::className, className);
        jsonInsert(definition, Key::enable, true);
        if (!isNew)
            removeCustomDefinition(api, path, typeName);
        document.insert(key, definition);
        if (!saveConfigurationFile(document, Key::customPrettyPrintersDocument))
            reportCustomizationNotSaved();
        parametersChanged();
    } else if (result.choice == ContainerCustomizationResult::Deleted) {
        if (!removeCustomDefinition(api, path, typeName))
            reportCustomizationNotSaved();
        parametersChanged();
    }
}

} // namespace Internal
} // namespace KorvanDebugger
