#include <guest/portforwarder.h>

#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

using Guest::PortForwarder;
using Protocol = PortForwarder::Protocol;

namespace {

const QHostAddress Local(QHostAddress::LocalHost);

QByteArray randomPayload(int size, quint32 seed)
{
    QVector<quint32> words((size + 3) / 4);
    QRandomGenerator(seed).fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.constData()), size);
}

std::unique_ptr<PortForwarder> startForwarder(Protocol protocol, quint16 targetPort)
{
    auto forwarder = std::make_unique<PortForwarder>(protocol, Local, 0, Local, targetPort);
    QString error;
    if (forwarder->start(&error))
        return forwarder;
    qWarning("%s", qPrintable(error));
    return nullptr;
}

// The forwarder runs on this thread, so waiting has to spin the event loop.
QByteArray readExactly(QTcpSocket &socket, qint64 size)
{
    QSignalSpy ready(&socket, &QIODevice::readyRead);
    QByteArray data;
    for (QDeadlineTimer deadline(60000); !deadline.hasExpired();) {
        data += socket.read(size - data.size());
        if (data.size() >= size || (socket.state() != QAbstractSocket::ConnectedState && !socket.bytesAvailable()))
            break;
        ready.wait(200);
    }
    return data;
}

// A client connected through a TCP forwarder to a plain server in the guest.
struct TcpPath
{
    bool open()
    {
        if (!server.listen(Local, 0) || !(forwarder = startForwarder(Protocol::Tcp, server.serverPort())))
            return false;
        client.connectToHost(Local, forwarder->hostPort());
        if (!client.waitForConnected(5000) || !QTest::qWaitFor([this] { return server.hasPendingConnections(); }))
            return false;
        guest.reset(server.nextPendingConnection());
        return true;
    }

    QTcpServer server;
    std::unique_ptr<PortForwarder> forwarder;
    QTcpSocket client;
    std::unique_ptr<QTcpSocket> guest;
};

} // namespace

class tst_PortForwarder : public QObject
{
    Q_OBJECT

private slots:
    void tcpRelaysBothWaysThenCloses_data();
    void tcpRelaysBothWaysThenCloses();
    void tcpTargetDown();
    void udpMappings_data();
    void udpMappings();
    void portInUseUntilStopped_data();
    void portInUseUntilStopped();
};

void tst_PortForwarder::tcpRelaysBothWaysThenCloses_data()
{
    QTest::addColumn<bool>("clientCloses");
    QTest::addColumn<int>("size");
    // 64 MiB is more than the kernel and the forwarder may hold for a guest that does not read.
    for (int size : {36, 64 * 1024 * 1024}) {
        QTest::addRow("%d bytes, client closes", size) << true << size;
        QTest::addRow("%d bytes, target closes", size) << false << size;
    }
}

void tst_PortForwarder::tcpRelaysBothWaysThenCloses()
{
    QFETCH(bool, clientCloses);
    QFETCH(int, size);
    TcpPath path;
    QVERIFY(path.open());
    QSignalSpy closed(path.forwarder.get(), &PortForwarder::connectionClosed);
    const QByteArray payload = randomPayload(size, quint32(size));
    path.guest->setReadBufferSize(64 * 1024);
    path.client.write(payload);
    // Wait until the flow stalls against the guest that does not read yet.
    qint64 last = -1;
    for (int i = 0; i < 100 && path.forwarder->bytesToTarget() != last; ++i) {
        last = path.forwarder->bytesToTarget();
        QTest::qWait(100);
    }
    if (size > 1024 * 1024) {
        QVERIFY2(last < size / 2, qPrintable(QString::number(last)));
        QVERIFY2(path.client.bytesToWrite() > 0, "the forwarder swallowed everything");
    }
    path.guest->setReadBufferSize(0);
    QVERIFY(readExactly(*path.guest, size) == payload);
    // The way back needs no stall, only intact data: a few MiB do.
    const QByteArray answer = payload.left(4 * 1024 * 1024);
    path.guest->write(answer);
    QVERIFY(readExactly(path.client, answer.size()) == answer);
    QCOMPARE(path.forwarder->bytesToTarget(), qint64(size));
    QCOMPARE(path.forwarder->bytesFromTarget(), qint64(answer.size()));
    QCOMPARE(path.forwarder->activeCount(), 1);

    // What is written just before the close still gets through first.
    QTcpSocket *closer = clientCloses ? &path.client : path.guest.get();
    QTcpSocket *other = clientCloses ? path.guest.get() : &path.client;
    QSignalSpy otherDisconnected(other, &QTcpSocket::disconnected);
    const QByteArray lastWords = randomPayload(qMin(size, 3 * 1024 * 1024), 7);
    closer->write(lastWords);
    closer->disconnectFromHost();
    QVERIFY(readExactly(*other, lastWords.size() + 1) == lastWords);
    QTRY_COMPARE(otherDisconnected.count(), 1);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(path.forwarder->activeCount(), 0);
}

void tst_PortForwarder::tcpTargetDown()
{
    QTcpServer probe;
    QVERIFY(probe.listen(Local, 0));
    const quint16 deadPort = probe.serverPort();
    probe.close();
    auto forwarder = startForwarder(Protocol::Tcp, deadPort);
    QVERIFY(forwarder);
    QSignalSpy closed(forwarder.get(), &PortForwarder::connectionClosed);
    QTcpSocket client;
    client.connectToHost(Local, forwarder->hostPort());
    QVERIFY(client.waitForConnected(5000));
    client.write("anyone there?\n");
    QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(forwarder->activeCount(), 0);
    QVERIFY(forwarder->isListening());
}

void tst_PortForwarder::udpMappings_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("small") << 20;
    QTest::newRow("largest") << 65507 - 8;
}

void tst_PortForwarder::udpMappings()
{
    QFETCH(int, size);
    QUdpSocket target, stranger, peers[2];
    QVERIFY(target.bind(Local, 0) && stranger.bind(Local, 0) && peers[0].bind(Local, 0) && peers[1].bind(Local, 0));
    PortForwarder forwarder(Protocol::Udp, Local, 0, Local, target.localPort());
    forwarder.setUdpIdleTimeout(500);
    QVERIFY(forwarder.start());

    for (int round = 0; round < 2; ++round) {
        // The second round comes after the mappings expired and needs new ones.
        QTRY_COMPARE_WITH_TIMEOUT(forwarder.activeCount(), 0, 5000);
        QByteArray sent[2];
        for (int p = 0; p < 2; ++p) {
            sent[p] = randomPayload(size, quint32(10 * round + p));
            QCOMPARE(peers[p].writeDatagram(sent[p], Local, forwarder.hostPort()), qint64(size));
        }
        for (int p = 0; p < 2; ++p) {
            QTRY_VERIFY(target.hasPendingDatagrams());
            const QNetworkDatagram request = target.receiveDatagram();
            // Only the target may answer through a mapping.
            stranger.writeDatagram("spoofed", Local, quint16(request.senderPort()));
            target.writeDatagram(request.makeReply(request.data().left(size - 3).prepend("re:")));
        }
        QCOMPARE(forwarder.activeCount(), 2);
        for (int p = 0; p < 2; ++p) {
            QTRY_VERIFY(peers[p].hasPendingDatagrams());
            const QNetworkDatagram answer = peers[p].receiveDatagram();
            QCOMPARE(answer.data(), sent[p].left(size - 3).prepend("re:"));
            QCOMPARE(answer.senderPort(), int(forwarder.hostPort()));
        }
    }
    QCOMPARE((QList<qint64>{forwarder.datagramsToTarget(), forwarder.datagramsFromTarget(), forwarder.bytesToTarget(),
                            forwarder.bytesFromTarget()}), (QList<qint64>{4, 4, 4 * size, 4 * size}));
}

void tst_PortForwarder::portInUseUntilStopped_data()
{
    QTest::addColumn<Protocol>("protocol");
    QTest::newRow("TCP") << Protocol::Tcp;
    QTest::newRow("UDP") << Protocol::Udp;
}

void tst_PortForwarder::portInUseUntilStopped()
{
    QFETCH(Protocol, protocol);
    TcpPath tcp;
    QVERIFY(tcp.open());
    const auto udp = startForwarder(Protocol::Udp, 9);
    QVERIFY(udp);
    QUdpSocket peer;
    peer.writeDatagram("ping", Local, udp->hostPort());
    PortForwarder *forwarder = protocol == Protocol::Tcp ? tcp.forwarder.get() : udp.get();
    QTRY_COMPARE(forwarder->activeCount(), 1);
    const quint16 port = forwarder->hostPort();

    PortForwarder second(protocol, Local, port, Local, 9);
    QString error;
    QVERIFY(!second.start(&error));
    QVERIFY2(error.contains(QString::number(port)), qPrintable(error));
    QVERIFY(!second.isListening());

    forwarder->stop();
    QVERIFY(!forwarder->isListening());
    QCOMPARE(forwarder->activeCount(), 0);
    if (protocol == Protocol::Tcp) {
        QTRY_COMPARE(tcp.client.state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(tcp.guest->state(), QAbstractSocket::UnconnectedState);
    }
    QVERIFY2(second.start(&error), qPrintable(error));
    QCOMPARE(second.hostPort(), port);
}

QTEST_GUILESS_MAIN(tst_PortForwarder)

#include "tst_portforwarder.moc"
