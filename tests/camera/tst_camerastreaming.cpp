#include <camera/cameraemulationmanager.h>
#include <guest/camerareceiver.h>

#include "testcamera.h"
#include "testvideos.h"

#include <QAbstractEventDispatcher>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <gst/gst.h>

#include <memory>

using TestVideos::Kind;

Q_DECLARE_METATYPE(TestVideos::Kind)

namespace {

// Where the emulator forwards the camera's UDP port from.
const quint16 CameraPort = 34343;
const QSize ClipSize(320, 240);
const int ClipFrames = 15;

} // namespace

// The manager's pipelines against the guest's camera receiver, bound where
// the port forwarding of the emulator listens.
class tst_CameraStreaming : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cameraFramesArriveAtTheChosenSize();
    void videoFileLoops_data();
    void videoFileLoops();
    void otherFilesAreRefused_data();
    void otherFilesAreRefused();

private:
    QString clip(Kind kind);

    // Spaces and a non-ASCII letter: the file goes through a URI and a local path.
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/camera clips \u00e9-XXXXXX")};
    QMap<Kind, QString> m_clips;
    std::unique_ptr<Guest::CameraReceiver> m_receiver;
    std::unique_ptr<CameraEmulationManager> m_manager;
};

void tst_CameraStreaming::initTestCase()
{
    gst_init(nullptr, nullptr);
    if (!TestCamera::registerPlugin())
        QSKIP("The test camera needs videotestsrc (gstreamer1.0-plugins-base)");
    QString missing;
    if (!TestVideos::available(&missing))
        QSKIP(qPrintable(missing));
    QVERIFY(m_dir.isValid());
}

void tst_CameraStreaming::init()
{
    TestCamera::add({QStringLiteral("Camera"),
                     QStringLiteral("video/x-raw,format=I420,width=1280,height=720,framerate={30/1,15/1};"
                                    "video/x-raw,format=I420,width=640,height=480,framerate={30/1,15/1}")});
    m_receiver = std::make_unique<Guest::CameraReceiver>();
    QString error;
    QVERIFY2(m_receiver->start(QHostAddress(QHostAddress::LocalHost), CameraPort, &error), qPrintable(error));
    m_manager = std::make_unique<CameraEmulationManager>();
    m_manager->initCameras();
}

void tst_CameraStreaming::cleanup()
{
    m_manager.reset();
    m_receiver.reset();
    TestCamera::clear();
}

QString tst_CameraStreaming::clip(Kind kind)
{
    if (!m_clips.contains(kind)) {
        QString error;
        m_clips.insert(kind, TestVideos::make(m_dir.path(), kind, ClipSize.width(), ClipSize.height(), ClipFrames,
                                              &error));
        if (m_clips.value(kind).isEmpty())
            qWarning().noquote() << error;
    }
    return m_clips.value(kind);
}

void tst_CameraStreaming::cameraFramesArriveAtTheChosenSize()
{
    m_manager->setResolutionIndex(1);
    m_manager->setFramerate(QStringLiteral("15/1"));
    m_manager->setCameraStreamSettings();
    m_manager->startCameraStream();
    QTRY_VERIFY_WITH_TIMEOUT(m_receiver->frameCount() >= 10, 10000);
    QCOMPARE(m_receiver->lastFrameSize(), QSize(640, 480));

    m_manager->stopCameraStream();
    const int frames = m_receiver->frameCount();
    QTest::qWait(300);
    QVERIFY(m_receiver->frameCount() - frames <= 1);
}

void tst_CameraStreaming::videoFileLoops_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("unplugCamera");
    QTest::addColumn<bool>("updateCameras");
    QTest::newRow("VP9, cameras updated") << Kind::Vp9 << false << true;
    QTest::newRow("VP8, idle camera unplugged, stopped") << Kind::Vp8 << true << false;
}

void tst_CameraStreaming::videoFileLoops()
{
    QFETCH(Kind, kind);
    QFETCH(bool, unplugCamera);
    QFETCH(bool, updateCameras);
    if (unplugCamera && !QAbstractEventDispatcher::instance()->inherits("QEventDispatcherGlib"))
        QSKIP("Qt's event loop runs GLib's default context only with its GLib dispatcher (not with QT_NO_GLIB)");
    const QString path = clip(kind);
    QVERIFY(!path.isEmpty());

    // A running camera stream gives way to the file.
    m_manager->startCameraStream();
    QTRY_VERIFY_WITH_TIMEOUT(m_receiver->frameCount() > 0, 10000);
    QSignalSpy checked(m_manager.get(), &CameraEmulationManager::videoFileCodecChecked);
    m_manager->startVideoStream(path);
    QCOMPARE(checked.count(), 1);
    QCOMPARE(checked.constFirst().at(0).toBool(), true);
    QVERIFY(checked.constFirst().at(1).toString().contains(kind == Kind::Vp8 ? "VP8" : "VP9"));
    QVERIFY(m_manager->streamRunning());

    // Emitted on a streaming thread; counted on ours.
    int ends = 0;
    connect(m_manager.get(), &CameraEmulationManager::videoStreamStopped, this, [&ends] { ++ends; });
    QTRY_COMPARE_WITH_TIMEOUT(m_receiver->lastFrameSize(), ClipSize, 5000);
    // Frames keep coming after the file's end, twice over.
    QTRY_VERIFY_WITH_TIMEOUT(ends >= 2, 10000);
    const int frames = m_receiver->frameCount();
    QTRY_VERIFY_WITH_TIMEOUT(m_receiver->frameCount() >= frames + ClipFrames / 2, 5000);
    QCOMPARE(m_receiver->lastFrameSize(), ClipSize);
    QVERIFY(m_manager->streamRunning());

    // The chosen camera is idle: its going away leaves the file streaming.
    if (unplugCamera) {
        TestCamera::remove(QStringLiteral("Camera"));
        QTRY_VERIFY(m_manager->cameras().isEmpty());
        QVERIFY(m_manager->streamRunning());
        const int before = m_receiver->frameCount();
        QTRY_VERIFY_WITH_TIMEOUT(m_receiver->frameCount() >= before + ClipFrames, 5000);
    }

    // Updating the cameras ends the stream, whichever it is. A stop wins
    // over an end of file queued behind it.
    if (updateCameras)
        m_manager->updateCamerasList();
    else
        m_manager->stopVideoStream();
    emit m_manager->videoStreamStopped();
    QVERIFY(!m_manager->streamRunning());
    const int stoppedAt = m_receiver->frameCount();
    QTest::qWait(ClipFrames * 1000 / 30 + 300);
    QVERIFY(m_receiver->frameCount() - stoppedAt <= 1);
}

void tst_CameraStreaming::otherFilesAreRefused_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("codec");
    QTest::newRow("Theora in Matroska") << Kind::Theora << "Theora";
    QTest::newRow("truncated") << Kind::Truncated << "";
}

void tst_CameraStreaming::otherFilesAreRefused()
{
    QFETCH(Kind, kind);
    QFETCH(QString, codec);
    const QString path = clip(kind);
    QVERIFY(!path.isEmpty());

    QSignalSpy running(m_manager.get(), &CameraEmulationManager::streamRunningChanged);
    QSignalSpy checked(m_manager.get(), &CameraEmulationManager::videoFileCodecChecked);
    m_manager->startVideoStream(path);
    QCOMPARE(checked.count(), 1);
    QCOMPARE(checked.constFirst().at(0).toBool(), false);
    const QString name = checked.constFirst().at(1).toString();
    QVERIFY2(codec.isEmpty() ? name.isEmpty() : name.contains(codec), qPrintable(name));
    QVERIFY(running.isEmpty());
    QTest::qWait(500);
    QCOMPARE(m_receiver->frameCount(), 0);
}

QTEST_GUILESS_MAIN(tst_CameraStreaming)

#include "tst_camerastreaming.moc"
