#pragma once

#include <extensionsystem/iplugin.h>

#include <QByteArray>
#include <QJsonObject>
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

    bool initialize(const QStringList &arguments, QString *errorString) override;
    void extensionsInitialized() override;

public slots:
    // The bytes of a resource of the plug-in, uncompressed; empty when there
    // is no such resource.
    static QByteArray getResourceCode(const char *name);
    // The same, up to the first zero byte, as Latin-1 text.
    static QString getResourceCodeAsQstring(const char *name);

private:
    QSharedPointer<QJsonObject> m_prettyPrinters;
    QSharedPointer<QJsonObject> m_customPrettyPrinters;
};

} // namespace Internal
} // namespace KorvanDebugger
