#include "common/testenvironment.h"
#include "clusterfixture.h"
#include "netlistfixture.h"

#include "graphengine/model/graphitem.h"
#include "graphengine/model/name.h"

#include <QMap>
#include <QtTest>

using namespace GraphEngine;
using namespace NetlistFixture;

// The graph item handle: kinds, order, matching, marks, texts.
class TestGraphItems : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr);
        // Ports in set order: a[0], a[1], a[2], b (left), y (right).
        gate = new Gate(QStringLiteral("a[2:0],b"), QStringLiteral("y"), QString(), QBrush(Qt::white));
        gate->name = Name(QStringLiteral("u1"));
        m->registerInstance(gate, true);
        n = net(m, QStringLiteral("n1"));
        n->connectPort(gate->findPortByName(QStringLiteral("y")));
    }

    void cleanup() { deleteModules(m_modules); }

    void kindsOrderAndEquality()
    {
        GatePort *y = gate->findPortByName(QStringLiteral("y"));
        GatePort *const *first = &gate->ports.list().at(0);
        const QList<GraphItem> items = {GraphItem(), GraphItem(gate), GraphItem(n), GraphItem(n, y),
                                        GraphItem(y), GraphItem(first, first + 3)};
        const QList<int> kinds = {0, 1, 2, 4, 8, 16};
        for (int i = 0; i < items.size(); ++i) {
            QCOMPARE(items.at(i).kind(), kinds.at(i));
            // Ordered by kind first, whatever the addresses.
            for (int j = 0; j < items.size(); ++j) {
                QCOMPARE(items.at(i) < items.at(j), i < j);
                QCOMPARE(items.at(i) == items.at(j), i == j);
            }
        }
        QCOMPARE(GraphItem(7).kind(), int(GraphItem::Empty));
        QVERIFY(GraphItem(gate) == GraphItem(gate));
        QVERIFY(!(GraphItem(gate) < GraphItem(gate)));
        QCOMPARE(GraphItem(y).owner(), m);
        QCOMPARE(items.at(5).owner(), m);
        QCOMPARE(GraphItem(n, y).owner(), m);

        // Runs of one gate order by their bounds; the item keys a map.
        const GraphItem low(first, first + 2), high(first + 1, first + 3), longer(first, first + 3);
        QVERIFY(low < high && !(high < low));
        QVERIFY(low < longer && low != longer);
        QMap<GraphItem, int> map;
        map[longer] = 1;
        map[GraphItem(first, first + 3)] = 2;
        map[low] = 3;
        QCOMPARE(map.size(), 2);
        QCOMPARE(map.value(longer), 2);
    }

    void runKeepsItsPortsWhenTheListMoves()
    {
        const GraphItem run(gate->ports.list().constBegin(), gate->ports.list().constBegin() + 3);
        QCOMPARE(run.rangeFirst(), 0);
        QCOMPARE(run.rangeEnd(), 3);
        QCOMPARE(run.gate(), gate);
        const QList<GatePort *> before = run.rangePorts();
        // Growing the list moves its storage; the item holds no pointer into it.
        for (int i = 0; i < 200; ++i)
            addPort(gate, QStringLiteral("z%1").arg(i), BaseEnum::Output, 0, 10 + i);
        QCOMPARE(run.rangePorts(), before);
        QCOMPARE(run.label(), QStringLiteral("B:a[0:2]"));
        // Bounds beyond a list that shrank are cut off, never read.
        const GraphItem tail(gate->ports.list().constEnd() - 2, gate->ports.list().constEnd());
        QCOMPARE(tail.rangePorts().size(), 2);
        for (int i = 0; i < 200; ++i) {
            GatePort *last = gate->ports.list().last();
            gate->ports.removeAll(last);
            delete last;
        }
        QCOMPARE(tail.rangePorts(), QList<GatePort *>());
        QCOMPARE(tail.label(), QStringLiteral("B:"));
        QVERIFY(!tail.describe(Name()).contains(QLatin1String("z1")));

        // A run that is empty, or not in its port's gate, is refused.
        LogCapture log;
        QCOMPARE(GraphItem(gate->ports.list().constBegin(), gate->ports.list().constBegin()).kind(), 0);
        PortSet foreign;
        foreign.append(gate->ports.at(0));
        foreign.append(gate->ports.at(1));
        QCOMPARE(GraphItem(foreign.list().constBegin(), foreign.list().constEnd()).kind(), 16);
        GatePort loose(nullptr, QStringLiteral("p"), PortAttributes(), 0, 0);
        GatePort *const list[] = {&loose};
        QCOMPARE(GraphItem(list, list + 1).kind(), 0);
        QCOMPARE(criticals(log).size(), 2);
        QVERIFY(criticals(log).first().startsWith(QLatin1String("SOFT ASSERT: ")));
    }

    void portsMatchTheRunsThatHoldThem()
    {
        GatePort *a1 = gate->findPortByName(QStringLiteral("a[1]"));
        GatePort *y = gate->findPortByName(QStringLiteral("y"));
        const auto begin = gate->ports.list().constBegin();
        const GraphItem bus(begin, begin + 3);
        QVERIFY(GraphItem(a1).matches(bus));
        QVERIFY(!bus.matches(GraphItem(a1)));
        QVERIFY(!GraphItem(y).matches(bus));
        QVERIFY(GraphItem(n, y).matches(GraphItem(begin + 3, begin + 5)));
        QVERIFY(!GraphItem(n).matches(GraphItem(begin, begin + 5)));
        QVERIFY(GraphItem(gate).matches(GraphItem(gate)));
        QVERIFY(!GraphItem(gate).matches(bus));
    }

    void marksAreSetOncePerBit()
    {
        gate->marks = 0;
        n->marks = 0;
        const GraphItem g(gate), e(n);
        QVERIFY(!g.testAndSetMark(3));
        QVERIFY(g.testAndSetMark(3));
        QVERIFY(!g.testAndSetMark(4));
        QCOMPARE(gate->marks, (1 << 3) | (1 << 4));
        QVERIFY(!e.testAndSetMark(3));
        QVERIFY(e.testAndSetMark(3));
        QCOMPARE(n->marks, 1 << 3);

        GatePort *y = gate->findPortByName(QStringLiteral("y"));
        y->marks = 0;
        for (const GraphItem &other : {GraphItem(y), GraphItem(n, y),
                                       GraphItem(gate->ports.list().constBegin(), gate->ports.list().constEnd())}) {
            QVERIFY(!other.testAndSetMark(5));
            QVERIFY(!other.testAndSetMark(5));
        }
        QCOMPARE(y->marks, 0);
        QCOMPARE(gate->marks, (1 << 3) | (1 << 4));
        QVERIFY(GraphItem().testAndSetMark(0));

        LogCapture log;
        QVERIFY(!g.testAndSetMark(8));
        QCOMPARE(gate->marks, (1 << 3) | (1 << 4));
        QCOMPARE(criticals(log).size(), 1);
    }

    void propertiesDescriptionsAndLabels()
    {
        GatePort *y = gate->findPortByName(QStringLiteral("y"));
        gate->setProperty({{QStringLiteral("Cell"), QStringLiteral("AND2")}});
        n->setProperty({{QStringLiteral("Width"), QStringLiteral("1")}});
        y->setProperty({{QStringLiteral("Pin"), QStringLiteral("Z")}});
        QCOMPARE(GraphItem(gate).property(QStringLiteral("Cell")).toStringList(), QStringList{"AND2"});
        QCOMPARE(GraphItem(n).property(QStringLiteral("Width")).toStringList(), QStringList{"1"});
        QCOMPARE(GraphItem(y).property(QStringLiteral("Pin")).toStringList(), QStringList{"Z"});
        QVERIFY(!GraphItem(gate).property(QStringLiteral("cell")).isValid());
        QVERIFY(!GraphItem(n, y).property(QStringLiteral("Width")).isValid());
        QVERIFY(!GraphItem(gate->ports.list().constBegin(), gate->ports.list().constEnd())
                     .property(QStringLiteral("Cell"))
                     .isValid());
        QVERIFY(!GraphItem().property(QStringLiteral("Cell")).isValid());

        QCOMPARE(GraphItem(gate).describe(Name()), gate->propertyTableAll());
        QCOMPARE(GraphItem(n).describe(Name()), n->propertyTableAll());
        QCOMPARE(GraphItem(n, y).describe(Name()), y->propertyTableAll());
        QCOMPARE(GraphItem(y).describe(Name()), y->propertyTableAll());
        const auto begin = gate->ports.list().constBegin();
        QCOMPARE(GraphItem(begin, begin + 3).describe(Name()), gate->portsDescription(begin, begin + 3, -1));
        QVERIFY(GraphItem().describe(Name()).isNull());

        QCOMPARE(GraphItem(gate).label(), QStringLiteral("G:u1"));
        QCOMPARE(GraphItem(n).label(), QStringLiteral("E:n1"));
        QCOMPARE(GraphItem(n, y).label(), QStringLiteral("P:u1.y"));
        QCOMPARE(GraphItem(y).label(), QStringLiteral("P:u1.y"));
        QCOMPARE(GraphItem(begin, begin + 3).label(), QStringLiteral("B:a[0:2]"));
        QVERIFY(GraphItem().label().isNull());
        // A marked name keeps its marking.
        const Name marked = Name::detachedCopy(Name(QStringLiteral("n1")));
        n->setName(marked);
        QCOMPARE(GraphItem(n).label(), QStringLiteral("E:") + marked.toString(false));
        QVERIFY(GraphItem(n).label().startsWith(QLatin1String("E:=n1=")));
    }

    void clusterGateDescribesTheNamedMember()
    {
        // Fewer values than members: the third member has none.
        Gate *cluster = ClusterFixture::makeCluster(m);
        const QString third = GraphItem(cluster).describe(Name(QStringLiteral("g2")));
        QCOMPARE(third, cluster->propertyTable(2));
        QVERIFY(third.contains(QLatin1String("g2")));
        QVERIFY(third.contains(QLatin1String("Unknown property value")));
        const QString second = GraphItem(cluster).describe(Name(QStringLiteral("g1")));
        QVERIFY(second.contains(QLatin1String("X2")) && !second.contains(QLatin1String("X4")));
        QVERIFY(!second.contains(QLatin1String("Unknown property value")));
        QCOMPARE(GraphItem(cluster).describe(Name(QStringLiteral("nope"))), cluster->propertyTable(-1));
    }

private:
    ModuleMap m_modules;
    Module *m = nullptr;
    Gate *gate = nullptr;
    Edge *n = nullptr;
};

QTEST_MAIN(TestGraphItems)
#include "tst_graphitems.moc"
