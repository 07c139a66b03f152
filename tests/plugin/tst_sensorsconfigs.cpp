#include <idehost.h>

#include "mimicrywindow.h"

#include <hangar/emulator.h>
#include <hangar/sdk.h>
#include <hangar/virtualmachine.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Where the plug-in looks, relative to this executable as to the IDE's.
QString configsDir()
{
    return QCoreApplication::applicationDirPath() + QLatin1String("/../share/qtcreator/sensors-emulation-configs");
}

void writeConfig(const QString &file, const QString &deviceName, const QVariantMap &sensors)
{
    QSettings config(QDir(configsDir()).filePath(file), QSettings::IniFormat);
    config.setValue(QStringLiteral("device-name"), deviceName);
    config.beginGroup(QStringLiteral("sensors"));
    for (auto it = sensors.cbegin(); it != sensors.cend(); ++it)
        config.setValue(it.key(), it.value());
    config.endGroup();
}

const QStringList sensorNames{"accelerometer", "als", "compass", "gyroscope",
                              "magnetometer", "orientation", "proximity", "tap"};

} // namespace

class tst_SensorsConfigs : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void deviceModelSelectsItsFile_data();
    void deviceModelSelectsItsFile();
};

void tst_SensorsConfigs::cleanup()
{
    QDir(configsDir()).removeRecursively();
}

void tst_SensorsConfigs::deviceModelSelectsItsFile_data()
{
    QTest::addColumn<bool>("withFiles");
    QTest::addColumn<QString>("firstModel");
    QTest::addColumn<QString>("deviceModel");
    QTest::addColumn<QStringList>("unavailable");
    // Without a configuration every sensor is switched on; with one, only the
    // listed sensors are touched and the others stay as they were.
    QTest::addColumn<QStringList>("untouched");

    const QStringList unlistedInA{"als", "compass", "magnetometer", "orientation", "proximity", "tap"};
    QTest::newRow("no directory") << false << "" << "Phone A" << QStringList() << QStringList();
    QTest::newRow("configured model") << true << "" << "Phone A" << QStringList{"gyroscope"} << unlistedInA;
    QTest::newRow("renamed from a model without a file")
        << true << "Phone Z" << "Phone A" << QStringList{"gyroscope"} << QStringList();
    // The key would travel into the guest's command line as it is.
    QTest::newRow("key that is no sensor name")
        << true << "" << "Phone H" << QStringList{"tap"}
        << QStringList{"accelerometer", "als", "compass", "gyroscope", "magnetometer", "orientation", "proximity"};
}

void tst_SensorsConfigs::deviceModelSelectsItsFile()
{
    QFETCH(bool, withFiles);
    QFETCH(QString, firstModel);
    QFETCH(QString, deviceModel);
    QFETCH(QStringList, unavailable);
    QFETCH(QStringList, untouched);

    if (withFiles) {
        QVERIFY(QDir().mkpath(configsDir()));
        writeConfig("phone-a.ini", "Phone A", {{"accelerometer", true}, {"gyroscope", false}});
        writeConfig("not-a-config.txt", "Phone A", {{"accelerometer", false}});
        QFile hostile(QDir(configsDir()).filePath("hostile.ini"));
        QVERIFY(hostile.open(QIODevice::WriteOnly));
        hostile.write("device-name=Phone H\n[sensors]\naccelerometer int32:5=true\ntap=false\n");
        hostile.close();
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("unknown sensor \"accelerometer int32:5\" in \".*/hostile\\.ini\"$"));
    }
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    IdeHost host(&settings);
    host.loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
    QVERIFY(host.errors().isEmpty());
    auto emulator = std::make_unique<Hangar::Emulator>(QStringLiteral("Emulator"),
                                                       new Hangar::VirtualMachine(QStringLiteral("vm")));
    emulator->setDeviceModel({firstModel.isEmpty() ? deviceModel : firstModel});
    Hangar::Emulator *added = emulator.get();
    host.sdk()->addEmulator(std::move(emulator));
    added->setDeviceModel({deviceModel});

    QObject *manager = mimicryContextObject("sensorsEmulationManager");
    const QVariantMap availability = manager->property("sensorsAvailability").toMap();
    const QVariantMap enabled = manager->property("sensorsEnabledStates").toMap();
    QCOMPARE(availability.keys(), sensorNames);
    for (const QString &sensor : sensorNames) {
        const bool available = !unavailable.contains(sensor);
        QVERIFY2(availability.value(sensor).toBool() == available, qPrintable(sensor));
        QVERIFY2(enabled.value(sensor).toBool() == (available && !untouched.contains(sensor)), qPrintable(sensor));
    }
}

QTEST_MAIN(tst_SensorsConfigs)

#include "tst_sensorsconfigs.moc"
