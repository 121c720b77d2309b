// The expression language: translations in normal and debug mode, the
// furthest error with its position, C++ type checks, and the Python that a
// text which does not translate turns into.

#include "common/pythonrunner.h"
#include "common/testenvironment.h"

#include "configuration/expressiontranslator.h"

#include <QtTest>

using namespace KorvanDebugger::Configuration;

class tst_ExpressionTranslator : public QObject
{
    Q_OBJECT
private slots:
    void translation_data();
    void translation();
    void failure_data();
    void failure();
    void type_data();
    void type();
    void deepNesting();
    void failedLambdaRaisesInPython();
    void translationsCompileInPython();
};

void tst_ExpressionTranslator::translation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("normal");
    QTest::addColumn<QString>("debug");

    const auto row = [](const char *name, const QString &text, const QString &normal, const QString &debug) {
        QTest::newRow(name) << text << normal << debug;
    };
    const auto same = [&row](const char *name, const QString &text, const QString &both) {
        row(name, text, both, both);
    };
    same("lone dot", ".", "value");
    row("index", ".3", "value[3]", "getMemberD(value,3)");
    row("member chain", ".a.b", R"(value["a"]["b"])", R"(getMemberD(getMemberD(value,"a"),"b"))");
    row("leading underscores", "._count", R"(value["_count"])", R"(getMemberD(value,"_count"))");
    row("size long", "{Size}", "getSize(value)", "getSizeD(value)");
    row("size short", "{S}", "getSize(value)", "getSizeD(value)");
    row("header", "{H}", "getHeader(value)", "getHeaderD(value)");
    row("header long", "{Header}", "getHeader(value)", "getHeaderD(value)");
    row("header forced", R"({H:"T"})", R"(getHeaderForce(value,"T"))", R"(getHeaderForceD(value,"T"))");
    row("field", R"({F:"x"})", R"(getField(value,"x"))", R"(getFieldD(value,"x"))");
    row("field forced", R"({Field:"x":"T"})", R"(getFieldForce(value,"x","T"))", R"(getFieldForceD(value,"x","T"))");
    row("member functor", "{M:count}", R"(value["count"])", R"(getMemberD(value,"count"))");
    row("member functor long", "{Member: 2}", "value[2]", "getMemberD(value,2)");
    row("field then member", R"({F:"x"}.y)", R"(getField(value,"x")["y"])", R"(getMemberD(getFieldD(value,"x"),"y"))");
    row("member then size", ".a{S}", R"(getSize(value["a"]))", R"(getSizeD(getMemberD(value,"a")))");
    same("lambda", "{L v: v+1}", "(lambda v: v+1)(value)");
    same("lambda long keyword", "{Lambda item:item*2}", "(lambda item:item*2)(value)");
    row("lambda on member", ".a{L v: v}", R"((lambda v: v)(value["a"]))", R"((lambda v: v)(getMemberD(value,"a")))");
    row("address", "&.a", R"(value["a"].address)", R"(getMemberD(value,"a").address)");
    row("format", ":.name", R"(formatAsString(value["name"]))", R"(formatAsString(getMemberD(value,"name")))");
    row("format compared", R"(:.name == "x")", R"(formatAsStringUnquote(value["name"]) == "x")",
        R"(formatAsStringUnquote(getMemberD(value,"name")) == "x")");
    // Only the emitted call changes, not the user's literal.
    row("format compared with literal", R"(:.n == "formatAsString")",
        R"(formatAsStringUnquote(value["n"]) == "formatAsString")",
        R"(formatAsStringUnquote(getMemberD(value,"n")) == "formatAsString")");
    row("equal", ".a == 3", R"(value["a"] == 3)", R"(getMemberD(value,"a") == 3)");
    row("not equal", ".a != 3", R"(value["a"] != 3)", R"(getMemberD(value,"a") != 3)");
    row("less or equal", ".a<=3", R"(value["a"] <= 3)", R"(getMemberD(value,"a") <= 3)");
    row("greater", ".a > 2.5", R"(value["a"] > 2.5)", R"(getMemberD(value,"a") > 2.5)");
    row("not", "!.a", R"(not value["a"])", R"(not getMemberD(value,"a"))");
    row("unary minus", "-.a + 1", R"(- value["a"] + 1)", R"(- getMemberD(value,"a") + 1)");
    same("signed constant", "-5 + 3", "-5 + 3");
    // A lone signed constant is read as unary operators (they come first),
    // an operand of a binary operator as one constant.
    same("signs alone", "+-3", "+ - 3");
    same("signs in operand", "+-3 * 2", "+-3 * 2");
    same("leading zeros", "007 * 00.5", "7 * 0.5");
    row("parentheses", "(.a + 1) * 2", R"((value["a"] + 1) * 2)", R"((getMemberD(value,"a") + 1) * 2)");
    row("complement takes the rest", "~.a + 1", R"(~toInteger(value["a"] + 1))", R"(~toInteger(getMemberD(value,"a") + 1))");
    row("bitwise and", ".a & .b + 1", R"(toInteger(value["a"]) & toInteger(value["b"] + 1))",
        R"(toInteger(getMemberD(value,"a")) & toInteger(getMemberD(value,"b") + 1))");
    row("bitwise or", ".a | 4", R"(toInteger(value["a"]) | toInteger(4))", R"(toInteger(getMemberD(value,"a")) | toInteger(4))");
    row("logical", ".a && .b || .c", R"(value["a"] and value["b"] or value["c"])",
        R"(getMemberD(value,"a") and getMemberD(value,"b") or getMemberD(value,"c"))");
    same("string literal", R"("a\"b")", R"("a\"b")");
    same("escaped backslash ends literal", R"("a\\" == "b")", R"("a\\" == "b")");
    same("raw line break in literal", "\"a\nb\"", R"("a\nb")");
    // Escapes that Python 3 refuses or warns about keep their backslash as text.
    same("unknown escape", R"("a\d")", R"("a\\d")");
    same("malformed hex escape", R"("\x4g\x41")", R"("\\x4g\x41")");
    same("unicode escapes", R"("\u00b5\U0001F600\U00110000")", R"("\u00b5\U0001F600\\U00110000")");
    same("named escape", R"("\N{MICRO SIGN}")", R"("\\N{MICRO SIGN}")");
    row("blanks", " \t.a\n", R"(value["a"])", R"(getMemberD(value,"a"))");
    row("list with blank", ".a, .b", R"(bytes.fromhex("2573202573").decode('utf8')%(value["a"],value["b"]))",
        R"(bytes.fromhex("2573202573").decode('utf8')%(getMemberD(value,"a"),getMemberD(value,"b")))");
    row("list with literal", R"(.a; "km")", R"(bytes.fromhex("25736b6d").decode('utf8')%(value["a"],))",
        R"(bytes.fromhex("25736b6d").decode('utf8')%(getMemberD(value,"a"),))");
    row("first literal is an argument", R"("x", .a)", R"(bytes.fromhex("2573202573").decode('utf8')%("x",value["a"]))",
        R"(bytes.fromhex("2573202573").decode('utf8')%("x",getMemberD(value,"a")))");
    row("percent doubled", R"(.a, "50%")", R"(bytes.fromhex("25732035302525").decode('utf8')%(value["a"],))",
        R"(bytes.fromhex("25732035302525").decode('utf8')%(getMemberD(value,"a"),))");
    row("escape kept in format", R"(.a;"\t")", R"(bytes.fromhex("25735c74").decode('utf8')%(value["a"],))",
        R"(bytes.fromhex("25735c74").decode('utf8')%(getMemberD(value,"a"),))");
    row("line break in format", ".a; \"x\ny\"", R"(bytes.fromhex("2573780a79").decode('utf8')%(value["a"],))",
        R"(bytes.fromhex("2573780a79").decode('utf8')%(getMemberD(value,"a"),))");
    row("literal sum is an argument", R"(.a, "x" + .b)", R"(bytes.fromhex("2573202573").decode('utf8')%(value["a"],"x" + value["b"]))",
        R"(bytes.fromhex("2573202573").decode('utf8')%(getMemberD(value,"a"),"x" + getMemberD(value,"b")))");
    row("non-latin literal", QString::fromUtf8(".a;\"µ€\""), R"(bytes.fromhex("2573c2b5e282ac").decode('utf8')%(value["a"],))",
        R"(bytes.fromhex("2573c2b5e282ac").decode('utf8')%(getMemberD(value,"a"),))");
}

void tst_ExpressionTranslator::translation()
{
    QFETCH(QString, text);
    QFETCH(QString, normal);
    QFETCH(QString, debug);
    TestEnvironment environment;

    ExpressionTranslator normalTranslator(text);
    const TranslationResult normalResult = normalTranslator.translateExpressionList();
    QVERIFY2(normalResult.success, qPrintable(normalTranslator.errorMessage()));
    QCOMPARE(normalResult.text, normal);

    TestEnvironment::setDebugMode(true);
    ExpressionTranslator debugTranslator(text);
    const TranslationResult debugResult = debugTranslator.translateExpressionList();
    QVERIFY(debugResult.success);
    QCOMPARE(debugResult.text, debug);
}

void tst_ExpressionTranslator::failure_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("position");

    QTest::newRow("empty") << "" << "Expression is empty." << 0;
    QTest::newRow("bare identifier") << "a" << "Invalid constant expression." << 0;
    QTest::newRow("unknown functor") << "{X}" << "Invalid functor name." << 1;
    QTest::newRow("member without name") << "{M:}" << "Identifier is missing for 'Member' operator." << 3;
    QTest::newRow("field without literal") << "{F:x}" << "Invalid string expression." << 3;
    QTest::newRow("field unterminated literal") << "{F:\"x}" << "Constant expression is not terminated with '\"'." << 6;
    QTest::newRow("member not closed") << "{M:a b}" << "'Member' operator not completed. '}' missing." << 5;
    QTest::newRow("field not closed") << "{F:\"x\" ." << "'Field' operator not completed. '}' missing." << 7;
    QTest::newRow("header not closed") << "{H x}" << "'Header' operator not completed. '}' missing." << 3;
    QTest::newRow("size not closed") << "{S" << "'Size' operator not completed. '}' missing." << 2;
    QTest::newRow("lambda digits argument") << "{L 3: v}" << "Lambda expression error. Invalid argument." << 3;
    QTest::newRow("lambda without colon") << "{L v v}" << "Lambda expression error. ':' missing." << 5;
    QTest::newRow("lambda not terminated") << "{L v: v" << "Lambda expression not terminated. '}' missing." << 7;
    QTest::newRow("brace inside lambda body") << "{L v: {v}}" << "Can't parse expression." << 10;
    QTest::newRow("lone equal sign") << ".a = 3" << "Can't parse expression." << 4;
    QTest::newRow("unknown operator") << ".a ? 1" << "Can't parse expression." << 4;
    QTest::newRow("unclosed parenthesis") << "(.a" << "'(' has no matching ')'." << 3;
    QTest::newRow("address of constant") << "&5" << "Invalid usage of unary operator '&': Field requested." << 1;
    QTest::newRow("format of constant") << ": 5" << "Invalid usage of unary operator ':': Field requested." << 2;
    QTest::newRow("missing list item") << ".a, " << "Invalid constant expression." << 4;
    QTest::newRow("missing right operand") << ".a +" << "Invalid constant expression." << 4;
    QTest::newRow("dot without name") << ".a.}" << "Field identifier is missing after '.' separator." << 3;
    QTest::newRow("complement of nothing") << ".a, ~" << "Invalid constant expression." << 5;
    // The operand's own error lies further than the operator's.
    QTest::newRow("not of nothing") << "! )" << "Invalid constant expression." << 2;
}

void tst_ExpressionTranslator::failure()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(int, position);
    TestEnvironment environment;

    ExpressionTranslator translator(text);
    const TranslationResult result = translator.translateExpressionList();
    QVERIFY(!result.success);
    QVERIFY(result.text.isEmpty());
    QCOMPARE(translator.errorMessage(), message);
    QCOMPARE(translator.errorPosition(), position);
}

void tst_ExpressionTranslator::type_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("allowTemplateParameters");
    QTest::addColumn<QString>("message"); // empty: the type is accepted
    QTest::addColumn<int>("position");

    QTest::newRow("empty") << "" << true << "" << -1;
    QTest::newRow("template") << "std::vector<int>" << true << "" << -1;
    QTest::newRow("indices and suffix") << R"(Foo<\0, \1.2> * const)" << true << "" << -1;
    QTest::newRow("const after name") << "Foo const" << true << "" << -1;
    QTest::newRow("reference to const") << "Foo &const" << true << "" << -1;
    QTest::newRow("cast constant") << "Foo<(int)3>" << true << "" << -1;
    QTest::newRow("empty list allowed") << "Foo<>" << true << "" << -1;
    QTest::newRow("blanks between colons") << "ns: :Name" << true << "" << -1;
    QTest::newRow("nothing after const") << "Foo const *" << true << "Trailing characters after the type." << 10;
    QTest::newRow("index not allowed") << R"(\0)" << false << "Invalid field expression ''." << 0;
    QTest::newRow("underscores only") << "__" << true << "Invalid field expression '__'." << 0;
    QTest::newRow("empty list not allowed") << "Foo<>" << false << "Template argument is missing." << 4;
    QTest::newRow("single colon") << "a:b" << true << "Invalid namespace separator. Only one ':' character." << 3;
    QTest::newRow("two names") << "int x" << true << "Unexpected character: 'x'." << 4;
    QTest::newRow("builtin of two words") << "unsigned short" << false << "" << -1;
    QTest::newRow("builtin of three words") << "unsigned long long*" << false << "" << -1;
    QTest::newRow("builtin in a list") << "Foo<long long, signed char>" << false << "" << -1;
    QTest::newRow("builtin then const") << "unsigned int * const" << false << "" << -1;
    QTest::newRow("builtin then a name") << "unsigned x" << false << "Unexpected character: 'x'." << 9;
    QTest::newRow("builtin glued") << "unsigned shorts" << false << "Unexpected character: 's'." << 9;
    QTest::newRow("unterminated list") << "Foo<int" << true << "Unexpected end of type. Template list is not terminated." << 7;
    QTest::newRow("letter index") << R"(Foo<\a>)" << true << "Template index ('a') is not a number between 0 and 9." << 6;
    QTest::newRow("glued const") << "Foo<int>const" << true << "Unexpected character: 'c'." << 7;
    QTest::newRow("cast not closed") << "Foo<(int x)3>" << true << "Missing ')' in cast expression." << 10;
    QTest::newRow("bad separator in list") << "Foo<int;int>" << true << "Unexpected character: ';'." << 7;
}

void tst_ExpressionTranslator::type()
{
    QFETCH(QString, text);
    QFETCH(bool, allowTemplateParameters);
    QFETCH(QString, message);
    QFETCH(int, position);

    ExpressionTranslator translator(text);
    translator.allowTemplateParameters = allowTemplateParameters;
    const TranslationResult result = translator.parseWholeType();
    QVERIFY(result.text.isEmpty());
    if (message.isEmpty()) {
        QVERIFY2(result.success, qPrintable(translator.errorMessage()));
        return;
    }
    QVERIFY(!result.success);
    QCOMPARE(translator.errorMessage(), message);
    QCOMPARE(translator.errorPosition(), position);
}

void tst_ExpressionTranslator::deepNesting()
{
    // Every level is tried by several alternatives; the result must still be
    // exact (speed is measured in bench/).
    const int depth = 40;
    const QString text = QString(depth, QLatin1Char('(')) + QStringLiteral(".a + 1") + QString(depth, QLatin1Char(')'));
    ExpressionTranslator translator(text);
    const TranslationResult result = translator.translateExpressionList();
    QVERIFY(result.success);
    QCOMPARE(result.text, QString(depth, QLatin1Char('(')) + QStringLiteral(R"(value["a"] + 1)") + QString(depth, QLatin1Char(')')));

    ExpressionTranslator broken(QString(depth, QLatin1Char('(')) + QStringLiteral(".a +"));
    QVERIFY(!broken.translateExpressionList().success);
    QCOMPARE(broken.errorMessage(), QStringLiteral("Invalid constant expression."));
    QCOMPARE(broken.errorPosition(), depth + 4);
}

void tst_ExpressionTranslator::failedLambdaRaisesInPython()
{
    TestEnvironment environment;
    // A text with quotes, a backslash and "%1" must reach the message intact.
    const QString text = QStringLiteral(R"({F:x} "%1" \)");
    const PythonCode code = ExpressionTranslator(text).translateLambda();
    QVERIFY(!code.definitions.isEmpty());
    QVERIFY(code.expression.startsWith(QLatin1String("lambda value : _Id_")));

    const QString script = code.definitions + QLatin1String("\naccessor = ") + code.expression
                           + QLatin1String("\ntry:\n    accessor(None)\nexcept RuntimeError as e:\n    print(e)\n");
    const PythonRun run = runPython(script);
    QVERIFY(run.started);
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
    QCOMPARE(run.output.trimmed(),
             QStringLiteral(R"(Expression error at position 3 in '{F:x} "%1" \': Invalid string expression.)"));
}

void tst_ExpressionTranslator::translationsCompileInPython()
{
    TestEnvironment environment;
    QString source;
    const QStringList texts = {
        QStringLiteral(".a, \"50%\"; .b"), QStringLiteral(":.n == \"x\""), QStringLiteral("{L v: v\n+1}"),
        QStringLiteral("\"a\nb\", .c"), QStringLiteral("007 + 08.50"), QStringLiteral("~.a | .b && !.c"),
        QStringLiteral("{F:\"x\":\"T\"}{H}{S}.3"), QString::fromUtf8(".a; \"µ\""),
        QStringLiteral(R"("\d\x4\u12\U0011FFFF\N{X}\q" == {F:"\N"})"),
    };
    for (const bool debug : {false, true}) {
        TestEnvironment::setDebugMode(debug);
        for (const QString &text : texts) {
            ExpressionTranslator translator(text);
            const TranslationResult result = translator.translateExpressionList();
            QVERIFY2(result.success, qPrintable(text));
            source += QLatin1String("f = lambda value : ") + result.text + QLatin1Char('\n');
        }
    }
    const PythonRun run = runPython(compileScript(source));
    QVERIFY(run.started);
    QCOMPARE(run.output.trimmed(), QStringLiteral("compiled"));
}

QTEST_GUILESS_MAIN(tst_ExpressionTranslator)
#include "tst_expressiontranslator.moc"
