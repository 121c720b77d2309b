#include "textdocument.h"

#include "textmark.h"

#include <QPlainTextDocumentLayout>
#include <QTextDocument>

namespace TextEditor {

TextDocument::TextDocument(QObject *parent)
    : Core::IDocument(parent)
    , m_document(new QTextDocument(this))
{
    m_document->setDocumentLayout(new QPlainTextDocumentLayout(m_document));
    connect(m_document, &QTextDocument::contentsChanged, this, &Core::IDocument::contentsChanged);
}

TextDocument::~TextDocument()
{
    // Marks outlive the document as plain objects of their owners.
    for (TextMark *mark : qAsConst(m_marks))
        mark->m_document = nullptr;
}

QString TextDocument::plainText() const
{
    return m_document->toPlainText();
}

void TextDocument::setPlainText(const QString &text)
{
    m_document->setPlainText(text);
}

bool TextDocument::addMark(TextMark *mark)
{
    if (!mark || mark->m_document)
        return false;
    mark->m_document = this;
    m_marks.append(mark);
    emit marksChanged();
    return true;
}

void TextDocument::removeMark(TextMark *mark)
{
    if (!mark || mark->m_document != this)
        return;
    mark->m_document = nullptr;
    m_marks.removeOne(mark);
    emit marksChanged();
}

} // namespace TextEditor
