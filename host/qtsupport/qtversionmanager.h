#pragma once

#include "baseqtversion.h"

#include <QList>

namespace QtSupport {

// The known Qt versions, by unique id.
class QtVersionManager
{
public:
    // Takes ownership and gives the version its unique id.
    static void addVersion(BaseQtVersion *version);
    static void removeVersion(BaseQtVersion *version);
    static BaseQtVersion *version(int id);
    static QList<BaseQtVersion *> versions();

    // The Qt 5 the host itself was built with, registered on first use.
    static BaseQtVersion *systemVersion();
};

} // namespace QtSupport
