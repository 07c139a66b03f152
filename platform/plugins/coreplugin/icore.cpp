#include "icore.h"

#include <extensionsystem/pluginmanager.h>

#include <QApplication>
#include <QMainWindow>

namespace Core {

static ICore *s_instance = nullptr;

ICore::ICore(QMainWindow *mainWindow)
    : m_mainWindow(mainWindow)
{
    Q_ASSERT(!s_instance);
    s_instance = this;
}

ICore::~ICore()
{
    s_instance = nullptr;
}

ICore *ICore::instance()
{
    return s_instance;
}

QMainWindow *ICore::mainWindow()
{
    return s_instance ? s_instance->m_mainWindow : nullptr;
}

QWidget *ICore::dialogParent()
{
    QWidget *active = QApplication::activeModalWidget();
    return active ? active : mainWindow();
}

QSettings *ICore::settings(QSettings::Scope scope)
{
    Q_UNUSED(scope)
    // The host keeps one user settings file; the IDE's read-only system
    // settings have no counterpart here.
    return ExtensionSystem::PluginManager::settings();
}

} // namespace Core
