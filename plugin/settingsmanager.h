#pragma once

#include <QObject>
#include <QVariant>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

namespace Mimicry {
namespace Internal {

// Reads and writes the values that outlive the IDE in the host's settings,
// group "mimicry". Holds no state, so any number of instances can share them.
class SettingsManager : public QObject
{
    Q_OBJECT

public:
    explicit SettingsManager(QObject *parent = nullptr);

    Q_INVOKABLE void save3DModelRotationValues(double x, double y, double z);
    Q_INVOKABLE void save3DModelPositionValues(double x, double y, double z);
    Q_INVOKABLE void saveDoNotShowAgainResetSensorsDialog(bool doNotShowAgain);
    Q_INVOKABLE double read3DModelRotationX() const;
    Q_INVOKABLE double read3DModelRotationY() const;
    Q_INVOKABLE double read3DModelRotationZ() const;
    Q_INVOKABLE double read3DModelPositionX() const;
    Q_INVOKABLE double read3DModelPositionY() const;
    Q_INVOKABLE double read3DModelPositionZ() const;
    Q_INVOKABLE bool readDoNotShowAgainResetSensorsDialog() const;
    // Why values written now would not outlive the session, for the user;
    // empty while they can be saved.
    Q_INVOKABLE QString saveProblem() const;

    void saveAccelerometerValues(int x, int y, int z);
    void saveAlsLux(int lux);
    void saveGyroscopeValues(double x, double y, double z);
    void saveMagneticFieldValues(double x, double y, double z);
    void saveMagnetometerValues(double x, double y, double z);
    void saveMagnetometerCalibrationLevel(int level);
    void saveProximityReflectance(int reflectance);
    void saveTapDirection(int direction);
    void saveGpsLatitude(double latitude);
    void saveGpsLongitude(double longitude);
    void saveGpsAltitude(double altitude);
    void saveGpsPosition(double latitude, double longitude, double altitude);

    int readAccelerometerX() const;
    int readAccelerometerY() const;
    int readAccelerometerZ() const;
    int readAlsLux() const;
    double readGyroscopeX() const;
    double readGyroscopeY() const;
    double readGyroscopeZ() const;
    double readMagneticFieldX() const;
    double readMagneticFieldY() const;
    double readMagneticFieldZ() const;
    double readMagnetometerX() const;
    double readMagnetometerY() const;
    double readMagnetometerZ() const;
    int readMagnetometerCalibrationLevel() const;
    int readProximityReflectance() const;
    int readTapDirection() const;
    double readGpsLatitude() const;
    double readGpsLongitude() const;
    double readGpsAltitude() const;

private:
    void write(const char *key, const QVariant &value);
    // Invalid when the key is absent.
    QVariant read(const char *key) const;

    QSettings *m_settings = nullptr;
};

} // namespace Internal
} // namespace Mimicry
