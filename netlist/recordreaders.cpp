// Reading the value texts the netlist printers write into graph records.
#include "graphrecords.h"
#include "netlisttypes.h"

#include "graphengine/model/baseenum.h"
#include "graphengine/model/baseobject.h"

#include <QAbstractItemModel>
#include <QModelIndex>
#include <QObject>
#include <QRegularExpression>
#include <QSet>

namespace UndoFramework {

namespace {

const QChar hairSpace(0x200A);
const QChar thinSpace(0x2009);
const QChar middleDot(0x00B7);

QString objectTypeKey()
{
    return QObject::tr("Object Type");
}

QString referenceKey()
{
    return QObject::tr("Reference");
}

PropertyMap valueProperties(const QString &typeName, quint64 address)
{
    PropertyMap properties;
    properties.insert(objectTypeKey(), typeName);
    properties.insert(referenceKey(), QStringLiteral("0x%1").arg(address, 0, 16));
    return properties;
}

QString withoutHiddenPointers(const QStringRef &text)
{
    QString plain = text.toString();
    plain.remove(hiddenPointerPattern());
    return plain;
}

} // namespace

const QRegularExpression &hiddenPointerPattern()
{
    static const QRegularExpression pattern = [] {
        QRegularExpression compiled(QString(QChar(0x226A)) + QStringLiteral("([^") + QChar(0x226B)
                                    + QStringLiteral("]*)") + QChar(0x226B));
        compiled.optimize();
        return compiled;
    }();
    return pattern;
}

Port::Port(const QModelIndex &value, const QString &typeName, quint64 address)
{
    if (!value.model())
        return;
    const QModelIndex cell = value.column() == 1 ? value : value.sibling(value.row(), 1);
    if (cell.row() < 0 || cell.column() < 0 || !cell.model())
        return;
    const QString text = cell.data(Qt::EditRole).toString();
    direction = GraphEngine::directionFromSymbol(text);
    if (direction == GraphEngine::BaseEnum::NoDirection)
        return;
    name = text.mid(1);
    const int hair = name.indexOf(hairSpace);
    if (hair >= 0) {
        connection = name.mid(hair + 2);
        connection.chop(1);
        name.truncate(hair);
    }
    properties = valueProperties(typeName, address);
}

Instance::Instance(const QString &definitionName, const QString &valueText, const QString &typeName,
                   quint64 address)
{
    GraphEngine::addSingleValuedPropertyKey(objectTypeKey());
    GraphEngine::addSingleValuedPropertyKey(referenceKey());
    if (valueText.contains(QLatin1String("<not accessible")))
        return;
    const int hair = valueText.indexOf(hairSpace);
    const int close = valueText.lastIndexOf(QLatin1Char(')'));
    // A ")" before the hair space belongs to no parameter list.
    if (hair < 0 || close <= hair)
        return;
    name = valueText.left(hair);
    QStringRef rest = valueText.midRef(hair + 2, qMax(0, close - hair - 2));

    using KorvanDebugger::Internal::GateDefinition;
    const GateDefinition *gate = KorvanDebugger::Internal::findGateDefinition(definitionName);
    gateKind = gate ? gate->internalType : int(GraphEngine::BaseEnum::GENERIC);
    roleFlags = gate ? gate->portRoles : 0;
    definition = definitionName;
    properties = valueProperties(typeName, address);

    const QString netType = KorvanDebugger::Internal::associatedNetType(typeName);
    QSet<QString> seen;
    while (!rest.isEmpty()) {
        int terminalDirection = GraphEngine::directionFromSymbol(rest);
        if (terminalDirection == GraphEngine::BaseEnum::NoDirection) {
            if (rest.at(0) != middleDot) {
                rest = rest.mid(1);
                continue;
            }
            terminalDirection = GraphEngine::BaseEnum::InOut;
        }
        const int h = rest.indexOf(hairSpace);
        if (h < 0)
            break;
        const QString formal = withoutHiddenPointers(rest.mid(1, h - 1));
        if (seen.contains(formal)) {
            rest = rest.mid(1);
            continue;
        }
        seen.insert(formal);
        int t = rest.indexOf(thinSpace, h + 2);
        if (t < 0)
            t = rest.size() + 1;
        const QStringRef actual = rest.mid(h + 2, qMax(0, t - h - 4));

        InstanceTerminal terminal;
        terminal.portName = formal;
        terminal.pinName = gate ? gate->portNameMap.value(formal, formal) : formal;
        terminal.direction = terminalDirection;
        terminal.netName = withoutHiddenPointers(actual);
        if (!netType.isEmpty()) {
            terminal.netProperties.insert(objectTypeKey(), netType);
            const QRegularExpressionMatch match = hiddenPointerPattern().match(actual);
            terminal.netProperties.insert(referenceKey(), match.hasMatch() ? match.captured(1) : QString());
        }
        terminals.append(terminal);
        rest = t + 1 < rest.size() ? rest.mid(t + 1) : QStringRef();
    }
}

void splitTerminalText(QStringRef &text, QStringRef &instance, QStringRef &port, QStringRef &net)
{
    if (GraphEngine::directionFromSymbol(text) != GraphEngine::BaseEnum::NoDirection)
        text = text.mid(1);
    instance = port = net = QStringRef();
    const int h1 = text.indexOf(hairSpace);
    if (h1 < 0) {
        instance = text;
        return;
    }
    instance = text.left(h1);
    const int h2 = text.indexOf(hairSpace, h1 + 1);
    if (h2 < 0) {
        port = text.mid(h1 + 2);
        return;
    }
    port = text.mid(h1 + 2, qMax(0, h2 - h1 - 2));
    net = text.mid(h2 + 2, qMax(0, text.size() - h2 - 3));
}

} // namespace UndoFramework
