#pragma once

// The host's plug-in manager: finds plug-in libraries in a folder, checks
// their metadata against the plug-ins the host provides, loads them with
// QPluginLoader and drives their start-up and shutdown calls.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

QT_BEGIN_NAMESPACE
class QPluginLoader;
QT_END_NAMESPACE

namespace ExtensionSystem { class IPlugin; }

namespace Host {

struct PluginSpec
{
    QString fileName;
    QString name;
    QString version;
    QString compatVersion;
    QPluginLoader *loader = nullptr;
    QPointer<ExtensionSystem::IPlugin> plugin;
};

class PluginManager : public QObject
{
    Q_OBJECT
public:
    explicit PluginManager(QObject *parent = nullptr);
    ~PluginManager() override;

    // The plug-ins of the host itself, which plug-ins may depend on.
    static QString hostVersion() { return QStringLiteral("3.6.1"); }
    static QStringList providedPlugins() { return {QStringLiteral("Debugger"), QStringLiteral("PythonEditor")}; }

    // Loads every plug-in library of the folder and calls initialize() and
    // extensionsInitialized(); a plug-in that fails is left out with an
    // entry in errors().
    void loadPlugins(const QString &folder, const QStringList &arguments = {});
    // The delayed start-up call, made once the main window exists.
    void delayedInitialize();
    // aboutToShutdown() on every plug-in, then the plug-ins are deleted.
    void shutdown();

    QList<PluginSpec> plugins() const { return m_plugins; }
    QStringList errors() const { return m_errors; }
    // Every object the plug-ins handed over (options pages and the like).
    QList<QObject *> allObjects() const;

signals:
    void delayedInitializeDone();

private:
    bool checkMetaData(const QString &fileName, const QJsonObject &metaData, PluginSpec *spec);

    QList<PluginSpec> m_plugins;
    QStringList m_errors;
};

} // namespace Host
