#include <link/remotedbusinvokerservice.h>

#include "fakeguest.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using Mimicry::Internal::RemoteDBusInvokerService;

namespace {

enum class Hostility { HangUpEarly, HangUp, InvalidText, Silent, OversizeFrame, OversizeMessage };

QUrl loopbackUrl(quint16 port)
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port));
}

// A port nobody listens on, for as long as nobody else takes it.
quint16 freePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0;
}

int warningCount = 0;
QtMessageHandler testMessageHandler = nullptr;

void countWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg)
        ++warningCount;
    testMessageHandler(type, context, message);
}

// What a guest gone wrong sends right after the handshake.
QByteArray hostileFrames(Hostility hostility)
{
    QByteArray frames;
    QDataStream out(&frames, QIODevice::WriteOnly);
    if (hostility == Hostility::InvalidText)
        out << quint8(0x81) << quint8(2) << quint8(0xc3) << quint8(0x28);
    // Only the header: a client that waits for the payload waits for good.
    if (hostility == Hostility::OversizeFrame)
        out << quint8(0x81) << quint8(127) << quint64(256 << 20);
    // 80 KiB in unfinished fragments of 16 KiB each.
    for (int fragment = 0; hostility == Hostility::OversizeMessage && fragment < 5; ++fragment) {
        out << quint8(fragment == 0 ? 0x01 : 0x00) << quint8(126) << quint16(16384);
        out.writeRawData(QByteArray(16384, 'a').constData(), 16384);
    }
    return frames;
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

} // namespace

Q_DECLARE_METATYPE(Hostility)

class tst_RemoteDBusInvokerService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLine_data();
    void commandLine();
    void repliesPassUnchanged_data();
    void repliesPassUnchanged();
    void nothingSentBeforeOpening();
    void dropIsReportedOnceAndReconnectsAtOnce();
    void reconnectsWhenTheGuestComesBack();
    void refusedAttemptsDoNotSpin();
    void hostileGuest_data();
    void hostileGuest();

private:
    void connectChannel(RemoteDBusInvokerService &channel, FakeGuest &guest);
};

void tst_RemoteDBusInvokerService::connectChannel(RemoteDBusInvokerService &channel, FakeGuest &guest)
{
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    QVERIFY(connected.isValid());
    channel.setUrl(guest.url());
    channel.openConnection();
    QVERIFY(connected.wait(5000));
    QTRY_COMPARE(guest.clientCount(), 1);
}

void tst_RemoteDBusInvokerService::initTestCase()
{
    testMessageHandler = qInstallMessageHandler(countWarnings);
}

void tst_RemoteDBusInvokerService::commandLine_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("line");

    QTest::newRow("call without arguments keeps the last space")
        << QStringList{"session", "org.tern.GeoclueMimicry", "/org/tern/GeoclueMimicry",
                       "org.tern.GeoclueMimicry", "stopTrack", ""}
        << "session org.tern.GeoclueMimicry /org/tern/GeoclueMimicry org.tern.GeoclueMimicry stopTrack ";
    QTest::newRow("three typed arguments")
        << QStringList{"system", "org.tern.SensorfwMimicry", "/org/tern/SensorfwMimicry",
                       "org.tern.SensorfwMimicry", "setAccelerometerValues",
                       "int32:0 int32:0 int32:1000"}
        << "system org.tern.SensorfwMimicry /org/tern/SensorfwMimicry org.tern.SensorfwMimicry "
           "setAccelerometerValues int32:0 int32:0 int32:1000";
    QTest::newRow("placeholders in a field go out as given")
        << QStringList{"system", "a%2b", "/%1", "%6", "m%3", "string:%5%4"}
        << "system a%2b /%1 %6 m%3 string:%5%4";
    QTest::newRow("non-ASCII text") << QStringList{"session", "s", "/p", "i", "setName", "string:Zürich"}
                                    << QString::fromUtf8("session s /p i setName string:Zürich");
}

void tst_RemoteDBusInvokerService::commandLine()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, line);

    FakeGuest guest;
    QVERIFY(guest.listen());
    RemoteDBusInvokerService channel;
    connectChannel(channel, guest);

    QSignalSpy received(&guest, &FakeGuest::lineReceived);
    channel.sendCommand(fields.at(0), fields.at(1), fields.at(2), fields.at(3), fields.at(4), fields.at(5));
    QVERIFY(received.wait(5000));
    QCOMPARE(guest.lines(), QStringList{line});
}

void tst_RemoteDBusInvokerService::repliesPassUnchanged_data()
{
    QTest::addColumn<QString>("reply");
    QTest::newRow("reply line") << "setAccelerometerX:500:::";
    QTest::newRow("empty") << "";
    QTest::newRow("free text with colons") << "no: such: thing";
}

void tst_RemoteDBusInvokerService::repliesPassUnchanged()
{
    QFETCH(QString, reply);

    FakeGuest guest;
    QVERIFY(guest.listen());
    RemoteDBusInvokerService channel;
    QSignalSpy replies(&channel, &RemoteDBusInvokerService::replyReceived);
    QVERIFY(replies.isValid());
    connectChannel(channel, guest);

    guest.sendToClients(reply);
    QVERIFY(replies.wait(5000));
    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies.at(0).at(0).toString(), reply);
}

void tst_RemoteDBusInvokerService::nothingSentBeforeOpening()
{
    FakeGuest guest;
    QVERIFY(guest.listen());
    RemoteDBusInvokerService channel;
    channel.setUrl(guest.url());
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    QSignalSpy disconnected(&channel, &RemoteDBusInvokerService::webSocketDisconnected);
    QSignalSpy replies(&channel, &RemoteDBusInvokerService::replyReceived);

    channel.sendCommand("system", "s", "/p", "i", "setAlsValue", "int32:5");
    {
        // A second channel connects as a marker: one that opened by itself
        // earlier would be connected by then too.
        RemoteDBusInvokerService marker;
        connectChannel(marker, guest);
    }
    QCOMPARE(guest.connectionCount(), 1);
    QVERIFY(guest.lines().isEmpty());
    QCOMPARE(connected.size() + disconnected.size() + replies.size(), 0);

    // A line sent while closed is lost, not queued for the first connection.
    QTRY_COMPARE(guest.clientCount(), 0);
    connectChannel(channel, guest);
    channel.sendCommand("system", "s", "/p", "i", "setAlsValue", "int32:6");
    QTRY_COMPARE(guest.lines(), QStringList{"system s /p i setAlsValue int32:6"});
}

void tst_RemoteDBusInvokerService::dropIsReportedOnceAndReconnectsAtOnce()
{
    FakeGuest guest;
    QVERIFY(guest.listen());
    RemoteDBusInvokerService channel;
    // Retries of failed attempts would come too late to pass this test: the
    // reconnection after a drop of a lasting connection must not wait for them.
    channel.setRetryDelays(10000, 10000);
    channel.setConnectionTimes(5000, 0);
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    QSignalSpy disconnected(&channel, &RemoteDBusInvokerService::webSocketDisconnected);
    connectChannel(channel, guest);

    for (int drop = 1; drop <= 3; ++drop) {
        guest.dropClients();
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), drop + 1, 3000);
        QCOMPARE(disconnected.size(), drop);
    }
    QCOMPARE(guest.connectionCount(), 4);
}

void tst_RemoteDBusInvokerService::reconnectsWhenTheGuestComesBack()
{
    auto guest = std::make_unique<FakeGuest>();
    QVERIFY(guest->listen());
    const quint16 port = guest->port();
    RemoteDBusInvokerService channel;
    channel.setRetryDelays(20, 100);
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    QSignalSpy disconnected(&channel, &RemoteDBusInvokerService::webSocketDisconnected);
    connectChannel(channel, *guest);

    // While the guest is away, its port hangs up on every attempt.
    guest.reset();
    QTcpServer away;
    QVERIFY(away.listen(QHostAddress::LocalHost, port));
    int attempts = 0;
    connect(&away, &QTcpServer::newConnection, &away, [&] {
        while (QTcpSocket *socket = away.nextPendingConnection()) {
            ++attempts;
            socket->close();
            socket->deleteLater();
        }
    });
    QTRY_VERIFY(attempts >= 3);
    away.close();
    // Failed attempts while the guest is away are not drops.
    QCOMPARE(disconnected.size(), 1);
    QCOMPARE(connected.size(), 1);

    guest = std::make_unique<FakeGuest>();
    QVERIFY(guest->listen(port));
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 2, 5000);

    QSignalSpy received(guest.get(), &FakeGuest::lineReceived);
    channel.sendCommand("session", "s", "/p", "i", "startTrack", "");
    QVERIFY(received.wait(5000));
}

void tst_RemoteDBusInvokerService::refusedAttemptsDoNotSpin()
{
    const quint16 port = freePort();
    QVERIFY(port);
    RemoteDBusInvokerService channel;
    channel.setUrl(loopbackUrl(port));
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    channel.openConnection();

    const clock_t before = clock();
    QTest::qWait(1000);
    const double cpuSeconds = double(clock() - before) / CLOCKS_PER_SEC;
    QVERIFY2(cpuSeconds < 0.25, qPrintable(QString::number(cpuSeconds)));

    // Still trying, though: a guest that appears is found within the longest
    // delay.
    FakeGuest guest;
    QVERIFY(guest.listen(port));
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 3000);
}

void tst_RemoteDBusInvokerService::hostileGuest_data()
{
    QTest::addColumn<Hostility>("hostility");
    QTest::addColumn<bool>("warns");

    QTest::newRow("hang-up before the handshake is retried with backoff") << Hostility::HangUpEarly << false;
    QTest::newRow("hang-up after the handshake is retried with backoff") << Hostility::HangUp << false;
    QTest::newRow("invalid UTF-8 text is retried with backoff") << Hostility::InvalidText << false;
    QTest::newRow("unanswered handshake is given up and retried") << Hostility::Silent << false;
    QTest::newRow("oversize frame is refused on its header with one warning")
        << Hostility::OversizeFrame << true;
    QTest::newRow("oversize message in small frames is refused with one warning")
        << Hostility::OversizeMessage << true;
}

void tst_RemoteDBusInvokerService::hostileGuest()
{
    QFETCH(Hostility, hostility);
    QFETCH(bool, warns);

    // Hostile until told otherwise; then it answers with one reply line.
    QTcpServer guest;
    QVERIFY(guest.listen(QHostAddress::LocalHost));
    bool hostile = true;
    int attempts = 0;
    connect(&guest, &QTcpServer::newConnection, &guest, [&] {
        while (QTcpSocket *socket = guest.nextPendingConnection()) {
            ++attempts;
            if (hostile && hostility == Hostility::HangUpEarly)
                socket->close();
            else if (!hostile)
                answerHandshake(socket, QByteArray("\x81\x10" "setAlsValue:5:::"), false);
            else if (hostility != Hostility::Silent)
                answerHandshake(socket, hostileFrames(hostility), hostility == Hostility::HangUp);
        }
    });

    RemoteDBusInvokerService channel;
    channel.setUrl(loopbackUrl(guest.serverPort()));
    channel.setRetryDelays(50, 400);
    channel.setConnectionTimes(200, 1000);
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    QSignalSpy disconnected(&channel, &RemoteDBusInvokerService::webSocketDisconnected);
    QSignalSpy replies(&channel, &RemoteDBusInvokerService::replyReceived);
    warningCount = 0;
    channel.openConnection();
    QTest::qWait(1500);
    const int hostileAttempts = attempts;
    // 50 ms doubling to 400 ms, plus 200 ms for each unanswered handshake.
    QVERIFY2(hostileAttempts >= 3 && hostileAttempts <= 10, qPrintable(QString::number(hostileAttempts)));

    hostile = false;
    QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 1, 3000);
    QCOMPARE(replies.at(0).at(0).toString(), QStringLiteral("setAlsValue:5:::"));
    // Only connections that were made are reported as dropped.
    QCOMPARE(disconnected.size(), connected.size() - 1);
    QCOMPARE(warningCount, warns ? hostileAttempts : 0);
}

QTEST_GUILESS_MAIN(tst_RemoteDBusInvokerService)

#include "tst_remotedbusinvokerservice.moc"
