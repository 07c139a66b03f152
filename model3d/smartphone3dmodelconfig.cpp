#include "smartphone3dmodelconfig.h"

namespace Mimicry {
namespace Internal {

Smartphone3DModelConfig::Smartphone3DModelConfig(QObject *parent)
    : QObject(parent)
{}

void Smartphone3DModelConfig::selectDeviceModel(const QString &deviceModelName)
{
    m_deviceModelName = deviceModelName;
    emit smartphone3DModelConfigChanged();
}

} // namespace Internal
} // namespace Mimicry
