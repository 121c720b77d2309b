#include "korvandebuggerplugin.h"

#include "netlist/windows/korvandebuggergrapheditor.h"
#include "privateblock.h"
#include "reverse.h"

#include "configuration/document.h"
#include "configuration/accessorinputgenerator.h"
#include "configuration/keys.h"
#include "editor/configurationlist.h"
#include "editor/korvandebuggeroptions.h"
#include "netlist/netlisttypes.h"
#include "views/korvandebuggerstackdelegate.h"
#include "views/korvandebuggerwatchdelegate.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/editormanager.h>
#include <coreplugin/idocument.h>
#include <coreplugin/ieditor.h>
#include <coreplugin/icore.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <dialogs/dialogs.h>
#include <texteditor/textmark.h>
#include <utils/savedaction.h>
#include <utils/styledseparator.h>

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QResource>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

static void initKorvanResources()
{
    Q_INIT_RESOURCE(korvan);
}

// The plug-in's resources (scripts, models, icons), registered once.
static void ensureKorvanResources()
{
    static const bool initialised = (initKorvanResources(), true);
    Q_UNUSED(initialised)
}

namespace KorvanDebugger {
namespace Internal {

Q_LOGGING_CATEGORY(startupLog, "korvan.plugin.startup", QtWarningMsg)

namespace {
KorvanDebuggerPlugin *theInstance = nullptr;

const char gdbContext[] = "Gdb Debugger";
const char debugMenuId[] = "ProjectExplorer.Menu.Debug";
const char optionsPageId[] = "ZZ.Korvan.Debugger.Classes";
} // namespace

int KorvanDebuggerPlugin::instanceEventType = 0;
int KorvanDebuggerPlugin::instanceTerminalEventType = 0;
int KorvanDebuggerPlugin::netEventType = 0;
int KorvanDebuggerPlugin::moduleEventType = 0;
int KorvanDebuggerPlugin::modulePortEventType = 0;
int KorvanDebuggerPlugin::instanceDefinitionEventType = 0;

KorvanDebuggerPlugin::KorvanDebuggerPlugin()
    : m_prettyPrinters(new QJsonObject)
    , m_customPrettyPrinters(new QJsonObject)
{
    if (theInstance) {
        // Two plug-in objects would fight over the host's menus and
        // settings; the second one is refused and stays inert.
        m_refused = true;
        qCritical("Korvan Debugger: a second plug-in object was refused; the plug-in is already loaded.");
        return;
    }
    theInstance = this;
    ensureKorvanResources();
    // A failed load leaves the document empty; the failure was reported.
    // A user without a document of their own (the first start) has the
    // built-in set, as if imported; it is written only when they save.
    if (!QFileInfo::exists(Configuration::configurationFilePath(Configuration::Key::prettyPrintersDocument))) {
        if (!Configuration::parseConfiguration(*m_prettyPrinters, getResourceCode(":PrettyPrinters.conf")))
            *m_prettyPrinters = QJsonObject();
    } else if (!Configuration::loadConfigurationFile(*m_prettyPrinters, Configuration::Key::prettyPrintersDocument)) {
        *m_prettyPrinters = QJsonObject();
    }
    if (!Configuration::loadConfigurationFile(*m_customPrettyPrinters,
                                              Configuration::Key::customPrettyPrintersDocument))
        *m_customPrettyPrinters = QJsonObject();
}

KorvanDebuggerPlugin::~KorvanDebuggerPlugin()
{
    if (theInstance == this) {
        theInstance = nullptr;
        setWatchGraphOpener(nullptr);
    }
    delete m_sourceMark;
}

KorvanDebuggerPlugin *KorvanDebuggerPlugin::instance()
{
    return theInstance;
}

QSharedPointer<QJsonObject> KorvanDebuggerPlugin::getConfiguration()
{
    return theInstance ? theInstance->m_prettyPrinters : QSharedPointer<QJsonObject>();
}

bool KorvanDebuggerPlugin::initialize(const QStringList &arguments, QString *errorString)
{
    Q_UNUSED(arguments)
    if (m_refused) {
        if (errorString)
            *errorString = tr("Korvan Debugger is already loaded; a second plug-in object was refused.");
        return false;
    }
    for (int *type : {&instanceEventType, &instanceTerminalEventType, &netEventType, &moduleEventType,
                      &modulePortEventType, &instanceDefinitionEventType})
        *type = QEvent::registerEventType();
    registerBuiltinNetlistTypes();
    // Editing a netlist value of the watch view opens its graph.
    setWatchGraphOpener([](QTreeView *view, int kind, const QModelIndex &index) {
        new KorvanDebuggerGraphEditor(view, kind, index); // shows and ends itself
    });
    return true;
}

void KorvanDebuggerPlugin::extensionsInitialized()
{
    if (m_refused)
        return;
    m_optionsPage = new KorvanDebuggerOptions(m_prettyPrinters);
    addAutoReleasedObject(m_optionsPage);
}

bool KorvanDebuggerPlugin::delayedInitialize()
{
    if (m_refused)
        return false;
    // A. The debugger window; without it only the settings signals are tied.
    QWidget *window = Debugger::Internal::mainWindow();
    qCDebug(startupLog, "A: debugger window %s", window ? "found" : "missing");
    if (window) {
        installDelegates(window);  // B, C
        connectDebuggerLog(window); // D
        if (replaceReverseButton(window)) // E, F
            qCDebug(startupLog, "F: controls beside the operate-by-instruction button");
        connectRunControl();        // G
    }
    // H.
    Core::ICore *core = Core::ICore::instance();
    connect(core, &Core::ICore::optionsDialogRequested, this, &KorvanDebuggerPlugin::startEditParameters);
    connect(core, &Core::ICore::saveSettingsRequested, this, &KorvanDebuggerPlugin::parametersChanged);
    qCDebug(startupLog, "H: settings signals connected");
    return false;
}

void KorvanDebuggerPlugin::installDelegates(QWidget *debuggerWindow)
{
    // The host's own delegates are left alone (the views may still own or
    // share them); the views just stop using them.
    int watchViews = 0;
    for (QTreeView *view : debuggerWindow->findChildren<QTreeView *>()) {
        if (view->objectName() == QLatin1String("WatchWindow")) {
            view->setItemDelegate(new KorvanDebuggerWatchDelegate(view));
            ++watchViews;
        }
    }
    qCDebug(startupLog, "B: %d watch view(s)", watchViews);
    m_stackDelegate = nullptr;
    int stackViews = 0;
    for (QTreeView *view : debuggerWindow->findChildren<QTreeView *>()) {
        if (view->header() && view->header()->count() == 5) {
            m_stackDelegate = new KorvanDebuggerStackDelegate(view);
            view->setItemDelegate(m_stackDelegate);
            ++stackViews;
        }
    }
    qCDebug(startupLog, "C: %d stack view(s)", stackViews);
}

void KorvanDebuggerPlugin::connectDebuggerLog(QWidget *debuggerWindow)
{
    m_logEditors.clear();
    const QList<QWidget *> docks = debuggerWindow->findChildren<QWidget *>(QStringLiteral("Debugger.Docks.Output"));
    if (!docks.isEmpty()) {
        for (QPlainTextEdit *editor : docks.first()->findChildren<QPlainTextEdit *>())
            m_logEditors.append(editor);
    }
    watchDebuggerLog();
    qCDebug(startupLog, "D: %d debugger log editor(s)", int(m_logEditors.size()));
}

QList<QPlainTextEdit *> KorvanDebuggerPlugin::debuggerLogEditors() const
{
    QList<QPlainTextEdit *> editors;
    for (const QPointer<QPlainTextEdit> &editor : m_logEditors)
        if (editor)
            editors.append(editor);
    return editors;
}

bool KorvanDebuggerPlugin::replaceReverseButton(QWidget *debuggerWindow)
{
    const QList<QToolButton *> buttons = debuggerWindow->findChildren<QToolButton *>();
    if (buttons.isEmpty()) {
        qCDebug(startupLog, "E: no tool buttons");
        return false;
    }
    Core::Command *reverse = Core::ActionManager::command("Debugger.ReverseDirection");
    Core::Command *byInstruction = Core::ActionManager::command("Debugger.OperateByInstruction");
    bool inserted = false;
    for (QToolButton *button : buttons) {
        QWidget *parent = button->parentWidget();
        auto layout = parent ? qobject_cast<QBoxLayout *>(parent->layout()) : nullptr;
        const int index = layout ? layout->indexOf(button) : -1;
        if (reverse && reverse->action() && button->defaultAction() == reverse->action() && index > 0) {
            // UndoDB's reverse actions take over. The host's action and
            // button are hidden, not deleted: the host may still hold them.
            QAction *action = reverse->action();
            Core::ActionManager::unregisterAction(action, "Debugger.ReverseDirection");
            reverse = nullptr;
            action->setVisible(false);
            button->hide();
            qCDebug(startupLog, "E: host reverse-direction button hidden");
            continue;
        }
        if (byInstruction && button->defaultAction() == byInstruction->action() && index > 0) {
            insertControls(parent, layout, index);
            inserted = true;
        }
    }
    return inserted;
}

void KorvanDebuggerPlugin::insertControls(QWidget *parent, QBoxLayout *layout, int i)
{
    Core::ActionContainer *menu = Core::ActionManager::actionContainer(debugMenuId);
    Core::Command *byInstruction = Core::ActionManager::command("Debugger.OperateByInstruction");
    QAction *before = byInstruction ? byInstruction->action() : nullptr;
    const Core::Context context{Core::Id(gdbContext)};
    const auto addButton = [&](QAction *action, int position) {
        auto button = new QToolButton(parent);
        button->setDefaultAction(action);
        layout->insertWidget(position, button);
    };
    const auto insertIntoMenu = [&](QAction *action) {
        if (menu)
            menu->insertAction(before, action);
    };

    layout->insertWidget(i + 1, new Utils::StyledSeparator(parent));
    struct Reverse
    {
        const char *text;
        const char *id;
        const char *icon;
        const char *key;
        bool step;
        const char *mirrored; // the host command whose enabled state it follows
        void (KorvanDebuggerPlugin::*slot)();
    };
    const Reverse reverses[] = {
        {QT_TR_NOOP("UndoDB Support: Reverse continue"), "Korvan.Debugger.ReverseContinue",
         ":/reverse/debugger_continue_small.png", "Alt+F5", false, "Debugger.Continue",
         &KorvanDebuggerPlugin::handleReverseContinue},
        {QT_TR_NOOP("UndoDB Support: Reverse Step-Over"), "Korvan.Debugger.ReverseStepOver",
         ":/reverse/debugger_stepover_small.png", "Alt+F10", true, "Debugger.NextLine",
         &KorvanDebuggerPlugin::handleReverseStepOver},
        {QT_TR_NOOP("UndoDB Support: Reverse Step-In"), "Korvan.Debugger.ReverseStepIn",
         ":/reverse/debugger_stepinto_small.png", "Alt+F11", true, "Debugger.StepLine",
         &KorvanDebuggerPlugin::handleReverseStepIn},
        {QT_TR_NOOP("UndoDB Support: Reverse Step-Out"), "Korvan.Debugger.ReverseStepOut",
         ":/reverse/debugger_stepout_small.png", "Alt+Shift+F11", true, "Debugger.StepOut",
         &KorvanDebuggerPlugin::handleReverseStepOut},
    };
    int position = i + 2;
    for (const Reverse &entry : reverses) {
        QIcon icon(QString::fromLatin1(entry.icon));
        if (position == i + 2)
            icon.addFile(QStringLiteral(":/reverse/debugger_continue.png"));
        auto action = new QAction(icon, tr(entry.text), parent);
        action->setEnabled(false);
        if (Core::Command *command = Core::ActionManager::registerAction(action, entry.id, context)) {
            command->setDefaultKeySequence(QKeySequence(QString::fromLatin1(entry.key)));
            command->setAttribute(Core::Command::CA_Hide);
            if (entry.step)
                command->setAttribute(Core::Command::CA_UpdateText);
        }
        if (Core::Command *mirrored = Core::ActionManager::command(entry.mirrored)) {
            if (mirrored->action())
                connect(mirrored->action(), &QAction::changed, this, &KorvanDebuggerPlugin::syncCommand);
        }
        connect(action, &QAction::triggered, this, entry.slot);
        insertIntoMenu(action);
        addButton(action, position++);
    }
    auto separator = new QAction(this);
    separator->setSeparator(true);
    insertIntoMenu(separator);
    layout->insertWidget(i + 6, new Utils::StyledSeparator(parent));

    m_bookmarkLabel = new QLabel(parent);
    m_bookmarkLabel->setPixmap(QPixmap(QStringLiteral(":bookmark.png")).scaledToHeight(16, Qt::FastTransformation));
    layout->insertWidget(i + 7, m_bookmarkLabel);
    m_bookmarkCombo = new QComboBox(parent);
    m_bookmarkCombo->setEditable(true);
    m_bookmarkModel = new BookmarkModel(m_bookmarkCombo);
    connect(m_bookmarkModel, &QAbstractItemModel::dataChanged, m_bookmarkModel, qOverload<>(&BookmarkModel::sort));
    m_bookmarkCombo->setModel(m_bookmarkModel);
    // Without a parent, as the box does not take ownership: it goes with the box.
    auto validator = new BookmarkValidator;
    connect(m_bookmarkCombo, &QObject::destroyed, validator, [validator] { delete validator; });
    m_bookmarkCombo->setValidator(validator);
    m_bookmarkCombo->setInsertPolicy(QComboBox::InsertAtTop);
    connect(m_bookmarkCombo, &QComboBox::textActivated, this, &KorvanDebuggerPlugin::handleBookmark);
    // A typed name is taken when it is chosen, not when the editor loses focus.
    if (QLineEdit *edit = m_bookmarkCombo->lineEdit())
        disconnect(edit, &QLineEdit::editingFinished, m_bookmarkCombo, nullptr);
    layout->insertWidget(i + 8, m_bookmarkCombo);

    auto secondSeparator = new QAction(this);
    secondSeparator->setSeparator(true);
    insertIntoMenu(secondSeparator);
    layout->insertWidget(i + 9, new Utils::StyledSeparator(parent));

    m_stackAnalysisAction = new QAction(QIcon(QStringLiteral(":openGraph.png")), tr("Korvan Stack Analysis"), parent);
    m_stackAnalysisAction->setEnabled(false);
    if (m_stackDelegate)
        connect(m_stackAnalysisAction, &QAction::triggered, m_stackDelegate.data(),
                &KorvanDebuggerStackDelegate::analyzeStack);
    if (Core::Command *command = Core::ActionManager::registerAction(m_stackAnalysisAction,
                                                                     "Korvan.Debugger.AnalyzeStack", context)) {
        command->setDefaultKeySequence(QKeySequence(Qt::Key_F7));
        command->setAttribute(Core::Command::CA_Hide);
        if (menu)
            menu->addAction(command);
    }
    addButton(m_stackAnalysisAction, i + 10);

    auto detail = new QAction(QIcon(QStringLiteral(":stackdetail.png")), tr("Korvan Stack detail"), parent);
    detail->setCheckable(true);
    detail->setChecked(true);
    detail->setEnabled(true);
    if (Core::Command *command = Core::ActionManager::registerAction(detail, "Korvan.Debugger.StackDetail", context)) {
        command->setDefaultKeySequence(QKeySequence(Qt::Key_F8));
        command->setAttribute(Core::Command::CA_Hide);
        if (menu)
            menu->addAction(command);
    }
    addButton(detail, i + 11);
}

void KorvanDebuggerPlugin::connectRunControl()
{
    int connected = 0;
    for (const char *id : {"Debugger.Continue", "Debugger.Stop", "Debugger.Interrupt", "Debugger.HiddenStop",
                           "Debugger.Abort", "Debugger.StepLine", "Debugger.StepOut", "Debugger.NextLine",
                           "Debugger.ReverseDirection", "Debugger.Reset"}) {
        Core::Command *command = Core::ActionManager::command(id);
        if (command && command->action()) {
            connect(command->action(), &QAction::triggered, this, &KorvanDebuggerPlugin::resetGraphDefinition);
            ++connected;
        }
    }
    qCDebug(startupLog, "G: %d run-control command(s) connected", connected);
}

KorvanDebuggerPlugin::ShutdownFlag KorvanDebuggerPlugin::aboutToShutdown()
{
    // The graph windows go with the plug-in, before the session they show
    // ends: the end of the IDE is no news to report in them.
    KorvanDebuggerGraphEditor::closeAllWindows();
    if (m_refused)
        return SynchronousShutdown;
    startEditParameters();
    // The save below must not put the block back.
    disconnect(Core::ICore::instance(), &Core::ICore::saveSettingsRequested, this,
               &KorvanDebuggerPlugin::parametersChanged);
    Core::ICore::saveSettings();
    return SynchronousShutdown;
}

void KorvanDebuggerPlugin::startEditParameters()
{
    Utils::SavedAction *startup = Debugger::Internal::action(Debugger::Internal::GdbStartupCommands);
    if (startup)
        startup->setValue(removePrivateBlock(startup->value().toString()), true);
}

void KorvanDebuggerPlugin::resetGraphDefinition()
{
    // Addresses and contents of the built modules are stale once the
    // program moves; so are the frames' arguments, and the stack analysis
    // waits for the next argument query of the stack view.
    KorvanDebuggerGraphEditor::clearAllDB();
    KorvanStackProxyModel::clearFramesDB();
    if (m_stackAnalysisAction)
        m_stackAnalysisAction->setEnabled(false);
}

namespace {
QAction *hostAction(const char *id)
{
    Core::Command *command = Core::ActionManager::command(id);
    return command ? command->action() : nullptr;
}

// The GDB engine the time-travel commands go to; none once its GDB has
// ended (a command would bring the ended session back to "running").
Debugger::Internal::GdbEngine *currentGdbEngine()
{
    auto engine = qobject_cast<Debugger::Internal::GdbEngine *>(Debugger::Internal::currentEngine());
    return engine && engine->state() < Debugger::Internal::InferiorShutdownRequested ? engine : nullptr;
}
} // namespace

void KorvanDebuggerPlugin::syncCommand()
{
    const Debugger::Internal::DebuggerEngine *engine = Debugger::Internal::currentEngine();
    const bool undoDb = debuggerIsUndoDb(engine ? engine->runParameters().debuggerCommand : QString());
    const auto follows = [undoDb](const char *id) {
        const QAction *source = hostAction(id);
        return undoDb && source && source->isEnabled();
    };
    const auto sync = [](QObject *target, bool enabled) {
        if (auto action = qobject_cast<QAction *>(target))
            action->setEnabled(enabled);
        else if (auto widget = qobject_cast<QWidget *>(target))
            widget->setEnabled(enabled);
    };
    sync(hostAction("Korvan.Debugger.ReverseContinue"), follows("Debugger.Continue"));
    sync(hostAction("Korvan.Debugger.ReverseStepOver"), follows("Debugger.NextLine"));
    sync(m_bookmarkCombo, follows("Debugger.NextLine"));
    sync(m_bookmarkLabel, follows("Debugger.NextLine"));
    sync(hostAction("Korvan.Debugger.ReverseStepIn"), follows("Debugger.StepLine"));
    sync(hostAction("Korvan.Debugger.ReverseStepOut"), follows("Debugger.StepOut"));
}

namespace {
bool operatesByInstruction()
{
    const QAction *action = hostAction("Debugger.OperateByInstruction");
    return action && action->isChecked();
}
} // namespace

void KorvanDebuggerPlugin::handleReverseContinue()
{
    handleReverse(reverseCommand(ReverseMove::Continue, operatesByInstruction()));
}

void KorvanDebuggerPlugin::handleReverseStepOver()
{
    handleReverse(reverseCommand(ReverseMove::StepOver, operatesByInstruction()));
}

void KorvanDebuggerPlugin::handleReverseStepIn()
{
    handleReverse(reverseCommand(ReverseMove::StepIn, operatesByInstruction()));
}

void KorvanDebuggerPlugin::handleReverseStepOut()
{
    handleReverse(reverseCommand(ReverseMove::StepOut, operatesByInstruction()));
}

void KorvanDebuggerPlugin::handleReverse(const char *command)
{
    using namespace Debugger::Internal;
    GdbEngine *engine = currentGdbEngine();
    if (!engine)
        return;
    engine->resetLocation();
    engine->setTokenBarrier();
    engine->notifyInferiorRunRequested();
    engine->showStatusMessage(tr("Running requested..."), 5000);
    DebuggerCommand run{QByteArray(command)};
    run.flags = RunRequest;
    run.callback = [engine](const DebuggerResponse &response) { engine->handleExecuteContinue(response); };
    engine->runCommand(run);
}

void KorvanDebuggerPlugin::handleBookmark(QString text)
{
    using namespace Debugger::Internal;
    // The box activates again for the same return (with the entry no longer
    // new): that would go to a just-set bookmark or move a second time.
    if (m_bookmarkActivationHandled)
        return;
    m_bookmarkActivationHandled = true;
    QTimer::singleShot(0, this, [this] { m_bookmarkActivationHandled = false; });

    QString added;
    if (m_bookmarkModel) {
        added = m_bookmarkModel->addedEntry;
        m_bookmarkModel->addedEntry.clear();
    }
    if (!added.isEmpty()) {
        // The sort may have moved the typed entry away from the current row.
        text = added;
        if (m_bookmarkCombo) {
            const QSignalBlocker blocker(m_bookmarkCombo);
            const int row = m_bookmarkCombo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (row >= 0)
                m_bookmarkCombo->setCurrentIndex(row);
            m_bookmarkCombo->setCurrentText(text);
        }
    }
    const BookmarkCommand command = bookmarkCommand(text, !added.isEmpty());
    const QByteArray commandText = command.text.toLocal8Bit();
    switch (command.action) {
    case BookmarkAction::GotoTime:
    case BookmarkAction::RecordMode:
        handleReverse(commandText.constData());
        break;
    case BookmarkAction::GotoBookmark:
        if (GdbEngine *engine = currentGdbEngine()) {
            engine->notifyInferiorRunRequested();
            DebuggerCommand jump(commandText);
            jump.flags = RunRequest;
            jump.callback = [engine](const DebuggerResponse &response) { engine->handleExecuteJumpToLine(response); };
            engine->runCommand(jump);
        }
        break;
    case BookmarkAction::SetBookmark:
        if (GdbEngine *engine = currentGdbEngine()) {
            DebuggerCommand set(commandText);
            set.flags = ConsoleCommand;
            set.callback = [](const DebuggerResponse &response) {
                const QString error = bookmarkCreationError(response);
                if (!error.isEmpty())
                    showMessageBox(QMessageBox::Critical, bookmarkCreationErrorTitle(), error, QMessageBox::NoButton);
            };
            engine->runCommand(set);
        }
        break;
    case BookmarkAction::None:
        break;
    }
}

QString KorvanDebuggerPlugin::currentFrameText() const
{
    return m_stackDelegate ? m_stackDelegate->currentFrameText() : QString();
}

QMessageBox *KorvanDebuggerPlugin::showMessageBox(QMessageBox::Icon icon, const QString &title, const QString &text,
                                                   QMessageBox::StandardButtons buttons)
{
    auto box = new QMessageBox(icon, title, text, buttons, Core::ICore::mainWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->show();
    return box;
}

void KorvanDebuggerPlugin::scheduleConfigurationError(const Configuration::PythonError &error)
{
    QTimer::singleShot(0, this, [this, error] { openOptionsPageForError(error); });
}

void KorvanDebuggerPlugin::openOptionsPageForError(const Configuration::PythonError &error)
{
    // The options dialog runs its own event loop: configError() arrives
    // while the page is open.
    QTimer::singleShot(0, this, [this, error] { emit configError(error); });
    Core::ICore::showOptionsDialog(optionsPageId, nullptr);
    // Opening the dialog took the printers out of GDB's start-up commands.
    // Whether the page was closed with OK or Cancel, and whether or not the
    // host saves its settings on closing (which would put them back too),
    // the next GDB session must find them there.
    parametersChanged();
}

namespace {
const char *const hdlExtensions[] = {".vhdl", ".vhd", ".v", ".vg", ".sv"};
} // namespace

bool KorvanDebuggerPlugin::sourceLocation(const QModelIndex &index, QString &file, int &line)
{
    if (!index.isValid())
        return false;
    const QModelIndex value = index.column() == 1 ? index : index.sibling(index.row(), 1);
    const QString text = value.data(Qt::EditRole).toString();
    // The line follows the last colon: a Windows path has one of its own.
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    file = text.left(colon);
    bool ok = false;
    line = text.mid(colon + 1).toInt(&ok, 10);
    if (!ok)
        return false;
    bool hdl = false;
    for (const char *extension : hdlExtensions)
        hdl = hdl || file.endsWith(QLatin1String(extension), Qt::CaseSensitive);
    return hdl && QFile::exists(file);
}

bool KorvanDebuggerPlugin::openSource(const QModelIndex &index, bool showError)
{
    if (index.isValid() && index.model()) {
        QString file;
        int line = 0;
        if (sourceLocation(index, file, line)) {
            bool newEditor = false;
            Core::IEditor *editor = Core::EditorManager::openEditor(
                file, Core::Id(), Core::EditorManager::IgnoreNavigationHistory, &newEditor);
            if (editor) {
                editor->gotoLine(line, 0, false);
                if (newEditor)
                    editor->document()->setProperty("OpenedByDebugger", true);
                if (theInstance) {
                    auto mark = new TextEditor::TextMark(file, line, Core::Id("Bookmarks.TextMarkCategory"));
                    delete theInstance->m_sourceMark;
                    theInstance->m_sourceMark = mark;
                    mark->setIcon(QIcon(QStringLiteral(":HDLMarker.png")));
                    mark->setPriority(2);
                }
                return true;
            }
        } else {
            // Children hang off the name column, whichever cell was given.
            const QModelIndex name = index.sibling(index.row(), 0);
            const QModelIndexList hits = index.model()->match(name, Qt::DisplayRole, QStringLiteral("Source"), -1,
                                                              Qt::MatchExactly | Qt::MatchRecursive);
            for (const QModelIndex &hit : hits) {
                if (hit.parent() == name)
                    return openSource(hit, true);
            }
        }
    }
    if (showError)
        Host::information(QWidget::mouseGrabber(), tr("Graph Drawing Engine Message"),
                          tr("Source Information not available."));
    return false;
}

QString KorvanDebuggerPlugin::resolveTypedef(const QString &name) const
{
    return m_typedefMap.value(name, name);
}

QJsonObject KorvanDebuggerPlugin::findStoredClassDefinition(const QString &typeName) const
{
    Configuration::ClassList list;
    list.setValue(*m_prettyPrinters, true);
    return list.classModel()->findClassForType(resolveTypedef(typeName));
}

QJsonObject KorvanDebuggerPlugin::findEditedClassDefinition(const QString &typeName) const
{
    Configuration::ClassList *list = m_optionsPage ? m_optionsPage->classList() : nullptr;
    if (!list)
        return QJsonObject();
    return list->classModel()->findClassForType(resolveTypedef(typeName));
}

namespace {
bool isContainerDefinition(const QJsonObject &definition)
{
    using namespace Configuration;
    AccessorInputGenerator feature(Key::feature, 0, 1);
    feature.setValue(definition, true);
    return feature.kind == AccessorKind::FeatureContainer;
}
} // namespace

bool KorvanDebuggerPlugin::checkStoredClassDefinition(const QString &typeName)
{
    return theInstance && isContainerDefinition(theInstance->findStoredClassDefinition(typeName));
}

bool KorvanDebuggerPlugin::checkEditedClassDefinition(const QString &typeName)
{
    return theInstance && isContainerDefinition(theInstance->findEditedClassDefinition(typeName));
}

Configuration::PythonCode KorvanDebuggerPlugin::generateAllClassModels() const
{
    return generateClassesCode(*m_prettyPrinters);
}

QByteArray KorvanDebuggerPlugin::getResourceCode(const char *name)
{
    ensureKorvanResources();
    const QResource resource(QString::fromLatin1(name), QLocale());
    if (!resource.isValid() || !resource.data())
        return QByteArray();
    const auto data = reinterpret_cast<const uchar *>(resource.data());
    const int size = int(resource.size());
    if (resource.compressionAlgorithm() == QResource::ZlibCompression)
        return qUncompress(data, size);
    if (resource.compressionAlgorithm() != QResource::NoCompression)
        return QByteArray(); // a codec this build cannot read
    return QByteArray(reinterpret_cast<const char *>(data), size);
}

QString KorvanDebuggerPlugin::getResourceCodeAsQstring(const char *name)
{
    const QByteArray bytes = getResourceCode(name);
    const int end = bytes.indexOf('\0');
    return QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
}

} // namespace Internal
} // namespace KorvanDebugger
