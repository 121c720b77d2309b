#include "watchtree.h"

#include <debugger/debuggerconstants.h>

#include <QAbstractItemDelegate>
#include <QAbstractItemView>

#include <functional>

namespace Host {

namespace {
using CellText = std::function<QString(const QModelIndex &)>;

void appendRows(const QAbstractItemModel *model, const QModelIndex &parent, int depth, const CellText &cellText,
                QString *out)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex name = model->index(row, 0, parent);
        const QString value = cellText(model->index(row, 1, parent));
        const QString type = cellText(model->index(row, 2, parent));
        *out += QString(2 * depth, QLatin1Char(' ')) + cellText(name) + QStringLiteral(" = ") + value;
        if (!type.isEmpty())
            *out += QStringLiteral("  [") + type + QLatin1Char(']');
        *out += QLatin1Char('\n');
        appendRows(model, name, depth + 1, cellText, out);
    }
}

QString treeText(const QAbstractItemModel *model, const QString &rootIName, const CellText &cellText)
{
    if (!model)
        return QString();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex root = model->index(row, 0);
        if (root.data(Debugger::Internal::LocalsINameRole).toString() == rootIName) {
            QString out;
            appendRows(model, root, 0, cellText, &out);
            return out;
        }
    }
    return QString();
}

QString modelText(const QModelIndex &index)
{
    return index.data().toString();
}
} // namespace

QString watchTreeText(const QAbstractItemModel *model, const QString &rootIName)
{
    return treeText(model, rootIName, modelText);
}

QString watchTreeText(const QAbstractItemView *view, const QString &rootIName)
{
    if (!view)
        return QString();
    return treeText(view->model(), rootIName, [view](const QModelIndex &index) {
        QAbstractItemDelegate *delegate = view->itemDelegate(index);
        if (!delegate || delegate->metaObject()->indexOfMethod("displayText(QModelIndex)") < 0)
            return modelText(index);
        QString text;
        QMetaObject::invokeMethod(delegate, "displayText", Qt::DirectConnection, Q_RETURN_ARG(QString, text),
                                  Q_ARG(QModelIndex, index));
        return text;
    });
}

} // namespace Host
