#include "name.h"

#include "graphengine/globals.h"

#include <QMutexLocker>
#include <QVariant>

#include <limits>
#include <tuple>

namespace GraphEngine {

namespace {

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Decimal value of text[from, to); false when a character is not an ASCII
// digit or the value does not fit an int (such texts carry no index).
bool readDecimal(const QString &text, int from, int to, int *value)
{
    qint64 v = 0;
    for (int i = from; i < to; ++i) {
        const QChar c = text.at(i);
        if (!isAsciiDigit(c))
            return false;
        v = v * 10 + (c.unicode() - '0');
        if (v > std::numeric_limits<int>::max())
            return false;
    }
    *value = int(v);
    return true;
}

void setSlot(NameRecord &r, int slot, int value, char16_t open, char16_t close)
{
    if (slot == 0) {
        r.index0 = value;
        r.open0 = open;
        r.close0 = close;
    } else {
        r.index1 = value;
        r.open1 = open;
        r.close1 = close;
    }
}

// An index "<open>digits<close>" ending at end (one trailing blank allowed).
// On success returns true and sets *before to the position before the
// opening character.
bool splitIndex(NameRecord &r, int end, int slot, char16_t open, char16_t close, int *before)
{
    const QString &text = r.text;
    int pos = end;
    if (pos < 3)
        return false;
    if (text.at(pos).unicode() != close) {
        if (text.at(pos).unicode() != ' ' || text.at(pos - 1).unicode() != close)
            return false;
        --pos;
    }
    const int openPos = text.lastIndexOf(QChar(open), pos - 1);
    if (openPos <= 0)
        return false;
    int value = 0;
    if (!readDecimal(text, openPos + 1, pos, &value))
        return false;
    Name::shareBaseText(r, openPos);
    setSlot(r, slot, value, open, close);
    *before = openPos - 1;
    return true;
}

// One index ending at end, bracketed or (when allowed) bare digits. *before is
// -1 when bare digits reached the start of the text.
bool parseIndex(NameRecord &r, int end, int slot, bool allowBareDigits, int *before)
{
    static const char16_t pairs[][2] = {{'[', ']'}, {'{', '}'}, {'(', ')'}, {'<', '>'}, {'_', '_'}};
    for (const auto &pair : pairs) {
        if (splitIndex(r, end, slot, pair[0], pair[1], before))
            return true;
    }
    if (!allowBareDigits || end < 0 || !isAsciiDigit(r.text.at(end)))
        return false;
    int p = end;
    while (p >= 0 && isAsciiDigit(r.text.at(p)))
        --p;
    int value = 0;
    if (!readDecimal(r.text, p + 1, end + 1, &value))
        return false;
    if (slot == 0)
        r.index0 = value;
    else
        r.index1 = value;
    Name::shareBaseText(r, p + 1);
    *before = p;
    return true;
}

void parse(NameRecord &r, bool allowBareDigits)
{
    r.flags = Name::NoIndex;
    r.baseText = r.text;
    int before = -1;
    if (!parseIndex(r, r.text.size() - 1, 0, allowBareDigits, &before))
        return;
    r.flags = Name::OneIndex;
    // A name that is all digits has one index and an empty base.
    if (before >= 0 && parseIndex(r, before, 1, allowBareDigits, &before))
        r.flags = Name::TwoIndices;
}

// Index value, then opening and closing character.
using SlotKey = std::tuple<const int &, const char16_t &, const char16_t &>;

int compareSlot(const SlotKey &a, const SlotKey &b)
{
    return a < b ? 1 : b < a ? 0 : 2;
}

// 0: a is greater, 1: a is less, 2: equal.
int lessRecord(const NameRecord &a, const NameRecord &b)
{
    if (a.flags != b.flags)
        return a.flags < b.flags ? 1 : 0;
    if (a.hash != b.hash)
        return int(a.hash) < int(b.hash) ? 1 : 0;
    const int c = QString::compare(a.baseText, b.baseText, Qt::CaseSensitive);
    if (c != 0)
        return c < 0 ? 1 : 0;
    if (a.flags & Name::TwoIndices) {
        const int c1 = compareSlot(std::tie(a.index1, a.open1, a.close1), std::tie(b.index1, b.open1, b.close1));
        if (c1 != 2)
            return c1;
    }
    if (a.flags & (Name::OneIndex | Name::TwoIndices))
        return compareSlot(std::tie(a.index0, a.open0, a.close0), std::tie(b.index0, b.open0, b.close0));
    return 2;
}

struct NaturalKey
{
    QStringView prefix;
    int number = -1;
    int key1 = std::numeric_limits<int>::min();
    int key2 = std::numeric_limits<int>::min();
};

NaturalKey naturalKey(const Name &name)
{
    NaturalKey k;
    const NameRecord *r = name.record();
    if (!r)
        return k;
    const QString &s = (r->flags & (Name::OneIndex | Name::TwoIndices)) ? r->baseText : r->text;
    k.prefix = QStringView(s);
    if (!s.isEmpty()) {
        const QChar last = s.back();
        if (isAsciiDigit(last) || (last.unicode() > 127 && last.category() == QChar::Number_DecimalDigit)) {
            int start = s.size();
            while (start > 0 && isAsciiDigit(s.at(start - 1)))
                --start;
            qint64 value = 0;
            for (int i = start; i < s.size(); ++i)
                value = qMin<qint64>(value * 10 + (s.at(i).unicode() - '0'), std::numeric_limits<int>::max());
            k.number = int(value);
            k.prefix = k.prefix.left(start);
        }
    }
    if (r->flags & Name::TwoIndices) {
        k.key1 = r->index1;
        k.key2 = r->index0;
    } else if (r->flags & Name::OneIndex) {
        k.key1 = r->index0;
    }
    return k;
}

int serialCounter = 0;

const int nameMetaTypeId = [] {
    const int id = qRegisterMetaType<Name>("GraphEngine::Name");
    QMetaType::registerConverter<Name, QString>([](const Name &n) { return n.toString(); });
    QMetaType::registerConverter<QString, Name>([](const QString &s) { return Name(s); });
    return id;
}();

} // namespace

Name::Name(const QString &text, bool allowBareDigits, bool noHash)
    : d(new NameRecord)
{
    d->text = text;
    parse(*d, allowBareDigits);
    if (!noHash)
        d->hash = qHash(text, 0);
}

int Name::indexCount() const
{
    if (!d)
        return 0;
    if (d->flags & TwoIndices)
        return 2;
    return (d->flags & OneIndex) ? 1 : 0;
}

int Name::index(int slot) const
{
    if (!d)
        return -1;
    return slot == 0 ? d->index0 : slot == 1 ? d->index1 : -1;
}

QChar Name::openBracket(int slot) const
{
    if (!d)
        return QChar();
    return QChar(slot == 0 ? d->open0 : slot == 1 ? d->open1 : 0);
}

QChar Name::closeBracket(int slot) const
{
    if (!d)
        return QChar();
    return QChar(slot == 0 ? d->close0 : slot == 1 ? d->close1 : 0);
}

QString Name::toString(bool plain) const
{
    if (!d)
        return QString();
    if (!plain && (d->flags & Marked))
        return QLatin1Char('=') + d->text + QLatin1Char('=') + QString::number(m_serial);
    return d->text;
}

bool operator<(const Name &a, const Name &b)
{
    if (a.d == b.d)
        return a.d && a.m_serial < b.m_serial;
    if (!a.d || !b.d)
        return !a.d;
    const int c = lessRecord(*a.d, *b.d);
    if (c != 2)
        return c == 1;
    return a.m_serial < b.m_serial;
}

bool operator==(const Name &a, const Name &b)
{
    if (a.m_serial != b.m_serial)
        return false;
    if (a.d == b.d)
        return true;
    if (!a.d || !b.d)
        return false;
    const NameRecord &x = *a.d;
    const NameRecord &y = *b.d;
    // The hash only caches the text; module-port names carry none.
    if (x.hash && y.hash && x.hash != y.hash)
        return false;
    return x.flags == y.flags && x.index0 == y.index0 && x.index1 == y.index1 && x.open0 == y.open0
           && x.open1 == y.open1 && x.close0 == y.close0 && x.close1 == y.close1 && x.text == y.text;
}

bool Name::naturalLess(const Name &a, const Name &b)
{
    if (a.d == b.d)
        return false;
    const NaturalKey ka = naturalKey(a);
    const NaturalKey kb = naturalKey(b);
    const int c = ka.prefix.compare(kb.prefix, Qt::CaseSensitive);
    if (c != 0)
        return c < 0;
    if (ka.number != kb.number)
        return ka.number < kb.number;
    if (ka.key1 != kb.key1)
        return ka.key1 < kb.key1;
    return ka.key2 < kb.key2;
}

bool Name::sameBase(const Name &a, const Name &b)
{
    if (!a.d || !b.d)
        return false;
    const int fa = a.d->flags & (OneIndex | TwoIndices);
    const int fb = b.d->flags & (OneIndex | TwoIndices);
    return fa != 0 && fa == fb && a.d->baseText == b.d->baseText;
}

QString Name::toVerilog(const Name &first, const Name &last)
{
    if (!first.d || !last.d)
        return QString();
    const NameRecord &a = *first.d;
    const NameRecord &b = *last.d;
    const bool sameName = first.d == last.d
        || (a.index0 == b.index0 && a.index1 == b.index1 && a.open0 == b.open0
            && a.open1 == b.open1 && a.close0 == b.close0 && a.close1 == b.close1
            && a.flags == b.flags && a.text == b.text && first.m_serial == last.m_serial);
    if (sameName && (a.flags & NoIndex))
        return first.toString(false);
    if (!sameBase(first, last))
        return QString();
    QString result = QLatin1Char('[') + QString::number(a.index0) + QLatin1Char(':')
        + QString::number(b.index0) + QLatin1String("] ") + a.baseText;
    if (a.flags & TwoIndices) {
        result += QLatin1Char('[') + QString::number(a.index1) + QLatin1Char(':')
            + QString::number(b.index1) + QLatin1Char(']');
    }
    return result;
}

QString Name::stripLastIndex(const QString &text, bool digits)
{
    static const QString closers = QStringLiteral("]})>_");
    static const QString openers = QStringLiteral("[{(<_");
    int pos = text.size() - 1;
    if (pos >= 0 && text.at(pos) == QLatin1Char(' '))
        --pos;
    for (int round = 0; round < 2 && pos >= 0; ++round) {
        const int kind = closers.indexOf(text.at(pos));
        if (kind >= 0) {
            const int openPos = text.lastIndexOf(openers.at(kind), pos - 1);
            if (openPos <= 0)
                return text;
            pos = openPos - 1;
        } else if (digits) {
            int p = pos;
            while (p >= 0 && isAsciiDigit(text.at(p)))
                --p;
            if (p < 0)
                return text;
            pos = p;
        }
    }
    return text.left(pos + 1);
}

Name Name::detachedCopy(const Name &name)
{
    QMutexLocker locker(&globalLock());
    Name copy = name;
    if (!copy.d)
        return copy;
    if (!(copy.d->flags & Marked)) {
        copy.d.detach();
        copy.d->flags |= Marked;
    }
    copy.m_serial = ++serialCounter;
    return copy;
}

void Name::shareBaseText(NameRecord &record, int length)
{
    // One cache per thread needs no lock.
    thread_local QString cached;
    if (cached.size() == length && record.text.startsWith(cached)) {
        record.baseText = cached;
    } else {
        record.baseText = record.text.left(length);
        cached = record.baseText;
    }
}

} // namespace GraphEngine
