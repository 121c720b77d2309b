#pragma once

// The few ways in which editors, the normalisation and the debugger side edit
// nested definitions. The editing helpers return the object they change so
// that calls chain.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

namespace KorvanDebugger {
namespace Configuration {

class BaseInput;

QJsonObject &jsonMergeMissing(QJsonObject &target, const QJsonObject &source);
QJsonObject &jsonInsert(QJsonObject &object, const QString &key, const QJsonValue &value);
QJsonObject &jsonArraySetAt(QJsonObject &object, const QString &key, int index, const QJsonValue &value);
// A null context adds nothing; an empty but non-null one is set as "context".
QJsonObject &jsonArrayAppendAt(QJsonObject &object, const QString &key, const QJsonValue &value,
                               const QString &context = QString());
QJsonObject &jsonArrayPrependAt(QJsonObject &object, const QString &key, const QJsonValue &value,
                                const QString &context = QString());
void jsonSetAtPath(QJsonObject &object, const QStringList &path, const QJsonValue &value);

QString fieldsPathOfClass(const QJsonObject &classDefinition);
QJsonObject inputValueAsObject(const BaseInput &input);

} // namespace Configuration
} // namespace KorvanDebugger
