#pragma once

// What every test needs around the code under test: settings and model files
// in a fresh temporary folder, a clean generation state, and a record of the
// messages written through the Qt message logger.

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Writes the debug-mode setting and reloads it the way the options page does.
    static void setDebugMode(bool enabled);

private:
    QTemporaryDir m_dir;
};

struct LoggedMessage
{
    QtMsgType type;
    QString category;
    QString text;
};

// Collects the messages written while it lives (they are not printed).
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    QList<LoggedMessage> messages;
    QStringList texts(QtMsgType type) const;

private:
    QtMessageHandler m_previous;
};
