#include "testcamera.h"

#include <QList>

#include <algorithm>

namespace TestCamera {

namespace {

// Indexed by Property.
const char *const propertyNames[] = {"device", "device-index", "device-path"};
const char *const factoryNames[] = {"mimicrytestdevicesrc", "mimicrytestindexsrc", "mimicrytestpathsrc"};
const char DeviceKey[] = "mimicry-test-device";

// All on the test's thread: the monitor starts the provider there, and the
// manager makes and drops its pipelines there.
QList<Device> devices;
GstDeviceProvider *startedProvider = nullptr;
GType deviceType = 0;
QList<GObject *> sources;

// A "src" template of the subclass replaces videotestsrc's own: the
// receiver's payloader takes 4:2:0 JPEG only.
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw,format=I420"));

void setSourceProperty(GObject *object, guint, const GValue *value, GParamSpec *pspec)
{
    g_object_set_data_full(object, g_param_spec_get_name(pspec), g_boxed_copy(G_TYPE_VALUE, value),
                           [](gpointer data) { g_boxed_free(G_TYPE_VALUE, data); });
    if (G_VALUE_HOLDS_STRING(value) && g_strcmp0(g_value_get_string(value), "stall") == 0) {
        // Not live and held before its first buffer: the pipeline never
        // reaches PAUSED, until it is taken down.
        g_object_set(object, "is-live", FALSE, nullptr);
        GstPad *pad = gst_element_get_static_pad(GST_ELEMENT(object), "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM,
                          [](GstPad *, GstPadProbeInfo *, gpointer) { return GST_PAD_PROBE_OK; }, nullptr, nullptr);
        gst_object_unref(pad);
    }
}

void getSourceProperty(GObject *object, guint, GValue *value, GParamSpec *pspec)
{
    // Never set, the property keeps GLib's zero value.
    if (auto stored = static_cast<const GValue *>(g_object_get_data(object, g_param_spec_get_name(pspec))))
        g_value_copy(stored, value);
}

void sourceClassInit(gpointer klass, gpointer classData)
{
    const auto property = Property(GPOINTER_TO_INT(classData));
    const char *name = propertyNames[int(property)];
    const auto flags = GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
    auto objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = setSourceProperty;
    objectClass->get_property = getSourceProperty;
    g_object_class_install_property(objectClass, 1,
                                    property == Property::DeviceIndex
                                        ? g_param_spec_int(name, nullptr, nullptr, -1, G_MAXINT, -1, flags)
                                        : g_param_spec_string(name, nullptr, nullptr, nullptr, flags));
    gst_element_class_add_static_pad_template(GST_ELEMENT_CLASS(klass), &srcTemplate);
}

void sourceInit(GTypeInstance *instance, gpointer)
{
    g_object_set(instance, "is-live", TRUE, nullptr);
    sources.append(G_OBJECT(instance));
    g_object_weak_ref(G_OBJECT(instance), [](gpointer, GObject *gone) { sources.removeOne(gone); }, nullptr);
}

GstElement *createElement(GstDevice *device, const gchar *name)
{
    auto spec = static_cast<const Device *>(g_object_get_data(G_OBJECT(device), DeviceKey));
    GstElement *element = gst_element_factory_make(factoryNames[int(spec->property)], name);
    if (element && !spec->value.isEmpty())
        gst_util_set_object_arg(G_OBJECT(element), propertyNames[int(spec->property)],
                                spec->value.toUtf8().constData());
    return element;
}

GstDevice *newDevice(const Device &spec)
{
    g_autoptr(GstCaps) caps = gst_caps_from_string(spec.caps.toUtf8().constData());
    GObject *device = G_OBJECT(g_object_new(deviceType, "display-name", spec.displayName.toUtf8().constData(),
                                            "caps", caps, "device-class", "Video/Source", nullptr));
    g_object_set_data_full(device, DeviceKey, new Device(spec),
                           [](gpointer data) { delete static_cast<Device *>(data); });
    return GST_DEVICE(device);
}

gboolean startProvider(GstDeviceProvider *provider)
{
    startedProvider = provider;
    for (const Device &device : qAsConst(devices))
        gst_device_provider_device_add(provider, newDevice(device));
    return TRUE;
}

void providerClassInit(gpointer klass, gpointer)
{
    auto providerClass = GST_DEVICE_PROVIDER_CLASS(klass);
    providerClass->start = startProvider;
    providerClass->stop = [](GstDeviceProvider *) { startedProvider = nullptr; };
    gst_device_provider_class_set_static_metadata(providerClass, "Test cameras", "Source/Video",
                                                  "Cameras that the tests plug in and out", "Mimicry");
}

gboolean pluginInit(GstPlugin *plugin)
{
    GstElement *testSource = gst_element_factory_make("videotestsrc", nullptr);
    if (!testSource)
        return FALSE;
    GTypeQuery parent;
    g_type_query(G_OBJECT_TYPE(testSource), &parent);
    gst_object_unref(gst_object_ref_sink(testSource));
    for (int i = 0; i < 3; ++i) {
        // The class data tells the class which Property it has.
        const GTypeInfo info = {guint16(parent.class_size), nullptr, nullptr, sourceClassInit, nullptr,
                                GINT_TO_POINTER(i), guint16(parent.instance_size), 0, sourceInit, nullptr};
        const GType type = g_type_register_static(parent.type, factoryNames[i], &info, GTypeFlags(0));
        if (!gst_element_register(plugin, factoryNames[i], GST_RANK_NONE, type))
            return FALSE;
    }
    deviceType = g_type_register_static_simple(
        GST_TYPE_DEVICE, "MimicryTestDevice", sizeof(GstDeviceClass),
        [](gpointer klass, gpointer) { GST_DEVICE_CLASS(klass)->create_element = createElement; }, sizeof(GstDevice),
        nullptr, GTypeFlags(0));
    const GType providerType = g_type_register_static_simple(
        GST_TYPE_DEVICE_PROVIDER, "MimicryTestCameraProvider", sizeof(GstDeviceProviderClass),
        providerClassInit, sizeof(GstDeviceProvider), nullptr, GTypeFlags(0));
    return gst_device_provider_register(plugin, "mimicrytestcameraprovider", GST_RANK_PRIMARY, providerType);
}

} // namespace

bool registerPlugin()
{
    static const bool registered = gst_plugin_register_static(
        GST_VERSION_MAJOR, GST_VERSION_MINOR, "mimicrytestcamera", "Cameras for the tests", pluginInit, "1.0", "LGPL",
        "mimicry", "Mimicry", "https://example.invalid/mimicry");
    return registered;
}

void add(const Device &device)
{
    devices.append(device);
    if (startedProvider)
        gst_device_provider_device_add(startedProvider, newDevice(device));
}

void remove(const QString &displayName)
{
    const auto named = [&](const Device &device) { return device.displayName == displayName; };
    devices.erase(std::remove_if(devices.begin(), devices.end(), named), devices.end());
    if (!startedProvider)
        return;
    g_autolist(GstDevice) current = gst_device_provider_get_devices(startedProvider);
    for (GList *item = current; item; item = item->next) {
        if (named(*static_cast<const Device *>(g_object_get_data(G_OBJECT(item->data), DeviceKey))))
            gst_device_provider_device_remove(startedProvider, GST_DEVICE(item->data));
    }
}

void clear()
{
    while (!devices.isEmpty())
        remove(QString(devices.constFirst().displayName)); // a copy: the entry goes away
}

GstElement *cameraSource()
{
    const auto named = [](GObject *source) { return g_strcmp0(GST_OBJECT_NAME(source), "sourcePluginCam") == 0; };
    const auto newest = std::find_if(sources.crbegin(), sources.crend(), named);
    return newest == sources.crend() ? nullptr : GST_ELEMENT(*newest);
}

GstState cameraState()
{
    GstState state = GST_STATE_VOID_PENDING;
    if (GstElement *source = cameraSource())
        gst_element_get_state(source, &state, nullptr, 0);
    return state;
}

} // namespace TestCamera
