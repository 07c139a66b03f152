#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QWebSocketServer>

#include <functional>

class QWebSocket;

// Stands in for the guest's command service: a WebSocket server on loopback
// that records every line it receives and answers through a replier.
class FakeGuest : public QObject
{
    Q_OBJECT

public:
    explicit FakeGuest(QObject *parent = nullptr);
    ~FakeGuest() override { close(); }

    // Port 0 lets the system pick a free port; url() tells the channel.
    bool listen(quint16 port = 0) { return m_server.listen(QHostAddress::LocalHost, port); }
    quint16 port() const { return m_server.serverPort(); }
    QUrl url() const { return m_server.serverUrl(); }
    void close();
    // Closes every client connection but keeps listening.
    void dropClients();

    // Returns the reply to a line, or a null string for none.
    void setReplier(const std::function<QString(const QString &line)> &replier) { m_replier = replier; }
    void sendToClients(const QString &message);

    QStringList lines() const { return m_lines; }
    void clearLines() { m_lines.clear(); }
    int connectionCount() const { return m_connectionCount; }
    int clientCount() const { return m_clients.size(); }

private:
    void handleNewConnection();

    QWebSocketServer m_server;
    QList<QWebSocket *> m_clients;
    QStringList m_lines;
    std::function<QString(const QString &)> m_replier;
    int m_connectionCount = 0;
};
