#pragma once

// The plug-in's item delegate of the host's stack view (the tree view with
// five header sections). It holds the view it decorates and knows the
// current frame; the argument rows, menu and analysis build on this.

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeView>


namespace KorvanDebugger {
namespace Internal {

class KorvanDebuggerStackDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The view owns the delegate.
    explicit KorvanDebuggerStackDelegate(QTreeView *view);
    QTreeView *view() const { return m_view; }

    // The function of the view's current frame (the top frame when none is
    // selected); empty without frames.
    QString currentFrameText() const;

private:
    QPointer<QTreeView> m_view;
};

} // namespace Internal
} // namespace KorvanDebugger
