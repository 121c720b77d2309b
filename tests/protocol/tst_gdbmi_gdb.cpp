// Real GDB/MI output, from gdb driving a small fixture program, through the
// value parser, the response record and the value decoders.

#include "common/misession.h"
#include "protocol/debuggerresponse.h"
#include "protocol/gdbmi.h"
#include "protocol/gdbversion.h"
#include "protocol/valuedecoding.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Debugger::Internal;

namespace {

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
    MiSession m_gdb;
    int m_stopLine = 0;

    QList<MiRecord> run(const QByteArray &command, bool waitForStop = false)
    {
        return m_gdb.run(command, waitForStop);
    }
    DebuggerResponse respond(const QByteArray &command) { return m_gdb.respond(command); }

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
        QVERIFY(m_gdb.start(gdb, {QStringLiteral("-nx"), QStringLiteral("-q"), QStringLiteral("--interpreter=mi"), program}));
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
        const QList<MiRecord> records = run("-exec-run", true);
        const GdbMi stop = MiSession::stopRecord(records);
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
        for (const MiRecord &record : records)
            console += record.kind == '~' ? miStreamText(record.body) : QByteArray();
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
        QVERIFY(m_gdb.process().waitForFinished(10000));
    }

    // Every record gdb printed parses completely, prints back as gdb wrote it
    // (gdb escapes bytes above 0x7f in octal, we keep them: those compare as
    // trees) and parses again to the same tree.
    void everyRecordRoundTrips()
    {
        QVERIFY(m_gdb.records().size() > 20);
        int exact = 0;
        for (const MiRecord &record : qAsConst(m_gdb.records())) {
            if (record.kind == '~' || record.kind == '@' || record.kind == '&') {
                const QByteArray text = miStreamText(record.body);
                const QByteArray again = '"' + escapeCString(text) + '"';
                QCOMPARE(miStreamText(again), text);
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
        QVERIFY(exact >= m_gdb.records().size() - 8);
    }
};

QTEST_GUILESS_MAIN(TestGdbMiWithGdb)
#include "tst_gdbmi_gdb.moc"
