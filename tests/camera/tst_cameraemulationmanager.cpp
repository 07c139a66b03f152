#include <camera/cameraemulationmanager.h>
#include <guest/camerareceiver.h>

#include "testcamera.h"
#include "testvideos.h"

#include <QtTest>

#include <gst/gst.h>

#include <memory>

using TestCamera::Property;

Q_DECLARE_METATYPE(TestCamera::Property)

namespace {

const char hd[] = "video/x-raw,format=I420,width=1280,height=720,framerate={30/1,15/1};"
                  "video/x-raw,format=I420,width=640,height=480,framerate={30/1,15/1}";
const char small[] = "video/x-raw,width=320,height=240,framerate=15/1";
// Where the emulator forwards the camera's UDP port from.
const quint16 CameraPort = 34343;
const QSize ClipSize(320, 240);
const int ClipFrames = 15;

// A property of an element of the camera pipeline as text, whatever its type.
QString cameraProperty(const char *elementName, const char *property)
{
    GstElement *source = TestCamera::cameraSource();
    GstObject *pipeline = source ? GST_OBJECT_PARENT(source) : nullptr;
    if (!pipeline)
        return QStringLiteral("<no pipeline>");
    g_autoptr(GstElement) element = gst_bin_get_by_name(GST_BIN(pipeline), elementName);
    g_auto(GValue) text = G_VALUE_INIT;
    g_value_init(&text, G_TYPE_STRING);
    g_object_get_property(G_OBJECT(element), property, &text);
    return QString::fromUtf8(g_value_get_string(&text));
}

// "1280x720:30/1,15/1 640x480:..." for the current camera.
QString rendered(const CameraEmulationManager &manager)
{
    QStringList entries;
    const QVariantList resolutions = manager.resolutions();
    for (const QVariant &entry : resolutions) {
        const QVariantMap map = entry.toMap();
        entries << map.value(QStringLiteral("string")).toString() + QLatin1Char(':')
                       + map.value(QStringLiteral("framerates")).toStringList().join(QLatin1Char(','));
    }
    return entries.join(QLatin1Char(' '));
}

} // namespace

// The manager's pipelines, and what reaches the guest's receiver behind the emulator's forwarded port.
class tst_CameraEmulationManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        gst_init(nullptr, nullptr);
        if (!TestCamera::registerPlugin())
            QSKIP("The test camera needs videotestsrc (gstreamer1.0-plugins-base)");
        // Hot plugging reaches the manager through GLib's default context.
        QVERIFY2(QAbstractEventDispatcher::instance()->inherits("QEventDispatcherGlib"),
                 "Qt's event loop runs GLib's default context only with its GLib dispatcher (unset QT_NO_GLIB)");
        TestVideos::available(&m_clipsMissing);
        QVERIFY(m_dir.isValid());
    }

    void cleanup()
    {
        m_manager.reset();
        TestCamera::clear();
    }

    void framerates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("range 1-32 ends past its bound") << "[ 1/1, 32/1 ]"
                                                        << "35/1,30/1,25/1,20/1,15/1,10/1,5/1,2/1,1/1";
        QTest::newRow("lone NTSC rate") << "30000/1001" << "30000/1001";
        QTest::newRow("zero denominator counts as 0") << "[ 1/0, 7/1 ]" << "10/1,5/1,1/1,0/1";
        QStringList capped;
        for (int rate = 240; rate >= 5; rate -= 5)
            capped << QStringLiteral("%1/1").arg(rate);
        QTest::newRow("any rate at all is capped") << "[ 0/1, 2147483647/1 ]"
                                                   << (capped + QStringList{"1/1", "0/1"}).join(',');
        QTest::newRow("rates beyond int, one step") << "[ 2147483647/1, 9999999999/1 ]" << "2147483647/1";
    }

    void framerates()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(CameraEmulationManager::parseFramerates(text).join(QLatin1Char(',')), expected);
    }

    void capabilities_data()
    {
        QTest::addColumn<QString>("caps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("list with an NTSC rate")
            << "video/x-raw,width=640,height=480,framerate={30/1,15/1,30000/1001}" << "640x480:30/1,29/1,15/1";
        QTest::newRow("list holding a range drops its structure")
            << "video/x-raw,width=1280,height=720,framerate={[1/1,30/1],60/1};"
               "video/x-raw,width=640,height=480,framerate=30/1"
            << "640x480:30/1";
        QTest::newRow("no frame rate") << "video/x-raw,width=320,height=240" << "320x240:";
        QTest::newRow("size ranges are no size")
            << "video/x-raw,width=[1,1920],height=[1,1080],framerate=30/1" << "";
        QTest::newRow("first structure of a size wins, sorted by width only")
            << "video/x-raw,width=640,height=480,framerate=30/1;video/x-raw,width=640,height=360,framerate=25/1;"
               "image/jpeg,width=1280,height=720,framerate=10/1;video/x-raw,width=640,height=480,framerate=5/1"
            << "1280x720:10/1 640x480:30/1 640x360:25/1";
    }

    void capabilities()
    {
        QFETCH(QString, caps);
        QFETCH(QString, expected);
        CameraEmulationManager &manager = start({{QStringLiteral("Cam"), caps}});
        QCOMPARE(rendered(manager), expected);

        // The first size is chosen; nothing is chosen without a size.
        const QString chosen = QStringLiteral("%1x%2:%3").arg(manager.width()).arg(manager.height())
                                   .arg(manager.framerates().join(QLatin1Char(',')));
        QCOMPARE(chosen, expected.isEmpty() ? QStringLiteral("-1x-1:") : expected.section(QLatin1Char(' '), 0, 0));
        if (expected.isEmpty())
            QCOMPARE(cameraProperty("capsfilterCam", "caps"), QStringLiteral("video/x-raw"));
    }

    void sourceProperty_data()
    {
        QTest::addColumn<Property>("property");
        QTest::addColumn<QString>("value");
        QTest::newRow("device-index") << Property::DeviceIndex << "3";
        QTest::newRow("device-path") << Property::DevicePath << "usb-0000:00:14.0-2";
    }

    // A "device" camera takes over in hotPlugThroughTheBusWatchAlone.
    void sourceProperty()
    {
        QFETCH(Property, property);
        QFETCH(QString, value);
        // The camera that sorts first is chosen; its value must be replaced by ours.
        start({{QStringLiteral("B"), hd, property, value}, {QStringLiteral("A"), hd, property, QStringLiteral("1")}});
        QCOMPARE(m_manager->cameraName(), QStringLiteral("A"));
        m_manager->setCameraName(QStringLiteral("B"));
        m_manager->setCameraStreamSettings();
        // Rows are named after the property.
        QCOMPARE(cameraProperty("sourcePluginCam", QTest::currentDataTag()), value);
    }

    void resolutionChoiceIsSafe()
    {
        CameraEmulationManager &manager = start(
            {{QStringLiteral("Cam"), QStringLiteral("video/x-raw,width=800,height=600,framerate={25/1,15/1};"
                                                    "video/x-raw,width=640,height=480,framerate={30/1,15/1};"
                                                    "video/x-raw,width=320,height=240")}});
        // A rate the new size offers too stays; any other gives way to the size's first.
        manager.setFramerate(QStringLiteral("15/1"));
        manager.setResolutionIndex(1);
        QCOMPARE(manager.framerate(), QStringLiteral("15/1"));
        manager.setFramerate(QStringLiteral("30/1"));
        manager.setResolutionIndex(0);
        QCOMPARE(manager.framerate(), QStringLiteral("25/1"));

        // Past either end the size stays; a size without rates keeps the rate.
        QSignalSpy widthChanged(&manager, &CameraEmulationManager::widthChanged);
        for (int index : {3, -1, 2}) {
            manager.setResolutionIndex(index);
            QCOMPARE(manager.framerate(), QStringLiteral("25/1"));
            QVERIFY(manager.framerates().isEmpty());
        }
        QCOMPARE(QSize(manager.width(), manager.height()), QSize(320, 240));
        QCOMPARE(widthChanged.count(), 3);
        manager.setFramerate(QStringLiteral("30"));
        QCOMPARE(manager.framerate(), QString());
    }

    void hotPlugThroughTheBusWatchAlone()
    {
        // Nothing but Qt's event loop runs GLib's default context here.
        CameraEmulationManager &manager = start({});
        QSignalSpy applied(&manager, &CameraEmulationManager::cameraStreamSettingsApplied);

        // The first camera of a host without one brings the source; its
        // settings are applied, but it is not chosen.
        TestCamera::add({QStringLiteral("Cam B"), hd, Property::Device, QStringLiteral("b")});
        QTRY_COMPARE(manager.cameras(), QStringList{"Cam B"});
        QCOMPARE(manager.cameraName(), QString());
        manager.setCameraName(QStringLiteral("Cam B"));
        manager.setCameraStreamSettings();
        manager.startCameraStream();
        QTRY_COMPARE(TestCamera::cameraState(), GST_STATE_PLAYING);
        QCOMPARE(cameraProperty("capsfilterCam", "caps"),
                 QStringLiteral("video/x-raw, width=(int)1280, height=(int)720, framerate=(fraction)30/1"));

        TestCamera::add({QStringLiteral("Cam A"), small, Property::Device, QStringLiteral("a")});
        QTRY_COMPARE(manager.cameras(), (QStringList{"Cam A", "Cam B"}));
        QCOMPARE(manager.cameraName(), QStringLiteral("Cam B"));
        QVERIFY(manager.streamRunning());
        QCOMPARE(TestCamera::cameraState(), GST_STATE_PLAYING);

        // The streaming camera going away ends the stream; the first one left takes over.
        TestCamera::remove(QStringLiteral("Cam B"));
        QTRY_COMPARE(manager.cameras(), QStringList{"Cam A"});
        QVERIFY(!manager.streamRunning());
        QCOMPARE(TestCamera::cameraState(), GST_STATE_NULL);
        QCOMPARE(manager.cameraName(), QStringLiteral("Cam A"));
        QCOMPARE(applied.count(), 3);
        QCOMPARE(cameraProperty("capsfilterCam", "caps"),
                 QStringLiteral("video/x-raw, width=(int)320, height=(int)240, framerate=(fraction)15/1"));
        QCOMPARE(cameraProperty("sourcePluginCam", "device"), QStringLiteral("a"));

        // A second camera of a known name changes nothing: no settings applied again.
        TestCamera::remove(QStringLiteral("Cam A"));
        QTRY_VERIFY(manager.cameras().isEmpty());
        TestCamera::add({QStringLiteral("Cam C"), hd});
        TestCamera::add({QStringLiteral("Cam C"), small});
        TestCamera::add({QStringLiteral("Cam D"), hd});
        QTRY_COMPARE(manager.cameras(), (QStringList{"Cam C", "Cam D"}));
        QCOMPARE(applied.count(), 4);
    }

    void stopOfAPipelineThatNeverSettlesIsBounded()
    {
        CameraEmulationManager &manager =
            start({{QStringLiteral("Stuck"), hd, Property::Device, QStringLiteral("stall")}});
        manager.startCameraStream();
        GstElement *pipeline = GST_ELEMENT(GST_OBJECT_PARENT(TestCamera::cameraSource()));
        QCOMPARE(gst_element_get_state(pipeline, nullptr, nullptr, 100 * GST_MSECOND), GST_STATE_CHANGE_ASYNC);

        QElapsedTimer timer;
        timer.start();
        manager.startVideoStream(QString());
        QVERIFY2(timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));
        GstState state = GST_STATE_VOID_PENDING;
        QCOMPARE(gst_element_get_state(pipeline, &state, nullptr, 0), GST_STATE_CHANGE_SUCCESS);
        QCOMPARE(state, GST_STATE_NULL);
    }

    void missingElementIsReported()
    {
        // As if its plug-in were not installed, until the test ends.
        GstRegistry *registry = gst_registry_get();
        GstPluginFeature *jpegenc = gst_registry_lookup_feature(registry, "jpegenc");
        QVERIFY(jpegenc);
        gst_registry_remove_feature(registry, jpegenc);
        const auto restore = qScopeGuard([=] {
            gst_registry_add_feature(registry, jpegenc);
            gst_object_unref(jpegenc);
        });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("\"jpegencVS\".*jpegenc"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("\"jpegencCam\".*jpegenc"));
        CameraEmulationManager &manager = start({{QStringLiteral("Cam"), hd}});
        manager.startCameraStream();
        QVERIFY(!manager.streamRunning());
        QVERIFY(!TestCamera::cameraSource());
    }

    void localFilePath_data()
    {
        QTest::addColumn<QString>("pagePath");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Windows drive") << "/C:/dir/My clip.webm" << "C:\\dir\\My clip.webm";
        QTest::newRow("lower-case drive") << "/d:/clip.mkv" << "d:\\clip.mkv";
        QTest::newRow("absolute path") << "/home/me/C:/clip.webm" << "/home/me/C:/clip.webm";
    }

    void localFilePath()
    {
        QFETCH(QString, pagePath);
        QFETCH(QString, expected);
        QCOMPARE(CameraEmulationManager::localFilePath(pagePath), expected);
    }

    // VP8 files stream in tst_qml, tst_mimicryplugin and tst_simulatedemulator.
    void cameraThenVideoFileStream()
    {
        if (!m_clipsMissing.isEmpty())
            QSKIP(qPrintable(m_clipsMissing));
        const QString path = TestVideos::make(m_dir.path(), TestVideos::Kind::Vp9, ClipSize, ClipFrames);
        QVERIFY(!path.isEmpty());
        Guest::CameraReceiver receiver;
        QString error;
        QVERIFY2(receiver.start(QHostAddress(QHostAddress::LocalHost), CameraPort, &error), qPrintable(error));
        CameraEmulationManager &manager = start({{QStringLiteral("Camera"), hd}, {QStringLiteral("Spare"), small}});
        manager.startCameraStream();

        // New settings restart a running camera.
        QStringList events;
        connect(&manager, &CameraEmulationManager::streamRunningChanged, this,
                [&] { events << (manager.streamRunning() ? "running" : "stopped"); });
        connect(&manager, &CameraEmulationManager::cameraStreamSettingsApplied, this, [&] { events << "applied"; });
        manager.setResolutionIndex(1);
        manager.setFramerate(QStringLiteral("15/1"));
        manager.setCameraStreamSettings();
        QCOMPARE(events, (QStringList{"stopped", "running", "applied"}));
        QTRY_COMPARE_WITH_TIMEOUT(receiver.lastFrameSize(), QSize(640, 480), 10000);

        // The file takes over.
        QSignalSpy checked(&manager, &CameraEmulationManager::videoFileCodecChecked);
        manager.startVideoStream(path);
        QCOMPARE(TestCamera::cameraState(), GST_STATE_NULL);
        QCOMPARE(checked.count(), 1);
        QCOMPARE(checked.constFirst().at(0).toBool(), true);
        QVERIFY(checked.constFirst().at(1).toString().contains(QLatin1String("VP9")));
        QVERIFY(manager.streamRunning());

        // Frames keep coming after the file's end (emitted on a streaming thread), twice over.
        int ends = 0;
        connect(&manager, &CameraEmulationManager::videoStreamStopped, this, [&ends] { ++ends; });
        QTRY_COMPARE_WITH_TIMEOUT(receiver.lastFrameSize(), ClipSize, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(ends >= 2, 10000);
        QVERIFY(manager.streamRunning());

        // The chosen camera going away while a file streams ends nothing; updating the
        // cameras ends any stream. A stop wins over an end of file queued behind it.
        TestCamera::remove(QStringLiteral("Camera"));
        QTRY_COMPARE(manager.cameras(), QStringList{"Spare"});
        QVERIFY(manager.streamRunning());
        manager.updateCamerasList();
        QCOMPARE(manager.cameras(), QStringList{"Spare"});
        emit manager.videoStreamStopped();
        QVERIFY(!manager.streamRunning());
        // A frame on its way may still come in; a stream left running keeps sending.
        const int stoppedAt = receiver.frameCount();
        QVERIFY(!QTest::qWaitFor([&] { return receiver.frameCount() > stoppedAt + 1; }, 800));
    }

    // Theora, FIFOs and directories are refused in tst_qml; a file the
    // discoverer reads but makes nothing of has no codec either.
    void unreadableFileIsRefused()
    {
        const QString garbage = m_dir.filePath(QStringLiteral("garbage.webm"));
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("\x1a\x45\xdf\xa3 and no clip at all") > 0);
        file.close();
        CameraEmulationManager &manager = start({});
        QSignalSpy running(&manager, &CameraEmulationManager::streamRunningChanged);
        QSignalSpy checked(&manager, &CameraEmulationManager::videoFileCodecChecked);
        manager.startVideoStream(garbage);
        QCOMPARE(checked.count(), 1);
        QCOMPARE(checked.constFirst(), (QVariantList{false, QString()}));
        QVERIFY(running.isEmpty());
    }

private:
    CameraEmulationManager &start(const QList<TestCamera::Device> &devices)
    {
        for (const TestCamera::Device &device : devices)
            TestCamera::add(device);
        m_manager = std::make_unique<CameraEmulationManager>();
        m_manager->initCameras();
        return *m_manager;
    }

    std::unique_ptr<CameraEmulationManager> m_manager;
    // Spaces and a non-ASCII letter: the file goes through a URI and a local path.
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/camera clips \u00e9-XXXXXX")};
    QString m_clipsMissing;
};

QTEST_GUILESS_MAIN(tst_CameraEmulationManager)

#include "tst_cameraemulationmanager.moc"
