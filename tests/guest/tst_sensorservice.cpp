#include <guest/dbusdaemon.h>
#include <guest/sensorservice.h>

#include <QtDBus>
#include <QtTest>

#include <memory>

using Guest::SensorService;

namespace {
const QString ServiceConnection = QStringLiteral("tst-sensors-service");
const QString ClientConnection = QStringLiteral("tst-sensors-client");
const QString InvalidArgument = QStringLiteral("org.tern.SensorfwMimicry.Error.InvalidArgument");
const QString UnknownSensor = QStringLiteral("org.tern.SensorfwMimicry.Error.UnknownSensor");

QDBusMessage call(const QString &method, const QVariantList &arguments = {},
                  const QString &interface = SensorService::interfaceName())
{
    QDBusMessage message = QDBusMessage::createMethodCall(SensorService::serviceName(), SensorService::objectPath(),
                                                          interface, method);
    message.setArguments(arguments);
    // The service answers from this thread, so wait in an event loop.
    return QDBusConnection(ClientConnection).call(message, QDBus::BlockWithGui, 5000);
}

// A row of calls_data(), named after the call.
void newRow(const char *method, const QVariantList &arguments, const QString &keys,
            const QString &errorName = QString())
{
    QTest::addRow("%s %s", method, qPrintable(QVariant(arguments).toStringList().join(QLatin1Char(' '))))
        << QString::fromLatin1(method) << arguments << keys << errorName;
}

QVariantMap inspectedState()
{
    const QDBusMessage reply = call(QStringLiteral("state"), {}, QStringLiteral("org.mimicry.Inspect"));
    return qdbus_cast<QVariantMap>(reply.arguments().value(0));
}
} // namespace

class tst_SensorService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { m_service.reset(); }
    void enabledFollowsEnableAndDisable_data();
    void enabledFollowsEnableAndDisable();
    void calls_data();
    void calls();
    void nameOwnedElsewhereFailsRegistration();

private:
    QTemporaryDir m_runtimeDir;
    Guest::DBusDaemon m_bus;
    std::unique_ptr<SensorService> m_service;
    std::unique_ptr<QSignalSpy> m_changed;
};

void tst_SensorService::initTestCase()
{
    QVERIFY(m_runtimeDir.isValid());
    QString error;
    QVERIFY2(m_bus.start(m_runtimeDir.path(), QStringLiteral("system"), &error), qPrintable(error));
    QVERIFY(QDBusConnection::connectToBus(m_bus.address(), ServiceConnection).isConnected());
    QVERIFY(QDBusConnection::connectToBus(m_bus.address(), ClientConnection).isConnected());
}

void tst_SensorService::init()
{
    m_service = std::make_unique<SensorService>(QDBusConnection(ServiceConnection));
    QVERIFY(m_service->registerService());
    m_changed = std::make_unique<QSignalSpy>(m_service.get(), &SensorService::valueChanged);
}

void tst_SensorService::enabledFollowsEnableAndDisable_data()
{
    QTest::addColumn<QString>("sensor");
    for (const char *sensor : {"accelerometer", "als", "compass", "gyroscope", "magnetometer", "orientation",
                               "proximity", "tap"})
        QTest::newRow(sensor) << QString::fromLatin1(sensor);
}

void tst_SensorService::enabledFollowsEnableAndDisable()
{
    QFETCH(QString, sensor);
    const QString key = sensor + QStringLiteral(".enabled");
    // Sensors come up running.
    QCOMPARE(call(QStringLiteral("enabled"), {sensor}).arguments(), QVariantList{true});
    QVariantMap expected = inspectedState();
    expected.insert(key, false);

    // Disabling twice is one change, and only of this sensor.
    for (int i = 0; i < 2; ++i)
        QCOMPARE(call(QStringLiteral("disableSensor"), {sensor}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(call(QStringLiteral("enabled"), {sensor}).arguments(), QVariantList{false});
    QCOMPARE(static_cast<QList<QVariantList>>(*m_changed), (QList<QVariantList>{{key, false}}));
    QCOMPARE(inspectedState(), expected);

    QCOMPARE(call(QStringLiteral("enableSensor"), {sensor}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(call(QStringLiteral("enabled"), {sensor}).arguments(), QVariantList{true});
    QCOMPARE(m_changed->count(), 2);
}

void tst_SensorService::calls_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("errorName");
    const auto xyz = [](const QString &sensor) { return QStringLiteral("%1.x %1.y %1.z").arg(sensor); };
    // Values are kept under these keys; each is at a limit where there is one.
    newRow("setAccelerometerValues", {-3000, 250, 16000}, xyz("accelerometer"));
    newRow("setAccelerometerX", {-16000}, "accelerometer.x");
    newRow("setAccelerometerY", {100}, "accelerometer.y");
    newRow("setAccelerometerZ", {-300}, "accelerometer.z");
    newRow("setAlsValue", {-1}, "als.lux"); // the undefined light level
    newRow("setAlsValue", {0}, "als.lux");
    newRow("setAlsValue", {200000}, "als.lux");
    newRow("setGyroscopeValues", {1.5, -2000.0, 1.14592}, xyz("gyroscope"));
    newRow("setGyroscopeX", {-48.76}, "gyroscope.x");
    newRow("setGyroscopeY", {3000.0}, "gyroscope.y");
    newRow("setGyroscopeZ", {0.25}, "gyroscope.z");
    newRow("setMagnetometerValues", {-4.3589e-05, 4.3e-05, -0.01}, xyz("magnetometer"));
    newRow("setMagnetometerX", {0.0}, "magnetometer.x");
    newRow("setMagnetometerY", {0.01}, "magnetometer.y");
    newRow("setMagnetometerZ", {1e-6}, "magnetometer.z");
    newRow("setMagnetometerCalibrationLevel", {3}, "magnetometer.calibrationLevel");
    newRow("setProximitySensorValue", {0}, "proximity.reflectance");
    newRow("setProximitySensorValue", {10}, "proximity.reflectance");
    newRow("setTapSensorValue", {8}, "tap.direction");

    // Refused calls change nothing.
    newRow("enableSensor", {"a:b"}, {}, UnknownSensor);
    newRow("disableSensor", {""}, {}, UnknownSensor);
    newRow("enabled", {"Accelerometer"}, {}, UnknownSensor);
    newRow("setAccelerometerValues", {1, 2, 20000}, {}, InvalidArgument);
    newRow("setAccelerometerX", {16001}, {}, InvalidArgument);
    newRow("setAccelerometerY", {-16001}, {}, InvalidArgument);
    newRow("setAccelerometerZ", {16001}, {}, InvalidArgument);
    newRow("setAlsValue", {-2}, {}, InvalidArgument);
    newRow("setAlsValue", {200001}, {}, InvalidArgument);
    newRow("setGyroscopeValues", {1.0, 2.0, qQNaN()}, {}, InvalidArgument);
    newRow("setGyroscopeX", {qQNaN()}, {}, InvalidArgument);
    newRow("setGyroscopeY", {-qInf()}, {}, InvalidArgument);
    newRow("setGyroscopeZ", {3000.5}, {}, InvalidArgument);
    newRow("setMagnetometerValues", {-1.0, 0.0, 0.0}, {}, InvalidArgument);
    newRow("setMagnetometerX", {0.02}, {}, InvalidArgument);
    newRow("setMagnetometerY", {qInf()}, {}, InvalidArgument);
    newRow("setMagnetometerZ", {qQNaN()}, {}, InvalidArgument);
    newRow("setMagnetometerCalibrationLevel", {4}, {}, InvalidArgument);
    newRow("setMagnetometerCalibrationLevel", {-1}, {}, InvalidArgument);
    newRow("setProximitySensorValue", {11}, {}, InvalidArgument);
    newRow("setProximitySensorValue", {-1}, {}, InvalidArgument);
    newRow("setTapSensorValue", {9}, {}, InvalidArgument);
    newRow("setTapSensorValue", {-2}, {}, InvalidArgument);
    // Inspection is an interface of its own, not part of the plug-in's.
    newRow("state", {}, {}, QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
}

void tst_SensorService::calls()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QFETCH(QString, keys);
    QFETCH(QString, errorName);
    QVariantMap expected = inspectedState();
    QVERIFY(!expected.isEmpty());
    QList<QVariantList> changes;
    for (const QString &key : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QVariant value = arguments.at(changes.size());
        QVERIFY2(expected.value(key) != value, "the row must change the value");
        expected.insert(key, value);
        changes.append({key, value});
    }

    const QDBusMessage reply = call(method, arguments);
    QCOMPARE(reply.errorName(), errorName);
    QCOMPARE(reply.errorMessage().isEmpty(), errorName.isEmpty());
    QVERIFY2(!reply.errorMessage().contains(QLatin1Char(':')), qPrintable(reply.errorMessage()));
    QCOMPARE(inspectedState(), expected);
    QCOMPARE(static_cast<QList<QVariantList>>(*m_changed), changes);
    // The same call again changes nothing more.
    QCOMPARE(call(method, arguments).errorName(), errorName);
    QCOMPARE(m_changed->count(), changes.size());
}

void tst_SensorService::nameOwnedElsewhereFailsRegistration()
{
    SensorService second{QDBusConnection(ClientConnection)};
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot own")));
    QVERIFY(!second.registerService());
    QVERIFY(!second.isRegistered());
    QCOMPARE(call(QStringLiteral("enabled"), {QStringLiteral("tap")}).arguments(), QVariantList{true});

    // Once the first lets go, the name is free again.
    m_service->unregisterService();
    QVERIFY(second.registerService());
    second.disableSensor(QStringLiteral("tap"));
    QCOMPARE(call(QStringLiteral("enabled"), {QStringLiteral("tap")}).arguments(), QVariantList{false});
}

QTEST_GUILESS_MAIN(tst_SensorService)

#include "tst_sensorservice.moc"
