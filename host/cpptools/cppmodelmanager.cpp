#include "cppmodelmanager.h"

#include "builtineditordocumentparser.h"

namespace CppTools {

CppModelManager *CppModelManager::instance()
{
    static CppModelManager manager;
    return &manager;
}

CPlusPlus::Document::Ptr CppModelManager::document(const QString &fileName) const
{
    for (const BuiltinEditorDocumentParser *parser : m_parsers) {
        const CPlusPlus::Document::Ptr own = parser->document();
        if (own && own->fileName() == fileName)
            return own;
    }
    for (const BuiltinEditorDocumentParser *parser : m_parsers) {
        if (parser->includesFile(fileName))
            return parser->documentOf(fileName);
    }
    return {};
}

CPlusPlus::Snapshot CppModelManager::snapshot() const
{
    CPlusPlus::Snapshot all;
    for (const BuiltinEditorDocumentParser *parser : m_parsers) {
        if (parser->document())
            all.insert(parser->document());
    }
    return all;
}

void CppModelManager::addParser(BuiltinEditorDocumentParser *parser)
{
    m_parsers.append(parser);
}

void CppModelManager::removeParser(BuiltinEditorDocumentParser *parser)
{
    m_parsers.removeAll(parser);
}

} // namespace CppTools
