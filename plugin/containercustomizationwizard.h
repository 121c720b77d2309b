#pragma once

// The one place where the plug-in runs the model wizard on the field of a
// watched container: what it opens it on, and what the user chose. Tests
// install a scripted runner instead of the modal wizard.

#include "configuration/pythonerror.h"

#include <QJsonObject>
#include <QString>

#include <functional>

namespace KorvanDebugger {
namespace Internal {

struct ContainerCustomizationRequest
{
    QJsonObject field;        // the container's field definition
    int operatingMode = 15;   // 15 one-dimensional, 16 two-dimensional
    QString api;              // the function that a "Local" scope names
    bool showDelete = false;  // an existing customization can be deleted
    Configuration::PythonError *error = nullptr; // shown by the wizard when set
};

struct ContainerCustomizationResult
{
    enum Choice { Cancelled = 0, Finished = 1, Deleted = 2 };
    int choice = Cancelled;
    QJsonObject field; // the edited field, with its "scope", when finished
};

using ContainerCustomizationRunner
    = std::function<ContainerCustomizationResult(const ContainerCustomizationRequest &request)>;

ContainerCustomizationResult runContainerCustomizationWizard(const ContainerCustomizationRequest &request);
// Replaces the modal wizard (null restores it).
void setContainerCustomizationRunner(const ContainerCustomizationRunner &runner);

} // namespace Internal
} // namespace KorvanDebugger
