#pragma once

// The plug-in's page in the IDE's options dialog: the class list of the
// stored "Debugger/PrettyPrinters" document and the debug-mode switch of the
// generated pretty printers.

#include <coreplugin/ioptionspage.h>

#include <QJsonObject>
#include <QPointer>
#include <QSharedPointer>

QT_BEGIN_NAMESPACE
class QCheckBox;
class QWidget;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {
class ClassList;
}
namespace Internal {

// True while the page shows edits that its apply has not yet saved: from
// the moment the page widget is built until the next apply (or finish).
// While it is false, an error-driven edit of the class list saves the list
// into the stored document itself.
extern bool optionsPageOpen;

class KorvanDebuggerOptions : public Core::IOptionsPage
{
    Q_OBJECT
public:
    explicit KorvanDebuggerOptions(const QSharedPointer<QJsonObject> &configuration);

    // Built on first use and kept until finish(): a second call returns the
    // same widget without reloading the class list.
    QWidget *widget() override;
    // Stores the debug-mode state, replaces the shared document by
    // {"classes": [...]} of the list (an empty object for an empty list),
    // saves it and asks the plug-in to regenerate the printers.
    void apply() override;
    // Deletes the page widget: unapplied edits are gone.
    void finish() override;

    // True when the stored debug-mode check state is Qt::Checked; a partially
    // checked state counts as off. Read afresh at every generation.
    static bool debugModeEnabled();

    // The class list of the open page (item 0 of its layout), or null.
    Configuration::ClassList *classList() const;

private:
    QPointer<QWidget> m_widget;
    QSharedPointer<QJsonObject> m_configuration;
    QPointer<QCheckBox> m_debugMode;
};

} // namespace Internal
} // namespace KorvanDebugger
