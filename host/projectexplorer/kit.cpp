#include "kit.h"

#include <qtsupport/qtkitinformation.h>
#include <qtsupport/qtversionmanager.h>

namespace ProjectExplorer {

Kit::Kit(Core::Id id)
    : m_id(id)
{
}

KitManager *KitManager::instance()
{
    static KitManager manager;
    return &manager;
}

QList<Kit *> KitManager::kits()
{
    QList<Kit *> result;
    for (const auto &kit : instance()->m_kits)
        result.append(kit.get());
    return result;
}

Kit *KitManager::registerKit(std::unique_ptr<Kit> kit)
{
    KitManager *manager = instance();
    Kit *registered = kit.get();
    manager->m_kits.push_back(std::move(kit));
    if (!manager->m_defaultKit)
        setDefaultKit(registered);
    return registered;
}

void KitManager::deregisterKit(Kit *kit)
{
    KitManager *manager = instance();
    if (manager->m_defaultKit == kit)
        setDefaultKit(nullptr);
    for (auto it = manager->m_kits.begin(); it != manager->m_kits.end(); ++it) {
        if (it->get() == kit) {
            manager->m_kits.erase(it);
            break;
        }
    }
}

Kit *KitManager::defaultKit()
{
    return instance()->m_defaultKit;
}

void KitManager::setDefaultKit(Kit *kit)
{
    if (instance()->m_defaultKit == kit)
        return;
    instance()->m_defaultKit = kit;
    emit instance()->defaultkitChanged();
}

void KitManager::restoreKits()
{
    if (!instance()->m_kits.empty())
        return;
    auto kit = std::make_unique<Kit>(Core::Id("Desktop"));
    kit->setDisplayName(tr("Desktop"));
    if (QtSupport::BaseQtVersion *qt = QtSupport::QtVersionManager::systemVersion())
        QtSupport::QtKitInformation::setQtVersion(kit.get(), qt);
    registerKit(std::move(kit));
}

} // namespace ProjectExplorer
