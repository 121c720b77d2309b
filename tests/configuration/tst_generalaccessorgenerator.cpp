// General accessors: one step and its GenericAccessor instance, paths with
// the dereferencing policy (tail trimming) and the fusing policy (outside
// the debug mode), and fused paths that compute what unfused ones do.

#include "common/pythonrunner.h"
#include "common/testenvironment.h"
#include "common/jsontext.h"

#include "configuration/generalaccessorgenerator.h"

#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

// Steps written with ' for " and $A, $B, $P (accessors value.a, value.b,
// value.p), $T, $U (casts to base classes 1 and 2).
PythonCode generateList(bool dereferenceSteps, QString steps)
{
    steps.replace(QLatin1Char('\''), QLatin1Char('"'));
    for (const char *name : {"a", "b", "p"})
        steps.replace(QLatin1Char('$') + QString::fromLatin1(name).toUpper(),
                      QStringLiteral("{\"LambdaExpression\": \"value.%1\"}").arg(QLatin1String(name)));
    steps.replace(QLatin1String("$T"), QLatin1String("{\"AsBaseClass\": 1}"));
    steps.replace(QLatin1String("$U"), QLatin1String("{\"AsBaseClass\": 2}"));
    GeneralAccessorListGenerator generator(QStringLiteral("p"), dereferenceSteps);
    generator.setValue(jsonObject("{\"p\": " + steps.toUtf8() + '}'), true);
    return generator.generate();
}

QString compiled(PythonCode code)
{
    return runPython(compileScript(code.unregisterCustomsCode(true))).output.trimmed();
}

// Stand-ins of the dumper-side classes over access paths: a cast appends
// "@type" or replaces the cast just before it, dereferencing prefixes "*".
const char pythonStandIns[] = R"(
class Path(str):
    def __getattr__(self, name):
        return Path(self + '.' + name)
def cast(t, v):
    return Path(v.rsplit('@', 1)[0] + '@' + t if '@' in v.rsplit('.', 1)[-1] else v + '@' + t)
class GenericAccessor:
    def __init__(self, accessor=None, type=None, postProcess=None, dereference=False, **extra):
        self.steps = (accessor, type, postProcess, dereference)
    def __call__(self, v):
        accessor, type, postProcess, dereference = self.steps
        v = accessor(v) if accessor else v
        v = cast(type(v), v) if type else v
        v = postProcess(v) if postProcess else v
        return '*' + v if dereference else v
class CombinedGenericAccessor:
    def __init__(self, args=(), **extra):
        self.args = args
    def __call__(self, v):
        for step in self.args:
            v = step(v)
        return v
)";

} // namespace

class tst_GeneralAccessorGenerator : public QObject
{
    Q_OBJECT
private slots:
    void singleStep();
    void emptyAndReloadedSteps();
    void stepContext();
    void lists_data();
    void lists();
    void fusedPathsKeepResults_data();
    void fusedPathsKeepResults();
    void memberKindsCompile();
};

void tst_GeneralAccessorGenerator::singleStep()
{
    TestEnvironment environment;
    GeneralAccessorGenerator generator(QStringLiteral("header"));
    generator.setValue(jsonObject(R"({"header": {"directionType": {"LambdaExpression": "value.dt"},
        "postProcess": {"LambdaExpression": "value.p"}, "accessor": {"LambdaExpression": "value.a"},
        "directionField": {"LambdaExpression": "value.df"}, "type": {"AsBaseClass": 1}}})"), true);
    PythonCode code = generator.generate();
    // Members in their fixed order, whatever the JSON order.
    QCOMPARE(code.definitions, QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,"
                                              "type = lambda value : theDumper.directBaseType(value,1),"
                                              "postProcess = lambda value: value.p,directionField = lambda value: "
                                              "value.df,directionType = lambda value: value.dt)"));
    QCOMPARE(code.expression, QStringLiteral("header = _Id_2"));
    generator.dereference = true;
    code.merge(generator.generate());
    QVERIFY(code.definitions.endsWith(QLatin1String("directionType = lambda value: value.dt,dereference = True)")));
    QCOMPARE(compiled(code), QStringLiteral("compiled"));
}

void tst_GeneralAccessorGenerator::emptyAndReloadedSteps()
{
    TestEnvironment environment;
    GeneralAccessorGenerator generator(QStringLiteral("header"));
    QVERIFY(generator.value().isNull());
    generator.setValue(jsonObject(R"({"header": {"accessor": {"LambdaExpression": "value.a"}}})"), true);
    // A bare string is no accessor: a reloaded member must not keep the
    // previous kind and emit it with an empty text.
    for (const char *definition : {R"({})", R"({"header": 3})", R"({"header": {"accessor": "value.b", "context": "c"}})"}) {
        generator.setValue(jsonObject(definition), true);
        QVERIFY(generator.isIdentity());
        QCOMPARE(generator.generate(), PythonCode());
    }
    QCOMPARE(debugContextDepth(), 0);
    // A direction accessor alone makes a step of its own.
    generator.setValue(jsonObject(R"({"directionField": {"LambdaExpression": "value.d"}})"), false);
    QCOMPARE(generator.generate().expression, QStringLiteral("header = _Id_2")); // no id was taken before

    GeneralAccessorListGenerator list(QStringLiteral("p"), true);
    QCOMPARE(list.value(), QJsonValue(QJsonObject()));
    for (const char *definition : {R"({})", R"({"p": "text"})", R"({"p": []})"}) {
        list.setValue(jsonObject(R"({"p": {"accessor": {"LambdaExpression": "value.a"}}})"), true);
        list.setValue(jsonObject(definition), true); // keeps nothing of the previous definition
        QCOMPARE(list.generate(), PythonCode());
    }
}

void tst_GeneralAccessorGenerator::stepContext()
{
    TestEnvironment environment;
    TestEnvironment::setDebugMode(true);
    const DebugContextScope outer(QStringLiteral("classes"));
    GeneralAccessorGenerator generator(QStringLiteral("header"));
    generator.setValue(jsonObject(R"({"accessor": {"LambdaExpression": "value.a"}, "context": "custom.X_Y.f"})"), false);
    QVERIFY(generator.generate().definitions.endsWith(QLatin1String("debugContext = \"custom.X_Y.f\")")));
    // The step set the mark, so its pop cleared the saved context again.
    QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"classes\""));
    generator.context.clear();
    QVERIFY(generator.generate().definitions.endsWith(QLatin1String("debugContext = \"classes.header\")")));
}

void tst_GeneralAccessorGenerator::lists_data()
{
    QTest::addColumn<bool>("dereferenceSteps");
    QTest::addColumn<bool>("debugMode");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("definitions");

    const auto row = [](const char *name, bool dereferenceSteps, bool debugMode, const char *steps,
                        const char *definitions) {
        QTest::newRow(name) << dereferenceSteps << debugMode << QString::fromLatin1(steps)
                            << QString::fromLatin1(definitions);
    };
    row("lone object", true, false, "{'accessor': $A}", "_Id_2 = GenericAccessor(accessor = lambda value: value.a)");
    row("empty last step trimmed", true, false, "[{'accessor': $A}, {'accessor': $B}, {}]",
        "_Id_2 = GenericAccessor(accessor = lambda value: value.a,dereference = True)\n"
        "_Id_3 = GenericAccessor(accessor = lambda value: value.b)\n"
        "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])");
    row("empty middle step dereferences", true, true, "[{'accessor': $A}, {}, {'accessor': $B}]",
        "_Id_2 = GenericAccessor(accessor = lambda value: value.a,dereference = True,debugContext = \"<Default>\")\n"
        "_Id_3 = GenericAccessor(dereference = True,debugContext = \"<Default>\")\n"
        "_Id_4 = GenericAccessor(accessor = lambda value: value.b,debugContext = \"<Default>\")\n"
        "_Id_5 = CombinedGenericAccessor(args = [_Id_2,_Id_3,_Id_4],debugContext = \"\")");
    row("direction-only last step kept", true, false, "[{'accessor': $A}, {'directionType': $B}]",
        "_Id_2 = GenericAccessor(accessor = lambda value: value.a,dereference = True)\n"
        "_Id_3 = GenericAccessor(directionType = lambda value: value.b)\n"
        "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])");
    row("accessor and post-process fused", false, false, "[{'accessor': $A}, {'postProcess': $P}]",
        "_Id_2 = GenericAccessor(accessor = lambda value: value.a,postProcess = lambda value: value.p)");
    row("debug mode keeps steps", false, true, "[{'accessor': $A}, {'postProcess': $P}]",
        "_Id_2 = GenericAccessor(accessor = lambda value: value.a,debugContext = \"<Default>\")\n"
        "_Id_3 = GenericAccessor(postProcess = lambda value: value.p,debugContext = \"<Default>\")\n"
        "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3],debugContext = \"\")");
    row("two casts fuse to the later", false, false, "[{'type': $T}, {'type': $U}]",
        "_Id_2 = GenericAccessor(accessor = lambda value : value,type = lambda value : theDumper.directBaseType(value,2))");
    row("fused empty steps have no cast", false, false, "[{}, {}, {'accessor': $B, 'type': $T}]",
        "_Id_2 = GenericAccessor(accessor = lambda value: value.b,type = lambda value : theDumper.directBaseType(value,1))");
    row("directions are not fused", false, false, "[{'accessor': $A, 'directionField': $B}, {'postProcess': $P}]",
        "_Id_2 = GenericAccessor(accessor = lambda value: value.a,directionField = lambda value: value.b)\n"
        "_Id_3 = GenericAccessor(postProcess = lambda value: value.p)\n"
        "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])");
}

void tst_GeneralAccessorGenerator::lists()
{
    QFETCH(bool, dereferenceSteps);
    QFETCH(bool, debugMode);
    QFETCH(QString, steps);
    QFETCH(QString, definitions);

    TestEnvironment environment;
    TestEnvironment::setDebugMode(debugMode);
    const PythonCode code = generateList(dereferenceSteps, steps);
    QCOMPARE(code.definitions, definitions);
    QCOMPARE(code.expression, QLatin1String("p = ") + definitions.section(QLatin1Char('\n'), -1).section(QLatin1Char(' '), 0, 0));
    QCOMPARE(debugContextDepth(), 0);
    QCOMPARE(compiled(code), QStringLiteral("compiled"));
}

void tst_GeneralAccessorGenerator::fusedPathsKeepResults_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("fusedInstances");

    QTest::newRow("cast then accessor") << "[{'type': $T}, {'accessor': $B}]" << 1;
    QTest::newRow("accessor then cast") << "[{'accessor': $A}, {'type': $T}]" << 1;
    QTest::newRow("cast, part, cast") << "[{'type': $T, 'postProcess': $P}, {'type': $U}]" << 3;
    QTest::newRow("four steps") << "[{'accessor': $A}, {'type': $T}, {'postProcess': $P}, {'accessor': $B}]" << 3;
    QTest::newRow("empty steps") << "[{}, {'accessor': $A}, {}, {'type': $U}]" << 1;
    QTest::newRow("three parts") << "[{'accessor': $A, 'postProcess': $P}, {'accessor': $B, 'type': $T}]" << 3;
}

void tst_GeneralAccessorGenerator::fusedPathsKeepResults()
{
    QFETCH(QString, steps);
    QFETCH(int, fusedInstances);

    TestEnvironment environment;
    // Casts by name instead of base-class index, so the stand-ins can run them.
    QString script = QLatin1String(pythonStandIns)
                     + QLatin1String("class theDumper:\n  directBaseType = lambda value, i: 'T%d' % i\n");
    for (const bool debug : {false, true}) {
        TestEnvironment::setDebugMode(debug);
        deleteHelpersCode();
        PythonCode code = generateList(false, steps);
        if (!debug)
            QCOMPARE(code.definitions.count(QLatin1String("Accessor(")), fusedInstances);
        script += code.unregisterCustomsCode(true) + QLatin1Char('\n') + QLatin1String(debug ? "un" : "")
                  + QLatin1String("fused = ") + code.expression.section(QLatin1String(" = "), 1) + QLatin1Char('\n');
    }
    const PythonRun run = runPython(script + QLatin1String("print(fused(Path('x')))\nprint(unfused(Path('x')))\n"));
    const QStringList lines = run.output.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), lines.at(1));
}

void tst_GeneralAccessorGenerator::memberKindsCompile()
{
    TestEnvironment environment;
    const QString steps = QStringLiteral(
        "[{'accessor': {'Field': '.d->x'}, 'type': {'TemplateType': 'QList<\\\\0>'}, 'context': 'c.d'},"
        " {'postProcess': {'PythonAPIHeader': 'def f(d, value):', 'PythonAPIBody': 'x = 1\\nreturn value'}},"
        " {'accessor': {'key': '.k'}, 'directionType': {'CppType': 'int'}}, {'accessor': {'Offset': {'Int': 2}}}]");
    for (const bool debug : {false, true}) {
        TestEnvironment::setDebugMode(debug);
        for (const bool dereferenceSteps : {false, true})
            QCOMPARE(compiled(generateList(dereferenceSteps, steps)), QStringLiteral("compiled"));
    }
}

QTEST_GUILESS_MAIN(tst_GeneralAccessorGenerator)
#include "tst_generalaccessorgenerator.moc"
