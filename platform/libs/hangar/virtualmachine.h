#pragma once

#include <ssh/sshconnection.h>

#include <QList>
#include <QObject>

#include <functional>

namespace Hangar {

// The virtual machine of an emulator: whether it runs, the SDK's connection
// to it, its port forwarding rules and how to reach its guest over SSH.
//
// This class answers on its own, inside the process: connectTo() switches it
// on and connects on the next turns of the event loop. A machine backed by a
// real process overrides startAndConnect().
class VirtualMachine : public QObject
{
    Q_OBJECT

public:
    enum State {
        Disconnected,
        Starting,
        Connecting,
        Error,
        Connected,
        Disconnecting,
    };
    Q_ENUM(State)

    enum ConnectOption {
        NoConnectOption = 0x0,
    };
    Q_DECLARE_FLAGS(ConnectOptions, ConnectOption)

    struct PortForwardingRule
    {
        QString name;
        QString protocol;
        quint16 hostPort = 0;
        quint16 guestPort = 0;
    };

    explicit VirtualMachine(const QString &name, QObject *parent = nullptr);
    ~VirtualMachine() override;

    QString name() const { return m_name; }
    bool isOff(bool *runningHeadless = nullptr, bool *startedOutside = nullptr) const;
    State state() const { return m_state; }
    void connectTo(ConnectOptions options, const QObject *context, const std::function<void(bool)> &functor);

    bool hasPortForwarding(quint16 hostPort, QString *ruleName = nullptr) const;
    void addPortForwarding(const QString &ruleName, const QString &protocol, quint16 hostPort,
                           quint16 emulatorVmPort, const QObject *context,
                           const std::function<void(bool)> &functor);
    QList<PortForwardingRule> portForwardingRules() const { return m_rules; }

    QSsh::SshConnectionParameters sshParameters() const { return m_sshParameters; }
    void setSshParameters(const QSsh::SshConnectionParameters &parameters);

    // The machine's side: started or stopped from anywhere, connected or not.
    void setOff(bool off);
    void setState(State state);

    // For exercising failures: connectTo() then reports false and leaves the
    // machine as it is; adding a rule reports false and stores nothing.
    void setConnectFails(bool fails) { m_connectFails = fails; }
    void setPortForwardingFails(bool fails) { m_portForwardingFails = fails; }
    void setPortForwardingRules(const QList<PortForwardingRule> &rules);

signals:
    void stateChanged();
    void virtualMachineOffChanged(bool off);
    void portForwardingChanged();

protected:
    // Switches the machine on if needed and connects; calls done with the
    // outcome. Called from the event loop, never inside connectTo().
    virtual void startAndConnect(const std::function<void(bool)> &done);

private:
    QString m_name;
    bool m_off = true;
    State m_state = Disconnected;
    QList<PortForwardingRule> m_rules;
    QSsh::SshConnectionParameters m_sshParameters;
    bool m_connectFails = false;
    bool m_portForwardingFails = false;
};

} // namespace Hangar

Q_DECLARE_OPERATORS_FOR_FLAGS(Hangar::VirtualMachine::ConnectOptions)
