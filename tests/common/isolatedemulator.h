#pragma once

#include <guest/sshserver.h>

#include <QRandomGenerator>
#include <QSettings>
#include <QStringList>

// One simulated emulator with a free SSH port and a guest address of its own,
// so that a machine left over from elsewhere cannot answer in its place.
inline void writeIsolatedEmulatorConfig(const QString &configFile, const QString &name, const QString &sshKey)
{
    QSettings config(configFile, QSettings::IniFormat);
    config.beginWriteArray(QStringLiteral("emulators"), 1);
    config.setArrayIndex(0);
    config.setValue(QStringLiteral("name"), name);
    config.setValue(QStringLiteral("deviceModel"), QStringLiteral("Keel Phone X"));
    config.setValue(QStringLiteral("sshPort"), Guest::SshServer::unusedPort());
    config.setValue(QStringLiteral("sshKey"), sshKey);
    // The four packages the plug-in checks for, as the simulated guest lists them.
    config.setValue(QStringLiteral("packages"),
                    QStringList{"sensorfw-qt5-emulator-plugins-0.14.2-1.i486", "remote-dbus-invoker-1.0.3-1.i486",
                                "geoclue-emulator-0.3.1-1.i486", "gstreamer-emulator-1.2.0-1.i486"});
    config.setValue(QStringLiteral("guestAddress"), QStringLiteral("127.0.%1.%2")
                                                        .arg(QRandomGenerator::global()->bounded(1, 250))
                                                        .arg(QRandomGenerator::global()->bounded(2, 250)));
    config.endArray();
}
