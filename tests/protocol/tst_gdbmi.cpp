#include "common/testenvironment.h"

#include "protocol/gdbmi.h"

#include <QtTest>

using namespace Debugger::Internal;

namespace {

GdbMi parse(const QByteArray &text, bool multiple = false)
{
    GdbMi mi;
    if (multiple)
        mi.fromStringMultiple(text);
    else
        mi.fromString(text);
    return mi;
}

QByteArray decodeQuoted(const QByteArray &inner)
{
    const QByteArray text = '"' + inner + '"';
    const char *from = text.constData();
    return GdbMi::parseCString(from, from + text.size());
}

} // namespace

class TestGdbMi : public QObject
{
    Q_OBJECT

private slots:
    void parser_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("multiple");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("printed");

        QTest::newRow("named tuple") << QByteArray(R"(frame={level="0",addr="0x1"})") << false
                                     << int(GdbMi::Tuple) << QByteArray(R"(frame={level="0",addr="0x1"})");
        QTest::newRow("list of results") << QByteArray(R"([a="1",b="2"])") << false
                                         << int(GdbMi::List) << QByteArray(R"([a="1",b="2"])");
        QTest::newRow("multiple") << QByteArray(R"(a="1",b=[])") << true
                                  << int(GdbMi::Tuple) << QByteArray(R"({a="1",b=[]})");
        QTest::newRow("empty text") << QByteArray() << false << int(GdbMi::Invalid) << QByteArray("Invalid");
        QTest::newRow("empty multiple") << QByteArray() << true << int(GdbMi::Tuple) << QByteArray("{}");
        QTest::newRow("leading white space") << QByteArray(" \t\r\n\"v\"") << false
                                             << int(GdbMi::Const) << QByteArray("\"v\"");
        QTest::newRow("bare word swallows the bracket") << QByteArray("[abc]") << false
                                                        << int(GdbMi::List) << QByteArray("[]");
        QTest::newRow("tuple stops at a bad member") << QByteArray(R"({a="1",(b),c="2"})") << false
                                                     << int(GdbMi::Tuple) << QByteArray(R"({a="1"})");
        QTest::newRow("list drops a bad element") << QByteArray(R"([x=,"2"])") << false
                                                  << int(GdbMi::List) << QByteArray(R"(["2"])");
        QTest::newRow("list element taking nothing") << QByteArray(R"(["1",(x),"2"])") << false
                                                     << int(GdbMi::List) << QByteArray(R"(["1"])");
        QTest::newRow("list element at a colon") << QByteArray(R"([:"x"])") << false
                                                 << int(GdbMi::List) << QByteArray("[]");
        QTest::newRow("unclosed list") << QByteArray(R"([a="1")") << false
                                       << int(GdbMi::List) << QByteArray(R"([a="1"])");
        QTest::newRow("runs of commas") << QByteArray(R"({,,a="1",,b="2",})") << false
                                        << int(GdbMi::Tuple) << QByteArray(R"({a="1",b="2"})");
        QTest::newRow("name with commas and spaces") << QByteArray(R"({odd, name="1"})") << false
                                                     << int(GdbMi::Tuple) << QByteArray(R"({odd, name="1"})");
        QTest::newRow("colon ends a result") << QByteArray(R"(a:"1")") << false
                                             << int(GdbMi::Invalid) << QByteArray("Invalid");
        QTest::newRow("escaped quote in value") << QByteArray(R"(v="say \"hi\"\n")") << false
                                                << int(GdbMi::Const) << QByteArray(R"(v="say \"hi\"\n")");
    }

    void parser()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, multiple);
        QFETCH(int, type);
        QFETCH(QByteArray, printed);
        const GdbMi mi = parse(text, multiple);
        QCOMPARE(int(mi.type()), type);
        QCOMPARE(mi.toString(), printed);
    }

    void incompleteResultKeepsItsName()
    {
        const GdbMi mi = parse("x=");
        QVERIFY(!mi.isValid());
        QCOMPARE(mi.name(), QByteArray("x"));
    }

    void parserStaysInsideTheGivenRange()
    {
        // Bytes past `to` look like more input; none of them may be used.
        const QByteArray text = R"({a="1"}{b="2"})";
        const char *from = text.constData();
        GdbMi tuple;
        tuple.parseResultOrValue(from, text.constData() + 6); // without the '}'
        QCOMPARE(tuple.toString(), QByteArray(R"({a="1"})"));
        QCOMPARE(from, text.constData() + 6);

        const QByteArray commas = ",,,,";
        from = commas.constData();
        skipCommas(from, commas.constData() + 2);
        QCOMPARE(from, commas.constData() + 2);

        GdbMi nothing;
        from = text.constData() + 7;
        nothing.parseValue(from, from); // an empty range before a '{'
        QVERIFY(!nothing.isValid());
        QCOMPARE(from, text.constData() + 7);
    }

    void deepNestingIsCut()
    {
        LogCapture log;
        const GdbMi deep = parse(QByteArray(100000, '[') + QByteArray(100000, ']'));
        QCOMPARE(deep.type(), GdbMi::List);
        QVERIFY(log.texts(QtDebugMsg).contains(QStringLiteral("MI Parse Error, values nested too deep")));

        const int depth = GdbMi::maxNestingDepth - 1;
        const QByteArray nested = QByteArray(depth, '[') + "\"x\"" + QByteArray(depth, ']');
        QCOMPARE(parse(nested).toString(), nested);
    }

    void cString_data()
    {
        QTest::addColumn<QByteArray>("inner");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");

        QTest::newRow("plain") << QByteArray("abc") << QByteArray("abc") << QString();
        QTest::newRow("empty") << QByteArray() << QByteArray() << QString();
        QTest::newRow("named escapes") << QByteArray(R"(\a\b\f\n\r\t\v\"\\)")
                                       << QByteArray("\a\b\f\n\r\t\v\"\\") << QString();
        QTest::newRow("hex stops at a non-hex letter") << QByteArray(R"(a\x41g)") << QByteArray("aAg") << QString();
        QTest::newRow("hex of one digit") << QByteArray(R"(\x4;)") << QByteArray("\x04;") << QString();
        QTest::newRow("hex keeps the low byte") << QByteArray(R"(\x414)") << QByteArray("\x14") << QString();
        QTest::newRow("octal of three at most") << QByteArray(R"(\101\1012)") << QByteArray("AA2") << QString();
        QTest::newRow("octal zero") << QByteArray(R"(a\0b)") << QByteArray("a\0b", 3) << QString();
        QTest::newRow("octal keeps the low byte") << QByteArray(R"(\777)") << QByteArray("\xff") << QString();
        QTest::newRow("non-octal digit") << QByteArray(R"(\8)") << QByteArray()
                                         << QStringLiteral("MI Parse Error, unrecognized backslash escape");
        QTest::newRow("single quote") << QByteArray(R"(\')") << QByteArray()
                                      << QStringLiteral("MI Parse Error, unrecognized backslash escape");
        QTest::newRow("upper-case X") << QByteArray(R"(\X41)") << QByteArray()
                                      << QStringLiteral("MI Parse Error, unrecognized backslash escape");
        QTest::newRow("hex without digits") << QByteArray(R"(\xg)") << QByteArray()
                                            << QStringLiteral("MI Parse Error, unrecognized hex escape");
        QTest::newRow("hex at the end") << QByteArray(R"(ab\x)") << QByteArray()
                                        << QStringLiteral("MI Parse Error, unrecognized hex escape");
    }

    void cString()
    {
        QFETCH(QByteArray, inner);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        LogCapture log;
        QCOMPARE(decodeQuoted(inner), bytes);
        QCOMPARE(log.texts(QtDebugMsg), message.isEmpty() ? QStringList() : QStringList(message));
    }

    void cStringMalformedEnds()
    {
        LogCapture log;
        const QByteArray open = "\"abc";
        const char *from = open.constData();
        QCOMPARE(GdbMi::parseCString(from, from + open.size()), QByteArray());
        QCOMPARE(from, open.constData() + open.size());

        const QByteArray closedLater = "\"ab\""; // closing quote outside the range
        from = closedLater.constData();
        QCOMPARE(GdbMi::parseCString(from, from + 3), QByteArray());
        QCOMPARE(from, closedLater.constData() + 3);

        const QByteArray lone = "\"ab\\";
        from = lone.constData();
        QCOMPARE(GdbMi::parseCString(from, from + lone.size()), QByteArray());
        QCOMPARE(from, lone.constData() + lone.size());

        const QByteArray noQuote = "ab";
        from = noQuote.constData();
        QCOMPARE(GdbMi::parseCString(from, from + 2), QByteArray());
        QCOMPARE(from, noQuote.constData() + 1);
        from = noQuote.constData() + 2;
        QCOMPARE(GdbMi::parseCString(from, from), QByteArray());
        QCOMPARE(from, noQuote.constData() + 2); // nothing to step over at the end

        QCOMPARE(log.texts(QtDebugMsg),
                 QStringList({QStringLiteral("MI Parse Error, unterminated backslash escape"),
                              QStringLiteral("MI Parse Error, double quote expected"),
                              QStringLiteral("MI Parse Error, double quote expected")}));

        const GdbMi bad = parse(R"(v="\q")");
        QCOMPARE(bad.type(), GdbMi::Const);
        QVERIFY(bad.data().isEmpty());
    }

    void escapeCStringCanonicalForms()
    {
        QCOMPARE(escapeCString(QByteArray("a\"b\\c\n\x01\x7f\xe4", 9)),
                 QByteArray(R"(a\"b\\c\n\001\177)") + "\xe4");
        QByteArray all;
        for (int c = 0; c < 256; ++c)
            all += char(c);
        QCOMPARE(decodeQuoted(escapeCString(all)), all);
    }

    void multilineLayout()
    {
        const GdbMi mi = parse(R"(r={a="1",l=["x",{}]})");
        QCOMPARE(mi.toString(true),
                 QByteArray("r={\n"
                            "  a=\"1\",\n"
                            "  l=[\n"
                            "    \"x\",\n"
                            "    {\n\n"
                            "    }\n"
                            "  ]\n"
                            "}"));
        QCOMPARE(GdbMi().toString(true, 2), QByteArray("    Invalid\n"));
    }

    void lookupByName()
    {
        const GdbMi mi = parse(R"({"anon",a="1",A="2",a="3",ab="4"})");
        QCOMPARE(mi["a"].data(), QByteArray("1"));
        QCOMPARE(mi["A"].data(), QByteArray("2"));
        QCOMPARE(mi[nullptr].data(), QByteArray("anon"));
        QVERIFY(!mi["missing"].isValid());
        QVERIFY(mi["missing"]["deeper"]["still"].data().isEmpty());
        QCOMPARE(&mi["missing"], &GdbMi()["other"]); // one shared node

        GdbMi zeroName;
        zeroName.m_type = GdbMi::Tuple;
        GdbMi child;
        child.m_name = QByteArray("a\0b", 3);
        child.m_type = GdbMi::Const;
        zeroName.m_children.append(child);
        QVERIFY(!zeroName["a"].isValid());
    }

    void toAddress_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<quint64>("address");
        QTest::newRow("hex with L") << QByteArray("0x1000L") << quint64(4096);
        QTest::newRow("octal after star") << QByteArray("*010") << quint64(8);
        QTest::newRow("at sign") << QByteArray("@0x10") << quint64(16);
        QTest::newRow("decimal") << QByteArray("123") << quint64(123);
        QTest::newRow("full 64 bits") << QByteArray("0xffffffffffffffff") << ~quint64(0);
        QTest::newRow("not a number") << QByteArray("<optimized out>") << quint64(0);
        QTest::newRow("negative") << QByteArray("-1") << quint64(0);
        QTest::newRow("empty") << QByteArray() << quint64(0);
    }

    void toAddress()
    {
        QFETCH(QByteArray, text);
        QFETCH(quint64, address);
        GdbMi mi;
        mi.m_type = GdbMi::Const;
        mi.m_data = text;
        QCOMPARE(mi.toAddress(), address);
    }
};

QTEST_GUILESS_MAIN(TestGdbMi)
#include "tst_gdbmi.moc"
