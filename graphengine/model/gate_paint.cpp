// Drawing a gate and finding what a probe of the pointer lies on.
#include "gate.h"

#include "bussequence.h"
#include "gateport.h"
#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "module.h"
#include "paintreport.h"

#include <QCoreApplication>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <algorithm>

namespace GraphEngine {

namespace {

bool isPointProbe(const QRectF &probe)
{
    return probe.width() <= 1.0001 && probe.height() <= 1.0001;
}

QRectF pinRect(const GatePort *port)
{
    return QRectF(port->anchor, port->tip).normalized().adjusted(-0.1, -0.1, 0.1, 0.1);
}

// From the first pin's foot to the last pin's tip.
QRectF spanRect(const GatePort *first, const GatePort *last)
{
    return QRectF(first->anchor, last->tip).normalized().adjusted(-0.1, -0.1, 0.1, 0.1);
}

} // namespace

void reportFirstPaint(Module *module)
{
    if (!module || module->renderingReported)
        return;
    module->renderingReported = 1;
    module->reportStep(QCoreApplication::translate("QObject", "Qt Rendering delay"), false);
}

QRectF Gate::probeArea(QRectF rect)
{
    if (rect.width() == 0.0)
        rect.setWidth(1.0);
    if (rect.height() == 0.0)
        rect.setHeight(1.0);
    return rect;
}

void Gate::paint(QPainter *painter, const QStyleOptionGraphicsItem *option)
{
    reportFirstPaint(module);
    if (verboseTrace) {
        logWarning(QCoreApplication::translate("GraphEngine::Gate", "Paint %1 at (col %2,x %3,y %4)")
                       .arg(name.toString(false))
                       .arg(column)
                       .arg(x, 0, 'g')
                       .arg(y, 0, 'g'));
    }
    if (!shapeBuilt) {
        logCritical(QCoreApplication::translate(
            "GraphEngine::Gate",
            "Ports are not properly initialized. Due to position shifting that this process can "
            "triggers, it is required to property initilize ports much ealier in the process."));
    }
    const double lod = QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    const double width = std::min(std::max(0.5 / lod, 1.0), 20.0);
    const QPen thin(QBrush(Qt::black), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    const QPen thick(QBrush(Qt::black), 3 * width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (option && (option->state & QStyle::State_Selected)) {
        painter->setPen(QPen(QBrush(Qt::black), width, Qt::DashLine, Qt::FlatCap, Qt::MiterJoin));
        painter->setBrush(Qt::transparent);
        painter->drawRect(rect);
        painter->setPen(thick);
    } else {
        painter->setPen(thin);
    }
    painter->setBrush(fill);
    if (outline.isPath())
        painter->drawPath(outline.path.translated(outline.width, outline.height));
    else
        painter->drawRect(QRect(outline.x, outline.y, outline.width, outline.height));
    const int member = selectedSubGate();
    if (member != -1) {
        painter->setPen(thin);
        paintPorts(painter, lod, -1);
        painter->setPen(thick);
        paintPorts(painter, lod, member);
    } else if (kind != COLPASSTHROUGH) {
        paintPorts(painter, lod, -1);
    }
    if (lod > 0.2)
        paintLabel(painter);
}

void Gate::paintPorts(QPainter *painter, double levelOfDetail, int member)
{
    for (GatePort *port : ports.list()) {
        if (member != -1) {
            const Name portName(port->name);
            if (portName.indexCount() == 1 && portName.index(0) != member)
                continue;
        }
        port->paint(painter, levelOfDetail);
    }
}

int Gate::hitPort(const QRectF &probe, GatePort **port) const
{
    const QRectF area = probeArea(probe);
    if (!probeArea(rect.adjusted(-1, -1, 1, 1)).intersects(area))
        return 0;
    for (int group = 0; group < 4; ++group) {
        const PortSet::const_iterator begin = ports.constBegin(group);
        const PortSet::const_iterator end = ports.constEnd(group);
        if (begin == end || !spanRect(*begin, *(end - 1)).intersects(area))
            continue;
        for (PortSet::const_iterator it = begin; it != end; ++it) {
            if (!pinRect(*it).intersects(area))
                continue;
            if (!isPointProbe(area))
                return 1;
            if (port)
                *port = *it;
            return 2;
        }
    }
    return 0;
}

bool Gate::hitPortRun(const QRectF &probe, PortSet::const_iterator *runBegin,
                      PortSet::const_iterator *runEnd) const
{
    const QRectF area = probeArea(probe).adjusted(-10, -10, 10, 10);
    PortSet::const_iterator begin;
    PortSet::const_iterator end;
    bool found = false;
    for (int group = 0; group < 4 && !found; ++group) {
        begin = ports.constBegin(group);
        end = ports.constEnd(group);
        found = begin != end && spanRect(*begin, *(end - 1)).intersects(area);
    }
    if (!found)
        return false;
    BusSequence runs;
    PortSet::const_iterator first = begin;
    PortSet::const_iterator last = begin;
    bool hit = false;
    for (PortSet::const_iterator it = begin; it != end; ++it) {
        if (!runs.append(Name((*it)->name))) {
            if (hit)
                break;
            first = it;
            hit = pinRect(*it).intersects(area);
        } else if (!hit) {
            hit = pinRect(*it).intersects(area);
        }
        last = it + 1;
    }
    if (!hit)
        return false;
    *runBegin = first;
    *runEnd = last;
    return true;
}

} // namespace GraphEngine
