#include <plugin/settingsmanager.h>

#include <idehost.h>

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using Mimicry::Internal::SettingsManager;

class tst_SettingsManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void defaultsOnAFreshFile_data();
    void defaultsOnAFreshFile();
    void writesLandUnderTheGroup_data();
    void writesLandUnderTheGroup();
    void instancesShareTheHostSettings();
    void garbageReadsAsTheDefault_data();
    void garbageReadsAsTheDefault();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
};

using Reader = std::function<QVariant(const SettingsManager &)>;
Q_DECLARE_METATYPE(Reader)
using Writer = std::function<void(SettingsManager &)>;
Q_DECLARE_METATYPE(Writer)

void tst_SettingsManager::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<QSettings>(m_dir->filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    m_host = std::make_unique<IdeHost>(m_settings.get());
}

void tst_SettingsManager::cleanup()
{
    m_host.reset();
    m_settings.reset();
    m_dir.reset();
}

void tst_SettingsManager::defaultsOnAFreshFile_data()
{
    QTest::addColumn<Reader>("read");
    QTest::addColumn<QVariant>("expected");

    auto row = [](const char *name, Reader read, QVariant expected) {
        QTest::newRow(name) << read << expected;
    };
    row("accelerometer x", [](const SettingsManager &s) { return s.readAccelerometerX(); }, 0);
    row("gyroscope z", [](const SettingsManager &s) { return s.readGyroscopeZ(); }, 1.1459155902616465);
    row("magnetic field z", [](const SettingsManager &s) { return s.readMagneticFieldZ(); }, -48.76);
    row("model rotation z", [](const SettingsManager &s) { return s.read3DModelRotationZ(); }, 0.0);
    row("model position x", [](const SettingsManager &s) { return s.read3DModelPositionX(); }, 0.0);
}

void tst_SettingsManager::defaultsOnAFreshFile()
{
    QFETCH(Reader, read);
    QFETCH(QVariant, expected);
    SettingsManager settings;
    const QVariant value = read(settings);
    QCOMPARE(value.userType(), expected.userType());
    QCOMPARE(value, expected);
    QVERIFY(m_settings->allKeys().isEmpty());
}

void tst_SettingsManager::writesLandUnderTheGroup_data()
{
    QTest::addColumn<Writer>("write");
    QTest::addColumn<QVariantMap>("stored");

    QTest::newRow("gps position") << Writer([](SettingsManager &s) { s.saveGpsPosition(1, 2, 3); })
                                  << QVariantMap{{"mimicry/gps_latitude", 1.0},
                                                 {"mimicry/gps_longitude", 2.0},
                                                 {"mimicry/gps_altitude", 3.0}};
    QTest::newRow("accelerometer") << Writer([](SettingsManager &s) { s.saveAccelerometerValues(-5, 6, 7); })
                                   << QVariantMap{{"mimicry/accelerometer_x", -5},
                                                  {"mimicry/accelerometer_y", 6},
                                                  {"mimicry/accelerometer_z", 7}};
    QTest::newRow("magnetometer") << Writer([](SettingsManager &s) { s.saveMagnetometerValues(4.3e-05, 0, -1e-06); })
                                  << QVariantMap{{"mimicry/magnetometer_x", 4.3e-05},
                                                 {"mimicry/magnetometer_y", 0.0},
                                                 {"mimicry/magnetometer_z", -1e-06}};
    QTest::newRow("single values") << Writer([](SettingsManager &s) {
        s.saveAlsLux(80);
        s.saveTapDirection(8);
        s.saveProximityReflectance(10);
        s.saveMagnetometerCalibrationLevel(3);
    }) << QVariantMap{{"mimicry/als", 80}, {"mimicry/tap", 8}, {"mimicry/proximity_reflectance", 10},
                      {"mimicry/magnetometer_calib_level", 3}};
    QTest::newRow("3d model") << Writer([](SettingsManager &s) {
        s.save3DModelRotationValues(10, 20, 30);
        s.save3DModelPositionValues(-1, -2, -3);
    }) << QVariantMap{{"mimicry/model_rotation_x", 10.0}, {"mimicry/model_rotation_y", 20.0},
                      {"mimicry/model_rotation_z", 30.0}, {"mimicry/model_position_x", -1.0},
                      {"mimicry/model_position_y", -2.0}, {"mimicry/model_position_z", -3.0}};
    QTest::newRow("dialog flag") << Writer([](SettingsManager &s) { s.saveDoNotShowAgainResetSensorsDialog(true); })
                                 << QVariantMap{{"mimicry/do_not_show_again_reset_sensors_dialog", true}};
}

void tst_SettingsManager::writesLandUnderTheGroup()
{
    QFETCH(Writer, write);
    QFETCH(QVariantMap, stored);

    SettingsManager settings;
    write(settings);
    m_settings->sync();

    // What another process reads from the file.
    QSettings file(m_settings->fileName(), QSettings::IniFormat);
    const QStringList keys = file.allKeys();
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()), QSet<QString>(stored.keyBegin(), stored.keyEnd()));
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        QCOMPARE(file.value(it.key()).toString(), it.value().toString());
}

void tst_SettingsManager::instancesShareTheHostSettings()
{
    SettingsManager first;
    SettingsManager second;
    first.saveDoNotShowAgainResetSensorsDialog(true);
    QCOMPARE(second.readDoNotShowAgainResetSensorsDialog(), true);
    second.saveGpsLatitude(-33.8688);
    QCOMPARE(first.readGpsLatitude(), -33.8688);
    second.saveMagneticFieldValues(1.5, 2.5, 3.5);
    QCOMPARE(first.readMagneticFieldZ(), 3.5);
}

// A hand-edited or damaged file: whatever the pages could not have sent
// reads as the key's default, and the ends of each range are kept.
void tst_SettingsManager::garbageReadsAsTheDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<Reader>("read");
    QTest::addColumn<QVariant>("expected");

    const Reader tap = [](const SettingsManager &s) { return s.readTapDirection(); };
    const Reader accelerometerZ = [](const SettingsManager &s) { return s.readAccelerometerZ(); };
    const Reader gyroscopeX = [](const SettingsManager &s) { return s.readGyroscopeX(); };
    const Reader magnetometerX = [](const SettingsManager &s) { return s.readMagnetometerX(); };
    const Reader magneticFieldY = [](const SettingsManager &s) { return s.readMagneticFieldY(); };
    const Reader calibration = [](const SettingsManager &s) { return s.readMagnetometerCalibrationLevel(); };
    const Reader als = [](const SettingsManager &s) { return s.readAlsLux(); };
    const Reader proximity = [](const SettingsManager &s) { return s.readProximityReflectance(); };
    const Reader latitude = [](const SettingsManager &s) { return s.readGpsLatitude(); };
    const Reader longitude = [](const SettingsManager &s) { return s.readGpsLongitude(); };
    const Reader altitude = [](const SettingsManager &s) { return s.readGpsAltitude(); };
    const Reader rotationX = [](const SettingsManager &s) { return s.read3DModelRotationX(); };
    const Reader flag = [](const SettingsManager &s) { return s.readDoNotShowAgainResetSensorsDialog(); };

    auto row = [](const char *name, const char *key, const char *stored, const Reader &read, QVariant expected) {
        QTest::newRow(name) << key << stored << read << expected;
    };
    row("tap above the enum", "tap", "100", tap, -1);
    row("tap below the enum", "tap", "-2", tap, -1);
    row("tap as a name", "tap", "Y_Neg", tap, -1);
    row("tap last direction", "tap", "8", tap, 8);
    row("accelerometer above 3 g", "accelerometer_z", "3001", accelerometerZ, 1000);
    row("accelerometer at -3 g", "accelerometer_z", "-3000", accelerometerZ, -3000);
    row("accelerometer beyond int", "accelerometer_z", "99999999999", accelerometerZ, 1000);
    row("accelerometer fraction", "accelerometer_z", "500.5", accelerometerZ, 1000);
    row("accelerometer text", "accelerometer_z", "lots", accelerometerZ, 1000);
    row("gyroscope at 25", "gyroscope_x", "25", gyroscopeX, 25.0);
    row("gyroscope above 25", "gyroscope_x", "25.001", gyroscopeX, 0.0);
    row("gyroscope nan", "gyroscope_x", "nan", gyroscopeX, 0.0);
    row("gyroscope huge", "gyroscope_x", "1e308", gyroscopeX, 0.0);
    row("magnetometer at -65 uT", "magnetometer_x", "-6.5e-05", magnetometerX, -6.5e-05);
    row("magnetometer above 65 uT", "magnetometer_x", "6.6e-05", magnetometerX, 4.3e-05);
    row("magnetic field at 100 uT", "magnetic_field_y", "100", magneticFieldY, 100.0);
    row("magnetic field below -100 uT", "magnetic_field_y", "-100.5", magneticFieldY, 5.95);
    row("calibration at 3", "magnetometer_calib_level", "3", calibration, 3);
    row("calibration above 3", "magnetometer_calib_level", "4", calibration, 0);
    row("calibration below 0", "magnetometer_calib_level", "-1", calibration, 0);
    row("lux at -1", "als", "-1", als, -1);
    row("lux at 3000", "als", "3000", als, 3000);
    row("lux above 3000", "als", "3001", als, 100);
    row("reflectance at 0", "proximity_reflectance", "0", proximity, 0);
    row("reflectance above 10", "proximity_reflectance", "11", proximity, 5);
    row("latitude at -90", "gps_latitude", "-90", latitude, -90.0);
    row("latitude above 90", "gps_latitude", "90.0000001", latitude, 0.0);
    row("latitude inf", "gps_latitude", "inf", latitude, 0.0);
    row("longitude at 180", "gps_longitude", "180", longitude, 180.0);
    row("longitude below -180", "gps_longitude", "-180.5", longitude, 0.0);
    row("longitude overflowing", "gps_longitude", "1e400", longitude, 0.0);
    row("altitude -inf", "gps_altitude", "-inf", altitude, 0.0);
    row("altitude text", "gps_altitude", "high", altitude, 0.0);
    row("rotation nan", "model_rotation_x", "nan", rotationX, 0.0);
    row("rotation kept", "model_rotation_x", "-720.5", rotationX, -720.5);
    row("flag as 0", "do_not_show_again_reset_sensors_dialog", "0", flag, false);
    row("flag as text", "do_not_show_again_reset_sensors_dialog", "maybe", flag, false);
    row("flag true", "do_not_show_again_reset_sensors_dialog", "true", flag, true);
}

void tst_SettingsManager::garbageReadsAsTheDefault()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(Reader, read);
    QFETCH(QVariant, expected);

    // What the host reads from a hand-written file: text.
    m_settings->setValue(QLatin1String("mimicry/") + key, stored);
    SettingsManager settings;
    const QVariant value = read(settings);
    QCOMPARE(value.userType(), expected.userType());
    QCOMPARE(value, expected);
}

QTEST_MAIN(tst_SettingsManager)

#include "tst_settingsmanager.moc"
