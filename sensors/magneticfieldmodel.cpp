#include "magneticfieldmodel.h"

namespace Mimicry {
namespace Internal {

namespace {
// A typical Earth field, in microtesla.
const double InitialX = 0.0;
const double InitialY = 5.95;
const double InitialZ = -48.76;
} // namespace

MagneticFieldModel::MagneticFieldModel(QObject *parent)
    : DoubleXYZModel(parent, InitialX, InitialY, InitialZ)
{
}

void MagneticFieldModel::resetValues()
{
    setX(InitialX);
    setY(InitialY);
    setZ(InitialZ);
}

QString MagneticFieldModel::sensorName() const
{
    return QStringLiteral("magneticField");
}

} // namespace Internal
} // namespace Mimicry
