#include "layoutinvariants.h"

#include "netlistfixture.h"
#include "netlistgenerator.h"

#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

using namespace GraphEngine;

namespace LayoutInvariants {

namespace {

// The free unit above and below a gate, as the collision check counts it.
double extentOf(const Gate *gate)
{
    return std::max(1.0, gate->rect.height() + 2.0);
}

// "gate.port" for the port, or one item per member a cluster port stands
// for: "p[i]" is member i's "p", a port without index (a shared control
// pin) is every member's.
QStringList endpoints(const GatePort *port)
{
    const Gate *gate = port->owner;
    if (!gate)
        return {QStringLiteral("?.") + port->name};
    if (!gate->isCluster())
        return {gate->name.toString(false) + QLatin1Char('.') + port->name};
    static const QRegularExpression indexed(QStringLiteral("^(.*)\\[(\\d+)\\]$"));
    const QRegularExpressionMatch match = indexed.match(port->name);
    QStringList out;
    for (int i = 0; i < gate->nativeNameCount(); ++i) {
        if (match.hasMatch() && match.captured(2).toInt() != i)
            continue;
        out << gate->nativeName(i).toString(false) + QLatin1Char('.')
                + (match.hasMatch() ? match.captured(1) : port->name);
    }
    return out;
}

} // namespace

bool endsBranch(const Edge *net, const GatePort *port)
{
    return !net->anchorNearPort(port).isNull();
}

QString portWithoutBranch(const Module *module)
{
    for (Gate *g : module->gates->elements()) {
        for (GatePort *p : g->ports.list()) {
            if (p->net && p->net->column != -1 && !endsBranch(p->net, p))
                return p->fullName() + QStringLiteral(" on ") + p->net->name.text();
        }
    }
    return QString();
}

QString notFinite(const Module *module)
{
    for (Gate *g : module->gates->elements()) {
        if (!std::isfinite(g->x) || !std::isfinite(g->y))
            return g->name.text();
    }
    for (Edge *e : module->edges->elements()) {
        for (const BranchLine &l : e->branchLines) {
            if (!std::isfinite(l.x) || !std::isfinite(l.xMin) || !std::isfinite(l.xMax))
                return e->name.text();
        }
    }
    return QString();
}

QString leftoverLayoutGate(const Module *module)
{
    for (Gate *g : module->gates->elements()) {
        const int kind = g->baseKind();
        if (kind == BaseEnum::COLPASSTHROUGH || kind == BaseEnum::LOOPBACKOPENINPUT
            || kind == BaseEnum::LOOPBACKOPENOUTPUT)
            return g->name.text();
    }
    return QString();
}

QString misplacedModulePort(const Module *module)
{
    double leftmost = 1e300;
    double rightmost = -1e300;
    for (Gate *g : module->gates->elements()) {
        leftmost = std::min(leftmost, g->x);
        rightmost = std::max(rightmost, g->x);
    }
    for (Gate *g : module->gates->elements()) {
        if (g->kind == BaseEnum::OUTPUTPORT && g->x != rightmost)
            return QStringLiteral("output %1 at x %2, the last column at %3").arg(g->name.text()).arg(g->x).arg(rightmost);
        if (g->kind == BaseEnum::INPUTPORT && g->x != leftmost)
            return QStringLiteral("input %1 at x %2, the first column at %3").arg(g->name.text()).arg(g->x).arg(leftmost);
    }
    return QString();
}

QString columnOverlap(const Module *module)
{
    QMap<double, QList<const Gate *>> columns;
    for (const Gate *g : module->gates->elements())
        columns[g->x].append(g);
    if (columns.size() < 3)
        return QString();
    // Copies: remove() must not read the key of the node it frees.
    const double first = columns.firstKey();
    const double last = columns.lastKey();
    columns.remove(first);
    columns.remove(last);
    for (QList<const Gate *> &column : columns) {
        std::sort(column.begin(), column.end(), [](const Gate *a, const Gate *b) { return a->y < b->y; });
        for (int i = 1; i < column.size(); ++i) {
            const Gate *above = column.at(i - 1);
            if (above->y + extentOf(above) > column.at(i)->y)
                return QStringLiteral("%1 (y %2) overlaps %3 (y %4) at x %5")
                    .arg(column.at(i)->name.text())
                    .arg(column.at(i)->y)
                    .arg(above->name.text())
                    .arg(above->y)
                    .arg(above->x);
        }
    }
    return QString();
}

QStringList connectivity(const Module *module)
{
    QStringList nets;
    for (const Edge *e : module->edges->elements()) {
        QStringList items;
        for (const PortList *list : {&e->drivers, &e->loads}) {
            for (const GatePort *p : list->list()) {
                if (p && !(p->owner && p->owner->isGeneratedOpenInput()))
                    items += endpoints(p);
            }
        }
        if (items.isEmpty())
            continue;
        items.sort();
        nets << items.join(QLatin1Char(' '));
    }
    nets.sort();
    return nets;
}

QStringList geometry(const Module *module, bool gateNames)
{
    QStringList out;
    for (Gate *g : module->gates->elements()) {
        out << QStringLiteral("%1 %2 %3")
                   .arg(gateNames ? g->name.toString(false) : QString::number(g->kind))
                   .arg(g->x)
                   .arg(g->y);
    }
    for (Edge *e : module->edges->elements()) {
        QString line = e->name.toString(false);
        for (const BranchLine &l : e->branchLines) {
            line += QStringLiteral(" |%1").arg(l.x);
            for (const QPointF &b : l.branches)
                line += QStringLiteral(" %1,%2").arg(b.x()).arg(b.y());
        }
        for (const TrunkSegment &t : e->trunkSegments)
            line += QStringLiteral(" T%1:%2-%3/%4").arg(t.x).arg(t.top).arg(t.bottom).arg(t.junctions.size());
        out << line;
    }
    out.sort();
    return out;
}

QString brokenLayout(const Module *module, const QStringList &connectionsBefore)
{
    const struct
    {
        const char *what;
        QString found;
    } checks[] = {
        {"inconsistent netlist", NetlistFixture::brokenInvariant(module)},
        {"not a finite number", notFinite(module)},
        {"layout gate left", leftoverLayoutGate(module)},
        {"module port out of its column", misplacedModulePort(module)},
        {"overlap in a column", columnOverlap(module)},
        {"port without a branch", portWithoutBranch(module)},
    };
    for (const auto &check : checks) {
        if (!check.found.isEmpty())
            return QStringLiteral("%1: %2").arg(QLatin1String(check.what), check.found);
    }
    const QStringList after = connectivity(module);
    if (after != connectionsBefore) {
        // The first net that differs, either way.
        for (const QString &net : after) {
            if (!connectionsBefore.contains(net))
                return QStringLiteral("connections changed: new net %1").arg(net);
        }
        for (const QString &net : connectionsBefore) {
            if (!after.contains(net))
                return QStringLiteral("connections changed: lost net %1").arg(net);
        }
        return QStringLiteral("connections changed: %1 nets before, %2 after")
            .arg(connectionsBefore.size())
            .arg(after.size());
    }
    return QString();
}

QStringList checkRandomLayout(quint32 seed, QString *verilog, int *gates, QStringList *picture)
{
    QStringList failures;
    auto fail = [&](const QString &text) { failures << QStringLiteral("seed %1: %2").arg(seed).arg(text); };
    ModuleMap modules;
    Module *module = Module::findOrCreateModule(modules, QStringLiteral("top"), nullptr);
    const NetlistGenerator::Shape shape = NetlistGenerator::randomShape(seed);
    NetlistGenerator::generate(module, shape, seed);
    if (gates)
        *gates = module->gates->count();
    const QStringList before = connectivity(module);
    const QString built = NetlistFixture::brokenInvariant(module);
    if (!built.isEmpty())
        fail(QStringLiteral("generated netlist inconsistent: %1").arg(built));

    module->computeLayout(10.0, true, true);
    const QString first = brokenLayout(module, before);
    if (!first.isEmpty())
        fail(QStringLiteral("first run: %1").arg(first));
    const QStringList firstGeometry = geometry(module);
    if (picture)
        *picture = firstGeometry;
    module->computeLayout(10.0, true, true);
    const QString second = brokenLayout(module, before);
    if (!second.isEmpty())
        fail(QStringLiteral("second run: %1").arg(second));
    const auto compare = [&](const QString &what, const QStringList &other) {
        if (other == firstGeometry)
            return;
        for (int i = 0; i < std::min(firstGeometry.size(), other.size()); ++i) {
            if (firstGeometry.at(i) != other.at(i)) {
                fail(QStringLiteral("%1 moved: %2 -> %3").arg(what, firstGeometry.at(i), other.at(i)));
                return;
            }
        }
        fail(QStringLiteral("%1 has %2 items, the first run %3").arg(what).arg(other.size()).arg(firstGeometry.size()));
    };
    compare(QStringLiteral("second run"), geometry(module));
    if (verilog)
        *verilog = module->writeVerilog();
    // The same netlist built again and laid out once: the picture depends
    // on the netlist alone, not on addresses or on counters that earlier
    // layouts in the process advanced.
    Module *copy = Module::findOrCreateModule(modules, QStringLiteral("copy"), nullptr);
    NetlistGenerator::generate(copy, shape, seed);
    copy->computeLayout(10.0, true, true);
    compare(QStringLiteral("a copy's layout"), geometry(copy));
    deleteModules(modules);
    // Cluster sub-modules go too: every seed starts from the same registry.
    releaseModuleRegistry();
    return failures;
}

} // namespace LayoutInvariants
