#include "command.h"

namespace Core {

Command::Command(Utils::Id id, QAction *action, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_action(action)
{}

} // namespace Core
