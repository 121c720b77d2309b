#include "edge.h"

#include "gate.h"
#include "gateport.h"
#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "labelcache.h"
#include "module.h"
#include "pens.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QSet>

#include <algorithm>

namespace GraphEngine {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("GraphEngine::Edge", text);
}

void logForcedConnection()
{
    logCritical(QStringLiteral("Attempt to force an existing connection."));
}

// Row texts of the connection summary, translated once.
struct SummaryTexts
{
    QString undriven;
    QString multiDriven;
    QString outputs;
};

const SummaryTexts &summaryTexts()
{
    QMutexLocker locker(&globalLock());
    static const SummaryTexts texts = [] {
        const QString row = QStringLiteral("<tr><td><b><div style='white-space:pre'>");
        const QString cell = QStringLiteral(": </div></b></td><td>");
        return SummaryTexts{row + tr("Undriven Net Detected") + QLatin1String("</td></tr>"),
                            row + tr("Multitriver Detected") + cell,
                            row + tr("Output Connection") + cell};
    }();
    return texts;
}

} // namespace

Edge::Edge(const Name &name, Module *module)
    : name(name)
    , module(module)
{
}

Edge::~Edge()
{
    for (PortList *list : {&drivers, &loads}) {
        for (GatePort *port : list->list()) {
            if (port && port->net == this)
                port->net = nullptr;
        }
    }
    if (module)
        module->unregisterEdge(this);
}

void Edge::attach(GatePort *port)
{
    if (port->net && port->net != this) {
        logForcedConnection();
        // The other net lets go of it, so that no list keeps a port that
        // points elsewhere.
        port->net->detach(port);
    }
    port->net = this;
}

bool Edge::detach(GatePort *port)
{
    const bool removed = drivers.removeAll(port) + loads.removeAll(port) > 0;
    if (port->net == this)
        port->net = nullptr;
    return removed;
}

void Edge::connectPort(GatePort *port, bool force)
{
    if (!port)
        return;
    if (port->attributes.direction() == Output)
        addDriver(port, force);
    else
        addLoad(port, force);
}

void Edge::addDriver(GatePort *port, bool force)
{
    Q_UNUSED(force) // a port is listed once whatever force says
    if (!port)
        return;
    GatePort *first = drivers.first();
    if (first && first != port && first->owner && first->owner->isGeneratedOpenInput()
        && first->owner != port->owner)
        delete first->owner; // its destructor disconnects its ports
    // Only a port that points here can stand in one of the lists already.
    if (port->net == this) {
        if (drivers.contains(port))
            return;
        loads.removeAll(port);
    }
    if (port->owner && port->owner->kind == COLPASSTHROUGH)
        drivers.prepend(port);
    else
        drivers.append(port);
    attach(port);
}

void Edge::addLoad(GatePort *port, bool force)
{
    Q_UNUSED(force) // a port is listed once whatever force says
    if (!port)
        return;
    if (port->net == this) {
        if (loads.contains(port))
            return;
        drivers.removeAll(port);
    }
    loads.append(port);
    attach(port);
}

void Edge::disconnectPort(GatePort *port)
{
    if (!port)
        return;
    if (!detach(port)) {
        logCritical(tr("Attempt to disconnect a port that is not already connected"));
        return;
    }
}

bool Edge::replacePort(GatePort *oldPort, GatePort *newPort)
{
    if (!oldPort || !newPort || oldPort == newPort)
        return false;
    if (newPort->isConnected()) {
        disconnectPort(oldPort);
        return false;
    }
    PortList *list = drivers.contains(oldPort) ? &drivers : loads.contains(oldPort) ? &loads : nullptr;
    if (!list)
        return false;
    // A new port that stands alone on a net (this one or another) leaves it.
    if (newPort->net) {
        if (newPort->net != this)
            logForcedConnection();
        newPort->net->detach(newPort);
    }
    list->replace(oldPort, newPort);
    // The new port stands where the old one stood, also when the layout
    // puts the lists back in order.
    newPort->netOrder = oldPort->netOrder;
    if (oldPort->net == this)
        oldPort->net = nullptr;
    newPort->net = this;
    return true;
}

void Edge::transfer(PortList &list, int column, Edge *target, bool moveDrivers)
{
    if (!target || target == this)
        return;
    const bool wasEmpty = moveDrivers ? target->drivers.isEmpty() : target->loads.isEmpty();
    // One pass splits the list, so that a net of many ports moves in linear
    // time. A list that moves whole (a pass-through's deletion joining two
    // pieces, and most splits of a long net, whose far piece is split again
    // at the next column) moves without a copy.
    const auto moves = [column, moveDrivers](const GatePort *port) {
        if (!port || !port->owner)
            return false;
        const int c = port->owner->column;
        return column == -1 || (moveDrivers ? (c > column || c <= 0) : c >= column);
    };
    PortList moving;
    const PortRange ports = list.list();
    if (std::all_of(ports.cbegin(), ports.cend(), moves)) {
        moving = std::move(list);
    } else {
        // No room is reserved: both lists stay as the nets' own lists.
        PortList kept;
        for (GatePort *port : ports)
            (moves(port) ? moving : kept).append(port);
        if (moving.isEmpty())
            return;
        list = std::move(kept);
    }
    if (moving.isEmpty())
        return;
    // Loads that all point here join the target's loads as one block;
    // anything else goes port by port through addDriver/addLoad.
    const PortRange movingPorts = moving.list();
    const bool block = !moveDrivers
        && std::all_of(movingPorts.cbegin(), movingPorts.cend(), [this](const GatePort *port) { return port->net == this; });
    if (block) {
        // A port listed twice joins once, as addLoad would have it.
        bool twice = false;
        for (GatePort *port : movingPorts) {
            port->owner->checkConfiguration();
            if (verboseTrace)
                logWarning(tr("Transfer Output of edge %1:%2 to new edge %3")
                               .arg(name.toString(false), port->fullName(), target->name.toString(false)));
            if (port->net == target) {
                twice = true;
                continue;
            }
            port->net = target;
        }
        if (twice) {
            PortList once;
            for (GatePort *port : movingPorts)
                once.add(port);
            moving = std::move(once);
        }
        target->loads.appendAll(std::move(moving));
        return;
    }
    for (GatePort *port : moving.list()) {
        port->owner->checkConfiguration();
        if (verboseTrace) {
            const QString text = moveDrivers ? tr("Transfer Input of edge %1:%2 to new edge %3")
                                             : tr("Transfer Output of edge %1:%2 to new edge %3");
            logWarning(text.arg(name.toString(false), port->fullName(), target->name.toString(false)));
        }
        if (port->net == this)
            port->net = nullptr;
        if (moveDrivers)
            target->addDriver(port, wasEmpty);
        else
            target->addLoad(port, wasEmpty);
    }
}

void Edge::transferInputs(int column, Edge *target)
{
    transfer(drivers, column, target, true);
}

void Edge::transferOutputs(int column, Edge *target)
{
    transfer(loads, column, target, false);
}

void Edge::absorbDrivers(Edge *other)
{
    if (!other || other == this)
        return;
    const PortList taken = std::move(other->drivers);
    for (GatePort *port : taken.list()) {
        if (!port)
            continue;
        if (port->net == other)
            port->net = nullptr;
        attach(port);
        loads.removeAll(port);
        if (!drivers.contains(port))
            drivers.append(port);
    }
}

void Edge::adoptPorts(const PortList &ports)
{
    const QList<GatePort *> list = ports.list();
    for (GatePort *port : list) {
        if (!port)
            continue;
        port->disconnect();
        connectPort(port, false);
    }
}

void Edge::movePortsTo(PortList &list, Edge *target)
{
    if (!target || target == this)
        return;
    if (&list != &drivers && &list != &loads) {
        logCritical(QStringLiteral("Edge::movePortsTo: the list is not one of the net's own"));
        return;
    }
    const QList<GatePort *> moving = list.takeAll();
    for (GatePort *port : moving) {
        if (!port)
            continue;
        if (port->net == this)
            port->net = nullptr;
        target->connectPort(port, true);
    }
}

void Edge::moveAllPortsTo(Edge *target)
{
    movePortsTo(drivers, target);
    movePortsTo(loads, target);
}

Gate *Edge::createFakeInput(bool loopback)
{
    // A net without loads needs no driver to start from.
    if (drivers.first() || loads.isEmpty() || !module)
        return nullptr;
    bool inout = loopback;
    for (const GatePort *load : loads.list())
        inout = inout || (load && load->attributes.direction() == InOut);
    const int kind = inout ? LOOPBACKOPENINPUT : OPENINPUT;
    const QString prefix = inout ? QStringLiteral("LOI_") : QStringLiteral("OI_");
    // The plain text: a piece's generated name shows a serial number that
    // differs from run to run, and the gate's name orders the gate index
    // that the next steps walk. A name taken twice gets a marked copy.
    Gate *gate = new Gate(kind, prefix + name.toString(true), QBrush(Qt::darkCyan, Qt::SolidPattern));
    if (!module->registerGeneratedGate(gate))
        return nullptr;
    connectPort(gate->portAt(0, 0), false);
    return gate;
}

void Edge::setName(const Name &newName)
{
    if (module)
        module->unregisterEdge(this);
    name = newName;
    if (module)
        module->registerEdge(this);
}

void Edge::setNetNumber(int number)
{
    // Number 0 means none; it would also never stop a loop of pass-throughs.
    if (number == 0)
        return;
    Edge *net = this;
    while (net) {
        if (net->netNumber != 0 || (net->name.flags() & Name::TwoIndices))
            return;
        net->netNumber = number;
        if (net->module && net->module->edges)
            net->module->edges->numbersChanged();
        const GatePort *driver = net->drivers.first();
        if (!driver || !driver->owner || driver->owner->kind != COLPASSTHROUGH)
            return;
        const GatePort *input = driver->owner->portAt(2, 0);
        if (!input || !input->isConnected())
            return;
        net = input->net;
    }
}

void Edge::resetLayout()
{
    column = 0;
    netNumber = 0;
    trackOffset = 0.0;
    loadTop = loadBottom = driverTop = driverBottom = 0.0;
    branchLines.clear();
    trunkSegments.clear();
}

QList<Edge *> Edge::collectConnected(const Edges &index) const
{
    QList<Edge *> result;
    QSet<const Edge *> taken;
    auto take = [&result, &taken](Edge *net) {
        if (net && !taken.contains(net)) {
            taken.insert(net);
            result.append(net);
        }
    };
    if (netNumber != 0) {
        for (Edge *net : index.numbered(netNumber))
            take(net);
    }
    QList<GatePort *> collected;
    QSet<const GatePort *> seen;
    for (const PortList *list : {&drivers, &loads}) {
        for (const GatePort *port : list->list()) {
            if (!port || !port->owner)
                continue;
            const PortSet bus = port->owner->portsNamed(port->baseName());
            for (GatePort *member : bus.list()) {
                if (member && !seen.contains(member)) {
                    seen.insert(member);
                    collected.append(member);
                }
            }
        }
    }
    for (const GatePort *port : qAsConst(collected))
        take(port->net);
    return result;
}

int Edge::constantKind() const
{
    if (drivers.size() != 1 || !drivers.first())
        return 0;
    return drivers.first()->constantKind();
}

const Name &Edge::displayName(bool showConstants) const
{
    if (!showConstants)
        return name;
    // Indexed by kind - VCC: VCC, GND, X, Z.
    static const Name constants[4] = {Name(QStringLiteral("1")), Name(QStringLiteral("0")),
                                      Name(QStringLiteral("X")), Name(QStringLiteral("Z"))};
    const int kind = constantKind();
    if (kind >= VCC && kind <= Z)
        return constants[kind - VCC];
    return name;
}

QString Edge::baseName() const
{
    if (name.isNull())
        return QString();
    return name.hasIndex() ? name.baseText() : name.text();
}

int Edge::fanOut() const
{
    int count = 0;
    for (const GatePort *port : loads.list()) {
        if (!port)
            continue;
        if (port->owner && port->owner->isCluster() && port->attributes.isControl())
            count += port->owner->nativeNameCount();
        else
            ++count;
    }
    return count;
}

QString Edge::connectionSummary() const
{
    const SummaryTexts &texts = summaryTexts();
    QString html = QStringLiteral("<br><table>");
    const int n = drivers.size();
    if (n == 0)
        html += texts.undriven;
    else if (n > 1)
        html += texts.multiDriven + QString::number(n) + QLatin1String("</td></tr>");
    html += texts.outputs + QString::number(fanOut()) + QLatin1String("</td></tr></table>");
    return html;
}

QString Edge::toolTip() const
{
    QMutexLocker locker(&globalLock());
    static const QString head = QLatin1String("<table><tr><td><b><div style='white-space:pre'>")
        + tr("Edge Name:") + QLatin1String("</div></b></td><td>");
    // Net names come from the debugged program.
    return head + wrapToScreen(name.toString(false).toHtmlEscaped()) + QLatin1String("</td></tr></table>");
}

QString Edge::propertyTableAll() const
{
    return toolTip() + connectionSummary() + propertyTable(-1);
}

QString Edge::toolTipAt(const GatePort *port) const
{
    QString html = toolTip();
    if (port)
        html += QStringLiteral(" \u21D2 ") + port->displayName().toHtmlEscaped();
    return html + connectionSummary() + propertyTable(-1);
}

QRectF Edge::boundingRect() const
{
    return bounds.adjusted(-1.0, -1.0, 1.0, 1.0);
}

Edges::Edges(Module *owner)
    : SemiIndex<Name, Edge>(owner)
{
}

Edges::~Edges()
{
    Edges::clear();
}

Edge *Edges::findOrCreate(const Name &name, bool forceNew)
{
    if (name.isNull() || name.text().isEmpty())
        return nullptr;
    if (!forceNew) {
        if (Edge *existing = map.value(name))
            return existing;
    }
    numbersChanged();
    Edge *net = new Edge(name, module);
    if (!forceNew)
        net->pen = penForName(net->baseName());
    if (name.flags() & Name::Marked) {
        listNet(net);
        lastInList = 1;
        return net;
    }
    lastInList = 0;
    const auto it = map.find(name);
    if (it != map.end()) {
        // The net that held the name stays reachable (and owned) in the list.
        Edge *former = it.value();
        it.value() = net;
        listNet(former);
    } else {
        map.insert(name, net);
    }
    return net;
}

QList<Edge *> Edges::numbered(int number) const
{
    if (number == 0)
        return {};
    if (!m_numberedBuilt) {
        for (Edge *net : elements()) {
            if (net && net->netNumber != 0)
                m_numbered[net->netNumber].append(net);
        }
        m_numberedBuilt = true;
    }
    QList<Edge *> nets = m_numbered.value(number);
    // A number written straight into a net since the walk drops it here.
    nets.erase(std::remove_if(nets.begin(), nets.end(), [number](const Edge *net) { return net->netNumber != number; }),
               nets.end());
    return nets;
}

Edge *Edges::find(const Name &name) const
{
    return name.isNull() ? nullptr : map.value(name);
}

void Edges::clear()
{
    numbersChanged();
    while (!isEmpty())
        delete takeFirst();
    m_waiting.clear();
}

void Edges::purge()
{
    // Deleting a net leaves the other nets' lists as they are, so one walk
    // finds every net to delete.
    for (Edge *net : elements()) {
        if (net && net->drivers.isEmpty() && net->loads.isEmpty()) {
            unlist(net);
            delete net;
        }
    }
}

void Edges::dropListedNets()
{
    // A listed net that still has ports is live (a net registered under a
    // name another net holds): it stays indexed. The others go, and with
    // them their list and waiting entries.
    const std::vector<Edge *> listed(list().cbegin(), list().cend());
    for (Edge *net : listed) {
        if (net && net->drivers.isEmpty() && net->loads.isEmpty())
            delete net;
        else if (!net)
            removeFromList(net);
    }
}

void Edges::recordPortOrder()
{
    for (Edge *net : elements()) {
        if (!net)
            continue;
        int place = 0;
        for (PortList *list : {&net->drivers, &net->loads}) {
            for (GatePort *port : list->list())
                port->netOrder = place++;
        }
    }
}

void Edges::restorePortOrder()
{
    const auto byPlace = [](const GatePort *a, const GatePort *b) { return a->netOrder < b->netOrder; };
    for (Edge *net : elements()) {
        if (!net)
            continue;
        for (PortList *list : {&net->drivers, &net->loads}) {
            const PortRange ports = list->list();
            if (std::is_sorted(ports.cbegin(), ports.cend(), byPlace))
                continue;
            QList<GatePort *> ordered = ports;
            std::stable_sort(ordered.begin(), ordered.end(), byPlace);
            list->assign(ordered);
        }
    }
}

void Edges::listNet(Edge *net)
{
    numbersChanged();
    appendToList(net);
    if (!(net->name.flags() & Name::Marked))
        m_waiting.insert(net->name, net);
}

void Edges::unlist(const Edge *net)
{
    numbersChanged();
    // Marked names never wait for their name.
    if (!(net->name.flags() & Name::Marked))
        m_waiting.remove(net->name, const_cast<Edge *>(net));
    if (removeFromList(net))
        return;
    if (net->name.isNull() || !removeFromMap(net->name, net))
        return;
    // The net that waited last under the same name now holds it.
    const auto waiting = m_waiting.find(net->name);
    if (waiting == m_waiting.end())
        return;
    Edge *heir = waiting.value();
    m_waiting.erase(waiting);
    removeFromList(heir);
    map.insert(heir->name, heir);
}

void Edges::resetLayout()
{
    numbersChanged();
    for (Edge *net : elements()) {
        if (net)
            net->resetLayout();
    }
}

} // namespace GraphEngine
