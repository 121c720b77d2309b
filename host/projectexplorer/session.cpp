#include "session.h"

namespace ProjectExplorer {

Project::Project(const QString &displayName, const Utils::FilePath &projectFilePath)
    : m_displayName(displayName), m_projectFilePath(projectFilePath)
{
}

Utils::FilePaths Project::files(FilesMode mode) const
{
    Utils::FilePaths result;
    if (mode & SourceFiles)
        result += m_sourceFiles;
    if (mode & GeneratedFiles)
        result += m_generatedFiles;
    return result;
}

void Project::setFiles(const Utils::FilePaths &sourceFiles, const Utils::FilePaths &generatedFiles)
{
    m_sourceFiles = sourceFiles;
    m_generatedFiles = generatedFiles;
    emit fileListChanged();
}

SessionManager *SessionManager::instance()
{
    static SessionManager manager;
    return &manager;
}

void SessionManager::addProject(Project *project)
{
    SessionManager *manager = instance();
    manager->m_projects.emplace_back(project);
    if (!manager->m_startupProject)
        setStartupProject(project);
}

void SessionManager::removeProject(Project *project)
{
    SessionManager *manager = instance();
    if (manager->m_startupProject == project)
        setStartupProject(nullptr);
    for (auto it = manager->m_projects.begin(); it != manager->m_projects.end(); ++it) {
        if (it->get() == project) {
            manager->m_projects.erase(it);
            break;
        }
    }
}

QList<Project *> SessionManager::projects()
{
    QList<Project *> result;
    for (const auto &project : instance()->m_projects)
        result.append(project.get());
    return result;
}

Project *SessionManager::startupProject()
{
    return instance()->m_startupProject;
}

void SessionManager::setStartupProject(Project *project)
{
    if (instance()->m_startupProject == project)
        return;
    instance()->m_startupProject = project;
    emit instance()->startupProjectChanged(project);
}

} // namespace ProjectExplorer
