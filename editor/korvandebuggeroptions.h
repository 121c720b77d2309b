#pragma once

// The plug-in's page in the IDE's options dialog. It owns the process-wide
// debug-mode switch of the generated pretty printers.

#include <coreplugin/ioptionspage.h>

#include <QJsonObject>
#include <QSharedPointer>

namespace KorvanDebugger {
namespace Internal {

class KorvanDebuggerOptions : public Core::IOptionsPage
{
    Q_OBJECT
public:
    explicit KorvanDebuggerOptions(const QSharedPointer<QJsonObject> &configuration);

    // True when the stored debug-mode check state is Qt::Checked; a partially
    // checked state counts as off. Read afresh at every generation.
    static bool debugModeEnabled();

private:
    QSharedPointer<QJsonObject> m_configuration;
};

} // namespace Internal
} // namespace KorvanDebugger
