#include "textmark.h"

#include <QFileInfo>

namespace TextEditor {

namespace {
QList<TextMark *> &liveMarks()
{
    static QList<TextMark *> marks;
    return marks;
}
} // namespace

TextMark::TextMark(const QString &fileName, int lineNumber, Core::Id category)
    : m_fileName(QFileInfo(fileName).absoluteFilePath())
    , m_lineNumber(lineNumber)
    , m_category(category)
{
    liveMarks().append(this);
}

TextMark::~TextMark()
{
    liveMarks().removeOne(this);
}

QList<TextMark *> TextMark::marksOf(const QString &fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    QList<TextMark *> marks;
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
