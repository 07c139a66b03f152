#include <idehost.h>

#include "mimicrywindow.h"
#include "testvideos.h"

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <hangar/emulator.h>
#include <hangar/sdk.h>
#include <hangar/virtualmachine.h>
#include <utils/theme/theme.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QQuickItem>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <gst/gst.h>

namespace {

QMenu *subMenu(const QList<QAction *> &actions, const QString &title)
{
    for (QAction *action : actions) {
        if (action->menu() && action->menu()->title().remove(QLatin1Char('&')) == title)
            return action->menu();
    }
    return nullptr;
}

QAction *menuAction()
{
    Core::Command *command = Core::ActionManager::command("Mimicry.ShowMimicryView.Action");
    return command ? command->action() : nullptr;
}

// Where the plug-in looks for the device models' files, relative to this
// executable as to the IDE's.
QString shareDir(const char *subdirectory)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1String("/../share/qtcreator/")
                           + QLatin1String(subdirectory));
}

void writeIni(const QString &file, const QVariantMap &values)
{
    QSettings ini(file, QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        ini.setValue(it.key(), it.value());
}

QString modelUri(const QString &relativePath)
{
    return QUrl::fromLocalFile(shareDir("smartphone-3d-models") + QLatin1Char('/') + relativePath).toString();
}

const QStringList sensorNames{"accelerometer", "als", "compass", "gyroscope",
                              "magnetometer", "orientation", "proximity", "tap"};

// Whether this process holds the file open, as a file source does while it plays.
bool isOpen(const QString &file)
{
    const QFileInfoList descriptors = QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System);
    for (const QFileInfo &descriptor : descriptors) {
        if (descriptor.symLinkTarget() == file)
            return true;
    }
    return false;
}

} // namespace

class tst_MimicryPlugin : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settingsDir = std::make_unique<QTemporaryDir>(); }

    void cleanup()
    {
        QDir(shareDir("sensors-emulation-configs")).removeRecursively();
        QDir(shareDir("smartphone-3d-models")).removeRecursively();
        m_host.reset();
        m_settings.reset();
        m_settingsDir.reset();
    }

    // The window's QML is loaded when the window is first shown.
    void menuEntryAndLazyWindowAreReady()
    {
        startHost();
        QMenu *tools = subMenu(m_host->mainWindow()->menuBar()->actions(), QStringLiteral("Tools"));
        QVERIFY(tools);
        // The plug-in reuses the SDK's submenu rather than making a second one.
        QCOMPARE(tools->actions().size(), 1);
        QMenu *sdkMenu = subMenu(tools->actions(), QStringLiteral("Keel OS"));
        QVERIFY(sdkMenu);
        QVERIFY(sdkMenu->actions().contains(menuAction()));

        QQuickView *view = mimicryView();
        QVERIFY(view);
        QVERIFY(!view->isVisible());
        QCOMPARE(view->status(), QQuickView::Null);
        view->show();
        QCOMPARE(view->status(), QQuickView::Ready);
        QCOMPARE(view->resizeMode(), QQuickView::SizeRootObjectToView);
        QCOMPARE(view->size(), QSize(1100, 600));

        const Utils::Theme *theme = Utils::creatorTheme();
        QCOMPARE(mimicryEvaluate("themeBackgroundColorNormal").value<QColor>(), theme->color(Utils::Theme::Color(3)));
        QCOMPARE(mimicryEvaluate("themeHighlightColor").value<QColor>(), theme->color(Utils::Theme::Color(83)));
        QCOMPARE(mimicryEvaluate("themeSeparatorColor").value<QColor>(), theme->color(Utils::Theme::Color(26)));
        QCOMPARE(mimicryEvaluate("color").value<QColor>(), theme->color(Utils::Theme::Color(3)));
    }

    void deviceModelSelectsItsFiles_data()
    {
        QTest::addColumn<QString>("firstModel");
        QTest::addColumn<QString>("deviceModel");
        QTest::addColumn<QStringList>("unavailable");
        // Without a sensors file every sensor is switched on; with one, only the
        // listed sensors are touched and the others stay as they were.
        QTest::addColumn<QStringList>("untouched");
        QTest::addColumn<QString>("mesh");
        QTest::addColumn<QString>("texture");
        QTest::addColumn<bool>("configured");

        const QStringList unlistedInA{"als", "compass", "magnetometer", "orientation", "proximity", "tap"};
        const QString defaultMesh = modelUri("meshes/default.obj");
        const QString defaultTexture = modelUri("textures/default.png");
        QTest::newRow("no files") << "" << "Phone A" << QStringList() << QStringList() << QString() << QString()
                                  << false;
        QTest::newRow("configured model") << "" << "Phone A" << QStringList{"gyroscope"} << unlistedInA
                                          << modelUri("meshes/a.obj") << modelUri("textures/a.png") << true;
        QTest::newRow("renamed from a model without files")
            << "Phone Z" << "Phone A" << QStringList{"gyroscope"} << QStringList()
            << modelUri("meshes/a.obj") << modelUri("textures/a.png") << true;
        // The key would travel into the guest's command line as it is.
        QTest::newRow("key that is no sensor name")
            << "" << "Phone H" << QStringList{"tap"}
            << QStringList{"accelerometer", "als", "compass", "gyroscope", "magnetometer", "orientation", "proximity"}
            << defaultMesh << defaultTexture << true;
        // A 3D model that cannot be loaded is not reported as configured.
        QTest::newRow("3D model without a texture")
            << "" << "Phone T" << QStringList() << QStringList() << modelUri("meshes/t.obj") << QString() << false;
    }

    void deviceModelSelectsItsFiles()
    {
        QFETCH(QString, firstModel);
        QFETCH(QString, deviceModel);
        QFETCH(QStringList, unavailable);
        QFETCH(QStringList, untouched);
        QFETCH(QString, mesh);
        QFETCH(QString, texture);
        QFETCH(bool, configured);

        const QString sensors = shareDir("sensors-emulation-configs") + QLatin1Char('/');
        const QString models = shareDir("smartphone-3d-models/configs") + QLatin1Char('/');
        // Only the row without files has no mesh.
        if (!mesh.isEmpty()) {
            writeIni(sensors + "phone-a.ini",
                     {{"device-name", "Phone A"}, {"sensors/accelerometer", true}, {"sensors/gyroscope", false}});
            writeIni(sensors + "not-a-config.txt", {{"device-name", "Phone A"}, {"sensors/gyroscope", true}});
            QFile hostile(sensors + "hostile.ini");
            QVERIFY(hostile.open(QIODevice::WriteOnly));
            hostile.write("device-name=Phone H\n[sensors]\naccelerometer int32:5=true\ntap=false\n");
            hostile.close();
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression("unknown sensor \"accelerometer int32:5\" in \".*/hostile\\.ini\"$"));
            writeIni(models + "default.ini",
                     {{"device-name", "default"}, {"mesh", "default.obj"}, {"texture", "default.png"}});
            writeIni(models + "a.ini", {{"device-name", "Phone A"}, {"mesh", "a.obj"}, {"texture", "a.png"}});
            writeIni(models + "t.ini", {{"device-name", "Phone T"}, {"mesh", "t.obj"}});
            writeIni(models + "ignored.txt", {{"device-name", "Phone H"}, {"mesh", "h.obj"}, {"texture", "h.png"}});
        }
        startHost();
        QObject *model3d = mimicryContextObject("smartphone3DModelConfig");
        QSignalSpy model3dChanged(model3d, SIGNAL(smartphone3DModelConfigChanged()));
        auto emulator = std::make_unique<Hangar::Emulator>(QStringLiteral("Emulator"),
                                                           new Hangar::VirtualMachine(QStringLiteral("vm")));
        emulator->setDeviceModel({firstModel.isEmpty() ? deviceModel : firstModel});
        Hangar::Emulator *added = emulator.get();
        m_host->sdk()->addEmulator(std::move(emulator));
        added->setDeviceModel({deviceModel});

        QObject *manager = mimicryContextObject("sensorsEmulationManager");
        const QVariantMap availability = manager->property("sensorsAvailability").toMap();
        const QVariantMap enabled = manager->property("sensorsEnabledStates").toMap();
        QCOMPARE(availability.keys(), sensorNames);
        for (const QString &sensor : sensorNames) {
            const bool available = !unavailable.contains(sensor);
            QVERIFY2(availability.value(sensor).toBool() == available, qPrintable(sensor));
            QVERIFY2(enabled.value(sensor).toBool() == (available && !untouched.contains(sensor)), qPrintable(sensor));
        }
        QCOMPARE(model3d->property("smartphone3DModelMeshUri").toString(), mesh);
        QCOMPARE(model3d->property("smartphone3DModelTextureUri").toString(), texture);
        bool isConfigured = false;
        QVERIFY(QMetaObject::invokeMethod(model3d, "smartphone3DModelConfigured", Q_RETURN_ARG(bool, isConfigured)));
        QCOMPARE(isConfigured, configured);
        QCOMPARE(model3dChanged.size(), firstModel.isEmpty() ? 1 : 2);
    }

    // Stored values reach the file within a second, and at once on exit; a
    // crash loses at most that second, never the file.
    void storedValuesSurviveKillAndExit_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("after"); // ms from storing to the end
        QTest::addColumn<bool>("kept");
        QTest::newRow("killed after a second and a half") << "kill" << 1500 << true;
        QTest::newRow("killed at once") << "kill" << 0 << false;
        QTest::newRow("exit at once") << "exit" << 0 << true;
    }

    void storedValuesSurviveKillAndExit()
    {
        QFETCH(QString, end);
        QFETCH(int, after);
        QFETCH(bool, kept);
        const QString file = m_settingsDir->filePath(QStringLiteral("host.ini"));
        writeIni(file, {{"mimicry/als", 80}, {"Other/key", "kept"}});
        QProcess host;
        host.start(QCoreApplication::applicationFilePath(), {"--store-lux", file, "2500", end});
        QVERIFY(host.waitForReadyRead(30000));
        QCOMPARE(host.readLine().trimmed(), QByteArray("stored"));
        QTest::qWait(after);
        if (end == QLatin1String("kill"))
            host.kill();
        QVERIFY(host.waitForFinished(30000));

        QSettings settings(file, QSettings::IniFormat);
        QCOMPARE(settings.status(), QSettings::NoError);
        QCOMPARE(settings.value("Other/key").toString(), QStringLiteral("kept"));
        const int lux = settings.value("mimicry/als").toInt();
        QVERIFY2(kept ? lux == 2500 : lux == 80 || lux == 2500, qPrintable(QString::number(lux)));
        QCOMPARE(settings.value("mimicry/accelerometer_x").toInt(), end == QLatin1String("exit") ? 77 : 0);
    }

    // The setting overrides the system's locale, which is C here. The texts
    // in English are not checked apart: a wrong one has no translation.
    void translationFollowsTheSetting()
    {
        startHost(QStringLiteral("ru"));
        QCOMPARE(menuAction()->text(), QString::fromUtf8("Мимикрия…"));
        QCOMPARE(mimicryView()->title(), QString::fromUtf8("Мимикрия"));
        // Qt's own texts too, as on the buttons of the plug-in's dialogs.
        QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Apply);
        QCOMPARE(box.button(QMessageBox::Apply)->text(), QString::fromUtf8("Применить"));
        // Gone with the host.
        m_host.reset();
        QTRY_COMPARE(box.button(QMessageBox::Apply)->text(), QStringLiteral("Apply"));
    }

    void windowShowsTheSettingsProblemOnceAndStopsStreamsWhenHidden()
    {
        QString error;
        gst_init(nullptr, nullptr);
        if (!TestVideos::available(&error))
            QSKIP(qPrintable(error));
        const QString clip = TestVideos::make(m_settingsDir->path(), TestVideos::Kind::Vp8, {160, 120}, 90);
        QVERIFY(!clip.isEmpty());
        // Not even root can make a folder below a plain file.
        const QString blocker = m_settingsDir->filePath(QStringLiteral("blocker"));
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        startHost(QVariant(), QStringLiteral("blocker/host.ini"));
        QQuickView *view = mimicryView();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        auto notice = view->rootObject()->findChild<QQuickItem *>(QStringLiteral("settingsNotice"));
        QVERIFY(notice);
        QVERIFY(notice->isVisible());
        const QString text = notice->property("text").toString();
        QVERIFY2(text.contains(blocker + QLatin1String(" is not a folder")), qPrintable(text));
        QVERIFY(QMetaObject::invokeMethod(notice, "dismiss"));

        QObject *camera = mimicryContextObject("cameraEmulationManager");
        QVERIFY(QMetaObject::invokeMethod(camera, "startVideoStream", Q_ARG(QString, clip)));
        QVERIFY(camera->property("streamRunning").toBool());
        QTRY_VERIFY(isOpen(clip));
        view->hide();
        QVERIFY(!camera->property("streamRunning").toBool());
        QVERIFY(!isOpen(clip));

        // Later writes fail as well, but the user knows already.
        mimicryEvaluate(QStringLiteral("sensorsEmulationManager.setAlsLuxValue(10)"));
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QVERIFY(!notice->isVisible());
    }

private:
    void startHost(const QVariant &language = QVariant(),
                   const QString &settingsFile = QStringLiteral("host.ini"))
    {
        m_settings = std::make_unique<QSettings>(m_settingsDir->filePath(settingsFile), QSettings::IniFormat);
        if (language.isValid())
            m_settings->setValue(QStringLiteral("General/OverrideLanguage"), language);
        m_host = std::make_unique<IdeHost>(m_settings.get());
        m_host->loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
        QVERIFY2(m_host->errors().isEmpty(), qPrintable(m_host->errors().join(QLatin1Char('\n'))));
    }

    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
};

// The child of storedValuesSurviveKillAndExit: the host stores a light level
// and changes the accelerometer's model, which is stored only when the
// plug-in goes; then it says so and waits to be killed, or exits at once.
int storeLux(const QString &settingsFile, int lux, bool exit)
{
    QSettings settings(settingsFile, QSettings::IniFormat);
    IdeHost host(&settings);
    host.loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
    QObject *sensors = mimicryContextObject("sensorsEmulationManager");
    QMetaObject::invokeMethod(sensors, "setAlsLuxValue", Q_ARG(int, lux));
    sensors->property("accelerometer").value<QObject *>()->setProperty("x", 77);
    QTextStream(stdout) << "stored" << Qt::endl;
    return exit ? 0 : QCoreApplication::exec();
}

int main(int argc, char *argv[])
{
    // The system locale decides when nothing overrides it.
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--store-lux") == 0)
        return storeLux(QString::fromLocal8Bit(argv[2]), atoi(argv[3]), qstrcmp(argv[4], "exit") == 0);
    tst_MimicryPlugin test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mimicryplugin.moc"
