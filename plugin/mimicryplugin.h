#pragma once

#include "mimicrypackageschecker.h"
#include "settingswritebuffer.h"

#include <camera/cameraemulationmanager.h>
#include <gps/gpsemulationmanager.h>
#include <link/remotedbusinvokerservice.h>
#include <model3d/smartphone3dmodelconfig.h>
#include <sensors/sensorsemulationmanager.h>

#include <extensionsystem/iplugin.h>

#include <QMessageBox>
#include <QPointer>
#include <QQuickView>
#include <QVariantMap>

namespace Hangar {
class Emulator;
class Sdk;
} // namespace Hangar

namespace Mimicry {
namespace Internal {

class MimicryPlugin : public ExtensionSystem::IPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QtCreatorPlugin" FILE "Mimicry.json")

public:
    MimicryPlugin();
    ~MimicryPlugin() override;

    bool initialize(const QStringList &arguments, QString *errorString) override;
    void extensionsInitialized() override;
    ShutdownFlag aboutToShutdown() override;

signals:
    void mimicryViewShowed();

private:
    struct PortForwardingRule
    {
        const char *name;
        const char *protocol;
        quint16 hostPort;
        quint16 guestPort;
    };

    void bindEmulator();
    void showMimicryView();
    bool ensurePortForwarding();
    bool runAndWait(const PortForwardingRule &rule);
    void startPackagesCheck();
    void handlePackagesCheckFinished(const QString &message, const QString &detailedText);
    void handleVirtualMachineStateChanged();
    void handleVirtualMachineOffChanged(bool off);
    void handleConnectionLost();
    void handleMimicryViewVisibleChanged(bool visible);
    void showPluginMessage(const QString &text, const QString &informativeText,
                           QMessageBox::StandardButtons buttons);

    void loadSensorsConfigs();
    void applySensorsConfig(const QString &deviceModelName);

    // First, so that it is destroyed last and gets what the managers store
    // when they go.
    SettingsWriteBuffer m_settingsWriteBuffer;
    RemoteDBusInvokerService m_remoteDBusInvokerService;
    GPSEmulationManager m_gpsEmulationManager;
    SensorsEmulationManager m_sensorsEmulationManager;
    Smartphone3DModelConfig m_smartphone3DModelConfig;
    CameraEmulationManager m_cameraEmulationManager;
    QQuickView m_mimicryView;
    Hangar::Sdk *m_sdk = nullptr;
    // Guarded: the SDK deletes an emulator once it has removed it.
    QPointer<Hangar::Emulator> m_emulator;
    bool m_emulatorRunning = false;
    bool m_packagesChecked = false;
    bool m_connectRequested = false;
    QVariantMap m_sensorsConfigs;
    MimicryPackagesChecker m_packagesChecker;
};

} // namespace Internal
} // namespace Mimicry
