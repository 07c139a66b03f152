#include "sensorsemulationmanager.h"

#include "sensordefaults.h"

#include <link/wireformat.h>

#include <QVariant>

#include <cmath>

namespace Mimicry {
namespace Internal {

namespace {

// Horizontal component of the earth's field, in tesla, that the compass
// azimuth is turned into.
const double horizontalFieldStrength = std::sqrt(19.0) / 100000.0;
const double radiansPerDegree = 0.017453292519943295;

const int proximityNear = 0;
const int proximityFar = 10;

struct AccelerometerPreset
{
    int x;
    int y;
    int z;
};

// Indexed by QOrientationReading::Orientation - 1, TopUp to FaceDown. Each
// gives back its orientation through OrientationModel::updateFromAccelerometer.
const AccelerometerPreset orientationPresets[] = {
    {0, 100, 0},
    {0, -100, 0},
    {-100, 0, 0},
    {100, 0, 0},
    {0, 0, 300},
    {0, 0, -300},
};
const int orientationPresetCount = int(sizeof(orientationPresets) / sizeof(orientationPresets[0]));

const char enableSensorMethod[] = "enableSensor";
const char disableSensorMethod[] = "disableSensor";

bool isSwitchReply(const QStringList &fields)
{
    const QString &method = fields.at(WireFormat::MethodField);
    return method == QLatin1String(enableSensorMethod) || method == QLatin1String(disableSensorMethod);
}

} // namespace

SensorsEmulationManager::SensorsEmulationManager(QObject *parent)
    : EmulationManager(parent)
    , m_accelerometer(new AccelerometerModel(this))
    , m_magnetometer(new MagnetometerModel(this))
    , m_magneticField(new MagneticFieldModel(this))
    , m_compass(new CompassModel(this))
    , m_orientation(new OrientationModel(this))
    , m_gyroscope(new GyroscopeModel(this))
    , m_als(new AlsModel(this))
    , m_proximity(new ProximityModel(this))
    , m_tap(new TapModel(this))
{
    // Replies to nobody's call are shown with this manager's, in the main view.
    setHandlesUnclaimedReplies(true);
    for (const QString &name : sensorNames())
        m_sensorsEnabledStates.insert(name, false);
    resetSensorsAvailability();
    connect(this, &EmulationManager::emulatorConnected,
            this, &SensorsEmulationManager::handleEmulatorConnected);
}

SensorsEmulationManager::~SensorsEmulationManager()
{
    // Every setter stores its value already; this only covers models that
    // were changed behind the manager's back, e.g. from QML.
    m_settingsManager.saveAccelerometerValues(m_accelerometer->x(), m_accelerometer->y(),
                                              m_accelerometer->z());
    m_settingsManager.saveAlsLux(m_als->lux());
    saveGyroscope();
    saveMagneticField();
    m_settingsManager.saveMagnetometerValues(m_magnetometer->x(), m_magnetometer->y(),
                                             m_magnetometer->z());
    m_settingsManager.saveMagnetometerCalibrationLevel(m_magnetometer->calibrationLevel());
    m_settingsManager.saveProximityReflectance(m_proximity->reflectance());
    m_settingsManager.saveTapDirection(m_tap->tapDirection());
}

QString SensorsEmulationManager::busType() const
{
    return QStringLiteral("system");
}

QString SensorsEmulationManager::serviceName() const
{
    return QStringLiteral("org.tern.SensorfwMimicry");
}

QString SensorsEmulationManager::objectPath() const
{
    return QStringLiteral("/org/tern/SensorfwMimicry");
}

QString SensorsEmulationManager::interfaceName() const
{
    return serviceName();
}

void SensorsEmulationManager::handleSuccessfulReply(const QStringList &fields)
{
    if (fields.size() <= WireFormat::ResultField)
        return;
    if (isSwitchReply(fields)) {
        handleSwitchReply(fields, false);
        return;
    }
    // The answers to "enabled" carry the guest's state as their result.
    if (fields.at(WireFormat::MethodField).compare(QLatin1String("enabled"), Qt::CaseInsensitive) != 0)
        return;
    const QString name = WireFormat::firstReplyArgument(fields);
    // Anything else the guest names is not a sensor of ours to record or switch.
    if (!sensorNames().contains(name))
        return;
    if (m_sensorsAvailability.value(name, false).toBool()) {
        m_sensorsEnabledStates.insert(name, QVariant(fields.at(WireFormat::ResultField)).toBool());
    } else {
        // The device has no such sensor, whatever the guest was left with.
        disableSensor(name);
        m_sensorsEnabledStates.insert(name, false);
    }
    emit sensorsEnabledStatesChanged();
}

void SensorsEmulationManager::handleFailedReply(const QStringList &fields)
{
    if (isSwitchReply(fields))
        handleSwitchReply(fields, true);
}

void SensorsEmulationManager::enableSensor(const QString &sensorName)
{
    switchSensor(QLatin1String(enableSensorMethod), sensorName);
}

void SensorsEmulationManager::disableSensor(const QString &sensorName)
{
    switchSensor(QLatin1String(disableSensorMethod), sensorName);
}

template<typename... Values>
void SensorsEmulationManager::send(const char *method, Values... values)
{
    callMethod(QLatin1String(method), WireFormat::tokens(values...));
}

template<typename T>
void SensorsEmulationManager::sendValues(const char *method, XYZModel<T> *model, T x, T y, T z)
{
    send(method, x, y, z);
    model->setX(x);
    model->setY(y);
    model->setZ(z);
}

template<typename T>
void SensorsEmulationManager::sendAxis(const char *method, XYZModel<T> *model,
                                       void (XYZModel<T>::*setAxis)(T), T value)
{
    send(method, value);
    (model->*setAxis)(value);
}

void SensorsEmulationManager::setAccelerometerValues(int x, int y, int z)
{
    sendValues("setAccelerometerValues", m_accelerometer, x, y, z);
    accelerometerChanged();
}

void SensorsEmulationManager::setAccelerometerX(int x)
{
    sendAxis("setAccelerometerX", m_accelerometer, &XYZModel<int>::setX, x);
    accelerometerChanged();
}

void SensorsEmulationManager::setAccelerometerY(int y)
{
    sendAxis("setAccelerometerY", m_accelerometer, &XYZModel<int>::setY, y);
    accelerometerChanged();
}

void SensorsEmulationManager::setAccelerometerZ(int z)
{
    sendAxis("setAccelerometerZ", m_accelerometer, &XYZModel<int>::setZ, z);
    accelerometerChanged();
}

void SensorsEmulationManager::setAlsLuxValue(int lux)
{
    send("setAlsValue", lux);
    m_als->setLux(lux);
    m_settingsManager.saveAlsLux(lux);
}

void SensorsEmulationManager::setAlsLightLevel(AlsModel::LightLevel lightLevel)
{
    setAlsLuxValue(lightLevel);
}

// The guest has no compass input: lay the device flat and turn the
// horizontal field so that the guest computes the wanted azimuth itself.
void SensorsEmulationManager::setCompassAzimuth(int azimuth)
{
    m_compass->setAzimuth(azimuth);
    // Flat and face up.
    setAccelerometerValues(SensorDefaults::accelerometerX, SensorDefaults::accelerometerY,
                           SensorDefaults::accelerometerZ);
    const double radians = azimuth * radiansPerDegree;
    setMagnetometerValues(std::sin(radians) * horizontalFieldStrength,
                          std::cos(radians) * horizontalFieldStrength, 0.0);
}

void SensorsEmulationManager::setCompassCalibrationLevel(int calibrationLevel)
{
    m_compass->setCalibrationLevel(calibrationLevel);
    setMagnetometerCalibrationLevel(calibrationLevel);
}

void SensorsEmulationManager::setGyroscopeValues(double x, double y, double z)
{
    sendValues("setGyroscopeValues", m_gyroscope, x, y, z);
    saveGyroscope();
}

void SensorsEmulationManager::setGyroscopeX(double x)
{
    sendAxis("setGyroscopeX", m_gyroscope, &XYZModel<double>::setX, x);
    saveGyroscope();
}

void SensorsEmulationManager::setGyroscopeY(double y)
{
    sendAxis("setGyroscopeY", m_gyroscope, &XYZModel<double>::setY, y);
    saveGyroscope();
}

void SensorsEmulationManager::setGyroscopeZ(double z)
{
    sendAxis("setGyroscopeZ", m_gyroscope, &XYZModel<double>::setZ, z);
    saveGyroscope();
}

void SensorsEmulationManager::setMagneticFieldValues(double x, double y, double z)
{
    m_magneticField->setX(x);
    m_magneticField->setY(y);
    m_magneticField->setZ(z);
    saveMagneticField();
}

void SensorsEmulationManager::setMagneticFieldX(double x)
{
    m_magneticField->setX(x);
    saveMagneticField();
}

void SensorsEmulationManager::setMagneticFieldY(double y)
{
    m_magneticField->setY(y);
    saveMagneticField();
}

void SensorsEmulationManager::setMagneticFieldZ(double z)
{
    m_magneticField->setZ(z);
    saveMagneticField();
}

void SensorsEmulationManager::setMagnetometerValues(double x, double y, double z)
{
    sendValues("setMagnetometerValues", m_magnetometer, x, y, z);
    magnetometerChanged();
}

void SensorsEmulationManager::setMagnetometerX(double x)
{
    sendAxis("setMagnetometerX", m_magnetometer, &XYZModel<double>::setX, x);
    magnetometerChanged();
}

void SensorsEmulationManager::setMagnetometerY(double y)
{
    sendAxis("setMagnetometerY", m_magnetometer, &XYZModel<double>::setY, y);
    magnetometerChanged();
}

void SensorsEmulationManager::setMagnetometerZ(double z)
{
    sendAxis("setMagnetometerZ", m_magnetometer, &XYZModel<double>::setZ, z);
    magnetometerChanged();
}

// The guest's compass takes its calibration from the magnetometer, so the
// two levels always move together.
void SensorsEmulationManager::setMagnetometerCalibrationLevel(int calibrationLevel)
{
    send("setMagnetometerCalibrationLevel", calibrationLevel);
    m_magnetometer->setCalibrationLevel(calibrationLevel);
    m_compass->setCalibrationLevel(calibrationLevel);
    m_settingsManager.saveMagnetometerCalibrationLevel(calibrationLevel);
}

void SensorsEmulationManager::setOrientation(int orientation)
{
    if (orientation < 1 || orientation > orientationPresetCount)
        return;
    const AccelerometerPreset &preset = orientationPresets[orientation - 1];
    setAccelerometerValues(preset.x, preset.y, preset.z);
}

void SensorsEmulationManager::setProximitySensorReflectanceValue(int reflectance)
{
    send("setProximitySensorValue", reflectance);
    m_proximity->setReflectance(reflectance);
    m_settingsManager.saveProximityReflectance(reflectance);
}

void SensorsEmulationManager::setProximitySensorNearValue(bool near)
{
    setProximitySensorReflectanceValue(near ? proximityNear : proximityFar);
}

void SensorsEmulationManager::setTapSensorValue(TapModel::TapDirection tapDirection)
{
    send("setTapSensorValue", int(tapDirection));
    m_tap->setTapDirection(tapDirection);
    m_settingsManager.saveTapDirection(tapDirection);
}

void SensorsEmulationManager::setSensorEnabled(const QString &sensorName, bool checkSensorState)
{
    m_sensorsEnabledStates.insert(sensorName, checkSensorState);
    emit sensorsEnabledStatesChanged();
}

void SensorsEmulationManager::setDefaultValues()
{
    using namespace SensorDefaults;
    setAccelerometerValues(accelerometerX, accelerometerY, accelerometerZ);
    setAlsLuxValue(alsLux);
    setGyroscopeValues(gyroscopeX, gyroscopeY, gyroscopeZ);
    setMagnetometerValues(magnetometerX, magnetometerY, magnetometerZ);
    setMagnetometerCalibrationLevel(calibrationLevel);
    setProximitySensorReflectanceValue(proximityReflectance);
    setTapSensorValue(TapModel::Undefined);
}

void SensorsEmulationManager::resetSensorsAvailability()
{
    m_sensorsAvailability.clear();
    for (const QString &name : sensorNames())
        m_sensorsAvailability.insert(name, true);
    emit sensorsAvailabilityChanged();
}

void SensorsEmulationManager::enableAllSensors()
{
    resetSensorsAvailability();
    const QStringList names = m_sensorsAvailability.keys();
    for (const QString &name : names) {
        enableSensor(name);
        m_sensorsEnabledStates.insert(name, true);
        emit sensorsEnabledStatesChanged();
    }
}

void SensorsEmulationManager::setSensorAvailable(const QString &sensorName, bool available)
{
    m_sensorsAvailability.insert(sensorName, available);
    m_sensorsEnabledStates.insert(sensorName, available);
    emit sensorsEnabledStatesChanged();
    if (available)
        enableSensor(sensorName);
    else
        disableSensor(sensorName);
    emit sensorsAvailabilityChanged();
}

void SensorsEmulationManager::handleEmulatorConnected()
{
    // Calls sent before this connection get no answer on it.
    m_unansweredSwitches.clear();
    if (!m_initialized) {
        // Ask what the guest runs; the answers come back as replies.
        const QStringList names = m_sensorsEnabledStates.keys();
        for (const QString &name : names)
            callMethod(QStringLiteral("enabled"), WireFormat::string(name));
        m_initialized = true;
    } else {
        // A guest that comes back runs exactly the sensors the device has.
        const QVariantMap availability = m_sensorsAvailability;
        for (auto it = availability.cbegin(); it != availability.cend(); ++it)
            setSensorAvailable(it.key(), it.value().toBool());
    }

    setAccelerometerValues(m_settingsManager.readAccelerometerX(), m_settingsManager.readAccelerometerY(),
                           m_settingsManager.readAccelerometerZ());
    setMagnetometerValues(m_settingsManager.readMagnetometerX(), m_settingsManager.readMagnetometerY(),
                          m_settingsManager.readMagnetometerZ());
    m_magneticField->setX(m_settingsManager.readMagneticFieldX());
    m_magneticField->setY(m_settingsManager.readMagneticFieldY());
    m_magneticField->setZ(m_settingsManager.readMagneticFieldZ());
    setMagnetometerCalibrationLevel(m_settingsManager.readMagnetometerCalibrationLevel());
    setGyroscopeValues(m_settingsManager.readGyroscopeX(), m_settingsManager.readGyroscopeY(),
                       m_settingsManager.readGyroscopeZ());
    setAlsLuxValue(m_settingsManager.readAlsLux());
    setProximitySensorReflectanceValue(m_settingsManager.readProximityReflectance());
    setTapSensorValue(static_cast<TapModel::TapDirection>(m_settingsManager.readTapDirection()));
    emit sensorsInitialized();
}

// The guest's sensors; the magnetic field is only an input of the
// orientation page.
QStringList SensorsEmulationManager::sensorNames() const
{
    return {m_accelerometer->sensorName(), m_als->sensorName(), m_compass->sensorName(),
            m_gyroscope->sensorName(), m_magnetometer->sensorName(), m_orientation->sensorName(),
            m_proximity->sensorName(), m_tap->sensorName()};
}

void SensorsEmulationManager::switchSensor(const QString &method, const QString &sensorName)
{
    m_unansweredSwitches[sensorName].append(
        {m_sensorsEnabledStates.value(sensorName).toBool(), m_batchOpen ? m_batch : 0});
    if (m_batchOpen)
        ++m_batchUnanswered;
    callMethod(method, WireFormat::string(sensorName));
}

// Replies come in the order of the calls. A refused switch leaves the guest
// as it was before that call: the host's record goes back to that state,
// unless a later switch of the same sensor is still out and decides.
void SensorsEmulationManager::handleSwitchReply(const QStringList &fields, bool failed)
{
    const QString name = WireFormat::firstReplyArgument(fields);
    const auto it = m_unansweredSwitches.find(name);
    if (it == m_unansweredSwitches.end())
        return;
    const UnansweredSwitch answered = it->takeFirst();
    if (!it->isEmpty()) {
        if (failed)
            it->first().enabledBefore = answered.enabledBefore;
    } else {
        m_unansweredSwitches.erase(it);
        if (failed) {
            m_sensorsEnabledStates.insert(name, answered.enabledBefore);
            emit sensorsEnabledStatesChanged();
            emit sensorEnabledStateReverted(name);
        }
    }
    if (answered.batch != 0 && answered.batch == m_batch)
        answerBatchSwitch(name, failed);
}

void SensorsEmulationManager::beginSwitchBatch()
{
    ++m_batch;
    m_batchOpen = true;
    m_batchUnanswered = 0;
    m_batchRefused.clear();
}

void SensorsEmulationManager::endSwitchBatch()
{
    m_batchOpen = false;
    if (m_batchUnanswered == 0)
        emit switchBatchAnswered(m_batchRefused);
}

void SensorsEmulationManager::answerBatchSwitch(const QString &sensorName, bool refused)
{
    if (refused)
        m_batchRefused.append(sensorName);
    if (--m_batchUnanswered == 0 && !m_batchOpen)
        emit switchBatchAnswered(m_batchRefused);
}

void SensorsEmulationManager::accelerometerChanged()
{
    const int x = m_accelerometer->x();
    const int y = m_accelerometer->y();
    const int z = m_accelerometer->z();
    m_settingsManager.saveAccelerometerValues(x, y, z);
    m_compass->setAzimuth(CompassModel::calculateAzimuth(x, y, z, m_magnetometer->x(),
                                                         m_magnetometer->y(), m_magnetometer->z()));
    m_orientation->updateFromAccelerometer(x, y, z);
}

void SensorsEmulationManager::magnetometerChanged()
{
    m_settingsManager.saveMagnetometerValues(m_magnetometer->x(), m_magnetometer->y(),
                                             m_magnetometer->z());
    m_compass->setAzimuth(CompassModel::calculateAzimuth(m_accelerometer->x(), m_accelerometer->y(),
                                                         m_accelerometer->z(), m_magnetometer->x(),
                                                         m_magnetometer->y(), m_magnetometer->z()));
}

void SensorsEmulationManager::saveMagneticField()
{
    m_settingsManager.saveMagneticFieldValues(m_magneticField->x(), m_magneticField->y(),
                                              m_magneticField->z());
}

void SensorsEmulationManager::saveGyroscope()
{
    m_settingsManager.saveGyroscopeValues(m_gyroscope->x(), m_gyroscope->y(), m_gyroscope->z());
}

} // namespace Internal
} // namespace Mimicry
