#pragma once

#include "devicemodeldata.h"

#include <QObject>

namespace Hangar {

class VirtualMachine;

class Emulator : public QObject
{
    Q_OBJECT

public:
    // Takes the machine over as its child.
    Emulator(const QString &name, VirtualMachine *virtualMachine, QObject *parent = nullptr);
    ~Emulator() override;

    QString name() const { return m_name; }
    VirtualMachine *virtualMachine() const { return m_virtualMachine; }
    DeviceModelData deviceModel() const { return m_deviceModel; }
    void setDeviceModel(const DeviceModelData &deviceModel);

signals:
    void deviceModelNameChanged(const QString &deviceModelName);

private:
    QString m_name;
    VirtualMachine *m_virtualMachine = nullptr;
    DeviceModelData m_deviceModel;
};

} // namespace Hangar
