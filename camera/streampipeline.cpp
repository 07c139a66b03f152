#include "streampipeline.h"

#include <QDebug>

#include <gst/gst.h>

namespace Mimicry {
namespace Internal {

namespace {

// A pipeline that never settles must not freeze the window for good.
const GstClockTime StopTimeout = 5 * GST_SECOND;

} // namespace

StreamPipeline::StreamPipeline(const char *name, const QVector<ElementSpec> &elements)
    : m_pipeline(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new(name))))
{
    QVector<GstElement *> made;
    for (const ElementSpec &spec : elements) {
        GstElement *element = gst_element_factory_make(spec.factory.constData(), spec.name);
        if (!element) {
            qWarning("Cannot make the GStreamer element \"%s\" (factory \"%s\"): is its plug-in installed?",
                     spec.name, spec.factory.constData());
            m_broken = true;
        }
        made.append(element);
    }
    for (GstElement *element : qAsConst(made)) {
        if (!element)
            continue;
        // Once in the bin, the element belongs to the pipeline.
        if (m_broken)
            gst_object_unref(gst_object_ref_sink(element));
        else
            gst_bin_add(GST_BIN(m_pipeline), element);
    }
    if (!m_broken)
        m_elements = made;
}

StreamPipeline::~StreamPipeline()
{
    if (m_busWatch)
        g_source_remove(m_busWatch);
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    gst_object_unref(m_pipeline);
}

GstElement *StreamPipeline::element(int index) const
{
    return m_elements.value(index);
}

void StreamPipeline::link(int first, int last)
{
    for (int i = first; i < last && i + 1 < m_elements.size(); ++i)
        gst_element_link(m_elements.at(i), m_elements.at(i + 1));
}

void StreamPipeline::stop()
{
    GstState state = GST_STATE_VOID_PENDING;
    const GstStateChangeReturn result = gst_element_get_state(m_pipeline, &state, nullptr, StopTimeout);
    if (result == GST_STATE_CHANGE_ASYNC || result == GST_STATE_CHANGE_FAILURE || state != GST_STATE_NULL)
        setNull();
}

void StreamPipeline::setNull()
{
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
}

bool StreamPipeline::play()
{
    if (m_broken)
        return false;
    gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
    return true;
}

bool StreamPipeline::targetsPlaying() const
{
    GST_OBJECT_LOCK(m_pipeline);
    const bool playing = GST_STATE_TARGET(m_pipeline) == GST_STATE_PLAYING;
    GST_OBJECT_UNLOCK(m_pipeline);
    return playing;
}

bool StreamPipeline::isNull() const
{
    GstState state = GST_STATE_NULL;
    gst_element_get_state(m_pipeline, &state, nullptr, 0);
    return state == GST_STATE_NULL;
}

void StreamPipeline::countBuffers(int index)
{
    m_countedElement = element(index);
    if (!m_countedElement)
        return;
    GstPad *pad = gst_element_get_static_pad(m_countedElement, "sink");
    gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                      [](GstPad *, GstPadProbeInfo *info, gpointer counter) {
                          // Streaming thread: nothing but the counter.
                          quint64 count = 1;
                          if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER_LIST)
                              count = gst_buffer_list_length(GST_PAD_PROBE_INFO_BUFFER_LIST(info));
                          static_cast<std::atomic<quint64> *>(counter)->fetch_add(count, std::memory_order_relaxed);
                          return GST_PAD_PROBE_OK;
                      },
                      &m_buffers, nullptr);
    gst_object_unref(pad);
}

StreamPipeline::Format StreamPipeline::countedFormat() const
{
    Format format;
    if (!m_countedElement)
        return format;
    GstPad *pad = gst_element_get_static_pad(m_countedElement, "sink");
    GstCaps *caps = gst_pad_get_current_caps(pad);
    gst_object_unref(pad);
    if (!caps)
        return format;
    if (gst_caps_get_size(caps) > 0) {
        const GstStructure *structure = gst_caps_get_structure(caps, 0);
        gst_structure_get_int(structure, "width", &format.width);
        gst_structure_get_int(structure, "height", &format.height);
        int numerator = 0;
        int denominator = 0;
        if (gst_structure_get_fraction(structure, "framerate", &numerator, &denominator) && denominator > 0)
            format.framerate = double(numerator) / denominator;
    }
    gst_caps_unref(caps);
    return format;
}

void StreamPipeline::watchErrors(std::function<void(const QString &)> handler)
{
    m_errorHandler = std::move(handler);
    if (m_busWatch)
        return;
    GstBus *bus = gst_element_get_bus(m_pipeline);
    m_busWatch = gst_bus_add_watch(bus,
                                   [](GstBus *, GstMessage *message, gpointer data) -> gboolean {
                                       if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR)
                                           return TRUE;
                                       GError *error = nullptr;
                                       gst_message_parse_error(message, &error, nullptr);
                                       const QString text = QString::fromUtf8(error ? error->message : "");
                                       g_clear_error(&error);
                                       auto pipeline = static_cast<StreamPipeline *>(data);
                                       if (pipeline->m_errorHandler)
                                           pipeline->m_errorHandler(text);
                                       return TRUE;
                                   },
                                   this);
    gst_object_unref(bus);
}

} // namespace Internal
} // namespace Mimicry
