#include "debuggercommand.h"

#include "softassert.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Debugger {
namespace Internal {

namespace {

// The bytes up to the first zero, as JSON text.
QString latin1Text(const char *text)
{
    return QString::fromLatin1(text ? text : "");
}

QJsonValue translateJsonToPython(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return QJsonValue(value.toBool() ? 1 : 0);
    case QJsonValue::Array: {
        QJsonArray array;
        for (const QJsonValue &element : value.toArray())
            array.append(translateJsonToPython(element));
        return array;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        QJsonObject translated;
        for (auto it = object.begin(); it != object.end(); ++it)
            translated.insert(it.key(), translateJsonToPython(it.value()));
        return translated;
    }
    default:
        return value;
    }
}

} // namespace

QJsonValue addToJsonObject(const QJsonValue &args, const char *name, const QJsonValue &value)
{
    KORVAN_SOFT_ASSERT(args.isObject() || args.isNull(), return args);
    QJsonObject object = args.toObject();
    object.insert(latin1Text(name), value);
    return object;
}

void DebuggerCommand::arg(const char *name, int value)
{
    args = addToJsonObject(args, name, value);
}

void DebuggerCommand::arg(const char *name, qlonglong value)
{
    args = addToJsonObject(args, name, value);
}

void DebuggerCommand::arg(const char *name, qulonglong value)
{
    // The dumper reads the same 64 bits back; never cut an address short.
    args = addToJsonObject(args, name, qint64(value));
}

void DebuggerCommand::arg(const char *name, bool value)
{
    args = addToJsonObject(args, name, value);
}

void DebuggerCommand::arg(const char *name, const QString &value)
{
    args = addToJsonObject(args, name, value);
}

void DebuggerCommand::arg(const char *name, const QByteArray &value)
{
    args = addToJsonObject(args, name, latin1Text(value.constData()));
}

void DebuggerCommand::arg(const char *name, const char *value)
{
    args = addToJsonObject(args, name, latin1Text(value));
}

void DebuggerCommand::arg(const char *name, const QList<int> &list)
{
    QJsonArray numbers;
    for (const int number : list)
        numbers.append(number);
    args = addToJsonObject(args, name, numbers);
}

void DebuggerCommand::arg(const char *name, const QJsonValue &value)
{
    args = addToJsonObject(args, name, value);
}

void DebuggerCommand::arg(const char *value)
{
    KORVAN_SOFT_ASSERT(args.isArray() || args.isNull(), return);
    QJsonArray array = args.toArray();
    array.append(latin1Text(value));
    args = array;
}

QByteArray DebuggerCommand::argsToPython() const
{
    const QJsonValue translated = translateJsonToPython(args);
    if (translated.isArray())
        return QJsonDocument(translated.toArray()).toJson(QJsonDocument::Compact);
    return QJsonDocument(translated.toObject()).toJson(QJsonDocument::Compact);
}

QByteArray DebuggerCommand::argsToString() const
{
    return args.isString() ? args.toString().toLatin1() : QByteArray();
}

} // namespace Internal
} // namespace Debugger
