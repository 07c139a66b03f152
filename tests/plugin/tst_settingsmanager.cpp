#include <plugin/settingsmanager.h>

#include <idehost.h>

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using Mimicry::Internal::SettingsManager;

using Reader = std::function<QVariant(const SettingsManager &)>;
Q_DECLARE_METATYPE(Reader)

class tst_SettingsManager : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings.clear(); }

    // Every value the pages save, as another process reads it from the host's file.
    void writesLandUnderTheGroup()
    {
        SettingsManager settings;
        settings.saveGpsPosition(1, 2, 3);
        settings.saveAccelerometerValues(-5, 6, 7);
        settings.saveGyroscopeValues(0.5, -1, 25);
        settings.saveMagneticFieldValues(9.5, 0, -48.76);
        settings.saveMagnetometerValues(4.3e-05, 0, -1e-06);
        settings.saveAlsLux(80);
        settings.saveTapDirection(8);
        settings.saveProximityReflectance(10);
        settings.saveMagnetometerCalibrationLevel(3);
        settings.save3DModelRotationValues(10, 20, 30);
        settings.save3DModelPositionValues(-1, -2, -3);
        settings.saveDoNotShowAgainResetSensorsDialog(true);
        m_settings.sync();

        QSettings file(m_settings.fileName(), QSettings::IniFormat);
        file.beginGroup(QStringLiteral("mimicry"));
        QStringList written;
        for (const QString &key : file.allKeys())
            written << key + QLatin1Char('=') + file.value(key).toString();
        written.sort();
        const QStringList expected{"accelerometer_x=-5", "accelerometer_y=6", "accelerometer_z=7", "als=80",
                                   "do_not_show_again_reset_sensors_dialog=true", "gps_altitude=3", "gps_latitude=1",
                                   "gps_longitude=2", "gyroscope_x=0.5", "gyroscope_y=-1", "gyroscope_z=25",
                                   "magnetic_field_x=9.5", "magnetic_field_y=0", "magnetic_field_z=-48.76",
                                   "magnetometer_calib_level=3", "magnetometer_x=4.3e-05",
                                   "magnetometer_y=0", "magnetometer_z=-1e-06", "model_position_x=-1",
                                   "model_position_y=-2", "model_position_z=-3", "model_rotation_x=10",
                                   "model_rotation_y=20", "model_rotation_z=30", "proximity_reflectance=10", "tap=8"};
        QCOMPARE(written, expected);
    }

    // A missing key, or a hand-edited value the pages could not have sent, reads
    // as the key's default; the ends of each range are kept.
    void readsOnlyWhatThePagesCouldSend_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<Reader>("read");
        QTest::addColumn<QVariant>("expected");

        auto row = [](const char *name, const char *key, const char *stored, Reader read, QVariant expected) {
            QTest::newRow(name) << key << stored << read << expected;
        };
        using S = SettingsManager;
        row("accelerometer x missing", "accelerometer_x", nullptr, &S::readAccelerometerX, 0);
        row("magnetic field z missing", "magnetic_field_z", nullptr, &S::readMagneticFieldZ, -48.76);
        row("rotation z missing", "model_rotation_z", nullptr, &S::read3DModelRotationZ, 0.0);
        row("position x missing", "model_position_x", nullptr, &S::read3DModelPositionX, 0.0);
        row("tap above the last direction", "tap", "9", &S::readTapDirection, -1);
        row("tap below the enum", "tap", "-2", &S::readTapDirection, -1);
        row("tap last direction", "tap", "8", &S::readTapDirection, 8);
        row("accelerometer above 3 g", "accelerometer_z", "3001", &S::readAccelerometerZ, 1000);
        row("accelerometer at -3 g", "accelerometer_z", "-3000", &S::readAccelerometerZ, -3000);
        row("accelerometer fraction", "accelerometer_z", "500.5", &S::readAccelerometerZ, 1000);
        row("gyroscope at 25", "gyroscope_x", "25", &S::readGyroscopeX, 25.0);
        row("gyroscope above 25", "gyroscope_x", "25.001", &S::readGyroscopeX, 0.0);
        row("magnetometer at -65 uT", "magnetometer_x", "-6.5e-05", &S::readMagnetometerX, -6.5e-05);
        row("magnetometer above 65 uT", "magnetometer_x", "6.6e-05", &S::readMagnetometerX, 4.3e-05);
        row("magnetic field at 100 uT", "magnetic_field_y", "100", &S::readMagneticFieldY, 100.0);
        row("magnetic field below -100 uT", "magnetic_field_y", "-100.5", &S::readMagneticFieldY, 5.95);
        row("calibration above 3", "magnetometer_calib_level", "4", &S::readMagnetometerCalibrationLevel, 0);
        row("calibration below 0", "magnetometer_calib_level", "-1", &S::readMagnetometerCalibrationLevel, 0);
        row("lux at -1", "als", "-1", &S::readAlsLux, -1);
        row("lux at 3000", "als", "3000", &S::readAlsLux, 3000);
        row("lux above 3000", "als", "3001", &S::readAlsLux, 100);
        row("reflectance at 0", "proximity_reflectance", "0", &S::readProximityReflectance, 0);
        row("reflectance above 10", "proximity_reflectance", "11", &S::readProximityReflectance, 5);
        row("latitude at -90", "gps_latitude", "-90", &S::readGpsLatitude, -90.0);
        row("latitude above 90", "gps_latitude", "90.0000001", &S::readGpsLatitude, 0.0);
        row("longitude at 180", "gps_longitude", "180", &S::readGpsLongitude, 180.0);
        row("longitude below -180", "gps_longitude", "-180.5", &S::readGpsLongitude, 0.0);
        row("altitude kept", "gps_altitude", "-420.5", &S::readGpsAltitude, -420.5);
        row("rotation kept", "model_rotation_x", "-720.5", &S::read3DModelRotationX, -720.5);
        const char flagKey[] = "do_not_show_again_reset_sensors_dialog";
        row("flag as text", flagKey, "maybe", &S::readDoNotShowAgainResetSensorsDialog, false);
        row("flag true", flagKey, "true", &S::readDoNotShowAgainResetSensorsDialog, true);
    }

    void readsOnlyWhatThePagesCouldSend()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(Reader, read);
        QFETCH(QVariant, expected);

        // What the host reads from a hand-written file: text.
        if (!stored.isNull())
            m_settings.setValue(QLatin1String("mimicry/") + key, stored);
        SettingsManager settings;
        const QVariant value = read(settings);
        QCOMPARE(value.userType(), expected.userType());
        QCOMPARE(value, expected);
    }

private:
    QTemporaryDir m_dir;
    QSettings m_settings{m_dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat};
    IdeHost m_host{&m_settings};
};

QTEST_MAIN(tst_SettingsManager)

#include "tst_settingsmanager.moc"
