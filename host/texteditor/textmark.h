#pragma once

// Stand-in for the IDE's text mark: an icon in the margin of one line of a
// text document. A mark removes itself from its document when deleted.

#include <coreplugin/id.h>

#include <QIcon>
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

    QString fileName() const { return m_fileName; }
    // 1-based line of the document.
    int lineNumber() const { return m_lineNumber; }
    Core::Id category() const { return m_category; }
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon &icon);
    QString toolTip() const { return m_toolTip; }
    void setToolTip(const QString &toolTip) { m_toolTip = toolTip; }

    // Puts the mark on another line of its document.
    void move(int line);

    TextDocument *baseTextDocument() const { return m_document; }

private:
    friend class TextDocument;
    void updateDocument() const;

    QString m_fileName;
    int m_lineNumber;
    Core::Id m_category;
    QIcon m_icon;
    QString m_toolTip;
    TextDocument *m_document = nullptr;
};

} // namespace TextEditor
