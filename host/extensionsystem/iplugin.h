#pragma once

// Stand-in for the IDE's plug-in base class: the life-cycle calls the IDE
// makes on a plug-in, and the objects it takes over.

#include "pluginmanager.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

namespace ExtensionSystem {

class IPlugin : public QObject
{
    Q_OBJECT
public:
    enum ShutdownFlag { SynchronousShutdown, AsynchronousShutdown };

    IPlugin() = default;
    ~IPlugin() override
    {
        // Released last-in first-out, as the IDE does at shutdown.
        for (int i = m_autoReleased.size() - 1; i >= 0; --i) {
            PluginManager::removeObject(m_autoReleased.at(i).data());
            delete m_autoReleased.at(i).data();
        }
    }

    virtual bool initialize(const QStringList &arguments, QString *errorString) = 0;
    virtual void extensionsInitialized() = 0;
    virtual bool delayedInitialize() { return false; }
    virtual ShutdownFlag aboutToShutdown() { return SynchronousShutdown; }

    // The IDE takes ownership of the object, offers it in its object pool
    // and deletes it at shutdown.
    void addAutoReleasedObject(QObject *object)
    {
        m_autoReleased.append(object);
        PluginManager::addObject(object);
    }
    QList<QObject *> autoReleasedObjects() const
    {
        QList<QObject *> objects;
        for (const QPointer<QObject> &o : m_autoReleased)
            if (o)
                objects.append(o);
        return objects;
    }

signals:
    void asynchronousShutdownFinished();

private:
    QList<QPointer<QObject>> m_autoReleased;
};

} // namespace ExtensionSystem
