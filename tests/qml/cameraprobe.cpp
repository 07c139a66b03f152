#include "cameraprobe.h"

#include <testcamera.h>
#include <testvideos.h>

#include <QDebug>
#include <QMap>

#include <gst/gst.h>

CameraProbe::CameraProbe(QObject *parent)
    : QObject(parent)
{}

bool CameraProbe::registerCameras()
{
    gst_init(nullptr, nullptr);
    return TestCamera::registerPlugin();
}

void CameraProbe::plugIn(const QString &displayName, const QString &caps)
{
    TestCamera::add(TestCamera::Device(displayName, caps));
}

void CameraProbe::unplugAll()
{
    TestCamera::clear();
}

QString CameraProbe::clip(const QString &kind, const QString &name)
{
    const QMap<QString, TestVideos::Kind> kinds{{QStringLiteral("theora"), TestVideos::Kind::Theora},
                                                {QStringLiteral("fifo"), TestVideos::Kind::Fifo},
                                                {QStringLiteral("directory"), TestVideos::Kind::Directory}};
    QString error;
    const QString path = TestVideos::make(m_clips.path(), kinds.value(kind, TestVideos::Kind::Vp8), 320, 240, 30,
                                          &error, name);
    if (path.isEmpty())
        qWarning().noquote() << "No clip:" << error;
    return path;
}

QUrl CameraProbe::fileUrl(const QString &path) const
{
    return QUrl::fromLocalFile(path);
}

bool CameraProbe::cameraPlaying() const
{
    GstElement *source = TestCamera::findSource("sourcePluginCam");
    if (!source)
        return false;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(source, &state, nullptr, 0);
    gst_object_unref(source);
    return state == GST_STATE_PLAYING;
}
