#pragma once

#include <QProcess>
#include <QString>

namespace Guest {

// A private dbus-daemon, standing for one of the guest's buses. Its socket
// lives in the runtime directory given to start(); it stops with this object.
class DBusDaemon
{
public:
    DBusDaemon();
    ~DBusDaemon();

    DBusDaemon(const DBusDaemon &) = delete;
    DBusDaemon &operator=(const DBusDaemon &) = delete;

    // Blocks until the bus accepts connections.
    bool start(const QString &runtimeDir, const QString &name, QString *error);
    void stop();
    bool isRunning() const;
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

} // namespace Guest
