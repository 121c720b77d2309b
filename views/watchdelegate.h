#pragma once

// The host's delegate class of its watch views, as the plug-in derives from
// it: an item delegate that keeps its view.

#include <QItemDelegate>
#include <QTreeView>

namespace Debugger {
namespace Internal {

class WatchDelegate : public QItemDelegate
{
public:
    explicit WatchDelegate(QTreeView *parent)
        : QItemDelegate(parent)
        , m_watchWindow(parent)
    {
    }

protected:
    QTreeView *m_watchWindow;
};

} // namespace Internal
} // namespace Debugger
