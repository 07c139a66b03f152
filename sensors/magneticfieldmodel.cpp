#include "magneticfieldmodel.h"

#include "sensordefaults.h"

namespace Mimicry {
namespace Internal {

MagneticFieldModel::MagneticFieldModel(QObject *parent)
    : DoubleXYZModel(parent, SensorDefaults::magneticFieldX, SensorDefaults::magneticFieldY,
                     SensorDefaults::magneticFieldZ)
{
}

void MagneticFieldModel::resetValues()
{
    setX(SensorDefaults::magneticFieldX);
    setY(SensorDefaults::magneticFieldY);
    setZ(SensorDefaults::magneticFieldZ);
}

QString MagneticFieldModel::sensorName() const
{
    return QStringLiteral("magneticField");
}

} // namespace Internal
} // namespace Mimicry
