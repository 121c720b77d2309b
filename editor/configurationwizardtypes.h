#pragma once

// What every opener of the configuration wizard passes to it and gets back,
// apart from the wizard itself, so that the lists, the options page and the
// plug-in can name them. The wizard derives from this type, so the names
// read ConfigurationWizard::FieldDefinition and the like.

#include "configuration/configurationwizardgenerator.h"

namespace KorvanDebugger {
namespace Configuration {

struct ConfigurationWizardTypes
{
    // The kind of definition a wizard edits; the first three are also the
    // ids of their start pages.
    enum OperatingMode {
        FieldDefinition = ConfigurationWizardGenerator::FieldDefinition,
        ClassDefinition = ConfigurationWizardGenerator::ClassDefinition,
        Container1DCustomization = ConfigurationWizardGenerator::Container1DField,
        Container2DCustomization = ConfigurationWizardGenerator::Container2DField,
    };

    // The wizard's result once its modal run ends (closing is Cancelled).
    enum Result {
        Cancelled = 0,
        Finished = 1,
        Deleted = 2,
    };

    static_assert(FieldDefinition == 9 && ClassDefinition == 14 && Container1DCustomization == 15
                      && Container2DCustomization == 16,
                  "openers and stored wizards agree on these numbers");
};

} // namespace Configuration
} // namespace KorvanDebugger
