#pragma once

#include <QExplicitlySharedDataPointer>
#include <QMetaType>
#include <QSharedData>
#include <QString>

namespace GraphEngine {

// The shared part of a Name. Index slot 0 holds the last index of the text,
// slot 1 the one before it: for "mem[2][7]" index0 is 7, index1 is 2.
class NameRecord : public QSharedData
{
public:
    QString text;
    QString baseText;
    int index0 = -1;
    int index1 = -1;
    char16_t open0 = 0;
    char16_t open1 = 0;
    char16_t close0 = 0;
    char16_t close1 = 0;
    int flags = 1;
    uint hash = 0;
};

// Names every gate, port and net of a netlist. Copies share the parsed record;
// only detachedCopy() writes to a record, and it detaches first.
class Name
{
public:
    enum Flag {
        NoIndex = 1,
        OneIndex = 2,
        TwoIndices = 4,
        // An "="-marked copy, shown with its serial number.
        Marked = 8
    };

    Name() = default;
    // Parses up to two trailing indices ("a[3]", "m[1][2]", "q_4_", "x(5)",
    // "b<2>", "c{0}"); with allowBareDigits also a bare number ("net12").
    // The hash is Qt's qHash of the text unless noHash is set (then 0).
    explicit Name(const QString &text, bool allowBareDigits = false, bool noHash = false);

    bool isNull() const { return !d; }
    QString text() const { return d ? d->text : QString(); }
    QString baseText() const { return d ? d->baseText : QString(); }
    int flags() const { return d ? d->flags : 0; }
    uint hash() const { return d ? d->hash : 0; }
    int serial() const { return m_serial; }
    // Number of parsed indices: 0, 1 or 2.
    int indexCount() const;
    bool hasIndex() const { return indexCount() > 0; }
    int index(int slot) const;
    QChar openBracket(int slot) const;
    QChar closeBracket(int slot) const;
    const NameRecord *record() const { return d.data(); }
    bool sharesRecordWith(const Name &other) const { return d == other.d; }

    // "=" + text + "=" + serial for a marked name unless plain; else the text.
    QString toString(bool plain = false) const;

    // Key order of every map keyed by Name: flags, hash, base text, indices,
    // then serial. Not alphabetical; see naturalLess for that.
    friend bool operator<(const Name &a, const Name &b);
    // A null name equals only a null name; otherwise the texts, what was
    // parsed of them and the serial numbers are compared (a name made
    // without its hash equals the hashed one of the same text).
    friend bool operator==(const Name &a, const Name &b);
    friend bool operator!=(const Name &a, const Name &b) { return !(a == b); }

    // Digit-aware order: "g2" before "g10", "x[2]" before "x[10]".
    static bool naturalLess(const Name &a, const Name &b);
    // Both carry one index, or both two, with equal base texts.
    static bool sameBase(const Name &a, const Name &b);
    // Verilog range declaration of the bus from first to last: "[7:0] d".
    static QString toVerilog(const Name &first, const Name &last);
    // The text without up to two trailing bracketed indices (brackets only,
    // contents not examined); with digits also bare trailing numbers.
    static QString stripLastIndex(const QString &text, bool digits);
    // An "="-marked copy with a new program-wide serial number.
    static Name detachedCopy(const Name &name);

    // Sets the record's base text to the first length characters of its
    // text, sharing the string with the previous base text made by this
    // thread when they are equal, so that the bits of one bus share one
    // base string.
    static void shareBaseText(NameRecord &record, int length);

private:
    QExplicitlySharedDataPointer<NameRecord> d;
    int m_serial = 0;
};

} // namespace GraphEngine

Q_DECLARE_METATYPE(GraphEngine::Name)
