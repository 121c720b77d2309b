#include "valuedecoding.h"

#include "softassert.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QHostAddress>
#include <QTimeZone>
#include <QVector>
#include <QtEndian>

#include <cstring>

namespace Debugger {
namespace Internal {

namespace {

constexpr int msecsPerDay = 86400000;
constexpr qint64 julianDayOfEpoch = 2440588; // 1970-01-01
constexpr qint64 minJulianDay = -784350574879;
constexpr qint64 maxJulianDay = 784354017364;

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QByteArray untilFirstZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return zero < 0 ? bytes : bytes.left(zero);
}

// Whole 16-bit units only; the units are read byte by byte, so the buffer's
// alignment and the machine's byte order do not matter.
QString utf16Text(const QByteArray &bytes, bool bigEndian)
{
    const int units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    QChar *out = text.data();
    const uchar *in = reinterpret_cast<const uchar *>(bytes.constData());
    for (int i = 0; i < units; ++i, in += 2)
        out[i] = QChar(bigEndian ? qFromBigEndian<quint16>(in) : qFromLittleEndian<quint16>(in));
    return text;
}

// Whole 32-bit units only; values that are no code point become U+FFFD.
QString ucs4Text(const QByteArray &bytes, bool bigEndian)
{
    const int units = bytes.size() / 4;
    QVector<uint> codePoints(units);
    const uchar *in = reinterpret_cast<const uchar *>(bytes.constData());
    for (int i = 0; i < units; ++i, in += 4) {
        const uint code = bigEndian ? qFromBigEndian<quint32>(in) : qFromLittleEndian<quint32>(in);
        const bool valid = code <= QChar::LastValidCodePoint && !QChar::isSurrogate(code);
        codePoints[i] = valid ? code : uint(QChar::ReplacementCharacter);
    }
    return QString::fromUcs4(codePoints.constData(), units);
}

QString encodingError(int encoding)
{
    qDebug("ENCODING ERROR: %d", encoding);
    return QCoreApplication::translate("Debugger", "<Encoding error>");
}

QString watchText(const char *text, int n = -1)
{
    return QCoreApplication::translate("Debugger::Internal::WatchHandler", text, nullptr, n);
}

QString floatText(const QByteArray &bytes, int encoding)
{
    if (encoding == Hex2EncodedFloat4) {
        KORVAN_SOFT_ASSERT(bytes.size() == 4, return encodingError(encoding));
        const quint32 bits = qFromBigEndian<quint32>(bytes.constData());
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return QString::number(value, 'g', 6);
    }
    KORVAN_SOFT_ASSERT(bytes.size() == 8, return encodingError(encoding));
    const quint64 bits = qFromBigEndian<quint64>(bytes.constData());
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return QString::number(value, 'g', 6);
}

QString hostAddressText(const QByteArray &ba, int encoding)
{
    const int percent = ba.indexOf('%');
    const QByteArray addressText = percent < 0 ? ba : ba.left(percent);
    QHostAddress address(QString::fromLatin1(untilFirstZero(addressText)));
    if (address.isNull())
        return encodingError(encoding);
    if (percent >= 0) {
        const QString scope = utf16Text(QByteArray::fromHex(ba.mid(percent + 1)), false);
        if (!scope.isEmpty())
            address.setScopeId(scope);
    }
    return address.toString();
}

// "julianDay/msecsOfDay"; a missing "/" leaves the time at midnight.
QString julianDayAndMillisecondsText(const QByteArray &ba)
{
    const int slash = ba.indexOf('/');
    const int day = (slash < 0 ? ba : ba.left(slash)).toInt();
    const QDate date = day == 0 ? QDate() : QDate::fromJulianDay(day);
    const QTime time = timeFromData(slash < 0 ? 0 : ba.mid(slash + 1).toInt());
    const QDateTime dateTime(date, time, Qt::LocalTime);
    return dateTime.isValid() ? dateTime.toString(Qt::TextDate) : QStringLiteral("(invalid)");
}

// "msecs/spec/offset/zone/status"; missing fields read as empty.
QString dateTimeRecordText(const QByteArray &ba)
{
    QByteArray fields[5];
    int start = 0;
    for (int i = 0; i < 4 && start <= ba.size(); ++i) {
        const int slash = ba.indexOf('/', start);
        if (slash < 0) {
            fields[i] = ba.mid(start);
            start = ba.size() + 1;
            break;
        }
        fields[i] = ba.mid(start, slash - start);
        start = slash + 1;
    }
    if (start <= ba.size())
        fields[4] = ba.mid(start);

    const qint64 msecs = fields[0].toLongLong();
    const int spec = fields[1].toInt();
    const int offset = fields[2].toInt();
    const QByteArray zone = QByteArray::fromHex(fields[3]);
    const int status = fields[4].toInt();

    qint64 jd = julianDayOfEpoch;
    qint64 ds = msecs;
    if (msecs >= msecsPerDay || msecs <= -msecsPerDay) {
        jd += msecs / msecsPerDay;
        ds = msecs % msecsPerDay;
    }
    if (ds < 0) {
        const qint64 t = msecsPerDay - 1 - ds;
        jd -= t / msecsPerDay;
        ds = msecsPerDay - 1 - t % msecsPerDay;
    }
    const bool dateNull = (status & 1) || jd < minJulianDay || jd > maxJulianDay;
    const QDate date = dateNull ? QDate() : QDate::fromJulianDay(jd);
    const QTime time = (status & 2) ? QTime() : QTime::fromMSecsSinceStartOfDay(int(ds));

    QDateTime dateTime;
    switch (spec) {
    case Qt::UTC:
        dateTime = QDateTime(date, time, Qt::UTC);
        break;
    case Qt::OffsetFromUTC:
        dateTime = QDateTime(date, time, Qt::OffsetFromUTC, offset);
        break;
    case Qt::TimeZone:
        if (!QTimeZone::isTimeZoneIdAvailable(zone))
            return QStringLiteral("<unavailable>");
        dateTime = QDateTime(date, time, QTimeZone(zone));
        break;
    default: // local time, also for a spec Qt does not know
        dateTime = QDateTime(date, time, Qt::LocalTime);
        break;
    }
    return dateTime.toString(Qt::TextDate);
}

} // namespace

QString quoteUnprintableLatin1(const QByteArray &ba)
{
    QString text;
    text.reserve(ba.size());
    for (const char ch : ba) {
        const uchar c = uchar(ch);
        if (c >= 0x20 && c < 0x7f)
            text += QLatin1Char(ch);
        else
            text += QLatin1Char('\\') + QString::number(c, 16);
    }
    return text;
}

QTime timeFromData(int ms)
{
    if (ms == -1)
        return QTime();
    // Reduced here, so no value can overflow the day arithmetic.
    int ofDay = ms % msecsPerDay;
    if (ofDay < 0)
        ofDay += msecsPerDay;
    return QTime::fromMSecsSinceStartOfDay(ofDay);
}

int encodingFromName(const QByteArray &name)
{
    static const struct { const char *name; int encoding; } names[] = {
        {"utf16", Hex4EncodedLittleEndian},
        {"empty", SpecialEmptyValue},
        {"minimumitemcount", SpecialMinimumItemCountValue},
        {"undefined", SpecialUndefinedValue},
        {"null", SpecialNullValue},
        {"itemcount", SpecialItemCountValue},
        {"notaccessible", SpecialNotAccessibleValue},
    };
    for (const auto &entry : names) {
        if (name == entry.name)
            return entry.encoding;
    }
    return name.toInt();
}

QString decodeData(const QByteArray &ba, int encoding)
{
    switch (encoding) {
    case Unencoded8Bit:
        return quoteUnprintableLatin1(ba);
    case Base64Encoded8Bit:
        return quoted(quoteUnprintableLatin1(QByteArray::fromBase64(ba)));
    case Base64Encoded16Bit:
        return quoted(utf16Text(QByteArray::fromBase64(ba), false));
    case Base64Encoded32Bit:
        return quoted(ucs4Text(QByteArray::fromBase64(ba), false));
    case Base64Encoded16BitWithoutQuotes:
        return utf16Text(QByteArray::fromBase64(ba), false);
    case Base64Encoded8BitWithoutQuotes:
        return quoteUnprintableLatin1(QByteArray::fromBase64(ba));
    case Hex2EncodedLatin1: {
        const QByteArray s = QByteArray::fromHex(ba);
        return quoted(QString::fromLatin1(s.constData(), s.size())); // zero bytes included
    }
    case Hex4EncodedLittleEndian:
        return quoted(utf16Text(QByteArray::fromHex(ba), false));
    case Hex8EncodedLittleEndian:
        return quoted(ucs4Text(QByteArray::fromHex(ba), false));
    case Hex2EncodedUtf8:
        return quoted(QString::fromUtf8(untilFirstZero(QByteArray::fromHex(ba))));
    case Hex8EncodedBigEndian:
        return quoted(ucs4Text(QByteArray::fromHex(ba), true));
    case Hex4EncodedBigEndian: {
        QByteArray s = QByteArray::fromHex(ba);
        if (s.size() % 2)
            s.append('\0'); // the odd last byte is the high byte of a last unit
        return quoted(utf16Text(s, true));
    }
    case Hex4EncodedLittleEndianWithoutQuotes:
        return utf16Text(QByteArray::fromHex(ba), false);
    case Hex2EncodedLocal8Bit:
        return quoted(QString::fromLocal8Bit(untilFirstZero(QByteArray::fromHex(ba))));
    case JulianDay: {
        const int day = ba.toInt();
        return day == 0 ? QStringLiteral("(invalid)") : QDate::fromJulianDay(day).toString(Qt::TextDate);
    }
    case MillisecondsOfDay: {
        const QTime time = timeFromData(ba.toInt());
        return time.isValid() ? time.toString(Qt::TextDate) : QStringLiteral("(invalid)");
    }
    case JulianDayAndMilliseconds:
        return julianDayAndMillisecondsText(ba);
    case 17: case 18: case 19: case 20: case 21: case 22: case 23: case 24:
        qDebug("not implemented");
        return QString();
    case Hex2EncodedFloat4:
    case Hex2EncodedFloat8:
        return floatText(QByteArray::fromHex(ba), encoding);
    case HostAddressWithScope:
        return hostAddressText(ba, encoding);
    case Hex2EncodedUtf8WithoutQuotes:
        return QString::fromUtf8(untilFirstZero(QByteArray::fromHex(ba)));
    case DateTimeRecord:
        return dateTimeRecordText(ba);
    case SpecialEmptyValue:
        return watchText("<empty>");
    case SpecialUninitializedValue:
        return watchText("<uninitialized>");
    case SpecialInvalidValue:
        return watchText("<invalid>");
    case SpecialNotAccessibleValue:
        return watchText("<not accessible>");
    case SpecialItemCountValue:
        return watchText("<%n items>", ba.toInt());
    case SpecialMinimumItemCountValue:
        return watchText("<at least %n items>", ba.toInt());
    case SpecialNotCallableValue:
        return watchText("<not callable>");
    case SpecialNullReferenceValue:
        return watchText("<null reference>");
    case SpecialOptimizedOutValue:
        return watchText("<optimized out>");
    case SpecialStructureValue:
        return QStringLiteral("{...}");
    case SpecialUndefinedValue:
        return QStringLiteral("Undefined");
    case SpecialNullValue:
        return QStringLiteral("Null");
    default:
        return encodingError(encoding);
    }
}

} // namespace Internal
} // namespace Debugger
