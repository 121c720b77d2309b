#pragma once

// Stand-in for the IDE's text document: plain text held in a QTextDocument
// and the marks shown beside its lines.

#include <coreplugin/idocument.h>

#include <QList>

QT_BEGIN_NAMESPACE
class QTextDocument;
QT_END_NAMESPACE

namespace TextEditor {

class TextMark;

class TextDocument : public Core::IDocument
{
    Q_OBJECT
public:
    explicit TextDocument(QObject *parent = nullptr);
    ~TextDocument() override;

    QTextDocument *document() const { return m_document; }
    QString plainText() const;
    void setPlainText(const QString &text);

    // Reads the file as UTF-8 and shows the marks already made for it.
    bool open(const QString &fileName, QString *errorString) override;
    bool setContents(const QByteArray &contents) override;

    // The document does not own its marks; a mark that is deleted removes
    // itself. False when the mark is already in a document.
    bool addMark(TextMark *mark);
    void removeMark(TextMark *mark);
    QList<TextMark *> marks() const { return m_marks; }

signals:
    void marksChanged();

private:
    QTextDocument *m_document;
    QList<TextMark *> m_marks;
};

} // namespace TextEditor
