#pragma once

// Driving the model wizard as a user would: picking options, typing texts,
// pressing its buttons.

#include "configuration/accessorkind.h"
#include "editor/accessorinput.h"
#include "editor/configurationwizard.h"
#include "editor/fieldinput.h"
#include "editor/pythoneditor.h"

#include <QLineEdit>
#include <QPushButton>

namespace WizardSupport {

using namespace KorvanDebugger::Configuration;

inline AccessorField *field(const ConfigurationWizard &wizard, int page, const QString &key)
{
    AccessorField *row = wizard.accessorRow(page, key);
    if (!row)
        qFatal("no row %s on page %d", qPrintable(key), page);
    return row;
}

// Picks an option of a row as the user does in its menu.
inline void choose(AccessorField *row, AccessorKind kind)
{
    row->input()->buildOptionEditors(qint64(kindWord(kind)), true);
}

inline void type(AccessorField *row, const QString &text)
{
    row->input()->textEdit()->setText(text);
}

} // namespace WizardSupport
