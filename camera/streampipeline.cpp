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

} // namespace Internal
} // namespace Mimicry
