#include "configuration/pythonerror.h"

#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

const QString rowHead = QStringLiteral("<tr><td><b><div style='white-space:pre'>");

QString row(const QString &label, const QString &cell)
{
    return rowHead + label + QStringLiteral(": </div></b></td><td>") + cell + QStringLiteral("</td></tr>");
}

PythonError parsed(const QStringList &lines)
{
    PythonError error;
    for (const QString &line : lines)
        error.parseLine(line);
    return error;
}

} // namespace

class TestPythonError : public QObject
{
    Q_OBJECT

private slots:
    void parsesEveryKey()
    {
        const PythonError e = parsed({"LINE:12", "API:classes.Qt (Common).QList.fields.size.accessor",
                                      "VAR:{a = 1}", "VARTYPE:Foo *", "VAR*:{b = 2}", "ERRORTYPE:<class 'gdb.error'>",
                                      "ERRORDESC:No symbol \"x\": in context", "BOGUS:ignored", "no colon at all"});
        QCOMPARE(e.flags, quint32(PythonError::FlagApi | PythonError::FlagVar | PythonError::FlagVarType
                                  | PythonError::FlagErrorType | PythonError::FlagErrorDesc
                                  | PythonError::FlagVarDeref | PythonError::FlagLine));
        QCOMPARE(e.line, QStringLiteral("12"));
        QCOMPARE(e.api, (QStringList{"classes", "Qt (Common)", "QList", "fields", "size", "accessor"}));
        QCOMPARE(e.var, QStringLiteral("{a = 1}"));
        QCOMPARE(e.varType, QStringLiteral("Foo *"));
        QCOMPARE(e.varDeref, QStringLiteral("{b = 2}"));
        QCOMPARE(e.errorType, QStringLiteral("<class 'gdb.error'>"));
        QCOMPARE(e.errorDesc, QStringLiteral("No symbol \"x\": in context")); // colons in the value stay

        const PythonError later = parsed({"VAR:1", "VAR:2", "API:a..b", "API"});
        QCOMPARE(later.var, QStringLiteral("2"));
        QCOMPARE(later.api, (QStringList{"API"})); // a line without colon is key and value
        QCOMPARE(parsed({"API:a..b"}).api, (QStringList{"a", "", "b"}));
        QCOMPARE(PythonError().flags, quint32(0));
    }

    void gdbDescriptionsAreAdapted()
    {
        QCOMPARE(parsed({"ERRORDESC:Attempt to take contents of a non-pointer value."}).errorDesc,
                 QStringLiteral("Attempt to take contents of a non-pointer value.Undefined Generic Error."));
        QCOMPARE(parsed({"ERRORDESC:Attempt to extract a component of a value that is not a (null)."}).errorDesc,
                 QStringLiteral("Attempt to extract a sub-field of a value that is not component."));
        QCOMPARE(parsed({"ERRORDESC:Cannot access memory at address 0x0"}).errorDesc,
                 QStringLiteral("Cannot access memory at address 0x0"));
    }

    void apiPathQueries()
    {
        PythonError e = parsed({"API:custom.x;classes_g_T;n.__internal"});
        QVERIFY(e.isCustomApi());
        QVERIFY(e.isInternal());
        QCOMPARE(e.takeFirstApi(), QStringLiteral("custom"));
        QVERIFY(!e.isCustomApi());
        QCOMPARE(e.takeFirstApi(), QStringLiteral("x;classes_g_T;n"));
        QCOMPARE(e.takeFirstApi(), QStringLiteral("__internal"));
        QVERIFY(!e.isInternal());
        QVERIFY(!e.isCustomApi());
        QCOMPARE(e.takeFirstApi(), QString());
        QVERIFY(!parsed({"API:classes.__x.y"}).isInternal());
    }

    void htmlTable()
    {
        PythonError e = parsed({"API:a.b", "VAR:{x = 1, y = <std::vector<int>>}", "VARTYPE:Foo",
                                "ERRORTYPE:<class 'gdb.error'>", "ERRORDESC:bad <thing> & more"});
        QCOMPARE(e.toHtml(),
                 QStringLiteral("<table>") + row("Error Code", "&lt;class 'gdb.error'&gt;")
                     + row("Error Description", "bad &lt;thing&gt; & more") + row("Value Type", "Foo")
                     + row("Affected Value", PythonError::formatValueHtml(e.var)));

        e.parseLine(QStringLiteral("LINE:7"));
        e.parseLine(QStringLiteral("VARTYPE:Foo *"));
        e.parseLine(QStringLiteral("VAR:0x1234"));
        e.parseLine(QStringLiteral("VAR*:{a = 1}"));
        QCOMPARE(e.toHtml(),
                 QStringLiteral("<table>") + row("Line Number", "7") + row("Error Code", "&lt;class 'gdb.error'&gt;")
                     + row("Error Description", "bad &lt;thing&gt; & more") + row("Value Type", "Foo *")
                     + row("Affected Value", "0x1234 = ") + row(QString(), PythonError::formatValueHtml("{a = 1}")));
    }

    void valueLayout_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("html");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("structure") << "{a = 1, b = {c = 2}}"
                                   << "{<br>&nbsp;&nbsp;a&nbsp;=&nbsp;1,<br>&nbsp;&nbsp;b&nbsp;=&nbsp;{<br>"
                                      "&nbsp;&nbsp;&nbsp;&nbsp;c&nbsp;=&nbsp;2<br>&nbsp;&nbsp;}<br>}";
        QTest::newRow("template stays on one line") << "std::map<int, {x}>" << "std::map&lt;int,&nbsp;{x}&gt;";
        QTest::newRow("call") << "f(a, {b})" << "f(a,&nbsp;{b})";
        QTest::newRow("quoted braces") << "{s = \"a, {b}\"}"
                                       << "{<br>&nbsp;&nbsp;s&nbsp;=&nbsp;&quot;a,&nbsp;{b}&quot;<br>}";
        QTest::newRow("escaped quote") << "\"x\\\", {\", 1" << "&quot;x\\&quot;,&nbsp;{&quot;,<br>&nbsp;1";
        QTest::newRow("escaped backslash ends quote") << "\"x\\\\\", {}" << "&quot;x\\\\&quot;,<br>&nbsp;{<br>&nbsp;&nbsp;<br>}";
        QTest::newRow("unbalanced close") << "}, }a" << "<br>},<br>&nbsp;<br>}a";
        QTest::newRow("top level comma") << "1,2" << "1,<br>2";
        QTest::newRow("html") << "a & b" << "a&nbsp;&amp;&nbsp;b";
    }
    void valueLayout()
    {
        QFETCH(QString, value);
        QFETCH(QString, html);
        QCOMPARE(PythonError::formatValueHtml(value), html);
    }
};

QTEST_GUILESS_MAIN(TestPythonError)
#include "tst_pythonerror.moc"
