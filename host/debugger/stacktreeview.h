#pragma once

// The IDE debugger's stack view: the frames of the stack model, a frame
// made current by activating it, and its own context menu (copy the stack,
// column widths, debugger settings).

#include <QTreeView>

namespace Debugger {
namespace Internal {

class StackTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit StackTreeView(QWidget *parent = nullptr);

    // The visible rows as tab-separated text, one line per row, children
    // indented by a tab.
    QString contentsText() const;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
};

} // namespace Internal
} // namespace Debugger
