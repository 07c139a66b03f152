#include "orientationmodel.h"

#include <QtGlobal>

#include <cmath>

namespace Mimicry {
namespace Internal {

namespace {
const QOrientationReading::Orientation InitialOrientation = QOrientationReading::FaceUp;

const double DegreesPerRadian = 57.29577951308232;

// Tilt beyond which the device counts as standing on an edge, in whole degrees.
const int SideTiltLimit = 25;
const int TopTiltLimit = 20;
// Below this |z| (thousandths of g) the device is too upright to tell face up
// from face down.
const double FaceThreshold = 300.0;

// Angle of one axis above the plane of the other two, rounded to whole
// degrees. Done by hand for a zero root so that no 0/0 is ever computed.
int tiltDegrees(double along, double acrossRoot)
{
    if (acrossRoot == 0.0) {
        if (along > 0.0)
            return 90;
        if (along < 0.0)
            return -90;
        return 0;
    }
    const double degrees = std::atan(along / acrossRoot) * DegreesPerRadian;
    return std::isnan(degrees) ? 0 : qRound(degrees);
}
} // namespace

OrientationModel::OrientationModel(QObject *parent)
    : SensorModel(parent)
    , m_orientation(InitialOrientation)
    , m_lastFaceOrientation(InitialOrientation)
{
}

void OrientationModel::setOrientation(QOrientationReading::Orientation orientation)
{
    m_orientation = orientation;
    emit orientationChanged();
}

void OrientationModel::resetValues()
{
    m_lastFaceOrientation = InitialOrientation;
    setOrientation(InitialOrientation);
}

QString OrientationModel::sensorName() const
{
    return QStringLiteral("orientation");
}

void OrientationModel::updateFromAccelerometer(double x, double y, double z)
{
    QOrientationReading::Orientation edge = QOrientationReading::Undefined;

    const int sideTilt = tiltDegrees(x, std::sqrt(y * y + z * z));
    if (qAbs(sideTilt) > SideTiltLimit) {
        edge = sideTilt > 0 ? QOrientationReading::RightUp : QOrientationReading::LeftUp;
    } else {
        const int topTilt = tiltDegrees(y, std::sqrt(x * x + z * z));
        if (qAbs(topTilt) > TopTiltLimit)
            edge = topTilt > 0 ? QOrientationReading::TopUp : QOrientationReading::TopDown;
    }

    // Only a device lying flat enough is remembered as face down; once it has
    // been on an edge it is taken as face up again.
    if (std::abs(z) >= FaceThreshold) {
        m_lastFaceOrientation = z <= 0.0 && edge == QOrientationReading::Undefined
                                    ? QOrientationReading::FaceDown
                                    : QOrientationReading::FaceUp;
    }

    setOrientation(edge != QOrientationReading::Undefined ? edge : m_lastFaceOrientation);
}

} // namespace Internal
} // namespace Mimicry
