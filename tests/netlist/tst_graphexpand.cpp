// The debugger-driven expand tool against a debugger the test scripts: an
// engine that answers the Inspector's fetches from a table of values shaped
// as the netlist printers show them, and can leave requests unanswered or
// children missing. These are the rare roads that real GDB hardly takes:
// the round structure of a cycle, an expression the debugger never answers,
// a round in which nothing new can be asked for, a cancelled progress task.

#include "common/netlisttexts.h"
#include "common/testenvironment.h"
#include "graphengine/viewerfixture.h"

#include "graphengine/globals.h"
#include "graphengine/model/edge.h"
#include "netlist/netlisttypes.h"
#include "netlist/windows/korvandebuggergraphexpand.h"

#include <coreplugin/progressmanager/progressmanager.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <protocol/debuggercommand.h>
#include <protocol/debuggerresponse.h>
#include <protocol/gdbmi.h>

#include <QJsonArray>
#include <QPointer>
#include <QJsonObject>
#include <QSet>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace KorvanDebugger::Internal;
using namespace NetlistTexts;
using namespace ViewerFixture;
using Debugger::Internal::DebuggerCommand;
using Debugger::Internal::DebuggerResponse;

namespace {

// One value of the scripted program, as the printers show it.
struct FakeValue
{
    QString name;
    QString value;
    QString type;
    quint64 address = 0;
    QList<FakeValue> children;
    // Its children never come, however often they are asked for.
    bool withheld = false;
};

// A GDB engine without GDB: each variable fetch is answered, one event-loop
// turn later, with the values of the table, children only for the items the
// fetch asks to expand, as the dumper answers.
class ScriptedEngine : public Debugger::Internal::GdbEngine
{
public:
    ScriptedEngine() : GdbEngine(Debugger::Internal::DebuggerRunParameters()) {}

    void runCommand(const DebuggerCommand &command) override
    {
        if (command.function != "fetchVariable")
            return;
        ++fetchCount;
        QTimer::singleShot(0, this, [this, command] { answer(command); });
    }

    // What the program holds, by expression.
    QMap<QByteArray, FakeValue> values;
    // Expressions the debugger leaves without an item.
    QSet<QByteArray> unanswered;
    int fetchCount = 0;
    // The items each fetch asked to expand, in order.
    QList<QSet<QString>> expandedPerFetch;

private:
    static QByteArray quoted(const QString &text)
    {
        return '"' + Debugger::Internal::escapeCString(text.toUtf8()) + '"';
    }

    QByteArray item(const FakeValue &value, const QString &iname, const QByteArray &expression,
                    const QSet<QString> &expanded) const
    {
        QByteArray text = "{iname=" + quoted(iname) + ",exp=" + quoted(QString::fromUtf8(expression))
                          + ",name=" + quoted(value.name) + ",value=" + quoted(value.value)
                          + ",type=" + quoted(value.type);
        if (value.address)
            text += ",address=\"0x" + QByteArray::number(value.address, 16) + '"';
        text += ",numchild=\"" + QByteArray::number(value.children.size()) + '"';
        if (expanded.contains(iname) && !value.withheld && !value.children.isEmpty()) {
            QByteArrayList children;
            for (int i = 0; i < value.children.size(); ++i)
                children << item(value.children.at(i), iname + QLatin1Char('.') + QString::number(i), QByteArray(),
                                 expanded);
            text += ",children=[" + children.join(',') + ']';
        }
        return text + '}';
    }

    void answer(const DebuggerCommand &command)
    {
        const QJsonObject args = command.args.toObject();
        QSet<QString> expanded;
        for (const QJsonValue &name : args.value(QLatin1String("expanded")).toArray())
            expanded.insert(name.toString());
        expandedPerFetch.append(expanded);
        QByteArrayList items;
        for (const QJsonValue &watcher : args.value(QLatin1String("watchers")).toArray()) {
            const QString iname = watcher.toObject().value(QLatin1String("iname")).toString();
            const QByteArray expression =
                QByteArray::fromHex(watcher.toObject().value(QLatin1String("exp")).toString().toLatin1());
            if (values.contains(expression) && !unanswered.contains(expression))
                items << item(values.value(expression), iname, expression, expanded);
        }
        DebuggerResponse response;
        response.resultClass = Debugger::Internal::ResultDone;
        response.consoleStreamOutput = "data=[" + items.join(',') + "]\n";
        if (command.callback)
            command.callback(response);
    }
};

const quint64 netAddress = Q_UINT64_C(0x7ffd12345678);
const quint64 otherNetAddress = Q_UINT64_C(0x7ffd00000200);
const quint64 and2Address = Q_UINT64_C(0x7ffd0000aaaa);
const quint64 portAddress = Q_UINT64_C(0x7ffd0000bbbb);
const QString netType = QStringLiteral("Verific::Net *");

FakeValue value(const QString &name, const QString &text, const QString &type, quint64 address = 0,
                const QList<FakeValue> &children = {})
{
    return FakeValue{name, text, type, address, children, false};
}

FakeValue list(const QString &name, const QList<FakeValue> &entries, int declared = -1)
{
    return value(name, QString::number(declared < 0 ? entries.size() : declared), QString(), 0, entries);
}

QString and2Text()
{
    return instanceText(QStringLiteral("and2"), {parameter(inMark(), QStringLiteral("a0"), QStringLiteral("n"), netAddress),
                                                 parameter(inMark(), QStringLiteral("a1"), QStringLiteral("n"), netAddress),
                                                 parameter(outMark(), QStringLiteral("o"), QStringLiteral("m"),
                                                           otherNetAddress)});
}

QString inverterText(const QString &name, const QString &input, quint64 inputAddress, const QString &output)
{
    return instanceText(name, {parameter(inMark(), QStringLiteral("i"), input, inputAddress),
                               parameter(outMark(), QStringLiteral("o"), output, otherNetAddress + 8)});
}

// An instance as a terminal's "Parent Instance" shows it.
FakeValue parentInstance(const QString &text, const QString &definition, quint64 address)
{
    QList<FakeValue> children;
    if (!definition.isNull())
        children << value(QStringLiteral("Definition"), QLatin1Char('"') + definition + QLatin1Char('"'),
                          QStringLiteral("Verific::Netlist *"), address + 0x100);
    children << value(QStringLiteral("Parent Module"), QStringLiteral("\"top\""), QStringLiteral("Verific::Netlist *"),
                      0x7ffd00000100);
    return value(QStringLiteral("Parent Instance"), text, QStringLiteral("Verific::Instance *"), address, children);
}

FakeValue terminal(int index, const QString &text, const FakeValue &parent)
{
    return value(QStringLiteral("[%1]").arg(index), text, QStringLiteral("Verific::PortRef *"), 0x7ffd00010000 + index,
                 {parent, value(QStringLiteral("Net"), QStringLiteral("n"), netType, netAddress)});
}

// The net "n": driven by "buf1", read by "inv1" (already drawn) and twice by
// "and2", and the module port "n".
FakeValue netValue()
{
    const FakeValue and2 = parentInstance(and2Text(), QStringLiteral("VERIFIC_AND"), and2Address);
    return value(QStringLiteral("n"), QStringLiteral("n"), netType, netAddress,
                 {value(QStringLiteral("Parent Module"), QStringLiteral("\"top\""), QStringLiteral("Verific::Netlist *"),
                        0x7ffd00000100),
                  list(QStringLiteral("Nb Terminals"),
                       {terminal(0, terminalText(inMark(), QStringLiteral("inv1"), QStringLiteral("i"), QStringLiteral("n")),
                                 parentInstance(inverterText(QStringLiteral("inv1"), QStringLiteral("n"), netAddress,
                                                             QStringLiteral("y")),
                                                QStringLiteral("VERIFIC_INV"), 0x7ffd0000cccc)),
                        terminal(1, terminalText(inMark(), QStringLiteral("and2"), QStringLiteral("a0"), QStringLiteral("n")),
                                 and2),
                        terminal(2, terminalText(inMark(), QStringLiteral("and2"), QStringLiteral("a1"), QStringLiteral("n")),
                                 and2),
                        terminal(3, terminalText(outMark(), QStringLiteral("buf1"), QStringLiteral("o"), QStringLiteral("n")),
                                 parentInstance(instanceText(QStringLiteral("buf1"),
                                                             {parameter(inMark(), QStringLiteral("i"), QStringLiteral("x"),
                                                                        otherNetAddress + 16),
                                                              parameter(outMark(), QStringLiteral("o"), QStringLiteral("n"),
                                                                        netAddress)}),
                                                QStringLiteral("VERIFIC_BUF"), 0x7ffd0000dddd))}),
                  list(QStringLiteral("Nb Ports"),
                       {value(QStringLiteral("[0]"), inMark() + QStringLiteral("n"), QStringLiteral("Verific::Port *"),
                              portAddress)})});
}

// The graph before: the inverter inv1 from n to y, read from its printed
// text, so that its nets carry the object type and reference of the program.
UndoFramework::GraphUndoState startState()
{
    UndoFramework::GraphUndoState state(UndoFramework::GraphDataBase(), Q_UINT64_C(0x7ffd00000100));
    state.moduleName = QStringLiteral("top");
    state.instances << UndoFramework::Instance(QStringLiteral("VERIFIC_INV"),
                                               inverterText(QStringLiteral("inv1"), QStringLiteral("n"), netAddress,
                                                            QStringLiteral("y")),
                                               QStringLiteral("Verific::Instance *"), 0x7ffd0000cccc);
    return state;
}



} // namespace

class TestGraphExpand : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<ScriptedEngine> m_engine;
    GraphViewer *m_viewer = nullptr;
    KorvanDebuggerGraphExpand *m_tool = nullptr;

    Edge *net(const QString &name) const { return m_viewer->module()->edges->find(Name(name)); }
    QByteArray netExpression() const { return QByteArray("(Verific::Net *) 0x7ffd12345678"); }
    // Double-clicks the net and waits for the end of the expansion.
    bool expand(const QString &name)
    {
        QSignalSpy completed(m_tool, &ToolExpandBase::completeExpand);
        m_tool->apply(ToolBase::DoubleClicked, GraphItem(net(name)));
        return !completed.isEmpty() || completed.wait(5000);
    }

private slots:
    void initTestCase()
    {
        m_env.reset(new TestEnvironment);
        registerBuiltinNetlistTypes();
    }

    void init()
    {
        m_engine.reset(new ScriptedEngine);
        m_engine->values.insert(netExpression(), netValue());
        Debugger::Internal::setCurrentEngine(m_engine.get());
        m_viewer = new GraphViewer(startState(), nullptr);
        m_tool = new KorvanDebuggerGraphExpand(m_viewer);
        m_viewer->addTool(m_tool);
        QVERIFY(m_viewer->module() && net(QStringLiteral("n")));
    }

    void cleanup()
    {
        delete m_viewer;
        m_viewer = nullptr;
        Debugger::Internal::setCurrentEngine(nullptr);
        m_engine.reset();
    }

    void aNetGrowsOverRoundsByDriversLoadsAndPorts()
    {
        // The net's expression keeps the whole 64-bit address of the value.
        QCOMPARE(KorvanDebuggerGraphExpand::expressionOf(net(QStringLiteral("n"))),
                 QString::fromLatin1(netExpression()));
        QSignalSpy rounds(m_tool, &ToolExpandBase::fetchNewData);
        const int before = m_viewer->undoStack()->count();
        QVERIFY(expand(QStringLiteral("n")));
        // The value; its two lists; the four terminals; their instances.
        QCOMPARE(m_engine->fetchCount, 4);
        QCOMPARE(rounds.count(), 4);
        // Everything missing in one round went out together: both lists,
        // then the four terminals, then their four parent instances.
        QList<int> expanded;
        for (const QSet<QString> &set : qAsConst(m_engine->expandedPerFetch))
            expanded << set.size();
        QCOMPARE(expanded, (QList<int>{1, 3, 7, 11}));
        QVERIFY(m_tool->isReady());

        const UndoFramework::GraphUndoState grown = storedState(*m_viewer);
        // and2 once for its two terminals, inv1 not twice; the port.
        QCOMPARE(recordNames(grown.instances), (QStringList{"inv1", "and2", "buf1"}));
        QCOMPARE(recordNames(grown.ports), QStringList{"n"});
        // The definition's quotes are dropped: the gate mapping is found.
        QCOMPARE(grown.instances.at(1).gateKind, int(BaseEnum::AND));
        QCOMPARE(grown.instances.at(1).properties.value(QStringLiteral("Reference")).toString(),
                 QStringLiteral("0x7ffd0000aaaa"));
        QCOMPARE(grown.instances.at(1).properties.value(QStringLiteral("Object Type")).toString(),
                 QStringLiteral("Verific::Instance*"));
        QCOMPARE(grown.ports.at(0).properties.value(QStringLiteral("Reference")).toString(),
                 QStringLiteral("0x7ffd0000bbbb"));
        QCOMPARE(m_viewer->undoStack()->count(), before + 1);
        QCOMPARE(graphUpdateCount(m_viewer->undoStack()), 1);
        QVERIFY(m_viewer->search(GuiGateItem, Name(QStringLiteral("and2"))));
        QVERIFY(m_viewer->search(GuiGateItem, Name(QStringLiteral("buf1"))));
        QVERIFY(m_viewer->stateMap().value(QStringLiteral("ToolExpandBase.Edge.n")).toBool());
    }

    void theProgressBarCountsTheRounds()
    {
        QList<int> values;
        connect(m_tool, &ToolExpandBase::fetchNewData, this, [this, &values] {
            values << (m_tool->progressFuture() ? m_tool->progressFuture()->progressValue() : -1);
        });
        m_tool->apply(ToolBase::DoubleClicked, GraphItem(net(QStringLiteral("n"))));
        QFutureInterface<void> *future = m_tool->progressFuture();
        QVERIFY(future);
        QCOMPARE(future->progressMinimum(), 0);
        QCOMPARE(future->progressMaximum(), 7);
        QVERIFY(m_tool->progressTask());
        QCOMPARE(m_tool->progressTask()->title(), QStringLiteral("Korvan: Expand Graph"));
        QCOMPARE(m_tool->progressTask()->type(), Core::Id("Korvan.GraphViewer"));
        QSignalSpy completed(m_tool, &ToolExpandBase::completeExpand);
        QVERIFY(completed.wait(5000));
        QCOMPARE(values, (QList<int>{1, 2, 3, 4}));
        QVERIFY(!m_tool->progressFuture());
    }

    void cancellingTheProgressTaskClosesOnlyTheBar()
    {
        m_tool->apply(ToolBase::DoubleClicked, GraphItem(net(QStringLiteral("n"))));
        QPointer<Core::FutureProgress> task = m_tool->progressTask();
        QVERIFY(task);
        task->cancel();
        QVERIFY(!m_tool->progressFuture());
        QVERIFY(!m_tool->isReady());
        // The cycle goes on: the records still arrive as one step.
        QSignalSpy completed(m_tool, &ToolExpandBase::completeExpand);
        QVERIFY(completed.wait(5000));
        QCOMPARE(recordNames(storedState(*m_viewer).instances), (QStringList{"inv1", "and2", "buf1"}));
        QCOMPARE(graphUpdateCount(m_viewer->undoStack()), 1);
        QVERIFY(m_tool->isReady());
    }

    void anUnansweredRequestIsDroppedAndTheUserTold()
    {
        m_engine->unanswered.insert(netExpression());
        QSignalSpy status(m_engine.get(), &Debugger::Internal::DebuggerEngine::statusMessage);
        QSignalSpy dropped(&m_tool->inspector(), &Inspector::requestsDropped);
        QVERIFY(expand(QStringLiteral("n")));
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(dropped.first().first().value<QList<QByteArray>>(), QList<QByteArray>{netExpression()});
        QCOMPARE(status.count(), 1);
        QVERIFY2(status.first().first().toString().contains(QString::fromLatin1(netExpression())),
                 qPrintable(status.first().first().toString()));
        // One round and the tool is free; nothing is asked again.
        QVERIFY(m_tool->isReady());
        QTest::qWait(50);
        QCOMPARE(m_engine->fetchCount, 1);
        QCOMPARE(graphUpdateCount(m_viewer->undoStack()), 0);
        QVERIFY(!m_viewer->stateMap().contains(QStringLiteral("ToolExpandBase.Edge.n")));
        // Not marked as expanded: once the debugger answers, the net grows.
        m_engine->unanswered.clear();
        QVERIFY(expand(QStringLiteral("n")));
        QCOMPARE(recordNames(storedState(*m_viewer).instances), (QStringList{"inv1", "and2", "buf1"}));
    }

    void aRoundWithNothingNewToAskCommitsWhatIsThere_data()
    {
        QTest::addColumn<int>("withheld");
        QTest::addColumn<int>("fetches");
        QTest::addColumn<QStringList>("instances");
        QTest::addColumn<QStringList>("ports");
        // 1: the terminal list never fills; 2: no terminal brings its
        // instance; 3: neither list fills.
        QTest::newRow("terminal list") << 1 << 2 << QStringList{"inv1"} << QStringList{"n"};
        QTest::newRow("parent instances") << 2 << 4 << QStringList{"inv1"} << QStringList{"n"};
        QTest::newRow("both lists") << 3 << 2 << QStringList{"inv1"} << QStringList();
    }

    void aRoundWithNothingNewToAskCommitsWhatIsThere()
    {
        QFETCH(int, withheld);
        QFETCH(int, fetches);
        QFETCH(QStringList, instances);
        QFETCH(QStringList, ports);
        FakeValue net = netValue();
        FakeValue &terminals = net.children[1];
        if (withheld == 1 || withheld == 3)
            terminals.withheld = true;
        if (withheld == 2) {
            for (FakeValue &entry : terminals.children)
                entry.children[0].withheld = true;
        }
        if (withheld == 3)
            net.children[2].withheld = true;
        m_engine->values.insert(netExpression(), net);
        QSignalSpy status(m_engine.get(), &Debugger::Internal::DebuggerEngine::statusMessage);
        QVERIFY(expand(QStringLiteral("n")));
        QVERIFY(m_tool->isReady());
        QCOMPARE(m_engine->fetchCount, fetches);
        QCOMPARE(status.count(), 1);
        QTest::qWait(50);
        QCOMPARE(m_engine->fetchCount, fetches);
        const UndoFramework::GraphUndoState state = storedState(*m_viewer);
        QCOMPARE(recordNames(state.instances), instances);
        QCOMPARE(recordNames(state.ports), ports);
        // A step only when something was added.
        QCOMPARE(graphUpdateCount(m_viewer->undoStack()), ports.isEmpty() ? 0 : 1);
    }

    void declaredEmptyListsEndAfterOneRound()
    {
        m_engine->values.insert(netExpression(),
                                value(QStringLiteral("n"), QStringLiteral("n"), netType, netAddress,
                                      {list(QStringLiteral("Nb Terminals"), {}), list(QStringLiteral("Nb Ports"), {})}));
        QSignalSpy rounds(m_tool, &ToolExpandBase::fetchNewData);
        QVERIFY(expand(QStringLiteral("n")));
        QCOMPARE(rounds.count(), 1);
        QCOMPARE(m_engine->fetchCount, 1);
        QCOMPARE(graphUpdateCount(m_viewer->undoStack()), 0);
        QVERIFY(m_tool->isReady());
    }

    void terminalsOfPortGatesAndEmptyInstancesOfOtherTypes()
    {
        // A terminal whose owner has no definition is a port gate; an owner
        // without a value text, an owner without definition whose text is no
        // port and one whose text is no instance add nothing; entries of other
        // types are not looked into.
        const FakeValue owner = parentInstance(inMark() + QStringLiteral("p"), QString(), 0x7ffd0000eeee);
        const FakeValue empty = parentInstance(QString(), QStringLiteral("VERIFIC_INV"), 0x7ffd0000ffff);
        const FakeValue noPort = parentInstance(and2Text(), QString(), and2Address);
        const FakeValue noInstance = parentInstance(QStringLiteral("junk"), QStringLiteral("VERIFIC_INV"), 0x7ffd00001111);
        m_engine->values.insert(netExpression(),
                                value(QStringLiteral("n"), QStringLiteral("n"), netType, netAddress,
                                      {list(QStringLiteral("Nb Terminals"),
                                            {terminal(0, terminalText(inMark(), QStringLiteral("p"), QStringLiteral("p"),
                                                                      QStringLiteral("n")),
                                                      owner),
                                             terminal(1, QStringLiteral("x"), empty),
                                             terminal(3, QStringLiteral("y"), noPort),
                                             terminal(4, QStringLiteral("z"), noInstance),
                                             value(QStringLiteral("[2]"), QStringLiteral("7"), QStringLiteral("int"))}),
                                       list(QStringLiteral("nb Ports"), {value(QStringLiteral("[0]"), inMark() + QStringLiteral("q"),
                                                                               QStringLiteral("Verific::Port *"), 1)})}));
        QVERIFY(expand(QStringLiteral("n")));
        const UndoFramework::GraphUndoState state = storedState(*m_viewer);
        QCOMPARE(recordNames(state.instances), QStringList{"inv1"});
        // "nb Ports" is no list: the lists are told by a case-sensitive "Nb ".
        QCOMPARE(recordNames(state.ports), QStringList{"p"});
        QCOMPARE(state.ports.first().properties.value(QStringLiteral("Reference")).toString(),
                 QStringLiteral("0x7ffd0000eeee"));
    }

    void withoutADebuggerNothingIsWaitedFor()
    {
        Debugger::Internal::setCurrentEngine(nullptr);
        QSignalSpy completed(m_tool, &ToolExpandBase::completeExpand);
        m_tool->apply(ToolBase::DoubleClicked, GraphItem(net(QStringLiteral("n"))));
        QCOMPARE(completed.count(), 1);
        QVERIFY(m_tool->isReady());
        QVERIFY(!m_tool->progressFuture());
        QCOMPARE(m_engine->fetchCount, 0);
    }

    void anExpressionFromTheWatchViewCommitsWithoutABar()
    {
        UndoFramework::GraphUndoState state = storedState(*m_viewer);
        QSignalSpy started(m_tool, &ToolExpandBase::startExpand);
        QSignalSpy completed(m_tool, &ToolExpandBase::completeExpand);
        QVERIFY(!m_tool->requestEdgeInfo(QString::fromLatin1(netExpression()), state));
        QVERIFY(!m_tool->isReady());
        QVERIFY(!m_tool->progressTask());
        QVERIFY(completed.wait(5000));
        QCOMPARE(started.count(), 0);
        QVERIFY(m_tool->isReady());
        QCOMPARE(recordNames(storedState(*m_viewer).instances), (QStringList{"inv1", "and2", "buf1"}));
        // The element's own expression leads to the same.
        m_viewer->undoStack()->undo();
        QVERIFY(!m_tool->fetchElement(net(QStringLiteral("n")), state));
        QVERIFY(completed.wait(5000));
        QCOMPARE(recordNames(storedState(*m_viewer).instances), (QStringList{"inv1", "and2", "buf1"}));
    }

    void theTraceIsWrittenOnlyWhenSwitchedOn()
    {
        for (const bool on : {false, true}) {
            GraphEngine::traceEnabled = on;
            LogCapture log;
            QVERIFY(expand(QStringLiteral("n")));
            GraphEngine::traceEnabled = false;
            const QStringList warnings = log.texts(QtWarningMsg);
            QCOMPARE(warnings.contains(QStringLiteral("retrieving.....")), on);
            QCOMPARE(warnings.contains(QStringLiteral("Theorical Nb Children 1 = 4")), on);
            m_viewer->undoStack()->undo();
        }
    }
};

QTEST_MAIN(TestGraphExpand)
#include "tst_graphexpand.moc"
