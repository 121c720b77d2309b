#pragma once

#include "graphengine/viewer/toolbase.h"

#include <QColor>

QT_BEGIN_NAMESPACE
class QColorDialog;
QT_END_NAMESPACE

namespace GraphEngine {

// Colours a signal path through the netlist: a click on a first element
// starts a path, every further click extends it along the connections from
// its open end to the clicked element, a double click ends it. The open end
// lives in the viewer's state ("HighlightTool::Previous"), so undo and redo
// move it with the path. The colour of new paths drops down from the
// tool's button.
class ToolHightLighPath : public ToolBase
{
    Q_OBJECT

public:
    // The parent is the viewer.
    explicit ToolHightLighPath(QWidget *parent);

    int itemType() const override;
    // A path without points that ends at the element.
    QGraphicsItem *createItem(const GraphItem &item) override;
    // Extends the copy from its end to value along a route; value becomes
    // the route's last port, the path's new end. Null when there is no
    // route.
    QGraphicsItem *editItem(QGraphicsItem *copy, bool disable, GraphItem &value) override;
    void apply(ActionTriggeredBy how, const GraphItem &item) override;

    QColorDialog *colorDialog() const { return m_dialog; }

    // The viewer's state key of the open end.
    static const QString previousKey;

public slots:
    // Repaints the icon in the colour.
    void setCurrentColor(QColor color);
    QColor getCurrentColor();
    // A colour chosen in the drop-down: an undoable setting, and the tool
    // switched on when it is off.
    void colorSelected(const QColor &color);

private:
    QColor currentColor;
    QColorDialog *m_dialog = nullptr;
};

} // namespace GraphEngine
