#include "sensorsemulationmanager.h"

namespace Mimicry {
namespace Internal {

SensorsEmulationManager::SensorsEmulationManager(QObject *parent)
    : EmulationManager(parent)
{}

QString SensorsEmulationManager::busType() const
{
    return QStringLiteral("system");
}

QString SensorsEmulationManager::serviceName() const
{
    return QStringLiteral("org.tern.SensorfwMimicry");
}

QString SensorsEmulationManager::objectPath() const
{
    return QStringLiteral("/org/tern/SensorfwMimicry");
}

QString SensorsEmulationManager::interfaceName() const
{
    return serviceName();
}

void SensorsEmulationManager::handleSuccessfulReply(const QStringList &fields)
{
    Q_UNUSED(fields)
}

} // namespace Internal
} // namespace Mimicry
