#pragma once

#include <guest/sshserver.h>
#include <ssh/sshconnection.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// A throw-away sshd on a free port of 127.0.0.1, its keys and config in a
// temporary directory; connectionParameters() log in as the current user.
// Remote commands find binDir() first on their PATH, so the "rpm" put there
// shadows the system's.
//
// Start it from initTestCase() with SSHD_FIXTURE_START(m_sshd), which skips
// where sshd cannot run at all and fails where it did not come up.
class SshdFixture
{
public:
    // Blocks until sshd accepts connections (a few hundred ms).
    bool start()
    {
        if (!m_dir.isValid() || !QDir().mkpath(binDir())) {
            m_error = QStringLiteral("cannot create ") + binDir();
            return false;
        }
        if (!Guest::SshServer::generateKey(filePath("host_key"), &m_error)
            || !Guest::SshServer::generateKey(filePath("client_key"), &m_error)) {
            return false;
        }
        Guest::SshServer::Settings settings;
        settings.hostKeyFile = filePath("host_key");
        settings.authorizedKeysFile = filePath("client_key.pub");
        settings.binDir = binDir();
        settings.stateDir = m_dir.path();
        // The free port may be taken by someone else before sshd binds it.
        for (int attempt = 0; attempt < 5; ++attempt) {
            settings.port = m_port = Guest::SshServer::unusedPort();
            if (m_server.start(settings, &m_error))
                return true;
            if (!m_server.addressInUse())
                break;
        }
        return false;
    }

    // Why start() failed, with sshd's log if any.
    QString errorString() const { return m_error; }
    QString binDir() const { return m_dir.filePath(QStringLiteral("bin")); }

    // A key login to this server that ignores known_hosts.
    QSsh::SshConnectionParameters connectionParameters() const
    {
        QSsh::SshConnectionParameters params;
        params.setHost(QStringLiteral("127.0.0.1"));
        params.setPort(m_port);
        params.setUserName(Guest::SshServer::userName());
        params.privateKeyFile = filePath("client_key");
        params.timeout = 10;
        params.authenticationType = QSsh::SshConnectionParameters::AuthenticationTypeSpecificKey;
        params.hostKeyCheckingMode = QSsh::SshHostKeyCheckingAllowNoMatch;
        return params;
    }

    // An "rpm" that answers "rpm -qa" with these packages, one a line, in
    // this order, and fails whatever else it is asked. It counts its runs.
    bool setRpmPackages(const QStringList &packages)
    {
        QByteArray script = "#!/bin/sh\necho x >> '" + filePath("rpm-runs").toUtf8() + "'\n"
                            "[ \"$*\" = -qa ] || exit 1\n";
        for (const QString &package : packages)
            script += "echo '" + package.toUtf8() + "'\n";
        QFile rpm(QDir(binDir()).filePath(QStringLiteral("rpm")));
        if (!rpm.open(QIODevice::WriteOnly | QIODevice::Truncate) || rpm.write(script) != script.size())
            return false;
        rpm.close();
        return rpm.setPermissions(rpm.permissions() | QFile::ExeOwner);
    }

    int rpmRuns() const
    {
        QFile runs(filePath("rpm-runs"));
        return runs.open(QIODevice::ReadOnly) ? runs.readAll().count('\n') : 0;
    }

    void resetRpmRuns() { QFile::remove(filePath("rpm-runs")); }

private:
    QString filePath(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
    Guest::SshServer m_server;
    QString m_error;
    quint16 m_port = 0;
};

#define SSHD_FIXTURE_START(fixture) \
    do { \
        if (!Guest::SshServer::unavailableReason().isEmpty()) \
            QSKIP(qPrintable(Guest::SshServer::unavailableReason())); \
        if (!(fixture).start()) \
            QFAIL(qPrintable((fixture).errorString())); \
    } while (false)
