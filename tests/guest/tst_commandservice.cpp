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

std::unique_ptr<QWebSocket> connectClient(const CommandService &service)
{
    auto socket = std::make_unique<QWebSocket>();
    QSignalSpy connected(socket.get(), &QWebSocket::connected);
    socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(service.serverPort())));
    return connected.wait(5000) ? std::move(socket) : nullptr;
}

// Sends all lines at once, then collects as many replies.
QStringList exchange(QWebSocket &socket, const QStringList &lines)
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
} // namespace

class tst_CommandService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup()
    {
        m_service.reset();
        m_positioning.reset();
        m_sensors.reset();
    }
    void replies_data();
    void replies();

private:
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

void tst_CommandService::replies_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    // An error message in the reply only has to contain the row's.
    const auto row = [](const char *name, const QString &line, const QString &reply, const char *key = "",
                        const QVariant &value = QVariant(), const QString &setup = QString()) {
        QTest::newRow(name) << setup << line << reply << QString::fromLatin1(key) << value;
    };
    const auto als = [](const QString &arguments) { return sensorsLine("setAlsValue", arguments); };

    row("int32", als("int32:250"), "setAlsValue:250:::", "als.lux", 250);
    row("int32 written oddly", als("int32:+007"), "setAlsValue:7:::", "als.lux", 7);
    row("three int32", sensorsLine("setAccelerometerValues", "int32:0 int32:-100 int32:1000"),
        "setAccelerometerValues:0|-100|1000:::", "accelerometer.y", -100);
    row("value kept as given", sensorsLine("setAccelerometerX", "int32:20000"), "setAccelerometerX:20000:::",
        "accelerometer.x", 20000);
    row("string with a boolean result", sensorsLine("enabled", "string:accelerometer"), "enabled:accelerometer:true::");
    row("boolean 0", gpsLine("setTrackLooped", "boolean:0"), "setTrackLooped:false:::", "looped", false,
        gpsLine("setTrackLooped", "boolean:1"));
    row("boolean as a word", gpsLine("setTrackIntervalMode", "boolean:TRUE"), "setTrackIntervalMode:true:::",
        "fixedInterval", true);
    row("doubles as written", gpsLine("setPosition", "double:-33.8688000 double:151.2093000 double:5.00"),
        "setPosition:-33.8688000|151.2093000|5.00:::", "latitude", -33.8688);
    row("array rows", gpsLine("loadTrack", "array:array:double:60.0000000,30.0000000,0.00,0;60.0001,30.0002,0,2000"),
        "loadTrack:2 points:::", "pointCount", 2);
    row("one row", gpsLine("loadTrack", "array:array:double:1,2,3,3.6e+06"), "loadTrack:1 point:::", "pointCount", 1);
    row("empty array", gpsLine("loadTrack", "array:array:double:"), "loadTrack:0 points:::");
    row("no arguments", gpsLine("stopTrack"), "stopTrack::::");
    row("line ending after the method", gpsLine("pauseTrack").trimmed(), "pauseTrack::::");
    row("trailing newline", als("int32:3") + QStringLiteral("\r\n"), "setAlsValue:3:::", "als.lux", 3);
    row("doubles in a dictionary keep their digits",
        "session org.tern.GeoclueMimicry /org/tern/GeoclueMimicry org.mimicry.Inspect state ",
        "state::{altitude=1e-07,fixedInterval=false,index=0,latitude=59.9342802,longitude=-0.1,looped=false,"
        "playing=false,pointCount=0,speed=1}::",
        "", QVariant(), gpsLine("setPosition", "double:59.9342802 double:-0.1 double:1e-07"));

    // Errors of the call fill the last two fields.
    row("colon inside a value", sensorsLine("enableSensor", "string:a:b"),
        "enableSensor:a;b::org.tern.SensorfwMimicry.Error.UnknownSensor:unknown sensor 'a;b'");
    row("service on the other bus", als("int32:1").replace("system", "session"),
        "setAlsValue:1::org.freedesktop.DBus.Error.ServiceUnknown:");

    // Lines that cannot be made into a call are answered without one.
    const auto bad = [&row](const char *name, const QString &line, const char *method, const char *error) {
        row(name, line, QStringLiteral("%1:::%2:").arg(QLatin1String(method), InvalidCommand) + QLatin1String(error));
    };
    bad("too few fields", "system org.tern.SensorfwMimicry /org/tern/SensorfwMimicry", "", "too few fields");
    bad("unknown bus", als("int32:1").replace("system", "starter"), "setAlsValue", "unknown bus 'starter'");
    bad("bad object path", "system org.tern.SensorfwMimicry org/tern x.y m ", "m", "invalid object path 'org/tern'");
    bad("bad service name", "system org..tern /a x.y m ", "m", "invalid service name 'org..tern'");
    bad("unknown type", als("float:1.5"), "setAlsValue", "unknown argument type 'float'");
    bad("no type", als("250"), "setAlsValue", "argument '250' has no type");
    bad("double space", sensorsLine("setGyroscopeValues", "double:1  double:2 double:3"), "setGyroscopeValues",
        "empty argument");
    bad("int32 with a fraction", als("int32:1.5"), "setAlsValue", "invalid int32 value '1.5'");
    bad("int32 above range", als("int32:2147483648"), "setAlsValue", "int32 value 2147483648 is out of range");
    bad("int32 below range", als("int32:-2147483649"), "setAlsValue", "int32 value -2147483649 is out of range");
    bad("double with a comma", sensorsLine("setGyroscopeX", "double:1,5"), "setGyroscopeX", "double value '1,5'");
    bad("boolean word", gpsLine("setTrackLooped", "boolean:yes"), "setTrackLooped", "invalid boolean value 'yes'");
    bad("bad array value", gpsLine("loadTrack", "array:array:double:1,2,x,4"), "loadTrack", "value 'x' in row 0");
    bad("empty array row", gpsLine("loadTrack", "array:array:double:1,2,3,4;"), "loadTrack", "row 1 of the array");
}

void tst_CommandService::replies()
{
    QFETCH(QString, setup);
    QFETCH(QString, line);
    QFETCH(QString, reply);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    auto socket = connectClient(*m_service);
    QVERIFY(socket);
    const QString tapEnabled = sensorsLine("enabled", "string:tap");

    // All in one go: a line answered without a call still waits for the call
    // before it, and a bad line does not end the connection.
    const QStringList replies = exchange(*socket, {setup.isEmpty() ? tapEnabled : setup, line, tapEnabled});
    QCOMPARE(replies.size(), 3);
    QCOMPARE(replies.first().section(QLatin1Char(':'), 3), QStringLiteral(":"));
    const QStringList fields = replies.at(1).split(QLatin1Char(':'));
    const QStringList expected = reply.split(QLatin1Char(':'));
    QCOMPARE(fields.size(), 5);
    QCOMPARE(fields.mid(0, 4), expected.mid(0, 4));
    QVERIFY2(fields.at(4).contains(expected.at(4)), qPrintable(fields.at(4)));
    QCOMPARE(fields.at(4).isEmpty(), fields.at(3).isEmpty());
    QCOMPARE(replies.last(), QStringLiteral("enabled:tap:true::"));
    if (!key.isEmpty()) {
        const QVariantMap state = line.startsWith("system") ? m_sensors->state() : m_positioning->state();
        QCOMPARE(state.value(key), value);
    }
}

QTEST_GUILESS_MAIN(tst_CommandService)

#include "tst_commandservice.moc"
