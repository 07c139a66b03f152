#include "actionmanager.h"

#include "actioncontainer.h"
#include "command.h"

#include <QMenu>

namespace Core {

static ActionManager *s_instance = nullptr;

ActionManager::ActionManager()
{
    Q_ASSERT(!s_instance);
    s_instance = this;
}

ActionManager::~ActionManager()
{
    s_instance = nullptr;
}

ActionManager *ActionManager::instance()
{
    return s_instance;
}

ActionContainer *ActionManager::createMenu(Utils::Id id)
{
    if (ActionContainer *existing = actionContainer(id))
        return existing;
    // Menus added to other menus are not reparented, so the container owns it.
    auto menu = new QMenu;
    auto container = registerMenu(id, menu);
    connect(container, &QObject::destroyed, [menu] { delete menu; });
    return container;
}

ActionContainer *ActionManager::registerMenu(Utils::Id id, QMenu *menu)
{
    auto container = new ActionContainer(id, menu, s_instance);
    s_instance->m_containers.insert(id, container);
    return container;
}

ActionContainer *ActionManager::actionContainer(Utils::Id id)
{
    return s_instance->m_containers.value(id);
}

Command *ActionManager::registerAction(QAction *action, Utils::Id id, const Context &context, bool scriptable)
{
    Q_UNUSED(context)
    Q_UNUSED(scriptable)
    if (Command *existing = command(id))
        return existing;
    auto command = new Command(id, action, s_instance);
    s_instance->m_commands.insert(id, command);
    return command;
}

Command *ActionManager::command(Utils::Id id)
{
    return s_instance->m_commands.value(id);
}

} // namespace Core
