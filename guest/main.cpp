#include "emulatormachine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void handleSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop, so that the machine stops its
// daemons and releases its ports in order.
void quitOnSignals(QCoreApplication *app)
{
    if (::pipe(signalPipe) != 0)
        return;
    auto notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = handleSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool parseForward(const QString &text, Guest::EmulatorMachine::Forward *forward)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3 || (parts.at(0) != QLatin1String("tcp") && parts.at(0) != QLatin1String("udp")))
        return false;
    bool hostOk = false;
    bool guestOk = false;
    const uint host = parts.at(1).toUInt(&hostOk);
    const uint guest = parts.at(2).toUInt(&guestOk);
    if (!hostOk || !guestOk || host == 0 || host > 65535 || guest == 0 || guest > 65535)
        return false;
    *forward = {parts.at(0) == QLatin1String("udp"), quint16(host), quint16(guest)};
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // The machine is the SDK's child: it goes when the SDK goes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mimicry-emulator"));
    QTextStream out(stdout);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A simulated Keel OS emulator with its guest services."));
    parser.addHelpOption();
    const QCommandLineOption nameOption(QStringLiteral("name"), QStringLiteral("The machine's name."),
                                        QStringLiteral("name"), QStringLiteral("Keel OS Emulator"));
    const QCommandLineOption stateOption(QStringLiteral("state-dir"),
                                         QStringLiteral("Directory for the machine's sockets, keys and logs."),
                                         QStringLiteral("dir"));
    const QCommandLineOption sshPortOption(QStringLiteral("ssh-port"), QStringLiteral("Loopback port of sshd."),
                                           QStringLiteral("port"));
    const QCommandLineOption keyOption(QStringLiteral("authorized-key"),
                                       QStringLiteral("Public key that may log in over SSH."),
                                       QStringLiteral("file"));
    const QCommandLineOption packagesOption(QStringLiteral("packages"),
                                            QStringLiteral("Comma-separated list of installed packages."),
                                            QStringLiteral("list"));
    const QCommandLineOption addressOption(QStringLiteral("guest-address"),
                                           QStringLiteral("Loopback address the guest's services listen on."),
                                           QStringLiteral("address"), QStringLiteral("127.0.0.2"));
    const QCommandLineOption forwardOption(QStringLiteral("forward"),
                                           QStringLiteral("A port forwarding rule, tcp|udp:hostport:guestport."),
                                           QStringLiteral("rule"));
    parser.addOptions({nameOption, stateOption, sshPortOption, keyOption, packagesOption, addressOption,
                       forwardOption});
    parser.process(app);

    Guest::EmulatorMachine::Settings settings;
    settings.name = parser.value(nameOption);
    settings.stateDir = parser.value(stateOption);
    settings.sshPort = quint16(parser.value(sshPortOption).toUInt());
    settings.authorizedKeyFile = parser.value(keyOption);
    settings.packages = parser.value(packagesOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
    settings.guestAddress = QHostAddress(parser.value(addressOption));
    const QStringList forwards = parser.values(forwardOption);
    for (const QString &text : forwards) {
        Guest::EmulatorMachine::Forward forward;
        if (!parseForward(text, &forward)) {
            out << "bad forwarding rule: " << text << Qt::endl;
            return 2;
        }
        settings.forwards.append(forward);
    }
    if (settings.stateDir.isEmpty() || settings.sshPort == 0 || settings.authorizedKeyFile.isEmpty()
        || settings.guestAddress.isNull() || !settings.guestAddress.isLoopback()) {
        out << "--state-dir, --ssh-port, --authorized-key and a loopback --guest-address are needed" << Qt::endl;
        return 2;
    }

    quitOnSignals(&app);
    Guest::EmulatorMachine machine(settings);
    QObject::connect(&machine, &Guest::EmulatorMachine::logLine, &app,
                     [&out](const QString &line) { out << line << Qt::endl; });
    QString error;
    if (!machine.start(&error)) {
        out << "the machine could not start: " << error << Qt::endl;
        return 1;
    }
    // Lets tools stop the machine from outside, as a user closing it would.
    QFile pidFile(QDir(settings.stateDir).filePath(QStringLiteral("run/pid")));
    if (pidFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        pidFile.write(QByteArray::number(QCoreApplication::applicationPid()));
    pidFile.close();
    out << settings.name << " is running; services on " << settings.guestAddress.toString() << Qt::endl;
    out << "READY" << Qt::endl;
    const int status = app.exec();
    machine.stop();
    out << settings.name << " is off" << Qt::endl;
    return status;
}
