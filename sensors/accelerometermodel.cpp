#include "accelerometermodel.h"

namespace Mimicry {
namespace Internal {

namespace {
// Thousandths of g; at rest the device lies face up, so gravity shows on z.
const int InitialX = 0;
const int InitialY = 0;
const int InitialZ = 1000;
} // namespace

AccelerometerModel::AccelerometerModel(QObject *parent)
    : IntXYZModel(parent, InitialX, InitialY, InitialZ)
{
}

void AccelerometerModel::resetValues()
{
    setX(InitialX);
    setY(InitialY);
    setZ(InitialZ);
}

QString AccelerometerModel::sensorName() const
{
    return QStringLiteral("accelerometer");
}

} // namespace Internal
} // namespace Mimicry
