#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>

namespace Debugger {
namespace Internal {

// How the dumper encoded a value text (the numbers travel in its output).
enum DebuggerEncoding {
    Unencoded8Bit = 0,
    Base64Encoded8Bit = 1,
    Base64Encoded16Bit = 2,
    Base64Encoded32Bit = 3,
    Base64Encoded16BitWithoutQuotes = 4,
    Base64Encoded8BitWithoutQuotes = 5,
    Hex2EncodedLatin1 = 6,
    Hex4EncodedLittleEndian = 7,
    Hex8EncodedLittleEndian = 8,
    Hex2EncodedUtf8 = 9,
    Hex8EncodedBigEndian = 10,
    Hex4EncodedBigEndian = 11,
    Hex4EncodedLittleEndianWithoutQuotes = 12,
    Hex2EncodedLocal8Bit = 13,
    JulianDay = 14,
    MillisecondsOfDay = 15,
    JulianDayAndMilliseconds = 16,
    Hex2EncodedFloat4 = 25,
    Hex2EncodedFloat8 = 26,
    HostAddressWithScope = 27,
    Hex2EncodedUtf8WithoutQuotes = 28,
    DateTimeRecord = 29,
    SpecialEmptyValue = 30,
    SpecialUninitializedValue = 31,
    SpecialInvalidValue = 32,
    SpecialNotAccessibleValue = 33,
    SpecialItemCountValue = 34,
    SpecialMinimumItemCountValue = 35,
    SpecialNotCallableValue = 36,
    SpecialNullReferenceValue = 37,
    SpecialOptimizedOutValue = 38,
    SpecialStructureValue = 39,
    SpecialUndefinedValue = 40,
    SpecialNullValue = 41
};

// The display text of a value the dumper sent in `encoding`. Never fails:
// bad input gives a best-effort or marker text.
QString decodeData(const QByteArray &ba, int encoding);
// One of the dumper's encoding names, else the text as a number (0 if none).
int encodingFromName(const QByteArray &name);
// Printable ASCII as is, every other byte as a backslash and lower-case hex.
QString quoteUnprintableLatin1(const QByteArray &ba);
// Midnight plus `ms`, wrapping around the day; -1 gives the null time.
QTime timeFromData(int ms);

} // namespace Internal
} // namespace Debugger
