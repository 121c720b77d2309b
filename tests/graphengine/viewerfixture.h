#pragma once

// What the viewer, tool and undo tests share: a tool and an undoable item of
// the tests' own, small laid-out modules and graph states.

#include "layoutfixture.h"

#include "graphengine/scene/guielementtype.h"
#include "graphengine/scene/netlistitem.h"
#include "graphengine/viewer/graphviewer.h"
#include "graphengine/viewer/toolbase.h"
#include "graphengine/viewer/undobasecommand.h"
#include "netlist/graphrecords.h"

#include <QApplication>
#include <QGraphicsSceneContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QtTest>
#include <QToolButton>
#include <QUndoStack>

namespace ViewerFixture {

using namespace GraphEngine;
using namespace LayoutFixture;

// A square mark on an element; counts the live items so tests see deletions.
class TestUndoItem : public QGraphicsUndoItem
{
public:
    explicit TestUndoItem(int itemType, const QString &text = QString())
        : m_type(itemType)
        , text(text)
    {
        ++liveCount();
    }
    ~TestUndoItem() override { --liveCount(); }

    QRectF boundingRect() const override { return QRectF(0, 0, 10, 10); }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        painter->drawRect(boundingRect());
    }
    int type() const override { return m_type; }
    QGraphicsUndoItem *clone() const override
    {
        auto *copy = new TestUndoItem(m_type, text);
        copy->graphItem = graphItem;
        return copy;
    }

    static int &liveCount()
    {
        static int count = 0;
        return count;
    }

    int m_type;
    QString text;
};

// A tool whose behaviour each test sets: what it accepts, whether it makes
// and keeps items, and a record of what it was applied to.
class TestTool : public ToolBase
{
    Q_OBJECT

public:
    explicit TestTool(QObject *parent, const QString &text = QStringLiteral("Test Tool"), int kinds = 15,
                      int cursorMode = 1)
        : ToolBase(parent)
    {
        setText(text);
        acceptedKinds = kinds;
        this->cursorMode = cursorMode;
        createToolButton(nullptr);
    }

    int itemType() const override { return m_itemType; }
    QGraphicsItem *createItem(const GraphItem &) override
    {
        return makesItems ? new TestUndoItem(m_itemType, QStringLiteral("made")) : nullptr;
    }
    QGraphicsItem *editItem(QGraphicsItem *copy, bool disable, GraphItem &value) override
    {
        if (deletesOnEdit)
            return nullptr;
        static_cast<TestUndoItem *>(copy)->text = QStringLiteral("edited");
        return ToolBase::editItem(copy, disable, value);
    }
    void apply(ActionTriggeredBy how, const GraphItem &item) override
    {
        applied.append(qMakePair(int(how), item));
        if (!pushesItemCommands)
            return;
        auto *viewer = qobject_cast<GraphViewer *>(parent());
        GraphItem value = item;
        UndoBaseCommand *command = makeItemCommand(viewer->sceneItemRegistry(), item, false, value);
        command->setText(QStringLiteral("%1 mark for %2").arg(command->typeName(), item.label()));
        viewer->pushCommand(command);
    }
    bool acceptsViewer(bool hasGraphState) const override
    {
        return acceptsAll || ToolBase::acceptsViewer(hasGraphState);
    }

    int m_itemType = GuiUndoableItem;
    bool makesItems = true;
    bool deletesOnEdit = false;
    bool pushesItemCommands = false;
    bool acceptsAll = true;
    QList<QPair<int, GraphItem>> applied;
};

// A laid-out module: in -> u1 (AND with b) -> u2 (INVERTER) -> out, and a
// second output out2 from u1.
inline Module *smallModule(ModuleMap &registry, const QString &name = QStringLiteral("top"))
{
    Module *m = Module::findOrCreateModule(registry, name, nullptr);
    input(m, QStringLiteral("in"));
    input(m, QStringLiteral("b"));
    output(m, QStringLiteral("out"));
    output(m, QStringLiteral("out2"));
    Gate *u1 = makeGate(m, QStringLiteral("u1"), {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("y")},
                        BaseEnum::AND);
    wire(m, u1, QStringLiteral("a"), QStringLiteral("in"));
    wire(m, u1, QStringLiteral("b"), QStringLiteral("b"));
    wire(m, u1, QStringLiteral("y"), QStringLiteral("mid"));
    cell(m, QStringLiteral("u2"), QStringLiteral("mid"), QStringLiteral("out"), BaseEnum::INVERTER);
    cell(m, QStringLiteral("u3"), QStringLiteral("mid"), QStringLiteral("out2"));
    m->computeLayout(10.0, true, false);
    return m;
}

inline UndoFramework::Port portRecord(const QString &name, int direction)
{
    UndoFramework::Port p;
    p.name = name;
    p.direction = direction;
    return p;
}

inline UndoFramework::InstanceTerminal terminalRecord(const QString &port, int direction, const QString &net,
                                                     const QString &pin)
{
    UndoFramework::InstanceTerminal t;
    t.portName = port;
    t.pinName = pin;
    t.direction = direction;
    t.netName = net;
    return t;
}

inline UndoFramework::Instance instanceRecord(const QString &name, int kind,
                                              const QList<UndoFramework::InstanceTerminal> &terminals)
{
    UndoFramework::Instance i;
    i.name = name;
    i.gateKind = kind;
    i.terminals = terminals;
    return i;
}

// A state describing: ports a (in) and y (out), an inverter inv from a to y.
inline UndoFramework::GraphUndoState smallState(quint64 key = Q_UINT64_C(0x7f0000001000))
{
    UndoFramework::GraphUndoState s(UndoFramework::GraphDataBase(), key);
    s.moduleName = QStringLiteral("top");
    s.ports << portRecord(QStringLiteral("a"), 0) << portRecord(QStringLiteral("y"), 1);
    s.instances << instanceRecord(QStringLiteral("inv"), BaseEnum::INVERTER,
                                  {terminalRecord(QStringLiteral("i"), 0, QStringLiteral("a"), QStringLiteral("A")),
                                   terminalRecord(QStringLiteral("o"), 1, QStringLiteral("y"), QStringLiteral("Out"))});
    return s;
}

// The names of graph records (instances or ports), in their order.
template<typename Record>
QStringList recordNames(const QList<Record> &records)
{
    QStringList names;
    for (const Record &record : records)
        names << record.name;
    return names;
}

// The "Graph Update Cmd" steps of an undo stack.
inline int graphUpdateCount(const QUndoStack *stack)
{
    int count = 0;
    for (int i = 0; i < stack->count(); ++i) {
        auto *command = dynamic_cast<const UndoBaseCommand *>(stack->command(i));
        if (command && command->type == UndoBaseCommand::GraphUpdate)
            ++count;
    }
    return count;
}

inline UndoFramework::GraphUndoState storedState(const GraphViewer &viewer)
{
    return viewer.stateMap().value(QStringLiteral("GraphViewer::GraphState")).value<UndoFramework::GraphUndoState>();
}

// Scene items by type.
inline QList<NetlistItem *> netlistItems(const GraphViewer &viewer, int type)
{
    QList<NetlistItem *> found;
    for (QGraphicsItem *item : viewer.scene()->items()) {
        if (item->type() == type)
            found.append(static_cast<NetlistItem *>(item));
    }
    return found;
}

inline NetlistItem *itemOf(const GraphViewer &viewer, const GraphItem &graphItem)
{
    for (QGraphicsItem *item : viewer.scene()->items()) {
        const int type = item->type();
        if (type >= GuiGateItem && type <= GuiOutputPortGateItem && type != GuiGatePortItem
            && static_cast<NetlistItem *>(item)->graphItem() == graphItem)
            return static_cast<NetlistItem *>(item);
    }
    return nullptr;
}

inline int undoItemCount(const GraphViewer &viewer)
{
    int count = 0;
    for (QGraphicsItem *item : viewer.scene()->items()) {
        if (dynamic_cast<QGraphicsUndoItem *>(item))
            ++count;
    }
    return count;
}

// Opens the undoable item's own menu and, once it shows, picks the entry
// with that text (or closes it for an empty text).
inline void useItemMenu(QGraphicsItem *item, const QString &choice, bool *handlerSawItemAlive = nullptr)
{
    QTimer::singleShot(0, [choice] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("Delete"));
        if (choice.isEmpty()) {
            menu->close();
            return;
        }
        menu->setActiveAction(menu->actions().at(0));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QGraphicsSceneContextMenuEvent event(QEvent::GraphicsSceneContextMenu);
    event.setScreenPos(QPoint(20, 20));
    event.ignore();
    item->scene()->sendEvent(item, &event);
    QVERIFY(event.isAccepted());
    if (handlerSawItemAlive)
        *handlerSawItemAlive = TestUndoItem::liveCount() > 0;
}

} // namespace ViewerFixture
