#include "qmltestsetup.h"

#include "cameraprobe.h"
#include "dialogprobe.h"
#include "fakeguest.h"
#include "guestprobe.h"

#include <camera/cameraemulationmanager.h>
#include <gps/gpsemulationmanager.h>
#include <link/remotedbusinvokerservice.h>
#include <model3d/smartphone3dmodelconfig.h>
#include <plugin/qmltypes.h>
#include <sensors/sensorsemulationmanager.h>

#include <idehost.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QSignalSpy>

#include <algorithm>

using namespace Mimicry::Internal;

namespace {

const int connectTimeoutMs = 5000;

int argc = 1;
char applicationName[] = "tst_qml";
char *argv[] = {applicationName, nullptr};

bool allSensorsEnabled(const SensorsEmulationManager &manager)
{
    const QVariantMap states = manager.sensorsEnabledStates();
    return std::all_of(states.cbegin(), states.cend(), [](const QVariant &state) { return state.toBool(); });
}

} // namespace

// Plays the per-device sensor configuration, which the plug-in applies from
// C++ only.
class DeviceConfig : public QObject
{
    Q_OBJECT

public:
    DeviceConfig(SensorsEmulationManager *manager, QObject *parent)
        : QObject(parent)
        , m_manager(manager)
    {}

    Q_INVOKABLE void setSensorAvailable(const QString &sensorName, bool available)
    {
        m_manager->setSensorAvailable(sensorName, available);
    }

private:
    SensorsEmulationManager *m_manager;
};

QmlTestSetup::QmlTestSetup()
    : m_application(std::make_unique<QApplication>(argc, argv))
{}

QmlTestSetup::~QmlTestSetup()
{
    m_dialogProbe.reset();
    m_guestProbe.reset();
    m_guest.reset();
    m_host.reset();
    m_settings.reset();
}

void QmlTestSetup::applicationAvailable()
{
    m_settings = std::make_unique<QSettings>(m_settingsDir.filePath(QStringLiteral("host.ini")),
                                             QSettings::IniFormat);
    m_host = std::make_unique<IdeHost>(m_settings.get());

    m_guest = std::make_unique<FakeGuest>();
    if (!m_guest->listen())
        qFatal("The fake guest cannot listen");
    m_guestProbe = std::make_unique<GuestProbe>(m_guest.get());
    m_dialogProbe = std::make_unique<DialogProbe>();
    if (!CameraProbe::registerCameras())
        qFatal("The test cameras need videotestsrc (gstreamer1.0-plugins-base)");

    registerQmlTypes();
}

// Each test file gets its own engine and, with it, fresh managers and a new
// connection to the guest.
void QmlTestSetup::qmlEngineAvailable(QQmlEngine *engine)
{
    auto channel = new RemoteDBusInvokerService(engine);
    channel->setRetryDelays(20, 100);
    channel->setUrl(m_guest->url());
    m_guestProbe->setChannel(channel);
    auto sensors = new SensorsEmulationManager(engine);
    // Filled as the plug-in does before it shows the window.
    auto camera = new CameraEmulationManager(engine);
    camera->initCameras();
    QQmlContext *context = engine->rootContext();
    exposeToQml(context, channel, new GPSEmulationManager(engine), sensors, new Smartphone3DModelConfig(engine),
                camera);
    context->setContextProperty(QStringLiteral("testCameras"), new CameraProbe(engine));
    context->setContextProperty(QStringLiteral("guest"), m_guestProbe.get());
    context->setContextProperty(QStringLiteral("dialogs"), m_dialogProbe.get());
    context->setContextProperty(QStringLiteral("deviceConfig"), new DeviceConfig(sensors, engine));

    // The first connection asks the guest for every sensor's state; the
    // tests start once all answers are in.
    QSignalSpy connected(channel, &RemoteDBusInvokerService::webSocketConnected);
    channel->openConnection();
    const QDeadlineTimer deadline(connectTimeoutMs);
    while (!deadline.hasExpired() && (connected.isEmpty() || !allSensorsEnabled(*sensors)))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (connected.isEmpty() || !allSensorsEnabled(*sensors))
        qFatal("The channel did not reach the fake guest");
    m_guestProbe->clear();
}

#include "qmltestsetup.moc"
