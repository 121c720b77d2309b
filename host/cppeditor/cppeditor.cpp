#include "cppeditor.h"

#include <cpptools/builtineditordocumentprocessor.h>

#include <QTextBlock>

namespace CppEditor {

Utils::Link CppEditorWidget::findLinkAt(const QTextCursor &cursor, bool resolveTarget) const
{
    Q_UNUSED(resolveTarget) // the parser always resolves to the definition when it sees one
    auto *processor = CppTools::BuiltinEditorDocumentProcessor::get(textDocument());
    if (!processor || !processor->parser()->document())
        return Utils::Link();
    return processor->parser()->findLinkAt(cursor.blockNumber() + 1, cursor.positionInBlock() + 1);
}

Core::IEditor *CppEditorFactory::createEditor()
{
    auto *editor = new TextEditor::BaseTextEditor(mimeTypes().constFirst(), new CppEditorWidget);
    new CppTools::BuiltinEditorDocumentProcessor(editor->textDocument());
    return editor;
}

} // namespace CppEditor
