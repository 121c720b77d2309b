#pragma once

// The host's debugger log: lines come one by one from GDB's conversation
// and from the process's diagnostics, many thousands per stop when printers
// trace; the view takes them in one append per event-loop turn and keeps
// the most recent lines only. The process's Qt messages also go to a log
// file; the terminal gets only critical ones, unless verbose.

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QPlainTextEdit>
#include <QStringList>

namespace Host {

class HostLog : public QObject
{
    Q_OBJECT
public:
    explicit HostLog(QPlainTextEdit *view, int maximumLines = 20000);

    QPlainTextEdit *view() const { return m_view; }
    int maximumLines() const { return m_maximumLines; }
    // Queues a line (or several, separated by newlines); callable from any thread.
    void append(const QString &text);
    // Shows what is queued now instead of at the end of the event-loop turn.
    void flush();

private:
    QPointer<QPlainTextEdit> m_view;
    const int m_maximumLines;
    QMutex m_mutex;
    QStringList m_pending;
    bool m_flushQueued = false;
};

// Routes every Qt message of the process to the file (created, emptied at
// start), to the log view set with setDiagnosticsLog, and, when verbose or
// for critical and fatal messages, to the terminal. Verbose also turns on
// the debug and info messages of the plug-ins' and the host's categories
// ("korvan.plugin.*", "korvan.host.*"). False with the reason
// when the file cannot be written; the other routes work anyway.
bool installDiagnostics(const QString &filePath, bool verbose, QString *error);
void setDiagnosticsLog(HostLog *log);
// Writes a line to the log file alone (korvan-host's own errors, which it
// prints to the terminal itself).
void writeDiagnosticsFile(const QString &text);

} // namespace Host
