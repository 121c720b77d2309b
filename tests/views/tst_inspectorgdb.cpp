// The Inspector against real GDB through the host's engine: children of
// values the watch view left collapsed, several owners at once, expansion
// below an inspected item, expressions GDB cannot evaluate, and the clearing
// of inspected items when the program continues.

#include "hostapp/hostfixture.h"
#include "views/inspector.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/watchhandler.h>
#include <utils/savedaction.h>

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Debugger::Internal;
using KorvanDebugger::Internal::Inspector;

namespace {
const QString source = QStringLiteral(KORVAN_SOURCE_ROOT "/tests/fixtures/inspectorprogram.cpp");

int lineOf(const QString &comment)
{
    return HostFixture::lineOf(source, comment);
}

QString valueText(const QModelIndex &index)
{
    return index.sibling(index.row(), 1).data().toString();
}
} // namespace

class TestInspectorGdb : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_program;

    bool waitForStop(GdbEngine &engine)
    {
        QSignalSpy completed(&engine, &DebuggerEngine::stackFrameCompleted);
        return completed.wait(60000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!QStandardPaths::findExecutable("gdb").isEmpty());
        m_program = m_dir.filePath("inspectorprogram");
        QProcess compiler;
        compiler.setProcessChannelMode(QProcess::MergedChannels);
        compiler.start("g++", {"-g", "-O0", source, "-o", m_program});
        QVERIFY(compiler.waitForFinished(120000));
        QVERIFY2(compiler.exitCode() == 0, compiler.readAll().constData());
        action(GdbStartupCommands)->setValue(QString(), false);
    }

    void fetchesForSeveralOwnersExpandsAndClearsOnContinue()
    {
        DebuggerRunParameters parameters;
        parameters.executable = m_program;
        parameters.breakpoints = QStringList{QStringLiteral("inspectorprogram.cpp:%1").arg(lineOf("first stop")),
                                             QStringLiteral("inspectorprogram.cpp:%1").arg(lineOf("second stop"))};
        GdbEngine engine(parameters);
        engine.start();
        QVERIFY(waitForStop(engine));
        QCOMPARE(engine.state(), int(InferiorStopOk));
        WatchModel *model = engine.watchModel();
        // The watch view shows "first" collapsed: no children fetched.
        const QModelIndex local = model->indexForIName("local.first");
        QVERIFY(local.isValid());
        QCOMPARE(model->rowCount(local), 0);

        // Two owners, each with its own expressions, flushed together.
        Inspector list;
        Inspector other;
        list.reset();
        other.reset();
        QVERIFY(list.addWatch("first"));
        QVERIFY(list.addWatch("&first"));
        QVERIFY(other.addWatch("pair"));
        QVERIFY(other.addWatch("first.next->next->id"));
        QSignalSpy listReceived(&list, &Inspector::dataReceived);
        QSignalSpy otherReceived(&other, &Inspector::dataReceived);
        // Each owner hears of its data once its own fetch is answered, not
        // when an earlier fetch (the other owner's) completes.
        bool otherHadItsData = false;
        connect(&other, &Inspector::dataReceived, this,
                [&] { otherHadItsData = other.valueOf("first.next->next->id").isValid(); });
        list.flushRequests();
        other.flushRequests();
        QVERIFY(list.isPending() && other.isPending());
        QVERIFY(listReceived.wait(60000));
        QTRY_COMPARE_WITH_TIMEOUT(otherReceived.count(), 1, 60000);
        QTest::qWait(100);
        QCOMPARE(listReceived.count(), 1);
        QCOMPARE(otherReceived.count(), 1);
        QVERIFY(otherHadItsData);

        const QModelIndex first = list.valueOf("first");
        QVERIFY(first.isValid());
        QVERIFY(first.data(LocalsINameRole).toString().startsWith("inspect."));
        QCOMPARE(first.data(LocalsExpressionRole).toString(), QStringLiteral("first"));
        // The children the watch view never asked for.
        QCOMPARE(valueText(list.childOfValue("first", "id")), QStringLiteral("1"));
        const QModelIndex next = list.childOfValue("first", "next");
        QVERIFY(next.isValid());
        QCOMPARE(model->rowCount(next), 0);
        // The address label: the type as a pointer and the 64-bit address.
        const QString address = valueText(list.valueOf("&first"));
        QVERIFY2(address.startsWith("0x"), qPrintable(address));
        QCOMPARE(Inspector::addressText(first), QStringLiteral("(Node*) ") + address.section(' ', 0, 0));
        QCOMPARE(Inspector::pointerType(next), QStringLiteral("Node*"));
        // Each owner sees its own results only.
        QCOMPARE(valueText(other.childOfValue("pair", "right")), QStringLiteral("5"));
        QCOMPARE(valueText(other.valueOf("first.next->next->id")), QStringLiteral("3"));
        QVERIFY(!other.valueOf("first").isValid());
        QCOMPARE(list.collectResults().keys(), (QList<QByteArray>{"&first", "first"}));
        const QMap<QByteArray, QVariant> types = other.itemData(Qt::DisplayRole, 2);
        QCOMPARE(types.value("pair").toString(), QStringLiteral("Pair"));
        QCOMPARE(types.value("first.next->next->id").toString(), QStringLiteral("int"));

        // Deeper, level by level: the pointer below the inspected item, what
        // it points to, and so on to the end of the list.
        const auto expand = [&](const QModelIndex &index) {
            if (!list.fetchMore(index))
                return false;
            list.flushRequests();
            return listReceived.wait(60000);
        };
        QVERIFY(expand(next));
        QModelIndex star = Inspector::childValue(list.childOfValue("first", "next"), "*");
        QVERIFY(star.isValid());
        QCOMPARE(model->rowCount(star), 0);
        QVERIFY(expand(star));
        star = Inspector::childValue(list.childOfValue("first", "next"), "*");
        QCOMPARE(valueText(Inspector::childValue(star, "id")), QStringLiteral("2"));
        // The same item twice is no new request.
        QVERIFY(!list.fetchMore(star));
        QVERIFY(expand(Inspector::childValue(star, "next")));
        star = Inspector::childValue(list.childOfValue("first", "next"), "*");
        QModelIndex third = Inspector::childValue(Inspector::childValue(star, "next"), "*");
        QVERIFY(expand(third));
        star = Inspector::childValue(list.childOfValue("first", "next"), "*");
        third = Inspector::childValue(Inspector::childValue(star, "next"), "*");
        QCOMPARE(valueText(Inspector::childValue(third, "id")), QStringLiteral("3"));
        QCOMPARE(valueText(Inspector::childValue(third, "next")), QStringLiteral("0x0"));
        // The watch view's own locals were left as they were.
        QCOMPARE(model->rowCount(model->indexForIName("local.first")), 0);

        // An expression GDB cannot evaluate is dropped after one round, and
        // the user is told.
        Inspector broken;
        QVERIFY(broken.addWatch("no_such_variable"));
        QVERIFY(broken.addWatch("pair.left"));
        QSignalSpy dropped(&broken, &Inspector::requestsDropped);
        QSignalSpy status(&engine, &DebuggerEngine::statusMessage);
        QSignalSpy brokenReceived(&broken, &Inspector::dataReceived);
        broken.flushRequests();
        QVERIFY(brokenReceived.wait(60000));
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(dropped.first().first().value<QList<QByteArray>>(), QList<QByteArray>{"no_such_variable"});
        QVERIFY(!status.isEmpty());
        QVERIFY(status.last().first().toString().contains("no_such_variable"));
        QCOMPARE(broken.requests().keys(), QList<QByteArray>{"pair.left"});
        QCOMPARE(valueText(broken.valueOf("pair.left")), QStringLiteral("4"));

        // Continue: the inspected items go, and a stop without a fetch of its
        // own announces nothing.
        const int before = listReceived.count();
        engine.continueInferior();
        QVERIFY(!list.valueOf("first").isValid());
        QCOMPARE(model->rowCount(model->indexForIName("inspect")), 0);
        QVERIFY(waitForStop(engine));
        QTest::qWait(100);
        QCOMPARE(listReceived.count(), before);
        QVERIFY(!list.valueOf("first").isValid());
        // Fetched again, with the values of this stop.
        other.flushRequests();
        QVERIFY(otherReceived.wait(60000));
        QCOMPARE(valueText(other.childOfValue("pair", "left")), QStringLiteral("4"));
        broken.flushRequests();
        QVERIFY(brokenReceived.wait(60000));
        QCOMPARE(valueText(broken.valueOf("pair.left")), QStringLiteral("4"));
        engine.executeNext();
        QVERIFY(waitForStop(engine));
        broken.flushRequests();
        QVERIFY(brokenReceived.wait(60000));
        QCOMPARE(valueText(broken.valueOf("pair.left")), QStringLiteral("6"));
        engine.shutdown();
    }
};

QTEST_MAIN(TestInspectorGdb)
#include "tst_inspectorgdb.moc"
