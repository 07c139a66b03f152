#include "idehost.h"

#include <coreplugin/actionmanager/actioncontainer.h>
#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/coreconstants.h>
#include <coreplugin/icore.h>
#include <extensionsystem/pluginmanager.h>
#include <hangar/sdk.h>
#include <utils/theme/theme.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTranslator>

const char IdeHost::sdkMenuId[] = "Keel.Tools.Menu";

IdeHost::IdeHost(QSettings *settings, QObject *parent)
    : QObject(parent)
    , m_mainWindow(new QMainWindow)
    , m_pluginManager(new ExtensionSystem::PluginManager)
    , m_actionManager(new Core::ActionManager)
    , m_core(new Core::ICore(m_mainWindow.data()))
    , m_theme(new Utils::Theme(QStringLiteral("flat")))
    , m_sdk(new Hangar::Sdk)
    , m_qtTranslator(new QTranslator)
{
    ExtensionSystem::PluginManager::setSettings(settings);

    // Qt's own texts (standard buttons, the file dialog) in the language the
    // plug-ins are given, as the IDE does.
    const QVariant language = settings->value(QStringLiteral("General/OverrideLanguage"));
    const QLocale locale = language.isValid() ? QLocale(language.toString()) : QLocale();
    if (m_qtTranslator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                             QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(m_qtTranslator.data());

    m_theme->setColor(Utils::Theme::BackgroundColorNormal, QColor(0xf4, 0xf4, 0xf4));
    m_theme->setColor(Utils::Theme::FancyToolBarSeparatorColor, QColor(0xbe, 0xbe, 0xbe));
    m_theme->setColor(Utils::Theme::TextColorHighlightBackground, QColor(0x2e, 0x6d, 0xb4));
    Utils::setCreatorTheme(m_theme.data());

    m_mainWindow->setWindowTitle(QStringLiteral("Mimicry Host"));
    m_mainWindow->resize(900, 600);
    auto placeholder = new QLabel(QStringLiteral("Tools \u2192 Keel OS \u2192 Mimicry\u2026 opens the plug-in's window."));
    placeholder->setAlignment(Qt::AlignCenter);
    m_mainWindow->setCentralWidget(placeholder);

    QMenu *toolsMenu = m_mainWindow->menuBar()->addMenu(QStringLiteral("&Tools"));
    Core::ActionContainer *tools = Core::ActionManager::registerMenu(Core::Constants::M_TOOLS, toolsMenu);

    // The SDK's own plug-in makes this submenu in the IDE; plug-ins of the
    // SDK family only add to it.
    Core::ActionContainer *sdkMenu = Core::ActionManager::createMenu(sdkMenuId);
    sdkMenu->menu()->setTitle(QStringLiteral("Keel OS"));
    tools->addMenu(sdkMenu);

    connect(m_pluginManager.data(), &ExtensionSystem::PluginManager::pluginErrorsReported,
            this, [this](const QStringList &errors) {
                m_errors += errors;
                m_mainWindow->statusBar()->showMessage(errors.join(QLatin1String("; ")));
            });
}

IdeHost::~IdeHost()
{
    shutdown();
    // Plug-ins go before the services they used.
    m_pluginManager.reset();
    m_sdk.reset();
    Utils::setCreatorTheme(nullptr);
}

void IdeHost::loadPlugins(const QStringList &pluginPaths, const QStringList &arguments)
{
    ExtensionSystem::PluginManager::setPluginPaths(pluginPaths);
    ExtensionSystem::PluginManager::loadPlugins(arguments);
}

void IdeHost::shutdown()
{
    ExtensionSystem::PluginManager::shutdown();
}

QString IdeHost::defaultSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QLatin1String("/Mimicry/host.ini");
}
