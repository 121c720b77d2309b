#include "texteditor.h"

#include "textmark.h"

#include <cppeditor/cppeditor.h>

#include <KSyntaxHighlighting/Definition>
#include <KSyntaxHighlighting/Repository>
#include <KSyntaxHighlighting/SyntaxHighlighter>
#include <KSyntaxHighlighting/Theme>

#include <QPainter>
#include <QTextBlock>

#include <algorithm>

namespace TextEditor {

namespace {

KSyntaxHighlighting::Repository &repository()
{
    static KSyntaxHighlighting::Repository repository;
    return repository;
}

constexpr int markSize = 14;

} // namespace

class MarkMargin : public QWidget
{
public:
    explicit MarkMargin(TextEditorWidget *editor) : QWidget(editor), m_editor(editor) {}

protected:
    void paintEvent(QPaintEvent *) override { m_editor->paintMarks(this); }

private:
    TextEditorWidget *m_editor;
};

TextEditorWidget::TextEditorWidget(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_margin(new MarkMargin(this))
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setViewportMargins(markMarginWidth(), 0, 0, 0);
    connect(this, &QPlainTextEdit::updateRequest, m_margin, [this](const QRect &rect, int dy) {
        if (dy)
            m_margin->scroll(0, dy);
        else
            m_margin->update(0, rect.y(), m_margin->width(), rect.height());
    });
}

TextEditorWidget::~TextEditorWidget() = default;

int TextEditorWidget::markMarginWidth() const
{
    return markSize + 4;
}

void TextEditorWidget::setTextDocument(TextDocument *document)
{
    disconnect(m_marksConnection);
    m_document = document;
    if (!document)
        return;
    setDocument(document->document());
    m_marksConnection = connect(document, &TextDocument::marksChanged, this, &TextEditorWidget::updateMarks);
    updateMarks();
}

bool TextEditorWidget::setMimeTypeHighlighting(const QString &mimeType)
{
    const KSyntaxHighlighting::Definition definition = repository().definitionForMimeType(mimeType);
    if (!definition.isValid() || !m_document)
        return false;
    if (!m_highlighter)
        m_highlighter = new KSyntaxHighlighting::SyntaxHighlighter(m_document->document());
    m_highlighter->setTheme(repository().defaultTheme(KSyntaxHighlighting::Repository::LightTheme));
    m_highlighter->setDefinition(definition);
    m_highlighter->rehighlight();
    return true;
}

QString TextEditorWidget::highlightingName() const
{
    return m_highlighter ? m_highlighter->definition().name() : QString();
}

void TextEditorWidget::setExtraSelections(const Core::Id &kind, const QList<QTextEdit::ExtraSelection> &selections)
{
    if (selections.isEmpty())
        m_selections.remove(kind.name());
    else
        m_selections.insert(kind.name(), selections);
    QList<QTextEdit::ExtraSelection> all;
    for (const QList<QTextEdit::ExtraSelection> &list : qAsConst(m_selections))
        all += list;
    QPlainTextEdit::setExtraSelections(all);
}

QList<QTextEdit::ExtraSelection> TextEditorWidget::extraSelections(const Core::Id &kind) const
{
    return m_selections.value(kind.name());
}

Utils::Link TextEditorWidget::findLinkAt(const QTextCursor &, bool) const
{
    return Utils::Link();
}

Core::Id TextEditorWidget::markSelectionKind()
{
    return Core::Id("TextEditor.MarkSelections");
}

void TextEditorWidget::updateMarks()
{
    QList<QTextEdit::ExtraSelection> selections;
    if (m_document) {
        for (TextMark *mark : m_document->marks()) {
            const QTextBlock block = m_document->document()->findBlockByNumber(mark->lineNumber() - 1);
            if (!block.isValid())
                continue;
            QTextEdit::ExtraSelection selection;
            selection.cursor = QTextCursor(block);
            selection.format.setBackground(QColor(255, 224, 224));
            selection.format.setProperty(QTextFormat::FullWidthSelection, true);
            selections.append(selection);
        }
    }
    setExtraSelections(markSelectionKind(), selections);
    m_margin->update();
}

void TextEditorWidget::paintMarks(QWidget *margin)
{
    QPainter painter(margin);
    painter.fillRect(margin->rect(), palette().window());
    if (!m_document)
        return;
    QList<TextMark *> marks = m_document->marks();
    std::stable_sort(marks.begin(), marks.end(),
                     [](const TextMark *a, const TextMark *b) { return a->priority() < b->priority(); });
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
        if (box.top() > margin->height())
            break;
        for (TextMark *mark : marks) {
            if (mark->lineNumber() == block.blockNumber() + 1) {
                const int top = int(box.top() + (box.height() - markSize) / 2);
                mark->icon().paint(&painter, QRect(2, top, markSize, markSize));
            }
        }
    }
}

void TextEditorWidget::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    m_margin->setGeometry(area.left(), area.top(), markMarginWidth(), area.height());
}

BaseTextEditor::BaseTextEditor(const QString &mimeType, TextEditorWidget *widget)
    : m_document(new TextDocument(this))
{
    m_document->setMimeType(mimeType);
    if (!widget)
        widget = new TextEditorWidget;
    widget->setTextDocument(m_document);
    widget->setMimeTypeHighlighting(mimeType);
    setWidget(widget);
}

BaseTextEditor::~BaseTextEditor()
{
    // The widget shows the document, so it goes first.
    delete widget();
}

TextEditorWidget *BaseTextEditor::editorWidget() const
{
    return static_cast<TextEditorWidget *>(widget());
}

void BaseTextEditor::gotoLine(int line, int column, bool centerLine)
{
    TextEditorWidget *widget = editorWidget();
    if (!widget)
        return;
    QTextBlock block = m_document->document()->findBlockByNumber(qMax(0, line - 1));
    if (!block.isValid())
        block = m_document->document()->lastBlock();
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, qBound(0, column, block.length() - 1));
    widget->setTextCursor(cursor);
    if (centerLine)
        widget->centerCursor();
    else
        widget->ensureCursorVisible();
}

int BaseTextEditor::currentLine() const
{
    const TextEditorWidget *widget = editorWidget();
    return widget ? widget->textCursor().blockNumber() + 1 : 0;
}

int BaseTextEditor::currentColumn() const
{
    const TextEditorWidget *widget = editorWidget();
    return widget ? widget->textCursor().positionInBlock() : 0;
}

TextEditorFactory::TextEditorFactory(const Core::Id &id, const QString &displayName, const QString &mimeType)
    : Core::IEditorFactory(id, displayName, QStringList(mimeType))
{
}

Core::IEditor *TextEditorFactory::createEditor()
{
    return new BaseTextEditor(mimeTypes().constFirst());
}

void registerTextEditorFactories()
{
    const struct
    {
        const char *id;
        const char *name;
        const char *mimeType;
    } editors[] = {
        {"Core.PlainTextEditor", "Plain Text Editor", "text/plain"},
        {"PythonEditor.PythonEditor", "Python Editor", "text/x-python"},
        {"CppEditor.C", "C Editor", "text/x-csrc"},
        {"CppEditor.C++", "C++ Editor", "text/x-c++src"},
    };
    for (const auto &editor : editors) {
        const Core::Id id(editor.id);
        const QString name = QString::fromLatin1(editor.name);
        const QString mimeType = QString::fromLatin1(editor.mimeType);
        // The C and C++ editors come with the code model.
        if (QByteArray(editor.id).startsWith("CppEditor."))
            Core::EditorManager::addEditorFactory(new CppEditor::CppEditorFactory(id, name, mimeType));
        else
            Core::EditorManager::addEditorFactory(new TextEditorFactory(id, name, mimeType));
    }
}

} // namespace TextEditor
