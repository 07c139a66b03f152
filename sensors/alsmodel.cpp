#include "alsmodel.h"

namespace Mimicry {
namespace Internal {

namespace {
const int InitialLux = 100;
} // namespace

AlsModel::AlsModel(QObject *parent)
    : SensorModel(parent)
    , m_lux(InitialLux)
{
}

void AlsModel::setLux(int lux)
{
    m_lux = lux;
    emit luxChanged();
}

void AlsModel::resetValues()
{
    setLux(InitialLux);
}

QString AlsModel::sensorName() const
{
    return QStringLiteral("als");
}

} // namespace Internal
} // namespace Mimicry
