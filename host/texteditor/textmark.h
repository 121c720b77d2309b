#pragma once

// Stand-in for the IDE's text mark: an icon in the margin of one line of a
// text document. A mark made for a file shows in that file's open document,
// and in the one opened later; a mark without a file name is added to a
// document by hand. A mark removes itself from its document when deleted.

#include <coreplugin/id.h>

#include <QIcon>
#include <QList>
#include <QString>

namespace TextEditor {

class TextDocument;

class TextMark
{
public:
    TextMark(const QString &fileName, int lineNumber, const Core::Id &category);
    virtual ~TextMark();

    TextMark(const TextMark &) = delete;
    TextMark &operator=(const TextMark &) = delete;

    // Absolute path, empty for a mark that is not tied to a file.
    QString fileName() const { return m_fileName; }
    // 1-based line of the document.
    int lineNumber() const { return m_lineNumber; }
    Core::Id category() const { return m_category; }
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon &icon);
    QString toolTip() const { return m_toolTip; }
    void setToolTip(const QString &toolTip) { m_toolTip = toolTip; }
    // Marks of a higher priority are drawn over those of a lower one.
    int priority() const { return m_priority; }
    void setPriority(int priority);

    // Puts the mark on another line of its document.
    void move(int line);

    TextDocument *baseTextDocument() const { return m_document; }

    // The live marks made for a file, in creation order.
    static QList<TextMark *> marksOf(const QString &fileName);
    static int liveMarkCount();

private:
    friend class TextDocument;
    void updateDocument() const;

    QString m_fileName;
    int m_lineNumber;
    Core::Id m_category;
    QIcon m_icon;
    QString m_toolTip;
    int m_priority = 1;
    TextDocument *m_document = nullptr;
};

} // namespace TextEditor
