#pragma once

// What the enumeration tests share: the rows of a value table as text, and
// the prerequisite that lets a helper program include Qt headers without
// linking Qt.

#include "editor/enummodel.h"

#include <QStringList>

namespace EnumTest {

const QString noVersionTagging = QStringLiteral("#define QT_NO_VERSION_TAGGING");

// The rows as "value name" lines; members of a group indented by two blanks.
inline QStringList rows(const KorvanDebugger::Configuration::EnumModel &model)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) {
        const QModelIndex row = model.index(r, 0);
        out << row.data().toString() + QLatin1Char(' ') + model.index(r, 1).data().toString();
        for (int c = 0; c < model.rowCount(row); ++c)
            out << QStringLiteral("  ") + model.index(c, 0, row).data().toString() + QLatin1Char(' ')
                       + model.index(c, 1, row).data().toString();
    }
    return out;
}

} // namespace EnumTest
