#pragma once

// Driving the model wizard as a user would: picking options, typing texts,
// pressing its buttons.

#include "configuration/accessorkind.h"
#include "editor/accessorinput.h"
#include "editor/configurationwizard.h"
#include "editor/fieldinput.h"
#include "editor/pythoneditor.h"

#include "editor/tipbutton.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QWidgetAction>

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

// The model wizard that a scripted dialog runs.
inline ConfigurationWizard *wizardOf(QDialog *dialog)
{
    auto wizard = qobject_cast<ConfigurationWizard *>(dialog);
    if (!wizard)
        qFatal("the dialog run is no model wizard");
    return wizard;
}

// What a row's error button drops down, as plain text.
inline QString tipText(const TipButton *tip)
{
    auto action = tip->menu() ? qobject_cast<QWidgetAction *>(tip->menu()->actions().value(0)) : nullptr;
    auto text = action ? qobject_cast<QTextEdit *>(action->defaultWidget()) : nullptr;
    return text ? text->toPlainText() : QString();
}

} // namespace WizardSupport
