// Choices (with and without a bound button group), and the string and
// bit-array functions: their exact texts, encodings that survive reloads,
// and what the functions return when python3 runs them against stand-ins.

#include "common/pythonrunner.h"
#include "common/testenvironment.h"
#include "jsontext.h"

#include "configuration/exclusivechoicegenerator.h"
#include "configuration/optionsgenerators.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

ExclusiveChoiceGenerator *dimensionChoice(ExclusiveChoiceGenerator *choice)
{
    choice->addChoice(1, "1D");
    choice->addChoice(2, "2D");
    return choice;
}

// A widget that binds itself the way the editor's radio-button group does.
class BoundChoice : public QWidget, public ExclusiveChoiceGenerator
{
public:
    BoundChoice()
        : ExclusiveChoiceGenerator(QStringLiteral("dimension"))
    {
        setWidget(this);
        buttonGroup = new QButtonGroup(this);
        auto *layout = new QVBoxLayout(this);
        for (int id : {1, 2}) {
            auto *button = new QRadioButton(this);
            layout->addWidget(button);
            buttonGroup->addButton(button, id);
        }
        dimensionChoice(this);
    }
    void check(int id) { buttonGroup->button(id)->setChecked(true); }
};

// Stand-ins of the dumper side for running the string and bit-array
// functions: a value is a dict of Python values, memory a byte string.
const char pythonStandIns[] = R"(
class BaseHelper:
    def callAPI(self, api, value):
        return api(value)
class Dumper:
    stringCutOff = 6
    def readMemory(self, base, size):
        return memory[base:base + size]
theDumper = Dumper()
elideCharacter = "..."
class CharType:
    def __init__(self, size):
        self.sizeof = size
def decodeCharacterType(t):
    codecs = {1: 'utf8', 2: 'utf-16-le', 4: 'utf-32-le'}
    if t.sizeof not in codecs:
        raise RuntimeError("Invalid Character format. Character size must be 1, 2 or 4 bytes.")
    return t.sizeof, lambda raw: bytes(raw).decode(codecs[t.sizeof], 'replace')
memory = b'\x00caf\xe9 au lait\x00x\x00y\x00'
)";

const char *const expectedStringFunction = "def _Id_2(value):\n"
                                           "  dummy = BaseHelper()\n"
                                           "  base = lambda value: value['b']\n"
                                           "  length = lambda value: value['n']\n"
                                           "  format = lambda value: CharType(value['w'])\n"
                                           "  base = dummy.callAPI(base,value) # DEBUG string.base,value\n"
                                           "  length = dummy.callAPI(length,value) # DEBUG length.length,value\n"
                                           "  if base==0 or length==0:\n"
                                           "    return True,\"\"\n"
                                           "  type = dummy.callAPI(format,value) # DEBUG string.format,value\n"
                                           "  charLength,charFormat = decodeCharacterType(type) # DEBUG string.format,value\n"
                                           "  suffix = ''\n"
                                           "  if length > theDumper.stringCutOff:\n"
                                           "    length = theDumper.stringCutOff\n"
                                           "    suffix = elideCharacter\n"
                                           "  if length<0:\n"
                                           "    return False,\"<not accessible>\"\n"
                                           "  stream = theDumper.readMemory(base,length*charLength)\n"
                                           "  string = charFormat(stream) # DEBUG string.format,stream\n"
                                           "  %1\n"
                                           "  return True,string+suffix";

const char stringAccessors[] = R"j("base": {"LambdaExpression": "value['b']"},
                                  "length": {"LambdaExpression": "value['n']"},
                                  "format": {"LambdaExpression": "CharType(value['w'])"})j";

QByteArray stringDefinition(const char *encodingMember)
{
    return QByteArray("{\"string\": {") + stringAccessors + encodingMember + "}}";
}

} // namespace

class tst_OptionsGenerators : public QObject
{
    Q_OBJECT
private slots:
    void choiceLoading_data();
    void choiceLoading();
    void choiceTable();
    void boundChoice();
    void stringFunctionText();
    void encodingSurvivesReload();
    void stringFunctionRuns_data();
    void stringFunctionRuns();
    void formatDefinitionsKept();
    void bitArrayFunction();
    void optionTextsStayLiteral();
};

void tst_OptionsGenerators::choiceLoading_data()
{
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("valid");

    QTest::newRow("2D") << QByteArray(R"({"dimension": "2D"})") << true << 2 << "2D" << true;
    QTest::newRow("absent") << QByteArray(R"({})") << true << -2 << "NotDefined" << false;
    QTest::newRow("case differs") << QByteArray(R"({"dimension": "2d"})") << true << -2 << "NotDefined" << false;
    QTest::newRow("no string") << QByteArray(R"({"dimension": 2})") << true << -2 << "NotDefined" << false;
    QTest::newRow("whole object") << QByteArray(R"({"dimension": "1D"})") << false << -2 << "NotDefined" << false;
}

void tst_OptionsGenerators::choiceLoading()
{
    QFETCH(QByteArray, definition);
    QFETCH(bool, byKey);
    QFETCH(int, id);
    QFETCH(QString, value);
    QFETCH(bool, valid);

    ExclusiveChoiceGenerator choice(QStringLiteral("dimension"));
    dimensionChoice(&choice)->setValue(jsonObject(R"({"dimension": "1D"})"), true);
    choice.setValue(jsonObject(definition), byKey);
    QCOMPARE(choice.currentId(), id);
    QCOMPARE(choice.value(), QJsonValue(value));
    QCOMPARE(choice.isValid(), valid);
    QCOMPARE(choice.generate(), PythonCode());
}

void tst_OptionsGenerators::choiceTable()
{
    ExclusiveChoiceGenerator choice(QStringLiteral("customization"));
    // Never loaded: nothing selected, which is no error.
    QCOMPARE(choice.currentId(), -1);
    QCOMPARE(choice.value(), QJsonValue(QString()));
    QVERIFY(choice.isValid());
    QCOMPARE(choice.checkedChoiceId(), -2);

    choice.addChoice(256, "Value2D");
    choice.addChoice(16, "Swap");
    choice.addChoice(64, "Same");
    choice.addChoice(32, "Same");
    // The lowest id wins a name that two choices share.
    choice.setValue(jsonObject(R"({"customization": "Same"})"), true);
    QCOMPARE(choice.currentId(), 32);
    choice.addChoice(32, "Key"); // renames
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("Key")));
    choice.setValue(jsonObject(R"({"customization": "Same"})"), true);
    QCOMPARE(choice.currentId(), 64);
    QCOMPARE(choice.choiceNames().keys(), (QList<int>{16, 32, 64, 256}));
}

void tst_OptionsGenerators::boundChoice()
{
    BoundChoice choice;
    // The stored id of a load is not consulted: the buttons are the state.
    choice.setValue(jsonObject(R"({"dimension": "2D"})"), true);
    QCOMPARE(choice.currentId(), -2);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("NotDefined")));
    QVERIFY(choice.isValid()); // not shown

    choice.show();
    QVERIFY(QTest::qWaitForWindowExposed(&choice));
    QVERIFY(!choice.isValid());
    choice.check(1);
    QCOMPARE(choice.currentId(), 1);
    QCOMPARE(choice.checkedChoiceId(), 1);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("1D")));
    QVERIFY(choice.isValid());
}

void tst_OptionsGenerators::stringFunctionText()
{
    TestEnvironment environment;
    StringOptionsGenerator generator;
    QCOMPARE(generator.key(), QStringLiteral("string"));
    generator.setValue(jsonObject(stringDefinition(R"(, "encoding": "")")), true);
    PythonCode code = generator.generate();
    // Without an encoding, line 20 holds its two blanks only.
    QCOMPARE(code.definitions, QString::fromLatin1(expectedStringFunction).arg(QString()));
    QCOMPARE(code.expression, QStringLiteral("string = _Id_2"));
    QVERIFY(generator.value().isNull());

    deleteHelpersCode();
    generator.setValue(jsonObject(stringDefinition(R"(, "encoding": "latin1")")), true);
    code = generator.generate();
    QCOMPARE(code.definitions,
             QString::fromLatin1(expectedStringFunction)
                 .arg(QStringLiteral("string = bytes(stream).decode(\"latin1\") # DEBUG string.encoding,string")));

    // Every call makes a function of its own.
    const PythonCode second = generator.generate();
    QCOMPARE(second.expression, QStringLiteral("string = _Id_3"));
    QVERIFY(second.definitions.startsWith(QLatin1String("def _Id_3(value):\n")));
}

void tst_OptionsGenerators::encodingSurvivesReload()
{
    TestEnvironment environment;
    StringOptionsGenerator generator;
    generator.setValue(jsonObject(stringDefinition("")), true);
    QCOMPARE(generator.encoding.kind, AccessorKind::KindNone);
    QVERIFY(generator.encodingName().isEmpty());
    generator.setValue(jsonObject(stringDefinition(R"(, "encoding": "cp1252")")), true);
    QCOMPARE(generator.encodingName(), QStringLiteral("cp1252"));
    QVERIFY(generator.generate().definitions.contains(QLatin1String(".decode(\"cp1252\")")));

    // An accessor object under "encoding" names no encoding.
    generator.setValue(jsonObject(stringDefinition(R"(, "encoding": {"Field": ".e"})")), true);
    QVERIFY(generator.encodingName().isEmpty());
    generator.setValue(jsonObject(R"({"encoding": "utf8"})"), false);
    QCOMPARE(generator.encodingName(), QStringLiteral("utf8"));
}

void tst_OptionsGenerators::stringFunctionRuns_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("result");

    QTest::newRow("utf8 bytes") << QByteArray() << "{'b': 1, 'n': 3, 'w': 1}" << "(True, 'caf')";
    QTest::newRow("latin1 option") << QByteArray(R"(, "encoding": "latin1")") << "{'b': 1, 'n': 4, 'w': 1}"
                                   << "(True, 'caf\u00e9')";
    QTest::newRow("cut off") << QByteArray(R"(, "encoding": "latin1")") << "{'b': 1, 'n': 12, 'w': 1}"
                             << "(True, 'caf\u00e9 a...')";
    QTest::newRow("wide characters") << QByteArray() << "{'b': 14, 'n': 2, 'w': 2}" << "(True, 'xy')";
    QTest::newRow("null base") << QByteArray() << "{'b': 0, 'n': 3, 'w': 1}" << "(True, '')";
    QTest::newRow("negative length") << QByteArray() << "{'b': 1, 'n': -1, 'w': 1}" << "(False, '<not accessible>')";
    QTest::newRow("invalid encoding bytes") << QByteArray(R"(, "encoding": "ascii")") << "{'b': 1, 'n': 4, 'w': 1}"
                                            << "UnicodeDecodeError";
    // Taken raw, this text would end the literal and give "CAF".
    QTest::newRow("quote in encoding") << QByteArray(R"x(, "encoding": "utf8\").upper() + (\"")x")
                                       << "{'b': 1, 'n': 3, 'w': 1}" << "LookupError";
}

void tst_OptionsGenerators::stringFunctionRuns()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QString, call);
    QFETCH(QString, result);

    TestEnvironment environment;
    StringOptionsGenerator generator;
    generator.setValue(jsonObject(stringDefinition(encoding.constData())), true);
    const PythonCode code = generator.generate();
    const QString script = QLatin1String(pythonStandIns) + code.definitions
                           + QStringLiteral("\ntry:\n  print(repr(_Id_2(%1)))\nexcept Exception as e:\n"
                                            "  print(type(e).__name__)\n")
                                 .arg(call);
    const PythonRun run = runPython(script);
    QCOMPARE(run.output.trimmed(), result);
}

void tst_OptionsGenerators::formatDefinitionsKept()
{
    TestEnvironment environment;
    StringOptionsGenerator generator;
    generator.setValue(jsonObject(R"j({"base": {"LambdaExpression": "value['b']"},
        "length": {"PythonAPIHeader": "def f(d, value):", "PythonAPIBody": "return value['n']"},
        "format": {"PythonAPIHeader": "def f(d, value):", "PythonAPIBody": "return CharType(1)"}})j"),
                       false);
    const PythonCode code = generator.generate();
    // Both Python API functions come before the function that calls them.
    QVERIFY(code.definitions.startsWith(QLatin1String("def _Id_2(d, value):\n    return value['n']\n"
                                                      "def _Id_3(d, value):\n    return CharType(1)\ndef _Id_4(value):")));
    const PythonRun run = runPython(QLatin1String(pythonStandIns)
                                    + QLatin1String("BaseHelper.callAPI = lambda self, api, value: "
                                                    "api(value) if api.__code__.co_argcount == 1 else api(theDumper, value)\n")
                                    + code.definitions + QLatin1String("\nprint(_Id_4({'b': 1, 'n': 2})[1])\n"));
    QCOMPARE(run.output.trimmed(), QStringLiteral("ca"));
}

void tst_OptionsGenerators::bitArrayFunction()
{
    TestEnvironment environment;
    BitArrayOptionsGenerator generator;
    QCOMPARE(generator.key(), QStringLiteral("bitArray"));
    generator.setValue(jsonObject(R"({"bitArray": {"base": {"LambdaExpression": "value['d']"},
                                              "length": {"LambdaExpression": "value['n']"}}})"),
                       true);
    const PythonCode code = generator.generate();
    QCOMPARE(code.definitions, QStringLiteral("def _Id_2(value):\n"
                                              "  dummy = BaseHelper()\n"
                                              "  base = lambda value: value['d']\n"
                                              "  length = lambda value: value['n']\n"
                                              "  base = dummy.callAPI(base,value) # DEBUG bitArray.base,value\n"
                                              "  length = dummy.callAPI(length,value) # DEBUG bitArray.length,value\n"
                                              "  return base,length\n"));
    QCOMPARE(code.expression, QStringLiteral("bitArray = _Id_2"));
    QVERIFY(generator.value().isNull());

    const PythonRun run = runPython(QLatin1String(pythonStandIns) + code.definitions
                                    + QLatin1String("print(_Id_2({'d': 7, 'n': 33}))\n"));
    QCOMPARE(run.output.trimmed(), QStringLiteral("(7, 33)"));

    // A reload without members leaves nothing of the previous accessors.
    generator.setValue(jsonObject(R"({"bitArray": {"base": "value"}})"), true);
    QCOMPARE(generator.base.kind, AccessorKind::NoKind);
    QCOMPARE(generator.length.kind, AccessorKind::KindNone);
}

void tst_OptionsGenerators::optionTextsStayLiteral()
{
    // User texts that look like placeholders or close the literal reach the
    // Python as the texts they are, and everything compiles.
    TestEnvironment environment;
    for (const bool debug : {false, true}) {
        TestEnvironment::setDebugMode(debug);
        StringOptionsGenerator string;
        string.setValue(jsonObject(R"({"base": {"LambdaExpression": "value['%3']"},
            "length": {"Field": ".size %8"}, "format": {"ParamType": "Q%1Char"},
            "encoding": "%2\\\" + \"\n"})"),
                        false);
        BitArrayOptionsGenerator bits;
        bits.setValue(jsonObject(R"({"base": {"LambdaExpression": "value['%5']"}, "length": {"Field": ".n"}})"), false);
        PythonCode all = string.generate();
        QVERIFY(all.definitions.contains(QLatin1String("  base = lambda value: value['%3']\n")));
        QVERIFY(all.definitions.contains(QLatin1String(".decode(\"%2\\\\\\\" + \\\"\\n\") # DEBUG")));
        all.merge(bits.generate());
        QVERIFY(all.definitions.contains(QLatin1String("  base = lambda value: value['%5']\n")));
        const PythonRun run = runPython(compileScript(all.unregisterCustomsCode(true)));
        QCOMPARE(run.output.trimmed(), QStringLiteral("compiled"));
    }
}

QTEST_MAIN(tst_OptionsGenerators)
#include "tst_optionsgenerators.moc"
