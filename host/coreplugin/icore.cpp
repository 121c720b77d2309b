#include "icore.h"

#include <QPointer>
#include <QStandardPaths>
#include <QWidget>

#include <memory>

namespace Core {

namespace {
struct CoreState
{
    std::unique_ptr<QSettings> settings;
    QString settingsFile;
    QPointer<QWidget> mainWindow;
    QByteArray lastOptionsPage;
    ICore::OptionsDialogHandler optionsDialog;
};

CoreState &state()
{
    static CoreState s;
    return s;
}
} // namespace

ICore *ICore::instance()
{
    static ICore *core = new ICore;
    return core;
}

QSettings *ICore::settings(QSettings::Scope scope)
{
    Q_UNUSED(scope)
    CoreState &s = state();
    if (!s.settings) {
        if (s.settingsFile.isEmpty())
            s.settings.reset(new QSettings(QSettings::IniFormat, QSettings::UserScope,
                                           QStringLiteral("KorvanHost"), QStringLiteral("Host")));
        else
            s.settings.reset(new QSettings(s.settingsFile, QSettings::IniFormat));
    }
    return s.settings.get();
}

void ICore::setSettingsFile(const QString &fileName)
{
    CoreState &s = state();
    if (s.settings)
        s.settings->sync();
    s.settings.reset();
    s.settingsFile = fileName;
}

QString ICore::settingsFile()
{
    return settings()->fileName();
}

QWidget *ICore::mainWindow()
{
    return state().mainWindow;
}

void ICore::setMainWindow(QWidget *window)
{
    state().mainWindow = window;
}

void ICore::saveSettings()
{
    emit instance()->saveSettingsRequested();
    settings()->sync();
}

bool ICore::showOptionsDialog(const QByteArray &pageId, QWidget *parent)
{
    Q_UNUSED(parent)
    state().lastOptionsPage = pageId;
    emit instance()->optionsDialogRequested();
    const OptionsDialogHandler handler = state().optionsDialog;
    return handler ? handler(pageId, parent) : true;
}

void ICore::setOptionsDialogHandler(const OptionsDialogHandler &handler)
{
    state().optionsDialog = handler;
}

QByteArray ICore::lastOptionsPageRequested()
{
    return state().lastOptionsPage;
}

} // namespace Core
