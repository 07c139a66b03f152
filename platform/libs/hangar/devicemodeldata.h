#pragma once

#include <QString>

namespace Hangar {

// The hardware that an emulator imitates, named as the SDK lists it.
class DeviceModelData
{
public:
    QString name;

    bool operator==(const DeviceModelData &other) const { return name == other.name; }
    bool operator!=(const DeviceModelData &other) const { return !(*this == other); }
};

} // namespace Hangar
