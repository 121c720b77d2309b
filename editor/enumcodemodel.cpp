#include "enumcodemodel.h"

#include <cpptools/baseeditordocumentparser.h>
#include <projectexplorer/kit.h>
#include <projectexplorer/session.h>
#include <qtsupport/baseqtversion.h>
#include <qtsupport/qtkitinformation.h>

#include <QDir>
#include <QFileInfo>

namespace KorvanDebugger {
namespace Configuration {

namespace {

// The include folders, each given to `format` ("%1" is the path).
QStringList includeList(const QString &format)
{
    QStringList list;
    if (const QtSupport::BaseQtVersion *qt = QtSupport::QtKitInformation::qtVersion(
            ProjectExplorer::KitManager::defaultKit())) {
        const QString headers = qt->headerPath().toString();
        const QStringList entries = QDir(headers).entryList(QDir::Dirs | QDir::NoDotDot, QDir::Name | QDir::IgnoreCase);
        for (const QString &entry : entries)
            list.append(format.arg(headers + QLatin1Char('/') + entry));
        if (entries.isEmpty())
            list.append(format.arg(headers + QLatin1Char('/')));
    }
    if (const ProjectExplorer::Project *project = ProjectExplorer::SessionManager::startupProject()) {
        QStringList folders;
        for (const Utils::FilePath &file : project->files(ProjectExplorer::Project::SourceFiles)) {
            const QFileInfo info(file.toString());
            if (!info.suffix().contains(QLatin1Char('h')))
                continue;
            // A header missing on disk has no folder to search (and an
            // empty "-I" would swallow the next compiler argument).
            if (!info.exists())
                continue;
            const QString folder = info.canonicalPath();
            if (!folder.isEmpty() && !folders.contains(folder))
                folders.append(folder);
        }
        for (const QString &folder : qAsConst(folders))
            list.append(format.arg(folder));
    }
    return list;
}

} // namespace

QStringList enumIncludeDirectories()
{
    return includeList(QStringLiteral("%1"));
}

QStringList enumIncludeOptions()
{
    return includeList(QStringLiteral("-I%1"));
}

void configureEnumParser(CppTools::BaseEditorDocumentParser *parser)
{
    if (!parser)
        return;
    CppTools::BaseEditorDocumentParser::Configuration configuration = parser->configuration();
    if (configuration.manuallySetProjectPart)
        return;
    CppTools::ProjectPart::Ptr part(new CppTools::ProjectPart);
    for (const QString &folder : enumIncludeDirectories())
        part->headerPaths.append(CppTools::ProjectPartHeaderPath(folder, CppTools::ProjectPartHeaderPath::IncludePath));
    configuration.manuallySetProjectPart = part;
    parser->setConfiguration(configuration);
}

} // namespace Configuration
} // namespace KorvanDebugger
