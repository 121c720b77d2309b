#pragma once

// Stand-in for the IDE core that the plug-in lives in. Only what the plug-in
// calls is here; the real IDE provides much more.

#include <QObject>
#include <QSettings>

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
    // Opens the options dialog on a page; the stand-in only records the request.
    static bool showOptionsDialog(const QByteArray &pageId, QWidget *parent = nullptr);
    static QByteArray lastOptionsPageRequested();

signals:
    void optionsDialogRequested();
    void saveSettingsRequested();

private:
    ICore() = default;
};

} // namespace Core
