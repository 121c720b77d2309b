#include "netlistsession.h"

#include "hostwindow.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "views/inspector.h"

#include <debugger/debuggerconstants.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>

#include <QSignalSpy>
#include <QStandardPaths>

using namespace Debugger::Internal;

namespace {

QString fixtureSource()
{
    return NetlistSession::sourceRoot() + QStringLiteral("/tests/fixtures/netlistdesign.cpp");
}

} // namespace

QString NetlistSession::hdlFile()
{
    return sourceRoot() + QStringLiteral("/tests/fixtures/netlistdesign.v");
}

QString NetlistSession::program() const
{
    return buildPath(QStringLiteral("netlistdesign"));
}

bool NetlistSession::start(QString *error, const QStringList &moreArguments)
{
    if (QStandardPaths::findExecutable(QStringLiteral("gdb")).isEmpty()) {
        *error = QStringLiteral("gdb is not installed");
        return false;
    }
    return compile(fixtureSource(), program(), error) && startHost(error) && run(error, moreArguments);
}

bool NetlistSession::restart(QString *error, const QStringList &moreArguments)
{
    if (!window()) {
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
    window()->startDebugging(parameters);
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
