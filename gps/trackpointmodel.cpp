#include "trackpointmodel.h"

#include "gpsemulationmanager.h"

#include <link/wireformat.h>

#include <QLocale>

#include <cmath>

namespace Mimicry {
namespace Internal {

namespace {

using WireFormat::altitudeDecimals;
using WireFormat::coordinateDecimals;

// As the page shows every number: en_US, with group separators, and as many
// decimals as the parser rounds to.
QString shown(double value, int decimals)
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale.toString(value, 'f', decimals);
}

// The time of day that a time from the track's start reaches, "hh:mm:ss.t",
// as the parser writes a point's timeString; a time before the start wraps
// back from midnight.
QString timeOfDay(double time)
{
    const double millisPerDay = 86400000;
    double rest = std::fmod(time, millisPerDay);
    if (rest < 0)
        rest += millisPerDay;
    return TrackPointModel::durationText(rest);
}

} // namespace

QString TrackPointModel::durationText(double millis)
{
    const qint64 minutes = qint64(std::floor(qMax(millis, 0.0) / 60000));
    const int tenths = int(std::floor((qMax(millis, 0.0) - minutes * 60000.0) / 100));
    const QChar zero = QLatin1Char('0');
    return QStringLiteral("%1:%2:%3.%4")
        .arg(minutes / 60, 2, 10, zero)
        .arg(minutes % 60, 2, 10, zero)
        .arg(tenths / 10, 2, 10, zero)
        .arg(tenths % 10);
}

TrackPointModel::TrackPointModel(QObject *parent)
    : QAbstractListModel(parent)
    , m_trackArgument(GPSEmulationManager::trackArgument({}))
{}

int TrackPointModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_points.size();
}

QVariant TrackPointModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_points.size())
        return QVariant();
    const TrackPoint &point = m_points.at(index.row());
    switch (role) {
    case IndexRole:
        return index.row();
    case TimeStringRole:
        return timeOfDay(point.time);
    case LatitudeStringRole:
        return shown(point.latitude, coordinateDecimals);
    case LongitudeStringRole:
        return shown(point.longitude, coordinateDecimals);
    case AltitudeStringRole:
        return shown(point.altitude, altitudeDecimals);
    case LatitudeRole:
        return point.latitude;
    case LongitudeRole:
        return point.longitude;
    case AltitudeRole:
        return point.altitude;
    case TimeRole:
        return point.time;
    case IntervalRole:
        return point.interval;
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> TrackPointModel::roleNames() const
{
    return {{IndexRole, "index"},
            {TimeStringRole, "timeString"},
            {LatitudeStringRole, "latitudeString"},
            {LongitudeStringRole, "longitudeString"},
            {AltitudeStringRole, "altitudeString"},
            {LatitudeRole, "latitude"},
            {LongitudeRole, "longitude"},
            {AltitudeRole, "altitude"},
            {TimeRole, "time"},
            {IntervalRole, "interval"}};
}

void TrackPointModel::setTrack(QVector<TrackPoint> points, QString trackArgument)
{
    const int oldCount = m_points.size();
    beginResetModel();
    m_points.swap(points);
    m_trackArgument.swap(trackArgument);
    m_elapsed.resize(m_points.size());
    double elapsed = 0;
    for (int i = 0; i < m_points.size(); ++i) {
        // The first point is where playback starts, whatever its interval.
        if (i > 0)
            elapsed += m_points.at(i).interval;
        m_elapsed[i] = elapsed;
    }
    endResetModel();
    if (m_points.size() != oldCount)
        emit countChanged();
    emit totalTimeChanged();
}

QVariantMap TrackPointModel::get(int row) const
{
    QVariantMap values;
    if (row < 0 || row >= m_points.size())
        return values;
    const QModelIndex at = index(row);
    const QHash<int, QByteArray> roles = roleNames();
    for (auto role = roles.cbegin(); role != roles.cend(); ++role)
        values.insert(QString::fromLatin1(role.value()), data(at, role.key()));
    return values;
}

void TrackPointModel::clear()
{
    setTrack({}, GPSEmulationManager::trackArgument({}));
}

} // namespace Internal
} // namespace Mimicry
