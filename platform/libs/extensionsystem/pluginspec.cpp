#include "pluginspec.h"

#include "iplugin.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QPluginLoader>

namespace ExtensionSystem {

static const char pluginIid[] = "org.qt-project.Qt.QtCreatorPlugin";
static const char providedCoreVersion[] = "4.15.2";

// The host provides Core 4.15; a plug-in built for any 4.15.x release fits.
static bool isCompatibleCoreVersion(const QString &version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    return parts.size() >= 2 && parts.at(0) == QLatin1String("4") && parts.at(1) == QLatin1String("15");
}

PluginSpec::PluginSpec(const QString &filePath)
    : m_filePath(filePath)
    , m_name(QFileInfo(filePath).fileName())
{}

PluginSpec::~PluginSpec()
{
    deletePlugin();
    // The library stays mapped: QML types and resources it registered may
    // still be referenced until the process ends.
    delete m_loader;
}

void PluginSpec::setError(const QString &reason)
{
    m_errorString = QStringLiteral("Plug-in \"%1\" (%2): %3").arg(m_name, m_filePath, reason);
}

bool PluginSpec::read()
{
    m_loader = new QPluginLoader(m_filePath);
    const QJsonObject raw = m_loader->metaData();
    if (raw.isEmpty()) {
        setError(QStringLiteral("not a Qt plug-in: %1").arg(m_loader->errorString()));
        return false;
    }
    const QString iid = raw.value(QLatin1String("IID")).toString();
    m_metaData = raw.value(QLatin1String("MetaData")).toObject();
    if (m_metaData.contains(QLatin1String("Name")))
        m_name = m_metaData.value(QLatin1String("Name")).toString();
    m_version = m_metaData.value(QLatin1String("Version")).toString();
    if (iid != QLatin1String(pluginIid)) {
        setError(QStringLiteral("interface id is \"%1\", expected \"%2\"").arg(iid, QLatin1String(pluginIid)));
        return false;
    }

    bool coreFound = false;
    const QJsonArray dependencies = m_metaData.value(QLatin1String("Dependencies")).toArray();
    for (const QJsonValue &value : dependencies) {
        const QJsonObject dependency = value.toObject();
        const QString name = dependency.value(QLatin1String("Name")).toString();
        const QString version = dependency.value(QLatin1String("Version")).toString();
        const bool optional = dependency.value(QLatin1String("Type")).toString() == QLatin1String("optional");
        if (name == QLatin1String("Core")) {
            if (!isCompatibleCoreVersion(version)) {
                setError(QStringLiteral("depends on Core %1, but the host provides Core %2")
                             .arg(version, QLatin1String(providedCoreVersion)));
                return false;
            }
            coreFound = true;
        } else if (!optional) {
            setError(QStringLiteral("depends on \"%1\" %2, which the host does not provide").arg(name, version));
            return false;
        }
    }
    if (!coreFound) {
        setError(QStringLiteral("declares no dependency on Core 4.15"));
        return false;
    }
    return true;
}

bool PluginSpec::loadLibrary()
{
    if (!m_loader->load()) {
        setError(QStringLiteral("the library could not be loaded: %1").arg(m_loader->errorString()));
        return false;
    }
    m_plugin = qobject_cast<IPlugin *>(m_loader->instance());
    if (!m_plugin) {
        setError(QStringLiteral("the library's root object is not an ExtensionSystem::IPlugin"));
        return false;
    }
    return true;
}

bool PluginSpec::initializePlugin(const QStringList &arguments)
{
    QString errorString;
    if (!m_plugin->initialize(arguments, &errorString)) {
        setError(QStringLiteral("initialization failed: %1")
                     .arg(errorString.isEmpty() ? QStringLiteral("no reason given") : errorString));
        deletePlugin();
        return false;
    }
    return true;
}

void PluginSpec::deletePlugin()
{
    delete m_plugin;
    m_plugin = nullptr;
}

} // namespace ExtensionSystem
