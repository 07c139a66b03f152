#pragma once

#include <QList>
#include <QObject>

#include <memory>

namespace Hangar {

class Emulator;

// The SDK: the emulators it knows, in its order. Plug-ins read the list and
// follow its signals; the SDK's own side adds and removes emulators.
class Sdk : public QObject
{
    Q_OBJECT

public:
    enum TextStyle {
        SystemStyle = 0,
        UiStyle = 1,
    };

    Sdk();
    ~Sdk() override;

    static Sdk *instance();
    static QList<Emulator *> emulators();
    static QString osVariant(TextStyle style = UiStyle);

    // The SDK's side.
    void addEmulator(std::unique_ptr<Emulator> emulator);
    // Announces the removal, takes the emulator off the list, then deletes it.
    void removeEmulator(int index);
    void notifyDeviceModelsChanged();

signals:
    void emulatorAdded(int index);
    void aboutToRemoveEmulator(int index);
    void deviceModelsChanged();

private:
    QList<Emulator *> m_emulators;
};

} // namespace Hangar
