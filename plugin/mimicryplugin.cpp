#include "mimicryplugin.h"

#include "mimicryconstants.h"
#include "qmltypes.h"
#include "windowdialog.h"

#include <coreplugin/actionmanager/actioncontainer.h>
#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <coreplugin/coreconstants.h>
#include <coreplugin/icontext.h>
#include <coreplugin/icore.h>
#include <extensionsystem/pluginmanager.h>
#include <hangar/emulator.h>
#include <hangar/sdk.h>
#include <hangar/virtualmachine.h>

#include <QAction>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QMainWindow>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QTimer>
#include <QTranslator>

namespace Mimicry {
namespace Internal {

// Adding a rule normally takes a moment; a machine that never answers must
// not keep the menu waiting for ever.
const int portForwardingTimeoutMs = 30000;

MimicryPlugin::MimicryPlugin()
    : m_settingsWriteBuffer(Core::ICore::settings())
{}

// Members go in reverse order: the window and its QML before the objects
// that the QML references.
MimicryPlugin::~MimicryPlugin() = default;

bool MimicryPlugin::initialize(const QStringList &arguments, QString *errorString)
{
    Q_UNUSED(arguments)
    Q_UNUSED(errorString)

    const QVariant language = ExtensionSystem::PluginManager::settings()->value(
        QStringLiteral("General/OverrideLanguage"), QVariant());
    const QLocale locale = language.isValid() ? QLocale(language.toString()) : QLocale();
    auto translator = new QTranslator(this);
    translator->load(locale, QStringLiteral("Mimicry"), QStringLiteral("-"),
                     QLatin1String(Constants::TRANSLATIONS_DIR), QStringLiteral(".qm"));
    QCoreApplication::installTranslator(translator);

    registerQmlTypes();

    QQmlContext *context = m_mimicryView.rootContext();
    exposeToQml(context, &m_remoteDBusInvokerService, &m_gpsEmulationManager, &m_sensorsEmulationManager,
                &m_smartphone3DModelConfig, &m_cameraEmulationManager);
    context->setContextProperty(QStringLiteral("mimicryPlugin"), this);

    loadSensorsConfigs();

    m_mimicryView.setTitle(tr("Mimicry"));
    m_mimicryView.setResizeMode(QQuickView::SizeRootObjectToView);

    auto showAction = new QAction(tr("Mimicry\u2026"), this);
    Core::Command *command = Core::ActionManager::registerAction(
        showAction, Constants::SHOW_MIMICRY_VIEW_ACTION_ID, Core::Context(Core::Constants::C_GLOBAL));
    connect(showAction, &QAction::triggered, this, &MimicryPlugin::showMimicryView);

    connect(&m_mimicryView, &QWindow::visibleChanged,
            this, &MimicryPlugin::handleMimicryViewVisibleChanged);

    Core::ActionContainer *sdkMenu = Core::ActionManager::createMenu(Constants::SDK_TOOLS_MENU_ID);
    sdkMenu->addAction(command);
    Core::ActionManager::actionContainer(Core::Constants::M_TOOLS)->addMenu(sdkMenu);

    return true;
}

void MimicryPlugin::extensionsInitialized()
{
    m_sdk = Hangar::Sdk::instance();
    if (!m_sdk)
        return;
    connect(m_sdk, &Hangar::Sdk::emulatorAdded, this, &MimicryPlugin::bindEmulator);
    connect(m_sdk, &Hangar::Sdk::aboutToRemoveEmulator, this, &MimicryPlugin::bindEmulator);
    connect(m_sdk, &Hangar::Sdk::deviceModelsChanged, this, &MimicryPlugin::bindEmulator);
}

ExtensionSystem::IPlugin::ShutdownFlag MimicryPlugin::aboutToShutdown()
{
    m_mimicryView.close();
    m_settingsWriteBuffer.flush();
    return SynchronousShutdown;
}

void MimicryPlugin::bindEmulator()
{
    const QList<Hangar::Emulator *> emulators = Hangar::Sdk::emulators();
    Hangar::Emulator *first = emulators.isEmpty() ? nullptr : emulators.first();
    if (m_emulator && m_emulator != first) {
        // The previous emulator may live on outside the list; it must not
        // reach the handlers any more.
        m_emulator->disconnect(this);
        m_emulator->disconnect(&m_smartphone3DModelConfig);
        m_emulator->virtualMachine()->disconnect(this);
    }
    m_emulator = first;
    if (!first)
        return;

    const QString deviceModelName = first->deviceModel().name;
    applySensorsConfig(deviceModelName);
    m_smartphone3DModelConfig.selectDeviceModel(deviceModelName);

    // The SDK's signals come often; unique connections keep one event from
    // reaching a handler several times.
    connect(first, &Hangar::Emulator::deviceModelNameChanged,
            this, &MimicryPlugin::applySensorsConfig, Qt::UniqueConnection);
    connect(first, &Hangar::Emulator::deviceModelNameChanged,
            &m_smartphone3DModelConfig, &Smartphone3DModelConfig::selectDeviceModel, Qt::UniqueConnection);
    connect(&m_remoteDBusInvokerService, &RemoteDBusInvokerService::webSocketDisconnected,
            this, &MimicryPlugin::handleConnectionLost, Qt::UniqueConnection);
    Hangar::VirtualMachine *machine = first->virtualMachine();
    connect(machine, &Hangar::VirtualMachine::virtualMachineOffChanged,
            this, &MimicryPlugin::handleVirtualMachineOffChanged, Qt::UniqueConnection);
    connect(machine, &Hangar::VirtualMachine::stateChanged,
            this, &MimicryPlugin::handleVirtualMachineStateChanged, Qt::UniqueConnection);
}

void MimicryPlugin::showMimicryView()
{
    // An emulator that the SDK removed since it was bound must not be used.
    if (!m_emulator || !Hangar::Sdk::emulators().contains(m_emulator))
        bindEmulator();
    if (!m_emulator) {
        showPluginMessage(tr("The mimicry plugin cannot be used. Please, close the emulator if it is "
                             "running and add %1 Emulator to the list of available devices in Qt "
                             "Creator settings.")
                              .arg(Hangar::Sdk::osVariant(Hangar::Sdk::TextStyle(0))),
                          QString(), QMessageBox::Ok);
        return;
    }

    Hangar::VirtualMachine *machine = m_emulator->virtualMachine();
    const bool off = machine->isOff(nullptr, nullptr);
    if (off) {
        m_mimicryView.hide();
        m_packagesChecked = false;
    }
    m_emulatorRunning = !off;

    if (!ensurePortForwarding() || !m_emulator)
        return;

    if (m_emulatorRunning) {
        emit mimicryViewShowed();
        if (m_packagesChecked) {
            m_cameraEmulationManager.initCameras();
            m_mimicryView.show();
        } else {
            startPackagesCheck();
        }
        return;
    }

    m_emulator->virtualMachine()->connectTo({}, this, [](bool) {});
    m_connectRequested = true;
}

bool MimicryPlugin::ensurePortForwarding()
{
    Hangar::VirtualMachine *machine = m_emulator->virtualMachine();
    if (machine->hasPortForwarding(Constants::TCP_HOST_PORT, nullptr)
        && machine->hasPortForwarding(Constants::UDP_HOST_PORT, nullptr)) {
        return true;
    }
    if (m_emulatorRunning) {
        showPluginMessage(tr("The mimicry plugin cannot be used. Please, close %1 and try to use "
                             "'Mimicry\u2026' again.")
                              .arg(m_emulator->name()),
                          QString(), QMessageBox::Ok);
        return false;
    }
    // Failures are not reported: a missing rule shows up as a channel that
    // never connects.
    runAndWait({Constants::TCP_RULE_NAME, "tcp", Constants::TCP_HOST_PORT, Constants::TCP_GUEST_PORT});
    if (m_emulator)
        runAndWait({Constants::UDP_RULE_NAME, "udp", Constants::UDP_HOST_PORT, Constants::UDP_GUEST_PORT});
    return true;
}

bool MimicryPlugin::runAndWait(const PortForwardingRule &rule)
{
    Hangar::VirtualMachine *machine = m_emulator->virtualMachine();
    QEventLoop loop;
    bool finished = false;
    bool succeeded = false;
    QTimer::singleShot(portForwardingTimeoutMs, &loop, &QEventLoop::quit);
    connect(machine, &QObject::destroyed, &loop, &QEventLoop::quit);
    machine->addPortForwarding(QLatin1String(rule.name), QLatin1String(rule.protocol),
                               rule.hostPort, rule.guestPort, &loop,
                               [&loop, &finished, &succeeded](bool ok) {
                                   succeeded = ok;
                                   finished = true;
                                   loop.quit();
                               });
    if (!finished)
        loop.exec();
    return succeeded;
}

void MimicryPlugin::startPackagesCheck()
{
    connect(&m_packagesChecker, &MimicryPackagesChecker::checkFinished,
            this, &MimicryPlugin::handlePackagesCheckFinished, Qt::UniqueConnection);
    m_packagesChecker.check(m_emulator->virtualMachine()->sshParameters());
}

void MimicryPlugin::handlePackagesCheckFinished(const QString &message, const QString &detailedText)
{
    // Each check has exactly one listener; dropping it first also keeps a
    // result that arrives while the message is open from coming back here.
    disconnect(&m_packagesChecker, nullptr, this, nullptr);

    if (!message.isEmpty()) {
        showPluginMessage(message, detailedText, QMessageBox::Close);
        return;
    }
    m_packagesChecked = true;
    m_remoteDBusInvokerService.openConnection();
    m_cameraEmulationManager.initCameras();
    m_mimicryView.show();
}

void MimicryPlugin::handleVirtualMachineStateChanged()
{
    if (!m_emulator || !m_connectRequested
        || int(m_emulator->virtualMachine()->state()) != Constants::VM_CONNECTED_STATE) {
        return;
    }
    startPackagesCheck();
    m_connectRequested = false;
}

void MimicryPlugin::handleVirtualMachineOffChanged(bool off)
{
    if (off) {
        m_mimicryView.hide();
        m_packagesChecked = false;
    }
    m_emulatorRunning = !off;
}

void MimicryPlugin::handleConnectionLost()
{
    if (!m_gpsEmulationManager.trackLoaded())
        return;
    m_gpsEmulationManager.resetEmulatorState();
    emit m_gpsEmulationManager.replyFromEmulatorReceived(QString());
    showPluginMessage(tr("Emulator connection is lost. Please, run %1 if it is needed and load the "
                         "GPS-track again.")
                          .arg(m_emulator ? m_emulator->name() : QString()),
                      QString(), QMessageBox::Ok);
}

void MimicryPlugin::handleMimicryViewVisibleChanged(bool visible)
{
    // The window's QML costs more than the rest of the start-up together:
    // the IDE pays for it only when the user first opens the window.
    if (visible && m_mimicryView.source().isEmpty())
        m_mimicryView.setSource(QUrl(QLatin1String(Constants::MIMICRY_VIEW_SOURCE)));
    if (!visible)
        m_settingsWriteBuffer.flush();
    if (!visible && m_cameraEmulationManager.streamRunning()) {
        m_cameraEmulationManager.stopVideoStream();
        m_cameraEmulationManager.stopCameraStream();
    }
}

void MimicryPlugin::showPluginMessage(const QString &text, const QString &informativeText,
                                      QMessageBox::StandardButtons buttons)
{
    WindowDialog<QMessageBox> box(&m_mimicryView, QMessageBox::Information, tr("Mimicry plugin"), text, buttons,
                                  nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box.setInformativeText(informativeText);
    box.exec();
}

void MimicryPlugin::loadSensorsConfigs()
{
    m_sensorsConfigs.clear();
    const QDir directory(QDir::fromNativeSeparators(
        QStringLiteral("%1/%2").arg(QCoreApplication::applicationDirPath(),
                                    QLatin1String(Constants::SENSORS_CONFIGS_DIR))));
    const QStringList files = directory.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Unsorted);
    const QStringList knownSensors = m_sensorsEmulationManager.sensorNames();
    for (const QString &file : files) {
        const QString path = QStringLiteral("%1/%2").arg(directory.path(), file);
        QSettings config(path, QSettings::IniFormat);
        QVariantMap sensors;
        config.beginGroup(QStringLiteral("sensors"));
        const QStringList keys = config.childKeys();
        for (const QString &sensor : keys) {
            // The name goes into command lines as it is; only our own are safe there.
            if (!knownSensors.contains(sensor)) {
                qWarning() << "Mimicry: ignoring the unknown sensor" << sensor << "in"
                           << QDir::toNativeSeparators(path);
                continue;
            }
            sensors.insert(sensor, config.value(sensor).toBool());
        }
        config.endGroup();
        // A later file for the same device model replaces an earlier one.
        m_sensorsConfigs.insert(config.value(QStringLiteral("device-name")).toString(), sensors);
    }
}

void MimicryPlugin::applySensorsConfig(const QString &deviceModelName)
{
    const QVariantMap config = m_sensorsConfigs.value(deviceModelName).toMap();
    if (config.isEmpty()) {
        m_sensorsEmulationManager.enableAllSensors();
        return;
    }
    // Sensors that the file does not list keep their availability.
    for (auto it = config.cbegin(); it != config.cend(); ++it)
        m_sensorsEmulationManager.setSensorAvailable(it.key(), it.value().toBool());
}

} // namespace Internal
} // namespace Mimicry
