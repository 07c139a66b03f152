#include "sshdfixture.h"

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

namespace {

const char SshdProgram[] = "/usr/sbin/sshd";
const char PrivilegeSeparationDir[] = "/run/sshd";
const int StartAttempts = 5;
const int StartTimeoutMs = 10000;
const QFile::Permissions Executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
        | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

QString quoted(const QString &path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

} // namespace

SshdFixture::SshdFixture()
{
    m_sshd.setProcessChannelMode(QProcess::MergedChannels);
    m_sshd.setStandardInputFile(QProcess::nullDevice());
    if (const passwd *pw = getpwuid(geteuid()))
        m_userName = QString::fromLocal8Bit(pw->pw_name);
}

SshdFixture::~SshdFixture()
{
    stop();
}

SshdFixture::Result SshdFixture::start()
{
    if (isRunning())
        return Result::Started;
    m_error.clear();
    m_log.clear();

    if (!QFileInfo(QLatin1String(SshdProgram)).isExecutable())
        return fail(Result::Unavailable, QStringLiteral("sshd is not installed (openssh-server)"));
    if (QStandardPaths::findExecutable(QStringLiteral("ssh-keygen")).isEmpty())
        return fail(Result::Unavailable, QStringLiteral("ssh-keygen is not installed (openssh-client)"));
    if (geteuid() != 0)
        return fail(Result::Unavailable, QStringLiteral("sshd can log users in only when run as root"));
    if (m_userName.isEmpty())
        return fail(Result::Unavailable, QStringLiteral("the current user has no name"));
    const QString privsepDir = QLatin1String(PrivilegeSeparationDir);
    if (!QFileInfo::exists(privsepDir)) {
        if (!QDir().mkpath(privsepDir) || !QFile::setPermissions(privsepDir, Executable))
            return fail(Result::Unavailable, QStringLiteral("cannot create %1").arg(privsepDir));
    }
    if (!m_dir.isValid())
        return fail(Result::Failed, QStringLiteral("no temporary directory: ") + m_dir.errorString());

    if (!QDir().mkpath(binDir()))
        return fail(Result::Failed, QStringLiteral("cannot create ") + binDir());
    for (const QString &key : {QStringLiteral("host_key"), QStringLiteral("client_key"),
                               QStringLiteral("other_key")}) {
        if (!QFileInfo::exists(filePath(key)) && !generateKey(filePath(key)))
            return fail(Result::Failed, m_error);
    }
    QFile::remove(filePath(QStringLiteral("authorized_keys")));
    if (!QFile::copy(filePath(QStringLiteral("client_key.pub")), filePath(QStringLiteral("authorized_keys"))))
        return fail(Result::Failed, QStringLiteral("cannot write authorized_keys"));

    // OpenSSH 9.8 and later penalise addresses that fail to log in, which
    // the tests do on purpose; older ones do not know the option at all.
    m_port = unusedPort();
    if (!writeConfig(false))
        return fail(Result::Failed, m_error);
    const bool penaltiesOff = supportsOption(QStringLiteral("PerSourcePenalties=no"));

    // The free port may be taken by someone else before sshd binds it.
    for (int attempt = 0; attempt < StartAttempts; ++attempt) {
        if (attempt > 0)
            m_port = unusedPort();
        if (!writeConfig(penaltiesOff))
            return fail(Result::Failed, m_error);

        m_log.clear();
        const QStringList sshdArgs{QLatin1String(SshdProgram), QStringLiteral("-D"), QStringLiteral("-e"),
                                   QStringLiteral("-f"), filePath(QStringLiteral("sshd_config"))};
        // A test that is killed must not leave sshd behind.
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty()) {
            m_sshd.start(sshdArgs.first(), sshdArgs.mid(1));
        } else {
            m_sshd.start(setpriv, QStringList{QStringLiteral("--pdeathsig"), QStringLiteral("TERM")} + sshdArgs);
        }
        if (!m_sshd.waitForStarted(StartTimeoutMs))
            return fail(Result::Failed, QStringLiteral("cannot run sshd: ") + m_sshd.errorString());
        if (waitUntilListening())
            return Result::Started;
        stop();
        if (!m_log.contains("Address already in use"))
            break;
    }
    return fail(Result::Failed, QStringLiteral("sshd did not come up:\n") + QString::fromLocal8Bit(m_log));
}

void SshdFixture::stop()
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

bool SshdFixture::isRunning() const
{
    return m_sshd.state() == QProcess::Running;
}

QString SshdFixture::path() const
{
    return m_dir.path();
}

QString SshdFixture::binDir() const
{
    return filePath(QStringLiteral("bin"));
}

QString SshdFixture::clientKeyFile() const
{
    return filePath(QStringLiteral("client_key"));
}

QString SshdFixture::unauthorizedKeyFile() const
{
    return filePath(QStringLiteral("other_key"));
}

QSsh::SshConnectionParameters SshdFixture::connectionParameters() const
{
    QSsh::SshConnectionParameters params;
    params.setHost(QStringLiteral("127.0.0.1"));
    params.setPort(m_port);
    params.setUserName(m_userName);
    params.privateKeyFile = clientKeyFile();
    params.timeout = 10;
    params.authenticationType = QSsh::SshConnectionParameters::AuthenticationTypeSpecificKey;
    params.hostKeyCheckingMode = QSsh::SshHostKeyCheckingAllowNoMatch;
    return params;
}

bool SshdFixture::installCommand(const QString &name, const QByteArray &script)
{
    QFile file(QDir(binDir()).filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(script) != script.size())
        return false;
    file.close();
    return file.setPermissions(Executable);
}

bool SshdFixture::setRpmPackages(const QStringList &packages)
{
    const QString listFile = filePath(QStringLiteral("rpm-packages"));
    QFile list(listFile);
    if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (const QString &package : packages)
        list.write(package.toUtf8() + '\n');
    list.close();
    return installCommand(QStringLiteral("rpm"), "#!/bin/sh\ncat '" + listFile.toLocal8Bit() + "'\n");
}

QString SshdFixture::log()
{
    m_log += m_sshd.readAll();
    return QString::fromLocal8Bit(m_log);
}

quint16 SshdFixture::unusedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

SshdFixture::Result SshdFixture::fail(Result result, const QString &error)
{
    m_error = error;
    return result;
}

bool SshdFixture::generateKey(const QString &file)
{
    QProcess keygen;
    keygen.setProcessChannelMode(QProcess::MergedChannels);
    keygen.start(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"), QStringLiteral("-N"),
                  QString(), QStringLiteral("-C"), QStringLiteral("sshdfixture"), QStringLiteral("-f"), file});
    if (!keygen.waitForFinished(StartTimeoutMs) || keygen.exitStatus() != QProcess::NormalExit
            || keygen.exitCode() != 0) {
        m_error = QStringLiteral("ssh-keygen failed: ") + QString::fromLocal8Bit(keygen.readAll())
                + keygen.errorString();
        return false;
    }
    return true;
}

bool SshdFixture::writeConfig(bool withPenaltiesOff)
{
    QFile config(filePath(QStringLiteral("sshd_config")));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        m_error = QStringLiteral("cannot write sshd_config: ") + config.errorString();
        return false;
    }
    QStringList lines{
        QStringLiteral("ListenAddress 127.0.0.1"),
        QStringLiteral("Port %1").arg(m_port),
        QStringLiteral("HostKey ") + quoted(filePath(QStringLiteral("host_key"))),
        QStringLiteral("AuthorizedKeysFile ") + quoted(filePath(QStringLiteral("authorized_keys"))),
        QStringLiteral("PidFile ") + quoted(filePath(QStringLiteral("sshd.pid"))),
        // The temporary directory is not laid out like a home directory.
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
        QStringLiteral("SetEnv ") + quoted(QStringLiteral("PATH=") + binDir() + QStringLiteral(":/usr/bin:/bin"))
                + QStringLiteral(" SHLVL=1"),
    };
    if (withPenaltiesOff)
        lines << QStringLiteral("PerSourcePenalties no");
    const QByteArray text = lines.join(QLatin1Char('\n')).toLocal8Bit() + '\n';
    if (config.write(text) != text.size()) {
        m_error = QStringLiteral("cannot write sshd_config: ") + config.errorString();
        return false;
    }
    return true;
}

bool SshdFixture::supportsOption(const QString &option)
{
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QLatin1String(SshdProgram), {QStringLiteral("-t"), QStringLiteral("-f"),
                                             filePath(QStringLiteral("sshd_config")), QStringLiteral("-o"), option});
    return check.waitForFinished(StartTimeoutMs) && check.exitStatus() == QProcess::NormalExit
            && check.exitCode() == 0;
}

bool SshdFixture::waitUntilListening()
{
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!deadline.hasExpired()) {
        m_sshd.waitForReadyRead(100);
        m_log += m_sshd.readAll();
        if (m_sshd.state() != QProcess::Running)
            return false;
        if (!m_log.contains("Server listening on"))
            continue;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(1000))
            return true;
    }
    return false;
}

QString SshdFixture::filePath(const QString &name) const
{
    return m_dir.filePath(name);
}
