#pragma once

#include <coreplugin/coreconstants.h>
#include <coreplugin/icontext.h>

#include <utils/id.h>

#include <QHash>
#include <QObject>

QT_BEGIN_NAMESPACE
class QAction;
class QMenu;
QT_END_NAMESPACE

namespace Core {

class ActionContainer;
class Command;

class ActionManager : public QObject
{
    Q_OBJECT

public:
    ActionManager();
    ~ActionManager() override;

    static ActionManager *instance();

    static ActionContainer *createMenu(Utils::Id id);
    static ActionContainer *actionContainer(Utils::Id id);
    static Command *registerAction(QAction *action, Utils::Id id,
                                   const Context &context = Context(Constants::C_GLOBAL),
                                   bool scriptable = false);
    static Command *command(Utils::Id id);

    // For the host, which owns the menus that plug-ins extend.
    static ActionContainer *registerMenu(Utils::Id id, QMenu *menu);

private:
    QHash<Utils::Id, ActionContainer *> m_containers;
    QHash<Utils::Id, Command *> m_commands;
};

} // namespace Core
