#pragma once

// The plug-in's item delegate of the host's stack view (the tree view with
// five header sections). On its first paint it puts a KorvanStackProxyModel
// in front of the view's model, so that every frame shows its arguments; it
// paints the function column as coloured HTML, gives argument rows their
// own menu (watch the value, view it as a graph, open its source), and
// keeps frame activation and expansion memory apart from argument rows.

#include "inspector.h"
#include "korvanstackproxymodel.h"

#include <QItemDelegate>
#include <QMetaObject>
#include <QPointer>
#include <QTreeView>

QT_BEGIN_NAMESPACE
class QMenu;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Internal {

// The HTML of a function cell: scope in "#430", function name in "#a70",
// argument names in "#00F", argument values in "#808"; an argument row's
// "type: name = value" as type in "#430" and the rest in "#a70". The text
// is escaped and its hidden segments left out.
QString stackFunctionHtml(const QString &text);

class KorvanDebuggerStackDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    // The view owns the delegate.
    explicit KorvanDebuggerStackDelegate(QTreeView *view);
    ~KorvanDebuggerStackDelegate() override;

    QTreeView *view() const { return m_view; }
    KorvanStackProxyModel *proxy() const { return m_proxy; }
    Inspector &inspector() { return m_inspector; }
    // The argument of the graph or source request that waits for the
    // Inspector; null when none does.
    QString pendingExpression() const { return m_pendingExpression; }
    bool requestPosted() const { return m_requestPosted; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The proxy in front of the index's model, created (and the view
    // switched to it after this paint) when there is none for that model.
    KorvanStackProxyModel *installProxy(const QModelIndex &index) const;

    // The function of the current frame; empty until the proxy exists.
    QString currentFrameText() const;

    // The entries of an argument row's menu; false (and nothing added) for
    // any other row.
    bool fillArgumentMenu(QMenu *menu, const QModelIndex &index);

public slots:
    void propagateProxy();
    void frameSelected(const QModelIndex &index);
    void showContextCustomContextMenu(const QPoint &position);
    void openGraph();
    void openSource();
    void expandNode(const QModelIndex &index);
    void collapseNode(const QModelIndex &index);
    // The "Korvan.Debugger.AnalyzeStack" action: the proxy's stack analysis.
    void analyzeStack();

protected:
    void drawDisplay(QPainter *painter, const QStyleOptionViewItem &option, const QRect &rect,
                     const QString &text) const override;

private:
    enum class Request { Graph, Source };
    void startRequest(const StackArgument &argument, Request request);
    // One step of the two-phase request: posts the expression, or takes
    // the Inspector's answer.
    void runRequest(Request request);
    void cancelRequest();
    void requestsDropped(const QList<QByteArray> &expressions);

    QPointer<QTreeView> m_view;
    mutable QPointer<KorvanStackProxyModel> m_proxy;
    Inspector m_inspector;
    QString m_pendingExpression;
    bool m_requestPosted = false;
    // Ends the pending request when the program leaves the stop it was
    // asked in: the answer cannot come any more.
    QMetaObject::Connection m_engineWatch;
};

} // namespace Internal
} // namespace KorvanDebugger
