#pragma once

#include <QObject>
#include <QVariantMap>

namespace Mimicry {
namespace Internal {

// Finds the mesh and texture of the 3D phone model that matches the
// emulator's device model, with the configuration "default" as fallback.
class Smartphone3DModelConfig : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString smartphone3DModelMeshUri READ smartphone3DModelMeshUri
                   NOTIFY smartphone3DModelMeshUriChanged)
    Q_PROPERTY(QString smartphone3DModelTextureUri READ smartphone3DModelTextureUri
                   NOTIFY smartphone3DModelTextureUriChanged)

public:
    explicit Smartphone3DModelConfig(QObject *parent = nullptr);

    QString smartphone3DModelMeshUri() const { return m_meshUri; }
    QString smartphone3DModelTextureUri() const { return m_textureUri; }
    Q_INVOKABLE bool smartphone3DModelConfigured() const;

public slots:
    void selectDeviceModel(const QString &deviceModelName);

signals:
    void smartphone3DModelConfigChanged();
    void smartphone3DModelMeshUriChanged();
    void smartphone3DModelTextureUriChanged();

private:
    void readConfigurations();

    QVariantMap m_configurations;
    QString m_meshUri;
    QString m_textureUri;
};

} // namespace Internal
} // namespace Mimicry
