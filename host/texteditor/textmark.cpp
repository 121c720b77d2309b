#include "textmark.h"

#include "textdocument.h"

#include <coreplugin/editormanager.h>
#include <coreplugin/ieditor.h>

#include <QFileInfo>

namespace TextEditor {

namespace {

QList<TextMark *> &liveMarks()
{
    static QList<TextMark *> marks;
    return marks;
}

QString absolutePath(const QString &fileName)
{
    return fileName.isEmpty() ? fileName : QFileInfo(fileName).absoluteFilePath();
}

} // namespace

TextMark::TextMark(const QString &fileName, int lineNumber, const Core::Id &category)
    : m_fileName(absolutePath(fileName)), m_lineNumber(lineNumber), m_category(category)
{
    liveMarks().append(this);
    if (m_fileName.isEmpty())
        return;
    for (Core::IEditor *editor : Core::EditorManager::openedEditors()) {
        auto document = qobject_cast<TextDocument *>(editor->document());
        if (document && document->filePath() == m_fileName) {
            document->addMark(this);
            break;
        }
    }
}

TextMark::~TextMark()
{
    liveMarks().removeOne(this);
    if (m_document)
        m_document->removeMark(this);
}

void TextMark::setIcon(const QIcon &icon)
{
    m_icon = icon;
    updateDocument();
}

void TextMark::setPriority(int priority)
{
    m_priority = priority;
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

QList<TextMark *> TextMark::marksOf(const QString &fileName)
{
    const QString path = absolutePath(fileName);
    QList<TextMark *> marks;
    if (path.isEmpty())
        return marks;
    for (TextMark *mark : qAsConst(liveMarks()))
        if (mark->m_fileName == path)
            marks.append(mark);
    return marks;
}

int TextMark::liveMarkCount()
{
    return liveMarks().size();
}

} // namespace TextEditor
