#pragma once

#include "doublexyzmodel.h"

namespace Mimicry {
namespace Internal {

class GyroscopeModel : public DoubleXYZModel
{
    Q_OBJECT

public:
    explicit GyroscopeModel(QObject *parent = nullptr);

    void resetValues() override;
    QString sensorName() const override;
};

} // namespace Internal
} // namespace Mimicry
