#pragma once

#include <QRegExp>
#include <QString>
#include <QStringList>
#include <QStringListModel>
#include <QValidator>

namespace Debugger {
namespace Internal {
class DebuggerResponse;
}
}

namespace KorvanDebugger {
namespace Internal {

// The entry patterns of the bookmark box, each tested as an exact match of
// the whole entry. Program-wide, GUI thread only (QRegExp keeps match state).
QRegExp &absoluteTimePattern();  // number, unit
QRegExp &relativeTimePattern();  // sign, number, unit
QRegExp &bookmarkNamePattern();

// Instruction counts per time unit. These are the reverse debugger's own
// position counts, not physical durations: "1s" is 1000000000 and "1ms" is
// 1000000, so "1ms" and "1000ns" name the same position.
qint64 timeUnitScale(const QString &unit);

// In sort order.
enum class BookmarkEntryKind { RelativeTime, AbsoluteTime, Name, Other };

struct BookmarkEntry
{
    BookmarkEntryKind kind = BookmarkEntryKind::Other;
    bool negative = false; // the sign of a relative time
    qint64 count = 0;      // number times unit scale, without the sign
    bool fits = true;      // false when the count is beyond 64 bits (count saturates)

    bool isTime() const
    {
        return kind == BookmarkEntryKind::RelativeTime || kind == BookmarkEntryKind::AbsoluteTime;
    }
    qint64 signedCount() const { return negative ? -count : count; }
};

BookmarkEntry parseBookmarkEntry(const QString &text);

// Relative times by signed count, then absolute times by count, then names
// by QString order, then everything else (all equal).
bool bookmarkLessThan(const QString &a, const QString &b);

// What choosing or entering an entry of the bookmark box asks of the
// reverse debugger.
enum class BookmarkAction {
    GotoTime,      // sent like a reverse run
    SetBookmark,   // a newly typed name
    GotoBookmark,  // a known name chosen again
    RecordMode,    // back to live recording
    None           // a time whose count does not fit: nothing is sent
};

struct BookmarkCommand
{
    BookmarkAction action = BookmarkAction::None;
    QString text;
};

BookmarkCommand bookmarkCommand(const QString &entry, bool newlyAdded);

// The text of the message box for a failed "undodb-set-bookmark", or an
// empty text when the bookmark was created.
QString bookmarkCreationErrorTitle();
QString bookmarkCreationError(const Debugger::Internal::DebuggerResponse &response);

// The entries of the bookmark box, kept sorted; remembers the entry that the
// last sort found new, so that a typed entry can be told from a chosen one.
class BookmarkModel : public QStringListModel
{
    Q_OBJECT
public:
    explicit BookmarkModel(QObject *parent = nullptr);
    ~BookmarkModel() override;

    using QStringListModel::sort;

    QStringList knownEntries;
    QString addedEntry;

public slots:
    void sort();
};

class BookmarkValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString &text, int &pos) const override;
};

} // namespace Internal
} // namespace KorvanDebugger
