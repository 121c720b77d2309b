#include "treemodel.h"

#include <utility>

namespace Utils {

TreeItem::TreeItem(const QStringList &displays, int flags)
    : m_displays(displays)
    , m_flags(Qt::ItemFlags(flags))
{
}

TreeItem::~TreeItem()
{
    removeChildren();
}

QVariant TreeItem::data(int column, int role) const
{
    if (role == Qt::DisplayRole && column >= 0 && column < m_displays.size())
        return m_displays.at(column);
    return QVariant();
}

Qt::ItemFlags TreeItem::flags(int column) const
{
    Q_UNUSED(column)
    return m_flags;
}

int TreeItem::indexInParent() const
{
    return m_parent ? m_parent->m_children.indexOf(const_cast<TreeItem *>(this)) : -1;
}

void TreeItem::appendChild(TreeItem *item)
{
    insertChild(m_children.size(), item);
}

void TreeItem::insertChild(int position, TreeItem *item)
{
    if (!item)
        return;
    position = qBound(0, position, m_children.size());
    item->m_parent = this;
    m_children.insert(position, item);
}

TreeItem *TreeItem::takeChild(int position)
{
    if (position < 0 || position >= m_children.size())
        return nullptr;
    TreeItem *item = m_children.takeAt(position);
    item->m_parent = nullptr;
    return item;
}

void TreeItem::removeChildren()
{
    const QVector<TreeItem *> children = std::exchange(m_children, {});
    for (TreeItem *child : children)
        delete child;
}

TreeModel::TreeModel(QObject *parent)
    : QAbstractItemModel(parent)
    , m_root(new TreeItem)
{
}

TreeModel::~TreeModel()
{
    delete m_root;
}

TreeItem *TreeModel::itemForIndex(const QModelIndex &index) const
{
    if (!index.isValid())
        return m_root;
    return static_cast<TreeItem *>(index.internalPointer());
}

QModelIndex TreeModel::indexForItem(const TreeItem *item) const
{
    if (!item || item == m_root || !item->parent())
        return QModelIndex();
    return createIndex(item->indexInParent(), 0, const_cast<TreeItem *>(item));
}

void TreeModel::setHeader(const QStringList &displays)
{
    m_header = displays;
    if (!displays.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, displays.size() - 1);
}

void TreeModel::setHeaderToolTip(const QStringList &tips)
{
    m_headerToolTip = tips;
    if (!tips.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, tips.size() - 1);
}

void TreeModel::clear()
{
    beginResetModel();
    clearWithoutReset();
    endResetModel();
}

void TreeModel::clearWithoutReset()
{
    m_root->removeChildren();
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column < 0 || column >= columnCount(parent))
        return QModelIndex();
    const TreeItem *parentItem = itemForIndex(parent);
    TreeItem *item = parentItem ? parentItem->child(row) : nullptr;
    return item ? createIndex(row, column, item) : QModelIndex();
}

QModelIndex TreeModel::parent(const QModelIndex &index) const
{
    if (!index.isValid())
        return QModelIndex();
    const TreeItem *item = itemForIndex(index);
    return indexForItem(item ? item->parent() : nullptr);
}

int TreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const TreeItem *item = itemForIndex(parent);
    return item ? item->childCount() : 0;
}

int TreeModel::columnCount(const QModelIndex &parent) const
{
    Q_UNUSED(parent)
    return m_header.isEmpty() ? m_columnCount : m_header.size();
}

QVariant TreeModel::data(const QModelIndex &index, int role) const
{
    const TreeItem *item = index.isValid() ? itemForIndex(index) : nullptr;
    return item ? item->data(index.column(), role) : QVariant();
}

Qt::ItemFlags TreeModel::flags(const QModelIndex &index) const
{
    const TreeItem *item = index.isValid() ? itemForIndex(index) : nullptr;
    return item ? item->flags(index.column()) : Qt::NoItemFlags;
}

QVariant TreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::DisplayRole && section >= 0 && section < m_header.size())
        return m_header.at(section);
    if (role == Qt::ToolTipRole && section >= 0 && section < m_headerToolTip.size())
        return m_headerToolTip.at(section);
    return QVariant();
}

bool TreeModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

} // namespace Utils
