#include "gatedefinition.h"

#include "graphengine/model/baseenum.h"

#include <QStringList>

namespace KorvanDebugger {
namespace Internal {

GateDefinition::GateDefinition(int kind, const QString &mapping)
    : internalType(kind)
    , portMapping(mapping)
{
    const QStringList pairs = mapping.split(QLatin1Char(','));
    if (kind == GraphEngine::BaseEnum::FLOP) {
        // The role word is taken as written: "D :d" names no role.
        for (const QString &pair : pairs)
            portRoles |= GraphEngine::portRoleFromString(pair.section(QLatin1Char(':'), 0, 0));
    }
    for (const QString &pair : pairs) {
        const QStringList names = pair.split(QLatin1Char(':'));
        if (names.size() == 2)
            portNameMap.insert(names.at(1).simplified(), names.at(0).simplified());
    }
}

} // namespace Internal
} // namespace KorvanDebugger
