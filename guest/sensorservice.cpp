#include "sensorservice.h"

#include "inspectadaptor.h"

#include <sensors/sensordefaults.h>

#include <QLoggingCategory>

namespace Guest {

namespace {

Q_LOGGING_CATEGORY(lcSensors, "mimicry.guest.sensors")

const char UnknownSensorError[] = "org.tern.SensorfwMimicry.Error.UnknownSensor";

// Error texts end up in the plug-in's colon-separated reply lines.
QString withoutColons(QString text)
{
    return text.replace(QLatin1Char(':'), QLatin1Char(';'));
}

QString enabledKey(const QString &sensor)
{
    return sensor + QStringLiteral(".enabled");
}

} // namespace

SensorService::SensorService(const QDBusConnection &connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    new InspectAdaptor(this, [this] { return state(); });

    // The values the plug-in itself starts from: flat on a table, face up,
    // in room light, nothing near and no tap yet. The gyroscope is at rest
    // until the plug-in sends its own.
    using namespace Mimicry::Internal;
    m_values = {
        {QStringLiteral("accelerometer.x"), SensorDefaults::accelerometerX},
        {QStringLiteral("accelerometer.y"), SensorDefaults::accelerometerY},
        {QStringLiteral("accelerometer.z"), SensorDefaults::accelerometerZ},
        {QStringLiteral("als.lux"), SensorDefaults::alsLux},
        {QStringLiteral("gyroscope.x"), 0.0},
        {QStringLiteral("gyroscope.y"), 0.0},
        {QStringLiteral("gyroscope.z"), 0.0},
        {QStringLiteral("magnetometer.x"), SensorDefaults::magnetometerX},
        {QStringLiteral("magnetometer.y"), SensorDefaults::magnetometerY},
        {QStringLiteral("magnetometer.z"), SensorDefaults::magnetometerZ},
        {QStringLiteral("magnetometer.calibrationLevel"), SensorDefaults::calibrationLevel},
        {QStringLiteral("proximity.reflectance"), SensorDefaults::proximityReflectance},
        {QStringLiteral("tap.direction"), -1},
    };
    for (const QString &sensor : sensorNames())
        m_values.insert(enabledKey(sensor), true);
}

SensorService::~SensorService()
{
    unregisterService();
}

QString SensorService::serviceName()
{
    return QStringLiteral("org.tern.SensorfwMimicry");
}

QString SensorService::objectPath()
{
    return QStringLiteral("/org/tern/SensorfwMimicry");
}

QString SensorService::interfaceName()
{
    return QStringLiteral("org.tern.SensorfwMimicry");
}

QStringList SensorService::sensorNames()
{
    return {QStringLiteral("accelerometer"), QStringLiteral("als"), QStringLiteral("compass"),
            QStringLiteral("gyroscope"), QStringLiteral("magnetometer"), QStringLiteral("orientation"),
            QStringLiteral("proximity"), QStringLiteral("tap")};
}

bool SensorService::registerService()
{
    if (m_registered)
        return true;
    if (!m_connection.registerObject(objectPath(), this,
                                     QDBusConnection::ExportAllSlots
                                         | QDBusConnection::ExportAdaptors)) {
        qCWarning(lcSensors) << "cannot export" << objectPath() << m_connection.lastError().message();
        return false;
    }
    if (!m_connection.registerService(serviceName())) {
        qCWarning(lcSensors) << "cannot own" << serviceName() << m_connection.lastError().message();
        m_connection.unregisterObject(objectPath());
        return false;
    }
    m_registered = true;
    return true;
}

void SensorService::unregisterService()
{
    if (!m_registered)
        return;
    m_connection.unregisterService(serviceName());
    m_connection.unregisterObject(objectPath());
    m_registered = false;
}

bool SensorService::isSensorEnabled(const QString &sensor) const
{
    return m_values.value(enabledKey(sensor)).toBool();
}

void SensorService::enableSensor(const QString &sensor)
{
    if (acceptSensor(sensor))
        setEnabled(sensor, true);
}

void SensorService::disableSensor(const QString &sensor)
{
    if (acceptSensor(sensor))
        setEnabled(sensor, false);
}

bool SensorService::enabled(const QString &sensor)
{
    return acceptSensor(sensor) && isSensorEnabled(sensor);
}

void SensorService::setAccelerometerValues(int x, int y, int z)
{
    store(QStringLiteral("accelerometer.x"), x);
    store(QStringLiteral("accelerometer.y"), y);
    store(QStringLiteral("accelerometer.z"), z);
}

void SensorService::setAccelerometerX(int x)
{
    store(QStringLiteral("accelerometer.x"), x);
}

void SensorService::setAccelerometerY(int y)
{
    store(QStringLiteral("accelerometer.y"), y);
}

void SensorService::setAccelerometerZ(int z)
{
    store(QStringLiteral("accelerometer.z"), z);
}

void SensorService::setAlsValue(int lux)
{
    store(QStringLiteral("als.lux"), lux);
}

void SensorService::setGyroscopeValues(double x, double y, double z)
{
    store(QStringLiteral("gyroscope.x"), x);
    store(QStringLiteral("gyroscope.y"), y);
    store(QStringLiteral("gyroscope.z"), z);
}

void SensorService::setGyroscopeX(double x)
{
    store(QStringLiteral("gyroscope.x"), x);
}

void SensorService::setGyroscopeY(double y)
{
    store(QStringLiteral("gyroscope.y"), y);
}

void SensorService::setGyroscopeZ(double z)
{
    store(QStringLiteral("gyroscope.z"), z);
}

void SensorService::setMagnetometerValues(double x, double y, double z)
{
    store(QStringLiteral("magnetometer.x"), x);
    store(QStringLiteral("magnetometer.y"), y);
    store(QStringLiteral("magnetometer.z"), z);
}

void SensorService::setMagnetometerX(double x)
{
    store(QStringLiteral("magnetometer.x"), x);
}

void SensorService::setMagnetometerY(double y)
{
    store(QStringLiteral("magnetometer.y"), y);
}

void SensorService::setMagnetometerZ(double z)
{
    store(QStringLiteral("magnetometer.z"), z);
}

void SensorService::setMagnetometerCalibrationLevel(int level)
{
    store(QStringLiteral("magnetometer.calibrationLevel"), level);
}

void SensorService::setProximitySensorValue(int reflectance)
{
    store(QStringLiteral("proximity.reflectance"), reflectance);
}

void SensorService::setTapSensorValue(int direction)
{
    store(QStringLiteral("tap.direction"), direction);
}

bool SensorService::acceptSensor(const QString &sensor)
{
    if (sensorNames().contains(sensor))
        return true;
    refuse(QLatin1String(UnknownSensorError), QStringLiteral("unknown sensor '%1'").arg(sensor));
    return false;
}

void SensorService::refuse(const QString &errorName, const QString &text)
{
    if (calledFromDBus())
        sendErrorReply(errorName, withoutColons(text));
    else
        qCWarning(lcSensors).noquote() << text;
}

void SensorService::store(const QString &key, const QVariant &value)
{
    QVariant &current = m_values[key];
    if (current == value)
        return;
    current = value;
    emit valueChanged(key, value);
}

void SensorService::setEnabled(const QString &sensor, bool enabled)
{
    store(enabledKey(sensor), enabled);
}

} // namespace Guest
