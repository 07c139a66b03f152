#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace Guest {

// The guest's sensor emulation service, on the system bus. The plug-in's
// sensor pages inject values through it; it keeps them and answers whether a
// sensor is enabled.
//
// One object at objectPath() carries two interfaces: the plug-in's own (the
// public slots below, exported with ExportAllSlots) and org.mimicry.Inspect
// (an InspectAdaptor child, exported with ExportAdaptors), whose state()
// returns everything the service holds under keys "<sensor>.<value>", for
// example "accelerometer.x" or "tap.enabled".
//
// Values are kept as they come, since the plug-in's pages decide what is
// sensible; only a sensor name it does not know is refused. Every sensor
// starts enabled, as on a phone that boots with its sensors running. Enabling
// does not gate injection: a disabled sensor still keeps the values it is sent.
class SensorService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tern.SensorfwMimicry")

public:
    explicit SensorService(const QDBusConnection &connection, QObject *parent = nullptr);
    ~SensorService() override;

    static QString serviceName();
    static QString objectPath();
    static QString interfaceName();
    static QStringList sensorNames();

    // Takes the service name and exports the object; false when either fails.
    bool registerService();
    void unregisterService();
    bool isRegistered() const { return m_registered; }

    QVariantMap state() const { return m_values; }
    QVariant value(const QString &key) const { return m_values.value(key); }
    bool isSensorEnabled(const QString &sensor) const;

public slots:
    void enableSensor(const QString &sensor);
    void disableSensor(const QString &sensor);
    bool enabled(const QString &sensor);

    // Thousandths of g.
    void setAccelerometerValues(int x, int y, int z);
    void setAccelerometerX(int x);
    void setAccelerometerY(int y);
    void setAccelerometerZ(int z);
    // Lux.
    void setAlsValue(int lux);
    // Degrees per second.
    void setGyroscopeValues(double x, double y, double z);
    void setGyroscopeX(double x);
    void setGyroscopeY(double y);
    void setGyroscopeZ(double z);
    // Tesla.
    void setMagnetometerValues(double x, double y, double z);
    void setMagnetometerX(double x);
    void setMagnetometerY(double y);
    void setMagnetometerZ(double z);
    void setMagnetometerCalibrationLevel(int level);
    // 0 is near, 10 far.
    void setProximitySensorValue(int reflectance);
    // -1 for no tap yet, otherwise the plug-in's tap direction.
    void setTapSensorValue(int direction);

signals:
    // Emitted for every key whose value actually changed.
    void valueChanged(const QString &key, const QVariant &value);

private:
    bool acceptSensor(const QString &sensor);
    void refuse(const QString &errorName, const QString &text);
    void store(const QString &key, const QVariant &value);
    void setEnabled(const QString &sensor, bool enabled);

    QDBusConnection m_connection;
    QVariantMap m_values;
    bool m_registered = false;
};

} // namespace Guest
