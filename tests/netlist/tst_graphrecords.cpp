// Graph definition records and the shared graph data base.

#include "common/testenvironment.h"

#include "graphengine/model/module.h"
#include "netlist/graphdatabase.h"
#include "netlist/graphrecords.h"

#include <QPointer>
#include <QTest>

using namespace UndoFramework;
using GraphEngine::Module;
using GraphEngine::Name;

namespace {

const QString nullKeyMessage =
        QStringLiteral("Programmation Error: Field myDBKey shall never be null when calling this API.");

// A key above 32 bits, as a pointer of a 64-bit debuggee is.
constexpr quint64 wideKey = Q_UINT64_C(0x7ffd12345678abc0);

Instance andGate()
{
    Instance instance;
    instance.name = QStringLiteral("u1");
    instance.definition = QStringLiteral("VERIFIC_AND");
    instance.gateKind = 2;
    instance.properties.insert(QStringLiteral("Reference"), QStringLiteral("0x7ffd12345678abc0"));
    InstanceTerminal terminal;
    terminal.portName = QStringLiteral("a0");
    terminal.pinName = QStringLiteral("A");
    terminal.netName = QStringLiteral("n1");
    instance.terminals << terminal;
    return instance;
}

Port inputPort()
{
    Port port;
    port.name = QStringLiteral("clk");
    port.direction = 0;
    port.properties.insert(QStringLiteral("Object Type"), QStringLiteral("Verific::Port *"));
    return port;
}

QPointer<Module> makeModule(const ModuleRegistry &registry, const QString &name)
{
    bool created = false;
    Module *module = Module::findOrCreateModule(*registry, name, &created);
    return created ? module : nullptr;
}

} // namespace

class TestGraphRecords : public QObject
{
    Q_OBJECT

private slots:
    void init() { GraphDataBase::clearAllDB(); }
    void cleanup() { GraphDataBase::clearAllDB(); }

    void defaults();
    void keysKeepSixtyFourBits();
    void copiesAreIndependentValues();
    void stateTravelsThroughVariant();
    void lookupWithoutKeyIsReported();
    void clearAllKeepsOpenWindowsData();
    void clearAllWithoutWindowsFreesAtOnce();
    void clearLocalKeepsShownModules();
};

void TestGraphRecords::defaults()
{
    QCOMPARE(Port().direction, 3);
    QCOMPARE(Instance().gateKind, 0);
    const GraphUndoState state;
    QVERIFY(state.moduleName.isEmpty() && state.instances.isEmpty() && state.ports.isEmpty());
    QVERIFY(state.stackPath.isEmpty());
    QCOMPARE(state.myDBKey, quint64(0));
    QCOMPARE(state.changed, false);
    QCOMPARE(int(state.focusType), 0x10007);
    QVERIFY(state.focusName.isNull() && state.selectedEdgeName.isNull());
    // A data base of its own, not the program-wide one.
    QVERIFY(!state.graphDataBase.isSameDataBase(GraphDataBase::current()));
    QCOMPARE(state.graphDataBase.entryCount(), 0);
    QVERIFY(!GraphUndoState().graphDataBase.isSameDataBase(state.graphDataBase));
}

void TestGraphRecords::keysKeepSixtyFourBits()
{
    const GraphUndoState window(GraphDataBase::current(), wideKey);
    QCOMPARE(window.myDBKey, wideKey);
    QVERIFY(window.graphDataBase.isSameDataBase(GraphDataBase::current()));
    const GraphUndoState stackPath(GraphDataBase::current(), GraphDataBase::stackPathKey);
    QCOMPARE(stackPath.myDBKey, Q_UINT64_C(0xFFFFFFFF));

    // Keys that agree in their low 32 bits are different entries.
    GraphDataBase dataBase;
    const ModuleRegistry high = dataBase.registry(Q_UINT64_C(0x100000001));
    QVERIFY(!dataBase.contains(1));
    const ModuleRegistry low = dataBase.registry(1);
    QVERIFY(high != low);
    QCOMPARE(dataBase.entryCount(), 2);
}

void TestGraphRecords::copiesAreIndependentValues()
{
    GraphUndoState first(GraphDataBase::current(), wideKey);
    first.moduleName = QStringLiteral("top");
    first.instances << andGate();
    first.ports << inputPort();
    StackPathEntry entry;
    entry.elementType = GraphEngine::GuiNetItem;
    entry.elementName = Name(QStringLiteral("n1"));
    entry.values.append(Name(QStringLiteral("n1#0")));
    entry.valueTexts << QStringLiteral("frame 0");
    first.stackPath.insert(QStringLiteral("n1"), entry);

    GraphUndoState second = first;
    QCOMPARE(second.instances, first.instances);
    QCOMPARE(second.ports, first.ports);
    second.instances[0].terminals[0].netName = QStringLiteral("n2");
    second.ports[0].properties.insert(QStringLiteral("Reference"), QStringLiteral("0x10"));
    second.ports << Port();
    second.stackPath[QStringLiteral("n1")].valueTexts << QStringLiteral("frame 1");
    second.stackPath[QStringLiteral("n1")].values.append(Name(QStringLiteral("n1#1")));
    second.moduleName = QStringLiteral("other");

    QCOMPARE(first.moduleName, QStringLiteral("top"));
    QCOMPARE(first.instances.at(0), andGate());
    QCOMPARE(first.ports, QList<Port>({inputPort()}));
    QCOMPARE(first.stackPath.value(QStringLiteral("n1")).valueTexts, QStringList({"frame 0"}));
    // The pin text folds the list, so it is read from a copy.
    auto pinText = [](const GraphUndoState &state) {
        StackPathEntry entry = state.stackPath.value(QStringLiteral("n1"));
        return entry.values.toString();
    };
    const QString firstPin = pinText(first);
    const QString secondPin = pinText(second);
    QVERIFY2(firstPin.contains(QLatin1String("n1#0")) && !firstPin.contains(QLatin1String("n1#1")), qPrintable(firstPin));
    QVERIFY2(secondPin.contains(QLatin1String("n1#1")), qPrintable(secondPin));
    QVERIFY(second.instances.at(0) != andGate());

    // Both copies see one data base.
    QVERIFY(second.graphDataBase.isSameDataBase(first.graphDataBase));
    const ModuleRegistry registry = second.graphDataBase.registry(second.myDBKey);
    QVERIFY(first.graphDataBase.contains(wideKey));
    QCOMPARE(first.graphDataBase.registry(wideKey), registry);

    GraphUndoState assigned;
    assigned = first;
    QVERIFY(assigned.graphDataBase.isSameDataBase(first.graphDataBase));
    QCOMPARE(assigned.myDBKey, wideKey);
}

void TestGraphRecords::stateTravelsThroughVariant()
{
    const int id = registerGraphUndoStateType();
    QCOMPARE(QByteArray(QMetaType::typeName(id)), QByteArray("UndoFramework::GraphUndoState"));
    QCOMPARE(QMetaType::type("UndoFramework::GraphUndoState"), id);
    QCOMPARE(qMetaTypeId<GraphUndoState>(), id);

    GraphUndoState state(GraphDataBase::current(), wideKey);
    state.moduleName = QStringLiteral("top");
    state.instances << andGate();
    state.ports << inputPort();
    state.changed = true;
    state.focusType = GraphEngine::GuiGateItem;
    state.focusName = Name(QStringLiteral("u1"));
    state.selectedEdgeName = Name(QStringLiteral("n1"));

    QMap<QString, QVariant> viewerState;
    viewerState.insert(QStringLiteral("GraphViewer::GraphState"), QVariant::fromValue(state));
    const QVariant stored = viewerState.value(QStringLiteral("GraphViewer::GraphState"));
    QCOMPARE(stored.userType(), id);
    QVERIFY(stored.canConvert<GraphUndoState>());
    const GraphUndoState back = stored.value<GraphUndoState>();
    QCOMPARE(back.moduleName, state.moduleName);
    QCOMPARE(back.instances, state.instances);
    QCOMPARE(back.ports, state.ports);
    QCOMPARE(back.myDBKey, wideKey);
    QCOMPARE(back.changed, true);
    QCOMPARE(back.focusType, GraphEngine::GuiGateItem);
    QCOMPARE(back.focusName.text(), QStringLiteral("u1"));
    QCOMPARE(back.selectedEdgeName.text(), QStringLiteral("n1"));
    QVERIFY(back.graphDataBase.isSameDataBase(GraphDataBase::current()));

    // A value of another type reads as a default state.
    const GraphUndoState fallback = QVariant(42).value<GraphUndoState>();
    QCOMPARE(fallback.myDBKey, quint64(0));
    QCOMPARE(fallback.focusType, GraphEngine::GuiAnyItem);

    // The meta-type copies a given state and default-constructs without one.
    void *copy = QMetaType::create(id, &state);
    QCOMPARE(static_cast<GraphUndoState *>(copy)->instances, state.instances);
    QCOMPARE(static_cast<GraphUndoState *>(copy)->myDBKey, wideKey);
    QMetaType::destroy(id, copy);
    void *fresh = QMetaType::create(id, nullptr);
    QVERIFY(static_cast<GraphUndoState *>(fresh)->instances.isEmpty());
    QCOMPARE(static_cast<GraphUndoState *>(fresh)->focusType, GraphEngine::GuiAnyItem);
    QMetaType::destroy(id, fresh);
}

void TestGraphRecords::lookupWithoutKeyIsReported()
{
    GraphDataBase dataBase;
    QVERIFY(!dataBase.contains(7));
    QCOMPARE(dataBase.entryCount(), 0);
    {
        LogCapture log;
        dataBase.registry(7);
        dataBase.clearLocalDB(8);
        QVERIFY(log.texts(QtCriticalMsg).isEmpty());
    }
    LogCapture log;
    const ModuleRegistry registry = dataBase.registry(0);
    QVERIFY(registry);
    QVERIFY(dataBase.contains(0));
    dataBase.clearLocalDB(0);
    const QStringList critical = log.texts(QtCriticalMsg);
    QCOMPARE(critical.size(), 2);
    for (const QString &text : critical)
        QVERIFY2(text.contains(nullKeyMessage), qPrintable(text));
}

void TestGraphRecords::clearAllKeepsOpenWindowsData()
{
    QPointer<Module> shown;
    {
        GraphUndoState open(GraphDataBase::current(), wideKey);
        shown = makeModule(open.graphDataBase.registry(wideKey), QStringLiteral("top"));
        QVERIFY(shown);

        GraphDataBase::clearAllDB();
        // The open window keeps its data base and module ...
        QVERIFY(!open.graphDataBase.isSameDataBase(GraphDataBase::current()));
        QVERIFY(open.graphDataBase.contains(wideKey));
        QVERIFY(shown);
        // ... while a window opened now builds afresh.
        GraphUndoState later(GraphDataBase::current(), wideKey);
        QVERIFY(!later.graphDataBase.contains(wideKey));
        const QPointer<Module> rebuilt = makeModule(later.graphDataBase.registry(wideKey), QStringLiteral("top"));
        QVERIFY(rebuilt);
        QVERIFY(rebuilt != shown);
    }
    // The last handle on the old data base took its modules with it.
    QVERIFY(!shown);
    QVERIFY(GraphDataBase::current().contains(wideKey));
}

void TestGraphRecords::clearAllWithoutWindowsFreesAtOnce()
{
    const QPointer<Module> a = makeModule(GraphDataBase::current().registry(1), QStringLiteral("a"));
    const QPointer<Module> b = makeModule(GraphDataBase::current().registry(wideKey), QStringLiteral("b"));
    QVERIFY(a && b);
    GraphDataBase::clearAllDB();
    QVERIFY(!a && !b);
    QCOMPARE(GraphDataBase::current().entryCount(), 0);
}

void TestGraphRecords::clearLocalKeepsShownModules()
{
    // Two windows on the same value: each keeps the registry it shows.
    GraphUndoState first(GraphDataBase::current(), wideKey);
    GraphUndoState second(GraphDataBase::current(), wideKey);
    ModuleRegistry firstShows = first.graphDataBase.registry(wideKey);
    const QPointer<Module> shown = makeModule(firstShows, QStringLiteral("top"));
    ModuleRegistry secondShows = second.graphDataBase.registry(wideKey);
    QCOMPARE(secondShows, firstShows);

    second.graphDataBase.clearLocalDB(second.myDBKey);
    // The entry is still present, but empty ...
    QVERIFY(first.graphDataBase.contains(wideKey));
    QVERIFY(first.graphDataBase.registry(wideKey)->isEmpty());
    // ... and the module lives on while a window shows it.
    QVERIFY(shown);
    secondShows.reset();
    QVERIFY(shown);
    firstShows.reset();
    QVERIFY(!shown);

    // Without a window holding it, the entry's modules go at once.
    const QPointer<Module> unshown = makeModule(first.graphDataBase.registry(wideKey), QStringLiteral("top"));
    QVERIFY(unshown);
    first.graphDataBase.clearLocalDB(wideKey);
    QVERIFY(!unshown);
}

QTEST_MAIN(TestGraphRecords)
#include "tst_graphrecords.moc"
