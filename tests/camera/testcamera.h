#pragma once

#include <QString>

#include <gst/gst.h>

// A GStreamer device provider of our own, so that tests have cameras on a
// host without one. Its devices are "Video/Source" devices with the caps
// they are given; their element is a live videotestsrc that sends I420
// frames at whatever size and rate downstream asks for.
namespace TestCamera {

// Which property of the source element tells the cameras apart. Each kind
// is an element factory of its own.
enum class Property { Device, DeviceIndex, DevicePath };

struct Device
{
    QString displayName;
    QString caps;
    Property property = Property::Device;
    // The property's value; "stall" for a Device source makes an element
    // that never prerolls.
    QString value{};
};

// Registers the plug-in with the running process (once); GStreamer must be
// initialised. False when videotestsrc is missing.
bool registerPlugin();

// While a device monitor runs, add() and remove() post device-added and
// device-removed messages; otherwise the devices are simply listed.
void add(const Device &device);
void remove(const QString &displayName);
void clear();

// The source element of the manager's newest camera pipeline, null if none.
// No reference is taken: it lives as long as that pipeline.
GstElement *cameraSource();
// Its state; GST_STATE_VOID_PENDING without one.
GstState cameraState();

} // namespace TestCamera
