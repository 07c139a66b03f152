#pragma once

#include <QObject>
#include <QTemporaryDir>
#include <QUrl>

// The test cameras and clips as the QML tests see them: cameras plugged in
// and out by name, clips made on demand, and whether a camera streams.
class CameraProbe : public QObject
{
    Q_OBJECT

public:
    explicit CameraProbe(QObject *parent = nullptr);

    // GStreamer initialised and the test cameras registered; false if an
    // element they need is missing.
    static bool registerCameras();

    Q_INVOKABLE void plugIn(const QString &displayName, const QString &caps);
    Q_INVOKABLE void unplugAll();
    // A clip of that kind ("vp8", "theora", "fifo" or "directory"), its
    // path; empty on failure. A name replaces the kind's own.
    Q_INVOKABLE QString clip(const QString &kind, const QString &name = QString());
    // The URL of a path, as the file dialog hands it over.
    Q_INVOKABLE QUrl fileUrl(const QString &path) const;
    // Whether the newest camera source element is playing.
    Q_INVOKABLE bool cameraPlaying() const;

private:
    QTemporaryDir m_clips;
};
