#pragma once

#include <QHostAddress>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

#include <atomic>

typedef struct _GstElement GstElement;

namespace Guest {

// The guest's end of the camera stream: JPEG frames in RTP over UDP, as the
// plug-in's pipelines send them, decoded and counted. Bad packets must not
// take it down for good, so a pipeline that fails is built anew.
class CameraReceiver : public QObject
{
    Q_OBJECT

public:
    explicit CameraReceiver(QObject *parent = nullptr);
    ~CameraReceiver() override;

    bool start(const QHostAddress &address, quint16 port, QString *error = nullptr);
    void stop();
    bool isRunning() const { return m_running; }

    int frameCount() const { return m_frameCount.load(); }
    QSize lastFrameSize() const;
    // Milliseconds since the epoch, 0 before the first frame.
    qint64 lastFrameTime() const { return m_lastFrameTime.load(); }
    QString lastError() const { return m_lastError; }
    int restartCount() const { return m_restartCount; }
    // The running pipeline, e.g. for GST_DEBUG_BIN_TO_DOT_FILE; null while
    // stopped or between a failure and the restart.
    GstElement *pipeline() const { return m_pipeline; }

    // First delay before a failed pipeline is rebuilt; it doubles up to a
    // ceiling while the pipeline keeps failing.
    void setRestartDelay(int msecs) { m_initialRestartDelay = msecs; }

signals:
    void frameReceived();
    void errorOccurred(const QString &message);

private:
    bool launch(QString *error);
    void teardown();
    void handlePipelineError(int generation, const QString &message);
    void restart();

    // Called from GStreamer's threads: they touch only the atomics and the
    // mutex-guarded size, and reach the Qt thread by queued calls.
    void recordFrame(int width, int height);
    void forwardError(const QString &message);
    friend struct CameraReceiverCallbacks;

    GstElement *m_pipeline = nullptr;
    QHostAddress m_address;
    quint16 m_port = 0;
    bool m_running = false;
    QString m_lastError;
    int m_restartCount = 0;
    int m_initialRestartDelay = 100;
    int m_restartDelay = 100;
    QTimer m_restartTimer;

    std::atomic<int> m_generation{0};
    std::atomic<int> m_frameCount{0};
    std::atomic<qint64> m_lastFrameTime{0};
    mutable QMutex m_sizeMutex;
    QSize m_lastFrameSize;
};

} // namespace Guest
