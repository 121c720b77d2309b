#pragma once

// Load-time normalisation of a class's field list, done on the generator's
// copy before Python is emitted: accessors get the dotted "context" of their
// place in the document, and a field that names a model class is replaced by
// that class's fields (with the field's container customisation applied).

#include <QJsonObject>
#include <QSet>
#include <QString>

namespace KorvanDebugger {
namespace Configuration {

class FieldList;

void normaliseFieldList(FieldList &list, const QString &path, QSet<QString> *modelsInExpansion);
void normaliseContainerDefinition(QJsonObject &target, const QJsonObject &source, const QString &path);
void swapJsonKeys(QJsonObject &object, const QString &first, const QString &second);
QString contextPath(const QString &path, const QString &name, const QString &key);
QJsonObject fieldListOfClass(const QJsonObject &field, const QJsonObject &classDefinition, const QString &context);

} // namespace Configuration
} // namespace KorvanDebugger
