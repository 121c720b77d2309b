#include "korvandebuggeroptions.h"

#include "configuration/document.h"
#include "configuration/jsonhelpers.h"
#include "configuration/keys.h"
#include "editor/configurationlist.h"
#include "plugin/korvandebuggerplugin.h"

#include <coreplugin/icore.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QVBoxLayout>
#include <QWidget>

namespace KorvanDebugger {
namespace Internal {

bool optionsPageOpen = false;

namespace {
// The debug-mode check state (a Qt::CheckState) of the whole process.
int storedDebugModeState = Qt::Unchecked;

int settingsDebugModeState()
{
    return Core::ICore::settings()->value(Configuration::Key::debugEnabledSetting, QVariant()).toInt();
}
} // namespace

KorvanDebuggerOptions::KorvanDebuggerOptions(const QSharedPointer<QJsonObject> &configuration)
    : m_configuration(configuration)
{
    setId("ZZ.Korvan.Debugger.Classes");
    setDisplayName(QCoreApplication::translate("Debugger", "Korvan Plugin"));
    setCategory("O.Debugger");
    setDisplayCategory(QCoreApplication::translate("Debugger", "Debugger"));
    setCategoryIcon(QStringLiteral(":/debugger/images/category_debug.png"));

    storedDebugModeState = settingsDebugModeState();
}

QWidget *KorvanDebuggerOptions::widget()
{
    if (m_widget)
        return m_widget;
    m_widget = new QWidget;
    auto layout = new QVBoxLayout(m_widget);

    auto list = new Configuration::ClassList;
    list->addButtons();
    layout->addWidget(list);

    m_debugMode = new QCheckBox(tr("Enable Pretty Printers debug mode"));
    m_debugMode->setToolTip(
        tr("The debug mode enable instrumentation of the pretty printers for debugging.\n"
           "It helps Korvan debugger to report invalid configuration.\n\n"
           "Once the Pretty Printers are stable, you might want to disable\n"
           "this feature as it slows down the debugger.\n\n"
           "It is recommanded to enable this feature on data model that are fully\n"
           "constructed to avoid noise from invalid access due to improper memory\n"
           "initialization."));
    // The box shows what is saved, which may differ from the state in use
    // only if the settings were changed behind the page's back.
    m_debugMode->setCheckState(static_cast<Qt::CheckState>(settingsDebugModeState()));
    layout->addWidget(m_debugMode);

    if (m_configuration)
        list->setValue(*m_configuration, true);
    optionsPageOpen = true;
    return m_widget;
}

void KorvanDebuggerOptions::apply()
{
    Configuration::ClassList *list = classList();
    if (!list)
        return;
    optionsPageOpen = false;

    if (m_debugMode) {
        storedDebugModeState = m_debugMode->checkState();
        Core::ICore::settings()->setValue(Configuration::Key::debugEnabledSetting, storedDebugModeState);
    }

    // The object itself is overwritten: the plug-in shares it.
    const QJsonObject document = Configuration::inputValueAsObject(*list);
    if (m_configuration)
        *m_configuration = document;
    // A failed save has told the user and kept the previous file; the
    // printers still follow what the user applied.
    Configuration::saveConfigurationFile(document, Configuration::Key::prettyPrintersDocument);

    if (KorvanDebuggerPlugin *plugin = KorvanDebuggerPlugin::instance())
        plugin->parametersChanged();
}

void KorvanDebuggerOptions::finish()
{
    delete m_widget.data();
    m_widget.clear();
    // Nothing of the page is open any more; the next widget() sets it again.
    optionsPageOpen = false;
}

bool KorvanDebuggerOptions::debugModeEnabled()
{
    return storedDebugModeState == Qt::Checked;
}

Configuration::ClassList *KorvanDebuggerOptions::classList() const
{
    if (!m_widget || !m_widget->layout())
        return nullptr;
    QLayoutItem *item = m_widget->layout()->itemAt(0);
    return item ? dynamic_cast<Configuration::ClassList *>(item->widget()) : nullptr;
}

} // namespace Internal
} // namespace KorvanDebugger
