#include <guest/camerareceiver.h>

#include <QDateTime>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

#include <gst/gst.h>

#include <memory>
#include <thread>

using Guest::CameraReceiver;

namespace {

const QHostAddress Local(QHostAddress::LocalHost);

// Sends frames the way the plug-in's pipelines do and waits until all have left.
bool sendFrames(quint16 port, int count, const QSize &size)
{
    const QString description = QStringLiteral("videotestsrc num-buffers=%1 pattern=ball ! video/x-raw,format=I420,"
                                               "width=%2,height=%3,framerate=30/1 ! jpegenc ! rtpjpegpay "
                                               "! udpsink host=127.0.0.1 port=%4")
                                    .arg(count).arg(size.width()).arg(size.height()).arg(port);
    GstElement *pipeline = gst_parse_launch(description.toUtf8().constData(), nullptr);
    if (!pipeline)
        return false;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *message = gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND,
                                                     GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool sent = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    gst_clear_message(&message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return sent;
}

QByteArray randomBytes(QRandomGenerator &random, int size)
{
    QByteArray bytes(size, '\0');
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

// Reports an error on the bus from another thread, as a failing element does.
void postError(GstElement *pipeline, const char *text)
{
    std::thread([pipeline, text] {
        GError *gerror = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, text);
        gst_element_post_message(pipeline, gst_message_new_error(GST_OBJECT(pipeline), gerror, "from the test"));
        g_error_free(gerror);
    }).join();
}

} // namespace

class tst_CameraReceiver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { m_receiver.reset(); }
    void decodesFramesAndFollowsTheSize();
    void survivesGarbage();
    void pipelineErrors_data();
    void pipelineErrors();
    void refusesAPortInUse();

private:
    QString start()
    {
        QString error;
        m_receiver->start(Local, m_port, &error);
        return error;
    }

    std::unique_ptr<CameraReceiver> m_receiver;
    quint16 m_port = 0;
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

void tst_CameraReceiver::init()
{
    QUdpSocket probe;
    QVERIFY(probe.bind(Local, 0));
    m_port = probe.localPort();
    m_receiver = std::make_unique<CameraReceiver>();
    m_receiver->setRestartDelay(50);
}

void tst_CameraReceiver::decodesFramesAndFollowsTheSize()
{
    QSignalSpy received(m_receiver.get(), &CameraReceiver::frameReceived);
    bool alwaysOnOwnThread = true;
    // Direct, so the check runs on whichever thread emits.
    connect(m_receiver.get(), &CameraReceiver::frameReceived, this, [&] {
        alwaysOnOwnThread = alwaysOnOwnThread && QThread::currentThread() == m_receiver->thread();
    }, Qt::DirectConnection);
    QCOMPARE(start(), QString());

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    int frames = 0;
    for (const QSize &size : {QSize(320, 240), QSize(640, 480)}) {
        QVERIFY(sendFrames(m_port, 10, size));
        frames += 10;
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver->frameCount(), frames, 10000);
        QCOMPARE(m_receiver->lastFrameSize(), size);
    }
    QTRY_COMPARE(received.count(), frames);
    QVERIFY(alwaysOnOwnThread);
    QVERIFY(m_receiver->lastFrameTime() >= before);
    QVERIFY(m_receiver->lastFrameTime() <= QDateTime::currentMSecsSinceEpoch());
    QVERIFY(m_receiver->lastError().isEmpty());
    QCOMPARE(m_receiver->restartCount(), 0);

    // A new start is a new stream: nothing is carried over.
    QCOMPARE(start(), QString());
    QCOMPARE(m_receiver->frameCount(), 0);
    QVERIFY(!m_receiver->lastFrameSize().isValid());
    QCOMPARE(m_receiver->lastFrameTime(), qint64(0));
    // Binding without sharing works only on a port that is free.
    m_receiver.reset();
    QUdpSocket exclusive;
    QVERIFY(exclusive.bind(Local, m_port, QUdpSocket::DontShareAddress));
}

void tst_CameraReceiver::survivesGarbage()
{
    QCOMPARE(start(), QString());
    QVERIFY(sendFrames(m_port, 3, QSize(320, 240)));
    QTRY_COMPARE_WITH_TIMEOUT(m_receiver->frameCount(), 3, 10000);

    // Random bytes; random RTP/JPEG headers, bare or with noise; noise after a
    // valid JPEG header (type 1, quality 50, 320x240); empty and 1-byte datagrams.
    QRandomGenerator random(20240601);
    QList<QByteArray> garbage{QByteArray(), QByteArray(1, '\x80')};
    for (int i = 0; i < 500; ++i) {
        QByteArray packet = randomBytes(random, 20 + random.bounded(1400));
        garbage << packet;
        packet[0] = char(0x80);
        packet[1] = char(i % 2 ? 26 : 0x80 | 26);
        garbage << packet.left(12 + i % 9) << packet
                << packet.left(12) + QByteArray::fromHex("000000000132281e") + packet.mid(20);
    }
    QUdpSocket attacker;
    for (const QByteArray &datagram : qAsConst(garbage))
        QCOMPARE(attacker.writeDatagram(datagram, Local, m_port), qint64(datagram.size()));

    // The garbage is decoded before the frames queued behind it, and a restart
    // may be pending: frames are sent until some get through, as a camera keeps streaming.
    const int afterGarbage = m_receiver->frameCount();
    for (int round = 0; round < 10 && m_receiver->frameCount() < afterGarbage + 5; ++round)
        QVERIFY(sendFrames(m_port, 10, QSize(640, 480)));
    QTRY_VERIFY_WITH_TIMEOUT(m_receiver->frameCount() >= afterGarbage + 5, 10000);
    QTRY_COMPARE(m_receiver->lastFrameSize(), QSize(640, 480));
    QVERIFY(m_receiver->isRunning());
}

void tst_CameraReceiver::pipelineErrors_data()
{
    QTest::addColumn<QString>("then");
    QTest::newRow("restart") << "restart";
    QTest::newRow("restart once the port is free again") << "restart, port taken";
    QTest::newRow("stop after the error was handled") << "handled, stop";
    QTest::newRow("stop with the error queued") << "stop";
    QTest::newRow("new start with the error queued") << "start";
}

void tst_CameraReceiver::pipelineErrors()
{
    QFETCH(QString, then);
    const bool portTaken = then.endsWith(QLatin1String("port taken"));
    // Long enough for the port to be taken before the restart.
    m_receiver->setRestartDelay(portTaken ? 500 : 50);
    QSignalSpy errors(m_receiver.get(), &CameraReceiver::errorOccurred);
    QSignalSpy received(m_receiver.get(), &CameraReceiver::frameReceived);
    QCOMPARE(start(), QString());
    QVERIFY(sendFrames(m_port, 3, QSize(320, 240)));
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 3, 10000);

    postError(m_receiver->pipeline(), "broken stream");
    const bool handled = then != QLatin1String("stop") && then != QLatin1String("start");
    if (handled) {
        QVERIFY(errors.wait(5000));
        const QString message = errors.constFirst().constFirst().toString();
        QVERIFY2(message.contains(QLatin1String("broken stream")), qPrintable(message));
        QCOMPARE(m_receiver->lastError(), message);
        QVERIFY(m_receiver->isRunning());
        QVERIFY(!m_receiver->pipeline());
    }
    if (then == QLatin1String("start")) {
        // The old pipeline's error reaches the Qt thread only now; the new pipeline must stay.
        QCOMPARE(start(), QString());
        GstElement *current = m_receiver->pipeline();
        QVERIFY(sendFrames(m_port, 3, QSize(320, 240)));
        // The frames' notifications queue behind the error's.
        QTRY_COMPARE_WITH_TIMEOUT(received.count(), 6, 10000);
        QCOMPARE(m_receiver->pipeline(), current);
        QVERIFY(m_receiver->lastError().isEmpty());
    } else if (then.endsWith(QLatin1String("stop"))) {
        m_receiver->stop();
        // Several restart delays pass without anything coming back.
        QTest::qWait(400);
        QUdpSocket exclusive;
        QVERIFY(exclusive.bind(Local, m_port, QUdpSocket::DontShareAddress));
    } else {
        if (portTaken) {
            // The failed pipeline gave the port up; someone else takes it.
            QUdpSocket holder;
            QVERIFY2(holder.bind(Local, m_port, QUdpSocket::DontShareAddress), qPrintable(holder.errorString()));
            QVERIFY(errors.wait(5000));
            QVERIFY2(m_receiver->lastError().contains(QString::number(m_port)), qPrintable(m_receiver->lastError()));
        }
        QCOMPARE(m_receiver->restartCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver->restartCount(), 1, 10000);
        QVERIFY(sendFrames(m_port, 4, QSize(640, 480)));
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver->frameCount(), 7, 10000);
        QCOMPARE(m_receiver->lastFrameSize(), QSize(640, 480));
        return;
    }
    QCOMPARE(errors.count(), handled ? 1 : 0);
    QCOMPARE(m_receiver->restartCount(), 0);
}

void tst_CameraReceiver::refusesAPortInUse()
{
    // A holder that allows sharing: a receiver that asked for it too could join.
    QUdpSocket holder;
    QVERIFY(holder.bind(Local, m_port, QUdpSocket::ShareAddress));
    const QString error = start();
    QVERIFY2(error.contains(QString::number(m_port)), qPrintable(error));
    QCOMPARE(m_receiver->lastError(), error);
    QVERIFY(!m_receiver->isRunning());
    QVERIFY(!m_receiver->pipeline());
}

QTEST_GUILESS_MAIN(tst_CameraReceiver)

#include "tst_camerareceiver.moc"
