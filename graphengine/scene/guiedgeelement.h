#pragma once

#include "netlistitem.h"

class QGraphicsScene;

namespace GraphEngine {

class Edge;
class GatePort;

// The scene item of one net. It draws the net's laid-out lines, finds the
// port nearest the pointer when a hit test reaches the net, and sends the
// user's mouse and key actions as signals of the net's module, naming the
// net or, near a port, the net's end there. It does not own the net.
class GuiEdgeElement : public NetlistItem
{
public:
    explicit GuiEdgeElement(Edge *net);
    ~GuiEdgeElement() override;

    QRectF boundingRect() const override;
    // A hit updates the hovered port and the tool tip (announced first as
    // the module's updateToolTip, whose receivers may rewrite it).
    bool collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode mode) const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    int type() const override;

    GraphItem graphItem() const override;
    Edge *edge() const { return m_edge; }
    GatePort *hoveredPort() const { return m_hoveredPort; }
    GatePort *pressedPort() const { return m_pressedPort; }

protected:
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;

private:
    Edge *m_edge;
    // Found by the last hit test that reached the net; null away from ports.
    mutable GatePort *m_hoveredPort = nullptr;
    GatePort *m_pressedPort = nullptr;
};

// Renders the scene into an image, a printer or an SVG file as a render
// pass of its own, so that a trunk drawn by the last view paint is drawn
// again. The view's paint event calls beginRenderPass itself.
void renderScene(QGraphicsScene *scene, QPainter *painter, const QRectF &target = QRectF(),
                 const QRectF &source = QRectF(), Qt::AspectRatioMode mode = Qt::KeepAspectRatio);

} // namespace GraphEngine
