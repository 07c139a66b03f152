#include "proximitymodel.h"

#include "sensordefaults.h"

namespace Mimicry {
namespace Internal {

ProximityModel::ProximityModel(QObject *parent)
    : SensorModel(parent)
    , m_reflectance(SensorDefaults::proximityReflectance)
{
}

void ProximityModel::setReflectance(int reflectance)
{
    m_reflectance = reflectance;
    emit reflectanceChanged();
}

void ProximityModel::resetValues()
{
    setReflectance(SensorDefaults::proximityReflectance);
}

QString ProximityModel::sensorName() const
{
    return QStringLiteral("proximity");
}

} // namespace Internal
} // namespace Mimicry
