#pragma once

// The main window of korvan-host: the Debug menu, the editors, and the
// debugger window (run-control tool bar, watch and stack views, debugger
// log) around one GDB session, plus the options dialog of the plug-ins'
// pages.

#include <debugger/debuggerengine.h>

#include <QMainWindow>
#include <QPointer>

#include <memory>

QT_BEGIN_NAMESPACE
class QAbstractItemModel;
class QPlainTextEdit;
class QTabWidget;
class QTreeView;
QT_END_NAMESPACE

namespace Debugger { namespace Internal { class GdbEngine; } }
namespace TextEditor { class TextMark; }

namespace Host {

class HostLog;
class PluginManager;

class HostWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit HostWindow(QWidget *parent = nullptr);
    ~HostWindow() override;

    PluginManager *pluginManager() const { return m_plugins; }
    // Loads the plug-ins of the folder (initialize, extensionsInitialized).
    void loadPlugins(const QString &folder, const QStringList &arguments = {});
    // The host's delayed start-up call on the plug-ins.
    void delayedInitialize();

    // Starts a GDB session on the program; the old session ends first.
    Debugger::Internal::GdbEngine *startDebugging(const Debugger::Internal::DebuggerRunParameters &parameters);
    Debugger::Internal::GdbEngine *engine() const;

    QWidget *debuggerWindow() const { return m_debuggerWindow; }
    QTreeView *watchView() const { return m_watchView; }
    QTreeView *stackView() const { return m_stackView; }
    QPlainTextEdit *log() const { return m_log; }
    HostLog *hostLog() const { return m_hostLog; }
    QTabWidget *editorArea() const { return m_editors; }
    // The mark of the current location in its source, null while running.
    TextEditor::TextMark *locationMark() const { return m_locationMark.get(); }

    // The plug-ins' shutdown calls, the end of the session, the settings
    // written; the window can be deleted afterwards. Runs once.
    void shutdown();

    // The options dialog on a page; returns when it closes, true when the
    // user accepted it. While it is open, a further request only turns it
    // to the page and returns false.
    bool showOptionsDialog(const QByteArray &pageId, QWidget *parent);

signals:
    // A new session's engine, before it starts: the place to connect to it.
    void sessionCreated(Debugger::Internal::GdbEngine *engine);
    // The window was closed (File > Exit or its close button) and shut
    // down: the program ends here, whatever other windows are open.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    static void showModel(QTreeView *view, QAbstractItemModel *model);
    void createCommands();
    void updateCommands();
    // The current frame's source in the editor area at its line, marked.
    void showLocation();
    // Opens the watch items the user had open, by internal name.
    void restoreExpansion(const QModelIndex &parent);

    PluginManager *m_plugins;
    QWidget *m_debuggerWindow;
    QTreeView *m_watchView;
    QTreeView *m_stackView;
    QPlainTextEdit *m_log;
    HostLog *m_hostLog;
    std::unique_ptr<TextEditor::TextMark> m_locationMark;
    QTabWidget *m_editors;
    QPointer<Debugger::Internal::GdbEngine> m_engine;
    QPointer<QTabWidget> m_optionsPages;
    bool m_shutDown = false;
};

} // namespace Host
