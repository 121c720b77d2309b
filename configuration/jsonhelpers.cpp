#include "jsonhelpers.h"

#include "baseinput.h"
#include "document.h"
#include "keys.h"

namespace KorvanDebugger {
namespace Configuration {

namespace {

QJsonArray asListForAdding(const QJsonObject &object, const QString &key)
{
    const QJsonValue current = object.value(key);
    if (current.isArray())
        return current.toArray();
    return QJsonArray{current.toObject()};
}

QJsonValue withContext(const QJsonValue &value, const QString &context)
{
    if (!value.isObject() || context.isNull())
        return value;
    QJsonObject object = value.toObject();
    object.insert(Key::context, context);
    return object;
}

} // namespace

QJsonObject &jsonMergeMissing(QJsonObject &target, const QJsonObject &source)
{
    for (auto it = source.constBegin(); it != source.constEnd(); ++it) {
        if (!target.contains(it.key()))
            target.insert(it.key(), it.value());
    }
    return target;
}

QJsonObject &jsonInsert(QJsonObject &object, const QString &key, const QJsonValue &value)
{
    object.insert(key, value);
    return object;
}

QJsonObject &jsonArraySetAt(QJsonObject &object, const QString &key, int index, const QJsonValue &value)
{
    QJsonArray array = object.value(key).toArray();
    if (index >= 0 && index < array.size())
        array.replace(index, value);
    else if (index == array.size() || index == -1)
        array.append(value);
    object.insert(key, array);
    return object;
}

QJsonObject &jsonArrayAppendAt(QJsonObject &object, const QString &key, const QJsonValue &value,
                               const QString &context)
{
    QJsonArray array = asListForAdding(object, key);
    array.append(withContext(value, context));
    object.insert(key, array);
    return object;
}

QJsonObject &jsonArrayPrependAt(QJsonObject &object, const QString &key, const QJsonValue &value,
                                const QString &context)
{
    QJsonArray array = asListForAdding(object, key);
    array.prepend(withContext(value, context));
    object.insert(key, array);
    return object;
}

void jsonSetAtPath(QJsonObject &object, const QStringList &path, const QJsonValue &value)
{
    if (path.isEmpty())
        return;
    const QString &key = path.first();
    if (path.size() == 1) {
        object.insert(key, value);
        return;
    }
    QJsonObject inner = object.value(key).toObject();
    jsonSetAtPath(inner, path.mid(1), value);
    object.insert(key, inner);
}

QString fieldsPathOfClass(const QJsonObject &classDefinition)
{
    return QStringLiteral("classes.%1.%2.fields")
        .arg(displayGroupName(classDefinition.value(Key::group).toString()),
             classDefinition.value(Key::className).toObject().value(Key::TemplateType).toString());
}

QJsonObject inputValueAsObject(const BaseInput &input)
{
    const QJsonValue value = input.value();
    if (value.isNull() || value.isUndefined())
        return QJsonObject();
    if (value.isObject() && value.toObject().isEmpty())
        return QJsonObject();
    if (value.isArray() && value.toArray().isEmpty())
        return QJsonObject();
    return QJsonObject{{input.key(), value}};
}

} // namespace Configuration
} // namespace KorvanDebugger
