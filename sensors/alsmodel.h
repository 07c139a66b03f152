#pragma once

#include "sensormodel.h"

namespace Mimicry {
namespace Internal {

class AlsModel : public SensorModel
{
    Q_OBJECT
    Q_PROPERTY(int lux READ lux WRITE setLux NOTIFY luxChanged)

public:
    // Named light levels, in lux.
    enum LightLevel {
        Undefined = -1,
        Dark = 0,
        Twilight = 10,
        Light = 80,
        Bright = 400,
        Sunny = 2500
    };
    Q_ENUM(LightLevel)

    explicit AlsModel(QObject *parent = nullptr);

    int lux() const { return m_lux; }
    void setLux(int lux);

    void resetValues() override;
    QString sensorName() const override;

signals:
    void luxChanged();

private:
    int m_lux;
};

} // namespace Internal
} // namespace Mimicry
