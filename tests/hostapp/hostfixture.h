#pragma once

// What the host tests share: the engine-test program compiled into a
// temporary folder, a look at whether a process still exists, and the
// actions of the host's commands.

#include <coreplugin/actionmanager.h>

#include <QAction>
#include <QString>
#include <QTemporaryDir>

class HostFixture
{
public:
    // Compiles tests/fixtures/hostprogram.cpp; false with the reason.
    bool prepare(QString *error);
    QString program() const { return m_dir.filePath(QStringLiteral("hostprogram")); }
    QString dir() const { return m_dir.path(); }
    // The line of the fixture's source that holds the comment text.
    static int lineOf(const QString &comment);
    // The same in another source file.
    static int lineOf(const QString &file, const QString &comment);
    static QString source();

private:
    QTemporaryDir m_dir;
};

// True while a process of that id exists (zombies included).
bool processExists(qint64 pid);
// The ids of the live processes whose command line mentions the text.
QList<qint64> processesMentioning(const QString &text);

// The action of a command the host or a plug-in registered; null when
// there is none.
inline QAction *commandAction(const char *id)
{
    Core::Command *command = Core::ActionManager::command(id);
    return command ? command->action() : nullptr;
}
