#pragma once

#include <QString>

namespace Hangar {

class Sdk;
class SimulatedVirtualMachine;

// The emulators the SDK knows, kept in an INI file: name, device model, SSH
// port and key, the guest's packages and the port forwarding rules. Rules
// that plug-ins add are written back, so they survive a restart. A file
// without emulators gets a default one.
class EmulatorConfiguration
{
public:
    // ~/.config/Mimicry/emulators.ini, or $MIMICRY_EMULATORS_CONFIG.
    static QString defaultPath();
    // The simulated emulator program beside the running executable, or
    // $MIMICRY_EMULATOR_PROGRAM.
    static QString defaultProgram();

    explicit EmulatorConfiguration(const QString &path, const QString &program = defaultProgram());

    // Adds the configured emulators to the SDK, in the file's order.
    bool load(Sdk *sdk, QString *error);

private:
    void save(Sdk *sdk) const;
    void watch(Sdk *sdk, SimulatedVirtualMachine *machine) const;

    QString m_path;
    QString m_program;
};

} // namespace Hangar
