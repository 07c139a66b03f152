#pragma once

#include <QObject>

namespace Mimicry {
namespace Internal {

// Finds the 3D phone model that matches the emulator's device model.
class Smartphone3DModelConfig : public QObject
{
    Q_OBJECT

public:
    explicit Smartphone3DModelConfig(QObject *parent = nullptr);

    void selectDeviceModel(const QString &deviceModelName);

signals:
    void smartphone3DModelConfigChanged();

private:
    QString m_deviceModelName;
};

} // namespace Internal
} // namespace Mimicry
