#include "intxyzmodel.h"

namespace Mimicry {
namespace Internal {

IntXYZModel::IntXYZModel(QObject *parent, int x, int y, int z)
    : XYZModel<int>(parent, x, y, z)
{
}

// No comparison with the stored value: every write has to reach the listeners,
// which push the reading out again even when it did not change.
void IntXYZModel::setX(int x)
{
    m_x = x;
    emit xChanged();
}

void IntXYZModel::setY(int y)
{
    m_y = y;
    emit yChanged();
}

void IntXYZModel::setZ(int z)
{
    m_z = z;
    emit zChanged();
}

} // namespace Internal
} // namespace Mimicry
