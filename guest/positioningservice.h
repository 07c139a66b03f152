#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <QVector>

namespace Guest {

// The guest's positioning emulation service, on the session bus. It holds a
// fixed position or plays a loaded track by itself: the current point's
// coordinates are the position, the next point follows after its interval
// (or the fixed interval) divided by the speed. At the end it stops, or with
// looping starts over after the fixed interval.
//
// Like SensorService, one object carries the plug-in's interface (public
// slots, ExportAllSlots) and org.mimicry.Inspect (ExportAdaptors), whose
// state() holds latitude, longitude, altitude, index, pointCount, playing,
// looped, speed and fixedInterval.
class PositioningService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tern.GeoclueMimicry")

public:
    explicit PositioningService(const QDBusConnection &connection, QObject *parent = nullptr);
    ~PositioningService() override;

    static QString serviceName();
    static QString objectPath();
    static QString interfaceName();
    static int defaultFixedInterval() { return 2000; }

    bool registerService();
    void unregisterService();
    bool isRegistered() const { return m_registered; }

    // Milliseconds between points in fixed mode and before a looped track
    // starts over. Tests shorten it.
    void setFixedInterval(int milliseconds);
    int fixedInterval() const { return m_fixedInterval; }

    double latitude() const { return m_latitude; }
    double longitude() const { return m_longitude; }
    double altitude() const { return m_altitude; }
    int currentIndex() const { return m_index; }
    int pointCount() const { return m_points.size(); }
    bool isPlaying() const { return m_playing; }
    bool isLooped() const { return m_looped; }
    bool usesFixedInterval() const { return m_fixedMode; }
    int speed() const { return m_speed; }
    QVariantMap state() const;

public slots:
    // Degrees, north and east positive; metres.
    void setPosition(double latitude, double longitude, double altitude);
    void setLatitude(double latitude);
    void setLongitude(double longitude);
    void setAltitude(double altitude);
    // Rows of latitude, longitude, altitude and milliseconds since the
    // previous point. A row of another length refuses the whole track.
    void loadTrack(const QList<QList<double>> &track);
    void startTrack();
    void pauseTrack();
    void stopTrack();
    void setTrackLooped(bool looped);
    void setTrackIntervalMode(bool fixedInterval);
    void setTrackSpeed(int speed);
    void goToPositionOnTrack(int index);

signals:
    // Emitted every time the position is set, also to the same place.
    void positionChanged(double latitude, double longitude, double altitude);
    void playingChanged(bool playing);

private:
    struct Point
    {
        double latitude;
        double longitude;
        double altitude;
        double interval;
    };

    void refuse(const QString &errorName, const QString &text);
    void moveTo(const Point &point);
    void goTo(int index);
    void scheduleNext();
    void advance();
    void setPlaying(bool playing);
    int delayTo(int index) const;

    QDBusConnection m_connection;
    QTimer m_timer;
    QVector<Point> m_points;
    double m_latitude = 0.0;
    double m_longitude = 0.0;
    double m_altitude = 0.0;
    int m_index = 0;
    int m_speed = 1;
    int m_fixedInterval = defaultFixedInterval();
    bool m_playing = false;
    bool m_finished = false;
    bool m_looped = false;
    bool m_fixedMode = false;
    bool m_registered = false;
};

} // namespace Guest
