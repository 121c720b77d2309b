#include "pluginsession.h"

#include "hostwindow.h"
#include "plugin/korvandebuggerplugin.h"
#include "watchtree.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <utils/savedaction.h>

#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTreeView>

using namespace Debugger::Internal;

PluginSession::PluginSession() = default;

PluginSession::~PluginSession()
{
    shutdown();
}

QString PluginSession::sourceRoot()
{
    return qEnvironmentVariable("KORVAN_SOURCE_DIR");
}

QString PluginSession::startupCommands()
{
    return action(GdbStartupCommands)->value().toString();
}

int PluginSession::lineOf(const QString &file, const QString &text)
{
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly))
        return 0;
    const QStringList lines = QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).contains(text))
            return i + 1;
    }
    return 0;
}

bool PluginSession::compile(const QString &source, const QString &program, QString *error)
{
    QProcess compiler;
    compiler.setProcessChannelMode(QProcess::MergedChannels);
    compiler.start(QStringLiteral("g++"), {QStringLiteral("-g"), QStringLiteral("-O0"), source, QStringLiteral("-o"), program});
    if (!compiler.waitForFinished(120000) || compiler.exitStatus() != QProcess::NormalExit
        || compiler.exitCode() != 0) {
        *error = QStringLiteral("%1 did not compile: %2").arg(source, QString::fromLocal8Bit(compiler.readAll()));
        return false;
    }
    return true;
}

bool PluginSession::loadPlugin(QString *error)
{
    m_window.reset(new Host::HostWindow);
    m_plugin.reset(new KorvanDebugger::Internal::KorvanDebuggerPlugin);
    if (!m_plugin->initialize({}, error))
        return false;
    m_plugin->extensionsInitialized();
    if (m_plugin->delayedInitialize()) {
        *error = QStringLiteral("the plug-in asked for a later delayed start");
        return false;
    }
    return true;
}

bool PluginSession::storePrinters(QString *error)
{
    if (!m_window) {
        *error = QStringLiteral("no host was started");
        return false;
    }
    m_window->delayedInitialize();
    if (!QTest::qWaitFor([] { return startupCommands().contains(QLatin1String("#PRIVATESTART")); }, 10000)) {
        *error = QStringLiteral("the plug-in did not store its printers");
        return false;
    }
    return true;
}

bool PluginSession::startDebugging(const QString &program, const QString &breakpoint, QString *error)
{
    if (!m_window) {
        *error = QStringLiteral("no host was started");
        return false;
    }
    DebuggerRunParameters run;
    run.executable = program;
    run.breakpoints << breakpoint;
    run.expandAllLocals = true;
    run.maxDepth = 2;
    m_window->startDebugging(run);
    if (!engine()) {
        *error = QStringLiteral("no debugging session");
        return false;
    }
    return true;
}

void PluginSession::shutdown()
{
    if (m_window)
        m_window->shutdown();
    m_plugin.reset();
    m_window.reset();
}

GdbEngine *PluginSession::engine() const
{
    return m_window ? m_window->engine() : nullptr;
}

QTreeView *PluginSession::watchView() const
{
    return m_window ? m_window->watchView() : nullptr;
}

QString PluginSession::locals() const
{
    return m_window ? Host::watchTreeText(m_window->watchView()->model(), QStringLiteral("local")) : QString();
}
