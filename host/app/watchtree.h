#pragma once

#include <QString>

QT_BEGIN_NAMESPACE
class QAbstractItemModel;
QT_END_NAMESPACE

namespace Host {

// The items below the top-level watch item `rootIName` ("local", ...) as
// the model shows them: one line per item, "name = value  [type]", children
// indented by two blanks per level. Empty when the model has no such item.
QString watchTreeText(const QAbstractItemModel *model, const QString &rootIName);

} // namespace Host
