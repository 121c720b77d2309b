// End to end in real GDB: tests/fixtures/netlistdesign.cpp stopped with its
// design in memory, its netlist shown by the Verific printers, the shown
// texts read back into records and built into a module, which must hold the
// ports, gates and nets the program itself reports on stdout.

#include "common/pythonrunner.h"
#include "common/testenvironment.h"
#include "dumper/dumpertestsupport.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "netlist/graphrecords.h"
#include "netlist/netlisttypes.h"
#include "netlist/netlisttypes_p.h"
#include "netlist/stackpathentries.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QStandardItemModel>
#include <QTest>

using namespace UndoFramework;
using DumperTest::childByPath;
using GraphEngine::BaseEnum;
using GraphEngine::Gate;
using GraphEngine::Module;
using GraphEngine::Name;

namespace {

// What the program reports of one netlist ("DESIGN" lines).
struct DesignPort
{
    QString name, direction, net, address;
};
struct DesignTerminal
{
    QString instance, port, net, netAddress;
};
struct DesignNetlist
{
    QString address;
    QList<DesignPort> ports;
    QMap<QString, QPair<QString, QString>> instances; // name -> (definition, address)
    QList<DesignTerminal> terminals;
    QStringList nets;
};

QMap<QString, DesignNetlist> designOf(const QString &output)
{
    QMap<QString, DesignNetlist> design;
    DesignNetlist *current = nullptr;
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        const QStringList f = line.trimmed().split(QLatin1Char(' '));
        if (f.value(0) != QLatin1String("DESIGN") || f.size() < 3)
            continue;
        if (f[1] == "netlist") {
            current = &design[f[2]];
            current->address = f.value(3);
        } else if (!current) {
            continue;
        } else if (f[1] == "port" && f.size() == 6) {
            current->ports.append({f[2], f[3], f[4], f[5]});
        } else if (f[1] == "instance" && f.size() == 5) {
            current->instances.insert(f[2], {f[3], f[4]});
        } else if (f[1] == "terminal" && f.size() == 6) {
            current->terminals.append({f[2], f[3], f[4], f[5]});
        } else if (f[1] == "net") {
            current->nets.append(f[2]);
        }
    }
    return design;
}

quint64 addressOf(const QJsonObject &item)
{
    bool ok = false;
    const quint64 address = item.value("address").toString().toULongLong(&ok, 16);
    return ok ? address : 0;
}

QString unquoted(QString text)
{
    if (text.startsWith(QLatin1Char('"')))
        text.remove(0, 1);
    if (text.endsWith(QLatin1Char('"')))
        text.chop(1);
    return text;
}

Gate *gateNamed(Module *module, const QString &name)
{
    return module->gates->map.value(Name(name));
}

QString netOf(const Gate *gate, const QString &port)
{
    const GraphEngine::GatePort *p = gate ? gate->findPortByName(port) : nullptr;
    if (!p)
        return QStringLiteral("<no port>");
    return p->net ? p->net->name.text() : QStringLiteral("-");
}

const QString referenceKey = QStringLiteral("Reference");

} // namespace

class TestNetlistGdb : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void printedTextsReadBack();
    void builtModuleMatchesTheProgram();
    void definitionModuleOfTheHierarchy();
    void builtModuleWritesValidVerilog();
    void stackValuesName();
    void busesAndNullPointers();
    void textFunctionsOnEdgeInputs();
    void engineModuleRoundTrip();

private:
    // The instance rows read into records (Qt Test checks on the way).
    void readInstances(QList<Instance> &instances);

    TestEnvironment *m_env = nullptr;
    DumperTest::Fixture m_fixture{QStringLiteral("netlistdesign")};
    QJsonArray m_items;
    DesignNetlist m_top;
    DesignNetlist m_halfAdder;
    QStandardItemModel m_portRows;
    GraphUndoState m_state;
    Module *m_module = nullptr;
};

void TestNetlistGdb::initTestCase()
{
    m_env = new TestEnvironment;
    KorvanDebugger::Internal::registerBuiltinNetlistTypes();
    QString error;
    if (!m_fixture.prepare(&error))
        QFAIL(qPrintable(error));
    const QString resources = DumperTest::sourceRoot() + "/resources/";
    const QStringList scripts = {resources + "VerificBase.py", resources + "VerificNetlist.py", resources + "VerificVhdl.py",
                                 resources + "VerificVerilog.py"};
    const DumperTest::GdbRun run = m_fixture.run(
            scripts, {DumperTest::fetchCommand({"top", "gate", "port", "terminal", "net", "bus", "vhdlBus", "noNet"}, false,
                                               {"inspect.1", "inspect.1.Nb Ports", "inspect.1.Nb Instances", "inspect.2", "inspect.3"})});
    QVERIFY2(run.fetches.size() == 1, qPrintable(run.output));
    QVERIFY2(!run.output.contains("Traceback"), qPrintable(run.output));
    m_items = run.fetches.first();
    const QMap<QString, DesignNetlist> design = designOf(run.output);
    QVERIFY2(design.contains("top") && design.contains("half_adder"), qPrintable(run.output));
    m_top = design.value("top");
    m_halfAdder = design.value("half_adder");
}

void TestNetlistGdb::cleanupTestCase()
{
    delete m_env;
}

void TestNetlistGdb::printedTextsReadBack()
{
    const QJsonObject top = childByPath(m_items, "top", QString());
    QCOMPARE(unquoted(top.value("value").toString()), QStringLiteral("top"));
    // The address goes from the printed text to the record in 64 bits.
    QCOMPARE(addressOf(top), m_top.address.toULongLong(nullptr, 16));
    QVERIFY(addressOf(top) > Q_UINT64_C(0xFFFFFFFF));
    m_state = GraphUndoState(GraphDataBase(), addressOf(top));
    m_state.moduleName = unquoted(top.value("value").toString());

    const QJsonArray portRows = childByPath(m_items, "top", "Nb Ports").value("children").toArray();
    QCOMPARE(portRows.size(), m_top.ports.size());
    for (int row = 0; row < portRows.size(); ++row) {
        const QJsonObject item = portRows.at(row).toObject();
        m_portRows.appendRow({new QStandardItem(item.value("name").toString()), new QStandardItem(item.value("value").toString())});
        const Port port(m_portRows.index(row, 1), item.value("type").toString(), addressOf(item));
        const DesignPort &expected = m_top.ports.at(row);
        QCOMPARE(port.name, expected.name);
        QCOMPARE(port.direction, QStringList({"in", "out", "inout"}).indexOf(expected.direction));
        QCOMPARE(port.connection.isEmpty() ? port.name : port.connection, expected.net);
        QCOMPARE(port.properties.value(referenceKey).toString(), expected.address);
        m_state.ports.append(port);
    }

    readInstances(m_state.instances);
}

void TestNetlistGdb::readInstances(QList<Instance> &instances)
{
    instances.clear();
    const QJsonArray instanceRows = childByPath(m_items, "top", "Nb Instances").value("children").toArray();
    QCOMPARE(instanceRows.size(), m_top.instances.size());
    QMap<QString, QString> terminalNets;
    QMap<QString, QString> terminalNetAddresses;
    for (const DesignTerminal &t : qAsConst(m_top.terminals)) {
        terminalNets.insert(t.instance + "." + t.port, t.net == "-" ? QString() : t.net);
        terminalNetAddresses.insert(t.instance + "." + t.port, t.net == "-" ? QString() : t.netAddress);
    }
    int terminals = 0;
    for (const QJsonValue &value : instanceRows) {
        const QJsonObject item = value.toObject();
        const Instance instance(unquoted(item.value("name").toString()), item.value("value").toString(),
                                item.value("type").toString(), addressOf(item));
        QVERIFY2(instance.gateKind != 0, qPrintable(item.value("value").toString()));
        QVERIFY(m_top.instances.contains(instance.name));
        QCOMPARE(instance.definition, m_top.instances.value(instance.name).first);
        QCOMPARE(instance.properties.value(referenceKey).toString(), m_top.instances.value(instance.name).second);
        for (const InstanceTerminal &terminal : instance.terminals) {
            const QString key = instance.name + "." + terminal.portName;
            QVERIFY2(terminalNets.contains(key), qPrintable(key));
            QCOMPARE(terminal.netName, terminalNets.value(key));
            QCOMPARE(terminal.netProperties.value(referenceKey).toString(), terminalNetAddresses.value(key));
            QCOMPARE(terminal.netProperties.value("Object Type").toString(), QStringLiteral("Verific::Net *"));
            ++terminals;
        }
        instances.append(instance);
    }
    QCOMPARE(terminals, m_top.terminals.size());
}

void TestNetlistGdb::builtModuleMatchesTheProgram()
{
    QVERIFY(!m_state.instances.isEmpty());
    // The built-in table maps every primitive of the design, the NAND
    // included, onto the pins of its drawn gate.
    QString error;
    m_module = m_state.buildModule(error);
    QVERIFY2(m_module, qPrintable(error));
    QCOMPARE(m_module->name, QStringLiteral("top"));

    // Ports: one port gate each, of its direction, on its net.
    QCOMPARE(m_module->portGates->count(), m_top.ports.size());
    for (const DesignPort &port : qAsConst(m_top.ports)) {
        Gate *portGate = m_module->portGates->map.value(Name(port.name, false, true));
        QVERIFY2(portGate, qPrintable(port.name));
        const int kinds[] = {BaseEnum::INPUTPORT, BaseEnum::OUTPUTPORT, BaseEnum::INOUTPORT};
        QCOMPARE(portGate->kind, kinds[QStringList({"in", "out", "inout"}).indexOf(port.direction)]);
        QCOMPARE(netOf(portGate, port.name), port.net);
        QCOMPARE(portGate->properties.value(referenceKey).toString(), port.address);
    }

    // Gates: one per instance, of the kind its cell maps to.
    QCOMPARE(m_module->gateCount(), m_top.instances.size());
    QSet<int> kinds;
    for (auto it = m_top.instances.cbegin(); it != m_top.instances.cend(); ++it) {
        Gate *gate = gateNamed(m_module, it.key());
        QVERIFY2(gate, qPrintable(it.key()));
        const KorvanDebugger::Internal::GateDefinition *mapping = KorvanDebugger::Internal::findGateDefinition(it.value().first);
        QCOMPARE(gate->kind, mapping ? mapping->internalType : int(BaseEnum::GENERIC));
        kinds.insert(gate->kind);
        if (!(gate->kind >= BaseEnum::VCC && gate->kind <= BaseEnum::Z))
            QCOMPARE(gate->properties.value(referenceKey).toString(), it.value().second);
    }
    // Every gate kind the Verific cells map to, and the hierarchy.
    for (int kind : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 19, 20, 21, 22})
        QVERIFY2(kinds.contains(kind), qPrintable(GraphEngine::gateKindToString(kind)));

    // Connections: each terminal's formal port on the reported net; an open
    // flip-flop pin leaves the drawn shape.
    for (const DesignTerminal &t : qAsConst(m_top.terminals)) {
        Gate *gate = gateNamed(m_module, t.instance);
        if (gate->kind >= BaseEnum::VCC && gate->kind <= BaseEnum::Z) {
            QCOMPARE(gate->ports.list().first()->net->name.text(), t.net);
            continue;
        }
        const QString net = netOf(gate, t.port);
        if (t.net == "-")
            QVERIFY2(net == "-" || net == "<no port>", qPrintable(t.instance + "." + t.port));
        else
            QCOMPARE(net, t.net);
    }

    // Nets: exactly the program's.
    QSet<QString> built;
    for (const GraphEngine::Edge *net : m_module->edges->elements())
        built.insert(net->name.text());
    QCOMPARE(built, QSet<QString>(m_top.nets.cbegin(), m_top.nets.cend()));
}

void TestNetlistGdb::definitionModuleOfTheHierarchy()
{
    QVERIFY(m_module);
    Module *definition = m_state.graphDataBase.registry(m_state.myDBKey)->value("half_adder");
    QVERIFY(definition);
    QCOMPARE(definition->portGates->count(), m_halfAdder.ports.size());
    for (const DesignPort &port : qAsConst(m_halfAdder.ports)) {
        Gate *portGate = definition->portGates->map.value(Name(port.name, false, true));
        QVERIFY2(portGate, qPrintable(port.name));
        QCOMPARE(portGate->kind, port.direction == "out" ? int(BaseEnum::OUTPUTPORT) : int(BaseEnum::INPUTPORT));
    }
    Gate *ha2 = gateNamed(m_module, "ha2");
    QCOMPARE(ha2->typeName, QStringLiteral("half_adder"));
    QCOMPARE(netOf(ha2, "c"), QStringLiteral("y"));
}

void TestNetlistGdb::builtModuleWritesValidVerilog()
{
    QVERIFY(m_module);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("top.v"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString text = m_module->writeVerilog();
    QVERIFY(text.contains(QStringLiteral("module half_adder")));
    file.write(text.toUtf8());
    file.close();
    QProcess icarus;
    icarus.setProcessChannelMode(QProcess::MergedChannels);
    icarus.start(QStringLiteral("iverilog"), {QStringLiteral("-t"), QStringLiteral("null"), path});
    QVERIFY2(icarus.waitForFinished(60000), "iverilog did not finish");
    QVERIFY2(icarus.exitStatus() == QProcess::NormalExit && icarus.exitCode() == 0,
             qPrintable(QString::fromUtf8(icarus.readAll()) + "\n" + text));
}

void TestNetlistGdb::stackValuesName()
{
    QVERIFY(m_module);
    QMap<QString, StackPathEntry> path;
    for (const char *variable : {"gate", "port", "terminal", "net"}) {
        const QJsonObject item = childByPath(m_items, variable, QString());
        QVERIFY2(KorvanDebugger::Internal::classifyStackValue(path, variable, item.value("address").toString(),
                                                              item.value("type").toString(), 1, item.value("value").toString()),
                 variable);
    }
    QCOMPARE(path.size(), 4);
    for (const StackPathEntry &entry : qAsConst(path)) {
        switch (entry.elementType) {
        case GraphEngine::GuiGateItem:
            QCOMPARE(entry.elementName.text(), QStringLiteral("and1"));
            QVERIFY(gateNamed(m_module, entry.elementName.text()));
            break;
        case GraphEngine::GuiAnyPortGateItem:
            QCOMPARE(entry.elementName.text(), QStringLiteral("clk"));
            QVERIFY(m_module->portGates->map.value(Name("clk", false, true)));
            break;
        case GraphEngine::GuiGatePortItem:
            QCOMPARE(entry.elementName.text(), QStringLiteral("ha2"));
            QCOMPARE(entry.portName, QStringLiteral("a"));
            QVERIFY(gateNamed(m_module, "ha2")->findPortByName(entry.portName));
            break;
        case GraphEngine::GuiNetItem:
            QCOMPARE(entry.elementName.text(), QStringLiteral("n_mux"));
            QVERIFY(m_module->edges->find(entry.elementName));
            break;
        default:
            QFAIL("unexpected element type");
        }
    }
}

void TestNetlistGdb::busesAndNullPointers()
{
    const QString in = QString(QChar(0x21E5));
    const QString out = QString(QChar(0x21A6));
    QCOMPARE(childByPath(m_items, "bus", QString()).value("value").toString(), in + "d[3:0]");
    QCOMPARE(childByPath(m_items, "vhdlBus", QString()).value("value").toString(), out + "v(0 to 7)");
    const QJsonObject none = childByPath(m_items, "noNet", QString());
    QCOMPARE(none.value("value").toString(), QStringLiteral("0x0"));
    QCOMPARE(none.value("numchild").toInt(), 0);
    QVERIFY(!none.value("error").toBool());
}

// The text functions and the engine printers' list readers alone, on edge
// inputs, by python3 and in GDB (tests/netlist/verifictexts.py).
void TestNetlistGdb::textFunctionsOnEdgeInputs()
{
    const QString root = DumperTest::sourceRoot();
    const PythonRun run = runPython(QStringLiteral("import sys\nsys.argv = ['', '%1/resources/']\n"
                                                   "exec(open('%1/tests/netlist/verifictexts.py').read())\n")
                                            .arg(root));
    QVERIFY(run.started);
    QCOMPARE(run.output.trimmed(), QStringLiteral("ok"));
    // The same in GDB's own Python, where the printers run.
    QProcess gdb;
    gdb.setProcessChannelMode(QProcess::MergedChannels);
    gdb.start(QStringLiteral("gdb"), {QStringLiteral("-batch"), QStringLiteral("-nx"), QStringLiteral("-ex"),
                                      QStringLiteral("python import sys; sys.argv = ['', '%1/resources/']; "
                                                     "exec(open('%1/tests/netlist/verifictexts.py').read())")
                                          .arg(root)});
    QVERIFY(gdb.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(gdb.readAll()).trimmed(), QStringLiteral("ok"));
}

// The engine's own printers: a module built by a program on the graph
// engine, shown, read back and built again, is the module the program had.
void TestNetlistGdb::engineModuleRoundTrip()
{
    DumperTest::Fixture fixture(QStringLiteral("enginedesign"));
    QString error;
    QVERIFY2(fixture.usePrebuilt(QStringLiteral(KORVAN_ENGINE_DESIGN), &error), qPrintable(error));
    const QString resources = DumperTest::sourceRoot() + "/resources/";
    QStringList scripts;
    for (const char *name : {"VerificBase.py", "VerificNetlist.py", "VerificVhdl.py", "VerificVerilog.py", "Korvan.py"})
        scripts << resources + name;
    const DumperTest::GdbRun run = fixture.run(
            scripts, {DumperTest::fetchCommand({"module", "gate", "pin", "net"}, false,
                                               {"inspect.1", "inspect.1.Nb Ports", "inspect.1.Nb Instances", "inspect.2", "inspect.3"})});
    QVERIFY2(run.fetches.size() == 1 && !run.output.contains("Traceback"), qPrintable(run.output));
    const QJsonArray items = run.fetches.first();

    // The program's own view of its module.
    QMap<QString, int> gateKinds;
    QMap<QString, QString> pins; // "gate.pin" -> net
    QSet<QString> nets;
    for (const QString &line : run.output.split(QLatin1Char('\n'))) {
        const QStringList f = line.trimmed().split(QLatin1Char(' '));
        if (f.value(0) == "DESIGN" && f.value(1) == "gate" && f.size() == 4)
            gateKinds.insert(f[2], f[3].toInt());
        else if (f.value(0) == "DESIGN" && f.value(1) == "pin" && f.size() == 5)
            pins.insert(f[2] + "." + f[3], f[4]);
        else if (f.value(0) == "DESIGN" && f.value(1) == "net" && f.size() == 3)
            nets.insert(f[2]);
    }
    QVERIFY2(gateKinds.size() > 6, qPrintable(run.output));

    const QJsonObject top = childByPath(items, "module", QString());
    GraphUndoState state(GraphDataBase(), addressOf(top));
    state.moduleName = unquoted(top.value("value").toString());
    QCOMPARE(state.moduleName, QStringLiteral("engine_top"));
    QStandardItemModel rows;
    for (const QJsonValue &value : childByPath(items, "module", "Nb Ports").value("children").toArray()) {
        const QJsonObject item = value.toObject();
        rows.appendRow({new QStandardItem(item.value("name").toString()), new QStandardItem(item.value("value").toString())});
        const Port port(rows.index(rows.rowCount() - 1, 1), item.value("type").toString(), addressOf(item));
        QVERIFY2(port.direction != 3, qPrintable(item.value("value").toString()));
        state.ports << port;
    }
    for (const QJsonValue &value : childByPath(items, "module", "Nb Instances").value("children").toArray()) {
        const QJsonObject item = value.toObject();
        const Instance instance(unquoted(item.value("name").toString()), item.value("value").toString(),
                                item.value("type").toString(), addressOf(item));
        QVERIFY2(instance.gateKind != 0, qPrintable(item.value("value").toString()));
        state.instances << instance;
    }
    Module *module = state.buildModule(error);
    QVERIFY2(module, qPrintable(error));

    QCOMPARE(module->gates->count(), gateKinds.size());
    for (auto it = gateKinds.cbegin(); it != gateKinds.cend(); ++it) {
        Gate *gate = nullptr;
        for (Gate *candidate : module->gates->elements()) {
            if (candidate->name.text() == it.key())
                gate = candidate;
        }
        QVERIFY2(gate, qPrintable(it.key()));
        QCOMPARE(gate->kind, it.value());
    }
    for (auto it = pins.cbegin(); it != pins.cend(); ++it) {
        const QString gateName = it.key().section(QLatin1Char('.'), 0, 0);
        Gate *gate = gateNamed(module, gateName);
        if (!gate)
            gate = module->portGates->map.value(Name(gateName, false, true));
        QVERIFY2(gate, qPrintable(gateName));
        QCOMPARE(netOf(gate, it.key().section(QLatin1Char('.'), 1)), it.value());
    }
    QSet<QString> built;
    for (const GraphEngine::Edge *net : module->edges->elements())
        built.insert(net->name.text());
    QCOMPARE(built, nets);
    // Terminal directions travel too: the definition module's ports.
    Module *definition = state.graphDataBase.registry(state.myDBKey)->value("engine_sub");
    QVERIFY(definition);
    QCOMPARE(definition->portGates->map.value(Name("x", false, true))->kind, int(BaseEnum::INPUTPORT));
    QCOMPARE(definition->portGates->map.value(Name("z", false, true))->kind, int(BaseEnum::OUTPUTPORT));
    QVERIFY(childByPath(items, "pin", QString()).value("value").toString().startsWith(QChar(0x21E5)));
    // A terminal names its instance as every netlist terminal does, so the
    // expand tool and the stack analysis find it.
    const QJsonObject owner = childByPath(items, "pin", "Parent Instance");
    QVERIFY2(owner.value("value").toString().startsWith(QStringLiteral("mux1")), qPrintable(owner.value("value").toString()));

    // A gate shows its definition as a Verific instance does: the key its
    // kind is drawn by, from which the stack analysis makes its record.
    const QJsonObject gateItem = childByPath(items, "gate", QString());
    const QString cell = unquoted(childByPath(items, "gate", "Definition").value("value").toString());
    QCOMPARE(cell, QStringLiteral("Mux2"));
    const Instance mux(cell, gateItem.value("value").toString(), gateItem.value("type").toString(), addressOf(gateItem));
    QCOMPARE(mux.name, QStringLiteral("mux1"));
    QCOMPARE(mux.gateKind, int(BaseEnum::MUX2));
    QCOMPARE(mux.terminals.size(), 4);

    // Engine values seen on the stack name elements of the module.
    QMap<QString, StackPathEntry> path;
    for (const char *variable : {"gate", "pin", "net"}) {
        const QJsonObject item = childByPath(items, variable, QString());
        QVERIFY(KorvanDebugger::Internal::classifyStackValue(path, variable, variable, item.value("type").toString(), 0,
                                                             item.value("value").toString()));
    }
    QCOMPARE(path.value("gate").elementName.text(), QStringLiteral("mux1"));
    QCOMPARE(path.value("pin").elementName.text(), QStringLiteral("mux1"));
    QCOMPARE(path.value("pin").portName, QStringLiteral("S"));
    QCOMPARE(path.value("net").elementName.text(), QStringLiteral("n2"));
}

QTEST_MAIN(TestNetlistGdb)
#include "tst_netlistgdb.moc"
