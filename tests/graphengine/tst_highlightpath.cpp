#include "viewerfixture.h"

#include "graphengine/model/highlightedpath.h"
#include "graphengine/viewer/tools/guihighlightedpathelement.h"
#include "graphengine/viewer/tools/toolhighlightpath.h"

#include <QColorDialog>
#include <QImage>
#include <QMenu>
#include <QPainterPath>
#include <QStyleOptionGraphicsItem>
#include <QtTest>

using namespace GraphEngine;
using namespace ViewerFixture;

// The path-highlight tool in a viewer of a small laid-out module (in -> u1
// -> mid -> u2 -> out, mid -> u3 -> out2): every row of its behaviour
// table, undo moving the open end, colour settings as configure commands,
// and the path element's drawing and hit test.
class TestHighlightPath : public QObject
{
    Q_OBJECT

    ModuleMap m_modules;
    Module *m = nullptr;
    GraphViewer *viewer = nullptr;
    ToolHightLighPath *tool = nullptr;
    Gate *u1 = nullptr;
    Gate *u2 = nullptr;
    Gate *u3 = nullptr;

    GraphItem previous() const
    {
        return viewer->stateMap().value(ToolHightLighPath::previousKey).value<GraphItem>();
    }

    // The path elements filed under the element.
    QList<GUIHightLighedPathElement *> pathsUnder(const GraphItem &item) const
    {
        QList<GUIHightLighedPathElement *> found;
        for (QGraphicsItem *i : viewer->sceneItemRegistry().values(item)) {
            if (i->type() == GuiHighlightedPathItem)
                found << static_cast<GUIHightLighedPathElement *>(i);
        }
        return found;
    }

    GUIHightLighedPathElement *onlyPathUnder(const GraphItem &item) const
    {
        const QList<GUIHightLighedPathElement *> found = pathsUnder(item);
        return found.size() == 1 ? found.first() : nullptr;
    }

    QUndoStack *stack() const { return viewer->undoStack(); }
    QString topText() const { return stack()->text(stack()->count() - 1); }
    bool toolActive() const { return viewer->getActiveTool() == tool; }

    static GraphItem portItem(Gate *gate, const QString &name) { return GraphItem(gate->findPortByName(name)); }

    // Activates the tool and starts a path at the element.
    void startAt(const GraphItem &item)
    {
        if (!toolActive())
            tool->trigger();
        QVERIFY(toolActive());
        viewer->clicked(item);
    }

    static QColor iconColour(const ToolHightLighPath *t)
    {
        // Inside the first of the three coloured polygons.
        return t->icon().pixmap(32, 32).toImage().pixelColor(13, 10);
    }

    static double penWidth(GUIHightLighedPathElement &element, double scale, bool selected)
    {
        QImage image(8, 8, QImage::Format_ARGB32);
        QPainter painter(&image);
        painter.scale(scale, scale);
        QStyleOptionGraphicsItem option;
        if (selected)
            option.state |= QStyle::State_Selected;
        element.paint(&painter, &option, nullptr);
        return painter.pen().widthF();
    }

    static QPolygonF points(std::initializer_list<QPointF> list) { return QPolygonF(QVector<QPointF>(list)); }

    static QPainterPath probe(double x, double y)
    {
        QPainterPath path;
        path.moveTo(x, y);
        return path;
    }

private slots:
    void init()
    {
        m = smallModule(m_modules);
        viewer = new GraphViewer(m, nullptr);
        for (ToolBase *t : viewer->tools()) {
            if (auto *found = qobject_cast<ToolHightLighPath *>(t))
                tool = found;
        }
        QVERIFY(tool);
        u1 = gateNamed(m, QStringLiteral("u1"));
        u2 = gateNamed(m, QStringLiteral("u2"));
        u3 = gateNamed(m, QStringLiteral("u3"));
        QVERIFY(u1 && u2 && u3);
    }
    void cleanup()
    {
        delete viewer;
        viewer = nullptr;
        tool = nullptr;
        deleteModules(m_modules);
    }

    // The button, its texts and shortcut, and the first colour.
    void toolSetUp()
    {
        QCOMPARE(tool->text(), QStringLiteral("Highligh Path"));
        QCOMPARE(tool->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));
        QCOMPARE(tool->shortcutContext(), Qt::WidgetShortcut);
        QVERIFY(tool->matchesShortcut(Qt::Key_H, Qt::ControlModifier));
        QVERIFY(!tool->matchesShortcut(Qt::Key_H, Qt::NoModifier));
        QCOMPARE(tool->toolTip(), QStringLiteral("Color a path of the netlist (Ctrl+H on selected item)"));
        QCOMPARE(tool->acceptedKinds, 31);
        QCOMPARE(tool->cursorMode, 1);
        QCOMPARE(tool->itemType(), 0x1000B);
        QCOMPARE(tool->getCurrentColor(), QColor(Qt::red));
        QCOMPARE(iconColour(tool), QColor(Qt::red));
        auto *button = qobject_cast<QToolButton *>(tool->toolWidget);
        QVERIFY(button && button->defaultAction() == tool);
        QVERIFY(button->isCheckable());
        QVERIFY(tool->menu());
        QVERIFY(tool->colorDialog()->testOption(QColorDialog::DontUseNativeDialog));
        QVERIFY(!tool->isActive());
    }

    // Clicks: start, the same element again, an extension, an unreachable
    // element; undo and redo move the open end with the path.
    void clicks()
    {
        startAt(GraphItem(u1));
        QCOMPARE(stack()->count(), 1);
        QCOMPARE(topText(), QStringLiteral("Create path starting at G:u1"));
        QCOMPARE(previous(), GraphItem(u1));
        GUIHightLighedPathElement *start = onlyPathUnder(GraphItem(u1));
        QVERIFY(start);
        QCOMPARE(start->path->end, GraphItem(u1));
        QVERIFY(start->path->points.isEmpty());
        QCOMPARE(start->path->color, QColor(Qt::red));
        QVERIFY(toolActive());

        viewer->clicked(GraphItem(u1));
        QCOMPARE(stack()->count(), 1);

        viewer->clicked(GraphItem(u2));
        QCOMPARE(stack()->count(), 2);
        QCOMPARE(topText(), QStringLiteral("Extend path to P:u2.a"));
        const GraphItem end = portItem(u2, QStringLiteral("a"));
        QCOMPARE(previous(), end);
        QVERIFY(pathsUnder(GraphItem(u1)).isEmpty());
        GUIHightLighedPathElement *extended = onlyPathUnder(end);
        QVERIFY(extended);
        QCOMPARE(extended->path->end, end);
        QVERIFY(extended->path->points.size() >= 2);
        QCOMPARE(extended->path->points.first(), u1->findPortByName(QStringLiteral("y"))->scenePos());
        QCOMPARE(extended->path->points.last(), u2->findPortByName(QStringLiteral("a"))->scenePos());
        QVERIFY(toolActive());

        // u3 lies on no route from u2's input, either way.
        viewer->clicked(GraphItem(u3));
        QCOMPARE(stack()->count(), 2);
        QCOMPARE(previous(), end);
        QCOMPARE(onlyPathUnder(end), extended);

        stack()->undo();
        QCOMPARE(previous(), GraphItem(u1));
        QCOMPARE(onlyPathUnder(GraphItem(u1)), start);
        QVERIFY(pathsUnder(end).isEmpty());
        stack()->redo();
        QCOMPARE(previous(), end);
        QCOMPARE(onlyPathUnder(end), extended);
        QVERIFY(toolActive());
        // The route continues from the open end on the next click.
        viewer->clicked(GraphItem(gateNamed(m, QStringLiteral("out"))));
        QCOMPARE(stack()->count(), 3);
        QVERIFY(onlyPathUnder(previous())->path->points.size() > extended->path->points.size());
    }

    // A path element that was deleted under the open end: the next click
    // makes a new one that ends there, filed under the clicked element.
    void deletedPath()
    {
        startAt(GraphItem(u1));
        GUIHightLighedPathElement *start = onlyPathUnder(GraphItem(u1));
        QVERIFY(start);
        viewer->pushCommand(new UndoBaseCommand(UndoBaseCommand::Delete, start));
        QVERIFY(pathsUnder(GraphItem(u1)).isEmpty());
        if (!toolActive())
            tool->trigger();
        const int count = stack()->count();
        // A click on the open end itself does nothing, even without a path.
        viewer->clicked(GraphItem(u1));
        QCOMPARE(stack()->count(), count);
        QVERIFY(pathsUnder(GraphItem(u1)).isEmpty());
        viewer->clicked(GraphItem(u2));
        QCOMPARE(stack()->count(), count);
        QCOMPARE(topText(), QStringLiteral("Create path starting at G:u2"));
        GUIHightLighedPathElement *made = onlyPathUnder(GraphItem(u2));
        QVERIFY(made);
        QCOMPARE(made->path->end, GraphItem(u1));
        QCOMPARE(previous(), GraphItem(u2));
    }

    // Double clicks: on the open end, with a route, without one, and with
    // no path element under the open end.
    void doubleClicks()
    {
        Gate *out = gateNamed(m, QStringLiteral("out"));
        const GraphItem outPort = portItem(out, QStringLiteral("out"));
        startAt(GraphItem(u2));
        viewer->doubleClicked(GraphItem(u2));
        QCOMPARE(stack()->count(), 1);
        QCOMPARE(previous(), GraphItem(u2));
        QVERIFY(toolActive());

        viewer->doubleClicked(GraphItem(u3));
        QCOMPARE(stack()->count(), 1);
        QCOMPARE(previous(), GraphItem(u2));

        viewer->doubleClicked(GraphItem(out));
        QCOMPARE(stack()->count(), 2);
        QCOMPARE(topText(), QStringLiteral("Extend path to P:out.out"));
        QCOMPARE(previous(), GraphItem());
        QVERIFY(!viewer->getActiveTool());
        QVERIFY(onlyPathUnder(outPort));
        // Undo opens the path again at its earlier end, tool active.
        stack()->undo();
        QCOMPARE(previous(), GraphItem(u2));
        QVERIFY(toolActive());
        stack()->redo();
        QVERIFY(!viewer->getActiveTool());

        // Once the tool is on again, the next click starts a new path.
        tool->trigger();
        viewer->clicked(GraphItem(u3));
        QCOMPARE(topText(), QStringLiteral("Create path starting at G:u3"));
        QVERIFY(onlyPathUnder(GraphItem(u3)));
        QCOMPARE(previous(), GraphItem(u3));

        // No path element under the open end: the tool is switched off and
        // nothing is made; the next click starts a path of its own.
        viewer->pushCommand(new UndoBaseCommand(UndoBaseCommand::Delete, onlyPathUnder(GraphItem(u3))));
        if (!toolActive())
            tool->trigger();
        QVERIFY(toolActive());
        viewer->doubleClicked(GraphItem(u2));
        QVERIFY(!viewer->getActiveTool());
        QVERIFY(pathsUnder(GraphItem(u2)).isEmpty());
        QVERIFY(pathsUnder(GraphItem(u3)).isEmpty());
        tool->trigger();
        viewer->clicked(GraphItem(u2));
        QCOMPARE(topText(), QStringLiteral("Create path starting at G:u2"));
        QVERIFY(onlyPathUnder(GraphItem(u2)));
        QCOMPARE(previous(), GraphItem(u2));
    }

    // A colour chosen in the drop-down is a configure command; it switches
    // the tool on when it is off and leaves it on when it is on. A run of
    // colours is one command, undone to the colour before the run.
    void colours()
    {
        tool->colorDialog()->colorSelected(QColor(Qt::blue));
        QCOMPARE(tool->getCurrentColor(), QColor(Qt::blue));
        QCOMPARE(iconColour(tool), QColor(Qt::blue));
        QVERIFY(toolActive());
        QCOMPARE(stack()->text(0), QStringLiteral("Configure 'CurrentColor'"));
        const int count = stack()->count();
        // A new icon is a change of the action: the button stays checkable.
        auto *button = qobject_cast<QToolButton *>(tool->toolWidget);
        QVERIFY(button && button->isCheckable());

        tool->colorSelected(QColor(Qt::green));
        QVERIFY(toolActive());
        tool->colorSelected(QColor(Qt::yellow));
        tool->colorSelected(QColor(Qt::cyan));
        QVERIFY(toolActive());
        QCOMPARE(stack()->count(), count + 1);
        QCOMPARE(topText(), QStringLiteral("Configure 'CurrentColor'"));
        QCOMPARE(tool->getCurrentColor(), QColor(Qt::cyan));
        stack()->undo();
        QCOMPARE(tool->getCurrentColor(), QColor(Qt::blue));
        QCOMPARE(iconColour(tool), QColor(Qt::blue));
        QVERIFY(button->isCheckable());
        stack()->redo();
        QCOMPARE(tool->getCurrentColor(), QColor(Qt::cyan));

        // New paths take the current colour.
        viewer->clicked(GraphItem(u1));
        QCOMPARE(onlyPathUnder(GraphItem(u1))->path->color, QColor(Qt::cyan));
    }

    // The element: the pen by level of detail, bounds, hits, copies.
    void pathElement()
    {
        auto *path = new HightLighedPath;
        path->points = points({{0, 0}, {10, 0}});
        path->color = Qt::green;
        path->end = GraphItem(u1);
        GUIHightLighedPathElement element(path);
        QCOMPARE(element.type(), 0x1000B);
        QCOMPARE(element.zValue(), 2.0);
        QVERIFY(element.flags() & QGraphicsItem::ItemIsSelectable);
        QVERIFY(element.flags() & QGraphicsItem::ItemIsFocusable);
        QVERIFY(!element.acceptHoverEvents());
        QCOMPARE(element.boundingRect(), QRectF(-3, -3, 16, 6));

        QCOMPARE(penWidth(element, 1.0, false), 3.0);
        QCOMPARE(penWidth(element, 2.0, false), 3.0);
        QCOMPARE(penWidth(element, 0.25, false), 12.0);
        QCOMPARE(penWidth(element, 0.01, false), 60.0);
        QCOMPARE(penWidth(element, 0.25, true), 18.0);

        QVERIFY(element.collidesWithPath(probe(5, 1.5), Qt::IntersectsItemShape));
        QVERIFY(!element.collidesWithPath(probe(5, 2), Qt::IntersectsItemShape));
        QVERIFY(element.collidesWithPath(probe(-2, -1), Qt::IntersectsItemShape));
        // A vertical segment, and a probe wider than the path.
        path->points = points({{0, 0}, {0, 10}});
        QVERIFY(element.hitsPolyline(QRectF(-1.5, 4, 1, 1)));
        QVERIFY(!element.hitsPolyline(QRectF(1.6, 4, 1, 1)));
        QVERIFY(element.hitsPolyline(QRectF(-1, -5, 2, 20)));
        // Diagonals and single points are never hit.
        path->points = points({{0, 0}, {10, 10}});
        QVERIFY(!element.hitsPolyline(QRectF(4, 4, 2, 2)));
        path->points = points({{5, 5}});
        QVERIFY(!element.collidesWithPath(probe(5, 5), Qt::IntersectsItemShape));

        element.graphItem = GraphItem(u2);
        QScopedPointer<QGraphicsUndoItem> copy(element.clone());
        auto *copied = dynamic_cast<GUIHightLighedPathElement *>(copy.data());
        QVERIFY(copied && copied->path && copied->path != path);
        QCOMPARE(copied->path->points, path->points);
        QCOMPARE(copied->path->color, path->color);
        QCOMPARE(copied->path->end, path->end);
        QCOMPARE(copied->graphItem, GraphItem());
        GUIHightLighedPathElement empty(nullptr);
        QVERIFY(!empty.clone());
        QCOMPARE(empty.boundingRect(), QRectF());
    }
};

QTEST_MAIN(TestHighlightPath)
#include "tst_highlightpath.moc"
