#pragma once

// The netlist fixture program (tests/fixtures/netlistdesign.cpp) compiled
// and debugged in the stand-in IDE with the plug-in loaded, stopped where
// its design is complete in memory. Shared by the tests of graph windows on
// real GDB (and the benchmarks of them).

#include "netlist/graphrecords.h"
#include "pluginsession.h"

#include <QModelIndex>
#include <QString>
#include <QStringList>

class NetlistSession : public PluginSession
{
public:
    // Compiles the fixture, starts the host with the plug-in and runs the
    // program to its "// break here" line with the arguments given after
    // the HDL file (the program's first argument). False with the reason.
    bool start(QString *error, const QStringList &moreArguments = {});
    // Starts the compiled fixture once more in the same window.
    bool restart(QString *error, const QStringList &moreArguments = {});

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

    static QString hdlFile();

private:
    bool run(QString *error, const QStringList &moreArguments);
};
