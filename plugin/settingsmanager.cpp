#include "settingsmanager.h"

#include "settingswritebuffer.h"

#include <coreplugin/icore.h>
#include <sensors/sensordefaults.h>
#include <sensors/tapmodel.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

#include <cmath>
#include <limits>

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

// What the pages let the user choose. A stored value outside its range was
// not written by us and reads as the key's default, so that nothing reaches
// the guest that a page could not have sent or cannot show.
struct Range
{
    double lowest;
    double highest;
};

const double unbounded = std::numeric_limits<double>::max();

const Range accelerometerRange{-3000, 3000};  // thousandths of g: the pages' 3 g
const Range gyroscopeRange{-25, 25};          // degrees per second
const Range magnetometerRange{-65e-6, 65e-6}; // tesla: the page's 65 uT
const Range magneticFieldRange{-100, 100};    // microtesla
const Range calibrationLevelRange{0, 3};
const Range alsRange{-1, 3000};               // lux
const Range proximityRange{0, 10};
const Range tapDirectionRange{TapModel::Undefined, TapModel::Y_Neg};
const Range latitudeRange{-90, 90};
const Range longitudeRange{-180, 180};
const Range anyFiniteRange{-unbounded, unbounded};

bool inRange(double value, const Range &range)
{
    return std::isfinite(value) && value >= range.lowest && value <= range.highest;
}

// A text that names a whole number only: "5.5", "1e3" or "lots" are not ints.
int validInt(const QVariant &value, int defaultValue, const Range &range)
{
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    return ok && inRange(double(number), range) ? int(number) : defaultValue;
}

double validDouble(const QVariant &value, double defaultValue, const Range &range)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && inRange(number, range) ? number : defaultValue;
}

QString fullKey(const char *key)
{
    return QLatin1String(settingsGroup) + QLatin1Char('/') + QLatin1String(key);
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The reason, as the system gives it where it can, why the file cannot be
// written.
QString writeFailure(const QString &fileName)
{
    const QFileInfo file(fileName);
    QFileInfo folder(file.absolutePath());
    while (!folder.exists() && !folder.isRoot())
        folder = QFileInfo(folder.absolutePath());
    if (!folder.isDir())
        return SettingsManager::tr("%1 is not a folder").arg(nativePath(folder.filePath()));
    if (folder.absoluteFilePath() != file.absolutePath())
        return SettingsManager::tr("the folder %1 cannot be created").arg(nativePath(file.absolutePath()));
    if (file.exists()) {
        QFile probe(fileName);
        if (!probe.open(QIODevice::ReadWrite))
            return probe.errorString();
    } else {
        QTemporaryFile probe(fileName);
        if (!probe.open())
            return probe.errorString();
    }
    return SettingsManager::tr("writing to it failed");
}

} // namespace

SettingsManager::SettingsManager(QObject *parent)
    : QObject(parent)
    , m_settings(Core::ICore::settings())
{}

void SettingsManager::write(const char *key, const QVariant &value)
{
    if (SettingsWriteBuffer *buffer = SettingsWriteBuffer::current())
        buffer->write(fullKey(key), value);
    else
        m_settings->setValue(fullKey(key), value);
}

QVariant SettingsManager::read(const char *key) const
{
    if (SettingsWriteBuffer *buffer = SettingsWriteBuffer::current()) {
        const QVariant pending = buffer->pending(fullKey(key));
        if (pending.isValid())
            return pending;
    }
    return m_settings->value(fullKey(key));
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

double SettingsManager::read3DModelRotationX() const
{
    return validDouble(read(modelRotationX), 0, anyFiniteRange);
}

double SettingsManager::read3DModelRotationY() const
{
    return validDouble(read(modelRotationY), 0, anyFiniteRange);
}

double SettingsManager::read3DModelRotationZ() const
{
    return validDouble(read(modelRotationZ), 0, anyFiniteRange);
}

double SettingsManager::read3DModelPositionX() const
{
    return validDouble(read(modelPositionX), 0, anyFiniteRange);
}

double SettingsManager::read3DModelPositionY() const
{
    return validDouble(read(modelPositionY), 0, anyFiniteRange);
}

double SettingsManager::read3DModelPositionZ() const
{
    return validDouble(read(modelPositionZ), 0, anyFiniteRange);
}

bool SettingsManager::readDoNotShowAgainResetSensorsDialog() const
{
    // Only what saveDoNotShowAgainResetSensorsDialog(true) writes silences
    // the question; any other text asks again.
    const QString text = read(doNotShowAgainResetSensorsDialog).toString().trimmed();
    return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1");
}

QString SettingsManager::saveProblem() const
{
    if (!m_settings || (m_settings->isWritable() && m_settings->status() != QSettings::AccessError))
        return QString();
    return tr("Values cannot be saved to %1: %2.")
        .arg(nativePath(m_settings->fileName()), writeFailure(m_settings->fileName()));
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

int SettingsManager::readAccelerometerX() const
{
    return validInt(read(accelerometerX), SensorDefaults::accelerometerX, accelerometerRange);
}

int SettingsManager::readAccelerometerY() const
{
    return validInt(read(accelerometerY), SensorDefaults::accelerometerY, accelerometerRange);
}

int SettingsManager::readAccelerometerZ() const
{
    return validInt(read(accelerometerZ), SensorDefaults::accelerometerZ, accelerometerRange);
}

int SettingsManager::readAlsLux() const
{
    return validInt(read(als), SensorDefaults::alsLux, alsRange);
}

double SettingsManager::readGyroscopeX() const
{
    return validDouble(read(gyroscopeX), SensorDefaults::gyroscopeX, gyroscopeRange);
}

double SettingsManager::readGyroscopeY() const
{
    return validDouble(read(gyroscopeY), SensorDefaults::gyroscopeY, gyroscopeRange);
}


double SettingsManager::readGyroscopeZ() const
{
    return validDouble(read(gyroscopeZ), SensorDefaults::gyroscopeZ, gyroscopeRange);
}

double SettingsManager::readMagneticFieldX() const
{
    return validDouble(read(magneticFieldX), SensorDefaults::magneticFieldX, magneticFieldRange);
}

double SettingsManager::readMagneticFieldY() const
{
    return validDouble(read(magneticFieldY), SensorDefaults::magneticFieldY, magneticFieldRange);
}

double SettingsManager::readMagneticFieldZ() const
{
    return validDouble(read(magneticFieldZ), SensorDefaults::magneticFieldZ, magneticFieldRange);
}

double SettingsManager::readMagnetometerX() const
{
    return validDouble(read(magnetometerX), SensorDefaults::magnetometerX, magnetometerRange);
}

double SettingsManager::readMagnetometerY() const
{
    return validDouble(read(magnetometerY), SensorDefaults::magnetometerY, magnetometerRange);
}

double SettingsManager::readMagnetometerZ() const
{
    return validDouble(read(magnetometerZ), SensorDefaults::magnetometerZ, magnetometerRange);
}

int SettingsManager::readMagnetometerCalibrationLevel() const
{
    return validInt(read(magnetometerCalibrationLevel), SensorDefaults::calibrationLevel,
                    calibrationLevelRange);
}

int SettingsManager::readProximityReflectance() const
{
    return validInt(read(proximityReflectance), SensorDefaults::proximityReflectance,
                    proximityRange);
}

int SettingsManager::readTapDirection() const
{
    return validInt(read(tap), TapModel::Undefined, tapDirectionRange);
}

double SettingsManager::readGpsLatitude() const
{
    return validDouble(read(gpsLatitude), 0, latitudeRange);
}


double SettingsManager::readGpsLongitude() const
{
    return validDouble(read(gpsLongitude), 0, longitudeRange);
}

double SettingsManager::readGpsAltitude() const
{
    return validDouble(read(gpsAltitude), 0, anyFiniteRange);
}


} // namespace Internal
} // namespace Mimicry
