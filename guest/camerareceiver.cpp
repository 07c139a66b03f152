#include "camerareceiver.h"

#include <QDateTime>
#include <QMetaObject>
#include <QMutexLocker>

#include <gst/gst.h>

namespace Guest {

namespace {

const int MaxRestartDelay = 2000;
// Frames of the camera come in bursts of ~1400-byte packets; the kernel's
// default buffer drops part of a 640x480 frame when the pipeline lags.
const int ReceiveBufferSize = 1024 * 1024;
const GstClockTime StopTimeout = 2 * GST_SECOND;

bool initGStreamer(QString *error)
{
    static QString initError;
    static const bool ok = [] {
        GError *gerror = nullptr;
        if (gst_init_check(nullptr, nullptr, &gerror))
            return true;
        initError = gerror ? QString::fromUtf8(gerror->message) : QStringLiteral("unknown error");
        g_clear_error(&gerror);
        return false;
    }();
    if (!ok && error)
        *error = QStringLiteral("GStreamer could not be initialised: %1").arg(initError);
    return ok;
}

QString errorText(GstMessage *message)
{
    GError *gerror = nullptr;
    gchar *debug = nullptr;
    gst_message_parse_error(message, &gerror, &debug);
    QString text = gerror ? QString::fromUtf8(gerror->message) : QStringLiteral("unknown error");
    if (debug && *debug)
        text += QStringLiteral(" (%1)").arg(QString::fromUtf8(debug));
    g_clear_error(&gerror);
    g_free(debug);
    return text;
}

QString hostString(const QHostAddress &address)
{
    // The host's pipelines send over IPv4; a dual-stack "any" would need
    // IPv6, which not every guest network has.
    if (address.protocol() == QAbstractSocket::AnyIPProtocol)
        return QStringLiteral("0.0.0.0");
    return address.toString();
}

} // namespace

struct CameraReceiverCallbacks
{
    static void handoff(GstElement *, GstBuffer *, GstPad *pad, gpointer data)
    {
        int width = 0;
        int height = 0;
        if (GstCaps *caps = gst_pad_get_current_caps(pad)) {
            if (gst_caps_get_size(caps) > 0) {
                const GstStructure *structure = gst_caps_get_structure(caps, 0);
                gst_structure_get_int(structure, "width", &width);
                gst_structure_get_int(structure, "height", &height);
            }
            gst_caps_unref(caps);
        }
        static_cast<CameraReceiver *>(data)->recordFrame(width, height);
    }

    static GstBusSyncReply busMessage(GstBus *, GstMessage *message, gpointer data)
    {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
            static_cast<CameraReceiver *>(data)->forwardError(errorText(message));
        // Nobody pops the bus, so nothing may stay queued on it.
        return GST_BUS_DROP;
    }
};

CameraReceiver::CameraReceiver(QObject *parent)
    : QObject(parent)
{
    m_restartTimer.setSingleShot(true);
    connect(&m_restartTimer, &QTimer::timeout, this, &CameraReceiver::restart);
}

CameraReceiver::~CameraReceiver()
{
    stop();
}

bool CameraReceiver::start(const QHostAddress &address, quint16 port, QString *error)
{
    stop();
    QString message;
    if (address.isNull()) {
        message = QStringLiteral("No address to receive the camera stream on");
    } else if (initGStreamer(&message)) {
        m_address = address;
        m_port = port;
        m_frameCount = 0;
        m_lastFrameTime = 0;
        {
            QMutexLocker locker(&m_sizeMutex);
            m_lastFrameSize = QSize();
        }
        m_restartCount = 0;
        m_restartDelay = m_initialRestartDelay;
        m_lastError.clear();
        if (launch(&message)) {
            m_running = true;
            return true;
        }
    }
    m_lastError = message;
    if (error)
        *error = message;
    return false;
}

void CameraReceiver::stop()
{
    m_running = false;
    m_restartTimer.stop();
    teardown();
}

QSize CameraReceiver::lastFrameSize() const
{
    QMutexLocker locker(&m_sizeMutex);
    return m_lastFrameSize;
}

bool CameraReceiver::launch(QString *error)
{
    GstElement *pipeline = gst_pipeline_new("camera-receiver");
    const char *const factories[] = {"udpsrc", "rtpjpegdepay", "jpegdec", "fakesink"};
    GstElement *elements[4] = {};
    for (int i = 0; i < 4; ++i) {
        elements[i] = gst_element_factory_make(factories[i], nullptr);
        if (!elements[i]) {
            *error = QStringLiteral("The GStreamer element \"%1\" is missing")
                         .arg(QLatin1String(factories[i]));
            gst_object_unref(pipeline);
            return false;
        }
        gst_bin_add(GST_BIN(pipeline), elements[i]);
    }
    GstElement *source = elements[0];
    GstElement *decoder = elements[2];
    GstElement *sink = elements[3];

    GstCaps *caps = gst_caps_new_simple("application/x-rtp",
                                        "media", G_TYPE_STRING, "video",
                                        "encoding-name", G_TYPE_STRING, "JPEG",
                                        "payload", G_TYPE_INT, 26,
                                        "clock-rate", G_TYPE_INT, 90000,
                                        nullptr);
    const QByteArray host = hostString(m_address).toUtf8();
    // Without reuse a port that is taken makes start() fail instead of
    // sharing the datagrams with whoever holds it.
    g_object_set(source, "address", host.constData(), "port", int(m_port), "reuse", FALSE,
                 "buffer-size", ReceiveBufferSize, "caps", caps, nullptr);
    gst_caps_unref(caps);
    // Every decodable frame counts, however late a sender's timestamps say it is.
    g_object_set(decoder, "qos", FALSE, nullptr);
    g_object_set(sink, "signal-handoffs", TRUE, "sync", FALSE, "async", FALSE, nullptr);
    g_signal_connect(sink, "handoff", G_CALLBACK(&CameraReceiverCallbacks::handoff), this);

    if (!gst_element_link_many(elements[0], elements[1], elements[2], elements[3], nullptr)) {
        *error = QStringLiteral("The camera pipeline could not be linked");
        gst_object_unref(pipeline);
        return false;
    }

    // The socket is bound on the way to READY; its failure is read off the
    // bus here, before the handler that forwards later errors is set.
    GstBus *bus = gst_element_get_bus(pipeline);
    if (gst_element_set_state(pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        GstMessage *message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
        *error = QStringLiteral("Cannot receive the camera stream on %1:%2: %3")
                     .arg(m_address.toString())
                     .arg(m_port)
                     .arg(message ? errorText(message) : QStringLiteral("unknown error"));
        if (message)
            gst_message_unref(message);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(bus);
        gst_object_unref(pipeline);
        return false;
    }
    // Drop the state changes queued so far; from here on the handler
    // consumes every message.
    gst_bus_set_flushing(bus, TRUE);
    gst_bus_set_flushing(bus, FALSE);
    gst_bus_set_sync_handler(bus, &CameraReceiverCallbacks::busMessage, this, nullptr);
    gst_object_unref(bus);

    m_pipeline = pipeline;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        teardown();
        *error = QStringLiteral("The camera pipeline could not be started");
        return false;
    }
    return true;
}

void CameraReceiver::teardown()
{
    if (!m_pipeline)
        return;
    GstElement *pipeline = m_pipeline;
    m_pipeline = nullptr;
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_element_get_state(pipeline, nullptr, nullptr, StopTimeout);
    GstBus *bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(pipeline);
    // Errors still queued from this pipeline are stale from now on.
    ++m_generation;
}

void CameraReceiver::handlePipelineError(int generation, const QString &message)
{
    if (!m_running || generation != m_generation.load())
        return;
    m_lastError = message;
    teardown();
    m_restartTimer.start(m_restartDelay);
    m_restartDelay = qMin(m_restartDelay * 2, MaxRestartDelay);
    emit errorOccurred(message);
}

void CameraReceiver::restart()
{
    if (!m_running)
        return;
    QString error;
    if (launch(&error)) {
        ++m_restartCount;
        return;
    }
    m_lastError = error;
    m_restartTimer.start(m_restartDelay);
    m_restartDelay = qMin(m_restartDelay * 2, MaxRestartDelay);
    emit errorOccurred(error);
}

void CameraReceiver::recordFrame(int width, int height)
{
    {
        QMutexLocker locker(&m_sizeMutex);
        m_lastFrameSize = QSize(width, height);
    }
    m_lastFrameTime = QDateTime::currentMSecsSinceEpoch();
    ++m_frameCount;
    QMetaObject::invokeMethod(this, [this] {
        m_restartDelay = m_initialRestartDelay;
        emit frameReceived();
    }, Qt::QueuedConnection);
}

void CameraReceiver::forwardError(const QString &message)
{
    const int generation = m_generation.load();
    QMetaObject::invokeMethod(this, [this, generation, message] {
        handlePipelineError(generation, message);
    }, Qt::QueuedConnection);
}

} // namespace Guest
