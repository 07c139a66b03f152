#include <link/remotedbusinvokerservice.h>

#include "fakeguest.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using Mimicry::Internal::RemoteDBusInvokerService;

class tst_RemoteDBusInvokerService : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void repliesPassUnchanged_data();
    void repliesPassUnchanged();
    void nothingSentBeforeOpening();
    void dropIsReportedOnceAndReconnectsAtOnce();
    void reconnectsWhenTheGuestComesBack();
    void failedAttemptsAreSpacedOut();
    void refusedAttemptsDoNotSpin();

private:
    void connectChannel(RemoteDBusInvokerService &channel, FakeGuest &guest);
};

void tst_RemoteDBusInvokerService::connectChannel(RemoteDBusInvokerService &channel, FakeGuest &guest)
{
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    QVERIFY(connected.isValid());
    channel.openConnection();
    QVERIFY(connected.wait(5000));
    QTRY_COMPARE(guest.clientCount(), 1);
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
    QVERIFY(guest.listen(RemoteDBusInvokerService::port()));
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
    QVERIFY(guest.listen(RemoteDBusInvokerService::port()));
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
    QVERIFY(guest.listen(RemoteDBusInvokerService::port()));
    RemoteDBusInvokerService channel;
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    QSignalSpy disconnected(&channel, &RemoteDBusInvokerService::webSocketDisconnected);
    QSignalSpy replies(&channel, &RemoteDBusInvokerService::replyReceived);

    channel.sendCommand("system", "s", "/p", "i", "setAlsValue", "int32:5");
    QTest::qWait(300);
    QCOMPARE(guest.connectionCount(), 0);
    QVERIFY(guest.lines().isEmpty());
    QCOMPARE(connected.size() + disconnected.size() + replies.size(), 0);

    // A line sent while closed is lost, not queued for the first connection.
    connectChannel(channel, guest);
    channel.sendCommand("system", "s", "/p", "i", "setAlsValue", "int32:6");
    QTRY_COMPARE(guest.lines(), QStringList{"system s /p i setAlsValue int32:6"});
}

void tst_RemoteDBusInvokerService::dropIsReportedOnceAndReconnectsAtOnce()
{
    FakeGuest guest;
    QVERIFY(guest.listen(RemoteDBusInvokerService::port()));
    RemoteDBusInvokerService channel;
    // Retries of failed attempts would come too late to pass this test: the
    // reconnection after a drop must not wait for them.
    channel.setRetryDelays(10000, 10000);
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
    QVERIFY(guest->listen(RemoteDBusInvokerService::port()));
    RemoteDBusInvokerService channel;
    channel.setRetryDelays(20, 100);
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    QSignalSpy disconnected(&channel, &RemoteDBusInvokerService::webSocketDisconnected);
    connectChannel(channel, *guest);

    guest.reset();
    QTRY_COMPARE(disconnected.size(), 1);
    QTest::qWait(500);
    // Failed attempts while the guest is away are not drops.
    QCOMPARE(disconnected.size(), 1);
    QCOMPARE(connected.size(), 1);

    guest = std::make_unique<FakeGuest>();
    QVERIFY(guest->listen(RemoteDBusInvokerService::port()));
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 2, 5000);

    QSignalSpy received(guest.get(), &FakeGuest::lineReceived);
    channel.sendCommand("session", "s", "/p", "i", "startTrack", "");
    QVERIFY(received.wait(5000));
}

void tst_RemoteDBusInvokerService::failedAttemptsAreSpacedOut()
{
    // A server that takes each connection and closes it at once: every
    // attempt of the channel fails after the handshake started, countably.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, RemoteDBusInvokerService::port()));
    int attempts = 0;
    connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            ++attempts;
            socket->close();
            socket->deleteLater();
        }
    });

    RemoteDBusInvokerService channel;
    QSignalSpy disconnected(&channel, &RemoteDBusInvokerService::webSocketDisconnected);
    channel.openConnection();
    QTest::qWait(1500);
    // 100 ms doubling to 1 s: attempts at about 0, 0.1, 0.3, 0.7 and 1.5 s.
    QVERIFY2(attempts >= 3 && attempts <= 10, qPrintable(QString::number(attempts)));
    QCOMPARE(disconnected.size(), 0);
}

void tst_RemoteDBusInvokerService::refusedAttemptsDoNotSpin()
{
    RemoteDBusInvokerService channel;
    QSignalSpy connected(&channel, &RemoteDBusInvokerService::webSocketConnected);
    channel.openConnection();

    const clock_t before = clock();
    QTest::qWait(1000);
    const double cpuSeconds = double(clock() - before) / CLOCKS_PER_SEC;
    QVERIFY2(cpuSeconds < 0.25, qPrintable(QString::number(cpuSeconds)));

    // Still trying, though: a guest that appears is found within the longest
    // delay.
    FakeGuest guest;
    QVERIFY(guest.listen(RemoteDBusInvokerService::port()));
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 3000);
}

QTEST_GUILESS_MAIN(tst_RemoteDBusInvokerService)

#include "tst_remotedbusinvokerservice.moc"
