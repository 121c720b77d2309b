#pragma once

#include <extensionsystem/iplugin.h>

#include "configuration/pythoncode.h"
#include "editor/korvandebuggeroptions.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

namespace KorvanDebugger {
namespace Internal {

class KorvanDebuggerPlugin : public ExtensionSystem::IPlugin
{
    Q_OBJECT
public:
    KorvanDebuggerPlugin();
    ~KorvanDebuggerPlugin() override;

    // The one plug-in object of the process, or null.
    static KorvanDebuggerPlugin *instance();

    // The stored "Debugger/PrettyPrinters" document, shared with the options
    // page; null when there is no plug-in object.
    static QSharedPointer<QJsonObject> getConfiguration();
    QSharedPointer<QJsonObject> customConfiguration() const { return m_customPrettyPrinters; }

    // The type a reported typedef stands for (one lookup, no chains).
    QString resolveTypedef(const QString &name) const;
    void setTypedef(const QString &name, const QString &target) { m_typedefMap.insert(name, target); }
    void clearTypedefs() { m_typedefMap.clear(); }
    const QMap<QString, QString> &typedefMap() const { return m_typedefMap; }

    // The enabled class definition that serves a type, from the stored
    // document or from the class list open on the options page.
    QJsonObject findStoredClassDefinition(const QString &typeName) const;
    QJsonObject findEditedClassDefinition(const QString &typeName) const;
    static bool checkStoredClassDefinition(const QString &typeName);
    static bool checkEditedClassDefinition(const QString &typeName);

    // The Python of every enabled class model of the stored document; starts
    // a new generation (the previous one's names become pending deletions).
    Configuration::PythonCode generateAllClassModels() const;

    KorvanDebuggerOptions *optionsPage() const { return m_optionsPage; }

    bool initialize(const QStringList &arguments, QString *errorString) override;
    void extensionsInitialized() override;

public slots:
    // The bytes of a resource of the plug-in, uncompressed; empty when there
    // is no such resource.
    static QByteArray getResourceCode(const char *name);
    // The same, up to the first zero byte, as Latin-1 text.
    static QString getResourceCodeAsQstring(const char *name);

private:
    QPointer<KorvanDebuggerOptions> m_optionsPage;
    QMap<QString, QString> m_typedefMap;
    QSharedPointer<QJsonObject> m_prettyPrinters;
    QSharedPointer<QJsonObject> m_customPrettyPrinters;
};

} // namespace Internal
} // namespace KorvanDebugger
