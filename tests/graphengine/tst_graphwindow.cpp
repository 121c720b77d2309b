// The graph window (its flags, its title placeholders, a new graph replacing
// the viewer) and the SVG export of a graph.

#include "viewerfixture.h"

#include "common/labelfontfile.h"

#include "graphengine/model/labelcache.h"
#include "graphengine/model/pin.h"
#include "graphengine/viewer/mainwindow.h"
#include "graphengine/viewer/tools/guipinelement.h"
#include "netlistgenerator.h"

#include <dialogs/dialogs.h>

#include <QDir>
#include <QFile>
#include <QLayout>
#include <QPointer>
#include <QRegularExpression>
#include <QSlider>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

using namespace ViewerFixture;

class TestGraphWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void flagsAndLayout();
    void titlePlaceholders();
    void titleWithoutModule();
    void secondGraphReplacesTheViewer();
    void nullModuleChangesNothing();
    void svgFileParsesWithTitleAndSize();
    void emptySceneSvg();
    void svgShowsTheWholeScene();
    void svgLabelsAsMeasured();
    void svgCommentAsMeasured();
    void svgNameCompletion_data();
    void svgNameCompletion();
    void svgDumpAsksForTheName();
    void portLabelsApart();
    void screenshotsOfA200GateModule();

private:
    ModuleMap m_modules;
    Module *m = nullptr;
};

// Label widths size the scene that the SVG checks compare with.
void TestGraphWindow::initTestCase()
{
    QString error;
    QVERIFY2(TestFonts::useLabelFontFile(&error), qPrintable(error));
}

void TestGraphWindow::init()
{
    m = smallModule(m_modules);
    m->secondName = QStringLiteral("design.v");
}

void TestGraphWindow::cleanup()
{
    deleteModules(m_modules);
}

void TestGraphWindow::flagsAndLayout()
{
    MainWindow window(nullptr, m, QString());
    QCOMPARE(window.windowModality(), Qt::NonModal);
    const Qt::WindowFlags flags = window.windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
    for (Qt::WindowType hint : {Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint,
                                Qt::WindowCloseButtonHint, Qt::WindowFullscreenButtonHint})
        QVERIFY(flags.testFlag(hint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QVERIFY(window.viewer());
    QCOMPARE(window.viewer()->parent(), &window);
    QCOMPARE(window.layout()->count(), 1);
    QCOMPARE(window.layout()->itemAt(0)->widget(), window.viewer());
    QCOMPARE(window.layout()->contentsMargins(), QMargins());
    QVERIFY(!window.isVisible());
}

void TestGraphWindow::titlePlaceholders()
{
    // 5 gates and 4 port gates, 6 nets (in, b, mid, out, out2 and the
    // layout's own where it made any).
    MainWindow window(nullptr, m, QString());
    const QString expected = QStringLiteral("Netlist Sample:top (design.v) %1/%2 gates - 4 ports - %3 edges")
                                 .arg(m->gateCount())
                                 .arg(m->countGatesWithProperty())
                                 .arg(m->edges->count());
    QCOMPARE(window.windowTitle(), expected);
    QCOMPARE(m->gateCount(), m->gates->count() - 4);

    // One pass: a module name holding a placeholder keeps it.
    Module *odd = Module::findOrCreateModule(m_modules, QStringLiteral("a%gb"), nullptr);
    makeGate(odd, QStringLiteral("g"), {QStringLiteral("a")}, {QStringLiteral("y")});
    odd->secondName = QStringLiteral("%n.v");
    window.setGraph(odd, QStringLiteral("%n|%f|%g|%n|%x|100%|%%g"));
    QCOMPARE(window.windowTitle(), QStringLiteral("a%gb|%n.v|1|a%gb|%x|100%|%1"));
    window.setGraph(odd, QStringLiteral("plain title"));
    QCOMPARE(window.windowTitle(), QStringLiteral("plain title"));
    window.setGraph(odd, QStringLiteral("%G %p %e"));
    QCOMPARE(window.windowTitle(), QStringLiteral("1 0 0"));
}

void TestGraphWindow::titleWithoutModule()
{
    UndoFramework::GraphUndoState state = smallState();
    state.moduleName.clear();
    MainWindow window(nullptr, m, QString());
    window.setGraph(state, QString());
    QVERIFY(window.viewer());
    QVERIFY(!window.viewer()->module());
    QCOMPARE(window.windowTitle(), QStringLiteral("Netlist Sample:Unamed Graph (Unknown file) N/A/N/A gates - N/A ports - N/A edges"));

    window.setGraph(smallState(), QStringLiteral("%n: %g"));
    QCOMPARE(window.windowTitle(), QStringLiteral("top: 1"));
}

void TestGraphWindow::secondGraphReplacesTheViewer()
{
    MainWindow window(nullptr, m, QString());
    QPointer<GraphViewer> first(window.viewer());
    auto *tool = new TestTool(first);
    first->addTool(tool);
    QPointer<TestTool> firstTool(tool);
    first->userActivateTool(tool);
    QCOMPARE(first->undoStack()->count(), 1);

    window.setGraph(smallState(), QString());
    QVERIFY(first.isNull());
    QVERIFY(firstTool.isNull());
    QVERIFY(window.viewer());
    QCOMPARE(window.viewer()->undoStack()->count(), 0);
    QCOMPARE(window.viewer()->getActiveTool(), nullptr);
    QCOMPARE(window.layout()->count(), 1);
    QCOMPARE(window.layout()->itemAt(0)->widget(), window.viewer());
    QCOMPARE(window.findChildren<GraphViewer *>().size(), 1);
}

void TestGraphWindow::nullModuleChangesNothing()
{
    MainWindow window(nullptr, m, QStringLiteral("kept"));
    GraphViewer *viewer = window.viewer();
    window.setGraph(static_cast<Module *>(nullptr), QStringLiteral("other"));
    QCOMPARE(window.viewer(), viewer);
    QCOMPARE(window.windowTitle(), QStringLiteral("kept"));

    MainWindow empty(nullptr, nullptr, QStringLiteral("none"));
    QVERIFY(!empty.viewer());
    QCOMPARE(empty.windowTitle(), QString());
}

// Writes the viewer's scene as SVG and reads the file back (empty when
// nothing could be read).
static QByteArray exportedSvg(GraphViewer &viewer, const QString &file)
{
    viewer.toSvg(file);
    QFile svg(file);
    return svg.open(QIODevice::ReadOnly) ? svg.readAll() : QByteArray();
}

void TestGraphWindow::svgFileParsesWithTitleAndSize()
{
    QTemporaryDir dir;
    GraphViewer viewer(m, nullptr);
    const QString file = dir.filePath(QStringLiteral("graph.svg"));
    const QByteArray text = exportedSvg(viewer, file);
    QVERIFY(!text.isEmpty());
    QSvgRenderer renderer(file);
    QVERIFY(renderer.isValid());
    const QRectF sceneRect = viewer.scene()->sceneRect();
    // The generator writes numbers with six significant digits.
    auto written = [](double v) { return QString::number(v, 'g', 6).toDouble(); };
    QCOMPARE(renderer.viewBoxF(), QRectF(written(sceneRect.x()), written(sceneRect.y()), written(sceneRect.width()),
                                         written(sceneRect.height())));
    // The generator's size is the scene's, in whole pixels, written in
    // millimetres at its 72 dots per inch.
    const QRegularExpression sizeText(QStringLiteral("width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\""));
    const QRegularExpressionMatch size = sizeText.match(QString::fromUtf8(text));
    QVERIFY(size.hasMatch());
    const QSize pixels = sceneRect.size().toSize();
    QVERIFY(qAbs(size.captured(1).toDouble() - pixels.width() * 25.4 / 72) < 0.1);
    QVERIFY(qAbs(size.captured(2).toDouble() - pixels.height() * 25.4 / 72) < 0.1);
    QVERIFY(text.contains("<title>Korvan GraphEngine Generated Graph</title>"));
    QVERIFY(text.contains("<desc>Graph Generated using Korvan GraphEngine</desc>"));
    // The gates' labels are in it: the scene was drawn.
    QVERIFY(text.contains(">u1<") || text.contains("<path"));
    QVERIFY(text.size() > 2000);
}

void TestGraphWindow::emptySceneSvg()
{
    QTemporaryDir dir;
    UndoFramework::GraphUndoState state = smallState();
    state.moduleName.clear();
    GraphViewer viewer(state, nullptr);
    const QString file = dir.filePath(QStringLiteral("empty.svg"));
    const QByteArray text = exportedSvg(viewer, file);
    QVERIFY(!text.isEmpty());
    QVERIFY(text.contains("width=\"0mm\" height=\"0mm\""));
    QVERIFY(text.contains("<title>Korvan GraphEngine Generated Graph</title>"));
    QVERIFY(text.contains("<desc>Graph Generated using Korvan GraphEngine</desc>"));

    // An unwritable place writes nothing and returns.
    viewer.toSvg(dir.filePath(QStringLiteral("missing/folder/x.svg")));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing/folder/x.svg"))));
}

// The file shows the scene from corner to corner: marks on its top-left
// and bottom-right corners come out on the picture's.
void TestGraphWindow::svgShowsTheWholeScene()
{
    QTemporaryDir dir;
    GraphViewer viewer(m, nullptr);
    const QRectF layout = viewer.scene()->itemsBoundingRect();
    const QRectF topLeft(layout.topLeft() - QPointF(40, 30), QSizeF(10, 10));
    const QRectF bottomRight(layout.bottomRight() + QPointF(20, 20), QSizeF(10, 10));
    for (const QRectF &mark : {topLeft, bottomRight})
        viewer.scene()->addRect(mark, Qt::NoPen, Qt::black);
    const QRectF sceneRect = viewer.scene()->sceneRect();
    QCOMPARE(sceneRect, layout | topLeft | bottomRight);

    const QString file = dir.filePath(QStringLiteral("whole.svg"));
    QVERIFY(!exportedSvg(viewer, file).isEmpty());
    QImage picture(sceneRect.size().toSize(), QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QSvgRenderer(file).render(&painter);
    painter.end();
    QCOMPARE(picture.pixelColor(5, 5), QColor(Qt::black));
    QCOMPARE(picture.pixelColor(picture.width() - 5, picture.height() - 5), QColor(Qt::black));
    // Nothing else of the scene lies beside the marks.
    QCOMPARE(picture.pixelColor(15, 15), QColor(Qt::white));
}

namespace {

// A text element of an SVG file: what it shows, at which font size.
struct SvgText
{
    QString shown;
    double size = 0.0;
};

QList<SvgText> svgTexts(const QByteArray &svg)
{
    const QRegularExpression element(QStringLiteral("<text [^>]*font-size=\"([0-9.]+)\"[^>]*>([^<&]+)</text>"));
    QList<SvgText> texts;
    for (QRegularExpressionMatchIterator it = element.globalMatch(QString::fromUtf8(svg)); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        texts.append({match.captured(2), match.captured(1).toDouble()});
    }
    return texts;
}

// The pixel size the layout measures labels at.
int screenPixels()
{
    return QFontInfo(labelFont().font).pixelSize();
}

// The width of the text in the font a reader of the file uses.
double exportedWidth(const SvgText &text)
{
    QFont exported(labelFont().family);
    exported.setPixelSize(qRound(text.size));
    return QFontMetricsF(exported).horizontalAdvance(text.shown);
}

} // namespace

// The gate and port labels of an SVG file are as large as the boxes the
// layout measured for them on screen, though the generator works at 72 dpi.
void TestGraphWindow::svgLabelsAsMeasured()
{
    QTemporaryDir dir;
    GraphViewer viewer(m, nullptr);
    const QByteArray bytes = exportedSvg(viewer, dir.filePath(QStringLiteral("labels.svg")));
    QVERIFY(!bytes.isEmpty());
    QStringList seen;
    for (const SvgText &text : svgTexts(bytes)) {
        seen << text.shown;
        QVERIFY2(qAbs(text.size - screenPixels()) < 0.5,
                 qPrintable(QStringLiteral("%1 at %2 px, measured at %3").arg(text.shown).arg(text.size).arg(screenPixels())));
        // As wide as its measured box.
        const double width = exportedWidth(text);
        QVERIFY2(qAbs(width - LabelCache::instance().textWidth(text.shown)) <= 1.0,
                 qPrintable(QStringLiteral("%1: %2 wide, measured %3")
                                .arg(text.shown)
                                .arg(width)
                                .arg(LabelCache::instance().textWidth(text.shown))));
    }
    // The gates' names and their ports' are all there.
    QVERIFY2(seen.contains(QStringLiteral("u1")), qPrintable(seen.join(QLatin1Char(' '))));
    QVERIFY(seen.size() >= 9);
}

// A comment pin's text in an SVG file fills the box measured for it on
// screen; writing the file leaves the pin as the screen shows it.
void TestGraphWindow::svgCommentAsMeasured()
{
    QTemporaryDir dir;
    GraphViewer viewer(m, nullptr);
    const QStringList lines{QStringLiteral("reset held low"), QStringLiteral("until u2 clocks")};
    auto *item = new GuiPinElement(lines.join(QLatin1Char('\n')), gateNamed(m, QStringLiteral("u1")));
    viewer.scene()->addItem(item);
    const QRectF box = item->pin->textRect();
    const QImage onScreen = item->pin->renderPixmap().toImage();

    const QByteArray bytes = exportedSvg(viewer, dir.filePath(QStringLiteral("comment.svg")));
    QVERIFY(!bytes.isEmpty());
    double widest = 0.0;
    QStringList found;
    for (const SvgText &text : svgTexts(bytes)) {
        if (!lines.contains(text.shown))
            continue;
        found << text.shown;
        QVERIFY2(qAbs(text.size - screenPixels()) < 0.5,
                 qPrintable(QStringLiteral("%1 at %2 px, measured at %3").arg(text.shown).arg(text.size).arg(screenPixels())));
        widest = qMax(widest, exportedWidth(text));
    }
    QCOMPARE(found, lines);
    // The box holds the text with two pixels of margin on each side.
    QVERIFY2(qAbs(widest + 4 - box.width()) <= 1.0,
             qPrintable(QStringLiteral("%1 wide in a box of %2").arg(widest).arg(box.width())));

    QCOMPARE(item->pin->textRect(), box);
    QCOMPARE(item->pin->renderPixmap().toImage(), onScreen);
}

void TestGraphWindow::svgNameCompletion_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no suffix") << "/tmp/x/graph" << "/tmp/x/graph.svg";
    QTest::newRow("other suffix") << "/tmp/x/net.v" << "/tmp/x/net.svg";
    QTest::newRow("png") << "/tmp/x/graph.png" << "/tmp/x/graph.svg";
    QTest::newRow("upper case") << "/tmp/x/graph.SVG" << "/tmp/x/graph.svg";
    QTest::newRow("already svg") << "/tmp/x/graph.svg" << "/tmp/x/graph.svg";
    QTest::newRow("two dots") << "/tmp/x/graph.old.png" << "/tmp/x/graph.old.svg";
    QTest::newRow("dot in folder only") << "/tmp/my.dir/graph" << "/tmp/my.dir/graph.svg";
    QTest::newRow("dot in folder and file") << "/tmp/my.dir/graph.v" << "/tmp/my.dir/graph.svg";
    QTest::newRow("hidden file") << "/tmp/x/.graph" << "/tmp/x/.graph.svg";
    QTest::newRow("relative") << "graph.dot" << "graph.svg";
    QTest::newRow("cancelled") << "" << "";
}

void TestGraphWindow::svgNameCompletion()
{
    QFETCH(QString, chosen);
    QTEST(svgFileName(chosen), "written");
}

void TestGraphWindow::svgDumpAsksForTheName()
{
    QTemporaryDir dir;
    QDir folder(dir.path());
    QVERIFY(folder.mkdir(QStringLiteral("with.dot")));
    GraphViewer viewer(m, nullptr);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        Host::ScriptedDialogs dialogs;
        dialogs.fileAnswers << dir.filePath(QStringLiteral("with.dot/graph")) << QString()
                            << dir.filePath(QStringLiteral("chart.png"));
        viewer.svgDump();
        QCOMPARE(dialogs.fileRequests.size(), 1);
        const Host::FileRequest request = dialogs.fileRequests.at(0);
        QCOMPARE(int(request.kind), int(Host::FileDialogKind::Save));
        QCOMPARE(request.caption, QStringLiteral("Select Svg Dump File"));
        QCOMPARE(request.directory, QStringLiteral("~/"));
        QCOMPARE(request.filter, QStringLiteral("Svg File (*.svg)"));
        QVERIFY(QSvgRenderer(dir.filePath(QStringLiteral("with.dot/graph.svg"))).isValid());

        // Cancelled: nothing is written anywhere.
        const QStringList before = folder.entryList(QDir::Files);
        viewer.svgDump();
        QCOMPARE(folder.entryList(QDir::Files), before);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral(".svg"))));

        viewer.svgDump();
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("chart.svg"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("chart.png"))));
    }
    QDir::setCurrent(previous);
}

namespace {

// Pixels that differ from the view's background.
int drawnPixels(const QImage &image, QColor background)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, y)) != background)
                ++count;
        }
    }
    return count;
}

// Gates with two of their port labels on one another.
int gatesWithCrowdedLabels(Module *module)
{
    int crowded = 0;
    for (Gate *gate : module->gates->elements()) {
        const QList<GatePort *> ports = gate->ports.list();
        bool apart = true;
        for (int i = 0; i < ports.size() && apart; ++i) {
            const QRectF label(ports.at(i)->labelPos(), ports.at(i)->labelSize());
            for (int j = i + 1; j < ports.size() && apart; ++j)
                apart = !label.intersects(QRectF(ports.at(j)->labelPos(), ports.at(j)->labelSize()));
        }
        crowded += !apart;
    }
    return crowded;
}

NetlistGenerator::Shape pictureShape()
{
    NetlistGenerator::Shape shape;
    shape.gates = 200;
    shape.levels = 8;
    shape.stage = 4;
    shape.builtGates = true;
    return shape;
}

} // namespace

// The pictures show gates as the netlist builder makes them, each port label
// in a place of its own. The benchmark's light gates keep every pin at the
// gate's origin, where two inputs' labels fall on one spot.
void TestGraphWindow::portLabelsApart()
{
    for (const bool built : {false, true}) {
        Module *module = Module::findOrCreateModule(m_modules, built ? QStringLiteral("built")
                                                                     : QStringLiteral("light"), nullptr);
        NetlistGenerator::Shape shape = pictureShape();
        shape.builtGates = built;
        NetlistGenerator::generate(module, shape, 3);
        module->computeLayout(10.0, true, false);
        if (built)
            QCOMPARE(gatesWithCrowdedLabels(module), 0);
        else
            QVERIFY(gatesWithCrowdedLabels(module) > 0);
    }
}

void TestGraphWindow::screenshotsOfA200GateModule()
{
    Module *generated = Module::findOrCreateModule(m_modules, QStringLiteral("pipeline"), nullptr);
    const NetlistGenerator::Shape shape = pictureShape();
    NetlistGenerator::generate(generated, shape, 3);
    generated->computeLayout(10.0, true, false);
    QCOMPARE(gatesWithCrowdedLabels(generated), 0);
    generated->secondName = QStringLiteral("generated.v");
    MainWindow window(nullptr, generated, QString());
    window.resize(1400, 900);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    GraphViewer *viewer = window.viewer();
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("Netlist Sample:pipeline (generated.v) ")));

    QDir shots(QStringLiteral(KORVAN_SHOT_DIR));
    QVERIFY(shots.mkpath(QStringLiteral(".")));
    const QColor background = viewer->view()->viewport()->palette().color(QPalette::Base);

    // Fit zoom: the whole module in the view, on the slider's grid.
    viewer->view()->fitInView(viewer->scene()->sceneRect(), Qt::KeepAspectRatio);
    viewer->zoomTo(viewer->view()->transform().m11());
    QVERIFY(viewer->zoomSlider()->value() < 100);
    QCoreApplication::processEvents();
    const QImage fit = window.grab().toImage();
    QVERIFY(fit.save(shots.filePath(QStringLiteral("viewer-200-gates-fit.png"))));
    const QImage fitView = viewer->view()->viewport()->grab().toImage();
    const QRectF shown = viewer->view()->mapToScene(viewer->view()->viewport()->rect()).boundingRect();
    QVERIFY(shown.adjusted(-1, -1, 1, 1).contains(viewer->scene()->itemsBoundingRect()));
    QVERIFY2(drawnPixels(fitView, background) > fitView.width() * fitView.height() / 50,
             "the fitted module draws a fair part of the view");

    // 100 %: centred on a gate in the middle of the module.
    const QPointF middle = viewer->scene()->itemsBoundingRect().center();
    QPointF nearest = middle;
    double best = std::numeric_limits<double>::max();
    for (const Gate *gate : generated->gates->elements()) {
        const QPointF centre = gate->rect.translated(gate->x, gate->y).center();
        const double distance = QLineF(centre, middle).length();
        if (gate->kind != BaseEnum::COLPASSTHROUGH && distance < best) {
            best = distance;
            nearest = centre;
        }
    }
    viewer->zoomSlider()->setValue(100);
    viewer->view()->centerOn(nearest);
    QCoreApplication::processEvents();
    const QImage full = window.grab().toImage();
    QVERIFY(full.save(shots.filePath(QStringLiteral("viewer-200-gates-100.png"))));
    const QImage fullView = viewer->view()->viewport()->grab().toImage();
    QVERIFY(drawnPixels(fullView, background) > 0);
    QCOMPARE(full.size(), fit.size());
}

QTEST_MAIN(TestGraphWindow)
#include "tst_graphwindow.moc"
