#include "watchhandler.h"

#include "debuggerconstants.h"

#include <protocol/debuggercommand.h>
#include <protocol/gdbmi.h>

#include <QJsonArray>
#include <QJsonObject>

namespace Debugger {
namespace Internal {

namespace {
const int NumChildRole = Qt::UserRole + 1;

struct Root
{
    const char *iname;
    const char *title;
};
const Root roots[] = {{"local", "Locals"}, {"inspect", "Inspector"}, {"watch", "Expressions"}};

// The whole text: QString::fromUtf8(QByteArray) would stop at a zero byte,
// and a byte array's value may hold one.
QString wholeText(const QByteArray &utf8)
{
    return QString::fromUtf8(utf8.constData(), utf8.size());
}

// As in the IDE, only an item's value can be edited: starting to edit it
// is also how the plug-ins' delegates open their own views of a value.
QList<QStandardItem *> makeRow(const QString &name, const QString &value, const QString &type, bool valueEditable)
{
    QList<QStandardItem *> row{new QStandardItem(name), new QStandardItem(value), new QStandardItem(type)};
    for (QStandardItem *cell : row)
        cell->setEditable(false);
    row.at(WatchModel::ValueColumn)->setEditable(valueEditable);
    return row;
}
} // namespace

WatchModel::WatchModel(QObject *parent)
    : QStandardItemModel(0, 3, parent)
{
    setHorizontalHeaderLabels({tr("Name"), tr("Value"), tr("Type")});
    for (const Root &root : roots) {
        QList<QStandardItem *> row = makeRow(tr(root.title), QString(), QString(), false);
        row.first()->setData(QString::fromLatin1(root.iname), LocalsINameRole);
        appendRow(row);
    }
}

QStandardItem *WatchModel::rootItem(const QString &iname) const
{
    const QString head = iname.section(QLatin1Char('.'), 0, 0);
    for (int row = 0; row < rowCount(); ++row) {
        if (item(row)->data(LocalsINameRole).toString() == head)
            return item(row);
    }
    return nullptr;
}

QModelIndex WatchModel::indexForIName(const QString &iname) const
{
    QStandardItem *current = rootItem(iname);
    if (!current)
        return QModelIndex();
    QString prefix = current->data(LocalsINameRole).toString();
    const QStringList parts = iname.split(QLatin1Char('.'));
    for (int i = 1; i < parts.size() && current; ++i) {
        // Components may hold dots of their own only when the dumper made
        // them; match the longest known iname instead of splitting blindly.
        QStandardItem *next = nullptr;
        for (int row = 0; row < current->rowCount(); ++row) {
            const QString childIName = current->child(row)->data(LocalsINameRole).toString();
            if (iname == childIName || iname.startsWith(childIName + QLatin1Char('.'))) {
                next = current->child(row);
                break;
            }
        }
        current = next;
        if (current && current->data(LocalsINameRole).toString() == iname)
            return current->index();
    }
    return current && current->data(LocalsINameRole).toString() == iname ? current->index() : QModelIndex();
}

bool WatchModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (index.column() != ValueColumn || role != Qt::EditRole || !index.parent().isValid())
        return QStandardItemModel::setData(index, value, role);
    // The text shown stays what the debugger holds: the new value goes to
    // the debugger, and the next update shows what it made of it.
    emit valueEditRequested(index.data(LocalsINameRole).toString(), index.data(LocalsExpressionRole).toString(),
                            value.toString());
    return true;
}

bool WatchModel::hasChildren(const QModelIndex &parent) const
{
    return QStandardItemModel::hasChildren(parent) || canFetchMore(parent);
}

bool WatchModel::canFetchMore(const QModelIndex &parent) const
{
    if (!parent.isValid() || parent.column() != 0)
        return false;
    QStandardItem *cell = itemFromIndex(parent);
    return cell && cell->rowCount() == 0 && cell->data(NumChildRole).toInt() > 0;
}

void WatchModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    const QString iname = parent.data(LocalsINameRole).toString();
    if (m_requestedFetches.contains(iname))
        return;
    m_requestedFetches.insert(iname);
    emit fetchRequested(iname);
}

WatchHandler::WatchHandler(QObject *parent)
    : QObject(parent)
    , m_model(new WatchModel(this))
{
    connect(m_model, &WatchModel::fetchRequested, this, [this](const QString &iname) { setExpanded(iname, true); });
}

void WatchHandler::removeChildren(const QString &iname)
{
    const QModelIndex index = m_model->indexForIName(iname);
    if (index.isValid())
        m_model->removeRows(0, m_model->rowCount(index), index);
}

void WatchHandler::cleanup()
{
    m_model->clearRequestedFetches();
    for (const Root &root : roots)
        removeChildren(QString::fromLatin1(root.iname));
}

void WatchHandler::insertItems(const GdbMi &items, bool resetLocals)
{
    if (resetLocals)
        removeChildren(QStringLiteral("local"));
    for (const GdbMi &item : items) {
        const QString iname = QString::fromUtf8(item["iname"].data());
        QStandardItem *root = m_model->rootItem(iname);
        if (!root || iname == root->data(LocalsINameRole).toString())
            continue;
        // The parent is the longest known iname in front of this one.
        QStandardItem *parent = root;
        const QModelIndex parentIndex = m_model->indexForIName(iname.section(QLatin1Char('.'), 0, -2));
        if (parentIndex.isValid())
            parent = m_model->itemFromIndex(parentIndex);
        const QModelIndex old = m_model->indexForIName(iname);
        if (old.isValid())
            m_model->removeRow(old.row(), old.parent());
        insertItem(parent, item);
    }
}

void WatchHandler::insertItem(QStandardItem *parent, const GdbMi &item)
{
    const QString iname = QString::fromUtf8(item["iname"].data());
    QList<QStandardItem *> row = makeRow(wholeText(item["name"].data()), wholeText(item["value"].data()),
                                         wholeText(item["type"].data()), true);
    const QString expression = QString::fromUtf8(item["exp"].data());
    bool hasAddress = false;
    const qulonglong address = item["address"].data().toULongLong(&hasAddress, 0);
    for (QStandardItem *cell : row) {
        cell->setData(iname, LocalsINameRole);
        cell->setData(expression, LocalsExpressionRole);
        cell->setData(item["type"].data(), LocalsTypeRole);
        if (hasAddress)
            cell->setData(address, LocalsAddressRole);
    }
    if (iname.startsWith(QLatin1String("watch."))) {
        row.first()->setData(expression, LocalsRawExpressionRole);
        if (parent == m_model->rootItem(iname) && m_watcherNames.contains(expression))
            row.first()->setText(m_watcherNames.value(expression));
    }
    row.first()->setData(item["numchild"].data().toInt(), NumChildRole);
    if (item["error"].data() == "1")
        row.at(1)->setForeground(Qt::red);
    parent->appendRow(row);
    for (const GdbMi &child : item["children"])
        insertItem(row.first(), child);
}

void WatchHandler::notifyUpdateFinished()
{
    m_model->clearRequestedFetches();
    emit m_model->updateFinished();
}

void WatchHandler::addDumpers(const GdbMi &dumpers)
{
    m_dumperTypes.clear();
    for (const GdbMi &dumper : dumpers)
        m_dumperTypes.append(QString::fromUtf8(dumper["type"].data()));
}

void WatchHandler::appendFormatRequests(DebuggerCommand *command) const
{
    // No per-type or per-item display formats are chosen in this host.
    command->arg("typeformats", QJsonValue(QJsonObject()));
    command->arg("formats", QJsonValue(QJsonObject()));
}

void WatchHandler::appendWatchersAndTooltipRequests(DebuggerCommand *command) const
{
    QJsonArray watchers;
    for (int i = 0; i < m_watchers.size(); ++i)
        watchers.append(QJsonObject{{QStringLiteral("iname"), QStringLiteral("watch.%1").arg(i)},
                                    {QStringLiteral("exp"), QString::fromLatin1(m_watchers.at(i).toUtf8().toHex())}});
    command->arg("watchers", QJsonValue(watchers));
}

void WatchHandler::watchExpression(const QString &expression, const QString &name)
{
    if (expression.isEmpty())
        return;
    if (!name.isEmpty())
        m_watcherNames.insert(expression, name);
    if (!m_watchers.contains(expression))
        m_watchers.append(expression);
    emit watchersChanged();
}

void WatchHandler::removeItemByIName(const QString &iname)
{
    const QModelIndex index = m_model->indexForIName(iname);
    if (!index.isValid() || !index.parent().isValid())
        return; // the roots stay
    m_expanded.remove(iname);
    if (iname.startsWith(QLatin1String("watch.")) && index.parent().data(LocalsINameRole).toString() == QLatin1String("watch")) {
        const QString expression = index.data(LocalsExpressionRole).toString();
        m_watchers.removeAll(expression);
        m_watcherNames.remove(expression);
        // Watched expressions are numbered by position: the later ones move up.
        m_model->removeRows(0, m_model->rowCount(index.parent()), index.parent());
        emit watchersChanged();
        return;
    }
    m_model->removeRow(index.row(), index.parent());
}

void WatchHandler::setExpanded(const QString &iname, bool expanded)
{
    if (expanded)
        m_expanded.insert(iname);
    else
        m_expanded.remove(iname);
}

} // namespace Internal
} // namespace Debugger
