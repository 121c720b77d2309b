#include "common/testenvironment.h"

#include "configuration/pythoncode.h"

#include "graphengine/globals.h"

#include "common/pythonrunner.h"
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

QString idAfter(int calls)
{
    QString id;
    for (int i = 0; i < calls; ++i)
        id = uniqueHelperId();
    return id;
}

} // namespace

class TestPythonCode : public QObject
{
    Q_OBJECT

private slots:
    void helperIdsCountInBase36()
    {
        TestEnvironment env;
        deleteHelpersCode();
        QCOMPARE(uniqueHelperId(), QStringLiteral("_Id_2"));
        QCOMPARE(uniqueHelperId(), QStringLiteral("_Id_3"));
        QCOMPARE(uniqueHelperId(), QStringLiteral("_Id_4"));
        deleteHelpersCode();
        QCOMPARE(idAfter(9), QStringLiteral("_Id_a"));
        deleteHelpersCode();
        QCOMPARE(idAfter(34), QStringLiteral("_Id_z"));
        QCOMPARE(uniqueHelperId(), QStringLiteral("_Id_10"));
    }

    void sharedHelperDefinitions()
    {
        TestEnvironment env;
        const QString tmpl = QStringLiteral("def %3(d, value):\n    return value['m']");
        const QString id = helperDefinitionId(tmpl);
        QCOMPARE(helperDefinitionId(tmpl), id);
        QVERIFY(helperDefinitionId(tmpl + QLatin1Char(' ')) != id);
        PythonCode code;
        const QString script = code.unregisterCustomsCode(false);
        QCOMPARE(script.count(QStringLiteral("def %1(d, value):").arg(id)), 1);
    }

    void dumperHeaderMangling_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("mangled");
        QTest::newRow("pointer") << "QList<QString> *" << "QList_a_QString_z_";
        QTest::newRow("map") << "std::map<int, char*>" << "std__map_a_int_c_char_z_";
        // What cannot stand in a Python name, as the dumper mangles it too.
        QTest::newRow("cast and character arguments") << "Odd<(int)-1, 'q'>" << "Odd_a__x28_int_x29__x2d_1_c__x27_q_x27__z_";
        QTest::newRow("plain") << "Foo" << "Foo";
    }
    void dumperHeaderMangling()
    {
        QFETCH(QString, type);
        QFETCH(QString, mangled);
        TestEnvironment env;
        PythonCode code;
        const QString header = code.makeDumperHeader(type);
        QCOMPARE(type, mangled);
        QCOMPARE(code.dumperName, QStringLiteral("qdump__") + mangled);
        QCOMPARE(header, QStringLiteral("qform__%1():\n    return [AutomaticFormat]\n"
                                        "def qdump__%1(d,value,dumpMode=DefaultMode):\n").arg(mangled));
        // Both functions are module-level names of this generation.
        deleteHelpersCode();
        const QString deletions = PythonCode().unregisterCustomsCode(true);
        QVERIFY(deletions.contains(QStringLiteral("  del qform__%1 #--\n").arg(mangled)));
        QVERIFY(deletions.contains(QStringLiteral("  del qdump__%1 #--\n").arg(mangled)));
    }

    void recordOperations()
    {
        TestEnvironment env;
        LogCapture log;
        PythonCode a;
        a.helperName = QStringLiteral("A");
        PythonCode b;
        b.helperName = QStringLiteral("B");
        b.definitions = QStringLiteral("x = 1");
        b.expression = QStringLiteral("k = 2");
        b.dumperName = QStringLiteral("qdump__B");
        a.merge(b);
        QCOMPARE(a.helperName, QStringLiteral("A"));
        QCOMPARE(a.definitions, QStringLiteral("x = 1"));
        QVERIFY(a.dumperName.isEmpty());
        a.merge(b);
        QCOMPARE(a.definitions, QStringLiteral("x = 1\nx = 1"));
        QCOMPARE(a.expression, QStringLiteral("k = 2\nk = 2"));
        PythonCode empty;
        QCOMPARE(empty.merge(b).helperName, QStringLiteral("B"));
        QVERIFY(log.messages.isEmpty()); // warnings only while tracing

        GraphEngine::verboseTrace = true;
        a.merge(b);
        a.setHelperName(QStringLiteral("C"));
        a.setHelperName(QString());
        GraphEngine::verboseTrace = false;
        QCOMPARE(a.helperName, QStringLiteral("C"));
        QCOMPARE(log.texts(QtWarningMsg),
                 (QStringList{QStringLiteral("Programming Warning: Helper Name shall be unique. Can't merge 2 differents name in one"),
                              QStringLiteral("Programming Warning: attempd to overwrite the Helper Name")}));

        PythonCode k;
        k.makeKeywordArgument(QStringLiteral("arraySize"));
        QVERIFY(k.expression.isEmpty());
        k.expression = QStringLiteral("(value['n'])");
        k.makeKeywordArgument(QString());
        QCOMPARE(k.expression, QStringLiteral("(value['n'])"));
        k.makeKeywordArgument(QStringLiteral("arraySize"));
        QCOMPARE(k.expression, QStringLiteral("arraySize = (value['n'])"));

        QString target = QStringLiteral("a\n");
        appendCodeLine(target, QStringLiteral("b"));
        appendCodeLine(target, QString());
        appendCodeLine(target, QStringLiteral("c"));
        appendCodeLine(target, QStringLiteral("d"), false);
        QCOMPARE(target, QStringLiteral("a\nb\ncd"));
    }

    void instantiateHelper()
    {
        TestEnvironment env;
        deleteHelpersCode();
        PythonCode none;
        none.helperName = QStringLiteral("H");
        none.instantiateHelper();
        QVERIFY(none.definitions.isEmpty());
        QCOMPARE(uniqueHelperId(), QStringLiteral("_Id_2")); // no id was taken

        PythonCode off;
        off.helperName = QStringLiteral("GenericFieldHelper");
        off.expression = QStringLiteral("displayedName = \"n\"\nmodel = None");
        pushDebugContext(QStringLiteral("classes"));
        off.instantiateHelper();
        QCOMPARE(off.definitions, QStringLiteral("_Id_3 = GenericFieldHelper(displayedName = \"n\",model = None)"));
        QCOMPARE(off.expression, QStringLiteral("_Id_3"));

        TestEnvironment::setDebugMode(true);
        PythonCode on;
        on.helperName = QStringLiteral("H");
        on.expression = QStringLiteral("a = 1");
        on.instantiateHelper();
        QCOMPARE(on.definitions, QStringLiteral("_Id_4 = H(a = 1,debugContext = \"classes\")"));
        popDebugContext();
    }

    void debugContexts()
    {
        TestEnvironment env;
        pushDebugContext(QStringLiteral("A"));
        QVERIFY(debugContextArgument().isEmpty()); // debug mode off
        TestEnvironment::setDebugMode(true);
        pushDebugContext(QStringLiteral("B"));
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"A.B\""));

        pushDebugContext(QStringLiteral("C"), QStringLiteral("X"));
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"X\""));
        pushDebugContext(QStringLiteral("D"), QStringLiteral("Y")); // inner override text, outer mark
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"Y\""));
        popDebugContext();
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"Y\""));
        popDebugContext(); // back below the marked depth
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"A.B\""));
        pushDebugContext(QStringLiteral("E"), QStringLiteral("Z")); // marks again
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"Z\""));
        popDebugContext();

        // Empty components never make "..": every level keeps one component.
        pushDebugContext(QString());
        pushDebugContext(QStringLiteral("F"));
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"A.B._.F\""));
        popDebugContext();
        popDebugContext();
        pushDebugContext(QStringLiteral("G"), QStringLiteral("p..q."));
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"p._.q._\""));
        popDebugContext();

        // Model text cannot end the literal or inject code.
        pushDebugContext(QStringLiteral("say \"hi\"\\\nimport os"));
        QCOMPARE(debugContextArgument(), QStringLiteral("debugContext = \"A.B.say \\\"hi\\\"\\\\\\nimport os\""));
        popDebugContext();
        popDebugContext();
        popDebugContext();
        QCOMPARE(debugContextDepth(), 0);
        popDebugContext(); // an unbalanced pop is harmless
        QCOMPARE(debugContextDepth(), 0);
        {
            DebugContextScope scope(QStringLiteral("scoped"));
            QCOMPARE(debugContextDepth(), 1);
        }
        QCOMPARE(debugContextDepth(), 0);
    }

    void functionHeaderCompletesTheDumper()
    {
        TestEnvironment env;
        TestEnvironment::setDebugMode(true);
        DebugContextScope classes(QStringLiteral("classes"));
        PythonCode code;
        QString type = QStringLiteral("Foo<int>");
        code.helperName = code.makeDumperHeader(type) + QStringLiteral("    GenericDumpClassHelper");
        code.expression = QStringLiteral("d\nvalue\nfields = []");
        code.emitFunctionHeader();
        QCOMPARE(code.definitions,
                 QStringLiteral("def qform__Foo_a_int_z_():\n    return [AutomaticFormat]\n"
                                "def qdump__Foo_a_int_z_(d,value,dumpMode=DefaultMode):\n"
                                "    GenericDumpClassHelper(d,value,fields = [],debugContext = \"classes\")"));
        QVERIFY(code.expression.isEmpty());
        PythonCode noName;
        noName.expression = QStringLiteral("x");
        noName.emitFunctionHeader();
        QVERIFY(noName.definitions.isEmpty());
    }

    // Two generations in a row, as the plug-in runs them.
    void wholeScript()
    {
        TestEnvironment env;
        deleteHelpersCode();
        PythonCode first;
        first.helperName = QStringLiteral("H");
        first.expression = QStringLiteral("a = 1");
        first.instantiateHelper();                                       // _Id_2
        helperDefinitionId(QStringLiteral("def %3(v):\n    return v"));  // _Id_3
        QString type = QStringLiteral("ns::T");
        first.makeDumperHeader(type);
        QCOMPARE(first.unregisterCustomsCode(true),
                 QStringLiteral("def _Id_3(v):\n    return v\n_Id_2 = H(a = 1)\n_Id_2"));

        deleteHelpersCode();
        registerCustomDumper(QStringLiteral("api;path"), QStringLiteral("Cls"));
        registerCustomDumper(QStringLiteral("f\"),\\"), QStringLiteral("p\\\")\nimport os"));
        PythonCode second;
        second.definitions = QStringLiteral("x = 1");
        helperDefinitionId(QStringLiteral("def %3(w):\n    return w")); // _Id_2
        const QString deletions
            = QStringLiteral("try: #--\n  del %1 #--\nexcept: #--\n  pass #--\n");
        const QString expected = deletions.arg(QStringLiteral("_Id_2")) + deletions.arg(QStringLiteral("_Id_3"))
                                 + deletions.arg(QStringLiteral("qform__ns__T"))
                                 + deletions.arg(QStringLiteral("qdump__ns__T"))
                                 + QStringLiteral("theDumper.unregisterCustom (\"api;path\",\"Cls\")\n"
                                                  "theDumper.unregisterCustom (\"f\\\"),\\\\\",\"p\\\\\\\")\\nimport os\")\n"
                                                  "def _Id_2(w):\n    return w\nx = 1\n");
        QCOMPARE(second.unregisterCustomsCode(true), expected);
        // Deletions and unregistrations are consumed by the first script.
        QCOMPARE(second.unregisterCustomsCode(true), QStringLiteral("def _Id_2(w):\n    return w\nx = 1\n"));

        const PythonRun run = runPython(compileScript(expected));
        QCOMPARE(run.output, QStringLiteral("compiled\n"));
    }

    void customKeys()
    {
        QCOMPARE(customKey(QStringLiteral("a@b"), QStringLiteral("c@")), QStringLiteral("aab;ca"));
        QCOMPARE(customApiKey(QString(), QStringLiteral("x"), QStringLiteral("y")), customKey("x", "y"));
        QCOMPARE(customApiKey(QStringLiteral("p@"), QStringLiteral("x"), QStringLiteral("y")),
                 QStringLiteral("p@;x;y"));
        QCOMPARE(customApiName(QStringLiteral("p"), QStringLiteral("classes.g.T@1"), QStringLiteral("n")),
                 QStringLiteral("custom.p;classes_dg_dTa1;n"));
        // The path comes back from the key, real "_" and ";" included.
        for (const QString path : {QStringLiteral("local.m_data.1"), QStringLiteral("a._b"), QStringLiteral("a_.b"),
                                   QStringLiteral("__"), QStringLiteral("x;y_d"), QString()}) {
            const QString encoded = encodeCustomPath(path);
            QVERIFY(!encoded.contains(QLatin1Char('.')) && !encoded.contains(QLatin1Char(';')));
            QCOMPARE(decodeCustomPath(encoded), path);
        }
    }

    void stringLiteralsRoundTripThroughPython()
    {
        const QStringList texts{
            QString(), QStringLiteral("plain"), QStringLiteral("quote \" and ' both"),
            QStringLiteral("back\\slash\\"), QStringLiteral("line\nbreak\r\n\ttab"),
            QStringLiteral("%1 %2 {0} %(x)s"), QString::fromUtf8("caf\xc3\xa9 \xe2\x80\xa8 sep \xf0\x9f\x98\x80"),
            QString::fromUtf8("ctrl \x01\x1f\x7f end"), QStringLiteral("\"\"\" triple")};
        QStringList literals;
        for (const QString &t : texts)
            literals << pythonStringLiteral(t);
        const QString program = QStringLiteral("import sys\nvalues = [%1]\n"
                                               "sys.stdout.buffer.write('\\0'.join(values).encode('utf-8', 'surrogatepass'))")
                                    .arg(literals.join(QLatin1Char(',')));
        const PythonRun run = runPython(program);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.output, texts.join(QChar(0)));
    }
};

QTEST_GUILESS_MAIN(TestPythonCode)
#include "tst_pythoncode.moc"
