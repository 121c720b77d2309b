#include "common/testenvironment.h"
#include "netlistfixture.h"

#include <QtTest>

#include <memory>
#include <vector>

using namespace GraphEngine;
using namespace NetlistFixture;

namespace {

// "name:direction:group:position:marker:role" for each port in set order.
QStringList describe(const Gate *gate)
{
    QStringList out;
    for (const GatePort *p : gate->ports.list()) {
        out << QStringLiteral("%1:%2:%3:%4:%5:%6")
                   .arg(p->name)
                   .arg(p->attributes.direction())
                   .arg(p->attributes.sortGroup())
                   .arg(p->attributes.position16())
                   .arg(p->attributes.marker())
                   .arg(p->attributes.roleBit());
    }
    return out;
}

// A port gate of the definition module, as the netlist builder makes one.
void addModulePort(Module *definition, const QString &name, int direction, int position)
{
    definition->findOrCreatePortGate(name, QString(),
                                     PortAttributes::make(direction, direction == 1 ? 0 : 2, position, 0, false, 0),
                                     false);
}


// Nets that cross many columns (depths counted from the outputs: drivers
// deep, loads near), split as the layout splits them: plain and indexed
// user names, a gate with two loads on one net, a load list large enough
// for its position hash, two drivers on different pieces, a net property,
// a load whose gate stands in no module, and one net split from its far
// end first, so that its pass-throughs stand in the list against the
// chain's order. Returns the loose gate (the caller deletes it).
Gate *buildNets(Module *module)
{
    Gate *drv = makeGate(module, QStringLiteral("drv"), {},
                         {QStringLiteral("y0"), QStringLiteral("y1"), QStringLiteral("y2"), QStringLiteral("y3"),
                          QStringLiteral("y4")});
    Gate *drv2 = makeGate(module, QStringLiteral("drv2"), {}, {QStringLiteral("y")});
    drv->column = 12;
    drv2->column = 9;
    Edge *n = net(module, QStringLiteral("n"));
    Edge *bus = net(module, QStringLiteral("bus[3]"));
    Edge *wide = net(module, QStringLiteral("wide"));
    Edge *md = net(module, QStringLiteral("md"));
    Edge *rev = net(module, QStringLiteral("rev"));
    n->connectPort(drv->portAt(0, 0));
    bus->connectPort(drv->portAt(0, 1));
    wide->connectPort(drv->portAt(0, 2));
    md->connectPort(drv->portAt(0, 3));
    rev->connectPort(drv->portAt(0, 4));
    md->connectPort(drv2->portAt(0, 0));
    md->setProperty({{QStringLiteral("Width"), QStringLiteral("1")}});
    // Loads in connection order, not in column order.
    const int columns[] = {5, 1, 11, 3, 8, 1, 7, 2, 5, 4};
    for (int i = 0; i < 10; ++i) {
        Gate *g = makeGate(module, QStringLiteral("g%1").arg(i), {QStringLiteral("a"), QStringLiteral("b")}, {});
        g->column = columns[i];
        n->connectPort(g->portAt(2, 0));
        if (i % 3 == 0)
            n->connectPort(g->portAt(2, 1));
        else if (i % 3 == 1)
            bus->connectPort(g->portAt(2, 1));
        else
            md->connectPort(g->portAt(2, 1));
    }
    for (int i = 0; i < 40; ++i) {
        Gate *w = makeGate(module, QStringLiteral("w%1").arg(i), {QStringLiteral("a")}, {});
        w->column = 1 + (i * 7) % 11;
        wide->connectPort(w->portAt(2, 0));
    }
    for (int c : {6, 1, 4}) {
        Gate *r = makeGate(module, QStringLiteral("r%1").arg(c), {QStringLiteral("a")}, {});
        r->column = c;
        rev->connectPort(r->portAt(2, 0));
    }
    Gate *loose = makeGate(nullptr, QStringLiteral("loose"), {QStringLiteral("a")}, {});
    loose->column = 6;
    n->connectPort(loose->portAt(2, 0));
    return loose;
}

// Splits them after noting the connection order, as a layout run does.
void splitNets(Module *module)
{
    auto find = [module](const char *name) { return module->edges->find(Name(QLatin1String(name))); };
    Edge *n = find("n");
    Edge *bus = find("bus[3]");
    Edge *wide = find("wide");
    Edge *md = find("md");
    Edge *rev = find("rev");
    module->edges->recordPortOrder();
    module->splitEdge(n, 2, 11);
    module->splitEdge(bus, 2, 11);
    module->splitEdge(wide, 2, 11);
    module->splitEdge(md, 2, 11);
    for (int depth : {5, 3, 2}) {
        // rev itself keeps the near loads: each cut takes the far part.
        new Gate(depth, rev);
    }
    // Every piece gets extents of its own, which the joined net merges.
    int i = 0;
    module->edges->forEachElement([&i](Edge *e) {
        e->loadTop = 100 - i;
        e->loadBottom = 100 + i;
        e->driverTop = i;
        e->driverBottom = 2 * i;
        ++i;
    });
}

// Each net with its drivers and loads in list order, in index order.
QStringList connectionLists(const Module *module)
{
    QStringList out;
    module->edges->forEachElement([&out](const Edge *e) {
        out << e->name.toString(false) + QLatin1Char(':') + owners(e->drivers).join(QLatin1Char(','))
                + QLatin1Char('|') + owners(e->loads).join(QLatin1Char(','));
    });
    return out;
}

// "gate.port" for each port of the list, gates under their plain names
// (without the serial numbers of generated ones, which differ between two
// modules built alike).
QString plainOwners(const PortList &list)
{
    QStringList out;
    for (const GatePort *p : list.list())
        out << p->owner->name.toString(true) + QLatin1Char('.') + p->name;
    return out.join(QLatin1Char(','));
}

// The nets in index order with their names (and marks), numbers, extents,
// properties, drivers and loads in list order; the gates in index order;
// where the net index put its last change.
QStringList netlistState(const Module *module)
{
    QStringList out;
    for (const Edge *e : module->edges->elements()) {
        QStringList properties;
        for (auto it = e->properties.cbegin(); it != e->properties.cend(); ++it)
            properties << it.key() + QLatin1Char('=') + it.value().toString();
        out << QStringLiteral("%1 %2 #%3 [%4 %5 %6 %7] {%8} d(%9) l(%10)")
                   .arg(e->name.toString(true))
                   .arg(e->name.flags())
                   .arg(e->netNumber)
                   .arg(e->loadTop)
                   .arg(e->loadBottom)
                   .arg(e->driverTop)
                   .arg(e->driverBottom)
                   .arg(properties.join(QLatin1Char(',')), plainOwners(e->drivers), plainOwners(e->loads));
    }
    for (const Gate *g : module->gates->elements())
        out << QStringLiteral("gate %1 %2 %3").arg(g->name.toString(true)).arg(g->kind).arg(g->column);
    out << QStringLiteral("last in list %1").arg(module->edges->lastInList);
    return out;
}

// What the gate index's reset did when every pass-through went on its own:
// the keyed gates reset, then each listed gate in list order, a
// pass-through deleted, which joins its two nets.
void removeOneByOne(Module *module)
{
    for (Gate *gate : module->gates->map.values())
        gate->resetLayoutState();
    const std::vector<Gate *> listed(module->gates->list().cbegin(), module->gates->list().cend());
    for (Gate *gate : listed) {
        gate->resetLayoutState();
        if (gate->kind != BaseEnum::COLPASSTHROUGH)
            continue;
        gate->detachFromModule();
        module->gates->take(gate->name, gate);
        delete gate;
    }
}

} // namespace

#define VERIFY_CONSISTENT(module) QCOMPARE(brokenInvariant(module), QString())

// Gates of every kind: ports and outlines, shapes, naming, connection by name,
// pass-through splitting, texts, cluster members and the gate index.
class TestGates : public QObject
{
    Q_OBJECT

    ModuleMap m_modules;
    Module *m = nullptr;

    static double step2(Gate *g, const char *first, const char *second)
    {
        return g->findPortByName(QLatin1String(second))->anchor.y() - g->findPortByName(QLatin1String(first))->anchor.y();
    }

private slots:
    void init() { m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr); }
    void cleanup() { deleteModules(m_modules); }

    void defaultPortsByKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QPointF>("anchor");
        QTest::newRow("input") << int(BaseEnum::INPUTPORT) << QStringList("p:1:0:0:0:12") << QPointF(39, 11);
        QTest::newRow("output") << int(BaseEnum::OUTPUTPORT) << QStringList("p:0:2:0:0:1") << QPointF(1, 11);
        QTest::newRow("inout") << int(BaseEnum::INOUTPORT) << QStringList("p:1:0:0:0:12") << QPointF(39, 11);
        QTest::newRow("pass") << int(BaseEnum::COLPASSTHROUGH) << QStringList({"i:0:2:0:0:1", "o:1:0:0:0:12"})
                              << QPointF(0, 0);
        QTest::newRow("vcc") << int(BaseEnum::VCC) << QStringList("p:1:0:0:0:12") << QPointF(21, 48);
        QTest::newRow("gnd") << int(BaseEnum::GND) << QStringList("p:1:0:0:0:12") << QPointF(21, 0);
        QTest::newRow("x") << int(BaseEnum::X) << QStringList("p:1:0:0:0:12") << QPointF(21, 0);
        QTest::newRow("z") << int(BaseEnum::Z) << QStringList("p:1:0:0:0:12") << QPointF(21, 36);
        QTest::newRow("open") << int(BaseEnum::OPENINPUT) << QStringList("o:1:0:0:0:12") << QPointF(21, 33);
        QTest::newRow("loop in") << int(BaseEnum::LOOPBACKOPENINPUT) << QStringList("o:1:0:0:0:12")
                                 << QPointF(21, 33);
        QTest::newRow("loop out") << int(BaseEnum::LOOPBACKOPENOUTPUT) << QStringList("i:0:2:0:0:1")
                                  << QPointF(1, 33);
    }

    void defaultPortsByKind()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, ports);
        QFETCH(QPointF, anchor);
        LogCapture log;
        Gate gate(kind, QStringLiteral("p"), QBrush());
        QCOMPARE(describe(&gate), ports);
        QCOMPARE(gate.typeName, gateKindToString(kind));
        // Labels may have moved the contents; the anchor keeps its place
        // against the outline.
        QCOMPARE(gate.ports.first()->anchor - QPointF(gate.outline.width, gate.outline.height), anchor);
        QVERIFY(gate.shapeBuilt);
        QVERIFY(gate.rect.x() >= 0 && gate.rect.y() >= 0);
        QVERIFY(criticals(log).isEmpty());
    }

    void cachedOutlinesAndMisuse()
    {
        Gate first(BaseEnum::VCC, QStringLiteral("v1"), QBrush());
        Gate second(BaseEnum::VCC, QStringLiteral("v2"), QBrush());
        QVERIFY(!first.outline.path.isEmpty());
        QCOMPARE(second.outline.path, first.outline.path);
        QCOMPARE(second.ports.first()->anchor - QPointF(second.outline.width, second.outline.height),
                 QPointF(21, 48));

        LogCapture log;
        Gate wrong(BaseEnum::AND, QStringLiteral("u"), QBrush());
        QCOMPARE(wrong.ports.size(), 0);
        QCOMPARE(criticals(log), QStringList("Invalid API call. Use other logic initialization API for AND"));
    }

    void flipFlops_data()
    {
        QTest::addColumn<int>("roles");
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QSize>("box");
        QTest::newRow("d clk q") << (BaseEnum::D | BaseEnum::CLK | BaseEnum::Q) << "FFDCLKQ"
                                 << QStringList({"D:0:2:0:0:1", "CLK:0:2:1:2:11", "Q:1:0:0:0:12"}) << QSize(72, 72);
        QTest::newRow("five left") << (BaseEnum::D | BaseEnum::SD | BaseEnum::SE | BaseEnum::S | BaseEnum::R)
                                   << "FFDSDSESR"
                                   << QStringList({"D:0:2:0:0:1", "SD:0:2:1:0:2", "SE:0:2:2:0:3", "S:0:2:3:0:4",
                                                   "R:0:2:4:0:5"})
                                   << QSize(72, 180);
        // Groups in set order top, left, bottom, right; negated pins marked.
        QTest::newRow("all sides") << (BaseEnum::PREN | BaseEnum::D | BaseEnum::CLKN | BaseEnum::CLR | BaseEnum::LD
                                       | BaseEnum::QN)
                                   << "FFPRENDCLKNCLRLDQN"
                                   << QStringList({"PREN:0:3:0:1:22", "D:0:2:0:0:1", "CLKN:0:2:1:3:27",
                                                   "CLR:0:1:0:0:7", "LD:0:1:1:0:8", "QN:1:0:0:1:28"})
                                   << QSize(72, 72);
    }

    void flipFlops()
    {
        QFETCH(int, roles);
        QFETCH(QString, typeName);
        QFETCH(QStringList, ports);
        QFETCH(QSize, box);
        Gate flop(roles, QBrush());
        QCOMPARE(flop.kind, int(BaseEnum::FLOP));
        QCOMPARE(flop.typeName, typeName);
        QCOMPARE(describe(&flop), ports);
        QVERIFY(!flop.outline.isPath());
        QCOMPARE(QSize(flop.outline.width, flop.outline.height), box);
        // Control pins carry the flag, data pins do not.
        QCOMPARE(flop.findPortByName(QStringLiteral("D"))->attributes.isControl(), false);
        if (GatePort *clk = flop.findPortByName(QStringLiteral("CLK")))
            QVERIFY(clk->attributes.isControl());
    }

    void logicGates()
    {
        Gate buffer(BaseEnum::BUFFER, 3, QBrush());
        QCOMPARE(describe(&buffer), QStringList({"A:0:2:0:0:1", "Out:1:0:0:0:12"}));
        QCOMPARE(buffer.typeName, QStringLiteral("BUFFER"));

        Gate mux(BaseEnum::MUX2, 4, QBrush());
        QCOMPARE(mux.typeName, QStringLiteral("MUX"));
        QCOMPARE(describe(&mux), QStringList({"D0:0:2:0:0:1", "D1:0:2:1:0:1", "S:0:1:0:0:13", "Out:1:0:0:0:12"}));
        QVERIFY(mux.findPortByName(QStringLiteral("S"))->attributes.isControl());

        Gate tristate(BaseEnum::TRISTATE, 2, QBrush());
        QCOMPARE(describe(&tristate), QStringList({"A:0:2:0:0:1", "S:0:1:0:0:13", "Out:1:0:0:0:12"}));

        // The inverting kinds put their output behind a bubble.
        Gate nand(BaseEnum::NAND, 2, QBrush());
        Gate andGate(BaseEnum::AND, 2, QBrush());
        auto reach = [](Gate &g) {
            return g.findPortByName(QStringLiteral("Out"))->anchor.x() - g.findPortByName(QStringLiteral("A"))->anchor.x();
        };
        QCOMPARE(reach(andGate), 50.0);
        QCOMPARE(reach(nand), 61.0);
        QCOMPARE(nand.findPortByName(QStringLiteral("B"))->anchor.y()
                     - nand.findPortByName(QStringLiteral("A"))->anchor.y(),
                 36.0);
        Gate wide(BaseEnum::OR, 5, QBrush());
        QCOMPARE(wide.portCount(2), 5);
        QVERIFY(wide.outline.path.controlPointRect().height() >= 4 * 36);

        LogCapture log;
        Gate misuse(BaseEnum::INPUTPORT, 1, QBrush());
        QCOMPARE(misuse.ports.size(), 0);
        QCOMPARE(criticals(log), QStringList("Invalid API call. OpenInput/Input/Output Gate need to be created with "
                                             "API providing name as well."));
    }

    void portLists()
    {
        Gate gate(QStringLiteral("a[3:0], b"), QStringLiteral("y"), QStringLiteral("io"), QBrush());
        QCOMPARE(gate.kind, int(BaseEnum::GENERIC));
        QCOMPARE(gate.typeName, QString());
        QCOMPARE(describe(&gate), QStringList({"a[0]:0:2:0:0:0", "a[1]:0:2:1:0:0", "a[2]:0:2:2:0:0",
                                               "a[3]:0:2:3:0:0", "b:0:2:4:0:0", "io:2:2:5:0:0", "y:1:0:0:0:0"}));
        QCOMPARE(gate.outline.height, 36 * 6);
        QVERIFY(gate.shapeBuilt);
        Gate wide(QStringLiteral("a[10:0]"), QString(), QString(), QBrush());
        QCOMPARE(describe(&wide), QStringList("a[10:0]:0:2:0:0:0"));
        QCOMPARE(wide.outline.height, 72);
    }

    void boxPlacement()
    {
        Gate gate;
        GatePort *left = addPort(&gate, QStringLiteral("a"), 0, 2, 0);
        GatePort *top0 = addPort(&gate, QStringLiteral("t0"), 0, 3, 0);
        GatePort *top1 = addPort(&gate, QStringLiteral("t1"), 0, 3, 1);
        GatePort *placed = addPort(&gate, QStringLiteral("y"), 1, 0, 0);
        placed->anchor = QPointF(5, 5);
        gate.placePortsOnBox(72, 72, 2, 0, 1, 1);
        QCOMPARE(left->anchor, QPointF(1, 37));
        QCOMPARE(top0->anchor, QPointF(19, 1));
        QCOMPARE(top1->anchor, QPointF(55, 1));
        // A port that has its pin already stays.
        QCOMPARE(placed->anchor, QPointF(5, 5));
        QCOMPARE(Gate::pinVector(2, 20), QPointF(-20, 0));
        QCOMPARE(Gate::pinVector(7, 20), QPointF());
        QCOMPARE(Gate::labelOffset(2, 30, 10), QPointF(-40, -11));
        QCOMPARE(Gate::labelOffset(1, 30, 10), QPointF(10, 1));
    }

    void normalisationAndLabelColumn()
    {
        Gate gate(QStringLiteral("a,longer_input_name"), QStringLiteral("y"), QString(), QBrush());
        gate.nameInstance(Name(QStringLiteral("a_rather_long_instance_name")));
        gate.buildShape(0.0);
        QVERIFY(gate.rect.x() >= 0 && gate.rect.y() >= 0);
        // The input pins reached left of the origin: the contents moved.
        QVERIFY(gate.bodyRect().left() > 1);
        const QRectF body = gate.bodyRect();
        const QPointF anchor = gate.ports.first()->anchor;
        gate.shapeBuilt = 0;
        gate.buildShape(0.0);
        QCOMPARE(gate.bodyRect(), body);
        QCOMPARE(gate.ports.first()->anchor, anchor);

        const double widest = 200.0;
        gate.buildShape(widest);
        QVERIFY(gate.rect.x() >= 0);
        for (GatePort *p : gate.ports.list()) {
            if (p->attributes.sortGroup() == 2)
                QVERIFY(gate.rect.left() <= p->labelPos().x() + p->labelSize().width() - widest + 1e-9);
        }
    }

    void renaming()
    {
        Gate gate(QStringLiteral("a,b"), QStringLiteral("y"), QString(), QBrush());
        gate.renamePorts(QStringLiteral("p,q"));
        QCOMPARE(describe(&gate).join(QLatin1Char(' ')), QStringLiteral("a:0:2:0:0:0 b:0:2:1:0:0 y:1:0:0:0:0"));
        gate.renamePorts(QStringLiteral("p,q,r"));
        QCOMPARE(gate.ports.at(0)->name, QStringLiteral("p"));
        QCOMPARE(gate.ports.at(2)->name, QStringLiteral("r"));
        gate.renamePortsByPairs(QStringLiteral(" p : a ,nothing:x, bad"));
        QVERIFY(gate.findPortByName(QStringLiteral("a")));
        QVERIFY(!gate.renamePort(QStringLiteral("p"), QStringLiteral("z")));
        QVERIFY(gate.renamePort(QStringLiteral(" r "), QStringLiteral("out ")));
        QVERIFY(gate.findPortByName(QStringLiteral("out")));
        QVERIFY(gate.shapeBuilt);
    }

    void flopShapeDropsUnconnectedPins()
    {
        auto *flop = new Gate(BaseEnum::D | BaseEnum::CLK | BaseEnum::R | BaseEnum::Q, QBrush());
        flop->nameInstance(Name(QStringLiteral("r0")));
        QVERIFY(m->registerInstance(flop, true));
        QVERIFY(net(m, QStringLiteral("d")));
        QVERIFY(net(m, QStringLiteral("q")));
        QVERIFY(flop->connectGate(QStringLiteral(".D(d),.Q(q)"), false));
        flop->buildFlopShape();
        QCOMPARE(flop->typeName, QStringLiteral("FFDQ"));
        QCOMPARE(flop->ports.size(), 2);
        QVERIFY(flop->shapeBuilt);
        VERIFY_CONSISTENT(m);
    }

    void modulePortGates()
    {
        LogCapture log;
        Gate none(PortAttributes::make(3, 0, 0, 0, false, 0), Name(QStringLiteral("p")), QBrush());
        QCOMPARE(none.kind, 0);
        QCOMPARE(none.ports.size(), 0);
        QCOMPARE(criticals(log).size(), 2);
        QCOMPARE(criticals(log).first(), QStringLiteral("Invalid call. Port type is not well defined"));

        Gate out(PortAttributes::make(1, 0, 0, 0, false, 0), Name(QStringLiteral("q")), QBrush());
        QCOMPARE(out.kind, int(BaseEnum::OUTPUTPORT));
        QCOMPARE(describe(&out), QStringList("q:0:2:0:0:1"));
        QVERIFY(!out.shapeBuilt);
    }

    void naming()
    {
        Gate *a = makeGate(m, QStringLiteral("a"), {QStringLiteral("i")}, {QStringLiteral("o")});
        Gate *b = makeGate(m, QStringLiteral("b"), {QStringLiteral("i")}, {QStringLiteral("o")});
        a->buildShape(0.0);
        {
            LogCapture log;
            a->nameInstance(Name(QStringLiteral("b")));
            QCOMPARE(criticals(log), QStringList("Can't name instance: b (Name already used)"));
            QCOMPARE(a->name.text(), QStringLiteral("a"));
            QVERIFY(a->shapeBuilt);
        }
        a->nameInstance(Name(QStringLiteral("c")));
        QCOMPARE(m->gates->map.value(Name(QStringLiteral("c"))), a);
        QVERIFY(!m->gates->map.contains(Name(QStringLiteral("a"))));
        QVERIFY(!a->shapeBuilt);
        QVERIFY(a->rect.isNull());

        // A removed pass-through leaves the index in list mode: a renamed gate
        // is still keyed by its name.
        auto *pass = new Gate(BaseEnum::COLPASSTHROUGH, QStringLiteral("n"), QBrush());
        QVERIFY(m->registerInstance(pass, true));
        delete pass;
        QCOMPARE(m->gates->lastInList, 1);
        b->nameInstance(Name(QStringLiteral("d")));
        QCOMPARE(m->gates->map.value(Name(QStringLiteral("d"))), b);
        QVERIFY(m->gates->list().empty());

        // Module-port gates move in the port-gate index too.
        m->findOrCreatePortGate(QStringLiteral("p"), QString(), PortAttributes::make(0, 2, 0, 0, false, 0), true);
        Gate *port = m->portGates->map.first();
        port->nameInstance(Name(QStringLiteral("p2")));
        QCOMPARE(m->portGates->map.value(Name(QStringLiteral("p2"))), port);
        QCOMPARE(m->portGates->count(), 1);
    }

    void instances()
    {
        Module *cell = Module::findOrCreateModule(m_modules, QStringLiteral("cell"), nullptr);
        addModulePort(cell, QStringLiteral("a"), 0, 0);
        addModulePort(cell, QStringLiteral("b"), 0, 1);
        addModulePort(cell, QStringLiteral("y"), 1, 0);
        net(m, QStringLiteral("n1"));
        net(m, QStringLiteral("n2"));
        auto *u = new Gate(Name(QStringLiteral("u1")), cell, m, QStringLiteral(".a(n1), .y(n2),,.(x),.b(missing)"));
        QCOMPARE(u->module, m);
        QCOMPARE(u->typeName, QStringLiteral("cell"));
        QCOMPARE(u->kind, int(BaseEnum::GENERIC));
        QCOMPARE(QSize(u->outline.width, u->outline.height), QSize(72, 72));
        QCOMPARE(describe(u), QStringList({"a:0:2:0:0:0", "b:0:2:1:0:0", "y:1:0:0:0:0"}));
        // The list stops at the net that does not exist.
        QCOMPARE(u->findPortByName(QStringLiteral("a"))->net->name.text(), QStringLiteral("n1"));
        QCOMPARE(u->findPortByName(QStringLiteral("y"))->net->name.text(), QStringLiteral("n2"));
        QVERIFY(!u->findPortByName(QStringLiteral("b"))->net);
        QCOMPARE(u->portConnectionList(), QStringLiteral(".a(n1),.b(),.y(n2)"));
        VERIFY_CONSISTENT(m);

        // A sub-module made from an instance gets one port gate per port.
        auto *v = new Gate(Name(QStringLiteral("v")), cell, m, QString());
        v->typeName = QStringLiteral("fresh");
        Module *fresh = v->createSubModule();
        QCOMPARE(fresh, m_modules.value(QStringLiteral("fresh")));
        QCOMPARE(fresh->portGates->count(), 3);
        QCOMPARE(v->createSubModule(), fresh);
    }

    void connectingByName()
    {
        Gate *u = makeGate(m, QStringLiteral("u"), {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("y")});
        Edge *n1 = net(m, QStringLiteral("n1"));
        Edge *n2 = net(m, QStringLiteral("n2"));
        QVERIFY(u->connectGate(QStringLiteral("a"), QStringLiteral("n1"), false));
        QVERIFY(u->connectGate(QStringLiteral("a"), QStringLiteral("n2"), false));
        QCOMPARE(u->findPortByName(QStringLiteral("a"))->net, n1);
        QVERIFY(u->connectGate(QStringLiteral("a"), QStringLiteral("n2"), true));
        QCOMPARE(u->findPortByName(QStringLiteral("a"))->net, n2);
        QVERIFY(!u->connectGate(QStringLiteral("a"), QStringLiteral("none"), false));
        QVERIFY(!u->connectGate(QStringLiteral("c"), QStringLiteral("n1"), false));
        QVERIFY(u->connectGate(QStringLiteral(".b(n1),,b(n2),.(n2),.y(n2)"), false));
        QCOMPARE(u->findPortByName(QStringLiteral("b"))->net, n1);
        QCOMPARE(u->findPortByName(QStringLiteral("y"))->net, n2);
        Gate loose(QStringLiteral("a"), QString(), QString(), QBrush());
        QVERIFY(!loose.connectGate(QStringLiteral("a"), QStringLiteral("n1"), false));
        QVERIFY(!loose.connectGate(QStringLiteral(".a(n1)"), false));
        QCOMPARE(u->findLinkTo(u), u->findPortByName(QStringLiteral("y")));
        QVERIFY(u->hasFanout());
        QVERIFY(u->hasDrivenInput());
        VERIFY_CONSISTENT(m);
    }

    void splitThenDeleteRejoins()
    {
        Gate *drv = makeGate(m, QStringLiteral("drv"), {}, {QStringLiteral("y")});
        Gate *near = makeGate(m, QStringLiteral("near"), {QStringLiteral("a")}, {});
        Gate *far = makeGate(m, QStringLiteral("far"), {QStringLiteral("a")}, {});
        near->column = 1;
        far->column = 4;
        Edge *n = net(m, QStringLiteral("n"));
        n->netNumber = 9;
        n->setProperty({{QStringLiteral("Width"), QStringLiteral("1")}});
        for (Gate *g : {drv, near, far})
            n->connectPort(g->ports.first());

        auto *pass = new Gate(3, n);
        QCOMPARE(pass->kind, int(BaseEnum::COLPASSTHROUGH));
        QCOMPARE(pass->name.text(), QStringLiteral("n"));
        QCOMPARE(pass->column, 3);
        QCOMPARE(pass->module, m);
        QVERIFY(m->gates->listContains(pass));
        Edge *piece = pass->portAt(2, 0)->net;
        QVERIFY(piece && piece != n);
        QCOMPARE(piece->name.text(), QStringLiteral("n"));
        QCOMPARE(piece->netNumber, 9);
        QCOMPARE(owners(n->drivers), QStringList(pass->portAt(0, 0)->fullName()));
        QCOMPARE(owners(n->loads), QStringList("near.a"));
        QCOMPARE(near->firstDriverGate(), drv->ports.first());
        VERIFY_CONSISTENT(m);

        LogCapture log;
        m->gates->removeFromModule();
        QVERIFY(criticals(log).isEmpty());
        QCOMPARE(m->edges->count(), 1);
        QCOMPARE(owners(n->drivers), QStringList("drv.y"));
        QCOMPARE(owners(n->loads).size(), 2);
        QCOMPARE(n->properties.value(QStringLiteral("Width")).toString(), QStringLiteral("1"));
        QVERIFY(m->gates->list().empty());
        QCOMPARE(far->column, 0);
        VERIFY_CONSISTENT(m);
    }

    // The reset joins the pieces of every split net back into the net they
    // came from, as deleting the pass-throughs one by one does: the same
    // nets under their own names, the same ports in the same order, the
    // same index orders and messages.
    void joiningMatchesDeletingOneByOne()
    {
        Module *ref = Module::findOrCreateModule(m_modules, QStringLiteral("ref"), nullptr);
        LogCapture log;
        const std::unique_ptr<Gate> loose(buildNets(m));
        const std::unique_ptr<Gate> refLoose(buildNets(ref));
        splitNets(m);
        splitNets(ref);
        QCOMPARE(netlistState(m), netlistState(ref));
        // 55 gates, a pass-through in each of ten columns of four nets and
        // three of the last.
        QCOMPARE(m->gates->count(), 55 + 43);
        QVERIFY(!m->edges->list().empty());

        log.messages.clear();
        m->gates->removeFromModule();
        const QStringList messages = criticals(log);
        log.messages.clear();
        removeOneByOne(ref);
        QCOMPARE(messages, criticals(log));
        // The loose gate's check, once for each piece its load passed.
        QVERIFY(messages.contains(QStringLiteral("Parent Module is not set. Gate must be registered")));
        QCOMPARE(netlistState(m), netlistState(ref));
        VERIFY_CONSISTENT(m);
        QVERIFY(m->gates->list().empty());
        QVERIFY(m->edges->list().empty());
        QCOMPARE(m->edges->count(), 5);
        QVERIFY(!(m->edges->find(Name(QStringLiteral("bus[3]")))->name.flags() & Name::Marked));
        Edge *md = m->edges->find(Name(QStringLiteral("md")));
        QCOMPARE(owners(md->drivers), QStringList({QStringLiteral("drv2.y"), QStringLiteral("drv.y3")}));
        QCOMPARE(md->properties.value(QStringLiteral("Width")).toString(), QStringLiteral("1"));
    }

    // After the whole step every net is back under its own name with its
    // lists in connection order.
    void simplifyRestoresConnectionOrder()
    {
        LogCapture log;
        const std::unique_ptr<Gate> loose(buildNets(m));
        const QStringList before = connectionLists(m);
        QVERIFY(before.contains(QStringLiteral("md:drv.y3,drv2.y|g2.b,g5.b,g8.b")));
        splitNets(m);
        QVERIFY(connectionLists(m) != before);
        m->simplifyGraph();
        QCOMPARE(connectionLists(m), before);
        QVERIFY(m->gates->list().empty());
        VERIFY_CONSISTENT(m);
    }

    // The layout walks the index's list from an array copy: the copy must
    // follow every change of the list, in the list's order.
    void listCopyFollowsChanges()
    {
        Gate *drv = makeGate(m, QStringLiteral("drv"), {}, {QStringLiteral("y")});
        Gate *far = makeGate(m, QStringLiteral("far"), {QStringLiteral("a")}, {});
        far->column = 5;
        Edge *n = net(m, QStringLiteral("n"));
        for (Gate *g : {drv, far})
            n->connectPort(g->ports.first());
        auto copied = [this] {
            QList<Gate *> walked;
            m->gates->forEachElementCopied([&walked](Gate *g) { walked.append(g); });
            return walked;
        };
        QVERIFY(!m->gates->hasListCopy());
        auto *first = new Gate(2, n);
        QCOMPARE(copied(), m->gates->elements());
        QVERIFY(m->gates->hasListCopy());

        // Listed after the copy was made: the next walk sees it, last.
        auto *second = new Gate(3, first->portAt(0, 0)->net);
        const QList<Gate *> withSecond = copied();
        QCOMPARE(withSecond, m->gates->elements());
        QCOMPARE(withSecond.last(), second);
        QCOMPARE(withSecond.count(first), 1);

        QVERIFY(m->gates->removeFromList(first));
        const QList<Gate *> withoutFirst = copied();
        QCOMPARE(withoutFirst, m->gates->elements());
        QVERIFY(!withoutFirst.contains(first));
        QVERIFY(withoutFirst.contains(second));
        m->gates->appendToList(first);

        m->gates->dropListCopy();
        QVERIFY(!m->gates->hasListCopy());
        QCOMPARE(copied(), m->gates->elements());
        QCOMPARE(copied().size(), 4);
    }

    // The list of an index runs through links in the elements themselves,
    // or (for an element whose own link another index holds) through a
    // link of its own: either way insertion order, any element taken out
    // in constant time, the others left in place.
    void indexListLinks()
    {
        SemiIndex<Name, Gate> first(nullptr);
        SemiIndex<Name, Gate> second(nullptr);
        Gate a, b, c, d;
        auto listOf = [](const SemiIndex<Name, Gate> &index) {
            return QList<Gate *>(index.list().cbegin(), index.list().cend());
        };
        for (Gate *g : {&a, &b, &c, &d})
            first.appendToList(g);
        first.appendToList(&b);
        QCOMPARE(listOf(first), (QList<Gate *>{&a, &b, &c, &d}));
        QCOMPARE(first.list().size(), std::size_t(4));
        second.appendToList(&c);
        second.appendToList(&a);
        second.appendToList(&c);
        QCOMPARE(listOf(second), (QList<Gate *>{&c, &a}));
        QVERIFY(second.listContains(&a));
        QVERIFY(!second.listContains(&b));

        // Middle, front and back.
        QVERIFY(first.removeFromList(&b));
        QCOMPARE(listOf(first), (QList<Gate *>{&a, &c, &d}));
        QVERIFY(first.removeFromList(&a));
        QVERIFY(first.removeFromList(&d));
        QVERIFY(!first.removeFromList(&d));
        QCOMPARE(listOf(first), (QList<Gate *>{&c}));
        // The second index's links do not depend on the first's.
        QCOMPARE(listOf(second), (QList<Gate *>{&c, &a}));
        first.appendToList(&b);
        first.appendToList(&a);
        QCOMPARE(listOf(first), (QList<Gate *>{&c, &b, &a}));
        // a stands in the first index's list through its own link now, in
        // the second's through one of its own still.
        QCOMPARE(a.indexSlot.index, static_cast<const void *>(&first));
        QVERIFY(second.removeFromList(&c));
        QCOMPARE(listOf(second), (QList<Gate *>{&a}));
        QCOMPARE(listOf(first), (QList<Gate *>{&c, &b, &a}));
        QCOMPARE(first.takeFirst(), &c);
        QCOMPARE(listOf(first), (QList<Gate *>{&b, &a}));

        // Cleared: the elements are listed nowhere, and can be listed again.
        first.clear();
        QVERIFY(first.list().empty());
        QVERIFY(first.isEmpty());
        QVERIFY(!a.indexSlot.index);
        QVERIFY(!b.indexSlot.index);
        QCOMPARE(listOf(second), (QList<Gate *>{&a}));
        second.appendToList(&b);
        QCOMPARE(listOf(second), (QList<Gate *>{&a, &b}));
        QCOMPARE(b.indexSlot.index, static_cast<const void *>(&second));
        QCOMPARE(second.takeFirst(), &a);
        QCOMPARE(second.takeFirst(), &b);
        QVERIFY(second.isEmpty());
        QCOMPARE(second.takeFirst(), nullptr);
    }

    // The walks read the map's entries from an array copy too: every way the
    // map changes must show in the next walk, in key order, while a copy
    // handed out earlier stays as it was.
    void mapCopyFollowsChanges()
    {
        auto walked = [this] {
            QList<Gate *> all;
            m->gates->forEachElement([&all](Gate *g) { all.append(g); });
            return all;
        };
        auto keyed = [this] { return m->gates->map.values(); };
        Gate *b = makeGate(m, QStringLiteral("b"), {}, {QStringLiteral("y")});
        Gate *d = makeGate(m, QStringLiteral("d"), {}, {QStringLiteral("y")});
        QCOMPARE(walked(), (QList<Gate *>{b, d}));
        const QVector<Gate *> before = m->gates->map.valuesCopy();

        // Registered after the copy was made: found in its key's place.
        Gate *c = makeGate(m, QStringLiteral("c"), {}, {QStringLiteral("y")});
        QCOMPARE(walked(), (QList<Gate *>{b, c, d}));
        QCOMPARE(m->gates->elements(), walked());
        QCOMPARE(before, (QVector<Gate *>{b, d}));

        // Renamed: moves to its new key's place.
        b->nameInstance(Name(QStringLiteral("e")));
        QCOMPARE(walked(), (QList<Gate *>{c, d, b}));

        // Gone through each member that takes an entry out.
        delete c;
        QCOMPARE(walked(), (QList<Gate *>{d, b}));
        QCOMPARE(m->gates->map.take(Name(QStringLiteral("d"))), d);
        QCOMPARE(walked(), (QList<Gate *>{b}));
        m->gates->map[Name(QStringLiteral("a"))] = d;
        QCOMPARE(walked(), (QList<Gate *>{d, b}));
        QCOMPARE(m->gates->map.remove(Name(QStringLiteral("a"))), 1);
        QCOMPARE(walked(), keyed());
        m->gates->map.insert(Name(QStringLiteral("a")), d);
        QCOMPARE(m->gates->takeFirst(), d);
        QCOMPARE(walked(), (QList<Gate *>{b}));
        // Written through an iterator.
        *m->gates->map.begin() = d;
        QCOMPARE(walked(), (QList<Gate *>{d}));
        *m->gates->map.begin() = b;
        m->gates->map.clear();
        QVERIFY(walked().isEmpty());
        QCOMPARE(m->gates->count(), 0);
        delete b;
        delete d;
    }

    void loopBackCut()
    {
        Gate *inv = makeGate(m, QStringLiteral("inv"), {QStringLiteral("a")}, {QStringLiteral("y")}, BaseEnum::INVERTER);
        Edge *n = net(m, QStringLiteral("loop"));
        n->connectPort(inv->portAt(0, 0));
        n->connectPort(inv->portAt(2, 0));
        QCOMPARE(inv->constantKind(), 0);

        const QList<GatePort *> cut{inv->portAt(2, 0)};
        auto *pass = new Gate(cut);
        Edge *piece = inv->portAt(2, 0)->net;
        QVERIFY(piece != n);
        QCOMPARE(piece->drivers.first()->owner->kind, int(BaseEnum::LOOPBACKOPENINPUT));
        // The loop is cut: the old net feeds nothing, the generated driver
        // feeds the pass-through and the moved load.
        QVERIFY(n->loads.isEmpty());
        QCOMPARE(n->drivers.first(), pass->portAt(0, 0));
        QCOMPARE(piece->loads.size(), 2);
        VERIFY_CONSISTENT(m);
        Gate bare{QList<GatePort *>()};
        QCOMPARE(bare.kind, int(BaseEnum::COLPASSTHROUGH));
        QVERIFY(bare.ports.isEmpty());
    }

    void walksThroughPassThroughs()
    {
        Gate *src = makeGate(m, QStringLiteral("src"), {}, {QStringLiteral("y")});
        Gate *dst = makeGate(m, QStringLiteral("dst"), {QStringLiteral("a")}, {});
        // Columns hold depths counted from the outputs while nets are split.
        src->column = 6;
        dst->column = 1;
        Edge *n = net(m, QStringLiteral("w"));
        n->connectPort(src->portAt(0, 0));
        n->connectPort(dst->portAt(2, 0));
        // Two cuts: dst's driver is behind two pass-throughs. The pieces
        // keep the net's number.
        n->netNumber = 4;
        auto *p1 = new Gate(3, n);
        auto *p2 = new Gate(5, p1->portAt(2, 0)->net);
        QCOMPARE(dst->portAt(2, 0)->net->drivers.first(), p1->portAt(0, 0));
        QCOMPARE(p1->portAt(2, 0)->net->drivers.first(), p2->portAt(0, 0));
        QCOMPARE(dst->firstDriverGate(), src->portAt(0, 0));
        QVERIFY(p1->samePassThroughNet(p2));
        QVERIFY(!p1->samePassThroughNet(src));
        QVERIFY(!src->samePassThroughNet(p1));
        VERIFY_CONSISTENT(m);
        m->gates->removeFromModule();
        QCOMPARE(m->edges->count(), 1);
        VERIFY_CONSISTENT(m);
    }

    void constants()
    {
        auto *vcc = new Vcc(QStringLiteral("vdd"), QBrush());
        QVERIFY(m->registerInstance(vcc, true));
        Gate *buf = makeGate(m, QStringLiteral("buf"), {QStringLiteral("a")}, {QStringLiteral("y")}, BaseEnum::BUFFER);
        Gate *inv = makeGate(m, QStringLiteral("inv"), {QStringLiteral("a")}, {QStringLiteral("y")}, BaseEnum::INVERTER);
        net(m, QStringLiteral("n0"))->connectPort(vcc->ports.first());
        QVERIFY(buf->connectGate(QStringLiteral(".a(n0)"), false));
        net(m, QStringLiteral("n1"))->connectPort(buf->portAt(0, 0));
        QVERIFY(inv->connectGate(QStringLiteral(".a(n1)"), false));
        QCOMPARE(buf->constantKind(), int(BaseEnum::VCC));
        QCOMPARE(inv->constantKind(), int(BaseEnum::GND));
        Z z(QStringLiteral("hz"), QBrush());
        X x(QStringLiteral("hx"), QBrush());
        Gnd gnd(QStringLiteral("g"), QBrush());
        QCOMPARE(z.constantKind(), int(BaseEnum::Z));
        QCOMPARE(x.constantKind(), int(BaseEnum::X));
        QCOMPARE(gnd.constantKind(), int(BaseEnum::GND));
        Gate *andGate = makeGate(m, QStringLiteral("and"), {QStringLiteral("a")}, {QStringLiteral("y")});
        QVERIFY(andGate->connectGate(QStringLiteral(".a(n0)"), false));
        QCOMPARE(andGate->constantKind(), 0);
    }

    void indexClearAndPurge()
    {
        makeGate(m, QStringLiteral("a"), {QStringLiteral("i")}, {QStringLiteral("o")});
        makeGate(m, QStringLiteral("b"), {QStringLiteral("i")}, {QStringLiteral("o")});
        m->findOrCreatePortGate(QStringLiteral("p"), QString(), PortAttributes::make(0, 2, 0, 0, false, 0), true);
        auto *pass = new Gate(BaseEnum::COLPASSTHROUGH, QStringLiteral("n"), QBrush());
        QVERIFY(m->registerInstance(pass, true));
        QCOMPARE(m->gates->count(), 4);
        m->portGates->clear();
        QCOMPARE(m->gates->count(), 4);
        m->gates->purge();
        QCOMPARE(m->gates->count(), 1);
        m->gates->clear();
        QVERIFY(m->gates->isEmpty());
        QVERIFY(m->gates->list().empty());
        QVERIFY(m->portGates->isEmpty());
    }

    void resetWithoutPassThroughs()
    {
        Gate *a = makeGate(m, QStringLiteral("a"), {QStringLiteral("i")}, {QStringLiteral("o")});
        a->column = 3;
        a->row = 2;
        a->link = 1;
        a->ports.first()->attributes.setPortDirection(BaseEnum::Output);
        LogCapture log;
        m->gates->removeFromModule();
        QVERIFY(criticals(log).isEmpty());
        QCOMPARE(m->gates->count(), 1);
        QCOMPARE(a->column, 0);
        QCOMPARE(a->row, 0);
        QCOMPARE(a->link, quintptr(0));
        QCOMPARE(a->ports.first()->attributes.portDirection(), int(BaseEnum::Input));
        QVERIFY(a->shapeBuilt);
    }

    void genericInOutPorts()
    {
        Gate *g = new Gate(QStringLiteral("a[0],a[1],a[2]"), QString(), QStringLiteral("data_in,pad"), QBrush());
        g->typeName = QStringLiteral("cell");
        g->nameInstance(Name(QStringLiteral("g")));
        QVERIFY(m->registerInstance(g, true));
        QVERIFY(g->connectGate(QStringLiteral(".data_in(") + net(m, QStringLiteral("d"))->name.text()
                                   + QStringLiteral("),.pad(") + net(m, QStringLiteral("p"))->name.text()
                                   + QStringLiteral(")"),
                               false));
        g->initPorts(true);
        // data_in reads; pad, the only undecided bus, becomes the output.
        GatePort *in = g->findPortByName(QStringLiteral("data_in"));
        GatePort *pad = g->findPortByName(QStringLiteral("pad"));
        QCOMPARE(in->attributes.portDirection(), int(BaseEnum::Input));
        QCOMPARE(pad->attributes.portDirection(), int(BaseEnum::Output));
        QCOMPARE(pad->attributes.sortGroup(), 0);
        QVERIFY(pad->net->drivers.contains(pad));
        QVERIFY(m->inOutKeys.contains(QStringLiteral("cell.pad")));
        // Unconnected bits of one bus stand close together.
        QCOMPARE(g->findPortByName(QStringLiteral("a[1]"))->anchor.y() - g->findPortByName(QStringLiteral("a[0]"))->anchor.y(), 2.0);
        QVERIFY(g->shapeBuilt);

        Gate plain(BaseEnum::AND, 2, QBrush());
        const QStringList before = describe(&plain);
        const QPointF anchor = plain.ports.first()->anchor;
        plain.initPorts(true);
        QCOMPARE(describe(&plain), before);
        QCOMPARE(plain.ports.first()->anchor, anchor);
    }

    void emptyLabelFoldsThePortIntoItsRunRow()
    {
        Gate *u = makeGate(m, QStringLiteral("u"), {QStringLiteral("a[0]"), QStringLiteral("a[1]")}, {});
        net(m, QStringLiteral("n0"))->connectPort(u->portAt(2, 0));
        net(m, QStringLiteral("n1"))->connectPort(u->portAt(2, 1));
        u->portAt(2, 0)->setLabel(QStringLiteral("a[0:1]"));
        u->portAt(2, 1)->setLabel(QStringLiteral(""));
        const QString rows = u->portsPlainText(true, false, -1);
        QCOMPARE(rows.count(QStringLiteral("<tr>")), 1);
        QVERIFY(rows.contains(QStringLiteral("a[0:1]:")));
        QVERIFY(rows.contains(QStringLiteral("n0")) && rows.contains(QStringLiteral("n1")));
        // A null label shows the name: a row of its own.
        u->portAt(2, 1)->setLabel(QString());
        QCOMPARE(u->portsPlainText(true, false, -1).count(QStringLiteral("<tr>")), 2);
    }

    void firstDriverGateOnAnUnsortedPortSet()
    {
        Gate *d = makeGate(m, QStringLiteral("d"), {}, {QStringLiteral("y")});
        auto *g = new Gate;
        g->kind = BaseEnum::AND;
        g->name = Name(QStringLiteral("g"));
        // The output comes first in the list and the set is not sorted.
        GatePort *y = addPort(g, QStringLiteral("y"), BaseEnum::Output, 0, 0);
        GatePort *a = addPort(g, QStringLiteral("a"), BaseEnum::Input, 2, 0);
        m->registerInstance(g, true);
        net(m, QStringLiteral("out"))->connectPort(y);
        net(m, QStringLiteral("in"))->connectPort(d->portAt(0, 0));
        net(m, QStringLiteral("in"))->connectPort(a);
        QVERIFY(!g->ports.isSorted());
        LogCapture log;
        QCOMPARE(g->firstDriverGate(), d->portAt(0, 0));
        QVERIFY(criticals(log).isEmpty());
        QVERIFY(!g->ports.isSorted());
    }

    void clusterPitchesAndNetCounter()
    {
        auto *c = new Gate(QStringLiteral("a[0],a[1],a[2]"), QStringLiteral("y[0],y[1]"), QString(), QBrush());
        c->kind = BaseEnum::AND | BaseEnum::ClusterFlag;
        c->nameInstance(Name(QStringLiteral("c")));
        QVERIFY(m->registerInstance(c, true));
        for (int i = 0; i < 3; ++i)
            net(m, QStringLiteral("a%1").arg(i))->connectPort(c->findPortByName(QStringLiteral("a[%1]").arg(i)));
        for (int i = 0; i < 2; ++i)
            net(m, QStringLiteral("y%1").arg(i))->connectPort(c->findPortByName(QStringLiteral("y[%1]").arg(i)));
        m->nextNetNumber = 1;
        c->initPorts(false);
        auto step = [c](const char *first, const char *second) {
            return c->findPortByName(QLatin1String(second))->anchor - c->findPortByName(QLatin1String(first))->anchor;
        };
        QCOMPARE(step("y[0]", "y[1]"), QPointF(0, 108));
        QCOMPARE(step("a[0]", "a[1]"), QPointF(0, 54));
        // Without packing every port counts; with it, every run start.
        QCOMPARE(m->nextNetNumber, 1 + 5);
        m->nextNetNumber = 1;
        c->initPorts(true);
        QCOMPARE(m->nextNetNumber, 1 + 2);
        QCOMPARE(net(m, QStringLiteral("a0"))->netNumber, net(m, QStringLiteral("a2"))->netNumber);
        QVERIFY(net(m, QStringLiteral("a0"))->netNumber != net(m, QStringLiteral("y0"))->netNumber);

        // The select pin of a multiplexer cluster sits 0.4 of a pitch off
        // where a generic gate of the same ports has it.
        Gate *twins[2];
        for (int i = 0; i < 2; ++i) {
            twins[i] = new Gate(QStringLiteral("d[0],d[1]"), QStringLiteral("y"), QString(), QBrush());
            twins[i]->kind = i == 0 ? int(BaseEnum::MUX2 | BaseEnum::ClusterFlag) : int(BaseEnum::GENERIC);
            addPort(twins[i], QStringLiteral("s"), BaseEnum::Input, 3, 0, true);
            twins[i]->nameInstance(Name(QStringLiteral("mux%1").arg(i)));
            QVERIFY(m->registerInstance(twins[i], true));
            twins[i]->initPorts(false);
        }
        QCOMPARE(twins[0]->findPortByName(QStringLiteral("s"))->anchor.x(),
                 twins[1]->findPortByName(QStringLiteral("s"))->anchor.x() + 0.4 * 36);
        QCOMPARE(step2(twins[0], "d[0]", "d[1]"), 36.0);
    }

    void linkedPortsStopAtTheFirstMissingPosition()
    {
        Gate *g = makeGate(m, QStringLiteral("g"), {QStringLiteral("a")}, {QStringLiteral("y0"), QStringLiteral("y1")});
        addPort(g, QStringLiteral("y3"), BaseEnum::Output, 0, 3);
        addPort(g, QStringLiteral("y1b"), BaseEnum::Output, 0, 1);
        g->ports.ensureSorted(true);
        QStringList names;
        for (const GatePort *p : g->portAt(2, 0)->linkedPorts())
            names << p->name;
        QCOMPARE(names, QStringList({QStringLiteral("y0"), QStringLiteral("y1")}));
        Gate *h = makeGate(m, QStringLiteral("h"), {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("y")});
        QCOMPARE(h->portAt(0, 0)->upstreamPorts(), QList<GatePort *>({h->portAt(2, 0), h->portAt(2, 1)}));
    }

    void toolTips()
    {
        auto *q = new Gate(PortAttributes::make(1, 0, 0, 0, false, 0), Name(QStringLiteral("q")), QBrush());
        QCOMPARE(q->toolTip(), QStringLiteral("<table><tr><td><b><div style='white-space:pre'>Output:</div></b></td>"
                                              "<td>q</td></tr></table>"));
        QCOMPARE(q->portsPlainText(true, false, -1), QString());
        delete q;
        Gate *u = makeGate(m, QStringLiteral("u<1>"), {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("y")});
        u->typeName = QStringLiteral("AND");
        net(m, QStringLiteral("n&1"))->connectPort(u->portAt(2, 0));
        QVERIFY(u->toolTip().contains(QStringLiteral("<td>u&lt;1&gt;</td>")));
        const QString inputs = u->portsPlainText(true, false, -1);
        QVERIFY(inputs.contains(QStringLiteral("a:</div></b></td><td>n&amp;1</td>")));
        QVERIFY(inputs.contains(QStringLiteral("b:</div></b></td><td><i>Not connected</i></td>")));
        QCOMPARE(u->portsPlainText(true, true, -1).simplified(),
                 QStringLiteral("%1 a: n&1 %1 b: Not connected").arg(directionSymbol(0)));
        u->properties.insert(QStringLiteral("Cell"), QStringLiteral("AND2"));
        const QString all = u->propertyTableAll();
        QVERIFY(all.startsWith(u->toolTip()));
        QCOMPARE(all.count(u->toolTip()), 1);
        // b and y, each once.
        QCOMPARE(all.count(QStringLiteral("Not connected")), 2);
        QVERIFY(all.contains(QStringLiteral("Cell: </div></b></td><td>AND2")));
    }

    void clusterMembers()
    {
        auto *c = new Gate(QStringLiteral("a[0],a[1],a[2],clk"), QStringLiteral("y[0],y[1],y[2]"), QString(), QBrush());
        c->kind = BaseEnum::AND | BaseEnum::ClusterFlag;
        c->typeName = QStringLiteral("AND_3");
        c->nameInstance(Name(QStringLiteral("c")));
        c->properties.insert(QStringLiteral("=NativeName"),
                             QVariantList{QVariant::fromValue(Name(QStringLiteral("u0"))),
                                          QVariant::fromValue(Name(QStringLiteral("u1"))), QStringLiteral("u2")});
        QVERIFY(m->registerInstance(c, true));
        QCOMPARE(c->subGateIndexOf(Name(QStringLiteral("u2"))), 2);
        QCOMPARE(c->subGateIndexOf(Name(QStringLiteral("u9"))), -1);
        QCOMPARE(m->gates->findClusterWithSubGate(Name(QStringLiteral("u1"))), c);
        QVERIFY(!m->gates->findClusterWithSubGate(Name(QStringLiteral("u9"))));

        const QString member2 = c->portsPlainText(true, false, 2);
        QVERIFY(member2.contains(QStringLiteral(" a:")));
        QVERIFY(member2.contains(QStringLiteral(" clk:")));
        QCOMPARE(member2.count(QStringLiteral("<tr>")), 2);

        QVERIFY(!c->isSubGateSelected());
        c->setSubGateSelection(selectionCounter(), 1);
        QVERIFY(c->isSubGateSelected());
        QCOMPARE(c->selectedSubGateName().text(), QStringLiteral("u1"));
        QVERIFY(c->toolTip().contains(QStringLiteral("AND:</div></b></td><td>u1<")));
        QCOMPARE(c->propertyTableAll(), c->propertyTable(1));
        increaseSelectionCounter();
        QVERIFY(!c->isSubGateSelected());
        QVERIFY(c->toolTip().contains(QStringLiteral("AND_3:")));
    }

    void signatures()
    {
        auto build = [this](const QString &name, const QString &out, const QString &in) {
            Gate *g = makeGate(m, name, {QStringLiteral("A"), QStringLiteral("B")}, {QStringLiteral("Out")});
            g->typeName = QStringLiteral("AND");
            net(m, out)->connectPort(g->portAt(0, 0));
            net(m, in)->connectPort(g->portAt(2, 0));
            return g;
        };
        Gate *g1 = build(QStringLiteral("g1"), QStringLiteral("o1"), QStringLiteral("plain"));
        Gate *g2 = build(QStringLiteral("g2"), QStringLiteral("o2"), QStringLiteral("plain"));
        g1->portAt(0, 0)->net->netNumber = 7;
        g2->portAt(0, 0)->net->netNumber = 7;
        bool bus = true;
        QCOMPARE(g1->portSignature(0, &bus), QStringLiteral(",Out:7=1=0=2=0(AND)"));
        QVERIFY(!bus);
        QCOMPARE(g2->portSignature(0, &bus), g1->portSignature(0, &bus));

        Gate *g3 = build(QStringLiteral("g3"), QStringLiteral("m[2][5]"), QStringLiteral("plain"));
        QCOMPARE(g3->portSignature(0, &bus), QStringLiteral(",Out:m[][5]=1=0=2=0(AND)"));
        QVERIFY(bus);
        QCOMPARE(g3->portSignature(1, &bus), QStringLiteral(",Out:m[2]=1=0=2=0(AND)"));

        // A control net by name, in front; a numbered net shows its number and
        // wins over the bus net, which then makes no second signature.
        Gate *flop = makeGate(m, QStringLiteral("g6"), {QStringLiteral("D"), QStringLiteral("C")},
                              {QStringLiteral("Q")}, BaseEnum::FLOP);
        flop->typeName = QStringLiteral("DFF");
        GatePort *clock = flop->portAt(2, 1);
        clock->attributes.set(clock->attributes.direction(), 2, 1, 0, true, 0);
        net(m, QStringLiteral("clk"))->connectPort(clock);
        net(m, QStringLiteral("d[1][4]"))->connectPort(flop->portAt(2, 0));
        net(m, QStringLiteral("q"))->connectPort(flop->portAt(0, 0));
        flop->portAt(0, 0)->net->netNumber = -12;
        QCOMPARE(flop->portSignature(0, &bus), QStringLiteral(",C:clk,Q:-12=1=0=2=0(DFF)"));
        QVERIFY(!bus);
        flop->portAt(0, 0)->net->netNumber = 0;
        QCOMPARE(flop->portSignature(0, &bus), QStringLiteral(",C:clk,D:d[][4]=1=0=2=0(DFF)"));
        QVERIFY(bus);
        QCOMPARE(flop->portSignature(1, nullptr), QStringLiteral(",C:clk,D:d[1]=1=0=2=0(DFF)"));

        Gate *indexed = makeGate(m, QStringLiteral("g4"), {QStringLiteral("a[1]")}, {QStringLiteral("Out")});
        net(m, QStringLiteral("o4"))->connectPort(indexed->portAt(0, 0));
        indexed->portAt(0, 0)->net->netNumber = 3;
        QCOMPARE(indexed->portSignature(0, &bus), QString());
        Gate *generic = makeGate(m, QStringLiteral("g5"), {}, {QStringLiteral("y")}, BaseEnum::GENERIC);
        QCOMPARE(generic->portSignature(0, &bus), QString());
    }

    // An open input's one-index port stands under its base name, whatever
    // the brackets; a name that only ends like an index keeps its text. The
    // same port name asked again (as every clustering pass does) answers alike.
    void openInputPortSignatures()
    {
        auto open = [this](const QString &name, const QString &port) {
            Gate *g = makeGate(m, name, {}, {port}, BaseEnum::OPENINPUT);
            g->typeName = QStringLiteral("OI");
            net(m, name + QStringLiteral("_net"))->connectPort(g->portAt(0, 0));
            g->portAt(0, 0)->net->netNumber = 5;
            return g->portSignature(0, nullptr);
        };
        const QString plain = open(QStringLiteral("p0"), QStringLiteral("d"));
        QVERIFY(plain.startsWith(QStringLiteral(",d:5=")));
        QVERIFY(plain.endsWith(QStringLiteral("(OI)")));
        const QStringList indexedNames = {QStringLiteral("d[3]"), QStringLiteral("d{4}"), QStringLiteral("d(5)"),
                                          QStringLiteral("d<6>"), QStringLiteral("d_7_"), QStringLiteral("d[3]")};
        for (int i = 0; i < indexedNames.size(); ++i)
            QCOMPARE(open(QStringLiteral("q%1").arg(i), indexedNames.at(i)), plain);
        const QString notIndexed = open(QStringLiteral("p1"), QStringLiteral("d]"));
        QVERIFY(notIndexed.startsWith(QStringLiteral(",d]:5=")));
        QCOMPARE(open(QStringLiteral("p2"), QStringLiteral("d]")), notIndexed);
        QVERIFY(open(QStringLiteral("p3"), QStringLiteral("d[x]")).startsWith(QStringLiteral(",d[x]:5=")));

        Gate *andGate = makeGate(m, QStringLiteral("a1"), {QStringLiteral("A")}, {QStringLiteral("Out<2>")});
        andGate->typeName = QStringLiteral("AND");
        net(m, QStringLiteral("a1_net"))->connectPort(andGate->portAt(0, 0));
        andGate->portAt(0, 0)->net->netNumber = 5;
        QCOMPARE(andGate->portSignature(0, nullptr), QString());
    }

    void mergingIntoCluster()
    {
        auto *cluster = new Gate(QStringLiteral("A[0],A[1],A[3]"), QStringLiteral("Out[0],Out[1],Out[3]"), QString(),
                                 QBrush());
        cluster->nameInstance(Name(QStringLiteral("cl")));
        QVERIFY(m->registerInstance(cluster, true));
        QList<Gate *> copies;
        for (int i : {0, 1, 3}) {
            Gate *g = makeGate(m, QStringLiteral("u%1").arg(i), {QStringLiteral("A")}, {QStringLiteral("Out")});
            net(m, QStringLiteral("in%1").arg(i))->connectPort(g->portAt(2, 0));
            net(m, QStringLiteral("out%1").arg(i))->connectPort(g->portAt(0, 0));
            g->properties.insert(QStringLiteral("Cell"), QStringLiteral("c%1").arg(i));
            if (i == 3)
                g->properties.insert(QStringLiteral("Late"), QStringLiteral("x"));
            copies << g;
        }
        copies[0]->clusterSignature(cluster, 0, 10);
        QCOMPARE(cluster->properties.value(QStringLiteral("Cell")), QVariant(QStringLiteral("c0")));
        copies[1]->clusterSignature(cluster, 1, 20);
        QCOMPARE(cluster->properties.value(QStringLiteral("Cell")).toList(),
                 QVariantList({QStringLiteral("c0"), QStringLiteral("c1")}));
        copies[2]->clusterSignature(cluster, 3, 30);
        const QVariantList late = cluster->properties.value(QStringLiteral("Late")).toList();
        QCOMPARE(late.size(), 4);
        QVERIFY(!late.at(0).isValid() && !late.at(2).isValid());
        QCOMPARE(late.at(3), QVariant(QStringLiteral("x")));
        QCOMPARE(cluster->findPortByName(QStringLiteral("A[1]"))->net->name.text(), QStringLiteral("in1"));
        QCOMPARE(cluster->findPortByName(QStringLiteral("Out[3]"))->net->netNumber, 31);
        QVERIFY(!copies[1]->portAt(0, 0)->net);
        cluster->clusterSignature(nullptr, 0, 0);
        VERIFY_CONSISTENT(m);
    }

    // A netlist of 10,000 gates built, connected by name and torn down; the
    // memcheck run of this test shows it leaves nothing behind.
    void largeNetlist()
    {
        const int count = 10000;
        for (int i = 0; i < count; ++i)
            net(m, QStringLiteral("n%1").arg(i));
        for (int i = 0; i < count; ++i) {
            auto *g = new Gate(BaseEnum::AND, 2, QBrush());
            g->nameInstance(Name(QStringLiteral("u%1").arg(i)));
            QVERIFY(m->registerInstance(g, true));
            QVERIFY(g->connectGate(QStringLiteral(".A(n%1),.B(n%2),.Out(n%3)")
                                       .arg(i > 0 ? i - 1 : count - 1)
                                       .arg(i > 6 ? i - 7 : count - 1)
                                       .arg(i),
                                   false));
        }
        QCOMPARE(m->gates->count(), count);
        QCOMPARE(m->edges->find(Name(QStringLiteral("n5")))->loads.size(), 2);
        VERIFY_CONSISTENT(m);
        deleteModules(m_modules);
        QVERIFY(m_modules.isEmpty());
    }
};

// Gates measure their labels in the label font, which needs a GUI application.
QTEST_MAIN(TestGates)

#include "tst_gates.moc"
