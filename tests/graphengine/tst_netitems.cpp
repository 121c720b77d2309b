#include "common/testenvironment.h"
#include "graphengine/layout/marktable.h"
#include "graphengine/logging.h"
#include "graphengine/scene/guiedgeelement.h"
#include "graphengine/scene/guielementtype.h"
#include "layoutfixture.h"
#include "testpaintdevice.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QtTest>

using namespace GraphEngine;
using namespace LayoutFixture;

namespace {

// Counts what a paint pass draws.
class CountingEngine : public QPaintEngine
{
public:
    CountingEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawLines(const QLineF *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            (lines[i].x1() == lines[i].x2() ? vertical : horizontal) += 1;
    }
    void drawRects(const QRectF *, int count) override { squares += count; }
    void drawRects(const QRect *, int count) override { squares += count; }
    Type type() const override { return QPaintEngine::User; }
    void reset() { vertical = horizontal = squares = 0; }

    int vertical = 0;
    int horizontal = 0;
    int squares = 0;
};

using CountingDevice = TestPaintDevice<CountingEngine>;

} // namespace

// The net's scene item: hit tests near and away from ports, the tool tip,
// the user's actions as module signals, pens and the trunk cache of a paint
// pass.
class TestNetItems : public QObject
{
    Q_OBJECT

    ModuleMap m_modules;
    Module *m = nullptr;
    Gate *d = nullptr;
    Gate *l1 = nullptr;
    Gate *l2 = nullptr;
    Edge *n = nullptr;

    Gate *placed(const QString &name, int column, double y, const QStringList &inputs,
                 const QStringList &outputs, double inputX = 0.0)
    {
        Gate *g = makeGate(m, name, inputs, outputs);
        g->column = column;
        g->y = y;
        for (GatePort *p : g->ports.list())
            p->tip = p->anchor = QPointF(p->attributes.sortGroup() == 0 ? 10.0 : inputX, 0.0);
        return g;
    }

    static QPainterPath probe(double x, double y)
    {
        QPainterPath path;
        path.addRect(QRectF(x - 0.5, y - 0.5, 1.0, 1.0));
        return path;
    }

private slots:
    // d (column 0, y 20) drives l1 (y 0) and l2 (y 60); the loads' pins
    // reach 30 to the right, so the branches are 50 long.
    void init()
    {
        m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr);
        d = placed(QStringLiteral("d"), 0, 20, {}, {QStringLiteral("y")});
        l1 = placed(QStringLiteral("l1"), 1, 0, {QStringLiteral("a")}, {}, 30.0);
        l2 = placed(QStringLiteral("l2"), 1, 60, {QStringLiteral("a")}, {}, 30.0);
        wire(m, d, QStringLiteral("y"), QStringLiteral("n"));
        wire(m, l1, QStringLiteral("a"), QStringLiteral("n"));
        wire(m, l2, QStringLiteral("a"), QStringLiteral("n"));
        m->lastColumn = 1;
        m->columnWidths = {10, 10};
        m->columnGates = {{d}, {l1, l2}};
        m->computeEdgeBoundaries();
        m->computeEdgeVerticalSegments(10.0, 10.0);
        m->computeXCoordinates();
        m->drawEdges();
        n = net(m, QStringLiteral("n"));
        beginRenderPass();
    }
    void cleanup()
    {
        deleteModules(m_modules);
        beginRenderPass();
    }

    // Near the end of a branch the hit names the port; farther along it,
    // only the net. The tool tip is the net's text at that end, after the
    // module's receivers had their say.
    void hoverNearPort()
    {
        const QPointF end = l1->ports.list().first()->scenePos();
        QCOMPARE(n->trunkSegments.first().x, 20.0);
        QCOMPARE(end, QPointF(70, 0));
        GuiEdgeElement item(n);
        QCOMPARE(item.type(), int(GuiNetItem));
        QCOMPARE(item.type(), 65540);
        QCOMPARE(int(item.flags()), 0x206);
        QList<GraphItem> announced;
        QList<QString> tips;
        connect(m, &Module::updateToolTip, this, [&](GraphItem graphItem, QString &tip) {
            announced << graphItem;
            tips << tip;
        });

        QVERIFY(item.collidesWithPath(probe(end.x() - 19, 0), Qt::IntersectsItemShape));
        QCOMPARE(item.hoveredPort(), l1->ports.list().first());
        QCOMPARE(announced.last().kind(), int(GraphItem::NetEndItem));
        QCOMPARE(announced.last().port(), l1->ports.list().first());
        QCOMPARE(item.toolTip(), n->toolTipAt(l1->ports.list().first()));
        QCOMPARE(tips.last(), item.toolTip());
        QVERIFY(item.toolTip().contains(QStringLiteral("l1.a")));

        QVERIFY(item.collidesWithPath(probe(end.x() - 25, 0), Qt::IntersectsItemShape));
        QCOMPARE(item.hoveredPort(), nullptr);
        QCOMPARE(announced.last().kind(), int(GraphItem::NetItem));
        QCOMPARE(item.toolTip(), n->toolTipAt(nullptr));

        // On the trunk, away from the branches.
        QVERIFY(item.collidesWithPath(probe(20, 40), Qt::IntersectsItemShape));
        QCOMPARE(item.hoveredPort(), nullptr);
        // Beside the net, nothing; the tool tip stays.
        const int before = announced.size();
        QVERIFY(!item.collidesWithPath(probe(45, 40), Qt::IntersectsItemShape));
        QVERIFY(!item.collidesWithPath(QPainterPath(), Qt::IntersectsItemShape));
        QCOMPARE(announced.size(), before);

        // A receiver may rewrite the text.
        connect(m, &Module::updateToolTip, this, [](GraphItem, QString &tip) { tip += QStringLiteral("!"); });
        QVERIFY(item.collidesWithPath(probe(end.x() - 19, 0), Qt::IntersectsItemShape));
        QCOMPARE(item.toolTip(), n->toolTipAt(l1->ports.list().first()) + QStringLiteral("!"));

        // The scene's own area query reaches the same test.
        QGraphicsScene scene;
        auto *sceneItem = new GuiEdgeElement(n);
        scene.addItem(sceneItem);
        QCOMPARE(scene.items(QRectF(end.x() - 19.5, -0.5, 1, 1)).size(), 1);
        QCOMPARE(sceneItem->hoveredPort(), l1->ports.list().first());
    }

    // Press, double click, context menu and key as module signals, with the
    // net end the pointer was over (the key: the end pressed last).
    void actions()
    {
        QGraphicsScene scene;
        auto *item = new GuiEdgeElement(n);
        scene.addItem(item);
        QList<QPair<QString, GraphItem>> seen;
        QPoint menuAt;
        Qt::Key key = Qt::Key_unknown;
        connect(m, &Module::clicked, this, [&](GraphItem i) { seen << qMakePair(QStringLiteral("clicked"), i); });
        connect(m, &Module::doubleClicked, this,
                [&](GraphItem i) { seen << qMakePair(QStringLiteral("doubleClicked"), i); });
        connect(m, &Module::showContextMenu, this, [&](GraphItem i, QPoint at) {
            seen << qMakePair(QStringLiteral("menu"), i);
            menuAt = at;
        });
        connect(m, &Module::keyPressed, this, [&](GraphItem i, Qt::Key k, Qt::KeyboardModifiers) {
            seen << qMakePair(QStringLiteral("key"), i);
            key = k;
        });
        connect(m, &Module::hoverEnterEvent, this, [&](GraphItem i) { seen << qMakePair(QStringLiteral("hover"), i); });

        GatePort *port = l2->ports.list().first();
        QVERIFY(item->collidesWithPath(probe(port->scenePos().x() - 5, port->scenePos().y()), Qt::IntersectsItemShape));
        QGraphicsSceneHoverEvent hover(QEvent::GraphicsSceneHoverEnter);
        scene.sendEvent(item, &hover);
        QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
        press.setButton(Qt::LeftButton);
        scene.sendEvent(item, &press);
        QGraphicsSceneMouseEvent twice(QEvent::GraphicsSceneMouseDoubleClick);
        twice.setButton(Qt::LeftButton);
        scene.sendEvent(item, &twice);
        QGraphicsSceneContextMenuEvent menu(QEvent::GraphicsSceneContextMenu);
        menu.setScreenPos(QPoint(12, 34));
        scene.sendEvent(item, &menu);
        QVERIFY(menu.isAccepted());
        QCOMPARE(menuAt, QPoint(12, 34));

        // Away from the port; the key still names the end pressed last, a
        // right press changes nothing.
        QVERIFY(item->collidesWithPath(probe(20, 40), Qt::IntersectsItemShape));
        QGraphicsSceneMouseEvent right(QEvent::GraphicsSceneMousePress);
        right.setButton(Qt::RightButton);
        scene.sendEvent(item, &right);
        QKeyEvent k(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        scene.sendEvent(item, &k);
        QCOMPARE(key, Qt::Key_Delete);

        // The item's default double click handling presses again.
        const QStringList names{QStringLiteral("hover"),   QStringLiteral("clicked"), QStringLiteral("doubleClicked"),
                                QStringLiteral("clicked"), QStringLiteral("menu"),    QStringLiteral("key")};
        QCOMPARE(seen.size(), names.size());
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(seen.at(i).first, names.at(i));
            QCOMPARE(seen.at(i).second.net(), n);
            QCOMPARE(seen.at(i).second.port(), port);
            QCOMPARE(seen.at(i).second.kind(), int(GraphItem::NetEndItem));
        }
        QCOMPARE(item->graphItem().kind(), int(GraphItem::NetItem));
    }

    // Pen widths grow as the view zooms out, up to 20; a selected net is
    // drawn black and three times as wide.
    void penWidths_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("selectedWidth");
        QTest::newRow("1") << 1.0 << 1.0 << 3.003;
        QTest::newRow("2") << 2.0 << 1.0 << 3.003;
        QTest::newRow("0.25") << 0.25 << 4.0 << 12.0;
        QTest::newRow("0.01") << 0.01 << 20.0 << 60.0;
    }
    void penWidths()
    {
        QFETCH(double, scale);
        QFETCH(double, width);
        QFETCH(double, selectedWidth);
        QImage image(100, 100, QImage::Format_ARGB32);
        QPainter painter(&image);
        painter.scale(scale, scale);
        QStyleOptionGraphicsItem option;
        option.exposedRect = n->boundingRect();
        n->paint(&painter, &option);
        QCOMPARE(painter.pen().widthF(), width);
        QCOMPARE(painter.pen().color(), n->pen.color());
        option.state |= QStyle::State_Selected;
        n->paint(&painter, &option);
        QCOMPARE(painter.pen().widthF(), selectedWidth);
        QCOMPARE(painter.pen().color(), QColor(Qt::black));
    }

    // Two nets on one trunk with one pen: the trunk is drawn once per pass,
    // and again in the next pass (an image or SVG render included).
    void sharedTrunk()
    {
        Gate *e = placed(QStringLiteral("e"), 0, 100, {}, {QStringLiteral("y")});
        wire(m, e, QStringLiteral("y"), QStringLiteral("twin"));
        Edge *twin = net(m, QStringLiteral("twin"));
        twin->branchLines = n->branchLines;
        twin->trunkSegments = n->trunkSegments;
        twin->bounds = n->bounds;
        twin->pen = n->pen;

        CountingDevice device;
        QStyleOptionGraphicsItem option;
        option.exposedRect = n->boundingRect();
        {
            QPainter painter(&device);
            n->paint(&painter, &option);
            twin->paint(&painter, &option);
            QCOMPARE(device.engine.vertical, 1);
            // Each net draws its branches; the junction squares are not
            // shared.
            QCOMPARE(device.engine.horizontal, 6);
            QCOMPARE(device.engine.squares, 2);
            // A new pass with the same painter draws the trunk again.
            device.engine.reset();
            beginRenderPass();
            n->paint(&painter, &option);
            QCOMPARE(device.engine.vertical, 1);
        }

        // Two renders of a scene in a row through one painter: each draws
        // the trunk.
        QGraphicsScene scene;
        scene.addItem(new GuiEdgeElement(n));
        scene.addItem(new GuiEdgeElement(twin));
        QPainter painter(&device);
        // As the screen drew it last, with the same painter and device.
        n->paint(&painter, &option);
        device.engine.reset();
        renderScene(&scene, &painter, QRectF(0, 0, 200, 200), scene.itemsBoundingRect());
        QCOMPARE(device.engine.vertical, 1);
        renderScene(&scene, &painter, QRectF(0, 0, 200, 200), scene.itemsBoundingRect());
        QCOMPARE(device.engine.vertical, 2);
        // An image painted after the screen: another device, drawn again.
        QImage image(200, 200, QImage::Format_ARGB32);
        QPainter imagePainter(&image);
        n->paint(&imagePainter, &option);
        QVERIFY(trunkPenCacheSize() >= 1);
    }

    // The first paint after a layout reports the rendering delay once.
    void firstPaintReported()
    {
        QImage image(100, 100, QImage::Format_ARGB32);
        QPainter painter(&image);
        QStyleOptionGraphicsItem option;
        option.exposedRect = n->boundingRect();
        m->renderingReported = 0;
        QSignalSpy progress(m, &Module::renderingProgressing);
        n->paint(&painter, &option);
        n->paint(&painter, &option);
        QCOMPARE(progress.count(), 1);
        QCOMPARE(m->renderingReported, quint8(1));
    }
};

QTEST_MAIN(TestNetItems)
#include "tst_netitems.moc"
