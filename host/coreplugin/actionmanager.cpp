#include "actionmanager.h"

#include <QAction>
#include <QMenu>

namespace Core {

Command::Command(Id id, QAction *action, const Context &context, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_action(action)
    , m_context(context)
{
}

void Command::setDefaultKeySequence(const QKeySequence &key)
{
    m_defaultKey = key;
    if (m_action)
        m_action->setShortcut(key);
}

ActionContainer::ActionContainer(Id id, QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_menu(menu)
{
}

void ActionContainer::insertAction(QAction *before, QAction *action)
{
    if (m_menu && action)
        m_menu->insertAction(before, action);
}

void ActionContainer::addAction(Command *command, Id group)
{
    Q_UNUSED(group)
    if (m_menu && command && command->action())
        m_menu->addAction(command->action());
}

QAction *ActionContainer::addSeparator(Id group)
{
    Q_UNUSED(group)
    return m_menu ? m_menu->addSeparator() : nullptr;
}

ActionManager *ActionManager::instance()
{
    static ActionManager *manager = new ActionManager;
    return manager;
}

Command *ActionManager::command(Id id)
{
    return instance()->m_commands.value(id.name());
}

Command *ActionManager::registerAction(QAction *action, Id id, const Context &context, bool scriptable)
{
    Q_UNUSED(scriptable)
    ActionManager *manager = instance();
    if (!action || !id.isValid() || manager->m_commands.contains(id.name()))
        return nullptr;
    auto command = new Command(id, action, context, manager);
    manager->m_commands.insert(id.name(), command);
    emit manager->commandListChanged();
    return command;
}

void ActionManager::unregisterAction(QAction *action, Id id)
{
    ActionManager *manager = instance();
    Command *command = manager->m_commands.value(id.name());
    if (!command || command->action() != action)
        return;
    manager->m_commands.remove(id.name());
    // An unregistered command leaves the menus it was added to.
    for (const QPointer<ActionContainer> &container : qAsConst(manager->m_containers)) {
        if (container && container->menu())
            container->menu()->removeAction(action);
    }
    delete command;
    emit manager->commandListChanged();
}

ActionContainer *ActionManager::createMenu(Id id, QMenu *menu)
{
    ActionManager *manager = instance();
    auto container = new ActionContainer(id, menu, manager);
    delete manager->m_containers.value(id.name()).data();
    manager->m_containers.insert(id.name(), container);
    return container;
}

ActionContainer *ActionManager::actionContainer(Id id)
{
    return instance()->m_containers.value(id.name());
}

void ActionManager::reset()
{
    ActionManager *manager = instance();
    qDeleteAll(manager->m_commands);
    manager->m_commands.clear();
    for (const QPointer<ActionContainer> &container : qAsConst(manager->m_containers))
        delete container.data();
    manager->m_containers.clear();
}

} // namespace Core
