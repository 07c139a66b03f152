#include "testvideos.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gst/gst.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace TestVideos {

namespace {

// Opening the writing end without blocking succeeds only while a reader
// waits; closing it again hands that reader the end of the file. A reader
// may open it more than once.
void releaseReadersLater(const QByteArray &fifo)
{
    std::thread([fifo] {
        std::this_thread::sleep_for(std::chrono::seconds(4));
        for (int attempt = 0; attempt < 600; ++attempt) {
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }).detach();
}

QString makeNonRegular(const QString &path, Kind kind, QString *error)
{
    const bool made = kind == Kind::Directory ? QDir().mkpath(path)
                                              : ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (!made) {
        *error = QStringLiteral("cannot make %1").arg(path);
        return QString();
    }
    if (kind == Kind::Fifo)
        releaseReadersLater(QFile::encodeName(path));
    return path;
}

} // namespace

bool available(QString *missing)
{
    if (QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty()) {
        *missing = QStringLiteral("gst-launch-1.0 is not installed (gstreamer1.0-tools)");
        return false;
    }
    for (const char *name : {"videotestsrc", "vp8enc", "vp9enc", "webmmux", "theoraenc", "matroskamux"}) {
        GstElementFactory *factory = gst_element_factory_find(name);
        if (!factory) {
            *missing = QStringLiteral("The clips need the GStreamer element %1").arg(QLatin1String(name));
            return false;
        }
        gst_object_unref(factory);
    }
    return true;
}

QString make(const QString &dir, Kind kind, int width, int height, int frames, QString *error,
             const QString &fileName)
{
    if (kind == Kind::Fifo || kind == Kind::Directory)
        return makeNonRegular(QDir(dir).filePath(fileName.isEmpty() ? QStringLiteral("clip.webm") : fileName), kind,
                              error);
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (launcher.isEmpty()) {
        *error = QStringLiteral("gst-launch-1.0 is not installed");
        return QString();
    }
    QString encoder;
    QString muxer = QStringLiteral("webmmux");
    QString name;
    switch (kind) {
    case Kind::Vp8:
    case Kind::Truncated:
        encoder = QStringLiteral("vp8enc deadline=1");
        name = kind == Kind::Vp8 ? QStringLiteral("vp8.webm") : QStringLiteral("truncated.webm");
        break;
    case Kind::Vp9:
        encoder = QStringLiteral("vp9enc deadline=1 cpu-used=8");
        name = QStringLiteral("vp9.webm");
        break;
    case Kind::Theora:
        encoder = QStringLiteral("theoraenc");
        muxer = QStringLiteral("matroskamux");
        name = QStringLiteral("theora.mkv");
        break;
    case Kind::Fifo:
    case Kind::Directory:
        break;
    }
    if (!fileName.isEmpty())
        name = fileName;
    const QString path = QDir(dir).filePath(name);
    const QString description = QStringLiteral("-q videotestsrc num-buffers=%1 pattern=ball ! "
                                               "video/x-raw,format=I420,width=%2,height=%3,framerate=30/1 ! %4 ! %5 "
                                               "! filesink")
                                    .arg(frames).arg(width).arg(height).arg(encoder, muxer);
    // One argument for the location, so that the path may hold spaces.
    QProcess process;
    process.start(launcher, description.split(QLatin1Char(' ')) << QStringLiteral("location=") + path);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = QStringLiteral("gst-launch-1.0 could not make %1: %2")
                     .arg(name, QString::fromLocal8Bit(process.readAllStandardError()));
        return QString();
    }
    if (kind == Kind::Truncated) {
        // The header and a little of the first cluster: no frame to decode.
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) || !file.resize(qMin<qint64>(file.size(), 300))) {
            *error = QStringLiteral("cannot truncate %1").arg(path);
            return QString();
        }
    }
    return path;
}

} // namespace TestVideos
