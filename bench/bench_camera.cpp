// The camera manager's two pipelines streaming into the guest's camera
// receiver, next to gst-launch-1.0 running the same pipelines: frames per
// second delivered and CPU time per frame of the sending process.

#include "benchutils.h"

#include <camera/cameraemulationmanager.h>
#include <guest/camerareceiver.h>

#include "testcamera.h"
#include "testvideos.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gst/gst.h>

#include <ctime>
#include <functional>
#include <unistd.h>

using MimicryBench::err;
using MimicryBench::out;

namespace {

const quint16 CameraPort = 34343;
const QSize FrameSize(1280, 720);
const int WarmUpMs = 500;

void wait(int msecs)
{
    QEventLoop loop;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
}

double ownCpuSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

// User and system time of another process, in clock ticks' resolution.
double processCpuSeconds(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = file.readAll();
    // The command name may hold spaces; the fields count from its closing parenthesis.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// The receiver runs in a child process (this program with --receiver), so
// that its decoding is not counted as the sender's CPU time.
int runReceiver()
{
    Guest::CameraReceiver receiver;
    QString error;
    QTextStream output(stdout);
    if (!receiver.start(QHostAddress(QHostAddress::LocalHost), CameraPort, &error)) {
        output << "error " << error << Qt::endl;
        return 1;
    }
    output << "ready" << Qt::endl;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, qApp, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            qApp->quit();
            return;
        }
        const QSize size = receiver.lastFrameSize();
        output << receiver.frameCount() << ' ' << size.width() << ' ' << size.height() << Qt::endl;
    });
    return QCoreApplication::exec();
}

struct Sample
{
    int frames = -1;
    QSize size;
};

class ReceiverProcess
{
public:
    ~ReceiverProcess()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }

    bool start(QString *error)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--receiver")});
        const QByteArray line = readLine();
        if (line == "ready")
            return true;
        *error = line.startsWith("error ") ? QString::fromUtf8(line.mid(6)) : QStringLiteral("it did not start");
        return false;
    }

    Sample sample()
    {
        m_process.write("count\n");
        const QList<QByteArray> fields = readLine().split(' ');
        Sample result;
        if (fields.size() == 3) {
            result.frames = fields.at(0).toInt();
            result.size = QSize(fields.at(1).toInt(), fields.at(2).toInt());
        }
        return result;
    }

private:
    QByteArray readLine()
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(5000))
                return QByteArray();
        }
        return m_process.readLine().trimmed();
    }

    QProcess m_process;
};

struct Figures
{
    bool ok = false;
    double framesPerSecond = 0;
    double cpuMsPerFrame = 0;
};

// Starts a stream, waits for its first frames, then counts frames and CPU time over the window.
Figures measure(ReceiverProcess &receiver, const std::function<void()> &start, const std::function<void()> &stop,
                const std::function<double()> &cpuSeconds, double seconds, const QString &name)
{
    Figures figures;
    const int before = receiver.sample().frames;
    start();
    QElapsedTimer timer;
    timer.start();
    while (receiver.sample().frames <= before && timer.elapsed() < 10000)
        wait(50);
    if (receiver.sample().frames <= before) {
        err() << "bench_camera: " << name << ": no frame reached the receiver\n";
        stop();
        return figures;
    }
    wait(WarmUpMs);

    const Sample first = receiver.sample();
    const double cpuFirst = cpuSeconds();
    timer.restart();
    wait(int(seconds * 1000));
    const Sample last = receiver.sample();
    const double cpuLast = cpuSeconds();
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;
    stop();

    const int frames = last.frames - first.frames;
    if (last.size != FrameSize || frames <= 0) {
        err() << "bench_camera: " << name << ": " << frames << " frames of " << last.size.width() << 'x'
              << last.size.height() << ", expected " << FrameSize.width() << 'x' << FrameSize.height() << "\n";
        return figures;
    }
    figures.ok = true;
    figures.framesPerSecond = frames / elapsed;
    figures.cpuMsPerFrame = (cpuLast - cpuFirst) * 1000 / frames;
    return figures;
}

Figures measureGstLaunch(ReceiverProcess &receiver, const QString &launcher, const QString &description,
                         double seconds, const QString &name)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    return measure(
        receiver,
        [&] {
            process.start(launcher, QStringList{QStringLiteral("-q")} + description.split(QLatin1Char(' ')));
            process.waitForStarted();
        },
        [&] {
            process.terminate();
            if (!process.waitForFinished(3000))
                process.kill();
            process.waitForFinished(1000);
        },
        [&] { return processCpuSeconds(process.processId()); }, seconds, name);
}

QString row(const QString &label, double fps, double cpu)
{
    return QStringLiteral("%1 %2 %3\n")
        .arg(label, -22)
        .arg(QString::number(fps, 'f', 2), 10)
        .arg(QString::number(cpu, 'f', 3), 14);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_camera"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Frames per second and CPU time per frame of the camera manager's pipelines "
                       "streaming into the guest's camera receiver, next to gst-launch-1.0."));
    parser.addHelpOption();
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Seconds to measure each stream (default 10, "
                                                          "1.5 with --quick)."),
                                           QStringLiteral("S"));
    const QCommandLineOption quickOption(QStringLiteral("quick"),
                                         QStringLiteral("Smoke run that finishes in a few seconds."));
    QCommandLineOption receiverOption(QStringLiteral("receiver"),
                                            QStringLiteral("Internal: be the receiving process."));
    receiverOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({secondsOption, quickOption, receiverOption});
    parser.process(app);

    if (parser.isSet(receiverOption))
        return runReceiver();

    bool valid = true;
    const double seconds = parser.isSet(secondsOption) ? parser.value(secondsOption).toDouble(&valid)
                                                       : parser.isSet(quickOption) ? 1.5 : 10;
    if (!valid || seconds <= 0) {
        err() << "bench_camera: --seconds takes a positive number\n";
        return 2;
    }

    gst_init(nullptr, nullptr);
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (launcher.isEmpty() || !TestCamera::registerPlugin()) {
        err() << "bench_camera: needs gst-launch-1.0 and videotestsrc (gstreamer1.0-tools, "
                 "gstreamer1.0-plugins-base)\n";
        return 1;
    }
    QTemporaryDir dir;
    // Longer than the window, so that gst-launch-1.0 does not run out of file.
    const int clipFrames = int((seconds + 3) * 30);
    const QString clip = TestVideos::make(dir.path(), TestVideos::Kind::Vp8, FrameSize, clipFrames);
    if (clip.isEmpty())
        return 1;

    QString error;
    ReceiverProcess receiver;
    if (!receiver.start(&error)) {
        err() << "bench_camera: the receiver cannot listen on 127.0.0.1:" << CameraPort << ": " << error << "\n"
              << "The pipelines only send to that port; stop whatever holds it (a guest's forwarded "
                 "port, a running test, another benchmark) and retry.\n";
        return 1;
    }

    TestCamera::add({QStringLiteral("Bench camera"),
                     QStringLiteral("video/x-raw,format=I420,width=1280,height=720,framerate=30/1")});
    CameraEmulationManager manager;
    manager.initCameras();

    const QString sink = QStringLiteral("jpegenc quality=50 ! rtpjpegpay ! udpsink host=127.0.0.1 port=%1")
                             .arg(CameraPort);
    const Figures camera = measure(
        receiver, [&] { manager.startCameraStream(); }, [&] { manager.stopCameraStream(); }, ownCpuSeconds,
        seconds, QStringLiteral("camera"));
    const Figures cameraLaunch = measureGstLaunch(
        receiver, launcher,
        QStringLiteral("videotestsrc is-live=true ! video/x-raw,format=I420,width=1280,height=720,framerate=30/1 ! ")
            + sink,
        seconds, QStringLiteral("camera, gst-launch-1.0"));
    const Figures file = measure(
        receiver, [&] { manager.startVideoStream(clip); }, [&] { manager.stopVideoStream(); }, ownCpuSeconds,
        seconds, QStringLiteral("VP8 file"));
    const Figures fileLaunch = measureGstLaunch(
        receiver, launcher, QStringLiteral("filesrc location=%1 ! decodebin ! ").arg(clip) + sink, seconds,
        QStringLiteral("VP8 file, gst-launch-1.0"));
    if (!camera.ok || !cameraLaunch.ok || !file.ok || !fileLaunch.ok)
        return 1;

    out() << "bench_camera: " << seconds << " s per stream, " << FrameSize.width() << 'x' << FrameSize.height()
          << " at 30/1, receiver in a child process\n";
    out() << QStringLiteral("%1 %2 %3\n").arg(QString(), -22).arg(QStringLiteral("frames/s"), 10)
                 .arg(QStringLiteral("CPU ms/frame"), 14);
    const auto block = [](const QString &name, const Figures &ours, const Figures &launch) {
        out() << row(name + QStringLiteral(" ours"), ours.framesPerSecond, ours.cpuMsPerFrame)
              << row(name + QStringLiteral(" gst-launch"), launch.framesPerSecond, launch.cpuMsPerFrame)
              << row(name + QStringLiteral(" ours/that"), ours.framesPerSecond / launch.framesPerSecond,
                     ours.cpuMsPerFrame / launch.cpuMsPerFrame);
    };
    block(QStringLiteral("camera"), camera, cameraLaunch);
    block(QStringLiteral("VP8 file"), file, fileLaunch);
    out() << "\nframes/s ratio below 1 or CPU ratio above 1 is the manager's own cost.\n";
    return 0;
}
