#pragma once

#include "sshconnection.h"

#include <QObject>

namespace QSsh {

// Runs one command on a remote host and collects its output. Every run ends
// in exactly one processClosed(): empty error text on success, otherwise why
// it failed.
class SshRemoteProcessRunner : public QObject
{
    Q_OBJECT

public:
    explicit SshRemoteProcessRunner(QObject *parent = nullptr);
    ~SshRemoteProcessRunner() override;

    void run(const QString &command, const SshConnectionParameters &sshParams);
    void cancel();

    QString command() const;
    bool isProcessRunning() const;
    int processExitCode() const;
    QString processErrorString() const;
    QByteArray readAllStandardOutput();
    QByteArray readAllStandardError();

signals:
    void processStarted();
    void processClosed(const QString &error);

private:
    class Private;
    Private *d;
};

} // namespace QSsh
