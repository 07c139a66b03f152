#include "gyroscopemodel.h"

namespace Mimicry {
namespace Internal {

namespace {
// 0.02 rad/s about z, in degrees per second.
const double InitialX = 0.0;
const double InitialY = 0.0;
const double InitialZ = 1.1459155902616465;
} // namespace

GyroscopeModel::GyroscopeModel(QObject *parent)
    : DoubleXYZModel(parent, InitialX, InitialY, InitialZ)
{
}

void GyroscopeModel::resetValues()
{
    setX(InitialX);
    setY(InitialY);
    setZ(InitialZ);
}

QString GyroscopeModel::sensorName() const
{
    return QStringLiteral("gyroscope");
}

} // namespace Internal
} // namespace Mimicry
