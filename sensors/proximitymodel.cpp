#include "proximitymodel.h"

namespace Mimicry {
namespace Internal {

namespace {
const int InitialReflectance = 5;
} // namespace

ProximityModel::ProximityModel(QObject *parent)
    : SensorModel(parent)
    , m_reflectance(InitialReflectance)
{
}

void ProximityModel::setReflectance(int reflectance)
{
    m_reflectance = reflectance;
    emit reflectanceChanged();
}

void ProximityModel::resetValues()
{
    setReflectance(InitialReflectance);
}

QString ProximityModel::sensorName() const
{
    return QStringLiteral("proximity");
}

} // namespace Internal
} // namespace Mimicry
