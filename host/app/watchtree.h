#pragma once

#include <QString>

QT_BEGIN_NAMESPACE
class QAbstractItemModel;
class QAbstractItemView;
QT_END_NAMESPACE

namespace Host {

// The items below the top-level watch item `rootIName` ("local", ...) as
// the model holds them: one line per item, "name = value  [type]", children
// indented by two blanks per level. Empty when the model has no such item.
QString watchTreeText(const QAbstractItemModel *model, const QString &rootIName);
// The same over the view's model, each cell as the view shows it: the text
// its item delegate paints when the delegate offers it (an invokable
// "displayText(QModelIndex)", as a plug-in's delegate may), else the model's.
QString watchTreeText(const QAbstractItemView *view, const QString &rootIName);

} // namespace Host
