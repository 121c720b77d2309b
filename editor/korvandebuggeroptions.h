#pragma once

// The plug-in's page in the IDE's options dialog. It owns the process-wide
// debug-mode switch of the generated pretty printers.

#include <coreplugin/ioptionspage.h>

#include <QJsonObject>
#include <QPointer>
#include <QSharedPointer>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {
class ClassList;
}
namespace Internal {

class KorvanDebuggerOptions : public Core::IOptionsPage
{
    Q_OBJECT
public:
    explicit KorvanDebuggerOptions(const QSharedPointer<QJsonObject> &configuration);

    // True when the stored debug-mode check state is Qt::Checked; a partially
    // checked state counts as off. Read afresh at every generation.
    static bool debugModeEnabled();

    // The class list of the open page (item 0 of its layout), or null.
    Configuration::ClassList *classList() const;

private:
    QPointer<QWidget> m_widget;
    QSharedPointer<QJsonObject> m_configuration;
};

} // namespace Internal
} // namespace KorvanDebugger
