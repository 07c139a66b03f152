#include "sensorservice.h"

#include "inspectadaptor.h"

#include <QLoggingCategory>

#include <cmath>

namespace Guest {

namespace {

Q_LOGGING_CATEGORY(lcSensors, "mimicry.guest.sensors")

// What a phone's sensors can physically report. The plug-in's pages stay
// well inside these, so only nonsense is refused.
const int AccelerometerLimit = 16000;   // milli-g, a 16 g part
const int AlsMinimum = -1;              // the "undefined" light level the pages offer
const int AlsMaximum = 200000;          // lux, beyond direct sunlight
const double GyroscopeLimit = 3000.0;   // degrees per second: what the plug-in sends at most
const double MagnetometerLimit = 0.01;  // tesla, a magnet held to the phone
const int CalibrationMaximum = 3;
const int ProximityMaximum = 10;
const int TapMinimum = -1;
const int TapMaximum = 8;

const char UnknownSensorError[] = "org.tern.SensorfwMimicry.Error.UnknownSensor";
const char InvalidArgumentError[] = "org.tern.SensorfwMimicry.Error.InvalidArgument";

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
    // in room light, nothing near and no tap yet.
    m_values = {
        {QStringLiteral("accelerometer.x"), 0},
        {QStringLiteral("accelerometer.y"), 0},
        {QStringLiteral("accelerometer.z"), 1000},
        {QStringLiteral("als.lux"), 100},
        {QStringLiteral("gyroscope.x"), 0.0},
        {QStringLiteral("gyroscope.y"), 0.0},
        {QStringLiteral("gyroscope.z"), 0.0},
        {QStringLiteral("magnetometer.x"), 4.3e-5},
        {QStringLiteral("magnetometer.y"), 0.0},
        {QStringLiteral("magnetometer.z"), 0.0},
        {QStringLiteral("magnetometer.calibrationLevel"), 0},
        {QStringLiteral("proximity.reflectance"), 5},
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
    const QString unit = QStringLiteral("milli-g");
    if (!acceptInt(QStringLiteral("accelerometer x"), x, -AccelerometerLimit, AccelerometerLimit, unit)
        || !acceptInt(QStringLiteral("accelerometer y"), y, -AccelerometerLimit, AccelerometerLimit, unit)
        || !acceptInt(QStringLiteral("accelerometer z"), z, -AccelerometerLimit, AccelerometerLimit, unit))
        return;
    store(QStringLiteral("accelerometer.x"), x);
    store(QStringLiteral("accelerometer.y"), y);
    store(QStringLiteral("accelerometer.z"), z);
}

void SensorService::setAccelerometerX(int x)
{
    if (acceptInt(QStringLiteral("accelerometer x"), x, -AccelerometerLimit, AccelerometerLimit,
                  QStringLiteral("milli-g")))
        store(QStringLiteral("accelerometer.x"), x);
}

void SensorService::setAccelerometerY(int y)
{
    if (acceptInt(QStringLiteral("accelerometer y"), y, -AccelerometerLimit, AccelerometerLimit,
                  QStringLiteral("milli-g")))
        store(QStringLiteral("accelerometer.y"), y);
}

void SensorService::setAccelerometerZ(int z)
{
    if (acceptInt(QStringLiteral("accelerometer z"), z, -AccelerometerLimit, AccelerometerLimit,
                  QStringLiteral("milli-g")))
        store(QStringLiteral("accelerometer.z"), z);
}

void SensorService::setAlsValue(int lux)
{
    if (acceptInt(QStringLiteral("light level"), lux, AlsMinimum, AlsMaximum, QStringLiteral("lux")))
        store(QStringLiteral("als.lux"), lux);
}

void SensorService::setGyroscopeValues(double x, double y, double z)
{
    const QString unit = QStringLiteral("degrees per second");
    if (!acceptDouble(QStringLiteral("gyroscope x"), x, GyroscopeLimit, unit)
        || !acceptDouble(QStringLiteral("gyroscope y"), y, GyroscopeLimit, unit)
        || !acceptDouble(QStringLiteral("gyroscope z"), z, GyroscopeLimit, unit))
        return;
    store(QStringLiteral("gyroscope.x"), x);
    store(QStringLiteral("gyroscope.y"), y);
    store(QStringLiteral("gyroscope.z"), z);
}

void SensorService::setGyroscopeX(double x)
{
    if (acceptDouble(QStringLiteral("gyroscope x"), x, GyroscopeLimit, QStringLiteral("degrees per second")))
        store(QStringLiteral("gyroscope.x"), x);
}

void SensorService::setGyroscopeY(double y)
{
    if (acceptDouble(QStringLiteral("gyroscope y"), y, GyroscopeLimit, QStringLiteral("degrees per second")))
        store(QStringLiteral("gyroscope.y"), y);
}

void SensorService::setGyroscopeZ(double z)
{
    if (acceptDouble(QStringLiteral("gyroscope z"), z, GyroscopeLimit, QStringLiteral("degrees per second")))
        store(QStringLiteral("gyroscope.z"), z);
}

void SensorService::setMagnetometerValues(double x, double y, double z)
{
    const QString unit = QStringLiteral("tesla");
    if (!acceptDouble(QStringLiteral("magnetometer x"), x, MagnetometerLimit, unit)
        || !acceptDouble(QStringLiteral("magnetometer y"), y, MagnetometerLimit, unit)
        || !acceptDouble(QStringLiteral("magnetometer z"), z, MagnetometerLimit, unit))
        return;
    store(QStringLiteral("magnetometer.x"), x);
    store(QStringLiteral("magnetometer.y"), y);
    store(QStringLiteral("magnetometer.z"), z);
}

void SensorService::setMagnetometerX(double x)
{
    if (acceptDouble(QStringLiteral("magnetometer x"), x, MagnetometerLimit, QStringLiteral("tesla")))
        store(QStringLiteral("magnetometer.x"), x);
}

void SensorService::setMagnetometerY(double y)
{
    if (acceptDouble(QStringLiteral("magnetometer y"), y, MagnetometerLimit, QStringLiteral("tesla")))
        store(QStringLiteral("magnetometer.y"), y);
}

void SensorService::setMagnetometerZ(double z)
{
    if (acceptDouble(QStringLiteral("magnetometer z"), z, MagnetometerLimit, QStringLiteral("tesla")))
        store(QStringLiteral("magnetometer.z"), z);
}

void SensorService::setMagnetometerCalibrationLevel(int level)
{
    if (acceptInt(QStringLiteral("calibration level"), level, 0, CalibrationMaximum, QString()))
        store(QStringLiteral("magnetometer.calibrationLevel"), level);
}

void SensorService::setProximitySensorValue(int reflectance)
{
    if (acceptInt(QStringLiteral("proximity"), reflectance, 0, ProximityMaximum, QString()))
        store(QStringLiteral("proximity.reflectance"), reflectance);
}

void SensorService::setTapSensorValue(int direction)
{
    if (acceptInt(QStringLiteral("tap direction"), direction, TapMinimum, TapMaximum, QString()))
        store(QStringLiteral("tap.direction"), direction);
}

bool SensorService::acceptSensor(const QString &sensor)
{
    if (sensorNames().contains(sensor))
        return true;
    refuse(QLatin1String(UnknownSensorError), QStringLiteral("unknown sensor '%1'").arg(sensor));
    return false;
}

bool SensorService::acceptInt(const QString &what, int value, int minimum, int maximum,
                              const QString &unit)
{
    if (value >= minimum && value <= maximum)
        return true;
    QString text = QStringLiteral("%1 %2 is outside %3 to %4").arg(what).arg(value).arg(minimum).arg(maximum);
    if (!unit.isEmpty())
        text += QLatin1Char(' ') + unit;
    refuse(QLatin1String(InvalidArgumentError), text);
    return false;
}

bool SensorService::acceptDouble(const QString &what, double value, double limit, const QString &unit)
{
    if (!std::isfinite(value)) {
        refuse(QLatin1String(InvalidArgumentError),
               QStringLiteral("%1 %2 is not a finite number").arg(what).arg(value));
        return false;
    }
    if (std::abs(value) <= limit)
        return true;
    refuse(QLatin1String(InvalidArgumentError),
           QStringLiteral("%1 %2 is outside -%3 to %3 %4").arg(what).arg(value).arg(limit).arg(unit));
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
