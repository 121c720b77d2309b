// The type-to-role registry, gate definitions and the built-in table, with the
// settings files in a temporary folder.

#include "common/testenvironment.h"

#include "graphengine/model/baseenum.h"
#include "netlist/gatedefinition.h"
#include "netlist/netlisttypes.h"
#include "netlist/netlisttypes_p.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardItemModel>
#include <QTest>

using namespace KorvanDebugger::Internal;
using GraphEngine::BaseEnum;

namespace {

const QString org = QStringLiteral("Korvan");
const QString app = QStringLiteral("Debugger");

QString roleFile(const TestEnvironment &env)
{
    return env.filePath(QStringLiteral("config/Korvan/Debugger/NetlistElementDefinition.ini"));
}

QString gateFile(const TestEnvironment &env)
{
    return env.filePath(QStringLiteral("config/Korvan/Debugger/UserGateMapping.ini"));
}

void writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "a=A;b=B" for a port-name map.
QString mapText(const QMap<QString, QString> &map)
{
    QStringList pairs;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        pairs << it.key() + QLatin1Char('=') + it.value();
    return pairs.join(QLatin1Char(';'));
}

QStringList threeForms(const QString &type)
{
    return {type, type + QLatin1String(" *"), type + QLatin1String(" &")};
}

} // namespace

class TestNetlistTypes : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearNetlistTypes(); }
    void cleanup() { clearNetlistTypes(); }

    void gateDefinition_data();
    void gateDefinition();
    void roleTestsNormaliseConstOnly();
    void rowRoleTest();
    void associatedNetTypeIgnoresBlanks();
    void roundTripKeepsEveryName();
    void filesOfTheOldNamingStillLoad();
    void gateGroupsNeedAKnownKind();
    void savingTwiceChangesNothing();
    void builtinTableOnFirstStart();
    void builtinTableOnLaterStarts();
};

void TestNetlistTypes::gateDefinition_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<QString>("expectedMap");
    QTest::addColumn<int>("expectedRoles");

    QTest::newRow("tristate, one internal name twice")
        << int(BaseEnum::TRISTATE) << "A:i,Out:o,S:c,S:s" << "c=S;i=A;o=Out;s=S" << 0;
    QTest::newRow("constant, no pairs") << int(BaseEnum::VCC) << "o" << "" << 0;
    QTest::newRow("port, empty text") << int(BaseEnum::INPUTPORT) << "" << "" << 0;
    QTest::newRow("flop roles")
        << int(BaseEnum::FLOP) << "D:d,CLK:clk,PRE:s,CLR:r,Q:q" << "clk=CLK;d=D;q=Q;r=CLR;s=PRE"
        << int(BaseEnum::D | BaseEnum::CLK | BaseEnum::PRE | BaseEnum::CLR | BaseEnum::Q);
    QTest::newRow("flop, blank before colon is no role")
        << int(BaseEnum::FLOP) << "D :d,Q:q" << "d=D;q=Q" << int(BaseEnum::Q);
    QTest::newRow("roles only for flops")
        << int(BaseEnum::AND) << "D:d,CLK:clk" << "clk=CLK;d=D" << 0;
    QTest::newRow("blanks trimmed, two colons ignored")
        << int(BaseEnum::AND) << " A : a0 ,B:x:a1, Out  Pin :o" << "a0=A;o=Out Pin" << 0;
    QTest::newRow("nand text unchanged") << int(BaseEnum::NAND) << "A:a0,B1:a1,Out:o" << "a0=A;a1=B1;o=Out" << 0;
    QTest::newRow("last pair for an instance port wins") << int(BaseEnum::OR) << "A:x,B:x" << "x=B" << 0;
}

void TestNetlistTypes::gateDefinition()
{
    QFETCH(int, kind);
    QFETCH(QString, mapping);
    const GateDefinition definition(kind, mapping);
    QCOMPARE(definition.internalType, kind);
    QCOMPARE(definition.portMapping, mapping);
    QTEST(mapText(definition.portNameMap), "expectedMap");
    QTEST(definition.portRoles, "expectedRoles");
}

void TestNetlistTypes::roleTestsNormaliseConstOnly()
{
    addNetlistType(NetlistRole::Net, QStringLiteral("Verific::Net"));
    addNetlistType(NetlistRole::Instance, QStringLiteral("Verific::Instance"));
    addNetlistType(NetlistRole::Module, QStringLiteral("Verific::Netlist"));
    addNetlistType(NetlistRole::ModulePort, QStringLiteral("Verific::Port"));
    addNetlistType(NetlistRole::InstanceTerminal, QStringLiteral("Verific::PortRef"));
    QCOMPARE(netTypes(), threeForms(QStringLiteral("Verific::Net")));

    // Plain, const and pointer forms.
    QVERIFY(isNetType(QStringLiteral("Verific::Net")));
    QVERIFY(isNetType(QStringLiteral("const Verific::Net")));
    QVERIFY(isNetType(QStringLiteral("Verific::Net * const")));
    QVERIFY(isNetType(QStringLiteral("const Verific::Net * const")));
    QVERIFY(isNetType(QStringLiteral("Verific::Net &")));
    // Only the const words are normalised.
    QVERIFY(!isNetType(QStringLiteral("Verific::Net*")));
    QVERIFY(!isNetType(QStringLiteral("verific::net")));
    QVERIFY(isNetType(QStringLiteral("Verific::Net const")));
    QVERIFY(!isNetType(QStringLiteral("volatile Verific::Net")));

    const QString caller = QStringLiteral("const Verific::Instance *");
    QVERIFY(isInstanceType(caller));
    QCOMPARE(caller, QStringLiteral("const Verific::Instance *"));
    QVERIFY(!isNetType(caller));
    QVERIFY(isModuleType(QStringLiteral("Verific::Netlist *")));
    QVERIFY(!isModulePortType(QStringLiteral("Verific::PortRef")));
    QVERIFY(isInstanceTerminalType(QStringLiteral("Verific::PortRef * const")));

    for (const char *type : {"Verific::Net *", "Verific::Instance", "Verific::Netlist &", "const Verific::Port",
                             "Verific::PortRef * const"})
        QVERIFY2(isNetlistType(QLatin1String(type)), type);
    QVERIFY(!isNetlistType(QStringLiteral("int")));
}

void TestNetlistTypes::rowRoleTest()
{
    addNetlistType(NetlistRole::Instance, QStringLiteral("Verific::Instance"));
    QStandardItemModel model(0, 3);
    auto addRow = [&](const char *name, const char *value, const char *type) {
        model.appendRow({new QStandardItem(QLatin1String(name)), new QStandardItem(QLatin1String(value)),
                         new QStandardItem(QLatin1String(type))});
        return model.index(model.rowCount() - 1, 0);
    };
    const QModelIndex instance = addRow("u1", "\u21e5u1\u200a(a)", "Verific::Instance *");
    const QModelIndex counter = addRow("Nb Instances", "<3 items>", "Verific::Instance *");
    const QModelIndex number = addRow("x", "42", "Verific::Instance *");
    const QModelIndex other = addRow("n", "net", "Verific::Net *");
    const QModelIndex nbits = addRow("Nbits", "\u21e5Nbits\u200a()", "Verific::Instance");

    QVERIFY(isIndexOfRole(instance, instanceTypes()));
    QVERIFY(isIndexOfRole(instance.sibling(instance.row(), 2), instanceTypes()));
    QVERIFY(!isIndexOfRole(instance, netTypes()));
    QVERIFY(!isIndexOfRole(counter, instanceTypes()));
    QVERIFY(isIndexOfRole(nbits, instanceTypes()));
    QVERIFY(!isIndexOfRole(number, instanceTypes()));
    QVERIFY(!isIndexOfRole(other, instanceTypes()));
    QVERIFY(!isIndexOfRole(QModelIndex(), instanceTypes()));

    // A model with too few columns has no type to test.
    QStandardItemModel narrow(1, 2);
    QVERIFY(!isIndexOfRole(narrow.index(0, 0), instanceTypes()));
}

void TestNetlistTypes::associatedNetTypeIgnoresBlanks()
{
    setAssociatedNetType(QStringLiteral("Verific::Instance"), QStringLiteral("Verific::Net"));
    const QString net = QStringLiteral("Verific::Net *");
    QCOMPARE(associatedNetType(QStringLiteral("Verific::Instance")), net);
    QCOMPARE(associatedNetType(QStringLiteral("Verific::Instance &")), net);
    QCOMPARE(associatedNetType(QStringLiteral("Verific::Instance*")), net);
    QVERIFY(associatedNetType(QStringLiteral("Verific::Net")).isEmpty());
    QVERIFY(associatedNetType(QStringLiteral("const Verific::Instance *")).isEmpty());
    QCOMPARE(associatedNetTypes().size(), 3);
}

void TestNetlistTypes::roundTripKeepsEveryName()
{
    TestEnvironment env;
    const QStringList names = {QStringLiteral("my_type"), QStringLiteral("ns::Outer<int>::inner_t"),
                               QStringLiteral("std::pair<int, a_b::c>"), QStringLiteral("Verific::Net")};
    addNetlistType(NetlistRole::Instance, names.at(0));
    addNetlistType(NetlistRole::Module, names.at(1));
    addNetlistType(NetlistRole::ModulePort, names.at(2));
    addNetlistType(NetlistRole::Net, names.at(3));
    addNetlistType(NetlistRole::InstanceTerminal, QStringLiteral("my:type"));
    setAssociatedNetType(names.at(0), QStringLiteral("my_net"));
    setAssociatedNetType(names.at(2), QStringLiteral("ns::net_t<a_b>"));
    setGateDefinition(QStringLiteral("MY_AND<2>"), GateDefinition(BaseEnum::AND, QStringLiteral("A:a0,B:a1,Out:o")));
    setGateDefinition(QStringLiteral("ns::dff_t"), GateDefinition(BaseEnum::FLOP, QStringLiteral("D:d,Q:q")));

    const QStringList instances = instanceTypes(), modules = moduleTypes(), ports = modulePortTypes(),
                      nets = netTypes(), terminals = instanceTerminalTypes();
    const QMap<QString, QString> netMap = associatedNetTypes();
    saveNetlistTypes(org, app);
    QVERIFY(QFile::exists(roleFile(env)));
    QVERIFY(QFile::exists(gateFile(env)));

    loadNetlistTypes(org, app);
    QCOMPARE(instanceTypes(), instances);
    QCOMPARE(moduleTypes(), modules);
    QCOMPARE(modulePortTypes(), ports);
    QCOMPARE(netTypes(), nets);
    QCOMPARE(instanceTerminalTypes(), terminals);
    QCOMPARE(associatedNetTypes(), netMap);
    QVERIFY(isInstanceType(QStringLiteral("my_type *")));
    QVERIFY(!isInstanceType(QStringLiteral("my:type")));
    QCOMPARE(associatedNetType(QStringLiteral("std::pair<int,a_b::c> &")), QStringLiteral("ns::net_t<a_b> *"));

    QCOMPARE(gateMapping().size(), 2);
    const GateDefinition *flop = findGateDefinition(QStringLiteral("ns::dff_t"));
    QVERIFY(flop);
    QCOMPARE(flop->internalType, int(BaseEnum::FLOP));
    QCOMPARE(flop->portRoles, int(BaseEnum::D | BaseEnum::Q));
    const GateDefinition *gate = findGateDefinition(QStringLiteral("MY_AND<2>"));
    QVERIFY(gate);
    QCOMPARE(gate->portMapping, QStringLiteral("A:a0,B:a1,Out:o"));
    QVERIFY(!findGateDefinition(QStringLiteral("MY_AND")));

    // The pointer and reference forms are made on loading, never written.
    QSettings roles(roleFile(env), QSettings::IniFormat);
    for (const QString &group : roles.childGroups())
        QVERIFY2(!group.endsWith(QLatin1Char('*')) && !group.endsWith(QLatin1Char('&')), qPrintable(group));
    QCOMPARE(roles.value(QStringLiteral("my_type/AssociatedNetType")).toString(), QStringLiteral("my_net"));
}

void TestNetlistTypes::filesOfTheOldNamingStillLoad()
{
    TestEnvironment env;
    writeFile(roleFile(env),
              "[Verific__Instance]\nType=instance\nAssociatedNetType=Verific::Net\n"
              "[Verific__Port]\nType=modulePort\n"
              "[my_type]\nType=net\n"
              "[Lower__Case]\nType=Instance\nColour=red\n");
    loadNetlistTypes(org, app);
    QCOMPARE(instanceTypes(), threeForms(QStringLiteral("Verific::Instance")));
    QCOMPARE(modulePortTypes(), threeForms(QStringLiteral("Verific::Port")));
    // Files written before names were kept exactly read "_" as ":".
    QCOMPARE(netTypes(), threeForms(QStringLiteral("my:type")));
    QVERIFY(moduleTypes().isEmpty());
    QVERIFY(instanceTerminalTypes().isEmpty());
    QCOMPARE(associatedNetType(QStringLiteral("Verific::Instance*")), QStringLiteral("Verific::Net *"));
    QCOMPARE(associatedNetTypes().size(), 3);
}

void TestNetlistTypes::gateGroupsNeedAKnownKind()
{
    TestEnvironment env;
    writeFile(gateFile(env),
              "[VERIFIC_AND]\nInternalType=AND\nPortMapping=\"A:a0,B:a1,Out:o\"\n"
              "[HAND_WRITTEN]\nInternalType=TRISTATE\nPortMapping=A:i,S:c,Out:o\n"
              "[lower]\nInternalType=and\nPortMapping=A:a\n"
              "[missing]\nPortMapping=A:a\n"
              "[nomap]\nInternalType=BUFFER\n");
    loadNetlistTypes(org, app);
    QCOMPARE(gateMapping().keys(), QStringList({"HAND_WRITTEN", "VERIFIC_AND", "nomap"}));
    QCOMPARE(findGateDefinition(QStringLiteral("VERIFIC_AND"))->portNameMap.value(QStringLiteral("a1")),
             QStringLiteral("B"));
    // Unquoted commas in a hand-edited file do not lose the mapping.
    QCOMPARE(findGateDefinition(QStringLiteral("HAND_WRITTEN"))->portMapping, QStringLiteral("A:i,S:c,Out:o"));
    QCOMPARE(findGateDefinition(QStringLiteral("nomap"))->internalType, int(BaseEnum::BUFFER));
    QVERIFY(findGateDefinition(QStringLiteral("nomap"))->portMapping.isEmpty());

    // Loading replaces, it does not add.
    loadNetlistTypes(org, app);
    QCOMPARE(gateMapping().size(), 3);
}

void TestNetlistTypes::savingTwiceChangesNothing()
{
    TestEnvironment env;
    addNetlistType(NetlistRole::Module, QStringLiteral("a_b::c<d>"));
    setAssociatedNetType(QStringLiteral("a_b::c<d>"), QStringLiteral("n"));
    setGateDefinition(QStringLiteral("G"), GateDefinition(BaseEnum::XOR, QStringLiteral("A:a")));
    saveNetlistTypes(org, app);
    const QByteArray roles = readFile(roleFile(env)), gates = readFile(gateFile(env));
    QVERIFY(!roles.isEmpty() && !gates.isEmpty());
    saveNetlistTypes(org, app);
    QCOMPARE(readFile(roleFile(env)), roles);
    QCOMPARE(readFile(gateFile(env)), gates);
    QVERIFY(gates.contains("InternalType=XOR"));
}

void TestNetlistTypes::builtinTableOnFirstStart()
{
    TestEnvironment env;
    registerBuiltinNetlistTypes();

    QCOMPARE(instanceTypes().size(), 15);
    QCOMPARE(netTypes().size(), 6);
    QCOMPARE(instanceTerminalTypes().size(), 6);
    QCOMPARE(modulePortTypes().size(), 3);
    QCOMPARE(moduleTypes().size(), 273);
    QCOMPARE(gateMapping().size(), 38);
    QCOMPARE(associatedNetTypes().size(), 21);
    QCOMPARE(instanceTypes().mid(0, 3), threeForms(QStringLiteral("Verific::Instance")));
    QCOMPARE(instanceTypes().mid(6, 3), threeForms(QStringLiteral("GraphEngine::Gate")));
    QCOMPARE(moduleTypes().mid(270), threeForms(QStringLiteral("GraphEngine::Module")));
    QCOMPARE(associatedNetType(QStringLiteral("GraphEngine::GatePort *")), QStringLiteral("GraphEngine::Edge *"));
    QCOMPARE(associatedNetType(QStringLiteral("Verific::PortRef")), QStringLiteral("Verific::Net *"));
    QVERIFY(associatedNetType(QStringLiteral("Verific::LutInstance")).isEmpty());

    QCOMPARE(findGateDefinition(QStringLiteral("VERIFIC_NAND"))->portNameMap.value(QStringLiteral("a1")),
             QStringLiteral("B"));
    QCOMPARE(findGateDefinition(QStringLiteral("Nand"))->portNameMap.value(QStringLiteral("a1")), QStringLiteral("B"));
    QCOMPARE(findGateDefinition(QStringLiteral("VERIFIC_DFF"))->portRoles,
             int(BaseEnum::D | BaseEnum::CLK | BaseEnum::LD | BaseEnum::VAL | BaseEnum::Q));
    QCOMPARE(findGateDefinition(QStringLiteral("ColPassThrough"))->internalType, int(BaseEnum::COLPASSTHROUGH));

    QSettings roles(roleFile(env), QSettings::IniFormat);
    const QStringList groups = roles.childGroups();
    QCOMPARE(groups.size(), 101);
    int withNet = 0;
    for (const QString &group : groups)
        withNet += roles.contains(group + QLatin1String("/AssociatedNetType"));
    QCOMPARE(withNet, 7);
    QCOMPARE(roles.value(QStringLiteral("Verific::Instance/Type")).toString(), QStringLiteral("instance"));
    QCOMPARE(roles.value(QStringLiteral("GraphEngine::Vcc/AssociatedNetType")).toString(),
             QStringLiteral("GraphEngine::Edge"));
    QSettings gates(gateFile(env), QSettings::IniFormat);
    QCOMPARE(gates.childGroups().size(), 38);
    QCOMPARE(gates.value(QStringLiteral("VERIFIC_DFF/InternalType")).toString(), QStringLiteral("FLOP"));

    // Once filled, the registry is left alone.
    registerBuiltinNetlistTypes();
    QCOMPARE(instanceTypes().size(), 15);
}

void TestNetlistTypes::builtinTableOnLaterStarts()
{
    TestEnvironment env;
    registerBuiltinNetlistTypes();
    const QByteArray roles = readFile(roleFile(env));
    {
        QSettings gates(gateFile(env), QSettings::IniFormat);
        gates.setValue(QStringLiteral("MY_GATE/InternalType"), QStringLiteral("XNOR"));
        gates.setValue(QStringLiteral("MY_GATE/PortMapping"), QStringLiteral("A:x,Out:y"));
        gates.setValue(QStringLiteral("VERIFIC_AND/PortMapping"), QStringLiteral("A:p,Out:q"));
    }

    clearNetlistTypes();
    registerBuiltinNetlistTypes();
    // Appending does not look for names loaded already.
    QCOMPARE(instanceTypes().size(), 30);
    QCOMPARE(moduleTypes().size(), 546);
    QCOMPARE(instanceTypes().count(QStringLiteral("Verific::LutInstance &")), 2);
    QCOMPARE(associatedNetTypes().size(), 21);
    QCOMPARE(gateMapping().size(), 39);
    QCOMPARE(findGateDefinition(QStringLiteral("MY_GATE"))->portNameMap.value(QStringLiteral("y")),
             QStringLiteral("Out"));
    QCOMPARE(findGateDefinition(QStringLiteral("VERIFIC_AND"))->portMapping, QStringLiteral("A:a0,B:a1,Out:o"));
    QCOMPARE(readFile(roleFile(env)), roles);

    clearNetlistTypes();
    registerBuiltinNetlistTypes();
    QCOMPARE(gateMapping().size(), 39);
    QSettings gates(gateFile(env), QSettings::IniFormat);
    QCOMPARE(gates.value(QStringLiteral("VERIFIC_AND/PortMapping")).toString(), QStringLiteral("A:a0,B:a1,Out:o"));
}

QTEST_MAIN(TestNetlistTypes)
#include "tst_netlisttypes.moc"
