#include "fakeguest.h"

#include <QWebSocket>

FakeGuest::FakeGuest(QObject *parent)
    : QObject(parent)
    , m_server(QStringLiteral("fake-guest"), QWebSocketServer::NonSecureMode)
{
    connect(&m_server, &QWebSocketServer::newConnection, this, &FakeGuest::handleNewConnection);
}

void FakeGuest::close()
{
    m_server.close();
    dropClients();
}

void FakeGuest::dropClients()
{
    const QList<QWebSocket *> clients = m_clients;
    m_clients.clear();
    for (QWebSocket *client : clients) {
        client->disconnect(this);
        client->abort();
        client->deleteLater();
    }
}

void FakeGuest::sendToClients(const QString &message)
{
    for (QWebSocket *client : qAsConst(m_clients))
        client->sendTextMessage(message);
}

void FakeGuest::handleNewConnection()
{
    while (QWebSocket *client = m_server.nextPendingConnection()) {
        ++m_connectionCount;
        m_clients.append(client);
        connect(client, &QWebSocket::textMessageReceived, this, [this, client](const QString &line) {
            m_lines.append(line);
            emit lineReceived(line);
            if (m_replier) {
                const QString reply = m_replier(line);
                if (!reply.isNull())
                    client->sendTextMessage(reply);
            }
        });
        connect(client, &QWebSocket::disconnected, this, [this, client] {
            m_clients.removeOne(client);
            client->deleteLater();
        });
    }
}
