#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace Guest {

// Debian's OpenSSH server on a loopback port, for the simulated guest and for
// tests that need a real SSH peer. Logins are by key only, for the user that
// runs it; remote commands see binDir first on their PATH, so executables put
// there stand in for the guest's own.
//
// sshd has to run as root: it switches to the user and needs /run/sshd,
// which start() creates if missing.
class SshServer
{
public:
    struct Settings
    {
        quint16 port = 0;
        QString hostKeyFile;
        QString authorizedKeysFile;
        QString binDir;
        // Where the configuration and pid file go.
        QString stateDir;
    };

    SshServer();
    ~SshServer();

    SshServer(const SshServer &) = delete;
    SshServer &operator=(const SshServer &) = delete;

    // Blocks until sshd accepts connections (a few hundred ms).
    bool start(const Settings &settings, QString *error);
    void stop();
    bool isRunning() const;
    // What sshd logged so far.
    QString log();
    // The port was taken by somebody else.
    bool addressInUse() const { return m_log.contains("Address already in use"); }

    // Why sshd cannot run on this machine at all, or nothing.
    static QString unavailableReason();
    static QString userName();
    static bool generateKey(const QString &file, QString *error);
    // A loopback port that nothing listens on at the time of the call.
    static quint16 unusedPort();

private:
    bool writeConfig(const Settings &settings, bool withPenaltiesOff, QString *error) const;
    bool supportsOption(const QString &configFile, const QString &option) const;
    bool waitUntilListening(quint16 port);

    QProcess m_sshd;
    QByteArray m_log;
};

} // namespace Guest
