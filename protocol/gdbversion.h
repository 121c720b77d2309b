#pragma once

#include <QString>

namespace Debugger {
namespace Internal {

// Reads GDB's version banner: the version as 10000 * major + 100 * minor +
// patch, the distributor's build number, and whether it is Apple's or QNX's GDB.
void extractGdbVersion(const QString &msg, int *gdbVersion, int *gdbBuildVersion,
                       bool *isMacGdb, bool *isQnxGdb);

} // namespace Internal
} // namespace Debugger
