#include "simulatedvirtualmachine.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace Hangar {

namespace {

// The program prints this once every service of the guest answers.
const char readyLine[] = "READY";

} // namespace

SimulatedVirtualMachine::SimulatedVirtualMachine(const QString &name, const Settings &settings, QObject *parent)
    : VirtualMachine(name, parent)
    , m_settings(settings)
{
    QSsh::SshConnectionParameters ssh;
    ssh.setHost(QStringLiteral("127.0.0.1"));
    ssh.setPort(settings.sshPort);
    // The guest's sshd lets in the user that runs the machine.
    if (const passwd *pw = getpwuid(geteuid()))
        ssh.setUserName(QString::fromLocal8Bit(pw->pw_name));
    ssh.privateKeyFile = settings.sshKeyFile;
    ssh.timeout = 10;
    ssh.authenticationType = QSsh::SshConnectionParameters::AuthenticationTypeSpecificKey;
    ssh.hostKeyCheckingMode = QSsh::SshHostKeyCheckingAllowNoMatch;
    setSshParameters(ssh);

    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
    connect(&m_process, &QProcess::readyRead, this, &SimulatedVirtualMachine::readOutput);
    connect(&m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, [this] {
        readOutput();
        finishConnecting(false);
        setOff(true);
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        emit logLine(QStringLiteral("cannot start %1: %2").arg(m_settings.program, m_process.errorString()));
        finishConnecting(false);
        setOff(true);
    });
}

SimulatedVirtualMachine::~SimulatedVirtualMachine()
{
    m_process.disconnect(this);
    powerOff();
}

void SimulatedVirtualMachine::powerOff()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void SimulatedVirtualMachine::startAndConnect(const std::function<void(bool)> &done)
{
    if (m_process.state() != QProcess::NotRunning) {
        if (state() == Connected)
            done(true);
        else
            m_pendingDone = done;
        return;
    }
    m_pendingDone = done;

    QStringList arguments{QStringLiteral("--name"), name(),
                          QStringLiteral("--state-dir"), m_settings.stateDir,
                          QStringLiteral("--ssh-port"), QString::number(m_settings.sshPort),
                          QStringLiteral("--authorized-key"), m_settings.sshKeyFile + QLatin1String(".pub"),
                          QStringLiteral("--packages"), m_settings.packages.join(QLatin1Char(',')),
                          QStringLiteral("--guest-address"), m_settings.guestAddress};
    // Rules are fixed while the machine runs, as with a real hypervisor.
    const QList<PortForwardingRule> rules = portForwardingRules();
    for (const PortForwardingRule &rule : rules) {
        arguments << QStringLiteral("--forward")
                  << QStringLiteral("%1:%2:%3").arg(rule.protocol).arg(rule.hostPort).arg(rule.guestPort);
    }
    QDir().mkpath(m_settings.stateDir);
    setState(Starting);
    m_process.start(m_settings.program, arguments);
    if (m_process.waitForStarted(5000))
        setOff(false);
}

void SimulatedVirtualMachine::readOutput()
{
    while (m_process.canReadLine()) {
        // Only the line end goes: the log shows what the guest received, and
        // a call without arguments ends in a space.
        QByteArray raw = m_process.readLine();
        while (raw.endsWith('\n') || raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        if (line == QLatin1String(readyLine)) {
            setState(Connected);
            finishConnecting(true);
            continue;
        }
        emit logLine(line);
    }
}

void SimulatedVirtualMachine::finishConnecting(bool ok)
{
    if (!m_pendingDone)
        return;
    const std::function<void(bool)> done = m_pendingDone;
    m_pendingDone = nullptr;
    done(ok);
}

} // namespace Hangar
