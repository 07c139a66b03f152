#include "positioningservice.h"

#include "inspectadaptor.h"

#include <QDBusMetaType>
#include <QLoggingCategory>

#include <algorithm>
#include <climits>
#include <cmath>

namespace Guest {

namespace {

Q_LOGGING_CATEGORY(lcPositioning, "mimicry.guest.positioning")

const int TrackColumns = 4;

const char InvalidArgumentError[] = "org.tern.GeoclueMimicry.Error.InvalidArgument";
const char NoTrackError[] = "org.tern.GeoclueMimicry.Error.NoTrack";

QString withoutColons(QString text)
{
    return text.replace(QLatin1Char(':'), QLatin1Char(';'));
}

int clampedDelay(double milliseconds)
{
    return int(std::clamp(std::round(milliseconds), 1.0, double(INT_MAX)));
}

} // namespace

PositioningService::PositioningService(const QDBusConnection &connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    qDBusRegisterMetaType<QList<double>>();
    qDBusRegisterMetaType<QList<QList<double>>>();
    new InspectAdaptor(this, [this] { return state(); });
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PositioningService::advance);
}

PositioningService::~PositioningService()
{
    unregisterService();
}

QString PositioningService::serviceName()
{
    return QStringLiteral("org.tern.GeoclueMimicry");
}

QString PositioningService::objectPath()
{
    return QStringLiteral("/org/tern/GeoclueMimicry");
}

QString PositioningService::interfaceName()
{
    return QStringLiteral("org.tern.GeoclueMimicry");
}

bool PositioningService::registerService()
{
    if (m_registered)
        return true;
    if (!m_connection.registerObject(objectPath(), this,
                                     QDBusConnection::ExportAllSlots
                                         | QDBusConnection::ExportAdaptors)) {
        qCWarning(lcPositioning) << "cannot export" << objectPath() << m_connection.lastError().message();
        return false;
    }
    if (!m_connection.registerService(serviceName())) {
        qCWarning(lcPositioning) << "cannot own" << serviceName() << m_connection.lastError().message();
        m_connection.unregisterObject(objectPath());
        return false;
    }
    m_registered = true;
    return true;
}

void PositioningService::unregisterService()
{
    if (!m_registered)
        return;
    m_connection.unregisterService(serviceName());
    m_connection.unregisterObject(objectPath());
    m_registered = false;
}

void PositioningService::setFixedInterval(int milliseconds)
{
    m_fixedInterval = std::max(1, milliseconds);
}

QVariantMap PositioningService::state() const
{
    return {
        {QStringLiteral("latitude"), m_latitude},
        {QStringLiteral("longitude"), m_longitude},
        {QStringLiteral("altitude"), m_altitude},
        {QStringLiteral("index"), m_index},
        {QStringLiteral("pointCount"), pointCount()},
        {QStringLiteral("playing"), m_playing},
        {QStringLiteral("looped"), m_looped},
        {QStringLiteral("speed"), m_speed},
        {QStringLiteral("fixedInterval"), m_fixedMode},
    };
}

void PositioningService::setPosition(double latitude, double longitude, double altitude)
{
    moveTo({latitude, longitude, altitude, 0});
}

void PositioningService::setLatitude(double latitude)
{
    moveTo({latitude, m_longitude, m_altitude, 0});
}

void PositioningService::setLongitude(double longitude)
{
    moveTo({m_latitude, longitude, m_altitude, 0});
}

void PositioningService::setAltitude(double altitude)
{
    moveTo({m_latitude, m_longitude, altitude, 0});
}

void PositioningService::loadTrack(const QList<QList<double>> &track)
{
    QVector<Point> points;
    points.reserve(track.size());
    for (int i = 0; i < track.size(); ++i) {
        const QList<double> &row = track.at(i);
        if (row.size() != TrackColumns) {
            refuse(QLatin1String(InvalidArgumentError),
                   QStringLiteral("track point %1 has %2 values instead of latitude, longitude, "
                                  "altitude and interval").arg(i).arg(row.size()));
            return;
        }
        // The interval becomes a timer's delay.
        if (std::isnan(row.at(3))) {
            refuse(QLatin1String(InvalidArgumentError),
                   QStringLiteral("track point %1 has no interval").arg(i));
            return;
        }
        points.append({row.at(0), row.at(1), row.at(2), row.at(3)});
    }

    m_timer.stop();
    m_points = points;
    m_index = 0;
    m_finished = false;
    setPlaying(false);
}

void PositioningService::startTrack()
{
    if (m_points.isEmpty()) {
        refuse(QLatin1String(NoTrackError), QStringLiteral("no track is loaded"));
        return;
    }
    if (m_playing)
        return;
    // A track that ran to its end plays again from the start.
    if (m_finished)
        m_index = 0;
    m_finished = false;
    setPlaying(true);
    goTo(m_index);
    scheduleNext();
}

void PositioningService::pauseTrack()
{
    m_timer.stop();
    setPlaying(false);
}

void PositioningService::stopTrack()
{
    m_timer.stop();
    m_index = 0;
    m_finished = false;
    setPlaying(false);
}

void PositioningService::setTrackLooped(bool looped)
{
    m_looped = looped;
}

void PositioningService::setTrackIntervalMode(bool fixedInterval)
{
    m_fixedMode = fixedInterval;
}

void PositioningService::setTrackSpeed(int speed)
{
    if (speed < 1) {
        refuse(QLatin1String(InvalidArgumentError),
               QStringLiteral("speed %1 is below 1").arg(speed));
        return;
    }
    // The wait under way shrinks or grows with the new speed.
    if (m_timer.isActive())
        m_timer.start(clampedDelay(double(m_timer.remainingTime()) * m_speed / speed));
    m_speed = speed;
}

void PositioningService::goToPositionOnTrack(int index)
{
    if (index < 0 || index >= m_points.size()) {
        refuse(QLatin1String(InvalidArgumentError),
               QStringLiteral("index %1 is outside the track of %2 points").arg(index).arg(m_points.size()));
        return;
    }
    m_finished = false;
    goTo(index);
    if (m_playing)
        scheduleNext();
}

void PositioningService::refuse(const QString &errorName, const QString &text)
{
    if (calledFromDBus())
        sendErrorReply(errorName, withoutColons(text));
    else
        qCWarning(lcPositioning).noquote() << text;
}

void PositioningService::moveTo(const Point &point)
{
    m_latitude = point.latitude;
    m_longitude = point.longitude;
    m_altitude = point.altitude;
    emit positionChanged(m_latitude, m_longitude, m_altitude);
}

void PositioningService::goTo(int index)
{
    m_index = index;
    moveTo(m_points.at(index));
}

void PositioningService::scheduleNext()
{
    if (m_index + 1 < m_points.size()) {
        m_timer.start(delayTo(m_index + 1));
    } else if (m_looped) {
        m_timer.start(m_fixedInterval);
    } else {
        m_timer.stop();
        m_finished = true;
        setPlaying(false);
    }
}

void PositioningService::advance()
{
    if (m_index + 1 < m_points.size()) {
        goTo(m_index + 1);
    } else if (m_looped) {
        goTo(0);
    } else {
        // Looping was switched off while waiting to start over.
        m_finished = true;
        setPlaying(false);
        return;
    }
    scheduleNext();
}

void PositioningService::setPlaying(bool playing)
{
    if (m_playing == playing)
        return;
    m_playing = playing;
    emit playingChanged(playing);
}

int PositioningService::delayTo(int index) const
{
    const double interval = m_fixedMode ? m_fixedInterval : m_points.at(index).interval;
    return clampedDelay(interval / m_speed);
}

} // namespace Guest
