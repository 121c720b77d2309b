#include "netlisttypes.h"
#include "netlisttypes_p.h"

#include "graphengine/model/baseenum.h"

#include <QModelIndex>
#include <QSettings>

namespace KorvanDebugger {
namespace Internal {

namespace {

struct NetlistTypeStore
{
    QStringList instanceTypes;
    QStringList instanceTerminalTypes;
    QStringList netTypes;
    QStringList moduleTypes;
    QStringList modulePortTypes;
    QMap<QString, QString> associatedNetTypes;
    QMap<QString, GateDefinition> gateMapping;

    QStringList &list(NetlistRole role)
    {
        switch (role) {
        case NetlistRole::Instance: return instanceTypes;
        case NetlistRole::InstanceTerminal: return instanceTerminalTypes;
        case NetlistRole::Net: return netTypes;
        case NetlistRole::Module: return moduleTypes;
        case NetlistRole::ModulePort: break;
        }
        return modulePortTypes;
    }
};

NetlistTypeStore &store()
{
    static NetlistTypeStore s;
    return s;
}

struct RoleWord
{
    NetlistRole role;
    const char *word;
};

// The order in which the role file is written.
const RoleWord roleWords[] = {
    {NetlistRole::Instance, "instance"},
    {NetlistRole::InstanceTerminal, "instanceTerminal"},
    {NetlistRole::Net, "net"},
    {NetlistRole::Module, "module"},
    {NetlistRole::ModulePort, "modulePort"},
};

const QString roleFileSuffix = QStringLiteral("/NetlistElementDefinition");
const QString gateFileSuffix = QStringLiteral("/UserGateMapping");
const QString typeKey = QStringLiteral("Type");
const QString associatedNetTypeKey = QStringLiteral("AssociatedNetType");
// Group names of the role file were once made by turning "::" into "__",
// which cannot tell "my_type" from "my:type". Groups are now named by the
// type itself (the settings escape what INI cannot hold) and carry the exact
// name here; groups without it are read the old way.
const QString typeNameKey = QStringLiteral("TypeName");
const QString internalTypeKey = QStringLiteral("InternalType");
const QString portMappingKey = QStringLiteral("PortMapping");

QString normalisedTypeName(QString typeName)
{
    if (typeName.endsWith(QLatin1String(" const")))
        typeName.chop(6);
    if (typeName.startsWith(QLatin1String("const ")))
        typeName.remove(0, 6);
    return typeName;
}

// A hand-written INI value with commas reads back as a list.
QString settingText(const QVariant &value)
{
    if (value.type() == QVariant::StringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool isPointerOrReferenceForm(const QString &typeName)
{
    return typeName.endsWith(QLatin1Char('*')) || typeName.endsWith(QLatin1Char('&'));
}

void writeTypeGroup(QSettings &settings, const QString &typeName, const QString &key, const QString &value)
{
    settings.beginGroup(typeName);
    settings.setValue(typeNameKey, typeName);
    settings.setValue(key, value);
    settings.endGroup();
}

QString withoutBlanks(QString typeName)
{
    return typeName.remove(QLatin1Char(' '));
}

} // namespace

const QStringList &instanceTypes() { return store().instanceTypes; }
const QStringList &instanceTerminalTypes() { return store().instanceTerminalTypes; }
const QStringList &netTypes() { return store().netTypes; }
const QStringList &moduleTypes() { return store().moduleTypes; }
const QStringList &modulePortTypes() { return store().modulePortTypes; }
const QMap<QString, QString> &associatedNetTypes() { return store().associatedNetTypes; }
const QMap<QString, GateDefinition> &gateMapping() { return store().gateMapping; }

bool isInstanceType(QString typeName)
{
    return store().instanceTypes.contains(normalisedTypeName(typeName));
}

bool isInstanceTerminalType(QString typeName)
{
    return store().instanceTerminalTypes.contains(normalisedTypeName(typeName));
}

bool isNetType(QString typeName)
{
    return store().netTypes.contains(normalisedTypeName(typeName));
}

bool isModuleType(QString typeName)
{
    return store().moduleTypes.contains(normalisedTypeName(typeName));
}

bool isModulePortType(QString typeName)
{
    return store().modulePortTypes.contains(normalisedTypeName(typeName));
}

bool isNetlistType(QString typeName)
{
    const QString name = normalisedTypeName(typeName);
    for (const RoleWord &role : roleWords)
        if (store().list(role.role).contains(name))
            return true;
    return false;
}

bool isIndexOfRole(const QModelIndex &index, const QStringList &roleTypes)
{
    const QModelIndex name = index.sibling(index.row(), 0);
    const QModelIndex value = index.sibling(index.row(), 1);
    const QModelIndex type = index.sibling(index.row(), 2);
    if (!name.isValid() || !value.isValid() || !type.isValid())
        return false;
    if (name.data(Qt::DisplayRole).toString().startsWith(QLatin1String("Nb ")))
        return false;
    bool isNumber = false;
    value.data(Qt::DisplayRole).toInt(&isNumber);
    if (isNumber)
        return false;
    return roleTypes.contains(type.data(Qt::DisplayRole).toString());
}

QString associatedNetType(QString typeName)
{
    return store().associatedNetTypes.value(withoutBlanks(typeName));
}

const GateDefinition *findGateDefinition(const QString &key)
{
    const auto it = store().gateMapping.constFind(key);
    return it == store().gateMapping.constEnd() ? nullptr : &it.value();
}

void addNetlistType(NetlistRole role, const QString &typeName)
{
    QStringList &list = store().list(role);
    list << typeName << typeName + QLatin1String(" *") << typeName + QLatin1String(" &");
}

void setAssociatedNetType(const QString &typeName, const QString &netType)
{
    // Looked up without blanks, so stored without them.
    const QString key = withoutBlanks(typeName);
    const QString value = netType + QLatin1String(" *");
    QMap<QString, QString> &map = store().associatedNetTypes;
    map.insert(key, value);
    map.insert(key + QLatin1Char('*'), value);
    map.insert(key + QLatin1Char('&'), value);
}

void setGateDefinition(const QString &key, const GateDefinition &definition)
{
    store().gateMapping.insert(key, definition);
}

void clearNetlistTypes()
{
    NetlistTypeStore &s = store();
    s.gateMapping.clear();
    s.instanceTypes.clear();
    s.instanceTerminalTypes.clear();
    s.netTypes.clear();
    s.moduleTypes.clear();
    s.modulePortTypes.clear();
    s.associatedNetTypes.clear();
}

void loadNetlistTypes(const QString &organization, const QString &application)
{
    clearNetlistTypes();

    QSettings roles(QSettings::IniFormat, QSettings::UserScope, organization, application + roleFileSuffix);
    const QStringList typeGroups = roles.childGroups();
    for (const QString &group : typeGroups) {
        roles.beginGroup(group);
        const QStringList keys = roles.childKeys();
        const QString typeName = keys.contains(typeNameKey)
                ? settingText(roles.value(typeNameKey))
                : QString(group).replace(QLatin1Char('_'), QLatin1Char(':'));
        for (const QString &key : keys) {
            const QString value = settingText(roles.value(key));
            if (key == typeKey) {
                for (const RoleWord &role : roleWords)
                    if (value == QLatin1String(role.word))
                        addNetlistType(role.role, typeName);
            } else if (key == associatedNetTypeKey) {
                setAssociatedNetType(typeName, value);
            }
        }
        roles.endGroup();
    }

    QSettings gates(QSettings::IniFormat, QSettings::UserScope, organization, application + gateFileSuffix);
    const QStringList gateGroups = gates.childGroups();
    for (const QString &group : gateGroups) {
        gates.beginGroup(group);
        int kind = 0;
        QString mapping;
        const QStringList keys = gates.childKeys();
        for (const QString &key : keys) {
            if (key == internalTypeKey)
                kind = GraphEngine::gateKindFromString(settingText(gates.value(key)));
            else if (key == portMappingKey)
                mapping = settingText(gates.value(key));
        }
        if (kind != 0)
            setGateDefinition(group, GateDefinition(kind, mapping));
        gates.endGroup();
    }
}

void saveNetlistTypes(const QString &organization, const QString &application)
{
    {
        QSettings roles(QSettings::IniFormat, QSettings::UserScope, organization, application + roleFileSuffix);
        // Only the bare name is written; loading makes the "*" and "&" forms.
        for (const RoleWord &role : roleWords) {
            for (const QString &typeName : qAsConst(store().list(role.role)))
                if (!isPointerOrReferenceForm(typeName))
                    writeTypeGroup(roles, typeName, typeKey, QLatin1String(role.word));
        }
        const QMap<QString, QString> &nets = store().associatedNetTypes;
        for (auto it = nets.constBegin(); it != nets.constEnd(); ++it) {
            if (!isPointerOrReferenceForm(it.key()))
                writeTypeGroup(roles, it.key(), associatedNetTypeKey, it.value().left(qMax(0, it.value().size() - 2)));
        }
    }

    QSettings gates(QSettings::IniFormat, QSettings::UserScope, organization, application + gateFileSuffix);
    const QMap<QString, GateDefinition> &mapping = store().gateMapping;
    for (auto it = mapping.constBegin(); it != mapping.constEnd(); ++it) {
        gates.beginGroup(it.key());
        gates.setValue(internalTypeKey, GraphEngine::gateKindToString(it.value().internalType));
        gates.setValue(portMappingKey, it.value().portMapping);
        gates.endGroup();
    }
}

} // namespace Internal
} // namespace KorvanDebugger
