#pragma once

#include <QString>
#include <QUrl>

namespace QSsh {

enum SshHostKeyCheckingMode {
    SshHostKeyCheckingNone,
    SshHostKeyCheckingStrict,
    SshHostKeyCheckingAllowNoMatch,
    SshHostKeyCheckingAllowMismatch
};

class SshConnectionParameters
{
public:
    enum AuthenticationType {
        AuthenticationTypeAll,
        AuthenticationTypeSpecificKey,
    };

    SshConnectionParameters();

    QString host() const { return url.host(); }
    quint16 port() const { return quint16(url.port()); }
    QString userName() const { return url.userName(); }
    void setHost(const QString &host) { url.setHost(host); }
    void setPort(int port) { url.setPort(port); }
    void setUserName(const QString &name) { url.setUserName(name); }

    QUrl url;
    QString privateKeyFile;
    int timeout = 0; // seconds; 0 means the runner's default
    AuthenticationType authenticationType = AuthenticationTypeAll;
    SshHostKeyCheckingMode hostKeyCheckingMode = SshHostKeyCheckingAllowNoMatch;
};

bool operator==(const SshConnectionParameters &p1, const SshConnectionParameters &p2);
inline bool operator!=(const SshConnectionParameters &p1, const SshConnectionParameters &p2) { return !(p1 == p2); }

} // namespace QSsh
