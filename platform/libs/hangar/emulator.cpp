#include "emulator.h"

#include "virtualmachine.h"

namespace Hangar {

Emulator::Emulator(const QString &name, VirtualMachine *virtualMachine, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_virtualMachine(virtualMachine)
{
    m_virtualMachine->setParent(this);
}

Emulator::~Emulator() = default;

void Emulator::setDeviceModel(const DeviceModelData &deviceModel)
{
    const bool nameChanged = deviceModel.name != m_deviceModel.name;
    m_deviceModel = deviceModel;
    if (nameChanged)
        emit deviceModelNameChanged(m_deviceModel.name);
}

} // namespace Hangar
