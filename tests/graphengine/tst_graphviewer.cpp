// The graph viewer: scene population from a module and from a graph state,
// zoom, centring, search, the hover label, the per-kind context menus and the
// elements the debugger adds.

#include "viewerfixture.h"
#include "common/labelfontfile.h"

#include "graphengine/model/edge.h"
#include "graphengine/scene/clearscene.h"
#include "graphengine/scene/guigateelement.h"
#include "graphengine/viewer/graphitemaction.h"
#include "netlistgenerator.h"

#include <QApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

using namespace ViewerFixture;

namespace {

// An action that answers prepareFor as told and remembers what it was asked.
class TestAction : public GraphItemAction
{
public:
    TestAction(const QString &text, bool accepts, QObject *parent)
        : GraphItemAction(text, parent)
        , accepts(accepts)
    {
    }
    bool prepareFor(const GraphItem &item) override
    {
        asked.append(item);
        return accepts;
    }
    bool accepts;
    QList<GraphItem> asked;
};

// Runs f with the viewer's context menu for the item: the texts of the
// popup's actions (empty when no menu was shown).
QStringList menuTexts(GraphViewer &viewer, const GraphItem &item)
{
    QStringList texts;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            shown = true;
            for (QAction *action : menu->actions())
                texts << action->text();
            menu->close();
        }
    });
    viewer.showContextMenu(item, QPoint(10, 10));
    // Without a menu the timer is still pending: let it look.
    QCoreApplication::processEvents();
    return shown ? texts : QStringList();
}

double scale(const GraphViewer &viewer)
{
    return viewer.view()->transform().m11();
}

// A cluster gate "c0" of the members "m0" and "m1" in the module.
Gate *addCluster(Module *module)
{
    Gate *cluster = makeGate(module, QStringLiteral("c0"), {QStringLiteral("a")}, {QStringLiteral("y")});
    cluster->kind |= Gate::ClusterFlag;
    cluster->setProperty({{QStringLiteral("=NativeName"), QStringLiteral("m0")}});
    cluster->setProperty({{QStringLiteral("=NativeName"), QStringLiteral("m1")}});
    return cluster;
}

// An item that notes whether the scene polished it (the visibility change
// the scene reports to a new item on the event loop's next turn) before it
// was deleted.
class PolishProbe : public QGraphicsItem
{
public:
    explicit PolishProbe(QList<bool> *polishedAtDeletion)
        : m_record(polishedAtDeletion)
    {
    }
    ~PolishProbe() override { m_record->append(m_polished); }
    QRectF boundingRect() const override { return QRectF(0, 0, 1, 1); }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override
    {
        if (change == ItemVisibleHasChanged)
            m_polished = true;
        return QGraphicsItem::itemChange(change, value);
    }

private:
    QList<bool> *m_record;
    bool m_polished = false;
};

// Collects the regions a widget was asked to paint.
class PaintRecorder : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return QObject::eventFilter(watched, event);
    }
    QRegion painted;
};

QRectF visibleArea(const GraphViewer &viewer)
{
    const QGraphicsView *view = viewer.view();
    return view->mapToScene(view->viewport()->rect()).boundingRect();
}

void ctrlWheel(GraphViewer &viewer, int delta, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
{
    QWidget *viewport = viewer.view()->viewport();
    const QPointF pos(viewport->width() / 2, viewport->height() / 2);
    QWheelEvent event(pos, viewport->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

} // namespace

class TestGraphViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void populatesEveryGateAndNet();
    void generatedModuleIsShownWhole();
    void loadModuleFromStateAndReload();
    void failedBuildReportsAndLeavesNoItems();
    void viewerOfALaidOutModuleDoesNotLoad();
    void clearingAFreshSceneLeavesNothingPending();
    void selectionAfterClearingInTheFillingTurn();
    void emptiedViewRepaintsWhereTheItemsWere();
    void zoomArithmetic();
    void ctrlWheelStepsOnce();
    void centerOnZoomRules();
    void centerOnSelection();
    void searchByKindAndName();
    void searchFindsClusterMember();
    void hoverLabel();
    void contextMenuPerKind();
    void activeToolTakesTheContextMenu();
    void addPortAndInstance();
    void moduleSignalsReachTheViewer();

private:
    ModuleMap m_modules;
    Module *m = nullptr;
};

// The zoom rules compare gate sizes, made of label widths, with the view's.
void TestGraphViewer::initTestCase()
{
    QString error;
    QVERIFY2(TestFonts::useLabelFontFile(&error), qPrintable(error));
}

void TestGraphViewer::init()
{
    m = smallModule(m_modules);
}

void TestGraphViewer::cleanup()
{
    deleteModules(m_modules);
    traceEnabled = false;
}

void TestGraphViewer::populatesEveryGateAndNet()
{
    GraphViewer viewer(m, nullptr);
    QCOMPARE(viewer.module(), m);
    QCOMPARE(viewer.scene()->module(), m);
    QList<GraphItem> shown;
    for (QGraphicsItem *item : viewer.scene()->items())
        shown.append(static_cast<NetlistItem *>(item)->graphItem());
    QCOMPARE(viewer.scene()->items().size(), m->gates->count() + m->edges->count());
    m->gates->forEachElement([&](Gate *g) { QVERIFY2(shown.contains(GraphItem(g)), qPrintable(g->name.text())); });
    m->edges->forEachElement([&](Edge *e) { QVERIFY2(shown.contains(GraphItem(e)), qPrintable(e->name.text())); });
    // Port gates get their own item types.
    QCOMPARE(netlistItems(viewer, GuiInputPortGateItem).size(), 2);
    QCOMPARE(netlistItems(viewer, GuiOutputPortGateItem).size(), 2);
    QCOMPARE(netlistItems(viewer, GuiGateItem).size(), m->gates->count() - 4);
    QCOMPARE(viewer.scene()->itemIndexMethod(), QGraphicsScene::NoIndex);
    QCOMPARE(viewer.zoomSlider()->minimum(), 1);
    QCOMPARE(viewer.zoomSlider()->maximum(), 200);
    QCOMPARE(viewer.zoomSlider()->value(), 100);
    QCOMPARE(viewer.outdatedFlag(), 0);
}

void TestGraphViewer::generatedModuleIsShownWhole()
{
    Module *generated = Module::findOrCreateModule(m_modules, QStringLiteral("generated"), nullptr);
    NetlistGenerator::Shape shape;
    shape.gates = 200;
    shape.levels = 8;
    shape.extras = true;
    NetlistGenerator::generate(generated, shape, 7);
    generated->computeLayout(10.0, true, false);
    GraphViewer viewer(generated, nullptr);
    QCOMPARE(viewer.scene()->items().size(), generated->gates->count() + generated->edges->count());
    QCOMPARE(netlistItems(viewer, GuiNetItem).size(), generated->edges->count());
    // Every item lies within the scene rectangle.
    QVERIFY(viewer.scene()->sceneRect().contains(viewer.scene()->itemsBoundingRect()));
}

void TestGraphViewer::loadModuleFromStateAndReload()
{
    GraphViewer viewer(smallState(), nullptr);
    QVERIFY(viewer.module());
    QCOMPARE(viewer.module()->name, QStringLiteral("top"));
    QCOMPARE(netlistItems(viewer, GuiInputPortGateItem).size(), 1);
    QCOMPARE(netlistItems(viewer, GuiOutputPortGateItem).size(), 1);
    QCOMPARE(netlistItems(viewer, GuiGateItem).size(), 1);
    QVERIFY(viewer.search(GuiGateItem, Name(QStringLiteral("inv"))));
    QCOMPARE(viewer.scene()->items().size(), viewer.module()->gates->count() + viewer.module()->edges->count());

    // A second load with a grown state replaces every item.
    UndoFramework::GraphUndoState grown = storedState(viewer);
    grown.ports << portRecord(QStringLiteral("c"), 0);
    grown.instances << instanceRecord(QStringLiteral("buf"), BaseEnum::BUFFER,
                                      {terminalRecord(QStringLiteral("i"), 0, QStringLiteral("c"), QStringLiteral("A"))});
    viewer.stateMap().insert(QStringLiteral("GraphViewer::GraphState"), QVariant::fromValue(grown));
    QSignalSpy designChanged(&viewer, &GraphViewer::designChanged);
    viewer.loadModule();
    QCOMPARE(designChanged.count(), 1);
    QCOMPARE(netlistItems(viewer, GuiInputPortGateItem).size(), 2);
    QCOMPARE(netlistItems(viewer, GuiGateItem).size(), 2);
    QCOMPARE(viewer.scene()->items().size(), viewer.module()->gates->count() + viewer.module()->edges->count());
    // The items name the module's live elements.
    QVERIFY(itemOf(viewer, GraphItem(viewer.module()->gates->map.value(Name(QStringLiteral("buf"))))));
}

void TestGraphViewer::failedBuildReportsAndLeavesNoItems()
{
    UndoFramework::GraphUndoState state = smallState();
    GraphViewer viewer(state, nullptr);
    QVERIFY(viewer.module());
    QSignalSpy errors(&viewer, &GraphViewer::renderingError);
    QSignalSpy designChanged(&viewer, &GraphViewer::designChanged);
    // The same module rebuilt fails half-way: nothing of the emptied module
    // may stay on screen.
    state.instances << instanceRecord(QStringLiteral("bad"), BaseEnum::INVERTER,
                                      {terminalRecord(QStringLiteral("i"), 0, QStringLiteral("a"), QStringLiteral("nope"))});
    viewer.stateMap().insert(QStringLiteral("GraphViewer::GraphState"), QVariant::fromValue(state));
    viewer.loadModule();
    QCOMPARE(errors.count(), 1);
    QVERIFY(errors.at(0).at(0).toString().contains(QStringLiteral("nope")));
    QCOMPARE(designChanged.count(), 0);
    QVERIFY(!viewer.module());
    QCOMPARE(viewer.scene()->items().size(), 0);

    // A state without a module name builds nothing either.
    UndoFramework::GraphUndoState unnamedState = smallState();
    unnamedState.moduleName.clear();
    GraphViewer unnamed(unnamedState, nullptr);
    QVERIFY(!unnamed.module());
    QCOMPARE(unnamed.scene()->items().size(), 0);
}

void TestGraphViewer::viewerOfALaidOutModuleDoesNotLoad()
{
    GraphViewer viewer(m, nullptr);
    QSignalSpy designChanged(&viewer, &GraphViewer::designChanged);
    QSignalSpy errors(&viewer, &GraphViewer::renderingError);
    const int items = viewer.scene()->items().size();
    viewer.loadModule();
    QCOMPARE(designChanged.count(), 0);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(viewer.module(), m);
    QCOMPARE(viewer.scene()->items().size(), items);
}

void TestGraphViewer::clearingAFreshSceneLeavesNothingPending()
{
    clearScene(nullptr);
    QList<bool> polished;
    {
        QGraphicsScene scene;
        for (int i = 0; i < 3; ++i)
            scene.addItem(new PolishProbe(&polished));
        // Qt's own clear removes items still waiting for their polish one
        // by one from the waiting list, which takes time growing with the
        // square of their number: each must be polished before it goes.
        clearScene(&scene);
        QCOMPARE(scene.items().size(), 0);
        QCOMPARE(polished, QList<bool>({true, true, true}));

        // The scene takes new items, polished on the loop's next turn as
        // ever, and nothing the clearing left behind reaches the old ones.
        polished.clear();
        scene.addItem(new PolishProbe(&polished));
        QCoreApplication::processEvents();
        QCOMPARE(scene.items().size(), 1);
        QVERIFY(polished.isEmpty());
    }
    QCOMPARE(polished, QList<bool>({true}));
}

void TestGraphViewer::selectionAfterClearingInTheFillingTurn()
{
    Module *c = Module::findOrCreateModule(m_modules, QStringLiteral("clustered"), nullptr);
    Gate *cluster = addCluster(c);
    Gate *plain = makeGate(c, QStringLiteral("g1"), {QStringLiteral("a")}, {QStringLiteral("y")});

    // Filled, selected and emptied in one turn of the event loop, as two
    // loads in one turn do.
    auto *viewer = new GraphViewer(c, nullptr);
    GraphScene *scene = viewer->scene();
    QSignalSpy selectionChanged(scene, &QGraphicsScene::selectionChanged);
    itemOf(*viewer, GraphItem(plain))->setSelected(true);
    viewer->centerOn(viewer->search(GuiGateItem, Name(QStringLiteral("m1"))), true, Name(QStringLiteral("m1")),
                     false);
    QCOMPARE(scene->selectedItems().size(), 2);
    QCOMPARE(cluster->selectedSubGate(), 1);
    selectionChanged.clear();
    const int counter = selectionCounter();
    // A probe beside the netlist items tells whether the scene was emptied
    // the linear way, each item polished before it went.
    QList<bool> polished;
    scene->addItem(new PolishProbe(&polished));
    scene->populate(nullptr);
    QCOMPARE(scene->items().size(), 0);
    QCOMPARE(polished, QList<bool>({true}));
    QVERIFY(scene->selectedItems().isEmpty());
    // The selection left with the items, the member selection with it.
    QVERIFY(selectionChanged.count() >= 1);
    QVERIFY(selectionCounter() > counter);
    QCOMPARE(cluster->selectedSubGate(), -1);

    // Shown again, nothing is selected; selecting works as before.
    scene->populate(c);
    QCOMPARE(scene->items().size(), c->gates->count() + c->edges->count());
    QVERIFY(scene->selectedItems().isEmpty());
    NetlistItem *plainItem = itemOf(*viewer, GraphItem(plain));
    viewer->centerOn(plainItem);
    QCOMPARE(scene->selectedItems(), QList<QGraphicsItem *>({plainItem}));
    QCOMPARE(cluster->selectedSubGate(), -1);

    // Closed in the same turn with a selection: the items go with the scene.
    polished.clear();
    scene->addItem(new PolishProbe(&polished));
    QPointer<GraphScene> gone(scene);
    delete viewer;
    QVERIFY(gone.isNull());
    QCOMPARE(polished, QList<bool>({true}));
    QCoreApplication::processEvents();
}

void TestGraphViewer::emptiedViewRepaintsWhereTheItemsWere()
{
    GraphViewer viewer(m, nullptr);
    viewer.resize(600, 400);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QGraphicsView *view = viewer.view();
    view->fitInView(viewer.scene()->itemsBoundingRect(), Qt::KeepAspectRatio);
    QCoreApplication::processEvents();
    const QRect shown = view->mapFromScene(viewer.scene()->itemsBoundingRect()).boundingRect()
                        & view->viewport()->rect();
    QVERIFY(!shown.isEmpty());

    // Nothing of the items stays on screen after the scene is emptied.
    PaintRecorder recorder;
    view->viewport()->installEventFilter(&recorder);
    viewer.scene()->populate(nullptr);
    QTRY_VERIFY((QRegion(shown) - recorder.painted).isEmpty());
}

void TestGraphViewer::zoomArithmetic()
{
    GraphViewer viewer(m, nullptr);
    QSlider *slider = viewer.zoomSlider();
    // 100 is not quite 1: the divisor is 100.0001.
    QVERIFY(qAbs(scale(viewer) - 0.999999) < 1e-6);
    QVERIFY(scale(viewer) < 1.0);
    QCOMPARE(slider->toolTip(), QStringLiteral("Scalling factor 1"));
    slider->setValue(1);
    QVERIFY(qAbs(scale(viewer) - 0.01) < 1e-6);
    QCOMPARE(slider->toolTip(), QStringLiteral("Scalling factor 0.01"));
    slider->setValue(200);
    QVERIFY(qAbs(scale(viewer) - 2.0) < 1e-4);
    QCOMPARE(viewer.view()->transform().m22(), viewer.view()->transform().m11());

    viewer.zoomIn(5);
    QCOMPARE(slider->value(), 200);
    viewer.zoomOut();
    QCOMPARE(slider->value(), 199);
    viewer.zoomOut(500);
    QCOMPARE(slider->value(), 1);

    viewer.zoomTo(0.5);
    QCOMPARE(slider->value(), 50);
    viewer.zoomTo(0.259);
    QCOMPARE(slider->value(), 25);
    // The same value again still re-applies the matrix.
    viewer.view()->setTransform(QTransform::fromScale(3, 3));
    viewer.zoomTo(0.25);
    QCOMPARE(slider->value(), 25);
    QVERIFY(qAbs(scale(viewer) - 0.25 / 1.000001) < 1e-6);
    // Beyond the slider's range: clamped, and applied.
    viewer.view()->setTransform(QTransform::fromScale(3, 3));
    slider->setValue(200);
    viewer.view()->setTransform(QTransform::fromScale(3, 3));
    viewer.zoomTo(7.0);
    QCOMPARE(slider->value(), 200);
    QVERIFY(qAbs(scale(viewer) - 2.0) < 1e-4);
}

void TestGraphViewer::ctrlWheelStepsOnce()
{
    GraphViewer viewer(m, nullptr);
    viewer.resize(400, 300);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QSlider *slider = viewer.zoomSlider();
    ctrlWheel(viewer, 120);
    QCOMPARE(slider->value(), 101);
    ctrlWheel(viewer, 1200);
    QCOMPARE(slider->value(), 102);
    ctrlWheel(viewer, -15);
    QCOMPARE(slider->value(), 101);
    ctrlWheel(viewer, 0);
    QCOMPARE(slider->value(), 100);
    // Without Ctrl the wheel scrolls and leaves the zoom alone.
    ctrlWheel(viewer, 120, Qt::NoModifier);
    QCOMPARE(slider->value(), 100);
    ctrlWheel(viewer, 120, Qt::ShiftModifier);
    QCOMPARE(slider->value(), 100);
}

void TestGraphViewer::centerOnZoomRules()
{
    GraphViewer viewer(m, nullptr);
    // The zoom rules depend on the view's width: the buttons of the built-in
    // tools, which widen the tool bar, stay out of it.
    for (ToolBase *tool : viewer.tools())
        tool->toolWidget->hide();
    viewer.resize(800, 600);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    NetlistItem *u2 = itemOf(viewer, GraphItem(gateNamed(m, QStringLiteral("u2"))));
    QVERIFY(u2);

    // Visible but tiny: zoomed in, never beyond 1.0.
    viewer.zoomSlider()->setValue(1);
    viewer.centerOn(u2, false);
    QVERIFY(viewer.zoomSlider()->value() > 1);
    QVERIFY(viewer.zoomSlider()->value() <= 100);
    QVERIFY(visibleArea(viewer).contains(u2->sceneBoundingRect().center()));

    // Visible and large enough: the zoom stays.
    viewer.zoomSlider()->setValue(100);
    viewer.centerOn(u2, false);
    QCOMPARE(viewer.zoomSlider()->value(), 100);

    // Centring first: a small item then shows whole, whatever the view
    // showed before.
    viewer.scene()->setSceneRect(viewer.scene()->itemsBoundingRect().adjusted(-5000, -5000, 5000, 5000));
    viewer.zoomSlider()->setValue(200);
    viewer.view()->centerOn(-5000, -5000);
    QVERIFY(!visibleArea(viewer).contains(u2->sceneBoundingRect()));
    viewer.centerOn(u2, false);
    QCOMPARE(viewer.zoomSlider()->value(), 200);
    QVERIFY(visibleArea(viewer).contains(u2->sceneBoundingRect()));

    // Larger than the view: fitted, then shown at 95 % of the fitting scale,
    // so the item shows whole with a margin.
    viewer.resize(120, 100);
    QCoreApplication::processEvents();
    viewer.zoomSlider()->setValue(200);
    QVERIFY(!visibleArea(viewer).contains(u2->sceneBoundingRect()));
    viewer.centerOn(u2, false);
    const int fitted = viewer.zoomSlider()->value();
    QVERIFY(fitted < 200);
    QVERIFY(visibleArea(viewer).contains(u2->sceneBoundingRect()));
    // 95 % of the fitting scale (which keeps a small margin itself), cut
    // down to a whole slider step.
    const QRectF item = u2->sceneBoundingRect();
    const QRectF shown = visibleArea(viewer);
    const double room = qMin(shown.width() / item.width(), shown.height() / item.height());
    QVERIFY2(room > 1.05 && room < 1.2, qPrintable(QString::number(room)));
}

void TestGraphViewer::centerOnSelection()
{
    GraphViewer viewer(m, nullptr);
    viewer.resize(600, 400);
    NetlistItem *u1 = itemOf(viewer, GraphItem(gateNamed(m, QStringLiteral("u1"))));
    NetlistItem *u2 = itemOf(viewer, GraphItem(gateNamed(m, QStringLiteral("u2"))));
    viewer.centerOn(nullptr);
    u1->setSelected(true);
    viewer.centerOn(u2, false);
    QCOMPARE(viewer.scene()->selectedItems(), QList<QGraphicsItem *>({u1}));
    viewer.centerOn(u2, true, Name(), false);
    QCOMPARE(viewer.scene()->selectedItems().size(), 2);
    viewer.centerOn(u2);
    QCOMPARE(viewer.scene()->selectedItems(), QList<QGraphicsItem *>({u2}));
}

void TestGraphViewer::searchByKindAndName()
{
    GraphViewer viewer(m, nullptr);
    const auto nameOf = [](NetlistItem *item) { return item ? item->graphItem().name().text() : QString(); };
    QCOMPARE(nameOf(viewer.search(GuiGateItem, Name(QStringLiteral("u1")))), QStringLiteral("u1"));
    QCOMPARE(viewer.search(GuiGateItem, Name(QStringLiteral("u1")))->type(), int(GuiGateItem));
    QCOMPARE(nameOf(viewer.search(GuiNetItem, Name(QStringLiteral("mid")))), QStringLiteral("mid"));
    QCOMPARE(viewer.search(GuiNetItem, Name(QStringLiteral("mid")))->type(), int(GuiNetItem));
    QCOMPARE(viewer.search(GuiAnyPortGateItem, Name(QStringLiteral("in")))->type(), int(GuiInputPortGateItem));
    QCOMPARE(viewer.search(GuiAnyPortGateItem, Name(QStringLiteral("out")))->type(), int(GuiOutputPortGateItem));
    QCOMPARE(viewer.search(GuiInputPortGateItem, Name(QStringLiteral("b")))->type(), int(GuiInputPortGateItem));
    QVERIFY(!viewer.search(GuiOutputPortGateItem, Name(QStringLiteral("b"))));
    // Any-port finds no gate and no net; the net "in" exists too.
    QVERIFY(!viewer.search(GuiAnyPortGateItem, Name(QStringLiteral("u1"))));
    QVERIFY(!viewer.search(GuiAnyPortGateItem, Name(QStringLiteral("mid"))));
    QVERIFY(!viewer.search(GuiGateItem, Name(QStringLiteral("mid"))));
    QCOMPARE(viewer.search(GuiNetItem, Name(QStringLiteral("in")))->type(), int(GuiNetItem));
    QVERIFY(viewer.search(GuiAnyItem, Name(QStringLiteral("mid"))));
    QVERIFY(viewer.search(GuiAnyItem, Name(QStringLiteral("u3"))));
    // No item has the gate-port type; unknown and null names find nothing.
    QVERIFY(!viewer.search(GuiGatePortItem, Name(QStringLiteral("u1"))));
    QVERIFY(!viewer.search(GuiAnyItem, Name(QStringLiteral("nothing"))));
    QVERIFY(!viewer.search(GuiAnyItem, Name()));
}

void TestGraphViewer::searchFindsClusterMember()
{
    Module *c = Module::findOrCreateModule(m_modules, QStringLiteral("clustered"), nullptr);
    Gate *cluster = addCluster(c);
    GraphViewer viewer(c, nullptr);
    QCOMPARE(cluster->nativeNameCount(), 2);
    NetlistItem *found = viewer.search(GuiGateItem, Name(QStringLiteral("m1")));
    QVERIFY(found);
    QCOMPARE(found->graphItem().gate(), cluster);
    QVERIFY(!viewer.search(GuiGateItem, Name(QStringLiteral("m2"))));
    // Only gate searches look into clusters.
    QVERIFY(!viewer.search(GuiAnyItem, Name(QStringLiteral("m1"))));

    // Centring with a member name selects the member.
    viewer.centerOn(found, true, Name(QStringLiteral("m1")));
    QVERIFY(found->isSelected());
    QCOMPARE(cluster->selectedSubGate(), 1);
}

void TestGraphViewer::hoverLabel()
{
    GraphViewer viewer(m, nullptr);
    Gate *u2 = gateNamed(m, QStringLiteral("u2"));
    Edge *mid = m->edges->find(Name(QStringLiteral("mid")));
    GatePort *u2a = u2->findPortByName(QStringLiteral("a"));

    viewer.hoverEnterEvent(GraphItem(u2));
    QCOMPARE(viewer.selectionLabel()->text(), u2->toolTip());
    viewer.hoverEnterEvent(GraphItem(mid));
    QCOMPARE(viewer.selectionLabel()->text(), QStringLiteral("<b>mid</b> "));
    viewer.hoverEnterEvent(GraphItem(mid, u2a));
    QCOMPARE(viewer.selectionLabel()->text(), QStringLiteral("<b>mid</b> (") + QChar(0x21D2) + QStringLiteral(" u2.a)"));
    viewer.hoverEnterEvent(GraphItem(u2a));
    QCOMPARE(viewer.selectionLabel()->text(), u2a->toolTip());
    viewer.hoverEnterEvent(GraphItem(u2->ports.list().cbegin(), u2->ports.list().cend()));
    QCOMPARE(viewer.selectionLabel()->text(),
             u2->portsDescription(u2->ports.list().cbegin(), u2->ports.list().cend(), -1));
    // An empty item leaves the label as it is.
    viewer.hoverEnterEvent(GraphItem());
    QCOMPARE(viewer.selectionLabel()->text(),
             u2->portsDescription(u2->ports.list().cbegin(), u2->ports.list().cend(), -1));

    viewer.selectionLabel()->resize(300, 20);
    viewer.hoverLeaveEvent();
    QCOMPARE(viewer.selectionLabel()->text(), QStringLiteral(" "));
    QCOMPARE(viewer.selectionLabel()->size(), QSize(100, 20));
    QCOMPARE(viewer.selectionLabel()->sizeHint(), QSize(100, 20));
    QCOMPARE(viewer.selectionLabel()->minimumSizeHint(), QSize(100, 20));
    // Another text keeps the size.
    viewer.setSelectedItem(QStringLiteral("text"));
    QCOMPARE(viewer.selectionLabel()->size(), QSize(100, 20));
    // The tool tip is left as the item made it.
    QString tip = QStringLiteral("tip");
    viewer.updateToolTip(GraphItem(u2), tip);
    QCOMPARE(tip, QStringLiteral("tip"));
}

void TestGraphViewer::contextMenuPerKind()
{
    GraphViewer viewer(m, nullptr);
    Gate *u1 = gateNamed(m, QStringLiteral("u1"));
    Edge *mid = m->edges->find(Name(QStringLiteral("mid")));
    auto *watch = new TestAction(QStringLiteral("Watch"), true, &viewer);
    auto *open = new TestAction(QStringLiteral("Open"), true, &viewer);
    auto *declines = new TestAction(QStringLiteral("Declines"), false, &viewer);
    viewer.registerAction(GraphItem::GateItem, watch);
    viewer.registerAction(GraphItem::GateItem, declines);
    viewer.registerAction(GraphItem::GateItem, open);
    viewer.registerAction(GraphItem::NetItem, open);
    viewer.registerAction(GraphItem::NetItem, nullptr);
    viewer.registerAction(GraphItem::PortItem, declines);
    QCOMPARE(viewer.registeredActions(GraphItem::NetItem).size(), 1);

    QCOMPARE(menuTexts(viewer, GraphItem(u1)), QStringList({QStringLiteral("Watch"), QStringLiteral("Open")}));
    QCOMPARE(declines->asked.size(), 1);
    QCOMPARE(declines->asked.at(0), GraphItem(u1));
    QCOMPARE(menuTexts(viewer, GraphItem(mid)), QStringList({QStringLiteral("Open")}));
    // All declined, or none registered: no menu.
    QCOMPARE(menuTexts(viewer, GraphItem(u1->findPortByName(QStringLiteral("a")))), QStringList());
    QCOMPARE(declines->asked.size(), 2);
    QCOMPARE(menuTexts(viewer, GraphItem(mid, u1->findPortByName(QStringLiteral("a")))), QStringList());

    // Registered twice for one kind: offered twice; unregistering removes
    // every occurrence from every list.
    viewer.registerAction(GraphItem::GateItem, watch);
    QCOMPARE(viewer.registeredActions(GraphItem::GateItem).size(), 4);
    watch->asked.clear();
    const QStringList texts = menuTexts(viewer, GraphItem(u1));
    QCOMPARE(QSet<QString>(texts.cbegin(), texts.cend()), QSet<QString>({QStringLiteral("Watch"), QStringLiteral("Open")}));
    QCOMPARE(watch->asked.size(), 2);
    viewer.unregisterAction(open);
    viewer.unregisterAction(watch);
    QCOMPARE(viewer.registeredActions(GraphItem::GateItem).size(), 1);
    QCOMPARE(menuTexts(viewer, GraphItem(u1)), QStringList());
    QCOMPARE(viewer.registeredActions(GraphItem::NetItem).size(), 0);
}

void TestGraphViewer::activeToolTakesTheContextMenu()
{
    GraphViewer viewer(m, nullptr);
    auto *tool = new TestTool(&viewer);
    viewer.addTool(tool);
    auto *watch = new TestAction(QStringLiteral("Watch"), true, &viewer);
    viewer.registerAction(GraphItem::GateItem, watch);
    viewer.registerAction(GraphItem::PortRangeItem, watch);
    Gate *u1 = gateNamed(m, QStringLiteral("u1"));
    viewer.activateTool(tool);
    QCOMPARE(menuTexts(viewer, GraphItem(u1)), QStringList());
    QCOMPARE(tool->applied.size(), 1);
    QCOMPARE(tool->applied.at(0).first, int(ToolBase::ContextMenuRequested));
    QVERIFY(watch->asked.isEmpty());
    // A kind the tool does not accept gets the menu.
    QCOMPARE(menuTexts(viewer, GraphItem(u1->ports.list().cbegin(), u1->ports.list().cend())),
             QStringList({QStringLiteral("Watch")}));
    QCOMPARE(tool->applied.size(), 1);
}

void TestGraphViewer::addPortAndInstance()
{
    GraphViewer viewer(smallState(), nullptr);
    QUndoStack *stack = viewer.undoStack();
    QSignalSpy designChanged(&viewer, &GraphViewer::designChanged);

    viewer.addElement(portRecord(QStringLiteral("c"), 0), Name(QStringLiteral("a")));
    QCOMPARE(stack->count(), 1);
    QCOMPARE(designChanged.count(), 1);
    UndoFramework::GraphUndoState state = storedState(viewer);
    QCOMPARE(state.ports.size(), 3);
    QCOMPARE(state.ports.last().name, QStringLiteral("c"));
    QVERIFY(!state.changed);
    QCOMPARE(int(state.focusType), int(GuiAnyPortGateItem));
    QCOMPARE(state.focusName.text(), QStringLiteral("c"));
    QCOMPARE(state.selectedEdgeName.text(), QStringLiteral("a"));
    QVERIFY(viewer.search(GuiAnyPortGateItem, Name(QStringLiteral("c"))));

    // The same port again, a record that is no port, an instance without a
    // kind: nothing pushed, the graph unchanged.
    viewer.addElement(portRecord(QStringLiteral("c"), 1));
    viewer.addElement(portRecord(QStringLiteral("d"), 3));
    viewer.addElement(instanceRecord(QStringLiteral("u9"), 0, {}));
    QCOMPARE(stack->count(), 1);
    QCOMPARE(designChanged.count(), 1);
    QCOMPARE(storedState(viewer).ports.size(), 3);

    viewer.addElement(instanceRecord(QStringLiteral("buf"), BaseEnum::BUFFER,
                                     {terminalRecord(QStringLiteral("i"), 0, QStringLiteral("c"), QStringLiteral("A"))}));
    QCOMPARE(stack->count(), 2);
    QCOMPARE(storedState(viewer).instances.size(), 2);
    QCOMPARE(int(storedState(viewer).focusType), int(GuiGateItem));
    QVERIFY(viewer.search(GuiGateItem, Name(QStringLiteral("buf"))));

    // Undo rebuilds the graph from the previous state.
    stack->undo();
    QCOMPARE(storedState(viewer).instances.size(), 1);
    QVERIFY(!viewer.search(GuiGateItem, Name(QStringLiteral("buf"))));
    QVERIFY(viewer.search(GuiAnyPortGateItem, Name(QStringLiteral("c"))));
    stack->undo();
    QCOMPARE(storedState(viewer).ports.size(), 2);
    QVERIFY(!viewer.search(GuiAnyPortGateItem, Name(QStringLiteral("c"))));
    stack->redo();
    stack->redo();
    QVERIFY(viewer.search(GuiGateItem, Name(QStringLiteral("buf"))));
    QCOMPARE(viewer.scene()->items().size(), viewer.module()->gates->count() + viewer.module()->edges->count());

    // A viewer without a graph state takes no elements.
    GraphViewer plain(m, nullptr);
    plain.addElement(portRecord(QStringLiteral("c"), 0));
    QCOMPARE(plain.undoStack()->count(), 0);
    QVERIFY(!plain.stateMap().contains(QStringLiteral("GraphViewer::GraphState")));
}

void TestGraphViewer::moduleSignalsReachTheViewer()
{
    GraphViewer viewer(m, nullptr);
    auto *tool = new TestTool(&viewer);
    viewer.addTool(tool);
    viewer.activateTool(tool);
    Gate *u1 = gateNamed(m, QStringLiteral("u1"));
    emit m->clicked(GraphItem(u1));
    emit m->doubleClicked(GraphItem(u1));
    QCOMPARE(tool->applied.size(), 2);
    QCOMPARE(tool->applied.at(1).first, int(ToolBase::DoubleClicked));
    emit m->hoverEnterEvent(GraphItem(m->edges->find(Name(QStringLiteral("mid")))));
    QCOMPARE(viewer.selectionLabel()->text(), QStringLiteral("<b>mid</b> "));
    emit m->hoverLeaveEvent();
    QCOMPARE(viewer.selectionLabel()->text(), QStringLiteral(" "));

    // Selecting without Ctrl is a fresh selection for the gate items.
    const int counter = selectionCounter();
    itemOf(viewer, GraphItem(u1))->setSelected(true);
    QCOMPARE(selectionCounter(), counter + 1);
}

QTEST_MAIN(TestGraphViewer)
#include "tst_graphviewer.moc"
