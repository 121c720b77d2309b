#include "builtineditordocumentparser.h"

#include "cppmodelmanager.h"

#include <clang-c/Index.h>

#include <QHash>
#include <QTimer>

#include <vector>

namespace CppTools {

namespace {

QString takeString(CXString text)
{
    const QString result = QString::fromUtf8(clang_getCString(text));
    clang_disposeString(text);
    return result;
}

CXIndex sharedIndex()
{
    static const CXIndex index = clang_createIndex(0, 0);
    return index;
}

QString fileNameOf(CXFile file)
{
    return file ? takeString(clang_getFileName(file)) : QString();
}

// The spelling position of a cursor; false when it lies in another file.
bool positionIn(CXCursor cursor, const QString &fileName, int *line, int *column)
{
    CXFile file = nullptr;
    unsigned l = 0;
    unsigned c = 0;
    clang_getSpellingLocation(clang_getCursorLocation(cursor), &file, &l, &c, nullptr);
    if (fileNameOf(file) != fileName)
        return false;
    *line = int(l);
    *column = int(c);
    return true;
}

QByteArray nameOf(CXCursor cursor)
{
    if (clang_Cursor_isAnonymous(cursor))
        return QByteArray();
    const QString spelling = takeString(clang_getCursorSpelling(cursor));
    // Unnamed records and enumerations are spelled "(unnamed ...)" or "(anonymous ...)".
    if (spelling.startsWith(QLatin1Char('(')))
        return QByteArray();
    return spelling.toUtf8();
}

struct BuildContext
{
    QString fileName;
    CPlusPlus::Document *document;
    CPlusPlus::Scope *scope;
};

CXChildVisitResult addMember(CXCursor cursor, CXCursor, CXClientData data)
{
    auto *context = static_cast<BuildContext *>(data);
    const CXCursorKind kind = clang_getCursorKind(cursor);
    // extern "C" blocks (which older libclang reports as unexposed) are transparent.
    if (kind == CXCursor_LinkageSpec || kind == CXCursor_UnexposedDecl) {
        clang_visitChildren(cursor, addMember, data);
        return CXChildVisit_Continue;
    }
    int line = 0;
    int column = 0;
    if (!positionIn(cursor, context->fileName, &line, &column))
        return CXChildVisit_Continue;

    CPlusPlus::Scope *inner = nullptr;
    switch (kind) {
    case CXCursor_MacroDefinition:
        if (!clang_Cursor_isMacroBuiltin(cursor)) {
            context->document->appendMacro(
                CPlusPlus::Macro(nameOf(cursor), clang_Cursor_isMacroFunctionLike(cursor), line));
        }
        break;
    case CXCursor_Namespace:
        inner = new CPlusPlus::Namespace(nameOf(cursor), line, column);
        break;
    case CXCursor_StructDecl:
    case CXCursor_ClassDecl:
    case CXCursor_UnionDecl:
    case CXCursor_ClassTemplate:
        inner = new CPlusPlus::Class(nameOf(cursor), line, column);
        break;
    case CXCursor_EnumDecl:
        inner = new CPlusPlus::Enum(nameOf(cursor), line, column, clang_EnumDecl_isScoped(cursor));
        break;
    case CXCursor_EnumConstantDecl:
    case CXCursor_VarDecl:
    case CXCursor_FieldDecl:
        context->scope->addMember(new CPlusPlus::Declaration(nameOf(cursor), line, column));
        break;
    default:
        break;
    }
    if (inner) {
        context->scope->addMember(inner);
        BuildContext innerContext{context->fileName, context->document, inner};
        clang_visitChildren(cursor, addMember, &innerContext);
    }
    return CXChildVisit_Continue;
}

void collectInclusion(CXFile file, CXSourceLocation *, unsigned, CXClientData data)
{
    static_cast<QSet<QString> *>(data)->insert(fileNameOf(file));
}

} // namespace

class ClangTranslationUnit
{
public:
    ClangTranslationUnit(CXTranslationUnit unit) : tu(unit)
    {
        clang_getInclusions(tu, collectInclusion, &files);
    }
    ~ClangTranslationUnit() { clang_disposeTranslationUnit(tu); }

    CPlusPlus::Document::Ptr build(const QString &fileName) const
    {
        const auto cached = documents.constFind(fileName);
        if (cached != documents.constEnd())
            return *cached;
        CPlusPlus::Document::Ptr document = CPlusPlus::Document::create(fileName);
        BuildContext context{fileName, document.data(), document->globalNamespace()};
        clang_visitChildren(clang_getTranslationUnitCursor(tu), addMember, &context);
        documents.insert(fileName, document);
        return document;
    }

    CXTranslationUnit tu;
    QSet<QString> files;
    mutable QHash<QString, CPlusPlus::Document::Ptr> documents;
};

BuiltinEditorDocumentParser::BuiltinEditorDocumentParser(const QString &filePath, QObject *parent)
    : BaseEditorDocumentParser(filePath, parent)
{
    qRegisterMetaType<CPlusPlus::Document::Ptr>();
    qRegisterMetaType<CPlusPlus::Snapshot>();
    CppModelManager::instance()->addParser(this);
}

BuiltinEditorDocumentParser::~BuiltinEditorDocumentParser()
{
    CppModelManager::instance()->removeParser(this);
}

void BuiltinEditorDocumentParser::update(const QString &contents)
{
    std::vector<QByteArray> arguments{"-x", "c++", "-std=c++17"};
#ifdef KORVAN_CLANG_RESOURCE_DIR
    arguments.push_back("-resource-dir");
    arguments.push_back(KORVAN_CLANG_RESOURCE_DIR);
#endif
    if (const ProjectPart::Ptr part = configuration().manuallySetProjectPart) {
        for (const ProjectPartHeaderPath &path : qAsConst(part->headerPaths)) {
            if (path.type == ProjectPartHeaderPath::IncludePath)
                arguments.push_back("-I" + path.path.toLocal8Bit());
            else if (path.type == ProjectPartHeaderPath::FrameworkPath)
                arguments.push_back("-F" + path.path.toLocal8Bit());
        }
    }
    std::vector<const char *> argv;
    for (const QByteArray &a : arguments)
        argv.push_back(a.constData());

    const QByteArray name = filePath().toLocal8Bit();
    const QByteArray text = contents.toUtf8();
    CXUnsavedFile unsaved{name.constData(), text.constData(), (unsigned long)text.size()};
    CXTranslationUnit tu = nullptr;
    const unsigned options = CXTranslationUnit_DetailedPreprocessingRecord | CXTranslationUnit_SkipFunctionBodies
                             | CXTranslationUnit_KeepGoing;
    const CXErrorCode error = clang_parseTranslationUnit2(sharedIndex(), name.constData(), argv.data(),
                                                          int(argv.size()), &unsaved, 1, options, &tu);
    m_unit.reset();
    if (error == CXError_Success && tu) {
        m_unit.reset(new ClangTranslationUnit(tu));
        m_document = m_unit->build(filePath());
        for (unsigned i = 0, n = clang_getNumDiagnostics(tu); i < n; ++i) {
            CXDiagnostic diagnostic = clang_getDiagnostic(tu, i);
            if (clang_getDiagnosticSeverity(diagnostic) >= CXDiagnostic_Error) {
                m_document->addDiagnosticMessage(takeString(
                    clang_formatDiagnostic(diagnostic, CXDiagnostic_DisplaySourceLocation | CXDiagnostic_DisplayColumn)));
            }
            clang_disposeDiagnostic(diagnostic);
        }
    } else {
        // The text could not be parsed at all: an empty document says so.
        m_document = CPlusPlus::Document::create(filePath());
        m_document->addDiagnosticMessage(tr("The C++ parser could not read %1 (error %2).")
                                             .arg(filePath())
                                             .arg(int(error)));
    }
    m_snapshot = CPlusPlus::Snapshot();
    m_snapshot.insert(m_document);

    // Listeners expect the result from the event loop, as from a background parse.
    const CPlusPlus::Document::Ptr document = m_document;
    const CPlusPlus::Snapshot snapshot = m_snapshot;
    QTimer::singleShot(0, this, [this, document, snapshot] { emit finished(document, snapshot); });
}

Utils::Link BuiltinEditorDocumentParser::findLinkAt(int line, int column) const
{
    if (!m_unit || line < 1 || column < 1)
        return {};
    CXTranslationUnit tu = m_unit->tu;
    CXFile file = clang_getFile(tu, filePath().toLocal8Bit().constData());
    if (!file)
        return {};
    const CXCursor cursor = clang_getCursor(tu, clang_getLocation(tu, file, unsigned(line), unsigned(column)));
    CXCursor target = clang_getCursorReferenced(cursor);
    if (clang_Cursor_isNull(target))
        return {};
    const CXCursor definition = clang_getCursorDefinition(target);
    if (!clang_Cursor_isNull(definition))
        target = definition;
    CXFile targetFile = nullptr;
    unsigned targetLine = 0;
    unsigned targetColumn = 0;
    clang_getSpellingLocation(clang_getCursorLocation(target), &targetFile, &targetLine, &targetColumn, nullptr);
    if (!targetFile)
        return {};
    return Utils::Link(fileNameOf(targetFile), int(targetLine), int(targetColumn) - 1);
}

bool BuiltinEditorDocumentParser::includesFile(const QString &fileName) const
{
    return m_unit && m_unit->files.contains(fileName);
}

CPlusPlus::Document::Ptr BuiltinEditorDocumentParser::documentOf(const QString &fileName) const
{
    return includesFile(fileName) ? m_unit->build(fileName) : CPlusPlus::Document::Ptr();
}

} // namespace CppTools
