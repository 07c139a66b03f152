#include <guest/camerareceiver.h>

#include <QDateTime>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

#include <gst/gst.h>

#include <thread>

using Guest::CameraReceiver;

namespace {

quint16 freeUdpPort()
{
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::LocalHost, 0))
        return 0;
    return probe.localPort();
}

// Sends frames the way the plug-in's pipelines do and waits until all have
// left; the receiver decodes them on its own threads meanwhile.
bool sendFrames(quint16 port, int count, const QSize &size, QString *error)
{
    const QByteArray description
        = QStringLiteral("videotestsrc num-buffers=%1 pattern=ball "
                         "! video/x-raw,format=I420,width=%2,height=%3,framerate=30/1 "
                         "! jpegenc ! rtpjpegpay ! udpsink host=127.0.0.1 port=%4")
              .arg(count).arg(size.width()).arg(size.height()).arg(port)
              .toUtf8();
    GError *gerror = nullptr;
    GstElement *pipeline = gst_parse_launch(description.constData(), &gerror);
    if (!pipeline) {
        *error = QString::fromUtf8(gerror->message);
        g_clear_error(&gerror);
        return false;
    }
    g_clear_error(&gerror);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *message = gst_bus_timed_pop_filtered(
        bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (!ok)
        *error = message ? QStringLiteral("sender failed") : QStringLiteral("sender timed out");
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

QByteArray rtpHeader(quint16 sequence, bool marker)
{
    QByteArray header(12, '\0');
    header[0] = char(0x80);
    header[1] = char((marker ? 0x80 : 0x00) | 26);
    header[2] = char(sequence >> 8);
    header[3] = char(sequence & 0xff);
    header[8] = char(0x12);
    header[11] = char(0x34);
    return header;
}

QByteArray randomBytes(QRandomGenerator &random, int size)
{
    QByteArray bytes(size, '\0');
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

// RTP/JPEG packets with every header field picked at random among usual,
// edge and arbitrary values, as a broken or hostile sender would make them.
QList<QByteArray> fuzzedPackets(quint32 seed, int count)
{
    QRandomGenerator random(seed);
    auto pick = [&random](std::initializer_list<int> values) {
        return values.begin()[random.bounded(int(values.size()))];
    };
    QList<QByteArray> packets;
    for (int i = 0; i < count; ++i) {
        QByteArray header = rtpHeader(quint16(i), random.bounded(2));
        const quint32 timestamp = random.bounded(5) == 0 ? random.generate() : quint32(i) * 3000;
        for (int b = 0; b < 4; ++b)
            header[4 + b] = char(timestamp >> (24 - 8 * b));
        const int type = pick({0, 1, 64, 65, int(random.bounded(256))});
        const int quality = pick({50, 90, 128, 255, int(random.bounded(256))});
        const int offset = random.bounded(4) == 0 ? int(random.bounded(1 << 24)) : 0;
        QByteArray jpeg(8, '\0');
        jpeg[1] = char(offset >> 16);
        jpeg[2] = char(offset >> 8);
        jpeg[3] = char(offset);
        jpeg[4] = char(type);
        jpeg[5] = char(quality);
        jpeg[6] = char(pick({0, 1, 40, 80, 255, int(random.bounded(256))}));
        jpeg[7] = char(pick({0, 1, 30, 60, 255, int(random.bounded(256))}));
        if (type >= 64)
            jpeg += randomBytes(random, 4);
        if (quality >= 128 && offset == 0) {
            const int length = pick({0, 64, 128, int(random.bounded(65536))});
            jpeg += char(0);
            jpeg += char(random.bounded(256));
            jpeg += char(length >> 8);
            jpeg += char(length);
            jpeg += randomBytes(random, qMin(length, int(random.bounded(300))));
        }
        packets << header + jpeg + randomBytes(random, random.bounded(1400));
    }
    return packets;
}

// Reports an error on the pipeline's bus from another thread, as a failing
// element does from its streaming thread.
void postError(GstElement *pipeline, const char *text)
{
    std::thread poster([pipeline, text] {
        GError *gerror = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, text);
        gst_element_post_message(pipeline, gst_message_new_error(GST_OBJECT(pipeline), gerror, "from the test"));
        g_error_free(gerror);
    });
    poster.join();
}

} // namespace

class tst_CameraReceiver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesFrames_data();
    void decodesFrames();
    void followsASizeChange();
    void survivesGarbage_data();
    void survivesGarbage();
    void restartsAfterAPipelineError_data();
    void restartsAfterAPipelineError();
    void ignoresStaleErrors_data();
    void ignoresStaleErrors();
    void stopReleasesThePort_data();
    void stopReleasesThePort();
    void refusesAPortInUse_data();
    void refusesAPortInUse();
};

void tst_CameraReceiver::initTestCase()
{
    gst_init(nullptr, nullptr);
    for (const char *name : {"videotestsrc", "jpegenc", "rtpjpegpay", "udpsink"}) {
        GstElementFactory *factory = gst_element_factory_find(name);
        if (!factory)
            QSKIP(qPrintable(QStringLiteral("The sender needs the GStreamer element %1").arg(QLatin1String(name))));
        gst_object_unref(factory);
    }
}

void tst_CameraReceiver::decodesFrames_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("frames");

    QTest::newRow("320x240") << QSize(320, 240) << 15;
    QTest::newRow("640x480") << QSize(640, 480) << 10;
}

void tst_CameraReceiver::decodesFrames()
{
    QFETCH(QSize, size);
    QFETCH(int, frames);

    CameraReceiver receiver;
    QSignalSpy received(&receiver, &CameraReceiver::frameReceived);
    QVERIFY(received.isValid());
    bool everOnOwnThread = true;
    // Direct, so the check runs on whichever thread emits.
    connect(&receiver, &CameraReceiver::frameReceived, this, [&] {
        everOnOwnThread = everOnOwnThread && QThread::currentThread() == receiver.thread();
    }, Qt::DirectConnection);

    const quint16 port = freeUdpPort();
    QVERIFY(port);
    QString error;
    QVERIFY2(receiver.start(QHostAddress::LocalHost, port, &error), qPrintable(error));
    QVERIFY(receiver.isRunning());
    QCOMPARE(receiver.frameCount(), 0);
    QCOMPARE(receiver.lastFrameTime(), qint64(0));
    QVERIFY(!receiver.lastFrameSize().isValid());

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QVERIFY2(sendFrames(port, frames, size, &error), qPrintable(error));

    QTRY_COMPARE_WITH_TIMEOUT(receiver.frameCount(), frames, 10000);
    QTRY_COMPARE(received.count(), frames);
    QVERIFY(everOnOwnThread);
    QCOMPARE(receiver.lastFrameSize(), size);
    QVERIFY(receiver.lastFrameTime() >= before);
    QVERIFY(receiver.lastFrameTime() <= QDateTime::currentMSecsSinceEpoch());
    QVERIFY(receiver.lastError().isEmpty());
    QCOMPARE(receiver.restartCount(), 0);
}

void tst_CameraReceiver::followsASizeChange()
{
    CameraReceiver receiver;
    const quint16 port = freeUdpPort();
    QString error;
    QVERIFY2(receiver.start(QHostAddress::LocalHost, port, &error), qPrintable(error));

    QVERIFY2(sendFrames(port, 6, QSize(320, 240), &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.frameCount(), 6, 10000);
    QCOMPARE(receiver.lastFrameSize(), QSize(320, 240));
    const qint64 firstTime = receiver.lastFrameTime();

    QVERIFY2(sendFrames(port, 6, QSize(640, 480), &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.frameCount(), 12, 10000);
    QCOMPARE(receiver.lastFrameSize(), QSize(640, 480));
    QVERIFY(receiver.lastFrameTime() >= firstTime);

    // A new start is a new stream: nothing is carried over.
    QVERIFY2(receiver.start(QHostAddress::LocalHost, port, &error), qPrintable(error));
    QCOMPARE(receiver.frameCount(), 0);
    QVERIFY(!receiver.lastFrameSize().isValid());
}

void tst_CameraReceiver::survivesGarbage_data()
{
    QTest::addColumn<QList<QByteArray>>("datagrams");

    QRandomGenerator random(20240601);
    QList<QByteArray> noise;
    for (int i = 0; i < 50; ++i)
        noise << randomBytes(random, 1 + random.bounded(1400));
    QTest::newRow("random bytes") << noise;

    QList<QByteArray> empty{QByteArray(), QByteArray(1, '\x80'), rtpHeader(1, true)};
    QTest::newRow("empty and bare headers") << empty;

    // Well-formed RTP/JPEG headers whose scan data is noise, whole frames.
    QList<QByteArray> badScans;
    for (quint16 i = 0; i < 30; ++i) {
        QByteArray jpegHeader(8, '\0');
        jpegHeader[4] = 1;   // type
        jpegHeader[5] = 50;  // quality, standard tables
        jpegHeader[6] = 320 / 8;
        jpegHeader[7] = 240 / 8;
        badScans << rtpHeader(100 + i, true) + jpegHeader + randomBytes(random, 1000);
    }
    QTest::newRow("noise as JPEG scans") << badScans;

    QTest::newRow("fuzzed headers 1") << fuzzedPackets(1, 1000);
    QTest::newRow("fuzzed headers 2") << fuzzedPackets(2, 1000);
}

void tst_CameraReceiver::survivesGarbage()
{
    QFETCH(QList<QByteArray>, datagrams);

    CameraReceiver receiver;
    receiver.setRestartDelay(50);
    const quint16 port = freeUdpPort();
    QString error;
    QVERIFY2(receiver.start(QHostAddress::LocalHost, port, &error), qPrintable(error));

    QVERIFY2(sendFrames(port, 3, QSize(320, 240), &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.frameCount(), 3, 10000);

    QUdpSocket attacker;
    for (const QByteArray &datagram : qAsConst(datagrams))
        QVERIFY(attacker.writeDatagram(datagram, QHostAddress::LocalHost, port) == datagram.size());

    // The garbage queues ahead of the frames in the socket, so they are
    // decoded after it. A restart may be pending: frames are sent until some
    // get through, as a camera keeps streaming.
    const int afterGarbage = receiver.frameCount();
    for (int round = 0; round < 10 && receiver.frameCount() < afterGarbage + 5; ++round)
        QVERIFY2(sendFrames(port, 10, QSize(640, 480), &error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(receiver.frameCount() >= afterGarbage + 5, 10000);
    QTRY_COMPARE(receiver.lastFrameSize(), QSize(640, 480));
    QVERIFY(receiver.isRunning());
}

void tst_CameraReceiver::restartsAfterAPipelineError_data()
{
    QTest::addColumn<bool>("portTakenMeanwhile");

    QTest::newRow("port free") << false;
    QTest::newRow("port taken meanwhile") << true;
}

void tst_CameraReceiver::restartsAfterAPipelineError()
{
    QFETCH(bool, portTakenMeanwhile);

    CameraReceiver receiver;
    receiver.setRestartDelay(500);
    QSignalSpy errors(&receiver, &CameraReceiver::errorOccurred);
    QVERIFY(errors.isValid());
    const quint16 port = freeUdpPort();
    QString error;
    QVERIFY2(receiver.start(QHostAddress::LocalHost, port, &error), qPrintable(error));
    QVERIFY2(sendFrames(port, 3, QSize(320, 240), &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.frameCount(), 3, 10000);

    postError(receiver.pipeline(), "broken stream");
    QVERIFY(errors.wait(5000));
    QVERIFY2(errors.constFirst().constFirst().toString().contains(QLatin1String("broken stream")),
             qPrintable(errors.constFirst().constFirst().toString()));
    QCOMPARE(receiver.lastError(), errors.constFirst().constFirst().toString());
    QVERIFY(receiver.isRunning());
    QVERIFY(!receiver.pipeline());

    if (portTakenMeanwhile) {
        // The failed pipeline gave the port up; someone else takes it.
        QUdpSocket holder;
        QVERIFY2(holder.bind(QHostAddress::LocalHost, port, QUdpSocket::DontShareAddress),
                 qPrintable(holder.errorString()));
        QVERIFY(errors.wait(5000));
        QVERIFY2(receiver.lastError().contains(QString::number(port)), qPrintable(receiver.lastError()));
        QCOMPARE(receiver.restartCount(), 0);
        QVERIFY(receiver.isRunning());
    }

    QTRY_COMPARE_WITH_TIMEOUT(receiver.restartCount(), 1, 10000);
    QVERIFY(receiver.pipeline());
    QVERIFY2(sendFrames(port, 4, QSize(640, 480), &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.frameCount(), 7, 10000);
    QCOMPARE(receiver.lastFrameSize(), QSize(640, 480));
}

void tst_CameraReceiver::ignoresStaleErrors_data()
{
    QTest::addColumn<QString>("then");

    QTest::newRow("stop after the error was handled") << QStringLiteral("handle, stop");
    QTest::newRow("stop with the error queued") << QStringLiteral("stop");
    QTest::newRow("new start with the error queued") << QStringLiteral("start");
}

void tst_CameraReceiver::ignoresStaleErrors()
{
    QFETCH(QString, then);

    CameraReceiver receiver;
    receiver.setRestartDelay(50);
    QSignalSpy errors(&receiver, &CameraReceiver::errorOccurred);
    QSignalSpy received(&receiver, &CameraReceiver::frameReceived);
    QVERIFY(errors.isValid() && received.isValid());
    const quint16 port = freeUdpPort();
    QString error;
    QVERIFY2(receiver.start(QHostAddress::LocalHost, port, &error), qPrintable(error));

    postError(receiver.pipeline(), "late failure");
    const bool handled = then.startsWith(QLatin1String("handle"));
    if (handled)
        QVERIFY(errors.wait(5000));

    if (then == QLatin1String("start")) {
        // The old pipeline's error reaches the Qt thread only now; the new
        // pipeline must stay.
        QVERIFY2(receiver.start(QHostAddress::LocalHost, port, &error), qPrintable(error));
        GstElement *current = receiver.pipeline();
        QVERIFY2(sendFrames(port, 3, QSize(320, 240), &error), qPrintable(error));
        // The frames' notifications queue behind the error's.
        QTRY_COMPARE_WITH_TIMEOUT(received.count(), 3, 10000);
        QCOMPARE(receiver.pipeline(), current);
        QVERIFY(receiver.lastError().isEmpty());
    } else {
        receiver.stop();
        // Several restart delays pass without anything coming back.
        QTest::qWait(400);
        QVERIFY(!receiver.pipeline());
        QVERIFY(!receiver.isRunning());
        QUdpSocket exclusive;
        QVERIFY(exclusive.bind(QHostAddress::LocalHost, port, QUdpSocket::DontShareAddress));
    }
    QCOMPARE(errors.count(), handled ? 1 : 0);
    QCOMPARE(receiver.restartCount(), 0);
}

void tst_CameraReceiver::stopReleasesThePort_data()
{
    QTest::addColumn<bool>("destroy");

    QTest::newRow("stop") << false;
    QTest::newRow("destructor") << true;
}

void tst_CameraReceiver::stopReleasesThePort()
{
    QFETCH(bool, destroy);

    const quint16 port = freeUdpPort();
    auto first = std::make_unique<CameraReceiver>();
    QString error;
    QVERIFY2(first->start(QHostAddress::LocalHost, port, &error), qPrintable(error));
    QVERIFY2(sendFrames(port, 2, QSize(320, 240), &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(first->frameCount(), 2, 10000);

    if (destroy) {
        first.reset();
    } else {
        first->stop();
        QVERIFY(!first->isRunning());
    }

    // Binding without sharing works only on a port that is free.
    CameraReceiver second;
    QVERIFY2(second.start(QHostAddress::LocalHost, port, &error), qPrintable(error));
    QVERIFY2(sendFrames(port, 2, QSize(320, 240), &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(second.frameCount(), 2, 10000);
    if (!destroy) {
        // The stopped one saw none of them.
        QCOMPARE(first->frameCount(), 2);
    }
}

void tst_CameraReceiver::refusesAPortInUse_data()
{
    QTest::addColumn<int>("mode");

    QTest::newRow("exclusive holder") << int(QUdpSocket::DontShareAddress);
    // These set SO_REUSEADDR: a receiver that asked for it too could join.
    QTest::newRow("holder that shares") << int(QUdpSocket::ShareAddress);
    QTest::newRow("default holder") << int(QUdpSocket::DefaultForPlatform);
}

void tst_CameraReceiver::refusesAPortInUse()
{
    QFETCH(int, mode);

    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::LocalHost, 0, QUdpSocket::BindMode(mode)));

    CameraReceiver receiver;
    QString error;
    QVERIFY(!receiver.start(QHostAddress::LocalHost, holder.localPort(), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(QString::number(holder.localPort())), qPrintable(error));
    QCOMPARE(receiver.lastError(), error);
    QVERIFY(!receiver.isRunning());
    QVERIFY(!receiver.pipeline());
}

QTEST_GUILESS_MAIN(tst_CameraReceiver)

#include "tst_camerareceiver.moc"
