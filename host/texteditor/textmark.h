#pragma once

// Stand-in for the IDE's text mark: an icon in the margin of a file's
// editors at one line, living until it is deleted.

#include <coreplugin/id.h>

#include <QIcon>
#include <QList>
#include <QString>

namespace TextEditor {

class TextMark
{
public:
    TextMark(const QString &fileName, int lineNumber, Core::Id category);
    virtual ~TextMark();

    TextMark(const TextMark &) = delete;
    TextMark &operator=(const TextMark &) = delete;

    QString fileName() const { return m_fileName; }
    int lineNumber() const { return m_lineNumber; }
    Core::Id category() const { return m_category; }

    void setIcon(const QIcon &icon) { m_icon = icon; }
    QIcon icon() const { return m_icon; }
    void setPriority(int priority) { m_priority = priority; }
    int priority() const { return m_priority; }

    // The live marks of a file (absolute path), in creation order.
    static QList<TextMark *> marksOf(const QString &fileName);
    static int liveMarkCount();

private:
    QString m_fileName;
    int m_lineNumber;
    Core::Id m_category;
    QIcon m_icon;
    int m_priority = 1;
};

} // namespace TextEditor
