// A plug-in that drives korvan-host from the inside as a user would, for the
// tests of the real program, which cannot reach into its window otherwise.
// On the demo stopped it double-clicks the value of `schematic` in the watch
// view, runs the stack analysis (F7), keeps pictures of the "Module: ..." and
// "Stack Path" windows in $KORVAN_DRIVER_SHOTS, opens a window of its own
// that it leaves open, then chooses File > Exit.
// Each step, and every message box met on the way (answered with its default
// button after a moment), is written to the error output as a line starting
// with "korvan-driver: ".

#include "common/viewclicks.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/icore.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <dialogs/dialogs.h>
#include <extensionsystem/iplugin.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <functional>

namespace {

void report(const QString &text)
{
    std::fprintf(stderr, "korvan-driver: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Real modal boxes, as a user meets them, each written down and then
// answered. It stays installed after the plug-in is gone: the boxes of the
// end of the session come after the plug-ins' shutdown.
class RecordingDialogs : public Host::DialogPresenter
{
public:
    QMessageBox::StandardButton message(QWidget *parent, const Host::MessageRequest &request) override
    {
        report(QStringLiteral("box \"%1\": %2").arg(request.title, request.text));
        QTimer::singleShot(300, qApp, [] {
            if (auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->done(box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::Ok);
        });
        return DialogPresenter::message(parent, request);
    }
};

QWidget *visibleWindow(const std::function<bool(const QString &)> &titleFits)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && titleFits(widget->windowTitle()))
            return widget;
    return nullptr;
}

QString describe(const QWidget *window)
{
    return QStringLiteral("\"%1\" %2x%3").arg(window->windowTitle()).arg(window->width()).arg(window->height());
}

} // namespace

class ExitDriver : public ExtensionSystem::IPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QtCreatorPlugin" FILE "exitdriver.json")

public:
    bool initialize(const QStringList &, QString *) override { return true; }
    void extensionsInitialized() override {}

    bool delayedInitialize() override
    {
        static RecordingDialogs dialogs;
        Host::setDialogPresenter(&dialogs);
        connect(&m_timer, &QTimer::timeout, this, &ExitDriver::step);
        m_timer.start(100);
        return false;
    }

    ShutdownFlag aboutToShutdown() override
    {
        m_timer.stop();
        report(QStringLiteral("shutdown"));
        return SynchronousShutdown;
    }

private:
    void step()
    {
        // A step that waits long says what it sees, for the test's report.
        if (++m_ticks == 200) {
            QStringList windows;
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (widget->isVisible())
                    windows << describe(widget);
            Core::Command *analysis = Core::ActionManager::command("Korvan.Debugger.AnalyzeStack");
            report(QStringLiteral("still at step %1; windows: %2; stack analysis %3")
                       .arg(m_step)
                       .arg(windows.join(QStringLiteral(", ")))
                       .arg(!analysis ? QStringLiteral("missing")
                                      : analysis->action()->isEnabled() ? QStringLiteral("enabled")
                                                                        : QStringLiteral("disabled")));
        }
        const int before = m_step;
        advance();
        if (m_step != before)
            m_ticks = 0;
    }

    void advance()
    {
        switch (m_step) {
        case 0:
            if (openSchematic())
                ++m_step;
            break;
        case 1:
            if ((m_module = visibleWindow([](const QString &t) { return t.startsWith(QLatin1String("Module: ")); }))
                && analyseStack())
                ++m_step;
            break;
        case 2:
            m_stackPath = visibleWindow([](const QString &t) { return t.contains(QLatin1String("Stack Path")); });
            if (m_stackPath && m_module) {
                keepPicture(m_module, QStringLiteral("module.png"));
                keepPicture(m_stackPath, QStringLiteral("stackpath.png"));
                report(QStringLiteral("windows open: %1, %2").arg(describe(m_module), describe(m_stackPath)));
                ++m_step;
            }
            break;
        case 3:
            if (QAction *exit = exitAction()) {
                ++m_step;
                m_timer.stop();
                openOtherWindow();
                report(QStringLiteral("exit (%1)").arg(exit->text()));
                exit->trigger();
            }
            break;
        default:
            break;
        }
    }

    bool openSchematic()
    {
        Debugger::Internal::DebuggerEngine *engine = Debugger::Internal::currentEngine();
        QTreeView *view = Core::ICore::mainWindow()->findChild<QTreeView *>(QStringLiteral("WatchWindow"));
        if (!engine || !view || engine->state() != Debugger::Internal::InferiorStopOk)
            return false;
        QAbstractItemModel *model = view->model();
        const QModelIndexList hits = model->match(model->index(0, 0), Debugger::Internal::LocalsINameRole,
                                                  QStringLiteral("local.schematic"), 1,
                                                  Qt::MatchExactly | Qt::MatchRecursive);
        if (hits.isEmpty())
            return false;
        const QModelIndex value = hits.first().sibling(hits.first().row(), 1);
        if (!doubleClickCell(view, value))
            return false;
        report(QStringLiteral("double click on the value of schematic: %1").arg(value.data().toString()));
        return true;
    }

    bool analyseStack()
    {
        Core::Command *command = Core::ActionManager::command("Korvan.Debugger.AnalyzeStack");
        if (!command || !command->action()->isEnabled())
            return false;
        report(QStringLiteral("stack analysis"));
        command->action()->trigger();
        return true;
    }

    // File > Exit of the main window's menu bar.
    QAction *exitAction() const
    {
        auto window = qobject_cast<QMainWindow *>(Core::ICore::mainWindow());
        const QList<QAction *> menus = window ? window->menuBar()->actions() : QList<QAction *>();
        if (menus.isEmpty() || !menus.first()->menu())
            return nullptr;
        for (QAction *action : menus.first()->menu()->actions())
            if (action->text() == QLatin1String("E&xit"))
                return action;
        return nullptr;
    }

    // A window of some other plug-in, which nobody closes: Exit must not
    // wait for it. It goes when the application quits.
    void openOtherWindow()
    {
        auto other = new QWidget;
        other->setWindowTitle(QStringLiteral("Other plug-in"));
        other->resize(200, 100);
        other->show();
        QPointer<QWidget> guard(other);
        connect(qApp, &QCoreApplication::aboutToQuit, qApp, [guard] { delete guard.data(); });
        report(QStringLiteral("other window open"));
    }

    void keepPicture(QWidget *window, const QString &name)
    {
        const QString folder = qEnvironmentVariable("KORVAN_DRIVER_SHOTS");
        if (folder.isEmpty())
            return;
        const QString path = QDir(folder).filePath(name);
        report(window->grab().save(path) ? QStringLiteral("picture %1").arg(path)
                                         : QStringLiteral("picture %1 not saved").arg(path));
    }

    QTimer m_timer;
    int m_step = 0;
    int m_ticks = 0;
    QPointer<QWidget> m_module;
    QPointer<QWidget> m_stackPath;
};

#include "exitdriver.moc"
