// Window > Views entries of graph windows: one checkable entry per shown
// window, and one separator in front of them while any entry exists.

#include "korvandebuggergrapheditor.h"

#include <coreplugin/actionmanager.h>

#include <QAction>
#include <QHideEvent>
#include <QPointer>

namespace KorvanDebugger {
namespace Internal {

namespace {
const char viewsMenu[] = "QtCreator.Menu.Window.Views";
const char separatorId[] = "Korvan.Debugger.MenuSeparator";
const char menuGroup[] = "QtCreator.Group.Default.Three";

int openWindows = 0;
// Outlives the window during whose display it was made; it goes when the
// last entry does.
QAction *&menuSeparator()
{
    static QAction *separator = nullptr;
    return separator;
}

Core::Command *addToViews(Core::ActionContainer *container, QAction *action, Core::Id id,
                          const Core::Context &context)
{
    Core::Command *command = Core::ActionManager::registerAction(action, id, context, false);
    if (command) {
        command->setAttribute(Core::Command::CA_Hide);
        if (container)
            container->addAction(command, menuGroup);
    }
    return command;
}
} // namespace

int KorvanDebuggerGraphEditor::openWindowCount()
{
    return openWindows;
}

void KorvanDebuggerGraphEditor::registerWindowActions(const QString &moduleName)
{
    if (m_windowAction)
        return; // one entry per window
    Core::ActionContainer *container = Core::ActionManager::actionContainer(viewsMenu);
    const Core::Context context(Core::Id("Debugger.DebugMode"));
    if (openWindows == 0) {
        if (container)
            container->addSeparator(Core::Id());
        QAction *&separator = menuSeparator();
        separator = new QAction(nullptr);
        separator->setSeparator(true);
        addToViews(container, separator, separatorId, context);
    }
    ++openWindows;
    const QString text = moduleName.isEmpty() ? tr("Stack Path") : tr("Module: %1").arg(moduleName);
    const QString idText = moduleName.isEmpty() ? QStringLiteral("Korvan.Debugger.StackPath")
                                                : QStringLiteral("Korvan.Debugger.Module.%1").arg(moduleName);
    m_windowId = Core::Id::fromSetting(idText);
    m_windowAction = new QAction(text, this);
    m_windowAction->setCheckable(true);
    m_windowAction->setChecked(true);
    connect(m_windowAction, &QAction::triggered, this, &KorvanDebuggerGraphEditor::toggleWindow);
    addToViews(container, m_windowAction, m_windowId, context);
}

void KorvanDebuggerGraphEditor::releaseWindowEntry()
{
    if (--openWindows > 0)
        return;
    openWindows = 0;
    QAction *&separator = menuSeparator();
    Core::ActionManager::unregisterAction(separator, separatorId);
    delete separator;
    separator = nullptr;
}

void KorvanDebuggerGraphEditor::toggleWindow(bool checked)
{
    if (checked) {
        show();
        showNormal();
    } else {
        hide();
    }
}

void KorvanDebuggerGraphEditor::hideEvent(QHideEvent *event)
{
    if (m_windowAction)
        m_windowAction->setChecked(false);
    MainWindow::hideEvent(event);
}

} // namespace Internal
} // namespace KorvanDebugger
