#include "hostwindow.h"

#include "hostlog.h"
#include "pluginmanager.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/editormanager.h>
#include <coreplugin/idocument.h>
#include <coreplugin/ieditor.h>
#include <coreplugin/icore.h>
#include <coreplugin/ioptionspage.h>
#include <coreplugin/progressmanager/progressmanager.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/stackhandler.h>
#include <debugger/stacktreeview.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>
#include <extensionsystem/pluginmanager.h>
#include <texteditor/textmark.h>

#include <QAbstractProxyModel>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

using namespace Debugger::Internal;

namespace Host {

namespace {
struct HostCommand
{
    const char *id;
    const char *text;
    const char *key;
    bool checkable;
};

// The run-control commands of the debugger, in tool-bar order.
const HostCommand hostCommands[] = {
    {"Debugger.Continue", QT_TRANSLATE_NOOP("Host", "Continue"), "F5", false},
    {"Debugger.Interrupt", QT_TRANSLATE_NOOP("Host", "Interrupt"), "", false},
    {"Debugger.Stop", QT_TRANSLATE_NOOP("Host", "Stop Debugger"), "Shift+F5", false},
    {"Debugger.NextLine", QT_TRANSLATE_NOOP("Host", "Step Over"), "F10", false},
    {"Debugger.StepLine", QT_TRANSLATE_NOOP("Host", "Step Into"), "F11", false},
    {"Debugger.StepOut", QT_TRANSLATE_NOOP("Host", "Step Out"), "Shift+F11", false},
    {"Debugger.OperateByInstruction", QT_TRANSLATE_NOOP("Host", "Operate by Instruction"), "", true},
    {"Debugger.ReverseDirection", QT_TRANSLATE_NOOP("Host", "Reverse Direction"), "", true},
    {"Debugger.Reset", QT_TRANSLATE_NOOP("Host", "Restart Debugging"), "", false},
};

QAction *commandAction(const char *id)
{
    Core::Command *command = Core::ActionManager::command(id);
    return command ? command->action() : nullptr;
}

// The margin arrow of the line where the program stands.
QIcon locationIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(160, 110, 0));
    painter.setBrush(QColor(255, 200, 0));
    painter.drawPolygon(QPolygonF({{2, 5}, {8, 5}, {8, 1}, {15, 8}, {8, 15}, {8, 11}, {2, 11}}));
    return QIcon(pixmap);
}
} // namespace

HostWindow::HostWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_plugins(new PluginManager(this))
    , m_debuggerWindow(new QWidget)
    , m_watchView(new QTreeView)
    , m_stackView(new StackTreeView)
    , m_log(new QPlainTextEdit)
    , m_hostLog(new HostLog(m_log))
    , m_editors(new QTabWidget)
{
    setWindowTitle(tr("Korvan Host"));
    Core::ICore::setMainWindow(this);
    Debugger::Internal::setMainWindow(m_debuggerWindow);
    readDebuggerSettings();
    Core::ICore::setOptionsDialogHandler(
        [this](const QByteArray &pageId, QWidget *parent) { return showOptionsDialog(pageId, parent); });

    m_debuggerWindow->setObjectName(QStringLiteral("DebuggerMainWindow"));
    m_watchView->setObjectName(QStringLiteral("WatchWindow"));
    m_stackView->setObjectName(QStringLiteral("StackView"));
    // The views show empty models until a session brings its own: the
    // plug-in recognises them by their columns from the start.
    auto idleStack = new QStandardItemModel(0, 5, this);
    idleStack->setHorizontalHeaderLabels({tr("Level"), tr("Function"), tr("File"), tr("Line"), tr("Address")});
    m_stackView->setModel(idleStack);
    m_watchView->setModel(new WatchModel(this));
    m_log->setReadOnly(true);
    setDiagnosticsLog(m_hostLog);
    m_editors->setObjectName(QStringLiteral("EditorArea"));
    m_editors->setDocumentMode(true);

    auto toolBar = new QWidget;
    toolBar->setObjectName(QStringLiteral("DebuggerToolBar"));
    toolBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed); // one row, the views take the rest
    auto toolBarLayout = new QHBoxLayout(toolBar);
    toolBarLayout->setContentsMargins(0, 0, 0, 0);
    toolBarLayout->setSpacing(0);

    auto logDock = new QWidget;
    logDock->setObjectName(QStringLiteral("Debugger.Docks.Output"));
    auto logLayout = new QVBoxLayout(logDock);
    logLayout->setContentsMargins(0, 0, 0, 0);
    logLayout->addWidget(m_log);

    auto views = new QSplitter(Qt::Horizontal);
    views->addWidget(m_watchView);
    views->addWidget(m_stackView);
    views->addWidget(logDock);

    auto debuggerLayout = new QVBoxLayout(m_debuggerWindow);
    debuggerLayout->setContentsMargins(0, 0, 0, 0);
    debuggerLayout->addWidget(toolBar);
    debuggerLayout->addWidget(views, 1);

    auto central = new QSplitter(Qt::Vertical);
    central->addWidget(m_editors);
    central->addWidget(m_debuggerWindow);
    // The source above, the debugger's views below; the views side by side
    // with room for names and values.
    central->setSizes({480, 320});
    views->setSizes({520, 280, 400});
    setCentralWidget(central);

    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(tr("E&xit"), this, &QWidget::close, QKeySequence::Quit);
    QMenu *debugMenu = menuBar()->addMenu(tr("&Debug"));
    Core::ActionManager::createMenu("ProjectExplorer.Menu.Debug", debugMenu);
    QMenu *toolsMenu = menuBar()->addMenu(tr("&Tools"));
    toolsMenu->addAction(tr("&Options..."), this, [] { Core::ICore::showOptionsDialog(QByteArray()); });
    // Plug-ins list their free-standing windows under Window > Views.
    QMenu *windowMenu = menuBar()->addMenu(tr("&Window"));
    Core::ActionManager::createMenu("QtCreator.Menu.Window.Views", windowMenu->addMenu(tr("&Views")));
    statusBar()->addPermanentWidget(Core::ProgressManager::statusBarWidget());

    createCommands();
    for (const HostCommand &command : hostCommands) {
        auto button = new QToolButton(toolBar);
        button->setDefaultAction(commandAction(command.id));
        toolBarLayout->addWidget(button);
    }
    toolBarLayout->addStretch();

    // What the user opens or closes stays so across steps and fetches.
    const auto keepExpansion = [this](const QModelIndex &index, bool expanded) {
        const QString iname = index.data(LocalsINameRole).toString();
        if (m_engine && iname.contains(QLatin1Char('.'))) // the roots are the window's, not the user's
            m_engine->watchHandler()->setExpanded(iname, expanded);
    };
    connect(m_watchView, &QTreeView::expanded, this, [keepExpansion](const QModelIndex &index) {
        keepExpansion(index, true);
    });
    connect(m_watchView, &QTreeView::collapsed, this, [keepExpansion](const QModelIndex &index) {
        keepExpansion(index, false);
    });
    connect(m_stackView, &QTreeView::activated, this, [this](const QModelIndex &index) {
        if (m_engine)
            m_engine->activateFrame(index.row());
    });
    connect(Core::EditorManager::instance(), &Core::EditorManager::editorOpened, this, [this](Core::IEditor *editor) {
        m_editors->addTab(editor->widget(), editor->document()->displayName());
        // Documents opened from contents get their file name afterwards.
        connect(editor->document(), &Core::IDocument::changed, m_editors, [this, editor] {
            const int tab = m_editors->indexOf(editor->widget());
            if (tab >= 0)
                m_editors->setTabText(tab, editor->document()->displayName());
        });
    });
    connect(Core::EditorManager::instance(), &Core::EditorManager::currentEditorChanged, this,
            [this](Core::IEditor *editor) {
                if (editor && editor->widget())
                    m_editors->setCurrentWidget(editor->widget());
            });
    resize(1200, 800);
    updateCommands();
}

HostWindow::~HostWindow()
{
    shutdown();
    setDiagnosticsLog(nullptr);
    m_locationMark.reset();
    Core::ICore::setOptionsDialogHandler({});
    if (Core::ICore::mainWindow() == this)
        Core::ICore::setMainWindow(nullptr);
    if (Debugger::Internal::mainWindow() == m_debuggerWindow)
        Debugger::Internal::setMainWindow(nullptr);
    // The commands name this window's actions; the next window registers its own.
    Core::ActionManager::reset();
}

void HostWindow::createCommands()
{
    const Core::Context context(Core::Id("Debugger"));
    Core::ActionContainer *debugMenu = Core::ActionManager::actionContainer("ProjectExplorer.Menu.Debug");
    for (const HostCommand &entry : hostCommands) {
        auto action = new QAction(QCoreApplication::translate("Host", entry.text), this);
        action->setCheckable(entry.checkable);
        Core::Command *command = Core::ActionManager::registerAction(action, entry.id, context);
        if (!command)
            continue;
        if (*entry.key)
            command->setDefaultKeySequence(QKeySequence(QString::fromLatin1(entry.key)));
        debugMenu->addAction(command);
    }
    const auto engineCall = [this](const char *id, void (GdbEngine::*call)()) {
        if (QAction *action = commandAction(id))
            connect(action, &QAction::triggered, this, [this, call] {
                if (m_engine)
                    (m_engine->*call)();
            });
    };
    engineCall("Debugger.Continue", &GdbEngine::continueInferior);
    engineCall("Debugger.Interrupt", &GdbEngine::interruptInferior);
    engineCall("Debugger.NextLine", &GdbEngine::executeNext);
    engineCall("Debugger.StepLine", &GdbEngine::executeStep);
    engineCall("Debugger.StepOut", &GdbEngine::executeStepOut);
    connect(commandAction("Debugger.OperateByInstruction"), &QAction::toggled, this, [this](bool on) {
        if (m_engine)
            m_engine->setOperatesByInstruction(on);
    });
    connect(commandAction("Debugger.Stop"), &QAction::triggered, this, [this] {
        if (m_engine)
            m_engine->shutdown();
    });
    connect(commandAction("Debugger.Reset"), &QAction::triggered, this, [this] {
        if (m_engine)
            startDebugging(m_engine->runParameters());
    });
}

void HostWindow::updateCommands()
{
    const int state = m_engine ? m_engine->state() : DebuggerNotReady;
    const bool stopped = state == InferiorStopOk;
    // A command the plug-in took away is simply not there any more.
    const auto enable = [](const char *id, bool on) {
        if (QAction *action = commandAction(id))
            action->setEnabled(on);
    };
    for (const char *id : {"Debugger.Continue", "Debugger.NextLine", "Debugger.StepLine", "Debugger.StepOut"})
        enable(id, stopped);
    enable("Debugger.Interrupt", state == InferiorRunOk);
    enable("Debugger.Stop", m_engine && state > DebuggerNotReady && state < InferiorShutdownRequested);
    enable("Debugger.Reset", !m_engine.isNull());
}

void HostWindow::loadPlugins(const QString &folder, const QStringList &arguments)
{
    m_plugins->loadPlugins(folder, arguments);
    for (const QString &error : m_plugins->errors())
        m_hostLog->append(error);
}

void HostWindow::delayedInitialize()
{
    m_plugins->delayedInitialize();
    // The IDE writes its settings once its plug-ins are up; plug-ins that
    // keep something in them (the debugger's start-up commands) store it.
    Core::ICore::saveSettings();
}

GdbEngine *HostWindow::engine() const
{
    return m_engine;
}

GdbEngine *HostWindow::startDebugging(const DebuggerRunParameters &parameters)
{
    if (m_engine) {
        m_engine->shutdown();
        m_engine->deleteLater();
    }
    m_locationMark.reset();
    m_engine = new GdbEngine(parameters, this);
    if (QAction *byInstruction = commandAction("Debugger.OperateByInstruction"))
        m_engine->setOperatesByInstruction(byInstruction->isChecked());
    connect(m_engine, &DebuggerEngine::logMessage, m_hostLog, &HostLog::append);
    connect(m_engine, &DebuggerEngine::statusMessage, this,
            [this](const QString &text, int timeout) { statusBar()->showMessage(text, qMax(0, timeout)); });
    connect(m_engine, &DebuggerEngine::failed, this, [this](const QString &text) { statusBar()->showMessage(text); });
    connect(m_engine, &DebuggerEngine::stateChanged, this, &HostWindow::updateCommands);
    WatchModel *watchModel = m_engine->watchModel();
    showModel(m_watchView, watchModel);
    showModel(m_stackView, m_engine->stackHandler()->model());
    connect(watchModel, &WatchModel::updateFinished, this, [this] {
        // Locals open, whatever proxy the view shows them through.
        QAbstractItemModel *shown = m_watchView->model();
        const QModelIndexList hits = shown->match(shown->index(0, 0), LocalsINameRole, QStringLiteral("local"), 1,
                                                  Qt::MatchExactly);
        if (!hits.isEmpty())
            m_watchView->expand(hits.first());
        restoreExpansion(QModelIndex());
        // Names and values readable, a long string not taking the whole view.
        for (int column : {0, 1}) {
            m_watchView->resizeColumnToContents(column);
            m_watchView->setColumnWidth(column, qMin(m_watchView->columnWidth(column), 320));
        }
    });
    StackHandler *stack = m_engine->stackHandler();
    connect(stack, &StackHandler::stackChanged, this, &HostWindow::showLocation);
    connect(stack, &StackHandler::currentIndexChanged, this, &HostWindow::showLocation);
    emit sessionCreated(m_engine);
    m_engine->start();
    updateCommands();
    return m_engine;
}

void HostWindow::restoreExpansion(const QModelIndex &parent)
{
    if (!m_engine)
        return;
    const QSet<QString> expanded = m_engine->watchHandler()->expandedINames();
    QAbstractItemModel *shown = m_watchView->model();
    for (int row = 0; row < shown->rowCount(parent); ++row) {
        const QModelIndex index = shown->index(row, 0, parent);
        // Only what came with its children opens again. An item whose
        // children this answer lacks (asked for after it left, or never
        // given) waits for the answer that has them: opening it now would
        // ask GDB again for every answer, each asking anew.
        if (shown->rowCount(index) > 0 && expanded.contains(index.data(LocalsINameRole).toString()))
            m_watchView->expand(index);
        if (m_watchView->isExpanded(index))
            restoreExpansion(index);
    }
}

void HostWindow::showLocation()
{
    const StackFrame frame = m_engine ? m_engine->stackHandler()->currentFrame() : StackFrame();
    if (!frame.usable || frame.line <= 0) {
        m_locationMark.reset();
        return;
    }
    Core::IEditor *editor = Core::EditorManager::openEditor(frame.file, Core::Id(),
                                                            Core::EditorManager::IgnoreNavigationHistory);
    if (!editor) {
        m_locationMark.reset();
        return;
    }
    editor->gotoLine(frame.line, 0, true);
    if (m_locationMark && m_locationMark->fileName() == QFileInfo(frame.file).absoluteFilePath()) {
        m_locationMark->move(frame.line);
        return;
    }
    m_locationMark.reset(new TextEditor::TextMark(frame.file, frame.line, Core::Id("Debugger.Location")));
    m_locationMark->setIcon(locationIcon());
    m_locationMark->setToolTip(tr("Current location"));
    m_locationMark->setPriority(3);
}

void HostWindow::showModel(QTreeView *view, QAbstractItemModel *model)
{
    // A proxy that a plug-in put in front of the view's model stays there.
    if (auto proxy = qobject_cast<QAbstractProxyModel *>(view->model()))
        proxy->setSourceModel(model);
    else
        view->setModel(model);
}

bool HostWindow::showOptionsDialog(const QByteArray &pageId, QWidget *parent)
{
    if (m_optionsPages) {
        // One dialog at a time: its pages' widgets are built once.
        for (int i = 0; i < m_optionsPages->count(); ++i)
            if (m_optionsPages->widget(i)->property("optionsPageId").toByteArray() == pageId)
                m_optionsPages->setCurrentIndex(i);
        return false;
    }
    QDialog dialog(parent ? parent : this);
    dialog.setObjectName(QStringLiteral("OptionsDialog"));
    dialog.setWindowTitle(tr("Options"));
    auto tabs = new QTabWidget;
    m_optionsPages = tabs;
    // Every page the plug-ins handed over, by category, then by id.
    QList<Core::IOptionsPage *> offered = ExtensionSystem::PluginManager::getObjects<Core::IOptionsPage>();
    std::stable_sort(offered.begin(), offered.end(), [](Core::IOptionsPage *a, Core::IOptionsPage *b) {
        return qMakePair(a->category().name(), a->id().name()) < qMakePair(b->category().name(), b->id().name());
    });
    QList<QPointer<Core::IOptionsPage>> pages;
    for (Core::IOptionsPage *page : qAsConst(offered)) {
        QWidget *widget = page->widget();
        if (!widget)
            continue;
        pages.append(page);
        widget->setProperty("optionsPageId", page->id().name());
        tabs->addTab(widget, page->displayName());
        if (page->id().name() == pageId)
            tabs->setCurrentWidget(widget);
    }
    const auto applyAll = [&pages] {
        for (const QPointer<Core::IOptionsPage> &page : qAsConst(pages))
            if (page)
                page->apply();
    };
    auto buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, &dialog, applyAll);
    auto layout = new QVBoxLayout(&dialog);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    // Through the host's one seam for modal dialogs, so tests drive it.
    const bool accepted = Host::execDialog(&dialog) == QDialog::Accepted;
    if (accepted)
        applyAll();
    for (const QPointer<Core::IOptionsPage> &page : qAsConst(pages))
        if (page)
            page->finish();
    // A page deletes its widget in finish(); what is left goes with the dialog.
    Core::ICore::saveSettings();
    return accepted;
}

void HostWindow::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_plugins->shutdown();
    if (m_engine)
        m_engine->shutdown();
    m_locationMark.reset();
    writeDebuggerSettings();
    Core::ICore::settings()->sync();
    Core::EditorManager::closeAllEditors();
}

void HostWindow::closeEvent(QCloseEvent *event)
{
    shutdown();
    event->accept();
    emit closed();
}

} // namespace Host
