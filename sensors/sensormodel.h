#pragma once

#include <QObject>
#include <QString>

// Common base of the emulated sensors' value models, so that the emulation
// manager can reset and name them without knowing the concrete type.
class SensorModel : public QObject
{
    Q_OBJECT

public:
    explicit SensorModel(QObject *parent = nullptr);

    virtual void resetValues() = 0;
    virtual QString sensorName() const = 0;
};
