// The gate members that nets, ports and modules rely on: default ports of the
// port, constant and generated kinds, naming, port lookup, disconnection and
// the consistency check.
#include "gate.h"

#include "edge.h"
#include "gateport.h"
#include "gates.h"
#include "graphengine/logging.h"
#include "module.h"

#include <QCoreApplication>
#include <QMutexLocker>

#include <algorithm>

namespace GraphEngine {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("GraphEngine::Gate", text);
}

// The port at (group, position) by a plain walk: usable on a set that is not
// sorted (a gate under construction or destruction).
GatePort *findPort(const PortSet &ports, int sortGroup, int position)
{
    for (GatePort *port : ports.ports) {
        if (port && port->attributes.sortGroup() == sortGroup
            && port->attributes.position16() == position)
            return port;
    }
    return nullptr;
}

GatePort *firstDriverOf(const Gate *gate, QList<const Gate *> &visiting)
{
    // A chain of pass-throughs that leads back to itself ends the walk.
    if (visiting.contains(gate))
        return nullptr;
    visiting.append(gate);
    for (auto it = gate->ports.constBegin(3); it != gate->ports.constBegin(0); ++it) {
        const GatePort *input = *it;
        if (!input || !input->net)
            continue;
        for (GatePort *driver : input->net->drivers.ports) {
            if (!driver)
                continue;
            if (!driver->owner || driver->owner->kind != BaseEnum::COLPASSTHROUGH)
                return driver;
            if (GatePort *found = firstDriverOf(driver->owner, visiting))
                return found;
        }
    }
    return nullptr;
}

} // namespace

Gate::Gate(int kind, const QString &text, const QBrush &fill)
    : kind(kind)
    , fill(fill)
{
    nameInstance(Name(text));
    initDefaultPorts(kind, text);
}

Gate::Gate(PortAttributes attributes, const Name &gateName, const QBrush &fill)
    : portAttributes(attributes)
{
    switch (attributes.direction()) {
    case Input:
        kind = INPUTPORT;
        break;
    case Output:
        kind = OUTPUTPORT;
        break;
    case InOut:
        kind = INOUTPORT;
        break;
    default:
        logCritical(tr("Invalid call. Port type is not well defined"));
        break;
    }
    this->fill = fill;
    nameInstance(gateName);
    initDefaultPorts(kind, gateName.text());
}

Gate::~Gate()
{
    GatePort *input = kind == COLPASSTHROUGH ? findPort(ports, 2, 0) : nullptr;
    GatePort *output = kind == COLPASSTHROUGH ? findPort(ports, 0, 0) : nullptr;
    Edge *inputNet = input ? input->net : nullptr;
    Edge *outputNet = output ? output->net : nullptr;
    if (inputNet && outputNet && inputNet != outputNet) {
        // The pass-through split one net in two: join the halves again.
        inputNet->transferOutputs(-1, outputNet);
        if (input->net == outputNet)
            outputNet->disconnectPort(input);
        if (output->net == outputNet)
            outputNet->disconnectPort(output);
        outputNet->absorbDrivers(inputNet);
        outputNet->setPropertyThunk(inputNet);
        outputNet->driverTop = inputNet->driverTop;
        outputNet->driverBottom = inputNet->driverBottom;
        outputNet->loadTop = std::min(outputNet->loadTop, inputNet->loadTop);
        outputNet->loadBottom = std::max(outputNet->loadBottom, inputNet->loadBottom);
        delete inputNet;
    }
    disconnectAll();
    if (module)
        module->unregisterGate(this);
    ports.deleteAll();
}

void Gate::addPort(const QString &portName, int direction, int sortGroup, int roleBit, double px,
                   double py)
{
    ports.add(new GatePort(this, portName,
                           PortAttributes::make(direction, sortGroup, 0, 0, false, roleBit), px, py),
              true);
}

void Gate::initDefaultPorts(int gateKind, const QString &portName)
{
    typeName = gateKindToString(gateKind);
    if (!outline.isPath())
        logCritical(QStringLiteral("Invalid call: Can't cast"));
    switch (gateKind) {
    case INPUTPORT:
    case INOUTPORT:
        addPort(portName, Output, 0, 12, 39, 11);
        break;
    case OUTPUTPORT:
        addPort(portName, Input, 2, 1, 1, 11);
        break;
    case COLPASSTHROUGH:
        addPort(QStringLiteral("i"), Input, 2, 1, 0, 0);
        addPort(QStringLiteral("o"), Output, 0, 12, 0, 0);
        break;
    case VCC:
        addPort(portName, Output, 0, 12, 21, 48);
        break;
    case GND:
    case X:
        addPort(portName, Output, 0, 12, 21, 0);
        break;
    case Z:
        addPort(portName, Output, 0, 12, 21, 36);
        break;
    case OPENINPUT:
    case LOOPBACKOPENINPUT:
        addPort(QStringLiteral("o"), Output, 0, 12, 21, 33);
        break;
    case LOOPBACKOPENOUTPUT:
        addPort(QStringLiteral("i"), Input, 2, 1, 1, 33);
        break;
    default:
        logCritical(QStringLiteral("Invalid API call. Use other logic initialization API for ")
                    + gateKindToString(gateKind));
        break;
    }
    ports.ensureSorted(false);
}

void Gate::nameInstance(const Name &newName)
{
    if (name.isNull() || name.text().isEmpty()) {
        name = newName;
        if (module)
            module->registerInstance(this, true);
    } else if (!module) {
        name = newName;
    } else {
        QMutexLocker locker(&module->mutex);
        Gates *index = module->gates;
        Gate *holder = index->map.value(newName);
        if (holder && holder != this) {
            logCritical(tr("Can't name instance: %1 (Name already used)").arg(newName.toString(false)));
            return;
        }
        index->removeFromMap(name, this);
        name = newName;
        if (index->lastInList == 0 && !index->listContains(this))
            index->map.insert(name, this);
        else
            index->appendToList(this);
    }
    shapeBuilt = 0;
    rect = QRectF();
}

GatePort *Gate::portAt(int sortGroup, int position)
{
    for (auto it = ports.begin(sortGroup), end = ports.end(sortGroup); it != end; ++it) {
        if ((*it)->attributes.position16() == position)
            return *it;
    }
    return nullptr;
}

GatePort *Gate::constPortAt(int sortGroup, int position) const
{
    for (auto it = ports.constBegin(sortGroup), end = ports.constEnd(sortGroup); it != end; ++it) {
        if ((*it)->attributes.position16() == position)
            return *it;
    }
    return nullptr;
}

int Gate::portCount(int sortGroup) const
{
    return int(std::count_if(ports.ports.cbegin(), ports.ports.cend(), [sortGroup](const GatePort *p) {
        return p && p->attributes.sortGroup() == sortGroup;
    }));
}

GatePort *Gate::findPortByName(const QString &text) const
{
    const uint hash = qHash(text, 0);
    for (GatePort *port : ports.ports) {
        if (port && port->nameHash == hash && port->name == text)
            return port;
    }
    return nullptr;
}

PortSet Gate::portsNamed(const QString &text) const
{
    PortSet result;
    for (GatePort *port : ports.ports) {
        if (port && port->baseName() == text)
            result.add(port);
    }
    return result;
}

GatePort *Gate::firstDriverGate()
{
    QList<const Gate *> visiting;
    return firstDriverOf(this, visiting);
}

void Gate::disconnectAll()
{
    const QList<GatePort *> all = ports.ports;
    for (GatePort *port : all) {
        if (port && port->net)
            port->net->disconnectPort(port);
    }
}

void Gate::checkConfiguration() const
{
    if (kind == COLPASSTHROUGH) {
        const GatePort *input = findPort(ports, 2, 0);
        const GatePort *output = findPort(ports, 0, 0);
        if (input && output && input->net && output->net) {
            if (!(input->net->name.flags() & Name::Marked) && (output->net->name.flags() & Name::Marked))
                logCritical(tr("Invalid configuration found: User Net must be on output"));
            if (input->net == output->net)
                logCritical(tr("Invalid configuration found!"));
        }
        return;
    }
    if (!module)
        logCritical(tr("Parent Module is not set. Gate must be registered"));
}

int Gate::constantKind() const
{
    // Gates on the current walk: a loop of buffers and inverters carries no
    // constant.
    thread_local QList<const Gate *> visiting;
    if (visiting.contains(this))
        return 0;
    switch (kind) {
    case VCC:
    case GND:
    case X:
    case Z:
        return kind;
    case BUFFER:
    case COLPASSTHROUGH:
    case INVERTER:
        break;
    default:
        return 0;
    }
    const GatePort *input = findPort(ports, 2, 0);
    if (!input)
        return 0;
    visiting.append(this);
    const int carried = input->constantKind();
    visiting.removeLast();
    if (kind != INVERTER)
        return carried;
    switch (carried) {
    case VCC:
        return GND;
    case GND:
        return VCC;
    case X:
    case Z:
        return X;
    default:
        return 0;
    }
}

QVariantList Gate::nativeNames() const
{
    return properties.value(QStringLiteral("=NativeName")).toList();
}

Name Gate::nativeName(int i) const
{
    const QVariantList names = nativeNames();
    if (i < 0 || i >= names.size())
        return name;
    QVariant entry = names.at(i);
    const int nameType = qMetaTypeId<Name>();
    if (entry.userType() == nameType)
        return entry.value<Name>();
    return entry.convert(nameType) ? entry.value<Name>() : Name();
}

} // namespace GraphEngine
