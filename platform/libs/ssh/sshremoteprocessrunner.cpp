#include "sshremoteprocessrunner.h"

#include <QMetaObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <utility>

namespace QSsh {

namespace {

const int DefaultConnectTimeoutS = 10;
// What the remote command itself may take on top of connecting before the
// run counts as hung. Generous: the runner is used for queries, not jobs.
const int CommandMarginS = 120;
const int KillWaitMs = 2000;

void addOption(QStringList &args, const QString &nameValue)
{
    args << QStringLiteral("-o") << nameValue;
}

} // namespace

class SshRemoteProcessRunner::Private
{
public:
    explicit Private(SshRemoteProcessRunner *q) : q(q) {}

    void start(const SshConnectionParameters &params);
    void stop();
    void collectOutput();
    void handleFinished(int code, QProcess::ExitStatus status);
    void handleError(QProcess::ProcessError error);
    void finish(const QString &error);
    void closeLater(const QString &error);

    SshRemoteProcessRunner * const q;
    QProcess *process = nullptr;
    QTimer watchdog;
    QString command;
    QString target; // host:port, for messages
    QByteArray stdOut;
    QByteArray stdErr;
    int exitCode = -1;
    QString errorString;
    // Every run() and cancel() starts a new generation; a processClosed that
    // is still queued for an older one is dropped.
    quint64 generation = 0;
    bool timedOut = false;
};

void SshRemoteProcessRunner::Private::start(const SshConnectionParameters &params)
{
    const QString host = params.url.host();
    const int port = params.url.port(22);
    target = host + QLatin1Char(':') + QString::number(port);

    if (host.isEmpty()) {
        closeLater(SshRemoteProcessRunner::tr("No host given for the SSH connection."));
        return;
    }
    if (params.authenticationType == SshConnectionParameters::AuthenticationTypeSpecificKey
            && params.privateKeyFile.isEmpty()) {
        closeLater(SshRemoteProcessRunner::tr("No private key file given for the SSH connection to %1.")
                  .arg(target));
        return;
    }

    const int connectTimeout = params.timeout > 0 ? params.timeout : DefaultConnectTimeoutS;

    QStringList args{QStringLiteral("-T")};
    // Nothing may ever wait for a password or a yes/no question.
    addOption(args, QStringLiteral("BatchMode=yes"));
    addOption(args, QStringLiteral("ConnectTimeout=") + QString::number(connectTimeout));

    switch (params.hostKeyCheckingMode) {
    case SshHostKeyCheckingStrict:
        addOption(args, QStringLiteral("StrictHostKeyChecking=yes"));
        break;
    case SshHostKeyCheckingAllowMismatch:
        // Known hosts stay in use, so ssh still warns about a changed key.
        addOption(args, QStringLiteral("StrictHostKeyChecking=no"));
        break;
    case SshHostKeyCheckingNone:
    case SshHostKeyCheckingAllowNoMatch:
        // Emulators get new host keys whenever they are re-created; keep them
        // out of the user's known_hosts and keep the warnings off stderr.
        addOption(args, QStringLiteral("StrictHostKeyChecking=no"));
        addOption(args, QStringLiteral("UserKnownHostsFile=/dev/null"));
        addOption(args, QStringLiteral("LogLevel=ERROR"));
        break;
    }

    args << QStringLiteral("-p") << QString::number(port);
    if (!params.url.userName().isEmpty())
        args << QStringLiteral("-l") << params.url.userName();
    if (!params.privateKeyFile.isEmpty()) {
        args << QStringLiteral("-i") << params.privateKeyFile;
        addOption(args, QStringLiteral("IdentitiesOnly=yes"));
    }
    if (params.authenticationType == SshConnectionParameters::AuthenticationTypeSpecificKey)
        addOption(args, QStringLiteral("PreferredAuthentications=publickey"));
    args << QStringLiteral("--") << host << command;

    process = new QProcess(q);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::started, q, [this] { emit q->processStarted(); });
    QObject::connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), q,
                     [this](int code, QProcess::ExitStatus status) { handleFinished(code, status); });
    QObject::connect(process, &QProcess::errorOccurred, q,
                     [this](QProcess::ProcessError error) { handleError(error); });

    watchdog.start((connectTimeout + CommandMarginS) * 1000);
    // Last: a failure to start may be reported from inside start().
    process->start(QStringLiteral("ssh"), args, QIODevice::ReadOnly);
}

void SshRemoteProcessRunner::Private::stop()
{
    ++generation;
    watchdog.stop();
    if (!process)
        return;
    QProcess * const p = std::exchange(process, nullptr);
    p->disconnect();
    if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(KillWaitMs);
    }
    // May be called from a handler of one of its own signals.
    p->deleteLater();
}

void SshRemoteProcessRunner::Private::collectOutput()
{
    if (!process)
        return;
    stdOut += process->readAllStandardOutput();
    stdErr += process->readAllStandardError();
}

void SshRemoteProcessRunner::Private::handleFinished(int code, QProcess::ExitStatus status)
{
    collectOutput();
    if (status == QProcess::CrashExit) {
        exitCode = -1;
        if (timedOut) {
            finish(SshRemoteProcessRunner::tr("SSH connection to %1 timed out: "
                                              "the command did not finish within %2 seconds.")
                   .arg(target).arg(watchdog.interval() / 1000));
        } else {
            finish(SshRemoteProcessRunner::tr("ssh crashed: %1").arg(process->errorString()));
        }
        return;
    }

    exitCode = code;
    if (code == 0) {
        finish(QString());
    } else if (code == 255) {
        // ssh's own failures: refused, unreachable, authentication.
        const QString reason = QString::fromLocal8Bit(stdErr).trimmed();
        finish(reason.isEmpty()
               ? SshRemoteProcessRunner::tr("SSH connection to %1 failed.").arg(target)
               : SshRemoteProcessRunner::tr("SSH connection to %1 failed: %2").arg(target, reason));
    } else {
        finish(SshRemoteProcessRunner::tr("Remote process exited with code %1").arg(code));
    }
}

void SshRemoteProcessRunner::Private::handleError(QProcess::ProcessError error)
{
    // Crashes and timeouts end in finished(); only a failed start does not.
    if (error != QProcess::FailedToStart)
        return;
    exitCode = -1;
    finish(SshRemoteProcessRunner::tr("Cannot run ssh: %1").arg(process->errorString()));
}

void SshRemoteProcessRunner::Private::finish(const QString &error)
{
    watchdog.stop();
    collectOutput();
    if (process) {
        QProcess * const p = std::exchange(process, nullptr);
        p->disconnect();
        p->deleteLater();
    }
    closeLater(error);
}

// The one processClosed of a run always comes from the event loop, never
// from inside run().
void SshRemoteProcessRunner::Private::closeLater(const QString &error)
{
    errorString = error;
    if (!error.isEmpty())
        stdOut.clear(); // partial output of a failed run would only mislead
    const quint64 current = generation;
    QMetaObject::invokeMethod(q, [this, current, error] {
        if (current == generation)
            emit q->processClosed(error);
    }, Qt::QueuedConnection);
}

SshRemoteProcessRunner::SshRemoteProcessRunner(QObject *parent)
    : QObject(parent)
    , d(new Private(this))
{
    d->watchdog.setSingleShot(true);
    connect(&d->watchdog, &QTimer::timeout, this, [this] {
        if (!d->process)
            return;
        d->timedOut = true;
        d->process->kill();
    });
}

SshRemoteProcessRunner::~SshRemoteProcessRunner()
{
    d->stop();
    delete d;
}

void SshRemoteProcessRunner::run(const QString &command, const SshConnectionParameters &sshParams)
{
    d->stop();
    d->command = command;
    d->stdOut.clear();
    d->stdErr.clear();
    d->exitCode = -1;
    d->errorString.clear();
    d->timedOut = false;
    d->start(sshParams);
}

void SshRemoteProcessRunner::cancel()
{
    d->stop();
}

QString SshRemoteProcessRunner::command() const
{
    return d->command;
}

bool SshRemoteProcessRunner::isProcessRunning() const
{
    return d->process != nullptr;
}

int SshRemoteProcessRunner::processExitCode() const
{
    return d->exitCode;
}

QString SshRemoteProcessRunner::processErrorString() const
{
    return d->errorString;
}

QByteArray SshRemoteProcessRunner::readAllStandardOutput()
{
    d->collectOutput();
    return std::exchange(d->stdOut, QByteArray());
}

QByteArray SshRemoteProcessRunner::readAllStandardError()
{
    d->collectOutput();
    return std::exchange(d->stdErr, QByteArray());
}

} // namespace QSsh
