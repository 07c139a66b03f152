#include <idehost.h>

#include "isolatedemulator.h"
#include "mimicrywindow.h"
#include "modalanswerer.h"
#include "readfile.h"
#include "testvideos.h"

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <guest/sshserver.h>
#include <hangar/emulatorconfiguration.h>
#include <hangar/sdk.h>

#include <QAction>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QQuickItem>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// "key=value" for each key of `expected` ("key=value" too), from a guest state.
QStringList pick(const QVariantMap &state, const QStringList &expected)
{
    QStringList result;
    for (const QString &entry : expected) {
        const QString key = entry.section(QLatin1Char('='), 0, 0);
        result.append(key + QLatin1Char('=') + state.value(key).toString());
    }
    return result;
}

} // namespace

// The plug-in in the host, against the simulated emulator: one path through
// each subsystem, over the real WebSocket, D-Bus and GStreamer.
class tst_SimulatedEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString reason = Guest::SshServer::unavailableReason();
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
    }

    void init()
    {
        m_qmlErrors.clear();
        m_dir = std::make_unique<QTemporaryDir>();
        const QString configFile = m_dir->filePath(QStringLiteral("emulators.ini"));
        writeIsolatedEmulatorConfig(configFile, QStringLiteral("Test Emulator"),
                                    m_dir->filePath(QStringLiteral("ssh/id_ed25519")));

        m_settings = std::make_unique<QSettings>(m_dir->filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
        m_host = std::make_unique<IdeHost>(m_settings.get());
        m_host->loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
        QVERIFY(m_host->errors().isEmpty());
        QString error;
        QVERIFY2(Hangar::EmulatorConfiguration(configFile, QStringLiteral(MIMICRY_EMULATOR_PROGRAM))
                     .load(m_host->sdk(), &error),
                 qPrintable(error));
        QCOMPARE(Hangar::Sdk::emulators().size(), 1);
        m_answerer = std::make_unique<ModalAnswerer>();
    }

    // No path may end in a message box or a QML error.
    void cleanup()
    {
        const QStringList messages = m_answerer->texts();
        m_answerer.reset();
        m_host.reset();
        m_settings.reset();
        m_dir.reset();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        QVERIFY2(m_qmlErrors.isEmpty(), qPrintable(m_qmlErrors.join(QLatin1Char('\n'))));
    }

    void sensorsReachTheGuestAfterItsCommandServiceRestarted()
    {
        openWindow();
        QSignalSpy reconnected(mimicryContextObject("sensorsEmulationManager"), SIGNAL(emulatorConnected()));
        const QDBusMessage restart = QDBusMessage::createMethodCall("org.mimicry.Machine", "/org/mimicry/Machine",
                                                                    "org.mimicry.Machine", "restartCommandService");
        QCOMPARE(callGuest(QStringLiteral("session"), restart).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(reconnected.size(), 1, 10000);

        // The 3D model's page sets the accelerometer from its pose...
        evaluate(QStringLiteral("switchVisiblePage(smartphoneModelPage)"));
        // Upright at first, then the "lying face up" preset.
        QTRY_COMPARE_WITH_TIMEOUT(sensorState().value("accelerometer.y").toInt(), 1000, 10000);
        // A Repeater's buttons are child items, not child objects.
        QQuickItem *faceUp = nullptr;
        QList<QQuickItem *> items{mimicryView()->rootObject()};
        while (!items.isEmpty() && !faceUp) {
            QQuickItem *item = items.takeFirst();
            if (item->property("source").toUrl() == QUrl(QStringLiteral("qrc:/mimicry/icons/phone_5.png")))
                faceUp = item->parentItem();
            items.append(item->childItems());
        }
        QVERIFY(faceUp);
        QVERIFY(QMetaObject::invokeMethod(faceUp, "clicked"));
        const QStringList faceUpValues{"accelerometer.x=0", "accelerometer.y=0", "accelerometer.z=1000"};
        QTRY_COMPARE_WITH_TIMEOUT(pick(sensorState(), faceUpValues), faceUpValues, 10000);

        // ... and the manager sets any sensor, once that page no longer drives
        // the accelerometer on its timer.
        evaluate(QStringLiteral("switchVisiblePage(sensorsValuesPage)"));
        evaluate(QStringLiteral("sensorsEmulationManager.disableSensor('gyroscope')"));
        evaluate(QStringLiteral("sensorsEmulationManager.setAccelerometerValues(120, -340, 980)"));
        evaluate(QStringLiteral("sensorsEmulationManager.setMagnetometerValues(2.5e-05, -1e-06, 3.1e-05)"));
        // -1 is the "undefined" light level the page offers.
        evaluate(QStringLiteral("sensorsEmulationManager.setAlsLuxValue(-1)"));

        const QStringList told{"als.lux=-1", "accelerometer.x=120", "accelerometer.y=-340", "accelerometer.z=980",
                               "magnetometer.x=2.5e-05", "magnetometer.z=3.1e-05", "gyroscope.enabled=false",
                               "accelerometer.enabled=true"};
        QTRY_COMPARE_WITH_TIMEOUT(pick(sensorState(), told), told, 10000);
    }

    void positionAndTrackReachThePositioningService()
    {
        openWindow();
        evaluate(QStringLiteral("gpsEmulationManager.setPosition(-33.8688, 151.2093, 5)"));
        const QStringList position{"latitude=-33.8688", "longitude=151.2093"};
        QTRY_COMPARE_WITH_TIMEOUT(pick(positionState(), position), position, 10000);

        // A track file opened and played on the GPS page; the guest plays it by
        // itself and ends on the last point.
        const QUrl track = QUrl::fromLocalFile(QStringLiteral(MIMICRY_SOURCE_DIR "/tests/data/nmea/short-walk.nmea"));
        evaluate(QStringLiteral("switchVisiblePage(gpsManagementPage); gpsManagementPage.openNmeaFile('%1')")
                     .arg(track.toString()));
        QTRY_COMPARE_WITH_TIMEOUT(positionState().value("pointCount").toInt(), 3, 10000);
        evaluate(QStringLiteral("gpsManagementPage.trackStopped = false; gpsManagementPage.startTrack()"));
        const QStringList lastPoint{"index=2", "latitude=59.9390167", "longitude=30.3144333"};
        QTRY_COMPARE_WITH_TIMEOUT(pick(positionState(), lastPoint), lastPoint, 10000);
        QTRY_COMPARE(evaluate(QStringLiteral("gpsEmulationManager.currentPositionIndex")).toInt(), 2);
    }

    // Through the page, the plug-in's video pipeline, the forwarded UDP port and
    // the guest's receiver.
    void videoFileReachesTheCameraReceiver()
    {
        const QString clip = TestVideos::make(m_dir->path(), TestVideos::Kind::Vp8, {320, 240}, 30);
        QVERIFY(!clip.isEmpty());
        openWindow();
        evaluate(QStringLiteral("switchVisiblePage(cameraManagementPage); cameraManagementPage.openVideoFile('%1')")
                     .arg(QUrl::fromLocalFile(clip).toString()));
        QTRY_VERIFY_WITH_TIMEOUT(cameraState().value("frameCount").toInt() > 10, 15000);
        const QStringList size{"width=320", "height=240"};
        QCOMPARE(pick(cameraState(), size), size);
    }

private:
    void openWindow()
    {
        QSignalSpy connected(mimicryContextObject("gpsEmulationManager"), SIGNAL(emulatorConnected()));
        Core::ActionManager::command("Mimicry.ShowMimicryView.Action")->action()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(mimicryViewVisible(), 60000);
        // Calls made before the channel is up would be lost.
        QTRY_VERIFY_WITH_TIMEOUT(!connected.isEmpty(), 10000);
    }

    QVariant evaluate(const QString &expression) { return mimicryEvaluate(expression, &m_qmlErrors); }

    // One call on one of the guest's buses, over a connection of its own.
    QDBusMessage callGuest(const QString &bus, const QDBusMessage &call)
    {
        const QString address
            = readFile(m_dir->filePath(QStringLiteral("emulators/1/run/%1_bus_address").arg(bus))).trimmed();
        const QString name = QStringLiteral("test-") + bus;
        const QDBusMessage reply = QDBusConnection::connectToBus(address, name).call(call, QDBus::Block, 5000);
        QDBusConnection::disconnectFromBus(name);
        if (reply.type() != QDBusMessage::ReplyMessage)
            qWarning().noquote() << call.member() << "on" << address << reply.errorMessage();
        return reply;
    }

    // What a service of the guest has been told so far.
    QVariantMap guestState(const QString &bus, const QString &service)
    {
        const QString path = QLatin1Char('/') + QString(service).replace(QLatin1Char('.'), QLatin1Char('/'));
        const QDBusReply<QVariantMap> state
            = callGuest(bus, QDBusMessage::createMethodCall(service, path, QStringLiteral("org.mimicry.Inspect"),
                                                            QStringLiteral("state")));
        return state.value();
    }

    QVariantMap sensorState() { return guestState("system", "org.tern.SensorfwMimicry"); }
    QVariantMap positionState() { return guestState("session", "org.tern.GeoclueMimicry"); }
    QVariantMap cameraState() { return guestState("session", "org.mimicry.CameraReceiver"); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
    std::unique_ptr<ModalAnswerer> m_answerer;
    QStringList m_qmlErrors;
};

QTEST_MAIN(tst_SimulatedEmulator)

#include "tst_simulatedemulator.moc"
