#pragma once

// Stand-in for the IDE's MIME database: the few text types the IDE has
// editors for, looked up by name.

#include <QString>
#include <QStringList>

namespace Utils {

class MimeType
{
public:
    MimeType() = default;
    MimeType(const QString &name, const QString &comment, const QStringList &suffixes)
        : m_name(name), m_comment(comment), m_suffixes(suffixes) {}

    bool isValid() const { return !m_name.isEmpty(); }
    QString name() const { return m_name; }
    QString comment() const { return m_comment; }
    QStringList suffixes() const { return m_suffixes; }
    bool inherits(const QString &name) const;

    bool operator==(const MimeType &other) const { return m_name == other.m_name; }
    bool operator!=(const MimeType &other) const { return m_name != other.m_name; }

private:
    QString m_name;
    QString m_comment;
    QStringList m_suffixes;
};

class MimeDatabase
{
public:
    // An invalid type for a name the database does not know.
    MimeType mimeTypeForName(const QString &name) const;
    // The type of a file by its suffix; invalid when none matches.
    MimeType mimeTypeForFile(const QString &fileName) const;
};

} // namespace Utils
