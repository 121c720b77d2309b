#include "common/testenvironment.h"

#include "protocol/debuggercommand.h"
#include "protocol/debuggerresponse.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

using namespace Debugger::Internal;

namespace {

bool isSoftAssertion(const QStringList &lines)
{
    return lines.size() == 1 && lines.first().startsWith(QLatin1String("SOFT ASSERT: \""));
}

} // namespace

class TestDebuggerCommand : public QObject
{
    Q_OBJECT

private slots:
    void freshCommand()
    {
        const DebuggerCommand cmd("loadDumpers");
        QCOMPARE(cmd.function, QByteArray("loadDumpers"));
        QVERIFY(cmd.args.isNull());
        QVERIFY(!cmd.callback);
        QCOMPARE(cmd.flags, 0);
        QCOMPARE(cmd.argsToPython(), QByteArray("{}"));
        QCOMPARE(cmd.argsToString(), QByteArray());
    }

    void namedArguments()
    {
        DebuggerCommand cmd("fetchVariables");
        cmd.arg("a", true);
        cmd.arg("b", 7);
        QCOMPARE(cmd.argsToPython(), QByteArray(R"({"a":1,"b":7})"));

        cmd.arg("b", "second");
        cmd.arg("bytes", QByteArray("ab\0cd", 5));
        cmd.arg("nullText", static_cast<const char *>(nullptr));
        cmd.arg(nullptr, QStringLiteral("empty key"));
        cmd.arg("list", QList<int>{3, 1, 2});
        cmd.arg("nested", QJsonValue(QJsonArray{false, QJsonObject{{"t", true}}}));
        cmd.arg("big", qlonglong(-5));
        cmd.arg("address", qulonglong(0xffff800000001000ULL));
        QCOMPARE(cmd.args.toObject().value("b").toString(), QStringLiteral("second"));
        QCOMPARE(cmd.args.toObject().value("bytes").toString(), QStringLiteral("ab"));
        QCOMPARE(cmd.argsToPython(),
                 QByteArray(R"({"":"empty key","a":1,"address":-140737488351232,"b":"second",)"
                            R"("big":-5,"bytes":"ab","list":[3,1,2],"nested":[0,{"t":1}],"nullText":""})"));
        // Booleans are translated on the way out only.
        QVERIFY(cmd.args.toObject().value("a").isBool());
    }

    void positionalArguments()
    {
        DebuggerCommand cmd("-stack-list-arguments");
        cmd.arg("x");
        cmd.arg(static_cast<const char *>(nullptr));
        QCOMPARE(cmd.argsToPython(), QByteArray("[\"x\",\"\"]"));
    }

    void kindsDoNotMix()
    {
        LogCapture log;
        DebuggerCommand positional("f");
        positional.arg("x");
        positional.arg("name", 1);
        QCOMPARE(positional.argsToPython(), QByteArray("[\"x\"]"));
        QVERIFY(isSoftAssertion(log.texts(QtDebugMsg)));

        log.messages.clear();
        DebuggerCommand named("f");
        named.arg("name", 1);
        named.arg("x");
        QCOMPARE(named.argsToPython(), QByteArray(R"({"name":1})"));
        QVERIFY(isSoftAssertion(log.texts(QtDebugMsg)));
    }

    void argsAsString()
    {
        DebuggerCommand cmd("python");
        cmd.args = QStringLiteral("print('\u00e4')");
        QCOMPARE(cmd.argsToString(), QByteArray("print('\xe4')"));
        cmd.args = QJsonArray{1};
        QCOMPARE(cmd.argsToString(), QByteArray());
    }

    void responseText_data()
    {
        QTest::addColumn<int>("token");
        QTest::addColumn<int>("resultClass");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("done with a tuple") << 12 << 1 << QByteArray(R"({value="1"})")
                                           << QByteArray("12^done,{value=\"1\"}\n");
        QTest::newRow("no token, no data") << -1 << 7 << QByteArray() << QByteArray("^unknown\n");
        QTest::newRow("running") << 0 << 2 << QByteArray() << QByteArray("0^running\n");
        QTest::newRow("connected") << 3 << 3 << QByteArray() << QByteArray("3^connected\n");
        QTest::newRow("error") << 4 << 4 << QByteArray("{msg=\"No x\"}")
                               << QByteArray("4^error,{msg=\"No x\"}\n");
        QTest::newRow("exit") << 5 << 5 << QByteArray() << QByteArray("5^exit\n");
        QTest::newRow("zero is unknown") << 6 << 0 << QByteArray() << QByteArray("6^unknown\n");
        QTest::newRow("negative is unknown") << 6 << -3 << QByteArray() << QByteArray("6^unknown\n");
    }

    void responseText()
    {
        QFETCH(int, token);
        QFETCH(int, resultClass);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, text);
        DebuggerResponse response;
        response.token = token;
        response.resultClass = ResultClass(resultClass);
        response.data.fromString(data);
        QCOMPARE(response.toString(), text);
    }
};

QTEST_GUILESS_MAIN(TestDebuggerCommand)
#include "tst_debuggercommand.moc"
