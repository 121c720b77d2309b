#include "misession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtDebug>

using namespace Debugger::Internal;

bool splitMiRecord(const QByteArray &line, MiRecord *record)
{
    int pos = 0;
    while (pos < line.size() && line.at(pos) >= '0' && line.at(pos) <= '9')
        ++pos;
    if (pos >= line.size() || !QByteArray("^*+=~@&").contains(line.at(pos)))
        return false;
    record->token = pos > 0 ? line.left(pos).toInt() : -1;
    record->kind = line.at(pos);
    record->line = line;
    if (QByteArray("~@&").contains(record->kind)) {
        record->body = line.mid(pos + 1);
        return true;
    }
    const int comma = line.indexOf(',', pos);
    record->className = line.mid(pos + 1, comma < 0 ? -1 : comma - pos - 1);
    record->body = comma < 0 ? QByteArray() : line.mid(comma + 1);
    return true;
}

ResultClass resultClassFromName(const QByteArray &name)
{
    for (int rc = ResultDone; rc <= ResultExit; ++rc) {
        if (DebuggerResponse::stringFromResultClass(rc) == name)
            return ResultClass(rc);
    }
    return ResultUnknown;
}

QByteArray miStreamText(const QByteArray &quoted)
{
    const char *from = quoted.constData();
    return GdbMi::parseCString(from, from + quoted.size());
}

MiSession::~MiSession()
{
    if (m_gdb.state() != QProcess::NotRunning) {
        m_gdb.kill();
        m_gdb.waitForFinished();
    }
}

bool MiSession::start(const QString &gdb, const QStringList &arguments)
{
    m_gdb.start(gdb, arguments);
    return m_gdb.waitForStarted();
}

QList<MiRecord> MiSession::run(const QByteArray &command, bool waitForStop)
{
    const int token = m_nextToken++;
    m_gdb.write(QByteArray::number(token) + command + '\n');
    QList<MiRecord> seen;
    bool answered = false;
    bool stopped = !waitForStop;
    QElapsedTimer timer;
    timer.start();
    while (!(answered && stopped) && timer.elapsed() < 30000) {
        m_gdb.waitForReadyRead(m_pending.contains('\n') ? 0 : 1000);
        m_pending += m_gdb.readAllStandardOutput(); // also what came before gdb ended
        const int newline = m_pending.indexOf('\n');
        if (newline < 0) {
            if (m_gdb.state() == QProcess::NotRunning)
                break;
            continue;
        }
        QByteArray line = m_pending.left(newline);
        m_pending.remove(0, newline + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        MiRecord record;
        if (!splitMiRecord(line, &record))
            continue;
        m_records << record;
        seen << record;
        if (record.kind == '^' && record.token == token)
            answered = true;
        if (answered && record.kind == '*' && record.className == "stopped")
            stopped = true;
    }
    if (!(answered && stopped))
        qWarning("No answer from gdb to %s", command.constData());
    return seen;
}

DebuggerResponse MiSession::response(const QList<MiRecord> &records)
{
    DebuggerResponse response;
    for (const MiRecord &record : records) {
        if (record.kind == '~')
            response.consoleStreamOutput += miStreamText(record.body);
        if (record.kind == '^') {
            response.token = record.token;
            response.resultClass = resultClassFromName(record.className);
            if (!record.body.isEmpty()) // a bare `^done` carries no data
                response.data.fromStringMultiple(record.body);
        }
    }
    return response;
}

DebuggerResponse MiSession::respond(const QByteArray &command)
{
    return response(run(command));
}

GdbMi MiSession::stopRecord(const QList<MiRecord> &records)
{
    GdbMi stop;
    for (const MiRecord &record : records) {
        if (record.kind == '*' && record.className == "stopped")
            stop.fromStringMultiple(record.body);
    }
    return stop;
}

bool buildFixture(const QString &source, const QString &program, QMap<QByteArray, int> *markers)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArrayList lines = file.readAll().split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const int comment = lines.at(i).indexOf("// ");
        if (comment > 0)
            markers->insert(lines.at(i).mid(comment + 3).trimmed(), i + 1);
    }
    return QProcess::execute(QStringLiteral("g++"), {QStringLiteral("-g"), QStringLiteral("-O0"), source,
                                                     QStringLiteral("-o"), program}) == 0;
}
