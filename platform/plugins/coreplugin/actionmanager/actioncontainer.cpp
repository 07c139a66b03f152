#include "actioncontainer.h"

#include "command.h"

#include <QAction>
#include <QMenu>

namespace Core {

ActionContainer::ActionContainer(Utils::Id id, QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_menu(menu)
{}

void ActionContainer::addAction(Command *action, Utils::Id group)
{
    Q_UNUSED(group)
    if (action && !m_menu->actions().contains(action->action()))
        m_menu->addAction(action->action());
}

void ActionContainer::addMenu(ActionContainer *menu, Utils::Id group)
{
    Q_UNUSED(group)
    if (menu && !m_menu->actions().contains(menu->menu()->menuAction()))
        m_menu->addMenu(menu->menu());
}

} // namespace Core
