#include "qtkitinformation.h"
#include "qtversionmanager.h"

#include <projectexplorer/kit.h>

#include <memory>
#include <vector>

namespace QtSupport {

namespace {

struct Registry
{
    std::vector<std::unique_ptr<BaseQtVersion>> versions;
    int nextId = 1;
    BaseQtVersion *system = nullptr;
};

Registry &registry()
{
    static Registry r;
    return r;
}

} // namespace

BaseQtVersion::BaseQtVersion(const QString &displayName, const Utils::FilePath &headerPath)
    : m_displayName(displayName), m_headerPath(headerPath)
{
}

void QtVersionManager::addVersion(BaseQtVersion *version)
{
    version->m_id = registry().nextId++;
    registry().versions.emplace_back(version);
}

void QtVersionManager::removeVersion(BaseQtVersion *version)
{
    auto &versions = registry().versions;
    if (registry().system == version)
        registry().system = nullptr;
    for (auto it = versions.begin(); it != versions.end(); ++it) {
        if (it->get() == version) {
            versions.erase(it);
            return;
        }
    }
}

BaseQtVersion *QtVersionManager::version(int id)
{
    for (const auto &v : registry().versions) {
        if (v->uniqueId() == id)
            return v.get();
    }
    return nullptr;
}

QList<BaseQtVersion *> QtVersionManager::versions()
{
    QList<BaseQtVersion *> result;
    for (const auto &v : registry().versions)
        result.append(v.get());
    return result;
}

BaseQtVersion *QtVersionManager::systemVersion()
{
    if (!registry().system) {
        registry().system = new BaseQtVersion(QStringLiteral("Qt %1 (System)").arg(QLatin1String(QT_VERSION_STR)),
                                              Utils::FilePath::fromString(QStringLiteral(KORVAN_SYSTEM_QT_HEADERS)));
        addVersion(registry().system);
    }
    return registry().system;
}

int QtKitInformation::qtVersionId(const ProjectExplorer::Kit *kit)
{
    bool ok = false;
    const int id = kit ? kit->value(QtKitInformation::id(), -1).toInt(&ok) : -1;
    return ok ? id : -1;
}

BaseQtVersion *QtKitInformation::qtVersion(const ProjectExplorer::Kit *kit)
{
    return QtVersionManager::version(qtVersionId(kit));
}

void QtKitInformation::setQtVersion(ProjectExplorer::Kit *kit, const BaseQtVersion *version)
{
    if (version)
        kit->setValue(QtKitInformation::id(), version->uniqueId());
    else
        kit->removeKey(QtKitInformation::id());
}

} // namespace QtSupport
