#include "deviceconfig.h"

#include <sensors/sensorsemulationmanager.h>

DeviceConfig::DeviceConfig(Mimicry::Internal::SensorsEmulationManager *manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
{}

void DeviceConfig::setSensorAvailable(const QString &sensorName, bool available)
{
    m_manager->setSensorAvailable(sensorName, available);
}
