#include "common/testenvironment.h"
#include "verilognetlist.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace GraphEngine;
using namespace NetlistFixture;
using namespace VerilogNetlist;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString output;
};

ToolRun run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun result;
    if (!process.waitForStarted(30000) || !process.waitForFinished(120000)) {
        result.output = program + QStringLiteral(": ") + process.errorString();
        return result;
    }
    result.output = QString::fromLocal8Bit(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

// What yosys makes of the top module: the cells that drive a named net (a
// nand becomes an $and feeding a $not, only the $not drives the gate's net)
// and the cell pins on named nets or constants (not the floating input
// yosys gives the $mux of a bufif1).
struct YosysCounts
{
    int cells = 0;
    int connections = 0;
};

YosysCounts countTop(const QJsonObject &top)
{
    QSet<int> named;
    const QJsonObject netnames = top.value(QStringLiteral("netnames")).toObject();
    for (const QJsonValue &value : netnames) {
        const QJsonObject net = value.toObject();
        if (net.value(QStringLiteral("hide_name")).toInt() != 0)
            continue;
        for (const QJsonValue &bit : net.value(QStringLiteral("bits")).toArray()) {
            if (bit.isDouble())
                named.insert(bit.toInt());
        }
    }
    YosysCounts counts;
    const QJsonObject cells = top.value(QStringLiteral("cells")).toObject();
    for (const QJsonValue &value : cells) {
        const QJsonObject cell = value.toObject();
        const QString type = cell.value(QStringLiteral("type")).toString();
        const QJsonObject directions = cell.value(QStringLiteral("port_directions")).toObject();
        const QJsonObject connections = cell.value(QStringLiteral("connections")).toObject();
        bool drivesNamed = !type.startsWith(QLatin1Char('$'));
        for (auto it = connections.begin(); it != connections.end(); ++it) {
            const bool output = directions.value(it.key()).toString() == QLatin1String("output");
            for (const QJsonValue &bit : it.value().toArray()) {
                if (bit.isDouble() && named.contains(bit.toInt())) {
                    ++counts.connections;
                    drivesNamed = drivesNamed || output;
                } else if (bit.isString() && !(type == QLatin1String("$mux") && it.key() == QLatin1String("A"))) {
                    ++counts.connections;
                }
            }
        }
        if (drivesNamed)
            ++counts.cells;
    }
    return counts;
}

// The same counts on the netlist: every gate but ports and constants is a
// cell (a cluster one per member), every connected pin of one a connection.
YosysCounts countNetlist(const Module *module)
{
    YosysCounts counts;
    for (const Gate *gate : module->gates->elements()) {
        if (gate->isModulePort() || (gate->kind >= BaseEnum::VCC && gate->kind <= BaseEnum::Z))
            continue;
        const int members = gate->isCluster() ? gate->nativeNameCount() : 1;
        counts.cells += members;
        for (int bit = gate->isCluster() ? 0 : -1; bit < (gate->isCluster() ? members : 0); ++bit) {
            for (const GatePort *port : gate->portsOfBit(PortSet::AllGroups, bit)) {
                if (port->net)
                    ++counts.connections;
            }
        }
    }
    return counts;
}

} // namespace

// Verilog that the writer produces is read by real tools: Icarus Verilog
// elaborates it and yosys resolves its hierarchy; on generated netlists
// yosys finds as many cells and connections as the netlist holds.
class TestVerilogTools : public QObject
{
    Q_OBJECT

    ModuleMap registry;
    QTemporaryDir dir;

    QString writeTop(const QString &fileName)
    {
        Module *top = registry.value(QStringLiteral("top"));
        const QString path = dir.filePath(fileName);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(top->writeVerilog().toUtf8());
        return path;
    }

    void accept(const QString &path)
    {
        const ToolRun icarus = run(QStringLiteral("iverilog"), {QStringLiteral("-t"), QStringLiteral("null"), path});
        QVERIFY2(icarus.exitCode == 0, qPrintable(icarus.output));
        const ToolRun yosys =
            run(QStringLiteral("yosys"), {QStringLiteral("-q"), QStringLiteral("-p"),
                                          QStringLiteral("read_verilog %1; hierarchy -check -top top").arg(path)});
        QVERIFY2(yosys.exitCode == 0, qPrintable(yosys.output));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        if (QStandardPaths::findExecutable(QStringLiteral("iverilog")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("yosys")).isEmpty())
            QFAIL("iverilog and yosys must be installed (build.sh installs them)");
    }

    void cleanup() { deleteModules(registry); }

    // Every gate kind, a bus, escaped names, a hierarchy and cluster
    // instances in one module.
    void everyKind()
    {
        Module *top = Module::findOrCreateModule(registry, QStringLiteral("top"), nullptr);
        for (int i = 0; i < 4; ++i)
            port(top, QStringLiteral("a[%1]").arg(i), BaseEnum::Input);
        port(top, QStringLiteral("clk"), BaseEnum::Input);
        port(top, QStringLiteral("en"), BaseEnum::Input);
        port(top, QStringLiteral("y[0]"), BaseEnum::Output);
        port(top, QStringLiteral("y[1]"), BaseEnum::Output);
        port(top, QStringLiteral("io"), BaseEnum::InOut);
        port(top, QStringLiteral("in put"), BaseEnum::Input);
        int n = 0;
        for (int kind = BaseEnum::AND; kind <= BaseEnum::TRISTATE; ++kind) {
            Gate *g = logic(top, kind, 2, QStringLiteral("g%1").arg(kind));
            wire(g, QStringLiteral("A"), QStringLiteral("a[%1]").arg(kind % 4));
            if (g->findPortByName(QStringLiteral("B")))
                wire(g, QStringLiteral("B"), QStringLiteral("in put"));
            if (kind == BaseEnum::TRISTATE)
                wire(g, QStringLiteral("S"), QStringLiteral("en"));
            wire(g, QStringLiteral("Out"), QStringLiteral("w::%1").arg(n++));
        }
        Gate *mux = logic(top, BaseEnum::MUX2, 2, QStringLiteral("mux<1>"));
        wire(mux, QStringLiteral("D0"), QStringLiteral("w::0"));
        wire(mux, QStringLiteral("D1"), QStringLiteral("w::1"));
        wire(mux, QStringLiteral("S"), QStringLiteral("en"));
        wire(mux, QStringLiteral("Out"), QStringLiteral("y[0]"));
        Gate *ff = flop(top, BaseEnum::D | BaseEnum::CLK | BaseEnum::RN | BaseEnum::Q | BaseEnum::QN,
                        QStringLiteral("reg"));
        wire(ff, QStringLiteral("D"), QStringLiteral("w::2"));
        wire(ff, QStringLiteral("CLK"), QStringLiteral("clk"));
        wire(ff, QStringLiteral("Q"), QStringLiteral("y[1]"));
        wire(named(top, new Vcc(QStringLiteral("vcc"), QBrush()), QStringLiteral("vcc")), QStringLiteral("vcc"),
             QStringLiteral("one"));
        wire(named(top, new Gnd(QStringLiteral("gnd"), QBrush()), QStringLiteral("gnd")), QStringLiteral("gnd"),
             QStringLiteral("zero"));
        wire(named(top, new X(QStringLiteral("x"), QBrush()), QStringLiteral("x")), QStringLiteral("x"),
             QStringLiteral("unknown"));
        wire(named(top, new Z(QStringLiteral("z"), QBrush()), QStringLiteral("z")), QStringLiteral("z"),
             QStringLiteral("io"));
        Gate *rn = logic(top, BaseEnum::INVERTER, 1, QStringLiteral("wire"));
        wire(rn, QStringLiteral("A"), QStringLiteral("one"));
        wire(rn, QStringLiteral("Out"), QStringLiteral("rn"));
        wire(ff, QStringLiteral("RN"), QStringLiteral("rn"));

        // Generic cells: one without a type name, one with bus ports that a
        // middle level instantiates too, with a leaf below it.
        Gate *loose = generic(top, QStringLiteral("p,q"), QStringLiteral("r"), QStringLiteral("loose"));
        wire(loose, QStringLiteral("p"), QStringLiteral("zero"));
        wire(loose, QStringLiteral("r"), QStringLiteral("w::20"));
        Gate *alu = generic(top, QStringLiteral("a[3:0]"), QStringLiteral("s[1:0]"), QStringLiteral("alu0"),
                            QStringLiteral("alu"));
        for (int i = 0; i < 3; ++i)
            wire(alu, QStringLiteral("a[%1]").arg(i), QStringLiteral("a[%1]").arg(i));
        wire(alu, QStringLiteral("s[1]"), QStringLiteral("w::21"));
        Module *mid = Module::findOrCreateModule(registry, QStringLiteral("Stack Path mid"), nullptr);
        port(mid, QStringLiteral("m"), BaseEnum::Input);
        Gate *inner = generic(mid, QStringLiteral("a[3:0]"), QStringLiteral("s[1:0]"), QStringLiteral("alu1"),
                              QStringLiteral("alu"));
        wire(inner, QStringLiteral("a[2]"), QStringLiteral("m"));
        Gate *leaf = generic(mid, QStringLiteral("k"), QString(), QStringLiteral("leaf0"), QStringLiteral("leaf"));
        wire(leaf, QStringLiteral("k"), QStringLiteral("m"));
        Gate *midInstance = generic(top, QStringLiteral("m"), QString(), QStringLiteral("mid0"),
                                    QStringLiteral("Stack Path mid"));
        wire(midInstance, QStringLiteral("m"), QStringLiteral("unknown"));

        // Clusters: logic, tristate and flip-flop members.
        QList<Gate *> ands, tris, flops;
        for (int i = 0; i < 3; ++i) {
            Gate *g = logic(top, BaseEnum::XNOR, 2, QStringLiteral("x%1").arg(i));
            wire(g, QStringLiteral("A"), QStringLiteral("a[%1]").arg(i));
            wire(g, QStringLiteral("B"), QStringLiteral("en"));
            wire(g, QStringLiteral("Out"), QStringLiteral("xb[%1]").arg(i));
            ands << g;
            Gate *t = logic(top, BaseEnum::TRISTATE, 1, QStringLiteral("t%1").arg(i));
            wire(t, QStringLiteral("A"), QStringLiteral("xb[%1]").arg(i));
            wire(t, QStringLiteral("S"), QStringLiteral("en"));
            wire(t, QStringLiteral("Out"), QStringLiteral("tb[%1]").arg(i));
            tris << t;
            flops << dFlop(top, QStringLiteral("f%1").arg(i), QStringLiteral("tb[%1]").arg(i), QStringLiteral("clk"),
                           QStringLiteral("qb[%1]").arg(i));
        }
        fold(top, ands, QStringLiteral("x_3"));
        fold(top, tris, QStringLiteral("t_3"));
        fold(top, flops, QStringLiteral("f_3"));

        const QString path = writeTop(QStringLiteral("every.v"));
        const QString text = top->writeVerilog();
        for (const char *expected : {"  bufif1 g10(", "  MUX \\mux<1> (", "  not \\wire (", "module \\StackPath_mid (",
                                     "module alu(", "module leaf(", "  FFDCLKQ f2(", "  bufif1 t1(tb[1],xb[1],en);\n",
                                     "  xnor x0(xb[0],a[0],en);\n", "  GENERIC_loose loose(", "  input [0:3] a;\n"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);
        QCOMPARE(text.count(QStringLiteral("module alu(")), 1);
        accept(path);
    }

    // A register bank folded by the layout's own clustering: the cluster
    // instance is written and accepted, with one cell per folded copy.
    void layoutCluster()
    {
        Module *top = Module::findOrCreateModule(registry, QStringLiteral("top"), nullptr);
        port(top, QStringLiteral("clk"), BaseEnum::Input);
        for (int i = 0; i < 8; ++i) {
            port(top, QStringLiteral("d[%1]").arg(i), BaseEnum::Input);
            port(top, QStringLiteral("q[%1]").arg(i), BaseEnum::Output);
            dFlop(top, QStringLiteral("r%1").arg(i), QStringLiteral("d[%1]").arg(i), QStringLiteral("clk"),
                  QStringLiteral("q[%1]").arg(i));
        }
        top->computeLayout(10.0, true, false);
        int clusters = 0;
        for (const Gate *g : top->gates->elements())
            clusters += g->isCluster();
        QCOMPARE(clusters, 1);
        const QString path = writeTop(QStringLiteral("cluster.v"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QCOMPARE(text.count(QStringLiteral("  FFDCLKQ ")), 8);
        QVERIFY2(text.contains(QStringLiteral("  FFDCLKQ r3(")), qPrintable(text));
        accept(path);
        releaseModuleRegistry();
    }

    // Ports on nets of another name (the layout renames and generates
    // nets): a simulation shows the signal passes through them.
    void portsOnNetsOfAnotherName()
    {
        Module *top = Module::findOrCreateModule(registry, QStringLiteral("top"), nullptr);
        auto portOn = [top](const QString &name, const QString &netName, int direction) {
            top->findOrCreatePortGate(name, netName,
                                      PortAttributes::make(direction, direction == BaseEnum::Output ? 0 : 2, 0, 0,
                                                           false, 0),
                                      false);
        };
        portOn(QStringLiteral("a"), QStringLiteral("na"), BaseEnum::Input);
        portOn(QStringLiteral("y"), QStringLiteral("ny"), BaseEnum::Output);
        portOn(QStringLiteral("io"), QStringLiteral("nio"), BaseEnum::InOut);
        Gate *inverter = logic(top, BaseEnum::INVERTER, 1, QStringLiteral("inv"));
        wire(inverter, QStringLiteral("A"), QStringLiteral("na"));
        wire(inverter, QStringLiteral("Out"), QStringLiteral("ny"));
        Gate *driver = logic(top, BaseEnum::TRISTATE, 2, QStringLiteral("drive"));
        wire(driver, QStringLiteral("A"), QStringLiteral("ny"));
        wire(driver, QStringLiteral("S"), QStringLiteral("na"));
        wire(driver, QStringLiteral("Out"), QStringLiteral("nio"));
        portOn(QStringLiteral("r"), QStringLiteral("nr"), BaseEnum::Output);
        Gate *reader = logic(top, BaseEnum::INVERTER, 1, QStringLiteral("read"));
        wire(reader, QStringLiteral("A"), QStringLiteral("nio"));
        wire(reader, QStringLiteral("Out"), QStringLiteral("nr"));
        // yosys has no switch primitives (the inout's "tran"): Icarus alone.
        const QString path = writeTop(QStringLiteral("renamed.v"));

        const QString bench = dir.filePath(QStringLiteral("renamed_tb.v"));
        QFile file(bench);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // The bench drives the inout while the module's own driver is off.
        file.write("module tb; reg a; wire y; wire io; wire r;\n"
                   "  assign io = a ? 1'bz : 1'b1;\n"
                   "  top t(.a(a), .y(y), .io(io), .r(r));\n"
                   "  initial begin a = 0; #1 $display(\"%b%b%b\", y, io, r);\n"
                   "    a = 1; #1 $display(\"%b%b%b\", y, io, r); end\n"
                   "endmodule\n");
        file.close();
        const QString simulation = dir.filePath(QStringLiteral("renamed.vvp"));
        const ToolRun compiled = run(QStringLiteral("iverilog"), {QStringLiteral("-o"), simulation, path, bench});
        QVERIFY2(compiled.exitCode == 0, qPrintable(compiled.output));
        const ToolRun simulated = run(QStringLiteral("vvp"), {QStringLiteral("-n"), simulation});
        QVERIFY2(simulated.exitCode == 0, qPrintable(simulated.output));
        QCOMPARE(simulated.output.split(QLatin1Char('\n')).mid(0, 2), (QStringList{"110", "001"}));
    }

    // Generated netlists: yosys counts what the netlist holds.
    void generated_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 7u, 42u, 2024u})
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void generated()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        Module *top = Module::findOrCreateModule(registry, QStringLiteral("top"), nullptr);
        Module *cell = Module::findOrCreateModule(registry, QStringLiteral("cell"), nullptr);
        Q_UNUSED(cell)
        QStringList pool;
        for (int i = 0; i < 4; ++i) {
            pool << QStringLiteral("in[%1]").arg(i);
            port(top, pool.last(), BaseEnum::Input);
        }
        pool << QStringLiteral("c::k");
        port(top, pool.last(), BaseEnum::Input);
        const int kinds[] = {BaseEnum::AND, BaseEnum::NAND,     BaseEnum::OR,       BaseEnum::NOR,
                             BaseEnum::XOR, BaseEnum::XNOR,     BaseEnum::INVERTER, BaseEnum::TRISTATE,
                             BaseEnum::MUX2, BaseEnum::FLOP,    BaseEnum::GENERIC,  BaseEnum::VCC,
                             BaseEnum::GND, BaseEnum::X};
        auto pick = [&] { return pool.at(random.bounded(pool.size())); };
        int made = 0;
        QList<Gate *> bank;
        const int gateCount = 30 + random.bounded(30);
        for (int i = 0; i < gateCount; ++i) {
            const int kind = kinds[random.bounded(int(sizeof kinds / sizeof kinds[0]))];
            const QString gateName = QStringLiteral("g%1").arg(i);
            const QString out = random.bounded(2) ? QStringLiteral("w[%1]").arg(made++) : QStringLiteral("n%1").arg(made++);
            Gate *g = nullptr;
            switch (kind) {
            case BaseEnum::VCC:
                g = named(top, new Vcc(gateName, QBrush()), gateName);
                break;
            case BaseEnum::GND:
                g = named(top, new Gnd(gateName, QBrush()), gateName);
                break;
            case BaseEnum::X:
                g = named(top, new X(gateName, QBrush()), gateName);
                break;
            case BaseEnum::FLOP:
                g = flop(top, BaseEnum::D | BaseEnum::CLK | BaseEnum::RN | BaseEnum::Q, gateName);
                break;
            case BaseEnum::GENERIC:
                g = generic(top, QStringLiteral("a[1:0],b"), QStringLiteral("y"), gateName, QStringLiteral("cell"));
                break;
            default:
                g = logic(top, kind, kind == BaseEnum::INVERTER ? 1 : 2, gateName);
                break;
            }
            for (GatePort *p : g->ports.list()) {
                if (p->attributes.direction() == BaseEnum::Output)
                    wire(g, p->name, out);
                else
                    wire(g, p->name, pick());
            }
            pool << out;
            if (kind == BaseEnum::AND && bank.size() < 4)
                bank << g;
        }
        if (bank.size() >= 2)
            fold(top, bank, QStringLiteral("bank"));
        port(top, QStringLiteral("result"), BaseEnum::Output);
        Gate *last = logic(top, BaseEnum::OR, 2, QStringLiteral("last"));
        wire(last, QStringLiteral("A"), pool.at(pool.size() - 1));
        wire(last, QStringLiteral("B"), pool.at(pool.size() - 2));
        wire(last, QStringLiteral("Out"), QStringLiteral("result"));

        const QString path = writeTop(QStringLiteral("generated%1.v").arg(seed));
        accept(path);
        const QString json = dir.filePath(QStringLiteral("generated%1.json").arg(seed));
        const ToolRun yosys = run(QStringLiteral("yosys"),
                                  {QStringLiteral("-q"), QStringLiteral("-p"),
                                   QStringLiteral("read_verilog %1; hierarchy -check -top top; write_json %2")
                                       .arg(path, json)});
        QVERIFY2(yosys.exitCode == 0, qPrintable(yosys.output));
        QFile file(json);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject topJson = QJsonDocument::fromJson(file.readAll())
                                        .object()
                                        .value(QStringLiteral("modules"))
                                        .toObject()
                                        .value(QStringLiteral("top"))
                                        .toObject();
        QVERIFY(!topJson.isEmpty());
        const YosysCounts found = countTop(topJson);
        const YosysCounts expected = countNetlist(top);
        QVERIFY(expected.cells > 20);
        QCOMPARE(found.cells, expected.cells);
        QCOMPARE(found.connections, expected.connections);
    }
};

QTEST_MAIN(TestVerilogTools)
#include "tst_verilogtools.moc"
