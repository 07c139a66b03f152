#pragma once

#include "doublexyzmodel.h"

namespace Mimicry {
namespace Internal {

class MagneticFieldModel : public DoubleXYZModel
{
    Q_OBJECT

public:
    explicit MagneticFieldModel(QObject *parent = nullptr);

    void resetValues() override;
    QString sensorName() const override;
};

} // namespace Internal
} // namespace Mimicry
