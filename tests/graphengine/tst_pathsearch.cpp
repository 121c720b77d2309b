#include "graphengine/model/highlightedpath.h"
#include "graphengine/model/marks.h"
#include "graphengine/model/pathsearch.h"
#include "layoutfixture.h"

#include <QtTest>

#include <algorithm>

using namespace GraphEngine;
using namespace LayoutFixture;

// Routes between elements of small netlists, their points along laid-out
// nets and across gates, and joining them to a highlighted path.
class TestPathSearch : public LayoutFixture::LayoutTestCase
{
    Q_OBJECT

    static GatePort *port(const Gate *gate, const QString &name) { return gate->findPortByName(name); }

    static QStringList names(const QList<GatePort *> &route)
    {
        QStringList out;
        for (const GatePort *p : route)
            out << p->fullName();
        return out;
    }

    // The route from one element to another as "gate.port" texts; "none"
    // when findPath finds none.
    static QStringList route(const GraphItem &from, const GraphItem &to)
    {
        QList<GatePort *> ports;
        if (!findPath(from, to, ports))
            return ports.isEmpty() ? QStringList{QStringLiteral("none")} : QStringList{QStringLiteral("not empty")};
        return names(ports);
    }

    static QPolygonF points(std::initializer_list<QPointF> list) { return QPolygonF(QVector<QPointF>(list)); }

    static bool axisParallel(const QPolygonF &points)
    {
        for (int i = 1; i < points.size(); ++i) {
            if (points.at(i - 1).x() != points.at(i).x() && points.at(i - 1).y() != points.at(i).y())
                return false;
        }
        return true;
    }

    // in -> g1 -> g2 -> out, laid out.
    void laidOutChain(Gate **g1, Gate **g2, Gate **out)
    {
        input(m, QStringLiteral("in"));
        *g1 = cell(m, QStringLiteral("g1"), QStringLiteral("in"), QStringLiteral("n1"));
        *g2 = cell(m, QStringLiteral("g2"), QStringLiteral("n1"), QStringLiteral("n2"));
        *out = output(m, QStringLiteral("n2"));
        m->computeLayout(10.0, true, false);
    }

private slots:
    // Along the signal flow, against it (searched from the target and
    // reversed), from a port into its own gate, and the refusals.
    void forwardAndBackward()
    {
        Gate *a = cell(m, QStringLiteral("A"), QString(), QStringLiteral("n"));
        Gate *b = cell(m, QStringLiteral("B"), QStringLiteral("n"), QString());
        QCOMPARE(route(GraphItem(a), GraphItem(b)), (QStringList{"A.y", "B.a"}));
        QCOMPARE(route(GraphItem(b), GraphItem(a)), (QStringList{"B.a", "A.y"}));
        // The net or a net end as either element.
        Edge *n = net(m, QStringLiteral("n"));
        QCOMPARE(route(GraphItem(n), GraphItem(b)), (QStringList{"B.a"}));
        QCOMPARE(route(GraphItem(n, port(a, "y")), GraphItem(b)), (QStringList{"A.y", "B.a"}));
        QCOMPARE(route(GraphItem(port(b, "a")), GraphItem(a)), (QStringList{"B.a", "A.y"}));
        QCOMPARE(route(GraphItem(port(b, "a")), GraphItem(b)), (QStringList{"B.a"}));
        // The search back starts afresh: the gates the vain forward search
        // entered (X, on a loop through B) are open to it.
        Gate *x = makeGate(m, QStringLiteral("X"), {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("y")});
        wire(m, x, QStringLiteral("a"), QStringLiteral("n"));
        wire(m, x, QStringLiteral("y"), QStringLiteral("xb"));
        Gate *back = cell(m, QStringLiteral("back"), QStringLiteral("xb"), QStringLiteral("bx"));
        wire(m, x, QStringLiteral("b"), QStringLiteral("bx"));
        QCOMPARE(route(GraphItem(back), GraphItem(a)), (QStringList{"back.a", "X.y", "X.a", "A.y"}));
        // A gate is left by its outputs only: to its own input the route goes
        // round the loop.
        QCOMPARE(route(GraphItem(x), GraphItem(port(x, "b"))), (QStringList{"X.y", "back.a", "back.y", "X.b"}));
        // Nothing to go through: no route.
        QCOMPARE(route(GraphItem(a), GraphItem(a)), (QStringList{"none"}));

        Module *other = Module::findOrCreateModule(m_modules, QStringLiteral("other"), nullptr);
        Gate *c = cell(other, QStringLiteral("C"), QStringLiteral("n"), QString());
        QList<GatePort *> ports{port(a, "y")};
        QVERIFY(!findPath(GraphItem(a), GraphItem(c), ports));
        QVERIFY(ports.isEmpty());
        QVERIFY(!findPath(GraphItem(), GraphItem(a), ports));
        QVERIFY(!findPath(GraphItem(a), GraphItem(), ports));
        QVERIFY(ports.isEmpty());
    }

    // The first route in depth-first order wins: outputs in set order, loads
    // in the net's order; a loop and a side branch that never reach the
    // target do not stop the search.
    void firstRouteWins()
    {
        Gate *a = makeGate(m, QStringLiteral("A"), {}, {QStringLiteral("y0"), QStringLiteral("y1")});
        wire(m, a, QStringLiteral("y0"), QStringLiteral("long"));
        wire(m, a, QStringLiteral("y1"), QStringLiteral("short"));
        // long -> loop (x <-> z, a dead end) and long -> m -> t.
        Gate *x = cell(m, QStringLiteral("X"), QStringLiteral("long"), QStringLiteral("xz"));
        Gate *z = makeGate(m, QStringLiteral("Z"), {QStringLiteral("a")}, {QStringLiteral("y")});
        wire(m, z, QStringLiteral("a"), QStringLiteral("xz"));
        wire(m, z, QStringLiteral("y"), QStringLiteral("zx"));
        Gate *mid = cell(m, QStringLiteral("M"), QStringLiteral("long"), QStringLiteral("mt"));
        Gate *t = makeGate(m, QStringLiteral("T"), {QStringLiteral("a"), QStringLiteral("b")}, {});
        wire(m, t, QStringLiteral("a"), QStringLiteral("mt"));
        wire(m, t, QStringLiteral("b"), QStringLiteral("short"));
        // X reads its own loop back on a second input.
        addPort(x, QStringLiteral("b"), BaseEnum::Input, 2, 1);
        x->ports.ensureSorted(true);
        wire(m, x, QStringLiteral("b"), QStringLiteral("zx"));
        Q_UNUSED(mid);
        QCOMPARE(route(GraphItem(a), GraphItem(t)), (QStringList{"A.y0", "M.a", "M.y", "T.a"}));
        // The other way round both directions are tried; the loop ends.
        QCOMPARE(route(GraphItem(z), GraphItem(t)), (QStringList{"none"}));
        QCOMPARE(route(GraphItem(t), GraphItem(a)), (QStringList{"T.a", "M.y", "M.a", "A.y0"}));

        // Of two loads that both lead to the target, the first connected.
        Gate *p = cell(m, QStringLiteral("P"), QString(), QStringLiteral("p"));
        cell(m, QStringLiteral("Q2"), QStringLiteral("p"), QStringLiteral("q2"));
        cell(m, QStringLiteral("Q1"), QStringLiteral("p"), QStringLiteral("q1"));
        Gate *r = makeGate(m, QStringLiteral("R"), {QStringLiteral("a"), QStringLiteral("b")}, {});
        wire(m, r, QStringLiteral("a"), QStringLiteral("q1"));
        wire(m, r, QStringLiteral("b"), QStringLiteral("q2"));
        QCOMPARE(route(GraphItem(p), GraphItem(r)), (QStringList{"P.y", "Q2.a", "Q2.y", "R.b"}));
    }

    // Entering a cluster gate by a port of index 3 leaves it only by outputs
    // of index 3 or without index; an ordinary gate leaves by any output.
    void clusterBusIndex()
    {
        Gate *d = cell(m, QStringLiteral("d"), QString(), QStringLiteral("in3"));
        Gate *c = makeGate(m, QStringLiteral("c"), {QStringLiteral("a[0]"), QStringLiteral("a[3]")},
                           {QStringLiteral("y[0]"), QStringLiteral("done"), QStringLiteral("y[3]")},
                           BaseEnum::GENERIC | BaseEnum::ClusterFlag);
        wire(m, c, QStringLiteral("a[3]"), QStringLiteral("in3"));
        const QStringList outs{QStringLiteral("y[0]"), QStringLiteral("done"), QStringLiteral("y[3]")};
        QList<Gate *> loads;
        for (const QString &o : outs) {
            wire(m, c, o, QLatin1String("net_") + o);
            loads << cell(m, QLatin1String("L_") + o, QLatin1String("net_") + o, QString());
        }
        QCOMPARE(route(GraphItem(d), GraphItem(loads.at(2))), (QStringList{"d.y", "c.a[3]", "c.y[3]", "L_y[3].a"}));
        QCOMPARE(route(GraphItem(d), GraphItem(loads.at(1))), (QStringList{"d.y", "c.a[3]", "c.done", "L_done.a"}));
        QCOMPARE(route(GraphItem(d), GraphItem(loads.at(0))), (QStringList{"none"}));
        // Entered by a port of index 0, the walk leaves by the output of index 0.
        QCOMPARE(route(GraphItem(port(c, "a[0]")), GraphItem(loads.at(0))), (QStringList{"c.a[0]", "c.y[0]", "L_y[0].a"}));

        // The same gate not folded: every output is open.
        c->kind = BaseEnum::GENERIC;
        QCOMPARE(route(GraphItem(d), GraphItem(loads.at(0))), (QStringList{"d.y", "c.a[3]", "c.y[0]", "L_y[0].a"}));
    }

    // A run of ports as start or target: a run of outputs leads on from its
    // ports, a run of inputs from its gate; a port in a target run matches it.
    void portRuns()
    {
        Gate *d = cell(m, QStringLiteral("d"), QString(), QStringLiteral("n"));
        Gate *g = makeGate(m, QStringLiteral("g"), {QStringLiteral("a"), QStringLiteral("b")},
                           {QStringLiteral("p"), QStringLiteral("q")});
        wire(m, g, QStringLiteral("b"), QStringLiteral("n"));
        wire(m, g, QStringLiteral("q"), QStringLiteral("nq"));
        Gate *l = cell(m, QStringLiteral("l"), QStringLiteral("nq"), QString());
        const PortRange all = g->ports.list();
        const GraphItem inputs(all.constBegin(), all.constBegin() + 2);
        const GraphItem outputs(all.constBegin() + 2, all.constEnd());
        QCOMPARE(route(GraphItem(d), inputs), (QStringList{"d.y", "g.b"}));
        QCOMPARE(route(outputs, GraphItem(l)), (QStringList{"g.q", "l.a"}));
        QCOMPARE(route(inputs, GraphItem(l)), (QStringList{"g.q", "l.a"}));
        QCOMPARE(route(GraphItem(l), outputs), (QStringList{"l.a", "g.q"}));
    }

    // Without a free mark bit the search is refused and marks nothing.
    void noFreeMarkBit()
    {
        Gate *a = cell(m, QStringLiteral("A"), QString(), QStringLiteral("n"));
        Gate *b = cell(m, QStringLiteral("B"), QStringLiteral("n"), QString());
        const char *exhausted = "\"Can't allocate enough color to application\"";
        QTest::ignoreMessage(QtCriticalMsg, exhausted);
        QList<int> taken;
        for (int bit = allocateColor(); bit >= 0; bit = allocateColor())
            taken << bit;
        QCOMPARE(taken.size(), 8);
        QList<GatePort *> ports;
        QTest::ignoreMessage(QtCriticalMsg, exhausted);
        QVERIFY(!findPath(GraphItem(a), GraphItem(b), ports));
        QVERIFY(ports.isEmpty());
        QVERIFY(!tracePath(GraphItem(a), GraphItem(b), ports, -1, -1));
        QVERIFY(!tracePath(GraphItem(a), GraphItem(b), ports, 8, -1));
        QVERIFY(ports.isEmpty());
        for (const Gate *g : m->gates->elements())
            QCOMPARE(g->marks, 0);
        for (const Edge *e : m->edges->elements())
            QCOMPARE(e->marks, 0);
        for (int bit : taken)
            releaseColor(bit);
        QVERIFY(findPath(GraphItem(a), GraphItem(b), ports));
        // The search gave its bit back.
        const int bit = allocateColor();
        QCOMPARE(bit, 0);
        releaseColor(bit);
    }

    // A chain of 100,000 gates, both ways: the walk keeps its own stack.
    void longChain()
    {
        const int n = 100000;
        Gate *first = cell(m, QStringLiteral("g0"), QString(), QStringLiteral("n0"));
        Gate *last = first;
        for (int i = 1; i < n; ++i)
            last = cell(m, QStringLiteral("g%1").arg(i), QStringLiteral("n%1").arg(i - 1),
                        i + 1 < n ? QStringLiteral("n%1").arg(i) : QString());
        QList<GatePort *> ports;
        QVERIFY(findPath(GraphItem(first), GraphItem(last), ports));
        QCOMPARE(ports.size(), 2 * (n - 1));
        QCOMPARE(ports.first(), port(first, "y"));
        QCOMPARE(ports.at(1)->owner->name.text(), QStringLiteral("g1"));
        QCOMPARE(ports.last(), port(last, "a"));
        QVERIFY(findPath(GraphItem(last), GraphItem(first), ports));
        QCOMPARE(ports.size(), 2 * (n - 1));
        QCOMPARE(ports.first(), port(last, "a"));
        QCOMPARE(ports.last(), port(first, "y"));
    }

    // Across a gate: a hop of three right angles between an input and an
    // output, a single corner when either port sits on the top or bottom.
    void hopGeometry()
    {
        Gate *g = makeGate(m, QStringLiteral("g"), {QStringLiteral("a")}, {QStringLiteral("y")});
        addPort(g, QStringLiteral("s"), BaseEnum::Input, 1, 0);
        addPort(g, QStringLiteral("t"), BaseEnum::Output, 3, 0);
        g->ports.ensureSorted(true);
        g->x = -5;
        g->y = 5;
        port(g, "a")->tip = QPointF(5, 5);
        port(g, "y")->tip = QPointF(25, 25);
        port(g, "s")->tip = QPointF(5, 5);
        port(g, "t")->tip = QPointF(25, 25);
        const QPolygonF three = points({{0, 10}, {10, 10}, {10, 30}, {20, 30}});
        QCOMPARE(portsToPolyline({port(g, "a"), port(g, "y")}), three);
        QCOMPARE(portsToPolyline({port(g, "s"), port(g, "y")}), (points({{0, 10}, {0, 30}, {20, 30}})));
        QCOMPARE(portsToPolyline({port(g, "a"), port(g, "t")}), (points({{0, 10}, {20, 10}, {20, 30}})));
        // Null entries end a pair; one port gives no points.
        QCOMPARE(portsToPolyline({port(g, "a"), nullptr, port(g, "a"), port(g, "y")}), three);
        QCOMPARE(portsToPolyline({port(g, "a")}), QPolygonF());
        QCOMPARE(portsToPolyline({}), QPolygonF());
        // A run of points that does not end where the next hop begins is
        // turned round to meet it.
        QCOMPARE(portsToPolyline({port(g, "a"), port(g, "y"), nullptr, port(g, "a"), port(g, "y")}),
                 (points({{20, 30}, {10, 30}, {10, 10}, {0, 10}, {10, 10}, {10, 30}, {20, 30}})));
    }

    // Along laid-out nets: the points follow each net's drawing between the
    // two ports and hop across the gate between; the route found backwards
    // gives the same points the other way round.
    void polylineAlongNets()
    {
        Gate *g1, *g2, *out;
        laidOutChain(&g1, &g2, &out);
        QList<GatePort *> forward;
        QVERIFY(findPath(GraphItem(g1), GraphItem(out), forward));
        QCOMPARE(names(forward), (QStringList{"g1.y", "g2.a", "g2.y", "n2.n2"}));
        const QPolygonF points = portsToPolyline(forward);
        QPolygonF expected = net(m, QStringLiteral("n1"))->pathBetween(forward.at(0), forward.at(1));
        QVERIFY(expected.size() >= 2);
        const QPointF pa = forward.at(1)->scenePos();
        const QPointF pb = forward.at(2)->scenePos();
        const double xm = (pa.x() + pb.x()) / 2;
        expected << QPointF(xm, pa.y()) << QPointF(xm, pb.y());
        const QPolygonF last = net(m, QStringLiteral("n2"))->pathBetween(forward.at(2), forward.at(3));
        QVERIFY(last.size() >= 2);
        expected += last;
        QCOMPARE(points, expected);
        QCOMPARE(points.first(), forward.first()->scenePos());
        QCOMPARE(points.last(), forward.last()->scenePos());
        QVERIFY(axisParallel(points));

        QList<GatePort *> backward;
        QVERIFY(findPath(GraphItem(out), GraphItem(g1), backward));
        std::reverse(backward.begin(), backward.end());
        QCOMPARE(backward, forward);
        std::reverse(backward.begin(), backward.end());
        QPolygonF reversed = portsToPolyline(backward);
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(reversed, points);

        // After a gap in the route, a piece along a net is turned round to
        // meet the points so far; one that meets them at neither end is
        // left out.
        const QList<GatePort *> hop{forward.at(1), forward.at(2)};
        const QPolygonF across = portsToPolyline(hop);
        QCOMPARE(across.size(), 4);
        QPolygonF joined = across;
        joined.removeLast();
        joined += last;
        QCOMPARE(portsToPolyline(hop + QList<GatePort *>{nullptr, forward.at(3), forward.at(2)}), joined);
        QCOMPARE(portsToPolyline(hop + QList<GatePort *>{nullptr, forward.at(0), forward.at(1)}), across);
    }

    // Joining a route's points to a path: the joint stands twice, a path that
    // ends elsewhere is turned round first; the bounds leave room for the pen.
    void appendAndExtend()
    {
        HightLighedPath path;
        QCOMPARE(path.boundingRect(), QRectF(-3, -3, 6, 6));
        appendPolyline(path, points({{0, 0}, {10, 0}}));
        QCOMPARE(path.points, (points({{0, 0}, {10, 0}})));
        QCOMPARE(path.boundingRect(), QRectF(-3, -3, 16, 6));
        appendPolyline(path, points({{10, 0}, {10, 5}}));
        QCOMPARE(path.points, (points({{0, 0}, {10, 0}, {10, 0}, {10, 5}})));
        appendPolyline(path, points({{0, 0}, {0, -5}}));
        QCOMPARE(path.points, (points({{10, 5}, {10, 0}, {10, 0}, {0, 0}, {0, 0}, {0, -5}})));
        appendPolyline(path, QPolygonF());
        QCOMPARE(path.points.size(), 6);

        Gate *g = makeGate(m, QStringLiteral("g"), {QStringLiteral("a")}, {QStringLiteral("y")});
        port(g, "a")->tip = QPointF(0, -5);
        port(g, "y")->tip = QPointF(4, -9);
        extendPath(path, {port(g, "a"), port(g, "y")});
        QCOMPARE(path.points.mid(6), (points({{0, -5}, {2, -5}, {2, -9}, {4, -9}})));
        HightLighedPath copy(path);
        QCOMPARE(copy.points, path.points);
    }
};

QTEST_MAIN(TestPathSearch)
#include "tst_pathsearch.moc"
