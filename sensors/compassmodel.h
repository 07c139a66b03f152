#pragma once

#include "sensormodel.h"

namespace Mimicry {
namespace Internal {

class CompassModel : public SensorModel
{
    Q_OBJECT
    Q_PROPERTY(int azimuth READ azimuth WRITE setAzimuth NOTIFY azimuthChanged)
    Q_PROPERTY(int calibrationLevel READ calibrationLevel WRITE setCalibrationLevel
                   NOTIFY calibrationLevelChanged)

public:
    explicit CompassModel(QObject *parent = nullptr);

    int azimuth() const { return m_azimuth; }
    void setAzimuth(int azimuth);

    int calibrationLevel() const { return m_calibrationLevel; }
    void setCalibrationLevel(int calibrationLevel);

    void resetValues() override;
    QString sensorName() const override;

    // Tilt-compensated heading in whole degrees (0..359) from an accelerometer
    // reading in thousandths of g and a magnetometer reading.
    static int calculateAzimuth(int ax, int ay, int az, double mx, double my, double mz);

signals:
    void azimuthChanged();
    void calibrationLevelChanged();

private:
    int m_azimuth;
    int m_calibrationLevel;
};

} // namespace Internal
} // namespace Mimicry
