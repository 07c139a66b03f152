#include "testvideos.h"

#include <QDebug>
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

struct Recipe
{
    const char *encoding;
    const char *name;
};

// Indexed by Kind.
const Recipe recipes[] = {{"vp8enc deadline=1 ! webmmux", "vp8.webm"},
                          {"vp9enc deadline=1 cpu-used=8 ! webmmux", "vp9.webm"},
                          {"theoraenc ! matroskamux", "theora.mkv"},
                          {nullptr, "clip.webm"}};

// Opening the writing end without blocking succeeds only while a reader
// waits; closing it again hands that reader the end of the file. A reader
// may open it more than once.
void releaseReadersLater(const QString &path)
{
    std::thread([fifo = QFile::encodeName(path)] {
        std::this_thread::sleep_for(std::chrono::seconds(4));
        for (int attempt = 0; attempt < 600; ++attempt) {
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }).detach();
}

} // namespace

bool available(QString *missing)
{
    if (QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty())
        *missing = QStringLiteral("gst-launch-1.0 is not installed (gstreamer1.0-tools)");
    for (const char *name : {"videotestsrc", "vp8enc", "vp9enc", "webmmux", "theoraenc", "matroskamux"}) {
        if (!gst_registry_check_feature_version(gst_registry_get(), name, 1, 0, 0))
            *missing = QStringLiteral("The clips need the GStreamer element %1").arg(QLatin1String(name));
    }
    return missing->isEmpty();
}

QString make(const QString &dir, Kind kind, QSize size, int frames, const QString &fileName)
{
    const Recipe &recipe = recipes[int(kind)];
    const QString path = QDir(dir).filePath(fileName.isEmpty() ? QLatin1String(recipe.name) : fileName);
    if (kind == Kind::Fifo) {
        if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0) {
            qWarning().noquote() << "Cannot make the FIFO" << path;
            return QString();
        }
        releaseReadersLater(path);
        return path;
    }
    const QString description =
        QStringLiteral("-q videotestsrc num-buffers=%1 pattern=ball ! video/x-raw,format=I420,width=%2,height=%3,"
                       "framerate=30/1 ! %4 ! filesink")
            .arg(frames).arg(size.width()).arg(size.height()).arg(QLatin1String(recipe.encoding));
    // One argument for the location, so that the path may hold spaces.
    QProcess process;
    process.start(QStringLiteral("gst-launch-1.0"),
                  description.split(QLatin1Char(' ')) << QStringLiteral("location=") + path);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << "gst-launch-1.0 could not make" << path << process.readAllStandardError();
        return QString();
    }
    return path;
}

} // namespace TestVideos
