#include "common/testenvironment.h"
#include "graphengine/model/verilogtext.h"
#include "verilognetlist.h"

#include <QtTest>

using namespace GraphEngine;
using namespace NetlistFixture;
using namespace VerilogNetlist;

// The Verilog text of gates and modules: statements of every gate kind and
// of cluster members, the port maps they are built from, names that need
// escaping, and whole modules with their sub-modules.
class TestVerilog : public QObject
{
    Q_OBJECT

    ModuleMap registry;
    Module *m = nullptr;

private slots:
    void init()
    {
        m = Module::findOrCreateModule(registry, QStringLiteral("top"), nullptr);
    }

    void cleanup()
    {
        deleteModules(registry);
        m = nullptr;
    }

    void logicPrimitives()
    {
        Gate *u1 = logic(m, BaseEnum::AND, 2, QStringLiteral("u1"));
        wire(u1, QStringLiteral("Out"), QStringLiteral("y"));
        wire(u1, QStringLiteral("A"), QStringLiteral("a"));
        wire(u1, QStringLiteral("B"), QStringLiteral("b"));
        QCOMPARE(u1->writeVerilog(), QStringLiteral("  and u1(y,a,b);\n"));
        u1->findPortByName(QStringLiteral("B"))->disconnect();
        QCOMPARE(u1->writeVerilog(), QStringLiteral("  and u1(y,a);\n"));
        u1->findPortByName(QStringLiteral("A"))->disconnect();
        // A primitive needs one input terminal: a floating one stands in.
        QCOMPARE(u1->writeVerilog(), QStringLiteral("  and u1(y,1'bz);\n"));
        u1->findPortByName(QStringLiteral("Out"))->disconnect();
        QCOMPARE(u1->writeVerilog(), QString());

        const QList<QPair<int, QString>> kinds = {
            {BaseEnum::NAND, QStringLiteral("nand")}, {BaseEnum::OR, QStringLiteral("or")},
            {BaseEnum::NOR, QStringLiteral("nor")},   {BaseEnum::XOR, QStringLiteral("xor")},
            {BaseEnum::XNOR, QStringLiteral("xnor")}, {BaseEnum::BUFFER, QStringLiteral("buf")},
            {BaseEnum::INVERTER, QStringLiteral("not")}};
        for (const auto &kind : kinds) {
            Gate *g = logic(m, kind.first, 3, QStringLiteral("g_") + kind.second);
            wire(g, QStringLiteral("Out"), QStringLiteral("o"));
            wire(g, QStringLiteral("A"), QStringLiteral("p"));
            const bool oneInput = kind.first == BaseEnum::BUFFER || kind.first == BaseEnum::INVERTER;
            if (!oneInput) {
                wire(g, QStringLiteral("B"), QStringLiteral("q"));
                wire(g, QStringLiteral("C"), QStringLiteral("r"));
            }
            QCOMPARE(g->writeVerilog(), QStringLiteral("  %1 g_%1(o,p%2);\n").arg(kind.second, oneInput ? "" : ",q,r"));
        }
    }

    // bufif1 takes output, data and enable; an unconnected one floats.
    void tristateEnable()
    {
        Gate *t = logic(m, BaseEnum::TRISTATE, 1, QStringLiteral("t1"));
        wire(t, QStringLiteral("Out"), QStringLiteral("bus"));
        wire(t, QStringLiteral("A"), QStringLiteral("d"));
        wire(t, QStringLiteral("S"), QStringLiteral("en"));
        QCOMPARE(t->writeVerilog(), QStringLiteral("  bufif1 t1(bus,d,en);\n"));
        t->findPortByName(QStringLiteral("A"))->disconnect();
        QCOMPARE(t->writeVerilog(), QStringLiteral("  bufif1 t1(bus,1'bz,en);\n"));
    }

    void constants()
    {
        Gate *vcc = new Vcc(QStringLiteral("v"), QBrush());
        m->registerInstance(vcc, true);
        wire(vcc, QStringLiteral("v"), QStringLiteral("vdd"));
        QCOMPARE(vcc->writeVerilog(), QStringLiteral("  assign vdd = 1'b1;\n"));
        Gate *gnd = new Gnd(QStringLiteral("g"), QBrush());
        m->registerInstance(gnd, true);
        QCOMPARE(gnd->writeVerilog(), QString());
        wire(gnd, QStringLiteral("g"), QStringLiteral("vss"));
        QCOMPARE(gnd->writeVerilog(), QStringLiteral("  assign vss = 1'b0;\n"));
        Gate *x = new X(QStringLiteral("x"), QBrush());
        Gate *z = new Z(QStringLiteral("z"), QBrush());
        m->registerInstance(x, true);
        m->registerInstance(z, true);
        wire(x, QStringLiteral("x"), QStringLiteral("nx"));
        wire(z, QStringLiteral("z"), QStringLiteral("nz"));
        QCOMPARE(x->writeVerilog() + z->writeVerilog(),
                 QStringLiteral("  assign nx = 1'bx;\n  assign nz = 1'bz;\n"));
    }

    void instances()
    {
        Gate *r0 = dFlop(m, QStringLiteral("r0"), QStringLiteral("d"), QStringLiteral("clk"), QStringLiteral("q"));
        QCOMPARE(r0->typeName, QStringLiteral("FFDCLKQ"));
        QCOMPARE(r0->writeVerilog(), QStringLiteral("  FFDCLKQ r0(.D(d),.CLK(clk),.Q(q));\n"));
        r0->findPortByName(QStringLiteral("D"))->disconnect();
        QCOMPARE(r0->writeVerilog(), QStringLiteral("  FFDCLKQ r0(.D(),.CLK(clk),.Q(q));\n"));

        Gate *mux = logic(m, BaseEnum::MUX2, 2, QStringLiteral("m1"));
        wire(mux, QStringLiteral("D1"), QStringLiteral("b"));
        QCOMPARE(mux->writeVerilog(), QStringLiteral("  MUX m1(.D0(),.D1(b),.S(),.Out());\n"));

        // A generic gate without a type name still names a cell.
        Gate *g = generic(m, QStringLiteral("a"), QStringLiteral("y"), QStringLiteral("g1"));
        QCOMPARE(g->writeVerilog(), QStringLiteral("  GENERIC_g1 g1(.a(),.y());\n"));
    }

    // The bits of a bus port are connected as one vector, lowest index
    // first; missing inputs float, open outputs get a net of their own.
    void busPortConnections()
    {
        Gate *g = generic(m, QStringLiteral("a[3:0],s"), QStringLiteral("y[1:0]"), QStringLiteral("u"),
                          QStringLiteral("sub"));
        wire(g, QStringLiteral("a[0]"), QStringLiteral("n0"));
        wire(g, QStringLiteral("a[2]"), QStringLiteral("w[2]"));
        wire(g, QStringLiteral("a[3]"), QStringLiteral("n3"));
        wire(g, QStringLiteral("y[1]"), QStringLiteral("o"));
        QCOMPARE(g->connectionList(-1), QStringLiteral(".a({n0,1'bz,w[2],n3}),.s(),.y({\\u.y[0].open ,o})"));
        QCOMPARE(g->writeVerilog(), QStringLiteral("  wire \\u.y[0].open ;\n  sub u(.a({n0,1'bz,w[2],n3}),.s(),"
                                                   ".y({\\u.y[0].open ,o}));\n"));
        g->findPortByName(QStringLiteral("a[0]"))->disconnect();
        g->findPortByName(QStringLiteral("a[3]"))->disconnect();
        g->findPortByName(QStringLiteral("y[1]"))->disconnect();
        QCOMPARE(g->connectionList(-1), QStringLiteral(".a({1'bz,1'bz,w[2],1'bz}),.s(),.y()"));
    }

    void clusterMembers()
    {
        QList<Gate *> copies;
        for (int i = 0; i < 2; ++i) {
            Gate *g = logic(m, BaseEnum::AND, 2, QStringLiteral("u%1").arg(i + 1));
            wire(g, QStringLiteral("A"), QStringLiteral("a[%1]").arg(i));
            wire(g, QStringLiteral("B"), QStringLiteral("en"));
            wire(g, QStringLiteral("Out"), QStringLiteral("y[%1]").arg(i));
            copies << g;
        }
        Gate *cluster = fold(m, copies, QStringLiteral("u1_2"));
        QCOMPARE(cluster->typeName, QStringLiteral("AND_2"));
        QCOMPARE(cluster->writeVerilog(), QStringLiteral("  and u1(y[0],a[0],en);\n  and u2(y[1],a[1],en);\n"));

        QList<Gate *> flops;
        for (int i = 0; i < 3; ++i) {
            flops << dFlop(m, QStringLiteral("r%1").arg(i), QStringLiteral("d[%1]").arg(i), QStringLiteral("clk"),
                           QStringLiteral("q[%1]").arg(i));
        }
        Gate *bank = fold(m, flops, QStringLiteral("r_3"));
        QCOMPARE(bank->connectionList(1), QStringLiteral(".D(d[1]),.CLK(clk),.Q(q[1])"));
        QCOMPARE(bank->writeVerilog(), QStringLiteral("  FFDCLKQ r0(.D(d[0]),.CLK(clk),.Q(q[0]));\n"
                                                      "  FFDCLKQ r1(.D(d[1]),.CLK(clk),.Q(q[1]));\n"
                                                      "  FFDCLKQ r2(.D(d[2]),.CLK(clk),.Q(q[2]));\n"));
        // A member port on no net is left out of its statement.
        bank->findPortByName(QStringLiteral("D[2]"))->disconnect();
        QVERIFY(bank->writeVerilog().endsWith(QStringLiteral("  FFDCLKQ r2(.CLK(clk),.Q(q[2]));\n")));

        // Only the copy count is cut from the type name.
        bank->typeName = QStringLiteral("FF_SCAN_3");
        QVERIFY(bank->writeVerilog().startsWith(QStringLiteral("  FF_SCAN r0(")));
        bank->properties.insert(QStringLiteral("=NativeName"), QVariantList());
        QCOMPARE(bank->writeVerilog(), QString());
        // A member whose name cannot be read is named after the cluster.
        bank->properties.insert(QStringLiteral("=NativeName"), QVariantList{QVariant(), QStringLiteral("s1")});
        QCOMPARE(bank->writeVerilog(), QStringLiteral("  FF_SCAN \\r_3.0 (.D(d[0]),.CLK(clk),.Q(q[0]));\n"
                                                      "  FF_SCAN s1(.D(d[1]),.CLK(clk),.Q(q[1]));\n"));
    }

    void portMaps()
    {
        Gate *g = generic(m, QStringLiteral("a[0],a[1],b,c[1][0],c[0][1]"), QStringLiteral("y"),
                          QStringLiteral("g"));
        QStringList names;
        for (const GatePort *p : g->portsOfBit(2, 1))
            names << p->name;
        // No index, or the last index equal to the bit.
        QCOMPARE(names, QStringList({"a[1]", "b", "c[0][1]"}));
        QCOMPARE(g->portsOfBit(4, -1).size(), 6);
        QCOMPARE(g->portsOfBit(4, -1).keys(), QList<int>({0, 1, 2, 3, 4, 5}));
        QCOMPARE(g->portsOfBit(0, 0).value(0)->name, QStringLiteral("y"));

        auto *p = new GatePort(g, QStringLiteral("late"), PortAttributes::make(1, 0, 0, 0, false, 0), 0, 0);
        g->ports.add(p);
        g->ports.ensureSorted(true);
        const QMap<int, GatePort *> outputs = g->portsByPosition(0);
        QCOMPARE(outputs.size(), 1);
        // The later port at a position replaces the earlier one.
        QCOMPARE(outputs.value(0), g->ports.list().last());
        QCOMPARE(g->portsByPosition(2).keys(), QList<int>({0, 1, 2, 3, 4}));
    }

    // Names that are not plain identifiers are escaped wherever they stand.
    void identifiers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("signal");
        QTest::newRow("plain") << "n_1$x" << "n_1$x";
        QTest::newRow("bus bit") << "d[3]" << "d[3]";
        QTest::newRow("blank") << "Stack Path" << "\\Stack_Path ";
        QTest::newRow("scope") << "top::n" << "\\top::n ";
        QTest::newRow("angle index") << "p<3>" << "\\p<3> ";
        QTest::newRow("equals") << "a=b" << "\\a=b ";
        QTest::newRow("keyword") << "wire" << "\\wire ";
        QTest::newRow("leading digit") << "1n" << "\\1n ";
        QTest::newRow("two indices") << "m[1][2]" << "\\m[1][2] ";
        QTest::newRow("bracket inside") << "a[3]x" << "\\a[3]x ";
        QTest::newRow("escaped bus") << "x.y[2]" << "\\x.y [2]";
        QTest::newRow("not ascii") << QString::fromUtf8("n\xc3\xa9") << "\\n_ ";
    }

    void identifiers()
    {
        QFETCH(QString, text);
        QFETCH(QString, signal);
        QCOMPARE(verilogSignal(Name(text)), signal);
    }

    void markedNames()
    {
        const Name marked = Name::detachedCopy(Name(QStringLiteral("a[1]")));
        QCOMPARE(verilogSignal(marked), QStringLiteral("\\=a[1]=%1 ").arg(marked.serial()));
        QVERIFY(!isVerilogBusBit(marked));
        QCOMPARE(verilogIdentifier(QString()), QString());
        QCOMPARE(verilogModuleName(QStringLiteral("my Stack Path")), QStringLiteral("\\my_StackPath "));
    }

    void escapedStatements()
    {
        Gate *g = logic(m, BaseEnum::OR, 2, QStringLiteral("u[3]"));
        wire(g, QStringLiteral("Out"), QStringLiteral("a b"));
        wire(g, QStringLiteral("A"), QStringLiteral("x::y"));
        wire(g, QStringLiteral("B"), QStringLiteral("k[1]"));
        QCOMPARE(g->writeVerilog(), QStringLiteral("  or \\u[3] (\\a_b ,\\x::y ,k[1]);\n"));
        Gate *f = generic(m, QStringLiteral("in put"), QStringLiteral("output"), QStringLiteral("f"),
                          QStringLiteral("Stack Path cell"));
        QCOMPARE(f->writeVerilog(), QStringLiteral("  \\StackPath_cell  f(.\\in_put (),.\\output ());\n"));
    }

    void layoutGatesWriteNothing()
    {
        for (int kind : {BaseEnum::INPUTPORT, BaseEnum::OUTPUTPORT, BaseEnum::INOUTPORT, BaseEnum::OPENINPUT,
                         BaseEnum::LOOPBACKOPENINPUT, BaseEnum::LOOPBACKOPENOUTPUT}) {
            Gate *g = named(m, new Gate(kind, QStringLiteral("k%1").arg(kind), QBrush()),
                            QStringLiteral("k%1").arg(kind));
            wire(g, g->ports.first()->name, QStringLiteral("n"));
            QCOMPARE(g->writeVerilog(), QString());
        }
        Gate *clusterGeneric = generic(m, QStringLiteral("a[0],a[1]"), QString(), QStringLiteral("cg"));
        clusterGeneric->kind |= BaseEnum::ClusterFlag;
        clusterGeneric->properties.insert(QStringLiteral("=NativeName"), QVariantList{"c0", "c1"});
        QCOMPARE(clusterGeneric->writeVerilog(), QString());
    }

    // The example module: ports a, b, y and a further net carry.
    void moduleText()
    {
        port(m, QStringLiteral("b"), BaseEnum::Input);
        port(m, QStringLiteral("y"), BaseEnum::Output);
        port(m, QStringLiteral("a"), BaseEnum::Input);
        net(m, QStringLiteral("carry"));
        QCOMPARE(m->writeVerilog(), QStringLiteral("module top(a,\n"
                                                   "           b,\n"
                                                   "           y);\n\n"
                                                   "  input a;\n"
                                                   "  input b;\n"
                                                   "  output y;\n"
                                                   "  wire a;\n"
                                                   "  wire b;\n"
                                                   "  wire carry;\n"
                                                   "  wire y;\n"
                                                   "endmodule\n\n"));
    }

    void busRuns()
    {
        for (int i : {2, 0, 3, 1})
            port(m, QStringLiteral("a[%1]").arg(i), BaseEnum::Input);
        port(m, QStringLiteral("zz"), BaseEnum::Output);
        // An input bit and a bit that is only a net: the run is inout.
        m->findOrCreatePortGate(QStringLiteral("io[0]"), QString(),
                                PortAttributes::make(BaseEnum::Input, 2, 0, 0, false, 0), false);
        net(m, QStringLiteral("io[1]"));
        // Another bracket is no bus: its own declaration.
        net(m, QStringLiteral("a(4)"));
        QCOMPARE(m->writeVerilog(), QStringLiteral("module top(zz,\n"
                                                   "           a,\n"
                                                   "           io);\n\n"
                                                   "  output zz;\n"
                                                   "  input [0:3] a;\n"
                                                   "  inout [0:1] io;\n"
                                                   "  wire zz;\n"
                                                   "  wire [0:3] a;\n"
                                                   "  wire \\a(4) ;\n"
                                                   "  wire [0:1] io;\n"
                                                   "endmodule\n\n"));
    }

    void clashingDeclarations()
    {
        net(m, QStringLiteral("a"));
        LogCapture log;
        m->writeVerilog();
        QVERIFY(log.texts(QtWarningMsg).isEmpty());
        net(m, QStringLiteral("a[0]"));
        m->writeVerilog();
        QCOMPARE(log.texts(QtWarningMsg).size(), 1);
        QVERIFY(log.texts(QtWarningMsg).first().contains(QStringLiteral("declares a twice")));
    }

    void headerForms()
    {
        Module *sp = Module::findOrCreateModule(registry, QStringLiteral("Stack Path of main"), nullptr);
        QCOMPARE(sp->writeVerilog(), QStringLiteral("module \\StackPath_of_main ();\n\nendmodule\n\n"));
        QCOMPARE(sp->name, QStringLiteral("Stack Path of main"));
        QCOMPARE(m->writeVerilog(), QStringLiteral("module top();\n\nendmodule\n\n"));
    }

    // Sub-modules come first, each once, in name order, before the module
    // that names them.
    void subModules()
    {
        Module *sub = Module::findOrCreateModule(registry, QStringLiteral("sub"), nullptr);
        port(sub, QStringLiteral("i"), BaseEnum::Input);
        Gate *s1 = generic(m, QStringLiteral("i"), QString(), QStringLiteral("s1"), QStringLiteral("sub"));
        Gate *s2 = generic(m, QStringLiteral("i"), QString(), QStringLiteral("s2"), QStringLiteral("sub"));
        wire(s1, QStringLiteral("i"), QStringLiteral("n"));
        wire(s2, QStringLiteral("i"), QStringLiteral("n"));
        const QString subText = QStringLiteral("module sub(i);\n\n  input i;\n  wire i;\nendmodule\n\n");
        const QString topText = QStringLiteral("module top();\n\n  wire n;\n  sub s1(.i(n));\n  sub s2(.i(n));\n"
                                               "endmodule\n\n");
        QCOMPARE(m->writeVerilog(), subText + topText);

        // A second cell, made from its instance, sorts before sub; the
        // middle level names sub again, which is written once.
        Gate *mid = generic(m, QStringLiteral("p"), QStringLiteral("q"), QStringLiteral("u0"), QStringLiteral("mid"));
        wire(mid, QStringLiteral("p"), QStringLiteral("n"));
        const QString text = m->writeVerilog();
        Module *midModule = registry.value(QStringLiteral("mid"));
        QVERIFY(midModule);
        QCOMPARE(midModule->portGates->count(), 2);
        QVERIFY(text.startsWith(QStringLiteral("module mid(p,\n           q);\n\n  input p;\n  output q;\n"
                                               "endmodule\n\n\n\nmodule sub(")));
        generic(midModule, QStringLiteral("i"), QString(), QStringLiteral("deep"), QStringLiteral("sub"));
        const QString nested = m->writeVerilog();
        QCOMPARE(nested.count(QStringLiteral("module sub(")), 1);
        QVERIFY(nested.indexOf(QStringLiteral("module sub(")) < nested.indexOf(QStringLiteral("module mid(")));
        QVERIFY(nested.indexOf(QStringLiteral("module mid(")) < nested.indexOf(QStringLiteral("module top(")));
        QCOMPARE(nested, m->writeVerilog());
    }

    void selfNamingHierarchy()
    {
        Module *a = Module::findOrCreateModule(registry, QStringLiteral("a"), nullptr);
        Module *b = Module::findOrCreateModule(registry, QStringLiteral("b"), nullptr);
        generic(a, QString(), QString(), QStringLiteral("ib"), QStringLiteral("b"));
        generic(b, QString(), QString(), QStringLiteral("ia"), QStringLiteral("a"));
        generic(a, QString(), QString(), QStringLiteral("self"), QStringLiteral("a"));
        LogCapture log;
        const QString text = a->writeVerilog();
        QCOMPARE(text.count(QStringLiteral("module a(")), 1);
        QCOMPARE(text.count(QStringLiteral("module b(")), 1);
        QVERIFY(text.indexOf(QStringLiteral("module b(")) < text.indexOf(QStringLiteral("module a(")));
        QCOMPARE(log.texts(QtWarningMsg).size(), 2);
        QVERIFY(log.texts(QtWarningMsg).first().contains(QStringLiteral("Module a contains itself")));
    }

    // A cluster's members name the cell of one copy, which is written with
    // the member's port names.
    void clusterCell()
    {
        QList<Gate *> flops;
        for (int i = 0; i < 2; ++i) {
            flops << dFlop(m, QStringLiteral("r%1").arg(i), QStringLiteral("d[%1]").arg(i), QStringLiteral("clk"),
                           QStringLiteral("q[%1]").arg(i));
        }
        fold(m, flops, QStringLiteral("r_2"));
        const QString text = m->writeVerilog();
        QVERIFY(text.startsWith(QStringLiteral("module FFDCLKQ(CLK,\n               D,\n               Q);\n\n"
                                               "  input CLK;\n  input D;\n  output Q;\nendmodule\n\n"
                                               "module top();")));
        QVERIFY(!registry.contains(QStringLiteral("FFDCLKQ_2")));
    }

    // A generic gate without a type name gets a cell of its own, written
    // with the text but not left in the registry.
    void genericCell()
    {
        Gate *g = generic(m, QStringLiteral("a"), QStringLiteral("y"), QStringLiteral("g1"));
        wire(g, QStringLiteral("a"), QStringLiteral("n"));
        const QString text = m->writeVerilog();
        QVERIFY(text.startsWith(QStringLiteral("module GENERIC_g1(a,\n                  y);\n\n")));
        QVERIFY(text.contains(QStringLiteral("  GENERIC_g1 g1(.a(n),.y());\n")));
        QCOMPARE(registry.size(), 1);
    }
};

QTEST_MAIN(TestVerilog)
#include "tst_verilog.moc"
