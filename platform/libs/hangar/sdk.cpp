#include "sdk.h"

#include "emulator.h"

namespace Hangar {

static Sdk *s_instance = nullptr;

Sdk::Sdk()
{
    Q_ASSERT(!s_instance);
    s_instance = this;
}

Sdk::~Sdk()
{
    qDeleteAll(m_emulators);
    s_instance = nullptr;
}

Sdk *Sdk::instance()
{
    return s_instance;
}

QList<Emulator *> Sdk::emulators()
{
    return s_instance ? s_instance->m_emulators : QList<Emulator *>();
}

QString Sdk::osVariant(TextStyle style)
{
    Q_UNUSED(style)
    return QStringLiteral("Keel OS");
}

void Sdk::addEmulator(std::unique_ptr<Emulator> emulator)
{
    m_emulators.append(emulator.release());
    emit emulatorAdded(m_emulators.size() - 1);
}

void Sdk::removeEmulator(int index)
{
    if (index < 0 || index >= m_emulators.size())
        return;
    emit aboutToRemoveEmulator(index);
    delete m_emulators.takeAt(index);
}

void Sdk::notifyDeviceModelsChanged()
{
    emit deviceModelsChanged();
}

} // namespace Hangar
