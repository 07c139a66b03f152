#include <link/remotedbusinvokerservice.h>
#include <sensors/sensorsemulationmanager.h>

#include "fakeguest.h"

#include <idehost.h>

#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <functional>

using namespace Mimicry::Internal;

using Action = std::function<void(SensorsEmulationManager &)>;
Q_DECLARE_METATYPE(Action)

namespace {

const char prefix[] = "system org.tern.SensorfwMimicry /org/tern/SensorfwMimicry org.tern.SensorfwMimicry ";
const char marker[] = "marker     ";

QString call(const QString &methodAndArguments)
{
    return QLatin1String(prefix) + methodAndArguments;
}

QStringList calls(const QStringList &methodsAndArguments)
{
    QStringList lines;
    for (const QString &m : methodsAndArguments)
        lines.append(call(m));
    return lines;
}

const QStringList sensorNames{"accelerometer", "als", "compass", "gyroscope",
                              "magnetometer", "orientation", "proximity", "tap"};

// What a connection re-sends after setSomeValues().
const QStringList someValuesRestored{
    "setAccelerometerValues int32:10 int32:20 int32:-40",
    "setMagnetometerValues double:1e-05 double:2e-05 double:3e-05",
    "setMagnetometerCalibrationLevel int32:2",
    "setGyroscopeValues double:0 double:-0.5 double:1.14592",
    "setAlsValue int32:400",
    "setProximitySensorValue int32:0",
    "setTapSensorValue int32:8"};

} // namespace

class tst_SensorsEmulationManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void commandLines_data();
    void commandLines();
    void compassAzimuthRoundTrip_data();
    void compassAzimuthRoundTrip();
    void orientationPresets_data();
    void orientationPresets();
    void localOnlyChanges();
    void defaultValuesResetTheModels();
    void firstConnectionAsksThenRestores_data();
    void firstConnectionAsksThenRestores();
    void laterConnectionForcesAvailability();
    void enabledReplies_data();
    void enabledReplies();
    void valueStoredWhenSet_data();
    void valueStoredWhenSet();
    void destructionStoresDirectModelChanges();
    void restartRestoresValuesStoredBeforeShutdown();

private:
    void startHost(const QString &settingsPath);
    void startManager();
    bool connectManager();
    bool takeLines(QStringList *lines);
    QString snapshotSettings();
    void setSomeValues();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
    std::unique_ptr<FakeGuest> m_guest;
    std::unique_ptr<RemoteDBusInvokerService> m_channel;
    std::unique_ptr<SensorsEmulationManager> m_manager;
};

void tst_SensorsEmulationManager::startHost(const QString &settingsPath)
{
    m_settings = std::make_unique<QSettings>(settingsPath, QSettings::IniFormat);
    m_host = std::make_unique<IdeHost>(m_settings.get());
}

void tst_SensorsEmulationManager::startManager()
{
    m_channel = std::make_unique<RemoteDBusInvokerService>();
    m_channel->setRetryDelays(20, 100);
    m_manager = std::make_unique<SensorsEmulationManager>();
    m_manager->setRdbusinvoker(m_channel.get());
}

void tst_SensorsEmulationManager::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    startHost(m_dir->filePath(QStringLiteral("host.ini")));
    m_guest = std::make_unique<FakeGuest>();
    QVERIFY(m_guest->listen(RemoteDBusInvokerService::port()));
    startManager();
}

void tst_SensorsEmulationManager::cleanup()
{
    m_manager.reset();
    m_channel.reset();
    m_guest.reset();
    m_host.reset();
    m_settings.reset();
    m_dir.reset();
}

// Opens the channel and swallows what the manager sends on connecting.
bool tst_SensorsEmulationManager::connectManager()
{
    QSignalSpy initialized(m_manager.get(), &SensorsEmulationManager::sensorsInitialized);
    m_channel->openConnection();
    QStringList ignored;
    return initialized.wait(5000) && takeLines(&ignored);
}

// The guest sees lines in the order sent, so once a marker sent last has
// arrived, everything before it has too.
bool tst_SensorsEmulationManager::takeLines(QStringList *lines)
{
    m_channel->sendCommand(QStringLiteral("marker"), {}, {}, {}, {}, {});
    if (!QTest::qWaitFor([this] { return m_guest->lines().contains(QLatin1String(marker)); }, 5000))
        return false;
    *lines = m_guest->lines();
    lines->removeAll(QLatin1String(marker));
    m_guest->clearLines();
    return true;
}

// A copy of the settings file as it is on disk now; the copy is never
// touched by the running manager.
QString tst_SensorsEmulationManager::snapshotSettings()
{
    m_settings->sync();
    const QString copy = m_dir->filePath(QStringLiteral("snapshot.ini"));
    QFile::remove(copy);
    return QFile::copy(m_settings->fileName(), copy) ? copy : QString();
}

void tst_SensorsEmulationManager::setSomeValues()
{
    m_manager->setAccelerometerValues(10, 20, 30);
    m_manager->setAccelerometerZ(-40);
    m_manager->setMagnetometerValues(1e-05, 2e-05, 3e-05);
    m_manager->setMagneticFieldValues(1.5, 2.5, 3.5);
    m_manager->setCompassCalibrationLevel(2);
    m_manager->setGyroscopeY(-0.5);
    m_manager->setAlsLightLevel(AlsModel::Bright);
    m_manager->setProximitySensorNearValue(true);
    m_manager->setTapSensorValue(TapModel::Y_Neg);
}

void tst_SensorsEmulationManager::commandLines_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QStringList>("expected");

    auto row = [](const char *name, Action action, const QStringList &expected) {
        QTest::newRow(name) << action << calls(expected);
    };
    row("compass 0", [](SensorsEmulationManager &m) { m.setCompassAzimuth(0); },
        {"setAccelerometerValues int32:0 int32:0 int32:1000",
         "setMagnetometerValues double:0 double:4.3589e-05 double:0"});
    row("magnetometer small", [](SensorsEmulationManager &m) { m.setMagnetometerValues(4.3e-5, 0, 0); },
        {"setMagnetometerValues double:4.3e-05 double:0 double:0"});
    row("magnetometer axes", [](SensorsEmulationManager &m) {
        m.setMagnetometerX(-48.76);
        m.setMagnetometerY(1234567.0);
        m.setMagnetometerZ(0.1);
    }, {"setMagnetometerX double:-48.76", "setMagnetometerY double:1.23457e+06", "setMagnetometerZ double:0.1"});
    row("gyroscope", [](SensorsEmulationManager &m) { m.setGyroscopeValues(0, 0, 1.1459155902616465); },
        {"setGyroscopeValues double:0 double:0 double:1.14592"});
    row("gyroscope axes", [](SensorsEmulationManager &m) {
        m.setGyroscopeX(1.5);
        m.setGyroscopeY(-2);
        m.setGyroscopeZ(1e-7);
    }, {"setGyroscopeX double:1.5", "setGyroscopeY double:-2", "setGyroscopeZ double:1e-07"});
    row("accelerometer", [](SensorsEmulationManager &m) {
        m.setAccelerometerValues(-5, 6, 7);
        m.setAccelerometerX(-250);
        m.setAccelerometerY(9810);
        m.setAccelerometerZ(0);
    }, {"setAccelerometerValues int32:-5 int32:6 int32:7", "setAccelerometerX int32:-250",
        "setAccelerometerY int32:9810", "setAccelerometerZ int32:0"});
    row("light level twilight", [](SensorsEmulationManager &m) { m.setAlsLightLevel(AlsModel::Twilight); },
        {"setAlsValue int32:10"});
    row("lux 10", [](SensorsEmulationManager &m) { m.setAlsLuxValue(10); }, {"setAlsValue int32:10"});
    row("proximity near", [](SensorsEmulationManager &m) { m.setProximitySensorNearValue(true); },
        {"setProximitySensorValue int32:0"});
    row("proximity far", [](SensorsEmulationManager &m) { m.setProximitySensorNearValue(false); },
        {"setProximitySensorValue int32:10"});
    row("reflectance", [](SensorsEmulationManager &m) { m.setProximitySensorReflectanceValue(3); },
        {"setProximitySensorValue int32:3"});
    row("tap undefined", [](SensorsEmulationManager &m) { m.setTapSensorValue(TapModel::Undefined); },
        {"setTapSensorValue int32:-1"});
    row("tap y negative", [](SensorsEmulationManager &m) { m.setTapSensorValue(TapModel::Y_Neg); },
        {"setTapSensorValue int32:8"});
    row("compass calibration", [](SensorsEmulationManager &m) { m.setCompassCalibrationLevel(3); },
        {"setMagnetometerCalibrationLevel int32:3"});
    row("switching", [](SensorsEmulationManager &m) {
        m.enableSensor(QStringLiteral("gyroscope"));
        m.disableSensor(QStringLiteral("tap"));
    }, {"enableSensor string:gyroscope", "disableSensor string:tap"});
    row("orientation 0", [](SensorsEmulationManager &m) { m.setOrientation(0); }, {});
    row("orientation 7", [](SensorsEmulationManager &m) { m.setOrientation(7); }, {});
    row("magnetic field", [](SensorsEmulationManager &m) {
        m.setMagneticFieldX(1.5);
        m.setMagneticFieldValues(1, 2, 3);
    }, {});
    row("sensor enabled", [](SensorsEmulationManager &m) { m.setSensorEnabled(QStringLiteral("als"), true); }, {});
    row("defaults", [](SensorsEmulationManager &m) { m.setDefaultValues(); },
        {"setAccelerometerValues int32:0 int32:0 int32:1000", "setAlsValue int32:100",
         "setGyroscopeValues double:0 double:0 double:1.14592",
         "setMagnetometerValues double:4.3e-05 double:0 double:0", "setMagnetometerCalibrationLevel int32:0",
         "setProximitySensorValue int32:5", "setTapSensorValue int32:-1"});
}

void tst_SensorsEmulationManager::commandLines()
{
    QFETCH(Action, action);
    QFETCH(QStringList, expected);
    QVERIFY(connectManager());

    action(*m_manager);
    QStringList lines;
    QVERIFY(takeLines(&lines));
    QCOMPARE(lines, expected);
}

void tst_SensorsEmulationManager::compassAzimuthRoundTrip_data()
{
    QTest::addColumn<int>("azimuth");
    QTest::addColumn<int>("expected");

    QTest::newRow("north") << 0 << 0;
    QTest::newRow("north-east") << 45 << 45;
    QTest::newRow("south") << 180 << 180;
    QTest::newRow("west") << 270 << 270;
    QTest::newRow("almost north") << 359 << 359;
    QTest::newRow("full turn") << 360 << 0;
    QTest::newRow("negative") << -90 << 270;
}

void tst_SensorsEmulationManager::compassAzimuthRoundTrip()
{
    QFETCH(int, azimuth);
    QFETCH(int, expected);
    QVERIFY(connectManager());
    m_manager->setAccelerometerValues(300, -200, 500);
    QStringList lines;
    QVERIFY(takeLines(&lines));
    QSignalSpy azimuthChanged(m_manager->compass(), &CompassModel::azimuthChanged);
    QVERIFY(azimuthChanged.isValid());

    m_manager->setCompassAzimuth(azimuth);
    QCOMPARE(m_manager->compass()->azimuth(), expected);
    QCOMPARE(azimuthChanged.size(), 3);
    QCOMPARE(m_manager->orientation()->orientation(), QOrientationReading::FaceUp);

    QVERIFY(takeLines(&lines));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), call("setAccelerometerValues int32:0 int32:0 int32:1000"));
    const QRegularExpression magnetometer(QRegularExpression::escape(call("setMagnetometerValues "))
                                          + "double:(\\S+) double:(\\S+) double:0$");
    const QRegularExpressionMatch match = magnetometer.match(lines.at(1));
    QVERIFY2(match.hasMatch(), qPrintable(lines.at(1)));
    // Always the same horizontal field, only turned.
    const double strength = std::hypot(match.captured(1).toDouble(), match.captured(2).toDouble());
    QVERIFY2(qAbs(strength - 4.3589e-05) < 1e-10, qPrintable(QString::number(strength)));
    if (azimuth == 270)
        QCOMPARE(match.captured(1), QStringLiteral("-4.3589e-05"));
}

void tst_SensorsEmulationManager::orientationPresets_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("arguments");

    QTest::newRow("top up") << 1 << "int32:0 int32:100 int32:0";
    QTest::newRow("top down") << 2 << "int32:0 int32:-100 int32:0";
    QTest::newRow("left up") << 3 << "int32:-100 int32:0 int32:0";
    QTest::newRow("right up") << 4 << "int32:100 int32:0 int32:0";
    QTest::newRow("face up") << 5 << "int32:0 int32:0 int32:300";
    QTest::newRow("face down") << 6 << "int32:0 int32:0 int32:-300";
}

void tst_SensorsEmulationManager::orientationPresets()
{
    QFETCH(int, orientation);
    QFETCH(QString, arguments);
    QVERIFY(connectManager());
    // Start away from the preset, so that reaching it is the preset's doing.
    m_manager->setAccelerometerValues(0, orientation == 1 ? -100 : 100, 0);
    QStringList lines;
    QVERIFY(takeLines(&lines));

    m_manager->setOrientation(orientation);
    QCOMPARE(int(m_manager->orientation()->orientation()), orientation);
    QVERIFY(takeLines(&lines));
    QCOMPARE(lines, QStringList{call("setAccelerometerValues " + arguments)});
    const AccelerometerModel *a = m_manager->accelerometer();
    QCOMPARE(QStringLiteral("int32:%1 int32:%2 int32:%3").arg(a->x()).arg(a->y()).arg(a->z()), arguments);
}

void tst_SensorsEmulationManager::localOnlyChanges()
{
    QVERIFY(connectManager());
    SensorsEmulationManager &m = *m_manager;
    QSignalSpy azimuthChanged(m.compass(), &CompassModel::azimuthChanged);
    QSignalSpy statesChanged(&m, &SensorsEmulationManager::sensorsEnabledStatesChanged);
    QVERIFY(azimuthChanged.isValid());
    QVERIFY(statesChanged.isValid());

    m.setMagneticFieldX(1.5);
    QCOMPARE(m.magneticField()->x(), 1.5);
    QCOMPARE(m.magneticField()->y(), 5.95);
    QCOMPARE(m.magneticField()->z(), -48.76);
    QCOMPARE(m.magnetometer()->x(), 4.3e-05);
    QCOMPARE(azimuthChanged.size(), 0);

    m.setOrientation(0);
    m.setOrientation(7);
    QCOMPARE(m.accelerometer()->z(), 1000);
    QCOMPARE(m.orientation()->orientation(), QOrientationReading::FaceUp);

    m.setSensorEnabled(QStringLiteral("tap"), true);
    QCOMPARE(statesChanged.size(), 1);
    QCOMPARE(m.sensorsEnabledStates().value(QStringLiteral("tap")), QVariant(true));

    QSignalSpy calibrationChanged(m.compass(), &CompassModel::calibrationLevelChanged);
    m.setCompassCalibrationLevel(3);
    QCOMPARE(calibrationChanged.size(), 2);
    QCOMPARE(m.magnetometer()->calibrationLevel(), 3);
    m.setMagnetometerCalibrationLevel(1);
    QCOMPARE(m.compass()->calibrationLevel(), 1);
}

void tst_SensorsEmulationManager::defaultValuesResetTheModels()
{
    QVERIFY(connectManager());
    SensorsEmulationManager &m = *m_manager;
    m.setOrientation(6);
    m.setMagnetometerValues(-1e-05, 3e-05, 0);
    m.setCompassCalibrationLevel(2);
    m.setMagneticFieldValues(1, 2, 3);
    m.setSensorEnabled(QStringLiteral("als"), true);

    m.setDefaultValues();
    QCOMPARE(m.compass()->azimuth(), 90);
    QCOMPARE(m.compass()->calibrationLevel(), 0);
    QCOMPARE(m.orientation()->orientation(), QOrientationReading::FaceUp);
    QCOMPARE(m.als()->lux(), 100);
    QCOMPARE(m.proximity()->reflectance(), 5);
    QCOMPARE(m.tap()->tapDirection(), TapModel::Undefined);
    QCOMPARE(m.gyroscope()->z(), 1.1459155902616465);
    QCOMPARE(m.magneticField()->z(), 3.0);
    QCOMPARE(m.sensorsEnabledStates().value(QStringLiteral("als")), QVariant(true));
}

void tst_SensorsEmulationManager::firstConnectionAsksThenRestores_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QStringList>("restored");

    QTest::newRow("nothing stored") << QVariantMap()
        << QStringList{"setAccelerometerValues int32:0 int32:0 int32:1000",
                       "setMagnetometerValues double:4.3e-05 double:0 double:0",
                       "setMagnetometerCalibrationLevel int32:0",
                       "setGyroscopeValues double:0 double:0 double:1.14592", "setAlsValue int32:100",
                       "setProximitySensorValue int32:5", "setTapSensorValue int32:-1"};
    QTest::newRow("stored values")
        << QVariantMap{{"accelerometer_x", 12}, {"accelerometer_y", -3}, {"accelerometer_z", 980},
                       {"magnetometer_y", 2e-05}, {"magnetometer_calib_level", 3}, {"gyroscope_x", 0.25},
                       {"als", 2500}, {"proximity_reflectance", 7}, {"tap", 3}, {"magnetic_field_x", 9.5}}
        << QStringList{"setAccelerometerValues int32:12 int32:-3 int32:980",
                       "setMagnetometerValues double:4.3e-05 double:2e-05 double:0",
                       "setMagnetometerCalibrationLevel int32:3",
                       "setGyroscopeValues double:0.25 double:0 double:1.14592", "setAlsValue int32:2500",
                       "setProximitySensorValue int32:7", "setTapSensorValue int32:3"};
}

void tst_SensorsEmulationManager::firstConnectionAsksThenRestores()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QStringList, restored);
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        m_settings->setValue(QLatin1String("mimicry/") + it.key(), it.value());

    QSignalSpy initialized(m_manager.get(), &SensorsEmulationManager::sensorsInitialized);
    QVERIFY(initialized.isValid());
    int accelerometerXAtSignal = -1;
    connect(m_manager.get(), &SensorsEmulationManager::sensorsInitialized, this,
            [&] { accelerometerXAtSignal = m_manager->accelerometer()->x(); });
    m_channel->openConnection();
    QVERIFY(initialized.wait(5000));
    QStringList lines;
    QVERIFY(takeLines(&lines));

    QCOMPARE(lines.value(0), QStringLiteral("system org.tern.SensorfwMimicry /org/tern/SensorfwMimicry "
                                            "org.tern.SensorfwMimicry enabled string:accelerometer"));
    QStringList expected;
    for (const QString &name : sensorNames)
        expected.append(call("enabled string:" + name));
    QCOMPARE(lines, expected + calls(restored));
    QCOMPARE(initialized.size(), 1);
    QCOMPARE(accelerometerXAtSignal, stored.value("accelerometer_x", 0).toInt());
    QCOMPARE(m_manager->magneticField()->x(), stored.value("magnetic_field_x", 0.0).toDouble());
    QCOMPARE(m_manager->magneticField()->y(), 5.95);
    for (const QString &name : sensorNames)
        QCOMPARE(m_manager->sensorsEnabledStates().value(name), QVariant(false));
}

void tst_SensorsEmulationManager::laterConnectionForcesAvailability()
{
    QVERIFY(connectManager());
    m_manager->setSensorAvailable(QStringLiteral("gyroscope"), false);
    setSomeValues();
    QStringList lines;
    QVERIFY(takeLines(&lines));
    QCOMPARE(lines.value(0), call("disableSensor string:gyroscope"));

    QSignalSpy initialized(m_manager.get(), &SensorsEmulationManager::sensorsInitialized);
    QSignalSpy statesChanged(m_manager.get(), &SensorsEmulationManager::sensorsEnabledStatesChanged);
    QSignalSpy availabilityChanged(m_manager.get(), &SensorsEmulationManager::sensorsAvailabilityChanged);
    QVERIFY(initialized.isValid());
    QVERIFY(statesChanged.isValid());
    QVERIFY(availabilityChanged.isValid());
    m_guest->dropClients();
    QVERIFY(initialized.wait(5000));
    QVERIFY(takeLines(&lines));

    QStringList expected;
    for (const QString &name : sensorNames)
        expected.append(name == QLatin1String("gyroscope") ? "disableSensor string:" + name
                                                           : "enableSensor string:" + name);
    QCOMPARE(lines, calls(expected + someValuesRestored));
    QCOMPARE(statesChanged.size(), 8);
    QCOMPARE(availabilityChanged.size(), 8);
    QCOMPARE(initialized.size(), 1);
    QCOMPARE(m_manager->sensorsEnabledStates(), m_manager->sensorsAvailability());
    QCOMPARE(m_manager->sensorsAvailability().value(QStringLiteral("gyroscope")), QVariant(false));
    QCOMPARE(m_manager->magneticField()->z(), 3.5);
}

void tst_SensorsEmulationManager::enabledReplies_data()
{
    QTest::addColumn<Action>("prepare");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<bool>("handled");

    const Action none = [](SensorsEmulationManager &) {};
    const Action accelerometerMissing = [](SensorsEmulationManager &m) {
        m.setSensorAvailable(QStringLiteral("accelerometer"), false);
    };
    const Action gyroscopeOn = [](SensorsEmulationManager &m) {
        m.setSensorEnabled(QStringLiteral("gyroscope"), true);
    };
    const QVariantMap gyroscopeOff{{"gyroscope", false}};

    QTest::newRow("available") << none << "enabled:accelerometer:true::"
                               << QVariantMap{{"accelerometer", true}} << QStringList() << true;
    QTest::newRow("unavailable") << accelerometerMissing << "enabled:accelerometer:true::"
                                 << QVariantMap{{"accelerometer", false}}
                                 << calls({"disableSensor string:accelerometer"}) << true;
    QTest::newRow("unknown sensor") << none << "enabled:barometer:true::"
                                    << QVariantMap{{"barometer", false}}
                                    << calls({"disableSensor string:barometer"}) << true;
    QTest::newRow("capitals, two arguments") << none << "ENABLED:als|x:1::"
                                             << QVariantMap{{"als", true}} << QStringList() << true;
    QTest::newRow("mixed case, any text") << none << "eNaBlEd:tap:yes::"
                                          << QVariantMap{{"tap", true}} << QStringList() << true;
    QTest::newRow("empty parts skipped") << none << "enabled:||compass|:true::"
                                         << QVariantMap{{"compass", true}} << QStringList() << true;
    QTest::newRow("zero") << gyroscopeOn << "enabled:gyroscope:0::" << gyroscopeOff << QStringList() << true;
    QTest::newRow("false") << gyroscopeOn << "enabled:gyroscope:false::" << gyroscopeOff << QStringList() << true;
    QTest::newRow("FALSE") << gyroscopeOn << "enabled:gyroscope:FALSE::" << gyroscopeOff << QStringList() << true;
    QTest::newRow("empty") << gyroscopeOn << "enabled:gyroscope:::" << gyroscopeOff << QStringList() << true;
    QTest::newRow("no name") << none << "enabled::true::" << QVariantMap() << QStringList() << false;
    QTest::newRow("only separators") << none << "enabled:|:true::"
                                     << QVariantMap() << QStringList() << false;
    QTest::newRow("other method") << none << "setAlsValue:accelerometer:true::"
                                  << QVariantMap() << QStringList() << false;
}

void tst_SensorsEmulationManager::enabledReplies()
{
    QFETCH(Action, prepare);
    QFETCH(QString, reply);
    QFETCH(QVariantMap, changes);
    QFETCH(QStringList, sent);
    QFETCH(bool, handled);
    QVERIFY(connectManager());
    prepare(*m_manager);
    QStringList lines;
    QVERIFY(takeLines(&lines));

    QVariantMap expected = m_manager->sensorsEnabledStates();
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        expected.insert(it.key(), it.value());
    QSignalSpy statesChanged(m_manager.get(), &SensorsEmulationManager::sensorsEnabledStatesChanged);
    QSignalSpy replies(m_manager.get(), &EmulationManager::replyFromEmulatorReceived);
    QVERIFY(statesChanged.isValid());
    QVERIFY(replies.isValid());

    m_guest->sendToClients(reply);
    QVERIFY(replies.wait(5000));
    QCOMPARE(statesChanged.size(), handled ? 1 : 0);
    QCOMPARE(m_manager->sensorsEnabledStates(), expected);
    QVERIFY(takeLines(&lines));
    QCOMPARE(lines, sent);
}

void tst_SensorsEmulationManager::valueStoredWhenSet_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QVariantMap>("stored");

    QTest::newRow("accelerometer axis") << Action([](SensorsEmulationManager &m) { m.setAccelerometerY(-20); })
        << QVariantMap{{"accelerometer_x", 0}, {"accelerometer_y", -20}, {"accelerometer_z", 1000}};
    QTest::newRow("orientation") << Action([](SensorsEmulationManager &m) { m.setOrientation(3); })
        << QVariantMap{{"accelerometer_x", -100}, {"accelerometer_y", 0}, {"accelerometer_z", 0}};
    QTest::newRow("magnetometer axis") << Action([](SensorsEmulationManager &m) { m.setMagnetometerZ(-1e-06); })
        << QVariantMap{{"magnetometer_x", 4.3e-05}, {"magnetometer_y", 0.0}, {"magnetometer_z", -1e-06}};
    QTest::newRow("magnetic field axis") << Action([](SensorsEmulationManager &m) { m.setMagneticFieldY(2.5); })
        << QVariantMap{{"magnetic_field_x", 0.0}, {"magnetic_field_y", 2.5}, {"magnetic_field_z", -48.76}};
    QTest::newRow("gyroscope axis") << Action([](SensorsEmulationManager &m) { m.setGyroscopeX(0.75); })
        << QVariantMap{{"gyroscope_x", 0.75}, {"gyroscope_y", 0.0}, {"gyroscope_z", 1.1459155902616465}};
    QTest::newRow("compass calibration")
        << Action([](SensorsEmulationManager &m) { m.setCompassCalibrationLevel(3); })
        << QVariantMap{{"magnetometer_calib_level", 3}};
    QTest::newRow("light level") << Action([](SensorsEmulationManager &m) { m.setAlsLightLevel(AlsModel::Sunny); })
        << QVariantMap{{"als", 2500}};
    QTest::newRow("proximity") << Action([](SensorsEmulationManager &m) { m.setProximitySensorNearValue(false); })
        << QVariantMap{{"proximity_reflectance", 10}};
    QTest::newRow("tap") << Action([](SensorsEmulationManager &m) { m.setTapSensorValue(TapModel::Z_Pos); })
        << QVariantMap{{"tap", 6}};
}

void tst_SensorsEmulationManager::valueStoredWhenSet()
{
    QFETCH(Action, action);
    QFETCH(QVariantMap, stored);
    QVERIFY(connectManager());
    m_settings->clear();

    action(*m_manager);
    const QString snapshot = snapshotSettings();
    QVERIFY(!snapshot.isEmpty());
    QSettings file(snapshot, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("mimicry"));
    const QStringList keys = file.allKeys();
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()), QSet<QString>(stored.keyBegin(), stored.keyEnd()));
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        QCOMPARE(file.value(it.key()).toString(), it.value().toString());
}

void tst_SensorsEmulationManager::destructionStoresDirectModelChanges()
{
    // Pages may write a model's property without going through the manager.
    m_manager->accelerometer()->setX(77);
    m_manager->magneticField()->setZ(-12.5);
    m_manager.reset();
    QCOMPARE(m_settings->value(QStringLiteral("mimicry/accelerometer_x")).toInt(), 77);
    QCOMPARE(m_settings->value(QStringLiteral("mimicry/magnetic_field_z")).toDouble(), -12.5);
    QCOMPARE(m_settings->value(QStringLiteral("mimicry/tap")).toInt(), -1);
}

void tst_SensorsEmulationManager::restartRestoresValuesStoredBeforeShutdown()
{
    QVERIFY(connectManager());
    setSomeValues();
    QStringList lines;
    QVERIFY(takeLines(&lines));
    // The file as a crash would leave it: nothing the shutdown writes is in it.
    const QString snapshot = snapshotSettings();
    QVERIFY(!snapshot.isEmpty());

    m_manager.reset();
    m_channel.reset();
    m_host.reset();
    m_settings.reset();
    startHost(snapshot);
    startManager();
    QSignalSpy initialized(m_manager.get(), &SensorsEmulationManager::sensorsInitialized);
    QVERIFY(initialized.isValid());
    m_channel->openConnection();
    QVERIFY(initialized.wait(5000));
    QVERIFY(takeLines(&lines));
    QCOMPARE(lines.size(), sensorNames.size() + someValuesRestored.size());
    QCOMPARE(lines.mid(sensorNames.size()), calls(someValuesRestored));
    QCOMPARE(m_manager->magneticField()->y(), 2.5);
    QCOMPARE(m_manager->compass()->calibrationLevel(), 2);
}

QTEST_MAIN(tst_SensorsEmulationManager)

#include "tst_sensorsemulationmanager.moc"
