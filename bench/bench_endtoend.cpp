// The plug-in in the host against the simulated emulator: how long the menu
// takes to bring the window up from a machine that is off, and the round trip
// of a call through the sensors manager to the guest's D-Bus service and back,
// next to a bare QWebSocket talking to a loopback echo server.

#include "benchutils.h"
#include "isolatedemulator.h"
#include "loopbackechoserver.h"
#include "modalanswerer.h"

#include <idehost.h>

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <guest/sshserver.h>
#include <hangar/emulator.h>
#include <hangar/emulatorconfiguration.h>
#include <hangar/sdk.h>
#include <hangar/simulatedvirtualmachine.h>

#include <QAbstractSocket>
#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickView>
#include <QRandomGenerator>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QUdpSocket>
#include <QUrl>
#include <QWebSocket>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

using MimicryBench::LoopbackEchoServer;

using MimicryBench::cpuMs;
using MimicryBench::err;
using MimicryBench::median;
using MimicryBench::medianOf;
using MimicryBench::readCountOption;
using MimicryBench::out;
using MimicryBench::percentile;

namespace {

const char showActionId[] = "Mimicry.ShowMimicryView.Action";
const quint16 channelPort = 5454;
const quint16 cameraPort = 34343;

// The guest's packages that the plug-in's SSH check looks for.
// Generous: an ASan build starts the machine several times slower.
const int windowTimeoutMs = 120000;
const int connectTimeoutMs = 30000;
// Replies that keep coming this long after the last one belong to the
// managers' own start-up calls, not to ours.
const int quietMs = 300;
// An open window that nothing changes should cost next to nothing.
const double idleBudgetPercent = 0.5;
// What showing a page sends and draws is not idling.
const int settleMs = 1000;
const int settleTimeoutMs = 10000;
const int guestLogLines = 40;

void fail(const QString &message)
{
    err() << "bench_endtoend: " << message << "\n";
    err().flush();
}

// The plug-in's classes live in its library; this program reaches its
// objects by name only, so their signals come in through here.
class SignalRelay : public QObject
{
    Q_OBJECT

public:
    std::function<void()> onSignal = [] {};
    std::function<void(const QString &)> onText = [](const QString &) {};

public slots:
    void relaySignal() { onSignal(); }
    void relayText(const QString &text) { onText(text); }
};

// The plug-in reports trouble in modal message boxes that nobody would
// answer here: runs the loop, closes any box that comes up, ends the wait
// with 2 and says what the box said.
int execAnsweringBoxes(QEventLoop &loop, QString *said)
{
    ModalAnswerer answerer;
    answerer.setAnswer(QMessageBox::Close);
    QObject::connect(&answerer, &ModalAnswerer::answered, &loop, [&loop] { loop.exit(2); });
    const int result = loop.exec();
    if (!answerer.boxes().isEmpty()) {
        const ModalAnswerer::Box box = answerer.boxes().constLast();
        *said = QStringList{box.text, box.informativeText}.join(QLatin1Char(' ')).trimmed();
    }
    return result;
}

// Runs the loop until something quits it (true), the time is up or a
// message box came up (false).
bool runUntil(QEventLoop &loop, int timeoutMs, const QString &what)
{
    QTimer::singleShot(timeoutMs, &loop, [&loop] { loop.exit(1); });
    QString said;
    const int result = execAnsweringBoxes(loop, &said);
    if (result == 1)
        fail(QStringLiteral("timed out after %1 s waiting for %2").arg(timeoutMs / 1000).arg(what));
    else if (result == 2)
        fail(QStringLiteral("the plug-in said, while waiting for %1: %2").arg(what, said));
    return result == 0;
}

// What holds either fixed port would take the guest's forwarded ports, or
// answer the channel in the guest's place.
bool portsAreFree()
{
    QTcpServer tcp;
    if (!tcp.listen(QHostAddress::LocalHost, channelPort)) {
        fail(QStringLiteral("TCP port %1 is taken (%2). The plug-in's channel only connects there; stop "
                            "whatever holds it (a running emulator, Qt Creator with the plug-in, a test or "
                            "another benchmark) and retry.")
                 .arg(channelPort)
                 .arg(tcp.errorString()));
        return false;
    }
    QUdpSocket udp;
    // Without sharing: a holder with SO_REUSEADDR must not go unnoticed.
    if (!udp.bind(QHostAddress::LocalHost, cameraPort, QAbstractSocket::DontShareAddress)) {
        fail(QStringLiteral("UDP port %1 is taken (%2). The machine forwards the camera's port there; stop "
                            "whatever holds it and retry.")
                 .arg(cameraPort)
                 .arg(udp.errorString()));
        return false;
    }
    return true;
}

// One host with the plug-in and one simulated machine that has never run,
// in a temporary directory of its own.
class Session
{
public:
    explicit Session(bool printLog)
        : m_printLog(printLog)
    {}

    ~Session()
    {
        // Shutting the plug-in down and dropping the SDK powers the machine off.
        m_host.reset();
        m_settings.reset();
    }

    bool open()
    {
        if (!m_dir.isValid()) {
            fail(QStringLiteral("cannot create a temporary directory"));
            return false;
        }
        const QString configFile = m_dir.filePath(QStringLiteral("emulators.ini"));
        writeIsolatedEmulatorConfig(configFile, QStringLiteral("Bench Emulator"),
                                    m_dir.filePath(QStringLiteral("ssh/id_ed25519")));

        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
        m_host = std::make_unique<IdeHost>(m_settings.get());
        m_host->loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
        if (!m_host->errors().isEmpty()) {
            fail(QStringLiteral("cannot load the plug-in from %1: %2")
                     .arg(QStringLiteral(MIMICRY_PLUGIN_DIR), m_host->errors().join(QLatin1String("; "))));
            return false;
        }
        QString error;
        if (!Hangar::EmulatorConfiguration(configFile, QStringLiteral(MIMICRY_EMULATOR_PROGRAM))
                 .load(m_host->sdk(), &error)) {
            fail(error);
            return false;
        }
        if (Hangar::Sdk::emulators().size() != 1) {
            fail(QStringLiteral("the SDK knows %1 emulators instead of one").arg(Hangar::Sdk::emulators().size()));
            return false;
        }
        m_machine = Hangar::Sdk::emulators().constFirst()->virtualMachine();
        if (auto simulated = qobject_cast<Hangar::SimulatedVirtualMachine *>(m_machine)) {
            QObject::connect(simulated, &Hangar::SimulatedVirtualMachine::logLine, [this](const QString &line) {
                if (m_printLog) {
                    out() << "guest: " << line << "\n";
                    out().flush();
                }
                m_log.append(line);
                if (m_log.size() > guestLogLines)
                    m_log.removeFirst();
            });
        }

        const QWindowList windows = QGuiApplication::topLevelWindows();
        for (QWindow *window : windows) {
            if (auto view = qobject_cast<QQuickView *>(window))
                m_view = view;
        }
        Core::Command *command = Core::ActionManager::command(showActionId);
        m_showAction = command ? command->action() : nullptr;
        if (!m_view || !m_showAction || !contextObject("sensorsEmulationManager")
            || !contextObject("remoteDBusInvokerService")) {
            fail(QStringLiteral("the plug-in loaded, but its window, menu action or managers are missing"));
            return false;
        }
        return true;
    }

    // The guest logs every command line; printing them would be timed too.
    void setPrintLog(bool print) { m_printLog = print; }

    QQuickView *view() const { return m_view; }
    QAction *showAction() const { return m_showAction; }
    Hangar::VirtualMachine *machine() const { return m_machine; }

    QObject *contextObject(const char *name) const
    {
        return m_view ? m_view->rootContext()->contextProperty(QLatin1String(name)).value<QObject *>() : nullptr;
    }

    void printGuestLog() const
    {
        if (m_log.isEmpty())
            return;
        err() << "last lines the machine logged:\n";
        for (const QString &line : m_log)
            err() << "  " << line << "\n";
        err().flush();
    }

private:
    bool m_printLog;
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
    Hangar::VirtualMachine *m_machine = nullptr;
    QQuickView *m_view = nullptr;
    QAction *m_showAction = nullptr;
    QStringList m_log;
};

struct StartUp
{
    double windowShownMs = 0;
    double channelConnectedMs = 0;
};

// From the menu choice to the window on screen, then on to the channel that
// the window opened; both from the same start.
bool measureStartUp(Session &session, StartUp *result)
{
    if (!session.machine()->isOff()) {
        fail(QStringLiteral("the fresh machine is already running"));
        return false;
    }
    QElapsedTimer clock;
    qint64 shownAt = -1;
    qint64 connectedAt = -1;
    QEventLoop shown;
    QEventLoop connected;
    const QMetaObject::Connection visibility =
        QObject::connect(session.view(), &QWindow::visibleChanged, [&](bool visible) {
            if (visible && shownAt < 0) {
                shownAt = clock.nsecsElapsed();
                shown.quit();
            }
        });
    SignalRelay relay;
    relay.onSignal = [&] {
        if (connectedAt < 0) {
            connectedAt = clock.nsecsElapsed();
            connected.quit();
        }
    };
    QObject::connect(session.contextObject("remoteDBusInvokerService"), SIGNAL(webSocketConnected()), &relay,
                     SLOT(relaySignal()));

    clock.start();
    // Adds the port forwarding rules before it returns; the rest follows on
    // the event loop.
    session.showAction()->trigger();
    bool ok = shownAt >= 0 || runUntil(shown, windowTimeoutMs, QStringLiteral("the window"));
    ok = ok && (connectedAt >= 0 || runUntil(connected, connectTimeoutMs, QStringLiteral("the channel to connect")));
    QObject::disconnect(visibility);
    if (!ok)
        return false;
    result->windowShownMs = shownAt / 1e6;
    result->channelConnectedMs = connectedAt / 1e6;
    return true;
}

// Right after connecting, the managers send the guest their stored values;
// wait until those replies are through.
bool waitForQuietChannel(Session &session)
{
    QEventLoop loop;
    QTimer quiet;
    quiet.setSingleShot(true);
    QObject::connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
    SignalRelay relay;
    relay.onText = [&quiet](const QString &) { quiet.start(quietMs); };
    QObject::connect(session.contextObject("remoteDBusInvokerService"), SIGNAL(replyReceived(QString)), &relay,
                     SLOT(relayText(QString)));
    quiet.start(quietMs);
    return runUntil(loop, settleTimeoutMs, QStringLiteral("the managers' start-up calls to be answered"));
}

// The open window while nothing changes: the process's CPU time as a share
// of one core, and the lines it sends and the frames it draws per second.
struct Idle
{
    QString window;
    double cpuPercent = 0;
    double linesPerSecond = 0;
    double framesPerSecond = 0;
};

Idle idleFor(Session &session, const QString &window, int ms)
{
    int lines = 0;
    int frames = 0;
    SignalRelay relay;
    relay.onText = [&lines](const QString &) { ++lines; };
    QObject::connect(session.contextObject("remoteDBusInvokerService"), SIGNAL(replyReceived(QString)), &relay,
                     SLOT(relayText(QString)));
    const QMetaObject::Connection swapped =
        QObject::connect(session.view(), &QQuickWindow::frameSwapped, [&frames] { ++frames; });
    const double beforeMs = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    const double seconds = ms / 1000.0;
    QObject::disconnect(swapped);
    return {window, (cpuMs(CLOCK_PROCESS_CPUTIME_ID) - beforeMs) / ms * 100, lines / seconds, frames / seconds};
}

void showPage(Session &session, const char *page)
{
    QObject *root = session.view()->rootObject();
    QQmlExpression(qmlContext(root), root, QStringLiteral("switchVisiblePage(%1)").arg(QLatin1String(page)))
        .evaluate();
}

// The hidden window first, as the reference; then each page, once what
// showing it sends and draws is over.
std::vector<Idle> measureIdle(Session &session, int ms)
{
    std::vector<Idle> result;
    session.view()->hide();
    QEventLoop settle;
    QTimer::singleShot(settleMs, &settle, &QEventLoop::quit);
    settle.exec();
    result.push_back(idleFor(session, QStringLiteral("hidden (reference)"), ms));
    session.view()->show();
    for (const char *page : {"sensorsManagementPage", "sensorsValuesPage", "smartphoneModelPage",
                             "gpsManagementPage", "cameraManagementPage"}) {
        showPage(session, page);
        QTimer::singleShot(settleMs, &settle, &QEventLoop::quit);
        settle.exec();
        result.push_back(idleFor(session, QLatin1String(page), ms));
    }
    return result;
}

struct RoundTrips
{
    bool ok = false;
    std::vector<qint64> ns;
};

int phaseTimeoutMs(int calls)
{
    return 30000 + 5 * calls;
}

// One setAlsLuxValue() at a time through the real manager; the clock stops
// when the manager reports "OK", and the next call goes out once the raw
// line has shown that the reply was ours.
RoundTrips managerRoundTrips(Session &session, int calls, int firstValue)
{
    RoundTrips result;
    result.ns.reserve(calls);
    QObject *manager = session.contextObject("sensorsEmulationManager");
    QObject *channel = session.contextObject("remoteDBusInvokerService");

    QEventLoop loop;
    QElapsedTimer clock;
    qint64 sentAt = 0;
    qint64 repliedAt = -1;
    QString verdict;
    int sent = 0;
    QString bad;
    const auto sendNext = [&] {
        repliedAt = -1;
        sentAt = clock.nsecsElapsed();
        const int lux = firstValue + sent++;
        QMetaObject::invokeMethod(manager, "setAlsLuxValue", Q_ARG(int, lux));
    };

    // The manager hears the line before the relay does: it connected first.
    SignalRelay managerRelay;
    managerRelay.onText = [&](const QString &reply) {
        repliedAt = clock.nsecsElapsed();
        verdict = reply;
    };
    SignalRelay channelRelay;
    channelRelay.onText = [&](const QString &line) {
        if (repliedAt < 0 || verdict != QLatin1String("OK") || !line.startsWith(QLatin1String("setAlsValue:"))) {
            bad = QStringLiteral("\"%1\" (the manager said \"%2\")").arg(line, verdict);
            loop.exit(3);
            return;
        }
        result.ns.push_back(repliedAt - sentAt);
        if (sent == calls)
            loop.quit();
        else
            sendNext();
    };
    QObject::connect(manager, SIGNAL(replyFromEmulatorReceived(QString)), &managerRelay, SLOT(relayText(QString)));
    QObject::connect(channel, SIGNAL(replyReceived(QString)), &channelRelay, SLOT(relayText(QString)));

    clock.start();
    sendNext();
    QTimer::singleShot(phaseTimeoutMs(calls), &loop, [&loop] { loop.exit(1); });
    QString said;
    const int exitCode = execAnsweringBoxes(loop, &said);
    if (exitCode == 1)
        fail(QStringLiteral("sensors manager: %1 of %2 calls answered before the time ran out")
                 .arg(result.ns.size())
                 .arg(calls));
    else if (exitCode == 2)
        fail(QStringLiteral("the plug-in said: %1").arg(said));
    else if (exitCode == 3)
        fail(QStringLiteral("sensors manager: unexpected reply to call %1: %2").arg(QString::number(sent), bad));
    result.ok = exitCode == 0;
    return result;
}

// The line the channel writes for setAlsLuxValue(lux), so both sides carry
// the same bytes.
QString alsLine(int lux)
{
    return QStringLiteral("system org.tern.SensorfwMimicry /org/tern/SensorfwMimicry org.tern.SensorfwMimicry "
                          "setAlsValue int32:%1")
        .arg(lux);
}

// The same line over a plain socket: to the echo server, or straight to the
// guest's forwarded port without the plug-in.
RoundTrips socketRoundTrips(QWebSocket &socket, int calls, const QString &who)
{
    RoundTrips result;
    result.ns.reserve(calls);
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 sentAt = 0;
    int sent = 0;
    QString bad;
    const auto sendNext = [&] {
        sentAt = clock.nsecsElapsed();
        socket.sendTextMessage(alsLine(sent++));
    };
    const QMetaObject::Connection connection =
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [&](const QString &reply) {
            result.ns.push_back(clock.nsecsElapsed() - sentAt);
            if (!reply.startsWith(QLatin1String("setAlsValue:"))) {
                bad = reply;
                loop.exit(3);
            } else if (sent == calls) {
                loop.quit();
            } else {
                sendNext();
            }
        });

    clock.start();
    sendNext();
    QTimer::singleShot(phaseTimeoutMs(calls), &loop, [&loop] { loop.exit(1); });
    // Watched like the other side, so both pay for the same timer.
    QString said;
    const int exitCode = execAnsweringBoxes(loop, &said);
    QObject::disconnect(connection);
    if (exitCode == 1)
        fail(QStringLiteral("%1: %2 of %3 calls answered before the time ran out")
                 .arg(who)
                 .arg(result.ns.size())
                 .arg(calls));
    else if (exitCode == 2)
        fail(QStringLiteral("the plug-in said: %1").arg(said));
    else if (exitCode == 3)
        fail(QStringLiteral("%1: unexpected reply \"%2\"").arg(who, bad));
    result.ok = exitCode == 0;
    return result;
}

bool connectSocket(QWebSocket &socket, quint16 port, const QString &who)
{
    QEventLoop loop;
    QObject::connect(&socket, &QWebSocket::connected, &loop, &QEventLoop::quit);
    socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port)));
    return runUntil(loop, connectTimeoutMs, who + QStringLiteral(" to connect"));
}

QString row(const QString &label, double first, double second, int decimals)
{
    return QStringLiteral("%1 %2 %3\n")
        .arg(label, -24)
        .arg(first, 16, 'f', decimals)
        .arg(second, 16, 'f', decimals);
}

QString ratioRow(const QString &label, double ours, double direct, double bare)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6\n")
        .arg(label, -24)
        .arg(ours, 16, 'f', 1)
        .arg(direct, 16, 'f', 1)
        .arg(bare, 16, 'f', 1)
        .arg(direct > 0 ? ours / direct : 0, 14, 'f', 2)
        .arg(bare > 0 ? ours / bare : 0, 14, 'f', 2);
}

} // namespace

int main(int argc, char *argv[])
{
    MimicryBench::setUpPlatform();

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_endtoend"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The plug-in in the host against the simulated emulator: time from the menu to the "
                       "window with the machine off, and the round trip of a sensors manager call through the "
                       "guest's D-Bus service, against a bare QWebSocket on a loopback echo server."));
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Start-ups to time, each with a fresh machine "
                                                       "(default 3, 1 with --quick)."),
                                        QStringLiteral("N"));
    const QCommandLineOption callsOption(QStringLiteral("calls"),
                                         QStringLiteral("Round trips on each side (default 2000, "
                                                        "100 with --quick)."),
                                         QStringLiteral("N"));
    const QCommandLineOption quickOption(QStringLiteral("quick"), QStringLiteral("Smoke run of a few seconds."));
    const QCommandLineOption idleOption(QStringLiteral("idle-seconds"),
                                        QStringLiteral("Seconds of idling on each page (default 10, 1 with "
                                                       "--quick)."),
                                        QStringLiteral("N"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Print each start-up and what the machine logs."));
    parser.addOptions({runsOption, callsOption, idleOption, quickOption, verboseOption});
    parser.process(app);

    const bool quick = parser.isSet(quickOption);
    const bool verbose = parser.isSet(verboseOption);
    int runs = 0;
    int calls = 0;
    int idleSeconds = 0;
    if (!readCountOption(parser, runsOption, quick ? 1 : 3, 1, &runs)
        || !readCountOption(parser, callsOption, quick ? 100 : 2000, 1, &calls)
        || !readCountOption(parser, idleOption, quick ? 1 : 10, 1, &idleSeconds)) {
        err() << "bench_endtoend: --runs, --calls and --idle-seconds take a positive number\n";
        return 2;
    }
    const int warmUpCalls = std::min(calls, quick ? 20 : 200);

    const QString unavailable = Guest::SshServer::unavailableReason();
    if (!unavailable.isEmpty()) {
        fail(QStringLiteral("the simulated emulator cannot run here: %1").arg(unavailable));
        return 1;
    }
    if (!portsAreFree())
        return 1;

    std::vector<double> shownMs;
    std::vector<double> connectedMs;
    std::unique_ptr<Session> session;
    for (int run = 0; run < runs; ++run) {
        // The previous machine powers off here, before the next one starts.
        session.reset();
        session = std::make_unique<Session>(verbose);
        StartUp startUp;
        if (!session->open() || !measureStartUp(*session, &startUp)) {
            session->printGuestLog();
            return 1;
        }
        shownMs.push_back(startUp.windowShownMs);
        connectedMs.push_back(startUp.channelConnectedMs);
        if (verbose) {
            out() << "start-up " << run + 1 << ": window shown after " << QString::number(startUp.windowShownMs, 'f', 1)
                  << " ms, channel connected after " << QString::number(startUp.channelConnectedMs, 'f', 1)
                  << " ms\n";
            out().flush();
        }
    }

    // The last machine stays on for the calls.
    session->setPrintLog(false);
    if (!waitForQuietChannel(*session)) {
        session->printGuestLog();
        return 1;
    }

    LoopbackEchoServer server;
    if (!server.start(0)) {
        fail(QStringLiteral("cannot start the loopback echo server: %1").arg(server.errorString()));
        return 1;
    }
    const QString bareName = QStringLiteral("bare QWebSocket");
    const QString directName = QStringLiteral("QWebSocket to the guest");
    QWebSocket bareSocket(QString(), QWebSocketProtocol::VersionLatest);
    QWebSocket directSocket(QString(), QWebSocketProtocol::VersionLatest);
    bool ok = connectSocket(bareSocket, server.port(), bareName)
              && connectSocket(directSocket, channelPort, directName);

    ok = ok && managerRoundTrips(*session, warmUpCalls, 1).ok
         && socketRoundTrips(directSocket, warmUpCalls, directName).ok
         && socketRoundTrips(bareSocket, warmUpCalls, bareName).ok;
    // Open on Sensors Values, the window draws every new value on the GUI
    // thread, in the middle of the next call; hidden, only the call is left.
    const RoundTrips drawn = ok ? managerRoundTrips(*session, calls, 1000) : RoundTrips();
    ok = ok && drawn.ok;
    session->view()->hide();
    const RoundTrips ours = ok ? managerRoundTrips(*session, calls, 1000 + calls) : RoundTrips();
    session->view()->show();
    ok = ok && ours.ok;
    const RoundTrips direct = ok ? socketRoundTrips(directSocket, calls, directName) : RoundTrips();
    ok = ok && direct.ok;
    const RoundTrips bare = ok ? socketRoundTrips(bareSocket, calls, bareName) : RoundTrips();
    ok = ok && bare.ok;
    if (!ok)
        session->printGuestLog();
    const std::vector<Idle> idle = ok ? measureIdle(*session, idleSeconds * 1000) : std::vector<Idle>();

    directSocket.close();
    bareSocket.close();
    server.stop();
    // Powers the machine off: no daemon of the guest outlives this program.
    session.reset();
    if (!ok)
        return 1;

    const double usPerNs = 1e-3;
    out() << "bench_endtoend: " << runs << " start-up(s), " << calls << " calls per side, Qt " << qVersion()
          << "\nmachine: " << QStringLiteral(MIMICRY_EMULATOR_PROGRAM) << "\n\n";
    out() << QStringLiteral("%1 %2 %3\n")
                 .arg(QStringLiteral("menu, machine off"), -24)
                 .arg(QStringLiteral("median (ms)"), 16)
                 .arg(QStringLiteral("max (ms)"), 16);
    out() << row(QStringLiteral("window shown"), median(shownMs), *std::max_element(shownMs.begin(), shownMs.end()),
                 1);
    out() << row(QStringLiteral("channel connected"), median(connectedMs),
                 *std::max_element(connectedMs.begin(), connectedMs.end()), 1);
    out() << "\n";
    out() << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                 .arg(QString(), -24)
                 .arg(QStringLiteral("manager+guest"), 16)
                 .arg(QStringLiteral("socket+guest"), 16)
                 .arg(QStringLiteral("bare QWebSocket"), 16)
                 .arg(QStringLiteral("ours/socket"), 14)
                 .arg(QStringLiteral("ours/bare"), 14);
    out() << ratioRow(QStringLiteral("RTT median (us)"), medianOf(ours.ns) * usPerNs, medianOf(direct.ns) * usPerNs,
                      medianOf(bare.ns) * usPerNs);
    out() << ratioRow(QStringLiteral("RTT p99 (us)"), percentile(ours.ns, 99) * usPerNs,
                      percentile(direct.ns, 99) * usPerNs, percentile(bare.ns, 99) * usPerNs);
    out() << ratioRow(QStringLiteral("drawn, median (us)"), medianOf(drawn.ns) * usPerNs,
                      medianOf(direct.ns) * usPerNs, medianOf(bare.ns) * usPerNs);
    out() << ratioRow(QStringLiteral("drawn, p99 (us)"), percentile(drawn.ns, 99) * usPerNs,
                      percentile(direct.ns, 99) * usPerNs, percentile(bare.ns, 99) * usPerNs);
    out() << QStringLiteral("\n%1 %2 %3 %4 %5\n")
                 .arg(QStringLiteral("window, nothing changing"), -24)
                 .arg(QStringLiteral("% of a core"), 16)
                 .arg(QStringLiteral("lines/s"), 16)
                 .arg(QStringLiteral("frames/s"), 16)
                 .arg(QStringLiteral("/budget"), 14);
    for (const Idle &window : idle) {
        out() << QStringLiteral("%1 %2 %3 %4 %5\n")
                     .arg(window.window, -24)
                     .arg(window.cpuPercent, 16, 'f', 3)
                     .arg(window.linesPerSecond, 16, 'f', 1)
                     .arg(window.framesPerSecond, 16, 'f', 1)
                     .arg(window.cpuPercent / idleBudgetPercent, 14, 'f', 2);
    }
    out() << "\nmanager+guest: setAlsLuxValue() until the manager's \"OK\": the plug-in's channel, the guest's "
             "command service and its D-Bus call, with the window hidden; drawn: the same with the window open on "
             "Sensors Values, drawing each value.\n"
             "socket+guest: the same line from a plain QWebSocket to the guest's port, without the plug-in.\n"
             "bare QWebSocket: the same line to a loopback echo server, the reference for ours/bare.\n"
             "window, nothing changing: the host's CPU time over the idle seconds, against the budget of 0.5 % of a "
             "core; the hidden window is the floor.\n";
    out().flush();
    return 0;
}

#include "bench_endtoend.moc"
