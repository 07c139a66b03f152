#pragma once

#include <guest/sshserver.h>
#include <ssh/sshconnection.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// A throw-away OpenSSH server for tests that need a real SSH peer: Debian's
// /usr/sbin/sshd on a free port of 127.0.0.1, with its keys and config in a
// temporary directory, stopped and removed with the fixture.
//
// Logins are for the current user with clientKeyFile() only. Remote commands
// see PATH=binDir():/usr/bin:/bin, so executables put there with
// installCommand() shadow the system's; setRpmPackages() installs an "rpm"
// that prints a given package list whatever its arguments. The account's
// ~/.bashrc is kept out of remote commands, so their output is exactly what
// they print.
//
// sshd has to run as root (as it does in the sandbox and in CI): it switches
// to the user and needs /run/sshd, which start() creates if missing.
//
// In a QTest class, keep the fixture as a member and start it with
//     void initTestCase() { SSHD_FIXTURE_START(m_sshd); }
// which skips the test when sshd cannot run on this machine at all and fails
// it when sshd can run but did not come up.
class SshdFixture
{
public:
    enum class Result { Started, Unavailable, Failed };

    SshdFixture();
    ~SshdFixture();

    SshdFixture(const SshdFixture &) = delete;
    SshdFixture &operator=(const SshdFixture &) = delete;

    // Blocks until sshd accepts connections (a few hundred ms).
    Result start();
    void stop();
    bool isRunning() const;
    // Why start() did not give Result::Started, with sshd's log if any.
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    QString userName() const { return m_userName; }
    QString path() const;
    QString binDir() const;
    QString clientKeyFile() const;
    // A valid key that sshd does not accept.
    QString unauthorizedKeyFile() const;
    // Ready to use: 127.0.0.1, port(), userName(), clientKeyFile(), a
    // specific-key login that ignores known_hosts.
    QSsh::SshConnectionParameters connectionParameters() const;

    // Writes an executable binDir()/name; script should start with "#!".
    bool installCommand(const QString &name, const QByteArray &script);
    // One package per line, in this order; an empty list prints nothing.
    bool setRpmPackages(const QStringList &packages);

    // What sshd logged so far (it runs with -e).
    QString log();

    // A loopback port that nothing listens on at the time of the call.
    static quint16 unusedPort();

private:
    Result fail(Result result, const QString &error);
    QString filePath(const QString &name) const;

    QTemporaryDir m_dir;
    Guest::SshServer m_server;
    QString m_error;
    QString m_userName;
    quint16 m_port = 0;
};

#define SSHD_FIXTURE_START(fixture) \
    do { \
        const SshdFixture::Result sshdResult = (fixture).start(); \
        if (sshdResult == SshdFixture::Result::Unavailable) \
            QSKIP(qPrintable((fixture).errorString())); \
        if (sshdResult == SshdFixture::Result::Failed) \
            QFAIL(qPrintable((fixture).errorString())); \
    } while (false)
