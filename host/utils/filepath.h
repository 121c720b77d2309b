#pragma once

// Stand-in for the IDE's file path value: a path text with a few queries.

#include <QList>
#include <QString>

namespace Utils {

class FilePath
{
public:
    FilePath() = default;
    static FilePath fromString(const QString &path)
    {
        FilePath p;
        p.m_path = path;
        return p;
    }
    QString toString() const { return m_path; }
    bool isEmpty() const { return m_path.isEmpty(); }
    bool operator==(const FilePath &other) const { return m_path == other.m_path; }
    bool operator!=(const FilePath &other) const { return m_path != other.m_path; }

private:
    QString m_path;
};

using FilePaths = QList<FilePath>;
// The name older host releases give the same value.
using FileName = FilePath;

// Target of a "follow symbol" request. The line is 1-based, the column
// 0-based, as the IDE's editors report them.
class Link
{
public:
    Link() = default;
    Link(const QString &fileName, int line, int column)
        : targetFileName(fileName), targetLine(line), targetColumn(column)
    {
    }
    bool hasValidTarget() const { return !targetFileName.isEmpty(); }

    QString targetFileName;
    int targetLine = 0;
    int targetColumn = 0;
};

} // namespace Utils
