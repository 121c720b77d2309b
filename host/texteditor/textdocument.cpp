#include "textdocument.h"

#include "textmark.h"

#include <QFile>
#include <QFileInfo>
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

bool TextDocument::open(const QString &fileName, QString *errorString)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (errorString)
            *errorString = tr("Cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    setPlainText(QString::fromUtf8(file.readAll()));
    setFilePath(path);
    for (TextMark *mark : TextMark::marksOf(path))
        addMark(mark);
    return true;
}

bool TextDocument::setContents(const QByteArray &contents)
{
    setPlainText(QString::fromUtf8(contents));
    return true;
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
