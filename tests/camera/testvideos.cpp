#include "testvideos.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gst/gst.h>

namespace TestVideos {

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
