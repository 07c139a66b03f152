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

void writeConfig(const QString &file, const QVariant &deviceName, const QVariantMap &sensors)
{
    QSettings config(QDir(configsDir()).filePath(file), QSettings::IniFormat);
    if (deviceName.isValid())
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
    void init();
    void cleanup();
    void deviceModelSelectsItsFile_data();
    void deviceModelSelectsItsFile();
    void switchingModelsKeepsUnlistedSensors();

private:
    void startHost();
    Hangar::Emulator *addEmulator(const QString &deviceModel);
    QVariantMap managerMap(const char *property) const;

    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
};

void tst_SensorsConfigs::init()
{
    QDir(configsDir()).removeRecursively();
    m_settingsDir = std::make_unique<QTemporaryDir>();
}

void tst_SensorsConfigs::cleanup()
{
    m_host.reset();
    m_settings.reset();
    m_settingsDir.reset();
    QDir(configsDir()).removeRecursively();
}

void tst_SensorsConfigs::startHost()
{
    m_settings = std::make_unique<QSettings>(m_settingsDir->filePath(QStringLiteral("host.ini")),
                                             QSettings::IniFormat);
    m_host = std::make_unique<IdeHost>(m_settings.get());
    m_host->loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
    QVERIFY(m_host->errors().isEmpty());
}

Hangar::Emulator *tst_SensorsConfigs::addEmulator(const QString &deviceModel)
{
    auto emulator = std::make_unique<Hangar::Emulator>(QStringLiteral("Emulator"),
                                                       new Hangar::VirtualMachine(QStringLiteral("vm")));
    emulator->setDeviceModel({deviceModel});
    Hangar::Emulator *result = emulator.get();
    m_host->sdk()->addEmulator(std::move(emulator));
    return result;
}

QVariantMap tst_SensorsConfigs::managerMap(const char *property) const
{
    return mimicryContextObject("sensorsEmulationManager")->property(property).toMap();
}

void tst_SensorsConfigs::deviceModelSelectsItsFile_data()
{
    QTest::addColumn<bool>("withFiles");
    QTest::addColumn<QString>("deviceModel");
    QTest::addColumn<QStringList>("unavailable");
    // Without a configuration every sensor is switched on; with one, only the
    // listed sensors are touched and the others stay as the guest has them.
    QTest::addColumn<QStringList>("untouched");

    QTest::newRow("no directory") << false << "Phone A" << QStringList() << QStringList();
    QTest::newRow("configured model") << true << "Phone A" << QStringList{"gyroscope"}
                                      << QStringList{"als", "compass", "magnetometer", "orientation", "proximity", "tap"};
    QTest::newRow("names are case-sensitive") << true << "phone a" << QStringList() << QStringList();
    QTest::newRow("file without a device name")
        << true << "" << QStringList{"als", "tap"}
        << QStringList{"accelerometer", "compass", "gyroscope", "magnetometer", "orientation", "proximity"};
    QTest::newRow("values as settings read them")
        << true << "Phone C" << QStringList{"compass", "proximity", "tap"}
        << QStringList{"accelerometer", "gyroscope", "magnetometer", "orientation"};
    // The key would travel into the guest's command line as it is.
    QTest::newRow("key that is no sensor name")
        << true << "Phone H" << QStringList{"tap"}
        << QStringList{"accelerometer", "als", "compass", "gyroscope", "magnetometer", "orientation", "proximity"};
}

void tst_SensorsConfigs::deviceModelSelectsItsFile()
{
    QFETCH(bool, withFiles);
    QFETCH(QString, deviceModel);
    QFETCH(QStringList, unavailable);
    QFETCH(QStringList, untouched);

    if (withFiles) {
        QVERIFY(QDir().mkpath(configsDir()));
        writeConfig("phone-a.ini", "Phone A", {{"accelerometer", true}, {"gyroscope", false}});
        writeConfig("nameless.INI", QVariant(), {{"als", false}, {"tap", "0"}});
        writeConfig("phone-c.ini", "Phone C",
                    {{"compass", "FALSE"}, {"proximity", ""}, {"tap", "0"}, {"als", "yes"}});
        writeConfig("not-a-config.txt", "Phone A", {{"accelerometer", false}});
        QFile hostile(QDir(configsDir()).filePath("hostile.ini"));
        QVERIFY(hostile.open(QIODevice::WriteOnly));
        hostile.write("device-name=Phone H\n[sensors]\naccelerometer int32:5=true\ntap=false\n");
        hostile.close();
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("unknown sensor \"accelerometer int32:5\" in \".*/hostile\\.ini\"$"));
    }
    startHost();
    addEmulator(deviceModel);

    const QVariantMap availability = managerMap("sensorsAvailability");
    const QVariantMap enabled = managerMap("sensorsEnabledStates");
    QCOMPARE(availability.keys(), sensorNames);
    for (const QString &sensor : sensorNames) {
        const bool available = !unavailable.contains(sensor);
        QVERIFY2(availability.value(sensor).toBool() == available, qPrintable(sensor));
        QVERIFY2(enabled.value(sensor).toBool() == (available && !untouched.contains(sensor)), qPrintable(sensor));
    }
}

void tst_SensorsConfigs::switchingModelsKeepsUnlistedSensors()
{
    QVERIFY(QDir().mkpath(configsDir()));
    writeConfig("a.ini", "Phone A", {{"accelerometer", true}, {"gyroscope", false}});
    writeConfig("b.ini", "Phone B", {{"accelerometer", false}, {"tap", false}});
    startHost();
    Hangar::Emulator *emulator = addEmulator(QStringLiteral("Phone A"));

    emulator->setDeviceModel({QStringLiteral("Phone B")});
    QVariantMap availability = managerMap("sensorsAvailability");
    QCOMPARE(availability.value("accelerometer").toBool(), false);
    QCOMPARE(availability.value("tap").toBool(), false);
    // Only Phone A's file speaks of the gyroscope.
    QCOMPARE(availability.value("gyroscope").toBool(), false);
    QCOMPARE(availability.value("als").toBool(), true);

    // A model without a file gets every sensor again.
    emulator->setDeviceModel({QStringLiteral("Phone Z")});
    availability = managerMap("sensorsAvailability");
    for (const QString &sensor : sensorNames)
        QVERIFY2(availability.value(sensor).toBool(), qPrintable(sensor));
}

QTEST_MAIN(tst_SensorsConfigs)

#include "tst_sensorsconfigs.moc"
