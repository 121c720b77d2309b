#include "graphengine/layout/marktable.h"
#include "layoutfixture.h"

#include "graphengine/logging.h"

#include <QtTest>

#include <algorithm>

using namespace GraphEngine;
using namespace LayoutFixture;

// The per-column port-Y lists, port clearance and the move of a gate with
// the chain it is aligned to, on columns set up by hand.
class TestPortYLists : public LayoutFixture::LayoutTestCase
{
    Q_OBJECT


    // Columns 0..last with empty lists and nothing placed.
    void setColumns(int last)
    {
        m->lastColumn = last;
        m->columnBottomY = QVector<double>(last + 1, -1e300);
        m->columnBottomGate = QVector<Gate *>(last + 1, nullptr);
        m->columnInputYs = QVector<QVector<double>>(last + 1);
        m->columnOutputYs = QVector<QVector<double>>(last + 1);
    }

    // Inputs at pin heights 1, 3, ..., outputs at 2, 4, ...; placed.
    Gate *gateAt(const QString &name, int column, double y, int inputs = 2, int outputs = 1, double h = 4.0,
                 int kind = BaseEnum::AND)
    {
        Gate *g = pinnedGate(m, name, inputs, outputs, kind, h);
        g->column = column;
        g->y = y;
        return g;
    }

    // Each gate's output y0 feeds the next one's input i0 (nets n1, n2, ...),
    // each is aligned to the next (its link), all carry the positioned mark.
    void alignedChain(const QList<Gate *> &chain, int positioned)
    {
        for (int k = 0; k < chain.size(); ++k) {
            chain.at(k)->marks |= 1 << positioned;
            if (k + 1 == chain.size())
                break;
            const QString net = QStringLiteral("n%1").arg(k + 1);
            wire(m, chain.at(k), QStringLiteral("y0"), net);
            wire(m, chain.at(k + 1), QStringLiteral("i0"), net);
            chain.at(k)->link = reinterpret_cast<quintptr>(chain.at(k + 1));
        }
    }

    struct PassThroughChain
    {
        Gate *a;
        Gate *p;
        Gate *above;
        Gate *b;
        int positioned;
    };

    // Five columns; a (column 2), the pass-through p (column 3) and b
    // (column 4) placed at y, each aligned to the next; the gate "above", of
    // height h at aboveY, is the bottom gate of column 3 and b that of 4.
    PassThroughChain passThroughChain(double y, double aboveY, double h)
    {
        setColumns(5);
        const PassThroughChain chain{gateAt(QStringLiteral("a"), 2, y),
                                     gateAt(QStringLiteral("p"), 3, y, 1, 1, 0.0, BaseEnum::COLPASSTHROUGH),
                                     gateAt(QStringLiteral("above"), 3, aboveY, 2, 1, h), gateAt(QStringLiteral("b"), 4, y),
                                     2};
        alignedChain({chain.a, chain.p, chain.b}, chain.positioned);
        for (Gate *g : {chain.p, chain.above, chain.b})
            m->registerAllPortYs(g);
        m->columnBottomY[3] = aboveY;
        m->columnBottomGate[3] = chain.above;
        m->columnBottomY[4] = y;
        m->columnBottomGate[4] = chain.b;
        return chain;
    }

    static GatePort *portAtTip(Gate *g, double tipY)
    {
        GatePort *p = g->ports.first();
        p->tip = QPointF(0, tipY);
        return p;
    }

private slots:

    void keepPortClearCases_data()
    {
        QTest::addColumn<QVector<double>>("ys");
        QTest::addColumn<double>("port");
        QTest::addColumn<double>("expected");
        QTest::addColumn<bool>("moved");
        QTest::newRow("just below the entry") << QVector<double>{10} << 15.0 << 20.001 << true;
        QTest::newRow("just above the entry") << QVector<double>{10} << 5.0 << 20.001 << true;
        QTest::newRow("level with the entry") << QVector<double>{10} << 10.0 << 20.001 << true;
        QTest::newRow("far enough below") << QVector<double>{10} << 25.0 << 25.0 << false;
        QTest::newRow("empty list counts as 0") << QVector<double>{} << 3.0 << 10.001 << true;
        QTest::newRow("above the origin") << QVector<double>{} << -3.0 << 10.001 << true;
        QTest::newRow("far above the origin") << QVector<double>{} << -12.0 << -12.0 << false;
        // Clear of the first entry is not enough when the next is close.
        QTest::newRow("two entries") << QVector<double>{10, 25} << 15.0 << 35.001 << true;
    }
    void keepPortClearCases()
    {
        QFETCH(QVector<double>, ys);
        QFETCH(double, port);
        QFETCH(double, expected);
        QFETCH(bool, moved);
        Gate *g = gateAt(QStringLiteral("g"), 2, 0.0);
        // The port's tip at 5: the gate's Y is the port's minus 5.
        GatePort *p = portAtTip(g, 5.0);
        double y = port - 5.0;
        QCOMPARE(Module::keepPortClear(y, p, ys, 10.0), moved);
        QVERIFY(qAbs(y + 5.0 - expected) < 1e-9);
        double unchanged = 7.0;
        QVERIFY(!Module::keepPortClear(unchanged, nullptr, ys, 10.0));
        QCOMPARE(unchanged, 7.0);
        // Spacing 0: nothing is ever too close.
        double free = port - 5.0;
        QVERIFY(!Module::keepPortClear(free, p, ys, 0.0));
    }

    void registerKeepsListsSorted()
    {
        setColumns(4);
        Gate *a = gateAt(QStringLiteral("a"), 2, 20.0, 3, 2);
        m->registerAllPortYs(a);
        QCOMPARE(m->columnInputYs.at(2), (QVector<double>{21, 23, 25}));
        QCOMPARE(m->columnOutputYs.at(2), (QVector<double>{22, 24}));
        // A gate registered above the ones already listed still leaves the
        // list in ascending order.
        Gate *b = gateAt(QStringLiteral("b"), 2, 0.0, 2, 1);
        m->registerAllPortYs(b);
        QCOMPARE(m->columnInputYs.at(2), (QVector<double>{1, 3, 21, 23, 25}));
        QCOMPARE(m->columnOutputYs.at(2), (QVector<double>{2, 22, 24}));

        // A pass-through enters its own Y once per list, in order and not
        // twice.
        Gate *p = gateAt(QStringLiteral("p"), 2, 22.0, 1, 1, 0.0, BaseEnum::COLPASSTHROUGH);
        m->registerAllPortYs(p);
        m->registerPortYs(p, true);
        QCOMPARE(m->columnInputYs.at(2), (QVector<double>{1, 3, 21, 22, 23, 25}));
        QCOMPARE(m->columnOutputYs.at(2), (QVector<double>{2, 22, 24}));

        // The guarded form leaves the last column and null alone.
        Gate *o = gateAt(QStringLiteral("o"), 4, 5.0, 1, 0);
        m->registerAllPortYsGuarded(o);
        m->registerAllPortYsGuarded(nullptr);
        QVERIFY(m->columnInputYs.at(4).isEmpty());
        Gate *c = gateAt(QStringLiteral("c"), 3, 5.0, 1, 1);
        m->registerAllPortYsGuarded(c);
        QCOMPARE(m->columnInputYs.at(3), (QVector<double>{6}));
    }

    // Unregistering takes the gate's own values, wherever they stand, and
    // no other gate's entries.
    void unregisterRemovesOwnValues()
    {
        setColumns(3);
        Gate *a = gateAt(QStringLiteral("a"), 2, 0.0, 2, 1);
        Gate *b = gateAt(QStringLiteral("b"), 2, 10.0, 2, 1);
        Gate *p = gateAt(QStringLiteral("p"), 2, 20.0, 1, 1, 0.0, BaseEnum::COLPASSTHROUGH);
        m->registerAllPortYs(a);
        m->registerAllPortYs(b);
        m->registerAllPortYs(p);
        m->unregisterAllPortYs(a);
        QCOMPARE(m->columnInputYs.at(2), (QVector<double>{11, 13, 20}));
        QCOMPARE(m->columnOutputYs.at(2), (QVector<double>{12, 20}));
        m->unregisterPortYs(p, false);
        QCOMPARE(m->columnInputYs.at(2), (QVector<double>{11, 13}));
        QCOMPARE(m->columnOutputYs.at(2), (QVector<double>{12, 20}));
        // A gate never registered takes nothing away.
        Gate *stranger = gateAt(QStringLiteral("s"), 2, 40.0, 2, 1);
        m->unregisterAllPortYs(stranger);
        m->unregisterAllPortYs(nullptr);
        QCOMPARE(m->columnInputYs.at(2), (QVector<double>{11, 13}));
        QCOMPARE(m->columnOutputYs.at(2), (QVector<double>{12, 20}));
    }

    void portClearanceSides()
    {
        setColumns(3);
        // Last column: never shifted.
        Gate *o = gateAt(QStringLiteral("o"), 3, 0.0, 1, 0);
        QCOMPARE(m->portClearance(o, 0.0, 10.0), 0.0);

        // Output y0 at tip 2, input i0 at tip 1.
        Gate *g = gateAt(QStringLiteral("g"), 1, 0.0);
        m->columnInputYs[2] = {30.0};
        m->columnOutputYs[0] = {0.0, 100.0};
        // Output side: port at 2+y must be 10 away from 30 and from... only
        // column 2's inputs. At y = 25 the output sits at 27: moved to 40.001.
        QVERIFY(qAbs(m->portClearance(g, 25.0, 10.0) - (40.001 - 27.0)) < 1e-9);
        // Input side: column 0's outputs 0 and 100; input at 1 + y.
        // y = 90: output at 92 (clear of 30), input at 91, 9 above 100:
        // moved to 110.001, output 111.001 stays clear.
        QVERIFY(qAbs(m->portClearance(g, 90.0, 10.0) - (110.001 - 91.0)) < 1e-9);

        // Column 0: only the output side counts.
        Gate *z = gateAt(QStringLiteral("z"), 0, 0.0);
        m->columnInputYs[1] = {};
        m->columnOutputYs[0] = {};
        QVERIFY(qAbs(m->portClearance(z, 50.0, 10.0)) < 1e-12);
        m->columnInputYs[1] = {55.0};
        QVERIFY(qAbs(m->portClearance(z, 50.0, 10.0) - (65.001 - 52.0)) < 1e-9);
    }

    void repositionBottomGateAndChain()
    {
        setColumns(4);
        const int positioned = 3;
        // a (column 2) is aligned to b (column 3), b to the output o.
        Gate *a = gateAt(QStringLiteral("a"), 2, 10.0);
        Gate *b = gateAt(QStringLiteral("b"), 3, 10.0);
        Gate *o = gateAt(QStringLiteral("o"), 4, 12.0, 1, 0, 4.0, BaseEnum::OUTPUTPORT);
        alignedChain({a, b, o}, positioned);
        m->registerAllPortYs(b);
        m->columnBottomY[3] = 10.0;
        m->columnBottomGate[3] = b;
        m->columnBottomY[2] = 0.0;
        m->columnBottomGate[2] = nullptr;

        QSet<Gate *> visited;
        QVERIFY(m->repositionColumn(a, a, 5.0, false, positioned, visited, 10));
        // The bottom gate of column 3 moves by exactly 5, re-registered.
        QCOMPARE(a->y, 15.0);
        QCOMPARE(b->y, 15.0);
        QCOMPARE(o->y, 17.0);
        QCOMPARE(m->columnBottomY.at(3), 15.0);
        QCOMPARE(m->columnBottomGate.at(2), a);
        QCOMPARE(m->columnInputYs.at(3), (QVector<double>{16, 18}));
        QCOMPARE(m->columnOutputYs.at(3), (QVector<double>{17}));
        QCOMPARE(m->columnInputYs.at(2), (QVector<double>{16, 18}));
        QVERIFY(m->columnInputYs.at(4).isEmpty());
        QCOMPARE(visited.size(), 3);

        // A tagged link ends the chain.
        b->link = reinterpret_cast<quintptr>(o) | 1;
        visited.clear();
        QVERIFY(m->repositionColumn(b, b, 1.0, false, positioned, visited, 10));
        QCOMPARE(o->y, 17.0);
    }

    void repositionBelowTheBottomGate()
    {
        setColumns(4);
        // g stands above the column's bottom gate L (Y 30, height 4): a move
        // of 5 grows until g is extent(L) + spacing below L's Y.
        Gate *l = gateAt(QStringLiteral("l"), 2, 30.0);
        Gate *g = gateAt(QStringLiteral("g"), 2, 0.0);
        m->columnBottomY[2] = 30.0;
        m->columnBottomGate[2] = l;
        LogCapture log;
        traceEnabled = true;
        QSet<Gate *> visited;
        QVERIFY(m->repositionColumn(g, g, 5.0, false, 0, visited, 10));
        QCOMPARE(g->y, 30.0 + 6.0 + 10.0);
        QCOMPARE(m->columnBottomGate.at(2), g);
        QVERIFY(log.texts(QtWarningMsg).contains(QStringLiteral("Expand Offset by 41. Overlap detected for g")));
        QVERIFY(log.texts(QtWarningMsg).contains(QStringLiteral("Move Down 2,g : 46")));

        // In the first or last column no spacing is added.
        Gate *l1 = gateAt(QStringLiteral("l1"), 1, 30.0);
        Gate *g1 = gateAt(QStringLiteral("g1"), 1, 0.0);
        m->columnBottomY[1] = 30.0;
        m->columnBottomGate[1] = l1;
        visited.clear();
        QVERIFY(m->repositionColumn(g1, g1, 5.0, false, 0, visited, 10));
        QCOMPARE(g1->y, 36.0);
    }

    // A pass-through moved down beside a tall gate does not take its place
    // as the column's bottom: the next gate must still go under the tall one.
    void passThroughBesideTallGate()
    {
        setColumns(4);
        Gate *tall = gateAt(QStringLiteral("tall"), 2, 0.0, 2, 1, 40.0);
        Gate *p = gateAt(QStringLiteral("p"), 2, 5.0, 1, 1, 0.0, BaseEnum::COLPASSTHROUGH);
        m->columnBottomY[2] = 0.0;
        m->columnBottomGate[2] = tall;
        QSet<Gate *> visited;
        QVERIFY(m->repositionColumn(p, p, 1.0, false, 0, visited, 10));
        QCOMPARE(p->y, 6.0);
        QCOMPARE(m->columnBottomGate.at(2), tall);
        QCOMPARE(m->columnBottomY.at(2), 0.0);
        // Once lower than the tall gate's extent, it is the bottom.
        visited.clear();
        QVERIFY(m->repositionColumn(p, p, 40.0, false, 0, visited, 10));
        QCOMPARE(m->columnBottomGate.at(2), p);
        QCOMPARE(m->columnBottomY.at(2), 46.0);
    }

    // A pass-through on the chain of a moved gate lands under its column's
    // bottom gate, not inside it (no spacing: it is a wire).
    void passThroughOnAChainBelowTheBottomGate()
    {
        const PassThroughChain chain = passThroughChain(0.0, 12.0, 40.0);
        Gate *a = chain.a;
        Gate *p = chain.p;
        Gate *b = chain.b;
        QSet<Gate *> visited;
        QVERIFY(m->repositionColumn(a, a, 15.0, false, chain.positioned, visited, 10));
        QCOMPARE(a->y, 15.0);
        // 15 would put p inside the tall gate (12 to 54): it goes to 54, and
        // the rest of the chain moves as far.
        QCOMPARE(p->y, 54.0);
        QCOMPARE(b->y, 54.0);
        QCOMPARE(m->columnBottomGate.at(3), p);
        QVERIFY(m->checkCollisions(-1));
    }

    // The move that puts a chain's pass-through right under a gate is
    // measured in doubles: 0.1 + (0.7 + 8.4) falls just short of 9.2, the
    // bottom of the gate above. The pass-through still lands at 9.2 and
    // the check finds nothing.
    void passThroughLandsExactlyUnderTheBottomGate()
    {
        const PassThroughChain chain = passThroughChain(0.1, 3.2, 4.0);
        LogCapture log;
        QSet<Gate *> visited;
        QVERIFY(m->repositionColumn(chain.a, chain.a, 0.7, false, chain.positioned, visited, 10));
        QVERIFY2(chain.p->y >= chain.above->y + 6.0, qPrintable(QString::number(chain.p->y, 'g', 17)));
        QCOMPARE(m->columnBottomGate.at(3), chain.p);
        QVERIFY(m->checkCollisions(-1));
        QCOMPARE(criticals(log), QStringList());
    }

    void repositionStopsAtBottom()
    {
        setColumns(4);
        const int positioned = 2;
        Gate *a = gateAt(QStringLiteral("a"), 2, 0.0);
        Gate *b = gateAt(QStringLiteral("b"), 3, 0.0);
        wire(m, a, QStringLiteral("y0"), QStringLiteral("n1"));
        wire(m, b, QStringLiteral("i0"), QStringLiteral("n1"));
        a->link = reinterpret_cast<quintptr>(b);
        b->marks |= 1 << positioned;
        m->columnBottomY[3] = 0.0;
        m->columnBottomGate[3] = b;
        m->registerAllPortYs(b);
        QSet<Gate *> visited;
        // b is the bottom of its column: with stop-at-bottom it stays and
        // the call is refused; a itself has moved.
        QVERIFY(!m->repositionColumn(a, a, 500.0, true, positioned, visited, 10));
        QCOMPARE(a->y, 500.0);
        QCOMPARE(b->y, 0.0);
        QCOMPARE(m->columnBottomY.at(3), 0.0);
        // The origin at its column's bottom Y is refused unmoved.
        Gate *c = gateAt(QStringLiteral("c"), 3, 0.0);
        visited.clear();
        QVERIFY(!m->repositionColumn(c, c, 5.0, true, positioned, visited, 10));
        QCOMPARE(c->y, 0.0);
        // A visited gate is not moved twice.
        visited.clear();
        visited.insert(a);
        QVERIFY(m->repositionColumn(a, a, 5.0, false, positioned, visited, 10));
        QCOMPARE(a->y, 500.0);
    }

    // A chain of aligned gates far longer than the call stack could follow.
    void repositionLongChain()
    {
        constexpr int Length = 100000;
        setColumns(Length + 1);
        const int positioned = 1;
        QList<Gate *> chain;
        for (int i = 0; i < Length; ++i) {
            auto *g = new Gate;
            g->kind = BaseEnum::BUFFER;
            addPort(g, QStringLiteral("a"), BaseEnum::Input, 2, 0);
            addPort(g, QStringLiteral("y"), BaseEnum::Output, 0, 0);
            g->ports.ensureSorted(false);
            g->column = i + 1;
            g->marks |= 1 << positioned;
            chain << g;
        }
        for (int i = 0; i + 1 < Length; ++i) {
            Edge *e = net(m, QStringLiteral("n%1").arg(i));
            e->connectPort(chain[i]->portAt(0, 0));
            e->connectPort(chain[i + 1]->portAt(2, 0));
            chain[i]->link = reinterpret_cast<quintptr>(chain[i + 1]);
            m->columnBottomY[i + 2] = 0.0;
            m->columnBottomGate[i + 2] = chain[i + 1];
        }
        QSet<Gate *> visited;
        QVERIFY(m->repositionColumn(chain[0], chain[0], 3.0, false, positioned, visited, 10));
        QVERIFY(std::all_of(chain.cbegin(), chain.cend(), [](const Gate *g) { return g->y == 3.0; }));
        for (Gate *g : chain) {
            g->disconnectAll();
            delete g;
        }
    }
};

QTEST_GUILESS_MAIN(TestPortYLists)
#include "tst_portylists.moc"
