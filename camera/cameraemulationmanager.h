#pragma once

#include <QObject>

// Streams the host's camera or a video file into the guest's camera.
class CameraEmulationManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool streamRunning READ streamRunning NOTIFY streamRunningChanged)

public:
    explicit CameraEmulationManager(QObject *parent = nullptr);

    bool streamRunning() const { return m_streamRunning; }

    void initCameras();
    Q_INVOKABLE void stopCameraStream();
    Q_INVOKABLE void stopVideoStream();

signals:
    void streamRunningChanged();

private:
    bool m_streamRunning = false;
};
