#pragma once

#include "positionmodel.h"
#include "trackpoint.h"

#include <link/emulationmanager.h>
#include <plugin/settingsmanager.h>

#include <QVariantList>
#include <QVector>

namespace Mimicry {
namespace Internal {

class TrackPointModel;

// Drives the guest's positioning emulation: a fixed position, or a whole
// track that the guest plays by itself. The GPS page keeps the playback
// clock and moves the index.
class GPSEmulationManager : public EmulationManager
{
    Q_OBJECT
    Q_PROPERTY(Mimicry::Internal::PositionModel *currentPosition READ currentPosition CONSTANT)
    Q_PROPERTY(bool trackLooped READ trackLooped NOTIFY trackLoopedChanged)
    Q_PROPERTY(bool useDefaultInterval READ useDefaultInterval NOTIFY defaultIntervalUsingChanged)
    Q_PROPERTY(int trackSpeed READ trackSpeed NOTIFY trackSpeedChanged)
    Q_PROPERTY(int currentPositionIndex READ currentPositionIndex WRITE setCurrentPositionIndex
                   NOTIFY currentPositionIndexChanged)

public:
    explicit GPSEmulationManager(QObject *parent = nullptr);

    QString busType() const override;
    QString serviceName() const override;
    QString objectPath() const override;
    QString interfaceName() const override;
    void handleSuccessfulReply(const QStringList &fields) override;

    PositionModel *currentPosition() const { return m_currentPosition; }
    bool trackLooped() const { return m_trackLooped; }
    bool useDefaultInterval() const { return m_useDefaultInterval; }
    int trackSpeed() const { return m_trackSpeed; }
    int currentPositionIndex() const { return m_currentPositionIndex; }
    void setCurrentPositionIndex(int index);
    bool trackLoaded() const { return m_trackLoaded; }

    Q_INVOKABLE void setLocalPosition(double latitude, double longitude, double altitude);
    Q_INVOKABLE void setPosition(double latitude, double longitude, double altitude);
    Q_INVOKABLE void setLatitude(double latitude);
    Q_INVOKABLE void setLongitude(double longitude);
    Q_INVOKABLE void setAltitude(double altitude);
    Q_INVOKABLE void loadTrack(const QVariantList &trackPoints);
    // The same call with the argument the model holds ready.
    Q_INVOKABLE void loadTrackPoints(Mimicry::Internal::TrackPointModel *trackPoints);
    Q_INVOKABLE void startTrack();
    Q_INVOKABLE void pauseTrack();
    Q_INVOKABLE void stopTrack();
    Q_INVOKABLE void setTrackLooped(bool looped);
    Q_INVOKABLE void setTrackIntervalMode(bool useDefaultInterval);
    Q_INVOKABLE void setTrackSpeed(int speed);
    Q_INVOKABLE void goToPositionOnTrack(int index);

    // loadTrack's argument; any thread may make it.
    static QString trackArgument(const QVector<TrackPoint> &points);

    // Brings the guest to a known state: track stopped, the playback
    // settings and the stored position sent again.
    void resetEmulatorState();

signals:
    void trackLoopedChanged();
    void defaultIntervalUsingChanged();
    void trackSpeedChanged();
    void currentPositionIndexChanged();

private:
    void sendTrack(const QString &argument);

    PositionModel *m_currentPosition = nullptr;
    SettingsManager m_settingsManager;
    bool m_trackLooped = false;
    bool m_useDefaultInterval = false;
    int m_trackSpeed = 1;
    int m_currentPositionIndex = 0;
    bool m_trackLoaded = false;
};

} // namespace Internal
} // namespace Mimicry
