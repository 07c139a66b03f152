#pragma once

#include <QObject>

namespace Mimicry {
namespace Internal {
class SensorsEmulationManager;
}
} // namespace Mimicry

// Plays the per-device sensor configuration for the QML tests, which the
// plug-in applies from C++ only.
class DeviceConfig : public QObject
{
    Q_OBJECT

public:
    explicit DeviceConfig(Mimicry::Internal::SensorsEmulationManager *manager, QObject *parent = nullptr);

    Q_INVOKABLE void setSensorAvailable(const QString &sensorName, bool available);

private:
    Mimicry::Internal::SensorsEmulationManager *m_manager;
};
