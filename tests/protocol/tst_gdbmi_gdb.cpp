// Real GDB/MI output, from gdb driving a small fixture program, through the
// value parser, the response record and the value decoders.

#include "protocol/debuggerresponse.h"
#include "protocol/gdbmi.h"
#include "protocol/gdbversion.h"
#include "protocol/valuedecoding.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Debugger::Internal;

namespace {

// One line of GDB/MI output: `token^class,results`, `*class,results`,
// `=class,results`, `~"stream"` and the like.
struct Record
{
    int token = -1;
    char kind = 0;
    QByteArray className;
    QByteArray body; // the results, or the quoted stream text
    QByteArray line;
};

bool splitRecord(const QByteArray &line, Record *record)
{
    int pos = 0;
    while (pos < line.size() && line.at(pos) >= '0' && line.at(pos) <= '9')
        ++pos;
    if (pos >= line.size() || !QByteArray("^*+=~@&").contains(line.at(pos)))
        return false; // the prompt or the program's own output
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

QByteArray streamText(const QByteArray &quoted)
{
    const char *from = quoted.constData();
    return GdbMi::parseCString(from, from + quoted.size());
}

bool sameTree(const GdbMi &a, const GdbMi &b)
{
    if (a.type() != b.type() || a.name() != b.name() || a.data() != b.data()
            || a.childCount() != b.childCount())
        return false;
    for (int i = 0; i < a.childCount(); ++i) {
        if (!sameTree(a.childAt(i), b.childAt(i)))
            return false;
    }
    return true;
}

QByteArrayList names(const GdbMi &list, const char *field)
{
    QByteArrayList out;
    for (const GdbMi &item : list)
        out << item[field].data();
    return out;
}

} // namespace

class TestGdbMiWithGdb : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_gdb;
    QByteArray m_pending;
    QList<Record> m_records;
    int m_nextToken = 1;
    int m_stopLine = 0;

    // Sends one command and collects its records up to its result (and, when
    // it resumes the program, up to the next stop).
    QList<Record> run(const QByteArray &command, bool waitForStop = false)
    {
        const int token = m_nextToken++;
        m_gdb.write(QByteArray::number(token) + command + '\n');
        QList<Record> seen;
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
            Record record;
            if (!splitRecord(line, &record))
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

    // The response the engine would hand to the command's callback.
    DebuggerResponse respond(const QByteArray &command)
    {
        DebuggerResponse response;
        const QList<Record> records = run(command);
        for (const Record &record : records) {
            if (record.kind == '~')
                response.consoleStreamOutput += streamText(record.body);
            if (record.kind == '^') {
                response.token = record.token;
                response.resultClass = resultClassFromName(record.className);
                if (!record.body.isEmpty()) // a bare `^done` carries no data
                    response.data.fromStringMultiple(record.body);
            }
        }
        return response;
    }

    GdbMi stopRecord(const QList<Record> &records)
    {
        GdbMi stop;
        for (const Record &record : records) {
            if (record.kind == '*' && record.className == "stopped")
                stop.fromStringMultiple(record.body);
        }
        return stop;
    }

    QByteArray consoleHex(const QByteArray &pythonExpression)
    {
        const DebuggerResponse r = respond("-interpreter-exec console \"python print(" + pythonExpression + ")\"");
        return r.consoleStreamOutput.trimmed();
    }

private slots:
    void initTestCase()
    {
        const QString gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
        const QString gxx = QStandardPaths::findExecutable(QStringLiteral("g++"));
        if (gdb.isEmpty() || gxx.isEmpty())
            QSKIP("gdb and g++ are needed");
        const QString source = qEnvironmentVariable("KORVAN_SOURCE_DIR")
                + QStringLiteral("/tests/protocol/fixtures/mifixture.cpp");
        QFile file(source);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(source));
        const QByteArrayList lines = file.readAll().split('\n');
        for (int i = 0; i < lines.size() && !m_stopLine; ++i)
            m_stopLine = lines.at(i).contains("// stop here") ? i + 1 : 0;
        QVERIFY(m_stopLine > 0);

        const QString program = m_dir.filePath(QStringLiteral("mifixture"));
        QCOMPARE(QProcess::execute(gxx, {QStringLiteral("-g"), QStringLiteral("-O0"), source,
                                         QStringLiteral("-o"), program}), 0);
        m_gdb.start(gdb, {QStringLiteral("-nx"), QStringLiteral("-q"), QStringLiteral("--interpreter=mi"), program});
        QVERIFY(m_gdb.waitForStarted());
    }

    void cleanupTestCase()
    {
        if (m_gdb.state() != QProcess::NotRunning) {
            m_gdb.kill();
            m_gdb.waitForFinished();
        }
    }

    void breakpointInsert()
    {
        const DebuggerResponse r = respond("-break-insert mifixture.cpp:" + QByteArray::number(m_stopLine));
        QCOMPARE(r.resultClass, ResultDone);
        const GdbMi &bkpt = r.data["bkpt"];
        QCOMPARE(bkpt.type(), GdbMi::Tuple);
        QCOMPARE(bkpt["number"].data(), QByteArray("1"));
        QCOMPARE(bkpt["line"].data().toInt(), m_stopLine);
        QVERIFY(bkpt["func"].data().startsWith("area("));
        QVERIFY(bkpt["addr"].toAddress() != 0);
        QCOMPARE(bkpt["thread-groups"].type(), GdbMi::List);
    }

    void stopAtBreakpoint()
    {
        const QList<Record> records = run("-exec-run", true);
        const GdbMi stop = stopRecord(records);
        QCOMPARE(stop["reason"].data(), QByteArray("breakpoint-hit"));
        const GdbMi &frame = stop["frame"];
        QCOMPARE(frame["func"].data(), QByteArray("area"));
        QCOMPARE(frame["line"].data().toInt(), m_stopLine);
        QCOMPARE(names(frame["args"], "name"), QByteArrayList({"p", "origin", "scale", "label"}));
        QCOMPARE(frame["args"].childAt(2)["value"].data(), QByteArray("1"));
        // Two levels of escapes: MI's around GDB's own C notation.
        QVERIFY(frame["args"].childAt(3)["value"].data().endsWith(
            "<escapes> \"tab\\tquote\\\"back\\\\slash\\001\\177 nl\\n \xc3\xa4 end\""));
        QByteArray console;
        for (const Record &record : records)
            console += record.kind == '~' ? streamText(record.body) : QByteArray();
        QVERIFY(console.contains("Breakpoint 1, area (p=..., origin=0x"));
    }

    void stackArgumentsWithSimpleValues()
    {
        const DebuggerResponse r = respond("-stack-list-arguments --simple-values");
        const GdbMi &frames = r.data["stack-args"];
        QCOMPARE(frames.type(), GdbMi::List);
        QCOMPARE(names(frames, "level"), QByteArrayList({"0", "1"}));
        const GdbMi &args = frames.childAt(0)["args"];
        QCOMPARE(names(args, "type"),
                 QByteArrayList({"const Point &", "const Point *", "int", "const char *"}));
        QVERIFY(args.childAt(0)["value"].data().endsWith(": {x = 4, y = 5}"));
        QCOMPARE(frames.childAt(1)["args"].childCount(), 0);

        const DebuggerResponse address = respond("-data-evaluate-expression \"(unsigned long)origin\"");
        QCOMPARE(args.childAt(1)["value"].toAddress(), address.data["value"].data().toULongLong());
    }

    void stringValuesAndDecoders()
    {
        const DebuggerResponse r = respond("-data-evaluate-expression escapes");
        const QByteArray cText = "\"tab\\tquote\\\"back\\\\slash\\001\\177 nl\\n \xc3\xa4 end\"";
        QCOMPARE(r.data["value"].data(), cText);

        // The bytes as the dumper would send them, read by GDB's Python.
        const QByteArray bytes("tab\tquote\"back\\slash\x01\x7f nl\n \xc3\xa4 end");
        const QByteArray hex = consoleHex(
            "bytes(gdb.selected_inferior().read_memory(gdb.parse_and_eval('&escapes[0]'), 64)).hex()");
        QCOMPARE(decodeData(hex, Hex2EncodedUtf8), '"' + QString::fromUtf8(bytes) + '"');
        QCOMPARE(decodeData(hex, Hex2EncodedLatin1).left(bytes.size() + 1),
                 '"' + QString::fromLatin1(bytes.constData(), bytes.size()));
        const QByteArray wide = consoleHex(
            "bytes(gdb.selected_inferior().read_memory(gdb.parse_and_eval('&wide[0]'), 10)).hex()");
        QCOMPARE(decodeData(wide, Hex4EncodedLittleEndian), QStringLiteral("\"Gr\u00fc\u00dfe\""));
    }

    void errorCarriesMessage()
    {
        const DebuggerResponse r = respond("-data-evaluate-expression nosuch");
        QCOMPARE(r.resultClass, ResultError);
        QCOMPARE(r.data["msg"].data(), QByteArray("No symbol \"nosuch\" in current context."));
    }

    void breakpointTable()
    {
        const DebuggerResponse r = respond("-break-list");
        const GdbMi &table = r.data["BreakpointTable"];
        QCOMPARE(table["nr_rows"].data(), QByteArray("1"));
        QCOMPARE(table["hdr"].childCount(), table["nr_cols"].data().toInt());
        QCOMPARE(table["body"].childAt(0).name(), QByteArray("bkpt"));
        QCOMPARE(table["body"].childAt(0)["times"].data(), QByteArray("1"));
    }

    void versionBanner()
    {
        const QByteArray version = consoleHex("gdb.VERSION");
        const QByteArray banner = respond("-interpreter-exec console \"show version\"")
                                      .consoleStreamOutput.split('\n').first();
        const QByteArrayList parts = version.split('.');
        QVERIFY(parts.size() >= 2);
        const int expected = parts.at(0).toInt() * 10000 + parts.at(1).toInt() * 100
                + (parts.size() > 2 ? parts.at(2).toInt() : 0);
        int gdbVersion = 0;
        int build = 0;
        bool mac = true;
        bool qnx = true;
        extractGdbVersion(QString::fromUtf8(banner), &gdbVersion, &build, &mac, &qnx);
        QCOMPARE(gdbVersion, expected);
        QVERIFY(!mac);
        QVERIFY(!qnx);
    }

    void exitResponse()
    {
        const DebuggerResponse r = respond("-gdb-exit");
        QCOMPARE(r.resultClass, ResultExit);
        QCOMPARE(r.toString(), QByteArray::number(r.token) + "^exit\n");
        QVERIFY(m_gdb.waitForFinished(10000));
    }

    // Every record gdb printed parses completely, prints back as gdb wrote it
    // (gdb escapes bytes above 0x7f in octal, we keep them: those compare as
    // trees) and parses again to the same tree.
    void everyRecordRoundTrips()
    {
        QVERIFY(m_records.size() > 20);
        int exact = 0;
        for (const Record &record : qAsConst(m_records)) {
            if (record.kind == '~' || record.kind == '@' || record.kind == '&') {
                const QByteArray text = streamText(record.body);
                const QByteArray again = '"' + escapeCString(text) + '"';
                QCOMPARE(streamText(again), text);
                exact += again == record.body;
                continue;
            }
            GdbMi tree;
            const char *from = record.body.constData();
            const char *to = from + record.body.size();
            tree.parseTupleBody(from, to);
            QVERIFY2(from == to, record.line.constData());
            const QByteArray printed = tree.toString();
            GdbMi reparsed;
            reparsed.fromString(printed);
            QVERIFY2(sameTree(tree, reparsed), record.line.constData());
            if (printed == '{' + record.body + '}')
                ++exact;
            else
                QVERIFY2(record.body.contains("\\3"), record.line.constData());
        }
        QVERIFY(exact >= m_records.size() - 8);
    }
};

QTEST_GUILESS_MAIN(TestGdbMiWithGdb)
#include "tst_gdbmi_gdb.moc"
