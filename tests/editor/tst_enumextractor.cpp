// The values of enumeration definitions: include folders of the default kit
// and the startup project, symbols from the host's C++ parse, the helper
// program compiled by the real g++ against the real headers, compiler
// messages on the right line of the right editor, and failures that keep
// the stored table.

#include "common/testenvironment.h"
#include "enumrows.h"

#include "editor/enumcodemodel.h"
#include "editor/enumextractor.h"
#include "editor/enummodel.h"
#include "graphengine/globals.h"

#include <cpptools/builtineditordocumentparser.h>
#include <projectexplorer/kit.h>
#include <projectexplorer/session.h>
#include <qtsupport/qtkitinformation.h>
#include <qtsupport/qtversionmanager.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

using EnumTest::noVersionTagging;
using EnumTest::rows;

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// The host's parse of a definition and the symbols collected from it,
// following declarations through the parser's "follow symbol".
QByteArrayList symbolsOf(const QString &definition)
{
    static int count = 0;
    CppTools::BuiltinEditorDocumentParser parser(QStringLiteral("/tmp/korvan_enumdefinition_%1.cpp").arg(++count));
    configureEnumParser(&parser);
    parser.update(definition);
    QTextDocument text(definition);
    return EnumExtractor::collectSymbols(parser.document(), &text, [&parser](const QTextCursor &cursor) {
        return parser.findLinkAt(cursor.blockNumber() + 1, cursor.positionInBlock() + 1);
    });
}

// Runs one computation to its end.
struct Run
{
    explicit Run(EnumExtractor &extractor)
        : compiled(&extractor, &EnumExtractor::compiled), failed(&extractor, &EnumExtractor::failed),
          changed(&extractor, &EnumExtractor::changed)
    {
    }
    bool finish(EnumExtractor &extractor, const QString &prerequisite, const QString &definition,
                const QByteArrayList &symbols)
    {
        if (!extractor.start(prerequisite, definition, symbols))
            return false;
        if (changed.isEmpty() && !changed.wait(120000))
            return false;
        return changed.count() == 1 && !extractor.isBusy();
    }
    QList<CompilerMessage> messages() const
    {
        return compiled.isEmpty() ? QList<CompilerMessage>()
                                  : compiled.last().at(0).value<QList<CompilerMessage>>();
    }
    QString failure() const { return failed.isEmpty() ? QString() : failed.last().at(0).toString(); }

    QSignalSpy compiled;
    QSignalSpy failed;
    QSignalSpy changed;
};

} // namespace

class TestEnumExtractor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ProjectExplorer::KitManager::restoreKits();
        QVERIFY(QtSupport::QtKitInformation::qtVersion(ProjectExplorer::KitManager::defaultKit()));
    }

    // A failed check must not leave its kit or project to the next test.
    void cleanup()
    {
        ProjectExplorer::KitManager::setDefaultKit(ProjectExplorer::KitManager::kits().first());
        for (ProjectExplorer::Project *project : ProjectExplorer::SessionManager::projects())
            ProjectExplorer::SessionManager::removeProject(project);
    }

    void includeFoldersOfKitAndProject()
    {
        QTemporaryDir dir;
        const QString q = dir.filePath(QStringLiteral("Qt headers"));
        for (const char *sub : {"QtGui", "abc", "QtCore"})
            QVERIFY(QDir().mkpath(q + QLatin1Char('/') + QLatin1String(sub)));
        QVERIFY(writeFile(q + QStringLiteral("/qglobal.h"), "")); // files are no folders
        QVERIFY(QDir().mkpath(dir.filePath("a")));
        QVERIFY(QDir().mkpath(dir.filePath("b")));
        for (const char *file : {"a/x.h", "a/y.hpp", "b/z.cpp"})
            QVERIFY(writeFile(dir.filePath(QLatin1String(file)), ""));

        ProjectExplorer::Kit *system = ProjectExplorer::KitManager::defaultKit();
        auto *version = new QtSupport::BaseQtVersion("Test", Utils::FilePath::fromString(q));
        QtSupport::QtVersionManager::addVersion(version);
        auto kit = std::make_unique<ProjectExplorer::Kit>(Core::Id("Test"));
        QtSupport::QtKitInformation::setQtVersion(kit.get(), version);
        ProjectExplorer::Kit *testKit = ProjectExplorer::KitManager::registerKit(std::move(kit));
        ProjectExplorer::KitManager::setDefaultKit(testKit);
        auto *project = new ProjectExplorer::Project("p");
        project->setFiles({Utils::FilePath::fromString(dir.filePath("a/x.h")),
                           Utils::FilePath::fromString(dir.filePath("a/y.hpp")),
                           Utils::FilePath::fromString(dir.filePath("b/z.cpp")),
                           Utils::FilePath::fromString(dir.filePath("c/missing.h"))});

        // Without a project: the Qt folders only, "." first, names ignoring case.
        QCOMPARE(enumIncludeDirectories(),
                 (QStringList{q + "/.", q + "/abc", q + "/QtCore", q + "/QtGui"}));
        ProjectExplorer::SessionManager::addProject(project);
        const QString a = QFileInfo(dir.filePath("a")).canonicalFilePath();
        QCOMPARE(enumIncludeDirectories(),
                 (QStringList{q + "/.", q + "/abc", q + "/QtCore", q + "/QtGui", a}));
        // Options keep each path, blanks and all, in one argument.
        QCOMPARE(enumIncludeOptions(), (QStringList{"-I" + q + "/.", "-I" + q + "/abc", "-I" + q + "/QtCore",
                                                    "-I" + q + "/QtGui", "-I" + a}));

        // The parser gets the list; the same list again leaves its project
        // part, a changed one renews it.
        CppTools::BuiltinEditorDocumentParser parser(QStringLiteral("/tmp/korvan_includes.cpp"));
        QVERIFY(configureEnumParser(&parser));
        const CppTools::ProjectPart::Ptr part = parser.configuration().manuallySetProjectPart;
        QVERIFY(part);
        QCOMPARE(part->headerPaths.size(), 5);
        QCOMPARE(part->headerPaths.last(), CppTools::ProjectPartHeaderPath(a, CppTools::ProjectPartHeaderPath::IncludePath));
        QVERIFY(!configureEnumParser(&parser));
        QCOMPARE(parser.configuration().manuallySetProjectPart, part);
        ProjectExplorer::SessionManager::removeProject(project);
        QVERIFY(configureEnumParser(&parser));
        QCOMPARE(parser.configuration().manuallySetProjectPart->headerPaths.size(), 4);
        // A part that somebody else set stays.
        CppTools::BuiltinEditorDocumentParser other(QStringLiteral("/tmp/korvan_includes_other.cpp"));
        CppTools::BaseEditorDocumentParser::Configuration byHand = other.configuration();
        byHand.manuallySetProjectPart.reset(new CppTools::ProjectPart);
        other.setConfiguration(byHand);
        QVERIFY(!configureEnumParser(&other));
        QCOMPARE(other.configuration().manuallySetProjectPart, byHand.manuallySetProjectPart);

        // An empty Qt header folder gives the folder itself; no Qt, no Qt folders.
        const QString empty = dir.filePath(QStringLiteral("empty"));
        QtSupport::QtKitInformation::setQtVersion(testKit, nullptr);
        QVERIFY(enumIncludeDirectories().isEmpty());
        auto *emptyVersion = new QtSupport::BaseQtVersion("Empty", Utils::FilePath::fromString(empty));
        QtSupport::QtVersionManager::addVersion(emptyVersion);
        QtSupport::QtKitInformation::setQtVersion(testKit, emptyVersion);
        QCOMPARE(enumIncludeDirectories(), QStringList{empty + "/"});

        ProjectExplorer::KitManager::setDefaultKit(system);
        ProjectExplorer::KitManager::deregisterKit(testKit);
        QtSupport::QtVersionManager::removeVersion(version);
        QtSupport::QtVersionManager::removeVersion(emptyVersion);
    }

    void qualifiedNamesAndSymbolsOfADefinition()
    {
        // Macros first (not the function-like ones), then the enumerators.
        QCOMPARE(symbolsOf("#define LIMIT 10\n#define TWICE(x) (2 * (x))\n"
                           "namespace N { enum Colour { Red = 1 }; }\n" // nested: not searched
                           "enum Plain { A, B = LIMIT };\n"
                           "enum class Scoped { C };\n"
                           "enum { D = 7 };\n"
                           "struct S { enum Inner { E }; };\n"),
                 (QByteArrayList{"LIMIT", "::A", "::B", "::Scoped::C", "::D"}));
        // A declaration contributes the enumeration its type names, found in
        // the header it comes from; one in the same text is not repeated.
        const QByteArrayList alignment = symbolsOf("#include <Qt>\nQt::AlignmentFlag f;\n");
        QVERIFY(alignment.size() > 10);
        QCOMPARE(alignment.first(), QByteArray("::Qt::AlignLeft"));
        QVERIFY(alignment.contains("::Qt::AlignVertical_Mask"));
        QCOMPARE(symbolsOf("namespace N { enum Colour { Red = 1, Blue }; }\nN::Colour c;\n"),
                 (QByteArrayList{"::N::Red", "::N::Blue"}));
        QCOMPARE(symbolsOf("enum E { A };\nE e;\n"), QByteArrayList{"::A"});
        // Declarations of other types, or of nothing known, add nothing.
        QVERIFY(symbolsOf("int i;\nstruct T {} t;\nUnknown u;\n").isEmpty());
        QVERIFY(EnumExtractor::collectSymbols({}, nullptr, {}).isEmpty());
        QVERIFY(EnumExtractor::qualifiedSymbolName(nullptr).isEmpty());
    }

    void programText()
    {
        QCOMPARE(EnumExtractor::programText("#define P", "enum E { A };", {"::A", "P"}),
                 QByteArray("#define P\nenum E { A };\n;\n#include <stdio.h>\n\n"
                            "template <typename v> bool __is___Negative__(v variable) { return variable < 0;}\n"
                            "int main(int argc, char** argv) {\n"
                            "  printf(\"::A,%llu,%d\\n\",static_cast<unsigned long long int>(::A),"
                            "__is___Negative__(::A));\n"
                            "  printf(\"P,%llu,%d\\n\",static_cast<unsigned long long int>(P),"
                            "__is___Negative__(P));\n}\n"));
    }

    void compilerMessagesGoToTheirEditor()
    {
        const QString source = QStringLiteral("/tmp/KorvanSymbol_abc123.cpp");
        bool failed = false;
        const QList<CompilerMessage> messages = EnumExtractor::compilerMessages(
            source,
            {source + ":8:3: error: 'x' was not declared in this scope",
             source + ":5:0: fatal error: missing.h: No such file or directory",
             source + ":6:10: warning: integer constant is too large for its type [enabled by default]",
             source + ":6:1: warning: unused variable 'y' [-Wunused-variable]",
             source + ":7:1: note: declared here",
             "/usr/include/foo.h:1:1: error: in a header",
             "/tmp/KorvanSymbol_abc123Xcpp:2:2: error: another file",
             source + ":9:4: \x1b[01;31merror: \x1b[mcoloured\x1b[0m text", ""},
            5, &failed);
        QVERIFY(failed);
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages.at(0), (CompilerMessage{CompilerMessage::Definition, 3, 3, "'x' was not declared in this scope"}));
        QCOMPARE(messages.at(1), (CompilerMessage{CompilerMessage::Prerequisite, 5, 0, "missing.h: No such file or directory"}));
        QCOMPARE(messages.at(2), (CompilerMessage{CompilerMessage::Definition, 1, 10, "integer constant is too large for its type"}));

        QVERIFY(EnumExtractor::compilerMessages(source, {source + ":1:1: warning: unused", ""}, 1, &failed).isEmpty());
        QVERIFY(!failed);
        QCOMPARE(EnumExtractor::stripAnsi("\x1b[01m\x1b[Kbold\x1b[m\x1b[K plain"), QStringLiteral("bold plain"));
    }

    void compileErrorsOnTheirLinesAndTheTableStays()
    {
        EnumModel model;
        model.setEnums({"0x3"}, {"{ 0x1;::A,0x2;::B }"});
        const QStringList stored = rows(model);
        EnumExtractor extractor;
        extractor.setModel(&model);
        QSignalSpy stale(&model, &EnumModel::staleChanged);

        {
            Run run(extractor);
            QVERIFY(run.finish(extractor, "#define ONE 1\nint x = ;\n",
                               "enum E { A = ONE,\n  B = undefined_thing };", {"::A", "::B"}));
            const QList<CompilerMessage> messages = run.messages();
            QCOMPARE(messages.size(), 2);
            QCOMPARE(messages.at(0).editor, CompilerMessage::Prerequisite);
            QCOMPARE(messages.at(0).line, 2);
            QCOMPARE(messages.at(1).editor, CompilerMessage::Definition);
            QCOMPARE(messages.at(1).line, 2);
            QCOMPARE(messages.at(1).column, 7);
            QVERIFY(messages.at(1).text.contains("undefined_thing"));
            QCOMPARE(run.failed.count(), 1);
            QVERIFY(run.failure().contains("prerequisite"));
            QCOMPARE(rows(model), stored);
            QVERIFY(model.isStale());
        }
        {
            // A recompute that succeeds replaces the table and clears the mark.
            Run run(extractor);
            QVERIFY(run.finish(extractor, QString(), "enum E { A = 1, B = 4 };", {"::A", "::B"}));
            QVERIFY(run.failed.isEmpty());
            QCOMPARE(rows(model), (QStringList{"0x1 ::A", "0x4 ::B"}));
            QVERIFY(!model.isStale());
        }
        QCOMPARE(stale.count(), 2);
    }

    void failuresOutsideTheUsersLines()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("my headers"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(folder + "/colours.h", "enum Colour { Cyan = 3, Magenta = 5 };\n"));
        QVERIFY(writeFile(folder + "/broken.h", "int broken = ;\n"));
        auto *project = new ProjectExplorer::Project("headers");
        project->setFiles({Utils::FilePath::fromString(folder + "/colours.h"),
                           Utils::FilePath::fromString(folder + "/broken.h")});
        ProjectExplorer::SessionManager::addProject(project);

        EnumModel model;
        model.setEnums({"0x1"}, {"{ 0x1;::Kept }"});
        EnumExtractor extractor;
        extractor.setModel(&model);
        {
            // The project folder (with a blank in its name) is searched.
            const QString definition = QStringLiteral("#include \"colours.h\"\nColour c;\n");
            const QByteArrayList symbols = symbolsOf(definition);
            QCOMPARE(symbols, (QByteArrayList{"::Cyan", "::Magenta"}));
            Run run(extractor);
            QVERIFY(run.finish(extractor, QString(), definition, symbols));
            QVERIFY2(run.failed.isEmpty(), qPrintable(run.failure()));
            QCOMPARE(rows(model), (QStringList{"0x7 ::Cyan,::Magenta", "  0x3 ::Cyan", "  0x5 ::Magenta"}));
        }
        model.setEnums({"0x1"}, {"{ 0x1;::Kept }"});
        {
            // An error inside a header matches no message of the user's text;
            // the exit code still says the compilation failed.
            Run run(extractor);
            QVERIFY(run.finish(extractor, QString(), "#include \"broken.h\"\nenum E { A = 1 };", {"::A"}));
            QVERIFY(run.messages().isEmpty());
            QCOMPARE(run.failed.count(), 1);
            QVERIFY(run.failure().contains("broken.h"));
            QCOMPARE(rows(model), QStringList{"0x1 ::Kept"});
            QVERIFY(model.isStale());
        }
        ProjectExplorer::SessionManager::removeProject(project);
        {
            // A link error: no executable, none started.
            Run run(extractor);
            QVERIFY(run.finish(extractor, QString(),
                               "extern int korvan_missing;\nint use = korvan_missing;\nenum E { A = 1 };", {"::A"}));
            QVERIFY(run.messages().isEmpty());
            QVERIFY(run.failure().contains("korvan_missing"));
            QCOMPARE(rows(model), QStringList{"0x1 ::Kept"});
        }
        {
            // A program that crashes gives no values.
            Run run(extractor);
            QVERIFY(run.finish(extractor, QString(),
                               "#include <cstdlib>\nstatic int crash = (abort(), 0);\nenum E { A = 1 };", {"::A"}));
            QCOMPARE(run.failed.count(), 1);
            QCOMPARE(rows(model), QStringList{"0x1 ::Kept"});
        }
        {
            // A program that never ends is stopped.
            extractor.setTimeout(4000);
            Run run(extractor);
            QVERIFY(run.finish(extractor, QString(),
                               "#include <unistd.h>\nstatic int nap = sleep(60);\nenum E { A = 1 };", {"::A"}));
            QVERIFY(run.failure().contains("did not finish"));
            QCOMPARE(rows(model), QStringList{"0x1 ::Kept"});
        }
    }

    void compilerThatCannotStart()
    {
        EnumModel model;
        model.setEnums({"0x1"}, {"{ 0x1;::Kept }"});
        EnumExtractor extractor;
        extractor.setModel(&model);
        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", empty.path().toLocal8Bit());
        Run run(extractor);
        const bool finished = run.finish(extractor, QString(), "enum E { A = 1 };", {"::A"});
        qputenv("PATH", path);
        QVERIFY(finished);
        QVERIFY2(run.failure().startsWith("Cannot start g++"), qPrintable(run.failure()));
        QVERIFY(run.compiled.isEmpty());
        QCOMPARE(rows(model), QStringList{"0x1 ::Kept"});
        QVERIFY(model.isStale());
        // The slot is free again: the next request runs.
        Run again(extractor);
        QVERIFY(again.finish(extractor, QString(), "enum E { A = 2 };", {"::A"}));
        QCOMPARE(rows(model), QStringList{"0x2 ::A"});
    }

    void oneComputationAtATime()
    {
        EnumExtractor extractor;
        QVERIFY(!extractor.start(QString(), "enum E { A };", {}));
        QVERIFY(!extractor.isBusy());
        Run run(extractor);
        QVERIFY(extractor.start(QString(), "enum E { A = 1 };", {"::A"}));
        QVERIFY(extractor.isBusy());
        QVERIFY(!extractor.start(QString(), "enum E { A = 2 };", {"::A"}));
        QVERIFY(run.changed.wait(60000));
        QVERIFY(!extractor.isBusy());
        // Without a model the computation still ends cleanly.
        QVERIFY(run.failed.isEmpty());

        // Gone while compiling: the compiler is stopped and nothing calls back.
        EnumModel model;
        auto *early = new EnumExtractor;
        early->setModel(&model);
        QSignalSpy changed(early, &EnumExtractor::changed);
        QVERIFY(early->start(QString(), "#include <Qt>\nenum E { A = 1 };", {"::A"}));
        delete early;
        QTest::qWait(300);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(model.rowCount(), 0);
    }

    void traceShowsProgramErrorsAndOutput()
    {
        EnumExtractor extractor;
        LogCapture log;
        GraphEngine::verboseTrace = true;
        Run failing(extractor);
        const bool failed = failing.finish(extractor, QString(), "enum E { A = nothing };", {"::A"});
        Run working(extractor);
        const bool worked = working.finish(extractor, QString(), "enum E { A = 3 };", {"::A"});
        GraphEngine::verboseTrace = false;
        Run quiet(extractor);
        QVERIFY(quiet.finish(extractor, QString(), "enum E { A = 4 };", {"::A"}));
        QVERIFY(failed && worked);

        QStringList texts;
        for (const LoggedMessage &message : log.messages)
            texts << message.text;
        QCOMPARE(texts.count("Code is:"), 2);
        QVERIFY(texts.contains(QString::fromLocal8Bit(EnumExtractor::programText(QString(), "enum E { A = 3 };", {"::A"}))));
        QCOMPARE(texts.filter(QRegularExpression("^ERROR: .*nothing")).size(), 1);
        QVERIFY(texts.contains("OUTPUT ::A,3,0\n"));
    }
};

QTEST_MAIN(TestEnumExtractor)
#include "tst_enumextractor.moc"
