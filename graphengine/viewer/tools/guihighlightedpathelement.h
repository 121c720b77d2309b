#pragma once

#include "graphengine/viewer/undobasecommand.h"

#include <QRectF>

namespace GraphEngine {

class HightLighedPath;

// A highlighted path in the viewer's scene: a thick polyline over the
// graph. It enters and leaves the scene through undo commands, filed under
// the path's open end.
class GUIHightLighedPathElement : public QGraphicsUndoItem
{
public:
    // With a new empty path.
    GUIHightLighedPathElement();
    // Takes the path over.
    explicit GUIHightLighedPathElement(HightLighedPath *path);
    ~GUIHightLighedPathElement() override;

    QRectF boundingRect() const override;
    // The pen keeps its width on screen as the view zooms out, up to 20
    // times its width at zoom 1; a selected path is drawn wider.
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    // Only the points' segments count, not the area between them.
    bool collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode mode) const override;
    int type() const override;
    // A copy of the path, filed under no element; null without a path.
    QGraphicsUndoItem *clone() const override;

    // Whether a horizontal or vertical segment of the path comes within 1.5
    // of the rectangle; other segments never hit.
    bool hitsPolyline(const QRectF &r) const;

    // Owned.
    HightLighedPath *path = nullptr;
};

} // namespace GraphEngine
