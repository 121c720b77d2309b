#pragma once

// Helpers for tests of failed saves: a folder that this process really cannot
// write (also when the tests run as root), and a save file that lets a test
// act between opening and committing.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <functional>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While it lives, the calling thread loses the privileges that let root write
// into any folder, so file modes hold for it as for any user. Capabilities
// are per thread on Linux; file work of the test runs in this thread.
class FileModesEnforced
{
public:
    FileModesEnforced()
    {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        const quint32 overrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
        lowered[0].effective &= ~overrides;
        m_changed = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~FileModesEnforced()
    {
        if (m_changed)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    FileModesEnforced(const FileModesEnforced &) = delete;
    FileModesEnforced &operator=(const FileModesEnforced &) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_changed = false;
};

// Makes a folder read-only while it lives (and writable again afterwards, so
// that the temporary folder holding it can be removed).
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path)
        : m_path(path)
        , m_saved(QFile::permissions(path))
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
    }
    ~ReadOnlyFolder() { QFile::setPermissions(m_path, m_saved); }

    // Whether creating a file there really fails for this thread.
    bool isEnforced() const
    {
        const QString probe = QDir(m_path).filePath(QStringLiteral(".write-probe"));
        QFile file(probe);
        if (!file.open(QIODevice::WriteOnly))
            return true;
        file.close();
        QFile::remove(probe);
        return false;
    }

private:
    QString m_path;
    QFileDevice::Permissions m_saved;
};

// A save file that runs a test's action once, when the first data reach the
// temporary file, that is after the open and before the commit.
class InterruptedSaveFile : public QSaveFile
{
public:
    InterruptedSaveFile(const QString &name, std::function<void()> action)
        : QSaveFile(name)
        , m_action(std::move(action))
    {
    }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        if (m_action) {
            const std::function<void()> action = std::move(m_action);
            m_action = nullptr;
            action();
        }
        return QSaveFile::writeData(data, length);
    }

private:
    std::function<void()> m_action;
};
