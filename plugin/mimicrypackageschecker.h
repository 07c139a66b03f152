#pragma once

#include <ssh/sshremoteprocessrunner.h>

#include <QHash>
#include <QObject>
#include <QString>

// Asks a running emulator over SSH whether the packages the plug-in talks to
// are installed there, and reports the missing ones.
class MimicryPackagesChecker : public QObject
{
    Q_OBJECT

public:
    explicit MimicryPackagesChecker(QObject *parent = nullptr);

    // Returns at once; the answer comes as checkFinished().
    void check(const QSsh::SshConnectionParameters &params);

signals:
    // Both texts are empty when everything is installed.
    void checkFinished(const QString &message, const QString &detailedText);

private slots:
    void handleSshProcessFinished(const QString &error);

private:
    QHash<QString, bool> m_packages;
    QSsh::SshRemoteProcessRunner m_runner;
    QSsh::SshConnectionParameters m_params;
};
