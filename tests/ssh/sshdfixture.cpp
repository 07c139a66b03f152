#include "sshdfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const int startAttempts = 5;
const QFile::Permissions executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                      | QFile::ExeOther;

} // namespace

SshdFixture::SshdFixture()
    : m_userName(Guest::SshServer::userName())
{}

SshdFixture::~SshdFixture()
{
    stop();
}

SshdFixture::Result SshdFixture::start()
{
    if (isRunning())
        return Result::Started;
    m_error.clear();

    const QString reason = Guest::SshServer::unavailableReason();
    if (!reason.isEmpty())
        return fail(Result::Unavailable, reason);
    if (!m_dir.isValid())
        return fail(Result::Failed, QStringLiteral("no temporary directory: ") + m_dir.errorString());
    if (!QDir().mkpath(binDir()))
        return fail(Result::Failed, QStringLiteral("cannot create ") + binDir());
    for (const QString &key : {QStringLiteral("host_key"), QStringLiteral("client_key"),
                               QStringLiteral("other_key")}) {
        QString error;
        if (!QFileInfo::exists(filePath(key)) && !Guest::SshServer::generateKey(filePath(key), &error))
            return fail(Result::Failed, error);
    }
    QFile::remove(filePath(QStringLiteral("authorized_keys")));
    if (!QFile::copy(filePath(QStringLiteral("client_key.pub")), filePath(QStringLiteral("authorized_keys"))))
        return fail(Result::Failed, QStringLiteral("cannot write authorized_keys"));

    Guest::SshServer::Settings settings;
    settings.hostKeyFile = filePath(QStringLiteral("host_key"));
    settings.authorizedKeysFile = filePath(QStringLiteral("authorized_keys"));
    settings.binDir = binDir();
    settings.stateDir = m_dir.path();
    // The free port may be taken by someone else before sshd binds it.
    QString error;
    for (int attempt = 0; attempt < startAttempts; ++attempt) {
        m_port = unusedPort();
        settings.port = m_port;
        if (m_server.start(settings, &error))
            return Result::Started;
        if (!m_server.addressInUse())
            break;
    }
    return fail(Result::Failed, error);
}

void SshdFixture::stop()
{
    m_server.stop();
}

bool SshdFixture::isRunning() const
{
    return m_server.isRunning();
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
    return file.setPermissions(executable);
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
    return m_server.log();
}

quint16 SshdFixture::unusedPort()
{
    return Guest::SshServer::unusedPort();
}

SshdFixture::Result SshdFixture::fail(Result result, const QString &error)
{
    m_error = error;
    return result;
}

QString SshdFixture::filePath(const QString &name) const
{
    return m_dir.filePath(name);
}
