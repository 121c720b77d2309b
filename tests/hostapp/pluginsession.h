#pragma once

// The stand-in IDE with the plug-in loaded as the IDE loads it, its printers
// stored in GDB's start-up commands: where the tests of the plug-in on real
// GDB start from. Settings and model files live in a fresh folder for as
// long as the session does.

#include "common/testenvironment.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

QT_BEGIN_NAMESPACE
class QTreeView;
QT_END_NAMESPACE

namespace Debugger {
namespace Internal {
class GdbEngine;
}
} // namespace Debugger

namespace Host {
class HostWindow;
}

namespace KorvanDebugger {
namespace Internal {
class KorvanDebuggerPlugin;
}
} // namespace KorvanDebugger

class PluginSession
{
public:
    PluginSession();
    ~PluginSession();

    // Opens the host window and loads the plug-in into it; its printers are
    // not stored yet. False with the reason.
    bool loadPlugin(QString *error);
    // The host saves its settings once its plug-ins are up: the plug-in
    // stores its printers then, before any debugging session starts.
    bool storePrinters(QString *error);
    bool startHost(QString *error) { return loadPlugin(error) && storePrinters(error); }
    // Starts debugging the program up to the breakpoint ("file:line"), every
    // local expanded two levels deep. False when no session came.
    bool startDebugging(const QString &program, const QString &breakpoint, QString *error);
    // Ends the debugging session and the host.
    void shutdown();

    Host::HostWindow *window() const { return m_window.get(); }
    KorvanDebugger::Internal::KorvanDebuggerPlugin *plugin() const { return m_plugin.get(); }
    Debugger::Internal::GdbEngine *engine() const;
    QTreeView *watchView() const;
    // The locals as the watch view shows them, one row a line.
    QString locals() const;
    // A file in the session's own build folder.
    QString buildPath(const QString &name) const { return m_build.filePath(name); }

    static QString sourceRoot();
    // The GDB start-up commands as the host stores them.
    static QString startupCommands();
    // The 1-based line of the file that holds the text; 0 when none does.
    static int lineOf(const QString &file, const QString &text);
    // Compiles a C++ program for debugging (g++ -g -O0); false with the
    // compiler's output.
    static bool compile(const QString &source, const QString &program, QString *error);

private:
    TestEnvironment m_env;
    QTemporaryDir m_build;
    std::unique_ptr<Host::HostWindow> m_window;
    std::unique_ptr<KorvanDebugger::Internal::KorvanDebuggerPlugin> m_plugin;
};
