#pragma once

// Stand-in for the IDE's project part: the compiler view of a group of files
// (here only its header search paths).

#include <QSharedPointer>
#include <QString>
#include <QVector>

namespace CppTools {

class ProjectPartHeaderPath
{
public:
    enum Type { InvalidPath, IncludePath, FrameworkPath };

    ProjectPartHeaderPath() = default;
    ProjectPartHeaderPath(const QString &p, Type t) : path(p), type(t) {}
    bool isValid() const { return type != InvalidPath; }
    bool operator==(const ProjectPartHeaderPath &other) const { return path == other.path && type == other.type; }

    QString path;
    Type type = InvalidPath;
};

using ProjectPartHeaderPaths = QVector<ProjectPartHeaderPath>;

class ProjectPart
{
public:
    using Ptr = QSharedPointer<ProjectPart>;

    ProjectPartHeaderPaths headerPaths;
};

} // namespace CppTools
