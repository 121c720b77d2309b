#pragma once

#include <extensionsystem/iplugin.h>

#include "configuration/pythoncode.h"
#include "configuration/pythonerror.h"
#include "editor/korvandebuggeroptions.h"

#include <QByteArray>
#include <QList>
#include <QBoxLayout>
#include <QMessageBox>
#include <QJsonObject>
#include <QMap>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

#include "netlist/usermodel.h"
#include "plugin/bookmarks.h"
#include "views/korvandebuggerstackdelegate.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QModelIndex>
#include <QPlainTextEdit>

namespace TextEditor { class TextMark; }
namespace Debugger { namespace Internal { class GdbEngine; class DebuggerResponse; } }

namespace KorvanDebugger {
namespace Internal {

class LogFilter;

class KorvanDebuggerPlugin : public ExtensionSystem::IPlugin, public UndoFramework::UserModel
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QtCreatorPlugin" FILE "KorvanDebugger.json")
public:
    KorvanDebuggerPlugin();
    ~KorvanDebuggerPlugin() override;

    // The one plug-in object of the process, or null.
    static KorvanDebuggerPlugin *instance();

    // The stored "Debugger/PrettyPrinters" document, shared with the options
    // page; null when there is no plug-in object.
    static QSharedPointer<QJsonObject> getConfiguration();
    QSharedPointer<QJsonObject> customConfiguration() const { return m_customPrettyPrinters; }

    // The type a reported typedef stands for (one lookup, no chains).
    QString resolveTypedef(const QString &name) const;
    void setTypedef(const QString &name, const QString &target) { m_typedefMap.insert(name, target); }
    void clearTypedefs() { m_typedefMap.clear(); }
    const QMap<QString, QString> &typedefMap() const { return m_typedefMap; }

    // The enabled class definition that serves a type, from the stored
    // document or from the class list open on the options page.
    QJsonObject findStoredClassDefinition(const QString &typeName) const;
    QJsonObject findEditedClassDefinition(const QString &typeName) const;
    static bool checkStoredClassDefinition(const QString &typeName);
    static bool checkEditedClassDefinition(const QString &typeName);

    // The Python of every enabled class model of the stored document; starts
    // a new generation (the previous one's names become pending deletions).
    Configuration::PythonCode generateAllClassModels() const;

    KorvanDebuggerOptions *optionsPage() const { return m_optionsPage; }

    // False for a refused second plug-in object (errorString says why).
    bool initialize(const QStringList &arguments, QString *errorString) override;
    void extensionsInitialized() override;
    // Grafts the plug-in onto the host's debugger window; always false.
    bool delayedInitialize() override;
    ShutdownFlag aboutToShutdown() override;

    // True when another plug-in object was live at construction: this one
    // is refused and does nothing.
    bool isRefused() const { return m_refused; }

    // The function of the current stack frame, from the stack delegate;
    // empty while there is none.
    QString currentFrameText() const;
    KorvanDebuggerStackDelegate *stackDelegate() const { return m_stackDelegate; }
    // The editors of the host's debugger log that the log filter reads.
    QList<QPlainTextEdit *> debuggerLogEditors() const;

    // An HDL source location ("file:line") of a row, read from its value
    // column; true when the file is an existing HDL file.
    static bool sourceLocation(const QModelIndex &index, QString &file, int &line);
    // Opens the row's HDL source (or that of its "Source" child) at its line
    // with the plug-in's one text mark; tells the user when it cannot.
    static bool openSource(const QModelIndex &index, bool showError);
    TextEditor::TextMark *sourceMark() const { return m_sourceMark; }

    // Sends a reverse command to the current GDB engine as a run request,
    // its answer handled like the host's continue; no GDB engine: nothing.
    void handleReverse(const char *command);
    BookmarkModel *bookmarkModel() const { return m_bookmarkModel; }

    // A message box that does not block, deleted when closed.
    static QMessageBox *showMessageBox(QMessageBox::Icon icon, const QString &title, const QString &text,
                                       QMessageBox::StandardButtons buttons);

    // Schedules the hand-over of a printer error to the options page: the
    // page is opened and receives configError() while it is shown.
    void scheduleConfigurationError(const Configuration::PythonError &error);

    // ---- The printers in GDB: the private Python block, its regeneration
    // and injection into a running GDB, the debugger-log filter's reports,
    // and the customized single values (injection.cpp).

    // True when the current engine takes commands (engine states 10 to 15).
    static bool isGdbReady();
    // Sends a block with code (and the instrumented ":DynamicPrettyPrinters.py"
    // when withCommonCode) to a running GDB engine, then "loadDumpers". Does
    // nothing, and leaves the pending deletions in code, without one; returns
    // whether it sent.
    bool updateRunningDebugger(Configuration::PythonCode &code, bool withCommonCode);
    // How many blocks went to a running GDB since the plug-in started.
    int runningDebuggerSends() const { return m_runningDebuggerSends; }
    // Identifies the printers of one generation (common code, shared helpers,
    // definitions), not the deletions of the previous one.
    static QByteArray generationFingerprint(const QString &commonCode, const Configuration::PythonCode &code);
    // The reply handler of "loadDumpers" sent to engine: the host learns
    // the new printers, and the locals are shown through them.
    static void handleLoadDumpers(Debugger::Internal::GdbEngine *engine,
                                  const Debugger::Internal::DebuggerResponse &response);
    // The registrations of every customized value of the custom document.
    Configuration::PythonCode generateCustomCode() const;
    QJsonObject findCustomDefinition(const QString &api, const QString &path, const QString &className) const;
    // Erases the entry, saves the document and queues the unregistration;
    // the caller regenerates. False when the save failed.
    bool removeCustomDefinition(const QString &api, const QString &path, const QString &className);
    // Presents one printer error report: an internal one in a message box,
    // one of a class model on the options page at that class.
    void showPythonError(Configuration::PythonError &error);
    // The filter of the debugger log editors found at delayed start-up.
    LogFilter *logFilter() const { return m_logFilter; }

public slots:
    // Regenerates the block and stores it in the start-up commands; with
    // updateDebugger it also reaches a GDB that is already running.
    void parametersChangedInternal(bool updateDebugger = true);

private:
    // Step D: the log filter on the debugger log editors.
    void watchDebuggerLog();

public:
    // Customized containers: the entry "Korvan: Customized container" of
    // the watch view's value-format menu for a container-typed item, and
    // the wizard run that stores, replaces or deletes the item's entry in
    // "Debugger/CustomPrettyPrinters" and regenerates the printers.
    void addCustomizedContainerAction(QMenu *menu, const QString &typeName, const QString &path);
    void editCustomizedContainer(QJsonObject definition, const QString &api, const QString &path,
                                 const QString &typeName, bool isNew, Configuration::PythonError *error);

    // The event types of the graph editor's posted events.
    static int instanceEventType;
    static int instanceTerminalEventType;
    static int netEventType;
    static int moduleEventType;
    static int modulePortEventType;
    static int instanceDefinitionEventType;

signals:
    void configError(KorvanDebugger::Configuration::PythonError error);

public slots:
    // Takes the private block out of the host's start-up commands (before
    // the options dialog opens, and at shutdown).
    void startEditParameters();
    // The host saved its settings: the place where the private block is
    // regenerated and stored again.
    void parametersChanged();
    // A run-control command of the host ran: the graph data and the stack
    // analysis are out of date.
    void resetGraphDefinition();

    // Reverse execution over UndoDB: the reverse actions and the bookmark
    // box follow the host's run-control actions while UndoDB is the debugger.
    void syncCommand();
    void handleReverseContinue();
    void handleReverseStepIn();
    void handleReverseStepOut();
    void handleReverseStepOver();
    // An entry of the bookmark box chosen or typed: moves in the recording,
    // sets a bookmark or goes back to live recording.
    void handleBookmark(QString text);

    // The bytes of a resource of the plug-in, uncompressed; empty when there
    // is no such resource.
    static QByteArray getResourceCode(const char *name);
    // The same, up to the first zero byte, as Latin-1 text.
    static QString getResourceCodeAsQstring(const char *name);

private:
    void openOptionsPageForError(const Configuration::PythonError &error);
    void installDelegates(QWidget *debuggerWindow);
    void connectDebuggerLog(QWidget *debuggerWindow);
    bool replaceReverseButton(QWidget *debuggerWindow);
    void insertControls(QWidget *parent, QBoxLayout *layout, int index);
    void connectRunControl();

    TextEditor::TextMark *m_sourceMark = nullptr;
    QPointer<KorvanDebuggerOptions> m_optionsPage;
    QMap<QString, QString> m_typedefMap;
    QSharedPointer<QJsonObject> m_prettyPrinters;
    QSharedPointer<QJsonObject> m_customPrettyPrinters;
    QPointer<KorvanDebuggerStackDelegate> m_stackDelegate;
    QPointer<QComboBox> m_bookmarkCombo;
    QPointer<QLabel> m_bookmarkLabel;
    QPointer<BookmarkModel> m_bookmarkModel;
    // Set while one return in the bookmark box is handled: the box activates
    // more than once per return, and only the first activation counts.
    bool m_bookmarkActivationHandled = false;
    QPointer<QAction> m_stackAnalysisAction;
    QList<QPointer<QPlainTextEdit>> m_logEditors;
    bool m_refused = false;
    LogFilter *m_logFilter = nullptr;
    // From the moment a regeneration is scheduled until it begins.
    bool m_updatePending = false;
    // The generation in the start-up commands, and the one the session of
    // m_loadedEngine has: a generation is sent only to a GDB without it.
    QByteArray m_storedFingerprint;
    QPointer<QObject> m_loadedEngine;
    QByteArray m_loadedFingerprint;
    int m_runningDebuggerSends = 0;
    // The last model error handed to the options page, and the models it
    // was reported against.
    QByteArray m_shownModelError;
};

} // namespace Internal
} // namespace KorvanDebugger
