#include "emulatorconfiguration.h"

#include "emulator.h"
#include "sdk.h"
#include "simulatedvirtualmachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace Hangar {

namespace {

const char emulatorsArray[] = "emulators";

QStringList defaultPackages()
{
    return {QStringLiteral("sensorfw-qt5-emulator-plugins-0.14.2-1.i486"),
            QStringLiteral("remote-dbus-invoker-1.0.3-1.i486"),
            QStringLiteral("geoclue-emulator-0.3.1-1.i486"),
            QStringLiteral("gstreamer-emulator-1.2.0-1.i486"),
            QStringLiteral("qt5-qtbase-5.15.8-1.i486"),
            QStringLiteral("bash-5.1.16-1.i486")};
}

QString ruleText(const VirtualMachine::PortForwardingRule &rule)
{
    return QStringLiteral("%1:%2:%3:%4").arg(rule.name, rule.protocol).arg(rule.hostPort).arg(rule.guestPort);
}

bool parseRule(const QString &text, VirtualMachine::PortForwardingRule *rule)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 4)
        return false;
    bool hostOk = false;
    bool guestOk = false;
    const uint host = parts.at(2).toUInt(&hostOk);
    const uint guest = parts.at(3).toUInt(&guestOk);
    if (!hostOk || !guestOk || host == 0 || host > 65535 || guest == 0 || guest > 65535)
        return false;
    *rule = {parts.at(0), parts.at(1), quint16(host), quint16(guest)};
    return true;
}

bool ensureKey(const QString &keyFile, QString *error)
{
    if (QFileInfo::exists(keyFile) && QFileInfo::exists(keyFile + QLatin1String(".pub")))
        return true;
    QDir().mkpath(QFileInfo(keyFile).absolutePath());
    QFile::remove(keyFile);
    QFile::remove(keyFile + QLatin1String(".pub"));
    QProcess keygen;
    keygen.setProcessChannelMode(QProcess::MergedChannels);
    keygen.start(QStringLiteral("ssh-keygen"), {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                                                QStringLiteral("-N"), QString(), QStringLiteral("-C"),
                                                QStringLiteral("keel-sdk"), QStringLiteral("-f"), keyFile});
    if (!keygen.waitForFinished(10000) || keygen.exitCode() != 0) {
        *error = QStringLiteral("cannot generate the SSH key %1: %2%3")
                     .arg(keyFile, keygen.errorString(), QString::fromLocal8Bit(keygen.readAll()));
        return false;
    }
    return true;
}

} // namespace

QString EmulatorConfiguration::defaultPath()
{
    const QString path = qEnvironmentVariable("MIMICRY_EMULATORS_CONFIG");
    if (!path.isEmpty())
        return path;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QLatin1String("/Mimicry/emulators.ini");
}

QString EmulatorConfiguration::defaultProgram()
{
    const QString program = qEnvironmentVariable("MIMICRY_EMULATOR_PROGRAM");
    if (!program.isEmpty())
        return program;
    return QCoreApplication::applicationDirPath() + QLatin1String("/mimicry-emulator");
}

EmulatorConfiguration::EmulatorConfiguration(const QString &path, const QString &program)
    : m_path(path)
    , m_program(program)
{}

bool EmulatorConfiguration::load(Sdk *sdk, QString *error)
{
    QSettings settings(m_path, QSettings::IniFormat);
    const QString stateRoot = QFileInfo(m_path).absolutePath() + QLatin1String("/emulators");
    const int count = settings.beginReadArray(QLatin1String(emulatorsArray));
    settings.endArray();
    if (count == 0) {
        settings.beginWriteArray(QLatin1String(emulatorsArray), 1);
        settings.setArrayIndex(0);
        settings.setValue(QStringLiteral("name"), QStringLiteral("Keel OS Emulator"));
        settings.setValue(QStringLiteral("deviceModel"), QStringLiteral("Keel Phone X"));
        settings.setValue(QStringLiteral("sshPort"), 2223);
        settings.setValue(QStringLiteral("sshKey"), stateRoot + QLatin1String("/1/ssh/id_ed25519"));
        settings.setValue(QStringLiteral("packages"), defaultPackages());
        settings.setValue(QStringLiteral("guestAddress"), QStringLiteral("127.0.0.2"));
        settings.setValue(QStringLiteral("rules"), QStringList());
        settings.endArray();
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            *error = QStringLiteral("cannot write %1").arg(m_path);
            return false;
        }
    }

    const int size = settings.beginReadArray(QLatin1String(emulatorsArray));
    for (int i = 0; i < size; ++i) {
        settings.setArrayIndex(i);
        const QString name = settings.value(QStringLiteral("name")).toString();
        SimulatedVirtualMachine::Settings machine;
        machine.program = m_program;
        machine.stateDir = stateRoot + QLatin1Char('/') + QString::number(i + 1);
        machine.sshPort = quint16(settings.value(QStringLiteral("sshPort")).toUInt());
        machine.sshKeyFile = settings.value(QStringLiteral("sshKey")).toString();
        machine.packages = settings.value(QStringLiteral("packages")).toStringList();
        machine.guestAddress = settings.value(QStringLiteral("guestAddress"), QStringLiteral("127.0.0.2")).toString();
        if (name.isEmpty() || machine.sshPort == 0 || machine.sshKeyFile.isEmpty()) {
            *error = QStringLiteral("%1: emulator %2 needs a name, an SSH port and an SSH key file")
                         .arg(m_path)
                         .arg(i + 1);
            settings.endArray();
            return false;
        }
        if (!ensureKey(machine.sshKeyFile, error)) {
            settings.endArray();
            return false;
        }
        QList<VirtualMachine::PortForwardingRule> rules;
        const QStringList ruleTexts = settings.value(QStringLiteral("rules")).toStringList();
        for (const QString &text : ruleTexts) {
            VirtualMachine::PortForwardingRule rule;
            if (parseRule(text, &rule))
                rules.append(rule);
        }

        auto virtualMachine = new SimulatedVirtualMachine(name, machine);
        virtualMachine->setPortForwardingRules(rules);
        auto emulator = std::make_unique<Emulator>(name, virtualMachine);
        emulator->setDeviceModel({settings.value(QStringLiteral("deviceModel")).toString()});
        watch(sdk, virtualMachine);
        sdk->addEmulator(std::move(emulator));
    }
    settings.endArray();
    return true;
}

void EmulatorConfiguration::watch(Sdk *sdk, SimulatedVirtualMachine *machine) const
{
    const EmulatorConfiguration configuration = *this;
    QObject::connect(machine, &VirtualMachine::portForwardingChanged, machine,
                     [configuration, sdk] { configuration.save(sdk); });
}

void EmulatorConfiguration::save(Sdk *sdk) const
{
    QSettings settings(m_path, QSettings::IniFormat);
    const QList<Emulator *> emulators = sdk->emulators();
    const int size = settings.beginReadArray(QLatin1String(emulatorsArray));
    settings.endArray();
    // Only the rules change at run time; everything else stays as written.
    settings.beginWriteArray(QLatin1String(emulatorsArray), size);
    for (int i = 0; i < size; ++i) {
        settings.setArrayIndex(i);
        const QString name = settings.value(QStringLiteral("name")).toString();
        for (const Emulator *emulator : emulators) {
            if (emulator->name() != name)
                continue;
            QStringList rules;
            const QList<VirtualMachine::PortForwardingRule> machineRules
                = emulator->virtualMachine()->portForwardingRules();
            for (const VirtualMachine::PortForwardingRule &rule : machineRules)
                rules.append(ruleText(rule));
            settings.setValue(QStringLiteral("rules"), rules);
            break;
        }
    }
    settings.endArray();
}

} // namespace Hangar
