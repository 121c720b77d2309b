#include "baseenum.h"

#include <array>

namespace GraphEngine {

namespace {

constexpr std::array<const char *, 24> kindKeywords = {
    "AND", "NAND", "OR", "NOR", "XOR", "XNOR", "BUFFER", "INVERTER",
    "TRISTATE", "MUX2", "GENERIC", "MUX", "FLOP", "INPUTPORT", "OUTPUTPORT",
    "INOUTPORT", "COLPASSTHROUGH", "VCC", "GND", "X", "Z", "OPENINPUT",
    "LOOPBACKOPENINPUT", "LOOPBACKOPENOUTPUT"};
constexpr int firstKind = BaseEnum::AND;

// Index i names the role flag 1 << (i + 1); the negated keyword adds "N".
// The tables are constant, so no lock is needed to read them.
constexpr std::array<const char *, 12> roleKeywords = {
    "D", "SD", "SE", "S", "R", "PRE", "CLR", "LD", "VAL", "E", "CLK", "Q"};

constexpr char16_t directionArrows[3] = {0x21E5, 0x21A6, 0x21F9};

bool isSingleFlag(quint32 value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

int bitNumber(quint32 singleFlag)
{
    int n = 0;
    while (singleFlag >>= 1)
        ++n;
    return n;
}

} // namespace

QString gateKindToString(int kind)
{
    if (kind < firstKind || kind >= firstKind + int(kindKeywords.size()))
        return QString();
    // Every gate keeps its kind's keyword as its type name: the copies share
    // one string per kind instead of one each (a large layout makes hundreds
    // of thousands of pass-through gates).
    static const std::array<QString, kindKeywords.size()> keywords = [] {
        std::array<QString, kindKeywords.size()> texts;
        for (std::size_t i = 0; i < kindKeywords.size(); ++i)
            texts[i] = QString::fromLatin1(kindKeywords[i]);
        return texts;
    }();
    return keywords[std::size_t(kind - firstKind)];
}

int gateKindFromString(const QString &text)
{
    for (int i = 0; i < int(kindKeywords.size()); ++i) {
        if (text == QLatin1String(kindKeywords[i]))
            return firstKind + i;
    }
    return BaseEnum::NoKind;
}

QString portRoleToString(int role)
{
    const quint32 flag = quint32(role);
    if (!isSingleFlag(flag))
        return QString();
    int bit = bitNumber(flag);
    const bool negated = bit > BaseEnum::NegatedShift;
    if (negated)
        bit -= BaseEnum::NegatedShift;
    if (bit < 1 || bit > int(roleKeywords.size()))
        return QString();
    QString keyword = QString::fromLatin1(roleKeywords[bit - 1]);
    if (negated)
        keyword += QLatin1Char('N');
    return keyword;
}

int portRoleFromString(const QString &text)
{
    for (int i = 0; i < int(roleKeywords.size()); ++i) {
        if (text == QLatin1String(roleKeywords[i]))
            return 1 << (i + 1);
    }
    if (text.endsWith(QLatin1Char('N'))) {
        const QStringRef plain = text.leftRef(text.size() - 1);
        for (int i = 0; i < int(roleKeywords.size()); ++i) {
            if (plain == QLatin1String(roleKeywords[i]))
                return 1 << (i + 1 + BaseEnum::NegatedShift);
        }
    }
    return BaseEnum::NoRole;
}

QString directionSymbol(int direction)
{
    if (direction < 0 || direction > 2)
        return QString();
    return QString(QChar(directionArrows[direction]));
}

int directionFromSymbol(QStringView text)
{
    if (text.isEmpty())
        return BaseEnum::NoDirection;
    for (int d = 0; d < 3; ++d) {
        if (text.front() == QChar(directionArrows[d]))
            return d;
    }
    return BaseEnum::NoDirection;
}

} // namespace GraphEngine
