#pragma once

// The value table of one stored enumeration definition, computed the way the
// enumeration editor computes it: the host's C++ parse of the definition
// names the enumerators and macros, the helper program compiled by g++
// against the default kit's Qt headers prints their values, and EnumModel
// turns them into the stored "enums"/"masks" texts.

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace KorvanDebugger {
namespace Tools {

struct EnumTable
{
    QStringList outputLines; // the helper program's output, split at line breaks
    QStringList enums;
    QStringList masks;
    QString error;           // empty on success
};

class EnumProgram
{
public:
    // Sets up the default kit (the Qt of this machine) when there is none.
    EnumProgram();

    // Runs an event loop until the computation has ended.
    EnumTable compute(const QJsonObject &enumeration);

private:
    int m_count = 0;
};

} // namespace Tools
} // namespace KorvanDebugger
