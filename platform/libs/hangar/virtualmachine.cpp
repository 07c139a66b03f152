#include "virtualmachine.h"

#include <QPointer>
#include <QTimer>

namespace Hangar {

namespace {

// Calls back through the event loop, and only while the caller's context
// object still exists.
void callLater(const QObject *context, const std::function<void(bool)> &functor, bool result)
{
    if (!functor)
        return;
    QTimer::singleShot(0, context, [functor, result] { functor(result); });
}

} // namespace

VirtualMachine::VirtualMachine(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
{}

VirtualMachine::~VirtualMachine() = default;

bool VirtualMachine::isOff(bool *runningHeadless, bool *startedOutside) const
{
    if (runningHeadless)
        *runningHeadless = !m_off;
    if (startedOutside)
        *startedOutside = false;
    return m_off;
}

void VirtualMachine::connectTo(ConnectOptions options, const QObject *context,
                               const std::function<void(bool)> &functor)
{
    Q_UNUSED(options)
    QPointer<const QObject> guard(context);
    QTimer::singleShot(0, this, [this, guard, context, functor] {
        if (m_connectFails) {
            if (guard)
                callLater(context, functor, false);
            return;
        }
        startAndConnect([guard, context, functor](bool ok) {
            if (guard)
                callLater(context, functor, ok);
        });
    });
}

void VirtualMachine::startAndConnect(const std::function<void(bool)> &done)
{
    setOff(false);
    setState(Connecting);
    QTimer::singleShot(0, this, [this, done] {
        if (m_off) {
            done(false);
            return;
        }
        setState(Connected);
        done(true);
    });
}

bool VirtualMachine::hasPortForwarding(quint16 hostPort, QString *ruleName) const
{
    for (const PortForwardingRule &rule : m_rules) {
        if (rule.hostPort == hostPort) {
            if (ruleName)
                *ruleName = rule.name;
            return true;
        }
    }
    return false;
}

void VirtualMachine::addPortForwarding(const QString &ruleName, const QString &protocol,
                                       quint16 hostPort, quint16 emulatorVmPort,
                                       const QObject *context, const std::function<void(bool)> &functor)
{
    // Rules can only be changed while the machine is off, and host ports and
    // names must be unique.
    bool ok = m_off && !m_portForwardingFails && !hasPortForwarding(hostPort);
    for (const PortForwardingRule &rule : qAsConst(m_rules))
        ok = ok && rule.name != ruleName;
    if (ok) {
        m_rules.append({ruleName, protocol, hostPort, emulatorVmPort});
        emit portForwardingChanged();
    }
    callLater(context, functor, ok);
}

void VirtualMachine::setPortForwardingRules(const QList<PortForwardingRule> &rules)
{
    m_rules = rules;
    emit portForwardingChanged();
}

void VirtualMachine::setSshParameters(const QSsh::SshConnectionParameters &parameters)
{
    m_sshParameters = parameters;
}

void VirtualMachine::setOff(bool off)
{
    if (m_off == off)
        return;
    m_off = off;
    if (off)
        setState(Disconnected);
    emit virtualMachineOffChanged(off);
}

void VirtualMachine::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

} // namespace Hangar
