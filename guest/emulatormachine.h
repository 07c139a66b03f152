#pragma once

#include "dbusdaemon.h"
#include "sshserver.h"

#include <QHostAddress>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

namespace Guest {

class CameraReceiver;
class CommandService;
class PortForwarder;
class PositioningService;
class SensorService;

// One simulated virtual machine: the guest's two buses and services, its
// sshd, and the NAT rules that make them reachable from the host.
class EmulatorMachine : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mimicry.Machine")

public:
    struct Forward
    {
        bool udp = false;
        quint16 hostPort = 0;
        quint16 guestPort = 0;
    };

    struct Settings
    {
        QString name;
        QString stateDir;
        quint16 sshPort = 0;
        QString authorizedKeyFile;
        QStringList packages;
        QHostAddress guestAddress{QStringLiteral("127.0.0.2")};
        QList<Forward> forwards;
    };

    // Where the guest's services listen on its own address.
    static const quint16 commandServicePort = 1234;
    static const quint16 cameraReceiverPort = 34343;

    explicit EmulatorMachine(const Settings &settings, QObject *parent = nullptr);
    ~EmulatorMachine() override;

    // Brings every service up; false with the reason when one fails.
    bool start(QString *error);
    void stop();

public slots:
    // For tests: the command service goes away and comes back, as when the
    // guest restarts it.
    Q_SCRIPTABLE void restartCommandService();

signals:
    void logLine(const QString &line);

private:
    bool startBuses(QString *error);
    bool startServices(QString *error);
    bool startSsh(QString *error);
    bool startCommandService(QString *error);
    bool startForwarding(QString *error);
    QString path(const QString &name) const;

    Settings m_settings;
    DBusDaemon m_systemBus;
    DBusDaemon m_sessionBus;
    SshServer m_sshServer;
    std::unique_ptr<SensorService> m_sensorService;
    std::unique_ptr<PositioningService> m_positioningService;
    std::unique_ptr<CameraReceiver> m_cameraReceiver;
    std::unique_ptr<CommandService> m_commandService;
    std::vector<std::unique_ptr<PortForwarder>> m_forwarders;
};

} // namespace Guest
