#include "textmark.h"

#include "textdocument.h"

namespace TextEditor {

TextMark::TextMark(const QString &fileName, int lineNumber, const Core::Id &category)
    : m_fileName(fileName), m_lineNumber(lineNumber), m_category(category)
{
}

TextMark::~TextMark()
{
    if (m_document)
        m_document->removeMark(this);
}

void TextMark::setIcon(const QIcon &icon)
{
    m_icon = icon;
    updateDocument();
}

void TextMark::move(int line)
{
    if (line == m_lineNumber)
        return;
    m_lineNumber = line;
    updateDocument();
}

void TextMark::updateDocument() const
{
    if (m_document)
        emit m_document->marksChanged();
}

} // namespace TextEditor
