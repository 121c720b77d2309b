#pragma once

// Stand-in for the IDE's C++ processing of one editor document: the
// document's built-in parser, run again shortly after each change of the
// text, as the IDE re-parses a C++ editor while the user types.

#include "builtineditordocumentparser.h"

#include <QObject>
#include <QTimer>

namespace TextEditor {
class TextDocument;
}

namespace CppTools {

class BuiltinEditorDocumentProcessor : public QObject
{
    Q_OBJECT
public:
    // Becomes a child of the document and follows its text.
    explicit BuiltinEditorDocumentProcessor(TextEditor::TextDocument *document);
    ~BuiltinEditorDocumentProcessor() override;

    // The processor of a document, null when the document is no C++ one.
    static BuiltinEditorDocumentProcessor *get(const TextEditor::TextDocument *document);

    // Created on first use, for the file path the document has then.
    BuiltinEditorDocumentParser *parser();

    // Parses the current text now instead of after the typing pause.
    void run();

    // Pause after the last change before the text is parsed again.
    static constexpr int reparseDelay = 150;

private:
    TextEditor::TextDocument *m_document;
    BuiltinEditorDocumentParser *m_parser = nullptr;
    QTimer m_reparse;
};

} // namespace CppTools
