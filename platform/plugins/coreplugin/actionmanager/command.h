#pragma once

#include <utils/id.h>

#include <QObject>

QT_BEGIN_NAMESPACE
class QAction;
QT_END_NAMESPACE

namespace Core {

// A registered action. The IDE's commands proxy several context-dependent
// actions; here every action is global, so a command wraps exactly one.
class Command : public QObject
{
    Q_OBJECT

public:
    Command(Utils::Id id, QAction *action, QObject *parent = nullptr);

    Utils::Id id() const { return m_id; }
    QAction *action() const { return m_action; }

private:
    Utils::Id m_id;
    QAction *m_action = nullptr;
};

} // namespace Core
