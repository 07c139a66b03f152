#include <idehost.h>

#include "isolatedemulator.h"
#include "mimicrywindow.h"
#include "modalanswerer.h"
#include "testvideos.h"

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <guest/sshserver.h>
#include <hangar/emulator.h>
#include <hangar/emulatorconfiguration.h>
#include <hangar/sdk.h>
#include <hangar/simulatedvirtualmachine.h>

#include <QAction>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQmlExpression>
#include <QRandomGenerator>
#include <QSettings>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

QString readFile(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

class tst_SimulatedEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void menuStartsTheMachineAndOpensTheWindow();
    void sensorValuesReachTheSensorService();
    void positionAndTrackReachThePositioningService();
    void machineStoppedFromOutside();
    void commandServiceRestartReconnectsEveryManager();
    void portsAreReachableOnlyThroughTheirRules();
    void sensorPagesDriveTheGuest();
    void orientationPresetDrivesTheAccelerometer();
    void videoFileReachesTheCameraReceiver();

private:
    void openWindow();
    QVariant evaluate(const QString &expression);
    QVariantMap guestState(const QString &bus, const QString &service, const QString &path);
    QVariantMap sensorState()
    {
        return guestState(QStringLiteral("system"), QStringLiteral("org.tern.SensorfwMimicry"),
                          QStringLiteral("/org/tern/SensorfwMimicry"));
    }
    QVariantMap positionState()
    {
        return guestState(QStringLiteral("session"), QStringLiteral("org.tern.GeoclueMimicry"),
                          QStringLiteral("/org/tern/GeoclueMimicry"));
    }
    QVariantMap cameraState()
    {
        return guestState(QStringLiteral("session"), QStringLiteral("org.mimicry.CameraReceiver"),
                          QStringLiteral("/org/mimicry/CameraReceiver"));
    }
    QString stateDir() const { return m_dir->filePath(QStringLiteral("emulators/1")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
    std::unique_ptr<ModalAnswerer> m_answerer;
    Hangar::Emulator *m_emulator = nullptr;
    QStringList m_guestLog;
    int m_busConnections = 0;
};

void tst_SimulatedEmulator::initTestCase()
{
    const QString reason = Guest::SshServer::unavailableReason();
    if (!reason.isEmpty())
        QSKIP(qPrintable(reason));
}

void tst_SimulatedEmulator::init()
{
    m_guestLog.clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
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
    m_emulator = Hangar::Sdk::emulators().constFirst();
    connect(qobject_cast<Hangar::SimulatedVirtualMachine *>(m_emulator->virtualMachine()),
            &Hangar::SimulatedVirtualMachine::logLine, this,
            [this](const QString &line) {
                m_guestLog.append(line);
                if (qEnvironmentVariableIsSet("MIMICRY_TEST_VERBOSE"))
                    qDebug().noquote() << "guest:" << line;
            });
    if (qEnvironmentVariableIsSet("MIMICRY_TEST_VERBOSE")) {
        Hangar::VirtualMachine *vm = m_emulator->virtualMachine();
        connect(vm, &Hangar::VirtualMachine::stateChanged, this, [vm] { qDebug() << "state" << vm->state(); });
        connect(vm, &Hangar::VirtualMachine::virtualMachineOffChanged, this, [](bool off) { qDebug() << "off" << off; });
    }
    m_answerer = std::make_unique<ModalAnswerer>();
}

void tst_SimulatedEmulator::cleanup()
{
    if (QTest::currentTestFailed())
        qWarning().noquote() << "messages:" << m_answerer->texts();
    m_answerer.reset();
    m_host.reset();
    m_settings.reset();
    m_dir.reset();
}

QVariant tst_SimulatedEmulator::evaluate(const QString &expression)
{
    QQmlExpression qmlExpression(mimicryView()->rootContext(), nullptr, expression);
    const QVariant result = qmlExpression.evaluate();
    if (qmlExpression.hasError())
        qWarning().noquote() << qmlExpression.error().toString();
    return result;
}

QVariantMap tst_SimulatedEmulator::guestState(const QString &bus, const QString &service, const QString &path)
{
    const QString address = readFile(stateDir() + QStringLiteral("/run/%1_bus_address").arg(bus));
    const QString name = QStringLiteral("test-%1-%2").arg(bus).arg(++m_busConnections);
    QVariantMap state;
    {
        QDBusConnection connection = QDBusConnection::connectToBus(address, name);
        if (!connection.isConnected())
            qWarning().noquote() << "cannot connect to" << address << connection.lastError().message();
        const QDBusMessage call = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.mimicry.Inspect"),
                                                                 QStringLiteral("state"));
        const QDBusReply<QVariantMap> reply = connection.call(call, QDBus::Block, 5000);
        if (reply.isValid())
            state = reply.value();
        else
            qWarning().noquote() << reply.error().message();
    }
    QDBusConnection::disconnectFromBus(name);
    return state;
}

void tst_SimulatedEmulator::openWindow()
{
    QSignalSpy connected(mimicryContextObject("gpsEmulationManager"), SIGNAL(emulatorConnected()));
    QVERIFY(connected.isValid());
    Core::ActionManager::command("Mimicry.ShowMimicryView.Action")->action()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(mimicryViewVisible(), 60000);
    // Calls made before the channel is up would be lost.
    QTRY_VERIFY_WITH_TIMEOUT(!connected.isEmpty(), 10000);
}

void tst_SimulatedEmulator::menuStartsTheMachineAndOpensTheWindow()
{
    Hangar::VirtualMachine *machine = m_emulator->virtualMachine();
    QVERIFY(machine->isOff());
    QVERIFY(!machine->hasPortForwarding(5454));

    openWindow();
    QVERIFY(!machine->isOff());
    QCOMPARE(int(machine->state()), 4);
    QVERIFY(machine->hasPortForwarding(5454));
    QVERIFY(machine->hasPortForwarding(34343));
    QVERIFY(m_answerer->boxes().isEmpty());

    // The rules outlive the host: they are in the SDK's configuration.
    QSettings config(m_dir->filePath(QStringLiteral("emulators.ini")), QSettings::IniFormat);
    config.beginReadArray(QStringLiteral("emulators"));
    config.setArrayIndex(0);
    QCOMPARE(config.value(QStringLiteral("rules")).toStringList(),
             (QStringList{"mimicrytcp:tcp:5454:1234", "mimicryudp:udp:34343:34343"}));
    config.endArray();
}

void tst_SimulatedEmulator::sensorValuesReachTheSensorService()
{
    openWindow();
    evaluate(QStringLiteral("sensorsEmulationManager.disableSensor('gyroscope')"));
    evaluate(QStringLiteral("sensorsEmulationManager.setAccelerometerValues(120, -340, 980)"));
    evaluate(QStringLiteral("sensorsEmulationManager.setMagnetometerValues(2.5e-05, -1e-06, 3.1e-05)"));
    // The guest performs the calls in order: the last one done means all are.
    // -1 is the "undefined" light level the page offers.
    evaluate(QStringLiteral("sensorsEmulationManager.setAlsLuxValue(-1)"));

    QVariantMap sensors;
    QTRY_VERIFY_WITH_TIMEOUT((sensors = sensorState()).value("als.lux").toInt() == -1, 10000);
    QCOMPARE(sensors.value("accelerometer.x").toInt(), 120);
    QCOMPARE(sensors.value("accelerometer.y").toInt(), -340);
    QCOMPARE(sensors.value("accelerometer.z").toInt(), 980);
    QCOMPARE(sensors.value("magnetometer.x").toDouble(), 2.5e-05);
    QCOMPARE(sensors.value("magnetometer.z").toDouble(), 3.1e-05);
    QCOMPARE(sensors.value("gyroscope.enabled").toBool(), false);
    QCOMPARE(sensors.value("accelerometer.enabled").toBool(), true);
    QVERIFY(m_answerer->boxes().isEmpty());
}

void tst_SimulatedEmulator::positionAndTrackReachThePositioningService()
{
    openWindow();
    evaluate(QStringLiteral("gpsEmulationManager.setPosition(-33.8688, 151.2093, 5)"));
    QTRY_COMPARE_WITH_TIMEOUT(positionState().value("latitude").toDouble(), -33.8688, 10000);
    QCOMPARE(positionState().value("longitude").toDouble(), 151.2093);

    // A track file opened and played on the GPS page; the guest plays it by
    // itself and ends on the last point.
    QObject *root = mimicryView()->rootObject();
    const QUrl track = QUrl::fromLocalFile(QStringLiteral(MIMICRY_SOURCE_DIR "/tests/data/nmea/short-walk.nmea"));
    QQmlExpression open(qmlContext(root), root,
                        QStringLiteral("switchVisiblePage(gpsManagementPage); gpsManagementPage.openNmeaFile('%1')")
                            .arg(track.toString()));
    open.evaluate();
    QVERIFY2(!open.hasError(), qPrintable(open.error().toString()));
    QTRY_COMPARE_WITH_TIMEOUT(positionState().value("pointCount").toInt(), 3, 10000);
    QQmlExpression play(qmlContext(root), root,
                        QStringLiteral("gpsManagementPage.trackStopped = false; gpsManagementPage.startTrack()"));
    play.evaluate();
    QTRY_COMPARE_WITH_TIMEOUT(positionState().value("index").toInt(), 2, 10000);
    QTRY_COMPARE(evaluate(QStringLiteral("gpsEmulationManager.currentPositionIndex")).toInt(), 2);
    const QVariantMap position = positionState();
    QCOMPARE(position.value("latitude").toDouble(), 59.9390167);
    QCOMPARE(position.value("longitude").toDouble(), 30.3144333);
    QVERIFY(m_answerer->boxes().isEmpty());
    // The host's log shows the line as it went, with the space that ends a
    // call without arguments.
    QVERIFY(m_guestLog.contains(QStringLiteral("<< session org.tern.GeoclueMimicry /org/tern/GeoclueMimicry "
                                               "org.tern.GeoclueMimicry stopTrack ")));
}

void tst_SimulatedEmulator::machineStoppedFromOutside()
{
    openWindow();
    const qint64 pid = readFile(stateDir() + QLatin1String("/run/pid")).toLongLong();
    QVERIFY(pid > 0);
    QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_emulator->virtualMachine()->isOff(), 15000);
    QVERIFY(!mimicryViewVisible());

    // The next choice starts the machine again and checks its packages.
    openWindow();
    QVERIFY(m_answerer->boxes().isEmpty());
}

void tst_SimulatedEmulator::commandServiceRestartReconnectsEveryManager()
{
    openWindow();
    QSignalSpy gpsConnected(mimicryContextObject("gpsEmulationManager"), SIGNAL(emulatorConnected()));
    QSignalSpy sensorsConnected(mimicryContextObject("sensorsEmulationManager"), SIGNAL(emulatorConnected()));
    QVERIFY(gpsConnected.isValid() && sensorsConnected.isValid());

    const QString address = readFile(stateDir() + QLatin1String("/run/session_bus_address"));
    {
        QDBusConnection connection = QDBusConnection::connectToBus(address, QStringLiteral("test-restart"));
        const QDBusMessage reply = connection.call(QDBusMessage::createMethodCall(
            "org.mimicry.Machine", "/org/mimicry/Machine", "org.mimicry.Machine", "restartCommandService"));
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("test-restart"));

    QTRY_COMPARE_WITH_TIMEOUT(gpsConnected.size(), 1, 10000);
    QTRY_COMPARE(sensorsConnected.size(), 1);
    evaluate(QStringLiteral("sensorsEmulationManager.setAlsLuxValue(2500)"));
    QTRY_COMPARE_WITH_TIMEOUT(sensorState().value("als.lux").toInt(), 2500, 10000);
}

void tst_SimulatedEmulator::portsAreReachableOnlyThroughTheirRules()
{
    // Only the TCP rule: the command service is forwarded, the camera is not.
    Hangar::VirtualMachine *machine = m_emulator->virtualMachine();
    machine->setPortForwardingRules({{"mimicrytcp", "tcp", 5454, 1234}});
    machine->connectTo({}, this, [](bool) {});
    QTRY_COMPARE_WITH_TIMEOUT(int(machine->state()), 4, 60000);

    QTcpSocket command;
    command.connectToHost(QHostAddress::LocalHost, 5454);
    QVERIFY(command.waitForConnected(5000));
    QUdpSocket camera;
    QVERIFY2(camera.bind(QHostAddress::LocalHost, 34343), "nothing may hold the camera's host port");
    camera.close();

    // Without any rule the guest is not reachable from the host at all.
    qobject_cast<Hangar::SimulatedVirtualMachine *>(machine)->powerOff();
    QTRY_VERIFY(machine->isOff());
    machine->setPortForwardingRules({});
    machine->connectTo({}, this, [](bool) {});
    QTRY_COMPARE_WITH_TIMEOUT(int(machine->state()), 4, 60000);
    QTcpSocket refused;
    refused.connectToHost(QHostAddress::LocalHost, 5454);
    QVERIFY(!refused.waitForConnected(2000));
}

void tst_SimulatedEmulator::sensorPagesDriveTheGuest()
{
    QSignalSpy replies(mimicryContextObject("sensorsEmulationManager"), SIGNAL(replyFromEmulatorReceived(QString)));
    openWindow();
    // The guest's answers to what runs on it set the boxes' states; an Apply
    // before they are in would be undone by them.
    for (int quiet = 0, seen = -1, round = 0; quiet < 3 && round < 100; seen = replies.count(), ++round) {
        QTest::qWait(100);
        quiet = replies.count() == seen ? quiet + 1 : 0;
    }
    QObject *root = mimicryView()->rootObject();

    // Sensors Management: the gyroscope's box cleared, then Apply.
    QQmlExpression apply(qmlContext(root), root,
                         QStringLiteral("switchVisiblePage(sensorsManagementPage);"
                                        "var boxes = sensorsManagementPage.sensorsControlsIds;"
                                        "for (var i = 0; i < boxes.length; ++i)"
                                        "    if (boxes[i].sensorName === 'gyroscope') boxes[i].checked = false;"
                                        "sensorsManagementPage.submit()"));
    apply.evaluate();
    QVERIFY2(!apply.hasError(), qPrintable(apply.error().toString()));
    QTRY_COMPARE_WITH_TIMEOUT(sensorState().value("gyroscope.enabled").toBool(), false, 10000);
    QCOMPARE(sensorState().value("accelerometer.enabled").toBool(), true);

    // Sensors Values: "Reset values" brings the guest back to the defaults.
    evaluate(QStringLiteral("sensorsEmulationManager.setAlsLuxValue(2500)"));
    QTRY_COMPARE_WITH_TIMEOUT(sensorState().value("als.lux").toInt(), 2500, 10000);
    QQmlExpression back(qmlContext(root), root, QStringLiteral("switchVisiblePage(sensorsValuesPage)"));
    back.evaluate();
    QObject *resetButton = nullptr;
    const QList<QObject *> objects = root->findChildren<QObject *>();
    for (QObject *object : objects) {
        if (object->property("text").toString() == QLatin1String("Reset values")
            && object->metaObject()->indexOfSignal("clicked()") >= 0) {
            resetButton = object;
        }
    }
    QVERIFY(resetButton);
    QVERIFY(QMetaObject::invokeMethod(resetButton, "clicked"));
    QTRY_COMPARE_WITH_TIMEOUT(sensorState().value("als.lux").toInt(), 100, 10000);
    QVERIFY(m_answerer->boxes().isEmpty());
}

void tst_SimulatedEmulator::orientationPresetDrivesTheAccelerometer()
{
    openWindow();
    QObject *root = mimicryView()->rootObject();
    QQmlExpression show(qmlContext(root), root, QStringLiteral("switchVisiblePage(smartphoneModelPage)"));
    show.evaluate();
    QVERIFY2(!show.hasError(), qPrintable(show.error().toString()));

    // Upright at first, then the "lying face up" preset.
    QTRY_COMPARE_WITH_TIMEOUT(sensorState().value("accelerometer.y").toInt(), 1000, 10000);
    // A Repeater's buttons are child items, not child objects.
    QQuickItem *faceUp = nullptr;
    QList<QQuickItem *> items{qobject_cast<QQuickItem *>(root)};
    while (!items.isEmpty() && !faceUp) {
        QQuickItem *item = items.takeFirst();
        if (item->property("source").toUrl() == QUrl(QStringLiteral("qrc:/mimicry/icons/phone_5.png")))
            faceUp = item->parentItem();
        items.append(item->childItems());
    }
    QVERIFY(faceUp);
    QVERIFY(QMetaObject::invokeMethod(faceUp, "clicked"));
    QVariantMap sensors;
    QTRY_COMPARE_WITH_TIMEOUT((sensors = sensorState()).value("accelerometer.z").toInt(), 1000, 10000);
    QCOMPARE(sensors.value("accelerometer.x").toInt(), 0);
    QCOMPARE(sensors.value("accelerometer.y").toInt(), 0);
    QVERIFY(m_answerer->boxes().isEmpty());
}

// Through the page, the plug-in's video pipeline, the forwarded UDP port and
// the guest's receiver.
void tst_SimulatedEmulator::videoFileReachesTheCameraReceiver()
{
    QString error;
    const QString clip = TestVideos::make(m_dir->path(), TestVideos::Kind::Vp8, 320, 240, 30, &error);
    QVERIFY2(!clip.isEmpty(), qPrintable(error));
    openWindow();
    QObject *root = mimicryView()->rootObject();
    QQmlExpression open(qmlContext(root), root,
                        QStringLiteral("switchVisiblePage(cameraManagementPage);"
                                       "cameraManagementPage.openVideoFile('%1')")
                            .arg(QUrl::fromLocalFile(clip).toString()));
    open.evaluate();
    QVERIFY2(!open.hasError(), qPrintable(open.error().toString()));
    QTRY_VERIFY_WITH_TIMEOUT(cameraState().value("frameCount").toInt() > 10, 15000);
    const QVariantMap camera = cameraState();
    QCOMPARE(camera.value("width").toInt(), 320);
    QCOMPARE(camera.value("height").toInt(), 240);
    QVERIFY(evaluate(QStringLiteral("cameraEmulationManager.streamRunning")).toBool());
    QVERIFY(m_answerer->boxes().isEmpty());
}

QTEST_MAIN(tst_SimulatedEmulator)

#include "tst_simulatedemulator.moc"
