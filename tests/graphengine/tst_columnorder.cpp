#include "graphengine/layout/marktable.h"
#include "layoutfixture.h"

#include "graphengine/logging.h"

#include <QtTest>

using namespace GraphEngine;
using namespace LayoutFixture;

// Step "Order Column" on columns set up by hand: the last column by its
// drivers, the others by the mean height of the pins they feed.
class TestColumnOrder : public LayoutFixture::LayoutTestCase
{
    Q_OBJECT


    // Lays out columns 1..lists.size() with the gates of each list.
    void setColumns(const QList<QList<Gate *>> &lists)
    {
        LayoutFixture::setColumns(m, lists, false);
        m->rowHeight = 10.0;
    }

    // A gate with n inputs at pin heights 0, 2, 4, ... in its own
    // coordinates, standing at the row.
    Gate *sink(const QString &name, int inputs, int row, int kind = BaseEnum::AND)
    {
        QStringList names;
        for (int i = 0; i < inputs; ++i)
            names << QStringLiteral("i%1").arg(i);
        Gate *g = makeGate(m, name, names, {QStringLiteral("y")}, kind);
        for (int i = 0; i < inputs; ++i)
            g->findPortByName(names.at(i))->tip = QPointF(0, 2.0 * i);
        g->row = row;
        return g;
    }

    Gate *source(const QString &name, int kind = BaseEnum::AND)
    {
        return makeGate(m, name, {QStringLiteral("a")}, {QStringLiteral("y")}, kind);
    }

    // Connects the gate's output to the named input of each load.
    void feeds(Gate *driver, const QList<QPair<Gate *, QString>> &loads, const QString &port = QStringLiteral("y"))
    {
        const QString netName = driver->name.text() + QLatin1Char('.') + port;
        wire(m, driver, port, netName);
        for (const auto &load : loads)
            wire(m, load.first, load.second, netName);
    }

    static QStringList names(const QList<Gate *> &gates)
    {
        QStringList out;
        for (const Gate *g : gates)
            out << g->name.text();
        return out;
    }

private slots:

    // Sinks at rows 1..3 give pin heights 0, 10, 20 (+2 per input).
    void barycentres()
    {
        Gate *s1 = sink(QStringLiteral("s1"), 4, 1);
        Gate *s2 = sink(QStringLiteral("s2"), 4, 2);
        Gate *s3 = sink(QStringLiteral("s3"), 4, 3);
        Gate *far = source(QStringLiteral("far"));
        Gate *both = source(QStringLiteral("both"));
        Gate *mid = source(QStringLiteral("mid"));
        Gate *idle = source(QStringLiteral("idle"));
        Gate *pass = source(QStringLiteral("pass"), BaseEnum::COLPASSTHROUGH);
        Gate *idlePass = source(QStringLiteral("idlePass"), BaseEnum::COLPASSTHROUGH);
        Gate *same = source(QStringLiteral("same"));
        feeds(far, {{s3, QStringLiteral("i1")}});                                 // 22
        feeds(both, {{s1, QStringLiteral("i0")}, {s2, QStringLiteral("i1")}});    // (0 + 12) / 2 = 6
        feeds(mid, {{s2, QStringLiteral("i0")}});                                 // 10
        feeds(pass, {{s2, QStringLiteral("i2")}, {s1, QStringLiteral("i3")}});    // 10 - 0.5
        feeds(same, {{s2, QStringLiteral("i3")}, {s1, QStringLiteral("i2")}});    // 10, as mid
        Gate *in = source(QStringLiteral("in"));
        feeds(in, {{far, QStringLiteral("a")}});
        setColumns({{in}, {far, both, mid, idle, pass, idlePass, same}, {s1, s2, s3}});
        LogCapture log;
        traceEnabled = true;
        m->orderColumns();
        QVERIFY(!traceEnabled);
        QCOMPARE(m->orderedColumns.size(), 4);
        QVERIFY(m->orderedColumns.at(0).isEmpty());
        QCOMPARE(names(m->orderedColumns.at(2)),
                 QStringList({"idlePass", "idle", "both", "pass", "same", "mid", "far"}));
        QCOMPARE(far->row, 7);
        QCOMPARE(idlePass->row, 1);
        QCOMPARE(both->row, 3);
        // The last column keeps its rows; column 1 ranks by the new ones.
        QCOMPARE(s3->row, 3);
        QCOMPARE(in->row, 1);
        const QStringList lines = log.texts(QtWarningMsg);
        QVERIFY(lines.contains(QStringLiteral("Adding 6:both")));
        QVERIFY(lines.contains(QStringLiteral("Adding 9.5:pass")));
        QVERIFY(lines.contains(QStringLiteral("=>far(2): 22,7")));
        QVERIFY(lines.contains(QStringLiteral(" Gate:s3(3) , Port:i1, (3-1)*10 + 2")));
    }

    // An inout port among the outputs aims at the pins of its net but its
    // own: the port is a load of its net as well.
    void inoutOutputSkipsItself()
    {
        Gate *s1 = sink(QStringLiteral("s1"), 1, 1);
        Gate *s2 = sink(QStringLiteral("s2"), 1, 2);
        Gate *s3 = sink(QStringLiteral("s3"), 1, 3);
        Gate *top = source(QStringLiteral("top"));
        Gate *low = source(QStringLiteral("low"));
        auto *bidir = new Gate;
        bidir->kind = BaseEnum::AND;
        bidir->name = Name(QStringLiteral("bidir"));
        addPort(bidir, QStringLiteral("io"), BaseEnum::InOut, 0, 0);
        bidir->ports.ensureSorted(false);
        m->registerInstance(bidir, true);
        feeds(top, {{s1, QStringLiteral("i0")}});                                 // 0
        feeds(low, {{s3, QStringLiteral("i0")}});                                 // 20
        feeds(bidir, {{s2, QStringLiteral("i0")}}, QStringLiteral("io"));         // 10, not (10 + own) / 2
        bidir->row = 5;
        setColumns({{}, {low, bidir, top}, {s1, s2, s3}});
        QVERIFY(bidir->portAt(0, 0)->net->loads.contains(bidir->portAt(0, 0)));
        LogCapture log;
        traceEnabled = true;
        m->orderColumns();
        QCOMPARE(names(m->orderedColumns.at(2)), QStringList({"top", "bidir", "low"}));
        QVERIFY(log.texts(QtWarningMsg).contains(QStringLiteral("Adding 10:bidir")));
    }

    void equalKeysLaterFirst()
    {
        Gate *s = sink(QStringLiteral("s"), 1, 2);
        Gate *a = source(QStringLiteral("a"));
        Gate *b = source(QStringLiteral("b"));
        Gate *c = source(QStringLiteral("c"));
        feeds(a, {{s, QStringLiteral("i0")}});
        wire(m, b, QStringLiteral("y"), QStringLiteral("a.y"));
        setColumns({{}, {a, b, c}, {s}});
        m->orderColumns();
        // c feeds nothing (key 0); a and b drive the same pin.
        QCOMPARE(names(m->orderedColumns.at(2)), QStringList({"c", "b", "a"}));
    }

    // Constants go to the edge of their value: VCC at most 0, GND the
    // lowest pin it feeds.
    void constantDrivers()
    {
        Gate *s1 = sink(QStringLiteral("s1"), 2, 2);
        Gate *s2 = sink(QStringLiteral("s2"), 2, 4);
        Gate *vcc = source(QStringLiteral("vcc"), BaseEnum::VCC);
        Gate *gnd = source(QStringLiteral("gnd"), BaseEnum::GND);
        Gate *g = source(QStringLiteral("g"));
        Gate *h = source(QStringLiteral("h"));
        // The constants feed pins at 12 and 30, g one at 32, h one at 10.
        feeds(vcc, {{s1, QStringLiteral("i1")}, {s2, QStringLiteral("i0")}});
        wire(m, gnd, QStringLiteral("y"), QStringLiteral("vcc.y"));
        feeds(g, {{s2, QStringLiteral("i1")}});
        feeds(h, {{s1, QStringLiteral("i0")}});
        setColumns({{}, {g, gnd, h, vcc}, {s1, s2}});
        LogCapture log;
        traceEnabled = true;
        m->orderColumns();
        const QStringList lines = log.texts(QtWarningMsg);
        QVERIFY(lines.contains(QStringLiteral("Adding 0:vcc")));
        QVERIFY(lines.contains(QStringLiteral("Adding 30:gnd")));
        QCOMPARE(names(m->orderedColumns.at(2)), QStringList({"vcc", "h", "gnd", "g"}));
    }

    void lastColumnByDriver()
    {
        Gate *d1 = makeGate(m, QStringLiteral("d1"), {QStringLiteral("a")}, {QStringLiteral("y0"), QStringLiteral("y1")});
        Gate *d2 = source(QStringLiteral("d2"));
        QList<Gate *> outs;
        for (int i = 0; i < 6; ++i) {
            outs << makeGate(m, QStringLiteral("o%1").arg(i), {QStringLiteral("a")}, {}, BaseEnum::OUTPUTPORT);
            outs.last()->row = 6 - i;
        }
        // Rows: o5 is 1, o4 2, ..., o0 6. Old row order meets d2 first.
        wire(m, outs[0], QStringLiteral("a"), QStringLiteral("n0"));
        wire(m, d1, QStringLiteral("y0"), QStringLiteral("n0"));
        wire(m, outs[1], QStringLiteral("a"), QStringLiteral("n1"));
        wire(m, d1, QStringLiteral("y1"), QStringLiteral("n1"));
        feeds(d2, {{outs[3], QStringLiteral("a")}});
        // o2 and o5 are undriven; o4 is driven through a pass-through.
        Gate *pass = source(QStringLiteral("pass"), BaseEnum::COLPASSTHROUGH);
        feeds(pass, {{outs[4], QStringLiteral("a")}});
        wire(m, pass, QStringLiteral("a"), QStringLiteral("n1"));
        wire(m, outs[2], QStringLiteral("a"), QStringLiteral("none"));
        setColumns({{d1, d2}, {pass}, outs});
        m->orderColumns();
        // o4 (row 2) names d1 port 1 first; o3 (row 3) d2; o1 (row 5) d1
        // port 1; o0 (row 6) d1 port 0.
        QCOMPARE(names(m->orderedColumns.at(3)), QStringList({"o0", "o1", "o4", "o3", "o2", "o5"}));
        // The column's own list is sorted by row; rows stay.
        QCOMPARE(names(m->columnGates.at(3)), QStringList({"o5", "o4", "o3", "o2", "o1", "o0"}));
        QCOMPARE(outs[0]->row, 6);
    }

    void unloadedInputsAppended()
    {
        Gate *s = sink(QStringLiteral("s"), 1, 1);
        Gate *a = source(QStringLiteral("a"));
        Gate *b = source(QStringLiteral("b"));
        Gate *c = source(QStringLiteral("c"));
        feeds(b, {{s, QStringLiteral("i0")}});
        a->row = 7;
        c->row = 9;
        setColumns({{a, b, c}, {s}});
        m->orderColumns();
        QCOMPARE(names(m->orderedColumns.at(1)), QStringList({"b", "c", "a"}));
        QCOMPARE(b->row, 1);
        QCOMPARE(a->row, 7);
        QCOMPARE(c->row, 9);
    }

    void singleColumn()
    {
        Gate *a = source(QStringLiteral("a"));
        Gate *b = source(QStringLiteral("b"));
        a->row = 2;
        b->row = 1;
        setColumns({{a, b}});
        m->orderColumns();
        QCOMPARE(names(m->orderedColumns.at(1)), QStringList({"a", "b"}));
        // Nothing to order at all.
        setColumns({});
        m->orderColumns();
        QCOMPARE(m->orderedColumns.size(), 1);
    }

    // The walk up a chain of marked pass-throughs, stopping at one that
    // fans out.
    void passThroughChains()
    {
        Gate *top = makeGate(m, QStringLiteral("top"), {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("y")});
        Gate *p1 = source(QStringLiteral("p1"), BaseEnum::COLPASSTHROUGH);
        Gate *p2 = source(QStringLiteral("p2"), BaseEnum::COLPASSTHROUGH);
        Gate *fan = source(QStringLiteral("fan"), BaseEnum::COLPASSTHROUGH);
        Gate *root = source(QStringLiteral("root"));
        Gate *other = source(QStringLiteral("other"));
        feeds(root, {{p2, QStringLiteral("a")}});
        feeds(p2, {{p1, QStringLiteral("a")}});
        feeds(p1, {{top, QStringLiteral("a")}});
        // fan's input net has two loads: it is passed over.
        feeds(fan, {{top, QStringLiteral("b")}});
        feeds(other, {{fan, QStringLiteral("a")}, {root, QStringLiteral("a")}});
        setColumns({{other}, {root}, {p2}, {p1, fan}, {top}});
        m->orderedColumns = QVector<QList<Gate *>>(6);
        const int a = 2;
        const int b = 5;
        for (Gate *g : {top, p1, p2, fan, root})
            g->marks = (1 << a) | (1 << b) | 1;
        m->collectPassThroughChain(top, a, b);
        QCOMPARE(names(m->orderedColumns.at(5)), QStringList("top"));
        QCOMPARE(names(m->orderedColumns.at(4)), QStringList("p1"));
        QCOMPARE(names(m->orderedColumns.at(3)), QStringList("p2"));
        QVERIFY(m->orderedColumns.at(2).isEmpty());
        QCOMPARE(root->marks, 1);
        QCOMPARE(p2->marks, 1);
        QCOMPARE(fan->marks, (1 << a) | (1 << b) | 1);
    }

    // The step inside a whole run: every column gets an ordered list with
    // every gate once.
    void everyGateOnce()
    {
        input(m, QStringLiteral("i"));
        cell(m, QStringLiteral("g"), QStringLiteral("i"), QStringLiteral("x"));
        cell(m, QStringLiteral("h"), QStringLiteral("x"), QStringLiteral("o"));
        cell(m, QStringLiteral("k"), QStringLiteral("i"), QStringLiteral("o2"));
        output(m, QStringLiteral("o"));
        output(m, QStringLiteral("o2"));
        runFront(m, 6);
        m->orderColumns();
        QCOMPARE(m->orderedColumns.size(), m->lastColumn + 1);
        for (int c = 1; c <= m->lastColumn; ++c) {
            QList<Gate *> ordered = m->orderedColumns.at(c);
            QList<Gate *> listed = m->columnGates.at(c);
            std::sort(ordered.begin(), ordered.end());
            std::sort(listed.begin(), listed.end());
            QCOMPARE(ordered, listed);
        }
    }
};

QTEST_MAIN(TestColumnOrder)

#include "tst_columnorder.moc"
