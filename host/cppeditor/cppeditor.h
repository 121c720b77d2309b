#pragma once

// Stand-in for the IDE's C and C++ editors: a text editor whose document is
// parsed by the built-in C++ parser and whose widget follows symbols.

#include <texteditor/texteditor.h>

namespace CppEditor {

class CppEditorWidget : public TextEditor::TextEditorWidget
{
    Q_OBJECT
public:
    using TextEditor::TextEditorWidget::TextEditorWidget;

    // The declaration that the symbol at the cursor refers to, from the
    // document's last parse; no target before the first parse.
    Utils::Link findLinkAt(const QTextCursor &cursor, bool resolveTarget = true) const override;
};

class CppEditorFactory : public TextEditor::TextEditorFactory
{
    Q_OBJECT
public:
    using TextEditor::TextEditorFactory::TextEditorFactory;
    Core::IEditor *createEditor() override;
};

} // namespace CppEditor
