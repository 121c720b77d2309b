// Thin lines drawn as filled runs: pixel for pixel what the painter draws,
// on their own and in a zoomed-out view of a laid-out module.

#include "graphengine/model/edge.h"
#include "graphengine/model/thinlines.h"
#include "graphengine/scene/guielementtype.h"
#include "graphengine/scene/guiedgeelement.h"
#include "graphengine/viewer/graphviewer.h"
#include "netlistgenerator.h"

#include <QImage>
#include <QPainter>
#include <QGraphicsItem>
#include <QPicture>
#include <QStyleOptionGraphicsItem>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>

using namespace GraphEngine;

namespace {

int differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            count += p[x] != q[x];
    }
    return count;
}

// Noise, half of it see-through where the format has alpha.
QImage ground(QImage::Format format, quint32 seed)
{
    QImage image(64, 48, format);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = random.generate() | (random.bounded(2) ? 0xff000000u : 0u);
            line[x] = format == QImage::Format_RGB32 ? (colour | 0xff000000u) : qPremultiply(colour);
        }
    }
    return image;
}

struct Line
{
    QPointF p1;
    QPointF p2;
};

// Axis-parallel lines at any fraction of a pixel, from far outside the
// image to a hair long, with a point and a slanted line among them.
QVector<Line> randomLines(QRandomGenerator &random, int count)
{
    QVector<Line> lines;
    auto coordinate = [&](double range) {
        const double whole = random.bounded(int(range)) - range / 4;
        return random.bounded(4) == 0 ? whole : whole + random.generateDouble();
    };
    for (int i = 0; i < count; ++i) {
        const double across = coordinate(6000);
        const double from = coordinate(8000);
        double to = random.bounded(6) == 0 ? from + random.generateDouble() * 20 : coordinate(8000);
        if (random.bounded(40) == 0)
            to = from;
        if (random.bounded(2))
            lines.append({QPointF(across, from), QPointF(across, to)});
        else
            lines.append({QPointF(from, across), QPointF(to, across)});
    }
    lines.append({QPointF(100, 100), QPointF(100, 100)});
    lines.append({QPointF(100, 100), QPointF(900, 700)});
    return lines;
}

} // namespace

class TestThinLines : public QObject
{
    Q_OBJECT

private slots:
    void sameAsThePainter_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("width");
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<bool>("clipped");
        QTest::addColumn<bool>("batched");
        const int rgb = QImage::Format_RGB32;
        const int premultiplied = QImage::Format_ARGB32_Premultiplied;
        QTest::newRow("fit zoom, screen format") << rgb << 0.01 << 20.0 << QPointF(3.25, -7.5) << false << true;
        QTest::newRow("fit zoom, alpha") << premultiplied << 0.01 << 20.0 << QPointF(0.5, 0.75) << false << true;
        QTest::newRow("4 %") << rgb << 0.04 << 20.0 << QPointF(-1.125, 2.0) << false << true;
        QTest::newRow("odd scale") << premultiplied << 0.0137 << 20.0 << QPointF(5.3, 1.9) << false << true;
        QTest::newRow("clipped") << rgb << 0.01 << 20.0 << QPointF(1.5, 2.5) << true << false;
        QTest::newRow("scene") << rgb << 0.019969664138678223 << 20.0 << QPointF(0.3, 0.2) << false << true;
        QTest::newRow("faint") << premultiplied << 0.005 << 3.0 << QPointF(0, 0) << false << true;
        // Where the runs would not be the engine's, the painter draws.
        QTest::newRow("a pixel wide") << rgb << 0.05 << 20.0 << QPointF(0, 0) << false << false;
        QTest::newRow("unpremultiplied alpha") << int(QImage::Format_ARGB32) << 0.01 << 20.0 << QPointF(0, 0)
                                               << false << false;
    }
    void sameAsThePainter()
    {
        QFETCH(int, format);
        QFETCH(double, scale);
        QFETCH(double, width);
        QFETCH(QPointF, offset);
        QFETCH(bool, clipped);
        QFETCH(bool, batched);
        QRandomGenerator random(7);
        const QVector<Line> lines = randomLines(random, 3000);
        const QImage background = ground(QImage::Format(format), 11);
        for (const QColor &colour : {QColor(Qt::black), QColor(153, 51, 204), QColor(0, 102, 255), QColor(0x66, 0x99, 0x99)}) {
            const QPen pen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin);
            auto render = [&](bool viaBatch) {
                QImage image = background;
                QPainter painter(&image);
                painter.translate(offset);
                painter.scale(scale, scale);
                if (clipped)
                    painter.setClipRect(QRectF(1000, 500, 3000, 2500));
                painter.setPen(pen);
                painter.setBrush(Qt::green);
                if (viaBatch) {
                    ThinLineBatch batch(&painter);
                    if (batch.isActive() != batched)
                        return QImage();
                    for (const Line &line : lines)
                        batch.drawLine(line.p1, line.p2);
                    batch.flush();
                    // Left as it was found.
                    if (painter.pen() != pen || painter.brush() != QBrush(Qt::green)
                        || painter.worldTransform() != QTransform(scale, 0, 0, scale, offset.x(), offset.y()))
                        return QImage();
                } else {
                    for (const Line &line : lines)
                        painter.drawLine(line.p1, line.p2);
                }
                return image;
            };
            const QImage drawn = render(false);
            const QImage batched = render(true);
            QVERIFY2(!batched.isNull(), "taken over where it should not, or the painter's state changed");
            QVERIFY2(drawn == batched, qPrintable(QStringLiteral("%1 pixels differ for %2")
                                                      .arg(differingPixels(drawn, batched))
                                                      .arg(colour.name())));
            QVERIFY(drawn != background);
        }
    }

    // The painter draws itself what the runs cannot match.
    void leftToThePainter()
    {
        QImage image(20, 20, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.scale(0.01, 0.01);
        const QPen thin(QBrush(Qt::black), 20.0, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin);
        auto active = [&](const std::function<void()> &change) {
            painter.save();
            painter.setPen(thin);
            change();
            const bool taken = ThinLineBatch(&painter).isActive();
            painter.restore();
            return taken;
        };
        QVERIFY(active([] {}));
        QVERIFY(!active([&] { painter.setRenderHint(QPainter::Antialiasing); }));
        QVERIFY(!active([&] { painter.setOpacity(0.5); }));
        QVERIFY(!active([&] { painter.rotate(30); }));
        QVERIFY(!active([&] { painter.scale(1, 2); }));
        QVERIFY(!active([&] { painter.setCompositionMode(QPainter::CompositionMode_Multiply); }));
        QVERIFY(!active([&] { painter.setPen(QPen(QBrush(QColor(0, 0, 0, 128)), 20.0)); }));
        QVERIFY(!active([&] {
            QPen flat = thin;
            flat.setCapStyle(Qt::FlatCap);
            painter.setPen(flat);
        }));
        QVERIFY(!active([&] {
            QPen dashed = thin;
            dashed.setStyle(Qt::DashLine);
            painter.setPen(dashed);
        }));
        QPicture picture;
        QPainter recorder(&picture);
        recorder.setPen(thin);
        QVERIFY(!ThinLineBatch(&recorder).isActive());
    }

    // A generated module laid out and shown whole, as the view draws it
    // (no clip): the nets drawn through the runs leave the image the
    // painter's own lines leave.
    void zoomedOutModule()
    {
        ModuleMap registry;
        Module *module = Module::findOrCreateModule(registry, QStringLiteral("thin"), nullptr);
        NetlistGenerator::Shape shape;
        shape.gates = 300;
        NetlistGenerator::generate(module, shape, 5);
        module->computeLayout(10.0, true, false);
        GraphViewer viewer(module, nullptr);
        const QRectF source = viewer.scene()->sceneRect();
        // Nets drawn with a pen of 20, thinner than a pixel.
        const double scale = 0.0213;
        const QSize size = (source.size() * scale).toSize() + QSize(2, 2);
        const QTransform view = QTransform::fromTranslate(-source.left(), -source.top()) * QTransform::fromScale(scale, scale);
        auto render = [&](bool *batched) {
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            beginRenderPass();
            for (QGraphicsItem *item : viewer.scene()->items(Qt::AscendingOrder)) {
                painter.setWorldTransform(item->sceneTransform() * view);
                QStyleOptionGraphicsItem option;
                option.exposedRect = item->boundingRect();
                item->paint(&painter, &option, nullptr);
                if (item->type() == GuiNetItem)
                    *batched = ThinLineBatch(&painter).isActive();
            }
            return image;
        };
        bool batched = false;
        const QImage runs = render(&batched);
        QVERIFY(batched);
        ThinLineBatch::setEnabled(false);
        const QImage drawn = render(&batched);
        ThinLineBatch::setEnabled(true);
        QVERIFY(!batched);
        QCOMPARE(differingPixels(runs, drawn), 0);
        int inked = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                inked += runs.pixel(x, y) != qRgb(255, 255, 255);
        QVERIFY(inked > size.width() * size.height() / 50);
        deleteModules(registry);
    }
};

QTEST_MAIN(TestThinLines)
#include "tst_thinlines.moc"
