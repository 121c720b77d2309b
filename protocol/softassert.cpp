#include "softassert.h"

#include <QDebug>

namespace Debugger {
namespace Internal {

void writeAssertLocation(const char *what)
{
    qDebug("SOFT ASSERT: %s", what);
}

} // namespace Internal
} // namespace Debugger
