#include "builtineditordocumentprocessor.h"

#include <texteditor/textdocument.h>

namespace CppTools {

BuiltinEditorDocumentProcessor::BuiltinEditorDocumentProcessor(TextEditor::TextDocument *document)
    : QObject(document)
    , m_document(document)
{
    m_reparse.setSingleShot(true);
    m_reparse.setInterval(reparseDelay);
    connect(&m_reparse, &QTimer::timeout, this, &BuiltinEditorDocumentProcessor::run);
    connect(document, &Core::IDocument::contentsChanged, &m_reparse, QOverload<>::of(&QTimer::start));
}

BuiltinEditorDocumentProcessor::~BuiltinEditorDocumentProcessor() = default;

BuiltinEditorDocumentProcessor *BuiltinEditorDocumentProcessor::get(const TextEditor::TextDocument *document)
{
    return document ? document->findChild<BuiltinEditorDocumentProcessor *>(QString(), Qt::FindDirectChildrenOnly)
                    : nullptr;
}

BuiltinEditorDocumentParser *BuiltinEditorDocumentProcessor::parser()
{
    if (!m_parser)
        m_parser = new BuiltinEditorDocumentParser(m_document->filePath(), this);
    return m_parser;
}

void BuiltinEditorDocumentProcessor::run()
{
    m_reparse.stop();
    parser()->update(m_document->plainText());
}

} // namespace CppTools
