// The graph editor window on watch models the test builds itself: the
// fetch cycle (posted events, the return key, collapsing), every failure
// text through one box, the busy refusal, the data base, the engine states,
// the start selection texts and the Window-menu entries.

#include "common/testenvironment.h"

#include "graphengine/globals.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "graphengine/scene/guielementtype.h"
#include "graphengine/scene/netlistitem.h"
#include "netlist/netlisttypes.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "netlist/windows/toolverilogcode.h"
#include "graphengine/viewer/graphviewer.h"
#include "plugin/korvandebuggerplugin.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/progressmanager/progressmanager.h>
#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>
#include <protocol/debuggercommand.h>

#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace Debugger::Internal;
using namespace KorvanDebugger::Internal;
using GraphEngine::Name;
using UndoFramework::GraphDataBase;

namespace {

const QString in = QStringLiteral("\u21E5");
const QString out = QStringLiteral("\u21A6");
const QString hair = QStringLiteral("\u200A");
const QString thin = QStringLiteral("\u2009");
const int numChildRole = Qt::UserRole + 1; // the host's child count
const quint64 topAddress = Q_UINT64_C(0x7ffd12345670);

QString parameter(const QString &mark, const QString &formal, const QString &net)
{
    return mark + formal + hair + QLatin1Char('(') + net + QLatin1Char(')');
}

QString instanceText(const QString &name, const QStringList &parameters)
{
    return name + hair + QLatin1Char('(') + parameters.join(QLatin1Char(',') + thin) + QLatin1Char(')');
}

// A row of the host's watch model: name, value and type cells with the
// host's roles.
QList<QStandardItem *> row(const QString &iname, const QString &name, const QString &value, const QString &type,
                           quint64 address = 0, int children = 0)
{
    QList<QStandardItem *> cells{new QStandardItem(name), new QStandardItem(value), new QStandardItem(type)};
    for (QStandardItem *cell : cells) {
        cell->setData(iname, LocalsINameRole);
        cell->setData(type, LocalsTypeRole);
        if (address)
            cell->setData(address, LocalsAddressRole);
    }
    cells.first()->setData(children, numChildRole);
    return cells;
}

// The children of a netlist value "top": ports a, b (inputs), y (output)
// and two AND gates.
void addModuleChildren(QStandardItem *top, const QString &iname, bool withPortRows = true)
{
    QList<QStandardItem *> ports = row(iname + ".Nb Ports", "Nb Ports", "3", "", 0, 3);
    if (withPortRows) {
        int i = 0;
        for (const QString &text : QStringList{in + "a", in + "b", out + "y"}) {
            ports.first()->appendRow(row(iname + ".Nb Ports." + QString::number(i), QStringLiteral("[%1]").arg(i),
                                         text, "Verific::Port *", 0x1000 + 16 * i));
            ++i;
        }
    }
    top->appendRow(ports);
    QList<QStandardItem *> instances = row(iname + ".Nb Instances", "Nb Instances", "2", "", 0, 2);
    instances.first()->appendRow(row(iname + ".Nb Instances.0", "\"VERIFIC_AND\"",
                                     instanceText("g1", {parameter(in, "a0", "a"), parameter(in, "a1", "b"),
                                                         parameter(out, "o", "n1")}),
                                     "Verific::Instance *", 0x2000));
    instances.first()->appendRow(row(iname + ".Nb Instances.1", "\"VERIFIC_AND\"",
                                     instanceText("g2", {parameter(in, "a0", "n1"), parameter(in, "a1", "b"),
                                                         parameter(out, "o", "y")}),
                                     "Verific::Instance *", 0x2010));
    top->appendRow(instances);
}

// A value at the top of the model whose "Parent Module" child is "top" with
// its ports and gates fetched; returns the value's row.
QList<QStandardItem *> addValueInTop(QStandardItemModel *model, const QString &iname, const QString &value,
                                     const QString &type, quint64 address)
{
    QList<QStandardItem *> item = row(iname, iname.section(QLatin1Char('.'), -1), value, type, address, 2);
    const QString parentName = iname + QStringLiteral(".Parent Module");
    QList<QStandardItem *> parent = row(parentName, "Parent Module", "\"top\"", "Verific::Netlist *", topAddress, 3);
    addModuleChildren(parent.first(), parentName);
    item.first()->appendRow(parent);
    model->appendRow(item);
    return item;
}

// The module value "top" under the Locals, its children not fetched.
QList<QStandardItem *> addTop(WatchModel *model)
{
    QList<QStandardItem *> top = row("local.top", "top", "\"top\"", "Verific::Netlist *", topAddress, 3);
    model->rootItem("local")->appendRow(top);
    return top;
}

QStringList names(const GraphEngine::Gates *gates)
{
    QStringList result;
    for (const GraphEngine::Gate *gate : gates->elements())
        result << gate->name.text();
    result.sort();
    return result;
}

// An engine that only changes state when told to.
class StateEngine : public DebuggerEngine
{
public:
    StateEngine() : DebuggerEngine(DebuggerRunParameters()) {}
    void enterState(int state) { setState(state); }
    void activateFrame(int) override {}
    void runCommand(const DebuggerCommand &) override {}
};

} // namespace

class TestGraphEditor : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<QMenu> m_viewsMenu;

    // A window on the row; a box it shows is recorded in dialogs.
    static QPointer<KorvanDebuggerGraphEditor> open(int kind, const QModelIndex &index, QTreeView *view = nullptr)
    {
        return new KorvanDebuggerGraphEditor(view, kind, index);
    }
    static int startFetching(KorvanDebuggerGraphEditor *editor, const QModelIndex &index)
    {
        return editor->startFetching(index, index, &KorvanDebuggerGraphEditor::moduleExpanding);
    }

private slots:
    void initTestCase()
    {
        m_env.reset(new TestEnvironment);
        registerBuiltinNetlistTypes();
        int *types[] = {&KorvanDebuggerPlugin::instanceEventType, &KorvanDebuggerPlugin::instanceTerminalEventType,
                        &KorvanDebuggerPlugin::netEventType, &KorvanDebuggerPlugin::moduleEventType,
                        &KorvanDebuggerPlugin::modulePortEventType,
                        &KorvanDebuggerPlugin::instanceDefinitionEventType};
        for (int *type : types)
            *type = QEvent::registerEventType();
        m_viewsMenu.reset(new QMenu);
        Core::ActionManager::createMenu("QtCreator.Menu.Window.Views", m_viewsMenu.get());
    }

    void cleanup()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        setCurrentEngine(nullptr);
        GraphDataBase::clearAllDB();
    }

    void aWindowSwitchesTheTraceOnWhenTheUserAsksForIt()
    {
        Host::ScriptedDialogs dialogs;
        WatchHandler handler;
        QList<QStandardItem *> top = addTop(handler.model());
        GraphEngine::traceEnabled = false;
        const int tasksBefore = Core::ProgressManager::tasks().size();
        QLoggingCategory::setFilterRules(QStringLiteral("korvan.trace.debug=true"));
        QPointer<KorvanDebuggerGraphEditor> editor = open(KorvanDebuggerGraphEditor::ModuleStart, top.first()->index());
        QLoggingCategory::setFilterRules(QString());
        QVERIFY(editor);
        QVERIFY(GraphEngine::traceEnabled);
        GraphEngine::traceEnabled = false;
        delete editor;
        QTRY_COMPARE(Core::ProgressManager::tasks().size(), tasksBefore);
    }

    void inspectedFieldsAndChildFields()
    {
        QStandardItemModel model;
        model.appendRow(row("local.p", "\"name\"", "\"value\"", "Verific::Port *", 0xfff0123456789abcull));
        model.appendRow(row("local.q", "(Foo *) 0x12", "", ""));
        model.appendRow(row("local.r", "(Bar) 0x12", "", ""));
        model.appendRow(row("local.s", "plain", "\"", "Baz"));
        const InspectedField p(model.index(0, 0).data().toString(), model.index(0, 1).data().toString(), model.index(0, 0));
        QCOMPARE(p.name, QStringLiteral("name"));
        QCOMPARE(p.value, QStringLiteral("value"));
        QCOMPARE(p.pointerType(), QStringLiteral("Verific::Port *"));
        // 64-bit addresses are kept whole.
        QCOMPARE(p.address(), 0xfff0123456789abcull);
        QCOMPARE(fieldOf(model.index(1, 0)).pointerType(), QStringLiteral("Foo *"));
        QCOMPARE(fieldOf(model.index(2, 0)).pointerType(), QStringLiteral("Bar*"));
        QCOMPARE(fieldOf(model.index(3, 0)).pointerType(), QStringLiteral("Baz*"));
        // A lone quote is the leading one and goes; nothing else is touched.
        QCOMPARE(fieldOf(model.index(3, 0)).value, QString());
        QCOMPARE(InspectedField(QString(), QString(), QModelIndex()).address(), quint64(0));

        QStandardItem *top = new QStandardItem("top");
        model.appendRow(top);
        top->appendRow(row("local.t.0", "\"n0\"", "\"v0\"", "T"));
        top->appendRow(row("local.t.1", "n1", "v1", "T"));
        const QList<InspectedField> both = childFields(top->index(), 1);
        QCOMPARE(both.size(), 2);
        QCOMPARE(both.at(0).name + both.at(0).value, QStringLiteral("n0v0"));
        QCOMPARE(both.at(1).index, model.index(1, 0, top->index()));
        QCOMPARE(childFields(top->index(), 2).at(1).name, QString());
        QCOMPARE(childFields(top->index(), 2).at(1).value, QStringLiteral("v1"));
        QCOMPARE(childFields(top->index(), 0).at(1).value, QString());
        QCOMPARE(childFields(top->index(), 0).at(1).name, QStringLiteral("n1"));
        QVERIFY(childFields(top->index(), 3).isEmpty());
        QVERIFY(childFields(QModelIndex(), 1).isEmpty());
        QVERIFY(childFields(model.index(0, 0), 1).isEmpty());
    }

    void startSelectionOfEachKind()
    {
        StartSelection s = startSelection(KorvanDebuggerGraphEditor::InstanceStart,
                                          instanceText("g1", {parameter(in, "a0", "a")}));
        QCOMPARE(s.type, int(GraphEngine::GuiGateItem));
        QCOMPARE(s.name.toString(), QStringLiteral("g1"));
        QCOMPARE(s.subGate.toString(), QStringLiteral("g1"));
        QVERIFY(s.clearSelection);
        // An instance shown as a port: an output port gate for an output.
        s = startSelection(KorvanDebuggerGraphEditor::InstanceStart, out + "y" + hair + "(n)");
        QCOMPARE(s.type, int(GraphEngine::GuiOutputPortGateItem));
        QCOMPARE(s.name.toString(), QStringLiteral("y"));
        s = startSelection(KorvanDebuggerGraphEditor::InstanceStart, in + "a");
        QCOMPARE(s.type, int(GraphEngine::GuiInputPortGateItem));

        s = startSelection(KorvanDebuggerGraphEditor::InstanceTerminalStart,
                           in + "ha2" + hair + ".a" + hair + "(n_ha1s)");
        QCOMPARE(s.name.toString(), QStringLiteral("ha2"));
        QCOMPARE(s.net.toString(), QStringLiteral("n_ha1s"));
        QCOMPARE(s.type, int(GraphEngine::GuiGateItem));
        QCOMPARE(s.fallbackType, int(GraphEngine::GuiAnyPortGateItem));
        QVERIFY(!s.clearSelection);
        s = startSelection(KorvanDebuggerGraphEditor::InstanceTerminalStart, "ff2" + hair + ".async_cond" + hair + "()");
        QCOMPARE(s.net.toString(), QString());

        s = startSelection(KorvanDebuggerGraphEditor::NetStart, "n_mux");
        QCOMPARE(s.type, int(GraphEngine::GuiNetItem));
        QCOMPARE(s.name.toString(), QStringLiteral("n_mux"));
        QCOMPARE(s.subGate.toString(), QString());

        // A port whose net is named otherwise is found by the port's name.
        s = startSelection(KorvanDebuggerGraphEditor::ModulePortStart, out + "q" + hair + "(q_int)");
        QCOMPARE(s.type, int(GraphEngine::GuiOutputPortGateItem));
        QCOMPARE(s.name.toString(), QStringLiteral("q"));
        s = startSelection(KorvanDebuggerGraphEditor::ModulePortStart, QStringLiteral("\u21F9io"));
        QCOMPARE(s.type, int(GraphEngine::GuiInputPortGateItem));
        QCOMPARE(s.name.toString(), QStringLiteral("io"));
        QCOMPARE(startSelection(KorvanDebuggerGraphEditor::InstanceDefinitionStart, "x").type, 0);
    }

    void aModuleIsFetchedLevelByLevelAndDrawn()
    {
        Host::ScriptedDialogs dialogs;
        WatchHandler handler;
        WatchModel *model = handler.model();
        QList<QStandardItem *> top = addTop(model);
        QTreeView view;
        view.setModel(model);
        view.expand(top.first()->index());
        QSignalSpy fetches(model, &WatchModel::fetchRequested);
        const int tasksBefore = Core::ProgressManager::tasks().size();

        QPointer<KorvanDebuggerGraphEditor> editor = open(KorvanDebuggerGraphEditor::ModuleStart,
                                                          top.first()->index(), &view);
        QVERIFY(editor);
        QCOMPARE(editor->parentWidget(), &view);
        // Nobody asked for the trace: the window leaves it off.
        QVERIFY(!GraphEngine::traceEnabled);
        QCOMPARE(Core::ProgressManager::tasks().size(), tasksBefore + 1);
        QCOMPARE(Core::ProgressManager::tasks().last()->title(), QStringLiteral("Korvan GraphViewer top"));
        QCOMPARE(fetches.count(), 1);
        QCOMPARE(fetches.last().first().toString(), QStringLiteral("local.top"));
        QVERIFY(editor->isFetching());
        QVERIFY(!editor->isVisible());

        // The host refills the item (its rows are new items); the ports
        // come without their rows yet.
        model->removeRow(top.first()->row(), top.first()->parent()->index());
        top = addTop(model);
        addModuleChildren(top.first(), "local.top", false);
        view.expand(top.first()->index());
        handler.notifyUpdateFinished();
        // The answer is taken on a posted event, never inside the signal.
        QTRY_COMPARE(fetches.count(), 2);
        QCOMPARE(fetches.last().first().toString(), QStringLiteral("local.top.Nb Ports"));
        QVERIFY(!view.isExpanded(top.first()->index()));
        QVERIFY(!editor->module());

        QStandardItem *ports = top.first()->child(0);
        int i = 0;
        for (const QString &text : QStringList{in + "a", in + "b", out + "y"}) {
            ports->appendRow(row("local.top.Nb Ports." + QString::number(i), QStringLiteral("[%1]").arg(i), text,
                                 "Verific::Port *", 0x1000 + 16 * i));
            ++i;
        }
        view.expand(ports->index());
        handler.notifyUpdateFinished();
        QTRY_VERIFY(editor && editor->module());
        QCOMPARE(fetches.count(), 2);
        GraphEngine::Module *module = editor->module();
        QCOMPARE(module->name, QStringLiteral("top"));
        QCOMPARE(names(module->portGates), (QStringList{"a", "b", "y"}));
        QCOMPARE(names(module->gates), (QStringList{"a", "b", "g1", "g2", "y"}));
        QCOMPARE(editor->graphState().myDBKey, topAddress);
        QVERIFY(GraphDataBase::current().contains(topAddress));
        // The rows expanded for the walk are collapsed again.
        QVERIFY(!view.isExpanded(ports->index()));
        QVERIFY(!view.isExpanded(top.first()->index()));
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->windowTitle(), QStringLiteral("Module: top"));
        QVERIFY(editor->progress().isFinished());
        QVERIFY(!editor->progress().isCanceled());
        QVERIFY(dialogs.messages.isEmpty());

        // The same value again: the data base has it, nothing is fetched.
        QPointer<KorvanDebuggerGraphEditor> second = open(KorvanDebuggerGraphEditor::ModuleStart,
                                                          top.first()->index(), &view);
        QCOMPARE(second->module(), module);
        QCOMPARE(fetches.count(), 2);
        QVERIFY(!second->isFetching());
        QVERIFY(second->isVisible());
        // The windows keep their module when the data base is emptied.
        GraphDataBase::clearAllDB();
        QCOMPARE(module->name, QStringLiteral("top"));
        delete second;
        delete editor;
        QTRY_COMPARE(Core::ProgressManager::tasks().size(), tasksBefore);
    }

    void otherStartValuesWalkToTheirParentModule()
    {
        Host::ScriptedDialogs dialogs;
        QStandardItemModel model;
        // A gate value with its "Parent Module" fetched.
        QList<QStandardItem *> gate =
            addValueInTop(&model, "local.gate", instanceText("g2", {parameter(in, "a0", "n1"), parameter(out, "o", "y")}),
                          "Verific::Instance *", 0x2010);
        QPointer<KorvanDebuggerGraphEditor> editor = open(KorvanDebuggerGraphEditor::InstanceStart, gate.first()->index());
        QVERIFY(editor->module());
        QCOMPARE(editor->startElement().name.toString(), QStringLiteral("g2"));
        QCOMPARE(editor->startElement().type, int(GraphEngine::GuiGateItem));
        delete editor;

        // A value listed under a module's child list shows that module.
        GraphDataBase::clearAllDB();
        QStandardItem *ports = gate.first()->child(0)->child(0);
        editor = open(KorvanDebuggerGraphEditor::ModulePortStart, ports->child(2)->index());
        QVERIFY(editor->module());
        QCOMPARE(editor->startElement().name.toString(), QStringLiteral("y"));
        QCOMPARE(editor->startElement().type, int(GraphEngine::GuiOutputPortGateItem));
        delete editor;
        QVERIFY(dialogs.messages.isEmpty());
    }

    void aTerminalOfAPortInstanceSelectsAndCentresThePortGate()
    {
        // The terminal's instance "a" is drawn as the module's input port
        // gate, not as a gate: the window must still find, select and
        // centre it.
        Host::ScriptedDialogs dialogs;
        QStandardItemModel model;
        QList<QStandardItem *> terminal =
            addValueInTop(&model, "local.term", in + "a" + hair + ".o" + hair + "()", "Verific::PortRef *", 0x3000);
        QPointer<KorvanDebuggerGraphEditor> editor =
            open(KorvanDebuggerGraphEditor::InstanceTerminalStart, terminal.first()->index());
        QVERIFY(editor && editor->module() && editor->viewer());
        GraphEngine::GraphViewer *viewer = editor->viewer();
        const auto selectedPortGate = [viewer]() -> GraphEngine::NetlistItem * {
            const QList<QGraphicsItem *> selected = viewer->scene()->selectedItems();
            if (selected.size() != 1 || selected.first()->type() != GraphEngine::GuiInputPortGateItem)
                return nullptr;
            auto item = static_cast<GraphEngine::NetlistItem *>(selected.first());
            return item->graphItem().name().toString() == QLatin1String("a") ? item : nullptr;
        };
        QVERIFY(selectedPortGate());

        // Centred: seen from the far corner of a scene as large as a big
        // design's, the same selection brings the port gate to the middle.
        viewer->scene()->clearSelection();
        GraphEngine::GraphView *view = viewer->view();
        view->setSceneRect(viewer->scene()->itemsBoundingRect().adjusted(-3000, -3000, 3000, 3000));
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
        const auto distanceToMiddle = [view](const QGraphicsItem *item) {
            const QPointF middle = view->mapToScene(view->viewport()->rect().center());
            return QLineF(middle, item->sceneBoundingRect().center()).length();
        };
        GraphEngine::NetlistItem *gate = viewer->search(GraphEngine::GuiInputPortGateItem, Name(QStringLiteral("a")));
        QVERIFY(gate);
        const double before = distanceToMiddle(gate);
        QVERIFY2(before > gate->sceneBoundingRect().width(), qPrintable(QString::number(before)));
        editor->applySelection(editor->startElement());
        QCOMPARE(selectedPortGate(), gate);
        QVERIFY2(distanceToMiddle(gate) < gate->sceneBoundingRect().width() / 2,
                 qPrintable(QStringLiteral("%1 from the middle").arg(distanceToMiddle(gate))));
        delete editor;
        QVERIFY(dialogs.messages.isEmpty());
    }

    void eachFailureEndsWithOneBoxAndAnEmptyDataBase_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("value");
        QTest::addColumn<quint64>("address");
        QTest::addColumn<QString>("children");
        QTest::addColumn<QString>("text");
        const QString module = QStringLiteral("Verific::Netlist *");
        QTest::newRow("not a module") << 3 << "Verific::Port *" << "\"x\"" << topAddress << "module"
                                      << "This Data Model does not link to model definition.";
        QTest::newRow("null module") << 3 << module << "\"top\"" << quint64(0) << "module"
                                     << "Null Pointer reference. Can't access to graph.";
        QTest::newRow("module with nothing") << 3 << module << "\"top\"" << topAddress << ""
                                             << "Graph Inaccessible";
        QTest::newRow("module without ports") << 3 << module << "\"top\"" << topAddress << "other"
                                              << "Invalid configuration: Field not found \"Nb Ports\". "
                                                 "Sub-model definition is invalid.";
        QTest::newRow("gate with nothing") << 0 << "Verific::Instance *" << "0" << quint64(0x2000) << ""
                                           << "Illegal data. Can't access to graph";
        QTest::newRow("gate without parent") << 0 << "Verific::Instance *" << "g" << quint64(0x2000) << "other"
                                             << "Invalid configuration: Field not found 'Parent Module'";
        QTest::newRow("definition missing") << 5 << "Verific::Instance *" << "g" << quint64(0x2000) << "other"
                                            << "Invalid configuration: Field not found 'Definition'";
        QTest::newRow("builder fails") << 3 << module << "\"top\"" << topAddress << "bad instance"
                                       << "Can't draw graph.";
    }

    void eachFailureEndsWithOneBoxAndAnEmptyDataBase()
    {
        QFETCH(int, kind);
        QFETCH(QString, type);
        QFETCH(QString, value);
        QFETCH(quint64, address);
        QFETCH(QString, children);
        QFETCH(QString, text);
        Host::ScriptedDialogs dialogs;
        GraphDataBase::current().registry(0x77); // an entry the cancel must empty
        QStandardItemModel model;
        QList<QStandardItem *> start = row("local.v", "v", value, type, address, 1);
        if (children == QLatin1String("module")) {
            addModuleChildren(start.first(), "local.v");
        } else if (children == QLatin1String("other")) {
            start.first()->appendRow(row("local.v.x", "Something", "1", "int"));
        } else if (children == QLatin1String("bad instance")) {
            start.first()->appendRow(row("local.v.Nb Ports", "Nb Ports", "0", ""));
            QList<QStandardItem *> instances = row("local.v.Nb Instances", "Nb Instances", "1", "", 0, 1);
            instances.first()->appendRow(row("local.v.Nb Instances.0", "VERIFIC_AND",
                                             instanceText("g", {parameter(in, "zz", "n")}), "Verific::Instance *", 1));
            start.first()->appendRow(instances);
        }
        model.appendRow(start);
        QPointer<KorvanDebuggerGraphEditor> editor = open(kind, start.first()->index());
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Korvan Debugger"));
        QVERIFY2(dialogs.messages.first().text.startsWith(text), qPrintable(dialogs.messages.first().text));
        QVERIFY(editor->isCancelled());
        QVERIFY(editor->progress().isCanceled() && editor->progress().isFinished());
        QCOMPARE(GraphDataBase::current().entryCount(), 0);
        // A second cancel shows nothing more; the window goes.
        editor->cancelOperation(QStringLiteral("again"));
        QCOMPARE(dialogs.messages.size(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!editor);
    }

    void aDesignTooLargeToLayOutEndsWithOneBox()
    {
        Host::ScriptedDialogs dialogs;
        QStandardItemModel model;
        QList<QStandardItem *> top = row("local.top", "top", "\"top\"", "Verific::Netlist *", topAddress, 3);
        addModuleChildren(top.first(), "local.top");
        model.appendRow(top);
        // Net b crosses the column of g1 on its way to g2: no room for it.
        GraphEngine::Module::setLayoutMemoryLimit(1);
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("too large to lay out")));
        QPointer<KorvanDebuggerGraphEditor> refused = open(KorvanDebuggerGraphEditor::ModuleStart, top.first()->index());
        GraphEngine::Module::setLayoutMemoryLimit(0);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Korvan Debugger"));
        QCOMPARE(dialogs.messages.first().text,
                 QStringLiteral("Module top is too large to lay out: its 2 gates and 4 nets would make 2 net crossings, "
                                "about 1 MB, and 1 MB can be given to the layout."));
        QVERIFY(refused->isCancelled());
        QVERIFY(!refused->isVisible());
        QVERIFY(refused->progress().isCanceled() && refused->progress().isFinished());
        // The data base that held the module is emptied, the window goes.
        QCOMPARE(GraphDataBase::current().entryCount(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!refused);

        // With room the same value opens as ever.
        QPointer<KorvanDebuggerGraphEditor> shown = open(KorvanDebuggerGraphEditor::ModuleStart, top.first()->index());
        QVERIFY(shown->module());
        QCOMPARE(shown->module()->layoutError(), QString());
        QVERIFY(shown->isVisible());
        QCOMPARE(dialogs.messages.size(), 1);
        delete shown;
    }

    void aCorruptDataBaseEntryIsReported()
    {
        Host::ScriptedDialogs dialogs;
        QStandardItemModel model;
        QList<QStandardItem *> top = row("local.top", "top", "\"top\"", "Verific::Netlist *", topAddress, 3);
        addModuleChildren(top.first(), "local.top");
        model.appendRow(top);
        QPointer<KorvanDebuggerGraphEditor> first = open(KorvanDebuggerGraphEditor::ModuleStart, top.first()->index());
        QVERIFY(first->module());
        first->clearLocalDB();
        // The emptied entry is still there; the first window keeps its module.
        QVERIFY(GraphDataBase::current().contains(topAddress));
        QCOMPARE(first->module()->name, QStringLiteral("top"));
        QPointer<KorvanDebuggerGraphEditor> second = open(KorvanDebuggerGraphEditor::ModuleStart, top.first()->index());
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().text, QStringLiteral("Programming error. DB is corrupted."));
        delete first;
    }

    void anAnswerWithoutTheStartValueEndsTheWait()
    {
        Host::ScriptedDialogs dialogs;
        WatchHandler handler;
        WatchModel *model = handler.model();
        QList<QStandardItem *> top = addTop(model);
        QPointer<KorvanDebuggerGraphEditor> editor = open(KorvanDebuggerGraphEditor::ModuleStart, top.first()->index());
        QVERIFY(editor->isFetching());
        // The program moved on: the value is gone when the answer comes.
        handler.removeChildren("local");
        handler.notifyUpdateFinished();
        QTRY_COMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().text,
                 QStringLiteral("The inspected value is no longer available. Graph drawing canceled"));
        QTRY_VERIFY(!editor);
    }

    void aSecondFetchWhileOneRunsIsRefused()
    {
        Host::ScriptedDialogs dialogs;
        WatchHandler handler;
        WatchModel *model = handler.model();
        QList<QStandardItem *> top = row("local.top", "top", "\"top\"", "Verific::Netlist *", topAddress, 3);
        QList<QStandardItem *> other = row("local.other", "other", "\"o\"", "Verific::Netlist *", topAddress + 8, 3);
        model->rootItem("local")->appendRow(top);
        model->rootItem("local")->appendRow(other);
        QSignalSpy fetches(model, &WatchModel::fetchRequested);
        QPointer<KorvanDebuggerGraphEditor> editor = open(KorvanDebuggerGraphEditor::ModuleStart, top.first()->index());
        QCOMPARE(fetches.count(), 1);
        QCOMPARE(startFetching(editor, other.first()->index()), 1);
        QCOMPARE(fetches.count(), 1);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Graph Drawing Engine Message"));
        QCOMPARE(dialogs.messages.first().text,
                 QStringLiteral("A Graph is currently being retrieved. Can't fetch 2 graphs at same time. Abort operation"));
        QVERIFY(editor->isFetching());
        QVERIFY(!editor->isCancelled());
        // Answers with children or nothing to fetch need no claim.
        QCOMPARE(startFetching(editor, QModelIndex()), 0);
        QList<QStandardItem *> empty = row("local.e", "e", "0", "Verific::Netlist *", 8, 0);
        model->rootItem("local")->appendRow(empty);
        QCOMPARE(startFetching(editor, empty.first()->index()), 3);
        // An item the host cannot expand asks nothing and holds no claim.
        delete editor;
        QList<QStandardItem *> leaf = row("local.leaf", "leaf", "\"l\"", "Verific::Netlist *", 16, 0);
        model->rootItem("local")->appendRow(leaf);
        editor = open(KorvanDebuggerGraphEditor::ModuleStart, leaf.first()->index());
        QCOMPARE(dialogs.messages.last().text, QStringLiteral("Graph Inaccessible"));
        QVERIFY(!editor->isFetching());
        QCOMPARE(fetches.count(), 1);
    }

    void theEngineEndingCancelsWithThePartsTexts()
    {
        const QList<QPair<int, QString>> states = {
            {InferiorShutdownRequested, "Debug Process Terminated. Graph drawing canceled"},
            {EngineShutdownRequested, "Debug Process Terminated. Graph drawing canceled"},
            {InferiorShutdownFailed, "Debug Process Terminated. Graph is closed"},
            {EngineShutdownFailed, "Debug Process Terminated. Graph is closed"},
            {EngineShutdownOk, "Debug Process Terminated. Graph is closed"},
            {InferiorShutdownOk, QString()},
            {DebuggerFinished, QString()},
            {InferiorStopOk, QString()},
        };
        QCOMPARE(int(InferiorShutdownRequested), 17);
        QCOMPARE(int(DebuggerFinished), 23);
        for (const auto &state : states) {
            Host::ScriptedDialogs dialogs;
            StateEngine engine;
            setCurrentEngine(&engine);
            QPointer<KorvanDebuggerGraphEditor> editor = new KorvanDebuggerGraphEditor(QStringLiteral("Stack Path"));
            engine.enterState(state.first);
            if (state.second.isEmpty()) {
                QVERIFY2(dialogs.messages.isEmpty(), qPrintable(QString::number(state.first)));
                QVERIFY(!editor->isCancelled());
                delete editor;
            } else {
                QCOMPARE(dialogs.messages.size(), 1);
                QCOMPARE(dialogs.messages.first().text, state.second);
                QVERIFY(editor->isCancelled());
            }
            setCurrentEngine(nullptr);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!editor);
        }
    }

    void onlyADrawingInProgressIsCancelledAndAClosingWindowSaysNothing()
    {
        // A drawn window loses no drawing when the session ends: it is closed.
        for (int state : {InferiorShutdownRequested, EngineShutdownRequested}) {
            Host::ScriptedDialogs dialogs;
            StateEngine engine;
            setCurrentEngine(&engine);
            QPointer<KorvanDebuggerGraphEditor> drawn = new KorvanDebuggerGraphEditor(QStringLiteral("Stack Path"));
            drawn->showGraph();
            QVERIFY(!drawn->isDrawing());
            // One the user closed is on its way out and tells nothing.
            QPointer<KorvanDebuggerGraphEditor> closed = new KorvanDebuggerGraphEditor(QStringLiteral("Stack Path"));
            closed->showGraph();
            closed->closeGraph(); // what closing a window with a graph runs
            engine.enterState(state);
            QCOMPARE(dialogs.messages.size(), 1);
            QCOMPARE(dialogs.messages.first().text, QStringLiteral("Debug Process Terminated. Graph is closed"));
            QVERIFY(drawn->isCancelled());
            QVERIFY(closed && !closed->isCancelled());
            setCurrentEngine(nullptr);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!drawn && !closed);
        }

        // The plug-in shutting down closes them all, hidden ones and one
        // still waiting for its graph too, before the session ends.
        Host::ScriptedDialogs dialogs;
        StateEngine engine;
        setCurrentEngine(&engine);
        QPointer<KorvanDebuggerGraphEditor> shown = new KorvanDebuggerGraphEditor(QStringLiteral("Stack Path"));
        shown->showGraph();
        QPointer<KorvanDebuggerGraphEditor> hidden = new KorvanDebuggerGraphEditor(QStringLiteral("Stack Path"));
        hidden->showGraph();
        hidden->hide();
        QPointer<KorvanDebuggerGraphEditor> waiting = new KorvanDebuggerGraphEditor(QStringLiteral("Stack Path"));
        QVERIFY(waiting->isDrawing());
        KorvanDebuggerGraphEditor::closeAllWindows();
        QVERIFY(!shown->isVisible());
        for (int state : {InferiorShutdownRequested, InferiorShutdownOk, EngineShutdownRequested, EngineShutdownOk})
            engine.enterState(state);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
        setCurrentEngine(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shown && !hidden && !waiting);
    }

    void windowMenuEntries()
    {
        Core::ActionContainer *views = Core::ActionManager::actionContainer("QtCreator.Menu.Window.Views");
        QVERIFY(views);
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 0);
        // A window that never showed a graph registers nothing.
        delete new KorvanDebuggerGraphEditor(QStringLiteral("nothing"));
        QVERIFY(!Core::ActionManager::command("Korvan.Debugger.MenuSeparator"));

        QPointer<KorvanDebuggerGraphEditor> stack = new KorvanDebuggerGraphEditor(QStringLiteral("Stack Path"));
        QCOMPARE(stack->graphState().myDBKey, quint64(0xFFFFFFFF));
        QVERIFY(!stack->isVisible());
        stack->showGraph();
        QVERIFY(stack->isVisible());
        QVERIFY(stack->progress().isFinished());
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 1);
        Core::Command *separator = Core::ActionManager::command("Korvan.Debugger.MenuSeparator");
        QVERIFY(separator && separator->action()->isSeparator());
        QCOMPARE(separator->attributes(), 1);
        Core::Command *entry = Core::ActionManager::command("Korvan.Debugger.StackPath");
        QVERIFY(entry);
        QCOMPARE(entry->action(), stack->windowAction());
        QCOMPARE(entry->action()->text(), QStringLiteral("Stack Path"));
        QCOMPARE(entry->context().id(), Core::Id("Debugger.DebugMode"));
        QVERIFY(entry->action()->isCheckable() && entry->action()->isChecked());
        QVERIFY(m_viewsMenu->actions().contains(entry->action()));
        QVERIFY(m_viewsMenu->actions().contains(separator->action()));

        // A module window: "Module: %1".
        UndoFramework::GraphUndoState state(GraphDataBase::current(), topAddress);
        state.moduleName = QStringLiteral("top");
        QString error;
        GraphEngine::Module *module = state.buildModule(error);
        QVERIFY(module);
        QPointer<KorvanDebuggerGraphEditor> window = new KorvanDebuggerGraphEditor(QStringLiteral("top"));
        window->showGraph(module, false);
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 2);
        // The viewer offers the Verilog button once, also after the menu
        // is connected again.
        window->connectMenu();
        QCOMPARE(window->viewer()->findChildren<KorvanDebugger::Internal::ToolVerilogCode *>().size(), 1);
        QVERIFY(window->viewer()->tools().contains(window->viewer()->findChild<KorvanDebugger::Internal::ToolVerilogCode *>()));
        Core::Command *moduleEntry = Core::ActionManager::command("Korvan.Debugger.Module.top");
        QVERIFY(moduleEntry);
        QCOMPARE(moduleEntry->action()->text(), QStringLiteral("Module: top"));
        QCOMPARE(Core::ActionManager::command("Korvan.Debugger.MenuSeparator"), separator);

        // Unchecking hides, checking shows it normal again; hiding unchecks.
        moduleEntry->action()->trigger();
        QVERIFY(!window->isVisible());
        QVERIFY(!moduleEntry->action()->isChecked());
        window->showMinimized();
        moduleEntry->action()->trigger();
        QVERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
        window->reject();
        QVERIFY(!moduleEntry->action()->isChecked());

        delete window;
        QVERIFY(!Core::ActionManager::command("Korvan.Debugger.Module.top"));
        QVERIFY(Core::ActionManager::command("Korvan.Debugger.MenuSeparator"));
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 1);
        QAction *separatorAction = separator->action();
        delete stack;
        QCOMPARE(KorvanDebuggerGraphEditor::openWindowCount(), 0);
        QVERIFY(!Core::ActionManager::command("Korvan.Debugger.MenuSeparator"));
        QVERIFY(!Core::ActionManager::command("Korvan.Debugger.StackPath"));
        QVERIFY(!m_viewsMenu->actions().contains(separatorAction));
    }

    void theProgressTaskCancelledClosesTheWindow()
    {
        QPointer<KorvanDebuggerGraphEditor> editor = new KorvanDebuggerGraphEditor(QStringLiteral("Stack Path"));
        Core::FutureProgress *task = Core::ProgressManager::tasks().last();
        QCOMPARE(task->type(), Core::Id("Korvan.GraphViewer"));
        QCOMPARE(task->keepOnFinish(), Core::FutureProgress::HideOnFinish);
        QCOMPARE(task->maximum(), 126);
        task->cancel();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!editor);
        // The bar of a window that went goes too.
        QTRY_VERIFY(!Core::ProgressManager::tasks().contains(task));
    }
};

QTEST_MAIN(TestGraphEditor)
#include "tst_grapheditor.moc"
