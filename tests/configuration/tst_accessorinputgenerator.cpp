// Accessors: classification of every JSON form into its kind word, the
// Python of every kind (checked by python3), shared C++ type helpers, line
// reports of instrumented Python API bodies, and user text that must not be
// taken for a placeholder.

#include "common/pythonrunner.h"
#include "common/jsontext.h"
#include "common/testenvironment.h"

#include "configuration/accessorinputgenerator.h"

#include <QJsonDocument>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

Q_DECLARE_METATYPE(KorvanDebugger::Configuration::AccessorKind)

namespace {

PythonCode generateFrom(const QString &key, const char *definition)
{
    AccessorInputGenerator generator(key);
    generator.setValue(jsonObject(definition), !key.isEmpty());
    return generator.generate();
}

// Stand-ins for GDB and the dumper, enough to call the generated helpers.
const char pythonStandIns[] = R"(import re
class gdb:
    class error(Exception):
        pass
class T:
    def __init__(self, name, args=()):
        self.name = name
        self.args = list(args)
    def strip_typedefs(self):
        return self
    def __str__(self):
        return self.name
class Dumper:
    def lookupType(self, name):
        return "resolved:" + name
    def typeTemplateArgument(self, t, i):
        return t.args[i]
theDumper = Dumper()
def stripTypedefs(t):
    return t
def WARN(message):
    print("XXX: " + message)
class V:
    def __init__(self, t):
        self.type = t
root = T("QMap<int, Inner<char> >", [T("int"), T("Inner<char>", [T("char")])])
def show(f, *args):
    try:
        print(f(*args))
    except Exception as e:
        print(type(e).__name__ + ": " + str(e))
)";

} // namespace

class tst_AccessorInputGenerator : public QObject
{
    Q_OBJECT
private slots:
    void loading_data();
    void loading();
    void expectedKindIsConsumed();
    void assignKeepsKey();
    void labels();
    void generation_data();
    void generation();
    void isIdentity_data();
    void isIdentity();
    void sizeExpression_data();
    void sizeExpression();
    void offsetAndSizeFunctions();
    void sharedCppTypeHelper();
    void cppTypeHelpersResolveInPython();
    void userPercentIsNoPlaceholder();
    void filters();
    void pythonApiNormalMode();
    void pythonApiDebugMode();
    void runsInPython_data();
    void runsInPython();
    void debugContextOfAccessor();
    void everyKindCompiles();
};

void tst_AccessorInputGenerator::loading_data()
{
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<AccessorKind>("expected");
    QTest::addColumn<AccessorKind>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("intCount");
    QTest::addColumn<int>("ptrCount");
    QTest::addColumn<QString>("extra"); // option label, group text or context

    const AccessorKind none = AccessorKind::NoKind;
    const auto row = [](const char *name, const char *definition, AccessorKind expected, AccessorKind kind,
                        const QString &text = QString(), int ints = 0, int ptrs = 0, const QString &extra = QString()) {
        QTest::newRow(name) << QByteArray(definition) << expected << kind << text << ints << ptrs << extra;
    };
    row("absent", R"({"other": 1})", AccessorKind::FeatureClass, AccessorKind::KindNone);
    row("feature lower case", R"({"a": "container"})", AccessorKind::FeatureClass, AccessorKind::FeatureClass);
    row("feature Class", R"({"a": "Class"})", AccessorKind::FeatureContainer, AccessorKind::FeatureClass);
    row("feature empty", R"({"a": ""})", AccessorKind::FeatureClass, AccessorKind::FeatureClass);
    row("feature Container", R"({"a": "Container"})", AccessorKind::FeatureClass, AccessorKind::FeatureContainer);
    row("feature Enumeration", R"({"a": "Enumeration"})", AccessorKind::FeatureClass, AccessorKind::FeatureEnumeration);
    row("type Standard", R"({"a": "Standard"})", AccessorKind::TypeStandard, AccessorKind::TypeStandard);
    row("type unlisted", R"({"a": "Vector"})", AccessorKind::TypeStandard, AccessorKind::TypeStandard);
    row("type empty", R"({"a": ""})", AccessorKind::TypeArray, AccessorKind::TypeStandard);
    row("type Array", R"({"a": "Array"})", AccessorKind::TypeStandard, AccessorKind::TypeArray);
    row("type SpeudoContainer", R"({"a": "SpeudoContainer"})", AccessorKind::TypeStandard, AccessorKind::TypeSpeudoContainer);
    row("string without expectation", R"({"a": "text"})", none, none);
    row("string as Text", R"({"a": "shown"})", AccessorKind::Text, AccessorKind::Text, "shown");
    row("string as class name", R"({"a": "QList"})", AccessorKind::ClassName, AccessorKind::ClassName, "QList");
    row("string as group", R"({"a": "grp"})", AccessorKind::GroupName, AccessorKind::GroupName, QString(), 0, 0, "grp");
    row("string with both halves", R"({"a": "Array"})", AccessorKind(kindWord(AccessorKind::Text) | kindWord(AccessorKind::TypeArray)),
        AccessorKind(kindWord(AccessorKind::Text) | kindWord(AccessorKind::TypeArray)));
    row("template option empty", R"({"a": {"TemplateArgument": 1, "TemplateOption": ""}})", none,
        AccessorKind::TemplateArgumentType, QString(), 1, 0, "<No Option>");
    row("template option pointer", R"({"a": {"TemplateArgument": 0, "TemplateOption": "Pointer"}})", none,
        AccessorKind::TemplateArgumentType, QString(), 0, 0, "Pointer To");
    row("template option large", R"({"a": {"TemplateArgument": 2, "TemplateOption": "PointerIfLarge"}})", none,
        AccessorKind::TemplateArgumentType, QString(), 2, 0, "Pointer If Large");
    row("template int", R"({"a": {"TemplateArgument": 1}})", none, AccessorKind::TemplateArgumentInt, QString(), 1);
    row("size before field", R"({"a": {"Field": ".x", "Size": {"Int": 2}}})", none, AccessorKind::Size, QString(), 2, 0);
    row("offset", R"({"a": {"Offset": {"Int": 1, "Ptr": 3}}})", none, AccessorKind::Offset, QString(), 1, 3);
    row("field before lambda", R"({"a": {"LambdaExpression": "value", "Field": ".x"}})", none, AccessorKind::Field, ".x");
    row("base class", R"({"a": {"AsBaseClass": 2}})", none, AccessorKind::AsBaseClass, QString(), 2);
    row("cpp type", R"({"a": {"CppType": "int"}})", none, AccessorKind::CppType, "int");
    row("template type", R"({"a": {"TemplateType": "QList<>"}})", none, AccessorKind::TemplateType, "QList<>");
    row("param type", R"({"a": {"ParamType": "\\0"}})", none, AccessorKind::ParamType, "\\0");
    row("filter key", R"({"a": {"key": ".k"}})", none, AccessorKind::FilterKey, ".k");
    row("filter value", R"({"a": {"value": ".v"}})", none, AccessorKind::FilterValue, ".v");
    row("inferior method", R"({"a": {"InferiorMethod": "size"}})", none, AccessorKind::InferiorMethod, "size");
    row("inferior function", R"({"a": {"InferiorFunction": "dump"}})", none, AccessorKind::InferiorFunction, "dump");
    row("body without header", R"({"a": {"PythonAPIBody": "return value"}})", none, none);
    row("python call", R"({"a": {"PythonAPIHeader": "def f(d, value):", "PythonAPIBody": "return value"}})", none,
        AccessorKind::PythonCall);
    row("container call", R"({"a": {"PythonAPIHeader": "def myAccessor(d, value, container):", "PythonAPIBody": ""}})",
        none, AccessorKind::PythonContainerCall);
    row("key in a longer name", R"({"a": {"PythonAPIHeader": "def f(d, monkey, container):", "PythonAPIBody": ""}})",
        none, AccessorKind::FilterAPI);
    row("number", R"({"a": 5})", AccessorKind::Text, none);
    row("array", R"({"a": [1]})", none, none);
    row("null", R"({"a": null})", none, none);
    row("unknown object with context", R"({"a": {"context": "custom.X", "other": 1}})", none, none, QString(), 0, 0,
        "custom.X");
}

void tst_AccessorInputGenerator::loading()
{
    QFETCH(QByteArray, definition);
    QFETCH(AccessorKind, expected);
    QFETCH(AccessorKind, kind);
    QFETCH(QString, text);
    QFETCH(int, intCount);
    QFETCH(int, ptrCount);
    QFETCH(QString, extra);

    AccessorInputGenerator generator(QStringLiteral("a"), int(lowHalf(expected)), int(highHalf(expected)));
    generator.setValue(jsonObject(definition.constData()), true);
    QCOMPARE(kindWord(generator.kind), kindWord(kind));
    QCOMPARE(generator.text, text);
    QCOMPARE(generator.intCount, intCount);
    QCOMPARE(generator.ptrCount, ptrCount);
    if (kind == AccessorKind::TemplateArgumentType)
        QCOMPARE(generator.templateOption, extra);
    else if (kind == AccessorKind::GroupName)
        QCOMPARE(generator.groupText, extra);
    else
        QCOMPARE(generator.context, extra);
    QVERIFY(generator.value().isNull());
}

void tst_AccessorInputGenerator::expectedKindIsConsumed()
{
    // A whole object loaded with byKey false; then bare strings see the kind
    // that the previous load left.
    AccessorInputGenerator generator(QString(), int(lowHalf(AccessorKind::Text)), 0);
    generator.setValue(jsonObject(R"({"Field": ".x", "context": "c"})"), false);
    QCOMPARE(generator.kind, AccessorKind::Field);
    QCOMPARE(generator.context, QStringLiteral("c"));

    AccessorInputGenerator keyed(QStringLiteral("a"), int(lowHalf(AccessorKind::Text)), 0);
    keyed.setValue(jsonObject(R"({"a": {"Field": ".x"}})"), true);
    keyed.setValue(jsonObject(R"({"a": "plain"})"), true);
    QCOMPARE(keyed.kind, AccessorKind::Field);
    QVERIFY(keyed.text.isEmpty());

    keyed.setExpectedKind(AccessorKind::Text);
    keyed.setValue(jsonObject(R"({"a": "plain"})"), true);
    QCOMPARE(keyed.kind, AccessorKind::Text);
    QCOMPARE(keyed.text, QStringLiteral("plain"));
}

void tst_AccessorInputGenerator::assignKeepsKey()
{
    TestEnvironment environment;
    AccessorInputGenerator source(QStringLiteral("accessor"));
    source.setValue(jsonObject(R"({"accessor": {"Field": ".x", "context": "c"}})"), true);
    AccessorInputGenerator target(QStringLiteral("postProcess"));
    target.assignAccessor(source);
    QCOMPARE(target.key(), QStringLiteral("postProcess"));
    QCOMPARE(target.kind, AccessorKind::Field);
    QCOMPARE(target.context, QStringLiteral("c"));
    QCOMPARE(target.generate().expression, QStringLiteral(R"(postProcess = lambda value : value["x"])"));
}

void tst_AccessorInputGenerator::labels()
{
    // One flag value, three meanings: the halves are told apart.
    QCOMPARE(accessorKindLabel(AccessorKind::TextAlternative), QStringLiteral("Text"));
    QCOMPARE(accessorKindLabel(AccessorKind::TypeArray), QStringLiteral("Array"));
    QCOMPARE(accessorKindLabel(AccessorKind::FeatureClass), QStringLiteral("Class Mode"));
    QCOMPARE(accessorKindLabel(AccessorKind::KindNone), QStringLiteral("None"));
    QCOMPARE(accessorKindLabel(AccessorKind::FilterValue), QStringLiteral("Filter Base On Value"));
    QVERIFY(accessorKindLabel(AccessorKind::NoOption).isEmpty());
    QVERIFY(accessorKindLabel(AccessorKind(kindWord(AccessorKind::Text) | kindWord(AccessorKind::TypeArray))).isEmpty());
}

void tst_AccessorInputGenerator::generation_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<QString>("expression");

    const auto row = [](const char *name, const char *key, const char *definition, const QString &expression) {
        QTest::newRow(name) << QString::fromLatin1(key) << QByteArray(definition) << expression;
    };
    row("field identity", "accessor", R"({"accessor": {"Field": "."}})", "accessor = lambda value : value");
    row("absent", "accessor", R"({})", QString());
    row("no kind", "accessor", R"({"accessor": 3})", QString());
    row("lambda", "left", R"({"left": {"LambdaExpression": "value.x"}})", "left = lambda value: value.x");
    row("lambda over lines", "left", R"*({"left": {"LambdaExpression": "(value.x +\n value.y)"}})*",
        "left = lambda value: (value.x +  value.y)");
    row("base class", "", R"({"AsBaseClass": 2})", "lambda value : theDumper.directBaseType(value,2)");
    row("template int", "", R"({"TemplateArgument": 1})", "lambda value : theDumper.numericTemplateArgument(value.type, 1)");
    row("template pointer", "", R"({"TemplateArgument": 0, "TemplateOption": "Pointer"})",
        "lambda value : theDumper.typeTemplateArgument(value.type, 0).pointer()");
    row("template plain", "", R"({"TemplateArgument": 3, "TemplateOption": "Other"})",
        "lambda value : theDumper.typeTemplateArgument(value.type, 3)");
    row("inferior method", "", R"({"InferiorMethod": "size"})",
        R"*(lambda value: theDumper.parseAndEvaluate("%s.size()"%getvarName(theDumper,value)))*");
    row("inferior method with percent", "", R"({"InferiorMethod": "a%d\""})",
        R"*(lambda value: theDumper.parseAndEvaluate("%s.a%%d\"()"%getvarName(theDumper,value)))*");
    row("inferior function", "", R"({"InferiorFunction": "dump"})",
        R"(lambda value: ExecBuffered(theDumper,"dump",getvarName(theDumper,value)))");
    row("offset zero", "", R"({"Offset": {}})", "lambda value: value");
    row("text with quote", "displayedName", R"({"displayedName": "say \"hi\" \\ now\nthen"})",
        R"(displayedName = "say \"hi\" \\ now\nthen")");
}

void tst_AccessorInputGenerator::generation()
{
    QFETCH(QString, key);
    QFETCH(QByteArray, definition);
    QFETCH(QString, expression);
    TestEnvironment environment;

    const AccessorKind expected = key == QLatin1String("displayedName") ? AccessorKind::Text : AccessorKind::NoKind;
    AccessorInputGenerator generator(key, int(lowHalf(expected)), 0);
    generator.setValue(jsonObject(definition.constData()), !key.isEmpty());
    const PythonCode code = generator.generate();
    QCOMPARE(code.expression, expression);
    QVERIFY(code.definitions.isEmpty());
    QVERIFY(code.helperName.isEmpty());
    QVERIFY(code.dumperName.isEmpty());
    QCOMPARE(debugContextDepth(), 0);
}

void tst_AccessorInputGenerator::isIdentity_data()
{
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<bool>("identity");
    QTest::newRow("absent") << QByteArray("{}") << true;
    QTest::newRow("no kind") << QByteArray(R"({"a": []})") << true;
    QTest::newRow("dot with blanks") << QByteArray(R"({"a": {"Field": "  . "}})") << true;
    QTest::newRow("member") << QByteArray(R"({"a": {"Field": ".x"}})") << false;
    QTest::newRow("lambda value") << QByteArray(R"({"a": {"LambdaExpression": " value"}})") << true;
    QTest::newRow("api return value") << QByteArray(R"({"a": {"PythonAPIHeader": "def f(d, value):", "PythonAPIBody": "return   value\n"}})") << true;
    QTest::newRow("api other") << QByteArray(R"({"a": {"PythonAPIHeader": "def f(d, value):", "PythonAPIBody": "return 1"}})") << false;
    QTest::newRow("offset zero") << QByteArray(R"({"a": {"Offset": {}}})") << false;
}

void tst_AccessorInputGenerator::isIdentity()
{
    QFETCH(QByteArray, definition);
    QFETCH(bool, identity);
    AccessorInputGenerator generator(QStringLiteral("a"));
    generator.setValue(jsonObject(definition.constData()), true);
    QCOMPARE(generator.isIdentity(), identity);
}

void tst_AccessorInputGenerator::sizeExpression_data()
{
    QTest::addColumn<int>("ints");
    QTest::addColumn<int>("ptrs");
    QTest::addColumn<QString>("size");
    QTest::newRow("2 ints 1 ptr") << 2 << 1 << "2*theDumper.intSize()+theDumper.ptrSize()";
    QTest::newRow("3 ptrs") << 0 << 3 << "3*theDumper.ptrSize()";
    QTest::newRow("4 ints") << 4 << 0 << "4*theDumper.intSize()+0";
    QTest::newRow("10 ptrs") << 0 << 10 << "10*theDumper.ptrSize()";
    QTest::newRow("1 int") << 1 << 0 << "theDumper.intSize()+0";
}

void tst_AccessorInputGenerator::sizeExpression()
{
    QFETCH(int, ints);
    QFETCH(int, ptrs);
    QFETCH(QString, size);
    QString sum;
    QString withInts = AccessorInputGenerator::sizeExpression(ints, "int", sum);
    QVERIFY(sum.isEmpty());
    QCOMPARE(AccessorInputGenerator::sizeExpression(ptrs, "ptr", withInts), size);
    QVERIFY(withInts.isEmpty());
}

void tst_AccessorInputGenerator::offsetAndSizeFunctions()
{
    TestEnvironment environment;
    const PythonCode offset = generateFrom(QStringLiteral("base"), R"({"base": {"Offset": {"Int": 2, "Ptr": 1}}})");
    QCOMPARE(offset.expression, QStringLiteral("base = _Id_2"));
    QCOMPARE(offset.definitions, QStringLiteral("def _Id_2(value):\n"
                                                "  global _Id_2\n"
                                                "  offset = 2*theDumper.intSize()+theDumper.ptrSize()\n"
                                                "  resolvedType = theDumper.lookupType(\"void*\")\n"
                                                "  _Id_2 = lambda value : value.cast(resolvedType)+offset\n"
                                                "  return value.cast(resolvedType)+offset"));

    const PythonCode size = generateFrom(QString(), R"({"Size": {"Int": 3}})");
    QCOMPARE(size.expression, QStringLiteral("_Id_3"));
    QVERIFY(size.definitions.contains(QLatin1String("size = 3*theDumper.intSize()+0-1\n")));
    QVERIFY(size.definitions.endsWith(QLatin1String("_Id_3 = lambda value : resolvedArray\n  return resolvedArray")));
}

void tst_AccessorInputGenerator::sharedCppTypeHelper()
{
    TestEnvironment environment;
    PythonCode all;
    all.merge(generateFrom(QStringLiteral("a"), R"({"a": {"TemplateType": "QMap<\\0, \\1>"}})"));
    all.merge(generateFrom(QStringLiteral("b"), R"({"b": {"CppType": "QMap<\\0, \\1>"}})"));
    all.merge(generateFrom(QStringLiteral("c"), R"({"c": {"ParamType": "QList<>"}})"));
    all.merge(generateFrom(QStringLiteral("d"), R"({"d": {"CppType": "int"}})"));
    all.merge(generateFrom(QStringLiteral("e"), R"({"e": {"TemplateArgument": 1, "TemplateOption": "PointerIfLarge"}})"));
    all.merge(generateFrom(QStringLiteral("f"), R"({"f": {"TemplateArgument": 1, "TemplateOption": "PointerIfLarge"}})"));
    QCOMPARE(all.expression, QStringLiteral("a = _Id_2\nb = _Id_2\nc = _Id_3\nd = _Id_4\ne = _Id_5\nf = _Id_5"));
    QVERIFY(all.definitions.isEmpty());

    const QString script = all.unregisterCustomsCode(false);
    QCOMPARE(script.count(QLatin1String("def _Id_2(value):")), 1);
    QCOMPARE(script.count(QLatin1String("def _Id_5(value):")), 1);
    // The index loop only where the text holds an index, the replace line
    // only where it holds "<>", the backslash doubled inside the literal.
    QCOMPARE(script.count(QLatin1String("re.finditer")), 1);
    QVERIFY(script.contains(QLatin1String(R"(    valueT = "QMap<\\0, \\1>")")));
    QVERIFY(script.contains(QLatin1String(R"(    valueT = "QList<>".replace("<>",valueT[pos:valueT.rfind('>')+1]))")));
    QVERIFY(script.contains(QLatin1String("def _Id_4(value):\n  global _Id_4\n  valueT = \"int\"\n"
                                          "  resolvedType = theDumper.lookupType(valueT)\n")));
    QVERIFY(script.contains(QLatin1String("  type = theDumper.typeTemplateArgument(value.type, 1)\n")));
}

void tst_AccessorInputGenerator::cppTypeHelpersResolveInPython()
{
    TestEnvironment environment;
    const char *const definitions[] = {
        R"({"a": {"TemplateType": "QMap<\\1, \\0>"}})", R"({"a": {"CppType": "\\1.0"}})",
        R"({"a": {"CppType": "\\0"}})", R"({"a": {"ParamType": "QList<>"}})",
        R"({"a": {"CppType": "int"}})", R"({"a": {"CppType": "Foo<\\7>"}})",
        R"({"a": {"CppType": "Foo<\\1.3>"}})", R"({"a": {"TemplateArgument": 1, "TemplateOption": "PointerIfLarge"}})",
    };
    PythonCode all;
    QStringList calls;
    for (const char *definition : definitions) {
        const PythonCode code = generateFrom(QStringLiteral("a"), definition);
        all.merge(code);
        calls << QLatin1String("show(") + code.expression.mid(4) + QLatin1String(", V(root))");
    }
    QString script = QLatin1String(pythonStandIns) + all.unregisterCustomsCode(false) + QLatin1Char('\n')
                     + calls.join(QLatin1Char('\n')) + QLatin1Char('\n');
    // The Pointer-If-Large helper compares sizes: give the stand-ins sizes.
    script.replace(QLatin1String("class Dumper:\n"), QLatin1String("class Dumper:\n    def ptrSize(self):\n        return 8\n"));
    script.replace(QLatin1String("        self.args = list(args)\n"),
                   QLatin1String("        self.args = list(args)\n        self.sizeof = 16\n"
                                 "    def pointer(self):\n        return T(self.name + ' *')\n"));
    const PythonRun run = runPython(script);
    QVERIFY(run.started);
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
    QCOMPARE(run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             QStringList({"resolved:QMap<Inner<char>, int>", "resolved:char", "resolved:int",
                          "resolved:QList<int, Inner<char> >", "resolved:int",
                          R"(error: Invalid template argument index: '\7'.)",
                          R"(error: Invalid template argument index: '\1.3'.)", "Inner<char> *"}));
}

void tst_AccessorInputGenerator::userPercentIsNoPlaceholder()
{
    TestEnvironment environment;
    // "%1" and "%L1" in a type text must not be taken for the helper's name
    // when the shared helper map fills it in.
    PythonCode all;
    all.merge(generateFrom(QStringLiteral("a"), R"({"a": {"CppType": "Foo%1<>"}})"));
    all.merge(generateFrom(QStringLiteral("b"), R"({"b": {"CppType": "%L1 \"%2\""}})"));
    const QString script = all.unregisterCustomsCode(false);
    QVERIFY(script.contains(QLatin1String("def _Id_2(value):\n  global _Id_2\n")));
    QVERIFY(script.contains(QLatin1String("def _Id_3(value):\n  global _Id_3\n")));
    QVERIFY(!script.contains(QLatin1String("%1")));
    QVERIFY(!script.contains(QLatin1String("%L1")));

    const QString calls = QStringLiteral("\nshow(a, V(T('Bar<int>', [T('int')])))\nshow(b, V(root))\n");
    const PythonRun run = runPython(QLatin1String(pythonStandIns) + script + calls);
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
    QCOMPARE(run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             QStringList({"resolved:Foo%1<int>", R"(resolved:%L1 "%2")"}));
}

void tst_AccessorInputGenerator::filters()
{
    TestEnvironment environment;
    const PythonCode key = generateFrom(QStringLiteral("filter"), R"({"filter": {"key": ".a == 3"}})");
    QCOMPARE(key.definitions, QStringLiteral(R"(_Id_2 = GenericFilter(key = lambda value : value["a"] == 3))"));
    QCOMPARE(key.expression, QStringLiteral("filter = _Id_2"));
    QCOMPARE(key.helperName, QStringLiteral("GenericFilter"));

    const PythonCode api = generateFrom(
        QStringLiteral("filter"), R"({"filter": {"PythonAPIHeader": "def f(d, key, value):", "PythonAPIBody": "return key > 2"}})");
    QCOMPARE(api.definitions, QStringLiteral("def _Id_3(d, key, value):\n    return key > 2\n_Id_4 = GenericFilter(keyValue = _Id_3)"));
    QCOMPARE(api.expression, QStringLiteral("filter = _Id_4"));

    TestEnvironment::setDebugMode(true);
    const PythonCode value = generateFrom(QStringLiteral("filter"), R"({"filter": {"value": ".b", "context": "custom.T"}})");
    QCOMPARE(value.definitions,
             QStringLiteral(R"(_Id_5 = GenericFilter(value = lambda value : getMemberD(value,"b"),debugContext = "custom.T"))"));
}

void tst_AccessorInputGenerator::pythonApiNormalMode()
{
    TestEnvironment environment;
    const PythonCode code = generateFrom(
        QStringLiteral("accessor"),
        R"*({"accessor": {"PythonAPIHeader": "def myAccessor(d, value)", "PythonAPIBody": "x = value\r\nif x:\n  return x\nreturn 0"}})*");
    QCOMPARE(code.expression, QStringLiteral("accessor = _Id_2"));
    QCOMPARE(code.definitions,
             QStringLiteral("def _Id_2(d, value):\n    x = value\n    if x:\n      return x\n    return 0"));

    const PythonCode empty = generateFrom(
        QString(), R"({"PythonAPIHeader": "def f(d, value, container):", "PythonAPIBody": "# nothing yet"})");
    QCOMPARE(empty.definitions, QStringLiteral("def _Id_3(d, value, container):\n    # nothing yet\n    pass"));
}

void tst_AccessorInputGenerator::pythonApiDebugMode()
{
    TestEnvironment environment;
    TestEnvironment::setDebugMode(true);
    const PythonCode code = generateFrom(
        QString(), R"({"PythonAPIHeader": "def f(d, value):",
                      "PythonAPIBody": "x = (value +\n  0)\n# note\nif x:\n  y = 1 #--\nelse:\n\traise ValueError('boom')\nreturn x"})");
    QCOMPARE(code.definitions, QStringLiteral("def _Id_2(d, value):\n"
                                              "    try: #--\n"
                                              "     __line__count__ = 1 #--\n"
                                              "     x = (value +\n"
                                              "       0)\n"
                                              "     # note\n"
                                              "     __line__count__ = 4 #--\n"
                                              "     if x:\n"
                                              "       y = 1 #--\n"
                                              "     else:\n"
                                              "     \t__line__count__ = 7 #--\n"
                                              "     \traise ValueError('boom')\n"
                                              "     __line__count__ = 8 #--\n"
                                              "     return x\n"
                                              "     \n"
                                              "    except: #--\n"
                                              "     WARN(\"KORVANDEBUGLINE:%s\"%__line__count__) #--\n"
                                              "     raise #--\n"));
}

void tst_AccessorInputGenerator::runsInPython_data()
{
    QTest::addColumn<bool>("debug");
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("calls");
    QTest::addColumn<QStringList>("output");
    // An instrumented body reports the line of the statement that failed.
    QTest::newRow("instrumented body") << true << QByteArray(R"({"accessor": {"PythonAPIHeader": "def f(d, value):",
        "PythonAPIBody": "x = (value +\n0\n)\nif x:\n  return x\nelse:\n  y = [1,\n    2] + \\\n[3]\n  return y[value - 4]"}})")
        << "accessor = _Id_2" << "show(accessor, None, 5)\nshow(accessor, None, 0)"
        << QStringList{"5", "XXX: KORVANDEBUGLINE:10", "IndexError: list index out of range"};
    // Its quotes and backslash stay inside the message's literal.
    QTest::newRow("header without parameter list") << false
        << QByteArray(R"({"accessor": {"PythonAPIHeader": "def f \"q\" \\", "PythonAPIBody": "return value"}})")
        << "accessor = _Id_2" << "show(_Id_2, None, 1)"
        << QStringList{"RuntimeError: Python API header has no parameter list: 'def f \"q\" \\'"};
    // A field that does not translate still loads, and fails when called.
    QTest::newRow("failed translation") << false << QByteArray(R"({"accessor": {"Field": ".a +"}})")
        << "accessor = lambda value : _Id_2(value)" << "show(accessor, None)"
        << QStringList{"RuntimeError: Expression error at position 4 in '.a +': Invalid constant expression."};
}

void tst_AccessorInputGenerator::runsInPython()
{
    QFETCH(bool, debug);
    QFETCH(QByteArray, definition);
    QFETCH(QString, expression);
    QFETCH(QString, calls);
    QFETCH(QStringList, output);
    TestEnvironment environment;
    TestEnvironment::setDebugMode(debug);
    PythonCode code = generateFrom(QStringLiteral("accessor"), definition.constData());
    QCOMPARE(code.expression, expression);
    const PythonRun run = runPython(QLatin1String(pythonStandIns) + code.unregisterCustomsCode(false) + '\n' + calls + '\n');
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
    QCOMPARE(run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts), output);
}

void tst_AccessorInputGenerator::debugContextOfAccessor()
{
    TestEnvironment environment;
    TestEnvironment::setDebugMode(true);
    pushDebugContext(QStringLiteral("classes"));
    {
        AccessorInputGenerator generator(QStringLiteral("filter"));
        generator.setValue(jsonObject(R"({"filter": {"key": "."}})"), true);
        QVERIFY(generator.generate().definitions.endsWith(QLatin1String(R"(debugContext = "classes.filter"))")));
        AccessorInputGenerator unnamed{QString()};
        unnamed.setValue(jsonObject(R"({"key": "."})"), false);
        QVERIFY(unnamed.generate().definitions.endsWith(QLatin1String(R"(debugContext = "classes.<Default>"))")));
    }
    QCOMPARE(debugContextDepth(), 1);
    QCOMPARE(debugContextArgument(), QStringLiteral(R"(debugContext = "classes")"));
    popDebugContext();
}

void tst_AccessorInputGenerator::everyKindCompiles()
{
    TestEnvironment environment;
    const char *const definitions[] = {
        R"({"a": {"Field": ".a.b, :.c; \"x\""}})",
        R"({"a": {"Field": "{L v: v}"}})",
        R"({"a": {"Field": "{F:x}"}})",
        R"({"a": {"LambdaExpression": "value['x']"}})",
        R"({"a": {"AsBaseClass": 1}})",
        R"({"a": {"TemplateArgument": 1}})",
        R"({"a": {"TemplateArgument": 1, "TemplateOption": "Pointer"}})",
        R"({"a": {"TemplateArgument": 1, "TemplateOption": "PointerIfLarge"}})",
        R"({"a": {"TemplateArgument": 1, "TemplateOption": ""}})",
        R"({"a": {"InferiorMethod": "size"}})",
        R"({"a": {"InferiorFunction": "dump"}})",
        R"({"a": {"CppType": "int"}})",
        R"({"a": {"TemplateType": "QMap<\\0, \\1.0>"}})",
        R"({"a": {"ParamType": "QList<>"}})",
        R"({"a": {"key": ".k != 0"}})",
        R"({"a": {"value": ".v"}})",
        R"({"a": {"PythonAPIHeader": "def f(d, value):", "PythonAPIBody": "try:\n  if value:\n    return 1\nfinally:\n  pass\nreturn 0"}})",
        R"({"a": {"PythonAPIHeader": "def f(d, value, container):", "PythonAPIBody": ""}})",
        R"({"a": {"PythonAPIHeader": "def f(d, key, value):", "PythonAPIBody": "return key"}})",
        R"({"a": {"PythonAPIHeader": "f", "PythonAPIBody": "return key"}})",
        R"({"a": {"Offset": {"Int": 1}}})",
        R"({"a": {"Offset": {}}})",
        R"({"a": {"Size": {"Ptr": 2}}})",
    };
    for (const bool debug : {false, true}) {
        deleteHelpersCode();
        TestEnvironment::setDebugMode(debug);
        PythonCode all;
        for (const char *definition : definitions) {
            const PythonCode code = generateFrom(QStringLiteral("a"), definition);
            QVERIFY2(code.expression.startsWith(QLatin1String("a = ")), definition);
            all.merge(code);
        }
        for (const AccessorKind kind : {AccessorKind::Text, AccessorKind::TextAlternative, AccessorKind::ClassName,
                                        AccessorKind::ContainerClassName}) {
            AccessorInputGenerator generator(QStringLiteral("a"), int(lowHalf(kind)), 0);
            generator.setValue(jsonObject(R"({"a": "Qt \"quoted\" \\ %1\n"})"), true);
            all.merge(generator.generate());
        }
        const PythonRun run = runPython(compileScript(all.unregisterCustomsCode(true)));
        QVERIFY(run.started);
        QCOMPARE(run.output.trimmed(), QStringLiteral("compiled"));
    }
}

QTEST_GUILESS_MAIN(tst_AccessorInputGenerator)
#include "tst_accessorinputgenerator.moc"
