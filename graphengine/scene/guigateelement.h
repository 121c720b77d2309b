#pragma once

#include "netlistitem.h"

namespace GraphEngine {

class Gate;
class Name;

// The scene item of one gate. It draws the gate from its laid-out geometry,
// tells what the pointer is over (the body, one port, or a bus run of
// ports; one hover state shared by all gate items, as there is one
// pointer) and sends the user's mouse and key actions as signals of the
// gate's module. It does not own the gate.
class GuiGateElement : public NetlistItem
{
public:
    explicit GuiGateElement(Gate *gate);
    ~GuiGateElement() override;

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    // Also updates the hover state and the tool tip; a point probe (the
    // view's hover test) announces what it found with hoverEnterEvent.
    bool collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode mode) const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    int type() const override;

    GraphItem graphItem() const override;
    Gate *gate() const { return m_gate; }

    // Selects the item and, on a cluster gate, the member of that name;
    // returns the member index, or -1 (the member selection unchanged).
    int selectSubGate(const Name &name);

    // The shared hover state: 0 nothing, 1 a gate body, 2 a port, 3 a run.
    static int hoverKind();
    // What the events of the hover state name.
    static GraphItem hoveredItem(Gate *gate);

protected:
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;

private:
    Gate *m_gate;
    // Set only while a hit test asks whether a probe lies in the body's
    // inner part, away from the 10-unit band along its edges.
    mutable quint8 m_innerTest = 0;
};

} // namespace GraphEngine
