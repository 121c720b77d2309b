#include "common/testenvironment.h"
#include "netlistfixture.h"

#include "graphengine/model/graphitem.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

using namespace GraphEngine;
using namespace NetlistFixture;

namespace {

QStringList names(const PortSet &set, int group = PortSet::AllGroups)
{
    QStringList out;
    for (auto it = set.constBegin(group); it != set.constEnd(group); ++it)
        out << (*it)->name;
    return out;
}

// count input ports p0, p1, ... of the gate, at positions 0, 1, ...
QList<GatePort *> inputPool(Gate *gate, int count)
{
    QList<GatePort *> pool;
    for (int i = 0; i < count; ++i)
        pool << addPort(gate, QStringLiteral("p%1").arg(i), BaseEnum::Input, 2, i);
    return pool;
}

} // namespace

// Port sets, gate ports and the graph item handle.
class TestPortSets : public QObject
{
    Q_OBJECT

private slots:
    void flipFlopPinsOrderByGroupThenPosition()
    {
        Gate gate;
        addPort(&gate, QStringLiteral("Q"), 1, 0, 0);
        addPort(&gate, QStringLiteral("CLR"), 0, 1, 0, true);
        addPort(&gate, QStringLiteral("CLK"), 0, 2, 1, true);
        addPort(&gate, QStringLiteral("D"), 0, 2, 0);
        addPort(&gate, QStringLiteral("PRE"), 0, 3, 0, true);
        QVERIFY(!gate.ports.isSorted());
        gate.ports.ensureSorted(false);
        QCOMPARE(names(gate.ports), QStringList({"PRE", "D", "CLK", "CLR", "Q"}));
        QCOMPARE(names(gate.ports, 2), QStringList({"D", "CLK"}));
        QCOMPARE(names(gate.ports, 0), QStringList({"Q"}));
        QCOMPARE(gate.portAt(2, 1)->name, QStringLiteral("CLK"));
        QVERIFY(!gate.portAt(2, 2));
        QCOMPARE(gate.portCount(2), 2);
        QCOMPARE(gate.findPortByName(QStringLiteral("CLR"))->name, QStringLiteral("CLR"));
        QVERIFY(!gate.findPortByName(QStringLiteral("clr")));

        // Pins taken out of the sorted set (a flop drops those left open)
        // leave every group walk within the pins that remain.
        for (const QString &name : {QStringLiteral("PRE"), QStringLiteral("CLR")}) {
            GatePort *pin = gate.findPortByName(name);
            QCOMPARE(gate.ports.removeAll(pin), 1);
            delete pin;
        }
        QVERIFY(gate.ports.isSorted());
        QCOMPARE(names(gate.ports, 0), QStringList({"Q"}));
        QCOMPARE(names(gate.ports, 2), QStringList({"D", "CLK"}));
        QCOMPARE(names(gate.ports, 1), QStringList());
        QCOMPARE(names(gate.ports, 3), QStringList());
    }

    void groupTable_data()
    {
        QTest::addColumn<QList<int>>("groups");
        QTest::addColumn<QList<int>>("starts");
        QTest::newRow("all four") << QList<int>{3, 3, 2, 2, 1, 0, 0} << QList<int>{5, 4, 2, 0};
        QTest::newRow("inputs only") << QList<int>{2, 2, 2} << QList<int>{3, 3, 0, 0};
        QTest::newRow("outputs only") << QList<int>{0, 0} << QList<int>{0, 0, 0, 0};
        QTest::newRow("empty") << QList<int>{} << QList<int>{0, 0, 0, 0};
    }
    void groupTable()
    {
        QFETCH(QList<int>, groups);
        QFETCH(QList<int>, starts);
        Gate gate;
        for (int i = 0; i < groups.size(); ++i)
            addPort(&gate, QString::number(i), groups[i] == 0 ? 1 : 0, groups[i], i);
        gate.ports.ensureSorted(false);
        QCOMPARE(QList<int>(std::begin(gate.ports.groupStart), std::end(gate.ports.groupStart)), starts);
        // The input side (groups 3..1) and the outputs cover the set once.
        const int inputs = int(gate.ports.constBegin(0) - gate.ports.constBegin(3));
        const int outputs = int(gate.ports.constEnd(0) - gate.ports.constBegin(0));
        QCOMPARE(inputs + outputs, groups.size());
        QCOMPARE(outputs, int(groups.count(0)));
    }

    void staleTableIsRebuiltAndForceResorts()
    {
        Gate gate;
        GatePort *a = addPort(&gate, QStringLiteral("a"), 0, 2, 0);
        GatePort *y = addPort(&gate, QStringLiteral("y"), 1, 0, 0);
        gate.ports.ensureSorted(false);
        // Swap the sides behind the set's back: without force nothing moves.
        a->attributes.set(1, 0, 1, 0, false, 12);
        y->attributes.set(0, 2, 0, 0, false, 1);
        gate.ports.ensureSorted(false);
        QCOMPARE(names(gate.ports), QStringList({"a", "y"}));
        gate.ports.ensureSorted(true);
        QCOMPARE(names(gate.ports), QStringList({"y", "a"}));
        gate.ports.groupStart[3] = -1;
        QVERIFY(gate.ports.isSorted());
        QCOMPARE(names(gate.ports, 0), QStringList({"a"}));
        QCOMPARE(gate.ports.groupStart[3], 0);
        // The table of an unsorted set is counted, the set stays unsorted.
        gate.ports.markUnsorted();
        gate.ports.sort();
        QVERIFY(!gate.ports.isSorted());
        QCOMPARE(gate.ports.groupStart[0], 1);
    }

    void unsortedAccessIsReportedAndReadsTheWholeList()
    {
        Gate gate;
        addPort(&gate, QStringLiteral("y"), 1, 0, 0);
        addPort(&gate, QStringLiteral("a"), 0, 2, 0);
        LogCapture log;
        QCOMPARE(names(gate.ports, 0), QStringList({"y", "a"}));
        QVERIFY(criticals(log).contains(
            "Programatic Error. Try to access PortSet by position on an unsorted Set; Invalid!"));
    }

    void replaceFindAndColumns()
    {
        Gate g1, g2;
        g1.column = 4;
        g2.column = 2;
        GatePort *p1 = addPort(&g1, QStringLiteral("a"), 0, 2, 0);
        GatePort *p2 = addPort(&g2, QStringLiteral("b"), 0, 2, 0);
        GatePort *p3 = addPort(&g2, QStringLiteral("c"), 0, 2, 1);
        PortSet set;
        QCOMPARE(set.lowestGateColumn(), -1);
        set.add(p1);
        set.add(p1);
        set.add(p2);
        QCOMPARE(set.size(), 2);
        set.ensureSorted(false);
        QVERIFY(!set.replace(p1, p2));
        QVERIFY(set.isSorted());
        QVERIFY(!set.replace(p3, p1));
        QVERIFY(set.replace(p1, p3));
        QVERIFY(!set.isSorted());
        QCOMPARE(set.list(), QList<GatePort *>({p3, p2}));
        QCOMPARE(set.findByGate(&g2), p3);
        QVERIFY(!set.findByGate(&g1));
        QCOMPARE(set.lowestGateColumn(), 2);
    }

    // Every change to a gate's set clears its order flag; what changes
    // nothing (an add of a listed port, a null port, a refused replace) and
    // removals keep it.
    void changesClearTheOrderFlag()
    {
        Gate gate;
        const QList<GatePort *> pool = inputPool(&gate, 4);
        GatePort *extra = pool.at(3);
        QVERIFY(gate.ports.removeAll(extra) == 1);
        const QList<std::function<void(PortSet &)>> changes = {
            [&](PortSet &s) { s.add(extra); },
            [&](PortSet &s) { s.add(pool.at(0), true); },
            [&](PortSet &s) { s.append(extra); },
            [&](PortSet &s) { s.prepend(extra); },
            [&](PortSet &s) { QVERIFY(s.replace(pool.at(0), extra)); },
            [&](PortSet &s) { s.takeAll(); },
            [&](PortSet &s) { s.assign(pool); },
        };
        const QList<std::function<void(PortSet &)>> keeps = {
            [&](PortSet &s) { s.add(pool.at(0)); },
            [&](PortSet &s) { s.add(nullptr, true); },
            [&](PortSet &s) { s.prepend(nullptr); },
            [&](PortSet &s) { QVERIFY(!s.replace(pool.at(0), pool.at(1))); },
            [&](PortSet &s) { QCOMPARE(s.removeAll(pool.at(1)), 1); },
        };
        for (int i = 0; i < changes.size() + keeps.size(); ++i) {
            PortSet set = gate.ports;
            set.ensureSorted(true);
            (i < changes.size() ? changes.at(i) : keeps.at(i - changes.size()))(set);
            QVERIFY2(set.isSorted() == (i >= changes.size()), qPrintable(QString::number(i)));
        }
        gate.ports.add(extra);
    }

    // A large set keeps a position hash beside its list: removals, prepends
    // into the holes they leave, replacements and forced duplicates must give
    // the same list as a plain list would, at every step.
    void largeSetsKeepListOrderThroughTheirIndex()
    {
        Gate gate;
        const QList<GatePort *> pool = inputPool(&gate, 300);
        PortSet set;
        QList<GatePort *> model;
        auto same = [&] {
            if (set.size() != model.size() || set.first() != model.value(0))
                return false;
            for (GatePort *p : qAsConst(pool)) {
                if (set.contains(p) != model.contains(p))
                    return false;
            }
            // Read past the holes first, then by the list that closes them.
            QList<GatePort *> walked;
            set.forEachPort([&walked](GatePort *p) { walked.append(p); });
            return walked == model && set.list() == model;
        };
        QRandomGenerator random(14);
        for (int step = 0; step < 4000; ++step) {
            GatePort *p = pool.at(int(random.bounded(pool.size())));
            GatePort *q = pool.at(int(random.bounded(pool.size())));
            switch (random.bounded(7)) {
            case 0:
            case 1:
                set.add(p);
                if (!model.contains(p))
                    model.append(p);
                break;
            case 2:
                if (!model.contains(p)) {
                    set.prepend(p);
                    model.prepend(p);
                }
                break;
            case 3:
            case 4:
                QCOMPARE(set.removeAll(p), model.removeAll(p));
                break;
            case 5: {
                const bool expected = model.contains(p) && !model.contains(q);
                QCOMPARE(set.replace(p, q), expected);
                if (expected)
                    model[model.indexOf(p)] = q;
                break;
            }
            default:
                // A forced duplicate, taken out again with every copy.
                if (random.bounded(8) == 0) {
                    set.add(p, true);
                    model.append(p);
                    QCOMPARE(set.removeAll(p), model.removeAll(p));
                }
                // Only some steps read the whole list, so holes pile up.
                if (random.bounded(4) == 0)
                    QVERIFY2(same(), qPrintable(QString::number(step)));
                break;
            }
            QCOMPARE(set.size(), model.size());
            QCOMPARE(set.first(), model.value(0));
        }
        QVERIFY(same());
        // Taking the loads from the front, one by one, leaves the rest in order.
        set.assign(pool);
        for (int i = 0; i < 250; ++i) {
            QCOMPARE(set.first(), pool.at(i));
            QCOMPARE(set.removeAll(pool.at(i)), 1);
        }
        QCOMPARE(set.list(), pool.mid(250));
        set.add(nullptr, true);
        set.prepend(nullptr);
        QVERIFY(!set.replace(pool.at(299), nullptr));
        QCOMPARE(set.size(), 50);
        QCOMPARE(set.takeAll(), pool.mid(250));
        QVERIFY(set.isEmpty() && !set.first());
        // A list taken over with a port twice: both copies go, replace takes the first.
        QList<GatePort *> twice = pool.mid(0, 40);
        twice.insert(5, pool.at(30));
        set.assign(twice);
        QVERIFY(set.replace(pool.at(30), pool.at(200)));
        QCOMPARE(set.list().at(5), pool.at(200));
        QCOMPARE(set.removeAll(pool.at(30)), 1);
        QCOMPARE(set.removeAll(pool.at(200)), 1);
        QCOMPARE(set.list(), pool.mid(0, 30) + pool.mid(31, 9));
    }

    // Small lists keep up to two ports in the list object itself and move
    // to a block of their own past that: appends and prepends in any mix,
    // removals and replacements keep the order across the boundary, both
    // ways, and a list that shrinks back by assignment reads the same.
    void smallListsGrowPastTheirInlineRoomInOrder()
    {
        Gate gate;
        const QList<GatePort *> pool = inputPool(&gate, 6);
        PortList list;
        QList<GatePort *> model;
        QRandomGenerator random(35);
        for (int step = 0; step < 3000; ++step) {
            GatePort *p = pool.at(int(random.bounded(pool.size())));
            GatePort *q = pool.at(int(random.bounded(pool.size())));
            switch (random.bounded(6)) {
            case 0:
                list.add(p);
                if (!model.contains(p))
                    model.append(p);
                break;
            case 1:
                list.append(p);
                model.append(p);
                break;
            case 2:
                list.prepend(p);
                model.prepend(p);
                break;
            case 3:
                QCOMPARE(list.removeAll(p), model.removeAll(p));
                break;
            case 4: {
                const bool expected = model.contains(p) && !model.contains(q);
                QCOMPARE(list.replace(p, q), expected);
                if (expected)
                    model[model.indexOf(p)] = q;
                break;
            }
            default:
                // Back to a few ports, or empty, now and then.
                if (random.bounded(4) == 0) {
                    model = model.mid(0, int(random.bounded(3)));
                    list.assign(model);
                }
                break;
            }
            QVERIFY2(list.list() == model, qPrintable(QString::number(step)));
            QCOMPARE(list.size(), model.size());
            QCOMPARE(list.first(), model.value(0));
            for (GatePort *port : pool)
                QCOMPARE(list.contains(port), model.contains(port));
        }
        // A copy of a list held in place is its own.
        PortList two;
        two.append(pool.at(0));
        two.append(pool.at(1));
        PortList copy(two);
        two.prepend(pool.at(2));
        QCOMPARE(copy.list(), (QList<GatePort *>{pool.at(0), pool.at(1)}));
        QCOMPARE(two.list(), (QList<GatePort *>{pool.at(2), pool.at(0), pool.at(1)}));
        QCOMPARE(two.takeAll(), (QList<GatePort *>{pool.at(2), pool.at(0), pool.at(1)}));
        QVERIFY(two.isEmpty() && !two.first() && two.list().isEmpty());
        two.append(pool.at(3));
        QCOMPARE(two.list(), QList<GatePort *>{pool.at(3)});
    }

    // A list appended by moving: an empty list takes the other's ports as
    // they are (small, in a block, or indexed with holes), a list with ports
    // appends them; the other is left empty and usable.
    void appendAllOfAListMovesItsPorts()
    {
        Gate gate;
        const QList<GatePort *> pool = inputPool(&gate, 80);
        for (int count : {0, 1, 2, 3, 10, 40}) {
            for (int start : {0, 1, 5}) {
                PortList source;
                for (int i = 0; i < count; ++i)
                    source.append(pool.at(i));
                if (count == 40) {
                    // Holes that the move has to close.
                    QCOMPARE(source.removeAll(pool.at(3)), 1);
                    QCOMPARE(source.removeAll(pool.at(0)), 1);
                }
                PortList target;
                for (int i = 0; i < start; ++i)
                    target.append(pool.at(79 - i));
                QList<GatePort *> expected = pool.mid(80 - start, start);
                std::reverse(expected.begin(), expected.end());
                for (GatePort *p : source.list())
                    expected.append(p);
                target.appendAll(std::move(source));
                QCOMPARE(target.list(), expected);
                QCOMPARE(target.size(), expected.size());
                for (GatePort *p : pool)
                    QCOMPARE(target.contains(p), expected.contains(p));
                QVERIFY(source.isEmpty() && !source.first());
                source.append(pool.at(50));
                QCOMPARE(source.list(), QList<GatePort *>{pool.at(50)});
                if (!expected.isEmpty()) {
                    QCOMPARE(target.removeAll(expected.last()), 1);
                    expected.removeLast();
                }
                target.prepend(pool.at(60));
                expected.prepend(pool.at(60));
                QCOMPARE(target.list(), expected);
            }
        }
    }

    // A block appended at once reads and changes as the same ports appended
    // one by one: onto a small list, across the indexing size, onto an
    // indexed list with holes, a block larger than the list, a port twice,
    // onto an empty list (which takes a small or large block as it is).
    void appendAllMatchesAppendingOneByOne()
    {
        Gate gate;
        const QList<GatePort *> pool = inputPool(&gate, 200);
        const struct
        {
            int start;
            int holes;
            int from;
            int count;
        } cases[] = {{3, 0, 10, 5}, {20, 0, 50, 20}, {40, 0, 100, 10}, {40, 3, 100, 10}, {40, 5, 100, 90}, {0, 0, 10, 5}, {0, 0, 100, 60}, {0, 0, 0, 0}};
        for (const auto &c : cases) {
            PortList joined;
            PortList oneByOne;
            for (PortList *l : {&joined, &oneByOne}) {
                for (int i = 0; i < c.start; ++i)
                    l->append(pool.at(i));
                for (int i = 0; i < c.holes; ++i)
                    QCOMPARE(l->removeAll(pool.at(2 * i + 1)), 1);
            }
            QList<GatePort *> block = pool.mid(c.from, c.count);
            if (!block.isEmpty())
                block.append(block.first());
            joined.appendAll(block);
            for (GatePort *p : qAsConst(block))
                oneByOne.append(p);
            // Membership first: reading the whole list rebuilds an index.
            for (GatePort *p : qAsConst(pool))
                QCOMPARE(joined.contains(p), oneByOne.contains(p));
            QCOMPARE(joined.size(), oneByOne.size());
            QCOMPARE(joined.first(), oneByOne.first());
            QCOMPARE(joined.list(), oneByOne.list());
            if (!block.isEmpty()) {
                QCOMPARE(joined.removeAll(block.first()), 2);
                QCOMPARE(oneByOne.removeAll(block.first()), 2);
            }
            joined.prepend(pool.at(199));
            oneByOne.prepend(pool.at(199));
            QCOMPARE(joined.list(), oneByOne.list());
        }
    }

    // A copy of a large list (its position index and holes included) reads
    // as the original and changes on its own; a copied gate set keeps its
    // group table.
    void copiesOfLargeListsAreIndependent()
    {
        Gate gate;
        const QList<GatePort *> pool = inputPool(&gate, 60);
        PortList list;
        list.assign(pool);
        // Holes at the front and inside, not closed yet.
        for (int i : {0, 1, 7, 30})
            QCOMPARE(list.removeAll(pool.at(i)), 1);
        PortList copy(list);
        PortList assigned;
        assigned.add(pool.at(5));
        assigned = list;
        QList<GatePort *> expected = pool;
        for (int i : {30, 7, 1, 0})
            expected.removeAt(i);
        for (const PortList *l : {&copy, &assigned}) {
            QCOMPARE(l->size(), 56);
            QCOMPARE(l->first(), pool.at(2));
            QVERIFY(l->contains(pool.at(8)) && !l->contains(pool.at(7)));
        }
        list.prepend(pool.at(0));
        QCOMPARE(list.removeAll(pool.at(40)), 1);
        QVERIFY(copy.replace(pool.at(2), pool.at(1)));
        QCOMPARE(assigned.removeAll(pool.at(59)), 1);
        QCOMPARE(copy.first(), pool.at(1));
        QCOMPARE(list.first(), pool.at(0));
        QCOMPARE(copy.list(), QList<GatePort *>{pool.at(1)} + expected.mid(1));
        QCOMPARE(assigned.list(), expected.mid(0, 55));
        QList<GatePort *> changed = QList<GatePort *>{pool.at(0)} + expected;
        changed.removeAll(pool.at(40));
        QCOMPARE(list.list(), changed);

        gate.ports.ensureSorted(false);
        const PortSet set = gate.ports;
        QVERIFY(set.isSorted());
        QCOMPARE(names(set, 2).size(), 60);
        QCOMPARE(names(set, 0), QStringList());
    }

    void portConnectionQueries()
    {
        Module *m = Module::findOrCreateModule(m_modules, QStringLiteral("q"), nullptr);
        Gate *src = makeGate(m, QStringLiteral("src"), {}, {QStringLiteral("y")});
        Gate *dst = makeGate(m, QStringLiteral("dst"), {QStringLiteral("a"), QStringLiteral("b")},
                             {QStringLiteral("y"), QStringLiteral("z")});
        GatePort *io = addPort(dst, QStringLiteral("io"), BaseEnum::InOut, 0, 2);
        dst->ports.ensureSorted(false);
        GatePort *a = dst->findPortByName(QStringLiteral("a"));
        GatePort *b = dst->findPortByName(QStringLiteral("b"));
        Edge *n = net(m, QStringLiteral("n"));
        n->connectPort(a);
        QVERIFY(!a->isConnected());
        n->connectPort(b);
        QVERIFY(a->isConnected());
        QVERIFY(!a->firstDriver());
        n->connectPort(src->portAt(0, 0));
        QCOMPARE(a->firstDriver(), src->portAt(0, 0));
        QCOMPARE(a->driverOwnedBy(src), src->portAt(0, 0));
        QCOMPARE(src->portAt(0, 0)->loadOwnedBy(dst), a);
        QVERIFY(!a->loadOwnedBy(dst));
        QCOMPARE(src->portAt(0, 0)->linkedPorts(), QList<GatePort *>({a, b}));
        QCOMPARE(a->linkedPorts().size(), 3);
        QCOMPARE(a->linkedPorts().last(), io);
        QCOMPARE(dst->portAt(0, 0)->upstreamPorts(), QList<GatePort *>({a, b}));

        Edge *bus = net(m, QStringLiteral("bus"));
        bus->connectPort(io);
        QVERIFY(!io->isConnected());
        bus->loads.add(io, true); // an inout listed twice never links to itself
        QVERIFY(io->linkedPorts().isEmpty());
        bus->loads.removeAll(io);
        bus->connectPort(io);
        dst->row = 7;
        GatePort *other = makeGate(m, QStringLiteral("o2"), {QStringLiteral("a")}, {})->portAt(2, 0);
        other->owner->row = 3;
        bus->connectPort(other);
        QVERIFY(io->isConnected());
        QCOMPARE(io->minLoadGateOrder(), 3);
        QCOMPARE(b->minLoadGateOrder(), -1);
        QVERIFY(brokenInvariant(m).isEmpty());
        deleteModules(m_modules);
    }

    void portNamesAndTips()
    {
        Gate gate(BaseEnum::VCC, QStringLiteral("v<1>"), QBrush());
        GatePort *port = gate.portAt(0, 0);
        QCOMPARE(port->name, QStringLiteral("v<1>"));
        QCOMPARE(port->baseName(), QStringLiteral("v"));
        QCOMPARE(port->fullName(), QStringLiteral("v<1>.v<1>"));
        QCOMPARE(port->typedName(), QStringLiteral("VCC.v<1>"));
        QCOMPARE(port->constantKind(), int(BaseEnum::VCC));
        // Names from the debugged program are escaped in HTML.
        QVERIFY(port->toolTip().contains(QStringLiteral("v&lt;1&gt;:")));
        QVERIFY(port->toolTip().contains(QStringLiteral("<i>Not connected</i>")));

        Gate cluster;
        cluster.kind = BaseEnum::AND | BaseEnum::ClusterFlag;
        cluster.name = Name(QStringLiteral("u"));
        cluster.properties.insert(QStringLiteral("=NativeName"),
                                  QVariantList{QVariant::fromValue(Name(QStringLiteral("u0"))),
                                               QStringLiteral("u1"), QVariant::fromValue(Name(QStringLiteral("u2")))});
        GatePort *bit = addPort(&cluster, QStringLiteral("a[2]"), 0, 2, 0);
        GatePort *converted = addPort(&cluster, QStringLiteral("a[1]"), 0, 2, 1);
        GatePort *beyond = addPort(&cluster, QStringLiteral("a[5]"), 0, 2, 2);
        GatePort *plain = addPort(&cluster, QStringLiteral("s"), 0, 1, 0, true);
        QCOMPARE(bit->displayName(), QStringLiteral("u2.a"));
        QCOMPARE(converted->displayName(), QStringLiteral("u1.a"));
        QCOMPARE(beyond->displayName(), QStringLiteral("u.a"));
        QCOMPARE(plain->displayName(), QStringLiteral("u.s"));
    }

    void portGeometryMakesTheGateRebuild()
    {
        Gate gate;
        GatePort *port = addPort(&gate, QStringLiteral("a"), 0, 2, 0);
        gate.x = 100;
        gate.y = 50;
        port->setAnchor(QPointF(1, 2));
        port->setTipOffset(QPointF(-10, 0));
        QCOMPARE(port->scenePos(), QPointF(91, 52));
        gate.shapeBuilt = 1;
        port->setName(QStringLiteral("b"));
        QCOMPARE(gate.shapeBuilt, quint8(1));
        port->moveBy(1, 1);
        QCOMPARE(gate.shapeBuilt, quint8(0));
        QCOMPARE(port->tip, QPointF(-8, 3));

        port->attributes.set(0, 2, 0, 3, true, 27);
        const QPainterPath glyph = port->glyphPath();
        QVERIFY(!glyph.isEmpty());
        // A left-side glyph is the output side's turned half round: bubble
        // outside (left of the foot), triangle pointing into the gate.
        QCOMPARE(glyph.boundingRect().left(), -11.0);
        QCOMPARE(glyph.boundingRect().right(), 14.0);
        port->attributes.set(0, 2, 0, 0, false, 1);
        QVERIFY(port->glyphPath().isEmpty());

        GatePort twin(nullptr, QStringLiteral("b"), port->attributes, 0, 0);
        twin.anchor = port->anchor;
        twin.tip = port->tip;
        QVERIFY(twin == *port);
        QCOMPARE(qHash(twin), qHash(*port));
        twin.tip.rx() += 0.5;
        QVERIFY(twin != *port);
    }

    void paintingDropsDetailWhenZoomedOut()
    {
        Gate gate;
        GatePort *port = addPort(&gate, QStringLiteral("CLK"), 0, 2, 0, true);
        port->attributes.set(0, 2, 0, 2, true, 11); // clock triangle
        port->setAnchor(QPointF(30, 20));
        port->setTipOffset(QPointF(-20, 0));
        auto inked = [port](double lod) {
            QImage image(64, 40, QImage::Format_ARGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            port->paint(&painter, lod);
            painter.end();
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    count += image.pixel(x, y) != qRgb(255, 255, 255);
            return count;
        };
        QCOMPARE(inked(0.04), 0);
        const int line = inked(0.05);
        QVERIFY(line > 0);
        QCOMPARE(inked(0.09), line);
        QVERIFY(inked(0.1) > line);
        // The glyph path is made once per side and glyph, then shared.
        QCOMPARE(port->glyphPath(), port->glyphPath());
    }

    void graphItemsOrderAndTravelThroughSignals()
    {
        Module *m = Module::findOrCreateModule(m_modules, QStringLiteral("g"), nullptr);
        Gate *gate = makeGate(m, QStringLiteral("u1"), {QStringLiteral("a")}, {QStringLiteral("y")});
        Edge *n = net(m, QStringLiteral("n"));
        const GraphItem g1(gate), g2(gate), e(n), end(n, gate->portAt(0, 0));
        QVERIFY(g1 == g2 && !(g1 < g2) && !(g2 < g1));
        QVERIFY(g1 < e);
        QVERIFY(e != end);
        QCOMPARE(end.kind(), int(GraphItem::NetEndItem));
        QCOMPARE(g1.owner(), m);
        QCOMPARE(GraphItem(gate->portAt(0, 0)).owner(), m);
        QVERIFY(!GraphItem().owner());
        GatePort *const *first = &gate->ports.list().at(0);
        const GraphItem range(first, first + gate->ports.size());
        QCOMPARE(range.gate(), gate);

        QSignalSpy spy(m, &Module::clicked);
        emit m->clicked(e);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<GraphItem>(), e);
        QVERIFY(QMetaType::type("GraphEngine::GraphItem") != QMetaType::UnknownType);
        // A receiver of updateToolTip may rewrite the text in place.
        connect(m, &Module::updateToolTip, this, [](GraphItem item, QString &tip) {
            tip += QLatin1String(" via ") + QString::number(item.kind());
        });
        QString tip = QStringLiteral("net");
        emit m->updateToolTip(end, tip);
        QCOMPARE(tip, QStringLiteral("net via 4"));
        deleteModules(m_modules);
    }

private:
    ModuleMap m_modules;
};

// Gates measure their labels in the label font, which needs a GUI application.
QTEST_MAIN(TestPortSets)
#include "tst_portsets.moc"
