#include "pluginmanager.h"

#include <QPointer>

namespace ExtensionSystem {

namespace {
QList<QPointer<QObject>> &pool()
{
    static QList<QPointer<QObject>> objects;
    return objects;
}
} // namespace

void PluginManager::addObject(QObject *object)
{
    if (object && !allObjects().contains(object))
        pool().append(object);
}

void PluginManager::removeObject(QObject *object)
{
    pool().removeAll(object);
}

QList<QObject *> PluginManager::allObjects()
{
    QList<QObject *> objects;
    for (const QPointer<QObject> &object : qAsConst(pool()))
        if (object)
            objects.append(object);
    return objects;
}

} // namespace ExtensionSystem
