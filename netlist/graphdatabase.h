#pragma once

#include "graphengine/model/module.h"

#include <QExplicitlySharedDataPointer>
#include <QMap>
#include <QSharedData>
#include <QSharedPointer>

namespace UndoFramework {

// A module registry (module name -> module) shared by handle: the data base
// entry it is filed under is one holder, every window showing one of its
// modules must be another. The registry and its modules are deleted with the
// last holder, so emptying an entry never frees a module still on screen.
// A closing window lets go of its viewer before its registry handle.
using ModuleRegistry = QSharedPointer<GraphEngine::ModuleMap>;
ModuleRegistry newModuleRegistry();

// The modules built from inspected values, filed by the address of the
// inspected module object (myDBKey, 0 meaning unset). Copies of a handle
// refer to the same data base; only clearAllDB copies one, so that windows
// already open keep theirs while windows opened later start empty.
class GraphDataBase
{
public:
    // The key of the window that shows the stack path rather than a value.
    static constexpr quint64 stackPathKey = 0xFFFFFFFFu;

    // A new, empty data base.
    GraphDataBase();

    // The program-wide data base that new graph windows take a handle on.
    static GraphDataBase &current();

    bool contains(quint64 key) const;
    // The registry of the key, an empty one filed first when missing.
    ModuleRegistry registry(quint64 key);
    // The registry of the key; null when missing. Files nothing.
    ModuleRegistry findRegistry(quint64 key) const { return d->entries.value(key); }
    int entryCount() const;
    bool isSameDataBase(const GraphDataBase &other) const { return d == other.d; }

    // Empties the key's entry (it stays present). Its registry goes with its
    // last holder.
    void clearLocalDB(quint64 key);
    // Empties the current data base; handles taken on it earlier keep their
    // entries.
    static void clearAllDB();

private:
    struct Data : QSharedData
    {
        QMap<quint64, ModuleRegistry> entries;
    };
    QExplicitlySharedDataPointer<Data> d;
};

} // namespace UndoFramework
