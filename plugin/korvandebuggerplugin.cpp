#include "korvandebuggerplugin.h"
#include "privateblock.h"

#include "configuration/document.h"
#include "configuration/accessorinputgenerator.h"
#include "configuration/keys.h"
#include "editor/configurationlist.h"
#include "editor/korvandebuggeroptions.h"
#include "netlist/netlisttypes.h"

#include <QLocale>
#include <QResource>

static void initKorvanResources()
{
    Q_INIT_RESOURCE(korvan);
}

namespace KorvanDebugger {
namespace Internal {

namespace {
KorvanDebuggerPlugin *theInstance = nullptr;
} // namespace

KorvanDebuggerPlugin::KorvanDebuggerPlugin()
    : m_prettyPrinters(new QJsonObject)
    , m_customPrettyPrinters(new QJsonObject)
{
    theInstance = this;
    // A failed load leaves the document empty; the failure was reported.
    if (!Configuration::loadConfigurationFile(*m_prettyPrinters, Configuration::Key::prettyPrintersDocument))
        *m_prettyPrinters = QJsonObject();
    if (!Configuration::loadConfigurationFile(*m_customPrettyPrinters,
                                              Configuration::Key::customPrettyPrintersDocument))
        *m_customPrettyPrinters = QJsonObject();
}

KorvanDebuggerPlugin::~KorvanDebuggerPlugin()
{
    if (theInstance == this)
        theInstance = nullptr;
}

KorvanDebuggerPlugin *KorvanDebuggerPlugin::instance()
{
    return theInstance;
}

QSharedPointer<QJsonObject> KorvanDebuggerPlugin::getConfiguration()
{
    return theInstance ? theInstance->m_prettyPrinters : QSharedPointer<QJsonObject>();
}

bool KorvanDebuggerPlugin::initialize(const QStringList &arguments, QString *errorString)
{
    Q_UNUSED(arguments)
    Q_UNUSED(errorString)
    registerBuiltinNetlistTypes();
    return true;
}

void KorvanDebuggerPlugin::extensionsInitialized()
{
}

QString KorvanDebuggerPlugin::resolveTypedef(const QString &name) const
{
    return m_typedefMap.value(name, name);
}

QJsonObject KorvanDebuggerPlugin::findStoredClassDefinition(const QString &typeName) const
{
    Configuration::ClassList list;
    list.setValue(*m_prettyPrinters, true);
    return list.classModel()->findClassForType(resolveTypedef(typeName));
}

QJsonObject KorvanDebuggerPlugin::findEditedClassDefinition(const QString &typeName) const
{
    Configuration::ClassList *list = m_optionsPage ? m_optionsPage->classList() : nullptr;
    if (!list)
        return QJsonObject();
    return list->classModel()->findClassForType(resolveTypedef(typeName));
}

namespace {
bool isContainerDefinition(const QJsonObject &definition)
{
    using namespace Configuration;
    AccessorInputGenerator feature(Key::feature, 0, 1);
    feature.setValue(definition, true);
    return feature.kind == AccessorKind::FeatureContainer;
}
} // namespace

bool KorvanDebuggerPlugin::checkStoredClassDefinition(const QString &typeName)
{
    return theInstance && isContainerDefinition(theInstance->findStoredClassDefinition(typeName));
}

bool KorvanDebuggerPlugin::checkEditedClassDefinition(const QString &typeName)
{
    return theInstance && isContainerDefinition(theInstance->findEditedClassDefinition(typeName));
}

Configuration::PythonCode KorvanDebuggerPlugin::generateAllClassModels() const
{
    return generateClassesCode(*m_prettyPrinters);
}

QByteArray KorvanDebuggerPlugin::getResourceCode(const char *name)
{
    static const bool initialised = (initKorvanResources(), true);
    Q_UNUSED(initialised)

    const QResource resource(QString::fromLatin1(name), QLocale());
    if (!resource.isValid() || !resource.data())
        return QByteArray();
    const auto data = reinterpret_cast<const uchar *>(resource.data());
    const int size = int(resource.size());
    if (resource.compressionAlgorithm() == QResource::ZlibCompression)
        return qUncompress(data, size);
    if (resource.compressionAlgorithm() != QResource::NoCompression)
        return QByteArray(); // a codec this build cannot read
    return QByteArray(reinterpret_cast<const char *>(data), size);
}

QString KorvanDebuggerPlugin::getResourceCodeAsQstring(const char *name)
{
    const QByteArray bytes = getResourceCode(name);
    const int end = bytes.indexOf('\0');
    return QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
}

} // namespace Internal
} // namespace KorvanDebugger
