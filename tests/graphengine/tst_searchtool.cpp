// The search tool: which elements each mode lists and in what order, the
// field's icon, selecting and centring, and the undoable mode.

#include "clusterfixture.h"
#include "viewerfixture.h"

#include "graphengine/viewer/toolconfigurecommand.h"
#include "graphengine/viewer/tools/toolsearch.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

using namespace ViewerFixture;

class TestSearchTool : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void toolAndMenu();
    void modeFilters_data();
    void modeFilters();
    void naturalOrderAndClusterMembers();
    void exactMatchIcon();
    void selectingCentres();
    void modeChangeIsUndoable();
    void configureCommandsMergePerTool();
    void designChangeRebuilds();

private:
    QStringList listed() const;
    QAction *modeAction(ToolSearch::SearchMode mode) const;

    ModuleMap m_modules;
    Module *m = nullptr;
    GraphViewer *viewer = nullptr;
    ToolSearch *tool = nullptr;
};

void TestSearchTool::init()
{
    m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr);
    input(m, QStringLiteral("in"));
    modulePort(m, QStringLiteral("io"), BaseEnum::InOut);
    output(m, QStringLiteral("out"));
    cell(m, QStringLiteral("g2"), QStringLiteral("in"), QStringLiteral("n2"));
    cell(m, QStringLiteral("g10"), QStringLiteral("n2"), QStringLiteral("n10"));
    cell(m, QStringLiteral("g1"), QStringLiteral("n10"), QStringLiteral("out"));
    m->computeLayout(10.0, true, false);
    viewer = new GraphViewer(m, nullptr);
    viewer->resize(800, 600);
    for (ToolBase *candidate : viewer->tools())
        if (auto *search = qobject_cast<ToolSearch *>(candidate))
            tool = search;
}

void TestSearchTool::cleanup()
{
    delete viewer;
    viewer = nullptr;
    tool = nullptr;
    deleteModules(m_modules);
}

QStringList TestSearchTool::listed() const
{
    QStringList names;
    for (int row = 0; row < tool->combo()->count(); ++row)
        names << tool->combo()->itemText(row);
    return names;
}

QAction *TestSearchTool::modeAction(ToolSearch::SearchMode mode) const
{
    for (QAction *action : tool->menu()->actions())
        if (!action->isSeparator() && action->data().toInt() == int(mode))
            return action;
    return nullptr;
}

void TestSearchTool::toolAndMenu()
{
    // Every viewer has one, in its tool bar.
    QVERIFY(tool);
    QCOMPARE(viewer->toolBarLayout()->indexOf(tool->toolWidget) >= 0, true);
    QCOMPARE(tool->text(), QStringLiteral("Search Tool"));
    QCOMPARE(tool->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    QCOMPARE(tool->toolTip(), QStringLiteral("Search an item in the netlist (Ctrl+F)"));
    QCOMPARE(tool->cursorMode, 0);
    QCOMPARE(tool->itemType(), 0x10001);
    QVERIFY(tool->acceptsViewer(true));
    QCOMPARE(tool->getCurrentMode(), ToolSearch::AnyItem);
    QCOMPARE(tool->button()->defaultAction(), tool);

    const QList<QAction *> actions = tool->menu()->actions();
    QCOMPARE(actions.size(), 6);
    QVERIFY(actions.first()->isSeparator());
    QCOMPARE(actions.first()->text(), QStringLiteral("search mode"));
    const QStringList texts = {"Any item", "Gate", "Edge", "Input port", "Output port"};
    const QStringList keys = {"Alt+A", "Alt+G", "Alt+E", "Alt+I", "Alt+O"};
    const QList<int> values = {0x10007, 0x10002, 0x10004, 0x10005, 0x10006};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(actions.at(i + 1)->text(), texts.at(i));
        QCOMPARE(actions.at(i + 1)->shortcut(), QKeySequence(keys.at(i)));
        QCOMPARE(actions.at(i + 1)->data().toInt(), values.at(i));
        QVERIFY(!actions.at(i + 1)->icon().isNull());
    }
}

void TestSearchTool::modeFilters_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("gates") << 0x10002 << QStringList{"g1", "g2", "g10"};
    QTest::newRow("nets") << 0x10004 << QStringList{"in", "io", "n2", "n10", "out"};
    // Inout ports are listed with the inputs.
    QTest::newRow("inputs") << 0x10005 << QStringList{"in", "io"};
    QTest::newRow("outputs") << 0x10006 << QStringList{"out"};
    QTest::newRow("any item") << 0x10007
                              << QStringList{"g1", "g2", "g10", "in", "in", "io", "io", "n2", "n10", "out", "out"};
    QTest::newRow("any port") << 0x10008 << QStringList{"in", "io", "out"};
    // Codes of other items list nothing.
    QTest::newRow("pins") << 0x1000A << QStringList();
    QTest::newRow("gate ports") << 0x10003 << QStringList();
}

void TestSearchTool::modeFilters()
{
    QFETCH(int, filter);
    QFETCH(QStringList, names);
    ViewerSearchIndex index(viewer, filter);
    QStringList found;
    for (int row = 0; row < index.rowCount(); ++row) {
        found << index.data(index.index(row, 0)).toString();
        const int type = index.entries().at(row).item->type();
        QVERIFY(filter == 0x10007 || filter == type || (filter == 0x10008 && (type == 0x10005 || type == 0x10006)));
    }
    QCOMPARE(found, names);
    QCOMPARE(index.columnCount(), 2);
    if (!names.isEmpty()) {
        QVERIFY(!index.data(index.index(0, 1)).isValid());
        QVERIFY(!index.data(index.index(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(!index.data(index.index(0, 0), Qt::ToolTipRole).toString().isEmpty());
    }
    QVERIFY(!index.data(index.index(names.size(), 0)).isValid());
}

void TestSearchTool::naturalOrderAndClusterMembers()
{
    ModuleMap modules;
    Module *clustered = Module::findOrCreateModule(modules, QStringLiteral("clustered"), nullptr);
    Gate *cluster = ClusterFixture::makeCluster(clustered);
    cell(clustered, QStringLiteral("g10"), QString(), QString());
    cell(clustered, QStringLiteral("h"), QString(), QString());
    clustered->computeLayout(10.0, true, false);
    {
        GraphViewer clusterViewer(clustered, nullptr);
        ViewerSearchIndex index(&clusterViewer, ToolSearch::Gate);
        QStringList found;
        for (int row = 0; row < index.rowCount(); ++row)
            found << index.data(index.index(row, 0)).toString();
        QCOMPARE(found, (QStringList{"g0", "g1", "g2", "g10", "h"}));
        // Each member leads to the cluster's one scene item.
        for (int row = 0; row < 3; ++row)
            QCOMPARE(index.entries().at(row).item->graphItem(), GraphItem(cluster));
        QVERIFY(index.entries().at(3).item != index.entries().at(0).item);
    }
    deleteModules(modules);
}

void TestSearchTool::exactMatchIcon()
{
    viewer->show();
    MyComboBox *combo = tool->combo();
    combo->resize(240, 30);
    const auto fieldImage = [combo](const QString &text) {
        combo->setEditText(text);
        return combo->grab().toImage();
    };
    tool->setCurrentMode(ToolSearch::Gate);
    const QImage gate = fieldImage(QStringLiteral("g1"));
    const QImage partial = fieldImage(QStringLiteral("g"));
    const QImage caseDiffers = fieldImage(QStringLiteral("G1"));
    const QImage empty = fieldImage(QString());
    // The icon differs, the rest is painted alike: compare the icon's
    // corner of the field.
    const QRect iconArea(0, 0, 22, 30);
    QVERIFY(gate.copy(iconArea) != partial.copy(iconArea));
    QCOMPARE(partial.copy(iconArea), caseDiffers.copy(iconArea));
    QCOMPARE(partial.copy(iconArea), empty.copy(iconArea));
    // A port's exact name in "any item" mode shows the port's icon.
    tool->setCurrentMode(ToolSearch::AnyItem);
    const QImage port = fieldImage(QStringLiteral("out"));
    QVERIFY(port.copy(iconArea) != partial.copy(iconArea));
    QVERIFY(port.copy(iconArea) != gate.copy(iconArea));
}

void TestSearchTool::selectingCentres()
{
    viewer->show();
    tool->setCurrentMode(ToolSearch::Gate);
    MyComboBox *combo = tool->combo();
    const int row = combo->findText(QStringLiteral("g10"));
    QVERIFY(row >= 0);
    NetlistItem *g10 = static_cast<ViewerSearchIndex *>(combo->model())->entries().at(row).item;

    // Picking from the list selects the element.
    emit combo->activated(row);
    QVERIFY(g10->isSelected());
    QCOMPARE(viewer->scene()->selectedItems().size(), 1);
    QVERIFY(viewer->view()->mapToScene(viewer->view()->viewport()->rect()).boundingRect().contains(
        g10->sceneBoundingRect().center()));

    // Enter on a partial name does nothing.
    viewer->scene()->clearSelection();
    combo->setCurrentIndex(row);
    combo->lineEdit()->setText(QStringLiteral("g1"));
    combo->setCurrentIndex(row);
    combo->lineEdit()->setText(QStringLiteral("g"));
    emit combo->lineEdit()->editingFinished();
    QVERIFY(viewer->scene()->selectedItems().isEmpty());
    // Enter on the exact name selects it.
    combo->lineEdit()->setText(QStringLiteral("g10"));
    emit combo->lineEdit()->editingFinished();
    QVERIFY(g10->isSelected());
    // An empty field does nothing, and an invalid row leaves the selection.
    viewer->scene()->clearSelection();
    combo->lineEdit()->clear();
    emit combo->lineEdit()->editingFinished();
    QVERIFY(viewer->scene()->selectedItems().isEmpty());
    tool->itemSelected(99);
    QVERIFY(viewer->scene()->selectedItems().isEmpty());
}

void TestSearchTool::modeChangeIsUndoable()
{
    QUndoStack *stack = viewer->undoStack();
    const int before = stack->count();
    modeAction(ToolSearch::Edge)->trigger();
    QCOMPARE(tool->getCurrentMode(), ToolSearch::Edge);
    QCOMPARE(stack->count(), before + 1);
    QCOMPARE(stack->command(stack->count() - 1)->text(), QStringLiteral("Configure 'CurrentMode'"));
    QCOMPARE(stack->command(stack->count() - 1)->id(), 144728);
    QCOMPARE(listed(), (QStringList{"in", "io", "n2", "n10", "out"}));
    QCOMPARE(tool->icon().pixmap(16).toImage(), ViewerSearchIndex::iconOf(ToolSearch::Edge).pixmap(16).toImage());
    // A run of choices is one command that undoes to the mode before it.
    modeAction(ToolSearch::OutputPort)->trigger();
    QCOMPARE(stack->count(), before + 1);
    QCOMPARE(listed(), QStringList{"out"});
    stack->undo();
    QCOMPARE(tool->getCurrentMode(), ToolSearch::AnyItem);
    QCOMPARE(listed().size(), 11);
    stack->redo();
    QCOMPARE(tool->getCurrentMode(), ToolSearch::OutputPort);
    QCOMPARE(listed(), QStringList{"out"});
    // Choosing the current mode changes nothing in the list.
    tool->combo()->lineEdit()->setText(QStringLiteral("ou"));
    tool->setCurrentMode(ToolSearch::OutputPort);
    QCOMPARE(tool->combo()->lineEdit()->text(), QStringLiteral("ou"));
}

void TestSearchTool::configureCommandsMergePerTool()
{
    QUndoStack *stack = viewer->undoStack();
    auto *other = new TestTool(viewer);
    viewer->addTool(other);
    // An item command's activation, then a configuration: two commands, and
    // the configuration does not merge into the next activation either.
    viewer->userActivateTool(other);
    QCOMPARE(stack->count(), 1);
    modeAction(ToolSearch::Gate)->trigger();
    QCOMPARE(stack->count(), 2);
    viewer->deactivateTool(nullptr);
    viewer->userActivateTool(other);
    QCOMPARE(stack->count(), 3);
    modeAction(ToolSearch::Edge)->trigger();
    QCOMPARE(stack->count(), 4);
    // Another tool's setting is a command of its own.
    auto *second = new ToolSearch(viewer);
    viewer->pushCommand(
        new ToolConfigureCommand<ToolSearch::SearchMode>(second, QStringLiteral("CurrentMode"), ToolSearch::Gate));
    QCOMPARE(stack->count(), 5);
    QCOMPARE(second->getCurrentMode(), ToolSearch::Gate);
    stack->undo();
    QCOMPARE(second->getCurrentMode(), ToolSearch::AnyItem);
    QCOMPARE(tool->getCurrentMode(), ToolSearch::Edge);
}

void TestSearchTool::designChangeRebuilds()
{
    tool->setCurrentMode(ToolSearch::Gate);
    QCOMPARE(listed().size(), 3);
    NetlistItem *g1 = static_cast<ViewerSearchIndex *>(tool->combo()->model())->entries().first().item;
    viewer->scene()->removeItem(g1);
    emit viewer->designChanged();
    QCOMPARE(listed(), (QStringList{"g2", "g10"}));
    QCOMPARE(tool->getCurrentMode(), ToolSearch::Gate);
    viewer->scene()->addItem(g1);
}

QTEST_MAIN(TestSearchTool)
#include "tst_searchtool.moc"
