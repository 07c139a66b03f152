#pragma once

#include <extensionsystem/iplugin.h>
#include <extensionsystem/pluginmanager.h>

#include <QSettings>

// Writes each call of the host into the settings, where the test reads them.
class RecordingPlugin : public ExtensionSystem::IPlugin
{
public:
    explicit RecordingPlugin(const char *name, bool initializes = true)
        : m_name(QLatin1String(name))
        , m_initializes(initializes)
    {}
    ~RecordingPlugin() override { record(QStringLiteral("destroyed")); }

    bool initialize(const QStringList &, QString *errorString) override
    {
        record(QStringLiteral("initialize"));
        if (!m_initializes)
            *errorString = QStringLiteral("the emulator is on strike");
        return m_initializes;
    }
    void extensionsInitialized() override { record(QStringLiteral("extensionsInitialized")); }
    ShutdownFlag aboutToShutdown() override
    {
        record(QStringLiteral("aboutToShutdown"));
        return SynchronousShutdown;
    }

private:
    void record(const QString &call)
    {
        QSettings *settings = ExtensionSystem::PluginManager::settings();
        const QString key = QStringLiteral("calls/") + m_name;
        settings->setValue(key, settings->value(key).toStringList() << call);
    }

    QString m_name;
    bool m_initializes;
};
