#pragma once

// Netlists built by hand for the tests of the Verilog writer: gates of every
// kind made by their own constructors, connected by port and net names, and
// cluster gates folded from copies the way the layout folds them.

#include "netlistfixture.h"

#include <QBrush>
#include <QVariantList>

namespace VerilogNetlist {

using namespace GraphEngine;

// Connects the gate's port to the module's net of that name (made when
// absent).
inline void wire(Gate *gate, const QString &port, const QString &netName)
{
    GatePort *p = gate->findPortByName(port);
    Q_ASSERT_X(p, "wire", qPrintable(port));
    NetlistFixture::net(gate->module, netName)->connectPort(p);
}

inline Gate *named(Module *module, Gate *gate, const QString &name)
{
    gate->nameInstance(Name(name));
    module->registerInstance(gate, true);
    return gate;
}

inline Gate *logic(Module *module, int kind, int inputs, const QString &name)
{
    return named(module, new Gate(kind, inputs, QBrush()), name);
}

inline Gate *flop(Module *module, int roles, const QString &name)
{
    return named(module, new Gate(roles, QBrush()), name);
}

// A D flip-flop (type FFDCLKQ) on the nets d, clk and q.
inline Gate *dFlop(Module *module, const QString &name, const QString &d, const QString &clk, const QString &q)
{
    Gate *gate = flop(module, BaseEnum::D | BaseEnum::CLK | BaseEnum::Q, name);
    wire(gate, QStringLiteral("D"), d);
    wire(gate, QStringLiteral("CLK"), clk);
    wire(gate, QStringLiteral("Q"), q);
    return gate;
}

inline Gate *generic(Module *module, const QString &inputs, const QString &outputs, const QString &name,
                     const QString &typeName = QString())
{
    Gate *gate = new Gate(inputs, outputs, QString(), QBrush());
    gate->typeName = typeName;
    return named(module, gate, name);
}

inline void port(Module *module, const QString &name, int direction)
{
    module->findOrCreatePortGate(name, name,
                                 PortAttributes::make(direction, direction == BaseEnum::Output ? 0 : 2, 0, 0,
                                                      false, 0),
                                 false);
}

// Folds the copies (already connected, in member order) into one cluster
// gate named name, with the ports the layout gives it: each indexed by the
// member number, control ports once. The copies are deleted.
inline Gate *fold(Module *module, const QList<Gate *> &copies, const QString &name)
{
    const Gate *pattern = copies.first();
    QStringList inputs;
    QStringList outputs;
    for (const GatePort *p : pattern->ports.list()) {
        QStringList &side = p->attributes.direction() == BaseEnum::Output ? outputs : inputs;
        if (p->attributes.isControl() && pattern->baseKind() == BaseEnum::FLOP) {
            side << p->name;
            continue;
        }
        for (int i = 0; i < copies.size(); ++i)
            side << QStringLiteral("%1[%2]").arg(p->name).arg(i);
    }
    auto *cluster = new Gate(inputs.join(QLatin1Char(',')), outputs.join(QLatin1Char(',')), QString(), QBrush());
    cluster->kind = pattern->kind | BaseEnum::ClusterFlag;
    cluster->typeName = pattern->typeName + QStringLiteral("_%1").arg(copies.size());
    // Each port takes the side, glyph and role of the pattern's port.
    int positions[4] = {};
    for (GatePort *p : cluster->ports.list()) {
        const GatePort *original = pattern->findPortByName(Name(p->name).baseText());
        if (!original)
            original = pattern->findPortByName(p->name);
        const PortAttributes a = original->attributes;
        p->attributes.set(a.direction(), a.sortGroup(), positions[a.sortGroup()]++, a.marker(), a.isControl(),
                          a.roleBit());
    }
    QVariantList names;
    for (int i = 0; i < copies.size(); ++i) {
        names << QVariant::fromValue(copies.at(i)->name);
        // Per-member control ports are indexed too: keep them out of the
        // shared-port path of the merge by clearing their flag.
        if (pattern->baseKind() != BaseEnum::FLOP) {
            for (GatePort *p : copies.at(i)->ports.list())
                p->attributes.set(p->attributes.direction(), p->attributes.sortGroup(),
                                  p->attributes.position, p->attributes.marker(), false,
                                  p->attributes.roleBit());
        }
        copies.at(i)->clusterSignature(cluster, i, 1);
    }
    for (Gate *copy : copies)
        delete copy;
    cluster->properties.insert(QStringLiteral("=NativeName"), names);
    named(module, cluster, name);
    cluster->ports.ensureSorted(true);
    return cluster;
}

} // namespace VerilogNetlist
