#include "korvandebuggeroptions.h"

#include "configuration/keys.h"
#include "editor/configurationlist.h"

#include <coreplugin/icore.h>

#include <QCoreApplication>
#include <QLayout>
#include <QWidget>

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

namespace KorvanDebugger {
namespace Internal {

Configuration::ClassList *KorvanDebuggerOptions::classList() const
{
    if (!m_widget || !m_widget->layout())
        return nullptr;
    QLayoutItem *item = m_widget->layout()->itemAt(0);
    return item ? qobject_cast<Configuration::ClassList *>(item->widget()) : nullptr;
}

} // namespace Internal
} // namespace KorvanDebugger
