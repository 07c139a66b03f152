#include "gyroscopemodel.h"

#include "sensordefaults.h"

namespace Mimicry {
namespace Internal {

GyroscopeModel::GyroscopeModel(QObject *parent)
    : DoubleXYZModel(parent, SensorDefaults::gyroscopeX, SensorDefaults::gyroscopeY,
                     SensorDefaults::gyroscopeZ)
{
}

void GyroscopeModel::resetValues()
{
    setX(SensorDefaults::gyroscopeX);
    setY(SensorDefaults::gyroscopeY);
    setZ(SensorDefaults::gyroscopeZ);
}

QString GyroscopeModel::sensorName() const
{
    return QStringLiteral("gyroscope");
}

} // namespace Internal
} // namespace Mimicry
