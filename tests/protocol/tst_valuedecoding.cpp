#include "common/testenvironment.h"

#include "protocol/gdbversion.h"
#include "protocol/valuedecoding.h"

#include <QDateTime>
#include <QTimeZone>
#include <QtTest>

using namespace Debugger::Internal;

class TestValueDecoding : public QObject
{
    Q_OBJECT

private slots:
    void decodeData_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");

        const QString ab = QStringLiteral("\"AB\"");
        QTest::newRow("0 unprintable bytes") << 0 << QByteArray("a\n\xff") << QStringLiteral("a\\a\\ff");
        QTest::newRow("1 base64 latin1") << 1 << QByteArray("QQc=") << QStringLiteral("\"A\\7\"");
        QTest::newRow("2 base64 utf16") << 2 << QByteArray("QQBCAA==") << ab;
        QTest::newRow("3 base64 ucs4") << 3 << QByteArray("QQAAAEIAAAA=") << ab;
        QTest::newRow("4 base64 utf16 bare") << 4 << QByteArray("QQBCAA==") << QStringLiteral("AB");
        QTest::newRow("5 base64 latin1 bare") << 5 << QByteArray("QQo=") << QStringLiteral("A\\a");
        QTest::newRow("6 hex latin1 keeps zeros") << 6 << QByteArray("4100e4") << QStringLiteral("\"A\u0000\u00e4\"");
        QTest::newRow("7 hex utf16") << 7 << QByteArray("41004200") << ab;
        QTest::newRow("7 odd byte dropped") << 7 << QByteArray("4100420043") << ab;
        QTest::newRow("8 hex ucs4") << 8 << QByteArray("00f40100") << QStringLiteral("\"\U0001F400\"");
        QTest::newRow("8 no code point") << 8 << QByteArray("00001100") << QStringLiteral("\"\ufffd\"");
        QTest::newRow("9 utf8 to first zero") << 9 << QByteArray("c3a4006263") << QStringLiteral("\"\u00e4\"");
        QTest::newRow("10 big-endian ucs4") << 10 << QByteArray("000000410000004200") << ab;
        QTest::newRow("11 big-endian utf16") << 11 << QByteArray("00410042") << ab;
        QTest::newRow("11 odd last byte") << 11 << QByteArray("004141") << QStringLiteral("\"A\u4100\"");
        QTest::newRow("12 utf16 bare") << 12 << QByteArray("41004200") << QStringLiteral("AB");
        QTest::newRow("13 local 8-bit") << 13 << QByteArray("414200") << ab;
        QTest::newRow("14 invalid day") << 14 << QByteArray("0") << QStringLiteral("(invalid)");
        QTest::newRow("14 julian day") << 14 << QByteArray("2451545")
                                       << QDate(2000, 1, 1).toString(Qt::TextDate);
        QTest::newRow("15 null time") << 15 << QByteArray("-1") << QStringLiteral("(invalid)");
        QTest::newRow("15 one hour") << 15 << QByteArray("3600000") << QTime(1, 0).toString(Qt::TextDate);
        QTest::newRow("16 date and time") << 16 << QByteArray("2451545/3600000")
                                          << QDateTime(QDate(2000, 1, 1), QTime(1, 0)).toString(Qt::TextDate);
        QTest::newRow("16 null date") << 16 << QByteArray("0/5") << QStringLiteral("(invalid)");
        QTest::newRow("16 no slash") << 16 << QByteArray("2451545")
                                     << QDateTime(QDate(2000, 1, 1), QTime(0, 0)).toString(Qt::TextDate);
        QTest::newRow("25 float") << 25 << QByteArray("3f800000") << QStringLiteral("1");
        QTest::newRow("26 double") << 26 << QByteArray("4000000000000000") << QStringLiteral("2");
        QTest::newRow("26 six digits") << 26 << QByteArray("400921fb54442d18") << QStringLiteral("3.14159");
        QTest::newRow("27 ipv4") << 27 << QByteArray("127.0.0.1") << QStringLiteral("127.0.0.1");
        QTest::newRow("27 ipv6 with scope") << 27 << QByteArray("fe80::1%650074006800300000")
                                            << QStringLiteral("fe80::1%eth0");
        QTest::newRow("27 empty scope") << 27 << QByteArray("::1%") << QStringLiteral("::1");
        QTest::newRow("28 utf8 bare") << 28 << QByteArray("c3a4") << QStringLiteral("\u00e4");
        QTest::newRow("30 empty") << 30 << QByteArray() << QStringLiteral("<empty>");
        QTest::newRow("34 items") << 34 << QByteArray("3") << QStringLiteral("<3 items>");
        QTest::newRow("35 at least") << 35 << QByteArray("100") << QStringLiteral("<at least 100 items>");
        QTest::newRow("38 optimized out") << 38 << QByteArray() << QStringLiteral("<optimized out>");
        QTest::newRow("39 structure") << 39 << QByteArray() << QStringLiteral("{...}");
        QTest::newRow("40 undefined") << 40 << QByteArray() << QStringLiteral("Undefined");
        QTest::newRow("41 null") << 41 << QByteArray() << QStringLiteral("Null");
    }

    void decodeData()
    {
        QFETCH(int, encoding);
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        QCOMPARE(Debugger::Internal::decodeData(data, encoding), text);
    }

    void codesWithoutDecoder()
    {
        for (int encoding = 17; encoding <= 24; ++encoding) {
            LogCapture log;
            QVERIFY(Debugger::Internal::decodeData("41", encoding).isEmpty());
            QCOMPARE(log.texts(QtDebugMsg), QStringList(QStringLiteral("not implemented")));
        }
    }

    void encodingErrors_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("softAssert");
        QTest::newRow("unknown 42") << 42 << QByteArray() << false;
        QTest::newRow("negative") << -1 << QByteArray() << false;
        QTest::newRow("short float") << 25 << QByteArray("3f80") << true;
        QTest::newRow("long double") << 26 << QByteArray("400000000000000000") << true;
        QTest::newRow("bad address") << 27 << QByteArray("not.an.address") << false;
        QTest::newRow("address cut by zero") << 27 << QByteArray("1.2.3.4\0", 8) + "junk" << false;
    }

    void encodingErrors()
    {
        QFETCH(int, encoding);
        QFETCH(QByteArray, data);
        QFETCH(bool, softAssert);
        LogCapture log;
        const QString text = Debugger::Internal::decodeData(data, encoding);
        const QStringList lines = log.texts(QtDebugMsg);
        if (encoding == 27 && data.contains('\0')) { // the address ends at the zero
            QCOMPARE(text, QStringLiteral("1.2.3.4"));
            return;
        }
        QCOMPARE(text, QStringLiteral("<Encoding error>"));
        QCOMPARE(lines.size(), softAssert ? 2 : 1);
        if (softAssert)
            QVERIFY(lines.first().startsWith(QLatin1String("SOFT ASSERT: \"bytes.size() == ")));
        QCOMPARE(lines.last(), QStringLiteral("ENCODING ERROR: %1").arg(encoding));
    }

    void dateTimeRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QDateTime>("expected");
        const QDate epoch(1970, 1, 1);
        QTest::newRow("one ms before the epoch, UTC") << QByteArray("-1/1/0//0")
            << QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 999), Qt::UTC);
        QTest::newRow("two days and a bit back") << QByteArray("-172800001/1/0//0")
            << QDateTime(QDate(1969, 12, 29), QTime(23, 59, 59, 999), Qt::UTC);
        QTest::newRow("days forward") << QByteArray("86400000/1/0//0") << QDateTime(QDate(1970, 1, 2), QTime(0, 0), Qt::UTC);
        QTest::newRow("offset") << QByteArray("3600000/2/7200//0")
            << QDateTime(epoch, QTime(1, 0), Qt::OffsetFromUTC, 7200);
        QTest::newRow("zone") << QByteArray("0/3/0/") + QByteArray("Europe/Berlin").toHex() + "/0"
            << QDateTime(epoch, QTime(0, 0), QTimeZone("Europe/Berlin"));
        QTest::newRow("local") << QByteArray("0/0/0//0") << QDateTime(epoch, QTime(0, 0), Qt::LocalTime);
        QTest::newRow("unknown spec is local") << QByteArray("0/9/0//0") << QDateTime(epoch, QTime(0, 0), Qt::LocalTime);
        QTest::newRow("null date") << QByteArray("-1/1/0//1") << QDateTime();
        QTest::newRow("null time") << QByteArray("0/1/0//2") << QDateTime(epoch, QTime(), Qt::UTC);
        QTest::newRow("missing fields") << QByteArray("5") << QDateTime(epoch, QTime(0, 0, 0, 5), Qt::LocalTime);
        QTest::newRow("extreme msecs") << QByteArray("-9223372036854775808/1/0//0")
            << QDateTime(QDate::fromJulianDay(-106749550580LL), QTime(16, 47, 4, 192), Qt::UTC);
    }

    void dateTimeRecord()
    {
        QFETCH(QByteArray, record);
        QFETCH(QDateTime, expected);
        QCOMPARE(Debugger::Internal::decodeData(record, 29), expected.toString(Qt::TextDate));
    }

    void unavailableZone()
    {
        QCOMPARE(Debugger::Internal::decodeData("0/3/0/" + QByteArray("No/Such_Zone").toHex() + "/0", 29),
                 QStringLiteral("<unavailable>"));
    }

    void encodingNames()
    {
        QCOMPARE(encodingFromName("utf16"), 7);
        QCOMPARE(encodingFromName("empty"), 30);
        QCOMPARE(encodingFromName("itemcount"), 34);
        QCOMPARE(encodingFromName("minimumitemcount"), 35);
        QCOMPARE(encodingFromName("notaccessible"), 33);
        QCOMPARE(encodingFromName("undefined"), 40);
        QCOMPARE(encodingFromName("null"), 41);
        QCOMPARE(encodingFromName("12"), 12);
        QCOMPARE(encodingFromName("abc"), 0);
        QCOMPARE(encodingFromName("UTF16"), 0);
    }

    void timeOfDay()
    {
        QVERIFY(timeFromData(-1).isNull());
        QCOMPARE(timeFromData(0), QTime(0, 0));
        QCOMPARE(timeFromData(86400000 + 1000), QTime(0, 0, 1));
        QCOMPARE(timeFromData(-2), QTime(23, 59, 59, 998));
        QCOMPARE(timeFromData(std::numeric_limits<int>::min()), QTime(0, 0).addMSecs(-2147483648 % 86400000));
        QCOMPARE(timeFromData(std::numeric_limits<int>::max()), QTime(0, 0).addMSecs(2147483647 % 86400000));
    }

    void gdbVersion_data()
    {
        QTest::addColumn<QString>("banner");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("build");
        QTest::addColumn<bool>("mac");
        QTest::addColumn<bool>("qnx");
        QTest::newRow("plain") << "GNU gdb (GDB) 7.6.1" << 70601 << 0 << false << false;
        QTest::newRow("fedora") << "GNU gdb (GDB) 7.7.1-21.fc20" << 70701 << 21 << false << false;
        QTest::newRow("apple") << "GNU gdb 6.3.50-20050815 (Apple version gdb-1822)" << 60350 << 1822 << true << false;
        QTest::newRow("openSUSE") << "GNU gdb (GDB; openSUSE 13.1) 7.6.50" << 70650 << 0 << false << false;
        QTest::newRow("rubenvb") << "GNU gdb (rubenvb-4.7.2-release) 7.5.50.20120920-cvs" << 70550 << 20120920 << false << false;
        QTest::newRow("debian") << "GNU gdb (Debian 13.1-3) 13.1" << 130100 << 3 << false << false;
        QTest::newRow("qnx") << "GNU gdb 7.5.0 qnx-nto" << 70500 << 0 << false << true;
        QTest::newRow("no digits") << "no version here" << 0 << 0 << false << false;
        QTest::newRow("absurd number") << "GNU gdb 2000000000.1" << std::numeric_limits<int>::max() << 0 << false << false;
    }

    void gdbVersion()
    {
        QFETCH(QString, banner);
        QFETCH(int, version);
        QFETCH(int, build);
        QFETCH(bool, mac);
        QFETCH(bool, qnx);
        int gotVersion = -1;
        int gotBuild = -1;
        bool gotMac = !mac;
        bool gotQnx = !qnx;
        extractGdbVersion(banner, &gotVersion, &gotBuild, &gotMac, &gotQnx);
        QCOMPARE(gotVersion, version);
        QCOMPARE(gotBuild, build);
        QCOMPARE(gotMac, mac);
        QCOMPARE(gotQnx, qnx);
    }
};

QTEST_GUILESS_MAIN(TestValueDecoding)
#include "tst_valuedecoding.moc"
