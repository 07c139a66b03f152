#pragma once

#include "intxyzmodel.h"

namespace Mimicry {
namespace Internal {

class AccelerometerModel : public IntXYZModel
{
    Q_OBJECT

public:
    explicit AccelerometerModel(QObject *parent = nullptr);

    void resetValues() override;
    QString sensorName() const override;
};

} // namespace Internal
} // namespace Mimicry
