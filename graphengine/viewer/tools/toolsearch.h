#pragma once

#include "graphengine/model/name.h"
#include "graphengine/viewer/toolbase.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QVector>

QT_BEGIN_NAMESPACE
class QToolButton;
QT_END_NAMESPACE

namespace GraphEngine {

class GraphViewer;
class NetlistItem;

// The names of a viewer's gates, nets and port gates of one kind (a scene
// item type, or the "any item" and "any port" filters), in natural order.
// A cluster gate is listed once per native element it stands for.
class ViewerSearchIndex : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Entry
    {
        Name name;
        NetlistItem *item;
    };

    ViewerSearchIndex(GraphViewer *viewer, int filter);

    void rebuild(GraphViewer *viewer, int filter);
    void addItem(NetlistItem *item);
    const QVector<Entry> &entries() const { return m_entries; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // The icon of the search mode or scene item type; "any" for the rest.
    static QIcon iconOf(int type);

private:
    void sort();

    QVector<Entry> m_entries;
    bool m_sorted = true;
};

// The search field: its icon is that of the entry whose text the field
// holds exactly, else the "any" icon.
class MyComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit MyComboBox(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Finds a gate, net or port of the drawn graph by name and centres the view
// on it. The mode (which kind of element is listed) is undoable.
class ToolSearch : public ToolBase
{
    Q_OBJECT

public:
    enum SearchMode {
        AnyItem = 0x10007,
        Gate = 0x10002,
        Edge = 0x10004,
        InputPort = 0x10005,
        OutputPort = 0x10006,
    };
    Q_ENUM(SearchMode)

    explicit ToolSearch(GraphViewer *viewer);

    int itemType() const override;
    bool acceptsViewer(bool hasGraphState) const override;

    Q_INVOKABLE GraphEngine::ToolSearch::SearchMode getCurrentMode() const { return m_mode; }
    QToolButton *button() const { return m_button; }
    MyComboBox *combo() const { return m_combo; }

public slots:
    void setCurrentMode(GraphEngine::ToolSearch::SearchMode mode);
    void itemSelected(int index);
    void searchOnEnterEvent();
    void reset();
    void modeSelected(QAction *action);

private:
    GraphViewer *viewer() const;

    // Not a mode, so the first setCurrentMode builds the index.
    SearchMode m_mode = SearchMode(0);
    QToolButton *m_button = nullptr;
    MyComboBox *m_combo = nullptr;
    bool m_comboConnected = false;
};

} // namespace GraphEngine

