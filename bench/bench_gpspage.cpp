// The GPS page opening a long track file: from the file chosen to the table
// showing every point and to the guest acknowledging the whole track, the
// longest time the GUI thread rendered no frame and how late a 5 ms timer on
// it fired on the way, and what the loaded track costs in memory. The
// references, on the same text and in the same run, are the parser alone in
// the page's engine and the page's own synchronous load, both on the GUI
// thread.

#include "benchutils.h"
#include "loopbackechoserver.h"
#include "nmealog.h"

#include <gps/gpsemulationmanager.h>
#include <link/remotedbusinvokerservice.h>
#include <plugin/qmltypes.h>

#include <idehost.h>

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <vector>

#include <time.h>

using namespace Mimicry::Internal;
using namespace MimicryBench;

namespace {

// The page as the main view holds it, with the two dialogs it reaches by id,
// and a spinning square that keeps frames coming.
const char pageHost[] = R"(
import QtQuick 2.5
import QtQuick.Dialogs 1.2
import "qrc:/mimicry/qml"

Item {
    property alias page: page
    property alias errorText: errorDialog.text

    width: 1100
    height: 600

    MessageDialog { id: errorDialog }
    MessageDialog { id: messageDialog }

    GpsManagementPage {
        id: page

        anchors.fill: parent
        active: true
    }

    Rectangle {
        width: 10
        height: 10
        NumberAnimation on rotation { from: 0; to: 360; duration: 1000; loops: Animation.Infinite }
    }
}
)";

// The parser as the page imports it, in the page's engine.
const char parserHost[] = R"(
import QtQml 2.15
import "qrc:/mimicry/js/nmea-parsing.js" as Nmea

QtObject {
    function parse(text) { return Nmea.loadNmeaLog(text).length }
}
)";

struct Run
{
    double tableMs = -1;
    double trackMs = -1;
    double longestFrameGapMs = 0;
    double timerLatenessMs = 0;
    double parseMs = 0;
    double pageMs = 0;
    double parseCpuMs = 0;
    // CPU time of the other threads while the track loaded: reading, parsing
    // and making the rows off the GUI thread.
    double otherCpuMs = 0;
    double guiCpuMs = 0;
    double longestBusyMs = 0;
    double rssBeforeMb = 0;
    double rssAfterMb = 0;
};

// CPU time of the calling thread, and of the whole process.
double threadCpuMs()
{
    return cpuMs(CLOCK_THREAD_CPUTIME_ID);
}

double processCpuMs()
{
    return cpuMs(CLOCK_PROCESS_CPUTIME_ID);
}

// Resident set size (VmRSS) or its peak (VmHWM) in MB, from /proc/self/status.
double residentMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

class PageBench
{
public:
    explicit PageBench(RemoteDBusInvokerService *channel)
        : m_channel(channel)
    {
        m_gps.setRdbusinvoker(channel);
        m_view.rootContext()->setContextProperty(QStringLiteral("gpsEmulationManager"), &m_gps);
    }

    bool load()
    {
        QQmlComponent component(m_view.engine());
        component.setData(pageHost, QUrl(QStringLiteral("qrc:/mimicry/BenchPageHost.qml")));
        QObject *root = component.create(m_view.rootContext());
        if (!root) {
            err() << "bench_gpspage: " << component.errorString() << "\n";
            return false;
        }
        m_root = qobject_cast<QQuickItem *>(root);
        m_root->setParentItem(m_view.contentItem());
        m_page = m_root->property("page").value<QObject *>();
        QQmlComponent parser(m_view.engine());
        parser.setData(parserHost, QUrl(QStringLiteral("qrc:/mimicry/BenchParser.qml")));
        m_parser.reset(parser.create(m_view.rootContext()));
        if (!m_parser) {
            err() << "bench_gpspage: " << parser.errorString() << "\n";
            return false;
        }
        m_view.resize(1100, 600);
        m_view.show();
        return true;
    }

    // Returns false when the page shows an error or the run does not finish
    // in a minute.
    bool open(const QString &file, int points, Run *run)
    {
        QMetaObject::invokeMethod(m_page, "unloadTrack");
        QCoreApplication::processEvents();
        m_view.engine()->collectGarbage();
        QCoreApplication::processEvents();
        run->rssBeforeMb = residentMb("VmRSS");

        QElapsedTimer clock;
        qint64 lastFrame = -1;
        qint64 longestGap = 0;
        const QMetaObject::Connection frames = QObject::connect(&m_view, &QQuickWindow::frameSwapped, [&] {
            const qint64 now = clock.nsecsElapsed();
            if (lastFrame >= 0)
                longestGap = qMax(longestGap, now - lastFrame);
            lastFrame = now;
            if (run->tableMs < 0 && tableRows() == points)
                run->tableMs = now / 1e6;
        });
        const QMetaObject::Connection replies = QObject::connect(
            m_channel, &RemoteDBusInvokerService::replyReceived, [&](const QString &reply) {
                if (reply.startsWith(QLatin1String("loadTrack:")))
                    run->trackMs = clock.nsecsElapsed() / 1e6;
            });

        // A timer that should fire every 5 ms: how late it comes is how long
        // the GUI thread was busy with something else.
        const qint64 tick = 5000000;
        qint64 lastTick = -1;
        qint64 latest = 0;
        double lastTickCpu = 0;
        double busiest = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(int(tick / 1000000));
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            const double cpu = threadCpuMs();
            if (lastTick >= 0) {
                latest = qMax(latest, now - lastTick - tick);
                busiest = qMax(busiest, cpu - lastTickCpu);
            }
            lastTick = now;
            lastTickCpu = cpu;
        });

        const double processCpu = processCpuMs();
        const double guiCpu = threadCpuMs();
        clock.start();
        ticker.start();
        QMetaObject::invokeMethod(m_page, "openNmeaFile", Q_ARG(QVariant, QUrl::fromLocalFile(file)));
        QElapsedTimer deadline;
        deadline.start();
        // Waits for events: with a time limit, processEvents() returns at
        // once and the loop would spin, taking the CPU from the load. The
        // ticker wakes it every 5 ms.
        while ((run->tableMs < 0 || run->trackMs < 0) && deadline.elapsed() < 60000
               && m_root->property("errorText").toString().isEmpty()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        ticker.stop();
        run->guiCpuMs = threadCpuMs() - guiCpu;
        run->otherCpuMs = (processCpuMs() - processCpu) - run->guiCpuMs;
        QObject::disconnect(frames);
        QObject::disconnect(replies);
        run->longestFrameGapMs = longestGap / 1e6;
        run->timerLatenessMs = latest / 1e6;
        run->longestBusyMs = busiest;
        m_view.engine()->collectGarbage();
        QCoreApplication::processEvents();
        run->rssAfterMb = residentMb("VmRSS");
        if (run->tableMs < 0 || run->trackMs < 0) {
            err() << "bench_gpspage: the track did not load: " << m_root->property("errorText").toString() << "\n";
            return false;
        }
        return true;
    }

    // The parser alone, on the GUI thread, on the text that the file holds,
    // and its CPU time; -1 when it gives another number of points.
    double parse(const QString &text, int points, double *cpuMs)
    {
        QVariant parsed;
        QElapsedTimer clock;
        const double cpu = threadCpuMs();
        clock.start();
        QMetaObject::invokeMethod(m_parser.get(), "parse", Q_RETURN_ARG(QVariant, parsed), Q_ARG(QVariant, text));
        const double ms = clock.nsecsElapsed() / 1e6;
        *cpuMs = threadCpuMs() - cpu;
        return parsed.toInt() == points ? ms : -1;
    }

    // The page's own synchronous load of the same text, on the GUI thread, up
    // to its table holding the points; -1 when it holds another number.
    double loadOnPage(const QString &text, int points)
    {
        QMetaObject::invokeMethod(m_page, "unloadTrack");
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        QMetaObject::invokeMethod(m_page, "loadNmeaLog", Q_ARG(QVariant, text));
        const double ms = clock.nsecsElapsed() / 1e6;
        return tableRows() == points ? ms : -1;
    }

private:
    int tableRows()
    {
        if (!m_table)
            m_table = m_root->findChild<QObject *>(QStringLiteral("trackPointsTable"));
        return m_table ? m_table->property("rowCount").toInt() : -1;
    }

    RemoteDBusInvokerService *m_channel;
    GPSEmulationManager m_gps;
    QQuickView m_view;
    QQuickItem *m_root = nullptr;
    QObject *m_page = nullptr;
    QObject *m_table = nullptr;
    std::unique_ptr<QObject> m_parser;
};

// The page opening gpsbabel's GPX of the GPGGA log: how long the GUI thread
// stalled while the file was read and parsed off it.
int openGpx(PageBench &bench, const QTemporaryDir &dir, int points, int rounds)
{
    const QString log = dir.filePath(QStringLiteral("GPGGA.nmea"));
    const QString gpx = dir.filePath(QStringLiteral("GPGGA.gpx"));
    QFile output(log);
    const QByteArray text = generateLog("GPGGA", points);
    if (!output.open(QIODevice::WriteOnly) || output.write(text) != text.size()) {
        err() << "bench_gpspage: cannot write " << log << "\n";
        return 1;
    }
    output.close();
    if (QProcess::execute(QStringLiteral("gpsbabel"), {QStringLiteral("-i"), QStringLiteral("nmea,date=20240315"),
                                                      QStringLiteral("-f"), log, QStringLiteral("-o"),
                                                      QStringLiteral("gpx"), QStringLiteral("-F"), gpx}) != 0) {
        err() << "bench_gpspage: gpsbabel could not write the GPX file\n";
        return 1;
    }
    out() << "GPS page opening a GPX file of " << points << " points, " << QFileInfo(gpx).size() / 1e6
          << " MB, median of " << rounds << " rounds\n";
    std::vector<double> table, track, gap, late, busy;
    for (int round = 0; round < rounds; ++round) {
        Run run;
        if (!bench.open(gpx, points, &run))
            return 1;
        table.push_back(run.tableMs);
        track.push_back(run.trackMs);
        gap.push_back(run.longestFrameGapMs);
        late.push_back(run.timerLatenessMs);
        busy.push_back(run.longestBusyMs);
    }
    out() << "to table " << median(table) << " ms, to guest " << median(track) << " ms; longest frame gap "
          << median(gap) << " ms, timer late " << median(late) << " ms, GUI busy " << median(busy) << " ms\n";
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    MimicryBench::setUpPlatform();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_gpspage"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Time from opening a generated track file on the GPS page to its table and to the guest's "
        "acknowledgement, how long the GUI thread stalled on the way and what the track costs in memory, "
        "next to the parser alone."));
    parser.addHelpOption();
    const QCommandLineOption sentencesOption(QStringLiteral("sentences"),
                                             QStringLiteral("Sentences per log (default 100000, 5000 with --quick)."),
                                             QStringLiteral("N"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Loads per log type (default 3, 1 with --quick)."),
                                          QStringLiteral("R"));
    const QCommandLineOption quickOption(QStringLiteral("quick"), QStringLiteral("Smoke run."));
    const QCommandLineOption gpxOption(
        QStringLiteral("gpx"),
        QStringLiteral("Open instead the GPX file that gpsbabel writes from the GPGGA log (the GUI thread's figures "
                       "only)."));
    parser.addOptions({sentencesOption, roundsOption, quickOption, gpxOption});
    parser.process(app);
    const bool quick = parser.isSet(quickOption);
    int sentences = 0;
    if (!readCountOption(parser, sentencesOption, quick ? 5000 : 100000, 2, &sentences)) {
        err() << "bench_gpspage: --sentences takes a number above 1\n";
        return 2;
    }
    int rounds = 0;
    if (!readCountOption(parser, roundsOption, quick ? 1 : 3, 1, &rounds)) {
        err() << "bench_gpspage: --rounds takes a number above 0\n";
        return 2;
    }

    // The manager keeps its position in the IDE's settings.
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    IdeHost host(&settings);

    LoopbackEchoServer guest;
    if (!guest.start(RemoteDBusInvokerService::port())) {
        err() << "bench_gpspage: " << guest.errorString() << "\n"
              << "The plug-in's channel only connects to that port; stop whatever holds it and retry.\n";
        return 1;
    }
    registerQmlTypes();
    RemoteDBusInvokerService channel;
    PageBench bench(&channel);
    if (!bench.load())
        return 1;
    bool connected = false;
    QObject::connect(&channel, &RemoteDBusInvokerService::webSocketConnected, [&connected] { connected = true; });
    channel.openConnection();
    QElapsedTimer connecting;
    connecting.start();
    while (!connected && connecting.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!connected) {
        err() << "bench_gpspage: the channel did not connect\n";
        return 1;
    }

    if (parser.isSet(gpxOption))
        return openGpx(bench, dir, sentences, rounds);

    out() << "GPS page opening a log of " << sentences << " sentences, median of " << rounds << " rounds\n";
    const auto row = [](const QString &type, const QStringList &cells) {
        QString line = QStringLiteral("%1").arg(type, -6);
        for (const QString &cell : cells)
            line += QStringLiteral(" %1").arg(cell, qMax(12, cell.size()));
        out() << line << "\n";
        out().flush();
    };
    const auto number = [](double value, int decimals) { return QString::number(value, 'f', decimals); };
    struct Figures
    {
        QString type;
        std::vector<double> table, track, parse, page, parseRatio, pageRatio;
        std::vector<double> gap, late, busy, guiCpu, otherCpu, parseCpu, cpuRatio, memory;
    };
    std::vector<Figures> figures;
    for (const QByteArray &type : {QByteArrayLiteral("GPRMC"), QByteArrayLiteral("GPGGA")}) {
        const QByteArray log = generateLog(type, sentences);
        const QString file = dir.filePath(QString::fromLatin1(type) + QStringLiteral(".nmea"));
        QFile output(file);
        if (!output.open(QIODevice::WriteOnly) || output.write(log) != log.size()) {
            err() << "bench_gpspage: cannot write " << file << "\n";
            return 1;
        }
        output.close();

        Figures f;
        f.type = QString::fromLatin1(type);
        for (int round = 0; round < rounds; ++round) {
            Run run;
            if (!bench.open(file, sentences, &run))
                return 1;
            run.parseMs = bench.parse(QString::fromLatin1(log), sentences, &run.parseCpuMs);
            run.pageMs = bench.loadOnPage(QString::fromLatin1(log), sentences);
            if (run.parseMs < 0 || run.pageMs < 0) {
                err() << "bench_gpspage: the parser or the page gave another number of points\n";
                return 1;
            }
            f.table.push_back(run.tableMs);
            f.track.push_back(run.trackMs);
            f.parse.push_back(run.parseMs);
            f.page.push_back(run.pageMs);
            f.parseRatio.push_back(run.tableMs / run.parseMs);
            f.pageRatio.push_back(run.tableMs / run.pageMs);
            f.gap.push_back(run.longestFrameGapMs);
            f.late.push_back(run.timerLatenessMs);
            f.busy.push_back(run.longestBusyMs);
            f.guiCpu.push_back(run.guiCpuMs);
            f.otherCpu.push_back(run.otherCpuMs);
            f.parseCpu.push_back(run.parseCpuMs);
            f.cpuRatio.push_back(run.otherCpuMs / run.parseCpuMs);
            f.memory.push_back(run.rssAfterMb - run.rssBeforeMb);
        }
        figures.push_back(f);
    }
    out() << "\nWall time, ms\n";
    row(QStringLiteral("type"), {QStringLiteral("to table"), QStringLiteral("to guest"), QStringLiteral("parse"),
                                 QStringLiteral("page"), QStringLiteral("table/parse"), QStringLiteral("table/page")});
    for (const Figures &f : figures) {
        row(f.type, {number(median(f.table), 1), number(median(f.track), 1), number(median(f.parse), 1),
                     number(median(f.page), 1), number(median(f.parseRatio), 2), number(median(f.pageRatio), 2)});
    }
    out() << "\nGUI thread while loading, ms; CPU, ms; memory, MB\n";
    row(QStringLiteral("type"), {QStringLiteral("frame gap"), QStringLiteral("timer late"), QStringLiteral("GUI busy"),
                                 QStringLiteral("GUI CPU"), QStringLiteral("off-GUI CPU"), QStringLiteral("parse CPU"), QStringLiteral("CPU ratio"),
                                 QStringLiteral("+track MB")});
    for (const Figures &f : figures) {
        row(f.type, {number(median(f.gap), 1), number(median(f.late), 1), number(median(f.busy), 1),
                     number(median(f.guiCpu), 0), number(median(f.otherCpu), 0), number(median(f.parseCpu), 0), number(median(f.cpuRatio), 2),
                     number(median(f.memory), 1)});
    }
    out() << "peak RSS " << number(residentMb("VmHWM"), 1) << " MB\n";
    return 0;
}
