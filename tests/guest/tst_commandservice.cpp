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

// The guest's services where the end-to-end test does not take them: lines
// that the plug-in does not send, and error replies.
class tst_CommandService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
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

    void init()
    {
        m_sensors = std::make_unique<SensorService>(QDBusConnection(SystemServices));
        QVERIFY(m_sensors->registerService());
        m_positioning = std::make_unique<PositioningService>(QDBusConnection(SessionServices));
        QVERIFY(m_positioning->registerService());
        m_service = std::make_unique<CommandService>(QDBusConnection(SystemInvoker), QDBusConnection(SessionInvoker));
        QVERIFY(m_service->listen(QHostAddress::LocalHost, 0));
    }

    void cleanup()
    {
        m_service.reset();
        m_positioning.reset();
        m_sensors.reset();
    }

    void lines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("reply");
        // An error message in the reply only has to contain the row's; the
        // arguments come back as the call took them.
        const auto call = [](const char *name, const QString &line, const QString &reply) {
            QTest::newRow(name) << line << reply;
        };
        const auto als = [](const QString &arguments) { return sensorsLine("setAlsValue", arguments); };

        call("int32 written oddly", als("int32:+007"), "setAlsValue:7:::");
        // Errors of the call fill the last two fields.
        call("colon inside a value", sensorsLine("enableSensor", "string:a:b"),
             "enableSensor:a;b::org.tern.SensorfwMimicry.Error.UnknownSensor:unknown sensor 'a;b'");
        call("service on the other bus", als("int32:1").replace("system", "session"),
             "setAlsValue:1::org.freedesktop.DBus.Error.ServiceUnknown:");

        // Lines that cannot be made into a call are answered without one.
        const auto bad = [&call](const char *name, const QString &line, const char *method, const char *error) {
            call(name, line,
                 QStringLiteral("%1:::%2:").arg(QLatin1String(method), InvalidCommand) + QLatin1String(error));
        };
        bad("too few fields", "system org.tern.SensorfwMimicry /org/tern/SensorfwMimicry", "", "too few fields");
        bad("unknown bus", als("int32:1").replace("system", "starter"), "setAlsValue", "unknown bus 'starter'");
        bad("unknown type", als("float:1.5"), "setAlsValue", "unknown argument type 'float'");
        bad("double space", sensorsLine("setGyroscopeValues", "double:1  double:2 double:3"), "setGyroscopeValues",
            "empty argument");
        bad("int32 with a fraction", als("int32:1.5"), "setAlsValue", "invalid int32 value '1.5'");
        bad("double with a comma", sensorsLine("setGyroscopeX", "double:1,5"), "setGyroscopeX", "double value '1,5'");
        bad("boolean word", gpsLine("setTrackLooped", "boolean:yes"), "setTrackLooped", "invalid boolean value 'yes'");
        bad("bad array value", gpsLine("loadTrack", "array:array:double:1,2,x,4"), "loadTrack", "value 'x' in row 0");
    }

    void lines()
    {
        QFETCH(QString, line);
        QFETCH(QString, reply);
        auto socket = connectClient(*m_service);
        QVERIFY(socket);

        // All in one go with a call after: a line answered without a call still
        // waits for the calls before it, and a bad line does not end the connection.
        const QStringList replies = exchange(*socket, {line, sensorsLine("enabled", "string:tap")});
        QCOMPARE(replies.size(), 2);
        QCOMPARE(replies.last(), QStringLiteral("enabled:tap:true::"));
        const QStringList fields = replies.first().split(QLatin1Char(':'));
        const QStringList expected = reply.split(QLatin1Char(':'));
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields.mid(0, 4), expected.mid(0, 4));
        QVERIFY2(fields.at(4).contains(expected.at(4)), qPrintable(fields.at(4)));
        QCOMPARE(fields.at(4).isEmpty(), fields.at(3).isEmpty());
    }

private:
    QTemporaryDir m_runtimeDir;
    Guest::DBusDaemon m_systemBus;
    Guest::DBusDaemon m_sessionBus;
    std::unique_ptr<SensorService> m_sensors;
    std::unique_ptr<PositioningService> m_positioning;
    std::unique_ptr<CommandService> m_service;
};

QTEST_GUILESS_MAIN(tst_CommandService)

#include "tst_commandservice.moc"
