#include "dbusdaemon.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace Guest {

namespace {

const int startTimeoutMs = 10000;

// Everyone on the bus may own names and talk to everyone: the bus is private
// to one simulated machine.
const char configTemplate[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

DBusDaemon::DBusDaemon()
{
    m_daemon.setStandardInputFile(QProcess::nullDevice());
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
}

DBusDaemon::~DBusDaemon()
{
    stop();
}

bool DBusDaemon::start(const QString &runtimeDir, const QString &name, QString *error)
{
    stop();
    const QDir dir(runtimeDir);
    const QString socket = dir.filePath(name + QLatin1String("_bus_socket"));
    QFile::remove(socket);
    QFile config(dir.filePath(name + QLatin1String("_bus.conf")));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || config.write(QString::fromLatin1(configTemplate).arg(socket).toUtf8()) < 0) {
        *error = QStringLiteral("cannot write %1: %2").arg(config.fileName(), config.errorString());
        return false;
    }
    config.close();

    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        *error = QStringLiteral("dbus-daemon is not installed (dbus)");
        return false;
    }
    const QStringList args{program, QStringLiteral("--config-file=") + config.fileName(),
                           QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                           QStringLiteral("--print-address=1")};
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        m_daemon.start(args.first(), args.mid(1));
    else
        m_daemon.start(setpriv, QStringList{QStringLiteral("--pdeathsig"), QStringLiteral("TERM")} + args);

    // The daemon prints its address once it listens.
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!m_daemon.canReadLine() && !deadline.hasExpired() && m_daemon.state() != QProcess::NotRunning)
        m_daemon.waitForReadyRead(100);
    if (!m_daemon.canReadLine()) {
        *error = QStringLiteral("dbus-daemon for the %1 bus did not start: %2%3")
                     .arg(name, m_daemon.errorString(), QString::fromLocal8Bit(m_daemon.readAllStandardError()));
        stop();
        return false;
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    return true;
}

void DBusDaemon::stop()
{
    m_address.clear();
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
}

bool DBusDaemon::isRunning() const
{
    return m_daemon.state() == QProcess::Running;
}

} // namespace Guest
