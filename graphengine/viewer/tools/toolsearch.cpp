#include "toolsearch.h"

#include "graphengine/globals.h"
#include "graphengine/model/gate.h"
#include "graphengine/scene/guielementtype.h"
#include "graphengine/scene/netlistitem.h"
#include "graphengine/viewer/graphviewer.h"
#include "graphengine/viewer/toolconfigurecommand.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMutexLocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QToolButton>

#include <algorithm>

static void initSearchToolResources()
{
    Q_INIT_RESOURCE(searchtool);
}

namespace GraphEngine {

namespace {

struct ModeRow
{
    ToolSearch::SearchMode mode;
    const char *text;
    const char *shortcut;
    const char *icon;
};

// The menu's order.
const ModeRow modeRows[] = {
    {ToolSearch::AnyItem, QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Any item"),
     QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Alt+A"), QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", ":search_any.png")},
    {ToolSearch::Gate, QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Gate"),
     QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Alt+G"), QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", ":search_gate.png")},
    {ToolSearch::Edge, QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Edge"),
     QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Alt+E"), QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", ":search_edge.png")},
    {ToolSearch::InputPort, QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Input port"),
     QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Alt+I"),
     QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", ":search_inputport.png")},
    {ToolSearch::OutputPort, QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Output port"),
     QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", "Alt+O"),
     QT_TRANSLATE_NOOP("GraphEngine::ToolSearch", ":search_outputport.png")},
};

QString translated(const char *text)
{
    return QCoreApplication::translate("GraphEngine::ToolSearch", text);
}

} // namespace

// ViewerSearchIndex -----------------------------------------------------------

ViewerSearchIndex::ViewerSearchIndex(GraphViewer *viewer, int filter)
{
    rebuild(viewer, filter);
}

void ViewerSearchIndex::rebuild(GraphViewer *viewer, int filter)
{
    beginResetModel();
    m_entries.clear();
    const QList<QGraphicsItem *> items = viewer && viewer->view() ? viewer->view()->items() : QList<QGraphicsItem *>();
    for (QGraphicsItem *item : items) {
        const int t = item->type();
        if (t <= GuiNoSceneItem || t >= GuiAnyItem)
            continue;
        if (t <= GuiNetItem) {
            if (filter == GuiAnyItem || filter == t)
                addItem(static_cast<NetlistItem *>(item));
        } else if (filter == GuiAnyPortGateItem || filter == GuiAnyItem || filter == t) {
            addItem(static_cast<NetlistItem *>(item));
        }
    }
    if (!m_sorted)
        sort();
    endResetModel();
}

void ViewerSearchIndex::addItem(NetlistItem *item)
{
    m_sorted = false;
    const GraphItem graphItem = item->graphItem();
    Gate *gate = graphItem.kind() == GraphItem::GateItem ? graphItem.gate() : nullptr;
    const int members = gate && gate->isCluster() ? gate->nativeNameCount() : 0;
    if (members == 0) {
        m_entries.append({graphItem.name(), item});
        return;
    }
    for (int i = 0; i < members; ++i)
        m_entries.append({Name(gate->nativeName(i).toString()), item});
}

void ViewerSearchIndex::sort()
{
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry &a, const Entry &b) { return Name::naturalLess(a.name, b.name); });
    m_sorted = true;
}

int ViewerSearchIndex::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

int ViewerSearchIndex::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant ViewerSearchIndex::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_entries.size())
        return QVariant();
    const Entry &entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DecorationRole:
        return iconOf(entry.item->type());
    case Qt::ToolTipRole:
        return entry.item->graphItem().describe(Name());
    case Qt::DisplayRole:
    case Qt::EditRole:
        return index.column() == 0 ? QVariant(entry.name.toString()) : QVariant();
    default:
        return QVariant();
    }
}

QIcon ViewerSearchIndex::iconOf(int type)
{
    static const QHash<int, QIcon> icons = [] {
        QMutexLocker locker(&globalLock());
        QHash<int, QIcon> table;
        for (const ModeRow &row : modeRows)
            table.insert(row.mode, QIcon(QPixmap(translated(row.icon))));
        return table;
    }();
    return icons.value(type, icons.value(ToolSearch::AnyItem));
}

// MyComboBox ------------------------------------------------------------------

MyComboBox::MyComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    setMinimumWidth(200);
    setInsertPolicy(QComboBox::NoInsert);
    lineEdit()->setClearButtonEnabled(true);
    connect(this, &QComboBox::editTextChanged, this, QOverload<>::of(&QWidget::update));
}

void MyComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const int exact = findData(lineEdit()->text(), Qt::DisplayRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    option.currentIcon = exact >= 0 ? itemIcon(exact) : ViewerSearchIndex::iconOf(ToolSearch::AnyItem);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

// ToolSearch ------------------------------------------------------------------

ToolSearch::ToolSearch(GraphViewer *viewer)
    : ToolBase(viewer)
{
    initSearchToolResources();
    qRegisterMetaType<SearchMode>("GraphEngine::ToolSearch::SearchMode");
    cursorMode = 0;

    auto *menu = new QMenu;
    menu->addAction(tr("search mode"))->setSeparator(true);
    for (const ModeRow &row : modeRows) {
        QAction *action = menu->addAction(QIcon(QPixmap(tr(row.icon))), tr(row.text));
        action->setData(int(row.mode));
        action->setShortcut(QKeySequence(tr(row.shortcut)));
    }
    setMenu(menu);
    connect(menu, &QMenu::triggered, this, &ToolSearch::modeSelected);

    auto *container = new QWidget(viewer);
    m_button = new QToolButton(container);
    m_button->setDefaultAction(this);
    m_combo = new MyComboBox(container);
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_button);
    layout->addWidget(m_combo);
    container->setMaximumHeight(m_button->sizeHint().height());
    toolWidget = container;

    setText(tr("Search Tool"));
    setShortcut(QKeySequence(tr("Ctrl+F")));
    setShortcutContext(Qt::WindowShortcut);
    setToolTip(tr("Search an item in the netlist (%1)").arg(tr("Ctrl+F")));
    setIcon(QIcon(tr(":highlightpath.png")));

    setCurrentMode(AnyItem);
    connect(m_combo->lineEdit(), &QLineEdit::editingFinished, this, &ToolSearch::searchOnEnterEvent);
    // Every load replaces the scene's items, a failed one too.
    if (viewer) {
        connect(viewer, &GraphViewer::designChanged, this, &ToolSearch::reset);
        connect(viewer, &GraphViewer::renderingError, this, &ToolSearch::reset);
    }
}

int ToolSearch::itemType() const
{
    return GuiNoSceneItem;
}

bool ToolSearch::acceptsViewer(bool) const
{
    return true;
}

GraphViewer *ToolSearch::viewer() const
{
    return qobject_cast<GraphViewer *>(parent());
}

void ToolSearch::setCurrentMode(SearchMode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    setIcon(ViewerSearchIndex::iconOf(mode));
    auto *index = new ViewerSearchIndex(viewer(), mode);
    // The combo box deletes the index it held: its child too.
    index->setParent(m_combo);
    m_combo->setModel(index);
    m_combo->setModelColumn(0);
    m_combo->lineEdit()->clear();
    if (!m_comboConnected) {
        connect(m_combo, QOverload<int>::of(&QComboBox::activated), this, &ToolSearch::itemSelected);
        m_comboConnected = true;
    }
}

void ToolSearch::modeSelected(QAction *action)
{
    GraphViewer *host = viewer();
    if (!host || !action)
        return;
    host->pushCommand(
        new ToolConfigureCommand<SearchMode>(this, QStringLiteral("CurrentMode"), SearchMode(action->data().toInt())));
}

void ToolSearch::itemSelected(int index)
{
    auto *model = qobject_cast<ViewerSearchIndex *>(m_combo->model());
    GraphViewer *host = viewer();
    if (!model || !host)
        return;
    if (index >= 0 && index < model->entries().size()) {
        const ViewerSearchIndex::Entry &entry = model->entries().at(index);
        host->centerOn(entry.item, true, entry.name, true);
    } else {
        host->centerOn(nullptr, true, Name(), true);
    }
}

void ToolSearch::searchOnEnterEvent()
{
    const QString text = m_combo->lineEdit()->text();
    if (!text.isEmpty() && text == m_combo->itemText(m_combo->currentIndex()))
        itemSelected(m_combo->currentIndex());
}

void ToolSearch::reset()
{
    if (auto *model = qobject_cast<ViewerSearchIndex *>(m_combo->model()))
        model->rebuild(viewer(), m_mode);
}

} // namespace GraphEngine
