// The reverse-debugging front end (undodb-gdb) driven over GDB/MI on a
// fixture program: GDB's own reverse commands under it land where they land
// under plain GDB with `record full`, and its time and bookmark commands move
// in the recording and answer as GDB/MI commands do.

#include "common/misession.h"
#include "plugin/bookmarks.h"
#include "plugin/reverse.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Debugger::Internal;
using namespace KorvanDebugger::Internal;

namespace {

struct Place
{
    QByteArray func;
    int line = 0;
    QByteArray reason;
};

Place place(const GdbMi &stop)
{
    return {stop["frame"]["func"].data(), stop["frame"]["line"].data().toInt(), stop["reason"].data()};
}

} // namespace

class TestUndoDb : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_program;
    QMap<QByteArray, int> m_lines; // "// marker" comment -> line
    MiSession m_undo;

    bool startAtMain(MiSession &session, const QString &gdb)
    {
        if (!session.start(gdb, {QStringLiteral("-nx"), QStringLiteral("-q"),
                                 QStringLiteral("--interpreter=mi"), m_program}))
            return false;
        session.respond("-break-insert main");
        return place(MiSession::stopRecord(session.run("-exec-run", true))).line == m_lines["main start"];
    }

    // Runs a command that moves the program; its answer and where it stopped.
    Place move(MiSession &session, const QByteArray &command, ResultClass *answer = nullptr)
    {
        const QList<MiRecord> records = session.run(command, true);
        if (answer)
            *answer = MiSession::response(records).resultClass;
        return place(MiSession::stopRecord(records));
    }

    QByteArray value(MiSession &session, const QByteArray &expression)
    {
        return session.respond("-data-evaluate-expression " + expression).data["value"].data();
    }

    // The current time and the live end as the recording reports them.
    QPair<qint64, qint64> times(MiSession &session)
    {
        const QString info = QString::fromUtf8(session.respond("info record").consoleStreamOutput);
        const auto number = [&info](const char *what) {
            const QRegularExpressionMatch m = QRegularExpression(
                QString::fromLatin1(what) + QStringLiteral(" instruction number is (\\d+)")).match(info);
            return m.hasMatch() ? m.captured(1).toLongLong() : qint64(-1);
        };
        const qint64 highest = number("Highest recorded");
        const qint64 current = number("Current");
        // At the oldest state GDB names the log's head, numbered 0.
        const qint64 oldest = qMax(number("Lowest recorded") - 1, qint64(0));
        return {current < 0 ? highest : qMax(current, oldest), highest};
    }

    QByteArray errorOf(MiSession &session, const QByteArray &command)
    {
        const DebuggerResponse r = session.respond(command);
        return r.resultClass == ResultError ? r.data["msg"].data() : QByteArray("no error");
    }

private slots:
    void initTestCase()
    {
        const QString gxx = QStandardPaths::findExecutable(QStringLiteral("g++"));
        if (QStandardPaths::findExecutable(QStringLiteral("gdb")).isEmpty() || gxx.isEmpty())
            QSKIP("gdb and g++ are needed");
        const QString source = qEnvironmentVariable("KORVAN_SOURCE_DIR")
                + QStringLiteral("/tests/fixtures/reverse.cpp");
        m_program = m_dir.filePath(QStringLiteral("reverse"));
        QVERIFY2(buildFixture(source, m_program, &m_lines), qPrintable(source));
        QCOMPARE(m_lines.size(), 5);
        QVERIFY(isUndoDbPath(QStringLiteral(UNDODB_GDB)));
    }

    // Nothing to record before the program runs: the commands refuse as
    // GDB/MI commands do, with a message.
    void refusedWithoutProgram()
    {
        MiSession session;
        QVERIFY(session.start(QStringLiteral(UNDODB_GDB),
                              {QStringLiteral("-nx"), QStringLiteral("-q"), QStringLiteral("--interpreter=mi"), m_program}));
        QCOMPARE(errorOf(session, "undodb-set-bookmark early"), QByteArray("The program is not being run."));
        QCOMPARE(errorOf(session, "undodb-goto-n 5"), QByteArray("The program is not being run."));
        QCOMPARE(errorOf(session, "undodb-goto-record-mode"), QByteArray("The program is not being run."));
        QCOMPARE(errorOf(session, "undodb-set-bookmark"), QByteArray("Usage: undodb-set-bookmark NAME"));
        QCOMPARE(errorOf(session, "undodb-set-bookmark two names"), QByteArray("Usage: undodb-set-bookmark NAME"));
        QCOMPARE(errorOf(session, "undodb-goto-n 1ms"), QByteArray("Invalid time '1ms': expected N, +N or -N."));
    }

    // The program runs with the C library's vector routines off, the copies
    // (memcpy, memmove) included, after the user's own tunables; GDB keeps
    // its own environment.
    void theProgramGetsScalarCopyRoutines()
    {
        MiSession session;
        const QString own = QStringLiteral("glibc.malloc.check=0");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("GLIBC_TUNABLES"), own);
        session.process().setProcessEnvironment(environment);
        QVERIFY(session.start(QStringLiteral(UNDODB_GDB),
                              {QStringLiteral("-nx"), QStringLiteral("-q"), QStringLiteral("--interpreter=mi"), m_program}));
        // (GDB's own start-up lines may come with the first answer.)
        const QString shown = QString::fromUtf8(session.respond("show environment GLIBC_TUNABLES").consoleStreamOutput)
                                  .trimmed()
                                  .split(QLatin1Char('\n'))
                                  .last();
        const QString prefix = QStringLiteral("GLIBC_TUNABLES = ") + own + QStringLiteral(":glibc.cpu.hwcaps=");
        QVERIFY2(shown.startsWith(prefix), qPrintable(shown));
        const QStringList off = shown.mid(prefix.size()).split(QLatin1Char(','));
        for (const char *feature : {"-AVX", "-AVX2", "-AVX512F", "-AVX512VL", "-AVX512BW", "-AVX_Fast_Unaligned_Load"})
            QVERIFY2(off.contains(QLatin1String(feature)), feature);
        QCOMPARE(session.respond("python import os; print(os.environ.get('GLIBC_TUNABLES'))").consoleStreamOutput.trimmed(),
                 own.toUtf8());
    }

    // The same reverse commands under plain GDB recording by hand and under
    // the front end recording by itself stop at the same places.
    void reverseCommandsMatchGdb()
    {
        MiSession plain;
        QVERIFY(startAtMain(plain, QStandardPaths::findExecutable(QStringLiteral("gdb"))));
        QCOMPARE(plain.respond("record full").resultClass, ResultDone);
        QVERIFY(startAtMain(m_undo, QStringLiteral(UNDODB_GDB)));

        const QByteArray breakAtReturn = "-break-insert reverse.cpp:" + QByteArray::number(m_lines["square return"]);
        QList<QList<QByteArray>> seen[2];
        MiSession *sessions[2] = {&plain, &m_undo};
        for (int s = 0; s < 2; ++s) {
            MiSession &session = *sessions[s];
            QCOMPARE(session.respond(breakAtReturn).resultClass, ResultDone);
            move(session, "-exec-continue");
            QCOMPARE(move(session, "-exec-continue").line, m_lines["square return"]);
            QCOMPARE(value(session, "value"), QByteArray("2"));
            for (const char *command : {reverseCommand(ReverseMove::StepOver, false),
                                        reverseCommand(ReverseMove::StepIn, false),
                                        reverseCommand(ReverseMove::StepOut, false),
                                        reverseCommand(ReverseMove::Continue, false),
                                        reverseCommand(ReverseMove::StepIn, true),
                                        reverseCommand(ReverseMove::StepOver, true)}) {
                ResultClass answer = ResultUnknown;
                const Place at = move(session, command, &answer);
                QCOMPARE(answer, ResultRunning);
                seen[s] << QList<QByteArray>{command, at.func, QByteArray::number(at.line),
                                             value(session, "counter")};
            }
        }
        QCOMPARE(seen[1], seen[0]);
        // And they are where reverse execution must go in this program.
        QCOMPARE(seen[1].at(0).at(2).toInt(), m_lines["square count"]);
        QCOMPARE(seen[1].at(1).at(2).toInt(), m_lines["square body"]);
        QCOMPARE(seen[1].at(2).mid(1, 2), QList<QByteArray>({"accumulate", QByteArray::number(m_lines["accumulate call"])}));
        QCOMPARE(seen[1].at(3).mid(1, 3), QList<QByteArray>({"square", QByteArray::number(m_lines["square return"]), "1"}));
        QCOMPARE(value(m_undo, "value"), QByteArray("1"));
    }

    void bookmarkReturnsToTheSameState()
    {
        // Continue from the previous test: in the recording, in square(1).
        move(m_undo, "-exec-continue");
        QCOMPARE(value(m_undo, "value"), QByteArray("1"));
        const QByteArray result = value(m_undo, "result");
        const QByteArray counter = value(m_undo, "counter");
        const qint64 markTime = times(m_undo).first;
        const DebuggerResponse set = m_undo.respond("undodb-set-bookmark mark");
        QCOMPARE(set.resultClass, ResultDone);
        const int markLine = m_undo.respond("-stack-info-frame").data["frame"]["line"].data().toInt();

        QCOMPARE(move(m_undo, "-exec-continue").line, m_lines["square return"]);
        QCOMPARE(value(m_undo, "value"), QByteArray("2"));
        QVERIFY(value(m_undo, "counter") != counter);

        ResultClass answer = ResultUnknown;
        const Place back = move(m_undo, "undodb-goto-bookmark mark", &answer);
        QCOMPARE(answer, ResultRunning);
        QCOMPARE(back.func, QByteArray("square"));
        QCOMPARE(back.line, markLine);
        QCOMPARE(value(m_undo, "value"), QByteArray("1"));
        QCOMPARE(value(m_undo, "result"), result);
        QCOMPARE(value(m_undo, "counter"), counter);
        QCOMPARE(times(m_undo).first, markTime);

        QCOMPARE(errorOf(m_undo, "undodb-goto-bookmark nosuch"), QByteArray("No bookmark named 'nosuch'."));
        // Setting a name again moves the bookmark.
        move(m_undo, "reverse-stepi");
        QCOMPARE(m_undo.respond("undodb-set-bookmark mark").resultClass, ResultDone);
        move(m_undo, "-exec-continue");
        move(m_undo, "undodb-goto-bookmark mark");
        QCOMPARE(times(m_undo).first, markTime - 1);
    }

    void timesMoveInTheRecording()
    {
        const QPair<qint64, qint64> start = times(m_undo);
        QVERIFY(start.first > 10);
        QVERIFY(start.first < start.second);
        const QByteArray line = QByteArray::number(m_undo.respond("-stack-info-frame").data["frame"]["line"].data().toInt());

        ResultClass answer = ResultUnknown;
        move(m_undo, "undodb-goto-n -7", &answer);
        QCOMPARE(answer, ResultRunning);
        QCOMPARE(times(m_undo).first, start.first - 7);
        move(m_undo, "undodb-goto-n +3");
        QCOMPARE(times(m_undo).first, start.first - 4);
        const Place there = move(m_undo, "undodb-goto-n " + QByteArray::number(start.first));
        QCOMPARE(times(m_undo).first, start.first);
        QCOMPARE(QByteArray::number(there.line), line);
        // The current time itself is a move too (the answer is the same).
        move(m_undo, "undodb-goto-n +0", &answer);
        QCOMPARE(answer, ResultRunning);
        QCOMPARE(times(m_undo).first, start.first);

        // The oldest state is time 0, the live end the last.
        const Place oldest = move(m_undo, "undodb-goto-n 0");
        QCOMPARE(times(m_undo).first, qint64(0));
        QCOMPARE(oldest.line, m_lines["main start"]);
        QCOMPARE(errorOf(m_undo, "undodb-goto-n -1"),
                 QByteArray("Time -1 is outside the recording (times 0 to ") + QByteArray::number(start.second) + ").");
        QCOMPARE(errorOf(m_undo, "undodb-goto-n " + QByteArray::number(start.second + 1)),
                 QByteArray("Time ") + QByteArray::number(start.second + 1) + " is outside the recording (times 0 to "
                     + QByteArray::number(start.second) + ").");
        QCOMPARE(times(m_undo).first, qint64(0));

        // The live end is a time like the others.
        move(m_undo, "undodb-goto-n " + QByteArray::number(start.second));
        QVERIFY(!m_undo.respond("info record").consoleStreamOutput.contains("Replay mode"));
        move(m_undo, "undodb-goto-n 0");
    }

    void recordModeReturnsToTheLiveEnd()
    {
        const qint64 liveEnd = times(m_undo).second;
        ResultClass answer = ResultUnknown;
        const Place live = move(m_undo, "undodb-goto-record-mode", &answer);
        QCOMPARE(answer, ResultRunning);
        QCOMPARE(live.line, m_lines["square return"]);
        QCOMPARE(value(m_undo, "value"), QByteArray("2"));
        QVERIFY(!m_undo.respond("info record").consoleStreamOutput.contains("Replay mode"));
        QCOMPARE(times(m_undo), qMakePair(liveEnd, liveEnd));

        // Live again: going on records more, and the bookmark stays reachable.
        QCOMPARE(move(m_undo, "-exec-continue").line, m_lines["square return"]);
        QCOMPARE(value(m_undo, "value"), QByteArray("3"));
        QVERIFY(times(m_undo).second > liveEnd);
        move(m_undo, "undodb-goto-bookmark mark");
        QCOMPARE(m_undo.respond("-stack-info-frame").data["frame"]["func"].data(), QByteArray("square"));
        QCOMPARE(value(m_undo, "value"), QByteArray("1"));
    }

    // Once the recording is full the oldest times are dropped: they and the
    // bookmarks there can no longer be reached, and times count on.
    void droppedTimes()
    {
        MiSession session;
        QVERIFY(startAtMain(session, QStringLiteral(UNDODB_GDB)));
        QCOMPARE(session.respond("set record full insn-number-max 40").resultClass, ResultDone);
        QCOMPARE(session.respond("undodb-set-bookmark start").resultClass, ResultDone);
        session.respond("-break-insert reverse.cpp:" + QByteArray::number(m_lines["square return"]));
        move(session, "-exec-continue");
        move(session, "-exec-continue");
        const QPair<qint64, qint64> now = times(session);
        QVERIFY(now.second > 40);
        const qint64 oldest = now.second - 40;
        QCOMPARE(errorOf(session, "undodb-goto-bookmark start"),
                 QByteArray("Bookmark 'start' (time 0) is no longer in the recording."));
        QCOMPARE(errorOf(session, "undodb-goto-n 0"), "Time 0 is outside the recording (times "
                     + QByteArray::number(oldest) + " to " + QByteArray::number(now.second) + ").");
        move(session, "undodb-goto-n " + QByteArray::number(oldest));
        move(session, "undodb-goto-n +1");
        QCOMPARE(times(session).first, oldest + 1);
        move(session, "undodb-goto-n -1");
        QCOMPARE(session.respond("undodb-set-bookmark oldest").resultClass, ResultDone);
        move(session, "undodb-goto-record-mode");
        move(session, "undodb-goto-bookmark oldest");
        QCOMPARE(times(session).first, oldest);
        // Recording started once; later stops leave it alone.
        for (const MiRecord &record : session.records())
            QVERIFY2(!record.line.contains("cannot record"), record.line.constData());
    }

    // A new run is a new recording: the old bookmarks are gone.
    void newRunForgetsBookmarks()
    {
        QCOMPARE(m_undo.respond("kill").resultClass, ResultDone);
        QCOMPARE(errorOf(m_undo, "undodb-set-bookmark late"), QByteArray("The program is not being run."));
        QVERIFY(place(MiSession::stopRecord(m_undo.run("-exec-run", true))).line == m_lines["main start"]);
        QCOMPARE(errorOf(m_undo, "undodb-goto-bookmark mark"), QByteArray("No bookmark named 'mark'."));
    }
};

QTEST_GUILESS_MAIN(TestUndoDb)
#include "tst_undodb.moc"
