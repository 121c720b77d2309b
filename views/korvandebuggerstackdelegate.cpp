#include "korvandebuggerstackdelegate.h"

#include <QTreeView>

namespace KorvanDebugger {
namespace Internal {

namespace {
const int functionColumn = 1;
} // namespace

KorvanDebuggerStackDelegate::KorvanDebuggerStackDelegate(QTreeView *view)
    : QStyledItemDelegate(view)
    , m_view(view)
{
}

QString KorvanDebuggerStackDelegate::currentFrameText() const
{
    if (!m_view || !m_view->model())
        return QString();
    const QAbstractItemModel *model = m_view->model();
    const QModelIndex current = m_view->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    if (row >= model->rowCount())
        return QString();
    return model->index(row, functionColumn).data().toString();
}

} // namespace Internal
} // namespace KorvanDebugger
