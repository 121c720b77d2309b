#pragma once

// Stand-in for the IDE's object pool: the objects that plug-ins hand over to
// the IDE (options pages and the like), whichever way the plug-in was
// loaded. The IDE's dialogs look their pages up here.

#include <QList>
#include <QObject>

namespace ExtensionSystem {

class PluginManager
{
public:
    static void addObject(QObject *object);
    static void removeObject(QObject *object);
    // In the order they were added; deleted objects are left out.
    static QList<QObject *> allObjects();

    template <typename T>
    static QList<T *> getObjects()
    {
        QList<T *> result;
        for (QObject *object : allObjects())
            if (T *typed = qobject_cast<T *>(object))
                result.append(typed);
        return result;
    }
};

} // namespace ExtensionSystem
