#include "magnetometermodel.h"

namespace Mimicry {
namespace Internal {

namespace {
// Tesla; with the accelerometer at rest this makes a heading of 90 degrees.
const double InitialX = 4.3e-5;
const double InitialY = 0.0;
const double InitialZ = 0.0;
const int InitialCalibrationLevel = 0;
} // namespace

MagnetometerModel::MagnetometerModel(QObject *parent)
    : DoubleXYZModel(parent, InitialX, InitialY, InitialZ)
    , m_calibrationLevel(InitialCalibrationLevel)
{
}

void MagnetometerModel::setCalibrationLevel(int calibrationLevel)
{
    m_calibrationLevel = calibrationLevel;
    emit calibrationLevelChanged();
}

void MagnetometerModel::resetValues()
{
    setX(InitialX);
    setY(InitialY);
    setZ(InitialZ);
    setCalibrationLevel(InitialCalibrationLevel);
}

QString MagnetometerModel::sensorName() const
{
    return QStringLiteral("magnetometer");
}

} // namespace Internal
} // namespace Mimicry
