#include "guihighlightedpathelement.h"

#include "graphengine/model/highlightedpath.h"
#include "graphengine/scene/guielementtype.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionGraphicsItem>

#include <algorithm>

namespace GraphEngine {

namespace {

// Points and lines still meet a rectangle of at least one unit.
QRectF atLeastOneUnit(QRectF r)
{
    if (r.width() == 0.0)
        r.setWidth(1.0);
    if (r.height() == 0.0)
        r.setHeight(1.0);
    return r;
}

// A segment along one axis at `at` from lo to hi, against the rectangle's
// sides [near1, near2] across it and [far1, far2] along it.
bool segmentHits(double at, double lo, double hi, double near1, double near2, double along1, double along2)
{
    const double tolerance = 1.5;
    if (at < near1 - tolerance || at > near2 + tolerance)
        return false;
    const auto within = [&](double v) { return v >= along1 - tolerance && v <= along2 + tolerance; };
    return within(lo) || within(hi) || (lo <= along1 && hi >= along2);
}

} // namespace

GUIHightLighedPathElement::GUIHightLighedPathElement()
    : GUIHightLighedPathElement(new HightLighedPath)
{
}

GUIHightLighedPathElement::GUIHightLighedPathElement(HightLighedPath *path)
    : path(path)
{
    setPos(0, 0);
    setZValue(2);
    setFlags(QGraphicsItem::ItemIsSelectable | QGraphicsItem::ItemIsFocusable);
    setAcceptHoverEvents(false);
}

GUIHightLighedPathElement::~GUIHightLighedPathElement()
{
    delete path;
}

QRectF GUIHightLighedPathElement::boundingRect() const
{
    return path ? path->boundingRect() : QRectF();
}

void GUIHightLighedPathElement::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    if (!path)
        return;
    const double lod = QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    double w = 1.0 / lod <= 1.0 ? 1.0 : std::min(1.0 / lod, 20.0);
    if (option && (option->state & QStyle::State_Selected))
        w *= 1.5;
    painter->setPen(QPen(QBrush(path->color, Qt::SolidPattern), 3.0 * w, Qt::SolidLine, Qt::SquareCap,
                         Qt::RoundJoin));
    painter->drawPolyline(path->points);
}

bool GUIHightLighedPathElement::collidesWithPath(const QPainterPath &probe, Qt::ItemSelectionMode) const
{
    const QRectF r = atLeastOneUnit(boundingRect());
    const QRectF p = atLeastOneUnit(probe.controlPointRect());
    return r.intersects(p) && hitsPolyline(p);
}

int GUIHightLighedPathElement::type() const
{
    return GuiHighlightedPathItem;
}

QGraphicsUndoItem *GUIHightLighedPathElement::clone() const
{
    return path ? new GUIHightLighedPathElement(new HightLighedPath(*path)) : nullptr;
}

bool GUIHightLighedPathElement::hitsPolyline(const QRectF &r) const
{
    if (!path || path->points.size() < 2)
        return false;
    const QRectF box = r.normalized();
    for (int i = 1; i < path->points.size(); ++i) {
        const QPointF a = path->points.at(i - 1);
        const QPointF b = path->points.at(i);
        if (qFuzzyCompare(a.x(), b.x())) {
            if (segmentHits(a.x(), std::min(a.y(), b.y()), std::max(a.y(), b.y()), box.left(), box.right(),
                            box.top(), box.bottom()))
                return true;
        } else if (qFuzzyCompare(a.y(), b.y())) {
            if (segmentHits(a.y(), std::min(a.x(), b.x()), std::max(a.x(), b.x()), box.top(), box.bottom(),
                            box.left(), box.right()))
                return true;
        }
    }
    return false;
}

} // namespace GraphEngine
