// The undo framework: what item commands do to the scene and the state map
// on redo and undo, how consecutive commands merge, and which items the
// commands delete.

#include "viewerfixture.h"

#include <QApplication>
#include <QGraphicsSceneContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace ViewerFixture;

namespace {

// A command of another kind with the same base (a tool configuration).
class OtherIdCommand : public UndoBaseCommand
{
public:
    OtherIdCommand()
        : UndoBaseCommand(ActivateTool)
    {
    }
    int id() const override { return 144728; }
};

} // namespace

class TestUndoFramework : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void activateAndCreateMergeIntoOneStep();
    void twoActivationsMerge();
    void undoneToolSwitchTakesItsCursorBack();
    void updateUndoneThenDiscardedDeletesItsCopy();
    void undoOfANewKeyLeavesAnInvalidValue();
    void deactivateToolThroughPushCommand();
    void deleteFromTheItemsOwnMenu();
    void itemCommandsDoNotRebuildTheGraph();
    void constructorChecks();
    void mergeRules();
    void destructionDeletesOnlyOwnedItemsOutOfTheScene();
    void typeNames();
    void commandWithoutViewerDoesNothing();

private:
    ModuleMap m_modules;
    Module *m = nullptr;
    GraphViewer *viewer = nullptr;
    TestTool *previous = nullptr;
    TestTool *marker = nullptr;
};

void TestUndoFramework::init()
{
    m = smallModule(m_modules);
    viewer = new GraphViewer(m, nullptr);
    previous = new TestTool(viewer, QStringLiteral("Previous"));
    marker = new TestTool(viewer, QStringLiteral("Marker"));
    marker->pushesItemCommands = true;
    viewer->addTool(previous);
    viewer->addTool(marker);
    TestUndoItem::liveCount() = 0;
}

void TestUndoFramework::cleanup()
{
    delete viewer;
    viewer = nullptr;
    QCOMPARE(TestUndoItem::liveCount(), 0);
    deleteModules(m_modules);
}

void TestUndoFramework::activateAndCreateMergeIntoOneStep()
{
    QUndoStack *stack = viewer->undoStack();
    viewer->activateTool(previous);
    QCOMPARE(stack->count(), 0);
    viewer->userActivateTool(marker);
    QCOMPARE(stack->count(), 1);
    QCOMPARE(stack->text(0), QStringLiteral("Enable Tool 'Marker'"));
    QCOMPARE(viewer->getActiveTool(), marker);

    Gate *u1 = gateNamed(m, QStringLiteral("u1"));
    viewer->clicked(GraphItem(u1));
    QCOMPARE(stack->count(), 1);
    QCOMPARE(stack->text(0), QStringLiteral("Create mark for G:u1"));
    QCOMPARE(undoItemCount(*viewer), 1);
    QCOMPARE(viewer->sceneItemRegistry().size(), 1);
    QCOMPARE(viewer->sceneItemRegistry().firstKey(), GraphItem(u1));
    // Once applied, no tool is active.
    QCOMPARE(viewer->getActiveTool(), nullptr);

    stack->undo();
    QCOMPARE(undoItemCount(*viewer), 0);
    QVERIFY(viewer->sceneItemRegistry().isEmpty());
    QCOMPARE(viewer->getActiveTool(), previous);
    QCOMPARE(TestUndoItem::liveCount(), 1);

    stack->redo();
    QCOMPARE(undoItemCount(*viewer), 1);
    QCOMPARE(viewer->getActiveTool(), nullptr);
}

void TestUndoFramework::twoActivationsMerge()
{
    QUndoStack *stack = viewer->undoStack();
    viewer->userActivateTool(previous);
    viewer->userActivateTool(marker);
    QCOMPARE(stack->count(), 1);
    QCOMPARE(stack->text(0), QStringLiteral("Enable Tool 'Previous'"));
    QCOMPARE(viewer->getActiveTool(), marker);
    stack->undo();
    QCOMPARE(viewer->getActiveTool(), nullptr);
    stack->redo();
    QCOMPARE(viewer->getActiveTool(), marker);
    // Choosing the active tool again switches it off without a step.
    viewer->userActivateTool(marker);
    QCOMPARE(stack->count(), 1);
    QCOMPARE(viewer->getActiveTool(), nullptr);
}

void TestUndoFramework::undoneToolSwitchTakesItsCursorBack()
{
    // Each tool's cursor carries its icon: the colour tells whose it is.
    const auto paint = [](ToolBase *tool, Qt::GlobalColor colour) {
        QPixmap icon(16, 16);
        icon.fill(colour);
        tool->setIcon(QIcon(icon));
    };
    paint(previous, Qt::red);
    paint(marker, Qt::blue);
    const auto cursorColour = [this] {
        const QCursor cursor = viewer->cursor();
        return cursor.shape() == Qt::BitmapCursor ? cursor.pixmap().toImage().pixelColor(12, 12) : QColor();
    };
    QUndoStack *stack = viewer->undoStack();

    viewer->activateTool(previous);
    QCOMPARE(cursorColour(), QColor(Qt::red));
    viewer->userActivateTool(marker);
    QCOMPARE(cursorColour(), QColor(Qt::blue));
    stack->undo();
    QCOMPARE(viewer->getActiveTool(), previous);
    QCOMPARE(cursorColour(), QColor(Qt::red));
    stack->redo();
    QCOMPARE(cursorColour(), QColor(Qt::blue));

    // Undone to no tool at all: the viewer's own cursor.
    viewer->deactivateTool();
    stack->clear();
    viewer->userActivateTool(marker);
    QCOMPARE(cursorColour(), QColor(Qt::blue));
    stack->undo();
    QCOMPARE(viewer->getActiveTool(), nullptr);
    QCOMPARE(viewer->cursor().shape(), Qt::ArrowCursor);
}

void TestUndoFramework::updateUndoneThenDiscardedDeletesItsCopy()
{
    QUndoStack *stack = viewer->undoStack();
    Gate *u1 = gateNamed(m, QStringLiteral("u1"));
    viewer->userActivateTool(marker);
    viewer->clicked(GraphItem(u1));
    QCOMPARE(TestUndoItem::liveCount(), 1);
    auto *original = static_cast<TestUndoItem *>(viewer->sceneItemRegistry().first());

    // Applied again to the same gate: an update with a fresh copy.
    viewer->userActivateTool(marker);
    viewer->clicked(GraphItem(u1));
    QCOMPARE(stack->count(), 2);
    QCOMPARE(stack->text(1), QStringLiteral("Update mark for G:u1"));
    QCOMPARE(TestUndoItem::liveCount(), 2);
    auto *copy = static_cast<TestUndoItem *>(viewer->sceneItemRegistry().first());
    QVERIFY(copy != original);
    QCOMPARE(copy->text, QStringLiteral("edited"));
    QCOMPARE(copy->graphItem, GraphItem(u1));
    QVERIFY(!original->scene());
    QCOMPARE(viewer->sceneItemRegistry().size(), 1);

    stack->undo();
    QCOMPARE(original->scene(), viewer->scene());
    QCOMPARE(viewer->sceneItemRegistry().values(), QList<QGraphicsItem *>({original}));
    QPointer<GraphViewer> alive(viewer);
    // A new step discards the undone update, and with it the copy.
    viewer->userActivateTool(previous);
    QCOMPARE(stack->count(), 2);
    QCOMPARE(TestUndoItem::liveCount(), 1);
    QCOMPARE(original->scene(), viewer->scene());
}

void TestUndoFramework::undoOfANewKeyLeavesAnInvalidValue()
{
    QMap<QString, QVariant> &state = viewer->stateMap();
    state.insert(QStringLiteral("Test::Present"), 1);
    auto *command = new UndoBaseCommand(UndoBaseCommand::GraphUpdate);
    command->after.insert(QStringLiteral("Test::New"), 42);
    command->after.insert(QStringLiteral("Test::Present"), 2);
    viewer->pushCommand(command);
    QCOMPARE(state.value(QStringLiteral("Test::New")), QVariant(42));
    QCOMPARE(state.value(QStringLiteral("Test::Present")), QVariant(2));
    QVERIFY(command->before.contains(QStringLiteral("Test::New")));
    QVERIFY(!command->before.value(QStringLiteral("Test::New")).isValid());

    viewer->undoStack()->undo();
    QVERIFY(state.contains(QStringLiteral("Test::New")));
    QVERIFY(!state.value(QStringLiteral("Test::New")).isValid());
    QCOMPARE(state.value(QStringLiteral("Test::Present")), QVariant(1));

    // A value that is itself a QVariant is recorded one level unwrapped.
    const QVariant inner(7);
    const QVariant nested(QMetaType::QVariant, &inner);
    QCOMPARE(nested.userType(), int(QMetaType::QVariant));
    state.insert(QStringLiteral("Test::Wrapped"), nested);
    auto *wrapped = new UndoBaseCommand(UndoBaseCommand::GraphUpdate);
    wrapped->after.insert(QStringLiteral("Test::Wrapped"), 8);
    viewer->pushCommand(wrapped);
    QCOMPARE(wrapped->before.value(QStringLiteral("Test::Wrapped")), QVariant(7));
}

void TestUndoFramework::deactivateToolThroughPushCommand()
{
    QUndoStack *stack = viewer->undoStack();
    // Alone on the stack: the history is emptied.
    viewer->pushCommand(new UndoBaseCommand(UndoBaseCommand::DeactivateTool));
    QCOMPARE(stack->count(), 0);

    // After another step: the activation it merged into is undone and the
    // deactivation folds into the step below.
    auto *update = new UndoBaseCommand(UndoBaseCommand::GraphUpdate);
    update->setText(QStringLiteral("first"));
    update->after.insert(QStringLiteral("Test::Key"), 1);
    viewer->pushCommand(update);
    viewer->userActivateTool(marker);
    QCOMPARE(stack->count(), 2);
    QCOMPARE(viewer->getActiveTool(), marker);
    viewer->pushCommand(new UndoBaseCommand(UndoBaseCommand::DeactivateTool));
    QCOMPARE(stack->count(), 1);
    QCOMPARE(stack->text(0), QStringLiteral("first"));
    QCOMPARE(viewer->getActiveTool(), nullptr);
    QCOMPARE(viewer->stateMap().value(QStringLiteral("Test::Key")), QVariant(1));

    // A tool that makes nothing yields an empty "Deactivate Tool".
    marker->makesItems = false;
    GraphItem value(gateNamed(m, QStringLiteral("u1")));
    UndoBaseCommand *nothing = marker->makeItemCommand(viewer->sceneItemRegistry(), value, false, value);
    QCOMPARE(nothing->type, int(UndoBaseCommand::DeactivateTool));
    QCOMPARE(nothing->text(), QString());
    delete nothing;
}

void TestUndoFramework::deleteFromTheItemsOwnMenu()
{
    QUndoStack *stack = viewer->undoStack();
    Gate *u1 = gateNamed(m, QStringLiteral("u1"));
    viewer->userActivateTool(marker);
    viewer->clicked(GraphItem(u1));
    QGraphicsItem *item = viewer->sceneItemRegistry().first();

    // Cancelled: nothing happens.
    useItemMenu(item, QString());
    QCOMPARE(stack->count(), 1);
    QCOMPARE(item->scene(), viewer->scene());

    bool alive = false;
    useItemMenu(item, QStringLiteral("Delete"), &alive);
    QVERIFY(alive);
    QCOMPARE(stack->count(), 2);
    QCOMPARE(stack->text(1), QString());
    auto *command = dynamic_cast<const UndoBaseCommand *>(stack->command(1));
    QCOMPARE(command->type, int(UndoBaseCommand::Delete));
    QVERIFY(!item->scene());
    QVERIFY(viewer->sceneItemRegistry().isEmpty());
    QCOMPARE(TestUndoItem::liveCount(), 1);

    stack->undo();
    QCOMPARE(item->scene(), viewer->scene());
    QCOMPARE(viewer->sceneItemRegistry().values(), QList<QGraphicsItem *>({item}));
}

void TestUndoFramework::itemCommandsDoNotRebuildTheGraph()
{
    // In a viewer of a graph state, item commands leave the module and its
    // items alone; only a new graph state rebuilds.
    GraphViewer stateViewer(smallState(), nullptr);
    auto *tool = new TestTool(&stateViewer, QStringLiteral("Marker"));
    tool->pushesItemCommands = true;
    stateViewer.addTool(tool);
    QSignalSpy designChanged(&stateViewer, &GraphViewer::designChanged);
    NetlistItem *inv = stateViewer.search(GuiGateItem, Name(QStringLiteral("inv")));
    QVERIFY(inv);

    stateViewer.userActivateTool(tool);
    stateViewer.clicked(inv->graphItem());
    QGraphicsItem *mark = stateViewer.sceneItemRegistry().first();
    bool alive = false;
    useItemMenu(mark, QStringLiteral("Delete"), &alive);
    QVERIFY(alive);
    stateViewer.undoStack()->undo();
    stateViewer.undoStack()->undo();
    stateViewer.undoStack()->redo();
    QCOMPARE(designChanged.count(), 0);
    QCOMPARE(stateViewer.search(GuiGateItem, Name(QStringLiteral("inv"))), inv);

    // A graph update rebuilds; the marks on the old elements leave the
    // scene with them and stay with their commands.
    stateViewer.addElement(portRecord(QStringLiteral("c"), 0));
    QCOMPARE(designChanged.count(), 1);
    QCOMPARE(undoItemCount(stateViewer), 0);
    QVERIFY(stateViewer.sceneItemRegistry().isEmpty());
    QCOMPARE(TestUndoItem::liveCount(), 1);
    stateViewer.undoStack()->undo();
    QCOMPARE(designChanged.count(), 2);
}

void TestUndoFramework::constructorChecks()
{
    LogCapture log;
    TestUndoItem *item = new TestUndoItem(GuiUndoableItem);
    delete new UndoBaseCommand(UndoBaseCommand::Update, nullptr, nullptr);
    delete new UndoBaseCommand(UndoBaseCommand::Delete, nullptr, nullptr);
    UndoBaseCommand deleting(UndoBaseCommand::Delete, item, item);
    QCOMPARE(criticals(log),
             QStringList({QStringLiteral("Invalid API call. item1 shall not be null"),
                          QStringLiteral("Invalid API call. item2 shall not be null"),
                          QStringLiteral("Invalid API call. item1 shall not be null"),
                          QStringLiteral("Invalid API call. item2 Must be null")}));
    QCOMPARE(deleting.created.item, item);
    QVERIFY(!deleting.created.owned);
    UndoBaseCommand creating(UndoBaseCommand::Create, item);
    QVERIFY(creating.created.owned);
    creating.created.owned = false;
    delete item;
    // Other types take no items.
    UndoBaseCommand activation(UndoBaseCommand::ActivateTool, item);
    QVERIFY(!activation.created.item);
    QCOMPARE(criticals(log).size(), 4);
}

void TestUndoFramework::mergeRules()
{
    UndoBaseCommand activate(UndoBaseCommand::ActivateTool);
    OtherIdCommand configure;
    QVERIFY(!activate.mergeWith(&configure));
    QVERIFY(!configure.mergeWith(&activate));

    UndoBaseCommand deactivate(UndoBaseCommand::DeactivateTool);
    UndoBaseCommand update(UndoBaseCommand::GraphUpdate);
    QVERIFY(!deactivate.mergeWith(&update));
    QVERIFY(!deactivate.mergeWith(&activate));
    QVERIFY(!update.mergeWith(&activate));
    QVERIFY(!update.mergeWith(&update));
    deactivate.redoTool = marker;
    QVERIFY(update.mergeWith(&deactivate));
    QCOMPARE(update.redoTool, marker);

    UndoBaseCommand switchOff(UndoBaseCommand::ActivateTool);
    QVERIFY(switchOff.mergeWith(&deactivate));
    QCOMPARE(switchOff.type, int(UndoBaseCommand::DeactivateTool));

    // Taking over an item command: type, text, items, redo tool and after
    // map; before keeps only the keys of after, from the activation's
    // snapshot.
    UndoBaseCommand activation(UndoBaseCommand::ActivateTool);
    activation.setViewer(viewer);
    viewer->stateMap().insert(QStringLiteral("Test::Old"), 5);
    activation.recordState();
    QVERIFY(activation.before.contains(QStringLiteral("Test::Old")));
    auto *item = new TestUndoItem(GuiUndoableItem);
    UndoBaseCommand create(UndoBaseCommand::Create, item);
    create.setText(QStringLiteral("made"));
    create.after.insert(QStringLiteral("Test::Old"), 6);
    create.after.insert(QStringLiteral("Test::Fresh"), 1);
    QVERIFY(activation.mergeWith(&create));
    QCOMPARE(activation.type, int(UndoBaseCommand::Create));
    QCOMPARE(activation.text(), QStringLiteral("made"));
    QCOMPARE(activation.created.item, item);
    QVERIFY(activation.created.owned);
    QVERIFY(!create.created.item);
    QVERIFY(!create.created.owned);
    QCOMPARE(activation.before.keys(), QStringList({QStringLiteral("Test::Fresh"), QStringLiteral("Test::Old")}));
    QCOMPARE(activation.before.value(QStringLiteral("Test::Old")), QVariant(5));
    QVERIFY(!activation.before.value(QStringLiteral("Test::Fresh")).isValid());
    QCOMPARE(activation.id(), 144727);
}

void TestUndoFramework::destructionDeletesOnlyOwnedItemsOutOfTheScene()
{
    auto *inScene = new TestUndoItem(GuiUndoableItem);
    viewer->scene()->addItem(inScene);
    delete new UndoBaseCommand(UndoBaseCommand::Create, inScene);
    QCOMPARE(TestUndoItem::liveCount(), 1);
    auto *outside = new TestUndoItem(GuiUndoableItem);
    delete new UndoBaseCommand(UndoBaseCommand::Delete, outside);
    QCOMPARE(TestUndoItem::liveCount(), 2);
    delete new UndoBaseCommand(UndoBaseCommand::Create, outside);
    QCOMPARE(TestUndoItem::liveCount(), 1);
    delete inScene;

    // Replacing an owned item out of the scene deletes it.
    OwnedItem pair(new TestUndoItem(GuiUndoableItem), true);
    QVERIFY(pair.deletable());
    pair.reset(new TestUndoItem(GuiUndoableItem), false);
    QCOMPARE(TestUndoItem::liveCount(), 1);
    QVERIFY(!pair.deletable());
    delete pair.item;
    pair.item = nullptr;
}

void TestUndoFramework::typeNames()
{
    const QStringList names = {QStringLiteral("Activate Tool"), QStringLiteral("Deactivate Tool"),
                               QStringLiteral("Create"), QStringLiteral("Update"), QStringLiteral("Delete"),
                               QStringLiteral("Graph Update Cmd")};
    LogCapture log; // item commands without items are misuse, reported
    for (int type = 0; type < names.size(); ++type)
        QCOMPARE(UndoBaseCommand(type).typeName(), names.at(type));
    QCOMPARE(UndoBaseCommand(6).typeName(), QString());
    QCOMPARE(UndoBaseCommand(-1).typeName(), QString());
}

void TestUndoFramework::commandWithoutViewerDoesNothing()
{
    auto *item = new TestUndoItem(GuiUndoableItem);
    UndoBaseCommand create(UndoBaseCommand::Create, item);
    create.after.insert(QStringLiteral("Test::Key"), 1);
    create.recordState();
    create.redo();
    create.undo();
    QVERIFY(!item->scene());
    QVERIFY(create.before.isEmpty());
    QVERIFY(!viewer->stateMap().contains(QStringLiteral("Test::Key")));
}

QTEST_MAIN(TestUndoFramework)
#include "tst_undoframework.moc"
