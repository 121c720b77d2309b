// The Python the plug-in sends to GDB: the instrumentation rewrite, the
// private block in the start-up commands, and the registrations of
// customized watched values.

#include "common/pythonrunner.h"
#include "common/testenvironment.h"
#include "configuration/document.h"
#include "configuration/keys.h"
#include "configuration/pythoncode.h"
#include "plugin/customregistrations.h"
#include "plugin/instrumentation.h"
#include "plugin/korvandebuggerplugin.h"
#include "plugin/privateblock.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <protocol/debuggercommand.h>
#include <coreplugin/icore.h>
#include <dialogs/dialogs.h>
#include <utils/savedaction.h>

#include <QJsonArray>
#include <QtTest>

using namespace KorvanDebugger;
using namespace KorvanDebugger::Internal;

namespace {

QString instrumented(const QString &code, bool debugMode, const char *part = "p")
{
    TestEnvironment::setDebugMode(debugMode);
    return instrumentPython(code, part, false);
}

QString trace(const char *part, int n, const QString &line, int indent = 0)
{
    return QString(indent, QLatin1Char(' ')) + QStringLiteral("WARN(\"%1:%2 %3\")\n").arg(QLatin1String(part)).arg(n, 6).arg(line);
}

QString compiles(const QString &code)
{
    return runPython(compileScript(QStringLiteral("import sys\ndef WARN(m): pass #--\n") + code)).output.trimmed();
}

// An engine of another kind than GDB: it takes commands in any state and
// records them.
class RecordingEngine : public Debugger::Internal::DebuggerEngine
{
public:
    RecordingEngine() : DebuggerEngine(Debugger::Internal::DebuggerRunParameters()) {}
    void enterState(int state) { setState(state); }
    void activateFrame(int) override {}
    void runCommand(const Debugger::Internal::DebuggerCommand &command) override { sent << command.function; }
    QList<QByteArray> sent;
};

QString startupCommands()
{
    return Debugger::Internal::action(Debugger::Internal::GdbStartupCommands)->value().toString();
}

} // namespace

class TestInjection : public QObject
{
    Q_OBJECT
private slots:
    void noDebugAnnotation()
    {
        TestEnvironment env;
        const QString line = QStringLiteral("        with HelpersChildren(self): # NODEBUG");
        QCOMPARE(instrumented(line, false), QStringLiteral("        if True:\n"));
        QCOMPARE(instrumented(line, true), trace("p", 1, line, 8) + line + "\n\n");
    }

    void noTraceOutsideDebugMode()
    {
        // Every executed statement would write a log line: a printer of a
        // large container would flood GDB's console on every stop.
        TestEnvironment env;
        const QString code = QStringLiteral("def f(x): #--\n    y = x\n    for i in range(3):\n        y += i\n    return y\n");
        QCOMPARE(instrumented(code, false), code + "\n");
        QCOMPARE(instrumented(code, true).count(QLatin1String("WARN(\"p:")), 4);
        TestEnvironment::setDebugMode(false);
        const QString common = buildCommonCode();
        QVERIFY(!common.contains(QLatin1String("WARN(\"dynamicPrettyPrintersCode:")));
        Configuration::PythonCode generated;
        generated.definitions = QStringLiteral("x = 1");
        QVERIFY(!runningDebuggerBlock(generated, true).contains(QLatin1String("WARN(\"")));
    }

    void debugWrapper()
    {
        TestEnvironment env;
        const QString withMessage = QStringLiteral(
            "            intv = int(v) # DEBUG enumeration,v,Object is not a numerical value. It can not be processed as an Enum.");
        const QStringList lines = instrumented(withMessage, true).split(QLatin1Char('\n'));
        // the trace of the wrapped statement, 20 wrapper lines, two line feeds
        QCOMPARE(lines.size(), 23);
        QCOMPARE(lines.at(0), QStringLiteral("            try: #--"));
        QCOMPARE(lines.at(1), trace("p", 1, "  " + withMessage, 14).chopped(1));
        QCOMPARE(lines.at(2), "  " + withMessage);
        QCOMPARE(lines.at(3), QStringLiteral("            except  Exception as inst: #--"));
        QCOMPARE(lines.at(4), QStringLiteral("              WARN(\"KORVANDEBUGAPI:%s.enumeration\"%debugContext) #--"));
        QCOMPARE(lines.at(6), QStringLiteral("                WARN(\"KORVANDEBUGVAR:%s\"%v) #--"));
        QCOMPARE(lines.at(13), QStringLiteral("                except:                  WARN(\"KORVANDEBUGVARTYPE:unknown\") #--"));
        QCOMPARE(lines.at(19), QStringLiteral(
            "              WARN(\"KORVANDEBUGERRORDESC:%s\"%\"Object is not a numerical value. It can not be processed as an Enum.\") #--"));
        QCOMPARE(lines.at(20), QStringLiteral("              raise #--"));

        const QString plain = QStringLiteral("  ret = self.accessorSolved(cell) # DEBUG accessor,cell");
        const QString out = instrumented(plain, true);
        QVERIFY(out.contains(QLatin1String("  WARN(\"KORVANDEBUGERRORDESC:%s\"%str(inst)) #--\n")));
        QVERIFY(out.contains(QLatin1String("WARN(\"KORVANDEBUGVARTYPE:%s\"%cell.type) #--")));

        // One pass: place markers inside the annotated line stay as written;
        // a quote in the message cannot end its literal.
        const QString markers = QStringLiteral("x = '%2%5' # DEBUG a%1,b,say \"%3\" \\");
        const QString wrapped = instrumented(markers, true);
        QVERIFY(wrapped.contains("\n  " + markers + "\n"));
        QVERIFY(wrapped.contains(QLatin1String("KORVANDEBUGAPI:%s.a%1\"")));
        QVERIFY(wrapped.contains(QLatin1String("%\"say \\\"%3\\\" \\\\\") #--")));
        QCOMPARE(compiles("def f(b, debugContext):\n" + QString(markers).prepend("  ")), QStringLiteral("compiled"));
        QCOMPARE(compiles(instrumented("def f(b, debugContext):\n  " + markers, true)), QStringLiteral("compiled"));
    }

    void traceLines()
    {
        TestEnvironment env;
        const QString code = QStringLiteral(
            "# comment\n"
            "\n"
            "def f(x): #--\n"
            "    y = g(1,\n"
            "          2)\n"
            "    if y:\n"
            "        pass\n"
            "    elif x:\n"
            "        pass\n"
            "    else:\n"
            "        return \"q\"\n");
        const QString expected = QStringLiteral("# comment\n\ndef f(x): #--\n") + trace("u", 3, "    y = g(1,", 4)
                                 + "    y = g(1,\n          2)\n" + trace("u", 5, "    if y:", 4) + "    if y:\n"
                                 + trace("u", 6, "        pass", 8) + "        pass\n    elif x:\n"
                                 + trace("u", 8, "        pass", 8) + "        pass\n    else:\n"
                                 + trace("u", 10, "        return ''q''", 8) + "        return \"q\"\n\n\n";
        QCOMPARE(instrumented(code, true, "u"), expected);
    }

    void traceLinesKeepPythonValid_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("traces");
        QTest::newRow("finally") << QStringLiteral("try:\n    a = 1\nfinally:\n    a = 2\n") << 3;
        QTest::newRow("decorators") << QStringLiteral("def d(f): return f\n@d\n\n@d(\n  1 if True else 0)\ndef f():\n    pass\nclass C:\n    @staticmethod\n    def g():\n        pass\n")
                                    << 6;
        QTest::newRow("continuation") << QStringLiteral("x = 1 + \\\n2\ny = x\n") << 2;
        QTest::newRow("triple-quoted") << QStringLiteral("s = \"\"\"one (\nx = 2\n\"\"\"\nt = '''a'''\nu = 1\n") << 3;
        QTest::newRow("brackets in strings") << QStringLiteral("a = f(\")\",\n  1) if False else 0\nb = [1,\n2]\nc = '(' # (\nd = 1\n")
                                             << 4;
        QTest::newRow("backslash in the line") << QStringLiteral("s = \"\\\\\"\n") << 1;
    }

    void traceLinesKeepPythonValid()
    {
        QFETCH(QString, code);
        QFETCH(int, traces);
        TestEnvironment env;
        QString prelude = QStringLiteral("def f(*a): return 0 #--\n");
        QCOMPARE(compiles(prelude + code), QStringLiteral("compiled"));
        const QString out = instrumented(code, true);
        QCOMPARE(out.count(QLatin1String("WARN(\"p:")), traces);
        QCOMPARE(compiles(prelude + out), QStringLiteral("compiled"));
    }

    void regenerationStoresTheBlockAndReachesOnlyAGdbEngine()
    {
        using namespace Debugger::Internal;
        TestEnvironment env;
        const QJsonObject models{{Configuration::Key::classes,
                                  QJsonArray{QJsonObject{
                                      {Configuration::Key::className, QJsonObject{{Configuration::Key::TemplateType, "Point"}}},
                                      {Configuration::Key::feature, "Class"},
                                      {Configuration::Key::fields,
                                       QJsonArray{QJsonObject{{"type", "Standard"},
                                                              {"displayedName", "x"},
                                                              {"accessor", QJsonObject{{"accessor", QJsonObject{{"Field", ".x"}}}}}}}}}}}};
        QVERIFY(Configuration::saveConfigurationFile(models, Configuration::Key::prettyPrintersDocument));
        const QString user = QStringLiteral("set print pretty on");
        action(GdbStartupCommands)->setValue(user);
        KorvanDebuggerPlugin plugin;

        // A burst of notifications: one regeneration, a moment later.
        QSignalSpy stored(action(GdbStartupCommands), &Utils::SavedAction::valueChanged);
        plugin.parametersChanged();
        plugin.parametersChanged();
        QCOMPARE(stored.count(), 0);
        QTRY_COMPARE(stored.count(), 1);
        QTest::qWait(20);
        QCOMPARE(stored.count(), 1);
        QVERIFY(startupCommands().startsWith(user + privateBlockStart));
        QVERIFY(startupCommands().contains(QLatin1String("def qdump__Point")));
        QCOMPARE(removePrivateBlock(startupCommands()), user);
        plugin.startEditParameters();
        QCOMPARE(startupCommands(), user);

        // Without an engine the previous generation's deletions go into
        // the stored block.
        plugin.parametersChangedInternal(true);
        QVERIFY(startupCommands().contains(QLatin1String("del qdump__Point")));

        RecordingEngine engine;
        setCurrentEngine(&engine);
        for (int state : {int(InferiorUnrunnable), int(InferiorExitOk)}) {
            engine.enterState(state);
            QVERIFY(!KorvanDebuggerPlugin::isGdbReady());
        }
        for (int state : {int(InferiorRunRequested), int(InferiorStopOk), int(InferiorStopFailed)}) {
            engine.enterState(state);
            QVERIFY(KorvanDebuggerPlugin::isGdbReady());
        }
        // Ready, but no GDB engine: nothing is sent, and the deletions stay
        // for the stored block instead of being lost.
        plugin.parametersChangedInternal(true);
        QVERIFY(engine.sent.isEmpty());
        QVERIFY(startupCommands().contains(QLatin1String("del qdump__Point")));
        QCOMPARE(startupCommands().count(QLatin1String("#PRIVATESTART")), 1);
        setCurrentEngine(nullptr);
        plugin.startEditParameters();
    }

    void pythonErrorsReachTheUser()
    {
        using Configuration::PythonError;
        TestEnvironment env;
        KorvanDebuggerPlugin plugin;
        Host::ScriptedDialogs dialogs;
        // The printers are stored; the options dialog takes them out while
        // it is open, as the host's signal asks.
        const QString user = QStringLiteral("set print pretty on");
        Debugger::Internal::action(Debugger::Internal::GdbStartupCommands)->setValue(user);
        plugin.parametersChangedInternal(false);
        QCOMPARE(startupCommands().count(QLatin1String("#PRIVATESTART")), 1);
        connect(Core::ICore::instance(), &Core::ICore::optionsDialogRequested, &plugin,
                &KorvanDebuggerPlugin::startEditParameters);
        QList<QByteArray> pages;
        QList<int> blocksWhileOpen;
        // A host that does not save its settings when the dialog closes.
        Core::ICore::setOptionsDialogHandler([&pages, &blocksWhileOpen](const QByteArray &page, QWidget *) {
            pages << page;
            blocksWhileOpen << startupCommands().count(QLatin1String("#PRIVATESTART"));
            return true;
        });
        QList<PythonError> handedOver;
        connect(&plugin, &KorvanDebuggerPlugin::configError, this,
                [&handedOver](const PythonError &error) { handedOver << error; });
        const auto report = [](const QString &api) {
            PythonError error;
            for (const QString &line : QStringList{QStringLiteral("API:") + api, QStringLiteral("VAR:v"), QStringLiteral("VARTYPE:T"),
                                        QStringLiteral("ERRORTYPE:<class 'KeyError'>"), QStringLiteral("ERRORDESC:bad"),
                                        QStringLiteral("LINE:12")})
                error.parseLine(line);
            return error;
        };

        // A class model's printer: the options page at that class.
        PythonError error = report(QStringLiteral("classes.Test.Point.fields.x"));
        plugin.showPythonError(error);
        QCOMPARE(error.flags, 0u);
        QVERIFY(error.line.isEmpty());
        QVERIFY(dialogs.messages.isEmpty()); // nothing before the event loop runs
        QTRY_COMPARE(handedOver.size(), 1);
        QCOMPARE(pages, QList<QByteArray>{"ZZ.Korvan.Debugger.Classes"});
        QCOMPARE(handedOver.first().api.join('.'), QStringLiteral("classes.Test.Point.fields.x"));
        QVERIFY(handedOver.first().flags & PythonError::FlagErrorDesc);
        // Closed again, the page leaves the printers stored once more, after
        // the user's own commands.
        QCOMPARE(blocksWhileOpen, QList<int>{0});
        QTRY_COMPARE(startupCommands().count(QLatin1String("#PRIVATESTART")), 1);
        QCOMPARE(removePrivateBlock(startupCommands()), user);

        // The system's own code: a message box, no options page.
        error = report(QStringLiteral("commonCode.__init__"));
        plugin.showPythonError(error);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Internal Python Error"));
        QCOMPARE(dialogs.messages.first().icon, QMessageBox::Critical);

        // A customized value: the box names its path and class, quoted.
        error = report(QStringLiteral("custom.main;a_db<c>;PairVec.fields.x"));
        plugin.showPythonError(error);
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY2(dialogs.messages.last().text.contains(QLatin1String("a.b&lt;c&gt; (PairVec)")),
                 qPrintable(dialogs.messages.last().text));
        QTest::qWait(10);
        QCOMPARE(handedOver.size(), 1);
        QCOMPARE(pages.size(), 1);
        Core::ICore::setOptionsDialogHandler({});
        disconnect(Core::ICore::instance(), &Core::ICore::optionsDialogRequested, &plugin, nullptr);
        plugin.startEditParameters();
    }

    void privateBlock()
    {
        const QString user = QStringLiteral("set print pretty on");
        const QString block = privateBlockStart + QStringLiteral("print(1)") + privateBlockEnd;
        QCOMPARE(QString(privateBlockStart).size(), 22);
        QCOMPARE(QString(privateBlockEnd).size(), 17);
        QCOMPARE(removePrivateBlock(user + block), user);
        QCOMPARE(removePrivateBlock(user + block + "info locals\n"), user + "info locals\n");
        QCOMPARE(removePrivateBlock(user + privateBlockStart + "x"), user + privateBlockStart + "x");
        QCOMPARE(removePrivateBlock(QString(privateBlockEnd) + user + privateBlockStart), QString(privateBlockEnd) + user + privateBlockStart);
        // An end marker among the user's own commands does not keep the
        // block in: the next store would add a second one.
        QCOMPARE(removePrivateBlock(QString(privateBlockEnd) + user + block), QString(privateBlockEnd) + user);

        TestEnvironment env;
        TestEnvironment::setDebugMode(true);
        Configuration::PythonCode code;
        code.definitions = QStringLiteral("x = 1");
        Configuration::registerCustomDumper(QStringLiteral("f"), QStringLiteral("p"));
        const QString common = buildCommonCode();
        QVERIFY(common.contains(QLatin1String("WARN(\"dynamicPrettyPrintersCode:")));
        const QString setting = settingWithPrivateBlock(user + block, common, code);
        QVERIFY(setting.startsWith(user + privateBlockStart + common));
        QVERIFY(setting.endsWith(privateBlockEnd));
        QCOMPARE(setting.count(QLatin1String("#PRIVATESTART")), 1);
        QVERIFY(setting.contains(QLatin1String("theDumper.unregisterCustom (\"f\",\"p\")")));
        QCOMPARE(removePrivateBlock(setting), user);
        // The pending unregistration went into that block; the running GDB
        // gets only the definitions now.
        const QString running = runningDebuggerBlock(code, false);
        QVERIFY(!running.contains(QLatin1String("unregisterCustom")));
        QVERIFY(running.contains(QLatin1String("x = 1")));
        QVERIFY(runningDebuggerBlock(code, true).contains(QLatin1String("WARN(\"commonCode:")));
        QCOMPARE(compiles(setting.mid(setting.indexOf(common) + common.size()).chopped(privateBlockEnd.size())
                              .prepend("class theDumper: #--\n  def unregisterCustom(*a): pass #--\n")),
                 QStringLiteral("compiled"));
    }

    void customRegistrations()
    {
        TestEnvironment env;
        TestEnvironment::setDebugMode(true);
        const QJsonObject vec{{"className", QJsonObject{{"TemplateType", "Vec"}}}, {"group", "G"}, {"feature", "Container"},
                              {"fields", QJsonArray{QJsonObject{{"type", "Array"}, {"displayedName", "#"}, {"dimension", "1D"},
                                                                {"arrayBase", QJsonObject{{"Field", ".d"}}},
                                                                {"arraySize", QJsonObject{{"Field", ".n"}}}}}}};
        const auto entry = [](const QString &api, const QString &path, const QString &className) {
            return QJsonObject{{"className", QJsonObject{{"className", className}, {"path", path}, {"api", api}}},
                               {"fields", QJsonArray{QJsonObject{{"customization", "Value"},
                                                                 {"valueCustom", QJsonObject{{"accessor", QJsonObject{{"Field", ".second"}}}}}}}}};
        };
        QJsonObject custom;
        custom.insert(Configuration::customApiKey("main", "v.m_data", "Vec"), entry("main", "v.m_data", "Vec"));
        custom.insert(Configuration::customKey("w\"),import os#", "Vec"), entry(QString(), "w\"),import os#", "Vec"));
        custom.insert(Configuration::customKey("gone", "Nothing"), entry(QString(), "gone\\", "Nothing"));
        const auto lookup = [&](const QString &type) { return type == QLatin1String("Vec") ? vec : QJsonObject(); };

        Configuration::PythonCode code = generateCustomCode(custom, lookup);
        QCOMPARE(Configuration::debugContextDepth(), 0);
        const QStringList lines = code.expression.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("theDumper.unregisterCustom(\"\",\"gone\\\\\")"));
        QVERIFY2(lines.at(1).startsWith(QLatin1String("theDumper.registerCustom(\"main\",\"v.m_data\",qdump___Id_")), qPrintable(lines.at(1)));
        QVERIFY(lines.at(2).startsWith(QLatin1String("theDumper.registerCustom(\"\",\"w\\\"),import os#\",qdump___Id_")));
        QVERIFY(lines.at(1).section(',', 2) != lines.at(2).section(',', 2)); // two printers of one class
        // The error context names the path in a form that decodes back.
        QVERIFY(code.definitions.contains(QLatin1String("custom.main;v_dm__data;Vec")));
        const QString script = QStringLiteral("class theDumper: #--\n  def registerCustom(*a): pass #--\n"
                                              "  def unregisterCustom(*a): pass #--\n")
                               + code.unregisterCustomsCode(true);
        QCOMPARE(compiles(script), QStringLiteral("compiled"));
        QCOMPARE(compiles(instrumentPython(script, "userCode.getOutput(true)", false)), QStringLiteral("compiled"));

        QCOMPARE(generateCustomCode(QJsonObject(), lookup), Configuration::PythonCode());
        QCOMPARE(Configuration::debugContextDepth(), 0);

        // An entry stored without api is found and removed by a lookup with one.
        QCOMPARE(findCustomDefinition(custom, "main", "v.m_data", "Vec"), custom.value("main;v.m_data;Vec").toObject());
        QCOMPARE(findCustomDefinition(custom, "other", "gone", "Nothing"), custom.value("gone;Nothing").toObject());
        QVERIFY(findCustomDefinition(custom, "main", "v", "Vec").isEmpty());
        Configuration::deleteHelpersCode();
        QVERIFY(removeCustomDefinition(custom, "other", "gone", "Nothing"));
        QVERIFY(!custom.contains("gone;Nothing"));
        QJsonObject saved;
        QVERIFY(Configuration::loadConfigurationFile(saved, Configuration::Key::customPrettyPrintersDocument));
        QCOMPARE(saved, custom);
        QVERIFY(removeCustomDefinition(custom, "main", "v.m_data", "Vec"));
        QVERIFY(removeCustomDefinition(custom, "main", "missing", "Vec"));
        Configuration::PythonCode empty;
        QCOMPARE(empty.unregisterCustomsCode(false),
                 QStringLiteral("theDumper.unregisterCustom (\"\",\"gone\")\ntheDumper.unregisterCustom (\"main\",\"v.m_data\")\n"
                                "theDumper.unregisterCustom (\"\",\"missing\")\n\n"));
    }
};

QTEST_MAIN(TestInjection)
#include "tst_injection.moc"
