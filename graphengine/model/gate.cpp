// The gate's data and construction, naming, port lookup, connectivity walks,
// connection by name, destruction and the consistency check.
#include "gate.h"

#include "bussequence.h"
#include "edge.h"
#include "gateport.h"
#include "gates.h"
#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "module.h"
#include "pens.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QSet>
#include <QTextDocument>

#include <algorithm>
#include <vector>

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
    for (GatePort *port : ports.list()) {
        if (port && port->attributes.sortGroup() == sortGroup
            && port->attributes.position16() == position)
            return port;
    }
    return nullptr;
}

// The input-side ports (groups 3, 2, 1) in set order; a set that is not
// sorted yet is read in the order sorting would give, without changing it.
QList<GatePort *> inputSidePorts(const Gate *gate)
{
    QList<GatePort *> inputs;
    for (GatePort *port : gate->ports.list()) {
        if (port && port->attributes.sortGroup() != 0)
            inputs.append(port);
    }
    if (!gate->ports.isSorted())
        std::stable_sort(inputs.begin(), inputs.end(), PortSet::lessThan);
    return inputs;
}

// Depth first through the pass-through chains, in port and driver order, on
// a stack of its own: a chain may cross a hundred thousand columns.
GatePort *firstDriverOf(const Gate *start)
{
    struct Frame
    {
        QList<GatePort *> inputs;
        int input = 0;
        int driver = 0;
    };
    // A chain of pass-throughs that leads back to itself ends the walk.
    QSet<const Gate *> visiting{start};
    std::vector<Frame> stack;
    stack.push_back({inputSidePorts(start)});
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (frame.input >= frame.inputs.size()) {
            stack.pop_back();
            continue;
        }
        const Edge *net = frame.inputs.at(frame.input)->net;
        if (!net || frame.driver >= net->drivers.size()) {
            ++frame.input;
            frame.driver = 0;
            continue;
        }
        GatePort *driver = net->drivers.at(frame.driver++);
        if (!driver)
            continue;
        const Gate *owner = driver->owner;
        if (!owner || owner->kind != BaseEnum::COLPASSTHROUGH)
            return driver;
        if (visiting.contains(owner))
            continue;
        visiting.insert(owner);
        stack.push_back({inputSidePorts(owner)});
    }
    return nullptr;
}

void traceConnection(const char *text, const QString &argument)
{
    if (verboseTrace)
        logWarning(tr(text).arg(argument));
}

} // namespace

Gate::Gate(int roleFlags, const QBrush &fill)
    : kind(FLOP)
    , fill(fill)
{
    initFlopPorts(roleFlags);
}

Gate::Gate(int gateKind, int inputCount, const QBrush &fill)
    : kind(gateKind)
    , fill(fill)
{
    initLogicPorts(gateKind, inputCount);
}

Gate::Gate(const QString &inputs, const QString &outputs, const QString &inouts, const QBrush &fill)
    : kind(GENERIC)
    , fill(fill)
{
    QList<GatePort *> left;
    QList<GatePort *> right;
    int leftCounter = 0;
    int rightCounter = 0;
    addPortsFromList(left, leftCounter, Input, inputs);
    addPortsFromList(left, leftCounter, InOut, inouts);
    addPortsFromList(right, rightCounter, Output, outputs);
    for (GatePort *port : qAsConst(left))
        ports.add(port);
    for (GatePort *port : qAsConst(right))
        ports.add(port);
    const int side = std::max(left.size(), right.size());
    setBox(72, side > 1 ? 36 * side : 72);
    placePortsOnBox(72, outline.height, 0, 0, right.size(), left.size());
    buildShape(0.0);
    reportUnbuiltShape();
}

Gate::Gate(const Name &gateName, Module *definition, Module *parent, const QString &netNames)
    : kind(definition && definition->instanceKind != 0 ? definition->instanceKind : int(GENERIC))
    , fill(QBrush(nextPen().color(), Qt::SolidPattern))
{
    if (definition) {
        for (const Gate *portGate : definition->portGates->elements()) {
            if (!portGate)
                continue;
            ports.add(new GatePort(this, portGate->name.text(), portGate->portAttributes, 0, 0));
        }
        typeName = definition->name;
    }
    int counts[4] = {};
    for (const GatePort *port : ports.list()) {
        const int group = port->attributes.sortGroup();
        if (group < 4)
            counts[group] = std::max(counts[group], port->attributes.position16() + 1);
    }
    const int across = std::max(counts[3], counts[1]);
    const int along = std::max(counts[2], counts[0]);
    setBox(across < 2 ? 72 : 36 * across, along < 2 ? 72 : 36 * along);
    nameInstance(gateName);
    if (parent)
        parent->registerInstance(this, true);
    placePortsOnBox(outline.width, outline.height, counts[3], counts[1], counts[0], counts[2]);
    buildShape(0.0);
    reportUnbuiltShape();
    if (module)
        connectGate(netNames, false);
}

Gate::Gate(int gateKind, const QString &text, const QBrush &fill)
    : kind(gateKind)
    , fill(fill)
{
    nameInstance(Name(text));
    initDefaultPorts(gateKind, text);
    buildShape(0.0);
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

Gate::Gate(int splitColumn, Edge *net)
    : kind(COLPASSTHROUGH)
{
    try {
        splitNet(splitColumn, net, nullptr);
    } catch (...) {
        // An allocation failed half-way (the layout reports it): the gate
        // leaves the nets and indexes as its deletion would.
        release();
        throw;
    }
}

Gate::Gate(const QList<GatePort *> &loads)
    : kind(COLPASSTHROUGH)
{
    // The list may be the net's own load list, which the split changes.
    const QList<GatePort *> moving = loads;
    if (moving.isEmpty() || !moving.first() || !moving.first()->net)
        return;
    splitNet(0, moving.first()->net, &moving);
}

void Gate::splitNet(int splitColumn, Edge *net, const QList<GatePort *> *loads)
{
    Module *owner = net ? net->module : nullptr;
    if (!owner) {
        logCritical(tr("Can't split a net that belongs to no module"));
        return;
    }
    nameInstance(Name::detachedCopy(net->name));
    initPassThroughPorts();
    buildShape(0.0);
    column = loads ? 0 : splitColumn;
    Edge *piece = owner->edges->findOrCreate(name, true);
    piece->pen = net->pen;
    GatePort *input = findPort(ports, 2, 0);
    GatePort *output = findPort(ports, 0, 0);
    if (loads) {
        net->connectPort(output, false);
        piece->connectPort(input, false);
        PortList moving;
        for (GatePort *port : *loads)
            moving.add(port);
        piece->adoptPorts(moving);
        owner->registerInstance(this, true);
        if (Gate *driver = piece->createFakeInput(true))
            driver->checkConfiguration();
    } else {
        piece->netNumber = net->netNumber;
        try {
            net->transferInputs(splitColumn, piece);
            net->transferOutputs(splitColumn, piece);
            net->connectPort(output, false);
            piece->connectPort(input, false);
            owner->registerInstance(this, true);
        } catch (...) {
            // What went to the piece comes back; the piece, left without
            // ports, goes with the layout's pieces.
            for (GatePort *port : {input, output}) {
                if (port && port->net)
                    port->net->disconnectPort(port);
            }
            piece->transferOutputs(-1, net);
            net->absorbDrivers(piece);
            throw;
        }
    }
    checkConfiguration();
}

Gate::~Gate()
{
    release();
}

void Gate::release()
{
    forgetSubGateSelection();
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
        // Where the gate stands depends on its kind only: pass-throughs are
        // listed, every other gate is keyed by its name.
        if (!index->listContains(this)) {
            index->removeFromMap(name, this);
            index->map.insert(newName, this);
        }
        if (module->portGates->removeFromMap(name, this))
            module->portGates->map.insert(newName, this);
        name = newName;
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
    return int(std::count_if(ports.list().cbegin(), ports.list().cend(), [sortGroup](const GatePort *p) {
        return p && p->attributes.sortGroup() == sortGroup;
    }));
}

GatePort *Gate::findPortByName(const QString &text) const
{
    for (GatePort *port : ports.list()) {
        if (port && port->name == text)
            return port;
    }
    return nullptr;
}

PortSet Gate::portsNamed(const QString &text) const
{
    PortSet result;
    for (GatePort *port : ports.list()) {
        if (port && port->baseName() == text)
            result.add(port);
    }
    return result;
}

GatePort *Gate::findLinkTo(const Gate *other, GatePort **ownPort) const
{
    if (ownPort)
        *ownPort = nullptr;
    if (!other)
        return nullptr;
    for (GatePort *port : ports.list()) {
        GatePort *driver = port ? port->driverOwnedBy(other) : nullptr;
        if (driver) {
            if (ownPort)
                *ownPort = port;
            return driver;
        }
    }
    return nullptr;
}

int Gate::runIndexOf(const GatePort *port) const
{
    BusSequence run;
    int index = 0;
    for (const GatePort *member : ports.list()) {
        index = run.append(Name(member->name)) ? index + 1 : 0;
        if (member == port)
            return index;
    }
    return -1;
}

QString Gate::portConnectionList() const
{
    QString list;
    for (const GatePort *port : ports.list()) {
        list += QLatin1String(",.") + port->name + QLatin1Char('(');
        if (port->net)
            list += port->net->name.toString(false);
        list += QLatin1Char(')');
    }
    return list.mid(1);
}

bool Gate::hasFanout() const
{
    if (kind == OUTPUTPORT)
        return false;
    for (const GatePort *port : ports.list()) {
        if (port->attributes.sortGroup() == 0 && port->net && !port->net->loads.isEmpty())
            return true;
    }
    return false;
}

bool Gate::hasDrivenInput() const
{
    if (kind == INPUTPORT || (kind >= VCC && kind <= LOOPBACKOPENINPUT)
        || kind == (OPENINPUT | ClusterFlag))
        return false;
    for (const GatePort *port : ports.list()) {
        if (port->attributes.sortGroup() != 0 && port->net && !port->net->drivers.isEmpty())
            return true;
    }
    return false;
}

GatePort *Gate::firstDriverGate()
{
    return firstDriverOf(this);
}

int Gate::firstLoadOrder() const
{
    int lowest = -1;
    for (const GatePort *port : ports.list()) {
        const int order = port->minLoadGateOrder();
        if (order >= 0 && (lowest < 0 || order < lowest))
            lowest = order;
    }
    return lowest;
}

bool Gate::samePassThroughNet(const Gate *other) const
{
    if (!other || kind != COLPASSTHROUGH || other->kind != COLPASSTHROUGH)
        return false;
    if (Name::sameBase(name, other->name))
        return true;
    const GatePort *mine = constPortAt(0, 0);
    const GatePort *theirs = other->constPortAt(0, 0);
    return mine && theirs && mine->net && theirs->net && mine->net->netNumber != 0
        && mine->net->netNumber == theirs->net->netNumber;
}

int Gate::constantKind() const
{
    // Back along the input (2, 0) of buffers, pass-throughs and inverters,
    // through single-driver nets, to the gate that gives the constant: a
    // loop, because a chain may cross a hundred thousand columns.
    // Gates on the walk: a loop of buffers and inverters carries no
    // constant.
    QSet<const Gate *> visiting;
    int inversions = 0;
    const Gate *gate = this;
    for (;;) {
        switch (gate->kind) {
        case VCC:
        case GND:
        case X:
        case Z:
            if (inversions == 0)
                return gate->kind;
            if (gate->kind == X || gate->kind == Z)
                return X;
            return (inversions % 2 == 0) == (gate->kind == VCC) ? VCC : GND;
        case BUFFER:
        case COLPASSTHROUGH:
        case INVERTER:
            break;
        default:
            return 0;
        }
        if (visiting.contains(gate))
            return 0;
        visiting.insert(gate);
        const GatePort *input = findPort(gate->ports, 2, 0);
        // An input that is no plain input on a net stands for its own gate,
        // which is on the walk.
        if (!input || input->attributes.portDirection() != Input || !input->net)
            return 0;
        if (gate->kind == INVERTER)
            ++inversions;
        const Edge *net = input->net;
        const GatePort *driver = net->drivers.size() == 1 ? net->drivers.first() : nullptr;
        // A driver that reads its own net again is a loop as well.
        if (!driver || !driver->owner || (driver->attributes.portDirection() == Input && driver->net))
            return 0;
        gate = driver->owner;
    }
}

bool Gate::lessByName(const Gate *a, const Gate *b)
{
    return Name::naturalLess(a->name, b->name);
}

bool Gate::connectGate(const QString &portName, const QString &netName, bool force)
{
    if (!module) {
        traceConnection("Gate::connectGate: Gate does not belong to a module %1", name.toString(false));
        return false;
    }
    Edge *net = module->edges->find(Name(netName));
    if (!net) {
        traceConnection("Gate::connectGate: Can't get Edge name: %1", netName);
        return false;
    }
    GatePort *port = findPortByName(portName);
    if (!port) {
        traceConnection("Gate::connectGate: invald port name: %1", portName);
        return false;
    }
    if (port->net && !force)
        return true;
    if (port->net == net)
        return true;
    // With force the port moves: it ends on the net asked for.
    port->disconnect();
    net->connectPort(port, false);
    return true;
}

bool Gate::connectGate(const QString &connections, bool force)
{
    if (!module) {
        traceConnection("Gate::connectGate: Gate foes not belong to a module %1", name.toString(false));
        return false;
    }
    const QStringList parts = connections.split(QLatin1Char(','));
    for (const QString &part : parts) {
        const QString item = part.simplified();
        const int open = item.indexOf(QLatin1Char('('));
        if (!item.startsWith(QLatin1Char('.')) || !item.endsWith(QLatin1Char(')')) || open < 2)
            continue;
        const QString portName = item.mid(1, open - 1);
        const QString netName = item.mid(open + 1, item.size() - open - 2);
        if (!connectGate(portName, netName, force))
            return false;
    }
    return true;
}

void Gate::disconnectAll()
{
    // A gate whose ports are off their nets already (a pass-through whose
    // pieces were joined) needs no copy.
    const PortRange own = ports.list();
    if (std::none_of(own.cbegin(), own.cend(), [](const GatePort *port) { return port && port->net; }))
        return;
    // A copy the disconnections cannot change; a few ports need no block.
    const PortList all = ports.asList();
    for (GatePort *port : all.list()) {
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

void Gate::resetLayoutState()
{
    link = 0;
    checkConfiguration();
    column = 0;
    row = 0;
    holdCount = 0;
    for (GatePort *port : ports.list())
        port->attributes.setPortDirection(port->attributes.direction());
    buildShape(0.0);
}

void Gate::detachFromModule()
{
    module = nullptr;
    link = 0;
    holdCount = 0;
}

Module *Gate::createSubModule()
{
    bool created = false;
    Module *definition = nullptr;
    if (module && module->registry) {
        definition = Module::findOrCreateModule(*module->registry, typeName, &created);
    } else {
        QMutexLocker locker(&moduleRegistryMutex());
        definition = Module::findOrCreateModule(moduleRegistry(), typeName, &created);
    }
    if (!definition || !created)
        return definition;
    for (const GatePort *port : ports.list())
        definition->findOrCreatePortGate(port->name, port->name, port->attributes, true);
    return definition;
}

QString Gate::portsPlainText(bool inputs, bool plain, int member) const
{
    if (isModulePort())
        return QString();
    QString html = inputs ? portsDescription(ports.constBegin(3), ports.constBegin(0), member)
                          : portsDescription(ports.constBegin(0), ports.constEnd(0), member);
    if (!plain)
        return html;
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText().replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString Gate::propertyTable(int member) const
{
    return subGateToolTip(member) + portsPlainText(true, false, member) + portsPlainText(false, false, member)
        + BaseObject::propertyTable(member);
}

QString Gate::propertyTableAll() const
{
    if (isSubGateSelected())
        return propertyTable(selectedSubGate());
    // The base's full table without the gate's own rows, which its virtual
    // propertyTable would add a second time.
    return toolTip() + portsPlainText(true, false, -1) + portsPlainText(false, false, -1)
        + BaseObject::propertyTable(-1);
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

Vcc::Vcc(const QString &name, const QBrush &fill)
    : Gate(VCC, name, fill)
{
}

Vcc::~Vcc() = default;

Gnd::Gnd(const QString &name, const QBrush &fill)
    : Gate(GND, name, fill)
{
}

Gnd::~Gnd() = default;

X::X(const QString &name, const QBrush &fill)
    : Gate(BaseEnum::X, name, fill)
{
}

X::~X() = default;

Z::Z(const QString &name, const QBrush &fill)
    : Gate(BaseEnum::Z, name, fill)
{
}

Z::~Z() = default;

} // namespace GraphEngine
