#pragma once

#include "sensormodel.h"

namespace Mimicry {
namespace Internal {

class TapModel : public SensorModel
{
    Q_OBJECT
    Q_PROPERTY(TapDirection tapDirection READ tapDirection WRITE setTapDirection
                   NOTIFY tapDirectionChanged)

public:
    // Undefined until the first tap.
    enum TapDirection {
        Undefined = -1,
        X_Both = 0,
        Y_Both = 1,
        Z_Both = 2,
        X_Pos = 3,
        X_Neg = 4,
        Z_Neg = 5,
        Z_Pos = 6,
        Y_Pos = 7,
        Y_Neg = 8
    };
    Q_ENUM(TapDirection)

    explicit TapModel(QObject *parent = nullptr);

    TapDirection tapDirection() const { return m_tapDirection; }
    void setTapDirection(TapDirection tapDirection);

    void resetValues() override;
    QString sensorName() const override;

signals:
    void tapDirectionChanged();

private:
    TapDirection m_tapDirection;
};

} // namespace Internal
} // namespace Mimicry
