#include "korvandebuggerstackdelegate.h"

#include "colouredvalue.h"
#include "korvandebuggerwatchdelegate.h"

#include "netlist/netlisttypes.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "plugin/korvandebuggerplugin.h"

#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <debugger/watchhandler.h>
#include <utils/savedaction.h>

#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTimer>

namespace KorvanDebugger {
namespace Internal {

using namespace Debugger::Internal;

namespace {
const int functionColumn = 1;
const int longestMenuLabel = 20;
const QChar structureMark(0x200A);
const QChar listItemMark(0x2009);
const QLatin1String scopeFont("<font color=\"#430\">");
const QLatin1String functionFont("<font color=\"#a70\">");

// The view's own context menu, which the plug-in's custom menu replaces
// for argument rows only.
struct ViewMenu : QTreeView
{
    using QTreeView::contextMenuEvent;
};
} // namespace

QString stackFunctionHtml(const QString &text)
{
    QString t = text.toHtmlEscaped();
    t.remove(hiddenSegmentPattern());
    // Both opening tags have the same length: positions found in one hold
    // in the other.
    QString html = functionFont + t;
    const int equals = html.indexOf(QLatin1String(" = "));
    if (equals >= 0) {
        html = scopeFont + t;
        html.replace(equals, 3, QLatin1String("</font> = ") + functionFont);
    } else {
        const int paren = html.indexOf(QLatin1Char('('));
        const int scope = paren < 0 ? html.lastIndexOf(QLatin1String("::"))
                                    : (paren >= 2 ? html.lastIndexOf(QLatin1String("::"), paren - 2) : -1);
        if (scope >= functionFont.size()) {
            html = scopeFont + t;
            html.replace(scope, 2, QLatin1String("</font>::") + functionFont);
        }
    }
    const int first = html.indexOf(structureMark);
    if (first >= 0)
        html.replace(first, 1, QLatin1String("</font>"));
    html.replace(QString(structureMark) + QLatin1Char('('), QLatin1String("</font>(<font color=\"#808\">"));
    html.replace(QLatin1String("),") + listItemMark, QLatin1String("</font>),<font color=\"#00F\">"));
    html.replace(listItemMark, QLatin1String("<font color=\"#00F\">"));
    if (html.endsWith(QLatin1String("))")))
        html.replace(html.size() - 2, 2, QLatin1String("</font>))"));
    else if (html.endsWith(QLatin1Char(')')))
        html.replace(html.size() - 1, 1, QLatin1String("</font>)"));
    return html;
}

KorvanDebuggerStackDelegate::KorvanDebuggerStackDelegate(QTreeView *view)
    : QItemDelegate(view)
    , m_view(view)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            &KorvanDebuggerStackDelegate::showContextCustomContextMenu);
    connect(view, &QTreeView::expanded, this, &KorvanDebuggerStackDelegate::expandNode);
    connect(view, &QTreeView::collapsed, this, &KorvanDebuggerStackDelegate::collapseNode);
    connect(&m_inspector, &Inspector::requestsDropped, this, &KorvanDebuggerStackDelegate::requestsDropped);
}

KorvanDebuggerStackDelegate::~KorvanDebuggerStackDelegate()
{
    disconnect(m_engineWatch);
}

KorvanStackProxyModel *KorvanDebuggerStackDelegate::installProxy(const QModelIndex &index) const
{
    auto model = const_cast<QAbstractItemModel *>(index.model());
    if (auto shown = qobject_cast<KorvanStackProxyModel *>(model))
        model = shown->sourceModel();
    if (m_proxy && m_proxy->sourceModel() == model)
        return m_proxy;
    delete m_proxy.data();
    m_proxy = new KorvanStackProxyModel(model, m_view);
    // The host's own activation would switch frames on argument rows too.
    disconnect(m_view, &QAbstractItemView::activated, nullptr, nullptr);
    connect(m_view, &QAbstractItemView::activated, this, &KorvanDebuggerStackDelegate::frameSelected);
    // Not during this paint: the view may not change its model in it.
    QTimer::singleShot(1, this, &KorvanDebuggerStackDelegate::propagateProxy);
    return m_proxy;
}

void KorvanDebuggerStackDelegate::propagateProxy()
{
    if (m_proxy && m_view && m_view->model() != m_proxy)
        m_view->setModel(m_proxy);
}

void KorvanDebuggerStackDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    if (index.column() != functionColumn || !index.model() || !m_view) {
        QItemDelegate::paint(painter, option, index);
        return;
    }
    KorvanStackProxyModel *proxy = installProxy(index);
    QItemDelegate::paint(painter, option, index.model() == proxy ? index : proxy->mapFromSource(index));
}

void KorvanDebuggerStackDelegate::drawDisplay(QPainter *painter, const QStyleOptionViewItem &option,
                                              const QRect &rect, const QString &text) const
{
    if (!text.contains(structureMark)) {
        QItemDelegate::drawDisplay(painter, option, rect, text);
        return;
    }
    QTextDocument document;
    document.setHtml(stackFunctionHtml(text));
    drawHtmlDisplay(painter, option, rect, &document);
}

QString KorvanDebuggerStackDelegate::currentFrameText() const
{
    return m_proxy ? KorvanStackProxyModel::currentFrameText() : QString();
}

void KorvanDebuggerStackDelegate::frameSelected(const QModelIndex &index)
{
    if (!m_proxy || KorvanStackProxyModel::isArgumentIndex(index.sibling(index.row(), 0)))
        return;
    if (DebuggerEngine *engine = currentEngine())
        engine->activateFrame(index.row());
}

void KorvanDebuggerStackDelegate::expandNode(const QModelIndex &index)
{
    if (m_proxy && index.model() == m_proxy)
        m_proxy->recordExpansion(index, true);
}

void KorvanDebuggerStackDelegate::collapseNode(const QModelIndex &index)
{
    if (m_proxy && index.model() == m_proxy)
        m_proxy->recordExpansion(index, false);
}

void KorvanDebuggerStackDelegate::analyzeStack()
{
    if (m_proxy)
        m_proxy->analyseStack();
}

bool KorvanDebuggerStackDelegate::fillArgumentMenu(QMenu *menu, const QModelIndex &index)
{
    const StackArgument *found = m_proxy && index.model() == m_proxy ? KorvanStackProxyModel::argumentOf(index)
                                                                      : nullptr;
    if (!found)
        return false;
    // The menu outlives no reset, but its actions run after it closed: they
    // keep their own copy of the argument.
    const StackArgument argument = *found;
    QString label = m_proxy->argumentValueText(argument);
    label.remove(hiddenSegmentPattern());
    if (label.size() > longestMenuLabel)
        label = label.left(longestMenuLabel) + tr("...");

    QAction *watch = menu->addAction(tr("Watch Value: %1").arg(label));
    // A value GDB did not send cannot be watched as an expression.
    watch->setEnabled(!argument.value.isNull() && argument.value != KorvanStackProxyModel::tr("<Not accessible>"));
    connect(watch, &QAction::triggered, this, [argument] {
        if (DebuggerEngine *engine = currentEngine())
            engine->watchHandler()->watchExpression(argumentExpression(argument), argument.name);
    });
    if (isNetlistType(argument.type) && m_pendingExpression.isNull() && watch->isEnabled()) {
        connect(menu->addAction(tr("View in Graph Viewer: %1").arg(label)), &QAction::triggered, this,
                [this, argument] { startRequest(argument, Request::Graph); });
        connect(menu->addAction(tr("Open Source: %1").arg(label)), &QAction::triggered, this,
                [this, argument] { startRequest(argument, Request::Source); });
    }
    menu->addSeparator();
    if (QAction *adjust = action(AlwaysAdjustColumnWidths))
        menu->addAction(adjust);
    menu->addSeparator();
    if (QAction *settings = action(SettingsDialog))
        menu->addAction(settings);
    return true;
}

void KorvanDebuggerStackDelegate::showContextCustomContextMenu(const QPoint &position)
{
    if (!m_view)
        return;
    QMenu menu;
    if (!fillArgumentMenu(&menu, m_view->indexAt(position))) {
        QContextMenuEvent event(QContextMenuEvent::Other, position);
        (m_view.data()->*(&ViewMenu::contextMenuEvent))(&event);
        return;
    }
    menu.exec(QCursor::pos());
}

void KorvanDebuggerStackDelegate::startRequest(const StackArgument &argument, Request request)
{
    m_pendingExpression = argumentExpression(argument);
    m_requestPosted = false;
    runRequest(request);
}

void KorvanDebuggerStackDelegate::openGraph()
{
    runRequest(Request::Graph);
}

void KorvanDebuggerStackDelegate::openSource()
{
    runRequest(Request::Source);
}

void KorvanDebuggerStackDelegate::runRequest(Request request)
{
    if (m_pendingExpression.isNull())
        return;
    const QByteArray expression = m_pendingExpression.toLocal8Bit();
    const QModelIndex item = m_inspector.valueOf(expression);
    const auto slot = request == Request::Graph ? &KorvanDebuggerStackDelegate::openGraph
                                                : &KorvanDebuggerStackDelegate::openSource;
    if (item.isValid()) {
        cancelRequest();
        if (request == Request::Source) {
            KorvanDebuggerPlugin::openSource(item, true);
            return;
        }
        // The window shows and manages itself.
        const int kind = netlistKindOfIndex(item);
        if (kind >= 0)
            new KorvanDebuggerGraphEditor(nullptr, kind, item.sibling(item.row(), functionColumn));
        return;
    }
    if (m_requestPosted)
        return;
    m_inspector.addWatch(expression, QByteArray());
    connect(&m_inspector, &Inspector::dataReceived, this, slot, Qt::UniqueConnection);
    m_inspector.flushRequests();
    m_requestPosted = true;
    DebuggerEngine *engine = currentEngine();
    if (!m_inspector.isPending() || !engine) {
        // Not sent (no GDB session): no answer will come.
        cancelRequest();
        return;
    }
    disconnect(m_engineWatch);
    m_engineWatch = connect(engine, &DebuggerEngine::stateChanged, this, [this](int state) {
        if (state != InferiorStopOk)
            cancelRequest();
    });
}

void KorvanDebuggerStackDelegate::cancelRequest()
{
    m_inspector.reset();
    m_pendingExpression = QString();
    m_requestPosted = false;
    disconnect(&m_inspector, &Inspector::dataReceived, this, &KorvanDebuggerStackDelegate::openGraph);
    disconnect(&m_inspector, &Inspector::dataReceived, this, &KorvanDebuggerStackDelegate::openSource);
    disconnect(m_engineWatch);
}

void KorvanDebuggerStackDelegate::requestsDropped(const QList<QByteArray> &expressions)
{
    if (m_pendingExpression.isNull() || !expressions.contains(m_pendingExpression.toLocal8Bit()))
        return;
    const QString expression = m_pendingExpression;
    cancelRequest();
    if (DebuggerEngine *engine = currentEngine())
        engine->showStatusMessage(tr("The debugger could not evaluate %1: nothing is opened.").arg(expression),
                                  10000);
}

} // namespace Internal
} // namespace KorvanDebugger
