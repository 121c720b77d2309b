#include "common/testenvironment.h"
#include "netlistfixture.h"

#include <QtTest>

using namespace GraphEngine;
using namespace NetlistFixture;

#define VERIFY_CONSISTENT(module) QCOMPARE(brokenInvariant(module), QString())

// Nets, their connection operations, the net index and the module registry.
class TestNets : public QObject
{
    Q_OBJECT

    ModuleMap m_modules;
    Module *m = nullptr;

    Module *module() { return Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr); }

private slots:
    void init() { m = module(); }
    void cleanup() { deleteModules(m_modules); }

    // Connecting twice lists once; connecting elsewhere leaves the former
    // net; a port that is not there cannot be disconnected.
    void connectingAndDisconnecting()
    {
        Gate *u = makeGate(m, QStringLiteral("u"), {QStringLiteral("a")}, {QStringLiteral("y")});
        GatePort *y = u->portAt(0, 0);
        GatePort *a = u->portAt(2, 0);
        Edge *n = net(m, QStringLiteral("n"));
        LogCapture log;
        for (int i = 0; i < 2; ++i) {
            n->connectPort(y);
            n->connectPort(a, true);
        }
        QCOMPARE(n->drivers.size(), 1);
        QCOMPARE(n->loads.size(), 1);
        QVERIFY(!n->connectionSummary().contains(QStringLiteral("Multitriver")));
        QVERIFY(log.messages.isEmpty());
        VERIFY_CONSISTENT(m);

        a->disconnect();
        QVERIFY(n->loads.isEmpty());
        QVERIFY(!a->net);
        n->disconnectPort(a);
        QCOMPARE(criticals(log), QStringList("Attempt to disconnect a port that is not already connected"));

        Edge *second = net(m, QStringLiteral("second"));
        second->connectPort(y);
        QCOMPARE(criticals(log), QStringList({"Attempt to disconnect a port that is not already connected",
                                              "Attempt to force an existing connection."}));
        QCOMPARE(y->net, second);
        QVERIFY(n->drivers.isEmpty());
        VERIFY_CONSISTENT(m);
        // Deleting the gate now leaves no net holding its freed port.
        delete u;
        QVERIFY(second->drivers.isEmpty());
    }

    void replacePort()
    {
        Gate *u = makeGate(m, QStringLiteral("u"), {QStringLiteral("a")}, {QStringLiteral("y")});
        Gate *v = makeGate(m, QStringLiteral("v"), {QStringLiteral("a"), QStringLiteral("b")}, {});
        Edge *n = net(m, QStringLiteral("n"));
        Edge *other = net(m, QStringLiteral("other"));
        n->connectPort(u->portAt(0, 0));
        n->connectPort(u->portAt(2, 0));
        // The new port stands alone on another net: it leaves that net.
        other->connectPort(v->portAt(2, 0));
        LogCapture log;
        QVERIFY(n->replacePort(u->portAt(2, 0), v->portAt(2, 0)));
        QCOMPARE(owners(n->loads), QStringList("v.a"));
        QVERIFY(!u->portAt(2, 0)->net);
        QVERIFY(other->loads.isEmpty());
        QCOMPARE(criticals(log), QStringList("Attempt to force an existing connection."));
        VERIFY_CONSISTENT(m);
        // A port not on the net: nothing changes.
        QVERIFY(!n->replacePort(u->portAt(2, 0), v->portAt(2, 1)));
        QCOMPARE(n->loads.size(), 1);
        // A connected new port: the old one is only disconnected.
        other->connectPort(v->portAt(2, 1));
        other->connectPort(makeGate(m, QStringLiteral("w"), {}, {QStringLiteral("y")})->portAt(0, 0));
        QVERIFY(!n->replacePort(v->portAt(2, 0), v->portAt(2, 1)));
        QVERIFY(n->loads.isEmpty());
        QCOMPARE(v->portAt(2, 1)->net, other);
        VERIFY_CONSISTENT(m);
    }

    void transfersByColumn_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("movedDrivers");
        QTest::addColumn<QStringList>("movedLoads");
        // Driver columns 0, 2, 5; load columns 1, 3, 5.
        QTest::newRow("all") << -1 << QStringList{"d0.y", "d2.y", "d5.y"} << QStringList{"l1.a", "l3.a", "l5.a"};
        QTest::newRow("column 3") << 3 << QStringList{"d0.y", "d5.y"} << QStringList{"l3.a", "l5.a"};
        QTest::newRow("column 5") << 5 << QStringList{"d0.y"} << QStringList{"l5.a"};
    }
    void transfersByColumn()
    {
        QFETCH(int, column);
        QFETCH(QStringList, movedDrivers);
        QFETCH(QStringList, movedLoads);
        Edge *n = net(m, QStringLiteral("n"));
        for (int c : {0, 2, 5}) {
            Gate *d = makeGate(m, QStringLiteral("d%1").arg(c), {}, {QStringLiteral("y")});
            d->column = c;
            n->connectPort(d->portAt(0, 0));
        }
        for (int c : {1, 3, 5}) {
            Gate *l = makeGate(m, QStringLiteral("l%1").arg(c), {QStringLiteral("a")}, {});
            l->column = c;
            n->connectPort(l->portAt(2, 0));
        }
        Edge *target = m->edges->findOrCreate(Name(QStringLiteral("n")), true);
        QVERIFY(target != n);
        n->transferInputs(column, target);
        n->transferOutputs(column, target);
        QCOMPARE(owners(target->drivers), movedDrivers);
        QCOMPARE(owners(target->loads), movedLoads);
        QCOMPARE(n->drivers.size() + target->drivers.size(), 3);
        QCOMPARE(n->loads.size() + target->loads.size(), 3);
        VERIFY_CONSISTENT(m);
    }

    // A net split at a pass-through gate, then joined again when the gate
    // goes: every port is back on one net, which holds the name.
    void passThroughRoundTrip()
    {
        Gate *drv = makeGate(m, QStringLiteral("drv"), {}, {QStringLiteral("y")});
        Gate *near = makeGate(m, QStringLiteral("near"), {QStringLiteral("a")}, {});
        Gate *far = makeGate(m, QStringLiteral("far"), {QStringLiteral("a")}, {});
        near->column = 1;
        far->column = 3;
        Edge *n = net(m, QStringLiteral("n"));
        n->setProperty({{QStringLiteral("Width"), QStringLiteral("1")}});
        for (Gate *g : {drv, near, far})
            n->connectPort(g->ports.first());
        n->loadTop = 10;
        n->loadBottom = 20;

        auto *pass = new Gate(BaseEnum::COLPASSTHROUGH, QStringLiteral("n"), QBrush());
        pass->column = 2;
        QVERIFY(m->registerInstance(pass, true));
        Edge *piece = m->edges->findOrCreate(n->name, true);
        n->transferInputs(2, piece);
        n->transferOutputs(2, piece);
        // Wired as the splitting constructor does: the pass-through drives
        // the old net, the new piece feeds it.
        n->connectPort(pass->portAt(0, 0));
        piece->connectPort(pass->portAt(2, 0));
        piece->loadTop = 5;
        piece->loadBottom = 30;
        QCOMPARE(owners(piece->drivers), QStringList("drv.y"));
        QCOMPARE(owners(piece->loads), QStringList({"far.a", "n.i"}));
        QCOMPARE(owners(n->drivers), QStringList("n.o"));
        QCOMPARE(owners(n->loads), QStringList("near.a"));
        QCOMPARE(m->edges->find(n->name), piece);
        VERIFY_CONSISTENT(m);

        LogCapture log;
        delete pass;
        QVERIFY(criticals(log).isEmpty());
        // The net the pass-through drove stays; the piece before it goes.
        QCOMPARE(m->edges->count(), 1);
        Edge *joined = m->edges->find(Name(QStringLiteral("n")));
        QCOMPARE(joined, n);
        QCOMPARE(owners(joined->drivers), QStringList("drv.y"));
        QCOMPARE(owners(joined->loads), QStringList({"near.a", "far.a"}));
        QCOMPARE(joined->loadTop, 5.0);
        QCOMPARE(joined->loadBottom, 30.0);
        QVERIFY(joined->properties.contains(QStringLiteral("Width")));
        QVERIFY(m->gates->list().empty());
        VERIFY_CONSISTENT(m);
    }

    void absorbAdoptAndMove()
    {
        Edge *a = net(m, QStringLiteral("a"));
        Edge *b = net(m, QStringLiteral("b"));
        Gate *d1 = makeGate(m, QStringLiteral("d1"), {}, {QStringLiteral("y")});
        Gate *d2 = makeGate(m, QStringLiteral("d2"), {}, {QStringLiteral("y")});
        Gate *l = makeGate(m, QStringLiteral("l"), {QStringLiteral("p"), QStringLiteral("q")}, {});
        a->connectPort(d1->portAt(0, 0));
        b->connectPort(d2->portAt(0, 0));
        b->connectPort(l->portAt(2, 0));
        a->absorbDrivers(b);
        QCOMPARE(owners(a->drivers), QStringList({"d1.y", "d2.y"}));
        QVERIFY(b->drivers.isEmpty());
        QVERIFY(a->connectionSummary().contains(QStringLiteral("Multitriver Detected: </div></b></td><td>2")));
        VERIFY_CONSISTENT(m);

        a->adoptPorts(l->ports.asList());
        QCOMPARE(owners(a->loads), QStringList({"l.p", "l.q"}));
        QVERIFY(b->loads.isEmpty());
        a->moveAllPortsTo(b);
        QVERIFY(a->drivers.isEmpty() && a->loads.isEmpty());
        QCOMPARE(owners(b->drivers), QStringList({"d1.y", "d2.y"}));
        QCOMPARE(b->fanOut(), 2);
        VERIFY_CONSISTENT(m);
        m->edges->purge();
        QVERIFY(!m->edges->find(Name(QStringLiteral("a"))));
        QCOMPARE(m->edges->count(), 1);
        // Without its gates the other net has no ports left either.
        m->purge();
        QCOMPARE(m->gateCount(), 0);
        QVERIFY(m->edges->isEmpty());
    }

    void fakeInputs()
    {
        Edge *n = net(m, QStringLiteral("n"));
        Gate *l = makeGate(m, QStringLiteral("l"), {QStringLiteral("a")}, {});
        n->connectPort(l->portAt(2, 0));
        QVERIFY(n->connectionSummary().contains(QStringLiteral("Undriven Net Detected")));
        Gate *fake = n->createFakeInput(false);
        QVERIFY(fake);
        QCOMPARE(fake->kind, int(BaseEnum::OPENINPUT));
        QCOMPARE(fake->name.text(), QStringLiteral("OI_n"));
        QCOMPARE(fake->module, m);
        QCOMPARE(n->drivers.first(), fake->portAt(0, 0));
        QVERIFY(!n->createFakeInput(true));
        const int gates = m->gateCount();
        // The first real driver replaces the generated one.
        Gate *real = makeGate(m, QStringLiteral("real"), {}, {QStringLiteral("y")});
        n->connectPort(real->portAt(0, 0));
        QCOMPARE(m->gateCount(), gates);
        QCOMPARE(owners(n->drivers), QStringList("real.y"));
        VERIFY_CONSISTENT(m);

        // An inout load asks for a loop-back input; a name that is taken
        // gets a marked copy instead of leaving the net undriven.
        Edge *io = net(m, QStringLiteral("io"));
        Gate *pad = makeGate(m, QStringLiteral("LOI_io"), {}, {});
        addPort(pad, QStringLiteral("p"), BaseEnum::InOut, 2, 0);
        pad->ports.ensureSorted(false);
        io->connectPort(pad->ports.first());
        Gate *loop = io->createFakeInput(false);
        QVERIFY(loop);
        QCOMPARE(loop->kind, int(BaseEnum::LOOPBACKOPENINPUT));
        QCOMPARE(loop->name.text(), QStringLiteral("LOI_io"));
        QVERIFY(loop->name.flags() & Name::Marked);
        QCOMPARE(loop->module, m);
        VERIFY_CONSISTENT(m);
    }

    void netNumbersTravelBackThroughPassThroughs()
    {
        Edge *first = net(m, QStringLiteral("w"));
        Gate *src = makeGate(m, QStringLiteral("src"), {}, {QStringLiteral("y")});
        first->connectPort(src->portAt(0, 0));
        Edge *last = first;
        for (int i = 0; i < 2; ++i) {
            auto *pass = new Gate(BaseEnum::COLPASSTHROUGH, QStringLiteral("w"), QBrush());
            m->registerInstance(pass, true);
            Edge *next = m->edges->findOrCreate(Name(QStringLiteral("w")), true);
            last->connectPort(pass->portAt(2, 0));
            next->connectPort(pass->portAt(0, 0));
            last = next;
        }
        last->connectPort(makeGate(m, QStringLiteral("sink"), {QStringLiteral("a")}, {})->portAt(2, 0));
        last->setNetNumber(0);
        QCOMPARE(first->netNumber, 0);
        last->setNetNumber(7);
        QCOMPARE(first->netNumber, 7);
        QCOMPARE(m->edges->count(), 3);
        // A numbered net keeps its number, and so do the nets before it.
        last->netNumber = 0;
        first->netNumber = 0;
        Edge *middle = last->drivers.first()->owner->portAt(2, 0)->net;
        last->setNetNumber(9);
        QCOMPARE(middle->netNumber, 7);
        QCOMPARE(first->netNumber, 0);
        QCOMPARE(src->portAt(0, 0)->linkedPorts().size(), 1);

        // By number (index order: the map holds the latest "w"), then the ports' nets: each once. The
        // pass-through's and the sink's ports both stand on last.
        QCOMPARE(last->collectConnected(*m->edges), QList<Edge *>({last}));
        first->setNetNumber(9);
        QCOMPARE(last->collectConnected(*m->edges), QList<Edge *>({last, first}));
        QCOMPARE(middle->collectConnected(*m->edges), QList<Edge *>({middle}));
        // A net made after the question is found by the next one; a net that
        // is gone is not.
        Edge *late = net(m, QStringLiteral("late"));
        late->netNumber = 9;
        QList<Edge *> byIndex = m->edges->elements();
        byIndex.removeOne(middle);
        QCOMPARE(byIndex.size(), 3);
        QCOMPARE(last->collectConnected(*m->edges), byIndex);
        delete late;
        QCOMPARE(last->collectConnected(*m->edges), QList<Edge *>({last, first}));
        m->edges->resetLayout();
        QCOMPARE(last->collectConnected(*m->edges), QList<Edge *>({last}));
        m->forEachIndex();
        QVERIFY(m->edges->isEmpty() && m->gates->isEmpty());
    }

    void busBitsAreCollected()
    {
        Gate *reg = makeGate(m, QStringLiteral("reg"), {QStringLiteral("d[0]"), QStringLiteral("d[1]"), QStringLiteral("clk")}, {});
        Edge *d0 = net(m, QStringLiteral("d0"));
        Edge *d1 = net(m, QStringLiteral("d1"));
        d0->connectPort(reg->findPortByName(QStringLiteral("d[0]")));
        d1->connectPort(reg->findPortByName(QStringLiteral("d[1]")));
        QCOMPARE(d0->collectConnected(*m->edges), QList<Edge *>({d0, d1}));
        QCOMPARE(reg->portsNamed(QStringLiteral("d")).size(), 2);
    }

    void constantsShowThroughBuffersAndInverters()
    {
        auto *vcc = new Gate(BaseEnum::VCC, QStringLiteral("vcc"), QBrush());
        m->registerInstance(vcc, true);
        Gate *inv = makeGate(m, QStringLiteral("inv"), {QStringLiteral("a")}, {QStringLiteral("y")}, BaseEnum::INVERTER);
        Edge *one = net(m, QStringLiteral("one"));
        Edge *zero = net(m, QStringLiteral("zero"));
        one->connectPort(vcc->portAt(0, 0));
        one->connectPort(inv->portAt(2, 0));
        zero->connectPort(inv->portAt(0, 0));
        QCOMPARE(one->displayName(true).text(), QStringLiteral("1"));
        QCOMPARE(zero->displayName(true).text(), QStringLiteral("0"));
        QCOMPARE(zero->displayName(false).text(), QStringLiteral("zero"));
        // An inverter feeding itself carries no constant.
        one->disconnectPort(vcc->portAt(0, 0));
        zero->disconnectPort(inv->portAt(0, 0));
        one->connectPort(inv->portAt(0, 0));
        QCOMPARE(inv->constantKind(), 0);
        QCOMPARE(one->displayName(true).text(), QStringLiteral("one"));
    }

    void netTexts()
    {
        Edge *n = net(m, QStringLiteral("d<3>"));
        Gate *cluster = makeGate(m, QStringLiteral("c"), {QStringLiteral("d")}, {}, BaseEnum::FLOP | BaseEnum::ClusterFlag);
        addPort(cluster, QStringLiteral("clk"), 0, 2, 1, true);
        cluster->properties.insert(QStringLiteral("=NativeName"), QVariantList{1, 2, 3});
        n->connectPort(cluster->findPortByName(QStringLiteral("d")));
        n->connectPort(cluster->findPortByName(QStringLiteral("clk")));
        // A control pin of a cluster feeds every member.
        QCOMPARE(n->fanOut(), 4);
        QCOMPARE(n->baseName(), QStringLiteral("d"));
        const QString tip = n->toolTip();
        QVERIFY(tip.startsWith(QStringLiteral("<table><tr><td><b><div style='white-space:pre'>Edge Name:")));
        QVERIFY(tip.contains(QStringLiteral("d&lt;3&gt;")));
        n->setProperty({{QStringLiteral("Kind"), QStringLiteral("wire")}});
        const QString all = n->propertyTableAll();
        QVERIFY(all.startsWith(tip));
        QVERIFY(all.contains(QStringLiteral("Undriven Net Detected")));
        QVERIFY(all.contains(QStringLiteral("Output Connection: </div></b></td><td>4</td></tr></table>")));
        QVERIFY(all.contains(QStringLiteral("wire")));
        const QString at = n->toolTipAt(cluster->findPortByName(QStringLiteral("clk")));
        QVERIFY(at.contains(QStringLiteral(" \u21D2 c.clk")));
        QCOMPARE(n->toolTipAt(nullptr), all);
        n->bounds = QRectF(10, 10, 5, 0);
        QCOMPARE(n->boundingRect(), QRectF(9, 9, 7, 2));
    }

    void indexWideMarksAndLayoutReset()
    {
        Edge *a = net(m, QStringLiteral("a"));
        Edge *marked = m->edges->findOrCreate(Name::detachedCopy(Name(QStringLiteral("b"))));
        Gate *g = makeGate(m, QStringLiteral("g"), {}, {});
        m->edges->setColorMark(3, true);
        m->gates->setColorMark(3, true);
        QCOMPARE(a->marks, 8);
        QCOMPARE(marked->marks, 8);
        QCOMPARE(g->marks, 8);
        m->edges->setColorMark(3, false);
        m->edges->setColorMark(-1, true);
        QCOMPARE(a->marks | marked->marks, 0);
        a->column = 4;
        a->netNumber = 2;
        a->trackOffset = 1.5;
        a->branchLines.resize(2);
        a->bounds = QRectF(0, 0, 3, 3);
        m->edges->resetLayout();
        QCOMPARE(a->column + a->netNumber, 0);
        QCOMPARE(a->trackOffset, 0.0);
        QVERIFY(a->branchLines.isEmpty());
        QCOMPARE(a->bounds, QRectF(0, 0, 3, 3));
    }

    void registryClashRules()
    {
        bool created = true;
        QVERIFY(!Module::findOrCreateModule(m_modules, QString(), &created));
        QVERIFY(!created);
        QCOMPARE(Module::findOrCreateModule(m_modules, QStringLiteral("top"), &created), m);
        QVERIFY(!created);
        Module *sub = Module::findOrCreateModule(m_modules, QStringLiteral("sub"), &created);
        QVERIFY(created);
        QCOMPARE(sub->registry, &m_modules);

        Gate *u = makeGate(m, QStringLiteral("u"), {}, {});
        LogCapture log;
        QVERIFY(m->registerInstance(u, true));
        Gate *twin = makeGate(nullptr, QStringLiteral("u"), {}, {});
        QVERIFY(!m->registerInstance(twin, false));
        QVERIFY(!twin->module);
        QVERIFY(log.messages.isEmpty());
        QVERIFY(!m->registerInstance(twin, true));
        QCOMPARE(log.texts(QtWarningMsg), QStringList("Can't register instance: u (Name already used)"));
        QVERIFY(!sub->registerInstance(u, true));
        QCOMPARE(log.texts(QtWarningMsg).last(), QStringLiteral("Can't change parent module of u from top to sub: "));
        QCOMPARE(u->module, m);
        Gate unnamed;
        QVERIFY(!m->registerInstance(&unnamed, true));
        QVERIFY(!unnamed.module);
        delete twin;

        // Renaming: a taken name is refused, a free one moves the entry.
        Gate *v = makeGate(m, QStringLiteral("v"), {}, {});
        v->nameInstance(Name(QStringLiteral("u")));
        QCOMPARE(v->name.text(), QStringLiteral("v"));
        v->nameInstance(Name(QStringLiteral("w")));
        QCOMPARE(m->gates->map.value(Name(QStringLiteral("w"))), v);
        QVERIFY(!m->gates->map.contains(Name(QStringLiteral("v"))));

        // A pass-through registered twice is listed once.
        auto *pass = new Gate(BaseEnum::COLPASSTHROUGH, QStringLiteral("n"), QBrush());
        QVERIFY(m->registerInstance(pass, true));
        QVERIFY(m->registerInstance(pass, true));
        QCOMPARE(int(m->gates->list().size()), 1);
    }

    void netNamesAndTheIndex()
    {
        Edge *a = net(m, QStringLiteral("a"));
        QCOMPARE(net(m, QStringLiteral("a")), a);
        QVERIFY(!m->edges->findOrCreate(Name(), false));
        QVERIFY(!m->edges->findOrCreate(Name(QString()), false));
        // A forced net takes the name over; the former one stays listed.
        Edge *forced = m->edges->findOrCreate(Name(QStringLiteral("a")), true);
        QCOMPARE(m->edges->find(Name(QStringLiteral("a"))), forced);
        QVERIFY(m->edges->listContains(a));
        // Renaming the forced net hands the name back to the listed one.
        forced->setName(Name(QStringLiteral("b")));
        QCOMPARE(m->edges->find(Name(QStringLiteral("a"))), a);
        QCOMPARE(m->edges->find(Name(QStringLiteral("b"))), forced);
        QVERIFY(m->edges->list().empty());

        // Two nets of one name: the second waits in the list.
        auto *twin = new Edge(Name(QStringLiteral("a")), m);
        QVERIFY(!m->registerEdge(twin));
        QVERIFY(m->edges->listContains(twin));
        // Unregistering the twin leaves the holder's entry alone.
        m->unregisterEdge(twin);
        QCOMPARE(m->edges->find(Name(QStringLiteral("a"))), a);
        QVERIFY(m->edges->list().empty());
        QVERIFY(!m->registerEdge(twin));
        // Renamed to a free name, the twin leaves the list for the map.
        twin->setName(Name(QStringLiteral("c")));
        QVERIFY(m->edges->list().empty());
        QCOMPARE(m->edges->find(Name(QStringLiteral("c"))), twin);
        delete twin;
        QVERIFY(!m->edges->find(Name(QStringLiteral("c"))));
        QCOMPARE(m->edges->find(Name(QStringLiteral("a"))), a);

        // Marked nets are only listed, and leave the list when they go.
        const Name marked = Name::detachedCopy(Name(QStringLiteral("a")));
        Edge *m1 = m->edges->findOrCreate(marked, false);
        Edge *m2 = m->edges->findOrCreate(marked, false);
        QVERIFY(m1 != m2);
        QCOMPARE(int(m->edges->list().size()), 2);
        delete m1;
        QCOMPARE(int(m->edges->list().size()), 1);
        QVERIFY(m->edges->listContains(m2));
        QVERIFY(!m->edges->find(marked));
    }

    void portGatesAreFoundAgain()
    {
        const PortAttributes in = PortAttributes::make(0, 2, 0, 0, false, 1);
        Edge *first = m->findOrCreatePortGate(QStringLiteral("clk"), QStringLiteral("clk_net"), in, true);
        QVERIFY(first);
        QCOMPARE(first->drivers.size(), 1);
        QCOMPARE(first->drivers.first()->owner->kind, int(BaseEnum::INPUTPORT));
        LogCapture log;
        QCOMPARE(m->findOrCreatePortGate(QStringLiteral("clk"), QStringLiteral("clk_net"), in, true), first);
        QCOMPARE(m->portGates->count(), 1);
        QCOMPARE(m->gates->count(), 1);
        QVERIFY(log.messages.isEmpty());
        QVERIFY(!m->findOrCreatePortGate(QStringLiteral("bad"), QString(), PortAttributes::make(3, 2, 0, 0, false, 0), true));
        QCOMPARE(m->gates->count(), 1);
        QCOMPARE(m->gateCount(), 0);

        // A sub-module gets one port gate per instance port.
        Module *sub = Module::findOrCreateModule(m_modules, QStringLiteral("sub"), nullptr);
        Gate *inst = makeGate(m, QStringLiteral("i1"), {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("y")}, BaseEnum::GENERIC);
        sub->createPortGates(inst);
        QCOMPARE(sub->portGates->count(), 3);
        const Gate *b = sub->portGates->map.value(Name(QStringLiteral("b"), false, true));
        QVERIFY(b);
        QCOMPARE(b->kind, int(BaseEnum::INPUTPORT));
        QCOMPARE(b->portAttributes.position, 1);
        const Gate *y = sub->portGates->map.value(Name(QStringLiteral("y"), false, true));
        QCOMPARE(y->kind, int(BaseEnum::OUTPUTPORT));
        QCOMPARE(y->portAttributes.sortGroup(), 0);
        sub->createPortGates(makeGate(sub, QStringLiteral("other"), {QStringLiteral("z")}, {}));
        QCOMPARE(sub->portGates->count(), 3);
        QCOMPARE(sub->gateCount(), 1);
        // Deleting a port gate takes it out of the port-gate index too.
        delete sub->portGates->map.value(Name(QStringLiteral("a"), false, true));
        QCOMPARE(sub->portGates->count(), 2);
    }

    void countsAndProperties()
    {
        makeGate(m, QStringLiteral("g1"), {}, {});
        Gate *cluster = makeGate(m, QStringLiteral("c"), {}, {}, BaseEnum::AND | BaseEnum::ClusterFlag);
        cluster->properties.insert(QStringLiteral("=NativeName"), QVariantList{1, 2, 3, 4});
        cluster->properties.insert(QStringLiteral("Cell"), QStringLiteral("AND2"));
        m->findOrCreatePortGate(QStringLiteral("p"), QString(), PortAttributes::make(1, 0, 0, 0, false, 12), false);
        QCOMPARE(m->gateCount(), 2);
        QCOMPARE(m->countGatesWithProperty(), 5);
        m->removeGateProperty(QStringLiteral("Cell"));
        QVERIFY(!cluster->properties.contains(QStringLiteral("Cell")));
        m->purge();
        QCOMPARE(m->gateCount(), 0);
        QCOMPARE(m->portGates->count(), 1);
    }

    void queriesNeverMakeNets()
    {
        Gate *u = makeGate(m, QStringLiteral("u"), {QStringLiteral("x")}, {QStringLiteral("n")});
        QVERIFY(!m->firstDriverOfNet(u->portAt(2, 0)));
        QVERIFY(m->loadsOfNet(u->portAt(2, 0)).isEmpty());
        QVERIFY(m->edges->isEmpty());
        net(m, QStringLiteral("n"))->connectPort(u->portAt(0, 0));
        QCOMPARE(m->firstDriverOfNet(u->portAt(0, 0)), u->portAt(0, 0));
    }

    // The room of a span's objects: one block while a scope is open, the
    // heap otherwise, and the block back once its last object and its scope
    // are gone, whatever the order.
    void spanArenaBlocks()
    {
        const int before = SpanArena::liveBlocks();
        const std::size_t gateRoom = SpanArena::roomFor(sizeof(Gate));
        {
            // Outside a scope: the heap, no block.
            auto *gate = new Gate(BaseEnum::COLPASSTHROUGH, QStringLiteral("h"), QBrush());
            QCOMPARE(SpanArena::liveBlocks(), before);
            delete gate;
        }
        Gate *a = nullptr;
        Gate *b = nullptr;
        Gate *overflow = nullptr;
        {
            const SpanArena::Scope scope(2 * gateRoom);
            QCOMPARE(SpanArena::liveBlocks(), before + 1);
            a = new Gate;
            b = new Gate;
            // Side by side; a third finds no room left and takes the heap.
            QCOMPARE(reinterpret_cast<char *>(b) - reinterpret_cast<char *>(a), std::ptrdiff_t(gateRoom));
            overflow = new Gate(BaseEnum::BUFFER, 1, QBrush());
            QCOMPARE(SpanArena::liveBlocks(), before + 1);
        }
        // The scope closed with objects alive: the block stays for them.
        QCOMPARE(SpanArena::liveBlocks(), before + 1);
        delete overflow;
        delete b;
        QCOMPARE(SpanArena::liveBlocks(), before + 1);
        delete a;
        QCOMPARE(SpanArena::liveBlocks(), before);
        {
            // The objects of an outer scope made before and after those of
            // an inner one count in the outer block, the inner ones in
            // theirs, whatever order they go in.
            Gate *first = nullptr;
            Gate *inner = nullptr;
            Gate *after = nullptr;
            {
                const SpanArena::Scope outer(2 * gateRoom);
                first = new Gate;
                {
                    const SpanArena::Scope nested(gateRoom);
                    inner = new Gate;
                }
                after = new Gate;
            }
            QCOMPARE(SpanArena::liveBlocks(), before + 2);
            delete inner;
            QCOMPARE(SpanArena::liveBlocks(), before + 1);
            delete first;
            QCOMPARE(SpanArena::liveBlocks(), before + 1);
            delete after;
            QCOMPARE(SpanArena::liveBlocks(), before);
        }
        {
            // A scope nobody used gives its block back as it closes; a nested
            // scope leaves the outer one current again.
            const SpanArena::Scope outer(gateRoom);
            {
                const SpanArena::Scope inner(4 * gateRoom);
                QCOMPARE(SpanArena::liveBlocks(), before + 2);
            }
            QCOMPARE(SpanArena::liveBlocks(), before + 1);
            Edge *kept = m->edges->findOrCreate(Name(QStringLiteral("kept")));
            QVERIFY(kept);
            delete kept;
            QCOMPARE(SpanArena::liveBlocks(), before + 1);
        }
        QCOMPARE(SpanArena::liveBlocks(), before);
    }

    // A branch record's points: two inside the object, more on the heap,
    // kept in order through growth, copies, moves and squeezing back inside
    // (the memcheck and sanitizer runs of this test see every block freed
    // once).
    void branchPointsKeepTheirOrder()
    {
        auto points = [](const BranchPoints &list) {
            QVector<QPointF> out;
            for (const QPointF &p : list)
                out << p;
            return out;
        };
        BranchPoints list;
        QVERIFY(list.isEmpty());
        QVector<QPointF> expected;
        for (int i = 0; i < 9; ++i) {
            list.append(QPointF(i, -i * 0.5));
            expected << QPointF(i, -i * 0.5);
            QCOMPARE(points(list), expected);
        }
        QCOMPARE(list.first(), QPointF(0, 0));
        QCOMPARE(list.last(), QPointF(8, -4));
        QCOMPARE(list.at(4), QPointF(4, -2));

        BranchPoints copy(list);
        copy.append(QPointF(100, 100));
        QCOMPARE(points(list), expected);
        QCOMPARE(copy.size(), 10);

        // Moved away, the source is empty and still usable.
        BranchPoints moved(std::move(copy));
        QCOMPARE(moved.size(), 10);
        QVERIFY(copy.isEmpty());
        copy.append(QPointF(7, 7));
        QCOMPARE(points(copy), QVector<QPointF>{QPointF(7, 7)});

        // Assignment over a list on the heap, from one inside its object.
        moved = copy;
        QCOMPARE(points(moved), QVector<QPointF>{QPointF(7, 7)});
        moved = std::move(list);
        QCOMPARE(points(moved), expected);
        QVERIFY(list.isEmpty());
        BranchPoints &same = moved;
        moved = same;
        QCOMPARE(points(moved), expected);

        // Two points on the heap go back inside the object and stay.
        BranchPoints two;
        two.reserve(6);
        two.append(QPointF(1, 2));
        two.append(QPointF(3, 4));
        two.squeeze();
        two.append(QPointF(5, 6));
        QCOMPARE(points(two), (QVector<QPointF>{QPointF(1, 2), QPointF(3, 4), QPointF(5, 6)}));
        BranchPoints inside;
        inside.append(QPointF(9, 9));
        inside.squeeze();
        inside = two;
        QCOMPARE(points(inside), points(two));
    }

    // Everything a module holds goes with it; the memcheck and sanitizer
    // runs of this test see no leak and no use after free.
    void teardownOfAFullModule()
    {
        Module *sub = Module::findOrCreateModule(m_modules, QStringLiteral("sub"), nullptr);
        const PortAttributes out = PortAttributes::make(1, 0, 0, 0, false, 12);
        Edge *y = sub->findOrCreatePortGate(QStringLiteral("y"), QStringLiteral("y"), PortAttributes::make(0, 2, 0, 0, false, 1), true);
        sub->findOrCreatePortGate(QStringLiteral("o"), QStringLiteral("o"), out, true);
        Gate *buf = makeGate(sub, QStringLiteral("b"), {QStringLiteral("a")}, {QStringLiteral("y")}, BaseEnum::BUFFER);
        y->connectPort(buf->portAt(2, 0));
        Edge *o = sub->edges->find(Name(QStringLiteral("o")));
        o->connectPort(buf->portAt(0, 0));
        o->createFakeInput(false);
        auto *pass = new Gate(BaseEnum::COLPASSTHROUGH, QStringLiteral("o"), QBrush());
        sub->registerInstance(pass, true);
        Edge *piece = sub->edges->findOrCreate(o->name, true);
        o->transferOutputs(-1, piece);
        piece->connectPort(pass->portAt(0, 0));
        o->connectPort(pass->portAt(2, 0));
        sub->edges->findOrCreate(Name::detachedCopy(Name(QStringLiteral("tmp"))), false);
        VERIFY_CONSISTENT(sub);

        ModuleMap *own = new ModuleMap;
        Module::findOrCreateModule(*own, QStringLiteral("x"), nullptr);
        freeModuleMap(own);

        QMutexLocker locker(&moduleRegistryMutex());
        Module *global = Module::findOrCreateModule(moduleRegistry(), QStringLiteral("g"), nullptr);
        makeGate(global, QStringLiteral("u"), {}, {});
        releaseModuleRegistry();
        QVERIFY(moduleRegistry().isEmpty());
    }
};

// Gates measure their labels in the label font, which needs a GUI application.
QTEST_MAIN(TestNets)
#include "tst_nets.moc"
