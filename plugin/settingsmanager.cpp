#include "settingsmanager.h"

#include <coreplugin/icore.h>

#include <QSettings>

namespace Mimicry {
namespace Internal {

namespace {

const char settingsGroup[] = "mimicry";

const char modelRotationX[] = "model_rotation_x";
const char modelRotationY[] = "model_rotation_y";
const char modelRotationZ[] = "model_rotation_z";
const char modelPositionX[] = "model_position_x";
const char modelPositionY[] = "model_position_y";
const char modelPositionZ[] = "model_position_z";
const char doNotShowAgainResetSensorsDialog[] = "do_not_show_again_reset_sensors_dialog";
const char accelerometerX[] = "accelerometer_x";
const char accelerometerY[] = "accelerometer_y";
const char accelerometerZ[] = "accelerometer_z";
const char als[] = "als";
const char gyroscopeX[] = "gyroscope_x";
const char gyroscopeY[] = "gyroscope_y";
const char gyroscopeZ[] = "gyroscope_z";
const char magneticFieldX[] = "magnetic_field_x";
const char magneticFieldY[] = "magnetic_field_y";
const char magneticFieldZ[] = "magnetic_field_z";
const char magnetometerX[] = "magnetometer_x";
const char magnetometerY[] = "magnetometer_y";
const char magnetometerZ[] = "magnetometer_z";
const char magnetometerCalibrationLevel[] = "magnetometer_calib_level";
const char proximityReflectance[] = "proximity_reflectance";
const char tap[] = "tap";
const char gpsLatitude[] = "gps_latitude";
const char gpsLongitude[] = "gps_longitude";
const char gpsAltitude[] = "gps_altitude";

// The defaults are the values the sensor models start with.
const int defaultAccelerometerZ = 1000;
const int defaultAlsLux = 100;
const double defaultGyroscopeZ = 1.1459155902616465; // 0.02 rad/s
const double defaultMagneticFieldY = 5.95;
const double defaultMagneticFieldZ = -48.76;
const double defaultMagnetometerX = 4.3e-05;
const int defaultProximityReflectance = 5;
const int defaultTapDirection = -1;

} // namespace

SettingsManager::SettingsManager(QObject *parent)
    : QObject(parent)
    , m_settings(Core::ICore::settings())
{}

void SettingsManager::write(const char *key, const QVariant &value)
{
    m_settings->setValue(QStringLiteral("%1/%2").arg(QLatin1String(settingsGroup), QLatin1String(key)), value);
}

QVariant SettingsManager::read(const char *key, const QVariant &defaultValue) const
{
    return m_settings->value(QStringLiteral("%1/%2").arg(QLatin1String(settingsGroup), QLatin1String(key)),
                             defaultValue);
}

void SettingsManager::save3DModelRotationValues(double x, double y, double z)
{
    write(modelRotationX, x);
    write(modelRotationY, y);
    write(modelRotationZ, z);
}

void SettingsManager::save3DModelPositionValues(double x, double y, double z)
{
    write(modelPositionX, x);
    write(modelPositionY, y);
    write(modelPositionZ, z);
}

void SettingsManager::saveDoNotShowAgainResetSensorsDialog(bool doNotShowAgain)
{
    write(doNotShowAgainResetSensorsDialog, doNotShowAgain);
}

double SettingsManager::read3DModelRotationX() const { return read(modelRotationX, 0).toDouble(); }
double SettingsManager::read3DModelRotationY() const { return read(modelRotationY, 0).toDouble(); }
double SettingsManager::read3DModelRotationZ() const { return read(modelRotationZ, 0).toDouble(); }
double SettingsManager::read3DModelPositionX() const { return read(modelPositionX, 0).toDouble(); }
double SettingsManager::read3DModelPositionY() const { return read(modelPositionY, 0).toDouble(); }
double SettingsManager::read3DModelPositionZ() const { return read(modelPositionZ, 0).toDouble(); }

bool SettingsManager::readDoNotShowAgainResetSensorsDialog() const
{
    return read(doNotShowAgainResetSensorsDialog, false).toBool();
}

void SettingsManager::saveAccelerometerValues(int x, int y, int z)
{
    write(accelerometerX, x);
    write(accelerometerY, y);
    write(accelerometerZ, z);
}

void SettingsManager::saveAlsLux(int lux)
{
    write(als, lux);
}

void SettingsManager::saveGyroscopeValues(double x, double y, double z)
{
    write(gyroscopeX, x);
    write(gyroscopeY, y);
    write(gyroscopeZ, z);
}

void SettingsManager::saveMagneticFieldValues(double x, double y, double z)
{
    write(magneticFieldX, x);
    write(magneticFieldY, y);
    write(magneticFieldZ, z);
}

void SettingsManager::saveMagnetometerValues(double x, double y, double z)
{
    write(magnetometerX, x);
    write(magnetometerY, y);
    write(magnetometerZ, z);
}

void SettingsManager::saveMagnetometerCalibrationLevel(int level)
{
    write(magnetometerCalibrationLevel, level);
}

void SettingsManager::saveProximityReflectance(int reflectance)
{
    write(proximityReflectance, reflectance);
}

void SettingsManager::saveTapDirection(int direction)
{
    write(tap, direction);
}

void SettingsManager::saveGpsLatitude(double latitude)
{
    write(gpsLatitude, latitude);
}

void SettingsManager::saveGpsLongitude(double longitude)
{
    write(gpsLongitude, longitude);
}

void SettingsManager::saveGpsAltitude(double altitude)
{
    write(gpsAltitude, altitude);
}

void SettingsManager::saveGpsPosition(double latitude, double longitude, double altitude)
{
    saveGpsLatitude(latitude);
    saveGpsLongitude(longitude);
    saveGpsAltitude(altitude);
}

int SettingsManager::readAccelerometerX() const { return read(accelerometerX, 0).toInt(); }
int SettingsManager::readAccelerometerY() const { return read(accelerometerY, 0).toInt(); }
int SettingsManager::readAccelerometerZ() const { return read(accelerometerZ, defaultAccelerometerZ).toInt(); }
int SettingsManager::readAlsLux() const { return read(als, defaultAlsLux).toInt(); }
double SettingsManager::readGyroscopeX() const { return read(gyroscopeX, 0).toDouble(); }
double SettingsManager::readGyroscopeY() const { return read(gyroscopeY, 0).toDouble(); }
double SettingsManager::readGyroscopeZ() const { return read(gyroscopeZ, defaultGyroscopeZ).toDouble(); }
double SettingsManager::readMagneticFieldX() const { return read(magneticFieldX, 0).toDouble(); }
double SettingsManager::readMagneticFieldY() const { return read(magneticFieldY, defaultMagneticFieldY).toDouble(); }
double SettingsManager::readMagneticFieldZ() const { return read(magneticFieldZ, defaultMagneticFieldZ).toDouble(); }
double SettingsManager::readMagnetometerX() const { return read(magnetometerX, defaultMagnetometerX).toDouble(); }
double SettingsManager::readMagnetometerY() const { return read(magnetometerY, 0).toDouble(); }
double SettingsManager::readMagnetometerZ() const { return read(magnetometerZ, 0).toDouble(); }

int SettingsManager::readMagnetometerCalibrationLevel() const
{
    return read(magnetometerCalibrationLevel, 0).toInt();
}

int SettingsManager::readProximityReflectance() const
{
    return read(proximityReflectance, defaultProximityReflectance).toInt();
}

int SettingsManager::readTapDirection() const { return read(tap, defaultTapDirection).toInt(); }
double SettingsManager::readGpsLatitude() const { return read(gpsLatitude, 0).toDouble(); }
double SettingsManager::readGpsLongitude() const { return read(gpsLongitude, 0).toDouble(); }
double SettingsManager::readGpsAltitude() const { return read(gpsAltitude, 0).toDouble(); }

} // namespace Internal
} // namespace Mimicry
