#pragma once

// Stand-in for the IDE core that the plug-in lives in. Only what the plug-in
// calls is here; the real IDE provides much more.

#include <QObject>
#include <QSettings>

#include <functional>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace Core {

class ICore : public QObject
{
    Q_OBJECT
public:
    static ICore *instance();

    // The IDE's settings (INI format, user scope). Tests point it at a
    // temporary file with setSettingsFile() before the first use.
    static QSettings *settings(QSettings::Scope scope = QSettings::UserScope);
    static void setSettingsFile(const QString &fileName);
    static QString settingsFile();

    static QWidget *mainWindow();
    static void setMainWindow(QWidget *window);

    // Emits saveSettingsRequested() and then writes the settings to disk.
    static void saveSettings();
    // Emits optionsDialogRequested(), then opens the options dialog on a
    // page through the installed handler (the host window's dialog, which
    // runs its own event loop); without a handler the request is only
    // recorded.
    static bool showOptionsDialog(const QByteArray &pageId, QWidget *parent = nullptr);
    static QByteArray lastOptionsPageRequested();
    using OptionsDialogHandler = std::function<bool(const QByteArray &pageId, QWidget *parent)>;
    static void setOptionsDialogHandler(const OptionsDialogHandler &handler);

signals:
    void optionsDialogRequested();
    void saveSettingsRequested();

private:
    ICore() = default;
};

} // namespace Core
