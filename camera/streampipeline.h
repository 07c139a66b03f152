#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>

typedef struct _GstElement GstElement;

namespace Mimicry {
namespace Internal {

// A GStreamer pipeline together with the elements it is made of. The
// pipeline owns its elements; the pointers handed out are borrowed and stay
// valid as long as this object does.
class StreamPipeline
{
public:
    struct ElementSpec
    {
        QByteArray factory;
        const char *name;
    };

    // Makes the elements and puts them into the pipeline, all or none: an
    // element that cannot be made (its plug-in missing) is reported, and the
    // pipeline is then left empty and broken.
    StreamPipeline(const char *name, const QVector<ElementSpec> &elements);
    ~StreamPipeline();

    StreamPipeline(const StreamPipeline &) = delete;
    StreamPipeline &operator=(const StreamPipeline &) = delete;

    // The element made from elements[index], or null if the pipeline holds none.
    GstElement *element(int index) const;
    bool isBroken() const { return m_broken; }

    // Links the elements from first to last, one after the other.
    void link(int first, int last);

    // Waits (bounded) for a pending state change, then makes sure the pipeline is in NULL.
    void stop();
    void setNull();
    // False, without a state change, when the pipeline is broken.
    bool play();
    bool targetsPlaying() const;
    bool isNull() const;

    // Counts the buffers reaching the sink pad of elements[index]; the
    // streaming thread only bumps the counter.
    void countBuffers(int index);
    quint64 buffersCounted() const { return m_buffers.load(std::memory_order_relaxed); }
    void resetBufferCount() { m_buffers.store(0, std::memory_order_relaxed); }

    // What was last negotiated on that pad; zero for what is not known yet.
    struct Format
    {
        int width = 0;
        int height = 0;
        double framerate = 0;
    };
    Format countedFormat() const;

    // The handler gets the text of each error the pipeline posts, on the
    // thread that iterates GLib's default main context. Going to NULL drops
    // the errors not yet handled.
    void watchErrors(std::function<void(const QString &)> handler);

private:
    GstElement *m_pipeline = nullptr;
    QVector<GstElement *> m_elements;
    bool m_broken = false;
    GstElement *m_countedElement = nullptr;
    std::atomic<quint64> m_buffers{0};
    std::function<void(const QString &)> m_errorHandler;
    unsigned m_busWatch = 0;
};

} // namespace Internal
} // namespace Mimicry
