#include "common/testenvironment.h"
#include "layoutinvariants.h"
#include "netlistgenerator.h"

#include "graphengine/globals.h"
#include "netlistfixture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace GraphEngine;

// Whole layouts of seeded random netlists (10 to 2,000 gates with
// flip-flops, loops, buses, constants, undriven and multi-driven nets): every
// invariant of a finished layout holds after a first and a second run, the
// second run puts everything where the first did, so does a run on a copy
// of the netlist, and Icarus Verilog
// elaborates the module's Verilog. build/bench/bench_layoutrandom runs the
// same check on 1,000 seeds.
class TestLayoutRandom : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        if (QStandardPaths::findExecutable(QStringLiteral("iverilog")).isEmpty())
            QFAIL("iverilog must be installed (build.sh installs it)");
    }

    void seeded_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 200; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
        // Found by bench_layoutrandom: a module input that feeds only a
        // dead loop ended in the second column.
        for (quint32 seed : {266u, 386u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }
    void seeded()
    {
        QFETCH(quint32, seed);
        traceEnabled = false;
        QString verilog;
        int gates = 0;
        const QStringList failures = LayoutInvariants::checkRandomLayout(seed, &verilog, &gates);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        const NetlistGenerator::Shape shape = NetlistGenerator::randomShape(seed);
        QVERIFY(shape.gates >= 10 && shape.gates <= 2000);
        QVERIFY(gates >= shape.gates);

        const QString path = dir.filePath(QStringLiteral("random%1.v").arg(seed));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(verilog.toUtf8());
        file.close();
        QProcess icarus;
        icarus.setProcessChannelMode(QProcess::MergedChannels);
        icarus.start(QStringLiteral("iverilog"), {QStringLiteral("-t"), QStringLiteral("null"), path});
        QVERIFY(icarus.waitForFinished(60000));
        QVERIFY2(icarus.exitStatus() == QProcess::NormalExit && icarus.exitCode() == 0,
                 qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(QString::fromLocal8Bit(icarus.readAll()))));
    }

    // The generator itself: the same seed gives the same netlist, and the
    // features the check relies on are there across the seeds.
    void generator()
    {
        auto build = [](quint32 seed, ModuleMap &modules) {
            Module *m = Module::findOrCreateModule(modules, QStringLiteral("top"), nullptr);
            NetlistGenerator::generate(m, NetlistGenerator::randomShape(seed), seed);
            return m;
        };
        ModuleMap a, b;
        QCOMPARE(LayoutInvariants::connectivity(build(7, a)), LayoutInvariants::connectivity(build(7, b)));
        deleteModules(b);
        QVERIFY(LayoutInvariants::connectivity(build(8, b)) != LayoutInvariants::connectivity(a.value("top")));
        deleteModules(a);
        deleteModules(b);

        int flops = 0, constants = 0, undriven = 0, multiDriven = 0, busNets = 0, smallest = 1 << 30, largest = 0;
        for (quint32 seed = 1; seed <= 200; ++seed) {
            ModuleMap modules;
            Module *m = build(seed, modules);
            const int size = NetlistGenerator::randomShape(seed).gates;
            smallest = std::min(smallest, size);
            largest = std::max(largest, size);
            for (const Gate *g : m->gates->elements()) {
                flops += g->kind == BaseEnum::FLOP;
                constants += g->kind == BaseEnum::VCC || g->kind == BaseEnum::GND;
            }
            for (const Edge *e : m->edges->elements()) {
                undriven += e->drivers.isEmpty() && !e->loads.isEmpty();
                multiDriven += e->drivers.size() > 1;
                busNets += e->name.hasIndex();
            }
            deleteModules(modules);
        }
        // Sizes spread from 10 to 2,000 gates.
        QVERIFY(smallest <= 20);
        QVERIFY(largest >= 1500);
        for (int count : {flops, constants, undriven, multiDriven, busNets})
            QVERIFY(count >= 50);
    }
};

QTEST_MAIN(TestLayoutRandom)
#include "tst_layoutrandom.moc"
