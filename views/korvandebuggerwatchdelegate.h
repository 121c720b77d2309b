#pragma once

// The plug-in's item delegate of a host watch view ("WatchWindow"): value
// cells painted through a proxy that adds the graph icon of netlist values,
// marked value texts painted as coloured HTML, editing a value opens its
// graph or its HDL source, and the host's value-format menu gets the
// customized-container entry (through an application-wide event filter that
// the first delegate installs).

#include "inspector.h"
#include "watchdelegate.h"

#include "graphengine/model/name.h"

#include <QIdentityProxyModel>
#include <QPersistentModelIndex>
#include <QPointer>

#include <functional>

QT_BEGIN_NAMESPACE
class QMenu;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Internal {

class KorvanWatchProxyModel : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role) const override;
};

// Opens a netlist value (kind 0 instance, 1 instance terminal, 2 net,
// 3 module, 4 module port) of a watch view as a graph. The plug-in sets it
// (a graph editor window per value); while unset, netlist values show no
// graph icon and edit as plain values.
using WatchGraphOpener = std::function<void(QTreeView *view, int kind, const QModelIndex &index)>;
void setWatchGraphOpener(const WatchGraphOpener &opener);
bool hasWatchGraphOpener();
// The netlist kind of a watch row by the type-to-role registry, -1 for none.
int netlistKindOfIndex(const QModelIndex &index);

// The item path of a watch row for its customized-container entry: the
// internal name, with a watched expression's "watch.N" prefix replaced by
// the expression.
QString customizationPath(const QModelIndex &index);
// Shortens the menu's "Change Display for ..." entries longer than 70
// characters to 67 characters and "...".
void shortenFormatEntries(QMenu *menu);

class KorvanDebuggerWatchDelegate : public Debugger::Internal::WatchDelegate
{
    Q_OBJECT
public:
    // The view owns the delegate.
    explicit KorvanDebuggerWatchDelegate(QTreeView *view);
    ~KorvanDebuggerWatchDelegate() override;

    QTreeView *view() const { return m_view; }
    KorvanWatchProxyModel *proxy() const { return m_proxy; }
    Inspector &inspector() { return m_inspector; }

    bool eventFilter(QObject *watched, QEvent *event) override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    // The text a cell of the view shows, as painted without its colours:
    // what a view without a window (the host's batch mode) prints.
    Q_INVOKABLE QString displayText(const QModelIndex &index) const;

    // The row under the last right-click on a tree view (invalid after a
    // model reset).
    static QModelIndex rememberedContextIndex();

    // Opens the netlist value (kind as for WatchGraphOpener) as a graph:
    // while the "Stack Path" window's expand tool is active, the value goes
    // into that graph (an instance or module port as a new element, an
    // instance terminal as its instance with its net to select, a net as an
    // expansion); otherwise, and always for a module, a new graph window
    // opens. A value whose children are not known yet is fetched first.
    void openGraph(int kind, const QModelIndex &index);
    // The net to select with the next instance or port handed to the
    // "Stack Path" graph.
    GraphEngine::Name pendingEdgeName() const { return m_pendingEdgeName; }

public slots:
    // The Inspector brought what a transfer to the "Stack Path" waited for.
    void completeStackTransfer();

protected:
    void drawDisplay(QPainter *painter, const QStyleOptionViewItem &option, const QRect &rect,
                     const QString &text) const override;

private:
    KorvanWatchProxyModel *installProxy(const QModelIndex &index) const;
    // fetched: the index is the answer to a fetch of this delegate, which
    // is not fetched again.
    void openGraph(int kind, const QModelIndex &index, bool fetched);
    void addToStackPath(const QModelIndex &index, bool fetched);
    void fetchForTransfer(const QModelIndex &item, bool fetched);
    QWidget *keepEditor(QWidget *editor) const;
    bool isOwnEditor(const QObject *object) const;

    QPointer<QTreeView> m_view;
    mutable QPointer<KorvanWatchProxyModel> m_proxy;
    Inspector m_inspector;
    GraphEngine::Name m_pendingEdgeName;
    // The plain editors this delegate opened (usually one at a time).
    mutable QList<QPointer<QWidget>> m_editors;
};

} // namespace Internal
} // namespace KorvanDebugger
