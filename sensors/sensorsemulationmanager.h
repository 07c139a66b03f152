#pragma once

#include <link/emulationmanager.h>

namespace Mimicry {
namespace Internal {

// Drives the guest's sensor emulation service on the system bus.
class SensorsEmulationManager : public EmulationManager
{
    Q_OBJECT

public:
    explicit SensorsEmulationManager(QObject *parent = nullptr);

    QString busType() const override;
    QString serviceName() const override;
    QString objectPath() const override;
    QString interfaceName() const override;
    void handleSuccessfulReply(const QStringList &fields) override;
};

} // namespace Internal
} // namespace Mimicry
