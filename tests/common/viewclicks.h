#pragma once

// A double click on an item view's cell as a person makes it: QTest's
// mouseDClick alone sends only the second press, which a view takes for a
// first click (it has not seen the first press on that index).

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QTest>

// Brings the cell into view and double-clicks its middle; false when the
// cell cannot be shown in the viewport, or went with its row meanwhile.
inline bool doubleClickCell(QAbstractItemView *view, const QModelIndex &index)
{
    const QPersistentModelIndex cell(index);
    view->scrollTo(cell);
    QCoreApplication::processEvents(); // the scroll bars' range follows new rows later
    if (!cell.isValid())
        return false;
    view->scrollTo(cell);
    const QPoint middle = view->visualRect(cell).center();
    if (!view->viewport()->rect().contains(middle))
        return false;
    QWidget *viewport = view->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, middle);
    return true;
}
