#include "common/testenvironment.h"
#include "graphengine/layout/marktable.h"
#include "layoutfixture.h"

#include <QGuiApplication>
#include <QtTest>

#include <cmath>

using namespace GraphEngine;
using namespace LayoutFixture;

#define VERIFY_CONSISTENT(module) QCOMPARE(brokenInvariant(module), QString())

// The front steps of the layout, each on a small module built by hand:
// reset, in/out solving, fake inputs, loopback cuts, depths and columns.
class TestLayoutFront : public QObject
{
    Q_OBJECT

    ModuleMap m_modules;
    Module *m = nullptr;

    QStringList warnings(const LogCapture &log) const { return log.texts(QtWarningMsg); }

    // The output of the generated driver of the loop cut at the net: the
    // new piece carries a marked copy of the net's name.
    static QString loopInput(const Module *m, const char *netName)
    {
        for (const Gate *gate : gatesOfKind(m, BaseEnum::LOOPBACKOPENINPUT)) {
            if (gate->name.text().startsWith(QLatin1String("LOI_"))
                && gate->name.text().contains(QLatin1String(netName)))
                return gate->name.text() + QLatin1String(".o");
        }
        return QString();
    }

private slots:
    void init()
    {
        m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr);
        m->markValue = 0;
        m->markTable->startRun();
        traceEnabled = false;
    }
    void cleanup()
    {
        deleteModules(m_modules);
        traceEnabled = false;
    }

    // Marker table ---------------------------------------------------------

    void markTableKeepsTheFirstMarkUntilUnmarked()
    {
        MarkTable t(101);
        int a = 0, b = 0;
        t.mark(&a, 0);
        QVERIFY(t.isMarked(&a, 0));
        QVERIFY(!t.isMarked(&a, 1));
        QVERIFY(!t.isMarked(&b, 0));
        t.mark(&a, 0);
        t.unmark(&a, 0);
        QVERIFY(!t.isMarked(&a, 0));
        t.mark(&a, 3);
        t.mark(&a, 5);
        t.unmark(&a, 4);
        QVERIFY(t.isMarked(&a, 3));
        QVERIFY(!t.isMarked(&a, 5));
    }

    void markTableChainsCollidingKeysAndRecyclesNodes()
    {
        MarkTable t(101);
        const quintptr k1 = 400, k2 = k1 + 4 * 101, k3 = k2 + 4 * 101;
        t.mark(k1, 1);
        t.mark(k2, 1);
        t.mark(k3, 2);
        QCOMPARE(t.count, 3);
        QVERIFY(t.isMarked(k1, 1) && t.isMarked(k2, 1) && t.isMarked(k3, 2));
        t.unmark(k2, 1);
        QVERIFY(t.isMarked(k1, 1) && !t.isMarked(k2, 1) && t.isMarked(k3, 2));

        // A new run forgets every mark; reusing the slot gives its chain
        // back to the shared free list, and the next chain takes from it.
        t.startRun();
        QCOMPARE(t.count, 0);
        QVERIFY(!t.isMarked(k1, 1) && !t.isMarked(k3, 2));
        const int spare = MarkTable::freeNodeCount();
        t.mark(k3, 0);
        QCOMPARE(MarkTable::freeNodeCount(), spare + 2);
        QVERIFY(!t.isMarked(k2, 1));
        t.mark(k2, 0);
        QCOMPARE(MarkTable::freeNodeCount(), spare + 1);
        QVERIFY(t.isMarked(k2, 0) && t.isMarked(k3, 0) && !t.isMarked(k1, 0));
    }

    // Far more keys than slots in one run: the table spreads them over more
    // slots and every mark, unmark and first-mark-kept rule still holds.
    void markTableGrowsWithItsRun()
    {
        MarkTable t(101);
        const int keys = 5000;
        for (int i = 0; i < keys; ++i)
            t.mark(quintptr(8 * i + 8), i % 7);
        QCOMPARE(t.count, keys);
        QVERIFY2(t.size > 101, qPrintable(QString::number(t.size)));
        for (int i = 0; i < keys; i += 3)
            t.unmark(quintptr(8 * i + 8), i % 7);
        // Another round of new keys makes it grow again, with some of the
        // first keys unmarked.
        for (int i = keys; i < 4 * keys; ++i)
            t.mark(quintptr(8 * i + 8), 1);
        QCOMPARE(t.count, 4 * keys);
        for (int i = 0; i < keys; ++i) {
            const quintptr key = quintptr(8 * i + 8);
            if (i % 3 == 0) {
                QVERIFY(!t.isMarked(key, i % 7));
            } else {
                QVERIFY(t.isMarked(key, i % 7));
                // A marked key keeps its first mark.
                t.mark(key, 9);
                QVERIFY(!t.isMarked(key, 9));
            }
        }
        for (int i = keys; i < 4 * keys; ++i)
            QVERIFY(t.isMarked(quintptr(8 * i + 8), 1) && !t.isMarked(quintptr(8 * i + 8), 0));
        QVERIFY(!t.isMarked(quintptr(8 * 4 * keys + 8), 1));
        // A new run starts empty, at the grown size.
        const int grown = t.size;
        t.startRun();
        QCOMPARE(t.size, grown);
        QVERIFY(!t.isMarked(quintptr(16), 1));
        t.mark(quintptr(16), 4);
        QVERIFY(t.isMarked(quintptr(16), 4));
        QCOMPARE(t.count, 1);
    }

    void markKeysArePointerWide()
    {
        if (sizeof(quintptr) < 8)
            QSKIP("32-bit build");
        MarkTable t;
        const quintptr low = 0x1000;
        const quintptr high = (quintptr(1) << 32) | low;
        t.mark(low, 0);
        QVERIFY(!t.isMarked(high, 0));
        t.mark(high, 0);
        t.unmark(low, 0);
        QVERIFY(t.isMarked(high, 0));
        QVERIFY(!t.isMarked(low, 0));
        // Keys that share a slot and their low 32 bits stay apart.
        MarkTable small(101);
        const quintptr twin = low + (quintptr(4 * 101) << 32);
        small.mark(low, 1);
        QVERIFY(!small.isMarked(twin, 1));
        small.mark(twin, 2);
        QVERIFY(small.isMarked(low, 1) && small.isMarked(twin, 2));
    }

    void markGenerationWrapForgetsOldRuns()
    {
        MarkTable t(101);
        t.generation = 1; // a run long ago
        t.mark(quintptr(64), 0);
        t.mark(quintptr(72), 5);
        t.generation = 0xFFFFFFFFu;
        t.startRun(); // 0: no slot is current yet
        QVERIFY(!t.isMarked(quintptr(72), 5));
        t.startRun(); // 1 again: the stamps of that old run must not count
        QCOMPARE(t.generation, 1u);
        QVERIFY(!t.isMarked(quintptr(64), 0));
        t.mark(quintptr(64), 7);
        QVERIFY(t.isMarked(quintptr(64), 7));
    }

    void markTableWithoutMarksSurvivesRunsAndStartsEmpty()
    {
        MarkTable t(101);
        const quintptr key = 400;
        QVERIFY(!t.isMarked(key, 0));
        t.unmark(key, 0);
        t.generation = 0xFFFFFFFFu;
        t.startRun();
        QCOMPARE(t.generation, 0u);
        QVERIFY(!t.isMarked(key, 0));

        // A spare node on the shared list shows whether the first mark
        // found its slot empty (no node taken) in that run numbered 0.
        MarkTable other(101);
        other.mark(key, 1);
        other.mark(key + 4 * 101, 1);
        other.startRun();
        other.mark(key, 0);
        const int spare = MarkTable::freeNodeCount();
        QVERIFY(spare >= 1);
        t.mark(key, 3);
        QCOMPARE(MarkTable::freeNodeCount(), spare);
        QCOMPARE(t.count, 1);
        QVERIFY(t.isMarked(key, 3));
        QVERIFY(!t.isMarked(key + 4 * 101, 3));
        t.startRun();
        QVERIFY(!t.isMarked(key, 3));
    }

    // Ordering predicates --------------------------------------------------

    void gateOrders()
    {
        Gate a, b;
        a.y = 1.0;
        b.y = 2.0;
        a.row = -1;
        b.row = 3;
        QVERIFY(gateYLessThan(&a, &b));
        QVERIFY(!gateYLessThan(&b, &a));
        QVERIFY(gateRowLessThan(&a, &b));
        QVERIFY(!gateRowLessThan(&b, &a));
        b.y = std::nan("");
        QVERIFY(!gateYLessThan(&a, &b));
        QVERIFY(!gateYLessThan(&b, &a));
        LogCapture log;
        QVERIFY(gateYLessThan(&a, nullptr));
        QVERIFY(gateRowLessThan(nullptr, &b));
        QCOMPARE(criticals(log), QStringList({QStringLiteral("invalid programming: shall not call with null pointer"), QStringLiteral("invalid programming: shall not call with null pointer")}));
    }

    // Solve InOut -----------------------------------------------------------

    void inOutSettlesBetweenTwoInstances()
    {
        Gate *instances[2];
        for (int i = 0; i < 2; ++i) {
            instances[i] = new Gate(QString(), QString(), QStringLiteral("io"), QBrush());
            instances[i]->typeName = QStringLiteral("cell");
            instances[i]->nameInstance(Name(QStringLiteral("g%1").arg(i + 1)));
            QVERIFY(m->registerInstance(instances[i], true));
            wire(m, instances[i], QStringLiteral("io"), QStringLiteral("bus"));
        }
        cell(m, QStringLiteral("r"), QStringLiteral("bus"), QString());
        traceEnabled = true;
        m->solveInOut(true);
        QVERIFY(!traceEnabled);
        // The port seen first drives the net, the other reads it.
        GatePort *first = instances[0]->findPortByName(QStringLiteral("io"));
        GatePort *second = instances[1]->findPortByName(QStringLiteral("io"));
        QCOMPARE(first->attributes.portDirection(), int(BaseEnum::Output));
        QCOMPARE(first->attributes.sortGroup(), 0);
        QCOMPARE(second->attributes.portDirection(), int(BaseEnum::Input));
        QCOMPARE(second->attributes.direction(), int(BaseEnum::InOut));
        QCOMPARE(owners(net(m, QStringLiteral("bus"))->drivers), QStringList("g1.io"));
        QCOMPARE(m->inOutKeys, QSet<QString>({QStringLiteral("cell.io")}));
        VERIFY_CONSISTENT(m);

        // A later reset gives every port its declared direction back.
        m->resetLayout();
        QCOMPARE(first->attributes.portDirection(), int(BaseEnum::InOut));
        QVERIFY(m->inOutKeys.isEmpty());
    }

    void inOutDriverReplacesAGeneratedInputSafely()
    {
        // An earlier run left "OI_n" on the undriven net; an inout port
        // connected since takes over, and the walk, which still holds the
        // generated gate in its list of start gates, must skip it.
        cell(m, QStringLiteral("g"), QStringLiteral("n"), QString());
        m->addFakeInputs(true);
        QVERIFY(gateNamed(m, QStringLiteral("OI_n")));
        Gate *pad = new Gate(QString(), QString(), QStringLiteral("io"), QBrush());
        pad->typeName = QStringLiteral("pad");
        pad->nameInstance(Name(QStringLiteral("A")));
        m->registerInstance(pad, true);
        wire(m, pad, QStringLiteral("io"), QStringLiteral("n"));
        m->solveInOut(true);
        QVERIFY(!gateNamed(m, QStringLiteral("OI_n")));
        QCOMPARE(owners(net(m, QStringLiteral("n"))->drivers), QStringList("A.io"));
        QVERIFY(!m->removedGates);
        VERIFY_CONSISTENT(m);
    }

    void inOutWalkFollowsTheSignalFromThePorts()
    {
        // The walk starts at the module ports: g2, fed by the input, is set
        // up before g1, which comes first by name.
        input(m, QStringLiteral("p"));
        Gate *instances[2];
        for (int i = 0; i < 2; ++i) {
            instances[i] = new Gate(QStringLiteral("a"), QString(), QStringLiteral("io"), QBrush());
            instances[i]->typeName = QStringLiteral("cell");
            instances[i]->nameInstance(Name(QStringLiteral("g%1").arg(i + 1)));
            QVERIFY(m->registerInstance(instances[i], true));
            wire(m, instances[i], QStringLiteral("io"), QStringLiteral("bus"));
        }
        wire(m, instances[1], QStringLiteral("a"), QStringLiteral("p"));
        m->solveInOut(true);
        QCOMPARE(owners(net(m, QStringLiteral("bus"))->drivers), QStringList("g2.io"));
        QCOMPARE(instances[0]->findPortByName(QStringLiteral("io"))->attributes.portDirection(), int(BaseEnum::Input));
    }

    // Add Fake Input ---------------------------------------------------------

    void fakeInputsOnlyForUndrivenLoadedNets_data()
    {
        QTest::addColumn<bool>("preferOpenInput");
        QTest::addColumn<QString>("generated");
        QTest::addColumn<int>("kind");
        QTest::newRow("loop-back inputs") << false << "LOI_u" << int(BaseEnum::LOOPBACKOPENINPUT);
        QTest::newRow("open inputs") << true << "OI_u" << int(BaseEnum::OPENINPUT);
    }

    void fakeInputsOnlyForUndrivenLoadedNets()
    {
        QFETCH(bool, preferOpenInput);
        QFETCH(QString, generated);
        QFETCH(int, kind);
        cell(m, QStringLiteral("l"), QStringLiteral("u"), QStringLiteral("d"));
        cell(m, QStringLiteral("k"), QStringLiteral("d"), QString());
        net(m, QStringLiteral("empty"));
        const int gates = m->gates->count();
        m->addFakeInputs(preferOpenInput);
        QCOMPARE(m->gates->count(), gates + 1);
        Gate *driver = gateNamed(m, generated);
        QVERIFY(driver);
        QCOMPARE(driver->kind, kind);
        QCOMPARE(driversOf(gateNamed(m, QStringLiteral("l")), QStringLiteral("a")), QStringList(generated + ".o"));
        QCOMPARE(driversOf(gateNamed(m, QStringLiteral("k")), QStringLiteral("a")), QStringList("l.y"));
        QVERIFY(net(m, QStringLiteral("empty"))->drivers.isEmpty());
        VERIFY_CONSISTENT(m);
    }

    // Remove Loopback --------------------------------------------------------

    void selfLoopIsCutAtTheGateOutput()
    {
        Gate *g = cell(m, QStringLiteral("g"), QStringLiteral("n"), QStringLiteral("n"));
        LogCapture log;
        traceEnabled = true;
        m->removeLoopbacks();
        QVERIFY(!traceEnabled);
        QVERIFY(warnings(log).contains(QStringLiteral("Complex loop back case: can't trivially find cut point: g")));
        const QList<Gate *> passes = gatesOfKind(m, BaseEnum::COLPASSTHROUGH);
        QCOMPARE(passes.size(), 1);
        Gate *pass = passes.first();
        // The gate reads a new net with a generated driver; the pass-through
        // carries the loop from that net to the old one, which only a
        // generated open output loads now.
        QCOMPARE(driversOf(g, QStringLiteral("a")), QStringList(loopInput(m, "n")));
        QCOMPARE(pass->portAt(2, 0)->net, g->findPortByName(QStringLiteral("a"))->net);
        Edge *n = g->findPortByName(QStringLiteral("y"))->net;
        QCOMPARE(pass->portAt(0, 0)->net, n);
        QCOMPARE(n->loads.size(), 1);
        const Gate *open = n->loads.first()->owner;
        QCOMPARE(open->kind, int(BaseEnum::LOOPBACKOPENOUTPUT));
        QCOMPARE(open->name.text(), QStringLiteral("F") + pass->name.text());
        VERIFY_CONSISTENT(m);
    }

    void ringIsCutAtTheStartGate()
    {
        Gate *a = cell(m, QStringLiteral("a"), QStringLiteral("nc"), QStringLiteral("na"));
        Gate *b = cell(m, QStringLiteral("b"), QStringLiteral("na"), QStringLiteral("nb"));
        Gate *c = cell(m, QStringLiteral("c"), QStringLiteral("nb"), QStringLiteral("nc"));
        m->removeLoopbacks();
        QCOMPARE(gatesOfKind(m, BaseEnum::COLPASSTHROUGH).size(), 1);
        QCOMPARE(driversOf(b, QStringLiteral("a")), QStringList(loopInput(m, "na")));
        QCOMPARE(driversOf(c, QStringLiteral("a")), QStringList("b.y"));
        QCOMPARE(driversOf(a, QStringLiteral("a")), QStringList("c.y"));
        VERIFY_CONSISTENT(m);
    }

    void loopThroughAFlipFlopIsCutAtItsOutput()
    {
        Gate *a = cell(m, QStringLiteral("a"), QStringLiteral("q"), QStringLiteral("d"));
        Gate *f = makeGate(m, QStringLiteral("f"), {QStringLiteral("d")}, {QStringLiteral("q")}, BaseEnum::FLOP);
        wire(m, f, QStringLiteral("d"), QStringLiteral("d"));
        wire(m, f, QStringLiteral("q"), QStringLiteral("q"));
        m->removeLoopbacks();
        QCOMPARE(driversOf(a, QStringLiteral("a")), QStringList(loopInput(m, "q")));
        QCOMPARE(driversOf(f, QStringLiteral("d")), QStringList("a.y"));
        const Gate *pass = gatesOfKind(m, BaseEnum::COLPASSTHROUGH).value(0);
        QVERIFY(pass);
        QCOMPARE(pass->constPortAt(0, 0)->net, f->findPortByName(QStringLiteral("q"))->net);
        VERIFY_CONSISTENT(m);
    }

    void fanOutNetMovesOnlyTheLoopLoad()
    {
        Gate *a = cell(m, QStringLiteral("a"), QStringLiteral("nb"), QStringLiteral("na"));
        Gate *b = cell(m, QStringLiteral("b"), QStringLiteral("na"), QStringLiteral("nb"));
        Gate *o = output(m, QStringLiteral("nb"));
        m->removeLoopbacks();
        Edge *nb = b->findPortByName(QStringLiteral("y"))->net;
        QCOMPARE(owners(nb->loads), QStringList(o->name.text() + ".nb"));
        QCOMPARE(driversOf(a, QStringLiteral("a")), QStringList(loopInput(m, "nb")));
        QVERIFY(gatesOfKind(m, BaseEnum::LOOPBACKOPENOUTPUT).isEmpty());
        VERIFY_CONSISTENT(m);
    }

    void twoLoopsOnOneOutputShareOneCut()
    {
        // a feeds b and c, and each feeds a again: both loads move, in the
        // reverse of the order the walk found them.
        Gate *a = makeGate(m, QStringLiteral("a"), {QStringLiteral("x1"), QStringLiteral("x2")}, {QStringLiteral("y")});
        wire(m, a, QStringLiteral("y"), QStringLiteral("n"));
        wire(m, a, QStringLiteral("x1"), QStringLiteral("nb"));
        wire(m, a, QStringLiteral("x2"), QStringLiteral("nc"));
        Gate *b = cell(m, QStringLiteral("b"), QStringLiteral("n"), QStringLiteral("nb"));
        Gate *c = cell(m, QStringLiteral("c"), QStringLiteral("n"), QStringLiteral("nc"));
        m->removeLoopbacks();
        QCOMPARE(gatesOfKind(m, BaseEnum::COLPASSTHROUGH).size(), 1);
        Edge *piece = b->findPortByName(QStringLiteral("a"))->net;
        QCOMPARE(c->findPortByName(QStringLiteral("a"))->net, piece);
        const QStringList loads = owners(piece->loads);
        QVERIFY(loads.indexOf(QStringLiteral("c.a")) < loads.indexOf(QStringLiteral("b.a")));
        QCOMPARE(driversOf(b, QStringLiteral("a")), QStringList(loopInput(m, "n")));
        VERIFY_CONSISTENT(m);
    }

    void acyclicNetlistIsLeftAlone()
    {
        input(m, QStringLiteral("i"));
        cell(m, QStringLiteral("a"), QStringLiteral("i"), QStringLiteral("x"));
        cell(m, QStringLiteral("b"), QStringLiteral("x"), QStringLiteral("o"));
        cell(m, QStringLiteral("c"), QStringLiteral("x"), QStringLiteral("o2"));
        output(m, QStringLiteral("o"));
        const int gates = m->gates->count();
        const int nets = m->edges->count();
        m->removeLoopbacks();
        QCOMPARE(m->gates->count(), gates);
        QCOMPARE(m->edges->count(), nets);
    }

    // Order Topologically ----------------------------------------------------

    void depthsFromTheOutputs()
    {
        Gate *i = input(m, QStringLiteral("i"));
        Gate *g = cell(m, QStringLiteral("g"), QStringLiteral("i"), QStringLiteral("o"), BaseEnum::AND);
        Gate *o = output(m, QStringLiteral("o"));
        LogCapture log;
        traceEnabled = true;
        m->orderTopologically();
        QVERIFY(!traceEnabled);
        QVERIFY(warnings(log).contains(QStringLiteral("\n-- Pass 2: 2 columns\n")));
        QVERIFY(warnings(log).contains(QStringLiteral("\n-- Pass 3: 3 columns\n")));
        QCOMPARE(o->column, 1);
        QCOMPARE(g->column, 2);
        QCOMPARE(i->column, 3);
        QCOMPARE(m->lastColumn, 3);
        QCOMPARE(m->columnFills, QList<int>({0, 1, 1, 1}));
        QCOMPARE(o->row, 1);
    }

    void fanOutToSeveralDepthsSplitsTheNet()
    {
        Gate *i = input(m, QStringLiteral("i"));
        Gate *g = cell(m, QStringLiteral("g"), QStringLiteral("i"), QStringLiteral("o1"));
        Gate *o1 = output(m, QStringLiteral("o1"));
        Gate *x = cell(m, QStringLiteral("x"), QStringLiteral("o1"), QStringLiteral("m"));
        Gate *y = cell(m, QStringLiteral("y"), QStringLiteral("m"), QStringLiteral("o2"));
        output(m, QStringLiteral("o2"));
        Edge *n = net(m, QStringLiteral("o1"));
        n->properties.insert(QStringLiteral("width"), 7);
        m->orderTopologically();
        QCOMPARE(g->column, 4);
        QCOMPARE(x->column, 3);
        QCOMPARE(y->column, 2);
        QCOMPARE(o1->column, 1);
        QCOMPARE(i->column, 5);
        QCOMPARE(m->lastColumn, 5);
        QList<Gate *> passes = gatesOfKind(m, BaseEnum::COLPASSTHROUGH);
        QCOMPARE(passes.size(), 2);
        std::sort(passes.begin(), passes.end(), [](Gate *a, Gate *b) { return a->column < b->column; });
        QCOMPARE(passes.at(0)->column, 2);
        QCOMPARE(passes.at(1)->column, 3);
        // g -> {x, pass@3} -> pass@2 -> o1: each piece spans one column.
        Edge *fromG = g->findPortByName(QStringLiteral("y"))->net;
        QCOMPARE(fromG->loads.size(), 2);
        QVERIFY(fromG->loads.contains(x->findPortByName(QStringLiteral("a"))));
        QVERIFY(fromG->loads.contains(passes.at(1)->portAt(2, 0)));
        QCOMPARE(passes.at(1)->portAt(0, 0)->net->loads.list(), QList<GatePort *>({passes.at(0)->portAt(2, 0)}));
        QCOMPARE(passes.at(0)->portAt(0, 0)->net, n);
        QCOMPARE(n->loads.size(), 1);
        VERIFY_CONSISTENT(m);

        m->createColumns();
        QCOMPARE(i->column, 1);
        QCOMPARE(g->column, 2);
        QCOMPARE(passes.at(1)->column, 3);
        QCOMPARE(o1->column, 5);
        LogCapture log;
        m->checkColumnStructure(1);
        QCOMPARE(criticals(log), QStringList());
        QVERIFY(!traceEnabled);

        // Reset takes the pass-throughs out and restores the net whole.
        m->resetLayout();
        QVERIFY(gatesOfKind(m, BaseEnum::COLPASSTHROUGH).isEmpty());
        QCOMPARE(owners(n->drivers), QStringList("g.y"));
        QCOMPARE(n->loads.size(), 2);
        QVERIFY(n->loads.contains(x->findPortByName(QStringLiteral("a"))));
        QVERIFY(n->loads.contains(o1->ports.first()));
        QCOMPARE(n->properties.value(QStringLiteral("width")), QVariant(7));
        QCOMPARE(m->edges->find(Name(QStringLiteral("o1"))), n);
        QVERIFY(m->edges->list().empty());
        QCOMPARE(g->column, 0);
        QCOMPARE(m->lastColumn, 0);
        QVERIFY(m->columnGates.isEmpty() && m->columnFills.isEmpty() && m->columnWidths.isEmpty());
        QCOMPARE(m->nextNetNumber, 1);
        VERIFY_CONSISTENT(m);
    }

    // Each output of a gate is scanned with its own net's loads: the nearer
    // loads of one output split that net only.
    void eachOutputSplitsFromItsOwnNearestLoad()
    {
        input(m, QStringLiteral("i"));
        Gate *g = makeGate(m, QStringLiteral("g"), {QStringLiteral("a")}, {QStringLiteral("p"), QStringLiteral("q")});
        wire(m, g, QStringLiteral("a"), QStringLiteral("i"));
        wire(m, g, QStringLiteral("p"), QStringLiteral("near"));
        wire(m, g, QStringLiteral("q"), QStringLiteral("far"));
        output(m, QStringLiteral("near"));
        cell(m, QStringLiteral("x"), QStringLiteral("far"), QStringLiteral("m1"));
        cell(m, QStringLiteral("y"), QStringLiteral("m1"), QStringLiteral("o"));
        output(m, QStringLiteral("o"));
        m->orderTopologically();
        QCOMPARE(g->column, 4);
        // near: pieces through columns 2 and 3; far: one piece, to x.
        QCOMPARE(gatesOfKind(m, BaseEnum::COLPASSTHROUGH).size(), 2);
        QCOMPARE(net(m, QStringLiteral("far"))->loads.size(), 1);
        VERIFY_CONSISTENT(m);
    }

    void deadGateIsForcedInPassThree()
    {
        input(m, QStringLiteral("i"));
        cell(m, QStringLiteral("g"), QStringLiteral("i"), QStringLiteral("o"));
        output(m, QStringLiteral("o"));
        // Nothing reaches it and it reaches nothing.
        Gate *dead = cell(m, QStringLiteral("dead"), QStringLiteral("u"), QString());
        QCOMPARE(m->computeForcedPosition(dead, -1, false), -1);
        QCOMPARE(dead->column, -1);
        dead->column = 0;
        m->orderTopologically();
        // Pass 3 raises the highest index to 3: max(2 - (-1), 3 - 1) = 3.
        QCOMPARE(dead->column, 3);
    }

    void deadLoadIsPulledBelowItsGate()
    {
        Gate *g = cell(m, QStringLiteral("g"), QString(), QStringLiteral("n"));
        Gate *o = output(m, QStringLiteral("n"));
        Gate *dead = cell(m, QStringLiteral("dd"), QStringLiteral("n"), QString());
        m->orderTopologically();
        QCOMPARE(o->column, 1);
        QCOMPARE(g->column, 3);
        QCOMPARE(dead->column, 2);
        QCOMPARE(m->markValue, 0);
        // The net to the output spans depths 3 to 1: one pass-through at 2.
        const QList<Gate *> passes = gatesOfKind(m, BaseEnum::COLPASSTHROUGH);
        QCOMPARE(passes.size(), 1);
        QCOMPARE(passes.first()->column, 2);
    }

    void forceModeOfADeadGateEnds()
    {
        // A dead gate ten steps from the end of its longest branch, with a
        // branch of one step and a load that reaches an output: its force
        // walk finds the short branch dead again.
        Gate *g = cell(m, QStringLiteral("g"), QString(), QStringLiteral("n"));
        Gate *shortBranch = cell(m, QStringLiteral("s"), QStringLiteral("n"), QString());
        Gate *live = cell(m, QStringLiteral("l"), QStringLiteral("n"), QStringLiteral("o"));
        output(m, QStringLiteral("o"));
        g->column = -10;
        shortBranch->column = -1;
        const int depth = m->computeForcedPosition(g, 3, false);
        QCOMPARE(live->column, 2);
        QCOMPARE(depth, 3);
        QCOMPARE(g->column, 3);
        QCOMPARE(m->markValue, 0);
        QVERIFY(!m->markTable->isMarked(g, 0) && !m->markTable->isMarked(g, 1));
    }

    void inputWithADeadLoadLandsInTheFirstColumn()
    {
        // The input feeds a gate that reaches an output and a dead gate: its
        // walk goes through force mode, which pulls the dead gate in.
        Gate *i = input(m, QStringLiteral("i"));
        cell(m, QStringLiteral("g"), QStringLiteral("i"), QStringLiteral("o"));
        output(m, QStringLiteral("o"));
        Gate *dead = cell(m, QStringLiteral("dead"), QStringLiteral("i"), QString());
        runFront(m, 6);
        QCOMPARE(i->column, 1);
        QVERIFY(dead->column >= 1 && dead->column <= m->lastColumn);
        for (const QList<Gate *> &column : qAsConst(m->columnGates)) {
            for (const Gate *gate : column)
                QVERIFY(gate->column >= 1 && gate->column <= m->lastColumn);
        }
    }

    // Create Column -----------------------------------------------------------

    void columnsFromDepths()
    {
        Gate *a = cell(m, QStringLiteral("a"), QStringLiteral("u"), QStringLiteral("x"));
        Gate *b = cell(m, QStringLiteral("b"), QStringLiteral("x"), QString());
        a->outline = OutlineElement{0, 0, 30, 10, QPainterPath()};
        a->column = 3;
        b->column = 1;
        Gate *loop = net(m, QStringLiteral("u"))->createFakeInput(true);
        QVERIFY(loop);
        loop->column = 3;
        m->lastColumn = 3;
        m->createColumns();
        QCOMPARE(m->columnWidths, QVector<double>({10.0, 32.0, 10.0, 10.0}));
        QCOMPARE(m->columnGates.size(), 4);
        QCOMPARE(m->columnGates.at(1), QList<Gate *>({a}));
        QCOMPARE(m->columnGates.at(3), QList<Gate *>({b}));
        QVERIFY(m->columnGates.at(0).isEmpty() && m->columnGates.at(2).isEmpty());
        QCOMPARE(m->rowHeight, 12.0);
        QCOMPARE(a->column, 1);
        QVERIFY(gatesOfKind(m, BaseEnum::LOOPBACKOPENINPUT).isEmpty());
        QVERIFY(net(m, QStringLiteral("u"))->drivers.isEmpty());
        VERIFY_CONSISTENT(m);
    }

    void splittingANet()
    {
        Gate *d = cell(m, QStringLiteral("d"), QString(), QStringLiteral("n"));
        Gate *l = cell(m, QStringLiteral("l"), QStringLiteral("n"), QString());
        d->column = 4;
        l->column = 1;
        Edge *n = net(m, QStringLiteral("n"));
        m->splitEdge(n, 2, 1);
        m->splitEdge(nullptr, 1, 3);
        QVERIFY(gatesOfKind(m, BaseEnum::COLPASSTHROUGH).isEmpty());
        m->splitEdge(n, 2, 3);
        QList<Gate *> passes = gatesOfKind(m, BaseEnum::COLPASSTHROUGH);
        QCOMPARE(passes.size(), 2);
        QCOMPARE(passes.at(0)->column, 2);
        QCOMPARE(passes.at(1)->column, 3);
        QCOMPARE(passes.at(0)->portAt(0, 0)->net, n);
        QCOMPARE(passes.at(1)->portAt(0, 0)->net, passes.at(0)->portAt(2, 0)->net);
        QCOMPARE(driversOf(passes.at(1), QStringLiteral("i")), QStringList("d.y"));
        QCOMPARE(owners(n->loads), QStringList("l.a"));
        QCOMPARE(m->columnFills.value(2), 1);
        QCOMPARE(m->columnFills.value(3), 1);
        VERIFY_CONSISTENT(m);

        // Simplify Graph joins the pieces again and leaves no listed net.
        m->simplifyGraph();
        QVERIFY(gatesOfKind(m, BaseEnum::COLPASSTHROUGH).isEmpty());
        QCOMPARE(owners(n->drivers), QStringList("d.y"));
        QCOMPARE(owners(n->loads), QStringList("l.a"));
        QCOMPARE(m->edges->count(), 1);
        VERIFY_CONSISTENT(m);
    }

    void columnStructureCheck()
    {
        Gate *a = cell(m, QStringLiteral("a"), QString(), QStringLiteral("n"));
        Gate *b = cell(m, QStringLiteral("b"), QStringLiteral("n"), QString());
        a->column = 1;
        b->column = 3;
        LogCapture log;
        m->checkColumnStructure(1);
        QCOMPARE(criticals(log), QStringList("Invalid gate column structure detected. Not sequential: a(1) -> n -> b(3)"));
        QVERIFY(!traceEnabled);
        m->checkColumnStructure(2);
        QCOMPARE(criticals(log).size(), 1);
    }

    // Reset and Simplify Graph --------------------------------------------------

    void listedNetsAreNeitherLeakedNorDropped()
    {
        // Two nets that the builder gave one name: the second waits in the
        // list. Reset keeps it (it is connected) and deletes a listed net
        // without ports.
        Gate *a = cell(m, QStringLiteral("a"), QString(), QStringLiteral("n"));
        Edge *second = m->edges->findOrCreate(Name(QStringLiteral("n")), true);
        Gate *b = cell(m, QStringLiteral("b"), QString(), QString());
        second->connectPort(b->findPortByName(QStringLiteral("y")));
        Edge *spare = m->edges->findOrCreate(Name::detachedCopy(Name(QStringLiteral("spare"))), false);
        QVERIFY(m->edges->list().size() == 2);
        Q_UNUSED(spare)
        m->resetLayout();
        QCOMPARE(m->edges->list().size(), std::size_t(1));
        QVERIFY(m->edges->listContains(m->edges->map.value(Name(QStringLiteral("n")))) == false);
        QCOMPARE(b->findPortByName(QStringLiteral("y"))->net->drivers.first()->owner, b);
        QCOMPARE(a->findPortByName(QStringLiteral("y"))->net->drivers.first()->owner, a);
        VERIFY_CONSISTENT(m);
    }

    // Long chains: the walks keep their own stacks ----------------------------

    void longChainsDoNotExhaustTheStack()
    {
        // Under valgrind a shorter chain still checks every access of the
        // walks; the plain run keeps the length that would overflow a
        // recursive walk.
        const int n = qEnvironmentVariableIsSet("KORVAN_MEMCHECK") ? 5000 : 100000;
        input(m, QStringLiteral("i"));
        QString previous = QStringLiteral("i");
        for (int k = 0; k < n; ++k) {
            const QString next = QStringLiteral("c%1").arg(k);
            cell(m, QStringLiteral("u%1").arg(k), previous, next);
            previous = next;
        }
        output(m, previous);
        // A ring of the same length, one net per gate.
        for (int k = 0; k < n; ++k)
            cell(m, QStringLiteral("r%1").arg(k), QStringLiteral("rn%1").arg(k), QStringLiteral("rn%1").arg((k + 1) % n));
        runFront(m, 6);
        // The chain keeps its order; the cut ring is carried back through
        // the columns by pass-throughs; every net spans one column gap.
        const int last = m->lastColumn;
        QCOMPARE(gateNamed(m, QStringLiteral("u%1").arg(n - 1))->column, last - 1);
        QCOMPARE(gateNamed(m, QStringLiteral("u0"))->column, last - n);
        QCOMPARE(gateNamed(m, QStringLiteral("i"))->column, 1);
        QVERIFY(gatesOfKind(m, BaseEnum::LOOPBACKOPENINPUT).isEmpty());
        for (const Gate *gate : m->gates->elements())
            QVERIFY(gate->column >= 1 && gate->column <= last);
        LogCapture log;
        m->checkColumnStructure(1);
        QCOMPARE(criticals(log), QStringList());
        m->resetLayout();
        QVERIFY(gatesOfKind(m, BaseEnum::COLPASSTHROUGH).isEmpty());
        QCOMPARE(driversOf(gateNamed(m, QStringLiteral("r1")), QStringLiteral("a")), QStringList("r0.y"));
    }
};

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TestLayoutFront test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_layoutfront.moc"
