#pragma once

// The plug-in's item delegate of a host watch view ("WatchWindow"). It
// holds the view it decorates; the painting and the menus build on this.

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeView>


namespace KorvanDebugger {
namespace Internal {

class KorvanDebuggerWatchDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The view owns the delegate.
    explicit KorvanDebuggerWatchDelegate(QTreeView *view);
    QTreeView *view() const { return m_view; }

private:
    QPointer<QTreeView> m_view;
};

} // namespace Internal
} // namespace KorvanDebugger
