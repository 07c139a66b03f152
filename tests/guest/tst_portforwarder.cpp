#include <guest/portforwarder.h>

#include <QCryptographicHash>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

using Guest::PortForwarder;

namespace {

QByteArray randomPayload(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray data(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);
    for (int i = size / 4 * 4; i < size; ++i)
        data[i] = char(random.bounded(256));
    return data;
}

// The guest-side service: echoes what it gets, or holds back reading until
// told to, and remembers its connections.
class TcpTarget : public QObject
{
public:
    explicit TcpTarget(bool echo = true)
        : m_echo(echo)
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                sockets << socket;
                if (!m_echo)
                    socket->setReadBufferSize(64 * 1024);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { consume(socket); });
            }
        });
    }

    bool listen() { return server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return server.serverPort(); }

    void startReading()
    {
        m_echo = false;
        m_reading = true;
        for (QTcpSocket *socket : qAsConst(sockets)) {
            socket->setReadBufferSize(0);
            consume(socket);
        }
    }

    QTcpServer server;
    QList<QTcpSocket *> sockets;
    qint64 received = 0;
    QCryptographicHash hash{QCryptographicHash::Sha256};

private:
    void consume(QTcpSocket *socket)
    {
        if (m_echo) {
            const QByteArray data = socket->readAll();
            received += data.size();
            socket->write(data);
        } else if (m_reading) {
            const QByteArray data = socket->readAll();
            received += data.size();
            hash.addData(data);
        }
    }

    bool m_echo;
    bool m_reading = false;
};

// The forwarder runs on this thread: waiting must spin the event loop, so
// the sockets' blocking waits are of no use here.
QByteArray readExactly(QTcpSocket &socket, qint64 size, int timeout = 30000)
{
    QSignalSpy ready(&socket, &QIODevice::readyRead);
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeout) {
        data += socket.read(size - data.size());
        if (data.size() >= size
            || (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0)) {
            break;
        }
        ready.wait(200);
    }
    return data;
}

} // namespace

class tst_PortForwarder : public QObject
{
    Q_OBJECT

private slots:
    void tcpEcho_data();
    void tcpEcho();
    void tcpClosePropagates_data();
    void tcpClosePropagates();
    void tcpTargetDown();
    void tcpBackPressure();
    void udpAnswersReachTheRightPeer_data();
    void udpAnswersReachTheRightPeer();
    void udpIgnoresStrangers();
    void udpIdlePeersExpire();
    void portInUse_data();
    void portInUse();
    void stopReleasesEverything_data();
    void stopReleasesEverything();
};

void tst_PortForwarder::tcpEcho_data()
{
    QTest::addColumn<QByteArray>("payload");

    QTest::newRow("command line") << QByteArray("sensors set accelerometer 0 9.81 0\n");
    QTest::newRow("one byte") << QByteArray("x");
    QTest::newRow("256 KiB") << randomPayload(256 * 1024, 1);
    QTest::newRow("6 MiB") << randomPayload(6 * 1024 * 1024, 2);
}

void tst_PortForwarder::tcpEcho()
{
    QFETCH(QByteArray, payload);

    TcpTarget target;
    QVERIFY(target.listen());
    PortForwarder forwarder(PortForwarder::Protocol::Tcp, QHostAddress::LocalHost, 0,
                            QHostAddress::LocalHost, target.port());
    QString error;
    QVERIFY2(forwarder.start(&error), qPrintable(error));
    QVERIFY(forwarder.isListening());
    QVERIFY(forwarder.hostPort() != 0);
    QVERIFY(forwarder.hostPort() != target.port());

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, forwarder.hostPort());
    QVERIFY(client.waitForConnected(5000));
    client.write(payload);

    const QByteArray echoed = readExactly(client, payload.size());
    QCOMPARE(echoed.size(), payload.size());
    QVERIFY(echoed == payload);
    QCOMPARE(target.received, qint64(payload.size()));
    QCOMPARE(forwarder.bytesToTarget(), qint64(payload.size()));
    QCOMPARE(forwarder.bytesFromTarget(), qint64(payload.size()));
    QCOMPARE(forwarder.activeCount(), 1);
}

void tst_PortForwarder::tcpClosePropagates_data()
{
    QTest::addColumn<bool>("clientCloses");
    QTest::addColumn<int>("lastWords");

    QTest::newRow("client closes") << true << 0;
    QTest::newRow("target closes") << false << 0;
    // What was written just before the close still gets through first.
    QTest::newRow("client closes after 3 MiB") << true << 3 * 1024 * 1024;
    QTest::newRow("target closes after 3 MiB") << false << 3 * 1024 * 1024;
}

void tst_PortForwarder::tcpClosePropagates()
{
    QFETCH(bool, clientCloses);
    QFETCH(int, lastWords);

    // A plain server that neither echoes nor reads until asked.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    PortForwarder forwarder(PortForwarder::Protocol::Tcp, QHostAddress::LocalHost, 0,
                            QHostAddress::LocalHost, server.serverPort());
    QSignalSpy closed(&forwarder, &PortForwarder::connectionClosed);
    QVERIFY(closed.isValid());
    QVERIFY(forwarder.start());

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, forwarder.hostPort());
    QVERIFY(client.waitForConnected(5000));
    QTRY_VERIFY(server.hasPendingConnections());
    std::unique_ptr<QTcpSocket> guestSide(server.nextPendingConnection());
    QVERIFY(guestSide);

    QTcpSocket *closer = clientCloses ? &client : guestSide.get();
    QTcpSocket *other = clientCloses ? guestSide.get() : &client;
    QSignalSpy otherDisconnected(other, &QTcpSocket::disconnected);
    QVERIFY(otherDisconnected.isValid());

    const QByteArray payload = randomPayload(lastWords, 7);
    closer->write(payload);
    closer->disconnectFromHost();

    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (otherDisconnected.isEmpty() && timer.elapsed() < 20000) {
        otherDisconnected.wait(100);
        got += other->readAll();
    }
    got += other->readAll();
    QCOMPARE(otherDisconnected.count(), 1);
    QCOMPARE(got.size(), payload.size());
    QVERIFY(got == payload);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(forwarder.activeCount(), 0);
}

void tst_PortForwarder::tcpTargetDown()
{
    // A port that nobody listens on.
    quint16 deadPort;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        deadPort = probe.serverPort();
    }
    PortForwarder forwarder(PortForwarder::Protocol::Tcp, QHostAddress::LocalHost, 0,
                            QHostAddress::LocalHost, deadPort);
    QSignalSpy closed(&forwarder, &PortForwarder::connectionClosed);
    QVERIFY(closed.isValid());
    QVERIFY(forwarder.start());

    QTcpSocket client;
    QSignalSpy disconnected(&client, &QTcpSocket::disconnected);
    QVERIFY(disconnected.isValid());
    client.connectToHost(QHostAddress::LocalHost, forwarder.hostPort());
    QVERIFY(client.waitForConnected(5000));
    client.write("anyone there?\n");
    QVERIFY(disconnected.wait(5000));
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(forwarder.activeCount(), 0);
    // The forwarder itself keeps listening.
    QVERIFY(forwarder.isListening());
}

void tst_PortForwarder::tcpBackPressure()
{
    TcpTarget target(false);
    QVERIFY(target.listen());
    PortForwarder forwarder(PortForwarder::Protocol::Tcp, QHostAddress::LocalHost, 0,
                            QHostAddress::LocalHost, target.port());
    QVERIFY(forwarder.start());

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, forwarder.hostPort());
    QVERIFY(client.waitForConnected(5000));
    QTRY_COMPARE(target.sockets.size(), 1);

    const qint64 total = 64 * 1024 * 1024;
    const QByteArray payload = randomPayload(int(total), 11);
    client.write(payload);

    // Wait until the flow stalls against the target that does not read.
    qint64 last = -1;
    for (int i = 0; i < 100 && forwarder.bytesToTarget() != last; ++i) {
        last = forwarder.bytesToTarget();
        QTest::qWait(100);
    }
    QCOMPARE(forwarder.bytesToTarget(), last);
    // The kernel's buffers hold a few MiB; the forwarder adds about one.
    QVERIFY2(forwarder.bytesToTarget() < total / 2,
             qPrintable(QString::number(forwarder.bytesToTarget())));
    QVERIFY2(client.bytesToWrite() > 0, "the forwarder swallowed everything");

    target.startReading();
    QTRY_COMPARE_WITH_TIMEOUT(target.received, total, 60000);
    QCOMPARE(target.hash.result(), QCryptographicHash::hash(payload, QCryptographicHash::Sha256));
    QCOMPARE(forwarder.bytesToTarget(), total);
}

void tst_PortForwarder::udpAnswersReachTheRightPeer_data()
{
    QTest::addColumn<int>("size");

    QTest::newRow("small") << 20;
    QTest::newRow("RTP packet") << 1400;
    QTest::newRow("largest") << 65507 - 8;
}

void tst_PortForwarder::udpAnswersReachTheRightPeer()
{
    QFETCH(int, size);

    // The target answers every datagram with "re:" and the datagram.
    QUdpSocket target;
    QVERIFY(target.bind(QHostAddress::LocalHost, 0));
    QSet<quint16> sourcePorts;
    connect(&target, &QUdpSocket::readyRead, this, [&] {
        while (target.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = target.receiveDatagram();
            sourcePorts.insert(quint16(datagram.senderPort()));
            target.writeDatagram(datagram.makeReply(datagram.data().left(size - 3).prepend("re:")));
        }
    });

    PortForwarder forwarder(PortForwarder::Protocol::Udp, QHostAddress::LocalHost, 0,
                            QHostAddress::LocalHost, target.localPort());
    QString error;
    QVERIFY2(forwarder.start(&error), qPrintable(error));
    QVERIFY(forwarder.hostPort() != 0);

    QUdpSocket first;
    QUdpSocket second;
    QVERIFY(first.bind(QHostAddress::LocalHost, 0));
    QVERIFY(second.bind(QHostAddress::LocalHost, 0));
    const int rounds = 5;
    for (int i = 0; i < rounds; ++i) {
        QByteArray fromFirst = randomPayload(size, 100 + i);
        fromFirst[0] = 'A';
        QByteArray fromSecond = randomPayload(size, 200 + i);
        fromSecond[0] = 'B';
        QCOMPARE(first.writeDatagram(fromFirst, QHostAddress::LocalHost, forwarder.hostPort()), qint64(size));
        QCOMPARE(second.writeDatagram(fromSecond, QHostAddress::LocalHost, forwarder.hostPort()), qint64(size));

        QTRY_VERIFY(first.hasPendingDatagrams());
        const QNetworkDatagram toFirst = first.receiveDatagram();
        QCOMPARE(toFirst.data(), fromFirst.left(size - 3).prepend("re:"));
        QCOMPARE(toFirst.senderPort(), int(forwarder.hostPort()));
        QTRY_VERIFY(second.hasPendingDatagrams());
        QCOMPARE(second.receiveDatagram().data(), fromSecond.left(size - 3).prepend("re:"));
    }
    QVERIFY(!first.hasPendingDatagrams());
    QVERIFY(!second.hasPendingDatagrams());
    // Each peer has its own mapping, hence its own source port.
    QCOMPARE(sourcePorts.size(), 2);
    QCOMPARE(forwarder.activeCount(), 2);
    QCOMPARE(forwarder.datagramsToTarget(), qint64(2 * rounds));
    QCOMPARE(forwarder.datagramsFromTarget(), qint64(2 * rounds));
    QCOMPARE(forwarder.bytesToTarget(), qint64(2 * rounds * size));
    QCOMPARE(forwarder.bytesFromTarget(), qint64(2 * rounds * size));
}

void tst_PortForwarder::udpIgnoresStrangers()
{
    QUdpSocket target;
    QVERIFY(target.bind(QHostAddress::LocalHost, 0));
    PortForwarder forwarder(PortForwarder::Protocol::Udp, QHostAddress::LocalHost, 0,
                            QHostAddress::LocalHost, target.localPort());
    QVERIFY(forwarder.start());

    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress::LocalHost, 0));
    peer.writeDatagram("hello", QHostAddress::LocalHost, forwarder.hostPort());
    QTRY_VERIFY(target.hasPendingDatagrams());
    const QNetworkDatagram hello = target.receiveDatagram();
    QCOMPARE(hello.data(), QByteArray("hello"));

    // Someone else learns the mapping's port and sends to it; only then the
    // target answers. The peer must get the answer alone.
    QUdpSocket stranger;
    QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
    stranger.writeDatagram("spoofed", QHostAddress::LocalHost, quint16(hello.senderPort()));
    target.writeDatagram(hello.makeReply("answer"));

    QTRY_VERIFY(peer.hasPendingDatagrams());
    QCOMPARE(peer.receiveDatagram().data(), QByteArray("answer"));
    QVERIFY(!peer.hasPendingDatagrams());
    QCOMPARE(forwarder.datagramsFromTarget(), qint64(1));
}

void tst_PortForwarder::udpIdlePeersExpire()
{
    QUdpSocket target;
    QVERIFY(target.bind(QHostAddress::LocalHost, 0));
    PortForwarder forwarder(PortForwarder::Protocol::Udp, QHostAddress::LocalHost, 0,
                            QHostAddress::LocalHost, target.localPort());
    forwarder.setUdpIdleTimeout(200);
    QVERIFY(forwarder.start());

    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress::LocalHost, 0));
    peer.writeDatagram("one", QHostAddress::LocalHost, forwarder.hostPort());
    QTRY_VERIFY(target.hasPendingDatagrams());
    target.receiveDatagram();
    QCOMPARE(forwarder.activeCount(), 1);

    QTRY_COMPARE_WITH_TIMEOUT(forwarder.activeCount(), 0, 5000);
    // A fresh mapping serves the peer again, through a new socket.
    peer.writeDatagram("two", QHostAddress::LocalHost, forwarder.hostPort());
    QTRY_VERIFY(target.hasPendingDatagrams());
    const QNetworkDatagram two = target.receiveDatagram();
    QCOMPARE(two.data(), QByteArray("two"));
    QCOMPARE(forwarder.activeCount(), 1);
    target.writeDatagram(two.makeReply("back"));
    QTRY_VERIFY(peer.hasPendingDatagrams());
    QCOMPARE(peer.receiveDatagram().data(), QByteArray("back"));
}

void tst_PortForwarder::portInUse_data()
{
    QTest::addColumn<PortForwarder::Protocol>("protocol");

    QTest::newRow("TCP") << PortForwarder::Protocol::Tcp;
    QTest::newRow("UDP") << PortForwarder::Protocol::Udp;
}

void tst_PortForwarder::portInUse()
{
    QFETCH(PortForwarder::Protocol, protocol);

    QTcpServer tcpHolder;
    QUdpSocket udpHolder;
    quint16 port;
    if (protocol == PortForwarder::Protocol::Tcp) {
        QVERIFY(tcpHolder.listen(QHostAddress::LocalHost, 0));
        port = tcpHolder.serverPort();
    } else {
        QVERIFY(udpHolder.bind(QHostAddress::LocalHost, 0));
        port = udpHolder.localPort();
    }

    PortForwarder forwarder(protocol, QHostAddress::LocalHost, port, QHostAddress::LocalHost, 9);
    QString error;
    QVERIFY(!forwarder.start(&error));
    QVERIFY2(error.contains(QString::number(port)), qPrintable(error));
    QVERIFY(!forwarder.isListening());
}

void tst_PortForwarder::stopReleasesEverything_data()
{
    QTest::addColumn<PortForwarder::Protocol>("protocol");

    QTest::newRow("TCP") << PortForwarder::Protocol::Tcp;
    QTest::newRow("UDP") << PortForwarder::Protocol::Udp;
}

void tst_PortForwarder::stopReleasesEverything()
{
    QFETCH(PortForwarder::Protocol, protocol);

    TcpTarget tcpTarget;
    QVERIFY(tcpTarget.listen());
    QUdpSocket udpTarget;
    QVERIFY(udpTarget.bind(QHostAddress::LocalHost, 0));
    const quint16 targetPort = protocol == PortForwarder::Protocol::Tcp ? tcpTarget.port() : udpTarget.localPort();

    auto forwarder = std::make_unique<PortForwarder>(protocol, QHostAddress::LocalHost, 0,
                                                     QHostAddress::LocalHost, targetPort);
    QVERIFY(forwarder->start());
    const quint16 port = forwarder->hostPort();

    QTcpSocket client;
    QUdpSocket peer;
    if (protocol == PortForwarder::Protocol::Tcp) {
        client.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(client.waitForConnected(5000));
        client.write("ping");
        QCOMPARE(readExactly(client, 4), QByteArray("ping"));
    } else {
        peer.writeDatagram("ping", QHostAddress::LocalHost, port);
        QTRY_VERIFY(udpTarget.hasPendingDatagrams());
    }
    QCOMPARE(forwarder->activeCount(), 1);

    forwarder->stop();
    QVERIFY(!forwarder->isListening());
    QCOMPARE(forwarder->activeCount(), 0);
    if (protocol == PortForwarder::Protocol::Tcp) {
        QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
        QTRY_VERIFY(tcpTarget.sockets.constFirst()->state() == QAbstractSocket::UnconnectedState);
    }

    // The port is free again.
    forwarder.reset();
    PortForwarder other(protocol, QHostAddress::LocalHost, port, QHostAddress::LocalHost, targetPort);
    QString error;
    QVERIFY2(other.start(&error), qPrintable(error));
    QCOMPARE(other.hostPort(), port);
}

QTEST_GUILESS_MAIN(tst_PortForwarder)

#include "tst_portforwarder.moc"
