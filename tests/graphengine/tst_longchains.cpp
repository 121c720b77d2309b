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
};

QTEST_MAIN(TestLongChains)
#include "tst_longchains.moc"
