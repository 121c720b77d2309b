#include "graphengine/layout/marktable.h"
#include "layoutfixture.h"

#include "graphengine/logging.h"
#include "graphengine/model/marks.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace GraphEngine;
using namespace LayoutFixture;

// The Y placement of gates, the output ports' placement, the shrinking of
// empty bands and the alignment of the module ports: step by step on columns
// set up by hand, and as a whole on built and generated netlists.
class TestGatePlacement : public LayoutFixture::LayoutTestCase
{
    Q_OBJECT


    // Columns 1..lists.size(), each in the order given.
    void setColumns(const QList<QList<Gate *>> &lists) { LayoutFixture::setColumns(m, lists, true); }

    Gate *gate(const QString &name, int inputs = 1, int outputs = 1, int kind = BaseEnum::AND, double h = 4.0)
    {
        return pinnedGate(m, name, inputs, outputs, kind, h);
    }

    // The net runs from the first gate's y0 into the second's i0.
    void link(Gate *from, Gate *to, const QString &net)
    {
        wire(m, from, QStringLiteral("y0"), net);
        wire(m, to, QStringLiteral("i0"), net);
    }

    static void shape(Gate *g, double h)
    {
        g->rect = QRectF(0, 0, 6, h);
        g->shapeBuilt = 1;
    }

    static double pinY(const Gate *g, const QString &port)
    {
        return g->y + g->findPortByName(port)->tip.y();
    }

    // Empty when every Y is finite and no two gates of an inner column
    // overlap, judged from their rectangles in the scene.
    static QString badPlacement(const Module *module)
    {
        QMap<int, QList<const Gate *>> columns;
        for (const Gate *g : module->gates->elements()) {
            if (!std::isfinite(g->y))
                return QStringLiteral("%1 at %2").arg(g->name.text()).arg(g->y);
            if (g->kind != BaseEnum::COLPASSTHROUGH && g->column >= 2 && g->column < module->lastColumn)
                columns[g->column].append(g);
        }
        for (QList<const Gate *> column : qAsConst(columns)) {
            std::sort(column.begin(), column.end(), [](const Gate *a, const Gate *b) { return a->y < b->y; });
            for (int i = 1; i < column.size(); ++i) {
                const QRectF above = column.at(i - 1)->rect.translated(0, column.at(i - 1)->y);
                const QRectF below = column.at(i)->rect.translated(0, column.at(i)->y);
                if (above.bottom() > below.top() + 1e-9)
                    return QStringLiteral("%1 overlaps %2").arg(column.at(i - 1)->name.text(), column.at(i)->name.text());
            }
        }
        return QString();
    }

    // The driver's steps up to the port alignment, so that the columns are
    // still there to be checked (the end of a run forgets them).
    void layOut(bool packBuses)
    {
        m->gates->layoutDone = 0;
        m->edges->layoutDone = 0;
        runFront(m, 6, packBuses);
        while (m->clusterRepeatingPatterns(true)) {
        }
        m->orderColumns();
        m->computeGateYPositionFromHierarchy(10.0, packBuses, false);
        m->computeOutputPortY(10.0);
        m->shrinkVerticalSpace(10);
        m->alignInputOutputPorts();
    }

    static QMap<QString, double> ys(const Module *module)
    {
        QMap<QString, double> out;
        for (const Gate *g : module->gates->elements())
            out.insert(g->name.text(), g->y);
        return out;
    }

    // A netlist shaped like a small synthesised design: levels of logic
    // gates with fan-out across levels, a flip-flop bank, an input and an
    // output bus.
    void generate(int count, quint32 seed)
    {
        QRandomGenerator random(seed);
        QList<QList<QString>> levels{{}};
        for (int i = 0; i < 6; ++i) {
            const QString name = QStringLiteral("in[%1]").arg(i);
            input(m, name);
            levels[0] << name;
        }
        constexpr int Levels = 8;
        for (int l = 1; l <= Levels; ++l)
            levels << QList<QString>();
        const int kinds[] = {BaseEnum::AND, BaseEnum::OR, BaseEnum::XOR, BaseEnum::BUFFER, BaseEnum::INVERTER};
        for (int i = 0; i < count; ++i) {
            const int level = 1 + i % Levels;
            const int kind = kinds[random.bounded(5)];
            const int fanIn = kind == BaseEnum::BUFFER || kind == BaseEnum::INVERTER ? 1 : 2 + random.bounded(2);
            QStringList names;
            for (int k = 0; k < fanIn; ++k)
                names << QStringLiteral("i%1").arg(k);
            Gate *g = makeGate(m, QStringLiteral("g%1").arg(i), names, {QStringLiteral("y")}, kind);
            for (int k = 0; k < fanIn; ++k) {
                int from = random.bounded(10) < 7 ? level - 1 : random.bounded(level);
                while (levels.at(from).isEmpty())
                    --from;
                wire(m, g, names.at(k), levels.at(from).at(random.bounded(levels.at(from).size())));
            }
            const QString out = QStringLiteral("n%1").arg(i);
            wire(m, g, QStringLiteral("y"), out);
            levels[level] << out;
        }
        for (int i = 0; i < 4; ++i) {
            const QString name = QStringLiteral("out[%1]").arg(i);
            Gate *o = output(m, name);
            Q_UNUSED(o)
            Gate *b = makeGate(m, QStringLiteral("ob%1").arg(i), {QStringLiteral("a")}, {QStringLiteral("y")},
                               BaseEnum::BUFFER);
            wire(m, b, QStringLiteral("a"), levels.at(Levels).at(random.bounded(levels.at(Levels).size())));
            wire(m, b, QStringLiteral("y"), name);
        }
    }

private slots:

    // Gate Y placement -----------------------------------------------------

    void chainIsStraight()
    {
        Gate *in = gate(QStringLiteral("in"), 0, 1);
        Gate *b = gate(QStringLiteral("b"), 1, 1, BaseEnum::BUFFER);
        Gate *out = gate(QStringLiteral("out"), 1, 0, BaseEnum::OUTPUTPORT);
        link(in, b, QStringLiteral("n1"));
        link(b, out, QStringLiteral("n2"));
        setColumns({{in}, {b}, {out}});
        LogCapture log;
        traceEnabled = true;
        m->computeGateYPositionFromHierarchy(10.0, true, false);
        QVERIFY(!traceEnabled);
        // The root of the last column starts at 0; its drivers line up.
        QCOMPARE(out->y, 0.0);
        QCOMPARE(pinY(b, QStringLiteral("y0")), pinY(out, QStringLiteral("i0")));
        QCOMPARE(pinY(in, QStringLiteral("y0")), pinY(b, QStringLiteral("i0")));
        QCOMPARE(b->link, reinterpret_cast<quintptr>(out));
        QCOMPARE(in->link, reinterpret_cast<quintptr>(b));
        QCOMPARE(m->columnBottomGate.at(2), b);
        QCOMPARE(m->columnBottomY.at(2), b->y);
        QCOMPARE(m->columnInputYs.at(2), (QVector<double>{pinY(b, QStringLiteral("i0"))}));
        QVERIFY(m->columnInputYs.at(3).isEmpty());
        const QStringList lines = log.texts(QtWarningMsg);
        QCOMPARE(lines.first(), QStringLiteral(" START Gate Y-positionning :  Initial positionning"));
        QVERIFY(lines.contains(QStringLiteral("Start at: out")));
        QVERIFY(lines.contains(QStringLiteral("Align out : 0 (in space = 1)")));
        QVERIFY(lines.contains(QStringLiteral("Set Positionned: in")));
        // Both marks are given back: all eight can be had again.
        QList<int> colours;
        for (int i = 0; i < 8; ++i)
            colours << allocateColor();
        for (int colour : colours)
            releaseColor(colour);
        QVERIFY(!colours.contains(-1));
    }

    // A buffer that is the first driver of two outputs waits for both.
    void holdCountDelaysExploration()
    {
        Gate *in = gate(QStringLiteral("in"), 0, 1);
        Gate *buf = gate(QStringLiteral("buf"), 1, 2, BaseEnum::BUFFER);
        Gate *o1 = gate(QStringLiteral("o1"), 1, 0, BaseEnum::OUTPUTPORT);
        Gate *o2 = gate(QStringLiteral("o2"), 1, 0, BaseEnum::OUTPUTPORT);
        link(in, buf, QStringLiteral("n1"));
        link(buf, o1, QStringLiteral("n2"));
        wire(m, buf, QStringLiteral("y1"), QStringLiteral("n3"));
        wire(m, o2, QStringLiteral("i0"), QStringLiteral("n3"));
        setColumns({{in}, {buf}, {o1, o2}});
        LogCapture log;
        traceEnabled = true;
        m->computeGateYPositionFromHierarchy(10.0, true, false);
        const QStringList lines = log.texts(QtWarningMsg);
        // Placed from o1 with one output still to come: not explored.
        QVERIFY(lines.contains(QStringLiteral("stop recursion at buf due to 1")));
        QVERIFY(lines.indexOf(QStringLiteral("Set Positionned: in")) > lines.indexOf(QStringLiteral("Start at: o2")));
        QCOMPARE(buf->holdCount, 0);
        QCOMPARE(pinY(buf, QStringLiteral("y0")), pinY(o1, QStringLiteral("i0")));
        QCOMPARE(pinY(in, QStringLiteral("y0")), pinY(buf, QStringLiteral("i0")));
    }

    // A net is followed to its driver once visited from more than half of
    // its loads: at once for one load, on the second visit for three.
    void netFollowedByMajority()
    {
        for (int loads : {1, 3}) {
            init();
            Gate *d = gate(QStringLiteral("d"), 0, 1);
            QList<Gate *> middle, outs;
            for (int i = 0; i < loads; ++i) {
                middle << gate(QStringLiteral("x%1").arg(i), 1, 1, BaseEnum::AND);
                outs << gate(QStringLiteral("o%1").arg(i), 1, 0, BaseEnum::OUTPUTPORT);
                wire(m, middle.last(), QStringLiteral("i0"), QStringLiteral("dn"));
                link(middle.last(), outs.last(), QStringLiteral("m%1").arg(i));
            }
            wire(m, d, QStringLiteral("y0"), QStringLiteral("dn"));
            setColumns({{d}, middle, outs});
            m->computeGateYPositionFromHierarchy(10.0, true, false);
            // d is aligned to the load that reached it.
            QCOMPARE(d->link, reinterpret_cast<quintptr>(middle.at(loads == 1 ? 0 : 1)));
            QCOMPARE(pinY(d, QStringLiteral("y0")), pinY(middle.at(loads == 1 ? 0 : 1), QStringLiteral("i0")));
            QCOMPARE(d->ports.first()->net->loadTop, double(loads));
            QVERIFY(badPlacement(m).isEmpty());
            cleanup();
        }
    }

    // A gate that must move down under its column's lowest gate takes the
    // chain it is aligned to along, so that its wires stay straight.
    void overlapMovesTheChain()
    {
        Gate *a = gate(QStringLiteral("a"), 0, 1);
        Gate *a2 = gate(QStringLiteral("a2"), 1, 1);
        Gate *o1 = gate(QStringLiteral("o1"), 1, 0, BaseEnum::OUTPUTPORT);
        Gate *b = gate(QStringLiteral("b"), 0, 1);
        Gate *x = gate(QStringLiteral("x"), 1, 1);
        Gate *o2 = gate(QStringLiteral("o2"), 1, 0, BaseEnum::OUTPUTPORT);
        link(a, a2, QStringLiteral("na"));
        link(a2, o1, QStringLiteral("na2"));
        link(b, x, QStringLiteral("nb"));
        link(x, o2, QStringLiteral("nx"));
        setColumns({{}, {a, b}, {a2, x}, {o1, o2}});
        LogCapture log;
        traceEnabled = true;
        m->computeGateYPositionFromHierarchy(10.0, false, false);
        QVERIFY(log.texts(QtWarningMsg).contains(QStringLiteral("Move Down by 16")));
        QCOMPARE(a2->y, -1.0);
        QCOMPARE(x->y, a2->y + 6.0 + 10.0);
        QCOMPARE(o2->y, 16.0);
        QCOMPARE(pinY(x, QStringLiteral("y0")), pinY(o2, QStringLiteral("i0")));
        QCOMPARE(pinY(b, QStringLiteral("y0")), pinY(x, QStringLiteral("i0")));
        QCOMPARE(pinY(a, QStringLiteral("y0")), pinY(a2, QStringLiteral("i0")));
        QCOMPARE(m->columnBottomGate.at(3), x);
        QCOMPARE(m->columnBottomY.at(3), x->y);
        // The lists hold the current port Ys of the gates of each column.
        QCOMPARE(m->columnOutputYs.at(2), (QVector<double>{pinY(a, "y0"), pinY(b, "y0")}));
        QCOMPARE(m->columnInputYs.at(3), (QVector<double>{pinY(a2, "i0"), pinY(x, "i0")}));
        QCOMPARE(m->columnOutputYs.at(3), (QVector<double>{pinY(a2, "y0"), pinY(x, "y0")}));
        QVERIFY(badPlacement(m).isEmpty());
    }

    // A large move that would stop at a chain member standing at its
    // column's bottom is refused; the gate then goes under the column's
    // lowest gate instead of staying on top of it.
    void refusedMoveStillClears()
    {
        Gate *l = gate(QStringLiteral("l"), 0, 1, BaseEnum::AND, 20.0);
        Gate *f1 = gate(QStringLiteral("f1"));
        Gate *o1 = gate(QStringLiteral("o1"), 1, 0, BaseEnum::OUTPUTPORT);
        Gate *g = gate(QStringLiteral("g"), 0, 1);
        Gate *f2 = gate(QStringLiteral("f2"));
        link(l, f1, QStringLiteral("a"));
        link(f1, o1, QStringLiteral("b"));
        link(g, f2, QStringLiteral("c"));
        // f2 is a root at -1 + 6 + 0.1; g's pin puts it level with l, the
        // bottom of its column, 22.1 (over 100 spacings) above its place.
        g->findPortByName(QStringLiteral("y0"))->tip = QPointF(6, 8.1);
        setColumns({{}, {l, g}, {f1, f2}, {o1}});
        LogCapture log;
        traceEnabled = true;
        m->computeGateYPositionFromHierarchy(0.1, false, false);
        QCOMPARE(l->y, -2.0);
        QCOMPARE(f2->y, 5.1);
        QVERIFY(log.texts(QtWarningMsg).contains(QStringLiteral("Move Down by 22.1")));
        QCOMPARE(g->y, l->y + 22.1);
        QCOMPARE(m->columnBottomGate.at(2), g);
        QCOMPARE(m->columnBottomY.at(2), g->y);
        QVERIFY(badPlacement(m).isEmpty());
    }

    // With bus packing, a pass-through of the next bit of a bus goes right
    // under the previous bit's (2 apart, their extent). Reached from a load
    // above that place, it is moved by the difference, and 1.1 + (5.2 - 1.1)
    // falls just short of 5.2: it must still land at 5.2, not a last bit
    // inside the bit above, where the collision check would report it.
    void packedBitMovedUnderThePreviousBit()
    {
        Gate *bit0 = gate(QStringLiteral("d[0]"), 1, 1, BaseEnum::COLPASSTHROUGH, 0.0);
        Gate *bit1 = gate(QStringLiteral("d[1]"), 1, 1, BaseEnum::COLPASSTHROUGH, 0.0);
        for (Gate *g : {bit0, bit1}) {
            for (GatePort *p : g->ports.list())
                p->tip = QPointF(0, 0);
        }
        Gate *load = gate(QStringLiteral("load"));
        link(bit1, load, QStringLiteral("d1"));
        setColumns({{}, {bit0, bit1}, {load}, {}});
        const int n = m->lastColumn;
        m->columnBottomY = QVector<double>(n + 1, -1e300);
        m->columnBottomGate = QVector<Gate *>(n + 1, nullptr);
        m->columnInputYs = QVector<QVector<double>>(n + 1);
        m->columnOutputYs = QVector<QVector<double>>(n + 1);
        QVERIFY(bit1->samePassThroughNet(bit0));
        bit0->y = 3.2;
        m->columnBottomY[2] = 3.2;
        m->columnBottomGate[2] = bit0;
        // The load's input pin (at 1) puts bit 1 at 1.1.
        load->y = 0.1;
        m->columnBottomY[3] = 0.1;
        m->columnBottomGate[3] = load;
        const int positioned = 2;
        const int explored = 3;
        load->marks |= 1 << positioned | 1 << explored;
        LogCapture log;
        m->positionGateRecursive(bit1->findPortByName(QStringLiteral("y0")), load->findPortByName(QStringLiteral("i0")),
                                 true, positioned, explored, 10.0, true, false);
        QVERIFY2(bit1->y >= bit0->y + 2.0, qPrintable(QString::number(bit1->y, 'g', 17)));
        // The load moved with it, its pin level with bit 1's.
        QCOMPARE(pinY(load, QStringLiteral("i0")), bit1->y);
        QCOMPARE(m->columnBottomGate.at(2), bit1);
        QVERIFY(m->checkCollisions(-1));
        QCOMPARE(criticals(log), QStringList());
    }

    // Nothing is placed at the empty start value: a port-less gate and a
    // root whose loads are not placed start an empty column at 0.
    void emptyColumnsStartAtZero()
    {
        Gate *lonely = makeGate(m, QStringLiteral("lonely"), {}, {}, BaseEnum::AND);
        shape(lonely, 4.0);
        Gate *second = makeGate(m, QStringLiteral("second"), {}, {}, BaseEnum::AND);
        shape(second, 4.0);
        Gate *root = gate(QStringLiteral("root"), 0, 1);
        Gate *sink = gate(QStringLiteral("sink"), 1, 0);
        link(root, sink, QStringLiteral("n"));
        Gate *idle = gate(QStringLiteral("idle"), 0, 1);
        // A root first in its column, its load not placed yet.
        Gate *first = gate(QStringLiteral("first"), 0, 1);
        Gate *sink2 = gate(QStringLiteral("sink2"), 1, 0);
        link(first, sink2, QStringLiteral("n2"));
        // The sinks sit in the last column, after the roots, unplaced.
        setColumns({{idle}, {lonely, second, root}, {first}, {}, {}});
        m->columnGates[5] << sink << sink2;
        sink->column = sink2->column = 5;
        m->computeGateYPositionFromHierarchy(10.0, false, false);
        QVERIFY(std::isfinite(first->y));
        QVERIFY(first->y >= 0.0);
        QVERIFY(first->y < 20.0);
        QCOMPARE(lonely->y, 0.0);
        QCOMPARE(second->y, 16.0);
        QVERIFY(std::isfinite(root->y));
        QVERIFY(root->y >= 32.0);
        QCOMPARE(idle->y, 0.0);
        QVERIFY(badPlacement(m).isEmpty());
    }

    void alignToPositionedLoadsCases()
    {
        Gate *g = gate(QStringLiteral("g"), 0, 2);
        Gate *l1 = gate(QStringLiteral("l1"), 2, 0);
        Gate *l2 = gate(QStringLiteral("l2"), 1, 0);
        wire(m, g, QStringLiteral("y1"), QStringLiteral("n"));
        wire(m, l1, QStringLiteral("i1"), QStringLiteral("n"));
        wire(m, l2, QStringLiteral("i0"), QStringLiteral("n"));
        const int mark = 5;
        double y = 0.0;
        QVERIFY(!m->alignToPositionedLoads(g, y, mark));
        QCOMPARE(y, 0.0);
        l1->y = 20.0;
        l2->y = 30.0;
        l1->marks |= 1 << mark;
        l2->marks |= 1 << mark;
        // Candidates: 20 + 3 - 4 = 19, 30 + 1 - 4 = 27: the smallest above y.
        QVERIFY(m->alignToPositionedLoads(g, y, mark));
        QCOMPARE(y, 19.0);
        y = 19.0;
        QVERIFY(m->alignToPositionedLoads(g, y, mark));
        QCOMPARE(y, 27.0);
        // No loads at all: the start value becomes 0.
        Gate *alone = gate(QStringLiteral("alone"), 0, 1);
        double start = -1e300;
        QVERIFY(!m->alignToPositionedLoads(alone, start, mark));
        QCOMPARE(start, 0.0);
    }

    void placeFromDriversCases()
    {
        Gate *d = gate(QStringLiteral("d"), 0, 2);
        Gate *e = gate(QStringLiteral("e"), 0, 1);
        Gate *g = gate(QStringLiteral("g"), 2, 0, BaseEnum::OUTPUTPORT);
        d->y = 10.0;
        e->y = 4.0;
        wire(m, d, QStringLiteral("y1"), QStringLiteral("n"));
        wire(m, e, QStringLiteral("y0"), QStringLiteral("n"));
        wire(m, g, QStringLiteral("i1"), QStringLiteral("n"));
        // Candidates d: 10 + 4 - 3 = 11, e: 4 + 2 - 3 = 3; the smaller wins.
        double y = 0.0;
        QVERIFY(m->placeFromDrivers(g, y, 0, false));
        QCOMPARE(y, 3.0);
        QCOMPARE(g->link, reinterpret_cast<quintptr>(e) | 1);
        // Only marked drivers below y count with onlyPositionedBelow.
        const int mark = 6;
        d->marks |= 1 << mark;
        y = 5.0;
        QVERIFY(m->placeFromDrivers(g, y, mark, true));
        QCOMPARE(y, 11.0);
        y = 12.0;
        QVERIFY(!m->placeFromDrivers(g, y, mark, true));
        QCOMPARE(y, 12.0);

        // Through a pass-through whose input net has one load: the driver
        // behind it gives the place, the link names the gate behind.
        Gate *src = gate(QStringLiteral("src"), 0, 1);
        Gate *pass = gate(QStringLiteral("pass"), 1, 1, BaseEnum::COLPASSTHROUGH);
        pass->findPortByName(QStringLiteral("i0"))->tip = QPointF(0, 0);
        pass->findPortByName(QStringLiteral("y0"))->tip = QPointF(0, 0);
        Gate *h = gate(QStringLiteral("h"), 1, 0, BaseEnum::OUTPUTPORT);
        src->y = 40.0;
        link(src, pass, QStringLiteral("s"));
        link(pass, h, QStringLiteral("t"));
        y = 0.0;
        QVERIFY(m->placeFromDrivers(h, y, 0, false));
        QCOMPARE(y, 40.0 + 2.0 - 0.0 - 1.0);
        QCOMPARE(h->link, reinterpret_cast<quintptr>(src) | 1);
        // An undriven gate: false, y unchanged.
        Gate *u = gate(QStringLiteral("u"), 1, 0);
        y = 7.0;
        QVERIFY(!m->placeFromDrivers(u, y, 0, false));
        QCOMPARE(y, 7.0);
    }

    // A chain of gates as long as a netlist gets: the walk through the
    // drivers needs no deep call stack.
    void longChain()
    {
        constexpr int Length = 100000;
        QList<QList<Gate *>> columns;
        Gate *in = gate(QStringLiteral("in"), 0, 1);
        columns << QList<Gate *>{in};
        Gate *previous = in;
        for (int i = 0; i < Length; ++i) {
            Gate *g = gate(QStringLiteral("b%1").arg(i), 1, 1, BaseEnum::BUFFER);
            const QString netName = QStringLiteral("n%1").arg(i);
            wire(m, previous, QStringLiteral("y0"), netName);
            wire(m, g, QStringLiteral("i0"), netName);
            columns << QList<Gate *>{g};
            previous = g;
        }
        Gate *out = gate(QStringLiteral("out"), 1, 0, BaseEnum::OUTPUTPORT);
        link(previous, out, QStringLiteral("last"));
        columns << QList<Gate *>{out};
        setColumns(columns);
        m->computeGateYPositionFromHierarchy(10.0, true, false);
        // Each buffer: input at 1, output at 2; every wire straight.
        QCOMPARE(out->y, 0.0);
        QCOMPARE(in->y, -double(Length) - 1.0);
        QVERIFY(badPlacement(m).isEmpty());
    }

    // Output ports --------------------------------------------------------

    void outputBusPitch()
    {
        Gate *d = gate(QStringLiteral("d"), 0, 3);
        d->findPortByName(QStringLiteral("y0"))->tip = QPointF(6, 10);
        d->findPortByName(QStringLiteral("y1"))->tip = QPointF(6, 13);
        d->findPortByName(QStringLiteral("y2"))->tip = QPointF(6, 14);
        QList<Gate *> outs;
        for (int i = 0; i < 3; ++i) {
            const QString name = QStringLiteral("o[%1]").arg(i);
            outs << output(m, name);
            outs.last()->ports.first()->tip = QPointF(0, 0);
            outs.last()->rect = QRectF(0, 0, 10, 1);
            outs.last()->shapeBuilt = 1;
            wire(m, d, QStringLiteral("y%1").arg(i), name);
        }
        setColumns({{d}, outs});
        LogCapture log;
        traceEnabled = true;
        m->computeOutputPortY(5.0);
        QCOMPARE(outs[0]->y, 10.0);
        QCOMPARE(outs[1]->y, 12.0);
        QCOMPARE(outs[2]->y, 14.0);
        QCOMPARE(outs[1]->row, 2);
        QVERIFY(!traceEnabled);
        const QStringList lines = log.texts(QtWarningMsg);
        // The re-run of the placement switched the trace off before the
        // bus pass.
        QVERIFY(!lines.contains(QStringLiteral("Correct Y to enforce bus-layout: 12")));
        QVERIFY(lines.contains(QStringLiteral("o[2]: Correct Output Port Y-Coordinate In case of Multi-driver: 14")));
        QVERIFY(lines.contains(QStringLiteral("Full re-computation Algorithem")));
        // The re-run placed nothing and emptied the orders.
        QCOMPARE(m->orderedColumns.size(), 3);
        QVERIFY(m->orderedColumns.at(2).isEmpty());
        QCOMPARE(m->columnBottomY.at(1), -1e300);
    }

    void unrelatedOutputsKeptApart()
    {
        Gate *d1 = gate(QStringLiteral("d1"), 0, 1);
        Gate *d2 = gate(QStringLiteral("d2"), 0, 1);
        d1->y = 8.0;
        d2->y = 9.0;
        Gate *p = output(m, QStringLiteral("p"));
        Gate *q = output(m, QStringLiteral("q"));
        for (Gate *o : {p, q}) {
            o->ports.first()->tip = QPointF(0, 0);
            o->rect = QRectF(0, 0, 10, 4);
            o->shapeBuilt = 1;
        }
        wire(m, d1, QStringLiteral("y0"), QStringLiteral("q"));
        wire(m, d2, QStringLiteral("y0"), QStringLiteral("p"));
        // Listed out of order: the column is sorted by the new Ys.
        setColumns({{d1, d2}, {p, q}});
        m->computeOutputPortY(5.0);
        QCOMPARE(q->y, 10.0);
        QCOMPARE(p->y, 16.0);
        QCOMPARE(m->columnGates.at(2), (QList<Gate *>{q, p}));
        QCOMPARE(q->row, 1);
    }

    // Shrinking -------------------------------------------------------------

    void shrinkClosesBands()
    {
        Gate *a = gate(QStringLiteral("a"));
        Gate *b = gate(QStringLiteral("b"));
        Gate *c = gate(QStringLiteral("c"));
        setColumns({{a}, {b}, {c}, {}});
        a->y = 0.0;
        b->y = 30.0;
        c->y = 38.0;
        LogCapture log;
        QVERIFY(!m->shrinkVerticalSpace(5));
        QCOMPARE(a->y, 0.0);
        QCOMPARE(b->y, 11.0);
        QCOMPARE(c->y, 19.0);
        QVERIFY(log.texts(QtWarningMsg).isEmpty());

        // The first gate moves up to the spacing; spacing 0 closes every
        // band, extents touching.
        a->y = 20.0;
        b->y = 40.0;
        c->y = 40.0;
        QVERIFY(!m->shrinkVerticalSpace(5));
        QCOMPARE(a->y, 5.0);
        QCOMPARE(b->y, 16.0);
        a->y = 20.0;
        b->y = 40.0;
        c->y = 90.0;
        m->shrinkVerticalSpace(0);
        QCOMPARE(a->y, 0.0);
        QCOMPARE(b->y, 6.0);
        QCOMPARE(c->y, 12.0);
    }

    void shrinkReportsCollisions()
    {
        Gate *upper = gate(QStringLiteral("upper"));
        Gate *lower = gate(QStringLiteral("lower"));
        Gate *pass1 = gate(QStringLiteral("pass1"), 1, 1, BaseEnum::COLPASSTHROUGH);
        Gate *pass2 = gate(QStringLiteral("pass2"), 1, 1, BaseEnum::COLPASSTHROUGH);
        Gate *in1 = gate(QStringLiteral("in1"));
        Gate *in2 = gate(QStringLiteral("in2"));
        setColumns({{in1, in2}, {upper, lower, pass1, pass2}, {}});
        // Column 1 and pass-throughs overlap freely.
        in1->y = in2->y = 0.0;
        pass1->y = pass2->y = 0.0;
        upper->y = 0.0;
        lower->y = 20.0;
        LogCapture log;
        QVERIFY(!m->shrinkVerticalSpace(5));
        upper->y = 0.0;
        lower->y = 3.0;
        traceEnabled = false;
        QVERIFY(m->shrinkVerticalSpace(5));
        QCOMPARE(log.texts(QtWarningMsg), QStringList({"Colision detected lower"}));
    }

    // Port alignment --------------------------------------------------------

    void portsShareLabelWidth()
    {
        // Without module ports nothing changes.
        Gate *g = gate(QStringLiteral("g"));
        setColumns({{}, {g}, {}});
        m->columnWidths = {0.0, 5.0, 6.0, 7.0};
        m->alignInputOutputPorts();
        QCOMPARE(m->columnWidths, (QVector<double>{0.0, 5.0, 6.0, 7.0}));

        Gate *a = input(m, QStringLiteral("a"));
        Gate *o = output(m, QStringLiteral("o"));
        Gate *wide = output(m, QStringLiteral("a_very_long_output_name"));
        for (Gate *p : {a, wide, o})
            p->buildShape(0.0);
        m->columnGates[1] << a;
        m->columnGates[3] << o << wide;
        a->column = 1;
        o->column = wide->column = 3;
        m->columnOneBus.maxLabelWidth = 20.0;
        m->lastColumnBus.maxLabelWidth = 1000.0;
        const double before = o->rect.width();
        QVERIFY(before < wide->rect.width());
        m->alignInputOutputPorts();
        // The output side takes the widest label: both bodies line up.
        QVERIFY(o->rect.width() > before);
        QCOMPARE(o->rect.width(), wide->rect.width());
        QCOMPARE(m->columnWidths.at(1), std::max(5.0, a->rect.width() + 2.0));
        QCOMPARE(m->columnWidths.at(3), o->rect.width() + 2.0);
        QCOMPARE(m->columnWidths.at(2), 6.0);
    }

    // Whole layouts ---------------------------------------------------------

    void builtNetlistLaidOut()
    {
        Gate *in = input(m, QStringLiteral("in"));
        Gate *b1 = cell(m, QStringLiteral("b1"), QStringLiteral("in"), QStringLiteral("n1"));
        Gate *b2 = cell(m, QStringLiteral("b2"), QStringLiteral("n1"), QStringLiteral("n2"));
        Gate *x = gate2(m, QStringLiteral("x"), QStringLiteral("n2"), QStringLiteral("in"), QStringLiteral("out"));
        Gate *out = output(m, QStringLiteral("out"));
        layOut(true);
        QCOMPARE(badPlacement(m), QString());
        QVERIFY(m->lastColumn >= 4);
        // Single nets from one driver: the chain runs straight.
        QCOMPARE(b1->y + b1->findPortByName("y")->tip.y(), b2->y + b2->findPortByName("a")->tip.y());
        QCOMPARE(b2->y + b2->findPortByName("y")->tip.y(), x->y + x->findPortByName("a")->tip.y());
        QCOMPARE(x->y + x->findPortByName("y")->tip.y(), out->y + out->ports.first()->tip.y());
        Q_UNUSED(in)
        m->computeLayout(10.0, true, false);
        const QMap<QString, double> first = ys(m);
        m->computeLayout(10.0, true, false);
        QCOMPARE(ys(m), first);
    }

    void generatedNetlistsLaidOut_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("packBuses");
        QTest::newRow("60 gates") << 60 << 1u << true;
        QTest::newRow("300 gates") << 300 << 2u << true;
        QTest::newRow("300 gates, no bus packing") << 300 << 3u << false;
        QTest::newRow("800 gates") << 800 << 4u << true;
    }
    void generatedNetlistsLaidOut()
    {
        QFETCH(int, count);
        QFETCH(quint32, seed);
        QFETCH(bool, packBuses);
        generate(count, seed);
        LogCapture log;
        layOut(packBuses);
        QCOMPARE(badPlacement(m), QString());
        const QStringList warnings = log.texts(QtWarningMsg);
        QVERIFY2(!warnings.join(QLatin1Char('\n')).contains(QStringLiteral("Colision detected")),
                 qPrintable(warnings.join(QLatin1Char('\n'))));
        // The same netlist built again lays out the same.
        ModuleMap again;
        Module *first = m;
        m = Module::findOrCreateModule(again, QStringLiteral("top"), nullptr);
        generate(count, seed);
        layOut(packBuses);
        QCOMPARE(ys(m), ys(first));
        // Whole runs of the driver on two more copies agree as well.
        QMap<QString, double> driven[2];
        for (QMap<QString, double> &result : driven) {
            ModuleMap copy;
            m = Module::findOrCreateModule(copy, QStringLiteral("top"), nullptr);
            generate(count, seed);
            m->computeLayout(10.0, packBuses, false);
            result = ys(m);
            deleteModules(copy);
        }
        QCOMPARE(driven[1], driven[0]);
        deleteModules(again);
        m = first;
    }
};

QTEST_MAIN(TestGatePlacement)
#include "tst_gateplacement.moc"
