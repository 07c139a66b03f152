#include "commandservice.h"

#include "buscaller.h"
#include "commandclient.h"
#include "commandline.h"

#include <QLoggingCategory>
#include <QWebSocket>

namespace Guest {

namespace {
Q_LOGGING_CATEGORY(lcCommands, "mimicry.guest.commands")
} // namespace

CommandService::CommandService(const QDBusConnection &systemBus, const QDBusConnection &sessionBus,
                               QObject *parent)
    : QObject(parent)
    , m_systemBus(new BusCaller(systemBus, this))
    , m_sessionBus(new BusCaller(sessionBus, this))
    , m_server(QStringLiteral("remote-dbus-invoker"), QWebSocketServer::NonSecureMode)
{
    CommandLine::registerTypes();
    connect(&m_server, &QWebSocketServer::newConnection, this, &CommandService::handleNewConnection);
}

CommandService::~CommandService()
{
    close();
}

void CommandService::setCallTimeout(int milliseconds)
{
    m_systemBus->setCallTimeout(milliseconds);
    m_sessionBus->setCallTimeout(milliseconds);
}

void CommandService::setMaximumPendingCalls(int calls)
{
    m_systemBus->setMaximumPending(calls);
    m_sessionBus->setMaximumPending(calls);
}

bool CommandService::listen(const QHostAddress &address, quint16 port)
{
    if (m_server.listen(address, port))
        return true;
    qCWarning(lcCommands) << "cannot listen on" << address << port << m_server.errorString();
    return false;
}

void CommandService::close()
{
    m_server.close();
    const QList<CommandClient *> clients = m_clients;
    m_clients.clear();
    qDeleteAll(clients);
}

void CommandService::handleNewConnection()
{
    while (QWebSocket *socket = m_server.nextPendingConnection()) {
        auto client = new CommandClient(socket, m_systemBus, m_sessionBus, this);
        connect(client, &CommandClient::exchanged, this, &CommandService::exchanged);
        connect(client, &CommandClient::disconnected, this, [this, client] { handleClientGone(client); });
        m_clients.append(client);
        ++m_connectionCount;
        emit clientConnected();
    }
}

void CommandService::handleClientGone(CommandClient *client)
{
    if (!m_clients.removeOne(client))
        return;
    // It is reporting from inside its socket's signal.
    client->deleteLater();
    emit clientDisconnected();
}

} // namespace Guest
