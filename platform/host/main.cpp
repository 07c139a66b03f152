#include "idehost.h"

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <hangar/emulator.h>
#include <hangar/emulatorconfiguration.h>
#include <hangar/sdk.h>
#include <hangar/simulatedvirtualmachine.h>

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QQuickWindow>
#include <QSettings>
#include <QTextStream>
#include <QTimer>

namespace {

const char showMimicryActionId[] = "Mimicry.ShowMimicryView.Action";

QQuickWindow *mimicryWindow()
{
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (QWindow *window : windows) {
        if (auto quickWindow = qobject_cast<QQuickWindow *>(window))
            return quickWindow;
    }
    return nullptr;
}

// Saves the plug-in's window once it has been shown and has drawn itself.
void takeScreenshotWhenShown(const QString &file, bool quit)
{
    auto poll = new QTimer(qApp);
    poll->setInterval(200);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, file, quit] {
        QQuickWindow *window = mimicryWindow();
        if (!window || !window->isVisible() || !window->isExposed())
            return;
        poll->stop();
        poll->deleteLater();
        // Give the pages a moment to settle after the first frame.
        QTimer::singleShot(1500, qApp, [window, file, quit] {
            const bool saved = window->grabWindow().save(file);
            QTextStream(stdout) << (saved ? "Screenshot saved to " : "Could not save a screenshot to ") << file
                                << Qt::endl;
            if (quit)
                QCoreApplication::exit(saved ? 0 : 1);
        });
    });
    poll->start();
}

} // namespace

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
    const QCommandLineOption emulatorsOption(
        QStringLiteral("emulators"),
        QStringLiteral("The SDK's emulator configuration (default: $MIMICRY_EMULATORS_CONFIG, else %1).")
            .arg(Hangar::EmulatorConfiguration::defaultPath()),
        QStringLiteral("file"));
    const QCommandLineOption showOption(QStringLiteral("show-mimicry"),
                                        QStringLiteral("Choose Tools > Keel OS > Mimicry... once started."));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"), QStringLiteral("Save the Mimicry window to a PNG file once it is shown."),
        QStringLiteral("file"));
    const QCommandLineOption quitOption(QStringLiteral("quit-after-screenshot"),
                                        QStringLiteral("Exit after saving the screenshot."));
    parser.addOptions({settingsOption, pluginOption, emulatorsOption, showOption, screenshotOption, quitOption});
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

    // The SDK announces its emulators after the plug-ins are up, as in the IDE.
    const QString emulatorsFile = parser.isSet(emulatorsOption) ? parser.value(emulatorsOption)
                                                                : Hangar::EmulatorConfiguration::defaultPath();
    QString error;
    if (!Hangar::EmulatorConfiguration(emulatorsFile).load(host.sdk(), &error))
        qWarning().noquote() << error;
    const QList<Hangar::Emulator *> emulators = Hangar::Sdk::emulators();
    for (Hangar::Emulator *emulator : emulators) {
        auto machine = qobject_cast<Hangar::SimulatedVirtualMachine *>(emulator->virtualMachine());
        if (!machine)
            continue;
        const QString prefix = QStringLiteral("[%1] ").arg(emulator->name());
        QObject::connect(machine, &Hangar::SimulatedVirtualMachine::logLine, &host, [prefix](const QString &line) {
            QTextStream(stdout) << prefix << line << Qt::endl;
        });
    }

    if (parser.isSet(screenshotOption))
        takeScreenshotWhenShown(parser.value(screenshotOption), parser.isSet(quitOption));
    if (parser.isSet(showOption)) {
        QTimer::singleShot(0, &host, [] {
            if (Core::Command *command = Core::ActionManager::command(showMimicryActionId))
                command->action()->trigger();
        });
    }

    QObject::connect(&app, &QCoreApplication::aboutToQuit, &host, &IdeHost::shutdown);
    return app.exec();
}
