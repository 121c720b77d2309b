// The stack view without a debugger: the "-stack-list-arguments" answer
// read into argument rows, the expressions and signature built from them,
// the proxy's tree of frames and argument rows over a host stack model,
// resets of the shared frame table, expansion memory, the coloured HTML of
// the function column, and the delegate's proxy installation and menus.

#include "common/testenvironment.h"

#include "netlist/netlisttypes.h"
#include "views/korvandebuggerstackdelegate.h"
#include "views/korvanstackproxymodel.h"

#include <coreplugin/actionmanager.h>
#include <debugger/stacktreeview.h>
#include <protocol/gdbmi.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

using namespace KorvanDebugger::Internal;
using Debugger::Internal::GdbMi;

namespace {
const QChar mark(0x200A);
const QChar item(0x2009);

GdbMi parse(const QByteArray &text)
{
    GdbMi answer;
    answer.fromStringMultiple(text);
    return answer;
}

// The frames of one answer; the records are the caller's.
QList<StackFrameInfo> parseAnswer(const QByteArray &stackArgs)
{
    QList<StackFrameInfo> frames;
    const GdbMi answer = parse("stack-args=" + stackArgs);
    for (const GdbMi &frame : answer["stack-args"])
        frames << KorvanStackProxyModel::parseStackArgs(frame);
    return frames;
}

StackArgument argument(const QString &name, const QString &value, const QString &type)
{
    StackArgument a;
    a.name = name;
    a.value = value;
    a.type = type;
    return a;
}

// A host stack model: level, function, file, line, address.
QStandardItemModel *hostModel(const QStringList &functions, QObject *parent)
{
    auto model = new QStandardItemModel(0, 5, parent);
    for (int level = 0; level < functions.size(); ++level)
        model->appendRow({new QStandardItem(QString::number(level)), new QStandardItem(functions.at(level)),
                          new QStandardItem(QStringLiteral("a.cpp")), new QStandardItem(QStringLiteral("1")),
                          new QStandardItem(QStringLiteral("0x1"))});
    return model;
}

// FramesDB filled from an answer, as the proxy's answer handler stores it.
void storeAnswer(const QByteArray &stackArgs)
{
    for (const StackFrameInfo &frame : parseAnswer(stackArgs))
        FramesDB::instance().setArguments(frame.level, frame.arguments);
}

const QByteArray threeFrames =
    "[frame={level=\"0\",args=[{name=\"net\",type=\"GraphEngine::Edge *\",value=\"0x5000\"},"
    "{name=\"visits\",type=\"int &\",value=\"@0x7ffc10: 3\"},{name=\"probe\",type=\"Probe\"}]},"
    "frame={level=\"1\",args=[]},"
    "frame={level=\"2\",args=[{name=\"depth\",type=\"int\",value=\"2\"}]}]";
} // namespace

class TestStackView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;

private slots:
    void initTestCase()
    {
        m_env.reset(new TestEnvironment);
        registerBuiltinNetlistTypes();
        QVERIFY(isNetlistType(QStringLiteral("GraphEngine::Edge *")));
    }

    void cleanup()
    {
        KorvanStackProxyModel::clearFramesDB();
    }

    void parsesTheArgumentsOfEachFrame()
    {
        const QList<StackFrameInfo> frames = parseAnswer(threeFrames);
        QCOMPARE(frames.size(), 3);
        const StackFrameInfo &leaf = frames.at(0);
        QCOMPARE(leaf.level, 0);
        QCOMPARE(leaf.arguments.size(), 3);
        QCOMPARE(leaf.arguments.at(0)->name, QStringLiteral("net"));
        QCOMPARE(leaf.arguments.at(0)->type, QStringLiteral("GraphEngine::Edge *"));
        QCOMPARE(leaf.arguments.at(0)->value, QStringLiteral("0x5000"));
        QCOMPARE(leaf.arguments.at(0)->frameRow, 0);
        // A reference: the address alone.
        QCOMPARE(leaf.arguments.at(1)->value, QStringLiteral("0x7ffc10"));
        // A structure: no value in the answer.
        QCOMPARE(leaf.arguments.at(2)->value, QStringLiteral("<Not accessible>"));
        // No arguments: one row with an empty, not null, name.
        QCOMPARE(frames.at(1).arguments.size(), 1);
        QVERIFY(frames.at(1).arguments.first()->name.isEmpty() && !frames.at(1).arguments.first()->name.isNull());
        QVERIFY(frames.at(1).arguments.first()->value.isNull());
        QCOMPARE(frames.at(2).arguments.first()->frameRow, 2);
        for (const StackFrameInfo &frame : frames)
            qDeleteAll(frame.arguments);
    }

    void parsesBadShapesIntoOneInaccessibleRow()
    {
        // Not a frame tuple, three children, a list of non-tuples, a type
        // with a zero byte.
        const QList<StackFrameInfo> frames = parseAnswer(
            "[frame={level=\"0\"},frame={level=\"1\",args=[],x=\"1\"},frame={level=\"2\",args=[\"a\",{name=\"b\"}]},"
            "frame={level=\"3\",args=[{name=\"t\",type=\"int\\000junk\",value=\"1\"}]},"
            "frame={level=\"x\",args=[{name=\"n\",type=\"int\",value=\"1\"}]}]");
        QCOMPARE(frames.size(), 5);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(frames.at(i).arguments.size(), 1);
            QCOMPARE(frames.at(i).arguments.first()->name, QStringLiteral("<Not accessible>"));
        }
        QCOMPARE(frames.at(0).level, -1);
        QCOMPARE(frames.at(2).level, 2);
        QCOMPARE(frames.at(3).arguments.first()->type, QStringLiteral("int"));
        // A level that is no number gives none.
        QCOMPARE(frames.at(4).level, -1);
        for (const StackFrameInfo &frame : frames)
            qDeleteAll(frame.arguments);
    }

    void buildsExpressionsAndSignatures()
    {
        QCOMPARE(argumentExpression(argument("g", "0x5000", "GraphEngine::Gate *")),
                 QStringLiteral("(GraphEngine::Gate *)0x5000"));
        QCOMPARE(argumentExpression(argument("v", "0x7ffc10", "int &")), QStringLiteral("(int *)0x7ffc10"));
        QCOMPARE(argumentExpression(argument("g", "0x7ffc10", "const GraphEngine::Gate &")),
                 QStringLiteral("(const GraphEngine::Gate *)0x7ffc10"));
        // A string pointer's text is no part of the expression.
        QCOMPARE(argumentExpression(argument("s", "0x4006f4 \"a b\"", "const char *")),
                 QStringLiteral("(const char *)0x4006f4"));
        QCOMPARE(argumentExpression(argument("n", "2", "int")), QStringLiteral("(int)2"));

        StackFrameInfo frame;
        StackArgument a = argument("net", "0x5000", "GraphEngine::Edge *");
        StackArgument b = argument("probe", "<Not accessible>", "Probe");
        StackArgument c = argument("depth", "2", "int");
        frame.arguments = {&a, &b, &c};
        QCOMPARE(KorvanStackProxyModel::argumentSignature(frame),
                 QString(mark) + "(" + item + "net" + mark + "(0x5000)," + item + "probe," + item + "depth" + mark
                     + "(2))");
        StackArgument empty = argument(QLatin1String(""), QString(), QString());
        frame.arguments = {&empty};
        QCOMPARE(KorvanStackProxyModel::argumentSignature(frame), QString(mark) + "(" + item + ")");
        StackArgument unnamed;
        frame.arguments = {&unnamed};
        QCOMPARE(KorvanStackProxyModel::argumentSignature(frame), QString(mark) + "(void)");
    }

    void showsArgumentRowsUnderFrames()
    {
        storeAnswer(threeFrames);
        QStandardItemModel *host = hostModel({"stackLeaf", "stackPin", "ns::stackGate"}, this);
        QTreeView view;
        KorvanStackProxyModel proxy(host, &view);
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(proxy.rowCount(), 3);
        const QModelIndex leaf = proxy.index(0, 0);
        QCOMPARE(proxy.rowCount(leaf), 3);
        QVERIFY(proxy.hasChildren(leaf));
        QCOMPARE(proxy.columnCount(leaf), 5);
        QCOMPARE(proxy.index(0, 1).data().toString(),
                 QString("stackLeaf") + mark + "(" + item + "net" + mark + "(0x5000)," + item + "visits" + mark
                     + "(0x7ffc10)," + item + "probe)");
        QCOMPARE(proxy.index(1, 1).data().toString(), QString("stackPin") + mark + "(" + item + ")");

        const QModelIndex net = proxy.index(0, 1, leaf);
        QVERIFY(KorvanStackProxyModel::isArgumentIndex(net));
        QVERIFY(net.internalId() & 1);
        QCOMPARE(KorvanStackProxyModel::argumentOf(net)->name, QStringLiteral("net"));
        QCOMPARE(net.parent(), leaf);
        QCOMPARE(net.sibling(2, 1).data().toString(), QStringLiteral("Probe: probe = <Not accessible>"));
        QCOMPARE(net.data().toString(), QStringLiteral("GraphEngine::Edge *: net = 0x5000"));
        QCOMPARE(proxy.rowCount(net), 0);
        QCOMPARE(proxy.columnCount(net), 2);
        QVERIFY(!proxy.mapToSource(net).isValid());
        // The graph icon on netlist arguments only.
        QCOMPARE(net.sibling(0, 0).data(Qt::DecorationRole).type(), QVariant::Pixmap);
        QVERIFY(!net.sibling(1, 0).data(Qt::DecorationRole).isValid());
        QCOMPARE(proxy.flags(net), Qt::ItemIsEnabled);
        QCOMPARE(proxy.flags(net.sibling(0, 0)), Qt::NoItemFlags);
        QVERIFY(!(proxy.flags(leaf) & Qt::ItemNeverHasChildren));
        QCOMPARE(proxy.index(0, 1, proxy.index(2, 0)).data().toString(), QStringLiteral("int: depth = 2"));
        // Rows past the arguments and rows under columns other than the first.
        QVERIFY(!proxy.index(3, 0, leaf).isValid());
        QCOMPARE(proxy.rowCount(proxy.index(0, 1)), 0);
    }

    void aRowWithoutLevelAndTheMoreRowGetNoArguments()
    {
        storeAnswer(threeFrames);
        QStandardItemModel *host = hostModel({"stackLeaf"}, this);
        host->appendRow({new QStandardItem(QString()), new QStandardItem(QStringLiteral("<More>"))});
        QTreeView view;
        KorvanStackProxyModel proxy(host, &view);
        QCOMPARE(proxy.index(1, 1).data().toString(), QStringLiteral("<More>"));
        QCOMPARE(proxy.rowCount(proxy.index(1, 0)), 0);
        QVERIFY(!proxy.frameInfo(proxy.index(1, 0)));
    }

    void aHostModelWhoseRowsCarryIdentifierOneKeepsThemFrames()
    {
        // A host model that numbers its items: identifier 1 is odd, and
        // still a frame row, not an argument record.
        struct NumberedFrames : QAbstractTableModel
        {
            int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 2; }
            int columnCount(const QModelIndex &) const override { return 5; }
            QModelIndex index(int row, int column, const QModelIndex &parent) const override
            {
                return parent.isValid() || row < 0 || row > 1 ? QModelIndex() : createIndex(row, column, quintptr(1));
            }
            QVariant data(const QModelIndex &index, int role) const override
            {
                if (role != Qt::DisplayRole)
                    return QVariant();
                return index.column() == 0 ? QVariant(index.row()) : QVariant(QStringLiteral("f%1").arg(index.row()));
            }
        } host;
        storeAnswer(threeFrames);
        QTreeView view;
        KorvanStackProxyModel proxy(&host, &view);
        const QModelIndex frame = proxy.index(0, 0);
        QCOMPARE(frame.internalId(), quintptr(1));
        QVERIFY(!KorvanStackProxyModel::isArgumentIndex(frame));
        QCOMPARE(proxy.rowCount(frame), 3);
        QCOMPARE(proxy.index(0, 1).data().toString().section(mark, 0, 0), QStringLiteral("f0"));
        QCOMPARE(proxy.mapToSource(frame), host.index(0, 0, QModelIndex()));
    }

    void anAnswerReplacesRowsInsideAResetOfEveryProxy()
    {
        QTreeView view;
        QStandardItemModel *host = hostModel({"a", "b", "c"}, this);
        KorvanStackProxyModel first(host, &view);
        KorvanStackProxyModel second(host, &view);
        // The placeholder rows a view may hold indexes of.
        storeAnswer("[frame={level=\"0\",args=[{name=\"<loading>\"}]}]");
        const QModelIndex placeholder = second.index(0, 1, second.index(0, 0));
        QVERIFY(placeholder.isValid());
        QPersistentModelIndex kept(placeholder);
        QSignalSpy aboutToReset(&second, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy reset(&first, &QAbstractItemModel::modelReset);
        // An error reply and a reply without "stack-args" change nothing.
        GdbMi error = parse("msg=\"No frame selected.\"");
        error.m_name = "data";
        QVERIFY(!KorvanStackProxyModel::storeArguments(error));
        GdbMi unnamed = parse("stack-args=" + threeFrames);
        QVERIFY(!KorvanStackProxyModel::storeArguments(unnamed));
        GdbMi otherList = parse("stack=" + threeFrames);
        otherList.m_name = "data";
        QVERIFY(!KorvanStackProxyModel::storeArguments(otherList));
        QCOMPARE(aboutToReset.count(), 0);
        QCOMPARE(second.rowCount(second.index(0, 0)), 1);

        GdbMi answer = parse("stack-args=" + threeFrames);
        answer.m_name = "data";
        QVERIFY(KorvanStackProxyModel::storeArguments(answer));
        QCOMPARE(aboutToReset.count(), 1);
        QCOMPARE(reset.count(), 1);
        QVERIFY(!kept.isValid());
        QCOMPARE(second.rowCount(second.index(0, 0)), 3);
        QCOMPARE(second.rowCount(second.index(1, 0)), 1);
    }

    void everyResetOfTheTableResetsEveryProxy()
    {
        storeAnswer(threeFrames);
        QTreeView view;
        QStandardItemModel *host = hostModel({"a", "b", "c"}, this);
        KorvanStackProxyModel first(host, &view);
        KorvanStackProxyModel second(host, &view);
        QCOMPARE(second.rowCount(second.index(0, 0)), 3);
        QSignalSpy firstAbout(&first, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy secondAbout(&second, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy secondReset(&second, &QAbstractItemModel::modelReset);
        // Each record is gone by the time the views hear of the reset: they
        // must have dropped their indexes before.
        connect(&second, &QAbstractItemModel::modelAboutToBeReset, this,
                [] { QVERIFY(!FramesDB::instance().isEmpty()); });
        connect(&second, &QAbstractItemModel::modelReset, this, [] { QVERIFY(FramesDB::instance().isEmpty()); });
        first.resetStack();
        QCOMPARE(firstAbout.count(), 1);
        QCOMPARE(secondAbout.count(), 1);
        QCOMPARE(secondReset.count(), 1);

        // A new host model (a new session) starts from an empty table.
        storeAnswer(threeFrames);
        QVERIFY(!FramesDB::instance().isEmpty());
        first.setSourceModel(hostModel({"x"}, this));
        QVERIFY(FramesDB::instance().isEmpty());
        QCOMPARE(secondAbout.count(), 2);
        QCOMPARE(first.rowCount(), 1);
    }

    void theStackDetailActionSwitchesTheFeature()
    {
        QAction detail;
        detail.setCheckable(true);
        detail.setChecked(true);
        QAction analysis;
        analysis.setEnabled(true);
        QVERIFY(Core::ActionManager::registerAction(&detail, "Korvan.Debugger.StackDetail", Core::Context()));
        QVERIFY(Core::ActionManager::registerAction(&analysis, "Korvan.Debugger.AnalyzeStack", Core::Context()));
        auto unregister = qScopeGuard([&] {
            Core::ActionManager::unregisterAction(&detail, "Korvan.Debugger.StackDetail");
            Core::ActionManager::unregisterAction(&analysis, "Korvan.Debugger.AnalyzeStack");
        });
        storeAnswer(threeFrames);
        QTreeView view;
        KorvanStackProxyModel proxy(hostModel({"a", "b", "c"}, this), &view);
        QCOMPARE(KorvanStackProxyModel::placeholderText(), QStringLiteral("<loading>"));
        QSignalSpy reset(&proxy, &QAbstractItemModel::modelReset);
        // Unchecking resets the table; the function column is the host's text.
        detail.trigger();
        QCOMPARE(reset.count(), 1);
        QVERIFY(!analysis.isEnabled());
        QCOMPARE(proxy.index(0, 1).data().toString(), QStringLiteral("a"));
        QCOMPARE(proxy.rowCount(proxy.index(0, 0)), 0);
        QCOMPARE(KorvanStackProxyModel::placeholderText(), QString(QChar(0x200B)));
    }

    void expansionFollowsAFrameWhileFramesArePushed()
    {
        storeAnswer(threeFrames);
        QTreeView view;
        QStandardItemModel *host = hostModel({"stackLeaf", "stackPin", "stackGate"}, this);
        auto proxy = new KorvanStackProxyModel(host, &view);
        view.setModel(proxy);
        proxy->recordExpansion(proxy->index(2, 0), true);
        proxy->recordExpansion(proxy->index(0, 0), true);
        proxy->recordExpansion(proxy->index(0, 0), false);
        QVERIFY(proxy->isExpanded(proxy->index(2, 0)));
        QVERIFY(!proxy->isExpanded(proxy->index(0, 0)));
        QVERIFY(!proxy->isExpanded(proxy->index(1, 0)));
        proxy->restoreExpansion();
        QVERIFY(view.isExpanded(proxy->index(2, 0)));
        QVERIFY(!view.isExpanded(proxy->index(0, 0)));

        // One frame deeper: the old outer frame is now at level 3, with
        // the same key (frame count minus level) and the same text.
        KorvanStackProxyModel::clearFramesDB();
        host->insertRow(0, {new QStandardItem(QStringLiteral("0")), new QStandardItem(QStringLiteral("deeper"))});
        for (int row = 1; row < host->rowCount(); ++row)
            host->setData(host->index(row, 0), QString::number(row));
        storeAnswer("[frame={level=\"0\",args=[]},frame={level=\"1\",args=[{name=\"net\",type=\"GraphEngine::Edge *\","
                    "value=\"0x5000\"},{name=\"visits\",type=\"int &\",value=\"@0x7ffc10: 3\"},{name=\"probe\","
                    "type=\"Probe\"}]},frame={level=\"2\",args=[]},frame={level=\"3\",args=[{name=\"depth\","
                    "type=\"int\",value=\"2\"}]}]");
        QVERIFY(proxy->isExpanded(proxy->index(3, 0)));
        QVERIFY(!proxy->isExpanded(proxy->index(1, 0)));
        // A changed argument value is another frame.
        KorvanStackProxyModel::clearFramesDB();
        storeAnswer("[frame={level=\"3\",args=[{name=\"depth\",type=\"int\",value=\"3\"}]}]");
        QVERIFY(!proxy->isExpanded(proxy->index(3, 0)));
    }

    void colouresTheFunctionColumn()
    {
        // Scope, function, argument names and values.
        QCOMPARE(stackFunctionHtml(QString("ns::f") + mark + "(" + item + "a" + mark + "(1)," + item + "b" + mark
                                   + "(0x2))"),
                 QStringLiteral("<font color=\"#430\">ns</font>::<font color=\"#a70\">f</font>(<font "
                                "color=\"#00F\">a</font>(<font color=\"#808\">1</font>),<font color=\"#00F\">b</font>"
                                "(<font color=\"#808\">0x2</font>))"));
        // No scope, no arguments.
        QCOMPARE(stackFunctionHtml(QString("main") + mark + "(void)"),
                 QStringLiteral("<font color=\"#a70\">main</font>(void</font>)"));
        // An argument row: type, then name and value; the debuggee's text is
        // escaped, hidden segments are left out.
        QCOMPARE(stackFunctionHtml(QString("A<int> *: p = x") + mark + "(y" + QChar(0x226A) + "0x1" + QChar(0x226B)
                                   + ")"),
                 QStringLiteral("<font color=\"#430\">A&lt;int&gt; *: p</font> = <font color=\"#a70\">x</font>(y</font>)"));
    }

    void theDelegateInstallsItsProxyAndItsMenus()
    {
        storeAnswer(threeFrames);
        QStandardItemModel *host = hostModel({"stackLeaf", "stackPin", "stackGate"}, this);
        QTreeView view;
        view.setModel(host);
        bool hostActivation = false;
        connect(&view, &QTreeView::activated, this, [&] { hostActivation = true; });
        auto delegate = new KorvanDebuggerStackDelegate(&view);
        view.setItemDelegate(delegate);
        QCOMPARE(view.contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(delegate->currentFrameText(), QString());
        view.resize(600, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // The first paint of a function cell makes the proxy, the view
        // shows it right after.
        QTRY_VERIFY(delegate->proxy());
        QTRY_COMPARE(view.model(), delegate->proxy());
        QCOMPARE(delegate->proxy()->sourceModel(), host);
        KorvanStackProxyModel *proxy = delegate->proxy();
        // Another paint keeps it.
        view.viewport()->repaint();
        QCOMPARE(delegate->proxy(), proxy);
        // The host's activation is replaced.
        emit view.activated(proxy->index(0, 0));
        QVERIFY(!hostActivation);

        // Expanding and collapsing is remembered.
        view.expand(proxy->index(2, 0));
        QVERIFY(proxy->isExpanded(proxy->index(2, 0)));
        view.collapse(proxy->index(2, 0));
        QVERIFY(!proxy->isExpanded(proxy->index(2, 0)));

        // A frame row has no menu of the plug-in.
        QMenu frameMenu;
        QVERIFY(!delegate->fillArgumentMenu(&frameMenu, proxy->index(0, 1)));
        QVERIFY(frameMenu.actions().isEmpty());
        // A netlist argument: watch, graph and source.
        const QModelIndex leaf = proxy->index(0, 0);
        QMenu netMenu;
        QVERIFY(delegate->fillArgumentMenu(&netMenu, proxy->index(0, 1, leaf)));
        QStringList texts;
        for (QAction *action : netMenu.actions())
            texts << action->text();
        QCOMPARE(texts.mid(0, 4), (QStringList{"Watch Value: 0x5000", "View in Graph Viewer: 0x5000",
                                               "Open Source: 0x5000", QString()}));
        // A plain argument: watch only; a structure cannot be watched.
        QMenu intMenu;
        delegate->fillArgumentMenu(&intMenu, proxy->index(1, 1, leaf));
        QCOMPARE(intMenu.actions().first()->text(), QStringLiteral("Watch Value: 0x7ffc10"));
        QVERIFY(intMenu.actions().at(1)->isSeparator());
        QMenu structMenu;
        delegate->fillArgumentMenu(&structMenu, proxy->index(2, 1, leaf));
        QVERIFY(!structMenu.actions().first()->isEnabled());
        // A long value: 20 characters and "...".
        KorvanStackProxyModel::clearFramesDB();
        storeAnswer("[frame={level=\"0\",args=[{name=\"s\",type=\"int\",value=\"123456789012345678901\"}]}]");
        QMenu longMenu;
        delegate->fillArgumentMenu(&longMenu, proxy->index(0, 1, proxy->index(0, 0)));
        QCOMPARE(longMenu.actions().first()->text(), QStringLiteral("Watch Value: 12345678901234567890..."));
    }

    void theHostsStackViewCopiesItsRows()
    {
        storeAnswer(threeFrames);
        Debugger::Internal::StackTreeView view;
        auto proxy = new KorvanStackProxyModel(hostModel({"stackLeaf", "stackPin"}, this), &view);
        view.setModel(proxy);
        const QStringList lines = view.contentsText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2 + 3 + 1);
        QVERIFY(lines.at(0).startsWith(QString("0\tstackLeaf") + mark));
        QCOMPARE(lines.at(1), QStringLiteral("\t\tGraphEngine::Edge *: net = 0x5000\t\t\t"));
        QVERIFY(lines.at(4).startsWith(QLatin1String("1\tstackPin")));
    }

    void rightClickOnAFrameShowsTheViewsOwnMenu()
    {
        struct HostView : QTreeView
        {
            int menus = 0;
            void contextMenuEvent(QContextMenuEvent *) override { ++menus; }
        };
        storeAnswer(threeFrames);
        HostView view;
        view.setModel(hostModel({"stackLeaf", "stackPin", "stackGate"}, this));
        auto delegate = new KorvanDebuggerStackDelegate(&view);
        view.setItemDelegate(delegate);
        view.resize(600, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_COMPARE(view.model(), delegate->proxy());
        const QPoint frame = view.visualRect(delegate->proxy()->index(1, 1)).center();
        delegate->showContextCustomContextMenu(frame);
        QCOMPARE(view.menus, 1);
        // On an argument row the plug-in's menu opens instead.
        view.expand(delegate->proxy()->index(0, 0));
        const QPoint argumentRow = view.visualRect(delegate->proxy()->index(0, 1, delegate->proxy()->index(0, 0))).center();
        QTimer::singleShot(0, this, [] {
            if (auto menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()))
                menu->close();
        });
        delegate->showContextCustomContextMenu(argumentRow);
        QCOMPARE(view.menus, 1);
    }
};

QTEST_MAIN(TestStackView)
#include "tst_stackview.moc"
