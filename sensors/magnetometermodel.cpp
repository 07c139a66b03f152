#include "magnetometermodel.h"

#include "sensordefaults.h"

namespace Mimicry {
namespace Internal {

MagnetometerModel::MagnetometerModel(QObject *parent)
    : DoubleXYZModel(parent, SensorDefaults::magnetometerX, SensorDefaults::magnetometerY,
                     SensorDefaults::magnetometerZ)
    , m_calibrationLevel(SensorDefaults::calibrationLevel)
{
}

void MagnetometerModel::setCalibrationLevel(int calibrationLevel)
{
    m_calibrationLevel = calibrationLevel;
    emit calibrationLevelChanged();
}

void MagnetometerModel::resetValues()
{
    setX(SensorDefaults::magnetometerX);
    setY(SensorDefaults::magnetometerY);
    setZ(SensorDefaults::magnetometerZ);
    setCalibrationLevel(SensorDefaults::calibrationLevel);
}

QString MagnetometerModel::sensorName() const
{
    return QStringLiteral("magnetometer");
}

} // namespace Internal
} // namespace Mimicry
