#include "common/testenvironment.h"
#include "graphengine/layout/marktable.h"
#include "graphengine/logging.h"
#include "layoutfixture.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

using namespace GraphEngine;
using namespace LayoutFixture;

#define VERIFY_CONSISTENT(module) QCOMPARE(brokenInvariant(module), QString())

// The layout driver: its steps in order, their reports, the trace switch,
// the collision check. Built three times: plain, with "-nocluster" among the
// application's arguments, and with "-NOCLUSTER" (which does not count).
class TestLayoutDriver : public QObject
{
    Q_OBJECT

    ModuleMap m_modules;
    Module *m = nullptr;
    QDateTime m_now;

    static bool clusteringOff() { return QCoreApplication::arguments().contains(QStringLiteral("-nocluster")); }

    // i -> g -> o, plus a loop through a flip-flop and an undriven load.
    void buildSample()
    {
        input(m, QStringLiteral("i"));
        cell(m, QStringLiteral("g"), QStringLiteral("i"), QStringLiteral("x"), BaseEnum::AND);
        Gate *f = makeGate(m, QStringLiteral("f"), {QStringLiteral("d")}, {QStringLiteral("q")}, BaseEnum::FLOP);
        wire(m, f, QStringLiteral("d"), QStringLiteral("x"));
        wire(m, f, QStringLiteral("q"), QStringLiteral("q"));
        cell(m, QStringLiteral("h"), QStringLiteral("q"), QStringLiteral("x2"));
        Gate *k = makeGate(m, QStringLiteral("k"), {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("y")});
        wire(m, k, QStringLiteral("a"), QStringLiteral("x2"));
        wire(m, k, QStringLiteral("b"), QStringLiteral("floating"));
        wire(m, k, QStringLiteral("y"), QStringLiteral("o"));
        output(m, QStringLiteral("o"));
        // h feeds the flip-flop again: the loop.
        Gate *back = makeGate(m, QStringLiteral("back"), {QStringLiteral("a")}, {QStringLiteral("y")});
        wire(m, back, QStringLiteral("a"), QStringLiteral("x2"));
        wire(m, back, QStringLiteral("y"), QStringLiteral("x"));
    }

private slots:
    void init()
    {
        m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr);
        traceEnabled = false;
    }
    void cleanup()
    {
        Internal::setClockForTesting(nullptr);
        deleteModules(m_modules);
        traceEnabled = false;
    }

    void reportsEveryStepInOrder()
    {
        buildSample();
        // Every step "takes" 1.5 s, so each report writes its time line.
        m_now = QDateTime::currentDateTime();
        Internal::setClockForTesting([this] {
            m_now = m_now.addMSecs(1500);
            return m_now;
        });
        QSignalSpy progress(m, &Module::renderingProgressing);
        LogCapture log;
        m->computeLayout(10.0, true, true);
        QStringList steps = {"Reset", "Solve InOut", "Add Fake Input", "Remove Loopback", "Order Topologically",
                             "Create Column", "Search Repeating Patterns", "Order Column", "Compute Y-Coordinate",
                             "Compute Y-Coordinate for output ports", "Shrink Vertical Space",
                             "Input/Output ports Alignemnt", "Compute Edge boundary", "Compute Edge Vertical segments",
                             "Compute X-coordinate", "Draw Edges", "Simplify Graph"};
        if (clusteringOff())
            steps.removeAll(QStringLiteral("Search Repeating Patterns"));
        QStringList expected;
        for (const QString &step : qAsConst(steps))
            expected << QStringLiteral("top: %1: Time measure is 1.5 s").arg(step);
        QCOMPARE(log.texts(QtWarningMsg), expected);
        QCOMPARE(progress.count(), 1 + steps.size());
        QCOMPARE(progress.count(), clusteringOff() ? 17 : 18);
    }

    void leavesAConsistentModule()
    {
        buildSample();
        const int gatesBefore = m->gates->count();
        m->computeLayout(10.0, true, true);
        // The layout's own gates are gone again; the open input made for the
        // undriven net stays.
        QVERIFY(gatesOfKind(m, BaseEnum::COLPASSTHROUGH).isEmpty());
        QVERIFY(gatesOfKind(m, BaseEnum::LOOPBACKOPENINPUT).isEmpty());
        QVERIFY(gatesOfKind(m, BaseEnum::LOOPBACKOPENOUTPUT).isEmpty());
        QCOMPARE(m->gates->count(), gatesBefore + 1);
        QVERIFY(gateNamed(m, QStringLiteral("OI_floating")));
        QCOMPARE(driversOf(gateNamed(m, QStringLiteral("h")), QStringLiteral("a")), QStringList("f.q"));
        QCOMPARE(driversOf(gateNamed(m, QStringLiteral("f")), QStringLiteral("d")), QStringList({"g.y", "back.y"}));
        QCOMPARE(m->edges->layoutDone, quint8(1));
        QCOMPARE(m->gates->layoutDone, quint8(1));
        QVERIFY(m->edges->list().empty());
        VERIFY_CONSISTENT(m);
        // A second run starts from the same netlist and ends the same way.
        m->computeLayout(10.0, true, true);
        QCOMPARE(m->gates->count(), gatesBefore + 1);
        VERIFY_CONSISTENT(m);
    }

    void keepsTheTraceSwitch_data()
    {
        QTest::addColumn<bool>("tracing");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void keepsTheTraceSwitch()
    {
        QFETCH(bool, tracing);
        buildSample();
        traceEnabled = tracing;
        LogCapture log;
        m->computeLayout(-5.0, false, false);
        QCOMPARE(traceEnabled, tracing);
        // The in/out solving switches the trace off for the rest of the run:
        // the walks of the later steps write nothing.
        QVERIFY(log.texts(QtWarningMsg).filter(QStringLiteral("Navigating")).isEmpty());
        QVERIFY(log.texts(QtWarningMsg).filter(QStringLiteral("Pass 2")).isEmpty());
    }

    void collisionsInAnInnerColumn()
    {
        Gate *a = makeGate(m, QStringLiteral("a"), {}, {});
        Gate *b = makeGate(m, QStringLiteral("b"), {}, {});
        Gate *edge = makeGate(m, QStringLiteral("edge"), {}, {});
        m->lastColumn = 3;
        for (Gate *g : {a, b})
            g->rect = QRectF(0, 0, 20, 10);
        a->column = b->column = 2;
        // Outer columns are never tested.
        edge->column = 3;
        edge->rect = QRectF(0, 0, 20, 100);
        a->y = 0;
        b->y = 10;
        LogCapture log;
        QVERIFY(!m->checkCollisions(-1));
        QCOMPARE(criticals(log), QStringList("Colision detected 2: b"));
        b->y = 12;
        QVERIFY(m->checkCollisions(-1));
        // Only the marked gates, with a colour.
        b->y = 10;
        a->marks = 1 << 3;
        QVERIFY(m->checkCollisions(3));
        // The recorded bottom of the column must match its bottom gate.
        b->y = 12;
        m->columnBottomGate = QVector<Gate *>({nullptr, nullptr, b, nullptr});
        m->columnBottomY = QVector<double>({0, 0, 12, 0});
        QVERIFY(m->checkCollisions(-1));
        m->columnBottomY[2] = 11;
        QVERIFY(!m->checkCollisions(-1));
        m->columnBottomY[2] = std::nan("");
        QVERIFY(!m->checkCollisions(-1));
        QCOMPARE(criticals(log).size(), 1);
    }

    // The driver checks the placement twice where a check can fail: after
    // the Y steps and, pass-throughs included, after Draw Edges. A gate put
    // on top of another once the Y steps are done is reported by both.
    void checksThePlacementTwice()
    {
        input(m, QStringLiteral("i"));
        Gate *g1 = cell(m, QStringLiteral("g1"), QStringLiteral("i"), QStringLiteral("x1"));
        Gate *g2 = cell(m, QStringLiteral("g2"), QStringLiteral("i"), QStringLiteral("x2"));
        gate2(m, QStringLiteral("k"), QStringLiteral("x1"), QStringLiteral("x2"), QStringLiteral("o"));
        output(m, QStringLiteral("o"));
        int reports = 0;
        // The first report only starts the clock; "Compute Y-Coordinate for
        // output ports" is the tenth step (the ninth without clustering).
        const int afterPlacement = clusteringOff() ? 9 : 10;
        connect(m, &Module::renderingProgressing, this, [&] {
            if (reports++ == afterPlacement)
                g2->y = g1->y;
        });
        LogCapture log;
        m->computeLayout(10.0, true, false);
        QCOMPARE(g1->column, 0);
        const QStringList found = criticals(log);
        QCOMPARE(found.size(), 2);
        QVERIFY(found.at(0).startsWith(QStringLiteral("Colision detected 2: g")));
        QCOMPARE(found.at(1), found.at(0));
        // Left alone, the same netlist lays out without a report.
        m->disconnect(this);
        LogCapture again;
        m->computeLayout(10.0, true, false);
        QCOMPARE(criticals(again), QStringList());
    }

    void flagsOnEveryGateAndNet()
    {
        Gate *a = cell(m, QStringLiteral("a"), QStringLiteral("n1"), QStringLiteral("n2"));
        m->setFlagOnAll(5, true);
        QVERIFY(a->marks & (1 << 5));
        QVERIFY(net(m, QStringLiteral("n1"))->marks & (1 << 5));
        m->setFlagOnAll(5, false);
        QCOMPARE(a->marks, 0);
        QCOMPARE(net(m, QStringLiteral("n2"))->marks, 0);
    }

    // Eight flip-flops on q[0..7] with one clock, each fed by an
    // inverter on plain nets: one cluster instance for the flip-flops, and,
    // on the driver's second pass, one for the inverters, unless the
    // application runs with -nocluster.
    void foldsARegisterBank()
    {
        Gate *clock = input(m, QStringLiteral("clk"));
        Q_UNUSED(clock);
        for (int i = 0; i < 8; ++i) {
            const QString q = QStringLiteral("q[%1]").arg(i);
            output(m, q);
            auto *flop = new Gate(BaseEnum::D | BaseEnum::CLK | BaseEnum::Q, QBrush());
            flop->nameInstance(Name(QStringLiteral("r%1").arg(i)));
            QVERIFY(m->registerInstance(flop, true));
            Gate *inverter = new Gate(BaseEnum::INVERTER, 1, QBrush());
            inverter->nameInstance(Name(QStringLiteral("n%1").arg(i)));
            QVERIFY(m->registerInstance(inverter, true));
            wire(m, inverter, QStringLiteral("A"), QStringLiteral("a%1").arg(i));
            input(m, QStringLiteral("a%1").arg(i));
            wire(m, inverter, QStringLiteral("Out"), QStringLiteral("w%1").arg(i));
            wire(m, flop, QStringLiteral("D"), QStringLiteral("w%1").arg(i));
            wire(m, flop, QStringLiteral("CLK"), QStringLiteral("clk"));
            wire(m, flop, QStringLiteral("Q"), q);
        }
        const int before = m->gates->count();
        m->computeLayout(10.0, true, true);
        const QList<Gate *> clusters = gatesOfKind(m, BaseEnum::FLOP | BaseEnum::ClusterFlag)
            + gatesOfKind(m, BaseEnum::INVERTER | BaseEnum::ClusterFlag);
        if (clusteringOff()) {
            QVERIFY(clusters.isEmpty());
            QCOMPARE(m->gates->count(), before);
            QCOMPARE(gatesOfKind(m, BaseEnum::FLOP).size(), 8);
            QVERIFY(!moduleRegistry().contains(QStringLiteral("FFDCLKQ_8")));
        } else {
            QCOMPARE(clusters.size(), 2);
            QCOMPARE(clusters.first()->typeName, QStringLiteral("FFDCLKQ_8"));
            QCOMPARE(clusters.last()->typeName, QStringLiteral("INVERTER_8"));
            QCOMPARE(m->gates->count(), before - 14);
        }
        // The output ports' placement leaves one emptied order per column.
        QCOMPARE(m->orderedColumns.size(), m->lastColumn + 1);
        QVERIFY(m->orderedColumns.last().isEmpty());
        VERIFY_CONSISTENT(m);
        releaseModuleRegistry();
    }

    void runsForgetTheirMarks()
    {
        buildSample();
        Gate *g = gateNamed(m, QStringLiteral("g"));
        m->markTable->mark(g, 0);
        m->computeLayout(10.0, true, false);
        QVERIFY(!m->markTable->isMarked(g, 0));
        QCOMPARE(m->markValue, 0);
    }
};

int main(int argc, char **argv)
{
    return execWithExtraArgument<QGuiApplication, TestLayoutDriver>(argc, argv);
}

#include "tst_layoutdriver.moc"
