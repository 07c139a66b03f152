#include "gpsemulationmanager.h"

#include "trackpointmodel.h"

#include <link/wireformat.h>

#include <QVariantMap>

namespace Mimicry {
namespace Internal {

using namespace WireFormat;

GPSEmulationManager::GPSEmulationManager(QObject *parent)
    : EmulationManager(parent)
    , m_currentPosition(new PositionModel(this))
{
    connect(this, &EmulationManager::emulatorConnected, this, &GPSEmulationManager::resetEmulatorState);
}

QString GPSEmulationManager::busType() const
{
    return QStringLiteral("session");
}

QString GPSEmulationManager::serviceName() const
{
    return QStringLiteral("org.tern.GeoclueMimicry");
}

QString GPSEmulationManager::objectPath() const
{
    return QStringLiteral("/org/tern/GeoclueMimicry");
}

QString GPSEmulationManager::interfaceName() const
{
    return serviceName();
}

void GPSEmulationManager::handleSuccessfulReply(const QStringList &fields)
{
    Q_UNUSED(fields)
}

void GPSEmulationManager::setCurrentPositionIndex(int index)
{
    m_currentPositionIndex = index;
    emit currentPositionIndexChanged();
}

void GPSEmulationManager::setLocalPosition(double latitude, double longitude, double altitude)
{
    m_currentPosition->setValues(latitude, longitude, altitude);
    m_settingsManager.saveGpsPosition(latitude, longitude, altitude);
}

void GPSEmulationManager::setPosition(double latitude, double longitude, double altitude)
{
    callMethod(QStringLiteral("setPosition"),
               QStringList{fixedDouble(latitude, coordinateDecimals), fixedDouble(longitude, coordinateDecimals),
                           fixedDouble(altitude, altitudeDecimals)}
                   .join(QLatin1Char(' ')));
    setLocalPosition(latitude, longitude, altitude);
}

void GPSEmulationManager::setLatitude(double latitude)
{
    callMethod(QStringLiteral("setLatitude"), fixedDouble(latitude, coordinateDecimals));
    m_currentPosition->setLatitude(latitude);
    m_settingsManager.saveGpsLatitude(m_currentPosition->latitude());
}

void GPSEmulationManager::setLongitude(double longitude)
{
    callMethod(QStringLiteral("setLongitude"), fixedDouble(longitude, coordinateDecimals));
    m_currentPosition->setLongitude(longitude);
    m_settingsManager.saveGpsLongitude(m_currentPosition->longitude());
}

void GPSEmulationManager::setAltitude(double altitude)
{
    callMethod(QStringLiteral("setAltitude"), fixedDouble(altitude, altitudeDecimals));
    m_currentPosition->setAltitude(altitude);
    m_settingsManager.saveGpsAltitude(m_currentPosition->altitude());
}

void GPSEmulationManager::loadTrack(const QVariantList &trackPoints)
{
    QVector<TrackPoint> points;
    points.reserve(trackPoints.size());
    for (const QVariant &point : trackPoints) {
        const QVariantMap values = point.toMap();
        TrackPoint trackPoint;
        trackPoint.latitude = values.value(QStringLiteral("latitude")).toDouble();
        trackPoint.longitude = values.value(QStringLiteral("longitude")).toDouble();
        trackPoint.altitude = values.value(QStringLiteral("altitude")).toDouble();
        trackPoint.interval = values.value(QStringLiteral("interval")).toDouble();
        points.append(trackPoint);
    }
    sendTrack(trackArgument(points));
}

void GPSEmulationManager::loadTrackPoints(TrackPointModel *trackPoints)
{
    sendTrack(trackPoints ? trackPoints->trackArgument() : trackArgument({}));
}

QString GPSEmulationManager::trackArgument(const QVector<TrackPoint> &points)
{
    QString table = doubleTable(points.size());
    for (const TrackPoint &point : points) {
        appendTableRow(table, {{point.latitude, coordinateDecimals}, {point.longitude, coordinateDecimals},
                               {point.altitude, altitudeDecimals}, {point.interval, generalDecimals}});
    }
    return table;
}

void GPSEmulationManager::sendTrack(const QString &argument)
{
    callMethod(QStringLiteral("loadTrack"), argument);
    m_currentPositionIndex = 0;
    m_trackLoaded = true;
}

void GPSEmulationManager::startTrack()
{
    callMethod(QStringLiteral("startTrack"), QString());
}

void GPSEmulationManager::pauseTrack()
{
    callMethod(QStringLiteral("pauseTrack"), QString());
}

void GPSEmulationManager::stopTrack()
{
    callMethod(QStringLiteral("stopTrack"), QString());
    setCurrentPositionIndex(0);
}

void GPSEmulationManager::setTrackLooped(bool looped)
{
    callMethod(QStringLiteral("setTrackLooped"), boolean(looped));
    m_trackLooped = looped;
    emit trackLoopedChanged();
}

void GPSEmulationManager::setTrackIntervalMode(bool useDefaultInterval)
{
    callMethod(QStringLiteral("setTrackIntervalMode"), boolean(useDefaultInterval));
    m_useDefaultInterval = useDefaultInterval;
    emit defaultIntervalUsingChanged();
}

void GPSEmulationManager::setTrackSpeed(int speed)
{
    callMethod(QStringLiteral("setTrackSpeed"), token(speed));
    m_trackSpeed = speed;
    emit trackSpeedChanged();
}

void GPSEmulationManager::goToPositionOnTrack(int index)
{
    callMethod(QStringLiteral("goToPositionOnTrack"), token(index));
    setCurrentPositionIndex(index);
}

void GPSEmulationManager::resetEmulatorState()
{
    stopTrack();
    m_trackLoaded = false;
    setTrackLooped(m_trackLooped);
    setTrackIntervalMode(m_useDefaultInterval);
    setTrackSpeed(m_trackSpeed);
    const double altitude = m_settingsManager.readGpsAltitude();
    const double longitude = m_settingsManager.readGpsLongitude();
    const double latitude = m_settingsManager.readGpsLatitude();
    setPosition(latitude, longitude, altitude);
}

} // namespace Internal
} // namespace Mimicry
