#pragma once

// The value texts the netlist printers write (ports, instances, instance
// terminals), made by hand for tests that play the debugger's part.

#include <QChar>
#include <QString>
#include <QStringList>

namespace NetlistTexts {

inline QString inMark() { return QString(QChar(0x21E5)); }
inline QString outMark() { return QString(QChar(0x21A6)); }
inline QString hair() { return QString(QChar(0x200A)); }
inline QString thin() { return QString(QChar(0x2009)); }

// A pointer hidden in a name: U+226A "0x..." U+226B.
inline QString hidden(quint64 address)
{
    return QChar(0x226A) + QStringLiteral("0x%1").arg(address, 0, 16) + QChar(0x226B);
}

// One parameter of an instance: formal port on a net, both with pointers.
inline QString parameter(const QString &mark, const QString &formal, const QString &net, quint64 netAddress)
{
    return mark + formal + hidden(0x1000) + hair() + QLatin1Char('(') + net + hidden(netAddress) + QLatin1Char(')');
}

inline QString instanceText(const QString &name, const QStringList &parameters)
{
    return name + hair() + QLatin1Char('(') + parameters.join(QLatin1Char(',') + thin()) + QLatin1Char(')');
}

inline QString terminalText(const QString &mark, const QString &instance, const QString &port, const QString &net)
{
    return mark + instance + hair() + QLatin1Char('.') + port + hair() + QLatin1Char('(') + net + QLatin1Char(')');
}

} // namespace NetlistTexts
