// The tool framework: shortcuts, cursors, the accepted kinds, activation by
// button and key, tool-bar placement, the drop-down, and the item command a
// tool makes for an element.

#include "viewerfixture.h"

#include "graphengine/model/edge.h"
#include "graphengine/viewer/tools/toolsearch.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QPointer>
#include <QWidgetAction>
#include <QtTest>

using namespace ViewerFixture;

class TestToolFramework : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void shortcutMatching();
    void acceptedKinds();
    void cursorModes();
    void defaultCursor();
    void activationByButton();
    void toolWithoutViewerIgnoresActivation();
    void shortcutOverAnItemAppliesEveryMatchingTool();
    void toolBarPlacementAndDeclinedTools();
    void itemCommands();
    void popupWidget();
    void disabledToolDeactivates();

private:
    ModuleMap m_modules;
    Module *m = nullptr;
    GraphViewer *viewer = nullptr;
};

void TestToolFramework::init()
{
    m = smallModule(m_modules);
    viewer = new GraphViewer(m, nullptr);
    TestUndoItem::liveCount() = 0;
}

void TestToolFramework::cleanup()
{
    delete viewer;
    viewer = nullptr;
    QCOMPARE(TestUndoItem::liveCount(), 0);
    deleteModules(m_modules);
}

void TestToolFramework::shortcutMatching()
{
    auto *tool = new TestTool(viewer);
    tool->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_H));
    QVERIFY(tool->matchesShortcut(Qt::Key_H, Qt::ControlModifier));
    QVERIFY(!tool->matchesShortcut(Qt::Key_H, Qt::NoModifier));
    QVERIFY(!tool->matchesShortcut(Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier));
    QVERIFY(!tool->matchesShortcut(Qt::Key_G, Qt::ControlModifier));
    // Without a shortcut nothing matches.
    auto *plain = new TestTool(viewer);
    QVERIFY(!plain->matchesShortcut(Qt::Key_H, Qt::ControlModifier));
}

void TestToolFramework::acceptedKinds()
{
    Gate *u1 = gateNamed(m, QStringLiteral("u1"));
    Edge *mid = m->edges->find(Name(QStringLiteral("mid")));
    GatePort *a = u1->findPortByName(QStringLiteral("a"));
    const QList<GraphItem> items = {GraphItem(u1), GraphItem(mid), GraphItem(mid, a), GraphItem(a),
                                    GraphItem(u1->ports.list().cbegin(), u1->ports.list().cend())};
    auto *fifteen = new TestTool(viewer, QStringLiteral("Fifteen"), 15);
    auto *none = new TestTool(viewer, QStringLiteral("None"), 0);
    auto *nets = new TestTool(viewer, QStringLiteral("Nets"), 14);

    QVERIFY(!viewer->triggerTool(ToolBase::Clicked, GraphItem(u1)));
    viewer->activateTool(fifteen);
    for (const GraphItem &item : items)
        QCOMPARE(viewer->triggerTool(ToolBase::Clicked, item), item.kind() != GraphItem::PortRangeItem);
    QVERIFY(!viewer->triggerTool(ToolBase::Clicked, GraphItem()));
    QCOMPARE(fifteen->applied.size(), 4);
    QCOMPARE(fifteen->applied.at(1).second, GraphItem(mid));

    viewer->activateTool(none);
    for (const GraphItem &item : items)
        QVERIFY(!viewer->triggerTool(ToolBase::Clicked, item));
    QVERIFY(viewer->triggerTool(ToolBase::DoubleClicked, GraphItem()));
    QCOMPARE(none->applied.at(0).first, int(ToolBase::DoubleClicked));

    viewer->activateTool(nets);
    QVERIFY(!viewer->triggerTool(ToolBase::Clicked, GraphItem(u1)));
    QVERIFY(viewer->triggerTool(ToolBase::Clicked, GraphItem(mid, a)));
}

void TestToolFramework::cursorModes()
{
    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    auto *leaves = new TestTool(viewer, QStringLiteral("Leaves"), 15, 0);
    auto *keeps = new TestTool(viewer, QStringLiteral("Keeps"), 15, 1);
    auto *resets = new TestTool(viewer, QStringLiteral("Resets"), 15, 2);
    for (ToolBase *tool : {static_cast<ToolBase *>(leaves), static_cast<ToolBase *>(keeps),
                           static_cast<ToolBase *>(resets)})
        tool->setIcon(QIcon(icon));
    const GraphItem gate(gateNamed(m, QStringLiteral("u1")));

    viewer->activateTool(leaves);
    QCOMPARE(viewer->cursor().shape(), Qt::ArrowCursor);
    viewer->activateTool(keeps);
    QCOMPARE(viewer->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(viewer->cursor().pixmap().size(), QSize(21, 21));
    viewer->triggerTool(ToolBase::Clicked, gate);
    QCOMPARE(viewer->cursor().shape(), Qt::BitmapCursor);
    viewer->activateTool(resets);
    QCOMPARE(viewer->cursor().shape(), Qt::BitmapCursor);
    viewer->triggerTool(ToolBase::Clicked, gate);
    QCOMPARE(viewer->cursor().shape(), Qt::ArrowCursor);
    viewer->activateTool(keeps);
    viewer->deactivateTool(resets);
    QCOMPARE(viewer->getActiveTool(), keeps);
    viewer->deactivateTool();
    QCOMPARE(viewer->getActiveTool(), nullptr);
    QCOMPARE(viewer->cursor().shape(), Qt::ArrowCursor);
    // A stored null pointer is no active tool.
    QVERIFY(viewer->stateMap().contains(QStringLiteral("GraphViewer::activatedTool")));
    QVERIFY(!keeps->isActive());
}

void TestToolFramework::defaultCursor()
{
    auto *tool = new TestTool(viewer);
    QPixmap icon(32, 32);
    icon.fill(Qt::blue);
    tool->setIcon(QIcon(icon));
    const QCursor cursor = tool->cursor();
    QCOMPARE(cursor.hotSpot(), QPoint(0, 0));
    const QImage image = cursor.pixmap().toImage();
    QCOMPARE(image.size(), QSize(37, 37));
    // The arrow's outline at the corner, the icon from (5, 5), transparent
    // between them.
    QCOMPARE(QColor(image.pixel(0, 0)), QColor(Qt::black));
    QCOMPARE(qAlpha(image.pixel(30, 2)), 0);
    QCOMPARE(QColor(image.pixel(20, 20)), QColor(Qt::blue));
    QCOMPARE(QColor(image.pixel(36, 36)), QColor(Qt::blue));
    QCOMPARE(qAlpha(image.pixel(2, 30)), 0);
}

void TestToolFramework::activationByButton()
{
    auto *first = new TestTool(viewer, QStringLiteral("First"));
    auto *second = new TestTool(viewer, QStringLiteral("Second"));
    viewer->addTool(first);
    viewer->addTool(second);
    QUndoStack *stack = viewer->undoStack();
    first->trigger();
    QCOMPARE(viewer->getActiveTool(), first);
    QVERIFY(first->isActive());
    QCOMPARE(stack->count(), 1);
    QCOMPARE(stack->text(0), QStringLiteral("Enable Tool 'First'"));
    // The active tool's button switches it off at once, without a step.
    first->trigger();
    QCOMPARE(viewer->getActiveTool(), nullptr);
    QCOMPARE(stack->count(), 1);
    stack->undo();
    second->trigger();
    QCOMPARE(stack->count(), 1);
    QCOMPARE(stack->text(0), QStringLiteral("Enable Tool 'Second'"));
    QVERIFY(second->isActive());
    QVERIFY(!first->isActive());
}

void TestToolFramework::toolWithoutViewerIgnoresActivation()
{
    QObject owner;
    auto *orphan = new TestTool(&owner);
    orphan->trigger();
    QVERIFY(!orphan->isActive());

    // A viewer further up the chain takes it; isActive asks only the
    // direct parent.
    auto *holder = new QObject(viewer);
    auto *nested = new TestTool(holder);
    nested->trigger();
    QCOMPARE(viewer->getActiveTool(), nested);
    QVERIFY(!nested->isActive());
}

void TestToolFramework::shortcutOverAnItemAppliesEveryMatchingTool()
{
    auto *one = new TestTool(viewer, QStringLiteral("One"));
    auto *two = new TestTool(viewer, QStringLiteral("Two"));
    auto *other = new TestTool(viewer, QStringLiteral("Other"));
    one->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_J));
    two->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_J));
    other->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_O));
    viewer->addTool(one);
    viewer->addTool(two);
    viewer->addTool(other);
    const GraphItem gate(gateNamed(m, QStringLiteral("u2")));
    emit m->keyPressed(gate, Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(one->applied.size(), 1);
    QCOMPARE(two->applied.size(), 1);
    QCOMPARE(one->applied.at(0).first, int(ToolBase::Clicked));
    QCOMPARE(two->applied.at(0).second, gate);
    QVERIFY(other->applied.isEmpty());
    QCOMPARE(viewer->undoStack()->count(), 0);
    emit m->keyPressed(gate, Qt::Key_J, Qt::NoModifier);
    QCOMPARE(one->applied.size(), 1);
}

void TestToolFramework::toolBarPlacementAndDeclinedTools()
{
    QHBoxLayout *bar = viewer->toolBarLayout();
    const int before = bar->count();
    // The built-in tools are there already.
    const int builtIn = viewer->tools().size();
    // The bar ends with a spacing and the label.
    QCOMPARE(bar->itemAt(before - 1)->widget(), viewer->selectionLabel());
    QVERIFY(bar->itemAt(before - 2)->spacerItem());

    auto *first = new TestTool(viewer, QStringLiteral("First"));
    auto *second = new TestTool(viewer, QStringLiteral("Second"));
    viewer->addTool(first);
    viewer->addTool(second);
    QCOMPARE(bar->count(), before + 2);
    // Added tools go before the search tool, which stays the last one.
    QCOMPARE(bar->itemAt(before - 3)->widget(), first->toolWidget);
    QCOMPARE(bar->itemAt(before - 2)->widget(), second->toolWidget);
    QVERIFY(bar->itemAt(before - 1)->widget()->findChild<QComboBox *>());
    QVERIFY(bar->itemAt(before)->spacerItem());
    QCOMPARE(bar->itemAt(before + 1)->widget(), viewer->selectionLabel());
    QCOMPARE(viewer->tools().size(), builtIn + 2);

    // A tool that declines the viewer is deleted at once.
    auto *declines = new TestTool(viewer, QStringLiteral("Declines"));
    declines->acceptsAll = false;
    GraphViewer stateViewer(smallState(), nullptr);
    declines->setParent(&stateViewer);
    QPointer<TestTool> gone(declines);
    const int stateBar = stateViewer.toolBarLayout()->count();
    stateViewer.addTool(declines);
    QVERIFY(gone.isNull());
    QCOMPARE(stateViewer.toolBarLayout()->count(), stateBar);
    // Only the search tool of the built-in ones serves viewers of a graph
    // state.
    QCOMPARE(stateViewer.tools().size(), 1);
    QVERIFY(qobject_cast<ToolSearch *>(*stateViewer.tools().cbegin()));
    // By default a tool is for viewers of a laid-out module only.
    auto *plain = new TestTool(viewer, QStringLiteral("Plain"));
    QVERIFY(plain->ToolBase::acceptsViewer(false));
    QVERIFY(!plain->ToolBase::acceptsViewer(true));

    // A tool deleted by its owner leaves the set.
    delete second;
    QCOMPARE(viewer->tools().size(), builtIn + 1);
}

void TestToolFramework::itemCommands()
{
    auto *tool = new TestTool(viewer, QStringLiteral("Marker"));
    viewer->addTool(tool);
    Gate *u1 = gateNamed(m, QStringLiteral("u1"));
    const GraphItem gate(u1);
    GraphItem value(gate);
    SceneItemRegistry &registry = viewer->sceneItemRegistry();

    // Nothing on the element: a "Create" of a new item carrying the value.
    UndoBaseCommand *create = tool->makeItemCommand(registry, gate, false, value);
    QCOMPARE(create->type, int(UndoBaseCommand::Create));
    auto *made = static_cast<TestUndoItem *>(create->created.item);
    QCOMPARE(made->graphItem, gate);
    viewer->pushCommand(create);
    QCOMPARE(registry.size(), 1);

    // An item of another tool on the element does not count as its own.
    auto *foreign = new TestUndoItem(GuiCommentPinItem);
    foreign->graphItem = gate;
    UndoBaseCommand *otherCreate = new UndoBaseCommand(UndoBaseCommand::Create, foreign);
    viewer->pushCommand(otherCreate);
    QCOMPARE(registry.size(), 2);

    // Its own item there: an "Update" with an edited copy of it, carrying
    // the value given back by editItem.
    GraphItem moved(m->edges->find(Name(QStringLiteral("mid"))));
    UndoBaseCommand *update = tool->makeItemCommand(registry, gate, false, moved);
    QCOMPARE(update->type, int(UndoBaseCommand::Update));
    QCOMPARE(update->oldItem.item, made);
    auto *copy = static_cast<TestUndoItem *>(update->newItem.item);
    QVERIFY(copy != made);
    QCOMPARE(copy->text, QStringLiteral("edited"));
    QCOMPARE(copy->graphItem, moved);
    QCOMPARE(TestUndoItem::liveCount(), 3);
    delete update;
    QCOMPARE(TestUndoItem::liveCount(), 2);

    // editItem answering null: a "Delete" of the item, the copy destroyed.
    tool->deletesOnEdit = true;
    UndoBaseCommand *remove = tool->makeItemCommand(registry, gate, false, value);
    QCOMPARE(remove->type, int(UndoBaseCommand::Delete));
    QCOMPARE(remove->created.item, made);
    QVERIFY(!remove->created.owned);
    QCOMPARE(TestUndoItem::liveCount(), 2);
    delete remove;
    QCOMPARE(made->scene(), viewer->scene());

    // Disabling with no item of its own: "Disable Tool '%1'".
    const GraphItem net(m->edges->find(Name(QStringLiteral("out"))));
    UndoBaseCommand *disable = tool->makeItemCommand(registry, net, true, value);
    QCOMPARE(disable->type, int(UndoBaseCommand::DeactivateTool));
    QCOMPARE(disable->text(), QStringLiteral("Disable Tool 'Marker'"));
    QVERIFY(!disable->created.item);
    delete disable;
}

void TestToolFramework::popupWidget()
{
    auto *tool = new TestTool(viewer);
    auto *dialog = new QDialog;
    tool->setPopupWidget(dialog);
    QMenu *menu = tool->menu();
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 1);
    auto *holder = qobject_cast<QWidgetAction *>(menu->actions().at(0));
    QVERIFY(holder);
    QCOMPARE(holder->defaultWidget(), dialog);
    menu->popup(QPoint(0, 0));
    QVERIFY(menu->isVisible());
    QVERIFY(dialog->isVisible());
    dialog->done(1);
    QVERIFY(!menu->isVisible());
    QPointer<QMenu> owned(menu);
    delete tool;
    QVERIFY(owned.isNull());
}

void TestToolFramework::disabledToolDeactivates()
{
    auto *active = new TestTool(viewer, QStringLiteral("Active"));
    auto *disabled = new TestTool(viewer, QStringLiteral("Disabled"));
    disabled->setEnabled(false);
    viewer->activateTool(active);
    viewer->activateTool(disabled);
    QCOMPARE(viewer->getActiveTool(), nullptr);
    viewer->activateTool(active);
    viewer->activateTool(nullptr);
    QCOMPARE(viewer->getActiveTool(), nullptr);
    viewer->userActivateTool(nullptr);
    QCOMPARE(viewer->undoStack()->count(), 0);
}

QTEST_MAIN(TestToolFramework)
#include "tst_toolframework.moc"
