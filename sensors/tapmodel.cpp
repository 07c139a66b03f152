#include "tapmodel.h"

namespace Mimicry {
namespace Internal {

TapModel::TapModel(QObject *parent)
    : SensorModel(parent)
    , m_tapDirection(Undefined)
{
}

// A tap is an event rather than a state: tapping twice in the same direction
// must be seen twice.
void TapModel::setTapDirection(TapDirection tapDirection)
{
    m_tapDirection = tapDirection;
    emit tapDirectionChanged();
}

void TapModel::resetValues()
{
    setTapDirection(Undefined);
}

QString TapModel::sensorName() const
{
    return QStringLiteral("tap");
}

} // namespace Internal
} // namespace Mimicry
