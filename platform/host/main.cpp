#include "idehost.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QSettings>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mimicry-host"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays Qt Creator 4.15 for the Mimicry plug-in."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    const QCommandLineOption settingsOption(
        QStringLiteral("settingspath"),
        QStringLiteral("Directory for the settings file (default: $MIMICRY_SETTINGS_PATH, else %1).")
            .arg(QFileInfo(IdeHost::defaultSettingsPath()).absolutePath()),
        QStringLiteral("dir"));
    const QCommandLineOption pluginOption(
        QStringLiteral("pluginpath"),
        QStringLiteral("Directory to load plug-ins from (default: ../lib/qtcreator/plugins beside the host)."),
        QStringLiteral("dir"));
    parser.addOptions({settingsOption, pluginOption});
    parser.process(app);

    QString settingsDir = parser.value(settingsOption);
    if (settingsDir.isEmpty())
        settingsDir = qEnvironmentVariable("MIMICRY_SETTINGS_PATH");
    const QString settingsFile = settingsDir.isEmpty()
                                     ? IdeHost::defaultSettingsPath()
                                     : QDir(settingsDir).absoluteFilePath(QStringLiteral("host.ini"));
    QSettings settings(settingsFile, QSettings::IniFormat);

    QString pluginDir = parser.value(pluginOption);
    if (pluginDir.isEmpty())
        pluginDir = QApplication::applicationDirPath() + QLatin1String("/../lib/qtcreator/plugins");

    IdeHost host(&settings);
    host.mainWindow()->show();
    host.loadPlugins({pluginDir}, parser.positionalArguments());

    QObject::connect(&app, &QCoreApplication::aboutToQuit, &host, &IdeHost::shutdown);
    return app.exec();
}
