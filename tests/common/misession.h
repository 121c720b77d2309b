#pragma once

// A GDB/MI conversation with a real GDB (or a front end that wraps it), one
// command at a time: what a test needs of the host engine's command loop.

#include "protocol/debuggerresponse.h"
#include "protocol/gdbmi.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QStringList>

// One line of GDB/MI output: `token^class,results`, `*class,results`,
// `=class,results`, `~"stream"` and the like.
struct MiRecord
{
    int token = -1;
    char kind = 0;
    QByteArray className;
    QByteArray body; // the results, or the quoted stream text
    QByteArray line;
};

// False for the prompt and the program's own output.
bool splitMiRecord(const QByteArray &line, MiRecord *record);
Debugger::Internal::ResultClass resultClassFromName(const QByteArray &name);
QByteArray miStreamText(const QByteArray &quoted);

class MiSession
{
public:
    MiSession() = default;
    ~MiSession();

    bool start(const QString &gdb, const QStringList &arguments);

    // Sends one command and collects its records up to its result (and, when
    // it resumes the program, up to the next stop).
    QList<MiRecord> run(const QByteArray &command, bool waitForStop = false);
    // The response the engine would hand to the command's callback.
    Debugger::Internal::DebuggerResponse respond(const QByteArray &command);

    // The results of the last "*stopped" among the records (Invalid if none).
    static Debugger::Internal::GdbMi stopRecord(const QList<MiRecord> &records);
    static Debugger::Internal::DebuggerResponse response(const QList<MiRecord> &records);

    const QList<MiRecord> &records() const { return m_records; }
    QProcess &process() { return m_gdb; }

private:
    QProcess m_gdb;
    QByteArray m_pending;
    QList<MiRecord> m_records;
    int m_nextToken = 1;
};

// Compiles a C++ fixture for debugging (g++ -g -O0) and reads the lines of
// its "// marker" comments; false when it cannot be read or built.
bool buildFixture(const QString &source, const QString &program, QMap<QByteArray, int> *markers);
