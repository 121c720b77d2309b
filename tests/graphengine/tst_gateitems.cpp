#include "common/testenvironment.h"
#include "clusterfixture.h"
#include "netlistfixture.h"
#include "testpaintdevice.h"

#include "graphengine/globals.h"
#include "graphengine/model/graphitem.h"
#include "graphengine/model/name.h"
#include "graphengine/scene/guielementtype.h"
#include "graphengine/scene/guigateelement.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QHelpEvent>
#include <QToolTip>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QImage>
#include <QKeyEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QSignalSpy>
#include <QStyleOptionGraphicsItem>
#include <QtTest>

using namespace GraphEngine;
using namespace NetlistFixture;

namespace {

// Records the pen of every drawing call, so a test can see what was drawn
// how thick.
struct DrawCall
{
    QString what;
    double width;
    Qt::PenStyle style;
};

class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine()
        : QPaintEngine(AllFeatures)
    {
    }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState &state) override
    {
        if (state.state() & DirtyPen)
            m_pen = state.pen();
    }
    void drawRects(const QRectF *, int count) override { record(QStringLiteral("rect"), count); }
    void drawRects(const QRect *, int count) override { record(QStringLiteral("rect"), count); }
    void drawLines(const QLineF *, int count) override { record(QStringLiteral("line"), count); }
    void drawLines(const QLine *, int count) override { record(QStringLiteral("line"), count); }
    void drawPath(const QPainterPath &) override { record(QStringLiteral("path"), 1); }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override { record(QStringLiteral("polygon"), 1); }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawTextItem(const QPointF &, const QTextItem &) override { record(QStringLiteral("text"), 1); }

    QList<DrawCall> calls;

private:
    void record(const QString &what, int count)
    {
        for (int i = 0; i < count; ++i)
            calls.append({what, m_pen.widthF(), m_pen.style()});
    }
    QPen m_pen;
};

using RecordingDevice = TestPaintDevice<RecordingEngine>;

QPointF middle(const GatePort *port)
{
    return (port->anchor + port->tip) / 2;
}

} // namespace

// The gate's scene item: hit tests and hover state, the module signals of
// its events, the sub-gate selection of cluster gates, and painting.
class TestGateItems : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<Qt::Key>();
        qRegisterMetaType<Qt::KeyboardModifiers>();
    }

    void init()
    {
        m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr);
        // Ports in set order: a[0], a[1], a[2], b (left), y (right).
        gate = new Gate(QStringLiteral("a[2:0],b"), QStringLiteral("y"), QString(), QBrush(Qt::yellow));
        gate->name = Name(QStringLiteral("u1"));
        m->registerInstance(gate, true);
        // Placed as the layout would.
        gate->x = 100;
        gate->y = 50;
        gate->column = 2;
        scene = new QGraphicsScene;
        item = new GuiGateElement(gate);
        scene->addItem(item);
        // As the graph scene does: a fresh selection (Control not held)
        // makes earlier member selections stale.
        connect(scene, &QGraphicsScene::selectionChanged, this, [] {
            if (!(QGuiApplication::keyboardModifiers() & Qt::ControlModifier))
                increaseSelectionCounter();
        });
    }

    void cleanup()
    {
        delete scene;
        scene = nullptr;
        deleteModules(m_modules);
    }

    void itemFollowsTheGate()
    {
        QCOMPARE(item->pos(), QPointF(100, 50));
        QCOMPARE(item->zValue(), 1.0);
        QCOMPARE(int(item->flags()), 6);
        QVERIFY(item->acceptHoverEvents());
        QCOMPARE(item->boundingRect(), gate->rect.adjusted(-1, -1, 1, 1));
        QCOMPARE(item->type(), int(GuiGateItem));
        QCOMPARE(item->graphItem(), GraphItem(gate));

        // Module-port gates have their own item types.
        const QList<QPair<int, int>> types = {{BaseEnum::INPUTPORT, GuiInputPortGateItem},
                                              {BaseEnum::INOUTPORT, GuiInputPortGateItem},
                                              {BaseEnum::OUTPUTPORT, GuiOutputPortGateItem},
                                              {BaseEnum::COLPASSTHROUGH, GuiGateItem}};
        for (const auto &type : types) {
            Gate portGate(type.first, QStringLiteral("p"), QBrush());
            QCOMPARE(GuiGateElement(&portGate).type(), type.second);
        }
    }

    void hitTestTellsBodyRunAndPort()
    {
        QSignalSpy entered(m, &Module::hoverEnterEvent);
        const QRectF body = gate->bodyRect();
        GatePort *a1 = gate->findPortByName(QStringLiteral("a[1]"));
        GatePort *y = gate->findPortByName(QStringLiteral("y"));

        // The middle of the body: the gate.
        QVERIFY(hit(body.center()));
        QCOMPARE(GuiGateElement::hoverKind(), 1);
        QCOMPARE(item->toolTip(), gate->propertyTableAll());
        QCOMPARE(lastEntered(entered), GraphItem(gate));

        // The band along the body's edge beside the bus pins: the bus run.
        QVERIFY(hit(QPointF(body.left() + 3, a1->anchor.y())));
        QCOMPARE(GuiGateElement::hoverKind(), 3);
        const GraphItem run = lastEntered(entered);
        QCOMPARE(run.kind(), int(GraphItem::PortRangeItem));
        QCOMPARE(run.rangeFirst(), 0);
        QCOMPARE(run.rangeEnd(), 3);
        const auto begin = gate->ports.list().constBegin();
        QCOMPARE(item->toolTip(), gate->portsDescription(begin, begin + 3, -1));
        QCOMPARE(GuiGateElement::hoveredItem(gate), run);
        // Beside the single pin b, a run of one.
        QVERIFY(hit(QPointF(body.left() + 3, gate->findPortByName(QStringLiteral("b"))->anchor.y())));
        QCOMPARE(lastEntered(entered).rangeFirst(), 3);
        QCOMPARE(lastEntered(entered).rangeEnd(), 4);
        // On the output side, the run of y.
        QVERIFY(hit(QPointF(body.right() - 3, y->anchor.y())));
        QCOMPARE(lastEntered(entered).rangePorts(), QList<GatePort *>{y});

        // On a pin: the port.
        QVERIFY(hit(middle(a1)));
        QCOMPARE(GuiGateElement::hoverKind(), 2);
        QCOMPARE(item->toolTip(), a1->propertyTableAll());
        QCOMPARE(lastEntered(entered), GraphItem(a1));

        // Another gate's item asked about the same point keeps the port;
        // a point elsewhere clears the hover state.
        Gate other(QStringLiteral("c"), QStringLiteral("z"), QString(), QBrush());
        other.x = 600;
        auto *otherItem = new GuiGateElement(&other);
        scene->addItem(otherItem);
        const int signalsBefore = entered.count();
        const QPointF onPin = item->mapToScene(middle(a1));
        QVERIFY(!hitScene(onPin, otherItem));
        QCOMPARE(GuiGateElement::hoverKind(), 2);
        QVERIFY(!hitScene(onPin + QPointF(0, 1), otherItem));
        QCOMPARE(GuiGateElement::hoverKind(), 0);
        QCOMPARE(entered.count(), signalsBefore);
        delete otherItem;

        // A rubber band over a pin takes the gate, not the port, and says
        // nothing.
        QVERIFY(hit(middle(a1)));
        const QRectF band(QPointF(a1->tip.x() - 2, a1->anchor.y() - 3), QSizeF(4, 6));
        QVERIFY(item->collidesWithPath(pathAt(band), Qt::IntersectsItemShape));
        QCOMPARE(GuiGateElement::hoverKind(), 1);
        QCOMPARE(GuiGateElement::hoveredItem(gate), GraphItem(gate));
        QCOMPARE(item->toolTip(), gate->propertyTableAll());
        QCOMPARE(entered.count(), signalsBefore + 1);

        // Far away: nothing.
        QVERIFY(!hit(QPointF(body.right() + 200, body.top())));
        QCOMPARE(GuiGateElement::hoverKind(), 0);
    }

    void sceneQueriesReachTheHitTest()
    {
        GatePort *a1 = gate->findPortByName(QStringLiteral("a[1]"));
        const QPointF onPin = item->mapToScene(middle(a1));
        QCOMPARE(scene->items(QRectF(onPin - QPointF(0.5, 0.5), QSizeF(1, 1))), QList<QGraphicsItem *>{item});
        QCOMPARE(GuiGateElement::hoverKind(), 2);
        QCOMPARE(item->toolTip(), a1->propertyTableAll());
        QVERIFY(scene->items(onPin + QPointF(0, 400)).isEmpty());
    }

    void viewHoverTooltipAndClickReachTheModule()
    {
        GatePort *a1 = gate->findPortByName(QStringLiteral("a[1]"));
        scene->setSceneRect(0, 0, 500, 300);
        QGraphicsView view(scene);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy entered(m, &Module::hoverEnterEvent);
        QSignalSpy clicked(m, &Module::clicked);

        const QPoint onPin = view.mapFromScene(item->mapToScene(middle(a1)));
        QMouseEvent move(QEvent::MouseMove, onPin, view.viewport()->mapToGlobal(onPin), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
        QCOMPARE(GuiGateElement::hoverKind(), 2);
        QCOMPARE(lastEntered(entered), GraphItem(a1));

        QHelpEvent help(QEvent::ToolTip, onPin, view.viewport()->mapToGlobal(onPin));
        QApplication::sendEvent(view.viewport(), &help);
        QCOMPARE(QToolTip::text(), a1->propertyTableAll());

        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, onPin);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).value<GraphItem>(), GraphItem(a1));
        QVERIFY(item->isSelected());
        QToolTip::hideText();
    }

    void portGateBodyIsAlwaysTheGate()
    {
        Gate *input = new Gate(BaseEnum::INPUTPORT, QStringLiteral("din"), QBrush(Qt::green));
        m->registerInstance(input, true);
        auto *inputItem = new GuiGateElement(input);
        scene->addItem(inputItem);
        QSignalSpy entered(m, &Module::hoverEnterEvent);
        const QRectF body = input->bodyRect();
        // Even on the body's edge band, next to its pin.
        const QPointF edge(body.right() - 2, input->ports.first()->anchor.y());
        QVERIFY(inputItem->collidesWithPath(pathAt(QRectF(edge, QSizeF(1, 1))), Qt::IntersectsItemShape));
        QCOMPARE(GuiGateElement::hoverKind(), 1);
        QCOMPARE(lastEntered(entered), GraphItem(input));
    }

    void shapeHasAnInnerPartForTheBandTest()
    {
        const QPainterPath outer = item->shape();
        QCOMPARE(outer.boundingRect(), gate->bodyRect());
        // An AND gate's body is its outline path, without the offset.
        auto *andGate = new Gate(BaseEnum::AND, 2, QBrush(Qt::cyan));
        andGate->name = Name(QStringLiteral("g2"));
        m->registerInstance(andGate, true);
        GuiGateElement andItem(andGate);
        QCOMPARE(andItem.shape(), andGate->outline.path);
        // The border band of the path body is the band the run test uses.
        const QRectF body = andGate->outline.path.boundingRect();
        QSignalSpy entered(m, &Module::hoverEnterEvent);
        const QPointF offset(andGate->outline.width, andGate->outline.height);
        QVERIFY(andItem.collidesWithPath(pathAt(QRectF(body.center() + offset, QSizeF(1, 1))),
                                         Qt::IntersectsItemShape));
        QCOMPARE(GuiGateElement::hoverKind(), 1);
        GatePort *b = andGate->ports.at(1);
        QVERIFY(andItem.collidesWithPath(pathAt(QRectF(QPointF(body.left() + 2, 0) + QPointF(offset.x(), b->anchor.y()),
                                                       QSizeF(1, 1))),
                                         Qt::IntersectsItemShape));
        QCOMPARE(GuiGateElement::hoverKind(), 3);
        QVERIFY(lastEntered(entered).rangePorts().contains(b));
        // The pins stand in gate coordinates, whatever the body's offset.
        QVERIFY(hit(middle(b), &andItem));
        QCOMPARE(GuiGateElement::hoverKind(), 2);
        QCOMPARE(lastEntered(entered), GraphItem(b));
    }

    void eventsBecomeModuleSignals()
    {
        QSignalSpy clicked(m, &Module::clicked);
        QSignalSpy doubleClicked(m, &Module::doubleClicked);
        QSignalSpy menu(m, &Module::showContextMenu);
        QSignalSpy keys(m, &Module::keyPressed);
        QSignalSpy left(m, &Module::hoverLeaveEvent);
        GatePort *a1 = gate->findPortByName(QStringLiteral("a[1]"));
        const QRectF body = gate->bodyRect();
        const auto begin = gate->ports.list().constBegin();
        const QList<QPair<QPointF, GraphItem>> targets = {
            {body.center(), GraphItem(gate)},
            {middle(a1), GraphItem(a1)},
            {QPointF(body.left() + 3, a1->anchor.y()), GraphItem(begin, begin + 3)}};
        for (const auto &target : targets) {
            QVERIFY(hit(target.first));
            QVERIFY(press(Qt::LeftButton));
            QCOMPARE(clicked.takeLast().at(0).value<GraphItem>(), target.second);
            QVERIFY(item->isSelected());
            doubleClick();
            QCOMPARE(doubleClicked.takeLast().at(0).value<GraphItem>(), target.second);
            // The base handler treats the second click as a press.
            QCOMPARE(clicked.takeLast().at(0).value<GraphItem>(), target.second);
            QVERIFY(contextMenu(QPoint(321, 123)));
            const QList<QVariant> shown = menu.takeLast();
            QCOMPARE(shown.at(0).value<GraphItem>(), target.second);
            QCOMPARE(shown.at(1).toPoint(), QPoint(321, 123));
            QVERIFY(key(Qt::Key_Delete, Qt::ShiftModifier));
            const QList<QVariant> pressed = keys.takeLast();
            QCOMPARE(pressed.at(0).value<GraphItem>(), target.second);
            QCOMPARE(pressed.at(1).value<Qt::Key>(), Qt::Key_Delete);
            QCOMPARE(pressed.at(2).value<Qt::KeyboardModifiers>(), Qt::KeyboardModifiers(Qt::ShiftModifier));
            // A right press on something is taken.
            QVERIFY(press(Qt::RightButton));
        }
        QVERIFY(clicked.isEmpty() && doubleClicked.isEmpty() && menu.isEmpty() && keys.isEmpty());

        // Nothing under the pointer: no signals; the key stays with the
        // item (the base handler, which would pass it on, is not asked).
        QVERIFY(!hit(body.topLeft() - QPointF(300, 300)));
        QVERIFY(press(Qt::LeftButton));
        QVERIFY(!press(Qt::RightButton));
        doubleClick();
        QVERIFY(contextMenu(QPoint(1, 1)));
        QVERIFY(key(Qt::Key_A, Qt::NoModifier));
        QVERIFY(clicked.isEmpty() && doubleClicked.isEmpty() && menu.isEmpty() && keys.isEmpty());

        QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
        scene->sendEvent(item, &leave);
        QCOMPARE(left.count(), 1);
    }

    void clusterPortSelectsOneMember()
    {
        Gate *cluster = makeCluster();
        auto *clusterItem = new GuiGateElement(cluster);
        scene->addItem(clusterItem);
        QSignalSpy clicked(m, &Module::clicked);
        GatePort *a2 = cluster->findPortByName(QStringLiteral("a[2]"));

        QVERIFY(hit(middle(a2), clusterItem));
        QVERIFY(press(Qt::LeftButton, clusterItem));
        QVERIFY(cluster->isSubGateSelected());
        QCOMPARE(cluster->selectedSubGate(), 2);
        QVERIFY(clusterItem->isSelected());
        // The member's values only; a list shorter than the members shows
        // the missing-value cell for member 2.
        QVERIFY(hit(cluster->bodyRect().center(), clusterItem));
        QCOMPARE(clusterItem->toolTip(), cluster->propertyTable(2));
        QVERIFY(clusterItem->toolTip().contains(QLatin1String("g2")));
        QVERIFY(clusterItem->toolTip().contains(QLatin1String("Unknown property value")));
        QVERIFY(!clusterItem->toolTip().contains(QLatin1String("X4")));

        // Pressing the same port again keeps the selection.
        const int counter = selectionCounter();
        QVERIFY(hit(middle(a2), clusterItem));
        QVERIFY(press(Qt::LeftButton, clusterItem));
        QCOMPARE(selectionCounter(), counter);
        QCOMPARE(cluster->selectedSubGate(), 2);

        // Another member's port moves the selection to that member.
        QVERIFY(hit(middle(cluster->findPortByName(QStringLiteral("a[0]"))), clusterItem));
        QVERIFY(press(Qt::LeftButton, clusterItem));
        QCOMPARE(cluster->selectedSubGate(), 0);
        QVERIFY(clusterItem->isSelected());

        // The body of the selected cluster: the item is deselected before
        // clicked goes out, and the press that selects it again makes the
        // member selection stale.
        bool selectedAtClick = true;
        connect(m, &Module::clicked, this, [&] { selectedAtClick = clusterItem->isSelected(); });
        QVERIFY(hit(cluster->bodyRect().center(), clusterItem));
        QVERIFY(press(Qt::LeftButton, clusterItem));
        QVERIFY(!selectedAtClick);
        QVERIFY(clusterItem->isSelected());
        QVERIFY(!cluster->isSubGateSelected());

        // The viewer's way in: by the member's name.
        QCOMPARE(clusterItem->selectSubGate(Name(QStringLiteral("g1"))), 1);
        QCOMPARE(cluster->selectedSubGate(), 1);
        QCOMPARE(clusterItem->selectSubGate(Name(QStringLiteral("nobody"))), -1);
        QCOMPARE(cluster->selectedSubGate(), 1);
        // Any later fresh selection makes it stale.
        item->setSelected(true);
        QVERIFY(!cluster->isSubGateSelected());
    }

    void penWidthsFollowTheLevelOfDetail()
    {
        const QList<QPair<double, double>> widths = {{4.0, 1.0}, {1.0, 1.0}, {0.25, 2.0}, {0.1, 5.0}, {0.01, 20.0}};
        for (const auto &scaleAndWidth : widths) {
            const QList<DrawCall> plain = paintCalls(item, scaleAndWidth.first, false);
            QVERIFY(!plain.isEmpty());
            for (const DrawCall &call : plain) {
                if (call.what != QLatin1String("text")) {
                    QCOMPARE(call.width, scaleAndWidth.second);
                    QCOMPARE(call.style, Qt::SolidLine);
                }
            }
            // Selected: the dashed frame, then body and pins three times
            // as thick.
            const QList<DrawCall> selected = paintCalls(item, scaleAndWidth.first, true);
            QCOMPARE(selected.first().what, QStringLiteral("rect"));
            QCOMPARE(selected.first().style, Qt::DashLine);
            QCOMPARE(selected.first().width, scaleAndWidth.second);
            QCOMPARE(selected.at(1).width, 3 * scaleAndWidth.second);
            QCOMPARE(selected.at(1).style, Qt::SolidLine);
        }
        // Labels only above a level of detail of 0.2.
        auto texts = [](const QList<DrawCall> &calls) {
            return std::count_if(calls.cbegin(), calls.cend(), [](const DrawCall &c) { return c.what == "text"; });
        };
        QVERIFY(texts(paintCalls(item, 1.0, false)) > 0);
        QCOMPARE(texts(paintCalls(item, 0.19, false)), 0);
    }

    void selectedMemberPinsAreDrawnThick()
    {
        Gate *cluster = makeCluster();
        GuiGateElement clusterItem(cluster);
        auto thickLines = [&] {
            int count = 0;
            for (const DrawCall &call : paintCalls(&clusterItem, 0.15, false))
                count += call.what == QLatin1String("line") && call.width > 4.0;
            return count;
        };
        QCOMPARE(thickLines(), 0);
        cluster->setSubGateSelection(selectionCounter(), 1);
        // a[1] and y[1], not the pins of member 0.
        QCOMPARE(thickLines(), 2);
        increaseSelectionCounter();
        QCOMPARE(thickLines(), 0);

        // Pass-through gates show no pins.
        Gate pass(BaseEnum::COLPASSTHROUGH, QStringLiteral("pt"), QBrush());
        GuiGateElement passItem(&pass);
        for (const DrawCall &call : paintCalls(&passItem, 1.0, false))
            QVERIFY(call.what != QLatin1String("line"));
    }

    void paintsIntoAnImageOnce()
    {
        QSignalSpy progress(m, &Module::renderingProgressing);
        m->renderingReported = 0;
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            scene->render(&painter, QRectF(0, 0, 400, 300), QRectF(0, 0, 400, 300));
        }
        auto inked = [&](const QRectF &area) {
            int count = 0;
            for (int x = int(area.left()); x < int(area.right()); ++x)
                for (int y = int(area.top()); y < int(area.bottom()); ++y)
                    count += image.pixel(x, y) != qRgb(255, 255, 255);
            return count;
        };
        const QRectF drawn = item->sceneBoundingRect();
        QVERIFY(inked(drawn) > 100);
        // The body is filled with the gate's brush.
        QCOMPARE(QColor(image.pixel(item->mapToScene(gate->bodyRect().center()).toPoint())), QColor(Qt::yellow));
        QCOMPARE(inked(QRectF(0, 0, 400, drawn.top() - 1)), 0);
        QCOMPARE(inked(QRectF(drawn.right() + 1, 0, 400 - drawn.right() - 1, 300)), 0);
        // The first paint after a layout is reported, once.
        QCOMPARE(progress.count(), 1);
        QCOMPARE(int(m->renderingReported), 1);
        QImage again(400, 300, QImage::Format_RGB32);
        QPainter painter(&again);
        scene->render(&painter);
        QCOMPARE(progress.count(), 1);
    }

    void paintTracesAndReportsAnUnbuiltShape()
    {
        LogCapture log;
        verboseTrace = true;
        gate->shapeBuilt = 0;
        paintCalls(item, 1.0, false);
        verboseTrace = false;
        QVERIFY(log.texts(QtWarningMsg).contains(QStringLiteral("Paint u1 at (col 2,x 100,y 50)")));
        QCOMPARE(criticals(log).size(), 1);
        QVERIFY(criticals(log).first().startsWith(QLatin1String("Ports are not properly initialized.")));
    }

private:
    QPainterPath pathAt(const QRectF &rect) const
    {
        QPainterPath path;
        path.addRect(rect);
        return path;
    }

    // A point probe as the view's hover test makes it, at a point of the
    // target's own coordinates, or at a scene point.
    bool hit(const QPointF &local, GuiGateElement *target = nullptr)
    {
        GuiGateElement *probeItem = target ? target : item;
        return probeItem->collidesWithPath(pathAt(QRectF(local - QPointF(0.5, 0.5), QSizeF(1, 1))),
                                           Qt::IntersectsItemShape);
    }

    bool hitScene(const QPointF &scenePoint, GuiGateElement *target)
    {
        return hit(target->mapFromScene(scenePoint), target);
    }

    GraphItem lastEntered(QSignalSpy &spy) const
    {
        return spy.isEmpty() ? GraphItem() : spy.last().at(0).value<GraphItem>();
    }

    bool press(Qt::MouseButton button, GuiGateElement *target = nullptr)
    {
        QGraphicsSceneMouseEvent event(QEvent::GraphicsSceneMousePress);
        event.setButton(button);
        event.setButtons(button);
        event.setAccepted(true);
        scene->sendEvent(target ? target : item, &event);
        return event.isAccepted();
    }

    void doubleClick()
    {
        QGraphicsSceneMouseEvent event(QEvent::GraphicsSceneMouseDoubleClick);
        event.setButton(Qt::LeftButton);
        scene->sendEvent(item, &event);
    }

    bool contextMenu(const QPoint &screenPos)
    {
        QGraphicsSceneContextMenuEvent event(QEvent::GraphicsSceneContextMenu);
        event.setScreenPos(screenPos);
        event.ignore();
        scene->sendEvent(item, &event);
        return event.isAccepted();
    }

    bool key(Qt::Key code, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent event(QEvent::KeyPress, code, modifiers);
        scene->sendEvent(item, &event);
        return event.isAccepted();
    }

    QList<DrawCall> paintCalls(GuiGateElement *target, double scale, bool selected)
    {
        RecordingDevice device;
        QPainter painter(&device);
        painter.scale(scale, scale);
        QStyleOptionGraphicsItem option;
        option.state = selected ? QStyle::State_Selected : QStyle::State_None;
        target->paint(&painter, &option, nullptr);
        painter.end();
        return device.engine.calls;
    }

    // See ClusterFixture: member 2 has no "Drive" value.
    Gate *makeCluster()
    {
        Gate *cluster = ClusterFixture::makeCluster(m);
        cluster->x = 300;
        cluster->y = 40;
        return cluster;
    }

    ModuleMap m_modules;
    Module *m = nullptr;
    Gate *gate = nullptr;
    QGraphicsScene *scene = nullptr;
    GuiGateElement *item = nullptr;
};

QTEST_MAIN(TestGateItems)
#include "tst_gateitems.moc"
