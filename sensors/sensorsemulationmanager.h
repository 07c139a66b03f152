#pragma once

#include "accelerometermodel.h"
#include "alsmodel.h"
#include "compassmodel.h"
#include "gyroscopemodel.h"
#include "magneticfieldmodel.h"
#include "magnetometermodel.h"
#include "orientationmodel.h"
#include "proximitymodel.h"
#include "tapmodel.h"

#include <link/emulationmanager.h>
#include <plugin/settingsmanager.h>

#include <QHash>
#include <QVariantMap>

namespace Mimicry {
namespace Internal {

// Drives the guest's sensor emulation service on the system bus. Every value
// sent is mirrored in the models the pages show and written to the settings
// store, so that each (re)connection brings the guest back to the last values.
// The compass and the orientation are derived here from the accelerometer and
// the magnetometer; the guest has no input of its own for them.
class SensorsEmulationManager : public EmulationManager
{
    Q_OBJECT
    Q_PROPERTY(Mimicry::Internal::AccelerometerModel *accelerometer READ accelerometer CONSTANT)
    Q_PROPERTY(Mimicry::Internal::MagnetometerModel *magnetometer READ magnetometer CONSTANT)
    Q_PROPERTY(Mimicry::Internal::MagneticFieldModel *magneticField READ magneticField CONSTANT)
    Q_PROPERTY(Mimicry::Internal::CompassModel *compass READ compass CONSTANT)
    Q_PROPERTY(Mimicry::Internal::OrientationModel *orientation READ orientation CONSTANT)
    Q_PROPERTY(Mimicry::Internal::GyroscopeModel *gyroscope READ gyroscope CONSTANT)
    Q_PROPERTY(Mimicry::Internal::AlsModel *als READ als CONSTANT)
    Q_PROPERTY(Mimicry::Internal::ProximityModel *proximity READ proximity CONSTANT)
    Q_PROPERTY(Mimicry::Internal::TapModel *tap READ tap CONSTANT)
    Q_PROPERTY(QVariantMap sensorsEnabledStates READ sensorsEnabledStates NOTIFY sensorsEnabledStatesChanged)
    Q_PROPERTY(QVariantMap sensorsAvailability READ sensorsAvailability NOTIFY sensorsAvailabilityChanged)

public:
    explicit SensorsEmulationManager(QObject *parent = nullptr);
    ~SensorsEmulationManager() override;

    QString busType() const override;
    QString serviceName() const override;
    QString objectPath() const override;
    QString interfaceName() const override;
    void handleSuccessfulReply(const QStringList &fields) override;
    void handleFailedReply(const QStringList &fields) override;

    AccelerometerModel *accelerometer() const { return m_accelerometer; }
    MagnetometerModel *magnetometer() const { return m_magnetometer; }
    MagneticFieldModel *magneticField() const { return m_magneticField; }
    CompassModel *compass() const { return m_compass; }
    OrientationModel *orientation() const { return m_orientation; }
    GyroscopeModel *gyroscope() const { return m_gyroscope; }
    AlsModel *als() const { return m_als; }
    ProximityModel *proximity() const { return m_proximity; }
    TapModel *tap() const { return m_tap; }
    QVariantMap sensorsEnabledStates() const { return m_sensorsEnabledStates; }
    QVariantMap sensorsAvailability() const { return m_sensorsAvailability; }

    Q_INVOKABLE void enableSensor(const QString &sensorName);
    Q_INVOKABLE void disableSensor(const QString &sensorName);
    Q_INVOKABLE void setAccelerometerValues(int x, int y, int z);
    Q_INVOKABLE void setAccelerometerX(int x);
    Q_INVOKABLE void setAccelerometerY(int y);
    Q_INVOKABLE void setAccelerometerZ(int z);
    Q_INVOKABLE void setAlsLuxValue(int lux);
    Q_INVOKABLE void setAlsLightLevel(Mimicry::Internal::AlsModel::LightLevel lightLevel);
    Q_INVOKABLE void setCompassAzimuth(int azimuth);
    Q_INVOKABLE void setCompassCalibrationLevel(int calibrationLevel);
    Q_INVOKABLE void setGyroscopeValues(double x, double y, double z);
    Q_INVOKABLE void setGyroscopeX(double x);
    Q_INVOKABLE void setGyroscopeY(double y);
    Q_INVOKABLE void setGyroscopeZ(double z);
    Q_INVOKABLE void setMagneticFieldValues(double x, double y, double z);
    Q_INVOKABLE void setMagneticFieldX(double x);
    Q_INVOKABLE void setMagneticFieldY(double y);
    Q_INVOKABLE void setMagneticFieldZ(double z);
    Q_INVOKABLE void setMagnetometerValues(double x, double y, double z);
    Q_INVOKABLE void setMagnetometerX(double x);
    Q_INVOKABLE void setMagnetometerY(double y);
    Q_INVOKABLE void setMagnetometerZ(double z);
    Q_INVOKABLE void setMagnetometerCalibrationLevel(int calibrationLevel);
    Q_INVOKABLE void setOrientation(int orientation);
    Q_INVOKABLE void setProximitySensorReflectanceValue(int reflectance);
    Q_INVOKABLE void setProximitySensorNearValue(bool near);
    Q_INVOKABLE void setTapSensorValue(Mimicry::Internal::TapModel::TapDirection tapDirection);
    Q_INVOKABLE void setSensorEnabled(const QString &sensorName, bool checkSensorState);
    Q_INVOKABLE void setDefaultValues();
    // The switches sent between these two calls are answered together by
    // switchBatchAnswered(). A new batch forgets an unanswered one.
    Q_INVOKABLE void beginSwitchBatch();
    Q_INVOKABLE void endSwitchBatch();

    // For the per-device sensor configuration.
    QStringList sensorNames() const;
    void resetSensorsAvailability();
    void enableAllSensors();
    void setSensorAvailable(const QString &sensorName, bool available);

signals:
    void sensorsEnabledStatesChanged();
    void sensorsInitialized();
    void sensorsAvailabilityChanged();
    // The guest refused to switch the sensor; its enabled state is back to
    // what the guest still runs.
    void sensorEnabledStateReverted(const QString &sensorName);
    // The guest has answered every switch of the batch; it refused those of
    // these sensors, in the order of their answers.
    void switchBatchAnswered(const QStringList &refusedSensors);

private:
    template<typename... Values>
    void send(const char *method, Values... values);
    // Send the values, then mirror them in the model.
    template<typename T>
    void sendValues(const char *method, XYZModel<T> *model, T x, T y, T z);
    template<typename T>
    void sendAxis(const char *method, XYZModel<T> *model, void (XYZModel<T>::*setAxis)(T), T value);
    void switchSensor(const QString &method, const QString &sensorName);
    void handleSwitchReply(const QStringList &fields, bool failed);
    void handleEmulatorConnected();
    void accelerometerChanged();
    void magnetometerChanged();
    void saveMagneticField();
    void saveGyroscope();

    AccelerometerModel *m_accelerometer = nullptr;
    MagnetometerModel *m_magnetometer = nullptr;
    MagneticFieldModel *m_magneticField = nullptr;
    CompassModel *m_compass = nullptr;
    OrientationModel *m_orientation = nullptr;
    GyroscopeModel *m_gyroscope = nullptr;
    AlsModel *m_als = nullptr;
    ProximityModel *m_proximity = nullptr;
    TapModel *m_tap = nullptr;
    QVariantMap m_sensorsEnabledStates;
    SettingsManager m_settingsManager;
    QVariantMap m_sensorsAvailability;
    bool m_initialized = false;
    struct UnansweredSwitch
    {
        bool enabledBefore;
        // The batch the call was sent in, 0 for none.
        int batch;
    };
    void answerBatchSwitch(const QString &sensorName, bool refused);

    // Per sensor, each enableSensor/disableSensor call that has no answer
    // yet, oldest first.
    QHash<QString, QList<UnansweredSwitch>> m_unansweredSwitches;
    int m_batch = 0;
    bool m_batchOpen = false;
    int m_batchUnanswered = 0;
    QStringList m_batchRefused;
};

} // namespace Internal
} // namespace Mimicry
