#pragma once

#include <QObject>
#include <QScopedPointer>
#include <QStringList>

QT_BEGIN_NAMESPACE
class QMainWindow;
class QSettings;
class QTranslator;
QT_END_NAMESPACE

namespace Core { class ActionManager; class ICore; }
namespace ExtensionSystem { class PluginManager; }
namespace Hangar { class Sdk; }
namespace Utils { class Theme; }

// What the IDE provides around a plug-in: a main window whose menu bar has
// the Tools menu and the SDK's submenu, a settings file, and the plug-in
// manager. Destroying it shuts the plug-ins down.
class IdeHost : public QObject
{
    Q_OBJECT

public:
    static const char sdkMenuId[];

    explicit IdeHost(QSettings *settings, QObject *parent = nullptr);
    ~IdeHost() override;

    QMainWindow *mainWindow() const { return m_mainWindow.data(); }
    Hangar::Sdk *sdk() const { return m_sdk.data(); }
    void loadPlugins(const QStringList &pluginPaths, const QStringList &arguments = {});
    void shutdown();
    QStringList errors() const { return m_errors; }

    // The settings file that the host uses when nothing moves it.
    static QString defaultSettingsPath();

private:
    QScopedPointer<QMainWindow> m_mainWindow;
    QScopedPointer<ExtensionSystem::PluginManager> m_pluginManager;
    QScopedPointer<Core::ActionManager> m_actionManager;
    QScopedPointer<Core::ICore> m_core;
    QScopedPointer<Utils::Theme> m_theme;
    QScopedPointer<Hangar::Sdk> m_sdk;
    QScopedPointer<QTranslator> m_qtTranslator;
    QStringList m_errors;
};
