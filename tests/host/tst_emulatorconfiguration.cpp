#include <hangar/emulator.h>
#include <hangar/emulatorconfiguration.h>
#include <hangar/sdk.h>
#include <hangar/simulatedvirtualmachine.h>

#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Rule = Hangar::VirtualMachine::PortForwardingRule;

class tst_EmulatorConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void emptyFileGetsADefaultEmulator();
    void addedRulesSurviveARestart();
    void brokenEntriesAreReported_data();
    void brokenEntriesAreReported();
};

void tst_EmulatorConfiguration::emptyFileGetsADefaultEmulator()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("emulators.ini"));
    Hangar::Sdk sdk;
    QString error;
    QVERIFY2(Hangar::EmulatorConfiguration(file, QStringLiteral("/bin/false")).load(&sdk, &error), qPrintable(error));

    QCOMPARE(sdk.emulators().size(), 1);
    Hangar::Emulator *emulator = sdk.emulators().constFirst();
    QCOMPARE(emulator->name(), QStringLiteral("Keel OS Emulator"));
    QVERIFY(!emulator->deviceModel().name.isEmpty());
    QVERIFY(emulator->virtualMachine()->isOff());
    QVERIFY(emulator->virtualMachine()->portForwardingRules().isEmpty());
    // The SDK's key pair exists once the emulator does.
    const QString key = emulator->virtualMachine()->sshParameters().privateKeyFile;
    QVERIFY(QFileInfo::exists(key));
    QVERIFY(QFileInfo::exists(key + QLatin1String(".pub")));
    QVERIFY(QSettings(file, QSettings::IniFormat).contains(QStringLiteral("emulators/1/name")));
}

void tst_EmulatorConfiguration::addedRulesSurviveARestart()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("emulators.ini"));
    QString error;
    {
        Hangar::Sdk sdk;
        QVERIFY(Hangar::EmulatorConfiguration(file, QStringLiteral("/bin/false")).load(&sdk, &error));
        Hangar::VirtualMachine *machine = sdk.emulators().constFirst()->virtualMachine();
        bool added = false;
        machine->addPortForwarding(QStringLiteral("mimicrytcp"), QStringLiteral("tcp"), 5454, 1234, this,
                                   [&added](bool ok) { added = ok; });
        QTRY_VERIFY(added);
    }
    Hangar::Sdk sdk;
    QVERIFY(Hangar::EmulatorConfiguration(file, QStringLiteral("/bin/false")).load(&sdk, &error));
    const QList<Rule> rules = sdk.emulators().constFirst()->virtualMachine()->portForwardingRules();
    QCOMPARE(rules.size(), 1);
    QCOMPARE(rules.at(0).name, QStringLiteral("mimicrytcp"));
    QCOMPARE(rules.at(0).protocol, QStringLiteral("tcp"));
    QCOMPARE(rules.at(0).hostPort, quint16(5454));
    QCOMPARE(rules.at(0).guestPort, quint16(1234));
}

void tst_EmulatorConfiguration::brokenEntriesAreReported_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("no name") << "name" << QVariant(QString());
    QTest::newRow("no SSH port") << "sshPort" << QVariant(0);
    QTest::newRow("no SSH key") << "sshKey" << QVariant(QString());
}

void tst_EmulatorConfiguration::brokenEntriesAreReported()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("emulators.ini"));
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.beginWriteArray(QStringLiteral("emulators"), 1);
        settings.setArrayIndex(0);
        settings.setValue(QStringLiteral("name"), QStringLiteral("Broken"));
        settings.setValue(QStringLiteral("sshPort"), 2299);
        settings.setValue(QStringLiteral("sshKey"), dir.filePath(QStringLiteral("key")));
        settings.setValue(key, value);
        settings.endArray();
    }
    Hangar::Sdk sdk;
    QString error;
    QVERIFY(!Hangar::EmulatorConfiguration(file, QStringLiteral("/bin/false")).load(&sdk, &error));
    QVERIFY2(error.contains(QStringLiteral("emulator 1 needs")), qPrintable(error));
    QVERIFY(sdk.emulators().isEmpty());
}

QTEST_GUILESS_MAIN(tst_EmulatorConfiguration)

#include "tst_emulatorconfiguration.moc"
