#pragma once

#include "graphrecords.h"

#include <QMap>
#include <QString>

namespace KorvanDebugger {
namespace Internal {

// Records one netlist value seen in a frame of the stopped program: a new
// entry for an object key seen the first time (classified by the value's
// type role), one more sighting otherwise. True when a new entry was stored;
// values of types without a netlist role store nothing.
bool classifyStackValue(QMap<QString, UndoFramework::StackPathEntry> &stackPath, const QString &displayText,
                        const QString &objectKey, const QString &typeName, int level,
                        const QString &valueText);

} // namespace Internal
} // namespace KorvanDebugger
