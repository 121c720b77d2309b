#pragma once

// Stand-ins for the IDE's projects and session: the open projects, their
// files, and the startup project.

#include <utils/filepath.h>

#include <QObject>

#include <memory>
#include <vector>

namespace ProjectExplorer {

class Project : public QObject
{
    Q_OBJECT
public:
    enum FilesMode { SourceFiles = 0x1, GeneratedFiles = 0x2, AllFiles = SourceFiles | GeneratedFiles };

    explicit Project(const QString &displayName, const Utils::FilePath &projectFilePath = Utils::FilePath());

    QString displayName() const { return m_displayName; }
    Utils::FilePath projectFilePath() const { return m_projectFilePath; }

    Utils::FilePaths files(FilesMode mode) const;
    void setFiles(const Utils::FilePaths &sourceFiles, const Utils::FilePaths &generatedFiles = {});

signals:
    void fileListChanged();

private:
    QString m_displayName;
    Utils::FilePath m_projectFilePath;
    Utils::FilePaths m_sourceFiles;
    Utils::FilePaths m_generatedFiles;
};

class SessionManager : public QObject
{
    Q_OBJECT
public:
    static SessionManager *instance();

    // Takes ownership.
    static void addProject(Project *project);
    static void removeProject(Project *project);
    static QList<Project *> projects();
    static Project *startupProject();
    static void setStartupProject(Project *project);

signals:
    void startupProjectChanged(ProjectExplorer::Project *project);

private:
    SessionManager() = default;
    std::vector<std::unique_ptr<Project>> m_projects;
    Project *m_startupProject = nullptr;
};

} // namespace ProjectExplorer
