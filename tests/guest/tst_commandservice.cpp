#include <guest/commandservice.h>
#include <guest/dbusdaemon.h>
#include <guest/positioningservice.h>
#include <guest/sensorservice.h>

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebSocket>
#include <QtTest>

#include <memory>

using Guest::CommandService;
using Guest::PositioningService;
using Guest::SensorService;

namespace {
const QString SystemServices = QStringLiteral("tst-command-system-services");
const QString SessionServices = QStringLiteral("tst-command-session-services");
const QString SystemInvoker = QStringLiteral("tst-command-system-invoker");
const QString SessionInvoker = QStringLiteral("tst-command-session-invoker");
const QString InvalidCommand = QStringLiteral("org.mimicry.Error.InvalidCommand");

QString sensorsLine(const QString &method, const QString &arguments = QString())
{
    return QStringLiteral("system org.tern.SensorfwMimicry /org/tern/SensorfwMimicry org.tern.SensorfwMimicry %1 %2")
        .arg(method, arguments);
}

QString gpsLine(const QString &method, const QString &arguments = QString())
{
    return QStringLiteral("session org.tern.GeoclueMimicry /org/tern/GeoclueMimicry org.tern.GeoclueMimicry %1 %2")
        .arg(method, arguments);
}
} // namespace

class tst_CommandService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void replyLayout_data();
    void replyLayout();
    void malformedLinesAreAnswered_data();
    void malformedLinesAreAnswered();
    void callErrorsFillTheLastFields_data();
    void callErrorsFillTheLastFields();
    void worksOnTheServicesOwnConnections();
    void thousandCallsFromSuccessiveClientsInOrder();
    void simultaneousClientsKeepTheirOwnOrder();
    void peerLeavingMidwayLeavesTheServiceReady();

private:
    std::unique_ptr<QWebSocket> connectClient(CommandService &service);
    QStringList exchange(QWebSocket &socket, const QStringList &lines);

    QTemporaryDir m_runtimeDir;
    Guest::DBusDaemon m_systemBus;
    Guest::DBusDaemon m_sessionBus;
    std::unique_ptr<SensorService> m_sensors;
    std::unique_ptr<PositioningService> m_positioning;
    std::unique_ptr<CommandService> m_service;
};

void tst_CommandService::initTestCase()
{
    QVERIFY(m_runtimeDir.isValid());
    QString error;
    QVERIFY2(m_systemBus.start(m_runtimeDir.path(), QStringLiteral("system"), &error), qPrintable(error));
    QVERIFY2(m_sessionBus.start(m_runtimeDir.path(), QStringLiteral("session"), &error), qPrintable(error));
    QVERIFY(QDBusConnection::connectToBus(m_systemBus.address(), SystemServices).isConnected());
    QVERIFY(QDBusConnection::connectToBus(m_systemBus.address(), SystemInvoker).isConnected());
    QVERIFY(QDBusConnection::connectToBus(m_sessionBus.address(), SessionServices).isConnected());
    QVERIFY(QDBusConnection::connectToBus(m_sessionBus.address(), SessionInvoker).isConnected());
}

void tst_CommandService::init()
{
    m_sensors = std::make_unique<SensorService>(QDBusConnection(SystemServices));
    QVERIFY(m_sensors->registerService());
    m_positioning = std::make_unique<PositioningService>(QDBusConnection(SessionServices));
    QVERIFY(m_positioning->registerService());
    m_service = std::make_unique<CommandService>(QDBusConnection(SystemInvoker), QDBusConnection(SessionInvoker));
    QVERIFY(m_service->listen(QHostAddress::LocalHost, 0));
}

void tst_CommandService::cleanup()
{
    m_service.reset();
    m_positioning.reset();
    m_sensors.reset();
}

std::unique_ptr<QWebSocket> tst_CommandService::connectClient(CommandService &service)
{
    auto socket = std::make_unique<QWebSocket>();
    QSignalSpy connected(socket.get(), &QWebSocket::connected);
    socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(service.serverPort())));
    if (!connected.isValid() || !connected.wait(5000))
        return nullptr;
    return socket;
}

// Sends all lines at once, then collects as many replies.
QStringList tst_CommandService::exchange(QWebSocket &socket, const QStringList &lines)
{
    QSignalSpy replies(&socket, &QWebSocket::textMessageReceived);
    for (const QString &line : lines)
        socket.sendTextMessage(line);
    while (replies.count() < lines.size() && replies.wait(5000)) {
    }
    QStringList result;
    for (const QVariantList &reply : qAsConst(replies))
        result.append(reply.first().toString());
    return result;
}

void tst_CommandService::replyLayout_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    const auto row = [](const char *name, const QString &line, const char *reply, const char *key = "",
                        const QVariant &value = QVariant(), const QString &setup = QString()) {
        QTest::newRow(name) << setup << line << QString::fromLatin1(reply) << QString::fromLatin1(key) << value;
    };
    const QString inspectGps =
        QStringLiteral("session org.tern.GeoclueMimicry /org/tern/GeoclueMimicry org.mimicry.Inspect state ");

    row("int32", sensorsLine("setAlsValue", "int32:250"), "setAlsValue:250:::", "als.lux", 250);
    row("int32 written oddly", sensorsLine("setAlsValue", "int32:+007"), "setAlsValue:7:::", "als.lux", 7);
    row("three int32", sensorsLine("setAccelerometerValues", "int32:0 int32:-100 int32:1000"),
        "setAccelerometerValues:0|-100|1000:::", "accelerometer.y", -100);
    row("double in exponent form", sensorsLine("setMagnetometerX", "double:4.3e-05"), "setMagnetometerX:4.3e-05:::",
        "magnetometer.x", 4.3e-05);
    row("string with a boolean result", sensorsLine("enabled", "string:accelerometer"),
        "enabled:accelerometer:true::");
    row("boolean 1", gpsLine("setTrackLooped", "boolean:1"), "setTrackLooped:true:::", "looped", true);
    row("boolean 0", gpsLine("setTrackLooped", "boolean:0"), "setTrackLooped:false:::", "looped", false,
        gpsLine("setTrackLooped", "boolean:1"));
    row("boolean as a word", gpsLine("setTrackIntervalMode", "boolean:true"), "setTrackIntervalMode:true:::",
        "fixedInterval", true);
    row("doubles as written", gpsLine("setPosition", "double:-33.8688000 double:151.2093000 double:5.00"),
        "setPosition:-33.8688000|151.2093000|5.00:::", "latitude", -33.8688);
    row("array rows",
        gpsLine("loadTrack", "array:array:double:60.0000000,30.0000000,0.00,0;60.0001000,30.0002000,0.00,2000"),
        "loadTrack:2 points:::", "pointCount", 2);
    row("one row", gpsLine("loadTrack", "array:array:double:1,2,3,3.6e+06"), "loadTrack:1 point:::", "pointCount", 1);
    row("empty array", gpsLine("loadTrack", "array:array:double:"), "loadTrack:0 points:::", "pointCount", 0,
        gpsLine("loadTrack", "array:array:double:1,2,3,0"));
    row("no arguments", gpsLine("stopTrack"), "stopTrack::::");
    row("trailing newline", sensorsLine("setAlsValue", "int32:3") + QStringLiteral("\r\n"), "setAlsValue:3:::",
        "als.lux", 3);
    row("line ending after the method", gpsLine("pauseTrack").trimmed(), "pauseTrack::::");
    row("dictionary result", inspectGps,
        "state::{altitude=0,fixedInterval=false,index=0,latitude=0,longitude=0,looped=false,playing=false,"
        "pointCount=0,speed=1}::");
    row("doubles in results keep their digits", inspectGps,
        "state::{altitude=1e-07,fixedInterval=false,index=0,latitude=59.9342802,longitude=-0.1,looped=false,"
        "playing=false,pointCount=0,speed=1}::",
        "", QVariant(), gpsLine("setPosition", "double:59.9342802 double:-0.1 double:1e-07"));
    row("colon inside a value", sensorsLine("enableSensor", "string:a:b"),
        "enableSensor:a;b::org.tern.SensorfwMimicry.Error.UnknownSensor:unknown sensor 'a;b'");
}

void tst_CommandService::replyLayout()
{
    QFETCH(QString, setup);
    QFETCH(QString, line);
    QFETCH(QString, reply);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QSignalSpy exchanged(m_service.get(), &CommandService::exchanged);
    QVERIFY(exchanged.isValid());
    auto socket = connectClient(*m_service);
    QVERIFY(socket);
    if (!setup.isEmpty()) {
        const QStringList setupReply = exchange(*socket, {setup});
        QCOMPARE(setupReply.value(0).section(QLatin1Char(':'), 2), QStringLiteral("::"));
        exchanged.clear();
    }

    QCOMPARE(exchange(*socket, {line}), QStringList{reply});
    QCOMPARE(reply.split(QLatin1Char(':')).size(), 5);
    QCOMPARE(exchanged.count(), 1);
    QCOMPARE(exchanged.first(), (QVariantList{line, reply}));
    if (!key.isEmpty()) {
        const QVariantMap state = line.startsWith("system") ? m_sensors->state() : m_positioning->state();
        QCOMPARE(state.value(key), value);
    }
}

void tst_CommandService::malformedLinesAreAnswered_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("error");

    QTest::newRow("empty line") << "" << "" << "too few fields";
    QTest::newRow("too few fields") << "system org.tern.SensorfwMimicry /org/tern/SensorfwMimicry" << ""
                                    << "too few fields";
    QTest::newRow("unknown bus") << sensorsLine("setAlsValue", "int32:1").replace("system", "starter") << "setAlsValue"
                                 << "unknown bus 'starter'";
    QTest::newRow("empty method") << sensorsLine("", "int32:1") << "" << "empty method name";
    QTest::newRow("bad object path") << "system org.tern.SensorfwMimicry org/tern x.y m " << "m"
                                     << "invalid object path 'org/tern'";
    QTest::newRow("bad service name") << "system org..tern /a x.y m " << "m" << "invalid service name 'org..tern'";
    QTest::newRow("unknown type") << sensorsLine("setAlsValue", "float:1.5") << "setAlsValue"
                                  << "unknown argument type 'float'";
    QTest::newRow("unknown array type") << gpsLine("loadTrack", "array:int32:1,2") << "loadTrack"
                                        << "unknown argument type 'array;int32'";
    QTest::newRow("no type") << sensorsLine("setAlsValue", "250") << "setAlsValue" << "argument '250' has no type";
    QTest::newRow("double space") << sensorsLine("setAccelerometerValues", "int32:1  int32:2 int32:3")
                                  << "setAccelerometerValues" << "empty argument";
    QTest::newRow("int32 not a number") << sensorsLine("setAlsValue", "int32:abc") << "setAlsValue"
                                        << "invalid int32 value 'abc'";
    QTest::newRow("int32 with a fraction") << sensorsLine("setAlsValue", "int32:1.5") << "setAlsValue"
                                           << "invalid int32 value '1.5'";
    QTest::newRow("int32 above range") << sensorsLine("setAlsValue", "int32:2147483648") << "setAlsValue"
                                       << "int32 value 2147483648 is out of range";
    QTest::newRow("int32 below range") << sensorsLine("setAlsValue", "int32:-2147483649") << "setAlsValue"
                                       << "int32 value -2147483649 is out of range";
    QTest::newRow("int32 far beyond 64 bits") << sensorsLine("setAlsValue", "int32:99999999999999999999")
                                              << "setAlsValue" << "out of range";
    QTest::newRow("double with a comma") << sensorsLine("setGyroscopeX", "double:1,5") << "setGyroscopeX"
                                         << "invalid double value '1,5'";
    QTest::newRow("empty double") << sensorsLine("setGyroscopeX", "double:") << "setGyroscopeX"
                                  << "invalid double value ''";
    QTest::newRow("boolean word") << gpsLine("setTrackLooped", "boolean:yes") << "setTrackLooped"
                                  << "invalid boolean value 'yes'";
    QTest::newRow("bad array value") << gpsLine("loadTrack", "array:array:double:1,2,x,4") << "loadTrack"
                                     << "invalid double value 'x' in row 0";
    QTest::newRow("empty array row") << gpsLine("loadTrack", "array:array:double:1,2,3,4;") << "loadTrack"
                                     << "row 1 of the array is empty";
}

void tst_CommandService::malformedLinesAreAnswered()
{
    QFETCH(QString, line);
    QFETCH(QString, method);
    QFETCH(QString, error);
    auto socket = connectClient(*m_service);
    QVERIFY(socket);

    const QStringList replies = exchange(*socket, {line, sensorsLine("setAlsValue", "int32:7")});
    QCOMPARE(replies.size(), 2);
    const QStringList fields = replies.first().split(QLatin1Char(':'));
    QCOMPARE(fields.size(), 5);
    QCOMPARE(fields.at(0), method);
    QCOMPARE(fields.at(1), QString());
    QCOMPARE(fields.at(2), QString());
    QCOMPARE(fields.at(3), InvalidCommand);
    QVERIFY2(fields.at(4).contains(error), qPrintable(fields.at(4)));
    // The connection goes on.
    QCOMPARE(replies.last(), QStringLiteral("setAlsValue:7:::"));
    QCOMPARE(m_sensors->value(QStringLiteral("als.lux")), QVariant(7));
}

void tst_CommandService::callErrorsFillTheLastFields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("errorName");

    QTest::newRow("unknown method") << sensorsLine("setThermometer", "int32:1") << "1"
                                    << "org.freedesktop.DBus.Error.UnknownMethod";
    QTest::newRow("wrong signature") << sensorsLine("setAlsValue", "double:1") << "1"
                                     << "org.freedesktop.DBus.Error.UnknownMethod";
    QTest::newRow("service on the other bus") << sensorsLine("setAlsValue", "int32:1").replace("system", "session")
                                              << "1" << "org.freedesktop.DBus.Error.ServiceUnknown";
    QTest::newRow("value out of range") << sensorsLine("setAlsValue", "int32:-5") << "-5"
                                        << "org.tern.SensorfwMimicry.Error.InvalidArgument";
    QTest::newRow("NaN") << sensorsLine("setGyroscopeValues", "double:0 double:nan double:1") << "0|nan|1"
                         << "org.tern.SensorfwMimicry.Error.InvalidArgument";
    QTest::newRow("unknown sensor") << sensorsLine("enabled", "string:thermometer") << "thermometer"
                                    << "org.tern.SensorfwMimicry.Error.UnknownSensor";
    QTest::newRow("bad track row") << gpsLine("loadTrack", "array:array:double:1,2,3") << "1 point"
                                   << "org.tern.GeoclueMimicry.Error.InvalidArgument";
    QTest::newRow("seek out of range") << gpsLine("goToPositionOnTrack", "int32:4") << "4"
                                       << "org.tern.GeoclueMimicry.Error.InvalidArgument";
}

void tst_CommandService::callErrorsFillTheLastFields()
{
    QFETCH(QString, line);
    QFETCH(QString, arguments);
    QFETCH(QString, errorName);
    auto socket = connectClient(*m_service);
    QVERIFY(socket);

    const QStringList replies = exchange(*socket, {line});
    QCOMPARE(replies.size(), 1);
    const QStringList fields = replies.first().split(QLatin1Char(':'));
    QCOMPARE(fields.size(), 5);
    QCOMPARE(fields.at(0), line.section(QLatin1Char(' '), 4, 4));
    QCOMPARE(fields.at(1), arguments);
    QCOMPARE(fields.at(2), QString());
    QCOMPARE(fields.at(3), errorName);
    QVERIFY(!fields.at(4).isEmpty());
}

void tst_CommandService::worksOnTheServicesOwnConnections()
{
    // The machine may hand the invoker the very connections that own the
    // services; QtDBus then delivers the calls locally.
    CommandService local{QDBusConnection(SystemServices), QDBusConnection(SessionServices)};
    QVERIFY(local.listen(QHostAddress::LocalHost, 0));
    auto socket = connectClient(local);
    QVERIFY(socket);

    const QStringList replies = exchange(*socket, {sensorsLine("enabled", "string:tap"), sensorsLine("setAlsValue", "int32:-5"),
                                                   gpsLine("setLatitude", "double:45.5")});
    QCOMPARE(replies.size(), 3);
    QCOMPARE(replies.at(0), QStringLiteral("enabled:tap:true::"));
    QCOMPARE(replies.at(1).split(QLatin1Char(':')).value(3), QStringLiteral("org.tern.SensorfwMimicry.Error.InvalidArgument"));
    QCOMPARE(replies.at(2), QStringLiteral("setLatitude:45.5:::"));
    QCOMPARE(m_positioning->latitude(), 45.5);
}

void tst_CommandService::thousandCallsFromSuccessiveClientsInOrder()
{
    QSignalSpy exchanged(m_service.get(), &CommandService::exchanged);
    QVERIFY(exchanged.isValid());
    QStringList allLines;
    QStringList allReplies;
    for (int client = 0; client < 2; ++client) {
        auto socket = connectClient(*m_service);
        QVERIFY(socket);
        QTRY_COMPARE(m_service->clientCount(), 1);
        QStringList lines;
        QStringList expected;
        // Answers that need no call must still wait for the calls before them.
        for (int i = 0; i < 500; ++i) {
            const int lux = client * 500 + i;
            if (i % 25 == 24) {
                lines.append(sensorsLine("setAlsValue", "int32:x"));
                expected.append(QStringLiteral(
                    "setAlsValue:::org.mimicry.Error.InvalidCommand:invalid int32 value 'x'"));
            } else if (i % 10 == 3) {
                lines.append(sensorsLine("enabled", "string:als"));
                expected.append(QStringLiteral("enabled:als:true::"));
            } else {
                lines.append(sensorsLine("setAlsValue", QStringLiteral("int32:%1").arg(lux)));
                expected.append(QStringLiteral("setAlsValue:%1:::").arg(lux));
            }
        }
        QCOMPARE(exchange(*socket, lines), expected);
        allLines += lines;
        allReplies += expected;
        socket->close();
        QTRY_COMPARE(m_service->clientCount(), 0);
    }
    QCOMPARE(m_service->connectionCount(), 2);
    QCOMPARE(m_sensors->value(QStringLiteral("als.lux")), QVariant(998));
    QCOMPARE(exchanged.count(), 1000);
    for (int i = 0; i < exchanged.count(); ++i)
        QCOMPARE(exchanged.at(i), (QVariantList{allLines.at(i), allReplies.at(i)}));
}

void tst_CommandService::simultaneousClientsKeepTheirOwnOrder()
{
    auto first = connectClient(*m_service);
    auto second = connectClient(*m_service);
    QVERIFY(first && second);
    QTRY_COMPARE(m_service->clientCount(), 2);
    QSignalSpy firstReplies(first.get(), &QWebSocket::textMessageReceived);
    QSignalSpy secondReplies(second.get(), &QWebSocket::textMessageReceived);
    QVERIFY(firstReplies.isValid() && secondReplies.isValid());

    QStringList firstExpected;
    QStringList secondExpected;
    for (int i = 0; i < 100; ++i) {
        first->sendTextMessage(sensorsLine("setTapSensorValue", QStringLiteral("int32:%1").arg(i % 10 - 1)));
        firstExpected.append(QStringLiteral("setTapSensorValue:%1:::").arg(i % 10 - 1));
        second->sendTextMessage(gpsLine("setLatitude", QStringLiteral("double:%1").arg(i - 50)));
        secondExpected.append(QStringLiteral("setLatitude:%1:::").arg(i - 50));
    }
    QTRY_COMPARE(firstReplies.count(), 100);
    QTRY_COMPARE(secondReplies.count(), 100);
    QStringList firstGot;
    QStringList secondGot;
    for (int i = 0; i < 100; ++i) {
        firstGot.append(firstReplies.at(i).first().toString());
        secondGot.append(secondReplies.at(i).first().toString());
    }
    QCOMPARE(firstGot, firstExpected);
    QCOMPARE(secondGot, secondExpected);
    QCOMPARE(m_positioning->latitude(), 49.0);
}

void tst_CommandService::peerLeavingMidwayLeavesTheServiceReady()
{
    QSignalSpy disconnected(m_service.get(), &CommandService::clientDisconnected);
    QVERIFY(disconnected.isValid());
    {
        auto socket = connectClient(*m_service);
        QVERIFY(socket);
        for (int i = 0; i < 200; ++i)
            socket->sendTextMessage(gpsLine("setAltitude", QStringLiteral("double:%1").arg(i)));
        socket->flush();
        socket->abort();
    }
    QTRY_COMPARE(disconnected.count(), 1);
    QCOMPARE(m_service->clientCount(), 0);

    auto socket = connectClient(*m_service);
    QVERIFY(socket);
    QCOMPARE(exchange(*socket, {gpsLine("setAltitude", "double:-5")}), QStringList{"setAltitude:-5:::"});
    QSignalSpy replies(socket.get(), &QWebSocket::textMessageReceived);
    QVERIFY(replies.isValid());
    socket->sendBinaryMessage(gpsLine("stopTrack").toUtf8());
    QVERIFY(replies.wait(5000));
    QCOMPARE(replies.first().first().toString().split(QLatin1Char(':')).value(3), InvalidCommand);
    QCOMPARE(m_service->connectionCount(), 2);
}

QTEST_GUILESS_MAIN(tst_CommandService)

#include "tst_commandservice.moc"
