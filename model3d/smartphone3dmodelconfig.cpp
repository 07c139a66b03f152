#include "smartphone3dmodelconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace Mimicry {
namespace Internal {

namespace {

// Relative to the IDE's executable.
const char modelsRoot[] = "../share/qtcreator/smartphone-3d-models";
const char defaultConfiguration[] = "default";

QString modelsPath(const QString &subdirectory)
{
    return QDir::fromNativeSeparators(QStringLiteral("%1/%2/%3")
                                          .arg(QCoreApplication::applicationDirPath(),
                                               QLatin1String(modelsRoot), subdirectory));
}

// A file that the configuration does not name has no address: pointing at
// the directory itself would report a model that cannot be loaded.
QString fileUri(const QString &subdirectory, const QString &fileName)
{
    if (fileName.isEmpty())
        return QString();
    return QUrl::fromLocalFile(QFileInfo(modelsPath(subdirectory) + QLatin1Char('/') + fileName).absoluteFilePath())
        .toString();
}

} // namespace

Smartphone3DModelConfig::Smartphone3DModelConfig(QObject *parent)
    : QObject(parent)
{
    readConfigurations();
    selectDeviceModel(QLatin1String(defaultConfiguration));
}

void Smartphone3DModelConfig::readConfigurations()
{
    m_configurations.clear();
    const QDir configs(modelsPath(QStringLiteral("configs")));
    const QStringList files = configs.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Unsorted);
    for (const QString &file : files) {
        const QSettings config(QStringLiteral("%1/%2").arg(configs.path(), file), QSettings::IniFormat);
        // A later file for the same device model replaces an earlier one.
        m_configurations.insert(config.value(QStringLiteral("device-name")).toString(),
                                QVariantMap{{QStringLiteral("mesh"), config.value(QStringLiteral("mesh")).toString()},
                                            {QStringLiteral("texture"),
                                             config.value(QStringLiteral("texture")).toString()}});
    }
}

bool Smartphone3DModelConfig::smartphone3DModelConfigured() const
{
    return !m_meshUri.isEmpty() && !m_textureUri.isEmpty();
}

void Smartphone3DModelConfig::selectDeviceModel(const QString &deviceModelName)
{
    const QString name = m_configurations.contains(deviceModelName) ? deviceModelName
                                                                    : QLatin1String(defaultConfiguration);
    const QVariantMap configuration = m_configurations.value(name).toMap();
    m_meshUri = fileUri(QStringLiteral("meshes"), configuration.value(QStringLiteral("mesh")).toString());
    m_textureUri = fileUri(QStringLiteral("textures"), configuration.value(QStringLiteral("texture")).toString());
    // A 3D view reads both addresses again on this one signal.
    emit smartphone3DModelConfigChanged();
}

} // namespace Internal
} // namespace Mimicry
