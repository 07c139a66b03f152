#pragma once

#include "sensormodel.h"

namespace Mimicry {
namespace Internal {

class ProximityModel : public SensorModel
{
    Q_OBJECT
    Q_PROPERTY(int reflectance READ reflectance WRITE setReflectance NOTIFY reflectanceChanged)

public:
    explicit ProximityModel(QObject *parent = nullptr);

    int reflectance() const { return m_reflectance; }
    void setReflectance(int reflectance);

    void resetValues() override;
    QString sensorName() const override;

signals:
    void reflectanceChanged();

private:
    int m_reflectance;
};

} // namespace Internal
} // namespace Mimicry
