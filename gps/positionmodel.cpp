#include "positionmodel.h"

namespace Mimicry {
namespace Internal {

PositionModel::PositionModel(QObject *parent)
    : QObject(parent)
{}

void PositionModel::setLatitude(double latitude)
{
    m_latitude = latitude;
    emit latitudeChanged();
}

void PositionModel::setLongitude(double longitude)
{
    m_longitude = longitude;
    emit longitudeChanged();
}

void PositionModel::setAltitude(double altitude)
{
    m_altitude = altitude;
    emit altitudeChanged();
}

void PositionModel::setValues(double latitude, double longitude, double altitude)
{
    setLatitude(latitude);
    setLongitude(longitude);
    setAltitude(altitude);
}

} // namespace Internal
} // namespace Mimicry
