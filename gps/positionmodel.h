#pragma once

#include <QObject>

namespace Mimicry {
namespace Internal {

// A position in decimal degrees (north and east positive) and metres.
class PositionModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double latitude READ latitude WRITE setLatitude NOTIFY latitudeChanged)
    Q_PROPERTY(double longitude READ longitude WRITE setLongitude NOTIFY longitudeChanged)
    Q_PROPERTY(double altitude READ altitude WRITE setAltitude NOTIFY altitudeChanged)

public:
    explicit PositionModel(QObject *parent = nullptr);

    double latitude() const { return m_latitude; }
    void setLatitude(double latitude);
    double longitude() const { return m_longitude; }
    void setLongitude(double longitude);
    double altitude() const { return m_altitude; }
    void setAltitude(double altitude);

    Q_INVOKABLE void setValues(double latitude, double longitude, double altitude);

signals:
    void latitudeChanged();
    void longitudeChanged();
    void altitudeChanged();

private:
    double m_latitude = 0;
    double m_longitude = 0;
    double m_altitude = 0;
};

} // namespace Internal
} // namespace Mimicry

Q_DECLARE_METATYPE(Mimicry::Internal::PositionModel *)
