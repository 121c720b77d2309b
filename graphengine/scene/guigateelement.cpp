#include "guigateelement.h"

#include "guielementtype.h"

#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/module.h"
#include "graphengine/model/name.h"

#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainterPathStroker>

#include <cmath>

namespace GraphEngine {

namespace {

// One pointer, so one hover state for all gate items. The port and the run
// are read only while the kind says they are valid; the next hit test on
// any gate replaces a stale one.
struct HoverState
{
    int kind = 0;
    GatePort *port = nullptr;
    GraphItem run;
    // Scene centre of the last point probe that found the port.
    QPointF portPoint;
};

HoverState &hover()
{
    static HoverState state;
    return state;
}

} // namespace

GuiGateElement::GuiGateElement(Gate *gate)
    : m_gate(gate)
{
    setPos(gate->x, gate->y);
    setZValue(1.0);
    setFlags(ItemIsSelectable | ItemIsFocusable);
    setAcceptHoverEvents(true);
}

GuiGateElement::~GuiGateElement() = default;

QRectF GuiGateElement::boundingRect() const
{
    return m_gate->rect.adjusted(-1, -1, 1, 1);
}

QPainterPath GuiGateElement::shape() const
{
    const OutlineElement &body = m_gate->outline;
    if (body.isPath()) {
        if (!m_innerTest)
            return body.path;
        QPainterPathStroker stroker;
        stroker.setWidth(20);
        return body.path.subtracted(stroker.createStroke(body.path));
    }
    QPainterPath path;
    if (m_innerTest)
        path.addRect(QRectF(body.x + 10, body.y + 10, body.width - 20, body.height - 20));
    else
        path.addRect(QRectF(body.x, body.y, body.width, body.height));
    return path;
}

int GuiGateElement::type() const
{
    switch (m_gate->kind) {
    case BaseEnum::INPUTPORT:
    case BaseEnum::INOUTPORT:
        return GuiInputPortGateItem;
    case BaseEnum::OUTPUTPORT:
        return GuiOutputPortGateItem;
    default:
        return GuiGateItem;
    }
}

void GuiGateElement::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    m_gate->paint(painter, option);
}

GraphItem GuiGateElement::graphItem() const
{
    return GraphItem(m_gate);
}

int GuiGateElement::hoverKind()
{
    return hover().kind;
}

GraphItem GuiGateElement::hoveredItem(Gate *gate)
{
    switch (hover().kind) {
    case 1:
        return GraphItem(gate);
    case 2:
        return GraphItem(hover().port);
    case 3:
        return hover().run;
    default:
        return GraphItem();
    }
}

bool GuiGateElement::collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode mode) const
{
    HoverState &state = hover();
    Module *module = m_gate->module;
    auto *self = const_cast<GuiGateElement *>(this);
    // A path body is drawn at an offset; its shape is the bare path. The
    // pins stand in gate coordinates and meet the probe as given.
    const OutlineElement &body = m_gate->outline;
    const QPainterPath probe = body.isPath() ? path.translated(-body.width, -body.height) : path;
    const QRectF area = Gate::probeArea(path.controlPointRect());
    const bool pointProbe = area.width() <= 1.0001 && area.height() <= 1.0001;

    if (QGraphicsItem::collidesWithPath(probe, mode)) {
        state.kind = 1;
        QString tip;
        if (!m_gate->isModulePort()) {
            m_innerTest = 1;
            const bool inner = QGraphicsItem::collidesWithPath(probe, mode);
            m_innerTest = 0;
            PortSet::const_iterator begin;
            PortSet::const_iterator end;
            if (!inner && m_gate->hitPortRun(area, &begin, &end)) {
                tip = m_gate->portsDescription(begin, end, -1);
                state.run = GraphItem(begin, end);
                state.kind = 3;
                if (pointProbe && module)
                    emit module->hoverEnterEvent(state.run);
            }
        }
        if (tip.isEmpty()) {
            tip = m_gate->propertyTableAll();
            if (pointProbe && module)
                emit module->hoverEnterEvent(GraphItem(m_gate));
        }
        self->setToolTip(tip);
        return true;
    }

    GatePort *port = nullptr;
    const QPointF centre = mapToScene(area.center());
    switch (m_gate->hitPort(area, &port)) {
    case 1:
        state.kind = 1;
        self->setToolTip(m_gate->propertyTableAll());
        return true;
    case 2:
        state.port = port;
        self->setToolTip(port->propertyTableAll());
        if (pointProbe && module)
            emit module->hoverEnterEvent(GraphItem(port));
        state.kind = 2;
        state.portPoint = centre;
        return true;
    default:
        // The view asks every item under the pointer; a probe still at the
        // point that found the port keeps it.
        if (!(state.kind == 2 && std::abs(centre.x() - state.portPoint.x()) <= 1e-12
              && std::abs(centre.y() - state.portPoint.y()) <= 1e-12))
            state.kind = 0;
        return false;
    }
}

int GuiGateElement::selectSubGate(const Name &name)
{
    setSelected(true);
    return m_gate->setSubGateSelection(selectionCounter(), name);
}

void GuiGateElement::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    if (hover().kind != 0 && m_gate->module)
        emit m_gate->module->showContextMenu(hoveredItem(m_gate), event->screenPos());
    event->accept();
}

void GuiGateElement::hoverEnterEvent(QGraphicsSceneHoverEvent *)
{
    // The hit test has announced what the pointer is over.
}

void GuiGateElement::hoverLeaveEvent(QGraphicsSceneHoverEvent *)
{
    if (m_gate->module)
        emit m_gate->module->hoverLeaveEvent();
}

void GuiGateElement::keyPressEvent(QKeyEvent *event)
{
    if (hover().kind != 0 && m_gate->module)
        emit m_gate->module->keyPressed(hoveredItem(m_gate), Qt::Key(event->key()), event->modifiers());
}

void GuiGateElement::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    const HoverState &state = hover();
    if (event->button() == Qt::LeftButton && state.kind != 0) {
        if (state.kind == 1 && m_gate->isSubGateSelected()) {
            setSelected(false);
        } else if (state.kind == 2 && m_gate->isCluster() && state.port) {
            const Name portName(state.port->name);
            const int member = portName.indexCount() == 1 ? portName.index(0) : -1;
            if (m_gate->selectedSubGate() != member) {
                setSelected(false);
                // The selection change the press makes below raises the
                // counter to this stamp.
                m_gate->setSubGateSelection(selectionCounter() + 1, member);
            }
        }
        if (m_gate->module)
            emit m_gate->module->clicked(hoveredItem(m_gate));
    }
    QGraphicsItem::mousePressEvent(event);
    if (event->button() == Qt::RightButton && state.kind != 0)
        event->accept();
}

void GuiGateElement::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    if (hover().kind != 0 && m_gate->module)
        emit m_gate->module->doubleClicked(hoveredItem(m_gate));
    QGraphicsItem::mouseDoubleClickEvent(event);
}

} // namespace GraphEngine
