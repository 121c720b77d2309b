#pragma once

// Stand-in for the IDE's generic tree model: rows are TreeItems with one
// display text per column under an invisible root item.

#include <QAbstractItemModel>
#include <QStringList>
#include <QVector>

namespace Utils {

class TreeModel;

class TreeItem
{
public:
    TreeItem() = default;
    explicit TreeItem(const QStringList &displays, int flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    virtual ~TreeItem();

    TreeItem(const TreeItem &) = delete;
    TreeItem &operator=(const TreeItem &) = delete;

    virtual QVariant data(int column, int role) const;
    virtual Qt::ItemFlags flags(int column) const;

    TreeItem *parent() const { return m_parent; }
    TreeItem *child(int position) const { return m_children.value(position); }
    int childCount() const { return m_children.size(); }
    int rowCount() const { return childCount(); }
    bool hasChildren() const { return !m_children.isEmpty(); }
    int columnCount() const { return m_displays.size(); }
    // Position among the parent's children, -1 for a root.
    int indexInParent() const;
    const QStringList &displays() const { return m_displays; }

    // The item takes ownership of children. Models must be reset around
    // changes made directly on items; TreeModel's own operations notify.
    void appendChild(TreeItem *item);
    void insertChild(int position, TreeItem *item);
    // Removes and returns the child without deleting it (null when out of range).
    TreeItem *takeChild(int position);
    void removeChildren();

private:
    TreeItem *m_parent = nullptr;
    QVector<TreeItem *> m_children;
    QStringList m_displays;
    Qt::ItemFlags m_flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
};

class TreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit TreeModel(QObject *parent = nullptr);
    ~TreeModel() override;

    TreeItem *rootItem() const { return m_root; }
    TreeItem *itemForIndex(const QModelIndex &index) const;
    QModelIndex indexForItem(const TreeItem *item) const;

    void setHeader(const QStringList &displays);
    void setHeaderToolTip(const QStringList &tips);
    // Removes every row (reset framed).
    void clear();

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;

protected:
    // Removes every row without notifying views (for subclasses that frame
    // a larger change in their own reset).
    void clearWithoutReset();
    // Columns shown while no header is set.
    void setColumnCount(int columns) { m_columnCount = columns; }

private:
    TreeItem *m_root;
    QStringList m_header;
    QStringList m_headerToolTip;
    int m_columnCount = 1;
};

} // namespace Utils
