// Building a netlist module from the records of a graph state.
#include "graphrecords.h"

#include "graphengine/globals.h"
#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"

#include <QObject>

namespace UndoFramework {

using GraphEngine::BaseEnum;
using GraphEngine::Edge;
using GraphEngine::Gate;
using GraphEngine::Module;
using GraphEngine::Name;
using GraphEngine::PortAttributes;

namespace {

QBrush solid(Qt::GlobalColor color)
{
    return QBrush(color, Qt::SolidPattern);
}

bool isConstantKind(int kind)
{
    return kind >= BaseEnum::VCC && kind <= BaseEnum::Z;
}

bool isModulePortKind(int kind)
{
    return kind >= BaseEnum::INPUTPORT && kind <= BaseEnum::INOUTPORT;
}

// Kinds drawn as an instance of their definition module when they have one.
bool isLayoutHelperKind(int kind)
{
    return kind == BaseEnum::COLPASSTHROUGH || kind == BaseEnum::OPENINPUT
        || kind == BaseEnum::LOOPBACKOPENINPUT || kind == BaseEnum::LOOPBACKOPENOUTPUT;
}

// Port attributes in record order: outputs form sort group 0, every other
// direction group 2, each group counting its own positions.
class PortPlacer
{
public:
    PortAttributes next(int direction)
    {
        const int group = direction == BaseEnum::Output ? 0 : 2;
        return PortAttributes::make(direction, group, m_next[group == 0 ? 0 : 1]++, 0, false, 0);
    }

private:
    int m_next[2] = {0, 0};
};

Gate *constantDriver(int kind, const QString &name)
{
    const QBrush fill = solid(Qt::darkCyan);
    switch (kind) {
    case BaseEnum::VCC: return new GraphEngine::Vcc(name, fill);
    case BaseEnum::GND: return new GraphEngine::Gnd(name, fill);
    case BaseEnum::X: return new GraphEngine::X(name, fill);
    default: return new GraphEngine::Z(name, fill);
    }
}

QString portListing(const Gate *gate, bool inputSide)
{
    return gate->portsPlainText(inputSide, true, -1);
}

} // namespace

bool registerOrReplaceInstance(Module *module, Gate *gate)
{
    if (module->registerInstance(gate, false))
        return true;
    Gate *holder = module->gates->map.value(gate->name);
    if (holder && holder != gate)
        delete holder;
    if (module->registerInstance(gate, true))
        return true;
    delete gate;
    return false;
}

Module *GraphUndoState::findOrCreateModule(bool rebuild)
{
    const ModuleRegistry registry = graphDataBase.registry(myDBKey);
    bool created = false;
    Module *module = Module::findOrCreateModule(*registry, moduleName, &created);
    if (!module)
        return nullptr;
    if (!created) {
        if (!rebuild)
            return module;
        module->forEachIndex();
    }
    PortPlacer placer;
    for (const Port &port : qAsConst(ports)) {
        if (port.direction == BaseEnum::NoDirection)
            continue;
        module->findOrCreatePortGate(port.name, port.connection.isEmpty() ? port.name : port.connection,
                                     placer.next(port.direction), true);
        // The port-gate index keys its gates as findOrCreatePortGate does.
        if (Gate *portGate = module->portGates->map.value(Name(port.name, false, true)))
            portGate->setProperty(port.properties);
    }
    return module;
}

Module *GraphUndoState::findOrCreateDefinitionModule(const Instance &instance, bool refreshPorts)
{
    const ModuleRegistry registry = graphDataBase.registry(myDBKey);
    bool created = false;
    Module *module = Module::findOrCreateModule(*registry, instance.definition, &created);
    if (!module || !(created || refreshPorts))
        return module;
    PortPlacer placer;
    for (const InstanceTerminal &terminal : instance.terminals)
        module->findOrCreatePortGate(terminal.portName, terminal.portName, placer.next(terminal.direction), false);
    return module;
}

void GraphUndoState::prepareDefinitionModules()
{
    for (const Instance &instance : qAsConst(instances)) {
        if (instance.gateKind == BaseEnum::GENERIC)
            findOrCreateDefinitionModule(instance, true);
    }
}

Gate *GraphUndoState::createGate(Module *module, const Instance &instance)
{
    const int kind = instance.gateKind;
    const bool ofDefinition =
            kind == BaseEnum::GENERIC || (isLayoutHelperKind(kind) && !instance.definition.isEmpty());
    if (ofDefinition) {
        Module *definitionModule = findOrCreateDefinitionModule(instance, kind != BaseEnum::GENERIC);
        if (!definitionModule)
            return nullptr;
        return new Gate(Name(instance.name), definitionModule, module, QString());
    }
    Gate *gate = nullptr;
    if (isLayoutHelperKind(kind))
        gate = new Gate(kind, instance.name, solid(Qt::darkCyan));
    else if (kind == BaseEnum::FLOP)
        gate = new Gate(instance.roleFlags, solid(Qt::darkGreen));
    else
        gate = new Gate(kind, 2, solid(Qt::darkCyan));
    gate->nameInstance(Name(instance.name));
    gate->typeName = GraphEngine::gateKindToString(kind);
    return gate;
}

void GraphUndoState::buildConstantDriver(Module *module, const Instance &instance)
{
    const QString netName = instance.terminals.isEmpty() ? QString() : instance.terminals.first().netName;
    Gate *gate = constantDriver(instance.gateKind, instance.name.isEmpty() ? netName : instance.name);
    // A driver that could not be registered is gone: it must not be left on a
    // net where no index reaches it.
    if (!registerOrReplaceInstance(module, gate))
        return;
    if (gate->module != module) {
        delete gate;
        return;
    }
    Edge *net = module->edges->findOrCreate(Name(netName));
    GraphEngine::GatePort *output = gate->portAt(0, 0);
    if (net && output)
        net->connectPort(output, false);
}

Module *GraphUndoState::buildModule(QString &errorText)
{
    errorText.clear();
    Module *module = findOrCreateModule(true);
    if (!module) {
        errorText = QObject::tr("Can't build a graph without a module name.");
        return nullptr;
    }
    prepareDefinitionModules();
    GraphEngine::resetPenCycle();

    for (const Instance &instance : qAsConst(instances)) {
        const int kind = instance.gateKind;
        if (kind == BaseEnum::NoKind || isModulePortKind(kind))
            continue;
        if (isConstantKind(kind)) {
            buildConstantDriver(module, instance);
            continue;
        }
        Gate *gate = createGate(module, instance);
        if (!gate || !registerOrReplaceInstance(module, gate))
            continue;
        if (gate->module != module) {
            delete gate;
            continue;
        }
        gate->setProperty(instance.properties);

        for (const InstanceTerminal &terminal : instance.terminals) {
            if (terminal.pinName != terminal.portName && !gate->renamePort(terminal.pinName, terminal.portName)) {
                errorText = QObject::tr("Invalid configuration detected while matching instance '%1'. "
                                        "Attempt to match port '%2' to internal name '%3'.\n"
                                        "The internal name is not valid.\nThe ports are: \n%4\n%5")
                                    .arg(instance.name, terminal.portName, terminal.pinName,
                                         portListing(gate, true), portListing(gate, false));
                return nullptr;
            }
            // Nothing connected: the port stays open.
            if (terminal.netName.isEmpty())
                continue;
            // Connecting looks the net up only, so it is made first.
            Edge *net = module->edges->findOrCreate(Name(terminal.netName));
            if (!net || !gate->connectGate(terminal.portName, terminal.netName, false)) {
                errorText = QObject::tr("Can't draw graph.\n Instance '%1' is corrupted.\n"
                                        "The port Name '%2' is not valid.\nThe ports are: \n%3\n%4")
                                    .arg(instance.name, terminal.portName, portListing(gate, true),
                                         portListing(gate, false));
                return nullptr;
            }
            net->setProperty(terminal.netProperties);
        }
        if (kind == BaseEnum::FLOP)
            gate->buildFlopShape();
    }
    return module;
}

} // namespace UndoFramework
