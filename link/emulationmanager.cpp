#include "emulationmanager.h"

#include "remotedbusinvokerservice.h"

namespace Mimicry {
namespace Internal {

// method:arguments:result:error name:error text
const int replyFieldCount = 5;
const int errorNameField = 3;
const int errorTextField = 4;

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

void EmulationManager::callMethod(const QString &method, const QString &arguments)
{
    Q_ASSERT(m_rdbusinvoker);
    m_rdbusinvoker->sendCommand(busType(), serviceName(), objectPath(), interfaceName(),
                                method, arguments);
}

void EmulationManager::handleReply(const QString &reply)
{
    const QStringList fields = reply.split(QLatin1Char(':'));
    if (fields.size() != replyFieldCount) {
        emit replyFromEmulatorReceived(reply);
        return;
    }
    if (!fields.at(errorNameField).isEmpty()) {
        emit replyFromEmulatorReceived(
            QStringLiteral("%1 %2").arg(fields.at(errorNameField), fields.at(errorTextField)));
        return;
    }
    handleSuccessfulReply(fields);
    emit replyFromEmulatorReceived(QStringLiteral("OK"));
}

} // namespace Internal
} // namespace Mimicry
