#include "korvandebuggerwatchdelegate.h"

#include <QTreeView>

namespace KorvanDebugger {
namespace Internal {

KorvanDebuggerWatchDelegate::KorvanDebuggerWatchDelegate(QTreeView *view)
    : QStyledItemDelegate(view)
    , m_view(view)
{
}

} // namespace Internal
} // namespace KorvanDebugger
