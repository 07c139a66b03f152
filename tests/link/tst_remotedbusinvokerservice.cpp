#include <link/remotedbusinvokerservice.h>

#include "fakeguest.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using Mimicry::Internal::RemoteDBusInvokerService;

namespace {

int warningCount = 0;
QtMessageHandler testMessageHandler = nullptr;

void countWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg)
        ++warningCount;
    testMessageHandler(type, context, message);
}

// Answers the handshake once the request is in, then sends the frames.
void answerHandshake(QTcpSocket *socket, const QByteArray &frames, bool hangUp)
{
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, frames, hangUp] {
        const QByteArray request = socket->peek(4096);
        if (!request.contains("\r\n\r\n"))
            return;
        socket->disconnect();
        socket->readAll();
        const QRegularExpression keyLine(QStringLiteral("Sec-WebSocket-Key: *(\\S+)"),
                                         QRegularExpression::CaseInsensitiveOption);
        const QByteArray key = keyLine.match(QString::fromLatin1(request)).captured(1).toLatin1();
        socket->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                      "Sec-WebSocket-Accept: "
                      + QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                                 QCryptographicHash::Sha1).toBase64()
                      + "\r\n\r\n" + frames);
        if (hangUp)
            socket->disconnectFromHost();
    });
}

void connectChannel(RemoteDBusInvokerService &channel, FakeGuest &guest)
{
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    channel.setUrl(guest.url());
    channel.openConnection();
    QVERIFY(connected.wait(5000));
    QTRY_COMPARE(guest.clientCount(), 1);
}

} // namespace

class tst_RemoteDBusInvokerService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { testMessageHandler = qInstallMessageHandler(countWarnings); }

    void connectsWhenOpenedAndAtOnceAfterADrop()
    {
        FakeGuest guest;
        QVERIFY(guest.listen());
        RemoteDBusInvokerService channel;
        channel.setUrl(guest.url());
        // Retries of failed attempts would come too late to pass this test: the
        // reconnection after a drop of a lasting connection must not wait for them.
        channel.setRetryDelays(10000, 10000);
        channel.setConnectionTimes(5000, 0);
        QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
        QSignalSpy disconnected(&channel, &RemoteDBusInvokerService::webSocketDisconnected);

        channel.sendCommand("system", "s", "/p", "i", "setAlsValue", "int32:5");
        {
            // A second channel connects as a marker: one that opened by itself
            // earlier would be connected by then too.
            RemoteDBusInvokerService marker;
            connectChannel(marker, guest);
        }
        QCOMPARE(guest.connectionCount(), 1);
        QTRY_COMPARE(guest.clientCount(), 0);

        connectChannel(channel, guest);
        guest.dropClients();
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 2, 3000);
        QCOMPARE(disconnected.size(), 1);
        QCOMPARE(guest.connectionCount(), 3);
    }

    void hostileGuest_data()
    {
        QTest::addColumn<bool>("handshake");
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<bool>("hangUp");
        QTest::addColumn<bool>("warns");

        // 80 KiB in unfinished fragments of 16 KiB each.
        QByteArray fragments;
        for (int fragment = 0; fragment < 5; ++fragment)
            fragments
                += QByteArray(fragment == 0 ? "\x01\x7e\x40\x00" : "\x00\x7e\x40\x00", 4) + QByteArray(16384, 'a');

        QTest::newRow("hang-up before the handshake is retried with backoff") << false << QByteArray() << true << false;
        QTest::newRow("hang-up after the handshake is retried with backoff") << true << QByteArray() << true << false;
        QTest::newRow("unanswered handshake is given up and retried") << false << QByteArray() << false << false;
        // Only the header of a 256 MiB frame: a client that waits for the payload
        // waits for good.
        QTest::newRow("oversize frame is refused on its header with one warning")
            << true << QByteArray("\x81\x7f\0\0\0\0\x10\0\0\0", 10) << false << true;
        QTest::newRow("oversize message in small frames is refused with one warning")
            << true << fragments << false << true;
    }

    // A guest that goes wrong after a first connection, then comes back.
    void hostileGuest()
    {
        QFETCH(bool, handshake);
        QFETCH(QByteArray, frames);
        QFETCH(bool, hangUp);
        QFETCH(bool, warns);

        FakeGuest guest;
        QVERIFY(guest.listen());
        const quint16 port = guest.port();
        RemoteDBusInvokerService channel;
        channel.setRetryDelays(50, 200);
        channel.setConnectionTimes(200, 1000);
        QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
        QSignalSpy disconnected(&channel, &RemoteDBusInvokerService::webSocketDisconnected);
        connectChannel(channel, guest);

        QTcpServer hostile;
        int attempts = 0;
        connect(&hostile, &QTcpServer::newConnection, &hostile, [&] {
            while (QTcpSocket *socket = hostile.nextPendingConnection()) {
                ++attempts;
                if (handshake)
                    answerHandshake(socket, frames, hangUp);
                else if (hangUp)
                    socket->close();
            }
        });
        warningCount = 0;
        guest.close();
        QVERIFY(hostile.listen(QHostAddress::LocalHost, port));
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(attempts >= 4, 5000);
        // Even if the first attempt comes at once, the fourth waits for 50 + 100
        // + 200 ms of backoff, less the leeway of coarse timers.
        QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
        hostile.close();
        const int hostileAttempts = attempts;

        // Back to normal; only connections that were made were reported as dropped.
        QVERIFY(guest.listen(port));
        QTRY_COMPARE_WITH_TIMEOUT(guest.clientCount(), 1, 3000);
        QTRY_COMPARE(disconnected.size(), connected.size() - 1);
        QCOMPARE(warningCount, warns ? hostileAttempts : 0);
    }
};

QTEST_GUILESS_MAIN(tst_RemoteDBusInvokerService)

#include "tst_remotedbusinvokerservice.moc"
