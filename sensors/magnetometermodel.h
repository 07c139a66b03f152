#pragma once

#include "doublexyzmodel.h"

namespace Mimicry {
namespace Internal {

class MagnetometerModel : public DoubleXYZModel
{
    Q_OBJECT
    Q_PROPERTY(int calibrationLevel READ calibrationLevel WRITE setCalibrationLevel
                   NOTIFY calibrationLevelChanged)

public:
    explicit MagnetometerModel(QObject *parent = nullptr);

    int calibrationLevel() const { return m_calibrationLevel; }
    void setCalibrationLevel(int calibrationLevel);

    void resetValues() override;
    QString sensorName() const override;

signals:
    void calibrationLevelChanged();

private:
    int m_calibrationLevel;
};

} // namespace Internal
} // namespace Mimicry
