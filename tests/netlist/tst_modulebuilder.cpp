// Graph states built into modules: the gate of each kind, definition modules,
// port gates, pin renaming, rebuilds and the two error texts.

#include "common/testenvironment.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "netlist/gatedefinition.h"
#include "netlist/graphrecords.h"

#include <QSet>
#include <QTest>

using namespace UndoFramework;
using GraphEngine::BaseEnum;
using GraphEngine::Edge;
using GraphEngine::Gate;
using GraphEngine::GatePort;
using GraphEngine::Module;
using GraphEngine::Name;

namespace {

constexpr quint64 key = Q_UINT64_C(0x7ffd00001000);

InstanceTerminal terminal(const QString &port, int direction, const QString &net, const QString &pin = QString())
{
    InstanceTerminal t;
    t.portName = port;
    t.pinName = pin.isEmpty() ? port : pin;
    t.direction = direction;
    t.netName = net;
    return t;
}

Instance instance(const QString &name, int kind, const QList<InstanceTerminal> &terminals,
                  const QString &definition = QString())
{
    Instance i;
    i.name = name;
    i.gateKind = kind;
    i.definition = definition;
    i.terminals = terminals;
    return i;
}

Port port(const QString &name, int direction, const QString &connection = QString())
{
    Port p;
    p.name = name;
    p.direction = direction;
    p.connection = connection;
    return p;
}

GraphUndoState state(const QString &moduleName = QStringLiteral("top"))
{
    GraphUndoState s(GraphDataBase(), key);
    s.moduleName = moduleName;
    return s;
}

// Pass-through gates are listed, not keyed: search every gate.
Gate *gate(Module *module, const QString &name)
{
    for (Gate *g : module->gates->elements()) {
        if (g && g->name.text() == name)
            return g;
    }
    return nullptr;
}

QString netOf(Gate *gate, const QString &portName)
{
    const GatePort *port = gate ? gate->findPortByName(portName) : nullptr;
    return port && port->net ? port->net->name.text() : QStringLiteral("<open>");
}

// Every port a net lists belongs to a gate its module's index holds.
bool netsReachOnlyIndexedGates(Module *module)
{
    const QList<Gate *> gates = module->gates->elements();
    for (const Edge *net : module->edges->elements()) {
        for (const GraphEngine::PortList *list : {&net->drivers, &net->loads}) {
            for (const GatePort *p : list->list()) {
                if (!p || !gates.contains(p->owner))
                    return false;
            }
        }
    }
    return true;
}

// A flop instance record as the record reader makes one from the cell's
// mapping: pins renamed to the cell's port names, role flags of every pin the
// mapping names, and only the given terminals (net "" leaves one open).
Instance flopRecord(const QString &mapping, const QList<QPair<QString, QString>> &terminals)
{
    const KorvanDebugger::Internal::GateDefinition definition(BaseEnum::FLOP, mapping);
    QList<InstanceTerminal> list;
    for (const auto &portAndNet : terminals)
        list << terminal(portAndNet.first, portAndNet.second == "q" ? 1 : 0, portAndNet.second,
                         definition.portNameMap.value(portAndNet.first));
    Instance flop = instance("ff1", BaseEnum::FLOP, list);
    flop.roleFlags = definition.portRoles;
    return flop;
}

// What is wrong with a drawn flop: each pin stands on the side of the body
// its group names, within the side and apart from the other pins there; its
// stub reaches outwards (a net meets it off the body's edge), and the gate's
// rectangle holds body, pins and labels.
QString flopShapeFault(Gate *flop)
{
    const QRectF body = flop->bodyRect();
    if (body.width() < 36 || body.height() < 36)
        return QStringLiteral("body too small");
    if (!flop->rect.contains(body))
        return QStringLiteral("body outside the gate's rectangle");
    QSet<QPair<double, double>> seen;
    for (GatePort *p : flop->ports.list()) {
        const QPointF a = p->anchor;
        const QPointF out = p->tip - a;
        bool onSide = false;
        switch (p->attributes.sortGroup()) {
        case 0: onSide = qFuzzyCompare(a.x(), body.right()) && a.y() > body.top() && a.y() < body.bottom() && out.x() >= 10; break;
        case 2: onSide = qFuzzyCompare(a.x(), body.left()) && a.y() > body.top() && a.y() < body.bottom() && out.x() <= -10; break;
        case 3: onSide = qFuzzyCompare(a.y(), body.top()) && a.x() > body.left() && a.x() < body.right() && out.y() <= -10; break;
        case 1: onSide = qFuzzyCompare(a.y(), body.bottom()) && a.x() > body.left() && a.x() < body.right() && out.y() >= 10; break;
        }
        if (!onSide)
            return QString("%1 at (%2, %3), its stub to (%4, %5), off its side of the body (%6, %7, %8 x %9)")
                    .arg(p->name).arg(a.x()).arg(a.y()).arg(p->tip.x()).arg(p->tip.y()).arg(body.x()).arg(body.y())
                    .arg(body.width()).arg(body.height());
        if (seen.contains(qMakePair(a.x(), a.y())))
            return p->name + QStringLiteral(" on another pin");
        seen.insert(qMakePair(a.x(), a.y()));
        const QRectF label(p->labelPos(), p->labelSize());
        if (!flop->rect.contains(QRectF(p->tip, QSizeF(1, 1))) || !flop->rect.contains(label))
            return p->name + QStringLiteral(" outside the gate's rectangle");
    }
    return QString();
}

} // namespace

class TestModuleBuilder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_env = new TestEnvironment; }
    void cleanupTestCase() { delete m_env; }

    void emptyState();
    void gateOfEachKind_data();
    void gateOfEachKind();
    void constantDrivers();
    void flipFlopShapeAfterConnections();
    void flipFlopOfRenamedPins_data();
    void flipFlopOfRenamedPins();
    void portRecords();
    void definitionModulesOfAHierarchy();
    void rebuildAndFindWithoutRebuild();
    void laterRecordReplacesEarlier();
    void terminalsOnTheirPorts();
    void errorTexts();
    void propertiesAndNullKey();

private:
    TestEnvironment *m_env = nullptr;
};

void TestModuleBuilder::emptyState()
{
    GraphUndoState s = state();
    QString error = QStringLiteral("stale");
    Module *module = s.buildModule(error);
    QVERIFY(module);
    QCOMPARE(error, QString());
    QCOMPARE(module->gates->count(), 0);
    QCOMPARE(module->edges->count(), 0);
    QCOMPARE(module->name, QStringLiteral("top"));

    GraphUndoState nameless = state(QString());
    QVERIFY(!nameless.buildModule(error));
    QVERIFY(!error.isEmpty());
}

void TestModuleBuilder::gateOfEachKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("typeText");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QColor>("fill");

    const QColor cyan(Qt::darkCyan);
    const QStringList twoInputs = {"A", "B", "Out"};
    for (int kind : {2, 3, 4, 5, 6, 7, 13})
        QTest::addRow("%s", qPrintable(GraphEngine::gateKindToString(kind))) << kind << GraphEngine::gateKindToString(kind) << twoInputs << cyan;
    QTest::newRow("BUFFER") << 8 << "BUFFER" << QStringList({"A", "Out"}) << cyan;
    QTest::newRow("INVERTER") << 9 << "INVERTER" << QStringList({"A", "Out"}) << cyan;
    QTest::newRow("TRISTATE") << 10 << "TRISTATE" << QStringList({"A", "S", "Out"}) << cyan;
    QTest::newRow("MUX2") << 11 << "MUX2" << QStringList({"D0", "D1", "S", "Out"}) << cyan;
    QTest::newRow("COLPASSTHROUGH") << 18 << "COLPASSTHROUGH" << QStringList({"i", "o"}) << cyan;
    QTest::newRow("OPENINPUT") << 23 << "OPENINPUT" << QStringList({"o"}) << cyan;
    QTest::newRow("LOOPBACKOPENINPUT") << 24 << "LOOPBACKOPENINPUT" << QStringList({"o"}) << cyan;
    QTest::newRow("LOOPBACKOPENOUTPUT") << 25 << "LOOPBACKOPENOUTPUT" << QStringList({"i"}) << cyan;
    QTest::newRow("unknown number: two inputs") << 99 << "" << twoInputs << cyan;
}

void TestModuleBuilder::gateOfEachKind()
{
    QFETCH(int, kind);
    QFETCH(QStringList, ports);
    GraphUndoState s = state();
    s.instances << instance("g", kind, {});
    QString error;
    Module *module = s.buildModule(error);
    QVERIFY2(module, qPrintable(error));
    Gate *built = gate(module, "g");
    QVERIFY(built);
    QCOMPARE(built->kind, kind);
    QTEST(built->typeName, "typeText");
    QTEST(built->fill.color(), "fill");
    QCOMPARE(built->fill.style(), Qt::SolidPattern);
    for (const QString &name : ports)
        QVERIFY2(built->findPortByName(name), qPrintable(name));
    QCOMPARE(built->ports.list().size(), ports.size());
    QCOMPARE(module->gates->count(), 1);
}

void TestModuleBuilder::constantDrivers()
{
    GraphUndoState s = state();
    s.instances << instance("", BaseEnum::VCC, {terminal("o", 1, "n_one")}) << instance("zero", BaseEnum::GND, {terminal("o", 1, "n0")})
                << instance("x1", BaseEnum::X, {terminal("o", 1, "nx")}) << instance("z1", BaseEnum::Z, {terminal("o", 1, "nz")})
                // Port kinds and kind 0 are skipped.
                << instance("p", BaseEnum::INPUTPORT, {}) << instance("q", BaseEnum::OUTPUTPORT, {})
                << instance("r", BaseEnum::INOUTPORT, {}) << instance("none", 0, {});
    QString error;
    Module *module = s.buildModule(error);
    QVERIFY(module);
    QCOMPARE(module->gates->count(), 4);
    // A nameless driver is named after its net and drives it.
    Gate *vcc = gate(module, "n_one");
    QVERIFY(dynamic_cast<GraphEngine::Vcc *>(vcc));
    Edge *net = module->edges->find(Name("n_one"));
    QVERIFY(net);
    QCOMPARE(net->drivers.list().size(), 1);
    QCOMPARE(net->drivers.list().first()->owner, vcc);
    QVERIFY(dynamic_cast<GraphEngine::Gnd *>(gate(module, "zero")));
    QVERIFY(dynamic_cast<GraphEngine::X *>(gate(module, "x1")));
    QVERIFY(dynamic_cast<GraphEngine::Z *>(gate(module, "z1")));
    QCOMPARE(gate(module, "zero")->fill.color(), QColor(Qt::darkCyan));

    // A driver whose name is taken replaces the holder; nothing outside the
    // index stays on a net. Without terminals or name it is skipped.
    GraphUndoState clash = state("clash");
    clash.instances << instance("n", BaseEnum::AND, {terminal("a0", 0, "a", "A")})
                    << instance("", BaseEnum::VCC, {terminal("o", 1, "n")}) << instance("", BaseEnum::GND, {terminal("o", 1, "n")})
                    << instance("", BaseEnum::VCC, {});
    Module *clashed = clash.buildModule(error);
    QVERIFY(clashed);
    QVERIFY(dynamic_cast<GraphEngine::Gnd *>(gate(clashed, "n")));
    QCOMPARE(clashed->gates->count(), 1);
    QVERIFY(netsReachOnlyIndexedGates(clashed));
    QCOMPARE(clashed->edges->find(Name("n"))->drivers.list().size(), 1);
}

void TestModuleBuilder::flipFlopShapeAfterConnections()
{
    GraphUndoState s = state();
    Instance flop = instance("ff", BaseEnum::FLOP, {terminal("d", 0, "nd", "D"), terminal("clk", 0, "clk", "CLK"),
                                                    terminal("s", 0, "", "PRE"), terminal("q", 1, "nq", "Q")});
    for (const char *role : {"D", "CLK", "PRE", "CLR", "Q"})
        flop.roleFlags |= GraphEngine::portRoleFromString(role);
    s.instances << flop;
    QString error;
    Module *module = s.buildModule(error);
    QVERIFY2(module, qPrintable(error));
    Gate *ff = gate(module, "ff");
    QCOMPARE(ff->fill.color(), QColor(Qt::darkGreen));
    // The shape keeps the connected pins only, so it is built after them.
    QStringList names;
    for (const GatePort *p : ff->ports.list())
        names << p->name;
    names.sort();
    QCOMPARE(names, QStringList({"clk", "d", "q"}));
    QCOMPARE(netOf(ff, "d"), QStringLiteral("nd"));
    QCOMPARE(netOf(ff, "q"), QStringLiteral("nq"));
}

void TestModuleBuilder::flipFlopOfRenamedPins_data()
{
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<QStringList>("terminals");
    QTest::addColumn<QStringList>("pins");
    QTest::addColumn<QString>("typeText");

    const QString dffrs = QStringLiteral("D:d,CLK:clk,PRE:s,CLR:r,Q:q");
    const QString dff = QStringLiteral("D:d,CLK:clk,LD:async_cond,VAL:async_val,Q:q");
    // Terminals as "port=net"; an empty net leaves the pin open.
    QTest::newRow("every pin connected") << dffrs << QStringList{"d=n_mux", "clk=clk", "s=n_one", "r=rst", "q=q"}
                                         << QStringList{"clk", "d", "q", "r", "s"} << "FFPREDCLKCLRQ";
    QTest::newRow("one pin open") << dffrs << QStringList{"d=n_mux", "clk=clk", "s=", "r=rst", "q=q"}
                                  << QStringList{"clk", "d", "q", "r"} << "FFDCLKCLRQ";
    QTest::newRow("terminals of some pins only") << dffrs << QStringList{"q=q", "clk=clk"}
                                                 << QStringList{"clk", "q"} << "FFCLKQ";
    // The open clock stood between two left pins: the pin after it closes up.
    QTest::newRow("a middle pin open") << dff << QStringList{"d=n_xor", "clk=", "async_cond=", "async_val=n_zero", "q=q"}
                                       << QStringList{"async_val", "d", "q"} << "FFDVALQ";
}

void TestModuleBuilder::flipFlopOfRenamedPins()
{
    QFETCH(QString, mapping);
    QFETCH(QStringList, terminals);
    QList<QPair<QString, QString>> pairs;
    for (const QString &item : terminals)
        pairs << qMakePair(item.section('=', 0, 0), item.section('=', 1));
    GraphUndoState s = state();
    s.instances << flopRecord(mapping, pairs);
    QString error;
    Module *module = s.buildModule(error);
    QVERIFY2(module, qPrintable(error));
    Gate *ff = gate(module, "ff1");
    QVERIFY(ff);
    QStringList names;
    for (const GatePort *p : ff->ports.list())
        names << p->name;
    names.sort();
    QTEST(names, "pins");
    const QString fault = flopShapeFault(ff);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QTEST(ff->typeName, "typeText");
    // On the body, the pins stand where a flop made with the cell's own
    // names stands them: renaming moves none (wider labels only move the
    // whole body).
    GraphUndoState plain = state("plain");
    Instance own = flopRecord(mapping, pairs);
    for (InstanceTerminal &t : own.terminals)
        t.portName = t.pinName;
    plain.instances << own;
    Gate *reference = gate(plain.buildModule(error), "ff1");
    QVERIFY(reference);
    QCOMPARE(reference->bodyRect().size(), ff->bodyRect().size());
    for (int i = 0; i < own.terminals.size(); ++i) {
        if (!own.terminals.at(i).netName.isEmpty())
            QCOMPARE(reference->findPortByName(own.terminals.at(i).pinName)->anchor - reference->bodyRect().topLeft(),
                     ff->findPortByName(pairs.at(i).first)->anchor - ff->bodyRect().topLeft());
    }
}

void TestModuleBuilder::portRecords()
{
    GraphUndoState s = state();
    Port clk = port("clk", 0);
    clk.properties.insert("Reference", "0x7ffd00002000");
    s.ports << clk << port("q", 1, "q_int") << port("ghost", 3) << port("io", 2) << port("y", 1);
    QString error;
    Module *module = s.buildModule(error);
    QVERIFY(module);
    QCOMPARE(module->portGates->count(), 4);
    Gate *clkGate = module->portGates->map.value(Name("clk", false, true));
    QVERIFY(clkGate);
    QCOMPARE(clkGate->kind, int(BaseEnum::INPUTPORT));
    QCOMPARE(clkGate->properties.value("Reference").toString(), QStringLiteral("0x7ffd00002000"));
    // An empty connection gives a net named like the port.
    QCOMPARE(netOf(clkGate, "clk"), QStringLiteral("clk"));
    Gate *q = module->portGates->map.value(Name("q", false, true));
    QCOMPARE(q->kind, int(BaseEnum::OUTPUTPORT));
    QCOMPARE(netOf(q, "q"), QStringLiteral("q_int"));
    QVERIFY(!module->portGates->map.value(Name("ghost", false, true)));
    // Positions count per sort group: outputs q 0, y 1; others clk 0, io 1.
    QCOMPARE(q->portAttributes.position16(), 0);
    QCOMPARE(module->portGates->map.value(Name("y", false, true))->portAttributes.position16(), 1);
    QCOMPARE(module->portGates->map.value(Name("io", false, true))->portAttributes.position16(), 1);
    QCOMPARE(module->portGates->map.value(Name("io", false, true))->portAttributes.sortGroup(), 2);
}

void TestModuleBuilder::definitionModulesOfAHierarchy()
{
    GraphUndoState s = state();
    const QList<InstanceTerminal> ha1 = {terminal("a", 0, "x"), terminal("b", 0, "y"), terminal("s", 1, "s1"), terminal("c", 1, "c1")};
    const QList<InstanceTerminal> ha2 = {terminal("a", 0, "s1"), terminal("b", 0, "c1"), terminal("s", 1, "s2"), terminal("c", 1, "c2")};
    s.instances << instance("ha1", BaseEnum::GENERIC, ha1, "half_adder") << instance("ha2", BaseEnum::GENERIC, ha2, "half_adder")
                << instance("nodef", BaseEnum::GENERIC, ha1)
                << instance("pt", BaseEnum::COLPASSTHROUGH, {terminal("i", 0, "s2"), terminal("o", 1, "s3")}, "pass_cell");
    QString error;
    Module *module = s.buildModule(error);
    QVERIFY2(module, qPrintable(error));
    const ModuleRegistry registry = s.graphDataBase.registry(key);
    QCOMPARE(registry->size(), 3);
    Module *definition = registry->value("half_adder");
    QVERIFY(definition);
    QCOMPARE(definition->portGates->count(), 4);
    QCOMPARE(definition->portGates->map.value(Name("s", false, true))->kind, int(BaseEnum::OUTPUTPORT));
    QCOMPARE(definition->gateCount(), 0);

    // A generic record without definition adds nothing.
    QVERIFY(!gate(module, "nodef"));
    Gate *first = gate(module, "ha1");
    Gate *second = gate(module, "ha2");
    QVERIFY(first && second);
    QCOMPARE(first->kind, int(BaseEnum::GENERIC));
    QCOMPARE(first->typeName, QStringLiteral("half_adder"));
    QCOMPARE(netOf(first, "s"), QStringLiteral("s1"));
    QCOMPARE(netOf(second, "a"), QStringLiteral("s1"));
    QCOMPARE(netOf(second, "c"), QStringLiteral("c2"));
    Edge *s1 = module->edges->find(Name("s1"));
    QCOMPARE(s1->drivers.list().size(), 1);
    QCOMPARE(s1->loads.list().size(), 1);
    // A layout kind with a definition is an instance of it.
    Gate *pass = gate(module, "pt");
    QCOMPARE(pass->typeName, QStringLiteral("pass_cell"));
    QCOMPARE(netOf(pass, "o"), QStringLiteral("s3"));
}

void TestModuleBuilder::rebuildAndFindWithoutRebuild()
{
    GraphUndoState s = state();
    s.ports << port("a", 0);
    s.instances << instance("u1", BaseEnum::AND, {terminal("a0", 0, "a", "A"), terminal("o", 1, "n", "Out")})
                << instance("ha", BaseEnum::GENERIC, {terminal("i", 0, "n")}, "sub");
    QString error;
    Module *first = s.buildModule(error);
    const int gates = first->gates->count();
    const int nets = first->edges->count();
    Module *second = s.buildModule(error);
    QCOMPARE(second, first);
    QCOMPARE(second->gates->count(), gates);
    QCOMPARE(second->edges->count(), nets);
    QCOMPARE(s.graphDataBase.registry(key)->size(), 2);

    // Without rebuild an existing module comes back unchanged.
    GraphUndoState other = s;
    other.ports.clear();
    other.instances.clear();
    QCOMPARE(other.findOrCreateModule(false), first);
    QCOMPARE(first->gates->count(), gates);
    // With rebuild it is emptied and gets its (now no) port gates again.
    QCOMPARE(other.findOrCreateModule(true), first);
    QCOMPARE(first->gates->count(), 0);
    QCOMPARE(first->edges->count(), 0);
}

void TestModuleBuilder::laterRecordReplacesEarlier()
{
    GraphUndoState s = state();
    s.instances << instance("u", BaseEnum::AND, {terminal("a0", 0, "n1", "A")}) << instance("u", BaseEnum::OR, {terminal("a0", 0, "n2", "A")})
                << instance("h", BaseEnum::GENERIC, {terminal("i", 0, "n3")}, "sub") << instance("h", BaseEnum::XOR, {});
    QString error;
    Module *module = s.buildModule(error);
    QCOMPARE(module->gates->count(), 2);
    QCOMPARE(gate(module, "u")->kind, int(BaseEnum::OR));
    QCOMPARE(gate(module, "h")->kind, int(BaseEnum::XOR));
    // The replaced gate left its net.
    QVERIFY(module->edges->find(Name("n1"))->loads.list().isEmpty());
    QVERIFY(netsReachOnlyIndexedGates(module));

    // Registration with replacement, directly.
    Gate *a = new Gate(BaseEnum::AND, 2, QBrush());
    a->nameInstance(Name("k"));
    QVERIFY(registerOrReplaceInstance(module, a));
    QCOMPARE(gate(module, "k"), a);
    Gate *b = new Gate(BaseEnum::OR, 2, QBrush());
    b->nameInstance(Name("k"));
    QVERIFY(registerOrReplaceInstance(module, b));
    QCOMPARE(gate(module, "k"), b);
    // An unnamed gate cannot be registered: it is destroyed.
    QVERIFY(!registerOrReplaceInstance(module, new Gate(BaseEnum::OR, 2, QBrush())));
    QCOMPARE(module->gates->count(), 3);
}

void TestModuleBuilder::terminalsOnTheirPorts()
{
    // Each terminal's pin is renamed to its formal port; an open one stays open.
    GraphUndoState s = state();
    s.instances << instance("u1", BaseEnum::AND, {terminal("a0", 0, "", "A"), terminal("a1", 0, "n", "B"), terminal("o", 1, "y", "Out")})
                << instance("u2", BaseEnum::INVERTER, {terminal("i", 0, "y", "A")})
                << instance("m", BaseEnum::MUX2, {terminal("sel", 0, "n", "S")});
    QString error;
    Module *module = s.buildModule(error);
    QVERIFY2(module, qPrintable(error));
    QCOMPARE(error, QString());
    Gate *u1 = gate(module, "u1");
    QVERIFY(!u1->findPortByName("A"));
    QCOMPARE(netOf(u1, "a0"), QStringLiteral("<open>"));
    QCOMPARE(netOf(u1, "a1"), QStringLiteral("n"));
    QCOMPARE(netOf(u1, "o"), QStringLiteral("y"));
    QCOMPARE(netOf(gate(module, "u2"), "i"), QStringLiteral("y"));
    QCOMPARE(netOf(gate(module, "m"), "sel"), QStringLiteral("n"));
    QCOMPARE(module->edges->find(Name("y"))->drivers.list().size(), 1);
}

void TestModuleBuilder::errorTexts()
{
    GraphUndoState badPin = state();
    badPin.instances << instance("first", BaseEnum::BUFFER, {terminal("i", 0, "n0", "A")})
                     << instance("u1", BaseEnum::AND, {terminal("a1", 0, "n1", "B1")}) << instance("late", BaseEnum::OR, {});
    QString error;
    QVERIFY(!badPin.buildModule(error));
    Module *module = badPin.graphDataBase.registry(key)->value("top");
    Gate *u1 = gate(module, "u1");
    const QString expected = QStringLiteral("Invalid configuration detected while matching instance 'u1'. Attempt to match "
                                            "port 'a1' to internal name 'B1'.\nThe internal name is not valid.\nThe ports "
                                            "are: \n%1\n%2")
                                     .arg(u1->portsPlainText(true, true, -1), u1->portsPlainText(false, true, -1));
    QCOMPARE(error, expected);
    QVERIFY(error.contains(QLatin1String("A:")) && error.contains(QLatin1String("Out:")));
    // What was made before the error stays; nothing after it is made.
    QVERIFY(gate(module, "first"));
    QVERIFY(!gate(module, "late"));

    GraphUndoState badPort = state("other");
    badPort.instances << instance("u2", BaseEnum::OR, {terminal("zz", 0, "n1")});
    QVERIFY(!badPort.buildModule(error));
    Gate *u2 = gate(badPort.graphDataBase.registry(key)->value("other"), "u2");
    QVERIFY(u2);
    QCOMPARE(error, QStringLiteral("Can't draw graph.\n Instance 'u2' is corrupted.\nThe port Name 'zz' is not valid.\nThe ports are: \n%1\n%2")
                            .arg(u2->portsPlainText(true, true, -1), u2->portsPlainText(false, true, -1)));

    // Texts with "%" in names are not substituted twice.
    GraphUndoState percent = state("percent");
    percent.instances << instance("u%1", BaseEnum::OR, {terminal("p%2", 0, "n")});
    QVERIFY(!percent.buildModule(error));
    QVERIFY(error.contains(QLatin1String("Instance 'u%1'")));
    QVERIFY(error.contains(QLatin1String("Name 'p%2'")));
    // The next build starts with an empty error text.
    GraphUndoState fine = state("fine");
    QVERIFY(fine.buildModule(error));
    QCOMPARE(error, QString());
}

void TestModuleBuilder::propertiesAndNullKey()
{
    GraphUndoState s(GraphDataBase(), 0);
    s.moduleName = "top";
    Instance and1 = instance("u1", BaseEnum::AND, {terminal("a0", 0, "n1", "A")});
    and1.properties.insert("Object Type", "Verific::Instance *");
    and1.terminals[0].netProperties.insert("Reference", "0x7ffd0000aaaa");
    s.instances << and1;
    LogCapture log;
    QString error;
    Module *module = s.buildModule(error);
    QVERIFY(module);
    const QStringList critical = log.texts(QtCriticalMsg);
    QVERIFY(!critical.isEmpty());
    for (const QString &text : critical)
        QVERIFY2(text.contains("Programmation Error: Field myDBKey shall never be null when calling this API."), qPrintable(text));
    QCOMPARE(gate(module, "u1")->properties.value("Object Type").toString(), QStringLiteral("Verific::Instance *"));
    QCOMPARE(module->edges->find(Name("n1"))->properties.value("Reference").toString(), QStringLiteral("0x7ffd0000aaaa"));
}

QTEST_MAIN(TestModuleBuilder)
#include "tst_modulebuilder.moc"
