#include "module.h"

#include "edge.h"
#include "gate.h"
#include "gateport.h"
#include "gates.h"
#include "graphengine/layout/marktable.h"
#include "graphengine/logging.h"
#include "name.h"

#include <QBrush>
#include <QMutexLocker>

namespace GraphEngine {

namespace {

// The program-wide registry; what is left in it goes at exit.
struct ProgramRegistry
{
    QRecursiveMutex mutex;
    ModuleMap modules;
    ~ProgramRegistry() { deleteModules(modules); }
};

ProgramRegistry &programRegistry()
{
    static ProgramRegistry registry;
    return registry;
}

} // namespace

Module::Module(const QString &name, ModuleMap *registry)
    : gates(new Gates(this, true))
    , edges(new Edges(this))
    , portGates(new Gates(this, false))
    , name(name)
    , registry(registry)
{
    markTable = new MarkTable;
}

Module::~Module()
{
    // Nets first: they let go of the ports, so that the gates, deleted next,
    // find no net to leave. The port-gate index only refers to gates.
    delete edges;
    edges = nullptr;
    delete gates;
    gates = nullptr;
    delete portGates;
    portGates = nullptr;
    delete markTable;
    markTable = nullptr;
}

Module *Module::findOrCreateModule(ModuleMap &registry, const QString &name, bool *created)
{
    if (created)
        *created = false;
    if (name.isEmpty())
        return nullptr;
    if (Module *module = registry.value(name))
        return module;
    if (created)
        *created = true;
    Module *module = new Module(name, &registry);
    registry.insert(name, module);
    return module;
}

bool Module::registerInstance(Gate *gate, bool reportClash)
{
    if (!gate)
        return true;
    QMutexLocker locker(&mutex);
    if (gate->module && gate->module != this) {
        logWarning(tr("Can't change parent module of %1 from %2 to %3: ")
                       .arg(gate->name.toString(true), gate->module->name, name));
        return false;
    }
    gate->module = this;
    if (gate->kind == COLPASSTHROUGH) {
        // Pass-throughs share the name of the net they sit on: listed only.
        gates->appendToList(gate);
        return true;
    }
    gates->lastInList = 0;
    if (gate->name.isNull() || gate->name.text().isEmpty()) {
        logWarning(tr("Can't register an un-named instance: Programming Error. Please name instance "
                      "before adding to module"));
        gate->module = nullptr;
        return false;
    }
    Gate *holder = gates->map.value(gate->name);
    if (holder == gate)
        return true;
    if (holder) {
        if (reportClash)
            logWarning(tr("Can't register instance: %1 (Name already used)").arg(gate->name.toString(true)));
        gate->module = nullptr;
        return false;
    }
    gates->map.insert(gate->name, gate);
    return true;
}

bool Module::registerGeneratedGate(Gate *gate)
{
    if (!gate)
        return false;
    if (registerInstance(gate, false))
        return true;
    // The name is taken (two nets share a name): a marked copy is unique.
    gate->name = Name::detachedCopy(gate->name);
    if (registerInstance(gate, true))
        return true;
    delete gate;
    return false;
}

void Module::unregisterGate(Gate *gate)
{
    if (!gate || gate->module != this)
        return;
    QMutexLocker locker(&mutex);
    if (removedGates)
        removedGates->insert(gate);
    if (gates) {
        if (gate->kind == COLPASSTHROUGH) {
            gates->lastInList = 1;
        } else {
            gates->lastInList = 0;
            gates->removeFromMap(gate->name, gate);
        }
        gates->removeFromList(gate);
    }
    // No index keeps a gate that is going away.
    if (portGates) {
        portGates->removeFromMap(gate->name, gate);
        portGates->removeFromList(gate);
    }
    gate->module = nullptr;
}

bool Module::registerEdge(Edge *net)
{
    if (!net || net->module != this || !edges)
        return false;
    QMutexLocker locker(&mutex);
    edges->numbersChanged();
    if (net->name.flags() & Name::Marked) {
        edges->lastInList = 1;
        edges->listNet(net);
        return true;
    }
    edges->lastInList = 0;
    Edge *holder = edges->map.value(net->name);
    if (!holder) {
        edges->map.insert(net->name, net);
        return true;
    }
    if (holder == net)
        return true;
    edges->listNet(net);
    return false;
}

void Module::unregisterEdge(Edge *net)
{
    if (!net || net->module != this || !edges)
        return;
    QMutexLocker locker(&mutex);
    edges->lastInList = (net->name.flags() & Name::Marked) ? 1 : 0;
    edges->unlist(net);
}

Edge *Module::findOrCreatePortGate(const QString &portName, const QString &netName,
                                   PortAttributes attributes, bool reportClash)
{
    QMutexLocker locker(&mutex);
    // One key for lookup, creation and registration: the parsed port name
    // without its hash, as the Verilog writer orders port names.
    const Name key(portName, false, true);
    Gate *gate = portGates->map.value(key);
    if (!gate) {
        for (Gate *listed : portGates->list()) {
            if (listed && !(listed->name < key) && !(key < listed->name)) {
                gate = listed;
                break;
            }
        }
    }
    if (gate) {
        const GatePort *port = gate->findPortByName(portName);
        return port ? port->net : nullptr;
    }
    if (attributes.direction() == NoDirection) {
        logCritical(tr("Invalid call. Port type is not well defined"));
        return nullptr;
    }
    gate = new Gate(attributes, key, QBrush(Qt::darkCyan, Qt::SolidPattern));
    if (!registerInstance(gate, reportClash)) {
        delete gate;
        return nullptr;
    }
    if (portGates->lastInList == 0)
        portGates->map.insert(key, gate);
    else
        portGates->appendToList(gate);
    if (netName.isEmpty())
        return nullptr;
    Edge *net = edges->findOrCreate(Name(netName), false);
    if (GatePort *port = gate->findPortByName(portName); port && net)
        net->connectPort(port, false);
    return net;
}

void Module::createPortGates(Gate *instance)
{
    if (!instance || !portGates->isEmpty())
        return;
    int nextPosition[8] = {};
    for (const GatePort *port : instance->ports.list()) {
        if (!port)
            continue;
        const int direction = port->attributes.portDirection();
        const int group = direction == Output ? 0 : 2;
        const PortAttributes attributes =
            PortAttributes::make(direction, group, nextPosition[group]++, 0, false, 0);
        findOrCreatePortGate(port->name, QString(), attributes, false);
    }
}

void Module::forEachIndex()
{
    QMutexLocker locker(&mutex);
    edges->clear();
    gates->clear();
    portGates->clear();
}

void Module::purge()
{
    QMutexLocker locker(&mutex);
    gates->purge();
    edges->purge();
}

int Module::gateCount() const
{
    return gates->count() - portGates->count();
}

int Module::countGatesWithProperty() const
{
    int count = 0;
    for (const Gate *gate : gates->elements()) {
        if (!gate)
            continue;
        if (gate->isCluster())
            count += gate->nativeNameCount();
        else if (!gate->isModulePort())
            ++count;
    }
    return count;
}

void Module::removeGateProperty(const QString &key)
{
    QMutexLocker locker(&mutex);
    for (Gate *gate : gates->elements()) {
        if (gate)
            gate->properties.remove(key);
    }
}

GatePort *Module::firstDriverOfNet(const GatePort *port) const
{
    if (!port || !edges)
        return nullptr;
    const Edge *net = edges->find(Name(port->name));
    return net ? net->drivers.first() : nullptr;
}

PortRange Module::loadsOfNet(const GatePort *port) const
{
    const Edge *net = port && edges ? edges->find(Name(port->name)) : nullptr;
    return net ? net->loads.list() : PortRange(nullptr, nullptr);
}

void deleteModules(ModuleMap &registry)
{
    const ModuleMap modules = registry;
    registry = ModuleMap();
    for (Module *module : modules)
        delete module;
}

void freeModuleMap(ModuleMap *registry)
{
    if (!registry)
        return;
    deleteModules(*registry);
    delete registry;
}

QRecursiveMutex &moduleRegistryMutex()
{
    return programRegistry().mutex;
}

ModuleMap &moduleRegistry()
{
    return programRegistry().modules;
}

void releaseModuleRegistry()
{
    QMutexLocker locker(&moduleRegistryMutex());
    deleteModules(moduleRegistry());
}

} // namespace GraphEngine
