#include "sshconnection.h"

namespace QSsh {

SshConnectionParameters::SshConnectionParameters()
{
    url.setScheme(QStringLiteral("ssh"));
}

bool operator==(const SshConnectionParameters &p1, const SshConnectionParameters &p2)
{
    return p1.url == p2.url
            && p1.privateKeyFile == p2.privateKeyFile
            && p1.timeout == p2.timeout
            && p1.authenticationType == p2.authenticationType
            && p1.hostKeyCheckingMode == p2.hostKeyCheckingMode;
}

} // namespace QSsh
