// From the edit of a watched module value to the drawn graph window, through
// the stand-in IDE, the plug-in and real GDB on the netlist fixture program
// (tests/fixtures/netlistdesign.cpp, its "top" netlist the largest), split
// into fetching (the walk through GDB), building the module, laying it out
// and drawing it (viewer and first paint).
//
//   bench_grapheditor [rounds]
//
// Each round starts as after a step of the program: nothing built yet.

#include "hostwindow.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "plugin/korvandebuggerplugin.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/module.h"
#include "graphengine/viewer/graphviewer.h"

#include <coreplugin/icore.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>
#include <utils/savedaction.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QStyleOptionViewItem>
#include <QTreeView>

#include <algorithm>
#include <cstdio>

using namespace KorvanDebugger::Internal;

namespace {

QElapsedTimer clock_;
qint64 renderingAt = -1;
qint64 completedAt = -1;
QtMessageHandler previousHandler = nullptr;

// The window's trace marks the end of the walk and of the layout.
void markPhases(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text == QLatin1String("Showing from Module: Rendering"))
        renderingAt = clock_.nsecsElapsed();
    else if (text == QLatin1String("Graph rendering completed"))
        completedAt = clock_.nsecsElapsed();
    else if (type != QtWarningMsg && previousHandler)
        previousHandler(type, context, text);
}

double ms(qint64 ns)
{
    return ns / 1e6;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir home;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    Core::ICore::setSettingsFile(home.filePath(QStringLiteral("Host.ini")));

    Host::HostWindow window;
    KorvanDebuggerPlugin plugin;
    QString error;
    plugin.initialize({}, &error);
    plugin.extensionsInitialized();
    plugin.delayedInitialize();
    window.delayedInitialize();
    waitFor([] { return Debugger::Internal::action(Debugger::Internal::GdbStartupCommands)
                     ->value().toString().contains(QLatin1String("#PRIVATESTART")); }, 10000);

    Debugger::Internal::DebuggerRunParameters run;
    run.executable = QStringLiteral(KORVAN_BENCH_DESIGN);
    run.arguments << QStringLiteral(KORVAN_SOURCE_ROOT "/tests/fixtures/netlistdesign.v");
    run.breakpoints << QStringLiteral("designReady");
    window.startDebugging(run);
    Debugger::Internal::GdbEngine *engine = window.engine();
    if (!waitFor([engine] { return engine->state() == Debugger::Internal::InferiorStopOk
                                && engine->watchModel()->indexForIName(QStringLiteral("local.top")).isValid(); },
                 120000)) {
        std::fprintf(stderr, "bench_grapheditor: GDB did not stop in designReady\n");
        return 1;
    }
    previousHandler = qInstallMessageHandler(markPhases);
    clock_.start();

    std::printf("round  fetch_ms  build_ms  layout_ms  draw_ms  total_ms  gates  nets\n");
    for (int round = 0; round < rounds; ++round) {
        KorvanDebuggerGraphEditor::clearAllDB(); // as after a step
        // Fetched anew: what the watch view holds of the design is dropped.
        engine->watchHandler()->removeChildren(QStringLiteral("local.top"));
        const QModelIndex top = engine->watchModel()->indexForIName(QStringLiteral("local.top"));
        renderingAt = completedAt = -1;
        const qint64 start = clock_.nsecsElapsed();
        // What editing the value cell does.
        QTreeView *view = window.watchView();
        view->itemDelegate()->createEditor(view->viewport(), QStyleOptionViewItem(), top.sibling(top.row(), 1));
        KorvanDebuggerGraphEditor *editor = nullptr;
        waitFor([&] {
            for (KorvanDebuggerGraphEditor *candidate : view->findChildren<KorvanDebuggerGraphEditor *>()) {
                if (candidate->isVisible())
                    editor = candidate;
            }
            return editor != nullptr;
        }, 60000);
        if (!editor || renderingAt < 0 || completedAt < 0) {
            std::fprintf(stderr, "bench_grapheditor: no graph window in round %d\n", round);
            return 1;
        }
        // The first paint of the shown window.
        editor->grab();
        const qint64 end = clock_.nsecsElapsed();

        // Building and layout alone, on the records the walk produced.
        UndoFramework::GraphUndoState state = editor->graphState();
        state.graphDataBase = UndoFramework::GraphDataBase();
        QElapsedTimer phase;
        phase.start();
        QString buildError;
        GraphEngine::Module *module = state.buildModule(buildError);
        const qint64 build = phase.nsecsElapsed();
        phase.restart();
        module->computeLayout(10.0, true, true);
        const qint64 layout = phase.nsecsElapsed();

        const qint64 fetch = renderingAt - start;
        const qint64 draw = end - completedAt;
        std::printf("%5d  %8.1f  %8.2f  %9.2f  %7.1f  %8.1f  %5d  %4d\n", round, ms(fetch), ms(build), ms(layout),
                    ms(draw), ms(end - start), editor->module()->gateCount(), editor->module()->edges->count());
        std::fflush(stdout);
        delete editor;
    }
    qInstallMessageHandler(previousHandler);
    window.shutdown();
    return 0;
}
