#include "emulationmanager.h"

#include "remotedbusinvokerservice.h"
#include "wireformat.h"

namespace Mimicry {
namespace Internal {

using namespace WireFormat;

EmulationManager::EmulationManager(QObject *parent)
    : QObject(parent)
{}

void EmulationManager::setRdbusinvoker(RemoteDBusInvokerService *rdbusinvoker)
{
    m_rdbusinvoker = rdbusinvoker;
    connect(rdbusinvoker, &RemoteDBusInvokerService::webSocketConnected,
            this, &EmulationManager::emulatorConnected);
    connect(rdbusinvoker, &RemoteDBusInvokerService::replyReceived,
            this, &EmulationManager::handleReply);
    emit rdbusinvokerChanged();
}

void EmulationManager::handleFailedReply(const QStringList &)
{}

void EmulationManager::callMethod(const QString &method, const QString &arguments)
{
    Q_ASSERT(m_rdbusinvoker);
    m_calledMethods.insert(method);
    m_rdbusinvoker->sendCommand(busType(), serviceName(), objectPath(), interfaceName(),
                                method, arguments);
}

bool EmulationManager::handlesRepliesTo(const QString &method) const
{
    if (m_calledMethods.contains(method))
        return true;
    return m_handlesUnclaimedReplies && !m_rdbusinvoker->hasSentMethod(method);
}

void EmulationManager::handleReply(const QString &reply)
{
    // Field 0 names the method, also in a reply of the wrong length.
    if (!handlesRepliesTo(reply.left(reply.indexOf(QLatin1Char(':')))))
        return;
    const QStringList fields = reply.split(QLatin1Char(':'));
    if (fields.size() != ReplyFieldCount) {
        emit replyFromEmulatorReceived(reply);
        return;
    }
    if (!fields.at(ErrorNameField).isEmpty()) {
        handleFailedReply(fields);
        emit replyFromEmulatorReceived(
            QStringLiteral("%1 %2").arg(fields.at(ErrorNameField), fields.at(ErrorTextField)));
        return;
    }
    handleSuccessfulReply(fields);
    emit replyFromEmulatorReceived(QStringLiteral("OK"));
}

} // namespace Internal
} // namespace Mimicry
