#pragma once

// A cluster gate as the pattern clustering leaves one, for the tests of its
// member selection and descriptions.

#include "graphengine/model/gate.h"
#include "graphengine/model/module.h"
#include "graphengine/model/name.h"

#include <QBrush>

namespace ClusterFixture {

using namespace GraphEngine;

// Members g0, g1 and g2 folded into one gate "c1" (ports a[2:0] and
// y[2:0], the index naming the member), with "Drive" values for the first
// two members only.
inline Gate *makeCluster(Module *module)
{
    auto *cluster = new Gate(QStringLiteral("a[2:0]"), QStringLiteral("y[2:0]"), QString(), QBrush(Qt::white));
    cluster->kind = BaseEnum::GENERIC | BaseEnum::ClusterFlag;
    cluster->typeName = QStringLiteral("AND_2");
    cluster->name = Name(QStringLiteral("c1"));
    module->registerInstance(cluster, true);
    cluster->properties.insert(QStringLiteral("=NativeName"),
                               QVariantList{QVariant::fromValue(Name(QStringLiteral("g0"))),
                                            QVariant::fromValue(Name(QStringLiteral("g1"))),
                                            QVariant::fromValue(Name(QStringLiteral("g2")))});
    cluster->properties.insert(QStringLiteral("Drive"), QStringList{QStringLiteral("X4"), QStringLiteral("X2")});
    return cluster;
}

} // namespace ClusterFixture
