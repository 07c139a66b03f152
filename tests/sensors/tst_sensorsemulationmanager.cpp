#include <link/remotedbusinvokerservice.h>
#include <sensors/sensorsemulationmanager.h>

#include "fakeguest.h"

#include <idehost.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace Mimicry::Internal;

using Action = std::function<void(SensorsEmulationManager &)>;
Q_DECLARE_METATYPE(Action)

namespace {

QStringList calls(const QStringList &methodsAndArguments)
{
    QStringList lines;
    for (const QString &m : methodsAndArguments)
        lines << "system org.tern.SensorfwMimicry /org/tern/SensorfwMimicry org.tern.SensorfwMimicry " + m;
    return lines;
}

const QStringList sensorNames{"accelerometer", "als", "compass", "gyroscope",
                              "magnetometer", "orientation", "proximity", "tap"};

// What setSomeValues() sends, and what a connection sends again afterwards.
const QStringList someValuesSent{
    "setAccelerometerValues int32:10 int32:20 int32:30", "setAccelerometerZ int32:-40",
    "setMagnetometerValues double:1e-05 double:2e-05 double:3e-05", "setMagnetometerZ double:-1e-06",
    "setMagnetometerCalibrationLevel int32:2", "setGyroscopeY double:-0.5", "setGyroscopeX double:0.75",
    "setAlsValue int32:400", "setProximitySensorValue int32:0", "setTapSensorValue int32:8"};
const QStringList someValuesRestored{"setAccelerometerValues int32:10 int32:20 int32:-40",
                                     "setMagnetometerValues double:1e-05 double:2e-05 double:-1e-06",
                                     "setMagnetometerCalibrationLevel int32:2",
                                     "setGyroscopeValues double:0.75 double:-0.5 double:1.14592",
                                     "setAlsValue int32:400",
                                     "setProximitySensorValue int32:0",
                                     "setTapSensorValue int32:8"};

void setSomeValues(SensorsEmulationManager &m)
{
    m.setAccelerometerValues(10, 20, 30);
    m.setAccelerometerZ(-40);
    m.setMagnetometerValues(1e-05, 2e-05, 3e-05);
    m.setMagnetometerZ(-1e-06);
    m.setMagneticFieldValues(1.5, 2.5, 3.5);
    m.setMagneticFieldY(-2.5);
    m.setCompassCalibrationLevel(2);
    m.setGyroscopeY(-0.5);
    m.setGyroscopeX(0.75);
    m.setAlsLightLevel(AlsModel::Bright);
    m.setProximitySensorNearValue(true);
    m.setTapSensorValue(TapModel::Y_Neg);
}

// The host side of one session: settings, channel and manager.
struct Rig
{
    Rig(const QString &settingsPath, const QUrl &guestUrl)
        : settings(settingsPath, QSettings::IniFormat)
        , host(&settings)
    {
        channel.setRetryDelays(20, 100);
        channel.setUrl(guestUrl);
        manager.setRdbusinvoker(&channel);
    }

    QSettings settings;
    IdeHost host;
    RemoteDBusInvokerService channel;
    SensorsEmulationManager manager;
};

} // namespace

class tst_SensorsEmulationManager : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_rig.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_guest = std::make_unique<FakeGuest>();
        QVERIFY(m_guest->listen());
        m_rig = std::make_unique<Rig>(m_dir->filePath(QStringLiteral("host.ini")), m_guest->url());
    }

    void commandLines_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<Action>("check"); // of the models afterwards
        auto row = [](const char *name, Action action, const QStringList &expected, Action check = {}) {
            QTest::newRow(name) << action << calls(expected) << check;
        };
        // From any attitude: level the device and turn the field.
        row(
            "compass 30 from a tilted device",
            [](SensorsEmulationManager &m) {
                m.setAccelerometerValues(300, -200, 500);
                m.setCompassAzimuth(30);
            },
            {"setAccelerometerValues int32:300 int32:-200 int32:500",
             "setAccelerometerValues int32:0 int32:0 int32:1000",
             "setMagnetometerValues double:2.17945e-05 double:3.77492e-05 double:0"},
            [](SensorsEmulationManager &m) { QCOMPARE(m.compass()->azimuth(), 30); });
        row("axes", [](SensorsEmulationManager &m) {
            m.setMagnetometerX(-48.76);
            m.setMagnetometerY(1234567.0);
            m.setGyroscopeZ(1e-7);
            m.setAccelerometerX(-250);
            m.setAccelerometerY(9810);
            m.setMagnetometerCalibrationLevel(1);
        }, {"setMagnetometerX double:-48.76", "setMagnetometerY double:1.23457e+06", "setGyroscopeZ double:1e-07",
            "setAccelerometerX int32:-250", "setAccelerometerY int32:9810", "setMagnetometerCalibrationLevel int32:1"});
        row("local only", [](SensorsEmulationManager &m) {
            m.setOrientation(0);
            m.setOrientation(7);
            m.setMagneticFieldX(1.5);
            m.setSensorEnabled(QStringLiteral("als"), true);
        }, {});
        // Face down, face up, right up, left up, top down and top up: each differs from the one before.
        row("orientation presets", [](SensorsEmulationManager &m) {
            for (int orientation = 6; orientation >= 1; --orientation)
                m.setOrientation(orientation);
        }, {"setAccelerometerValues int32:0 int32:0 int32:-300", "setAccelerometerValues int32:0 int32:0 int32:300",
            "setAccelerometerValues int32:100 int32:0 int32:0", "setAccelerometerValues int32:-100 int32:0 int32:0",
            "setAccelerometerValues int32:0 int32:-100 int32:0", "setAccelerometerValues int32:0 int32:100 int32:0"},
            [](SensorsEmulationManager &m) { QCOMPARE(m.orientation()->orientation(), QOrientationReading::TopUp); });
        // Level and face up, heading east; the magnetic field and the switches stay.
        row(
            "defaults",
            [](SensorsEmulationManager &m) {
                setSomeValues(m);
                m.setSensorEnabled(QStringLiteral("als"), true);
                m.setDefaultValues();
            },
            someValuesSent
                + QStringList{"setAccelerometerValues int32:0 int32:0 int32:1000", "setAlsValue int32:100",
                              "setGyroscopeValues double:0 double:0 double:1.14592",
                              "setMagnetometerValues double:4.3e-05 double:0 double:0",
                              "setMagnetometerCalibrationLevel int32:0", "setProximitySensorValue int32:5",
                              "setTapSensorValue int32:-1"},
            [](SensorsEmulationManager &m) {
                QCOMPARE(m.compass()->calibrationLevel(), 0);
                QCOMPARE(m.magneticField()->z(), 3.5);
                QCOMPARE(m.sensorsEnabledStates().value(QStringLiteral("als")), QVariant(true));
            });
    }

    void commandLines()
    {
        QFETCH(Action, action);
        QFETCH(QStringList, expected);
        QFETCH(Action, check);
        QVERIFY(connectManager());
        action(m_rig->manager);
        QStringList lines;
        QVERIFY(takeLines(&lines));
        QCOMPARE(lines, expected);
        if (check)
            check(m_rig->manager);
    }

    void firstConnectionAsksThenRestores()
    {
        const QVariantMap stored{{"accelerometer_x", 12}, {"accelerometer_y", -3}, {"accelerometer_z", 980},
                                 {"magnetometer_y", 2e-05}, {"magnetometer_calib_level", 3}, {"gyroscope_x", 0.25},
                                 {"als", 2500}, {"proximity_reflectance", 7}, {"tap", 100}};
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            m_rig->settings.setValue("mimicry/" + it.key(), it.value());
        QSignalSpy initialized(&m_rig->manager, &SensorsEmulationManager::sensorsInitialized);
        int accelerometerXAtSignal = -1;
        connect(&m_rig->manager, &SensorsEmulationManager::sensorsInitialized, this,
                [&] { accelerometerXAtSignal = m_rig->manager.accelerometer()->x(); });
        QStringList lines;
        QVERIFY(connectManager(&lines));

        // Ask what the guest runs, then send what is stored, the defaults for the
        // rest and for what no page could have sent (tap 100).
        const QStringList restored{"setAccelerometerValues int32:12 int32:-3 int32:980",
                                   "setMagnetometerValues double:4.3e-05 double:2e-05 double:0",
                                   "setMagnetometerCalibrationLevel int32:3",
                                   "setGyroscopeValues double:0.25 double:0 double:1.14592",
                                   "setAlsValue int32:2500",
                                   "setProximitySensorValue int32:7",
                                   "setTapSensorValue int32:-1"};
        QStringList expected;
        for (const QString &name : sensorNames)
            expected << "enabled string:" + name;
        QCOMPARE(lines, calls(expected + restored));
        QCOMPARE(initialized.size(), 1);
        QCOMPARE(accelerometerXAtSignal, 12);
        for (const QString &name : sensorNames)
            QCOMPARE(m_rig->manager.sensorsEnabledStates().value(name), QVariant(false));
    }

    // Session values come back on a reconnecting guest, are stored at shutdown even when set on the
    // models directly, and come back after a restart from the settings file as a crash leaves it.
    void sessionValuesSurvive()
    {
        QVERIFY(connectManager());
        SensorsEmulationManager &m = m_rig->manager;
        m.setSensorAvailable(QStringLiteral("gyroscope"), false);
        setSomeValues(m);
        QStringList lines;
        QVERIFY(takeLines(&lines));
        m_rig->settings.sync();
        const QString snapshot = m_dir->filePath(QStringLiteral("snapshot.ini"));
        QVERIFY(QFile::copy(m_rig->settings.fileName(), snapshot));

        QSignalSpy initialized(&m, &SensorsEmulationManager::sensorsInitialized);
        QSignalSpy statesChanged(&m, &SensorsEmulationManager::sensorsEnabledStatesChanged);
        QSignalSpy availabilityChanged(&m, &SensorsEmulationManager::sensorsAvailabilityChanged);
        m_guest->dropClients();
        QVERIFY(initialized.wait(5000));
        QVERIFY(takeLines(&lines));
        // A guest that comes back runs exactly the sensors the device has.
        QStringList expected;
        for (const QString &name : sensorNames) {
            const char *method = name == QLatin1String("gyroscope") ? "disableSensor" : "enableSensor";
            expected << QLatin1String(method) + " string:" + name;
        }
        QCOMPARE(lines, calls(expected + someValuesRestored));
        QCOMPARE(statesChanged.size(), 8);
        QCOMPARE(availabilityChanged.size(), 8);
        QCOMPARE(initialized.size(), 1);
        QCOMPARE(m.sensorsEnabledStates(), m.sensorsAvailability());

        // Pages may write a model's property without going through the manager.
        m.accelerometer()->setX(77);
        m.magneticField()->setZ(-12.5);
        m.tap()->setTapDirection(TapModel::Z_Pos);
        const QString file = m_rig->settings.fileName();
        m_rig.reset();
        QSettings settings(file, QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("mimicry/accelerometer_x")).toInt(), 77);
        QCOMPARE(settings.value(QStringLiteral("mimicry/magnetic_field_z")).toDouble(), -12.5);
        QCOMPARE(settings.value(QStringLiteral("mimicry/tap")).toInt(), int(TapModel::Z_Pos));

        m_rig = std::make_unique<Rig>(snapshot, m_guest->url());
        QVERIFY(connectManager(&lines));
        QCOMPARE(lines.mid(sensorNames.size()), calls(someValuesRestored));
        const DoubleXYZModel *field = m_rig->manager.magneticField();
        QCOMPARE((QList<double>{field->x(), field->y(), field->z()}), (QList<double>{1.5, -2.5, 3.5}));
    }

    void enabledReplies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("sensor"); // whose state the reply sets, none when it is ignored
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("enabled");
        // The device has no such sensor, whatever the guest says.
        QTest::newRow("unavailable") << "enabled:accelerometer:true::" << "accelerometer" << false << false;
        QTest::newRow("capitals, empty parts, two arguments") << "ENABLED:||als|x:1::" << "als" << true << true;
        QTest::newRow("FALSE") << "enabled:gyroscope:FALSE::" << "gyroscope" << true << false;
        QTest::newRow("no such sensor") << "enabled:barometer:true::" << "" << true << false;
        QTest::newRow("other method") << "setAlsValue:accelerometer:true::" << "" << true << false;
    }

    void enabledReplies()
    {
        QFETCH(QString, reply);
        QFETCH(QString, sensor);
        QFETCH(bool, available);
        QFETCH(bool, enabled);
        QVERIFY(connectManager());
        SensorsEmulationManager &m = m_rig->manager;
        if (!available)
            m.setSensorAvailable(sensor, false);
        QVariantMap expected = m.sensorsEnabledStates();
        if (!sensor.isEmpty()) {
            // Starting the other way round, so that the change shows.
            m.setSensorEnabled(sensor, !enabled);
            expected.insert(sensor, enabled);
        }
        QStringList lines;
        QVERIFY(takeLines(&lines));
        QSignalSpy statesChanged(&m, &SensorsEmulationManager::sensorsEnabledStatesChanged);
        QSignalSpy replies(&m, &EmulationManager::replyFromEmulatorReceived);

        m_guest->sendToClients(reply);
        QVERIFY(replies.wait(5000));
        QCOMPARE(statesChanged.size(), sensor.isEmpty() ? 0 : 1);
        QCOMPARE(m.sensorsEnabledStates(), expected);
        QVERIFY(takeLines(&lines));
        QCOMPARE(lines, available ? QStringList() : calls({"disableSensor string:" + sensor}));
    }

private:
    // Opens the channel and takes what the manager sends on connecting.
    bool connectManager(QStringList *lines = nullptr)
    {
        QSignalSpy initialized(&m_rig->manager, &SensorsEmulationManager::sensorsInitialized);
        m_rig->channel.openConnection();
        QStringList ignored;
        return initialized.wait(5000) && takeLines(lines ? lines : &ignored);
    }

    // The guest sees lines in the order sent, so once a marker sent last has
    // arrived, everything before it has too.
    bool takeLines(QStringList *lines)
    {
        const QString marker = QStringLiteral("marker     ");
        m_rig->channel.sendCommand(QStringLiteral("marker"), {}, {}, {}, {}, {});
        if (!QTest::qWaitFor([&] { return m_guest->lines().contains(marker); }, 5000))
            return false;
        *lines = m_guest->lines();
        lines->removeAll(marker);
        m_guest->clearLines();
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeGuest> m_guest;
    std::unique_ptr<Rig> m_rig;
};

QTEST_MAIN(tst_SensorsEmulationManager)

#include "tst_sensorsemulationmanager.moc"
