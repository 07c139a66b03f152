#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QTimer;
class QUdpSocket;

namespace Guest {

// One NAT rule of the virtual machine: a port on the host side forwarded to
// an endpoint in the guest.
class PortForwarder : public QObject
{
    Q_OBJECT

public:
    enum class Protocol { Tcp, Udp };
    Q_ENUM(Protocol)

    PortForwarder(Protocol protocol, const QHostAddress &listenAddress, quint16 hostPort,
                  const QHostAddress &targetAddress, quint16 targetPort,
                  QObject *parent = nullptr);
    ~PortForwarder() override;

    bool start(QString *error = nullptr);
    void stop();
    bool isListening() const;

    Protocol protocol() const { return m_protocol; }
    // The port actually listened on, also when 0 was asked for.
    quint16 hostPort() const;

    qint64 bytesToTarget() const { return m_bytesToTarget; }
    qint64 bytesFromTarget() const { return m_bytesFromTarget; }
    qint64 datagramsToTarget() const { return m_datagramsToTarget; }
    qint64 datagramsFromTarget() const { return m_datagramsFromTarget; }
    // Open TCP connection pairs, or UDP peers with a live mapping.
    int activeCount() const;

    // A UDP peer's mapping is dropped after this long without traffic.
    void setUdpIdleTimeout(int msecs) { m_udpIdleTimeout = msecs; }

signals:
    void connectionAccepted();
    void connectionClosed();

private:
    struct TcpLink
    {
        QTcpSocket *client = nullptr;
        QTcpSocket *target = nullptr;
        bool targetConnected = false;
    };

    struct UdpPeer
    {
        QHostAddress address;
        quint16 port = 0;
        QUdpSocket *socket = nullptr;
        qint64 lastActive = 0;
    };

    void acceptConnections();
    void relay(TcpLink *link, QTcpSocket *from, QTcpSocket *to);
    void pumpBoth(TcpLink *link);
    void finishIfDone(TcpLink *link);
    void dropLink(TcpLink *link);

    void readFromPeers();
    void readFromTarget(UdpPeer *peer);
    UdpPeer *peerFor(const QHostAddress &address, quint16 port);
    void expireIdlePeers();
    static QString peerKey(const QHostAddress &address, quint16 port);

    const Protocol m_protocol;
    const QHostAddress m_listenAddress;
    const quint16 m_hostPort;
    const QHostAddress m_targetAddress;
    const quint16 m_targetPort;

    QTcpServer *m_server = nullptr;
    QList<TcpLink *> m_links;

    QUdpSocket *m_udp = nullptr;
    QHash<QString, UdpPeer *> m_peers;
    QTimer *m_idleTimer = nullptr;
    int m_udpIdleTimeout = 120000;

    qint64 m_bytesToTarget = 0;
    qint64 m_bytesFromTarget = 0;
    qint64 m_datagramsToTarget = 0;
    qint64 m_datagramsFromTarget = 0;
};

} // namespace Guest
