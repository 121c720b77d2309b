// Comment pins: the pin's geometry, anchors, text and drawing, the hit test
// of its scene item, and every row of the "Add Comment" tool's behaviour in
// a viewer of a small laid-out module (in -> u1 -> mid -> u2 -> out,
// mid -> u3 -> out2).

#include "viewerfixture.h"

#include "netlistgenerator.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/pin.h"
#include "graphengine/viewer/mainwindow.h"
#include "graphengine/viewer/tools/guipinelement.h"
#include "graphengine/viewer/tools/tooladdcommentpin.h"
#include "graphengine/viewer/tools/toolsearch.h"

#include <dialogs/dialogs.h>

#include <QAbstractItemView>
#include <QDir>
#include <QHBoxLayout>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QPainterPath>
#include <QScreen>
#include <QStyleOptionGraphicsItem>
#include <QtTest>

using namespace GraphEngine;
using namespace ViewerFixture;

namespace {

QPainterPath probe(double x, double y)
{
    QPainterPath path;
    path.moveTo(x, y);
    return path;
}

bool hits(const QGraphicsItem &item, double x, double y)
{
    return item.collidesWithPath(probe(x, y), Qt::IntersectsItemShape);
}

// The bounds of the drawn (not fully transparent) pixels.
QRect drawnBounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

bool hasPixelNear(const QImage &image, const QPoint &at, int radius)
{
    for (int y = at.y() - radius; y <= at.y() + radius; ++y) {
        for (int x = at.x() - radius; x <= at.x() + radius; ++x) {
            if (image.valid(x, y) && qAlpha(image.pixel(x, y)) != 0)
                return true;
        }
    }
    return false;
}

int pixelsWhere(const QImage &image, const std::function<bool(QColor)> &test)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test(image.pixelColor(x, y)))
                ++count;
        }
    }
    return count;
}

Pin redPin(int headLeft)
{
    Pin pin(static_cast<const Gate *>(nullptr));
    pin.x = 0;
    pin.y = 0;
    pin.color = Qt::red;
    pin.headLeft = headLeft;
    return pin;
}

QString longComment()
{
    QStringList words;
    for (int i = 0; i < 60; ++i)
        words << QStringLiteral("word%1").arg(i);
    return words.join(QLatin1Char(' '));
}

} // namespace

class TestCommentPins : public QObject
{
    Q_OBJECT

    ModuleMap m_modules;
    Module *m = nullptr;
    GraphViewer *viewer = nullptr;
    ToolAddCommentPin *tool = nullptr;
    Gate *u1 = nullptr;
    Gate *u2 = nullptr;
    Edge *mid = nullptr;

    QUndoStack *stack() const { return viewer->undoStack(); }
    QString topText() const { return stack()->text(stack()->index() - 1); }

    QList<GuiPinElement *> pinsUnder(const GraphItem &item) const
    {
        QList<GuiPinElement *> found;
        for (QGraphicsItem *i : viewer->sceneItemRegistry().values(item)) {
            if (i->type() == GuiCommentPinItem)
                found << static_cast<GuiPinElement *>(i);
        }
        return found;
    }

    GuiPinElement *onlyPinUnder(const GraphItem &item) const
    {
        const QList<GuiPinElement *> found = pinsUnder(item);
        if (found.size() != 1)
            return nullptr;
        return found.first()->scene() == viewer->scene() ? found.first() : nullptr;
    }

    // The comment dialog, answered: the text it started with goes to seen.
    static std::function<void(QDialog *)> answer(const QString &text, QStringList *seen = nullptr)
    {
        return [text, seen](QDialog *dialog) {
            auto *input = qobject_cast<QInputDialog *>(dialog);
            QVERIFY(input);
            QCOMPARE(input->windowTitle(), QStringLiteral("Enter Element comment"));
            QCOMPARE(input->labelText(), QStringLiteral("comment:"));
            QVERIFY(input->testOption(QInputDialog::UsePlainTextEditForTextInput));
            if (seen)
                seen->append(input->textValue());
            input->setTextValue(text);
            input->accept();
        };
    }

    static std::function<void(QDialog *)> cancel(QStringList *seen = nullptr)
    {
        return [seen](QDialog *dialog) {
            if (seen)
                seen->append(qobject_cast<QInputDialog *>(dialog)->textValue());
            dialog->reject();
        };
    }

    // Switches the tool on and clicks the element, the dialog answered by
    // the script.
    void pinWith(const GraphItem &item, const std::function<void(QDialog *)> &script)
    {
        Host::ScriptedDialogs dialogs;
        dialogs.dialogScripts << script;
        tool->trigger();
        QCOMPARE(viewer->getActiveTool(), tool);
        viewer->clicked(item);
        QCOMPARE(dialogs.dialogs, QStringList(QStringLiteral("QInputDialog")));
    }

private slots:
    void init()
    {
        m = smallModule(m_modules);
        viewer = new GraphViewer(m, nullptr);
        for (ToolBase *t : viewer->tools()) {
            if (auto *found = qobject_cast<ToolAddCommentPin *>(t))
                tool = found;
        }
        QVERIFY(tool);
        u1 = gateNamed(m, QStringLiteral("u1"));
        u2 = gateNamed(m, QStringLiteral("u2"));
        mid = m->edges->find(Name(QStringLiteral("mid")));
        QVERIFY(u1 && u2 && mid);
    }
    void cleanup()
    {
        delete viewer;
        viewer = nullptr;
        tool = nullptr;
        deleteModules(m_modules);
    }

    // Size 2: hot spot, figure, text box and full rectangle, both ways round.
    void geometry()
    {
        Pin right = redPin(1);
        QCOMPARE(right.size, 2);
        QCOMPARE(right.hotSpot(), QPointF(23.8, 45.2));
        QCOMPARE(right.boundingRect(), QRectF(0, 0, 27.2, 45.6));
        Pin left = redPin(0);
        QCOMPARE(left.boundingRect(), QRectF(20.4, 0, 27.2, 45.6));
        QCOMPARE(right.textRect(), QRectF(0, 0, 0, 0));
        QCOMPARE(right.fullRect(), right.boundingRect());

        // The design's needle tip lands on the hot spot.
        const QPointF tip = Pin::rotateAround(-21, 75, 123).map(QPointF(79, 235));
        QVERIFY(QLineF(tip, QPointF(119, 226)).length() < 0.2);
        QCOMPARE(Pin::rotateAround(33, 75, 123).map(QPointF(75, 123)), QPointF(75, 123));

        right.setText(QStringLiteral("note"));
        const QSizeF textSize = right.text.size();
        QVERIFY(textSize.width() > 0);
        QCOMPARE(right.textRect(), QRectF(37.2, 0, textSize.width() + 4, textSize.height() + 4));
        QCOMPARE(right.fullRect(), right.boundingRect() | right.textRect());
        right.labelInside = true;
        QCOMPARE(right.textRect().x(), 10.0);
        left.setText(QStringLiteral("note"));
        left.labelInside = true;
        QCOMPARE(left.textRect().x(), 30.4);
        left.labelInside = false;
        QCOMPARE(left.textRect().x(), 57.6);
    }

    // Anchors and colours per element; the head's side per port group.
    void anchors()
    {
        const Pin onGate(u1);
        const QRectF body = u1->bodyRect();
        QCOMPARE(onGate.x, u1->x + body.x() + body.width() / 2 - 23.8);
        QCOMPARE(onGate.y, u1->y + body.y() + body.height() / 2 - 45.2);
        QCOMPARE(onGate.color, u1->fill.color());
        QCOMPARE(onGate.headLeft, 0);

        const QLineF middle = mid->middlePoint();
        QVERIFY(!middle.isNull());
        const Pin onNet(mid, nullptr);
        QCOMPARE(QPointF(onNet.x, onNet.y) + onNet.hotSpot(), middle.pointAt(0.5));
        QCOMPARE(onNet.color, mid->pen.color());
        QCOMPARE(onNet.headLeft, 1);

        GatePort *input = u2->portAt(2, 0);
        GatePort *output = u1->findPortByName(QStringLiteral("y"));
        QVERIFY(input && input->net == mid && output && output->net == mid);
        const QLineF stub = mid->anchorNearPort(input);
        QVERIFY(!stub.isNull());
        QCOMPARE(stub.p2(), input->scenePos());
        const Pin onInputEnd(mid, input);
        QCOMPARE(QPointF(onInputEnd.x, onInputEnd.y) + onInputEnd.hotSpot(), stub.pointAt(0.9));
        QCOMPARE(onInputEnd.headLeft, 1);
        QCOMPARE(Pin(mid, output).headLeft, 0);

        const Pin onOutput(output);
        QCOMPARE(QPointF(onOutput.x, onOutput.y) + onOutput.hotSpot(), output->scenePos());
        QCOMPARE(onOutput.color, u1->fill.color());
        QCOMPARE(onOutput.headLeft, 1);
        QCOMPARE(Pin(input).headLeft, 0);

        // A net without drawn lines has no anchor.
        Edge *lonely = m->edges->findOrCreate(Name(QStringLiteral("lonely")));
        QVERIFY(lonely && lonely->middlePoint().isNull());
        const Pin unplaced(lonely, nullptr);
        QCOMPARE(QPointF(unplaced.x, unplaced.y), QPointF(-1, -1));
        QVERIFY(!unplaced.color.isValid());
        QCOMPARE(QPointF(Pin(lonely, input).x, Pin(lonely, input).y), QPointF(-1, -1));
    }

    // Long comments wrap at a quarter of the screen (200 without one).
    void textWrapping()
    {
        Pin pin = redPin(1);
        pin.setText(QStringLiteral("short"));
        QCOMPARE(pin.text.textWidth(), -1.0);
        QCOMPARE(pin.text.textOption().wrapMode(), QTextOption::WordWrap);
        const double lineHeight = pin.text.size().height();

        pin.setText(longComment());
        const QScreen *screen = QGuiApplication::primaryScreen();
        const double limit = screen ? screen->size().width() / 4.0 : 200.0;
        QCOMPARE(pin.text.textWidth(), limit);
        QVERIFY(pin.text.size().width() <= limit + 1);
        QVERIFY(pin.text.size().height() > 2 * lineHeight);
        QCOMPARE(pin.plainText(), longComment());
        // Set again, short: no width limit left over.
        pin.setText(QStringLiteral("short"));
        QCOMPARE(pin.text.textWidth(), -1.0);

        // Shown as typed: its own line breaks, markup as text.
        pin.setText(QStringLiteral("two\nlines"));
        QVERIFY(pin.text.size().height() > 1.5 * lineHeight);
        QCOMPARE(pin.plainText(), QStringLiteral("two\nlines"));
        const double shortWidth = pin.text.size().width();
        pin.setText(QStringLiteral("<b>x</b>"));
        QCOMPARE(pin.text.size().height(), lineHeight);
        QVERIFY(pin.text.size().width() > shortWidth);
    }

    // The framed box holds the whole text, however it reads: a one-digit
    // stack level (whose box is narrower than the pin's head), a Verilog
    // constant, characters beyond Latin-1, the comment's own lines, and a
    // word too long to wrap at the width limit. Both ways round, beside the
    // figure and over it: what the text adds to the picture (box and
    // letters) lies within the box, and the letters reach its far end.
    void theTextBoxHoldsTheWholeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("stack level") << QStringLiteral("4");
        QTest::newRow("constant") << QStringLiteral("4'b1010");
        QTest::newRow("levels") << QStringLiteral("{ 1, 3}");
        QTest::newRow("beyond Latin-1") << QStringLiteral("\u2192 \u03a9\u2260\u2211 \u00e9t\u00e9");
        QTest::newRow("two lines") << QStringLiteral("level 4\n4'hF");
        QTest::newRow("one long word") << QStringLiteral("4'b").append(QString(60, QLatin1Char('1')));
    }

    void theTextBoxHoldsTheWholeText()
    {
        QFETCH(QString, text);
        for (const bool inside : {false, true}) {
            for (const int headLeft : {1, 0}) {
                Pin pin = redPin(headLeft);
                pin.labelInside = inside;
                pin.setText(text);
                QCOMPARE(pin.plainText(), text);
                const QRectF box = pin.textRect();
                const QSize canvas(int(std::ceil(pin.fullRect().right())) + 4,
                                   int(std::ceil(pin.fullRect().bottom())) + 4);
                const auto paint = [&canvas](Pin &p) {
                    QImage image(canvas, QImage::Format_ARGB32_Premultiplied);
                    image.fill(Qt::transparent);
                    QPainter painter(&image);
                    p.paint(&painter, nullptr, nullptr);
                    return image;
                };
                Pin bare = pin;
                bare.text = QStaticText();
                const QImage withText = paint(pin);
                const QImage figure = paint(bare);
                // Half the frame's pen lies outside the box.
                const QRectF frame = box.adjusted(-1, -1, 1, 1);
                int rightmostLetter = -1;
                for (int y = 0; y < canvas.height(); ++y) {
                    for (int x = 0; x < canvas.width(); ++x) {
                        if (withText.pixel(x, y) == figure.pixel(x, y))
                            continue;
                        QVERIFY2(frame.contains(QPointF(x + 0.5, y + 0.5)),
                                 qPrintable(QStringLiteral("drawn at (%1, %2), outside the box (%3, %4, %5 x %6)")
                                                    .arg(x).arg(y).arg(box.x()).arg(box.y()).arg(box.width())
                                                    .arg(box.height())));
                        // A letter's ink: dark, away from the frame.
                        if (qGray(withText.pixel(x, y)) < 128 && x > box.left() + 1.5 && x < box.right() - 1.5
                            && y > box.top() + 1.5 && y < box.bottom() - 1.5)
                            rightmostLetter = std::max(rightmostLetter, x);
                    }
                }
                // The last letters are drawn: no text cut short inside a box
                // that is the right size.
                QVERIFY2(rightmostLetter > box.right() - 12,
                         qPrintable(QStringLiteral("letters end at %1, box at %2").arg(rightmostLetter).arg(box.right())));
            }
        }
    }

    // The figure where its geometry says, mirrored for headLeft 0, in the
    // pin's colour; the text box after it; the tool's icon and cursor.
    void drawing()
    {
        const QImage right = redPin(1).renderPixmap().toImage();
        QCOMPARE(right.size(), QSize(27, 45));
        const QRect drawn = drawnBounds(right);
        QVERIFY2(drawn.left() <= 1 && drawn.top() <= 3, "the head reaches the top-left corner");
        QVERIFY2(hasPixelNear(right, QPoint(23, 44), 1), "the needle ends at the hot spot");
        QVERIFY(qAlpha(right.pixel(1, 44)) == 0);
        QVERIFY(pixelsWhere(right, [](QColor c) { return c.alpha() == 255 && c.red() > 120 && c.blue() < 60; })
                > 20);

        Pin blue = redPin(0);
        blue.color = Qt::blue;
        const QImage left = blue.renderPixmap().toImage();
        QCOMPARE(left.size(), QSize(47, 45));
        const QRect mirrored = drawnBounds(left);
        QVERIFY(qAbs(mirrored.left() - (47 - drawn.right() - 1)) <= 1);
        QVERIFY2(hasPixelNear(left, QPoint(23, 44), 1), "mirrored about the needle tip");
        QVERIFY(pixelsWhere(left, [](QColor c) { return c.alpha() == 255 && c.blue() > 120 && c.red() < 60; })
                > 20);
        // The needle keeps its own red, whatever the head's colour.
        QVERIFY(pixelsWhere(left, [](QColor c) { return c.alpha() > 100 && c.red() > 2 * c.blue() + 60; }) > 0);

        // Selected: the outline is drawn wider.
        QImage plain(40, 50, QImage::Format_ARGB32_Premultiplied);
        QImage selected = plain;
        plain.fill(Qt::transparent);
        selected.fill(Qt::transparent);
        Pin pin = redPin(1);
        QStyleOptionGraphicsItem option;
        QPainter p1(&plain);
        pin.paint(&p1, &option, nullptr);
        p1.end();
        option.state |= QStyle::State_Selected;
        QPainter p2(&selected);
        pin.paint(&p2, &option, nullptr);
        p2.end();
        const auto dark = [](QColor c) { return c.alpha() == 255 && c.lightness() < 40; };
        QVERIFY(pixelsWhere(selected, dark) > pixelsWhere(plain, dark) + 20);

        // The text box to the right, filled.
        pin.setText(QStringLiteral("note"));
        const QImage withText = pin.renderPixmap().toImage();
        const QRectF box = pin.textRect();
        QCOMPARE(withText.size(), QSize(int(box.right()), int(pin.fullRect().bottom())));
        QCOMPARE(qAlpha(withText.pixel(int(box.x()) - 3, 2)), 0);
        QVERIFY(qAlpha(withText.pixel(int(box.center().x()), int(box.center().y()))) != 0);

        // The tool: a red pin of 27 by 45 as icon, its cursor's hot spot on
        // the needle tip and inside the pixmap.
        QCOMPARE(tool->icon().availableSizes().value(0), QSize(27, 45));
        const QCursor cursor = tool->cursor();
        const QImage cursorImage = cursor.pixmap().toImage();
        QCOMPARE(cursorImage.size(), QSize(27, 45));
        QCOMPARE(cursor.hotSpot(), QPoint(23, 44));
        QVERIFY(hasPixelNear(cursorImage, cursor.hotSpot(), 1));
    }

    // The item's hit test reads the shared figure image, then the pin's own
    // text box; one pin's text never hits for another.
    void hitTest()
    {
        const Pin owner = redPin(1);
        QImage &entry = owner.imageCache()[2][1];
        entry = QImage();
        auto *first = new Pin(redPin(1));
        GuiPinElement wide(longComment(), first);
        // The first pin to need the image has a text: the image is still the
        // figure alone.
        const QImage &image = first->cachedImage();
        QCOMPARE(&image, &entry);
        QCOMPARE(image.size(), QSize(27, 45));
        QCOMPARE(&redPin(1).cachedImage(), &entry);
        QVERIFY(&redPin(0).cachedImage() != &entry);

        QCOMPARE(wide.type(), 0x1000A);
        QCOMPARE(wide.zValue(), 10.0);
        QVERIFY(wide.flags() & QGraphicsItem::ItemIsSelectable);
        QVERIFY(wide.flags() & QGraphicsItem::ItemIsFocusable);
        QVERIFY(wide.acceptHoverEvents());
        QCOMPARE(wide.boundingRect(), first->fullRect());

        // A point on the head; one where the figure leaves its pixel and
        // the pixels right, below and below-right transparent.
        QVERIFY(hits(wide, 7, 5));
        for (const QPoint &p : {QPoint(1, 42), QPoint(2, 42), QPoint(1, 43), QPoint(2, 43)})
            QCOMPARE(qAlpha(image.pixel(p)), 0);
        QVERIFY(!hits(wide, 1, 42));
        const QRectF box = first->textRect();
        QVERIFY(hits(wide, box.center().x(), box.center().y()));
        QVERIFY(!hits(wide, box.right() + 2, 5));
        // A probe rectangle whose only corner on the figure is its
        // bottom-right one, at the needle's last row.
        const QRect figure = drawnBounds(image);
        int tipX = figure.right();
        while (tipX > 0 && qAlpha(image.pixel(tipX, figure.bottom())) == 0)
            --tipX;
        const QPoint tip(tipX, figure.bottom());
        const auto clear = [&image](const QPoint &p) { return qAlpha(image.pixel(p)) == 0; };
        QPoint topLeft;
        for (int k = 2; k < 15 && topLeft.isNull(); ++k) {
            const QPoint candidate = tip - QPoint(k, k);
            if (clear(candidate) && clear(QPoint(tip.x(), candidate.y())) && clear(QPoint(candidate.x(), tip.y())))
                topLeft = candidate;
        }
        QVERIFY(!topLeft.isNull());
        QPainterPath corner;
        corner.addRect(QRectF(topLeft, tip));
        QVERIFY(wide.collidesWithPath(corner, Qt::IntersectsItemShape));
        // A probe rectangle touching the box from outside the figure.
        QPainterPath area;
        area.addRect(QRectF(box.x() - 5, box.bottom() - 2, 6, 6));
        QVERIFY(wide.collidesWithPath(area, Qt::IntersectsItemShape));

        // Another pin of the same size and side, text box over its figure:
        // a point in the first pin's text box that lies neither on this
        // pin's figure nor in its own box does not hit it.
        auto *second = new Pin(redPin(1));
        second->labelInside = true;
        GuiPinElement narrow(QStringLiteral("a wider comment"), second);
        const QRectF own = second->textRect();
        const QPointF point(box.x() + 3, own.bottom() + 4);
        QVERIFY(box.contains(point));
        QVERIFY(narrow.boundingRect().contains(point));
        QVERIFY(!own.contains(point));
        QVERIFY(hits(wide, point.x(), point.y()));
        QVERIFY(!hits(narrow, point.x(), point.y()));
        QVERIFY(hits(narrow, own.center().x(), own.center().y()));
        // The same in a scene: each pin answers only for its own text.
        QGraphicsScene scene;
        auto *a = new GuiPinElement(QStringLiteral("first"), new Pin(redPin(1)));
        auto *b = new GuiPinElement(longComment(), new Pin(redPin(1)));
        a->setPos(0, 0);
        b->setPos(0, 100);
        scene.addItem(a);
        scene.addItem(b);
        const QPointF inB = b->mapToScene(b->pin->textRect().center());
        QCOMPARE(scene.items(QRectF(inB, QSizeF(1, 1)), Qt::IntersectsItemShape), QList<QGraphicsItem *>{b});
        const QPointF belowA = a->mapToScene(QPointF(a->pin->textRect().x() + 2, 44));
        QVERIFY(scene.items(QRectF(belowA, QSizeF(1, 1)), Qt::IntersectsItemShape).isEmpty());
    }

    // Copies, text changes and the four constructors.
    void element()
    {
        GuiPinElement onGate(QStringLiteral("gate"), u1);
        QCOMPARE(onGate.pos(), QPointF(Pin(u1).x, Pin(u1).y));
        QCOMPARE(onGate.pin->plainText(), QStringLiteral("gate"));
        QCOMPARE(onGate.graphItem, GraphItem());
        GuiPinElement onNet(QStringLiteral("net"), mid, nullptr);
        QCOMPARE(onNet.pos(), QPointF(Pin(mid, nullptr).x, Pin(mid, nullptr).y));
        GatePort *input = u2->portAt(2, 0);
        GuiPinElement onEnd(QStringLiteral("end"), mid, input);
        QCOMPARE(onEnd.pos(), QPointF(Pin(mid, input).x, Pin(mid, input).y));
        GuiPinElement onPort(QStringLiteral("port"), input);
        QCOMPARE(onPort.pos(), QPointF(Pin(input).x, Pin(input).y));

        onGate.graphItem = GraphItem(u1);
        onGate.pin->labelInside = true;
        QScopedPointer<QGraphicsUndoItem> copy(onGate.clone());
        auto *copied = dynamic_cast<GuiPinElement *>(copy.data());
        QVERIFY(copied && copied->pin && copied->pin != onGate.pin);
        QCOMPARE(copied->pin->plainText(), QStringLiteral("gate"));
        QVERIFY(copied->pin->labelInside);
        QCOMPARE(copied->pos(), onGate.pos());
        QCOMPARE(copied->pin->color, onGate.pin->color);
        QCOMPARE(copied->graphItem, GraphItem());
        copied->setText(QStringLiteral("changed"));
        QCOMPARE(onGate.pin->plainText(), QStringLiteral("gate"));
        QCOMPARE(copied->boundingRect(), copied->pin->fullRect());

        GuiPinElement empty(QString(), new Pin(redPin(1)));
        delete empty.pin;
        empty.pin = nullptr;
        QVERIFY(!empty.clone());
        QCOMPARE(empty.boundingRect(), QRectF());
        QVERIFY(!hits(empty, 1, 1));
    }

    // The button, texts and shortcut.
    void toolSetUp()
    {
        QCOMPARE(tool->text(), QStringLiteral("Add Comment"));
        QCOMPARE(tool->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
        QCOMPARE(tool->shortcutContext(), Qt::WidgetShortcut);
        QCOMPARE(tool->toolTip(),
                 QStringLiteral("Associate a \"free\" comment with any of the graph element (Ctrl+P on selected item)"));
        QCOMPARE(tool->acceptedKinds, 15);
        QCOMPARE(tool->cursorMode, 2);
        QCOMPARE(tool->itemType(), 0x1000A);
        auto *button = qobject_cast<QToolButton *>(tool->toolWidget);
        QVERIFY(button && button->defaultAction() == tool && button->isCheckable());
        // The first of the built-in tools on the bar.
        QList<ToolBase *> order;
        for (int i = 0; i < viewer->toolBarLayout()->count(); ++i) {
            auto *b = qobject_cast<QToolButton *>(viewer->toolBarLayout()->itemAt(i)->widget());
            if (b && qobject_cast<ToolBase *>(b->defaultAction()))
                order << static_cast<ToolBase *>(b->defaultAction());
        }
        QVERIFY(!order.isEmpty());
        QCOMPARE(order.first(), static_cast<ToolBase *>(tool));
    }

    // The comment dialog: only an accepted non-empty answer counts.
    void askComment()
    {
        Host::ScriptedDialogs dialogs;
        QStringList seen;
        dialogs.dialogScripts << answer(QStringLiteral("new"), &seen) << answer(QString()) << cancel();
        QString text = QStringLiteral("old");
        QVERIFY(ToolAddCommentPin::askComment(text));
        QCOMPARE(text, QStringLiteral("new"));
        QCOMPARE(seen, QStringList(QStringLiteral("old")));
        QVERIFY(!ToolAddCommentPin::askComment(text));
        QCOMPARE(text, QStringLiteral("new"));
        QVERIFY(!ToolAddCommentPin::askComment(text));
        QCOMPARE(text, QStringLiteral("new"));
    }

    // Rows "create" on each kind of element, with undo and redo.
    void createOnEveryKind()
    {
        GatePort *input = u2->portAt(2, 0);
        GatePort *port = u1->findPortByName(QStringLiteral("a"));
        struct Row
        {
            GraphItem item;
            QString text;
            QString command;
            QPointF at;
        };
        const QList<Row> rows = {
            {GraphItem(u1), QStringLiteral("on a gate"), QStringLiteral("Create pin for G:u1"),
             QPointF(Pin(u1).x, Pin(u1).y)},
            {GraphItem(mid), QStringLiteral("on a net"), QStringLiteral("Create pin for E:mid"),
             QPointF(Pin(mid, nullptr).x, Pin(mid, nullptr).y)},
            {GraphItem(mid, input), QStringLiteral("on a net end"), QStringLiteral("Create pin for P:u2.") + input->name,
             QPointF(Pin(mid, input).x, Pin(mid, input).y)},
            {GraphItem(port), QStringLiteral("on a port"), QStringLiteral("Create pin for P:u1.a"),
             QPointF(Pin(port).x, Pin(port).y)},
        };
        for (const Row &row : rows) {
            pinWith(row.item, answer(row.text));
            QCOMPARE(topText(), row.command);
            GuiPinElement *pin = onlyPinUnder(row.item);
            QVERIFY2(pin, qPrintable(row.command));
            QCOMPARE(pin->pin->plainText(), row.text);
            QCOMPARE(pin->pos(), row.at);
            QCOMPARE(pin->graphItem, row.item);
            QVERIFY(!viewer->getActiveTool());
        }
        QCOMPARE(stack()->count(), 4);
        QCOMPARE(undoItemCount(*viewer), 4);

        stack()->undo();
        QVERIFY(pinsUnder(rows.last().item).isEmpty());
        QCOMPARE(undoItemCount(*viewer), 3);
        stack()->redo();
        QCOMPARE(onlyPinUnder(rows.last().item)->pin->plainText(), QStringLiteral("on a port"));
        while (stack()->canUndo())
            stack()->undo();
        QCOMPARE(undoItemCount(*viewer), 0);
        while (stack()->canRedo())
            stack()->redo();
        QCOMPARE(undoItemCount(*viewer), 4);
        QCOMPARE(onlyPinUnder(GraphItem(u1))->pin->plainText(), QStringLiteral("on a gate"));
    }

    // Rows "edit" and "delete" on an element with a pin, undone and
    // redone; the dialog starts with the pin's text.
    void editAndDelete()
    {
        pinWith(GraphItem(u1), answer(QStringLiteral("first")));
        GuiPinElement *original = onlyPinUnder(GraphItem(u1));
        QVERIFY(original);

        QStringList seen;
        pinWith(GraphItem(u1), answer(QStringLiteral("second"), &seen));
        QCOMPARE(seen, QStringList(QStringLiteral("first")));
        QCOMPARE(topText(), QStringLiteral("Update pin for G:u1"));
        GuiPinElement *edited = onlyPinUnder(GraphItem(u1));
        QVERIFY(edited && edited != original);
        QCOMPARE(edited->pin->plainText(), QStringLiteral("second"));
        QCOMPARE(edited->pos(), original->pos());
        QVERIFY(!original->scene());
        QCOMPARE(original->pin->plainText(), QStringLiteral("first"));
        stack()->undo();
        QCOMPARE(onlyPinUnder(GraphItem(u1)), original);
        QVERIFY(!edited->scene());
        stack()->redo();
        QCOMPARE(onlyPinUnder(GraphItem(u1)), edited);

        seen.clear();
        pinWith(GraphItem(u1), cancel(&seen));
        QCOMPARE(seen, QStringList(QStringLiteral("second")));
        QCOMPARE(topText(), QStringLiteral("Delete pin for G:u1"));
        QVERIFY(pinsUnder(GraphItem(u1)).isEmpty());
        QVERIFY(!edited->scene());
        stack()->undo();
        QCOMPARE(onlyPinUnder(GraphItem(u1)), edited);
        stack()->redo();
        QVERIFY(pinsUnder(GraphItem(u1)).isEmpty());
        stack()->undo();

        // An empty answer deletes too.
        pinWith(GraphItem(u1), answer(QString()));
        QCOMPARE(topText(), QStringLiteral("Delete pin for G:u1"));
        QVERIFY(pinsUnder(GraphItem(u1)).isEmpty());
    }

    // Row "no pin, cancelled or empty": nothing made, the tool off.
    void cancelledOnAnElementWithoutPin()
    {
        pinWith(GraphItem(u2), answer(QStringLiteral("kept")));
        const int count = stack()->count();
        pinWith(GraphItem(u1), cancel());
        QVERIFY(pinsUnder(GraphItem(u1)).isEmpty());
        QVERIFY(!viewer->getActiveTool());
        QCOMPARE(undoItemCount(*viewer), 1);
        QCOMPARE(stack()->count(), count);
        pinWith(GraphItem(u1), answer(QString()));
        QVERIFY(pinsUnder(GraphItem(u1)).isEmpty());
        QVERIFY(!viewer->getActiveTool());

        Host::ScriptedDialogs dialogs;
        dialogs.dialogScripts << cancel();
        QScopedPointer<UndoBaseCommand> command(tool->pinCommand(GraphItem(u1)));
        QVERIFY(command);
        QCOMPARE(command->type, int(UndoBaseCommand::DeactivateTool));
        QCOMPARE(command->text(), QStringLiteral("Deactivate Tool pin for G:u1"));
        ToolAddCommentPin orphan(nullptr);
        QVERIFY(!orphan.pinCommand(GraphItem(u1)));
    }

    // Ctrl+P over an element pins it; a double click asks nothing more.
    void shortcutAndDoubleClick()
    {
        {
            Host::ScriptedDialogs dialogs;
            dialogs.dialogScripts << answer(QStringLiteral("by key"));
            emit m->keyPressed(GraphItem(u2), Qt::Key_P, Qt::ControlModifier);
            QCOMPARE(dialogs.dialogs.size(), 1);
        }
        QCOMPARE(onlyPinUnder(GraphItem(u2))->pin->plainText(), QStringLiteral("by key"));
        QCOMPARE(topText(), QStringLiteral("Create pin for G:u2"));

        tool->trigger();
        const int count = stack()->count();
        viewer->doubleClicked(GraphItem(u1));
        QCOMPARE(stack()->count(), count);
        QVERIFY(pinsUnder(GraphItem(u1)).isEmpty());
    }

    // The pin's own "Delete" is one more undoable step.
    void deleteFromThePinsMenu()
    {
        pinWith(GraphItem(mid), answer(QStringLiteral("net note")));
        GuiPinElement *pin = onlyPinUnder(GraphItem(mid));
        QVERIFY(pin);
        const int count = stack()->count();
        useItemMenu(pin, QStringLiteral("Delete"));
        QCOMPARE(stack()->count(), count + 1);
        QVERIFY(pinsUnder(GraphItem(mid)).isEmpty());
        stack()->undo();
        QCOMPARE(onlyPinUnder(GraphItem(mid)), pin);
    }

    // A viewer with pins and the search field dropped down, for a person to
    // look at.
    void screenshot()
    {
        Module *generated = Module::findOrCreateModule(m_modules, QStringLiteral("pinned"), nullptr);
        NetlistGenerator::Shape shape;
        shape.gates = 24;
        shape.levels = 4;
        shape.stage = 0;
        shape.builtGates = true;
        NetlistGenerator::generate(generated, shape, 5);
        generated->computeLayout(10.0, true, false);
        MainWindow window(nullptr, generated, QString());
        window.resize(1100, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        GraphViewer *shown = window.viewer();
        shown->view()->fitInView(shown->scene()->itemsBoundingRect(), Qt::KeepAspectRatio);
        shown->zoomTo(shown->view()->transform().m11());

        ToolAddCommentPin *pins = nullptr;
        ToolSearch *search = nullptr;
        for (ToolBase *t : shown->tools()) {
            if (auto *p = qobject_cast<ToolAddCommentPin *>(t))
                pins = p;
            if (auto *s = qobject_cast<ToolSearch *>(t))
                search = s;
        }
        QVERIFY(pins && search);
        const QList<Gate *> gates = generated->gates->elements();
        Gate *gate = nullptr;
        Gate *portGate = nullptr;
        for (Gate *g : gates) {
            if (!gate && g->name.text().startsWith(QLatin1Char('g')))
                gate = g;
            if (!portGate && g->name.text() == QStringLiteral("in0"))
                portGate = g;
        }
        QVERIFY(gate && portGate);
        GatePort *load = gate->portAt(2, 0);
        QVERIFY(load && load->net);
        GatePort *output = gate->portAt(0, 0);
        QVERIFY(output);
        Host::ScriptedDialogs dialogs;
        dialogs.dialogScripts << answer(QStringLiteral("Gate under suspicion")) << answer(QStringLiteral("Net: check the fan-out"))
                              << answer(QStringLiteral("Net end")) << answer(QStringLiteral("Output port\nof the gate"));
        for (const GraphItem &item : {GraphItem(gate), GraphItem(load->net), GraphItem(load->net, load), GraphItem(output)}) {
            pins->trigger();
            shown->clicked(item);
        }
        QCOMPARE(undoItemCount(*shown), 4);

        search->combo()->lineEdit()->setText(QStringLiteral("g1"));
        search->combo()->showPopup();
        QCoreApplication::processEvents();
        QImage shot = window.grab().toImage();
        QWidget *popup = search->combo()->view()->window();
        QVERIFY(popup->isVisible());
        QPainter painter(&shot);
        painter.drawPixmap(window.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
        painter.end();
        search->combo()->hidePopup();

        QDir shots(QStringLiteral(KORVAN_SHOT_DIR));
        QVERIFY(shots.mkpath(QStringLiteral(".")));
        QVERIFY(shot.save(shots.filePath(QStringLiteral("viewer-pins-search.png"))));
    }
};

QTEST_MAIN(TestCommentPins)
#include "tst_commentpins.moc"
