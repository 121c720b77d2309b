// The host's C++ code model (libclang parse into documents and symbols,
// follow symbol into real Qt headers), its kits, Qt versions and session,
// and the ANSI escape handler.

#include <coreplugin/editormanager.h>
#include <cplusplus/CppDocument.h>
#include <cplusplus/Icons.h>
#include <cpptools/builtineditordocumentparser.h>
#include <cpptools/builtineditordocumentprocessor.h>
#include <cpptools/cppmodelmanager.h>
#include <projectexplorer/kit.h>
#include <projectexplorer/session.h>
#include <qtsupport/qtkitinformation.h>
#include <qtsupport/qtversionmanager.h>
#include <texteditor/texteditor.h>
#include <utils/ansiescapecodehandler.h>
#include <utils/mimedatabase.h>

#include <QFileInfo>
#include <QSignalSpy>
#include <QTextBlock>
#include <QtTest>

using namespace CPlusPlus;

namespace {

QByteArray nameOf(Symbol *symbol)
{
    return symbol && symbol->identifier() ? QByteArray(symbol->identifier()->chars()) : QByteArray("<anonymous>");
}

QByteArrayList memberNames(Scope *scope)
{
    QByteArrayList names;
    for (auto it = scope->memberBegin(); it != scope->memberEnd(); ++it)
        names << nameOf(*it);
    return names;
}

CppTools::ProjectPart::Ptr qtPart()
{
    CppTools::ProjectPart::Ptr part(new CppTools::ProjectPart);
    const QString q = QtSupport::QtVersionManager::systemVersion()->headerPath().toString();
    for (const QString &path : QStringList{q, q + QStringLiteral("/QtCore")})
        part->headerPaths << CppTools::ProjectPartHeaderPath(path, CppTools::ProjectPartHeaderPath::IncludePath);
    return part;
}

} // namespace

class TestCodeModel : public QObject
{
    Q_OBJECT

private slots:
    void documentHoldsMacrosScopesAndDeclarations()
    {
        CppTools::BuiltinEditorDocumentParser parser(QStringLiteral("/tmp/korvan_codemodel_a.cpp"));
        QVERIFY(!parser.document());
        parser.update(QStringLiteral("#define LIMIT 10\n"
                                     "#define SQUARE(x) ((x) * (x))\n"
                                     "namespace N { enum Colour { Red = 1, Green = LIMIT }; enum class Mode { A, B }; }\n"
                                     "enum { Anon = 3 };\n"
                                     "struct S { enum Inner { I1 }; int field; };\n"
                                     "extern \"C\" { int plain; }\n"
                                     "N::Colour variable;\n"));
        const Document::Ptr doc = parser.document();
        QVERIFY(doc);
        QVERIFY2(doc->diagnosticMessages().isEmpty(), qPrintable(doc->diagnosticMessages().join('\n')));

        const QList<Macro> macros = doc->definedMacros();
        QCOMPARE(macros.size(), 2);
        QCOMPARE(macros.at(0).name(), QByteArray("LIMIT"));
        QVERIFY(!macros.at(0).isFunctionLike());
        QCOMPARE(macros.at(1).name(), QByteArray("SQUARE"));
        QVERIFY(macros.at(1).isFunctionLike());

        QCOMPARE(memberNames(doc->globalNamespace()),
                 (QByteArrayList{"N", "<anonymous>", "S", "plain", "variable"}));
        Symbol *n = doc->globalSymbolAt(0);
        QVERIFY(n->isNamespace());
        QCOMPARE(memberNames(n->asScope()), (QByteArrayList{"Colour", "Mode"}));
        Enum *colour = n->asScope()->memberAt(0)->asEnum();
        QVERIFY(colour && !colour->isScoped());
        QVERIFY(n->asScope()->memberAt(1)->asEnum()->isScoped());
        QCOMPARE(memberNames(colour), (QByteArrayList{"Red", "Green"}));
        Symbol *red = colour->memberAt(0);
        QVERIFY(red->isDeclaration());
        QCOMPARE(red->line(), 3);
        QCOMPARE(red->column(), 29);
        QCOMPARE(red->enclosingScope(), colour);
        QCOMPARE(colour->enclosingScope(), n->asScope());
        QCOMPARE(n->enclosingScope(), doc->globalNamespace());
        QVERIFY(!doc->globalNamespace()->enclosingScope());

        QVERIFY(doc->globalSymbolAt(1)->isEnum());
        QVERIFY(!doc->globalSymbolAt(1)->name());
        QVERIFY(doc->globalSymbolAt(2)->isClass());
        QCOMPARE(memberNames(doc->globalSymbolAt(2)->asScope()), (QByteArrayList{"Inner", "field"}));
        QVERIFY(doc->globalSymbolAt(4)->isDeclaration());

        // The last symbol at or before a position, through nested scopes.
        QCOMPARE(doc->lastVisibleSymbolAt(3, 29), red);
        QCOMPARE(doc->lastVisibleSymbolAt(3, 28), colour);
        QCOMPARE(nameOf(doc->lastVisibleSymbolAt(5, 100)), QByteArray("field"));
        QVERIFY(!doc->lastVisibleSymbolAt(1, 1));
    }

    void parseIsReportedFromTheEventLoopAndKeepsErrors()
    {
        CppTools::BuiltinEditorDocumentParser parser(QStringLiteral("/tmp/korvan_codemodel_b.cpp"));
        QSignalSpy finished(&parser, &CppTools::BuiltinEditorDocumentParser::finished);
        parser.update(QStringLiteral("enum E { A = 1, B = undeclared };\nint x = ;\n"));
        QCOMPARE(finished.count(), 0);
        QVERIFY(finished.wait(5000));
        const Document::Ptr doc = finished.first().at(0).value<Document::Ptr>();
        QCOMPARE(doc, parser.document());
        QVERIFY(finished.first().at(1).value<Snapshot>().contains(parser.filePath()));
        // A broken text still gives its symbols, and says what is wrong.
        QCOMPARE(memberNames(doc->globalSymbolAt(0)->asScope()), (QByteArrayList{"A", "B"}));
        QCOMPARE(doc->diagnosticMessages().size(), 2);
        QVERIFY(doc->diagnosticMessages().at(0).contains("undeclared"));
        QVERIFY(doc->diagnosticMessages().at(1).contains(":2:"));
    }

    void followsATypeIntoTheQtHeaders()
    {
        CppTools::BuiltinEditorDocumentParser parser(QStringLiteral("/tmp/korvan_codemodel_c.cpp"));
        CppTools::BaseEditorDocumentParser::Configuration configuration = parser.configuration();
        configuration.manuallySetProjectPart = qtPart();
        parser.setConfiguration(configuration);
        parser.update(QStringLiteral("#include <Qt>\nQt::AlignmentFlag f;\n"));
        QVERIFY2(parser.document()->diagnosticMessages().isEmpty(),
                 qPrintable(parser.document()->diagnosticMessages().join('\n')));

        // On "AlignmentFlag" (line 2, column 5): its definition in qnamespace.h.
        const Utils::Link link = parser.findLinkAt(2, 5);
        QVERIFY(link.hasValidTarget());
        QCOMPARE(QFileInfo(link.targetFileName).fileName(), QStringLiteral("qnamespace.h"));
        QVERIFY(parser.includesFile(link.targetFileName));
        // Nothing refers to anything on the blank or the semicolon.
        QVERIFY(!parser.findLinkAt(2, 20).hasValidTarget());
        QVERIFY(!parser.findLinkAt(0, 1).hasValidTarget());

        const Document::Ptr header = CppTools::CppModelManager::instance()->document(link.targetFileName);
        QVERIFY(header);
        Symbol *type = header->lastVisibleSymbolAt(link.targetLine, link.targetColumn + 1);
        QVERIFY(type && type->isEnum());
        QCOMPARE(nameOf(type), QByteArray("AlignmentFlag"));
        QCOMPARE(nameOf(type->enclosingScope()), QByteArray("Qt"));
        const QByteArrayList members = memberNames(type->asScope());
        QCOMPARE(members.first(), QByteArray("AlignLeft"));
        QVERIFY(members.contains("AlignVertical_Mask"));
        // The editor's own document, and no document for files nobody read.
        QCOMPARE(CppTools::CppModelManager::instance()->document(parser.filePath()), parser.document());
        QVERIFY(!CppTools::CppModelManager::instance()->document(QStringLiteral("/no/such/file.h")));
    }

    void linksGoToTheDefinition()
    {
        CppTools::BuiltinEditorDocumentParser parser(QStringLiteral("/tmp/korvan_codemodel_e.cpp"));
        parser.update(QStringLiteral("enum class Mode : int;\nMode m;\nenum class Mode : int { A, B };\n"));
        const Utils::Link link = parser.findLinkAt(2, 1);
        QCOMPARE(link.targetFileName, parser.filePath());
        QCOMPARE(link.targetLine, 3);
        QCOMPARE(link.targetColumn, 11);
        // A use of a variable: past its declaration, to where it is defined.
        parser.update(QStringLiteral("extern int v;\nint w = v;\nint v = 3;\n"));
        const Utils::Link variable = parser.findLinkAt(2, 9);
        QCOMPARE(variable.targetLine, 3);
        QCOMPARE(variable.targetColumn, 4);
    }

    void cppEditorsParseAsTheUserTypes()
    {
        const auto editorFor = [](const char *mimeType) {
            const QList<Core::IEditorFactory *> factories = Core::EditorManager::editorFactories(
                Utils::MimeDatabase().mimeTypeForName(QLatin1String(mimeType)), true);
            return factories.isEmpty() ? nullptr
                                       : qobject_cast<TextEditor::BaseTextEditor *>(factories.last()->createEditor());
        };
        std::unique_ptr<TextEditor::BaseTextEditor> plain(editorFor("text/plain"));
        QVERIFY(plain);
        QVERIFY(!CppTools::BuiltinEditorDocumentProcessor::get(plain->textDocument()));
        QVERIFY(!plain->editorWidget()->findLinkAt(QTextCursor(plain->textDocument()->document())).hasValidTarget());

        std::unique_ptr<TextEditor::BaseTextEditor> editor(editorFor("text/x-c++src"));
        QVERIFY(editor);
        editor->document()->setFilePath(QStringLiteral("/tmp/korvan_codemodel_editor.cpp"));
        auto *processor = CppTools::BuiltinEditorDocumentProcessor::get(editor->textDocument());
        QVERIFY(processor);
        CppTools::BuiltinEditorDocumentParser *parser = processor->parser();
        QCOMPARE(parser->filePath(), editor->document()->filePath());
        QSignalSpy finished(parser, &CppTools::BuiltinEditorDocumentParser::finished);

        // Several changes in a row give one parse, of the last text.
        editor->textDocument()->setPlainText(QStringLiteral("enum E { A };"));
        editor->textDocument()->setPlainText(QStringLiteral("enum E { A, B };\nE e;\n"));
        QVERIFY(finished.wait(5000));
        QTest::qWait(2 * CppTools::BuiltinEditorDocumentProcessor::reparseDelay);
        QCOMPARE(finished.count(), 1);
        Document::Ptr document = finished.first().at(0).value<Document::Ptr>();
        QCOMPARE(memberNames(document->globalSymbolAt(0)->asScope()), (QByteArrayList{"A", "B"}));

        // The widget follows the symbol under a cursor (block and position
        // in block are 0-based) to its declaration.
        QTextCursor cursor(editor->textDocument()->document()->findBlockByNumber(1));
        const Utils::Link link = editor->editorWidget()->findLinkAt(cursor);
        QCOMPARE(link.targetFileName, editor->document()->filePath());
        QCOMPARE(link.targetLine, 1);
        QCOMPARE(link.targetColumn, 5);

        QVERIFY(!Icons::iconForType(Icons::EnumIconType).isNull());
        QVERIFY(Icons::iconForType(Icons::EnumIconType).cacheKey() != Icons::iconForType(Icons::ClassIconType).cacheKey());
    }

    void documentsGoWithTheirParser()
    {
        const QString name = QStringLiteral("/tmp/korvan_codemodel_d.cpp");
        {
            CppTools::BuiltinEditorDocumentParser parser(name);
            parser.update(QStringLiteral("int a;"));
            QVERIFY(CppTools::CppModelManager::instance()->document(name));
            QVERIFY(CppTools::CppModelManager::instance()->snapshot().contains(name));
        }
        QVERIFY(!CppTools::CppModelManager::instance()->document(name));
    }

    void defaultKitHasTheQtOfThisMachine()
    {
        ProjectExplorer::KitManager::restoreKits();
        ProjectExplorer::Kit *kit = ProjectExplorer::KitManager::defaultKit();
        QVERIFY(kit);
        QtSupport::BaseQtVersion *qt = QtSupport::QtKitInformation::qtVersion(kit);
        QVERIFY(qt);
        QVERIFY(QFileInfo::exists(qt->headerPath().toString() + QStringLiteral("/QtCore/qglobal.h")));
        QVERIFY(qt->displayName().contains(QStringLiteral(QT_VERSION_STR)));
        // Restoring again keeps what is there.
        ProjectExplorer::KitManager::restoreKits();
        QCOMPARE(ProjectExplorer::KitManager::kits().size(), 1);

        QVERIFY(!QtSupport::QtKitInformation::qtVersion(nullptr));
        auto other = std::make_unique<ProjectExplorer::Kit>(Core::Id("Other"));
        auto *version = new QtSupport::BaseQtVersion("Gone", Utils::FilePath::fromString("/nowhere"));
        QtSupport::QtVersionManager::addVersion(version);
        QVERIFY(version->uniqueId() != qt->uniqueId());
        QtSupport::QtKitInformation::setQtVersion(other.get(), version);
        ProjectExplorer::Kit *registered = ProjectExplorer::KitManager::registerKit(std::move(other));
        QCOMPARE(ProjectExplorer::KitManager::defaultKit(), kit); // the first kit stays the default
        QCOMPARE(QtSupport::QtKitInformation::qtVersion(registered), version);
        QtSupport::QtVersionManager::removeVersion(version);
        QVERIFY(!QtSupport::QtKitInformation::qtVersion(registered));
        ProjectExplorer::KitManager::setDefaultKit(registered);
        ProjectExplorer::KitManager::deregisterKit(registered);
        QVERIFY(!ProjectExplorer::KitManager::defaultKit());
        ProjectExplorer::KitManager::setDefaultKit(kit);
    }

    void sessionKnowsTheStartupProject()
    {
        QVERIFY(!ProjectExplorer::SessionManager::startupProject());
        auto *first = new ProjectExplorer::Project("first");
        auto *second = new ProjectExplorer::Project("second");
        first->setFiles({Utils::FilePath::fromString("/p/a.h")}, {Utils::FilePath::fromString("/p/moc_a.cpp")});
        QCOMPARE(first->files(ProjectExplorer::Project::SourceFiles).size(), 1);
        QCOMPARE(first->files(ProjectExplorer::Project::AllFiles).size(), 2);
        ProjectExplorer::SessionManager::addProject(first);
        ProjectExplorer::SessionManager::addProject(second);
        QCOMPARE(ProjectExplorer::SessionManager::startupProject(), first);
        ProjectExplorer::SessionManager::setStartupProject(second);
        ProjectExplorer::SessionManager::removeProject(second);
        QVERIFY(!ProjectExplorer::SessionManager::startupProject());
        ProjectExplorer::SessionManager::removeProject(first);
        QVERIFY(ProjectExplorer::SessionManager::projects().isEmpty());
    }

    void ansiSequencesBecomeFormats()
    {
        Utils::AnsiEscapeCodeHandler handler;
        const QList<Utils::FormattedText> chunks = handler.parseText(
            Utils::FormattedText("\x1b[01;31m\x1b[Kerror:\x1b[m\x1b[K see \x1b]8;;https://gcc.gnu.org\x07here\x1b]8;;\x07!"));
        QString text;
        for (const Utils::FormattedText &chunk : chunks)
            text += chunk.text;
        QCOMPARE(text, QStringLiteral("error: see here!"));
        QCOMPARE(chunks.first().text, QStringLiteral("error:"));
        QCOMPARE(chunks.first().format.fontWeight(), int(QFont::Bold));
        QCOMPARE(chunks.first().format.foreground().color(), QColor(Qt::darkRed));
        QVERIFY(chunks.at(1).format.fontWeight() != int(QFont::Bold));

        // A sequence cut between two calls is completed by the second.
        Utils::AnsiEscapeCodeHandler split;
        QCOMPARE(split.parseText(Utils::FormattedText("a\x1b[3")).first().text, QStringLiteral("a"));
        const QList<Utils::FormattedText> rest = split.parseText(Utils::FormattedText("2mb"));
        QCOMPARE(rest.size(), 1);
        QCOMPARE(rest.first().text, QStringLiteral("b"));
        QCOMPARE(rest.first().format.foreground().color(), QColor(Qt::darkGreen));
    }
};

QTEST_MAIN(TestCodeModel)
#include "tst_codemodel.moc"
