// Gate geometry in the gate's own coordinates: ports on a box, pins, the name
// label, the bounding rectangle and its normalisation, and port renaming.
#include "gate.h"

#include "bussequence.h"
#include "edge.h"
#include "gateport.h"
#include "graphengine/globals.h"
#include "labelcache.h"

#include <QMutexLocker>
#include <QPainter>

#include <cmath>

namespace GraphEngine {

namespace {

constexpr double PortPitch = 36.0;
constexpr double Epsilon = 1e-10;

bool isOrigin(const QPointF &p)
{
    return std::abs(p.x()) <= 1e-12 && std::abs(p.y()) <= 1e-12;
}

QSizeF measure(const QString &text)
{
    QMutexLocker locker(&globalLock());
    return LabelCache::instance().textSize(text);
}

} // namespace

void Gate::placePortsOnBox(int width, int height, int topCount, int bottomCount, int rightCount,
                           int leftCount)
{
    for (GatePort *port : ports.list()) {
        if (!isOrigin(port->anchor))
            continue;
        const int p = port->attributes.position16();
        QPointF anchor;
        switch (port->attributes.sortGroup()) {
        case 3:
            anchor = QPointF(0.5 * (width + (1 - topCount) * PortPitch) + PortPitch * p + 1, 1);
            break;
        case 1:
            anchor = QPointF(0.5 * (width + (1 - bottomCount) * PortPitch) + PortPitch * p + 1, height + 1);
            break;
        case 2:
            anchor = QPointF(1, 0.5 * (height + (1 - leftCount) * PortPitch) + PortPitch * p + 1);
            break;
        case 0:
            anchor = QPointF(width + 1, 0.5 * (height + (1 - rightCount) * PortPitch) + PortPitch * p + 1);
            break;
        default:
            continue;
        }
        port->anchor = anchor;
        port->tip = anchor;
    }
}

QRectF Gate::bodyRect() const
{
    if (outline.isPath())
        return outline.path.controlPointRect().translated(outline.width, outline.height);
    return QRectF(outline.x, outline.y, outline.width, outline.height);
}

bool Gate::showsLabel() const
{
    if (name.isNull() || name.text().isEmpty())
        return false;
    switch (kind) {
    case INPUTPORT:
    case OUTPUTPORT:
    case INOUTPORT:
    case COLPASSTHROUGH:
    case VCC:
    case GND:
    case X:
    case Z:
    case OPENINPUT:
    case LOOPBACKOPENINPUT:
    case OPENINPUT | ClusterFlag:
        return false;
    default:
        return true;
    }
}

void Gate::buildShape(double inputLabelExtent)
{
    if (shapeBuilt && inputLabelExtent <= 0.0)
        return;
    if (rect.width() == 0.0 && rect.height() == 0.0) {
        const QRectF body = bodyRect();
        rect = body;
        if (showsLabel()) {
            const QSizeF text = measure(name.toString(false));
            // Centred under the body; it moves with the body.
            QRectF label(body.left() - 1 + 0.5 * body.width() - 0.5 * text.width(),
                         body.top() - 1 + body.height() + 10, text.width(), text.height());
            if (isCluster())
                label.translate(0, 18);
            rect = rect.united(label);
        }
    }
    ports.ensureSorted(false);
    double extent = inputLabelExtent;
    double topRun = 0.0;
    bool firstTop = true;
    bool firstBottomRun = true;
    bool anyBottom = false;
    BusSequence topRuns;
    BusSequence bottomRuns;
    if (kind != COLPASSTHROUGH) {
        for (GatePort *port : ports.list()) {
            const int group = port->attributes.sortGroup();
            const int marker = port->attributes.marker();
            const double styleExtra = (marker == 1 || marker == 3) ? 11.0 : 0.0;
            const QRectF labelRect(port->labelPos(), port->labelSize());
            double length = 20.0 + styleExtra;
            switch (group) {
            case 2:
                if (labelRect.width() < extent) {
                    // Room for the widest label, so that all of them end in
                    // one column.
                    rect = rect.united(
                        QRectF(labelRect.right() - extent, labelRect.top(), extent, labelRect.height()));
                }
                extent = std::max(extent, labelRect.width());
                break;
            case 1: {
                anyBottom = true;
                double extra = 12.0;
                if (bottomRuns.append(Name(port->name)))
                    extra = 2.0;
                else if (firstBottomRun)
                    extra = Epsilon;
                firstBottomRun = false;
                length = rect.bottom() - port->anchor.y() + extra;
                break;
            }
            case 3: {
                // The first run stands off the body as far as a side pin
                // does: measured from the top, a bare Epsilon left the pin
                // without a stub, and its net ran along the body's edge.
                if (topRuns.append(Name(port->name)))
                    topRun += 2.0;
                else
                    topRun += firstTop ? length : 18.0;
                if (firstTop && showsLabel())
                    rect = rect.united(rect.translated(0, LabelCache::instance().charWidth() + 5));
                firstTop = false;
                // Measured from the body's top, so that the pins end above
                // it wherever the body stands.
                length = port->anchor.y() - bodyRect().top() + topRun;
                break;
            }
            default:
                break;
            }
            port->tip = port->anchor + pinVector(group, length);
            rect = rect.united(QRectF(port->tip, QSizeF(1, 1))).united(labelRect);
        }
    }
    if (anyBottom && showsLabel()) {
        const int lines = name.text().count(QLatin1Char('\n')) + 1;
        rect = rect.united(rect.translated(0, lines * LabelCache::instance().charWidth() + 5));
    }
    // Keeps everything right of and below the origin; the rectangle is
    // measured again around the moved contents. Whole units, so that the
    // body (kept in integers) moves as far as its ports; once is enough,
    // the depth only guards against rounding.
    thread_local int depth = 0;
    if ((rect.x() < -Epsilon || rect.y() < -Epsilon) && depth < 3) {
        const double dx = rect.x() < -Epsilon ? std::ceil(-rect.x()) : 0.0;
        const double dy = rect.y() < -Epsilon ? std::ceil(-rect.y()) : 0.0;
        moveContents(dx, dy);
        rect = QRectF();
        shapeBuilt = 0;
        ++depth;
        buildShape(inputLabelExtent);
        --depth;
        return;
    }
    ports.ensureSorted(false);
    shapeBuilt = 1;
}

void Gate::buildFlopShape()
{
    if (kind != FLOP)
        return;
    const QList<GatePort *> all = ports.list();
    for (GatePort *port : all) {
        if (!port->net) {
            // The pin goes with its gate's other parts: it is the gate's.
            ports.removeAll(port);
            delete port;
        }
    }
    // The box is always laid anew: the pins kept close up along their sides
    // (a dropped pin leaves no gap, and none stands past the box's end), and
    // every pin is placed again on the box that fits the pins that remain.
    ports.ensureSorted(false);
    int counts[4] = {};
    QString roles;
    for (GatePort *port : ports.list()) {
        const int group = port->attributes.sortGroup();
        if (group < 4)
            port->attributes.position = counts[group]++;
        roles += portRoleToString(1 << port->attributes.roleBit());
        port->anchor = port->tip = QPointF();
    }
    const int across = std::max(counts[1], counts[3]);
    const int along = std::max(counts[0], counts[2]);
    setBox(across < 2 ? 72 : 36 * across, along < 2 ? 72 : 36 * along);
    placePortsOnBox(outline.width, outline.height, counts[3], counts[1], counts[0], counts[2]);
    typeName = QLatin1String("FF") + roles;
    rect = QRectF();
    shapeBuilt = 0;
    buildShape(0.0);
}

void Gate::moveContents(double dx, double dy)
{
    rect.translate(dx, dy);
    if (outline.isPath()) {
        outline.width += int(dx);
        outline.height += int(dy);
    } else {
        outline.x += int(dx);
        outline.y += int(dy);
    }
    for (GatePort *port : ports.list())
        port->moveBy(dx, dy);
}

QPointF Gate::pinVector(int sortGroup, double length)
{
    switch (sortGroup) {
    case 0:
        return QPointF(length, 0);
    case 1:
        return QPointF(0, length);
    case 2:
        return QPointF(-length, 0);
    case 3:
        return QPointF(0, -length);
    default:
        return QPointF();
    }
}

QPointF Gate::labelOffset(int sortGroup, double width, double height)
{
    switch (sortGroup) {
    case 1:
        return QPointF(10, 1);
    case 0:
    case 3:
        return QPointF(10, -height - 1);
    case 2:
        return QPointF(-width - 10, -height - 1);
    default:
        return QPointF();
    }
}

bool Gate::renamePort(const QString &oldName, const QString &newName)
{
    GatePort *port = findPortByName(oldName.simplified());
    if (!port)
        return false;
    port->setName(newName.simplified());
    rect = QRectF();
    shapeBuilt = 0;
    buildShape(0.0);
    return true;
}

void Gate::renamePorts(const QString &names)
{
    const QStringList parts = names.split(QLatin1Char(','));
    if (parts.size() != ports.size())
        return;
    for (int i = 0; i < parts.size(); ++i)
        ports.at(i)->setName(parts.at(i));
    rect = QRectF();
    shapeBuilt = 0;
    buildShape(0.0);
}

void Gate::renamePortsByPairs(const QString &pairs)
{
    for (const QString &pair : pairs.split(QLatin1Char(','))) {
        const QStringList pieces = pair.split(QLatin1Char(':'));
        if (pieces.size() != 2)
            continue;
        if (GatePort *port = findPortByName(pieces.at(0).simplified()))
            port->setName(pieces.at(1).simplified());
    }
    rect = QRectF();
    shapeBuilt = 0;
    buildShape(0.0);
}

void Gate::paintLabel(QPainter *painter) const
{
    if (!showsLabel())
        return;
    const QString text = name.toString(false);
    QMutexLocker locker(&globalLock());
    LabelCache &cache = LabelCache::instance();
    const QSizeF size = cache.textSize(text);
    cache.drawText(painter, QPointF((rect.width() - size.width()) * 0.5, rect.height() - size.height() - 1),
                   text);
}

} // namespace GraphEngine
