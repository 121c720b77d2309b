#include "containercustomizationwizard.h"

#include "configuration/keys.h"

#if __has_include("editor/configurationwizard.h")
#include "editor/configurationwizard.h"
#define KORVAN_HAS_CONFIGURATION_WIZARD 1
#endif

#include <coreplugin/icore.h>
#include <dialogs/dialogs.h>

#include <QCoreApplication>

namespace KorvanDebugger {
namespace Internal {

namespace {
ContainerCustomizationRunner &installedRunner()
{
    static ContainerCustomizationRunner runner;
    return runner;
}

ContainerCustomizationResult runModalWizard(const ContainerCustomizationRequest &request)
{
    ContainerCustomizationResult result;
#ifdef KORVAN_HAS_CONFIGURATION_WIZARD
    using Configuration::ConfigurationWizard;
    ConfigurationWizard wizard(Configuration::Key::tmp,
                               ConfigurationWizard::OperatingMode(request.operatingMode), nullptr);
    wizard.setValue(request.field, false);
    wizard.customizationHelp(request.api);
    wizard.showDeleteButton(request.showDelete);
    wizard.showError(request.error);
    result.choice = Host::execDialog(&wizard);
    if (result.choice == ContainerCustomizationResult::Finished)
        result.field = wizard.value().toObject();
#else
    // Built without the model wizard: the user is told, nothing is stored.
    Host::information(Core::ICore::mainWindow(),
                      QCoreApplication::translate("KorvanDebugger::Internal::KorvanDebuggerPlugin",
                                                  "Korvan: Customized container"),
                      QCoreApplication::translate("KorvanDebugger::Internal::KorvanDebuggerPlugin",
                                                  "The model wizard is not part of this build."));
#endif
    return result;
}
} // namespace

ContainerCustomizationResult runContainerCustomizationWizard(const ContainerCustomizationRequest &request)
{
    if (installedRunner())
        return installedRunner()(request);
    return runModalWizard(request);
}

void setContainerCustomizationRunner(const ContainerCustomizationRunner &runner)
{
    installedRunner() = runner;
}

} // namespace Internal
} // namespace KorvanDebugger
