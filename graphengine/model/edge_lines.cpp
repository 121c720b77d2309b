// Net geometry: port ranges, the branch and trunk records a laid-out net is
// drawn from, painting, hit tests and the paths the viewer's tools follow.
#include "edge.h"

#include "gate.h"
#include "gateport.h"
#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "module.h"
#include "paintreport.h"
#include "thinlines.h"

#include <QCoreApplication>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionGraphicsItem>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>
#include <vector>

namespace GraphEngine {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("GraphEngine::Edge", text);
}

bool isPlaceholder(const BranchLine &line)
{
    return line.xMin == -1.0 && line.xMax == -2.0 && line.x == -1.0;
}

bool isPlaceholder(const TrunkSegment &trunk)
{
    return trunk.x == -1.0 && trunk.top == -1.0 && trunk.bottom == -2.0;
}

// The union of extents as QRectF unites them (null extents add nothing),
// but with the right and bottom each taken once as the largest of the
// extents' own: a running QRectF union derives them again from its left and
// width at every step, and so drifts by a rounding on long chains.
class ExtentUnion
{
public:
    void add(const QRectF &r)
    {
        if (r.isNull())
            return;
        if (m_count == 0)
            m_single = r;
        addSides(std::min(r.x(), r.x() + r.width()), std::min(r.y(), r.y() + r.height()),
                 std::max(r.x(), r.x() + r.width()), std::max(r.y(), r.y() + r.height()), 1);
    }
    void add(const ExtentUnion &other)
    {
        if (other.m_count == 1)
            add(other.m_single);
        else if (other.m_count > 1)
            addSides(other.m_left, other.m_top, other.m_right, other.m_bottom, other.m_count);
    }
    // The net's bounds: the union one unit wider on every side.
    QRectF bounds() const
    {
        const QRectF extent = m_count == 0 ? QRectF(0, 0, 0, 0)
            : m_count == 1                 ? m_single
                                           : QRectF(m_left, m_top, m_right - m_left, m_bottom - m_top);
        return extent.adjusted(-1.0, -1.0, 1.0, 1.0);
    }

private:
    void addSides(double left, double top, double right, double bottom, int count)
    {
        if (m_count == 0) {
            m_left = left;
            m_top = top;
            m_right = right;
            m_bottom = bottom;
        } else {
            m_left = std::min(m_left, left);
            m_top = std::min(m_top, top);
            m_right = std::max(m_right, right);
            m_bottom = std::max(m_bottom, bottom);
        }
        m_count += count;
    }

    int m_count = 0;
    QRectF m_single;
    double m_left = 0.0;
    double m_right = 0.0;
    double m_top = 0.0;
    double m_bottom = 0.0;
};

// The extent of a piece's branch record once its walk added the piece.
QRectF pieceExtent(const Edge *net, const BranchLine &line)
{
    const double top = std::min(net->loadTop, net->driverTop);
    const double bottom = std::max(net->loadBottom, net->driverBottom);
    return QRectF(line.xMin - 1, top - 1, line.xMax - line.xMin + 2, bottom - top + 2);
}

double portY(const GatePort *port)
{
    return port->owner ? port->owner->y + port->tip.y() : 0.0;
}

// Branch points are (y, x): ordered by y, then x.
bool branchLess(const QPointF &a, const QPointF &b)
{
    return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
}

const QPointF *firstBranchFrom(const BranchLine &line, const QPointF &key)
{
    return std::lower_bound(line.branches.cbegin(), line.branches.cend(), key, branchLess);
}

struct TrunkKey
{
    double x;
    double top;
    double bottom;
    bool operator<(const TrunkKey &o) const
    {
        return std::tie(x, top, bottom) < std::tie(o.x, o.top, o.bottom);
    }
};

struct TrunkPenCache
{
    QMap<TrunkKey, QPen> pens;
    const QPainter *painter = nullptr;
    const QPaintDevice *device = nullptr;
};

TrunkPenCache &trunkPenCache()
{
    static TrunkPenCache cache;
    return cache;
}

void drawBranches(ThinLineBatch &lines, const BranchLine &line, const QRectF &r)
{
    if (r.x() - 3 > line.xMax || line.xMin > r.x() + r.width() + 3)
        return;
    const double last = r.y() + r.height() + 4;
    for (auto it = firstBranchFrom(line, QPointF(r.y() - 3, -1e300)); it != line.branches.cend() && it->x() < last;
         ++it)
        lines.drawLine(QPointF(line.x, it->x()), QPointF(it->y(), it->x()));
}

void drawTrunk(QPainter *painter, ThinLineBatch &lines, const TrunkSegment &trunk, const QRectF &r)
{
    // A placeholder left between two pieces has nothing to draw.
    if (isPlaceholder(trunk))
        return;
    if (r.x() - 3 > trunk.x + 2 || trunk.x - 2 > r.x() + r.width() + 3)
        return;
    const double lastJunction = r.y() + r.height() + 4;
    for (auto it = std::lower_bound(trunk.junctions.cbegin(), trunk.junctions.cend(), r.y() - 5);
         it != trunk.junctions.cend() && *it <= lastJunction; ++it) {
        // The square's own fill is opaque: the lines held so far lie under it.
        lines.flush();
        const int left = int(trunk.x - 2);
        const int top = int(*it);
        painter->drawRect(QRect(QPoint(left, top), QPoint(left + 3, top + 3)));
    }
    const double top = std::max(trunk.top, r.y() - 2);
    const double bottom = std::min(trunk.bottom, r.y() + r.height() + 2);
    if (bottom < top)
        return;
    TrunkPenCache &cache = trunkPenCache();
    const TrunkKey key{trunk.x, top, bottom};
    const auto found = cache.pens.constFind(key);
    if (found != cache.pens.constEnd() && found.value() == painter->pen())
        return;
    lines.drawLine(QPointF(trunk.x, top), QPointF(trunk.x, bottom));
    cache.pens.insert(key, painter->pen());
}

bool hitBranch(const BranchLine &line, const QRectF &r, QPointF *end)
{
    if (r.x() > line.xMax || line.xMin > r.x() + r.width())
        return false;
    const double last = r.y() + r.height() + 2;
    for (auto it = firstBranchFrom(line, QPointF(r.y() - 2, -1e300)); it != line.branches.cend() && it->x() < last;
         ++it) {
        if (QRectF(line.x, it->x() - 2, it->y() - line.x, 4).intersects(r)) {
            *end = QPointF(it->y(), it->x());
            return true;
        }
    }
    return false;
}

bool hitTrunk(const TrunkSegment &trunk, const QRectF &r)
{
    return !isPlaceholder(trunk)
           && QRectF(trunk.x - 2, trunk.top - 2, 4, trunk.bottom - trunk.top + 4).intersects(r);
}

} // namespace

void beginRenderPass()
{
    TrunkPenCache &cache = trunkPenCache();
    cache.pens.clear();
    cache.painter = nullptr;
    cache.device = nullptr;
}

int trunkPenCacheSize()
{
    return trunkPenCache().pens.size();
}

void Edge::computeBoundary(bool fileInColumn)
{
    loadTop = driverTop = 1e300;
    loadBottom = driverBottom = -1e300;
    for (const GatePort *port : drivers.list()) {
        if (!port)
            continue;
        const double y = portY(port);
        driverTop = std::min(driverTop, y);
        driverBottom = std::max(driverBottom, y);
    }
    for (const GatePort *port : loads.list()) {
        if (!port)
            continue;
        const double y = portY(port);
        loadTop = std::min(loadTop, y);
        loadBottom = std::max(loadBottom, y);
    }
    if (drivers.isEmpty() || !drivers.list().first())
        driverTop = driverBottom = (loadTop + loadBottom) * 0.5;

    column = -1;
    const GatePort *lastDriver = drivers.isEmpty() ? nullptr : drivers.list().last();
    const GatePort *lastLoad = loads.isEmpty() ? nullptr : loads.list().last();
    if (lastDriver && lastDriver->owner)
        column = lastDriver->owner->column;
    else if (lastLoad && lastLoad->owner)
        column = lastLoad->owner->column - 1;
    if (column == -1 || !fileInColumn || !module)
        return;
    if (column < 0 || column >= module->columnEdges.size()) {
        logCritical(tr("Edge %1 lies outside the columns (%2)").arg(name.toString(false)).arg(column));
        return;
    }
    module->columnEdges[column].append(this);
}

void LineBuild::start(int records)
{
    // clear() keeps the room (resize would keep the old records).
    lines.clear();
    trunks.clear();
    lines.resize(records);
    trunks.resize(records);
    extents.clear();
    cut = false;
}

void Edge::buildLines(const QVector<double> &gapX)
{
    if (column == -1)
        return;
    LineBuild build;
    buildRecords(gapX, build, nullptr);
    ExtentUnion extent;
    for (const QRectF &piece : qAsConst(build.extents))
        extent.add(piece);
    bounds = extent.bounds();
}

void Edge::buildRecords(const QVector<double> &gapX, LineBuild &build, const Edge *feeding)
{
    // Records left from an earlier build would collect their branches twice.
    branchLines.clear();
    trunkSegments.clear();
    // Placeholders only ever trail the records built, and go: room for the
    // columns (the walk grows it when it goes deeper), or the one own record.
    const int records = feeding ? 1 : std::max(1, std::min((module ? module->lastColumn : 0) + 1, 8));
    build.start(records);
    // With the feeding piece built, its records are this piece's records
    // from 1 on: only record 0 is this piece's own.
    buildLineTree(gapX, build, 0, 0, !feeding);
    while (!build.lines.isEmpty() && isPlaceholder(build.lines.last()))
        build.lines.removeLast();
    // A flat piece leaves a placeholder trunk (its junctions kept), which
    // goes at the end of the records but stays between records.
    if (feeding && !feeding->trunkSegments.isEmpty()) {
        build.trunks.resize(1);
    } else {
        while (!build.trunks.isEmpty() && isPlaceholder(build.trunks.last()))
            build.trunks.removeLast();
    }
    branchLines.setRecords(build.lines, feeding ? feeding->branchLines : LineRecords<BranchLine>());
    trunkSegments.setRecords(build.trunks, feeding ? feeding->trunkSegments : LineRecords<TrunkSegment>());
}

void Edge::buildLines(const Edges &index, const QVector<double> &gapX)
{
    // The nets with a trunk, in index order; each notes its place.
    std::vector<Edge *> nets;
    std::vector<int> columns;
    int lowest = std::numeric_limits<int>::max();
    int highest = std::numeric_limits<int>::min();
    index.forEachElement([&](Edge *net) {
        if (!net || net->column == -1)
            return;
        net->lineBuildEntry = int(nets.size());
        nets.push_back(net);
        columns.push_back(net->column);
        lowest = std::min(lowest, net->column);
        highest = std::max(highest, net->column);
    });
    const int n = int(nets.size());
    // The chains are taken from their first pieces in column order, index
    // order within a column (a bucket sort of the places: no comparison
    // reads a net).
    std::vector<int> order(n);
    {
        std::vector<int> starts(n > 0 ? std::size_t(highest - lowest) + 2 : 1, 0);
        for (int column : columns)
            ++starts[std::size_t(column - lowest) + 1];
        for (std::size_t i = 1; i < starts.size(); ++i)
            starts[i] += starts[i - 1];
        for (int i = 0; i < n; ++i)
            order[starts[std::size_t(columns[i] - lowest)]++] = i;
    }
    columns = std::vector<int>();

    enum State : char { Unbuilt, Built, Cut };
    std::vector<char> state(n, Unbuilt);
    LineBuild build;
    // A piece fed by one already built, and the depth of the union of the
    // extents of the chain behind it.
    struct Fed
    {
        Edge *net;
        const Edge *feeding;
        int depth;
    };
    std::vector<Fed> pending;
    // The unions of the chain's extents from its first piece down to the
    // piece built last, one per piece: each piece's bounds are its own
    // extent with the union of the piece feeding it.
    std::vector<ExtentUnion> unions;
    // The pieces the piece feeds through pass-throughs, and that take its
    // records over: each is found once, through the gate between them.
    auto findFed = [&](Edge *piece, int depth) {
        for (const PortList *list : {&piece->loads, &piece->drivers}) {
            for (GatePort *port : list->list()) {
                const Gate *gate = port ? port->owner : nullptr;
                if (!gate || gate->kind != BaseEnum::COLPASSTHROUGH || gate->constPortAt(2, 0) != port)
                    continue;
                for (const GatePort *out : gate->ports.list()) {
                    Edge *fed = out ? out->net : nullptr;
                    if (!fed || fed == piece)
                        continue;
                    const int at = fed->lineBuildEntry;
                    if (at < 0 || at >= n || nets[std::size_t(at)] != fed || state[std::size_t(at)] != Unbuilt
                        || fed->feedingPiece(gapX) != piece)
                        continue;
                    state[std::size_t(at)] = Built;
                    pending.push_back({fed, piece, depth});
                }
            }
        }
    };
    // The records of a few hundred pieces, most of them of one chain, take
    // a block of the span arena: they go without a heap block each, and
    // stay together, and a block goes once its records are all gone.
    constexpr int PiecesPerBlock = 512;
    constexpr std::size_t RecordRoom = std::size_t(4) << 20;
    std::optional<SpanArena::Scope> records;
    int piecesInBlock = PiecesPerBlock;
    for (const int first : order) {
        if (state[std::size_t(first)] != Unbuilt)
            continue;
        if (piecesInBlock >= PiecesPerBlock) {
            // The block before closes first.
            records.emplace(RecordRoom, SpanArena::LineRecords);
            piecesInBlock = 0;
        }
        ++piecesInBlock;
        // No piece built feeds it: it walks its chain.
        Edge *net = nets[std::size_t(first)];
        net->buildRecords(gapX, build, nullptr);
        ExtentUnion extent;
        for (const QRectF &piece : qAsConst(build.extents))
            extent.add(piece);
        net->bounds = extent.bounds();
        state[std::size_t(first)] = build.cut ? Cut : Built;
        // A walk stopped at a loop holds records that are not the chain's:
        // no piece takes them over.
        if (build.cut)
            continue;
        unions.assign(1, extent);
        findFed(net, 0);
        while (!pending.empty()) {
            const Fed piece = pending.back();
            pending.pop_back();
            unions.resize(std::size_t(piece.depth) + 1);
            piece.net->buildRecords(gapX, build, piece.feeding);
            ++piecesInBlock;
            ExtentUnion own;
            own.add(pieceExtent(piece.net, piece.net->branchLines.first()));
            own.add(unions.back());
            piece.net->bounds = own.bounds();
            unions.push_back(own);
            findFed(piece.net, piece.depth + 1);
        }
    }
}

const Edge *Edge::feedingPiece(const QVector<double> &gapX) const
{
    if (column < 0 || column >= gapX.size())
        return nullptr;
    const Edge *feeding = nullptr;
    for (const GatePort *port : drivers.list()) {
        if (!port || !port->owner || port->owner->kind != BaseEnum::COLPASSTHROUGH)
            continue;
        const GatePort *input = port->owner->constPortAt(2, 0);
        if (!input || !input->net)
            continue;
        // Two pieces feeding this one share its records from 1 on.
        if (feeding)
            return nullptr;
        feeding = input->net;
    }
    // A piece in an earlier column ends the chain's walk as the full walk
    // would; anything else (a loop, a column out of range) takes that walk.
    if (!feeding || feeding->column < 0 || feeding->column >= column)
        return nullptr;
    return feeding;
}

void Edge::buildLineTree(const QVector<double> &gapX, LineBuild &build, int index, int depth, bool chain)
{
    // Depth first in driver order, on a stack of its own: a chain of pieces
    // may cross a hundred thousand columns.
    using Piece = LineBuild::Piece;
    std::vector<Piece> &pending = build.pending;
    std::vector<Piece> &fed = build.fed;
    pending.clear();
    pending.push_back({this, index, depth});
    while (!pending.empty()) {
        const Piece piece = pending.back();
        pending.pop_back();
        if (!piece.net->buildPiece(gapX, build, piece.index, piece.depth) || !chain)
            continue;
        fed.clear();
        for (GatePort *port : piece.net->drivers.list()) {
            if (!port || !port->owner || port->owner->kind != BaseEnum::COLPASSTHROUGH)
                continue;
            const GatePort *input = port->owner->portAt(2, 0);
            if (input && input->net)
                fed.push_back({input->net, piece.index + 1, piece.depth + 1});
        }
        pending.insert(pending.end(), fed.rbegin(), fed.rend());
    }
}

bool Edge::buildPiece(const QVector<double> &gapX, LineBuild &build, int index, int depth)
{
    if (column < 0 || column >= gapX.size()) {
        logCritical(tr("Edge %1 lies outside the columns (%2)").arg(name.toString(false)).arg(column));
        return false;
    }
    // Pieces feed each other from column to column, so a chain longer than
    // the columns is a loop that must not recurse for ever.
    if (depth > gapX.size()) {
        build.cut = true;
        return false;
    }
    const double x = gapX.at(column) + trackOffset;
    const double top = std::min(loadTop, driverTop);
    const double bottom = std::max(loadBottom, driverBottom);
    const bool flat = qFuzzyCompare(top, bottom);

    if (index >= build.lines.size())
        build.lines.resize(index + 8);
    if (index >= build.trunks.size())
        build.trunks.resize(index + 10);
    BranchLine &line = build.lines[index];
    TrunkSegment &trunk = build.trunks[index];
    if (isPlaceholder(line))
        line.xMin = line.xMax = line.x = x;
    line.branches.reserve(line.branches.size() + drivers.size() + loads.size());
    if (!flat) {
        trunk.x = x;
        trunk.top = top;
        trunk.bottom = bottom;
    }

    auto addBranch = [&](const GatePort *port, double endTop, double endBottom) {
        const QPointF p = port->scenePos();
        line.xMin = std::min(line.xMin, p.x());
        line.xMax = std::max(line.xMax, p.x());
        line.branches.append(QPointF(p.y(), p.x()));
        const bool atEnd = qFuzzyCompare(p.y(), top) || qFuzzyCompare(p.y(), bottom);
        // A port at an end of the trunk needs a square only where a branch
        // of the other side leaves at the same height.
        if (!atEnd || (!flat && (qFuzzyCompare(p.y(), endTop) || qFuzzyCompare(p.y(), endBottom)))) {
            trunk.junctions.append(p.y() - 2.0);
            trunk.sorted = false;
        }
    };
    for (const GatePort *port : drivers.list()) {
        if (port)
            addBranch(port, loadTop, loadBottom);
    }
    for (const GatePort *port : loads.list()) {
        if (port && port->scenePos().x() != x)
            addBranch(port, driverTop, driverBottom);
    }
    build.extents.append(pieceExtent(this, line));
    std::sort(line.branches.begin(), line.branches.end(), branchLess);
    if (!trunk.sorted) {
        std::sort(trunk.junctions.begin(), trunk.junctions.end());
        trunk.sorted = true;
    }
    // The records outlive the build (every piece of every net keeps its
    // own): no room is kept that no branch or junction fills.
    line.branches.squeeze();
    trunk.junctions.squeeze();
    return true;
}

void Edge::paint(QPainter *painter, const QStyleOptionGraphicsItem *option) const
{
    reportFirstPaint(module);
    const QRectF exposed = option->exposedRect;
    if (exposed.width() <= 0 || exposed.height() <= 0)
        return;
    TrunkPenCache &cache = trunkPenCache();
    if (cache.painter != painter || cache.device != painter->device()) {
        // Another painter or device: a render the caller did not announce.
        cache.pens.clear();
        cache.painter = painter;
        cache.device = painter->device();
    }
    const double w = 1.0 / QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    const double width = w > 1.0 ? std::min(w, 20.0) : 1.0;
    QPen linePen;
    if (option->state & QStyle::State_Selected) {
        linePen = QPen(QBrush(Qt::black), width > 1.001 ? width * 3.0 : 3.003, Qt::SolidLine, Qt::SquareCap,
                       Qt::RoundJoin);
        if (traceEnabled && !drivers.isEmpty() && drivers.list().first()) {
            logWarning(tr("%1 : y.input = %2")
                           .arg(name.toString(false))
                           .arg(portY(drivers.list().first()), 0, 'g', -1));
        }
    } else {
        linePen = QPen(QBrush(pen.color()), width, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin);
    }
    painter->setPen(linePen);
    painter->setBrush(QBrush(linePen.color()));
    // Zoomed out, the lines are thinner than a pixel, and as many as the
    // view has pixels.
    ThinLineBatch lines(painter);
    for (const BranchLine &line : branchLines)
        drawBranches(lines, line, exposed);
    for (const TrunkSegment &trunk : trunkSegments)
        drawTrunk(painter, lines, trunk, exposed);
}

bool Edge::collidesWithPath(const QPainterPath &path, GatePort **port) const
{
    *port = nullptr;
    if (path.isEmpty())
        return false;
    QRectF area = boundingRect();
    if (area.width() == 0)
        area.setWidth(1);
    if (area.height() == 0)
        area.setHeight(1);
    area.adjust(-0.5, -0.5, 0.5, 0.5);
    QRectF probe = path.controlPointRect();
    if (probe.width() == 0)
        probe.setWidth(1);
    if (probe.height() == 0)
        probe.setHeight(1);
    if (!area.intersects(probe))
        return false;
    const QPointF centre = probe.center();
    for (const BranchLine &line : branchLines) {
        QPointF end;
        if (hitBranch(line, probe, &end)) {
            if (std::abs(centre.x() - end.x()) + std::abs(centre.y() - end.y()) < 20.0)
                *port = portAtPoint(end);
            return true;
        }
    }
    for (const TrunkSegment &trunk : trunkSegments) {
        if (hitTrunk(trunk, probe))
            return true;
    }
    return false;
}

GatePort *Edge::portAtPoint(const QPointF &point) const
{
    for (const PortList *list : {&drivers, &loads}) {
        for (GatePort *port : list->list()) {
            if (port && port->scenePos() == point)
                return port;
        }
    }
    return nullptr;
}

QLineF Edge::branchLineTo(const BranchLine &record, const QPointF &point)
{
    const QPointF *it = firstBranchFrom(record, QPointF(point.y(), point.x()));
    if (it != record.branches.cend() && std::abs(it->x() - point.y()) <= 1e-12
        && std::abs(it->y() - point.x()) <= 1e-12)
        return QLineF(QPointF(record.x, it->x()), point);
    return QLineF();
}

QLineF Edge::sharedLine(const BranchLine &a, const BranchLine &b)
{
    auto i = a.branches.cbegin();
    auto j = b.branches.cbegin();
    while (i != a.branches.cend() && j != b.branches.cend()) {
        if (branchLess(*i, *j)) {
            ++i;
        } else if (branchLess(*j, *i)) {
            ++j;
        } else {
            return QLineF(a.x, i->x(), b.x + 0.1, i->x());
        }
    }
    return QLineF();
}

QLineF Edge::middlePoint() const
{
    const int n = branchLines.size();
    const int h = n / 2;
    if (n == 0)
        return QLineF();
    if (n % 2 == 0)
        return sharedLine(branchLines.at(h - 1), branchLines.at(h));
    const BranchLine &line = branchLines.at(h);
    if (line.branches.isEmpty())
        return QLineF();
    return QLineF(line.x, line.branches.first().x(), line.x, line.branches.last().x() + 0.1);
}

QLineF Edge::anchorNearPort(const GatePort *port) const
{
    if (!port)
        return QLineF();
    const QPointF at = port->scenePos();
    for (const BranchLine &line : branchLines) {
        const QLineF branch = branchLineTo(line, at);
        if (!branch.isNull())
            return branch;
    }
    return QLineF();
}

QVector<QPointF> Edge::pathBetween(const GatePort *portA, const GatePort *portB) const
{
    if (!portA || !portB)
        return {};
    const QPointF pA = portA->scenePos();
    const QPointF pB = portB->scenePos();
    // The walk only climbs towards the driving pieces, so it starts at the
    // first record that holds either port.
    int k = -1;
    bool fromB = false;
    QLineF start;
    for (int i = 0; i < branchLines.size() && k < 0; ++i) {
        start = branchLineTo(branchLines.at(i), pA);
        if (!start.isNull()) {
            k = i;
        } else {
            start = branchLineTo(branchLines.at(i), pB);
            if (!start.isNull()) {
                k = i;
                fromB = true;
            }
        }
    }
    if (k < 0)
        return {};
    const QPointF target = fromB ? pA : pB;
    QVector<QPointF> points{start.p2(), start.p1()};
    for (;;) {
        const QLineF end = branchLineTo(branchLines.at(k), target);
        if (!end.isNull()) {
            points << end.p1() << end.p2();
            if (fromB)
                std::reverse(points.begin(), points.end());
            return points;
        }
        if (k == branchLines.size() - 1)
            return {};
        const QLineF connector = sharedLine(branchLines.at(k), branchLines.at(k + 1));
        if (connector.isNull())
            logWarning(tr("Invalid condition detected: Should always find a shared line"));
        else
            points << connector.p1() << connector.p2();
        ++k;
    }
}

} // namespace GraphEngine
