#include "watchtree.h"

#include <debugger/debuggerconstants.h>

#include <QAbstractItemModel>

namespace Host {

namespace {
void appendRows(const QAbstractItemModel *model, const QModelIndex &parent, int depth, QString *out)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex name = model->index(row, 0, parent);
        const QString value = model->index(row, 1, parent).data().toString();
        const QString type = model->index(row, 2, parent).data().toString();
        *out += QString(2 * depth, QLatin1Char(' ')) + name.data().toString() + QStringLiteral(" = ") + value;
        if (!type.isEmpty())
            *out += QStringLiteral("  [") + type + QLatin1Char(']');
        *out += QLatin1Char('\n');
        appendRows(model, name, depth + 1, out);
    }
}
} // namespace

QString watchTreeText(const QAbstractItemModel *model, const QString &rootIName)
{
    if (!model)
        return QString();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex root = model->index(row, 0);
        if (root.data(Debugger::Internal::LocalsINameRole).toString() == rootIName) {
            QString out;
            appendRows(model, root, 0, &out);
            return out;
        }
    }
    return QString();
}

} // namespace Host
