#include <guest/dbusdaemon.h>
#include <guest/sensorservice.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

using Guest::SensorService;

namespace {
const QString ServiceConnection = QStringLiteral("tst-sensors-service");
const QString ClientConnection = QStringLiteral("tst-sensors-client");
const QString Inspect = QStringLiteral("org.mimicry.Inspect");
const QString InvalidArgument = QStringLiteral("org.tern.SensorfwMimicry.Error.InvalidArgument");
const QString UnknownSensor = QStringLiteral("org.tern.SensorfwMimicry.Error.UnknownSensor");
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Infinity = std::numeric_limits<double>::infinity();
} // namespace

class tst_SensorService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void enabledFollowsEnableAndDisable_data();
    void enabledFollowsEnableAndDisable();
    void valuesAreKept_data();
    void valuesAreKept();
    void refusedCallsChangeNothing_data();
    void refusedCallsChangeNothing();
    void inspectionStaysOffThePluginInterface();
    void nameOwnedElsewhereFailsRegistration();

private:
    QDBusMessage call(const QString &method, const QVariantList &arguments = {},
                      const QString &interface = SensorService::interfaceName());
    QVariantMap inspectedState();

    QTemporaryDir m_runtimeDir;
    Guest::DBusDaemon m_bus;
    std::unique_ptr<SensorService> m_service;
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
}

void tst_SensorService::cleanup()
{
    m_service.reset();
}

void tst_SensorService::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(ClientConnection);
    QDBusConnection::disconnectFromBus(ServiceConnection);
}

QDBusMessage tst_SensorService::call(const QString &method, const QVariantList &arguments,
                                     const QString &interface)
{
    QDBusMessage message = QDBusMessage::createMethodCall(SensorService::serviceName(), SensorService::objectPath(),
                                                          interface, method);
    message.setArguments(arguments);
    // The service answers from this thread, so wait in an event loop.
    return QDBusConnection(ClientConnection).call(message, QDBus::BlockWithGui, 5000);
}

QVariantMap tst_SensorService::inspectedState()
{
    const QDBusMessage reply = call(QStringLiteral("state"), {}, Inspect);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return {};
    return qdbus_cast<QVariantMap>(reply.arguments().first());
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
    QSignalSpy changed(m_service.get(), &SensorService::valueChanged);
    QVERIFY(changed.isValid());

    // Sensors come up running.
    QCOMPARE(call(QStringLiteral("enabled"), {sensor}).arguments(), QVariantList{true});

    QCOMPARE(call(QStringLiteral("disableSensor"), {sensor}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(call(QStringLiteral("enabled"), {sensor}).arguments(), QVariantList{false});
    QCOMPARE(inspectedState().value(key), QVariant(false));
    QVERIFY(!m_service->isSensorEnabled(sensor));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first(), (QVariantList{key, false}));
    int stillEnabled = 0;
    for (const QVariant &value : inspectedState())
        stillEnabled += value.type() == QVariant::Bool && value.toBool();
    QCOMPARE(stillEnabled, 7);

    // Disabling twice is no change.
    QCOMPARE(call(QStringLiteral("disableSensor"), {sensor}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(changed.count(), 1);

    QCOMPARE(call(QStringLiteral("enableSensor"), {sensor}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(call(QStringLiteral("enabled"), {sensor}).arguments(), QVariantList{true});
    QVERIFY(m_service->isSensorEnabled(sensor));
    QCOMPARE(changed.count(), 2);
}

void tst_SensorService::valuesAreKept_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QVariantMap>("expected");

    QTest::newRow("accelerometer, all three") << "setAccelerometerValues" << QVariantList{-3000, 250, 16000}
        << QVariantMap{{"accelerometer.x", -3000}, {"accelerometer.y", 250}, {"accelerometer.z", 16000}};
    QTest::newRow("accelerometer x at the limit") << "setAccelerometerX" << QVariantList{-16000}
                                                  << QVariantMap{{"accelerometer.x", -16000}};
    QTest::newRow("accelerometer y") << "setAccelerometerY" << QVariantList{100}
                                     << QVariantMap{{"accelerometer.y", 100}};
    QTest::newRow("accelerometer z") << "setAccelerometerZ" << QVariantList{-300}
                                     << QVariantMap{{"accelerometer.z", -300}};
    QTest::newRow("darkness") << "setAlsValue" << QVariantList{0} << QVariantMap{{"als.lux", 0}};
    QTest::newRow("brightest light") << "setAlsValue" << QVariantList{200000} << QVariantMap{{"als.lux", 200000}};
    QTest::newRow("gyroscope, all three") << "setGyroscopeValues" << QVariantList{1.5, -2000.0, 1.14592}
        << QVariantMap{{"gyroscope.x", 1.5}, {"gyroscope.y", -2000.0}, {"gyroscope.z", 1.14592}};
    QTest::newRow("gyroscope x") << "setGyroscopeX" << QVariantList{-48.76} << QVariantMap{{"gyroscope.x", -48.76}};
    QTest::newRow("gyroscope y") << "setGyroscopeY" << QVariantList{2000.0} << QVariantMap{{"gyroscope.y", 2000.0}};
    QTest::newRow("gyroscope z") << "setGyroscopeZ" << QVariantList{0.25} << QVariantMap{{"gyroscope.z", 0.25}};
    QTest::newRow("magnetometer, all three") << "setMagnetometerValues" << QVariantList{-4.3589e-05, 4.3e-05, -0.01}
        << QVariantMap{{"magnetometer.x", -4.3589e-05}, {"magnetometer.y", 4.3e-05}, {"magnetometer.z", -0.01}};
    QTest::newRow("magnetometer x") << "setMagnetometerX" << QVariantList{0.0} << QVariantMap{{"magnetometer.x", 0.0}};
    QTest::newRow("magnetometer y") << "setMagnetometerY" << QVariantList{0.01} << QVariantMap{{"magnetometer.y", 0.01}};
    QTest::newRow("magnetometer z") << "setMagnetometerZ" << QVariantList{1e-6} << QVariantMap{{"magnetometer.z", 1e-6}};
    QTest::newRow("calibrated") << "setMagnetometerCalibrationLevel" << QVariantList{3}
                                << QVariantMap{{"magnetometer.calibrationLevel", 3}};
    QTest::newRow("near") << "setProximitySensorValue" << QVariantList{0} << QVariantMap{{"proximity.reflectance", 0}};
    QTest::newRow("far") << "setProximitySensorValue" << QVariantList{10} << QVariantMap{{"proximity.reflectance", 10}};
    QTest::newRow("tap y negative") << "setTapSensorValue" << QVariantList{8} << QVariantMap{{"tap.direction", 8}};
    QTest::newRow("tap x both") << "setTapSensorValue" << QVariantList{0} << QVariantMap{{"tap.direction", 0}};
}

void tst_SensorService::valuesAreKept()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QFETCH(QVariantMap, expected);

    QVariantMap expectedState = inspectedState();
    QVERIFY(!expectedState.isEmpty());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QVERIFY2(expectedState.contains(it.key()), qPrintable(it.key()));
        QVERIFY2(expectedState.value(it.key()) != it.value(), "the row must change the value");
        expectedState.insert(it.key(), it.value());
    }
    QSignalSpy changed(m_service.get(), &SensorService::valueChanged);
    QVERIFY(changed.isValid());

    const QDBusMessage reply = call(method, arguments);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QVERIFY(reply.arguments().isEmpty());
    QCOMPARE(inspectedState(), expectedState);
    QCOMPARE(m_service->state(), expectedState);
    QCOMPARE(changed.count(), expected.size());
    for (const QVariantList &signal : qAsConst(changed))
        QCOMPARE(signal.at(1), expected.value(signal.at(0).toString()));

    // The same values again are no change.
    QCOMPARE(call(method, arguments).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(changed.count(), expected.size());
}

void tst_SensorService::refusedCallsChangeNothing_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QString>("errorName");

    QTest::newRow("enable unknown sensor") << "enableSensor" << QVariantList{"thermometer"} << UnknownSensor;
    QTest::newRow("disable empty name") << "disableSensor" << QVariantList{""} << UnknownSensor;
    QTest::newRow("names are case-sensitive") << "enabled" << QVariantList{"Accelerometer"} << UnknownSensor;
    QTest::newRow("colon in sensor name") << "enableSensor" << QVariantList{"a:b"} << UnknownSensor;
    QTest::newRow("accelerometer x above") << "setAccelerometerX" << QVariantList{16001} << InvalidArgument;
    QTest::newRow("accelerometer y below") << "setAccelerometerY" << QVariantList{-16001} << InvalidArgument;
    QTest::newRow("accelerometer z of three") << "setAccelerometerValues" << QVariantList{1, 2, 20000}
                                              << InvalidArgument;
    QTest::newRow("negative light") << "setAlsValue" << QVariantList{-1} << InvalidArgument;
    QTest::newRow("too much light") << "setAlsValue" << QVariantList{200001} << InvalidArgument;
    QTest::newRow("gyroscope NaN") << "setGyroscopeX" << QVariantList{NaN} << InvalidArgument;
    QTest::newRow("gyroscope infinite") << "setGyroscopeY" << QVariantList{-Infinity} << InvalidArgument;
    QTest::newRow("gyroscope above") << "setGyroscopeZ" << QVariantList{2000.5} << InvalidArgument;
    QTest::newRow("gyroscope NaN of three") << "setGyroscopeValues" << QVariantList{1.0, 2.0, NaN}
                                            << InvalidArgument;
    QTest::newRow("magnetometer above") << "setMagnetometerX" << QVariantList{0.02} << InvalidArgument;
    QTest::newRow("magnetometer infinite") << "setMagnetometerY" << QVariantList{Infinity} << InvalidArgument;
    QTest::newRow("magnetometer NaN") << "setMagnetometerZ" << QVariantList{NaN} << InvalidArgument;
    QTest::newRow("magnetometer first of three") << "setMagnetometerValues" << QVariantList{-1.0, 0.0, 0.0}
                                                 << InvalidArgument;
    QTest::newRow("calibration above") << "setMagnetometerCalibrationLevel" << QVariantList{4} << InvalidArgument;
    QTest::newRow("calibration below") << "setMagnetometerCalibrationLevel" << QVariantList{-1} << InvalidArgument;
    QTest::newRow("proximity above") << "setProximitySensorValue" << QVariantList{11} << InvalidArgument;
    QTest::newRow("proximity below") << "setProximitySensorValue" << QVariantList{-1} << InvalidArgument;
    QTest::newRow("tap above") << "setTapSensorValue" << QVariantList{9} << InvalidArgument;
    QTest::newRow("tap below") << "setTapSensorValue" << QVariantList{-2} << InvalidArgument;
}

void tst_SensorService::refusedCallsChangeNothing()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QFETCH(QString, errorName);

    const QVariantMap before = inspectedState();
    QVERIFY(!before.isEmpty());
    QSignalSpy changed(m_service.get(), &SensorService::valueChanged);
    QVERIFY(changed.isValid());

    const QDBusMessage reply = call(method, arguments);
    QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(reply.errorName(), errorName);
    QVERIFY(!reply.errorMessage().isEmpty());
    QVERIFY2(!reply.errorMessage().contains(QLatin1Char(':')), qPrintable(reply.errorMessage()));
    QCOMPARE(inspectedState(), before);
    QCOMPARE(changed.count(), 0);
}

void tst_SensorService::inspectionStaysOffThePluginInterface()
{
    const QDBusMessage wrong = call(QStringLiteral("state"));
    QCOMPARE(wrong.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(wrong.errorName(), QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));

    const QDBusMessage xml = call(QStringLiteral("Introspect"), {},
                                  QStringLiteral("org.freedesktop.DBus.Introspectable"));
    QCOMPARE(xml.type(), QDBusMessage::ReplyMessage);
    const QString introspection = xml.arguments().value(0).toString();
    QVERIFY(introspection.contains(QStringLiteral("<interface name=\"org.tern.SensorfwMimicry\">")));
    QVERIFY(introspection.contains(QStringLiteral("<interface name=\"org.mimicry.Inspect\">")));
    QVERIFY(introspection.contains(QStringLiteral("<method name=\"setMagnetometerCalibrationLevel\">")));
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
