#pragma once

// The value table of one enumeration: single values and groups of values
// that share a bit field (with their mask), as a two-column tree.

#include "configuration/pythoncode.h"

#include <utils/treemodel.h>

#include <QMap>
#include <QStringList>

namespace KorvanDebugger {
namespace Configuration {

class EnumKey
{
public:
    quint64 value = 0;  // the constant's 64-bit pattern
    bool mask = false;  // names the group of the values that follow a zero constant
    bool negative = false;

    EnumKey() = default;
    EnumKey(quint64 v, bool isMask, bool isNegative) : value(v), mask(isMask), negative(isNegative) {}

    // Negative constants first, by signed value; then the others by unsigned
    // value, so patterns at and above 2^63 order correctly. Equal values:
    // the mask key first, so a mask key never takes a constant's place.
    bool operator<(const EnumKey &other) const;
    bool operator==(const EnumKey &other) const
    {
        return value == other.value && mask == other.mask && negative == other.negative;
    }

    // "0"/"0x0" for a mask key; else signed decimal or "0x" + lower-case hex.
    static QString toText(const EnumKey &key, bool decimal);
};

class EnumModel : public Utils::TreeModel, public QMap<EnumKey, QString>
{
    Q_OBJECT
public:
    EnumModel();
    ~EnumModel() override;

    void reset(bool notify);
    void setEnums(const QStringList &masks, const QStringList &enums);
    QString toText(QStringList &masks, QStringList &enums, bool pythonForm) const;
    PythonCode pythonArguments() const;
    QMap<quint64, QString> valuesOf(const QModelIndex &row) const;
    void merge(const QModelIndex &row);
    void split(const QModelIndex &row);
    bool hasNegative() const;
    // Rebuilds the table from the enumeration helper program's output lines
    // ("name,unsigned value,negative flag").
    void parseProgramOutput(const QStringList &lines);

    QStringList outputLines;

    // The table no longer follows from its definition: the last
    // recomputation failed and the table shown is the one from before.
    // A reset (and so every load) clears it.
    bool isStale() const { return m_stale; }
    void setStale(bool stale);

    // A stored value or mask text as a 64-bit pattern: "0x" hexadecimal,
    // decimal (a negative one as its two's complement), 0 when unreadable.
    static quint64 parseValueText(const QString &text);

signals:
    void staleChanged(bool stale);

private:
    bool m_stale = false;
};

} // namespace Configuration
} // namespace KorvanDebugger
