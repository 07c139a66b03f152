#include "alsmodel.h"

#include "sensordefaults.h"

namespace Mimicry {
namespace Internal {

AlsModel::AlsModel(QObject *parent)
    : SensorModel(parent)
    , m_lux(SensorDefaults::alsLux)
{
}

void AlsModel::setLux(int lux)
{
    m_lux = lux;
    emit luxChanged();
}

void AlsModel::resetValues()
{
    setLux(SensorDefaults::alsLux);
}

QString AlsModel::sensorName() const
{
    return QStringLiteral("als");
}

} // namespace Internal
} // namespace Mimicry
