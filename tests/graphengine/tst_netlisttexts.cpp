#include "common/labelfontfile.h"
#include "common/testenvironment.h"

#include "graphengine/globals.h"
#include "graphengine/model/baseobject.h"
#include "graphengine/model/bussequence.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/labelcache.h"
#include "graphengine/model/marks.h"
#include "graphengine/model/outlineelement.h"
#include "graphengine/model/pens.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSet>
#include <QSvgGenerator>
#include <QTextLayout>
#include <QThread>
#include <QtTest>

#include <limits>

using namespace GraphEngine;

namespace {

const QString rowStart = QStringLiteral("<tr><td><b><div style='white-space:pre'>");
const QString cellStart = QStringLiteral(": </div></b></td><td>");
const QString missingCell = cellStart + QStringLiteral("<i>Unknown property value</i></td></tr>");

QString row(const QString &key, const QString &value)
{
    return rowStart + key + cellStart + value + QStringLiteral("</td></tr>");
}

QString table(const QString &rows)
{
    return QStringLiteral("<br><table>") + rows + QStringLiteral("</table>");
}

QVariantMap props(const QString &key, const QVariant &value)
{
    return QVariantMap{{key, value}};
}

int differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    }
    return count;
}

} // namespace

class TestNetlistTexts : public QObject
{
    Q_OBJECT

    LabelCache &cache() { return LabelCache::instance(); }

private slots:
    // The pixels compared below are the font's; the machine's fonts must not
    // decide them.
    void initTestCase()
    {
        QString error;
        QVERIFY2(TestFonts::useLabelFontFile(&error), qPrintable(error));
    }

    void labelCachePreparesOnFirstMeasure()
    {
        QVERIFY(!cache().isPrepared());
        QVERIFY(cache().textWidth(QStringLiteral("a")) > 0.0);
        QVERIFY(cache().isPrepared());
        QVERIFY(cache().lineHeight() > 0.0);
        QVERIFY(cache().charWidth() > 0.0);
    }

    void measuring()
    {
        const QSizeF a = cache().textSize(QStringLiteral("a"));
        const QSizeF b = cache().textSize(QStringLiteral("b"));
        const QSizeF c = cache().textSize(QStringLiteral("c"));
        QCOMPARE(cache().textSize(QStringLiteral("ab")), QSizeF(a.width() + b.width(), qMax(a.height(), b.height())));
        const QSizeF twoLines = cache().textSize(QStringLiteral("ab\nc"));
        QCOMPARE(twoLines.width(), qMax(a.width() + b.width(), c.width()));
        QCOMPARE(twoLines.height(), qMax(a.height(), b.height()) + c.height());
        QCOMPARE(cache().textSize(QStringLiteral("\n\n\n")), QSizeF(0, 0));
        QCOMPARE(cache().textSize(QString()), QSizeF(0, 0));
        // Characters without a glyph count -1 and never make a width negative.
        const QString wide = QString(QChar(0x4E2D));
        QCOMPARE(cache().textWidth(wide), 0.0);
        QCOMPARE(cache().textWidth(QStringLiteral("a") + wide), a.width() - 1.0);
        QCOMPARE(cache().textHeight(QStringLiteral("ab\n")), qMax(a.height(), b.height()));
    }

    void drawingAdvancesByGlyphs()
    {
        QImage image(200, 100, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(labelFont().font);
        painter.setPen(Qt::black);
        const QTransform before = painter.worldTransform();
        cache().drawText(&painter, QPointF(5, 5), QStringLiteral("M\nM"));
        QCOMPARE(painter.worldTransform(), before);
        painter.end();
        // Two lines: ink in the upper and in the lower glyph row.
        const int lineHeight = int(cache().lineHeight());
        auto inkInRows = [&](int top, int bottom) {
            for (int y = top; y < bottom && y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixelColor(x, y) != Qt::white)
                        return true;
            return false;
        };
        QVERIFY(inkInRows(5, 5 + lineHeight));
        QVERIFY(inkInRows(5 + lineHeight, 5 + 2 * lineHeight));
    }

    // The cache must draw a label pixel for pixel as QPainter::drawText
    // draws it in the label font at the same place: the same glyph images
    // at the same subpixel positions, so the images compare exactly. Before
    // drawing on the screen, the cache draws on an SVG generator (72 dpi),
    // as the viewer's SVG export does: that must leave nothing behind that
    // changes the glyphs drawn later.
    void drawsAsDrawText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPointF>("topLeft");
        QTest::addColumn<double>("scale");
        QString printable;
        for (int c = 32; c < 256; ++c) {
            if (c < 127 || c > 160)
                printable += QChar(c);
        }
        const QStringList labels = {QStringLiteral("g188"), QStringLiteral("fb_ff123"), QStringLiteral("D[1]"),
                                    QStringLiteral("I0"), QStringLiteral("I1"), QStringLiteral("{ff51,ff67,ff131}")};
        for (const QString &label : labels) {
            QTest::addRow("%s", qPrintable(label)) << label << QPointF(5, 4) << 1.0;
            // The viewer's transform at 100 % is a hair under 1.
            QTest::addRow("%s at 0.999999", qPrintable(label)) << label << QPointF(616.31, 3.7) << 0.999999;
        }
        QTest::newRow("Latin-1, first half") << printable.left(96) << QPointF(2, 3) << 1.0;
        QTest::newRow("Latin-1, second half") << printable.mid(96) << QPointF(2.4, 3.6) << 1.0;
        QTest::newRow("quarter zoom") << QStringLiteral("fb_ff123 D[1] g188") << QPointF(40.5, 60.25) << 0.25;
        QTest::newRow("enlarged") << QStringLiteral("D[1] I1") << QPointF(1, 1) << 1.5;
        // Hidden by the text layout, though the font has a glyph for it.
        QTest::newRow("soft hyphen") << QStringLiteral("net\u00ADname") << QPointF(2, 2) << 1.0;
    }
    void drawsAsDrawText()
    {
        QFETCH(QString, text);
        QFETCH(QPointF, topLeft);
        QFETCH(double, scale);
        QBuffer svgData;
        QSvgGenerator svg;
        svg.setOutputDevice(&svgData);
        svg.setSize(QSize(400, 100));
        {
            QPainter painter(&svg);
            painter.setFont(labelFont().font);
            cache().drawText(&painter, QPointF(0, 0), text);
        }

        const QSize size(int((topLeft.x() + cache().textWidth(text)) * scale) + 8,
                         int((topLeft.y() + cache().lineHeight()) * scale) + 8);
        auto render = [&](bool cached) {
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.scale(scale, scale);
            painter.setPen(Qt::black);
            if (cached) {
                // Whatever font the painter holds.
                painter.setFont(QFont(QStringLiteral("Serif"), 5));
                cache().drawText(&painter, topLeft, text);
            } else {
                painter.setFont(labelFont().font);
                painter.drawText(QRectF(topLeft, QSizeF(10000, 1000)), Qt::AlignLeft | Qt::AlignTop, text);
            }
            return image;
        };
        const QImage cached = render(true);
        const QImage drawn = render(false);
        QVERIFY2(cached == drawn, qPrintable(QStringLiteral("%1 of %2 pixels differ")
                                                 .arg(differingPixels(cached, drawn))
                                                 .arg(size.width() * size.height())));
    }

    void linesAndPainterState()
    {
        const QString text = QStringLiteral("g1\nD[3]\n\nY");
        QImage image(300, 200, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(QFont(QStringLiteral("Serif"), 5));
        painter.translate(3.5, 2);
        const QTransform before = painter.worldTransform();
        const QFont font = painter.font();
        cache().drawText(&painter, QPointF(5, 5), text);
        QCOMPARE(painter.worldTransform(), before);
        QCOMPARE(painter.font().family(), font.family());
        QCOMPARE(painter.font().pointSizeF(), font.pointSizeF());
        painter.end();
        // Each line at its own top, as measured: the empty line takes no room.
        QImage expected(image.size(), image.format());
        expected.fill(Qt::white);
        QPainter lines(&expected);
        lines.translate(3.5, 2);
        lines.setFont(labelFont().font);
        const double h = cache().lineHeight();
        for (const auto &line : {qMakePair(QStringLiteral("g1"), 0.0), qMakePair(QStringLiteral("D[3]"), h),
                                 qMakePair(QStringLiteral("Y"), 2 * h)})
            lines.drawText(QRectF(QPointF(5, 5 + line.second), QSizeF(300, 100)), Qt::AlignLeft | Qt::AlignTop,
                           line.first);
        lines.end();
        QCOMPARE(differingPixels(image, expected), 0);
        QCOMPARE(cache().textSize(text).height(), 3 * h);
    }

    // A character without a glyph draws nothing and takes its measured
    // width of -1.
    void characterWithoutGlyph()
    {
        auto render = [&](const QVector<QPair<QPointF, QString>> &pieces) {
            QImage image(120, 40, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            for (const auto &piece : pieces)
                cache().drawText(&painter, piece.first, piece.second);
            return image;
        };
        const double a = cache().textWidth(QStringLiteral("a"));
        const QImage skipped = render({{QPointF(4, 4), QStringLiteral("a\tb")}});
        const QImage apart = render({{QPointF(4, 4), QStringLiteral("a")}, {QPointF(4 + a - 1, 4), QStringLiteral("b")}});
        QCOMPARE(differingPixels(skipped, apart), 0);
    }

    // Labels are measured character by character. The text layout, which
    // draws them on devices that keep text as text and with fallback
    // glyphs, must lay them out the same way in the label font: without the
    // ligatures ("ff", "fi") and kerning ("AV") of a proportional font.
    void laidOutAsMeasured_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("ff") << QStringLiteral("fb_ff123");
        QTest::newRow("bus") << QStringLiteral("{ff51,ff67,ff131}");
        QTest::newRow("fi, fl, ffi") << QStringLiteral("office fifl");
        QTest::newRow("kerned pairs") << QStringLiteral("AVAWAY To");
    }
    void laidOutAsMeasured()
    {
        QFETCH(QString, text);
        const QFont font = labelFont().font;
        QCOMPARE(QFontMetricsF(font).horizontalAdvance(text), cache().textWidth(text));
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        int glyphs = 0;
        for (const QGlyphRun &run : layout.glyphRuns())
            glyphs += run.glyphIndexes().size();
        QCOMPARE(glyphs, text.size());
    }

    // Devices that keep text as text get it as text, line by line.
    void svgKeepsText()
    {
        QBuffer data;
        QSvgGenerator svg;
        svg.setOutputDevice(&data);
        svg.setSize(QSize(200, 100));
        QPainter painter(&svg);
        cache().drawText(&painter, QPointF(5, 5), QStringLiteral("fb_ff123\nD[1]"));
        painter.end();
        const QByteArray written = data.data();
        QVERIFY(written.contains(">fb_ff123<"));
        QVERIFY(written.contains(">D[1]<"));
    }

    void wrapAtCommas_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minChars");
        QTest::addColumn<QString>("wrapped");
        QTest::newRow("pieces") << "a,b,c,dddddd,e" << 5 << "a,b,c, dddddd, e";
        QTest::newRow("no commas") << "abcdefghij" << 3 << "abcdefghij";
        QTest::newRow("short") << "a,b" << 5 << "a,b";
        QTest::newRow("comma at the limit") << "abcde,f" << 5 << "abcde, f";
        QTest::newRow("negative limit") << "a,b" << -4 << "a, b";
    }
    void wrapAtCommas()
    {
        QFETCH(QString, text);
        QFETCH(int, minChars);
        QFETCH(QString, wrapped);
        QString out = QStringLiteral(">");
        GraphEngine::wrapAtCommas(out, QStringRef(&text), minChars, QLatin1Char(' '));
        QCOMPARE(out, QStringLiteral(">") + wrapped);
    }

    void wrapToScreen()
    {
        const QScreen *screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const int perLine = int(0.75 * screen->size().width() / cache().charWidth());
        const QString item = QStringLiteral("x").repeated(perLine) + QLatin1Char(',');
        const QString text = item + item + QStringLiteral("end");
        QCOMPARE(GraphEngine::wrapToScreen(text), item + QLatin1Char(' ') + item + QLatin1Char(' ') + QStringLiteral("end"));
        const QString shortText = QStringLiteral("a, b,c");
        QCOMPARE(GraphEngine::wrapToScreen(shortText), shortText);
    }

    void numbers()
    {
        QCOMPARE(numberToString(-42), QStringLiteral("-42"));
        QCOMPARE(numberToString(0), QStringLiteral("0"));
        QString out = QStringLiteral("n");
        appendNumber(-7, out);
        appendNumber(12, out);
        QCOMPARE(out, QStringLiteral("n-712"));
        // Written as QString::number writes them, to the extremes.
        for (int n : {0, 9, 10, 99, 100, -1, -10, 1000000007, std::numeric_limits<int>::max(),
                      std::numeric_limits<int>::min()}) {
            QString written;
            appendNumber(n, written);
            QCOMPARE(written, QString::number(n));
        }
    }

    void propertyTables_data()
    {
        QTest::addColumn<QList<QVariantMap>>("merges");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("html");
        using L = QList<QVariantMap>;
        QTest::newRow("nothing") << L{} << -1 << QString();
        QTest::newRow("hidden only") << L{props("=NativeName", "u1")} << -1 << table(QString());
        QTest::newRow("once") << L{props("Cell", "AND2")} << -1 << table(row("Cell", "AND2"));
        QTest::newRow("same text twice") << L{props("Cell", "t"), props("Cell", "t")} << -1
                                         << table(row("Cell", "[t,...]"));
        QTest::newRow("two texts") << L{props("Cell", "a"), props("Cell", "b")} << -1 << table(row("Cell", "a, b"));
        QTest::newRow("limit") << L{props("Cell", "a"), props("Cell", "b"), props("Cell", "c")} << 1
                               << table(row("Cell", "b"));
        QTest::newRow("limit beyond") << L{props("Cell", "a"), props("Cell", "b")} << 5
                                      << table(rowStart + "Cell" + missingCell);
        QTest::newRow("empty text") << L{props("Cell", "")} << -1 << table(rowStart + "Cell" + missingCell);
        QTest::newRow("one-entry list") << L{props("Cell", QStringList{"x"})} << -1 << table(row("Cell", "x"));
        QTest::newRow("list keeps its entries") << L{props("Cell", QStringList{"x", "y"})} << -1
                                                << table(row("Cell", "x, y"));
        QTest::newRow("empty list") << L{props("Cell", QStringList{})} << -1 << table(rowStart + "Cell" + missingCell);
        QTest::newRow("empty entries") << L{props("Cell", ""), props("Cell", "")} << 1
                                       << table(rowStart + "Cell" + missingCell);
        QTest::newRow("key order") << L{QVariantMap{{"b", "2"}, {"a", "1"}, {"=h", "0"}}} << -1
                                   << table(row("a", "1") + row("b", "2"));
        QTest::newRow("single-valued") << L{props("Object Type", "x"), props("Object Type", "y")} << -1
                                       << table(row("Object Type", "y"));
        QTest::newRow("escaped") << L{props("std::vector<int>", "a & <b>")} << -1
                                 << table(row("std::vector&lt;int&gt;", "a &amp; &lt;b&gt;"));
        QTest::newRow("escaped list") << L{props("k", "<x>"), props("k", "y&z")} << -1
                                      << table(row("k", "&lt;x&gt;, y&amp;z"));
    }
    void propertyTables()
    {
        QFETCH(QList<QVariantMap>, merges);
        QFETCH(int, limit);
        QFETCH(QString, html);
        addSingleValuedPropertyKey(QStringLiteral("Object Type"));
        BaseObject object;
        for (const QVariantMap &m : merges)
            object.setProperty(m);
        QCOMPARE(object.propertyTable(limit), html);
        if (limit < 0)
            QCOMPARE(object.propertyTableAll(), html);
        QVERIFY(object.toolTip().isEmpty());
    }

    void propertyMergeForms()
    {
        BaseObject object;
        object.setProperty(props("k", "a"));
        object.setProperty(props("k", "b"));
        object.setProperty(props("k", "c"));
        QCOMPARE(object.properties.value("k"), QVariant(QStringList{"a", "b", "c"}));
        QVERIFY(object.findProperty("k"));
        QVERIFY(!object.findProperty("missing"));

        // A net taking over another keeps every collected entry.
        BaseObject target;
        target.setProperty(props("k", "z"));
        target.setPropertyThunk(&object);
        QCOMPARE(target.properties.value("k"), QVariant(QStringList{"z", "a", "b", "c"}));
        target.setPropertyThunk(nullptr);
        QCOMPARE(target.properties.size(), 1);
    }

    void penPalette()
    {
        const QVector<QPen> &palette = GraphEngine::penPalette();
        QCOMPARE(palette.size(), 215);
        QCOMPARE(palette.at(0).color(), QColor(0, 0, 0));
        QCOMPARE(palette.at(5).color(), QColor(255, 0, 0));
        QCOMPARE(palette.at(6).color(), QColor(0, 0, 51));
        QCOMPARE(palette.at(214).color(), QColor(204, 255, 255));
        QCOMPARE(palette.at(0).widthF(), 1.0);
        QCOMPARE(palette.at(0).style(), Qt::SolidLine);
        QVector<int> order = penVisitingOrder();
        std::sort(order.begin(), order.end());
        for (int i = 0; i < 215; ++i)
            QCOMPARE(order.at(i), i);
    }

    void penCycle()
    {
        resetPenCycle();
        const QList<QColor> first = {QColor(102, 0, 204), QColor(153, 0, 153), QColor(51, 51, 51),
                                     QColor(102, 51, 204), QColor(204, 51, 102)};
        for (const QColor &c : first)
            QCOMPARE(nextPen().color(), c);

        resetPenCycle();
        QList<const QPen *> cycle;
        QSet<const QPen *> distinct;
        for (int i = 0; i < 125; ++i) {
            const QPen &pen = nextPen();
            const QColor c = pen.color();
            QVERIFY(c.red() < 255 && c.green() < 255 && c.blue() < 255);
            cycle.append(&pen);
            distinct.insert(&pen);
        }
        QCOMPARE(distinct.size(), 125);
        for (int i = 0; i < 125; ++i)
            QCOMPARE(&nextPen(), cycle.at(i));
    }

    void penForName()
    {
        resetPenCycle();
        const QPen &a = GraphEngine::penForName(QStringLiteral("netA-unique"));
        const int index = penCycleIndex;
        QCOMPARE(&GraphEngine::penForName(QStringLiteral("netA-unique")), &a);
        QCOMPARE(penCycleIndex, index);
        QVERIFY(&GraphEngine::penForName(QStringLiteral("netB-unique")) != &a);
        QVERIFY(penCycleIndex != index);
    }

    void gateShapes()
    {
        QImage image(60, 60, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        OutlineElement rect;
        rect.x = 2;
        rect.y = 3;
        rect.width = 4;
        rect.height = 5;
        QVERIFY(!rect.isPath());
        paintGateShape(rect, &painter);
        OutlineElement path;
        path.path.addRect(0, 0, 5, 5);
        path.width = 40;
        path.height = 30;
        QVERIFY(path.isPath());
        const QTransform before = painter.worldTransform();
        paintGateShape(path, &painter);
        QCOMPARE(painter.worldTransform(), before);
        painter.end();
        QCOMPARE(image.pixelColor(3, 4), QColor(Qt::black));
        QCOMPARE(image.pixelColor(7, 9), QColor(Qt::white));
        QCOMPARE(image.pixelColor(42, 32), QColor(Qt::black));
        QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));
    }

    void markBits()
    {
        LogCapture log;
        QList<int> taken;
        for (int i = 0; i < 8; ++i)
            taken.append(allocateColor());
        QCOMPARE(taken, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(allocateColor(), -1);
        QCOMPARE(log.texts(QtCriticalMsg), QStringList{"\"Can't allocate enough color to application\""});

        // Another thread has all eight bits of its own.
        QList<int> other;
        QThread *thread = QThread::create([&other] {
            other.append(allocateColor());
            other.append(allocateColor());
            releaseColor(0);
            other.append(allocateColor());
        });
        thread->start();
        QVERIFY(thread->wait(5000));
        delete thread;
        QCOMPARE(other, (QList<int>{0, 1, 0}));

        releaseColor(-1);
        releaseColor(8);
        QCOMPARE(allocateColor(), -1);
        releaseColor(3);
        QCOMPARE(allocateColor(), 3);
        for (int bit = 0; bit < 8; ++bit)
            releaseColor(bit);
        QCOMPARE(allocateColor(), 0);
        releaseColor(0);
    }

    void portAttributes_data()
    {
        QTest::addColumn<QList<int>>("args");
        QTest::addColumn<quint32>("word");
        QTest::newRow("plain input") << QList<int>{0, 2, 5, 0, 0, 1} << quint32(0x1020);
        QTest::newRow("plain output") << QList<int>{1, 0, 0, 0, 0, 12} << quint32(0xC005);
        QTest::newRow("negated clock") << QList<int>{0, 2, 1, 3, 1, 27} << quint32(0x1B3A0);
        QTest::newRow("masked") << QList<int>{7, 15, 0, 31, 1, 63} << quint32(0x1FFFF);
    }
    void portAttributes()
    {
        QFETCH(QList<int>, args);
        QFETCH(quint32, word);
        GatePort port(nullptr, QStringLiteral("p"), PortAttributes(), 0, 0);
        port.attributes.word = 0xFFFE0000u;
        port.setAttributes(args[0], args[1], args[2], args[3], args[4], args[5]);
        QCOMPARE(port.attributes.word, 0xFFFE0000u | word);
        QCOMPARE(port.attributes.position, args[2]);
        QCOMPARE(port.attributes.direction(), args[0] & 3);
        QCOMPARE(port.attributes.portDirection(), args[0] & 3);
        QCOMPARE(port.attributes.sortGroup(), args[1] & 7);
        QCOMPARE(port.attributes.marker(), args[3] & 15);
        QCOMPARE(port.attributes.isControl(), args[4] != 0);
        QCOMPARE(port.attributes.roleBit(), args[5] & 31);
    }

    void portAttributeFields()
    {
        PortAttributes a = PortAttributes::make(2, 2, 0x10003, 0, false, 12);
        QCOMPARE(a.position16(), qint16(3));
        QCOMPARE(a.role(), 0x1000);
        a.setPortDirection(1);
        QCOMPARE(a.direction(), 2);
        QCOMPARE(a.portDirection(), 1);
        QCOMPARE(PortAttributes::make(0, 2, -1, 0, false, 0).position16(), qint16(-1));
        QCOMPARE(PortAttributes::make(0, 2, 0, 0, false, 0).role(), 0);
    }

    void busLabelsOnPorts()
    {
        Gate gate;
        gate.shapeBuilt = 1;
        QList<GatePort *> ports;
        for (const char *name : {"a[0]", "a[1]", "a[2]", "b"})
            ports.append(new GatePort(&gate, QLatin1String(name), PortAttributes(), 0, 0));
        BusSequence run(true);
        QVERIFY(!run.appendPort(ports[0]));
        QVERIFY(run.appendPort(ports[1]));
        QVERIFY(run.appendPort(ports[2]));
        QCOMPARE(ports[0]->label, QStringLiteral("a[0:2]"));
        QVERIFY(!ports[1]->label.isNull());
        QVERIFY(ports[1]->label.isEmpty());
        QCOMPARE(gate.shapeBuilt, quint8(0));
        QCOMPARE(run.firstPort, ports[0]);
        QCOMPARE(run.lastPort, ports[2]);
        QCOMPARE(run.maxLabelWidth, cache().textWidth(QStringLiteral("a[0:2]")));

        // The newest member cannot stay: the first port shows the run without it.
        run.flush(true);
        QCOMPARE(ports[0]->label, QStringLiteral("a[0:1]"));
        QVERIFY(run.last.isNull());
        // A new run starts from the fed port, which shows its own name again.
        QVERIFY(!run.appendPort(ports[2]));
        QVERIFY(ports[2]->label.isNull());
        QVERIFY(!run.appendPort(ports[3]));
        run.flush(true);
        QVERIFY(ports[3]->label.isNull());
        qDeleteAll(ports);
    }

    void busLabelsOfTwoMembers()
    {
        GatePort first(nullptr, QStringLiteral("d[5]"), PortAttributes(), 0, 0);
        GatePort second(nullptr, QStringLiteral("d[4]"), PortAttributes(), 0, 0);
        BusSequence run(true);
        run.appendPort(&first);
        QVERIFY(run.appendPort(&second));
        QCOMPARE(first.label, QStringLiteral("d[5:4]"));
        // Without the newest member the run is the single index of its start.
        run.flush(true);
        QCOMPARE(first.label, QStringLiteral("d[5]"));

        BusSequence quiet;
        GatePort other(nullptr, QStringLiteral("d[3]"), PortAttributes(), 0, 0);
        quiet.appendPort(&first);
        quiet.appendPort(&other);
        QCOMPARE(other.label, QString());
        QCOMPARE(first.label, QStringLiteral("d[5]"));
    }

    void portNames()
    {
        GatePort port(nullptr, QStringLiteral("i"), PortAttributes(), 1.5, -2.0);
        QCOMPARE(port.name, QStringLiteral("i"));
        QCOMPARE(port.anchor, QPointF(1.5, -2.0));
        QCOMPARE(port.tip, port.anchor);
        QVERIFY(port.label.isNull());
        QVERIFY(!port.net);
        const QSizeF narrow = port.labelSize();
        QCOMPARE(narrow, LabelCache::instance().textSize(QStringLiteral("i")));
        port.setName(QStringLiteral("CLK"));
        QCOMPARE(port.name, QStringLiteral("CLK"));
        // The size follows the name and then the label, never an old text.
        QCOMPARE(port.labelSize(), LabelCache::instance().textSize(QStringLiteral("CLK")));
        QVERIFY(port.labelSize().width() > narrow.width());
        port.setLabel(QStringLiteral("clock enable"));
        QCOMPARE(port.labelSize(), LabelCache::instance().textSize(QStringLiteral("clock enable")));
        port.setLabel(QString());
        QCOMPARE(port.labelSize(), LabelCache::instance().textSize(QStringLiteral("CLK")));
    }
};

QTEST_MAIN(TestNetlistTexts)
#include "tst_netlisttexts.moc"
