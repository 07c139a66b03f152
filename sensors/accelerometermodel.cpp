#include "accelerometermodel.h"

#include "sensordefaults.h"

namespace Mimicry {
namespace Internal {

AccelerometerModel::AccelerometerModel(QObject *parent)
    : IntXYZModel(parent, SensorDefaults::accelerometerX, SensorDefaults::accelerometerY,
                  SensorDefaults::accelerometerZ)
{
}

void AccelerometerModel::resetValues()
{
    setX(SensorDefaults::accelerometerX);
    setY(SensorDefaults::accelerometerY);
    setZ(SensorDefaults::accelerometerZ);
}

QString AccelerometerModel::sensorName() const
{
    return QStringLiteral("accelerometer");
}

} // namespace Internal
} // namespace Mimicry
