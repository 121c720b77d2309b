#pragma once

// Stand-in for the IDE's code-model icons: one small badge per kind of
// symbol, as its outlines and completions show them.

#include <QIcon>

namespace CPlusPlus {
namespace Icons {

enum IconType {
    ClassIconType = 0,
    StructIconType = 1,
    EnumIconType = 2,
    EnumeratorIconType = 3,
    NamespaceIconType = 4,
    MacroIconType = 5,
    UnknownIconType = 6,
};

QIcon iconForType(IconType type);

} // namespace Icons
} // namespace CPlusPlus
