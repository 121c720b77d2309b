#include "korvandebuggeroptions.h"

#include "configuration/keys.h"

#include <coreplugin/icore.h>

#include <QCoreApplication>

namespace KorvanDebugger {
namespace Internal {

namespace {
// The debug-mode check state (a Qt::CheckState) of the whole process.
int storedDebugModeState = Qt::Unchecked;
} // namespace

KorvanDebuggerOptions::KorvanDebuggerOptions(const QSharedPointer<QJsonObject> &configuration)
    : m_configuration(configuration)
{
    setId("ZZ.Korvan.Debugger.Classes");
    setDisplayName(QCoreApplication::translate("Debugger", "Korvan Plugin"));
    setCategory("O.Debugger");
    setDisplayCategory(QCoreApplication::translate("Debugger", "Debugger"));
    setCategoryIcon(QStringLiteral(":/debugger/images/category_debug.png"));

    storedDebugModeState
        = Core::ICore::settings()->value(Configuration::Key::debugEnabledSetting, QVariant()).toInt();
}

bool KorvanDebuggerOptions::debugModeEnabled()
{
    return storedDebugModeState == Qt::Checked;
}

} // namespace Internal
} // namespace KorvanDebugger
