#include "korvandebuggerwatchdelegate.h"

#include "colouredvalue.h"

#include "netlist/netlisttypes.h"
#include "plugin/korvandebuggerplugin.h"

#include <debugger/debuggerconstants.h>

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
    m_proxy = new KorvanWatchProxyModel(model->QObject::parent());
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
        return QItemDelegate::createEditor(parent, option, index);
    if (hasWatchGraphOpener()) {
        const int kind = netlistKindOfIndex(index);
        if (kind >= 0) {
            openGraph(kind, index);
            return nullptr;
        }
    }
    if (KorvanDebuggerPlugin::openSource(index, false))
        return nullptr;
    return QItemDelegate::createEditor(parent, option, index);
}

void KorvanDebuggerWatchDelegate::openGraph(int kind, const QModelIndex &index) const
{
    graphOpener()(m_view, kind, index);
}

void KorvanDebuggerWatchDelegate::drawDisplay(QPainter *painter, const QStyleOptionViewItem &option,
                                              const QRect &rect, const QString &text) const
{
    if (!hasValueMarks(text)) {
        QItemDelegate::drawDisplay(painter, option, rect, text);
        return;
    }
    QTextDocument document;
    document.setHtml(markedValueHtml(text, option.state & QStyle::State_Selected));
    drawHtmlDisplay(painter, option, rect, &document);
}

} // namespace Internal
} // namespace KorvanDebugger
