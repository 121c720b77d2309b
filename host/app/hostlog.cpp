#include "hostlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutexLocker>
#include <QPlainTextEdit>

#include <cstdio>

namespace Host {

HostLog::HostLog(QPlainTextEdit *view, int maximumLines)
    : QObject(view)
    , m_view(view)
    , m_maximumLines(qMax(1, maximumLines))
{
    view->setMaximumBlockCount(m_maximumLines);
}

void HostLog::append(const QString &text)
{
    QMutexLocker locker(&m_mutex);
    m_pending.append(text);
    // Lines the view would drop at once are not kept waiting either.
    if (m_pending.size() > m_maximumLines)
        m_pending.erase(m_pending.begin(), m_pending.begin() + (m_pending.size() - m_maximumLines));
    if (m_flushQueued)
        return;
    m_flushQueued = true;
    QMetaObject::invokeMethod(this, &HostLog::flush, Qt::QueuedConnection);
}

void HostLog::flush()
{
    QStringList lines;
    {
        QMutexLocker locker(&m_mutex);
        lines.swap(m_pending);
        m_flushQueued = false;
    }
    if (!lines.isEmpty() && m_view)
        m_view->appendPlainText(lines.join(QLatin1Char('\n')));
}

namespace {
struct Diagnostics
{
    QMutex mutex;
    QFile file;
    bool verbose = false;
    QPointer<HostLog> log;
};

Diagnostics &diagnostics()
{
    static Diagnostics instance;
    return instance;
}

void writeLine(QFile &file, const QString &text)
{
    if (!file.isOpen())
        return;
    file.write(text.toUtf8() + '\n');
    file.flush();
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Diagnostics &d = diagnostics();
    const QString text = qFormatLogMessage(type, context, message);
    QPointer<HostLog> log;
    {
        QMutexLocker locker(&d.mutex);
        writeLine(d.file, text);
        log = d.log;
    }
    if (log)
        log->append(text);
    if (d.verbose || type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
    }
}
} // namespace

bool installDiagnostics(const QString &filePath, bool verbose, QString *error)
{
    Diagnostics &d = diagnostics();
    {
        QMutexLocker locker(&d.mutex);
        d.verbose = verbose;
        d.file.close();
        d.file.setFileName(filePath);
        if (!QDir().mkpath(QFileInfo(filePath).absolutePath())
            || !d.file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            if (error)
                *error = QStringLiteral("the log file %1 cannot be written: %2").arg(filePath, d.file.errorString());
        }
    }
    // The plug-ins' and the host's own diagnostics, which a user does not
    // need: only when asked for. (The graph side's trace has its own switch.)
    if (verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("korvan.plugin.*.debug=true\nkorvan.plugin.*.info=true\n"
                                                        "korvan.host.*.debug=true\nkorvan.host.*.info=true"));
    qInstallMessageHandler(handleMessage);
    return d.file.isOpen();
}

void setDiagnosticsLog(HostLog *log)
{
    QMutexLocker locker(&diagnostics().mutex);
    diagnostics().log = log;
}

void writeDiagnosticsFile(const QString &text)
{
    QMutexLocker locker(&diagnostics().mutex);
    writeLine(diagnostics().file, text);
}

} // namespace Host
