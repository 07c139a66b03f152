#pragma once

#include <QObject>
#include <QStringList>
#include <QVector>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

namespace ExtensionSystem {

class PluginSpec;

// Finds, loads, initialises and shuts down the plug-ins of the host. Plug-ins
// themselves only read settings() from here.
class PluginManager : public QObject
{
    Q_OBJECT

public:
    PluginManager();
    ~PluginManager() override;

    static PluginManager *instance();

    static QSettings *settings();
    static void setSettings(QSettings *settings);

    static void setPluginPaths(const QStringList &paths);
    static void loadPlugins(const QStringList &arguments = {});
    static void shutdown();
    static QVector<PluginSpec *> plugins();

signals:
    void pluginErrorsReported(const QStringList &errors);

private:
    QSettings *m_settings = nullptr;
    QStringList m_pluginPaths;
    QVector<PluginSpec *> m_specs;
    bool m_shutDown = false;
};

} // namespace ExtensionSystem
