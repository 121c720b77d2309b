#include "graphdatabase.h"

#include "graphengine/globals.h"
#include "graphengine/logging.h"

namespace UndoFramework {

namespace {

void checkKey(quint64 key)
{
    if (key == 0)
        GraphEngine::logCritical(
            QStringLiteral("Programmation Error: Field myDBKey shall never be null when calling this API."));
}

} // namespace

ModuleRegistry newModuleRegistry()
{
    return ModuleRegistry(new GraphEngine::ModuleMap, GraphEngine::freeModuleMap);
}

GraphDataBase::GraphDataBase()
    : d(new Data)
{
}

GraphDataBase &GraphDataBase::current()
{
    static GraphDataBase handle;
    return handle;
}

bool GraphDataBase::contains(quint64 key) const
{
    return d->entries.contains(key);
}

ModuleRegistry GraphDataBase::registry(quint64 key)
{
    checkKey(key);
    auto it = d->entries.find(key);
    if (it == d->entries.end())
        it = d->entries.insert(key, newModuleRegistry());
    return it.value();
}

int GraphDataBase::entryCount() const
{
    return d->entries.size();
}

void GraphDataBase::clearLocalDB(quint64 key)
{
    if (GraphEngine::verboseTrace)
        GraphEngine::logWarning(QStringLiteral("Clear local DB..."));
    checkKey(key);
    // Non-const access gives this map its own copy when another data base
    // shares it, so the other keeps its entry.
    d->entries[key] = newModuleRegistry();
}

void GraphDataBase::clearAllDB()
{
    if (GraphEngine::verboseTrace)
        GraphEngine::logWarning(QStringLiteral("Clear all DB..."));
    GraphDataBase &handle = current();
    // Windows holding the data base keep it; the copy shares their map.
    handle.d.detach();
    handle.d->entries = QMap<quint64, ModuleRegistry>();
}

} // namespace UndoFramework
