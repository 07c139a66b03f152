#include <idehost.h>

#include "mimicrywindow.h"
#include "testvideos.h"

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <utils/theme/theme.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
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

QVariant evaluate(const QString &expression)
{
    QQmlExpression qmlExpression(mimicryView()->rootContext(), mimicryView()->rootObject(), expression);
    const QVariant result = qmlExpression.evaluate();
    if (qmlExpression.hasError())
        qWarning() << qmlExpression.error().toString();
    return result;
}

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
    void init();
    void cleanup();
    void menuEntryUnderTheSdkSubmenu();
    void windowIsPreparedHidden();
    void modelsAreUncreatableButNameTheirEnums_data();
    void modelsAreUncreatableButNameTheirEnums();
    void translationFollowsTheSetting_data();
    void translationFollowsTheSetting();
    void hidingTheWindowStopsTheStream();
    void unwritableSettingsNoticedOnce();

private:
    void startHost(const QVariant &language = QVariant(),
                   const QString &settingsFile = QStringLiteral("host.ini"));

    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
};

void tst_MimicryPlugin::init()
{
    m_settingsDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_settingsDir->isValid());
}

void tst_MimicryPlugin::cleanup()
{
    m_host.reset();
    m_settings.reset();
    m_settingsDir.reset();
}

void tst_MimicryPlugin::startHost(const QVariant &language, const QString &settingsFile)
{
    m_settings = std::make_unique<QSettings>(m_settingsDir->filePath(settingsFile), QSettings::IniFormat);
    if (language.isValid())
        m_settings->setValue(QStringLiteral("General/OverrideLanguage"), language);
    m_host = std::make_unique<IdeHost>(m_settings.get());
    m_host->loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
    QVERIFY2(m_host->errors().isEmpty(), qPrintable(m_host->errors().join(QLatin1Char('\n'))));
}

void tst_MimicryPlugin::menuEntryUnderTheSdkSubmenu()
{
    startHost();
    QMenu *tools = subMenu(m_host->mainWindow()->menuBar()->actions(), QStringLiteral("Tools"));
    QVERIFY(tools);
    // The plug-in reuses the SDK's submenu rather than making a second one.
    QCOMPARE(tools->actions().size(), 1);
    QMenu *sdkMenu = subMenu(tools->actions(), QStringLiteral("Keel OS"));
    QVERIFY(sdkMenu);
    QVERIFY(menuAction());
    QVERIFY(sdkMenu->actions().contains(menuAction()));
}

void tst_MimicryPlugin::windowIsPreparedHidden()
{
    startHost();
    QQuickView *view = mimicryView();
    QVERIFY(view);
    QVERIFY(!view->isVisible());
    QCOMPARE(view->status(), QQuickView::Ready);
    QCOMPARE(view->resizeMode(), QQuickView::SizeRootObjectToView);
    QCOMPARE(view->size(), QSize(1100, 600));

    const QStringList objects{"remoteDBusInvokerService", "gpsEmulationManager", "sensorsEmulationManager",
                              "smartphone3DModelConfig", "mimicryPlugin", "cameraEmulationManager"};
    for (const QString &name : objects)
        QVERIFY2(evaluate(name).value<QObject *>(), qPrintable(name));
    // The two managers are bound to the one channel.
    QVERIFY(evaluate("gpsEmulationManager.rdbusinvoker === remoteDBusInvokerService").toBool());
    QVERIFY(evaluate("sensorsEmulationManager.rdbusinvoker === remoteDBusInvokerService").toBool());

    const Utils::Theme *theme = Utils::creatorTheme();
    QCOMPARE(evaluate("themeBackgroundColorNormal").value<QColor>(), theme->color(Utils::Theme::Color(3)));
    QCOMPARE(evaluate("themeHighlightColor").value<QColor>(), theme->color(Utils::Theme::Color(83)));
    QCOMPARE(evaluate("themeSeparatorColor").value<QColor>(), theme->color(Utils::Theme::Color(26)));
    QCOMPARE(evaluate("color").value<QColor>(), theme->color(Utils::Theme::Color(3)));
}

void tst_MimicryPlugin::modelsAreUncreatableButNameTheirEnums_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("enumerator");
    QTest::addColumn<int>("value");
    QTest::newRow("AlsModel") << "AlsModel" << "Bright" << 400;
    QTest::newRow("TapModel") << "TapModel" << "Y_Neg" << 8;
}

void tst_MimicryPlugin::modelsAreUncreatableButNameTheirEnums()
{
    QFETCH(QString, type);
    QFETCH(QString, enumerator);
    QFETCH(int, value);

    startHost();
    QQmlEngine *engine = mimicryView()->engine();
    QQmlComponent creating(engine);
    creating.setData(QStringLiteral("import org.plover 1.0\n%1 {}\n").arg(type).toUtf8(), QUrl());
    QVERIFY(creating.isError());
    const QString reason = QStringLiteral("Could not create the %1 instance").arg(type);
    QVERIFY2(creating.errorString().contains(reason), qPrintable(creating.errorString()));

    QQmlComponent reading(engine);
    reading.setData(QStringLiteral("import QtQml 2.2\nimport org.plover 1.0\nQtObject { property int value: %1.%2 }\n")
                        .arg(type, enumerator)
                        .toUtf8(),
                    QUrl());
    std::unique_ptr<QObject> object(reading.create());
    QVERIFY2(object, qPrintable(reading.errorString()));
    QCOMPARE(object->property("value").toInt(), value);
}

void tst_MimicryPlugin::translationFollowsTheSetting_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("windowTitle");
    QTest::newRow("Russian") << "ru" << QString::fromUtf8("Мимикрия");
    QTest::newRow("English") << "C" << "Mimicry";
}

void tst_MimicryPlugin::translationFollowsTheSetting()
{
    QFETCH(QString, language);
    QFETCH(QString, windowTitle);

    startHost(language);
    QCOMPARE(menuAction()->text(), windowTitle + QString::fromUtf8("…"));
    QCOMPARE(mimicryView()->title(), windowTitle);
}

void tst_MimicryPlugin::hidingTheWindowStopsTheStream()
{
    QString error;
    gst_init(nullptr, nullptr);
    if (!TestVideos::available(&error))
        QSKIP(qPrintable(error));
    const QString clip = TestVideos::make(m_settingsDir->path(), TestVideos::Kind::Vp8, 160, 120, 90, &error);
    QVERIFY2(!clip.isEmpty(), qPrintable(error));
    startHost();
    QQuickView *view = mimicryView();
    view->show();
    QObject *camera = mimicryContextObject("cameraEmulationManager");
    QVERIFY(QMetaObject::invokeMethod(camera, "startVideoStream", Q_ARG(QString, clip)));
    QVERIFY(camera->property("streamRunning").toBool());
    QTRY_VERIFY(isOpen(clip));

    view->hide();
    QVERIFY(!camera->property("streamRunning").toBool());
    QVERIFY(!isOpen(clip));
}

void tst_MimicryPlugin::unwritableSettingsNoticedOnce()
{
    // Not even root can make a folder below a plain file.
    QFile blocker(m_settingsDir->filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    startHost(QVariant(), QStringLiteral("blocker/host.ini"));
    QQuickView *view = mimicryView();
    auto notice = view->rootObject()->findChild<QQuickItem *>(QStringLiteral("settingsNotice"));
    QVERIFY(notice);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QVERIFY(notice->isVisible());
    const QString text = notice->property("text").toString();
    QVERIFY2(text.contains(blocker.fileName() + QLatin1String(" is not a folder")), qPrintable(text));

    QVERIFY(QMetaObject::invokeMethod(notice, "dismiss"));
    // Later writes fail as well, but the user knows already.
    evaluate(QStringLiteral("sensorsEmulationManager.setAlsLuxValue(10)"));
    view->hide();
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QVERIFY(!notice->isVisible());
}

int main(int argc, char *argv[])
{
    // The system locale decides when nothing overrides it.
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    tst_MimicryPlugin test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mimicryplugin.moc"
