#include "pluginmanager.h"

#include "iplugin.h"
#include "pluginspec.h"

#include <QDir>
#include <QLibrary>
#include <QSettings>
#include <QtDebug>

namespace ExtensionSystem {

static PluginManager *s_instance = nullptr;

PluginManager::PluginManager()
{
    Q_ASSERT(!s_instance);
    s_instance = this;
}

PluginManager::~PluginManager()
{
    shutdown();
    qDeleteAll(m_specs);
    s_instance = nullptr;
}

PluginManager *PluginManager::instance()
{
    return s_instance;
}

QSettings *PluginManager::settings()
{
    return s_instance ? s_instance->m_settings : nullptr;
}

void PluginManager::setSettings(QSettings *settings)
{
    s_instance->m_settings = settings;
}

void PluginManager::setPluginPaths(const QStringList &paths)
{
    s_instance->m_pluginPaths = paths;
}

QVector<PluginSpec *> PluginManager::plugins()
{
    return s_instance->m_specs;
}

void PluginManager::loadPlugins(const QStringList &arguments)
{
    QStringList errors;
    QVector<PluginSpec *> initialized;
    for (const QString &path : qAsConst(s_instance->m_pluginPaths)) {
        const QDir dir(path);
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        for (const QString &file : files) {
            const QString filePath = dir.absoluteFilePath(file);
            if (!QLibrary::isLibrary(filePath))
                continue;
            auto spec = new PluginSpec(filePath);
            s_instance->m_specs.append(spec);
            if (spec->read() && spec->loadLibrary() && spec->initializePlugin(arguments))
                initialized.append(spec);
            if (spec->hasError()) {
                qWarning().noquote() << spec->errorString();
                errors.append(spec->errorString());
            }
        }
    }
    // As in the IDE, dependants see extensionsInitialized() before the
    // plug-ins they depend on.
    for (auto it = initialized.crbegin(); it != initialized.crend(); ++it)
        (*it)->plugin()->extensionsInitialized();
    if (!errors.isEmpty())
        emit s_instance->pluginErrorsReported(errors);
}

void PluginManager::shutdown()
{
    if (!s_instance || s_instance->m_shutDown)
        return;
    s_instance->m_shutDown = true;
    const QVector<PluginSpec *> specs = s_instance->m_specs;
    for (PluginSpec *spec : specs) {
        if (spec->plugin())
            spec->plugin()->aboutToShutdown();
    }
    for (auto it = specs.crbegin(); it != specs.crend(); ++it)
        (*it)->deletePlugin();
}

} // namespace ExtensionSystem
