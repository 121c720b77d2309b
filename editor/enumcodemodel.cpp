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

// Marks a parser whose project part came from configureEnumParser.
const char ownPartProperty[] = "korvanEnumerationPart";

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

bool configureEnumParser(CppTools::BaseEditorDocumentParser *parser)
{
    if (!parser)
        return false;
    CppTools::BaseEditorDocumentParser::Configuration configuration = parser->configuration();
    // The part this function set follows the kit; one set by anybody else stays.
    if (configuration.manuallySetProjectPart && !parser->property(ownPartProperty).toBool())
        return false;
    CppTools::ProjectPartHeaderPaths paths;
    for (const QString &folder : enumIncludeDirectories())
        paths.append(CppTools::ProjectPartHeaderPath(folder, CppTools::ProjectPartHeaderPath::IncludePath));
    if (configuration.manuallySetProjectPart && configuration.manuallySetProjectPart->headerPaths == paths)
        return false;
    CppTools::ProjectPart::Ptr part(new CppTools::ProjectPart);
    part->headerPaths = paths;
    configuration.manuallySetProjectPart = part;
    parser->setConfiguration(configuration);
    parser->setProperty(ownPartProperty, true);
    return true;
}

} // namespace Configuration
} // namespace KorvanDebugger
