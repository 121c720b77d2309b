#include "pluginmanager.h"

#include <extensionsystem/iplugin.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>

namespace Host {

namespace {
const char pluginIid[] = "org.qt-project.Qt.QtCreatorPlugin";
} // namespace

PluginManager::PluginManager(QObject *parent)
    : QObject(parent)
{
}

PluginManager::~PluginManager()
{
    shutdown();
}

bool PluginManager::checkMetaData(const QString &fileName, const QJsonObject &metaData, PluginSpec *spec)
{
    if (metaData.value(QLatin1String("IID")).toString() != QLatin1String(pluginIid)) {
        m_errors << tr("%1 is no plug-in of this host (interface \"%2\").")
                        .arg(fileName, metaData.value(QLatin1String("IID")).toString());
        return false;
    }
    const QJsonObject data = metaData.value(QLatin1String("MetaData")).toObject();
    spec->name = data.value(QLatin1String("Name")).toString();
    spec->version = data.value(QLatin1String("Version")).toString();
    spec->compatVersion = data.value(QLatin1String("CompatVersion")).toString();
    if (spec->name.isEmpty() || spec->version.isEmpty()) {
        m_errors << tr("%1: the plug-in metadata has no name or version.").arg(fileName);
        return false;
    }
    for (const QJsonValue &entry : data.value(QLatin1String("Dependencies")).toArray()) {
        const QJsonObject dependency = entry.toObject();
        const QString name = dependency.value(QLatin1String("Name")).toString();
        const QString version = dependency.value(QLatin1String("Version")).toString();
        if (!providedPlugins().contains(name) || version != hostVersion()) {
            m_errors << tr("%1: the plug-in needs %2 %3, which this host does not provide.")
                            .arg(spec->name, name, version);
            return false;
        }
    }
    return true;
}

void PluginManager::loadPlugins(const QString &folder, const QStringList &arguments)
{
    const QDir dir(folder);
    if (!dir.exists()) {
        m_errors << tr("The plug-in folder %1 does not exist.").arg(QDir::toNativeSeparators(folder));
        return;
    }
    QList<PluginSpec> loaded;
    for (const QString &entry : dir.entryList(QDir::Files, QDir::Name)) {
        const QString fileName = dir.absoluteFilePath(entry);
        if (!QLibrary::isLibrary(fileName))
            continue;
        auto loader = new QPluginLoader(fileName, this);
        PluginSpec spec;
        spec.fileName = fileName;
        spec.loader = loader;
        if (!checkMetaData(entry, loader->metaData(), &spec)) {
            delete loader;
            continue;
        }
        QObject *instance = loader->instance();
        spec.plugin = qobject_cast<ExtensionSystem::IPlugin *>(instance);
        if (!spec.plugin) {
            m_errors << tr("%1 could not be loaded: %2")
                            .arg(spec.name, instance ? tr("it is no IDE plug-in") : loader->errorString());
            delete loader;
            continue;
        }
        QString error;
        if (!spec.plugin->initialize(arguments, &error)) {
            m_errors << tr("%1 could not be initialised: %2")
                            .arg(spec.name, error.isEmpty() ? tr("no reason given") : error);
            delete spec.plugin.data();
            continue;
        }
        loaded.append(spec);
    }
    if (loaded.isEmpty() && m_plugins.isEmpty())
        m_errors << tr("No plug-in was loaded from %1.").arg(QDir::toNativeSeparators(dir.absolutePath()));
    for (const PluginSpec &spec : qAsConst(loaded))
        spec.plugin->extensionsInitialized();
    m_plugins += loaded;
}

void PluginManager::delayedInitialize()
{
    for (const PluginSpec &spec : qAsConst(m_plugins))
        if (spec.plugin)
            spec.plugin->delayedInitialize();
    emit delayedInitializeDone();
}

void PluginManager::shutdown()
{
    // Shut down in reverse load order, then delete.
    for (int i = m_plugins.size() - 1; i >= 0; --i)
        if (m_plugins.at(i).plugin)
            m_plugins.at(i).plugin->aboutToShutdown();
    for (int i = m_plugins.size() - 1; i >= 0; --i)
        delete m_plugins.at(i).plugin.data();
    m_plugins.clear();
}

QList<QObject *> PluginManager::allObjects() const
{
    QList<QObject *> objects;
    for (const PluginSpec &spec : m_plugins)
        if (spec.plugin)
            objects += spec.plugin->autoReleasedObjects();
    return objects;
}

} // namespace Host
