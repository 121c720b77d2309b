#pragma once

// The netlist fixture program (tests/fixtures/netlistdesign.cpp) compiled
// and debugged in the stand-in IDE with the plug-in loaded, stopped where
// its design is complete in memory. Shared by the tests of graph windows on
// real GDB (and the benchmarks of them).

#include "common/testenvironment.h"
#include "netlist/graphrecords.h"

#include <QModelIndex>
#include <QString>
#include <QStringList>
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

class NetlistSession
{
public:
    NetlistSession();
    ~NetlistSession();

    // Compiles the fixture, starts the host with the plug-in and runs the
    // program to its "// break here" line with the arguments given after
    // the HDL file (the program's first argument). False with the reason.
    bool start(QString *error, const QStringList &moreArguments = {});
    // Starts the compiled fixture once more in the same window.
    bool restart(QString *error, const QStringList &moreArguments = {});
    // Ends the debugging session and the host.
    void shutdown();

    Debugger::Internal::GdbEngine *engine() const;
    Host::HostWindow *window() const { return m_window.get(); }
    QTreeView *watchView() const;
    // The watch-model item of a local of the stopped frame.
    QModelIndex local(const QString &name) const;
    QString program() const;
    // The record of an instance value of the program (fetched with its
    // children through an Inspector), read as the graph windows read them;
    // gate kind 0 when the value did not come.
    UndoFramework::Instance instanceRecord(const QByteArray &expression) const;
    // A graph state of the netlist of that name holding the instances of
    // the expressions, keyed in the data base like the design's top;
    // false when one of them could not be read.
    bool graphState(const QString &moduleName, const QList<QByteArray> &instances,
                    UndoFramework::GraphUndoState &state) const;

    static QString sourceRoot();
    static QString hdlFile();
    // The 1-based line of the file that holds the text; 0 when none does.
    static int lineOf(const QString &file, const QString &text);

private:
    bool run(QString *error, const QStringList &moreArguments);

    std::unique_ptr<TestEnvironment> m_env;
    QTemporaryDir m_build;
    std::unique_ptr<Host::HostWindow> m_window;
    std::unique_ptr<KorvanDebugger::Internal::KorvanDebuggerPlugin> m_plugin;
};
