#include "compassmodel.h"

#include <QtGlobal>

#include <cmath>

namespace Mimicry {
namespace Internal {

namespace {
const int InitialAzimuth = 90;
const int InitialCalibrationLevel = 0;

const double StandardGravity = 9.80665;
const double DegreesPerRadian = 57.29577951308232;
const double HalfPi = 1.5707963267948966;
} // namespace

CompassModel::CompassModel(QObject *parent)
    : SensorModel(parent)
    , m_azimuth(InitialAzimuth)
    , m_calibrationLevel(InitialCalibrationLevel)
{
}

void CompassModel::setAzimuth(int azimuth)
{
    m_azimuth = azimuth;
    emit azimuthChanged();
}

void CompassModel::setCalibrationLevel(int calibrationLevel)
{
    m_calibrationLevel = calibrationLevel;
    emit calibrationLevelChanged();
}

void CompassModel::resetValues()
{
    setAzimuth(InitialAzimuth);
    setCalibrationLevel(InitialCalibrationLevel);
}

QString CompassModel::sensorName() const
{
    return QStringLiteral("compass");
}

int CompassModel::calculateAzimuth(int ax, int ay, int az, double mx, double my, double mz)
{
    const double gx = ax * 0.001 * StandardGravity;
    const double gy = ay * 0.001 * StandardGravity;
    const double gz = az * 0.001 * StandardGravity;

    const double roll = std::atan2(gx, -gz);
    const double sinRoll = std::sin(roll);
    const double cosRoll = std::cos(roll);

    // The denominator is the length of (gx, gz) and only vanishes when both are
    // zero. Spell out what IEEE division would give instead of dividing by zero:
    // ±90° when the device stands on an edge, and no heading at all without
    // any gravity to level against.
    const double levelled = sinRoll * gx - cosRoll * gz;
    double pitch;
    if (levelled == 0.0) {
        if (gy == 0.0)
            return 0;
        pitch = gy > 0.0 ? -HalfPi : HalfPi;
    } else {
        pitch = std::atan(-gy / levelled);
    }

    const double heading = std::atan2(sinRoll * mz - cosRoll * mx,
                                      std::sin(pitch) * (cosRoll * mz + sinRoll * mx)
                                          + std::cos(pitch) * my);

    const double degrees = heading * DegreesPerRadian + 360.0;
    // A NaN or infinite magnetometer value leaves no heading; converting that
    // to int would be undefined.
    if (!std::isfinite(degrees))
        return 0;
    return qRound(degrees) % 360;
}

} // namespace Internal
} // namespace Mimicry
