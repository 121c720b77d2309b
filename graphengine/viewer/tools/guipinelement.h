#pragma once

#include "graphengine/viewer/undobasecommand.h"

#include <QRectF>

namespace GraphEngine {

class Edge;
class Gate;
class GatePort;
class Pin;

// A comment pin in the viewer's scene. Pins the user makes enter and leave
// the scene through undo commands, filed under their element; pins a graph
// state restores belong to the scene alone.
class GuiPinElement : public QGraphicsUndoItem
{
public:
    GuiPinElement(const QString &text, Gate *gate);
    // A null port pins the whole net.
    GuiPinElement(const QString &text, Edge *net, GatePort *port);
    GuiPinElement(const QString &text, GatePort *port);
    // Takes the pin over.
    GuiPinElement(const QString &text, Pin *pin);
    ~GuiPinElement() override;

    void setText(const QString &text);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    // The figure's pixels (from the shared hit image) or the text box.
    bool collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode mode) const override;
    int type() const override;
    // A copy of the pin with its text, filed under no element; null without
    // a pin.
    QGraphicsUndoItem *clone() const override;

    // Owned.
    Pin *pin = nullptr;
    // False for a pin restored from a graph state: no command owns it, so
    // its menu offers no "Delete".
    bool offersDelete = true;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;

private:
    void init(const QString &text, Pin *pin);
};

} // namespace GraphEngine
