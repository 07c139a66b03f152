#pragma once

#include <QDBusConnection>
#include <QList>
#include <QHostAddress>
#include <QObject>
#include <QWebSocketServer>

namespace Guest {

class BusCaller;
class CommandClient;

// The guest end of the plug-in's command channel: a WebSocket server that
// takes each text message as a command line (see CommandLine), calls the
// method on the guest's system or session bus and answers with one reply
// line (see CommandReply). Any number of peers may connect, one after
// another or at once; each gets its replies in the order of its lines.
class CommandService : public QObject
{
    Q_OBJECT

public:
    CommandService(const QDBusConnection &systemBus, const QDBusConnection &sessionBus,
                   QObject *parent = nullptr);
    ~CommandService() override;

    // Where the plug-in's port forwarding points in the guest.
    static quint16 defaultPort() { return 1234; }

    bool listen(const QHostAddress &address = QHostAddress::Any, quint16 port = defaultPort());
    void close();
    bool isListening() const { return m_server.isListening(); }
    quint16 serverPort() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    // Milliseconds a D-Bus call may take before it is answered with an
    // error; -1 leaves it to QtDBus.
    void setCallTimeout(int milliseconds);
    // Calls under way at once on each bus, for all peers together.
    void setMaximumPendingCalls(int calls);

    // Peers accepted since construction, and peers connected now.
    int connectionCount() const { return m_connectionCount; }
    int clientCount() const { return m_clients.size(); }

signals:
    void exchanged(const QString &line, const QString &reply);
    void clientConnected();
    void clientDisconnected();

private:
    void handleNewConnection();
    void handleClientGone(CommandClient *client);

    BusCaller *m_systemBus;
    BusCaller *m_sessionBus;
    QWebSocketServer m_server;
    QList<CommandClient *> m_clients;
    int m_connectionCount = 0;
};

} // namespace Guest
