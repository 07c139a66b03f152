#pragma once

#include <QJsonObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QPluginLoader;
QT_END_NAMESPACE

namespace ExtensionSystem {

class IPlugin;

// What the host knows of one plug-in library: its metadata, its instance and
// why it could not be used, if it could not.
class PluginSpec
{
public:
    explicit PluginSpec(const QString &filePath);
    ~PluginSpec();

    QString name() const { return m_name; }
    QString version() const { return m_version; }
    QString filePath() const { return m_filePath; }
    QJsonObject metaData() const { return m_metaData; }
    IPlugin *plugin() const { return m_plugin; }
    bool hasError() const { return !m_errorString.isEmpty(); }
    QString errorString() const { return m_errorString; }

private:
    friend class PluginManager;

    bool read();
    bool loadLibrary();
    bool initializePlugin(const QStringList &arguments);
    void setError(const QString &reason);
    void deletePlugin();

    QString m_filePath;
    QString m_name;
    QString m_version;
    QJsonObject m_metaData;
    QPluginLoader *m_loader = nullptr;
    IPlugin *m_plugin = nullptr;
    QString m_errorString;
};

} // namespace ExtensionSystem
