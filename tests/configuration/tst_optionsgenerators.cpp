// Choices (pure and bound to buttons), and the string and bit-array
// functions: exact texts, encodings that survive reloads, and what the
// functions return when python3 runs them against dumper stand-ins.

#include "common/pythonrunner.h"
#include "common/testenvironment.h"
#include "common/jsontext.h"

#include "configuration/exclusivechoicegenerator.h"
#include "configuration/optionsgenerators.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

// Binds itself the way the editor's radio-button group does.
class BoundChoice : public QWidget, public ExclusiveChoiceGenerator
{
public:
    BoundChoice() : ExclusiveChoiceGenerator(QStringLiteral("dimension"))
    {
        setWidget(this);
        buttonGroup = new QButtonGroup(this);
        buttonGroup->addButton(new QRadioButton(this), 1);
        addChoice(1, "1D");
    }
    void check() { buttonGroup->button(1)->setChecked(true); }
};

// A value is a dict, the inferior's memory a byte string.
const char pythonStandIns[] = R"(
class BaseHelper:
    def callAPI(self, api, value):
        return api(value) if api.__code__.co_argcount == 1 else api(theDumper, value)
class theDumper:
    stringCutOff = 6
    readMemory = lambda base, size: memory[base:base + size]
elideCharacter = "..."
class CharType:
    def __init__(self, size):
        self.sizeof = size
def decodeCharacterType(t):
    codec = {1: 'utf8', 2: 'utf-16-le'}[t.sizeof]
    return t.sizeof, lambda raw: bytes(raw).decode(codec, 'replace')
memory = b'\x00caf\xe9 au lait\x00x\x00y\x00'
)";

QByteArray stringDefinition(const char *encodingMember)
{
    return QByteArray(R"j({"string": {"base": {"LambdaExpression": "value['b']"},
        "length": {"LambdaExpression": "value['n']"}, "format": {"LambdaExpression": "CharType(value['w'])"})j")
           + encodingMember + "}}";
}

} // namespace

class tst_OptionsGenerators : public QObject
{
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void boundChoice();
    void stringFunctionText();
    void stringFunctionRuns_data();
    void stringFunctionRuns();
    void bitArrayFunction();
    void userTextsStayLiteral();
};

void tst_OptionsGenerators::choice_data()
{
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("value");

    QTest::newRow("2D") << QByteArray(R"({"dimension": "2D"})") << 2 << "2D";
    QTest::newRow("absent") << QByteArray(R"({})") << -2 << "NotDefined";
    QTest::newRow("case differs") << QByteArray(R"({"dimension": "2d"})") << -2 << "NotDefined";
    QTest::newRow("no string") << QByteArray(R"({"dimension": 2})") << -2 << "NotDefined";
    QTest::newRow("shared name: lowest id") << QByteArray(R"({"dimension": "Same"})") << 32 << "Same";
}

void tst_OptionsGenerators::choice()
{
    QFETCH(QByteArray, definition);
    QFETCH(int, id);
    QFETCH(QString, value);

    ExclusiveChoiceGenerator choice(QStringLiteral("dimension"));
    // Never loaded: nothing selected, which is no error.
    QCOMPARE(choice.value(), QJsonValue(QString()));
    QVERIFY(choice.isValid());
    const std::pair<int, const char *> entries[] = {{64, "Same"}, {2, "2D"}, {32, "Same"}, {1, "1D"}};
    for (const auto &entry : entries)
        choice.addChoice(entry.first, entry.second);
    choice.setValue(jsonObject(definition), true);
    QCOMPARE(choice.currentId(), id);
    QCOMPARE(choice.value(), QJsonValue(value));
    QCOMPARE(choice.isValid(), id != -2);
    QCOMPARE(choice.generate(), PythonCode());
}

void tst_OptionsGenerators::boundChoice()
{
    BoundChoice choice;
    // The buttons are the state; the id of a load is not consulted.
    choice.setValue(jsonObject(R"({"dimension": "1D"})"), true);
    QCOMPARE(choice.currentId(), -2);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("NotDefined")));
    // Not shown yet (a wizard before its dialog opens) still blocks; only
    // hiding the choice exempts it.
    QVERIFY(!choice.isValid());
    choice.hide();
    QVERIFY(choice.isValid());
    choice.show();
    QVERIFY(!choice.isValid());
    choice.check();
    QCOMPARE(choice.currentId(), 1);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("1D")));
    QVERIFY(choice.isValid());
}

void tst_OptionsGenerators::stringFunctionText()
{
    TestEnvironment environment;
    StringOptionsGenerator generator;
    generator.setValue(jsonObject(stringDefinition(R"(, "encoding": "latin1")")), true);
    const QString function = QStringLiteral(
        "def _Id_2(value):\n  dummy = BaseHelper()\n  base = lambda value: value['b']\n"
        "  length = lambda value: value['n']\n  format = lambda value: CharType(value['w'])\n"
        "  base = dummy.callAPI(base,value) # DEBUG string.base,value\n"
        "  length = dummy.callAPI(length,value) # DEBUG string.length,value\n  if base==0 or length==0:\n"
        "    return True,\"\"\n  type = dummy.callAPI(format,value) # DEBUG string.format,value\n"
        "  charLength,charFormat = decodeCharacterType(type) # DEBUG string.format,value\n  suffix = ''\n"
        "  if length > theDumper.stringCutOff:\n    length = theDumper.stringCutOff\n    suffix = elideCharacter\n"
        "  if length<0:\n    return False,\"<not accessible>\"\n"
        "  stream = theDumper.readMemory(base,length*charLength)\n"
        "  string = charFormat(stream) # DEBUG string.format,stream\n  %1\n  return True,string+suffix");
    PythonCode code = generator.generate();
    QCOMPARE(code.definitions,
             function.arg(QStringLiteral("string = bytes(stream).decode(\"latin1\") # DEBUG string.encoding,string")));
    QCOMPARE(code.expression, QStringLiteral("string = _Id_2"));

    // A reload without "encoding", then one with it again: the bare string
    // is still taken as the encoding.
    deleteHelpersCode();
    generator.setValue(jsonObject(stringDefinition("")), true);
    QCOMPARE(generator.generate().definitions, function.arg(QString()));
    generator.setValue(jsonObject(stringDefinition(R"(, "encoding": "cp1252")")), true);
    QCOMPARE(generator.encodingName(), QStringLiteral("cp1252"));
    QCOMPARE(generator.generate().expression, QStringLiteral("string = _Id_3"));
    // An accessor object names no encoding.
    generator.setValue(jsonObject(stringDefinition(R"(, "encoding": {"Field": ".e"})")), true);
    QVERIFY(generator.encodingName().isEmpty());
}

void tst_OptionsGenerators::stringFunctionRuns_data()
{
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("result");

    const QByteArray latin1 = stringDefinition(R"(, "encoding": "latin1")");
    QTest::newRow("utf8") << stringDefinition("") << "{'b': 1, 'n': 3, 'w': 1}" << "(True, 'caf')";
    QTest::newRow("latin1") << latin1 << "{'b': 1, 'n': 4, 'w': 1}" << "(True, 'caf\u00e9')";
    QTest::newRow("cut off") << latin1 << "{'b': 1, 'n': 12, 'w': 1}" << "(True, 'caf\u00e9 a...')";
    QTest::newRow("wide") << stringDefinition("") << "{'b': 14, 'n': 2, 'w': 2}" << "(True, 'xy')";
    QTest::newRow("null base") << latin1 << "{'b': 0, 'n': 3, 'w': 1}" << "(True, '')";
    QTest::newRow("negative length") << latin1 << "{'b': 1, 'n': -1, 'w': 1}" << "(False, '<not accessible>')";
    QTest::newRow("bytes not in encoding") << stringDefinition(R"(, "encoding": "ascii")") << "{'b': 1, 'n': 4, 'w': 1}"
                                           << "UnicodeDecodeError";
    // Taken raw, this text would end the literal and give "CAF".
    QTest::newRow("quote in encoding") << stringDefinition(R"x(, "encoding": "utf8\").upper() + (\"")x")
                                       << "{'b': 1, 'n': 3, 'w': 1}" << "LookupError";
    // The format's Python API function is defined before the string function.
    QTest::newRow("format function") << QByteArray(R"j({"string": {"base": {"LambdaExpression": "value['b']"},
        "length": {"LambdaExpression": "value['n']"},
        "format": {"PythonAPIHeader": "def f(d, value):", "PythonAPIBody": "return CharType(1)"}}})j")
                                     << "{'b': 1, 'n': 2}" << "(True, 'ca')";
}

void tst_OptionsGenerators::stringFunctionRuns()
{
    QFETCH(QByteArray, definition);
    QFETCH(QString, call);
    QFETCH(QString, result);

    TestEnvironment environment;
    StringOptionsGenerator generator;
    generator.setValue(jsonObject(definition), true);
    const PythonCode code = generator.generate();
    const PythonRun run = runPython(QLatin1String(pythonStandIns) + code.definitions
                                    + QStringLiteral("\ntry:\n  print(repr(%1(%2)))\nexcept Exception as e:\n"
                                                     "  print(type(e).__name__)\n")
                                          .arg(code.expression.section(QLatin1String(" = "), 1), call));
    QCOMPARE(run.output.trimmed(), result);
}

void tst_OptionsGenerators::bitArrayFunction()
{
    TestEnvironment environment;
    BitArrayOptionsGenerator generator;
    generator.setValue(jsonObject(R"({"bitArray": {"base": {"LambdaExpression": "value['d']"},
                                                    "length": {"LambdaExpression": "value['n']"}}})"), true);
    const PythonCode code = generator.generate();
    QCOMPARE(code.definitions, QStringLiteral("def _Id_2(value):\n  dummy = BaseHelper()\n"
                                              "  base = lambda value: value['d']\n  length = lambda value: value['n']\n"
                                              "  base = dummy.callAPI(base,value) # DEBUG bitArray.base,value\n"
                                              "  length = dummy.callAPI(length,value) # DEBUG bitArray.length,value\n"
                                              "  return base,length\n"));
    QCOMPARE(code.expression, QStringLiteral("bitArray = _Id_2"));
    const PythonRun run = runPython(QLatin1String(pythonStandIns) + code.definitions
                                    + QLatin1String("print(_Id_2({'d': 7, 'n': 33}))\n"));
    QCOMPARE(run.output.trimmed(), QStringLiteral("(7, 33)"));

    // A reused generator keeps nothing of the previous accessors.
    generator.setValue(jsonObject(R"({"bitArray": {"base": "value"}})"), true);
    QCOMPARE(generator.base.kind, AccessorKind::NoKind);
    QCOMPARE(generator.length.kind, AccessorKind::KindNone);
    // Missing accessors leave blank lines; the function still compiles.
    QCOMPARE(runPython(compileScript(generator.generate().definitions)).output.trimmed(), QStringLiteral("compiled"));
}

void tst_OptionsGenerators::userTextsStayLiteral()
{
    // Texts that look like placeholders or close a literal reach the Python
    // as they are, and everything compiles in both modes.
    TestEnvironment environment;
    for (const bool debug : {false, true}) {
        TestEnvironment::setDebugMode(debug);
        StringOptionsGenerator string;
        string.setValue(jsonObject(R"({"base": {"LambdaExpression": "value['%3']"}, "length": {"Field": ".size %8"},
            "format": {"ParamType": "Q%1Char"}, "encoding": "%2\\\" + \"\n"})"), false);
        BitArrayOptionsGenerator bits;
        bits.setValue(jsonObject(R"({"base": {"LambdaExpression": "value['%5']"}, "length": {"Field": ".n"}})"), false);
        PythonCode all = string.generate();
        QVERIFY(all.definitions.contains(QLatin1String("  base = lambda value: value['%3']\n")));
        QVERIFY(all.definitions.contains(QLatin1String(".decode(\"%2\\\\\\\" + \\\"\\n\") # DEBUG")));
        all.merge(bits.generate());
        QVERIFY(all.definitions.contains(QLatin1String("  base = lambda value: value['%5']\n")));
        QCOMPARE(runPython(compileScript(all.unregisterCustomsCode(true))).output.trimmed(), QStringLiteral("compiled"));
    }
}

QTEST_MAIN(tst_OptionsGenerators)
#include "tst_optionsgenerators.moc"
