#include "testenvironment.h"

#include "configuration/keys.h"
#include "configuration/pythoncode.h"
#include "editor/korvandebuggeroptions.h"

#include <coreplugin/icore.h>

#include <QSettings>
#include <QSharedPointer>

TestEnvironment::TestEnvironment()
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
    Core::ICore::setSettingsFile(m_dir.filePath(QStringLiteral("host.ini")));
    KorvanDebugger::Configuration::Internal::resetEmissionState();
    setDebugMode(false);
}

TestEnvironment::~TestEnvironment()
{
    setDebugMode(false);
    Core::ICore::setSettingsFile(QString());
    KorvanDebugger::Configuration::Internal::resetEmissionState();
}

void TestEnvironment::setDebugMode(bool enabled)
{
    Core::ICore::settings()->setValue(KorvanDebugger::Configuration::Key::debugEnabledSetting,
                                      enabled ? int(Qt::Checked) : int(Qt::Unchecked));
    KorvanDebugger::Internal::KorvanDebuggerOptions page{QSharedPointer<QJsonObject>::create()};
}

namespace {
LogCapture *activeCapture = nullptr;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (activeCapture)
        activeCapture->messages.append({type, QString::fromLatin1(context.category), text});
}
} // namespace

LogCapture::LogCapture()
    : m_previous(qInstallMessageHandler(capture))
{
    activeCapture = this;
}

LogCapture::~LogCapture()
{
    activeCapture = nullptr;
    qInstallMessageHandler(m_previous);
}

QStringList LogCapture::texts(QtMsgType type) const
{
    QStringList out;
    for (const LoggedMessage &m : messages)
        if (m.type == type)
            out << m.text;
    return out;
}
