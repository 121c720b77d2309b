// Value texts of ports, instances and instance terminals read into records,
// and netlist values of stack frames collected into stack-path entries.

#include "common/testenvironment.h"

#include "graphengine/model/baseenum.h"
#include "graphengine/model/baseobject.h"
#include "netlist/graphrecords.h"
#include "netlist/netlisttypes.h"
#include "netlist/stackpathentries.h"

#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTest>

using namespace UndoFramework;
using GraphEngine::BaseEnum;

namespace {

const QString in = QString(QChar(0x21E5));
const QString out = QString(QChar(0x21A6));
const QString inout = QString(QChar(0x21F9));
const QString dot = QString(QChar(0x00B7));
const QString hair = QString(QChar(0x200A));
const QString thin = QString(QChar(0x2009));

QString hidden(const QString &pointer)
{
    return QChar(0x226A) + pointer + QChar(0x226B);
}

QString parameter(const QString &mark, const QString &formal, const QString &net, const QString &netPointer)
{
    return mark + formal + hidden(QStringLiteral("0x1000")) + hair + QLatin1Char('(') + net
            + (netPointer.isEmpty() ? QString() : hidden(netPointer)) + QLatin1Char(')');
}

QString instanceText(const QString &name, const QStringList &parameters)
{
    return name + hair + QLatin1Char('(') + parameters.join(QLatin1Char(',') + thin) + QLatin1Char(')');
}

// A one-row model: column 0 the name, column 1 the value text.
Port readPort(const QString &valueText, quint64 address = 0x1A2B, int column = 0)
{
    QStandardItemModel model;
    model.appendRow({new QStandardItem(QStringLiteral("[0]")), new QStandardItem(valueText)});
    return Port(model.index(0, column), QStringLiteral("Verific::Port *"), address);
}

struct Split
{
    QString rest, instance, port, net;
};

Split split(const QString &text)
{
    QStringRef ref(&text);
    QStringRef instance, port, net;
    splitTerminalText(ref, instance, port, net);
    return {ref.toString(), instance.toString(), port.toString(), net.toString()};
}

const QString objectType = QStringLiteral("Object Type");
const QString reference = QStringLiteral("Reference");

} // namespace

class TestRecordReaders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void portTexts_data();
    void portTexts();
    void portIndexWithoutModelOrValueColumn();
    void portAddressesAreSixtyFourBits();

    void instanceOfMappedGate();
    void instanceTerminalsAndHiddenPointers();
    void instanceWithoutMappingIsGeneric();
    void instanceReadsNothing_data();
    void instanceReadsNothing();
    void instanceMalformedParameters();
    void instancePropertiesAreSingleValued();

    void hiddenPointerPattern();
    void splitTerminals();

    void stackPathSightings();
    void stackPathClassification();

private:
    TestEnvironment *m_env = nullptr;
};

void TestRecordReaders::initTestCase()
{
    m_env = new TestEnvironment;
    KorvanDebugger::Internal::registerBuiltinNetlistTypes();
}

void TestRecordReaders::cleanupTestCase()
{
    delete m_env;
}

void TestRecordReaders::portTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("connection");

    QTest::newRow("input, no net name") << in + "a" << 0 << "a" << "";
    QTest::newRow("input with net") << in + "a" + hair + "(net1)" << 0 << "a" << "net1";
    QTest::newRow("output") << out + "q" + hair + "(q_int)" << 1 << "q" << "q_int";
    QTest::newRow("inout") << inout + "io" << 2 << "io" << "";
    QTest::newRow("bus bit with parentheses in the net") << in + "d[0]" + hair + "(d(0))" << 0 << "d[0]" << "d(0)";
    QTest::newRow("hair space at the end") << in + "a" + hair << 0 << "a" << "";
    QTest::newRow("no direction mark") << "a" + hair + "(net1)" << 3 << "" << "";
    QTest::newRow("middle dot is no port direction") << dot + "a" << 3 << "" << "";
    QTest::newRow("empty text") << "" << 3 << "" << "";
}

void TestRecordReaders::portTexts()
{
    QFETCH(QString, text);
    QFETCH(int, direction);
    const Port port = readPort(text);
    QCOMPARE(port.direction, direction);
    QTEST(port.name, "name");
    QTEST(port.connection, "connection");
    if (direction == 3) {
        QVERIFY(port.properties.isEmpty());
    } else {
        QCOMPARE(port.properties.value(objectType).toString(), QStringLiteral("Verific::Port *"));
        QCOMPARE(port.properties.value(reference).toString(), QStringLiteral("0x1a2b"));
    }
}

void TestRecordReaders::portIndexWithoutModelOrValueColumn()
{
    QCOMPARE(Port(QModelIndex(), QStringLiteral("T *"), 1).direction, 3);
    // Any column of the row reads the value column.
    const Port fromName = readPort(out + "y", 0, 0);
    QCOMPARE(fromName.name, QStringLiteral("y"));
    QCOMPARE(fromName.properties.value(reference).toString(), QStringLiteral("0x0"));
    QCOMPARE(readPort(out + "y", 0, 1).name, QStringLiteral("y"));
}

void TestRecordReaders::portAddressesAreSixtyFourBits()
{
    const Port port = readPort(in + "clk", Q_UINT64_C(0x7ffd12345678abc0));
    QCOMPARE(port.properties.value(reference).toString(), QStringLiteral("0x7ffd12345678abc0"));
    const Instance instance(QStringLiteral("VERIFIC_INV"), instanceText("u", {}), QStringLiteral("Verific::Instance *"),
                            Q_UINT64_C(0xffffffff00000001));
    QCOMPARE(instance.properties.value(reference).toString(), QStringLiteral("0xffffffff00000001"));
}

void TestRecordReaders::instanceOfMappedGate()
{
    const QString text = instanceText("nand1", {parameter(in, "a0", "n1", "0x55aa"), parameter(in, "a1", "n2", "0x55bb"),
                                                parameter(out, "o", "n3", "0x55cc")});
    const Instance instance(QStringLiteral("VERIFIC_NAND"), text, QStringLiteral("Verific::Instance *"), 0xBEEF);
    QCOMPARE(instance.name, QStringLiteral("nand1"));
    QCOMPARE(instance.definition, QStringLiteral("VERIFIC_NAND"));
    QCOMPARE(instance.gateKind, int(BaseEnum::NAND));
    QCOMPARE(instance.roleFlags, 0);
    QCOMPARE(instance.properties.value(objectType).toString(), QStringLiteral("Verific::Instance *"));
    QCOMPARE(instance.properties.value(reference).toString(), QStringLiteral("0xbeef"));
    QCOMPARE(instance.terminals.size(), 3);
    // The Verific NAND maps its inputs to the pins of the drawn NAND.
    const QStringList pins = {instance.terminals[0].pinName, instance.terminals[1].pinName, instance.terminals[2].pinName};
    QCOMPARE(pins, QStringList({"A", "B", "Out"}));
    QCOMPARE(instance.terminals[2].direction, 1);
    QCOMPARE(instance.terminals[2].netName, QStringLiteral("n3"));

    const Instance flop(QStringLiteral("VERIFIC_DFFRS"), instanceText("ff", {parameter(in, "d", "n", "")}),
                        QStringLiteral("Verific::Instance *"), 1);
    QCOMPARE(flop.gateKind, int(BaseEnum::FLOP));
    QVERIFY(flop.roleFlags & GraphEngine::portRoleFromString(QStringLiteral("CLK")));
    QCOMPARE(flop.terminals.first().pinName, QStringLiteral("D"));
}

void TestRecordReaders::instanceTerminalsAndHiddenPointers()
{
    const QString text = instanceText("u1", {parameter(in, "a0", "n1", "0x7ffd0000aaaa"), parameter(dot, "x", "n2", "0x2"),
                                             parameter(in, "a0", "other", "0x3"), parameter(out, "o", "last", "0x4")});
    const Instance instance(QStringLiteral("VERIFIC_AND"), text, QStringLiteral("Verific::Instance *"), 1);
    QCOMPARE(instance.terminals.size(), 3);
    const InstanceTerminal &first = instance.terminals[0];
    QCOMPARE(first.portName, QStringLiteral("a0"));
    QCOMPARE(first.netName, QStringLiteral("n1"));
    QCOMPARE(first.netProperties.value(objectType).toString(), QStringLiteral("Verific::Net *"));
    QCOMPARE(first.netProperties.value(reference).toString(), QStringLiteral("0x7ffd0000aaaa"));
    QVERIFY(first.properties.isEmpty());
    // The middle dot stands for a port of unknown direction: inout.
    QCOMPARE(instance.terminals[1].direction, 2);
    QCOMPARE(instance.terminals[1].portName, QStringLiteral("x"));
    // A repeated formal port keeps its first occurrence; the last parameter
    // loses exactly its ")".
    QCOMPARE(instance.terminals[2].portName, QStringLiteral("o"));
    QCOMPARE(instance.terminals[2].netName, QStringLiteral("last"));

    // An open port: empty net, and no pointer to reference.
    const Instance open(QStringLiteral("VERIFIC_AND"), instanceText("u2", {parameter(in, "a0", "", "")}),
                        QStringLiteral("Verific::Instance *"), 1);
    QCOMPARE(open.terminals.size(), 1);
    QCOMPARE(open.terminals[0].netName, QString());
    QCOMPARE(open.terminals[0].netProperties.value(reference).toString(), QString());

    // No associated net type: names still lose their pointers.
    const Instance plain(QStringLiteral("VERIFIC_AND"), text, QStringLiteral("Verific::LutInstance *"), 1);
    QCOMPARE(plain.terminals[0].netName, QStringLiteral("n1"));
    QVERIFY(plain.terminals[0].netProperties.isEmpty());
}

void TestRecordReaders::instanceWithoutMappingIsGeneric()
{
    const Instance instance(QStringLiteral("half_adder"), instanceText("ha1", {parameter(in, "a", "x", "0x1")}),
                            QStringLiteral("Verific::Instance *"), 1);
    QCOMPARE(instance.gateKind, int(BaseEnum::GENERIC));
    QCOMPARE(instance.terminals.first().pinName, QStringLiteral("a"));
    // A mapping to the port kinds reads, and its callers drop it later.
    const Instance port(QStringLiteral("InputPort"), instanceText("p", {}), QStringLiteral("GraphEngine::Gate *"), 1);
    QCOMPARE(port.gateKind, int(BaseEnum::INPUTPORT));
}

void TestRecordReaders::instanceReadsNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("not accessible") << "u1" + hair + "(<not accessible>)";
    QTest::newRow("not accessible alone") << "<not accessible>";
    QTest::newRow("no closing parenthesis") << "u1" + hair + "(" + in + "a" + hair + "(n";
    QTest::newRow("no hair space") << "u1 (a(n))";
    QTest::newRow("parenthesis only before the hair space") << "u1)" + hair + "(";
    QTest::newRow("empty") << "";
}

void TestRecordReaders::instanceReadsNothing()
{
    QFETCH(QString, text);
    const Instance instance(QStringLiteral("VERIFIC_AND"), text, QStringLiteral("Verific::Instance *"), 1);
    QCOMPARE(instance.gateKind, 0);
    QCOMPARE(instance.name, QString());
    QVERIFY(instance.properties.isEmpty());
    QVERIFY(instance.terminals.isEmpty());
}

void TestRecordReaders::instanceMalformedParameters()
{
    // Stray characters between parameters are skipped one by one.
    const QString stray = "u" + hair + "(xx" + parameter(in, "a0", "n1", "") + ")";
    QCOMPARE(Instance("VERIFIC_AND", stray, "T *", 1).terminals.size(), 1);
    // A parameter without hair space ends the list, keeping what was read.
    const QString cut = "u" + hair + "(" + parameter(in, "a0", "n1", "") + "," + thin + in + "a1)";
    const Instance truncated("VERIFIC_AND", cut, "T *", 1);
    QCOMPARE(truncated.gateKind, int(BaseEnum::AND));
    QCOMPARE(truncated.terminals.size(), 1);
    // Texts cut right after a hair space or "(" read without crashing.
    for (const QString &broken : {QString("u" + hair + "(" + in + "a" + hair + ")"), QString("u" + hair + "(" + in + hair + ")"),
                                  QString("u" + hair + "()"), QString("u" + hair + ")")}) {
        const Instance instance("VERIFIC_AND", broken, "T *", 1);
        for (const InstanceTerminal &terminal : instance.terminals)
            QVERIFY(!terminal.netName.contains(QLatin1Char(')')));
    }
}

void TestRecordReaders::instancePropertiesAreSingleValued()
{
    Instance("X", QString(), QString(), 0);
    QVERIFY(GraphEngine::isSingleValuedPropertyKey(objectType));
    QVERIFY(GraphEngine::isSingleValuedPropertyKey(reference));
}

void TestRecordReaders::hiddenPointerPattern()
{
    const QRegularExpression &pattern = UndoFramework::hiddenPointerPattern();
    QCOMPARE(&pattern, &UndoFramework::hiddenPointerPattern());
    QString text = "n1" + hidden("0x12") + "tail" + hidden("");
    QCOMPARE(pattern.match(text).captured(1), QStringLiteral("0x12"));
    text.remove(pattern);
    QCOMPARE(text, QStringLiteral("n1tail"));
    // An unclosed mark is no pointer.
    QVERIFY(!pattern.match(QString("n") + QChar(0x226A) + "0x1").hasMatch());
}

void TestRecordReaders::splitTerminals()
{
    const Split withArrow = split(in + "u1" + hair + ".A" + hair + "(net5)");
    QCOMPARE(withArrow.instance, QStringLiteral("u1"));
    QCOMPARE(withArrow.port, QStringLiteral("A"));
    QCOMPARE(withArrow.net, QStringLiteral("net5"));
    QCOMPARE(withArrow.rest, "u1" + hair + ".A" + hair + "(net5)");
    const Split withoutArrow = split("u1" + hair + ".A" + hair + "(net5)");
    QCOMPARE(withoutArrow.instance, withArrow.instance);
    QCOMPARE(withoutArrow.port, withArrow.port);
    QCOMPARE(withoutArrow.net, withArrow.net);
    QCOMPARE(split(out + "u1" + hair + ".o" + hair + "()").net, QString());

    // Malformed texts give empty parts, never a crash.
    const Split noHair = split(in + "u1");
    QCOMPARE(noHair.instance, QStringLiteral("u1"));
    QCOMPARE(noHair.port, QString());
    const Split oneHair = split("u1" + hair + ".A");
    QCOMPARE(oneHair.port, QStringLiteral("A"));
    QCOMPARE(oneHair.net, QString());
    const Split trailing = split("u1" + hair + hair);
    QCOMPARE(trailing.instance, QStringLiteral("u1"));
    QCOMPARE(trailing.net, QString());
    QCOMPARE(split(QString()).instance, QString());
}

void TestRecordReaders::stackPathSightings()
{
    QMap<QString, StackPathEntry> path;
    const QString net = QStringLiteral("Verific::Net *");
    QVERIFY(KorvanDebugger::Internal::classifyStackValue(path, "n1 in f", "key1", net, 0, "n1"));
    QVERIFY(!KorvanDebugger::Internal::classifyStackValue(path, "n1 in g", "key1", net, 1, "ignored"));
    QVERIFY(!KorvanDebugger::Internal::classifyStackValue(path, "n1 in h", "key1", net, 2, "ignored"));
    QCOMPARE(path.size(), 1);
    StackPathEntry entry = path.value("key1");
    QCOMPARE(entry.elementType, GraphEngine::GuiNetItem);
    QCOMPARE(entry.elementName.text(), QStringLiteral("n1"));
    const QString nbsp = QString(QChar(0x00A0));
    QCOMPARE(entry.valueTexts, QStringList({"0:" + nbsp + "n1 in f", "1:" + nbsp + "n1 in g", "2:" + nbsp + "n1 in h"}));
    // The levels are the names' indices: one compact run.
    QCOMPARE(entry.values.toString().trimmed(), QStringLiteral("[0:2]"));
}

void TestRecordReaders::stackPathClassification()
{
    using KorvanDebugger::Internal::classifyStackValue;
    QMap<QString, StackPathEntry> path;
    QVERIFY(classifyStackValue(path, "p", "port", "Verific::Port *", 0, out + "q" + hair + "(q_int)"));
    QCOMPARE(path["port"].elementType, GraphEngine::GuiAnyPortGateItem);
    QCOMPARE(path["port"].elementName.text(), QStringLiteral("q"));

    QVERIFY(classifyStackValue(path, "i", "inst", "Verific::Instance *", 0, instanceText("and1", {parameter(in, "a0", "n", "")})));
    QCOMPARE(path["inst"].elementType, GraphEngine::GuiGateItem);
    QCOMPARE(path["inst"].elementName.text(), QStringLiteral("and1"));

    QVERIFY(classifyStackValue(path, "t", "term", "Verific::PortRef *", 3, in + "ha2" + hair + ".a" + hair + "(n_ha1s)"));
    QCOMPARE(path["term"].elementType, GraphEngine::GuiGatePortItem);
    QCOMPARE(path["term"].elementName.text(), QStringLiteral("ha2"));
    QCOMPARE(path["term"].portName, QStringLiteral("a"));

    // A value text without hair space is used whole.
    QVERIFY(classifyStackValue(path, "g", "gate", "GraphEngine::Gate *", 0, "lonely"));
    QCOMPARE(path["gate"].elementName.text(), QStringLiteral("lonely"));

    // No netlist role: nothing stored, also when seen again.
    QVERIFY(!classifyStackValue(path, "x", "int", "int", 0, "5"));
    QVERIFY(!classifyStackValue(path, "x", "int", "int", 1, "5"));
    QVERIFY(!path.contains("int"));
    QCOMPARE(path.size(), 4);
}

QTEST_MAIN(TestRecordReaders)
#include "tst_recordreaders.moc"
