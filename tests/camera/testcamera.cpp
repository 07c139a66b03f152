#include "testcamera.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>

#include <gst/gst.h>

#include <algorithm>

namespace TestCamera {

namespace {

struct Source
{
    GstBin parent;
    GstElement *videoSource;
    gchar *device;
    gint deviceIndex;
    gchar *devicePath;
    gulong stallProbe;
};

struct TestDevice
{
    GstDevice parent;
    Property property;
    gchar *value;
};

enum { PROP_0, PROP_DEVICE, PROP_DEVICE_INDEX, PROP_DEVICE_PATH };

QMutex &lock()
{
    static QMutex mutex;
    return mutex;
}

QList<Device> &devices()
{
    static QList<Device> list;
    return list;
}

QList<Source *> &sources()
{
    static QList<Source *> list;
    return list;
}

GstDeviceProvider *startedProvider = nullptr;
GType deviceType = 0;
GstElementClass *sourceParentClass = nullptr;
gpointer deviceParentClass = nullptr;

const char *propertyName(Property property)
{
    switch (property) {
    case Property::Device:
        return "device";
    case Property::DeviceIndex:
        return "device-index";
    case Property::DevicePath:
        return "device-path";
    }
    return nullptr;
}

GstStaticPadTemplate srcTemplate = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

// ---- source element ------------------------------------------------------

void sourceSetProperty(GObject *object, guint id, const GValue *value, GParamSpec *pspec)
{
    auto source = reinterpret_cast<Source *>(object);
    switch (id) {
    case PROP_DEVICE:
        g_free(source->device);
        source->device = g_value_dup_string(value);
        if (g_strcmp0(source->device, "stall") == 0 && !source->stallProbe) {
            // Not live and held before its first buffer: the pipeline never
            // reaches PAUSED, until it is taken down.
            g_object_set(source->videoSource, "is-live", FALSE, nullptr);
            GstPad *pad = gst_element_get_static_pad(source->videoSource, "src");
            source->stallProbe = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM,
                                                   [](GstPad *, GstPadProbeInfo *, gpointer) {
                                                       return GST_PAD_PROBE_OK;
                                                   },
                                                   nullptr, nullptr);
            gst_object_unref(pad);
        }
        break;
    case PROP_DEVICE_INDEX:
        source->deviceIndex = g_value_get_int(value);
        break;
    case PROP_DEVICE_PATH:
        g_free(source->devicePath);
        source->devicePath = g_value_dup_string(value);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

void sourceGetProperty(GObject *object, guint id, GValue *value, GParamSpec *pspec)
{
    auto source = reinterpret_cast<Source *>(object);
    switch (id) {
    case PROP_DEVICE:
        g_value_set_string(value, source->device);
        break;
    case PROP_DEVICE_INDEX:
        g_value_set_int(value, source->deviceIndex);
        break;
    case PROP_DEVICE_PATH:
        g_value_set_string(value, source->devicePath);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

void sourceFinalize(GObject *object)
{
    auto source = reinterpret_cast<Source *>(object);
    {
        QMutexLocker locker(&lock());
        sources().removeOne(source);
    }
    g_free(source->device);
    g_free(source->devicePath);
    G_OBJECT_CLASS(sourceParentClass)->finalize(object);
}

void sourceClassInit(gpointer klass, gpointer data)
{
    sourceParentClass = GST_ELEMENT_CLASS(g_type_class_peek_parent(klass));
    auto objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = sourceSetProperty;
    objectClass->get_property = sourceGetProperty;
    objectClass->finalize = sourceFinalize;
    const auto property = Property(GPOINTER_TO_INT(data));
    const auto flags = GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
    switch (property) {
    case Property::Device:
        g_object_class_install_property(objectClass, PROP_DEVICE,
                                        g_param_spec_string("device", "Device", "Camera name", nullptr, flags));
        break;
    case Property::DeviceIndex:
        g_object_class_install_property(objectClass, PROP_DEVICE_INDEX,
                                        g_param_spec_int("device-index", "Device index", "Camera number", -1,
                                                         G_MAXINT, -1, flags));
        break;
    case Property::DevicePath:
        g_object_class_install_property(objectClass, PROP_DEVICE_PATH,
                                        g_param_spec_string("device-path", "Device path", "Camera path", nullptr,
                                                            flags));
        break;
    }
    auto elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(elementClass, &srcTemplate);
    gst_element_class_set_static_metadata(elementClass, "Test camera source", "Source/Video",
                                          "Test pattern frames as a camera sends them", "Mimicry");
}

void sourceInit(GTypeInstance *instance, gpointer)
{
    auto source = reinterpret_cast<Source *>(instance);
    source->videoSource = gst_element_factory_make("videotestsrc", nullptr);
    GstElement *filter = gst_element_factory_make("capsfilter", nullptr);
    g_object_set(source->videoSource, "is-live", TRUE, nullptr);
    // The receiver's payloader takes 4:2:0 JPEG only.
    GstCaps *caps = gst_caps_from_string("video/x-raw,format=I420");
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    gst_bin_add_many(GST_BIN(source), source->videoSource, filter, nullptr);
    gst_element_link(source->videoSource, filter);
    GstPad *pad = gst_element_get_static_pad(filter, "src");
    gst_element_add_pad(GST_ELEMENT(source),
                        gst_ghost_pad_new_from_template(
                            "src", pad, gst_element_class_get_pad_template(GST_ELEMENT_GET_CLASS(source), "src")));
    gst_object_unref(pad);
    source->deviceIndex = -1;
    QMutexLocker locker(&lock());
    sources().append(source);
}

// ---- device --------------------------------------------------------------

GstElement *deviceCreateElement(GstDevice *device, const gchar *name)
{
    auto testDevice = reinterpret_cast<TestDevice *>(device);
    GstElement *element = gst_element_factory_make(factoryName(testDevice->property), name);
    if (element && testDevice->value)
        gst_util_set_object_arg(G_OBJECT(element), propertyName(testDevice->property), testDevice->value);
    return element;
}

void deviceFinalize(GObject *object)
{
    g_free(reinterpret_cast<TestDevice *>(object)->value);
    G_OBJECT_CLASS(deviceParentClass)->finalize(object);
}

void deviceClassInit(gpointer klass, gpointer)
{
    deviceParentClass = g_type_class_peek_parent(klass);
    GST_DEVICE_CLASS(klass)->create_element = deviceCreateElement;
    G_OBJECT_CLASS(klass)->finalize = deviceFinalize;
}

GstDevice *newDevice(const Device &spec)
{
    GstCaps *caps = gst_caps_from_string(spec.caps.toUtf8().constData());
    auto device = reinterpret_cast<TestDevice *>(
        g_object_new(deviceType, "display-name", spec.displayName.toUtf8().constData(), "caps", caps,
                     "device-class", "Video/Source", nullptr));
    if (caps)
        gst_caps_unref(caps);
    device->property = spec.property;
    device->value = spec.value.isEmpty() ? nullptr : g_strdup(spec.value.toUtf8().constData());
    return GST_DEVICE(device);
}

// ---- provider ------------------------------------------------------------

GList *providerProbe(GstDeviceProvider *)
{
    QMutexLocker locker(&lock());
    GList *list = nullptr;
    for (const Device &device : qAsConst(devices()))
        list = g_list_append(list, gst_object_ref_sink(newDevice(device)));
    return list;
}

gboolean providerStart(GstDeviceProvider *provider)
{
    QList<Device> current;
    {
        QMutexLocker locker(&lock());
        startedProvider = provider;
        current = devices();
    }
    for (const Device &device : qAsConst(current))
        gst_device_provider_device_add(provider, newDevice(device));
    return TRUE;
}

void providerStop(GstDeviceProvider *)
{
    QMutexLocker locker(&lock());
    startedProvider = nullptr;
}

void providerClassInit(gpointer klass, gpointer)
{
    auto providerClass = GST_DEVICE_PROVIDER_CLASS(klass);
    providerClass->probe = providerProbe;
    providerClass->start = providerStart;
    providerClass->stop = providerStop;
    gst_device_provider_class_set_static_metadata(providerClass, "Test cameras", "Source/Video",
                                                  "Cameras that the tests plug in and out", "Mimicry");
}

GType registerType(GType parent, const char *name, guint classSize, GClassInitFunc classInit, guint instanceSize,
                   GInstanceInitFunc instanceInit, gconstpointer classData = nullptr)
{
    GTypeInfo info{};
    info.class_size = guint16(classSize);
    info.class_init = classInit;
    info.class_data = classData;
    info.instance_size = guint16(instanceSize);
    info.instance_init = instanceInit;
    return g_type_register_static(parent, name, &info, GTypeFlags(0));
}

gboolean pluginInit(GstPlugin *plugin)
{
    const char *typeNames[] = {"MimicryTestDeviceSrc", "MimicryTestIndexSrc", "MimicryTestPathSrc"};
    for (int i = 0; i < 3; ++i) {
        const GType type = registerType(GST_TYPE_BIN, typeNames[i], sizeof(GstBinClass), sourceClassInit,
                                        sizeof(Source), sourceInit, GINT_TO_POINTER(i));
        if (!gst_element_register(plugin, factoryName(Property(i)), GST_RANK_NONE, type))
            return FALSE;
    }
    deviceType = registerType(GST_TYPE_DEVICE, "MimicryTestDevice", sizeof(GstDeviceClass), deviceClassInit,
                              sizeof(TestDevice), nullptr);
    const GType providerType = registerType(GST_TYPE_DEVICE_PROVIDER, "MimicryTestCameraProvider",
                                            sizeof(GstDeviceProviderClass), providerClassInit,
                                            sizeof(GstDeviceProvider), nullptr);
    return gst_device_provider_register(plugin, "mimicrytestcameraprovider", GST_RANK_PRIMARY, providerType);
}

} // namespace

bool registerPlugin()
{
    static const bool registered = [] {
        GstElementFactory *factory = gst_element_factory_find("videotestsrc");
        if (!factory)
            return false;
        gst_object_unref(factory);
        return bool(gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "mimicrytestcamera",
                                               "Cameras for the tests", pluginInit, "1.0", "LGPL", "mimicry",
                                               "Mimicry", "https://example.invalid/mimicry"));
    }();
    return registered;
}

const char *factoryName(Property property)
{
    switch (property) {
    case Property::Device:
        return "mimicrytestdevicesrc";
    case Property::DeviceIndex:
        return "mimicrytestindexsrc";
    case Property::DevicePath:
        return "mimicrytestpathsrc";
    }
    return nullptr;
}

void add(const Device &device)
{
    GstDeviceProvider *provider = nullptr;
    {
        QMutexLocker locker(&lock());
        devices().append(device);
        if (startedProvider)
            provider = GST_DEVICE_PROVIDER(gst_object_ref(startedProvider));
    }
    if (provider) {
        gst_device_provider_device_add(provider, newDevice(device));
        gst_object_unref(provider);
    }
}

void remove(const QString &displayName)
{
    GstDeviceProvider *provider = nullptr;
    {
        QMutexLocker locker(&lock());
        devices().erase(std::remove_if(devices().begin(), devices().end(),
                                       [&](const Device &device) { return device.displayName == displayName; }),
                        devices().end());
        if (startedProvider)
            provider = GST_DEVICE_PROVIDER(gst_object_ref(startedProvider));
    }
    if (!provider)
        return;
    GList *current = gst_device_provider_get_devices(provider);
    const QByteArray name = displayName.toUtf8();
    for (GList *item = current; item; item = item->next) {
        gchar *itemName = gst_device_get_display_name(GST_DEVICE(item->data));
        if (name == itemName)
            gst_device_provider_device_remove(provider, GST_DEVICE(item->data));
        g_free(itemName);
    }
    g_list_free_full(current, gst_object_unref);
    gst_object_unref(provider);
}

void clear()
{
    QList<Device> current;
    {
        QMutexLocker locker(&lock());
        current = devices();
    }
    for (const Device &device : qAsConst(current))
        remove(device.displayName);
}

GstElement *findSource(const char *elementName)
{
    QMutexLocker locker(&lock());
    for (auto it = sources().crbegin(); it != sources().crend(); ++it) {
        if (g_strcmp0(GST_OBJECT_NAME(*it), elementName) == 0)
            return GST_ELEMENT(gst_object_ref(*it));
    }
    return nullptr;
}

} // namespace TestCamera
