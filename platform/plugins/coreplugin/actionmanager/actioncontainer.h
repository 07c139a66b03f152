#pragma once

#include <utils/id.h>

#include <QObject>

QT_BEGIN_NAMESPACE
class QMenu;
QT_END_NAMESPACE

namespace Core {

class Command;

// A menu that commands and other menus are added to by id.
class ActionContainer : public QObject
{
    Q_OBJECT

public:
    ActionContainer(Utils::Id id, QMenu *menu, QObject *parent = nullptr);

    Utils::Id id() const { return m_id; }
    QMenu *menu() const { return m_menu; }

    void addAction(Command *action, Utils::Id group = Utils::Id());
    void addMenu(ActionContainer *menu, Utils::Id group = Utils::Id());

private:
    Utils::Id m_id;
    QMenu *m_menu = nullptr;
};

} // namespace Core
