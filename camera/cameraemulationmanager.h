#pragma once

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QVariantList>

#include <memory>

typedef struct _GstDevice GstDevice;
typedef struct _GstDeviceMonitor GstDeviceMonitor;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;

namespace Mimicry {
namespace Internal {
class StreamPipeline;
} // namespace Internal
} // namespace Mimicry

// Streams the host's camera or a video file into the guest's camera, as
// JPEG in RTP over UDP to the forwarded host port. Cameras come from
// GStreamer's device monitor; its bus watch sits in GLib's default main
// context, which Qt's event loop iterates on Linux.
class CameraEmulationManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool streamRunning READ streamRunning NOTIFY streamRunningChanged)
    Q_PROPERTY(QStringList framerates READ framerates NOTIFY frameratesChanged)
    Q_PROPERTY(QVariantList resolutions READ resolutions NOTIFY resolutionsChanged)
    Q_PROPERTY(QStringList cameras READ cameras NOTIFY camerasChanged)
    Q_PROPERTY(QString framerate READ framerate WRITE setFramerate NOTIFY framerateChanged)
    Q_PROPERTY(int width READ width WRITE setWidth NOTIFY widthChanged)
    Q_PROPERTY(int height READ height WRITE setHeight NOTIFY heightChanged)
    Q_PROPERTY(int resolutionIndex READ resolutionIndex WRITE setResolutionIndex NOTIFY resolutionIndexChanged)
    Q_PROPERTY(QString cameraName READ cameraName WRITE setCameraName NOTIFY cameraNameChanged)
    // What the running stream sends, refreshed once a second; zero for
    // what is not known yet.
    Q_PROPERTY(QString streamSource READ streamSource NOTIFY streamInfoChanged)
    Q_PROPERTY(int streamWidth READ streamWidth NOTIFY streamInfoChanged)
    Q_PROPERTY(int streamHeight READ streamHeight NOTIFY streamInfoChanged)
    Q_PROPERTY(double streamFramerate READ streamFramerate NOTIFY streamInfoChanged)
    Q_PROPERTY(qint64 framesSent READ framesSent NOTIFY streamInfoChanged)
    // Why the last stream stopped by itself; empty from the start of a stream on.
    Q_PROPERTY(QString streamStopReason READ streamStopReason NOTIFY streamStopReasonChanged)

public:
    explicit CameraEmulationManager(QObject *parent = nullptr);
    ~CameraEmulationManager() override;

    bool streamRunning() const { return m_streamRunning; }
    QStringList framerates() const;
    QVariantList resolutions() const;
    QStringList cameras() const { return m_cameras.keys(); }
    QString framerate() const { return m_framerate; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int resolutionIndex() const { return m_resolutionIndex; }
    QString cameraName() const { return m_cameraName; }
    QString streamSource() const { return m_streamSource; }
    int streamWidth() const { return m_streamWidth; }
    int streamHeight() const { return m_streamHeight; }
    double streamFramerate() const { return m_streamFramerate; }
    qint64 framesSent() const { return qint64(m_framesSent); }
    QString streamStopReason() const { return m_streamStopReason; }

    void setFramerate(const QString &framerate);
    void setWidth(int width);
    void setHeight(int height);
    void setResolutionIndex(int index);
    void setCameraName(const QString &name);

    void initCameras();

    // The page hands over the path of a file URL: /C:/dir/clip.webm for a
    // Windows drive, /home/me/clip.webm elsewhere.
    static QString localFilePath(const QString &pagePath);
    // A caps "framerate" field, serialised, as the list of N/D texts offered
    // to the page, highest first.
    static QStringList parseFramerates(const QString &text);

    Q_INVOKABLE void startVideoStream(const QString &filePath);
    Q_INVOKABLE void startCameraStream();
    Q_INVOKABLE void stopVideoStream();
    Q_INVOKABLE void stopCameraStream();
    Q_INVOKABLE void setCameraStreamSettings();
    Q_INVOKABLE void updateCamerasList();

signals:
    void streamRunningChanged();
    void videoStreamStopped();
    void frameratesChanged();
    void resolutionsChanged();
    void camerasChanged();
    void framerateChanged();
    void widthChanged();
    void heightChanged();
    void resolutionIndexChanged();
    void cameraNameChanged();
    void cameraStreamSettingsApplied();
    void videoFileCodecChecked(bool success, const QString &codecName);
    void streamInfoChanged();
    void streamStopReasonChanged();

private:
    void createDeviceMonitor();
    void releaseDeviceMonitor();
    void readSourceFactoryName();
    void adoptCameraSource(GstDevice *device);
    void addCamera(GstDevice *device);
    void removeCamera(const QString &name);
    void createVideoPipeline();
    void createCameraPipeline();
    void applyCameraSettings();
    bool checkVideoCodec(const QString &filePath);
    void restartVideoStream();
    void stopStreams();
    void setStreamRunning(bool running);
    void storeFramerate(const QString &framerate);
    void watchStream(Mimicry::Internal::StreamPipeline *pipeline, int payloader);
    void beginStreamInfo(Mimicry::Internal::StreamPipeline *pipeline, const QString &source);
    void updateStreamInfo();
    void setStreamStopReason(const QString &reason);
    void stopOnError(Mimicry::Internal::StreamPipeline *pipeline, const QString &error);

    static void addResolution(QVariantList &resolutions, const QStringList &framerates, const QString &widthText,
                              const QString &heightText);
    static QStringList framerateRangeSteps(const QString &text);
    static QVariantMap readSourceProperty(GstDevice *device);
    static int handleBusMessage(GstBus *bus, GstMessage *message, void *manager);

    std::unique_ptr<Mimicry::Internal::StreamPipeline> m_videoPipeline;
    std::unique_ptr<Mimicry::Internal::StreamPipeline> m_cameraPipeline;
    GstDeviceMonitor *m_deviceMonitor = nullptr;
    unsigned m_busWatch = 0;
    bool m_streamRunning = false;
    QMap<QString, QVariant> m_cameras;
    QString m_framerate;
    int m_width = -1;
    int m_height = -1;
    int m_resolutionIndex = 0;
    QString m_cameraName;
    QString m_sourceFactoryName;

    // The pipeline whose frames are counted: the one started last.
    Mimicry::Internal::StreamPipeline *m_streamingPipeline = nullptr;
    QTimer m_streamInfoTimer;
    QElapsedTimer m_sinceLastInfo;
    QString m_streamSource;
    int m_streamWidth = 0;
    int m_streamHeight = 0;
    double m_streamFramerate = 0;
    quint64 m_framesSent = 0;
    QString m_streamStopReason;
};
