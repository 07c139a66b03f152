#include "sshserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <pwd.h>
#include <unistd.h>

namespace Guest {

namespace {

const char sshdProgram[] = "/usr/sbin/sshd";
const char privilegeSeparationDir[] = "/run/sshd";
const int startTimeoutMs = 10000;

QString quoted(const QString &path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

} // namespace

SshServer::SshServer()
{
    m_sshd.setProcessChannelMode(QProcess::MergedChannels);
    m_sshd.setStandardInputFile(QProcess::nullDevice());
}

SshServer::~SshServer()
{
    stop();
}

QString SshServer::unavailableReason()
{
    if (!QFileInfo(QLatin1String(sshdProgram)).isExecutable())
        return QStringLiteral("sshd is not installed (openssh-server)");
    if (QStandardPaths::findExecutable(QStringLiteral("ssh-keygen")).isEmpty())
        return QStringLiteral("ssh-keygen is not installed (openssh-client)");
    if (geteuid() != 0)
        return QStringLiteral("sshd can log users in only when run as root");
    if (userName().isEmpty())
        return QStringLiteral("the current user has no name");
    return QString();
}

QString SshServer::userName()
{
    const passwd *pw = getpwuid(geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

bool SshServer::start(const Settings &settings, QString *error)
{
    stop();
    m_log.clear();
    const QString reason = unavailableReason();
    if (!reason.isEmpty()) {
        *error = reason;
        return false;
    }
    const QString privsepDir = QLatin1String(privilegeSeparationDir);
    if (!QFileInfo::exists(privsepDir)
        && (!QDir().mkpath(privsepDir)
            || !QFile::setPermissions(privsepDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                      | QFile::ReadGroup | QFile::ExeGroup
                                                      | QFile::ReadOther | QFile::ExeOther))) {
        *error = QStringLiteral("cannot create %1").arg(privsepDir);
        return false;
    }

    // OpenSSH 9.8 and later penalise addresses that fail to log in, which
    // tests do on purpose; older ones do not know the option at all.
    const QString configFile = QDir(settings.stateDir).filePath(QStringLiteral("sshd_config"));
    if (!writeConfig(settings, false, error))
        return false;
    if (!writeConfig(settings, supportsOption(configFile, QStringLiteral("PerSourcePenalties=no")), error))
        return false;

    const QStringList sshdArgs{QLatin1String(sshdProgram), QStringLiteral("-D"), QStringLiteral("-e"),
                               QStringLiteral("-f"), configFile};
    // Whoever started us may be killed; sshd must not outlive it.
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        m_sshd.start(sshdArgs.first(), sshdArgs.mid(1));
    else
        m_sshd.start(setpriv, QStringList{QStringLiteral("--pdeathsig"), QStringLiteral("TERM")} + sshdArgs);
    if (!m_sshd.waitForStarted(startTimeoutMs)) {
        *error = QStringLiteral("cannot run sshd: ") + m_sshd.errorString();
        return false;
    }
    if (waitUntilListening(settings.port))
        return true;
    stop();
    *error = QStringLiteral("sshd did not come up:\n") + QString::fromLocal8Bit(m_log);
    return false;
}

void SshServer::stop()
{
    if (m_sshd.state() == QProcess::NotRunning)
        return;
    m_sshd.terminate();
    if (!m_sshd.waitForFinished(5000)) {
        m_sshd.kill();
        m_sshd.waitForFinished(5000);
    }
    m_log += m_sshd.readAll();
}

bool SshServer::isRunning() const
{
    return m_sshd.state() == QProcess::Running;
}

QString SshServer::log()
{
    m_log += m_sshd.readAll();
    return QString::fromLocal8Bit(m_log);
}

quint16 SshServer::unusedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

bool SshServer::generateKey(const QString &file, QString *error)
{
    QProcess keygen;
    keygen.setProcessChannelMode(QProcess::MergedChannels);
    keygen.start(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"), QStringLiteral("-N"),
                  QString(), QStringLiteral("-C"), QStringLiteral("mimicry"), QStringLiteral("-f"), file});
    if (!keygen.waitForFinished(startTimeoutMs) || keygen.exitStatus() != QProcess::NormalExit
        || keygen.exitCode() != 0) {
        *error = QStringLiteral("ssh-keygen failed: ") + QString::fromLocal8Bit(keygen.readAll())
                 + keygen.errorString();
        return false;
    }
    return true;
}

bool SshServer::writeConfig(const Settings &settings, bool withPenaltiesOff, QString *error) const
{
    const QDir state(settings.stateDir);
    QFile config(state.filePath(QStringLiteral("sshd_config")));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        *error = QStringLiteral("cannot write sshd_config: ") + config.errorString();
        return false;
    }
    QStringList lines{
        QStringLiteral("ListenAddress 127.0.0.1"),
        QStringLiteral("Port %1").arg(settings.port),
        QStringLiteral("HostKey ") + quoted(settings.hostKeyFile),
        QStringLiteral("AuthorizedKeysFile ") + quoted(settings.authorizedKeysFile),
        QStringLiteral("PidFile ") + quoted(state.filePath(QStringLiteral("sshd.pid"))),
        // The state directory is not laid out like a home directory.
        QStringLiteral("StrictModes no"),
        QStringLiteral("UsePAM no"),
        QStringLiteral("PasswordAuthentication no"),
        QStringLiteral("KbdInteractiveAuthentication no"),
        QStringLiteral("PubkeyAuthentication yes"),
        QStringLiteral("PermitRootLogin prohibit-password"),
        QStringLiteral("UseDNS no"),
        QStringLiteral("PrintMotd no"),
        QStringLiteral("X11Forwarding no"),
        // bash runs ~/.bashrc for commands that come through sshd unless it
        // believes it is a nested shell, which SHLVL=1 makes it believe.
        QStringLiteral("SetEnv ") + quoted(QStringLiteral("PATH=") + settings.binDir + QStringLiteral(":/usr/bin:/bin"))
            + QStringLiteral(" SHLVL=1"),
    };
    if (withPenaltiesOff)
        lines << QStringLiteral("PerSourcePenalties no");
    const QByteArray text = lines.join(QLatin1Char('\n')).toLocal8Bit() + '\n';
    if (config.write(text) != text.size()) {
        *error = QStringLiteral("cannot write sshd_config: ") + config.errorString();
        return false;
    }
    return true;
}

bool SshServer::supportsOption(const QString &configFile, const QString &option) const
{
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QLatin1String(sshdProgram),
                {QStringLiteral("-t"), QStringLiteral("-f"), configFile, QStringLiteral("-o"), option});
    return check.waitForFinished(startTimeoutMs) && check.exitStatus() == QProcess::NormalExit
           && check.exitCode() == 0;
}

bool SshServer::waitUntilListening(quint16 port)
{
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!deadline.hasExpired()) {
        m_sshd.waitForReadyRead(100);
        m_log += m_sshd.readAll();
        if (m_sshd.state() != QProcess::Running)
            return false;
        if (!m_log.contains("Server listening on"))
            continue;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(1000))
            return true;
    }
    return false;
}

} // namespace Guest
