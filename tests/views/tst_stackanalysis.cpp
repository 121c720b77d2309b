// The stack analysis without a debugger: frames from a "-stack-list-arguments"
// answer, the Inspector's items of their arguments put into the host's watch
// model as the printers would write them, and the "Stack Path" graph state
// the analysis makes of them: the same-module range, one record per object,
// ports without a direction left out, terminals standing for their
// instance, the window and its expand tool kept from run to run, and the
// analysis action's enabling. Then the watch side: values handed to the open
// "Stack Path" graph, or to a new graph window when it is not open.

#include "common/testenvironment.h"

#include "graphengine/viewer/graphviewer.h"
#include "netlist/netlisttypes.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "netlist/windows/korvandebuggergraphexpand.h"
#include "views/korvandebuggerwatchdelegate.h"
#include "views/korvanstackproxymodel.h"

#include <coreplugin/actionmanager.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>
#include <protocol/gdbmi.h>

#include <QAction>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace KorvanDebugger::Internal;
using namespace Debugger::Internal;

namespace {

const QString in = QString(QChar(0x21E5));
const QString out = QString(QChar(0x21A6));
const QString hair = QString(QChar(0x200A));
const QString thin = QString(QChar(0x2009));

class IdleEngine : public DebuggerEngine
{
public:
    IdleEngine() : DebuggerEngine(DebuggerRunParameters()) {}
    void activateFrame(int) override {}
    void runCommand(const DebuggerCommand &) override {}
};

QString quoted(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// One item of a fetch answer, as the host's dumper writes it.
QString item(const QString &iname, const QString &name, const QString &value, const QString &type, quint64 address,
             const QStringList &children = {}, const QString &expression = QString(), int numChild = -1)
{
    QString text = QStringLiteral("{iname=%1,name=%2,value=%3,type=%4,address=\"0x%5\",numchild=\"%6\"")
                       .arg(quoted(iname), quoted(name), quoted(value), quoted(type), QString::number(address, 16))
                       .arg(numChild < 0 ? children.size() : numChild);
    if (!expression.isEmpty())
        text += QStringLiteral(",exp=%1").arg(quoted(expression));
    if (!children.isEmpty())
        text += QStringLiteral(",children=[%1]").arg(children.join(QLatin1Char(',')));
    return text + QLatin1Char('}');
}

QString instanceText(const QString &name, const QString &net)
{
    return name + hair + QStringLiteral("(") + in + QStringLiteral("a0") + hair + QStringLiteral("(") + net
        + QStringLiteral("),") + thin + out + QStringLiteral("o") + hair + QStringLiteral("(n_out))");
}

// A flip-flop of the VERIFIC_DFFRS definition, its data input on the net.
QString flopText(const QString &name, const QString &net)
{
    return name + hair + QStringLiteral("(") + in + QStringLiteral("d") + hair + QStringLiteral("(") + net
        + QStringLiteral("),") + thin + out + QStringLiteral("q") + hair + QStringLiteral("(n_q))");
}

QString terminalText(const QString &instance, const QString &port, const QString &net)
{
    return in + instance + hair + QLatin1Char('.') + port + hair + QLatin1Char('(') + net + QLatin1Char(')');
}

QString expressionOf(const QString &type, quint64 address)
{
    return QStringLiteral("(%1)0x%2").arg(type).arg(address, 0, 16);
}

// The frame arguments of one answer; each is (name, type, address).
struct Arg
{
    QString name;
    QString type;
    quint64 address;
};

QByteArray stackArgs(const QList<QList<Arg>> &frames)
{
    QStringList texts;
    for (int level = 0; level < frames.size(); ++level) {
        QStringList args;
        // Address 0: a structure GDB sends no value for.
        for (const Arg &arg : frames.at(level))
            args << (arg.address ? QStringLiteral("{name=%1,type=%2,value=\"0x%3\"}")
                                       .arg(quoted(arg.name), quoted(arg.type), QString::number(arg.address, 16))
                                 : QStringLiteral("{name=%1,type=%2}").arg(quoted(arg.name), quoted(arg.type)));
        texts << QStringLiteral("frame={level=\"%1\",args=[%2]}").arg(level).arg(args.join(QLatin1Char(',')));
    }
    return "data={stack-args=[" + texts.join(QLatin1Char(',')).toUtf8() + "]}";
}

QStandardItemModel *hostModel(int frames, QObject *parent)
{
    auto model = new QStandardItemModel(0, 5, parent);
    for (int level = 0; level < frames; ++level)
        model->appendRow({new QStandardItem(QString::number(level)), new QStandardItem(QStringLiteral("f%1").arg(level)),
                          new QStandardItem(QStringLiteral("a.cpp")), new QStandardItem(QStringLiteral("1")),
                          new QStandardItem(QStringLiteral("0x1"))});
    return model;
}

const quint64 top = 0x9000;
const quint64 other = 0x9100;

QString parentModule(const QString &iname, quint64 module)
{
    return item(iname + QStringLiteral(".m"), QStringLiteral("Parent Module"), QStringLiteral("\"top\""),
                QStringLiteral("Verific::Netlist *"), module, {}, QString(), 4);
}

QString definition(const QString &iname, const QString &cell)
{
    return item(iname + QStringLiteral(".d"), QStringLiteral("Definition"), QLatin1Char('"') + cell + QLatin1Char('"'),
                QStringLiteral("Verific::Netlist *"), 0x7000, {}, QString(), 4);
}

} // namespace

class TestStackAnalysis : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<IdleEngine> m_engine;
    std::unique_ptr<QTreeView> m_view;
    QPointer<KorvanStackProxyModel> m_proxy;
    QAction *m_analysis = nullptr;
    int m_inames = 0;

    // The argument's Inspector item: what the pretty-value fetch brought.
    void inspected(const QString &type, quint64 address, const QString &value, const QStringList &children)
    {
        const QString iname = QStringLiteral("inspect.t%1").arg(++m_inames);
        QStringList rows;
        for (const QString &child : children)
            rows << QString(child).replace(QLatin1String("@"), iname);
        const QString expression = expressionOf(type, address);
        const QString text = QStringLiteral("data=[%1]")
                                 .arg(item(iname, expression, value, type, address, rows, expression));
        GdbMi data;
        data.fromStringMultiple(text.toUtf8());
        QVERIFY2(data["data"].childCount() == 1, qPrintable(text));
        m_engine->watchHandler()->insertItems(data["data"], false);
        m_proxy->inspector().addWatch(expression.toLocal8Bit(), iname.toLatin1());
    }

    void stack(const QList<QList<Arg>> &frames)
    {
        GdbMi answer;
        answer.fromStringMultiple(stackArgs(frames));
        QVERIFY(KorvanStackProxyModel::storeArguments(answer["data"]));
    }

    UndoFramework::GraphUndoState shownState() const
    {
        KorvanDebuggerGraphEditor *window = KorvanStackProxyModel::stackWidget();
        return window ? window->graphState() : UndoFramework::GraphUndoState();
    }

    static QStringList names(const QList<UndoFramework::Instance> &instances)
    {
        QStringList list;
        for (const UndoFramework::Instance &instance : instances)
            list << instance.name;
        return list;
    }

private slots:
    void initTestCase()
    {
        m_env.reset(new TestEnvironment);
        registerBuiltinNetlistTypes();
        m_analysis = new QAction(QStringLiteral("Korvan Stack Analysis"), this);
        Core::ActionManager::registerAction(m_analysis, "Korvan.Debugger.AnalyzeStack", Core::Context());
    }

    void init()
    {
        m_inames = 0;
        m_engine.reset(new IdleEngine);
        setCurrentEngine(m_engine.get());
        m_view.reset(new QTreeView);
        m_proxy = new KorvanStackProxyModel(hostModel(6, m_view.get()), m_view.get());
    }

    void cleanup()
    {
        KorvanStackProxyModel::clearFramesDB();
        delete KorvanStackProxyModel::stackWidget();
        m_view.reset();
        setCurrentEngine(nullptr);
        m_engine.reset();
    }

    void theRangeEndsAtTheFirstFrameOfAnotherModule()
    {
        // Sets already filled are not looked at again.
        FramesDB &table = FramesDB::instance();
        const QList<QSet<quint64>> sets = {{}, {top}, {}, {top}, {other}, {top}};
        for (int level = 0; level < sets.size(); ++level)
            table.entry(level).parentModules = sets.at(level);
        auto end = m_proxy->sameContextEnd();
        QVERIFY(end != table.end());
        QCOMPARE(end.key(), 4);
        // Two modules in one frame are one context of their own.
        table.entry(3).parentModules = {top, other};
        QCOMPARE(m_proxy->sameContextEnd().key(), 3);
        // No frame with a module: the whole table.
        for (int level = 0; level < sets.size(); ++level)
            table.entry(level).parentModules.clear();
        QVERIFY(m_proxy->sameContextEnd() == table.end());
    }

    void parentModulesComeFromTheArgumentsItems()
    {
        stack({{{"gate", "Verific::Instance *", 0x100}, {"n", "int", 3}}, {{"net", "Verific::Net *", 0x200}}});
        inspected("Verific::Instance *", 0x100, instanceText("and1", "n1"),
                  {definition("@", "VERIFIC_AND"), parentModule("@", top)});
        inspected("Verific::Net *", 0x200, QStringLiteral("n1"), {parentModule("@", other)});
        m_analysis->setEnabled(false);
        m_proxy->processActualPrettyValue();
        QVERIFY(m_analysis->isEnabled());
        QCOMPARE(FramesDB::instance().find(0)->parentModules, QSet<quint64>{top});
        QCOMPARE(FramesDB::instance().find(1)->parentModules, QSet<quint64>{other});
        QCOMPARE(m_proxy->sameContextEnd().key(), 1);
        // Every reset of the frames disables the analysis again.
        KorvanStackProxyModel::clearFramesDB();
        QVERIFY(!m_analysis->isEnabled());
    }

    void theStackPathHoldsOneRecordPerObjectOfTheRange()
    {
        const quint64 and1 = 0x100, or1 = 0x110, clone = 0x120, sel = 0x300, bad = 0x310, net = 0x200, inner = 0x500;
        stack({// 0: an instance, a net, a port, a value that is no port.
               {{"gate", "Verific::Instance *", and1}, {"net", "Verific::Net *", net},
                {"sel", "Verific::Port *", sel}, {"what", "Verific::Port *", bad}, {"depth", "int", 7},
                {"copy", "Verific::Instance", 0}},
               // 1: the same instance again, another one, and one more with
               // the first one's text.
               {{"again", "Verific::Instance *", and1}, {"twin", "Verific::Instance *", or1},
                {"clone", "Verific::Instance *", clone}},
               // 2: another module: out of the range.
               {{"inner", "Verific::Instance *", inner}}});
        inspected("Verific::Instance *", and1, instanceText("and1", "n1"),
                  {definition("@", "VERIFIC_AND"), parentModule("@", top)});
        inspected("Verific::Instance *", or1, instanceText("or1", "n1"),
                  {definition("@", "\"VERIFIC\"_OR"), parentModule("@", top)});
        inspected("Verific::Instance *", clone, instanceText("and1", "n2"),
                  {definition("@", "VERIFIC_AND"), parentModule("@", top)});
        inspected("Verific::Net *", net, QStringLiteral("n1"), {parentModule("@", top)});
        inspected("Verific::Port *", sel, in + QStringLiteral("sel"), {parentModule("@", top)});
        inspected("Verific::Port *", bad, QStringLiteral("sel"), {parentModule("@", top)});
        inspected("Verific::Instance *", inner, instanceText("sum", "a"),
                  {definition("@", "VERIFIC_XOR"), parentModule("@", other)});
        m_proxy->processActualPrettyValue();

        m_proxy->analyseStack();
        KorvanDebuggerGraphEditor *window = KorvanStackProxyModel::stackWidget();
        QVERIFY(window);
        QVERIFY(m_analysis->isEnabled());
        const UndoFramework::GraphUndoState state = shownState();
        QCOMPARE(state.moduleName, QStringLiteral("Stack Path"));
        // Newest first, one per instance text: the first "and1" stays.
        QCOMPARE(names(state.instances), (QStringList{"or1", "and1"}));
        QCOMPARE(state.instances.at(1).properties.value(QStringLiteral("Reference")).toString(),
                 QStringLiteral("0x100"));
        // Every double quote leaves the definition's name.
        QCOMPARE(state.instances.first().definition, QStringLiteral("VERIFIC_OR"));
        QCOMPARE(state.ports.size(), 1);
        QCOMPARE(state.ports.first().name, QStringLiteral("sel"));
        // Every netlist object of the range has its entry, the net too; the
        // instance seen twice has both sightings.
        QCOMPARE(state.stackPath.size(), 6);
        const UndoFramework::StackPathEntry gate = state.stackPath.value(QStringLiteral("0x100"));
        QCOMPARE(gate.valueTexts, (QStringList{QString("0:") + QChar(0xA0) + "gate", QString("1:") + QChar(0xA0) + "again"}));
        QCOMPARE(state.stackPath.value(QStringLiteral("0x200")).elementType, GraphEngine::GuiNetItem);
        QVERIFY(!state.stackPath.contains(QStringLiteral("0x500")));
        QVERIFY(window->viewer());
        QVERIFY(window->isVisible());
        QVERIFY(m_proxy->getStackExpandTool());
        QCOMPARE(m_proxy->getStackExpandTool()->parent(), window->viewer());
    }

    void aTerminalStandsForItsInstanceOnceItsChildrenAreIn()
    {
        const quint64 ref = 0x400, parent = 0x410;
        stack({{{"terminal", "Verific::PortRef *", ref}}});
        // The parent instance's children are not in yet.
        const QString parentRow = item(QStringLiteral("@.p"), QStringLiteral("Parent Instance"),
                                       flopText("ff1", "n_mux"), QStringLiteral("Verific::Instance *"), parent,
                                       {}, QString(), 3);
        inspected("Verific::PortRef *", ref, terminalText("ff1", "d", "n_mux"), {parentRow, parentModule("@", top)});
        m_proxy->processActualPrettyValue();
        m_proxy->analyseStack();
        // Asked for, nothing shown: no stopped program here, the action is
        // back.
        QVERIFY(!KorvanStackProxyModel::stackWidget());
        QVERIFY(m_analysis->isEnabled());
        const QByteArray expression = expressionOf("Verific::PortRef *", ref).toLatin1();
        QVERIFY(m_proxy->inspector().requests().value(expression).contains("inspect.t1.p"));

        // With them, the instance's own text, type and address make the record.
        const QString expanded = item(QStringLiteral("inspect.t1.p"), QStringLiteral("Parent Instance"),
                                      flopText("ff1", "n_mux"), QStringLiteral("Verific::Instance *"), parent,
                                      {definition(QStringLiteral("inspect.t1.p"), "VERIFIC_DFFRS")});
        GdbMi data;
        data.fromStringMultiple(QStringLiteral("data=[%1]").arg(expanded).toUtf8());
        m_engine->watchHandler()->insertItems(data["data"], false);
        m_proxy->analyseStack();
        QVERIFY(KorvanStackProxyModel::stackWidget());
        const UndoFramework::GraphUndoState state = shownState();
        QCOMPARE(names(state.instances), QStringList{QStringLiteral("ff1")});
        QCOMPARE(state.instances.first().properties.value(QStringLiteral("Reference")).toString(),
                 QStringLiteral("0x410"));
        QCOMPARE(state.stackPath.value(QStringLiteral("0x400")).elementType, GraphEngine::GuiGatePortItem);
    }

    void terminalsWhoseInstancesAreMissingHoldTheGraphBack()
    {
        // Both instances are asked for in one round; no graph before both
        // are in.
        const QString parentRow = item(QStringLiteral("inspect.t1.p"), QStringLiteral("Parent Instance"),
                                       flopText("ff1", "n_mux"), QStringLiteral("Verific::Instance *"), 0x410,
                                       {}, QString(), 3);
        stack({{{"a", "Verific::PortRef *", 0x400}, {"b", "Verific::PortRef *", 0x401}}});
        inspected("Verific::PortRef *", 0x400, terminalText("ff1", "d", "n_mux"), {parentRow, parentModule("@", top)});
        const QString sameParent = QString(parentRow).replace(QLatin1String("inspect.t1.p"), QLatin1String("inspect.t2.p"));
        inspected("Verific::PortRef *", 0x401, terminalText("ff1", "clk", "clk"), {sameParent, parentModule("@", top)});
        m_proxy->processActualPrettyValue();
        m_proxy->analyseStack();
        QVERIFY(!KorvanStackProxyModel::stackWidget());
    }

    void anArgumentWithoutItemIsAskedForAndNothingIsShown()
    {
        stack({{{"gate", "Verific::Instance *", 0x100}, {"count", "int *", 0x600}}});
        m_proxy->analyseStack();
        QVERIFY(!KorvanStackProxyModel::stackWidget());
        const QByteArray expression = expressionOf("Verific::Instance *", 0x100).toLatin1();
        QVERIFY(m_proxy->inspector().requests().contains(expression));
        // Only netlist values are fetched for the path.
        QCOMPARE(m_proxy->inspector().requests().size(), 1);
    }

    void anEmptyTableShowsAnEmptyGraphAndASecondRunKeepsWindowAndTool()
    {
        m_proxy->analyseStack();
        QPointer<KorvanDebuggerGraphEditor> window = KorvanStackProxyModel::stackWidget();
        QVERIFY(window);
        QVERIFY(shownState().instances.isEmpty() && shownState().ports.isEmpty());
        QVERIFY(window->viewer()->module());

        stack({{{"sel", "Verific::Port *", 0x300}}});
        inspected("Verific::Port *", 0x300, in + QStringLiteral("sel"), {parentModule("@", top)});
        m_proxy->processActualPrettyValue();
        m_proxy->analyseStack();
        QCOMPARE(KorvanStackProxyModel::stackWidget(), window.data());
        QCOMPARE(shownState().ports.size(), 1);
        QCOMPARE(window->findChildren<KorvanDebuggerGraphExpand *>().size(), 1);
        QCOMPARE(m_proxy->getStackExpandTool()->parent(), window->viewer());

        // Closed by the user: the next run opens a new one.
        delete window.data();
        QVERIFY(!m_proxy->getStackWidget());
        QVERIFY(!m_proxy->getStackExpandTool());
        QVERIFY(!KorvanStackProxyModel::isStackExpandToolActive());
        m_proxy->analyseStack();
        window = KorvanStackProxyModel::stackWidget();
        QVERIFY(window);

        // New values of a stop mark the graph on screen outdated.
        QSignalSpy outdated(window->viewer(), &GraphEngine::GraphViewer::outdated);
        QVERIFY(!window->viewer()->outdatedFlag());
        m_proxy->processActualPrettyValue();
        QCOMPARE(outdated.count(), 1);
        QVERIFY(window->viewer()->outdatedFlag());
    }

    void theStatusBarSaysWhatTheAnalysisFoundOrWhyNothing()
    {
        QSignalSpy status(m_engine.get(), &DebuggerEngine::statusMessage);
        const auto analyse = [this, &status] {
            status.clear();
            m_proxy->processActualPrettyValue();
            m_proxy->analyseStack();
            return status.isEmpty() ? QString() : status.last().first().toString();
        };
        QCOMPARE(analyse(), QStringLiteral("Stack Path: no stack frames to analyse."));

        stack({{{"n", "int", 3}}, {{"m", "int", 4}}});
        QCOMPARE(analyse(), QStringLiteral("Stack Path: no netlist objects in the arguments of frames 0 to 1."));

        // Nets and modules join no path.
        KorvanStackProxyModel::clearFramesDB();
        stack({{{"net", "Verific::Net *", 0x200}, {"design", "Verific::Netlist *", top}}});
        inspected("Verific::Net *", 0x200, QStringLiteral("n1"), {parentModule("@", top)});
        inspected("Verific::Netlist *", top, QStringLiteral("\"top\""), {});
        QCOMPARE(analyse(), QStringLiteral("Stack Path: no instance, terminal or port among the netlist arguments of "
                                           "frame 0 (nets and modules are not drawn)."));
        QVERIFY(KorvanStackProxyModel::stackWidget());
        QVERIFY(shownState().instances.isEmpty() && shownState().ports.isEmpty());

        KorvanStackProxyModel::clearFramesDB();
        stack({{{"gate", "Verific::Instance *", 0x100}, {"sel", "Verific::Port *", 0x300}},
               {{"again", "Verific::Instance *", 0x100}, {"or", "Verific::Instance *", 0x110}}});
        inspected("Verific::Instance *", 0x100, instanceText("and1", "n1"),
                  {definition("@", "VERIFIC_AND"), parentModule("@", top)});
        inspected("Verific::Port *", 0x300, in + QStringLiteral("sel"), {parentModule("@", top)});
        inspected("Verific::Instance *", 0x110, instanceText("or1", "n1"),
                  {definition("@", "VERIFIC_OR"), parentModule("@", top)});
        QCOMPARE(analyse(), QStringLiteral("Stack Path: 2 instances and 1 port from the arguments of frames 0 to 1."));
        QCOMPARE(names(shownState().instances), (QStringList{"or1", "and1"}));
    }

    void aSecondAnalysisAfterAFrameResetAsksAgainWhatTheFirstAsked()
    {
        // A GDB engine that never answers: the analysis waits for it.
        GdbEngine gdb{DebuggerRunParameters()};
        setCurrentEngine(&gdb);
        auto restoreEngine = qScopeGuard([this] { setCurrentEngine(m_engine.get()); });
        const QByteArray expression = expressionOf("Verific::Instance *", 0x100).toLatin1();
        const QList<QList<Arg>> frames{{{"gate", "Verific::Instance *", 0x100}}};

        stack(frames);
        m_proxy->analyseStack();
        QVERIFY(m_proxy->isAnalysing());
        QVERIFY(m_proxy->inspector().requests().contains(expression));
        QVERIFY(!m_analysis->isEnabled());

        // The frames are read again (the same stop) before the answer: the
        // wait ends, and a new analysis is a new start, not a retry.
        KorvanStackProxyModel::clearFramesDB();
        QVERIFY(!m_proxy->isAnalysing());
        stack(frames);
        QSignalSpy status(&gdb, &DebuggerEngine::statusMessage);
        m_proxy->analyseStack();
        QVERIFY2(m_proxy->isAnalysing(), qPrintable(status.isEmpty() ? QString() : status.last().first().toString()));
        QVERIFY(m_proxy->inspector().requests().contains(expression));
        QVERIFY(!KorvanStackProxyModel::stackWidget());
        QVERIFY(status.isEmpty());
    }

    void watchValuesGoIntoTheOpenStackPathWhileItsExpandToolIsActive()
    {
        m_proxy->analyseStack();
        KorvanDebuggerGraphEditor *window = KorvanStackProxyModel::stackWidget();
        QVERIFY(window);
        QVERIFY(!KorvanStackProxyModel::isStackExpandToolActive());
        window->viewer()->activateTool(KorvanStackProxyModel::stackExpandTool());
        QVERIFY(KorvanStackProxyModel::isStackExpandToolActive());

        QList<int> opened;
        setWatchGraphOpener([&opened](QTreeView *, int kind, const QModelIndex &) { opened << kind; });
        auto restoreOpener = qScopeGuard([] { setWatchGraphOpener(nullptr); });
        QTreeView watchView;
        watchView.setModel(m_engine->watchModel());
        auto delegate = new KorvanDebuggerWatchDelegate(&watchView);
        const auto insert = [this](const QString &row) {
            GdbMi data;
            data.fromStringMultiple(QStringLiteral("data=[%1]").arg(row).toUtf8());
            m_engine->watchHandler()->insertItems(data["data"], false);
            return static_cast<WatchModel *>(m_engine->watchModel())->indexForIName(data["data"].childAt(0)["iname"].data());
        };
        const auto value = [](const QModelIndex &index) { return index.sibling(index.row(), 1); };
        const auto graph = [window] {
            return window->viewer()->stateMap().value(QStringLiteral("GraphViewer::GraphState"))
                .value<UndoFramework::GraphUndoState>();
        };

        // A module port: a new element.
        const QModelIndex port = insert(item(QStringLiteral("watch.1"), QStringLiteral("p"), in + QStringLiteral("sel"),
                                             QStringLiteral("Verific::Port *"), 0x300,
                                             {parentModule(QStringLiteral("watch.1"), top)}));
        delegate->openGraph(4, value(port));
        QCOMPARE(graph().ports.size(), 1);
        QCOMPARE(graph().focusName.toString(), QStringLiteral("sel"));

        // A terminal: its instance, with its net to select.
        const QString parent = item(QStringLiteral("watch.2.p"), QStringLiteral("Parent Instance"),
                                    flopText("ff1", "n_mux"), QStringLiteral("Verific::Instance *"), 0x410,
                                    {definition(QStringLiteral("watch.2.p"), "VERIFIC_DFFRS")});
        const QString connection = item(QStringLiteral("watch.2.c"), QStringLiteral("Connection"),
                                        QStringLiteral("n_mux"), QStringLiteral("Verific::Net *"), 0x200, {},
                                        QString(), 2);
        const QModelIndex terminal = insert(item(QStringLiteral("watch.2"), QStringLiteral("t"),
                                                 terminalText("ff1", "d", "n_mux"), QStringLiteral("Verific::PortRef *"),
                                                 0x400, {parent, connection}));
        delegate->openGraph(1, value(terminal));
        QCOMPARE(names(graph().instances), QStringList{QStringLiteral("ff1")});
        QCOMPARE(graph().instances.first().properties.value(QStringLiteral("Reference")).toString(),
                 QStringLiteral("0x410"));
        QCOMPARE(graph().focusName.toString(), QStringLiteral("ff1"));
        QCOMPARE(graph().selectedEdgeName.toString(), QStringLiteral("n_mux"));
        QVERIFY(delegate->pendingEdgeName().toString().isEmpty());

        // A module opens a window of its own, the path open or not.
        const QModelIndex module = insert(item(QStringLiteral("watch.3"), QStringLiteral("m"), QStringLiteral("\"top\""),
                                               QStringLiteral("Verific::Netlist *"), top, {}, QString(), 4));
        delegate->openGraph(3, value(module));
        QCOMPARE(opened, QList<int>{3});

        // An instance whose children are not known: fetched, added once the
        // answer is in.
        const QModelIndex unexpanded = insert(item(QStringLiteral("watch.4"), QStringLiteral("g"),
                                                   instanceText("or1", "n1"), QStringLiteral("Verific::Instance *"),
                                                   0x110, {}, QString(), 3));
        delegate->openGraph(0, value(unexpanded));
        QCOMPARE(graph().instances.size(), 1);
        const QByteArray fetch = "(Verific::Instance*) 0x110";
        QVERIFY2(delegate->inspector().requests().contains(fetch), delegate->inspector().requests().keys().join(' ').constData());
        const QString iname = QString::fromLatin1(delegate->inspector().requests().value(fetch).firstKey());
        insert(item(iname, QString::fromLatin1(fetch), instanceText("or1", "n1"), QStringLiteral("Verific::Instance *"),
                    0x110, {definition(iname, "VERIFIC_OR")}, QString::fromLatin1(fetch)));
        delegate->completeStackTransfer();
        QCOMPARE(names(graph().instances), (QStringList{"ff1", "or1"}));
        QVERIFY(delegate->inspector().requests().isEmpty());

        // An answer that still has no children is not fetched again.
        const QModelIndex bare = insert(item(QStringLiteral("watch.5"), QStringLiteral("g"), instanceText("xor1", "n1"),
                                             QStringLiteral("Verific::Instance *"), 0x130, {}, QString(), 3));
        delegate->openGraph(0, value(bare));
        const QByteArray again = "(Verific::Instance*) 0x130";
        const QString bareName = QString::fromLatin1(delegate->inspector().requests().value(again).firstKey());
        insert(item(bareName, QString::fromLatin1(again), instanceText("xor1", "n1"), QStringLiteral("Verific::Instance *"),
                    0x130, {}, QString::fromLatin1(again), 3));
        delegate->completeStackTransfer();
        QVERIFY(delegate->inspector().requests().isEmpty());
        QCOMPARE(graph().instances.size(), 2);

        // A fetched terminal whose instance is not expanded: the instance is
        // fetched in its turn.
        const QModelIndex unfetched = insert(item(QStringLiteral("watch.6"), QStringLiteral("t"),
                                                  terminalText("xor1", "a0", "n_or"), QStringLiteral("Verific::PortRef *"),
                                                  0x420, {}, QString(), 5));
        delegate->openGraph(1, value(unfetched));
        const QByteArray terminalFetch = "(Verific::PortRef*) 0x420";
        const QString terminalName = QString::fromLatin1(delegate->inspector().requests().value(terminalFetch).firstKey());
        QVERIFY(!terminalName.isEmpty());
        insert(item(terminalName, QString::fromLatin1(terminalFetch), terminalText("xor1", "a0", "n_or"),
                    QStringLiteral("Verific::PortRef *"), 0x420,
                    {item(terminalName + QStringLiteral(".p"), QStringLiteral("Parent Instance"), instanceText("xor1", "n_or"),
                          QStringLiteral("Verific::Instance *"), 0x430, {}, QString(), 3)},
                    QString::fromLatin1(terminalFetch)));
        delegate->completeStackTransfer();
        QCOMPARE(delegate->inspector().requests().keys(), QList<QByteArray>{"(Verific::Instance*) 0x430"});
        QCOMPARE(graph().instances.size(), 2);

        // With another tool active, a new window for every kind.
        window->viewer()->deactivateTool();
        QVERIFY(!KorvanStackProxyModel::isStackExpandToolActive());
        delegate->openGraph(4, value(port));
        QCOMPARE(opened, (QList<int>{3, 4}));
        QCOMPARE(graph().ports.size(), 1);
    }
};

QTEST_MAIN(TestStackAnalysis)
#include "tst_stackanalysis.moc"
