#include "cameraemulationmanager.h"

#include "streampipeline.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <algorithm>
#include <memory>

using Mimicry::Internal::StreamPipeline;

namespace {

// Both pipelines list their elements in link order.
enum VideoElement { FileSource, Decoder, VideoEncoder, VideoPayloader, VideoSink };
enum CameraElement { CameraSource, CapsFilter, CameraEncoder, CameraPayloader, CameraSink };

const char StreamHost[] = "127.0.0.1";
const int StreamPort = 34343;
const int JpegQuality = 50;
const GstClockTime DiscovererTimeout = 2 * GST_SECOND;
// Sources that accept any rate announce ranges up to G_MAXINT; nobody wants
// that many entries, nor a camera asked for more than this.
const qint64 MaxRangeFramerate = 240;

QString takeUtf8(gchar *text)
{
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

QString displayName(GstDevice *device)
{
    return takeUtf8(gst_device_get_display_name(device));
}

QString serializedField(const GstStructure *structure, const char *field)
{
    const GValue *value = gst_structure_get_value(structure, field);
    if (!value)
        return QString();
    return takeUtf8(gst_value_serialize(value));
}

void linkDecodedPad(GstElement *, GstPad *pad, gpointer encoder)
{
    GstPad *sink = gst_element_get_static_pad(GST_ELEMENT(encoder), "sink");
    gst_pad_link(pad, sink);
    gst_object_unref(sink);
}

QString discoverVideoCodec(const QByteArray &uri)
{
    QString codecName;
    GstDiscoverer *discoverer = gst_discoverer_new(DiscovererTimeout, nullptr);
    if (!discoverer)
        return codecName;
    if (GstDiscovererInfo *info = gst_discoverer_discover_uri(discoverer, uri.constData(), nullptr)) {
        if (const GstTagList *tags = gst_discoverer_info_get_tags(info)) {
            GstTagList *copy = gst_tag_list_copy(tags);
            gchar *codec = nullptr;
            if (gst_tag_list_get_string(copy, GST_TAG_VIDEO_CODEC, &codec))
                codecName = takeUtf8(codec);
            gst_tag_list_unref(copy);
        }
        gst_discoverer_info_unref(info);
    }
    g_object_unref(discoverer);
    return codecName;
}

// The discoverer's own timeout starts only once its file source has opened
// the file, which may block (a file swapped for a FIFO, a hung network
// mount): the discovery runs in a worker and the caller waits no longer
// than the timeout.
QString discoverVideoCodecWithin(const QByteArray &uri, GstClockTime timeout)
{
    auto codecName = std::make_shared<QString>();
    QThread *worker = QThread::create([uri, codecName] { *codecName = discoverVideoCodec(uri); });
    // A worker left behind finishes on its own; its result is dropped.
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
    if (!worker->wait(QDeadlineTimer(qint64(GST_TIME_AS_MSECONDS(timeout)))))
        return QString();
    delete worker;
    return *codecName;
}

QString sourceFactoryName(GstDevice *device)
{
    QString name;
    if (GstElement *element = gst_device_create_element(device, nullptr)) {
        gst_object_ref_sink(element);
        if (GstElementFactory *factory = gst_element_get_factory(element))
            name = QString::fromUtf8(GST_OBJECT_NAME(factory));
        gst_object_unref(element);
    }
    return name;
}

} // namespace

CameraEmulationManager::CameraEmulationManager(QObject *parent)
    : QObject(parent)
{
    gst_init(nullptr, nullptr);
    createDeviceMonitor();
    readSourceFactoryName();
    createVideoPipeline();
    createCameraPipeline();
    connect(this, &CameraEmulationManager::videoStreamStopped, this, &CameraEmulationManager::restartVideoStream);
    m_streamInfoTimer.setInterval(1000);
    connect(&m_streamInfoTimer, &QTimer::timeout, this, &CameraEmulationManager::updateStreamInfo);
}

CameraEmulationManager::~CameraEmulationManager()
{
    m_videoPipeline.reset();
    m_cameraPipeline.reset();
    releaseDeviceMonitor();
}

QStringList CameraEmulationManager::framerates() const
{
    const QVariantList list = resolutions();
    if (m_resolutionIndex < 0 || m_resolutionIndex >= list.size())
        return {};
    return list.at(m_resolutionIndex).toMap().value(QStringLiteral("framerates")).toStringList();
}

QVariantList CameraEmulationManager::resolutions() const
{
    return m_cameras.value(m_cameraName).toMap().value(QStringLiteral("resolutions")).toList();
}

void CameraEmulationManager::setFramerate(const QString &framerate)
{
    storeFramerate(framerate);
    emit framerateChanged();
}

void CameraEmulationManager::storeFramerate(const QString &framerate)
{
    m_framerate = framerate.contains(QLatin1Char('/')) ? framerate : QString();
}

void CameraEmulationManager::setWidth(int width)
{
    m_width = width;
    emit widthChanged();
}

void CameraEmulationManager::setHeight(int height)
{
    m_height = height;
    emit heightChanged();
}

void CameraEmulationManager::setResolutionIndex(int index)
{
    m_resolutionIndex = index;
    const QVariantList list = resolutions();
    // An index outside the list (or a camera without sizes) keeps the
    // previous choice rather than reading past the end.
    if (index >= 0 && index < list.size()) {
        const QVariantMap resolution = list.at(index).toMap();
        m_width = resolution.value(QStringLiteral("width")).toInt();
        m_height = resolution.value(QStringLiteral("height")).toInt();
        const QStringList rates = resolution.value(QStringLiteral("framerates")).toStringList();
        if (!rates.isEmpty() && !rates.contains(m_framerate))
            storeFramerate(rates.constFirst());
    }
    emit widthChanged();
    emit heightChanged();
    emit framerateChanged();
    emit resolutionIndexChanged();
    emit frameratesChanged();
}

void CameraEmulationManager::setCameraName(const QString &name)
{
    m_cameraName = name;
    setResolutionIndex(0);
    emit cameraNameChanged();
    emit resolutionsChanged();
    emit frameratesChanged();
}

QString CameraEmulationManager::localFilePath(const QString &pagePath)
{
    static const QRegularExpression drivePath(QStringLiteral("^/[A-Za-z]:[/\\\\]"));
    if (!drivePath.match(pagePath).hasMatch())
        return pagePath;
    QString path = pagePath.mid(1);
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return path;
}

void CameraEmulationManager::createDeviceMonitor()
{
    m_deviceMonitor = gst_device_monitor_new();
    GstBus *bus = gst_device_monitor_get_bus(m_deviceMonitor);
    m_busWatch = gst_bus_add_watch(bus, &CameraEmulationManager::handleBusMessage, this);
    gst_object_unref(bus);
    GstCaps *caps = gst_caps_new_empty_simple("video/x-raw");
    gst_device_monitor_add_filter(m_deviceMonitor, "Video/Source", caps);
    gst_caps_unref(caps);
    gst_device_monitor_start(m_deviceMonitor);
}

void CameraEmulationManager::releaseDeviceMonitor()
{
    // Messages still queued on the old bus must not reach us any more.
    if (m_busWatch)
        g_source_remove(m_busWatch);
    m_busWatch = 0;
    gst_device_monitor_stop(m_deviceMonitor);
    gst_object_unref(m_deviceMonitor);
    m_deviceMonitor = nullptr;
}

void CameraEmulationManager::readSourceFactoryName()
{
    GList *devices = gst_device_monitor_get_devices(m_deviceMonitor);
    if (devices)
        m_sourceFactoryName = sourceFactoryName(GST_DEVICE(devices->data));
    g_list_free_full(devices, gst_object_unref);
}

// A host without a camera when the monitor started has no camera source:
// the first camera plugged in brings it, or starting the camera would
// report a stream that sends nothing.
void CameraEmulationManager::adoptCameraSource(GstDevice *device)
{
    if (m_cameraPipeline->element(CameraSource))
        return;
    m_sourceFactoryName = sourceFactoryName(device);
    if (m_sourceFactoryName.isEmpty())
        return;
    createCameraPipeline();
    applyCameraSettings();
}

void CameraEmulationManager::addCamera(GstDevice *device)
{
    GstCaps *caps = gst_device_get_caps(device);
    const QString name = displayName(device);
    QVariantList resolutions;
    const guint count = caps ? gst_caps_get_size(caps) : 0;
    for (guint i = 0; i < count; ++i) {
        const GstStructure *structure = gst_caps_get_structure(caps, i);
        const QString text = serializedField(structure, "framerate");
        if (text.contains(QLatin1String("GstFractionRange")))
            continue;
        addResolution(resolutions, parseFramerates(text), serializedField(structure, "width"),
                      serializedField(structure, "height"));
    }
    if (caps)
        gst_caps_unref(caps);
    std::stable_sort(resolutions.begin(), resolutions.end(), [](const QVariant &a, const QVariant &b) {
        return a.toMap().value(QStringLiteral("width")).toInt() > b.toMap().value(QStringLiteral("width")).toInt();
    });
    m_cameras.insert(name, QVariantMap{{QStringLiteral("resolutions"), resolutions},
                                       {QStringLiteral("source"), readSourceProperty(device)}});
    emit camerasChanged();
    emit resolutionsChanged();
    emit frameratesChanged();
}

void CameraEmulationManager::addResolution(QVariantList &resolutions, const QStringList &framerates,
                                           const QString &widthText, const QString &heightText)
{
    if (widthText.isNull() || heightText.isNull())
        return;
    const int width = widthText.toInt();
    const int height = heightText.toInt();
    if (width < 1 || height < 1)
        return;
    const QString string = QStringLiteral("%1x%2").arg(width).arg(height);
    for (const QVariant &entry : qAsConst(resolutions)) {
        if (entry.toMap().value(QStringLiteral("string")).toString() == string)
            return;
    }
    resolutions.append(QVariantMap{{QStringLiteral("width"), width},
                                   {QStringLiteral("height"), height},
                                   {QStringLiteral("string"), string},
                                   {QStringLiteral("framerates"), framerates}});
}

QStringList CameraEmulationManager::parseFramerates(const QString &text)
{
    QStringList rates;
    if (text.contains(QLatin1Char('{')) && text.contains(QLatin1Char('}'))) {
        static const QRegularExpression listDecoration(QStringLiteral("[{}(fraction) ]"));
        QString list = text;
        list.remove(listDecoration);
        rates = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString &rate : rates) {
            const QStringList parts = rate.split(QLatin1Char('/'));
            if (parts.size() == 2 && parts.at(1) != QLatin1String("1"))
                rate = QStringLiteral("%1/1").arg(parts.at(0).toInt() / qMax(parts.at(1).toInt(), 1));
        }
    } else if (text.contains(QLatin1Char('[')) && text.contains(QLatin1Char(']'))) {
        rates = framerateRangeSteps(text);
    } else {
        rates = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    std::stable_sort(rates.begin(), rates.end(), [](const QString &a, const QString &b) {
        return a.section(QLatin1Char('/'), 0, 0).toInt() > b.section(QLatin1Char('/'), 0, 0).toInt();
    });
    return rates;
}

QStringList CameraEmulationManager::framerateRangeSteps(const QString &text)
{
    qint64 low = 1;
    qint64 high = 1;
    if (!text.isEmpty()) {
        static const QRegularExpression rangeDecoration(QStringLiteral("[\\[\\] ]"));
        QString range = text;
        range.remove(rangeDecoration);
        const QStringList bounds = range.split(QLatin1Char(','), Qt::SkipEmptyParts);
        const auto value = [](const QString &fraction) -> qint64 {
            const QStringList parts = fraction.split(QLatin1Char('/'));
            const qint64 numerator = parts.at(0).toLongLong();
            const qint64 denominator = parts.size() > 1 ? parts.at(1).toLongLong() : 1;
            return denominator == 0 ? 0 : numerator / denominator;
        };
        low = bounds.isEmpty() ? 1 : value(bounds.at(0));
        high = bounds.size() > 1 ? value(bounds.at(1)) : low;
    }
    // Rates are not negative; bounding both ends bounds the list.
    low = qMax<qint64>(low, 0);
    high = qMin(high, qMax(low, MaxRangeFramerate));

    QList<qint64> steps{low};
    if (low != high)
        steps.append(low + 1);
    while (steps.constLast() < high) {
        const qint64 last = steps.constLast();
        if (last % 5 != 0)
            steps.append(last + 5 - last % 5);
        steps.append(steps.constLast() + 5);
    }
    QStringList rates;
    for (const qint64 step : qAsConst(steps))
        rates.append(QStringLiteral("%1/1").arg(step));
    return rates;
}

QVariantMap CameraEmulationManager::readSourceProperty(GstDevice *device)
{
    QVariantMap source{{QStringLiteral("name"), QString()}, {QStringLiteral("value"), QString()}};
    GstElement *element = gst_device_create_element(device, nullptr);
    if (!element)
        return source;
    gst_object_ref_sink(element);
    guint count = 0;
    GParamSpec **properties = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count);
    QString fallback;
    for (guint i = 0; i < count; ++i) {
        const char *name = g_param_spec_get_name(properties[i]);
        if (!(properties[i]->flags & G_PARAM_READABLE))
            continue;
        const bool path = qstrcmp(name, "device-path") == 0;
        if (!path && qstrcmp(name, "device") != 0 && qstrcmp(name, "device-index") != 0)
            continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, G_PARAM_SPEC_VALUE_TYPE(properties[i]));
        g_object_get_property(G_OBJECT(element), name, &value);
        const QString text = takeUtf8(gst_value_serialize(&value));
        g_value_unset(&value);
        if (path) {
            fallback = text;
            continue;
        }
        source = {{QStringLiteral("name"), QString::fromUtf8(name)}, {QStringLiteral("value"), text}};
        fallback.clear();
        break;
    }
    if (!fallback.isEmpty())
        source = {{QStringLiteral("name"), QStringLiteral("device-path")}, {QStringLiteral("value"), fallback}};
    g_free(properties);
    gst_object_unref(element);
    return source;
}

int CameraEmulationManager::handleBusMessage(GstBus *, GstMessage *message, void *data)
{
    auto manager = static_cast<CameraEmulationManager *>(data);
    GstDevice *device = nullptr;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_DEVICE_ADDED:
        gst_message_parse_device_added(message, &device);
        if (!manager->m_cameras.contains(displayName(device))) {
            manager->addCamera(device);
            manager->adoptCameraSource(device);
            if (manager->m_cameras.size() == 1)
                manager->setCameraStreamSettings();
        }
        gst_object_unref(device);
        break;
    case GST_MESSAGE_DEVICE_REMOVED: {
        gst_message_parse_device_removed(message, &device);
        const QString name = displayName(device);
        if (manager->m_cameras.contains(name))
            manager->removeCamera(name);
        gst_object_unref(device);
        break;
    }
    default:
        break;
    }
    return TRUE;
}

void CameraEmulationManager::removeCamera(const QString &name)
{
    // Only the camera's own stream ends; a video file goes on streaming.
    if (name == m_cameraName && m_streamRunning && m_cameraPipeline->targetsPlaying()) {
        m_cameraPipeline->setNull();
        setStreamStopReason(tr("The camera \"%1\" was unplugged.").arg(name));
        setStreamRunning(false);
    }
    m_cameras.remove(name);
    emit camerasChanged();
    if (m_cameras.isEmpty() || name != m_cameraName)
        return;
    setCameraName(m_cameras.firstKey());
    applyCameraSettings();
    emit cameraStreamSettingsApplied();
}

void CameraEmulationManager::initCameras()
{
    GList *devices = gst_device_monitor_get_devices(m_deviceMonitor);
    for (GList *item = devices; item; item = item->next)
        addCamera(GST_DEVICE(item->data));
    g_list_free_full(devices, gst_object_unref);

    if (!m_cameras.isEmpty()) {
        m_cameraName = m_cameras.firstKey();
        setResolutionIndex(0);
        emit cameraNameChanged();
        emit resolutionsChanged();
        emit frameratesChanged();
    }
    setCameraStreamSettings();
}

void CameraEmulationManager::updateCamerasList()
{
    if (m_streamRunning)
        stopStreams();
    if (m_streamingPipeline == m_cameraPipeline.get())
        m_streamingPipeline = nullptr;
    m_cameraPipeline.reset();
    releaseDeviceMonitor();
    m_cameras.clear();
    emit camerasChanged();

    createDeviceMonitor();
    readSourceFactoryName();
    createCameraPipeline();
    initCameras();
}

void CameraEmulationManager::createVideoPipeline()
{
    m_videoPipeline = std::make_unique<StreamPipeline>(
        "video-stream-pipeline", QVector<StreamPipeline::ElementSpec>{{"filesrc", "filesrc"},
                                                                      {"decodebin", "decodebin"},
                                                                      {"jpegenc", "jpegencVS"},
                                                                      {"rtpjpegpay", "m_rtpjpegpayVS"},
                                                                      {"udpsink", "udpsinkVS"}});
    if (m_videoPipeline->isBroken())
        return;
    GstElement *encoder = m_videoPipeline->element(VideoEncoder);
    GstElement *sink = m_videoPipeline->element(VideoSink);
    g_object_set(encoder, "quality", JpegQuality, nullptr);
    g_object_set(sink, "host", StreamHost, "port", StreamPort, nullptr);
    m_videoPipeline->link(FileSource, Decoder);
    m_videoPipeline->link(VideoEncoder, VideoSink);
    g_signal_connect(m_videoPipeline->element(Decoder), "pad-added", G_CALLBACK(linkDecodedPad), encoder);
    watchStream(m_videoPipeline.get(), VideoPayloader);

    GstPad *sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
                      [](GstPad *, GstPadProbeInfo *info, gpointer manager) {
                          // Streaming thread: only a signal, queued to the manager's thread.
                          if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS)
                              emit static_cast<CameraEmulationManager *>(manager)->videoStreamStopped();
                          return GST_PAD_PROBE_OK;
                      },
                      this, nullptr);
    gst_object_unref(sinkPad);
}

void CameraEmulationManager::createCameraPipeline()
{
    // The old pipeline lets go of the camera before a new source is made.
    if (m_streamingPipeline == m_cameraPipeline.get())
        m_streamingPipeline = nullptr;
    m_cameraPipeline.reset();
    const QByteArray factory = m_sourceFactoryName.toUtf8();
    // Without a camera on the host there is no source, and the pipeline stays empty.
    QVector<StreamPipeline::ElementSpec> elements;
    if (!factory.isEmpty())
        elements = {{factory, "sourcePluginCam"},
                    {"capsfilter", "capsfilterCam"},
                    {"jpegenc", "jpegencCam"},
                    {"rtpjpegpay", "rtpjpegpayCam"},
                    {"udpsink", "udpsinkCam"}};
    m_cameraPipeline = std::make_unique<StreamPipeline>("camera-stream-pipeline", elements);
    m_cameraPipeline->link(CameraSource, CameraSink);
    watchStream(m_cameraPipeline.get(), CameraPayloader);
}

void CameraEmulationManager::watchStream(StreamPipeline *pipeline, int payloader)
{
    if (pipeline->isBroken() || !pipeline->element(payloader))
        return;
    // One buffer into the payloader is one frame.
    pipeline->countBuffers(payloader);
    pipeline->watchErrors([this, pipeline](const QString &error) { stopOnError(pipeline, error); });
}

void CameraEmulationManager::applyCameraSettings()
{
    const QVariantMap source = m_cameras.value(m_cameraName).toMap().value(QStringLiteral("source")).toMap();
    const QByteArray name = source.value(QStringLiteral("name")).toString().toUtf8();
    const QString value = source.value(QStringLiteral("value")).toString();
    GstElement *cameraSource = m_cameraPipeline->element(CameraSource);
    if (!cameraSource)
        return;
    if (!name.isEmpty() && !value.isEmpty()
        && g_object_class_find_property(G_OBJECT_GET_CLASS(cameraSource), name.constData())) {
        if (name == "device-index")
            g_object_set(cameraSource, name.constData(), value.toInt(), nullptr);
        else
            g_object_set(cameraSource, name.constData(), value.toUtf8().constData(), nullptr);
    }

    QString capsText = QStringLiteral("video/x-raw");
    if (m_width >= 0 && m_height >= 0)
        capsText += QStringLiteral(",width=%1,height=%2").arg(m_width).arg(m_height);
    if (!m_framerate.isEmpty())
        capsText += QStringLiteral(",framerate=%1").arg(m_framerate);
    if (GstCaps *caps = gst_caps_from_string(capsText.toUtf8().constData())) {
        g_object_set(m_cameraPipeline->element(CapsFilter), "caps", caps, nullptr);
        gst_caps_unref(caps);
    }

    g_object_set(m_cameraPipeline->element(CameraEncoder), "quality", JpegQuality, nullptr);
    g_object_set(m_cameraPipeline->element(CameraSink), "host", StreamHost, "port", StreamPort, nullptr);
}

void CameraEmulationManager::startCameraStream()
{
    m_videoPipeline->stop();
    m_cameraPipeline->stop();
    const bool playing = m_cameraPipeline->play();
    if (playing)
        beginStreamInfo(m_cameraPipeline.get(), m_cameraName);
    setStreamRunning(playing);
}

void CameraEmulationManager::stopCameraStream()
{
    m_cameraPipeline->setNull();
    setStreamRunning(false);
}

void CameraEmulationManager::setCameraStreamSettings()
{
    if (!m_streamRunning) {
        applyCameraSettings();
        emit cameraStreamSettingsApplied();
        return;
    }
    m_cameraPipeline->setNull();
    setStreamRunning(false);
    applyCameraSettings();
    startCameraStream();
    emit cameraStreamSettingsApplied();
}

void CameraEmulationManager::startVideoStream(const QString &filePath)
{
    m_cameraPipeline->stop();
    m_videoPipeline->stop();
    if (filePath.isEmpty() || !checkVideoCodec(filePath))
        return;
    if (GstElement *fileSource = m_videoPipeline->element(FileSource))
        g_object_set(fileSource, "location", localFilePath(filePath).toLocal8Bit().constData(), nullptr);
    const bool playing = m_videoPipeline->play();
    if (playing)
        beginStreamInfo(m_videoPipeline.get(), QFileInfo(localFilePath(filePath)).fileName());
    setStreamRunning(playing);
}

void CameraEmulationManager::stopVideoStream()
{
    m_videoPipeline->setNull();
    setStreamRunning(false);
}

bool CameraEmulationManager::checkVideoCodec(const QString &filePath)
{
    QString codecName;
    // A FIFO, a device or a directory is no video file; reading one may
    // never end.
    if (QFileInfo(localFilePath(filePath)).isFile())
        codecName = discoverVideoCodecWithin(QUrl::fromLocalFile(filePath).toString().toUtf8(), DiscovererTimeout);
    const bool success = codecName.contains(QLatin1String("VP8")) || codecName.contains(QLatin1String("VP9"));
    emit videoFileCodecChecked(success, codecName);
    return success;
}

void CameraEmulationManager::restartVideoStream()
{
    // The end of the file may be queued behind a stop or a switch to the
    // camera; a pipeline stopped since then stays stopped.
    if (m_videoPipeline->isNull())
        return;
    m_videoPipeline->stop();
    m_videoPipeline->play();
}

void CameraEmulationManager::stopStreams()
{
    m_cameraPipeline->setNull();
    // The flag covers a video file too, which must not go on streaming
    // once nothing shows it and nothing can stop it.
    m_videoPipeline->setNull();
    setStreamRunning(false);
}

void CameraEmulationManager::setStreamRunning(bool running)
{
    m_streamRunning = running;
    if (running)
        m_streamInfoTimer.start();
    else
        m_streamInfoTimer.stop();
    emit streamRunningChanged();
}

void CameraEmulationManager::beginStreamInfo(StreamPipeline *pipeline, const QString &source)
{
    m_streamingPipeline = pipeline;
    pipeline->resetBufferCount();
    m_sinceLastInfo.start();
    m_streamSource = source;
    m_streamWidth = 0;
    m_streamHeight = 0;
    m_streamFramerate = 0;
    m_framesSent = 0;
    setStreamStopReason(QString());
    emit streamInfoChanged();
}

void CameraEmulationManager::updateStreamInfo()
{
    if (!m_streamingPipeline)
        return;
    const StreamPipeline::Format format = m_streamingPipeline->countedFormat();
    const quint64 frames = m_streamingPipeline->buffersCounted();
    const qint64 elapsed = m_sinceLastInfo.restart();
    m_streamWidth = format.width;
    m_streamHeight = format.height;
    // A file of variable rate announces none: the rate is the one measured.
    m_streamFramerate = format.framerate > 0 || elapsed <= 0 ? format.framerate
                                                              : (frames - m_framesSent) * 1000.0 / elapsed;
    m_framesSent = frames;
    emit streamInfoChanged();
}

void CameraEmulationManager::setStreamStopReason(const QString &reason)
{
    if (reason == m_streamStopReason)
        return;
    m_streamStopReason = reason;
    emit streamStopReasonChanged();
}

void CameraEmulationManager::stopOnError(StreamPipeline *pipeline, const QString &error)
{
    if (!m_streamRunning || pipeline != m_streamingPipeline)
        return;
    pipeline->setNull();
    setStreamStopReason(tr("The stream stopped: %1").arg(error));
    setStreamRunning(false);
}
