// Command lines through the plug-in's channel and a manager, next to a bare
// QWebSocket talking to the same echo server: throughput and round trips.

#include "benchutils.h"
#include "loopbackechoserver.h"

#include <link/emulationmanager.h>
#include <link/remotedbusinvokerservice.h>
#include <link/wireformat.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

using Mimicry::Internal::EmulationManager;
using Mimicry::Internal::RemoteDBusInvokerService;
using MimicryBench::LoopbackEchoServer;

using MimicryBench::err;
using MimicryBench::median;
using MimicryBench::medianOf;
using MimicryBench::out;
using MimicryBench::percentile;
using MimicryBench::readCountOption;

namespace {

const int connectTimeoutMs = 5000;

// Stands in for the sensors manager: same bus and service, one setter.
class BenchManager : public EmulationManager
{
public:
    QString busType() const override { return QStringLiteral("system"); }
    QString serviceName() const override { return QStringLiteral("org.tern.SensorfwMimicry"); }
    QString objectPath() const override { return QStringLiteral("/"); }
    QString interfaceName() const override { return QStringLiteral("org.tern.SensorfwMimicry"); }
    void handleSuccessfulReply(const QStringList &fields) override { m_lastX = fields.at(1).toInt(); }

    void setAccelerometerX(int value)
    {
        callMethod(QStringLiteral("setAccelerometerX"), Mimicry::Internal::WireFormat::tokens(value));
    }

private:
    int m_lastX = 0;
};

// One side of the comparison: sends call number i, hands each reply on.
class Client
{
public:
    virtual ~Client() = default;
    virtual QString name() const = 0;
    virtual bool connectToServer() = 0;
    virtual void send(int value) = 0;
    virtual bool isGoodReply(const QString &reply) const = 0;

    void setReplyHandler(const std::function<void(const QString &)> &handler) { m_handler = handler; }

protected:
    void deliver(const QString &reply) { m_handler(reply); }

private:
    std::function<void(const QString &)> m_handler = [](const QString &) {};
};

bool waitFor(const char *what, const std::function<void(QEventLoop &)> &arm)
{
    QEventLoop loop;
    QTimer::singleShot(connectTimeoutMs, &loop, [&loop] { loop.exit(1); });
    arm(loop);
    if (loop.exec() == 0)
        return true;
    err() << "bench_channel: timed out waiting for " << what << "\n";
    err().flush();
    return false;
}

class ChannelClient : public Client
{
public:
    explicit ChannelClient(quint16 port)
    {
        m_channel.setUrl(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port)));
        m_manager.setRdbusinvoker(&m_channel);
        QObject::connect(&m_manager, &EmulationManager::replyFromEmulatorReceived,
                         [this](const QString &reply) { deliver(reply); });
    }

    QString name() const override { return QStringLiteral("channel+manager"); }

    bool connectToServer() override
    {
        m_channel.setRetryDelays(20, 200);
        return waitFor("the channel to connect", [this](QEventLoop &loop) {
            QObject::connect(&m_channel, &RemoteDBusInvokerService::webSocketConnected, &loop,
                             &QEventLoop::quit);
            m_channel.openConnection();
        });
    }

    void send(int value) override { m_manager.setAccelerometerX(value); }
    bool isGoodReply(const QString &reply) const override { return reply == QLatin1String("OK"); }

private:
    // Declared first so it outlives the manager bound to it.
    RemoteDBusInvokerService m_channel;
    BenchManager m_manager;
};

class BareClient : public Client
{
public:
    explicit BareClient(quint16 port)
        : m_socket(QString(), QWebSocketProtocol::VersionLatest)
        , m_port(port)
    {
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived,
                         [this](const QString &reply) { deliver(reply); });
    }

    QString name() const override { return QStringLiteral("bare QWebSocket"); }

    bool connectToServer() override
    {
        return waitFor("the bare socket to connect", [this](QEventLoop &loop) {
            QObject::connect(&m_socket, &QWebSocket::connected, &loop, &QEventLoop::quit);
            m_socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(m_port)));
        });
    }

    // The very line the channel writes for the same call.
    void send(int value) override
    {
        m_socket.sendTextMessage(QStringLiteral("system org.tern.SensorfwMimicry / "
                                                "org.tern.SensorfwMimicry setAccelerometerX int32:%1")
                                     .arg(value));
    }

    bool isGoodReply(const QString &reply) const override
    {
        return reply.startsWith(QLatin1String("setAccelerometerX:"));
    }

private:
    QWebSocket m_socket;
    quint16 m_port;
};

struct PhaseResult
{
    bool ok = false;
    double linesPerSecond = 0;
    double cpuNsPerCall = 0;
    std::vector<qint64> roundTripsNs;
};

// Generous: only a lost reply or a dead server should ever hit it.
int phaseTimeoutMs(int calls)
{
    return 30000 + calls;
}

bool runLoop(QEventLoop &loop, const Client &client, int calls, const char *phase)
{
    QTimer::singleShot(phaseTimeoutMs(calls), &loop, [&loop] { loop.exit(1); });
    if (loop.exec() == 0)
        return true;
    err() << "bench_channel: " << client.name() << ": " << phase << " timed out after "
          << phaseTimeoutMs(calls) / 1000 << " s\n";
    err().flush();
    return false;
}

bool checkReplies(const Client &client, int bad, const char *phase)
{
    if (bad == 0)
        return true;
    err() << "bench_channel: " << client.name() << ": " << bad << " unexpected replies during "
          << phase << "\n";
    err().flush();
    return false;
}

// All calls written back to back, then wait for every reply.
PhaseResult measureThroughput(Client &client, int calls)
{
    PhaseResult result;
    QEventLoop loop;
    int received = 0;
    int bad = 0;
    client.setReplyHandler([&](const QString &reply) {
        if (!client.isGoodReply(reply))
            ++bad;
        if (++received == calls)
            loop.quit();
    });

    QElapsedTimer clock;
    // The client thread's own work, without the time it waited for a CPU.
    const double cpuStartMs = MimicryBench::cpuMs(CLOCK_THREAD_CPUTIME_ID);
    clock.start();
    for (int i = 0; i < calls; ++i)
        client.send(i);
    const bool finished = runLoop(loop, client, calls, "throughput");
    const qint64 elapsedNs = clock.nsecsElapsed();
    result.cpuNsPerCall = (MimicryBench::cpuMs(CLOCK_THREAD_CPUTIME_ID) - cpuStartMs) * 1e6 / calls;
    client.setReplyHandler([](const QString &) {});

    result.ok = finished && checkReplies(client, bad, "throughput");
    result.linesPerSecond = elapsedNs > 0 ? calls * 1e9 / elapsedNs : 0;
    return result;
}

// One call at a time; the next goes out from the previous one's reply.
PhaseResult measureRoundTrips(Client &client, int calls)
{
    PhaseResult result;
    result.roundTripsNs.reserve(calls);
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 sentAt = 0;
    int sent = 0;
    int bad = 0;
    const auto sendNext = [&] {
        sentAt = clock.nsecsElapsed();
        client.send(sent++);
    };
    client.setReplyHandler([&](const QString &reply) {
        result.roundTripsNs.push_back(clock.nsecsElapsed() - sentAt);
        if (!client.isGoodReply(reply))
            ++bad;
        if (sent == calls)
            loop.quit();
        else
            sendNext();
    });

    clock.start();
    sendNext();
    const bool finished = runLoop(loop, client, calls, "round trips");
    client.setReplyHandler([](const QString &) {});
    result.ok = finished && checkReplies(client, bad, "round trips");
    return result;
}

struct Figures
{
    // One entry per round, in round order.
    std::vector<double> throughputs;
    std::vector<double> cpuNsPerCall;
    std::vector<qint64> roundTripsNs;
};

// Each round measures both clients back to back, so a round's ratio sees
// the same machine load on both sides; the median is taken over rounds.
double pairedRatio(const std::vector<double> &ours, const std::vector<double> &bare)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size() && i < bare.size(); ++i) {
        if (bare[i] > 0)
            ratios.push_back(ours[i] / bare[i]);
    }
    return median(ratios);
}

QString row(const QString &label, double ours, double bare, int decimals, double ratio = -1)
{
    if (ratio < 0)
        ratio = bare > 0 ? ours / bare : 0;
    return QStringLiteral("%1 %2 %3 %4\n")
        .arg(label, -22)
        .arg(ours, 16, 'f', decimals)
        .arg(bare, 16, 'f', decimals)
        .arg(ratio, 14, 'f', 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_channel"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Throughput and round-trip time of the command channel and a manager, "
                       "against a bare QWebSocket talking to the same loopback echo server."));
    parser.addHelpOption();
    const QCommandLineOption callsOption(QStringLiteral("calls"),
                                         QStringLiteral("Calls per measurement (default 5000, "
                                                        "300 with --quick)."),
                                         QStringLiteral("N"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds to repeat each measurement; "
                                                         "the ratios are medians over them (default 7, "
                                                         "1 with --quick)."),
                                          QStringLiteral("R"));
    const QCommandLineOption quickOption(QStringLiteral("quick"),
                                         QStringLiteral("Smoke run that finishes in a moment."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Print every round's throughput."));
    parser.addOptions({callsOption, roundsOption, quickOption, verboseOption});
    parser.process(app);

    const bool quick = parser.isSet(quickOption);
    const bool verbose = parser.isSet(verboseOption);
    int calls = 0;
    int rounds = 0;
    if (!readCountOption(parser, callsOption, quick ? 300 : 5000, 1, &calls)
        || !readCountOption(parser, roundsOption, quick ? 1 : 7, 1, &rounds)) {
        err() << "bench_channel: --calls and --rounds take a positive number\n";
        return 2;
    }
    const int warmUpCalls = std::min(calls, quick ? 50 : 500);

    // Any free port: the channel is told where to connect.
    LoopbackEchoServer server;
    if (!server.start(0)) {
        err() << "bench_channel: cannot listen on 127.0.0.1: " << server.errorString() << "\n";
        return 1;
    }
    const quint16 channelPort = server.port();

    // Both clients stay connected to the same server; only one is busy at a time.
    std::unique_ptr<Client> ours = std::make_unique<ChannelClient>(channelPort);
    std::unique_ptr<Client> bare = std::make_unique<BareClient>(server.port());
    if (!ours->connectToServer() || !bare->connectToServer())
        return 1;

    bool ok = true;
    for (Client *client : {ours.get(), bare.get()}) {
        ok = ok && measureThroughput(*client, warmUpCalls).ok;
        ok = ok && measureRoundTrips(*client, warmUpCalls).ok;
    }

    Figures oursFigures;
    Figures bareFigures;
    for (int round = 0; ok && round < rounds; ++round) {
        // Alternate who goes first so neither always runs on a warmer machine.
        std::vector<std::pair<Client *, Figures *>> order = {{ours.get(), &oursFigures},
                                                             {bare.get(), &bareFigures}};
        if (round % 2)
            std::swap(order[0], order[1]);
        for (const auto &[client, figures] : order) {
            const PhaseResult throughput = measureThroughput(*client, calls);
            ok = ok && throughput.ok;
            figures->throughputs.push_back(throughput.linesPerSecond);
            figures->cpuNsPerCall.push_back(throughput.cpuNsPerCall);
            if (verbose) {
                out() << "round " << round + 1 << ": " << client->name() << ": "
                      << qRound64(throughput.linesPerSecond) << " lines/s, "
                      << QString::number(throughput.cpuNsPerCall * 1e-3, 'f', 2) << " us CPU per call\n";
                out().flush();
            }
        }
        for (const auto &[client, figures] : order) {
            const PhaseResult roundTrips = measureRoundTrips(*client, calls);
            ok = ok && roundTrips.ok;
            figures->roundTripsNs.insert(figures->roundTripsNs.end(), roundTrips.roundTripsNs.begin(),
                                         roundTrips.roundTripsNs.end());
        }
    }

    ours.reset();
    bare.reset();
    server.stop();
    if (!ok)
        return 1;

    const double usPerNs = 1e-3;
    out() << "bench_channel: " << calls << " calls x " << rounds << " round(s), echo server on its "
          << "own thread at 127.0.0.1:" << channelPort << ", Qt " << qVersion() << "\n\n";
    out() << QStringLiteral("%1 %2 %3 %4\n")
                 .arg(QString(), -22)
                 .arg(QStringLiteral("channel+manager"), 16)
                 .arg(QStringLiteral("bare QWebSocket"), 16)
                 .arg(QStringLiteral("ours/bare"), 14);
    out() << row(QStringLiteral("throughput (lines/s)"), median(oursFigures.throughputs),
                 median(bareFigures.throughputs), 0,
                 pairedRatio(oursFigures.throughputs, bareFigures.throughputs));
    out() << row(QStringLiteral("CPU per call (us)"), median(oursFigures.cpuNsPerCall) * usPerNs,
                 median(bareFigures.cpuNsPerCall) * usPerNs, 2,
                 pairedRatio(oursFigures.cpuNsPerCall, bareFigures.cpuNsPerCall));
    out() << row(QStringLiteral("RTT median (us)"), medianOf(oursFigures.roundTripsNs) * usPerNs,
                 medianOf(bareFigures.roundTripsNs) * usPerNs, 1);
    out() << row(QStringLiteral("RTT p99 (us)"), percentile(oursFigures.roundTripsNs, 99) * usPerNs,
                 percentile(bareFigures.roundTripsNs, 99) * usPerNs, 1);
    out() << "\nthroughput ratio below 1, CPU and RTT ratios above 1 are the channel's own cost.\n";
    out().flush();
    return 0;
}
