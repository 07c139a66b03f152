#pragma once

#include "xyzmodel.h"

namespace Mimicry {
namespace Internal {

class DoubleXYZModel : public XYZModel<double>
{
    Q_OBJECT
    Q_PROPERTY(double x READ x WRITE setX NOTIFY xChanged)
    Q_PROPERTY(double y READ y WRITE setY NOTIFY yChanged)
    Q_PROPERTY(double z READ z WRITE setZ NOTIFY zChanged)

public:
    DoubleXYZModel(QObject *parent, double x, double y, double z);

    void setX(double x) override;
    void setY(double y) override;
    void setZ(double z) override;

signals:
    void xChanged();
    void yChanged();
    void zChanged();
};

} // namespace Internal
} // namespace Mimicry
