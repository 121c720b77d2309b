#include "common/testenvironment.h"
#include "graphengine/logging.h"
#include "layoutfixture.h"
#include "netlistgenerator.h"

#include <QGuiApplication>
#include <QtTest>

using namespace GraphEngine;
using namespace LayoutFixture;

// Signals that run through very many columns: every walk along a chain of
// gates or of pass-throughs has to get by without the call stack.
class TestLongChains : public QObject
{
    Q_OBJECT

    ModuleMap m_modules;
    Module *m = nullptr;

    // Under valgrind the chain is shorter: the walks are the same.
    static int chainLength() { return qEnvironmentVariableIsSet("KORVAN_MEMCHECK") ? 2000 : 200000; }

private slots:
    void init() { m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr); }
    void cleanup() { deleteModules(m_modules); }

    void oneNetAcrossTheWholeChain()
    {
        const int length = chainLength();
        Gate *end = NetlistGenerator::chain(m, length);
        LogCapture log;
        m->computeLayout(10.0, true, false);
        QCOMPARE(log.texts(QtCriticalMsg), QStringList());
        // Each buffer a column of its own.
        QVERIFY(m->lastColumn >= length + 1);
        const Gate *first = gateNamed(m, QStringLiteral("c0"));
        const Gate *last = gateNamed(m, QStringLiteral("c%1").arg(length - 1));
        QVERIFY(first && last);
        QVERIFY(last->x > first->x);
        QVERIFY(end->x > last->x);
        // The long net is drawn from the input to the last gate, in one
        // piece again once the run's pass-throughs are gone.
        const Edge *longNet = net(m, QStringLiteral("i"));
        QCOMPARE(longNet->loads.size(), 2);
        QVERIFY(longNet->bounds.left() <= first->x);
        QVERIFY(longNet->bounds.right() >= end->x);
        // A second run lays it out the same way.
        const double endX = end->x;
        m->computeLayout(10.0, true, false);
        QCOMPARE(end->x, endX);
    }

    // The steps up to Draw Edges, the pieces of the long net still there:
    // the last piece walked on its own (the whole chain of pieces) gives the
    // bounds the pass gave it.
    void oneNetDrawnPieceByPiece()
    {
        const int length = chainLength();
        Gate *end = NetlistGenerator::chain(m, length);
        m->markValue = 0;
        m->markTable->startRun();
        m->resetLayout();
        m->solveInOut(true);
        m->addFakeInputs(false);
        m->removeLoopbacks();
        const int blocksBefore = SpanArena::liveBlocks();
        const int recordBlocksBefore = SpanArena::liveBlocks(SpanArena::LineRecords);
        m->orderTopologically();
        // The long net's crossings: one block for the whole span, the
        // pass-through gates side by side in it.
        QCOMPARE(SpanArena::liveBlocks(), blocksBefore + 1);
        m->createColumns();
        m->orderColumns();
        m->computeGateYPositionFromHierarchy(10.0, true, false);
        m->computeOutputPortY(10.0);
        m->shrinkVerticalSpace(10);
        m->alignInputOutputPorts();
        m->computeEdgeBoundaries();
        m->computeEdgeVerticalSegments(10.0, 10.0);
        m->computeXCoordinates();
        m->drawEdges();
        // The pieces' line records took blocks of their own.
        QVERIFY(SpanArena::liveBlocks(SpanArena::LineRecords) > recordBlocksBefore);
        QVERIFY(m->checkCollisions(-1));
        Edge *last = end->findPortByName(QStringLiteral("B"))->net;
        QVERIFY(last);
        const QRectF drawn = last->bounds;
        const int records = last->branchLines.size();
        QVERIFY(records >= length);
        last->buildLines(m->columnRight);
        QCOMPARE(last->branchLines.size(), records);
        QCOMPARE(last->bounds, drawn);
        const Gate *first = gateNamed(m, QStringLiteral("c0"));
        QVERIFY(drawn.left() <= first->x && drawn.right() >= end->x);
        // The pass-throughs and their pieces go, and their block with them.
        m->simplifyGraph();
        QCOMPARE(SpanArena::liveBlocks(), blocksBefore);
        // The drawn nets keep their records; the blocks go with the nets.
        deleteModules(m_modules);
        QCOMPARE(SpanArena::liveBlocks(SpanArena::LineRecords), recordBlocksBefore);
    }

    // A constant through a chain of inverters as long.
    void constantThroughTheChain()
    {
        const int length = chainLength();
        Gate *one = new Vcc(QStringLiteral("vcc0"), QBrush());
        m->registerInstance(one, true);
        net(m, QStringLiteral("v0"))->connectPort(one->ports.first());
        Gate *last = nullptr;
        for (int k = 0; k < length; ++k) {
            last = cell(m, QStringLiteral("inv%1").arg(k), QStringLiteral("v%1").arg(k), QStringLiteral("v%1").arg(k + 1),
                        BaseEnum::INVERTER);
        }
        QCOMPARE(last->constantKind(), length % 2 ? int(BaseEnum::GND) : int(BaseEnum::VCC));
        QCOMPARE(net(m, QStringLiteral("v%1").arg(length))->constantKind(), last->constantKind());
        // Closed into a loop, the chain carries no constant.
        net(m, QStringLiteral("v0"))->disconnectPort(one->ports.first());
        net(m, QStringLiteral("v%1").arg(length))->disconnectPort(last->findPortByName(QStringLiteral("y")));
        net(m, QStringLiteral("v0"))->connectPort(last->findPortByName(QStringLiteral("y")));
        QCOMPARE(last->constantKind(), 0);
    }
};

QTEST_MAIN(TestLongChains)
#include "tst_longchains.moc"
