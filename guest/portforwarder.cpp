#include "portforwarder.h"

#include <QDateTime>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

namespace Guest {

namespace {

// A slow side must not make the other buffer without limit: reading stops
// while this much is still waiting to be written, and Qt's own read buffer is
// capped so that the kernel's window closes on the sender.
const qint64 MaxPendingWrite = 1024 * 1024;
const qint64 ReadBufferSize = 256 * 1024;
const qint64 ChunkSize = 64 * 1024;
const int ConnectTimeout = 10000;
const int UdpBufferSize = 1024 * 1024;
const int MaxUdpPeers = 1024;

QString endpoint(const QHostAddress &address, quint16 port)
{
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return QStringLiteral("[%1]:%2").arg(address.toString()).arg(port);
    return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}

} // namespace

PortForwarder::PortForwarder(Protocol protocol, const QHostAddress &listenAddress, quint16 hostPort,
                             const QHostAddress &targetAddress, quint16 targetPort, QObject *parent)
    : QObject(parent)
    , m_protocol(protocol)
    , m_listenAddress(listenAddress)
    , m_hostPort(hostPort)
    , m_targetAddress(targetAddress)
    , m_targetPort(targetPort)
{
}

PortForwarder::~PortForwarder()
{
    stop();
}

bool PortForwarder::start(QString *error)
{
    stop();
    QString message;
    if (m_protocol == Protocol::Tcp) {
        m_server = new QTcpServer(this);
        if (m_server->listen(m_listenAddress, m_hostPort)) {
            connect(m_server, &QTcpServer::newConnection, this, &PortForwarder::acceptConnections);
            return true;
        }
        message = m_server->errorString();
        delete m_server;
        m_server = nullptr;
    } else {
        m_udp = new QUdpSocket(this);
        if (m_udp->bind(m_listenAddress, m_hostPort, QAbstractSocket::DontShareAddress)) {
            m_udp->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, UdpBufferSize);
            connect(m_udp, &QUdpSocket::readyRead, this, &PortForwarder::readFromPeers);
            m_idleTimer = new QTimer(this);
            m_idleTimer->setInterval(qBound(10, m_udpIdleTimeout / 4, 10000));
            connect(m_idleTimer, &QTimer::timeout, this, &PortForwarder::expireIdlePeers);
            m_idleTimer->start();
            return true;
        }
        message = m_udp->errorString();
        delete m_udp;
        m_udp = nullptr;
    }
    if (error) {
        *error = QStringLiteral("Cannot forward %1 port %2: %3")
                     .arg(m_protocol == Protocol::Tcp ? QStringLiteral("TCP") : QStringLiteral("UDP"),
                          endpoint(m_listenAddress, m_hostPort), message);
    }
    return false;
}

void PortForwarder::stop()
{
    delete m_server;
    m_server = nullptr;
    while (!m_links.isEmpty())
        dropLink(m_links.constFirst());

    delete m_idleTimer;
    m_idleTimer = nullptr;
    for (UdpPeer *peer : qAsConst(m_peers)) {
        delete peer->socket;
        delete peer;
    }
    m_peers.clear();
    delete m_udp;
    m_udp = nullptr;
}

bool PortForwarder::isListening() const
{
    return m_server || m_udp;
}

quint16 PortForwarder::hostPort() const
{
    if (m_server)
        return m_server->serverPort();
    if (m_udp)
        return m_udp->localPort();
    return m_hostPort;
}

int PortForwarder::activeCount() const
{
    return m_protocol == Protocol::Tcp ? m_links.size() : m_peers.size();
}

void PortForwarder::acceptConnections()
{
    while (QTcpSocket *client = m_server->nextPendingConnection()) {
        client->setParent(this);
        auto link = new TcpLink;
        link->client = client;
        link->target = new QTcpSocket(this);
        m_links.append(link);
        QTcpSocket *target = link->target;
        // Closing one side can drop the link from inside a handler that
        // still uses it, so it lives as long as its sockets.
        connect(client, &QObject::destroyed, [link] { delete link; });

        client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        client->setReadBufferSize(ReadBufferSize);
        target->setReadBufferSize(ReadBufferSize);

        // Each side is read when it has data and when the other side has
        // written enough to make room again.
        connect(client, &QTcpSocket::readyRead, this, [this, link] { relay(link, link->client, link->target); });
        connect(target, &QTcpSocket::bytesWritten, this, [this, link] { relay(link, link->client, link->target); });
        connect(target, &QTcpSocket::readyRead, this, [this, link] { relay(link, link->target, link->client); });
        connect(client, &QTcpSocket::bytesWritten, this, [this, link] { relay(link, link->target, link->client); });
        connect(client, &QTcpSocket::disconnected, this, [this, link] { finishIfDone(link); });
        connect(target, &QTcpSocket::disconnected, this, [this, link] { finishIfDone(link); });

        connect(target, &QTcpSocket::connected, this, [this, link] {
            link->targetConnected = true;
            link->target->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            pumpBoth(link);
        });
        connect(target, &QTcpSocket::errorOccurred, this, [this, link] {
            // Unreachable target: the client is refused, as a NAT would.
            if (!link->targetConnected)
                dropLink(link);
        });
        // Looked up again: the link may be gone while its socket awaits deletion.
        QTimer::singleShot(ConnectTimeout, target, [this, target] {
            for (TcpLink *link : qAsConst(m_links)) {
                if (link->target == target && !link->targetConnected) {
                    dropLink(link);
                    return;
                }
            }
        });

        target->connectToHost(m_targetAddress, m_targetPort);
        emit connectionAccepted();
    }
}

void PortForwarder::relay(TcpLink *link, QTcpSocket *from, QTcpSocket *to)
{
    // Whatever the client sends before the target answers stays queued.
    if (!link->targetConnected)
        return;
    while (from->bytesAvailable() > 0 && to->state() == QAbstractSocket::ConnectedState) {
        const qint64 room = MaxPendingWrite - to->bytesToWrite();
        if (room <= 0)
            break;
        const QByteArray chunk = from->read(qMin(room, ChunkSize));
        if (chunk.isEmpty())
            break;
        to->write(chunk);
        if (to == link->target)
            m_bytesToTarget += chunk.size();
        else
            m_bytesFromTarget += chunk.size();
    }
    finishIfDone(link);
}

void PortForwarder::pumpBoth(TcpLink *link)
{
    relay(link, link->client, link->target);
    if (m_links.contains(link))
        relay(link, link->target, link->client);
}

void PortForwarder::finishIfDone(TcpLink *link)
{
    if (!link->targetConnected)
        return;
    // A side that has closed and whose data has all been passed on closes
    // the other side once that one has flushed what it was given.
    auto closeAfter = [](QTcpSocket *closed, QTcpSocket *other) {
        if (closed->state() == QAbstractSocket::UnconnectedState && closed->bytesAvailable() == 0
            && other->state() == QAbstractSocket::ConnectedState) {
            other->disconnectFromHost();
        }
    };
    closeAfter(link->client, link->target);
    closeAfter(link->target, link->client);
    if (link->client->state() == QAbstractSocket::UnconnectedState
        && link->target->state() == QAbstractSocket::UnconnectedState) {
        dropLink(link);
    }
}

void PortForwarder::dropLink(TcpLink *link)
{
    if (!m_links.removeOne(link))
        return;
    for (QTcpSocket *socket : {link->client, link->target}) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    emit connectionClosed();
}

void PortForwarder::readFromPeers()
{
    while (m_udp && m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp->receiveDatagram();
        // An ICMP error from an earlier answer reads as an invalid datagram.
        if (!datagram.isValid())
            break;
        UdpPeer *peer = peerFor(datagram.senderAddress(), quint16(datagram.senderPort()));
        if (!peer)
            continue;
        peer->lastActive = QDateTime::currentMSecsSinceEpoch();
        const QByteArray data = datagram.data();
        if (peer->socket->writeDatagram(data, m_targetAddress, m_targetPort) == data.size()) {
            ++m_datagramsToTarget;
            m_bytesToTarget += data.size();
        }
    }
}

void PortForwarder::readFromTarget(UdpPeer *peer)
{
    while (peer->socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = peer->socket->receiveDatagram();
        if (!datagram.isValid())
            break;
        // Only the target may answer through a peer's mapping.
        if (datagram.senderPort() != m_targetPort
            || !datagram.senderAddress().isEqual(m_targetAddress, QHostAddress::ConvertV4MappedToIPv4)) {
            continue;
        }
        peer->lastActive = QDateTime::currentMSecsSinceEpoch();
        const QByteArray data = datagram.data();
        if (m_udp->writeDatagram(data, peer->address, peer->port) == data.size()) {
            ++m_datagramsFromTarget;
            m_bytesFromTarget += data.size();
        }
    }
}

PortForwarder::UdpPeer *PortForwarder::peerFor(const QHostAddress &address, quint16 port)
{
    const QString key = peerKey(address, port);
    if (UdpPeer *peer = m_peers.value(key))
        return peer;
    if (m_peers.size() >= MaxUdpPeers)
        return nullptr;

    auto socket = new QUdpSocket(this);
    const QHostAddress any = m_targetAddress.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QHostAddress(QHostAddress::AnyIPv6)
                                 : QHostAddress(QHostAddress::AnyIPv4);
    if (!socket->bind(any, 0)) {
        delete socket;
        return nullptr;
    }
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, UdpBufferSize);
    auto peer = new UdpPeer;
    peer->address = address;
    peer->port = port;
    peer->socket = socket;
    m_peers.insert(key, peer);
    connect(socket, &QUdpSocket::readyRead, this, [this, peer] { readFromTarget(peer); });
    return peer;
}

void PortForwarder::expireIdlePeers()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (auto it = m_peers.begin(); it != m_peers.end();) {
        UdpPeer *peer = it.value();
        if (now - peer->lastActive > m_udpIdleTimeout) {
            delete peer->socket;
            delete peer;
            it = m_peers.erase(it);
        } else {
            ++it;
        }
    }
}

QString PortForwarder::peerKey(const QHostAddress &address, quint16 port)
{
    return endpoint(address, port);
}

} // namespace Guest
