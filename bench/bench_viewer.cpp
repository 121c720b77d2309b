// What a user waits for when a laid-out netlist opens in the graph viewer:
// the viewer built for the module (one scene item per gate and net) and its
// first full paint at fit zoom, then a repaint at that zoom (where the items
// draw at their lowest level of detail). The netlist is NetlistGenerator's
// pipelined shape (tests/graphengine/netlistgenerator.h), laid out once
// before the clock starts.
// Run by hand (QT_QPA_PLATFORM=offscreen):
//   build/bench/bench_viewer            (10,000 gates)
//   build/bench/bench_viewer <gates>
//   build/bench/bench_viewer teardown [gates]  (emptying the scene at gates,
//                                               twice and four times as many)
// Targets at 10,000 gates: populate + first paint under 300 ms, a fit-zoom
// repaint under 50 ms (median of the repaints). Exits non-zero when either
// is missed. Then repaints at 25 % and 100 %, where labels are drawn.

#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "graphengine/scene/clearscene.h"
#include "graphengine/scene/guiedgeelement.h"
#include "graphengine/scene/guigateelement.h"
#include "graphengine/viewer/graphviewer.h"
#include "netlistgenerator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QPainterPath>
#include <QSlider>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace GraphEngine;

namespace {

// Zooms the viewer so the whole scene shows, on the slider's grid.
void fitZoom(GraphViewer &viewer)
{
    viewer.view()->fitInView(viewer.scene()->sceneRect(), Qt::KeepAspectRatio);
    viewer.zoomTo(viewer.view()->transform().m11());
}

double milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// The times of 21 repaints of the view, shortest first.
QVector<double> timedRepaints(GraphViewer &viewer)
{
    QVector<double> times;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer repaint;
        repaint.start();
        viewer.view()->viewport()->repaint();
        times.append(milliseconds(repaint));
    }
    std::sort(times.begin(), times.end());
    return times;
}

// A laid-out generated netlist of about `gates` gates.
Module *laidOutModule(ModuleMap &registry, int gates)
{
    Module *module = Module::findOrCreateModule(registry, QStringLiteral("bench"), nullptr);
    NetlistGenerator::Shape shape;
    shape.gates = gates;
    NetlistGenerator::generate(module, shape, 1);
    module->computeLayout(10.0, true, false);
    return module;
}

// Every way a drawn netlist's items go, timed at `gates`, twice and four
// times as many gates (time per item must stay flat): a bare scene emptied
// right after it was filled (what bench_layout does between its runs); a
// viewer emptied in the event-loop turn that filled it (two loads in one
// turn: an undo of several steps, a window given a new graph at once); a
// shown viewer painted at fit zoom with every item selected, emptied as
// loading another netlist or undoing an expansion does; and such a viewer
// closed.
int runTeardown(int gates)
{
    QTextStream out(stdout);
    out << "teardown in ms (ns per item): bare scene | viewer, same turn | viewer, shown and selected | viewer "
           "closed\n";
    for (const int factor : {1, 2, 4}) {
        ModuleMap registry;
        Module *module = laidOutModule(registry, gates * factor);
        int items = 0;
        QElapsedTimer timer;
        auto timed = [&](const std::function<void()> &teardown) {
            timer.start();
            teardown();
            const double ms = milliseconds(timer);
            return QStringLiteral("%1 (%2)").arg(ms, 9, 'f', 2).arg(ms * 1e6 / std::max(items, 1), 5, 'f', 0);
        };

        QGraphicsScene scene;
        for (Gate *gate : module->gates->elements())
            scene.addItem(new GuiGateElement(gate));
        for (Edge *net : module->edges->elements())
            scene.addItem(new GuiEdgeElement(net));
        items = scene.items().size();
        const QString bare = timed([&] { clearScene(&scene); });

        auto *viewer = new GraphViewer(module, nullptr);
        const QString sameTurn = timed([&] { viewer->scene()->populate(nullptr); });
        delete viewer;

        auto shownViewer = [&] {
            auto *shown = new GraphViewer(module, nullptr);
            shown->resize(1600, 1000);
            shown->show();
            QCoreApplication::processEvents();
            fitZoom(*shown);
            shown->view()->viewport()->repaint();
            QPainterPath everything;
            everything.addRect(shown->scene()->sceneRect());
            shown->scene()->setSelectionArea(everything);
            QCoreApplication::processEvents();
            return shown;
        };
        viewer = shownViewer();
        const QString reload = timed([&] { viewer->scene()->populate(nullptr); });
        delete viewer;
        viewer = shownViewer();
        const QString close = timed([&] { delete viewer; });

        out << QStringLiteral("  %1x %2 items: %3 | %4 | %5 | %6\n")
                   .arg(factor)
                   .arg(items, 7)
                   .arg(bare, sameTurn, reload, close);
        out.flush();
        deleteModules(registry);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc > 1 && qstrcmp(argv[1], "teardown") == 0)
        return runTeardown(argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 10000);
    const int gates = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 10000;

    ModuleMap registry;
    Module *module = Module::findOrCreateModule(registry, QStringLiteral("bench"), nullptr);
    NetlistGenerator::Shape shape;
    shape.gates = gates;
    NetlistGenerator::generate(module, shape, 1);
    QElapsedTimer layoutTimer;
    layoutTimer.start();
    module->computeLayout(10.0, true, false);
    out << "netlist: " << module->gates->count() << " gates, " << module->edges->count() << " nets, laid out in "
        << milliseconds(layoutTimer) << " ms (not counted)\n";

    QElapsedTimer timer;
    timer.start();
    GraphViewer viewer(module, nullptr);
    const double populated = milliseconds(timer);
    viewer.resize(1600, 1000);
    viewer.show();
    QCoreApplication::processEvents();
    fitZoom(viewer);
    const double shown = milliseconds(timer);
    viewer.view()->viewport()->repaint();
    const double firstPaint = milliseconds(timer);
    out << "items: " << viewer.scene()->items().size() << ", fit zoom slider " << viewer.zoomSlider()->value()
        << "\n";
    out << "populate (viewer built): " << populated << " ms\n";
    out << "shown and fitted: " << shown - populated << " ms\n";
    out << "first full paint: " << firstPaint - shown << " ms\n";
    out << "populate + first paint: " << firstPaint << " ms (target 300 ms)\n";

    const QVector<double> repaints = timedRepaints(viewer);
    const double median = repaints.at(repaints.size() / 2);
    out << "fit-zoom repaint: median " << median << " ms, min " << repaints.first() << " ms, max "
        << repaints.last() << " ms (target 50 ms)\n";

    viewer.zoomSlider()->setValue(100);
    QElapsedTimer full;
    full.start();
    viewer.view()->viewport()->repaint();
    out << "repaint at 100%: " << milliseconds(full) << " ms\n";
    // From a quarter up, the gate and port labels in the view are drawn too:
    // at 25 % many of them, at 100 % a few large ones.
    for (const int zoom : {25, 100}) {
        viewer.zoomSlider()->setValue(zoom);
        const QVector<double> labelled = timedRepaints(viewer);
        out << "repaint at " << zoom << "% (labels drawn): median " << labelled.at(labelled.size() / 2)
            << " ms, min " << labelled.first() << " ms\n";
    }
    out.flush();

    const bool met = firstPaint < 300.0 && median < 50.0;
    deleteModules(registry);
    return met ? 0 : 1;
}
