#pragma once

#include "virtualmachine.h"

#include <QProcess>
#include <QStringList>

namespace Hangar {

// A virtual machine played by the simulated emulator program: starting the
// machine starts the program, which runs the guest's services and forwards
// the machine's ports; the machine is off whenever the program is not running.
class SimulatedVirtualMachine : public VirtualMachine
{
    Q_OBJECT

public:
    struct Settings
    {
        QString program;
        QString stateDir;
        quint16 sshPort = 0;
        QString sshKeyFile;
        QStringList packages;
        QString guestAddress;
    };

    SimulatedVirtualMachine(const QString &name, const Settings &settings, QObject *parent = nullptr);
    ~SimulatedVirtualMachine() override;

    Settings settings() const { return m_settings; }
    // Stops the program, as closing the emulator's window would.
    void powerOff();

signals:
    // One line of what the machine logged.
    void logLine(const QString &line);

protected:
    void startAndConnect(const std::function<void(bool)> &done) override;

private:
    void readOutput();
    void finishConnecting(bool ok);

    Settings m_settings;
    QProcess m_process;
    std::function<void(bool)> m_pendingDone;
};

} // namespace Hangar
