#include "netlistsession.h"

#include "hostwindow.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "plugin/korvandebuggerplugin.h"
#include "views/inspector.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>
#include <utils/savedaction.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTreeView>

using namespace Debugger::Internal;

namespace {

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QString fixtureSource()
{
    return NetlistSession::sourceRoot() + QStringLiteral("/tests/fixtures/netlistdesign.cpp");
}

} // namespace

NetlistSession::NetlistSession() = default;

NetlistSession::~NetlistSession()
{
    shutdown();
}

QString NetlistSession::sourceRoot()
{
    return qEnvironmentVariable("KORVAN_SOURCE_DIR");
}

QString NetlistSession::hdlFile()
{
    return sourceRoot() + QStringLiteral("/tests/fixtures/netlistdesign.v");
}

int NetlistSession::lineOf(const QString &file, const QString &text)
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

QString NetlistSession::program() const
{
    return m_build.filePath(QStringLiteral("netlistdesign"));
}

bool NetlistSession::start(QString *error, const QStringList &moreArguments)
{
    if (QStandardPaths::findExecutable(QStringLiteral("gdb")).isEmpty()) {
        *error = QStringLiteral("gdb is not installed");
        return false;
    }
    QProcess compiler;
    compiler.setProcessChannelMode(QProcess::MergedChannels);
    compiler.start(QStringLiteral("g++"),
                   {QStringLiteral("-g"), QStringLiteral("-O0"), fixtureSource(), QStringLiteral("-o"), program()});
    if (!compiler.waitForFinished(120000) || compiler.exitStatus() != QProcess::NormalExit
        || compiler.exitCode() != 0) {
        *error = QStringLiteral("the fixture did not compile: ") + QString::fromLocal8Bit(compiler.readAll());
        return false;
    }

    m_env.reset(new TestEnvironment);
    m_window.reset(new Host::HostWindow);
    m_plugin.reset(new KorvanDebugger::Internal::KorvanDebuggerPlugin);
    if (!m_plugin->initialize({}, error))
        return false;
    m_plugin->extensionsInitialized();
    m_plugin->delayedInitialize();
    m_window->delayedInitialize();
    // The plug-in's printers reach GDB through its start-up commands.
    if (!waitFor([] {
            return action(GdbStartupCommands)->value().toString().contains(QLatin1String("#PRIVATESTART"));
        }, 10000)) {
        *error = QStringLiteral("the plug-in did not install its printers");
        return false;
    }
    return run(error, moreArguments);
}

bool NetlistSession::restart(QString *error, const QStringList &moreArguments)
{
    if (!m_window) {
        *error = QStringLiteral("no session was started");
        return false;
    }
    return run(error, moreArguments);
}

bool NetlistSession::run(QString *error, const QStringList &moreArguments)
{
    DebuggerRunParameters parameters;
    parameters.executable = program();
    parameters.breakpoints << QStringLiteral("netlistdesign.cpp:%1")
                                  .arg(lineOf(fixtureSource(), QStringLiteral("// break here")));
    // The instances learn their HDL lines from it (Open Source).
    parameters.arguments << hdlFile() << moreArguments;
    m_window->startDebugging(parameters);
    if (!engine()) {
        *error = QStringLiteral("no debugging session");
        return false;
    }
    QSignalSpy filled(engine(), &DebuggerEngine::stackFrameCompleted);
    if (!filled.wait(120000) || engine()->state() != InferiorStopOk || !local(QStringLiteral("top")).isValid()) {
        *error = QStringLiteral("the program did not stop with its design in memory");
        return false;
    }
    return true;
}

void NetlistSession::shutdown()
{
    if (m_window)
        m_window->shutdown();
    m_window.reset();
    m_plugin.reset();
}

GdbEngine *NetlistSession::engine() const
{
    return m_window ? m_window->engine() : nullptr;
}

QTreeView *NetlistSession::watchView() const
{
    return m_window ? m_window->watchView() : nullptr;
}

QModelIndex NetlistSession::local(const QString &name) const
{
    return engine() ? engine()->watchModel()->indexForIName(QStringLiteral("local.") + name) : QModelIndex();
}

UndoFramework::Instance NetlistSession::instanceRecord(const QByteArray &expression) const
{
    using KorvanDebugger::Internal::Inspector;
    using KorvanDebugger::Internal::InspectedField;
    Inspector inspector;
    inspector.addWatch(expression);
    QSignalSpy received(&inspector, &Inspector::dataReceived);
    inspector.flushRequests();
    if (!received.wait(60000))
        return UndoFramework::Instance();
    const QModelIndex value = inspector.valueOf(expression);
    const InspectedField field = KorvanDebugger::Internal::fieldOf(value);
    const InspectedField definition =
        KorvanDebugger::Internal::fieldOf(Inspector::childValue(value, QStringLiteral("Definition")));
    return UndoFramework::Instance(definition.value, field.value, field.pointerType(), field.address());
}

bool NetlistSession::graphState(const QString &moduleName, const QList<QByteArray> &instances,
                                UndoFramework::GraphUndoState &state) const
{
    state = UndoFramework::GraphUndoState(UndoFramework::GraphDataBase::current(),
                                          local(QStringLiteral("top")).data(LocalsAddressRole).toULongLong());
    state.moduleName = moduleName;
    for (const QByteArray &expression : instances) {
        const UndoFramework::Instance instance = instanceRecord(expression);
        if (instance.gateKind == 0)
            return false;
        state.instances << instance;
    }
    return true;
}
