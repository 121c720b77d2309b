#include "bookmarks.h"

#include "protocol/debuggerresponse.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace KorvanDebugger {
namespace Internal {

QRegExp &absoluteTimePattern()
{
    static QRegExp pattern(QStringLiteral("([1-9][0-9]*)([pnm]?s)"));
    return pattern;
}

QRegExp &relativeTimePattern()
{
    static QRegExp pattern(QStringLiteral("([-+])([1-9][0-9]*)([pnm]?s)"));
    return pattern;
}

QRegExp &bookmarkNamePattern()
{
    static QRegExp pattern(QStringLiteral("[a-zA-Z_][a-zA-Z_]*"));
    return pattern;
}

qint64 timeUnitScale(const QString &unit)
{
    switch (unit.at(0).unicode()) {
    case 'p': return 1;
    case 'n': return 1000;
    case 'm': return 1000000;
    default: return 1000000000; // "s"
    }
}

namespace {

// number * scale of unit; false (and the largest count) when it does not fit.
bool timeCount(const QString &number, const QString &unit, qint64 *count)
{
    bool ok = false;
    const qint64 value = number.toLongLong(&ok);
    const qint64 scale = timeUnitScale(unit);
    if (!ok || value > std::numeric_limits<qint64>::max() / scale) {
        *count = std::numeric_limits<qint64>::max();
        return false;
    }
    *count = value * scale;
    return true;
}

QString translate(const char *text)
{
    return QCoreApplication::translate("KorvanDebugger::Internal::KorvanDebuggerPlugin", text);
}

} // namespace

BookmarkEntry parseBookmarkEntry(const QString &text)
{
    BookmarkEntry entry;
    QRegExp &absolute = absoluteTimePattern();
    QRegExp &relative = relativeTimePattern();
    if (absolute.exactMatch(text)) {
        entry.kind = BookmarkEntryKind::AbsoluteTime;
        entry.fits = timeCount(absolute.cap(1), absolute.cap(2), &entry.count);
    } else if (relative.exactMatch(text)) {
        entry.kind = BookmarkEntryKind::RelativeTime;
        entry.negative = relative.cap(1) == QLatin1String("-");
        entry.fits = timeCount(relative.cap(2), relative.cap(3), &entry.count);
    } else if (bookmarkNamePattern().exactMatch(text)) {
        entry.kind = BookmarkEntryKind::Name;
    }
    return entry;
}

bool bookmarkLessThan(const QString &a, const QString &b)
{
    const BookmarkEntry x = parseBookmarkEntry(a);
    const BookmarkEntry y = parseBookmarkEntry(b);
    if (x.kind != y.kind)
        return int(x.kind) < int(y.kind); // the kinds are declared in sort order
    switch (x.kind) {
    case BookmarkEntryKind::RelativeTime:
    case BookmarkEntryKind::AbsoluteTime:
        return x.signedCount() < y.signedCount();
    case BookmarkEntryKind::Name:
        return a < b;
    case BookmarkEntryKind::Other:
        break;
    }
    return false;
}

BookmarkCommand bookmarkCommand(const QString &entryText, bool newlyAdded)
{
    const BookmarkEntry entry = parseBookmarkEntry(entryText);
    BookmarkCommand command;
    switch (entry.kind) {
    case BookmarkEntryKind::AbsoluteTime:
    case BookmarkEntryKind::RelativeTime:
        if (!entry.fits)
            return command;
        command.action = BookmarkAction::GotoTime;
        command.text = QStringLiteral("undodb-goto-n ");
        if (entry.kind == BookmarkEntryKind::RelativeTime)
            command.text += entry.negative ? QLatin1Char('-') : QLatin1Char('+');
        command.text += QString::number(entry.count);
        break;
    case BookmarkEntryKind::Name:
        command.action = newlyAdded ? BookmarkAction::SetBookmark : BookmarkAction::GotoBookmark;
        command.text = (newlyAdded ? QStringLiteral("undodb-set-bookmark ")
                                   : QStringLiteral("undodb-goto-bookmark ")) + entryText;
        break;
    case BookmarkEntryKind::Other:
        command.action = BookmarkAction::RecordMode;
        command.text = QStringLiteral("undodb-goto-record-mode");
        break;
    }
    return command;
}

QString bookmarkCreationErrorTitle()
{
    return translate("Bookmark Creation Error");
}

QString bookmarkCreationError(const Debugger::Internal::DebuggerResponse &response)
{
    if (response.resultClass == Debugger::Internal::ResultDone)
        return QString();
    const QString message = QString::fromLocal8Bit(response.data["msg"].data().constData());
    return translate("Cannot create Bookmark:") + QLatin1Char('\n') + message;
}

BookmarkModel::BookmarkModel(QObject *parent)
    : QStringListModel(parent)
    , knownEntries{tr("Record Mode")}
{
    setStringList(knownEntries);
}

BookmarkModel::~BookmarkModel() = default;

void BookmarkModel::sort()
{
    QStringList entries = stringList();
    std::sort(entries.begin(), entries.end(), bookmarkLessThan);
    setStringList(entries); // resets the model: no dataChanged, no second sort
    addedEntry.clear();
    for (const QString &entry : qAsConst(entries)) {
        if (!knownEntries.contains(entry)) {
            addedEntry = entry;
            break;
        }
    }
    knownEntries = entries;
}

QValidator::State BookmarkValidator::validate(QString &text, int &pos) const
{
    bool partial = text.isEmpty();
    for (QRegExp *pattern : {&bookmarkNamePattern(), &relativeTimePattern(), &absoluteTimePattern()}) {
        if (pattern->exactMatch(text)) {
            // A time beyond 64 bits cannot be sent; the user has to shorten it.
            return parseBookmarkEntry(text).fits ? Acceptable : Intermediate;
        }
        if (pattern->matchedLength() > 0)
            partial = true;
    }
    return partial ? Intermediate : Invalid;
}

} // namespace Internal
} // namespace KorvanDebugger
