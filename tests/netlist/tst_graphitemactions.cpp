// Graph item actions on hand-built gates and nets: which items they apply
// to, their texts, cluster gates (a sub-menu per member, or the member the
// gate was selected through), the expression of the item's object and the
// consistency box.

#include "common/testenvironment.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "netlist/windows/graphitemactions.h"
#include "netlist/windows/korvandebuggergrapheditor.h"

#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>
#include <protocol/debuggercommand.h>

#include <QMenu>
#include <QPointer>
#include <QtTest>

#include <memory>

using namespace KorvanDebugger::Internal;
using GraphEngine::BaseEnum;
using GraphEngine::Gate;
using GraphEngine::GraphItem;
using GraphEngine::Name;

namespace {

class IdleEngine : public Debugger::Internal::DebuggerEngine
{
public:
    IdleEngine() : DebuggerEngine(Debugger::Internal::DebuggerRunParameters()) {}
    void activateFrame(int) override {}
    void runCommand(const Debugger::Internal::DebuggerCommand &) override {}
};

std::unique_ptr<Gate> gate(int kind, const QString &name)
{
    std::unique_ptr<Gate> g(new Gate(kind, 2, QBrush(Qt::gray)));
    g->name = Name(name);
    g->properties.insert(QStringLiteral("Object Type"), QStringLiteral("Verific::Instance *"));
    g->properties.insert(QStringLiteral("Reference"), QStringLiteral("0x7ffd0010"));
    return g;
}

// A gate standing for the members g1 and g2.
std::unique_ptr<Gate> cluster(int types)
{
    std::unique_ptr<Gate> g = gate(BaseEnum::AND | BaseEnum::ClusterFlag, QStringLiteral("g1"));
    g->properties.insert(QStringLiteral("=NativeName"),
                         QVariantList{QVariant::fromValue(Name(QStringLiteral("g1"))),
                                      QVariant::fromValue(Name(QStringLiteral("g2")))});
    QStringList typeList, references;
    for (int i = 0; i < types; ++i) {
        typeList << QStringLiteral("Type%1 *").arg(i);
        references << QStringLiteral("0x%1").arg(0x100 + i, 0, 16);
    }
    g->properties.insert(QStringLiteral("Object Type"), typeList);
    g->properties.insert(QStringLiteral("Reference"), references);
    return g;
}

} // namespace

class TestGraphItemActions : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<IdleEngine> m_engine;
    QPointer<KorvanDebuggerGraphEditor> m_editor;

    QStringList watched() const { return m_engine->watchHandler()->watchedExpressions(); }

private slots:
    void init()
    {
        m_env.reset(new TestEnvironment);
        m_engine.reset(new IdleEngine);
        Debugger::Internal::setCurrentEngine(m_engine.get());
        m_editor = new KorvanDebuggerGraphEditor(QStringLiteral("actions"));
    }

    void cleanup()
    {
        delete m_editor;
        Debugger::Internal::setCurrentEngine(nullptr);
        m_engine.reset();
        m_env.reset();
    }

    void gatesWithoutAnObjectAndDefinitionsOfInstancesOnly()
    {
        GraphItemWatcher watch(tr("Watch Gate: %1"), m_editor);
        GraphItemOpenDefinition definition(tr("Open Definition: %1"), m_editor);
        for (int kind : {int(BaseEnum::VCC), int(BaseEnum::GND), int(BaseEnum::OPENINPUT),
                         int(BaseEnum::LOOPBACKOPENINPUT), int(BaseEnum::OPENINPUT | BaseEnum::ClusterFlag)}) {
            std::unique_ptr<Gate> constant = gate(kind, QStringLiteral("c"));
            QVERIFY2(!watch.prepareFor(GraphItem(constant.get())), qPrintable(QString::number(kind)));
        }
        std::unique_ptr<Gate> andGate = gate(BaseEnum::AND, QStringLiteral("and1"));
        QVERIFY(watch.prepareFor(GraphItem(andGate.get())));
        QCOMPARE(watch.text(), QStringLiteral("Watch Gate: and1"));
        QVERIFY(!definition.prepareFor(GraphItem(andGate.get())));
        std::unique_ptr<Gate> instance = gate(BaseEnum::GENERIC, QStringLiteral("ha1"));
        QVERIFY(definition.prepareFor(GraphItem(instance.get())));
        QCOMPARE(definition.text(), QStringLiteral("Open Definition: ha1"));
        QVERIFY(!definition.isFetchPending());
    }

    void watchAddsTheObjectsExpressionUnderTheItemsName()
    {
        GraphItemWatcher watch(tr("Watch Gate: %1"), m_editor);
        std::unique_ptr<Gate> andGate = gate(BaseEnum::AND, QStringLiteral("and1"));
        QVERIFY(watch.prepareFor(GraphItem(andGate.get())));
        QCOMPARE(watch.itemObject(), QStringLiteral("(Verific::Instance *) 0x7ffd0010"));
        watch.trigger();
        QCOMPARE(watched(), QStringList{QStringLiteral("(Verific::Instance *) 0x7ffd0010")});
        // An item without the two properties: empty type and reference.
        std::unique_ptr<Gate> bare(new Gate(BaseEnum::OR, 2, QBrush()));
        bare->name = Name(QStringLiteral("bare"));
        QVERIFY(watch.prepareFor(GraphItem(bare.get())));
        QCOMPARE(watch.itemObject(), QStringLiteral("() "));
    }

    void aClusterNotSelectedOffersOneEntryPerMember()
    {
        GraphItemWatcher watch(tr("Watch Gate: %1"), m_editor);
        std::unique_ptr<Gate> members = cluster(2);
        GraphEngine::increaseSelectionCounter(); // no member selected now
        QVERIFY(watch.prepareFor(GraphItem(members.get())));
        QCOMPARE(watch.text(), QStringLiteral("Watch Gate: "));
        QMenu *menu = watch.menu();
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 2);
        QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("g2"));
        auto second = qobject_cast<GraphItemWatcher *>(menu->actions().at(1));
        QVERIFY(second);
        QCOMPARE(second->item().gate(), members.get());
        // The entry finds its member by its text.
        second->trigger();
        QCOMPARE(watched(), QStringList{QStringLiteral("(Type1 *) 0x101")});
        // The next menu replaces the sub-menu.
        QPointer<QMenu> old = menu;
        std::unique_ptr<Gate> plain = gate(BaseEnum::AND, QStringLiteral("p"));
        QVERIFY(watch.prepareFor(GraphItem(plain.get())));
        QVERIFY(!old);
        QVERIFY(!watch.menu());
    }

    void aClusterSelectedThroughAMemberActsOnThatMember()
    {
        GraphItemOpenSource source(tr("Open Source: %1"), m_editor);
        GraphItemWatcher watch(tr("Watch Gate: %1"), m_editor);
        std::unique_ptr<Gate> members = cluster(2);
        members->setSubGateSelection(GraphEngine::selectionCounter(), 1);
        QVERIFY(watch.prepareFor(GraphItem(members.get())));
        QCOMPARE(watch.text(), QStringLiteral("Watch Gate: g2"));
        QCOMPARE(watch.portIndex(), 1);
        QVERIFY(!watch.menu());
        QCOMPARE(watch.itemObject(), QStringLiteral("(Type1 *) 0x101"));
        // Sub-menu entries of the other actions are of their own class.
        GraphEngine::increaseSelectionCounter();
        QVERIFY(source.prepareFor(GraphItem(members.get())));
        QVERIFY(qobject_cast<GraphItemOpenSource *>(source.menu()->actions().first()));
    }

    void aMemberWithoutItsObjectIsAConsistencyError()
    {
        Host::ScriptedDialogs dialogs;
        GraphItemWatcher watch(tr("Watch Gate: %1"), m_editor);
        std::unique_ptr<Gate> members = cluster(1); // one type for two members
        members->setSubGateSelection(GraphEngine::selectionCounter(), 1);
        QVERIFY(watch.prepareFor(GraphItem(members.get())));
        watch.trigger();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Korvan Debugger"));
        QCOMPARE(dialogs.messages.first().text,
                 QStringLiteral("Internal consistancy error detected. Action can't be executed. "
                                "Sub gate name is not coherent with Aggrgated."));
        QVERIFY(watched().isEmpty());
        // Open Source stops there too: nothing is asked of the debugger.
        GraphItemOpenSource source(tr("Open Source: %1"), m_editor);
        QVERIFY(source.prepareFor(GraphItem(members.get())));
        source.trigger();
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(!source.isFetchPending());
        QVERIFY(source.inspector().requests().isEmpty());
    }

    void openSourceAsksOncePerMenu()
    {
        GraphItemOpenSource source(tr("Open Source: %1"), m_editor);
        std::unique_ptr<Gate> andGate = gate(BaseEnum::AND, QStringLiteral("and1"));
        QVERIFY(source.prepareFor(GraphItem(andGate.get())));
        source.trigger();
        QVERIFY(source.isFetchPending());
        QCOMPARE(source.inspector().requests().keys(), QList<QByteArray>{"(Verific::Instance *) 0x7ffd0010"});
        source.trigger();
        QCOMPARE(source.inspector().requests().size(), 1);
        // A new menu asks again.
        QVERIFY(source.prepareFor(GraphItem(andGate.get())));
        QVERIFY(!source.isFetchPending());
    }
};

QTEST_MAIN(TestGraphItemActions)
#include "tst_graphitemactions.moc"
