#include "mimicrypackageschecker.h"

namespace {

const char QueryCommand[] = "rpm -qa";

} // namespace

MimicryPackagesChecker::MimicryPackagesChecker(QObject *parent)
    : QObject(parent)
{
    connect(&m_runner, &QSsh::SshRemoteProcessRunner::processClosed,
            this, &MimicryPackagesChecker::handleSshProcessFinished);
}

void MimicryPackagesChecker::check(const QSsh::SshConnectionParameters &params)
{
    m_params = params;
    m_packages.clear();
    for (const char *name : {"sensorfw-qt5-emulator-plugins", "remote-dbus-invoker",
                             "geoclue-emulator", "gstreamer-emulator"}) {
        m_packages.insert(QLatin1String(name), false);
    }
    m_runner.run(QLatin1String(QueryCommand), m_params);
}

// A failed run leaves the output empty, so then every package counts as
// missing; the error text itself adds nothing for the user.
void MimicryPackagesChecker::handleSshProcessFinished(const QString &error)
{
    Q_UNUSED(error)
    const QString command = m_runner.command();
    const QString output = QString::fromUtf8(m_runner.readAllStandardOutput());
    if (!command.contains(QLatin1String(QueryCommand)))
        return;

    // Versions and architectures follow the names, so a substring is enough.
    bool allFound = true;
    for (auto it = m_packages.begin(); it != m_packages.end(); ++it) {
        it.value() = output.contains(it.key());
        allFound = allFound && it.value();
    }

    if (allFound) {
        emit checkFinished(QString(), QString());
        return;
    }

    QString detailedText = tr("Packages is not installed: \n");
    for (auto it = m_packages.cbegin(); it != m_packages.cend(); ++it) {
        if (!it.value())
            detailedText += it.key() + QLatin1Char('\n');
    }
    emit checkFinished(tr("Necessary packages not found on emulator!"), detailedText);
}
