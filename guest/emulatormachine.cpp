#include "emulatormachine.h"

#include "camerareceiver.h"
#include "commandservice.h"
#include "inspectadaptor.h"
#include "portforwarder.h"
#include "positioningservice.h"
#include "sensorservice.h"

#include <QDBusConnection>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Guest {

namespace {

const char systemBusConnection[] = "mimicry-guest-system";
const char sessionBusConnection[] = "mimicry-guest-session";
const char machineService[] = "org.mimicry.Machine";
const char machinePath[] = "/org/mimicry/Machine";
const char cameraService[] = "org.mimicry.CameraReceiver";
const char cameraPath[] = "/org/mimicry/CameraReceiver";

bool writeFile(const QString &fileName, const QByteArray &content, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()) {
        *error = QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

} // namespace

EmulatorMachine::EmulatorMachine(const Settings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{}

EmulatorMachine::~EmulatorMachine()
{
    stop();
}

QString EmulatorMachine::path(const QString &name) const
{
    return QDir(m_settings.stateDir).filePath(name);
}

bool EmulatorMachine::start(QString *error)
{
    if (!QDir().mkpath(path(QStringLiteral("run"))) || !QDir().mkpath(path(QStringLiteral("bin")))) {
        *error = QStringLiteral("cannot create the state directory %1").arg(m_settings.stateDir);
        return false;
    }
    return startBuses(error) && startServices(error) && startCommandService(error) && startSsh(error)
           && startForwarding(error);
}

bool EmulatorMachine::startBuses(QString *error)
{
    const QString runtimeDir = path(QStringLiteral("run"));
    if (!m_systemBus.start(runtimeDir, QStringLiteral("system"), error)
        || !m_sessionBus.start(runtimeDir, QStringLiteral("session"), error)) {
        return false;
    }
    // Tests and tools find the guest's buses here.
    return writeFile(path(QStringLiteral("run/system_bus_address")), m_systemBus.address().toUtf8(), error)
           && writeFile(path(QStringLiteral("run/session_bus_address")), m_sessionBus.address().toUtf8(), error);
}

bool EmulatorMachine::startServices(QString *error)
{
    const QDBusConnection system = QDBusConnection::connectToBus(m_systemBus.address(),
                                                                 QLatin1String(systemBusConnection));
    const QDBusConnection session = QDBusConnection::connectToBus(m_sessionBus.address(),
                                                                  QLatin1String(sessionBusConnection));
    if (!system.isConnected() || !session.isConnected()) {
        *error = QStringLiteral("cannot connect to the guest's buses");
        return false;
    }

    m_sensorService = std::make_unique<SensorService>(system);
    m_positioningService = std::make_unique<PositioningService>(session);
    if (!m_sensorService->registerService() || !m_positioningService->registerService()) {
        *error = QStringLiteral("cannot register the sensor and positioning services");
        return false;
    }

    m_cameraReceiver = std::make_unique<CameraReceiver>();
    if (!m_cameraReceiver->start(m_settings.guestAddress, cameraReceiverPort, error))
        return false;
    CameraReceiver *receiver = m_cameraReceiver.get();
    new InspectAdaptor(receiver, [receiver] {
        const QSize size = receiver->lastFrameSize();
        return QVariantMap{{QStringLiteral("frameCount"), receiver->frameCount()},
                           {QStringLiteral("width"), size.width()},
                           {QStringLiteral("height"), size.height()},
                           {QStringLiteral("lastFrameTime"), receiver->lastFrameTime()}};
    });
    QDBusConnection bus = session;
    if (!bus.registerService(QLatin1String(cameraService))
        || !bus.registerObject(QLatin1String(cameraPath), receiver, QDBusConnection::ExportAdaptors)
        || !bus.registerService(QLatin1String(machineService))
        || !bus.registerObject(QLatin1String(machinePath), this, QDBusConnection::ExportScriptableSlots)) {
        *error = QStringLiteral("cannot register the machine's objects: ") + bus.lastError().message();
        return false;
    }
    return true;
}

bool EmulatorMachine::startCommandService(QString *error)
{
    m_commandService = std::make_unique<CommandService>(
        QDBusConnection(QLatin1String(systemBusConnection)), QDBusConnection(QLatin1String(sessionBusConnection)));
    connect(m_commandService.get(), &CommandService::exchanged, this,
            [this](const QString &line, const QString &reply) {
                emit logLine(QStringLiteral("<< ") + line);
                emit logLine(QStringLiteral(">> ") + reply);
            });
    if (!m_commandService->listen(m_settings.guestAddress, commandServicePort)) {
        *error = QStringLiteral("the command service cannot listen on %1:%2: %3")
                     .arg(m_settings.guestAddress.toString())
                     .arg(commandServicePort)
                     .arg(m_commandService->errorString());
        return false;
    }
    return true;
}

void EmulatorMachine::restartCommandService()
{
    emit logLine(QStringLiteral("restarting the command service"));
    m_commandService.reset();
    QString error;
    if (!startCommandService(&error))
        emit logLine(QStringLiteral("the command service did not come back: ") + error);
}

bool EmulatorMachine::startSsh(QString *error)
{
    const QString hostKey = path(QStringLiteral("ssh_host_key"));
    if (!QFileInfo::exists(hostKey) && !SshServer::generateKey(hostKey, error))
        return false;
    QFile authorized(m_settings.authorizedKeyFile);
    if (!authorized.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the SDK's public key %1").arg(m_settings.authorizedKeyFile);
        return false;
    }
    if (!writeFile(path(QStringLiteral("authorized_keys")), authorized.readAll(), error))
        return false;

    // The guest's package manager, as far as the plug-in asks it.
    QByteArray rpm = "#!/bin/sh\n";
    for (const QString &package : qAsConst(m_settings.packages))
        rpm += "echo '" + package.toUtf8() + "'\n";
    const QString rpmFile = path(QStringLiteral("bin/rpm"));
    if (!writeFile(rpmFile, rpm, error))
        return false;
    QFile::setPermissions(rpmFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                       | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);

    SshServer::Settings ssh;
    ssh.port = m_settings.sshPort;
    ssh.hostKeyFile = hostKey;
    ssh.authorizedKeysFile = path(QStringLiteral("authorized_keys"));
    ssh.binDir = path(QStringLiteral("bin"));
    ssh.stateDir = m_settings.stateDir;
    return m_sshServer.start(ssh, error);
}

bool EmulatorMachine::startForwarding(QString *error)
{
    for (const Forward &forward : qAsConst(m_settings.forwards)) {
        auto forwarder = std::make_unique<PortForwarder>(
            forward.udp ? PortForwarder::Protocol::Udp : PortForwarder::Protocol::Tcp, QHostAddress::LocalHost,
            forward.hostPort, m_settings.guestAddress, forward.guestPort);
        if (!forwarder->start(error))
            return false;
        emit logLine(QStringLiteral("forwarding %1 host port %2 to guest port %3")
                         .arg(forward.udp ? QStringLiteral("udp") : QStringLiteral("tcp"))
                         .arg(forward.hostPort)
                         .arg(forward.guestPort));
        m_forwarders.push_back(std::move(forwarder));
    }
    return true;
}

void EmulatorMachine::stop()
{
    m_forwarders.clear();
    m_sshServer.stop();
    m_commandService.reset();
    m_cameraReceiver.reset();
    m_positioningService.reset();
    m_sensorService.reset();
    QDBusConnection::disconnectFromBus(QLatin1String(systemBusConnection));
    QDBusConnection::disconnectFromBus(QLatin1String(sessionBusConnection));
    m_sessionBus.stop();
    m_systemBus.stop();
}

} // namespace Guest
