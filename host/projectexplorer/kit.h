#pragma once

// Stand-ins for the IDE's kits: a named set of tool settings (Qt version,
// compiler, ...) stored as values by key, and the manager that holds them
// and knows the default one.

#include <coreplugin/id.h>

#include <QMap>
#include <QObject>
#include <QVariant>

#include <memory>
#include <vector>

namespace ProjectExplorer {

class Kit
{
public:
    explicit Kit(Core::Id id = Core::Id());

    Core::Id id() const { return m_id; }
    QString displayName() const { return m_displayName; }
    void setDisplayName(const QString &name) { m_displayName = name; }

    bool hasValue(Core::Id key) const { return m_values.contains(key.name()); }
    QVariant value(Core::Id key, const QVariant &unset = QVariant()) const { return m_values.value(key.name(), unset); }
    void setValue(Core::Id key, const QVariant &value) { m_values.insert(key.name(), value); }
    void removeKey(Core::Id key) { m_values.remove(key.name()); }

private:
    Core::Id m_id;
    QString m_displayName;
    QMap<QByteArray, QVariant> m_values;
};

class KitManager : public QObject
{
    Q_OBJECT
public:
    static KitManager *instance();

    static QList<Kit *> kits();
    // Takes ownership; the first registered kit becomes the default one.
    static Kit *registerKit(std::unique_ptr<Kit> kit);
    static void deregisterKit(Kit *kit);
    static Kit *defaultKit();
    static void setDefaultKit(Kit *kit);

    // Detects the kit of this machine: "Desktop" with the system's Qt
    // version, registered as default when there is no kit yet.
    static void restoreKits();

signals:
    void defaultkitChanged();

private:
    KitManager() = default;
    std::vector<std::unique_ptr<Kit>> m_kits;
    Kit *m_defaultKit = nullptr;
};

} // namespace ProjectExplorer
