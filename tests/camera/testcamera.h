#pragma once

#include <QString>

typedef struct _GstElement GstElement;

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
    Device(const QString &displayName, const QString &caps, Property property = Property::Device,
           const QString &value = QString())
        : displayName(displayName), caps(caps), property(property), value(value)
    {}

    QString displayName;
    QString caps;
    Property property;
    // The property's value; "stall" for a Device source makes an element
    // that never prerolls.
    QString value;
};

// Registers the plug-in with the running process (once); GStreamer must be
// initialised. False when videotestsrc is missing.
bool registerPlugin();

// While a device monitor runs, add() and remove() post device-added and
// device-removed messages; otherwise the devices are simply listed.
void add(const Device &device);
void remove(const QString &displayName);
void clear();

// The newest source element of that name, with a reference; null if none.
GstElement *findSource(const char *elementName);

} // namespace TestCamera
