#pragma once

// Stand-in for the IDE's action manager: commands are actions registered
// under an id (and a context), menus are action containers.

#include "id.h"

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QMenu>
#include <QPointer>

QT_BEGIN_NAMESPACE
class QAction;
QT_END_NAMESPACE

namespace Core {

// The context in which a command is active; one id is all the plug-in uses.
class Context
{
public:
    Context() = default;
    explicit Context(Id id) : m_id(id) {}
    Id id() const { return m_id; }

private:
    Id m_id;
};

class Command : public QObject
{
    Q_OBJECT
public:
    // What the IDE does with a command beyond its action.
    enum CommandAttribute {
        CA_Hide = 1,       // the menu entry is hidden while the action is disabled
        CA_UpdateText = 2, // the menu entry follows the action's text
    };

    Command(Id id, QAction *action, const Context &context, QObject *parent = nullptr);

    Id id() const { return m_id; }
    QAction *action() const { return m_action; }
    Context context() const { return m_context; }

    void setDefaultKeySequence(const QKeySequence &key);
    QKeySequence defaultKeySequence() const { return m_defaultKey; }

    void setAttribute(CommandAttribute attribute) { m_attributes |= attribute; }
    bool hasAttribute(CommandAttribute attribute) const { return m_attributes & attribute; }
    int attributes() const { return m_attributes; }

private:
    Id m_id;
    QPointer<QAction> m_action;
    Context m_context;
    QKeySequence m_defaultKey;
    int m_attributes = 0;
};

// A menu of the IDE. Entries without a place go to the end (the default group).
class ActionContainer : public QObject
{
    Q_OBJECT
public:
    ActionContainer(Id id, QMenu *menu, QObject *parent = nullptr);

    Id id() const { return m_id; }
    QMenu *menu() const { return m_menu; }

    void insertAction(QAction *before, QAction *action);
    // Groups order a menu's entries in the IDE; here every group is the
    // end of the menu, so entries show in the order they were added.
    void addAction(Command *command, Id group = Id());
    // A separator at the end of the menu (the group is accepted, as above).
    QAction *addSeparator(Id group = Id());

private:
    Id m_id;
    QPointer<QMenu> m_menu;
};

class ActionManager : public QObject
{
    Q_OBJECT
public:
    static ActionManager *instance();

    // The command registered under the id, or null.
    static Command *command(Id id);
    // Registers the action under the id; an id that is already taken keeps
    // its command and the new action is refused (null).
    static Command *registerAction(QAction *action, Id id, const Context &context,
                                   bool scriptable = false);
    // Removes the command when the action is the one registered under the id.
    static void unregisterAction(QAction *action, Id id);

    static ActionContainer *createMenu(Id id, QMenu *menu);
    static ActionContainer *actionContainer(Id id);

    // Forgets every command and container (the host's shutdown; tests).
    static void reset();

signals:
    void commandListChanged();

private:
    ActionManager() = default;
    QHash<QByteArray, Command *> m_commands;
    QHash<QByteArray, QPointer<ActionContainer>> m_containers;
};

} // namespace Core
