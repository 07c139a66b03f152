#pragma once

#include "sensormodel.h"

#include <QOrientationReading>

namespace Mimicry {
namespace Internal {

class OrientationModel : public SensorModel
{
    Q_OBJECT
    Q_PROPERTY(QOrientationReading::Orientation orientation READ orientation
                   WRITE setOrientation NOTIFY orientationChanged)

public:
    enum OrientationMode { Portrait = 0, Landscape = 1 };
    Q_ENUM(OrientationMode)

    explicit OrientationModel(QObject *parent = nullptr);

    QOrientationReading::Orientation orientation() const { return m_orientation; }
    void setOrientation(QOrientationReading::Orientation orientation);

    void resetValues() override;
    QString sensorName() const override;

    // Derives the orientation from an accelerometer reading in thousandths of g.
    void updateFromAccelerometer(double x, double y, double z);

signals:
    void orientationChanged();

private:
    QOrientationReading::Orientation m_orientation;
    // Face up or down as last seen with z clearly away from zero; used while the
    // device is near vertical and z alone cannot tell.
    QOrientationReading::Orientation m_lastFaceOrientation;
};

} // namespace Internal
} // namespace Mimicry
