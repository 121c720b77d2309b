// What a gate tells people and the clustering: tooltips, port descriptions,
// pattern signatures, and the members of cluster gates with their selection.
#include "gate.h"

#include "bussequence.h"
#include "edge.h"
#include "gateport.h"
#include "graphengine/globals.h"
#include "labelcache.h"
#include "module.h"

#include <QCoreApplication>
#include <QHash>
#include <QMutexLocker>

namespace GraphEngine {

namespace {

// A port name as the signatures see it: whether it carries one index, and
// the name without it. Every pass of the clustering asks for the same few
// port names of every gate, so each thread keeps them parsed.
struct PortNameParts
{
    bool oneIndex = false;
    QString base;
};

PortNameParts portNameParts(const QString &portName)
{
    // Only a name ending in a closing bracket or '_' carries an index.
    const QChar last = portName.isEmpty() ? QChar() : portName.back();
    if (last != QLatin1Char(']') && last != QLatin1Char('}') && last != QLatin1Char(')') && last != QLatin1Char('>')
        && last != QLatin1Char('_'))
        return {false, portName};
    thread_local QHash<QString, PortNameParts> parsed;
    auto it = parsed.find(portName);
    if (it == parsed.end()) {
        const Name name(portName);
        PortNameParts parts;
        parts.oneIndex = name.indexCount() == 1;
        parts.base = parts.oneIndex ? name.baseText() : portName;
        it = parsed.insert(portName, parts);
    }
    return *it;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("GraphEngine::Gate", text);
}

// The selected member of a cluster gate and the selection it belongs to.
struct SubGateSelection
{
    const Gate *gate = nullptr;
    int member = -1;
    int stamp = -1;
};

SubGateSelection &subGateSelection()
{
    static SubGateSelection selection;
    return selection;
}

int &counter()
{
    static int value = 0;
    return value;
}

Name toName(const QVariant &value)
{
    const int nameType = qMetaTypeId<Name>();
    if (value.userType() == nameType)
        return value.value<Name>();
    QVariant copy = value;
    return copy.convert(nameType) ? copy.value<Name>() : Name();
}

const QString &notConnectedText()
{
    QMutexLocker locker(&globalLock());
    static const QString text = tr("<i>Not connected</i>");
    return text;
}

// The pending net names of a description row, escaped; the "not connected"
// marker is the one piece of markup among them.
QString netListHtml(NameList &names)
{
    const QString marker = notConnectedText();
    return wrapToScreen(names.toString().toHtmlEscaped().replace(marker.toHtmlEscaped(), marker));
}

} // namespace

int selectionCounter()
{
    return counter();
}

void increaseSelectionCounter()
{
    ++counter();
}

QString Gate::toolTipRow(const QString &label, const Name &value) const
{
    QString text = value.toString(false);
    text.remove(QLatin1Char('\n'));
    return QLatin1String("<table><tr><td><b><div style='white-space:pre'>") + label.toHtmlEscaped()
        + QLatin1String(":</div></b></td><td>") + wrapToScreen(text.toHtmlEscaped())
        + QLatin1String("</td></tr></table>");
}

QString Gate::plainToolTip() const
{
    QMutexLocker locker(&globalLock());
    switch (kind) {
    case INPUTPORT:
        return toolTipRow(tr("Input"), name);
    case INOUTPORT:
        return toolTipRow(tr("In/Out"), name);
    case OUTPUTPORT:
        return toolTipRow(tr("Output"), name);
    default:
        return showsLabel() ? toolTipRow(typeName, name) : QString();
    }
}

QString Gate::toolTip() const
{
    if (!isModulePort() && showsLabel() && isSubGateSelected())
        return subGateToolTip(subGateSelection().member);
    return plainToolTip();
}

QString Gate::subGateToolTip(int member) const
{
    if (isCluster() && member >= 0 && member < nativeNameCount()) {
        QMutexLocker locker(&globalLock());
        return toolTipRow(typeName.section(QLatin1Char('_'), 0, -2), nativeName(member));
    }
    return plainToolTip();
}

int Gate::subGateIndexOf(const Name &wanted) const
{
    if (!isCluster())
        return -1;
    const QVariantList names = nativeNames();
    const QString text = wanted.text();
    for (int i = 0; i < names.size(); ++i) {
        if (toName(names.at(i)).text() == text)
            return i;
    }
    return -1;
}

int Gate::portIndexOf(const QVariant &value) const
{
    return subGateIndexOf(toName(value));
}

Name Gate::selectedSubGateName() const
{
    if (!isCluster() || !isSubGateSelected())
        return Name();
    const QVariantList names = nativeNames();
    const int member = subGateSelection().member;
    return member >= 0 && member < names.size() ? toName(names.at(member)) : Name();
}

void Gate::setSubGateSelection(int stamp, int member)
{
    if (member == -1)
        return;
    subGateSelection() = SubGateSelection{this, member, stamp};
}

int Gate::setSubGateSelection(int stamp, const Name &memberName)
{
    const int member = subGateIndexOf(memberName);
    setSubGateSelection(stamp, member);
    return member;
}

bool Gate::isSubGateSelected() const
{
    const SubGateSelection &selection = subGateSelection();
    return selection.gate == this && selection.stamp == counter();
}

int Gate::selectedSubGate() const
{
    return isSubGateSelected() ? subGateSelection().member : -1;
}

void Gate::forgetSubGateSelection() const
{
    if (subGateSelection().gate == this)
        subGateSelection() = SubGateSelection();
}

QString Gate::portsDescription(PortSet::const_iterator begin, PortSet::const_iterator end, int member) const
{
    QMutexLocker locker(&globalLock());
    static const Name notConnected(notConnectedText());
    if (!isCluster() || member < 0 || member >= nativeNameCount())
        member = -1;
    QString html = QStringLiteral("<table>");
    NameList pending;
    bool rowOpen = false;
    for (; begin != end; ++begin) {
        QString label;
        const GatePort *port = *begin;
        if (member != -1) {
            const Name portName(port->name);
            if (portName.indexCount() == 1 && portName.index(0) != member)
                continue;
            label = portName.hasIndex() ? portName.baseText() : portName.text();
        } else {
            // A set label, even an empty one, is what the port shows: an
            // empty label folds the port into the row of its run.
            label = port->shownText();
        }
        if (!label.isEmpty()) {
            if (rowOpen)
                html += netListHtml(pending) + QLatin1String("</td></tr>");
            rowOpen = true;
            html += QLatin1String("<tr><td><b><div style='white-space:pre'>")
                + directionSymbol(port->attributes.portDirection()) + QLatin1Char(' ')
                + label.toHtmlEscaped() + QLatin1String(":</div></b></td><td>");
            pending.clear();
        }
        pending.append(port->net ? port->net->displayName(true) : notConnected);
    }
    if (rowOpen)
        html += netListHtml(pending) + QLatin1String("</td></tr>");
    return html + QLatin1String("</table>");
}

QString Gate::portSignature(int indexSlot, bool *busOut) const
{
    bool bus = false;
    if (busOut)
        *busOut = false;
    const int base = baseKind();
    if (isCluster() || !((base >= AND && base <= MUX2) || base == FLOP || base == OPENINPUT))
        return QString();
    // The parts grow in strings kept from call to call: the clustering asks
    // every gate of the netlist, pass after pass, and only the signature
    // returned needs a block of its own.
    thread_local QString control;
    thread_local QString indexed;
    thread_local QString numbered;
    control.resize(0);
    indexed.resize(0);
    numbered.resize(0);
    int counts[4] = {};
    for (const GatePort *port : ports.list()) {
        const PortNameParts portName = portNameParts(port->name);
        if (portName.oneIndex && kind != OPENINPUT)
            return QString();
        const QString &text = portName.base;
        const int group = port->attributes.sortGroup();
        if (group < 4)
            ++counts[group];
        const Edge *net = port->net;
        if (!net)
            continue;
        if (port->attributes.isControl()) {
            control.append(QLatin1Char(','));
            control.append(text);
            control.append(QLatin1Char(':'));
            control.append(net->name.toString(false));
            continue;
        }
        QString *part = nullptr;
        const int number = module && module->netsWhole ? module->pieceNumber(port) : net->netNumber;
        const int netIndexes = net->name.indexCount();
        if (number != 0)
            part = &numbered;
        else if (netIndexes > 0)
            part = &indexed;
        else
            continue;
        part->append(QLatin1Char(','));
        part->append(text);
        part->append(QLatin1Char(':'));
        if (number != 0)
            appendNumber(number, *part);
        else
            part->append(net->name.baseText());
        if (netIndexes == 2) {
            if (number == 0)
                bus = true;
            if (indexSlot == 0)
                part->append(QLatin1String("[]"));
            part->append(QLatin1Char('['));
            appendNumber(net->name.index(indexSlot), *part);
            part->append(QLatin1Char(']'));
        }
    }
    const QString &chosen = numbered.isEmpty() ? indexed : numbered;
    if (!numbered.isEmpty())
        bus = false;
    if (control.isEmpty() && chosen.isEmpty())
        return QString();
    QString signature;
    // Four counts of a digit or two each, and the brackets.
    signature.reserve(control.size() + chosen.size() + typeName.size() + 16);
    signature.append(control);
    signature.append(chosen);
    for (int count : {counts[0], counts[1], counts[2], counts[3]}) {
        signature.append(QLatin1Char('='));
        appendNumber(count, signature);
    }
    if (busOut)
        *busOut = bus;
    signature.append(QLatin1Char('('));
    signature.append(typeName);
    signature.append(QLatin1Char(')'));
    return signature;
}

void Gate::clusterSignature(Gate *cluster, int member, int firstNetNumber)
{
    if (!cluster)
        return;
    const QList<GatePort *> all = ports.list();
    for (int i = 0; i < all.size(); ++i) {
        GatePort *port = all.at(i);
        Edge *net = port->net;
        if (!net)
            continue;
        // The cluster's ports: a shared control port under the copy's own
        // port name, every other port once per member, by base name.
        QString clusterPortName = port->name;
        if (!port->attributes.isControl()) {
            clusterPortName = port->baseName() + QStringLiteral("[%1]").arg(member);
            if (module && module->netsWhole)
                module->numberPieces(port, firstNetNumber + i);
            else
                net->setNetNumber(firstNetNumber + i);
        }
        if (GatePort *clusterPort = cluster->findPortByName(clusterPortName))
            net->replacePort(port, clusterPort);
    }
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        QVariant &value = cluster->properties[it.key()];
        if (value.isNull() && member == 0) {
            value = it.value();
            continue;
        }
        QVariantList list = value.toList();
        if (list.isEmpty())
            list.append(value);
        while (list.size() < member)
            list.append(QVariant());
        list.append(it.value());
        value = list;
    }
}

} // namespace GraphEngine
