#pragma once

// Stand-in for the IDE's text editor: a plain-text editing widget with
// syntax highlighting (KSyntaxHighlighting, chosen by MIME type), a margin
// that shows the document's marks, and extra selections grouped by kind.

#include "textdocument.h"

#include <coreplugin/editormanager.h>
#include <coreplugin/id.h>
#include <coreplugin/ieditor.h>
#include <utils/filepath.h>

#include <QMap>
#include <QPlainTextEdit>
#include <QPointer>

namespace KSyntaxHighlighting {
class SyntaxHighlighter;
}

namespace TextEditor {

class TextEditorWidget : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextEditorWidget(QWidget *parent = nullptr);
    ~TextEditorWidget() override;

    // The widget shows the document but does not own it.
    void setTextDocument(TextDocument *document);
    TextDocument *textDocument() const { return m_document.data(); }

    // Highlighting of the MIME type's syntax; false when none is known.
    bool setMimeTypeHighlighting(const QString &mimeType);
    // The name of the syntax in use, empty without highlighting.
    QString highlightingName() const;

    // Each kind of selection (marks, search results, ...) is replaced on its
    // own; the widget shows all kinds together.
    void setExtraSelections(const Core::Id &kind, const QList<QTextEdit::ExtraSelection> &selections);
    QList<QTextEdit::ExtraSelection> extraSelections(const Core::Id &kind) const;

    // The kind of the line selections that show the document's marks.
    static Core::Id markSelectionKind();
    // The kind of the underlines that show compiler messages.
    static inline const Core::Id CodeWarningsSelection{"TextEditor.CodeWarningsSelection"};

    // "Follow symbol": where the symbol at the cursor is declared. Plain
    // text has no symbols; language editors override this.
    virtual Utils::Link findLinkAt(const QTextCursor &cursor, bool resolveTarget = true) const;
    int markMarginWidth() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class MarkMargin;
    void updateMarks();
    void paintMarks(QWidget *margin);

    QPointer<TextDocument> m_document;
    QMetaObject::Connection m_marksConnection;
    QWidget *m_margin;
    KSyntaxHighlighting::SyntaxHighlighter *m_highlighter = nullptr;
    QMap<QByteArray, QList<QTextEdit::ExtraSelection>> m_selections;
};

// An editor whose document is a TextDocument: it owns the document and the
// widget, unless the widget was handed to another owner first.
class BaseTextEditor : public Core::IEditor
{
    Q_OBJECT
public:
    // The editor shows its document in `widget` (a plain text editor
    // widget when null) and owns it.
    explicit BaseTextEditor(const QString &mimeType, TextEditorWidget *widget = nullptr);
    ~BaseTextEditor() override;

    Core::IDocument *document() const override { return m_document; }
    TextDocument *textDocument() const { return m_document; }
    TextEditorWidget *editorWidget() const;

    void gotoLine(int line, int column = 0, bool centerLine = true) override;
    int currentLine() const override;
    int currentColumn() const override;

private:
    TextDocument *m_document;
};

class TextEditorFactory : public Core::IEditorFactory
{
    Q_OBJECT
public:
    TextEditorFactory(const Core::Id &id, const QString &displayName, const QString &mimeType);
    Core::IEditor *createEditor() override;
};

// The IDE's own text editors: plain text, Python, C and C++.
void registerTextEditorFactories();

} // namespace TextEditor
