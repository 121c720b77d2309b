#include "common/testenvironment.h"

#include "graphengine/globals.h"
#include "graphengine/logging.h"

#include <QThread>
#include <QtTest>

using namespace GraphEngine;

class TestLogging : public QObject
{
    Q_OBJECT

    QDateTime m_now;

    void advance(qint64 ms) { m_now = m_now.addMSecs(ms); }

private slots:
    void init()
    {
        m_now = QDateTime(QDate(2026, 1, 1), QTime(12, 0));
        Internal::setClockForTesting([this] { return m_now; });
        measureTime(QString(), true);
    }
    void cleanup() { Internal::setClockForTesting({}); }

    void sinksKeepOrQuoteTheText()
    {
        LogCapture log;
        const QString text = QStringLiteral("gate \"U1\" has\tno driver");
        logWarning(text);
        logCritical(text);
        QCOMPARE(log.messages.size(), 2);
        QCOMPARE(log.messages.at(0).type, QtWarningMsg);
        QCOMPARE(log.messages.at(0).category, QStringLiteral("default"));
        QCOMPARE(log.messages.at(0).text, text);
        QCOMPARE(log.messages.at(1).type, QtCriticalMsg);
        QCOMPARE(log.messages.at(1).text, QStringLiteral("\"gate \\\"U1\\\" has\\tno driver\""));
    }

    void measureTimeReportsOnlyAfterOneSecond_data()
    {
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exactly one second") << qint64(1000) << QString();
        QTest::newRow("just over") << qint64(1001) << QStringLiteral("Place: Time measure is 1.001 s");
        QTest::newRow("two and a half") << qint64(2500) << QStringLiteral("Place: Time measure is 2.5 s");
        QTest::newRow("long") << qint64(123456789) << QStringLiteral("Place: Time measure is 123457 s");
    }
    void measureTimeReportsOnlyAfterOneSecond()
    {
        QFETCH(qint64, elapsed);
        QFETCH(QString, expected);
        LogCapture log;
        advance(elapsed);
        measureTime(QStringLiteral("Place"));
        QCOMPARE(log.texts(QtWarningMsg), expected.isEmpty() ? QStringList() : QStringList{expected});
        // The stopwatch restarted: an immediate second call is silent.
        measureTime(QStringLiteral("Place"));
        QCOMPARE(log.messages.size(), expected.isEmpty() ? 0 : 1);
    }

    void resetRestartsWithoutWriting()
    {
        LogCapture log;
        advance(5000);
        measureTime(QStringLiteral("Reset"), true);
        advance(500);
        measureTime(QStringLiteral("After"));
        QVERIFY(log.messages.isEmpty());
    }

    void stopwatchIsPerThread()
    {
        LogCapture log;
        advance(3000);
        // A thread's first call has nothing to measure against.
        QThread *thread = QThread::create([] { measureTime(QStringLiteral("Worker")); });
        thread->start();
        QVERIFY(thread->wait(5000));
        delete thread;
        QVERIFY(log.messages.isEmpty());
        measureTime(QStringLiteral("Main"));
        QCOMPARE(log.texts(QtWarningMsg), QStringList{QStringLiteral("Main: Time measure is 3 s")});
    }

    void sharedSettings()
    {
        QCOMPARE(labelFont().family, QStringLiteral("Monospace"));
        QCOMPARE(labelFont().font.pointSizeF(), 14.0);
        penCycleIndex = 17;
        resetPenCycle();
        QCOMPARE(penCycleIndex, 0);
        QVERIFY(!verboseTrace);
        // The lock is recursive: a holder may take it again.
        QMutexLocker outer(&globalLock());
        QVERIFY(globalLock().try_lock());
        globalLock().unlock();
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
