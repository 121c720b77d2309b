#include "graphengine/layout/marktable.h"
#include "layoutfixture.h"
#include "verilognetlist.h"

#include "graphengine/logging.h"

#include <QtTest>

using namespace GraphEngine;
using namespace LayoutFixture;

// Step "Search Repeating Patterns": groups of like gates of a column fold
// into one instance of a generated sub-module.
class TestClustering : public QObject
{
    Q_OBJECT

    ModuleMap m_modules;
    Module *m = nullptr;

    // Module inputs d[0..n-1] and clk, n D flip-flops r<i> (type FFDCLKQ),
    // outputs q[0..n-1]: after the front steps the flip-flops stand alone
    // in column 2 of 3.
    QList<Gate *> registerBank(Module *module, int n, const QString &prefix = QStringLiteral("r"))
    {
        input(module, QStringLiteral("clk"));
        QList<Gate *> flops;
        for (int i = 0; i < n; ++i) {
            const QString d = QStringLiteral("d[%1]").arg(i);
            const QString q = QStringLiteral("q[%1]").arg(i);
            input(module, d);
            output(module, q);
            flops << VerilogNetlist::dFlop(module, prefix + QString::number(i), d, QStringLiteral("clk"), q);
        }
        return flops;
    }

    // Runs the clustering step on a layout whose only gates stand in column 2.
    bool clusterColumn(const QList<Gate *> &gates)
    {
        m->lastColumn = 3;
        m->columnGates = {{}, {}, gates, {}};
        m->columnWidths = QVector<double>(4, 10.0);
        return m->clusterRepeatingPatterns(true);
    }

    // An AND gate with an open input A and its output Out (a control port
    // or not) on the net.
    Gate *outputGate(const QString &name, const QString &netName, bool control)
    {
        Gate *g = makeGate(m, name, {QStringLiteral("A")}, {});
        addPort(g, QStringLiteral("Out"), BaseEnum::Output, 0, 0, control);
        g->ports.ensureSorted(true);
        g->typeName = QStringLiteral("AND");
        wire(m, g, QStringLiteral("Out"), netName);
        return g;
    }

    static Gate *clusterGate(const Module *module)
    {
        for (Gate *g : module->gates->elements()) {
            if (g && g->isCluster())
                return g;
        }
        return nullptr;
    }

    static QString netOf(const Gate *gate, const QString &port)
    {
        const GatePort *p = gate->findPortByName(port);
        return p && p->net ? p->net->name.text() : QString();
    }

private slots:
    void init()
    {
        m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr);
        traceEnabled = false;
    }
    void cleanup()
    {
        deleteModules(m_modules);
        releaseModuleRegistry();
        traceEnabled = false;
    }

    void registerBankFolds()
    {
        const QList<Gate *> flops = registerBank(m, 8);
        runFront(m, 6);
        QCOMPARE(m->lastColumn, 3);
        const int before = m->gates->count();
        LogCapture log;
        traceEnabled = true;
        QVERIFY(m->clusterRepeatingPatterns(true));
        QVERIFY(!traceEnabled);
        QCOMPARE(m->gates->count(), before - 7);

        // The sub-module: the clock once, eight indexed D and Q ports.
        Module *definition = moduleRegistry().value(QStringLiteral("FFDCLKQ_8"));
        QVERIFY(definition);
        QCOMPARE(definition->instanceKind, BaseEnum::FLOP | BaseEnum::ClusterFlag);
        QCOMPARE(definition->portGates->count(), 17);
        QVERIFY(definition->portGates->map.value(Name(QStringLiteral("CLK"), false, true)));
        QVERIFY(definition->portGates->map.value(Name(QStringLiteral("D[7]"), false, true)));
        QVERIFY(definition->portGates->map.value(Name(QStringLiteral("Q[0]"), false, true)));

        Gate *cluster = clusterGate(m);
        QVERIFY(cluster);
        QCOMPARE(cluster->kind, BaseEnum::FLOP | BaseEnum::ClusterFlag);
        QCOMPARE(cluster->typeName, QStringLiteral("FFDCLKQ_8"));
        QCOMPARE(cluster->ports.size(), 17);
        QCOMPARE(cluster->column, 2);
        QCOMPARE(m->columnGates.at(2), QList<Gate *>({cluster}));
        QVERIFY(m->columnWidths.at(2) >= cluster->rect.width() + 2.0);
        QStringList members;
        for (const QVariant &v : cluster->properties.value(QStringLiteral("=NativeName")).toList())
            members << v.value<Name>().text();
        QCOMPARE(members, QStringList({"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7"}));
        QCOMPARE(cluster->name.text(), QStringLiteral("r[0:7]"));
        for (Gate *gone : flops)
            QVERIFY(!m->gates->elements().contains(gone));

        // Every copy's nets moved to the member's ports.
        QCOMPARE(netOf(cluster, QStringLiteral("CLK")), QStringLiteral("clk"));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(netOf(cluster, QStringLiteral("D[%1]").arg(i)), QStringLiteral("d[%1]").arg(i));
            QCOMPARE(netOf(cluster, QStringLiteral("Q[%1]").arg(i)), QStringLiteral("q[%1]").arg(i));
        }
        // One net number per port position, the clock none.
        const int dNumber = net(m, QStringLiteral("d[0]"))->netNumber;
        const int qNumber = net(m, QStringLiteral("q[0]"))->netNumber;
        QVERIFY(dNumber > 0 && qNumber > 0 && dNumber != qNumber);
        QCOMPARE(net(m, QStringLiteral("d[5]"))->netNumber, dNumber);
        QCOMPARE(net(m, QStringLiteral("q[7]"))->netNumber, qNumber);
        QCOMPARE(net(m, QStringLiteral("clk"))->netNumber, 0);
        // The instance's port set-up numbers its three bus runs first (4);
        // the copies' ports D, CLK, Q then take 4 + their place.
        QCOMPARE(dNumber, 4);
        QCOMPARE(qNumber, 6);
        QCOMPARE(m->nextNetNumber, 7);
        QCOMPARE(brokenInvariant(m), QString());

        const QStringList lines = log.texts(QtWarningMsg);
        QVERIFY(lines.contains(QStringLiteral("Column 2")));
        QVERIFY(lines.contains(QStringLiteral("  - FFDCLKQ r3")));
        QCOMPARE(lines.last(), QStringLiteral("Saving Ratio is 1 cluster for 8 gates."));
        // A second pass finds nothing more.
        QVERIFY(!m->clusterRepeatingPatterns(true));
    }

    void secondGroupReusesTheModule()
    {
        registerBank(m, 8);
        Module *other = Module::findOrCreateModule(m_modules, QStringLiteral("other"), nullptr);
        registerBank(other, 8, QStringLiteral("s"));
        runFront(m, 6);
        runFront(other, 6);
        QVERIFY(m->clusterRepeatingPatterns(true));
        Module *definition = moduleRegistry().value(QStringLiteral("FFDCLKQ_8"));
        QVERIFY(other->clusterRepeatingPatterns(true));
        QCOMPARE(moduleRegistry().value(QStringLiteral("FFDCLKQ_8")), definition);
        QCOMPARE(definition->portGates->count(), 17);
        QCOMPARE(moduleRegistry().size(), 1);
        QCOMPARE(clusterGate(other)->ports.size(), 17);
        QCOMPARE(clusterGate(other)->name.text(), QStringLiteral("s[0:7]"));
    }

    // Gates of one type name but other port counts get modules of their
    // own; each is found again for its own pattern.
    void samePatternNameOtherPorts()
    {
        auto *and2 = new Gate(BaseEnum::AND, 2, QBrush());
        auto *and3 = new Gate(BaseEnum::AND, 3, QBrush());
        QCOMPARE(and2->typeName, and3->typeName);
        Module *two = Module::createClusterModule(and2, 4);
        Module *three = Module::createClusterModule(and3, 4);
        QVERIFY(two && three && two != three);
        QCOMPARE(two->name, QStringLiteral("AND_4"));
        QCOMPARE(three->name, QStringLiteral("AND_4_2"));
        QCOMPARE(two->portGates->count(), 12);
        QCOMPARE(three->portGates->count(), 16);
        QCOMPARE(Module::createClusterModule(and3, 4), three);
        QCOMPARE(Module::createClusterModule(and2, 4), two);
        // A module of the name that is no cluster module is left alone.
        Module *user = Module::findOrCreateModule(moduleRegistry(), QStringLiteral("AND_5"), nullptr);
        Module *five = Module::createClusterModule(and2, 5);
        QVERIFY(five != user);
        QCOMPARE(user->portGates->count(), 0);
        QCOMPARE(Module::createClusterModule(nullptr, 2), nullptr);
        delete and2;
        delete and3;
    }

    // Ports of the pattern in sort groups 3, 2, 1, 0; positions run over
    // all of them; a control port keeps its name, others are indexed by
    // copy on their base name.
    void clusterModulePorts()
    {
        auto *flop = new Gate(BaseEnum::D | BaseEnum::CLK | BaseEnum::CLR | BaseEnum::Q, QBrush());
        Module *definition = Module::createClusterModule(flop, 2);
        QVERIFY(definition);
        QMap<int, QString> byPosition;
        for (const Gate *g : definition->portGates->elements())
            byPosition.insert(g->portAttributes.position, g->name.text());
        QCOMPARE(byPosition.keys(), QList<int>({0, 1, 2, 3, 4, 5}));
        QCOMPARE(byPosition.values(), QStringList({"D[0]", "D[1]", "CLK", "CLR", "Q[0]", "Q[1]"}));
        delete flop;
        // An open input is named after itself, not its type.
        auto *open = new Gate(BaseEnum::OPENINPUT, QStringLiteral("OI_x"), QBrush());
        QVERIFY(Module::createClusterModule(open, 3));
        QVERIFY(moduleRegistry().contains(QStringLiteral("OI_x_3")));
        delete open;
    }

    void disabledOrNarrow()
    {
        registerBank(m, 4);
        runFront(m, 6);
        const int before = m->gates->count();
        traceEnabled = true;
        QVERIFY(!m->clusterRepeatingPatterns(false));
        QVERIFY(traceEnabled);
        QCOMPARE(m->gates->count(), before);

        // Two columns only: nothing to fold, the ratio line alone.
        Module *narrow = Module::findOrCreateModule(m_modules, QStringLiteral("narrow"), nullptr);
        input(narrow, QStringLiteral("a"));
        narrow->findOrCreatePortGate(QStringLiteral("b"), QStringLiteral("a"),
                                     PortAttributes::make(BaseEnum::Output, 0, 0, 0, false, 0), true);
        runFront(narrow, 6);
        QVERIFY(narrow->lastColumn <= 2);
        LogCapture log;
        traceEnabled = true;
        QVERIFY(!narrow->clusterRepeatingPatterns(true));
        QCOMPARE(log.texts(QtWarningMsg), QStringList("Saving Ratio is 0 cluster for 0 gates."));
        QVERIFY(!traceEnabled);
    }

    void whatNeverFolds()
    {
        // Plain nets, no control port: no signature.
        for (int i = 0; i < 3; ++i)
            VerilogNetlist::logic(m, BaseEnum::AND, 1, QStringLiteral("p%1").arg(i));
        for (int i = 0; i < 3; ++i) {
            Gate *g = gateNamed(m, QStringLiteral("p%1").arg(i));
            wire(m, g, QStringLiteral("A"), QStringLiteral("in%1").arg(i));
            wire(m, g, QStringLiteral("Out"), QStringLiteral("out%1").arg(i));
        }
        // A single flip-flop on indexed nets.
        VerilogNetlist::dFlop(m, QStringLiteral("lone"), QStringLiteral("e[0]"), QStringLiteral("c"),
                              QStringLiteral("f[0]"));
        const int before = m->gates->count();
        QVERIFY(!clusterColumn(m->gates->elements()));
        QCOMPARE(m->gates->count(), before);
    }

    // Flip-flops on plain data nets fold by their shared clock.
    void sharedControlNets()
    {
        for (int i = 0; i < 3; ++i)
            VerilogNetlist::dFlop(m, QStringLiteral("f%1").arg(i), QStringLiteral("a%1").arg(i),
                                  QStringLiteral("clk"), QStringLiteral("b%1").arg(i));
        QVERIFY(clusterColumn(m->gates->elements()));
        Gate *cluster = clusterGate(m);
        QVERIFY(cluster);
        QCOMPARE(cluster->typeName, QStringLiteral("FFDCLKQ_3"));
        QCOMPARE(netOf(cluster, QStringLiteral("D[2]")), QStringLiteral("a2"));
        QCOMPARE(m->gates->count(), 1);
    }

    // Open inputs may carry an indexed port name: the cluster's ports and
    // the connection moves both go by its base name.
    void indexedPortNames()
    {
        QList<Gate *> opens;
        for (int i = 0; i < 3; ++i) {
            opens << makeGate(m, QStringLiteral("oi%1").arg(i), {}, {QStringLiteral("o[3]")}, BaseEnum::OPENINPUT);
            wire(m, opens.last(), QStringLiteral("o[3]"), QStringLiteral("u[%1]").arg(i));
        }
        QVERIFY(clusterColumn(opens));
        Gate *cluster = clusterGate(m);
        QVERIFY(cluster);
        QCOMPARE(cluster->typeName, QStringLiteral("oi0_3"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(netOf(cluster, QStringLiteral("o[%1]").arg(i)), QStringLiteral("u[%1]").arg(i));
    }

    // The instance's name is taken: the copies stay as they were, and the
    // driver's repetition of the step ends.
    void instanceNameTaken()
    {
        registerBank(m, 4);
        Gate *holder = makeGate(m, QStringLiteral("r[0:3]"), {}, {}, BaseEnum::GENERIC);
        runFront(m, 6);
        const int before = m->gates->count();
        LogCapture log;
        QVERIFY(!m->clusterRepeatingPatterns(true));
        QCOMPARE(m->gates->count(), before);
        QCOMPARE(gateNamed(m, QStringLiteral("r[0:3]")), holder);
        for (int i = 0; i < 4; ++i) {
            Gate *copy = gateNamed(m, QStringLiteral("r%1").arg(i));
            QVERIFY(copy);
            QCOMPARE(netOf(copy, QStringLiteral("D")), QStringLiteral("d[%1]").arg(i));
            QCOMPARE(netOf(copy, QStringLiteral("CLK")), QStringLiteral("clk"));
            QVERIFY(m->columnGates.at(2).contains(copy));
        }
        QVERIFY(log.texts(QtWarningMsg).contains(QStringLiteral("Can't register instance: r[0:3] (Name already used)")));
        QCOMPARE(brokenInvariant(m), QString());
        // A whole run ends too.
        m->computeLayout(10.0, true, false);
        QCOMPARE(m->gates->count(), before);
    }

    // A group whose instance name is taken stays, and folds on a later pass
    // once the gate holding the name folded in a column after it: the passes
    // of the driver look at its column again although no net of it changed.
    void instanceNameFreedByALaterColumn()
    {
        registerBank(m, 2);
        input(m, QStringLiteral("clk2"));
        QList<Gate *> later;
        for (int i = 0; i < 2; ++i) {
            const QString d = QStringLiteral("e[%1]").arg(i);
            const QString q = QStringLiteral("f[%1]").arg(i);
            input(m, d);
            output(m, q);
            later << VerilogNetlist::dFlop(m, i == 0 ? QStringLiteral("r[0:1]") : QStringLiteral("s"), d,
                                           QStringLiteral("clk2"), q);
        }
        runFront(m, 6);
        QList<Gate *> first;
        for (int i = 0; i < 2; ++i)
            first << gateNamed(m, QStringLiteral("r%1").arg(i));
        m->lastColumn = 4;
        m->columnGates = {{}, {}, first, later, {}};
        m->columnWidths = QVector<double>(5, 10.0);
        for (Gate *g : first)
            g->column = 2;
        for (Gate *g : later)
            g->column = 3;
        LogCapture log;
        QVERIFY(m->clusterAllRepeatingPatterns());
        QVERIFY(log.texts(QtWarningMsg).contains(QStringLiteral("Can't register instance: r[0:1] (Name already used)")));
        Gate *folded = gateNamed(m, QStringLiteral("r[0:1]"));
        QVERIFY(folded && folded->isCluster());
        QCOMPARE(folded->column, 2);
        QCOMPARE(m->columnGates.at(2), QList<Gate *>({folded}));
        QCOMPARE(m->columnGates.at(3).size(), 1);
        QVERIFY(m->columnGates.at(3).first()->isCluster());
        QCOMPARE(netOf(folded, QStringLiteral("D[1]")), QStringLiteral("d[1]"));
    }

    // A gate under both of its signatures, each group gathering another
    // gate: it folds with one group only, the other keeps its gate.
    void twoSignaturesFoldOnce()
    {
        auto make = [this](const QString &name, const QString &netName, bool control) {
            return outputGate(name, netName, control);
        };
        // g1's bus net gives ",Out:m[][5]" and ",Out:m[2]"; g2 and g3 match
        // one each through a control port on a net of that very text.
        Gate *g1 = make(QStringLiteral("g1"), QStringLiteral("m[2][5]"), false);
        Gate *g2 = make(QStringLiteral("g2"), QStringLiteral("m[2]"), true);
        Gate *g3 = make(QStringLiteral("g3"), QStringLiteral("m[][5]"), true);
        bool alternative = false;
        QCOMPARE(g3->portSignature(0, nullptr), g1->portSignature(0, &alternative));
        QVERIFY(alternative);
        QCOMPARE(g2->portSignature(0, nullptr), g1->portSignature(1, nullptr));
        QVERIFY(clusterColumn({g1, g2, g3}));
        QCOMPARE(m->gates->count(), 2);
        QCOMPARE(gateNamed(m, QStringLiteral("g3")), g3);
        QCOMPARE(m->columnGates.at(2).size(), 2);
        QCOMPARE(brokenInvariant(m), QString());
    }

    // The groups of a column are taken in the order of their signatures,
    // whatever the order of the gates: the trace names every group, a lone
    // gate's too, and the instances come in that order.
    void groupsInSignatureOrder()
    {
        QList<Gate *> column;
        for (const char *name : {"z1", "m1", "a1", "z2", "b1", "a2"})
            column << outputGate(QLatin1String(name), QString(QLatin1Char(name[0])), true);
        LogCapture log;
        traceEnabled = true;
        QVERIFY(clusterColumn(column));
        QStringList groups;
        for (const QString &line : log.texts(QtWarningMsg)) {
            if (line.startsWith(QLatin1String(" Cluster : ")))
                groups << line.mid(11, 6);
        }
        QCOMPARE(groups, QStringList({",Out:a", ",Out:b", ",Out:m", ",Out:z"}));
        QList<Gate *> instances;
        for (Gate *g : m->columnGates.at(2)) {
            if (g->isCluster())
                instances << g;
        }
        QCOMPARE(instances.size(), 2);
        QCOMPARE(instances.at(0)->name.text(), QStringLiteral("a[1:2]"));
        QCOMPARE(instances.at(1)->name.text(), QStringLiteral("z[1:2]"));
    }

    // Gates on bits of a two-index bus: m[2][5], m[2][6], m[2][7] share
    // the alternative signature (first index kept) and fold as one row;
    // m[3][5] stays under its own first signature, alone.
    void twoIndexBusRows()
    {
        auto make = [this](const QString &name, const QString &netName) {
            Gate *g = makeGate(m, name, {QStringLiteral("A")}, {QStringLiteral("Out")});
            g->typeName = QStringLiteral("AND");
            wire(m, g, QStringLiteral("Out"), netName);
            return g;
        };
        QList<Gate *> column;
        for (int j : {5, 6, 7})
            column << make(QStringLiteral("b%1").arg(j), QStringLiteral("m[2][%1]").arg(j));
        column << make(QStringLiteral("other"), QStringLiteral("m[3][9]"));
        QVERIFY(clusterColumn(column));
        Gate *cluster = clusterGate(m);
        QVERIFY(cluster);
        QCOMPARE(cluster->properties.value(QStringLiteral("=NativeName")).toList().size(), 3);
        QCOMPARE(netOf(cluster, QStringLiteral("Out[2]")), QStringLiteral("m[2][7]"));
        QVERIFY(gateNamed(m, QStringLiteral("other")));
        QCOMPARE(m->gates->count(), 2);
    }

    // Folding numbers the copies' nets; the gates that drive them fold on
    // the next pass, as the driver repeats the step.
    void passesRepeat()
    {
        input(m, QStringLiteral("clk"));
        for (int i = 0; i < 4; ++i) {
            // Plain nets: the inverters have no signature until the
            // flip-flops' folding numbers w<i>.
            const QString in = QStringLiteral("a%1").arg(i);
            input(m, in);
            Gate *inv = VerilogNetlist::logic(m, BaseEnum::INVERTER, 1, QStringLiteral("n%1").arg(i));
            wire(m, inv, QStringLiteral("A"), in);
            wire(m, inv, QStringLiteral("Out"), QStringLiteral("w%1").arg(i));
            Gate *f = VerilogNetlist::dFlop(m, QStringLiteral("f%1").arg(i), QStringLiteral("w%1").arg(i),
                                            QStringLiteral("clk"), QStringLiteral("q[%1]").arg(i));
            Q_UNUSED(f);
            output(m, QStringLiteral("q[%1]").arg(i));
        }
        runFront(m, 6);
        QCOMPARE(m->lastColumn, 4);
        int passes = 0;
        while (m->clusterRepeatingPatterns(true))
            ++passes;
        QCOMPARE(passes, 2);
        QVERIFY(gateNamed(m, QStringLiteral("f[0:3]")));
        Gate *inverters = gateNamed(m, QStringLiteral("n[0:3]"));
        QVERIFY(inverters);
        QCOMPARE(inverters->typeName, QStringLiteral("INVERTER_4"));
        QCOMPARE(netOf(inverters, QStringLiteral("Out[1]")), QStringLiteral("w1"));
        QCOMPARE(brokenInvariant(m), QString());
    }

    // A column can hold a gate with room to spare beside one on a longer
    // way to the outputs. Like gates fold by their signatures alone: the
    // three flip-flops become one instance, although b has fewer gates
    // after it. The instance puts every copy's drivers before every copy's
    // loads, so the folded netlist lays out two columns deeper, and again the
    // same way.
    void copiesAtDifferentDistancesFoldTogether()
    {
        input(m, QStringLiteral("clk"));
        for (const char *name : {"i1", "i2", "i3"})
            input(m, name);
        for (const char *name : {"o1", "o2", "o3"})
            output(m, name);
        // i1 -> g1 -> g2 -> b -> o2: b has one gate after it.
        Gate *g1 = cell(m, QStringLiteral("g1"), QStringLiteral("i1"), QStringLiteral("n1"));
        Gate *g2 = cell(m, QStringLiteral("g2"), QStringLiteral("n1"), QStringLiteral("n2"));
        Gate *b = VerilogNetlist::dFlop(m, QStringLiteral("b"), QStringLiteral("n2"), QStringLiteral("clk"),
                                        QStringLiteral("o2"));
        // i2 -> a -> x1 -> x2 -> o1 and i3 -> c -> y1 -> y2 -> o3: three.
        Gate *a = VerilogNetlist::dFlop(m, QStringLiteral("a"), QStringLiteral("i2"), QStringLiteral("clk"),
                                        QStringLiteral("m1"));
        Gate *x1 = cell(m, QStringLiteral("x1"), QStringLiteral("m1"), QStringLiteral("m2"));
        Gate *x2 = cell(m, QStringLiteral("x2"), QStringLiteral("m2"), QStringLiteral("o1"));
        Gate *c = VerilogNetlist::dFlop(m, QStringLiteral("c"), QStringLiteral("i3"), QStringLiteral("clk"),
                                        QStringLiteral("k1"));
        Gate *y1 = cell(m, QStringLiteral("y1"), QStringLiteral("k1"), QStringLiteral("k2"));
        Gate *y2 = cell(m, QStringLiteral("y2"), QStringLiteral("k2"), QStringLiteral("o3"));
        runFront(m, 6, true, false, false);
        QCOMPARE(m->lastColumn, 5);

        // The three flip-flops in one column of a wider layout, b with room.
        QList<Gate *> inputs, outputs;
        for (const char *name : {"clk", "i1", "i2", "i3"})
            inputs << gateNamed(m, name);
        for (const char *name : {"o1", "o2", "o3"})
            outputs << gateNamed(m, name);
        setColumns(m, {inputs, {g1}, {g2}, {a, b, c}, {x1, y1}, {x2, y2}, outputs}, false);
        QVERIFY(m->clusterRepeatingPatterns(true));
        Gate *cluster = clusterGate(m);
        QVERIFY(cluster);
        QStringList members;
        for (const QVariant &v : cluster->properties.value(QStringLiteral("=NativeName")).toList())
            members << v.value<Name>().text();
        QCOMPARE(members, QStringList({"a", "b", "c"}));
        QCOMPARE(gateNamed(m, QStringLiteral("b")), nullptr);
        QCOMPARE(netOf(cluster, QStringLiteral("D[1]")), QStringLiteral("n2"));
        QCOMPARE(m->columnGates.at(4).size(), 1);
        QCOMPARE(brokenInvariant(m), QString());

        runFront(m, 6, true, false, false);
        QCOMPARE(m->lastColumn, 7);
        QList<int> columns;
        for (const Gate *g : m->gates->elements())
            columns << g->column;
        runFront(m, 6, true, false, false);
        QCOMPARE(m->lastColumn, 7);
        QList<int> again;
        for (const Gate *g : m->gates->elements())
            again << g->column;
        QCOMPARE(again, columns);
    }

    // On nets left whole the clustering folds what it folds on split nets.
    // A net numbered before it (the bits of a packed bus share a number)
    // has that number in every piece, also after a group that drives it
    // folded: its loads still group with a load of another net of the
    // number.
    void wholeNetsKeepEarlierNumbers()
    {
        auto foldedGates = [](Module *module, bool split) {
            for (const char *in : {"p[0]", "p[1]", "q"})
                input(module, QLatin1String(in));
            cell(module, QStringLiteral("c0"), QStringLiteral("p[0]"), QStringLiteral("y0"), BaseEnum::INVERTER);
            cell(module, QStringLiteral("c1"), QStringLiteral("p[1]"), QStringLiteral("y1"), BaseEnum::INVERTER);
            // Two inputs: never a copy of the others.
            Gate *c2 = makeGate(module, QStringLiteral("c2"), {QStringLiteral("a"), QStringLiteral("b")},
                                {QStringLiteral("y")}, BaseEnum::AND);
            wire(module, c2, QStringLiteral("a"), QStringLiteral("q"));
            wire(module, c2, QStringLiteral("b"), QStringLiteral("q"));
            wire(module, c2, QStringLiteral("y"), QStringLiteral("z"));
            cell(module, QStringLiteral("e0"), QStringLiteral("y0"), QStringLiteral("w0"), BaseEnum::INVERTER);
            cell(module, QStringLiteral("e1"), QStringLiteral("y1"), QStringLiteral("w1"), BaseEnum::INVERTER);
            cell(module, QStringLiteral("e2"), QStringLiteral("z"), QStringLiteral("w2"), BaseEnum::INVERTER);
            for (const char *out : {"w0", "w1", "w2"})
                output(module, QLatin1String(out));
            runFront(module, 6, true, false, split);
            for (const char *name : {"y0", "y1", "z"})
                net(module, QLatin1String(name))->netNumber = 99;
            while (module->clusterRepeatingPatterns(true)) {
            }
            QStringList folded;
            for (const Gate *g : module->gates->elements()) {
                if (g->isCluster())
                    folded << g->name.toString(false);
            }
            folded.sort();
            return folded;
        };
        const QStringList split = foldedGates(m, true);
        QCOMPARE(split, QStringList({QStringLiteral("c[0:1]"), QStringLiteral("e[0:2]")}));
        ModuleMap wholeModules;
        Module *whole = Module::findOrCreateModule(wholeModules, QStringLiteral("top"), nullptr);
        QCOMPARE(foldedGates(whole, false), split);
        QVERIFY(whole->netsWhole);
        deleteModules(wholeModules);
    }
};

QTEST_MAIN(TestClustering)

#include "tst_clustering.moc"
