#include <guest/portforwarder.h>

#include <QNetworkDatagram>
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

// The forwarder runs on this thread, so waiting has to spin the event loop.
QByteArray readLine(QTcpSocket &socket)
{
    return QTest::qWaitFor([&socket] { return socket.canReadLine(); }, 5000) ? socket.readLine() : QByteArray();
}

} // namespace

class tst_PortForwarder : public QObject
{
    Q_OBJECT

private slots:
    void relaysUntilStopped_data();
    void relaysUntilStopped();
};

void tst_PortForwarder::relaysUntilStopped_data()
{
    QTest::addColumn<Protocol>("protocol");
    QTest::newRow("TCP") << Protocol::Tcp;
    QTest::newRow("UDP") << Protocol::Udp;
}

void tst_PortForwarder::relaysUntilStopped()
{
    QFETCH(Protocol, protocol);
    const bool tcp = protocol == Protocol::Tcp;
    QTcpServer server;
    QUdpSocket target;
    QVERIFY(tcp ? server.listen(Local, 0) : target.bind(Local, 0));
    PortForwarder forwarder(protocol, Local, 0, Local, tcp ? server.serverPort() : target.localPort());
    QString error;
    QVERIFY2(forwarder.start(&error), qPrintable(error));
    const quint16 port = forwarder.hostPort();

    // One exchange each way through the rule.
    QTcpSocket client;
    std::unique_ptr<QTcpSocket> guest;
    QUdpSocket peer;
    if (tcp) {
        client.connectToHost(Local, port);
        QVERIFY(client.waitForConnected(5000));
        QVERIFY(QTest::qWaitFor([&server] { return server.hasPendingConnections(); }));
        guest.reset(server.nextPendingConnection());
        client.write("ping\n");
        QCOMPARE(readLine(*guest), QByteArray("ping\n"));
        guest->write("pong\n");
        QCOMPARE(readLine(client), QByteArray("pong\n"));
    } else {
        QCOMPARE(peer.writeDatagram("ping", Local, port), qint64(4));
        QTRY_VERIFY(target.hasPendingDatagrams());
        const QNetworkDatagram request = target.receiveDatagram();
        QCOMPARE(request.data(), QByteArray("ping"));
        target.writeDatagram(request.makeReply("pong"));
        QTRY_VERIFY(peer.hasPendingDatagrams());
        const QNetworkDatagram answer = peer.receiveDatagram();
        QCOMPARE(answer.data(), QByteArray("pong"));
        QCOMPARE(answer.senderPort(), int(port));
    }
    QCOMPARE(forwarder.activeCount(), 1);

    // The host port stays taken until the rule goes.
    PortForwarder second(protocol, Local, port, Local, 9);
    QVERIFY(!second.start(&error));
    QVERIFY2(error.contains(QString::number(port)), qPrintable(error));
    forwarder.stop();
    QVERIFY(!forwarder.isListening());
    QCOMPARE(forwarder.activeCount(), 0);
    if (tcp) {
        QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(guest->state(), QAbstractSocket::UnconnectedState);
    }
    QVERIFY2(second.start(&error), qPrintable(error));
    QCOMPARE(second.hostPort(), port);
}

QTEST_GUILESS_MAIN(tst_PortForwarder)

#include "tst_portforwarder.moc"
