#include "stacktreeview.h"

#include "debuggerconstants.h"
#include "debuggercore.h"

#include <utils/savedaction.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>

namespace Debugger {
namespace Internal {

namespace {
void appendRows(const QAbstractItemModel *model, const QModelIndex &parent, const QString &indent,
                QStringList *lines)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(parent); ++column)
            cells << model->index(row, column, parent).data().toString();
        lines->append(indent + cells.join(QLatin1Char('\t')));
        const QModelIndex child = model->index(row, 0, parent);
        if (model->hasChildren(child))
            appendRows(model, child, indent + QLatin1Char('\t'), lines);
    }
}
} // namespace

StackTreeView::StackTreeView(QWidget *parent)
    : QTreeView(parent)
{
}

QString StackTreeView::contentsText() const
{
    QStringList lines;
    if (model())
        appendRows(model(), QModelIndex(), QString(), &lines);
    return lines.join(QLatin1Char('\n'));
}

void StackTreeView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu;
    QAction *copy = menu.addAction(tr("Copy Contents to Clipboard"));
    connect(copy, &QAction::triggered, this, [this] { QApplication::clipboard()->setText(contentsText()); });
    menu.addSeparator();
    if (QAction *adjust = action(AlwaysAdjustColumnWidths))
        menu.addAction(adjust);
    menu.addSeparator();
    if (QAction *settings = action(SettingsDialog))
        menu.addAction(settings);
    menu.exec(event->globalPos());
    event->accept();
}

} // namespace Internal
} // namespace Debugger
