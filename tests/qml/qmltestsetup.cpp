#include "qmltestsetup.h"

#include "cameraprobe.h"
#include "deviceconfig.h"
#include "dialogprobe.h"
#include "fakeguest.h"
#include "guestprobe.h"

#include <camera/cameraemulationmanager.h>
#include <gps/gpsemulationmanager.h>
#include <link/remotedbusinvokerservice.h>
#include <model3d/smartphone3dmodelconfig.h>
#include <plugin/mimicryconstants.h>
#include <plugin/qmltypes.h>
#include <sensors/sensorsemulationmanager.h>

#include <idehost.h>
#include <utils/theme/theme.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QSignalSpy>

using namespace Mimicry::Internal;

namespace {

const int connectTimeoutMs = 5000;

int argc = 1;
char applicationName[] = "tst_qml";
char *argv[] = {applicationName, nullptr};

bool allSensorsEnabled(const SensorsEmulationManager &manager)
{
    const QVariantMap states = manager.sensorsEnabledStates();
    for (const QVariant &state : states) {
        if (!state.toBool())
            return false;
    }
    return true;
}

} // namespace

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

    Mimicry::Internal::registerQmlTypes();
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
    auto gps = new GPSEmulationManager(engine);
    sensors->setRdbusinvoker(channel);
    gps->setRdbusinvoker(channel);

    const Utils::Theme *theme = Utils::creatorTheme();
    const auto themeColor = [theme](int role) {
        return QVariant::fromValue(theme->color(Utils::Theme::Color(role)));
    };
    QQmlContext *context = engine->rootContext();
    context->setContextProperty(QStringLiteral("remoteDBusInvokerService"), channel);
    context->setContextProperty(QStringLiteral("gpsEmulationManager"), gps);
    context->setContextProperty(QStringLiteral("sensorsEmulationManager"), sensors);
    context->setContextProperty(QStringLiteral("smartphone3DModelConfig"), new Smartphone3DModelConfig(engine));
    // Filled as the plug-in does before it shows the window.
    auto camera = new CameraEmulationManager(engine);
    camera->initCameras();
    context->setContextProperty(QStringLiteral("cameraEmulationManager"), camera);
    context->setContextProperty(QStringLiteral("testCameras"), new CameraProbe(engine));
    context->setContextProperty(QStringLiteral("themeBackgroundColorNormal"),
                                themeColor(Mimicry::Constants::THEME_BACKGROUND_COLOR_NORMAL));
    context->setContextProperty(QStringLiteral("themeHighlightColor"),
                                themeColor(Mimicry::Constants::THEME_HIGHLIGHT_COLOR));
    context->setContextProperty(QStringLiteral("themeSeparatorColor"),
                                themeColor(Mimicry::Constants::THEME_SEPARATOR_COLOR));
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
