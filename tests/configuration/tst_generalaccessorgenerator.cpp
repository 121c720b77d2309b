// General accessors: one step and its GenericAccessor instance, paths of
// steps with the dereferencing policy (tail trimming) and the fusing policy
// (outside the debug mode), CombinedGenericAccessor instances, debug
// contexts, and fused paths that give the same results as unfused ones.

#include "common/pythonrunner.h"
#include "common/testenvironment.h"
#include "jsontext.h"

#include "configuration/generalaccessorgenerator.h"

#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

PythonCode generateList(const QString &key, bool dereferenceSteps, const QByteArray &definition)
{
    GeneralAccessorListGenerator generator(key, dereferenceSteps);
    generator.setValue(jsonObject(definition), true);
    return generator.generate();
}

// Stand-ins of the dumper-side classes: values are access paths, a cast
// replaces the previous cast, dereferencing prefixes "*".
const char pythonStandIns[] = R"(
def cast(t, v):
    if v.startswith('('):
        v = v[v.index(')') + 1:]
    return '(' + t + ')' + v
class GenericAccessor:
    def __init__(self, accessor=None, type=None, postProcess=None, dereference=False, debugContext="", **extra):
        self.accessor, self.type, self.postProcess, self.dereference = accessor, type, postProcess, dereference
    def __call__(self, v):
        if self.accessor: v = self.accessor(v)
        if self.type: v = cast(self.type(v), v)
        if self.postProcess: v = self.postProcess(v)
        if self.dereference: v = '*' + v
        return v
class CombinedGenericAccessor:
    def __init__(self, args=(), debugContext="", **extra):
        self.args = args
    def __call__(self, v):
        for step in self.args:
            v = step(v)
        return v
)";

QString lambda(const char *body)
{
    return QStringLiteral("{\"LambdaExpression\": \"%1\"}").arg(QLatin1String(body));
}

} // namespace

class tst_GeneralAccessorGenerator : public QObject
{
    Q_OBJECT
private slots:
    void singleStep();
    void emptyStepMakesNoInstance();
    void reloadForgetsPreviousStep();
    void stepContext();
    void lists_data();
    void lists();
    void listReloadAndValue();
    void fusedPathsKeepResults_data();
    void fusedPathsKeepResults();
};

void tst_GeneralAccessorGenerator::singleStep()
{
    TestEnvironment environment;
    GeneralAccessorGenerator generator(QStringLiteral("header"));
    generator.setValue(jsonObject(R"({"header": {
        "directionType": {"LambdaExpression": "value.dt"},
        "postProcess": {"LambdaExpression": "value.p"},
        "accessor": {"LambdaExpression": "value.a"},
        "directionField": {"LambdaExpression": "value.df"},
        "type": {"AsBaseClass": 1}}})"),
                       true);
    QVERIFY(!generator.isIdentity());
    QVERIFY(generator.value().isNull());
    const PythonCode code = generator.generate();
    // Members in their fixed order whatever the JSON order.
    QCOMPARE(code.definitions, QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,"
                                              "type = lambda value : theDumper.directBaseType(value,1),"
                                              "postProcess = lambda value: value.p,"
                                              "directionField = lambda value: value.df,"
                                              "directionType = lambda value: value.dt)"));
    QCOMPARE(code.expression, QStringLiteral("header = _Id_2"));
    QCOMPARE(code.helperName, QStringLiteral("GenericAccessor"));

    generator.dereference = true;
    generator.setValue(jsonObject(R"({"accessor": {"LambdaExpression": "value.a"}})"), false);
    const PythonCode dereferencing = generator.generate();
    QCOMPARE(dereferencing.definitions,
             QStringLiteral("_Id_3 = GenericAccessor(accessor = lambda value: value.a,dereference = True)"));

    const PythonRun run = runPython(compileScript(code.definitions + QLatin1Char('\n') + dereferencing.definitions));
    QCOMPARE(run.output.trimmed(), QStringLiteral("compiled"));
}

void tst_GeneralAccessorGenerator::emptyStepMakesNoInstance()
{
    TestEnvironment environment;
    GeneralAccessorGenerator generator(QStringLiteral("header"));
    for (const QByteArray &definition : {QByteArray(R"({})"), QByteArray(R"({"header": 3})"),
                                         QByteArray(R"({"header": {"context": "c"}})")}) {
        generator.setValue(jsonObject(definition), true);
        QVERIFY(generator.isIdentity());
        QCOMPARE(generator.generate(), PythonCode());
    }
    QCOMPARE(uniqueHelperId(), QStringLiteral("_Id_2")); // no id was taken
    QCOMPARE(debugContextDepth(), 0);

    // A direction accessor alone is a step of its own.
    generator.setValue(jsonObject(R"({"directionField": {"LambdaExpression": "value.d"}})"), false);
    QVERIFY(!generator.isIdentity());
    QCOMPARE(generator.generate().expression, QStringLiteral("header = _Id_3"));
}

void tst_GeneralAccessorGenerator::reloadForgetsPreviousStep()
{
    TestEnvironment environment;
    GeneralAccessorGenerator generator(QStringLiteral("valueCustom"));
    generator.setValue(jsonObject(R"({"accessor": {"LambdaExpression": "value.a"}, "context": "x"})"), false);
    // A bare string is no accessor: the reloaded member must not keep the
    // previous kind and emit it with an empty text.
    generator.setValue(jsonObject(R"({"accessor": "value.b"})"), false);
    QCOMPARE(generator.accessor.kind, AccessorKind::NoKind);
    QVERIFY(generator.context.isEmpty());
    QCOMPARE(generator.generate(), PythonCode());
}

void tst_GeneralAccessorGenerator::stepContext()
{
    TestEnvironment environment;
    TestEnvironment::setDebugMode(true);
    const DebugContextScope outer(QStringLiteral("classes"));

    GeneralAccessorGenerator generator(QStringLiteral("header"));
    generator.setValue(jsonObject(R"({"accessor": {"LambdaExpression": "value.a"}, "context": "custom.X_Y.f"})"), false);
    QCOMPARE(generator.generate().definitions,
             QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,debugContext = \"custom.X_Y.f\")"));
    // The step set the mark, so its pop cleared the saved context again.
    QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"classes\""));
    QCOMPARE(debugContextDepth(), 1);

    // Under an outer saved context the step's own context replaces the
    // text, but the outer mark stays and clears it.
    {
        const DebugContextScope marked(QStringLiteral("fields"), QStringLiteral("outer.ctx"));
        QCOMPARE(generator.generate().definitions,
                 QStringLiteral("_Id_3 = GenericAccessor(accessor = lambda value: value.a,debugContext = \"custom.X_Y.f\")"));
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"custom.X_Y.f\""));
    }
    QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"classes\""));

    generator.setValue(jsonObject(R"({"accessor": {"LambdaExpression": "value.a"}})"), false);
    QCOMPARE(generator.generate().definitions,
             QStringLiteral("_Id_4 = GenericAccessor(accessor = lambda value: value.a,debugContext = \"classes.header\")"));
}

void tst_GeneralAccessorGenerator::lists_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("dereferenceSteps");
    QTest::addColumn<bool>("debugMode");
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<QString>("definitions");
    QTest::addColumn<QString>("expression");

    const QString a = lambda("value.a"), b = lambda("value.b"), p = lambda("value.p");
    const QString t1 = QStringLiteral("{\"AsBaseClass\": 1}"), t2 = QStringLiteral("{\"AsBaseClass\": 2}");
    const QString cast1 = QStringLiteral("lambda value : theDumper.directBaseType(value,1)");
    const QString cast2 = QStringLiteral("lambda value : theDumper.directBaseType(value,2)");
    const QString identity = QStringLiteral("lambda value : value");
    const auto row = [](const char *name, const QString &key, bool dereferenceSteps, bool debugMode,
                        const QString &steps, const QString &definitions, const QString &expression) {
        QTest::newRow(name) << key << dereferenceSteps << debugMode
                            << (QStringLiteral("{\"%1\": ").arg(key) + steps + QLatin1Char('}')).toUtf8()
                            << definitions << expression;
    };
    const QString accessor = QStringLiteral("accessor"), key = QStringLiteral("key"), value = QStringLiteral("value");

    row("empty array", accessor, true, false, QStringLiteral("[]"), QString(), QString());
    row("lone object", accessor, true, false, QStringLiteral("{\"accessor\": %1}").arg(a),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a)"), QStringLiteral("accessor = _Id_2"));
    row("empty last step trimmed", accessor, true, false,
        QStringLiteral("[{\"accessor\": %1}, {\"accessor\": %2}, {}]").arg(a, b),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,dereference = True)\n"
                       "_Id_3 = GenericAccessor(accessor = lambda value: value.b)\n"
                       "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])"),
        QStringLiteral("accessor = _Id_4"));
    row("trimmed to one step", accessor, true, false,
        QStringLiteral("[{\"accessor\": %1}, {\"accessor\": {\"Field\": \" . \"}}, {}]").arg(a),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a)"), QStringLiteral("accessor = _Id_2"));
    row("empty middle step dereferences", accessor, true, true,
        QStringLiteral("[{\"accessor\": %1}, {}, {\"accessor\": %2}]").arg(a, b),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,dereference = True,debugContext = \"<Default>\")\n"
                       "_Id_3 = GenericAccessor(dereference = True,debugContext = \"<Default>\")\n"
                       "_Id_4 = GenericAccessor(accessor = lambda value: value.b,debugContext = \"<Default>\")\n"
                       "_Id_5 = CombinedGenericAccessor(args = [_Id_2,_Id_3,_Id_4],debugContext = \"\")"),
        QStringLiteral("accessor = _Id_5"));
    row("cast-only last step kept", accessor, true, false,
        QStringLiteral("[{\"accessor\": %1}, {\"type\": %2}]").arg(a, t1),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,dereference = True)\n"
                       "_Id_3 = GenericAccessor(type = %1)\n"
                       "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])").arg(cast1),
        QStringLiteral("accessor = _Id_4"));
    row("direction-only last step kept", accessor, true, false,
        QStringLiteral("[{\"accessor\": %1}, {\"directionType\": %2}]").arg(a, b),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,dereference = True)\n"
                       "_Id_3 = GenericAccessor(directionType = lambda value: value.b)\n"
                       "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])"),
        QStringLiteral("accessor = _Id_4"));
    row("accessor then post-process fused", key, false, false,
        QStringLiteral("[{\"accessor\": %1}, {\"postProcess\": %2}]").arg(a, p),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,postProcess = lambda value: value.p)"),
        QStringLiteral("key = _Id_2"));
    row("debug mode keeps steps", key, false, true,
        QStringLiteral("[{\"accessor\": %1}, {\"postProcess\": %2}]").arg(a, p),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,debugContext = \"<Default>\")\n"
                       "_Id_3 = GenericAccessor(postProcess = lambda value: value.p,debugContext = \"<Default>\")\n"
                       "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3],debugContext = \"\")"),
        QStringLiteral("key = _Id_4"));
    row("fused list never dereferences", value, false, true,
        QStringLiteral("[{\"accessor\": %1}, {\"accessor\": %2}, {}]").arg(a, b),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,debugContext = \"<Default>\")\n"
                       "_Id_3 = GenericAccessor(accessor = lambda value: value.b,debugContext = \"<Default>\")\n"
                       "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3],debugContext = \"\")"),
        QStringLiteral("value = _Id_4"));
    row("two casts fuse to the later", value, false, false,
        QStringLiteral("[{\"type\": %1}, {\"type\": %2}]").arg(t1, t2),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = %1,type = %2)").arg(identity, cast2),
        QStringLiteral("value = _Id_2"));
    row("casts with a part between", value, false, false,
        QStringLiteral("[{\"type\": %1, \"postProcess\": %2}, {\"type\": %3}]").arg(t1, p, t2),
        QStringLiteral("_Id_2 = GenericAccessor(type = %1,postProcess = lambda value: value.p)\n"
                       "_Id_3 = GenericAccessor(type = %2)\n"
                       "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])").arg(cast1, cast2),
        QStringLiteral("value = _Id_4"));
    row("cast before a part", value, false, false,
        QStringLiteral("[{\"type\": %1}, {\"accessor\": %2}]").arg(t1, b),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = %1,type = %2,postProcess = lambda value: value.b)")
            .arg(identity, cast1),
        QStringLiteral("value = _Id_2"));
    row("cast after two parts", value, false, false,
        QStringLiteral("[{\"accessor\": %1, \"postProcess\": %2}, {\"type\": %3}]").arg(a, p, t1),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,postProcess = lambda value: value.p)\n"
                       "_Id_3 = GenericAccessor(type = %1)\n"
                       "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])").arg(cast1),
        QStringLiteral("value = _Id_4"));
    row("three parts", value, false, false,
        QStringLiteral("[{\"accessor\": %1, \"postProcess\": %2}, {\"accessor\": %3}]").arg(a, p, b),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,postProcess = lambda value: value.p)\n"
                       "_Id_3 = GenericAccessor(accessor = lambda value: value.b)\n"
                       "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])"),
        QStringLiteral("value = _Id_4"));
    row("fusion chains", value, false, false,
        QStringLiteral("[{\"accessor\": %1}, {\"type\": %2}, {\"postProcess\": %3}]").arg(a, t1, p),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,type = %1,postProcess = lambda value: value.p)")
            .arg(cast1),
        QStringLiteral("value = _Id_2"));
    row("fused empty steps have no cast", value, false, false,
        QStringLiteral("[{}, {}, {\"accessor\": %1, \"type\": %2}]").arg(b, t1),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.b,type = %1)").arg(cast1),
        QStringLiteral("value = _Id_2"));
    row("directions are not fused", key, false, false,
        QStringLiteral("[{\"accessor\": %1, \"directionField\": %2}, {\"postProcess\": %3}]").arg(a, b, p),
        QStringLiteral("_Id_2 = GenericAccessor(accessor = lambda value: value.a,directionField = lambda value: value.b)\n"
                       "_Id_3 = GenericAccessor(postProcess = lambda value: value.p)\n"
                       "_Id_4 = CombinedGenericAccessor(args = [_Id_2,_Id_3])"),
        QStringLiteral("key = _Id_4"));
}

void tst_GeneralAccessorGenerator::lists()
{
    QFETCH(QString, key);
    QFETCH(bool, dereferenceSteps);
    QFETCH(bool, debugMode);
    QFETCH(QByteArray, steps);
    QFETCH(QString, definitions);
    QFETCH(QString, expression);

    TestEnvironment environment;
    TestEnvironment::setDebugMode(debugMode);
    PythonCode code = generateList(key, dereferenceSteps, steps);
    QCOMPARE(code.definitions, definitions);
    QCOMPARE(code.expression, expression);
    QCOMPARE(debugContextDepth(), 0);
    if (!code.definitions.isEmpty()) {
        const PythonRun run = runPython(compileScript(code.unregisterCustomsCode(true)));
        QCOMPARE(run.output.trimmed(), QStringLiteral("compiled"));
    }
}

void tst_GeneralAccessorGenerator::listReloadAndValue()
{
    TestEnvironment environment;
    GeneralAccessorListGenerator list(QStringLiteral("accessor"), true);
    QCOMPARE(list.value(), QJsonValue(QJsonObject()));
    list.setValue(jsonObject(R"({"accessor": [{"accessor": {"LambdaExpression": "value.a"}}]})"), true);
    QCOMPARE(list.args().size(), 1);
    QVERIFY(!list.generate().expression.isEmpty());
    // The next definition has no such list: nothing of the previous one
    // may be generated for it.
    for (const QByteArray &definition : {QByteArray(R"({})"), QByteArray(R"({"accessor": "text"})"),
                                         QByteArray(R"({"accessor": null})")}) {
        list.setValue(jsonObject(R"({"accessor": {"accessor": {"LambdaExpression": "value.a"}}})"), true);
        list.setValue(jsonObject(definition), true);
        QVERIFY2(list.args().isEmpty(), definition.constData());
        QCOMPARE(list.generate(), PythonCode());
    }
}

void tst_GeneralAccessorGenerator::fusedPathsKeepResults_data()
{
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<int>("fusedInstances");

    const QString a = lambda("value+'.a'"), b = lambda("value+'.b'"), p = lambda("value+'->p'");
    const QString t1 = lambda("'T1'"), t2 = lambda("'T2'");
    const auto row = [](const char *name, const QString &steps, int fusedInstances) {
        QTest::newRow(name) << (QLatin1String("{\"key\": ") + steps + QLatin1Char('}')).toUtf8() << fusedInstances;
    };
    row("accessor, post-process", QStringLiteral("[{\"accessor\": %1}, {\"postProcess\": %2}]").arg(a, p), 1);
    row("two casts", QStringLiteral("[{\"type\": %1}, {\"type\": %2}]").arg(t1, t2), 1);
    row("cast then accessor", QStringLiteral("[{\"type\": %1}, {\"accessor\": %2}]").arg(t1, b), 1);
    row("accessor then cast", QStringLiteral("[{\"accessor\": %1}, {\"type\": %2}]").arg(a, t1), 1);
    row("cast, part, cast", QStringLiteral("[{\"type\": %1, \"postProcess\": %2}, {\"type\": %3}]").arg(t1, p, t2), 3);
    row("four steps", QStringLiteral("[{\"accessor\": %1}, {\"type\": %2}, {\"postProcess\": %3}, {\"accessor\": %4}]")
                          .arg(a, t1, p, b), 3);
    row("empty steps", QStringLiteral("[{}, {\"accessor\": %1}, {}, {\"type\": %2}]").arg(a, t2), 1);
    row("three parts", QStringLiteral("[{\"accessor\": %1, \"postProcess\": %2}, {\"accessor\": %3, \"type\": %4}]")
                           .arg(a, p, b, t1), 3);
}

void tst_GeneralAccessorGenerator::fusedPathsKeepResults()
{
    QFETCH(QByteArray, steps);
    QFETCH(int, fusedInstances);

    TestEnvironment environment;
    QString script = QLatin1String(pythonStandIns);
    for (const bool debug : {false, true}) {
        TestEnvironment::setDebugMode(debug);
        deleteHelpersCode();
        PythonCode code = generateList(QStringLiteral("key"), false, steps);
        if (!debug)
            QCOMPARE(code.definitions.count(QLatin1String("Accessor(")), fusedInstances);
        script += code.unregisterCustomsCode(true) + QLatin1Char('\n')
                  + QLatin1String(debug ? "unfused = " : "fused = ") + code.expression.section(QLatin1String(" = "), 1)
                  + QLatin1Char('\n');
    }
    script += QLatin1String("print(fused('x'))\nprint(unfused('x'))\n");
    const PythonRun run = runPython(script);
    const QStringList lines = run.output.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), lines.at(1));
}

QTEST_GUILESS_MAIN(tst_GeneralAccessorGenerator)
#include "tst_generalaccessorgenerator.moc"
