// Expanding a net with many loads, as a user does it in a graph window
// built from program values: the stand-in IDE, the plug-in and real GDB on
// the netlist fixture program (tests/fixtures/netlistdesign.cpp) started
// with that many inverters on its fan-out net "fan". The window shows the
// driver and the first inverter; each round double-clicks "fan" and waits
// for the grown graph, then undoes the step.
//
//   bench_graphexpand [loads] [rounds]        (defaults: 1000 loads, 3 rounds)
//
// Per round: the rounds of fetching, the whole time from the double click to
// the drawn graph, split into the time GDB took (from sending each fetch to
// its answer line: the dumper at work), the host's share (reading the
// answers into its watch model) and the plug-in's (examining the answers,
// building the records, rebuilding, laying out and drawing the graph), and
// the last round's share of the plug-in's time (records, rebuild, layout,
// first paint).

#include "hostapp/netlistsession.h"
#include "hostwindow.h"
#include "netlist/windows/korvandebuggergraphexpand.h"
#include "netlist/windows/korvandebuggergrapheditor.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/module.h"
#include "graphengine/viewer/graphviewer.h"

#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QSignalSpy>
#include <QUndoStack>

#include <algorithm>
#include <cctype>
#include <cstdio>

using namespace KorvanDebugger::Internal;

namespace {

double ms(qint64 ns)
{
    return ns / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KORVAN_SOURCE_DIR", KORVAN_SOURCE_ROOT);
    QApplication app(argc, argv);
    const int loads = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    // The trace of the graph side goes to stderr only when asked for.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtWarningMsg && type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });

    NetlistSession session;
    QString error;
    if (!session.start(&error, {QString::number(loads)})) {
        std::fprintf(stderr, "bench_graphexpand: %s\n", qPrintable(error));
        return 1;
    }
    UndoFramework::GraphUndoState state;
    if (!session.graphState(QStringLiteral("fanout"),
                            {"fanoutDriver", "(Verific::Instance *)fanoutNetlist->_instances._items[1]"}, state)) {
        std::fprintf(stderr, "bench_graphexpand: the fan-out driver could not be read\n");
        return 1;
    }
    auto *editor = new KorvanDebuggerGraphEditor(QStringLiteral("Expand"));
    editor->setGraph(state, QStringLiteral("Expand: %n"));
    GraphEngine::GraphViewer *viewer = editor->viewer();
    auto *tool = new KorvanDebuggerGraphExpand(viewer);
    viewer->addTool(tool);
    editor->showGraph();
    editor->resize(1200, 800);

    QElapsedTimer clock;
    clock.start();
    std::printf("loads %d\n", loads);
    std::printf("round  fetches  total_ms  gdb_ms  host_ms  plugin_ms  last_round_ms  instances\n");
    // GDB's time: from each command line sent to the answer line of its token.
    QMap<QByteArray, qint64> sent;
    qint64 gdb = 0;
    QObject::connect(session.engine(), &Debugger::Internal::DebuggerEngine::logMessage, [&](const QString &line) {
        const QByteArray text = line.toLatin1();
        int digits = 1;
        while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text.at(digits))))
            ++digits;
        const QByteArray token = text.mid(1, digits - 1);
        if (token.isEmpty())
            return;
        if (text.startsWith('>'))
            sent.insert(token, clock.nsecsElapsed());
        else if (text.startsWith('<') && digits < text.size() && text.at(digits) == '^' && sent.contains(token))
            gdb += clock.nsecsElapsed() - sent.take(token);
    });
    int status = 0;
    for (int round = 0; round < rounds; ++round) {
        // Each round fetches anew: the items of earlier rounds leave the model.
        session.engine()->watchHandler()->removeChildren(QStringLiteral("inspect"));
        GraphEngine::Edge *fan = viewer->module()->edges->find(GraphEngine::Name(QStringLiteral("fan")));
        if (!fan) {
            std::fprintf(stderr, "bench_graphexpand: no net \"fan\" in round %d\n", round);
            return 1;
        }
        qint64 plugin = 0;
        gdb = 0;
        qint64 batchStart = 0;
        qint64 lastBatch = 0;
        int fetches = 0;
        // Around the tool's own handling of each answer: one connection
        // before it, one after it.
        const QMetaObject::Connection before = QObject::connect(&tool->inspector(), &Inspector::dataReceived,
                                                                [&] { batchStart = clock.nsecsElapsed(); });
        QSignalSpy completed(tool, &GraphEngine::ToolExpandBase::completeExpand);
        const qint64 start = clock.nsecsElapsed();
        tool->apply(GraphEngine::ToolBase::DoubleClicked, GraphEngine::GraphItem(fan));
        plugin += clock.nsecsElapsed() - start;
        const QMetaObject::Connection after = QObject::connect(&tool->inspector(), &Inspector::dataReceived, [&] {
            lastBatch = clock.nsecsElapsed() - batchStart;
            plugin += lastBatch;
            ++fetches;
        });
        if (completed.isEmpty() && !completed.wait(600000)) {
            std::fprintf(stderr, "bench_graphexpand: no end of the expansion in round %d\n", round);
            return 1;
        }
        // The first paint of the grown graph.
        const qint64 paintStart = clock.nsecsElapsed();
        editor->grab();
        const qint64 paint = clock.nsecsElapsed() - paintStart;
        plugin += paint;
        const qint64 total = clock.nsecsElapsed() - start;
        QObject::disconnect(before);
        QObject::disconnect(after);
        const int instances = int(viewer->stateMap()
                                      .value(QStringLiteral("GraphViewer::GraphState"))
                                      .value<UndoFramework::GraphUndoState>()
                                      .instances.size());
        std::printf("%5d  %7d  %8.1f  %6.1f  %7.1f  %9.1f  %13.1f  %9d\n", round, fetches, ms(total), ms(gdb),
                    ms(total - gdb - plugin), ms(plugin), ms(lastBatch + paint), instances);
        std::fflush(stdout);
        if (instances != loads + 1)
            status = 1;
        viewer->undoStack()->undo();
    }
    delete editor;
    session.shutdown();
    return status;
}
