#pragma once

#include "remotedbusinvokerservice.h"

#include <QObject>
#include <QSet>
#include <QStringList>

namespace Mimicry {
namespace Internal {

// Base of the managers that call methods of one D-Bus service in the guest
// through the command channel. Subclasses name the service; the base writes
// the command lines and turns reply lines into "OK", an error text, or the
// line itself when it does not have the expected layout. A manager hears
// only the replies to methods it has called; the one that handles unclaimed
// replies also hears those that answer nobody's call.
class EmulationManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Mimicry::Internal::RemoteDBusInvokerService *rdbusinvoker READ rdbusinvoker
                   WRITE setRdbusinvoker NOTIFY rdbusinvokerChanged)

public:
    explicit EmulationManager(QObject *parent = nullptr);

    RemoteDBusInvokerService *rdbusinvoker() const { return m_rdbusinvoker; }
    void setRdbusinvoker(RemoteDBusInvokerService *rdbusinvoker);

    virtual QString busType() const = 0;
    virtual QString serviceName() const = 0;
    virtual QString objectPath() const = 0;
    virtual QString interfaceName() const = 0;
    virtual void handleSuccessfulReply(const QStringList &fields) = 0;
    // The five fields of an error reply to one of this manager's calls.
    virtual void handleFailedReply(const QStringList &fields);

signals:
    void rdbusinvokerChanged();
    void emulatorConnected();
    void replyFromEmulatorReceived(const QString &reply);

protected:
    void callMethod(const QString &method, const QString &arguments);
    void setHandlesUnclaimedReplies(bool handles) { m_handlesUnclaimedReplies = handles; }

private:
    void handleReply(const QString &reply);

    RemoteDBusInvokerService *m_rdbusinvoker = nullptr;
    QSet<QString> m_calledMethods;
    QString m_lastCalledMethod;
    QStringList m_replyFields;
    bool m_handlesUnclaimedReplies = false;
};

} // namespace Internal
} // namespace Mimicry
