#include "gdbversion.h"

#include <QStringList>

#include <limits>

namespace Debugger {
namespace Internal {

namespace {

int field(const QString &dotted, int index)
{
    return dotted.section(QLatin1Char('.'), index, index).toInt();
}

void appendVersionCharacter(QString *target, QChar c)
{
    if (c.isDigit())
        target->append(c);
    else if (!target->isEmpty() && !target->endsWith(QLatin1Char('.')))
        target->append(QLatin1Char('.'));
}

} // namespace

void extractGdbVersion(const QString &msg, int *gdbVersion, int *gdbBuildVersion,
                       bool *isMacGdb, bool *isQnxGdb)
{
    // These builds put their own release number in parentheses ahead of
    // GDB's, e.g. "GNU gdb (GDB; openSUSE 13.1) 7.6.50" or
    // "GNU gdb (rubenvb-4.7.2-release) 7.5.50".
    const bool skipParentheses = msg.contains(QLatin1String("openSUSE"))
            || msg.contains(QLatin1String("rubenvb"));

    QString cleaned;
    QString build;
    bool inClean = true;
    bool inParenthesis = false;
    for (const QChar c : msg) {
        if (inClean && !cleaned.isEmpty() && c != QLatin1Char('.') && (c.isPunct() || c.isSpace()))
            inClean = false;
        if (skipParentheses) {
            if (!inParenthesis && c == QLatin1Char('(')) {
                inParenthesis = true;
                continue;
            }
            if (inParenthesis) {
                if (c != QLatin1Char(')'))
                    continue;
                inParenthesis = false;
            }
        }
        appendVersionCharacter(inClean ? &cleaned : &build, c);
    }

    *isMacGdb = msg.contains(QLatin1String("Apple version"));
    *isQnxGdb = msg.contains(QLatin1String("qnx"));

    // Widened, so an absurd banner number saturates instead of overflowing.
    const qint64 version = 10000LL * field(cleaned, 0) + 100LL * field(cleaned, 1) + field(cleaned, 2);
    *gdbVersion = int(qBound<qint64>(std::numeric_limits<int>::min(), version,
                                     std::numeric_limits<int>::max()));

    if (*isMacGdb)
        *gdbBuildVersion = field(build, 1);
    else if (cleaned.count(QLatin1Char('.')) >= 3)
        *gdbBuildVersion = field(cleaned, 3);
    else
        *gdbBuildVersion = field(build, 0);
}

} // namespace Internal
} // namespace Debugger
