// korvan-host's batch output beside the window's watch view on the same stop
// of the demo: every line as the view paints its cells. And what a session
// that draws the demo's schematic leaves in the log file, with the trace
// switch and the printers' debug mode off and on.

#include "pluginsession.h"

#include "hostlog.h"
#include "hostwindow.h"
#include "graphengine/globals.h"
#include "graphengine/testpaintdevice.h"
#include "netlist/graphdatabase.h"
#include "netlist/windows/korvandebuggergrapheditor.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>

#include <QLoggingCategory>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

using KorvanDebugger::Internal::KorvanDebuggerGraphEditor;
using namespace Debugger::Internal;

namespace {

const int depth = 2;

// Keeps the texts painted with it, in painting order.
class TextRecorder : public QPaintEngine
{
public:
    TextRecorder()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath &) override {}
    void drawTextItem(const QPointF &, const QTextItem &item) override { text += item.text(); }
    Type type() const override { return QPaintEngine::User; }

    QString text;
};

// The text the view's delegate paints in the cell, wide enough for it whole.
QString paintedText(QTreeView *view, const QModelIndex &index)
{
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.widget = view;
    option.rect = QRect(0, 0, 6000, 60);
    option.state = QStyle::State_Enabled | QStyle::State_Active;
    option.font = view->font();
    option.fontMetrics = view->fontMetrics();
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.decorationSize = QSize(16, 16);
    option.textElideMode = Qt::ElideNone;
    TestPaintDevice<TextRecorder> device;
    {
        QPainter painter(&device);
        view->itemDelegate(index)->paint(&painter, option, index);
    }
    return device.engine.text;
}

// The rows below `parent` as the view paints them, in korvan-host's batch
// line format.
void paintedRows(QTreeView *view, const QModelIndex &parent, int level, QStringList *lines)
{
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex name = model->index(row, 0, parent);
        const QString type = paintedText(view, model->index(row, 2, parent));
        lines->append(QString(2 * level, QLatin1Char(' ')) + paintedText(view, name) + QStringLiteral(" = ")
                      + paintedText(view, model->index(row, 1, parent))
                      + (type.isEmpty() ? QString() : QStringLiteral("  [") + type + QLatin1Char(']')));
        paintedRows(view, name, level + 1, lines);
    }
}

QModelIndex findIName(const QAbstractItemModel *model, const QModelIndex &parent, const QString &iname)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const QString name = index.data(LocalsINameRole).toString();
        if (name == iname)
            return index;
        if (iname.startsWith(name + QLatin1Char('.'))) {
            const QModelIndex found = findIName(model, index, iname);
            if (found.isValid())
                return found;
        }
    }
    return QModelIndex();
}

// Opens the items above `depth` levels, as the user opens what batch mode
// prints; their rows are there already.
void expandToDepth(QTreeView *view, const QModelIndex &parent, int level)
{
    if (level >= depth)
        return;
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex item = model->index(row, 0, parent);
        if (model->rowCount(item) > 0) {
            view->expand(item);
            expandToDepth(view, item, level + 1);
        }
    }
}

QString demoBreakpoint()
{
    const QString source = PluginSession::sourceRoot() + QStringLiteral("/host/app/demo/demo.cpp");
    return QStringLiteral("demo.cpp:%1").arg(PluginSession::lineOf(source, QStringLiteral("// korvan-host stops here")));
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Lines that only the trace switch may write; the first ones come from any
// drawing of the schematic.
const char *const traceLines[] = {"Paint ff0 at (col ", "Graph rendering completed", " : y.input = ",
                                  "Clear local DB..."};
const int tracedByEveryDrawing = 2;
// The generated printers' source, which only debug mode writes.
const char *const printerSource[] = {"def qdump__", "GenericDumpWrapperHelper("};

} // namespace

class TestBatchView : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    // The demo in a window with the plug-in, stopped where korvan-host stops
    // it, its locals as the user opens them.
    // fetchedDepth: the levels of children fetched at the stop, as batch
    // mode fetches them (0: only what the user opens).
    bool startDemo(PluginSession &session, QString *error, int fetchedDepth = 0)
    {
        if (!session.startHost(error))
            return false;
        DebuggerRunParameters run;
        run.executable = QStringLiteral(KORVAN_DEMO_PROGRAM);
        run.breakpoints << demoBreakpoint();
        run.expandAllLocals = fetchedDepth > 0;
        run.maxDepth = qMax(1, fetchedDepth);
        GdbEngine *engine = session.window()->startDebugging(run);
        QSignalSpy filled(engine, &DebuggerEngine::stackFrameCompleted);
        if (!filled.wait(120000)) {
            *error = QStringLiteral("the demo did not stop");
            return false;
        }
        return true;
    }

    // Draws the demo's schematic in a graph window, as editing its value does.
    static bool drawSchematic(PluginSession &session)
    {
        QTreeView *view = session.watchView();
        const QModelIndex schematic = session.engine()->watchModel()->indexForIName(QStringLiteral("local.schematic"));
        if (!schematic.isValid())
            return false;
        view->itemDelegate()->createEditor(view->viewport(), QStyleOptionViewItem(), schematic.sibling(schematic.row(), 1));
        QPointer<KorvanDebuggerGraphEditor> editor;
        if (!QTest::qWaitFor([&] { return (editor = view->findChild<KorvanDebuggerGraphEditor *>()) && editor->module(); },
                             60000))
            return false;
        editor->resize(1000, 600);
        editor->show();
        // Painted at least once: the gates' and nets' own trace lines.
        QTest::qWait(100);
        editor->grab();
        Host::ScriptedDialogs dialogs;
        delete editor;
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        // The batch run below inherits this environment, so that GDB gives
        // both demos the same stack and the same addresses.
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toLocal8Bit());
    }

    void cleanup()
    {
        // Each session draws its schematic anew, not from the last one's data.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        UndoFramework::GraphDataBase::clearAllDB();
    }

    void batchPrintsWhatTheWindowShows()
    {
        QProcess batch;
        batch.start(QStringLiteral(KORVAN_HOST_PROGRAM), {QStringLiteral("--batch"), QStringLiteral("--depth"),
                                                          QString::number(depth)});
        QVERIFY(batch.waitForFinished(300000));
        QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());
        QStringList printed = QString::fromLocal8Bit(batch.readAllStandardOutput()).split(QLatin1Char('\n'));
        QCOMPARE(printed.takeLast(), QString());

        PluginSession session;
        QString error;
        QVERIFY2(startDemo(session, &error, depth), qPrintable(error));
        session.window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(session.window()));
        QTreeView *view = session.watchView();
        const QModelIndex locals = findIName(view->model(), QModelIndex(), QStringLiteral("local"));
        expandToDepth(view, locals, 0);
        QStringList shown;
        paintedRows(view, locals, 0, &shown);

        QVERIFY2(shown.size() > 40, qPrintable(shown.join(QLatin1Char('\n'))));
        for (int i = 0; i < qMin(printed.size(), shown.size()); ++i)
            QCOMPARE(printed.at(i), shown.at(i));
        QCOMPARE(printed.size(), shown.size());
        // The demo's netlist values are among them, without their hidden parts.
        QVERIFY(printed.contains(QStringLiteral("schematic = \"demo_counter\"  [GraphEngine::Module *]")));
        QVERIFY(std::any_of(printed.cbegin(), printed.cend(), [](const QString &line) {
            return line.contains(QStringLiteral("and1(\u21e5A(q1_r),\u21e5B(t1),\u21a6Out(carry))"));
        }));
        for (const QString &line : printed)
            QVERIFY2(!line.contains(QChar(0x226A)) && !line.contains(QChar(0x200A)), qPrintable(line));
        session.shutdown();
    }

    void aPlainSessionLogsNoTraceAndNoPrinterSource()
    {
        const QString logFile = m_home.filePath(QStringLiteral("plain.log"));
        QString error;
        QVERIFY2(Host::installDiagnostics(logFile, false, &error), qPrintable(error));
        {
            PluginSession session;
            QVERIFY2(startDemo(session, &error), qPrintable(error));
            QVERIFY(drawSchematic(session));
            session.window()->hostLog()->flush();
            const QString shownLog = session.window()->log()->toPlainText();
            session.shutdown();
            const QString written = readFile(logFile);
            // The file works: the start-up's short records are there.
            QVERIFY2(written.contains(QLatin1String("Python start line userCode.getOutput(true): ")), qPrintable(written));
            for (const QString &log : {written, shownLog}) {
                for (const char *line : traceLines)
                    QVERIFY2(!log.contains(QLatin1String(line)), line);
                for (const char *line : printerSource)
                    QVERIFY2(!log.contains(QLatin1String(line)), line);
            }
            QVERIFY2(written.count(QLatin1Char('\n')) < 100, qPrintable(written.left(4000)));
        }
        QVERIFY(!GraphEngine::traceEnabled);
    }

    void theTraceSwitchAndDebugModeWriteTheirLines()
    {
        const QString logFile = m_home.filePath(QStringLiteral("traced.log"));
        QString error;
        QVERIFY2(Host::installDiagnostics(logFile, false, &error), qPrintable(error));
        QLoggingCategory::setFilterRules(QStringLiteral("korvan.trace.debug=true"));
        {
            PluginSession session;
            TestEnvironment::setDebugMode(true);
            QVERIFY2(startDemo(session, &error), qPrintable(error));
            QVERIFY(drawSchematic(session));
            session.shutdown();
        }
        QLoggingCategory::setFilterRules(QString());
        GraphEngine::traceEnabled = false;
        const QString written = readFile(logFile);
        for (int i = 0; i < tracedByEveryDrawing; ++i)
            QVERIFY2(written.contains(QLatin1String(traceLines[i])), traceLines[i]);
        for (const char *line : printerSource)
            QVERIFY2(written.contains(QLatin1String(line)), line);
    }
};

QTEST_MAIN(TestBatchView)
#include "tst_batchview.moc"
