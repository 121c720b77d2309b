#pragma once

// Stand-in for the IDE's description of one Qt installation.

#include <utils/filepath.h>

namespace QtSupport {

class BaseQtVersion
{
public:
    BaseQtVersion(const QString &displayName, const Utils::FilePath &headerPath);

    int uniqueId() const { return m_id; }
    QString displayName() const { return m_displayName; }
    // The folder that holds QtCore/, QtGui/, ... (QT_INSTALL_HEADERS).
    Utils::FilePath headerPath() const { return m_headerPath; }

private:
    friend class QtVersionManager;
    int m_id = -1;
    QString m_displayName;
    Utils::FilePath m_headerPath;
};

} // namespace QtSupport
