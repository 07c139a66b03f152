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
    for (QWebSocket *client : qAsConst(m_clients)) {
        client->disconnect(this);
        client->abort();
        client->deleteLater();
    }
    m_clients.clear();
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
