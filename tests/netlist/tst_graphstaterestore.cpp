// A graph state restored into a viewer: its stack-path entries become "From
// Stack" properties and pins over the rebuilt graph, its focus is selected
// and centred; and the viewer keeps the module it shows alive whatever
// happens to the stored state.

#include "graphengine/viewerfixture.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/pin.h"
#include "graphengine/viewer/tools/guipinelement.h"

#include <QPointer>
#include <QtTest>

#include <algorithm>

using namespace GraphEngine;
using namespace ViewerFixture;
using UndoFramework::GraphUndoState;
using UndoFramework::StackPathEntry;

namespace {

const QString fromStack = QStringLiteral("From Stack");

// Sightings in frames: names with the level as index, texts "level: text".
StackPathEntry entry(int type, const QString &name, const QList<int> &levels, const QString &port = QString())
{
    StackPathEntry e;
    e.elementType = GuiElementType(type);
    e.elementName = Name(name);
    e.portName = port;
    for (int level : levels) {
        e.values.append(Name(QStringLiteral(" %1").arg(level), true));
        e.valueTexts << QStringLiteral("%1:%2%3").arg(level).arg(QChar(0x00A0)).arg(name);
    }
    return e;
}

// Ports a (in) and y (out); inv1 from a to n1 (its input port named clk),
// inv2 from n1 to y.
GraphUndoState twoInverters()
{
    GraphUndoState s(UndoFramework::GraphDataBase(), Q_UINT64_C(0x7f0000002000));
    s.moduleName = QStringLiteral("top");
    s.ports << portRecord(QStringLiteral("a"), 0) << portRecord(QStringLiteral("y"), 1);
    s.instances << instanceRecord(QStringLiteral("inv1"), BaseEnum::INVERTER,
                                  {terminalRecord(QStringLiteral("clk"), 0, QStringLiteral("a"), QStringLiteral("A")),
                                   terminalRecord(QStringLiteral("o"), 1, QStringLiteral("n1"), QStringLiteral("Out"))})
                << instanceRecord(QStringLiteral("inv2"), BaseEnum::INVERTER,
                                  {terminalRecord(QStringLiteral("i"), 0, QStringLiteral("n1"), QStringLiteral("A")),
                                   terminalRecord(QStringLiteral("o"), 1, QStringLiteral("y"), QStringLiteral("Out"))});
    return s;
}

QList<GuiPinElement *> pinsOf(const GraphViewer &viewer)
{
    QList<GuiPinElement *> pins;
    for (QGraphicsItem *item : viewer.scene()->items()) {
        if (item->type() == GuiCommentPinItem)
            pins << static_cast<GuiPinElement *>(item);
    }
    std::sort(pins.begin(), pins.end(),
              [](const GuiPinElement *a, const GuiPinElement *b) { return a->zValue() < b->zValue(); });
    return pins;
}

QString nameListText(const StackPathEntry &e)
{
    NameList values = e.values;
    return values.toString().trimmed();
}

QPointF anchorOf(const GuiPinElement *pin)
{
    return pin->pos() + pin->pin->hotSpot();
}

QPointF hotSpotAt(const Pin &pin)
{
    return QPointF(pin.x, pin.y) + pin.hotSpot();
}

bool fullyVisible(const GraphViewer &viewer, const QGraphicsItem *item)
{
    QGraphicsView *view = viewer.view();
    const QRectF shown = view->mapToScene(view->viewport()->rect()).boundingRect();
    return shown.adjusted(-1, -1, 1, 1).contains(item->sceneBoundingRect());
}

} // namespace

class TestGraphStateRestore : public QObject
{
    Q_OBJECT

private slots:
    void init() { UndoFramework::registerGraphUndoStateType(); }

    // Five entries over several frames: a gate, a net, a gate port, a
    // missing net and a gate without values give three pins, z 106..108,
    // drawn over their elements with the text inside; only the scene holds
    // them.
    void severalFrames()
    {
        GraphUndoState state = twoInverters();
        const StackPathEntry onGate = entry(GuiGateItem, QStringLiteral("inv2"), {0, 1, 2});
        const StackPathEntry onNet = entry(GuiNetItem, QStringLiteral("n1"), {1});
        StackPathEntry onPort = entry(GuiGatePortItem, QStringLiteral("inv1"), {0, 3}, QStringLiteral("o"));
        StackPathEntry silent = entry(GuiGateItem, QStringLiteral("inv1"), {});
        silent.valueTexts << QStringLiteral("seen without a name");
        state.stackPath.insert(QStringLiteral("k1"), onGate);
        state.stackPath.insert(QStringLiteral("k2"), onNet);
        state.stackPath.insert(QStringLiteral("k3"), onPort);
        state.stackPath.insert(QStringLiteral("k4"), entry(GuiNetItem, QStringLiteral("ghost"), {4}));
        state.stackPath.insert(QStringLiteral("k5"), silent);

        GraphViewer viewer(state, nullptr);
        Module *m = viewer.module();
        QVERIFY(m);
        Gate *inv1 = gateNamed(m, QStringLiteral("inv1"));
        Gate *inv2 = gateNamed(m, QStringLiteral("inv2"));
        Edge *n1 = m->edges->find(Name(QStringLiteral("n1")));
        QVERIFY(inv1 && inv2 && n1);
        GatePort *output = inv1->findPortByName(QStringLiteral("o"));
        QVERIFY(output);

        QCOMPARE(inv2->properties.value(fromStack).toStringList(), onGate.valueTexts);
        QCOMPARE(n1->properties.value(fromStack).toStringList(), onNet.valueTexts);
        QCOMPARE(output->properties.value(fromStack).toStringList(), onPort.valueTexts);
        QCOMPARE(inv1->properties.value(fromStack).toStringList(), silent.valueTexts);
        QCOMPARE(onGate.valueTexts.first(), QStringLiteral("0:\u00A0inv2"));

        // The missing net is neither made nor annotated.
        QVERIFY(!m->edges->find(Name(QStringLiteral("ghost"))));
        QCOMPARE(netlistItems(viewer, GuiNetItem).size(), m->edges->count());

        const QList<GuiPinElement *> pins = pinsOf(viewer);
        QCOMPARE(pins.size(), 3);
        QCOMPARE(pins.at(0)->zValue(), 106.0);
        QCOMPARE(pins.at(1)->zValue(), 107.0);
        QCOMPARE(pins.at(2)->zValue(), 108.0);
        QCOMPARE(pins.at(0)->pin->plainText(), nameListText(onGate));
        QVERIFY(!pins.at(0)->pin->plainText().isEmpty());
        QCOMPARE(pins.at(1)->pin->plainText(), nameListText(onNet));
        QCOMPARE(pins.at(2)->pin->plainText(), nameListText(onPort));
        QCOMPARE(anchorOf(pins.at(0)), hotSpotAt(Pin(inv2)));
        QCOMPARE(anchorOf(pins.at(1)), hotSpotAt(Pin(n1, nullptr)));
        QCOMPARE(anchorOf(pins.at(2)), output->scenePos());
        for (GuiPinElement *pin : pins) {
            QVERIFY(pin->pin->labelInside);
            QCOMPARE(pin->boundingRect(), pin->pin->fullRect());
            QVERIFY(!pin->offersDelete);
            QCOMPARE(pin->graphItem, GraphItem());
        }
        QVERIFY(viewer.sceneItemRegistry().isEmpty());
    }

    // Gate and port entries: a gate named by the entry, a module port found
    // by its port gate, a name found on another gate's port ("clk - From
    // Stack"), a gate port whose gate is found by its name parsed afresh,
    // and entries that find nothing or have another type.
    void lookups()
    {
        GraphUndoState state = twoInverters();
        const StackPathEntry clk = entry(GuiGateItem, QStringLiteral("clk"), {0, 1});
        const StackPathEntry port = entry(GuiAnyPortGateItem, QStringLiteral("y"), {2});
        StackPathEntry reparsed = entry(GuiGatePortItem, QStringLiteral("inv2"), {5}, QStringLiteral("i"));
        // Trailing digits read as an index: only a fresh parse finds inv2.
        reparsed.elementName = Name(QStringLiteral("inv2"), true);
        state.stackPath.insert(QStringLiteral("a"), clk);
        state.stackPath.insert(QStringLiteral("b"), port);
        state.stackPath.insert(QStringLiteral("c"), reparsed);
        state.stackPath.insert(QStringLiteral("d"), entry(GuiGatePortItem, QStringLiteral("inv2"), {6},
                                                         QStringLiteral("nope")));
        state.stackPath.insert(QStringLiteral("e"), entry(GuiGateItem, QStringLiteral("nobody"), {7}));
        state.stackPath.insert(QStringLiteral("f"), entry(GuiNoSceneItem, QStringLiteral("inv1"), {8}));
        state.stackPath.insert(QStringLiteral("g"), entry(GuiAnyItem, QStringLiteral("inv1"), {9}));

        GraphViewer viewer(state, nullptr);
        Module *m = viewer.module();
        QVERIFY(m);
        Gate *inv1 = gateNamed(m, QStringLiteral("inv1"));
        Gate *inv2 = gateNamed(m, QStringLiteral("inv2"));
        Gate *y = gateNamed(m, QStringLiteral("y"));
        QVERIFY(inv1 && inv2 && y);

        const QString clkProperty = QStringLiteral("clk - From Stack");
        QCOMPARE(inv1->properties.value(clkProperty).toStringList(), clk.valueTexts);
        QVERIFY(!inv1->properties.contains(fromStack));
        QCOMPARE(y->properties.value(fromStack).toStringList(), port.valueTexts);
        QVERIFY(!y->properties.contains(QStringLiteral("y - From Stack")));
        GatePort *input = inv2->findPortByName(QStringLiteral("i"));
        QCOMPARE(input->properties.value(fromStack).toStringList(), reparsed.valueTexts);
        QVERIFY(!inv2->properties.contains(fromStack));

        const QList<GuiPinElement *> pins = pinsOf(viewer);
                QCOMPARE(pins.size(), 3);
        // The name, " - " and the values' text (levels 0 to 1 as one run).
        QCOMPARE(pins.at(0)->pin->plainText(), QStringLiteral("clk -  [0:1]"));
        QCOMPARE(pins.at(1)->pin->plainText(), QStringLiteral("2"));
        QCOMPARE(anchorOf(pins.at(0)), hotSpotAt(Pin(inv1)));
        QCOMPARE(anchorOf(pins.at(1)), hotSpotAt(Pin(y)));
        QCOMPARE(anchorOf(pins.at(2)), input->scenePos());
        // Seven entries: z from 108.
        QCOMPARE(pins.at(0)->zValue(), 108.0);
        QCOMPARE(pins.at(2)->zValue(), 110.0);
    }

    // Without entries nothing is added; a value already there is replaced,
    // not added to.
    void noEntriesAndReplacedValues()
    {
        GraphViewer viewer(twoInverters(), nullptr);
        QVERIFY(viewer.module());
        QVERIFY(pinsOf(viewer).isEmpty());
        Gate *inv2 = gateNamed(viewer.module(), QStringLiteral("inv2"));
        for (const QString &key : inv2->properties.keys())
            QVERIFY(!key.contains(fromStack));

        GraphUndoState state = twoInverters();
        state.stackPath.insert(QStringLiteral("k"), entry(GuiGateItem, QStringLiteral("inv2"), {1}));
        state.buildStackPath(&viewer);
        state.stackPath[QStringLiteral("k")] = entry(GuiGateItem, QStringLiteral("inv2"), {2, 3});
        state.buildStackPath(&viewer);
        QCOMPARE(inv2->properties.value(fromStack).toStringList(),
                 state.stackPath.value(QStringLiteral("k")).valueTexts);
        QCOMPARE(pinsOf(viewer).size(), 2);
        state.buildStackPath(nullptr);
        state.applyToViewer(nullptr);
    }

    // Stack-path pins are no user edit: no "Delete" in their menu.
    void stackPinsOfferNoDelete()
    {
        GraphUndoState state = twoInverters();
        state.stackPath.insert(QStringLiteral("k"), entry(GuiGateItem, QStringLiteral("inv2"), {1}));
        GraphViewer viewer(state, nullptr);
        const QList<GuiPinElement *> pins = pinsOf(viewer);
        QCOMPARE(pins.size(), 1);
        bool menuShown = false;
        QTimer::singleShot(0, [&menuShown] {
            if (QWidget *popup = QApplication::activePopupWidget()) {
                menuShown = true;
                popup->close();
            }
        });
        QGraphicsSceneContextMenuEvent event(QEvent::GraphicsSceneContextMenu);
        event.setScreenPos(QPoint(20, 20));
        event.accept();
        viewer.scene()->sendEvent(pins.first(), &event);
        QVERIFY(!event.isAccepted());
        QCoreApplication::processEvents();
        QVERIFY(!menuShown);
        QCOMPARE(viewer.undoStack()->count(), 0);
        QCOMPARE(pinsOf(viewer).size(), 1);
    }

    // The focus: fitted scene, the element selected and centred, the net
    // selected beside it; a missing net keeps the selection; a null or
    // missing focus changes nothing but the scene rectangle.
    void focus()
    {
        GraphUndoState state = twoInverters();
        state.focusType = GuiGateItem;
        state.focusName = Name(QStringLiteral("inv2"));
        GraphViewer viewer(state, nullptr);
        viewer.resize(400, 300);
        QCOMPARE(viewer.scene()->sceneRect(), viewer.scene()->itemsBoundingRect());
        NetlistItem *inv2 = viewer.search(GuiGateItem, Name(QStringLiteral("inv2")));
        NetlistItem *inv1 = viewer.search(GuiGateItem, Name(QStringLiteral("inv1")));
        NetlistItem *n1 = viewer.search(GuiNetItem, Name(QStringLiteral("n1")));
        QVERIFY(inv1 && inv2 && n1);
        QCOMPARE(viewer.scene()->selectedItems(), QList<QGraphicsItem *>{inv2});

        // Applied again at the viewer's real size: centred in view.
        viewer.scene()->clearSelection();
        viewer.view()->centerOn(-10000, -10000);
        state.applyToViewer(&viewer);
        QVERIFY(fullyVisible(viewer, inv2));
        QCOMPARE(viewer.scene()->selectedItems(), QList<QGraphicsItem *>{inv2});

        // With the net to select: both, whatever was selected before stays.
        inv1->setSelected(true);
        state.selectedEdgeName = Name(QStringLiteral("n1"));
        state.applyToViewer(&viewer);
        QVERIFY(inv2->isSelected() && n1->isSelected() && inv1->isSelected());

        // A net that is not there: the focus is selected, nothing cleared.
        viewer.scene()->clearSelection();
        inv1->setSelected(true);
        state.selectedEdgeName = Name(QStringLiteral("absent"));
        state.applyToViewer(&viewer);
        QVERIFY(inv2->isSelected() && inv1->isSelected() && !n1->isSelected());

        // An empty net name counts as none: the selection is cleared first.
        state.selectedEdgeName = Name(QString());
        state.applyToViewer(&viewer);
        QCOMPARE(viewer.scene()->selectedItems(), QList<QGraphicsItem *>{inv2});

        // A port gate as focus.
        state.focusType = GuiAnyPortGateItem;
        state.focusName = Name(QStringLiteral("y"));
        state.applyToViewer(&viewer);
        NetlistItem *y = viewer.search(GuiAnyPortGateItem, Name(QStringLiteral("y")));
        QVERIFY(y);
        QCOMPARE(viewer.scene()->selectedItems(), QList<QGraphicsItem *>{y});

        // No focus, or one not found: only the scene rectangle is fitted.
        inv1->setSelected(true);
        viewer.scene()->setSceneRect(QRectF(0, 0, 1, 1));
        state.focusName = Name();
        state.applyToViewer(&viewer);
        QCOMPARE(viewer.scene()->sceneRect(), viewer.scene()->itemsBoundingRect());
        QVERIFY(inv1->isSelected() && y->isSelected());
        state.focusName = Name(QStringLiteral("nowhere"));
        viewer.scene()->setSceneRect(QRectF(0, 0, 1, 1));
        state.applyToViewer(&viewer);
        QCOMPARE(viewer.scene()->sceneRect(), viewer.scene()->itemsBoundingRect());
        QVERIFY(inv1->isSelected() && y->isSelected());
    }

    // Undo and redo rebuild the graph and, with it, the pins and focus.
    void undoAndRedoRestoreThePins()
    {
        GraphUndoState state = twoInverters();
        state.stackPath.insert(QStringLiteral("k"), entry(GuiNetItem, QStringLiteral("n1"), {0, 1}));
        state.focusType = GuiNetItem;
        state.focusName = Name(QStringLiteral("n1"));
        GraphViewer viewer(state, nullptr);
        QCOMPARE(pinsOf(viewer).size(), 1);

        UndoFramework::Instance extra = instanceRecord(
                QStringLiteral("inv3"), BaseEnum::INVERTER,
                {terminalRecord(QStringLiteral("i"), 0, QStringLiteral("y"), QStringLiteral("A")),
                 terminalRecord(QStringLiteral("o"), 1, QStringLiteral("z"), QStringLiteral("Out"))});
        viewer.addElement(extra);
        QCOMPARE(viewer.undoStack()->count(), 1);
        QVERIFY(gateNamed(viewer.module(), QStringLiteral("inv3")));
        // The element added is the new focus; the pins come back.
        QCOMPARE(pinsOf(viewer).size(), 1);
        QVERIFY(viewer.search(GuiGateItem, Name(QStringLiteral("inv3")))->isSelected());

        viewer.undoStack()->undo();
        QVERIFY(!gateNamed(viewer.module(), QStringLiteral("inv3")));
        const QList<GuiPinElement *> pins = pinsOf(viewer);
        QCOMPARE(pins.size(), 1);
        Edge *n1 = viewer.module()->edges->find(Name(QStringLiteral("n1")));
        QCOMPARE(anchorOf(pins.first()), hotSpotAt(Pin(n1, nullptr)));
        QCOMPARE(viewer.scene()->selectedItems(),
                 QList<QGraphicsItem *>{viewer.search(GuiNetItem, Name(QStringLiteral("n1")))});
        viewer.undoStack()->redo();
        QCOMPARE(pinsOf(viewer).size(), 1);
        QVERIFY(gateNamed(viewer.module(), QStringLiteral("inv3")));
    }

    // The stored state may be replaced while its module is shown, dropping
    // the last other handle on the module's registry: the viewer keeps the
    // module until it loads another one.
    void shownModuleOutlivesItsStoredState()
    {
        auto *viewer = new GraphViewer(twoInverters(), nullptr);
        const QPointer<Module> shown = viewer->module();
        QVERIFY(shown);
        GraphUndoState other = twoInverters();
        other.moduleName = QStringLiteral("other");
        viewer->stateMap().insert(QStringLiteral("GraphViewer::GraphState"), QVariant::fromValue(other));
        other = GraphUndoState();
        QVERIFY(shown);
        QCOMPARE(viewer->module(), shown.data());
        viewer->resize(300, 200);
        QVERIFY(!viewer->view()->viewport()->grab().isNull());

        viewer->loadModule();
        QVERIFY(viewer->module() && viewer->module() != shown.data());
        QCOMPARE(viewer->module()->name, QStringLiteral("other"));
        QVERIFY2(!shown, "the module no longer shown is freed with its registry");

        const QPointer<Module> last = viewer->module();
        viewer->stateMap().remove(QStringLiteral("GraphViewer::GraphState"));
        QVERIFY(last);
        delete viewer;
        QVERIFY(!last);
    }
};

QTEST_MAIN(TestGraphStateRestore)
#include "tst_graphstaterestore.moc"
