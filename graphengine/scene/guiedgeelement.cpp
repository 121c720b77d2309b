#include "guiedgeelement.h"

#include "guielementtype.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/module.h"

#include <QGraphicsScene>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>

namespace GraphEngine {

GuiEdgeElement::GuiEdgeElement(Edge *net)
    : m_edge(net)
{
    setPos(0, 0);
    setZValue(1.0);
    setFlags(ItemIsSelectable | ItemIsFocusable | ItemUsesExtendedStyleOption);
    setAcceptHoverEvents(true);
}

GuiEdgeElement::~GuiEdgeElement() = default;

QRectF GuiEdgeElement::boundingRect() const
{
    return m_edge->boundingRect();
}

bool GuiEdgeElement::collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode) const
{
    if (!m_edge->collidesWithPath(path, &m_hoveredPort))
        return false;
    QString tip = m_edge->toolTipAt(m_hoveredPort);
    if (Module *module = m_edge->module)
        emit module->updateToolTip(GraphItem(m_edge, m_hoveredPort), tip);
    const_cast<GuiEdgeElement *>(this)->setToolTip(tip);
    return true;
}

void GuiEdgeElement::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    m_edge->paint(painter, option);
}

int GuiEdgeElement::type() const
{
    return GuiNetItem;
}

GraphItem GuiEdgeElement::graphItem() const
{
    return GraphItem(m_edge);
}

void GuiEdgeElement::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    if (Module *module = m_edge->module)
        emit module->showContextMenu(GraphItem(m_edge, m_hoveredPort), event->screenPos());
    event->accept();
}

void GuiEdgeElement::hoverEnterEvent(QGraphicsSceneHoverEvent *)
{
    if (Module *module = m_edge->module)
        emit module->hoverEnterEvent(GraphItem(m_edge, m_hoveredPort));
}

void GuiEdgeElement::hoverLeaveEvent(QGraphicsSceneHoverEvent *)
{
    if (Module *module = m_edge->module)
        emit module->hoverLeaveEvent();
}

void GuiEdgeElement::keyPressEvent(QKeyEvent *event)
{
    if (Module *module = m_edge->module)
        emit module->keyPressed(GraphItem(m_edge, m_pressedPort), Qt::Key(event->key()), event->modifiers());
}

void GuiEdgeElement::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (Module *module = m_edge->module)
            emit module->clicked(GraphItem(m_edge, m_hoveredPort));
        m_pressedPort = m_hoveredPort;
    }
    QGraphicsItem::mousePressEvent(event);
}

void GuiEdgeElement::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    if (Module *module = m_edge->module)
        emit module->doubleClicked(GraphItem(m_edge, m_hoveredPort));
    QGraphicsItem::mouseDoubleClickEvent(event);
}

void renderScene(QGraphicsScene *scene, QPainter *painter, const QRectF &target, const QRectF &source,
                 Qt::AspectRatioMode mode)
{
    beginRenderPass();
    scene->render(painter, target, source, mode);
    beginRenderPass();
}

} // namespace GraphEngine
