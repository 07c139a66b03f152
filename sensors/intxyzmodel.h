#pragma once

#include "xyzmodel.h"

namespace Mimicry {
namespace Internal {

class IntXYZModel : public XYZModel<int>
{
    Q_OBJECT
    Q_PROPERTY(int x READ x WRITE setX NOTIFY xChanged)
    Q_PROPERTY(int y READ y WRITE setY NOTIFY yChanged)
    Q_PROPERTY(int z READ z WRITE setZ NOTIFY zChanged)

public:
    IntXYZModel(QObject *parent, int x, int y, int z);

    void setX(int x) override;
    void setY(int y) override;
    void setZ(int z) override;

signals:
    void xChanged();
    void yChanged();
    void zChanged();
};

} // namespace Internal
} // namespace Mimicry
