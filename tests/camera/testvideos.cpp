#include "testvideos.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace TestVideos {

QString make(const QString &dir, Kind kind, int width, int height, int frames, QString *error)
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
    const QString path = QDir(dir).filePath(name);
    const QString description = QStringLiteral("videotestsrc num-buffers=%1 pattern=ball ! "
                                               "video/x-raw,format=I420,width=%2,height=%3,framerate=30/1 ! %4 ! %5 "
                                               "! filesink location=%6")
                                    .arg(frames).arg(width).arg(height).arg(encoder, muxer, path);
    QProcess process;
    process.start(launcher, QStringList{QStringLiteral("-q")} + description.split(QLatin1Char(' ')));
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
