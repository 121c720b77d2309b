#pragma once

// The Qt version setting of a kit, stored as the version's unique id.

#include <coreplugin/id.h>

namespace ProjectExplorer {
class Kit;
}

namespace QtSupport {

class BaseQtVersion;

class QtKitInformation
{
public:
    static Core::Id id() { return Core::Id("QtSupport.QtInformation"); }
    static int qtVersionId(const ProjectExplorer::Kit *kit);
    // Null when the kit has no Qt version or names one that is gone.
    static BaseQtVersion *qtVersion(const ProjectExplorer::Kit *kit);
    static void setQtVersion(ProjectExplorer::Kit *kit, const BaseQtVersion *version);
};

} // namespace QtSupport
