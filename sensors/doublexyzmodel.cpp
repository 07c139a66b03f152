#include "doublexyzmodel.h"

namespace Mimicry {
namespace Internal {

DoubleXYZModel::DoubleXYZModel(QObject *parent, double x, double y, double z)
    : XYZModel<double>(parent, x, y, z)
{
}

// No comparison with the stored value: every write has to reach the listeners,
// which push the reading out again even when it did not change.
void DoubleXYZModel::setX(double x)
{
    m_x = x;
    emit xChanged();
}

void DoubleXYZModel::setY(double y)
{
    m_y = y;
    emit yChanged();
}

void DoubleXYZModel::setZ(double z)
{
    m_z = z;
    emit zChanged();
}

} // namespace Internal
} // namespace Mimicry
