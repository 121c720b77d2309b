#include "korvandebuggerwatchdelegate.h"

#include "colouredvalue.h"

#include "korvanstackproxymodel.h"

#include "graphengine/viewer/graphviewer.h"
#include "netlist/netlisttypes.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "netlist/windows/korvandebuggergraphexpand.h"
#include "plugin/korvandebuggerplugin.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QPixmap>
#include <QStyle>
#include <QTextDocument>
#include <QTreeView>

namespace KorvanDebugger {
namespace Internal {

using namespace Debugger::Internal;

namespace {
// Only the first delegate filters the application's events; it serves
// every watch view.
bool eventFilterFree = true;
QPointer<QWidget> rememberedWidget;
QPersistentModelIndex &contextIndex()
{
    static QPersistentModelIndex index;
    return index;
}

WatchGraphOpener &graphOpener()
{
    static WatchGraphOpener opener;
    return opener;
}

const int valueColumn = 1;
enum NetlistKind { instanceKind, instanceTerminalKind, netKind, moduleKind, modulePortKind };

// A copy of the viewer's graph state; a default one when it has none.
UndoFramework::GraphUndoState storedGraphState(const GraphEngine::GraphViewer *viewer)
{
    const int stateType = UndoFramework::registerGraphUndoStateType();
    QVariant stored = viewer ? viewer->stateMap().value(QStringLiteral("GraphViewer::GraphState")) : QVariant();
    if (stored.userType() == stateType)
        return stored.value<UndoFramework::GraphUndoState>();
    if (stored.isValid() && stored.convert(stateType))
        return stored.value<UndoFramework::GraphUndoState>();
    return UndoFramework::GraphUndoState();
}
const int typeColumn = 2;
const int longestFormatEntry = 70;
} // namespace

void setWatchGraphOpener(const WatchGraphOpener &opener)
{
    graphOpener() = opener;
}

bool hasWatchGraphOpener()
{
    return bool(graphOpener());
}

int netlistKindOfIndex(const QModelIndex &index)
{
    const QStringList *lists[] = {&instanceTypes(), &instanceTerminalTypes(), &netTypes(), &moduleTypes(),
                                  &modulePortTypes()};
    for (int kind = 0; kind < 5; ++kind) {
        if (isIndexOfRole(index, *lists[kind]))
            return kind;
    }
    return -1;
}

QVariant KorvanWatchProxyModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DecorationRole)
        return QIdentityProxyModel::data(index, role);
    const QString iname = index.model() ? index.data(LocalsINameRole).toString() : QString();
    if (iname.startsWith(QLatin1String("inspect."))) {
        Inspector::clearAllInspector();
        return QVariant();
    }
    if (index.column() == valueColumn && hasWatchGraphOpener() && netlistKindOfIndex(index) >= 0)
        return QVariant(QPixmap(QIdentityProxyModel::tr(":openGraph.png")));
    return QIdentityProxyModel::data(index, role);
}

QString customizationPath(const QModelIndex &index)
{
    const QString iname = index.data(LocalsINameRole).toString();
    if (!iname.startsWith(QLatin1String("watch.")))
        return iname;
    QModelIndex top = index.sibling(index.row(), 0);
    for (QModelIndex parent = top.parent(); parent.isValid(); parent = parent.parent()) {
        if (parent.data(LocalsINameRole).toString() == QLatin1String("watch"))
            break;
        top = parent;
    }
    const QString expression = top.data(LocalsRawExpressionRole).toString();
    const int dot = iname.indexOf(QLatin1Char('.'), 6);
    return dot < 0 ? expression : expression + iname.mid(dot);
}

void shortenFormatEntries(QMenu *menu)
{
    const QString prefix = QObject::tr("Change Display for ");
    for (QAction *action : menu->actions()) {
        const QString text = action->text();
        if (text.startsWith(prefix) && text.size() > longestFormatEntry)
            action->setText(text.left(longestFormatEntry - 3) + QObject::tr("..."));
    }
}

KorvanDebuggerWatchDelegate::KorvanDebuggerWatchDelegate(QTreeView *view)
    : WatchDelegate(view)
    , m_view(view)
{
    if (eventFilterFree) {
        QCoreApplication::instance()->installEventFilter(this);
        eventFilterFree = false;
    }
}

KorvanDebuggerWatchDelegate::~KorvanDebuggerWatchDelegate() = default;

QModelIndex KorvanDebuggerWatchDelegate::rememberedContextIndex()
{
    return contextIndex();
}

bool KorvanDebuggerWatchDelegate::eventFilter(QObject *watched, QEvent *event)
{
    // The view filters its editors' events through their delegate: without
    // the item delegate's own handling Return, Escape and leaving the
    // editor would do nothing. (The first delegate, which also filters the
    // whole application, sees such an event twice; the view ignores a
    // second commit or close of an editor it has already let go.)
    if (watched && watched->isWidgetType() && isOwnEditor(watched))
        return QItemDelegate::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::InputMethodQuery:
        rememberedWidget = qobject_cast<QWidget *>(watched);
        break;
    case QEvent::ContextMenu:
        if (auto tree = qobject_cast<QTreeView *>(rememberedWidget.data())) {
            auto menuEvent = static_cast<QContextMenuEvent *>(event);
            // The event may be addressed to the view's viewport or to the view.
            QPoint position = menuEvent->globalPos();
            position = tree->viewport()->mapFromGlobal(position);
            contextIndex() = tree->indexAt(position);
        }
        break;
    case QEvent::Polish: {
        auto menu = qobject_cast<QMenu *>(watched);
        if (!menu || menu->parent() || menu->title() != QObject::tr("Change Value Display Format"))
            break;
        shortenFormatEntries(menu);
        const QModelIndex index = contextIndex();
        const QString typeName = index.isValid() ? index.sibling(index.row(), typeColumn).data().toString() : QString();
        const QString path = index.isValid() ? customizationPath(index) : QString();
        if (KorvanDebuggerPlugin *plugin = KorvanDebuggerPlugin::instance())
            plugin->addCustomizedContainerAction(menu, typeName, path);
        break;
    }
    default:
        break;
    }
    return false;
}

KorvanWatchProxyModel *KorvanDebuggerWatchDelegate::installProxy(const QModelIndex &index) const
{
    if (m_proxy && m_proxy->sourceModel() == index.model())
        return m_proxy;
    delete m_proxy.data();
    auto model = const_cast<QAbstractItemModel *>(index.model());
    // The host model's parent owns the proxy; a model without one owns it
    // itself, so that the proxy never outlives what it shows.
    QObject *owner = model->QObject::parent() ? model->QObject::parent() : model;
    m_proxy = new KorvanWatchProxyModel(owner);
    m_proxy->setSourceModel(model);
    return m_proxy;
}

void KorvanDebuggerWatchDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    if (index.column() != valueColumn || !index.model()) {
        QItemDelegate::paint(painter, option, index);
        return;
    }
    QItemDelegate::paint(painter, option, installProxy(index)->mapFromSource(index));
}

QWidget *KorvanDebuggerWatchDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                                   const QModelIndex &index) const
{
    if (index.column() != valueColumn)
        return keepEditor(QItemDelegate::createEditor(parent, option, index));
    if (hasWatchGraphOpener()) {
        const int kind = netlistKindOfIndex(index);
        if (kind >= 0) {
            const_cast<KorvanDebuggerWatchDelegate *>(this)->openGraph(kind, index);
            return nullptr;
        }
    }
    if (KorvanDebuggerPlugin::openSource(index, false))
        return nullptr;
    return keepEditor(QItemDelegate::createEditor(parent, option, index));
}

QWidget *KorvanDebuggerWatchDelegate::keepEditor(QWidget *editor) const
{
    m_editors.removeAll(QPointer<QWidget>());
    if (editor)
        m_editors.append(editor);
    return editor;
}

bool KorvanDebuggerWatchDelegate::isOwnEditor(const QObject *object) const
{
    for (const QPointer<QWidget> &editor : m_editors)
        if (editor == object)
            return true;
    return false;
}

void KorvanDebuggerWatchDelegate::openGraph(int kind, const QModelIndex &index)
{
    openGraph(kind, index, false);
}

void KorvanDebuggerWatchDelegate::openGraph(int kind, const QModelIndex &index, bool fetched)
{
    const bool intoStackPath = kind >= 0 && kind <= 4 && kind != moduleKind
        && KorvanStackProxyModel::isStackExpandToolActive();
    if (!intoStackPath) {
        if (hasWatchGraphOpener())
            graphOpener()(m_view, kind, index);
        return;
    }
    KorvanDebuggerGraphEditor *window = KorvanStackProxyModel::stackWidget();
    QPointer<GraphEngine::GraphViewer> viewer = window->viewer();
    const QModelIndex cell = index.sibling(index.row(), 0);
    switch (kind) {
    case modulePortKind: {
        const UndoFramework::Port port(index, Inspector::pointerType(index), index.data(LocalsAddressRole).toULongLong());
        if (viewer)
            viewer->addElement(port, GraphEngine::Name());
        return;
    }
    case netKind: {
        UndoFramework::GraphUndoState state = storedGraphState(viewer);
        state.focusType = GraphEngine::GuiNetItem;
        state.focusName = GraphEngine::Name(index.sibling(index.row(), valueColumn).data(Qt::EditRole).toString());
        state.selectedEdgeName = GraphEngine::Name();
        KorvanDebuggerGraphExpand *tool = KorvanStackProxyModel::stackExpandTool();
        if (tool->requestEdgeInfo(Inspector::addressText(index), state))
            tool->commitExpansion(state);
        return;
    }
    case instanceTerminalKind:
        if (cell.isValid() && cell.model()->rowCount(cell) > 0) {
            const QModelIndex parent = Inspector::childValue(cell, QStringLiteral("Parent Instance"));
            const QModelIndex connection = Inspector::childValue(cell, QStringLiteral("Connection"));
            m_pendingEdgeName = GraphEngine::Name(
                connection.isValid() ? connection.sibling(connection.row(), valueColumn).data(Qt::EditRole).toString()
                                     : QString());
            // The instance is an item of its own: it may be fetched once
            // even when the terminal came from a fetch.
            if (parent.isValid()) {
                addToStackPath(parent, false);
                return;
            }
        }
        fetchForTransfer(cell, fetched);
        return;
    default:
        addToStackPath(index, fetched);
        return;
    }
}

void KorvanDebuggerWatchDelegate::addToStackPath(const QModelIndex &index, bool fetched)
{
    const QModelIndex cell = index.sibling(index.row(), 0);
    if (!cell.isValid())
        return;
    if (cell.model()->rowCount(cell) == 0) {
        fetchForTransfer(cell, fetched);
        return;
    }
    const QModelIndex value = index.sibling(index.row(), valueColumn);
    const QString valueText = value.data(Qt::EditRole).toString();
    if (valueText.isEmpty())
        return;
    const InspectedRecord record = inspectedRecord(value, valueText);
    KorvanDebuggerGraphEditor *window = KorvanStackProxyModel::stackWidget();
    if (GraphEngine::GraphViewer *viewer = window ? window->viewer() : nullptr) {
        if (record.isInstance)
            viewer->addElement(record.instance, m_pendingEdgeName);
        else
            viewer->addElement(record.port, m_pendingEdgeName);
    }
    m_pendingEdgeName = GraphEngine::Name();
}

void KorvanDebuggerWatchDelegate::fetchForTransfer(const QModelIndex &item, bool fetched)
{
    // An answer without the children it was fetched for would be fetched
    // again with each answer.
    if (fetched) {
        if (DebuggerEngine *engine = currentEngine())
            engine->showStatusMessage(tr("%1 brought no children: it is not added to the Stack Path.")
                                          .arg(item.data().toString()),
                                      10000);
        return;
    }
    m_inspector.addWatch(Inspector::addressText(item).toLocal8Bit(), QByteArray());
    connect(&m_inspector, &Inspector::dataReceived, this, &KorvanDebuggerWatchDelegate::completeStackTransfer,
            Qt::UniqueConnection);
    m_inspector.flushRequests();
}

void KorvanDebuggerWatchDelegate::completeStackTransfer()
{
    const QMap<QByteArray, QModelIndex> results = m_inspector.collectResults();
    m_inspector.reset();
    disconnect(&m_inspector, &Inspector::dataReceived, this, &KorvanDebuggerWatchDelegate::completeStackTransfer);
    for (const QModelIndex &index : results) {
        // Modules and values of no netlist role are not transferred.
        const int kind = netlistKindOfIndex(index);
        if (kind >= 0 && kind != moduleKind)
            openGraph(kind, index, true);
    }
}

void KorvanDebuggerWatchDelegate::drawDisplay(QPainter *painter, const QStyleOptionViewItem &option,
                                              const QRect &rect, const QString &text) const
{
    const QString html = watchCellHtml(text, option.state & QStyle::State_Selected);
    if (html.isEmpty()) {
        QItemDelegate::drawDisplay(painter, option, rect, text);
        return;
    }
    QTextDocument document;
    document.setHtml(html);
    drawHtmlDisplay(painter, option, rect, &document);
}

QString KorvanDebuggerWatchDelegate::displayText(const QModelIndex &index) const
{
    // What paint hands to drawDisplay: the display role (of the proxy, for a
    // value cell, which changes only the decoration).
    const QModelIndex painted = index.column() == valueColumn && index.model() ? installProxy(index)->mapFromSource(index)
                                                                                : index;
    return shownValueText(painted.data(Qt::DisplayRole).toString());
}

} // namespace Internal
} // namespace KorvanDebugger
