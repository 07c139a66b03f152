#include <idehost.h>

#include "mimicrywindow.h"
#include "modalanswerer.h"
#include "testvideos.h"

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <guest/camerareceiver.h>
#include <hangar/sdk.h>
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

const char noEmulatorMessage[] =
    "The mimicry plugin cannot be used. Please, close the emulator if it is running and add "
    "Keel OS Emulator to the list of available devices in Qt Creator settings.";

QMenu *subMenu(QMenu *menu, const QString &title)
{
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->menu() && action->menu()->title() == title)
            return action->menu();
    }
    return nullptr;
}

QVariant evaluate(QQuickView *view, const QString &expression)
{
    QQmlExpression qmlExpression(view->rootContext(), view->rootObject(), expression);
    const QVariant result = qmlExpression.evaluate();
    if (qmlExpression.hasError())
        qWarning() << qmlExpression.error().toString();
    return result;
}

} // namespace

class tst_MimicryPlugin : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menuEntryUnderTheSdkSubmenu();
    void eachChoiceRunsTheFlowOnce();
    void windowIsPreparedHidden();
    void contextPropertiesReachQml();
    void modelsAreUncreatableButNameTheirEnums_data();
    void modelsAreUncreatableButNameTheirEnums();
    void translationFollowsTheSetting_data();
    void translationFollowsTheSetting();
    void hidingTheWindowStopsTheStream();
    void unwritableSettingsNoticedOnce();

private:
    void startHost(const QVariant &language = QVariant(),
                   const QString &settingsFile = QStringLiteral("host.ini"));
    QAction *menuAction() const;

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

QAction *tst_MimicryPlugin::menuAction() const
{
    Core::Command *command = Core::ActionManager::command("Mimicry.ShowMimicryView.Action");
    return command ? command->action() : nullptr;
}

void tst_MimicryPlugin::menuEntryUnderTheSdkSubmenu()
{
    startHost();
    QMenu *tools = nullptr;
    const QList<QAction *> topLevel = m_host->mainWindow()->menuBar()->actions();
    for (QAction *action : topLevel) {
        if (action->menu() && action->menu()->title().remove(QLatin1Char('&')) == QLatin1String("Tools"))
            tools = action->menu();
    }
    QVERIFY(tools);
    QMenu *sdkMenu = subMenu(tools, QStringLiteral("Keel OS"));
    QVERIFY2(sdkMenu, "the plug-in must reuse the SDK's submenu, not make a second one");
    QCOMPARE(tools->actions().size(), 1);

    QAction *action = menuAction();
    QVERIFY(action);
    QVERIFY(sdkMenu->actions().contains(action));
}

void tst_MimicryPlugin::eachChoiceRunsTheFlowOnce()
{
    startHost();
    QVERIFY(Hangar::Sdk::emulators().isEmpty());
    ModalAnswerer answerer;
    for (int choice = 1; choice <= 3; ++choice) {
        menuAction()->trigger();
        QTRY_COMPARE(answerer.boxes().size(), choice);
    }
    // Anything a choice left queued runs before this marker.
    bool markerRan = false;
    QMetaObject::invokeMethod(this, [&markerRan] { markerRan = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(markerRan);
    QCOMPARE(answerer.boxes().size(), 3);
    const ModalAnswerer::Box box = answerer.boxes().constLast();
    QCOMPARE(box.text, QLatin1String(noEmulatorMessage));
    QCOMPARE(box.title, QStringLiteral("Mimicry plugin"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(box.informativeText.isEmpty());
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
    QVERIFY(view->rootObject());
}

void tst_MimicryPlugin::contextPropertiesReachQml()
{
    startHost();
    QQuickView *view = mimicryView();
    QVERIFY(view);
    const QStringList objects{"remoteDBusInvokerService", "gpsEmulationManager", "sensorsEmulationManager",
                              "smartphone3DModelConfig", "mimicryPlugin", "cameraEmulationManager"};
    for (const QString &name : objects) {
        const QVariant value = evaluate(view, name);
        QVERIFY2(value.value<QObject *>(), qPrintable(name));
    }
    // The two managers are bound to the one channel.
    QCOMPARE(evaluate(view, "gpsEmulationManager.rdbusinvoker === remoteDBusInvokerService").toBool(), true);
    QCOMPARE(evaluate(view, "sensorsEmulationManager.rdbusinvoker === remoteDBusInvokerService").toBool(), true);

    const Utils::Theme *theme = Utils::creatorTheme();
    QCOMPARE(evaluate(view, "themeBackgroundColorNormal").value<QColor>(), theme->color(Utils::Theme::Color(3)));
    QCOMPARE(evaluate(view, "themeHighlightColor").value<QColor>(), theme->color(Utils::Theme::Color(83)));
    QCOMPARE(evaluate(view, "themeSeparatorColor").value<QColor>(), theme->color(Utils::Theme::Color(26)));
    QCOMPARE(evaluate(view, "color").value<QColor>(), theme->color(Utils::Theme::Color(3)));
}

void tst_MimicryPlugin::modelsAreUncreatableButNameTheirEnums_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("enumerator");
    QTest::addColumn<int>("value");
    QTest::newRow("AlsModel") << "AlsModel" << "Could not create the AlsModel instance" << "Bright" << 400;
    QTest::newRow("TapModel") << "TapModel" << "Could not create the TapModel instance" << "Y_Neg" << 8;
}

void tst_MimicryPlugin::modelsAreUncreatableButNameTheirEnums()
{
    QFETCH(QString, type);
    QFETCH(QString, reason);
    QFETCH(QString, enumerator);
    QFETCH(int, value);

    startHost();
    QQmlEngine *engine = mimicryView()->engine();
    QQmlComponent creating(engine);
    creating.setData(QStringLiteral("import org.plover 1.0\n%1 {}\n").arg(type).toUtf8(), QUrl());
    QVERIFY(creating.isError());
    QVERIFY2(creating.errorString().contains(reason), qPrintable(creating.errorString()));

    QQmlComponent reading(engine);
    reading.setData(QStringLiteral("import QtQml 2.2\nimport org.plover 1.0\n"
                                   "QtObject { property int value: %1.%2 }\n")
                        .arg(type, enumerator)
                        .toUtf8(),
                    QUrl());
    std::unique_ptr<QObject> object(reading.create());
    QVERIFY2(object, qPrintable(reading.errorString()));
    QCOMPARE(object->property("value").toInt(), value);
}

void tst_MimicryPlugin::translationFollowsTheSetting_data()
{
    QTest::addColumn<QVariant>("language");
    QTest::addColumn<QString>("menuText");
    QTest::addColumn<QString>("windowTitle");
    QTest::newRow("Russian") << QVariant(QStringLiteral("ru")) << QString::fromUtf8("Мимикрия…")
                             << QString::fromUtf8("Мимикрия");
    QTest::newRow("Russian with territory") << QVariant(QStringLiteral("ru_RU"))
                                            << QString::fromUtf8("Мимикрия…") << QString::fromUtf8("Мимикрия");
    QTest::newRow("English") << QVariant(QStringLiteral("C")) << QString::fromUtf8("Mimicry…")
                             << QStringLiteral("Mimicry");
    QTest::newRow("absent: the system locale, English here")
        << QVariant() << QString::fromUtf8("Mimicry…") << QStringLiteral("Mimicry");
}

void tst_MimicryPlugin::translationFollowsTheSetting()
{
    QFETCH(QVariant, language);
    QFETCH(QString, menuText);
    QFETCH(QString, windowTitle);

    startHost(language);
    QCOMPARE(menuAction()->text(), menuText);
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
    // Where the machine's forwarding would take the stream from.
    Guest::CameraReceiver receiver;
    QVERIFY2(receiver.start(QHostAddress(QHostAddress::LocalHost), 34343, &error), qPrintable(error));
    startHost();
    QQuickView *view = mimicryView();
    view->show();
    QObject *camera = evaluate(view, "cameraEmulationManager").value<QObject *>();
    QVERIFY(QMetaObject::invokeMethod(camera, "startVideoStream", Q_ARG(QString, clip)));
    QVERIFY(camera->property("streamRunning").toBool());
    QTRY_VERIFY_WITH_TIMEOUT(receiver.frameCount() > 0, 10000);

    view->hide();
    QVERIFY(!camera->property("streamRunning").toBool());
    const int frames = receiver.frameCount();
    QTest::qWait(300);
    QVERIFY(receiver.frameCount() - frames <= 1);
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
    evaluate(view, QStringLiteral("sensorsEmulationManager.setAlsLuxValue(10)"));
    QCoreApplication::processEvents();
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
