#include "graphengine/model/baseenum.h"
#include "graphengine/model/bussequence.h"
#include "graphengine/model/labelcache.h"
#include "graphengine/model/name.h"

#include <QMap>
#include <QtTest>

#include <algorithm>

using namespace GraphEngine;

class TestNames : public QObject
{
    Q_OBJECT

private slots:
    // Gate kinds and port roles, each keyword both ways.
    void keywords_data()
    {
        QTest::addColumn<bool>("isRole");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("keyword");
        QTest::newRow("first kind") << false << 2 << "AND";
        QTest::newRow("two-input mux") << false << 11 << "MUX2";
        QTest::newRow("mux") << false << 13 << "MUX";
        QTest::newRow("flop") << false << 14 << "FLOP";
        QTest::newRow("constant") << false << 21 << "X";
        QTest::newRow("last kind") << false << 25 << "LOOPBACKOPENOUTPUT";
        QTest::newRow("D") << true << 0x2 << "D";
        QTest::newRow("S") << true << 0x10 << "S";
        QTest::newRow("SD") << true << 0x4 << "SD";
        QTest::newRow("Q") << true << 0x1000 << "Q";
        QTest::newRow("DN") << true << 0x20000 << "DN";
        QTest::newRow("SN") << true << 0x100000 << "SN";
        QTest::newRow("CLKN") << true << 0x8000000 << "CLKN";
        QTest::newRow("QN") << true << 0x10000000 << "QN";
    }
    void keywords()
    {
        QFETCH(bool, isRole);
        QFETCH(int, value);
        QFETCH(QString, keyword);
        QCOMPARE(isRole ? portRoleToString(value) : gateKindToString(value), keyword);
        QCOMPARE(isRole ? portRoleFromString(keyword) : gateKindFromString(keyword), value);
    }

    void keywordEdges()
    {
        for (int kind : {0, 1, 26, -1, 0x1008})
            QVERIFY2(gateKindToString(kind).isEmpty(), qPrintable(QString::number(kind)));
        for (const char *text : {"and", " AND", "AND ", "", "MUX3"})
            QCOMPARE(gateKindFromString(QLatin1String(text)), 0);
        // Roles: several flags, no flag, bits without keyword.
        for (int role : {0x802, 0, 0x1, 0x2000, 0x10000, 0x20000000, int(0x80000000)})
            QVERIFY2(portRoleToString(role).isEmpty(), qPrintable(QString::number(role, 16)));
        for (const char *text : {"q", "N", "", "QNN", "DN "})
            QCOMPARE(portRoleFromString(QLatin1String(text)), 0);
    }

    void directions()
    {
        const QString arrows = QString(QChar(0x21E5)) + QChar(0x21A6) + QChar(0x21F9);
        for (int d = 0; d < 3; ++d) {
            QCOMPARE(directionSymbol(d), QString(arrows.at(d)));
            QCOMPARE(directionFromSymbol(directionSymbol(d)), d);
        }
        QVERIFY(directionSymbol(3).isEmpty());
        QVERIFY(directionSymbol(-1).isEmpty());
        QCOMPARE(directionFromSymbol(QStringView()), 3);
        QCOMPARE(directionFromSymbol(QStringLiteral("x")), 3);
        QCOMPARE(directionFromSymbol(QString(arrows.at(0) + QStringLiteral("more"))), 0);
        // Only the character at the view's own start counts.
        const QString text = QStringLiteral("a") + arrows;
        QCOMPARE(directionFromSymbol(QStringView(text).mid(2)), 1);
        QCOMPARE(directionFromSymbol(QStringView(text).mid(0, 2)), 3);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bareDigits");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("base");
        QTest::addColumn<int>("index0");
        QTest::addColumn<int>("index1");
        QTest::addColumn<QString>("brackets0");

        QTest::newRow("a[1]") << "a[1]" << false << 2 << "a" << 1 << -1 << "[]";
        QTest::newRow("mem[2][7]") << "mem[2][7]" << false << 4 << "mem" << 7 << 2 << "[]";
        QTest::newRow("one trailing blank") << "bus<7> " << false << 2 << "bus" << 7 << -1 << "<>";
        QTest::newRow("two trailing blanks") << "bus<7>  " << false << 1 << "bus<7>  " << -1 << -1 << "";
        QTest::newRow("underscores") << "q_4_" << false << 2 << "q" << 4 << -1 << "__";
        QTest::newRow("parentheses") << "x(12)" << false << 2 << "x" << 12 << -1 << "()";
        QTest::newRow("braces") << "x{12}" << false << 2 << "x" << 12 << -1 << "{}";
        QTest::newRow("mixed pair") << "m{3}[0]" << false << 4 << "m" << 0 << 3 << "[]";
        QTest::newRow("opening first") << "[3]" << false << 1 << "[3]" << -1 << -1 << "";
        QTest::newRow("opening first, long") << "[12]" << false << 1 << "[12]" << -1 << -1 << "";
        QTest::newRow("not a digit") << "a[x]" << false << 1 << "a[x]" << -1 << -1 << "";
        QTest::newRow("no closing") << "a[12" << false << 1 << "a[12" << -1 << -1 << "";
        QTest::newRow("short") << "a[]" << false << 1 << "a[]" << -1 << -1 << "";
        QTest::newRow("empty index") << "ab[]" << false << 2 << "ab" << 0 << -1 << "[]";
        QTest::newRow("non-ASCII digit") << QString("ab[") + QChar(0x0663) + "]" << false << 1
                                         << QString("ab[") + QChar(0x0663) + "]" << -1 << -1 << "";
        QTest::newRow("too large") << "a[99999999999]" << false << 1 << "a[99999999999]" << -1 << -1 << "";
        QTest::newRow("second not a digit") << "a[x][1]" << false << 2 << "a[x]" << 1 << -1 << "[]";
        QTest::newRow("bare digits") << "net12" << true << 2 << "net" << 12 << -1 << "";
        QTest::newRow("bare digits off") << "net12" << false << 1 << "net12" << -1 << -1 << "";
        QTest::newRow("bare digits, all digits") << "123" << true << 2 << "" << 123 << -1 << "";
        QTest::newRow("bare digits before bracket") << "r7[3]" << true << 4 << "r" << 3 << 7 << "[]";
        QTest::newRow("empty") << "" << true << 1 << "" << -1 << -1 << "";
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, bareDigits);
        QFETCH(int, flags);
        QFETCH(QString, base);
        QFETCH(int, index0);
        QFETCH(int, index1);
        QFETCH(QString, brackets0);
        const Name name(text, bareDigits);
        QCOMPARE(name.text(), text);
        QCOMPARE(name.flags(), flags);
        QCOMPARE(name.baseText(), base);
        QCOMPARE(name.index(0), index0);
        QCOMPARE(name.index(1), index1);
        const QString brackets = brackets0.isEmpty()
            ? QString()
            : QString(name.openBracket(0)) + name.closeBracket(0);
        QCOMPARE(brackets, brackets0);
        QCOMPARE(name.hash(), qHash(text, 0));
        QCOMPARE(name.serial(), 0);
    }

    void hashAndSharedBase()
    {
        QCOMPARE(Name(QStringLiteral("a[1]"), false, true).hash(), 0u);
        // Bits of one bus made one after another share one base string.
        const Name a(QStringLiteral("data[0]"));
        const Name b(QStringLiteral("data[1]"));
        QCOMPARE(a.baseText().constData(), b.baseText().constData());
        QVERIFY(Name().isNull());
        QVERIFY(!Name(QString()).isNull());
    }

    void keyOrder()
    {
        const Name null;
        const Name plain(QStringLiteral("zzz"));
        const Name indexed(QStringLiteral("a[1]"));
        const Name twoIndices(QStringLiteral("a[1][2]"));
        // Null first, then by flags: no index, one index, two indices.
        QVERIFY(!(null < Name()));
        QVERIFY(null < plain);
        QVERIFY(!(plain < null));
        QVERIFY(plain < indexed);
        QVERIFY(indexed < twoIndices);
        // Same flags: the hash decides before the text.
        const Name x(QStringLiteral("x"));
        const Name y(QStringLiteral("y"));
        QCOMPARE(x < y, int(x.hash()) < int(y.hash()));
        // Without hashes the base text, then the index, then its brackets.
        QVERIFY(Name("a[2]", false, true) < Name("b[1]", false, true));
        QVERIFY(Name("a[1]", false, true) < Name("a[2]", false, true));
        QVERIFY(Name("a(1)", false, true) < Name("a[1]", false, true));
        // Equal records: the serial decides, also for a shared record.
        const Name copy1 = Name::detachedCopy(indexed);
        const Name copy2 = Name::detachedCopy(indexed);
        QVERIFY(copy1 < copy2);
        QVERIFY(!(copy2 < copy1));
        QVERIFY(!(indexed < Name(QStringLiteral("a[1]"))));
        QVERIFY(!(Name(QStringLiteral("a[1]")) < indexed));
    }

    void keyOrderInMap()
    {
        QMap<Name, int> map;
        map.insert(Name(QStringLiteral("n[3]")), 1);
        map.insert(Name(QStringLiteral("n[3]")), 2);
        map.insert(Name(QStringLiteral("n(3)")), 3);
        QCOMPARE(map.size(), 2);
        QCOMPARE(map.value(Name(QStringLiteral("n[3]"))), 2);
        QVERIFY(!map.contains(Name(QStringLiteral("n[3]"), false, true)));
    }

    void naturalOrder_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("numbers") << QStringList{"g10", "g2", "g1"};
        QTest::newRow("indices") << QStringList{"x[10]", "x[2]", "x[1]"};
        QTest::newRow("two indices") << QStringList{"m[1][0]", "m[0][10]", "m[0][2]"};
        QTest::newRow("prefix first") << QStringList{"b1", "a20", "a3"};
        QTest::newRow("plain before indexed") << QStringList{"x[0]", "x"};
        QTest::newRow("text without digits") << QStringList{"beta", "alpha", "Alpha"};
    }
    void naturalOrder()
    {
        QFETCH(QStringList, texts);
        QList<Name> names;
        for (const QString &t : texts)
            names.append(Name(t));
        std::sort(names.begin(), names.end(), Name::naturalLess);
        QStringList sorted;
        for (const Name &n : names)
            sorted.append(n.text());
        QStringList expected = texts;
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(sorted, expected);
    }

    void naturalOrderIsStrict()
    {
        const Name a(QStringLiteral("x(3)"));
        const Name b(QStringLiteral("x[3]"));
        QVERIFY(!Name::naturalLess(a, b));
        QVERIFY(!Name::naturalLess(b, a));
        QVERIFY(!Name::naturalLess(Name(), Name()));
        QVERIFY(Name::naturalLess(Name(), Name(QStringLiteral("a"))));
        const QString arabicThree = QStringLiteral("g") + QChar(0x0663);
        QVERIFY(!Name::naturalLess(Name(arabicThree), Name(arabicThree)));
    }

    void sameBase_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("bits") << "d[0]" << "d[5]" << true;
        QTest::newRow("bracket kinds") << "x(12)" << "x{12}" << true;
        QTest::newRow("index counts") << "d[0]" << "d[0][1]" << false;
        QTest::newRow("two indices") << "m[0][1]" << "m[3][1]" << true;
        QTest::newRow("no index") << "d" << "d" << false;
        QTest::newRow("bases") << "d[0]" << "e[0]" << false;
        QTest::newRow("case") << "d[0]" << "D[0]" << false;
    }
    void sameBase()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(Name::sameBase(Name(a), Name(b)), same);
        QCOMPARE(Name::sameBase(Name(b), Name(a)), same);
        QVERIFY(!Name::sameBase(Name(), Name(a)));
    }

    void markedNames()
    {
        const Name n(QStringLiteral("n"));
        const Name first = Name::detachedCopy(n);
        const Name second = Name::detachedCopy(first);
        QVERIFY(first.flags() & Name::Marked);
        QVERIFY(!(n.flags() & Name::Marked));
        QCOMPARE(second.serial(), first.serial() + 1);
        QCOMPARE(first.toString(), QStringLiteral("=n=%1").arg(first.serial()));
        QCOMPARE(first.toString(true), QStringLiteral("n"));
        QCOMPARE(n.toString(), QStringLiteral("n"));
        QVERIFY(Name().toString().isEmpty());
        QVERIFY(Name::detachedCopy(Name()).isNull());
    }

    void toVerilog_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("declaration");
        QTest::newRow("same plain") << "clk" << "clk" << "clk";
        QTest::newRow("descending") << "d[7]" << "d[0]" << "[7:0] d";
        QTest::newRow("two indices") << "m[3][7]" << "m[0][0]" << "[7:0] m[3:0]";
        QTest::newRow("different bases") << "a[1]" << "b[0]" << "";
        QTest::newRow("index counts") << "a[1]" << "a[1][0]" << "";
        QTest::newRow("different plain") << "a" << "b" << "";
    }
    void toVerilog()
    {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, declaration);
        QCOMPARE(Name::toVerilog(Name(first), Name(last)), declaration);
    }

    void stripLastIndex_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("digits");
        QTest::addColumn<QString>("stripped");
        QTest::newRow("trailing blank") << "bus[3] " << false << "bus";
        QTest::newRow("two indices") << "m[1][2]" << false << "m";
        QTest::newRow("underscores") << "a_3_" << false << "a";
        QTest::newRow("contents unchecked") << "a[x]" << false << "a";
        QTest::newRow("opener first") << "[3]" << false << "[3]";
        QTest::newRow("digits") << "a7[1]" << true << "a";
        QTest::newRow("digits off") << "a7[1]" << false << "a7";
        QTest::newRow("plain with blank") << "clk " << false << "clk";
        QTest::newRow("all digits") << "123" << true << "123";
        QTest::newRow("empty") << "" << false << "";
    }
    void stripLastIndex()
    {
        QFETCH(QString, text);
        QFETCH(bool, digits);
        QFETCH(QString, stripped);
        QCOMPARE(Name::stripLastIndex(text, digits), stripped);
    }

    void metaType()
    {
        const Name n(QStringLiteral("bus[4]"));
        const QVariant v = QVariant::fromValue(n);
        QCOMPARE(QMetaType::typeName(v.userType()), "GraphEngine::Name");
        QCOMPARE(QMetaType::type("GraphEngine::Name"), qMetaTypeId<Name>());
        QVERIFY(v.value<Name>().sharesRecordWith(n));
        QCOMPARE(v.toString(), QStringLiteral("bus[4]"));
        QVariant text(QStringLiteral("q[2]"));
        QVERIFY(text.convert(qMetaTypeId<Name>()));
        QCOMPARE(text.value<Name>().index(0), 2);
    }

    void busRuns_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<bool>>("continues");
        QTest::addColumn<QString>("text");
        using B = QList<bool>;
        QTest::newRow("ascending") << QStringList{"a[0]", "a[1]", "a[2]"} << B{false, true, true} << "a[0:2]";
        QTest::newRow("gap") << QStringList{"a[0]", "a[1]", "a[3]"} << B{false, true, false} << "a[3]";
        QTest::newRow("descending") << QStringList{"a[2]", "a[1]", "a[0]"} << B{false, true, true} << "a[2:0]";
        QTest::newRow("turning") << QStringList{"a[0]", "a[1]", "a[0]"} << B{false, true, false} << "a[0]";
        QTest::newRow("bases") << QStringList{"a[0]", "b[1]"} << B{false, false} << "b[1]";
        QTest::newRow("second index") << QStringList{"m[3][0]", "m[3][1]"} << B{false, true} << "m[3][0:1]";
        QTest::newRow("first index") << QStringList{"m[2][7]", "m[3][7]"} << B{false, true} << "m[2:3][7]";
        QTest::newRow("brackets ignored") << QStringList{"q_0_", "q_1_"} << B{false, true} << "q[0:1]";
        QTest::newRow("no index") << QStringList{"clk", "clk"} << B{false, false} << "clk";
    }
    void busRuns()
    {
        QFETCH(QStringList, names);
        QFETCH(QList<bool>, continues);
        QFETCH(QString, text);
        BusSequence run;
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(run.append(Name(names.at(i))), continues.at(i));
        QCOMPARE(formatRange(run), text);
    }

    void busRunEnds()
    {
        BusSequence run;
        QVERIFY(formatRange(run).isEmpty());
        run.append(Name(QStringLiteral("a[4]")));
        QVERIFY(!run.append(Name()));
        QVERIFY(formatRange(run).isEmpty());
        QVERIFY(!run.append(Name(QStringLiteral("a[5]"))));
        QCOMPARE(formatRange(run), QStringLiteral("a[5]"));
        run.flush(false);
        QVERIFY(run.last.isNull());
    }

    void nameLists_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("text");
        QTest::newRow("worked example") << QStringList{"a[0]", "a[1]", "a[2]", "clk", "clk", "b"}
                                        << "{a[0:2],{{2,clk}},b}";
        QTest::newRow("repeat stays with range") << QStringList{"x[0]", "x[0]", "x[1]"} << "{{2,x[0:1]}}";
        QTest::newRow("repeated bit") << QStringList{"a[0]", "a[0]"} << "{{2,a[0]}}";
        QTest::newRow("single") << QStringList{"n"} << "n";
        QTest::newRow("nothing") << QStringList{} << "";
        QTest::newRow("only empty texts") << QStringList{"", ""} << "";
        QTest::newRow("two runs") << QStringList{"a[0]", "a[1]", "b[0]", "b[1]"} << "{a[0:1],b[0:1]}";
    }
    void nameLists()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, text);
        NameList list;
        for (const QString &n : names)
            list.append(Name(n));
        QCOMPARE(list.toString(), text);
    }

    void noScreenNoWrapping()
    {
        // This test runs without a GUI application, so there is no screen to
        // measure against: long texts come back as they were.
        const QString text = QStringLiteral("a,").repeated(500);
        QCOMPARE(wrapToScreen(text), text);
    }

    void nameListKeepsNamesAndClears()
    {
        NameList list;
        list.keepNames = true;
        list.append(QVariant::fromValue(Name::detachedCopy(Name(QStringLiteral("n")))));
        list.append(QVariant(QStringLiteral("m")));
        QCOMPARE(list.names.size(), 2);
        QCOMPARE(list.names.at(0).userType(), qMetaTypeId<Name>());
        // Lists use the plain texts of marked names.
        QCOMPARE(list.toString(), QStringLiteral("{n,m}"));
        list.clear();
        QVERIFY(list.toString().isEmpty());
        QCOMPARE(list.names.size(), 2);
        QVERIFY(list.keepNames);
    }
};

QTEST_GUILESS_MAIN(TestNames)
#include "tst_names.moc"
